// Slurs: their notes, side, ends, pieces per system, and drawing; and what
// slurs and ties share (DCctCurve).
#include "notation/display/slur.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/measure.h"
#include "platform/core/archive.h"
#include "model/staff.h"
#include "model/time.h"
#include "notation/display/measure.h"
#include "notation/display/notate.h"
#include "notation/layout/curves.h"
#include "notation/layout/pitchutils.h"

#include <algorithm>
#include <cstdlib>

IMPLEMENT_SERIAL(DCctSlur, DCctSplit, VERSIONABLE_SCHEMA | 2)

namespace {

constexpr int DRAWN_ARC_TENTHS = 80;     // every slur is drawn with an arc of 8h
constexpr int PLAIN_CURVE = 0;           // DrawCurve's short form
constexpr BYTE BY_POSITION = 1;          // MCPitchUtils::GetExtreme by drawn height
constexpr int HIGHEST = 0;
constexpr int LOWEST = 1;
constexpr int STEM_UP = 0;
constexpr int GRAND_STAFF = 1;

DCctNotate* NotateOf(ECBase* event) {
    return event ? dynamic_cast<DCctNotate*>(event->GetData(DK_NOTATION, 0)) : nullptr;
}

bool IsGraceEvent(ECBase* event) {
    return event && event->GetClassType() == ET_GRACENOTE;
}

int NoteheadHeight() {
    return MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
}

}  // namespace

// ---- DCctCurve -----------------------------------------------------------------------

DCctCurve::DCctCurve(const DCctCurve& other) : DCctSplit(other) {
    // The user's choices travel; the copy's dirty kinds stay set (it has no
    // pieces until it is positioned) and its split flag follows its own
    // positioning.
    SetBit(TYPE_BIT, other.Bit(TYPE_BIT));
    SetBit(DIRECTION_BIT, other.Bit(DIRECTION_BIT));
    SetBit(OVERRIDE_BIT, other.Bit(OVERRIDE_BIT));
}

void DCctCurve::SetCurveDirection(int direction, int override) {
    if (override != 1 && IsDirectionOverride())
        return;
    SetBit(DIRECTION_BIT, direction);
    SetBit(OVERRIDE_BIT, override == 1);
}

int DCctCurve::VoiceOf(ECBase* event) {
    MCVoiceTrack* word = event ? event->GetVoiceTrack() : nullptr;
    return word ? word->GetVoice() : 0;
}

int DCctCurve::DirectionByVoices(MCEventList& measures, int voice) {
    const int lower = voice > 3 ? 1 : 0;
    for (POSITION pos = measures.GetHeadPosition(); pos;) {
        auto* measure = dynamic_cast<DCctMeasure*>(NotationDisplayOf(measures.GetNext(pos)));
        if (measure && !measure->IsSingleVoice(lower))
            return voice % 2 == 1 ? CURVE_BELOW : CURVE_ABOVE;
    }
    return -1;
}

bool DCctCurve::FindMeasures(ECConductor*& conductor, ECStaff*& staff, const MCTime& start, const MCTime& end,
                             MCEventList& measures) {
    if (!conductor)
        conductor = GetConductor();
    if (!staff)
        staff = FindStaffParent();
    if (!conductor || !staff)
        return false;
    const int track = conductor->GetTrackNumber(TRACK_STAFF, staff);
    if (track < 0)
        return false;
    conductor->GetMeasures(track, start, end, measures);
    return !measures.IsEmpty() && AllDisplayed(measures);
}

void DCctCurve::FinishPosition() {
    // The flag describes these pieces: a reflow into one system clears it,
    // so a clipped drawing no longer cuts a right end the user moved.
    SetSplit(GetSplitCount() > 1);
    SetPositionDirty(0);
    SetFrameDirty(1);
    SetSize(nullptr);
}

void DCctCurve::DrawCurves(CDC* dc, CPoint origin, CRect* clip, int shape) {
    const int s = MCMusicFont::GetMusicFont().GetStemWidth(FONT_CURRENT);
    const COLORREF color = GetColor(dc);
    DrawPieces(dc, origin, clip, m_nClipX, [&](CPoint left, CPoint right) {
        DrawCurve curve;
        curve.SetDotted(GetCurveType());
        curve.SetCurvature(shape & 0xFFFF);
        curve.Calculate(left.x, left.y, right.x, right.y, GetCurveDirection(), 2 * s, PLAIN_CURVE);
        curve.Draw(dc, origin.x, origin.y, color);
    });
}

