// Time correction: notes and chords quantized onto the grid of their
// measure, tuplets found by the search, re-timed, merged and dissolved.
// Ticks count 256 a quarter from the measure start; 4/4 and a grid of 64
// unless a case says otherwise.
#include "notation/autonote/timecorrect.h"

#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/notes.h"
#include "model/performance.h"
#include "notation/display/chord.h"
#include "notation/display/note.h"
#include "notation/display/tuplet.h"
#include "sequencer/performers.h"
#include "tests/notation/display/measure_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using measure_test::RegistryCell;
using measure_test::Score;

constexpr int kNormal = 0;   // tick mode: the measure's own division
constexpr int kOwn = 1;      // tick mode: the element's division
constexpr int kNormalStaff = 0;
constexpr int kGrandStaff = 1;
constexpr int kDrumStaff = 3;
constexpr int kEighthUnit = 3;
constexpr int kQuarterUnit = 2;
constexpr int kSearchOff = 0;
constexpr int kSearchOn = 1;

MCTime Ticks(int ticks) {
    return MCTime(static_cast<float>(ticks) / 256.0f);
}

// Registers the performance data class of notes while it lives.
class PerformerCell {
public:
    PerformerCell() : m_cell(CPluginData::GetDataClass(DK_SEQUENCER, ET_NOTE)), m_saved(m_cell) {
        m_cell = RUNTIME_CLASS(DCsqNote);
    }
    ~PerformerCell() { m_cell = m_saved; }
    PerformerCell(const PerformerCell&) = delete;
    PerformerCell& operator=(const PerformerCell&) = delete;

private:
    const CRuntimeClass*& m_cell;
    const CRuntimeClass* m_saved;
};

// One staff with one measure of a meter, its ruler built at the default grid.
class TimeCorrectTest : public ::testing::Test {
protected:
    void Make(int kind, unsigned char numerator, unsigned char denominator) {
        score.reset();   // the active performance goes back before the next is made
        score = std::make_unique<Score>(kind, 1);
        meter = std::make_unique<ECMeter>(numerator, denominator, 2);
        measure = score->Measure(1);
        auto* display = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 1));
        ASSERT_NE(display, nullptr);
        display->GetRuler().CreateDivMarks(meter.get(), 64);
        pass.Attach(ECPerformance::GetActivePerformance());
    }
    void Make44() { Make(kNormalStaff, 4, 4); }

    ECNote* AddNote(int start, int length, int key = -1, ECBase* parent = nullptr) {
        auto* note = new ECNote(Ticks(start), Ticks(length));
        note->SetVoiceTrack(0, 1);
        (parent ? parent : measure)->AddChild(note, SORTED);
        if (key >= 0) {
            auto* played = dynamic_cast<DCsqNote*>(note->GetData(DK_SEQUENCER, 1));
            played->GetMidiData().SetStatusByte(0x90);
            played->GetMidiData().SetDataByte1(static_cast<unsigned char>(key));
        }
        return note;
    }
    static DCctNotate* Notate(ECBase* note) { return dynamic_cast<DCctNotate*>(note->GetData(DK_NOTATION, 1)); }

    void Run() { pass.DoMeasure(score->staff, measure, meter.get()); }

    std::vector<ECTuplet*> Tuplets() {
        std::vector<ECTuplet*> out;
        MCEventList* children = measure->GetChildren();
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() == ET_TUPLET)
                out.push_back(static_cast<ECTuplet*>(child));
        }
        return out;
    }
    static bool Holds(ECBase* parent, ECBase* child) {
        return parent->GetChildren()->Find(child) != nullptr && child->GetParents()->Find(parent) != nullptr;
    }

    RegistryCell measures{ET_MEASURE, RUNTIME_CLASS(DCctMeasure)};
    RegistryCell notes{ET_NOTE, RUNTIME_CLASS(DCctNote)};
    RegistryCell tuplets{ET_TUPLET, RUNTIME_CLASS(DCctTuplet)};
    PerformerCell performers;
    std::unique_ptr<Score> score;
    std::unique_ptr<ECMeter> meter;
    ECMeasure* measure = nullptr;
    ANTimeCorrect pass;
};

