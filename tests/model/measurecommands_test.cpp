// The measure commands on a real piece: measures inserted before a measure
// (a meter change there staying with it), at the start (the clefs and keys of
// time zero staying there) and at the end (what stands at or after the old
// end moving behind them, nothing else); a clef written before a bar line
// following the music after it; runs deleted with a meter change inside
// (the meter copy and its removal), from the start (what survives at time
// zero), with a clef at either end, at the end of the piece, past it, and
// whole. Every case ends with the piece checked whole (rebar_support.h).
#include "model/measurecommands.h"

#include "model/eventtypes.h"
#include "model/midievents.h"
#include "tests/model/rebar_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using rebar::RebarTest;
using rebar::Seconds;

using Times = std::vector<float>;
using Names = std::vector<std::string>;

class MeasureCommands : public RebarTest {
protected:
    // A clef in a given measure (by number) of a staff, at a given time.
    ECClef* ClefIn(int track, int number, float time, unsigned char type) {
        auto* clef = new rebar::Live<ECClef>(type);
        piece::Place(clef, time, 0, track);
        PutInto(clef, m_conductor->GetMeasure(track, number));
        return clef;
    }
};

// Two measures of 4/4 before measure 3: everything from measure 3's start on
// moves 8 quarters later, and the 3/4 standing there stays with old measure 3.
TEST_F(MeasureCommands, InsertedBeforeAMeasureTheyTakeTheMeterBeforeIt) {
    MakeStaves(2);
    MakeMeasures(2);
    AddMeter(3, 4, 8.0f);
    GrowTo(20.0f);
    ASSERT_EQ(Grid(), (Times{0, 4, 8, 11, 14, 17, 20}));
    ECNote* before = Note(1, 7.5f);
    ECNote* at = Note(1, 8.0f);
    ECNote* later = Note(2, 12.0f);
    ECTempo* tempo = Tempo(8.0f);

    auto command = RunKept(new CCAddMeasure(2, 2));
    EXPECT_EQ(command->GetInsertIndex(), 2);
    EXPECT_EQ(command->GetInsertCount(), 2);
    EXPECT_EQ(Grid(), (Times{0, 4, 8, 12, 16, 19, 22, 25, 28}));
    EXPECT_EQ(Meters(), (Names{"4/4@0", "3/4@16"}));
    const struct { ECBase* event; float time; int measure; } cases[] = {
        {before, 7.5f, 2}, {at, 16.0f, 5}, {later, 20.0f, 6},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Seconds(c.event), c.time) << c.time;
        EXPECT_EQ(MeasureOf(c.event), c.measure) << c.time;
    }
    EXPECT_EQ(Seconds(tempo), 16.0f);
    command.reset();   // its hold on the meter goes
    EXPECT_EQ(Check(), "");
}

// Measures inserted at the start: the clefs and keys of time zero stay at the
// start of the piece, in the new first measure; the notes at zero move.
TEST_F(MeasureCommands, InsertedAtTheStartTheyKeepTheClefsAndKeysOfTimeZero) {
    MakeStaves(2);
    MakeMeasures(3);
    ECClef* treble = Clef(1, 0.0f, 0);
    ECKey* key = Key(1, 0.0f, 2);
    ECClef* bass = Clef(2, 0.0f, 1);
    ECClef* lower = Clef(2, 0.0f, 3, 1);   // the other hand's
    ECNote* note = Note(1, 0.0f);
    ECMeter* meter = m_conductor->GetMeterAtTime(MCTime(0.0f));
    ECTempo* tempo = Tempo(0.0f);

    Run(new CCAddMeasure(1, 0));
    EXPECT_EQ(Grid(), (Times{0, 4, 8, 12, 16}));
    for (ECBase* mark : {static_cast<ECBase*>(treble), static_cast<ECBase*>(key), static_cast<ECBase*>(bass),
                         static_cast<ECBase*>(lower)}) {
        EXPECT_EQ(Seconds(mark), 0.0f);
        EXPECT_EQ(MeasureOf(mark), 1);
    }
    EXPECT_EQ(Seconds(note), 4.0f);
    EXPECT_EQ(MeasureOf(note), 2);
    EXPECT_EQ(Seconds(meter), 0.0f);
    EXPECT_EQ(Seconds(tempo), 0.0f);
    EXPECT_EQ(Staff(2)->GetClefAtTime(MCTime(6.0f), 1), lower);
    EXPECT_EQ(Check(), "");
}

