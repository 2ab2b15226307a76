// The engine's settings and services: the preferences it starts from, the
// tuplet search a setting stands for, measure spans, showing accidentals by
// voice, the ruler resolution a measure's notes ask for, and the display
// data of a new measure column.
#include "notation/autonote/autonote.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/meter.h"
#include "model/modifiers.h"
#include "model/preferences.h"
#include "notation/autonote/clearing.h"
#include "notation/display/measure.h"
#include "notation/display/note.h"
#include "platform/core/profile.h"
#include "tests/notation/autonote/autonote_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using autonote_test::AutonoteTest;
using autonote_test::DisplayClasses;

constexpr const char* kNotation = "Settings\\Notation";
constexpr const char* kRecord = "Sequencer\\Midi\\Record";

// Removes the engine's keys from the test run's profile before and after.
class PreferenceKeys {
public:
    PreferenceKeys() { Clear(); }
    ~PreferenceKeys() { Clear(); }
    PreferenceKeys(const PreferenceKeys&) = delete;
    PreferenceKeys& operator=(const PreferenceKeys&) = delete;

private:
    static void Clear() {
        for (const char* key : {"Resolution", "Tuplets", "TupletUnit"})
            CProfile::Application().DeleteKey(kNotation, key);
        CProfile::Application().DeleteKey(kRecord, "Split Pitch");
    }
};

TEST(AutoNoteSettings, StartFromThePreferencesOrTheirDefaults) {
    PreferenceKeys keys;
    {
        CAutoNote engine;
        EXPECT_EQ(engine.GetResolution(), 64);
        EXPECT_EQ(engine.GetLookForTuplet(), -1);
        EXPECT_EQ(engine.GetTupletSearch().on, 0);
        EXPECT_EQ(engine.GetTupletUnit(), 3);
        EXPECT_EQ(engine.GetSplitPitch(), 60);
        EXPECT_EQ(engine.GetHiddenThreshold().GetTicks(256), 6);
        EXPECT_EQ(engine.GetNotateChunkSize(), CAutoNote::DEFAULT_CHUNK_SIZE);
        EXPECT_EQ(engine.GetView(), nullptr);
        EXPECT_EQ(engine.IsPrepared(), 0);
        EXPECT_EQ(engine.GetReplaceEvent(), 0);
    }
    ASSERT_NE(SaveIntPreference(kNotation, "Resolution", 32), 0);
    ASSERT_NE(SaveIntPreference(kNotation, "Tuplets", 1), 0);
    ASSERT_NE(SaveIntPreference(kNotation, "TupletUnit", 2), 0);
    ASSERT_NE(SaveIntPreference(kRecord, "Split Pitch", 48), 0);
    CAutoNote engine;
    EXPECT_EQ(engine.GetResolution(), 32);
    EXPECT_EQ(engine.GetLookForTuplet(), 1);
    EXPECT_EQ(engine.GetTupletSearch().on, 1);
    EXPECT_EQ(engine.GetTupletSearch().division, 3);
    EXPECT_EQ(engine.GetTupletUnit(), 2);
    EXPECT_EQ(engine.GetSplitPitch(), 48);
}

TEST(AutoNoteSettings, ATupletSettingStandsForASearchAndAHintForASetting) {
    const struct {
        int look, on, division;
    } settings[] = {{-5, 0, 3}, {-1, 0, 3}, {0, 1, 2}, {1, 1, 3}, {2, 1, 4}, {9, 1, 11}, {10, 1, 3}};
    CAutoNote engine;
    for (const auto& c : settings) {
        engine.SetLookForTuplet(c.look);
        EXPECT_EQ(engine.GetLookForTuplet(), c.look);
        EXPECT_EQ(engine.GetTupletSearch().on, c.on) << c.look;
        EXPECT_EQ(engine.GetTupletSearch().division, c.division) << c.look;
    }

    const struct {
        int division, stored;
    } hints[] = {{2, 0}, {3, 1}, {4, 2}, {11, 9}, {12, 1}, {1, 1}};
    for (const auto& c : hints) {
        engine.SetLookForTuplet(-1);
        engine.SetTupletHint(c.division, 0);
        EXPECT_EQ(engine.GetLookForTuplet(), c.stored) << c.division;
        // The search is told the division itself, on.
        EXPECT_EQ(engine.GetTupletSearch().on, 1) << c.division;
        EXPECT_EQ(engine.GetTupletSearch().division, c.division) << c.division;
    }
}

// Two staves, four 4/4 measures (the piece ends at 16 quarters).
class ServicesTest : public AutonoteTest {
protected:
    void SetUp() override {
        AutonoteTest::SetUp();
        MakeStaves(2);
        MakeMeasures(4);
    }
    ECConductorMeasure* Column(int number) {
        return dynamic_cast<ECConductorMeasure*>(m_conductor->GetMeasure(0, number));
    }
    CAutoNote engine;
};

TEST_F(ServicesTest, AMeasureSpansToTheNextOneOrThePiecesEnd) {
    auto* pastTheEnd = new ECMeasure;
    pastTheEnd->Ref();
    const MCTime sixteen(16.0f);
    pastTheEnd->SetTime(&sixteen);
    const struct {
        const char* name;
        ECBase* measure;
        float start, end;
    } cases[] = {
        {"first", Bar(1, 0.0f), 0.0f, 4.0f},
        {"a column", Column(2), 4.0f, 8.0f},
        {"last", Bar(2, 12.0f), 12.0f, 16.0f},
        {"at the end", pastTheEnd, 16.0f, 16.0f},
    };
    for (const auto& c : cases) {
        MCTime start, end;
        CAutoNote::GetRangeForMeasures(m_conductor, c.measure, start, end);
        EXPECT_EQ(start, MCTime(c.start)) << c.name;
        EXPECT_EQ(end, MCTime(c.end)) << c.name;
    }
    pastTheEnd->Unref(1);

    MCEventList list;
    m_conductor->GetMeasures(1, MCTime(4.0f), MCTime(13.0f), list);
    ASSERT_EQ(list.GetCount(), 3);
    MCTime start, end;
    CAutoNote::GetRangeForMeasures(m_conductor, list, start, end);
    EXPECT_EQ(start, MCTime(4.0f));
    EXPECT_EQ(end, MCTime(16.0f));
}