TEST(TimeCorrectRuleTest, RoundingToTheGrid) {
    const struct {
        int a, step, rounded, error;
    } cases[] = {
        {0, 64, 0, 0}, {31, 64, 0, 31}, {32, 64, 64, 32}, {85, 64, 64, 21}, {171, 64, 192, 21}, {250, 64, 256, 6},
        {100, 0, 100, 0},   // no grid: as it is
    };
    for (const auto& c : cases) {
        int error = -1;
        EXPECT_EQ(ANTimeCorrect::RoundToResolution(c.a, c.step, &error), c.rounded) << c.a;
        EXPECT_EQ(error, c.error) << c.a;
    }
}

TEST(TimeCorrectRuleTest, NormalCountOfATupletNumber) {
    const struct {
        int number, normal;
    } cases[] = {
        {2, 3}, {3, 2}, {4, 6}, {5, 4}, {6, 4}, {7, 4}, {8, 12}, {9, 8}, {11, 8}, {16, 0}, {32, 0}, {1, 0}, {0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ANTimeCorrect::GetNormalFromBorrowed(c.number), c.normal) << c.number;
}

TEST(TimeCorrectRuleTest, SettingsAndTheirDefaults) {
    ANTimeCorrect pass;
    EXPECT_EQ(pass.GetLookForBorrowed(), 1);
    EXPECT_EQ(pass.GetTupletNumber(), 3);
    EXPECT_EQ(pass.GetTupletUnit(), 128);
    EXPECT_EQ(pass.GetSplit(), ANTimeCorrect::NO_SPLIT);
    pass.SetLookForBorrowed(kSearchOff, 5, 4);   // quintuplets of sixteenths
    EXPECT_EQ(pass.GetLookForBorrowed(), 0);
    EXPECT_EQ(pass.GetTupletNumber(), 5);
    EXPECT_EQ(pass.GetTupletUnit(), 64);
}

// With the search off only the per-note quantizing happens.
TEST_F(TimeCorrectTest, NotesQuantizedWithTheSearchOff) {
    const struct {
        const char* name;
        int resolution;
        int start, length;
        int tickStart, tickDuration;
    } cases[] = {
        {"31 ticks late rounds back", 64, 31, 256, 0, 256},
        {"32 ticks late rounds on", 64, 32, 256, 64, 256},
        {"a start at the bar line stays a step inside", 64, 1000, 64, 960, 64},
        {"a length below the grid is one step", 64, 512, 20, 512, 64},
        {"an exact half rounds up", 64, 512, 96, 512, 128},
        {"an overhang past the threshold is kept", 64, 768, 300, 768, 320},
        {"an overhang within the threshold is cut", 32, 896, 144, 896, 128},
        {"an overhang a tick past it is kept", 32, 896, 145, 896, 160},
    };
    for (const auto& c : cases) {
        Make44();
        pass.SetLookForBorrowed(kSearchOff, 3, kEighthUnit);
        pass.SetResolution(static_cast<uint16_t>(c.resolution));
        ECNote* note = AddNote(c.start, c.length);
        Run();
        DCctNotate* display = Notate(note);
        EXPECT_EQ(display->GetTickStart(kOwn), c.tickStart) << c.name;
        EXPECT_EQ(display->GetTickDuration(kOwn), c.tickDuration) << c.name;
        EXPECT_FALSE(display->IsBorrowed()) << c.name;
        EXPECT_EQ(display->TimeDirty(), 0) << c.name;
    }
}

TEST_F(TimeCorrectTest, NegativeAndZeroLengths) {
    Make44();
    pass.SetLookForBorrowed(kSearchOff, 3, kEighthUnit);
    ECNote* negative = AddNote(0, 0);
    const MCTime below(-1.0f);
    negative->SetDuration(&below);
    ECNote* entered = AddNote(512, 0);
    Notate(entered)->SetTickDuration(128);
    Run();
    EXPECT_EQ(Notate(negative)->GetTickDuration(kOwn), 256);
    EXPECT_NE(Notate(negative)->TimeDirty(), 0) << "read again by the next run";
    EXPECT_EQ(Notate(entered)->GetTickStart(kOwn), 512);
    EXPECT_EQ(Notate(entered)->GetTickDuration(kOwn), 128);
    EXPECT_EQ(Notate(entered)->TimeDirty(), 0);
}

// Whether a note has a length is its own duration, not what the duration
// pair reads it as: a pair may read nothing (a note that sounds nothing, as
// the later part of a tie) or a negative length as a length of its own.
TEST_F(TimeCorrectTest, ZeroAndNegativeLengthsAreTheNotesOwn) {
    // Reads every performed length an eighth longer, and below zero as zero.
    struct LongerPair {
        LongerPair() { ECNote::SetDurationFuncs(Same, ReadLonger, nullptr); }
        ~LongerPair() { ECNote::SetDurationFuncs(nullptr, nullptr, nullptr); }
        static MCTime Same(const MCTime* duration, void*) { return *duration; }
        static MCTime ReadLonger(const MCTime* duration, void*) {
            return std::max(0.0f, duration->GetSeconds()) + 0.5f;
        }
    };
    for (const int search : {kSearchOff, kSearchOn}) {
        Make44();
        const LongerPair pair;
        pass.SetLookForBorrowed(search, 3, kEighthUnit);
        ECNote* played = AddNote(0, 256);
        // Split off at the bar line before: a half, to the end of this bar.
        ECNote* tiedOn = AddNote(512, 0);
        Notate(tiedOn)->SetTickDuration(512);
        ECNote* negative = AddNote(256, 0);
        const MCTime below(-1.0f);
        negative->SetDuration(&below);
        Run();
        EXPECT_EQ(Notate(played)->GetTickDuration(kOwn), 384) << search;   // read through the pair
        EXPECT_EQ(Notate(tiedOn)->GetTickStart(kOwn), 512) << search;
        EXPECT_EQ(Notate(tiedOn)->GetTickDuration(kOwn), 512) << search;
        EXPECT_EQ(Notate(tiedOn)->TimeDirty(), 0) << search;
        EXPECT_EQ(Notate(negative)->GetTickDuration(kOwn), 256) << search;
        EXPECT_NE(Notate(negative)->TimeDirty(), 0) << search << ": read again by the next run";
    }
}

TEST_F(TimeCorrectTest, OnlyTimeDirtyElementsAreQuantized) {
    Make44();
    pass.SetLookForBorrowed(kSearchOff, 3, kEighthUnit);
    ECNote* clean = AddNote(31, 256);
    Notate(clean)->SetTickStart(200);
    Notate(clean)->SetTimeDirty(0);
    Run();
    EXPECT_EQ(Notate(clean)->GetTickStart(kOwn), 200);
}

// The finer of the pass's grid and the ruler's is used, and kept by both.
TEST_F(TimeCorrectTest, TheFinerGridWins) {
    Make44();
    pass.SetLookForBorrowed(kSearchOff, 3, kEighthUnit);
    pass.SetResolution(128);
    ECNote* note = AddNote(200, 256);
    Run();
    EXPECT_EQ(pass.GetResolution(), 64);
    EXPECT_EQ(Notate(note)->GetTickStart(kOwn), 192);

    Make44();
    pass.SetResolution(32);
    note = AddNote(200, 256);
    Run();
    auto* display = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0));
    EXPECT_EQ(display->GetRuler().GetResolution(display->GetRuler().GetGroupPulse(0)), 32);
    EXPECT_EQ(Notate(note)->GetTickStart(kOwn), 192);
    note = AddNote(208, 256);
    Notate(note)->SetTimeDirty(1);
    Run();
    EXPECT_EQ(Notate(note)->GetTickStart(kOwn), 224);
}

