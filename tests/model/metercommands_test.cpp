// The meter commands on a real piece: re-barring a scope into shorter and
// longer measures (re-timed measures, appended measures, the later music
// moved, events handed to the measures that now hold them), meters of equal
// length and meters after the last measure only added, a meter replaced at
// its time, an equal following meter dropped, removal re-barring into the
// meter before, the first meter kept, a meter the conductor staff cannot take
// changing nothing; and mirrors of meters and tempos that are gone showing
// nothing. Every case ends with the piece checked whole (rebar_support.h).
#include "model/metercommands.h"

#include "model/eventtypes.h"
#include "tests/model/rebar_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using rebar::Live;
using rebar::RebarTest;
using rebar::Seconds;

using Times = std::vector<float>;
using Names = std::vector<std::string>;

class MeterCommands : public RebarTest {};

// Four 4/4 measures (4 to 20) under a 3/4 from measure 2: six measures of 3
// quarters (18), two of them appended behind the re-timed four, and the music
// from the old end of the span on two quarters later.
TEST_F(MeterCommands, ThreeFourOverFourMeasuresOfFourFourMakesSixAndMovesTheRestByTwo) {
    MakeStaves(2);
    MakeMeasures(8);
    ECMeter* common = m_conductor->GetMeterAtTime(MCTime(0.0f));
    AddMeter(2, 2, 20.0f);   // equal length: nothing moves, the span ends there
    ASSERT_EQ(Grid(), (Times{0, 4, 8, 12, 16, 20, 24, 28, 32}));
    ECNote* inside = Note(1, 12.5f);
    ECNote* late = Note(1, 17.0f);   // in the span, at the time of an appended measure
    ECNote* after = Note(2, 21.0f);
    ECClef* clef = Clef(2, 24.0f, 3);

    auto command = RunKept(new CCAddMeter(NewMeter(3, 4, 4.0f)));
    EXPECT_EQ(command->GetMeasureInsertCount(), 2);
    EXPECT_EQ(command->GetMeasureInsertLocation(), 6);
    EXPECT_EQ(command->GetMeter(1), common);
    EXPECT_EQ(command->GetMeter(2), nullptr);
    EXPECT_EQ(command->GetMeterTime(0).GetSeconds(), 4.0f);
    EXPECT_EQ(command->GetMeterDuration(0).GetSeconds(), 3.0f);
    EXPECT_EQ(command->GetMeterDuration(1).GetSeconds(), 4.0f);
    EXPECT_EQ(command->GetMeterTime(2), MCTime::TimeNull());

    EXPECT_EQ(Grid(), (Times{0, 4, 7, 10, 13, 16, 19, 22, 26, 30, 34}));
    EXPECT_EQ(Meters(), (Names{"4/4@0", "3/4@4", "2/2@22"}));
    const struct { ECBase* event; float time; int measure; } cases[] = {
        {inside, 12.5f, 4}, {late, 17.0f, 6}, {after, 23.0f, 8}, {clef, 26.0f, 9},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Seconds(c.event), c.time) << c.time;
        EXPECT_EQ(MeasureOf(c.event), c.measure) << c.time;
    }
    EXPECT_EQ(Staff(2)->GetClefAtTime(MCTime(30.0f), 0), clef);
    command.reset();   // its hold on the meter goes
    EXPECT_EQ(Check(), "");
}

