// Linux: nanosleep for the pauses, and signals noted in a flag.
#include <array>
#include <cerrno>
#include <csignal>
#include <ctime>

#include "platform.h"

namespace
{

volatile std::sig_atomic_t caught_signal = 0;

extern "C" void note_signal(int sig)
{
    caught_signal = sig;
}

} // namespace

void pause_ms(int ms)
{
    // A signal (a resize, say) must not cut a tick short: sleep out the rest.
    timespec left{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) == -1 && errno == EINTR && caught_signal == 0) {
    }
}

void watch_for_stop()
{
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
