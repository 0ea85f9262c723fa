// SPDX-License-Identifier: MIT
// Runs a program in a pseudo-terminal and reads its screen through a real
// terminal emulator (libvterm), the way a player sees it.
#pragma once

#include <chrono>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/resource.h>
#include <sys/types.h>
#include <termios.h>

struct VTerm;
struct VTermScreen;

namespace term
{

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Keys the player presses; the emulator encodes them for its current modes
// (an arrow is ESC O A or ESC [ A depending on the cursor-key mode).
enum class Key { none, up, down, left, right, escape };

// The program under test: WRIGGLE_COMMAND (words split on blanks) if set,
// else the given default.
std::vector<std::string> command_under_test(const std::string& fallback);

// The words of a command line, split on blanks.
std::vector<std::string> words(const std::string& line);

// Why no pseudo-terminal can be opened here, or an empty string if one can.
std::string no_pseudo_terminal();

// When a chunk of output was written, as the harness can tell however busy
// the machine: after the last moment it had found none waiting, and before
// it read the chunk.
struct OutputTime {
    Clock::time_point after;
    Clock::time_point by;
};

// The number after "key:" in the "key: value" lines of /proc/PID/FILE, or
// -1 if there is none (the process has gone, or /proc is not Linux's).
long long proc_value(pid_t pid, const std::string& file, const std::string& key);

// Rewrites the REP control (CSI n b) into the repeated characters, for a
// libvterm that gets it wrong.
class RepeatExpander
{
  public:
    std::string feed(std::string_view bytes);

  private:
    enum class State { text, escape, csi };
    State state_ = State::text;
    std::string pending_;
    char last_ = 0;
};

class PtyTerminal
{
  public:
    // Runs argv as an xterm-256color of rows x cols, whatever terminal the
    // caller has, with the caller's environment but for what describes the
    // terminal (TERM, LINES, COLUMNS) or tunes curses (ESCDELAY). Then
    // `environment` ("NAME=value" each) goes over it.
    explicit PtyTerminal(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment = {}, int rows = 24, int cols = 80);
    ~PtyTerminal();
    PtyTerminal(const PtyTerminal&) = delete;
    PtyTerminal& operator=(const PtyTerminal&) = delete;

    // Feeds whatever the program wrote within `for_at_most` into the
    // emulator. Returns as soon as `done` holds (checked after each chunk).
    // The wait is lengthened by any time the harness lost itself, its polls
    // returning late: a machine that busy may have held the program up too.
    bool pump_until(const std::function<bool()>& done, Clock::duration for_at_most);
    void pump_for(Clock::duration d)
    {
        pump_until([] { return false; }, d);
    }

    void send(std::string_view bytes) const;
    void press(Key key);
    void press(std::initializer_list<Key> keys);
    void resize(int rows, int cols);

    // Screen contents: the text of a row, one cell, the cursor.
    std::string row(int r) const;
    char at(int r, int c) const;
    int cursor_row() const;
    int cursor_col() const;
    bool cursor_visible() const { return cursor_visible_; }
    int rows() const { return rows_; }
    std::string screen() const; // the whole screen, each row ended by '|'
    // For failure messages: the screen, the harness's delays, and how the
    // program ended if it has.
    std::string dump() const;

    // The chunk of output read last.
    OutputTime last_output() const { return last_output_; }

    pid_t pid() const { return pid_; }
    std::size_t bytes_received() const { return bytes_received_; }

    // The terminal's input queue as the program reads it: how many bytes
    // wait there, and dropping them. And text that another program writes
    // to the terminal, as wall(1) does.
    int input_waiting() const;
    void drop_input() const;
    void write_from_elsewhere(std::string_view text) const;

    // The terminal's modes as they are now, and as they were before the
    // program started.
    termios modes() const;
    const termios& modes_at_start() const { return modes_at_start_; }

    // Pumps output until the program ends; its wait status, if it ended.
    std::optional<int> wait_exit(Clock::duration for_at_most);
    // The resources the ended program used, with its reaped children's; zero
    // until it has ended.
    const rusage& usage() const { return usage_; }

    // Observer of every chunk of output, called with the chunk and the time
    // it arrived once the emulator has taken it in: the screen then shows
    // what a terminal that paints after each read would show.
    std::function<void(std::string_view, Clock::time_point)> on_output;

  private:
    bool read_once(Clock::time_point deadline);
    void reap();
    int open_slave() const;

    int rows_;
    int cols_;
    int master_ = -1;
    pid_t pid_ = -1;
    VTerm* vt_ = nullptr;
    VTermScreen* screen_ = nullptr;
    termios modes_at_start_{};
    std::optional<int> status_;
    rusage usage_{};
    bool cursor_visible_ = true;
    std::size_t bytes_received_ = 0;
    Clock::time_point quiet_ = Clock::now(); // no output waiting then
    Clock::duration held_up_{};              // the polls' lateness, in all
    OutputTime last_output_;
    std::optional<RepeatExpander> repeats_;
};

bool same_modes(const termios& a, const termios& b);

} // namespace term
