// The tie and slur tools in a score window: a click or a band picks notes,
// and the release joins them with a tie (the first two that follow one
// another at one pitch) or a slur (all of them); a mark that cannot be made
// is let go and nothing changes. Tie Notes and Slur Notes of the Edit menu
// do the same over the selection.
#include "notation/tools/tiecursor.h"

#include "model/basiccommands.h"
#include "model/command.h"
#include "model/groupmarks.h"
#include "notation/display/note.h"
#include "notation/tools/tie.h"
#include "notation/view/viewids.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/menu.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/tools/insertview_support.h"
#include "tests/platform/file_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

constexpr UINT IDR_TIES_MAIN = 29957;
constexpr UINT IDR_TIES_DOC = 29958;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_TIES_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{
    {MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}},
    {MF_POPUP, 0, "&Edit", {
        {MF_STRING, ID_NOTES_TIE, "&Tie Notes"},
        {MF_STRING, ID_NOTES_SLUR, "&Slur Notes"},
    }},
}};
MENU_RESOURCE(IDR_TIES_DOC, kDocMenu);

using tool_test::kDivision;
using tool_test::kG4;
using tool_test::kB4;

// One treble staff in 4/4. Measure 1: G4 G4 G4 B4, quarters; measure 2:
// five eighths C5 D5 E5 F5 G5; measure 3: G4 on beat 4; measure 4: G4 on
// beat 1.
std::vector<uint8_t> JoinPiece() {
    smf_support::Track conductor;
    conductor.Tempo(0, 500000).TimeSignature(0, 4, 2).End();
    smf_support::Track staff;
    for (int key : {kG4, kG4, kG4, kB4})
        staff.NoteOn(0, 0, key, 90).NoteOff(kDivision, 0, key);
    for (int key : {72, 74, 76, 77, 79})
        staff.NoteOn(0, 0, key, 90).NoteOff(kDivision / 2, 0, key);
    const uint32_t bar = 4 * kDivision;
    staff.NoteOn(bar + 3 * kDivision - 5 * kDivision / 2, 0, kG4, 90).NoteOff(kDivision, 0, kG4);
    staff.NoteOn(0, 0, kG4, 90).NoteOff(kDivision, 0, kG4);
    staff.End(3 * kDivision);
    smf_support::File file(1, kDivision);
    file.Add(conductor);
    file.Add(staff);
    return file.GetBytes();
}

// Marks that count how many of them are alive: one the palette handed out
// and nothing took must be gone once the tool is done.
struct CountedTie : ECTie {
    CountedTie() { ++alive; }
    ~CountedTie() override { --alive; }
    static inline int alive = 0;
};
struct CountedSlur : ECSlur {
    CountedSlur() { ++alive; }
    ~CountedSlur() override { --alive; }
    static inline int alive = 0;
};

// How many add commands reached the performance.
struct AddLog {
    int adds = 0;
    static int Record(ECBase*, int phase, void* data, void* user) {
        if (phase != 0)
            return 1;
        auto* batch = static_cast<MCCommandList*>(data);
        for (POSITION pos = batch->GetHeadPosition(); pos;)
            if (batch->GetNext(pos)->GetCommandId() == CMD_ADD)
                ++static_cast<AddLog*>(user)->adds;
        return 1;
    }
};

bool Dark(QRgb pixel) {
    return qGray(pixel) < 128;
}

class JoinToolTest : public tool_test::InsertView {
protected:
    JoinToolTest() : InsertView(IDR_TIES_MAIN, IDR_TIES_DOC) {}

    void TearDown() override {
        if (performance)
            performance->RemoveCommandHandler(&AddLog::Record, &commands);
        InsertView::TearDown();
        EXPECT_EQ(CountedTie::alive, 0) << "every tie went with the score";
        EXPECT_EQ(CountedSlur::alive, 0) << "every slur went with the score";
    }

    // The piece opened with the palette offering `make`'s marks (none: select mode).
    bool Open(std::function<ECBase*()> make) {
        const int mode = make ? STATE_MODE_INSERT : STATE_MODE_SELECT;
        if (make)
            UsePrototype(std::move(make));
        if (!OpenPiece(mode, JoinPiece()))
            return false;
        performance->AddCommandHandler(&AddLog::Record, &commands);
        return true;
    }
    bool OpenTie() {
        return Open([] { return new CountedTie; });
    }

    CJoinCursor* Tool() { return dynamic_cast<CJoinCursor*>(view->GetMusicCursor()); }

