// ANRest: the walk over each voice, the rests it makes and the merging of
// rests that several voices share.
#include "notation/autonote/rest.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/staff.h"
#include "notation/autonote/notatelinks.h"
#include "notation/display/measure.h"
#include "notation/display/notate.h"
#include "notation/display/rest.h"
#include "notation/display/tuplet.h"
#include "notation/view/dirtyrect.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

// Tick reading modes of a notated element: scaled to the measure's plain
// division, or as stored (inside a tuplet, the tuplet's own ticks).
constexpr int SCALED = 0;
constexpr int STORED = 1;
constexpr WORD BORROWED_BASE = 1;
constexpr WORD BASE_IN_EFFECT = 2;
constexpr WORD WHOLE_VALUE = 1024;
constexpr unsigned FIRST_LOWER_VOICE = 4;
constexpr unsigned LAST_LOWER_VOICE = 7;
constexpr unsigned LAST_UPPER_VOICE = 3;
constexpr int FROM_BOTH_BOUNDS = 0;
constexpr int FROM_START_ONLY = 3;
constexpr int CHILDREN_ONLY = 1;

DCctNotate* NotateOf(ECBase* element) {
    return dynamic_cast<DCctNotate*>(GetNotateData(element));
}

// The track a new element of `parent` takes: the parent's (2047 when the
// parent's word is a converted one).
int TrackOf(ECBase* parent) {
    MCVoiceTrack* word = parent ? parent->GetVoiceTrack() : nullptr;
    return word ? word->GetTrack() : 0;
}

// The rests of `voice` that are children of `parent` with a time in
// [start, end] (the end included only with `mode` FROM_BOTH_BOUNDS).
void RestsOfVoice(MCEventList& out, ECBase* parent, const MCTime& start, const MCTime& end, int mode,
                  unsigned voice) {
    ACFindTime find(start, end, mode);
    find.AddEvtType(ET_REST);
    find.SetDepth(CHILDREN_ONLY);
    find.Apply(parent);
    MCEventList& found = find.GetEvents();
    for (POSITION pos = found.GetHeadPosition(); pos;) {
        ECBase* rest = found.GetNext(pos);
        if (ANBase::GetVoice(rest) == voice && rest->GetParents()->Find(parent))
            out.AddEvent(rest, UNSORTED);
    }
}

// Takes out of the measure the rests of voices its voice table no longer
// holds (the rests an edit left of a voice whose notes went): a fresh
// notation gives such a voice nothing there.
void RemoveRestsOfOtherVoices(ECBase* measure, const std::vector<BYTE>& voices, ECPerformance* performance,
                              DirtyRect* update) {
    std::vector<ECBase*> stale;
    MCEventList* children = measure->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetClassType() == ET_REST &&
            std::find(voices.begin(), voices.end(), static_cast<BYTE>(ANBase::GetVoice(child))) == voices.end())
            stale.push_back(child);
    }
    if (stale.empty())
        return;
    std::unique_lock<CCriticalSection> lock;
    if (performance)
        lock = std::unique_lock<CCriticalSection>(performance->GetLock());
    for (ECBase* rest : stale) {
        if (update)
            update->AddEvent(measure);
        measure->RemoveChild(rest, 1);
    }
}

}  // namespace

ANRest::ANRest() = default;
ANRest::~ANRest() = default;

ECBase* ANRest::MeasureOf(ECBase* parent) {
    if (!parent || parent->GetClassType() == ET_MEASURE)
        return parent;
    return parent->GetAncestor(ET_MEASURE, -1);
}

