// SPDX-License-Identifier: MIT
// Windows console: the pauses wait on a timer together with an event that
// Ctrl-C or closing the console sets, so a stop request ends even a banner
// pause at once.
#include <windows.h>

#include "platform.h"

// Windows 10 1803 and later; older headers lack the name.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace
{

HANDLE stop_event = nullptr;
HANDLE tick_timer = nullptr;
volatile LONG stop_seen = 0;

BOOL WINAPI note_control(DWORD)
{
    InterlockedExchange(&stop_seen, 1);
    SetEvent(stop_event);
    return TRUE;
}

// Windows ends a plain timed wait only at a tick of its system timer, every
// 15.6 ms unless some program asks for more: a 100 ms wait would last up to
// 116 ms, about 109 on average, and the game would run a tenth slow. A
// high-resolution waitable timer keeps to the millisecond. Windows before
// 10 1803 refuses one; a plain waitable timer then serves, as coarse as a
// plain wait.
HANDLE make_tick_timer()
{
    HANDLE timer =
        CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    if (timer == nullptr) {
        timer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    }
    return timer;
}

} // namespace

void pause_ms(int ms)
{
    if (stop_event == nullptr) {
        Sleep(static_cast<DWORD>(ms));
        return;
    }
    LARGE_INTEGER due;
    due.QuadPart = -10000LL * ms; // relative, in units of 100 ns
    if (tick_timer != nullptr && SetWaitableTimer(tick_timer, &due, 0, nullptr, nullptr, FALSE)) {
        const HANDLE wake[] = {stop_event, tick_timer};
        WaitForMultipleObjects(2, wake, FALSE, INFINITE);
        return;
    }
    WaitForSingleObject(stop_event, static_cast<DWORD>(ms));
}

void watch_for_stop()
{
    stop_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    tick_timer = make_tick_timer();
    SetConsoleCtrlHandler(note_control, TRUE);
}

bool stop_requested()
{
    return stop_seen != 0;
}

void finish_stop()
{
    if (stop_requested()) {
        ExitProcess(STATUS_CONTROL_C_EXIT);
    }
}