    // The staff's marks of a type (ties and slurs are children of the staff).
    std::vector<ECBase*> Marks(int type) {
        std::vector<ECBase*> found;
        ECBase* staff = Measure(1)->GetAncestor(ET_STAFF, -1);
        MCEventList* children = staff ? staff->GetChildren() : nullptr;
        for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() == type)
                found.push_back(child);
        }
        return found;
    }
    static std::vector<ECBase*> Members(ECBase* mark) {
        std::vector<ECBase*> members;
        for (POSITION pos = mark->GetChildren()->GetHeadPosition(); pos;)
            members.push_back(mark->GetChildren()->GetNext(pos));
        return members;
    }
    // A band from left of `first` above the staff to right of `last` below
    // it, as the mouse drags it.
    void Band(ECBase* first, ECBase* last) {
        const CRect measure = FrameOf(first->GetAncestor(ET_MEASURE, -1));
        const CPoint from = ToDevice(CPoint(FrameOf(first).left - 20, measure.top + 600));
        const CPoint to = ToDevice(CPoint(FrameOf(last).right + 20, measure.bottom - 600));
        Move(from);
        Press(from);
        Move(to, MK_LBUTTON);
        Release(to);
        Settle();
    }
    void Select(std::initializer_list<ECBase*> elements) {
        auto* selection = new SCSelection(STATE_SELECTION_REPLACE);
        for (ECBase* element : elements)
            selection->AddToSelection(element);
        selection->Apply(performance);
        Settle();
        log.Clear();
    }
    void Repaint() {
        view->Invalidate(FALSE);
        view->UpdateWindow();
    }
    // Pixels dark now and not in `before`, between two notes' heads (device).
    int InkGainedBetween(const QImage& before, ECBase* left, ECBase* right) {
        const CPoint a = HeadPoint(left), b = HeadPoint(right);
        const QImage& after = Surface();
        int gained = 0;
        for (int y = std::max(0, int(a.y) - 25); y <= std::min(after.height() - 1, int(a.y) + 25); ++y)
            for (int x = a.x + 6; x <= b.x - 6; ++x)
                gained += Dark(after.pixel(x, y)) && !Dark(before.pixel(x, y));
        return gained;
    }
    // Whether the main window's Edit menu offers the command now.
    bool Offered(UINT id) {
        CMenu* bar = main->GetMenu();
        CMenu* edit = bar ? bar->GetSubMenu(1) : nullptr;
        if (!edit)
            return false;
        RunMenuCmdUI(edit, main);
        return (edit->GetMenuState(id, MF_BYCOMMAND) & MF_GRAYED) == 0;
    }
    // The command chosen from the main window's menu.
    void Choose(UINT id) {
        main->SendMessage(WM_COMMAND, id);
        Settle();
        Repaint();
    }

    AddLog commands;
};

TEST_F(JoinToolTest, EachMarkGetsItsToolWithTheCrossCursor) {
    ASSERT_TRUE(OpenTie());
    const struct {
        int type;
        bool tie;
    } cases[] = {{ET_TIE, true}, {ET_SLUR, false}};
    for (const auto& c : cases) {
        std::unique_ptr<CMusicCursor> tool(view->CreateMusicCursor(STATE_MODE_INSERT, c.type));
        ASSERT_NE(tool, nullptr) << c.type;
        EXPECT_EQ(dynamic_cast<CTieCursor*>(tool.get()) != nullptr, c.tie) << c.type;
        EXPECT_NE(dynamic_cast<CJoinCursor*>(tool.get()), nullptr) << c.type;
        EXPECT_EQ(tool->GetCursor(), LoadStandardCursor(IDC_CROSS)) << c.type;
        EXPECT_EQ(tool->IsSnap(), 1) << c.type;
        EXPECT_EQ(tool->GetEventTypes(), std::vector<int>{ET_NOTE}) << c.type;
        for (int type : {int(ET_TIE), int(ET_SLUR), int(ET_NOTE), -2})
            EXPECT_EQ(tool->CanInsert(type), 0) << c.type << ": nothing pasted or dropped goes through it";
    }
}

TEST_F(JoinToolTest, HoveringShowsTheNoteSelectedAndTheTime) {
    ASSERT_TRUE(OpenTie());
    const std::vector<ECNote*> notes = Notes(1);
    ASSERT_EQ(notes.size(), 4u);
    Move(HeadPoint(notes[1]));
    Settle();
    EXPECT_EQ(Tool()->GetParent(), notes[1]);
    EXPECT_EQ(Tool()->GetShown(), notes[1]);
    const CRect head(HeadPoint(notes[1]) - CSize(3, 3), CSize(7, 7));
    EXPECT_GT(ColourIn(head, Rgb(SCSelection::GetColor())), 0) << "drawn selected";
    EXPECT_TRUE(Selected().empty()) << "but not selected";
    ASSERT_FALSE(log.statusTexts.empty());
    EXPECT_EQ(log.statusTexts.back(), "001:02:000");
}