TEST_F(TimeCorrectTest, ChordNotesShareTheFirstNotesTimes) {
    Make44();
    pass.SetLookForBorrowed(kSearchOff, 3, kEighthUnit);
    auto* chord = new ECChord;
    const MCTime at = Ticks(30);
    chord->SetTime(&at);
    chord->SetVoiceTrack(0, 1);
    measure->AddChild(chord, SORTED);
    // Played a little late and ragged: the first note's length rules.
    ECNote* low = AddNote(30, 250, -1, chord);
    ECNote* high = AddNote(30, 100, -1, chord);

    RegistryCell chords(ET_CHORD, RUNTIME_CLASS(DCctChord));
    Run();
    for (ECNote* note : {low, high}) {
        EXPECT_EQ(Notate(note)->GetTickStart(kOwn), 0);
        EXPECT_EQ(Notate(note)->GetTickDuration(kOwn), 256);
        EXPECT_EQ(Notate(note)->TimeDirty(), 0);
    }
    auto* display = dynamic_cast<DCctChord*>(chord->GetData(DK_NOTATION, 0));
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->TimeDirty(), 0);
    EXPECT_EQ(display->GetTickStart(kOwn), 0);
    EXPECT_EQ(display->GetTickDuration(kOwn), 256);
}

TEST_F(TimeCorrectTest, ChordWithoutADisplayClassIsPassedOver) {
    Make44();
    pass.SetLookForBorrowed(kSearchOff, 3, kEighthUnit);
    auto* chord = new ECChord;
    const MCTime at = Ticks(260);
    chord->SetTime(&at);
    chord->SetVoiceTrack(0, 1);
    measure->AddChild(chord, SORTED);
    ECNote* low = AddNote(260, 250, -1, chord);

    RegistryCell none(ET_CHORD, nullptr);
    Run();
    EXPECT_NE(Notate(low)->TimeDirty(), 0);
}

