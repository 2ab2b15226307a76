// DCctMeasure: archive form, sizes, frames, placing, staff lines, the
// multi-measure rest, drawing in a rectangle and mirrors.
#include "notation/display/measure.h"
#include "notation/display/drawsteps.h"

#include "model/appstates.h"
#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/measure.h"
#include "model/mirror.h"
#include "model/performance.h"
#include "model/staff.h"
#include "notation/display/measurelinks.h"
#include "notation/display/notate.h"
#include "notation/display/staff.h"
#include "notation/layout/curves.h"
#include "notation/layout/digits.h"
#include "notation/layout/rulerruler.h"
#include "notation/layout/staffcolor.h"
#include "platform/core/archive.h"
#include "platform/core/codepage.h"
#include "platform/gdi/dc.h"
#include "platform/ui/syscolor.h"

#include <mutex>
#include <string>

IMPLEMENT_SERIAL(DCctMeasure, DCctBase, VERSIONABLE_SCHEMA | 2)

MeasureLinks& GetMeasureLinks() {
    static MeasureLinks links;
    return links;
}

namespace {

int NoteheadHeight() {
    return MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
}

// A grand staff's lower staff lies four spaces of staff and six of gap
// below the upper one's top line.
int16_t GrandStaffOffset(int h) {
    return static_cast<int16_t>(-(4 * h * 5 / 2));
}

}  // namespace

DCctMeasure::DCctMeasure() {
    const int h = NoteheadHeight();
    m_nHeight = static_cast<int16_t>(4 * h);
    m_nLeftHandOffset = GrandStaffOffset(h);
}

DCctMeasure::DCctMeasure(const DCctMeasure& other) : DCctBase(other) {
    const int h = NoteheadHeight();
    m_nHeight = static_cast<int16_t>(4 * h);
    m_nLeftHandOffset = GrandStaffOffset(h);
}

DCctMeasure::~DCctMeasure() = default;

// ---- archive --------------------------------------------------------------------

void DCctMeasure::Serialize(CArchive& ar) {
    DCctBase::Serialize(ar);
    if (ar.IsStoring()) {
        ar.WriteCount(m_voices.size());
        if (!m_voices.empty())
            ar.Write(m_voices.data(), m_voices.size());
        return;
    }
    // The count is checked against the bytes left before anything is sized.
    const DWORD count = ar.ReadCount(1);
    m_voices.assign(count, 0);
    if (count)
        ar.ReadExact(m_voices.data(), count);
}

// ---- staff, sizes and frames ------------------------------------------------------

ECStaff* DCctMeasure::FindStaffParent() {
    ECBase* owner = GetOwner();
    MCEventList* parents = owner ? owner->GetParents() : nullptr;
    if (!parents)
        return nullptr;
    const POSITION pos = parents->FindEvent(ET_STAFF);
    return pos ? dynamic_cast<ECStaff*>(parents->GetAt(pos)) : nullptr;
}

int DCctMeasure::GetType() {
    ECStaff* staff = FindStaffParent();
    return staff ? staff->GetStaffType() : 0;
}

void DCctMeasure::SetWidth(int width) {
    m_nWidth = static_cast<int16_t>(width);
    m_metrics.SetWidth(width);
}

void DCctMeasure::SetLegerSpacesAbove(int spaces) {
    m_nLegerAbove = static_cast<int16_t>(spaces * NoteheadHeight());
}

void DCctMeasure::SetLegerSpacesBelow(int spaces) {
    m_nLegerBelow = static_cast<int16_t>(spaces * NoteheadHeight());
}

int DCctMeasure::GetLegerHeightAbove() {
    ECStaff* staff = FindStaffParent();
    auto* display = staff ? dynamic_cast<DCctStaff*>(staff->GetData(DK_NOTATION, 0)) : nullptr;
    return display ? display->GetLegerHeightAbove() : 0;
}

int DCctMeasure::GetLegerHeightBelow() {
    ECStaff* staff = FindStaffParent();
    auto* display = staff ? dynamic_cast<DCctStaff*>(staff->GetData(DK_NOTATION, 0)) : nullptr;
    return display ? display->GetLegerHeightBelow() : 0;
}

void DCctMeasure::CopyRuler(MCRuler& other) {
    if (other.GetNumberOfRulerGroups() > 0)
        m_ruler.GetRulerGroup() = other.GetRulerGroup();
}

void DCctMeasure::SetSize(CDC* /*dc*/) {
    if (!FrameDirty())
        return;
    const int h = NoteheadHeight();
    m_nHeight = static_cast<int16_t>(4 * h);
    m_nLeftHandOffset = GrandStaffOffset(h);
    if (GetType() == STAFF_GRAND)
        m_nHeight = static_cast<int16_t>(m_nHeight - m_nLeftHandOffset);
    m_metrics.SetWidth(GetWidth());
    m_metrics.SetHeight(GetHeight());
    SetFrameDirty(0);
}

