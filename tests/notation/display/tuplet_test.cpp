// The tuplet display's state, ticks in its two scales, unit conversions,
// borrowed meters, archive tail and load fix-ups.
#include "notation/display/tuplet.h"

#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/performance.h"
#include "tests/notation/display/measure_support.h"
#include "tests/notation/display/structure_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t BELOW = 1u << DCctTuplet::BIT_BELOW;
constexpr uint32_t IN_GAP = 1u << DCctTuplet::BIT_NUMBER_IN_GAP;
constexpr uint32_t NUMBER_ONLY = 1u << DCctTuplet::BIT_NUMBER_ONLY;
constexpr uint32_t FIGURE = 1u << DCctTuplet::BIT_FIGURE;
constexpr uint32_t USER = 1u << DCctTuplet::BIT_USER_LOCATION;
constexpr uint32_t CLASS_BITS = BELOW | IN_GAP | NUMBER_ONLY | FIGURE | USER;

TEST(TupletTest, NewTupletIsThreeToTwoWithTheNumberInAGapAbove) {
    DCctTuplet tuplet;
    EXPECT_EQ(tuplet.GetStateWord() & CLASS_BITS, IN_GAP);
    EXPECT_EQ(tuplet.GetRatioNumerator(), 3);
    EXPECT_EQ(tuplet.GetRatioDenominator(), 2);
    EXPECT_EQ(tuplet.PositioningType(), 1);
    EXPECT_EQ(tuplet.GetPosition(), CPoint(0, 0));

    // A copy takes the whole state word and nothing else.
    tuplet.SetTuplet(5, 4);
    tuplet.SetBase(384, 256);
    tuplet.SetTickDuration(256);
    tuplet.SetFigure(1);
    tuplet.SetTupletLocation(1, 1);
    tuplet.SetSelected(1);
    DCctTuplet copy(tuplet);
    EXPECT_EQ(copy.GetStateWord(), tuplet.GetStateWord());
    EXPECT_EQ(copy.GetRatioNumerator(), 3);
    EXPECT_EQ(copy.GetBase(DCctTuplet::BASE_BORROWED), 0);
    EXPECT_EQ(copy.GetTickDuration(DCctTuplet::TICKS_NORMAL), 0);
}

TEST(TupletTest, LayoutChoicesSetTheirBitsAndAskForMeasuring) {
    const struct {
        void (*set)(DCctTuplet&);
        uint32_t bits;
    } cases[] = {
        {[](DCctTuplet& t) { t.SetTupletLocation(1, 0); }, BELOW | IN_GAP},
        {[](DCctTuplet& t) { t.SetTupletLocation(0, 1); }, USER | IN_GAP},
        {[](DCctTuplet& t) { t.SetNumberLocation(0); }, 0},
        {[](DCctTuplet& t) { t.SetBracket(1, 0); }, NUMBER_ONLY | IN_GAP},
        {[](DCctTuplet& t) { t.SetFigure(1); }, FIGURE | IN_GAP},
        {[](DCctTuplet& t) { t.SetBracketPoints(CPoint(1, 2), CPoint(30, 4), 15); }, IN_GAP},
    };
    for (const auto& c : cases) {
        DCctTuplet tuplet;
        tuplet.SetStateWord(IN_GAP);
        c.set(tuplet);
        EXPECT_EQ(tuplet.GetStateWord() & CLASS_BITS, c.bits) << c.bits;
        EXPECT_EQ(tuplet.IsDirty(), 1);
        EXPECT_EQ(tuplet.FrameDirty(), 1);
    }
}

// Stored in the measure's plain division; the own scale is borrowed / base.
TEST(TupletTest, TicksReadInTheirTwoScales) {
    const struct {
        WORD borrowed, base, stored;
        WORD normal, own;
    } cases[] = {
        {384, 256, 256, 256, 384},   // triplet eighths over a quarter
        {256, 384, 384, 384, 256},   // duplet in a dotted quarter
        {256, 256, 512, 512, 512},   // not borrowed
        {384, 0, 256, 256, 0},       // no base: no own scale
    };
    for (const auto& c : cases) {
        DCctTuplet tuplet;
        tuplet.SetBase(c.borrowed, c.base);
        tuplet.SetTickStart(c.stored);
        tuplet.SetTickDuration(c.stored);
        EXPECT_EQ(tuplet.GetTickStart(DCctTuplet::TICKS_NORMAL), c.normal) << c.borrowed << "/" << c.base;
        EXPECT_EQ(tuplet.GetTickStart(DCctTuplet::TICKS_OWN), c.own) << c.borrowed << "/" << c.base;
        EXPECT_EQ(tuplet.GetTickDuration(DCctTuplet::TICKS_OWN), c.own) << c.borrowed << "/" << c.base;
        EXPECT_EQ(tuplet.IsBorrowed(), c.borrowed != c.base ? 1 : 0);
        EXPECT_EQ(tuplet.GetBase(DCctTuplet::BASE_PLAIN), c.base);
        EXPECT_EQ(tuplet.GetBase(DCctTuplet::BASE_BORROWED), c.borrowed);
        EXPECT_EQ(tuplet.GetBase(DCctTuplet::BASE_IN_EFFECT), c.borrowed);   // equal when not borrowed
        EXPECT_EQ(tuplet.GetBase(7), c.base);
    }
}

