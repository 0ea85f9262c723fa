// SPDX-License-Identifier: MIT
// A long run of random play, checking after every tick what must always hold.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "fresh_game.h"

namespace
{

std::string cell(int x, int y)
{
    return " at " + std::to_string(x) + "," + std::to_string(y);
}

// Returns what is wrong with the state, or an empty string. A snake grows to
// at most `longest` segments.
std::string broken_invariant(int longest)
{
    if (map.size() != static_cast<std::size_t>(mapheight)) {
        return "map has " + std::to_string(map.size()) + " rows";
    }
    int digits = 0;
    for (int y = 0; y < mapheight; ++y) {
        if (map[y].size() != static_cast<std::size_t>(mapwidth)) {
            return "row " + std::to_string(y) + " is " + std::to_string(map[y].size()) + " long";
        }
        for (int x = 0; x < mapwidth; ++x) {
            const char c = map[y][x];
            const bool border = y == 0 || x == 0 || y == mapheight - 1 || x == mapwidth - 1;
            if (border != (c == '*')) {
                return "wall broken" + cell(x, y);
            }
            if (c >= '0' && c <= '9') {
                ++digits;
                if (x != point_number_x || y != point_number_y || c - '0' != point_number) {
                    return "stray digit" + cell(x, y);
                }
            } else if (!border && c != ' ') {
                return "unexpected character" + cell(x, y);
            }
        }
    }
    if (digits != 1) {
        return std::to_string(digits) + " digits on the board";
    }

    const std::size_t n = snakex.size();
    if (n != snakey.size() || n < 1 || static_cast<int>(n) > snakelength || snakelength > longest) {
        return "snake of " + std::to_string(n) + " segments, length " + std::to_string(snakelength);
    }
    if (snakex[0] < 1 || snakex[0] > mapwidth - 2 || snakey[0] < 1 || snakey[0] > mapheight - 2) {
        return "head outside the interior";
    }
    for (std::size_t i = 1; i < n; ++i) {
        if (std::abs(snakex[i] - snakex[i - 1]) + std::abs(snakey[i] - snakey[i - 1]) != 1) {
            return "segments " + std::to_string(i - 1) + " and " + std::to_string(i) + " apart";
        }
    }
    if (std::abs(movx) + std::abs(movy) != 1) {
        return "bad direction";
    }
    return {};
}

// Half the time the arrow that leads toward the digit, so that the run eats,
// grows and sometimes wins; otherwise any key at all.
int next_key(std::mt19937& random)
{
    const int keys[] = {ARROW_UP, ARROW_DOWN, ARROW_LEFT, ARROW_RIGHT, NO_KEY, 'q', KEY_ESC};
    if (random() % 2 == 0) {
        return keys[random() % std::size(keys)];
    }
    if (point_number_x != snakex[0]) {
        return point_number_x < snakex[0] ? ARROW_LEFT : ARROW_RIGHT;
    }
    return point_number_y < snakey[0] ? ARROW_UP : ARROW_DOWN;
}

TEST(RandomPlay, InvariantsHoldOverManyTicks)
{
    constexpr int ticks = 200000;
    std::mt19937 random(12345);

    fresh_game();
    const int longest = snakelength + 1 + 2 + 3 + 4 + 5 + 6 + 7 + 8 + 9; // every digit eaten
    newpointnumber();
    int deaths = 0;
    int eaten = 0;
    int wins = 0;
    for (int tick = 0; tick < ticks; ++tick) {
        const int before = point_run;
        const int outcome = movechar(next_key(random));
        eaten += point_run - before;
        if (outcome == MOVE_DIED) {
            // As the main loop does after a death: a new snake, same board.
            ++deaths;
            newsnake();
        } else if (outcome == MOVE_WON) {
            ++wins;
            fresh_game();
            newpointnumber();
        }
        const std::string broken = broken_invariant(longest);
        ASSERT_EQ(broken, "") << "at tick " << tick;
    }
    // The run must have exercised what it checks.
    EXPECT_GT(deaths, 100);
    EXPECT_GT(eaten, 100);
    EXPECT_GT(wins, 0);
}

} // namespace
