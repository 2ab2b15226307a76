// CSpinButtonCtrl: an up-down control, two arrows that step a position within
// a range, over a small widget of our own.
//
// The range is 16-bit (SetRange) or 32-bit (SetRange32); the default is 100 to
// 0, and the upper end may lie below the lower one: Up always moves toward
// the upper end. Each step first sends the parent WM_NOTIFY with
// UDN_DELTAPOS (NMUPDOWN: the position and the proposed change, offered to
// the control itself first, ON_NOTIFY_REFLECT); an answer other than 0
// suppresses the step. Otherwise the position moves by the change, wrapping
// to the other end with UDS_WRAP and else stopping at the end, the buddy
// shows it with UDS_SETBUDDYINT, and the parent gets WM_VSCROLL (WM_HSCROLL
// with UDS_HORZ) with SB_THUMBPOSITION and the position; releasing the arrow
// sends SB_ENDSCROLL.
//
// A held arrow repeats on the window timers (the process timer service, the
// manual clock in tests): the first step at once, the next after 400 ms and
// then every 100 ms; each step moves by the increment of the last
// acceleration (SetAccel) whose seconds the arrow has been held. The default
// accelerations are (0 s, 1), (2 s, 5), (5 s, 20). With UDS_ARROWKEYS the Up
// and Down keys in the buddy step the same way, the key's auto-repeat taking
// the timer's place.
//
// The buddy is a sibling window, normally an edit: with UDS_ALIGNRIGHT (or
// UDS_ALIGNLEFT) the control places itself at the buddy's right (left) edge,
// the buddy giving up the control's width. GetPos reads the buddy's text
// first with UDS_SETBUDDYINT, and answers the position in the low word and
// non-zero in the high word when the text is no number of the range.
// User-interface thread only.
#pragma once

#include "platform/ui/wnd.h"

#include <cstdint>
#include <vector>

// Up-down styles.
inline constexpr DWORD UDS_WRAP = 0x0001;
inline constexpr DWORD UDS_SETBUDDYINT = 0x0002;
inline constexpr DWORD UDS_ALIGNRIGHT = 0x0004;
inline constexpr DWORD UDS_ALIGNLEFT = 0x0008;
inline constexpr DWORD UDS_AUTOBUDDY = 0x0010;
inline constexpr DWORD UDS_ARROWKEYS = 0x0020;
inline constexpr DWORD UDS_HORZ = 0x0040;
inline constexpr DWORD UDS_NOTHOUSANDS = 0x0080;

inline constexpr UINT UDN_DELTAPOS = static_cast<UINT>(-722);

// From how many seconds held an arrow steps by how much.
struct UDACCEL {
    UINT nSec = 0;
    UINT nInc = 0;
};

// What UDN_DELTAPOS carries.
struct NMUPDOWN {
    NMHDR hdr;
    int iPos = 0;     // the position before the step
    int iDelta = 0;   // the proposed change (negative toward smaller numbers)
};

class CSpinButtonCtrl : public CWnd {
    DECLARE_DYNAMIC(CSpinButtonCtrl)
public:
    CSpinButtonCtrl();

    // The control at `rect` in the parent (WS_CHILD is implied); an empty
    // rectangle is fine with a buddy to align to.
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    // Answers the previous buddy.
    CWnd* SetBuddy(CWnd* pWndBuddy);
    CWnd* GetBuddy() const;

    void SetRange(short nLower, short nUpper);
    void SetRange32(int nLower, int nUpper);
    // MAKELONG(upper, lower).
    DWORD GetRange() const;
    void GetRange(int& lower, int& upper) const;
    void GetRange32(int& lower, int& upper) const { GetRange(lower, upper); }

    // Within the range (a position outside it is set to the nearest end);
    // answers the previous position. The buddy shows it with UDS_SETBUDDYINT.
    // SetPos takes the low 16 bits as a signed number, as the 16-bit range
    // does: SetPos (0xFFFB) is -5. SetPos32 takes the whole int.
    int SetPos(int nPos);
    int SetPos32(int nPos);
    // The position's low 16 bits, non-zero high word on error (see above).
    int GetPos() const;
    int GetPos32(BOOL* lpbError = nullptr) const;

    BOOL SetAccel(int nAccel, const UDACCEL* pAccel);
    // Copies up to nAccel accelerations; answers how many the control has.
    UINT GetAccel(int nAccel, UDACCEL* pAccel) const;
    // 10 or 16: how the buddy's number is written.
    int SetBase(int nBase);
    UINT GetBase() const { return static_cast<UINT>(m_nBase); }

protected:
    QWidget* CreateWidget(QWidget* parent, DWORD dwStyle) override;
    // The repeat timer's ticks.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class CUpDownWidget;   // spin.cpp: the arrows' widget
    friend class CBuddyKeys;      // spin.cpp: the arrow keys in the buddy

    // Starts holding an arrow (+1 Up, -1 Down): one step now.
    void BeginHold(int direction, bool byTimer);
    // One more step of the held arrow.
    void RepeatHold();
    void EndHold();
    // One step toward the upper end (+1) or the lower (-1) by `increment`.
    void Step(int direction, int increment);
    int IncrementForHeld() const;
    // Takes the buddy's number as the position; false when it is none.
    bool ReadBuddy(int& value) const;
    void ShowInBuddy();
    void AlignToBuddy();

    DWORD m_dwStyle = 0;
    int m_nLower = 100;
    int m_nUpper = 0;
    int m_nPos = 0;
    int m_nBase = 10;
    std::vector<UDACCEL> m_accel;
    HWND m_hWndBuddy = nullptr;
    int m_nHoldDirection = 0;    // 0: no arrow held
    std::uint64_t m_holdStart = 0;
    bool m_bHoldRepeating = false;   // past the first delay
};
