// DCctPedal and DCctTranspose: placing pedal and octave marks over their
// time range, measuring and drawing them.
#include "notation/display/pedal.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/lists.h"
#include "model/markings.h"
#include "model/staff.h"
#include "model/time.h"
#include "notation/display/conductor.h"
#include "notation/display/drawsteps.h"
#include "notation/display/measure.h"
#include "notation/display/notate.h"
#include "notation/display/samplefont.h"
#include "notation/layout/curves.h"
#include "notation/layout/pitchutils.h"
#include "notation/layout/staffruler.h"
#include "platform/core/archive.h"
#include "platform/gdi/dc.h"

#include <vector>

IMPLEMENT_SERIAL(DCctPedal, DCctSplit, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(DCctTranspose, DCctSplit, VERSIONABLE_SCHEMA | 2)

namespace {

// GetExtreme's arguments: by drawn height, the highest or the lowest.
constexpr uint8_t BY_POSITION = 1;
constexpr int HIGHEST = 0;
constexpr int LOWEST = 1;
constexpr int STEM_UP = 0;
constexpr int STEM_DOWN = 1;
// ACFindTime's mode: both bounds included.
constexpr int BOTH_BOUNDS = 0;
// The pedal bracket's hooks open by an eighth of a notehead where the line
// goes on in another system.
constexpr int OPENING_DIVISOR = 8;
// The transposition's line stands two noteheads above its pieces.
constexpr int LINE_NOTEHEADS = 2;
constexpr int DOTTED_PEN_WIDTH = 1;

int NoteheadHeight() {
    return MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
}

// What both marks start their positioning with: the staff, the conductor,
// the time range, the staff's track and its measures over the range.
struct MarkRange {
    ECStaff* staff = nullptr;
    ECConductor* conductor = nullptr;
    MCTime start;
    MCTime end;
    int track = 0;
    MCEventList measures;
};

// False when the owner, its staff or the conductor is missing, or a measure
// of the range has no display object.
bool FindRange(ECBase* owner, ECStaff* staff, ECConductor* conductor, MarkRange& range) {
    const MCTime* time = owner ? owner->GetTime() : nullptr;
    const MCTime* duration = owner ? owner->GetDuration() : nullptr;
    if (!time || !duration || !staff || !conductor)
        return false;
    range.staff = staff;
    range.conductor = conductor;
    range.start = *time;
    range.end = *time;
    range.end += *duration;
    range.track = conductor->GetTrackNumber(TRACK_STAFF, staff);
    conductor->GetMeasures(range.track, range.start, range.end, range.measures);
    for (POSITION pos = range.measures.GetHeadPosition(); pos;)
        if (!NotationDisplayOf(range.measures.GetNext(pos)))
            return false;
    return true;
}

}  // namespace

// ---- pedal ----------------------------------------------------------------------------------

DCctPedal::DCctPedal() = default;

DCctPedal::DCctPedal(const DCctPedal& other) = default;

DCctPedal::~DCctPedal() = default;

BYTE DCctPedal::GetType() {
    auto* pedal = dynamic_cast<ECPedal*>(GetOwner());
    return pedal ? pedal->GetPedalType() : 0;
}

UINT DCctPedal::GetFontFromType() {
    return GetType() <= PEDAL_BRACKET ? UINT{GLYPH_PEDAL} : 0;
}

int DCctPedal::GetPedalYAdjust(ECConductor* conductor, ECStaff* staff, ECMeasure* /*measure*/) {
    if (!conductor)
        return 0;
    auto* conductorStaff =
        dynamic_cast<DCctConductorStaff*>(NotationDisplayOf(conductor->GetTrack(TRACK_CONDUCTOR, 0, 0)));
    if (!conductorStaff)
        return 0;
    // Staff n's record in the ruler is n - 1.
    const int n = conductor->GetTrackNumber(TRACK_STAFF, staff);
    return conductorStaff->GetRuler().GetSpaceBelow(n - 1);
}

CPoint DCctPedal::GetPedalPosition(ECConductor* conductor, ECStaff* staff, int track, const MCTime& time,
                                   DCctMeasure** staffMeasure) {
    DCctMeasure* measure = nullptr;
    CPoint point = GetStaffPointAtTime(conductor, track, time, &measure);
    if (staffMeasure)
        *staffMeasure = measure;
    if (measure)
        point.y += GetPedalYAdjust(conductor, staff, nullptr);
    return point;
}

int DCctPedal::Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* /*parent*/) {
    ResetSplitOffset();
    MarkRange range;
    if (!FindRange(GetOwner(), staff ? staff : FindStaffParent(), conductor ? conductor : GetConductor(), range))
        return 0;
    DCctMeasure* startMeasure = nullptr;
    DCctMeasure* endMeasure = nullptr;
    const CPoint start = GetPedalPosition(range.conductor, range.staff, range.track, range.start, &startMeasure);
    const CPoint end = GetPedalPosition(range.conductor, range.staff, range.track, range.end, &endMeasure);
    if (!startMeasure)
        return 0;
    AddPiecesOverSystems(range.measures, start, end, endMeasure,
                         GetPedalYAdjust(range.conductor, range.staff, measure));
    SetFrameDirty(1);
    SetSize(nullptr);
    return 1;
}

