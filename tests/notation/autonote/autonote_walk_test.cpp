// The engine's walks through a notation view: which measures a run notates
// (by range, by staff window, at the range's edges, on re-entry), the
// progress it reports (none while recording), a measure repaired on the way,
// and how a file load and the end of a recording mark the measures.
#include "notation/autonote/autonote.h"

#include "model/appstates.h"
#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/groupmarks.h"
#include "model/meter.h"
#include "model/performance.h"
#include "model/staff.h"
#include "model/states.h"
#include "notation/display/measure.h"
#include "notation/display/notate.h"
#include "notation/display/note.h"
#include "notation/display/tuplet.h"
#include "notation/view/cantrel.h"
#include "tests/notation/autonote/autonote_support.h"
#include "tests/notation/autonote/progress_support.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using autonote_test::Progress;
using autonote_test::RecordProgress;

using autonote_test::AutonoteTest;


Progress Begin(int high) {
    return {STATE_PROGRESS_BEGIN, "Notating file...", 0, high};
}
Progress Step(const std::string& text) {
    return {STATE_PROGRESS_TEXT, text};
}
Progress End() {
    return {STATE_PROGRESS_END, ""};
}

constexpr int kStaves = 3;
constexpr int kMeasures = 4;

// Three staves of four 4/4 measures shown by a notation view. Every measure
// and column has its display object, the measures' rulers still without
// marks: a measure whose ruler has marks afterwards was notated.
class WalkTest : public AutonoteTest {
protected:
    void SetUp() override {
        AutonoteTest::SetUp();
        MakeStaves(kStaves);
        MakeMeasures(kMeasures);
        MCEventList all;
        m_conductor->GetMeasures(TRACK_ALL, 1, kMeasures, all);
        for (POSITION pos = all.GetHeadPosition(); pos;)
            all.GetNext(pos)->GetData(DK_NOTATION, 1);
        view.BindBaseEvent(m_performance);
        m_performance->AddStateHandler(&RecordProgress, &seen);
    }
    void TearDown() override {
        m_performance->RemoveStateHandler(&RecordProgress, &seen);
        engine().GetDirtyRect().Clear();
        view.BindBaseEvent(nullptr);
        AutonoteTest::TearDown();
    }

    CAutoNote& engine() { return view.GetAutoNote(); }
    CNotateInfo& info() { return engine().GetNotateInfo(); }
    static MCTime At(int measure) { return MCTime(4.0f * static_cast<float>(measure - 1)); }
    ECMeasure* Measure(int track, int number) { return m_conductor->GetMeasure(track, number); }

    // The marks of group 0 of the measure's ruler; -1 without a display object.
    int Marks(int track, int number) {
        auto* display = dynamic_cast<DCctMeasure*>(Measure(track, number)->GetData(DK_NOTATION, 0));
        if (!display)
            return -1;
        MCRuler& ruler = display->GetRuler();
        return ruler.GetNumberOfRulerGroups() ? static_cast<int>(ruler.GetRulerGroup()[0].marks.size()) : 0;
    }
    // "track.number" of each notated measure, in staff then measure order.
    std::vector<std::string> Notated() {
        std::vector<std::string> notated;
        for (int track = 1; track <= kStaves; ++track)
            for (int number = 1; number <= kMeasures; ++number)
                if (Marks(track, number) > 0)
                    notated.push_back(std::to_string(track) + "." + std::to_string(number));
        return notated;
    }
    std::vector<std::string> AllMeasures() {
        std::vector<std::string> all;
        for (int track = 1; track <= kStaves; ++track)
            for (int number = 1; number <= kMeasures; ++number)
                all.push_back(std::to_string(track) + "." + std::to_string(number));
        return all;
    }
    // Every staff measure's ruler back to no marks.
    void ForgetMarks() {
        for (int track = 1; track <= kStaves; ++track)
            for (int number = 1; number <= kMeasures; ++number)
                dynamic_cast<DCctMeasure*>(Measure(track, number)->GetData(DK_NOTATION, 0))->GetRuler().ReInitRuler();
    }
    void WholePiece(unsigned char range) {
        info().SetNotateRange(range);
        info().SetMeasureStart(MCTime::TimeZero());
        info().SetMeasureEnd(MCTime::TimeMax());
    }

