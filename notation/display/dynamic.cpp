// DCctDynamic: placing a dynamic marking on its staff, piece by piece over the
// systems a range crosses; measuring and drawing its glyph, its hairpin or
// its text expression with the dotted line after it.
#include "notation/display/dynamic.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/lists.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/staff.h"
#include "model/time.h"
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/drawsteps.h"
#include "notation/display/measure.h"
#include "notation/layout/curves.h"
#include "notation/layout/staffruler.h"
#include "notation/layout/textfonts.h"
#include "platform/core/archive.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/gdiobj.h"

#include <algorithm>
#include <iterator>

IMPLEMENT_SERIAL(DCctDynamic, DCctSplit, VERSIONABLE_SCHEMA | 2)

namespace {

// The conductor measures' track in measure queries.
constexpr int kConductorMeasures = 0;
// A staff kind whose dynamics always stand above it.
constexpr BYTE kStaffMarksAbove = 6;
// A hairpin is two noteheads high at its open end; a piece that continues
// one from the system before starts (or one that goes on ends) open by an
// eighth of that on each side.
constexpr int kHairpinNoteheads = 2;
constexpr int kContinuedOpening = 8;

// The glyphs of the types 0-10, in type order.
constexpr UINT kGlyphs[] = {175, 184, 185, 112, 80, 70, 102, 196, 236, 235, 234};

}  // namespace

DCctDynamic::DCctDynamic() = default;

DCctDynamic::DCctDynamic(const DCctDynamic& other) : DCctSplit(other), m_nLocation(other.m_nLocation) {}

DCctDynamic::~DCctDynamic() = default;

void DCctDynamic::Serialize(CArchive& ar) {
    DCctSplit::Serialize(ar);
    if (ar.IsStoring())
        ar << m_nLocation;
    else
        ar >> m_nLocation;
}

ECDynamic* DCctDynamic::GetDynamic() {
    return dynamic_cast<ECDynamic*>(GetOwner());
}

BYTE DCctDynamic::GetType() {
    ECDynamic* dynamic = GetDynamic();
    return dynamic ? dynamic->GetDynamicType() : 0;
}

int DCctDynamic::IsRange() {
    const BYTE type = GetType();
    return IsExpressionType(type) || IsHairpinType(type) ? 1 : 0;
}

std::string DCctDynamic::GetExpression(BYTE) {
    ECDynamic* dynamic = GetDynamic();
    return dynamic ? dynamic->GetText() : std::string();
}

UINT DCctDynamic::GetFontFromType() {
    const BYTE type = GetType();
    return type < std::size(kGlyphs) ? kGlyphs[type] : 0;
}

// ---- placing ---------------------------------------------------------------------------

int DCctDynamic::GetDynamicYAdjust(ECConductor* conductor, ECStaff* staff, DCctBase* staffMeasure) {
    auto* staffDisplay = dynamic_cast<DCctConductorStaff*>(NotationDisplayOf(conductor->GetTrack(TRACK_CONDUCTOR, 0, 0)));
    if (!staffDisplay)
        return 0;
    const MCStaffRuler& ruler = staffDisplay->GetRuler();
    // The ruler answers 0 for an index outside it (a staff without a number).
    const int i = conductor->GetTrackNumber(TRACK_STAFF, staff) - 1;
    const BYTE kind = staff ? staff->GetStaffType() : 0;
    if (kind == kStaffMarksAbove || m_nLocation == LOCATION_ABOVE)
        return ruler.GetSpaceAbove(i);
    if (m_nLocation == LOCATION_BETWEEN && kind == DCctMeasure::STAFF_GRAND && staffMeasure)
        return -(staffMeasure->GetHeight() / 2);
    return ruler.GetSpaceBelow(i);
}

CPoint DCctDynamic::GetDynamicPosition(ECConductor* conductor, ECStaff* staff, int n, const MCTime& time) {
    ECMeasure* column = conductor->GetMeasure(kConductorMeasures, time, 0, 1);
    ECMeasure* measure = conductor->GetMeasure(n, time, 0, 1);
    auto* columnDisplay = dynamic_cast<DCctConductorMeasure*>(NotationDisplayOf(column));
    DCctBase* measureDisplay = NotationDisplayOf(measure);
    if (!columnDisplay || !measureDisplay)
        return CPoint(0, 0);
    const int x = columnDisplay->GetX() + columnDisplay->GetXForTime(time);
    return CPoint(x, measureDisplay->GetY() + GetDynamicYAdjust(conductor, staff, measureDisplay));
}

