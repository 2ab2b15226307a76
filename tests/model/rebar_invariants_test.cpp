// Re-barring under a long run of edits: a piece of four staves (notes,
// chords, tuplets, rests, clefs of two hands and keys at the start, clef
// changes at bar lines and before them, mirrors, staff marks, tempos, a wave
// track) takes a few hundred measure insertions and deletions and meter
// additions and removals, drawn from a fixed seed. After every command the
// music is checked against what the command may do to it (what lies before
// the change stays, what follows moves by one amount, only what a deletion
// covers goes), and the whole piece is checked (rebar_support.h: the grid,
// every event in its measure, the caches, the mirrors, the reference counts,
// no event of the test left alive outside the tree); every so often it is
// saved as a document saves, loaded, checked and saved again to the same
// bytes.
#include "model/measurecommands.h"
#include "model/metercommands.h"

#include "model/groupmarks.h"
#include "model/markings.h"
#include "model/midievents.h"
#include "model/textmarks.h"
#include "tests/model/rebar_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <set>
#include <sstream>
#include <utility>
#include <string>
#include <vector>

namespace {

using rebar::Live;
using rebar::RebarTest;
using rebar::Seconds;

constexpr int kStaves = 4;
constexpr int kCommands = 300;
constexpr int kSaveEvery = 60;

// The draws of the run: a plain linear congruential generator, so that the
// sequence is the same with every standard library.
class Draw {
public:
    explicit Draw(uint32_t seed) : m_seed(seed) {}
    // 0 to range - 1.
    int operator()(int range) {
        m_seed = m_seed * 1103515245u + 12345u;
        return static_cast<int>((m_seed >> 16) % static_cast<uint32_t>(range));
    }

private:
    uint32_t m_seed;
};

struct Fraction {
    int numerator, denominator;
};
constexpr Fraction kMeters[] = {
    {2, 4}, {3, 4}, {4, 4}, {5, 8}, {6, 8}, {3, 8}, {7, 8}, {2, 2}, {5, 4}, {12, 8}, {9, 8}, {3, 2},
};

class RebarInvariants : public RebarTest {
protected:
    // The start of measure `number` (1-based), or the end time past the last.
    float StartOf(int number) {
        if (number > m_conductor->GetMaxMeasureNumber())
            return m_conductor->GetMaxMeasureEndTime().GetSeconds();
        return Seconds(m_conductor->GetMeasure(TRACK_CONDUCTOR, number));
    }
    float LengthOf(int number) { return m_conductor->GetMeterAtTime(MCTime(StartOf(number)))->GetMeasureLength(); }

    template <class T>
    T* Placed(T* event, float time, int voice, int track) {
        piece::Place(event, time, voice, track);
        return event;
    }

    // Music for one measure of one staff, added to `add`: notes on some of
    // its half beats, now and then a chord, a tuplet or a rest; sometimes a
    // clef change at its start, or one written before its closing bar line.
    void FillMeasure(CCAdd& add, Draw& draw, int track, int number) {
        ECMeasure* measure = m_conductor->GetMeasure(track, number);
        const float start = StartOf(number);
        const float length = LengthOf(number);
        for (float t = start; t < start + length; t += 0.5f) {
            switch (draw(8)) {
            case 0:
            case 1:
                add.Add(Placed(new Live<ECNote>(MCTime(t), MCTime(0.5f)), t, 1, track), measure, FCMidi::MidiNull());
                break;
            case 2: {
                auto* chord = Placed(new Live<ECChord>, t, 1, track);
                add.Add(chord, measure, FCMidi::MidiNull());
                for (int i = 0; i < 2; ++i)
                    add.Add(Placed(new Live<ECNote>(MCTime(t), MCTime(0.5f)), t, 1, track), chord,
                            FCMidi::MidiNull());
                break;
            }
            case 3: {
                auto* tuplet = Placed(new Live<ECTuplet>(3, 2, 3), t, 2, track);
                add.Add(tuplet, measure, FCMidi::MidiNull());
                add.Add(Placed(new Live<ECNote>(MCTime(t), MCTime(0.25f)), t, 2, track), tuplet,
                        FCMidi::MidiNull());
                add.Add(Placed(new Live<ECRest>, t + 0.25f, 2, track), tuplet, FCMidi::MidiNull());
                break;
            }
            case 4:
                add.Add(Placed(new Live<ECRest>, t, 3, track), measure, FCMidi::MidiNull());
                break;
            default:
                break;
            }
        }
        if (number > 1 && draw(6) == 0)
            add.Add(Placed(new Live<ECClef>(static_cast<unsigned char>(draw(4))), start, 0, track), measure,
                    FCMidi::MidiNull());
        if (draw(10) == 0)   // a change written before the closing bar line
            add.Add(Placed(new Live<ECClef>(static_cast<unsigned char>(draw(4))), start + length, 0, track), measure,
                    FCMidi::MidiNull());
    }

