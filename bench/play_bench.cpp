// SPDX-License-Identifier: MIT
// What a player feels and what the machine pays: the release game in an
// 80 x 24 pseudo-terminal, steered round the benchmarks' circuit (circuit.h)
// for a fixed number of ticks, then quit with Escape. Prints one table of
// measured figures beside their targets.
//
//   play_bench [PROGRAM] [--ticks N] [--wrap "TOOL ARGS..."] [--command "COMMAND LINE"]
//
// PROGRAM replaces the built game; --wrap runs it under a tool (a profiler,
// say); --command runs a whole command line instead (the Windows build under
// Wine, for one), whose process tree is then measured.
//
// A frame is complete when the status line is whole and the cursor rests
// after it; its time is the arrival of the output that completed it. Steady
// play runs from the frame of tick 20 to the last one. The figures:
//  - CPU per tick: /proc/PID/schedstat's first field (ns on a CPU, summed
//    over the threads) at those two frames, over the ticks between;
//  - user and system time of the whole run: the rusage wait4 gives;
//  - bytes per frame: terminal output received between those two frames;
//    write calls per frame: syscw of /proc/PID/io, which counts them exactly;
//  - partial frames: chunks of output, read as a terminal reads them, that
//    left anything but a whole frame on the screen, from the first frame to
//    the last; clear-screen sequences: those the game sent in that time
//    (every frame repaints every cell in place, without one);
//  - tick period: the time between consecutive steady frames;
//  - first frame: from just before the fork that execs the program to the
//    first complete frame;
//  - Escape to exit: from writing Escape to the terminal to reaping the game;
//  - peak resident memory: VmHWM of /proc/PID/status just before Escape.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
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

// Time on a CPU, in ns, of all threads of a process (first schedstat field).
long long cpu_ns(pid_t pid)
{
    long long sum = 0;
    std::error_code error;
    for (const auto& task : fs::directory_iterator(fs::path("/proc") / std::to_string(pid) / "task", error)) {
        sum += std::atoll(read_file(task.path() / "schedstat").c_str());
    }
    return sum;
}

// Time on a CPU, in ns, of a process with its ended threads, in clock ticks
// (utime + stime of /proc/PID/stat): coarse, but nothing is lost when a
// thread ends between two readings.
long long stat_cpu_ns(pid_t pid)
{
    const std::string stat = read_file(fs::path("/proc") / std::to_string(pid) / "stat");
    const auto close = stat.rfind(')');
    if (close == std::string::npos) {
        return 0;
    }
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    long long utime = 0;
    long long stime = 0;
    for (int i = 3; i <= 13 && fields >> field; ++i) {
    }
    fields >> utime >> stime;
    return (utime + stime) * 1000000000LL / sysconf(_SC_CLK_TCK);
}

struct Proc {
    std::string name; // comm
    pid_t session = 0;
    std::string wineprefix;
};

std::optional<Proc> proc_info(pid_t pid)
{
    const fs::path dir = fs::path("/proc") / std::to_string(pid);
    const std::string stat = read_file(dir / "stat");
    const auto open = stat.find('(');
    const auto close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos) {
        return std::nullopt;
    }
    Proc p;
    p.name = stat.substr(open + 1, close - open - 1);
    std::istringstream rest(stat.substr(close + 2));
    std::string state;
    long ppid = 0;
    long pgrp = 0;
    long session = 0;
    rest >> state >> ppid >> pgrp >> session;
    p.session = static_cast<pid_t>(session);
    const std::string env = read_file(dir / "environ");
    for (std::size_t at = 0; at < env.size(); at = env.find('\0', at) + 1) {
        if (env.compare(at, 11, "WINEPREFIX=") == 0) {
            p.wineprefix = env.substr(at + 11, env.find('\0', at) - at - 11);
        }
        if (env.find('\0', at) == std::string::npos) {
            break;
        }
    }
    return p;
}

// The processes that run the program: those of the session the harness made
// for it, and under Wine all that serve the same Wine prefix (the Wine
// server and Wine's own services start outside that session).
std::map<pid_t, Proc> program_processes(pid_t leader)
{
    std::map<pid_t, Proc> all;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") == std::string::npos) {
            const pid_t pid = std::atoi(name.c_str());
            if (const std::optional<Proc> p = proc_info(pid)) {
                all[pid] = *p;
            }
        }
    }
    std::vector<std::string> prefixes;
    std::map<pid_t, Proc> mine;
    for (const auto& [pid, p] : all) {
        if (p.session == leader) {
            mine[pid] = p;
            if (!p.wineprefix.empty()) {
                prefixes.push_back(p.wineprefix);
            }
        }
    }
    for (const auto& [pid, p] : all) {
        if (!p.wineprefix.empty() &&
            std::find(prefixes.begin(), prefixes.end(), p.wineprefix) != prefixes.end()) {
            mine[pid] = p;
        }
    }
    return mine;
}

