// Meters: the analysis of every simple meter against a model of the rules
// written here as recursion over the numerator, the cases the rules single
// out, composite meters, refusals, beats and subdivision, copying and
// comparison, mirrors, and the archive form.
#include "model/meter.h"

#include "conductorevent_test.h"
#include "model/eventtypes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

using namespace conductortest;

namespace {

// ---- the rules, stated once more ---------------------------------------------
//
// A second statement of the analysis: the type from divisibility, and the
// stresses as a list of pulse counts built by recursion over the numerator
// (peeling groups off the front), never by the production code's appends.

using Groups = std::vector<int>;
// A meter's fractions, as SetMeter's array form takes them.
using Fractions = std::vector<unsigned char>;

Groups Prepend(int group, Groups rest) {
    rest.insert(rest.begin(), group);
    return rest;
}

bool IsPowerOfTwo(int n) {
    return n == 1 || (n % 2 == 0 && IsPowerOfTwo(n / 2));
}

// `n` pulses cut into groups of `size`.
Groups GroupsOf(int n, int size) {
    return n == 0 ? Groups{} : Prepend(size, GroupsOf(n - size, size));
}

// An even numerator halves until its odd part is left: 20 -> 5 5 5 5.
Groups Halves(int n) {
    if (n % 2 != 0)
        return {n};
    Groups half = Halves(n / 2);
    Groups both = half;
    both.insert(both.end(), half.begin(), half.end());
    return both;
}

// Threes, then whatever is left, even nothing: 11 -> 3 3 3 2, 33 -> 3 x 11, 0.
Groups ThreesAndRest(int n) {
    return n < 3 ? Groups{n} : Prepend(3, ThreesAndRest(n - 3));
}

int ModelType(int n) {
    if (n < 5 || IsPowerOfTwo(n))
        return 2;
    if (n % 5 == 0 || n % 7 == 0)
        return 4;
    if (n % 3 == 0 && ((n / 3) % 3 == 0 || (n / 3) % 2 == 0))
        return 3;
    return 5;
}

// Pulses per stress of n/d under a type of 0 to 5.
Groups ModelGroups(int n, int d, int type) {
    switch (type) {
    case 0:
    case 1:
    case 2:
        if (d >= 8 || (d == 4 && n <= 3))
            return {n};
        return n % 2 == 0 ? Groups{n / 2, n / 2} : GroupsOf(n, 1);
    case 3:
        return GroupsOf(n, 3);
    case 4:
        if (n % 3 == 0)
            return GroupsOf(n, n / 3);
        if (n % 2 == 0)
            return Halves(n);
        if (n == 5)
            return {2, 3};
        if (n == 7)
            return {4, 3};
        return GroupsOf(n, n % 5 == 0 ? 5 : 7);   // 25, 35, 49 ...: fives, else sevens
    default:
        return ThreesAndRest(n);
    }
}

// The arrays as stored: grown five entries at a time, zeros after the stresses.
std::vector<unsigned short> Padded(const std::vector<unsigned short>& values) {
    std::vector<unsigned short> padded = values;
    padded.resize((values.size() + 4) / 5 * 5, 0);
    return padded;
}

// Rounded half up, in floating point.
unsigned short AtResolution(double ticksAt256, int ppq) {
    return static_cast<unsigned short>(std::floor(ticksAt256 * ppq / 256.0 + 0.5));
}

void ExpectStresses(const ECMeter& meter, const std::vector<unsigned short>& lengths,
                    const std::vector<unsigned short>& pulses) {
    EXPECT_EQ(meter.GetStressPulsesPerMeasure(), lengths.size());
    EXPECT_EQ(meter.GetStressLengthArray(), Padded(lengths));
    EXPECT_EQ(meter.GetPulsesPerStressArray(), Padded(pulses));
}

std::vector<unsigned short> Subdivision(const ECMeter& meter, int level, unsigned short ppq) {
    std::vector<unsigned short> out;
    meter.GetSubdivision(level, out, ppq);
    return out;
}

std::vector<unsigned short> Repeated(size_t count, unsigned short value) {
    return std::vector<unsigned short>(count, value);
}

}  // namespace