TEST_F(TimeCorrectTest, MissingPartsLeaveTheMeasureAlone) {
    Make44();
    ECNote* note = AddNote(31, 256);
    pass.DoMeasure(nullptr, measure, meter.get());
    pass.DoMeasure(score->staff, nullptr, meter.get());
    pass.DoMeasure(score->staff, measure, nullptr);
    EXPECT_NE(Notate(note)->TimeDirty(), 0);

    // A measure without its display object is skipped.
    Score bare(kNormalStaff, 1);
    ECNote* alone = AddNote(31, 256, -1, bare.Measure(1));
    pass.DoMeasure(bare.staff, bare.Measure(1), meter.get());
    EXPECT_NE(Notate(alone)->TimeDirty(), 0);
}

// ---- the search -------------------------------------------------------------------------

TEST_F(TimeCorrectTest, TripletsBecomeATuplet) {
    const struct {
        const char* name;
        int first;
        int tupletStart;   // normal ticks from the measure start
        std::vector<int> own;
    } cases[] = {
        {"on beat 1", 0, 0, {0, 128, 256}},
        {"on beat 2", 256, 256, {384, 512, 640}},
    };
    for (const auto& c : cases) {
        Make44();
        pass.SetLookForBorrowed(kSearchOn, 3, kEighthUnit);
        std::vector<ECNote*> notes;
        for (int offset : {0, 85, 171})
            notes.push_back(AddNote(c.first + offset, 85));
        Run();
        const std::vector<ECTuplet*> found = Tuplets();
        ASSERT_EQ(found.size(), 1u) << c.name;
        ECTuplet* tuplet = found[0];
        EXPECT_EQ(tuplet->GetIrregular(), 3) << c.name;
        EXPECT_EQ(tuplet->GetNormal(), 2) << c.name;
        EXPECT_EQ(tuplet->GetUnits(), kEighthUnit) << c.name;
        EXPECT_EQ(*tuplet->GetTime(), Ticks(c.tupletStart)) << c.name;
        auto* display = dynamic_cast<DCctTuplet*>(tuplet->GetData(DK_NOTATION, 0));
        ASSERT_NE(display, nullptr) << c.name;
        EXPECT_EQ(display->GetTickStart(kNormal), c.tupletStart) << c.name;
        EXPECT_EQ(display->GetTickDuration(kNormal), 256) << c.name;
        for (size_t i = 0; i < notes.size(); ++i) {
            EXPECT_TRUE(Holds(tuplet, notes[i])) << c.name << " " << i;
            EXPECT_FALSE(Holds(measure, notes[i])) << c.name << " " << i;
            EXPECT_EQ(Notate(notes[i])->GetTickStart(kOwn), c.own[i]) << c.name << " " << i;
            EXPECT_EQ(Notate(notes[i])->GetTickDuration(kOwn), 128) << c.name << " " << i;
            EXPECT_NE(Notate(notes[i])->IsBorrowed(), 0) << c.name << " " << i;
        }
        // The ruler has a group for the borrowed pulse.
        auto* measureDisplay = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0));
        EXPECT_NE(measureDisplay->GetRuler().FindPulseGroup(384), nullptr) << c.name;
    }
}

