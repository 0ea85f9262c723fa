// SPDX-License-Identifier: MIT
// curses.dll under the game's frame in a console whose size changes, as when
// a player drags the window's edge, and whose window is scrolled down a
// taller screen buffer, as in a Command Prompt with scrollback; a held key,
// the window's edges and the console's own colours; and the game started in
// this console from another input mode, and where there is no console. Run in
// a console with the path of wriggle-win.exe; reports on the error output,
// and exits with status 0 when every check held.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <windows.h>

#include <curses.h>

#include "draw.h"
#include "game.h"

namespace
{

HANDLE in;
HANDLE out;
int failures = 0;

// Colours no console starts with. Curses without colours writes in the
// console's own, as ncurses leaves a terminal's.
constexpr WORD colours = FOREGROUND_GREEN | FOREGROUND_INTENSITY | BACKGROUND_BLUE;

// The input mode a Windows 10 console starts with: QuickEdit and Insert on,
// with the extended flags that tell them, besides the usual line editing.
constexpr DWORD windows10_mode = 0x1F7;

constexpr SMALL_RECT nowhere = {0, 0, -1, -1};

void check(bool ok, const std::string& what)
{
    std::fprintf(stderr, "%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    failures += ok ? 0 : 1;
}

CONSOLE_SCREEN_BUFFER_INFO console()
{
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(out, &info);
    return info;
}

// The cells of an area of the screen buffer, row by row.
std::vector<CHAR_INFO> read_cells(SMALL_RECT area)
{
    const COORD size = {SHORT(area.Right - area.Left + 1), SHORT(area.Bottom - area.Top + 1)};
    std::vector<CHAR_INFO> cells(static_cast<std::size_t>(size.X) * size.Y);
    ReadConsoleOutputW(out, cells.data(), size, {0, 0}, &area);
    return cells;
}

// The text of the whole screen buffer, or of the console window, row by row.
std::vector<std::string> read_rows(bool window_only)
{
    const CONSOLE_SCREEN_BUFFER_INFO info = console();
    const SMALL_RECT area =
        window_only ? info.srWindow : SMALL_RECT{0, 0, SHORT(info.dwSize.X - 1), SHORT(info.dwSize.Y - 1)};
    const std::size_t cols = area.Right - area.Left + 1;
    const std::vector<CHAR_INFO> cells = read_cells(area);
    std::vector<std::string> rows(cells.size() / cols);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        rows[i / cols] += static_cast<char>(cells[i].Char.UnicodeChar);
    }
    return rows;
}

// What the console showed before the game, wherever the game may paint.
char older_text(int x, int y)
{
    return static_cast<char>('a' + (x + 7 * y) % 26);
}

// The screen buffer cols x rows with the console window at `window` in it,
// as set in the console's properties and scrolled; then older text in every
// cell outside `keep`.
void size_console(int cols, int rows, SMALL_RECT window, SMALL_RECT keep)
{
    const SMALL_RECT cell = {0, 0, 0, 0}; // a window that fits any buffer
    SetConsoleWindowInfo(out, TRUE, &cell);
    SetConsoleScreenBufferSize(out, {SHORT(cols), SHORT(rows)});
    SetConsoleWindowInfo(out, TRUE, &window);
    SMALL_RECT all = {0, 0, SHORT(cols - 1), SHORT(rows - 1)};
    std::vector<CHAR_INFO> cells = read_cells(all);
    for (int i = 0; i < cols * rows; ++i) {
        const int x = i % cols;
        const int y = i / cols;
        if (x < keep.Left || x > keep.Right || y < keep.Top || y > keep.Bottom) {
            cells[i].Char.UnicodeChar = static_cast<unsigned char>(older_text(x, y));
        }
    }
    WriteConsoleOutputW(out, cells.data(), {SHORT(cols), SHORT(rows)}, {0, 0}, &all);
}

// The console window is cols x rows and holds the frame cut to that size,
// in the console's colours: the playfield with the snake, a blank row, the
// status line as drawscore() writes it, blanks beyond.
void expect_frame(int cols, int rows, const std::string& when)
{
    const std::vector<std::string> shown = read_rows(true);
    bool whole = shown.size() == static_cast<std::size_t>(rows);
    std::fprintf(stderr, "the console window %s:\n", when.c_str());
    for (int y = 0; y < rows && y < static_cast<int>(shown.size()); ++y) {
        std::string expected = y < mapheight ? map[y] : "";
        if (y == status_row) {
            expected = std::string(lives_column, ' ') + "Lives: " + to_string(lives);
            expected.resize(score_column, ' ');
            expected += "Score: " + to_string(score);
            expected.resize(head_column, ' ');
            expected += "x:" + to_string(snakex[0]) + " y:" + to_string(snakey[0]);
        }
        if (y == snakey[0]) {
            expected[snakex[0]] = '@';
        }
        expected.resize(cols, ' ');
        std::fprintf(stderr, "  |%s|\n", shown[y].c_str());
        whole = whole && shown[y] == expected;
    }
    const std::string size = std::to_string(cols) + " x " + std::to_string(rows) + " ";
    check(whole, "the whole frame at " + size + when);
    int coloured = 0;
    for (const CHAR_INFO& cell : read_cells(console().srWindow)) {
        coloured += cell.Attributes == colours ? 1 : 0;
    }
    check(coloured == cols * rows,
          "the console's colours in " + std::to_string(coloured) + " of the " + size + "cells " + when);
}

// Moved to (x, y) of the window, the console's cursor is there at the next
// refresh.
void expect_cursor(int x, int y, const std::string& when)
{
    wmove(stdscr, y, x);
    refresh();
    const CONSOLE_SCREEN_BUFFER_INFO info = console();
    const int at_x = info.dwCursorPosition.X - info.srWindow.Left;
    const int at_y = info.dwCursorPosition.Y - info.srWindow.Top;
    check(at_x == x && at_y == y, "the cursor moved to (" + std::to_string(x) + ", " + std::to_string(y) +
                                      ") of the window shows at (" + std::to_string(at_x) + ", " +
                                      std::to_string(at_y) + ") " + when);
}

// After endwin: the older text in every cell of the cols x rows buffer.
void expect_older_text(int cols, int rows)
{
    const std::vector<std::string> shown = read_rows(false);
    bool restored =
        shown.size() == static_cast<std::size_t>(rows) && shown[0].size() == static_cast<std::size_t>(cols);
    for (int i = 0; restored && i < cols * rows; ++i) {
        restored = shown[i / cols][i % cols] == older_text(i % cols, i / cols);
    }
    check(restored, "the older text back in all of the " + std::to_string(cols) + " x " +
                        std::to_string(rows) + " cells");
}

// Ctrl-C reaches every program of the console: this one goes on.
BOOL WINAPI go_on(DWORD)
{
    return TRUE;
}

struct game_end {
    DWORD status = 0;
    std::string said; // on the error output
};

// Runs the game with its input and output opened as named, doing `meanwhile`
// as it runs, and ends it if it still runs 20 seconds after. If it had this
// console, the console must be as it was before, input mode included.
game_end run_game(const char* game, const std::string& how, const char* input, const char* output,
                  DWORD flags, const std::function<void(HANDLE)>& meanwhile)
{
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = CreateFileA(input, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    &inherited, OPEN_EXISTING, 0, nullptr);
    startup.hStdOutput = CreateFileA(output, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     &inherited, OPEN_EXISTING, 0, nullptr);
    HANDLE said_by_game;
    CreatePipe(&said_by_game, &startup.hStdError, &inherited, 0);
    DWORD mode_before = 0;
    GetConsoleMode(in, &mode_before);
    const std::vector<std::string> before = read_rows(false);

    PROCESS_INFORMATION child{};
    std::string command = game;
    game_end end;
    if (CreateProcessA(game, command.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup,
                       &child)) {
        meanwhile(child.hProcess);
        if (WaitForSingleObject(child.hProcess, 20000) == WAIT_TIMEOUT) {
            TerminateProcess(child.hProcess, 99);
            WaitForSingleObject(child.hProcess, INFINITE);
        }
        GetExitCodeProcess(child.hProcess, &end.status);
    }
    CloseHandle(startup.hStdInput);
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
    char buffer[512];
    for (DWORD got = 0; ReadFile(said_by_game, buffer, sizeof buffer, &got, nullptr) && got > 0;) {
        end.said.append(buffer, got);
    }
    std::fprintf(stderr, "the game %s: exit status 0x%lx, error output: %s%s", how.c_str(), end.status,
                 end.said.c_str(), end.said.ends_with('\n') ? "" : "\n");
    if (flags != DETACHED_PROCESS) { // else the game had no way to the console
        DWORD mode = 0;
        GetConsoleMode(in, &mode);
        check(mode == mode_before && read_rows(false) == before, "the console unchanged " + how);
        SetConsoleMode(in, mode_before); // for what follows, if the game could not put it back
    }
    return end;
}

// The game started with its input or output elsewhere, or with no console
// at all as from mintty: one line on the error output, exit status 1, and
// the console as it was.
void expect_refusal(const char* game, const char* how, const char* input, const char* output, DWORD flags)
{
    const game_end end = run_game(game, how, input, output, flags, [](HANDLE) {});
    check(end.status == 1 && end.said ==
                                 "wriggle-win must run in a Windows console window: mintty and Git Bash "
                                 "need winpty (winpty wriggle-win)\r\n",
          std::string("status 1 and one line on the error output ") + how);
}

// A key press put into the console's input as the keyboard does, a held key
// as one event with its repeat count.
void press_key(WORD key, wchar_t ch, WORD repeat, DWORD control)
{
    INPUT_RECORD record{};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent = {TRUE, repeat, key, 0, {ch}, control};
    DWORD written = 0;
    WriteConsoleInputW(in, &record, 1, &written);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: console_check PATH-OF-wriggle-win.exe\n");
        return 2;
    }
    in = GetStdHandle(STD_INPUT_HANDLE);
    out = GetStdHandle(STD_OUTPUT_HANDLE);
    const char* trace_path = std::getenv("WRIGGLE_CURSES_TRACE");
    if (trace_path != nullptr) {
        std::remove(trace_path);
    }

