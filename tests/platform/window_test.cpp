// Hidden windows: posting and sending within and across threads, the waits that keep
// delivering sent messages, window timers, the main window of a thread, the message
// loop, and exceptions escaping a handler.
#include "platform/core/window.h"

#include "platform/core/clock.h"
#include "platform/core/exceptions.h"
#include "platform/core/sync.h"
#include "platform/core/thread.h"
#include "platform/ui/prompt_script.h"
#include "tests/platform/messaging_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using messaging_test::CollectReportedErrors;
using messaging_test::PumpPending;
using messaging_test::PumpUntil;
using messaging_test::SpinUntil;

namespace {

constexpr UINT WM_TEST = 0x3200;   // numbered like the system's own messages
constexpr UINT WM_OTHER = 0x3201;

// A window that records every message it receives, with the thread it ran on, and
// answers through `react` when one is set.
class CRecordingWindow : public CMsgWindow {
public:
    struct Received {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
        std::thread::id thread;
    };

    explicit CRecordingWindow(std::function<LRESULT(UINT, WPARAM, LPARAM)> react = {})
        : CMsgWindow("Recorder"), m_react(std::move(react)) {}

    std::vector<Received> GetReceived() const {
        std::lock_guard lock(m_mutex);
        return m_received;
    }
    std::size_t Count(UINT msg) const {
        std::lock_guard lock(m_mutex);
        std::size_t count = 0;
        for (const Received& r : m_received)
            count += r.msg == msg;
        return count;
    }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        {
            std::lock_guard lock(m_mutex);
            m_received.push_back({msg, wParam, lParam, std::this_thread::get_id()});
        }
        return m_react ? m_react(msg, wParam, lParam) : 0;
    }

private:
    std::function<LRESULT(UINT, WPARAM, LPARAM)> m_react;
    mutable std::mutex m_mutex;
    std::vector<Received> m_received;
};

}  // namespace

TEST(WindowPost, MessagesArriveInOrderOnTheWindowsThread) {
    CRecordingWindow window;
    for (WPARAM i = 0; i < 5; ++i)
        EXPECT_TRUE(window.PostMessage(WM_TEST, i, -static_cast<LPARAM>(i)));
    // Posted from another thread too: those keep their own order.
    std::thread poster([&] {
        for (WPARAM i = 5; i < 10; ++i)
            PostMessage(window.GetSafeHwnd(), WM_TEST, i, -static_cast<LPARAM>(i));
    });
    poster.join();
    EXPECT_EQ(window.GetReceived().size(), 0u);   // nothing before the loop runs

    ASSERT_TRUE(PumpUntil([&] { return window.Count(WM_TEST) == 10; }));
    const auto received = window.GetReceived();
    for (std::size_t i = 0; i < received.size(); ++i) {
        EXPECT_EQ(received[i].wParam, i);
        EXPECT_EQ(received[i].lParam, -static_cast<LPARAM>(i));
        EXPECT_EQ(received[i].thread, std::this_thread::get_id());
    }
}

TEST(WindowPost, MessagesToADestroyedWindowAreDroppedSafely) {
    auto handled = std::make_shared<std::atomic<int>>(0);
    auto window = std::make_unique<CRecordingWindow>([handled](UINT, WPARAM, LPARAM) {
        ++*handled;
        return 0;
    });
    const HWND hWnd = window->GetSafeHwnd();
    EXPECT_TRUE(IsWindow(hWnd));
    for (int i = 0; i < 3; ++i)
        window->PostMessage(WM_TEST);
    window.reset();   // three posts still queued

    EXPECT_FALSE(IsWindow(hWnd));
    EXPECT_FALSE(PostMessage(hWnd, WM_TEST));
    EXPECT_EQ(SendMessage(hWnd, WM_TEST), 0);
    PumpPending();
    EXPECT_EQ(*handled, 0);
    EXPECT_FALSE(PostMessage(nullptr, WM_TEST));
}

// A message posted with a drop procedure carries something it owns: when it never
// reaches its handler, the procedure gives that back, once. Each drop here posts
// again, as a state's clean-up may (a follow-up state): the second post goes to
// a window that is gone as well, and is dropped in turn, without a deadlock.
namespace {

struct DropLog {
    HWND repostTo = nullptr;
    std::atomic<int> drops{0};
};

void CountDrop(UINT msg, WPARAM, LPARAM lParam) {
    auto* log = reinterpret_cast<DropLog*>(lParam);
    ++log->drops;
    if (msg == WM_TEST)
        PostMessage(log->repostTo, WM_OTHER, 0, lParam, &CountDrop);
}

}  // namespace

