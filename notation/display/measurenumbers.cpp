// DCctConductorMeasure's drawing: the measure number and the ruler strip.
#include "notation/display/conductormeasure.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/measure.h"
#include "notation/display/conductor.h"
#include "notation/layout/musicfont.h"
#include "notation/layout/textfonts.h"
#include "platform/gdi/dc.h"

#include <algorithm>
#include <climits>
#include <string>
#include <unordered_set>

namespace {

// Whether a measure shows its number under the option (0 heads of systems,
// 1 every measure, n every n-th index).
bool ShowsNumber(int option, int index, int headOfSystem) {
    if (option == 0)
        return headOfSystem != 0;
    if (option == 1)
        return true;
    return index % option == 0;
}

// How deep the walk for ink goes below a staff measure: a chord's notes and
// a note's accidentals and dots lie two levels down.
constexpr int kInkDepth = 3;

// The highest ink of a staff measure's elements over the columns [left,
// right), in the measure's layout coordinates moved by `shift`; INT_MIN when
// nothing stands there. A mirror (the clef and key repeated at a system's
// start) is drawn in the measure's prologue, `prologEnd` wide, at the height
// its element has in its own measure.
class InkAbove {
public:
    InkAbove(int left, int right, CSize shift) : m_left(left), m_right(right), m_shift(shift) {}

    int Walk(ECMeasure* measure, int prologEnd) {
        auto* display = measure ? dynamic_cast<DCctBase*>(measure->GetData(DK_NOTATION, 0)) : nullptr;
        if (!display)
            return INT_MIN;
        m_measureAt = display->GetVirtualPosition();
        m_prologEnd = prologEnd;
        m_top = INT_MIN;
        Children(measure, m_measureAt, kInkDepth);
        return m_top;
    }

private:
    // The children of `parent`, whose positions count from `origin`. (Each
    // child's frame is taken by this one parent: an element under several
    // parents, a clef under its staff and its measure, would add up their
    // positions.)
    void Children(ECBase* parent, CPoint origin, int depth) {
        MCEventList* children = parent->GetChildren();
        if (!children || depth == 0)
            return;
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            ECBase* child = children->GetNext(pos);
            if (!child || !m_seen.insert(child).second)
                continue;
            auto* display = dynamic_cast<DCctBase*>(child->GetData(DK_NOTATION, 0));
            if (!display || display->IsHidden())
                continue;
            CRect frame;
            display->GetFrame(&frame, 0);
            if (child->GetClassType() == ET_MIRROR) {
                // Its element's frame counts from that element's measure;
                // it is drawn in this measure's prologue.
                frame.left = 0;
                frame.right = m_prologEnd;
            }
            frame.OffsetRect(origin);
            Take(frame);
            const CPoint at = display->GetPosition();
            Children(child, IsGrouping(child) ? origin : CPoint(origin.x + at.x, origin.y + at.y), depth - 1);
        }
    }
    // Beams, slurs, ties, chords and tuplets group their members, which
    // stand in the measure's coordinates.
    static bool IsGrouping(ECBase* event) {
        switch (event->GetClassType()) {
        case ET_BEAM:
        case ET_SLUR:
        case ET_TIE:
        case ET_CHORD:
        case ET_TUPLET:
            return true;
        default:
            return false;
        }
    }
    void Take(const CRect& frame) {
        if (frame.IsRectNull())
            return;
        const int left = std::min(frame.left, frame.right) + m_shift.cx;
        const int right = std::max(frame.left, frame.right) + m_shift.cx;
        if (right <= m_left || left >= m_right)
            return;
        m_top = std::max(m_top, std::max(frame.top, frame.bottom) + m_shift.cy);
    }

    int m_left;
    int m_right;
    CSize m_shift;
    CPoint m_measureAt;
    int m_prologEnd = 0;
    int m_top = INT_MIN;
    std::unordered_set<ECBase*> m_seen;
};

// The expression font at the measure number's size and in `color`, selected
// into dc while it lives; the font's description is put back afterwards.
class NumberFont {
public:
    NumberFont(CDC* dc, COLORREF color) : m_dc(dc), m_font(MCExpressionFont::GetExpressionFont()) {
        m_font.SaveLogFont(&m_saved);
        // A negative size asks for the character height: a fifteenth of a
        // staff space in points at the layout's 1440 units an inch.
        m_font.SetFontPointSize(MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT) / -15, 1440);
        m_font.SetFontColor(color);
        m_font.SelectFont(dc);
    }
    ~NumberFont() {
        m_font.DeselectFont(m_dc);
        m_font.RestoreLogFont(m_saved);
    }
    NumberFont(const NumberFont&) = delete;
    NumberFont& operator=(const NumberFont&) = delete;