void DCctMeasure::GetFrame(CRect* rect, int /*selector*/) {
    if (m_metrics.GetWidth() == 0 && m_metrics.GetHeight() == 0) {
        *rect = CRect(0, 0, 0, 0);
        return;
    }
    // The user offset never moves a staff.
    *rect = CRect(m_nX, m_nY + GetLegerHeightAbove(), m_nX + GetWidth(), m_nY - GetHeight() - GetLegerHeightBelow());
}

void DCctMeasure::GetVirtualFrame(CRect* rect, int selector) {
    const CPoint at = GetVirtualPosition();
    const int top = at.y - m_metrics.GetTop();
    *rect = CRect(at.x, top, at.x + GetWidth(), top - GetHeight());
    if (selector == 1) {
        rect->top += GetLegerHeightAbove();
        rect->bottom -= GetLegerHeightBelow();
    }
}

COLORREF DCctMeasure::GetColor(CDC* dc) {
    return DCctStaff::GetStaffElementColor(dc, *this);
}

// ---- placing ------------------------------------------------------------------------

DCBase* DCctMeasure::FindConductorMeasureDisplay() {
    ECBase* owner = GetOwner();
    ECConductor* conductor = GetConductor();
    MCTime* time = owner ? owner->GetTime() : nullptr;
    if (!conductor || !time)
        return nullptr;
    ECMeasure* column = conductor->GetMeasure(0, *time, 0, 1);
    return column ? column->GetData(DK_NOTATION, 0) : nullptr;
}

int DCctMeasure::Position(ECConductor*, ECStaff*, ECMeasure*, ECBase*) {
    DCBase* column = FindConductorMeasureDisplay();
    auto* columnDisplay = dynamic_cast<DCctBase*>(column);
    const MeasureLinks& links = GetMeasureLinks();
    int y = 0;
    if (!columnDisplay || !links.measureY ||
        !links.measureY(column, static_cast<ECMeasure*>(GetOwner()), y))
        return 0;
    SetPosition(columnDisplay->GetPosition().x, y);
    return 1;
}

// ---- drawing ------------------------------------------------------------------------

void DCctMeasure::DrawStaff(CDC* dc, CPoint p, int width) {
    int lines = 0;
    switch (GetType()) {
    case 0:
    case 2:
    case 3:
    case 6:
        lines = 5;
        break;
    case STAFF_GRAND:
        lines = 10;
        break;
    default:
        return;   // kinds 4, 5 and above 6 show no lines
    }
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    const int thickness = font.GetBarlineWidth(FONT_CURRENT);
    const COLORREF color = GetColor(dc);
    DrawLine line;
    for (int k = 0; k < lines; ++k) {
        // The second five are the lower staff's.
        const int y = (k < 5 ? p.y : p.y + m_nLeftHandOffset) - (k % 5) * h;
        line.Draw(dc, CPoint(p.x, y), CPoint(p.x + width, y), thickness, color, 0, 0);
    }
}

void DCctMeasure::DrawMultiMeasureRest(CDC* dc, CPoint p, int musicStart) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    const int span = GetWidth() - musicStart;
    std::string digits;
    NumberToMusicDigits(m_nCollapsed, digits);
    const std::string text = Cp1252ToUtf8(digits);
    const CSize extent = dc->GetTextExtent(text);
    dc->TextOut(p.x + musicStart + (span - extent.cx) / 2, p.y + font.GetAscent(FONT_CURRENT), text);

    // The bar lies on the middle line over half the music's span, centred,
    // with a barline-thick stroke a space high at each end.
    const COLORREF color = GetColor(dc);
    const int y = p.y - 2 * h;
    const int x0 = p.x + musicStart + (span - span / 2) / 2;
    const int x1 = x0 + span / 2;
    const int stroke = font.GetBarlineWidth(FONT_CURRENT);
    DrawLine line;
    line.Draw(dc, CPoint(x0, y), CPoint(x1, y), h, color, 0, 0);
    line.Draw(dc, CPoint(x0, y - h), CPoint(x0, y + h), stroke, color, 0, 0);
    line.Draw(dc, CPoint(x1, y - h), CPoint(x1, y + h), stroke, color, 0, 0);
}

int DCctMeasure::Draw(CDC* dc, CPoint point, CRect* /*clip*/) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    font.SetFontColor(GetColor(dc));
    font.SelectFont(dc, GetFontSize());
    SetSize(dc);
    CPoint p = GetPosition();
    p.Offset(point.x, point.y);
    p = SnapToDevice(dc, p);
    DrawStaff(dc, p, GetWidth());
    if (m_nCollapsed != 0) {
        const MeasureLinks& links = GetMeasureLinks();
        DCBase* column = FindConductorMeasureDisplay();
        MCRulerRuler* ruler = column && links.conductorRuler ? links.conductorRuler(column) : nullptr;
        if (ruler)
            DrawMultiMeasureRest(dc, p, ruler->GetPrologX(MCRuler::PROLOG_END));
    }
    font.DeselectFont(dc);
    return DRAW_DONE;
}