TEST(TupletTest, UnitCodesAndLengths) {
    const struct {
        int code;
        WORD ticks;
    } units[] = {{0, 1024}, {1, 512}, {2, 256}, {3, 128}, {4, 64}, {5, 32}, {6, 16}, {7, 8}, {8, 128}, {9, 128}, {255, 128}};
    for (const auto& u : units) {
        ECTuplet tuplet(3, 2, static_cast<unsigned char>(u.code));
        EXPECT_EQ(DCctTuplet::GetUnitTickDuration(&tuplet), u.ticks) << u.code;
        if (u.code <= 7) {
            EXPECT_EQ(DCctTuplet::ConvertToUnit(u.ticks), u.code) << u.ticks;
        }
    }
    EXPECT_EQ(DCctTuplet::GetUnitTickDuration(nullptr), 128);
    for (WORD other : {100, 0, 2048, 384})
        EXPECT_EQ(DCctTuplet::ConvertToUnit(other), 3) << other;
}

TEST(TupletBorrowedMeter, BorrowedPulseImpliesMeter) {
    const struct {
        int numerator, denominator, a, b, c, d;
        std::vector<unsigned char> stresses;   // empty: refused
        int over;
    } cases[] = {
        // Triplet sixteenths in 4/4: 24 sixteenths in stresses of six.
        {4, 4, 256, 384, 64, -1, {6, 6, 6, 6}, 16},
        // The same with an explicit stress size of three.
        {4, 4, 256, 384, 64, 3, {3, 3, 3, 3, 3, 3, 3, 3}, 16},
        // Duplets in 6/8 (compound: the beats count): 2 beats x 4 sixteenths.
        {6, 8, 384, 256, 64, -1, {4, 4}, 16},
        // A base that needs doubling before whole units fit (96 -> 192 at 64):
        // the count is divided by the doubling again.
        {4, 4, 256, 96, 64, -1, {3, 3}, 16},
        {4, 4, 256, 384, 0, -1, {}, 0},      // no unit
        {4, 4, 256, 384, 64, 0, {}, 0},      // no stress size
        {4, 4, 256, 384, 3, -1, {}, 0},      // a unit with a factor the base lacks
    };
    for (const auto& c : cases) {
        ECMeter meter(static_cast<unsigned char>(c.numerator), static_cast<unsigned char>(c.denominator), 255);   // type from the fraction
        ECMeter result;
        const int filled = DCctTuplet::GetBorrowedMeter(&meter, &result, c.a, c.b, c.c, c.d);
        EXPECT_EQ(filled, c.stresses.empty() ? 0 : 1) << c.b << " " << c.c;
        if (c.stresses.empty()) {
            EXPECT_EQ(result.GetNumerator(), 4);   // untouched
            continue;
        }
        EXPECT_EQ(result.GetCompoundNumerator(), c.stresses) << c.b << " " << c.c;
        EXPECT_EQ(result.GetDenominator(), c.over);
    }
}

// The member form reads the tuplet's counts and its own display's fields.
TEST(TupletBorrowedMeter, OfATupletInItsMeasure) {
    const struct {
        int numerator, denominator;
        int n, m;
        WORD duration, base;
        std::vector<unsigned char> stresses;   // empty: refused
        int over;
    } cases[] = {
        {4, 4, 3, 2, 256, 256, {3, 3, 3, 3}, 8},   // triplet eighths: twelve eighths
        {4, 4, 5, 4, 256, 256, {5, 5, 5, 5}, 16},  // quintuplet sixteenths
        {6, 8, 2, 3, 384, 384, {2, 2}, 8},         // a duplet per beat of 6/8
        {4, 4, 3, 0, 256, 256, {}, 0},             // no normal count
        {4, 4, 3, 2, 256, 0, {}, 0},               // no base
        {4, 4, 3, 2, 0, 256, {}, 0},               // no length
        {4, 4, 3, 4, 2, 256, {}, 0},               // a unit shorter than a tick
        {4, 4, 0, 2, 256, 256, {}, 0},             // no notes
    };
    for (const auto& c : cases) {
        ECTuplet event(static_cast<unsigned char>(c.n), static_cast<unsigned char>(c.m), 3);
        DCctTuplet tuplet;
        tuplet.SetOwner(&event);
        tuplet.SetBase(c.base, c.base);
        tuplet.SetTickDuration(c.duration);
        ECMeter meter(static_cast<unsigned char>(c.numerator), static_cast<unsigned char>(c.denominator), 255);
        ECMeter result;
        EXPECT_EQ(tuplet.GetBorrowedMeter(&meter, &result), c.stresses.empty() ? 0 : 1) << c.n << ":" << c.m;
        if (c.stresses.empty())
            continue;
        EXPECT_EQ(result.GetCompoundNumerator(), c.stresses) << c.n << ":" << c.m;
        EXPECT_EQ(result.GetDenominator(), c.over) << c.n << ":" << c.m;
    }
    DCctTuplet ownerless;
    ECMeter meter(4, 4, 255);
    ECMeter result;
    EXPECT_EQ(ownerless.GetBorrowedMeter(&meter, &result), 0);
}

