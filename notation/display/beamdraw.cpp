// DCctBeam: measuring the placed levels and drawing the beam as one filled
// path.
#include "notation/display/beam.h"
#include "notation/display/drawsteps.h"

#include "platform/gdi/dc.h"

#include <algorithm>
#include <initializer_list>

namespace {

// Adds one band from `from` to `to`, `thickness` deep in y, to the open path.
void AddBand(CDC* dc, CPoint from, CPoint to, int thickness, CPoint origin) {
    const CSize shift(origin.x, origin.y);
    const CPoint corners[4] = {
        SnapToDevice(dc, from + shift),
        SnapToDevice(dc, to + shift),
        SnapToDevice(dc, CPoint(to.x, to.y + thickness) + shift),
        SnapToDevice(dc, CPoint(from.x, from.y + thickness) + shift),
    };
    dc->MoveTo(corners[0]);
    for (int i = 1; i < 4; ++i)
        dc->LineTo(corners[i]);
    dc->CloseFigure();
}

}  // namespace

void DCctBeam::SetSize(CDC*) {
    if (PositionDirty() || m_levels.empty() || m_levels.front().columns.empty() || !FrameDirty())
        return;
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(GetFontSize());
    const int u = GetDirection() ? h / 2 : -(h / 2);
    const std::vector<Column>& main = m_levels.front().columns;
    const std::vector<Column>& inner = m_levels.back().columns;
    int low = main.front().point.y;
    int high = low;
    for (int y : {main.back().point.y, inner.front().point.y + u, inner.back().point.y + u}) {
        low = std::min(low, y);
        high = std::max(high, y);
    }
    const int height = high - low;
    m_metrics.SetHeight(height);
    m_metrics.SetWidth(main.back().point.x - main.front().point.x);
    m_metrics.SetLeft(0);
    m_metrics.SetTop(GetDirection() ? height : 0);
    SetFrameDirty(0);
}

int DCctBeam::Draw(CDC* dc, CPoint point, CRect*) {
    SetSize(dc);
    if (m_levels.empty() || m_levels.front().columns.empty())
        return DRAW_HIDDEN;
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const BYTE size = GetFontSize();
    font.SelectFont(dc, size);
    CBrush brush(GetColor(dc));
    CBrush* oldBrush = dc->SelectObject(&brush);
    // Overlapping bands add up rather than cancel.
    const int oldFill = dc->SetPolyFillMode(WINDING);

    const int h = font.GetNoteheadHeight(size);
    const int w = font.GetNoteheadWidth(size);
    // The beam's thickness lies toward the noteheads.
    const int thickness = GetDirection() ? h / 2 : -(h / 2);

    dc->BeginPath();
    const std::vector<Column>& main = m_levels.front().columns;
    AddBand(dc, main.front().point, main.back().point, thickness, point);
    for (size_t level = 1; level < m_levels.size(); ++level) {
        const std::vector<Column>& columns = m_levels[level].columns;
        const double slope = m_levels[level].slope;
        for (size_t k = 0; k + 1 < columns.size(); ++k) {
            const CPoint from = columns[k].point;
            const CPoint to = columns[k + 1].point;
            switch (columns[k].type) {
            case SEGMENT_FULL:
                AddBand(dc, from, to, thickness, point);
                break;
            case SEGMENT_STUB_RIGHT:
                AddBand(dc, from, CPoint(from.x + w, from.y + static_cast<int>(w * slope)), thickness, point);
                break;
            case SEGMENT_STUB_LEFT: {
                const int x = to.x - w;
                AddBand(dc, CPoint(x, from.y + static_cast<int>((x - from.x) * slope)), to, thickness, point);
                break;
            }
            default:
                break;
            }
        }
    }
    dc->EndPath();
    dc->FillPath();

    dc->SetPolyFillMode(oldFill);
    dc->SelectObject(oldBrush);
    font.DeselectFont(dc);
    return DRAW_HIDDEN;
}
