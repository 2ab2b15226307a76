// DCctBarline: placing a barline in its measure and drawing it through the
// staves of the system.
#include "notation/display/barline.h"
#include "notation/display/drawsteps.h"

#include "model/conductorstaff.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/time.h"
#include "notation/display/conductorlinks.h"
#include "notation/display/staff.h"
#include "notation/layout/curves.h"
#include "notation/layout/staffcolor.h"
#include "notation/layout/staffruler.h"
#include "platform/core/archive.h"
#include "platform/core/codepage.h"
#include "platform/gdi/dc.h"
#include "platform/ui/syscolor.h"

#include "model/appstates.h"

IMPLEMENT_SERIAL(DCctBarline, DCctBase, VERSIONABLE_SCHEMA | 2)

namespace {

// Barlines lie left of their x (the thick-line drawing's negative side).
constexpr int LINE_LEFT_OF_X = DrawLine::NEGATIVE_SIDE;

// The notation display object of an event, when it is one.
void VerticalLine(CDC* dc, int x, int top, int length, int width, COLORREF color) {
    DrawLine line;
    line.Draw(dc, CPoint(x, top), CPoint(x, top - length), width, color, LINE_LEFT_OF_X, 0);
}

}  // namespace

DCctBarline::~DCctBarline() = default;

void DCctBarline::Serialize(CArchive& ar) {
    DCctBase::Serialize(ar);
}

BYTE DCctBarline::GetBarlineType() {
    auto* barline = dynamic_cast<ECBarline*>(GetOwner());
    return barline ? barline->GetBarlineType() : static_cast<BYTE>(BARLINE_SINGLE);
}

BYTE DCctBarline::GetBarlinePos() {
    auto* barline = dynamic_cast<ECBarline*>(GetOwner());
    return barline ? barline->GetBarlinePos() : 0;
}

void DCctBarline::SetHeight(int height) {
    m_metrics.SetHeight(height);
    SetFrameDirty(1);
}

ECConductorMeasure* DCctBarline::FindMeasureParent() {
    ECBase* owner = GetOwner();
    if (!owner)
        return nullptr;
    if (MCEventList* parents = owner->GetParents()) {
        for (POSITION pos = parents->GetHeadPosition(); pos;) {
            ECBase* parent = parents->GetNext(pos);
            if (parent && parent->GetClassType() == ET_CONDUCTORMEASURE)
                return static_cast<ECConductorMeasure*>(parent);
        }
    }
    return static_cast<ECConductorMeasure*>(owner->GetAncestor(ET_CONDUCTORMEASURE, -1));
}

ECConductorStaff* DCctBarline::FindStaffParent() {
    if (ECConductorMeasure* measure = FindMeasureParent()) {
        if (MCEventList* parents = measure->GetParents()) {
            for (POSITION pos = parents->GetHeadPosition(); pos;) {
                ECBase* parent = parents->GetNext(pos);
                if (parent && parent->GetClassType() == ET_CONDUCTORSTAFF)
                    return static_cast<ECConductorStaff*>(parent);
            }
        }
    }
    ECBase* owner = GetOwner();
    return owner ? static_cast<ECConductorStaff*>(owner->GetAncestor(ET_CONDUCTORSTAFF, -1)) : nullptr;
}

COLORREF DCctBarline::GetColor(CDC* dc) {
    return DCctStaff::GetStaffElementColor(dc, *this);
}

// ---- size and place -----------------------------------------------------------------------

void DCctBarline::SetSize(CDC* /*dc*/) {
    if (!FrameDirty())
        return;
    const MCMusicFont& font = MCMusicFont::GetMusicFont();
    switch (GetBarlineType()) {
    case BARLINE_DOUBLE:
    case BARLINE_FINAL:
        m_metrics.SetWidth(font.GetNoteheadHeight(FONT_CURRENT));
        break;
    case BARLINE_SYSTEM:
        break;   // keeps its width
    default:
        m_metrics.SetWidth(font.GetBarlineWidth(FONT_CURRENT));
        break;
    }
    SetFrameDirty(0);
}

int DCctBarline::Position(ECConductor* /*conductor*/, ECStaff* /*staff*/, ECMeasure* measure, ECBase* /*parent*/) {
    ECConductorMeasure* conductorMeasure = measure && measure->GetClassType() == ET_CONDUCTORMEASURE
                                               ? static_cast<ECConductorMeasure*>(measure)
                                               : FindMeasureParent();
    ConductorMeasureLayout layout;
    if (!GetConductorMeasureLayout(conductorMeasure, layout))
        return 0;
    if (GetBarlineType() != BARLINE_SYSTEM && GetBarlinePos() == 1)
        SetPosition(layout.barlineX, 0);
    else
        SetPosition(0, 0);
    m_metrics.SetHeight(layout.staffHeight);
    m_metrics.SetTop(layout.firstStaffOffset);
    // The width follows the style when it was dirty; the frame is clean after.
    SetSize(nullptr);
    SetFrameDirty(0);
    return 1;
}

