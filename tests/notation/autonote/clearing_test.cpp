// Clearing derived notation through a command: the threshold before a
// measure, the voice filter, chords, tie chains, rests and beams by their
// spans, and slurs.
#include "notation/autonote/clearing.h"

#include "model/command.h"
#include "model/modifiers.h"
#include "notation/autonote/autonote.h"
#include "notation/display/beam.h"
#include "notation/display/note.h"
#include "tests/notation/autonote/autonote_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

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

// Another voice's chain stays; a continuation already marked for the value
// pass (its measure marked whole) still goes with its tie, or it would stand
// untied; a window without chains changes nothing.
TEST_F(ClearingTest, TiesOfAnotherVoiceStayAndMarkedContinuationsGoWithTheirTie) {
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
    EXPECT_TRUE(Discarded(continuation));

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

// The whole-list and element forms of ClearEvents: every rest of the type
// under what they are given, whatever its time, through the voice filter.
TEST_F(ClearingTest, ClearEventsTakesEveryElementOfTheTypeUnderItsArgument) {
    ECRest* first = Put(Bar(1, 0.0f), new ECRest, 1.0f, 0);
    auto* tuplet = Put(Bar(1, 4.0f), new ECTuplet, 4.0f, 0);
    ECRest* inTuplet = Put(tuplet, new ECRest, 4.5f, 0);
    ECRest* otherVoice = Put(Bar(1, 8.0f), new ECRest, 11.0f, 1);
    const struct {
        const char* form;
        unsigned voice;
        bool first, inTuplet, otherVoice;
    } cases[] = {
        {"list", VOICE_ALL, true, true, true},
        {"list", 1, false, false, true},
        {"element", VOICE_ALL, false, true, false},
        {"element", 1, false, false, false},
    };
    for (const auto& c : cases) {
        CCBase command;
        MCEventList bars;
        Fill(bars, {0.0f, 4.0f, 8.0f});
        const int result = std::string(c.form) == "list" ? ClearEvents(&command, bars, ET_REST, c.voice)
                                                         : ClearEvents(&command, tuplet, ET_REST, c.voice);
        EXPECT_EQ(result, 1);
        auto cleared = [&command](ECBase* e) { return command.GetDiscardList()->Find(e) != nullptr; };
        EXPECT_EQ(cleared(first), c.first) << c.form << " " << c.voice;
        EXPECT_EQ(cleared(inTuplet), c.inTuplet) << c.form << " " << c.voice;
        EXPECT_EQ(cleared(otherVoice), c.otherVoice) << c.form << " " << c.voice;
        EXPECT_FALSE(cleared(tuplet));
    }
}

// The element form over the second bar searches from the range start itself:
// a rest 3 ticks before the bar's start stays, which the list form takes.
TEST_F(ClearingTest, TheElementFormKeepsToItsStart) {
    ECMeasure* bar = Bar(1, 4.0f);
    auto* early = new ECRest;
    const MCTime time = Ticks(1024 - 3);
    early->SetTime(&time);
    bar->AddChild(early, SORTED);
    ECRest* inside = Put(bar, new ECRest, 5.0f);

    MCTime start(4.0f), end(8.0f);
    EXPECT_EQ(ClearEventsInRange(&m_command, bar, start, end, ET_REST, VOICE_ALL), 1);
    EXPECT_FALSE(Discarded(early));
    EXPECT_TRUE(Discarded(inside));

    CCBase listCommand;
    MCEventList bars;
    Fill(bars, {4.0f});
    ClearEventsInRange(&listCommand, bars, start, end, ET_REST, VOICE_ALL);
    EXPECT_TRUE(listCommand.GetDiscardList()->Find(early) != nullptr);
}

// With the note display in place: the notes of a cleared chord go back to
// the plain notehead place, by either form of clearing.
TEST_F(ClearingTest, ClearedChordsPutTheirNoteheadsBack) {
    autonote_test::DisplayClasses notes({ET_NOTE}, RUNTIME_CLASS(DCctNote));
    for (int form = 0; form < 2; ++form) {
        ECMeasure* bar = Bar(1, 4.0f * form);
        auto* chord = Put(bar, new ECChord, 4.0f * form);
        ECNote* note = PutNote(chord, 4.0f * form);
        auto* display = dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 1));
        ASSERT_NE(display, nullptr);
        display->SetNoteheadPosition(1);
        CCBase command;
        MCEventList bars;
        Fill(bars, {4.0f * form});
        MCTime start(4.0f * form), end(4.0f * form + 4.0f);
        if (form == 0)
            ClearEventsInRange(&command, bars, start, end, ET_CHORD, VOICE_ALL);
        else
            ClearEvents(&command, bars, ET_CHORD, VOICE_ALL);
        EXPECT_TRUE(command.GetDiscardList()->Find(chord) != nullptr) << form;
        EXPECT_EQ(display->GetNoteheadPosition(), 0) << form;
    }
}

