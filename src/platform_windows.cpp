// SPDX-License-Identifier: MIT
// Windows console: the pauses wait on an event that Ctrl-C or closing the
// console sets, so a stop request ends even a banner pause at once.
#include <windows.h>

#include "platform.h"

namespace
{

HANDLE stop_event = nullptr;
volatile LONG stop_seen = 0;

BOOL WINAPI note_control(DWORD)
{
    InterlockedExchange(&stop_seen, 1);
    SetEvent(stop_event);
    return TRUE;
}

} // namespace

void pause_ms(int ms)
{
    if (stop_event == nullptr) {
        Sleep(static_cast<DWORD>(ms));
        return;
    }
    WaitForSingleObject(stop_event, static_cast<DWORD>(ms));
}

void watch_for_stop()
{
    stop_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
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