    CCantrel view;
    std::vector<Progress> seen;
};

TEST_F(WalkTest, ARunNotatesItsRangeOnceAndARunInsideARunNothing) {
    const struct {
        const char* name;
        unsigned char range;
        bool alreadyRunning;
        int result;
        bool notates;
    } cases[] = {
        {"nothing to notate", NOTATE_NONE, false, 1, false},
        {"the whole piece", NOTATE_ALL, false, 1, true},
        {"inserted measures", NOTATE_INSERT_MEASURE, false, 1, true},
        {"asked again while running", NOTATE_ALL, true, 4, false},
    };
    for (const auto& c : cases) {
        info().Reset();
        WholePiece(c.range);
        info().SetAutoNotating(c.alreadyRunning);
        EXPECT_EQ(engine().NotateNextChunk(), c.result) << c.name;
        EXPECT_EQ(Notated(), c.notates ? AllMeasures() : std::vector<std::string>{}) << c.name;
        // Only the run that set the flag clears it.
        EXPECT_EQ(info().IsAutoNotating(), c.alreadyRunning ? 1 : 0) << c.name;
        if (!c.notates) {
            EXPECT_TRUE(seen.empty()) << c.name;
        }
        info().SetAutoNotating(0);
        ForgetMarks();
        seen.clear();
    }
}

