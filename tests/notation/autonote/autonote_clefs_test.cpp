// Clefs added and removed by command: the staff's type follows the
// percussion clef, a clef change is drawn smaller, and a removed clef takes
// the next one with it when that one would repeat the clef before.
#include "notation/autonote/autonote.h"

#include "model/conductor.h"
#include "model/editstates.h"
#include "model/markings.h"
#include "model/staff.h"
#include "notation/display/clef.h"
#include "tests/notation/autonote/batch_support.h"

#include <gtest/gtest.h>

namespace {

using autonote_test::BatchTest;

constexpr unsigned char CLEF_TREBLE = 0;
constexpr unsigned char CLEF_BASS = 3;
constexpr unsigned char CLEF_PERCUSSION = 8;

class ClefHandlerTest : public BatchTest {
protected:
    ECClef* NewClef(unsigned char type, float quarters) {
        auto* clef = new ECClef(type);
        piece::Place(clef, quarters, 0, 1);
        return clef;
    }
    static bool FullSize(ECClef* clef) {
        auto* display = dynamic_cast<DCctClef*>(clef->GetData(DK_NOTATION, 0));
        return display && display->IsFullSize();
    }
};

// The percussion clef makes the staff a percussion staff, the next other
// clef an ordinary one again; a clef after the opening is drawn smaller.
TEST_F(ClefHandlerTest, TheStaffTypeFollowsThePercussionClef) {
    MakePiece(1, 3);
    PutOn(1, NewClef(CLEF_TREBLE, 0.0f), 0.0f);
    Attach();
    const struct {
        unsigned char clef;
        float at;
        int staffType;
    } steps[] = {
        {CLEF_PERCUSSION, 4.0f, 3},
        {CLEF_TREBLE, 8.0f, 0},
        {CLEF_BASS, 10.0f, 0},
    };
    for (const auto& step : steps) {
        ECClef* clef = NewClef(step.clef, step.at);
        Run(new CCAdd(clef, Bar(1, step.at)));
        EXPECT_EQ(Staff(1)->GetStaffType(), step.staffType) << int(step.clef);
        EXPECT_FALSE(FullSize(clef)) << int(step.clef);
        // Renotated from the clef to the end of the piece, paged from there.
        EXPECT_EQ(prepared.notateRange, NOTATE_EVENTS) << int(step.clef);
        EXPECT_EQ(prepared.pagenateRange, PAGENATE_FROM) << int(step.clef);
        EXPECT_EQ(prepared.timeStart, MCTime(step.at)) << int(step.clef);
        EXPECT_TRUE(engine().GetDirtyRect().GetRedrawAll()) << int(step.clef);
    }
}

// Clefs at 0 (treble), 4 (bass), 8 (treble): the bass clef goes, and with
// it the treble clef at 8, which would repeat the opening one. While a tool
// replaces the clef in place, the removal prepares nothing.
TEST_F(ClefHandlerTest, ARemovedClefTakesTheRepeatAfterIt) {
    const struct {
        int replacing;
        bool repeatStays;
        int notateRange;
    } cases[] = {
        {0, false, NOTATE_EVENTS},
        {1, true, NOTATE_NONE},
    };
    MakePiece(1, 3);
    PutOn(1, NewClef(CLEF_TREBLE, 0.0f), 0.0f);
    Attach();
    for (const auto& c : cases) {
        ECClef* bass = PutOn(1, NewClef(CLEF_BASS, 4.0f), 4.0f);
        ECClef* repeat = PutOn(1, NewClef(CLEF_TREBLE, 8.0f), 8.0f);
        repeat->Ref();
        engine().SetReplaceEvent(c.replacing);
        Run(new CCRemove(bass));
        EXPECT_EQ(Holds(Measure(1, 3), repeat), c.repeatStays) << c.replacing;
        EXPECT_EQ(prepared.notateRange, c.notateRange) << c.replacing;
        if (c.repeatStays)
            Run(new CCRemove(repeat));
        repeat->Unref(1);
    }
}

// A clef edited in place inside bar 2 into a percussion clef: the staff
// becomes a percussion staff, and bar 2 is renotated from its start up to
// the next clef.
TEST_F(ClefHandlerTest, AClefEditedInPlaceRenotatesItsMeasureOn) {
    MakePiece(1, 3);
    PutOn(1, NewClef(CLEF_TREBLE, 0.0f), 0.0f);
    ECClef* edited = PutOn(1, NewClef(CLEF_BASS, 6.0f), 6.0f);
    PutOn(1, NewClef(CLEF_TREBLE, 10.0f), 10.0f);
    Attach();
    edited->SetClefType(CLEF_PERCUSSION);
    SCEventEdit edit(STATE_EVENTS_EDITED);
    engine().PrepareForEditClef(&edit, edited, Measure(1, 2));
    EXPECT_EQ(Staff(1)->GetStaffType(), 3);
    EXPECT_EQ(info().GetNotateRange(), NOTATE_EVENTS);
    EXPECT_EQ(info().GetPagenateRange(), PAGENATE_FROM);
    EXPECT_EQ(info().GetTimeStart(), MCTime(4.0f));
    EXPECT_EQ(info().GetTimeEnd(), MCTime(10.0f));
    EXPECT_TRUE(engine().GetDirtyRect().GetRedrawAll());
}

}  // namespace
