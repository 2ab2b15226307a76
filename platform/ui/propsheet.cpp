#include "platform/ui/propsheet.h"

#include "platform/core/resources.h"
#include "platform/core/trace.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWidget>

IMPLEMENT_DYNAMIC(CPropertyPage, CDialog)
IMPLEMENT_DYNAMIC(CPropertySheet, CWnd)

// ---- CPropertyPage --------------------------------------------------------------------

CPropertyPage::CPropertyPage(UINT nIDTemplate, UINT nIDCaption) : CDialog(nIDTemplate), m_nIDCaption(nIDCaption) {}

std::string CPropertyPage::GetTitle() const {
    std::string title;
    if (m_nIDCaption && LoadString(m_nIDCaption, title))
        return title;
    const DialogTemplate* dialogTemplate = FindDialogTemplate(GetTemplateID());
    return dialogTemplate ? dialogTemplate->caption : std::string();
}

void CPropertyPage::SetModified(BOOL bChanged) {
    m_bModified = bChanged != FALSE;
    if (m_pSheet)
        m_pSheet->UpdateApply();
}

DWORD CPropertyPage::AdjustStyle(DWORD dwStyle) const {
    return (dwStyle & ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME)) | WS_CHILD;
}

BOOL CPropertyPage::OnSetActive() {
    // The first showing follows OnInitDialog, which loaded the data already.
    if (m_bFirstSetActive)
        m_bFirstSetActive = false;
    else
        UpdateData(FALSE);
    return TRUE;
}

BOOL CPropertyPage::OnKillActive() {
    return UpdateData(TRUE);
}

BOOL CPropertyPage::OnApply() {
    OnOK();
    return TRUE;
}

void CPropertyPage::OnReset() {
    OnCancel();
}

BOOL CPropertyPage::OnQueryCancel() {
    return TRUE;
}

void CPropertyPage::OnOK() {}

void CPropertyPage::OnCancel() {}

// ---- CPropertySheet -------------------------------------------------------------------

CPropertySheet::CPropertySheet(const char* pszCaption, CWnd* pParentWnd, UINT iSelectPage)
    : m_strCaption(pszCaption ? pszCaption : ""), m_pParentWnd(pParentWnd), m_nStartPage(static_cast<int>(iSelectPage)) {}

CPropertySheet::CPropertySheet(UINT nIDCaption, CWnd* pParentWnd, UINT iSelectPage)
    : m_strCaption(LoadString(nIDCaption)), m_pParentWnd(pParentWnd), m_nStartPage(static_cast<int>(iSelectPage)) {}

CPropertySheet::~CPropertySheet() {
    if (m_hWnd)
        DestroyWindow();   // while this is still a sheet: its loop ends
}

void CPropertySheet::AddPage(CPropertyPage* pPage) {
    if (!pPage)
        return;
    pPage->m_pSheet = this;
    m_pages.push_back(pPage);
    if (!m_pTabs)
        return;
    // Added while the sheet shows: its tab comes now, the page when first shown.
    auto* container = new QWidget;
    new QVBoxLayout(container);
    container->layout()->setContentsMargins(0, 0, 0, 0);
    m_pTabs->addTab(container, QString::fromStdString(pPage->GetTitle()));
}

CPropertyPage* CPropertySheet::GetPage(int nPage) const {
    return nPage >= 0 && nPage < GetPageCount() ? m_pages[static_cast<size_t>(nPage)] : nullptr;
}

int CPropertySheet::GetPageIndex(const CPropertyPage* pPage) const {
    for (int i = 0; i < GetPageCount(); ++i)
        if (m_pages[static_cast<size_t>(i)] == pPage)
            return i;
    return -1;
}

CPropertyPage* CPropertySheet::GetActivePage() const {
    return GetPage(GetActiveIndex());
}

int CPropertySheet::GetActiveIndex() const {
    return m_pTabs ? m_nActive : m_nStartPage;
}

BOOL CPropertySheet::SetActivePage(int nPage) {
    if (nPage < 0 || nPage >= GetPageCount())
        return FALSE;
    if (!m_pTabs) {
        m_nStartPage = nPage;
        return TRUE;
    }
    m_pTabs->setCurrentIndex(nPage);
    return m_nActive == nPage ? TRUE : FALSE;
}

BOOL CPropertySheet::SetActivePage(CPropertyPage* pPage) {
    return SetActivePage(GetPageIndex(pPage));
}

void CPropertySheet::SetTitle(const char* pszText) {
    m_strCaption = pszText ? pszText : "";
    if (m_hWnd)
        SetWindowText(m_strCaption.c_str());
}

QWidget* CPropertySheet::CreateWidget(QWidget* parent, DWORD) {
    return CreateDialogWidget(parent, false);
}

