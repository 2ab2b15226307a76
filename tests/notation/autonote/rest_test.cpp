// Rests: every gap of every voice is filled, cut into proper values by the
// meter (inside a tuplet by its borrowed meter); an empty voice gets a
// whole-measure rest; rests that voices share are shown once. Ticks count
// 256 a quarter from the measure's start; 4/4 and a grid of 64 unless a case
// says otherwise.
#include "notation/autonote/rest.h"

#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/staff.h"
#include "notation/display/note.h"
#include "notation/display/rest.h"
#include "notation/display/tuplet.h"
#include "notation/view/dirtyrect.h"
#include "tests/notation/display/measure_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using measure_test::RegistryCell;
using measure_test::Score;

constexpr int kOwn = DCctTuplet::TICKS_OWN;
constexpr int kStored = 1;
constexpr int kGrid = 64;
constexpr int kPlainStaff = 0;
constexpr int kGrandStaff = 1;
constexpr int kEighthUnit = 3;
// A triplet eighth's division: a borrowed dotted quarter over a quarter.
constexpr WORD kTripletBorrowed = 384;
constexpr WORD kQuarterBase = 256;

MCTime Ticks(int ticks) {
    return MCTime(static_cast<float>(ticks) / 256.0f);
}

DCctNotate* Notate(ECBase* element) {
    return dynamic_cast<DCctNotate*>(element->GetData(DK_NOTATION, 0));
}

int DotsOf(ECBase* element) {
    MCEventList* children = element->GetChildren();
    const POSITION pos = children ? children->FindEvent(ET_DOT) : nullptr;
    return pos ? static_cast<ECDot*>(children->GetAt(pos))->GetDotType() : 0;
}

// A rest as its value letter (w h q e s), a dot for each dot, "@" and its
// stored tick start; "W" for a whole-measure rest (a whole by value, the
// measure's length).
std::string Written(ECBase* rest, int measureTicks) {
    DCctNotate* display = Notate(rest);
    if (!display)
        return "?";
    if (display->GetValue() == 1024 && display->GetTickDuration(kStored) == measureTicks &&
        display->GetTickStart(kStored) == 0)
        return "W";
    std::string text;
    switch (display->GetValue()) {
    case 1024: text = "w"; break;
    case 512: text = "h"; break;
    case 256: text = "q"; break;
    case 128: text = "e"; break;
    case 64: text = "s"; break;
    default: text = "<" + std::to_string(display->GetValue()) + ">"; break;
    }
    text += std::string(static_cast<size_t>(DotsOf(rest)), '.');
    return text + "@" + std::to_string(display->GetTickStart(kStored));
}

// A tuplet that records, each time a child is linked under it, whether
// another thread could take the performance's lock.
class ProbeTuplet : public ECTuplet {
public:
    using ECTuplet::ECTuplet;
    int AddChild(ECBase* child, int sorted) override {
        if (performance) {
            bool free = false;
            std::thread other([&] {
                free = performance->GetLock().try_lock();
                if (free)
                    performance->GetLock().unlock();
            });
            other.join();
            linkedWhileFree.push_back(free);
        }
        return ECTuplet::AddChild(child, sorted);
    }
    ECPerformance* performance = nullptr;
    std::vector<bool> linkedWhileFree;
};

class RestPassTest : public ::testing::Test {
protected:
    void Make(unsigned char numerator, unsigned char denominator, std::vector<BYTE> voices,
              int kind = kPlainStaff) {
        score.reset();   // the active performance goes back before the next is made
        score = std::make_unique<Score>(kind, 1);
        meter = std::make_unique<ECMeter>(numerator, denominator, 2);
        measure = dynamic_cast<DCctMeasure*>(score->Measure(1)->GetData(DK_NOTATION, 1));
        ASSERT_NE(measure, nullptr);
        measure->GetRuler().CreateDivMarks(meter.get(), kGrid);
        measure->GetVoiceTable() = std::move(voices);
        measure->SetRestDirty(1);
        pass.Attach(ECPerformance::GetActivePerformance());
        pass.SetUpdateRect(nullptr);
    }

