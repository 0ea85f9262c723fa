// SPDX-License-Identifier: MIT
// Drawing one frame into the curses standard screen: the playfield with the
// snake over it, and the status line. Neither clears nor refreshes.
#pragma once

#include <sstream>
#include <string>

void drawmap();
void drawscore();

template <typename T> std::string to_string(const T& value)
{
    std::stringstream text(std::ios::in | std::ios::out);
    text << value;
    return text.str();
}
