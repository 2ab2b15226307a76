// The base of the child frames that show a document's views.
//
// MCOpusWnd knows the view id and the document it was made for (the template
// sets both, opustemplate.h). It keeps the active document in step with
// frame activation: the document of the frame activated becomes the active
// one, and a change of active document applies STATE_SELECTION_ACTIVATE
// (1704) to its performance at once, so what shows the selection follows. A
// hidden frame takes no part in activation switches.
//
// Its title is "document - view" from the view's record ("Untitled1 - Music
// Score"); a frame whose view id has no record keeps the library's title.
// On the first activation of any such frame the View menu gets its view
// items and the Preferences submenu its categories (CPluginView::UpdateMenu,
// CPluginPrefs::UpdateMenu); both are built once for the process.
//
// Closing a frame while another visible frame shows the document only hides
// it (GetViewFrame shows it again); closing the last visible one sends File
// Close, which closes the document.
//
// Derived frames keep their own settings through LoadPrefs and SavePrefs
// (empty here) and may restore their placement once, noting it in
// m_bPlacementRestored. User-interface thread only.
#pragma once

#include "platform/ui/mdi.h"
#include "platform/ui/placement.h"

class MCOpusDoc;

class MCOpusWnd : public CMDIChildWnd {
    DECLARE_DYNCREATE(MCOpusWnd)
public:
    MCOpusWnd();
    ~MCOpusWnd() override;

    UINT GetViewID() const { return m_nViewID; }
    void SetViewID(UINT viewId) { m_nViewID = viewId; }
    MCOpusDoc* GetDocument() const { return m_pDocument; }
    void SetDocument(MCOpusDoc* doc) { m_pDocument = doc; }

    // The placement stored under the section `name` (LoadWindowPrefs), with
    // `showCmd` its show command; when none is stored, a normal window at
    // 0, 0 as large as a maximized one.
    virtual WINDOWPLACEMENT GetDefaultPlacement(const char* name, int& showCmd);
    // The frame's own settings under `section`; nothing here.
    virtual void LoadPrefs(const char* section, int showCmd);
    virtual void SavePrefs(const char* section);

    // The main frame's title, then "document - view" (see the file comment).
    void OnUpdateFrameTitle(BOOL bAddToTitle) override;
    // The base's, then (activating) the View and Preferences menus, once.
    void OnUpdateFrameMenu(BOOL bActivate, CWnd* pActivateWnd, CMenu* hMenuAlt) override;
    // Keeps the active document in step (see the file comment).
    void OnMDIActivate(BOOL bActivate, CWnd* pActivateWnd, CWnd* pDeactivateWnd) override;

    // The submenus the first activation filled; null until then. Built once
    // for the process (a program whose main menu is made anew, as tests do,
    // sets them back to null).
    static CMenu* s_hViewMenu;
    static CMenu* s_hPrefsMenu;

protected:
    // Hides the frame while another visible frame shows the document, else
    // closes the document (File Close).
    afx_msg void OnClose();
    DECLARE_MESSAGE_MAP()

    int m_bPlacementRestored = 0;   // set by a derived frame once its placement was restored

private:
    UINT m_nViewID = 0;
    MCOpusDoc* m_pDocument = nullptr;   // borrowed; the document outlives its frames
};
