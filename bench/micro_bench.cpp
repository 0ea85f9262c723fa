// SPDX-License-Identifier: MIT
// The game's own work per tick, apart from the terminal: one step of the
// snake, placing a digit, and drawing one whole frame into curses.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include <curses.h>
#include <unistd.h>

#include "draw.h"
#include "game.h"

namespace
{

// A rectangle well inside the walls that the snake circles forever.
constexpr int left_x = 10;
constexpr int right_x = 70;
constexpr int top_y = 3;
constexpr int bottom_y = 17;

struct Circuit {
    std::vector<int> xs;   // the cells in the order the snake visits them,
    std::vector<int> ys;   // from the top left corner, reached going up
    std::vector<int> keys; // the key for the tick that leaves cell i
};

Circuit make_circuit()
{
    Circuit c;
    int x = left_x;
    int y = top_y;
    int dx = 0;
    int dy = -1;
    do {
        int key = NO_KEY;
        if (dy == -1 && y == top_y) {
            key = ARROW_RIGHT, dx = 1, dy = 0;
        } else if (dx == 1 && x == right_x) {
            key = ARROW_DOWN, dx = 0, dy = 1;
        } else if (dy == 1 && y == bottom_y) {
            key = ARROW_LEFT, dx = -1, dy = 0;
        } else if (dx == -1 && x == left_x) {
            key = ARROW_UP, dx = 0, dy = -1;
        }
        c.xs.push_back(x);
        c.ys.push_back(y);
        c.keys.push_back(key);
        x += dx;
        y += dy;
    } while (x != left_x || y != top_y);
    return c;
}

const Circuit circuit = make_circuit();

// The playfield once, with no digit but one at `digit_x, digit_y`.
void set_map(int digit_x, int digit_y, int digit)
{
    if (map[0].empty()) {
        loadmap();
    }
    for (std::size_t y = 1; y + 1 < map.size(); ++y) {
        for (std::size_t x = 1; x + 1 < map[y].size(); ++x) {
            map[y][x] = ' ';
        }
    }
    map[digit_y][digit_x] = static_cast<char>('0' + digit);
    point_number = digit;
    point_run = digit;
    point_number_x = digit_x;
    point_number_y = digit_y;
    score = 0;
    lives = 5;
}

// A snake of `length` segments with its head at the circuit's top left
// corner, heading up, its body behind it along the circuit.
void set_snake_on_circuit(int length)
{
    snakex.clear();
    snakey.clear();
    const int cells = static_cast<int>(circuit.xs.size());
    for (int i = 0; i < length; ++i) {
        const int at = (cells - i) % cells;
        snakex.push_back(circuit.xs[at]);
        snakey.push_back(circuit.ys[at]);
    }
    snakelength = length;
    movx = 0;
    movy = -1;
}

// One tick of the game's rules, the snake going round and round.
void BM_movechar(benchmark::State& state)
{
    set_map(40, 10, 5); // inside the circuit, off its path
    set_snake_on_circuit(static_cast<int>(state.range(0)));
    std::size_t i = 0;
    for (auto _ : state) {
        const int outcome = movechar(circuit.keys[i]);
        benchmark::DoNotOptimize(outcome);
        if (outcome != MOVE_CONTINUE) {
            state.SkipWithError("the snake left the circuit");
            break;
        }
        i = i + 1 == circuit.keys.size() ? 0 : i + 1;
    }
}
BENCHMARK(BM_movechar)->ArgName("segments")->Arg(1)->Arg(50);

// Scoring a digit and placing the next, seeding the generator as the game does.
void BM_newpointnumber(benchmark::State& state)
{
    set_map(40, 10, 1);
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
        set_map(40, 10, 5);
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

BENCHMARK_MAIN();
