// The command manager: runs the commands applied to a performance, and the
// command timer that gathers them into batches while a command rate is set.
//
// ApplyCommand (any thread) references the performance and hands the command
// to the one hidden window of the process, "MCCommandMgr": sent when the
// command is synchronous (the caller waits until it ran), else posted. A
// command that can never be delivered (no window, or posted and still queued
// when the program ends) is dropped: deleted when auto-delete, and its
// reference on the performance released. On the
// window's thread, the user-interface thread, the target's manager either
// queues the command in its timer (not synchronous, and a rate is set; decided
// when the message arrives, not when it was applied) or runs it at once as a
// batch of one. A batch runs with the performance locked:
//   Prepare  each command's Prepare, head first; then the handler passes: every
//            handler is called (owner, 0, batch, user) in list order, pass
//            after pass, while any of them answers 0 ("call me again");
//   Process  each command's Process; then one pass (owner, 1, batch, user);
//   Finish   each command's Finish; each finished command goes, by its flags,
//            to the batch's STATE_COMMANDS_DONE, is deleted, or stays with its
//            creator; the done-state is then sent, so it has been delivered
//            (and has deleted what it owns) before the batch returns.
// A command refusing a phase is aborted: its Abort runs and it is posted with
// a STATE_COMMAND_ABORTED. A handler answering -1 (any phase), or 0 after
// Process, cancels the batch without any state. Handler passes after Prepare
// are bounded (MAX_PREPARE_PASSES): past that the batch is cancelled as for
// -1, with a trace. Whatever ends a batch early, its auto-delete commands
// that no state took over are deleted, the others stay with their creators,
// and a done-state gathered but never sent is deleted. Last of all, the
// references ApplyCommand took on the performance are released, one per
// command the batch held when it started; that may destroy the performance,
// this manager and its timer.
//
// A phase (or a handler) may apply a synchronous command: it runs nested, at
// once, on the same thread under the same lock, and is announced only by its
// own flags (nested commands have state notification off).
//
// MCCommandMgr: one per performance (owned by it, its owner). Holds the
// handler records (owned) and the command timer (owned, while a rate is set).
// MCCommandTimer: a hidden window of its own with timer 123 (a window timer,
// so it runs on the process clock); the first command queued while no delay
// runs starts one of the rate; when it elapses the queue runs as one batch in
// arrival order.
//
// Threads: ApplyCommand from any thread. Everything else, including adding and
// removing handlers and setting the rate, on the user-interface thread; the
// first manager constructed there makes the hidden window.
#pragma once

#include "model/command.h"
#include "model/ptrlists.h"
#include "platform/core/window.h"

#include <atomic>
#include <memory>

class ECBase;
class ECPerformance;
class MCCommandTimer;

// The message of the manager's window: wParam 0, lParam the command.
inline constexpr UINT WM_MCCOMMANDMGR = 0x3201;

// A command handler: (performance, phase 0 or 1, batch as MCCommandList*,
// user data). Answers -1 to cancel the batch, 0 to be called again (Prepare)
// or to cancel after the pass (Process), anything else when content.
using MCCommandHandler = MCCallback;

class MCCommandMgr {
public:
    // Handler passes after Prepare before a batch is given up as looping.
    static constexpr int MAX_PREPARE_PASSES = 1000;

    // Empty handler list, no owner, no timer; makes the hidden window when the
    // process has none yet and this is the user-interface thread.
    MCCommandMgr();
    MCCommandMgr(const MCCommandMgr&) = delete;
    MCCommandMgr& operator=(const MCCommandMgr&) = delete;
    // Removes every handler and clears the command rate (the timer's queue is
    // empty by then: queued commands keep the performance alive).
    ~MCCommandMgr();

    ECPerformance* GetOwner() const { return m_pOwner; }
    void SetOwner(ECPerformance* owner) { m_pOwner = owner; }

    // Inserts the record so that it gets index `position` (0 is called first);
    // appended when position is negative or not below the count.
    void AddCommandHandler(MCCommandHandler handler, void* user, int position);
    // Removes the first record of this handler with this user data; answers
    // whether there was one. Safe during a handler pass, also for a record
    // other than the caller's own: a removed handler is not called again.
    int RemoveCommandHandler(MCCommandHandler handler, void* user);
    // Removes every record (also safe during a pass).
    void RemoveCommandHandlers();
    int GetHandlerCount() const { return m_handlers.GetCount() - m_nRemoved; }

