#include "platform/core/window.h"

#include "platform/core/exceptions.h"
#include "platform/core/sync.h"
#include "platform/core/timer.h"
#include "platform/core/waitslot.h"
#include "platform/ui/prompt.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QObject>

#include <atomic>
#include <cstdio>
#include <deque>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

using platform_detail::CWaitSlot;

// Qt's event queue synchronises with locks the thread sanitizer cannot see, so
// an event handed to another thread would look like a race on everything it
// carries. Under that sanitizer the hand-over is declared to it.
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#define SW_HAND_OVER(event) __tsan_release(event)
#define SW_TAKE_OVER(event) __tsan_acquire(event)
#else
#define SW_HAND_OVER(event) ((void)(event))
#define SW_TAKE_OVER(event) ((void)(event))
#endif

namespace {

// ---- What travels through Qt's event queue -------------------------------------------

struct EventTypes {
    QEvent::Type posted;   // a posted message
    QEvent::Type tick;     // a window timer's tick
    QEvent::Type sent;     // "messages are being sent to this thread": deliver them
    QEvent::Type quit;     // WM_QUIT: end the thread's message loop
};

const EventTypes& Types() {
    static const EventTypes types{
        static_cast<QEvent::Type>(QEvent::registerEventType()),
        static_cast<QEvent::Type>(QEvent::registerEventType()),
        static_cast<QEvent::Type>(QEvent::registerEventType()),
        static_cast<QEvent::Type>(QEvent::registerEventType()),
    };
    return types;
}

class CPostedEvent : public QEvent {
public:
    CPostedEvent(HWND window, UINT message, WPARAM w, LPARAM l, DroppedMessageProc dropped)
        : QEvent(Types().posted), hWnd(window), msg(message), wParam(w), lParam(l), onDropped(dropped) {}
    // A message that never reached its handler gives back what it carries:
    // Qt deletes the events it drops (their receiver gone, the application
    // ending), and a refused post deletes its event too.
    ~CPostedEvent() override {
        if (onDropped)
            onDropped(msg, wParam, lParam);
    }
    // The same message, to be posted again later; this one no longer owns
    // what it carries.
    std::unique_ptr<CPostedEvent> Move() {
        return std::make_unique<CPostedEvent>(hWnd, msg, wParam, lParam, std::exchange(onDropped, nullptr));
    }
    HWND hWnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    DroppedMessageProc onDropped;   // cleared once a handler has the message
};

class CTickEvent : public QEvent {
public:
    CTickEvent(HWND window, UINT_PTR timerId, std::uint64_t timerGeneration)
        : QEvent(Types().tick), hWnd(window), id(timerId), generation(timerGeneration) {}
    HWND hWnd;
    UINT_PTR id;
    std::uint64_t generation;   // tells a tick of a killed (or restarted) timer from a live one
};

class CQuitEvent : public QEvent {
public:
    explicit CQuitEvent(int quitCode) : QEvent(Types().quit), code(quitCode) {}
    int code;
};

// A message sent from another thread, waiting for the window's thread.
struct CSentMessage {
    HWND hWnd = nullptr;
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;
    CEvent done{MANUAL_RESET};   // set once handled, or once it never will be
};

class CThreadMessages;

// Receives the thread's messages from Qt's event loop. Lives on its thread.
class CDispatcher : public QObject {
public:
    explicit CDispatcher(CThreadMessages& owner) : m_owner(owner) {}
    bool event(QEvent* event) override;

private:
    CThreadMessages& m_owner;   // owns this dispatcher
};

// ---- One thread's messaging ---------------------------------------------------------------

// What one thread has for its windows. Created on the thread when it first needs it;
// shared with the window registry, so a sender holding it never sees it destroyed.
class CThreadMessages {
public:
    CThreadMessages() : threadId(std::this_thread::get_id()), slot(platform_detail::CurrentWaitSlot()) {}

    const std::thread::id threadId;
    const std::shared_ptr<CWaitSlot> slot;   // woken when a message is sent to this thread

    // This thread only.
    HWND mainWindow = nullptr;
    std::vector<QEventLoop*> loops;   // our message loops running on this thread, innermost last
    bool quitPending = false;
    int quitCode = 0;
    // Posted while a quit ends our loops: held back, as they come after the quit, and
    // posted again once the loops have ended.
    std::vector<std::unique_ptr<QEvent>> heldBack;

