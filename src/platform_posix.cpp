// SPDX-License-Identifier: MIT
// POSIX systems (Linux, macOS, the BSDs): the pauses, and stop requests
// (signals) noted for the main loop. Only POSIX.1-2008 calls, so that every
// such system builds it.
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>

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
    // poll counts in whole milliseconds: the rest is rounded up, so that a
    // pause never ends early and never spins on a timeout of 0.
    while (caught_signal == 0) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - clock::now()).count();
        if (left <= 0) {
            return;
        }
        pollfd wake{wake_pipe[0], POLLIN, 0}; // a closed pipe (-1) is ignored
        poll(&wake, 1, static_cast<int>(left));
    }
}

void watch_for_stop()
{
    if (pipe(wake_pipe) == 0) {
        for (const int fd : wake_pipe) {
            fcntl(fd, F_SETFD, FD_CLOEXEC);
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        }
    } else {
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