int DCctDynamic::Position(ECConductor* conductor, ECStaff* staff, ECMeasure*, ECBase*) {
    ResetSplitOffset();
    SetSplit(0);
    ECDynamic* dynamic = GetDynamic();
    if (!conductor)
        conductor = GetConductor();
    if (!staff)
        staff = FindStaffParent();
    const MCTime* time = dynamic ? dynamic->GetTime() : nullptr;
    if (!conductor || !staff || !time)
        return 0;
    const int n = conductor->GetTrackNumber(TRACK_STAFF, staff);
    const MCTime start = *time;
    if (!IsRange()) {
        // A measure not laid out yet is waited for; only a time outside the
        // staff's measures is placed at (0, 0).
        ECMeasure* at = conductor->GetMeasure(n, start, 0, 1);
        if (at && (!NotationDisplayOf(at) || !NotationDisplayOf(conductor->GetMeasure(kConductorMeasures, start, 0, 1))))
            return 0;
        SetPosition(GetDynamicPosition(conductor, staff, n, start));
        return 1;
    }
    MCTime end = start;
    end += *dynamic->GetDuration();
    if (!PositionRange(conductor, staff, n, start, end))
        return 0;
    // The flag describes these pieces: relaid out into one system, the
    // range is drawn whole again.
    SetSplit(GetSplitCount() > 1);
    SetFrameDirty(1);
    SetSize(nullptr);
    return 1;
}

bool DCctDynamic::PositionRange(ECConductor* conductor, ECStaff* staff, int n, const MCTime& start, const MCTime& end) {
    MCEventList measures;
    conductor->GetMeasures(n, start, end, measures);
    if (!AllDisplayed(measures))
        return false;
    const CPoint p = GetDynamicPosition(conductor, staff, n, start);
    CPoint q = GetDynamicPosition(conductor, staff, n, end);
    // The measure the end falls in may start the next system (an end on its
    // barline) or not exist (an end past the piece): the range then ends at
    // the right edge of the last system it covers, not in another system.
    DCctBase* endMeasure = NotationDisplayOf(conductor->GetMeasure(n, end, 0, 1));
    DCctBase* lastMeasure = measures.IsEmpty() ? nullptr : NotationDisplayOf(measures.GetTail());
    const bool endsBeyond = lastMeasure && (!endMeasure || endMeasure->GetY() != lastMeasure->GetY());

    if (!IsSplit(measures)) {
        if (endsBeyond)
            q = CPoint(lastMeasure->GetX() + lastMeasure->GetWidth(), p.y);
        AddSplitOffset(p, q);
        return true;
    }
    // A piece that ends at neither of the range's ends stands at its own
    // system's staff measure's adjustment.
    const std::vector<SystemEdges> systems = GetSystemEdges(measures);
    for (size_t i = 0; i < systems.size(); ++i) {
        const SystemEdges& edges = systems[i];
        if (i == 0) {
            AddSplitOffset(p, CPoint(edges.right.x, p.y));
        } else if (i + 1 == systems.size() && !endsBeyond) {
            AddSplitOffset(CPoint(edges.left.x, q.y), q);
        } else {
            const int y = edges.left.y + GetDynamicYAdjust(conductor, staff, NotationDisplayOf(edges.head));
            AddSplitOffset(CPoint(edges.left.x, y), CPoint(edges.right.x, y));
        }
    }
    return true;
}

// ---- measuring -------------------------------------------------------------------------------