    void BuildPiece(Draw& draw) {
        MakeStaves(kStaves);
        MakeMeasures(12);
        ECTrack* waveTrack = m_conductor->GetTrack(TRACK_WAVE, 1, 1);
        auto* add = new CCAdd;
        for (int track = 1; track <= kStaves; ++track) {
            ECMeasure* first = m_conductor->GetMeasure(track, 1);
            add->Add(Placed(new Live<ECClef>(static_cast<unsigned char>(track % 3)), 0.0f, 0, track), first,
                     FCMidi::MidiNull());
            add->Add(Placed(new Live<ECKey>(static_cast<short>(track - 2), static_cast<unsigned char>(0)), 0.0f, 0,
                            track),
                     first, FCMidi::MidiNull());
            if (track == kStaves) {   // a grand staff's lower hand
                auto* lower = Placed(new Live<ECClef>(1), 0.0f, 0, track);
                lower->SetHand(1);
                add->Add(lower, first, FCMidi::MidiNull());
            }
            ECStaff* staff = Staff(track);
            add->Add(Placed(new Live<ECProgramChange>, 0.0f, 0, track), staff, FCMidi::MidiNull());
            for (int number = 1; number <= 12; ++number) {
                FillMeasure(*add, draw, track, number);
                if (number % 5 == 2)
                    add->Add(Placed(new Live<ECDynamic>(static_cast<unsigned char>(number % 8), MCTime(0.0f)),
                                    StartOf(number) + 1.0f, 1, track),
                             staff, FCMidi::MidiNull());
            }
        }
        ECConductorStaff* conductorStaff = ConductorStaff();
        add->Add(Placed(new Live<ECTempo>, 0.0f, 14, 0), conductorStaff, FCMidi::MidiNull());
        add->Add(Placed(new Live<ECTempo>, 20.0f, 14, 0), conductorStaff, FCMidi::MidiNull());
        add->Add(Placed(new Live<ECText>(1, "Rebarred"), 0.0f, 14, 0), conductorStaff, FCMidi::MidiNull());
        for (float t : {4.0f, 30.0f})
            add->Add(Placed(new Live<ECWave>(MCTime(t), "take.wav"), t, 14, 1), waveTrack, FCMidi::MidiNull());
        Run(add);

        // The first meter shown at the start of every staff, and each staff's
        // first clef once more in its second measure.
        ECMeter* meter = m_conductor->GetMeterAtTime(MCTime(0.0f));
        for (int track = 1; track <= kStaves; ++track) {
            Mirror(meter, track, 0.0f);
            Mirror(Staff(track)->GetClefAtTime(MCTime(0.0f), 0), track, 4.0f);
        }
    }

    // A meter of the list at the start of a measure (or at the end time), now
    // and then exactly where a meter stands already.
    CCBase* DrawAddMeter(Draw& draw, std::string& what) {
        const Fraction f = kMeters[draw(static_cast<int>(std::size(kMeters)))];
        float time = StartOf(1 + draw(m_conductor->GetMaxMeasureNumber() + 1));
        if (draw(8) == 0)
            time = Seconds(m_conductor->GetMeterAtTime(MCTime(time)));
        what = "add meter " + std::to_string(f.numerator) + "/" + std::to_string(f.denominator) + " at " +
               FormatTime(time);
        return new CCAddMeter(NewMeter(f.numerator, f.denominator, time));
    }

