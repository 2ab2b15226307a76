// The performance, repeat and tremolo displays: glyphs by type, the repeat's
// place in its bar (and the rests it hides), the tremolo's place on its
// parent's stem.
#include "notation/display/performance.h"
#include "notation/display/repeat.h"
#include "notation/display/tremolo.h"

#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/measure.h"
#include "notation/display/records.h"
#include "tests/model/piece_support.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/support/durationgate.h"

#include <gtest/gtest.h>

namespace {

TEST(PerformanceDisplayTest, DrawsNothingAndHasNoFrame) {
    DCctPerformance root;
    DisplayCanvas canvas(8, 8, 0, 0);
    EXPECT_EQ(root.Draw(&canvas.dc, CPoint(0, 0), nullptr), DCctBase::DRAW_NOTHING);
    EXPECT_EQ(root.FrameDirty(), 1);
    root.SetSize(&canvas.dc);
    EXPECT_EQ(root.FrameDirty(), 0);
    EXPECT_EQ(root.GetWidth(), 0);
}

TEST(SmallDisplaysTest, RegisteredForTheirEventTypes) {
    EXPECT_EQ(notation_test::StartPlugin(), 87);
    EXPECT_EQ(CPluginData::GetDataClass(DK_NOTATION, ET_PERFORMANCE), RUNTIME_CLASS(DCctPerformance));
    EXPECT_EQ(CPluginData::GetDataClass(DK_NOTATION, ET_REPEAT), RUNTIME_CLASS(DCctRepeat));
    EXPECT_EQ(CPluginData::GetDataClass(DK_NOTATION, ET_TREMOLO), RUNTIME_CLASS(DCctTremolo));
}

TEST(SmallDisplaysTest, GlyphsByType) {
    const struct {
        int type;
        UINT repeat, tremolo;
    } cases[] = {
        {0, 213, 33}, {1, 213, 64}, {2, 213, 190}, {3, 199, 0}, {4, 212, 0}, {5, 34, 0}, {6, 0, 0}, {255, 0, 0},
    };
    for (const auto& c : cases) {
        ECRepeat repeat(static_cast<unsigned char>(c.type));
        DCctRepeat repeatDisplay;
        repeatDisplay.SetOwner(&repeat);
        EXPECT_EQ(repeatDisplay.GetFontFromType(), c.repeat) << c.type;
        ECTremolo tremolo(static_cast<unsigned char>(c.type));
        DCctTremolo tremoloDisplay;
        tremoloDisplay.SetOwner(&tremolo);
        EXPECT_EQ(tremoloDisplay.GetFontFromType(), c.tremolo) << c.type;
    }
    DCctRepeat ownerless;
    EXPECT_EQ(ownerless.GetFontFromType(), 0u);
}

// One 4/4 staff of two bars, display objects registered, the notehead 100.
class RepeatTest : public piece::PieceTest {
protected:
    void SetUp() override {
        PieceTest::SetUp();
        notation_test::StartPlugin();
        // Rests stand in with the plain display element.
        m_restCell = CPluginData::GetDataClass(DK_NOTATION, ET_REST);
        CPluginData::GetDataClass(DK_NOTATION, ET_REST) = RUNTIME_CLASS(DCctBase);
        MakeStaves(1);
        MakeMeasures(2);
    }
    ECMeasure* Bar(int track, float quarters) { return m_conductor->GetMeasure(track, MCTime(quarters), 0, 1); }
    // The first bar's column with a display and 4/4 marks at an eighth.
    MCRuler& ColumnRuler() {
        ECMeasure* column = Bar(0, 0.0f);
        auto* display = dynamic_cast<DCctConductorMeasure*>(column->GetData(DK_NOTATION, 1));
        MCRuler& ruler = display->GetRuler();
        ruler.CreateDivMarks(m_conductor->GetMeterAtTime(MCTime(0.0f)), 128);
        return ruler;
    }
    ECRepeat* AddRepeat(ECMeasure* bar, int type, float quarters, int voice) {
        auto* repeat = new ECRepeat(static_cast<unsigned char>(type));
        const MCTime time(quarters);
        repeat->SetTime(&time);
        repeat->GetVoiceTrack()->SetVoice(voice);
        bar->AddChild(repeat, SORTED);
        return repeat;
    }
    ECRest* AddRest(ECMeasure* bar, float quarters) {
        auto* rest = new ECRest;
        const MCTime time(quarters);
        rest->SetTime(&time);
        bar->AddChild(rest, SORTED);
        rest->GetData(DK_NOTATION, 1);
        return rest;
    }
    static DCctBase* Display(ECBase* event) { return dynamic_cast<DCctBase*>(event->GetData(DK_NOTATION, 1)); }

    void TearDown() override {
        CPluginData::GetDataClass(DK_NOTATION, ET_REST) = m_restCell;
        PieceTest::TearDown();
    }