    // Before the game: older text in a console of 60 x 20 in colours of its
    // own, the cursor at (5, 7), and an input mode that a program set without
    // the extended flags. (Wine then sets the whole mode, QuickEdit and Insert
    // off, where Windows documents that it leaves them as they were.)
    size_console(60, 20, {0, 0, 59, 19}, nowhere);
    SetConsoleTextAttribute(out, colours);
    SetConsoleCursorPosition(out, {5, 7});
    const DWORD mode_before = ENABLE_PROCESSED_INPUT | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT;
    SetConsoleMode(in, mode_before);

    loadmap();
    newsnake();
    newpointnumber();
    initscr();
    // Row LINES and column COLS lie outside the window: refused, and nothing
    // written, before the frame writes the rows beyond a window this small.
    const bool refused = wmove(stdscr, 20, 0) == ERR && wmove(stdscr, 0, 60) == ERR;
    check(refused, "wmove refuses row LINES and column COLS");
    if (!refused) {
        std::fprintf(stderr, "stopped: the frame would write past the window's cells\n");
        return 1;
    }
    check(mvprintw(20, 0, "x") == ERR && mvprintw(0, 60, "x") == ERR,
          "mvprintw refuses row LINES and column COLS");
    endwin(); // out of curses mode, and back by a refresh, as curses allows
    refresh();
    check(read_rows(true) == std::vector<std::string>(20, std::string(60, ' ')), "no cell written by them");
    noecho();
    nodelay(stdscr, TRUE);
    DWORD mode = 0;
    GetConsoleMode(in, &mode);
    check(mode == ENABLE_PROCESSED_INPUT, "keys as typed, and the extended flags left alone");
    drawframe();
    expect_frame(60, 20, "as the game starts");

