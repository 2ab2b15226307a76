// The recent-file list and the application's use of it (see recentfiles.h).
#include "platform/ui/recentfiles.h"

#include "platform/core/profile.h"
#include "platform/ui/app.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/menu.h"

#include <algorithm>
#include <filesystem>
#include <utility>

namespace {

constexpr const char* kRecentSection = "Recent File List";
constexpr const char* kRecentEntry = "File%d";
// The longest path the system opens (PATH_MAX).
constexpr std::size_t kLongestPath = 4096;

// The path as the list keeps it: absolute and normal.
std::string FullPath(const char* path) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? std::string(path) : full.lexically_normal().string();
}

// A file name shown in a menu: "&" would mark an access key.
std::string EscapeAmpersands(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        escaped += c;
        if (c == '&')
            escaped += '&';
    }
    return escaped;
}

// "&1 " ... "&9 ", then "1&0 ", "1&1 " ...: the number's last digit is the access key.
std::string EntryNumber(int number) {
    const std::string digits = std::to_string(number);
    return digits.substr(0, digits.size() - 1) + "&" + digits.back() + " ";
}

// The profile key of entry `number` (from 1): the format's "%d" replaced by it.
std::string EntryKey(const std::string& format, int number) {
    std::string key = format;
    const std::size_t mark = key.find("%d");
    if (mark != std::string::npos)
        key.replace(mark, 2, std::to_string(number));
    return key;
}

}  // namespace

std::string AbbreviatePath(const std::string& path, int nMaxLength, bool bAtLeastName) {
    const auto limit = static_cast<std::size_t>(std::max(nMaxLength, 0));
    if (path.size() <= limit)
        return path;
    const std::size_t lastSlash = path.find_last_of('/');
    const std::string name = lastSlash == std::string::npos ? path : path.substr(lastSlash + 1);
    const std::string root = !path.empty() && path.front() == '/' ? "/" : "";
    const std::string ellipsis = root + ".../";
    if (lastSlash == std::string::npos || ellipsis.size() + name.size() > limit)
        return bAtLeastName ? name : std::string();
    // Whole folders from the end, as many as fit before the name.
    std::size_t start = lastSlash;   // the tail kept begins after this slash
    while (start > root.size()) {
        const std::size_t previous = path.find_last_of('/', start - 1);
        if (previous == std::string::npos || previous < root.size())
            break;
        if (ellipsis.size() + (path.size() - previous - 1) > limit)
            break;
        start = previous;
    }
    return ellipsis + path.substr(start + 1);
}

// ---- CRecentFileList ----------------------------------------------------------------------

CRecentFileList::CRecentFileList(UINT nStart, const char* lpszSection, const char* lpszEntryFormat, int nSize,
                                 int nMaxDispLen)
    : m_nStart(nStart),
      m_strSectionName(lpszSection ? lpszSection : ""),
      m_strEntryFormat(lpszEntryFormat ? lpszEntryFormat : ""),
      m_nMaxDisplayLength(nMaxDispLen),
      m_arrNames(static_cast<std::size_t>(std::clamp(nSize, 0, AFX_MRU_MAX_COUNT))) {}

CRecentFileList::~CRecentFileList() = default;

const std::string& CRecentFileList::operator[](int nIndex) const {
    static const std::string none;
    return nIndex >= 0 && nIndex < GetSize() ? m_arrNames[static_cast<std::size_t>(nIndex)] : none;
}

void CRecentFileList::Add(const char* lpszPathName) {
    if (!lpszPathName || !*lpszPathName || m_arrNames.empty())
        return;
    const std::string path = FullPath(lpszPathName);
    auto found = std::find(m_arrNames.begin(), m_arrNames.end(), path);
    if (found == m_arrNames.end())
        found = m_arrNames.end() - 1;   // the oldest goes when the list is full
    std::rotate(m_arrNames.begin(), found, found + 1);
    m_arrNames.front() = path;
}

void CRecentFileList::Remove(int nIndex) {
    if (nIndex < 0 || nIndex >= GetSize())
        return;
    m_arrNames.erase(m_arrNames.begin() + nIndex);
    m_arrNames.emplace_back();
}

BOOL CRecentFileList::GetDisplayName(std::string& strName, int nIndex, const char* lpszCurDir, int nCurDir,
                                     BOOL bAtLeastName) const {
    const std::string& path = (*this)[nIndex];
    if (path.empty())
        return FALSE;
    const std::string folder = std::filesystem::path(path).parent_path().string();
    if (lpszCurDir && nCurDir > 0 && folder == std::string(lpszCurDir, static_cast<std::size_t>(nCurDir)))
        strName = std::filesystem::path(path).filename().string();
    else
        strName = AbbreviatePath(path, m_nMaxDisplayLength, bAtLeastName != FALSE);
    return TRUE;
}