    CCBase* DrawRemoveMeter(Draw& draw, std::string& what) {
        std::vector<ECMeter*> meters;
        MCEventList* children = ConductorStaff()->GetChildren();
        for (POSITION pos = children->GetHeadPosition(); pos;)
            if (auto* meter = DYNAMIC_DOWNCAST(ECMeter, children->GetNext(pos)))
                meters.push_back(meter);
        ECMeter* meter = meters[static_cast<size_t>(draw(static_cast<int>(meters.size())))];
        what = "remove the meter at " + FormatTime(Seconds(meter));
        return new CCRemoveMeter(meter);
    }

    // Music for a few measures of every staff, and sometimes a tempo at the
    // start of one: what the deletions take away comes back.
    CCBase* DrawMusic(Draw& draw, std::string& what) {
        const int first = 1 + draw(m_conductor->GetMaxMeasureNumber());
        const int last = std::min(first + 3, m_conductor->GetMaxMeasureNumber());
        what = "music in measures " + std::to_string(first) + " to " + std::to_string(last);
        auto* add = new CCAdd;
        for (int track = 1; track <= kStaves; ++track)
            for (int number = first; number <= last; ++number)
                FillMeasure(*add, draw, track, number);
        const float start = StartOf(first);
        if (draw(2) == 0 && Seconds(m_conductor->GetTempoAtTime(MCTime(start))) != start)
            add->Add(Placed(new Live<ECTempo>, start, 14, 0), ConductorStaff(), FCMidi::MidiNull());
        return add;
    }

