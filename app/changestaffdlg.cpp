#include "app/changestaffdlg.h"

#include "app/grouppage.h"
#include "app/reorderpage.h"
#include "app/transposepage.h"
#include "interface/document/opusdoc.h"
#include "interface/document/pagebases.h"
#include "platform/core/resources.h"
#include "platform/ui/lists.h"
#include "platform/ui/placement.h"
#include "platform/ui/tooltip.h"
#include "sequencer/sequence.h"

namespace {

using Kind = DialogControlKind;
constexpr int IDC_STATIC = -1;

const DialogTemplate kChangeStaffTemplate = {"Change Staff", {
    {IDC_STATIC, Kind::Static, "What To Change:", {7, 7, 70, 8}},
    {IDC_CHANGESTAFF_LIST, Kind::ListBox, "", {7, 18, 70, 130}, LBS_NOTIFY},
    {IDC_CHANGESTAFF_PLACE, Kind::Static, "", {84, 18, 210, 130}},
    {IDOK, Kind::Push, "OK", {132, 155, 50, 14}, BS_DEFPUSHBUTTON},
    {IDC_CHANGESTAFF_APPLY, Kind::Push, "Apply", {188, 155, 50, 14}},
    {IDCANCEL, Kind::Push, "Cancel", {244, 155, 50, 14}},
}, {301, 176}};
DIALOG_RESOURCE(IDD_CHANGESTAFF, kChangeStaffTemplate);

STRING_TABLE({IDS_CHANGESTAFF_REORDER, "Reorder Staves"}, {IDS_CHANGESTAFF_GROUP, "Group Staves"},
             {IDS_CHANGESTAFF_TRANSPOSE, "Transpose Staff"}, {IDS_CHANGESTAFF_COPY, "Copy Staff"});

}  // namespace

// ---- CStaffPage ---------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CStaffPage, CFormView)

BEGIN_MESSAGE_MAP(CStaffPage, CFormView)
    ON_MESSAGE(WM_STAFFPAGE_MOUSEACTIVATE, &CStaffPage::OnMouseActivate)
END_MESSAGE_MAP()

CStaffPage::CStaffPage(UINT nIDTemplate, MCOpusDoc* doc) : CFormView(nIDTemplate), m_pDoc(doc) {}

BOOL CStaffPage::CreatePage(CWnd* parent, const CRect& rect) {
    return Create(nullptr, nullptr, WS_CHILD, rect, parent, GetTemplateID());
}

ECConductor* CStaffPage::GetConductor() const {
    return m_pDoc ? m_pDoc->GetSequence()->GetConductor() : nullptr;
}

void CStaffPage::ReleaseDlgItem(int nID, CWnd& control) {
    if (TakeOverDlgItem(nID, control))
        control.UnsubclassWindow();
}

LRESULT CStaffPage::OnMouseActivate(WPARAM, LPARAM) {
    return STAFFPAGE_NOACTIVATE;
}

// ---- CChangeStaffDlg ----------------------------------------------------------------

IMPLEMENT_DYNAMIC(CChangeStaffDlg, CDialog)

BEGIN_MESSAGE_MAP(CChangeStaffDlg, CDialog)
    ON_BN_CLICKED(IDC_CHANGESTAFF_APPLY, &CChangeStaffDlg::OnApply)
    ON_LBN_SELCHANGE(IDC_CHANGESTAFF_LIST, &CChangeStaffDlg::OnSelChange)
    ON_NOTIFY_EX(TTN_NEEDTEXT, 0, &CChangeStaffDlg::OnToolTipNotify)
END_MESSAGE_MAP()

CChangeStaffDlg::CChangeStaffDlg(CWnd* parent) : CDialog(IDD_CHANGESTAFF, parent) {}

CChangeStaffDlg::~CChangeStaffDlg() = default;

int CChangeStaffDlg::Run(MCOpusDoc* doc) {
    if (!doc || !doc->GetBaseEvent())
        return IDCANCEL;
    m_pDoc = doc;
    return DoModal() == IDOK ? IDOK : IDCANCEL;
}

