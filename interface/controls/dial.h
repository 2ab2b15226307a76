// MCDial: a rotary knob whose indicator line sweeps 300 degrees.
//
// The angle runs clockwise from 30 (the minimum, down and to the left) through
// 180 (straight up) to 330 (the maximum). Mode 0 maps it to a value from 0 to
// 1, mode 1 to a value from -1 to 1 with 0 straight up. A press or a drag
// turns the knob to the pointer; the gap below the knob snaps to the nearer
// end, and a detent (SetStickyAngle) catches the angles near it.
//
// The parent hears of every change through WM_COMMAND with the control id in
// the low word of wParam and MCDN_CHANGING (press and drag) or MCDN_DONE
// (every button-up) in the high word, and the dial's window in lParam.
//
// The knob is a picture of the image manager (MCImageMgr), which owns it;
// without SetImageInfo the first paint takes this library's own knob, 11680
// (MCBitmapControl). The dial draws off-screen into the manager's shared buffer.
// User-interface thread only.
#pragma once

#include "interface/controls/bitmapcontrol.h"

class MCDial : public MCBitmapControl {
public:
    enum : int { MODE_UNIT = 0, MODE_CENTRED = 1 };
    // The library's knob and the circle within it.
    static constexpr UINT DEFAULT_KNOB = 11680;
    static const CRect s_rectDefaultKnob;

    MCDial() : MCBitmapControl(MCDN_CHANGING, MCDN_DONE) {}

    // Takes over the parent's control `nID`; `mode` as above. 0 when that fails.
    int SubclassDial(UINT nID, CWnd* pParent, int mode);
    // The window takes the knob picture's size (place and stacking kept).
    void SizeToContent();

    // The knob: picture `imageId`, which must be in the image manager's cache
    // already; an empty `knob` means the whole picture. Answers 1.
    int SetImageInfo(UINT imageId, const CRect& knob);
    double GetValue() const;
    // Clamped to the mode's range; no redraw.
    void SetValue(double value);
    void SetIndicator(int width, COLORREF color);
    // A detent at `angle` catching angles less than `range` away; a negative
    // angle turns it off.
    void SetStickyAngle(int angle, int range);
    int GetAngle() const { return m_nAngle; }
    int GetMode() const { return m_nMode; }

protected:
    // The offset of the indicator's tip from the knob's centre.
    CPoint Angle2XY(int angle) const;
    // The angle pointing at `point` (client coordinates), snapped and caught
    // by the detent; the present angle for the centre itself, which points
    // nowhere.
    int XY2Angle2(CPoint& point) const;
    void SetAngle(int angle) { m_nAngle = angle; }
    CPoint GetCentre() const;
    int GetRadius() const;

    void LoadDefaultImages() override;
    bool HasImages() const override { return m_pImage != nullptr; }
    void FitToImages() override { SizeToContent(); }
    void DrawControl(CDC& dc, const CRect& update) override;
    void TrackTo(CPoint point) override;

    int m_nMode = MODE_UNIT;
    int m_nIndicatorWidth = 1;
    int m_nAngle = 30;
    int m_nStickyAngle = 0;
    int m_nStickyRange = 0;
    CRect m_rectKnob{0, 0, 0, 0};
    MCBitmap* m_pImage = nullptr;   // borrowed from the image manager
    COLORREF m_crIndicator = 0;
};