    // A valued note of `voice` at `start` for `length` under `parent` (the
    // measure unless given), its ticks in the parent's scale.
    ECNote* AddNote(int start, int length, int voice = 0, ECBase* parent = nullptr, WORD borrowed = 0) {
        const WORD unit = pass.GetBase(meter.get());
        const WORD base = borrowed ? borrowed : unit;
        MCTime time = *score->Measure(1)->GetTime();
        time.AddTicks(start, base * 256 / unit);
        auto* note = new ECNote(time, Ticks(length));
        note->SetVoiceTrack(voice, 1);
        (parent ? parent : score->Measure(1))->AddChild(note, SORTED);
        auto* display = dynamic_cast<DCctNotate*>(note->GetData(DK_NOTATION, 1));
        display->SetTickStart(static_cast<WORD>(start));
        display->SetTickDuration(static_cast<WORD>(length));
        display->SetBase(base, unit);
        display->SetValue(static_cast<WORD>(length), 0);
        display->SetTimeDirty(0);
        display->SetValueDirty(0);
        return note;
    }

    // A 3:2 tuplet of eighths at `start` (normal ticks), a quarter long.
    ECTuplet* AddTuplet(int start, int voice = 0) {
        auto* tuplet = new ProbeTuplet(3, 2, kEighthUnit);
        MCTime time = *score->Measure(1)->GetTime();
        time += Ticks(start);
        tuplet->SetTime(&time);
        tuplet->SetVoiceTrack(voice, 1);
        score->Measure(1)->AddChild(tuplet, SORTED);
        auto* display = dynamic_cast<DCctTuplet*>(tuplet->GetData(DK_NOTATION, 1));
        display->SetTuplet(3, 2);
        display->SetBase(kTripletBorrowed, kQuarterBase);
        display->SetTickStart(static_cast<WORD>(start));
        display->SetTickDuration(256);
        return tuplet;
    }

    // A rest of `voice` already in the measure (from an earlier run).
    ECRest* AddRest(int start, int length, int voice = 0) {
        auto* rest = new ECRest;
        MCTime time = *score->Measure(1)->GetTime();
        time += Ticks(start);
        rest->SetTime(&time);
        rest->SetVoiceTrack(voice, 1);
        score->Measure(1)->AddChild(rest, SORTED);
        auto* display = dynamic_cast<DCctNotate*>(rest->GetData(DK_NOTATION, 1));
        display->SetTickStart(static_cast<WORD>(start));
        display->SetTickDuration(static_cast<WORD>(length));
        display->SetBase(kQuarterBase, kQuarterBase);
        display->SetValue(static_cast<WORD>(length), 0);
        return rest;
    }

    void Run() { pass.DoMeasure(score->staff, score->Measure(1), meter.get()); }

    // The rests under `parent` (the measure unless given) of `voice` (any
    // when negative), in time order.
    std::string Rests(ECBase* parent = nullptr, int voice = -1) {
        parent = parent ? parent : score->Measure(1);
        const int measureTicks = meter->GetTicksPerMeasure(256);
        std::string text;
        MCEventList* children = parent->GetChildren();
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() != ET_REST)
                continue;
            if (voice >= 0 && child->GetVoiceTrack()->GetVoice() != voice)
                continue;
            text += (text.empty() ? "" : " ") + Written(child, measureTicks);
        }
        return text;
    }

    RegistryCell measures{ET_MEASURE, RUNTIME_CLASS(DCctMeasure)};
    RegistryCell notes{ET_NOTE, RUNTIME_CLASS(DCctNote)};
    RegistryCell rests{ET_REST, RUNTIME_CLASS(DCctRest)};
    RegistryCell dots{ET_DOT, RUNTIME_CLASS(DCctBase)};
    RegistryCell tuplets{ET_TUPLET, RUNTIME_CLASS(DCctTuplet)};
    std::unique_ptr<Score> score;
    std::unique_ptr<ECMeter> meter;
    DCctMeasure* measure = nullptr;
    ANRest pass;
};

