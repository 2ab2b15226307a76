// The notation view's embedded objects: a frame made from offered data,
// Paste Special and Insert Object.
#include "notation/view/cantrel.h"

#include "interface/document/oledata.h"
#include "platform/ui/cmdui.h"

// FIXME: being built; nothing is made yet.
int CCantrel::InsertEventFromData(COleDataIn*, DWORD) {
    return 0;
}

void CCantrel::OnEditPasteSpecial() {}

void CCantrel::OnUpdateEditPasteSpecial(CCmdUI* pCmdUI) {
    pCmdUI->Enable(FALSE);
}

void CCantrel::OnInsertObject() {}

void CCantrel::OnUpdateInsertObject(CCmdUI* pCmdUI) {
    pCmdUI->Enable(FALSE);
}
