#include "interface/document/pagebases.h"

#include "interface/document/opusdoc.h"
#include "model/editstates.h"
#include "model/lists.h"
#include "platform/core/resources.h"
#include "platform/ui/tooltip.h"

#include <string>

IMPLEMENT_DYNCREATE(MCInspectorPage, CPropertyPage)
IMPLEMENT_DYNCREATE(MCPrefsPage, CPropertyPage)
IMPLEMENT_DYNAMIC(MCInspectorForm, CFormView)

namespace {

// Where a line feed ends a tip: at it (the rest is a prompt's), or nowhere.
enum class TipCut { Whole, FirstLine };

// Fills a TTN_NEEDTEXT for a tool that is a control: the string whose id is
// the control's id, cut as asked and to the buffer. FALSE when the tool is no
// window or the control has id 0, which gets no tip.
BOOL ControlTip(NMHDR* pNMHDR, LRESULT* pResult, TipCut cut) {
    auto* tip = reinterpret_cast<TOOLTIPTEXT*>(pNMHDR);
    if (!tip || !(tip->uFlags & TTF_IDISHWND))
        return FALSE;
    const CWnd* control = CWnd::FromHandle(reinterpret_cast<HWND>(pNMHDR->idFrom));
    const int nID = control ? control->GetDlgCtrlID() : 0;
    if (nID == 0)
        return FALSE;
    std::string text = LoadString(static_cast<unsigned>(nID));
    if (cut == TipCut::FirstLine)
        text = text.substr(0, text.find('\n'));
    lstrcpyn(tip->szText, text.c_str(), static_cast<int>(sizeof(tip->szText)));
    if (pResult)
        *pResult = 0;
    return TRUE;
}

}  // namespace

BOOL PageControlTip(NMHDR* pNMHDR, LRESULT* pResult, bool firstLine) {
    return ControlTip(pNMHDR, pResult, firstLine ? TipCut::FirstLine : TipCut::Whole);
}

// ---- MCInspectorPage ------------------------------------------------------------------

BEGIN_MESSAGE_MAP(MCInspectorPage, CPropertyPage)
    ON_WM_DESTROY()
    ON_MESSAGE(WM_COMMANDHELP, &MCInspectorPage::OnCommandHelp)
    ON_MESSAGE(WM_HELPHITTEST, &MCInspectorPage::OnHelpHitTest)
    ON_NOTIFY_EX(TTN_NEEDTEXT, 0, &MCInspectorPage::OnToolTipNotify)
END_MESSAGE_MAP()

MCInspectorPage::MCInspectorPage() : CPropertyPage(0) {}

MCInspectorPage::MCInspectorPage(UINT nIDTemplate) : CPropertyPage(nIDTemplate) {}

BOOL MCInspectorPage::InitPage() {
    return TRUE;
}

void MCInspectorPage::UpdatePage() {}

void MCInspectorPage::UpdateEvents() {
    if (!m_pDocument || !m_pEventList || !UpdateData(TRUE))
        return;
    auto* edit = new SCEventEdit(STATE_EVENTS_EDITED);
    for (POSITION pos = m_pEventList->GetHeadPosition(); pos;)
        UpdateEvent(m_pEventList->GetNext(pos), edit);
    // Delivered, then deleted, by the state manager.
    edit->Apply(m_pDocument->GetBaseEvent());
}

void MCInspectorPage::UpdateEvent(ECBase*, SCEventEdit*) {}

BOOL MCInspectorPage::IsModified() const {
    return (m_nFlags & PAGE_MODIFIED) ? TRUE : FALSE;
}

void MCInspectorPage::SetModifiedFlag(bool modified) {
    if (modified)
        m_nFlags |= PAGE_MODIFIED;
    else
        m_nFlags &= static_cast<uint8_t>(~PAGE_MODIFIED);
    SetModified(modified ? TRUE : FALSE);
}

void MCInspectorPage::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    if (!(m_nFlags & PAGE_INITIALIZED) && InitPage())
        m_nFlags |= PAGE_INITIALIZED;
}

BOOL MCInspectorPage::OnInitDialog() {
    m_nFlags &= static_cast<uint8_t>(~PAGE_MODIFIED);
    // Tips need the window, which exists from here on.
    EnableToolTips();
    CPropertyPage::OnInitDialog();
    return TRUE;
}

