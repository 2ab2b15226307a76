// MCCommandMgr: delivery of commands to the hidden window, the batch phases
// and handler passes, and what becomes of each command; MCCommandTimer: the
// queue a command rate gathers.
#include "model/commandmgr.h"

#include "model/event.h"
#include "model/performance.h"
#include "model/states.h"
#include "platform/core/thread.h"
#include "platform/core/trace.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <vector>

std::atomic<int> MCCommandMgr::s_bInitialized{0};
std::atomic<HWND> MCCommandMgr::s_hWnd{nullptr};

struct MCCommandMgr::CBatch {
    MCCommandList& list;
    std::vector<CCBase*> open;

    // A state, or deletion, takes the command over: the batch no longer may.
    void Settle(CCBase* command) {
        auto found = std::find(open.begin(), open.end(), command);
        if (found != open.end())
            open.erase(found);
    }
};

namespace {

// A command that can never run: gone when it belongs to the manager, and the
// reference it took on its performance released.
void DropCommand(CCBase* command, ECPerformance* performance) {
    Trace("MCCommandMgr -- command %d dropped: it cannot be delivered\n", command->GetCommandId());
    if (command->GetAutoDelete())
        delete command;
    ECPerformance::ReleaseLocked(performance);
}

// A posted command the window never received: its window gone, or the
// program ending with it still queued.
void DropPostedCommand(UINT /*msg*/, WPARAM /*wParam*/, LPARAM lParam) {
    auto* command = reinterpret_cast<CCBase*>(lParam);
    DropCommand(command, command->GetTarget());
}

}  // namespace

// ---- The manager ------------------------------------------------------------------

MCCommandMgr::MCCommandMgr() {
    if (!s_bInitialized.load())
        Initialize();
}

MCCommandMgr::~MCCommandMgr() {
    RemoveCommandHandlers();
    if (!m_pTimer)
        return;
    // Queued commands hold references on the performance, so a performance
    // being destroyed has none queued; should some be left all the same, they
    // cannot run on it any more.
    MCCommandList queued(10);
    m_pTimer->TakeCommands(queued);
    if (!queued.IsEmpty())
        Trace("MCCommandMgr -- %d queued commands dropped with their performance\n", queued.GetCount());
    for (POSITION pos = queued.GetHeadPosition(); pos;) {
        CCBase* command = queued.GetNext(pos);
        if (command->GetAutoDelete())
            delete command;
    }
    m_pTimer.reset();
}

void MCCommandMgr::Initialize() {
    // Commands run on the user-interface thread, and a window receives its
    // messages on the thread that made it; a manager made elsewhere leaves the
    // window to a later one.
    if (!IsUIThread())
        return;
    s_bInitialized.store(1);   // the platform has no window classes to register
    try {
        // One window for the whole process; it is never destroyed.
        auto* window = new CMsgWindow("MCCommandMgr", &MCCommandMgr::CommandWndProc);
        s_hWnd.store(window->GetSafeHwnd());
    } catch (const std::exception&) {
        Trace("MCCommandMgr::Initialize -- CreateWindow FAILED\n");
    }
}

LRESULT MCCommandMgr::CommandWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_MCCOMMANDMGR)
        return OnCommandMsg(wParam, lParam);
    return DefWindowProc(window, msg, wParam, lParam);
}

void MCCommandMgr::AddCommandHandler(MCCommandHandler handler, void* user, int position) {
    if (!handler)
        return;
    POSITION before = position >= 0 ? m_handlers.FindIndex(position) : nullptr;
    if (before)
        m_handlers.InsertCallback(handler, user, before);
    else
        m_handlers.AddCallback(handler, user);
}

int MCCommandMgr::RemoveCommandHandler(MCCommandHandler handler, void* user) {
    if (!handler)
        return 0;
    for (POSITION pos = m_handlers.GetHeadPosition(); pos; m_handlers.GetNext(pos)) {
        MCCallbackRecord* record = m_handlers.GetRecord(pos);
        if (record->handler != handler || record->user != user)
            continue;
        // A running pass holds positions into the list: the record only loses
        // its handler now, and is freed once no pass runs.
        record->handler = nullptr;
        ++m_nRemoved;
        if (m_nPassDepth == 0)
            PurgeRemovedHandlers();
        return 1;
    }
    return 0;
}

void MCCommandMgr::RemoveCommandHandlers() {
    if (m_nPassDepth == 0) {
        m_handlers.RemoveCallbacks();
        m_nRemoved = 0;
        return;
    }
    for (POSITION pos = m_handlers.GetHeadPosition(); pos; m_handlers.GetNext(pos)) {
        MCCallbackRecord* record = m_handlers.GetRecord(pos);
        if (record->handler) {
            record->handler = nullptr;
            ++m_nRemoved;
        }
    }
}

