#include "interface/controls/slider.h"

#include "interface/controls/imagemgr.h"

#include <algorithm>

const CRect MCSlider::s_rectDefaultTrack(4, 0, 20, 63);
const CPoint MCSlider::s_ptDefaultOffset(7, 7);

int MCSlider::SubclassSlider(UINT nID, CWnd* pParent, int orientation) {
    if (!SubclassDlgItem(nID, pParent))
        return 0;
    m_nOrientation = orientation;
    return 1;
}

void MCSlider::SizeToContent() {
    if (m_pTrack)
        ResizeTo(m_pTrack->GetDimensions());
}

void MCSlider::SetImageInfo(UINT trackId, UINT thumbId, const CRect& track, const CPoint& offset) {
    MCImageMgr* manager = MCImageMgr::GetImageMgr();
    m_pTrack = manager->GetImage(trackId);
    m_pThumb = manager->GetImage(thumbId);
    m_rectTrack = track;
    m_ptOffset = offset;
    m_nFlags |= FLAG_IMAGES;
}

CSize MCSlider::GetThumbSize() const { return m_pThumb ? m_pThumb->GetDimensions() : CSize(0, 0); }

CPoint MCSlider::Value2XY(double value, int withoutOffset) const {
    if (!m_pThumb)
        return CPoint(0, 0);
    const CSize thumb = GetThumbSize();
    CPoint point(m_rectTrack.left, m_rectTrack.top);
    if (m_nOrientation == VERTICAL)
        point.y += static_cast<int>(value * (m_rectTrack.bottom - m_rectTrack.top - thumb.cy) + 0.5);
    else if (m_nOrientation == HORIZONTAL)
        point.x += static_cast<int>(value * (m_rectTrack.right - m_rectTrack.left - thumb.cx) + 0.5);
    if (!withoutOffset)
        point.Offset(m_ptOffset.x, m_ptOffset.y);
    return point;
}

double MCSlider::XY2Value(CPoint& point, int) const {
    if (!m_pThumb)
        return 0;
    const CSize thumb = GetThumbSize();
    // The span the offset point can reach: the track less the thumb's parts
    // before and after that point.
    int from = 0, to = 0, at = 0;
    if (m_nOrientation == VERTICAL) {
        from = m_rectTrack.top + m_ptOffset.y;
        to = m_rectTrack.bottom - (thumb.cy - m_ptOffset.y);
        at = point.y;
    } else if (m_nOrientation == HORIZONTAL) {
        from = m_rectTrack.left + m_ptOffset.x;
        to = m_rectTrack.right - (thumb.cx - m_ptOffset.x);
        at = point.x;
    }
    // A thumb as long as its track leaves it nowhere to go: 0, not a division by zero.
    if (to <= from)
        return 0;
    return std::clamp(static_cast<double>(at - from) / (to - from), 0.0, 1.0);
}

void MCSlider::SetValue(double value) {
    if (!m_pThumb)
        return;
    const CSize thumb = GetThumbSize();
    const CRect before(Value2XY(m_dValue, 1), thumb);
    m_dValue = value;
    m_ptThumb = Value2XY(value, 1);
    const CRect after(m_ptThumb, thumb);
    InvalidateRect(&before, FALSE);
    InvalidateRect(&after, FALSE);
}

void MCSlider::LoadDefaultImages() {
    AddLibraryImage(DEFAULT_TRACK);
    AddLibraryImage(DEFAULT_THUMB);
    SetImageInfo(DEFAULT_TRACK, DEFAULT_THUMB, s_rectDefaultTrack, s_ptDefaultOffset);
}

void MCSlider::DrawControl(CDC& dc, const CRect& update) {
    if (!(m_nFlags & FLAG_LAID_OUT))
        m_ptThumb = Value2XY(m_dValue, 1);
    CImageBufferDC buffer(&dc, m_pTrack->GetDimensions());
    if (!buffer.IsReady())
        return;
    CRect part = update;
    m_pTrack->Draw(&buffer, part, part);   // the update region of the track, in place
    CRect thumb(m_ptThumb, GetThumbSize());
    CRect whole(CPoint(0, 0), GetThumbSize());
    m_pThumb->Draw(&buffer, thumb, whole);
    dc.BitBlt(update.left, update.top, update.Width(), update.Height(), &buffer, update.left, update.top, SRCCOPY);
    m_nFlags |= FLAG_LAID_OUT;
}

void MCSlider::TrackTo(CPoint point) { SetValue(XY2Value(point)); }
