#include "app/opendialog.h"

#include "interface/document/savedialog.h"
#include "model/preferences.h"
#include "platform/core/resources.h"

#include <filesystem>

namespace {

STRING_TABLE({IDS_FILTER_ALL_MUSIC, "All Music Files (*.mmm; *.mid)\n*.mmm;*.mid\n"},
             {IDS_FILTER_NATIVE, "Staffwright Files (*.mmm)\n*.mmm\n"},
             {IDS_FILTER_MIDI, "Midi Files (*.mid)\n*.mid\n"},
             {IDS_FILTER_ALL, "All Files (*.*)\n*.*\n"},
             {IDS_FILTER_SONG, "Quillet Files (*.sng)\n*.sng\n"});

// The first type string offered; a type's stored id is its 1-based index plus this less one.
constexpr UINT kFirstFilter = IDS_FILTER_ALL_MUSIC;
constexpr UINT kLastFilter = IDS_FILTER_ALL;
constexpr UINT kFilterIdBase = kFirstFilter - 1;   // 354

const char kSection[] = "New";

}  // namespace

IMPLEMENT_DYNAMIC(COpenDialog, CFileDialog)

COpenDialog::COpenDialog() : CFileDialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT) {
    m_ofn.Flags |= OFN_EXPLORER;
}

int COpenDialog::DoPromptFileName(std::string& fileName, UINT titleId, DWORD extraFlags) {
    m_nFilterCount = 0;
    m_ofn.lpstrTitle = LoadString(titleId);

    const int storedType = LoadIntPreference(kSection, "Default Ext", IDS_FILTER_NATIVE, kFirstFilter, kLastFilter);
    std::string filter;
    for (UINT id = kFirstFilter; id <= kLastFilter; ++id) {
        const std::string text = LoadString(id);
        const size_t feed = text.find('\n');
        if (feed == std::string::npos)
            continue;
        const std::string name = text.substr(0, feed);
        std::string pattern = text.substr(feed + 1);
        pattern = pattern.substr(0, pattern.find('\n'));
        if (name.empty() || pattern.empty())
            continue;
        filter += name + '\0' + pattern + '\0';
        ++m_nFilterCount;
        if (static_cast<int>(id) == storedType) {
            // "*.mid" gives "mid"; of several patterns only the first counts,
            // so no name ever gets "mmm;*.mid" appended.
            const std::string first = pattern.substr(0, pattern.find(';'));
            m_ofn.lpstrDefExt = first.size() > 2 ? first.substr(2) : std::string();
            m_ofn.nFilterIndex = static_cast<DWORD>(m_nFilterCount);
        }
    }
    m_ofn.lpstrFilter = filter;

    // The program's folder is no place for music here: start where the save
    // dialog starts.
    m_ofn.lpstrInitialDir = MCSaveDialog::GetStartFolder();
    m_ofn.Flags |= extraFlags;
    m_ofn.lpstrFile = fileName;
    if (DoModal() != IDOK)
        return 0;

    SaveIntPreference(kSection, "Default Ext", static_cast<int>(m_ofn.nFilterIndex + kFilterIdBase));
    fileName = m_ofn.lpstrFile;
    // Every path comes whole, and a selection comes from one folder: the
    // first path's folder is the folder of them all.
    const std::string first = fileName.substr(0, fileName.find('\0'));
    const std::string chosenFolder = std::filesystem::path(first).parent_path().string();
    if (!chosenFolder.empty())
        SaveStringPreference(kSection, "Dir", chosenFolder);
    return 1;
}