// ---- the analysis --------------------------------------------------------------------

TEST(ECMeter, AnalysisOfEverySimpleMeterFollowsTheRules) {
    for (int d : {1, 2, 4, 8, 16}) {
        for (int n = 1; n <= 32; ++n) {
            SCOPED_TRACE(std::to_string(n) + "/" + std::to_string(d));
            ECMeter meter;
            ASSERT_EQ(meter.SetMeter(static_cast<unsigned char>(n), static_cast<unsigned char>(d), 2), 1);

            const int type = ModelType(n);
            const int pulse = 1024 / d;
            std::vector<unsigned short> lengths, pulses;
            for (int group : ModelGroups(n, d, type)) {
                lengths.push_back(static_cast<unsigned short>(group * pulse));
                pulses.push_back(static_cast<unsigned short>(group));
            }
            EXPECT_EQ(meter.GetMeterType(), type);
            EXPECT_EQ(meter.GetNumerator(), n);
            EXPECT_EQ(meter.GetDenominator(), d);
            EXPECT_EQ(meter.GetPulseTicks(256), pulse);
            ExpectStresses(meter, lengths, pulses);

            // The stresses fill the measure exactly.
            EXPECT_EQ(std::accumulate(pulses.begin(), pulses.end(), 0), n);
            EXPECT_EQ(meter.GetTicksPerMeasure(256), n * pulse);
            EXPECT_FLOAT_EQ(meter.GetMeasureLength(), n * 4.0f / d);
            // 480 is exact for every pulse here; 90 rounds a sixteenth's 22.5 up.
            for (int ppq : {480, 90}) {
                EXPECT_EQ(meter.GetPulseTicks(static_cast<unsigned short>(ppq)), AtResolution(pulse, ppq)) << ppq;
                EXPECT_EQ(meter.GetTicksPerMeasure(static_cast<unsigned short>(ppq)), n * AtResolution(pulse, ppq))
                    << ppq;
            }

            // Beats: pulses for simple meters, stresses for the others.
            const size_t beats = type == 2 ? static_cast<size_t>(n) : lengths.size();
            EXPECT_EQ(meter.GetBeatsPerMeasure(), beats);
            for (size_t i = 0; i < beats; ++i) {
                const size_t stress = type == 3 ? 0 : i;
                EXPECT_EQ(meter.GetBeatTicks(static_cast<int>(i), 256), type == 2 ? pulse : lengths[stress]) << i;
                EXPECT_EQ(meter.GetPulsesPerBeat(static_cast<int>(i)), type == 2 ? 1 : pulses[stress]) << i;
            }
        }
    }
}

TEST(ECMeter, TheCasesTheRulesSingleOut) {
    const struct {
        unsigned char n, d;
        int type;
        std::vector<unsigned short> lengths, pulses;
    } cases[] = {
        {4, 4, 2, {512, 512}, {2, 2}},
        {6, 8, 3, {384, 384}, {3, 3}},
        {12, 8, 3, {384, 384, 384, 384}, {3, 3, 3, 3}},
        {5, 4, 4, {512, 768}, {2, 3}},
        {7, 8, 4, {512, 384}, {4, 3}},
        {15, 8, 4, {640, 640, 640}, {5, 5, 5}},
        {10, 8, 4, {640, 640}, {5, 5}},
        {20, 8, 4, {640, 640, 640, 640}, {5, 5, 5, 5}},
        {11, 8, 5, {384, 384, 384, 256}, {3, 3, 3, 2}},
        {3, 4, 2, {768}, {3}},
        {2, 4, 2, {512}, {2}},
        {3, 2, 2, {512, 512, 512}, {1, 1, 1}},
        {2, 2, 2, {512, 512}, {1, 1}},
        {8, 8, 2, {1024}, {8}},
        // Eleven threes and a twelfth, empty stress.
        {33, 8, 5, {384, 384, 384, 384, 384, 384, 384, 384, 384, 384, 384, 0},
         {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 0}},
        // Odd multiples of 5 and 7 from 25 on group in fives, else sevens.
        {25, 8, 4, {640, 640, 640, 640, 640}, {5, 5, 5, 5, 5}},
        {35, 16, 4, {320, 320, 320, 320, 320, 320, 320}, {5, 5, 5, 5, 5, 5, 5}},
        {49, 16, 4, {448, 448, 448, 448, 448, 448, 448}, {7, 7, 7, 7, 7, 7, 7}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.n) + "/" + std::to_string(c.d));
        ECMeter meter(c.n, c.d, 2);
        EXPECT_EQ(meter.GetMeterType(), c.type);
        ExpectStresses(meter, c.lengths, c.pulses);
    }

    // 6/8 beats in dotted quarters; 96 per quarter makes the eighth 48 ticks.
    ECMeter sixEight(6, 8, 2);
    EXPECT_EQ(sixEight.GetBeatsPerMeasure(), 2);
    EXPECT_FLOAT_EQ(sixEight.GetBeat(1), 1.5f);
    EXPECT_EQ(sixEight.GetPulsesPerBeat(0), 3);
    EXPECT_EQ(sixEight.GetPulseTicks(96), 48);
    EXPECT_FLOAT_EQ(sixEight.GetPulse(), 0.5f);
}

