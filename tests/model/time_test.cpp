// MCTime: conversions, global PPQ, resolutions, arithmetic, comparisons across
// modes and PPQs, the archive forms; MCVoiceTrack: both forms of the word.
#include "model/time.h"

#include "platform/core/archive.h"
#include "platform/core/exceptions.h"
#include "platform/core/file.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

BPTTime Bpt(const MCTime& t)
{
    return t.GetBarPulseTick();
}

void ExpectBpt(const MCTime& t, int bar, int pulse, int tick, int ppq)
{
    ASSERT_EQ(t.GetMode(), TM_BPT);
    const BPTTime b = Bpt(t);
    EXPECT_EQ(b.bar, bar);
    EXPECT_EQ(b.pulse, pulse);
    EXPECT_EQ(b.tick, tick);
    EXPECT_EQ(b.ppq, ppq);
}

// Restores the process-wide resolution after a test changes it.
class GlobalPPQGuard {
public:
    ~GlobalPPQGuard() { MCTime::GlobalPPQ = m_saved; }

private:
    int m_saved = MCTime::GlobalPPQ;
};

} // namespace

TEST(MCTime, ConstantsAndDefaults)
{
    EXPECT_EQ(MCTime().GetMode(), TM_NORMAL);
    EXPECT_EQ(MCTime().GetSeconds(), 0.0f);

    uint32_t bits = 0;
    const float null = MCTime::TimeNull().GetSeconds();
    std::memcpy(&bits, &null, 4);
    EXPECT_EQ(bits, 0xBF800000u);
    const float max = MCTime::TimeMax().GetSeconds();
    std::memcpy(&bits, &max, 4);
    EXPECT_EQ(bits, 0x7F7FFFFFu);
    EXPECT_EQ(MCTime::TimeZero(), MCTime(0.0f));
    EXPECT_TRUE(MCTime::TimeNull() < MCTime::TimeZero());
    EXPECT_EQ(&MCTime::TimeNull(), &MCTime::TimeNull());
}

TEST(MCTime, MilliSecondsAndTicksRoundHalfUpAndSaturate)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct { float seconds; int msec; } msec[] = {
        {1.2345f, 1235}, {-1.0f, -999}, {0.0f, 0}, {0.0004f, 0}, {-0.0016f, -1},
        {3.4028235e38f, INT_MAX}, {-3.4028235e38f, INT_MIN}, {inf, INT_MAX}, {nan, 0},
    };
    for (const auto& c : msec)
        EXPECT_EQ(MCTime(c.seconds).GetMSec(), c.msec) << c.seconds;
    EXPECT_EQ(MCTime::TimeNull().GetMSec(), -999);
    EXPECT_EQ(MCTime::TimeMax().GetTicks(480), INT_MAX);

    const struct { float quarters; int ppq; int ticks; } ticks[] = {
        {1.5f, 480, 720}, {0.001f, 480, 0}, {0.0011f, 480, 1}, {-1.0f, 96, -95}, {nan, 480, 0},
    };
    for (const auto& c : ticks)
        EXPECT_EQ(MCTime(c.quarters).GetTicks(c.ppq), c.ticks) << c.quarters << " at " << c.ppq;

    // Mode 4 has no float to convert.
    EXPECT_EQ(MCTime(1, 2, 3, 480).GetMSec(), 0);
    EXPECT_EQ(MCTime(1, 2, 3, 480).GetTicks(480), 0);
}

TEST(MCTime, SettersLeaveBarPulseTickAndKeepFloatModes)
{
    MCTime t(2, 1, 0, 480);
    t.SetMSec(1500);
    EXPECT_EQ(t.GetMode(), TM_NORMAL);
    EXPECT_FLOAT_EQ(t.GetSeconds(), 1.5f);

    t.SetMode(TM_REAL);
    t.SetTicks(240, 480);
    EXPECT_EQ(t.GetMode(), TM_REAL);
    EXPECT_FLOAT_EQ(t.GetSeconds(), 0.5f);
    t.SetTicks(100, 0);   // no resolution: nothing
    EXPECT_FLOAT_EQ(t.GetSeconds(), 0.5f);
    t.AddTicks(120, 480);
    EXPECT_FLOAT_EQ(t.GetSeconds(), 0.75f);
    t.AddTicks(120, 0);
    EXPECT_FLOAT_EQ(t.GetSeconds(), 0.75f);

    MCTime bpt(1, 0, 0, 480);
    bpt.AddTicks(120, 480);   // no float in mode 4
    ExpectBpt(bpt, 1, 0, 0, 480);
    bpt = 2.0f;               // assignment from a float leaves mode 4
    EXPECT_EQ(bpt.GetMode(), TM_NORMAL);
    EXPECT_EQ(bpt.GetSeconds(), 2.0f);
}

