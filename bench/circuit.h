// SPDX-License-Identifier: MIT
// The safe circuit both benchmarks steer the snake round, placed by the
// game's own start: a rectangle of 61 x 15 cells whose top edge runs along
// the start row from 7 cells ahead of newsnake()'s start cell, so that the
// snake leaves its start straight onto it and goes round clockwise. Its
// perimeter of 148 cells is far longer than any snake a bench run grows.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "game.h"

namespace bench
{

// A cell the head passes and the key due once it stands there: the arrow
// that turns the snake at a corner, NO_KEY elsewhere.
struct Step {
    int x;
    int y;
    int key;
};

struct Circuit {
    int start_x; // where newsnake() starts the snake, heading right
    int start_y;
    int left;
    int top;
    int right;
    int bottom;
    std::vector<Step> lap; // one round, clockwise from the top left corner

    // Where the head stands `ticks` ticks after the start: along the start
    // row onto the circuit's corner, which it reaches heading right (no key
    // due), then round and round the circuit.
    Step after(int ticks) const
    {
        const int on_lap = ticks - (left - start_x);
        return on_lap <= 0 ? Step{start_x + ticks, top, NO_KEY} : lap[on_lap % lap.size()];
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

// The circuit for the snake newsnake() makes. A start the circuit cannot
// take ends the program with a message and status 2: nothing else is to be
// measured in its place.
inline Circuit start_circuit()
{
    newsnake();
    const int x = snakex.at(0);
    const int y = snakey.at(0);
    Circuit c{x, y, x + 7, y, x + 7 + 60, y + 14, {}};
    if (movx != 1 || movy != 0 || x < 1 || y < 1 || c.right > mapwidth - 2 || c.bottom > mapheight - 2) {
        std::fprintf(stderr,
                     "bench: newsnake() starts the snake at (%d, %d) heading (%d, %d); the circuit needs a "
                     "start heading right, (1, 0), and room for its 61 x 15 cells, here (%d, %d) to "
                     "(%d, %d), inside the walls. Nothing measured.\n",
                     x, y, movx, movy, c.left, c.top, c.right, c.bottom);
        std::exit(2);
    }
    for (int i = c.left; i < c.right; ++i) {
        c.lap.push_back({i, c.top, i == c.left ? ARROW_RIGHT : NO_KEY});
    }
    for (int i = c.top; i < c.bottom; ++i) {
        c.lap.push_back({c.right, i, i == c.top ? ARROW_DOWN : NO_KEY});
    }
    for (int i = c.right; i > c.left; --i) {
        c.lap.push_back({i, c.bottom, i == c.right ? ARROW_LEFT : NO_KEY});
    }
    for (int i = c.bottom; i > c.top; --i) {
        c.lap.push_back({c.left, i, i == c.bottom ? ARROW_UP : NO_KEY});
    }
    return c;
}

} // namespace bench