void DCctPedal::SetSize(CDC* /*dc*/) {
    const UINT glyph = GetFontFromType();
    if (glyph == 0 || !FrameDirty() || GetSplitCount() == 0)
        return;
    CPoint left;
    CPoint right;
    GetEndPoints(left, right, 0);
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    if (GetType() == PEDAL_BRACKET) {
        const int h = font.GetNoteheadHeight(FONT_CURRENT);
        m_metrics = MCMusicFont::MusicFontMetrics();
        m_metrics.SetWidth(right.x - left.x);
        m_metrics.SetHeight(h);
        m_metrics.SetTop(h);
    } else {
        m_metrics = font.GetMusicMetrics(glyph, FONT_CURRENT);
        const int release = static_cast<int>(font.GetMusicMetrics(GLYPH_RELEASE_CODA, FONT_CURRENT).GetWidth());
        m_metrics.SetWidth(right.x + release - left.x);
    }
    SetFrameDirty(0);
}

int DCctPedal::Draw(CDC* dc, CPoint origin, CRect* clip) {
    if (GetFontFromType() == 0)
        return DRAW_NOTHING;
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    FontColorScope keepColor(font);
    font.SetFontColor(GetColor(dc));
    font.SelectFont(dc, FONT_NORMAL);
    SetSize(dc);
    Assemble();
    if (GetType() == PEDAL_BRACKET)
        DrawGraphic(dc, origin, clip);
    else
        DrawSymbol(dc, origin, clip);
    font.DeselectFont(dc);
    return DRAW_DONE;
}

void DCctPedal::DrawSymbol(CDC* dc, CPoint origin, CRect* /*clip*/) {
    if (GetSplitCount() == 0)
        return;
    const int ascent = MCMusicFont::GetMusicFont().GetAscent(FONT_CURRENT);
    const CSize toOrigin(origin.x, origin.y);
    CPoint left;
    CPoint right;
    GetEndPoints(left, right, 0);
    const CPoint sign = left + GetStoredOffset() + toOrigin;
    DrawMusicGlyph(dc, sign.x, sign.y + ascent, GetFontFromType());
    GetEndPoints(left, right, GetSplitCount() - 1);
    const CPoint release = right + GetStoredOffsetRight() + toOrigin;
    DrawMusicGlyph(dc, release.x, release.y + ascent,
                   GetType() == PEDAL_RELEASE_CODA ? GLYPH_RELEASE_CODA : GLYPH_RELEASE);
}

