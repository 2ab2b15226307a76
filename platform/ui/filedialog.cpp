#include "platform/ui/filedialog.h"

#include "platform/core/format.h"
#include "platform/core/resources.h"
#include "platform/ui/lists.h"
#include "platform/ui/prompt.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>

IMPLEMENT_DYNAMIC(CFileDialog, CCommonDialog)

namespace {

// The standard titles, unless a library's resources replace them.
STRING_TABLE({AFX_IDS_OPENFILE, "Open"}, {AFX_IDS_SAVEFILE, "Save As"}, {AFX_IDS_SAVEFILECOPY, "Save Copy As"});

const char* const kPathNotFound = "%s\nThe folder does not exist.\nCheck the path and try again.";
const char* const kFileNotFound = "%s\nFile not found.\nCheck the file name and try again.";

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        fields.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return fields;
        start = end + 1;
    }
}

// A filter as the toolkit's dialog takes it: "Description (*.a *.b)". The
// classic "*.*" means every file, with or without a dot.
QString ToolkitFilter(const FileFilter& filter) {
    QStringList patterns;
    for (const std::string& pattern : Split(filter.patterns, ';')) {
        const QString trimmed = QString::fromStdString(pattern).trimmed();
        if (!trimmed.isEmpty())
            patterns << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
    }
    return QString::fromStdString(filter.description) + QStringLiteral(" (") + patterns.join(u' ') +
           QStringLiteral(")");
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The names in a field of several ("a" "b"), or the one name it holds.
QStringList FieldNames(const QString& text) {
    if (!text.contains(u'"'))
        return text.isEmpty() ? QStringList() : QStringList(text);
    QStringList names;
    const QStringList parts = text.split(u'"');
    for (int i = 1; i < parts.size(); i += 2)   // the odd parts stand between quotes
        if (!parts[i].isEmpty())
            names << parts[i];
    return names;
}

}  // namespace

std::vector<FileFilter> ParseFileFilter(const std::string& filter) {
    const char separator = filter.find('\0') != std::string::npos ? '\0' : '|';
    const std::vector<std::string> fields = Split(filter, separator);
    std::vector<FileFilter> pairs;
    for (size_t i = 0; i + 1 < fields.size(); i += 2) {
        if (fields[i].empty() || fields[i + 1].empty())
            break;
        pairs.push_back(FileFilter{fields[i], fields[i + 1]});
    }
    return pairs;
}

// The toolkit's dialog, whose OK and Cancel are decided by its CFileDialog.
class CFileDialog::Widget : public QFileDialog {
public:
    Widget(CFileDialog& owner, QWidget* parent) : QFileDialog(parent), m_owner(owner) {}

    void accept() override { m_owner.Accept(); }
    void reject() override { m_owner.EndDialog(IDCANCEL); }

private:
    CFileDialog& m_owner;   // borrowed: it destroys this widget
};

CFileDialog::CFileDialog(BOOL bOpenFileDialog, const char* lpszDefExt, const char* lpszFileName, DWORD dwFlags,
                         const char* lpszFilter, CWnd* pParentWnd)
    : CCommonDialog(pParentWnd), m_bOpenFileDialog(bOpenFileDialog) {
    m_ofn.lpstrDefExt = lpszDefExt ? lpszDefExt : "";
    m_ofn.lpstrFile = lpszFileName ? lpszFileName : "";
    m_ofn.lpstrFilter = lpszFilter ? lpszFilter : "";
    m_ofn.Flags = dwFlags | OFN_EXPLORER | OFN_ENABLESIZING;
}

INT_PTR CFileDialog::DoModal() {
    m_paths.clear();
    return RunModal(Build());
}

QFileDialog* CFileDialog::GetFileDialog() const {
    return static_cast<QFileDialog*>(GetDialog());
}

QFileDialog* CFileDialog::Build() {
    auto* dialog = new Widget(*this, GetParentWidget());
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    // Replacing is asked here, through the prompts; the filters' patterns
    // show once, in the descriptions the program gives.
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    if (m_bOpenFileDialog) {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode((m_ofn.Flags & OFN_ALLOWMULTISELECT) ? QFileDialog::ExistingFiles
                                                                 : QFileDialog::ExistingFile);
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
    }
    std::string title = m_ofn.lpstrTitle;
    if (title.empty())
        title = LoadString(m_bOpenFileDialog ? AFX_IDS_OPENFILE : AFX_IDS_SAVEFILE);
    dialog->setWindowTitle(QString::fromStdString(title));

    QStringList filters;
    for (const FileFilter& filter : ParseFileFilter(m_ofn.lpstrFilter))
        filters << ToolkitFilter(filter);
    if (!filters.isEmpty()) {
        dialog->setNameFilters(filters);
        const int index = static_cast<int>(m_ofn.nFilterIndex) - 1;
        dialog->selectNameFilter(filters[index >= 0 && index < filters.size() ? index : 0]);
    }

    // The folder: the file name's, else the one asked for, else the current one.
    std::string folder = m_ofn.lpstrInitialDir;
    std::string name = m_ofn.lpstrFile.substr(0, m_ofn.lpstrFile.find('\0'));
    if (const size_t slash = name.rfind('/'); slash != std::string::npos) {
        folder = slash == 0 ? "/" : name.substr(0, slash);
        name = name.substr(slash + 1);
    }
    dialog->setDirectory(folder.empty() ? QDir::currentPath() : QString::fromStdString(folder));

    auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (edit)
        edit->setText(QString::fromStdString(name));
    // The controls by their classic ids.
    AdoptControl(combo, cmb1, std::make_unique<CComboBox>());
    AdoptControl(edit, edt1);
    AdoptButtons(dialog);
    // After the toolkit's own handling of the same signals (a new type
    // changes the name's extension first).
    if (combo)
        QObject::connect(combo, &QComboBox::activated, dialog, [this](int index) {
            m_ofn.nFilterIndex = static_cast<DWORD>(index + 1);
            OnTypeChange();
        });
    if (edit)
        QObject::connect(edit, &QLineEdit::textChanged, dialog, [this] { OnFileNameChange(); });
    return dialog;
}