TEST(WindowPost, AMessageThatNeverReachesItsHandlerGivesBackWhatItCarries) {
    const auto post = [](HWND window, DropLog& log) {
        log.repostTo = window;
        return PostMessage(window, WM_TEST, 0, reinterpret_cast<LPARAM>(&log), &CountDrop);
    };

    DropLog refused;
    EXPECT_FALSE(post(nullptr, refused));
    EXPECT_EQ(refused.drops, 2);

    DropLog windowGone;
    auto window = std::make_unique<CRecordingWindow>();
    EXPECT_TRUE(post(window->GetSafeHwnd(), windowGone));
    window.reset();
    PumpPending();
    EXPECT_EQ(windowGone.drops, 2);

    // A thread whose loop never ran ends with the message still queued.
    DropLog threadEnded;
    std::unique_ptr<CRecordingWindow> workerWindow;
    CEvent made(MANUAL_RESET), posted(MANUAL_RESET);
    std::thread worker([&] {
        workerWindow = std::make_unique<CRecordingWindow>();
        made.Set();
        posted.Wait(INFINITE);
    });
    made.Wait(INFINITE);
    EXPECT_TRUE(post(workerWindow->GetSafeHwnd(), threadEnded));
    posted.Set();
    worker.join();
    EXPECT_EQ(threadEnded.drops, 2);
    EXPECT_EQ(workerWindow->Count(WM_TEST), 0u);
    workerWindow.reset();

    // Delivered, also after a quit held it back: the handler has it, nothing is dropped.
    DropLog delivered;
    CRecordingWindow receiver;
    EXPECT_TRUE(post(receiver.GetSafeHwnd(), delivered));
    PostQuitMessage(3);
    EXPECT_TRUE(post(receiver.GetSafeHwnd(), delivered));
    EXPECT_EQ(RunMessageLoop(), 3);
    ASSERT_TRUE(PumpUntil([&] { return receiver.Count(WM_TEST) == 2; }));
    EXPECT_EQ(delivered.drops, 0);
}

TEST(WindowSend, OnTheWindowsOwnThreadTheHandlerRunsAtOnce) {
    HWND seen = nullptr;
    CMsgWindow window("MCStateMgr", [&](HWND hWnd, UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
        seen = hWnd;
        return msg == WM_TEST ? static_cast<LRESULT>(wParam) + 1 : DefWindowProc(hWnd, msg, wParam, 0);
    });
    EXPECT_EQ(window.GetName(), "MCStateMgr");
    EXPECT_EQ(window.SendMessage(WM_TEST, 41), 42);
    EXPECT_EQ(seen, window.GetSafeHwnd());
    EXPECT_EQ(SendMessage(window.GetSafeHwnd(), WM_OTHER), 0);
}

TEST(WindowSend, FromAWorkerReturnsAfterTheUIThreadsHandlerRanWhateverTheUIThreadWaitsIn) {
    // The ways the user-interface thread may pass the time while a worker sends to it.
    enum How { PUMPING_ITS_LOOP, WAITING_FOR_AN_EVENT, WAITING_FOR_THE_THREADS_END };
    const struct {
        const char* name;
        How how;
    } cases[] = {
        {"pumping its loop", PUMPING_ITS_LOOP},
        {"waiting for an event", WAITING_FOR_AN_EVENT},
        {"waiting for the thread's end", WAITING_FOR_THE_THREADS_END},
    };
    for (const auto& c : cases) {
        CRecordingWindow window([](UINT, WPARAM wParam, LPARAM) { return static_cast<LRESULT>(wParam) * 2; });
        CEvent finished(MANUAL_RESET);
        std::atomic<LRESULT> result{0};
        std::atomic<std::size_t> handledBeforeReturn{0};
        CThread worker;
        ASSERT_TRUE(worker.Start([&]() -> DWORD {
            result = SendMessage(window.GetSafeHwnd(), WM_TEST, 21);
            handledBeforeReturn = window.Count(WM_TEST);
            finished.Set();
            return 0;
        }));

        switch (c.how) {
        case PUMPING_ITS_LOOP:
            ASSERT_TRUE(PumpUntil([&] { return finished.IsSignalled(); })) << c.name;
            worker.Wait();
            break;
        case WAITING_FOR_AN_EVENT:
            ASSERT_EQ(finished.Wait(INFINITE), WAIT_OBJECT_0) << c.name;
            worker.Wait();
            break;
        case WAITING_FOR_THE_THREADS_END:
            ASSERT_TRUE(worker.Wait(INFINITE)) << c.name;
            break;
        }
        EXPECT_EQ(result, 42) << c.name;
        EXPECT_EQ(handledBeforeReturn, 1u) << c.name;
        ASSERT_EQ(window.GetReceived().size(), 1u) << c.name;
        EXPECT_EQ(window.GetReceived()[0].thread, std::this_thread::get_id()) << c.name;
    }
}

