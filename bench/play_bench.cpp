// SPDX-License-Identifier: MIT
// What a player feels and what the machine pays: the release game in an
// 80 x 24 pseudo-terminal, steered round the benchmarks' circuit (circuit.h)
// for a fixed number of ticks, then quit with Escape. Prints one table of
// measured figures beside their targets.
//
//   play_bench [PROGRAM] [--ticks N] [--wrap "TOOL ARGS..."] [--command "COMMAND LINE"]
//
// PROGRAM replaces the built game; --wrap runs it under a tool that keeps it
// in the process started (Valgrind, say); --command runs a whole command line
// instead (the Windows build under Wine, for one), which is not the game's
// process: the figures read from /proc/PID are then left out.
//
// A frame is complete when the status line is whole and the cursor rests
// after it; its time is the arrival of the output that completed it. Steady
// play runs from the frame of tick 20 to the last one. The figures:
//  - CPU per tick: /proc/PID/schedstat's first field (ns on a CPU, summed
//    over the threads) at those two frames, over the ticks between;
//  - user and system time of the whole run, and per tick: wait4's rusage;
//  - bytes per frame: terminal output received between those two frames;
//    write calls per frame: syscw of /proc/PID/io, which counts them exactly;
//  - partial frames: chunks of output, read as a terminal reads them, that
//    left anything but a whole frame on the screen, from the first frame to
//    the last; clear-screen sequences: those the game sent in that time;
//  - tick period: the time between consecutive steady frames;
//  - first frame: from just before the fork that execs the program;
//  - Escape to exit: from writing Escape to the terminal to reaping the game;
//  - peak resident memory: VmHWM of /proc/PID/status just before Escape.
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "circuit.h"
#include "game_screen.h"

namespace
{

using namespace term;
namespace fs = std::filesystem;

constexpr int steady_from = 20; // ticks before this one are start-up

Key key_of(int arrow)
{
    return arrow == ARROW_UP      ? Key::up
           : arrow == ARROW_DOWN  ? Key::down
           : arrow == ARROW_LEFT  ? Key::left
           : arrow == ARROW_RIGHT ? Key::right
                                  : Key::none;
}

std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The value after "key:" in a /proc file of "key: value" lines, or -1.
long long proc_field(const std::string& text, const std::string& key)
{
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.compare(0, key.size() + 1, key + ":") == 0) {
            return std::atoll(line.c_str() + key.size() + 1);
        }
    }
    return -1;
}

// What had been received and used at one moment.
struct Sample {
    std::size_t bytes_seen = 0; // terminal output received so far
    long long cpu_ns = 0;       // the process's time on a CPU, all threads (schedstat)
    long long syscw = 0;        // its write calls
    long long hwm_kb = 0;       // its peak resident memory (VmHWM)
};

Sample sample(const PtyTerminal& t)
{
    const fs::path proc = fs::path("/proc") / std::to_string(t.pid());
    Sample s{t.bytes_received()};
    std::error_code error;
    for (const auto& task : fs::directory_iterator(proc / "task", error)) {
        s.cpu_ns += std::atoll(read_file(task.path() / "schedstat").c_str());
    }
    const std::string io = read_file(proc / "io");
    s.syscw = proc_field(io, "syscw");
    s.hwm_kb = proc_field(read_file(proc / "status"), "VmHWM");
    return s;
}

// The whole run's user + system time per tick, in us, from the rusage wait4
// gave: the process started and the processes it and its own waited for.
// Under Wine the game's process is among them; the Wine server, the console
// host and Wine's services are not, as Wine starts them detached.
double whole_run_us_per_tick(const rusage& used, int ticks)
{
    const auto us = [](const timeval& tv) { return static_cast<double>(tv.tv_sec) * 1e6 + tv.tv_usec; };
    return (us(used.ru_utime) + us(used.ru_stime)) / ticks;
}

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

