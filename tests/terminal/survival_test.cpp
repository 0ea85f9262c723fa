// SPDX-License-Identifier: MIT
// What players and systems throw at a running game: key floods, resizes and
// requests to stop. The game must go on, or end at once, and always leave
// the terminal as it found it.
#include <csignal>
#include <random>

#include "scenario.h"

namespace
{

using namespace term;

using Survival = Scenario;

// Bytes a player may type that reach the program as keys: all but those that
// end the game (Escape) and the characters the terminal driver itself acts
// on (signals, flow control).
std::vector<char> typeable_bytes(const termios& modes, bool printable_only)
{
    const cc_t driver[] = {modes.c_cc[VINTR], modes.c_cc[VQUIT],  modes.c_cc[VSUSP],
                           modes.c_cc[VSTOP], modes.c_cc[VSTART], modes.c_cc[VLNEXT]};
    std::vector<char> bytes;
    for (int b = printable_only ? 32 : 0; b < (printable_only ? 127 : 256); ++b) {
        if (b != KEY_ESC && std::find(std::begin(driver), std::end(driver), b) == std::end(driver)) {
            bytes.push_back(static_cast<char>(b));
        }
    }
    return bytes;
}

// The frame drawn for a terminal of rows x cols: the walls of the field as
// far as they fit, the status line if its row fits, nothing beyond.
bool shows_field_cut_to(const PtyTerminal& t, int rows, int cols)
{
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const bool wall = r < mapheight && c < mapwidth &&
                              (r == 0 || r == mapheight - 1 || c == 0 || c == mapwidth - 1);
            const bool blank = c >= mapwidth || (r >= mapheight && r != status_row);
            if ((t.at(r, c) == '*') != wall || (blank && t.at(r, c) != ' ')) {
                return false;
            }
        }
    }
    return rows <= status_row || status_line(t).has_value();
}

// The median interval between consecutive frames, at least and at most, as
// the harness can tell.
Span median_interval(const std::vector<OutputTime>& frames)
{
    std::vector<Clock::duration> least;
    std::vector<Clock::duration> most;
    for (std::size_t i = 1; i < frames.size(); ++i) {
        const Span s = between(frames[i - 1], frames[i]);
        least.push_back(s.least);
        most.push_back(s.most);
    }
    std::sort(least.begin(), least.end());
    std::sort(most.begin(), most.end());
    return least.empty() ? Span{} : Span{least[least.size() / 2], most[most.size() / 2]};
}

