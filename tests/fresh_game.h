// SPDX-License-Identifier: MIT
// The game state as the program starts a game: its values before main(),
// taken before this test program's first test changed any of them, then the
// field built and a new snake on it, as main() does before the first digit.
#pragma once

#include <gtest/gtest.h>

#include <tuple>

#include "game.h"

// What a game starts from besides its snake, which newsnake() makes.
inline auto start_values()
{
    return std::tie(map, lives, score, snakespeed, point_number, point_run, point_number_x, point_number_y);
}
inline std::tuple<std::vector<std::string>, int, int, int, int, int, int, int> program_start;

class TakeProgramStart : public ::testing::Environment
{
    void SetUp() override { program_start = start_values(); }
};
inline ::testing::Environment* const take_program_start =
    ::testing::AddGlobalTestEnvironment(new TakeProgramStart);

// The values as the program had them before main().
inline void restore_program_start()
{
    start_values() = program_start;
}

inline void fresh_game()
{
    restore_program_start();
    loadmap();
    newsnake();
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