void ANRest::DoMeasure(ECStaff* staff, ECMeasure* measure, ECMeter* meter) {
    if (m_pPerformance)
        m_pConductor = m_pPerformance->GetConductor();
    auto* display = measure ? dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0)) : nullptr;
    if (!display || !meter || !display->RestDirty())
        return;
    const WORD resolution = display->GetRuler().GetResolution(MCRuler::ACTIVE_GROUP);
    if (resolution != 0)
        m_resolution = resolution;
    // The division walk works for this pass: the same tree, lock and list.
    m_division.Attach(m_pPerformance);
    m_division.SetConductor(m_pConductor);
    m_division.SetUpdateRect(m_pUpdate);
    m_division.SetResolution(m_resolution);

    MCEventList elements;
    MCEventList* children = measure->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        const int type = child->GetClassType();
        if (type == ET_NOTE || type == ET_TUPLET || type == ET_CHORD)
            elements.AddEvent(child, UNSORTED);
    }
    // A copy: the table is read while rests are added below.
    const std::vector<BYTE> voices = display->GetVoiceTable();
    if (!voices.empty())
        RemoveRestsOfOtherVoices(measure, voices, m_pPerformance, m_pUpdate);

    if (elements.IsEmpty() || voices.empty()) {
        for (BYTE voice : voices)
            FillWithWholeRest(measure, meter, voice);
    } else {
        const int length = meter->GetTicksPerMeasure(TICKS_PER_QUARTER);
        for (BYTE voice : voices) {
            int position = 0;
            for (POSITION pos = elements.GetHeadPosition(); pos;) {
                ECBase* element = elements.GetNext(pos);
                if (GetVoice(element) != voice)
                    continue;
                if (element->GetClassType() != ET_TUPLET) {
                    position = DoRest(position, element, measure, meter, voice);
                    continue;
                }
                auto* tupletDisplay = dynamic_cast<DCctTuplet*>(GetNotateData(element));
                if (!tupletDisplay)
                    continue;
                const int start = tupletDisplay->GetTickStart(DCctTuplet::TICKS_NORMAL);
                if (start == position) {
                    position = DoTupletRest(position, static_cast<ECTuplet*>(element), meter, voice);
                } else if (start > position) {
                    FillWithRest(start, position, measure, meter, voice, 0);
                    position = DoTupletRest(start, static_cast<ECTuplet*>(element), meter, voice);
                }
            }
            if (position < length)
                DoEndRest(position, length, measure, meter, voice, 0);
        }
    }
    if (voices.size() > 1)
        ConsolidateRests(staff, measure);
    display->SetRestDirty(0);
}

int ANRest::DoRest(int position, ECBase* element, ECBase* parent, ECMeter* meter, int voice) {
    DCctNotate* display = NotateOf(element);
    if (!display)
        return position;   // nothing known of its place: the walk stays put
    const int start = display->GetTickStart(STORED);
    if (position < start)
        FillWithRest(start, position, parent, meter, voice, display->GetBase(BASE_IN_EFFECT));
    return start + display->GetTickDuration(STORED);
}

int ANRest::DoTupletRest(int position, ECTuplet* tuplet, ECMeter* meter, int voice) {
    auto* display = dynamic_cast<DCctTuplet*>(GetNotateData(tuplet));
    if (!display)
        return position;
    const int plain = display->GetBase(DCctTuplet::BASE_PLAIN);
    const int borrowed = display->GetBase(DCctTuplet::BASE_BORROWED);
    // A tuplet whose division is unknown is stepped over whole.
    if (plain == 0)
        return display->GetTickStart(DCctTuplet::TICKS_NORMAL) + display->GetTickDuration(DCctTuplet::TICKS_NORMAL);
    MCEventList members;
    MCEventList* children = tuplet->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;)
        members.AddEvent(children->GetNext(pos), UNSORTED);
    if (members.IsEmpty())
        return position;

    const int first = position * borrowed / plain;
    int inner = first;
    int lastBase = 0;
    for (POSITION pos = members.GetHeadPosition(); pos;) {
        ECBase* member = members.GetNext(pos);
        const int type = member->GetClassType();
        if (type != ET_NOTE && type != ET_CHORD && type != ET_REST)
            continue;
        inner = DoRest(inner, member, tuplet, meter, voice);
        if (DCctNotate* memberDisplay = NotateOf(member))
            lastBase = memberDisplay->GetBase(BORROWED_BASE);
    }
    // The tuplet's end, in the same own ticks as its members.
    const int gap = display->GetTickDuration(DCctTuplet::TICKS_OWN) + first - inner;
    if (gap > 0)
        FillWithRest(inner + gap, inner, tuplet, meter, voice, lastBase);
    return position + display->GetTickDuration(DCctTuplet::TICKS_NORMAL);
}

void ANRest::DoEndRest(int position, int end, ECBase* parent, ECMeter* meter, int voice, int base) {
    if (position != 0)
        FillWithRest(end, position, parent, meter, voice, base);
    else
        FillWithWholeRest(parent, meter, voice);
}

