// DCctFlowControl: placing repeat bars, endings, signs and written jumps, and
// drawing them through the staves of the system.
#include "notation/display/flowcontrol.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/lists.h"
#include "model/measure.h"
#include "model/staff.h"
#include "model/textmarks.h"
#include "model/time.h"
#include "notation/display/conductor.h"
#include "notation/display/conductorlinks.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/drawsteps.h"
#include "notation/display/measure.h"
#include "notation/layout/curves.h"
#include "notation/layout/digits.h"
#include "notation/layout/staffruler.h"
#include "notation/layout/textfonts.h"
#include "platform/core/archive.h"
#include "platform/core/codepage.h"
#include "platform/gdi/dc.h"

IMPLEMENT_SERIAL(DCctFlowControl, DCctBase, VERSIONABLE_SCHEMA | 2)

namespace {

// A first ending reaching this many measures or more is drawn over its first
// measure alone, open at the right.
constexpr int kLongEnding = 3;
// Endings from this number on are always open and one measure wide.
constexpr int kFirstLaterEnding = 2;
// What follows an ending's number.
constexpr char kEndingPoint = '.';
// The search for the end repeat that closes a first ending: every time after
// the ending's own (an end repeat at the ending's time closes the measure
// before it).
constexpr int kAfterStartToEnd = 2;
constexpr int kConductorTrack = 0;
constexpr int kFirstStaff = 1;
// Staff kinds with two staves.
constexpr BYTE kGrandStaff = 1;

DCctConductorMeasure* ColumnDisplayOf(ECMeasure* column) {
    return dynamic_cast<DCctConductorMeasure*>(NotationDisplayOf(column));
}

// Whether the measure's ruler holds a key, meter or clef before its music.
bool HasProlog(MCRuler& ruler) {
    return ruler.IsKeyInProlog() || ruler.IsMeterInProlog() || ruler.IsClefInProlog();
}

void VerticalLine(CDC* dc, int x, int top, int height, int width, COLORREF color, int alignment) {
    DrawLine line;
    line.Draw(dc, CPoint(x, top), CPoint(x, top - height), width, color, alignment, 0);
}

}  // namespace

// The conductor and its staff answer the measure queries alike.
template <class Grid>
MCTime DCctFlowControl::TimeOnGrid(Grid* grid) {
    ECBase* owner = GetOwner();
    const MCTime own = owner && owner->GetTime() ? *owner->GetTime() : MCTime::TimeZero();
    if (GetType() != FLOW_END_REPEAT || !grid)
        return own;
    ECMeasure* before = grid->GetMeasure(kConductorTrack, grid->GetMeasureNumberBeforeTime(own));
    return before ? *before->GetTime() : own;
}

DCctFlowControl::DCctFlowControl() {
    SetBit(BIT_LOCATION, LOCATION_BELOW);
    SetBit(BIT_OPEN_ENDING, 0);
}

DCctFlowControl::DCctFlowControl(const DCctFlowControl& other) : DCctBase(other) {
    SetStateWord(other.GetStateWord());
}

DCctFlowControl::~DCctFlowControl() = default;

ECFlowControl* DCctFlowControl::GetFlowControl() {
    return dynamic_cast<ECFlowControl*>(GetOwner());
}

BYTE DCctFlowControl::GetType() {
    ECFlowControl* mark = GetFlowControl();
    return mark ? mark->GetFlowControlType() : static_cast<BYTE>(FLOW_LAST_HIDDEN);
}

std::string DCctFlowControl::GetExpression() {
    ECFlowControl* mark = GetFlowControl();
    return mark ? mark->GetText() : std::string();
}

int DCctFlowControl::GetEndingNumber() {
    ECFlowControl* mark = GetFlowControl();
    return mark ? mark->GetEndingNumber() : 0;
}

std::string DCctFlowControl::GetEndingLabel() {
    std::string label;
    // A damaged file may carry a negative number: it has no digits.
    const int number = GetEndingNumber();
    if (number >= 0)
        NumberToMusicDigits(number, label);
    label += kEndingPoint;
    return label;
}

UINT DCctFlowControl::GetFontFromType() {
    switch (GetType()) {
    case FLOW_SEGNO:
        return GLYPH_SEGNO;
    case FLOW_CODA:
        return GLYPH_CODA;
    default:
        return 0;
    }
}

