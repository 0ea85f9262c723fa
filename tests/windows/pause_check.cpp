// SPDX-License-Identifier: MIT
// The game's pause on Windows, each way it can wait: on a high-resolution
// timer, and on a plain timer where Windows refuses one (before Windows 10
// 1803). Either way a pause of 100 ms lasts 100 ms, and Ctrl-C ends a pause
// at once. Run in a console; reports on the error output, and exits with
// status 0 when every check held.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

#include "platform.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace
{

int failures = 0;

void check(bool ok, const std::string& what)
{
    std::fprintf(stderr, "%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    failures += ok ? 0 : 1;
}

// This program's own CreateWaitableTimerExW, which the game's calls reach:
// their import table entry is defined below, so the linker takes it from
// here instead of from KERNEL32's import library. It notes what each call
// asked for, refuses a high-resolution timer as older Windows does when
// told to, and hands everything else to KERNEL32.
bool refuse_high_resolution = false;
std::vector<DWORD> requests; // the flags of each call

HANDLE WINAPI create_timer(LPSECURITY_ATTRIBUTES attributes, LPCWSTR name, DWORD flags, DWORD access)
{
    requests.push_back(flags);
    if (refuse_high_resolution && (flags & CREATE_WAITABLE_TIMER_HIGH_RESOLUTION) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    using create = decltype(&CreateWaitableTimerExW);
    static const auto kernel32 = reinterpret_cast<create>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CreateWaitableTimerExW")));
    return kernel32(attributes, name, flags, access);
}

double now_ms()
{
    LARGE_INTEGER count;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Twenty ticks' pauses, as the game makes them: two seconds in all.
void expect_ticks_of_100_ms(const std::string& route)
{
    std::vector<double> lasted;
    for (int i = 0; i < 20; ++i) {
        const double start = now_ms();
        pause_ms(100);
        lasted.push_back(now_ms() - start);
    }
    std::sort(lasted.begin(), lasted.end());
    const double median = lasted[lasted.size() / 2];
    check(lasted.front() >= 99.0 && median < 104.0,
          route + ": 20 pauses of 100 ms lasted " + std::to_string(lasted.front()) + " to " +
              std::to_string(lasted.back()) + " ms, median " + std::to_string(median));
}

DWORD WINAPI press_ctrl_c(void*)
{
    Sleep(300);
    GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    return 0;
}

} // namespace

extern "C" {
// NOLINTNEXTLINE(bugprone-reserved-identifier): the linker's name for the import
decltype(&CreateWaitableTimerExW) __imp_CreateWaitableTimerExW = create_timer;
}

int main()
{
    // Each call makes the pause's timer anew: one run takes both ways.
    watch_for_stop();
    check(requests == std::vector<DWORD>{CREATE_WAITABLE_TIMER_HIGH_RESOLUTION},
          "a high-resolution timer asked for, and given");
    expect_ticks_of_100_ms("high-resolution timer");

    requests.clear();
    refuse_high_resolution = true;
    watch_for_stop();
    check(requests == std::vector<DWORD>{CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, 0},
          "refused a high-resolution timer, a plain one asked for");
    expect_ticks_of_100_ms("plain timer");

    // Ctrl-C during a banner's pause of 3 seconds.
    HANDLE presser = CreateThread(nullptr, 0, press_ctrl_c, nullptr, 0, nullptr);
    const double start = now_ms();
    pause_ms(3000);
    const double lasted = now_ms() - start;
    check(stop_requested() && lasted < 1000,
          "Ctrl-C after 300 ms ended a 3-second pause after " + std::to_string(lasted) + " ms");
    WaitForSingleObject(presser, INFINITE);
    return failures == 0 ? 0 : 1;
}
