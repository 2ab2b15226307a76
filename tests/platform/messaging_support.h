// Helpers of the messaging tests (windows, threads, timers, events): let the test's
// main thread — the user-interface thread — process its events until something has
// happened. The time limits only keep a broken build from hanging the test run; no
// test asserts how long anything took.
#pragma once

#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>
#include <thread>

namespace messaging_test {

constexpr auto kGiveUp = std::chrono::seconds(20);

// Processes the calling thread's events until `done()` holds; false if it never did.
template <class Pred>
bool PumpUntil(Pred done) {
    const auto giveUp = std::chrono::steady_clock::now() + kGiveUp;
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        std::this_thread::yield();
    }
    return true;
}

// Waits, without processing anything, until `done()` holds; false if it never did.
template <class Pred>
bool SpinUntil(Pred done) {
    const auto giveUp = std::chrono::steady_clock::now() + kGiveUp;
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        std::this_thread::yield();
    }
    return true;
}

// Processes whatever is queued for the calling thread now.
inline void PumpPending() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace messaging_test
