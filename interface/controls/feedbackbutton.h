// MCFeedbackButton: a picture button that repeats its command while it is
// held down: the first repeat 500 ms after the press, then one every 50 ms,
// each posted to the parent (WM_COMMAND with the control id and the button's
// window) only while the pointer is over the button, its edges included.
// Repeats pause while the pointer is outside and resume when it returns; the
// release still completes as any MCButton's.
//
// The timer is the window timer whose id is the control id, on the timer
// service (so tests run it on the manual clock). User-interface thread only.
#pragma once

#include "interface/controls/button.h"

class MCFeedbackButton : public MCButton {
public:
    MCFeedbackButton() = default;

    bool IsRepeating() const { return m_bRepeating != 0; }

protected:
    void OnLButtonDown(UINT nFlags, CPoint point) override;
    void OnLButtonUp(UINT nFlags, CPoint point) override;
    void OnMouseMove(UINT nFlags, CPoint point) override;
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    DECLARE_MESSAGE_MAP()

private:
    static constexpr UINT kFirstDelay = 500;   // ms
    static constexpr UINT kRepeatDelay = 50;   // ms

    int m_nTimerId = 0;
    int m_bRepeating = 0;   // past the first delay
    int m_bPressed = 0;
    CPoint m_ptLast{0, 0};  // where the pointer was last seen
};
