// DDX_SpinEdit: the spin edit's value and a dialog's member.
#include "interface/controls/ddx.h"
#include "interface/controls/spinedit.h"

#include "platform/core/trace.h"

namespace {

MCSpinEdit* SpinEditOf(CDataExchange* pDX, int nIDC) {
    auto* edit = dynamic_cast<MCSpinEdit*>(CWnd::FromHandle(pDX->PrepareCtrl(nIDC)));
    if (!edit)
        Trace("DDX_SpinEdit: control %d is no spin edit\n", nIDC);
    return edit;
}

}  // namespace

void DDX_SpinEdit(CDataExchange* pDX, int nIDC, int& value) {
    if (MCSpinEdit* edit = SpinEditOf(pDX, nIDC)) {
        if (pDX->m_bSaveAndValidate)
            value = edit->GetValue();
        else
            edit->SetValue(value);
    }
}

void DDX_SpinEdit(CDataExchange* pDX, int nIDC, BYTE& value) {
    int wide = value;
    DDX_SpinEdit(pDX, nIDC, wide);
    value = static_cast<BYTE>(wide);
}
