// The engine's preparation of clefs added, removed and edited in place.
//
// A clef decides where every note of its span stands, so the span's stems
// and beams are made again and its keys laid out anew; the notes' values
// and spelling do not change. A percussion clef (type 8) makes its staff a
// percussion staff, whose notes the passes place by drum map.
#include "notation/autonote/autonote.h"

#include "model/conductor.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/staff.h"
#include "notation/autonote/timerange.h"
#include "notation/display/base.h"
#include "notation/display/clef.h"

namespace {

// The percussion clef, the clef a staff gets when it stops being a
// percussion staff, and the staff type of a percussion staff.
constexpr unsigned char CLEF_PERCUSSION = 8;
constexpr unsigned char STAFF_TYPE_PLAIN = 0;
constexpr unsigned char STAFF_TYPE_PERCUSSION = 3;

// A percussion clef makes its staff a percussion staff; any other clef
// makes a percussion staff an ordinary one again.
void FollowClefType(ECStaff* staff, const ECClef* clef) {
    if (clef->GetClefType() == CLEF_PERCUSSION)
        staff->SetStaffType(STAFF_TYPE_PERCUSSION);
    else if (staff->GetStaffType() == STAFF_TYPE_PERCUSSION)
        staff->SetStaffType(STAFF_TYPE_PLAIN);
}

MCTime TimeOf(ECBase* element) {
    const MCTime* time = element->GetTime();
    return time ? *time : MCTime();
}

ECStaff* StaffOf(ECBase* element) {
    return element ? dynamic_cast<ECStaff*>(element->GetAncestor(ET_STAFF, -1)) : nullptr;
}

}  // namespace

void CAutoNote::GetClefSpan(MCTime& start, MCTime& end, ECClef* clef, ECStaff* staff) {
    start = TimeOf(clef);
    end = MCTime::TimeMax();
    // Back from the end of the piece, clef by clef, to the first one after
    // this clef.
    MCTime from = MCTime::TimeMax();
    for (;;) {
        ECClef* before = staff->GetClefBeforeTime(from, clef->GetHand());
        if (!before || before == clef || !(TimeOf(before) > start) || !(TimeOf(before) < from))
            break;
        end = TimeOf(before);
        from = end;
    }
}

void CAutoNote::RedrawChordsOf(MCEventList& measures, bool beams) {
    ACFindEvents find(2);
    find.AddEvtType(ET_CHORD);
    if (beams)
        find.AddEvtType(ET_BEAM);
    find.Apply(measures, 1);
    MCEventList& found = find.GetEvents();
    for (POSITION pos = found.GetHeadPosition(); pos;) {
        ECBase* element = found.GetNext(pos);
        if (DCctBase* display = NotationDisplayOf(element))
            display->SetDirty(1);
        m_dirtyRect.AddEvent(element);
    }
    m_dirtyRect.SetRedrawAll(1);
}

namespace {

// The stems and beams of the measures are made again: the clef moved their
// notes up or down.
void RestemMeasures(MCEventList& measures) {
    ACSetDirty dirty(2);
    dirty.AddDirtyKind(DCctBase::DIRTY_BEAM);
    dirty.AddDirtyKind(DCctBase::DIRTY_STEM);
    dirty.Apply(measures, 1);
}

}  // namespace

