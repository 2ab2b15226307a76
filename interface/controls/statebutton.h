// MCStateButton: what the two picture buttons (MCButton, MCButton2) share:
// their states and styles, which image index a draw shows, and the rules of
// the mouse and the space bar. Each button adds its images, its drawing and
// its own hover rule.
//
// The next state: a multi-state button steps through all its images in turn,
// the other styles go from 0 to 1 and from anything else to 0. The image
// drawn is the disabled index while disabled, the next state while pressed,
// else the current state. A press completes only when the button was last
// drawn pressed: a toggle released over itself changes state, released
// outside keeps it. With mode bit 4 the parent gets its command when the
// button goes down and nothing when it comes up. An inert button (style 3)
// ignores the left button and the keys.
//
// User-interface thread only.
#pragma once

#include "platform/ui/button.h"

class MCStateButton : public CButton {
    DECLARE_DYNAMIC(MCStateButton)
public:
    enum Style { STYLE_PUSH = 0, STYLE_TOGGLE = 1, STYLE_MULTI = 2, STYLE_INERT = 3 };
    // Mode bits.
    enum : int { MODE_HOVER = 1, MODE_COMMAND_ON_PRESS = 4, MODE_EDGED = 8 };

    virtual int GetButtonState();
    // Out of range becomes 0; answers the previous state.
    virtual int SetButtonState(int state);
    virtual int GetDisabledState();
    virtual int SetDisabledState(int index);
    virtual int GetButtonMode();
    virtual int SetButtonMode(int mode);
    virtual Style GetButtonStyle();
    virtual Style SetButtonStyle(Style style);

    // The number of images the states index.
    virtual int GetBitmapCount() const = 0;
    int GetDrawnIndex() const { return m_nDrawnIndex; }
    bool IsHovering() const { return m_bHover != 0; }

protected:
    explicit MCStateButton(int mode) : m_nMode(mode) {}

    // The state a completed press leads to; -1 means from the current state.
    virtual int GetButtonStateNext(int state);
    virtual void OnLButtonDown(UINT nFlags, CPoint point);
    virtual void OnLButtonUp(UINT nFlags, CPoint point);
    virtual void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    virtual void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    virtual void OnEnable(BOOL bEnable);
    DECLARE_MESSAGE_MAP()

    // The image index a draw of `item` shows, recorded as the drawn index.
    int ChooseImageIndex(const DRAWITEMSTRUCT& item);
    // Tells the parent of a press at once (mode bit 4).
    void SendCommand();

    int m_nState = 0;
    int m_nDrawnIndex = 0;
    int m_nNextState = 1;   // a push button's, from state 0
    int m_nDisabledIndex = 0;
    int m_nMode;
    Style m_nStyle = STYLE_PUSH;
    CRect m_rcHover;
    int m_bHover = 0;
};
