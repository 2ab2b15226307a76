// DDX_NoteEdit: the note edit's note and a dialog's member (GetValue and
// SetValue are the note edit's own).
#include "interface/controls/ddx.h"
#include "interface/controls/ddx_exchange.h"
#include "interface/controls/noteedit.h"

void DDX_NoteEdit(CDataExchange* pDX, int nIDC, int& value) {
    ExchangeValue<MCNoteEdit>(pDX, nIDC, value, "DDX_NoteEdit");
}

void DDX_NoteEdit(CDataExchange* pDX, int nIDC, BYTE& value) {
    int wide = value;
    DDX_NoteEdit(pDX, nIDC, wide);
    value = static_cast<BYTE>(wide);
}
