#include "platform/ui/formview.h"

#include "platform/core/exceptions.h"
#include "platform/core/trace.h"
#include "platform/ui/ddx.h"

#include <QWidget>

IMPLEMENT_DYNAMIC(CFormView, CView)

CFormView::CFormView(UINT nIDTemplate) : m_nIDTemplate(nIDTemplate) {}

CFormView::~CFormView() = default;

BOOL CFormView::Create(const char* lpszClassName, const char* lpszWindowName, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, UINT nID, void* pContext) {
    const DialogTemplate* dialogTemplate = FindDialogTemplate(m_nIDTemplate);
    if (!dialogTemplate) {
        Trace("CFormView::Create: no dialog template %u\n", m_nIDTemplate);
        return FALSE;
    }
    const CDialogUnits units(dialogTemplate->font);
    CRect place(rect);
    if (place.IsRectEmpty())
        place = CRect(place.TopLeft(), units.MapDialogSize(dialogTemplate->size));
    if (!CView::Create(lpszClassName, lpszWindowName, dwStyle, place, pParentWnd, nID, pContext))
        return FALSE;
    GetWidget()->setFont(MakeDialogFont(dialogTemplate->font));
    m_controls = CreateDialogControls(*this, *dialogTemplate, units);
    return TRUE;
}

BOOL CFormView::TakeOverDlgItem(int nID, CWnd& control) {
    return ::TakeOverDlgItem(m_controls, nID, control);
}

void CFormView::DoDataExchange(CDataExchange*) {}

BOOL CFormView::UpdateData(BOOL bSaveAndValidate) {
    return RunDataExchange(this, bSaveAndValidate, [this](CDataExchange* pDX) { DoDataExchange(pDX); });
}

void CFormView::OnInitialUpdate() {
    if (!UpdateData(FALSE))
        Trace("CFormView::OnInitialUpdate: the controls could not be loaded\n");
    CView::OnInitialUpdate();
}
