#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <chrono>
#include <thread>

namespace norvik::bench {

// Serves the window's events until the condition holds or the time is up; returns whether
// it held.
template <typename Condition>
bool PumpUntil(Condition condition, std::chrono::milliseconds timeout) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition() && elapsed.elapsed() < timeout.count()) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}

// Serves the window's events for a while.
inline void Pump(std::chrono::milliseconds duration) {
    PumpUntil([] { return false; }, duration);
}

}  // namespace norvik::bench
