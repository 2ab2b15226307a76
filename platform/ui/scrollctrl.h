// The controls of a position within a range: CSliderCtrl (a track bar over a
// QSlider), CScrollBar (a scroll bar control over a QScrollBar) and
// CProgressCtrl (over a QProgressBar).
//
// A slider moves itself: each move the user makes (keys, a click beside the
// thumb, dragging it) sets the position first and then tells the parent with
// WM_HSCROLL (WM_VSCROLL with TBS_VERT), a TB_* code in the low word, and
// TB_ENDTRACK when the key or the button is released. The arrow keys Left and
// Up step toward the minimum, Right and Down toward the maximum; a vertical
// slider has its minimum at the top. SetPos and the range functions tell
// nobody.
//
// A scroll bar never moves itself: each move the user makes is told to the
// parent (SB_* codes, SB_THUMBTRACK while the thumb is dragged, then
// SB_THUMBPOSITION, then SB_ENDSCROLL) and the thumb stays where it was until
// the parent calls SetScrollPos or SetScrollInfo. Its range runs from nMin to
// nMax with the page included, so the last position is nMax - nPage + 1. A
// disabled bar (EnableScrollBar, or a range with nothing to scroll) stays
// visible; only ShowScrollBar hides it.
//
// A progress bar only shows: StepIt past the maximum starts again from the
// minimum, by what the step went over.
//
// User-interface thread only.
#pragma once

#include "platform/ui/wnd.h"

// Slider styles and codes (the low word of the scroll message).
inline constexpr DWORD TBS_AUTOTICKS = 0x0001;
inline constexpr DWORD TBS_VERT = 0x0002;
inline constexpr DWORD TBS_HORZ = 0x0000;
inline constexpr DWORD TBS_TOP = 0x0004;
inline constexpr DWORD TBS_LEFT = 0x0004;
inline constexpr DWORD TBS_BOTH = 0x0008;
inline constexpr DWORD TBS_NOTICKS = 0x0010;

enum : UINT {
    TB_LINEUP = 0,
    TB_LINEDOWN = 1,
    TB_PAGEUP = 2,
    TB_PAGEDOWN = 3,
    TB_THUMBPOSITION = 4,
    TB_THUMBTRACK = 5,
    TB_TOP = 6,
    TB_BOTTOM = 7,
    TB_ENDTRACK = 8,
};

// Scroll bar styles, what SCROLLINFO carries, and EnableScrollBar's flags.
inline constexpr DWORD SBS_HORZ = 0x0000;
inline constexpr DWORD SBS_VERT = 0x0001;

enum : UINT {
    SIF_RANGE = 0x0001,
    SIF_PAGE = 0x0002,
    SIF_POS = 0x0004,
    SIF_DISABLENOSCROLL = 0x0008,
    SIF_TRACKPOS = 0x0010,
    SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS,
    ESB_ENABLE_BOTH = 0x0000,
    ESB_DISABLE_LTUP = 0x0001,
    ESB_DISABLE_RTDN = 0x0002,
    ESB_DISABLE_BOTH = 0x0003,
};

struct SCROLLINFO {
    UINT cbSize = sizeof(SCROLLINFO);
    UINT fMask = 0;
    int nMin = 0;
    int nMax = 0;
    UINT nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};
using LPSCROLLINFO = SCROLLINFO*;

// Progress bar styles.
inline constexpr DWORD PBS_SMOOTH = 0x0001;
inline constexpr DWORD PBS_VERTICAL = 0x0004;

class CSliderCtrl : public CWnd {
    DECLARE_DYNAMIC(CSliderCtrl)
public:
    CSliderCtrl() = default;
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    // The position is kept within the range.
    void SetRange(int nMin, int nMax, BOOL bRedraw = FALSE);
    void SetRangeMin(int nMin, BOOL bRedraw = FALSE);
    void SetRangeMax(int nMax, BOOL bRedraw = FALSE);
    void GetRange(int& nMin, int& nMax) const;
    int GetRangeMin() const;
    int GetRangeMax() const;
    void SetPos(int nPos);
    int GetPos() const;
    // Both answer the previous size.
    int SetPageSize(int nSize);
    int GetPageSize() const;
    int SetLineSize(int nSize);
    int GetLineSize() const;
    // A tick every nFreq positions (with TBS_AUTOTICKS).
    void SetTicFreq(int nFreq);
    // The ticks shown, the two ends included; 0 without TBS_AUTOTICKS.
    UINT GetNumTics() const;

protected:
    QWidget* CreateWidget(QWidget* parent, DWORD dwStyle) override;
    // The keys, and the end of a drag or a click.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class CSliderSync;   // scrollctrl.cpp: the widget's moves into codes

    void Notify(UINT code);

    DWORD m_dwStyle = 0;
    int m_nTicFreq = 1;
    bool m_bMoved = false;   // a move since the button or key went down: TB_ENDTRACK owed
};

class CScrollBar : public CWnd {
    DECLARE_DYNAMIC(CScrollBar)
public:
    CScrollBar() = default;
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    // Answers the previous position; the new one is kept within the range.
    int SetScrollPos(int nPos, BOOL bRedraw = TRUE);
    int GetScrollPos() const;
    void SetScrollRange(int nMinPos, int nMaxPos, BOOL bRedraw = TRUE);
    void GetScrollRange(int* lpMinPos, int* lpMaxPos) const;
    // Sets what fMask names; the position is then kept within the new range.
    BOOL SetScrollInfo(LPSCROLLINFO lpScrollInfo, BOOL bRedraw = TRUE);
    BOOL GetScrollInfo(LPSCROLLINFO lpScrollInfo, UINT nMask = SIF_ALL) const;
    // The last position the thumb can take.
    int GetScrollLimit() const;
    BOOL EnableScrollBar(UINT nArrowFlags = ESB_ENABLE_BOTH);
    void ShowScrollBar(BOOL bShow = TRUE);

protected:
    QWidget* CreateWidget(QWidget* parent, DWORD dwStyle) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class CScrollSync;   // scrollctrl.cpp: the user's moves into codes

    void Notify(UINT code, int position);
    // Puts the widget's range and thumb where the information says.
    void Apply();

    DWORD m_dwStyle = 0;
    SCROLLINFO m_info;
    bool m_bDisabled = false;   // by EnableScrollBar
    bool m_bTracking = false;   // the thumb is being dragged
    bool m_bMoved = false;      // SB_ENDSCROLL owed
};

class CProgressCtrl : public CWnd {
    DECLARE_DYNAMIC(CProgressCtrl)
public:
    CProgressCtrl() = default;
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    void SetRange(short nLower, short nUpper);
    void SetRange32(int nLower, int nUpper);
    void GetRange(int& nLower, int& nUpper) const;
    // Each answers the previous position; positions are kept within the range.
    int SetPos(int nPos);
    int GetPos() const;
    int OffsetPos(int nPos);
    // Answers the previous step (10 at first).
    int SetStep(int nStep);
    int StepIt();

protected:
    QWidget* CreateWidget(QWidget* parent, DWORD dwStyle) override;

private:
    void Show();

    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nPos = 0;
    int m_nStep = 10;
};
