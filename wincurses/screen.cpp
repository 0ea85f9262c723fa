// SPDX-License-Identifier: MIT
// Entering and leaving curses mode. initscr notes all it is about to change in
// the console, and endwin puts it back: the input and output modes, the cursor
// and the cells of the console window, so the program leaves the console as
// it found it, as curses on a terminal does with its alternate screen.
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

struct saved_console {
    bool have_cursor = false;
    bool have_screen = false;
    DWORD input_mode = 0;
    DWORD output_mode = 0;
    CONSOLE_CURSOR_INFO cursor = {};
    COORD cursor_position = {0, 0};
    std::vector<CHAR_INFO> screen; // the cells under the window
};

saved_console saved;

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
// "refreshes=N console_writes=M" to it. N counts wrefresh calls; M counts
// WriteConsoleOutputW calls: one for each refresh that had anything new to
// show, and one more for endwin's putting back of the console's cells.
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
    std::fprintf(file, "refreshes=%lu console_writes=%lu\n", con.refreshes, con.console_writes);
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

    // The window covers the visible part of the console's screen buffer.
    WINDOW* win = &the_window;
    win->rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    win->cols = info.srWindow.Right - info.srWindow.Left + 1;
    win->attributes = info.wAttributes;
    con.origin = {info.srWindow.Left, info.srWindow.Top};
    saved.cursor_position = info.dwCursorPosition;
    CHAR_INFO blank;
    blank.Char.UnicodeChar = L' ';
    blank.Attributes = win->attributes;
    win->cells.assign(static_cast<std::size_t>(win->rows) * win->cols, blank);
    win->y = 0;
    win->x = 0;
    win->changed = true;
    win->shown_y = -1;
    win->shown_x = -1;

    saved.screen.resize(win->cells.size());
    SMALL_RECT area = {con.origin.X, con.origin.Y, static_cast<SHORT>(con.origin.X + win->cols - 1),
                       static_cast<SHORT>(con.origin.Y + win->rows - 1)};
    saved.have_screen = ReadConsoleOutputW(con.output, saved.screen.data(),
                                           {static_cast<SHORT>(win->cols), static_cast<SHORT>(win->rows)},
                                           {0, 0}, &area) != 0;
    saved.have_cursor = GetConsoleCursorInfo(con.output, &saved.cursor) != 0;
    // Curses writes cells, not text, so the output mode needs no change; it is
    // only put back with the rest.
    SetConsoleMode(con.input, game_input_mode(saved.input_mode));
    SetConsoleCtrlHandler(on_control, TRUE);

    active = true;
    stdscr = win;
    return win;
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
    if (saved.have_screen) {
        write_cells(saved.screen.data(), the_window.rows, the_window.cols);
    }
    SetConsoleCursorPosition(con.output, saved.cursor_position);
    restore_modes();
    write_trace();
    return OK;
}
