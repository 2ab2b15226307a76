// Threads: plain workers (start, exit code, timed wait, failures) and message threads
// whose hidden windows receive their messages on the thread's own loop.
#include "platform/core/thread.h"

#include "platform/core/clock.h"
#include "platform/core/window.h"
#include "tests/platform/messaging_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

using messaging_test::CollectReportedErrors;
using messaging_test::SpinUntil;

TEST(Thread, RunsItsFunctionAndKeepsItsExitCode) {
    CEvent release(MANUAL_RESET);
    std::thread::id ranOn;
    CThread thread;
    ASSERT_TRUE(thread.Start([&]() -> DWORD {
        ranOn = std::this_thread::get_id();
        release.Wait(INFINITE);
        return 17;
    }));
    EXPECT_TRUE(thread.IsRunning());
    EXPECT_EQ(thread.GetExitCode(), STILL_ACTIVE);
    EXPECT_FALSE(thread.Wait(10));   // still held

    release.Set();
    EXPECT_TRUE(thread.Wait(INFINITE));
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(thread.GetExitCode(), 17u);
    EXPECT_EQ(ranOn, thread.GetThreadId());
    EXPECT_NE(ranOn, std::this_thread::get_id());
}

TEST(Thread, TimedWaitForItsEndRunsOnTheManualClock) {
    CManualClock clock;
    CEvent release(MANUAL_RESET);
    CThread worker;
    ASSERT_TRUE(worker.Start([&]() -> DWORD { return release.Wait(INFINITE); }));

    std::atomic<int> waited{-1};
    std::thread waiter([&] { waited = worker.Wait(5000) ? 1 : 0; });
    ASSERT_TRUE(SpinUntil([] { return CManualClock::GetTimedWaiterCount() == 1; }));
    clock.Advance(5000);
    waiter.join();
    EXPECT_EQ(waited, 0);   // the worker still runs: the wait gave up after its 5000 ms

    release.Set();
    EXPECT_TRUE(worker.Wait(INFINITE));
}

TEST(Thread, RefusesWhatItCannotStart) {
    CThread thread;
    EXPECT_FALSE(thread.Start(nullptr));
    EXPECT_TRUE(thread.Wait(0));   // nothing started: nothing to wait for
    ASSERT_TRUE(thread.Start([]() -> DWORD { return 0; }));
    EXPECT_FALSE(thread.Start([]() -> DWORD { return 0; }));   // one thread per object
    thread.Wait();
}

TEST(Thread, AnExceptionEndsTheThreadAsFailedAndIsReported) {
    std::vector<std::string> reported;
    CollectReportedErrors collect(reported);
    CThread thread;
    ASSERT_TRUE(thread.Start([]() -> DWORD { throw std::runtime_error("Tree too deep"); }));
    thread.Wait();

    EXPECT_EQ(thread.GetExitCode(), THREAD_FAILED);
    EXPECT_EQ(reported, std::vector<std::string>{"Tree too deep"});
}

TEST(Thread, DetachedThreadRunsOnItsOwn) {
    // Started and forgotten, as a document hands its tree to a release thread.
    auto done = std::make_shared<CEvent>(MANUAL_RESET);
    ASSERT_TRUE(CThread::StartDetached([done]() -> DWORD {
        done->Set();
        return 0;
    }));
    EXPECT_EQ(done->Wait(INFINITE), WAIT_OBJECT_0);
}

TEST(Thread, TellsTheUserInterfaceThread) {
    EXPECT_TRUE(IsUIThread());
    bool onWorker = true;
    CThread worker;
    ASSERT_TRUE(worker.Start([&]() -> DWORD {
        onWorker = IsUIThread();
        return 0;
    }));
    worker.Wait();
    EXPECT_FALSE(onWorker);
}

namespace {

// What a message thread's window received, and on which thread.
struct Delivery {
    UINT msg;
    WPARAM wParam;
    std::thread::id thread;
};

}  // namespace

