// SPDX-License-Identifier: MIT
// Showing the window on the console. The whole window goes out in one
// WriteConsoleOutputW call, so that a frame appears at once and not row by
// row, and costs the same however much of it changed.
#include "window.h"

bool write_cells(const CHAR_INFO* cells, SMALL_RECT area)
{
    const COORD size = {static_cast<SHORT>(area.Right - area.Left + 1),
                        static_cast<SHORT>(area.Bottom - area.Top + 1)};
    ++con.console_writes;
    return WriteConsoleOutputW(con.output, cells, size, {0, 0}, &area) != 0;
}

// Writes the cells if any changed since the last refresh, then puts the
// console's cursor where the window's is.
int wrefresh(WINDOW* win)
{
    if (win == nullptr) {
        return ERR;
    }
    ++con.refreshes;
    QueryPerformanceCounter(&con.refreshed);
    resume_curses_mode();
    follow_console_size();
    bool done = true;
    if (win->changed) {
        const SMALL_RECT area = {con.origin.X, con.origin.Y, static_cast<SHORT>(con.origin.X + win->cols - 1),
                                 static_cast<SHORT>(con.origin.Y + win->rows - 1)};
        done = write_cells(win->cells.data(), area);
        win->changed = false;
    }
    const COORD cursor = {static_cast<SHORT>(con.origin.X + win->x),
                          static_cast<SHORT>(con.origin.Y + win->y)};
    done = SetConsoleCursorPosition(con.output, cursor) != 0 && done;
    win->shown_y = win->y;
    win->shown_x = win->x;
    return done ? OK : ERR;
}

double ms_since(LARGE_INTEGER then)
{
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - then.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

int refresh(void)
{
    return wrefresh(stdscr);
}
