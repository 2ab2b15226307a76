// The clef, flow control and text tools in a score window: a clef goes in
// at the nearest division for the hand under the pointer and the notes
// after it are drawn on its lines; the clef in force again changes nothing;
// one on a measure's start belongs to the measure before; flow marks snap,
// texts do not. The factory's rows for these tools and the key and meter
// tools stand here too.
#include "notation/tools/markcursors.h"

#include "model/conductorstaff.h"
#include "model/markings.h"
#include "model/meter.h"
#include "model/textmarks.h"
#include "notation/display/clef.h"
#include "notation/tools/signaturecursors.h"
#include "notation/tools/toolcursors.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/tools/markview_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <typeinfo>

namespace {

constexpr UINT IDR_MARKTOOLS_MAIN = 29951;
constexpr UINT IDR_MARKTOOLS_DOC = 29952;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_MARKTOOLS_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_MARKTOOLS_DOC, kDocMenu);

constexpr int kQuarter = 256;   // display ticks
constexpr unsigned char kTreble = DCctClef::CLEF_TREBLE;
constexpr unsigned char kBass = DCctClef::CLEF_BASS;

class MarkToolsTest : public tool_test::MarkView {
protected:
    MarkToolsTest() : MarkView(IDR_MARKTOOLS_MAIN, IDR_MARKTOOLS_DOC) {}
};

// ---- the factory ----------------------------------------------------------------------------

TEST_F(MarkToolsTest, ClefFlowTextKeyAndMeterEachGetTheirTool) {
    UsePrototype([] { return new ECClef(kBass); });
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    const HCURSOR signature = LoadResourceCursor(IDC_SIGNATURE_TOOL);
    const HCURSOR insert = LoadResourceCursor(IDC_INSERT_TOOL);
    ASSERT_NE(signature, nullptr);
    ASSERT_NE(signature, insert);
    const struct {
        int type;
        const std::type_info& tool;
        int snap;
        HCURSOR cursor;
    } cases[] = {
        {ET_CLEF, typeid(CClefCursor), 1, signature},   {ET_FLOWCONTROL, typeid(CFlowCursor), 1, insert},
        {ET_TEXT, typeid(CTextCursor), 0, insert},      {ET_KEY, typeid(CKeyCursor), 0, signature},
        {ET_METER, typeid(CMeterCursor), 0, signature},
    };
    for (const auto& c : cases) {
        std::unique_ptr<CMusicCursor> tool(view->CreateMusicCursor(STATE_MODE_INSERT, c.type));
        ASSERT_NE(tool, nullptr) << c.type;
        EXPECT_EQ(typeid(*tool), c.tool) << c.type;
        EXPECT_EQ(tool->IsSnap(), c.snap) << c.type;
        EXPECT_EQ(tool->GetCursor(), c.cursor) << c.type;
    }
    // Key and meter look for the staff's measure whatever the prototype allows.
    std::unique_ptr<CMusicCursor> meter(view->CreateMusicCursor(STATE_MODE_INSERT, ET_METER));
    EXPECT_EQ(meter->GetEventTypes(), std::vector<int>{ET_MEASURE});
}

// ---- clefs ----------------------------------------------------------------------------------

TEST_F(MarkToolsTest, ABassClefMidMeasureGoesInAtTheNearestDivisionAndTheNotesAfterItMove) {
    ASSERT_TRUE(OpenWith([] { return new ECClef(kBass); }));
    ASSERT_EQ(Clefs(1).size(), 1u);
    ASSERT_EQ(Clefs(1)[0]->GetClefType(), kTreble) << "the piece reads in the treble clef";
    ECNote* held = Notes(4).front();   // G4 on beat 1 of measure 4
    const CPoint before = PositionOf(held);
    const QImage page = Surface().copy();

    Click(NearDivision(3, kQuarter));
    Settle();
    EXPECT_EQ(commands.ids, std::vector<int>{CMD_ADD});
    EXPECT_TRUE(document->IsModified());
    const std::vector<ECClef*> clefs = Clefs(3);
    ASSERT_EQ(clefs.size(), 1u);
    ECClef* bass = clefs[0];
    EXPECT_EQ(bass->GetClefType(), kBass);
    EXPECT_EQ(bass->GetHand(), 0);
    EXPECT_EQ(*bass->GetTime(), Quarters(9.0f)) << "beat 2 of measure 3";
    EXPECT_EQ(bass->GetVoiceTrack()->GetTrack(), 1);

    // G4 on the bass clef stands above the staff: higher than on the treble.
    ASSERT_EQ(Notes(4).front(), held);
    EXPECT_GT(PositionOf(held).y, before.y) << "drawn on the bass clef's lines (y grows upwards)";
    view->UpdateWindow();
    const CRect box = DeviceFrame(bass);
    EXPECT_GT(ColourIn(box, qRgb(0, 0, 0)), InkIn(page, box) + 20) << "the clef is drawn";
}

