// Preparing a measure's ruler before notation: each tuplet in the measure
// adds the marks of its borrowed division.
//
// The engine's header names command ids that the model's command header
// names as well, so this file reaches the tree through the measure alone.
#include "notation/autonote/autonote.h"

#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/meter.h"
#include "notation/display/tuplet.h"
#include "notation/layout/ruler.h"
#include "tests/notation/display/structure_support.h"

#include <gtest/gtest.h>

namespace {

class UpdateResolutionTest : public ::testing::Test {
protected:
    UpdateResolutionTest() {
        measure->Ref();
        ruler.CreateDivMarks(&meter, CAutoNote::DEFAULT_RESOLUTION);
    }
    ~UpdateResolutionTest() override {
        measure->RemoveChildren(1);
        measure->Unref(1);
    }
    // An n:m tuplet at `quarters` whose display has these bases (or none).
    void PutTuplet(float quarters, int n, int m, WORD borrowed, WORD base, bool display = true) {
        auto* tuplet = new ECTuplet(static_cast<unsigned char>(n), static_cast<unsigned char>(m), 3);
        const MCTime at(quarters);
        tuplet->SetTime(&at);
        ASSERT_EQ(measure->AddChild(tuplet, 1), 1);
        if (display)
            dynamic_cast<DCctTuplet*>(tuplet->GetData(DK_NOTATION, 1))->SetBase(borrowed, base);
    }

    ScopedDisplayClass tuplets{ET_TUPLET, RUNTIME_CLASS(DCctTuplet)};
    ECMeasure* measure = new ECMeasure;   // held
    // The first ruler of a meter and grid becomes the process's template,
    // spaced by the notehead of the moment; 4/4 is what the ruler and display
    // tests measure, so this one leaves it to them.
    ECMeter meter{2, 4, 255};
    MCRuler ruler;
    CAutoNote engine;
};

TEST_F(UpdateResolutionTest, EachTupletAddsItsBorrowedGroup) {
    PutTuplet(0.0f, 3, 2, 384, 256);   // triplet eighths
    PutTuplet(1.0f, 5, 4, 320, 256);   // quintuplet sixteenths
    PutTuplet(1.5f, 3, 2, 384, 256);   // the triplets' group again: no second one
    ASSERT_EQ(ruler.GetNumberOfRulerGroups(), 1);
    engine.UpdateResolution(measure, &meter, ruler);
    EXPECT_EQ(ruler.GetNumberOfRulerGroups(), 3);
    ASSERT_NE(ruler.FindPulseGroup(384), nullptr);
    ASSERT_NE(ruler.FindPulseGroup(320), nullptr);
    EXPECT_EQ(ruler.FindPulseGroup(384)->basePulse, 256);
    EXPECT_EQ(ruler.FindPulseGroup(320)->basePulse, 256);
}

TEST_F(UpdateResolutionTest, TupletWithoutDisplayOrMeasureWithoutTupletsAddsNothing) {
    engine.UpdateResolution(measure, &meter, ruler);
    EXPECT_EQ(ruler.GetNumberOfRulerGroups(), 1);
    PutTuplet(0.0f, 3, 2, 0, 0, false);
    engine.UpdateResolution(measure, &meter, ruler);
    EXPECT_EQ(ruler.GetNumberOfRulerGroups(), 1);
}

}  // namespace
