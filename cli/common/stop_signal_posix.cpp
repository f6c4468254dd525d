#include <pthread.h>
#include <signal.h>

#include <atomic>

#include "stop_signal.h"

namespace norvik::cli {
namespace {

// A signal handler may touch nothing but a lock-free atomic.
std::atomic<bool> stop_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnStopSignal(int) {
    stop_requested.store(true);
}

// SIGHUP is the terminal closing, as an ended ssh session: killed by it, norvik-set would leave
// a request in the audit log without its outcome.
constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kStopSignals) {
        sigaddset(&set, signal);
    }
    return set;
}

}  // namespace

void InstallStopHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    // Ignored from the start, SIGHUP stays ignored: nohup asks that.
    struct sigaction hangup {};
    if (sigaction(SIGHUP, nullptr, &hangup) == 0 && hangup.sa_handler != SIG_IGN) {
        sigaction(SIGHUP, &action, nullptr);
    }
    const sigset_t set = StopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void AcceptStopSignals() {
    const sigset_t set = StopSignals();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

bool StopRequested() {
    return stop_requested.load();
}

const char* StopSignalsText() {
    return "SIGTERM, SIGHUP or SIGINT (Ctrl+C)";
}

void StopFinished() {}

}  // namespace norvik::cli
