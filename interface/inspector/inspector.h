// The Inspector library: the tool window that shows the property pages of the
// selected events of the active document.
//
// InitInspector is the library's start-up function; the program calls it
// before making the window.
//
// CPropertiesWnd is an MCToolWnd (interface/document/toolwnd.h) titled
// "Inspector", placed from the profile section "Components\Inspector" (see
// kInspectorSection), with a row of tabs and the buttons Apply and Cancel.
// The program tells it of the states it routes (OnUpdate):
// - 1200, 1201 and the selection states 1700 to 1704 fill it again from the
//   active document's selection (its resolved events): one tab for each
//   inspector record (interface/document/pluginrecords.h) of the events' type,
//   in the records' order, titled by the record's title. For a selection of
//   several types, the pages whose class is registered for every type in it,
//   in the first type's order. Each page is given the document and the
//   events, then UpdatePage and its controls loaded;
// - 1303 (a file closed) empties it, as does a fill with no active document
//   or an empty selection.
// Apply runs the page shown's OnApply (which writes the events as one 1200
// when the page is modified), Cancel its OnQueryCancel (which reverts it).
// Apply is enabled while the page shown is modified.
//
// Ownership: made with new; the window deletes the object as every tool
// window does. The pages are their records'; the windows made for them are
// destroyed when their tabs go. The events shown are held (one reference
// each) by the window's own list. The frame and the MDI client are borrowed.
// User-interface thread only.
#pragma once

#include "interface/document/toolwnd.h"
#include "model/lists.h"
#include "platform/ui/propsheet.h"

#include <string>
#include <vector>

class CFrameWnd;
class CPluginInspector;
class MCOpusDoc;
class QTabWidget;

// The library's start-up; 1.
int InitInspector();

inline constexpr const char* kInspectorSection = "Components\\Inspector";

// The window's resources: its template, caption string and icon share one id.
inline constexpr UINT IDD_INSPECTOR = 31900;

class CPropertiesWnd : public MCToolWnd {
    DECLARE_DYNAMIC(CPropertiesWnd)
public:
    // Makes the window on `frame` (its owner too) and places it from
    // kInspectorSection, hidden. Without a window when that fails.
    CPropertiesWnd(CFrameWnd* frame, CWnd* mdiClient);

    // The state update (see above); `state` is the routed state, unused.
    virtual void OnUpdate(long code, CObject* state);

    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int index) const;
    // The page whose tab is shown; null when none.
    CPropertyPage* GetActivePage() const;
    std::string GetPageTitle(int index) const;
    // The events the pages are given.
    MCEventList& GetEventList() { return m_events; }

    // Apply enabled while the page shown is modified, Cancel while a page shows.
    void OnUpdateCmdUI(CCmdTarget* pTarget, BOOL bDisableIfNoHndler) override;

protected:
    afx_msg void OnApplyNow();
    afx_msg void OnCancelPage();
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    // Fills from the active document's selection (see above).
    void Refill();
    // No tabs, no pages, no events.
    void Empty();
    // The records whose pages show for `events`: the first type's, kept
    // where every other type has a record of the same page class.
    static std::vector<CPluginInspector*> RecordsFor(const MCEventList& events);

    CWnd* m_pMDIClient;                       // borrowed
    QTabWidget* m_pTabs = nullptr;            // the window's widget owns it
    std::vector<CPropertyPage*> m_pages;      // the records'; one per tab
    MCEventList m_events;                     // held: the events shown
};
