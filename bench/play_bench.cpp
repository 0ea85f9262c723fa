// SPDX-License-Identifier: MIT
// What a player feels and what the machine pays: the release game in an
// 80 x 24 pseudo-terminal, steered round the benchmarks' circuit (circuit.h),
// then quit with Escape; its figures beside their targets.
//
//   play_bench [PROGRAM] [--ticks N] [--wrap "TOOL ARGS..."] [--command "COMMAND LINE"]
//
// PROGRAM replaces the built game; N (400) is at least 300, for a steady state
// worth measuring. --wrap runs the game under a tool that keeps it in the
// process started (Valgrind, say); --command runs a whole command line instead
// (the Windows build under Wine), not the game's: /proc/PID's figures left out.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include "circuit.h"
#include "game_screen.h"

namespace
{

using namespace term;
namespace fs = std::filesystem;

constexpr int steady_from = 20; // ticks before this one are start-up
using Ms = std::chrono::duration<double, std::milli>;

// The output received so far, and the program's write calls, peak resident
// memory in kB and time on a CPU in ns, summed over its threads.
struct Sample {
    long long bytes, syscw, hwm_kb, cpu_ns;
};

Sample sample(const PtyTerminal& t)
{
    Sample s{static_cast<long long>(t.bytes_received()), proc_value(t.pid(), "io", "syscw"),
             proc_value(t.pid(), "status", "VmHWM"), 0};
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(t.pid()) + "/task", error)) {
        long long ns = 0;
        std::ifstream(task.path() / "schedstat") >> ns;
        s.cpu_ns += ns;
    }
    return s;
}

template <typename... Values> std::string fmt(const char* format, Values... values)
{
    char text[96];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// One row of the table; a figure with a target says whether it met it.
void row(const std::string& figure, const std::string& value, const std::string& target = "",
         std::optional<bool> met = std::nullopt)
{
    std::printf("%-38s %22s  %-12s %s\n", figure.c_str(), value.c_str(), target.c_str(),
                met ? (*met ? "PASS" : "MISS") : "");
}

} // namespace

