// The select and erase tools in a score window: clicks, Ctrl-clicks and
// bands change the selection as the user expects, a click on empty staff
// leaves a blinking caret, and erasing or Delete removes what may go.
#include "notation/tools/selectcursor.h"

#include "model/basiccommands.h"
#include "model/command.h"
#include "model/meter.h"
#include "model/metercommands.h"
#include "notation/tools/tie.h"
#include "notation/view/viewids.h"
#include "platform/ui/keys.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/support/dump.h"
#include "tests/notation/support/durationgate.h"
#include "tests/notation/tools/toolview_support.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {

constexpr UINT IDR_TOOLS_MAIN = 29901;
constexpr UINT IDR_TOOLS_DOC = 29902;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_TOOLS_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_TOOLS_DOC, kDocMenu);

constexpr int kQuarter = 256;   // display ticks

class SelectToolTest : public tool_test::ToolView {
protected:
    SelectToolTest() : ToolView(IDR_TOOLS_MAIN, IDR_TOOLS_DOC) {}

    CSelectCursor* Tool() { return dynamic_cast<CSelectCursor*>(view->GetMusicCursor()); }
};

TEST_F(SelectToolTest, HoveringShowsTheTimeAndKeepsTheToolsTimeAndParent) {
    ASSERT_TRUE(OpenPiece());
    ASSERT_NE(Tool(), nullptr);
    Move(StaffPoint(2, 2 * kQuarter));
    Settle();
    ASSERT_FALSE(log.statusTexts.empty());
    EXPECT_EQ(log.statusTexts.back(), "002:03:000");
    EXPECT_EQ(Tool()->GetParent(), nullptr);
    EXPECT_EQ(Tool()->GetTime(), MCTime());
}

TEST_F(SelectToolTest, ClicksReplaceCtrlClicksAddAndRemove) {
    ASSERT_TRUE(OpenPiece());
    const std::vector<ECNote*> notes = Notes(2);
    ASSERT_EQ(notes.size(), 3u);
    const CRect headB4(HeadPoint(notes[1]) - CSize(3, 3), CSize(7, 7));
    const QRgb selection = Rgb(SCSelection::GetColor());
    EXPECT_EQ(ColourIn(headB4, selection), 0);

    Click(HeadPoint(notes[1]));
    EXPECT_EQ(log.Count(STATE_SELECTION_REPLACE), 1);
    EXPECT_EQ(Selected(), std::vector<ECBase*>{notes[1]});
    EXPECT_GT(ColourIn(headB4, selection), 0) << "the note is drawn in the selection colour";

    Click(HeadPoint(notes[2]), MK_CONTROL);
    EXPECT_EQ(log.Count(STATE_SELECTION_ADD), 1);
    EXPECT_EQ(Selected(), (std::vector<ECBase*>{notes[1], notes[2]}));

    Click(HeadPoint(notes[1]), MK_CONTROL);
    EXPECT_EQ(log.Count(STATE_SELECTION_REMOVE), 1);
    EXPECT_EQ(Selected(), std::vector<ECBase*>{notes[2]});
    EXPECT_EQ(ColourIn(headB4, selection), 0);

    // A plain press on a selected note keeps the selection and starts no band.
    log.Clear();
    Move(HeadPoint(notes[2]));
    Press(HeadPoint(notes[2]));
    EXPECT_EQ(view->GetFlags() & MCScrollView::SV_MOUSE_DRAG, 0);
    Release(HeadPoint(notes[2]));
    EXPECT_EQ(Selected(), std::vector<ECBase*>{notes[2]});
    EXPECT_EQ(log.Count(STATE_SELECTION_REPLACE) + log.Count(STATE_SELECTION_CLEAR), 0);
}

TEST_F(SelectToolTest, AClickOnATiedNoteSelectsItsWholeChain) {
    ASSERT_TRUE(OpenPiece());
    const std::vector<ECNote*> held = Notes(4);
    ASSERT_FALSE(held.empty());
    CTie tie;
    const int partners = static_cast<int>(tie.GetTiePartners(held.front()).GetCount());
    ASSERT_GE(partners, 2) << "the held note is notated as three tied notes or more";
    Click(HeadPoint(held.front()));
    EXPECT_EQ(static_cast<int>(Selected().size()), partners + 1);
}

TEST_F(SelectToolTest, ABandWithCtrlAddsTheNotesInside) {
    ASSERT_TRUE(OpenPiece());
    const std::vector<ECNote*> notes = Notes(2);
    Click(HeadPoint(notes[0]));
    ASSERT_EQ(Selected(), std::vector<ECBase*>{notes[0]});
    // From above the staff left of B4 to below it right of E4.
    const CRect measure = FrameOf(Measure(2));
    const CPoint from = ToDevice(CPoint(FrameOf(notes[1]).left - 20, measure.top + 600));
    const CPoint to = ToDevice(CPoint(FrameOf(notes[2]).right + 20, measure.bottom - 600));
    Move(from, MK_CONTROL);
    Press(from, MK_CONTROL);
    EXPECT_NE(view->GetFlags() & MCScrollView::SV_MOUSE_DRAG, 0) << "a band runs";
    Move(to, MK_LBUTTON | MK_CONTROL);
    Release(to, MK_CONTROL);
    EXPECT_GE(log.Count(STATE_SELECTION_ADD), 1);
    const std::vector<ECBase*> selected = Selected();
    for (ECNote* note : notes)
        EXPECT_NE(std::find(selected.begin(), selected.end(), note), selected.end());
}

