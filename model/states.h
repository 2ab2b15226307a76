// State notifications: how the data model tells the rest of the system that
// something changed, and the state manager that delivers them.
//
// A state (SCBase and its subclasses) carries a code (STATE_*), is applied to a
// performance (or to none) with ApplyState, and is delivered on the thread that
// owns the state manager's hidden window, the user-interface thread:
//   1. the state's own action (DoState);
//   2. with a performance: every state handler registered with it, in
//      registration order, called (performance, 0, state, user); then the one
//      global handler of the process (the main frame), when set;
//   3. without a performance: the state is sent as WM_MCSTATEMGR to the
//      delivering thread's main window (GetMainWindow), which routes it itself;
//      no handler sees it;
//   4. with its auto-delete flag on (the default), the state is deleted; then
//      the reference ApplyState took on the performance is released (after
//      the deletion, which may still use the performance: a 1200 edit clears
//      its delete list and applies its 1201 there).
// An asynchronous state (the default) is posted; ApplyState returns at once and
// the state belongs to the manager. A synchronous one is sent: ApplyState
// returns after delivery, blocking a caller on another thread until the
// user-interface thread has delivered it (that thread keeps delivering sent
// messages while it waits, so a worker sending to a waiting UI thread does not
// deadlock). A sender never touches an auto-delete state after applying it.
//
// Handlers may remove themselves or other handlers while a state is being
// delivered: a removed record is skipped at once and freed afterwards.
//
// MCStateMgr: one per performance (owned by it), holding the performance's
// handler list. The hidden window "MCStateMgr" is one per process, made by the
// first manager (or the first SetGlobalHandler) on the user-interface thread.
//
// Threads: ApplyState from any thread; handlers are added and removed, and
// states delivered, on the user-interface thread.
#pragma once

#include "model/ptrlists.h"
#include "platform/core/object.h"
#include "platform/core/window.h"

#include <atomic>
#include <cstdint>

class CCBase;
class ECBase;
class ECPerformance;

// The message the state manager's window receives (wParam 0, lParam the state);
// also the message a state without a performance is sent to the main window.
inline constexpr UINT WM_MCSTATEMGR = 0x3200;

// State codes of the data model. The performance engine numbers its own states
// alongside these.
enum : unsigned {
    STATE_COMMANDS_DONE = 500,       // SCCommand: a batch's commands finished (sent)
    STATE_COMMAND_ABORTED = 501,     // SCCommand: a command refused a phase (posted)

    STATE_EVENTS_EDITED = 1200,      // SCEventEdit: events changed in place (sent)
    STATE_EDIT_DONE = 1201,          // SCEventEdit: follows every 1200 after its delivery

    STATE_FILE_NEW = 1300,           // SCFile
    STATE_FILE_OPENED = 1301,
    STATE_FILE_SAVED = 1302,
    STATE_FILE_CLOSED = 1303,
    STATE_FILE_MODIFIED = 1306,      // the engine changed the content

    STATE_MODE_SELECT = 1500,        // SCMode
    STATE_MODE_INSERT = 1501,
    STATE_MODE_ERASE = 1503,

    STATE_PREFS_CHANGED = 1600,      // SCPrefs

    STATE_SELECTION_CLEAR = 1700,    // SCSelection
    STATE_SELECTION_REPLACE = 1701,
    STATE_SELECTION_ADD = 1702,
    STATE_SELECTION_REMOVE = 1703,
    STATE_SELECTION_ACTIVATE = 1704, // a document window was activated

    STATE_STATUS_TEXT = 1800,        // SCStatus: status-bar text
    STATE_PROGRESS_BEGIN = 1801,     // a long task starts (text and range)
    STATE_PROGRESS_STEP = 1802,      // a step without text
    STATE_PROGRESS_TEXT = 1803,      // a step with a text
    STATE_PROGRESS_END = 1804,       // the task ends

    STATE_TIME_POSITION = 1900,      // SCTime: play position
    STATE_TIME_LOCATE = 1901,        // set the current location
    STATE_TIME_RELOCATED = 1902,     // time after a relocation of playback
};

// A state handler: (performance, 0, state, user data); the answer is not looked
// at. The command handlers have the same form.
using MCStateHandler = MCCallback;

// The base of every state; a CObject (documents and views receive it as one),
// never archived. Copying copies the flags, the code and the target and takes
// no reference.
class SCBase : public CObject {
public:
    // Flag bits of the word that also holds the code in bits 8-31.
    enum : uint32_t {
        SF_AUTODELETE = 0x01,     // the manager deletes the state after delivery
        SF_ASYNCHRONOUS = 0x02,   // ApplyState posts (else sends)
    };