    MusicFontScope m_font{100};
    const CRuntimeClass* m_restCell = nullptr;
};

TEST_F(RepeatTest, CentredTypesAtHalfTheBarlineOthersAtTheirTick) {
    MCRuler& ruler = ColumnRuler();
    ASSERT_GT(ruler.GetBarlineX(), 1);
    const int atBeat2 = ruler.GetXPositionForTick(256, 0x4000);
    const struct {
        int type;
        float quarters;
        int x;
    } cases[] = {
        {4, 1.0f, ruler.GetBarlineX() / 2},
        {5, 0.0f, ruler.GetBarlineX() / 2},
        {0, 1.0f, atBeat2},
        {3, 1.0f, atBeat2},
    };
    ECMeasure* bar = Bar(1, 0.0f);
    for (const auto& c : cases) {
        ECRepeat* repeat = AddRepeat(bar, c.type, c.quarters, 0);
        DCctBase* display = Display(repeat);
        EXPECT_EQ(display->Position(m_conductor, nullptr, nullptr, nullptr), 1) << c.type;
        EXPECT_EQ(display->GetX(), c.x) << c.type;
        EXPECT_EQ(display->GetY(), -300) << c.type;
    }
}

TEST_F(RepeatTest, LowerStaffVoiceTakesTheLeftHandOffset) {
    ColumnRuler();
    ECMeasure* bar = Bar(1, 0.0f);
    auto* barDisplay = dynamic_cast<DCctMeasure*>(bar->GetData(DK_NOTATION, 1));
    DCctBase* display = Display(AddRepeat(bar, 0, 0.0f, 4));
    ASSERT_EQ(display->Position(m_conductor, nullptr, bar, nullptr), 1);
    EXPECT_EQ(display->GetY(), barDisplay->GetLeftHandOffset() - 300);
    EXPECT_NE(barDisplay->GetLeftHandOffset(), 0);
}

TEST_F(RepeatTest, PlacingHidesTheRestsOfItsBarOnly) {
    ColumnRuler();
    ECMeasure* first = Bar(1, 0.0f);
    ECRest* mine1 = AddRest(first, 0.0f);
    ECRest* mine2 = AddRest(first, 2.0f);
    ECRest* other = AddRest(Bar(1, 4.0f), 4.0f);
    ASSERT_EQ(Display(AddRepeat(first, 1, 0.0f, 0))->Position(m_conductor, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(Display(mine1)->IsHidden(), 1);
    EXPECT_EQ(Display(mine2)->IsHidden(), 1);
    EXPECT_EQ(Display(other)->IsHidden(), 0);
}

TEST_F(RepeatTest, MissingMeasureColumnOrItsDisplayIsNotPlaced) {
    ECMeasure* bar = Bar(1, 0.0f);
    ECRest* rest = AddRest(bar, 0.0f);
    // No display on the conductor measure yet.
    DCctBase* display = Display(AddRepeat(bar, 4, 0.0f, 0));
    EXPECT_EQ(display->Position(m_conductor, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(Display(rest)->IsHidden(), 0);
    // Outside any measure.
    ECRepeat loose(4);
    DCctRepeat looseDisplay;
    looseDisplay.SetOwner(&loose);
    EXPECT_EQ(looseDisplay.Position(m_conductor, nullptr, nullptr, nullptr), 0);
}

// A tremolo under a parent of each type; the parent's stem direction as told.
class TremoloTest : public ::testing::Test {
protected:
    void TearDown() override { DCctTremolo::s_stemDirectionOf = m_saved; }
    static int s_direction;
    DCctTremolo::StemDirectionQuery m_saved = DCctTremolo::s_stemDirectionOf;
    MusicFontScope m_font{100};
};
int TremoloTest::s_direction = 0;

TEST_F(TremoloTest, OnTheStemSideOfANoteOrChordOnly) {
    DCctTremolo::s_stemDirectionOf = [](DCctBase*) { return s_direction; };
    const int w = MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT);
    const struct {
        const char* parent;
        int direction;
        int placed;
        int x, y;
    } cases[] = {
        {"note", 0, 1, w - 15, 150},
        {"chord", 0, 1, w - 15, 150},
        {"note", 1, 1, -15, -150 - 40},
        {"chord", 1, 1, -15, -150 - 40},
        {"rest", 0, 0, 7, 7},
        {"none", 0, 0, 7, 7},
    };
    for (const auto& c : cases) {
        const std::string kind = c.parent;
        ECBase* parent = kind == "note" ? static_cast<ECBase*>(new ECNote) : kind == "chord" ? static_cast<ECBase*>(new ECChord)
                       : kind == "rest" ? static_cast<ECBase*>(new ECRest) : nullptr;
        if (parent)
            parent->Ref();
        auto* tremolo = new ECTremolo(0);
        tremolo->Ref();
        if (parent)
            parent->AddChild(tremolo, SORTED);
        DCctTremolo display;
        display.SetOwner(tremolo);
        MCMusicFont::MusicFontMetrics box;
        box.SetWidth(31);
        box.SetHeight(40);
        display.SetMetrics(box);
        display.SetPosition(7, 7);
        s_direction = c.direction;
        EXPECT_EQ(display.Position(nullptr, nullptr, nullptr, nullptr), c.placed) << c.parent << c.direction;
        EXPECT_EQ(display.GetX(), c.x) << c.parent << c.direction;
        EXPECT_EQ(display.GetY(), c.y) << c.parent << c.direction;
        if (parent) {
            parent->RemoveChild(tremolo, 0);
            parent->Unref(1);
        }
        tremolo->Unref(1);
    }
}

}  // namespace
