// The Insert Object and Paste Special dialogs (see objectdlgs.h): their
// templates and exchanges.
#include "notation/view/objectdlgs.h"

#include "platform/ui/ddx.h"
#include "platform/ui/edit.h"
#include "platform/ui/filedialog.h"
#include "platform/ui/lists.h"
#include "platform/ui/winthread.h"

namespace {

constexpr int IDC_STATIC = -1;
using Kind = DialogControlKind;

const DialogTemplate kInsertObjectTemplate = {"Insert Object", {
    {IDC_IO_CREATE_NEW, Kind::Radio, "Create &New", {7, 12, 76, 10}, WS_GROUP | WS_TABSTOP | WS_DISABLED},
    {IDC_IO_CREATE_FROM_FILE, Kind::Radio, "Create from &File", {7, 28, 76, 10}},
    {IDC_STATIC, Kind::Static, "Fi&le:", {90, 12, 160, 8}, WS_GROUP},
    {IDC_IO_FILE, Kind::Edit, "", {90, 24, 160, 12}, ES_AUTOHSCROLL | WS_TABSTOP},
    {IDC_IO_BROWSE, Kind::Push, "&Browse...", {90, 42, 50, 14}, WS_TABSTOP},
    {IDC_IO_LINK, Kind::Check, "&Link", {150, 44, 60, 10}, WS_TABSTOP},
    {IDC_STATIC, Kind::Static, "The file's contents go into the score; linked, the score follows the file.",
     {7, 66, 243, 18}},
    {IDOK, Kind::Push, "OK", {257, 7, 50, 14}, BS_DEFPUSHBUTTON | WS_GROUP},
    {IDCANCEL, Kind::Push, "Cancel", {257, 24, 50, 14}},
}, {314, 90}};
DIALOG_RESOURCE(IDD_INSERT_OBJECT, kInsertObjectTemplate);

const DialogTemplate kPasteSpecialTemplate = {"Paste Special", {
    {IDC_PS_PASTE, Kind::Radio, "&Paste", {7, 20, 60, 10}, WS_GROUP | WS_TABSTOP},
    {IDC_PS_PASTE_LINK, Kind::Radio, "Paste &Link", {7, 36, 60, 10}},
    {IDC_STATIC, Kind::Static, "&As:", {74, 7, 160, 8}, WS_GROUP},
    {IDC_PS_SOURCES, Kind::ListBox, "", {74, 18, 176, 60}, LBS_NOTIFY | WS_TABSTOP},
    {IDOK, Kind::Push, "OK", {257, 7, 50, 14}, BS_DEFPUSHBUTTON | WS_GROUP},
    {IDCANCEL, Kind::Push, "Cancel", {257, 24, 50, 14}},
}, {314, 84}};
DIALOG_RESOURCE(IDD_PASTE_SPECIAL, kPasteSpecialTemplate);

}  // namespace

// ---- CInsertObjectDlg ----------------------------------------------------------------

IMPLEMENT_DYNAMIC(CInsertObjectDlg, CDialog)

BEGIN_MESSAGE_MAP(CInsertObjectDlg, CDialog)
    ON_BN_CLICKED(IDC_IO_BROWSE, &CInsertObjectDlg::OnBrowse)
END_MESSAGE_MAP()

CInsertObjectDlg::CInsertObjectDlg(CWnd* owner) : CDialog(IDD_INSERT_OBJECT, owner ? owner : AfxGetMainWnd()) {}

BOOL CInsertObjectDlg::OnInitDialog() {
    CheckRadioButton(IDC_IO_CREATE_NEW, IDC_IO_CREATE_FROM_FILE, IDC_IO_CREATE_FROM_FILE);
    return CDialog::OnInitDialog();
}

void CInsertObjectDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_IO_FILE, m_strFile);
    DDX_Check(pDX, IDC_IO_LINK, m_bLink);
}

void CInsertObjectDlg::OnOK() {
    std::string file;
    GetDlgItemText(IDC_IO_FILE, file);
    if (file.empty()) {
        GotoDlgCtrl(GetDlgItem(IDC_IO_FILE));
        return;
    }
    CDialog::OnOK();
}

void CInsertObjectDlg::OnBrowse() {
    CFileDialog open(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, "All Files (*.*)|*||", this);
    std::string current;
    GetDlgItemText(IDC_IO_FILE, current);
    open.m_ofn.lpstrFile = current;
    if (open.DoModal() == IDOK)
        SetDlgItemText(IDC_IO_FILE, open.GetPathName().c_str());
}

// ---- CPasteSpecialDlg ----------------------------------------------------------------

IMPLEMENT_DYNAMIC(CPasteSpecialDlg, CDialog)

BEGIN_MESSAGE_MAP(CPasteSpecialDlg, CDialog)
    ON_LBN_SELCHANGE(IDC_PS_SOURCES, &CPasteSpecialDlg::OnSourceChange)
END_MESSAGE_MAP()

CPasteSpecialDlg::CPasteSpecialDlg(std::vector<EmbeddableSource> sources, CWnd* owner)
    : CDialog(IDD_PASTE_SPECIAL, owner ? owner : AfxGetMainWnd()), m_sources(std::move(sources)) {}

BOOL CPasteSpecialDlg::OnInitDialog() {
    if (auto* list = DYNAMIC_DOWNCAST(CListBox, GetDlgItem(IDC_PS_SOURCES))) {
        for (const EmbeddableSource& source : m_sources)
            list->AddString(source.label.c_str());
        list->SetCurSel(m_sources.empty() ? -1 : 0);
    }
    const BOOL result = CDialog::OnInitDialog();
    EnableLink();
    return result;
}

void CPasteSpecialDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_PS_PASTE, m_nHow);
    if (pDX->m_bSaveAndValidate) {
        if (auto* list = DYNAMIC_DOWNCAST(CListBox, GetDlgItem(IDC_PS_SOURCES)))
            m_nChoice = list->GetCurSel();
    }
}

void CPasteSpecialDlg::OnOK() {
    auto* list = DYNAMIC_DOWNCAST(CListBox, GetDlgItem(IDC_PS_SOURCES));
    const int choice = list ? list->GetCurSel() : -1;
    if (choice < 0 || choice >= static_cast<int>(m_sources.size()))
        return;
    CDialog::OnOK();
    // An image has no file to follow: it is pasted whichever way was chosen.
    if (m_sources[static_cast<size_t>(m_nChoice)].path.empty())
        m_nHow = 0;
}

void CPasteSpecialDlg::OnSourceChange() {
    EnableLink();
}

void CPasteSpecialDlg::EnableLink() {
    auto* list = DYNAMIC_DOWNCAST(CListBox, GetDlgItem(IDC_PS_SOURCES));
    const int choice = list ? list->GetCurSel() : -1;
    const bool file = choice >= 0 && choice < static_cast<int>(m_sources.size()) &&
                      !m_sources[static_cast<size_t>(choice)].path.empty();
    if (CWnd* link = GetDlgItem(IDC_PS_PASTE_LINK)) {
        link->EnableWindow(file);
        if (!file && IsDlgButtonChecked(IDC_PS_PASTE_LINK))
            CheckRadioButton(IDC_PS_PASTE, IDC_PS_PASTE_LINK, IDC_PS_PASTE);
    }
}