TEST_F(WalkTest, TheRangesStartIsNotatedItsEndIsNot) {
    // Measures 2 and 3: from the start of 2 up to the start of 4.
    const std::vector<std::string> staff2 = {"2.2", "2.3"};
    const struct {
        const char* name;
        unsigned char range;
        std::vector<std::string> notated;
        std::vector<Progress> progress;
    } cases[] = {
        {"every staff", NOTATE_ALL,
         {"1.2", "1.3", "2.2", "2.3", "3.2", "3.3"},
         {Step("Measure 1"), Step("Measure 2")}},
        {"staff 2's window", NOTATE_STAFF, staff2,
         // The staff walk's range is the staff's child count.
         {Begin(kMeasures), Step(""), Step(""), End()}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        info().Reset();
        info().SetNotateRange(c.range);
        info().SetMeasureStart(At(2));
        info().SetMeasureEnd(At(4));
        info().AddTrack(2, At(2), At(4), At(2), At(4));
        engine().NotateNextChunk();
        EXPECT_EQ(Notated(), c.notated);
        EXPECT_EQ(seen, c.progress);
        ForgetMarks();
        seen.clear();
    }
}

// A window whose track names no staff (a staff removed or renumbered in the
// same batch, or the conductor staff's own number) is skipped, and the
// windows after it are still walked; a free entry ends the list.
TEST_F(WalkTest, StaffWindowsThatNameNoStaffAreSkipped) {
    const struct {
        const char* name;
        std::vector<int> tracks;
        std::vector<std::string> notated;
        int walks;
    } cases[] = {
        {"no window", {}, {}, 0},
        {"staff 3", {3}, {"3.1", "3.2", "3.3", "3.4"}, 1},
        {"a removed staff, then staff 1", {kStaves + 2, 1}, {"1.1", "1.2", "1.3", "1.4"}, 1},
        {"the conductor staff's number", {0}, {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        info().Reset();
        info().SetNotateRange(NOTATE_STAFF);
        for (int track : c.tracks)
            info().AddTrack(track, MCTime::TimeZero(), MCTime::TimeMax(), MCTime::TimeZero(), MCTime::TimeMax());
        EXPECT_EQ(engine().NotateNextChunk(), 1);
        EXPECT_EQ(Notated(), c.notated);
        int begins = 0;
        for (const Progress& p : seen)
            begins += p.code == STATE_PROGRESS_BEGIN;
        EXPECT_EQ(begins, c.walks);
        ForgetMarks();
        seen.clear();
    }
}

// A slur in the last measure is a child of the staff after its measures: the
// staff's list ends with no measure left, and the walk says so, but the
// progress it began is ended all the same.
TEST_F(WalkTest, AStaffWalkEndsItsProgressAlsoWhenItsListEndsEarly) {
    auto* staff = static_cast<ECStaff*>(m_conductor->GetTrack(TRACK_STAFF, 1, 0));
    Put(staff, new ECSlur, 13.0f);
    EXPECT_EQ(engine().NotateStaffBetween(staff, MCTime::TimeZero(), MCTime::TimeMax()), 3);
    EXPECT_EQ(Marks(1, kMeasures), 16);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), Begin(kMeasures + 1));
    EXPECT_EQ(seen.back(), End());
}

TEST_F(WalkTest, ProcessReportsItsProgressExceptWhileRecording) {
    std::vector<Progress> wholePiece = {Begin(kMeasures)};
    for (int n = 1; n <= kMeasures; ++n)
        wholePiece.push_back(Step("Measure " + std::to_string(n)));
    wholePiece.push_back(End());
    const std::vector<Progress> staffWalk = {Begin(kMeasures), Begin(kMeasures), Step(""), Step(""),
                                             Step(""),         Step(""),         End(),    End()};

    const struct {
        const char* name;
        unsigned char range;
        int realTime, step;
        std::vector<Progress> progress;
    } cases[] = {
        {"the whole piece", NOTATE_ALL, 0, 0, wholePiece},
        {"one staff", NOTATE_STAFF, 0, 0, staffWalk},
        {"the whole piece while recording", NOTATE_ALL, 1, 0, {}},
        {"one staff while recording", NOTATE_STAFF, 1, 0, {}},
        {"one staff while step recording", NOTATE_STAFF, 0, 1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        info().Reset();
        WholePiece(c.range);
        info().AddTrack(1, MCTime::TimeZero(), MCTime::TimeMax(), MCTime::TimeZero(), MCTime::TimeMax());
        info().SetRealTimeRecording(c.realTime);
        info().SetStepRecording(c.step);
        EXPECT_EQ(engine().Process(nullptr), 0);
        EXPECT_EQ(seen, c.progress);
        EXPECT_EQ(Marks(1, kMeasures), 16);   // notated all the same
        info().ResetRecordInfo();
        ForgetMarks();
        seen.clear();
    }
}

TEST_F(WalkTest, ANoteJustBeforeABarlineIsNotatedInTheNextMeasure) {
    ECMeasure* first = Measure(1, 1);
    ECMeasure* second = Measure(1, 2);
    ECNote* late = PutNote(first, 4.0f - 8.0f / 256.0f, 0.25f);   // 8 ticks early
    ECNote* early = PutNote(first, 3.0f, 0.25f);
    WholePiece(NOTATE_ALL);
    engine().Process(nullptr);
    EXPECT_EQ(late->GetParents()->GetHead(), second);
    EXPECT_EQ(early->GetParents()->GetHead(), first);
}

TEST_F(WalkTest, AMeasureWithoutItsDisplayObjectIsRepairedAndNotated) {
    ECMeasure* bare = Measure(2, 3);
    bare->RemoveData();
    // Note moving runs on the repaired measure in the same call.
    ECNote* late = PutNote(bare, 12.0f - 8.0f / 256.0f, 0.25f);
    info().SetNotateRange(NOTATE_STAFF);
    // A window up to the start of measure 4 only.
    info().AddTrack(2, MCTime::TimeZero(), At(4), MCTime::TimeZero(), At(4));
    engine().Process(nullptr);

    EXPECT_EQ(Marks(2, 3), 16);
    EXPECT_EQ(late->GetParents()->GetHead(), Measure(2, 4));
    // The whole column's display data was brought up to date by the repair,
    // and the walk went on to the piece's end.
    EXPECT_EQ(Notated(), (std::vector<std::string>{"1.3", "2.1", "2.2", "2.3", "2.4", "3.3"}));
    // The repair lays out from there on and reaches to the piece's end.
    EXPECT_EQ(info().GetPagenateRange(), PAGENATE_FROM);
    const CNotateInfo::StaffInfo& window = info().GetStaffWindows()[0];
    EXPECT_EQ(window.measureEnd, At(kMeasures + 1));
    EXPECT_EQ(window.timeEnd, At(kMeasures + 1));
    // The repaired column's staff measures are redrawn.
    EXPECT_NE(engine().GetDirtyRect().GetEvents().Find(bare), nullptr);
}

TEST_F(WalkTest, GetNextMeasureFindsMeasuresOnly) {
    ECBase* staff = m_conductor->GetTrack(TRACK_STAFF, 1, 0);
    ECMeasure* bar = Measure(1, 1);
    PutNote(bar, 1.0f);
    MCEventList list;
    list.AddEvent(bar->GetChildren()->GetHead(), UNSORTED);   // a note
    list.AddEvent(bar, UNSORTED);
    list.AddEvent(staff, UNSORTED);
    list.AddEvent(m_conductor->GetMeasure(0, 2), UNSORTED);
    list.AddEvent(m_conductor->GetMeterAtTime(MCTime::TimeZero()), UNSORTED);

    POSITION pos = list.GetHeadPosition();
    EXPECT_EQ(CAutoNote::GetNextMeasure(list, pos), bar);
    EXPECT_EQ(CAutoNote::GetNextMeasure(list, pos), m_conductor->GetMeasure(0, 2));
    EXPECT_NE(pos, nullptr);   // the meter is still ahead
    EXPECT_EQ(CAutoNote::GetNextMeasure(list, pos), nullptr);
    EXPECT_EQ(pos, nullptr);
}

// Which dirty kinds a display object carries, as a string of 0s and 1s in
// kind order (time, chord, stem, beam, value, spelling, voices, rest).
std::string KindsOf(ECBase* event) {
    auto* display = dynamic_cast<DCctBase*>(event->GetData(DK_NOTATION, 0));
    std::string kinds;
    for (int kind = DCctBase::DIRTY_TIME; kind <= DCctBase::DIRTY_REST; ++kind)
        kinds += display && display->IsDirtyKind(kind) ? '1' : '0';
    return kinds;
}
void ClearKinds(ECBase* event) {
    if (auto* display = dynamic_cast<DCctBase*>(event->GetData(DK_NOTATION, 0)))
        for (int kind = 0; kind < DCctBase::DIRTY_KIND_COUNT; ++kind)
            display->SetDirtyKind(kind, 0);
}

// Clears the kinds of every measure and column, and of the events given.
void ClearAllKinds(ECConductor* conductor, std::initializer_list<ECBase*> events) {
    MCEventList all;
    conductor->GetMeasures(TRACK_ALL, 1, kMeasures, all);
    for (POSITION pos = all.GetHeadPosition(); pos;)
        ClearKinds(all.GetNext(pos));
    for (ECBase* event : events)
        ClearKinds(event);
}

constexpr const char* kClean = "00000000";
// Time, stem, beam, value, spelling and voices.
constexpr const char* kLoadKinds = "10111110";
// The same and chords.
constexpr const char* kRecordKinds = "11111110";

TEST_F(WalkTest, ALoadMarksTheMeasuresOfAModifiedPieceOnly) {
    ECNote* note = PutNote(Measure(2, 2), 5.0f);
    Display(note, 1);
    CDocument document;
    document.m_bAutoDelete = false;
    document.AddView(&view);
    for (int modified : {0, 1}) {
        SCOPED_TRACE(modified);
        info().Reset();
        ClearAllKinds(m_conductor, {note});
        document.SetModifiedFlag(modified);

        engine().PrepareForLoad();
        EXPECT_EQ(info().GetNotateRange(), NOTATE_ALL);
        EXPECT_EQ(info().GetPagenateRange(), PAGENATE_ALL);
        EXPECT_EQ(info().GetTimeStart(), MCTime::TimeZero());
        EXPECT_EQ(info().GetMeasureStart(), MCTime::TimeZero());
        EXPECT_EQ(info().GetTimeEnd(), MCTime::TimeMax());
        EXPECT_EQ(info().GetMeasureEnd(), MCTime::TimeMax());
        for (int track = 1; track <= kStaves; ++track)
            for (int number = 1; number <= kMeasures; ++number)
                EXPECT_EQ(KindsOf(Measure(track, number)), modified ? kLoadKinds : kClean) << track << "." << number;
        EXPECT_EQ(KindsOf(note), kClean) << "a measure's contents";
        EXPECT_EQ(KindsOf(m_conductor->GetMeasure(0, 1)), kClean) << "a column";
    }
    document.RemoveView(&view);
}

TEST_F(WalkTest, AfterARecordingTheRecordedStavesAreMarked) {
    ECNote* recorded = PutNote(Measure(3, 2), 5.0f);
    ECNote* other = PutNote(Measure(2, 2), 5.0f);
    for (ECNote* note : {recorded, other})
        Display(note, 1);
    ClearAllKinds(m_conductor, {recorded, other});
    info().AddRecordTrack(1, At(2));
    info().AddRecordTrack(kStaves + 4, MCTime::TimeZero());   // a staff removed since
    info().AddRecordTrack(3, MCTime::TimeZero());

    engine().PrepareAfterRecord();
    EXPECT_EQ(info().GetNotateRange(), NOTATE_ALL);
    EXPECT_EQ(info().GetPagenateRange(), PAGENATE_ALL);
    EXPECT_EQ(info().GetTimeStart(), MCTime::TimeZero());
    EXPECT_EQ(info().GetMeasureEnd(), MCTime::TimeMax());
    for (int number = 1; number <= kMeasures; ++number) {
        // Every measure of a recorded staff, whatever the recording's start.
        EXPECT_EQ(KindsOf(Measure(1, number)), kRecordKinds) << number;
        EXPECT_EQ(KindsOf(Measure(3, number)), kRecordKinds) << number;
        EXPECT_EQ(KindsOf(Measure(2, number)), kClean) << number;
    }
    EXPECT_EQ(KindsOf(recorded), kRecordKinds);
    EXPECT_EQ(KindsOf(other), kClean);
}

}  // namespace

namespace {

// The passes a run reaches: a time-dirty note a little late is put on the
// grid, and the time correction pass starts each run from the engine's
// settings (the split too, which the pass forgets on a staff that is not a
// grand staff), also after a recording run switched its tuplet search off.
// (Time correction writes the notated ticks; the played time stays.)
TEST_F(WalkTest, ARunCorrectsTimesWithTheEngineSettings) {
    autonote_test::DisplayClasses notes({ET_NOTE}, RUNTIME_CLASS(DCctNote));
    ECNote* late = PutNote(Measure(1, 2), 4.0f + 31.0f / 256.0f, 1.0f);
    ASSERT_NE(late->GetData(DK_NOTATION, 1), nullptr);
    ANTimeCorrect& pass = engine().GetTimeCorrect();
    pass.SetSplit(255);   // as a search on a single staff leaves it
    WholePiece(NOTATE_ALL);
    engine().Process(nullptr);
    auto* notated = dynamic_cast<DCctNotate*>(late->GetData(DK_NOTATION, 0));
    ASSERT_NE(notated, nullptr);
    EXPECT_EQ(notated->GetTickStart(DCctTuplet::TICKS_OWN), 0);   // on the bar's first beat
    EXPECT_EQ(notated->TimeDirty(), 0);
    EXPECT_EQ(pass.GetSplit(), CAutoNote::DEFAULT_SPLIT_PITCH);
    EXPECT_EQ(pass.GetLookForBorrowed(), 0);   // the default: no tuplet search

    engine().SetLookForTuplet(1);
    info().Reset();
    info().SetRealTimeRecording(1);
    WholePiece(NOTATE_ALL);
    engine().Process(nullptr);
    info().ResetRecordInfo();
    // Off for each recorded measure, on again after it.
    EXPECT_EQ(pass.GetLookForBorrowed(), 1);
    EXPECT_EQ(pass.GetTupletNumber(), 3);
}

}  // namespace
