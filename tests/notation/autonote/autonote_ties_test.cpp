// Ties as the engine prepares them: a tied note sounds once.
//   - Tying two quarter Cs makes the first play a half and takes the
//     second's performer away; the notation stays as it was. Removing the
//     tie gives each its quarter back and the second sounds again: the
//     captured playback holds both.
//   - Lengths are summed in the plain division of the measure: two tied
//     triplet eighths play two thirds of a quarter.
//   - Consolidating a chain inside one measure whose length is one written
//     value makes it that value (inside a tuplet in the tuplet's own
//     division); other chains stay.
#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/notes.h"
#include "model/states.h"
#include "notation/display/note.h"
#include "notation/display/tuplet.h"
#include "notation/tools/tie.h"
#include "sequencer/performers.h"
#include "sequencer/sequence.h"
#include "tests/notation/autonote/autonote_support.h"
#include "tests/notation/autonote/batch_support.h"
#include "tests/notation/support/melody.h"
#include "tests/notation/support/notation_fixture.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using notation_test::PlayedNote;

constexpr int Q = 256;   // the file's ticks a quarter, as the notation's
constexpr int STAFF = 1;
constexpr int C4 = 60;
constexpr int CONSOLIDATE_TIES = 109;   // the edit item of the consolidate-ties command

// The notes of one bar of one staff in short: pitch, value and "~" for a
// tie on, joined by ", ".
std::string NotesOf(const std::string& dump, int staff, int bar) {
    static const std::regex kNote(R"(note\(at=-?\d+ key=\S+ pitch=(\S+) value=(\S+) tie=(\S))");
    const std::string head = "staff " + std::to_string(staff) + " bar " + std::to_string(bar);
    std::istringstream lines(dump);
    std::string text;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(head, 0) != 0 || (line[head.size()] != ':' && line[head.size()] != ' '))
            continue;
        for (std::sregex_iterator it(line.begin(), line.end(), kNote), end; it != end; ++it)
            text += (text.empty() ? "" : ", ") + (*it)[1].str() + " " + (*it)[2].str() + ((*it)[3] == "~" ? "~" : "");
    }
    return text;
}

MCTime Performed(float quarters) {
    const MCTime notated(quarters);
    return ECNote::ScaleDuration(&notated, 0);
}

class TieNotationTest : public notation_test::NotationFixture {
protected:
    void Load(const std::vector<PlayedNote>& notes) {
        ASSERT_EQ(LoadMidi(notation_test::MelodyFile(notes, Q, {4, 2})), 1);
    }
    ECNote* NoteAt(int bar, int tick) {
        ECMeasure* measure = Conductor()->GetMeasure(STAFF, bar);
        MCTime time = *measure->GetTime();
        time += MCTime(static_cast<float>(tick) / Q);
        MCEventList* children = measure->GetChildren();
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() == ET_NOTE && *child->GetTime() == time)
                return static_cast<ECNote*>(child);
        }
        return nullptr;
    }
    static DCsqNote* Performer(ECNote* note) { return dynamic_cast<DCsqNote*>(note->GetData(DK_SEQUENCER, 0)); }

    // The key-down messages playback of the whole piece hands the devices,
    // by key.
    std::vector<int> PlayedKeys() {
        doc_support::DocumentParts& parts = Parts();
        CSequence* sequence = Document()->GetSequence();
        parts.capture->Clear();
        sequence->Play();
        parts.portavel->WaitForDeviceThread();
        for (int done = 0; done < kPlayMs; done += 5) {
            parts.clock.Advance(5);
            parts.portavel->WaitForDeviceThread();
            QCoreApplication::processEvents();
        }
        sequence->Stop();
        for (int step = 0; step < 400 && sequence->GetPlaySequencer()->WaitForIdle(0) != WAIT_OBJECT_0; ++step) {
            parts.clock.Advance(5);
            parts.portavel->WaitForDeviceThread();
            QCoreApplication::processEvents();
        }
        std::vector<int> keys;
        for (const auto& record : parts.capture->GetMidi())
            if (record.bytes.size() == 3 && (record.bytes[0] & 0xF0) == 0x90 && record.bytes[2] != 0)
                keys.push_back(record.bytes[1]);
        return keys;
    }
    static int Count(const std::vector<int>& keys, int key) {
        return static_cast<int>(std::count(keys.begin(), keys.end(), key));
    }

    // A bar of 4/4 at 120 a minute lasts 2 s; a little more lets the last
    // note end.
    static constexpr int kPlayMs = 2500;
};