void DCctPedal::DrawGraphic(CDC* dc, CPoint origin, CRect* /*clip*/) {
    const MCMusicFont& font = MCMusicFont::GetMusicFont();
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    const int k = h / OPENING_DIVISOR;
    const int width = font.GetBarlineWidth(FONT_CURRENT);
    const COLORREF color = GetColor(dc);
    const CSize toOrigin(origin.x, origin.y);
    const int count = GetSplitCount();
    for (int i = 0; i < count; ++i) {
        CPoint l;
        CPoint r;
        GetEndPoints(l, r, i);
        l += GetStoredOffset() + toOrigin;
        r += GetStoredOffsetRight() + toOrigin;
        // A hook down at each end the bracket has in this system; where it
        // goes on in another system the line stops an eighth of a notehead
        // short of the hook's height.
        const bool first = i == 0;
        const bool last = i == count - 1;
        std::vector<POINT> points;
        if (!GetSplit() || first)
            points.insert(points.end(), {CPoint(l.x, l.y + h), l});
        else
            points.push_back(CPoint(l.x, l.y + k));
        if (!GetSplit() || last)
            points.insert(points.end(), {CPoint(r.x, r.y + h), r});
        else
            points.push_back(CPoint(r.x, r.y + h - k));
        DrawLine().Draw(dc, points.data(), static_cast<int>(points.size()), width, 0, color);
    }
}

int DCctPedal::DrawInRect(CDC* dc, CRect* rect) {
    MusicFontSample sample(dc, AdjustForFont(rect->top - rect->bottom), GetColor(dc));
    ResetSplitOffset();
    CRect area = *rect;
    const int middle = (area.top + area.bottom) / 2;
    if (GetType() == PEDAL_BRACKET) {
        area.InflateRect(-(area.right - area.left) / 4, -(area.bottom - area.top) / 4);
        AddSplitOffset(CPoint(area.left, middle), CPoint(area.right, middle));
    } else {
        // Across the rectangle's middle, the release sign inside its right side.
        const int release = static_cast<int>(sample.Font().GetMusicExtent(dc, GLYPH_RELEASE).GetWidth());
        AddSplitOffset(CPoint(area.left, middle), CPoint(area.right - release, middle));
    }
    SetSplit(0);
    SetFrameDirty(0);
    SetAssembleDirty(1);
    Draw(dc, CPoint(0, 0), nullptr);
    return 1;
}

// ---- transposition ----------------------------------------------------------------------------

DCctTranspose::DCctTranspose() = default;

DCctTranspose::DCctTranspose(const DCctTranspose& other) = default;

DCctTranspose::~DCctTranspose() = default;

BYTE DCctTranspose::GetType() {
    auto* transpose = dynamic_cast<ECTranspose*>(GetOwner());
    return transpose ? transpose->GetTransposeType() : 0;
}

UINT DCctTranspose::GetFontFromType() {
    switch (GetType()) {
    case TRANSPOSE_OCTAVE_UP:
        return GLYPH_OCTAVE_UP;
    case TRANSPOSE_OCTAVE_DOWN:
        return GLYPH_OCTAVE_DOWN;
    case TRANSPOSE_TWO_OCTAVES_UP:
        return GLYPH_TWO_OCTAVES_UP;
    default:
        return 0;
    }
}

int DCctTranspose::HasDuration() {
    ECBase* owner = GetOwner();
    const MCTime* duration = owner ? owner->GetDuration() : nullptr;
    return duration && *duration > MCTime() ? 1 : 0;
}

int DCctTranspose::GetYAdjust(MCEventList& notes) {
    if (notes.IsEmpty())
        return 0;
    const bool below = GetType() == TRANSPOSE_OCTAVE_DOWN;
    ECBase* extreme = MCPitchUtils().GetExtreme(notes, BY_POSITION, below ? LOWEST : HIGHEST);
    auto* display = dynamic_cast<DCctNotate*>(NotationDisplayOf(extreme));
    if (!display)
        return 0;
    // The stem end when the stem points the mark's way, else the head.
    const int stemOnSide = display->GetStemDirection() == (below ? STEM_DOWN : STEM_UP);
    return stemOnSide ? display->GetStemPosition().y : display->GetY();
}

CPoint DCctTranspose::GetTransposePosition(ECConductor* conductor, ECStaff* /*staff*/, int track,
                                           const MCTime& time, DCctMeasure** staffMeasure) {
    DCctMeasure* measure = nullptr;
    CPoint point = GetStaffPointAtTime(conductor, track, time, &measure);
    if (staffMeasure)
        *staffMeasure = measure;
    if (measure && !HookDown(GetType()))
        point.y -= measure->GetHeight();
    return point;
}

