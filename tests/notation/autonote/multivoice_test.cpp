// Voice separation: guessed voices by pitch and timing, user voices kept,
// the grand staff's split, drum voices, overlap removal within a voice and
// the tied continuation that gives way to a played note.
#include "notation/autonote/multivoice.h"

#include "model/meter.h"
#include "model/performance.h"
#include "model/staff.h"
#include "notation/tools/tie.h"
#include "tests/notation/autonote/played_support.h"
#include "tests/notation/display/measure_support.h"

#include <gtest/gtest.h>

#include <iterator>
#include <thread>
#include <vector>

namespace {

using played_test::PlayedTest;

// How the engine sets the pass up for a run.
enum class Mode {
    GUESSING,    // an edit that asks for a guess: input 2, voice guessing allowed
    FILE_LOAD,   // a file read: input 0
    NO_VOICE,    // input 2, but voice guessing forbidden (SetVoice other than 14)
};

// The staff kinds the pass tells apart.
constexpr unsigned char NORMAL_STAFF = 0;
constexpr unsigned char GRAND_STAFF = 1;
constexpr unsigned char DRUM_STAFF = 3;
constexpr uint8_t SPLIT_AT_MIDDLE_C = 60;
constexpr unsigned ENGINE_VOICE = 16;   // what the engine's handlers pass

struct In {
    int key, start, length, voice;
};
struct Out {
    int voice, length;
};

class MultivoiceTest : public PlayedTest {
protected:
    void SetUp() override {
        PlayedTest::SetUp();
        MakeStaves(1);
        MakeMeasures(2);
    }

    ANMultivoice& Pass(Mode mode, uint8_t split = ANMultivoice::NO_SPLIT) {
        m_pass.Attach(m_performance);
        m_pass.SetInput(mode == Mode::FILE_LOAD ? 0 : 2);
        m_pass.SetVoice(mode == Mode::GUESSING ? ANMultivoice::VOICE_GUESS : ENGINE_VOICE);
        m_pass.SetSplit(split);
        return m_pass;
    }
    DCctMeasure* MakeDirty(ECMeasure* bar) {
        auto* display = dynamic_cast<DCctMeasure*>(bar->GetData(DK_NOTATION, 1));
        display->SetMultivoiceDirty(1);
        return display;
    }
    void Run(ECMeasure* bar) {
        MakeDirty(bar);
        ECMeter meter(4, 4, 2);
        m_pass.DoMeasure(m_conductor, Staff(1), bar, &meter);
    }

    ANMultivoice m_pass;
};

TEST_F(MultivoiceTest, VoicesAndLengthsByStaffAndMode) {
    const struct Case {
        const char* name;
        unsigned char staffType;
        Mode mode;
        uint8_t split;
        std::vector<In> notes;
        std::vector<Out> expected;
    } cases[] = {
        {"a quarter under a whole note gets a voice of its own", NORMAL_STAFF, Mode::GUESSING, 255,
         {{72, 0, 1024, 0}, {64, 0, 256, 0}},
         {{0, 1024}, {1, 256}}},
        {"a third line opens voice 2, a fourth stays in it", NORMAL_STAFF, Mode::GUESSING, 255,
         {{72, 0, 1024, 0}, {64, 0, 256, 0}, {60, 0, 512, 0}, {55, 0, 128, 0}},
         {{0, 1024}, {1, 256}, {2, 128}, {2, 128}}},
        {"lengths within the resolution are one line", NORMAL_STAFF, Mode::GUESSING, 255,
         {{64, 0, 256, 0}, {62, 0, 192, 0}},
         {{0, 192}, {0, 192}}},
        {"a legato line stays one voice, cut at each onset", NORMAL_STAFF, Mode::GUESSING, 255,
         {{60, 0, 320, 0}, {62, 256, 320, 0}, {64, 512, 256, 0}},
         {{0, 256}, {0, 256}, {0, 256}}},
        {"the lowest line comes first in the measure", NORMAL_STAFF, Mode::GUESSING, 255,
         {{48, 0, 1024, 0}, {67, 0, 256, 0}, {69, 256, 256, 0}},
         {{1, 1024}, {0, 256}, {0, 256}}},
        {"a file load keeps the voices, overlaps cut", NORMAL_STAFF, Mode::FILE_LOAD, 255,
         {{72, 0, 1024, 0}, {64, 0, 256, 0}},
         {{0, 256}, {0, 256}}},
        {"voices forbidden: the user's stay", NORMAL_STAFF, Mode::NO_VOICE, 255,
         {{72, 0, 1024, 0}, {64, 0, 256, 1}},
         {{0, 1024}, {1, 256}}},
        {"user voices: each voice freed of its own overlaps", NORMAL_STAFF, Mode::FILE_LOAD, 255,
         {{72, 0, 512, 3}, {71, 256, 512, 3}, {60, 0, 1024, 5}},
         {{3, 256}, {3, 512}, {5, 1024}}},
        {"grand staff split at 60, no guessing", GRAND_STAFF, Mode::FILE_LOAD, SPLIT_AT_MIDDLE_C,
         {{60, 0, 256, 2}, {59, 0, 256, 0}},
         {{0, 256}, {4, 256}}},
        {"grand staff split, guessing in each half", GRAND_STAFF, Mode::GUESSING, SPLIT_AT_MIDDLE_C,
         {{72, 0, 1024, 0}, {67, 0, 256, 0}, {48, 0, 512, 0}, {43, 0, 512, 0}},
         {{0, 1024}, {1, 256}, {4, 512}, {4, 512}}},
        {"grand staff without split or guessing keeps voices", GRAND_STAFF, Mode::FILE_LOAD, 255,
         {{60, 0, 256, 6}, {59, 0, 256, 1}},
         {{6, 256}, {1, 256}}},
        {"drums by their sound", DRUM_STAFF, Mode::FILE_LOAD, 255,
         {{36, 0, 256, 0}, {42, 0, 256, 0}},
         {{1, 256}, {0, 256}}},
    };
    MakeMeasures(static_cast<int>(std::size(cases)));
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Staff(1)->SetStaffType(c.staffType);
        ECMeasure* bar = Bar(1, ++number);
        std::vector<ECNote*> notes;
        for (const In& in : c.notes)
            notes.push_back(PutNote(bar, in.key, in.start, in.length, in.voice));
        Pass(c.mode, c.split);
        Run(bar);
        ASSERT_EQ(notes.size(), c.expected.size());
        for (size_t i = 0; i < notes.size(); ++i) {
            EXPECT_EQ(VoiceOf(notes[i]), c.expected[i].voice) << "note " << i;
            EXPECT_EQ(Length(notes[i]), c.expected[i].length) << "note " << i;
        }
        bar->RemoveChildren(1);
    }
}

