// The tools that mark notes in a score window: the note under the pointer
// shows selected while the pointer rests on it; a click marks it in a
// command of its own; a band marks every note it selects, each with a mark
// of its own, in one command; dots lengthen a note (every note of a chord)
// in place.
#include "notation/tools/highlightcursor.h"

#include "model/basiccommands.h"
#include "model/command.h"
#include "model/editstates.h"
#include "model/modifiers.h"
#include "notation/autonote/autonote.h"
#include "notation/display/notate.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/tools/toolview_support.h"

#include <gtest/gtest.h>

#include <set>

namespace {

constexpr UINT IDR_MARKS_MAIN = 29905;
constexpr UINT IDR_MARKS_DOC = 29906;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_MARKS_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_MARKS_DOC, kDocMenu);

using tool_test::kDivision;

// Prototypes that count how many of them are alive: a copy the palette
// handed out and nothing took must be gone once the tool is done.
struct CountedAccent : ECAccent {
    CountedAccent() { ++alive; }
    ~CountedAccent() override { --alive; }
    static inline int alive = 0;
};
struct CountedDot : ECDot {
    explicit CountedDot(unsigned char dots) : ECDot(dots) { ++alive; }
    ~CountedDot() override { --alive; }
    static inline int alive = 0;
};

ECBase* NewAccent(void*) {
    return new CountedAccent;
}
ECBase* NewDot(void* dots) {
    return new CountedDot(static_cast<unsigned char>(reinterpret_cast<intptr_t>(dots)));
}

// Measure 2 as in the test piece; measure 3 a quarter-note chord, C5 E5 G5,
// on beat 1, measure 4 a quarter G4 on beat 1.
std::vector<uint8_t> PieceWithChord() {
    smf_support::Track conductor;
    conductor.Tempo(0, 500000).TimeSignature(0, 4, 2).End();
    smf_support::Track staff;
    const uint32_t bar = 4 * kDivision;
    staff.NoteOn(bar, 0, tool_test::kG4, 90).NoteOff(kDivision, 0, tool_test::kG4);
    staff.NoteOn(0, 0, tool_test::kB4, 90).NoteOff(kDivision, 0, tool_test::kB4);
    staff.NoteOn(kDivision, 0, tool_test::kE4, 90).NoteOff(kDivision, 0, tool_test::kE4);
    staff.NoteOn(0, 0, 72, 90).NoteOn(0, 0, 76, 90).NoteOn(0, 0, 79, 90);
    staff.NoteOff(kDivision, 0, 72).NoteOff(0, 0, 76).NoteOff(0, 0, 79);
    staff.NoteOn(3 * kDivision, 0, tool_test::kG4, 90).NoteOff(kDivision, 0, tool_test::kG4);
    staff.End(3 * kDivision);
    smf_support::File file(1, kDivision);
    file.Add(conductor);
    file.Add(staff);
    return file.GetBytes();
}

// The commands of every batch, and the item kinds of every edit in place.
struct EditLog {
    std::vector<int> commandIds;
    std::vector<int> addCounts;
    std::vector<std::vector<int>> editKinds;

    static int OnCommand(ECBase*, int phase, void* data, void* user) {
        if (phase != 0)
            return 1;
        auto* self = static_cast<EditLog*>(user);
        auto* batch = static_cast<MCCommandList*>(data);
        for (POSITION pos = batch->GetHeadPosition(); pos;) {
            CCBase* command = batch->GetNext(pos);
            self->commandIds.push_back(command->GetCommandId());
            auto* add = dynamic_cast<CCAdd*>(command);
            self->addCounts.push_back(add ? static_cast<int>(add->GetAddList()->GetCount()) : -1);
        }
        return 1;
    }
    static int OnState(ECBase*, int, void* data, void* user) {
        auto* edit = dynamic_cast<SCEventEdit*>(static_cast<SCBase*>(data));
        if (!edit || edit->GetCode() != STATE_EVENTS_EDITED)
            return 0;
        std::vector<int> kinds;
        for (POSITION pos = edit->GetEditList().GetHeadPosition(); pos;)
            kinds.push_back(static_cast<SCEventEditItem*>(edit->GetEditList().GetNext(pos))->GetEditCode());
        static_cast<EditLog*>(user)->editKinds.push_back(kinds);
        return 0;
    }
};