// What the program's processes had used at one moment.
struct Usage {
    std::string name;
    long long cpu_ns = 0;
    long long stat_cpu_ns = 0;
    long long syscw = 0; // write calls
    long long wchar = 0; // bytes written
};

struct Sample {
    std::size_t bytes_seen = 0; // terminal output received so far
    std::map<pid_t, Usage> procs;
    pid_t game = 0;
    const Usage& of_game() const { return procs.at(game); }
};

Usage usage_of(pid_t pid, const std::string& name)
{
    const std::string io = read_file(fs::path("/proc") / std::to_string(pid) / "io");
    return {name, cpu_ns(pid), stat_cpu_ns(pid), proc_field(io, "syscw"), proc_field(io, "wchar")};
}

// The game alone, or every process of the program with the game among them.
Sample sample(const PtyTerminal& t, bool whole_tree, const std::string& game_name)
{
    Sample s;
    s.bytes_seen = t.bytes_received();
    s.game = t.pid();
    if (whole_tree) {
        for (const auto& [pid, p] : program_processes(t.pid())) {
            s.procs[pid] = usage_of(pid, p.name);
            if (p.name == game_name) {
                s.game = pid;
            }
        }
    }
    if (s.procs.count(s.game) == 0) {
        s.procs[s.game] = usage_of(s.game, game_name);
    }
    return s;
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
    std::vector<std::string> out;
    for (std::string w; in >> w;) {
        out.push_back(w);
    }
    return out;
}

