// ANBeam: grouping by stresses, subdivisions and runs; making and reusing
// beams; tuplets and grace notes.
#include "notation/autonote/beampass.h"

#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/notes.h"
#include "model/performance.h"
#include "notation/autonote/buildrulers.h"
#include "notation/autonote/notatelinks.h"
#include "notation/display/beam.h"
#include "notation/display/measure.h"
#include "notation/display/notate.h"
#include "notation/display/tuplet.h"
#include "notation/view/dirtyrect.h"

#include <cstdint>
#include <mutex>

namespace {

// The grace notes of a note lie at most this far below its measure (a note
// of a chord inside a tuplet).
constexpr unsigned char kGraceHostDepth = 3;
constexpr int kTicksPerQuarter = ANBase::TICKS_PER_QUARTER;
constexpr int kOn = 1;
constexpr int kOff = 0;
constexpr int kCreate = 1;
constexpr int kLookUp = 0;
// The measure's own children; the lyrics directly under a beam's parent.
constexpr unsigned char kChildrenOnly = 1;
// Which base of a display: the plain one and the borrowed one.
constexpr int kPlainBase = 0;
constexpr int kBorrowedBase = 1;
// Lyrics at either bound of the beam's span are under it.
constexpr int kBoundsIncluded = 0;
// The ruler action enters marks (1 would withdraw them).
constexpr int kEnterMarks = 0;
// AddChildrenToBeam's last argument carries nothing.
constexpr int kNoOption = 0;

bool IsRest(ECBase* element) {
    return element->GetClassType() == ET_REST;
}

bool IsNoteOrChord(ECBase* element) {
    switch (element->GetClassType()) {
    case ET_NOTE:
    case ET_CHORD:
    case ET_GRACENOTE:
        return true;
    default:
        return false;
    }
}

ECBase* ParentOfType(ECBase* element, int type) {
    MCEventList* parents = element->GetParents();
    for (POSITION pos = parents ? parents->GetHeadPosition() : nullptr; pos;) {
        ECBase* parent = parents->GetNext(pos);
        if (parent->GetClassType() == type)
            return parent;
    }
    return nullptr;
}

bool HoldsChild(ECBase* parent, ECBase* child) {
    MCEventList* children = parent->GetChildren();
    return children && children->Find(child) != nullptr;
}

WORD ClampTicks(int64_t ticks) {
    if (ticks < 0)
        return 0;
    return ticks > UINT16_MAX ? UINT16_MAX : static_cast<WORD>(ticks);
}

}  // namespace

bool ANBeam::IsSimpleForBeaming(ECMeter* meter) {
    return meter && meter->GetMeterType() <= 2 && meter->GetDenominator() <= LONGEST_SIMPLE_BEAT_UNIT;
}

// ---- the measure --------------------------------------------------------------------

void ANBeam::DoMeasure(ECStaff* staff, ECMeasure* measure, ECMeter* meter) {
    if (!staff || !measure || !meter)
        return;
    auto* display = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, kLookUp));
    if (!display || !display->BeamDirty())
        return;

    ACFindEvents find;
    find.AddEvtTypes({ET_NOTE, ET_CHORD, ET_REST});
    find.SetDepth(kChildrenOnly);
    find.Apply(measure);
    const std::vector<BYTE> voices = display->GetVoiceTable();   // a copy: beaming never changes it
    DoBeam(find.GetEvents(), voices, meter, measure, STORED);
    DoBeamTuplets(measure, meter);
    DoGraceNotes(measure);
    display->SetBeamDirty(kOff);
}

