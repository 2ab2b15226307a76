// The key and meter tools in a score window: the measure under the pointer
// shows selected; a key goes to the start of the measure clicked and takes
// the place of the key standing there; a meter goes to the measure's start
// on the conductor staff and rebars what follows; a key or meter already in
// force there sends nothing.
#include "notation/tools/signaturecursors.h"

#include "model/conductor.h"
#include "model/meter.h"
#include "notation/view/selectionoffset.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/tools/markview_support.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT IDR_SIGNATURES_MAIN = 29953;
constexpr UINT IDR_SIGNATURES_DOC = 29954;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_SIGNATURES_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_SIGNATURES_DOC, kDocMenu);

constexpr int kQuarter = 256;   // display ticks

class SignatureToolsTest : public tool_test::MarkView {
protected:
    SignatureToolsTest() : MarkView(IDR_SIGNATURES_MAIN, IDR_SIGNATURES_DOC) {}

    CHighlightBase* Tool() { return dynamic_cast<CHighlightBase*>(view->GetMusicCursor()); }
    void Forget() {
        commands = tool_test::CommandLog{};
        log.Clear();
        document->SetModifiedFlag(FALSE);
    }
    void ExpectNothingSent(const char* what) {
        EXPECT_TRUE(commands.ids.empty()) << what;
        EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 0) << what;
        EXPECT_FALSE(document->IsModified()) << what;
    }
    ECMeter* MeterAt(float quarters) {
        return Conductor()->GetMeterAtTime(MCTime(quarters));
    }
};

// ---- keys -----------------------------------------------------------------------------------

TEST_F(SignatureToolsTest, AKeyClickedMidMeasureGoesToItsStartAndReplacesTheKeyStandingThere) {
    short sharps = 1;
    ASSERT_TRUE(OpenWith([&sharps] { return new ECKey(sharps, 0); }));
    ASSERT_NE(dynamic_cast<CKeyCursor*>(Tool()), nullptr);
    const QRgb selection = Rgb(SCSelection::GetColor());
    const CRect measure3 = DeviceFrame(Measure(3));
    const QImage page = Surface().copy();

    Move(NearDivision(3, 2 * kQuarter));
    Settle();
    EXPECT_EQ(Tool()->GetHighlighted(), Measure(3));
    EXPECT_GT(ColourIn(measure3, selection), 0) << "the measure shows selected";
    ASSERT_FALSE(log.statusTexts.empty());
    EXPECT_EQ(log.statusTexts.back().substr(0, 7), "003:03:") << "the time under the pointer";
    CSelectionOffset offset;
    CPoint point = NearDivision(3, 2 * kQuarter);
    EXPECT_EQ(Tool()->Update(point, offset), 0) << "no key is pasted at an offset";

    Click(NearDivision(3, 2 * kQuarter));
    Settle();
    EXPECT_EQ(commands.ids, std::vector<int>{CMD_ADD});
    EXPECT_TRUE(document->IsModified());
    ASSERT_EQ(Keys(3).size(), 1u);
    ECKey* g = Keys(3)[0];
    EXPECT_EQ(g->GetAccidentals(), 1);
    EXPECT_EQ(g->GetHand(), 0);
    EXPECT_EQ(*g->GetTime(), Quarters(8.0f)) << "measure 3's start";
    EXPECT_EQ(g->GetVoiceTrack()->GetVoice(), 0);
    EXPECT_EQ(g->GetVoiceTrack()->GetTrack(), 1);
    view->UpdateWindow();
    const CRect box = DeviceFrame(g);
    EXPECT_GT(InkIn(Surface(), box), InkIn(page, box) + 10) << "the sharp is drawn";

    // Another key mid-measure takes the place of the one at the start, which
    // leaves at once and unannounced.
    Forget();
    g->Ref();
    sharps = 2;
    Click(NearDivision(3, 3 * kQuarter));
    Settle();
    EXPECT_EQ(commands.ids, (std::vector<int>{CMD_REMOVE, CMD_ADD}));
    EXPECT_EQ(commands.synchronous, (std::vector<int>{1, 0}));
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 1);
    ASSERT_EQ(Keys(3).size(), 1u);
    EXPECT_EQ(Keys(3)[0]->GetAccidentals(), 2);
    EXPECT_TRUE(g->GetParents()->IsEmpty());
    g->Unref(1);

    // The key in force, anywhere in its reach, sends nothing.
    Forget();
    for (const CPoint at : {NearDivision(3, kQuarter), NearDivision(4, 2 * kQuarter)}) {
        Click(at);
        Settle();
        ExpectNothingSent("D major again");
    }
    EXPECT_EQ(Keys(3).size(), 1u);
    EXPECT_TRUE(Keys(4).empty());

    // On the measure's very start the key standing there is the one replaced,
    // not the one before it: C major there takes D major's place.
    sharps = 0;
    const CPoint start(DeviceFrame(Measure(3)).left + 2, StaffPoint(3, 0).y);
    Move(start);
    ASSERT_EQ(Tool()->GetTime(), Quarters(8.0f));
    Click(start);
    Settle();
    ASSERT_EQ(Keys(3).size(), 1u);
    EXPECT_EQ(Keys(3)[0]->GetAccidentals(), 0);
}