// The tracks begin with the piece: measures inserted at the start leave a
// wave track at time zero (its waves move), so deleting measures later never
// takes the track.
TEST_F(MeasureCommands, TracksStayAtTheStartOfThePiece) {
    MakeStaves(1);
    ECTrack* track = m_conductor->GetTrack(TRACK_WAVE, 1, 1);
    MakeMeasures(3);
    auto* wave = new rebar::Live<ECWave>(MCTime(4.0f), "take.wav");
    piece::Place(wave, 4.0f, 14, 1);
    PutInto(wave, track);

    Run(new CCAddMeasure(2, 0));
    EXPECT_EQ(Seconds(track), 0.0f);
    EXPECT_EQ(Seconds(Staff(1)), 0.0f);
    EXPECT_EQ(Seconds(wave), 12.0f);
    Run(new CCRemoveMeasure(1, 0));
    Run(new CCRemoveMeasure(2, 1));
    EXPECT_TRUE(InTree(track));
    EXPECT_FALSE(InTree(wave));
    EXPECT_EQ(Check(), "");
}

// An index below 0 or past the last measure appends at the end time.
TEST_F(MeasureCommands, AnIndexOutOfRangeAppends) {
    MakeStaves(1);
    MakeMeasures(3);
    ECNote* note = Note(1, 11.0f);
    const struct { int index, count; Times grid; } cases[] = {
        {-1, 1, {0, 4, 8, 12, 16}},
        {4, 2, {0, 4, 8, 12, 16, 20, 24}},   // the number of measures: one past the last
        {99, 1, {0, 4, 8, 12, 16, 20, 24, 28}},
    };
    for (const auto& c : cases) {
        const int measures = m_conductor->GetMaxMeasureNumber();
        auto command = RunKept(new CCAddMeasure(c.count, c.index));
        EXPECT_EQ(command->GetInsertIndex(), measures) << c.index;
        EXPECT_EQ(Grid(), c.grid) << c.index;
    }
    EXPECT_EQ(Seconds(note), 11.0f);
    EXPECT_EQ(Check(), "");
}

// Appending moves what stands at or after the old end of the piece (marks of
// the conductor staff and waves on a wave track may lie there): it all goes
// behind the new measure, and the tempo cache follows.
TEST_F(MeasureCommands, AppendingMovesWhatStandsAtOrAfterTheOldEnd) {
    MakeStaves(1);
    ECTrack* track = m_conductor->GetTrack(TRACK_WAVE, 1, 1);
    MakeMeasures(3);
    ECNote* note = Note(1, 11.5f);
    ECTempo* tempo = Tempo(12.0f);
    const struct { float time, expected; } waves[] = {{12.0f, 16.0f}, {14.0f, 18.0f}, {11.0f, 11.0f}};
    std::vector<ECWave*> placed;
    for (const auto& w : waves) {
        auto* wave = new rebar::Live<ECWave>(MCTime(w.time), "take.wav");
        piece::Place(wave, w.time, 14, 1);
        PutInto(wave, track);
        placed.push_back(wave);
    }

    Run(new CCAddMeasure(1, -1));
    EXPECT_EQ(Grid(), (Times{0, 4, 8, 12, 16}));
    EXPECT_EQ(Seconds(note), 11.5f);
    EXPECT_EQ(Seconds(tempo), 16.0f);
    EXPECT_NE(m_conductor->GetTempoAtTime(MCTime(13.0f)), tempo);
    EXPECT_EQ(m_conductor->GetTempoAtTime(MCTime(16.5f)), tempo);
    for (size_t i = 0; i < placed.size(); ++i)
        EXPECT_EQ(Seconds(placed[i]), waves[i].expected) << waves[i].time;
    Times order;   // the track's list is in time order again
    for (POSITION pos = track->GetChildren()->GetHeadPosition(); pos;)
        order.push_back(Seconds(track->GetChildren()->GetNext(pos)));
    EXPECT_EQ(order, (Times{11.0f, 16.0f, 18.0f}));
    EXPECT_EQ(Check(), "");
}