TEST(MCTime, ModeChangesCreateAndFreeTheBlock)
{
    MCTime t(1.25f);
    t.SetMode(TM_PLAY);
    EXPECT_EQ(t.GetSeconds(), 1.25f);   // between float modes the float stays
    t.SetMode(TM_BPT);
    ExpectBpt(t, 0, 0, 0, 0);
    t.SetBarPulseTick(BPTTime{4, 3, 2, 96});
    ExpectBpt(t, 4, 3, 2, 96);
    t.SetMode(TM_NORMAL);
    EXPECT_EQ(t.GetSeconds(), 0.0f);
    EXPECT_EQ(Bpt(t).bar, 0);

    // Copies own their blocks; assignment reuses or releases the target's.
    MCTime a(7, 1, 5, 240);
    MCTime b(a);
    a.SetBarPulseTick(BPTTime{8, 0, 0, 240});
    ExpectBpt(b, 7, 1, 5, 240);
    MCTime c(3.0f);
    c = a;
    ExpectBpt(c, 8, 0, 0, 240);
    c = MCTime(0.5f);
    EXPECT_EQ(c.GetMode(), TM_NORMAL);
    EXPECT_EQ(c.GetSeconds(), 0.5f);
    MCTime moved(std::move(b));
    ExpectBpt(moved, 7, 1, 5, 240);
    EXPECT_EQ(b.GetMode(), TM_NORMAL);   // a moved-from time is a plain zero
}

TEST(MCTime, SetGlobalPPQClamps)
{
    GlobalPPQGuard guard;
    const struct { int asked, stored; } cases[] = {
        {5, 10}, {10, 10}, {11, 11}, {480, 480}, {999, 999}, {1000, 1000}, {5000, 1000}, {-3, 10},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MCTime::SetGlobalPPQ(c.asked), 1);
        EXPECT_EQ(MCTime::GlobalPPQ, c.stored) << c.asked;
    }
}

TEST(MCTime, SetPPQRescalesTheTick)
{
    MCTime t(3, 2, 240, 480);
    t.SetPPQ(960);
    ExpectBpt(t, 3, 2, 480, 960);
    t.SetPPQ(100);   // floor(480 * 100 / 960)
    ExpectBpt(t, 3, 2, 50, 100);
    t.SetPPQ(7);     // floor(350 / 100)
    ExpectBpt(t, 3, 2, 3, 7);

    MCTime negative(0, 0, -6, 480);
    negative.SetPPQ(96);   // floor(-576 / 480) rounds down, not toward zero
    ExpectBpt(negative, 0, 0, -2, 96);

    // The product wraps in 32 bits before the division.
    MCTime wraps(0, 0, 0x10000, 1);
    wraps.SetPPQ(0x10000);
    ExpectBpt(wraps, 0, 0, 0, 0x10000);

    // Refused: a float time, a PPQ of 0 or below on either side, the same PPQ.
    MCTime f(2.5f);
    f.SetPPQ(960);
    EXPECT_EQ(f.GetMode(), TM_NORMAL);
    EXPECT_EQ(f.GetSeconds(), 2.5f);
    MCTime zeroPPQ(1, 0, 10, 0);
    zeroPPQ.SetPPQ(480);
    ExpectBpt(zeroPPQ, 1, 0, 10, 0);
    MCTime same(1, 0, 10, 480);
    same.SetPPQ(0);
    same.SetPPQ(480);
    ExpectBpt(same, 1, 0, 10, 480);
}

