// The grace-note tool in a score window: the note a grace note would go
// under shows selected; a grace note stands a 64th before its note, a
// second one placed right of it takes that place and moves the first back;
// a note of another voice is never the one.
#include "notation/tools/gracenotecursor.h"

#include "model/editstates.h"
#include "notation/autonote/autonote.h"
#include "notation/display/base.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/tools/toolview_support.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT IDR_GRACE_MAIN = 29907;
constexpr UINT IDR_GRACE_DOC = 29908;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_GRACE_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_GRACE_DOC, kDocMenu);

constexpr int kQuarter = 256;   // display ticks

ECBase* NewGraceNote(void*) {
    return new ECGraceNote;
}

class GraceToolTest : public tool_test::ToolView {
protected:
    GraceToolTest() : ToolView(IDR_GRACE_MAIN, IDR_GRACE_DOC) {}
    void TearDown() override {
        ToolView::TearDown();
        SCMode::SetEventFunc(nullptr, nullptr);
    }
    bool Open() {
        SCMode::SetEventFunc(&NewGraceNote, nullptr);
        return OpenPiece(STATE_MODE_INSERT);
    }
    CGraceNoteCursor* Tool() { return dynamic_cast<CGraceNoteCursor*>(view->GetMusicCursor()); }
    std::vector<ECBase*> GraceNotes(ECBase* note) {
        std::vector<ECBase*> found;
        MCEventList* children = note->GetChildren();
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() == ET_GRACENOTE)
                found.push_back(child);
        }
        return found;
    }
    // Just left of the beat's division of measure 2, at the height of the note's head.
    CPoint LeftOf(int tick, ECBase* note, int pixels = 3) {
        return CPoint(ToDevice(BeatTop(2, tick)).x - pixels, HeadPoint(note).y);
    }
    static int Ticks(ECBase* element) { return element->GetTime()->GetTicks(kQuarter); }
};

TEST_F(GraceToolTest, HoveringShowsTheNoteItWouldGoUnder) {
    ASSERT_TRUE(Open());
    ASSERT_NE(Tool(), nullptr);
    EXPECT_EQ(Tool()->GetCursor(), LoadStandardCursor(IDC_CROSS));
    EXPECT_EQ(Tool()->IsSnap(), 0);
    const std::vector<ECNote*> notes = Notes(2);
    const CRect head(HeadPoint(notes[1]) - CSize(3, 3), CSize(7, 7));
    const QRgb selection = Rgb(SCSelection::GetColor());
    ASSERT_EQ(ColourIn(head, selection), 0);
    Move(LeftOf(kQuarter, notes[1]));
    EXPECT_EQ(Tool()->GetParent(), notes[1]);
    EXPECT_GT(ColourIn(head, selection), 0) << "shown selected";
    EXPECT_TRUE(Selected().empty()) << "but not selected";
    Move(StaffPoint(3, 2 * kQuarter));   // the empty measure
    EXPECT_EQ(Tool()->GetParent(), nullptr);
    EXPECT_EQ(ColourIn(head, selection), 0);
}

TEST_F(GraceToolTest, ASecondGraceNoteRightOfTheFirstTakesItsPlace) {
    ASSERT_TRUE(Open());
    ECNote* note = Notes(2)[1];
    const int at = Ticks(note);
    Click(LeftOf(kQuarter, note));
    Settle();
    std::vector<ECBase*> graces = GraceNotes(note);
    ASSERT_EQ(graces.size(), 1u);
    ECBase* first = graces[0];
    EXPECT_EQ(Ticks(first), at - 16) << "a 64th before its note";
    MCTime written;
    written.SetTicks(16, kQuarter);
    EXPECT_EQ(*first->GetDuration(), CCantrel::DurFunc(&written, nullptr)) << "a 64th, as played";

    // Between the first grace note and the note.
    auto* display = dynamic_cast<DCctBase*>(first->GetData(DK_NOTATION, 0));
    ASSERT_NE(display, nullptr);
    const int graceX = ToDevice(display->GetVirtualPosition()).x;
    const int noteX = ToDevice(BeatTop(2, kQuarter)).x;
    ASSERT_LT(graceX + 1, noteX - 1);
    Click(CPoint(noteX - 1, HeadPoint(note).y));
    Settle();
    graces = GraceNotes(note);
    ASSERT_EQ(graces.size(), 2u);
    EXPECT_EQ(Ticks(first), at - 48) << "moved back by an eighth of a quarter";
    ECBase* second = graces[0] == first ? graces[1] : graces[0];
    EXPECT_EQ(Ticks(second), at - 16);
}

TEST_F(GraceToolTest, ANoteOfAnotherVoiceIsNeverTheParent) {
    ASSERT_TRUE(Open());
    std::vector<ECNote*> notes = Notes(2);
    ECNote* other = notes[1];
    other->GetVoiceTrack()->SetVoice(1);
    auto* edit = new SCEventEdit(STATE_EVENTS_EDITED);
    edit->AddItem(other, EDITITEM_VOICETRACK);
    edit->Apply(performance);
    Settle();
    Move(LeftOf(kQuarter, other));
    ASSERT_NE(Tool()->GetParent(), nullptr);
    EXPECT_NE(Tool()->GetParent(), other);
    EXPECT_EQ(Tool()->GetParent(), notes[2]) << "the next note of the pointer's voice";
}

}  // namespace
