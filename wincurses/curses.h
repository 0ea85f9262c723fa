// SPDX-License-Identifier: MIT
// A small curses for the Windows console: just the calls the game makes,
// with the meanings curses gives them. One window, stdscr, as large as the
// console window, whose size it follows. Text is Latin-1: a byte is the
// character of the same number, on screen and from the keyboard.
#pragma once

// Building the DLL exports these names; everyone else imports them.
#ifdef CURSES_BUILDING_DLL
#define CURSES_API __declspec(dllexport)
#else
#define CURSES_API __declspec(dllimport)
#endif

#define ERR (-1)
#define OK 0
#define TRUE 1
#define FALSE 0

// What wgetch returns for the arrow keys (with keypad on): above every
// character code, as in every curses.
#define KEY_DOWN 258
#define KEY_UP 259
#define KEY_LEFT 260
#define KEY_RIGHT 261
// What wgetch returns once after stdscr has taken a new size.
#define KEY_RESIZE 0632

extern "C" {

using WINDOW = struct curses_window;

extern CURSES_API WINDOW* stdscr;

CURSES_API WINDOW* initscr(void);
CURSES_API int endwin(void);

CURSES_API int noecho(void);
CURSES_API int cbreak(void);
CURSES_API int keypad(WINDOW* win, bool on);
CURSES_API int nodelay(WINDOW* win, bool on);
CURSES_API int set_escdelay(int ms);
CURSES_API int define_key(const char* definition, int keycode);

CURSES_API int mvprintw(int y, int x, const char* format, ...) __attribute__((format(gnu_printf, 3, 4)));
CURSES_API int printw(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
CURSES_API int wmove(WINDOW* win, int y, int x);
CURSES_API int wclrtobot(WINDOW* win);
CURSES_API int werase(WINDOW* win);
CURSES_API int redrawwin(WINDOW* win);

CURSES_API int refresh(void);
CURSES_API int wrefresh(WINDOW* win);

CURSES_API int wgetch(WINDOW* win);
}
