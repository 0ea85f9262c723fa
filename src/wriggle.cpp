// SPDX-License-Identifier: MIT
// wriggle: the snake game's main loop. One tick moves the snake, shows a
// banner if it died or won, repaints every cell of the screen, sleeps and
// reads at most one key.
#include <curses.h>

#include "draw.h"
#include "game.h"
#include "platform.h"

namespace
{

// Long enough for an arrow key's escape sequence to arrive whole, short
// enough that a lone Escape quits at once. Set before initscr, which puts the
// player's own ESCDELAY over it, as ncurses lets the player choose.
constexpr int escape_delay_ms = 25;
constexpr int banner_pause_ms = 3000;

const char* const death_banner[] = {"*************", "* You died! *", "*************"};
const char* const win_banner[] = {"************", "* You win! *", "************"};

void show_banner(const char* const (&lines)[3], int column)
{
    for (int i = 0; i < 3; ++i) {
        mvprintw(10 + i, column, "%s", lines[i]);
    }
    refresh();
    pause_ms(banner_pause_ms);
}

// Terminals send the arrows as ESC [ A ... until they have taken the
// keypad switch that keypad() sends, and some (PuTTY with its application
// cursor keys off, several web terminals) always do; terminfo names only the
// keypad form, ESC O A. Without both, an arrow typed at launch or on such a
// terminal would reach the game as Escape and quit it.
void accept_both_arrow_forms()
{
    const struct {
        char last;
        int code;
    } arrows[] = {{'A', KEY_UP}, {'B', KEY_DOWN}, {'C', KEY_RIGHT}, {'D', KEY_LEFT}};
    for (const auto& arrow : arrows) {
        for (const char form : {'[', 'O'}) {
            const char sequence[] = {'\x1b', form, arrow.last, '\0'};
            define_key(sequence, arrow.code);
        }
    }
}

void restart_snake()
{
    snakex.clear();
    snakey.clear();
    snakex.push_back(3);
    snakey.push_back(3);
    snakelength = 5;
    movx = 1;
    movy = 0;
}

} // namespace

int main()
{
    loadmap();
    newpointnumber();

    set_escdelay(escape_delay_ms);
    watch_for_stop();
    initscr();
    // ncurses flushes its output after every cursor movement until the
    // screen has been suspended and resumed once: mvcur treats a screen
    // that has never left curses mode as one driven by a low-level terminfo
    // program. A repaint would then reach the terminal as dozens of writes,
    // and a terminal that paints between two of them shows a blank or
    // half-drawn field. One suspension now, before anything is drawn,
    // makes every later refresh a single write. It shows nothing: the
    // alternate screen is entered and left within one write, then entered
    // again blank. It comes before every setting below, as the suspension
    // switches the keypad's transmit mode off and keypad() switches it back
    // on at once, so an arrow steers from the very first tick. The Windows
    // console's curses writes every refresh whole anyway, and takes the
    // suspension as any curses does.
    endwin();
    refresh();
    noecho();
    cbreak(); // keys must arrive as they are typed, not after Enter
    keypad(stdscr, TRUE);
    accept_both_arrow_forms();
    nodelay(stdscr, TRUE);

    int outcome = MOVE_CONTINUE;
    int key = ERR;
    while (outcome == MOVE_CONTINUE && !stop_requested()) {
        outcome = movechar(key);
        if (outcome == MOVE_DIED) {
            show_banner(death_banner, 34);
            lives -= 1;
            if (lives > 0) {
                outcome = MOVE_CONTINUE;
                restart_snake();
            }
        } else if (outcome == MOVE_WON) {
            show_banner(win_banner, 35);
        }
        // A stop request cut the banner's pause short: the player asked to
        // go, so no further frame.
        if (stop_requested()) {
            break;
        }

        drawframe();
        pause_ms(snakespeed);
        key = wgetch(stdscr);
    }

    endwin();
    finish_stop();
    return 0;
}