void DCctDynamic::SetSize(CDC* dc) {
    if (!FrameDirty())
        return;
    const BYTE type = GetType();
    if (!IsHairpinType(type) && !IsExpressionType(type)) {
        DCctBase::SetSize(dc);
        return;
    }
    // A range without pieces keeps what it had until it is placed.
    if (GetSplitCount() == 0)
        return;
    const int firstWidth = Splits().front().right.x - Splits().front().left.x;
    if (IsHairpinType(type)) {
        const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
        m_metrics = MCMusicFont::MusicFontMetrics();
        m_metrics.SetWidth(firstWidth);
        m_metrics.SetHeight(kHairpinNoteheads * h);
        m_metrics.SetTop(h);
    } else {
        // Measured even without the caller's context: the frame the view and
        // the tools see after a positioning is the text's.
        MeasuringDC measuring(dc);
        MCExpressionFont& font = MCExpressionFont::GetExpressionFont();
        font.SelectFont(measuring.Get());
        const CSize extent = measuring.Get()->GetTextExtent(GetExpression(type));
        font.DeselectFont(measuring.Get());
        m_metrics = MCMusicFont::MusicFontMetrics();
        m_metrics.SetWidth(std::max(static_cast<int>(extent.cx), firstWidth));
        m_metrics.SetHeight(extent.cy);
        m_metrics.SetTop(extent.cy);
    }
    SetFrameDirty(0);
}

CRect DCctDynamic::TextFrame() const {
    if (Splits().empty())
        return CRect(0, 0, 0, 0);
    const CPoint at = Splits().front().left + GetStoredOffset();
    return CRect(at.x, at.y + m_metrics.GetTop(), at.x + static_cast<int>(m_metrics.GetWidth()),
                 at.y + m_metrics.GetTop() - static_cast<int>(m_metrics.GetHeight()));
}

void DCctDynamic::GetFrame(CRect* rect, int selector) {
    const BYTE type = GetType();
    if (!IsHairpinType(type) && !IsExpressionType(type)) {
        DCctBase::GetFrame(rect, selector);
        return;
    }
    DCctSplit::GetFrame(rect, selector);
    if (!IsExpressionType(type) || Splits().empty())
        return;
    // The text may reach past a short first piece.
    const CRect text = TextFrame();
    rect->left = std::min(rect->left, text.left);
    rect->right = std::max(rect->right, text.right);
    rect->top = std::max(rect->top, text.top);
    rect->bottom = std::min(rect->bottom, text.bottom);
}

void DCctDynamic::GetVirtualFrame(CRect* rect, int selector) {
    if (IsRange())
        GetFrame(rect, selector);
    else
        DCctBase::GetVirtualFrame(rect, selector);
}

int DCctDynamic::IsIn(CRect* rect, CPoint offset, int detail, int selector) {
    const BYTE type = GetType();
    if (!IsHairpinType(type) && !IsExpressionType(type))
        return DCctBase::IsIn(rect, offset, detail, selector);
    const int hit = DCctSplit::IsIn(rect, offset, detail, selector);
    if (hit != HIT_SPAN_OUTSIDE || !IsExpressionType(type) || !rect || rect->IsRectNull())
        return hit;
    CRect text = TextFrame();
    text.OffsetRect(offset);
    text.NormalizeRect();
    CRect common;
    return common.IntersectRect(text, *rect) ? HIT_SPAN_INSIDE : HIT_SPAN_OUTSIDE;
}

// ---- drawing ------------------------------------------------------------------------------

int DCctDynamic::Draw(CDC* dc, CPoint point, CRect* clip) {
    SetSize(dc);
    const BYTE type = GetType();
    if (IsHairpinType(type)) {
        DrawHairpin(dc, point);
    } else if (IsExpressionType(type)) {
        DrawExpression(dc, point);
    } else {
        FontColorScope keepColor(MCMusicFont::GetMusicFont());
        DCctBase::Draw(dc, point, clip);
    }
    return DRAW_DONE;
}

