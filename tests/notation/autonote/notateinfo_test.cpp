// The notation state record: ranges that stick, bounds that only widen, the
// staff windows and their growth, the flags and the two resets.
#include "notation/autonote/notateinfo.h"

#include <gtest/gtest.h>

namespace {

MCTime T(float quarters) {
    return MCTime(quarters);
}

bool IsNull(const MCTime& time) {
    return time == MCTime::TimeNull();
}

TEST(NotateInfoTest, AFreshRecordHasNothingToDo) {
    CNotateInfo info;
    EXPECT_EQ(info.GetNotateRange(), NOTATE_NONE);
    EXPECT_EQ(info.GetPagenateRange(), PAGENATE_NONE);
    EXPECT_TRUE(IsNull(info.GetTimeStart()));
    EXPECT_TRUE(IsNull(info.GetTimeEnd()));
    EXPECT_TRUE(IsNull(info.GetMeasureStart()));
    EXPECT_TRUE(IsNull(info.GetMeasureEnd()));
    EXPECT_TRUE(IsNull(info.GetPagenateStart()));
    EXPECT_TRUE(IsNull(info.GetPagenateEnd()));
    EXPECT_EQ(info.GetStaffWindowCount(), 0);
    EXPECT_EQ(info.IsRecording(), 0);
    EXPECT_EQ(info.IsAutoNotating(), 0);
}

// A stored 3 is never replaced until Reset. Any other pagenate code is
// replaced by whatever comes; a notate code that walks every staff over the
// measures (0 to 2) is replaced only by another of them (or 3), not by a
// staff window's code or by none, which would narrow or drop the walk.
TEST(NotateInfoTest, ARangeOfThreeSticksUntilReset) {
    struct Case {
        std::vector<unsigned char> codes;
        unsigned char notate;
        unsigned char pagenate;
    };
    const Case cases[] = {
        {{NOTATE_INSERT_MEASURE, NOTATE_EVENTS}, NOTATE_INSERT_MEASURE, NOTATE_INSERT_MEASURE},
        {{NOTATE_INSERT_MEASURE, NOTATE_ALL}, NOTATE_INSERT_MEASURE, NOTATE_INSERT_MEASURE},
        {{NOTATE_INSERT_MEASURE, NOTATE_NONE}, NOTATE_INSERT_MEASURE, NOTATE_INSERT_MEASURE},
        {{NOTATE_REMOVE_MEASURE, NOTATE_NONE}, NOTATE_REMOVE_MEASURE, NOTATE_NONE},
        {{NOTATE_REMOVE_MEASURE, NOTATE_EVENTS}, NOTATE_REMOVE_MEASURE, NOTATE_EVENTS},
        {{NOTATE_ALL, NOTATE_EVENTS}, NOTATE_ALL, NOTATE_EVENTS},
        {{NOTATE_EVENTS, NOTATE_REMOVE_MEASURE}, NOTATE_REMOVE_MEASURE, NOTATE_REMOVE_MEASURE},
        {{NOTATE_EVENTS, NOTATE_INSERT_MEASURE, NOTATE_ALL}, NOTATE_INSERT_MEASURE, NOTATE_INSERT_MEASURE},
    };
    for (const Case& c : cases) {
        CNotateInfo notate;
        CNotateInfo pagenate;
        for (unsigned char code : c.codes) {
            notate.SetNotateRange(code);
            pagenate.SetPagenateRange(code);
        }
        EXPECT_EQ(notate.GetNotateRange(), c.notate) << int(c.codes.back());
        // The pagenate range sticks at its own 3 (PAGENATE_FROM) alone.
        EXPECT_EQ(pagenate.GetPagenateRange(), c.pagenate) << int(c.codes.back());
    }

    CNotateInfo info;
    info.SetNotateRange(NOTATE_INSERT_MEASURE);
    info.SetPagenateRange(PAGENATE_FROM);
    info.Reset();
    info.SetNotateRange(NOTATE_EVENTS);
    info.SetPagenateRange(PAGENATE_MEASURES);
    EXPECT_EQ(info.GetNotateRange(), NOTATE_EVENTS);
    EXPECT_EQ(info.GetPagenateRange(), PAGENATE_MEASURES);
}

TEST(NotateInfoTest, StartsKeepTheEarliestAndEndsTheLatest) {
    using Setter = void (CNotateInfo::*)(const MCTime&);
    using Getter = const MCTime& (CNotateInfo::*)();
    struct Case {
        const char* name;
        Setter set;
        Getter get;
        float expected;   // after 8, 4, 6 for a start or 4, 8, 6 for an end
        bool start;
    };
    const Case cases[] = {
        {"time start", &CNotateInfo::SetTimeStart, &CNotateInfo::GetTimeStart, 4, true},
        {"measure start", &CNotateInfo::SetMeasureStart, &CNotateInfo::GetMeasureStart, 4, true},
        {"time end", &CNotateInfo::SetTimeEnd, &CNotateInfo::GetTimeEnd, 8, false},
        {"measure end", &CNotateInfo::SetMeasureEnd, &CNotateInfo::GetMeasureEnd, 8, false},
    };
    for (const Case& c : cases) {
        CNotateInfo info;
        for (float t : c.start ? std::vector<float>{8, 4, 6} : std::vector<float>{4, 8, 6})
            (info.*c.set)(T(t));
        EXPECT_EQ((info.*c.get)(), T(c.expected)) << c.name;
    }
    CNotateInfo info;
    for (float t : {8.f, 4.f, 6.f}) {
        info.SetPagenateStart(T(t));
        info.SetPagenateEnd(T(t));
    }
    EXPECT_EQ(info.GetPagenateStart(), T(4));
    EXPECT_EQ(info.GetPagenateEnd(), T(8));
}

// Which getters read the staff windows, by notate range: 6 all four, 4 only
// the time start, any other none.
TEST(NotateInfoTest, TheRangeDecidesWhetherTheWindowsAreRead) {
    struct Case {
        unsigned char range;
        float timeStart, timeEnd, measureStart, measureEnd;
    };
    // Stored: 1 .. 20; windows: 5 .. 12 and 3 .. 10 (measures 4 .. 16, 0 .. 8).
    const Case cases[] = {
        {NOTATE_EVENTS, 3, 12, 0, 16},
        {NOTATE_ADD_STAFF, 3, 20, 1, 20},
        {NOTATE_STAFF, 1, 20, 1, 20},
        {NOTATE_ALL, 1, 20, 1, 20},
    };
    for (const Case& c : cases) {
        CNotateInfo info;
        info.SetNotateRange(c.range);
        info.SetTimeStart(T(1));
        info.SetTimeEnd(T(20));
        info.SetMeasureStart(T(1));
        info.SetMeasureEnd(T(20));
        info.AddTrack(1, T(5), T(12), T(4), T(16));
        info.AddTrack(2, T(3), T(10), T(0), T(8));
        EXPECT_EQ(info.GetTimeStart(), T(c.timeStart)) << int(c.range);
        EXPECT_EQ(info.GetTimeEnd(), T(c.timeEnd)) << int(c.range);
        EXPECT_EQ(info.GetMeasureStart(), T(c.measureStart)) << int(c.range);
        EXPECT_EQ(info.GetMeasureEnd(), T(c.measureEnd)) << int(c.range);
    }
    // No window in use: a start reads as the largest time, an end as none.
    CNotateInfo empty;
    empty.SetNotateRange(NOTATE_EVENTS);
    EXPECT_EQ(empty.GetTimeStart(), MCTime::TimeMax());
    EXPECT_TRUE(IsNull(empty.GetTimeEnd()));
}

TEST(NotateInfoTest, WindowsGrowByFiveAndAFullArrayTakesASecondEntryForATrack) {
    CNotateInfo info;
    info.AddTrack(1, T(4), T(8), T(4), T(8));
    ASSERT_EQ(info.GetStaffWindows().size(), 5u);
    EXPECT_EQ(info.GetStaffWindowCount(), 1);

    // The same track again while there is room: widened in place.
    info.AddTrack(1, T(2), T(6), T(0), T(12));
    EXPECT_EQ(info.GetStaffWindowCount(), 1);
    const CNotateInfo::StaffInfo& first = info.GetStaffWindows()[0];
    EXPECT_EQ(first.timeStart, T(2));
    EXPECT_EQ(first.timeEnd, T(8));
    EXPECT_EQ(first.measureStart, T(0));
    EXPECT_EQ(first.measureEnd, T(12));

    for (int track = 2; track <= 5; ++track)
        info.AddTrack(track, T(4), T(8), T(4), T(8));
    EXPECT_EQ(info.GetStaffWindows().size(), 5u);
    EXPECT_EQ(info.GetStaffWindowCount(), 5);

    // Full: track 1 is appended a second time, in a grown array.
    info.AddTrack(1, T(20), T(24), T(20), T(24));
    ASSERT_EQ(info.GetStaffWindows().size(), 10u);
    EXPECT_EQ(info.GetStaffWindowCount(), 6);
    EXPECT_EQ(info.GetStaffWindows()[5].track, 1);
    EXPECT_EQ(info.GetStaffWindows()[6].track, -1);

    // With room again, the first entry of the track is the one widened.
    info.AddTrack(1, T(1), T(30), T(1), T(30));
    EXPECT_EQ(info.GetStaffWindowCount(), 6);
    EXPECT_EQ(info.GetStaffWindows()[0].timeStart, T(1));
    EXPECT_EQ(info.GetStaffWindows()[0].timeEnd, T(30));
    EXPECT_EQ(info.GetStaffWindows()[5].timeStart, T(20));

    // The readers take the widest bounds over both entries.
    info.SetNotateRange(NOTATE_EVENTS);
    EXPECT_EQ(info.GetTimeStart(), T(1));
    EXPECT_EQ(info.GetTimeEnd(), T(30));
}

TEST(NotateInfoTest, RecordTracksRunToTheEndOfTime) {
    CNotateInfo info;
    info.AddRecordTrack(3, T(8));
    info.AddRecordTrack(3, T(4));
    ASSERT_EQ(info.GetRecordTrackCount(), 1);
    const CNotateInfo::StaffInfo& entry = info.GetRecordTracks()[0];
    EXPECT_EQ(entry.track, 3);
    EXPECT_EQ(entry.timeStart, T(4));
    EXPECT_EQ(entry.measureStart, T(4));
    EXPECT_EQ(entry.timeEnd, MCTime::TimeMax());
    EXPECT_EQ(entry.measureEnd, MCTime::TimeMax());
}

TEST(NotateInfoTest, FlagsAndTheTwoResets) {
    struct Case {
        bool realTime, step;
        int isRealTime, isStep, isRecording;
    };
    const Case cases[] = {
        {false, false, 0, 0, 0},
        {true, false, 1, 0, 1},
        {false, true, 0, 1, 1},
        {true, true, 0, 1, 1},   // step recording wins
    };
    for (const Case& c : cases) {
        CNotateInfo info;
        info.SetRealTimeRecording(c.realTime);
        info.SetStepRecording(c.step);
        EXPECT_EQ(info.IsRealTimeRecording(), c.isRealTime);
        EXPECT_EQ(info.IsStepRecording(), c.isStep);
        EXPECT_EQ(info.IsRecording(), c.isRecording);
    }

    CNotateInfo info;
    info.SetNotateRange(NOTATE_INSERT_MEASURE);
    info.SetPagenateRange(PAGENATE_FROM);
    info.SetTimeStart(T(4));
    info.SetPagenateEnd(T(8));
    info.AddTrack(1, T(4), T(8), T(4), T(8));
    info.AddRecordTrack(2, T(0));
    info.SetAutoNotating(1);
    info.SetPagenating(1);
    info.SetRealTimeRecording(1);

    // Reset leaves the recording state alone.
    info.Reset();
    EXPECT_EQ(info.GetNotateRange(), NOTATE_NONE);
    EXPECT_EQ(info.GetPagenateRange(), PAGENATE_NONE);
    EXPECT_TRUE(IsNull(info.GetTimeStart()));
    EXPECT_TRUE(IsNull(info.GetPagenateEnd()));
    EXPECT_EQ(info.GetStaffWindowCount(), 0);
    EXPECT_TRUE(info.GetStaffWindows().empty());
    EXPECT_EQ(info.IsAutoNotating(), 0);
    EXPECT_EQ(info.IsPagenating(), 0);
    EXPECT_EQ(info.IsRealTimeRecording(), 1);
    EXPECT_EQ(info.GetRecordTrackCount(), 1);

    info.ResetRecordInfo();
    EXPECT_EQ(info.IsRecording(), 0);
    EXPECT_EQ(info.GetRecordTrackCount(), 0);
    EXPECT_TRUE(info.GetRecordTracks().empty());
}

}  // namespace
