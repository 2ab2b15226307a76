// Times as text: every format written and read back in a piece with a change
// of meter, durations without a conductor, the clock in real time, and what
// stands when there is nothing to convert with.
#include "interface/controls/timeformat.h"

#include "tests/interface/controls/piece_support.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

class TimeFormat : public ::testing::Test, public time_test::ActivePiece {
protected:
    std::string Text(const MCTime& time, int format, int duration = 0) {
        std::string text = "old";
        EXPECT_EQ(FormatTimeWith(text, time, conductor, format, duration, 0), 1) << format;
        return text;
    }
};

TEST_F(TimeFormat, PositionsReadAsTheyAreWrittenAcrossAChangeOfMeter) {
    // Bar 12 lies in 3/4; bar 3 in 4/4.
    const struct { int bar, beat, tick, format; const char* text; } cases[] = {
        {12, 3, 5, TIMEFMT_BAR_BEAT_TICK, "012:03:005"},
        {12, 3, 5, TIMEFMT_BAR_BEAT, "012:03"},
        {12, 3, 0, TIMEFMT_BAR_BEAT_FRACTION, "012:03.000"},
        {12, 3, 240, TIMEFMT_BAR_BEAT_FRACTION, "012:03.500"},
        {3, 4, 120, TIMEFMT_BAR_BEAT_FRACTION, "003:04.250"},
        {1, 2, 240, TIMEFMT_BEAT_FRACTION, "02.500"},
        {5, 1, 0, TIMEFMT_BAR_BEAT_TICK, "005:01:000"},
        {4, 4, 479, TIMEFMT_BAR_BEAT_TICK, "004:04:479"},
    };
    for (const auto& c : cases) {
        const MCTime time = At(c.bar, c.beat, c.tick);
        EXPECT_EQ(Text(time, c.format), c.text) << c.text;
        // Back again; the format without ticks drops them, thousandths round.
        const int tick = c.format == TIMEFMT_BAR_BEAT ? 0 : c.tick;
        const int bar = c.format == TIMEFMT_BEAT_FRACTION ? 1 : c.bar;
        EXPECT_EQ(ReadTimeWith(c.text, conductor, c.format, 0), At(bar, c.beat, tick)) << c.text;
    }
}

TEST_F(TimeFormat, ZeroOrMissingNumbersReadAsTheStart) {
    const struct { const char* text; int format; int bar, beat, tick; } cases[] = {
        {"000:00:000", TIMEFMT_BAR_BEAT_TICK, 1, 1, 0},
        {"000:02", TIMEFMT_BAR_BEAT, 1, 2, 0},
        {"6", TIMEFMT_BAR_BEAT_TICK, 6, 1, 0},          // the rest stays as it was
        {"006:x2:010", TIMEFMT_BAR_BEAT_TICK, 6, 1, 0},   // reading stops at the x
        {"", TIMEFMT_BAR_BEAT_FRACTION, 1, 1, 0},
        {"---:--", TIMEFMT_BAR_BEAT, 1, 1, 0},
        {"00.250", TIMEFMT_BEAT_FRACTION, 1, 1, 120},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadTimeWith(c.text, conductor, c.format, 0), At(c.bar, c.beat, c.tick)) << c.text;
    EXPECT_EQ(ReadTimeWith("7:1", conductor, TIMEFMT_DURATION, 0), MCTime(0.0f));   // no such position form
}

// The largest numbers a person can type: read and written back without
// overflowing, to a place in the piece that shows again as a time.
TEST_F(TimeFormat, TheLargestNumbersTypedReadAndShowWithoutOverflow) {
    for (const char* typed : {"2147483647:1:000", "2147483648:1:0", "99999999999:99999999999:99999999999",
                              "-2147483649:1:0", "1:2147483647.999"}) {
        for (int format : {TIMEFMT_BAR_BEAT_TICK, TIMEFMT_BAR_BEAT, TIMEFMT_BAR_BEAT_FRACTION, TIMEFMT_BEAT_FRACTION}) {
            const MCTime read = ReadTimeWith(typed, conductor, format, 0);
            const std::string shown = Text(read, format);
            EXPECT_FALSE(shown.empty()) << typed << " " << format;
            EXPECT_EQ(shown.find('-'), std::string::npos) << typed << " shows " << shown;
        }
    }
}