TEST_F(JoinToolTest, ABandOverThreeEqualQuartersTiesTheFirstTwo) {
    ASSERT_TRUE(OpenTie());
    const std::vector<ECNote*> notes = Notes(1);
    ASSERT_EQ(notes.size(), 4u);
    const QImage before = Surface().copy();
    Band(notes[0], notes[2]);

    const std::vector<ECBase*> ties = Marks(ET_TIE);
    ASSERT_EQ(ties.size(), 1u);
    EXPECT_EQ(Members(ties[0]), (std::vector<ECBase*>{notes[0], notes[1]}));
    EXPECT_EQ(*ties[0]->GetTime(), *notes[0]->GetTime());
    CTie chain;
    EXPECT_EQ(chain.GetNext(notes[0], TIE_FORWARD), notes[1]);
    EXPECT_EQ(chain.FindTieParent(notes[2], TIE_BACKWARD), nullptr) << "the third stays free";
    EXPECT_EQ(commands.adds, 1);
    EXPECT_TRUE(Selected().empty()) << "the selection is cleared";
    EXPECT_GE(log.Count(STATE_SELECTION_CLEAR), 1);
    EXPECT_TRUE(document->IsModified());
    EXPECT_NE(ties[0]->GetData(DK_NOTATION, 0), nullptr);
    Repaint();
    EXPECT_GT(InkGainedBetween(before, notes[0], notes[1]), 10) << "the tie drawn between the first two";
    EXPECT_LE(InkGainedBetween(before, notes[1], notes[2]), 2) << "and nothing between the second and third";
}

TEST_F(JoinToolTest, ASlurOverFiveNotesHoldsThemAllFromTheFirst) {
    ASSERT_TRUE(Open([] { return new CountedSlur; }));
    const std::vector<ECNote*> notes = Notes(2);
    ASSERT_EQ(notes.size(), 5u);
    Band(notes[0], notes[4]);

    const std::vector<ECBase*> slurs = Marks(ET_SLUR);
    ASSERT_EQ(slurs.size(), 1u);
    EXPECT_EQ(Members(slurs[0]), (std::vector<ECBase*>(notes.begin(), notes.end())));
    EXPECT_EQ(*slurs[0]->GetTime(), *notes[0]->GetTime());
    EXPECT_EQ(*slurs[0]->GetVoiceTrack(), *notes[0]->GetVoiceTrack());
    EXPECT_EQ(commands.adds, 1);
    EXPECT_TRUE(Selected().empty());
    EXPECT_NE(slurs[0]->GetData(DK_NOTATION, 0), nullptr) << "laid out";
}

TEST_F(JoinToolTest, WhatCannotBeJoinedMakesNothing) {
    ASSERT_TRUE(OpenTie());
    const std::vector<ECNote*> notes = Notes(1);

    // One note clicked: it is picked, and nothing more.
    Click(HeadPoint(notes[0]));
    Settle();
    EXPECT_EQ(Selected(), std::vector<ECBase*>{notes[0]});
    EXPECT_EQ(commands.adds, 0);

    // G4 and B4 in a band: no tie joins them; the mark goes, the selection too.
    Band(notes[2], notes[3]);
    EXPECT_TRUE(Marks(ET_TIE).empty());
    EXPECT_EQ(commands.adds, 0);
    EXPECT_EQ(CountedTie::alive, 0) << "the refused tie was let go";
    EXPECT_TRUE(Selected().empty()) << "the selection is cleared all the same";
    EXPECT_FALSE(document->IsModified());
}

// Which notes a tie may join, of a list in order (indexes into the piece's
// notes: measure 1's four, then measure 3's and measure 4's G4).
TEST_F(JoinToolTest, TheTieKeepsTheFirstTwoNotesThatFollowAtOnePitch) {
    ASSERT_TRUE(OpenTie());
    const std::vector<ECNote*> first = Notes(1);
    std::vector<ECBase*> all(first.begin(), first.end());
    all.push_back(Notes(3).at(0));
    all.push_back(Notes(4).at(0));
    ASSERT_EQ(all.size(), 6u);
    const struct {
        const char* name;
        std::vector<int> list, kept;
        bool joins;
    } cases[] = {
        {"three in a row", {0, 1, 2}, {0, 1}, true},
        {"another pitch between", {0, 3, 1}, {0, 1}, true},
        {"another pitch", {2, 3}, {2}, false},
        {"a beat apart", {0, 2}, {0}, false},
        {"backwards", {1, 0}, {1}, false},
        {"over the barline", {4, 5}, {4, 5}, true},
        {"one note", {1}, {1}, false},
    };
    for (const auto& c : cases) {
        MCEventList list;
        for (int i : c.list)
            list.AddTail(all[static_cast<size_t>(i)]);
        CTieCursor tool(view, nullptr);
        EXPECT_EQ(tool.FilterSelection(list) != 0, c.joins) << c.name;
        std::vector<ECBase*> kept, want;
        for (POSITION pos = list.GetHeadPosition(); pos;)
            kept.push_back(list.GetNext(pos));
        for (int i : c.kept)
            want.push_back(all[static_cast<size_t>(i)]);
        EXPECT_EQ(kept, want) << c.name;
    }

    // A note that starts a tie already starts no other.
    Band(all[0], all[1]);
    ASSERT_EQ(Marks(ET_TIE).size(), 1u);
    MCEventList list;
    for (int i : {0, 1, 2})
        list.AddTail(all[static_cast<size_t>(i)]);
    CTieCursor tool(view, nullptr);
    EXPECT_TRUE(tool.FilterSelection(list));
    EXPECT_EQ(list.GetHead(), all[1]);
    EXPECT_EQ(list.GetTail(), all[2]);
}