// 4/4 in place of a 3/4 that ruled four measures (12 quarters): still four
// measures, now of 4 (16); nothing is appended and the following music (a 6/8
// from measure 5) moves 4 quarters later. The replaced meter is reported.
TEST_F(MeterCommands, FourFourReplacingThreeFourKeepsTheMeasureCountAndMovesTheRestByFour) {
    MakeStaves(1);
    ECMeter* waltz = AddMeter(3, 4, 0.0f);
    GrowTo(18.0f);
    AddMeter(6, 8, 12.0f);   // equal length: only added
    ASSERT_EQ(Grid(), (Times{0, 3, 6, 9, 12, 15, 18}));
    ECNote* inside = Note(1, 11.0f);
    ECNote* after = Note(1, 13.0f);

    auto command = RunKept(new CCAddMeter(NewMeter(4, 4, 0.0f)));
    EXPECT_EQ(command->GetMeter(2), waltz);
    EXPECT_EQ(command->GetMeterTime(2).GetSeconds(), 0.0f);
    EXPECT_EQ(command->GetMeasureInsertCount(), 0);
    EXPECT_FALSE(InTree(waltz));

    EXPECT_EQ(Grid(), (Times{0, 4, 8, 12, 16, 19, 22}));
    EXPECT_EQ(Meters(), (Names{"4/4@0", "6/8@16"}));
    EXPECT_EQ(Seconds(inside), 11.0f);
    EXPECT_EQ(MeasureOf(inside), 3);
    EXPECT_EQ(Seconds(after), 17.0f);
    EXPECT_EQ(MeasureOf(after), 5);
    command.reset();   // the replaced meter goes with the command
    EXPECT_EQ(Check(), "");
}

// A meter of the same length, and a meter after the last measure, are only
// added: no measure and no event moves.
TEST_F(MeterCommands, EqualLengthsAndMetersAfterTheLastMeasureAreOnlyAdded) {
    MakeStaves(1);
    MakeMeasures(4);
    ECNote* note = Note(1, 9.0f);
    const struct { int numerator, denominator; float time; } cases[] = {
        {2, 2, 8.0f},    // where 4/4 rules
        {3, 4, 16.0f},   // at the end of the last measure
    };
    for (const auto& c : cases) {
        auto command = RunKept(new CCAddMeter(NewMeter(c.numerator, c.denominator, c.time)));
        EXPECT_EQ(command->GetMeasureInsertCount(), 0) << c.time;
        EXPECT_EQ(Grid(), (Times{0, 4, 8, 12, 16})) << c.time;
        EXPECT_EQ(Seconds(note), 9.0f);
    }
    EXPECT_EQ(Meters(), (Names{"4/4@0", "2/2@8", "3/4@16"}));
    // The grid grows on in the meter at its end.
    GrowTo(19.0f);
    EXPECT_EQ(Grid(), (Times{0, 4, 8, 12, 16, 19}));
    EXPECT_EQ(Check(), "");
}

// A 3/4 added where the next meter is also a 3/4: the later one is redundant
// and goes in Finish; only the first following meter is looked at.
TEST_F(MeterCommands, AnEqualFollowingMeterIsDropped) {
    MakeStaves(1);
    MakeMeasures(4);
    AddMeter(3, 4, 8.0f);    // measures 3 and 4 become three of 3
    AddMeter(2, 4, 14.0f);   // the last 3/4 measure becomes two of 2
    AddMeter(3, 4, 18.0f);   // after the last measure: only added
    ASSERT_EQ(Grid(), (Times{0, 4, 8, 11, 14, 16, 18}));
    ASSERT_EQ(Meters(), (Names{"4/4@0", "3/4@8", "2/4@14", "3/4@18"}));

    AddMeter(3, 4, 4.0f);   // measure 2 becomes two of 3; the 3/4 after it goes
    EXPECT_EQ(Meters(), (Names{"4/4@0", "3/4@4", "2/4@16", "3/4@20"}));
    EXPECT_EQ(Grid(), (Times{0, 4, 7, 10, 13, 16, 18, 20}));
    EXPECT_EQ(Check(), "");
}