TEST(MCTime, ArithmeticOnFloatsAndBarPulseTick)
{
    GlobalPPQGuard guard;
    MCTime::SetGlobalPPQ(96);

    MCTime t(1.0f);
    t.SetMode(TM_REAL);
    t += MCTime(0.5f);
    EXPECT_EQ(t.GetSeconds(), 1.5f);
    EXPECT_EQ(t.GetMode(), TM_REAL);   // the left side keeps its mode
    t -= MCTime(2.0f);
    EXPECT_EQ(t.GetSeconds(), -0.5f);
    t *= 4.0f;
    EXPECT_EQ(t.GetSeconds(), -2.0f);
    t /= 0.0f;                          // refused
    EXPECT_EQ(t.GetSeconds(), -2.0f);
    t /= 8.0f;
    EXPECT_EQ(t.GetSeconds(), -0.25f);
    t += MCTime(1, 0, 0, 480);          // nothing with a mode-4 side
    EXPECT_EQ(t.GetSeconds(), -0.25f);

    const struct { float a, d, quotient, remainder; } cases[] = {
        {5.5f, 2.0f, 2.75f, 1.5f},
        {-0.5f, 2.0f, -0.25f, 1.5f},
        {3.0f, 0.0f, 3.0f, 0.0f},      // a zero divisor counts as 1
        {2.75f, 0.0f, 2.75f, 0.75f},
        {7.0f, -2.0f, -3.5f, -1.0f},
    };
    for (const auto& c : cases) {
        const MCTime a(c.a), d(c.d);
        EXPECT_EQ((a / d).GetSeconds(), c.quotient) << c.a << " / " << c.d;
        EXPECT_EQ((a % d).GetSeconds(), c.remainder) << c.a << " % " << c.d;
    }
    MCTime real(2.0f);
    real.SetMode(TM_REAL);
    EXPECT_EQ((real / MCTime(4.0f)).GetMode(), TM_NORMAL);
    EXPECT_EQ((-real).GetSeconds(), -2.0f);
    EXPECT_EQ((-real).GetMode(), TM_NORMAL);

    // A mode-4 left side gives the bar/pulse/tick zero at the global PPQ.
    const MCTime bpt(5, 1, 30, 480);
    ExpectBpt(bpt / MCTime(2.0f), 0, 0, 0, 96);
    ExpectBpt(bpt % MCTime(2.0f), 0, 0, 0, 96);
    ExpectBpt(-bpt, 0, 0, 0, 96);

    // The free difference and product: float times, zero with a mode-4 operand.
    EXPECT_EQ((MCTime(3.0f) - MCTime(1.25f)).GetSeconds(), 1.75f);
    EXPECT_EQ((1.5f * MCTime(2.0f)).GetSeconds(), 3.0f);
    EXPECT_EQ((bpt - MCTime(1.0f)).GetSeconds(), 0.0f);
    EXPECT_EQ((bpt - MCTime(1.0f)).GetMode(), TM_NORMAL);
    EXPECT_EQ((2.0f * bpt).GetSeconds(), 0.0f);
}

TEST(MCTime, ComparisonsOfBarPulseTickAcrossResolutions)
{
    const struct {
        MCTime a, b;
        bool eq, ge, le;
    } cases[] = {
        {MCTime(1, 0, 240, 480), MCTime(1, 0, 120, 240), true, true, true},
        {MCTime(1, 0, 240, 480), MCTime(1, 0, 240, 480), true, true, true},
        {MCTime(2, 0, 0, 480), MCTime(1, 3, 0, 480), false, true, false},    // the bar decides first
        {MCTime(1, 3, 0, 480), MCTime(2, 0, 0, 480), false, false, true},
        {MCTime(1, 2, 0, 480), MCTime(1, 1, 479, 480), false, true, false},  // then the pulse
        {MCTime(1, 0, 100, 480), MCTime(1, 0, 60, 240), false, false, true}, // 0.208 against 0.25
        {MCTime(1, 0, 61, 240), MCTime(1, 0, 100, 480), false, true, false},
        {MCTime(1, 0, 5, 0), MCTime(1, 0, 5, 0), true, true, true},          // same PPQ: ticks alone
        {MCTime(1, 0, 0, 0), MCTime(1, 0, 0, 480), false, false, false},     // a PPQ below 1 orders nothing
        {MCTime(1, 0, 0, 480), MCTime(1, 0, 0, -480), false, false, false},
        {MCTime(0, 0, 0, 480), MCTime(0.0f), false, true, true},             // mode 4 against the float 0
        {MCTime(0, 1, 0, 480), MCTime(0.0f), false, true, false},
        {MCTime(0, -1, 0, 480), MCTime(0.0f), false, false, true},
        {MCTime(0, 0, 0, 480), MCTime(0.5f), false, false, false},           // against any other float
    };
    for (const auto& c : cases) {
        const BPTTime a = Bpt(c.a);
        const auto label = ::testing::Message() << a.bar << ":" << a.pulse << ":" << a.tick << "/" << a.ppq
                                                << " vs " << Bpt(c.b).tick << "/" << Bpt(c.b).ppq;
        EXPECT_EQ(c.a == c.b, c.eq) << label;
        EXPECT_EQ(c.a != c.b, !c.eq) << label;
        EXPECT_EQ(c.a >= c.b, c.ge) << label;
        EXPECT_EQ(c.a < c.b, !c.ge) << label;
        EXPECT_EQ(c.a <= c.b, c.le) << label;
        EXPECT_EQ(c.a > c.b, !c.le) << label;
    }
}