ECConductorStaff* DCctFlowControl::FindStaffParent() {
    ECBase* owner = GetOwner();
    if (!owner)
        return nullptr;
    MCEventList* parents = owner->GetParents();
    const POSITION pos = parents ? parents->FindEvent(ET_CONDUCTORSTAFF) : nullptr;
    if (pos)
        return static_cast<ECConductorStaff*>(parents->GetAt(pos));
    return static_cast<ECConductorStaff*>(owner->GetAncestor(ET_CONDUCTORSTAFF, -1));
}

int DCctFlowControl::ThickBarWidth() {
    return static_cast<int>(MCMusicFont::GetMusicFont().GetMusicMetrics(GLYPH_THICK_BAR, FONT_CURRENT).GetWidth());
}

// ---- time and place ----------------------------------------------------------------------

MCTime DCctFlowControl::GetTime(ECConductor* conductor) {
    return TimeOnGrid(conductor);
}

MCTime DCctFlowControl::GetTime(ECConductorStaff* conductorStaff) {
    return TimeOnGrid(conductorStaff);
}

CPoint DCctFlowControl::GetPositionForTime(ECConductor* conductor, const MCTime& time, int below) {
    CPoint p(0, 0);
    if (!conductor)
        return p;
    ECMeasure* column = conductor->GetMeasure(kConductorTrack, time, 0, 1);
    if (DCctConductorMeasure* columnDisplay = ColumnDisplayOf(column))
        p.x = columnDisplay->GetX() +
              columnDisplay->GetXForTime(time);
    if (!below) {
        if (DCctBase* first = NotationDisplayOf(conductor->GetMeasure(kFirstStaff, time, 0, 1)))
            p.y = first->GetY();
    } else {
        const int last = conductor->GetMaxTrackNumber(TRACK_STAFF);
        if (DCctBase* lowest = NotationDisplayOf(conductor->GetMeasure(last, time, 0, 1)))
            p.y = lowest->GetY() - lowest->GetHeight();
    }
    return p;
}

int DCctFlowControl::Position(ECConductor* conductor, ECStaff*, ECMeasure*, ECBase*) {
    if (IsNonDisplay()) {
        SetPosition(0, 0);
        return 1;
    }
    if (!conductor)
        conductor = GetConductor();
    const MCTime t = GetTime(conductor);
    SetSize(nullptr);
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    if (IsSymbol()) {
        CPoint p = GetPositionForTime(conductor, t, 0);
        p.y += h;
        SetPosition(p);
        return 1;
    }
    if (IsExpression()) {
        CPoint p;
        if (GetLocation() == LOCATION_ABOVE) {
            // The text hangs from its position: it stands a space over the top line.
            p = GetPositionForTime(conductor, t, 0);
            p.y += static_cast<int>(m_metrics.GetHeight()) + h;
        } else {
            p = GetPositionForTime(conductor, t, 1);
            p.y -= h;
        }
        SetPosition(p);
        return 1;
    }
    if (!conductor)
        return 0;
    return IsBracket() ? PositionBracket(conductor, t) : PositionEnding(conductor, t);
}

int DCctFlowControl::PositionBracket(ECConductor* conductor, const MCTime& t) {
    DCctConductorMeasure* column = ColumnDisplayOf(conductor->GetMeasure(kConductorTrack, t, 0, 1));
    if (!column)
        return 0;
    CPoint p = column->GetPosition();
    if (GetType() == FLOW_START_REPEAT) {
        // A start repeat stands after the key, meter or clef that opens its measure.
        if (HasProlog(column->GetRuler()))
            p.x = column->GetX() + column->GetRuler().GetPrologX(MCRuler::PROLOG_END);
        else
            p.x = column->GetX();
    } else {
        p.x = column->GetX() + column->GetBarlineX();
    }
    p.y = column->GetY();
    SetPosition(p);
    m_metrics.SetHeight(column->GetTopToBottomStaffHeight());
    m_metrics.SetTop(column->GetYOffsetForMeasure(1));
    return 1;
}