void DCctDynamic::DrawHairpin(CDC* dc, CPoint point) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const int H = kHairpinNoteheads * font.GetNoteheadHeight(FONT_CURRENT);
    const int open = H / kContinuedOpening;
    const int stem = font.GetStemWidth(FONT_CURRENT);
    const COLORREF color = GetColor(dc);
    const bool opening = GetType() == TYPE_HAIRPIN_OPENING;
    const int count = GetSplitCount();
    int index = 0;
    DrawPieces(dc, point, nullptr, 0, [&](CPoint left, CPoint right) {
        left.Offset(point.x, point.y);
        right.Offset(point.x, point.y);
        DrawLine line;
        if (opening) {
            // A piece that continues from the system before starts open.
            const int d = index == 0 ? 0 : open;
            line.Draw(dc, CPoint(left.x, left.y + d), CPoint(right.x, right.y + H / 2), stem, color, DrawLine::CENTERED);
            line.Draw(dc, CPoint(left.x, left.y - d), CPoint(right.x, right.y - H / 2), stem, color, DrawLine::CENTERED);
        } else {
            // A piece that goes on in the next system ends open.
            const int d = GetSplit() && index < count - 1 ? open : 0;
            line.Draw(dc, CPoint(right.x, right.y + d), CPoint(left.x, left.y + H / 2), stem, color, DrawLine::CENTERED);
            line.Draw(dc, CPoint(right.x, right.y - d), CPoint(left.x, left.y - H / 2), stem, color, DrawLine::CENTERED);
        }
        ++index;
    });
}

void DCctDynamic::DrawExpression(CDC* dc, CPoint point) {
    if (GetSplitCount() == 0)
        return;
    const COLORREF color = GetColor(dc);
    const int height = static_cast<int>(m_metrics.GetHeight());
    const std::string text = GetExpression(GetType());

    MCExpressionFont& font = MCExpressionFont::GetExpressionFont();
    FontColorScope keepColor(font);
    font.SetFontColor(color);
    font.SelectFont(dc);
    const int W = dc->GetTextExtent(text).cx;
    const CPoint at = Splits().front().left + GetStoredOffset() + CSize(point.x, point.y);
    const int oldMode = dc->SetBkMode(TRANSPARENT);   // the text's cell may reach over the staff
    dc->TextOut(at.x, at.y + height, text);
    dc->SetBkMode(oldMode);
    TEXTMETRIC metrics{};
    dc->GetTextMetrics(&metrics);
    const int A = metrics.tmAscent;
    font.DeselectFont(dc);

    // The dotted line runs on the text's baseline, after the text on the
    // first piece; a piece the text fills has none.
    CPen pen(PS_DOT, 1, color);
    CPen* oldPen = dc->SelectObject(&pen);
    bool first = true;
    DrawPieces(dc, point, nullptr, 0, [&](CPoint left, CPoint right) {
        CPoint from(left.x + point.x, left.y + point.y + height - A);
        const CPoint to(right.x + point.x, right.y + point.y + height - A);
        if (first)
            from.x += W;
        first = false;
        if (from.x < to.x) {
            dc->MoveTo(from);
            dc->LineTo(to);
        }
    });
    dc->SelectObject(oldPen);
}

int DCctDynamic::DrawInRect(CDC* dc, CRect* rect) {
    const BYTE type = GetType();
    CRect area = *rect;
    area.NormalizeRect();   // y grows upward: top is the larger value here
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (IsHairpinType(type)) {
        const int middle = area.top + height / 2;
        ResetSplitOffset();
        SetSplit(0);
        AddSplitOffset(CPoint(area.left + width / 4, middle), CPoint(area.right - width / 4, middle));
        SetFrameDirty(1);
        Draw(dc, CPoint(0, 0), nullptr);
        return 1;
    }
    if (IsExpressionType(type)) {
        MCExpressionFont& font = MCExpressionFont::GetExpressionFont();
        LOGFONT saved;
        font.SaveLogFont(&saved);
        FontColorScope keepColor(font);
        font.SetFontHeight(AdjustForTextFont(height));
        font.SetFontColor(GetColor(dc));
        ResetSplitOffset();
        SetSplit(0);
        AddSplitOffset(CPoint(0, 0), CPoint(0, 0));
        SetFrameDirty(1);
        SetSize(dc);   // the text at the sample's size
        const int textWidth = static_cast<int>(m_metrics.GetWidth());
        const int textHeight = static_cast<int>(m_metrics.GetHeight());
        const CPoint at(area.left + (width - textWidth) / 2, area.top + (height - textHeight) / 2);
        Splits().front() = {at, at};
        Draw(dc, CPoint(0, 0), nullptr);
        font.RestoreLogFont(saved);
        // Measured at the sample's size: the score measures again.
        SetFrameDirty(1);
        return 1;
    }
    FontColorScope keepColor(MCMusicFont::GetMusicFont());
    return DCctBase::DrawInRect(dc, rect);
}