void ANRest::FillWithRest(int end, int start, ECBase* parent, ECMeter* meter, int voice, int base) {
    ECBase* measure = MeasureOf(parent);
    if (!measure || end <= start || start < 0)
        return;
    const int unit = GetBase(meter);
    int perQuarter = TICKS_PER_QUARTER;
    if (base != 0) {
        if (unit == 0)
            return;
        perQuarter = base * TICKS_PER_QUARTER / unit;
        if (perQuarter == 0)
            return;
    }
    MCTime measureTime = *measure->GetTime();
    auto timeAt = [&](int ticks) {
        MCTime time = measureTime;
        time.AddTicks(ticks, perQuarter);
        return time;
    };
    const RestScale scale{measureTime, perQuarter, base != 0 ? base : unit, unit};
    if (!m_pUpdate) {
        NewRest(start, end, parent, meter, voice, scale);
        return;
    }

    // Rests the voice kept from before stand in the gap: the gap is shared
    // out among them, each reaching to the next (or the gap's end), and new
    // rests fill only what lies in front of the first. A kept rest is never
    // lengthened over the one after it: it would be divided into parts
    // standing where that one stands.
    struct Kept {
        ECBase* rest;
        DCctNotate* display;
        int start;
    };
    std::vector<Kept> kept;
    MCEventList existing;
    RestsOfVoice(existing, parent, timeAt(start), timeAt(end), FROM_START_ONLY, static_cast<unsigned>(voice));
    const MCTime endTime = timeAt(end);
    for (POSITION pos = existing.GetHeadPosition(); pos;) {
        ECBase* rest = existing.GetNext(pos);
        DCctNotate* display = NotateOf(rest);
        if (display && *rest->GetTime() < endTime)
            kept.push_back({rest, display, display->GetTickStart(STORED)});
    }
    std::stable_sort(kept.begin(), kept.end(), [](const Kept& a, const Kept& b) { return a.start < b.start; });
    int cursor = start;
    for (size_t i = 0; i < kept.size(); ++i) {
        const Kept& rest = kept[i];
        if (rest.start < cursor)
            continue;   // a second rest at one place: what it covers is covered
        if (rest.start > cursor)
            NewRest(cursor, rest.start, parent, meter, voice, scale);
        int reach = end;
        for (size_t j = i + 1; j < kept.size() && reach == end; ++j)
            if (kept[j].start > rest.start)
                reach = std::min(reach, kept[j].start);
        // A kept rest marked for the value pass (its measure was marked
        // whole) is divided again even where its length stands.
        if (rest.display->GetTickDuration(STORED) != reach - rest.start || rest.display->ValueDirty()) {
            rest.display->SetTickDuration(static_cast<WORD>(reach - rest.start));
            m_pUpdate->AddEvent(rest.rest);
            DivideRest(rest.display, meter, parent, measureTime);
        }
        cursor = reach;
    }
    if (cursor < end)
        NewRest(cursor, end, parent, meter, voice, scale);
}

void ANRest::NewRest(int start, int end, ECBase* parent, ECMeter* meter, int voice, const RestScale& scale) {
    MCTime startTime = scale.measureTime;
    startTime.AddTicks(start, scale.perQuarter);
    auto* rest = new ECRest;
    rest->SetTime(&startTime);
    MCVoiceTrack word(voice, TrackOf(parent));
    rest->SetVoiceTrack(&word);
    auto* display = dynamic_cast<DCctNotate*>(rest->GetData(DK_NOTATION, 1));
    if (!display) {
        rest->Unref(1);
        return;
    }
    display->SetTickStart(static_cast<WORD>(start));
    display->SetTickDuration(static_cast<WORD>(end - start));
    display->SetBase(static_cast<WORD>(scale.base), static_cast<WORD>(scale.unit));
    display->SetTimeDirty(0);
    AddRest(parent, rest);
    MCTime measureTime = scale.measureTime;
    DivideRest(display, meter, parent, measureTime);
}

void ANRest::FillWithWholeRest(ECBase* parent, ECMeter* meter, int voice) {
    ECBase* measure = MeasureOf(parent);
    if (!measure || !meter)
        return;
    const MCTime time = *measure->GetTime();
    if (m_pUpdate) {
        MCEventList existing;
        RestsOfVoice(existing, parent, time, time, FROM_BOTH_BOUNDS, static_cast<unsigned>(voice));
        if (!existing.IsEmpty())
            return;
    }
    auto* rest = new ECRest;
    rest->SetTime(&time);
    MCVoiceTrack word(voice, TrackOf(parent));
    rest->SetVoiceTrack(&word);
    auto* display = dynamic_cast<DCctRest*>(rest->GetData(DK_NOTATION, 1));
    if (!display) {
        rest->Unref(1);
        return;
    }
    const WORD unit = GetBase(meter);
    display->SetTickStart(0);
    display->SetTickDuration(meter->GetTicksPerMeasure(TICKS_PER_QUARTER));
    display->SetValue(WHOLE_VALUE);
    display->SetBase(unit, unit);
    display->SetTimeDirty(0);
    display->SetValueDirty(0);
    AddRest(parent, rest);
}

