#pragma once

#include <chrono>
#include <thread>

namespace norvik::test {

// Polls a condition until it holds or the time is up; returns whether it held.
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Presses a button until a press is taken, as a person presses again a button that did
// nothing: Search drops a press while a receive loop handles a datagram, and a device may be
// answering at any moment. taken tells whether the last press was taken; pause runs between
// presses (a window's test serves its events there). Returns whether a press was taken in time.
template <typename Press, typename Taken, typename Pause>
bool PressUntilTaken(Press press, Taken taken, Pause pause,
                     std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    press();
    while (!taken()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        pause();
        press();
    }
    return true;
}

template <typename Press, typename Taken>
bool PressUntilTaken(Press press, Taken taken) {
    return PressUntilTaken(press, taken,
                           [] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); });
}

}  // namespace norvik::test