TEST(ECMeter, CallerTypesZeroAndOneAreKeptAndStressedAsSimple) {
    ECMeter fresh;
    EXPECT_EQ(fresh.GetMeterType(), 0);
    EXPECT_EQ(fresh.GetNumerator(), 4);
    EXPECT_EQ(fresh.GetDenominator(), 4);
    EXPECT_EQ(fresh.GetPulseTicks(256), 256);
    ExpectStresses(fresh, {512, 512}, {2, 2});
    EXPECT_FLOAT_EQ(fresh.GetMeasureLength(), 4.0f);
    EXPECT_EQ(fresh.GetTicksPerMeasure(480), 1920);

    // 6/8 given as type 1 is one stress of six pulses, beaten in eighths.
    ECMeter given(6, 8, 1);
    EXPECT_EQ(given.GetMeterType(), 1);
    ExpectStresses(given, {768}, {6});
    EXPECT_EQ(given.GetBeatsPerMeasure(), 6);
    EXPECT_EQ(given.GetBeatTicks(5, 256), 128);

    EXPECT_EQ(given.SetMeterType(3), 0);
    EXPECT_EQ(given.GetMeterType(), 1);
}

// ---- refusals -----------------------------------------------------------------------

TEST(ECMeter, InvalidOrOverlongMetersAreRefusedAndChangeNothing) {
    const struct {
        unsigned char n, d;
    } refused[] = {
        {0, 4}, {3, 6}, {3, 0}, {3, 12}, {3, 255},
        // A measure of 65536 ticks or more would wrap in its 16-bit field.
        {64, 1}, {128, 1}, {128, 2}, {255, 2},
    };
    for (const auto& r : refused) {
        ECMeter meter(6, 8, 2);
        const ECMeter before(meter);
        EXPECT_EQ(meter.SetMeter(r.n, r.d, 2), 0) << int(r.n) << "/" << int(r.d);
        EXPECT_TRUE(meter == before) << int(r.n) << "/" << int(r.d);
    }

    // The longest measures that fit.
    EXPECT_EQ(ECMeter(63, 1, 2).GetTicksPerMeasure(256), 64512);
    EXPECT_EQ(ECMeter(127, 2, 2).GetTicksPerMeasure(256), 65024);
    EXPECT_EQ(ECMeter(255, 4, 0).GetTicksPerMeasure(256), 65280);
    EXPECT_EQ(ECMeter(255, 4, 0).GetStressPulsesPerMeasure(), 255);
    // A refused fraction in the constructor leaves 4/4.
    EXPECT_TRUE(ECMeter(64, 1, 2) == ECMeter());
}

TEST(ECMeter, LengthsAtOtherResolutionsSaturateInsteadOfWrapping) {
    // 255 quarters at 480 would be 122400 ticks.
    const ECMeter longest(255, 4, 0);
    EXPECT_EQ(longest.GetTicksPerMeasure(480), 65535);
    EXPECT_EQ(longest.GetPulseTicks(480), 480);

    EXPECT_EQ(ECMeter::ConvertResolution(384, 480, 256), 720);
    EXPECT_EQ(ECMeter::ConvertResolution(1, 128, 256), 1);     // a half rounds up
    EXPECT_EQ(ECMeter::ConvertResolution(1, 127, 256), 0);
    EXPECT_EQ(ECMeter::ConvertResolution(500, 480, 0), 0);
    EXPECT_EQ(ECMeter::ConvertResolution(65535, 65535, 256), 65535);
}