// ---- archive ------------------------------------------------------------------------

TEST(TupletArchiveTest, TailAfterTheHead) {
    DCctTuplet tuplet;
    tuplet.SetBase(384, 256);
    tuplet.SetTickDuration(0x1234);
    tuplet.SetTickStart(999);   // rebuilt from the event's time, not stored
    tuplet.SetTuplet(7, 4);
    const Bytes bytes = StoredBytes(&tuplet);
    DCctBase head;
    const size_t headSize = StoredBytes(&head).size();
    ASSERT_EQ(bytes.size(), headSize + 8);
    const Bytes tail(bytes.begin() + static_cast<long>(headSize), bytes.end());
    EXPECT_EQ(tail, (Bytes{0x00, 0x01, 0x80, 0x01, 0x34, 0x12, 7, 4}));
}

// Files of version 0 placed every bracket by hand: the stored location stays.
TEST(TupletArchiveTest, VersionZeroKeepsTheStoredLocation) {
    DCctTuplet saved;
    saved.SetBase(384, 256);
    saved.SetTickDuration(256);
    saved.SetTuplet(5, 4);
    saved.SetTupletLocation(1, 0);
    saved.SetFigure(1);
    const Bytes bytes = StoredBytes(&saved);
    for (int version : {0, 1, 2}) {
        measure_test::Score score(0, 1);
        ECPerformance::GetActivePerformance()->SetVersion(version);
        DCctTuplet loaded;
        LoadBytes(&loaded, bytes);
        EXPECT_EQ(loaded.GetStateWord() & CLASS_BITS, BELOW | IN_GAP | FIGURE | (version == 0 ? USER : 0u))
            << version;
        EXPECT_EQ(loaded.GetBase(DCctTuplet::BASE_BORROWED), 384);
        EXPECT_EQ(loaded.GetBase(DCctTuplet::BASE_PLAIN), 256);
        EXPECT_EQ(loaded.GetTickDuration(DCctTuplet::TICKS_NORMAL), 256);
        EXPECT_EQ(loaded.GetRatioNumerator(), 5);
        EXPECT_EQ(loaded.GetRatioDenominator(), 4);
    }
    // A tail cut short is refused.
    Bytes shortened = bytes;
    shortened.pop_back();
    DCctTuplet loaded;
    EXPECT_THROW(LoadBytes(&loaded, shortened), CArchiveException);
}

TEST(TupletArchiveTest, TickStartComesBackFromTheTimeInTheMeasure) {
    measure_test::Score score(0, 2);
    ECMeasure* second = score.Measure(2);
    auto* event = new ECTuplet(3, 2, 3);
    MCTime at = *second->GetTime();
    at = MCTime(at.GetTicks(256) / 256.0f + 1.5f);   // beat 2 and a half
    event->SetTime(&at);
    event->SetVoiceTrack(0, 1);
    ASSERT_EQ(second->AddChild(event, 1), 1);
    DCctTuplet tuplet;
    tuplet.SetOwner(event);
    CMemFile file;
    CArchive ar(&file, CArchive::load);
    tuplet.PostSerialize(ar);
    EXPECT_EQ(tuplet.GetTickStart(DCctTuplet::TICKS_NORMAL), 384);

    // Outside a measure there is nothing to count from.
    ECTuplet loose(3, 2, 3);
    DCctTuplet free;
    free.SetOwner(&loose);
    free.SetTickStart(77);
    free.PostSerialize(ar);
    EXPECT_EQ(free.GetTickStart(DCctTuplet::TICKS_NORMAL), 77);
    ar.Close();
    tuplet.SetOwner(nullptr);
    free.SetOwner(nullptr);
}

}  // namespace