// ---- DCctSlur: construction -------------------------------------------------------------

DCctSlur::DCctSlur() {
    SetCurveType(CURVE_SOLID);
    SetBit(DIRECTION_BIT, CURVE_ABOVE);
    const int h = NoteheadHeight();
    m_metrics.SetHeight(2 * h);
    m_nArc = 2 * h;
}

DCctSlur::DCctSlur(const DCctSlur& other) : DCctCurve(other) {
    m_metrics.SetHeight(2 * NoteheadHeight());
}

DCctSlur::~DCctSlur() = default;

void DCctSlur::SetSlurArc(int tenths) {
    m_nArc = tenths * NoteheadHeight() / 10;
}

int DCctSlur::GetSlurArc() {
    const int tenth = NoteheadHeight() / 10;
    return tenth == 0 ? 0 : m_nArc / tenth;   // a font too small to count tenths in
}

// ---- children -------------------------------------------------------------------------

void DCctSlur::FindSlurChildren(MCEventList& children) {
    ECBase* owner = GetOwner();
    MCEventList* all = owner ? owner->GetChildren() : nullptr;
    if (!all)
        return;
    for (POSITION pos = all->GetHeadPosition(); pos;) {
        ECBase* child = all->GetNext(pos);
        const int type = child->GetClassType();
        if (type == ET_NOTE || type == ET_CHORD || type == ET_GRACENOTE)
            children.AddEvent(child, UNSORTED);
    }
}

ECBase* DCctSlur::FindFirstSlurChild() {
    MCEventList children;
    FindSlurChildren(children);
    return children.IsEmpty() ? nullptr : children.GetHead();
}

ECBase* DCctSlur::FindLastSlurChild() {
    MCEventList children;
    FindSlurChildren(children);
    return children.IsEmpty() ? nullptr : children.GetTail();
}

void DCctSlur::FindSlurChildrenInSystem(MCEventList& run, MCEventList& children, MCEventList& found) {
    for (POSITION m = run.GetHeadPosition(); m;) {
        ECBase* measure = run.GetNext(m);
        for (POSITION c = children.GetHeadPosition(); c;) {
            ECBase* child = children.GetNext(c);
            // Every measure above a note is its own (through a chord, or a
            // grace note's main note).
            if (child->GetAncestor(ET_MEASURE, -1) == measure && !found.Find(child))
                found.AddEvent(child, UNSORTED);
        }
    }
}

// ---- positioning ----------------------------------------------------------------------

int DCctSlur::Position(ECConductor* conductor, ECStaff* staff, ECMeasure*, ECBase*) {
    ResetSplitOffset();
    MCEventList children;
    FindSlurChildren(children);
    if (children.GetCount() < 2)
        return 0;
    ECBase* first = children.GetHead();
    ECBase* last = children.GetTail();
    DCctNotate* lastDisplay = NotateOf(last);
    if (!AllDisplayed(children) || !lastDisplay || !first->GetTime() || !last->GetTime())
        return 0;

    // A grace note is placed against its main note: the span is the main note's.
    const bool grace = IsGraceEvent(first);
    MCTime start = *(grace ? last : first)->GetTime();
    MCTime end = *last->GetTime();
    end.AddTicks(lastDisplay->GetTickDuration(0), TICKS_PER_QUARTER);
    MCEventList measures;
    if (!FindMeasures(conductor, staff, start, end, measures))
        return 0;

    PositionChildren(measures, conductor, staff, nullptr);
    PositionChildren(children, conductor, staff, nullptr);
    CalculateSlurDirection(children, staff, measures);
    if (grace)
        PositionGrace(children, measures);
    else if (IsSplit(measures))
        PositionSplit(children, measures, conductor);
    else
        PositionSingle(children, measures, conductor, staff);
    FinishPosition();
    return 1;
}

