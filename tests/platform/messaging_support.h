// Helpers of the messaging tests (windows, threads, timers, events): let the test's
// main thread — the user-interface thread — process its events until something has
// happened, and see what the handler-error reporter was given. The time limits only keep a broken build from hanging the test run; no
// test asserts how long anything took.
#pragma once

#include "platform/core/window.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

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

// For its scope, takes the place of the handler-error reporter: the what() of each
// std::exception that escapes a handler, a timer callback or a thread function is
// appended to `messages`, from any thread. The reporter it replaced comes back at
// the end of the scope.
class CollectReportedErrors {
public:
    explicit CollectReportedErrors(std::vector<std::string>& messages)
        : m_previous(SetHandlerErrorReporter([this, &messages](std::exception_ptr error) {
              try {
                  std::rethrow_exception(error);
              } catch (const std::exception& e) {
                  std::lock_guard lock(m_mutex);
                  messages.push_back(e.what());
              }
          })) {}
    ~CollectReportedErrors() { SetHandlerErrorReporter(std::move(m_previous)); }
    CollectReportedErrors(const CollectReportedErrors&) = delete;
    CollectReportedErrors& operator=(const CollectReportedErrors&) = delete;

private:
    std::mutex m_mutex;                 // reporting threads take turns on `messages`
    HandlerErrorReporter m_previous;
};

}  // namespace messaging_test