TEST(MCTime, FloatModesCompareAsFloats)
{
    MCTime real(1.0f);
    real.SetMode(TM_REAL);
    EXPECT_TRUE(real == MCTime(1.0f));   // the modes themselves are not compared
    EXPECT_TRUE(MCTime::TimeNull() < MCTime(0.0f));
    EXPECT_TRUE(MCTime(2.0f) > MCTime(1.5f));
    EXPECT_TRUE(MCTime(2.0f) >= 2.0f);
    EXPECT_FALSE(MCTime(0.0f) == MCTime(0, 0, 0, 480));   // never equal across the kinds
    EXPECT_FALSE(MCTime(0.0f) != MCTime(0.0f));
}

// --- archive forms ---------------------------------------------------------

namespace {

std::vector<uint8_t> Store(MCTime& t)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        t.Serialize(ar, -1);
        ar.Close();
    }
    const auto length = static_cast<size_t>(file.GetLength());
    std::vector<uint8_t> bytes(length);
    file.SeekToBegin();
    file.Read(bytes.data(), length);
    return bytes;
}

// Loads `t` from the bytes with the file version; returns the bytes consumed.
size_t Load(MCTime& t, std::vector<uint8_t> bytes, int version)
{
    CMemFile file;
    file.Write(bytes.data(), bytes.size());
    file.SeekToBegin();
    CArchive ar(&file, CArchive::load);
    t.Serialize(ar, version);
    ar.Flush();
    return static_cast<size_t>(file.GetPosition());
}

} // namespace

TEST(MCTime, StoredForms)
{
    MCTime bpt(3, -2, 240, 480);
    const std::vector<uint8_t> bptBytes = {
        0x04, 0x03, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0xF0, 0, 0, 0, 0xE0, 0x01, 0, 0,
    };
    EXPECT_EQ(Store(bpt), bptBytes);

    MCTime real(1.5f);
    real.SetMode(TM_REAL);
    const std::vector<uint8_t> realBytes = {0x01, 0x00, 0x00, 0xC0, 0x3F};
    EXPECT_EQ(Store(real), realBytes);

    // Round trips, and a load replaces whatever the target held.
    MCTime loaded(9.0f);
    EXPECT_EQ(Load(loaded, bptBytes, 1), 17u);
    ExpectBpt(loaded, 3, -2, 240, 480);
    EXPECT_EQ(Load(loaded, realBytes, 3), 5u);
    EXPECT_EQ(loaded.GetMode(), TM_REAL);
    EXPECT_EQ(loaded.GetSeconds(), 1.5f);
}

TEST(MCTime, VersionZeroLoadsOnlyTheFloat)
{
    const std::vector<uint8_t> bytes = {0x00, 0x00, 0x80, 0xBF, 0x55};   // -1.0, then unrelated data
    MCTime fresh;
    EXPECT_EQ(Load(fresh, bytes, 0), 4u);
    EXPECT_EQ(fresh, MCTime::TimeNull());
    EXPECT_EQ(fresh.GetMode(), TM_NORMAL);

    MCTime play(0.0f);
    play.SetMode(TM_PLAY);
    Load(play, bytes, 0);
    EXPECT_EQ(play.GetMode(), TM_PLAY);   // the mode is left as it was
    MCTime bpt(1, 1, 1, 480);
    Load(bpt, bytes, 0);
    EXPECT_EQ(bpt.GetMode(), TM_NORMAL);  // a block cannot hold a float
    EXPECT_EQ(bpt.GetSeconds(), -1.0f);
}

