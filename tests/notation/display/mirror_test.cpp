// The mirror display: its answers without (live) mirror data, forwarding to
// the shown element's display, and the measure ruler's mirror handler.
#include "notation/display/clef.h"
#include "notation/display/key.h"
#include "notation/display/mirror.h"
#include "notation/display/records.h"
#include "notation/layout/ruler.h"

#include "model/markings.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/mirror.h"
#include "tests/model/piece_support.h"
#include "tests/notation/display/clefkey_support.h"
#include "tests/notation/layout/ruler_support.h"

#include <gtest/gtest.h>

namespace {

constexpr int kH = 120;

// Every answer of a mirror that has nothing (alive) to show.
void ExpectAnswersWithoutData(DCctMirror& mirror) {
    DisplayCanvas canvas(200, 200, 100, 100);
    EXPECT_EQ(mirror.Draw(&canvas.dc, CPoint(0, 0), nullptr), DCctMirror::NO_DATA);
    EXPECT_FALSE(clefkey::InkIn(canvas.Image(), 100, 100));
    EXPECT_EQ(mirror.Position(nullptr, nullptr, nullptr, nullptr), 0);
    CRect frame(1, 9, 5, 2);
    mirror.GetFrame(&frame, 0);
    EXPECT_EQ(frame, CRect(0, 0, 0, 0));
    frame = CRect(1, 9, 5, 2);
    mirror.GetVirtualFrame(&frame, 0);
    EXPECT_EQ(frame, CRect(0, 0, 0, 0));
    frame = CRect(1, 9, 5, 2);
    int maxY = 0;
    mirror.GetTotalFrame(&frame, CPoint(0, 0), &maxY);
    EXPECT_EQ(frame, CRect(0, 0, 0, 0));
    EXPECT_EQ(mirror.GetWidth(), -1);
    EXPECT_EQ(mirror.GetHeight(), -1);
    EXPECT_EQ(mirror.HitTest(CPoint(0, 0), CPoint(0, 0), 0), DCctMirror::NO_DATA);
    CRect probe(-10, 10, 10, -10);
    EXPECT_EQ(mirror.HitTest(&probe, CPoint(0, 0), 0), DCctMirror::NO_DATA);
    EXPECT_EQ(mirror.IsIn(&probe, CPoint(0, 0), 1, 0), DCctMirror::NO_DATA);
    DCctClef other;
    EXPECT_EQ(mirror.CollideTest(&other), 0);
}

TEST(MirrorDisplayTest, WithoutDataNothingIsAnswered) {
    MusicFontScope font(kH);
    DCctMirror mirror;
    EXPECT_EQ(mirror.GetLocation(), 1);
    EXPECT_EQ(mirror.IsProlog(), 1);
    ExpectAnswersWithoutData(mirror);
    // Data given to a mirror that shows no event is not trusted either.
    DCctClef clef;
    mirror.SetMirrorData(&clef);
    EXPECT_EQ(mirror.GetMirrorData(), nullptr);
    ExpectAnswersWithoutData(mirror);
}

TEST(MirrorDisplayTest, HeadAloneInTheArchiveAndACopyStartsAfresh) {
    DCctMirror mirror;
    mirror.SetProlog(0);
    mirror.SetLocation(0);
    mirror.SetPosition(30, -40);
    DCctBase head;
    head.SetStateWord(mirror.GetStateWord());
    head.SetPosition(30, -40);
    const clefkey::Bytes bytes = clefkey::Store(&mirror);
    EXPECT_EQ(bytes, clefkey::Store(&head));
    DCctMirror loaded;
    clefkey::Load(&loaded, bytes);
    EXPECT_EQ(loaded.IsProlog(), 0);
    EXPECT_EQ(loaded.GetLocation(), 0);
    EXPECT_EQ(loaded.GetPosition(), CPoint(30, -40));

    const DCctMirror copy(mirror);
    EXPECT_EQ(copy.IsProlog(), 1);
    EXPECT_EQ(copy.GetLocation(), 1);
}

// ---- a mirror in a piece ---------------------------------------------------------------

struct MirrorInPieceTest : piece::PieceTest {
    void SetUp() override {
        PieceTest::SetUp();
        InitPlugins();
        MakeStaves(1);
        MakeMeasures(2);
    }
    ECMeasure* Measure(int number) { return m_conductor->GetMeasure(1, number); }
    // An event at `time` in the measure, on staff 1.
    template <class Mark>
    Mark* Add(Mark* mark, int measure, float time) {
        const MCTime at(time);
        mark->SetTime(&at);
        mark->SetVoiceTrack(0, 1);
        EXPECT_TRUE(Measure(measure)->AddChild(mark, SORTED));
        return mark;
    }
    // A mirror of `shown` (given its display) at the start of measure `number`.
    DCctMirror* MirrorOf(ECBase* shown, int number, int prolog) {
        auto* mirror = Add(new ECMirror, number, 4.0f * static_cast<float>(number - 1));
        auto* display = dynamic_cast<DCctMirror*>(mirror->GetData(DK_NOTATION, 1));
        EXPECT_NE(display, nullptr);
        mirror->SetMirrorEvent(shown, 1);
        display->SetMirrorData(dynamic_cast<DCctBase*>(shown->GetData(DK_NOTATION, 1)));
        display->SetProlog(prolog);
        return display;
    }
};

TEST_F(MirrorInPieceTest, AnswersForTheShownElementUntilItIsDeleted) {
    MusicFontScope font(kH);
    ECClef* clef = Add(new ECClef(DCctClef::CLEF_BASS), 1, 0.0f);
    auto* clefDisplay = dynamic_cast<DCctClef*>(clef->GetData(DK_NOTATION, 1));
    ASSERT_NE(clefDisplay, nullptr);
    DisplayCanvas canvas(200, 200, 100, 100);
    clefDisplay->SetSize(&canvas.dc);
    clefDisplay->SetPosition(40, 0);
    clefDisplay->SetPositionDirty(0);   // placed
    DCctMirror* mirror = MirrorOf(clef, 2, 1);
    ASSERT_EQ(mirror->GetMirrorData(), clefDisplay);

    EXPECT_EQ(mirror->GetWidth(), clefDisplay->GetWidth());
    EXPECT_GT(mirror->GetWidth(), 0);
    EXPECT_EQ(mirror->GetHeight(), clefDisplay->GetHeight());
    CRect own, shown;
    mirror->GetFrame(&own, 0);
    clefDisplay->GetFrame(&shown, 0);
    EXPECT_EQ(own, shown);
    const CPoint inside = shown.CenterPoint();
    EXPECT_EQ(mirror->HitTest(inside, CPoint(0, 0), 0), DCctBase::HIT_INSIDE);
    EXPECT_EQ(mirror->CollideTest(clefDisplay), 1);

    // A copy does not take the data along.
    DCctMirror copy(*mirror);
    copy.SetOwner(mirror->GetOwner());
    EXPECT_EQ(copy.GetMirrorData(), nullptr);

    // Deleting the clef deletes its display: the mirror's pointer is stale
    // and must never be followed (AddressSanitizer watches).
    ASSERT_TRUE(Measure(1)->RemoveChild(clef, 1));
    EXPECT_EQ(mirror->GetMirrorData(), nullptr);
    ExpectAnswersWithoutData(*mirror);
}

TEST_F(MirrorInPieceTest, DataForAnotherElementIsNotUsed) {
    ECClef* clef = Add(new ECClef(0), 1, 0.0f);
    ECKey* key = Add(new ECKey(2, 0), 1, 0.0f);
    DCctMirror* mirror = MirrorOf(clef, 2, 1);
    mirror->SetMirrorData(dynamic_cast<DCctBase*>(key->GetData(DK_NOTATION, 1)));
    EXPECT_EQ(mirror->GetMirrorData(), nullptr);
    EXPECT_EQ(mirror->GetWidth(), -1);
}

// ---- the measure ruler's mirror handler ----------------------------------------------

struct MirrorRulerTest : ::testing::Test {
    NoteheadScope notehead;   // notehead 156 wide, 120 high
    MusicFontScope font{kH};
    ECMeter meter{4, 4, 255};
    MCRuler ruler;
    ECMeasure* measure = new ECMeasure;

