// The measure ruler's clef and key handlers: what a clef or key entered
// takes of the prologue, and gives back when withdrawn.
#include "notation/display/clef.h"
#include "notation/display/key.h"
#include "notation/display/records.h"
#include "notation/layout/ruler.h"

#include "model/markings.h"
#include "model/measure.h"
#include "model/meter.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/layout/ruler_support.h"
#include "tests/notation/support/durationgate.h"

#include <gtest/gtest.h>

namespace {

constexpr int kH = 120;

struct RulerHandlerTest : ::testing::Test {
    NoteheadScope notehead;   // the ruler's: notehead height 120
    MusicFontScope font{kH};  // the key's accidentals one notehead apart
    ECMeter meter{4, 4, 255};
    MCRuler ruler;
    ECMeasure* measure = new ECMeasure;

    void SetUp() override {
        notation_test::StartPlugin();
        measure->Ref();
        const MCTime zero(0.0f);
        measure->SetTime(&zero);
        ruler.CreateDivMarks(&meter, 64);
        ASSERT_EQ(MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT), kH);
    }
    void TearDown() override {
        measure->RemoveChildren(1);   // the marks go with the measure
        measure->Unref(1);
    }

    template <class Mark>
    Mark* Add(Mark* mark, float time) {
        const MCTime at(time);
        mark->SetTime(&at);
        measure->AddChild(mark, SORTED);
        mark->GetData(DK_NOTATION, 1);
        return mark;
    }
    int Slot(int slot) const { return ruler.GetPrologX(slot); }
};

TEST_F(RulerHandlerTest, ClefAtTheStartTakesTheClefSlot) {
    ECClef* clef = Add(new ECClef(0), 0.0f);
    const int start = Slot(MCRuler::PROLOG_CLEF);
    EXPECT_EQ(ruler.DoClef(clef, 0, 0), 1);
    EXPECT_EQ(Slot(MCRuler::PROLOG_KEY), start + 420);
    EXPECT_TRUE(ruler.IsClefInProlog());
    EXPECT_EQ(ruler.DoClef(clef, 1, 0), 1);
    EXPECT_EQ(Slot(MCRuler::PROLOG_KEY), start);
    EXPECT_FALSE(ruler.IsClefInProlog());
}

TEST_F(RulerHandlerTest, ClefInsideTheMeasureTakesNothingUnlessForced) {
    ECClef* clef = Add(new ECClef(3), 2.0f);
    const int before = Slot(MCRuler::PROLOG_END);
    EXPECT_EQ(ruler.DoClef(clef, 0, 0), 1);
    EXPECT_EQ(ruler.DoClef(clef, 1, 0), 1);
    EXPECT_EQ(Slot(MCRuler::PROLOG_END), before);
    EXPECT_FALSE(ruler.IsClefInProlog());
    // A mirror forces it into the prologue wherever it stands.
    EXPECT_EQ(ruler.DoClef(clef, 0, 1), 1);
    EXPECT_TRUE(ruler.IsClefInProlog());
}

TEST_F(RulerHandlerTest, KeyWithAccidentalsTakesTheKeySlot) {
    ECKey* key = Add(new ECKey(2, 0), 0.0f);
    auto* display = dynamic_cast<DCctKey*>(key->GetData(DK_NOTATION, 0));
    ASSERT_NE(display, nullptr);
    display->SetClef(0);
    display->SetKey(2, 0);   // D major: two sharps, the last one notehead to the right
    EXPECT_EQ(ruler.DoKey(key, 0), 1);
    EXPECT_EQ(Slot(MCRuler::PROLOG_METER), Slot(MCRuler::PROLOG_KEY) + 120 + 300);
    EXPECT_EQ(ruler.DoKey(key, 1), 1);
    EXPECT_FALSE(ruler.IsKeyInProlog());

    // C major changes nothing.
    display->SetKey(0, 0);
    const int before = Slot(MCRuler::PROLOG_END);
    EXPECT_EQ(ruler.DoKey(key, 0), 1);
    EXPECT_EQ(Slot(MCRuler::PROLOG_END), before);
    EXPECT_FALSE(ruler.IsKeyInProlog());
}

TEST_F(RulerHandlerTest, WithoutDisplayObjectAnswerZero) {
    auto* clef = new ECClef(0);
    auto* key = new ECKey(2, 0);
    clef->Ref();
    key->Ref();
    const int before = Slot(MCRuler::PROLOG_END);
    EXPECT_EQ(ruler.DoClef(clef, 0, 1), 0);
    EXPECT_EQ(ruler.DoKey(key, 0), 0);
    EXPECT_EQ(ruler.DoClef(nullptr, 0, 0), 0);
    EXPECT_EQ(ruler.DoKey(nullptr, 0), 0);
    EXPECT_EQ(Slot(MCRuler::PROLOG_END), before);
    clef->Unref(1);
    key->Unref(1);
}

}  // namespace