void MCInspectorPage::OnDestroy() {
    m_nFlags &= static_cast<uint8_t>(~PAGE_INITIALIZED);
    CPropertyPage::OnDestroy();
}

BOOL MCInspectorPage::OnApply() {
    if (IsModified())
        UpdateEvents();
    SetModifiedFlag(false);
    return TRUE;
}

BOOL MCInspectorPage::OnQueryCancel() {
    UpdatePage();
    UpdateData(FALSE);
    SetModifiedFlag(false);
    return FALSE;
}

LRESULT MCInspectorPage::OnCommandHelp(WPARAM, LPARAM) {
    return 1;
}

LRESULT MCInspectorPage::OnHelpHitTest(WPARAM, LPARAM) {
    return INSPECTOR_HELP_HIT;
}

BOOL MCInspectorPage::OnToolTipNotify(UINT, NMHDR* pNMHDR, LRESULT* pResult) {
    return ControlTip(pNMHDR, pResult, TipCut::Whole);
}

// ---- MCInspectorForm ------------------------------------------------------------------

BEGIN_MESSAGE_MAP(MCInspectorForm, CFormView)
    ON_MESSAGE(WM_COMMANDHELP, &MCInspectorForm::OnCommandHelp)
    ON_MESSAGE(WM_HELPHITTEST, &MCInspectorForm::OnHelpHitTest)
    ON_NOTIFY_EX(TTN_NEEDTEXT, 0, &MCInspectorForm::OnToolTipNotify)
END_MESSAGE_MAP()

MCInspectorForm::MCInspectorForm(UINT nIDTemplate, MCInspectorPage* page) : CFormView(nIDTemplate), m_pPage(page) {}

BOOL MCInspectorForm::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    if (!CFormView::Create(nullptr, nullptr, dwStyle, rect, pParentWnd, nID))
        return FALSE;
    EnableToolTips();
    return TRUE;
}

BOOL MCInspectorForm::SubclassInspectorForm(UINT nID, CWnd* pParent) {
    if (!SubclassDlgItem(nID, pParent))
        return FALSE;
    EnableToolTips();
    return TRUE;
}

BOOL MCInspectorForm::InitPage() {
    m_pDocument = m_pPage ? m_pPage->GetDocument() : nullptr;
    m_pEventList = m_pPage ? m_pPage->GetEventList() : nullptr;
    return TRUE;
}

void MCInspectorForm::UpdatePage() {
    if (!m_pPage)
        return;
    m_pDocument = m_pPage->GetDocument();
    m_pEventList = m_pPage->GetEventList();
}

void MCInspectorForm::UpdateEvent(ECBase*, SCEventEdit*) {}

BOOL MCInspectorForm::PreTranslateMessage(MSG* pMsg) {
    if (m_pPage)
        if (CWnd* sheet = m_pPage->GetParent(); sheet && sheet->PreTranslateMessage(pMsg))
            return TRUE;
    return CFormView::PreTranslateMessage(pMsg);
}

BOOL MCInspectorForm::OnToolTipNotify(UINT, NMHDR* pNMHDR, LRESULT* pResult) {
    return ControlTip(pNMHDR, pResult, TipCut::Whole);
}

// ---- MCPrefsPage ----------------------------------------------------------------------

BEGIN_MESSAGE_MAP(MCPrefsPage, CPropertyPage)
    ON_NOTIFY_EX(TTN_NEEDTEXT, 0, &MCPrefsPage::OnToolTipNotify)
END_MESSAGE_MAP()

MCPrefsPage::MCPrefsPage() : CPropertyPage(0) {}

MCPrefsPage::MCPrefsPage(UINT nIDTemplate) : CPropertyPage(nIDTemplate) {}

void MCPrefsPage::LoadPrefs() {}

void MCPrefsPage::SavePrefs() {}

BOOL MCPrefsPage::OnInitDialog() {
    EnableToolTips();
    return CPropertyPage::OnInitDialog();
}

void MCPrefsPage::OnOK() {
    SavePrefs();
    CPropertyPage::OnOK();
}

BOOL MCPrefsPage::OnToolTipNotify(UINT, NMHDR* pNMHDR, LRESULT* pResult) {
    return ControlTip(pNMHDR, pResult, TipCut::FirstLine);
}