int DCctFlowControl::PositionEnding(ECConductor* conductor, const MCTime& t) {
    ECMeasure* start = conductor->GetMeasure(kConductorTrack, t, 0, 1);
    DCctConductorMeasure* column = ColumnDisplayOf(start);
    if (!column)
        return 0;
    int x = column->GetX();
    const int y = column->GetYPositionForMeasure(1);
    int width = column->GetWidth();
    bool open = true;
    if (GetEndingNumber() < kFirstLaterEnding) {
        // The first end repeat after the ending's start closes it.
        ECBase* conductorStaff = conductor->GetTrack(TRACK_CONDUCTOR, 0, 0);
        ACFindTime find(t, MCTime::TimeMax(), kAfterStartToEnd);
        find.AddEvtType(ET_FLOWCONTROL);
        find.SetDepth(1);
        if (conductorStaff)
            find.Apply(conductorStaff);
        const MCTime* endRepeat = nullptr;
        MCEventList& found = find.GetEvents();
        for (POSITION pos = found.GetHeadPosition(); pos && !endRepeat;) {
            auto* mark = dynamic_cast<ECFlowControl*>(found.GetNext(pos));
            if (mark && mark->GetFlowControlType() == FLOW_END_REPEAT)
                endRepeat = mark->GetTime();
        }
        open = false;
        if (endRepeat) {
            MCEventList measures;
            conductor->GetMeasures(kConductorTrack, t, *endRepeat, measures);
            if (measures.GetCount() < kLongEnding) {
                width = 0;
                for (POSITION pos = measures.GetHeadPosition(); pos;)
                    if (DCctBase* display = NotationDisplayOf(measures.GetNext(pos)))
                        width += display->GetWidth();
            } else {
                open = true;
            }
        }
        if (HasProlog(column->GetRuler())) {
            const int prolog = column->GetRuler().GetPrologX(MCRuler::PROLOG_END);
            x += prolog;
            width -= prolog;
        }
    }
    // The bit follows the last placing: an end repeat moved nearer closes the
    // ending again.
    SetBit(BIT_OPEN_ENDING, open);
    SetPosition(x, y);
    m_metrics.SetWidth(width);
    return 1;
}

// ---- measuring -------------------------------------------------------------------------------

void DCctFlowControl::SetSize(CDC* dc) {
    if (!FrameDirty())
        return;
    if (IsSymbol()) {
        DCctBase::SetSize(dc);
    } else if (IsBracket()) {
        const int tw = ThickBarWidth();
        m_metrics.SetWidth(tw * 5 / 2);
        m_metrics.SetLeft(GetType() == FLOW_START_REPEAT ? -tw : -2 * tw);
    } else if (IsEnding()) {
        const int height = 3 * MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
        m_metrics.SetHeight(height);
        m_metrics.SetTop(height);
    } else if (IsExpression()) {
        MeasuringDC measuring(dc);
        MCExpressionFont& font = MCExpressionFont::GetExpressionFont();
        font.SelectFont(measuring.Get());
        const CSize extent = measuring.Get()->GetTextExtent(GetExpression());
        font.DeselectFont(measuring.Get());
        m_metrics.SetWidth(extent.cx);
        m_metrics.SetHeight(extent.cy);
    }
    SetFrameDirty(0);
}

// ---- drawing ----------------------------------------------------------------------------------

int DCctFlowControl::Draw(CDC* dc, CPoint point, CRect* clip) {
    if (IsSymbol())
        DrawSymbol(dc, point, clip);
    else if (IsBracket())
        DrawBracket(dc, point);
    else if (IsEnding())
        DrawEnding(dc, point);
    else if (IsExpression())
        DrawExpression(dc, point);
    return DRAW_DONE;
}

int DCctFlowControl::DrawSymbol(CDC* dc, CPoint point, CRect* clip) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    FontColorScope keepColor(font);
    return DCctBase::Draw(dc, point, clip);
}

int DCctFlowControl::DrawExpression(CDC* dc, CPoint point) {
    MCExpressionFont& font = MCExpressionFont::GetExpressionFont();
    FontColorScope keepColor(font);
    font.SetFontColor(GetColor(dc));
    font.SelectFont(dc);
    SetSize(dc);
    CPoint p = GetPosition();
    p.Offset(point.x, point.y);
    const int oldMode = dc->SetBkMode(TRANSPARENT);   // the text's cell reaches over the staff
    dc->TextOut(p.x, p.y, GetExpression());
    dc->SetBkMode(oldMode);
    font.DeselectFont(dc);
    return DRAW_DONE;
}