TEST_F(Survival, FloodsAndResizes)
{
    // The player's own escape delay, which the game must not override.
    PtyTerminal t(argv, {"ESCDELAY=1000"});
    std::optional<Status> frame = next_frame(t, std::nullopt, startup);
    ASSERT_TRUE(starts_as_the_rules_say(t, frame));
    frame = next_frame(t, frame, tick_slack);
    ASSERT_TRUE(frame) << dump(t);
    ASSERT_EQ(frame->head, start.cell + start.heading + start.heading) << "the second step of the snake";

    // Wine's console takes in all typed input at once into a queue of its
    // own, and turns some control characters into no key at all, so the
    // check of the terminal's queue, and bytes other than printable ASCII,
    // are for the Linux terminal alone.
    std::mt19937 random(2024);
    std::vector<char> bytes = typeable_bytes(t.modes_at_start(), wine);
    if (!wine) {
        // Thousands of bytes at once: the game takes one key per tick from
        // the terminal's queue and keeps its pace. None of them steers.
        std::string flood;
        while (flood.size() < 3000) {
            std::shuffle(bytes.begin(), bytes.end(), random);
            flood.append(bytes.begin(), bytes.end());
        }
        t.send(flood);
        frame = next_frame(t, frame, tick_slack); // the bytes have reached the queue
        ASSERT_TRUE(frame) << dump(t);
        const int queued = t.input_waiting();
        EXPECT_GT(queued, 2500);
        int frames = 0;
        for (const auto end = Clock::now() + 20 * tick; Clock::now() < end;) {
            const std::optional<Status> next = next_frame(t, frame, tick_slack);
            ASSERT_TRUE(next) << dump(t);
            EXPECT_EQ(next->head, frame->head + start.heading);
            frame = next;
            ++frames;
        }
        EXPECT_GE(frames, 15);
        const int taken = queued - t.input_waiting();
        EXPECT_GE(taken, frames - 2) << "one byte a tick";
        EXPECT_LE(taken, frames + 2) << "one byte a tick";
        t.drop_input();

        // Another program writes to the terminal mid-game, as wall(1) does,
        // and its lines scroll the field away. The next frame puts every
        // cell back in place.
        t.write_from_elsewhere(
            "\r\n\aBroadcast message from root (pts/1):\r\n\r\nThe system is going down\r\n\r\n");
        ASSERT_TRUE(t.pump_until([&] { return t.screen().find("going down") != std::string::npos; }, 2s));
        frame = next_frame(t, frame, tick_slack);
        ASSERT_TRUE(frame) << dump(t);
        EXPECT_TRUE(clean_frame(t)) << dump(t);
    }

    // A serpentine across the field typed in one go: each turn followed by
    // filler keys (every typeable byte, and bursts of arrows that change
    // nothing) that each take exactly one tick, so the path shows whether
    // any key was lost or taken twice.
    std::shuffle(bytes.begin(), bytes.end(), random);
    std::vector<Key> plan;
    std::size_t next_filler = 0;
    const auto type_key = [&](Key k) {
        plan.push_back(k);
        t.press(k);
    };
    const auto type_fillers = [&](int n, Key same_way) {
        for (int i = 0; i < n; ++i) {
            if (i % 5 == 4) {
                type_key(same_way); // an arrow the way the snake already goes
            } else {
                plan.push_back(Key::none);
                t.send(std::string(1, bytes[next_filler++ % bytes.size()]));
            }
        }
    };
    // Legs of 15 cells, first towards whichever wall leaves room for them.
    const Cell from = frame->head;
    const bool down_first = from.y + 15 < mapheight - 1;
    for (int leg = 0; next_filler < bytes.size(); ++leg) {
        const Key vertical = (leg % 2 == 0) == down_first ? Key::down : Key::up;
        type_key(vertical);
        type_fillers(14, vertical);
        type_key(Key::right);
        type_fillers(1, Key::left); // a reversal, refused
    }

    std::vector<Cell> expected;
    Cell head = from;
    Cell way = start.heading;
    for (const Key k : plan) {
        const std::optional<Direction> turn = direction(&Direction::key, k);
        if (turn && turn->step + way != Cell{0, 0}) { // no reversal
            way = turn->step;
        }
        head = head + way;
        expected.push_back(head);
    }
    // Each frame reaches the terminal in one write, as the kernel counts the
    // program's write calls: a frame in many writes may be shown half drawn.
    // Not under Wine, whose process is not the game, nor under Valgrind,
    // whose scheduler writes to a pipe of its own around system calls.
    const bool own_writes = !wine && !valgrind;
    const long long writes_before = own_writes ? proc_value(t.pid(), "io", "syscw") : 0;
    std::vector<OutputTime> shown;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        frame = next_frame(t, frame, tick_slack);
        ASSERT_TRUE(frame) << "tick " << i << "\n" << dump(t);
        ASSERT_EQ(frame->head, expected[i]) << "tick " << i;
        shown.push_back(t.last_output());
    }
    if (own_writes) {
        const long long writes = proc_value(t.pid(), "io", "syscw") - writes_before;
        ASSERT_GE(writes_before, 0) << "no write count in /proc/" << t.pid() << "/io";
        EXPECT_LE(writes, 2 * static_cast<long long>(expected.size()))
            << "write calls for " << expected.size() << " frames";
        RecordProperty("writes", static_cast<int>(writes));
    }
    EXPECT_EQ(frame->lives, start.lives);
    // A tick of the game's length, keys or none: the median interval between
    // frames, so that a busy machine's odd late frame does not count.
    // Valgrind lengthens every tick itself.
    const Span median = median_interval(shown);
    expect_lasted(median, tick * 49 / 50, valgrind ? 10 * tick : tick * 26 / 25, "the median tick");
    RecordProperty(
        "tick_median_us",
        static_cast<int>(std::chrono::duration_cast<std::chrono::microseconds>(median.most).count()));

    if (!wine) {
        // An arrow whose bytes come apart within the player's escape delay is
        // still an arrow: the game goes on (its own 25 ms would quit).
        t.send("\x1b");
        t.pump_for(300ms);
        t.send("OC"); // the rest of Right, in the keypad's cursor-key mode
        frame = next_frame(t, frame, 2s);
        ASSERT_TRUE(frame) << dump(t);
        EXPECT_EQ(frame->head.y, expected.back().y);

        // Shrunk to 40 x 12, then grown to 100 x 30: the game goes on, and
        // the next frames are whole at each size. Wine's console keeps its
        // size whatever the terminal's; the console check resizes it from
        // inside instead.
        t.resize(12, 40);
        ASSERT_TRUE(t.pump_until([&] { return shows_field_cut_to(t, 12, 40); }, tick_slack)) << dump(t);
        t.resize(30, 100);
        frame = next_frame(t, std::nullopt, tick_slack);
        frame = next_frame(t, frame, tick_slack);
        ASSERT_TRUE(frame) << dump(t);
        EXPECT_TRUE(shows_field_cut_to(t, 30, 100)) << dump(t);
        EXPECT_EQ(frame->head.y, expected.back().y);
    }

    // An escape sequence cut short is an Escape: the game quits once the
    // escape delay is over. Wine's console holds such a sequence until more
    // comes, so there a real Escape follows.
    t.send("\x1b[1;5");
    if (wine && !t.wait_exit(500ms)) {
        t.press(Key::escape);
    }
    expect_clean_exit(t, wine ? 6s : 2s);
    // The terminal shows what it showed before the game: nothing.
    EXPECT_EQ(t.screen().find_first_not_of(" |\n"), std::string::npos) << dump(t);
}

