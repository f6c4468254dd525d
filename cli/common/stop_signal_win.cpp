// clang-format off
#include <windows.h>
// clang-format on

#include <atomic>

#include "stop_signal.h"

namespace norvik::cli {
namespace {

std::atomic<bool> stop_requested{false};
std::atomic<bool> finished{false};

BOOL WINAPI OnConsoleControl(DWORD type) {
    // Only a program run as a service hears a logoff, and then any user's: no reason for a
    // watch to stop. Taken as handled, so that the default handler does not end the process.
    if (type == CTRL_LOGOFF_EVENT) {
        return TRUE;
    }
    stop_requested.store(true);
    if (type == CTRL_CLOSE_EVENT || type == CTRL_SHUTDOWN_EVENT) {
        // Windows ends the process as soon as this returns: the metrics file is finished first
        // (the main thread's return ends the process, and this thread with it). Windows
        // allows about five seconds.
        for (int waited = 0; !finished.load() && waited < 4000; waited += 20) {
            Sleep(20);
        }
    }
    return TRUE;
}

}  // namespace

void InstallStopHandlers() {
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

void AcceptStopSignals() {}

bool StopRequested() {
    return stop_requested.load();
}

const char* StopSignalsText() {
    return "Ctrl+C, Ctrl+Break or closing its console";
}

void StopFinished() {
    finished.store(true);
}

}  // namespace norvik::cli
