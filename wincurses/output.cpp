// SPDX-License-Identifier: MIT
// Writing into the window: printw's text, moving the cursor, erasing. All of
// it changes only the window's cells; the console sees them at refresh.
#include <cstdarg>
#include <cstdio>

#include "window.h"

namespace
{

std::size_t cell_index(const WINDOW* win, int y, int x)
{
    return static_cast<std::size_t>(y) * win->cols + x;
}

void blank(WINDOW* win, std::size_t from, std::size_t to)
{
    for (std::size_t i = from; i < to; ++i) {
        win->cells[i].Char.UnicodeChar = L' ';
        win->cells[i].Attributes = win->attributes;
    }
    win->changed = true;
}

// One character at the cursor, which then steps right. Past the last column
// it wraps at once to the start of the next line; after the bottom-right cell
// it stays there and the write is an error, for stdscr does not scroll.
int put_cell(WINDOW* win, wchar_t ch)
{
    CHAR_INFO& cell = win->cells[cell_index(win, win->y, win->x)];
    cell.Char.UnicodeChar = ch;
    cell.Attributes = win->attributes;
    win->changed = true;
    if (++win->x < win->cols) {
        return OK;
    }
    if (win->y + 1 < win->rows) {
        ++win->y;
        win->x = 0;
        return OK;
    }
    win->x = win->cols - 1;
    win->wrapped = true;
    return ERR;
}

int put_text(WINDOW* win, const char* text)
{
    for (; *text != '\0'; ++text) {
        if (put_char(win, static_cast<unsigned char>(*text)) == ERR) {
            return ERR;
        }
    }
    return OK;
}

// The C++ library of mingw-w64 selects its own C99 printf family, so the
// formats are the gnu_printf ones that curses.h has the compiler check.
int print_formatted(WINDOW* win, const char* format, va_list args)
{
    char text[512];
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(text, sizeof text, format, args);
    int result = ERR;
    if (length >= 0 && static_cast<std::size_t>(length) < sizeof text) {
        result = put_text(win, text);
    } else if (length >= 0) {
        std::vector<char> long_text(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(long_text.data(), long_text.size(), format, again);
        result = put_text(win, long_text.data());
    }
    va_end(again);
    return result;
}

} // namespace

// As curses does: a newline erases the rest of the line and goes to the start
// of the next one (an error on the last line, where the cursor stays), a tab
// goes on to the next multiple of eight columns, other control characters
// show as ^X. Text that ran into the bottom-right cell keeps it: a newline
// then erases nothing, so a line as wide as a window that ends there shows
// whole, as in ncurses.
int put_char(WINDOW* win, unsigned char c)
{
    switch (c) {
    case '\n':
        if (win->wrapped) {
            return ERR;
        }
        blank(win, cell_index(win, win->y, win->x), cell_index(win, win->y + 1, 0));
        if (win->y + 1 >= win->rows) {
            return ERR;
        }
        ++win->y;
        win->x = 0;
        return OK;
    case '\r':
        win->x = 0;
        win->wrapped = false;
        return OK;
    case '\b':
        if (win->x > 0) {
            --win->x;
        }
        win->wrapped = false;
        return OK;
    case '\t':
        do {
            if (put_cell(win, L' ') == ERR) {
                return ERR;
            }
        } while (win->x % 8 != 0);
        return OK;
    default:
        break;
    }
    if (c < 0x20 || c == 0x7f) {
        if (put_cell(win, L'^') == ERR) {
            return ERR;
        }
        return put_cell(win, static_cast<wchar_t>(c ^ 0x40));
    }
    return put_cell(win, static_cast<wchar_t>(c)); // Latin-1: byte and character share their number
}

int wmove(WINDOW* win, int y, int x)
{
    if (win == nullptr || y < 0 || y >= win->rows || x < 0 || x >= win->cols) {
        return ERR;
    }
    win->y = y;
    win->x = x;
    win->wrapped = false;
    return OK;
}

int printw(const char* format, ...)
{
    if (stdscr == nullptr) {
        return ERR;
    }
    va_list args;
    va_start(args, format);
    const int result = print_formatted(stdscr, format, args);
    va_end(args);
    return result;
}

int mvprintw(int y, int x, const char* format, ...)
{
    if (wmove(stdscr, y, x) == ERR) {
        return ERR;
    }
    va_list args;
    va_start(args, format);
    const int result = print_formatted(stdscr, format, args);
    va_end(args);
    return result;
}

int wclrtobot(WINDOW* win)
{
    if (win == nullptr) {
        return ERR;
    }
    blank(win, cell_index(win, win->y, win->x), win->cells.size());
    return OK;
}

// Erases the window and homes the cursor, as curses does; the next refresh
// shows the blank cells, or whatever is written over them by then.
int werase(WINDOW* win)
{
    if (win == nullptr) {
        return ERR;
    }
    blank(win, 0, win->cells.size());
    win->y = 0;
    win->x = 0;
    win->wrapped = false;
    return OK;
}

// The next refresh writes every cell, whatever else may have written to the
// console window meanwhile. Every refresh that has anything to show writes
// the whole window in one call anyway, so marking it changed is all it takes.
int redrawwin(WINDOW* win)
{
    if (win == nullptr) {
        return ERR;
    }
    win->changed = true;
    return OK;
}

void resize_window(WINDOW* win, int rows, int cols)
{
    CHAR_INFO space;
    space.Char.UnicodeChar = L' ';
    space.Attributes = win->attributes;
    std::vector<CHAR_INFO> cells(static_cast<std::size_t>(rows) * cols, space);
    for (int y = 0; y < rows && y < win->rows; ++y) {
        for (int x = 0; x < cols && x < win->cols; ++x) {
            cells[static_cast<std::size_t>(y) * cols + x] = win->cells[cell_index(win, y, x)];
        }
    }
    win->cells = std::move(cells);
    win->rows = rows;
    win->cols = cols;
    win->y = std::min(win->y, rows - 1);
    win->x = std::min(win->x, cols - 1);
    win->wrapped = false;
    win->changed = true;
}
