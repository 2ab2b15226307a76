// The ruler action: what reaches which ruler, measures entered at once, and
// the heading texts' levels.
#include "notation/autonote/buildrulers.h"

#include "model/conductor.h"
#include "model/meter.h"
#include "model/textmarks.h"
#include "notation/display/conductor.h"
#include "notation/display/measure.h"
#include "notation/layout/staffruler.h"
#include "tests/notation/autonote/autonote_support.h"

#include <gtest/gtest.h>

namespace {

using autonote_test::AutonoteTest;

// Records each (ruler, element) pair instead of updating the ruler, and
// each element the walk visits.
class RulerProbe : public ACBuildRulers {
public:
    int DoAction(ECBase* event) override {
        visited.push_back(event);
        return ACBuildRulers::DoAction(event);
    }
    std::vector<std::pair<MCRuler*, ECBase*>> updates;
    std::vector<ECBase*> visited;

protected:
    int UpdateRuler(MCRuler& ruler, ECBase* element, int remove) override {
        updates.push_back({&ruler, element});
        lastRemove = remove;
        return 1;
    }

public:
    int lastRemove = -1;
};

class BuildRulersTest : public AutonoteTest {
protected:
    void SetUp() override {
        AutonoteTest::SetUp();
        MakeStaves(2);
        MakeMeasures(2);
    }
    MCRuler* RulerOf(ECBase* measure) {
        auto* display = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0));
        return display ? &display->GetRuler() : nullptr;
    }
};

TEST_F(BuildRulersTest, AMeasureEntersEachChildOnceWithoutVisitingThem) {
    ECMeasure* bar = Bar(1, 0.0f);
    ECNote* a = PutNote(bar, 0.0f);
    ECNote* b = PutNote(bar, 1.0f);
    ECNote* c = PutNote(bar, 2.0f);
    RulerProbe probe;
    probe.SetRemove(1);
    probe.Apply(bar);
    MCRuler* ruler = RulerOf(bar);   // made by the action
    ASSERT_NE(ruler, nullptr);
    const std::vector<std::pair<MCRuler*, ECBase*>> expected = {{ruler, a}, {ruler, b}, {ruler, c}};
    EXPECT_EQ(probe.updates, expected);
    EXPECT_EQ(probe.visited, std::vector<ECBase*>{bar});
    EXPECT_EQ(probe.lastRemove, 1);
}

TEST_F(BuildRulersTest, AnElementReachesItsMeasuresRulerOnlyWhenThatHasADisplay) {
    ECMeasure* bar = Bar(1, 0.0f);
    ECNote* note = PutNote(bar, 0.0f);
    ECNote* loose = new ECNote;
    loose->Ref();
    RulerProbe probe;
    probe.Apply(note);   // the measure has no display object yet
    probe.Apply(loose);  // no measure at all
    EXPECT_TRUE(probe.updates.empty());
    bar->GetData(DK_NOTATION, 1);
    probe.Apply(note);
    ASSERT_EQ(probe.updates.size(), 1u);
    EXPECT_EQ(probe.updates[0].first, RulerOf(bar));
    loose->Unref(1);
}

TEST_F(BuildRulersTest, AMeterReachesTheRulerOfEveryStaffMeasureOfItsColumn) {
    ECMeasure* upper = Bar(1, 4.0f);
    ECMeasure* lower = Bar(2, 4.0f);
    upper->GetData(DK_NOTATION, 1);
    lower->GetData(DK_NOTATION, 1);
    Bar(1, 0.0f)->GetData(DK_NOTATION, 1);   // another column: not reached
    auto* meter = new ECMeter(3, 4, 2);
    meter->Ref();
    const MCTime time(4.0f);
    meter->SetTime(&time);
    RulerProbe probe;
    probe.SetConductor(m_conductor);
    probe.Apply(meter);
    const std::vector<std::pair<MCRuler*, ECBase*>> expected = {{RulerOf(upper), meter}, {RulerOf(lower), meter}};
    EXPECT_EQ(probe.updates, expected);
    EXPECT_NE(meter->GetData(DK_NOTATION, 0), nullptr);
    meter->Unref(1);
}

// Heading texts move the conductor staff's text levels by their height:
// the level after theirs ends up that far below it.
TEST_F(BuildRulersTest, HeadingTextsMoveTheirTextLevel) {
    ECBase* conductorStaff = m_conductor->GetTrack(TRACK_CONDUCTOR, 0, 0);
    auto* staffDisplay = dynamic_cast<DCctConductorStaff*>(conductorStaff->GetData(DK_NOTATION, 1));
    ASSERT_NE(staffDisplay, nullptr);
    MCStaffRuler& levels = staffDisplay->GetRuler();
    const struct {
        int kind;
        int level;   // -1: none moves
        bool display;
    } cases[] = {{7, 0, true}, {8, 1, true}, {9, 2, true}, {10, 6, true}, {11, -1, true}, {6, -1, true},
                 {8, -1, false}};
    int height = 500;
    for (const auto& c : cases) {
        height += 37;   // a new height each time, so that a move shows
        auto* text = new ECText(static_cast<unsigned char>(c.kind), "Heading");
        text->Ref();
        conductorStaff->AddChild(text, SORTED);
        if (c.display) {
            MCMusicFont::MusicFontMetrics box;
            box.SetHeight(height);
            Display(text, 1)->SetMetrics(box);
        }
        std::vector<int> before;
        for (int level = 0; level < 8; ++level)
            before.push_back(levels.GetTextLevel(level));
        ACBuildRulers rulers;
        rulers.SetConductor(m_conductor);
        rulers.Apply(text);
        if (c.level >= 0) {
            EXPECT_EQ(levels.GetTextLevel(c.level) - levels.GetTextLevel(c.level + 1), height) << c.kind;
        } else {
            for (int level = 0; level < 8; ++level)
                EXPECT_EQ(levels.GetTextLevel(level), before[static_cast<size_t>(level)]) << c.kind;
        }
        conductorStaff->RemoveChild(text, 1);
        text->Unref(1);
    }
}

}  // namespace
