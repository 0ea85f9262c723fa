// SPDX-License-Identifier: MIT
// The game's own work per tick, apart from the terminal: one step of the
// snake, placing a digit, and drawing one whole frame into curses.
#include <cstdio>

#include <benchmark/benchmark.h>
#include <curses.h>
#include <unistd.h>

#include "circuit.h"
#include "draw.h"
#include "game.h"

namespace
{

bench::Circuit circuit; // the snake circles it forever

// The playfield with no digit but `digit`, in the middle of the circuit;
// a snake grown to `length` segments in one lap from newsnake()'s start,
// its head back at the circuit's top left corner, heading up.
void set_game(int digit, int length)
{
    map.assign(map.size(), "");
    loadmap(); // walls round a blank interior
    point_number_x = (circuit.left + circuit.right) / 2;
    point_number_y = (circuit.top + circuit.bottom) / 2;
    map[point_number_y][point_number_x] = static_cast<char>('0' + digit);
    point_number = point_run = digit;
    score = 0;
    newsnake();
    snakelength = length;
    const int one_lap = circuit.left - circuit.start_x + static_cast<int>(circuit.lap.size());
    for (int tick = 0; tick < one_lap; ++tick) {
        movechar(circuit.after(tick).key);
    }
}

// One tick of the game's rules, the snake going round and round.
void BM_movechar(benchmark::State& state)
{
    set_game(5, static_cast<int>(state.range(0)));
    std::size_t i = 0;
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): Google Benchmark's idiom
        int outcome = movechar(circuit.lap[i].key);
        benchmark::DoNotOptimize(outcome); // not const: Google Benchmark 1.8 deprecates that form
        if (outcome != MOVE_CONTINUE) {
            state.SkipWithError("the snake left the circuit");
            break;
        }
        i = i + 1 == circuit.lap.size() ? 0 : i + 1; // no division in the timed loop
    }
}
BENCHMARK(BM_movechar)->ArgName("segments")->Arg(1)->Arg(50);

// Scoring a digit and placing the next, seeding the generator as the game does.
void BM_newpointnumber(benchmark::State& state)
{
    set_game(1, 5);
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): Google Benchmark's idiom
        if (point_number == 0) {
            // The game ends at the 0: start again, no stale 0 left, the score small.
            map[point_number_y][point_number_x] = ' ';
            point_run = 0;
            score = 0;
        }
        newpointnumber();
        benchmark::DoNotOptimize(map.data());
    }
}
BENCHMARK(BM_newpointnumber);

// One whole frame as the main loop draws it, into an xterm-256color screen
// writing to /dev/null and reading an empty pipe (no key, as in steady play).
void BM_frame(benchmark::State& state)
{
    int keys[2];
    if (pipe(keys) != 0) {
        state.SkipWithError("no pipe for the screen's input");
        return;
    }
    FILE* out = std::fopen("/dev/null", "w");
    FILE* in = fdopen(keys[0], "r");
    SCREEN* screen =
        out != nullptr && in != nullptr ? newterm(const_cast<char*>("xterm-256color"), out, in) : nullptr;
    if (screen == nullptr) {
        state.SkipWithError("no curses screen for xterm-256color");
    } else {
        set_game(5, static_cast<int>(state.range(0)));
        // As the game does at start-up: one suspension, after which ncurses
        // sends a refresh in one write, not one at each cursor movement.
        endwin();
        refresh();
        for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): Google Benchmark's idiom
            drawframe();
        }
        endwin();
        delscreen(screen);
    }
    for (FILE* const file : {out, in}) {
        if (file != nullptr) {
            std::fclose(file);
        }
    }
    close(keys[1]);
}
BENCHMARK(BM_frame)->ArgName("segments")->Arg(5)->Arg(50)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    circuit = bench::start_circuit(); // or ends the program, saying why
    benchmark::AddCustomContext("circuit", circuit.text);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