void DCctMeasure::DrawBarline(CDC* dc, CPoint p, int type) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    const int w = font.GetNoteheadWidth(FONT_CURRENT);
    const int thickness = font.GetBarlineWidth(FONT_CURRENT);
    const COLORREF color = GetColor(dc);
    const int bottom = p.y - GetHeight();
    DrawLine line;
    switch (type) {
    case 0:
        line.Draw(dc, p, CPoint(p.x, bottom), thickness, color, 2, 0);
        break;
    case 1:
        line.Draw(dc, p, CPoint(p.x, bottom), thickness, color, 2, 0);
        line.Draw(dc, CPoint(p.x - w / 2, p.y), CPoint(p.x - w / 2, bottom), thickness, color, 2, 0);
        break;
    case 2: {
        // A dotted line: one dot glyph every space down the staff.
        font.SetFontColor(color);
        font.SelectFont(dc, GetFontSize());
        const char dot = 107;
        const std::string glyph = Cp1252ToUtf8(std::string_view(&dot, 1));
        for (int offset = 0; offset > -GetHeight(); offset -= h)
            dc->TextOut(p.x, p.y + font.GetAscent(FONT_CURRENT) + offset - h / 2, glyph);
        font.DeselectFont(dc);
        break;
    }
    case 3:
        // Thin, then a thick one half a notehead wide.
        line.Draw(dc, CPoint(p.x - w, p.y), CPoint(p.x - w, bottom), thickness, color, 2, 0);
        line.Draw(dc, CPoint(p.x - w / 2, p.y), CPoint(p.x - w / 2, bottom), w / 2, color, 2, 0);
        break;
    default:
        break;
    }
}

int DCctMeasure::DrawInRect(CDC* dc, CRect* rect) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    LOGFONT savedFont;
    MCMusicFont::NoteMetrics savedMetrics;
    font.SaveLogFont(&savedFont, &savedMetrics);
    font.SetFontColor(GetColor(dc));
    font.SetFontHeight(rect->top - rect->bottom);
    // The sample's height must not refill the caches the score measures with.
    font.SetExtentDirty(0, FONT_ALL);
    font.SelectFont(dc, FONT_NORMAL);

    const int stem = font.GetStemWidth(FONT_CURRENT);
    SetMeasureEnd(rect->right - 2 * stem);
    SetSize(dc);
    SetFrameDirty(0);
    SetAssembleDirty(1);
    CRect frame;
    GetFrame(&frame, 0);
    frame.top -= GetLegerHeightAbove();
    frame.bottom += GetLegerHeightBelow();
    const int y = (rect->bottom + frame.top - rect->top - frame.bottom) / 2 + rect->top;
    const int x = (rect->right + frame.left - rect->left - frame.right) / 2 + rect->left + stem;
    SetPosition(x, y);
    Draw(dc, CPoint(0, 0), nullptr);

    // The children follow from left to right, each a notehead apart; a note
    // stands at the height of its pitch on a drum-clef staff (clef code 8).
    const int w = font.GetNoteheadWidth(FONT_CURRENT);
    CPoint cursor = GetPosition();
    cursor.x += w;
    MCEventList* children = GetOwner() ? GetOwner()->GetChildren() : nullptr;
    if (children) {
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            ECBase* child = children->GetNext(pos);
            auto* display = child ? dynamic_cast<DCctBase*>(child->GetData(DK_NOTATION, 0)) : nullptr;
            if (!display)
                continue;
            auto* note = child->GetClassType() == ET_NOTE ? dynamic_cast<DCctNotate*>(display) : nullptr;
            const int pitchY = note ? GetYPositionForPitch(note->GetSpelling(), 0, 8) : 0;
            display->SetPosition(cursor.x, cursor.y + pitchY);
            display->DrawInRect(dc, rect);
            cursor.x += w + display->GetWidth();
            // Drawing in the rectangle centred it there; it keeps the line
            // the measure's children are drawn along.
            display->SetY(note ? pitchY : cursor.y);
        }
    }

    font.DeselectFont(dc);
    font.RestoreLogFont(savedFont, savedMetrics);
    return 1;
}

// ---- mirrors ------------------------------------------------------------------------

void DCctMeasure::AddMirror(ECBase* event, BYTE location, int prolog) {
    ECPerformance* performance = GetBaseEvent();
    ECBase* owner = GetOwner();
    if (!performance || !owner || !event)
        return;
    std::lock_guard lock(performance->GetLock());
    auto* mirror = new ECMirror;
    mirror->SetTime(owner->GetTime());
    if (!owner->AddChild(mirror, 1)) {
        mirror->Unref(1);   // refused: nothing holds it yet
        return;
    }
    if (DCBase* mirrorDisplay = mirror->GetData(DK_NOTATION, 1); mirrorDisplay && GetMeasureLinks().setMirrorData)
        GetMeasureLinks().setMirrorData(mirrorDisplay, event->GetData(DK_NOTATION, 0), location, prolog);
    mirror->SetMirrorEvent(event, 1);
}
