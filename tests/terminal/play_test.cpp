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
    PtyTerminal t(argv);
    const std::optional<Status> first = next_frame(t, std::nullopt, startup);
    ASSERT_TRUE(first) << t.dump();

    // The first frame already shows the first step: two segments.
    EXPECT_EQ(*first, (Status{5, 0, {4, 3}}));
    EXPECT_EQ(t.row(0), std::string(80, '*'));
    EXPECT_EQ(t.row(21), std::string(80, '*'));
    for (int y = 1; y <= 20; ++y) {
        EXPECT_TRUE(t.at(y, 0) == '*' && t.at(y, 79) == '*') << "row " << y;
    }
    EXPECT_EQ(snake_cells(t), (std::vector<Cell>{{3, 3}, {4, 3}}));
    const std::optional<Cell> digit = digit_cell(t);
    ASSERT_TRUE(digit);
    EXPECT_EQ(t.at(digit->y, digit->x), '1');
    EXPECT_EQ(t.row(22), std::string(80, ' '));
    EXPECT_EQ(t.row(23).substr(0, 10), " Lives: 5 ");
    EXPECT_EQ(t.row(23).substr(10, 10), " Score: 0 ");
    EXPECT_EQ(t.row(23).substr(68), " x:4 y:3    ");

    // An arrow typed during the first tick steers the second: every mode the
    // game sets is in force from the first frame on. Wine's console hands
    // the very first keys of a run to the program a tick late, so there the
    // turn may come a tick later. Going up instead of down when the digit
    // lies on the way down keeps the path clear.
    const bool digit_below = digit->y >= 4 && digit->y <= 5 && digit->x >= 4 && digit->x <= 8;
    const Key turn = digit_below ? Key::up : Key::down;
    const int dy = digit_below ? -1 : 1;
    t.press(turn);
    std::vector<Cell> heads{first->head};
    std::optional<Status> frame = first;
    while (heads.size() < 3 && heads.back().y == 3 && (frame = next_frame(t, frame, tick_slack))) {
        heads.push_back(frame->head);
    }
    ASSERT_TRUE(frame) << t.dump();
    ASSERT_EQ(heads.back().y, 3 + dy) << "the first arrow did not steer";
    if (!wine) {
        EXPECT_EQ(heads.size(), 2U) << "the first arrow steered late";
    }

    // Then keys typed faster than the ticks: each steers one tick, none is
    // lost or taken twice, and the reversal (Left) is ignored.
    const Cell turned = heads.back();
    t.press({Key::right, Key::left, turn, Key::right});
    const std::vector<Cell> expected{turned,
                                     {turned.x + 1, turned.y},
                                     {turned.x + 2, turned.y},
                                     {turned.x + 2, turned.y + dy},
                                     {turned.x + 3, turned.y + dy}};
    std::vector<Cell> path{turned};
    while (path.size() < expected.size() && (frame = next_frame(t, frame, tick_slack))) {
        path.push_back(frame->head);
    }
    EXPECT_EQ(path, expected);
    // Five segments by now, on the last five cells of the path.
    std::vector<Cell> body = expected;
    std::sort(body.begin(), body.end(), [](Cell a, Cell b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
    EXPECT_EQ(snake_cells(t), body) << t.dump();

    // Escape: no further move, and the program ends within a few ticks.
    const auto sent = Clock::now();
    t.press(Key::escape);
    expect_clean_exit(t, wine ? 5s : 1s);
    RecordProperty(
        "escape_to_exit_ms",
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent).count()));
}

