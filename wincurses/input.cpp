// SPDX-License-Identifier: MIT
// The keyboard: the input options, and wgetch, which turns the console's key
// events into curses key codes. Events are read in batches into a queue and
// handed out one key per call.
#include "window.h"

namespace
{

constexpr DWORD batch = 32;

// A key still to hand out `repeat` more times: a held key arrives as one
// event with a repeat count.
struct pending_key {
    int code;
    WORD repeat;
};

pending_key queue[batch];
int queue_next = 0;
int queue_end = 0;

// The curses code of a key event, or ERR for a key curses has no code for:
// a key going up, a modifier alone (Shift, Ctrl), a character beyond Latin-1.
int key_code(const KEY_EVENT_RECORD& key, bool keypad)
{
    if (!key.bKeyDown) {
        return ERR;
    }
    // With keypad off, curses on a terminal would hand out an arrow's escape
    // sequence byte by byte; the console sends none, so the arrow is dropped.
    switch (key.wVirtualKeyCode) {
    case VK_DOWN:
        return keypad ? KEY_DOWN : ERR;
    case VK_UP:
        return keypad ? KEY_UP : ERR;
    case VK_LEFT:
        return keypad ? KEY_LEFT : ERR;
    case VK_RIGHT:
        return keypad ? KEY_RIGHT : ERR;
    case VK_ESCAPE:
        return '\x1b'; // its character, which Wine's console leaves out
    default:
        break;
    }
    const wchar_t ch = key.uChar.UnicodeChar;
    if (ch == 0 || ch > 0xff) {
        return ERR;
    }
    return ch;
}

// Moves events from the console into the empty queue, waiting at most
// `timeout` for the first. Under Wine, what is typed in the terminal reaches
// the console's input only once the program waits on the input handle, and
// the count of waiting events alone stays 0; so the wait always comes first,
// even with no time to wait. Returns how many events it took (key or not),
// or -1 if the input is no console.
int read_events(WINDOW* win, DWORD timeout)
{
    const DWORD waited = WaitForSingleObject(con.input, timeout);
    if (waited == WAIT_TIMEOUT) {
        return 0;
    }
    DWORD available = 0;
    if (waited != WAIT_OBJECT_0 || !GetNumberOfConsoleInputEvents(con.input, &available)) {
        return -1;
    }
    if (available == 0 && timeout == 0) {
        return 0;
    }
    // At least one: if the handle is signalled with nothing to read, reading
    // one waits for it where waiting on the handle again would spin.
    INPUT_RECORD records[batch];
    const DWORD wanted = available == 0 ? 1 : available < batch ? available : batch;
    DWORD got = 0;
    if (!ReadConsoleInputW(con.input, records, wanted, &got)) {
        return -1;
    }
    queue_next = 0;
    queue_end = 0;
    for (DWORD i = 0; i < got; ++i) {
        if (records[i].EventType != KEY_EVENT) {
            continue; // mouse, focus, menu, a changed buffer size
        }
        const KEY_EVENT_RECORD& key = records[i].Event.KeyEvent;
        const int code = key_code(key, win->keypad);
        if (code != ERR) {
            queue[queue_end++] = {code, key.wRepeatCount > 0 ? key.wRepeatCount : WORD{1}};
        }
    }
    return static_cast<int>(got);
}

} // namespace

// Curses starts with echo on; initscr has already turned off the console's
// own echo and line editing, so these only set what wgetch does.
int noecho(void)
{
    con.echo = false;
    return OK;
}

// ReadConsoleInputW hands out keys as they are typed whatever the mode, so in
// this library cbreak mode is the only mode there is.
int cbreak(void)
{
    return OK;
}

int keypad(WINDOW* win, bool on)
{
    if (win == nullptr) {
        return ERR;
    }
    win->keypad = on;
    return OK;
}

int nodelay(WINDOW* win, bool on)
{
    if (win == nullptr) {
        return ERR;
    }
    win->nodelay = on;
    return OK;
}

// On a terminal, curses waits this long after an Escape byte for the rest of
// an arrow key's sequence. The console delivers every key as one event,
// Escape included, so nothing needs to wait.
int set_escdelay(int ms)
{
    return ms < 0 ? ERR : OK;
}

// On a terminal this teaches curses another escape sequence for a key. The
// console reports every key as an event of its own, never as a sequence, so
// there is nothing to learn.
int define_key(const char*, int)
{
    return OK;
}

// In no-delay mode returns a key or ERR at once; otherwise waits for a key.
// As in ncurses, a new size of the window comes first, as KEY_RESIZE.
int wgetch(WINDOW* win)
{
    if (win == nullptr) {
        return ERR;
    }
    if (con.refreshes > 0) {
        const double waited = ms_since(con.refreshed);
        con.shortest_wait_ms = con.shortest_wait_ms < 0 ? waited : std::min(con.shortest_wait_ms, waited);
    }
    // As in curses, a window changed or moved since its last refresh is shown
    // before the key is read.
    if (win->changed || win->y != win->shown_y || win->x != win->shown_x) {
        wrefresh(win);
    }
    // Waiting for a key, the size is looked at again every tenth of a second.
    while (!follow_console_size() && !con.resized && queue_next == queue_end) {
        const int taken = read_events(win, win->nodelay ? 0 : 100);
        if (taken < 0 || (taken == 0 && win->nodelay)) {
            return ERR;
        }
    }
    if (con.resized) {
        con.resized = false;
        return KEY_RESIZE;
    }
    pending_key& key = queue[queue_next];
    const int code = key.code;
    if (--key.repeat == 0) {
        ++queue_next;
    }
    if (con.echo && code <= 0xff) {
        put_char(win, static_cast<unsigned char>(code));
        wrefresh(win);
    }
    return code;
}