    // Code 0 / the given code (24 bits); auto-delete and asynchronous on, no target.
    SCBase();
    explicit SCBase(unsigned code);
    SCBase(const SCBase& other) = default;
    SCBase& operator=(const SCBase& other) = default;
    virtual ~SCBase();

    virtual int IsAsynchronous() const;
    virtual void SetAsynchronous(int asynchronous);
    virtual int IsAutoDelete() const;
    virtual void SetAutoDelete(int autoDelete);
    // MCStateMgr::ApplyState(this, performance).
    virtual void Apply(ECPerformance* performance);
    // The state's own action, run first at delivery. Nothing here.
    virtual void DoState();

    unsigned GetCode() const { return m_flags >> 8; }
    void SetCode(unsigned code);   // keeps the low 24 bits
    ECPerformance* GetTarget() const { return m_pTarget; }
    void SetTarget(ECPerformance* target) { m_pTarget = target; }

private:
    uint32_t m_flags;
    ECPerformance* m_pTarget = nullptr;   // borrowed; ApplyState referenced it
};

// A batch of commands that finished (500) or the command that refused a phase
// (501). Made by the command manager; posted unless the manager turns it
// synchronous. Owns the commands of its list whose auto-delete flag is on and
// deletes them with itself; the others stay with their creators.
class SCCommand : public SCBase {
public:
    explicit SCCommand(unsigned code);
    SCCommand(const SCCommand&) = delete;
    SCCommand& operator=(const SCCommand&) = delete;
    ~SCCommand() override;

    void AddCommand(CCBase* command);
    // The commands (CCBase*), in the order added.
    MCPtrList& GetCommands() { return m_commands; }
    const MCPtrList& GetCommands() const { return m_commands; }

private:
    MCPtrList m_commands{10};   // auto-delete ones owned (see above)
};

// The state manager of one performance. See the top of this file.
class MCStateMgr {
public:
    // Empty handler list, no owner; makes the process's hidden window when
    // there is none yet (call first on the user-interface thread).
    MCStateMgr();
    MCStateMgr(const MCStateMgr&) = delete;
    MCStateMgr& operator=(const MCStateMgr&) = delete;
    ~MCStateMgr();

    ECPerformance* GetOwner() const { return m_pOwner; }
    void SetOwner(ECPerformance* owner) { m_pOwner = owner; }

    // Appends a handler record (the same handler may be registered twice).
    void AddStateHandler(MCStateHandler handler, void* user);
    // Removes the first record with this handler and this user data; answers
    // whether there was one. Safe during delivery (see the top of this file).
    int RemoveStateHandler(MCStateHandler handler, void* user);
    // Removes every record.
    void RemoveStateHandlers();
    // The records registered and not removed.
    int GetHandlerCount() const;

    // Replaces the process's global handler (null removes it); makes the
    // hidden window first when there is none.
    static void SetGlobalHandler(MCStateHandler handler, void* user);

    // Nothing for a null state. Sets the target, references a non-null
    // performance, then posts (asynchronous) or sends the state to the window.
    // Any thread; on the user-interface thread the window is made first when
    // there is none yet. A state that is never delivered (no window, or a
    // posted one still queued when its thread's loop or the program ends) is
    // dropped as if delivered to nobody: an auto-delete one is deleted and the
    // reference released, so an undelivered state never keeps its
    // performance alive.
    static void ApplyState(SCBase* state, ECPerformance* performance);

    // Delivery of one state (steps 1-4 above); answers 0.
    static LRESULT OnStateMsg(WPARAM wParam, LPARAM lParam);
    // Step 2's handler calls for this manager's owner.
    void OnState(SCBase* state);

    // The hidden window (null until made, or when making it failed).
    static HWND GetWindow() { return s_hWnd.load(); }

protected:
    static void Initialize();
    static LRESULT StateWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

private:
    // Frees the records removed while a delivery walked the list.
    void PurgeRemoved();
    // A posted state the window never received (see ApplyState).
    static void OnStateDropped(UINT msg, WPARAM wParam, LPARAM lParam);
    // The end of a delivery: deletes an auto-delete state, then releases
    // the reference ApplyState took on the performance (null: none).
    static void Release(SCBase* state, ECPerformance* performance);

    ECPerformance* m_pOwner = nullptr;   // borrowed: the performance owns this manager
    MCFuncList m_handlers{10};           // owns its records
    int m_nDeliveryDepth = 0;            // deliveries walking m_handlers now (nested sends)

    // Written once on the user-interface thread, read by ApplyState anywhere.
    static std::atomic<int> s_bInitialized;
    static std::atomic<HWND> s_hWnd;
    static MCStateHandler s_pfnGlobalHandler;
    static void* s_pGlobalData;
};
