// SPDX-License-Identifier: MIT
// What the parts of the library share: the one window, and the console it is
// shown on. Programs see WINDOW only as a name; its insides are kept here.
#pragma once

#include <algorithm>
#include <vector>

#include <windows.h>

#include "curses.h"

struct curses_window {
    int rows = 24;
    int cols = 80;
    int y = 0; // the cursor
    int x = 0;
    // The console's attributes as initscr found them, for every cell.
    WORD attributes = FOREGROUND_RED | FOREGROUND_GREEN | FOREGROUND_BLUE;
    std::vector<CHAR_INFO> cells; // rows * cols of them, row by row
    bool changed = true;          // cells that the console does not show yet
    bool wrapped = false;         // text ran into the bottom-right cell and stopped there
    int shown_y = -1;             // where the last refresh put the console's cursor
    int shown_x = -1;
    bool keypad = false;
    bool nodelay = false;
};

// The console, what the window's top-left corner is on it, and the options
// that belong to the terminal rather than to a window.
struct console {
    HANDLE input = INVALID_HANDLE_VALUE;
    HANDLE output = INVALID_HANDLE_VALUE;
    COORD origin = {0, 0};            // top-left cell of the console window, where the window is shown
    bool resized = false;             // the window took a new size that wgetch has not reported yet
    bool echo = true;                 // curses echoes typed keys until noecho
    unsigned long refreshes = 0;      // wrefresh calls
    unsigned long console_writes = 0; // WriteConsoleOutputW calls
    LARGE_INTEGER refreshed = {};     // when the last refresh began (performance counter)
    double shortest_wait_ms = -1;     // least time from a refresh to the next wgetch
};

// Milliseconds since a performance counter's reading.
double ms_since(LARGE_INTEGER then);

extern console con;

// Puts one byte of text at the cursor, as printw does. ERR once the text runs
// off the bottom of the window.
int put_char(WINDOW* win, unsigned char c);

// Writes the cells of `area`, row by row, to that area of the console's
// screen buffer, in one call. Cells beyond the buffer are left out.
bool write_cells(const CHAR_INFO* cells, SMALL_RECT area);

// Gives the window a new size, keeping the text where old and new overlap
// and blanking the rest; the next refresh writes all of it.
void resize_window(WINDOW* win, int rows, int cols);

// After endwin, the next refresh goes back into curses mode, as in curses.
void resume_curses_mode();

// Takes the size of the console window if it has changed since the last
// look, as curses on a terminal takes a new size at the next refresh or key
// read. True if it changed.
bool follow_console_size();