private:
    CDC* m_dc;
    MCExpressionFont& m_font;
    LOGFONT m_saved;
};

}  // namespace

int DCctConductorMeasure::Draw(CDC* dc, CPoint point, CRect* clip) {
    if (IsCollapsedMember())
        return DRAW_HIDDEN;
    SetSize(dc);
    const CPoint position = GetPosition();
    CPoint at(position.x + point.x, position.y + point.y);
    at.y += m_nDisplayOffset;
    DrawMeasureNumber(dc, point);
    DCctConductorStaff* staff = GetConductorStaffDisplay();
    if (!dc->IsPrinting() && !(staff && staff->IsRulerHidden()))
        m_ruler.Draw(dc, at, clip);
    return DRAW_DONE;
}

void DCctConductorMeasure::DrawMeasureNumber(CDC* dc, CPoint point) {
    if (!ShowsMeasureNumber())
        return;
    NumberFont font(dc, GetPermanentColor());
    CRect frame;
    if (NumberFrame(dc, &frame)) {
        frame.OffsetRect(point);
        dc->TextOut(frame.left, frame.top, std::to_string(m_nMeasureIndex));
    }
}

int DCctConductorMeasure::GetMeasureNumberFrame(CDC* dc, CRect* frame) {
    if (!ShowsMeasureNumber())
        return 0;
    NumberFont font(dc, GetPermanentColor());
    return NumberFrame(dc, frame);
}

int DCctConductorMeasure::NumberFrame(CDC* dc, CRect* frame) {
    if (!ShowsMeasureNumber())
        return 0;
    const int place = DCctConductorStaff::s_nMeasureNum;
    const CSize extent = dc->GetTextExtent(std::to_string(m_nMeasureIndex));
    const CPoint position = GetPosition();
    const int barline = position.x;
    const int firstStaff = GetYPositionForMeasure(1);
    int left = barline - extent.cx / 2;
    const auto& groups = m_ruler.GetRulerGroup();
    if (!groups.empty() && groups[0].marks.size() >= 2 && groups[0].marks[0].x != groups[0].marks[1].x)
        left = barline + (groups[0].marks[1].x - extent.cx);
    if (place != 1) {
        const int top = firstStaff - GetTopToBottomStaffHeight();
        *frame = CRect(left, top, left + extent.cx, top - extent.cy);
        return 1;
    }
    // Above the first staff: standing on its top line, or raised clear of
    // what reaches higher under the number (the clef at a system's start,
    // stems, flags and beams at the bar line), never lowered into the staff.
    const int right = left + extent.cx;
    const CPoint virtualAt = GetVirtualPosition();
    InkAbove ink(left, right, CSize(position.x - virtualAt.x, position.y - virtualAt.y));
    int highest = ink.Walk(GetMeasureForTrack(1), m_ruler.GetPrologX(MCRuler::PROLOG_END));
    // A number over its bar line reaches back into the measure before it.
    if (left < barline && !m_bHeadOfSystem)
        if (DCctConductorMeasure* before = MeasureBefore())
            highest = std::max(highest, ink.Walk(before->GetMeasureForTrack(1), 0));
    const int clearance = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT) / 4;
    const int bottom = highest == INT_MIN ? firstStaff : std::max(firstStaff, highest + clearance);
    *frame = CRect(left, bottom + extent.cy, right, bottom);
    return 1;
}

int DCctConductorMeasure::ShowsMeasureNumber() {
    return !IsCollapsedMember() && DCctConductorStaff::s_nMeasureNum != 0 &&
           ShowsNumber(DCctConductorStaff::s_nMeasureNumOpt, m_nMeasureIndex, m_bHeadOfSystem);
}

DCctConductorMeasure* DCctConductorMeasure::MeasureBefore() {
    ECConductor* conductor = GetConductor();
    ECBase* owner = GetOwner();
    const MCTime* time = owner ? owner->GetTime() : nullptr;
    if (!conductor || !time)
        return nullptr;
    ECMeasure* before = conductor->GetMeasure(0, conductor->GetMeasureNumberBeforeTime(*time));
    if (!before || before == owner)
        return nullptr;
    return dynamic_cast<DCctConductorMeasure*>(before->GetData(DK_NOTATION, 0));
}
