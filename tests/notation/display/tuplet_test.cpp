#include "notation/display/tuplet.h"

#include "model/meter.h"

#include <gtest/gtest.h>

#include <vector>

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