// Ctrl-C, Ctrl-\, a termination request and a hang-up, during play and
// during a death banner: the game ends within a tick or so, by
// that signal, drawing nothing more, with the terminal's modes as before and
// the cursor showing.
TEST_F(Survival, StopRequests)
{
    struct Stop {
        const char* name;
        int signal;
        const char* key; // typed, or else the signal is sent
    };
    std::vector<Stop> stops{{"Ctrl-C", SIGINT, "\x03"}};
    if (!wine) {
        stops.push_back({"Ctrl-\\", SIGQUIT, "\x1c"});
        stops.push_back({"SIGTERM", SIGTERM, nullptr});
        stops.push_back({"SIGHUP", SIGHUP, nullptr});
    }
    for (const Stop& stop : stops) {
        for (const bool in_banner : {false, true}) {
            SCOPED_TRACE(std::string(stop.name) + (in_banner ? " during the banner" : " during play"));
            PtyTerminal t(argv);
            std::optional<Status> frame = next_frame(t, std::nullopt, startup);
            ASSERT_TRUE(frame) << dump(t);
            if (in_banner) {
                t.press(Key::up);
                ASSERT_TRUE(t.pump_until([&] { return shows_banner(t, death_banner); }, banner_time))
                    << dump(t);
            } else {
                frame = next_frame(t, frame, tick_slack);
                ASSERT_TRUE(frame) << dump(t);
            }
            const OutputTime frame_written = t.last_output();

            // Whatever the game draws from here on, a new frame or a banner
            // over one, as the screen shows it or, where the end of the run
            // comes in the same chunk and leaves the screen at once, as its
            // text in the output.
            int drawn = 0;
            std::optional<Status> shown = status_line(t);
            bool banner = in_banner;
            t.on_output = [&](std::string_view chunk, Clock::time_point) {
                const std::optional<Status> now = status_line(t);
                const bool new_banner = !banner && shows_banner(t, death_banner);
                const bool text = chunk.find("Lives: ") != std::string_view::npos ||
                                  chunk.find("You died!") != std::string_view::npos;
                if ((now && now != shown) || new_banner || text) {
                    ++drawn;
                }
                shown = now ? now : shown;
                banner = banner || new_banner;
            };
            const auto sent = Clock::now();
            if (stop.key != nullptr) {
                t.send(stop.key);
            } else {
                kill(t.pid(), stop.signal);
            }
            const std::optional<int> status = wait_end(t, wine ? 3s : 5 * tick);
            ASSERT_TRUE(status) << "still running after " << dump(t);
            // Wine ends a program stopped by Ctrl-C with a Windows status.
            if (!wine) {
                EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == stop.signal)
                    << "wait status " << *status;
            }
            // During play the frame of the next tick may already have been
            // on its way if the stop came half a tick or more after the last
            // frame could have been written, the harness being slow.
            const bool late = !in_banner && sent - frame_written.after > tick / 2;
            EXPECT_LE(drawn, late ? 1 : 0) << "frames or banners drawn after the stop";
            EXPECT_TRUE(same_modes(t.modes(), t.modes_at_start()));
            EXPECT_TRUE(t.cursor_visible());
            RecordProperty(
                std::string(stop.name) + (in_banner ? "_banner" : "_play") + "_ms",
                static_cast<int>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent).count()));
        }
    }
}

} // namespace