TEST_F(ServicesTest, AccidentalsAreShownInTheWindowForOneVoiceOrAll) {
    ECMeasure* bar = Bar(1, 0.0f);
    struct Marked {
        ECNote* note;
        ECAccidental* mark;
    };
    const auto put = [&](float quarters, int voice) {
        ECNote* note = PutNote(bar, quarters, 0.5f, voice);
        auto* mark = new ECAccidental;
        note->AddChild(mark, SORTED);
        return Marked{note, mark};
    };
    const Marked inVoice2 = put(1.0f, 2), inVoice3 = put(1.5f, 3), outside = put(3.0f, 2);
    MCEventList measures;
    measures.AddEvent(bar, UNSORTED);

    const struct {
        unsigned voice;
        bool voice2, voice3, late;
    } cases[] = {{VOICE_ALL, true, true, false}, {2, true, false, false}};
    for (const auto& c : cases) {
        for (const Marked& m : {inVoice2, inVoice3, outside})
            Display(m.mark, 1)->SetHidden(1);
        engine.UnhideAccidentalsInRange(measures, MCTime(1.0f), MCTime(2.0f), c.voice);
        EXPECT_EQ(!Display(inVoice2.mark)->IsHidden(), c.voice2) << c.voice;
        EXPECT_EQ(!Display(inVoice3.mark)->IsHidden(), c.voice3) << c.voice;
        EXPECT_EQ(!Display(outside.mark)->IsHidden(), c.late) << c.voice;
    }
}

TEST_F(ServicesTest, NotesShorterThanTheResolutionRefineTheRuler) {
    // Real notated displays for notes and rests, whose tick lengths are read.
    DisplayClasses notated({ET_NOTE}, RUNTIME_CLASS(DCctNote));
    DisplayClasses rests({ET_REST}, RUNTIME_CLASS(DCctNotate));
    const struct {
        const char* name;
        int type;
        WORD ticks;
        WORD resolution;
    } cases[] = {
        {"a thirty-second note", ET_NOTE, 32, 32},
        {"a quarter note", ET_NOTE, 256, 64},
        {"only a thirty-second rest", ET_REST, 32, 64},
    };
    ECMeter* meter = m_conductor->GetMeterAtTime(MCTime(0.0f));
    for (const auto& c : cases) {
        auto* bar = new ECMeasure;   // a measure of its own for each case
        bar->Ref();
        ECBase* element = c.type == ET_NOTE ? static_cast<ECBase*>(new ECNote) : new ECRest;
        Put(bar, element, 0.0f);
        auto* display = dynamic_cast<DCctNotate*>(element->GetData(DK_NOTATION, 1));
        ASSERT_NE(display, nullptr) << c.name;
        display->SetTickDuration(c.ticks);
        MCRuler ruler;
        ruler.CreateDivMarks(meter, engine.GetResolution());
        engine.UpdateResolution(bar, meter, ruler);
        EXPECT_EQ(ruler.GetResolution(0x4000), c.resolution) << c.name;
        bar->RemoveChildren(1);
        bar->Unref(1);
    }
}

TEST_F(ServicesTest, ANewColumnGetsItsDisplayObjectsAndGoesToTheUpdateList) {
    MCEventList all;
    m_conductor->GetMeasures(TRACK_ALL, 1, 4, all);
    for (POSITION pos = all.GetHeadPosition(); pos;)
        all.GetNext(pos)->RemoveData();

    engine.CreateDataForNewMeasureBlock(m_conductor, Column(2));
    const auto marks = [](ECBase* measure) {
        auto* display = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0));
        MCRuler* ruler = display ? &display->GetRuler() : nullptr;
        return ruler && ruler->GetNumberOfRulerGroups() ? static_cast<int>(ruler->GetRulerGroup()[0].marks.size())
                                                         : -1;
    };
    EXPECT_NE(Column(2)->GetData(DK_NOTATION, 0), nullptr);
    EXPECT_EQ(marks(Bar(1, 4.0f)), 16);
    EXPECT_EQ(marks(Bar(2, 4.0f)), 16);
    EXPECT_EQ(Column(1)->GetData(DK_NOTATION, 0), nullptr);
    EXPECT_EQ(Bar(1, 0.0f)->GetData(DK_NOTATION, 0), nullptr);
    MCEventList& listed = engine.GetDirtyRect().GetEvents();
    EXPECT_EQ(listed.GetCount(), 2);
    EXPECT_NE(listed.Find(Bar(1, 4.0f)), nullptr);
    EXPECT_NE(listed.Find(Bar(2, 4.0f)), nullptr);

    // Over a span: the columns of measures 3 and 4 only.
    engine.CreateDataForNewMeasureBlock(m_conductor, MCTime(8.0f), MCTime(16.0f));
    for (float at : {8.0f, 12.0f})
        EXPECT_EQ(marks(Bar(2, at)), 16) << at;
    EXPECT_EQ(Bar(2, 0.0f)->GetData(DK_NOTATION, 0), nullptr);
    engine.GetDirtyRect().Clear();
}

}  // namespace
