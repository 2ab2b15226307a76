#include "interface/controls/ddx.h"

#include "platform/ui/scrollctrl.h"

namespace {

CSliderCtrl* SliderCtrl(CDataExchange* pDX, int nIDC) {
    pDX->PrepareCtrl(nIDC);
    return pDX->m_pDlgWnd ? DYNAMIC_DOWNCAST(CSliderCtrl, pDX->m_pDlgWnd->GetDlgItem(nIDC)) : nullptr;
}

MCDrawItemFunc s_drawItemFunc = nullptr;

}  // namespace

void DDX_SliderCtrl(CDataExchange* pDX, int nIDC, int& value) {
    CSliderCtrl* slider = SliderCtrl(pDX, nIDC);
    if (!slider)
        return;
    if (pDX->m_bSaveAndValidate) {
        value = slider->GetPos();
    } else {
        slider->SetPos(value);
        slider->Invalidate();
    }
}

void DDX_SliderCtrl(CDataExchange* pDX, int nIDC, BYTE& value) {
    int position = value;
    DDX_SliderCtrl(pDX, nIDC, position);
    if (pDX->m_bSaveAndValidate)
        value = static_cast<BYTE>(position);
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, BYTE& value) {
    int index = value;
    DDX_CBIndex(pDX, nIDC, index);
    if (pDX->m_bSaveAndValidate)
        value = static_cast<BYTE>(index);
}

void SetDrawItemFunc(MCDrawItemFunc func) {
    s_drawItemFunc = func;
}

MCDrawItemFunc GetDrawItemFunc() {
    return s_drawItemFunc;
}