TEST_F(MultivoiceTest, DrumNotesAreSpeltByTheDrumMap) {
    Staff(1)->SetStaffType(DRUM_STAFF);
    ECNote* kick = PutNote(Bar(1, 1), 36, 0, 256);
    Pass(Mode::FILE_LOAD);
    Run(Bar(1, 1));
    EXPECT_EQ(Notate(kick)->GetSpelling().IsPercussion(), 1);
    EXPECT_EQ(Notate(kick)->GetSpelling().GetMidiPitch(), 36);
    auto* display = dynamic_cast<DCctMeasure*>(Bar(1, 1)->GetData(DK_NOTATION, 0));
    EXPECT_EQ(display->GetVoiceTable(), (std::vector<BYTE>{0, 1}));
}

TEST_F(MultivoiceTest, OnlyAMultivoiceDirtyMeasureIsVoicedAndItsFlagIsCleared) {
    ECMeasure* bar = Bar(1, 1);
    ECNote* high = PutNote(bar, 72, 0, 1024);
    ECNote* low = PutNote(bar, 64, 0, 256);
    Pass(Mode::GUESSING);
    auto* display = dynamic_cast<DCctMeasure*>(bar->GetData(DK_NOTATION, 1));
    display->SetMultivoiceDirty(0);
    ECMeter meter(4, 4, 2);
    m_pass.DoMeasure(m_conductor, Staff(1), bar, &meter);
    EXPECT_EQ(VoiceOf(low), 0) << "voiced without the flag";

    Run(bar);
    EXPECT_EQ(VoiceOf(high), 0);
    EXPECT_EQ(VoiceOf(low), 1);
    EXPECT_EQ(display->MultivoiceDirty(), 0);
    EXPECT_EQ(display->GetVoiceTable(), (std::vector<BYTE>{0, 1}));

    // A measure without a display object, or none at all, is passed over.
    m_pass.DoMeasure(m_conductor, Staff(1), nullptr, &meter);
    m_pass.DoMeasure(m_conductor, Staff(1), Bar(1, 2), &meter);
    EXPECT_EQ(Bar(1, 2)->GetData(DK_NOTATION, 0), nullptr);
}

TEST_F(MultivoiceTest, SettingsAsTheEngineGivesThem) {
    ANMultivoice pass;
    EXPECT_EQ(pass.GetSplit(), ANMultivoice::NO_SPLIT);
    pass.SetInput(2);
    EXPECT_EQ(pass.GuessVoice(), 1) << "guessing is allowed by default";
    pass.SetVoice(1);
    EXPECT_EQ(pass.GuessVoice(), 0);
    pass.SetVoice(ANMultivoice::VOICE_GUESS);
    EXPECT_EQ(pass.GuessVoice(), 1);
    pass.SetInput(0);
    EXPECT_EQ(pass.GuessVoice(), 0);

    const struct { unsigned hint, stored; } hints[] = {{0, 0}, {3, 0}, {4, 4}, {5, 4}, {7, 4}};
    for (const auto& h : hints) {
        pass.SetVoiceHint(h.hint);
        EXPECT_EQ(pass.GetVoiceHint(), h.stored) << h.hint;
    }
}

