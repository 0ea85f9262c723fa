// SPDX-License-Identifier: MIT
// The game as a player meets it: the built program in an 80 x 24 pseudo-
// terminal, read through a terminal emulator. Each scenario follows one run.
#include <cstdio>
#include <fstream>
#include <thread>

#include <unistd.h>

#include "scenario.h"

namespace
{

using namespace term;

using Play = Scenario;

// The moment by which an arrow pressed just now was surely waiting in the
// terminal's input queue for the program to read: when the harness saw its
// bytes there. Never, if it did not within `for_at_most`.
std::optional<Clock::time_point> arrow_waiting(const PtyTerminal& t, Clock::duration for_at_most)
{
    const int arrow_bytes = 3; // ESC O A or ESC [ A
    for (const auto end = Clock::now() + for_at_most; Clock::now() < end;) {
        if (t.input_waiting() >= arrow_bytes) {
            return Clock::now();
        }
        std::this_thread::sleep_for(100us);
    }
    return std::nullopt;
}

TEST_F(Play, FirstFrameSteeringAndEscape)
{
    ASSERT_EQ(start.heading.y, 0) << "Down, typed at launch, is to turn a new snake that heads across";
    const std::string trace = ::testing::TempDir() + "wriggle-curses-trace." + std::to_string(getpid());
    std::remove(trace.c_str());
    PtyTerminal t(argv, {"WRIGGLE_CURSES_TRACE=" + trace}); // curses.dll's, which ncurses leaves alone
    // Down typed ahead, before the game has switched the keypad on, comes
    // as ESC [ B, the arrow's form in the terminal's normal cursor mode. It
    // steers the second tick: every mode the game sets is in force from the
    // first frame on.
    t.send("\x1b[B");
    const std::optional<Status> first = next_frame(t, std::nullopt, startup);
    ASSERT_TRUE(starts_as_the_rules_say(t, first));

    // The first frame already shows the first step: two segments.
    const Cell first_head = start.cell + start.heading;
    EXPECT_TRUE(clean_frame(t)) << dump(t);
    EXPECT_EQ(snake_cells(t), in_screen_order({start.cell, first_head}));
    const std::optional<Cell> digit = digit_cell(t);
    ASSERT_TRUE(digit);
    EXPECT_EQ(t.at(digit->y, digit->x), '1');

    // Wine's console hands the very first keys of a run to the program a
    // tick late, so there the turn may come a tick later.
    const Cell down{0, 1};
    std::vector<Cell> heads{first->head};
    const auto turned_down = [&] {
        return heads.size() > 1 && heads.back() == heads[heads.size() - 2] + down;
    };
    std::optional<Status> frame = first;
    while (heads.size() < 3 && !turned_down() && (frame = next_frame(t, frame, tick_slack))) {
        heads.push_back(frame->head);
    }
    ASSERT_TRUE(frame) << dump(t);
    ASSERT_TRUE(turned_down()) << "the Down typed at launch was to turn the head from " << first_head
                               << " down to " << first_head + down << "; the heads were "
                               << ::testing::PrintToString(heads);
    if (!wine) {
        EXPECT_EQ(heads.size(), 2U) << "the arrow typed at launch steered late";
    }

    // Then keys typed faster than the ticks, arrows in both forms: each
    // steers one tick, none is lost or taken twice, and the reversal (Left
    // while going right) is ignored.
    const Cell turned = heads.back();
    t.send("\x1b[C");               // Right
    t.send("\x1b[D");               // Left: a reversal
    t.send("\x1b[A");               // Up
    t.send("\x1b[D");               // Left
    t.press({Key::up, Key::right}); // in the keypad's form, ESC O A and ESC O C
    const std::vector<Cell> expected{turned,
                                     {turned.x + 1, turned.y},
                                     {turned.x + 2, turned.y},
                                     {turned.x + 2, turned.y - 1},
                                     {turned.x + 1, turned.y - 1},
                                     {turned.x + 1, turned.y - 2},
                                     {turned.x + 2, turned.y - 2}};
    std::vector<Cell> path{turned};
    while (path.size() < expected.size() && (frame = next_frame(t, frame, tick_slack))) {
        path.push_back(frame->head);
    }
    ASSERT_TRUE(frame) << dump(t);
    EXPECT_EQ(path, expected);
    // Grown to its length by now, on the last cells of the path; unless the
    // digit lay on the way (a run in a few hundred) and made it longer.
    if (path == expected && frame->score == start.score) {
        const std::vector<Cell> body(expected.end() - static_cast<std::ptrdiff_t>(start.length),
                                     expected.end());
        EXPECT_EQ(snake_cells(t), in_screen_order(body)) << dump(t);
    }

    // A key that reaches the terminal during a tick's pause steers the very
    // next tick. Once the harness has seen a frame, the game pauses a whole
    // tick from a moment after the last one at which the harness found no
    // output waiting, and reads its key only then: an arrow the harness saw
    // waiting in the terminal's input queue before that tick was up must
    // turn the next frame, however busy the machine. One that got there
    // later proves nothing, and the turn is tried again. Wine's console
    // writes the game's frame to the terminal when it gets round to it, so
    // there the harness cannot tell when the pause began: curses.dll's own
    // account of the game's waits serves instead, below.
    for (int turn = 0, proven = 0; !wine && proven < 6; ++turn) {
        ASSERT_LT(turn, 40) << "the harness could not get an arrow to the game within a tick";
        frame = next_frame(t, frame, tick_slack); // the one just before the turn
        ASSERT_TRUE(frame) << dump(t);
        const Cell from = frame->head;
        const OutputTime shown = t.last_output();
        const Direction to = *direction(&Direction::key, turn % 2 == 0 ? Key::down : Key::right);
        t.press(to.key); // a staircase down and to the right, clear of the walls
        const std::optional<Clock::time_point> waiting = arrow_waiting(t, tick);
        frame = next_frame(t, frame, tick_slack);
        ASSERT_TRUE(frame) << dump(t);
        if (waiting && *waiting < shown.after + tick) {
            ASSERT_EQ(frame->head, from + to.step)
                << "turn " << turn << ": an arrow waiting " << ms(*waiting - shown.after)
                << " ms after the frame could have been written did not turn the next frame\n"
                << dump(t);
            ++proven;
        }
        // A late turn is taken before the next one is tried.
        Cell was = from;
        for (int late = 0; frame->head != was + to.step; ++late) {
            ASSERT_LT(late, 3) << "the arrow never turned the snake\n" << dump(t);
            was = frame->head;
            frame = next_frame(t, frame, tick_slack);
            ASSERT_TRUE(frame) << dump(t);
        }
    }

    // Escape: no further move, and the program ends within the rest of the
    // tick, the escape delay and one more tick.
    const auto sent = Clock::now();
    t.press(Key::escape);
    expect_clean_exit(t, wine ? 5s : 4 * tick);
    RecordProperty(
        "escape_to_exit_ms",
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent).count()));

    // Under Wine, curses.dll's own account at the game's end: one console
    // write a frame (and one at each endwin), and no key read sooner after
    // a frame than the pause between them.
    if (!wine) {
        return;
    }
    std::ifstream traced(trace);
    std::string line;
    for (std::string next; std::getline(traced, next);) {
        line = next; // the last endwin's
    }
    std::remove(trace.c_str());
    unsigned long refreshes = 0;
    unsigned long writes = 0;
    double waited = 0;
    const char* format = "refreshes=%lu console_writes=%lu shortest_wait_ms=%lf";
    ASSERT_EQ(std::sscanf(line.c_str(), format, &refreshes, &writes, &waited), 3) << "trace: " << line;
    EXPECT_LE(writes, refreshes + 2) << line;
    EXPECT_GE(waited, std::chrono::duration_cast<std::chrono::milliseconds>(tick).count() - 1)
        << "a key read that soon after a frame was shown: " << line;
}

