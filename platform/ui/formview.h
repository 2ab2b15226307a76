// CFormView: a view whose window holds the controls of a dialog template.
//
// Create makes the view's window as a child of its frame (joining the
// document of the creation context, as any view), sized to the template in
// its font's dialog units, then the template's controls in it (dlgctrl.h),
// so their notifications reach the view's message map and, past it, the
// document's. Data moves between the controls and the view's members with
// UpdateData (DoDataExchange, ddx.h); OnInitialUpdate loads the controls
// (UpdateData(FALSE)) before the view's first update.
//
// The objects made for the controls are the view's and go with it; a member
// taking a control over uses TakeOverDlgItem. User-interface thread only.
#pragma once

#include "platform/ui/dlgctrl.h"
#include "platform/ui/dlgtemplate.h"
#include "platform/ui/document.h"

#include <vector>

class CDataExchange;

class CFormView : public CView {
    DECLARE_DYNAMIC(CFormView)
public:
    explicit CFormView(UINT nIDTemplate);
    ~CFormView() override;

    // As CWnd::Create; FALSE also when there is no template `nIDTemplate`.
    BOOL Create(const char* lpszClassName, const char* lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, void* pContext = nullptr) override;

    UINT GetTemplateID() const { return m_nIDTemplate; }
    // Moves data between the controls and the members: TRUE to save and
    // check it. FALSE when a check failed (the user was told, the control focused).
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    // Puts `control` in place of the object made for the control `nID`.
    BOOL TakeOverDlgItem(int nID, CWnd& control);

    // Loads the controls, then the view's first update.
    void OnInitialUpdate() override;

protected:
    virtual void DoDataExchange(CDataExchange* pDX);

private:
    UINT m_nIDTemplate;
    std::vector<DialogControl> m_controls;   // the objects made for the controls (owned)
};
