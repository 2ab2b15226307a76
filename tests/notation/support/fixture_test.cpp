// The notation fixture drives the engine as the view does: the attachment
// notates the file, a batch reaches the engine in its Prepare and Process
// phases and ends with Finish, the states are answered, and the notate info
// is reset after every run.
#include "tests/notation/support/notation_fixture.h"

#include "model/appstates.h"
#include "model/conductor.h"
#include "model/measure.h"
#include "model/measurecommands.h"
#include "model/states.h"
#include "notation/display/measure.h"
#include "sequencer/enginestates.h"
#include "tests/support/smf_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using notation_test::SeenState;

constexpr int DIVISION = 256;
constexpr int STAFF_COUNT = 2;
constexpr int BAR_COUNT = 2;

// Two staves of two 4/4 bars, a quarter note at the start of each bar.
std::vector<uint8_t> TwoStavesTwoBars() {
    smf_support::Track conductor;
    conductor.TimeSignature(0, 4, 2).End();
    smf_support::File file(1, DIVISION);
    file.Add(conductor);
    for (int staff = 0; staff < STAFF_COUNT; ++staff) {
        smf_support::Track track;
        for (int bar = 0; bar < BAR_COUNT; ++bar)
            track.NoteOn(bar == 0 ? 0 : 3 * DIVISION, staff, 60 + staff, 90).NoteOff(DIVISION, staff, 60 + staff);
        file.Add(track.End());
    }
    return file.GetBytes();
}

int Count(const std::vector<SeenState>& states, unsigned code) {
    return static_cast<int>(std::count_if(states.begin(), states.end(), [code](const SeenState& s) { return s.code == code; }));
}

class NotationFixtureTest : public notation_test::NotationFixture {
protected:
    void SetUp() override { ASSERT_EQ(LoadMidi(TwoStavesTwoBars()), 1); }

    // Between runs the notate info holds nothing, as after pagination.
    void ExpectReset() {
        CNotateInfo& info = Engine().GetNotateInfo();
        EXPECT_EQ(info.GetNotateRange(), NOTATE_NONE);
        EXPECT_EQ(info.GetPagenateRange(), PAGENATE_NONE);
        EXPECT_EQ(info.GetStaffWindowCount(), 0);
    }
};

TEST_F(NotationFixtureTest, AttachingNotatesTheFileAndKeepsItsStates) {
    EXPECT_EQ(View().GetDocument(), Document());
    EXPECT_EQ(Performance(), Document()->GetBaseEvent());
    const std::vector<SeenState> progress = Progress();
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front().code, STATE_PROGRESS_BEGIN);
    EXPECT_EQ(progress.front().text, "Notating file...");
    EXPECT_EQ(progress.front().high, BAR_COUNT);
    EXPECT_EQ(progress.back().code, STATE_PROGRESS_END);
    ExpectReset();
}

// Two commands posted together run as one batch: one done-state, after which
// the appended measures of every staff are notated and the info is reset.
TEST_F(NotationFixtureTest, ABatchIsPreparedProcessedAndFinished) {
    ClearStates();
    RunBatch({new CCAddMeasure(1, -1), new CCAddMeasure(1, -1)});
    EXPECT_EQ(Count(States(), STATE_COMMANDS_DONE), 1);
    ASSERT_EQ(Conductor()->GetMaxMeasureNumber(), BAR_COUNT + 2);
    for (int staff = 1; staff <= STAFF_COUNT; ++staff)
        for (int bar = BAR_COUNT + 1; bar <= BAR_COUNT + 2; ++bar) {
            ECMeasure* measure = Conductor()->GetMeasure(staff, bar);
            ASSERT_NE(measure, nullptr) << staff << " " << bar;
            auto* display = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0));
            ASSERT_NE(display, nullptr) << staff << " " << bar;
            EXPECT_GE(display->GetRuler().GetNumberOfRulerGroups(), 1) << staff << " " << bar;
        }
    ExpectReset();
    const std::string dump = Dump();
    // The appended bars hold a whole-measure rest in each staff's voice.
    EXPECT_NE(dump.find("staff 1 bar 4 voice 0: rest(at=0 value=1/1 beam=-)\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("staff 2 bar 4 voice 0: rest(at=0 value=1/1 beam=-)\n"), std::string::npos) << dump;
}

TEST_F(NotationFixtureTest, StatesAreAnsweredAsTheViewAnswersThem) {
    const struct {
        const char* what;
        std::vector<unsigned> sent;
        bool notated;   // whether the answers notated the piece
    } cases[] = {
        {"a real-time recording ends", {STATE_PERFORM_RECORD, STATE_PERFORM_STOP}, true},
        {"a step recording ends", {STATE_PERFORM_STEP, STATE_PERFORM_STOP}, false},
        {"playback stops", {STATE_PERFORM_STOP}, false},
    };
    for (const auto& c : cases) {
        ClearStates();
        for (unsigned code : c.sent) {
            SCBase state(code);
            Notify(state);
        }
        EXPECT_EQ(Count(States(), STATE_PROGRESS_BEGIN) > 0, c.notated) << c.what;
        EXPECT_FALSE(Engine().GetNotateInfo().IsRecording()) << c.what;
        ExpectReset();
    }

    // A preference change reads the preferences again.
    Engine().SetResolution(CAutoNote::DEFAULT_RESOLUTION / 2);
    SendState(new SCPrefs);
    EXPECT_EQ(Engine().GetResolution(), CAutoNote::DEFAULT_RESOLUTION);
}

}  // namespace
