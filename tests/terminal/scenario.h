// SPDX-License-Identifier: MIT
// What the terminal scenarios share: the program under test and the time to
// allow it, the banners, and the check of a clean end.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/wait.h>

#include "game_screen.h"

namespace term
{

inline const std::vector<std::string> death_banner{"*************", "* You died! *", "*************"};
inline const std::vector<std::string> win_banner{"************", "* You win! *", "************"};

// Steers the snake to the digit as the harness plays: one turn key in
// flight at a time, the next one only once the last has been seen to turn
// the snake. Wine's console can hand a key to the game a tick late; a key
// pressed every frame regardless would then keep one stale key waiting in
// the game's queue for good, every turn would come a tick late, and the
// steering could circle a digit for ever. Nothing is typed while the
// terminal would echo it: never once the game has set its modes, but
// Wine's console takes the terminal over only a little after its first
// frames.
class Chaser
{
  public:
    // Presses the arrow towards the digit if it turns the snake and no
    // other turn is awaited.
    void steer(PtyTerminal& t, const Status& frame)
    {
        const Key key = arrow_towards_digit(t, frame.head, heading_);
        if (key != arrow(heading_) && unseen_ == Key::none && (t.modes().c_lflag & ECHO) == 0) {
            t.press(key);
            unseen_ = key;
        }
    }

    // The head went from `from` to `to` in one tick.
    void moved(Cell from, Cell to)
    {
        heading_ = Cell{to.x - from.x, to.y - from.y};
        if (arrow(heading_) == unseen_) {
            unseen_ = Key::none;
        }
    }

    Cell heading() const { return heading_; }

  private:
    static Key arrow(Cell d)
    {
        return d.x == 1 ? Key::right : d.x == -1 ? Key::left : d.y == 1 ? Key::down : Key::up;
    }

    Cell heading_{1, 0};
    Key unseen_ = Key::none;
};

class Scenario : public ::testing::Test
{
  protected:
    std::vector<std::string> argv = command_under_test(WRIGGLE_PROGRAM);
    bool wine = runs_under("wine");
    // Valgrind adds milliseconds of its own to every tick.
    bool valgrind = runs_under("valgrind");
    // Wine makes a fresh prefix on each start, which takes a while.
    Clock::duration startup = wine ? 120s : 5s;
    Clock::duration tick_slack = wine ? 1500ms : 500ms;

    bool runs_under(const std::string& word) const
    {
        return std::any_of(argv.begin(), argv.end(),
                           [&](const std::string& a) { return a.find(word) != std::string::npos; });
    }

    // The program ends with status 0 and leaves the terminal as it found it.
    static void expect_clean_exit(PtyTerminal& t, Clock::duration within)
    {
        const std::optional<int> status = t.wait_exit(within);
        ASSERT_TRUE(status.has_value()) << "still running:\n" << t.dump();
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "wait status " << *status;
        EXPECT_TRUE(same_modes(t.modes(), t.modes_at_start())) << "terminal modes changed";
        EXPECT_TRUE(t.cursor_visible());
    }
};

} // namespace term