    // Replaces the timer: the old one's queue runs as one batch; a rate of 0
    // leaves none, so commands run one by one again.
    void SetCommandRate(unsigned ms);
    // The rate in force; 0 when none is set.
    unsigned GetCommandRate() const;
    MCCommandTimer* GetCommandTimer() const { return m_pTimer.get(); }

    // 0, doing nothing, when either pointer is null. Otherwise sets the
    // target, references the performance and sends (synchronous) or posts the
    // command to the window; 1 whatever becomes of the batch.
    static int ApplyCommand(CCBase* command, ECPerformance* performance);

    // The window's handling of WM_MCCOMMANDMGR; answers 0.
    static LRESULT OnCommandMsg(WPARAM wParam, LPARAM lParam);

    // Runs a batch (see the top of this file): 1 when it finished, 0 when it
    // was empty, refused or cancelled. The manager may be gone on return.
    int OnCommand(MCCommandList& batch);

    // The hidden window (null until made).
    static HWND GetWindow() { return s_hWnd.load(); }

protected:
    // One batch while it runs: the list the handlers see, and its commands
    // that no state has taken over and that were not deleted, in batch order.
    struct CBatch;

    static void Initialize();
    static LRESULT CommandWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

    // The phases over a batch: 1 to go on, 0 when the batch ends here.
    int Prepare(CBatch& batch);
    int Process(CBatch& batch);
    int Finish(CBatch& batch);
    // The command refused its phase: its Abort, then a posted
    // STATE_COMMAND_ABORTED that carries it.
    void Abort(CBatch& batch, CCBase* command);

private:
    // One handler pass of a phase: -1 when a handler cancelled (the rest are
    // not called), 0 when one answered 0, else 1.
    int CallHandlers(int phase, MCCommandList& list);
    // Frees the records removed during passes, once no pass runs.
    void PurgeRemovedHandlers();
    // Deletes the batch's auto-delete commands no state took over, then
    // releases the performance references; may destroy this manager.
    static void ReleaseBatch(CBatch& batch, ECPerformance* performance, int references);

    ECPerformance* m_pOwner = nullptr;        // borrowed: the performance owns this manager
    MCFuncList m_handlers{10};                // owns its records; removed ones have a null handler
    std::unique_ptr<MCCommandTimer> m_pTimer; // owned; null while no rate is set
    int m_nPassDepth = 0;                     // handler passes running (nested batches)
    int m_nRemoved = 0;                       // records removed during a pass, not yet freed

    static std::atomic<int> s_bInitialized;
    static std::atomic<HWND> s_hWnd;
};

// Gathers the posted commands of one manager while a command rate is set.
// Lives on the user-interface thread, as its window and timer do.
class MCCommandTimer : public CMsgWindow {
public:
    static constexpr UINT_PTR TIMER_ID = 123;

    // Makes its window; no delay runs and the queue is empty.
    MCCommandTimer(MCCommandMgr* manager, unsigned rate);
    // Stops the delay and runs what the queue still holds as one batch.
    ~MCCommandTimer() override;

    // Appends to the queue and starts a delay when none runs.
    void AddCommand(CCBase* command);
    // Runs the queue as one batch through the manager, emptied first; the
    // manager (and this timer) may be gone on return.
    void SendCommands();
    // Takes the queued commands out, oldest first, leaving the queue empty.
    void TakeCommands(MCCommandList& into);

    // A new rate, used from the next delay on.
    void SetNotificationRate(unsigned ms) { m_nRate = ms; }
    unsigned GetNotificationRate() const { return m_nRate; }
    int GetQueueCount() const { return m_queue.GetCount(); }

    // The delay elapsed (id TIMER_ID): stop it and run the queue.
    virtual void OnTimer(UINT_PTR id);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void StartTimer();
    void StopTimer();

private:
    MCCommandMgr* m_pManager;   // borrowed: the manager owns this timer
    UINT_PTR m_nTimerId = 0;    // the running delay's id, 0 when none runs
    unsigned m_nRate;           // milliseconds
    MCCommandList m_queue{10};  // waiting commands, oldest first; not owned
};
