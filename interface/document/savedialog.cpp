#include "interface/document/savedialog.h"

#include "interface/document/opusdoc.h"
#include "interface/document/opusheader.h"
#include "interface/document/pathhelpers.h"
#include "model/preferences.h"
#include "platform/core/filesys.h"
#include "platform/core/format.h"
#include "platform/core/resources.h"
#include "platform/ui/lists.h"

#include <cstdlib>
#include <fstream>
#include <string>

IMPLEMENT_DYNCREATE(MCSaveDialog, CFileDialog)

namespace {

const char* const kPrefSection = "New";
const char* const kPrefFolder = "Dir";

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// "$HOME/Documents" as user-dirs.dirs writes it, with the home folder in.
std::string ExpandHome(std::string value, const std::string& home) {
    if (value.rfind("$HOME", 0) == 0)
        value = home + value.substr(5);
    return value;
}

// The documents folder named in a user-dirs.dirs file; empty when none.
std::string DocumentsFromUserDirs(const std::string& file, const std::string& home) {
    std::ifstream in(file);
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        return ExpandHome(value, home);
    }
    return {};
}

// A type's entry in the list: its string split at the line feeds into
// description and pattern; false when either is empty (the type is left out).
bool TypeEntry(int type, std::string& description, std::string& pattern) {
    const std::string text = Format(MCSaveDialog::s_fileTypes[type].stringId, GetAppName().c_str());
    const size_t split = text.find('\n');
    description = text.substr(0, split);
    pattern = split == std::string::npos ? std::string() : text.substr(split + 1);
    pattern = pattern.substr(0, pattern.find('\n'));
    return !description.empty() && !pattern.empty();
}

}  // namespace

const MCSaveDialog::FileType MCSaveDialog::s_fileTypes[TYPE_COUNT] = {
    {11581, "mmm"},   // the native document
    {11582, "mid"},   // type 0 MIDI file
    {11583, "mid"},   // type 1 MIDI file
};

int MCSaveDialog::GetSaveFormat(std::string_view path) {
    std::string extension = MCGetExtension(path);
    for (int format = 0; format < TYPE_COUNT; ++format)
        if (extension == s_fileTypes[format].extension)
            return format;
    return DF_UNKNOWN;
}

int MCSaveDialog::CorrectFormat(int format, std::string_view path) {
    std::string extension = MCGetExtension(path);
    if (format == DF_NATIVE && extension == s_fileTypes[DF_MIDI_TYPE1].extension)
        return DF_MIDI_TYPE1;
    if ((format == DF_MIDI_TYPE0 || format == DF_MIDI_TYPE1) &&
        extension == s_fileTypes[DF_NATIVE].extension)
        return DF_NATIVE;
    return format;
}

MCSaveDialog::MCSaveDialog() : CFileDialog(FALSE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST) {}

int MCSaveDialog::GetSavePath(std::string& path, int format, int saveAs) {
    m_ofn.lpstrTitle = LoadString(saveAs ? AFX_IDS_SAVEFILE : AFX_IDS_SAVEFILECOPY);
    m_nFormat = format;

    // Each type adds its description and pattern; the format's type is the
    // one selected, and gives the extension a bare name gets.
    std::string filter;
    int kept = 0;
    m_ofn.nFilterIndex = 1;
    m_ofn.lpstrDefExt.clear();
    for (int type = 0; type < TYPE_COUNT; ++type) {
        std::string description, pattern;
        if (!TypeEntry(type, description, pattern))
            continue;
        filter += description + '\0' + pattern + '\0';
        ++kept;
        if (type == m_nFormat) {
            m_ofn.lpstrDefExt = pattern.rfind("*.", 0) == 0 ? pattern.substr(2) : pattern;
            m_ofn.nFilterIndex = static_cast<DWORD>(kept);
        }
    }
    m_ofn.lpstrFilter = filter + '\0';

    m_ofn.lpstrInitialDir = GetStartFolder();
    m_ofn.lpstrFile = path;

    if (DoModal() != IDOK)
        return 0;
    path = GetPathName();
    // A format outside the list (a document of unknown origin) saves as the
    // type the dialog was left on, rather than as nothing at all.
    if (m_nFormat < 0 || m_nFormat >= TYPE_COUNT)
        m_nFormat = TypeOfFilterIndex(static_cast<int>(m_ofn.nFilterIndex));
    m_nFormat = CorrectFormat(m_nFormat, path);
    SaveStringPreference(kPrefSection, kPrefFolder, MCGetFilePath(path));
    return 1;
}

int MCSaveDialog::TypeOfFilterIndex(int filterIndex) {
    int kept = 0;
    for (int type = 0; type < TYPE_COUNT; ++type) {
        std::string description, pattern;
        if (TypeEntry(type, description, pattern) && ++kept == filterIndex)
            return type;
    }
    return DF_NATIVE;
}

void MCSaveDialog::OnTypeChange() {
    const std::string name = GetControlText(edt1);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return;
    auto* types = static_cast<CComboBox*>(GetDlgItem(cmb1));
    const int selected = types ? types->GetCurSel() : -1;
    if (selected < 0 || selected >= TYPE_COUNT)
        return;
    m_nFormat = selected;
    const std::string renamed = Format("%s.%s", name.substr(0, dot).c_str(), s_fileTypes[selected].extension);
    SetControlText(edt1, renamed.c_str());
}

void MCSaveDialog::OnFileNameChange() {
    CFileDialog::OnFileNameChange();
}

std::string MCSaveDialog::GetStartFolder() {
    // Not the program's folder, which users do not write into here.
    const std::string folder = LoadStringPreference(kPrefSection, kPrefFolder, "");
    return !folder.empty() && IsDirectory(folder) ? folder : GetDocumentsFolder();
}

std::string MCSaveDialog::GetDocumentsFolder() {
    const std::string home = Environment("HOME");
    std::string folder = ExpandHome(Environment("XDG_DOCUMENTS_DIR"), home);
    if (folder.empty()) {
        std::string config = Environment("XDG_CONFIG_HOME");
        if (config.empty() && !home.empty())
            config = home + "/.config";
        if (!config.empty())
            folder = DocumentsFromUserDirs(config + "/user-dirs.dirs", home);
    }
    // A trailing "/" would make the folder's own name empty.
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder.empty() ? home : folder;
}

CDocument::SavePathHook MCSaveDialog::InstallSavePathHook() {
    return CDocument::SetSavePathHook([](CDocument* document, std::string& path, int saveAs) {
        auto* opus = dynamic_cast<MCOpusDoc*>(document);
        const int format = opus ? opus->GetHeader()->GetFormat() : GetSaveFormat(path);
        MCSaveDialog dialog;
        if (!dialog.GetSavePath(path, format, saveAs))
            return 0;
        if (opus)
            opus->GetHeader()->SetFormat(dialog.GetSaveFormat());
        return 1;
    });
}