    // Creates the Qt object that receives this thread's events. This thread only.
    void EnsureDispatcher();

    // Hands an event to this thread's loop, which takes it over; false, the event left
    // with the caller, when the thread has no loop object or has ended. The caller
    // deletes a refused event once it holds none of the messaging's locks: a dropped
    // message's clean-up may post again. Any thread.
    bool Post(std::unique_ptr<QEvent>& event, int priority = Qt::NormalEventPriority);

    // Queues a message sent from another thread and wakes this thread. Any thread.
    bool QueueSend(const std::shared_ptr<CSentMessage>& message);

    // Delivers what other threads sent. This thread only.
    bool DeliverSent();

    // Completes, with 0, the messages still sent to a window that is going away.
    void ReleaseSendsTo(HWND window);

    // Asks our loops on this thread to end. This thread only.
    void Quit(int code);

    // Drops the Qt object (the application is going away), and with it the events
    // still posted to it; sent messages still work.
    void DropDispatcher();

    // The thread is ending: nothing can be posted or sent to it any more. This thread only.
    void End();

private:
    std::mutex m_mutex;
    std::deque<std::shared_ptr<CSentMessage>> m_sent;   // sent messages not yet delivered
    CDispatcher* m_dispatcher = nullptr;                // owned; deleted on this thread
    bool m_ended = false;
};

// The calling thread's messaging: ended explicitly by thread.cpp before a thread of ours
// ends, and at the latest when the thread's storage goes.
struct CThreadMessagesHolder {
    std::shared_ptr<CThreadMessages> messages;
    ~CThreadMessagesHolder() {
        if (messages)
            messages->End();
    }
};
thread_local CThreadMessagesHolder t_holder;

CThreadMessages& CurrentMessages() {
    if (!t_holder.messages)
        t_holder.messages = std::make_shared<CThreadMessages>();
    return *t_holder.messages;
}

// ---- The windows of the process -----------------------------------------------------------

struct CWindowEntry {
    CMsgWindow* window;                        // borrowed: removed before the window dies
    std::shared_ptr<CThreadMessages> owner;    // the window's thread
};

struct CRegistry {
    std::mutex mutex;
    std::unordered_map<HWND, CWindowEntry> windows;
    std::uintptr_t lastHandle = 0;
};

CRegistry& Registry() {
    // Never destroyed: static windows of other libraries may go after our statics.
    static CRegistry* registry = new CRegistry;
    return *registry;
}

// The window behind a handle, when it lives and belongs to the calling thread `me`. A
// window is destroyed only on its own thread, so it stays valid while `me` uses it.
CMsgWindow* FindOwnWindow(HWND hWnd, const CThreadMessages& me) {
    CRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    auto found = registry.windows.find(hWnd);
    if (found == registry.windows.end() || found->second.owner.get() != &me)
        return nullptr;
    return found->second.window;
}

// Hands an event for the window to its thread. False, and the event deleted, when the
// window is gone.
bool PostToWindow(HWND hWnd, QEvent* event) {
    // Declared before the lock, so a refused event goes after the lock is released.
    std::unique_ptr<QEvent> owned(event);
    CRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    auto found = registry.windows.find(hWnd);
    return found != registry.windows.end() && found->second.owner->Post(owned);
}

std::atomic<std::uint64_t> g_timerGeneration{0};

std::mutex g_reporterMutex;
HandlerErrorReporter g_reporter;   // empty: the default reporting

}  // namespace

// Calls into windows on their own thread: handlers (with exceptions reported) and ticks.
class CWindowDispatch {
public:
    static LRESULT Call(CMsgWindow& window, UINT msg, WPARAM wParam, LPARAM lParam) {
        try {
            return window.WindowProc(msg, wParam, lParam);
        } catch (...) {
            ReportHandlerError(std::current_exception());
            return 0;
        }
    }

    static void Tick(CMsgWindow& window, UINT_PTR id, std::uint64_t generation);
};

struct CMsgWindow::Timers {
    struct Entry {
        UINT serviceId;                              // the timer service's timer
        std::uint64_t generation;
        std::shared_ptr<std::atomic<bool>> queued;   // a tick of it waits in the queue
    };
    std::unordered_map<UINT_PTR, Entry> byId;
};