int DCctFlowControl::DrawEnding(CDC* dc, CPoint point) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    FontColorScope keepColor(font);
    const COLORREF color = GetColor(dc);
    font.SetFontColor(color);
    font.SelectFont(dc, FONT_NORMAL);
    SetSize(dc);
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    const int w = font.GetNoteheadWidth(FONT_CURRENT);
    const int thin = font.GetBarlineWidth(FONT_CURRENT);
    CPoint p = GetPosition();
    p.Offset(point.x, point.y);
    int width = static_cast<int>(m_metrics.GetWidth());
    // A closed ending's hook stands clear of the barline it ends at.
    if (!IsOpenEnding())
        width -= ThickBarWidth();
    const int top = p.y + 2 * h;
    const int hookEnd = p.y + h / 4;
    DrawLine line;
    line.Draw(dc, CPoint(p.x, top), CPoint(p.x, hookEnd), thin, color, DrawLine::CENTERED, 0);
    line.Draw(dc, CPoint(p.x, top), CPoint(p.x + width, top), thin, color, DrawLine::CENTERED, 0);
    if (!IsOpenEnding())
        line.Draw(dc, CPoint(p.x + width, top), CPoint(p.x + width, hookEnd), thin, color, DrawLine::CENTERED, 0);
    const int oldMode = dc->SetBkMode(TRANSPARENT);
    dc->TextOut(p.x + w, p.y + font.GetAscent(FONT_CURRENT), Cp1252ToUtf8(GetEndingLabel()));
    dc->SetBkMode(oldMode);
    font.DeselectFont(dc);
    return DRAW_DONE;
}

void DCctFlowControl::DrawRepeatBar(CDC* dc, int x, int thick, int top, int height, COLORREF color) {
    const int thin = MCMusicFont::GetMusicFont().GetBarlineWidth(FONT_CURRENT);
    if (GetType() == FLOW_START_REPEAT) {
        VerticalLine(dc, x - thick, top, height, thick, color, DrawLine::POSITIVE_SIDE);
        VerticalLine(dc, x + thick / 2, top, height, thin, color, DrawLine::CENTERED);
    } else {
        VerticalLine(dc, x, top, height, thick, color, DrawLine::NEGATIVE_SIDE);
        VerticalLine(dc, x - 3 * thick / 2, top, height, thin, color, DrawLine::CENTERED);
    }
}

void DCctFlowControl::DrawDotsForMeasure(CDC* dc, CPoint point, int x, ECMeasure* measure,
                                         ECConductorStaff* conductorStaff) {
    DCctBase* display = NotationDisplayOf(measure);
    if (!display)
        return;
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    const int ascent = font.GetAscent(FONT_CURRENT);
    // The dots stand in the two middle spaces of the staff.
    const auto pair = [&](int y0) {
        DrawMusicGlyph(dc, x, y0 - 3 * h / 2 + ascent, GLYPH_REPEAT_DOT);
        DrawMusicGlyph(dc, x, y0 - 5 * h / 2 + ascent, GLYPH_REPEAT_DOT);
    };
    const int y0 = display->GetY() + point.y;
    pair(y0);
    ECStaff* staff = conductorStaff ? conductorStaff->GetStaff(measure->GetVoiceTrack()->GetTrack(), 0) : nullptr;
    auto* staffMeasure = dynamic_cast<DCctMeasure*>(display);
    if (staff && staffMeasure && staff->GetStaffType() == kGrandStaff)
        pair(y0 + staffMeasure->GetLeftHandOffset());
}

