// The voice check the notation fixture runs after every run: a notated
// piece passes; a note made to sound into the next one of its voice, or
// two notes struck together with different lengths, fail with the staff,
// bar and voice named.
#include "tests/notation/support/voicecheck.h"

#include "model/eventtypes.h"
#include "model/measure.h"
#include "model/notes.h"
#include "model/staff.h"
#include "notation/autonote/notatelinks.h"
#include "notation/display/notate.h"
#include "tests/notation/support/melody.h"
#include "tests/notation/support/notation_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int DIVISION = 256;
constexpr int QUARTER = 256;   // notation ticks

class VoiceCheckTest : public notation_test::NotationFixture {
protected:
    static void AppendNotes(ECBase* parent, std::vector<DCctNotate*>& notes) {
        MCEventList* children = parent->GetChildren();
        for (POSITION at = children ? children->GetHeadPosition() : nullptr; at;) {
            ECBase* child = children->GetNext(at);
            if (child->GetClassType() == ET_NOTE)
                notes.push_back(dynamic_cast<DCctNotate*>(GetNotateData(child)));
            else if (child->GetClassType() == ET_CHORD)
                AppendNotes(child, notes);
        }
    }
    // The note display objects of staff 1's measure number `bar`, in child
    // order (a chord's notes in its place).
    std::vector<DCctNotate*> NotesOfBar(int bar) {
        std::vector<DCctNotate*> notes;
        ECBase* staff = Conductor()->GetTrack(TRACK_STAFF, 1, 0);
        MCEventList* measures = staff->GetChildren();
        int number = 0;
        for (POSITION pos = measures->GetHeadPosition(); pos;) {
            ECBase* measure = measures->GetNext(pos);
            if (measure->GetClassType() != ET_MEASURE || ++number != bar)
                continue;
            AppendNotes(measure, notes);
        }
        return notes;
    }
};

TEST_F(VoiceCheckTest, NamesStaffBarAndVoiceOfOverlappingNotes) {
    // Bar 2: two quarters one after the other, then two struck together.
    const std::vector<notation_test::PlayedNote> played = {
        {60, 4 * DIVISION, DIVISION}, {62, 5 * DIVISION, DIVISION},
        {64, 6 * DIVISION, DIVISION}, {67, 6 * DIVISION, DIVISION},
    };
    ASSERT_EQ(LoadMidi(notation_test::MelodyFile(played, DIVISION, {4, 2})), 1);
    EXPECT_TRUE(notation_check::NoOverlapsInVoices(Conductor()));

    std::vector<DCctNotate*> notes = NotesOfBar(2);
    ASSERT_EQ(notes.size(), 4u);
    for (DCctNotate* note : notes)
        ASSERT_NE(note, nullptr);

    const struct {
        const char* name;
        int note;      // lengthened
        int length;
    } cases[] = {
        {"into the next note", 0, QUARTER + 1},
        {"struck together, ragged", 2, 2 * QUARTER},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int kept = NotateTickDuration(notes[c.note], 0);
        notes[c.note]->SetTickDuration(static_cast<WORD>(c.length));
        const ::testing::AssertionResult result = notation_check::NoOverlapsInVoices(Conductor());
        EXPECT_FALSE(result);
        EXPECT_NE(std::string(result.message()).find("staff 1 bar 2 voice 0"), std::string::npos) << result.message();
        notes[c.note]->SetTickDuration(static_cast<WORD>(kept));
        EXPECT_TRUE(notation_check::NoOverlapsInVoices(Conductor()));
    }
}

// A voice one element short of its measure, or one tick long, is named.
TEST_F(VoiceCheckTest, NamesAVoiceThatDoesNotFillItsMeasure) {
    // Bar 2 of 4/4: a quarter, then rests fill the bar.
    const std::vector<notation_test::PlayedNote> played = {{60, 4 * DIVISION, DIVISION}};
    ASSERT_EQ(LoadMidi(notation_test::MelodyFile(played, DIVISION, {4, 2})), 1);
    ASSERT_TRUE(notation_check::VoicesFillTheirMeasures(Conductor()));

    std::vector<DCctNotate*> notes = NotesOfBar(2);
    ASSERT_EQ(notes.size(), 1u);
    ASSERT_NE(notes[0], nullptr);
    notes[0]->SetTickDuration(static_cast<WORD>(QUARTER + 1));
    const ::testing::AssertionResult result = notation_check::VoicesFillTheirMeasures(Conductor());
    EXPECT_FALSE(result);
    EXPECT_NE(std::string(result.message()).find("staff 1 bar 2 voice 0: 1025 of 1024"), std::string::npos)
        << result.message();
    notes[0]->SetTickDuration(static_cast<WORD>(QUARTER));
    EXPECT_TRUE(notation_check::VoicesFillTheirMeasures(Conductor()));
}

}  // namespace
