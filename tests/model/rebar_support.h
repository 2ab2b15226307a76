// Test support for the measure and meter commands: a piece whose events are
// counted while they live, commands run to their end, events placed by one
// call, and the checker of what re-barring must leave intact:
//   the grid      every conductor measure's column holds one measure per
//                 staff at its own time, each a child of its staff and none
//                 besides; the measures follow one another at the length of
//                 the meter in force; the end time ends the last one; every
//                 meter stands at a bar line (or at the end);
//   the events    every timed child of a measure lies inside it (a clef
//                 written before a bar line stands at the measure's end), on
//                 the measure's track; children lists are in time order;
//   the caches    every meter and tempo is found at its time, every clef and
//                 key by its staff at its time;
//   the mirrors   each shows nothing, or an event of the tree that lists it;
//   the counts    every event's reference count is what the tree's lists
//                 hold on it (parents, children, mirror lists) and, for the
//                 performance, the test's own hold; no event of the test's
//                 making lives outside the tree.
#pragma once

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/metercommands.h"
#include "model/mirror.h"
#include "model/notes.h"
#include "model/staff.h"
#include "model/tempo.h"
#include "tests/model/piece_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace rebar {

// Events of the tests' making that are alive.
inline int g_live = 0;

// What every counted event is besides its own class.
struct Counted {
    virtual ~Counted() = default;
};

// Any event class, counted while it lives. It archives as its base class.
template <class T>
using Live = eventio::Counting<T, g_live, Counted>;

inline bool IsLive(ECBase* event) {
    return dynamic_cast<Counted*>(event) != nullptr;
}

using document::TreeEvents;

inline float Seconds(ECBase* event) {
    return event->GetTime()->GetSeconds();
}