// ClearTies: a note's own chain, or every chain of its chord; a chord already
// value-dirty is left alone; an untied note or another voice gives 0.
TEST_F(ClearingTest, ClearTiesTakesTheChainsOfTheNoteOrItsChord) {
    ECMeasure* bar = Bar(1, 0.0f);
    auto* chord = Put(bar, new ECChord, 1.0f);
    ECNote* low = PutNote(chord, 1.0f);
    ECNote* high = PutNote(chord, 1.0f);
    ECNote* lowNext = PutNote(bar, 2.0f);
    ECNote* highNext = PutNote(bar, 2.0f);
    ECNote* lowLast = PutNote(bar, 3.0f, 0.5f);
    ECTie* lowTie = TieNotes(bar, low, lowNext);
    ECTie* lowTie2 = TieNotes(bar, lowNext, lowLast);
    ECTie* highTie = TieNotes(bar, high, highNext);
    ECNote* alone = PutNote(bar, 0.0f);
    for (ECNote* note : {low, high, lowNext, highNext, lowLast, alone})
        Display(note, 1)->SetStateWord(0);
    Display(chord, 1)->SetValueDirty(1);

    MCTime start(2.0f), end(2.5f);
    EXPECT_EQ(ClearTies(&m_command, low, start, end, VOICE_ALL), 0);   // its chord's value is dirty
    EXPECT_EQ(m_command.GetDiscardList()->GetCount(), 0);
    Display(chord)->SetValueDirty(0);
    EXPECT_EQ(ClearTies(&m_command, low, start, end, 3), 0);   // another voice
    EXPECT_EQ(ClearTies(&m_command, alone, start, end, VOICE_ALL), 0);
    EXPECT_EQ(m_command.GetDiscardList()->GetCount(), 0);
    EXPECT_EQ(start, MCTime(2.0f));

    EXPECT_EQ(ClearTies(&m_command, high, start, end, VOICE_ALL), 1);
    for (ECBase* gone : std::initializer_list<ECBase*>{lowTie, lowTie2, lowNext, lowLast, highTie, highNext})
        EXPECT_TRUE(Discarded(gone));
    for (ECBase* kept : std::initializer_list<ECBase*>{chord, low, high})
        EXPECT_FALSE(Discarded(kept));
    // Widened over both chains: the low one ends at 3.5.
    EXPECT_EQ(start, MCTime(1.0f));
    EXPECT_EQ(end, MCTime(3.5f));
}

TEST_F(ClearingTest, TheElementFormOfClearTiesInRange) {
    ECNote* head = PutNote(Bar(1, 0.0f), 3.0f, 1.0f);
    ECNote* continuation = PutNote(Bar(1, 4.0f), 4.0f, 0.5f);
    ECTie* tie = TieNotes(Bar(1, 0.0f), head, continuation);
    Display(head, 1)->SetStateWord(0);
    Display(continuation, 1)->SetStateWord(0);
    MCTime start(0.0f), end(4.0f);
    EXPECT_EQ(ClearTiesInRange(&m_command, Bar(1, 0.0f), start, end, VOICE_ALL), 1);
    EXPECT_TRUE(Discarded(tie));
    EXPECT_TRUE(Discarded(continuation));
    EXPECT_EQ(end, MCTime(4.5f));
}