void DCctSlur::CalculateSlurDirection(MCEventList& children, ECStaff* staff, MCEventList& measures) {
    if (IsDirectionOverride() || children.IsEmpty())
        return;
    ECBase* first = children.GetHead();
    const int voice = VoiceOf(first);
    if (staff && staff->GetStaffType() == GRAND_STAFF && !IsGraceEvent(first)) {
        SetSlurDirection(voice > 3 ? CURVE_BELOW : CURVE_ABOVE, 0);
        return;
    }
    const int byVoices = DirectionByVoices(measures, voice);
    if (byVoices >= 0) {
        SetSlurDirection(byVoices, 0);
        return;
    }
    // Away from the stems when they agree; a grace note among the notes
    // takes the slur below.
    int stems = -1;
    bool agree = true;
    for (POSITION pos = children.GetHeadPosition(); pos;) {
        ECBase* child = children.GetNext(pos);
        if (IsGraceEvent(child)) {
            SetSlurDirection(CURVE_BELOW, 0);
            return;
        }
        DCctNotate* display = NotateOf(child);
        if (!display)
            continue;
        const int stem = display->GetStemDirection();
        if (stems < 0)
            stems = stem;
        else if (stem != stems)
            agree = false;
    }
    SetSlurDirection(agree && stems == STEM_UP ? CURVE_BELOW : CURVE_ABOVE, 0);
}

int DCctSlur::GetYAdjust(MCEventList& children) {
    if (children.IsEmpty())
        return 0;
    DCctNotate* first = NotateOf(children.GetHead());
    DCctNotate* last = NotateOf(children.GetTail());
    const bool below = GetSlurDirection() == CURVE_BELOW;
    ECBase* extremeEvent = MCPitchUtils().GetExtreme(children, BY_POSITION, below ? LOWEST : HIGHEST);
    DCctNotate* extreme = NotateOf(extremeEvent);
    if (!first || !last || !extreme)
        return 0;
    // The stem end on the slur's side, else the head; a grace note stands
    // relative to its main note (the last child).
    const auto edge = [&](DCctNotate* note, bool grace) {
        const bool stemOnSide = below ? note->GetStemDirection() != STEM_UP : note->GetStemDirection() == STEM_UP;
        int y = stemOnSide ? note->GetStemPosition().y : note->GetY();
        if (grace)
            y += last->GetY();
        return y;
    };
    const int e = edge(extreme, IsGraceEvent(extremeEvent));
    const int f = edge(first, IsGraceEvent(children.GetHead()));
    const int l = edge(last, false);
    return static_cast<int16_t>(below ? e - std::min(f, l) : e - std::max(f, l));
}

void DCctSlur::PositionSlurEnds(CPoint& left, CPoint& right, DCctNotate* first, DCctNotate* last, int adjust) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    const int w = font.GetNoteheadWidth(FONT_CURRENT);
    const bool grace = first->IsGrace() != 0;
    const int hf = grace ? font.GetNoteheadHeight(FONT_GRACE) : h;
    const int wf = grace ? font.GetNoteheadWidth(FONT_GRACE) : w;
    const bool firstUp = first->GetStemDirection() == STEM_UP;
    const bool lastUp = last->GetStemDirection() == STEM_UP;
    // The point of each note the end stands beside: its stem end or head.
    CPoint atFirst;
    CPoint atLast;
    if (GetSlurDirection() == CURVE_ABOVE) {
        atFirst = firstUp ? first->GetStemPosition() + CSize(-wf / 2, hf / 2) : first->GetPosition() + CSize(wf / 2, hf);
        atLast = lastUp ? last->GetStemPosition() + CSize(-w / 2, h / 2) : last->GetPosition() + CSize(w / 2, h);
    } else {
        atFirst = firstUp ? first->GetPosition() + CSize(wf / 2, -hf) : first->GetStemPosition() + CSize(-wf / 2, -hf / 2);
        if (lastUp)
            atLast = last->GetPosition() + CSize(w / 2, -h);
        else if (!grace)
            atLast = last->GetStemPosition() + CSize(h / 2, -h);
        else
            atLast = last->GetPosition() + CSize(-h / 2, -h);
    }
    left += atFirst - CPoint();
    right += atLast - CPoint();
    left.y += adjust;
    right.y += adjust;
}