// Appending after the last event moves nothing; a clef written before the
// final bar line still goes to the end of the new measure, and the staff's
// clef cache shows it there and no longer at the old end.
TEST_F(MeasureCommands, AppendingAfterTheLastEventMovesNothing) {
    MakeStaves(2);
    ECTrack* track = m_conductor->GetTrack(TRACK_WAVE, 1, 1);
    MakeMeasures(3);
    ECClef* initial = Clef(1, 0.0f, 0);
    ECClef* atEnd = ClefIn(1, 3, 12.0f, 2);
    ECNote* note = Note(2, 11.5f);
    ECTempo* tempo = Tempo(8.0f);
    auto* wave = new rebar::Live<ECWave>(MCTime(4.0f), "take.wav");
    piece::Place(wave, 4.0f, 14, 1);
    PutInto(wave, track);

    Run(new CCAddMeasure(2, -1));
    EXPECT_EQ(Grid(), (Times{0, 4, 8, 12, 16, 20}));
    const struct { ECBase* event; float time; } kept[] = {
        {initial, 0.0f}, {note, 11.5f}, {tempo, 8.0f}, {wave, 4.0f},
    };
    for (const auto& k : kept)
        EXPECT_EQ(Seconds(k.event), k.time) << k.time;
    EXPECT_EQ(Seconds(atEnd), 20.0f);
    EXPECT_EQ(MeasureOf(atEnd), 5);
    EXPECT_EQ(Staff(1)->GetClefAtTime(MCTime(13.0f), 0), initial);
    EXPECT_EQ(Staff(1)->GetClefAtTime(MCTime(20.0f), 0), atEnd);
    EXPECT_EQ(m_conductor->GetTempoAtTime(MCTime(21.0f)), tempo);
    EXPECT_EQ(Check(), "");
}

// Two measures put in late in the piece and taken out again leave it as it
// was: the shift both ways reads only the measures from the one before the
// insert point, and moves everything from there on, the clef on that bar
// line among it; what stands earlier is neither moved nor rebuilt.
TEST_F(MeasureCommands, MeasuresPutInLateAndTakenOutAgainLeaveThePieceAsItWas) {
    MakeStaves(2);
    MakeMeasures(8);
    std::vector<ECBase*> events;
    for (float t : {0.0f, 1.5f, 5.0f, 9.0f, 13.0f, 17.5f, 21.0f, 23.5f, 24.0f, 27.0f, 31.5f})
        events.push_back(Note(t < 16.0f ? 1 : 2, t));
    events.push_back(ClefIn(1, 6, 24.0f, 2));   // at the end of measure 6
    events.push_back(Key(2, 28.0f, 3));
    events.push_back(Tempo(20.0f));
    events.push_back(Tempo(28.0f));
    struct Place {
        float time;
        int measure;
        bool operator==(const Place&) const = default;
    };
    auto places = [&] {
        std::vector<Place> all;
        for (ECBase* event : events)
            all.push_back({Seconds(event), MeasureOf(event)});
        return all;
    };
    const std::vector<Place> before = places();
    const Times grid = Grid();

    Run(new CCAddMeasure(2, 6));   // before measure 7, at 24
    const std::vector<Place> inserted = places();
    for (size_t i = 0; i < events.size(); ++i) {
        const bool moves = before[i].time >= 24.0f;
        EXPECT_EQ(inserted[i].time, before[i].time + (moves ? 8.0f : 0.0f)) << before[i].time;
    }
    EXPECT_EQ(inserted[11].measure, 8);   // the clef of the bar line: behind the new measures
    EXPECT_EQ(Check(), "");

    Run(new CCRemoveMeasure(2, 6));
    EXPECT_EQ(places(), before);
    EXPECT_EQ(Grid(), grid);
    EXPECT_EQ(Staff(2)->GetKeyAtTime(MCTime(29.0f), 0), events[12]);
    EXPECT_EQ(Check(), "");
}