class MarkToolTest : public tool_test::ToolView {
protected:
    MarkToolTest() : ToolView(IDR_MARKS_MAIN, IDR_MARKS_DOC) {}

    void TearDown() override {
        if (performance) {
            performance->RemoveCommandHandler(&EditLog::OnCommand, &edits);
            performance->RemoveStateHandler(&EditLog::OnState, &edits);
        }
        ToolView::TearDown();
        SCMode::SetEventFunc(nullptr, nullptr);
        EXPECT_EQ(CountedAccent::alive, 0) << "every accent went with the score";
        EXPECT_EQ(CountedDot::alive, 0) << "every dot went";
    }

    // The piece opened in insert mode with the palette offering `make`'s elements.
    bool OpenWith(SCMode::EventFunc make, void* data = nullptr,
                  const std::vector<uint8_t>& piece = tool_test::PieceFile()) {
        SCMode::SetEventFunc(make, data);
        if (!OpenPiece(STATE_MODE_INSERT, piece))
            return false;
        performance->AddCommandHandler(&EditLog::OnCommand, &edits);
        performance->AddStateHandler(&EditLog::OnState, &edits);
        return true;
    }

    CHighlightCursor* Tool() { return dynamic_cast<CHighlightCursor*>(view->GetMusicCursor()); }

    // The children of `parent` of the type.
    static std::vector<ECBase*> ChildrenOf(ECBase* parent, int type) {
        std::vector<ECBase*> found;
        MCEventList* children = parent->GetChildren();
        for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() == type)
                found.push_back(child);
        }
        return found;
    }
    // A box around the note's head, device pixels.
    CRect HeadBox(ECBase* note) { return CRect(HeadPoint(note) - CSize(3, 3), CSize(7, 7)); }

    EditLog edits;
};

// ---- accents -------------------------------------------------------------------------------

TEST_F(MarkToolTest, HoveringShowsTheNoteSelectedAndMovingOffLetsItGo) {
    ASSERT_TRUE(OpenWith(&NewAccent));
    ASSERT_NE(dynamic_cast<CNoteModifierCursor*>(Tool()), nullptr);
    EXPECT_NE(Tool()->GetCursor(), LoadStandardCursor(IDC_ARROW)) << "the marking picture";
    const std::vector<ECNote*> notes = Notes(2);
    ASSERT_EQ(notes.size(), 3u);
    const QRgb selection = Rgb(SCSelection::GetColor());
    ASSERT_EQ(ColourIn(HeadBox(notes[1]), selection), 0);

    Move(HeadPoint(notes[1]));
    Settle();
    EXPECT_EQ(Tool()->GetHighlighted(), notes[1]);
    EXPECT_GT(ColourIn(HeadBox(notes[1]), selection), 0) << "drawn selected";
    EXPECT_TRUE(Selected().empty()) << "but not selected";
    ASSERT_FALSE(log.statusTexts.empty());
    EXPECT_EQ(log.statusTexts.back(), "002:02:000") << "the note's time";

    // Over the empty measure 3: nothing under the pointer.
    Move(StaffPoint(3, 128));
    Settle();
    EXPECT_EQ(Tool()->GetParent(), nullptr);
    EXPECT_EQ(Tool()->GetHighlighted(), nullptr);
    EXPECT_EQ(ColourIn(HeadBox(notes[1]), selection), 0) << "drawn as before";
    EXPECT_EQ(log.statusTexts.back(), "");
    EXPECT_TRUE(edits.commandIds.empty());
}