TEST(MCTime, TruncatedInputThrowsAndLeavesTheTime)
{
    const std::vector<uint8_t> bpt = {0x04, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 0xE0, 0x01, 0, 0};
    for (size_t cut = 0; cut < bpt.size(); ++cut) {
        MCTime t(2.5f);
        const std::vector<uint8_t> part(bpt.begin(), bpt.begin() + static_cast<long>(cut));
        EXPECT_THROW(Load(t, part, 1), CArchiveException) << cut;
        EXPECT_EQ(t.GetMode(), TM_NORMAL) << cut;
        EXPECT_EQ(t.GetSeconds(), 2.5f) << cut;
    }
}

// --- MCVoiceTrack ----------------------------------------------------------

TEST(MCVoiceTrack, NormalForm)
{
    const MCVoiceTrack none;
    EXPECT_EQ(none.GetValue(), 0x7FFF);
    EXPECT_EQ(none.GetVoice(), 15);
    EXPECT_EQ(none.GetTrack(), 2047);
    EXPECT_EQ(none.GetDevice(), 255);
    EXPECT_EQ(none.GetChannel(), 127);

    const struct { int voice, track; uint16_t word; int gotVoice, gotTrack; } cases[] = {
        {2, 5, 0x0052, 2, 5},
        {17, 1, 0x0011, 1, 1},            // the voice is masked
        {0, 2047, 0x7FF0, 0, 2047},
        {3, 2048, 0x8003, 15, 2047},      // a track above 2047 spills into bit 15
    };
    for (const auto& c : cases) {
        const MCVoiceTrack vt(c.voice, c.track);
        EXPECT_EQ(vt.GetValue(), c.word) << c.voice << "/" << c.track;
        EXPECT_EQ(vt.GetVoice(), c.gotVoice);
        EXPECT_EQ(vt.GetTrack(), c.gotTrack);
    }

    MCVoiceTrack vt(4, 9);
    vt.SetTrack(12);
    EXPECT_EQ(vt.GetVoice(), 4);
    EXPECT_EQ(vt.GetTrack(), 12);
    vt.SetVoice(0x1F);
    EXPECT_EQ(vt.GetVoice(), 15);
    EXPECT_EQ(vt.GetTrack(), 12);
    EXPECT_TRUE(vt == MCVoiceTrack(15, 12));
    EXPECT_TRUE(vt != MCVoiceTrack(14, 12));
}

TEST(MCVoiceTrack, ConvertedFormAndBack)
{
    const struct {
        uint16_t start;
        int device, channel;              // after SetDevice(3)
        int voice, track;                 // after SetVoice(2)
    } cases[] = {
        {0x0000, 3, 0, 2, 0},
        {0x7FFF, 3, 127, 2, 2032},        // the channel bits keep what the track left there
    };
    for (const auto& c : cases) {
        MCVoiceTrack vt;
        vt.SetValue(c.start);
        vt.SetDevice(3);
        EXPECT_TRUE(vt.IsConverted()) << c.start;
        EXPECT_EQ(vt.GetVoice(), 15);
        EXPECT_EQ(vt.GetTrack(), 2047);
        EXPECT_EQ(vt.GetDevice(), c.device);
        EXPECT_EQ(vt.GetChannel(), c.channel);
        vt.SetVoice(2);
        EXPECT_FALSE(vt.IsConverted());
        EXPECT_EQ(vt.GetVoice(), c.voice);
        EXPECT_EQ(vt.GetTrack(), c.track);
    }

    MCVoiceTrack vt;
    vt.SetValue(0);
    vt.SetChannel(0x8A);                  // masked to 7 bits
    vt.SetDevice(0x1FF);                  // masked to 8 bits
    EXPECT_EQ(vt.GetValue(), 0x8AFF);
    EXPECT_EQ(vt.GetChannel(), 0x0A);
    EXPECT_EQ(vt.GetDevice(), 0xFF);
}
