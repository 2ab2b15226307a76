// Regrouping before pagination: the beams of a notated melody regrouped
// within a time window, from the walk's staff or from the element's own.
#include "notation/view/groupelements.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/measure.h"
#include "notation/display/beam.h"
#include "tests/notation/support/melody.h"
#include "tests/notation/support/notation_fixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int DIVISION = 256;
constexpr int EIGHTH = DIVISION / 2;
constexpr int MEASURES = 3;
constexpr int EIGHTHS_PER_MEASURE = 8;

class GroupElementsTest : public notation_test::NotationFixture {
protected:
    // Three 4/4 bars of eighth notes: two beams or more a bar.
    void SetUp() override {
        std::vector<notation_test::PlayedNote> notes;
        for (int i = 0; i < MEASURES * EIGHTHS_PER_MEASURE; ++i)
            notes.push_back({60 + i % 5, i * EIGHTH, EIGHTH});
        ASSERT_EQ(LoadMidi(notation_test::MelodyFile(notes, DIVISION, {4, 2})), 1);
        for (int m = 1; m <= MEASURES; ++m) {
            beams.push_back(BeamsOf(m));
            ASSERT_FALSE(beams.back().empty()) << m;
        }
    }

    std::vector<DCctBeam*> BeamsOf(int measure) {
        ACFindEvents find;
        find.AddEvtType(ET_BEAM);
        find.Apply(Conductor()->GetMeasure(1, measure));
        std::vector<DCctBeam*> out;
        MCEventList& found = find.GetEvents();
        for (POSITION pos = found.GetHeadPosition(); pos;)
            if (auto* beam = dynamic_cast<DCctBeam*>(NotationDisplayOf(found.GetNext(pos))))
                out.push_back(beam);
        return out;
    }
    // Every beam marked for regrouping, its members forgotten by the mark.
    void MarkAll() {
        for (auto& measure : beams)
            for (DCctBeam* beam : measure)
                beam->SetDirty(1);
    }

    std::vector<std::vector<DCctBeam*>> beams;   // by measure, from 0
};

TEST_F(GroupElementsTest, RegroupsTheBeamsInTheWindowOnly) {
    MarkAll();
    ACGroupElements group;
    group.SetTimeRange(*Conductor()->GetMeasure(1, 2)->GetTime(), MCTime(2 * 4.0f - 0.5f));
    group.Apply(Conductor());
    for (int m = 0; m < MEASURES; ++m)
        for (DCctBeam* beam : beams[static_cast<size_t>(m)]) {
            EXPECT_EQ(beam->IsDirty(), m == 1 ? 0 : 1) << "measure " << m + 1;
            if (m == 1) {
                EXPECT_GE(beam->GetMemberCount(), 2);
            }
        }
}

TEST_F(GroupElementsTest, FindsConductorAndStaffFromTheElementAlone) {
    MarkAll();
    // A beam applied on its own: no walk above it names conductor or staff.
    ACGroupElements group;
    group.SetDepth(0);
    group.Apply(beams[2].front()->GetOwner());
    EXPECT_EQ(beams[2].front()->IsDirty(), 0);
    EXPECT_GE(beams[2].front()->GetMemberCount(), 2);

    // A list of measures, as the update list hands them over.
    MCEventList measures;
    measures.AddEvent(Conductor()->GetMeasure(1, 1), UNSORTED);
    ACGroupElements fromList;
    fromList.Apply(measures, 0);
    for (DCctBeam* beam : beams[0])
        EXPECT_EQ(beam->IsDirty(), 0);
    for (DCctBeam* beam : beams[1])
        EXPECT_EQ(beam->IsDirty(), 1);
}

}  // namespace
