// SCBase, SCCommand and the state manager: applying a state and delivering it
// on the user-interface thread.
#include "model/states.h"

#include "model/command.h"
#include "model/performance.h"
#include "platform/core/thread.h"
#include "platform/core/trace.h"

#include <atomic>

namespace {

constexpr uint32_t CODE_SHIFT = 8;
constexpr uint32_t CODE_MASK = 0xFFFFFFu;   // the code has 24 bits

// The process's hidden window. Made once and kept for the life of the process:
// posted states may still be queued for it when the last document closes.
CMsgWindow* s_pWindow = nullptr;

// A removed record waits under this handler until no delivery walks the list.
int RemovedHandler(ECBase*, int, void*, void*) {
    return 0;
}

}  // namespace

// ---- SCBase ---------------------------------------------------------------------

SCBase::SCBase() : SCBase(0) {}

SCBase::SCBase(unsigned code)
    : m_flags(SF_AUTODELETE | SF_ASYNCHRONOUS | ((code & CODE_MASK) << CODE_SHIFT)) {}

SCBase::~SCBase() = default;

int SCBase::IsAsynchronous() const {
    return (m_flags & SF_ASYNCHRONOUS) ? 1 : 0;
}

void SCBase::SetAsynchronous(int asynchronous) {
    m_flags = (asynchronous & 1) ? (m_flags | SF_ASYNCHRONOUS) : (m_flags & ~SF_ASYNCHRONOUS);
}

int SCBase::IsAutoDelete() const {
    return (m_flags & SF_AUTODELETE) ? 1 : 0;
}

void SCBase::SetAutoDelete(int autoDelete) {
    m_flags = (autoDelete & 1) ? (m_flags | SF_AUTODELETE) : (m_flags & ~SF_AUTODELETE);
}

void SCBase::Apply(ECPerformance* performance) {
    MCStateMgr::ApplyState(this, performance);
}

void SCBase::DoState() {}

void SCBase::SetCode(unsigned code) {
    m_flags = (m_flags & 0xFFu) | ((code & CODE_MASK) << CODE_SHIFT);
}

// ---- SCCommand ------------------------------------------------------------------

SCCommand::SCCommand(unsigned code) : SCBase(code) {}

SCCommand::~SCCommand() {
    // The auto-delete commands came with the batch and end with it; a command
    // whose auto-delete flag is off stays its creator's.
    while (!m_commands.IsEmpty()) {
        auto* command = static_cast<CCBase*>(m_commands.RemoveHead());
        if (command != nullptr && command->GetAutoDelete())
            delete command;
    }
}

void SCCommand::AddCommand(CCBase* command) {
    m_commands.AddTail(command);
}

// ---- MCStateMgr -----------------------------------------------------------------

std::atomic<int> MCStateMgr::s_bInitialized{0};
std::atomic<HWND> MCStateMgr::s_hWnd{nullptr};
MCStateHandler MCStateMgr::s_pfnGlobalHandler = nullptr;
void* MCStateMgr::s_pGlobalData = nullptr;

MCStateMgr::MCStateMgr() {
    if (!s_bInitialized)
        Initialize();
}

MCStateMgr::~MCStateMgr() {
    RemoveStateHandlers();
}

void MCStateMgr::Initialize() {
    // The window receives its messages on the thread that makes it, and only
    // the user-interface thread delivers states; a manager made elsewhere
    // leaves the window to the next one made there.
    if (s_bInitialized)
        return;
    if (!IsUIThread()) {
        Trace("MCStateMgr::Initialize -- CreateWindow FAILED\n");
        return;
    }
    s_pWindow = new CMsgWindow("MCStateMgr", &MCStateMgr::StateWndProc);
    s_hWnd = s_pWindow->GetSafeHwnd();
    s_bInitialized = 1;
}

LRESULT MCStateMgr::StateWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_MCSTATEMGR)
        return OnStateMsg(wParam, lParam);
    return DefWindowProc(window, msg, wParam, lParam);
}

void MCStateMgr::AddStateHandler(MCStateHandler handler, void* user) {
    m_handlers.AddCallback(handler, user);
}

int MCStateMgr::RemoveStateHandler(MCStateHandler handler, void* user) {
    POSITION pos = m_handlers.GetHeadPosition();
    while (pos != nullptr) {
        MCCallbackRecord* record = m_handlers.GetRecord(pos);
        m_handlers.GetNext(pos);
        if (record->handler == handler && record->user == user) {
            // Marked, and freed once no delivery walks the list: a handler
            // may detach another while a state is being delivered.
            record->handler = &RemovedHandler;
            record->user = nullptr;
            if (m_nDeliveryDepth == 0)
                PurgeRemoved();
            return 1;
        }
    }
    return 0;
}