TEST_F(MarkToolTest, AClickMarksTheNoteInACommandOfItsOwn) {
    ASSERT_TRUE(OpenWith(&NewAccent));
    const std::vector<ECNote*> notes = Notes(2);
    Click(HeadPoint(notes[1]));
    Settle();
    EXPECT_EQ(edits.commandIds, std::vector<int>{CMD_ADDNOTEMODIFIER});
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 1);
    EXPECT_EQ(ChildrenOf(notes[1], ET_ACCENT).size(), 1u);
    EXPECT_TRUE(ChildrenOf(notes[0], ET_ACCENT).empty());
    EXPECT_EQ(CountedAccent::alive, 1);
    EXPECT_TRUE(document->IsModified());
    EXPECT_TRUE(Selected().empty()) << "a click selects nothing";

    // The release after a click marks no selection: a band's notes stay as they are.
    auto* selection = new SCSelection(STATE_SELECTION_REPLACE, notes[0]);
    selection->Apply(performance);
    Click(HeadPoint(notes[2]));
    Settle();
    EXPECT_EQ(ChildrenOf(notes[2], ET_ACCENT).size(), 1u);
    EXPECT_TRUE(ChildrenOf(notes[0], ET_ACCENT).empty());
    EXPECT_EQ(edits.commandIds.size(), 2u);
}

TEST_F(MarkToolTest, ABandMarksEachNoteItSelectsInOneCommand) {
    ASSERT_TRUE(OpenWith(&NewAccent));
    const std::vector<ECNote*> notes = Notes(2);
    const CRect measure = FrameOf(Measure(2));
    const CPoint from = ToDevice(CPoint(FrameOf(notes[0]).left - 60, measure.top + 600));
    const CPoint to = ToDevice(CPoint(FrameOf(notes[2]).right + 20, measure.bottom - 600));
    Move(from);
    ASSERT_EQ(Tool()->GetParent(), nullptr) << "the band starts beside every note";
    Press(from);
    EXPECT_NE(view->GetFlags() & MCScrollView::SV_MOUSE_DRAG, 0) << "a band runs";
    Move(to, MK_LBUTTON);
    EXPECT_EQ(Selected().size(), 3u);
    Release(to);
    Settle();
    EXPECT_EQ(edits.commandIds, std::vector<int>{CMD_ADDNOTEMODIFIER});
    EXPECT_EQ(edits.addCounts, std::vector<int>{3});
    std::set<ECBase*> accents;
    for (ECNote* note : notes) {
        const std::vector<ECBase*> own = ChildrenOf(note, ET_ACCENT);
        ASSERT_EQ(own.size(), 1u);
        accents.insert(own.front());
        EXPECT_EQ(own.front()->GetParents()->GetCount(), 1) << "one parent each";
    }
    EXPECT_EQ(accents.size(), 3u) << "three accents, not one shared";

    // A band that finds nothing clears the selection and adds nothing.
    const CPoint empty = StaffPoint(3, 0);
    const CPoint emptyEnd = ToDevice(CPoint(BeatTop(3, 512).x, FrameOf(Measure(3)).top + 600));
    Move(empty);
    Press(empty);
    Move(emptyEnd, MK_LBUTTON);
    Release(emptyEnd);
    Settle();
    EXPECT_TRUE(Selected().empty());
    EXPECT_EQ(edits.commandIds.size(), 1u);
}

TEST_F(MarkToolTest, AnAccentOnAChordMarksEachOfItsNotes) {
    ASSERT_TRUE(OpenWith(&NewAccent, nullptr, PieceWithChord()));
    ECBase* chord = Measure(3)->GetDescendant(ET_CHORD, -1);
    ASSERT_NE(chord, nullptr);
    const std::vector<ECBase*> notes = ChildrenOf(chord, ET_NOTE);
    const CPoint point = ToDevice(CPoint(FrameOf(notes[0]).CenterPoint().x, FrameOf(chord).CenterPoint().y));
    Move(point);
    ASSERT_EQ(Tool()->GetParent(), chord);
    Press(point);
    Release(point);
    Settle();
    EXPECT_EQ(edits.commandIds, std::vector<int>{CMD_ADDNOTEMODIFIER});
    for (ECBase* note : notes)
        EXPECT_EQ(ChildrenOf(note, ET_ACCENT).size(), 1u);
    EXPECT_EQ(CountedAccent::alive, 0) << "the notes hold copies; the palette's went";
}

// ---- accidentals -----------------------------------------------------------------------------

ECBase* NewFlat(void*) {
    return new ECAccidental(1);
}