void CRecentFileList::UpdateMenu(CCmdUI* pCmdUI) {
    CMenu* menu = pCmdUI ? pCmdUI->m_pMenu : nullptr;
    if (!menu)
        return;   // only a menu lists the files
    if (m_strOriginal.empty())
        menu->GetMenuString(pCmdUI->m_nID, m_strOriginal, MF_BYCOMMAND);
    // The placeholder and the entries shown last time go.
    const UINT first = pCmdUI->m_nIndex;
    for (UINT id = m_nStart; id < m_nStart + static_cast<UINT>(AFX_MRU_MAX_COUNT); ++id)
        while (menu->DeleteMenu(id, MF_BYCOMMAND)) {
        }
    std::error_code error;
    const std::string currentDir = std::filesystem::current_path(error).string();
    UINT position = first;
    for (int index = 0; index < GetSize(); ++index) {
        std::string name;
        if (!GetDisplayName(name, index, currentDir.c_str(), static_cast<int>(currentDir.size())))
            break;
        menu->InsertMenu(position++, MF_BYPOSITION | MF_STRING, m_nStart + static_cast<UINT>(index),
                         EntryNumber(index + 1) + EscapeAmpersands(name));
    }
    if (position == first) {
        // No file: the placeholder again, disabled.
        menu->InsertMenu(first, MF_BYPOSITION | MF_STRING | MF_GRAYED, m_nStart, m_strOriginal);
        position = first + 1;
    }
    // The menu's updating goes on after the entries, which are enabled as
    // commands the application handles.
    pCmdUI->m_nIndex = position - 1;
    pCmdUI->m_nIndexMax = static_cast<UINT>(menu->GetMenuItemCount());
    pCmdUI->m_bEnableChanged = TRUE;
}

void CRecentFileList::ReadList() {
    for (int index = 0; index < GetSize(); ++index) {
        const std::string key = EntryKey(m_strEntryFormat, index + 1);
        std::string name = GetProfileString(m_strSectionName, key, "");
        // A text no file could be named (longer than a path may be, or with a
        // control character: a damaged profile) is no entry.
        if (name.size() > kLongestPath ||
            std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
            name.clear();
        m_arrNames[static_cast<std::size_t>(index)] = std::move(name);
    }
    // An empty entry ends the list: close any gap a hand-edited profile left.
    std::stable_partition(m_arrNames.begin(), m_arrNames.end(), [](const std::string& name) { return !name.empty(); });
}

void CRecentFileList::WriteList() {
    CProfile profile = CProfile::Application();
    for (int index = 0; index < GetSize(); ++index) {
        const std::string key = EntryKey(m_strEntryFormat, index + 1);
        const std::string& name = m_arrNames[static_cast<std::size_t>(index)];
        if (!name.empty())
            profile.WriteString(m_strSectionName, key, name);
        else if (profile.HasKey(m_strSectionName, key))
            profile.DeleteKey(m_strSectionName, key);
    }
}

// ---- the application's list ---------------------------------------------------------------

void CWinApp::LoadStdProfileSettings(UINT nMaxMRU) {
    m_pRecentFileList.reset();
    if (nMaxMRU == 0)
        return;
    const int size = static_cast<int>(std::min<UINT>(nMaxMRU, AFX_MRU_MAX_COUNT));
    m_pRecentFileList = std::make_unique<CRecentFileList>(ID_FILE_MRU_FILE1, kRecentSection, kRecentEntry, size);
    m_pRecentFileList->ReadList();
}

void CWinApp::SaveStdProfileSettings() {
    if (m_pRecentFileList)
        m_pRecentFileList->WriteList();
}

void CWinApp::AddToRecentFileList(const char* lpszPathName) {
    if (m_pRecentFileList)
        m_pRecentFileList->Add(lpszPathName);
}

BOOL CWinApp::OnOpenRecentFile(UINT nID) {
    if (!m_pRecentFileList)
        return FALSE;
    const int index = static_cast<int>(nID - ID_FILE_MRU_FILE1);
    const std::string path = (*m_pRecentFileList)[index];   // a copy: opening reorders the list
    if (path.empty())
        return FALSE;
    if (!OpenDocumentFile(path.c_str())) {
        // Gone or unreadable: the entry goes, wherever the failed opening left it.
        for (int entry = 0; entry < m_pRecentFileList->GetSize(); ++entry)
            if ((*m_pRecentFileList)[entry] == path) {
                m_pRecentFileList->Remove(entry);
                break;
            }
    }
    return TRUE;
}

void CWinApp::OnUpdateRecentFileMenu(CCmdUI* pCmdUI) {
    if (!pCmdUI)
        return;
    if (m_pRecentFileList)
        m_pRecentFileList->UpdateMenu(pCmdUI);
    else
        pCmdUI->Enable(FALSE);
}
