// Ties: their side, ends and pieces per system, and drawing.
#include "notation/display/tie.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/measure.h"
#include "model/markings.h"
#include "platform/core/archive.h"
#include "model/notes.h"
#include "model/staff.h"
#include "model/time.h"
#include "notation/display/chord.h"
#include "notation/display/clef.h"
#include "notation/display/note.h"
#include "notation/display/staff.h"

IMPLEMENT_SERIAL(DCctTie, DCctSplit, VERSIONABLE_SCHEMA | 2)

namespace {

constexpr int STEM_UP = 0;
constexpr int GRAND_STAFF = 1;

DCctNote* NoteOf(ECBase* event) {
    return event ? dynamic_cast<DCctNote*>(event->GetData(DK_NOTATION, 0)) : nullptr;
}

bool HasBeam(ECBase* event) {
    MCEventList* parents = event ? event->GetParents() : nullptr;
    return parents && parents->FindEvent(ET_BEAM);
}

// The time a note is drawn at: its own, or its measure's when that is later
// (a note carried over a bar line).
MCTime ShownTime(ECBase* note) {
    MCTime time = *note->GetTime();
    ECBase* measure = note->GetAncestor(ET_MEASURE, -1);
    if (measure && measure->GetTime() && time < *measure->GetTime())
        time = *measure->GetTime();
    return time;
}

}  // namespace

DCctTie::DCctTie() {
    SetCurveType(CURVE_SOLID);
    SetBit(DIRECTION_BIT, CURVE_ABOVE);
    SetBit(OVERRIDE_BIT, 0);
}

DCctTie::DCctTie(const DCctTie& other) = default;

DCctTie::~DCctTie() = default;

// ---- positioning ----------------------------------------------------------------------

int DCctTie::Position(ECConductor* conductor, ECStaff* staff, ECMeasure*, ECBase*) {
    ResetSplitOffset();
    ECBase* owner = GetOwner();
    MCEventList* children = owner ? owner->GetChildren() : nullptr;
    if (!children || children->GetCount() < 2)
        return 0;
    ECBase* firstNote = children->GetHead();
    ECBase* lastNote = children->GetTail();
    DCctNote* first = NoteOf(firstNote);
    DCctNote* last = NoteOf(lastNote);
    if (!first || !last || !firstNote->GetTime() || !lastNote->GetTime())
        return 0;

    const MCTime start = ShownTime(firstNote);
    MCTime end = ShownTime(lastNote);
    end.AddTicks(last->GetTickDuration(0), TICKS_PER_QUARTER);
    MCEventList measures;
    if (!FindMeasures(conductor, staff, start, end, measures))
        return 0;
    PositionChildren(measures, conductor, staff, nullptr);
    CalculateTieDirection(*children, staff, measures);

    ECBase* firstMeasure = measures.GetHead();
    ECBase* lastMeasure = measures.GetTail();
    if (first->PositionDirty() && first->Position(conductor, staff, static_cast<ECMeasure*>(firstMeasure), nullptr))
        first->SetPositionDirty(0);
    if (last->PositionDirty() && last->Position(conductor, staff, static_cast<ECMeasure*>(lastMeasure), nullptr))
        last->SetPositionDirty(0);
    const CPoint left = first->GetPosition() + (NotationDisplayOf(firstMeasure)->GetPosition() - CPoint());
    const CPoint right = last->GetPosition() + (NotationDisplayOf(lastMeasure)->GetPosition() - CPoint());

    if (!IsSplit(measures)) {
        AddSplitOffset(left, right);
    } else {
        // The first piece runs from the first note to its system's end, the
        // last from its system's start to the last note, any other across
        // its system, at the notes' heights.
        AddPiecesAcross(GetSystemEdges(measures), left, right, CSize(0, last->GetY()));
        if (lastMeasure->GetTime())
            SetClipX(ClipXAtTime(conductor, *lastMeasure->GetTime()));
    }
    PositionTieEnds(left, right, first, last);
    FinishPosition();
    return 1;
}

void DCctTie::CalculateTieDirection(MCEventList& children, ECStaff* staff, MCEventList& measures) {
    if (IsDirectionOverride() || children.IsEmpty())
        return;
    ECBase* firstNote = children.GetHead();
    const int byVoices = DirectionByVoices(measures, VoiceOf(firstNote));
    if (byVoices >= 0) {
        SetTieDirection(byVoices, 0);
        return;
    }
    DCctNote* first = NoteOf(firstNote);
    DCctNote* last = NoteOf(children.GetTail());
    if (first && last && first->GetTieDirection() == last->GetTieDirection()) {
        SetTieDirection(first->GetTieDirection() == 1 ? CURVE_BELOW : CURVE_ABOVE, 0);
        return;
    }
    // The clef decides: only a note on its middle line goes above.
    ECBase* owner = GetOwner();
    const int voice = VoiceOf(owner);
    const BYTE hand = staff && staff->GetStaffType() == GRAND_STAFF && voice >= 4 ? 1 : 0;
    MCTime time = owner && owner->GetTime() ? *owner->GetTime() : MCTime();
    ECClef* clef = DCctStaff::GetClefAtTime(staff, time, hand);
    auto* clefDisplay = clef ? dynamic_cast<DCctClef*>(clef->GetData(DK_NOTATION, 0)) : nullptr;
    if (!clefDisplay || !first)
        return;
    SetTieDirection(clefDisplay->GetDistanceFromMiddleLine(first->GetSpelling()) < 1 ? CURVE_ABOVE : CURVE_BELOW, 0);
}

