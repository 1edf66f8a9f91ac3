// Interruptions on POSIX: SIGINT, SIGTERM and SIGHUP remove the temporary files, then end the
// process by the same signal.
#include <signal.h>
#include <unistd.h>

#include <array>

#include "platform/interrupt.h"
#include "platform/interrupt_os.h"

namespace {

constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, 3> g_previous;

void RemoveTemporariesAndEnd(int nSignal) {
    interrupt_cleanup::RemoveAll();
    // The shell sees 128 + its number and a loop around the program stops.
    EndAsInterrupted(nSignal);
}

}  // namespace

void interrupt_os::RemoveFile(const char* pszPath) { ::unlink(pszPath); }

void EndAsInterrupted(int nSignal) {
    ::signal(nSignal, SIG_DFL);
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, nSignal);
    ::sigprocmask(SIG_UNBLOCK, &signals, nullptr);
    ::raise(nSignal);
    ::_exit(128 + nSignal);  // a signal whose default is not to end the process
}

CRemoveTemporariesOnInterrupt::CRemoveTemporariesOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = RemoveTemporariesAndEnd;
    // Every other interruption waits while the files are removed.
    sigfillset(&action.sa_mask);
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &action, &g_previous[i]);
}

CRemoveTemporariesOnInterrupt::~CRemoveTemporariesOnInterrupt() {
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
}