TEST_F(MarkToolTest, AnAccidentalGoesOnTheNoteInAPlainAdd) {
    ASSERT_TRUE(OpenWith(&NewFlat));
    auto* tool = dynamic_cast<CAccidentalCursor*>(Tool());
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->CanInsert(ET_ACCIDENTAL), 0) << "nothing under the pointer yet";
    const std::vector<ECNote*> notes = Notes(2);
    Move(HeadPoint(notes[1]));
    EXPECT_EQ(tool->CanInsert(ET_ACCIDENTAL), 1);
    EXPECT_EQ(tool->CanInsert(ET_ACCENT), 0);
    Press(HeadPoint(notes[1]));
    Release(HeadPoint(notes[1]));
    Settle();
    EXPECT_EQ(edits.commandIds, std::vector<int>{CMD_ADD});
    EXPECT_FALSE(ChildrenOf(notes[1], ET_ACCIDENTAL).empty());
}

// ---- dots ----------------------------------------------------------------------------------

TEST(DotCursor, DotsAddHalfThenAQuarterThenAnEighthOfTheValue) {
    const struct { int dots, ticks; } cases[] = {
        {0, 480}, {1, 720}, {2, 840}, {3, 900}, {4, 480},
    };
    MCTime quarter;
    quarter.SetTicks(kDivision, kDivision);
    for (const auto& c : cases)
        EXPECT_EQ(CDotCursor::DottedDuration(quarter, c.dots).GetTicks(kDivision), c.ticks) << c.dots;
}

TEST_F(MarkToolTest, TwoDotsMakeAQuarterADoubleDottedQuarterInOneEdit) {
    ASSERT_TRUE(OpenWith(&NewDot, reinterpret_cast<void*>(intptr_t{2}), PieceWithChord()));
    ASSERT_NE(dynamic_cast<CDotCursor*>(Tool()), nullptr);
    ASSERT_EQ(Notes(4).size(), 1u);
    ECNote* note = Notes(4)[0];
    Click(HeadPoint(note));
    Settle();
    EXPECT_TRUE(edits.commandIds.empty()) << "an edit in place, no command";
    EXPECT_EQ(edits.editKinds, std::vector<std::vector<int>>{{EDITITEM_SEQUENCER_DATA}});
    EXPECT_EQ(note->GetDuration()->GetTicks(kDivision), 7 * kDivision / 4);
    // Notated: a quarter with two dots, 1.75 quarters (256 ticks a quarter).
    auto* display = dynamic_cast<DCctNotate*>(note->GetData(DK_NOTATION, 0));
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->GetValue(), 256);
    EXPECT_EQ(display->GetTickDuration(1), 448);
    const std::vector<ECBase*> dots = ChildrenOf(note, ET_DOT);
    ASSERT_EQ(dots.size(), 1u);
    EXPECT_EQ(static_cast<ECDot*>(dots.front())->GetDotType(), 2);
    EXPECT_TRUE(document->IsModified());
}

TEST_F(MarkToolTest, ADotOnAChordLengthensEveryNote) {
    ASSERT_TRUE(OpenWith(&NewDot, reinterpret_cast<void*>(intptr_t{1}), PieceWithChord()));
    ECBase* chord = Measure(3)->GetDescendant(ET_CHORD, -1);
    ASSERT_NE(chord, nullptr) << "the three notes make a chord";
    const std::vector<ECBase*> notes = ChildrenOf(chord, ET_NOTE);
    ASSERT_EQ(notes.size(), 3u);
    const CRect frame = FrameOf(chord);
    // Between two of its heads: the chord, not one of its notes.
    const CPoint point = ToDevice(CPoint(FrameOf(notes[0]).CenterPoint().x, frame.CenterPoint().y));
    Move(point);
    ASSERT_EQ(Tool()->GetParent(), chord);
    Press(point);
    Release(point);
    Settle();
    ASSERT_EQ(edits.editKinds.size(), 1u) << "one edit for the chord";
    EXPECT_EQ(edits.editKinds.front().size(), 3u);
    for (ECBase* note : notes)
        EXPECT_EQ(note->GetDuration()->GetTicks(kDivision), 3 * kDivision / 2);
}

}  // namespace