void ANBeam::DoBeam(const MCEventList& list, const std::vector<BYTE>& voices, ECMeter* meter, ECMeasure* measure,
                    int mode) {
    if (!meter)
        return;
    const bool simple = IsSimpleForBeaming(meter);
    const int stresses = meter->GetStressPulsesPerMeasure();
    MCEventList voiceList;
    for (BYTE voice : voices) {
        GetDataByVoice(voiceList, list, voice);
        if (voiceList.IsEmpty())
            continue;
        int position = 0;
        for (int stress = 0; stress < stresses; ++stress) {
            const int length = meter->GetStressTicks(stress, kTicksPerQuarter);
            const WORD start = ClampTicks(position);
            const WORD end = ClampTicks(position + length);
            if (!simple) {
                BeamNonSimpleRange(start, end, voiceList, measure, mode);
            } else if (!SimplePerfectBeam(start, end, voiceList, measure, mode)) {
                DoBeamLevel(start, end, end, BEAT_LEVEL, voiceList, measure, meter, mode);
            }
            position += length;
        }
    }
}

// ---- grouping -------------------------------------------------------------------------

int ANBeam::SimplePerfectBeam(WORD start, WORD end, const MCEventList& list, ECMeasure* measure, int mode) {
    MCEventList group;
    GetDataByTimeSlice(group, list, start, end, mode);
    if (group.GetCount() < 2)
        return 0;
    WORD first = 0;
    TrimChildren(group, &first, mode);
    if (group.GetCount() < 2)
        return 0;
    int expected = first;
    for (POSITION pos = group.GetHeadPosition(); pos;) {
        DCBase* display = GetNotateData(group.GetNext(pos));
        if (!display)
            return 0;
        if (NotateTickDuration(display, mode) != EIGHTH_TICKS || NotateTickStart(display, mode) != expected)
            return 0;
        expected += EIGHTH_TICKS;
    }
    AddChildrenToBeam(group, measure, start, end, kNoOption);
    return 1;
}

void ANBeam::DoBeamLevel(WORD start, WORD end, WORD limit, int level, const MCEventList& list, ECMeasure* measure,
                         ECMeter* meter, int mode) {
    (void)end;   // the walk is bounded by `limit`
    std::vector<unsigned short> lengths;
    meter->GetSubdivision(level, lengths, kTicksPerQuarter);
    size_t index = 0;
    int sum = 0;
    while (index < lengths.size() && sum < start)
        sum += lengths[index++];
    if (sum != start)
        return;   // not on a boundary of this level
    int at = start;
    for (; index < lengths.size() && at < limit; ++index) {
        const int length = lengths[index];
        if (length <= 0)
            break;   // a level finer than a tick: nothing to walk
        const WORD from = ClampTicks(at);
        const WORD to = ClampTicks(at + length);
        // A failed subdivision is tried finer inside itself only: the walk
        // of this level goes on with the next one.
        if (!Beam(from, to, list, measure, mode) && length > EIGHTH_TICKS)
            DoBeamLevel(from, to, to, level + 1, list, measure, meter, mode);
        at += length;
    }
}

int ANBeam::Beam(WORD start, WORD end, const MCEventList& list, ECMeasure* measure, int mode) {
    MCEventList group;
    GetDataByTimeSlice(group, list, start, end, mode);
    if (group.GetCount() < 2)
        return 1;
    TrimChildren(group, nullptr, mode);
    if (group.GetCount() < 2)
        return 1;
    MCEventList members;
    for (POSITION pos = group.GetHeadPosition(); pos;) {
        ECBase* element = group.GetNext(pos);
        DCBase* display = GetNotateData(element);
        if (!display)
            return 1;   // unnotated: left as it is
        const int duration = NotateTickDuration(display, mode);
        if (duration >= QUARTER_TICKS)
            return 0;
        if (duration > 0)
            members.AddEvent(element, UNSORTED);
    }
    AddChildrenToBeam(members, measure, start, end, kNoOption);
    return 1;
}

