// Clearing derived notation through a command: the threshold before a
// measure, the voice filter, chords, tie chains and slurs.
#include "notation/autonote/clearing.h"

#include "model/command.h"
#include "model/modifiers.h"
#include "tests/notation/autonote/autonote_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using autonote_test::AutonoteTest;
using autonote_test::TieNotes;

class ClearingTest : public AutonoteTest {
protected:
    void SetUp() override {
        AutonoteTest::SetUp();
        MakeStaves(1);
        MakeMeasures(3);
    }
    void Fill(MCEventList& list, std::initializer_list<float> starts) {
        for (float start : starts)
            list.AddTail(Bar(1, start));
    }
    bool Discarded(ECBase* event) { return m_command.GetDiscardList()->Find(event) != nullptr; }
    static MCTime Ticks(int ticks) {
        MCTime time;
        time.SetTicks(ticks, 256);
        return time;
    }

    CCBase m_command;
};

// Rests near the second bar's start (4 quarters = 1024 ticks at 256), cleared
// for the window [second bar start, 8 quarters): 6 ticks early still counts
// when the list starts with the bar at the window's start.
TEST_F(ClearingTest, AMeasureStartingTheWindowReachesBackSixTicks) {
    ECMeasure* bar = Bar(1, 4.0f);
    const struct {
        int tick;
        bool fromBarStart;   // cleared when the window starts at the bar
        bool fromMidBar;     // cleared when it starts 1 tick later
    } cases[] = {{1024 - 7, false, false}, {1024 - 6, true, false}, {1024 - 1, true, false}, {1024, true, false},
                 {1024 + 1, true, true},   {2048 - 1, true, true},  {2048, false, false}};
    std::vector<ECRest*> rests;
    for (const auto& c : cases) {
        auto* rest = new ECRest;
        const MCTime time = Ticks(c.tick);
        rest->SetTime(&time);
        bar->AddChild(rest, SORTED);
        rests.push_back(rest);
    }
    for (int midBar = 0; midBar < 2; ++midBar) {
        CCBase command;
        MCEventList bars;
        Fill(bars, {4.0f});
        MCTime start = Ticks(1024 + midBar);
        MCTime end(8.0f);
        EXPECT_EQ(ClearEventsInRange(&command, bars, start, end, ET_REST, VOICE_ALL), 1);
        for (size_t i = 0; i < rests.size(); ++i)
            EXPECT_EQ(command.GetDiscardList()->Find(rests[i]) != nullptr,
                      midBar ? cases[i].fromMidBar : cases[i].fromBarStart)
                << cases[i].tick << (midBar ? " mid-bar" : " bar start");
        EXPECT_EQ(start, Ticks(1024 + midBar));   // never widened
    }
}

TEST_F(ClearingTest, TheVoiceFilterAndAnEmptyList) {
    const struct {
        unsigned voice;
        bool cleared;
    } cases[] = {{VOICE_ALL, true}, {2, false}, {3, true}};
    ECRest* rest = Put(Bar(1, 0.0f), new ECRest, 1.0f, 3);
    for (const auto& c : cases) {
        CCBase command;
        MCEventList bars;
        Fill(bars, {0.0f});
        MCTime start(0.0f), end(4.0f);
        ClearEventsInRange(&command, bars, start, end, ET_REST, c.voice);
        EXPECT_EQ(command.GetDiscardList()->Find(rest) != nullptr, c.cleared) << c.voice;
    }
    MCEventList none;
    MCTime start(0.0f), end(4.0f);
    EXPECT_EQ(ClearEventsInRange(&m_command, none, start, end, ET_REST, VOICE_ALL), 0);
}

// Dots hang under notes and have no voice of their own: found through the
// notes in the window, filtered by their note's voice.
TEST_F(ClearingTest, DotsAreFoundUnderTheNotesOfTheWindow) {
    ECMeasure* bar = Bar(1, 0.0f);
    ECNote* inside = PutNote(bar, 1.0f, 1.5f, 2);
    ECNote* otherVoice = PutNote(bar, 1.0f, 1.5f, 1);
    ECNote* outside = PutNote(bar, 3.0f, 1.5f, 2);
    std::vector<ECDot*> dots;
    for (ECNote* note : {inside, otherVoice, outside}) {
        auto* dot = new ECDot(1);
        note->AddChild(dot, SORTED);
        dots.push_back(dot);
    }
    MCEventList bars;
    Fill(bars, {0.0f});
    MCTime start(0.5f), end(2.0f);
    ClearEventsInRange(&m_command, bars, start, end, ET_DOT, 2);
    EXPECT_TRUE(Discarded(dots[0]));
    EXPECT_FALSE(Discarded(dots[1]));
    EXPECT_FALSE(Discarded(dots[2]));
    EXPECT_FALSE(Discarded(inside));
}