TEST_F(TimeCorrectTest, PlainRhythmsMakeNoTuplet) {
    const struct {
        const char* name;
        unsigned char numerator, denominator;
        std::vector<int> starts;
        int length;
    } cases[] = {
        {"eighths", 4, 4, {0, 128, 256, 384}, 128},
        {"sixteenths", 4, 4, {0, 64, 128, 192}, 64},
        {"eighths in 6/8", 6, 8, {0, 128, 256}, 128},
        // The triplets of 3/8 fill one stress of two eighths: the third
        // eighth lies in no borrowed stress and fits both grids alike.
        {"eighths in 3/8", 3, 8, {0, 128, 256}, 128},
        {"a dotted quarter on the third eighth of 3/8", 3, 8, {256}, 384},
    };
    for (const auto& c : cases) {
        Make(kNormalStaff, c.numerator, c.denominator);
        pass.SetLookForBorrowed(kSearchOn, 3, kEighthUnit);
        std::vector<ECNote*> notes;
        for (int start : c.starts)
            notes.push_back(AddNote(start, c.length));
        Run();
        EXPECT_TRUE(Tuplets().empty()) << c.name;
        for (size_t i = 0; i < notes.size(); ++i) {
            EXPECT_TRUE(Holds(measure, notes[i])) << c.name;
            EXPECT_EQ(Notate(notes[i])->GetTickStart(kOwn), c.starts[i]) << c.name;
            EXPECT_FALSE(Notate(notes[i])->IsBorrowed()) << c.name;
        }
    }
}

// A lone note nearer the borrowed grid than the plain one, but off the
// tuplet unit's grid, is no triplet; quantized plainly it stays in the beat
// it was weighed in.
TEST_F(TimeCorrectTest, TheFilterRefusesAStrayNote) {
    const struct {
        const char* name;
        int start, tickStart;
    } cases[] = {
        {"early in beat 1", 43, 64},
        {"late in beat 1, kept out of beat 2", 226, 192},
    };
    for (const auto& c : cases) {
        Make44();
        pass.SetLookForBorrowed(kSearchOn, 3, kEighthUnit);
        ECNote* note = AddNote(c.start, 85);
        Run();
        EXPECT_TRUE(Tuplets().empty()) << c.name;
        EXPECT_EQ(Notate(note)->GetTickStart(kOwn), c.tickStart) << c.name;
        EXPECT_FALSE(Notate(note)->IsBorrowed()) << c.name;
    }
}

