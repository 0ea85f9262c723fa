// SPDX-License-Identifier: MIT
// Placing and scoring the digits 1, 2, ... 9, 0.
#include <cstdlib>
#include <ctime>

#include "game.h"

int (*point_rand)() = [] { return std::rand(); };
std::time_t (*point_clock)() = [] { return std::time(nullptr); };

void newpointnumber()
{
    point_run = point_run + 1;
    score = score + point_number * point_run; // the digit just eaten, times how many came so far
    point_number = (point_number + 1) % 10;

    // Search before the eaten digit's cell is blanked, so that cell counts as
    // taken and the new digit never lands under the head that just ate.
    bool found = false;
    int x = 0;
    int y = 0;
    std::srand(static_cast<unsigned>(point_clock()));
    while (!found) {
        x = point_rand() % (static_cast<int>(map[0].size()) - 2) + 1;
        y = point_rand() % (static_cast<int>(map.size()) - 2) + 1;
        if (map[y].compare(x, 1, " ") == 0) {
            found = !on_snake(x, y);
        }
    }

    // Before the first digit there is no old one: (0, 0) is the wall corner.
    if (point_number != 1) {
        map[point_number_y][point_number_x] = ' ';
    }
    map[y][x] = static_cast<char>('0' + point_number);
    point_number_x = x;
    point_number_y = y;
}
