// SPDX-License-Identifier: MIT
// The whole game state lives here, made before main() in this order and
// destroyed in reverse at exit.
#include "game.h"

const std::string WALL = "*";
const std::string SNAKEGFX = "@";

std::vector<std::string> map(mapheight);

// Empty until newsnake() makes the first snake, at start-up.
std::vector<int> snakex;
std::vector<int> snakey;
int snakelength = 0;
int movx = 0;
int movy = 0;

int lives = 5;
int score = 0;
int snakespeed = 100;

int point_number = 0;
int point_run = 0;
int point_number_x = 0;
int point_number_y = 0;

// Where every life starts: the one place that says so.
void newsnake()
{
    snakex.assign(1, 3);
    snakey.assign(1, 3);
    snakelength = 5;
    movx = 1;
    movy = 0;
}