    // The test's timed events in the tree, by time, each held while the
    // command runs (a freed event's address could be taken by a new one).
    using Music = std::vector<std::pair<ECBase*, float>>;
    Music HoldMusic() {
        Music music;
        for (ECBase* event : rebar::TreeEvents(m_performance))
            if (rebar::IsLive(event) && event->GetTime()) {
                event->Ref();
                music.emplace_back(event, Seconds(event));
            }
        std::stable_sort(music.begin(), music.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
        return music;
    }
    static void ReleaseMusic(Music& music) {
        for (auto& [event, time] : music)
            event->Unref(1);
        music.clear();
    }

    // What a command did to the music held before it. Re-barring and
    // inserting: everything before `pivot` stays, everything from it on moves
    // by `delta` (the change of the end time), and nothing goes but meters
    // when `metersMayGo`. Deleting [start, end): what lies before stays, what
    // lies inside goes, what follows moves back by the run's length at least,
    // later events never less than earlier ones, and only a meter may go (the
    // music after the run may be re-barred too, see measurecommands.h). In
    // both, what stood at time zero may stay there.
    std::string MusicMoved(const Music& before, float pivot, float delta, bool metersMayGo, const float* run) {
        const std::vector<ECBase*> events = rebar::TreeEvents(m_performance);
        const std::set<ECBase*> tree(events.begin(), events.end());
        std::ostringstream faults;
        float lastShift = -1e30f;
        for (const auto& [event, old] : before) {
            const std::string name = ECBase::GetEventString(event->GetClassType()) + " at " + FormatTime(old);
            const bool inTree = tree.count(event) != 0;
            const float now = inTree ? Seconds(event) : -1.0f;
            if (old == 0.0f && now == 0.0f)
                continue;
            if (run) {
                if (old < run[0]) {
                    if (now != old)
                        faults << name << " before the run is at " << now << "\n";
                } else if (old < run[1]) {
                    if (inTree)
                        faults << name << " inside the run is still there\n";
                } else if (!inTree) {
                    // A meter equal to the copy set behind the run goes.
                    if (event->GetClassType() != ET_METER)
                        faults << name << " after the run is gone\n";
                } else if (now - old < run[0] - run[1] || now - old < lastShift) {
                    faults << name << " after the run is at " << now << "\n";
                } else {
                    lastShift = now - old;
                }
                continue;
            }
            if (!inTree) {
                if (!metersMayGo || event->GetClassType() != ET_METER)
                    faults << name << " is gone\n";
                continue;
            }
            const float expected = old < pivot ? old : old + delta;
            if (now != expected)
                faults << name << " is at " << now << ", not " << expected << "\n";
        }
        return faults.str();
    }

    std::string SaveLoadSave() {
        const std::vector<uint8_t> bytes = piece::SaveDocument(m_performance);
        ECPerformance* loaded = piece::LoadDocument(bytes);
        std::string faults = rebar::CheckPiece(loaded, 1, false);
        if (piece::SaveDocument(loaded) != bytes)
            faults += "the loaded piece saves to other bytes\n";
        piece::FreeDocument(loaded);
        return faults;
    }
};

TEST_F(RebarInvariants, HoldThroughAFewHundredMeasureAndMeterCommands) {
    Draw draw(20240611u);
    BuildPiece(draw);
    ASSERT_EQ(Check(), "");
    ASSERT_EQ(SaveLoadSave(), "");

    int kinds[4] = {};   // measures added, removed, meters added, removed
    for (int step = 1; step <= kCommands; ++step) {
        const int measures = m_conductor->GetMaxMeasureNumber();
        int kind = draw(22);
        if (measures > 48)
            kind = 5;   // remove
        else if (measures < 4)
            kind = 0;   // add
        std::string what;
        CCBase* command = nullptr;
        float pivot = m_conductor->GetMaxMeasureEndTime().GetSeconds();
        bool metersMayGo = false;
        if (kind < 5) {
            const int count = 1 + draw(3);
            const int index = draw(measures + 3) - 1;
            what = "insert " + std::to_string(count) + " before index " + std::to_string(index);
            command = new CCAddMeasure(count, index);
            pivot = StartOf(index < 0 || index >= measures ? measures + 1 : index + 1);
            ++kinds[0];
        } else if (kind < 9) {
            const int count = measures > 48 ? 4 + draw(6) : 1 + draw(3);
            const int index = draw(measures + 2) - 1;
            what = "delete " + std::to_string(count) + " from index " + std::to_string(index);
            command = new CCRemoveMeasure(count, index);
            ++kinds[1];
        } else if (kind < 18) {
            command = kind < 15 ? DrawAddMeter(draw, what) : DrawRemoveMeter(draw, what);
            // The scope that changes ends where the meter in force there ends.
            ECMeter* governing = kind < 15 ? static_cast<CCAddMeter*>(command)->GetMeter(0)
                                           : static_cast<CCRemoveMeter*>(command)->GetMeter(0);
            MCTime start;
            MCTime end;
            m_conductor->GetMeterScope(m_conductor->GetMeterAtTime(*governing->GetTime()), start, end);
            pivot = end.GetSeconds();
            metersMayGo = true;
            ++kinds[kind < 15 ? 2 : 3];
        } else {
            command = DrawMusic(draw, what);
        }

        Music music = HoldMusic();
        const float endBefore = m_conductor->GetMaxMeasureEndTime().GetSeconds();
        std::string moved;
        if (auto* remove = dynamic_cast<CCRemoveMeasure*>(command)) {
            auto kept = RunKept(remove);
            MCTime start;
            MCTime end;
            kept->GetRemoveRegion(start, end);
            const float run[2] = {start.GetSeconds(), end.GetSeconds()};
            moved = run[0] < 0.0f ? MusicMoved(music, pivot, 0.0f, false, nullptr)
                                  : MusicMoved(music, 0.0f, 0.0f, false, run);
        } else {
            Run(command);
            const float delta = m_conductor->GetMaxMeasureEndTime().GetSeconds() - endBefore;
            moved = MusicMoved(music, pivot, delta, metersMayGo, nullptr);
        }
        ReleaseMusic(music);
        ASSERT_EQ(moved, "") << "step " << step << ": " << what;
        const std::string faults = Check();
        ASSERT_EQ(faults, "") << "step " << step << ": " << what;
        if (step % kSaveEvery == 0) {
            ASSERT_EQ(SaveLoadSave(), "") << "step " << step << ": " << what;
        }
    }
    for (int done : kinds) {
        EXPECT_GT(done, 25);
    }
    // Music is still there to be re-barred.
    EXPECT_GT(rebar::g_live, 200);
}

}  // namespace