void ANBeam::BeamNonSimpleRange(WORD start, WORD end, const MCEventList& list, ECMeasure* measure, int mode) {
    MCEventList group;
    GetDataByTimeSlice(group, list, start, end, mode);
    if (group.GetCount() < 2)
        return;
    TrimChildren(group, nullptr, mode);
    if (group.GetCount() < 2)
        return;
    MCEventList run;
    auto close = [&] {
        if (run.GetCount() >= 2)
            AddChildrenToBeam(run, measure, start, end, kNoOption);
        run.RemoveAll();
    };
    for (POSITION pos = group.GetHeadPosition(); pos;) {
        ECBase* element = group.GetNext(pos);
        if (NotateTickDuration(GetNotateData(element), mode) >= QUARTER_TICKS)
            close();
        else
            run.AddEvent(element, UNSORTED);
    }
    close();
}

void ANBeam::TrimChildren(MCEventList& list, WORD* firstTick, int mode) {
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        const POSITION at = pos;
        ECBase* element = list.GetNext(pos);
        if (IsNoteOrChord(element))
            break;
        if (IsRest(element))
            list.RemoveAt(at);
    }
    for (POSITION pos = list.GetTailPosition(); pos;) {
        const POSITION at = pos;
        ECBase* element = list.GetPrev(pos);
        if (IsNoteOrChord(element))
            break;
        if (IsRest(element))
            list.RemoveAt(at);
    }
    if (firstTick && !list.IsEmpty())
        *firstTick = ClampTicks(NotateTickStart(GetNotateData(list.GetHead()), mode));
}

// ---- beams -----------------------------------------------------------------------------

ECBeam* ANBeam::FindBeamParent(const MCEventList& list) {
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        ECBase* element = list.GetNext(pos);
        const int type = element->GetClassType();
        if (type == ET_NOTE || type == ET_GRACENOTE) {
            if (ECBase* chord = ParentOfType(element, ET_CHORD))
                element = chord;
        }
        if (ECBase* beam = ParentOfType(element, ET_BEAM))
            return static_cast<ECBeam*>(beam);
    }
    return nullptr;
}

void ANBeam::AddChildrenToBeam(const MCEventList& list, ECBase* parent, WORD start, WORD end, int) {
    if (!parent || list.IsEmpty())
        return;
    int notes = 0;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        notes += IsNoteOrChord(list.GetNext(pos)) ? 1 : 0;
    if (notes < 2)
        return;

    ECBeam* beam = FindBeamParent(list);
    const bool fresh = beam == nullptr;
    MCEventList held;   // keeps a new beam alive until its parent holds it
    if (fresh) {
        beam = new ECBeam;
        held.AddEvent(beam, UNSORTED);
    }
    // A reused beam is regrouped by its display; one that lost its display
    // gets a new one, which is where the range is kept.
    DCBase* data = beam->GetData(DK_NOTATION, kCreate);
    auto* beamDisplay = dynamic_cast<DCctBeam*>(data);
    if (!fresh && data)
        data->SetDirty(kOn);

    std::unique_lock<CCriticalSection> lock;
    if (m_pPerformance)
        lock = std::unique_lock<CCriticalSection>(m_pPerformance->GetLock());

    for (POSITION pos = list.GetHeadPosition(); pos;) {
        ECBase* member = list.GetNext(pos);
        if (auto* display = dynamic_cast<DCctNotate*>(GetNotateData(member)))
            display->SetFlag(kOff);   // the beam stands for the flag
        if (fresh || !HoldsChild(beam, member))
            beam->AddChild(member, SORTED);
        if (m_pUpdate)
            m_pUpdate->AddEvent(member);
    }

    ECBase* first = list.GetHead();
    const MCTime* parentTime = parent->GetTime();
    const MCTime* firstTime = first->GetTime();
    const MCTime* time = parentTime && firstTime && *firstTime < *parentTime ? parentTime : firstTime;
    bool moved = false;
    if (time) {
        const MCTime* before = beam->GetTime();
        moved = !fresh && (!before || *before != *time);
        beam->SetTime(time);
    }
    if (fresh)
        parent->AddChild(beam, SORTED);
    else if (moved)
        parent->GetChildren()->Sort();

    if (beamDisplay) {
        DCBase* firstData = GetNotateData(first);
        if (NotateIsBorrowed(firstData)) {
            const int base = NotateBase(firstData, kPlainBase);
            const int borrowed = NotateBase(firstData, kBorrowedBase);
            // Without a borrowed length there is no scale: the range stays unset.
            if (borrowed > 0 && base >= 0)
                beamDisplay->SetTickRange(ClampTicks(int64_t{start} * base / borrowed),
                                          ClampTicks(int64_t{end} * base / borrowed));
        } else {
            beamDisplay->SetTickRange(start, end);
        }
    }
    if (m_pUpdate)
        m_pUpdate->AddEvent(beam);

    if (fresh) {
        // The members' marks stay entered: re-entering keeps the wider
        // extents, so the ruler takes what the beam changed about them.
        ACBuildRulers rulers;
        rulers.ClipNone();
        rulers.SetRemove(kEnterMarks);
        rulers.Apply(beam);
        if (m_pUpdate)
            UpdateLyricsUnder(beam, parent);
    }
    beam->SetVoiceTrack(first->GetVoiceTrack());
}

