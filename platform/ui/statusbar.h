// CStatusBar: the frame's strip of text panes along its bottom edge.
//
// The panes are laid from the left, each as wide as its text area plus its
// border; a pane with SBPS_STRETCH takes the width left over (shared when
// several do), so GetItemRect follows the bar's width. SetIndicators makes
// a pane for each id: ID_SEPARATOR gives an empty pane a quarter of the
// screen wide, the first pane stretching and borderless (the message pane);
// any other id is an indicator showing the string of that id and sized to it.
// GetItemRect answers a pane's rectangle in the bar's client coordinates, so
// a control made as the bar's child can be moved over a pane.
//
// The bar's window text is its message pane's (the first ID_SEPARATOR
// pane): WM_SETTEXT and SetWindowText set it; a frame shows its messages
// there and "Ready" (AFX_IDS_IDLEMESSAGE) when idle.
//
// On idle each indicator pane asks its command's update handler (with the
// owner as the target): Enable(FALSE) greys its text out, SetCheck pops it out,
// SetText changes it. A pane nobody answers for stays as it is.
//
// On a frame the bar is its main window's QStatusBar. User-interface thread only.
#pragma once

#include "platform/ui/controlbar.h"

#include <string>
#include <vector>

class QPainter;
class StatusBarWidget;

// Pane styles.
inline constexpr UINT SBPS_NORMAL = 0x0000;
inline constexpr UINT SBPS_NOBORDERS = 0x0100;
inline constexpr UINT SBPS_POPOUT = 0x0200;
inline constexpr UINT SBPS_OWNERDRAW = 0x1000;
inline constexpr UINT SBPS_DISABLED = 0x04000000;
inline constexpr UINT SBPS_STRETCH = 0x08000000;

inline constexpr UINT ID_SEPARATOR = 0;
// "Ready": what a frame's message pane shows when idle.
inline constexpr UINT AFX_IDS_IDLEMESSAGE = 0xE001;

class CStatusBar : public CControlBar {
    DECLARE_DYNAMIC(CStatusBar)
public:
    CStatusBar();
    ~CStatusBar() override;

    virtual BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM,
                        UINT nID = AFX_IDW_STATUS_BAR);
    // One pane for each id (see above); a null array makes `nIDCount`
    // separator panes. FALSE when an indicator has no string (its pane is
    // left empty).
    BOOL SetIndicators(const UINT* lpIDArray, int nIDCount);

    int GetCount() const { return static_cast<int>(m_panes.size()); }
    // The first pane of the id; -1 when none.
    int CommandToIndex(UINT nIDFind) const;
    UINT GetItemID(int nIndex) const;
    // The pane's rectangle in client coordinates (empty for no such pane).
    void GetItemRect(int nIndex, RECT* lpRect) const;

    void GetPaneText(int nIndex, std::string& text) const;
    std::string GetPaneText(int nIndex) const;
    // FALSE for no such pane. The bar is drawn again with `bUpdate`.
    BOOL SetPaneText(int nIndex, const char* lpszNewText, BOOL bUpdate = TRUE);
    // The id, the SBPS_ style and the width of the text area.
    void GetPaneInfo(int nIndex, UINT& nID, UINT& nStyle, int& cxWidth) const;
    void SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth);
    UINT GetPaneStyle(int nIndex) const;
    void SetPaneStyle(int nIndex, UINT nStyle);

    // The bar's height, and the frame's width when stretched.
    CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override;
    void OnUpdateCmdUI(CCmdTarget* pTarget, BOOL bDisableIfNoHndler) override;
    // WM_SETTEXT, WM_GETTEXT and WM_GETTEXTLENGTH are the message pane's.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    QWidget* CreateWidget(QWidget* parent, DWORD dwStyle) override;
    // The frame's status bar.
    void PlaceInFrame(QMainWindow* frame) override;

private:
    friend class StatusBarWidget;   // statusbar.cpp: draws the panes

    struct Pane {
        UINT nID = ID_SEPARATOR;
        UINT nStyle = SBPS_NORMAL;
        int cxText = 0;   // the width of the text area
        std::string text;
    };

    bool IsPane(int nIndex) const { return nIndex >= 0 && nIndex < GetCount(); }
    // The panes' rectangles at the bar's present size.
    std::vector<CRect> LayoutPanes() const;
    void DrawPanes(QPainter& painter) const;

    std::vector<Pane> m_panes;
};
