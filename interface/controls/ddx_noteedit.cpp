// DDX_NoteEdit: the note edit's note and a dialog's member, through the spin
// edit's exchange (GetValue and SetValue are the note edit's own).
#include "interface/controls/ddx.h"
#include "interface/controls/noteedit.h"

#include "platform/core/trace.h"

namespace {

bool IsNoteEdit(CDataExchange* pDX, int nIDC) {
    if (dynamic_cast<MCNoteEdit*>(CWnd::FromHandle(pDX->PrepareCtrl(nIDC))))
        return true;
    Trace("DDX_NoteEdit: control %d is no note edit\n", nIDC);
    return false;
}

}  // namespace

void DDX_NoteEdit(CDataExchange* pDX, int nIDC, int& value) {
    if (IsNoteEdit(pDX, nIDC))
        DDX_SpinEdit(pDX, nIDC, value);
}

void DDX_NoteEdit(CDataExchange* pDX, int nIDC, BYTE& value) {
    if (IsNoteEdit(pDX, nIDC))
        DDX_SpinEdit(pDX, nIDC, value);
}