int DCctFlowControl::DrawBracket(CDC* dc, CPoint point) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    FontColorScope keepColor(font);
    const COLORREF color = GetColor(dc);
    font.SetFontColor(color);
    font.SelectFont(dc, FONT_NORMAL);
    SetSize(dc);
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    const int ascent = font.GetAscent(FONT_CURRENT);
    const int dw = static_cast<int>(font.GetMusicMetrics(GLYPH_REPEAT_DOT, FONT_CURRENT).GetWidth());
    const bool start = GetType() == FLOW_START_REPEAT;
    CPoint p = GetPosition();
    p.Offset(point.x, point.y);
    p = SnapToDevice(dc, p);

    ECConductorStaff* conductorStaff = FindStaffParent();
    const MCStaffRuler* staffRuler = GetStaffRulerOf(conductorStaff);
    if (!conductorStaff || !staffRuler) {
        // A sample: the metrics stand for the thick bar and the staff.
        const int mw = static_cast<int>(m_metrics.GetWidth());
        DrawRepeatBar(dc, p.x, mw, p.y, static_cast<int>(m_metrics.GetHeight()), color);
        const int dotX = start ? p.x + 2 * mw : p.x - 3 * mw / 2 - dw;
        DrawMusicGlyph(dc, dotX, p.y - 3 * h / 2 + ascent, GLYPH_REPEAT_DOT);
        DrawMusicGlyph(dc, dotX, p.y - 5 * h / 2 + ascent, GLYPH_REPEAT_DOT);
        font.DeselectFont(dc);
        return DRAW_DONE;
    }

    const int tw = ThickBarWidth();
    const MCTime t = GetTime(conductorStaff);
    const int dotX = start ? p.x + tw : p.x - 2 * tw - dw;
    const int lastShown = staffRuler->GetLastShownStaff();
    if (staffRuler->GetShownStaffCount() == 1 && staffRuler->GetStaffCount() >= 2) {
        // One staff of several shown: its bar and dots alone.
        ECMeasure* measure = conductorStaff->GetMeasure(lastShown + 1, t, 0, 1);
        if (DCctBase* display = NotationDisplayOf(measure)) {
            DrawRepeatBar(dc, p.x, tw, staffRuler->GetStaffY(lastShown) + p.y, display->GetHeight(), color);
            DrawDotsForMeasure(dc, point, dotX, measure, conductorStaff);
        }
    } else {
        for (const StaffSpan& span : GetGroupSpans(conductorStaff, *staffRuler, t))
            DrawRepeatBar(dc, p.x, tw, p.y + span.top, span.length, color);
        auto* column = dynamic_cast<ECConductorMeasure*>(conductorStaff->GetMeasure(kConductorTrack, t, 0, 1));
        if (column) {
            const std::vector<ECMeasure*>& measures = column->GetMeasures();
            for (size_t track = 1; track < measures.size() && measures[track]; ++track)
                DrawDotsForMeasure(dc, point, dotX, measures[track], conductorStaff);
        }
    }
    font.DeselectFont(dc);
    return DRAW_DONE;
}

// ---- samples -----------------------------------------------------------------------------------

int DCctFlowControl::DrawInRect(CDC* dc, CRect* rect) {
    if (IsSymbol()) {
        FontColorScope keepColor(MCMusicFont::GetMusicFont());
        return DCctBase::DrawInRect(dc, rect);
    }
    const int rectWidth = rect->right - rect->left;
    const int rectHeight = rect->top - rect->bottom;   // y up: the top is the larger y
    if (IsBracket() || IsEnding()) {
        MCMusicFont& font = MCMusicFont::GetMusicFont();
        LOGFONT savedFont;
        MCMusicFont::NoteMetrics savedMetrics;
        font.SaveLogFont(&savedFont, &savedMetrics);
        FontColorScope keepColor(font);
        font.SetFontHeight(IsBracket() ? AdjustForLargeFont(rectHeight) : AdjustForSmallFont(rectHeight));
        // The sample's size must not refill the glyph caches the score measures with.
        font.SetExtentDirty(0, FONT_ALL);
        font.SelectFont(dc, FONT_NORMAL);
        if (IsBracket()) {
            m_metrics = font.GetMusicExtent(dc, GLYPH_THICK_BAR);
            SetFrameDirty(0);
            SetAssembleDirty(1);
            CenterPosition(dc, rect);
            const int shift = static_cast<int>(m_metrics.GetWidth());
            SetPosition(GetX() + (GetType() == FLOW_START_REPEAT ? shift : -shift), GetY());
        } else {
            const CRect inner(rect->left + rectWidth / 8, rect->top - rectHeight / 8, rect->right - rectWidth / 8,
                              rect->bottom + rectHeight / 8);
            m_metrics = MCMusicFont::MusicFontMetrics();
            m_metrics.SetWidth(inner.right - inner.left);
            m_metrics.SetHeight(inner.top - inner.bottom);
            m_metrics.SetTop(inner.top - inner.bottom);
            SetFrameDirty(0);
            SetAssembleDirty(1);
            SetPosition(inner.left, inner.bottom);
            SetBit(BIT_OPEN_ENDING, 1);
        }
        Draw(dc, CPoint(0, 0), nullptr);
        font.DeselectFont(dc);
        font.RestoreLogFont(savedFont, savedMetrics);
        return 1;
    }
    if (IsExpression()) {
        MCExpressionFont& font = MCExpressionFont::GetExpressionFont();
        LOGFONT saved;
        font.SaveLogFont(&saved);
        FontColorScope keepColor(font);
        font.SetFontHeight(AdjustForTextFont(rectHeight));
        font.SetFontColor(GetColor(dc));
        SetFrameDirty(1);
        SetSize(dc);
        CenterPosition(dc, rect);
        Draw(dc, CPoint(0, 0), nullptr);
        font.RestoreLogFont(saved);
        SetFrameDirty(1);   // the score measures at its own size again
    }
    return 1;
}
