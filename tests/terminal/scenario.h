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

class Scenario : public ::testing::Test
{
  protected:
    std::vector<std::string> argv = command_under_test(WRIGGLE_PROGRAM);
    bool wine = runs_under("wine");
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
