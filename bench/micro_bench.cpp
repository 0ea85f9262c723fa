// SPDX-License-Identifier: MIT
// The game's own work per tick, apart from the terminal: one step of the
// snake, placing a digit, and drawing one whole frame into curses.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>

#include <curses.h>
#include <unistd.h>

#include "circuit.h"
#include "draw.h"
#include "game.h"

namespace
{

// The circuit the snake circles forever, placed by the game's start.
bench::Circuit circuit;

// The playfield with no digit but `digit`, in the middle of the circuit,
// off its path; and a snake of `length` segments with its head at the
// circuit's top left corner, heading up, its body behind it on the circuit.
void set_game(int digit, int length)
{
    if (map[0].empty()) {
        loadmap();
    }
    for (std::size_t y = 1; y + 1 < map.size(); ++y) {
        std::fill(map[y].begin() + 1, map[y].end() - 1, ' ');
    }
    point_number_x = (circuit.left + circuit.right) / 2;
    point_number_y = (circuit.top + circuit.bottom) / 2;
    map[point_number_y][point_number_x] = static_cast<char>('0' + digit);
    point_number = point_run = digit;
    score = 0;
    lives = 5;

    snakex.clear();
    snakey.clear();
    const int cells = static_cast<int>(circuit.lap.size());
    for (int i = 0; i < length; ++i) {
        const bench::Step& cell = circuit.lap[(cells - i) % cells];
        snakex.push_back(cell.x);
        snakey.push_back(cell.y);
    }
    snakelength = length;
    movx = 0;
    movy = -1;
}

// One tick of the game's rules, the snake going round and round.
void BM_movechar(benchmark::State& state)
{
    set_game(5, static_cast<int>(state.range(0)));
    std::size_t i = 0;
    for (auto _ : state) {
        const int outcome = movechar(circuit.lap[i].key);
        benchmark::DoNotOptimize(outcome);
        if (outcome != MOVE_CONTINUE) {
            state.SkipWithError("the snake left the circuit");
            break;
        }
        i = (i + 1) % circuit.lap.size();
    }
}
BENCHMARK(BM_movechar)->ArgName("segments")->Arg(1)->Arg(50);

// Scoring a digit and placing the next, seeding the generator as the game does.
void BM_newpointnumber(benchmark::State& state)
{
    set_game(1, 5);
    for (auto _ : state) {
        if (point_number == 0) {
            // The game ends at the 0; start the digits again, with no stale 0
            // left on the board and the score kept small.
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
// whose output goes to /dev/null and whose input is an empty pipe: no key
// pending, as in steady play (/dev/null as input would always have one).
void BM_frame(benchmark::State& state)
{
    int keys[2];
    if (pipe(keys) != 0) {
        state.SkipWithError("no pipe for the screen's input");
        return;
    }
    FILE* out = std::fopen("/dev/null", "w");
    FILE* in = fdopen(keys[0], "r");
    SCREEN* screen = newterm(const_cast<char*>("xterm-256color"), out, in);
    if (screen == nullptr) {
        state.SkipWithError("no curses screen for xterm-256color");
    } else {
        set_game(5, static_cast<int>(state.range(0)));
        // As the game does at start-up: one suspension, after which ncurses
        // sends each refresh in one write instead of flushing at every
        // cursor movement.
        endwin();
        refresh();
        for (auto _ : state) {
            drawframe();
        }
        endwin();
        delscreen(screen);
    }
    std::fclose(out);
    std::fclose(in);
    close(keys[1]);
}
BENCHMARK(BM_frame)->ArgName("segments")->Arg(5)->Arg(50)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    circuit = bench::start_circuit(); // or ends the program, saying why
    benchmark::AddCustomContext("circuit", circuit.text());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
