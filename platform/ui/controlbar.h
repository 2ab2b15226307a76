// CControlBar: a strip of controls that lives on a frame's edge or floats in
// a small window of its own (the status bar, the dialog bars, the tool
// windows), and the docking operations a frame offers its bars.
//
// The frame is any CWnd whose widget is a QMainWindow. A docked bar sits in
// one of the main window's tool-bar areas (a QToolBar hosts it; the tool bar's
// object name is "Bar<id>", so a saved layout finds it again); a floating bar
// sits in a floating QDockWidget ("FloatingBar<id>") at the point it was
// floated to. A bar made on a frame with an alignment (CBRS_ALIGN_TOP ...) is
// placed on that edge at once; only a bar whose docking the frame and the bar
// both enable may be moved there by the user. A bar whose docking is enabled
// on no side (EnableDocking(0)) is floating-only: DockControlBar leaves it
// where it is.
//
// The user drags a docked bar by its tool bar's handle and a floating one by
// its window's caption (bardrag.cpp): let go over an edge of the frame the
// bar may dock on, the bar docks there (on the left or right edge its tool
// bar stands upright and the bar is asked its vertical size), and the view
// gets what is left; let go elsewhere, a docked bar floats there and a
// floating one stays where it was moved. Qt's own docking of its tool bars
// and dock windows is never used.
//
// The bar's window stays a child of the frame as far as the window layer
// sees (GetParent, GetOwner), whichever host holds its widget, so its
// notifications reach the frame: WM_COMMAND, WM_NOTIFY and the other control
// notifications the bar's own tables do not take go on to the owner.
//
// A bar registers for idle updates (winthread.h): while it is visible its
// OnUpdateCmdUI runs on idle with the owner as the target.
//
// A docked bar that would make its line longer than the shown frame starts a
// new line along the edge, so the frame never widens for it.
//
// The layout: SaveBarState keeps every bar's place (edge or floating point),
// order and line along its edge and visibility as one profile value "Layout"
// of a section; LoadBarState puts them back. A missing or unreadable value
// changes nothing.
//
// Ownership: the hosts belong to the main window; the bar object is its
// creator's, as for any CWnd. User-interface thread only.
#pragma once

#include "platform/ui/commands.h"
#include "platform/ui/wnd.h"

#include <QPointer>

class QDockWidget;
class QMainWindow;
class QToolBar;

// Control-bar styles (m_dwStyle), beside the window styles of the same word.
inline constexpr DWORD CBRS_FLOATING = 0x0001;
inline constexpr DWORD CBRS_SIZE_FIXED = 0x0002;
inline constexpr DWORD CBRS_SIZE_DYNAMIC = 0x0004;
inline constexpr DWORD CBRS_HIDE_INPLACE = 0x0008;
inline constexpr DWORD CBRS_TOOLTIPS = 0x0010;
inline constexpr DWORD CBRS_FLYBY = 0x0020;
inline constexpr DWORD CBRS_FLOAT_MULTI = 0x0040;
inline constexpr DWORD CBRS_BORDER_3D = 0x0080;
inline constexpr DWORD CBRS_BORDER_LEFT = 0x0100;
inline constexpr DWORD CBRS_BORDER_TOP = 0x0200;
inline constexpr DWORD CBRS_BORDER_RIGHT = 0x0400;
inline constexpr DWORD CBRS_BORDER_BOTTOM = 0x0800;
inline constexpr DWORD CBRS_BORDER_ANY = 0x0F00;
inline constexpr DWORD CBRS_ALIGN_LEFT = 0x1000;
inline constexpr DWORD CBRS_ALIGN_TOP = 0x2000;
inline constexpr DWORD CBRS_ALIGN_RIGHT = 0x4000;
inline constexpr DWORD CBRS_ALIGN_BOTTOM = 0x8000;
inline constexpr DWORD CBRS_ALIGN_ANY = 0xF000;
inline constexpr DWORD CBRS_ORIENT_HORZ = CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM;
inline constexpr DWORD CBRS_ORIENT_VERT = CBRS_ALIGN_LEFT | CBRS_ALIGN_RIGHT;
inline constexpr DWORD CBRS_GRIPPER = 0x00400000;
inline constexpr DWORD CBRS_NOALIGN = 0x00000000;
inline constexpr DWORD CBRS_LEFT = CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT;
inline constexpr DWORD CBRS_TOP = CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM;
inline constexpr DWORD CBRS_RIGHT = CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT;
inline constexpr DWORD CBRS_BOTTOM = CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP;
// Every bit a control bar keeps of the style it was made with.
inline constexpr DWORD CBRS_ALL = 0x0040FFFF;

// The ids of the frame's four edges (its status bar's is in commands.h).
inline constexpr UINT AFX_IDW_DOCKBAR_TOP = 0xE81B;
inline constexpr UINT AFX_IDW_DOCKBAR_LEFT = 0xE81C;
inline constexpr UINT AFX_IDW_DOCKBAR_RIGHT = 0xE81D;
inline constexpr UINT AFX_IDW_DOCKBAR_BOTTOM = 0xE81E;
inline constexpr UINT AFX_IDW_DOCKBAR_FLOAT = 0xE81F;