void MCStateMgr::RemoveStateHandlers() {
    if (m_nDeliveryDepth == 0) {
        m_handlers.RemoveCallbacks();
        return;
    }
    POSITION pos = m_handlers.GetHeadPosition();
    while (pos != nullptr) {
        MCCallbackRecord* record = m_handlers.GetRecord(pos);
        m_handlers.GetNext(pos);
        record->handler = &RemovedHandler;
        record->user = nullptr;
    }
}

int MCStateMgr::GetHandlerCount() const {
    int count = 0;
    POSITION pos = m_handlers.GetHeadPosition();
    while (pos != nullptr) {
        MCCallbackRecord* record = m_handlers.GetRecord(pos);
        m_handlers.GetNext(pos);
        if (record->handler != &RemovedHandler)
            ++count;
    }
    return count;
}

void MCStateMgr::PurgeRemoved() {
    while (true) {
        const int before = m_handlers.GetCount();
        m_handlers.RemoveCallback(&RemovedHandler);
        if (m_handlers.GetCount() == before)
            return;
    }
}

void MCStateMgr::SetGlobalHandler(MCStateHandler handler, void* user) {
    if (!s_bInitialized)
        Initialize();
    s_pfnGlobalHandler = handler;
    s_pGlobalData = handler != nullptr ? user : nullptr;
}

void MCStateMgr::ApplyState(SCBase* state, ECPerformance* performance) {
    if (state == nullptr)
        return;
    // A state applied before any performance exists (a preference change at
    // start-up) still finds the window.
    if (!s_bInitialized && IsUIThread())
        Initialize();
    state->SetTarget(performance);
    if (performance != nullptr)
        performance->RefLocked();   // any thread: counted under the lock
    const auto lParam = reinterpret_cast<LPARAM>(state);
    const HWND window = s_hWnd.load();
    if (state->IsAsynchronous()) {
        // A posted state the loop never delivers (no window to take it, or
        // still queued when the program ends) comes back to OnStateDropped.
        PostMessage(window, WM_MCSTATEMGR, 0, lParam, &MCStateMgr::OnStateDropped);
        return;
    }
    if (IsWindow(window)) {
        SendMessage(window, WM_MCSTATEMGR, 0, lParam);
        return;
    }
    Trace("MCStateMgr::ApplyState -- state %u not delivered: no window\n", state->GetCode());
    Release(state, performance);
}

void MCStateMgr::OnStateDropped(UINT /*msg*/, WPARAM /*wParam*/, LPARAM lParam) {
    // Dropped as if delivered to nobody, so neither the state nor the
    // reference on its performance is left behind.
    auto* state = reinterpret_cast<SCBase*>(lParam);
    Trace("MCStateMgr::ApplyState -- state %u not delivered\n", state->GetCode());
    Release(state, state->GetTarget());
}

void MCStateMgr::Release(SCBase* state, ECPerformance* performance) {
    // The state goes first: its destructor may still use its target (a
    // 1200 edit clears its delete list and applies its 1201 there).
    if (state->IsAutoDelete())
        delete state;
    ECPerformance::ReleaseLocked(performance);
}

LRESULT MCStateMgr::OnStateMsg(WPARAM /*wParam*/, LPARAM lParam) {
    auto* state = reinterpret_cast<SCBase*>(lParam);
    if (state == nullptr)
        return 0;
    // The target as ApplyState set it: a handler may re-target the state,
    // but the reference taken belongs to this one.
    ECPerformance* performance = state->GetTarget();
    try {
        state->DoState();
        if (performance != nullptr) {
            if (MCStateMgr* manager = performance->GetStateMgr())
                manager->OnState(state);
        } else if (HWND main = GetMainWindow()) {
            // Sent, so the state lives until the main window is done with it;
            // that may turn auto-delete off and re-apply it to each document.
            SendMessage(main, WM_MCSTATEMGR, 0, lParam);
        }
    } catch (...) {
        Release(state, performance);
        throw;
    }
    Release(state, performance);
    return 0;
}

void MCStateMgr::OnState(SCBase* state) {
    // Handlers added while this state is delivered see the next one; those
    // removed meanwhile are skipped, and freed after the outermost delivery.
    POSITION last = m_handlers.GetTailPosition();
    ++m_nDeliveryDepth;
    try {
        POSITION pos = m_handlers.GetHeadPosition();
        while (pos != nullptr) {
            const bool wasLast = pos == last;
            MCCallbackRecord* record = m_handlers.GetRecord(pos);
            m_handlers.GetNext(pos);
            if (record->handler != &RemovedHandler)
                record->handler(m_pOwner, 0, state, record->user);
            if (wasLast)
                break;
        }
        if (s_pfnGlobalHandler != nullptr)
            s_pfnGlobalHandler(m_pOwner, 0, state, s_pGlobalData);
    } catch (...) {
        if (--m_nDeliveryDepth == 0)
            PurgeRemoved();
        throw;
    }
    if (--m_nDeliveryDepth == 0)
        PurgeRemoved();
}
