// The engine's preparation of a beam broken before one of its elements.
//
// The elements before the break leave the beam: two or more of them make a
// beam of their own, a lone one stands on its own with its flag. After the
// break each beam left starts at its first member and spans its members'
// ticks, so that range clearing, which finds beams by their tick span, finds
// each by the notes it now holds.
#include "notation/autonote/autonote.h"

#include "model/conductor.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/lists.h"
#include "model/notes.h"
#include "model/performance.h"
#include "notation/autonote/timerange.h"
#include "notation/display/beam.h"
#include "notation/display/notate.h"
#include "notation/display/tuplet.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

constexpr int NORMAL_SCALE = DCctTuplet::TICKS_NORMAL;
constexpr int OWN_SCALE = DCctTuplet::TICKS_OWN;

DCctNotate* NotateOf(ECBase* element) {
    return element ? dynamic_cast<DCctNotate*>(element->GetData(DK_NOTATION, 0)) : nullptr;
}

ECBase* BeamOf(ECBase* element) {
    MCEventList* parents = element->GetParents();
    for (POSITION pos = parents ? parents->GetHeadPosition() : nullptr; pos;) {
        ECBase* parent = parents->GetNext(pos);
        if (parent->GetClassType() == ET_BEAM)
            return parent;
    }
    return nullptr;
}

// The beam's first member's time, and the span of its members' ticks in the
// plain division of the measure.
void FitBeamToMembers(ECBase* beam) {
    MCEventList* members = beam->GetChildren();
    if (!members || members->IsEmpty())
        return;
    ECBase* first = members->GetHead();
    ECBase* last = members->GetTail();
    if (const MCTime* time = first->GetTime())
        beam->SetTime(time);
    auto* display = dynamic_cast<DCctBeam*>(beam->GetData(DK_NOTATION, 0));
    DCctNotate* from = NotateOf(first);
    DCctNotate* to = NotateOf(last);
    if (!display || !from || !to)
        return;
    const int start = from->GetTickStart(NORMAL_SCALE);
    const int end = to->GetTickStart(NORMAL_SCALE) + to->GetTickDuration(NORMAL_SCALE);
    display->SetTickRange(static_cast<WORD>(start), static_cast<WORD>(std::clamp(end, start, 0xFFFF)));
}

// Children lists are kept in time order: a member whose beam's time moved
// takes its place again.
void KeepInTimeOrder(ECBase* beam) {
    MCEventList* parents = beam->GetParents();
    for (POSITION pos = parents ? parents->GetHeadPosition() : nullptr; pos;)
        if (MCEventList* siblings = parents->GetNext(pos)->GetChildren())
            siblings->Sort();
}

}  // namespace

int CAutoNote::PrepareEditBreakBeam(SCEventEdit* edit, SCEventEditItem*, ECBase* element) {
    // A note of a chord breaks the beam before its chord.
    if (element && !BeamOf(element))
        if (ECBase* chord = element->GetAncestor(ET_CHORD, 1))
            element = chord;
    ECBase* beam = element ? BeamOf(element) : nullptr;
    MCEventList* members = beam ? beam->GetChildren() : nullptr;
    if (!members)
        return 0;
    std::vector<ECBase*> before, after;
    bool found = false;
    for (POSITION pos = members->GetHeadPosition(); pos;) {
        ECBase* member = members->GetNext(pos);
        if (member == element)
            found = true;
        else
            (found ? after : before).push_back(member);
    }
    // Nothing to break before the first element of a beam.
    if (!found || before.empty())
        return 0;
    ECBase* p = before.back();
    const bool hasQ = before.size() >= 2;
    const bool hasAfter = !after.empty();
    ECBase* measure = beam->GetAncestor(ET_MEASURE, 1);
    ECPerformance* performance = GetBaseEvent();

    // A note or chord that leaves its beam is written with its own value.
    const auto ownValue = [this](ECBase* member) {
        std::vector<ECBase*> notes;
        if (member->GetClassType() == ET_NOTE) {
            notes.push_back(member);
        } else if (member->GetClassType() == ET_CHORD) {
            MCEventList* chordNotes = member->GetChildren();
            for (POSITION pos = chordNotes ? chordNotes->GetHeadPosition() : nullptr; pos;) {
                ECBase* note = chordNotes->GetNext(pos);
                if (note->GetClassType() == ET_NOTE)
                    notes.push_back(note);
            }
        }
        for (ECBase* note : notes)
            if (DCctNotate* display = NotateOf(note))
                m_noteValue.SetValue(static_cast<ECNote*>(note), display->GetTickDuration(OWN_SCALE));
        m_dirtyRect.AddEvent(member);
    };
    const auto updateBeam = [this](ECBase* group) {
        if (DCBase* display = group->GetData(DK_NOTATION, 0))
            display->SetDirty(1);
        m_dirtyRect.AddEvent(group);
        if (MCEventList* children = group->GetChildren())
            m_dirtyRect.AddEvents(children);
    };

    if (hasAfter && hasQ) {
        auto* split = new ECBeam;
        MCEventList held;   // keeps the new beam alive until its measure holds it
        held.AddEvent(split, UNSORTED);
        split->GetData(DK_NOTATION, 1);
        split->SetVoiceTrack(beam->GetVoiceTrack());
        {
            std::unique_lock<CCriticalSection> lock;
            if (performance)
                lock = std::unique_lock<CCriticalSection>(performance->GetLock());
            for (ECBase* member : before) {
                split->AddChild(member, SORTED);
                beam->RemoveChild(member, 0);
            }
            FitBeamToMembers(split);
            FitBeamToMembers(beam);
            if (measure) {
                measure->AddChild(split, SORTED);
                KeepInTimeOrder(beam);
            }
        }
        updateBeam(beam);
        updateBeam(split);
    } else if (!hasAfter && !hasQ) {
        // The beam held p and the element alone.
        if (edit)
            edit->AddToDeleteList(beam);
        ownValue(p);
        ownValue(element);
    } else {
        ECBase* leaving = hasAfter ? p : element;
        {
            std::unique_lock<CCriticalSection> lock;
            if (performance)
                lock = std::unique_lock<CCriticalSection>(performance->GetLock());
            leaving->Ref();
            beam->RemoveChild(leaving, 0);
            FitBeamToMembers(beam);
            KeepInTimeOrder(beam);
        }
        ownValue(leaving);
        leaving->Unref(1);
        updateBeam(beam);
    }

    if (!measure)
        return 0;
    ACSetDirty stems(1);
    stems.AddDirtyKind(DCctBase::DIRTY_STEM);
    stems.Apply(measure);
    ECConductor* conductor = GetConductor();
    if (!conductor)
        return 0;
    MCTime start, end;
    GetRangeForMeasures(conductor, measure, start, end);
    MCVoiceTrack* word = measure->GetVoiceTrack();
    AddEventWindow(word ? word->GetTrack() : 0, start, end, start, end, PAGENATE_MEASURES);
    return 0;
}