void DCctTie::PositionTieEnds(CPoint left, CPoint right, DCctNote* first, DCctNote* last) {
    ECBase* owner = GetOwner();
    MCEventList* children = owner ? owner->GetChildren() : nullptr;
    // Two beamed notes with stems alike: the tie goes to the heads' side.
    if (children && children->GetCount() == 2 && HasBeam(children->GetHead()) && HasBeam(children->GetTail()) &&
        first->GetStemDirection() == last->GetStemDirection())
        SetTieDirection(first->GetStemDirection() == STEM_UP ? CURVE_BELOW : CURVE_ABOVE, 0);

    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    const int w = font.GetNoteheadWidth(FONT_CURRENT);
    const int d = 3 * h / 4;
    ECChord* firstChord = FindChordParent(first->GetOwner());
    ECChord* lastChord = FindChordParent(last->GetOwner());
    auto* lastChordDisplay = lastChord ? dynamic_cast<DCctChord*>(lastChord->GetData(DK_NOTATION, 0)) : nullptr;
    auto* firstChordDisplay = firstChord ? dynamic_cast<DCctChord*>(firstChord->GetData(DK_NOTATION, 0)) : nullptr;
    const bool firstUp = first->GetStemDirection() == STEM_UP;
    const bool lastUp = last->GetStemDirection() == STEM_UP;
    const int firstHead = first->GetNoteheadPosition();
    const int lastHead = last->GetNoteheadPosition();

    if (GetTieDirection() == CURVE_ABOVE) {
        if (firstUp)
            left.x += firstChord && firstHead == DCctChord::HEAD_RIGHT ? w / 2 : w;
        else
            left.x += firstChord && firstHead == DCctChord::HEAD_LEFT ? w : w / 2;
        if (lastUp)
            right.x += lastChord && lastHead == DCctChord::HEAD_RIGHT ? -w / 2 : w / 2;
        else
            right.x += !lastChord || (lastChordDisplay && lastChordDisplay->GetTopNote() == last) ? w / 2 : -w / 2;
        left.y += d;
        right.y += d;
    } else {
        // The left end mirrors a tie above: F's own chord and notehead decide.
        if (firstUp) {
            const bool bottom = firstChordDisplay && firstChordDisplay->GetBottomNote() == first;
            left.x += !firstChord || bottom || firstHead == DCctChord::HEAD_RIGHT ? w / 2 : w;
        } else {
            left.x += firstChord && firstHead == DCctChord::HEAD_LEFT ? w : w / 2;
        }
        if (lastUp)
            right.x += lastHead == DCctChord::HEAD_RIGHT ? -w / 2 : w / 2;
        else
            right.x += lastHead == DCctChord::HEAD_LEFT ? w / 2 : -w / 2;
        left.y -= d;
        right.y -= d;
    }

    std::vector<SplitOffset>& pieces = Splits();
    if (pieces.size() <= 1) {
        pieces.assign(1, {left, right});
        return;
    }
    // Every piece moves with the ends, so the pieces in between stand at the
    // ends' heights.
    const int leftShift = left.y - pieces.front().left.y;
    const int rightShift = right.y - pieces.back().right.y;
    pieces.front().left.x = left.x;
    pieces.back().right.x = right.x;
    for (SplitOffset& piece : pieces) {
        piece.left.y += leftShift;
        piece.right.y += rightShift;
    }
}

void DCctTie::SetSize(CDC*) {
    if (PositionDirty() || !FrameDirty())
        return;
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    m_metrics.SetWidth(0);
    m_metrics.SetHeight(h);
    m_metrics.SetTop(GetTieDirection() == CURVE_BELOW ? 0 : h);
    SetFrameDirty(0);
}

// ---- drawing --------------------------------------------------------------------------

int DCctTie::Draw(CDC* dc, CPoint origin, CRect* clip) {
    DrawCurves(dc, origin, clip, MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT));
    return DRAW_SPAN;
}

int DCctTie::DrawInRect(CDC* dc, CRect* rect) {
    WithSampleFont(dc, AdjustForSmallFont(rect->top - rect->bottom), GetPermanentColor(), [&] {
        const int w = MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT);
        const int middle = rect->top + (rect->bottom - rect->top) / 2;
        SetEndPoints(CPoint(rect->left + w / 2, middle), CPoint(rect->right - w / 2, middle));
        Draw(dc, CPoint(0, 0), nullptr);
    });
    return 1;
}
