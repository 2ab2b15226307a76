// MCSlider: a fader whose thumb picture moves along a track picture,
// vertically (value 0 at the top, 1 at the bottom) or horizontally (0 at the
// left, 1 at the right).
//
// The thumb moves within the track rectangle; the thumb offset is the point of
// the thumb that follows the pointer, so a press sets the value that brings
// that point under the pointer, clamped to 0 .. 1. SetValue stores any value
// as given: one outside 0 .. 1 puts the thumb beyond the track. Before the
// pictures are set (SetImageInfo, or the first paint) SetValue is ignored and
// the value stays 0.5.
//
// The parent hears of every change through WM_COMMAND with the control id in
// the low word of wParam and MCSN_CHANGING (press and drag) or MCSN_DONE
// (every button-up) in the high word, and the slider's window in lParam.
//
// Track and thumb are pictures of the image manager (MCImageMgr), which owns
// them; without SetImageInfo the first paint takes this library's own vertical
// fader, 11692 and 11693 (MCBitmapControl). The slider draws off-screen into
// the manager's shared buffer. User-interface thread only.
#pragma once

#include "interface/controls/bitmapcontrol.h"

class MCSlider : public MCBitmapControl {
public:
    enum : int { VERTICAL = 0, HORIZONTAL = 1 };
    // The library's vertical fader: track, thumb, the thumb's path in the
    // track and the point of the thumb that follows the pointer.
    static constexpr UINT DEFAULT_TRACK = 11692;
    static constexpr UINT DEFAULT_THUMB = 11693;
    static const CRect s_rectDefaultTrack;
    static const CPoint s_ptDefaultOffset;

    MCSlider() : MCBitmapControl(MCSN_CHANGING, MCSN_DONE) {}

    // Takes over the parent's control `nID`; `orientation` as above. 0 when that fails.
    int SubclassSlider(UINT nID, CWnd* pParent, int orientation);
    // The window takes the track picture's size (place and stacking kept).
    void SizeToContent();

    // Track and thumb: pictures in the image manager's cache already.
    void SetImageInfo(UINT trackId, UINT thumbId, const CRect& track, const CPoint& offset);
    double GetValue() const { return m_dValue; }
    // Stores `value` unclamped and repaints the thumb's old and new places.
    void SetValue(double value);
    int GetOrientation() const { return m_nOrientation; }

protected:
    enum : int { FLAG_LAID_OUT = 1 };   // besides the base's FLAG_IMAGES

    // The thumb's top-left corner for `value`; plus the offset when
    // `withoutOffset` is 0.
    CPoint Value2XY(double value, int withoutOffset) const;
    // The value that brings the thumb's offset point to `point`, 0 .. 1.
    double XY2Value(CPoint& point, int = 0) const;
    CSize GetThumbSize() const;

    void LoadDefaultImages() override;
    bool HasImages() const override { return m_pTrack && m_pThumb; }
    void FitToImages() override { SizeToContent(); }
    void DrawControl(CDC& dc, const CRect& update) override;
    void TrackTo(CPoint point) override;

    int m_nOrientation = VERTICAL;
    double m_dValue = 0.5;
    CRect m_rectTrack{0, 0, 0, 0};
    CPoint m_ptOffset{0, 0};
    CPoint m_ptThumb{0, 0};
    MCBitmap* m_pTrack = nullptr;   // borrowed from the image manager
    MCBitmap* m_pThumb = nullptr;   // borrowed from the image manager
};