// ---- composite meters ------------------------------------------------------------

TEST(ECMeter, CompositeMetersStressEachFraction) {
    // Several denominators: the shortest note value counts the measure, each
    // fraction keeps its own rule and note value.
    ECMeter mixed;
    ASSERT_EQ(mixed.SetMeter({3, 3}, {4, 8}, 1), 1);
    EXPECT_EQ(mixed.GetMeterType(), 6);
    EXPECT_EQ(mixed.GetNumerator(), 9);
    EXPECT_EQ(mixed.GetDenominator(), 8);
    EXPECT_EQ(mixed.GetPulseTicks(256), 128);
    ExpectStresses(mixed, {768, 384}, {3, 3});
    EXPECT_EQ(mixed.GetCompoundNumerator(), (std::vector<unsigned char>{3, 3}));
    EXPECT_EQ(mixed.GetCompoundDenominator(), (std::vector<unsigned char>{4, 8}));
    EXPECT_EQ(mixed.GetBeatsPerMeasure(), 2);
    EXPECT_FLOAT_EQ(mixed.GetBeat(0), 3.0f);
    EXPECT_EQ(mixed.GetPulsesPerBeat(1), 3);

    // One denominator: each fraction is one stress.
    ECMeter additive;
    ASSERT_EQ(additive.SetMeter({2, 2, 3}, {8}, 1), 1);
    EXPECT_EQ(additive.GetNumerator(), 7);
    EXPECT_EQ(additive.GetDenominator(), 8);
    ExpectStresses(additive, {256, 256, 384}, {2, 2, 3});
    EXPECT_EQ(additive.GetTicksPerMeasure(256), 896);

    // One fraction: composite only when asked.
    ECMeter single;
    ASSERT_EQ(single.SetMeter(Fractions{6}, Fractions{8}, 0), 1);
    EXPECT_EQ(single.GetMeterType(), 3);
    EXPECT_TRUE(single.GetCompoundNumerator().empty());
    ASSERT_EQ(single.SetMeter(Fractions{6}, Fractions{8}, 1), 1);
    EXPECT_EQ(single.GetMeterType(), 6);
    ExpectStresses(single, {768}, {6});

    // A simple meter after a composite drops the fractions.
    ASSERT_EQ(additive.SetMeter(3, 4, 2), 1);
    EXPECT_TRUE(additive.GetCompoundNumerator().empty());
    EXPECT_TRUE(additive.GetCompoundDenominator().empty());
    EXPECT_TRUE(additive == ECMeter(3, 4, 2));
}

TEST(ECMeter, CompositeMetersRefuseWhatTheirFieldsCannotHold) {
    const struct {
        const char* what;
        std::vector<unsigned char> numerators, denominators;
    } refused[] = {
        {"no numerators", {}, {4}},
        {"no denominators", {3}, {}},
        {"unequal counts", {3, 2, 2}, {4, 8}},
        {"numerator 0", {3, 0}, {8}},
        {"denominator 6", {3, 2}, {4, 6}},
        {"numerator sum above 255", {200, 100}, {8}},
        {"sum above 255 in the shortest value", {100, 100}, {4, 8}},
        {"measure of 65536 ticks", {32, 32}, {1}},
    };
    for (const auto& r : refused) {
        ECMeter meter;
        ASSERT_EQ(meter.SetMeter({2, 3}, {8}, 1), 1);
        const ECMeter before(meter);
        EXPECT_EQ(meter.SetMeter(r.numerators, r.denominators, 1), 0) << r.what;
        EXPECT_TRUE(meter == before) << r.what;
        EXPECT_EQ(meter.GetCompoundNumerator(), (std::vector<unsigned char>{2, 3})) << r.what;
    }
}