void CWindowDispatch::Tick(CMsgWindow& window, UINT_PTR id, std::uint64_t generation) {
    auto found = window.m_timers->byId.find(id);
    if (found == window.m_timers->byId.end() || found->second.generation != generation)
        return;   // killed or restarted since this tick was queued
    found->second.queued->store(false);
    Call(window, WM_TIMER, id, 0);
}

namespace {

bool CDispatcher::event(QEvent* event) {
    SW_TAKE_OVER(event);
    const EventTypes& types = Types();
    const QEvent::Type type = event->type();
    if (type != types.posted && type != types.tick && type != types.sent && type != types.quit)
        return QObject::event(event);

    // Sent messages go before anything posted, as senders are blocked waiting.
    m_owner.DeliverSent();
    // Qt hands out every event already queued before a loop that was told to exit returns;
    // what comes after a quit must wait for the next loop.
    const bool afterQuit = m_owner.quitPending && !m_owner.loops.empty();
    if (afterQuit && type == types.posted) {
        m_owner.heldBack.push_back(static_cast<CPostedEvent*>(event)->Move());
    } else if (afterQuit && type == types.tick) {
        auto* tick = static_cast<CTickEvent*>(event);
        m_owner.heldBack.push_back(std::make_unique<CTickEvent>(tick->hWnd, tick->id, tick->generation));
    } else if (type == types.posted) {
        auto* posted = static_cast<CPostedEvent*>(event);
        if (CMsgWindow* window = FindOwnWindow(posted->hWnd, m_owner)) {
            posted->onDropped = nullptr;   // the handler has it now, whatever it does
            CWindowDispatch::Call(*window, posted->msg, posted->wParam, posted->lParam);
        }
    } else if (type == types.tick) {
        auto* tick = static_cast<CTickEvent*>(event);
        if (CMsgWindow* window = FindOwnWindow(tick->hWnd, m_owner))
            CWindowDispatch::Tick(*window, tick->id, tick->generation);
    } else if (type == types.quit) {
        m_owner.Quit(static_cast<CQuitEvent*>(event)->code);
    }
    return true;
}

void DropMainThreadDispatcher() {
    if (t_holder.messages)
        t_holder.messages->DropDispatcher();
}

void CThreadMessages::EnsureDispatcher() {
    {
        std::lock_guard lock(m_mutex);
        if (m_dispatcher || m_ended)
            return;
    }
    QCoreApplication* app = QCoreApplication::instance();
    // A thread that Qt did not start has no event dispatcher until an event loop is made
    // on it; without one, events posted to it would never be processed.
    if (app && !QAbstractEventDispatcher::instance())
        QEventLoop makesDispatcher;
    auto* dispatcher = new CDispatcher(*this);
    {
        std::lock_guard lock(m_mutex);
        m_dispatcher = dispatcher;
    }
    // The application's thread loses its loop object with the application.
    if (app && app->thread() == dispatcher->thread())
        qAddPostRoutine(DropMainThreadDispatcher);
}

bool CThreadMessages::Post(std::unique_ptr<QEvent>& event, int priority) {
    std::lock_guard lock(m_mutex);
    if (m_ended || !m_dispatcher)
        return false;
    SW_HAND_OVER(event.get());
    QCoreApplication::postEvent(m_dispatcher, event.release(), priority);
    return true;
}

bool CThreadMessages::QueueSend(const std::shared_ptr<CSentMessage>& message) {
    {
        std::lock_guard lock(m_mutex);
        if (m_ended)
            return false;
        m_sent.push_back(message);
        // Reaches the thread when it runs its event loop; a wait of ours sees the slot.
        if (m_dispatcher) {
            auto* wake = new QEvent(Types().sent);
            SW_HAND_OVER(wake);
            QCoreApplication::postEvent(m_dispatcher, wake, Qt::HighEventPriority);
        }
    }
    slot->Wake();
    return true;
}

bool CThreadMessages::DeliverSent() {
    bool delivered = false;
    for (;;) {
        std::shared_ptr<CSentMessage> message;
        {
            std::lock_guard lock(m_mutex);
            if (m_sent.empty())
                break;
            message = m_sent.front();
            m_sent.pop_front();
        }
        // One at a time: a handler that waits delivers the next ones itself.
        if (CMsgWindow* window = FindOwnWindow(message->hWnd, *this))
            message->result = CWindowDispatch::Call(*window, message->msg, message->wParam, message->lParam);
        message->done.Set();
        delivered = true;
    }
    return delivered;
}

void CThreadMessages::ReleaseSendsTo(HWND window) {
    std::lock_guard lock(m_mutex);
    for (auto it = m_sent.begin(); it != m_sent.end();) {
        if ((*it)->hWnd == window) {
            (*it)->done.Set();
            it = m_sent.erase(it);
        } else {
            ++it;
        }
    }
}

void CThreadMessages::Quit(int code) {
    quitPending = true;
    quitCode = code;
    for (QEventLoop* loop : loops)
        loop->exit(code);
}

void CThreadMessages::DropDispatcher() {
    CDispatcher* dispatcher = nullptr;
    {
        std::lock_guard lock(m_mutex);
        dispatcher = std::exchange(m_dispatcher, nullptr);
    }
    // Qt deletes the events still posted to it; outside the lock, as a dropped
    // message's clean-up may post again (and be refused now).
    delete dispatcher;
}

void CThreadMessages::End() {
    std::deque<std::shared_ptr<CSentMessage>> orphans;
    CDispatcher* dispatcher = nullptr;
    {
        std::lock_guard lock(m_mutex);
        m_ended = true;
        orphans.swap(m_sent);
        dispatcher = std::exchange(m_dispatcher, nullptr);
    }
    delete dispatcher;   // outside the lock, as in DropDispatcher
    for (auto& message : orphans)
        message->done.Set();
}

}  // namespace

