#include "app/pagedlgs.h"

#include "platform/ui/edit.h"

#include <string>

namespace {

constexpr int IDC_STATIC = -1;
using Kind = DialogControlKind;

// The two templates differ in the verb and in the last radio button's text.
DialogTemplate MakePageTemplate(const std::string& caption, const std::string& verb, const std::string& atEnd) {
    return {caption, {
        {IDC_STATIC, Kind::Group, "Page", {7, 7, 124, 78}},
        {IDC_STATIC, Kind::Static, verb, {15, 21, 28, 8}},
        {IDC_PAGE_COUNT, Kind::Edit, "", {45, 19, 32, 12}, ES_NUMBER | ES_AUTOHSCROLL},
        {IDC_STATIC, Kind::Static, "Pages", {81, 21, 30, 8}},
        {IDC_PAGE_BEFORE, Kind::Radio, "&Before Page", {15, 38, 70, 10}, WS_GROUP | WS_TABSTOP},
        {IDC_PAGE_AFTER, Kind::Radio, "&After Page", {15, 52, 70, 10}},
        {IDC_PAGE_AT_END, Kind::Radio, atEnd, {15, 66, 70, 10}},
        {IDC_PAGE_NUMBER, Kind::Edit, "", {91, 44, 32, 12}, ES_NUMBER | ES_AUTOHSCROLL | WS_GROUP},
        {IDOK, Kind::Push, "OK", {139, 7, 50, 14}, BS_DEFPUSHBUTTON | WS_GROUP},
        {IDCANCEL, Kind::Push, "Cancel", {139, 25, 50, 14}},
    }, {196, 92}};
}

const DialogTemplate kAddPageTemplate = MakePageTemplate("Add Page", "&Add", "&At &End of Score");
const DialogTemplate kRemovePageTemplate = MakePageTemplate("Remove Page", "&Remove", "At &End of Score");
DIALOG_RESOURCE(IDD_ADD_PAGE, kAddPageTemplate);
DIALOG_RESOURCE(IDD_REMOVE_PAGE, kRemovePageTemplate);

}  // namespace

IMPLEMENT_DYNAMIC(CAddPageDlg, CDialog)
IMPLEMENT_DYNAMIC(CRemovePageDlg, CDialog)

CAddPageDlg::CAddPageDlg(CWnd* parent) : CDialog(IDD_ADD_PAGE, parent) {}

CRemovePageDlg::CRemovePageDlg(CWnd* parent) : CDialog(IDD_REMOVE_PAGE, parent) {}