TEST_F(ClearingTest, ClearingAChordPutsItsNotesAccidentalsBack) {
    ECMeasure* bar = Bar(1, 0.0f);
    auto* chord = Put(bar, new ECChord, 0.0f);
    ECNote* note = PutNote(chord, 0.0f);
    auto* sharp = new ECAccidental(0);
    note->AddChild(sharp, SORTED);
    MusicFontScope font(100);
    Display(sharp, 1)->SetOffset(-12, 3);
    ASSERT_NE(Display(sharp)->GetStoredOffset(), CSize(0, 0));
    MCEventList bars;
    Fill(bars, {0.0f});
    MCTime start(0.0f), end(4.0f);
    ClearEventsInRange(&m_command, bars, start, end, ET_CHORD, VOICE_ALL);
    EXPECT_TRUE(Discarded(chord));
    EXPECT_FALSE(Discarded(note));
    EXPECT_EQ(Display(sharp)->GetStoredOffset(), CSize(0, 0));
}

// A note in the first bar tied over the barline into the second: clearing
// the first bar's ties discards the tie and the continuation, marks the head
// value- and time-dirty and widens the range to the continuation's end.
TEST_F(ClearingTest, ATieOverTheBarlineIsClearedFromItsHead) {
    ECNote* head = PutNote(Bar(1, 0.0f), 3.0f, 1.0f);
    ECNote* continuation = PutNote(Bar(1, 4.0f), 4.0f, 0.5f);
    ECTie* tie = TieNotes(Bar(1, 0.0f), head, continuation);
    Display(head, 1)->SetStateWord(0);
    Display(continuation, 1)->SetStateWord(0);

    MCEventList bars;
    Fill(bars, {0.0f});
    MCTime start(0.0f), end(4.0f);
    EXPECT_EQ(ClearTiesInRange(&m_command, bars, start, end, VOICE_ALL), 1);
    EXPECT_TRUE(Discarded(tie));
    EXPECT_TRUE(Discarded(continuation));
    EXPECT_FALSE(Discarded(head));
    EXPECT_EQ(Display(head)->ValueDirty(), 1);
    EXPECT_EQ(Display(head)->TimeDirty(), 1);
    EXPECT_EQ(start, MCTime(0.0f));
    EXPECT_EQ(end, MCTime(4.5f));
}

TEST_F(ClearingTest, TiesLeftAloneWhenValueDirtyOfAnotherVoiceOrAbsent) {
    ECNote* head = PutNote(Bar(1, 0.0f), 3.0f, 1.0f, 1);
    ECNote* continuation = PutNote(Bar(1, 4.0f), 4.0f, 0.5f, 1);
    TieNotes(Bar(1, 0.0f), head, continuation)->GetVoiceTrack()->SetVoice(1);
    Display(head, 1)->SetStateWord(0);
    Display(continuation, 1);   // new: every dirty kind set, value-dirty among them

    MCEventList bars;
    Fill(bars, {0.0f});
    MCTime start(0.0f), end(4.0f);
    ClearTiesInRange(&m_command, bars, start, end, 0);   // another voice
    EXPECT_EQ(m_command.GetDiscardList()->GetCount(), 0);
    ClearTiesInRange(&m_command, bars, start, end, VOICE_ALL);
    EXPECT_FALSE(Discarded(continuation));   // handled earlier in the batch

    MCEventList empty;
    Fill(empty, {8.0f});
    MCTime from(8.0f), to(12.0f);
    EXPECT_EQ(ClearTiesInRange(&m_command, empty, from, to, VOICE_ALL), 0);
    EXPECT_EQ(to, MCTime(12.0f));
}

TEST_F(ClearingTest, SlursAreNeverCleared) {
    auto* slur = Put(Bar(1, 0.0f), new ECSlur, 0.0f);
    MCEventList bars;
    Fill(bars, {0.0f});
    MCTime start(0.0f), end(4.0f);
    EXPECT_EQ(ClearSlursInRange(&m_command, bars, start, end, VOICE_ALL), 0);
    EXPECT_FALSE(Discarded(slur));
}

}  // namespace