void MCCommandMgr::PurgeRemovedHandlers() {
    // Only removed records have a null handler (AddCommandHandler refuses one).
    for (; m_nRemoved > 0; --m_nRemoved)
        m_handlers.RemoveCallback(nullptr);
}

void MCCommandMgr::SetCommandRate(unsigned ms) {
    MCCommandList queued(10);
    if (m_pTimer) {
        m_pTimer->TakeCommands(queued);
        m_pTimer.reset();
    }
    if (ms != 0)
        m_pTimer = std::make_unique<MCCommandTimer>(this, ms);
    // What the old timer held runs now, as one batch. Last of all: the batch
    // may release the performance's last reference, and this manager with it.
    if (!queued.IsEmpty())
        OnCommand(queued);
}

unsigned MCCommandMgr::GetCommandRate() const {
    return m_pTimer ? m_pTimer->GetNotificationRate() : 0;
}

int MCCommandMgr::ApplyCommand(CCBase* command, ECPerformance* performance) {
    if (!command || !performance)
        return 0;
    command->SetTarget(performance);
    // Keeps the performance alive while the command is in flight.
    performance->RefLocked();
    const HWND window = s_hWnd.load();
    const LPARAM message = reinterpret_cast<LPARAM>(command);
    if (!command->IsSynchronous()) {
        // Dropped by DropPostedCommand, should it never be delivered.
        PostMessage(window, WM_MCCOMMANDMGR, 0, message, &DropPostedCommand);
        return 1;
    }
    // The window lives as long as the process once made, so a window seen
    // here receives the message.
    if (IsWindow(window))
        SendMessage(window, WM_MCCOMMANDMGR, 0, message);
    else
        DropCommand(command, performance);
    return 1;
}

LRESULT MCCommandMgr::OnCommandMsg(WPARAM, LPARAM lParam) {
    auto* command = reinterpret_cast<CCBase*>(lParam);
    if (!command)
        return 0;
    ECPerformance* performance = command->GetTarget();
    MCCommandMgr* manager = performance ? performance->GetCommandMgr() : nullptr;
    if (!manager) {
        DropCommand(command, performance);
        return 0;
    }
    if (!command->IsSynchronous() && manager->m_pTimer) {
        manager->m_pTimer->AddCommand(command);
        return 0;
    }
    MCCommandList batch(10);
    batch.AddTail(command);
    manager->OnCommand(batch);
    return 0;
}

int MCCommandMgr::OnCommand(MCCommandList& list) {
    if (list.IsEmpty())
        return 0;
    ECPerformance* performance = list.GetHead()->GetTarget();
    CBatch batch{list, {}};
    for (POSITION pos = list.GetHeadPosition(); pos;)
        batch.open.push_back(list.GetNext(pos));
    // One reference per command the batch held when it started; taken now, as
    // Finish may already delete the commands.
    const int references = static_cast<int>(batch.open.size());
    int finished = 0;
    try {
        std::lock_guard lock(performance->GetLock());
        finished = Prepare(batch) && Process(batch) && Finish(batch);
    } catch (...) {
        ReleaseBatch(batch, performance, references);
        throw;
    }
    ReleaseBatch(batch, performance, references);
    return finished;
}

void MCCommandMgr::ReleaseBatch(CBatch& batch, ECPerformance* performance, int references) {
    for (CCBase* command : batch.open) {
        if (command->GetAutoDelete())
            delete command;
    }
    batch.open.clear();
    ECPerformance::ReleaseLocked(performance, references);
}

int MCCommandMgr::Prepare(CBatch& batch) {
    for (POSITION pos = batch.list.GetHeadPosition(); pos;) {
        CCBase* command = batch.list.GetNext(pos);
        command->SetCommandPhase(CMD_PHASE_PREPARE);
        if (!command->Prepare()) {
            Abort(batch, command);
            return 0;
        }
    }
    // Handlers renotate, re-sort and the like in answer to each other's work,
    // so they are asked again until all are content; a set of handlers that is
    // never content would hang the program, hence the bound.
    for (int pass = 1;; ++pass) {
        const int answer = CallHandlers(CMD_PHASE_PREPARE, batch.list);
        if (answer < 0)
            return 0;
        if (answer > 0)
            return 1;
        if (pass >= MAX_PREPARE_PASSES) {
            Trace("MCCommandMgr::Prepare -- handlers not content after %d passes; batch cancelled\n", pass);
            return 0;
        }
    }
}

