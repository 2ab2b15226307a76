// The laid-out-measures fixture: a layout the test chooses puts each
// conductor measure and its staff measures where pagination would.
#include "tests/notation/support/measurelayout.h"

#include "model/conductor.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/measure.h"
#include "tests/support/smf_support.h"
#include "tests/notation/support/notation_fixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int DIVISION = 256;
constexpr int BAR = 4 * DIVISION;

class MeasureLayoutTest : public notation_test::NotationFixture {
protected:
    // Two staves (channels 1 and 2 make two tracks) of five bars.
    void SetUp() override {
        smf_support::Track conductor;
        conductor.TimeSignature(0, 4, 2).End();
        smf_support::File file(1, DIVISION);
        file.Add(conductor);
        for (int channel = 0; channel < 2; ++channel) {
            smf_support::Track track;
            track.NoteOn(0, channel, 60 + 7 * channel, 90).NoteOff(5 * BAR - DIVISION, channel, 60 + 7 * channel).End();
            file.Add(track);
        }
        ASSERT_EQ(LoadMidi(file.GetBytes()), 1);
        ASSERT_GE(Conductor()->GetMaxMeasureNumber(), 5);
    }
};

TEST_F(MeasureLayoutTest, MeasuresStandInTheirSystems) {
    notation_test::MeasureLayout layout(Conductor());
    notation_test::SystemLayout systems;
    systems.measuresPerSystem = {2, 2, 1};
    systems.systemTops = {-1000, -5000};   // the third one step below the second
    systems.measureWidth = 3000;
    systems.systemStep = 4500;
    ASSERT_EQ(layout.Apply(systems), 5);
    ASSERT_EQ(layout.SystemCount(), 3);
    const struct {
        int number, system, x, top;
        bool head;
    } cases[] = {
        {1, 0, 1440, -1000, true}, {2, 0, 4440, -1000, false}, {3, 1, 1440, -5000, true},
        {4, 1, 4440, -5000, false}, {5, 2, 1440, -9500, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        EXPECT_EQ(layout.SystemOf(c.number), c.system);
        DCctConductorMeasure* column = layout.Column(c.number);
        ASSERT_NE(column, nullptr);
        EXPECT_EQ(column->GetPosition(), CPoint(c.x, c.top));
        EXPECT_EQ(column->GetWidth(), 3000);
        EXPECT_EQ(column->IsHeadOfSystem(), c.head ? 1 : 0);
        for (int staff = 1; staff <= 2; ++staff) {
            DCctMeasure* measure = layout.StaffMeasure(staff, c.number);
            ASSERT_NE(measure, nullptr);
            EXPECT_EQ(measure->GetPosition(), CPoint(c.x, layout.StaffTop(c.system, staff))) << staff;
            EXPECT_EQ(measure->GetWidth(), 3000);
            EXPECT_EQ(measure->PositionDirty(), 0);
        }
    }
    EXPECT_EQ(layout.StaffTop(1, 2), -5000 - systems.staffDistance);
    EXPECT_EQ(layout.LeftEdge(2), 1440);
    EXPECT_EQ(layout.RightEdge(1), 1440 + 2 * 3000);
    EXPECT_EQ(layout.SystemOf(6), -1);
}

}  // namespace