    // A held key comes as one event with a repeat count: as many keys.
    press_key('X', L'x', 3, 0);
    std::string keys;
    for (int i = 0; i < 4; ++i) {
        keys.append(" ").append(std::to_string(wgetch(stdscr)));
    }
    check(keys == " 120 120 120 -1", "a key held for 3 repeats read as x x x, then none:" + keys);

    // Grown to 100 x 30, where the console shows older text again.
    size_console(100, 30, {0, 0, 99, 29}, {0, 0, 59, 19});
    check(wgetch(stdscr) == KEY_RESIZE, "the key read reports the new size");
    drawframe();
    expect_frame(100, 30, "in the next frame");

    // The window shrunk within the same buffer, seen by the next refresh.
    size_console(100, 30, {0, 0, 79, 14}, {0, 0, 99, 29});
    refresh();
    expect_frame(80, 15, "in the next refresh");
    check(wgetch(stdscr) == KEY_RESIZE && wgetch(stdscr) == ERR, "the key read reports the new size once");
    drawframe();
    expect_frame(80, 15, "in the next frame");

    endwin();
    expect_older_text(100, 30);
    GetConsoleMode(in, &mode);
    const COORD cursor = console().dwCursorPosition;
    check(mode == mode_before && cursor.X == 5 && cursor.Y == 7, "the input mode and the cursor back");