void CPropertySheet::Build() {
    QWidget* widget = GetWidget();
    auto* layout = new QVBoxLayout(widget);
    m_pTabs = new QTabWidget(widget);
    layout->addWidget(m_pTabs);
    const std::vector<CPropertyPage*> pages = std::move(m_pages);
    m_pages.clear();
    for (CPropertyPage* page : pages) {
        AddPage(page);
        // Room for the page from its template, before it is made.
        if (const DialogTemplate* dialogTemplate = FindDialogTemplate(page->GetTemplateID())) {
            const CSize size = CDialogUnits(dialogTemplate->font).MapDialogSize(dialogTemplate->size);
            m_pTabs->widget(m_pTabs->count() - 1)->setMinimumSize(size.cx, size.cy);
        }
    }
    auto* row = new QHBoxLayout;
    row->addStretch();
    const struct {
        UINT nID;
        const char* text;
        DWORD style;
    } buttons[] = {
        {IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP},
        {IDCANCEL, "Cancel", WS_TABSTOP},
        {ID_APPLY_NOW, "&Apply", WS_TABSTOP | WS_DISABLED},
    };
    m_buttons.clear();
    for (const auto& made : buttons) {
        auto button = std::make_unique<CButton>();
        if (!button->Create(made.text, made.style | WS_VISIBLE, CRect(0, 0, 75, 23), this, made.nID))
            continue;
        row->addWidget(button->GetWidget());
        m_buttons.push_back(std::move(button));
    }
    layout->addLayout(row);
    QObject::connect(m_pTabs, &QTabWidget::currentChanged, m_pTabs, [this](int index) { TabChanged(index); });
}

bool CPropertySheet::EnsurePage(int index) {
    CPropertyPage* page = GetPage(index);
    if (!page)
        return false;
    if (page->GetSafeHwnd())
        return true;
    page->m_bFirstSetActive = true;
    if (!page->Create(page->GetTemplateID(), this)) {
        Trace("CPropertySheet: page %d could not be made\n", index);
        return false;
    }
    QWidget* container = m_pTabs->widget(index);
    container->layout()->addWidget(page->GetWidget());
    page->GetWidget()->show();
    return true;
}

void CPropertySheet::TabChanged(int index) {
    if (m_bSwitching || index == m_nActive)
        return;
    CPropertyPage* leaving = GetPage(m_nActive);
    if ((leaving && leaving->GetSafeHwnd() && !leaving->OnKillActive()) || !EnsurePage(index)) {
        // Stays where it was: the page refused to be left, or the new one cannot be made.
        m_bSwitching = true;
        m_pTabs->setCurrentIndex(m_nActive);
        m_bSwitching = false;
        return;
    }
    m_nActive = index;
    GetPage(index)->OnSetActive();
}

void CPropertySheet::UpdateApply() {
    bool modified = false;
    for (const CPropertyPage* page : m_pages)
        modified = modified || page->m_bModified;
    if (CWnd* apply = GetDlgItem(ID_APPLY_NOW))
        apply->EnableWindow(modified ? TRUE : FALSE);
}

INT_PTR CPropertySheet::DoModal() {
    if (m_hWnd || m_pages.empty())
        return -1;
    m_loop.Reset();
    m_nActive = -1;
    if (!CWnd::Create(nullptr, m_strCaption.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU, CRect(0, 0, 0, 0),
                      m_pParentWnd, 0))
        return -1;
    Build();
    const int start = m_nStartPage >= 0 && m_nStartPage < GetPageCount() ? m_nStartPage : 0;
    if (m_pTabs->currentIndex() == start)
        TabChanged(start);
    else
        m_pTabs->setCurrentIndex(start);
    QWidget* widget = GetWidget();
    if (auto* dialog = qobject_cast<QDialog*>(widget))
        dialog->setModal(true);
    widget->adjustSize();
    widget->show();
    widget->activateWindow();
    if (GetActivePage())
        FocusDialogControl(FirstDialogTabStop(widget));
    const int result = m_loop.Run(*this, 0, [this] { OnSheetCancel(); });
    DestroyWindow();
    m_pTabs = nullptr;
    m_buttons.clear();
    m_nActive = -1;
    return result;
}

void CPropertySheet::EndDialog(int nResult) {
    m_loop.End(nResult);
    if (QWidget* widget = GetWidget())
        widget->hide();
}

void CPropertySheet::PostNcDestroy() {
    if (m_loop.IsRunning() && !m_loop.IsEnded())
        m_loop.End(m_loop.GetResult());
}

void CPropertySheet::PressButton(int nButton) {
    switch (nButton) {
    case PSBTN_OK: OnSheetOK(); break;
    case PSBTN_APPLYNOW: Apply(); break;
    case PSBTN_CANCEL: OnSheetCancel(); break;
    default: break;
    }
}

BOOL CPropertySheet::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case IDOK: OnSheetOK(); return TRUE;
    case IDCANCEL: OnSheetCancel(); return TRUE;
    case ID_APPLY_NOW: Apply(); return TRUE;
    default: return CWnd::OnCommand(wParam, lParam);
    }
}

bool CPropertySheet::Apply() {
    CPropertyPage* active = GetActivePage();
    if (active && active->GetSafeHwnd() && !active->OnKillActive())
        return false;
    for (CPropertyPage* page : m_pages) {
        if (page->GetSafeHwnd() && !page->OnApply()) {
            SetActivePage(page);
            return false;
        }
    }
    for (CPropertyPage* page : m_pages)
        page->m_bModified = false;
    UpdateApply();
    return true;
}

void CPropertySheet::OnSheetOK() {
    if (Apply())
        EndDialog(IDOK);
}

void CPropertySheet::OnSheetCancel() {
    CPropertyPage* active = GetActivePage();
    if (active && active->GetSafeHwnd() && !active->OnQueryCancel())
        return;
    for (CPropertyPage* page : m_pages)
        if (page->GetSafeHwnd())
            page->OnReset();
    EndDialog(IDCANCEL);
}