// The meter that follows is found across the tempos between them, and only
// it counts: equal, it goes; not equal, an equal one after it stays.
TEST_F(MeterCommands, TheFollowingMeterIsFoundAcrossTempos) {
    MakeStaves(1);
    MakeMeasures(8);   // 4/4 and 2/2 measures are as long: nothing moves
    for (float time : {9.0f, 10.5f, 13.0f, 25.0f, 26.0f})
        Tempo(time);
    AddMeter(2, 2, 16.0f);
    AddMeter(2, 2, 8.0f);   // the 2/2 at 16 goes
    ASSERT_EQ(Meters(), (Names{"4/4@0", "2/2@8"}));
    AddMeter(4, 4, 24.0f);
    AddMeter(2, 2, 28.0f);

    AddMeter(4, 4, 12.0f);   // the 4/4 at 24 goes
    EXPECT_EQ(Meters(), (Names{"4/4@0", "2/2@8", "4/4@12", "2/2@28"}));
    AddMeter(4, 4, 4.0f);    // the 2/2 at 8 is not equal: the 4/4 at 12 stays
    EXPECT_EQ(Meters(), (Names{"4/4@0", "4/4@4", "2/2@8", "4/4@12", "2/2@28"}));
    EXPECT_EQ(Grid(), (Times{0, 4, 8, 12, 16, 20, 24, 28, 32}));
    EXPECT_EQ(Check(), "");
}

// Removing a meter re-bars its scope into the meter before it. Longer
// measures keep the count and move the rest later...
TEST_F(MeterCommands, RemovingAShorterMeterKeepsTheCountAndMovesTheRest) {
    MakeStaves(1);
    MakeMeasures(2);
    ECMeter* common = m_conductor->GetMeterAtTime(MCTime(0.0f));
    ECMeter* waltz = AddMeter(3, 4, 8.0f);
    GrowTo(20.0f);
    AddMeter(2, 2, 20.0f);
    GrowTo(28.0f);
    ASSERT_EQ(Grid(), (Times{0, 4, 8, 11, 14, 17, 20, 24, 28}));
    ECNote* inside = Note(1, 15.5f);
    ECNote* after = Note(1, 25.0f);

    auto command = RunKept(new CCRemoveMeter(waltz));
    EXPECT_EQ(command->GetMeter(1), common);
    EXPECT_EQ(command->GetMeasureInsertCount(), 0);
    EXPECT_EQ(command->GetMeasureInsertLocation(), 7);
    EXPECT_EQ(Grid(), (Times{0, 4, 8, 12, 16, 20, 24, 28, 32}));
    EXPECT_EQ(Meters(), (Names{"4/4@0", "2/2@24"}));
    EXPECT_EQ(MeasureOf(inside), 4);
    EXPECT_EQ(Seconds(after), 29.0f);
    command.reset();
    EXPECT_EQ(Check(), "");
}

// ... shorter ones append measures of the meter before.
TEST_F(MeterCommands, RemovingALongerMeterAppendsMeasuresOfTheMeterBefore) {
    MakeStaves(1);
    AddMeter(3, 4, 0.0f);
    GrowTo(9.0f);
    ECMeter* common = AddMeter(4, 4, 9.0f);
    GrowTo(17.0f);
    ASSERT_EQ(Grid(), (Times{0, 3, 6, 9, 13, 17}));
    ECNote* note = Note(1, 12.0f);

    auto command = RunKept(new CCRemoveMeter(common));
    EXPECT_EQ(command->GetMeasureInsertCount(), 1);
    EXPECT_EQ(command->GetMeasureInsertLocation(), 6);
    EXPECT_EQ(Grid(), (Times{0, 3, 6, 9, 12, 15, 18}));
    EXPECT_EQ(Meters(), (Names{"3/4@0"}));
    EXPECT_EQ(Seconds(note), 12.0f);
    EXPECT_EQ(MeasureOf(note), 5);
    command.reset();
    EXPECT_EQ(Check(), "");
}

// A clef written before the final bar line stays at the end of the last
// measure when re-barring leaves the piece as long as it was (two measures of
// 3 become three of 2): the measure it stood in now ends earlier.
TEST_F(MeterCommands, AClefBeforeTheFinalBarLineStaysInTheLastMeasure) {
    MakeStaves(1);
    AddMeter(3, 4, 0.0f);
    GrowTo(9.0f);
    auto* clef = new Live<ECClef>(2);
    piece::Place(clef, 9.0f, 0, 1);
    PutInto(clef, m_conductor->GetMeasure(1, 3));

    auto command = RunKept(new CCAddMeter(NewMeter(2, 4, 3.0f)));
    EXPECT_EQ(command->GetMeasureInsertCount(), 1);
    EXPECT_EQ(Grid(), (Times{0, 3, 5, 7, 9}));
    EXPECT_EQ(Seconds(clef), 9.0f);
    EXPECT_EQ(MeasureOf(clef), 4);
    command.reset();
    EXPECT_EQ(Check(), "");
}