// ---- meters ---------------------------------------------------------------------------------

TEST_F(SignatureToolsTest, AMeterGoesToTheMeasuresStartOnTheConductorAndRebarsWhatFollows) {
    int beats = 3;
    ASSERT_TRUE(OpenWith([&beats] { return new ECMeter(static_cast<unsigned char>(beats), 4, 2); }));
    ASSERT_NE(dynamic_cast<CMeterCursor*>(Tool()), nullptr);
    ASSERT_EQ(*Measure(3)->GetTime(), Quarters(8.0f));

    Move(NearDivision(2, 2 * kQuarter));
    Settle();
    ASSERT_FALSE(log.statusTexts.empty());
    EXPECT_EQ(log.statusTexts.back(), "002:01:000") << "the measure's start";
    EXPECT_EQ(Tool()->GetHighlighted(), Measure(2));
    Move(NearDivision(2, 3 * kQuarter));
    EXPECT_EQ(log.statusTexts.back(), "002:01:000");

    Click(NearDivision(2, 3 * kQuarter));
    Settle();
    EXPECT_EQ(commands.ids, std::vector<int>{CMD_ADDMETER});
    EXPECT_TRUE(document->IsModified());
    ECMeter* meter = MeterAt(4.0f);
    ASSERT_NE(meter, nullptr);
    EXPECT_EQ(meter->GetNumerator(), 3);
    EXPECT_EQ(*meter->GetTime(), Quarters(4.0f));
    EXPECT_EQ(meter->GetVoiceTrack()->GetValue(), 0) << "voice 0, track 0";
    EXPECT_EQ(meter->GetParents()->GetHead()->GetClassType(), ET_CONDUCTORSTAFF);
    // Measure 2 now holds three quarters: its fourth (E4) opens measure 3.
    EXPECT_EQ(*Measure(3)->GetTime(), Quarters(7.0f));
    ASSERT_FALSE(Notes(3).empty());
    EXPECT_EQ(*Notes(3).front()->GetTime(), Quarters(7.0f));

    // In force further on: nothing.
    Forget();
    Click(NearDivision(4, kQuarter));
    Settle();
    ExpectNothingSent("3/4 again");

    // 4/4 back on measure 2: the meter standing there is the one replaced.
    beats = 4;
    Click(NearDivision(2, kQuarter));
    Settle();
    EXPECT_EQ(commands.ids, std::vector<int>{CMD_ADDMETER});
    EXPECT_EQ(MeterAt(4.0f)->GetNumerator(), 4);
    EXPECT_EQ(*Measure(3)->GetTime(), Quarters(8.0f));
}

}  // namespace
