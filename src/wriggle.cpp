// SPDX-License-Identifier: MIT
// wriggle: the snake game's main loop. One tick moves the snake, shows a
// banner if it died or won, repaints every cell of the screen, sleeps and
// reads at most one key.
#include <curses.h>

#include "draw.h"
#include "game.h"
#include "platform.h"

// The rules compare keys as plain numbers: they must be the ones curses
// hands out.
static_assert(KEY_ESC == '\x1b' && NO_KEY == ERR, "Escape comes as its character, no key as ERR");
static_assert(ARROW_UP == KEY_UP && ARROW_DOWN == KEY_DOWN && ARROW_LEFT == KEY_LEFT &&
                  ARROW_RIGHT == KEY_RIGHT,
              "the arrows' key codes are curses' own");

namespace
{

// Long enough for an arrow key's escape sequence to arrive whole, short
// enough that a lone Escape quits at once. Set before initscr, which puts the
// player's own ESCDELAY over it, as ncurses lets the player choose.
constexpr int escape_delay_ms = 25;

void show_banner(const Banner& banner)
{
    for (int i = 0; i < 3; ++i) {
        mvprintw(banner_row + i, banner.column, "%s", banner.lines[i]);
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
            const char sequence[] = {static_cast<char>(KEY_ESC), form, arrow.last, '\0'};
            define_key(sequence, arrow.code);
        }
    }
}

} // namespace

int main()
{
    loadmap();
    newsnake();
    newpointnumber();

    set_escdelay(escape_delay_ms);
    watch_for_stop();
    initscr();
    // Until it has left curses mode once, ncurses writes a frame in dozens of
    // pieces, which a terminal may show half drawn: leave and come back
    // before anything is drawn, and before the settings the suspension undoes.
    endwin();
    refresh();
    noecho();
    cbreak(); // keys must arrive as they are typed, not after Enter
    keypad(stdscr, TRUE);
    accept_both_arrow_forms();
    nodelay(stdscr, TRUE);

    int outcome = MOVE_CONTINUE;
    int key = NO_KEY;
    while (outcome == MOVE_CONTINUE && !stop_requested()) {
        outcome = movechar(key);
        if (outcome == MOVE_DIED) {
            show_banner(death_banner);
            lives -= 1;
            if (lives > 0) {
                outcome = MOVE_CONTINUE;
                newsnake();
            }
        } else if (outcome == MOVE_WON) {
            show_banner(win_banner);
        }
        if (stop_requested()) {
            break; // asked to go during the banner: no further frame
        }
        drawframe();
        pause_ms(snakespeed);
        key = wgetch(stdscr);
    }

    endwin();
    finish_stop();
    return 0;
}
