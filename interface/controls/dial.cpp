#include "interface/controls/dial.h"

#include "interface/controls/imagemgr.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Degrees per radian, to the digits the knob's angles have always been
// computed with: other digits move a truncated angle by one here and there.
constexpr double kDegreesPerRadian = 57.29577951;
constexpr int kMinAngle = 30;
constexpr int kMaxAngle = 330;
constexpr int kSweep = kMaxAngle - kMinAngle;

}  // namespace

const CRect MCDial::s_rectDefaultKnob(3, 3, 37, 37);

int MCDial::SubclassDial(UINT nID, CWnd* pParent, int mode) {
    if (!SubclassDlgItem(nID, pParent))
        return 0;
    m_nMode = mode;
    return 1;
}

void MCDial::SizeToContent() {
    if (m_pImage)
        ResizeTo(m_pImage->GetDimensions());
}

int MCDial::SetImageInfo(UINT imageId, const CRect& knob) {
    m_pImage = MCImageMgr::GetImageMgr()->GetImage(imageId);
    if (knob.IsRectEmpty() && m_pImage) {
        const CSize size = m_pImage->GetDimensions();
        m_rectKnob = CRect(0, 0, size.cx, size.cy);
    } else {
        m_rectKnob = knob;
    }
    m_nFlags |= FLAG_IMAGES;
    return 1;
}

double MCDial::GetValue() const {
    const double x = static_cast<double>(m_nAngle - kMinAngle) / kSweep;
    switch (m_nMode) {
    case MODE_UNIT:
        return x;
    case MODE_CENTRED:
        return 2 * x - 1;
    default:
        return 0;
    }
}

void MCDial::SetValue(double value) {
    double x = 0;
    if (m_nMode == MODE_UNIT)
        x = std::clamp(value, 0.0, 1.0);
    else if (m_nMode == MODE_CENTRED)
        x = (std::clamp(value, -1.0, 1.0) + 1) / 2;
    m_nAngle = static_cast<int>(x * kSweep) + kMinAngle;
}

void MCDial::SetIndicator(int width, COLORREF color) {
    m_nIndicatorWidth = width;
    m_crIndicator = color;
}

void MCDial::SetStickyAngle(int angle, int range) {
    m_nStickyAngle = angle;
    m_nStickyRange = range;
}

CPoint MCDial::GetCentre() const {
    return CPoint((m_rectKnob.left + m_rectKnob.right) / 2, (m_rectKnob.top + m_rectKnob.bottom) / 2);
}

int MCDial::GetRadius() const { return (m_rectKnob.right - m_rectKnob.left) / 2 - 3; }

CPoint MCDial::Angle2XY(int angle) const {
    const double t = (270 - angle) / kDegreesPerRadian;
    const int radius = GetRadius();
    return CPoint(static_cast<int>(radius * std::cos(t)), static_cast<int>(-(radius * std::sin(t))));
}

int MCDial::XY2Angle2(CPoint& point) const {
    const CPoint centre = GetCentre();
    const double a = point.x - centre.x;
    const double b = centre.y - point.y;
    const double c = std::sqrt(a * a + b * b);
    if (c == 0)
        return m_nAngle;   // the centre points nowhere: the knob stays
    double t = std::acos(a / c);
    if (std::asin(b / c) < 0)
        t = -t;
    // C++'s remainder takes the dividend's sign, as the knob always did.
    int angle = (270 - static_cast<int>(t * kDegreesPerRadian)) % 360;
    // The gap below the knob snaps to the nearer end.
    angle = std::clamp(angle, kMinAngle, kMaxAngle);
    if (m_nStickyAngle >= 0 && std::abs(angle - m_nStickyAngle) < m_nStickyRange)
        return m_nStickyAngle;
    return angle;
}

void MCDial::LoadDefaultImages() {
    AddLibraryImage(DEFAULT_KNOB);
    SetImageInfo(DEFAULT_KNOB, s_rectDefaultKnob);
}

void MCDial::DrawControl(CDC& dc, const CRect&) {
    const CSize size = m_pImage->GetDimensions();
    CImageBufferDC buffer(&dc, size);
    if (!buffer.IsReady())
        return;
    CRect client;
    GetClientRect(&client);
    m_pImage->Draw(&buffer, client, client);

    CPen pen(PS_SOLID, m_nIndicatorWidth, m_crIndicator);
    CPen* oldPen = buffer.SelectObject(&pen);
    const CPoint centre = GetCentre();
    const CPoint tip = Angle2XY(m_nAngle);
    buffer.MoveTo(centre.x, centre.y);
    buffer.LineTo(centre.x + tip.x, centre.y + tip.y);
    buffer.SelectObject(oldPen);

    dc.BitBlt(client.left, client.top, client.Width(), client.Height(), &buffer, client.left, client.top, SRCCOPY);
}

void MCDial::TrackTo(CPoint point) {
    m_nAngle = XY2Angle2(point);
    Invalidate();
}
