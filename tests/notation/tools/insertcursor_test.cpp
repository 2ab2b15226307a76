// The plain insert tool in a score window, and the view placing elements
// that come from elsewhere: the dotted line follows the pointer, a click
// adds the palette's element where the pointer is, an element the parent
// may not hold is refused with nothing applied, and a group lands at the
// same distances from the insertion point as from its own start.
#include "notation/tools/insertcursor.h"

#include "model/markings.h"
#include "model/modifiers.h"
#include "model/midievents.h"
#include "notation/view/selectionoffset.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/tools/insertview_support.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT IDR_INSERT_MAIN = 29905;
constexpr UINT IDR_INSERT_DOC = 29906;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_INSERT_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_INSERT_DOC, kDocMenu);

constexpr int kQuarter = 256;   // display ticks

// A repeat sign that tells when it is freed.
class WatchedRepeat : public ECRepeat {
public:
    explicit WatchedRepeat(bool& gone) : m_gone(gone) {}
    ~WatchedRepeat() override { m_gone = true; }

private:
    bool& m_gone;
};

class InsertToolTest : public tool_test::InsertView {
protected:
    InsertToolTest() : InsertView(IDR_INSERT_MAIN, IDR_INSERT_DOC) {}

    CInsertCursor* Tool() { return dynamic_cast<CInsertCursor*>(view->GetMusicCursor()); }
};

TEST_F(InsertToolTest, EachPrototypeTypeGetsItsToolOrNoneUntilItsToolExists) {
    UsePrototype([] { return new ECRepeat; });
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    const struct {
        int type;
        bool plainTool;
        int snap;
    } cases[] = {
        {ET_REPEAT, true, 1},          {ET_CONTROLCHANGE, true, 0}, {ET_PROGRAMCHANGE, true, 0},
    };
    for (const auto& c : cases) {
        std::unique_ptr<CMusicCursor> tool(view->CreateMusicCursor(STATE_MODE_INSERT, c.type));
        if (!c.plainTool) {
            EXPECT_EQ(tool, nullptr) << c.type;
            continue;
        }
        ASSERT_NE(tool, nullptr) << c.type;
        EXPECT_EQ(typeid(*tool), typeid(CInsertCursor)) << c.type;
        EXPECT_EQ(tool->IsSnap(), c.snap) << c.type;
    }
    std::unique_ptr<CMusicCursor> none(view->CreateMusicCursor(STATE_MODE_INSERT, static_cast<ECBase*>(nullptr)));
    EXPECT_EQ(none, nullptr);
}

TEST_F(InsertToolTest, TheDottedLineFollowsThePointerAndLeavesWithIt) {
    UsePrototype([] { return new ECRepeat; });
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    ASSERT_NE(Tool(), nullptr);
    const QRgb selection = Rgb(SCSelection::GetColor());
    const CRect column = ColumnBand(2);
    const int x = ToDevice(BeatTop(2, 2 * kQuarter)).x;
    EXPECT_EQ(ColourRun(x, column.top, column.bottom, selection), 0);

    Move(StaffPoint(2, 2 * kQuarter));
    Settle();
    ASSERT_FALSE(log.statusTexts.empty());
    EXPECT_EQ(log.statusTexts.back(), "002:03:000");
    EXPECT_EQ(Tool()->GetParent(), Measure(2));
    const int dots = ColourRun(x, column.top, column.bottom, selection);
    EXPECT_GT(dots, 0) << "a line in the selection colour at the beat";
    EXPECT_LT(dots, column.Height()) << "dotted, not solid";

    // Off every measure (above the first system) the line goes and the tool
    // has nothing under it.
    Move(CPoint(x, 2));
    Settle();
    EXPECT_EQ(ColourRun(x, column.top, column.bottom, selection), 0);
    EXPECT_EQ(Tool()->GetParent(), nullptr);
    EXPECT_TRUE(Tool()->GetInsertLine().IsEmpty());

    Move(StaffPoint(2, 2 * kQuarter));
    EXPECT_GT(ColourRun(x, column.top, column.bottom, selection), 0) << "shown again on return";
}

