#include "platform/ui/commondlg.h"

#include "platform/core/format.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>

IMPLEMENT_DYNAMIC(CCommonDialog, CWnd)

namespace {

const char* const kReplaceFile = "%s already exists.\nDo you want to replace it?";
const char* const kCannotWrite = "%s\nThe file cannot be written.\nCheck the path and try again.";

}  // namespace

bool MayWriteFile(const std::string& path, const std::string& caption) {
    const QFileInfo info(QString::fromStdString(path));
    const QFileInfo folder(info.absolutePath());
    if (path.empty() || info.isDir() || (info.exists() && !info.isWritable()) ||
        (!info.exists() && !(folder.isDir() && folder.isWritable()))) {
        ShowPrompt(Format(kCannotWrite, path.c_str()), MB_OK | MB_ICONEXCLAMATION, caption);
        return false;
    }
    return !info.exists() ||
           ShowPrompt(Format(kReplaceFile, path.c_str()), MB_YESNO | MB_ICONEXCLAMATION, caption) == IDYES;
}

CCommonDialog::~CCommonDialog() {
    if (GetSafeHwnd())
        DestroyWindow();
}

INT_PTR CCommonDialog::RunModal(QDialog* dialog) {
    if (GetSafeHwnd()) {
        delete dialog;
        return -1;
    }
    m_loop.Reset();
    dialog->setWindowModality(Qt::ApplicationModal);
    SubclassWidget(dialog);
    m_pDialog = dialog;
    dialog->show();
    int result = m_loop.Run(*this, 0, [this] { EndDialog(IDCANCEL); });
    if (result != IDOK)
        result = IDCANCEL;
    DestroyWindow();
    m_items.clear();
    m_pDialog = nullptr;
    return result;
}

void CCommonDialog::EndDialog(int nResult) {
    m_loop.End(nResult);
    if (m_pDialog)
        m_pDialog->hide();
}

void CCommonDialog::AdoptControl(QWidget* widget, int nID, std::unique_ptr<CWnd> window) {
    if (!widget)
        return;
    widget->setObjectName(QString::number(nID));
    if (!window)
        window = std::make_unique<CWnd>();
    if (window->SubclassWidget(widget))
        m_items.push_back(std::move(window));
}

void CCommonDialog::AdoptButtons(QDialog* dialog) {
    for (auto* box : dialog->findChildren<QDialogButtonBox*>()) {
        for (QAbstractButton* button : box->buttons()) {
            const auto role = box->buttonRole(button);
            if (role == QDialogButtonBox::AcceptRole)
                AdoptControl(button, IDOK);
            else if (role == QDialogButtonBox::RejectRole)
                AdoptControl(button, IDCANCEL);
        }
    }
}

QWidget* CCommonDialog::GetParentWidget() const {
    return m_pParentWnd ? m_pParentWnd->GetWidget() : nullptr;
}

void CCommonDialog::PostNcDestroy() {
    m_pDialog = nullptr;
    if (m_loop.IsRunning() && !m_loop.IsEnded())
        m_loop.End(IDCANCEL);
}
