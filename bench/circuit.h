// SPDX-License-Identifier: MIT
// The safe circuit both benchmarks steer the snake round, placed by the
// game's own start: newsnake() says where a snake starts and which way it
// heads, and the circuit follows. It is a rectangle of 61 x 15 cells whose
// top edge runs along the start row, from 7 cells ahead of the start cell,
// so that the snake leaves its start straight onto it and goes round
// clockwise. Its perimeter of 148 cells is far longer than any snake a
// bench run grows.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "game.h"

namespace bench
{

struct Circuit {
    int start_x; // the cell newsnake() starts the snake on, heading right
    int start_y;
    int left;
    int right;
    int top;
    int bottom;

    // The arrow due once the head stands at (x, y) moving by (dx, dy): one
    // of the ARROW_ codes at a corner, NO_KEY elsewhere.
    int turn(int x, int y, int dx, int dy) const
    {
        if (dx == 1 && x == right) {
            return ARROW_DOWN;
        }
        if (dy == 1 && y == bottom) {
            return ARROW_LEFT;
        }
        if (dx == -1 && x == left) {
            return ARROW_UP;
        }
        if (dy == -1 && y == top) {
            return ARROW_RIGHT;
        }
        return NO_KEY;
    }

    // "(10,3) to (70,17), 61x15", for the benchmarks' reports.
    std::string text() const
    {
        char text[64];
        std::snprintf(text, sizeof text, "(%d,%d) to (%d,%d), %dx%d", left, top, right, bottom,
                      right - left + 1, bottom - top + 1);
        return text;
    }
};

// The heading (dx, dy) once `arrow` has turned the snake; NO_KEY keeps it.
inline void follow(int arrow, int& dx, int& dy)
{
    if (arrow != NO_KEY) {
        dx = arrow == ARROW_RIGHT ? 1 : arrow == ARROW_LEFT ? -1 : 0;
        dy = arrow == ARROW_DOWN ? 1 : arrow == ARROW_UP ? -1 : 0;
    }
}

// The circuit for the snake newsnake() makes. A start the circuit cannot
// take ends the program with a message and status 2: nothing else is to be
// measured in its place.
inline Circuit start_circuit()
{
    newsnake();
    const int x = snakex.at(0);
    const int y = snakey.at(0);
    if (movx != 1 || movy != 0) {
        std::fprintf(stderr,
                     "bench: newsnake() starts the snake at (%d, %d) heading (%d, %d); the circuit takes "
                     "only a snake heading right, (1, 0). Nothing measured.\n",
                     x, y, movx, movy);
        std::exit(2);
    }
    const Circuit c{x, y, x + 7, x + 7 + 60, y, y + 14};
    if (x < 1 || y < 1 || c.right > mapwidth - 2 || c.bottom > mapheight - 2) {
        std::fprintf(stderr,
                     "bench: newsnake() starts the snake at (%d, %d); the 61 x 15 circuit from there, "
                     "(%d, %d) to (%d, %d), does not fit inside the walls. Nothing measured.\n",
                     x, y, c.left, c.top, c.right, c.bottom);
        std::exit(2);
    }
    return c;
}

} // namespace bench