// The arrow that runs the snake straight into the nearest wall over free
// cells, the digit's included, or none if every way is blocked.
Key into_nearest_wall(const PtyTerminal& t, Cell head, Cell heading)
{
    Key best = Key::none;
    int best_steps = mapwidth;
    for (const Direction& d : directions) {
        if (d.step.x == -heading.x && d.step.y == -heading.y) {
            continue;
        }
        int steps = 1;
        Cell c = head + d.step;
        while (t.at(c.y, c.x) != '*' && t.at(c.y, c.x) != '@') {
            c = c + d.step;
            ++steps;
        }
        if (t.at(c.y, c.x) == '*' && steps < best_steps) {
            best = d.key;
            best_steps = steps;
        }
    }
    return best;
}

// The points a digit scores, back to the digit.
int digit_scoring(int points)
{
    for (int d = 1; d <= 9; ++d) {
        if (d * (d + 1) == points) {
            return d;
        }
    }
    return 0;
}

TEST_F(Play, EveryLifeLostEndsTheGame)
{
    ASSERT_GE(start.lives, 2) << "a game of one life has no second snake to look at";
    PtyTerminal t(argv);
    std::optional<Status> frame = next_frame(t, std::nullopt, startup);
    ASSERT_TRUE(starts_as_the_rules_say(t, frame));

    // The first snake eats the 1 and grows past its length, then runs into
    // the nearest wall.
    Chaser chaser(start.heading);
    for (int ticks = 0; frame->score == start.score || snake_cells(t).size() <= start.length; ++ticks) {
        ASSERT_LT(ticks, 600) << "the 1 not eaten after that many ticks";
        ASSERT_EQ(frame->lives, start.lives) << "the harness steered into something:\n" << dump(t);
        chaser.steer(t, *frame);
        const std::optional<Status> next = next_frame(t, frame, tick_slack * 2);
        ASSERT_TRUE(next) << dump(t);
        chaser.moved(frame->head, next->head);
        frame = next;
    }
    t.press(into_nearest_wall(t, frame->head, chaser.heading()));
    ASSERT_TRUE(t.pump_until([&] { return shows_banner(t, death_banner); }, 10s)) << dump(t);
    const int score = status_line(t)->score;

    // Nothing typed during this banner: the new snake's heading is its own.
    // It starts over as one segment on the start cell, and grows to its
    // length, not to the length of the snake that died; the score and the
    // board stay.
    ASSERT_TRUE(t.pump_until([&] { return !shows_banner(t, death_banner) && read_status(t); },
                             banner_time + tick_slack))
        << dump(t);
    frame = read_status(t);
    EXPECT_EQ(*frame, (Status{start.lives - 1, score, start.cell}));
    EXPECT_EQ(snake_cells(t).size(), 1U);
    std::size_t segments = 1;
    std::size_t length = start.length;
    for (std::size_t move = 1; move <= start.length + 1; ++move) {
        const std::optional<Status> next = next_frame(t, frame, tick_slack);
        ASSERT_TRUE(next) << dump(t);
        if (move == 1) {
            EXPECT_EQ(next->head, start.cell + start.heading) << "the new snake's first step";
            // A digit straight ahead would lengthen it: go round.
            const std::optional<Cell> digit = digit_cell(t);
            Cell ahead = next->head;
            for (std::size_t step = 1; step <= start.length + 1 && digit; ++step) {
                ahead = ahead + start.heading;
                if (ahead == *digit) {
                    t.press(Key::down);
                }
            }
        }
        segments = std::min(segments + 1, length);
        length += static_cast<std::size_t>(digit_scoring(next->score - frame->score));
        EXPECT_EQ(snake_cells(t).size(), segments) << "after move " << move << "\n" << dump(t);
        frame = next;
    }

    // The other deaths, to the last life, in the top wall. A resize during
    // the first of their banners (the harness's terminal alone: Wine's
    // console keeps its size) must not cut it short.
    t.press(Key::up);
    for (int lives = start.lives - 1; lives >= 1; --lives) {
        ASSERT_TRUE(t.pump_until([&] { return shows_banner(t, death_banner); }, banner_time)) << dump(t);
        const OutputTime banner_shown = t.last_output();
        // The banner stands over the last frame, whose status is unchanged.
        EXPECT_EQ(status_line(t)->lives, lives);
        // A key typed during the banner waits for the restarted snake.
        t.press(Key::up);
        if (lives == start.lives - 1 && !wine) {
            t.pump_for(3 * tick); // the game in its pause by now
            t.resize(25, 80);
            t.resize(24, 80);
        }

        ASSERT_TRUE(t.pump_until([&] { return !shows_banner(t, death_banner) && read_status(t); },
                                 banner_time + tick_slack))
            << dump(t);
        frame = read_status(t);
        expect_lasted(between(banner_shown, t.last_output()), banner_time - tick, banner_time + tick_slack,
                      "a death banner");
        EXPECT_EQ(frame->lives, lives - 1);
        if (lives > 1) {
            EXPECT_EQ(frame->head, start.cell);
            EXPECT_EQ(snake_cells(t).size(), 1U);
        }
    }
    EXPECT_EQ(status_line(t)->lives, 0);
    expect_clean_exit(t, 2s + tick_slack);
}

