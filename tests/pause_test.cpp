// SPDX-License-Identifier: MIT
// The pause of a tick or a banner: never shorter than asked, asleep while it
// waits, not cut short by a harmless signal, and ended at once by a request
// to stop.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include "platform.h"

namespace
{

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Every check here bounds a pause from below: a pause many times too long
// would hold a test for minutes, then pass. So a test that has run for far
// longer than its pauses ask ends there, failing.
extern "C" void stop_the_test(int)
{
    const char said[] = "the pauses took many times longer than asked: stopped after the deadline\n";
    [[maybe_unused]] const ssize_t n = write(STDERR_FILENO, said, sizeof said - 1);
    _exit(1);
}

class Deadline
{
  public:
    explicit Deadline(unsigned seconds)
    {
        std::signal(SIGALRM, stop_the_test);
        alarm(seconds);
    }
    ~Deadline() { alarm(0); }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;
};

double ms_since(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

TEST(Pause, NeverEndsEarly)
{
    const Deadline deadline(5); // for 705 ms of pauses
    for (const int ms : {1, 2, 3, 10, 25, 100}) {
        for (int i = 0; i < 5; ++i) {
            const auto start = Clock::now();
            pause_ms(ms);
            const double lasted = ms_since(start);
            EXPECT_GE(lasted, ms) << "a pause of " << ms << " ms lasted " << lasted << " ms";
        }
    }
}

// Forty pauses of 5 ms cost well under a millisecond of CPU time; a pause
// that polled through its last millisecond would cost tens.
TEST(Pause, SleepsWhileItWaits)
{
    const auto cpu_ms = [] {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
    };
    const Deadline deadline(5);
    const double before = cpu_ms();
    for (int i = 0; i < 40; ++i) {
        pause_ms(5);
    }
    EXPECT_LT(cpu_ms() - before, 10.0) << "ms of CPU time for 200 ms of pauses";
}

extern "C" void ignore_signal(int) {}

// A resize (SIGWINCH, which curses catches) interrupts the wait, which then
// goes on for the rest of the pause.
TEST(Pause, HarmlessSignalsDoNotShortenIt)
{
    struct sigaction action = {};
    struct sigaction before = {};
    action.sa_handler = ignore_signal; // and no SA_RESTART, as curses has it
    sigemptyset(&action.sa_mask);
    sigaction(SIGWINCH, &action, &before);
    const pthread_t pausing = pthread_self();
    std::thread resizer([pausing] {
        for (int i = 0; i < 3; ++i) {
            std::this_thread::sleep_for(50ms);
            pthread_kill(pausing, SIGWINCH);
        }
    });
    const Deadline deadline(5);
    const auto start = Clock::now();
    pause_ms(300);
    const double lasted = ms_since(start);
    resizer.join();
    sigaction(SIGWINCH, &before, nullptr);
    EXPECT_GE(lasted, 300) << "a pause of 300 ms, resized every 50 ms, lasted " << lasted << " ms";
}

// A stop request that lands after the pause last looked for one, and before
// its wait begins, must still end it. Caught on another thread, a signal
// leaves the pausing thread's wait running just as such a late one does:
// only the handler's wake-up can end it.
void pause_stopped_from_another_thread()
{
    watch_for_stop();
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    std::thread catcher([&stop] {
        pthread_sigmask(SIG_UNBLOCK, &stop, nullptr);
        std::this_thread::sleep_for(200ms);
        kill(getpid(), SIGTERM); // taken by the one thread that does not block it
    });
    const auto start = Clock::now();
    pause_ms(3000);
    const double lasted = ms_since(start);
    catcher.join();
    std::fprintf(stderr, "stop requested: %d; a pause of 3000 ms, stopped after 200, lasted %.0f ms\n",
                 stop_requested() ? 1 : 0, lasted);
    std::exit(stop_requested() && lasted < 1500 ? 0 : 1);
}

// In a process of its own, as the request to stop stays for good.
TEST(Pause, StopRequestEndsItAtOnce)
{
    const Deadline deadline(5);
    EXPECT_EXIT(pause_stopped_from_another_thread(), ::testing::ExitedWithCode(0), "stop requested: 1");
}

} // namespace