CStaffPage* CChangeStaffDlg::GetPage(int index) const {
    return index >= 0 && index < PAGE_COUNT ? m_pages[static_cast<size_t>(index)].get() : nullptr;
}

std::unique_ptr<CStaffPage> CChangeStaffDlg::MakePage(int index) const {
    switch (index) {
    case PAGE_REORDER:
        return std::make_unique<CReorderStavesPage>(m_pDoc);
    case PAGE_GROUP:
        return std::make_unique<CGroupStavesPage>(m_pDoc);
    case PAGE_TRANSPOSE:
        return std::make_unique<CTransposeStaffPage>(m_pDoc);
    default:
        return nullptr;
    }
}

BOOL CChangeStaffDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // Pages of an earlier run went with its window.
    for (auto& page : m_pages)
        page.reset();
    m_nShownPage = -1;

    if (auto* list = DYNAMIC_DOWNCAST(CListBox, GetDlgItem(IDC_CHANGESTAFF_LIST))) {
        list->ResetContent();
        for (UINT id : {IDS_CHANGESTAFF_REORDER, IDS_CHANGESTAFF_GROUP, IDS_CHANGESTAFF_TRANSPOSE}) {
            const int item = list->AddString(LoadString(id).c_str());
            list->SetItemData(item, id - IDS_CHANGESTAFF_REORDER);
        }
    }
    if (CWnd* place = GetDlgItem(IDC_CHANGESTAFF_PLACE)) {
        place->GetWindowRect(&m_rectPage);
        CPoint topLeft = m_rectPage.TopLeft();
        CPoint bottomRight = m_rectPage.BottomRight();
        ScreenToClient(&topLeft);
        ScreenToClient(&bottomRight);
        m_rectPage = CRect(topLeft, bottomRight);
        place->ShowWindow(SW_HIDE);
    }
    ShowPage(PAGE_REORDER);
    EnableToolTips(TRUE);
    return TRUE;
}

void CChangeStaffDlg::ShowPage(int index) {
    if (index == m_nShownPage || index < 0 || index >= PAGE_COUNT)
        return;
    if (CStaffPage* shown = GetPage(m_nShownPage))
        shown->ShowWindow(SW_HIDE);
    auto& page = m_pages[static_cast<size_t>(index)];
    if (!page) {
        page = MakePage(index);
        if (!page->CreatePage(this, m_rectPage)) {
            page.reset();
            m_nShownPage = -1;
            return;
        }
        page->UpdateData(FALSE);
    }
    if (auto* list = DYNAMIC_DOWNCAST(CListBox, GetDlgItem(IDC_CHANGESTAFF_LIST))) {
        for (int item = 0; item < list->GetCount(); ++item)
            if (static_cast<int>(list->GetItemData(item)) == index)
                list->SetCurSel(item);
    }
    page->ShowWindow(SW_SHOWNOACTIVATE);
    m_nShownPage = index;
}

CStaffPage::ApplyResult CChangeStaffDlg::ApplyPage() {
    CStaffPage* page = GetPage(m_nShownPage);
    if (!page)
        return CStaffPage::ApplyResult::Nothing;
    const CStaffPage::ApplyResult result = page->Apply();
    if (result == CStaffPage::ApplyResult::Done && m_pDoc)
        m_pDoc->SetModifiedFlag(TRUE);
    return result;
}

void CChangeStaffDlg::OnApply() {
    ApplyPage();
}

void CChangeStaffDlg::OnOK() {
    // A page whose data were refused stays open for the user to mend them.
    if (ApplyPage() == CStaffPage::ApplyResult::Refused)
        return;
    CDialog::OnOK();
}

void CChangeStaffDlg::OnSelChange() {
    auto* list = DYNAMIC_DOWNCAST(CListBox, GetDlgItem(IDC_CHANGESTAFF_LIST));
    const int item = list ? list->GetCurSel() : -1;
    if (item >= 0)
        ShowPage(static_cast<int>(list->GetItemData(item)));
}

BOOL CChangeStaffDlg::OnToolTipNotify(UINT, NMHDR* pNMHDR, LRESULT* pResult) {
    return PageControlTip(pNMHDR, pResult, false);
}
