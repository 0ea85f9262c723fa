// SPDX-License-Identifier: MIT
// Prints one frame of a real game, steered toward the digits for a while,
// as the terminal shows it: the picture of the game in the README.
#include <cstdio>
#include <cstdlib>

#include "game_screen.h"

int main(int argc, char** argv)
{
    using namespace term;
    const int ticks = argc > 1 ? std::atoi(argv[1]) : 120;
    PtyTerminal t(command_under_test(WRIGGLE_PROGRAM));
    std::optional<Status> frame = next_frame(t, std::nullopt, 10s);
    newsnake(); // the way a game starts heading
    Cell heading{movx, movy};
    for (int i = 0; frame && i < ticks; ++i) {
        t.press(arrow_towards_digit(t, frame->head, heading));
        const Cell was = frame->head;
        frame = next_frame(t, frame, 2s);
        if (frame) {
            heading = Cell{frame->head.x - was.x, frame->head.y - was.y};
        }
    }
    if (!frame) {
        std::fprintf(stderr, "the game stopped drawing\n");
        return 1;
    }
    for (int r = 0; r < t.rows(); ++r) {
        std::string line = t.row(r);
        line.erase(line.find_last_not_of(' ') + 1);
        std::printf("%s\n", line.c_str());
    }
    t.press(Key::escape);
    return t.wait_exit(2s) ? 0 : 1;
}