TEST(WindowSend, TwoThreadsSendingToEachOtherDoNotDeadlock) {
    // The UI thread sends to the worker's window, whose handler sends back to the UI
    // thread's window while the UI thread is still blocked in its own send.
    CRecordingWindow uiWindow([](UINT, WPARAM wParam, LPARAM) { return static_cast<LRESULT>(wParam) + 100; });
    std::unique_ptr<CMsgWindow> workerWindow;
    CMsgThread worker;
    ASSERT_TRUE(worker.Start(
        [&] {
            const HWND back = uiWindow.GetSafeHwnd();
            workerWindow = std::make_unique<CMsgWindow>(
                "Worker", [back](HWND, UINT, WPARAM wParam, LPARAM) { return SendMessage(back, WM_TEST, wParam + 1); });
            return true;
        },
        [&] { workerWindow.reset(); }));

    EXPECT_EQ(SendMessage(workerWindow->GetSafeHwnd(), WM_TEST, 1), 102);
    EXPECT_EQ(uiWindow.Count(WM_TEST), 1u);
    EXPECT_TRUE(worker.Stop());
}

TEST(WindowSend, DestroyingTheWindowReleasesItsBlockedSenders) {
    // The window lives on a thread that neither runs a loop nor waits in our waits, so a
    // message sent to it is never delivered: only destroying the window ends the send.
    // Whether the send was queued before the window went or came after, the sender gets
    // 0 and the handler never runs.
    std::atomic<HWND> target{nullptr};
    std::atomic<bool> destroy{false};
    std::atomic<bool> finish{false};
    auto handled = std::make_shared<std::atomic<int>>(0);
    CThread owner;
    ASSERT_TRUE(owner.Start([&]() -> DWORD {
        {
            CMsgWindow window("Busy", [handled](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
                ++*handled;
                return 1;
            });
            target = window.GetSafeHwnd();
            SpinUntil([&] { return destroy.load(); });
        }
        SpinUntil([&] { return finish.load(); });   // the window is gone, the thread lives on
        return 0;
    }));
    ASSERT_TRUE(SpinUntil([&] { return target.load() != nullptr; }));

    std::atomic<bool> sending{false};
    std::atomic<LRESULT> result{-1};
    CThread sender;
    ASSERT_TRUE(sender.Start([&]() -> DWORD {
        sending = true;
        result = SendMessage(target, WM_TEST);
        return 0;
    }));
    ASSERT_TRUE(SpinUntil([&] { return sending.load(); }));
    destroy = true;
    EXPECT_TRUE(sender.Wait(INFINITE));
    finish = true;
    owner.Wait(INFINITE);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(*handled, 0);
}

TEST(WindowTimer, FiresRepeatedlyUnderTheEventLoop) {
    CRecordingWindow window;
    EXPECT_EQ(window.SetTimer(5, 1), 5u);
    ASSERT_TRUE(PumpUntil([&] { return window.Count(WM_TIMER) >= 3; }));
    EXPECT_TRUE(window.KillTimer(5));
    EXPECT_FALSE(window.KillTimer(5));
    for (const auto& r : window.GetReceived()) {
        EXPECT_EQ(r.msg, static_cast<UINT>(WM_TIMER));
        EXPECT_EQ(r.wParam, 5u);
    }
}

TEST(WindowTimer, TicksOnTheManualClockOneQueuedAtATime) {
    CManualClock clock;
    CRecordingWindow window;
    ASSERT_EQ(window.SetTimer(123, 100), 123u);

    clock.Advance(99);
    PumpPending();
    EXPECT_EQ(window.Count(WM_TIMER), 0u);
    clock.Advance(1);
    PumpPending();
    EXPECT_EQ(window.Count(WM_TIMER), 1u);
    // Ten intervals pass before the loop runs again: one tick waits, not ten.
    clock.Advance(1000);
    PumpPending();
    EXPECT_EQ(window.Count(WM_TIMER), 2u);
    // A tick queued before the timer is killed is dropped.
    clock.Advance(100);
    EXPECT_TRUE(window.KillTimer(123));
    PumpPending();
    EXPECT_EQ(window.Count(WM_TIMER), 2u);
}