// ---- reading past the stresses ----------------------------------------------------

TEST(ECMeter, StressAndBeatGettersAnswerZeroOutsideTheStresses) {
    const ECMeter fiveFour(5, 4, 2);
    for (int i : {-1, 2, 4, 5, 1000}) {
        EXPECT_EQ(fiveFour.GetStressTicks(i, 480), 0) << i;
        EXPECT_EQ(fiveFour.GetStress(i), 0.0f) << i;
        EXPECT_EQ(fiveFour.GetPulsesPerStress(i), 0) << i;
        EXPECT_EQ(fiveFour.GetBeatTicks(i, 480), 0) << i;
        EXPECT_EQ(fiveFour.GetPulsesPerBeat(i), 0) << i;
    }
    EXPECT_EQ(fiveFour.GetStressTicks(1, 480), 1440);
}

// ---- subdivision ------------------------------------------------------------------

TEST(ECMeter, SubdivisionByLevel) {
    const ECMeter fourFour;
    const ECMeter sixEight(6, 8, 2);
    const ECMeter fiveFour(5, 4, 2);
    const struct {
        const ECMeter& meter;
        int level;
        std::vector<unsigned short> parts;
    } cases[] = {
        {fourFour, 0, {1920}},
        {fourFour, 1, {960, 960}},           // the stresses
        {fourFour, 2, Repeated(4, 480)},     // the beats
        {fourFour, 3, Repeated(8, 240)},
        {fourFour, 4, Repeated(16, 120)},
        {sixEight, 0, {1440}},
        {sixEight, 1, {720, 720}},           // the beats, which are its stresses
        {sixEight, 2, Repeated(6, 240)},     // the pulses
        {sixEight, 3, Repeated(12, 120)},
        {fiveFour, 1, {960, 1440}},
        {fiveFour, 2, Repeated(5, 480)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Subdivision(c.meter, c.level, 480), c.parts) << "level " << c.level;

    // Levels past a tick's worth, and negative ones, leave the array alone.
    for (int level : {-1, 18, 40}) {
        std::vector<unsigned short> out = {7};
        fourFour.GetSubdivision(level, out, 480);
        EXPECT_EQ(out, std::vector<unsigned short>{7}) << level;
    }
    EXPECT_EQ(Subdivision(fourFour, 17, 480).size(), 4u * 32768u);

    std::vector<float> floats = {1.0f};
    fourFour.GetSubdivision(2, floats);
    EXPECT_EQ(floats, std::vector<float>{1.0f});
}

// ---- copying and comparison -------------------------------------------------------

TEST(ECMeter, CopiesRebuildAnEqualAnalysis) {
    ECMeter composite;
    ASSERT_EQ(composite.SetMeter({3, 2, 5}, {4, 8, 16}, 1), 1);
    for (const ECMeter& original : {ECMeter(), ECMeter(7, 8, 2), ECMeter(33, 8, 2), composite}) {
        ECMeter source(original);
        const MCTime at(6.0f);
        source.SetTime(&at);
        source.SetVoiceTrack(14, 0);
        ECMeter copy(source);
        EXPECT_TRUE(copy == source) << int(source.GetNumerator());
        EXPECT_EQ(*copy.GetTime(), at);
        EXPECT_EQ(copy.GetVoiceTrack()->GetVoice(), 14);
    }

    // A composite of one fraction is copied as the simple meter it is.
    ECMeter single;
    ASSERT_EQ(single.SetMeter(Fractions{6}, Fractions{8}, 1), 1);
    const ECMeter copy(single);
    EXPECT_FALSE(copy == single);
    EXPECT_TRUE(copy == ECMeter(6, 8, 2));
}

TEST(ECMeter, EqualityLooksAtTheAnalysisNotTimeOrMirrors) {
    ECMeter a(3, 4, 2), b(3, 4, 2);
    const MCTime later(8.0f);
    b.SetTime(&later);
    TestMirror mirror(8.0f);
    mirror.Ref();
    b.AddMirror(&mirror);
    EXPECT_TRUE(a == b);
    b.RemoveMirrors(MCTime::TimeNull());
    mirror.Unref(0);

    // A caller's type against the computed one, same fraction.
    EXPECT_TRUE(ECMeter(4, 4, 0) != ECMeter(4, 4, 2));
    // The same stresses from different fractions.
    EXPECT_TRUE(ECMeter(2, 4, 2) != ECMeter(4, 8, 2));
    // The same fraction, composite or not.
    ECMeter composite;
    composite.SetMeter({3, 3}, {8}, 1);
    EXPECT_TRUE(composite != ECMeter(6, 8, 2));
}

// ---- the event ---------------------------------------------------------------------

TEST(ECMeter, IsTheMeterEventUnderTheConductorStaff) {
    EventPtr<ECBase> created(ECBase::CreateEvent(ET_METER));
    ASSERT_NE(DYNAMIC_DOWNCAST(ECMeter, created.get()), nullptr);
    EXPECT_EQ(created->GetClassType(), ET_METER);
    std::vector<int> parents;
    EXPECT_EQ(created->GetParentTypes(parents), 1);
    EXPECT_EQ(parents, std::vector<int>{ET_CONDUCTORSTAFF});

    // Without a conductor above it, a meter only takes the time.
    const MCTime at(12.0f);
    created->SetTime(&at);
    EXPECT_EQ(*created->GetTime(), at);
}

TEST(ECMeter, MirrorsAreKeptInTimeOrderAndRemovedFromTheEnd) {
    TestMirror m1(1.0f), m4(4.0f), m4b(4.0f), m8(8.0f);
    for (TestMirror* m : {&m1, &m4, &m4b, &m8})
        m->Ref();   // the staves' hold on them
    {
        ECMeter meter;
        for (TestMirror* m : {&m8, &m4, &m1, &m4b})
            meter.AddMirror(m);
        EXPECT_EQ(TimesOf(*meter.GetMirrors()), (std::vector<float>{1, 4, 4, 8}));
        EXPECT_EQ(meter.GetMirrors()->GetAt(meter.GetMirrors()->FindIndex(2)), &m4b);   // after its equal
        EXPECT_EQ(m8.m_event, &meter);
        EXPECT_EQ(m8.m_registered, 0);
        EXPECT_EQ(m8.GetRefCount(), 2);

        meter.RemoveMirrors(MCTime(4.0f));
        EXPECT_EQ(TimesOf(*meter.GetMirrors()), std::vector<float>{1});
        EXPECT_EQ(m4.GetRefCount(), 1);   // the list's reference is gone, the mirror is not
        meter.RemoveMirrors(MCTime(9.0f));
        EXPECT_EQ(TimesOf(*meter.GetMirrors()), std::vector<float>{1});

        meter.AddMirror(&m8);
        meter.RemoveMirrors(MCTime::TimeNull());
        EXPECT_TRUE(meter.GetMirrors()->IsEmpty());
        meter.AddMirror(&m4);
    }
    // A meter lets go of its mirrors when it goes.
    EXPECT_EQ(m4.GetRefCount(), 1);
    for (TestMirror* m : {&m1, &m4, &m4b, &m8})
        m->Unref(0);
}

// ---- archive ------------------------------------------------------------------------

namespace {

// 6/8 at 1.5 in voice 2, track 3.
std::vector<uint8_t> SixEightBytes() {
    return Concat(NewClassTag("ECMeter", 2), {
        0x04,                          // flags: has time
        0x00, 0x00, 0x00, 0xC0, 0x3F,  // time: mode 0, 1.5
        0x32, 0x00,                    // voice 2, track 3
        0x03, 0x06, 0x08,              // type, numerator, denominator
        0x02, 0x00,                    // stress count
        0x80, 0x00,                    // pulse length 128
        0x05, 0x00, 0x80, 0x01, 0x80, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,   // stress lengths
        0x05, 0x00, 0x03, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,   // pulses per stress
    });
}

}  // namespace

TEST(ECMeter, ArchiveBytes) {
    ECMeter meter(6, 8, 2);
    const MCTime at(1.5f);
    meter.SetTime(&at);
    meter.SetVoiceTrack(2, 3);
    EXPECT_EQ(StoreEvent(meter), SixEightBytes());

    EventPtr<ECMeter> loaded = LoadEvent<ECMeter>(SixEightBytes());
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(*loaded == meter);
    EXPECT_EQ(*loaded->GetTime(), at);
    EXPECT_EQ(loaded->GetVoiceTrack()->GetValue(), 0x32);

    // Types 4 and 5 store two empty fraction arrays; composites their fractions.
    const ECMeter fiveFour(5, 4, 2);
    const std::vector<uint8_t> fiveFourBytes = StoreEvent(fiveFour);
    const std::vector<uint8_t> emptyFractions = {0x00, 0x00, 0x00, 0x00};
    EXPECT_TRUE(std::equal(emptyFractions.rbegin(), emptyFractions.rend(), fiveFourBytes.rbegin()));
    ECMeter composite;
    composite.SetMeter({3, 2, 2}, {4, 8, 8}, 1);
    const std::vector<uint8_t> compositeBytes = StoreEvent(composite);
    const std::vector<uint8_t> fractions = {0x03, 0x00, 0x03, 0x02, 0x02, 0x03, 0x00, 0x04, 0x08, 0x08};
    EXPECT_TRUE(std::equal(fractions.rbegin(), fractions.rend(), compositeBytes.rbegin()));

    for (const ECMeter* original : std::vector<const ECMeter*>{&fiveFour, &composite}) {
        EventPtr<ECMeter> back = LoadEvent<ECMeter>(StoreEvent(*original));
        ASSERT_TRUE(back);
        EXPECT_TRUE(*back == *original);
    }
}

TEST(ECMeter, LoadingKeepsTheStoredAnalysis) {
    // A 25/8 from an older file, stored without any stress: it loads as it
    // is, and its beats read as nothing rather than past an empty array.
    const std::vector<uint8_t> bytes = Concat(NewClassTag("ECMeter", 2), {
        0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x7F,
        0x04, 0x19, 0x08,              // type 4, 25/8
        0x00, 0x00, 0x80, 0x00,        // no stress, pulse 128
        0x00, 0x00, 0x00, 0x00,        // empty stress arrays
        0x00, 0x00, 0x00, 0x00,        // no fractions
    });
    EventPtr<ECMeter> old = LoadEvent<ECMeter>(bytes);
    ASSERT_TRUE(old);
    EXPECT_EQ(old->GetStressPulsesPerMeasure(), 0);
    EXPECT_EQ(old->GetBeatsPerMeasure(), 0);
    EXPECT_EQ(old->GetBeat(0), 0.0f);
    EXPECT_EQ(old->GetBeatTicks(0, 480), 0);
    EXPECT_EQ(old->GetPulsesPerBeat(0), 0);
    EXPECT_TRUE(Subdivision(*old, 1, 480).empty());
    EXPECT_EQ(Subdivision(*old, 2, 480), Repeated(25, 240));
    EXPECT_EQ(StoreEvent(*old), bytes);

    // Its copy takes today's analysis.
    EXPECT_TRUE(ECMeter(*old) == ECMeter(25, 8, 2));
}

TEST(ECMeter, DamagedArchivesThrow) {
    const std::vector<uint8_t> bytes = SixEightBytes();
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_THROW(LoadEvent<ECMeter>(part), CArchiveException) << cut;
    }

    // A stress count beyond the stored arrays, or beyond one of them.
    const size_t countAt = NewClassTag("ECMeter", 2).size() + 11;
    std::vector<uint8_t> tooMany = bytes;
    tooMany[countAt] = 6;
    EXPECT_THROW(LoadEvent<ECMeter>(tooMany), CArchiveException);
    std::vector<uint8_t> shortPulses(bytes.begin(), bytes.end() - 10);
    shortPulses[shortPulses.size() - 2] = 0x00;   // the pulses array now holds nothing
    shortPulses[shortPulses.size() - 1] = 0x00;
    EXPECT_THROW(LoadEvent<ECMeter>(shortPulses), CArchiveException);

    // An array count larger than the data left.
    std::vector<uint8_t> longArray = bytes;
    longArray[countAt + 4] = 0xF0;
    EXPECT_THROW(LoadEvent<ECMeter>(longArray), CArchiveException);
}
