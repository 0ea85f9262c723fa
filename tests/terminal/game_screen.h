// SPDX-License-Identifier: MIT
// Reading the game off the emulated screen: the status line, the snake, the
// digit, and waiting for whole frames.
#pragma once

#include <algorithm>
#include <array>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "draw.h"
#include "game.h"
#include "pty_terminal.h"

namespace term
{

struct Cell {
    int x;
    int y;
    bool operator==(const Cell&) const = default;
    Cell operator+(Cell step) const { return {x + step.x, y + step.y}; }
};

struct Status {
    int lives;
    int score;
    Cell head;
    bool operator==(const Status&) const = default;
};

// The four ways a snake heads, the key that turns it there and the game's
// code for that key.
struct Direction {
    Cell step;
    Key key;
    int code;
};
inline constexpr std::array<Direction, 4> directions{{{{0, -1}, Key::up, ARROW_UP},
                                                      {{0, 1}, Key::down, ARROW_DOWN},
                                                      {{-1, 0}, Key::left, ARROW_LEFT},
                                                      {{1, 0}, Key::right, ARROW_RIGHT}}};

// The direction with that step, key or code, if there is one.
template <typename Field, typename T> std::optional<Direction> direction(Field field, T value)
{
    const auto* d = std::find_if(directions.begin(), directions.end(),
                                 [&](const Direction& each) { return each.*field == value; });
    return d == directions.end() ? std::nullopt : std::optional(*d);
}

// For readable failure messages.
inline std::ostream& operator<<(std::ostream& out, const Cell& c)
{
    return out << "(" << c.x << "," << c.y << ")";
}
inline std::ostream& operator<<(std::ostream& out, const Status& s)
{
    return out << "Lives: " << s.lives << " Score: " << s.score << " head " << s.head;
}

// The status line as it stands, wherever the cursor is.
std::optional<Status> status_line(const PtyTerminal& t);

// The status line, once it is whole: its three items parse and the cursor
// rests just after the last one, where the game leaves it after a refresh.
std::optional<Status> read_status(const PtyTerminal& t);

// Waits for a whole frame whose status differs from `previous`.
std::optional<Status> next_frame(PtyTerminal& t, const std::optional<Status>& previous,
                                 Clock::duration for_at_most);

// The screen holds a whole frame: both wall rows, both wall columns and the
// status line.
bool whole_frame(const PtyTerminal& t);

// A whole frame and nothing else: only walls, blanks, the snake and the
// digit on the field, blank rows under it and the status line alone on its
// row.
bool clean_frame(const PtyTerminal& t);

// Judges the screen after every chunk of output, from the first whole frame
// on, as a terminal that paints after each read would show it. Frames are
// counted where a chunk leaves a new status line behind. Clear-screen
// sequences are counted too: a terminal may show the empty screen that one
// leaves before the frame drawn after it.
class FrameWatch
{
  public:
    explicit FrameWatch(PtyTerminal& t);
    ~FrameWatch();
    FrameWatch(const FrameWatch&) = delete;
    FrameWatch& operator=(const FrameWatch&) = delete;

    // Ends the watch, before the program leaves the screen at its end.
    void stop();

    int chunks() const { return chunks_; }
    int frames() const { return frames_; }
    int partial() const { return partial_; }
    const std::string& first_partial() const { return first_partial_; } // the screen it left
    int clears() const { return clears_; }

  private:
    PtyTerminal& t_;
    std::function<void(std::string_view, Clock::time_point)> chained_;
    bool started_ = false;
    std::optional<Status> shown_;
    int chunks_ = 0;
    int frames_ = 0;
    int partial_ = 0;
    std::string first_partial_;
    int clears_ = 0;
    std::string unfinished_; // the end of the last chunk, where a sequence may have begun
};

// The snake's cells in the order the screen shows them, row by row.
std::vector<Cell> snake_cells(const PtyTerminal& t);
std::vector<Cell> in_screen_order(std::vector<Cell> cells);
std::optional<Cell> digit_cell(const PtyTerminal& t);

// The banner, where the game puts it, as the screen shows it.
bool shows_banner(const PtyTerminal& t, const Banner& banner);

// The arrow that leads from the head one step along a shortest free path to
// the digit (walls and every segment are obstacles; no reversal), or the
// arrow to the roomiest free neighbour when no path exists.
Key arrow_towards_digit(const PtyTerminal& t, Cell head, Cell heading);

} // namespace term
