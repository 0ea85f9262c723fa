// SPDX-License-Identifier: MIT
// The game's state and rules: the playfield, the snake, the digits and the
// one step function that advances a game. Nothing here touches the terminal.
#pragma once

#include <ctime>
#include <string>
#include <vector>

static_assert(sizeof(int) == 4, "the game's integers are 32-bit");

// Playfield size.
inline constexpr int mapwidth = 80;
inline constexpr int mapheight = 22;

// Key codes as curses delivers them with the keypad on: Escape as its
// character, the arrows above every character. Named apart from the curses
// macros (KEY_UP...), so that the front end can include both and check them.
inline constexpr int KEY_ESC = 27;
inline constexpr int ARROW_DOWN = 258;
inline constexpr int ARROW_UP = 259;
inline constexpr int ARROW_LEFT = 260;
inline constexpr int ARROW_RIGHT = 261;
inline constexpr int NO_KEY = -1; // what a read returns when no key waits

// What one tick of movechar() came to.
inline constexpr int MOVE_CONTINUE = 0;
inline constexpr int MOVE_DIED = 1;
inline constexpr int MOVE_QUIT = 2;
inline constexpr int MOVE_WON = 3;

// One-character glyphs of the wall and of a snake segment.
extern const std::string WALL;
extern const std::string SNAKEGFX;

// The playfield: walls, blanks and the one digit. Never the snake.
extern std::vector<std::string> map;

// The snake, head first: segment i is at (snakex[i], snakey[i]).
extern std::vector<int> snakex;
extern std::vector<int> snakey;
extern int snakelength; // the length the snake grows to
extern int movx;        // step per tick: exactly one of movx, movy is +-1
extern int movy;

extern int lives;
extern int score;
extern int snakespeed; // pause per tick, in milliseconds

// The digit on the board, its cell, and how many digits were placed so far.
extern int point_number;
extern int point_run;
extern int point_number_x;
extern int point_number_y;

// Fills the empty playfield with its walls and blank interior. Once per run.
void loadmap();

// A new snake: one segment on the start cell, heading right, to grow to five
// segments. At start-up and after each lost life.
void newsnake();

// True if a segment of the snake, head or tail included, lies on (x, y).
bool on_snake(int x, int y);

// Scores the digit just eaten and puts the next one on a free interior cell.
void newpointnumber();

// Where newpointnumber() draws its random numbers, the C library's rand(),
// and the clock in whole seconds, time(), that seeds it at every call. Tests
// put a scripted source or a set clock here.
extern int (*point_rand)();
extern std::time_t (*point_clock)();

// Advances the game by one tick with the key read last; returns a MOVE_ code.
int movechar(int key);
