// SPDX-License-Identifier: MIT
// Reading the game off the emulated screen: the status line, the snake, the
// digit, and waiting for whole frames.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "pty_terminal.h"

namespace term
{

struct Cell {
    int x;
    int y;
    bool operator==(const Cell&) const = default;
};

struct Status {
    int lives;
    int score;
    Cell head;
    bool operator==(const Status&) const = default;
};

// The status line as it stands, wherever the cursor is.
std::optional<Status> status_line(const PtyTerminal& t);

// The status line, once it is whole: its three items parse and the cursor
// rests just after the last one, where the game leaves it after a refresh.
std::optional<Status> read_status(const PtyTerminal& t);

// Waits for a whole frame whose status differs from `previous`.
std::optional<Status> next_frame(PtyTerminal& t, const std::optional<Status>& previous,
                                 Clock::duration for_at_most);

std::vector<Cell> snake_cells(const PtyTerminal& t);
std::optional<Cell> digit_cell(const PtyTerminal& t);

// The banner lines at rows 10 to 12 from `column`, as the screen shows them.
bool shows_banner(const PtyTerminal& t, int column, const std::vector<std::string>& lines);

// The arrow that leads from the head one step along a shortest free path to
// the digit (walls and every segment are obstacles; no reversal), or the
// arrow to the roomiest free neighbour when no path exists.
Key arrow_towards_digit(const PtyTerminal& t, Cell head, Cell heading);

} // namespace term