// Rests and beams are found by their notated tick spans in their measure.
class SpanClearingTest : public ClearingTest {
protected:
    void SetUp() override {
        ClearingTest::SetUp();
        NotateLinks before = GetNotateLinks();
        GetNotateLinks().tickStart = [this, before](DCBase* display, int mode) {
            auto it = m_spans.find(display);
            return it != m_spans.end() ? it->second.first : before.tickStart ? before.tickStart(display, mode) : -1;
        };
        GetNotateLinks().tickDuration = [this, before](DCBase* display, int mode) {
            auto it = m_spans.find(display);
            return it != m_spans.end() ? it->second.second : before.tickDuration(display, mode);
        };
    }
    // A rest in the bar starting at `bar` quarters, at `tick` for `length`
    // ticks (256 a quarter).
    ECRest* PutRest(float bar, int tick, int length, int voice = 0) {
        ECRest* rest = Put(Bar(1, bar), new ECRest, bar + tick / 256.0f, voice);
        m_spans[rest->GetData(DK_NOTATION, 1)] = {tick, length};
        return rest;
    }
    ECBeam* PutBeam(float bar, int first, int last, std::initializer_list<ECNote*> notes, int voice = 0) {
        ECBeam* beam = Put(Bar(1, bar), new ECBeam, bar + first / 256.0f, voice);
        for (ECNote* note : notes)
            beam->AddChild(note, SORTED);
        auto* display = dynamic_cast<DCctBeam*>(beam->GetData(DK_NOTATION, 1));
        display->SetTickRange(static_cast<WORD>(first), static_cast<WORD>(last));
        return beam;
    }

    std::map<DCBase*, std::pair<int, int>> m_spans;
};

// A rest over [1.0, 2.0) of the first bar against ranges: touching ends do
// not overlap; every discarded rest widens the range over itself.
TEST_F(SpanClearingTest, RestsOverlapByTheirSpans) {
    ECRest* rest = PutRest(0.0f, 256, 256);
    const MCTime null = MCTime::TimeNull();
    const struct {
        MCTime start, end;
        bool cleared;
        MCTime widenedStart, widenedEnd;
    } cases[] = {
        {0.0f, 1.0f, false, 0.0f, 1.0f},    // ends where the rest starts
        {2.0f, 3.0f, false, 2.0f, 3.0f},    // starts where it ends
        {0.0f, 1.5f, true, 0.0f, 2.0f},
        {1.5f, 1.75f, true, 1.0f, 2.0f},    // inside
        {1.5f, 1.5f, true, 1.0f, 2.0f},     // an instant inside
        {0.5f, 3.0f, true, 0.5f, 3.0f},     // around: nothing to widen
        {null, null, true, 1.0f, 2.0f},     // no range: the rest's span
        {null, 0.5f, false, null, 0.5f},
        {1.5f, null, true, 1.0f, 2.0f},
    };
    for (const auto& c : cases) {
        CCBase command;
        MCEventList bars;
        Fill(bars, {0.0f, 4.0f});
        MCTime start = c.start, end = c.end;
        EXPECT_EQ(ClearRestsInRange(&command, bars, start, end, VOICE_ALL), c.cleared ? 1 : 0)
            << c.start.GetSeconds() << "-" << c.end.GetSeconds();
        EXPECT_EQ(command.GetDiscardList()->Find(rest) != nullptr, c.cleared) << c.start.GetSeconds();
        EXPECT_EQ(start, c.widenedStart) << c.start.GetSeconds() << "-" << c.end.GetSeconds();
        EXPECT_EQ(end, c.widenedEnd) << c.start.GetSeconds() << "-" << c.end.GetSeconds();
    }
}

// The range is tested as passed in, not as an earlier rest widened it; the
// voice filter and the one-measure form.
TEST_F(SpanClearingTest, OverlapUsesTheRangeAsPassedAndTheVoiceFilter) {
    ECRest* first = PutRest(0.0f, 0, 512);        // [0, 2)
    ECRest* second = PutRest(0.0f, 512, 256);     // [2, 3): inside the widened range only
    ECRest* voiceThree = PutRest(4.0f, 0, 256, 3);   // [4, 5)
    MCEventList bars;
    Fill(bars, {0.0f, 4.0f});
    MCTime start(0.5f), end(1.0f);
    EXPECT_EQ(ClearRestsInRange(&m_command, bars, start, end, VOICE_ALL), 1);
    EXPECT_TRUE(Discarded(first));
    EXPECT_FALSE(Discarded(second));
    EXPECT_EQ(start, MCTime(0.0f));
    EXPECT_EQ(end, MCTime(2.0f));

    const struct {
        unsigned voice;
        bool cleared;
    } cases[] = {{VOICE_ALL, true}, {2, false}, {3, true}};
    for (const auto& c : cases) {
        CCBase command;
        MCTime from(4.0f), to(4.5f);
        ClearRestsInRange(&command, Bar(1, 4.0f), from, to, c.voice);
        EXPECT_EQ(command.GetDiscardList()->Find(voiceThree) != nullptr, c.cleared) << c.voice;
    }
}