TEST_F(Play, WinsAWholeGame)
{
    PtyTerminal t(argv);
    // Read as a terminal reads it, no chunk of the game's output may leave a
    // blank or half-drawn field on the screen, and none may clear it.
    FrameWatch watch(t);
    std::optional<Status> frame = next_frame(t, std::nullopt, startup);
    ASSERT_TRUE(starts_as_the_rules_say(t, frame));

    Chaser chaser(start.heading);
    int frames = 0;
    while (!shows_banner(t, win_banner)) {
        ASSERT_LT(++frames, 3000) << "no win after that many ticks";
        ASSERT_EQ(frame->lives, start.lives) << "the harness steered into something:\n" << dump(t);
        ASSERT_TRUE(wine || (t.modes().c_lflag & ECHO) == 0) << "the terminal echoes keys during play";
        chaser.steer(t, *frame);
        std::optional<Status> next;
        t.pump_until(
            [&] {
                next = read_status(t);
                return shows_banner(t, win_banner) || (next && next != frame);
            },
            tick_slack * 2);
        if (shows_banner(t, win_banner)) {
            break;
        }
        ASSERT_TRUE(next && next != frame) << dump(t);
        chaser.moved(frame->head, next->head);
        frame = next;
    }
    // The banner stands over the frame before the winning step, for its
    // time.
    const OutputTime banner_shown = t.last_output();
    const std::optional<Status> under_banner = status_line(t);
    ASSERT_TRUE(under_banner);
    EXPECT_EQ(under_banner->score, 330);
    EXPECT_EQ(under_banner->lives, start.lives);
    const std::optional<Status> last = next_frame(t, under_banner, banner_time + tick_slack);
    ASSERT_TRUE(last) << dump(t);
    EXPECT_EQ(last->score, 330);
    expect_lasted(between(banner_shown, t.last_output()), banner_time - tick, banner_time + tick_slack,
                  "the win banner");

    watch.stop();
    EXPECT_EQ(watch.partial(), 0) << "of " << watch.chunks() << " chunks; the first left:\n"
                                  << watch.first_partial();
    EXPECT_EQ(watch.clears(), 0) << "clear-screen sequences after the first frame";
    EXPECT_GE(watch.frames(), frames) << "frames seen whole";
    RecordProperty("chunks", watch.chunks());
    RecordProperty("frames", watch.frames());
    expect_clean_exit(t, 2s);
}

} // namespace
