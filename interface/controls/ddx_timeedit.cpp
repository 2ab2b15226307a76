// DDX_TimeEdit (ddx.h): a dialog's time member and its time edit.
#include "interface/controls/ddx.h"

#include "interface/controls/timeedit.h"

void DDX_TimeEdit(CDataExchange* pDX, int nIDC, MCTime& value) {
    auto* edit = dynamic_cast<MCTimeEdit*>(CWnd::FromHandle(pDX->PrepareCtrl(nIDC)));
    if (!edit)
        return;   // not a time edit: the member stays
    if (pDX->m_bSaveAndValidate)
        value = edit->GetTimeValue();
    else
        edit->SetTimeValue(value, 1);
}
