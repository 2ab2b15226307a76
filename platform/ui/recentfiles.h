// CRecentFileList: the files last opened, newest first, as the File menu
// lists them.
//
// The list holds up to its size of full paths (an empty entry ends it). Add
// puts a file at the top, moving it there when it is listed already and
// dropping the oldest when the list is full. ReadList and WriteList keep it
// in a section of the application profile, one key per entry ("File1" ...
// "Filen" with the entry format "File%d"); an entry left empty has no key.
//
// UpdateMenu runs as the update handler of the first entry's command: the
// menu item with that command is the placeholder ("Recent File"). With
// files listed, the placeholder and the entries shown before give way to
// one item per file, "&1 name" ... ("1&0 name" for the tenth), each with its
// command (nStart + index); the name is the file's name alone for a file in
// the current folder, else its path shortened to the display length
// (AbbreviatePath), "&" doubled. With no file, the placeholder comes back,
// disabled, and the entries go.
//
// CWinApp keeps one for LoadStdProfileSettings (app.h): the section "Recent
// File List", opening an entry with ID_FILE_MRU_FILE1 + index (a file that no
// longer opens leaves the list), adding each file a document is given
// (CDocument::SetPathName) and writing the list at exit.
//
// User-interface thread only.
#pragma once

#include "platform/ui/msgmap.h"

#include <string>
#include <vector>

class CCmdUI;

// The commands of the recent-file entries.
enum : UINT {
    ID_FILE_MRU_FILE1 = 0xE110,
    ID_FILE_MRU_FILE2 = 0xE111,
    ID_FILE_MRU_FILE3 = 0xE112,
    ID_FILE_MRU_FILE4 = 0xE113,
    ID_FILE_MRU_FILE16 = 0xE11F,
};
// The most entries a list holds; a longer display name is shortened.
inline constexpr int AFX_MRU_MAX_COUNT = 16;
inline constexpr int AFX_ABBREV_FILENAME_LEN = 30;

class CRecentFileList {
public:
    // `nStart`: the first entry's command; `lpszEntryFormat`: the key of
    // entry n (from 1), with one %d.
    CRecentFileList(UINT nStart, const char* lpszSection, const char* lpszEntryFormat, int nSize,
                    int nMaxDispLen = AFX_ABBREV_FILENAME_LEN);
    virtual ~CRecentFileList();

    int GetSize() const { return static_cast<int>(m_arrNames.size()); }
    // The entry's path ("" when empty or no such entry).
    const std::string& operator[](int nIndex) const;

    // Puts the file (made a full path) at the top (see above).
    virtual void Add(const char* lpszPathName);
    // Takes the entry out; the ones below move up.
    virtual void Remove(int nIndex);
    // The menu text of an entry without its number: the name alone when the
    // file lies in `lpszCurDir` (its first `nCurDir` bytes), else the
    // shortened path. FALSE (and `strName` untouched) for an empty entry.
    virtual BOOL GetDisplayName(std::string& strName, int nIndex, const char* lpszCurDir, int nCurDir,
                                BOOL bAtLeastName = TRUE) const;
    virtual void UpdateMenu(CCmdUI* pCmdUI);
    virtual void ReadList();
    virtual void WriteList();

private:
    UINT m_nStart;
    std::string m_strSectionName;
    std::string m_strEntryFormat;
    int m_nMaxDisplayLength;
    std::vector<std::string> m_arrNames;   // the list's size; "" for an empty entry
    std::string m_strOriginal;             // the placeholder's text, once seen
};

// `path` shortened to at most `nMaxLength` bytes: the root, "...", then as
// many of the last folders and the file's name as fit
// ("/.../scores/quartet.mus"). When not even the name fits beside them: the
// name alone with `bAtLeastName`, else "". A path that fits stays whole.
std::string AbbreviatePath(const std::string& path, int nMaxLength, bool bAtLeastName);

// A handler of a range of commands that may let routing go on:
// BOOL f(UINT id), as the application's recent-file entries are.
#ifndef ON_COMMAND_EX_RANGE
#define ON_COMMAND_EX_RANGE(id, idLast, memberFxn) \
    {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(idLast), AfxSig_b, \
     AFX_MSG_THUNK(return AFX_CALL(memberFxn)(call_.nID);)},
#endif
