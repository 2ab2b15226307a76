// Threads: a plain worker thread that runs one function (a document's release thread),
// and a thread that runs its own message loop so that hidden windows made on it receive
// their messages there (the metronome's thread).
//
// Waiting for a thread's end (Wait) is one of our waits (sync.h): the waiting thread
// keeps delivering the messages other threads send to its windows, so a worker that
// sends to the user-interface thread can always finish while that thread waits for it.
// Timeouts run on the process clock (clock.h).
//
// A thread that cannot be started is reported by Start answering false, never by a
// crash. An exception escaping a thread function is reported through the handler error
// reporter (window.h) and ends the thread with exit code THREAD_FAILED.
//
// A CThread or CMsgThread object is used from one thread at a time (usually the one that
// made it); the threads they start may of course run at the same time.
#pragma once

#include "platform/core/sync.h"
#include "platform/core/window.h"

#include <functional>
#include <memory>
#include <thread>

// The exit code of a thread that is still running, and of one whose function threw.
constexpr DWORD STILL_ACTIVE = 259;
constexpr DWORD THREAD_FAILED = 0xFFFFFFFF;

// Whether the caller runs on the user-interface thread: the thread that loaded the
// platform library, which is the program's main thread, where the Qt application lives.
bool IsUIThread();

// A worker thread running one function. Destroying the object while its thread still runs
// leaves the thread to finish on its own (a release thread is started and forgotten).
class CThread {
public:
    CThread();
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;
    ~CThread();

    // Starts a thread running `function`, whose result becomes the exit code. False when
    // no function is given, this object already started a thread, or the system refused.
    bool Start(std::function<DWORD()> function);

    // Waits until the thread has ended (true) or `ms` milliseconds have passed (false).
    // True at once when no thread was started.
    bool Wait(DWORD ms = INFINITE);

    // Whether the started thread has not yet ended.
    bool IsRunning() const;

    // The function's result once the thread ended, STILL_ACTIVE before.
    DWORD GetExitCode() const;

    // The thread's id (a default id before Start).
    std::thread::id GetThreadId() const;

    // Starts a thread running `function` and forgets it. False when it cannot start.
    static bool StartDetached(std::function<DWORD()> function);

private:
    struct Shared;
    // The body of every thread: the function, then the thread's end made known.
    static void Run(std::shared_ptr<Shared> shared, std::function<DWORD()> function);

    std::shared_ptr<Shared> m_shared;   // shared with the running thread
    std::thread m_thread;
    std::thread::id m_threadId;
};

// A thread with a message loop. Start runs `init` on the new thread — where it creates
// the thread's windows — and returns once `init` has finished; the thread then runs its
// message loop until asked to quit, and finally runs `exit` there (where it destroys
// those windows). Quitting by WM_QUIT posted to one of its windows works as well.
class CMsgThread {
public:
    CMsgThread() = default;
    CMsgThread(const CMsgThread&) = delete;
    CMsgThread& operator=(const CMsgThread&) = delete;
    // Asks the loop to quit and waits for the thread to end.
    ~CMsgThread();

    // False when the thread cannot start, or `init` answers false (the thread then ends
    // without running its loop; `exit` does not run).
    bool Start(std::function<bool()> init = {}, std::function<void()> exit = {});

    // Asks the loop to end; the exit code becomes `code`. False when no loop runs.
    bool PostQuit(int code = 0);

    // PostQuit, then Wait.
    bool Stop(DWORD ms = INFINITE);

    bool Wait(DWORD ms = INFINITE) { return m_thread.Wait(ms); }
    bool IsRunning() const { return m_thread.IsRunning(); }
    DWORD GetExitCode() const { return m_thread.GetExitCode(); }
    std::thread::id GetThreadId() const { return m_thread.GetThreadId(); }

private:
    CThread m_thread;
    HWND m_quitWindow = nullptr;   // the thread's own window that carries the quit request
};