// ---- drawing ----------------------------------------------------------------------------------

void DCctBarline::DrawStyle(CDC* dc, int x, int top, int length, COLORREF color) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    const int thin = font.GetBarlineWidth(FONT_CURRENT);
    switch (GetBarlineType()) {
    case BARLINE_DOUBLE:
        VerticalLine(dc, x, top, length, thin, color);
        VerticalLine(dc, x - h / 2, top, length, thin, color);
        break;
    case BARLINE_DOTTED: {
        // One dot in each staff space the span covers: the dot is centred on
        // its baseline, half a space below each step.
        const std::string dot = Cp1252ToUtf8(std::string(1, static_cast<char>(GLYPH_DOT)));
        const int ascent = font.GetAscent(FONT_CURRENT);
        // Each dot's cell is taller than a space: an opaque background
        // would wipe out the dots above it.
        const int oldBkMode = dc->SetBkMode(TRANSPARENT);
        for (int k = 0; h > 0 && h - k <= length; k -= h)
            dc->TextOut(x, top + ascent + k - h / 2, dot);
        dc->SetBkMode(oldBkMode);
        break;
    }
    case BARLINE_FINAL:
        VerticalLine(dc, x - h, top, length, thin, color);
        VerticalLine(dc, x, top, length, h / 2, color);
        VerticalLine(dc, x, top, length, thin, color);
        break;
    default:
        VerticalLine(dc, x, top, length, thin, color);
        break;
    }
}

int DCctBarline::DrawThroughStaves(CDC* dc, CPoint p, CPoint point, int parentY, ECConductorStaff* staff,
                                   const MCStaffRuler& staffRuler, const MCTime& time, COLORREF color) {
    const auto heightOfMeasure = [staff, &time](int track, int& height) {
        DCctBase* display = NotationDisplayOf(staff->GetMeasure(track, time, 0, 1));
        if (!display)
            return false;
        height = display->GetHeight();
        return true;
    };
    const int lastShown = staffRuler.GetLastShownStaff();

    if (GetBarlineType() == BARLINE_SYSTEM) {
        const int s = lastShown + 1;
        int height = 0;
        if (!heightOfMeasure(s, height))
            return 0;
        const int top = p.y + staffRuler.GetStaffY(0);
        const int length = staffRuler.GetStaffY(0) - staffRuler.GetStaffY(s - 1) + height;
        VerticalLine(dc, p.x, top, length, MCMusicFont::GetMusicFont().GetBarlineWidth(FONT_CURRENT), color);
        return 1;
    }

    if (staffRuler.IsSingleStaff() && staffRuler.GetStaffCount() > 1) {
        DCctBase* shown = NotationDisplayOf(staff->GetMeasure(lastShown + 1, time, 0, 1));
        if (!shown)
            return 0;
        DrawStyle(dc, p.x, shown->GetY() + point.y - parentY, shown->GetHeight(), color);
        return 1;
    }

    int drawn = 0;
    for (const StaffSpan& span : GetGroupSpans(staff, staffRuler, time)) {
        DrawStyle(dc, p.x, p.y + span.top, span.length, color);
        drawn = 1;
    }
    return drawn;
}

int DCctBarline::Draw(CDC* dc, CPoint point, CRect* /*clip*/) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const COLORREF color = GetColor(dc);
    font.SetFontColor(color);
    font.SelectFont(dc, FONT_NORMAL);
    SetSize(dc);

    int result = DRAW_NOTHING;
    ECBase* owner = GetOwner();
    MCEventList* parents = owner ? owner->GetParents() : nullptr;
    ECBase* parent = parents && !parents->IsEmpty() ? parents->GetHead() : nullptr;
    const MCTime* time = parent ? parent->GetTime() : nullptr;
    ECConductorStaff* staff = FindStaffParent();
    const MCStaffRuler* staffRuler = GetStaffRulerOf(staff);
    if (time && staffRuler) {
        CPoint p = GetPosition();
        p.Offset(point.x, point.y);
        p = SnapToDevice(dc, p);
        const DCctBase* parentDisplay = NotationDisplayOf(parent);
        const int parentY = parentDisplay ? const_cast<DCctBase*>(parentDisplay)->GetY() : 0;
        if (DrawThroughStaves(dc, p, point, parentY, staff, *staffRuler, *time, color))
            result = DRAW_DONE;
    }
    font.DeselectFont(dc);
    return result;
}