// A clef written before a bar line announces the music after it and goes
// with that music: behind the inserted measures, at the end of the last one.
TEST_F(MeasureCommands, AClefBeforeTheBarLineGoesBehindTheInsertedMeasures) {
    MakeStaves(2);
    MakeMeasures(3);
    ECClef* middle = ClefIn(1, 2, 8.0f, 2);   // at the end of measure 2
    ECClef* last = ClefIn(2, 3, 12.0f, 2);    // at the end of the piece

    Run(new CCAddMeasure(2, 2));
    EXPECT_EQ(Seconds(middle), 16.0f);
    EXPECT_EQ(MeasureOf(middle), 4);   // the last new measure
    EXPECT_EQ(Seconds(last), 20.0f);
    EXPECT_EQ(MeasureOf(last), 5);     // with its measure
    EXPECT_EQ(Check(), "");

    Run(new CCAddMeasure(1, -1));
    EXPECT_EQ(Seconds(last), 24.0f);
    EXPECT_EQ(MeasureOf(last), 6);
    EXPECT_EQ(Staff(2)->GetClefAtTime(MCTime(24.0f), 0), last);
    EXPECT_EQ(Check(), "");
}

// Measures 2 and 3 go where the meter changes at measure 3: a copy of the
// 3/4 is set at measure 4 first, the run goes, and the copy, now where
// measure 2 began, is removed again, re-barring the rest into 4/4.
TEST_F(MeasureCommands, DeletingARunWithAMeterChangeReBarsTheRestIntoTheMeterBefore) {
    MakeStaves(1);
    MakeMeasures(2);
    AddMeter(3, 4, 8.0f);
    GrowTo(26.0f);
    ASSERT_EQ(Grid(), (Times{0, 4, 8, 11, 14, 17, 20, 23, 26}));
    ECNote* gone1 = Note(1, 5.0f);
    ECNote* gone2 = Note(1, 9.0f);
    ECNote* kept1 = Note(1, 15.0f);
    ECNote* kept2 = Note(1, 24.0f);

    auto command = RunKept(new CCRemoveMeasure(2, 1));
    MCTime start;
    MCTime end;
    command->GetRemoveRegion(start, end);
    EXPECT_EQ(start.GetSeconds(), 4.0f);
    EXPECT_EQ(end.GetSeconds(), 11.0f);
    EXPECT_EQ(command->GetRemoveCount(), 2);
    EXPECT_FALSE(InTree(gone1));
    EXPECT_FALSE(InTree(gone2));
    ASSERT_TRUE(InTree(kept1));
    ASSERT_TRUE(InTree(kept2));
    EXPECT_EQ(Meters(), (Names{"4/4@0"}));
    EXPECT_EQ(Grid(), (Times{0, 4, 8, 12, 16, 20, 24}));
    EXPECT_EQ(Seconds(kept1), 8.0f);
    EXPECT_EQ(MeasureOf(kept1), 3);
    EXPECT_EQ(Seconds(kept2), 17.0f);
    EXPECT_EQ(MeasureOf(kept2), 5);
    command.reset();   // the removed events and the meter copy go with it
    EXPECT_EQ(Check(), "");
}

// Deleting from measure 1 keeps the initial clef, key, meter and tempo...
TEST_F(MeasureCommands, DeletingFromTheStartKeepsWhatStandsAtTimeZero) {
    MakeStaves(1);
    MakeMeasures(4);
    ECClef* clef = Clef(1, 0.0f, 0);
    ECKey* key = Key(1, 0.0f, -1);
    ECMeter* meter = m_conductor->GetMeterAtTime(MCTime(0.0f));
    ECTempo* tempo = Tempo(0.0f);
    ECNote* gone = Note(1, 1.0f);
    ECNote* note = Note(1, 5.0f);
    ECMirror* mirror = Mirror(clef, 1, 4.0f);

    Run(new CCRemoveMeasure(1, 0));
    EXPECT_EQ(Grid(), (Times{0, 4, 8, 12}));
    const struct { ECBase* event; const char* name; int measure; } kept[] = {
        {clef, "clef", 1}, {key, "key", 1}, {meter, "meter", 0}, {tempo, "tempo", 0},
    };
    for (const auto& k : kept) {
        ASSERT_TRUE(InTree(k.event)) << k.name;
        EXPECT_EQ(Seconds(k.event), 0.0f) << k.name;
        EXPECT_EQ(MeasureOf(k.event), k.measure) << k.name;
    }
    EXPECT_FALSE(InTree(gone));
    ASSERT_TRUE(InTree(note));
    EXPECT_EQ(Seconds(note), 1.0f);
    // The kept clef keeps what shows it.
    EXPECT_TRUE(InTree(mirror));
    EXPECT_EQ(mirror->GetMirrorEvent(), clef);
    EXPECT_EQ(Check(), "");
}