TEST_F(InsertToolTest, AClickAddsThePalettesElementAtThePointersTimeInOneCommand) {
    UsePrototype([] { return new ECRepeat(2); });
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    ASSERT_FALSE(document->IsModified());
    Click(StaffPoint(3, kQuarter));
    Settle();
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 1);
    EXPECT_TRUE(document->IsModified());
    ASSERT_EQ(CountOf(3, ET_REPEAT), 1);
    ACFindEvents find;
    find.AddEvtType(ET_REPEAT);
    find.Apply(Measure(3));
    auto* repeat = static_cast<ECRepeat*>(find.GetEvents().GetHead());
    EXPECT_EQ(repeat->GetRepeatType(), 2);
    EXPECT_EQ(*repeat->GetTime(), MCTime(9.0f)) << "beat 2 of measure 3";
    EXPECT_EQ(repeat->GetVoiceTrack()->GetTrack(), 1);

    // Beside every measure a press starts the band and adds nothing.
    log.Clear();
    Click(CPoint(ToDevice(BeatTop(3, kQuarter)).x, 2));
    Settle();
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 0);
    EXPECT_EQ(log.Count(STATE_SELECTION_CLEAR), 1);
}

TEST_F(InsertToolTest, WhatTheParentMayNotHoldIsRefusedWithNothingAppliedAndTheCopyReleased) {
    // The tool is made for a controller (under a staff); the palette then
    // answers a repeat, which a staff may not hold.
    bool gone = false;
    bool refuse = false;
    UsePrototype([&]() -> ECBase* {
        if (!refuse)
            return new ECControlChange;
        return new WatchedRepeat(gone);
    });
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    refuse = true;
    ASSERT_NE(Tool(), nullptr);
    Move(StaffPoint(3, kQuarter));
    ASSERT_NE(Tool()->GetParent(), nullptr);
    ASSERT_EQ(Tool()->GetParent()->GetClassType(), ET_STAFF);

    auto* repeat = new ECRepeat;
    repeat->Ref();
    EXPECT_EQ(Tool()->Insert(repeat, nullptr), 0);
    EXPECT_EQ(repeat->GetRefCount(), 1) << "still the caller's";
    repeat->Unref(1);

    Press(StaffPoint(3, kQuarter));
    Release(StaffPoint(3, kQuarter));
    Settle();
    EXPECT_TRUE(gone) << "the palette's refused copy is released";
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 0);
    EXPECT_FALSE(document->IsModified());
    EXPECT_EQ(CountOf(3, ET_REPEAT), 0);
}

TEST_F(InsertToolTest, APasteOffsetMovesPitchVoiceTimeAndTheMeasure) {
    UsePrototype([] { return new ECRepeat; });
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    CInsertCursor* tool = Tool();
    const CPoint onG4 = PitchPoint(2, 0, tool_test::kG4);
    CPoint plain = onG4;
    tool->Update(plain, 0);
    ASSERT_EQ(tool->GetVoice(), 0) << "every voice shown: the staff's first voice";
    const struct {
        int pitchOffset, voiceOffset;
        float timeOffset;
        int pitch, voice, measure;
    } cases[] = {
        {0, 0, 0.0f, 67, 0, 2},
        {4, 1, 1.0f, 71, 1, 2},
        {-1, 2, 0.0f, 66, 2, 2},     // a step down stays a step down
        {100, 0, 0.0f, 127, 0, 2},
        {-100, 0, 0.0f, 0, 0, 2},
        {CSelectionOffset::NONE, CSelectionOffset::NONE, 0.0f, -1, 15, 2},
        {0, 0, 4.0f, 67, 0, 3},      // past the bar: the next measure
    };
    for (const auto& c : cases) {
        CSelectionOffset offset;
        offset.m_nPitch = c.pitchOffset;
        offset.m_nVoice = c.voiceOffset;
        offset.m_time = MCTime(c.timeOffset);
        CPoint point = onG4;
        ASSERT_EQ(tool->Update(point, offset), 1) << c.pitchOffset;
        EXPECT_EQ(tool->GetPitch(), c.pitch) << c.pitchOffset;
        EXPECT_EQ(tool->GetVoice(), c.voice) << c.pitchOffset;
        EXPECT_EQ(tool->GetTime(), MCTime(4.0f + c.timeOffset)) << c.pitchOffset;
        EXPECT_EQ(tool->GetParent(), Measure(c.measure)) << c.pitchOffset;
    }

    // Under an element that is no staff or measure a paste finds no place.
    const std::vector<int> noteParent = {ET_NOTE};
    CInsertCursor onNotes(view, &noteParent);
    CPoint head = HeadPoint(Notes(2)[0]);
    onNotes.Update(head, 0);
    ASSERT_NE(onNotes.GetParent(), nullptr);
    CSelectionOffset none;
    EXPECT_EQ(onNotes.Update(head, none), 0);
}

