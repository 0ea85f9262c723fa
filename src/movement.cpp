// SPDX-License-Identifier: MIT
// One tick of the game: steer, test what lies ahead, move, eat.
#include "game.h"

namespace
{

// Each arrow is refused only when it would reverse the snake on its own axis.
void steer(int key)
{
    if (key == ARROW_UP && movy != 1) {
        movy = -1;
        movx = 0;
    }
    if (key == ARROW_DOWN && movy != -1) {
        movy = 1;
        movx = 0;
    }
    if (key == ARROW_LEFT && movx != 1) {
        movx = -1;
        movy = 0;
    }
    if (key == ARROW_RIGHT && movx != -1) {
        movx = 1;
        movy = 0;
    }
}

} // namespace

bool on_snake(int x, int y)
{
    for (std::size_t i = 0; i < snakex.size(); ++i) {
        if (snakex[i] == x && snakey[i] == y) {
            return true;
        }
    }
    return false;
}

int movechar(int key)
{
    if (key == KEY_ESC) {
        return MOVE_QUIT;
    }
    steer(key);

    const int x = snakex[0] + movx;
    const int y = snakey[0] + movy;

    // The tail counts although it would move away in this very step.
    if (on_snake(x, y)) {
        return MOVE_DIED;
    }
    const char ahead = map[y][x];
    if (map[y].compare(x, 1, WALL) == 0) {
        return MOVE_DIED;
    }

    snakex.insert(snakex.begin(), x);
    snakey.insert(snakey.begin(), y);
    if (static_cast<int>(snakex.size()) > snakelength) {
        snakex.pop_back();
        snakey.pop_back();
    }

    // The tail went before the length grows, so growth shows from the next tick.
    if (ahead >= '1' && ahead <= '9') {
        snakelength += point_number;
        newpointnumber();
        return MOVE_CONTINUE;
    }
    if (ahead == '0') {
        return MOVE_WON;
    }
    return MOVE_CONTINUE;
}
