// SPDX-License-Identifier: MIT
#include "draw.h"

#include <curses.h>

#include "game.h"

// Every text goes through "%s": the playfield is data, never a format.
void drawmap()
{
    for (int i = 0; i < mapheight; ++i) {
        mvprintw(i, 0, "%s", map[i].c_str());
        printw("\n");
    }
    for (std::size_t i = 0; i < snakex.size(); ++i) {
        mvprintw(snakey[i], snakex[i], "%s", SNAKEGFX.c_str());
    }
}

void drawscore()
{
    const std::string lives_text = "Lives: " + to_string(lives);
    const std::string score_text = "Score: " + to_string(score);
    const std::string head_text = "x:" + to_string(snakex[0]) + " y:" + to_string(snakey[0]);
    mvprintw(status_row, lives_column, "%s", lives_text.c_str());
    mvprintw(status_row, score_column, "%s", score_text.c_str());
    mvprintw(status_row, head_column, "%s", head_text.c_str());
}

// Every cell goes out again, so nothing another program wrote into the
// terminal, and no cell the terminal lost, outlives the tick. The window is
// erased and marked as wholly changed rather than cleared: a clear would
// send the terminal's clear-screen sequence, and some terminals
// (rxvt-unicode) show the empty screen before the frame that follows it.
void drawframe()
{
    werase(stdscr);
    redrawwin(stdscr);
    drawmap();
    drawscore();
    refresh();
}