TEST_F(InsertToolTest, AGroupsOffsetsAreMeasuredFromItsFirstNote) {
    UsePrototype([] { return new ECRepeat; });
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    const std::vector<ECNote*> notes = Notes(2);   // G4, B4, E4 at 4, 5 and 7
    ASSERT_EQ(notes.size(), 3u);
    notes[0]->GetVoiceTrack()->SetVoice(2);
    notes[1]->GetVoiceTrack()->SetVoice(3);
    MCEventList group;
    for (ECNote* note : notes)
        group.AddTail(note);
    CSelectionOrigin origin;
    origin.AddList(group);
    EXPECT_EQ(origin.GetTime(), MCTime(4.0f));
    EXPECT_EQ(origin.GetPitch(), tool_test::kG4);
    EXPECT_EQ(origin.GetVoice(), 2);
    const CPoint first = PositionOf(notes[0]);
    EXPECT_EQ(origin.GetRect(), CRect(first.x, first.y, first.x, first.y)) << "notes do not widen it";

    const struct {
        int index;
        float time;
        int pitch, voice;
    } cases[] = {{0, 0.0f, 0, 0}, {1, 1.0f, 4, 1}, {2, 3.0f, -3, -2}};
    for (const auto& c : cases) {
        CSelectionOffset offset;
        EXPECT_EQ(origin.GetOffset(notes[c.index], offset), 1);
        EXPECT_EQ(offset.m_time, MCTime(c.time)) << c.index;
        EXPECT_EQ(offset.m_nPitch, c.pitch) << c.index;
        EXPECT_EQ(offset.m_nVoice, c.voice) << c.index;
        const CPoint p = PositionOf(notes[c.index]);
        EXPECT_EQ(offset.m_display, CSize(p.x - first.x, p.y - first.y)) << c.index;
    }

    // A group without notes knows no pitch or voice: offsets keep theirs.
    MCEventList marks;
    marks.AddTail(new ECRepeat);
    CSelectionOrigin rests;
    rests.AddList(marks);
    EXPECT_EQ(rests.GetPitch(), -1);
    EXPECT_EQ(rests.GetVoice(), -1);
}

TEST_F(InsertToolTest, AGroupIsPlacedInOneCommandAndWhatFindsNoPlaceLeavesTheList) {
    UsePrototype([] { return new ECRepeat; });
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    Move(StaffPoint(3, 0));
    MCEventList group;
    auto* first = new ECRepeat(1);
    auto* second = new ECRepeat(2);
    auto* accent = new ECAccent;   // no measure holds one, and no tool of its own yet
    MCTime at(0.0f), later(1.0f);
    first->SetTime(&at);
    second->SetTime(&later);
    group.AddTail(first);
    group.AddTail(accent);
    group.AddTail(second);
    log.Clear();
    EXPECT_EQ(view->InsertEvents(group, 0), 1);
    Settle();
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 1);
    EXPECT_TRUE(document->IsModified());
    ASSERT_EQ(group.GetCount(), 2);
    EXPECT_EQ(group.GetHead(), first);
    EXPECT_EQ(group.GetTail(), second);
    EXPECT_EQ(*first->GetTime(), MCTime(8.0f));
    EXPECT_EQ(*second->GetTime(), MCTime(9.0f));
    EXPECT_EQ(first->GetParents()->GetHead(), Measure(3));
    EXPECT_EQ(second->GetParents()->GetHead(), Measure(3));

    // Nothing placeable: no command, the document untouched.
    document->SetModifiedFlag(FALSE);
    log.Clear();
    MCEventList accents;
    accents.AddTail(new ECAccent);
    EXPECT_EQ(view->InsertEvents(accents, 0), 0);
    Settle();
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 0);
    EXPECT_FALSE(document->IsModified());
    EXPECT_TRUE(accents.IsEmpty());
}

}  // namespace