TEST_F(SelectToolTest, AClickOnEmptyStaffLeavesACaretThatBlinks) {
    ASSERT_TRUE(OpenPiece());
    const CPoint point = StaffPoint(3, 0);
    const CPoint beat = ToDevice(BeatTop(3, 0));
    const QImage before = Surface().copy();
    Click(point);
    EXPECT_TRUE(Selected().empty());
    const CToolCaret& caret = Tool()->GetCaret();
    EXPECT_NE(caret.drawnTop, caret.drawnBottom);
    EXPECT_EQ(ToDevice(caret.drawnTop).x, beat.x) << "at the nearest division";
    EXPECT_NE(Tool()->GetBlinkTimer(), 0u);

    const auto column = [&](const QImage& image) {
        std::vector<QRgb> pixels;
        for (int y = ToDevice(caret.drawnTop).y; y < ToDevice(caret.drawnBottom).y; ++y)
            pixels.push_back(image.pixel(beat.x, y));
        return pixels;
    };
    ASSERT_GT(column(before).size(), 10u);
    EXPECT_NE(column(Surface()), column(before)) << "the caret is shown";
    view->SendMessage(WM_TIMER, CCantrel::ID_TIMER_BLINK, 0);
    EXPECT_EQ(column(Surface()), column(before)) << "the next tick restores the score";
    view->SendMessage(WM_TIMER, CCantrel::ID_TIMER_BLINK, 0);
    EXPECT_NE(column(Surface()), column(before));

    // A click on a note hides the caret and stops the blink.
    Click(HeadPoint(Notes(2)[0]));
    EXPECT_EQ(Tool()->GetBlinkTimer(), 0u);
    EXPECT_EQ(column(Surface()), column(before));
}

// ---- the erase tool and Delete --------------------------------------------------------------

class EraseToolTest : public SelectToolTest {};

TEST_F(EraseToolTest, AClickRemovesTheNoteAndARestTakesItsPlace) {
    ASSERT_TRUE(OpenPiece(STATE_MODE_ERASE));
    ASSERT_NE(dynamic_cast<CEraseCursor*>(view->GetMusicCursor()), nullptr);
    const std::vector<ECNote*> notes = Notes(2);
    const int rests = CountOf(2, ET_REST);
    Click(HeadPoint(notes[1]));
    Settle();
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 1);
    const std::vector<ECNote*> left = Notes(2);
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(*left[0]->GetTime(), notes[0]->GetTime()[0]);
    EXPECT_EQ(*left[1]->GetTime(), notes[2]->GetTime()[0]);
    EXPECT_GT(CountOf(2, ET_REST), rests);
    EXPECT_TRUE(document->IsModified());
}

// The notes of a measure as the program plays and reads them (the view's
// duration gate): each held its full quarter, so each stays a quarter when
// the note after it goes and the rests take the rest of the bar.
TEST_F(EraseToolTest, ANoteBeforeTheErasedOneKeepsItsValue) {
    notation_test::DurationGate gate(CCantrel::kDefaultDurationGate);
    ASSERT_TRUE(OpenPiece(STATE_MODE_ERASE));
    const auto written = [&] {
        static const std::regex kElement(R"((note|rest)\(at=(\d+) (?:key=\S+ pitch=(\S+) )?value=(\S+))");
        const std::string dump = notation_dump::DumpMeasure(Measure(2), 1, 2);
        std::string text;
        for (std::sregex_iterator it(dump.begin(), dump.end(), kElement), end; it != end; ++it) {
            const std::smatch& element = *it;
            text += text.empty() ? "" : " ";
            text += (element[1] == "rest" ? std::string("rest") : element[3].str()) + " " + element[4].str() + "@" +
                    element[2].str();
        }
        return text;
    };
    EXPECT_EQ(written(), "G4 1/4@0 B4 1/4@256 rest 1/4@512 E4 1/4@768");
    Click(HeadPoint(Notes(2).back()));   // E4
    Settle();
    EXPECT_EQ(written(), "G4 1/4@0 B4 1/4@256 rest 1/2@512");
}

TEST_F(EraseToolTest, ABandRemovesOnlyTheNotes) {
    ASSERT_TRUE(OpenPiece(STATE_MODE_ERASE));
    const CRect measure = FrameOf(Measure(2));
    const int rests = CountOf(2, ET_REST);
    ASSERT_GE(rests, 1);
    const CPoint from = ToDevice(CPoint(FrameOf(Notes(2)[0]).left - 20, measure.top + 600));
    const CPoint to = ToDevice(CPoint(FrameOf(Notes(2)[2]).right + 20, measure.bottom - 600));
    Move(from);
    Press(from);
    Move(to, MK_LBUTTON);
    Release(to);
    Settle();
    EXPECT_TRUE(Notes(2).empty());
    EXPECT_GE(CountOf(2, ET_REST), 1) << "the rests stay (one fills the measure)";
}

TEST_F(SelectToolTest, DeleteRemovesTheNotesButNotTheOpeningClef) {
    ASSERT_TRUE(OpenPiece());
    ECBase* clef = Measure(1)->GetDescendant(ET_CLEF, -1);
    ASSERT_NE(clef, nullptr);
    const std::vector<ECNote*> notes = Notes(2);
    auto* selection = new SCSelection(STATE_SELECTION_REPLACE, clef);
    selection->AddToSelection(notes[0]);
    selection->AddToSelection(notes[2]);
    selection->Apply(performance);
    ASSERT_EQ(Selected().size(), 3u);
    Key(VK_DELETE);
    Settle();
    EXPECT_TRUE(Selected().empty());
    const std::vector<ECNote*> left = Notes(2);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0], notes[1]);
    EXPECT_EQ(Measure(1)->GetDescendant(ET_CLEF, -1), clef);
}

}  // namespace