TEST(WindowTimer, SetTimerRestartsAnIdAndRefusesBadCalls) {
    CManualClock clock;
    CRecordingWindow window;
    window.SetTimer(1, 100);
    clock.Advance(100);   // a tick of the first interval is queued
    window.SetTimer(1, 10);
    PumpPending();
    EXPECT_EQ(window.Count(WM_TIMER), 0u);   // the restart dropped it
    clock.Advance(10);
    PumpPending();
    EXPECT_EQ(window.Count(WM_TIMER), 1u);
    window.KillTimer(1);

    EXPECT_EQ(window.SetTimer(0, 10), 0u);
    UINT_PTR fromElsewhere = 1;
    std::thread other([&] { fromElsewhere = window.SetTimer(2, 10); });
    other.join();
    EXPECT_EQ(fromElsewhere, 0u);
}

TEST(WindowMainWindow, IsKeptPerThreadAndForgottenWithItsWindow) {
    auto window = std::make_unique<CMsgWindow>("Main frame");
    SetMainWindow(window->GetSafeHwnd());
    EXPECT_EQ(GetMainWindow(), window->GetSafeHwnd());
    HWND onAnotherThread = window->GetSafeHwnd();
    std::thread other([&] { onAnotherThread = GetMainWindow(); });
    other.join();
    EXPECT_EQ(onAnotherThread, nullptr);
    window.reset();
    EXPECT_EQ(GetMainWindow(), nullptr);
    SetMainWindow(nullptr);
}

TEST(WindowLoop, RunsUntilQuitAfterWhatWasPostedBefore) {
    CRecordingWindow window;
    window.PostMessage(WM_TEST, 1);
    window.PostMessage(WM_TEST, 2);
    PostQuitMessage(7);
    window.PostMessage(WM_TEST, 3);   // after the quit: left for later
    EXPECT_EQ(RunMessageLoop(), 7);
    EXPECT_EQ(window.Count(WM_TEST), 2u);

    window.PostMessage(WM_QUIT, 9);   // WM_QUIT to a window ends its thread's loop
    EXPECT_EQ(RunMessageLoop(), 9);
    EXPECT_EQ(window.Count(WM_TEST), 3u);
    EXPECT_EQ(window.Count(WM_QUIT), 0u);
}

TEST(WindowErrors, AnExceptionEscapingAHandlerIsReportedAndTheLoopGoesOn) {
    // What the default reporter shows for each kind of exception.
    const struct {
        const char* name;
        std::function<void()> raise;
        std::size_t prompts;
        std::string text;
    } cases[] = {
        {"std::exception", [] { throw std::runtime_error("No device"); }, 1, "No device"},
        {"CException", [] { throw CNotSupportedException(); }, 1, "The operation is not supported."},
        {"CUserException", [] { throw CUserException(); }, 0, ""},
        {"anything else", [] { throw 42; }, 1, ""},
    };
    for (const auto& c : cases) {
        CPromptScript prompts;
        CRecordingWindow window([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
            if (msg == WM_TEST)
                c.raise();
            return 1;
        });
        window.PostMessage(WM_TEST);
        window.PostMessage(WM_OTHER);
        ASSERT_TRUE(PumpUntil([&] { return window.Count(WM_OTHER) == 1; })) << c.name;
        EXPECT_EQ(window.SendMessage(WM_TEST), 0) << c.name;   // a send gets 0 from a failed handler

        ASSERT_EQ(prompts.GetCount(), 2 * c.prompts) << c.name;
        if (c.prompts) {
            EXPECT_EQ(prompts.GetLast().flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONERROR)) << c.name;
            if (!c.text.empty())
                EXPECT_EQ(prompts.GetLast().text, c.text) << c.name;
            else
                EXPECT_FALSE(prompts.GetLast().text.empty()) << c.name;
        }
    }
}

TEST(WindowErrors, AnInstalledReporterReplacesTheDefault) {
    CPromptScript prompts;
    std::vector<std::string> reported;
    CollectReportedErrors collect(reported);
    CRecordingWindow window([](UINT, WPARAM, LPARAM) -> LRESULT { throw std::runtime_error("Port busy"); });
    window.SendMessage(WM_TEST);

    EXPECT_EQ(reported, std::vector<std::string>{"Port busy"});
    EXPECT_EQ(prompts.GetCount(), 0u);
}
