#include "platform/ui/cmdtarget.h"

#include "platform/ui/cmdui.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

namespace {

const AFX_MSGMAP_ENTRY kNoEntries[] = {{0, 0, 0, 0, AfxSig_end, nullptr}};

}  // namespace

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP root = {nullptr, &kNoEntries[0]};
    return &root;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const {
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->nSig != AfxSig_end; ++entry) {
            if (entry->nMessage == nMessage && entry->nCode == nCode && nID >= entry->nID &&
                nID <= entry->nLastID)
                return entry;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    // The message travels in the high word of the code; none means WM_COMMAND.
    UINT nMsg = 0;
    if (nCode != CN_UPDATE_COMMAND_UI) {
        nMsg = HIWORD(static_cast<UINT>(nCode));
        nCode = LOWORD(static_cast<UINT>(nCode));
    }
    if (nMsg == 0)
        nMsg = WM_COMMAND;

    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(nMsg, static_cast<UINT>(nCode), nID);
    if (!entry)
        return FALSE;
    if (pHandlerInfo) {
        pHandlerInfo->pTarget = this;
        pHandlerInfo->pEntry = entry;
        return TRUE;
    }
    return DispatchCmdMsg(*entry, nID, nCode, nMsg, pExtra);
}

BOOL CCmdTarget::DispatchCmdMsg(const AFX_MSGMAP_ENTRY& entry, UINT nID, int nCode, UINT nMsg, void* pExtra) {
    AFX_MSGCALL call;
    call.nID = nID;
    call.pExtra = pExtra;
    if (nCode == CN_UPDATE_COMMAND_UI && nMsg == WM_COMMAND) {
        // The update handler decides; routing ends unless it asks to go on.
        auto* cmdUI = static_cast<CCmdUI*>(pExtra);
        cmdUI->m_bContinueRouting = FALSE;
        entry.pfn(this, call);
        return !cmdUI->m_bContinueRouting;
    }
    const LRESULT answer = entry.pfn(this, call);
    return entry.nSig == AfxSig_b ? (answer != 0) : TRUE;
}
