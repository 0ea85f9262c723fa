// SPDX-License-Identifier: MIT
// Entering and leaving curses mode, and following the console window's size.
// initscr notes all it is about to change in the console, and endwin puts it
// back: the input and output modes, the cursor, and the cells of every part
// of the screen buffer that the window covered at any of its sizes, so the
// program leaves the console as it found it, as curses on a terminal does
// with its alternate screen.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "window.h"

WINDOW* stdscr = nullptr;
console con;

namespace
{

curses_window the_window;
bool active = false; // between initscr and endwin

constexpr SMALL_RECT no_area = {0, 0, -1, -1};

struct saved_console {
    bool have_cursor = false;
    DWORD input_mode = 0;
    DWORD output_mode = 0;
    CONSOLE_CURSOR_INFO cursor = {};
    COORD cursor_position = {0, 0};
    // What the console showed before the window was painted over it: the
    // smallest rectangle of the screen buffer holding every place the window
    // has been shown, with its cells row by row.
    SMALL_RECT area = no_area;
    std::vector<CHAR_INFO> screen;
};

saved_console saved;

int width(const SMALL_RECT& r)
{
    return r.Right - r.Left + 1;
}

int height(const SMALL_RECT& r)
{
    return r.Bottom - r.Top + 1;
}

// Widens the saved area to take in `shown`, before the window is painted
// there. The cells new to the area are read from the console, which still
// shows there what it showed before the game; those already saved are kept,
// as the console now shows the window over them. Cells the console cannot
// give (beyond its screen buffer) are saved blank.
void save_cells(const SMALL_RECT& shown)
{
    const SMALL_RECT old = saved.area;
    SMALL_RECT area = shown;
    if (width(old) > 0) {
        area = {std::min(old.Left, shown.Left), std::min(old.Top, shown.Top),
                std::max(old.Right, shown.Right), std::max(old.Bottom, shown.Bottom)};
        if (area.Left == old.Left && area.Top == old.Top && area.Right == old.Right &&
            area.Bottom == old.Bottom) {
            return;
        }
    }
    CHAR_INFO space;
    space.Char.UnicodeChar = L' ';
    space.Attributes = the_window.attributes;
    std::vector<CHAR_INFO> cells(static_cast<std::size_t>(width(area)) * height(area), space);
    SMALL_RECT read = area;
    ReadConsoleOutputW(con.output, cells.data(),
                       {static_cast<SHORT>(width(area)), static_cast<SHORT>(height(area))}, {0, 0}, &read);
    for (int y = old.Top; y <= old.Bottom; ++y) {
        for (int x = old.Left; x <= old.Right; ++x) {
            cells[static_cast<std::size_t>(y - area.Top) * width(area) + (x - area.Left)] =
                saved.screen[static_cast<std::size_t>(y - old.Top) * width(old) + (x - old.Left)];
        }
    }
    saved.area = area;
    saved.screen = std::move(cells);
}

void restore_modes()
{
    SetConsoleMode(con.input, saved.input_mode);
    SetConsoleMode(con.output, saved.output_mode);
    if (saved.have_cursor) {
        SetConsoleCursorInfo(con.output, &saved.cursor);
    }
}

// Ctrl-C, Ctrl-Break or a closing console: the console gets its modes back at
// once, then the next handler decides what happens (the program's own, or the
// system's, which ends the process), just as a signal is the program's affair
// under curses on a terminal. Runs on a thread of its own, so it touches only
// what initscr saved and nothing changes after.
BOOL WINAPI on_control(DWORD)
{
    restore_modes();
    return FALSE;
}

// Keys as typed, one event each: no line editing, no echo by the console, no
// mouse, no escape sequences for arrow keys. Ctrl-C stays a control event
// (ENABLE_PROCESSED_INPUT), as it stays SIGINT under curses on a terminal.
//
// QuickEdit (selecting with the mouse) and Insert mode are extended flags:
// SetConsoleMode changes them only when the mode carries
// ENABLE_EXTENDED_FLAGS and leaves them as they are otherwise, and
// GetConsoleMode reports them only while the extended flags are in use. So:
// - a saved mode with ENABLE_EXTENDED_FLAGS tells their state. The game turns
//   QuickEdit off (a selection would hold its output) and keeps Insert mode;
//   setting the saved mode back at the end restores both.
// - a saved mode without it tells nothing of them: turning QuickEdit off
//   would set Insert mode too, to a guess, and neither could be set back.
//   The game then leaves both alone, and they are as they were at the end.
//   If QuickEdit is on, a click then selects text and holds the game's output
//   until the selection ends, as for any console program.
DWORD game_input_mode(DWORD saved_mode)
{
    DWORD mode = saved_mode | ENABLE_PROCESSED_INPUT;
    mode &= ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_MOUSE_INPUT |
                                ENABLE_WINDOW_INPUT | ENABLE_VIRTUAL_TERMINAL_INPUT);
    if ((saved_mode & ENABLE_EXTENDED_FLAGS) != 0) {
        mode &= ~static_cast<DWORD>(ENABLE_QUICK_EDIT_MODE);
    }
    return mode;
}

