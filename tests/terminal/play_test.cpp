// SPDX-License-Identifier: MIT
// The game as a player meets it: the built program in an 80 x 24 pseudo-
// terminal, read through a terminal emulator. Each scenario follows one run.
#include "scenario.h"

namespace
{

using namespace term;

using Play = Scenario;

TEST_F(Play, FirstFrameSteeringAndEscape)
{
    ASSERT_EQ(start.heading.y, 0) << "Down, typed at launch, is to turn a new snake that heads across";
    PtyTerminal t(argv);
    // Down typed ahead, before the game has switched the keypad on, comes
    // as ESC [ B, the arrow's form in the terminal's normal cursor mode. It
    // steers the second tick: every mode the game sets is in force from the
    // first frame on.
    t.send("\x1b[B");
    const std::optional<Status> first = next_frame(t, std::nullopt, startup);
    ASSERT_TRUE(first) << t.dump();

    // The first frame already shows the first step: two segments.
    const Cell first_head = start.cell + start.heading;
    EXPECT_EQ(*first, (Status{5, 0, first_head}));
    EXPECT_EQ(t.row(0), std::string(80, '*'));
    EXPECT_EQ(t.row(21), std::string(80, '*'));
    for (int y = 1; y <= 20; ++y) {
        EXPECT_TRUE(t.at(y, 0) == '*' && t.at(y, 79) == '*') << "row " << y;
    }
    EXPECT_EQ(snake_cells(t), in_screen_order({start.cell, first_head}));
    const std::optional<Cell> digit = digit_cell(t);
    ASSERT_TRUE(digit);
    EXPECT_EQ(t.at(digit->y, digit->x), '1');
    EXPECT_EQ(t.row(22), std::string(80, ' '));
    EXPECT_EQ(t.row(23).substr(0, 10), " Lives: 5 ");
    EXPECT_EQ(t.row(23).substr(10, 10), " Score: 0 ");
    std::string head_item = " x:" + std::to_string(first_head.x) + " y:" + std::to_string(first_head.y);
    head_item.resize(12, ' ');
    EXPECT_EQ(t.row(23).substr(68), head_item);

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
    ASSERT_TRUE(frame) << t.dump();
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
    EXPECT_EQ(path, expected);
    // Grown to its length by now, on the last cells of the path; unless the
    // digit lay on the way (a run in a few hundred) and made it longer.
    if (frame && frame->score == 0) {
        const std::vector<Cell> body(expected.end() - static_cast<std::ptrdiff_t>(start.length),
                                     expected.end());
        EXPECT_EQ(snake_cells(t), in_screen_order(body)) << t.dump();
    }

    // Escape: no further move, and the program ends within the rest of the
    // tick, the escape delay and one more tick.
    const auto sent = Clock::now();
    t.press(Key::escape);
    expect_clean_exit(t, wine ? 5s : 400ms);
    RecordProperty(
        "escape_to_exit_ms",
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent).count()));
}

