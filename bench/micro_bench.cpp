// SPDX-License-Identifier: MIT
// The game's own work per tick, apart from the terminal: one step of the
// snake, placing a digit, and drawing one whole frame into curses.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include <curses.h>
#include <unistd.h>

#include "circuit.h"
#include "draw.h"
#include "game.h"

namespace
{

// The circuit the snake circles forever, placed by the game's start.
bench::Circuit circuit;

struct Lap {
    std::vector<int> xs;   // the cells in the order the snake visits them,
    std::vector<int> ys;   // from the top left corner, reached going up
    std::vector<int> keys; // the key for the tick that leaves cell i
};

Lap make_lap()
{
    Lap made;
    int x = circuit.left;
    int y = circuit.top;
    int dx = 0;
    int dy = -1;
    do {
        const int key = circuit.turn(x, y, dx, dy);
        bench::follow(key, dx, dy);
        made.xs.push_back(x);
        made.ys.push_back(y);
        made.keys.push_back(key);
        x += dx;
        y += dy;
    } while (x != circuit.left || y != circuit.top);
    return made;
}

Lap lap;

// The playfield once, with no digit but `digit` in the middle of the
// circuit, off its path.
void set_map(int digit)
{
    if (map[0].empty()) {
        loadmap();
    }
    for (std::size_t y = 1; y + 1 < map.size(); ++y) {
        for (std::size_t x = 1; x + 1 < map[y].size(); ++x) {
            map[y][x] = ' ';
        }
    }
    point_number_x = (circuit.left + circuit.right) / 2;
    point_number_y = (circuit.top + circuit.bottom) / 2;
    map[point_number_y][point_number_x] = static_cast<char>('0' + digit);
    point_number = digit;
    point_run = digit;
    score = 0;
    lives = 5;
}

// A snake of `length` segments with its head at the circuit's top left
// corner, heading up, its body behind it along the circuit.
void set_snake_on_circuit(int length)
{
    snakex.clear();
    snakey.clear();
    const int cells = static_cast<int>(lap.xs.size());
    for (int i = 0; i < length; ++i) {
        const int at = (cells - i) % cells;
        snakex.push_back(lap.xs[at]);
        snakey.push_back(lap.ys[at]);
    }
    snakelength = length;
    movx = 0;
    movy = -1;
}

// One tick of the game's rules, the snake going round and round.
void BM_movechar(benchmark::State& state)
{
    set_map(5);
    set_snake_on_circuit(static_cast<int>(state.range(0)));
    std::size_t i = 0;
    for (auto _ : state) {
        const int outcome = movechar(lap.keys[i]);
        benchmark::DoNotOptimize(outcome);
        if (outcome != MOVE_CONTINUE) {
            state.SkipWithError("the snake left the circuit");
            break;
        }
        i = i + 1 == lap.keys.size() ? 0 : i + 1;
    }
}
BENCHMARK(BM_movechar)->ArgName("segments")->Arg(1)->Arg(50);

// Scoring a digit and placing the next, seeding the generator as the game does.
void BM_newpointnumber(benchmark::State& state)
{
    set_map(1);
    set_snake_on_circuit(5);
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
// whose output goes to /dev/null and whose input is an empty pipe (no key
// pending, as in steady play).
void BM_frame(benchmark::State& state)
{
    int keys[2] = {-1, -1};
    FILE* out = std::fopen("/dev/null", "w");
    FILE* in = pipe(keys) == 0 ? fdopen(keys[0], "r") : nullptr;
    SCREEN* screen = out && in ? newterm(const_cast<char*>("xterm-256color"), out, in) : nullptr;
    if (screen == nullptr) {
        state.SkipWithError("no curses screen for xterm-256color");
    } else {
        set_map(5);
        set_snake_on_circuit(static_cast<int>(state.range(0)));
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
    if (out != nullptr) {
        std::fclose(out);
    }
    if (in != nullptr) {
        std::fclose(in);
    }
    if (keys[1] >= 0) {
        close(keys[1]);
    }
}
BENCHMARK(BM_frame)->ArgName("segments")->Arg(5)->Arg(50)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    circuit = bench::start_circuit(); // or ends the program, saying why
    lap = make_lap();
    benchmark::AddCustomContext("circuit", circuit.text());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