int CAutoNote::AddClef(CCBase*, ECBase* element, ECBase* parent) {
    auto* clef = dynamic_cast<ECClef*>(element);
    ECStaff* staff = StaffOf(parent ? parent : element);
    ECConductor* conductor = GetConductor();
    if (!clef || !staff || !conductor)
        return 0;
    // Only the opening clef is drawn full size; a change is drawn smaller.
    if (TimeOf(clef) != MCTime::TimeZero()) {
        if (auto* display = dynamic_cast<DCctClef*>(NotationDisplayOf(clef)))
            display->SetFullSize(0);
    }
    FollowClefType(staff, clef);

    const int track = conductor->GetTrackNumber(TRACK_STAFF, staff);
    MCTime start;
    MCTime end;
    GetClefSpan(start, end, clef, staff);
    MCEventList measures;
    conductor->GetMeasures(track, start, end, measures);
    if (measures.IsEmpty())
        return 0;

    // The keys of the span stand on the new clef's lines.
    ACSetDirty relayout(2);
    relayout.AddDirtyKind(DCctBase::DIRTY_ASSEMBLE);
    relayout.AddDirtyKind(DCctBase::DIRTY_POSITION);
    ACFindEvents keys;
    keys.AddEvtType(ET_KEY);
    keys.Apply(measures, 1);
    MCEventList& found = keys.GetEvents();
    for (POSITION pos = found.GetHeadPosition(); pos;) {
        ECBase* key = found.GetNext(pos);
        m_dirtyRect.AddEvent(key);
        relayout.Apply(key);
        relayout.Reset();
    }

    MCTime ms;
    MCTime me;
    GetRangeForMeasures(conductor, measures, ms, me);
    AddEventWindow(track, start, end, ms, me, PAGENATE_FROM);
    RestemMeasures(measures);
    RedrawChordsOf(measures, true);
    return 0;
}

int CAutoNote::RemoveClef(CCBase* command, ECBase* element, ECBase*) {
    // The tool's new clef takes this one's place: it prepares the span.
    if (GetReplaceEvent())
        return 0;
    auto* clef = dynamic_cast<ECClef*>(element);
    ECStaff* staff = StaffOf(element);
    ECConductor* conductor = GetConductor();
    if (!clef || !staff || !conductor)
        return 0;
    const int track = conductor->GetTrackNumber(TRACK_STAFF, staff);
    MCTime start;
    MCTime end;
    GetClefSpan(start, end, clef, staff);
    MCEventList measures;
    conductor->GetMeasures(track, start, end, measures);

    // With this clef gone, the next one would repeat the one before it.
    ECClef* next = staff->GetClefAtTime(end, clef->GetHand());
    ECClef* prev = staff->GetClefBeforeTime(start, clef->GetHand());
    // As for keys: the first clef has none before it.
    if (prev == clef)
        prev = nullptr;
    if (prev && next && next != clef && next != prev && TimeOf(next) > start && *prev == *next)
        command->Discard(next);

    if (measures.IsEmpty())
        return 0;
    MCTime ms;
    MCTime me;
    GetRangeForMeasures(conductor, measures, ms, me);
    AddEventWindow(track, start, end, ms, me, PAGENATE_FROM);
    RestemMeasures(measures);
    RedrawChordsOf(measures, true);
    return 0;
}

void CAutoNote::PrepareForEditClef(SCEventBase*, ECClef* clef, ECMeasure* measure) {
    ECConductor* conductor = GetConductor();
    MCEventList* parents = measure ? measure->GetParents() : nullptr;
    auto* staff = parents && !parents->IsEmpty() ? dynamic_cast<ECStaff*>(parents->GetHead()) : nullptr;
    if (!clef || !staff || !conductor)
        return;
    MCTime start;
    MCTime end;
    GetClefSpan(start, end, clef, staff);
    // A clef inside its measure changes how the whole measure is drawn.
    if (start > TimeOf(measure))
        start = TimeOf(measure);
    FollowClefType(staff, clef);

    const int track = conductor->GetTrackNumber(TRACK_STAFF, staff);
    AddEventWindow(track, start, end, start, end, PAGENATE_FROM);
    ACSetDirty dirty(2);
    dirty.SetTimeRange(start, end);
    dirty.AddDirtyKind(DCctBase::DIRTY_BEAM);
    dirty.AddDirtyKind(DCctBase::DIRTY_STEM);
    dirty.Apply(staff);

    MCEventList measures;
    conductor->GetMeasures(track, start, end, measures);
    RedrawChordsOf(measures, true);
}