TEST(MsgThread, ItsWindowReceivesPostedAndSentMessagesOnItsOwnLoop) {
    std::mutex mutex;
    std::vector<Delivery> deliveries;
    std::unique_ptr<CMsgWindow> window;
    std::thread::id exitedOn;
    CMsgThread thread;
    ASSERT_TRUE(thread.Start(
        [&] {
            window = std::make_unique<CMsgWindow>("CSeqMetronome", [&](HWND, UINT msg, WPARAM wParam, LPARAM) {
                std::lock_guard lock(mutex);
                deliveries.push_back({msg, wParam, std::this_thread::get_id()});
                return static_cast<LRESULT>(deliveries.size());
            });
            return true;
        },
        [&] {
            exitedOn = std::this_thread::get_id();
            window.reset();
        }));
    ASSERT_TRUE(thread.IsRunning());

    const HWND hWnd = window->GetSafeHwnd();
    EXPECT_TRUE(PostMessage(hWnd, 0x3000, 1));
    EXPECT_TRUE(PostMessage(hWnd, 0x3000, 2));
    // The send queues behind nothing: it returns once the thread's loop ran the handler.
    const LRESULT sentResult = SendMessage(hWnd, 0x3001, 3);
    EXPECT_TRUE(thread.PostQuit(5));
    EXPECT_TRUE(thread.Wait(INFINITE));

    EXPECT_EQ(thread.GetExitCode(), 5u);
    EXPECT_EQ(exitedOn, thread.GetThreadId());
    EXPECT_FALSE(IsWindow(hWnd));
    ASSERT_EQ(deliveries.size(), 3u);
    EXPECT_GE(sentResult, 1);
    for (const Delivery& d : deliveries)
        EXPECT_EQ(d.thread, thread.GetThreadId());
    // Posted messages keep their order among themselves.
    std::vector<WPARAM> posted;
    for (const Delivery& d : deliveries) {
        if (d.msg == 0x3000)
            posted.push_back(d.wParam);
    }
    EXPECT_EQ(posted, (std::vector<WPARAM>{1, 2}));
}

TEST(MsgThread, WmQuitPostedToItsWindowEndsItsLoop) {
    std::unique_ptr<CMsgWindow> window;
    CMsgThread thread;
    ASSERT_TRUE(thread.Start([&] {
        window = std::make_unique<CMsgWindow>("Worker");
        return true;
    }, [&] { window.reset(); }));
    EXPECT_TRUE(PostMessage(window->GetSafeHwnd(), WM_QUIT, 3));
    EXPECT_TRUE(thread.Wait(INFINITE));
    EXPECT_EQ(thread.GetExitCode(), 3u);
    EXPECT_FALSE(thread.PostQuit());   // no loop left to end
}

TEST(MsgThread, StartFailsWhenInitFails) {
    const struct {
        const char* name;
        std::function<bool()> init;
    } cases[] = {
        {"init answers false", [] { return false; }},
        {"init throws", []() -> bool { throw std::runtime_error("No window"); }},
    };
    HandlerErrorReporter previous = SetHandlerErrorReporter([](std::exception_ptr) {});
    for (const auto& c : cases) {
        bool exited = false;
        CMsgThread thread;
        EXPECT_FALSE(thread.Start(c.init, [&] { exited = true; })) << c.name;
        EXPECT_TRUE(thread.Wait(INFINITE)) << c.name;
        EXPECT_EQ(thread.GetExitCode(), THREAD_FAILED) << c.name;
        EXPECT_FALSE(exited) << c.name;
    }
    SetHandlerErrorReporter(previous);
}

TEST(MsgThread, DestroyingTheObjectEndsTheThread) {
    auto ended = std::make_shared<std::atomic<bool>>(false);
    {
        CMsgThread thread;
        ASSERT_TRUE(thread.Start({}, [ended] { *ended = true; }));
    }
    EXPECT_TRUE(*ended);
}
