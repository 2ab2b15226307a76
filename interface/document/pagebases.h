// The bases of the pages other libraries register through the records
// (pluginrecords.h): inspector pages and preference pages.
//
// MCInspectorPage: a page of the inspector tool window, bound to a document
// and to the events it inspects (both borrowed; the inspector window sets
// them). It fills its controls from the events in InitPage, on its first data
// exchange after its window is made (the flag resets when the window goes).
// Apply on a modified page reads the controls back and writes them into every
// event, in list order, as one STATE_EVENTS_EDITED (1200) edit applied to the
// document's performance; Cancel reverts the controls and keeps the page
// open. A page takes help requests (shows nothing) and tips its controls with
// the string whose id is the control's id.
//
// MCInspectorForm: a page's controls hosted in a form view (made from its own
// template, or taking over a control of the page), bound to the page: it
// copies the page's document and events when initialised and on each
// UpdatePage. Keys reach the page's sheet first. Help and tips as the page's.
//
// MCPrefsPage: a page of a preference sheet. It saves its settings on OK; the
// sheet calls OnOK only for pages whose window was made, so a page never
// visited saves nothing, and Cancel saves nothing. Its controls' tips are the
// first lines of the strings of their ids.
//
// A tip is at most 79 bytes (TOOLTIPTEXT's buffer), cut at a character
// boundary. User-interface thread only.
#pragma once

#include "platform/ui/formview.h"
#include "platform/ui/msgmap.h"
#include "platform/ui/propsheet.h"

#include <cstdint>

class MCEventList;
class MCOpusDoc;
class SCEventEdit;
class ECBase;

// Fills a TTN_NEEDTEXT for a tool that is a control: the string of the
// control's id (its first line only with `firstLine`), cut to the buffer.
// FALSE for id 0 or a tool that is no window (no tip).
BOOL PageControlTip(NMHDR* pNMHDR, LRESULT* pResult, bool firstLine);

// What a page's WM_HELPHITTEST answers: the request is taken, no topic shown.
inline constexpr LRESULT INSPECTOR_HELP_HIT = 0x20000;

class MCInspectorPage : public CPropertyPage {
    DECLARE_DYNCREATE(MCInspectorPage)
public:
    // Not initialised, not modified, no document, no events.
    MCInspectorPage();
    explicit MCInspectorPage(UINT nIDTemplate);

    MCOpusDoc* GetDocument() const { return m_pDocument; }
    void SetDocument(MCOpusDoc* document) { m_pDocument = document; }
    MCEventList* GetEventList() const { return m_pEventList; }
    void SetEventList(MCEventList* events) { m_pEventList = events; }

    // Fills the controls' members from the events; 1 in the base. Runs on the
    // first data exchange of each window.
    virtual BOOL InitPage();
    // Refreshes the members from the events; nothing in the base.
    virtual void UpdatePage();
    // With a document and events set, and the controls read back: one
    // SCEventEdit (1200) through UpdateEvent for each event in list order,
    // applied to the document's performance. Otherwise nothing.
    virtual void UpdateEvents();
    // Writes the members into one event, adding what changes to `edit`;
    // nothing in the base.
    virtual void UpdateEvent(ECBase* event, SCEventEdit* edit);
    // The page's own modified flag (SetModifiedFlag).
    virtual BOOL IsModified() const;
    // Sets the flag and the sheet's modified state (Apply) alike.
    virtual void SetModifiedFlag(bool modified);

    // WM_COMMANDHELP: 1. WM_HELPHITTEST: INSPECTOR_HELP_HIT.
    afx_msg virtual LRESULT OnCommandHelp(WPARAM wParam, LPARAM lParam);
    afx_msg virtual LRESULT OnHelpHitTest(WPARAM wParam, LPARAM lParam);
    // TTN_NEEDTEXT for a control tool: the string of the control's id, cut
    // to the buffer. FALSE (no tip) for id 0 or a tool that is no window.
    afx_msg virtual BOOL OnToolTipNotify(UINT id, NMHDR* pNMHDR, LRESULT* pResult);

    // Clears the modified flag, then the platform's initialisation; TRUE.
    BOOL OnInitDialog() override;
    // UpdateEvents when modified; the flag cleared; TRUE.
    BOOL OnApply() override;
    // Reverts: UpdatePage, the controls reloaded, the flag cleared; FALSE, so
    // the sheet stays open.
    BOOL OnQueryCancel() override;

protected:
    // InitPage while the page is not initialised, its result kept. Pages
    // call it before their own exchanges.
    void DoDataExchange(CDataExchange* pDX) override;
    // The next window initialises again.
    afx_msg void OnDestroy();

    enum : uint8_t {
        PAGE_INITIALIZED = 0x01,   // InitPage ran and succeeded
        PAGE_MODIFIED = 0x02,
    };
    uint8_t m_nFlags = 0;
    MCOpusDoc* m_pDocument = nullptr;     // borrowed, may be null
    MCEventList* m_pEventList = nullptr;  // borrowed, may be null

    DECLARE_MESSAGE_MAP()
};

class MCInspectorForm : public CFormView {
    DECLARE_DYNAMIC(MCInspectorForm)
public:
    // A form on template `nIDTemplate` bound to `page` (borrowed, may be null).
    MCInspectorForm(UINT nIDTemplate, MCInspectorPage* page);

    MCInspectorPage* GetPage() const { return m_pPage; }
    MCOpusDoc* GetDocument() const { return m_pDocument; }
    MCEventList* GetEventList() const { return m_pEventList; }

    using CFormView::Create;
    // The form's window, with no class and no window name.
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    // Takes over the control `nID` of `pParent` as this form's window.
    virtual BOOL SubclassInspectorForm(UINT nID, CWnd* pParent);
    // Copies the page's document and events (null without a page); 1.
    virtual BOOL InitPage();
    // Copies them again when there is a page.
    virtual void UpdatePage();
    // Nothing in the base.
    virtual void UpdateEvent(ECBase* event, SCEventEdit* edit);

    // As the page's: help taken with nothing shown, tips from the controls' ids.
    afx_msg virtual LRESULT OnCommandHelp(WPARAM, LPARAM) { return 1; }
    afx_msg virtual LRESULT OnHelpHitTest(WPARAM, LPARAM) { return INSPECTOR_HELP_HIT; }
    afx_msg virtual BOOL OnToolTipNotify(UINT id, NMHDR* pNMHDR, LRESULT* pResult);

    // With a page: the page's parent (its sheet) first; what it takes, the
    // form takes. Otherwise as any form.
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    MCInspectorPage* m_pPage;               // borrowed, may be null
    MCOpusDoc* m_pDocument = nullptr;       // the page's, borrowed
    MCEventList* m_pEventList = nullptr;    // the page's, borrowed

    DECLARE_MESSAGE_MAP()
};

class MCPrefsPage : public CPropertyPage {
    DECLARE_DYNCREATE(MCPrefsPage)
public:
    MCPrefsPage();
    explicit MCPrefsPage(UINT nIDTemplate);

    // Read the settings into the controls' members / write them back;
    // nothing in the base.
    virtual void LoadPrefs();
    virtual void SavePrefs();
    // TTN_NEEDTEXT for a control tool: the string of the control's id up to
    // its first line feed, cut to the buffer. FALSE for id 0 or a tool that is
    // no window.
    afx_msg virtual BOOL OnToolTipNotify(UINT id, NMHDR* pNMHDR, LRESULT* pResult);

    // Tips enabled, then the platform's initialisation.
    BOOL OnInitDialog() override;
    // SavePrefs, then the platform's OK.
    void OnOK() override;

    DECLARE_MESSAGE_MAP()
};