// Bar C4 C4 E4 F4: the two Cs tied, then the tie removed.
TEST_F(TieNotationTest, ATiedNoteSoundsOnceAndSoundsAgainWhenTheTieGoes) {
    Load({{C4, 0, Q}, {C4, Q, Q}, {64, 2 * Q, Q}, {65, 3 * Q, Q}});
    ASSERT_EQ(NotesOf(Dump(), STAFF, 1), "C4 1/4, C4 1/4, E4 1/4, F4 1/4");
    ECNote* first = NoteAt(1, 0);
    ECNote* second = NoteAt(1, Q);
    ASSERT_TRUE(first && second && Performer(second));
    ASSERT_EQ(Count(PlayedKeys(), C4), 2);

    auto* tie = new ECTie;
    tie->SetTime(first->GetTime());
    tie->SetVoiceTrack(first->GetVoiceTrack());
    tie->AddChild(first, SORTED);
    tie->AddChild(second, SORTED);
    ECBase* staff = Conductor()->GetMeasure(STAFF, 1)->GetAncestor(ET_STAFF, 1);
    RunBatch({new CCAdd(tie, staff)});
    EXPECT_EQ(*first->GetDuration(), Performed(2.0f));
    EXPECT_EQ(*second->GetDuration(), MCTime::TimeZero());
    EXPECT_EQ(Performer(second), nullptr);
    EXPECT_EQ(NotesOf(Dump(), STAFF, 1), "C4 1/4~, C4 1/4, E4 1/4, F4 1/4");
    EXPECT_EQ(Count(PlayedKeys(), C4), 1);

    RunBatch({new CCRemove(tie)});
    EXPECT_EQ(*first->GetDuration(), Performed(1.0f));
    EXPECT_EQ(*second->GetDuration(), Performed(1.0f));
    ASSERT_NE(Performer(second), nullptr);
    EXPECT_EQ(Performer(second)->GetMidiData().GetDataByte1(), C4);
    EXPECT_EQ(NotesOf(Dump(), STAFF, 1), "C4 1/4, C4 1/4, E4 1/4, F4 1/4");
    EXPECT_EQ(Count(PlayedKeys(), C4), 2);
}

// Bar C4 q, D4 held a dotted quarter from beat 2 (written q~e), E4 e, F4 q:
// consolidating D4's chain writes one dotted quarter. A quarter tied to a
// sixteenth has no one value, and a chain over a bar line stays.
struct ConsolidateCase {
    const char* name;
    std::vector<PlayedNote> notes;
    int tick;   // of the note consolidated, in bar 1
    const char* before;
    const char* after;
};
void PrintTo(const ConsolidateCase& c, std::ostream* os) {
    *os << c.name;
}

class ConsolidateTest : public TieNotationTest, public ::testing::WithParamInterface<ConsolidateCase> {};