// The checker (see the top of this file). `holds` is the number of references
// the test itself keeps on the performance; `counted` says whether the
// piece's events were made through Live (a loaded piece's are not). Empty
// when all is well, else one line per fault found (the first dozen).
inline std::string CheckPiece(ECPerformance* performance, int holds, bool counted = true) {
    std::ostringstream faults;
    int reported = 0;
    const auto fault = [&](const std::string& text) {
        if (++reported <= 12)
            faults << text << "\n";
    };
    ECConductor* conductor = performance->GetConductor();
    auto* cs = static_cast<ECConductorStaff*>(conductor->GetTrack(TRACK_CONDUCTOR, 0, 0));
    const int staves = cs->GetMaxStaffNumber();
    const int count = cs->GetMaxMeasureNumber();

    // ---- the grid ----
    std::vector<float> starts;
    float expected = 0.0f;
    for (int number = 1; number <= count; ++number) {
        auto* column = dynamic_cast<ECConductorMeasure*>(cs->GetMeasure(TRACK_CONDUCTOR, number));
        if (!column) {
            fault("no conductor measure " + std::to_string(number));
            return faults.str();
        }
        const float start = Seconds(column);
        if (start != expected)
            fault("measure " + std::to_string(number) + " starts at " + std::to_string(start) + ", not " +
                  std::to_string(expected));
        starts.push_back(start);
        if (column->GetHighestTrackIndex() != staves)
            fault("column " + std::to_string(number) + " has " + std::to_string(column->GetHighestTrackIndex()) +
                  " tracks");
        for (int track = 1; track <= staves; ++track) {
            ECMeasure* measure = column->GetMeasureOnTrack(track);
            ECStaff* staff = cs->GetStaff(track, 0);
            if (!measure || Seconds(measure) != start || !staff->GetChildren()->Find(measure) ||
                measure->GetVoiceTrack()->GetTrack() != track)
                fault("measure " + std::to_string(number) + " of staff " + std::to_string(track) + " is off");
        }
        ECMeter* meter = conductor->GetMeterAtTime(MCTime(start));
        expected = start + meter->GetMeasureLength();
    }
    if (cs->GetMaxMeasureEndTime().GetSeconds() != expected)
        fault("end time " + std::to_string(cs->GetMaxMeasureEndTime().GetSeconds()) + ", the measures end at " +
              std::to_string(expected));
    const auto measureChildren = [](ECBase* track) {
        int measures = 0;
        for (POSITION pos = track->GetChildren()->GetHeadPosition(); pos;) {
            const int type = track->GetChildren()->GetNext(pos)->GetClassType();
            measures += type == ET_MEASURE || type == ET_CONDUCTORMEASURE;
        }
        return measures;
    };
    for (int track = 0; track <= staves; ++track)
        if (measureChildren(cs->GetStaff(track, 0)) != count)
            fault("track " + std::to_string(track) + " holds " +
                  std::to_string(measureChildren(cs->GetStaff(track, 0))) + " measures, the grid " +
                  std::to_string(count));

    // The measure number holding a time, 0 outside the grid.
    const auto numberAt = [&](float t) {
        int number = 0;
        for (int i = 0; i < count && starts[static_cast<size_t>(i)] <= t; ++i)
            number = i + 1;
        return t < expected ? number : 0;
    };

    // ---- meters, tempos and the conductor's cache ----
    for (POSITION pos = cs->GetChildren()->GetHeadPosition(); pos;) {
        ECBase* child = cs->GetChildren()->GetNext(pos);
        const int type = child->GetClassType();
        if (type == ET_METER) {
            const float t = Seconds(child);
            if (conductor->GetMeterAtTime(MCTime(t)) != child)
                fault("the cache lost the meter at " + std::to_string(t));
            bool onBarLine = t == expected;
            for (float start : starts)
                onBarLine = onBarLine || start == t;
            if (!onBarLine)
                fault("the meter at " + std::to_string(t) + " is off the bar lines");
        } else if (type == ET_TEMPO && conductor->GetTempoAtTime(MCTime(Seconds(child))) != child) {
            fault("the cache lost the tempo at " + std::to_string(Seconds(child)));
        }
    }

    // ---- events in their measures, clefs and keys in their caches ----
    for (int track = 0; track <= staves; ++track) {
        ECStaff* staff = cs->GetStaff(track, 0);
        for (int number = 1; number <= count; ++number) {
            ECMeasure* measure = cs->GetMeasure(track, number);
            const float end = number < count ? starts[static_cast<size_t>(number)] : expected;
            MCEventList* children = measure->GetChildren();
            for (POSITION pos = children->GetHeadPosition(); pos;) {
                ECBase* child = children->GetNext(pos);
                if (!child->GetTime())
                    continue;
                const float t = Seconds(child);
                const bool atBarLine = child->GetClassType() == ET_CLEF && t == end;
                if (numberAt(t) != number && !atBarLine)
                    fault(ECBase::GetEventString(child->GetClassType()) + " at " + std::to_string(t) +
                          " sits in measure " + std::to_string(number) + " of track " + std::to_string(track));
                if (track > 0 && child->GetVoiceTrack()->GetTrack() != track)
                    fault("an event of track " + std::to_string(child->GetVoiceTrack()->GetTrack()) +
                          " sits on track " + std::to_string(track));
                if (child->GetClassType() == ET_CLEF) {
                    ECClef* cached = staff->GetClefAtTime(MCTime(t), GetCacheHand(child));
                    if (!cached || Seconds(cached) != t)
                        fault("staff " + std::to_string(track) + " lost its clef at " + std::to_string(t));
                }
                if (child->GetClassType() == ET_KEY) {
                    ECKey* cached = staff->GetKeyAtTime(MCTime(t), GetCacheHand(child));
                    if (!cached || Seconds(cached) != t)
                        fault("staff " + std::to_string(track) + " lost its key at " + std::to_string(t));
                }
            }
        }
    }

    // ---- order, mirrors and counts over the whole tree ----
    const std::vector<ECBase*> events = TreeEvents(performance);
    const std::set<ECBase*> inTree(events.begin(), events.end());
    std::map<ECBase*, int> listed;   // entries of mirror lists held by tree events
    int live = 0;
    for (ECBase* event : events) {
        live += IsLive(event);
        if (MCEventList* mirrors = GetMirrorList(event))
            for (POSITION pos = mirrors->GetHeadPosition(); pos;)
                ++listed[mirrors->GetNext(pos)];
        if (MCEventList* children = event->GetChildren()) {
            const MCTime* previous = nullptr;
            for (POSITION pos = children->GetHeadPosition(); pos;) {
                ECBase* child = children->GetNext(pos);
                const MCTime* t = child->GetTime();
                if (previous && (!t || *t < *previous))
                    fault(ECBase::GetEventString(event->GetClassType()) + " has its children out of order");
                if (t)
                    previous = t;
                if (!child->GetParents()->Find(event))
                    fault("a child does not name its parent");
            }
        }
        if (auto* mirror = DYNAMIC_DOWNCAST(ECMirror, event)) {
            ECBase* shown = mirror->GetMirrorEvent();
            if (shown && (!inTree.count(shown) || !GetMirrorList(shown) || !GetMirrorList(shown)->Find(mirror)))
                fault("a mirror shows an event outside the tree");
        }
    }
    for (ECBase* event : events) {
        int refs = event->GetParents()->GetCount() + listed[event];
        if (MCEventList* children = event->GetChildren())
            refs += children->GetCount();
        if (event == performance)
            refs += holds;
        if (event->GetRefCount() != refs)
            fault(ECBase::GetEventString(event->GetClassType()) + " holds " +
                  std::to_string(event->GetRefCount()) + " references, the tree " + std::to_string(refs));
    }
    if (counted && live != g_live)
        fault(std::to_string(g_live - live) + " events of the test live outside the tree");
    return faults.str();
}

// A piece of staves and measures whose events are made and checked here.
class RebarTest : public piece::PieceTest {
protected:
    void SetUp() override {
        g_live = 0;
        PieceTest::SetUp();
    }
    void TearDown() override {
        PieceTest::TearDown();
        EXPECT_EQ(g_live, 0) << "events of the test outlived the piece";
    }