// A found tuplet is divided by pitch on a grand staff (at the split key)
// and on a drum staff (by the drums' voices); the copy takes the notes below
// the split, or off voice 0.
TEST_F(TimeCorrectTest, FoundTupletsAreSplitByPitch) {
    const struct {
        const char* name;
        int kind;
        uint8_t split;
        std::vector<int> keys;   // at 0, 85 and 171
        std::vector<bool> inCopy;
        uint8_t splitAfter;
    } cases[] = {
        {"grand staff, split 60", kGrandStaff, 60, {64, 55, 64}, {false, true, false}, 60},
        {"grand staff, all above", kGrandStaff, 60, {64, 60, 64}, {false, false, false}, 60},
        {"grand staff without a split", kGrandStaff, ANTimeCorrect::NO_SPLIT, {64, 55, 64}, {false, false, false},
         ANTimeCorrect::NO_SPLIT},
        {"drums: bass drum apart", kDrumStaff, ANTimeCorrect::NO_SPLIT, {42, 36, 42}, {false, true, false},
         ANTimeCorrect::NO_SPLIT},
        {"drums: one voice", kDrumStaff, ANTimeCorrect::NO_SPLIT, {42, 42, 42}, {false, false, false},
         ANTimeCorrect::NO_SPLIT},
        {"a normal staff forgets the split", kNormalStaff, 60, {64, 55, 64}, {false, false, false},
         ANTimeCorrect::NO_SPLIT},
    };
    for (const auto& c : cases) {
        Make(c.kind, 4, 4);
        pass.SetLookForBorrowed(kSearchOn, 3, kEighthUnit);
        pass.SetSplit(c.split);
        std::vector<ECNote*> notes;
        const int starts[] = {0, 85, 171};
        for (size_t i = 0; i < 3; ++i)
            notes.push_back(AddNote(starts[i], 85, c.keys[i]));
        Run();
        const std::vector<ECTuplet*> found = Tuplets();
        const bool split = std::find(c.inCopy.begin(), c.inCopy.end(), true) != c.inCopy.end();
        ASSERT_EQ(found.size(), split ? 2u : 1u) << c.name;
        ECTuplet* itself = Holds(found[0], notes[0]) ? found[0] : found.back();
        ECTuplet* copy = found.size() == 2 ? (itself == found[0] ? found[1] : found[0]) : nullptr;
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_TRUE(Holds(c.inCopy[i] ? copy : itself, notes[i])) << c.name << " " << i;
            EXPECT_EQ(Notate(notes[i])->GetTickStart(kOwn), static_cast<int>(128 * i)) << c.name << " " << i;
        }
        if (copy) {
            EXPECT_EQ(*copy->GetTime(), MCTime::TimeZero()) << c.name;
        }
        EXPECT_EQ(pass.GetSplit(), c.splitAfter) << c.name;
    }
}

// The range choice offered beside the search: summed start and length
// errors decide, and the elements of the range are quantized in the winner.
TEST_F(TimeCorrectTest, RangeChoiceBySummedErrors) {
    const struct {
        const char* name;
        std::vector<int> starts;
        int length;
        int answer;   // 1 normal, 0 borrowed
        std::vector<int> own;
    } cases[] = {
        {"triplet eighths", {0, 85, 171}, 85, 0, {0, 128, 256}},
        {"eighths", {0, 128}, 128, 1, {0, 128}},
        // Borrowed, each would last a quarter and a sixteenth: no value shows that.
        {"triplet starts, unwritable lengths", {0, 85, 171}, 213, 1, {0, 64, 192}},
    };
    for (const auto& c : cases) {
        Make44();
        pass.SetLookForBorrowed(kSearchOff, 3, kEighthUnit);
        Run();   // the measure's pulses, on an empty measure
        pass.SetLookForBorrowed(kSearchOn, 3, kEighthUnit);
        MCEventList list;
        std::vector<ECNote*> notes;
        for (int start : c.starts) {
            notes.push_back(AddNote(start, c.length));
            list.AddEvent(notes.back(), UNSORTED);
        }
        ECNote* later = AddNote(512, 128);   // outside [0, 256)
        list.AddEvent(later, UNSORTED);
        EXPECT_EQ(pass.TimeCorrect(list, 0, 256, measure, meter.get()), c.answer) << c.name;
        for (size_t i = 0; i < notes.size(); ++i) {
            EXPECT_EQ(Notate(notes[i])->GetTickStart(kOwn), c.own[i]) << c.name << " " << i;
            EXPECT_EQ(Notate(notes[i])->IsBorrowed() != 0, c.answer == 0) << c.name << " " << i;
        }
        EXPECT_NE(Notate(later)->TimeDirty(), 0) << c.name;
    }
    EXPECT_TRUE(ANTimeCorrect::NormalvsBorrowed(10, 10, 5, 5));
    EXPECT_FALSE(ANTimeCorrect::NormalvsBorrowed(10, 10, 4, 5));
}

// ---- tuplets already there ------------------------------------------------------------

