// SPDX-License-Identifier: MIT
// Drawing one frame into the curses standard screen: the playfield with the
// snake over it, and the status line.
#pragma once

#include <sstream>
#include <string>

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