namespace platform_detail {

void EndThreadMessages() {
    if (t_holder.messages) {
        t_holder.messages->End();
        t_holder.messages.reset();
    }
}

}  // namespace platform_detail

// ---- Windows ------------------------------------------------------------------------------

CMsgWindow::CMsgWindow(std::string name, WindowHandler handler)
    : m_name(std::move(name)),
      m_handler(std::move(handler)),
      m_threadId(std::this_thread::get_id()),
      m_timers(std::make_unique<Timers>()) {
    CThreadMessages& me = CurrentMessages();
    me.EnsureDispatcher();
    CRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    m_hWnd = reinterpret_cast<HWND>(++registry.lastHandle);
    registry.windows.emplace(m_hWnd, CWindowEntry{this, t_holder.messages});
}

CMsgWindow::~CMsgWindow() {
    // Timers first: once cancelled, no tick of theirs is posted any more.
    for (auto& [id, timer] : m_timers->byId)
        CTimerService::Get().Cancel(timer.serviceId);
    m_timers->byId.clear();

    std::shared_ptr<CThreadMessages> owner;
    {
        CRegistry& registry = Registry();
        std::lock_guard lock(registry.mutex);
        auto found = registry.windows.find(m_hWnd);
        if (found != registry.windows.end()) {
            owner = found->second.owner;
            registry.windows.erase(found);
        }
    }
    // Posted messages still queued find no window and are dropped; senders are released.
    if (owner)
        owner->ReleaseSendsTo(m_hWnd);
}

bool CMsgWindow::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) const {
    return ::PostMessage(m_hWnd, msg, wParam, lParam);
}

LRESULT CMsgWindow::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessage(m_hWnd, msg, wParam, lParam);
}

UINT_PTR CMsgWindow::SetTimer(UINT_PTR id, UINT ms) {
    if (id == 0 || std::this_thread::get_id() != m_threadId)
        return 0;
    KillTimer(id);

    const std::uint64_t generation = ++g_timerGeneration;
    auto queued = std::make_shared<std::atomic<bool>>(false);
    const HWND hWnd = m_hWnd;
    // On the timer thread (or the thread moving a manual clock): queue one tick at a time.
    auto tick = [hWnd, id, generation, queued](UINT) {
        if (queued->exchange(true))
            return;
        if (!PostToWindow(hWnd, new CTickEvent(hWnd, id, generation)))
            queued->store(false);
    };
    const UINT serviceId = CTimerService::Get().Schedule(ms, tick, CTimerService::PERIODIC);
    if (serviceId == 0)
        return 0;
    m_timers->byId[id] = Timers::Entry{serviceId, generation, queued};
    return id;
}

bool CMsgWindow::KillTimer(UINT_PTR id) {
    if (std::this_thread::get_id() != m_threadId)
        return false;
    auto found = m_timers->byId.find(id);
    if (found == m_timers->byId.end())
        return false;
    CTimerService::Get().Cancel(found->second.serviceId);
    m_timers->byId.erase(found);
    return true;
}