int usage()
{
    std::cerr << "usage: play_bench [PROGRAM] [--ticks N] [--wrap \"TOOL ARGS...\"] [--command \"COMMAND "
                 "LINE\"]\n";
    return 2;
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
            return usage();
        } else {
            program = arg;
        }
    }
    if (ticks < 300) {
        std::cerr << "play_bench: at least 300 ticks, for a steady state worth measuring\n";
        return 2;
    }

    std::vector<std::string> run = wrap;
    const bool wine = !command.empty();
    if (wine) {
        run.insert(run.end(), command.begin(), command.end());
    } else {
        run.push_back(program);
    }
    // Under a tool or Wine, the game is one of several processes: the one
    // named after the program (the .exe under Wine).
    const bool whole_tree = run.size() > 1;
    const std::string game_name = fs::path(run.back()).filename().string().substr(0, 15);
    // Our own Windows curses reports at endwin how it wrote to the console.
    const fs::path trace = fs::temp_directory_path() / ("play_bench-trace." + std::to_string(getpid()));
    fs::remove(trace);
    setenv("WRIGGLE_CURSES_TRACE", trace.c_str(), 1);

    const Clock::duration startup = wine ? 180s : whole_tree ? 60s : 10s;
    const Clock::duration tick_slack = whole_tree ? 3s : 1s;

    Clock::time_point last_chunk{};
    const Clock::time_point started = Clock::now(); // just before the fork that execs the program
    PtyTerminal t(run);
    t.on_output = [&](std::string_view, Clock::time_point when) { last_chunk = when; };
    FrameWatch watch(t);

    std::optional<Status> frame = next_frame(t, std::nullopt, startup);
    if (!frame) {
        std::cerr << "play_bench: no first frame\n" << t.dump();
        return 1;
    }
    const Clock::duration first_frame = last_chunk - started;
    // The first frame shows the snake a step on from its start.
    if (frame->head != Cell{circuit.start_x + 1, circuit.start_y}) {
        std::cerr << "play_bench: the snake did not start where newsnake() puts it\n" << t.dump();
        return 1;
    }

    std::vector<Clock::time_point> frame_times{last_chunk};
    Sample at_steady;
    Cell heading{1, 0};
    for (int tick = 1; tick <= ticks; ++tick) {
        if (tick > 1) {
            const Cell was = frame->head;
            frame = next_frame(t, frame, tick_slack);
            if (!frame) {
                std::cerr << "play_bench: no frame for tick " << tick << "\n" << t.dump();
                return 1;
            }
            frame_times.push_back(last_chunk);
            if (frame->head != Cell{was.x + heading.x, was.y + heading.y} || frame->lives != 5) {
                std::cerr << "play_bench: the snake left the circuit at tick " << tick << "\n" << t.dump();
                return 1;
            }
        }
        if (tick == steady_from) {
            at_steady = sample(t, whole_tree, game_name);
        }
        const int arrow = circuit.turn(frame->head.x, frame->head.y, heading.x, heading.y);
        t.press(key_of(arrow));
        bench::follow(arrow, heading.x, heading.y);
    }
    const Sample at_end = sample(t, whole_tree, game_name);
    watch.stop();
    // Just before Escape, when the game has played all its ticks.
    const long long game_hwm_kb =
        proc_field(read_file(fs::path("/proc") / std::to_string(at_end.game) / "status"), "VmHWM");

    const Clock::time_point escape_sent = Clock::now();
    t.press(Key::escape);
    const std::optional<int> status = t.wait_exit(whole_tree ? 60s : 5s);
    const Clock::time_point reaped = Clock::now();
    if (!status) {
        std::cerr << "play_bench: the program did not end after Escape\n" << t.dump();
        return 1;
    }

    // Steady play: from the frame of tick 20 to the last one.
    const int steady_ticks = ticks - steady_from;
    std::vector<double> periods;
    for (std::size_t i = steady_from; i < frame_times.size(); ++i) {
        periods.push_back(ms(frame_times[i] - frame_times[i - 1]));
    }
    if (at_end.game != at_steady.game) {
        std::cerr << "play_bench: the game's process changed during the run\n";
        return 1;
    }
    const Usage& game_before = at_steady.of_game();
    const Usage& game_after = at_end.of_game();
    const double cpu_us = static_cast<double>(game_after.cpu_ns - game_before.cpu_ns) / 1e3 / steady_ticks;
    const double bytes =
        static_cast<double>(at_end.bytes_seen - at_steady.bytes_seen) / static_cast<double>(steady_ticks);
    const double writes = static_cast<double>(game_after.syscw - game_before.syscw) / steady_ticks;
    const double written = static_cast<double>(game_after.wchar - game_before.wchar) / steady_ticks;
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
    std::printf("80x24 pseudo-terminal, TERM=xterm-256color, %d ticks round a %dx%d circuit from (%d,%d) "
                "to (%d,%d), steady play = ticks %d to %d\n\n",
                ticks, circuit.right - circuit.left + 1, circuit.bottom - circuit.top + 1, circuit.left,
                circuit.top, circuit.right, circuit.bottom, steady_from, ticks);
    row("figure", "measured", "target");
    row("CPU per tick, steady (schedstat)", fmt("%.1f us", cpu_us), "<= 260 us", cpu_us <= 260);
    row("  user + system time, whole run",
        fmt("%.3f s", seconds(used.ru_utime)) + " + " + fmt("%.3f s", seconds(used.ru_stime)));
    row("bytes to the terminal per frame", fmt("%.1f", bytes), "<= 500", bytes <= 500);
    if (!wine) {
        // Under Wine the game talks to the console, not to the terminal.
        row("  bytes written by the game (wchar)", fmt("%.1f", written));
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
    row("fork+exec to first whole frame", fmt("%.1f ms", ms(first_frame)), "<= 20 ms", ms(first_frame) <= 20);
    row("Escape sent to process reaped", fmt("%.1f ms", ms(reaped - escape_sent)), "<= 230 ms",
        ms(reaped - escape_sent) <= 230);
    row("peak resident memory (VmHWM)", fmt("%.0f kB", static_cast<double>(game_hwm_kb)), "<= 4096 kB",
        game_hwm_kb <= 4096);
    row("  max RSS (wait4)", fmt("%.0f kB", static_cast<double>(used.ru_maxrss)));
    if (!WIFEXITED(*status) || WEXITSTATUS(*status) != 0) {
        row("exit status", "abnormal (" + std::to_string(*status) + ")");
    }
    if (whole_tree) {
        std::printf("\n(the targets are for the game run directly: these figures include what %s adds)\n",
                    wine ? "Wine" : "the tool");
    }

    if (whole_tree) {
        std::printf("\nper steady tick, by process: CPU from schedstat (live threads) and from stat (whole\n"
                    "process in 10 ms clock ticks), write calls from /proc/PID/io\n");
        std::printf("  %7s %-16s %12s %12s %8s\n", "pid", "process", "schedstat", "stat", "writes");
        double total = 0;
        double stat_total = 0;
        for (const auto& [pid, after] : at_end.procs) {
            const auto before = at_steady.procs.find(pid);
            const Usage from = before == at_steady.procs.end() ? Usage{} : before->second;
            const double us = static_cast<double>(after.cpu_ns - from.cpu_ns) / 1e3 / steady_ticks;
            const double stat_us =
                static_cast<double>(after.stat_cpu_ns - from.stat_cpu_ns) / 1e3 / steady_ticks;
            const double calls = static_cast<double>(after.syscw - from.syscw) / steady_ticks;
            total += us;
            stat_total += stat_us;
            std::printf("  %7d %-16s %9.1f us %9.1f us %8.2f%s%s\n", pid, after.name.c_str(), us, stat_us,
                        calls, pid == at_end.game ? "  <- the game" : "",
                        before == at_steady.procs.end() ? "  (started after tick 20)" : "");
        }
        std::printf("  %7s %-16s %9.1f us %9.1f us\n", "", "all of them", total, stat_total);
    }

    const std::string traced = read_file(trace);
    if (!traced.empty()) {
        std::printf("\ncurses trace at endwin: %s", traced.c_str());
        if (traced.back() != '\n') {
            std::printf("\n");
        }
    }
    fs::remove(trace);
    return 0;
}