TEST_F(TimeCorrectTest, CompoundMeterTripletsDissolveDupletsStay) {
    const struct {
        const char* name;
        unsigned char irregular, normal;
        bool kept;
    } cases[] = {
        {"a tuplet of three", 3, 2, false},
        {"a duplet", 2, 3, true},
    };
    for (const auto& c : cases) {
        Make(kNormalStaff, 6, 8);
        pass.SetLookForBorrowed(kSearchOff, 3, kEighthUnit);
        auto* tuplet = new ECTuplet(c.irregular, c.normal, kEighthUnit);
        tuplet->SetTime(&MCTime::TimeZero());
        tuplet->SetVoiceTrack(0, 1);
        measure->AddChild(tuplet, SORTED);
        ECNote* first = AddNote(0, 192, -1, tuplet);
        ECNote* second = AddNote(192, 192, -1, tuplet);
        tuplet->Ref();   // looked at after it may have left the tree
        Run();
        for (ECNote* note : {first, second}) {
            EXPECT_EQ(Holds(tuplet, note), c.kept) << c.name;
            EXPECT_EQ(Holds(measure, note), !c.kept) << c.name;
            EXPECT_EQ(Notate(note)->IsBorrowed() != 0, c.kept) << c.name;
            EXPECT_EQ(Notate(note)->TimeDirty(), 0) << c.name;
        }
        if (!c.kept) {
            EXPECT_EQ(Notate(second)->GetTickStart(kOwn), 192) << c.name;
        } else {
            auto* display = dynamic_cast<DCctTuplet*>(tuplet->GetData(DK_NOTATION, 0));
            EXPECT_EQ(display->GetTickDuration(kNormal), 384) << c.name;
            EXPECT_EQ(display->TimeDirty(), 0) << c.name;
        }
        tuplet->Unref(1);
    }
}

// Tuplets of a voice that start inside an earlier one become one: an equal
// one hands its notes over, a longer one takes the earlier one's notes.
TEST_F(TimeCorrectTest, OverlappingTupletsOfAVoiceMerge) {
    const struct {
        const char* name;
        unsigned char laterUnit;
        bool laterReceives;
    } cases[] = {
        {"two triplets of eighths", kEighthUnit, false},
        {"a triplet of quarters over one of eighths", kQuarterUnit, true},
    };
    for (const auto& c : cases) {
        Make44();
        pass.SetLookForBorrowed(kSearchOff, 3, kEighthUnit);
        std::vector<ECTuplet*> made;
        std::vector<ECNote*> notes;
        for (int start : {0, 85}) {
            auto* tuplet = new ECTuplet(3, 2, start == 0 ? kEighthUnit : c.laterUnit);
            tuplet->SetTime(&MCTime::TimeZero());
            tuplet->SetVoiceTrack(0, 1);
            measure->AddChild(tuplet, SORTED);
            notes.push_back(AddNote(start, 85, -1, tuplet));
            made.push_back(tuplet);
        }
        Run();
        const std::vector<ECTuplet*> left = Tuplets();
        ASSERT_EQ(left.size(), 1u) << c.name;
        EXPECT_EQ(left[0], made[c.laterReceives ? 1 : 0]) << c.name;
        for (ECNote* note : notes) {
            EXPECT_TRUE(Holds(left[0], note)) << c.name;
            EXPECT_EQ(Notate(note)->TimeDirty(), 0) << c.name;
        }
        EXPECT_EQ(Notate(notes[1])->GetTickStart(kOwn), 128) << c.name;
    }
}

TEST_F(TimeCorrectTest, NotesInATupletsSpanJoinIt) {
    Make44();
    auto* tuplet = new ECTuplet(3, 2, kEighthUnit);
    tuplet->SetTime(&MCTime::TimeZero());
    tuplet->SetVoiceTrack(0, 1);
    measure->AddChild(tuplet, SORTED);
    AddNote(0, 85, -1, tuplet);
    auto* display = dynamic_cast<DCctTuplet*>(tuplet->GetData(DK_NOTATION, 1));
    display->SetBase(384, 256);
    display->SetTickDuration(256);
    display->SetTimeDirty(0);
    ECNote* late = AddNote(171, 85);
    ECNote* outside = AddNote(512, 256);
    Run();
    EXPECT_TRUE(Holds(tuplet, late));
    EXPECT_FALSE(Holds(measure, late));
    EXPECT_EQ(Notate(late)->GetTickStart(kOwn), 256);
    EXPECT_TRUE(Holds(measure, outside));
}

}  // namespace
