// The select and erase tools in a score window: clicks, Ctrl-clicks and
// bands change the selection as the user expects, a click on empty staff
// leaves a blinking caret, and erasing or Delete removes what may go.
#include "notation/tools/selectcursor.h"

#include "model/basiccommands.h"
#include "model/command.h"
#include "model/meter.h"
#include "model/metercommands.h"
#include "model/modifiers.h"
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

// The commands applied to a performance while it lives: each batch's
// meter removals (their meters' times) and each removal's element types.
struct CommandLog {
    explicit CommandLog(ECPerformance* performance) : performance(performance) {
        performance->AddCommandHandler(&CommandLog::Record, this);
    }
    ~CommandLog() { performance->RemoveCommandHandler(&CommandLog::Record, this); }
    static int Record(ECBase*, int phase, void* data, void* user) {
        auto* self = static_cast<CommandLog*>(user);
        if (phase != 0)
            return 1;
        auto* batch = static_cast<MCCommandList*>(data);
        std::vector<MCTime> meterTimes;
        for (POSITION pos = batch->GetHeadPosition(); pos;) {
            CCBase* command = batch->GetNext(pos);
            if (auto* meter = dynamic_cast<CCRemoveMeter*>(command)) {
                meterTimes.push_back(meter->GetMeterTime(0));
            } else if (auto* remove = dynamic_cast<CCRemove*>(command)) {
                std::vector<int> types;
                for (POSITION at = remove->GetRemoveList()->GetHeadPosition(); at;)
                    types.push_back(remove->GetRemoveList()->GetNext(at)->GetClassType());
                self->removed.push_back(types);
            }
        }
        if (!meterTimes.empty())
            self->batches.push_back(meterTimes);
        return 1;
    }
    ECPerformance* performance;
    std::vector<std::vector<MCTime>> batches;
    std::vector<std::vector<int>> removed;
};

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
    // An accent on B4, drawn inside the band with the notes and the rest.
    (new CCAdd(new ECAccent(0), Notes(2)[1]))->Apply(performance);
    Settle();
    ASSERT_EQ(CountOf(2, ET_ACCENT), 1);
    const CRect measure = FrameOf(Measure(2));
    const int rests = CountOf(2, ET_REST);
    ASSERT_GE(rests, 1);
    CommandLog commands(performance);
    const CPoint from = ToDevice(CPoint(FrameOf(Notes(2)[0]).left - 20, measure.top + 600));
    const CPoint to = ToDevice(CPoint(FrameOf(Notes(2)[2]).right + 20, measure.bottom - 600));
    Move(from);
    Press(from);
    Move(to, MK_LBUTTON);
    Release(to);
    Settle();
    EXPECT_TRUE(Notes(2).empty());
    EXPECT_GE(CountOf(2, ET_REST), 1) << "the rests stay (one fills the measure)";
    EXPECT_EQ(CountOf(2, ET_ACCENT), 0) << "the accent went with its note";
    ASSERT_EQ(commands.removed.size(), 1u) << "one removal";
    EXPECT_EQ(commands.removed[0], std::vector<int>(3, ET_NOTE)) << "of the three notes alone";
}

TEST_F(SelectToolTest, DeleteRemovesTheNotesButNotTheOpeningClefAndKey) {
    // G major: the key has a sharp to click on.
    ASSERT_TRUE(OpenPiece(STATE_MODE_SELECT, tool_test::PieceFile(1)));
    ECBase* clef = Measure(1)->GetDescendant(ET_CLEF, -1);
    ECBase* key = Measure(1)->GetDescendant(ET_KEY, -1);
    ASSERT_NE(clef, nullptr);
    ASSERT_NE(key, nullptr);
    const std::vector<ECNote*> notes = Notes(2);
    Click(HeadPoint(clef));
    for (ECBase* element : std::vector<ECBase*>{key, notes[0], notes[2]})
        Click(HeadPoint(element), MK_CONTROL);
    ASSERT_EQ(Selected().size(), 4u);
    Key(VK_DELETE);
    Settle();
    EXPECT_TRUE(Selected().empty());
    const std::vector<ECNote*> left = Notes(2);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0], notes[1]);
    EXPECT_EQ(Measure(1)->GetDescendant(ET_CLEF, -1), clef);
    EXPECT_EQ(Measure(1)->GetDescendant(ET_KEY, -1), key);
}

// 4/4, then 3/4 from measure 3 and 2/4 from measure 5, a note in each measure.
std::vector<uint8_t> ChangingMeters() {
    using tool_test::kDivision;
    smf_support::Track conductor;
    conductor.Tempo(0, 500000).TimeSignature(0, 4, 2);
    conductor.TimeSignature(8 * kDivision, 3, 2).TimeSignature(6 * kDivision, 2, 2).End();
    smf_support::Track staff;
    for (int bar = 0; bar < 6; ++bar)
        staff.NoteOn(bar == 0 ? 0 : (bar <= 2 ? 3 : (bar <= 4 ? 2 : 1)) * kDivision, 0, tool_test::kG4, 90)
            .NoteOff(kDivision, 0, tool_test::kG4);
    staff.End(kDivision);
    smf_support::File file(1, kDivision);
    file.Add(conductor);
    file.Add(staff);
    return file.GetBytes();
}

TEST_F(SelectToolTest, DeletedMetersGoOneByOneTheLatestFirst) {
    ASSERT_TRUE(OpenPiece(STATE_MODE_SELECT, ChangingMeters()));
    ACFindEvents find;
    find.AddEvtType(ET_METER);
    find.Apply(Conductor());
    std::vector<ECBase*> meters;
    for (POSITION pos = find.GetEvents().GetHeadPosition(); pos;)
        meters.push_back(find.GetEvents().GetNext(pos));
    std::sort(meters.begin(), meters.end(), [](ECBase* a, ECBase* b) { return *a->GetTime() < *b->GetTime(); });
    ASSERT_EQ(meters.size(), 3u);
    ASSERT_EQ(*meters[1]->GetTime(), MCTime(8.0f));
    ASSERT_EQ(*meters[2]->GetTime(), MCTime(14.0f));
    // Selected earliest first, as a user would pick them.
    auto* selection = new SCSelection(STATE_SELECTION_REPLACE);
    for (ECBase* meter : meters)
        selection->AddToSelection(meter);
    selection->Apply(performance);
    Settle();
    CommandLog commands(performance);
    Key(VK_DELETE);
    Settle();
    ASSERT_EQ(commands.batches.size(), 2u) << "each meter its own command; the opening meter stays";
    EXPECT_EQ(commands.batches[0], std::vector<MCTime>{MCTime(14.0f)});
    EXPECT_EQ(commands.batches[1], std::vector<MCTime>{MCTime(8.0f)});
    EXPECT_EQ(Conductor()->GetMeterAtTime(MCTime(20.0f)), meters[0]) << "4/4 all through";
}

}  // namespace