    // Runs a command to its end; the manager deletes it.
    void Run(CCBase* command) {
        command->SetSynchronous(1);
        ASSERT_EQ(command->Apply(m_performance), 1);
    }
    // Runs a command that stays the test's, so that its getters can be read
    // afterwards.
    template <class Command>
    std::unique_ptr<Command> RunKept(Command* command) {
        command->SetAutoDelete(0);
        command->SetStateNotify(0);
        command->SetSynchronous(1);
        EXPECT_EQ(command->Apply(m_performance), 1);
        return std::unique_ptr<Command>(command);
    }
    std::string Check() { return CheckPiece(m_performance, 1); }
    // Makes measures of the meters in force until the grid reaches `end`.
    void GrowTo(float end) { ASSERT_NE(m_conductor->GetMeasure(0, MCTime(end - 0.25f), 1, 1), nullptr); }

    // A meter of the test at a time (voice 0, track 0, as the meter tool
    // places one), not yet in the tree.
    static ECMeter* NewMeter(int numerator, int denominator, float time) {
        auto* meter = new Live<ECMeter>(static_cast<unsigned char>(numerator),
                                        static_cast<unsigned char>(denominator), 255);
        piece::Place(meter, time, 0, 0);
        return meter;
    }
    // Adds a meter by command and answers it.
    ECMeter* AddMeter(int numerator, int denominator, float time) {
        ECMeter* meter = NewMeter(numerator, denominator, time);
        Run(new CCAddMeter(meter));
        return meter;
    }
    // Events of the test under the measure of their track that holds their
    // time, made when needed, through one add command.
    template <class T, class... Args>
    T* Put(int track, float time, Args&&... args) {
        auto* event = new Live<T>(std::forward<Args>(args)...);
        piece::Place(event, time, track == 0 ? 14 : 1, track);
        ECMeasure* measure = m_conductor->GetMeasure(track, MCTime(time), 1, 1);
        Run(new CCAdd(event, measure));
        return event;
    }
    ECNote* Note(int track, float time) { return Put<ECNote>(track, time, MCTime(time), MCTime(0.5f)); }
    ECClef* Clef(int track, float time, unsigned char type, unsigned char hand = 0) {
        auto* clef = new Live<ECClef>(type);
        clef->SetHand(hand);
        piece::Place(clef, time, 0, track);
        PutInto(clef, Measure(track, time));
        return clef;
    }
    ECKey* Key(int track, float time, short accidentals) {
        auto* key = new Live<ECKey>(accidentals, static_cast<unsigned char>(0));
        piece::Place(key, time, 0, track);
        PutInto(key, Measure(track, time));
        return key;
    }
    // A tempo on the conductor staff.
    ECTempo* Tempo(float time) {
        auto* tempo = new Live<ECTempo>;
        piece::Place(tempo, time, 14, 0);
        PutInto(tempo, ConductorStaff());
        return tempo;
    }
    // A mirror of `shown` in a measure.
    ECMirror* Mirror(ECBase* shown, int track, float time) {
        auto* mirror = new ECMirror;
        piece::Place(mirror, time, 0, track);
        mirror->SetMirrorEvent(shown, 1);
        PutInto(mirror, Measure(track, time));
        return mirror;
    }
    void PutInto(ECBase* event, ECBase* parent) { Run(new CCAdd(event, parent)); }

    ECMeasure* Measure(int track, float time) { return m_conductor->GetMeasure(track, MCTime(time), 1, 1); }
    // The number of the measure an event sits in (its measure parent's place
    // in the grid), 0 when it sits in none.
    int MeasureOf(ECBase* event) {
        ECBase* measure = event->GetAncestor(ET_MEASURE, 1);
        if (!measure)
            return 0;
        const int track = measure->GetVoiceTrack()->GetTrack();
        for (int number = 1; number <= m_conductor->GetMaxMeasureNumber(); ++number)
            if (m_conductor->GetMeasure(track, number) == measure)
                return number;
        return 0;
    }
    // The start of every conductor measure, then the end time.
    std::vector<float> Grid() {
        std::vector<float> times;
        for (int number = 1; number <= m_conductor->GetMaxMeasureNumber(); ++number)
            times.push_back(Seconds(m_conductor->GetMeasure(TRACK_CONDUCTOR, number)));
        times.push_back(m_conductor->GetMaxMeasureEndTime().GetSeconds());
        return times;
    }
    // The meters of the conductor staff as "n/d@time", in order.
    std::vector<std::string> Meters() {
        std::vector<std::string> meters;
        MCEventList* children = ConductorStaff()->GetChildren();
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            auto* meter = DYNAMIC_DOWNCAST(ECMeter, children->GetNext(pos));
            if (meter)
                meters.push_back(std::to_string(meter->GetNumerator()) + "/" +
                                 std::to_string(meter->GetDenominator()) + "@" + FormatTime(Seconds(meter)));
        }
        return meters;
    }
    static std::string FormatTime(float t) {
        std::ostringstream out;
        out << t;
        return out.str();
    }
    bool InTree(ECBase* event) {
        const std::vector<ECBase*> events = TreeEvents(m_performance);
        return std::find(events.begin(), events.end(), event) != events.end();
    }
};

}  // namespace rebar
