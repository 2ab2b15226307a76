#include "app/newdocdlg.h"

#include "model/preferences.h"
#include "platform/core/filesys.h"
#include "platform/ui/listctrl.h"
#include "platform/ui/uiresources.h"

#include <QIcon>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <filesystem>

namespace {

constexpr int IDC_NEWDOC_PROMPT = 306;

const DialogTemplate kNewDocTemplate = {"New", {
    {IDC_NEWDOC_PROMPT, DialogControlKind::Static,
     "Select the type of music document you would like to create:", {7, 7, 200, 8}},
    {IDC_NEWDOC_LIST, DialogControlKind::ListView, "", {7, 20, 200, 90},
     LVS_SMALLICON | LVS_SHOWSELALWAYS | LVS_SINGLESEL},
    {IDOK, DialogControlKind::Push, "OK", {100, 116, 50, 14}, BS_DEFPUSHBUTTON},
    {IDCANCEL, DialogControlKind::Push, "Cancel", {157, 116, 50, 14}},
}, {214, 137}};
DIALOG_RESOURCE(IDD_NEWDOC, kNewDocTemplate);

const char kSection[] = "New";
const char kTemplateKey[] = "Template";
const char kDefaultTemplate[] = "Empty Track";
const char kTemplateExt[] = ".mmt";

}  // namespace

IMPLEMENT_DYNAMIC(CNewDocDlg, CDialog)

CNewDocDlg::CNewDocDlg(CWnd* parent) : CDialog(IDD_NEWDOC, parent), m_strFolder(GetTemplateFolder()) {}

std::string CNewDocDlg::GetTemplateFolder() {
    return (std::filesystem::path(GetProgramFolder()) / "Templates").string();
}

std::vector<std::string> CNewDocDlg::FindTemplates(const std::string& folder) {
    std::vector<std::string> titles;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() <= 4 || name.compare(name.size() - 4, 4, kTemplateExt) != 0 || !entry.is_regular_file(error))
            continue;
        titles.push_back(name.substr(0, name.rfind('.')));
    }
    // The folder's own order is no order at all here: the list reads by name.
    std::sort(titles.begin(), titles.end());
    return titles;
}

INT_PTR CNewDocDlg::DoModal() {
    m_strPath.clear();
    if (FindTemplates(m_strFolder).empty())
        return IDOK;
    return CDialog::DoModal();
}

CListCtrl* CNewDocDlg::GetList() const {
    return DYNAMIC_DOWNCAST(CListCtrl, GetDlgItem(IDC_NEWDOC_LIST));
}

BOOL CNewDocDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CListCtrl* list = GetList();
    if (!list)
        return TRUE;

    m_images.Create(16, 16, ILC_MASK | ILC_COLOR8, 1, 1);
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    const QIcon loaded = LoadIcon(IDI_DOCTEMPLATE);
    if (!loaded.isNull()) {
        QPainter painter(&icon);
        loaded.paint(&painter, icon.rect());
    }
    m_images.Add(icon);
    list->SetImageList(&m_images, LVSIL_SMALL);
    list->DeleteAllItems();

    const std::vector<std::string> titles = FindTemplates(m_strFolder);
    for (const std::string& title : titles)
        list->InsertItem(list->GetItemCount(), title.c_str(), 0);
    if (titles.empty()) {
        EndDialog(IDOK);
        return TRUE;
    }

    const std::string last = LoadStringPreference(kSection, kTemplateKey, kDefaultTemplate);
    const auto found = std::find(titles.begin(), titles.end(), last);
    const int item = found == titles.end() ? 0 : static_cast<int>(found - titles.begin());
    list->SetItemState(item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    list->EnsureVisible(item, FALSE);
    list->SetFocus();
    return FALSE;   // the list has the focus
}

void CNewDocDlg::OnOK() {
    if (CListCtrl* list = GetList()) {
        const int item = list->GetNextItem(-1, LVNI_SELECTED);
        if (item >= 0) {
            const std::string title = list->GetItemText(item, 0);
            m_strPath = (std::filesystem::path(m_strFolder) / (title + kTemplateExt)).string();
            SaveStringPreference(kSection, kTemplateKey, title);
        }
    }
    CDialog::OnOK();
}
