// CFileDialog: the common Open and Save As dialogs, over the toolkit's own
// (non-native) file dialog, so they look and behave the same everywhere and
// tests can drive them.
//
// The settings live in m_ofn and may be changed between construction and
// DoModal: the filter, the selected type (nFilterIndex, 1-based), the initial
// folder, the title, the flags (OFN_*), the default extension and the file
// name. Filters come in either classic form:
//   pairs ended by zeros:  std::string("Songs\0*.mmm\0All\0*.*\0\0", 23)
//   pairs split by "|":    "Songs|*.mmm|MIDI|*.mid;*.midi||"
// Each pair is a description and its patterns (split by ";"). Paths have no
// length limit.
//
// DoModal runs the dialog (commondlg.h) and answers IDOK or IDCANCEL. While
// it is open the dialog is this window; its
// type list is the control 1136 (cmb1, a CComboBox), its name field the
// control 1152 (edt1), its OK and Cancel buttons IDOK and IDCANCEL;
// GetControlText and SetControlText reach a control by id, GetDlgItem its
// window. A change of type (the user's choice) updates m_ofn.nFilterIndex and
// calls OnTypeChange; a change of the name field calls OnFileNameChange.
//
// On OK the dialog checks what was chosen before it closes, telling the user
// through the prompts (prompt.h) and staying open when a check fails: the
// folder must exist (OFN_PATHMUSTEXIST), the file too (OFN_FILEMUSTEXIST, and
// always for an Open dialog), and an existing file is only replaced when the
// user agrees (OFN_OVERWRITEPROMPT). A name typed without an extension gets
// the default extension. A name of a folder opens that folder instead.
//
// After OK: GetPathName, GetFileName, GetFileExt and GetFileTitle describe the
// (first) chosen file; with OFN_ALLOWMULTISELECT, GetStartPosition and
// GetNextPathName walk all of them. While the dialog is open they describe
// the name in its field. User-interface thread only.
#pragma once

#include "platform/ui/commondlg.h"

#include <cstddef>
#include <string>
#include <vector>

class QFileDialog;

inline constexpr DWORD OFN_READONLY = 0x00000001;
inline constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
inline constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
inline constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
inline constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
inline constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
inline constexpr DWORD OFN_EXPLORER = 0x00080000;
inline constexpr DWORD OFN_ENABLESIZING = 0x00800000;

// The standard titles.
inline constexpr UINT AFX_IDS_OPENFILE = 0xF000;
inline constexpr UINT AFX_IDS_SAVEFILE = 0xF001;
inline constexpr UINT AFX_IDS_SAVEFILECOPY = 0xF004;

struct OPENFILENAME {
    std::string lpstrFilter;      // either form (see above)
    DWORD nFilterIndex = 1;       // 1-based
    std::string lpstrFile;        // the initial name; after OK the chosen path(s), separated by zeros
    std::string lpstrInitialDir;  // unless the file name has a folder; empty: the current one
    std::string lpstrTitle;       // empty: the standard title
    std::string lpstrDefExt;      // without the dot
    DWORD Flags = 0;
};

// One pair of a filter: a description and its patterns ("*.a;*.b").
struct FileFilter {
    std::string description;
    std::string patterns;
};
// The pairs of a filter in either form; a pair with an empty description or
// pattern list ends it (as two zeros or "||" do).
std::vector<FileFilter> ParseFileFilter(const std::string& filter);

class CFileDialog : public CCommonDialog {
    DECLARE_DYNAMIC(CFileDialog)
public:
    // `lpszFilter` in the "|" form (or null); the "\0" form goes into m_ofn.lpstrFilter.
    explicit CFileDialog(BOOL bOpenFileDialog, const char* lpszDefExt = nullptr, const char* lpszFileName = nullptr,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const char* lpszFilter = nullptr,
                         CWnd* pParentWnd = nullptr);

    // Where GetNextPathName stands: the next path's 1-based index, 0 at the end.
    using POSITION = std::size_t;

    virtual INT_PTR DoModal();

    std::string GetPathName() const;
    std::string GetFileName() const;
    std::string GetFileExt() const;     // without the dot; empty when none
    std::string GetFileTitle() const;   // the name without its extension
    POSITION GetStartPosition() const;
    std::string GetNextPathName(POSITION& pos) const;
    BOOL IsOpenDialog() const { return m_bOpenFileDialog; }

    // The text of a control of the open dialog (cmb1: the selected type's description).
    std::string GetControlText(int nID) const;
    void SetControlText(int nID, const char* lpszText);

    OPENFILENAME m_ofn;

protected:
    virtual void OnTypeChange();
    virtual void OnFileNameChange();
    // Whether the dialog may close with these paths; the base checks as
    // described above. Answering FALSE keeps it open.
    virtual BOOL OnFileNameOK(const std::vector<std::string>& paths);

private:
    class Widget;   // filedialog.cpp: the toolkit's dialog, with OK decided here
    friend class Widget;

    QFileDialog* Build();
    void Accept();
    QFileDialog* GetFileDialog() const;
    // The paths the field names now, relative to the folder shown.
    std::vector<std::string> TypedPaths() const;

    BOOL m_bOpenFileDialog;
    std::vector<std::string> m_paths;   // chosen on OK
};
