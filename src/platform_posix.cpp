// SPDX-License-Identifier: MIT
// Linux: the pauses, and stop requests (signals) noted for the main loop.
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "platform.h"

namespace
{

volatile std::sig_atomic_t caught_signal = 0;

// The handler also writes a byte here, so that a pause that begins just
// after a signal arrived still sees it at once: a flag alone would be
// checked a moment too early and the pause would sleep its full length.
int wake_pipe[2] = {-1, -1};

extern "C" void note_signal(int sig)
{
    const int saved_errno = errno;
    caught_signal = sig;
    const char byte = 0;
    [[maybe_unused]] const ssize_t n = write(wake_pipe[1], &byte, 1);
    errno = saved_errno;
}

} // namespace

void pause_ms(int ms)
{
    using clock = std::chrono::steady_clock;
    const auto end = clock::now() + std::chrono::milliseconds(ms);
    // Other signals (a resize) interrupt the wait; it resumes for the rest.
    while (caught_signal == 0) {
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(end - clock::now()).count();
        if (left <= 0) {
            return;
        }
        const timespec timeout{static_cast<time_t>(left / 1000000000), static_cast<long>(left % 1000000000)};
        pollfd wake{wake_pipe[0], POLLIN, 0}; // a closed pipe (-1) is ignored
        ppoll(&wake, 1, &timeout, nullptr);
    }
}

void watch_for_stop()
{
    if (pipe2(wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        wake_pipe[0] = wake_pipe[1] = -1; // the pauses then only sleep
    }
    struct sigaction action = {};
    action.sa_handler = note_signal;
    sigemptyset(&action.sa_mask);
    for (const int sig : std::array{SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        sigaction(sig, &action, nullptr);
    }
}

bool stop_requested()
{
    return caught_signal != 0;
}

void finish_stop()
{
    const int sig = caught_signal;
    if (sig == 0) {
        return;
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}
