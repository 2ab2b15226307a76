// The display-data action: which elements get display objects, meters by
// kind, the drum staff, measure rulers, and the window.
#include "notation/autonote/displaydata.h"

#include "model/conductor.h"
#include "model/groupmarks.h"
#include "model/markings.h"
#include "model/meter.h"
#include "model/modifiers.h"
#include "model/staff.h"
#include "model/tempo.h"
#include "notation/display/key.h"
#include "notation/display/measure.h"
#include "notation/display/meter.h"
#include "sequencer/performers.h"
#include "tests/notation/autonote/autonote_support.h"

#include <gtest/gtest.h>

namespace {

using autonote_test::AutonoteTest;

class DisplayDataTest : public AutonoteTest {
protected:
    void SetUp() override {
        AutonoteTest::SetUp();
        MakeStaves(2);
        MakeMeasures(2);
    }
    // Gives the note a performer playing on MIDI channel `channel` (1-16).
    static void PlayOn(ECNote* note, int channel) {
        const CRuntimeClass*& cell = CPluginData::GetDataClass(DK_SEQUENCER, ET_NOTE);
        const CRuntimeClass* saved = cell;
        cell = RUNTIME_CLASS(DCsqNote);
        auto* performer = dynamic_cast<DCsqNote*>(note->GetData(DK_SEQUENCER, 1));
        cell = saved;
        ASSERT_NE(performer, nullptr);
        performer->GetMidiData().SetStatusByte(static_cast<unsigned char>(0x90 | (channel - 1)));
    }
};

TEST_F(DisplayDataTest, MetersTakeTheirFormByKind) {
    const struct {
        const char* name;
        std::vector<unsigned char> numerators, denominators;
        DCctMeter::tag_timesignaturetype form;
        std::vector<unsigned char> shownNumerators, shownDenominators;
    } cases[] = {
        {"common", {4}, {4}, DCctMeter::TS_COMMON, {}, {}},
        {"cut", {2}, {2}, DCctMeter::TS_CUT, {}, {}},
        {"6/8", {6}, {8}, DCctMeter::TS_NUMBERS, {6}, {8}},
        {"3+2/8 list", {3, 2}, {8, 8}, DCctMeter::TS_LISTS, {3, 2}, {8, 8}},
    };
    for (const auto& c : cases) {
        auto* meter = new ECMeter;
        meter->Ref();
        const std::string name = c.name;
        if (name == "common" || name == "cut")
            meter->SetMeter(c.numerators[0], c.denominators[0], name == "common" ? 0 : 1);
        else if (c.numerators.size() == 1)
            meter->SetMeter(c.numerators[0], c.denominators[0], 2);
        else
            ASSERT_EQ(meter->SetMeter(c.numerators, c.denominators, 1), 1);
        ASSERT_EQ(meter->GetMeterType() == 6, c.form == DCctMeter::TS_LISTS) << c.name;
        ACUpdateDisplayData update;
        update.Apply(meter);
        auto* display = dynamic_cast<DCctMeter*>(meter->GetData(DK_NOTATION, 0));
        ASSERT_NE(display, nullptr) << c.name;
        EXPECT_EQ(display->GetMeterType(), c.form) << c.name;
        if (c.form == DCctMeter::TS_LISTS) {
            EXPECT_EQ(display->GetNumerators(), c.shownNumerators) << c.name;
            EXPECT_EQ(display->GetDenominators(), c.shownDenominators) << c.name;
        } else if (c.form == DCctMeter::TS_NUMBERS) {
            EXPECT_EQ(display->GetNumerator(), c.shownNumerators[0]) << c.name;
            EXPECT_EQ(display->GetDenominator(), c.shownDenominators[0]) << c.name;
        }
        meter->Unref(1);
    }
}

TEST_F(DisplayDataTest, KeysTakeTheirAccidentalsAndMode) {
    const struct {
        short accidentals;
        unsigned char mode;
        int code;
    } cases[] = {{2, 0, 6}, {-3, 1, 26}, {0, 0, 8}};
    for (const auto& c : cases) {
        auto* key = new ECKey(c.accidentals, c.mode);
        key->Ref();
        ACUpdateDisplayData update;
        update.Apply(key);
        auto* display = dynamic_cast<DCctKey*>(key->GetData(DK_NOTATION, 0));
        ASSERT_NE(display, nullptr) << c.accidentals;
        EXPECT_EQ(display->GetKeyCode(), c.code) << c.accidentals;
        key->Unref(1);
    }
}

TEST_F(DisplayDataTest, AStaffWhoseFirstNotePlaysOnChannel10IsADrumStaff) {
    const struct {
        int channel;
        int staffType;
    } cases[] = {{10, 3}, {1, 0}, {11, 0}, {0, 0}};   // 0: a note without performer
    for (const auto& c : cases) {
        ECStaff* staff = Staff(1);
        staff->SetStaffType(0);
        ECMeasure* bar = Bar(1, 0.0f);
        ECNote* first = PutNote(bar, 0.0f);
        ECNote* second = PutNote(bar, 1.0f);
        if (c.channel)
            PlayOn(first, c.channel);
        PlayOn(second, 10);   // only the first note counts
        ACUpdateDisplayData update;
        update.SetConductor(m_conductor);
        update.Apply(staff);
        EXPECT_EQ(staff->GetStaffType(), c.staffType) << c.channel;
        EXPECT_NE(staff->GetData(DK_NOTATION, 0), nullptr);
        bar->RemoveChild(first, 1);
        bar->RemoveChild(second, 1);
    }
}

TEST_F(DisplayDataTest, WhichElementsGetADisplayObject) {
    ECMeasure* bar = Bar(1, 0.0f);
    ECNote* note = PutNote(bar, 0.0f);
    auto* dynamic = Put(bar, new ECDynamic, 1.0f);
    auto* openingTempo = new ECTempo;
    auto* laterTempo = new ECTempo;
    auto* tie = new ECTie;
    auto* slur = new ECSlur;
    const MCTime zero(0.0f);
    const MCTime later(4.0f);
    openingTempo->SetTime(&zero);
    laterTempo->SetTime(&later);
    for (ECBase* loose : std::initializer_list<ECBase*>{openingTempo, laterTempo, tie, slur})
        loose->Ref();
    tie->SetTime(&zero);
    slur->SetTime(&zero);
    // Ties and slurs are drawn only with a display object: one loaded
    // without it gets it when the file is notated (without create-all).
    const struct {
        int createAll;
        bool note, dynamic, opening, later, spans;
    } cases[] = {{0, true, false, true, false, true}, {1, true, true, true, true, true}};
    for (const auto& c : cases) {
        for (ECBase* event : std::initializer_list<ECBase*>{note, dynamic, openingTempo, laterTempo, tie, slur})
            event->RemoveData();
        ACUpdateDisplayData update;
        update.SetCreateAll(c.createAll);
        update.SetConductor(m_conductor);
        update.Apply(bar);
        for (ECBase* event : std::initializer_list<ECBase*>{openingTempo, laterTempo, tie, slur})
            update.Apply(event);
        EXPECT_EQ(Display(note) != nullptr, c.note) << c.createAll;
        EXPECT_EQ(Display(dynamic) != nullptr, c.dynamic) << c.createAll;
        EXPECT_EQ(Display(openingTempo) != nullptr, c.opening) << c.createAll;
        EXPECT_EQ(Display(laterTempo) != nullptr, c.later) << c.createAll;
        EXPECT_EQ(Display(tie) != nullptr, c.spans) << c.createAll;
        EXPECT_EQ(Display(slur) != nullptr, c.spans) << c.createAll;
    }
    for (ECBase* loose : std::initializer_list<ECBase*>{openingTempo, laterTempo, tie, slur})
        loose->Unref(1);
}

TEST_F(DisplayDataTest, MeasuresGetTheMarksOfTheirMeter) {
    ECMeasure* bar = Bar(1, 0.0f);
    ACUpdateDisplayData update;
    update.SetConductor(m_conductor);
    update.Apply(bar);
    auto* shown = dynamic_cast<DCctMeasure*>(bar->GetData(DK_NOTATION, 0));
    ASSERT_NE(shown, nullptr);
    ASSERT_EQ(shown->GetRuler().GetNumberOfRulerGroups(), 1);
    EXPECT_EQ(shown->GetRuler().GetRulerGroup()[0].marks.size(), 16u);   // 4/4 at a sixteenth
}

// The window [1, 2] (everything made that is met inside): the bar itself (at
// 0) is before it, its notes inside from 1 to 2, the next bar after it; an
// accidental, without a time of its own, is acted on wherever it hangs.
TEST_F(DisplayDataTest, TheWindowPassesElementsWithoutATimeOfTheirOwn) {
    ECMeasure* first = Bar(1, 0.0f);
    ECMeasure* second = Bar(1, 4.0f);
    ECNote* early = PutNote(first, 0.5f);
    ECNote* atStart = PutNote(first, 1.0f);
    ECNote* atEnd = PutNote(first, 2.0f);
    ECNote* late = PutNote(first, 2.5f);
    auto* mark = new ECAccidental;
    early->AddChild(mark, SORTED);

    ACUpdateDisplayData update;
    update.SetConductor(m_conductor);
    update.SetCreateAll(1);
    update.SetTimeRange(MCTime(1.0f), MCTime(2.0f));
    update.Apply(first);
    update.Reset();
    update.Apply(second);

    const struct {
        const char* name;
        ECBase* event;
        bool made;
    } cases[] = {{"bar", first, false}, {"0.5", early, false}, {"1", atStart, true}, {"2", atEnd, true},
                 {"2.5", late, false},  {"accidental", mark, true}, {"next bar", second, false}};
    for (const auto& c : cases)
        EXPECT_EQ(c.event->GetData(DK_NOTATION, 0) != nullptr, c.made) << c.name;
}

TEST_F(DisplayDataTest, AMeasureWithoutAConductorGetsItsDisplayButNoMarks) {
    ECMeasure* bar = Bar(2, 0.0f);
    ACUpdateDisplayData update;
    update.Apply(bar);
    auto* display = dynamic_cast<DCctMeasure*>(bar->GetData(DK_NOTATION, 0));
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->GetRuler().GetNumberOfRulerGroups(), 0);
}

}  // namespace