TEST_F(MultivoiceTest, AGrandStaffGuessStaysInTheHintedHalf) {
    Staff(1)->SetStaffType(GRAND_STAFF);
    ECMeasure* bar = Bar(1, 1);
    ECNote* treble = PutNote(bar, 72, 0, 1024, 1);
    ECNote* low = PutNote(bar, 48, 0, 1024, 4);
    ECNote* lower = PutNote(bar, 43, 0, 256, 5);
    Pass(Mode::GUESSING);
    m_pass.SetVoiceHint(5);
    Run(bar);
    EXPECT_EQ(VoiceOf(treble), 1) << "the upper staff is not touched";
    EXPECT_EQ(VoiceOf(low), 4);
    EXPECT_EQ(VoiceOf(lower), 5);
    EXPECT_EQ(Length(low), 1024);
}

TEST_F(MultivoiceTest, ATupletTakesItsFirstChildsVoice) {
    // The tuplet's span as the tuplet display will give it.
    measure_test::RegistryCell tuplets(ET_TUPLET, RUNTIME_CLASS(DCctNotate));
    ECMeasure* bar = Bar(1, 1);
    PutNote(bar, 72, 0, 1024);
    auto* tuplet = new ECTuplet(3, 2, 4);
    tuplet->SetTime(bar->GetTime());
    tuplet->SetVoiceTrack(0, 1);
    bar->AddChild(tuplet, SORTED);
    auto* span = dynamic_cast<DCctNotate*>(tuplet->GetData(DK_NOTATION, 1));
    ASSERT_NE(span, nullptr);
    span->SetTickStart(0);
    span->SetTickDuration(256);
    std::vector<ECNote*> triplet;
    for (int i = 0; i < 3; ++i)
        triplet.push_back(PutNote(tuplet, bar, 60 + i, i * 85, 85));
    Pass(Mode::GUESSING);
    Run(bar);
    EXPECT_EQ(VoiceOf(triplet[0]), 1);
    EXPECT_EQ(VoiceOf(tuplet), VoiceOf(triplet[0]));
}

// Overlaps between notes in different scales: a triplet's notes count their
// own ticks (three eighths of 128 in a quarter), the normal notes count 256 a
// quarter; each shortened note keeps its own scale.
TEST_F(MultivoiceTest, OverlapsAcrossScalesAreCutInEachNotesOwnScale) {
    measure_test::RegistryCell tuplets(ET_TUPLET, RUNTIME_CLASS(DCctNotate));
    constexpr int TRIPLET_PULSE = 384, QUARTER = 256;
    struct Note {
        bool triplet;
        int start, length;   // own scale
        int expected;        // own length after the pass
    };
    const struct {
        const char* name;
        int tupletStart;     // normal ticks
        std::vector<Note> notes;
    } cases[] = {
        {"a triplet note ends at a normal note, on the grid of its scale", 0,
         {{true, 256, 256, 128}, {false, 256, 256, 256}}},
        {"a triplet note ends at the next one of its tuplet", 0,
         {{true, 0, 256, 128}, {true, 128, 128, 128}}},
        {"two triplet notes struck together take the shorter", 0,
         {{true, 0, 256, 128}, {true, 0, 128, 128}}},
        {"a normal note ends where a tuplet begins", 256,
         {{false, 0, 512, 256}, {true, 384, 128, 128}}},
        {"a normal and a triplet note struck together end together", 0,
         {{false, 0, 256, 64}, {true, 0, 128, 96}}},
    };
    MakeMeasures(static_cast<int>(std::size(cases)));
    int number = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ECMeasure* bar = Bar(1, ++number);
        auto* tuplet = new ECTuplet(3, 2, 4);
        MCTime at = *bar->GetTime();
        at += MCTime(static_cast<float>(c.tupletStart) / QUARTER);
        tuplet->SetTime(&at);
        tuplet->SetVoiceTrack(0, 1);
        bar->AddChild(tuplet, SORTED);
        auto* span = dynamic_cast<DCctNotate*>(tuplet->GetData(DK_NOTATION, 1));
        span->SetTickStart(static_cast<WORD>(c.tupletStart));
        span->SetTickDuration(QUARTER);
        std::vector<ECNote*> notes;
        for (const Note& n : c.notes) {
            if (!n.triplet) {
                notes.push_back(PutNote(bar, 60, n.start, n.length));
                continue;
            }
            const int normal = n.start * QUARTER / TRIPLET_PULSE;
            ECNote* note = PutNote(tuplet, bar, 62, normal, n.length);
            Notate(note)->SetBase(TRIPLET_PULSE, QUARTER);
            Notate(note)->SetTickStart(static_cast<WORD>(n.start));
            notes.push_back(note);
        }
        Pass(Mode::FILE_LOAD);
        Run(bar);
        for (size_t i = 0; i < notes.size(); ++i)
            EXPECT_EQ(Length(notes[i]), c.notes[i].expected) << "note " << i;
    }
}