void ANBeam::UpdateLyricsUnder(ECBeam* beam, ECBase* parent) {
    auto* display = dynamic_cast<DCctBeam*>(beam->GetData(DK_NOTATION, kLookUp));
    const MCTime* time = beam->GetTime();
    if (!display || !time)
        return;
    MCTime end = *time;
    end += MCTime(static_cast<float>(display->GetTickRange()) / static_cast<float>(kTicksPerQuarter));
    ACFindTime find(*time, end, kBoundsIncluded);
    find.AddEvtType(ET_LYRIC);
    find.SetDepth(kChildrenOnly);
    find.Apply(parent);
    m_pUpdate->AddEvents(&find.GetEvents());
}

// ---- tuplets and grace notes -------------------------------------------------------------

void ANBeam::DoBeamTuplets(ECMeasure* measure, ECMeter* meter) {
    auto* measureDisplay = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, kLookUp));
    if (!measureDisplay || !meter)
        return;
    const std::vector<BYTE> voices = measureDisplay->GetVoiceTable();
    MCEventList* children = measure->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetClassType() != ET_TUPLET)
            continue;
        auto* tuplet = dynamic_cast<DCctTuplet*>(child->GetData(DK_NOTATION, kLookUp));
        ECMeter borrowed;
        if (!tuplet || !tuplet->GetBorrowedMeter(meter, &borrowed))
            continue;
        MCEventList members;   // the tuplet's children stay put while beams link them
        members.AddEvents(child->GetChildren(), UNSORTED);
        DoBeam(members, voices, &borrowed, measure, STORED);
    }
}

void ANBeam::DoGraceNotes(ECMeasure* measure) {
    ACFindEvents find;
    find.AddEvtType(ET_NOTE);
    find.SetDepth(kGraceHostDepth);
    find.Apply(measure);
    MCEventList& notes = find.GetEvents();
    notes.RemoveDuplicates();
    for (POSITION pos = notes.GetHeadPosition(); pos;) {
        ECBase* note = notes.GetNext(pos);
        MCEventList* children = note->GetChildren();
        if (!children || !children->FindEvent(ET_GRACENOTE))
            continue;
        MCEventList graces;
        for (POSITION at = children->GetHeadPosition(); at;) {
            ECBase* child = children->GetNext(at);
            if (child->GetClassType() == ET_GRACENOTE || child->GetClassType() == ET_CHORD)
                graces.AddEvent(child, UNSORTED);
        }
        DCBase* display = GetNotateData(note);
        const int start = NotateTickStart(display, STORED);
        const int duration = NotateTickDuration(display, STORED);
        if (start < 0 || duration < 0)
            continue;   // no notation data: its grace notes are left alone
        AddChildrenToBeam(graces, note, ClampTicks(start), ClampTicks(start + duration), kNoOption);
    }
}
