// Hidden windows and their messages: the small objects through which one thread hands
// work to another, as the command and state managers and the metronome receive theirs.
//
// A hidden window (CMsgWindow) belongs to the thread that created it and receives its
// messages there, from that thread's event loop:
// - PostMessage queues a message for the window's thread and returns at once; the
//   messages posted to the windows of one thread arrive in the order they were posted.
// - SendMessage calls the window's handler at once when the caller is the window's own
//   thread; from another thread it blocks the caller until the window's thread has run
//   the handler, and returns its result. A thread delivers the messages sent to it
//   whenever it runs its event loop or waits in one of our waits (sync.h, thread.h,
//   SendMessage itself), before any posted message; so two threads that send to each
//   other, or a worker that sends to a thread waiting for that worker, never deadlock.
// - Window timers (SetTimer) deliver WM_TIMER with the timer's id to the handler, on the
//   window's thread, through the event loop. They run on the timer service and so on the
//   process clock: under a CManualClock, moving the clock past a tick posts the WM_TIMER,
//   which arrives when the thread next processes its events. At most one WM_TIMER per
//   timer waits in the queue at a time.
// - WM_QUIT posted to a window ends its thread's message loop (RunMessageLoop) instead of
//   reaching the handler.
//
// Messages are addressed by handle (HWND): a handle outlives its window, and posting or
// sending to a handle whose window is gone does nothing (PostMessage answers false,
// SendMessage 0). Destroying a window drops the messages still posted to it, stops its
// timers and releases, with the result 0, every thread still blocked sending to it. A
// message that owns what it carries is posted with a drop procedure, which gives that
// back whenever the message is dropped instead of delivered (see PostMessage).
//
// An exception escaping a handler (or a timer callback, or a thread function) does not
// end the program: it is given to the handler error reporter, and the loop goes on.
//
// Threads: a window is created, used for SetTimer/KillTimer and destroyed on its own
// thread (or destroyed after that thread has ended). PostMessage, SendMessage and
// IsWindow may be called from any thread.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <thread>

using UINT = unsigned int;
using UINT_PTR = std::uintptr_t;
using WPARAM = std::uintptr_t;   // pointer-sized: senders pass pointers in both parameters
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// A window's handle: an opaque value, never reused within a process.
struct HWND__;
using HWND = HWND__*;

// Message numbers the platform itself gives meaning to. The system numbers its own
// messages from WM_USER upward (0x3000, 0x3200, ...).
enum : UINT {
    WM_NULL = 0x0000,
    WM_QUIT = 0x0012,
    WM_TIMER = 0x0113,
    WM_USER = 0x0400,
};

// A window's handler as a plain function, for windows built without a subclass.
using WindowHandler = std::function<LRESULT(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)>;

// A hidden window. Derive and override WindowProc, or give the constructor a handler.
// Never shown; only a name (for traces and tests), a handle, a handler and timers.
class CMsgWindow {
public:
    // Creates the window on the calling thread, which from now on receives its messages.
    explicit CMsgWindow(std::string name = {}, WindowHandler handler = {});
    CMsgWindow(const CMsgWindow&) = delete;
    CMsgWindow& operator=(const CMsgWindow&) = delete;
    virtual ~CMsgWindow();

    HWND GetSafeHwnd() const { return m_hWnd; }
    const std::string& GetName() const { return m_name; }
    std::thread::id GetThreadId() const { return m_threadId; }

    bool PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;
    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;

    // Starts (or restarts with a new interval) the timer `id`, which delivers WM_TIMER with
    // wParam `id` every `ms` milliseconds until killed. Returns `id`; 0 when `id` is 0,
    // when called off the window's thread, or when the timer service refuses.
    UINT_PTR SetTimer(UINT_PTR id, UINT ms);

    // Stops the timer `id`; a WM_TIMER of it still queued is dropped. False when no such
    // timer runs. Window's thread only.
    bool KillTimer(UINT_PTR id);

protected:
    // The handler. The default passes the message to the handler given to the
    // constructor, or answers 0 (DefWindowProc) when there is none.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    friend class CWindowDispatch;   // window.cpp: calls the handler, delivers timer ticks
    struct Timers;

    HWND m_hWnd = nullptr;
    std::string m_name;
    WindowHandler m_handler;
    std::thread::id m_threadId;
    std::unique_ptr<Timers> m_timers;   // owned; the window's running timers
};

// The default handling of a message nobody handles: answers 0.
LRESULT DefWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// Queues a message for the window's thread. False when the window is gone (or its thread).
bool PostMessage(HWND window, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

// Gives back what a posted message owns (an object passed in a parameter) when the
// message never reaches a handler; called with the message's parameters.
using DroppedMessageProc = void (*)(UINT msg, WPARAM wParam, LPARAM lParam);

// PostMessage for a message that carries something it owns. Should the message never
// reach its window's handler (refused here, its window destroyed or its thread's loop
// gone before delivery, still queued when the application ends), `onDropped` runs
// exactly once with its parameters, so that nothing it carries is lost; once a handler
// has it, the handler owns it. It runs on the thread that drops the message (the
// caller's, for a refusal; else, as a rule, the window's), never under a lock of the
// messaging, so it may post again. A message held back by a quit stays the same message.
bool PostMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, DroppedMessageProc onDropped);

// Runs the window's handler on its thread and returns its result, blocking a caller on
// another thread until then. 0 when the window is gone, or is destroyed (or its thread
// ends) before its thread got to the message.
LRESULT SendMessage(HWND window, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

// Whether the handle names a living window.
bool IsWindow(HWND window);

// The calling thread's main window: the window that receives what is addressed to "the
// current thread" rather than to a window (null when none is set or it is gone).
// Per thread; setting null clears it.
void SetMainWindow(HWND window);
HWND GetMainWindow();

// Delivers the messages other threads are sending to the calling thread's windows, and
// returns whether there were any. Our waits and the event loop do this themselves; a
// thread that spins in a loop of its own may call it.
bool DeliverSentMessages();

// Runs the calling thread's message loop until WM_QUIT reaches it (PostQuitMessage, or
// WM_QUIT posted to one of its windows), and returns the quit code.
int RunMessageLoop();

// Asks the calling thread's message loop to end with `code` once it reaches the request.
void PostQuitMessage(int code = 0);

// The reporter of exceptions that escape handlers, timer callbacks and thread functions.
// The default shows a CException through its own ReportError (a CUserException shows
// nothing), any other std::exception through ShowPrompt(what(), MB_ICONERROR), and
// anything else as a general error prompt. The program installs its own to choose the
// texts and icons; a test installs one to see what was reported.
using HandlerErrorReporter = std::function<void(std::exception_ptr error)>;

// Installs a reporter (empty restores the default) and returns the one it replaces.
HandlerErrorReporter SetHandlerErrorReporter(HandlerErrorReporter reporter);

// Gives an exception to the installed reporter; nothing escapes from here.
void ReportHandlerError(std::exception_ptr error);

// The default reporting, for reporters that handle some cases and pass on the rest.
void DefaultReportHandlerError(std::exception_ptr error);