TEST_F(TimeFormat, DurationsAreWholeBeatsAndTicksWithoutAConductor) {
    const struct { float quarters; const char* text; } cases[] = {
        {2.5f, "0002:240"}, {0.0f, "0000:000"}, {0.0625f, "0000:030"}, {16.0f, "0016:000"},
        {0.9999999f, "0001:000"},   // rounds into the next quarter, never to tick 480
    };
    for (const auto& c : cases) {
        std::string text;
        EXPECT_EQ(FormatTimeWith(text, MCTime(c.quarters), nullptr, TIMEFMT_BAR_BEAT_TICK, 1, 0), 1);
        EXPECT_EQ(text, c.text) << c.quarters;
    }
    EXPECT_EQ(ReadTimeWith("2:240", nullptr, TIMEFMT_BAR_BEAT, 1), MCTime(2.5f));
    EXPECT_EQ(ReadTimeWith("3", nullptr, TIMEFMT_BAR_BEAT, 1), MCTime(3.0f));
    EXPECT_EQ(ReadTimeWith("99999999999:0", nullptr, TIMEFMT_BAR_BEAT, 1), MCTime(static_cast<float>(INT_MAX)));
}

TEST_F(TimeFormat, TheClockShowsRealTime) {
    MCTime real(3725.5f);
    real.SetMode(TM_REAL);
    EXPECT_EQ(Text(real, TIMEFMT_CLOCK), "1:02:05.50");
    const MCTime back = ReadTimeWith("1:02:05.50", conductor, TIMEFMT_CLOCK, 0);
    EXPECT_EQ(back.GetMode(), TM_REAL);
    EXPECT_FLOAT_EQ(back.GetSeconds(), 3725.5f);
    // A musical position goes through the tempo map: 8 quarters at 120 a
    // minute are 4 seconds.
    EXPECT_EQ(Text(MCTime(8.0f), TIMEFMT_CLOCK), "0:00:04.00");
    EXPECT_EQ(Text(At(2, 1, 0), TIMEFMT_CLOCK), "0:00:02.00");
}

TEST_F(TimeFormat, WithNothingToConvertWithTheEmptyFormsStand) {
    const char* empty[] = {"---:--", "---:--:---", "---:--.---", "--.---", "-:--:--:--"};
    for (int format = TIMEFMT_BAR_BEAT; format <= TIMEFMT_CLOCK; ++format) {
        std::string text;
        EXPECT_EQ(FormatTimeWith(text, MCTime(4.0f), nullptr, format, 0, 0), 1);
        EXPECT_EQ(text, empty[format]);
        EXPECT_EQ(FormatTimeWith(text, MCTime::TimeNull(), conductor, format, 0, 0), 1);
        EXPECT_EQ(text, empty[format]);
        EXPECT_EQ(ReadTimeWith("012:03:005", nullptr, format, 0), MCTime(0.0f));
    }
    std::string text = "old";
    EXPECT_EQ(FormatTimeWith(text, MCTime(4.0f), conductor, TIMEFMT_DURATION, 0, 0), 0);
    EXPECT_EQ(text, "");
    EXPECT_EQ(FormatTimeWith(text, MCTime(4.0f), nullptr, TIMEFMT_DURATION, 0, 0), 1);
    EXPECT_EQ(text, "");
    // An indeterminate field shows nothing, in every form.
    EXPECT_EQ(FormatTimeWith(text, MCTime(4.0f), conductor, TIMEFMT_BAR_BEAT, 1, 1), 1);
    EXPECT_EQ(text, "");
}

}  // namespace