int MCCommandMgr::Process(CBatch& batch) {
    for (POSITION pos = batch.list.GetHeadPosition(); pos;) {
        CCBase* command = batch.list.GetNext(pos);
        command->SetCommandPhase(CMD_PHASE_PROCESS);
        if (!command->Process()) {
            Abort(batch, command);
            return 0;
        }
    }
    return CallHandlers(CMD_PHASE_PROCESS, batch.list) > 0;
}

int MCCommandMgr::Finish(CBatch& batch) {
    // Taken first: a finished command may be deleted at once.
    ECPerformance* target = batch.list.GetHead()->GetTarget();
    // Released with the commands it carries if a later command refuses.
    std::unique_ptr<SCCommand> done;
    for (POSITION pos = batch.list.GetHeadPosition(); pos;) {
        CCBase* command = batch.list.GetNext(pos);
        command->SetCommandPhase(CMD_PHASE_FINISH);
        if (!command->Finish()) {
            Abort(batch, command);
            return 0;
        }
        batch.Settle(command);
        if (command->GetStateNotify()) {
            if (!done)
                done = std::make_unique<SCCommand>(STATE_COMMANDS_DONE);
            done->AddCommand(command);
        } else if (command->GetAutoDelete()) {
            delete command;
        }
        // With both flags off the command stays with its creator.
    }
    if (done) {
        // Sent, so that the receivers have seen the batch, and the state has
        // deleted the commands it owns, before the batch returns.
        done->SetAsynchronous(0);
        done.release()->Apply(target);
    }
    return 1;
}

void MCCommandMgr::Abort(CBatch& batch, CCBase* command) {
    batch.Settle(command);
    command->Abort();
    auto* state = new SCCommand(STATE_COMMAND_ABORTED);
    state->AddCommand(command);
    state->Apply(m_pOwner);   // posted; the command goes with the state
}

int MCCommandMgr::CallHandlers(int phase, MCCommandList& list) {
    // Records removed while any pass runs are freed when the outermost ends.
    struct PassScope {
        MCCommandMgr& manager;
        explicit PassScope(MCCommandMgr& m) : manager(m) { ++manager.m_nPassDepth; }
        ~PassScope() {
            if (--manager.m_nPassDepth == 0)
                manager.PurgeRemovedHandlers();
        }
    } scope(*this);

    int answer = 1;
    for (POSITION pos = m_handlers.GetHeadPosition(); pos;) {
        MCCallbackRecord* record = m_handlers.GetRecord(pos);
        m_handlers.GetNext(pos);
        if (!record->handler)
            continue;   // removed during this pass
        const int result = record->handler(m_pOwner, phase, &list, record->user);
        if (result == -1)
            return -1;
        if (result == 0)
            answer = 0;
    }
    return answer;
}

// ---- The timer ------------------------------------------------------------------------

MCCommandTimer::MCCommandTimer(MCCommandMgr* manager, unsigned rate)
    : m_pManager(manager), m_nRate(rate) {}

MCCommandTimer::~MCCommandTimer() {
    StopTimer();
    SendCommands();
}

void MCCommandTimer::AddCommand(CCBase* command) {
    m_queue.AddTail(command);
    StartTimer();
}

void MCCommandTimer::StartTimer() {
    if (m_nTimerId != 0)
        return;
    m_nTimerId = SetTimer(TIMER_ID, m_nRate);
    if (m_nTimerId == 0) {
        // Without a delay nothing would ever run the queue.
        Trace("MCCommandTimer::StartTimer -- SetTimer FAILED; queue run at once\n");
        SendCommands();
    }
}

void MCCommandTimer::StopTimer() {
    if (m_nTimerId == 0)
        return;
    KillTimer(m_nTimerId);
    m_nTimerId = 0;
}

void MCCommandTimer::OnTimer(UINT_PTR id) {
    if (id == 0 || id != m_nTimerId)
        return;
    StopTimer();
    SendCommands();   // may destroy this timer: nothing after it
}

void MCCommandTimer::SendCommands() {
    if (m_queue.IsEmpty())
        return;
    // Out of the queue first: the batch may destroy the manager and this timer.
    MCCommandList batch(10);
    TakeCommands(batch);
    m_pManager->OnCommand(batch);
}

void MCCommandTimer::TakeCommands(MCCommandList& into) {
    while (!m_queue.IsEmpty())
        into.AddTail(m_queue.RemoveHead());
}

LRESULT MCCommandTimer::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER) {
        OnTimer(wParam);
        return 0;
    }
    return CMsgWindow::WindowProc(msg, wParam, lParam);
}