    char trace[80] = "";
    if (FILE* file = trace_path != nullptr ? std::fopen(trace_path, "r") : nullptr) {
        while (std::fgets(trace, sizeof trace, file) != nullptr) {
        }
        std::fclose(file);
    }
    const std::string counts(trace, std::strcspn(trace, "\n"));
    check(counts.starts_with("refreshes=5 console_writes=7 "),
          "one console write a refresh and one an endwin: " + counts);

    // Back in curses mode by a refresh, in a console with scrollback: the
    // window of the same size further down a taller buffer, as output
    // meanwhile scrolls it, then moved up and grown.
    size_console(100, 60, {0, 20, 79, 34}, nowhere);
    refresh();
    drawframe();
    expect_frame(80, 15, "scrolled down");
    expect_cursor(5, 2, "scrolled down");

    size_console(100, 60, {0, 10, 99, 39}, {0, 20, 79, 34});
    check(wgetch(stdscr) == KEY_RESIZE, "the key read reports the window moved and grown");
    drawframe();
    expect_frame(100, 30, "moved up and grown");
    expect_cursor(5, 2, "moved up and grown");
    endwin();
    expect_older_text(100, 60);

    // The game started from Windows 10's usual input mode with processed
    // input off, as another program may leave it: the game turns it on, so
    // that Ctrl-C stops it, and QuickEdit off, so that a click cannot hold its
    // output; the mode is back when it ends. Wine 8 keeps the extended flags,
    // and makes a Ctrl-C key event written into the input the control event
    // while processed input is on, a key while it is off.
    SetConsoleCtrlHandler(go_on, TRUE);
    SetConsoleMode(in, windows10_mode & ~ENABLE_PROCESSED_INPUT);
    const game_end stopped = run_game(argv[1], "stopped by Ctrl-C", "CONIN$", "CONOUT$", 0, [](HANDLE game) {
        bool shown = false;
        for (int i = 0; i < 200 && !shown; ++i) {
            Sleep(50);
            shown = read_rows(true)[0].compare(0, mapwidth, map[0]) == 0;
        }
        check(shown, "the game's frame shown within 10 seconds");
        DWORD playing = 0;
        GetConsoleMode(in, &playing);
        check((playing & ENABLE_PROCESSED_INPUT) != 0, "processed input on in the game");
        check((playing & (ENABLE_EXTENDED_FLAGS | ENABLE_QUICK_EDIT_MODE | ENABLE_INSERT_MODE)) ==
                  (ENABLE_EXTENDED_FLAGS | ENABLE_INSERT_MODE),
              "QuickEdit off in the game, Insert mode kept");
        press_key('C', L'\x03', 1, LEFT_CTRL_PRESSED);
        const ULONGLONG pressed = GetTickCount64();
        const bool ended = WaitForSingleObject(game, 3000) == WAIT_OBJECT_0;
        check(ended, "Ctrl-C ends the game within 3 seconds: " +
                         (ended ? std::to_string(GetTickCount64() - pressed) + " ms" : "still running"));
    });
    check(stopped.status == STATUS_CONTROL_C_EXIT && stopped.said.empty(),
          "the game's exit status tells of Ctrl-C");

    expect_refusal(argv[1], "with its output to NUL", "CONIN$", "NUL", 0);
    expect_refusal(argv[1], "with its input from NUL", "NUL", "CONOUT$", 0);
    expect_refusal(argv[1], "without a console", "NUL", "NUL", DETACHED_PROCESS);
    std::fprintf(stderr, "%d checks failed\n", failures);
    return failures == 0 ? 0 : 1;
}
