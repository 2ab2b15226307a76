// The New dialog: which document template a new document starts from.
//
// CNewDocDlg lists the template files ("*.mmt") of the folder "Templates"
// beside the program, each by its title with the template icon (129), and
// preselects the one chosen last ("New"/"Template", "Empty Track" at first;
// the first item when that one is gone). OK with an item selected gives
// its path (GetTemplatePath) and stores its title for the next time; without
// a selection the path stays empty. With no template file at all the dialog
// ends with OK at once, without showing itself, and the path stays empty: the
// caller then makes an empty document. User-interface thread only.
#pragma once

#include "platform/ui/dialog.h"
#include "platform/ui/imagelist.h"

#include <string>
#include <vector>

class CListCtrl;

enum : UINT {
    IDD_NEWDOC = 300,
    IDC_NEWDOC_LIST = 305,
    IDI_DOCTEMPLATE = 129,
};

class CNewDocDlg : public CDialog {
    DECLARE_DYNAMIC(CNewDocDlg)
public:
    explicit CNewDocDlg(CWnd* parent = nullptr);

    // IDOK at once, showing nothing, when the folder holds no template.
    INT_PTR DoModal() override;

    // The chosen template file; empty when none was chosen.
    const std::string& GetTemplatePath() const { return m_strPath; }
    // The folder "Templates" beside the program.
    static std::string GetTemplateFolder();
    // The titles (names without extension) of the template files in
    // `folder`, in name order.
    static std::vector<std::string> FindTemplates(const std::string& folder);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    CListCtrl* GetList() const;

    std::string m_strFolder;
    std::string m_strPath;
    CImageList m_images;   // the list's small icons; the list only borrows them
};