LRESULT CMsgWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_handler)
        return m_handler(m_hWnd, msg, wParam, lParam);
    return DefWindowProc(m_hWnd, msg, wParam, lParam);
}

LRESULT DefWindowProc(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

bool PostMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    return PostMessage(window, msg, wParam, lParam, nullptr);
}

bool PostMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, DroppedMessageProc onDropped) {
    if (msg == WM_QUIT)
        return PostToWindow(window, new CQuitEvent(static_cast<int>(wParam)));
    return PostToWindow(window, new CPostedEvent(window, msg, wParam, lParam, onDropped));
}

LRESULT SendMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto message = std::make_shared<CSentMessage>();
    message->hWnd = window;
    message->msg = msg;
    message->wParam = wParam;
    message->lParam = lParam;
    {
        CRegistry& registry = Registry();
        std::unique_lock lock(registry.mutex);
        auto found = registry.windows.find(window);
        if (found == registry.windows.end())
            return 0;
        if (found->second.owner->threadId == std::this_thread::get_id()) {
            CMsgWindow* target = found->second.window;
            lock.unlock();
            return CWindowDispatch::Call(*target, msg, wParam, lParam);
        }
        // Queued under the registry's lock: a window destroyed from now on finds the
        // message in its thread's queue and releases it.
        if (!found->second.owner->QueueSend(message))
            return 0;
    }
    // Our own wait: while blocked, this thread delivers what others send to it.
    message->done.Wait(INFINITE);
    return message->result;
}

bool IsWindow(HWND window) {
    CRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    return registry.windows.count(window) != 0;
}

void SetMainWindow(HWND window) {
    CurrentMessages().mainWindow = window;
}

HWND GetMainWindow() {
    if (!t_holder.messages)
        return nullptr;
    HWND window = t_holder.messages->mainWindow;
    return IsWindow(window) ? window : nullptr;
}

bool DeliverSentMessages() {
    if (!t_holder.messages)
        return false;   // no windows here, so nothing can have been sent here
    return t_holder.messages->DeliverSent();
}

int RunMessageLoop() {
    CThreadMessages& me = CurrentMessages();
    me.EnsureDispatcher();
    if (!me.quitPending) {
        QEventLoop loop;
        me.loops.push_back(&loop);
        const int code = loop.exec();
        me.loops.pop_back();
        if (!me.quitPending)
            return code;   // ended by Qt (the application quit), not by WM_QUIT
    }
    // A quit ends every loop of ours on the thread; the outermost one clears it and puts
    // back in the queue what was posted after the quit.
    if (me.loops.empty()) {
        me.quitPending = false;
        std::vector<std::unique_ptr<QEvent>> heldBack;
        heldBack.swap(me.heldBack);
        for (auto& event : heldBack)
            me.Post(event);
        // What could not be posted again goes here, with the messaging's locks released.
    }
    return me.quitCode;
}

void PostQuitMessage(int code) {
    CThreadMessages& me = CurrentMessages();
    me.EnsureDispatcher();
    std::unique_ptr<QEvent> quit = std::make_unique<CQuitEvent>(code);
    if (!me.Post(quit))
        me.Quit(code);   // no loop object to carry it: the next loop ends at once
}

// ---- Reporting what escapes a handler -------------------------------------------------------

HandlerErrorReporter SetHandlerErrorReporter(HandlerErrorReporter reporter) {
    std::lock_guard lock(g_reporterMutex);
    std::swap(g_reporter, reporter);
    return reporter;
}

void ReportHandlerError(std::exception_ptr error) {
    if (!error)
        return;
    HandlerErrorReporter reporter;
    {
        std::lock_guard lock(g_reporterMutex);
        reporter = g_reporter;
    }
    try {
        if (reporter)
            reporter(error);
        else
            DefaultReportHandlerError(error);
    } catch (...) {
        // The reporter itself failed; the loop must go on all the same.
        std::fputs("An error occurred while reporting an error.\n", stderr);
    }
}

void DefaultReportHandlerError(std::exception_ptr error) {
    if (!error)
        return;
    try {
        std::rethrow_exception(error);
    } catch (const CException& exception) {
        exception.ReportError();
    } catch (const std::exception& exception) {
        ShowPrompt(exception.what(), MB_ICONERROR);
    } catch (...) {
        ShowPrompt("An unexpected error occurred.", MB_ICONERROR);
    }
}