TEST_P(ConsolidateTest, AChainBecomesItsOneValueOrStays) {
    const ConsolidateCase& c = GetParam();
    Load(c.notes);
    ASSERT_EQ(NotesOf(Dump(), STAFF, 1), c.before);
    ECNote* note = NoteAt(1, c.tick);
    ASSERT_NE(note, nullptr);
    auto* edit = new SCEventEdit(STATE_EVENTS_EDITED);
    edit->AddItem(note, CONSOLIDATE_TIES);
    SendState(edit);
    EXPECT_EQ(NotesOf(Dump(), STAFF, 1), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Chains, ConsolidateTest,
    ::testing::Values(ConsolidateCase{"dotted_quarter",
                                      {{60, 0, Q}, {62, Q, 3 * Q / 2}, {64, 5 * Q / 2, Q / 2}, {65, 3 * Q, Q}},
                                      Q,
                                      "C4 1/4, D4 1/4~, D4 1/8, E4 1/8, F4 1/4",
                                      "C4 1/4, D4 1/4., E4 1/8, F4 1/4"},
                      ConsolidateCase{"quarter_and_sixteenth",
                                      {{60, 0, Q}, {62, Q, 5 * Q / 4}, {64, 9 * Q / 4, 3 * Q / 4}, {65, 3 * Q, Q}},
                                      Q,
                                      "C4 1/4, D4 1/4~, D4 1/16, E4 1/8., F4 1/4",
                                      "C4 1/4, D4 1/4~, D4 1/16, E4 1/8., F4 1/4"},
                      ConsolidateCase{"over_the_bar_line",
                                      {{60, 0, Q}, {62, Q, Q}, {64, 2 * Q, Q}, {65, 3 * Q, 2 * Q}, {67, 5 * Q, 3 * Q}},
                                      3 * Q,
                                      "C4 1/4, D4 1/4, E4 1/4, F4 1/4~",
                                      "C4 1/4, D4 1/4, E4 1/4, F4 1/4~"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- lengths: across a bar line, inside a tuplet ------------------------------

constexpr int TRIPLET_EIGHTH = 128;   // in the tuplet's own division
constexpr int QUARTER = 256;          // the plain base of an eighth triplet
constexpr int THREE_EIGHTHS = 384;    // its borrowed base

class TieLengthTest : public autonote_test::AutonoteTest {
protected:
    void SetUp() override {
        AutonoteTest::SetUp();
        m_notes = std::make_unique<autonote_test::DisplayClasses>(std::vector<int>{ET_NOTE}, RUNTIME_CLASS(DCctNote));
        MakeStaves(1);
        MakeMeasures(2);
    }
    void TearDown() override {
        m_notes.reset();
        AutonoteTest::TearDown();
    }
    // A triplet eighth at the n-th place of the bar's first beat.
    ECNote* TripletEighth(int place) {
        ECNote* note = PutNote(Bar(1, 0.0f), place / 3.0f, 1.0f / 3.0f);
        auto* display = dynamic_cast<DCctNotate*>(note->GetData(DK_NOTATION, 1));
        display->SetBase(THREE_EIGHTHS, QUARTER);
        display->SetTickStart(static_cast<WORD>(place * TRIPLET_EIGHTH));
        display->SetTickDuration(TRIPLET_EIGHTH);
        return note;
    }
    // A plain note `ticks` long at a tick of bar 1 or 2.
    ECNote* Plain(int bar, int tick, int ticks) {
        const float barStart = (bar - 1) * 4.0f;
        ECNote* note = PutNote(Bar(1, barStart), barStart + tick / float(Q), ticks / float(Q));
        auto* display = dynamic_cast<DCctNotate*>(note->GetData(DK_NOTATION, 1));
        display->SetTickStart(static_cast<WORD>(tick));
        display->SetTickDuration(static_cast<WORD>(ticks));
        return note;
    }
    std::unique_ptr<autonote_test::DisplayClasses> m_notes;
};

// Two tied triplet eighths last two thirds of a quarter: the head plays
// that long, not the quarter their written eighths would add up to.
TEST_F(TieLengthTest, TwoTiedTripletEighthsPlayTwoThirdsOfAQuarter) {
    ECNote* head = TripletEighth(0);
    ECNote* later = TripletEighth(1);
    ECTie* tie = autonote_test::TieNotes(Bar(1, 0.0f), head, later);
    CAutoNote engine;
    CCBase command;
    engine.AddTie(&command, tie, nullptr);
    EXPECT_NEAR(head->GetDuration()->GetTicks(Q), 2 * Q / 3, 1);
    EXPECT_EQ(*later->GetDuration(), MCTime::TimeZero());

    // Removing the tie gives each its own third of a quarter back.
    engine.RemoveTie(&command, tie, nullptr);
    EXPECT_NEAR(head->GetDuration()->GetTicks(Q), Q / 3, 1);
    EXPECT_NEAR(later->GetDuration()->GetTicks(Q), Q / 3, 1);
}

// A tie over a bar line counts from the head's place in its bar to the end
// of the later note in the next; a chain's head sounds for the whole chain.
TEST_F(TieLengthTest, AHeadPlaysToTheEndOfItsChainOverABarLine) {
    ECNote* head = Plain(1, 3 * Q, Q);
    ECNote* middle = Plain(2, 0, Q / 2);
    ECNote* last = Plain(2, Q / 2, Q / 4);
    CAutoNote engine;
    CCBase command;
    engine.AddTie(&command, autonote_test::TieNotes(Bar(1, 0.0f), head, middle), nullptr);
    EXPECT_EQ(head->GetDuration()->GetTicks(Q), Q + Q / 2);
    ECTie* onward = autonote_test::TieNotes(Bar(1, 4.0f), middle, last);
    engine.AddTie(&command, onward, nullptr);
    EXPECT_EQ(head->GetDuration()->GetTicks(Q), Q + Q / 2 + Q / 4);
    EXPECT_EQ(*middle->GetDuration(), MCTime::TimeZero());
    EXPECT_EQ(*last->GetDuration(), MCTime::TimeZero());

    // Cut between the second and the third: the head keeps its part.
    engine.RemoveTie(&command, onward, nullptr);
    EXPECT_EQ(head->GetDuration()->GetTicks(Q), Q + Q / 2);
    EXPECT_EQ(last->GetDuration()->GetTicks(Q), Q / 4);
}

}  // namespace

namespace {

// Consolidating inside a tuplet: the value is written in the tuplet's own
// division, the performed length stays what the notes last.
class TupletConsolidateTest : public autonote_test::BatchTest {
protected:
    void SetUp() override {
        BatchTest::SetUp();
        m_notes = std::make_unique<autonote_test::DisplayClasses>(std::vector<int>{ET_NOTE}, RUNTIME_CLASS(DCctNote));
        MakePiece(1, 1);
        Attach();
    }
    void TearDown() override {
        BatchTest::TearDown();
        m_notes.reset();
    }
    ECNote* TripletEighth(int place) {
        ECNote* note = PutOn(STAFF, new ECNote(MCTime(place / 3.0f), MCTime(1.0f / 3.0f)), place / 3.0f);
        auto* display = dynamic_cast<DCctNotate*>(note->GetData(DK_NOTATION, 1));
        display->SetBase(THREE_EIGHTHS, QUARTER);
        display->SetTickStart(static_cast<WORD>(place * TRIPLET_EIGHTH));
        display->SetTickDuration(TRIPLET_EIGHTH);
        display->SetValueDirty(0);
        display->SetTimeDirty(0);
        return note;
    }
    std::unique_ptr<autonote_test::DisplayClasses> m_notes;
};

TEST_F(TupletConsolidateTest, TwoTiedTripletEighthsBecomeOneTripletQuarter) {
    ECNote* head = TripletEighth(0);
    ECNote* later = TripletEighth(1);
    ECTie* tie = autonote_test::TieNotes(Measure(STAFF, 1), head, later);
    CCBase command;
    engine().AddTie(&command, tie, nullptr);
    engine().PrepareEditConsolidateTies(nullptr, nullptr, head);
    auto* display = dynamic_cast<DCctNotate*>(head->GetData(DK_NOTATION, 0));
    EXPECT_EQ(display->GetTickDuration(DCctTuplet::TICKS_OWN), 2 * TRIPLET_EIGHTH);
    EXPECT_EQ(display->GetValueCode(), DCctNotate::VALUE_QUARTER);
    EXPECT_NEAR(head->GetDuration()->GetTicks(Q), 2 * Q / 3, 1);
}

}  // namespace