// CalcDynamicLayout's modes.
inline constexpr DWORD LM_STRETCH = 0x01;     // stretch to the frame's width or height
inline constexpr DWORD LM_HORZ = 0x02;        // horizontal, else vertical
inline constexpr DWORD LM_MRUWIDTH = 0x04;    // the last floating width
inline constexpr DWORD LM_HORZDOCK = 0x08;    // docked on a horizontal edge
inline constexpr DWORD LM_VERTDOCK = 0x10;    // docked on a vertical edge
inline constexpr DWORD LM_LENGTHY = 0x20;     // nLength is a height, else a width
inline constexpr DWORD LM_COMMIT = 0x40;      // keep the size as the floating one

class CControlBar : public CWnd {
    DECLARE_DYNAMIC(CControlBar)
public:
    CControlBar();
    ~CControlBar() override;

    DWORD GetBarStyle() const { return m_dwStyle; }
    // Keeps the control-bar bits of `dwStyle` (CBRS_ALL).
    void SetBarStyle(DWORD dwStyle);
    // The edges the bar may dock on (CBRS_ALIGN_ bits); 0 makes it floating-only.
    void EnableDocking(DWORD dwDockStyle);
    DWORD GetDockStyle() const { return m_dwDockStyle; }
    BOOL IsFloating() const;
    // Whether the bar is shown where it is (its host not hidden), whether or
    // not the frame is on the screen.
    BOOL IsVisible() const;
    // The frame the bar was made on; null before.
    CWnd* GetDockingFrame() const;
    // The rectangle of the floating window holding the bar, on the screen,
    // its frame included. FALSE (and `lpRect` untouched) when not floating.
    BOOL GetFloatingWindowRect(RECT* lpRect) const;

    // The bar's size docked (`bStretch`: across the whole edge) on a
    // horizontal (`bHorz`) or vertical edge. The base has no size of its own.
    virtual CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz);
    // The size for a mode (LM_ bits); the base answers CalcFixedLayout.
    virtual CSize CalcDynamicLayout(int nLength, DWORD dwMode);

    // Routes a control's notification the bar does not take to its owner.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Destroys the window and the frame's hosts of it.
    BOOL DestroyWindow() override;

    DWORD m_dwStyle = 0;       // CBRS_ bits
    DWORD m_dwDockStyle = 0;   // CBRS_ALIGN_ bits the bar may dock on

protected:
    // Makes the window as a child of `pParentWnd` (WS_ bits of `dwStyle`),
    // keeps the CBRS_ bits, registers for idle updates and, on a frame, puts
    // the bar on the edge of its alignment (PlaceInFrame).
    BOOL CreateBar(CWnd* pParentWnd, DWORD dwStyle, UINT nID, const RECT& rect);
    // Where a new bar goes on its frame; the base docks it on the edge of its
    // alignment (nowhere without one).
    virtual void PlaceInFrame(QMainWindow* frame);

private:
    friend struct BarDocking;   // controlbar.cpp: the docking operations

    HWND m_hWndDockSite = nullptr;        // the frame, by handle
    QPointer<QToolBar> m_pDockHost;       // owned by the frame's main window; null until docked
    QPointer<QWidget> m_pDockHolder;      // the tool bar's widget around the bar's
    QPointer<QDockWidget> m_pFloatHost;   // owned by the frame's main window; null until floated
    UINT m_nLastSide = 0;                 // the dock bar id last docked at
};

// ---- the docking operations of a frame ---------------------------------------------------
// `frame` is a window whose widget is a QMainWindow; the operations do nothing
// on any other window or a null bar.

// The edges the frame's bars may be docked on by the user (CBRS_ALIGN_ bits).
void EnableDocking(CWnd* frame, DWORD dwDockStyle);
// Docks the bar on the edge `nDockBarID` (AFX_IDW_DOCKBAR_TOP ... BOTTOM; 0:
// the first of top, bottom, left and right the bar may dock on), after the
// bars already there, or before the first one beyond `lpRect`'s origin
// (screen coordinates) when given. A bar that may not dock there stays where it is.
void DockControlBar(CWnd* frame, CControlBar* pBar, UINT nDockBarID = 0, const RECT* lpRect = nullptr);
// Floats the bar in a window of its own whose top-left corner is at `point`
// (screen coordinates); `dwStyle`'s alignment is the bar's orientation there
// (CBRS_ALIGN_TOP: horizontal).
void FloatControlBar(CWnd* frame, CControlBar* pBar, CPoint point, DWORD dwStyle = CBRS_ALIGN_TOP);
// Shows or hides the bar where it is (docked or floating). `bDelay` is
// accepted and changes nothing: the layout follows at once.
void ShowControlBar(CWnd* frame, CControlBar* pBar, BOOL bShow, BOOL bDelay);
// Gives each bar of the frame its size (CalcFixedLayout) again, after a bar
// changed what it answers.
void RecalcLayout(CWnd* frame);
// The frame's bar with this id; null when none.
CControlBar* GetControlBar(CWnd* frame, UINT nID);

// The layout of every bar of the frame as the value "Layout" of profile
// section `lpszProfileName`.
void SaveBarState(CWnd* frame, const char* lpszProfileName);
// Puts the bars back as saved. FALSE (and nothing changed) when the value is
// missing or cannot be read; bars it does not name stay as they are.
BOOL LoadBarState(CWnd* frame, const char* lpszProfileName);