    void SetUp() override {
        InitPlugins();
        measure->Ref();
        const MCTime zero(0.0f);
        measure->SetTime(&zero);
        ruler.CreateDivMarks(&meter, 64);
    }
    void TearDown() override { measure->Unref(1); }

    template <class Mark>
    Mark* Add(Mark* mark, float time, int display = 1) {
        const MCTime at(time);
        mark->SetTime(&at);
        measure->AddChild(mark, SORTED);
        if (display)
            mark->GetData(DK_NOTATION, 1);
        return mark;
    }
    ECMirror* MirrorOf(ECBase* shown, int prolog, int display = 1) {
        auto* mirror = Add(new ECMirror, 0.0f, display);
        mirror->SetMirrorEvent(shown, 1);
        if (auto* own = dynamic_cast<DCctMirror*>(mirror->GetData(DK_NOTATION, 0)))
            own->SetProlog(prolog);
        return mirror;
    }
    // D major laid out on a treble clef: the last sharp a notehead height in.
    ECKey* DMajor(int display = 1) {
        ECKey* key = Add(new ECKey(2, 0), 0.0f, display);
        if (auto* keyDisplay = dynamic_cast<DCctKey*>(key->GetData(DK_NOTATION, 0))) {
            keyDisplay->SetClef(DCctClef::CLEF_TREBLE);
            keyDisplay->SetKey(2, 0);
        }
        return key;
    }
};

TEST_F(MirrorRulerTest, ClefIsForcedIntoThePrologue) {
    ECClef* clef = Add(new ECClef(DCctClef::CLEF_BASS), 2.0f);
    ECMirror* mirror = MirrorOf(clef, 0);
    EXPECT_EQ(ruler.DoMirror(mirror, 0), 1);
    EXPECT_TRUE(ruler.IsClefInProlog());
    EXPECT_EQ(ruler.DoMirror(mirror, 1), 1);
    EXPECT_FALSE(ruler.IsClefInProlog());
}

TEST_F(MirrorRulerTest, KeyWithThePrologBitTakesTheKeySlot) {
    ECMirror* mirror = MirrorOf(DMajor(), 1);
    const int keySlot = ruler.GetPrologX(MCRuler::PROLOG_KEY);
    EXPECT_EQ(ruler.DoMirror(mirror, 0), 1);
    EXPECT_EQ(ruler.GetPrologX(MCRuler::PROLOG_METER), keySlot + kH + 300);
    EXPECT_EQ(ruler.GetPostlog(), nullptr);
    EXPECT_EQ(ruler.DoMirror(mirror, 1), 1);
    EXPECT_FALSE(ruler.IsKeyInProlog());
}

TEST_F(MirrorRulerTest, CourtesyKeyCreatesThePostlogueAndItsWithdrawalDeletesIt) {
    ECMirror* mirror = MirrorOf(DMajor(), 0);
    const int width = ruler.GetWidth();
    const int prologEnd = ruler.GetPrologX(MCRuler::PROLOG_END);
    ASSERT_EQ(ruler.GetPostlog(), nullptr);

    EXPECT_EQ(ruler.DoMirror(mirror, 0), 1);
    ASSERT_NE(ruler.GetPostlog(), nullptr);
    EXPECT_TRUE(ruler.IsKeyInPostlog());
    EXPECT_FALSE(ruler.IsKeyInProlog());
    EXPECT_EQ(ruler.GetPrologX(MCRuler::PROLOG_END), prologEnd);
    // Half a notehead before it, the key's accidentals and half a notehead after.
    EXPECT_EQ(ruler.GetPostlogX(MCRuler::POSTLOG_METER, 0) - ruler.GetPostlogX(MCRuler::POSTLOG_KEY, 0), kH + 78);
    EXPECT_EQ(ruler.GetWidth(), width + 78 + kH + 78);
    EXPECT_EQ(ruler.GetPostlogX(MCRuler::POSTLOG_KEY, 1), ruler.GetBarlineX() + 78);

    EXPECT_EQ(ruler.DoMirror(mirror, 1), 1);
    EXPECT_EQ(ruler.GetPostlog(), nullptr);
    EXPECT_EQ(ruler.GetWidth(), width);
}

TEST_F(MirrorRulerTest, WithoutDisplayObjectsAnswerZero) {
    const int width = ruler.GetWidth();
    const int prologEnd = ruler.GetPrologX(MCRuler::PROLOG_END);
    ECKey* key = DMajor();
    ECClef* clef = Add(new ECClef(0), 0.0f, 0);
    const struct {
        const char* what;
        ECBase* element;
    } cases[] = {
        {"no element", nullptr},
        {"not a mirror", key},
        {"a mirror of nothing", MirrorOf(nullptr, 0)},
        {"a clef without display", MirrorOf(clef, 0)},
        {"a key mirror without display", MirrorOf(key, 0, 0)},
        {"a key without display", MirrorOf(DMajor(0), 0)},
        {"a key without display, prologue", MirrorOf(DMajor(0), 1)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ruler.DoMirror(c.element, 0), 0) << c.what;
        EXPECT_EQ(ruler.DoMirror(c.element, 1), 0) << c.what;
    }
    EXPECT_EQ(ruler.GetWidth(), width);
    EXPECT_EQ(ruler.GetPrologX(MCRuler::PROLOG_END), prologEnd);
    EXPECT_EQ(ruler.GetPostlog(), nullptr);
}

}  // namespace
