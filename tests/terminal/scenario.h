// SPDX-License-Identifier: MIT
// What the terminal scenarios share: the program under test, what it plays
// under and the time to allow it, how a game starts, the time between two
// outputs, and the check of a clean end.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <sys/wait.h>

#include "game_screen.h"

namespace term
{

// How a game starts, from the game's own rules: where the snake starts, the
// way it heads and the length it grows to, the lives and the score.
struct Start {
    Cell cell;
    Cell heading;
    std::size_t length;
    int lives;
    int score;
};

inline Start game_start()
{
    newsnake();
    return {{snakex[0], snakey[0]}, {movx, movy}, static_cast<std::size_t>(snakelength), lives, score};
}

// The game's tick, and how long it shows a banner.
inline const Clock::duration tick = std::chrono::milliseconds(snakespeed);
inline const Clock::duration banner_time = std::chrono::milliseconds(banner_pause_ms);

// What the program plays under, as the test's registration says in
// WRIGGLE_UNDER (unset: plain). Each adds delays of its own to the game's.
enum class Under { plain, wine, valgrind, emulator };
inline const std::string under_names[] = {"plain", "wine", "valgrind", "emulator"}; // in Under's order

inline Under plays_under()
{
    const char* set = std::getenv("WRIGGLE_UNDER");
    const std::string name = set != nullptr && *set != '\0' ? set : "plain";
    const auto* found = std::find(std::begin(under_names), std::end(under_names), name);
    if (found == std::end(under_names)) {
        throw std::invalid_argument("WRIGGLE_UNDER=" + name + ": plain, wine, valgrind or emulator");
    }
    return static_cast<Under>(found - std::begin(under_names));
}

// The time between two chunks of output, as far as the harness can tell on
// this machine at this moment, however busy: at least `least`, at most `most`.
struct Span {
    Clock::duration least;
    Clock::duration most;
};

inline Span between(OutputTime from, OutputTime to)
{
    return {to.after - from.by, to.by - from.after};
}

inline std::string ms(Clock::duration d)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::chrono::duration<double, std::milli>(d).count());
    return text;
}

// A span that may have lasted from `low` to `high`: only a time the machine
// could not have stretched or squeezed fails.
inline void expect_lasted(Span s, Clock::duration low, Clock::duration high, const std::string& what)
{
    EXPECT_TRUE(s.most >= low && s.least <= high)
        << what << " lasted between " << ms(s.least) << " and " << ms(s.most)
        << " ms, as the harness could tell on this machine; expected " << ms(low) << " to " << ms(high)
        << " ms";
}

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
    explicit Chaser(Cell heading) : heading_(heading) {}

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
    static Key arrow(Cell step)
    {
        const std::optional<Direction> d = direction(&Direction::step, step);
        return d ? d->key : Key::none;
    }

    Cell heading_;
    Key unseen_ = Key::none;
};

class Scenario : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        RecordProperty("plays_under", under_names[static_cast<int>(under)]);
        if (const std::string why = no_pseudo_terminal(); !why.empty()) {
            GTEST_SKIP() << "no pseudo-terminal to play in here (" << why << ")";
        }
        // NOLINTNEXTLINE(cert-env33-c): a fixed command, nothing of anyone's input
        if (wine && std::system("command -v wine >/dev/null") != 0) {
            GTEST_SKIP() << "Wine is not installed";
        }
    }

    std::vector<std::string> argv = command_under_test(WRIGGLE_PROGRAM);
    Under under = plays_under();
    bool wine = under == Under::wine;
    bool valgrind = under == Under::valgrind; // milliseconds of its own in every tick
    // Wine makes a fresh prefix on each start, which takes a while.
    Clock::duration startup = wine ? 120s : 5s;
    Clock::duration tick_slack = wine ? 1500ms : 500ms;
    // Once the game has gone, Wine shuts down its services and server, and
    // the harness removes the prefix it made: seconds on a busy machine.
    Clock::duration wine_shutdown = 60s;
    Start start = game_start();

    // The first frame shows the game as these rules start it, one step on.
    ::testing::AssertionResult starts_as_the_rules_say(PtyTerminal& t,
                                                       const std::optional<Status>& first) const
    {
        const Status expected{start.lives, start.score, start.cell + start.heading};
        if (first == expected) {
            return ::testing::AssertionSuccess();
        }
        auto failure = ::testing::AssertionFailure();
        if (first) {
            failure << "the first frame shows " << *first << " where these rules start a game as " << expected
                    << ": is the program under test built from these sources?\n";
        } else {
            failure << "no whole frame came\n";
        }
        return failure << dump(t);
    }

    // Waits for the game to end within `within`; under Wine, for its screen
    // to go within that time, and then for its process to end with Wine's.
    // The wait status, if it ended.
    std::optional<int> wait_end(PtyTerminal& t, Clock::duration within) const
    {
        if (wine && !t.pump_until([&] { return game_gone(t); }, within)) {
            return std::nullopt;
        }
        return t.wait_exit(wine ? wine_shutdown : within);
    }

    // Nothing of the game's frame is left on the screen.
    static bool game_gone(const PtyTerminal& t)
    {
        return t.screen().find_first_of("*@") == std::string::npos && !status_line(t);
    }

    // For failure messages: the terminal's dump, once a program whose
    // screen has gone has had the time to end, so that it says how it ended.
    std::string dump(PtyTerminal& t) const
    {
        if (game_gone(t)) {
            t.wait_exit(wine ? wine_shutdown : 2s);
        }
        return t.dump();
    }

    // The game ends with status 0 and leaves the terminal as it found it.
    void expect_clean_exit(PtyTerminal& t, Clock::duration within) const
    {
        const std::optional<int> status = wait_end(t, within);
        ASSERT_TRUE(status.has_value()) << "still running:\n" << t.dump();
        EXPECT_TRUE(game_gone(t)) << "the game's screen is still up:\n" << t.dump();
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "wait status " << *status;
        EXPECT_TRUE(same_modes(t.modes(), t.modes_at_start())) << "terminal modes changed";
        EXPECT_TRUE(t.cursor_visible());
    }
};

} // namespace term