// A continuation that notes whether the performance's lock was free when it
// left a parent.
class ProbeNote : public ECNote {
public:
    using ECNote::ECNote;
    int RemoveParent(ECBase* parent) override {
        if (probed) {
            std::thread other([&] {
                const bool free = probed->GetLock().try_lock();
                if (free)
                    probed->GetLock().unlock();
                leftUnlocked = leftUnlocked || free;
            });
            other.join();
        }
        return ECNote::RemoveParent(parent);
    }
    ECPerformance* probed = nullptr;
    bool leftUnlocked = false;
};

// A note carried over the bar line by the value pass (no performance data,
// a tie ending at it) that starts with a played note of its voice.
class ContinuationTest : public MultivoiceTest {
protected:
    void SetUp() override {
        MultivoiceTest::SetUp();
        head = PutNote(Bar(1, 1), 60, 768, 256);
        continuation = new ProbeNote(*Bar(1, 2)->GetTime(), MCTime(0.5f));
        continuation->SetVoiceTrack(0, 1);
        Bar(1, 2)->AddChild(continuation, SORTED);
        dynamic_cast<DCctNotate*>(continuation->GetData(DK_NOTATION, 1))->SetTickDuration(128);
        tie = new ECTie;
        tie->SetTime(head->GetTime());
        Staff(1)->AddChild(tie, SORTED);
        tie->AddChild(head, SORTED);
        tie->AddChild(continuation, SORTED);
        continuation->Ref();   // the test looks at it after it left the tree
        tie->Ref();
    }
    void TearDown() override {
        continuation->Unref(1);
        tie->Unref(1);
        MultivoiceTest::TearDown();
    }
    ECNote* head = nullptr;
    ProbeNote* continuation = nullptr;
    ECTie* tie = nullptr;
};

TEST_F(ContinuationTest, GivesWayToAPlayedNote) {
    ECNote* played = PutNote(Bar(1, 2), 60, 0, 256);
    Pass(Mode::FILE_LOAD, SPLIT_AT_MIDDLE_C);
    continuation->probed = m_performance;
    Run(Bar(1, 2));
    continuation->probed = nullptr;
    EXPECT_FALSE(continuation->leftUnlocked) << "left the tree without the performance's lock";
    EXPECT_EQ(continuation->GetParents()->GetCount(), 0);
    EXPECT_EQ(tie->GetParents()->GetCount(), 0);
    EXPECT_TRUE(tie->GetChildren()->IsEmpty());
    EXPECT_EQ(head->GetParents()->GetCount(), 1);
    EXPECT_TRUE(IsChildOf(head, Bar(1, 1)));
    EXPECT_EQ(Length(played), 256);
    EXPECT_EQ(Bar(1, 2)->GetChildren()->GetCount(), 1);
}

TEST_F(ContinuationTest, StaysWithoutAPlayedNoteBesideIt) {
    ECNote* later = PutNote(Bar(1, 2), 62, 256, 256);
    Pass(Mode::FILE_LOAD);
    Run(Bar(1, 2));
    EXPECT_TRUE(IsChildOf(continuation, Bar(1, 2)));
    EXPECT_TRUE(IsChildOf(continuation, tie));
    EXPECT_EQ(Length(continuation), 128);
    EXPECT_EQ(Length(later), 256);
    EXPECT_EQ(CTie().GetHeadOfTie(continuation), head);
}

// Rule kept for played notes: two struck together take the shorter length.
TEST_F(MultivoiceTest, PlayedNotesStruckTogetherTakeTheShorterLength) {
    ECNote* first = PutNote(Bar(1, 1), 64, 0, 128);
    ECNote* second = PutNote(Bar(1, 1), 60, 0, 256);
    Pass(Mode::FILE_LOAD);
    Run(Bar(1, 1));
    EXPECT_EQ(Length(first), 128);
    EXPECT_EQ(Length(second), 128);
    EXPECT_TRUE(IsChildOf(first, Bar(1, 1)));
    EXPECT_TRUE(IsChildOf(second, Bar(1, 1)));
    EXPECT_EQ(Notate(second)->ValueDirty(), 1);
}

}  // namespace