int DCctTranspose::Position(ECConductor* conductor, ECStaff* staff, ECMeasure* /*measure*/, ECBase* /*parent*/) {
    ResetSplitOffset();
    MarkRange range;
    if (!FindRange(GetOwner(), staff ? staff : FindStaffParent(), conductor ? conductor : GetConductor(), range))
        return 0;
    ACFindTime find(range.start, range.end, BOTH_BOUNDS);
    find.AddEvtTypes({ET_NOTE, ET_CHORD});
    find.Apply(range.staff);
    const int a = GetYAdjust(find.GetEvents());

    DCctMeasure* startMeasure = nullptr;
    DCctMeasure* endMeasure = nullptr;
    const CPoint start = GetTransposePosition(range.conductor, range.staff, range.track, range.start, &startMeasure)
                         + CSize(0, a);
    const CPoint end =
        GetTransposePosition(range.conductor, range.staff, range.track, range.end, &endMeasure) + CSize(0, a);
    if (!startMeasure)
        return 0;
    // A system's pieces stand on the level of the ends: the staff's top
    // line, for a mark below the staff less the staff's height, then `a`.
    const int level = HookDown(GetType()) ? a : a - startMeasure->GetHeight();
    AddPiecesOverSystems(range.measures, start, end, endMeasure, level);
    SetFrameDirty(1);
    SetSize(nullptr);
    return 1;
}

void DCctTranspose::SetSize(CDC* /*dc*/) {
    const UINT glyph = GetFontFromType();
    if (glyph == 0 || !FrameDirty())
        return;
    m_metrics = MCMusicFont::GetMusicFont().GetMusicMetrics(glyph, FONT_CURRENT);
    if (GetSplitCount() == 0)
        return;
    // Without a line the piece has no length: the sign alone carries the
    // frame, so the mark can still be found and selected.
    if (!HasDuration() && GetSplitCount() == 1) {
        CPoint left;
        CPoint right;
        GetEndPoints(left, right, 0);
        Splits().front().right.x = left.x + static_cast<int>(m_metrics.GetWidth());
    }
    SetFrameDirty(0);
}

int DCctTranspose::Draw(CDC* dc, CPoint origin, CRect* /*clip*/) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    FontColorScope keepColor(font);
    const COLORREF color = GetColor(dc);
    font.SetFontColor(color);
    font.SelectFont(dc, FONT_NORMAL);
    SetSize(dc);
    Assemble();
    const int count = GetSplitCount();
    if (count == 0) {
        font.DeselectFont(dc);
        return DRAW_DONE;
    }
    const CSize toOrigin(origin.x, origin.y);
    CPoint left;
    CPoint right;
    GetEndPoints(left, right, 0);
    const CPoint sign = SnapToDevice(dc, left + GetStoredOffset() + toOrigin);
    const UINT glyph = GetFontFromType();
    DrawMusicGlyph(dc, sign.x, sign.y + font.GetAscent(FONT_CURRENT), glyph);
    const int advance = MusicGlyphWidth(dc, glyph);

    if (HasDuration()) {
        const int raise = LINE_NOTEHEADS * NoteheadHeight();
        CPen pen(PS_DOT, DOTTED_PEN_WIDTH, color);
        CPen* oldPen = dc->SelectObject(&pen);
        for (int i = 0; i < count; ++i) {
            GetEndPoints(left, right, i);
            const CPoint l = left + GetStoredOffset() + toOrigin + CSize(i == 0 ? advance : 0, raise);
            const CPoint r = right + GetStoredOffsetRight() + toOrigin + CSize(0, raise);
            if (l.x >= r.x)
                continue;
            dc->MoveTo(l);
            dc->LineTo(r);
            if (i == count - 1)
                dc->LineTo(CPoint(r.x, HookDown(GetType()) ? r.y - raise : r.y + raise));
        }
        dc->SelectObject(oldPen);
    }
    font.DeselectFont(dc);
    return DRAW_DONE;
}

int DCctTranspose::DrawInRect(CDC* dc, CRect* rect) {
    return DrawGlyphInRect(dc, rect);
}