// A beam over [0.5, 1.5) of the second bar: cleared by an overlapping range,
// taking the range to its span when none is given; everything under it is
// marked value-dirty; a beam the range misses is left with its notes clean.
TEST_F(SpanClearingTest, BeamsClearedBySpanMarkTheirNotes) {
    ECMeasure* bar = Bar(1, 4.0f);
    ECNote* a = PutNote(bar, 4.5f, 0.5f);
    ECNote* b = PutNote(bar, 5.0f, 0.5f);
    ECNote* c = PutNote(bar, 6.0f, 0.5f);
    ECNote* d = PutNote(bar, 6.5f, 0.5f);
    ECBeam* hit = PutBeam(4.0f, 128, 384, {a, b});
    ECBeam* missed = PutBeam(4.0f, 512, 768, {c, d});
    for (ECNote* note : {a, b, c, d})
        Display(note, 1)->SetStateWord(0);

    MCEventList bars;
    Fill(bars, {4.0f});
    MCTime start = MCTime::TimeNull(), end = MCTime(5.25f);
    EXPECT_EQ(ClearBeamsInRange(&m_command, bars, start, end, VOICE_ALL), 1);
    EXPECT_TRUE(Discarded(hit));
    EXPECT_FALSE(Discarded(missed));
    EXPECT_EQ(start, MCTime(4.5f));
    EXPECT_EQ(end, MCTime(5.5f));
    EXPECT_EQ(Display(a)->ValueDirty(), 1);
    EXPECT_EQ(Display(b)->ValueDirty(), 1);
    EXPECT_EQ(Display(c)->ValueDirty(), 0);
    EXPECT_FALSE(Discarded(a));

    CCBase none;
    MCTime from(0.0f), to(4.0f);
    EXPECT_EQ(ClearBeamsInRange(&none, bar, from, to, VOICE_ALL), 0);
    EXPECT_EQ(none.GetDiscardList()->GetCount(), 0);
}

// The spelling step shows the hidden accidentals of the range again; the
// stem and event steps leave everything as it was.
TEST_F(ClearingTest, DirtySpellingShowsHiddenAccidentals) {
    ECMeasure* bar = Bar(1, 0.0f);
    ECNote* inside = PutNote(bar, 1.0f, 1.0f, 2);
    ECNote* otherVoice = PutNote(bar, 1.0f, 1.0f, 1);
    ECNote* after = PutNote(bar, 3.0f, 1.0f, 2);
    std::vector<ECAccidental*> marks;
    for (ECNote* note : {inside, otherVoice, after}) {
        auto* mark = new ECAccidental(0);
        note->AddChild(mark, SORTED);
        Display(mark, 1)->SetHidden(1);
        marks.push_back(mark);
    }
    CAutoNote engine;
    MCEventList bars;
    Fill(bars, {0.0f});
    MCTime start(0.0f), end(2.0f);
    EXPECT_EQ(DirtyStemsInRange(bars, start, end, 2), 1);
    EXPECT_EQ(DirtyEventsInRange(&m_command, bars, start, end, ET_CHORD, 2), 1);
    EXPECT_EQ(Display(marks[0])->IsHidden(), 1);
    EXPECT_EQ(engine.DirtySpellingInRange(bars, start, end, 2), 1);
    EXPECT_EQ(Display(marks[0])->IsHidden(), 0);
    EXPECT_EQ(Display(marks[1])->IsHidden(), 1);
    EXPECT_EQ(Display(marks[2])->IsHidden(), 1);
    EXPECT_EQ(m_command.GetDiscardList()->GetCount(), 0);
}

}  // namespace