// The arrow that runs the snake straight into the nearest wall over free
// cells, the digit's included, or none if every way is blocked.
Key into_nearest_wall(const PtyTerminal& t, Cell head, Cell heading)
{
    const std::pair<Cell, Key> ways[] = {
        {{0, -1}, Key::up}, {{0, 1}, Key::down}, {{-1, 0}, Key::left}, {{1, 0}, Key::right}};
    Key best = Key::none;
    int best_steps = 1000;
    for (const auto& [d, key] : ways) {
        if (d.x == -heading.x && d.y == -heading.y) {
            continue;
        }
        int steps = 1;
        Cell c{head.x + d.x, head.y + d.y};
        while (t.at(c.y, c.x) != '*' && t.at(c.y, c.x) != '@') {
            c = {c.x + d.x, c.y + d.y};
            ++steps;
        }
        if (t.at(c.y, c.x) == '*' && steps < best_steps) {
            best = key;
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

TEST_F(Play, FiveDeathsEndTheGame)
{
    PtyTerminal t(argv);
    std::optional<Status> frame = next_frame(t, std::nullopt, startup);
    ASSERT_TRUE(frame) << t.dump();

    // The first snake eats the 1 and grows past five segments, then runs
    // into the nearest wall.
    Chaser chaser(start.heading);
    for (int ticks = 0; frame->score == 0 || snake_cells(t).size() <= start.length; ++ticks) {
        ASSERT_LT(ticks, 600) << "the 1 not eaten after that many ticks";
        ASSERT_EQ(frame->lives, 5) << "the harness steered into something:\n" << t.dump();
        chaser.steer(t, *frame);
        const std::optional<Status> next = next_frame(t, frame, tick_slack * 2);
        ASSERT_TRUE(next) << t.dump();
        chaser.moved(frame->head, next->head);
        frame = next;
    }
    t.press(into_nearest_wall(t, frame->head, chaser.heading()));
    ASSERT_TRUE(t.pump_until([&] { return shows_banner(t, 34, death_banner); }, 10s)) << t.dump();
    const int score = status_line(t)->score;

    // Nothing typed during this banner: the new snake's heading is its own.
    // It starts over as one segment on the start cell, and grows to its
    // length, not to the length of the snake that died; the score and the
    // board stay.
    ASSERT_TRUE(
        t.pump_until([&] { return !shows_banner(t, 34, death_banner) && read_status(t); }, 3s + tick_slack))
        << t.dump();
    frame = read_status(t);
    EXPECT_EQ(*frame, (Status{4, score, start.cell}));
    EXPECT_EQ(snake_cells(t).size(), 1U);
    std::size_t segments = 1;
    std::size_t length = start.length;
    for (int move = 1; move <= 6; ++move) {
        const std::optional<Status> next = next_frame(t, frame, tick_slack);
        ASSERT_TRUE(next) << t.dump();
        if (move == 1) {
            EXPECT_EQ(next->head, start.cell + start.heading) << "the new snake's first step";
            // A digit straight ahead would lengthen it: go round.
            const std::optional<Cell> digit = digit_cell(t);
            Cell ahead = next->head;
            for (int step = 1; step <= 6 && digit; ++step) {
                ahead = ahead + start.heading;
                if (ahead == *digit) {
                    t.press(Key::down);
                }
            }
        }
        segments = std::min(segments + 1, length);
        length += static_cast<std::size_t>(digit_scoring(next->score - frame->score));
        EXPECT_EQ(snake_cells(t).size(), segments) << "after move " << move << "\n" << t.dump();
        frame = next;
    }

    // The other four deaths, in the top wall. A resize during one banner
    // (the harness's terminal alone: Wine's console keeps its size) must not
    // cut it short.
    t.press(Key::up);
    for (int lives = 4; lives >= 1; --lives) {
        ASSERT_TRUE(t.pump_until([&] { return shows_banner(t, 34, death_banner); }, 3s)) << t.dump();
        const OutputTime banner_shown = t.last_output();
        // The banner stands over the last frame, whose status is unchanged.
        EXPECT_EQ(status_line(t)->lives, lives);
        // A key typed during the banner waits for the restarted snake.
        t.press(Key::up);
        if (lives == 3 && !wine) {
            t.pump_for(300ms); // the game in its pause by now
            t.resize(25, 80);
            t.resize(24, 80);
        }

        ASSERT_TRUE(t.pump_until([&] { return !shows_banner(t, 34, death_banner) && read_status(t); },
                                 3s + tick_slack))
            << t.dump();
        frame = read_status(t);
        expect_lasted(between(banner_shown, t.last_output()), 2900ms, 3000ms + tick_slack, "a death banner");
        EXPECT_EQ(frame->lives, lives - 1);
        if (lives > 1) {
            EXPECT_EQ(frame->head, start.cell);
            EXPECT_EQ(snake_cells(t).size(), 1U);
        }
    }
    EXPECT_EQ(t.row(23).substr(0, 10), " Lives: 0 ");
    expect_clean_exit(t, 2s + tick_slack);
}

TEST_F(Play, WinsAWholeGame)
{
    PtyTerminal t(argv);
    // Read as a terminal reads it, no chunk of the game's output may leave a
    // blank or half-drawn field on the screen, and none may clear it.
    FrameWatch watch(t);
    std::optional<Status> frame = next_frame(t, std::nullopt, startup);
    ASSERT_TRUE(frame) << t.dump();

    Chaser chaser(start.heading);
    int frames = 0;
    while (!shows_banner(t, 35, win_banner)) {
        ASSERT_LT(++frames, 3000) << "no win after that many ticks";
        ASSERT_EQ(frame->lives, 5) << "the harness steered into something:\n" << t.dump();
        ASSERT_TRUE(wine || (t.modes().c_lflag & ECHO) == 0) << "the terminal echoes keys during play";
        chaser.steer(t, *frame);
        std::optional<Status> next;
        t.pump_until(
            [&] {
                next = read_status(t);
                return shows_banner(t, 35, win_banner) || (next && next != frame);
            },
            tick_slack * 2);
        if (shows_banner(t, 35, win_banner)) {
            break;
        }
        ASSERT_TRUE(next && next != frame) << t.dump();
        chaser.moved(frame->head, next->head);
        frame = next;
    }
    // The banner stands over the frame before the winning step, for its
    // three seconds.
    const OutputTime banner_shown = t.last_output();
    const std::optional<Status> under_banner = status_line(t);
    ASSERT_TRUE(under_banner);
    EXPECT_EQ(under_banner->score, 330);
    EXPECT_EQ(under_banner->lives, 5);
    const std::optional<Status> last = next_frame(t, under_banner, 3s + tick_slack);
    ASSERT_TRUE(last) << t.dump();
    EXPECT_EQ(last->score, 330);
    expect_lasted(between(banner_shown, t.last_output()), 2900ms, 3000ms + tick_slack, "the win banner");

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