// Notes what the console window shows and where its cursor is, takes the
// window's place there as the origin, and sets the game's input mode: at
// initscr, and again when a refresh comes back after endwin, as whatever was
// written meanwhile is for endwin to put back, and may have scrolled the
// console window down its buffer.
void enter_curses_mode(const CONSOLE_SCREEN_BUFFER_INFO& info)
{
    saved.area = no_area;
    saved.screen.clear();
    save_cells(info.srWindow);
    con.origin = {info.srWindow.Left, info.srWindow.Top};
    saved.cursor_position = info.dwCursorPosition;
    SetConsoleMode(con.input, game_input_mode(saved.input_mode));
    SetConsoleCtrlHandler(on_control, TRUE);
    active = true;
    the_window.changed = true;
    the_window.shown_y = -1;
    the_window.shown_x = -1;
}

// What ncurses does when it cannot drive the terminal: one line on the error
// output and exit status 1, before anything has changed. The console calls
// fail when the program's input or output is not a console: redirected to a
// file or a pipe, or in mintty (Git Bash), whose windows are no consoles
// and which winpty bridges to one.
[[noreturn]] void refuse_without_console()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, length < MAX_PATH ? length : 0);
    name.erase(0, name.find_last_of("\\/") + 1);
    name = name.substr(0, name.rfind('.'));
    if (name.empty()) {
        name = "this program";
    }
    std::fprintf(stderr,
                 "%s must run in a Windows console window: mintty and Git Bash need winpty (winpty %s)\n",
                 name.c_str(), name.c_str());
    std::exit(1);
}

// Diagnostics: if WRIGGLE_CURSES_TRACE names a file, endwin appends the line
// "refreshes=N console_writes=M shortest_wait_ms=W" to it. N counts wrefresh
// calls; M counts WriteConsoleOutputW calls: one for each refresh that had
// anything new to show, and one more for each endwin's putting back of the
// console's cells. W is the least time from a refresh to the next wgetch:
// a game that shows its frame, pauses, then reads a key, never reads sooner
// than its pause (-1.0: no key read after a refresh).
void write_trace()
{
    const char* path = std::getenv("WRIGGLE_CURSES_TRACE");
    if (path == nullptr || *path == '\0') {
        return;
    }
    FILE* file = std::fopen(path, "a");
    if (file == nullptr) {
        return;
    }
    std::fprintf(file, "refreshes=%lu console_writes=%lu shortest_wait_ms=%.1f\n", con.refreshes,
                 con.console_writes, con.shortest_wait_ms);
    std::fclose(file);
}

} // namespace

WINDOW* initscr(void)
{
    if (active) {
        return stdscr;
    }
    con.input = GetStdHandle(STD_INPUT_HANDLE);
    con.output = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleMode(con.input, &saved.input_mode) || !GetConsoleMode(con.output, &saved.output_mode) ||
        !GetConsoleScreenBufferInfo(con.output, &info)) {
        refuse_without_console();
    }
    // Curses writes cells, not text, so the output mode needs no change; it is
    // only put back with the rest.
    saved.have_cursor = GetConsoleCursorInfo(con.output, &saved.cursor) != 0;

    // The window covers the visible part of the console's screen buffer.
    WINDOW* win = &the_window;
    win->attributes = info.wAttributes;
    win->rows = 0;
    win->cols = 0;
    resize_window(win, height(info.srWindow), width(info.srWindow));
    win->y = 0;
    win->x = 0;
    con.resized = false;
    enter_curses_mode(info);
    stdscr = win;
    return win;
}

void resume_curses_mode()
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!active && stdscr != nullptr && GetConsoleScreenBufferInfo(con.output, &info)) {
        enter_curses_mode(info);
    }
}

// The console sends no signal when its window changes size (the window-size
// events it can send tell of the screen buffer, whose size a window may not
// share), so the size is looked up at each refresh and key read, where
// ncurses takes a size that SIGWINCH announced. The cells about to be
// painted for the first time are saved first.
bool follow_console_size()
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!active || !GetConsoleScreenBufferInfo(con.output, &info)) {
        return false;
    }
    const SMALL_RECT& shown = info.srWindow;
    if (height(shown) == the_window.rows && width(shown) == the_window.cols) {
        return false;
    }
    save_cells(shown);
    resize_window(&the_window, height(shown), width(shown));
    con.origin = {shown.Left, shown.Top};
    con.resized = true;
    return true;
}

// Safe to call again: with nothing left to undo it does nothing and, as
// ncurses does, returns OK. Before any initscr it is an error.
int endwin(void)
{
    if (stdscr == nullptr) {
        return ERR;
    }
    if (!active) {
        return OK;
    }
    active = false;
    SetConsoleCtrlHandler(on_control, FALSE);
    write_cells(saved.screen.data(), saved.area);
    // The screen buffer may have shrunk since: the cursor goes as near its old
    // place as the buffer allows.
    CONSOLE_SCREEN_BUFFER_INFO info;
    COORD cursor = saved.cursor_position;
    if (GetConsoleScreenBufferInfo(con.output, &info)) {
        cursor.X = std::min(cursor.X, static_cast<SHORT>(info.dwSize.X - 1));
        cursor.Y = std::min(cursor.Y, static_cast<SHORT>(info.dwSize.Y - 1));
    }
    SetConsoleCursorPosition(con.output, cursor);
    restore_modes();
    write_trace();
    return OK;
}
