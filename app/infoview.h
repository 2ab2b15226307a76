// The Information view: a form showing the file behind a document (name,
// path, format icon, creation, modification and access times) and the seven
// descriptive texts of the piece (title, subtitle, dedication, composer,
// arranger, text author, copyright).
//
// The texts are no fields of the document: each is the first ECText of its
// kind under the performance's conductor staff. Leaving a field commits it: a
// new text is added (CCAdd under the conductor staff), an emptied one removed
// (CCRemove), a changed one edited in place and announced (STATE_EVENTS_EDITED);
// the document is then modified. The view keeps itself current: its command
// handler notes any added or removed text event, STATE_EVENTS_EDITED any
// edited one, and the next STATE_COMMANDS_DONE or STATE_EDIT_DONE fills the
// form again; the file states (new, opened, saved) refill the file facts.
//
// Save, Save As and Close reaching the view commit the focused field first, at
// once, so what is on screen is what the document keeps. The view's frame
// cannot be resized or maximized: it is fitted to the form. The command
// handler is registered for the view's life and removed when it goes.
// User-interface thread only.
#pragma once

#include "platform/ui/formview.h"

#include <memory>
#include <string>

class CFont;
class ECBase;
class ECText;
class ECPerformance;
class MCOpusDoc;
class MCOpusHeader;

enum : UINT {
    IDD_INFOVIEW = 12304,
    IDC_INFO_ICON = 12305,
    IDC_INFO_FILENAME = 12306,
    IDC_INFO_PATHNAME = 12307,
    IDC_INFO_CREATED = 12308,
    IDC_INFO_MODIFIED = 12309,
    IDC_INFO_ACCESSED = 12310,
    IDC_INFO_TITLE = 12315,
    IDC_INFO_SUBTITLE = 12316,
    IDC_INFO_DEDICATION = 12317,
    IDC_INFO_COMPOSER = 12318,
    IDC_INFO_ARRANGER = 12319,
    IDC_INFO_AUTHOR = 12320,
    IDC_INFO_COPYRIGHT = 12321,
    IDS_INFOVIEW_TITLE = 12293,   // "Information": the view record's title
    // The format icons: native or unknown, MIDI file, song file.
    IDI_DOC_NATIVE = 131,
    IDI_DOC_MIDI = 132,
    IDI_DOC_SONG = 133,
};

class CInfoView : public CFormView {
    DECLARE_DYNCREATE(CInfoView)
public:
    CInfoView();
    // Removes the command handler from the performance it was given to.
    ~CInfoView() override;

    // The form, then its frame made unsizable and fitted to it.
    BOOL Create(const char* lpszClassName, const char* lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, void* pContext = nullptr) override;
    void OnInitialUpdate() override;
    void OnUpdate(CView* sender, long hint, CObject* object) override;
    // The focused field's text into the document now (its command run at
    // once): before any save, and before the document is asked whether it
    // changed (its close, the program's close).
    void CommitPendingEdit() override;

    // The file facts and the texts into the form; nothing without a document.
    void FillInfo();
    // The first text event of `kind` under the conductor staff; null when none.
    ECText* FindInfoText(int kind);

    // The command handler (performance, phase, batch, the view).
    static int InfoCommandHandler(ECBase* performance, int phase, void* batch, void* user);

    // A time as the form shows it, in the C locale ("Monday, March 04, 2024
    // 01:05:09 PM").
    static std::string FormatFileTime(long long seconds);

    // What the form shows (for its readers and tests).
    UINT GetIconID() const { return m_nIconID; }
    int GetRefreshFlag() const { return m_nRefresh; }
    CFont* GetFileNameFont() const { return m_pFileNameFont.get(); }

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    afx_msg void OnKillFocusTitle();
    afx_msg void OnKillFocusSubtitle();
    afx_msg void OnKillFocusDedication();
    afx_msg void OnKillFocusComposer();
    afx_msg void OnKillFocusArranger();
    afx_msg void OnKillFocusAuthor();
    afx_msg void OnKillFocusCopyright();
    DECLARE_MESSAGE_MAP()

private:
    // Commits the field `nID` held in `held` as text kind `kind`; `now` runs
    // its command at once instead of posting it.
    void CommitInfoText(int nID, std::string& held, int kind, bool now = false);
    void SetIcon(UINT iconId);
    // Makes the frame unsizable, without a maximize box, fitted to the form.
    void FitFrame();

    std::string m_strAccessed;
    std::string m_strArranger;
    std::string m_strComposer;
    std::string m_strCopyright;
    std::string m_strCreated;
    std::string m_strDedication;
    std::string m_strFileName;
    std::string m_strPathName;
    std::string m_strModified;
    std::string m_strSubtitle;
    std::string m_strTextAuthor;
    std::string m_strTitle;
    int m_nRefresh = 0;                        // a text event changed: fill again
    MCOpusDoc* m_pOpusDoc = nullptr;           // borrowed; the document outlives its views
    MCOpusHeader* m_pHeader = nullptr;         // the document's
    ECPerformance* m_pPerformance = nullptr;   // borrowed; the handler is registered with it
    ECBase* m_pConductorStaff = nullptr;       // borrowed: the parent of the text events
    std::unique_ptr<CFont> m_pFileNameFont;    // owned; null when the preference gave none
    UINT m_nIconID = IDI_DOC_NATIVE;
};