// The first meter has none before it: removing it re-bars nothing and leaves
// it in place; only its mirrors go.
TEST_F(MeterCommands, TheFirstMeterStaysAndOnlyItsMirrorsGo) {
    MakeStaves(2);
    MakeMeasures(3);
    ECMeter* first = m_conductor->GetMeterAtTime(MCTime(0.0f));
    ECMirror* mirror1 = Mirror(first, 1, 0.0f);
    ECMirror* mirror2 = Mirror(first, 2, 0.0f);

    auto command = RunKept(new CCRemoveMeter(first));
    EXPECT_EQ(command->GetMeter(1), first);
    EXPECT_TRUE(InTree(first));
    EXPECT_EQ(Grid(), (Times{0, 4, 8, 12}));
    EXPECT_FALSE(InTree(mirror1));
    EXPECT_FALSE(InTree(mirror2));
    EXPECT_TRUE(command->GetRemoveList()->Find(mirror1));
    command.reset();
    EXPECT_EQ(Check(), "");
}

// A meter the conductor staff could never take (its time given in seconds)
// is refused before anything moves: the measures and the music stay as they
// were, and the meter goes with the command.
TEST_F(MeterCommands, AMeterTheConductorStaffCannotTakeChangesNothing) {
    MakeStaves(1);
    MakeMeasures(4);
    ECNote* note = Note(1, 9.0f);
    ECMeter* meter = NewMeter(3, 4, 4.0f);
    MCTime seconds(2.0f);
    seconds.SetMode(TM_REAL);
    meter->SetTime(&seconds);

    auto* command = new CCAddMeter(meter);
    command->SetSynchronous(1);
    EXPECT_EQ(command->Apply(m_performance), 1);
    messaging_test::PumpPending();   // the refusal's state, with the command
    EXPECT_EQ(Grid(), (Times{0, 4, 8, 12, 16}));
    EXPECT_EQ(Meters(), (Names{"4/4@0"}));
    EXPECT_EQ(Seconds(note), 9.0f);
    EXPECT_EQ(MeasureOf(note), 3);
    EXPECT_EQ(Check(), "");
}

// A meter or tempo that is gone leaves its mirrors showing nothing, both when
// it is freed alone and when a replacing meter takes its place.
TEST_F(MeterCommands, MirrorsOfAGoneMeterOrTempoShowNothing) {
    for (ECBase* shown : {static_cast<ECBase*>(new ECMeter), static_cast<ECBase*>(new ECTempo)}) {
        auto* mirror = new ECMirror;
        mirror->Ref();   // a measure's hold
        mirror->SetMirrorEvent(shown, 1);
        ASSERT_EQ(GetMirrorList(shown)->GetCount(), 1);
        shown->Ref();
        shown->Unref(1);
        EXPECT_EQ(mirror->GetMirrorEvent(), nullptr) << ECBase::GetEventString(mirror->GetClassType());
        EXPECT_EQ(mirror->GetRefCount(), 1);
        mirror->Unref(1);
    }

    MakeStaves(1);
    MakeMeasures(2);
    ECMirror* mirror = Mirror(m_conductor->GetMeterAtTime(MCTime(0.0f)), 1, 0.0f);
    AddMeter(2, 2, 0.0f);   // replaces the 4/4, which goes with the command
    EXPECT_TRUE(InTree(mirror));
    EXPECT_EQ(mirror->GetMirrorEvent(), nullptr);
    EXPECT_EQ(Check(), "");
}

}  // namespace
