// SPDX-License-Identifier: MIT
#include "game.h"

void loadmap()
{
    for (int y = 0; y < mapheight; ++y) {
        for (int x = 0; x < mapwidth; ++x) {
            const bool border = y == 0 || x == 0 || y == mapheight - 1 || x == mapwidth - 1;
            map[y] += border ? WALL : " ";
        }
    }
}
