// The two dialogs through which the user makes an embedded object:
//
// CInsertObjectDlg ("Insert Object", template 13390): "Create from File"
// with the file's name (typed, or chosen through "Browse...", the Open
// dialog) and "Link" (keep the file's path and follow the file); "Create
// New" is shown but cannot be chosen: this system makes no new objects of
// other programs. OK with no name stays open.
//
// CPasteSpecialDlg ("Paste Special", template 13400): what the clipboard
// holds that can become an object (embedding.h: files offered as URLs, an
// image), one chosen (the first at the start), and how: "Paste" embeds it,
// "Paste Link" links it (a file only; for the image it cannot be chosen).
// OK with nothing to choose stays open.
//
// Without an owner the application's main window owns them.
// User-interface thread only.
#pragma once

#include "interface/document/embedding.h"
#include "platform/ui/dialog.h"

#include <string>
#include <vector>

enum : UINT {
    IDD_INSERT_OBJECT = 13390,
    IDC_IO_CREATE_NEW = 13391,
    IDC_IO_CREATE_FROM_FILE = 13392,
    IDC_IO_FILE = 13393,
    IDC_IO_BROWSE = 13394,
    IDC_IO_LINK = 13395,
    IDD_PASTE_SPECIAL = 13400,
    IDC_PS_SOURCES = 13401,
    IDC_PS_PASTE = 13402,
    IDC_PS_PASTE_LINK = 13403,
};

class CInsertObjectDlg : public CDialog {
    DECLARE_DYNAMIC(CInsertObjectDlg)
public:
    explicit CInsertObjectDlg(CWnd* owner = nullptr);

    // After OK: the file and whether it is to be linked.
    const std::string& GetPathName() const { return m_strFile; }
    int IsLink() const { return m_bLink; }

    BOOL OnInitDialog() override;
    void OnOK() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // The Open dialog; its choice goes into the name field.
    afx_msg void OnBrowse();
    DECLARE_MESSAGE_MAP()

private:
    std::string m_strFile;
    int m_bLink = 0;
};

class CPasteSpecialDlg : public CDialog {
    DECLARE_DYNAMIC(CPasteSpecialDlg)
public:
    // `sources`: what the clipboard offers (ListEmbeddableSources).
    explicit CPasteSpecialDlg(std::vector<EmbeddableSource> sources, CWnd* owner = nullptr);

    // After OK: the chosen source (an index into the list given) and
    // whether it is to be linked.
    int GetChoice() const { return m_nChoice; }
    int IsLink() const { return m_nHow == 1; }

    BOOL OnInitDialog() override;
    void OnOK() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Paste Link only for a file.
    afx_msg void OnSourceChange();
    DECLARE_MESSAGE_MAP()

private:
    void EnableLink();

    std::vector<EmbeddableSource> m_sources;
    int m_nChoice = 0;
    int m_nHow = 0;   // 0 Paste, 1 Paste Link
};