// A clef written at the end of a deleted first measure takes over at time
// zero, once.
TEST_F(MeasureCommands, DeletingTheFirstMeasureKeepsAClefWrittenAtItsEnd) {
    MakeStaves(1);
    MakeMeasures(3);
    ECClef* initial = Clef(1, 0.0f, 0);
    ECClef* atEnd = ClefIn(1, 1, 4.0f, 2);

    Run(new CCRemoveMeasure(1, 0));
    EXPECT_FALSE(InTree(initial));
    ASSERT_TRUE(InTree(atEnd));
    EXPECT_EQ(Seconds(atEnd), 0.0f);
    EXPECT_EQ(MeasureOf(atEnd), 1);
    EXPECT_EQ(atEnd->GetParents()->GetCount(), 1);
    EXPECT_EQ(m_conductor->GetMeasure(1, 1)->GetChildren()->GetCount(), 1);
    EXPECT_EQ(Check(), "");
}

// ... unless one of the same kind (for a clef, of the same hand) stands
// exactly at the end of the run: that one takes over at time zero.
TEST_F(MeasureCommands, DeletingFromTheStartHandsTimeZeroToWhatStandsAtTheEnd) {
    MakeStaves(1);
    MakeMeasures(4);
    ECClef* clef = Clef(1, 0.0f, 0);
    ECClef* lower = Clef(1, 0.0f, 1, 1);   // no successor for this hand
    ECKey* key = Key(1, 0.0f, -1);
    ECTempo* tempo = Tempo(0.0f);
    ECClef* nextClef = Clef(1, 8.0f, 2);
    ECKey* nextKey = Key(1, 8.0f, 3);
    ECTempo* nextTempo = Tempo(8.0f);
    ECMeter* nextMeter = AddMeter(2, 2, 8.0f);

    Run(new CCRemoveMeasure(2, 0));
    EXPECT_EQ(Grid(), (Times{0, 4, 8}));
    EXPECT_FALSE(InTree(clef));
    EXPECT_FALSE(InTree(key));
    EXPECT_FALSE(InTree(tempo));
    const struct { ECBase* event; const char* name; } next[] = {
        {nextClef, "clef"}, {nextKey, "key"}, {nextTempo, "tempo"}, {nextMeter, "meter"}, {lower, "lower clef"},
    };
    for (const auto& n : next) {
        ASSERT_TRUE(InTree(n.event)) << n.name;
        EXPECT_EQ(Seconds(n.event), 0.0f) << n.name;
    }
    EXPECT_EQ(Meters(), (Names{"2/2@0"}));
    EXPECT_EQ(Staff(1)->GetClefAtTime(MCTime(1.0f), 0), nextClef);
    EXPECT_EQ(Staff(1)->GetClefAtTime(MCTime(1.0f), 1), lower);
    EXPECT_EQ(m_conductor->GetTempoAtTime(MCTime(1.0f)), nextTempo);
    EXPECT_EQ(Check(), "");
}