int main(int argc, char** argv)
{
    const bench::Circuit circuit = bench::start_circuit(); // or ends the program, saying why
    std::string program = WRIGGLE_PROGRAM;
    std::vector<std::string> run; // --wrap's words, then the game or --command's
    std::vector<std::string> command;
    int ticks = 400;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--ticks" && i + 1 < argc && std::atoi(argv[i + 1]) >= 300) {
            ticks = std::atoi(argv[++i]);
        } else if (arg == "--wrap" && i + 1 < argc) {
            run = words(argv[++i]);
        } else if (arg == "--command" && i + 1 < argc) {
            command = words(argv[++i]);
        } else if (arg.starts_with("--")) {
            std::fprintf(stderr, "usage: play_bench [PROGRAM] [--ticks N >= 300] [--wrap \"TOOL ARGS...\"] "
                                 "[--command \"COMMAND LINE\"]\n");
            return 2;
        } else {
            program = arg;
        }
    }
    const bool game_started = command.empty(); // the process started runs the game
    run.insert(run.end(), command.begin(), command.end());
    if (game_started) {
        run.push_back(program);
    }
    const bool slow = run.size() > 1; // under a tool or Wine
    // Our own Windows curses reports at endwin how it wrote to the console.
    const fs::path trace = fs::temp_directory_path() / ("play_bench-trace." + std::to_string(getpid()));
    fs::remove(trace);
    Clock::time_point last_chunk{};
    const Clock::time_point started = Clock::now(); // just before the fork that execs the program
    PtyTerminal t(run, {"WRIGGLE_CURSES_TRACE=" + trace.string()});
    t.on_output = [&](std::string_view, Clock::time_point when) { last_chunk = when; };
    FrameWatch watch(t);
    // Asks the program's process group to end and waits, before the harness
    // kills what is left: a wrapper such as wine-run then cleans up.
    const auto fail = [&](const std::string& what) {
        std::fprintf(stderr, "play_bench: %s\n%s", what.c_str(), t.dump().c_str());
        kill(-t.pid(), SIGTERM);
        t.wait_exit(30s);
        fs::remove(trace);
        return 1;
    };
    // Wine makes a fresh prefix at each start, which takes a while.
    const Clock::duration first_wait = !game_started ? 180s : slow ? 60s : 10s;
    std::optional<Status> frame;
    std::vector<Clock::time_point> frame_times;
    Sample steady{};
    for (int tick = 1; tick <= ticks; ++tick) {
        frame = next_frame(t, frame, tick == 1 ? first_wait : slow ? 3s : 1s);
        if (!frame) {
            return fail("no frame for tick " + std::to_string(tick));
        }
        frame_times.push_back(last_chunk);
        const bench::Step step = circuit.after(tick); // the first frame shows the snake a step on
        if (frame->head != Cell{step.x, step.y} || frame->lives != lives) {
            return fail(tick == 1 ? "the snake did not start where newsnake() puts it"
                                  : "the snake left the circuit at tick " + std::to_string(tick));
        }
        if (tick == steady_from) {
            steady = sample(t);
        }
        const std::optional<Direction> turn = direction(&Direction::code, step.key);
        t.press(turn ? turn->key : Key::none);
    }
    const Sample end = sample(t); // just before Escape, when the game has played all its ticks
    watch.stop();

    const Clock::time_point escape_sent = Clock::now();
    t.press(Key::escape);
    const std::optional<int> status = t.wait_exit(slow ? 60s : 5s);
    const double escape_ms = Ms(Clock::now() - escape_sent).count();
    if (!status) {
        return fail("the program did not end after Escape");
    }
    const double steady_ticks = ticks - steady_from;
    const double cpu_us = static_cast<double>(end.cpu_ns - steady.cpu_ns) / 1e3 / steady_ticks;
    const double bytes = static_cast<double>(end.bytes - steady.bytes) / steady_ticks;
    const double writes = static_cast<double>(end.syscw - steady.syscw) / steady_ticks;
    std::vector<double> periods; // between consecutive steady frames
    for (std::size_t i = steady_from; i < frame_times.size(); ++i) {
        periods.push_back(Ms(frame_times[i] - frame_times[i - 1]).count());
    }
    std::sort(periods.begin(), periods.end());
    // The nearest rank: the ceil(n p / 100)th of n periods.
    const auto percentile = [&](std::size_t p) { return periods[(periods.size() * p + 99) / 100 - 1]; };
    const double median = percentile(50);
    const double p95 = percentile(95);
    const double p99 = percentile(99);
    // The process started and those it and its own waited for: under Wine
    // the game's, not the server's, console host's or services', detached.
    const rusage& used = t.usage();
    const double user_s = static_cast<double>(used.ru_utime.tv_sec * 1000000 + used.ru_utime.tv_usec) / 1e6;
    const double system_s = static_cast<double>(used.ru_stime.tv_sec * 1000000 + used.ru_stime.tv_usec) / 1e6;

    std::printf("play_bench:");
    for (const std::string& word : run) {
        std::printf(" %s", word.c_str());
    }
    std::printf("\n80x24 pseudo-terminal, TERM=xterm-256color, %d ticks round the circuit %s; steady play = "
                "ticks %d to %d\n\n",
                ticks, circuit.text.c_str(), steady_from, ticks);
    row("figure", "measured", "target");
    if (game_started) {
        row("CPU per tick, steady (schedstat)", fmt("%.1f us", cpu_us), "<= 260 us", cpu_us <= 260);
    }
    row("  user + system time, whole run", fmt("%.3f s + %.3f s", user_s, system_s));
    row("  user + system per tick, whole run", fmt("%.1f us", (user_s + system_s) * 1e6 / ticks));
    row("bytes to the terminal per frame", fmt("%.1f", bytes), "<= 500", bytes <= 500);
    if (game_started) {
        row("write calls per frame (syscw)", fmt("%.2f", writes), "1.0", writes < 1.005);
    }
    row("partial frames seen", fmt("%d of %d chunks", watch.partial(), watch.chunks()), "0",
        watch.partial() == 0);
    row("clear-screen sequences sent", fmt("%d", watch.clears()), "0", watch.clears() == 0);
    const auto period = [](double ms) { return fmt("%.2f ms = %.4fx", ms, ms / snakespeed); };
    row("tick period, median", period(median), "<= 1.006x", median <= 1.006 * snakespeed);
    row("tick period, 95th percentile", period(p95), "<= 1.015x", p95 <= 1.015 * snakespeed);
    row("tick period, 99th percentile", period(p99));
    const double first_ms = Ms(frame_times.front() - started).count();
    row("fork+exec to first whole frame", fmt("%.1f ms", first_ms), "<= 20 ms", first_ms <= 20);
    row("Escape sent to process reaped", fmt("%.1f ms", escape_ms), "<= 230 ms", escape_ms <= 230);
    if (game_started) {
        row("peak resident memory (VmHWM)", fmt("%lld kB", end.hwm_kb), "<= 4096 kB", end.hwm_kb <= 4096);
    }
    row("  max RSS (wait4)", fmt("%ld kB", used.ru_maxrss));
    if (*status != 0) { // not exited with status 0
        row("exit status", fmt("abnormal (%d)", *status));
    }
    if (slow) {
        std::printf("\n(the targets are for the game run directly: these figures include what %s adds)\n",
                    game_started ? "the tool" : "the command");
    }
    if (!game_started) {
        std::printf("(the game is not the process started: its own CPU, write calls and memory are left\n"
                    "out; the whole run's time is that of every process reaped, start-up included)\n");
    }

    std::ifstream traced(trace);
    if (const std::string text{std::istreambuf_iterator<char>(traced), {}}; !text.empty()) {
        std::printf("\ncurses trace at endwin: %s%s", text.c_str(), text.back() == '\n' ? "" : "\n");
    }
    fs::remove(trace);
    return 0;
}