void ANRest::ConsolidateRests(ECStaff* staff, ECMeasure* measure) {
    MCEventList* children = measure ? measure->GetChildren() : nullptr;
    if (!children || children->IsEmpty())
        return;
    MCEventList rests;
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetClassType() == ET_REST)
            rests.AddEvent(child, UNSORTED);
    }
    auto merge = [&](const MCEventList& group) {
        for (POSITION pos = group.GetHeadPosition(); pos;) {
            ECBase* rest = group.GetNext(pos);
            if (auto* display = dynamic_cast<DCctRest*>(GetNotateData(rest)))
                AddToChordList(rest, display, measure);
        }
        ChordList(measure);
    };
    if (!staff || staff->GetStaffType() != DCctMeasure::STAFF_GRAND) {
        merge(rests);
        return;
    }
    // The two staves of a grand staff show their own rests.
    MCEventList half;
    GetDataByVoice(half, rests, 0, LAST_UPPER_VOICE);
    merge(half);
    GetDataByVoice(half, rests, FIRST_LOWER_VOICE, LAST_LOWER_VOICE);
    merge(half);
}

void ANRest::AddToChordList(ECBase* rest, DCctRest* display, ECBase* parent) {
    const WORD start = display->GetTickStart(SCALED);
    const WORD duration = display->GetTickDuration(SCALED);
    if (!m_run.IsEmpty() && start == m_runStart && duration == m_runDuration) {
        m_run.AddEvent(rest, UNSORTED);
        return;
    }
    ChordList(parent);
    m_runStart = start;
    m_runDuration = duration;
    m_run.AddEvent(rest, UNSORTED);
}

void ANRest::ChordList(ECBase* parent) {
    const int count = m_run.GetCount();
    if (count >= 2) {
        std::unique_lock<CCriticalSection> lock;
        if (m_pPerformance)
            lock = std::unique_lock<CCriticalSection>(m_pPerformance->GetLock());
        // The lowest voice's rest is the one shown, whichever was made
        // first: a measure notated again shows the same rest as one
        // notated afresh.
        ECBase* shown = m_run.GetHead();
        for (POSITION pos = m_run.GetHeadPosition(); pos;) {
            ECBase* rest = m_run.GetNext(pos);
            if (GetVoice(rest) < GetVoice(shown))
                shown = rest;
        }
        if (auto* display = dynamic_cast<DCctRest*>(GetNotateData(shown)))
            display->SetConsolidated(1);
        for (POSITION pos = m_run.GetHeadPosition(); pos;) {
            ECBase* rest = m_run.GetNext(pos);
            if (rest != shown)
                parent->RemoveChild(rest, 1);
        }
        if (m_pUpdate)
            m_pUpdate->AddEvent(shown);
    } else if (count == 1) {
        ECBase* alone = m_run.GetHead();
        auto* display = dynamic_cast<DCctRest*>(GetNotateData(alone));
        if (display && display->GetConsolidated()) {
            display->SetConsolidated(0);
            if (m_pUpdate)
                m_pUpdate->AddEvent(alone);
        }
    }
    m_run.RemoveAll();
}

void ANRest::AddRest(ECBase* parent, ECBase* rest) {
    {
        std::unique_lock<CCriticalSection> lock;
        if (m_pPerformance)
            lock = std::unique_lock<CCriticalSection>(m_pPerformance->GetLock());
        parent->AddChild(rest, SORTED);
    }
    if (m_pUpdate)
        m_pUpdate->AddEvent(rest);
}

void ANRest::DivideRest(DCctNotate* display, ECMeter* meter, ECBase* parent, MCTime& measureTime) {
    constexpr int NO_MARK = 0;
    if (parent->GetClassType() != ET_TUPLET) {
        DCctNotate* walked = display;
        m_division.DoMeasureDivisions(walked, meter, parent, measureTime, NO_MARK, nullptr, nullptr);
        return;
    }
    auto* tupletDisplay = dynamic_cast<DCctTuplet*>(GetNotateData(parent));
    ECMeter borrowed;
    if (!tupletDisplay || !tupletDisplay->GetBorrowedMeter(meter, &borrowed))
        return;   // no division known: the rest stays one value
    uint16_t start = tupletDisplay->GetTickStart(DCctTuplet::TICKS_OWN);
    uint16_t end = static_cast<uint16_t>(start + tupletDisplay->GetTickDuration(DCctTuplet::TICKS_OWN));
    DCctNotate* walked = display;
    m_division.DoMeasureDivisions(walked, &borrowed, parent, measureTime, NO_MARK, &start, &end);
}