// A clef change at the very end of the last deleted measure survives at the
// end of the measure before the gap, where it replaces the one that
// announced the run; a clef starting the measure after the run stays there.
TEST_F(MeasureCommands, ClefsAtTheEndsOfADeletedRun) {
    MakeStaves(2);
    MakeMeasures(5);
    ECClef* announcing = ClefIn(1, 1, 4.0f, 1);   // end of measure 1
    ECClef* atEnd = ClefIn(1, 3, 12.0f, 2);       // end of measure 3
    ECClef* starting = ClefIn(2, 4, 12.0f, 3);    // start of measure 4

    Run(new CCRemoveMeasure(2, 1));
    EXPECT_EQ(Grid(), (Times{0, 4, 8, 12}));
    EXPECT_FALSE(InTree(announcing));
    ASSERT_TRUE(InTree(atEnd));
    EXPECT_EQ(Seconds(atEnd), 4.0f);
    EXPECT_EQ(MeasureOf(atEnd), 1);
    EXPECT_EQ(Staff(1)->GetClefAtTime(MCTime(5.0f), 0), atEnd);
    ASSERT_TRUE(InTree(starting));
    EXPECT_EQ(Seconds(starting), 4.0f);
    EXPECT_EQ(MeasureOf(starting), 2);
    EXPECT_EQ(Check(), "");
}

// The last measures: an index below 0 counts from the end, an index past the
// last measure deletes the last one, a count running past the end is cut to
// the measures there are, and a count below 1 deletes nothing.
TEST_F(MeasureCommands, RunsAtTheEndAndPastItStopAtTheLastMeasure) {
    MakeStaves(1);
    const struct { int count, index; int expectedCount, expectedIndex; float start, end; Times grid; } cases[] = {
        {2, -1, 2, 3, 12.0f, 20.0f, {0, 4, 8, 12}},
        {5, 3, 2, 3, 12.0f, 20.0f, {0, 4, 8, 12}},
        {1, 99, 1, 4, 16.0f, 20.0f, {0, 4, 8, 12, 16}},
        {9, -1, 5, 0, 0.0f, 20.0f, {0}},
        {0, 1, 0, 1, -1.0f, -1.0f, {0, 4, 8, 12, 16, 20}},
    };
    for (const auto& c : cases) {
        Run(new CCRemoveMeasure(99, 0));
        MakeMeasures(5);
        ECNote* note = Note(1, 2.0f);
        auto command = RunKept(new CCRemoveMeasure(c.count, c.index));
        EXPECT_EQ(command->GetRemoveCount(), c.expectedCount) << c.count << " from " << c.index;
        EXPECT_EQ(command->GetRemoveIndex(), c.expectedIndex) << c.count << " from " << c.index;
        MCTime start;
        MCTime end;
        command->GetRemoveRegion(start, end);
        EXPECT_EQ(start.GetSeconds(), c.start) << c.count << " from " << c.index;
        EXPECT_EQ(end.GetSeconds(), c.end) << c.count << " from " << c.index;
        EXPECT_EQ(Grid(), c.grid) << c.count << " from " << c.index;
        EXPECT_EQ(InTree(note), c.start != 0.0f) << c.count << " from " << c.index;
        command.reset();
        EXPECT_EQ(Check(), "") << c.count << " from " << c.index;
    }
}

// Deleting every measure leaves an empty grid and every track: the staves
// and the wave tracks stand at time zero too, and are no music of the run.
TEST_F(MeasureCommands, DeletingEveryMeasureKeepsTheTracks) {
    MakeStaves(2);
    ECTrack* wave = m_conductor->GetTrack(TRACK_WAVE, 1, 1);
    ASSERT_NE(wave, nullptr);
    MakeMeasures(3);
    Note(1, 0.0f);
    Note(2, 9.0f);

    Run(new CCRemoveMeasure(3, 0));
    EXPECT_EQ(Grid(), (Times{0}));
    EXPECT_EQ(m_conductor->GetMaxTrackNumber(TRACK_STAFF), 2);
    EXPECT_EQ(m_conductor->GetTrack(TRACK_WAVE, 1, 0), wave);
    EXPECT_TRUE(InTree(wave));
    EXPECT_TRUE(InTree(Staff(2)));
    EXPECT_EQ(Check(), "");

    MakeMeasures(2);   // the grid grows again
    EXPECT_EQ(Grid(), (Times{0, 4, 8}));
    EXPECT_EQ(Check(), "");
}

}  // namespace
