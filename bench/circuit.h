// SPDX-License-Identifier: MIT
// The safe circuit both benchmarks steer the snake round, placed by the
// game's own start: a 61 x 15 rectangle whose top edge runs along the start
// row from 7 cells ahead of newsnake()'s start cell, so that the snake goes
// straight onto it and round clockwise, longer than any snake a run grows.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "game.h"

namespace bench
{

// A cell and the key due once the head stands on it (NO_KEY but at corners).
struct Step {
    int x, y, key;
};

struct Circuit {
    int start_x, start_y; // where newsnake() starts the snake, heading right
    int left, top, right, bottom;
    std::vector<Step> lap; // one round, clockwise from the top left corner
    std::string text;      // "(10,3) to (70,17), 61x15", for the reports

    // Where the head stands `ticks` ticks after the start: along the start
    // row onto the corner, no key due there, then round and round the lap.
    Step after(int ticks) const
    {
        const int on_lap = ticks - (left - start_x);
        return on_lap <= 0 ? Step{start_x + ticks, top, NO_KEY} : lap[on_lap % lap.size()];
    }
};

// The circuit for the snake newsnake() makes. A start it cannot take ends
// the program with status 2: nothing else is to be measured in its place.
inline Circuit start_circuit()
{
    newsnake();
    const int x = snakex.at(0);
    const int y = snakey.at(0);
    Circuit c{x, y, x + 7, y, x + 7 + 60, y + 14, {}, {}};
    char text[64];
    std::snprintf(text, sizeof text, "(%d,%d) to (%d,%d), 61x15", c.left, c.top, c.right, c.bottom);
    c.text = text;
    if (movx != 1 || movy != 0 || x < 1 || y < 1 || c.right > mapwidth - 2 || c.bottom > mapheight - 2) {
        std::fprintf(stderr,
                     "bench: newsnake() starts the snake at (%d, %d) heading (%d, %d); the circuit needs a "
                     "start heading right, (1, 0), and its cells %s inside the walls. Nothing measured.\n",
                     x, y, movx, movy, text);
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
