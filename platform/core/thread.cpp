#include "platform/core/thread.h"

#include "platform/core/waitslot.h"

#include <atomic>
#include <exception>
#include <system_error>
#include <utility>

namespace {

// Static initialisation runs on the thread that loads the library: the main thread.
const std::thread::id g_uiThreadId = std::this_thread::get_id();

}  // namespace

bool IsUIThread() {
    return std::this_thread::get_id() == g_uiThreadId;
}

// What the starting object and the running thread share; outlives either of them.
struct CThread::Shared {
    CEvent ended{MANUAL_RESET};
    std::atomic<DWORD> exitCode{STILL_ACTIVE};
    std::atomic<bool> started{false};
};

CThread::CThread() : m_shared(std::make_shared<Shared>()) {}

CThread::~CThread() {
    if (!m_thread.joinable())
        return;
    // A thread that still runs is left to finish on its own; it holds what it needs.
    if (m_shared->ended.IsSignalled())
        m_thread.join();
    else
        m_thread.detach();
}

bool CThread::Start(std::function<DWORD()> function) {
    if (!function || m_shared->started)
        return false;
    try {
        m_thread = std::thread(Run, m_shared, std::move(function));
    } catch (const std::system_error&) {
        return false;   // the system would not give us a thread
    }
    m_shared->started = true;
    m_threadId = m_thread.get_id();
    return true;
}

bool CThread::Wait(DWORD ms) {
    if (!m_shared->started)
        return true;
    if (m_shared->ended.Wait(ms) != WAIT_OBJECT_0)
        return false;
    // The function has returned; what is left of the thread ends at once.
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
    return true;
}

bool CThread::IsRunning() const {
    return m_shared->started && !m_shared->ended.IsSignalled();
}

DWORD CThread::GetExitCode() const {
    return m_shared->exitCode;
}

std::thread::id CThread::GetThreadId() const {
    return m_threadId;
}

bool CThread::StartDetached(std::function<DWORD()> function) {
    CThread thread;
    return thread.Start(std::move(function));
}

void CThread::Run(std::shared_ptr<Shared> shared, std::function<DWORD()> function) {
    DWORD code = THREAD_FAILED;
    try {
        code = function();
    } catch (...) {
        ReportHandlerError(std::current_exception());
    }
    // What the function held goes before anyone learns that the thread ended.
    function = nullptr;
    platform_detail::EndThreadMessages();
    shared->exitCode = code;
    shared->ended.Set();
}

namespace {

// What a message thread's starter waits for.
struct CMsgThreadStart {
    CEvent ready{MANUAL_RESET};
    bool ok = false;
    HWND quitWindow = nullptr;
};

}  // namespace

CMsgThread::~CMsgThread() {
    if (m_thread.IsRunning()) {
        PostQuit(0);
        m_thread.Wait(INFINITE);
    }
}

bool CMsgThread::Start(std::function<bool()> init, std::function<void()> exit) {
    if (m_thread.IsRunning())
        return false;
    auto start = std::make_shared<CMsgThreadStart>();
    const bool started = m_thread.Start([start, init = std::move(init), exit = std::move(exit)]() -> DWORD {
        // A window of the thread's own carries the quit request into its loop.
        CMsgWindow quitWindow("CMsgThread");
        start->quitWindow = quitWindow.GetSafeHwnd();
        bool ok = false;
        try {
            ok = !init || init();
        } catch (...) {
            ReportHandlerError(std::current_exception());
        }
        start->ok = ok;
        start->ready.Set();
        if (!ok)
            return THREAD_FAILED;
        const int code = RunMessageLoop();
        if (exit)
            exit();
        return static_cast<DWORD>(code);
    });
    if (!started)
        return false;
    start->ready.Wait(INFINITE);
    m_quitWindow = start->quitWindow;
    return start->ok;
}

bool CMsgThread::PostQuit(int code) {
    return m_quitWindow && PostMessage(m_quitWindow, WM_QUIT, static_cast<WPARAM>(code), 0);
}

bool CMsgThread::Stop(DWORD ms) {
    PostQuit(0);
    return Wait(ms);
}