void DCctSlur::PositionSingle(MCEventList& children, MCEventList& measures, ECConductor* conductor, ECStaff* staff) {
    const int adjust = GetYAdjust(children);
    ECBase* firstMeasure = measures.GetHead();
    ECBase* lastMeasure = measures.GetTail();
    DCctNotate* first = NotateOf(children.GetHead());
    DCctNotate* last = NotateOf(children.GetTail());
    if (first->PositionDirty() && first->Position(conductor, staff, static_cast<ECMeasure*>(firstMeasure), nullptr) == 1)
        first->SetPositionDirty(0);
    if (last->PositionDirty() && last->Position(conductor, staff, static_cast<ECMeasure*>(lastMeasure), nullptr))
        last->SetPositionDirty(0);
    CPoint left = NotationDisplayOf(firstMeasure)->GetPosition();
    CPoint right = NotationDisplayOf(lastMeasure)->GetPosition();
    PositionSlurEnds(left, right, first, last, adjust);
    AddSplitOffset(left, right);
}

void DCctSlur::PositionSplit(MCEventList& children, MCEventList& measures, ECConductor* conductor) {
    ECBase* lastSystemStart = nullptr;
    for (POSITION pos = measures.GetHeadPosition(); pos;) {
        MCEventList run;
        if (GetNextSystem(run, measures, pos) == 0)
            continue;
        lastSystemStart = run.GetHead();
        MCEventList inSystem;
        FindSlurChildrenInSystem(run, children, inSystem);
        if (inSystem.IsEmpty())
            continue;   // the slur passes this system by
        CPoint leftEdge;
        CPoint rightEdge;
        GetSystemEndPoints(run, leftEdge, rightEdge);
        const int adjust = GetYAdjust(inSystem);
        CPoint left = NotationDisplayOf(run.GetHead())->GetPosition();
        CPoint right = NotationDisplayOf(run.GetTail())->GetPosition();
        PositionSlurEnds(left, right, NotateOf(inSystem.GetHead()), NotateOf(inSystem.GetTail()), adjust);
        // The first piece starts at its note, the last ends at its note; a
        // system end cuts the rest at its edges.
        if (GetSplitCount() > 0)
            left.x = leftEdge.x;
        if (pos)
            right.x = rightEdge.x;
        AddSplitOffset(left, right);
    }
    if (lastSystemStart && lastSystemStart->GetTime())
        SetClipX(ClipXAtTime(conductor, *lastSystemStart->GetTime()));
}

void DCctSlur::PositionGrace(MCEventList& children, MCEventList& measures) {
    const int adjust = GetYAdjust(children);
    const CPoint m = NotationDisplayOf(measures.GetHead())->GetPosition();
    DCctNotate* first = NotateOf(children.GetHead());
    DCctNotate* last = NotateOf(children.GetTail());
    CPoint left = m + (last->GetPosition() - CPoint());
    CPoint right = m;
    PositionSlurEnds(left, right, first, last, adjust);
    AddSplitOffset(left, right);
}

void DCctSlur::SetSize(CDC*) {
    if (PositionDirty() || !FrameDirty())
        return;
    const int h = NoteheadHeight();
    CPoint left;
    CPoint right;
    GetEndPoints(left, right, 0);
    const int d = std::abs(right.y - left.y);
    m_metrics.SetWidth(0);
    m_metrics.SetHeight(d + 2 * h);
    m_metrics.SetTop(GetSlurDirection() == CURVE_BELOW ? d : 2 * h);
    SetFrameDirty(0);
}

// ---- drawing --------------------------------------------------------------------------

int DCctSlur::Draw(CDC* dc, CPoint origin, CRect* clip) {
    SetSlurArc(DRAWN_ARC_TENTHS);
    DrawCurves(dc, origin, clip, m_nArc);
    return DRAW_SPAN;
}

int DCctSlur::DrawInRect(CDC* dc, CRect* rect) {
    WithSampleFont(dc, AdjustForLargeFont(rect->top - rect->bottom), GetColor(dc), [&] {
        MCMusicFont& font = MCMusicFont::GetMusicFont();
        const int h = font.GetNoteheadHeight(FONT_CURRENT);
        const int w = font.GetNoteheadWidth(FONT_CURRENT);
        SetEndPoints(CPoint(rect->left + w, rect->bottom + 2 * h), CPoint(rect->right - w, rect->top - 2 * h));
        Draw(dc, CPoint(0, 0), nullptr);
    });
    return 1;
}
