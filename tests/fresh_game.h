// SPDX-License-Identifier: MIT
// Puts the process-wide game state back to its start values, as a new run
// of the program would have it, with the playfield built.
#pragma once

#include "game.h"

inline void fresh_game()
{
    map.assign(mapheight, std::string());
    loadmap();
    snakex = {3};
    snakey = {3};
    snakelength = 5;
    movx = 1;
    movy = 0;
    lives = 5;
    score = 0;
    point_number = 0;
    point_run = 0;
    point_number_x = 0;
    point_number_y = 0;
}

// Puts digit d on (x, y) as if newpointnumber had placed it there.
inline void place_digit(int d, int x, int y)
{
    if (point_run > 0) {
        map[point_number_y][point_number_x] = ' ';
    }
    map[y][x] = static_cast<char>('0' + d);
    point_number = d;
    point_run = d == 0 ? 10 : d;
    point_number_x = x;
    point_number_y = y;
}