TEST_F(Play, FiveDeathsEndTheGame)
{
    PtyTerminal t(argv);
    std::optional<Status> frame = next_frame(t, std::nullopt, startup);
    ASSERT_TRUE(frame) << t.dump();
    t.press(Key::up); // into the top wall, three ticks away

    for (int lives = 5; lives >= 1; --lives) {
        ASSERT_TRUE(t.pump_until([&] { return shows_banner(t, 34, death_banner); }, 2s)) << t.dump();
        const auto banner_seen = Clock::now();
        // The banner stands over the last frame, whose status is unchanged.
        EXPECT_EQ(status_line(t)->lives, lives);
        // A key typed during the banner waits for the restarted snake.
        t.press(Key::up);

        ASSERT_TRUE(t.pump_until([&] { return !shows_banner(t, 34, death_banner) && read_status(t); },
                                 3s + tick_slack))
            << t.dump();
        frame = read_status(t);
        const auto banner_time = Clock::now() - banner_seen;
        EXPECT_GT(banner_time, 2900ms);
        EXPECT_LT(banner_time, 3000ms + tick_slack);
        EXPECT_EQ(frame->lives, lives - 1);
        if (lives > 1) {
            // A new one-segment snake at (3,3); the board and score stay.
            EXPECT_EQ(frame->head, (Cell{3, 3}));
            EXPECT_EQ(snake_cells(t).size(), 1u);
        }
    }
    EXPECT_EQ(t.row(23).substr(0, 10), " Lives: 0 ");
    expect_clean_exit(t, 2s + tick_slack);
}

TEST_F(Play, WinsAWholeGame)
{
    PtyTerminal t(argv);
    // Read as a terminal reads it, no chunk of the game's output may leave a
    // blank or half-drawn field on the screen. The harness types nothing
    // while the terminal would echo it: never, once the game has set its
    // modes, but Wine's console takes the terminal over only a little after
    // its first frames.
    FrameWatch watch(t);
    std::optional<Status> frame = next_frame(t, std::nullopt, startup);
    ASSERT_TRUE(frame) << t.dump();

    const auto arrow = [](Cell d) {
        return d.x == 1 ? Key::right : d.x == -1 ? Key::left : d.y == 1 ? Key::down : Key::up;
    };
    Cell heading{1, 0};
    // One turn at a time: the next key goes only once the last one has been
    // seen to turn the snake. Wine's console can hand a key to the game a
    // tick late; a key pressed every frame regardless would then keep one
    // stale key waiting in the game's queue for good, every turn would come
    // a tick late, and the steering could circle a digit for ever.
    Key unseen = Key::none;
    int frames = 0;
    while (!shows_banner(t, 35, win_banner)) {
        ASSERT_LT(++frames, 3000) << "no win after that many ticks";
        ASSERT_EQ(frame->lives, 5) << "the harness steered into something:\n" << t.dump();
        const Key key = arrow_towards_digit(t, frame->head, heading);
        const bool echoes = (t.modes().c_lflag & ECHO) != 0;
        ASSERT_TRUE(wine || !echoes) << "the terminal echoes keys during play";
        if (key != arrow(heading) && unseen == Key::none && !echoes) {
            t.press(key);
            unseen = key;
        }
        const Cell was = frame->head;
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
        frame = next;
        heading = Cell{frame->head.x - was.x, frame->head.y - was.y};
        if (arrow(heading) == unseen) {
            unseen = Key::none;
        }
    }
    // The banner stands over the frame before the winning step.
    const std::optional<Status> under_banner = status_line(t);
    ASSERT_TRUE(under_banner);
    EXPECT_EQ(under_banner->score, 330);
    EXPECT_EQ(under_banner->lives, 5);
    const std::optional<Status> last = next_frame(t, under_banner, 3s + tick_slack);
    ASSERT_TRUE(last) << t.dump();
    EXPECT_EQ(last->score, 330);

    watch.stop();
    EXPECT_EQ(watch.partial(), 0) << "of " << watch.chunks() << " chunks; the first left:\n"
                                  << watch.first_partial();
    EXPECT_GE(watch.frames(), frames) << "frames seen whole";
    RecordProperty("chunks", watch.chunks());
    RecordProperty("frames", watch.frames());
    expect_clean_exit(t, 2s);
}

} // namespace