std::vector<std::string> CFileDialog::TypedPaths() const {
    std::vector<std::string> paths;
    QFileDialog* dialog = GetFileDialog();
    auto* edit = dialog ? dialog->findChild<QLineEdit*>(QString::number(edt1)) : nullptr;
    if (!edit)
        return paths;
    const QDir folder = dialog->directory();
    for (const QString& name : FieldNames(edit->text().trimmed()))
        paths.push_back(QDir::cleanPath(folder.absoluteFilePath(name)).toStdString());
    return paths;
}

void CFileDialog::Accept() {
    std::vector<std::string> paths = TypedPaths();
    if (paths.empty())
        return;   // nothing chosen yet
    if (paths.size() == 1 && QFileInfo(QString::fromStdString(paths[0])).isDir()) {
        // A folder's name opens the folder.
        GetFileDialog()->setDirectory(QString::fromStdString(paths[0]));
        SetControlText(edt1, "");
        return;
    }
    if (!(m_ofn.Flags & OFN_ALLOWMULTISELECT))
        paths.resize(1);
    if (!m_ofn.lpstrDefExt.empty()) {
        for (std::string& path : paths) {
            const bool exists = QFileInfo::exists(QString::fromStdString(path));
            if (NameOf(path).find('.') == std::string::npos && !(m_bOpenFileDialog && exists))
                path += "." + m_ofn.lpstrDefExt;
        }
    }
    if (!OnFileNameOK(paths))
        return;
    if (auto* combo = GetDialog()->findChild<QComboBox*>(QString::number(cmb1)); combo && combo->currentIndex() >= 0)
        m_ofn.nFilterIndex = static_cast<DWORD>(combo->currentIndex() + 1);
    m_paths = paths;
    m_ofn.lpstrFile.clear();
    for (size_t i = 0; i < paths.size(); ++i)
        m_ofn.lpstrFile += (i ? std::string(1, '\0') : std::string()) + paths[i];
    EndDialog(IDOK);
}

BOOL CFileDialog::OnFileNameOK(const std::vector<std::string>& paths) {
    const std::string caption = GetDialog() ? GetDialog()->windowTitle().toStdString() : std::string();
    for (const std::string& path : paths) {
        const QFileInfo info(QString::fromStdString(path));
        if ((m_bOpenFileDialog || (m_ofn.Flags & OFN_PATHMUSTEXIST)) && !info.dir().exists()) {
            ShowPrompt(Format(kPathNotFound, path.c_str()), MB_OK | MB_ICONEXCLAMATION, caption);
            return FALSE;
        }
        if ((m_bOpenFileDialog || (m_ofn.Flags & OFN_FILEMUSTEXIST)) && !info.exists()) {
            ShowPrompt(Format(kFileNotFound, NameOf(path).c_str()), MB_OK | MB_ICONEXCLAMATION, caption);
            return FALSE;
        }
        if (!m_bOpenFileDialog && (m_ofn.Flags & OFN_OVERWRITEPROMPT) && info.exists() &&
            !MayWriteFile(path, caption))
            return FALSE;
    }
    return TRUE;
}

void CFileDialog::OnTypeChange() {}

void CFileDialog::OnFileNameChange() {}

std::string CFileDialog::GetPathName() const {
    const std::vector<std::string> paths = GetDialog() ? TypedPaths() : m_paths;
    return paths.empty() ? std::string() : paths.front();
}

std::string CFileDialog::GetFileName() const {
    return NameOf(GetPathName());
}

std::string CFileDialog::GetFileExt() const {
    const std::string name = GetFileName();
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string CFileDialog::GetFileTitle() const {
    const std::string name = GetFileName();
    return name.substr(0, name.rfind('.'));
}

CFileDialog::POSITION CFileDialog::GetStartPosition() const {
    return m_paths.empty() ? 0 : 1;
}

std::string CFileDialog::GetNextPathName(POSITION& pos) const {
    if (pos == 0 || pos > m_paths.size()) {
        pos = 0;
        return {};
    }
    std::string path = m_paths[pos - 1];
    pos = pos < m_paths.size() ? pos + 1 : 0;
    return path;
}

std::string CFileDialog::GetControlText(int nID) const {
    QWidget* control = GetDialog() ? GetDialog()->findChild<QWidget*>(QString::number(nID)) : nullptr;
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        return edit->text().toStdString();
    if (auto* combo = qobject_cast<QComboBox*>(control))
        return combo->currentText().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        return button->text().toStdString();
    return {};
}

void CFileDialog::SetControlText(int nID, const char* lpszText) {
    QWidget* control = GetDialog() ? GetDialog()->findChild<QWidget*>(QString::number(nID)) : nullptr;
    const QString text = QString::fromUtf8(lpszText ? lpszText : "");
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(text);
}
