// SPDX-License-Identifier: MIT
// Drawing one frame into the curses standard screen: the playfield with the
// snake over it, and the status line; and where the banners stand.
#pragma once

#include <sstream>
#include <string>

#include "game.h"

// The status line, one blank row under the playfield: its three items start
// at these columns.
inline constexpr int status_row = mapheight + 1;
inline constexpr int lives_column = 1;
inline constexpr int score_column = 11;
inline constexpr int head_column = 69;

// A death or a win: three lines over the frame, from banner_row on, for
// banner_pause_ms.
struct Banner {
    int column;
    const char* lines[3];
};
inline constexpr int banner_row = 10;
inline constexpr int banner_pause_ms = 3000;
inline constexpr Banner death_banner{34, {"*************", "* You died! *", "*************"}};
inline constexpr Banner win_banner{35, {"************", "* You win! *", "************"}};

// These two only write into the window: they neither erase nor refresh.
void drawmap();
void drawscore();

// One tick's repaint: every cell of the terminal drawn again from the
// window, with the frame in it, in place.
void drawframe();

template <typename T> std::string to_string(const T& value)
{
    std::stringstream text(std::ios::in | std::ios::out);
    text << value;
    return text.str();
}
