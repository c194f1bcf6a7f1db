// Interrupts over POSIX signals.
#include "convert/platform/interrupts.h"

#include <atomic>
#include <csignal>
#include <cstdlib>

namespace {

std::atomic<int> g_interrupt{0};
static_assert(std::atomic<int>::is_always_lock_free);

void OnInterrupt(int signal) {
    g_interrupt.store(signal);
}

} // namespace

void InstallInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // Whoever started us with the signal ignored (nohup for SIGHUP, a
        // shell for SIGINT in a background job) meant it to be ignored.
        struct sigaction old {};
        if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
}

int InterruptSignal() {
    return g_interrupt.load();
}

void ReraiseInterrupt(int signal) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);
}
