// SPDX-License-Identifier: MIT
// The whole game state lives here, made before main() in this order and
// destroyed in reverse at exit.
#include "game.h"

const int mapwidth = 80;
const int mapheight = 22;
const int KEY_ESC = 27;

const std::string WALL = "*";
const std::string SNAKEGFX = "@";

std::vector<std::string> map(mapheight);

std::vector<int> snakex{3};
std::vector<int> snakey{3};
int snakelength = 5;
int movx = 1;
int movy = 0;

int lives = 5;
int score = 0;
int snakespeed = 100;

int point_number = 0;
int point_run = 0;
int point_number_x = 0;
int point_number_y = 0;