TEST_F(MarkToolsTest, TheClefInForceAgainSendsNothingAndAnotherReplacesTheOneStandingThere) {
    unsigned char type = kBass;
    ASSERT_TRUE(OpenWith([&type] { return new ECClef(type); }));
    Click(NearDivision(3, kQuarter));
    Settle();
    ASSERT_EQ(Clefs(3).size(), 1u);
    ECClef* bass = Clefs(3)[0];
    bass->Ref();   // looked at once it is replaced
    document->SetModifiedFlag(FALSE);
    commands = tool_test::CommandLog{};
    log.Clear();

    // Later in its reach, and on its own place: the bass clef is in force.
    const CPoint places[] = {NearDivision(3, 3 * kQuarter), NearDivision(4, 2 * kQuarter), NearDivision(3, kQuarter)};
    for (const CPoint point : places) {
        Click(point);
        Settle();
        EXPECT_TRUE(commands.ids.empty()) << point.x;
        EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 0) << point.x;
        EXPECT_FALSE(document->IsModified()) << point.x;
    }
    EXPECT_EQ(Clefs(3), std::vector<ECClef*>{bass});
    EXPECT_TRUE(Clefs(4).empty());

    // A treble clef on the bass clef's place takes it out first, at once and
    // unannounced, then goes in: one batch is announced.
    type = kTreble;
    Click(NearDivision(3, kQuarter));
    Settle();
    EXPECT_EQ(commands.ids, (std::vector<int>{CMD_REMOVE, CMD_ADD}));
    EXPECT_EQ(commands.synchronous, (std::vector<int>{1, 0}));
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 1);
    EXPECT_TRUE(document->IsModified());
    ASSERT_EQ(Clefs(3).size(), 1u);
    EXPECT_EQ(Clefs(3)[0]->GetClefType(), kTreble);
    EXPECT_EQ(*Clefs(3)[0]->GetTime(), Quarters(9.0f));
    EXPECT_TRUE(bass->GetParents()->IsEmpty()) << "the bass clef left the piece";
    bass->Unref(1);
}

TEST_F(MarkToolsTest, AClefOnAMeasuresStartBelongsToTheMeasureBeforeButNotOnTheFirst) {
    ASSERT_TRUE(OpenWith([] { return new ECClef(kBass); }));
    const MCTime fifth = *Measure(5)->GetTime();
    ASSERT_EQ(fifth, Quarters(16.0f));

    Click(NearDivision(5, 0));
    Settle();
    EXPECT_TRUE(Clefs(5).empty());
    ASSERT_EQ(Clefs(4).size(), 1u);
    EXPECT_EQ(*Clefs(4)[0]->GetTime(), fifth) << "measure 5's start, kept";
    EXPECT_EQ(Clefs(4)[0]->GetClefType(), kBass);
    const CRect clef = DeviceFrame(Clefs(4)[0]), before = DeviceFrame(Measure(4));
    EXPECT_LE(clef.right, before.right) << "drawn before the barline";
    EXPECT_GT(clef.left, before.CenterPoint().x) << "at the measure's end";

    // On the first measure's start the clef replaces the piece's own.
    ECClef* first = Clefs(1).front();
    first->Ref();
    Click(NearDivision(1, 0));
    Settle();
    ASSERT_EQ(Clefs(1).size(), 1u);
    EXPECT_EQ(Clefs(1)[0]->GetClefType(), kBass);
    EXPECT_EQ(*Clefs(1)[0]->GetTime(), Quarters(0.0f));
    EXPECT_TRUE(first->GetParents()->IsEmpty());
    first->Unref(1);
}

// ---- flow control marks and texts -------------------------------------------------------------

TEST_F(MarkToolsTest, FlowMarksSnapToTheNearestDivisionTextsStayWhereClicked) {
    int type = ET_FLOWCONTROL;
    ASSERT_TRUE(OpenWith([&type]() -> ECBase* {
        if (type == ET_FLOWCONTROL)
            return new ECFlowControl(0);
        return new ECText(0, "dolce");
    }));
    const struct {
        int type;
        int parent;
        bool onDivision;
    } cases[] = {{ET_FLOWCONTROL, ET_CONDUCTORSTAFF, true}, {ET_TEXT, ET_STAFF, false}};
    for (const auto& c : cases) {
        type = c.type;
        SCBase mode(STATE_MODE_INSERT);
        document->UpdateAllViews(nullptr, STATE_MODE_INSERT, &mode);   // the palette's new symbol
        CMusicCursor* tool = view->GetMusicCursor();
        ASSERT_NE(tool, nullptr) << c.type;
        EXPECT_EQ(tool->CanInsert(c.type), 0) << "nothing under the pointer yet";
        Move(NearDivision(3, 2 * kQuarter));
        EXPECT_EQ(tool->CanInsert(c.type), 1) << c.type;
        EXPECT_EQ(tool->CanInsert(ET_CLEF), 0) << c.type;
        const std::vector<ECBase*> before = All(c.type);
        commands = tool_test::CommandLog{};
        Click(NearDivision(3, 2 * kQuarter));
        Settle();
        EXPECT_EQ(commands.ids, std::vector<int>{CMD_ADD}) << c.type;
        std::vector<ECBase*> added;
        for (ECBase* mark : All(c.type))
            if (std::find(before.begin(), before.end(), mark) == before.end())
                added.push_back(mark);
        ASSERT_EQ(added.size(), 1u) << c.type;
        ECBase* mark = added[0];
        EXPECT_EQ(mark->GetParents()->GetHead()->GetClassType(), c.parent) << c.type;
        const MCTime division = Quarters(10.0f);   // beat 3 of measure 3
        if (c.onDivision) {
            EXPECT_EQ(*mark->GetTime(), division) << c.type;
        } else {
            EXPECT_GT(*mark->GetTime(), division) << c.type;
            EXPECT_LT(*mark->GetTime(), Quarters(10.5f)) << c.type;
        }
    }
}

}  // namespace