TEST_F(JoinToolTest, TieNotesFromTheEditMenuJoinsOnlyEqualNotes) {
    ASSERT_TRUE(Open(nullptr));
    const std::vector<ECNote*> notes = Notes(1);
    Select({notes[0]});
    EXPECT_FALSE(Offered(ID_NOTES_TIE)) << "one note";

    // Two unequal notes: offered, and nothing comes of it.
    Select({notes[2], notes[3]});
    EXPECT_TRUE(Offered(ID_NOTES_TIE));
    EXPECT_TRUE(Offered(ID_NOTES_SLUR));
    Choose(ID_NOTES_TIE);
    EXPECT_TRUE(Marks(ET_TIE).empty());
    CTie chain;
    EXPECT_EQ(chain.FindTieParent(notes[2], TIE_FORWARD), nullptr) << "no tie left on the notes";
    EXPECT_EQ(chain.FindTieParent(notes[3], TIE_BACKWARD), nullptr);
    EXPECT_EQ(commands.adds, 0);
    EXPECT_FALSE(document->IsModified());

    // Two equal ones: tied, drawn, and kept in the saved file.
    Select({notes[1], notes[2]});
    const QImage before = Surface().copy();
    Choose(ID_NOTES_TIE);
    ASSERT_EQ(Marks(ET_TIE).size(), 1u);
    EXPECT_EQ(Members(Marks(ET_TIE)[0]), (std::vector<ECBase*>{notes[1], notes[2]}));
    EXPECT_EQ(commands.adds, 1);
    EXPECT_TRUE(document->IsModified());
    EXPECT_GT(InkGainedBetween(before, notes[1], notes[2]), 10);

    file_test::TempFolder folder;
    const std::string saved = folder.File("tied.mmm"), path = folder.File("copy.mmm");
    document->GetHeader()->SetFormat(DF_NATIVE);
    ASSERT_TRUE(document->OnSaveDocument(saved.c_str()));
    std::filesystem::copy_file(saved, path);
    std::unique_ptr<MCOpusDoc> reopened = doc_support::DocumentParts::MakeDocument();
    ASSERT_TRUE(reopened->OnOpenDocument(path.c_str())) << prompts.GetLast().text;
    ECMeasure* measure = reopened->GetBaseEvent()->GetConductor()->GetMeasure(1, 1);
    ASSERT_NE(measure, nullptr);
    ECBase* tie = measure->GetAncestor(ET_STAFF, -1)->GetDescendant(ET_TIE, 1);
    ASSERT_NE(tie, nullptr) << "the tie is in the file";
    ASSERT_EQ(tie->GetChildren()->GetCount(), 2);
    EXPECT_EQ(*tie->GetChildren()->GetHead()->GetTime(), *notes[1]->GetTime());
    EXPECT_EQ(*tie->GetChildren()->GetTail()->GetTime(), *notes[2]->GetTime());
}

TEST_F(JoinToolTest, SlurNotesFromTheEditMenuSlursTheSelection) {
    ASSERT_TRUE(Open(nullptr));
    const std::vector<ECNote*> notes = Notes(2);
    Select({notes[1], notes[2], notes[3]});
    Choose(ID_NOTES_SLUR);
    const std::vector<ECBase*> slurs = Marks(ET_SLUR);
    ASSERT_EQ(slurs.size(), 1u);
    EXPECT_EQ(Members(slurs[0]), (std::vector<ECBase*>{notes[1], notes[2], notes[3]}));
    EXPECT_EQ(*slurs[0]->GetTime(), *notes[1]->GetTime());
    EXPECT_EQ(Selected().size(), 3u) << "the command keeps the selection";
}

}  // namespace