TEST_F(RestPassTest, GapsOfOneVoice) {
    struct Note {
        int start, length;
    };
    const struct {
        unsigned char numerator, denominator;
        std::vector<Note> notes;
        const char* rests;
    } cases[] = {
        {4, 4, {{256, 256}}, "q@0 h@512"},
        {4, 4, {{0, 256}}, "q@256 h@512"},
        {4, 4, {{0, 384}}, "e@384 h@512"},
        {4, 4, {{0, 128}}, "e@128 q@256 h@512"},
        {4, 4, {{0, 256}, {768, 256}}, "q@256 q@512"},
        {4, 4, {{0, 1024}}, ""},
        {3, 4, {{0, 256}}, "q@256 q@512"},
        {3, 4, {{512, 256}}, "h@0"},
        {6, 8, {{0, 128}}, "q@128 q.@384"},
        {6, 8, {{0, 128}, {384, 128}}, "q@128 q@512"},
        {6, 8, {{0, 384}}, "q.@384"},
    };
    for (const auto& c : cases) {
        std::string name = std::to_string(c.numerator) + "/" + std::to_string(c.denominator);
        Make(c.numerator, c.denominator, {0});
        for (const Note& note : c.notes) {
            AddNote(note.start, note.length);
            name += " " + std::to_string(note.start) + "+" + std::to_string(note.length);
        }
        Run();
        EXPECT_EQ(Rests(), c.rests) << name;
        EXPECT_EQ(measure->RestDirty(), 0) << name;
        // Each rest stands at its ticks, in the voice and on the staff's track.
        MCEventList* children = score->Measure(1)->GetChildren();
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            ECBase* rest = children->GetNext(pos);
            if (rest->GetClassType() != ET_REST)
                continue;
            MCTime expected = *score->Measure(1)->GetTime();
            expected.AddTicks(Notate(rest)->GetTickStart(kStored), 256);
            EXPECT_EQ(*rest->GetTime(), expected) << name;
            EXPECT_EQ(rest->GetVoiceTrack()->GetVoice(), 0) << name;
            EXPECT_EQ(rest->GetVoiceTrack()->GetTrack(), 1) << name;
        }
    }
}

TEST_F(RestPassTest, AnEmptyVoiceGetsAWholeMeasureRest) {
    const struct {
        unsigned char numerator, denominator;
    } meters[] = {{4, 4}, {3, 4}, {6, 8}, {5, 4}, {2, 2}};
    for (const auto& m : meters) {
        const std::string name = std::to_string(m.numerator) + "/" + std::to_string(m.denominator);
        // Nothing in the measure at all: every voice of the table; on a
        // grand staff each staff shows its own.
        Make(m.numerator, m.denominator, {0, 4}, kGrandStaff);
        Run();
        EXPECT_EQ(Rests(nullptr, 0), "W") << name;
        EXPECT_EQ(Rests(nullptr, 4), "W") << name;
        // Two voices of one staff: the rests stand together, shown once.
        Make(m.numerator, m.denominator, {0, 1});
        Run();
        EXPECT_EQ(Rests(), "W") << name;

        // Notes in voice 0 only: voice 1 still gets its whole-measure rest.
        Make(m.numerator, m.denominator, {0, 1});
        AddNote(0, meter->GetTicksPerMeasure(256));
        Run();
        EXPECT_EQ(Rests(nullptr, 1), "W") << name;
        EXPECT_EQ(Rests(nullptr, 0), "") << name;
    }
}

TEST_F(RestPassTest, RestsTheVoicesShareAreShownOnce) {
    // Two voices with the same gap: one rest, marked; the other removed.
    Make(4, 4, {0, 1});
    AddNote(0, 512, 0);
    AddNote(0, 512, 1);
    Run();
    EXPECT_EQ(Rests(), "h@512");
    ECBase* shown = score->Measure(1)->GetChildren()->GetTail();
    ASSERT_EQ(shown->GetClassType(), ET_REST);
    EXPECT_EQ(dynamic_cast<DCctRest*>(Notate(shown))->GetConsolidated(), 1);

    // Different gaps stay apart, unmarked.
    Make(4, 4, {0, 1});
    AddNote(0, 512, 0);
    AddNote(0, 768, 1);
    Run();
    EXPECT_EQ(Rests(nullptr, 0), "h@512");
    EXPECT_EQ(Rests(nullptr, 1), "q@768");

    // The two staves of a grand staff keep their own rests.
    Make(4, 4, {2, 5}, kGrandStaff);
    AddNote(0, 512, 2);
    AddNote(0, 512, 5);
    Run();
    EXPECT_EQ(Rests(nullptr, 2), "h@512");
    EXPECT_EQ(Rests(nullptr, 5), "h@512");

    // A rest marked before that no longer stands with another is unmarked.
    Make(4, 4, {0, 1});
    DirtyRect update;
    pass.SetUpdateRect(&update);
    AddNote(0, 1024, 1);
    ECRest* alone = AddRest(0, 1024, 0);
    dynamic_cast<DCctRest*>(Notate(alone))->SetConsolidated(1);
    Run();
    EXPECT_EQ(dynamic_cast<DCctRest*>(Notate(alone))->GetConsolidated(), 0);
    EXPECT_NE(update.GetEvents().Find(alone), nullptr);
    pass.SetUpdateRect(nullptr);
}

