// The hand of a clef or key placed on a grand staff: the lower staff's
// voices (4 and up) place it for the lower staff, where it replaces only
// that staff's clef or key; the upper staff's stays.
#include "notation/tools/staffmarks.h"

#include "notation/display/clef.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/tools/markview_support.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT IDR_STAFFMARKS_MAIN = 29955;
constexpr UINT IDR_STAFFMARKS_DOC = 29956;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_STAFFMARKS_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_STAFFMARKS_DOC, kDocMenu);

constexpr int kQuarter = 256;   // display ticks
constexpr unsigned char kUpper = 0, kLower = 1;

class GrandStaffMarksTest : public tool_test::MarkView {
protected:
    GrandStaffMarksTest() : MarkView(IDR_STAFFMARKS_MAIN, IDR_STAFFMARKS_DOC) {}

    template <class Mark>
    static Mark* OfHand(const std::vector<Mark*>& marks, unsigned char hand) {
        for (Mark* mark : marks)
            if (mark->GetHand() == hand)
                return mark;
        return nullptr;
    }
};

TEST_F(GrandStaffMarksTest, TheLowerStaffsClefOrKeyIsReplacedAndTheUpperStaffsStays) {
    int type = ET_CLEF;
    ASSERT_TRUE(OpenWith([&type]() -> ECBase* {
        if (type == ET_CLEF)
            return new ECClef(DCctClef::CLEF_TREBLE);
        return new ECKey(2, 0);
    }));
    MakeGrandStaff();
    ECClef* upper = OfHand(Clefs(1), kUpper);
    ECClef* lower = OfHand(Clefs(1), kLower);
    ASSERT_NE(upper, nullptr);
    ASSERT_NE(lower, nullptr) << "a grand staff reads in two clefs";
    ASSERT_EQ(lower->GetClefType(), DCctClef::CLEF_BASS);
    SCBase mode(STATE_MODE_INSERT);
    document->UpdateAllViews(nullptr, STATE_MODE_INSERT, &mode);
    lower->Ref();

    // A treble clef on the upper staff is the one in force there.
    Click(NearDivisionOnHand(1, 0, false));
    Settle();
    EXPECT_TRUE(commands.ids.empty());
    // On the lower staff it replaces the bass clef only.
    Click(NearDivisionOnHand(1, 0, true));
    Settle();
    EXPECT_EQ(commands.ids, (std::vector<int>{CMD_REMOVE, CMD_ADD}));
    ASSERT_EQ(Clefs(1).size(), 2u);
    EXPECT_EQ(OfHand(Clefs(1), kUpper), upper);
    ECClef* placed = OfHand(Clefs(1), kLower);
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(placed->GetClefType(), DCctClef::CLEF_TREBLE);
    EXPECT_GE(placed->GetVoiceTrack()->GetVoice(), 4);
    EXPECT_TRUE(lower->GetParents()->IsEmpty());
    lower->Unref(1);

    // A key on the lower staff mid measure 1 goes to the lower staff only.
    type = ET_KEY;
    document->UpdateAllViews(nullptr, STATE_MODE_INSERT, &mode);
    ECKey* upperKey = OfHand(Keys(1), kUpper);
    ASSERT_NE(upperKey, nullptr);
    ASSERT_NE(OfHand(Keys(1), kLower), nullptr) << "each staff reads in a key";
    commands = tool_test::CommandLog{};
    Click(NearDivisionOnHand(1, 2 * kQuarter, true));
    Settle();
    EXPECT_EQ(commands.ids, (std::vector<int>{CMD_REMOVE, CMD_ADD}));
    ASSERT_EQ(Keys(1).size(), 2u);
    EXPECT_EQ(OfHand(Keys(1), kUpper), upperKey);
    ECKey* lowerKey = OfHand(Keys(1), kLower);
    ASSERT_NE(lowerKey, nullptr);
    EXPECT_EQ(lowerKey->GetAccidentals(), 2);
    EXPECT_EQ(*lowerKey->GetTime(), Quarters(0.0f)) << "the measure's start";
}

}  // namespace
