// Slurs and lyrics as the engine prepares them: a lyric's quarter note is
// laid out again, added or removed; a slur's chords are made afresh under it
// while the slur keeps their notes; removing a slur changes no notation.
#include "model/command.h"
#include "model/groupmarks.h"
#include "model/textmarks.h"
#include "tests/notation/autonote/batch_support.h"

#include <gtest/gtest.h>

namespace {

using autonote_test::BatchTest;

constexpr int STAFF = 2;   // the second of two staves: the window names it

class SpansTest : public BatchTest {
protected:
    void SetUp() override {
        BatchTest::SetUp();
        MakePiece(2, 2);
        Attach();
    }
    bool Discarded(ECBase* event) { return m_command.GetDiscardList()->Find(event) != nullptr; }

    // The one staff window the notate info holds.
    void ExpectWindow(float from, float to) {
        ASSERT_EQ(info().GetStaffWindowCount(), 1);
        const CNotateInfo::StaffInfo& window = info().GetStaffWindows()[0];
        EXPECT_EQ(window.track, STAFF);
        EXPECT_EQ(window.timeStart, MCTime(from));
        EXPECT_EQ(window.timeEnd, MCTime(to));
        EXPECT_EQ(window.measureStart, MCTime(from));
        EXPECT_EQ(window.measureEnd, MCTime(to));
        EXPECT_EQ(info().GetNotateRange(), NOTATE_EVENTS);
        EXPECT_EQ(info().GetPagenateRange(), PAGENATE_MEASURES);
    }

    CCBase m_command;
};

// Added or removed, a lyric in bar 2 renotates the quarter note from its time.
TEST_F(SpansTest, ALyricRenotatesTheQuarterNoteFromItsTime) {
    ECNote* note = PutOn(STAFF, new ECNote(MCTime(5.5f), MCTime(1.0f)), 5.5f);
    auto* lyric = new ECLyric("la");
    piece::Place(lyric, 5.5f, 0, STAFF);
    note->AddChild(lyric, SORTED);
    for (int removed = 0; removed < 2; ++removed) {
        SCOPED_TRACE(removed ? "removed" : "added");
        info().Reset();
        engine().GetDirtyRect().Clear();
        if (removed)
            engine().RemoveLyric(&m_command, lyric, nullptr);
        else
            engine().AddLyric(&m_command, lyric, note);
        ExpectWindow(5.5f, 6.5f);
    }
    EXPECT_TRUE(m_command.GetDiscardList()->IsEmpty());
}

// A chord under a new slur is made afresh: it is discarded, its notes stay
// under the slur (a slur left without notes would go with the chord), and
// its measure is renotated for chords.
TEST_F(SpansTest, ASlurOverAChordKeepsTheNotesAndRenotatesTheChord) {
    ECMeasure* bar = Measure(STAFF, 1);
    auto* chord = PutOn(STAFF, new ECChord, 1.0f);
    ECNote* lower = PutOn(STAFF, new ECNote(MCTime(1.0f), MCTime(1.0f)), 1.0f);
    ECNote* upper = PutOn(STAFF, new ECNote(MCTime(1.0f), MCTime(1.0f)), 1.0f);
    chord->AddChild(lower, SORTED);
    chord->AddChild(upper, SORTED);
    ECNote* after = PutOn(STAFF, new ECNote(MCTime(2.0f), MCTime(1.0f)), 2.0f);
    auto* slur = new ECSlur;
    MCEventList held;
    held.AddEvent(slur, UNSORTED);
    piece::Place(slur, 1.0f, 0, STAFF);
    slur->AddChild(chord, SORTED);
    slur->AddChild(after, SORTED);
    CleanMeasures();

    engine().AddSlur(&m_command, slur, nullptr);
    EXPECT_TRUE(Discarded(chord));
    EXPECT_FALSE(Discarded(lower) || Discarded(upper) || Discarded(after));
    EXPECT_TRUE(Holds(slur, lower));
    EXPECT_TRUE(Holds(slur, upper));
    EXPECT_TRUE(Display(bar)->ChordDirty());
    ExpectWindow(0.0f, 4.0f);

    // The slur, once the command runs, still holds notes when the chord goes.
    chord->RemoveFromParents();
    EXPECT_TRUE(Holds(slur, lower));
    EXPECT_FALSE(slur->GetChildren()->IsEmpty());
    slur->RemoveChildren(0);   // never in the staff: taken apart here
}

TEST_F(SpansTest, ASlurWithoutChordsAndARemovedSlurChangeNothing) {
    ECNote* note = PutOn(STAFF, new ECNote(MCTime(0.0f), MCTime(1.0f)), 0.0f);
    auto* slur = new ECSlur;
    MCEventList held;
    held.AddEvent(slur, UNSORTED);
    piece::Place(slur, 0.0f, 0, STAFF);
    slur->AddChild(note, SORTED);
    engine().AddSlur(&m_command, slur, nullptr);
    engine().RemoveSlur(&m_command, slur, nullptr);
    EXPECT_TRUE(m_command.GetDiscardList()->IsEmpty());
    EXPECT_EQ(info().GetStaffWindowCount(), 0);
    EXPECT_EQ(info().GetNotateRange(), NOTATE_NONE);
    slur->RemoveChildren(0);   // never in the staff: taken apart here
}

}  // namespace