void row(const std::string& figure, const std::string& value, const std::string& target = "",
         std::optional<bool> met = std::nullopt)
{
    std::printf("%-38s %22s  %-12s %s\n", figure.c_str(), value.c_str(), target.c_str(),
                met ? (*met ? "PASS" : "MISS") : "");
}

std::string fmt(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::vector<std::string> words(const std::string& line)
{
    std::istringstream in(line);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

} // namespace

int main(int argc, char** argv)
{
    const bench::Circuit circuit = bench::start_circuit(); // or ends the program, saying why
    std::string program = WRIGGLE_PROGRAM;
    std::vector<std::string> wrap;
    std::vector<std::string> command;
    int ticks = 400;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--ticks" && i + 1 < argc) {
            ticks = std::atoi(argv[++i]);
        } else if (arg == "--wrap" && i + 1 < argc) {
            wrap = words(argv[++i]);
        } else if (arg == "--command" && i + 1 < argc) {
            command = words(argv[++i]);
        } else if (arg.rfind("--", 0) == 0) {
            std::cerr << "usage: play_bench [PROGRAM] [--ticks N] [--wrap \"TOOL ARGS...\"] "
                         "[--command \"COMMAND LINE\"]\n";
            return 2;
        } else {
            program = arg;
        }
    }
    if (ticks < 300) {
        std::cerr << "play_bench: at least 300 ticks, for a steady state worth measuring\n";
        return 2;
    }
    std::vector<std::string> run = wrap;
    const bool game_started = command.empty(); // the process started runs the game
    if (game_started) {
        run.push_back(program);
    } else {
        run.insert(run.end(), command.begin(), command.end());
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
    // Asks the program's whole process group to end, and waits, before the
    // harness kills what is left: a wrapper such as wine-run then cleans up.
    const auto fail = [&](const std::string& what) {
        std::cerr << "play_bench: " << what << "\n" << t.dump();
        kill(-t.pid(), SIGTERM);
        t.wait_exit(30s);
        fs::remove(trace);
        return 1;
    };

    // Wine makes a fresh prefix at each start, which takes a while.
    const Clock::duration first_wait = !game_started ? 180s : slow ? 60s : 10s;
    std::optional<Status> frame;
    std::vector<Clock::time_point> frame_times;
    Sample at_steady;
    for (int tick = 1; tick <= ticks; ++tick) {
        frame = next_frame(t, frame, tick == 1 ? first_wait : slow ? 3s : 1s);
        if (!frame) {
            return fail("no frame for tick " + std::to_string(tick));
        }
        frame_times.push_back(last_chunk);
        const bench::Step step = circuit.after(tick); // the first frame shows the snake a step on
        if (frame->head != Cell{step.x, step.y} || frame->lives != 5) {
            return fail(tick == 1 ? "the snake did not start where newsnake() puts it"
                                  : "the snake left the circuit at tick " + std::to_string(tick));
        }
        if (tick == steady_from) {
            at_steady = sample(t);
        }
        t.press(key_of(step.key));
    }
    const Sample at_end = sample(t); // just before Escape, when the game has played all its ticks
    watch.stop();

    const Clock::time_point escape_sent = Clock::now();
    t.press(Key::escape);
    const std::optional<int> status = t.wait_exit(slow ? 60s : 5s);
    const Clock::time_point reaped = Clock::now();
    if (!status) {
        return fail("the program did not end after Escape");
    }

    // Steady play: from the frame of tick 20 to the last one.
    const double steady_ticks = ticks - steady_from;
    std::vector<double> periods;
    for (std::size_t i = steady_from; i < frame_times.size(); ++i) {
        periods.push_back(ms(frame_times[i] - frame_times[i - 1]));
    }
    const double cpu_us = static_cast<double>(at_end.cpu_ns - at_steady.cpu_ns) / 1e3 / steady_ticks;
    const double bytes = static_cast<double>(at_end.bytes_seen - at_steady.bytes_seen) / steady_ticks;
    const double writes = static_cast<double>(at_end.syscw - at_steady.syscw) / steady_ticks;
    const double median = percentile(periods, 50);
    const double p95 = percentile(periods, 95);
    const double p99 = percentile(periods, 99);
    const double tick_ms = snakespeed; // the game's pause per tick
    const rusage& used = t.usage();
    const auto seconds = [](const timeval& tv) { return static_cast<double>(tv.tv_sec) + tv.tv_usec / 1e6; };

    std::string command_line;
    for (const std::string& w : run) {
        command_line += (command_line.empty() ? "" : " ") + w;
    }
    std::printf("play_bench: %s\n", command_line.c_str());
    std::printf("80x24 pseudo-terminal, TERM=xterm-256color, %d ticks round the circuit %s; steady play = "
                "ticks %d to %d\n\n",
                ticks, circuit.text.c_str(), steady_from, ticks);
    row("figure", "measured", "target");
    if (game_started) {
        row("CPU per tick, steady (schedstat)", fmt("%.1f us", cpu_us), "<= 260 us", cpu_us <= 260);
    }
    row("  user + system time, whole run",
        fmt("%.3f s", seconds(used.ru_utime)) + " + " + fmt("%.3f s", seconds(used.ru_stime)));
    row("  user + system per tick, whole run", fmt("%.1f us", whole_run_us_per_tick(used, ticks)));
    row("bytes to the terminal per frame", fmt("%.1f", bytes), "<= 500", bytes <= 500);
    if (game_started) {
        row("write calls per frame (syscw)", fmt("%.2f", writes), "1.0", writes < 1.005);
    }
    row("partial frames seen", fmt("%.0f", watch.partial()) + fmt(" of %.0f chunks", watch.chunks()), "0",
        watch.partial() == 0);
    row("clear-screen sequences sent", fmt("%.0f", watch.clears()), "0", watch.clears() == 0);
    row("tick period, median", fmt("%.2f ms", median) + fmt(" = %.4fx", median / tick_ms), "<= 100.6 ms",
        median <= 100.6);
    row("tick period, 95th percentile", fmt("%.2f ms", p95) + fmt(" = %.4fx", p95 / tick_ms), "<= 101.5 ms",
        p95 <= 101.5);
    row("tick period, 99th percentile", fmt("%.2f ms", p99) + fmt(" = %.4fx", p99 / tick_ms));
    const double first_frame = ms(frame_times.front() - started);
    row("fork+exec to first whole frame", fmt("%.1f ms", first_frame), "<= 20 ms", first_frame <= 20);
    row("Escape sent to process reaped", fmt("%.1f ms", ms(reaped - escape_sent)), "<= 230 ms",
        ms(reaped - escape_sent) <= 230);
    if (game_started) {
        row("peak resident memory (VmHWM)", fmt("%.0f kB", static_cast<double>(at_end.hwm_kb)), "<= 4096 kB",
            at_end.hwm_kb <= 4096);
    }
    row("  max RSS (wait4)", fmt("%.0f kB", static_cast<double>(used.ru_maxrss)));
    if (!WIFEXITED(*status) || WEXITSTATUS(*status) != 0) {
        row("exit status", "abnormal (" + std::to_string(*status) + ")");
    }
    if (slow) {
        std::printf("\n(the targets are for the game run directly: these figures include what %s adds)\n",
                    game_started ? "the tool" : "the command");
    }
    if (!game_started) {
        std::printf("(the game is not the process started: its own CPU, write calls and memory are left\n"
                    "out; the whole run's time is that of every process reaped, start-up included)\n");
    }

    const std::string traced = read_file(trace);
    if (!traced.empty()) {
        std::printf("\ncurses trace at endwin: %s%s", traced.c_str(), traced.back() == '\n' ? "" : "\n");
    }
    fs::remove(trace);
    return 0;
}