TEST_F(RestPassTest, TupletGaps) {
    // A triplet of eighths on beat 2 holding only its first two eighths: its
    // last eighth is a rest in the tuplet's own ticks.
    Make(4, 4, {0});
    AddNote(0, 256);
    ECTuplet* tuplet = AddTuplet(256);
    AddNote(384, 128, 0, tuplet, kTripletBorrowed);
    AddNote(512, 128, 0, tuplet, kTripletBorrowed);
    Run();
    EXPECT_EQ(Rests(tuplet), "e@640");
    EXPECT_EQ(Rests(), "h@512");
    ECBase* rest = tuplet->GetChildren()->GetTail();
    MCTime expected = *score->Measure(1)->GetTime();
    expected.AddTicks(640, kTripletBorrowed);   // own ticks count 384 a quarter
    EXPECT_EQ(*rest->GetTime(), expected);
    EXPECT_EQ(Notate(rest)->GetBase(1), kTripletBorrowed);

    // The same triplet at the measure's start: its last eighth at own tick 256.
    Make(4, 4, {0});
    tuplet = AddTuplet(0);
    AddNote(0, 128, 0, tuplet, kTripletBorrowed);
    AddNote(128, 128, 0, tuplet, kTripletBorrowed);
    Run();
    EXPECT_EQ(Rests(tuplet), "e@256");
    EXPECT_EQ(Rests(), "q@256 h@512");

    // A gap before the tuplet and one inside it.
    Make(4, 4, {0});
    tuplet = AddTuplet(256);
    AddNote(384, 128, 0, tuplet, kTripletBorrowed);
    AddNote(640, 128, 0, tuplet, kTripletBorrowed);
    Run();
    EXPECT_EQ(Rests(), "q@0 h@512");
    EXPECT_EQ(Rests(tuplet), "e@512");

    // A tuplet of unknown division is stepped over whole.
    Make(4, 4, {0});
    tuplet = AddTuplet(0);
    dynamic_cast<DCctTuplet*>(tuplet->GetData(DK_NOTATION, 0))->SetBase(kTripletBorrowed, 0);
    AddNote(0, 128, 0, tuplet, kTripletBorrowed);
    Run();
    EXPECT_EQ(Rests(), "q@256 h@512");
}

TEST_F(RestPassTest, ARestIsLinkedUnderThePerformancesLock) {
    Make(4, 4, {0});
    auto* tuplet = static_cast<ProbeTuplet*>(AddTuplet(0));
    AddNote(0, 128, 0, tuplet, kTripletBorrowed);
    tuplet->performance = ECPerformance::GetActivePerformance();
    Run();
    EXPECT_EQ(Rests(tuplet), "q@128");   // valued in the borrowed 3/8
    ASSERT_FALSE(tuplet->linkedWhileFree.empty());
    for (bool free : tuplet->linkedWhileFree)
        EXPECT_FALSE(free);
}

TEST_F(RestPassTest, ANoteWithoutDisplayKeepsTheWalkWhereItWas) {
    Make(4, 4, {0});
    AddNote(0, 512);
    {
        RegistryCell none(ET_NOTE, nullptr);
        auto* bare = new ECNote(Ticks(768), Ticks(256));
        bare->SetVoiceTrack(0, 1);
        score->Measure(1)->AddChild(bare, SORTED);
    }
    Run();
    // No rest over the first note: the gap is measured from its end.
    EXPECT_EQ(Rests(), "h@512");
}

TEST_F(RestPassTest, ExistingRestsAreReusedWithAnUpdateList) {
    DirtyRect update;
    // A rest at the gap's start takes the gap's length.
    Make(4, 4, {0});
    pass.SetUpdateRect(&update);
    AddNote(0, 512);
    ECRest* old = AddRest(512, 256);
    Run();
    EXPECT_EQ(Rests(), "h@512");
    EXPECT_EQ(Notate(old)->GetTickDuration(kStored), 512);

    // A rest inside the gap ends the new one where it begins.
    Make(4, 4, {0});
    pass.SetUpdateRect(&update);
    AddNote(0, 256);
    AddRest(768, 256);
    Run();
    EXPECT_EQ(Rests(), "q@256 q@512 q@768");

    // Without an update list (a file being loaded) rests are only added.
    Make(4, 4, {0});
    AddNote(0, 512);
    AddRest(512, 512);
    Run();
    EXPECT_EQ(Rests(), "h@512 h@512");
}

TEST_F(RestPassTest, AMeasureThatIsNotRestDirtyIsLeftAlone) {
    Make(4, 4, {0});
    AddNote(256, 256);
    measure->SetRestDirty(0);
    Run();
    EXPECT_EQ(Rests(), "");
    // Missing arguments: nothing, and no crash.
    pass.DoMeasure(score->staff, nullptr, meter.get());
    pass.DoMeasure(score->staff, score->Measure(1), nullptr);
}

}  // namespace
