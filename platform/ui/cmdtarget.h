// CCmdTarget: an object that takes commands through its message map.
//
// A message map is a class's table of handlers, written with the macros of
// msgmap.h: each entry names a message (or WM_COMMAND with a notification
// code, or WM_NOTIFY), a range of command ids and the member to call. Each
// class's table chains to its base class's table, so a derived class's entry
// comes before its base's for the same message and id.
//
// OnCmdMsg is the routing hook. The base looks in this object's own tables
// only; the classes that pass commands on override it to ask others before or
// after themselves (a view asks its document, a frame its active view and the
// application), so a command sent to one object travels a chain of targets
// until one has a handler. It answers TRUE when a handler took the command:
//   nCode CN_COMMAND (0) or a control's notification code: the handler runs
//     (an ON_COMMAND_EX handler answering FALSE lets routing go on);
//   CN_UPDATE_COMMAND_UI: pExtra is the CCmdUI (cmdui.h); the update handler
//     runs and the routing ends unless it calls ContinueRouting;
//   MAKELONG(code, WM_NOTIFY): pExtra is an AFX_NOTIFY;
//   MAKELONG(code, WM_REFLECT_BASE + WM_COMMAND or WM_NOTIFY), with nID 0: a
//     notification reflected back to the control that sent it.
// With pHandlerInfo the handler is only looked for: found, its target and
// entry are written there and TRUE is answered without running it.
//
// User-interface thread only.
#pragma once

#include "platform/core/object.h"
#include "platform/ui/messages.h"

class CCmdTarget;
class CCmdUI;

// Command notification codes.
inline constexpr int CN_COMMAND = 0;
inline constexpr int CN_UPDATE_COMMAND_UI = -1;

// What travels with a message to a table's handler.
struct AFX_MSGCALL {
    UINT nID = 0;          // the command id (a range handler receives it)
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    void* pExtra = nullptr;   // CCmdUI* or AFX_NOTIFY*, by kind
};

// A table entry's handler: a small function the macros write, which unpacks
// the call and calls the member. What it answers depends on the entry's kind.
using AFX_PMSG = LRESULT (*)(CCmdTarget* target, const AFX_MSGCALL& call);

// How an entry's answer is read.
enum AfxSig : UINT {
    AfxSig_end = 0,   // the table's end
    AfxSig_v,         // the member answers nothing: handled
    AfxSig_b,         // the member answers BOOL: handled when TRUE (the _EX forms)
    AfxSig_l,         // a window message: the member's answer is the message's result
};

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;   // the window message, WM_COMMAND or WM_NOTIFY (or a reflected one)
    UINT nCode;      // the notification or command code
    UINT nID;        // the first command id of the range
    UINT nLastID;    // the last command id of the range
    UINT nSig;       // AfxSig
    AFX_PMSG pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();   // null for the root
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// What WM_NOTIFY's handlers receive.
struct AFX_NOTIFY {
    LRESULT* pResult = nullptr;
    NMHDR* pNMHDR = nullptr;
};

// Where a command's handler was found.
struct AFX_CMDHANDLERINFO {
    CCmdTarget* pTarget = nullptr;
    const AFX_MSGMAP_ENTRY* pEntry = nullptr;
};

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;
    ~CCmdTarget() override = default;

    // Routes a command (see above). TRUE when taken.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

    // The class's table and the chain it starts.
    virtual const AFX_MSGMAP* GetMessageMap() const;
    static const AFX_MSGMAP* GetThisMessageMap();

    // The first entry of this object's tables (most derived first) for the
    // message, code and id; null when none.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const;

protected:
    // Runs the entry the way its kind asks; TRUE when the command was taken.
    BOOL DispatchCmdMsg(const AFX_MSGMAP_ENTRY& entry, UINT nID, int nCode, UINT nMsg, void* pExtra);
};
