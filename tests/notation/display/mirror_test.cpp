// The mirror display: its answers without (live) mirror data, forwarding to
// the shown element's display, and the measure ruler's mirror handler.
#include "notation/display/clef.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/key.h"
#include "notation/display/meter.h"
#include "notation/display/mirror.h"
#include "notation/display/records.h"
#include "notation/layout/ruler.h"

#include "model/markings.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/mirror.h"
#include "tests/model/piece_support.h"
#include "tests/notation/display/clefkey_support.h"
#include "tests/notation/display/conductor_support.h"
#include "tests/notation/layout/ruler_support.h"
#include "tests/notation/support/durationgate.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

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
        notation_test::StartPlugin();
        MakeStaves(1);
        MakeMeasures(2);
    }
    ECMeasure* Measure(int number) { return m_conductor->GetMeasure(1, number); }
    // The ruler of conductor measure `number`'s display (made when missing).
    MCRuler* ColumnRuler(int number) {
        ECMeasure* column = m_conductor->GetMeasure(0, number);
        auto* display = column ? dynamic_cast<DCctConductorMeasure*>(column->GetData(DK_NOTATION, 1)) : nullptr;
        return display ? &display->GetRuler() : nullptr;
    }
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

// The heights of the key's accidentals as last laid out.
std::vector<int> Heights(const DCctKey& key) {
    std::vector<int> heights;
    for (const DCctKey::Accidental& accidental : key.GetAccidentals())
        heights.push_back(accidental.y);
    return heights;
}

void ExpectSameInk(const QImage& drawn, const QImage& expected, int originX, int originY) {
    const auto ink = clefkey::InkIn(drawn, originX, originY);
    const auto want = clefkey::InkIn(expected, originX, originY);
    ASSERT_TRUE(ink);
    ASSERT_TRUE(want);
    EXPECT_NEAR(ink->left, want->left, 1);
    EXPECT_NEAR(ink->right, want->right, 1);
    EXPECT_NEAR(ink->top, want->top, 1);
    EXPECT_NEAR(ink->bottom, want->bottom, 1);
}

TEST_F(MirrorInPieceTest, CourtesyKeyAtThePostlogXForTheMirrorsClef) {
    MusicFontScope font(kH);
    Add(new ECClef(DCctClef::CLEF_BASS), 1, 0.0f);
    Add(new ECClef(DCctClef::CLEF_TREBLE), 2, 4.0f);
    ECKey* key = Add(new ECKey(2, 0), 2, 4.0f);
    Staff(1)->RebuildCache();
    auto* keyDisplay = dynamic_cast<DCctKey*>(key->GetData(DK_NOTATION, 1));
    ASSERT_NE(keyDisplay, nullptr);
    keyDisplay->SetKey(2, 0);
    keyDisplay->SetPosition(700, 0);
    // Not a whole number of tenths of the notehead (12 units): a round trip
    // through tenths would move it.
    keyDisplay->SetStoredOffset(CSize(37, -11));
    DCctMirror* mirror = MirrorOf(key, 1, 0);
    MCRuler* here = ColumnRuler(1);
    ASSERT_NE(here, nullptr);
    ASSERT_EQ(here->DoMirror(mirror->GetOwner(), 0), 1);
    const int x = here->GetPostlogX(MCRuler::POSTLOG_KEY, 1);
    ASSERT_GT(x, 0);

    constexpr int originX = 50;
    constexpr int originY = 400;
    DisplayCanvas canvas(x + 500, 700, originX, originY);
    EXPECT_EQ(mirror->Draw(&canvas.dc, CPoint(0, 0), nullptr), DCctBase::DRAW_DONE);
    EXPECT_EQ(Heights(*keyDisplay), (std::vector<int>{-kH, -5 * kH / 2}));   // D major on the bass clef

    // What D major on the bass clef looks like at the postlogue's x.
    DCctKey bass;
    bass.SetClef(DCctClef::CLEF_BASS);
    bass.SetKey(2, 0);
    DisplayCanvas expected(x + 500, 700, originX, originY);
    bass.Draw(&expected.dc, CPoint(x, 0), nullptr);
    ExpectSameInk(canvas.Image(), expected.Image(), originX, originY);

    // The key itself is as it was, and looks its clef up again.
    EXPECT_EQ(keyDisplay->GetStoredOffset(), CSize(37, -11));
    EXPECT_EQ(keyDisplay->GetPosition(), CPoint(737, -11));
    EXPECT_EQ(keyDisplay->GetClef(), DCctKey::CLEF_LOOK_UP);
    keyDisplay->Assemble();
    EXPECT_EQ(Heights(*keyDisplay), (std::vector<int>{0, -3 * kH / 2}));
}

TEST_F(MirrorInPieceTest, KeyLaidOutForTheClefWhereTheMirrorStands) {
    MusicFontScope font(kH);
    ASSERT_NE(ColumnRuler(1), nullptr);
    ASSERT_NE(ColumnRuler(2), nullptr);
    const std::vector<int> treble{0, -3 * kH / 2};
    const std::vector<int> bass{-kH, -5 * kH / 2};
    const struct {
        const char* what;
        std::vector<std::pair<float, BYTE>> clefs;   // time, type
        float keyTime;
        int mirrorMeasure;   // the mirror stands at its start
        int prolog;
        std::vector<int> heights;
    } cases[] = {
        {"another clef", {{0.0f, DCctClef::CLEF_BASS}, {4.0f, DCctClef::CLEF_TREBLE}}, 4.0f, 1, 0, bass},
        {"the same clef", {{0.0f, DCctClef::CLEF_TREBLE}}, 4.0f, 1, 0, treble},
        // Drawn as the key stands: laid out for its own clef.
        {"no clef where the mirror stands", {{4.0f, DCctClef::CLEF_BASS}}, 4.0f, 1, 0, bass},
        {"no clef at the key's time", {{4.0f, DCctClef::CLEF_BASS}}, 0.0f, 2, 1, bass},
    };
    for (const auto& c : cases) {
        std::vector<ECBase*> placed;
        for (const auto& [time, type] : c.clefs)
            placed.push_back(Add(new ECClef(type), time < 4.0f ? 1 : 2, time));
        ECKey* key = Add(new ECKey(2, 0), c.keyTime < 4.0f ? 1 : 2, c.keyTime);
        placed.push_back(key);
        Staff(1)->RebuildCache();
        auto* keyDisplay = dynamic_cast<DCctKey*>(key->GetData(DK_NOTATION, 1));
        ASSERT_NE(keyDisplay, nullptr) << c.what;
        keyDisplay->SetKey(2, 0);
        DCctMirror* mirror = MirrorOf(key, c.mirrorMeasure, c.prolog);
        placed.push_back(mirror->GetOwner());

        DisplayCanvas canvas(2000, 700, 50, 400);
        EXPECT_EQ(mirror->Draw(&canvas.dc, CPoint(0, 0), nullptr), DCctBase::DRAW_DONE) << c.what;
        EXPECT_TRUE(clefkey::InkIn(canvas.Image(), 50, 400)) << c.what;
        EXPECT_EQ(Heights(*keyDisplay), c.heights) << c.what;
        EXPECT_EQ(keyDisplay->GetClef(), DCctKey::CLEF_LOOK_UP) << c.what;

        for (ECBase* event : placed)
            event->GetParents()->GetHead()->RemoveChild(event, 1);
        Staff(1)->RebuildCache();
    }
}

TEST_F(MirrorInPieceTest, ClefDrawnFullSizeAtTheClefSlotThenAsItWas) {
    MusicFontScope font(kH);
    ECClef* clef = Add(new ECClef(DCctClef::CLEF_TREBLE), 1, 2.0f);
    Staff(1)->RebuildCache();
    auto* clefDisplay = dynamic_cast<DCctClef*>(clef->GetData(DK_NOTATION, 1));
    ASSERT_NE(clefDisplay, nullptr);
    clefDisplay->SetFullSize(0);   // a clef change inside its measure
    clefDisplay->SetPosition(900, 0);
    clefDisplay->SetStoredOffset(CSize(-23, 17));
    DCctMirror* mirror = MirrorOf(clef, 2, 1);
    MCRuler* here = ColumnRuler(2);
    ASSERT_NE(here, nullptr);
    const int x = here->GetPrologX(MCRuler::PROLOG_CLEF);

    constexpr int originX = 200;
    constexpr int originY = 500;
    DisplayCanvas canvas(1400, 1000, originX, originY);
    EXPECT_EQ(mirror->Draw(&canvas.dc, CPoint(0, 0), nullptr), 0);
    EXPECT_EQ(clefDisplay->IsFullSize(), 0);
    EXPECT_EQ(clefDisplay->GetStoredOffset(), CSize(-23, 17));
    EXPECT_EQ(clefDisplay->GetPosition(), CPoint(877, 17));

    // The same clef full size at the clef slot, without its offset.
    clefDisplay->SetFullSize(1);
    clefDisplay->SetStoredOffset(CSize(0, 0));
    clefDisplay->SetPosition(x, 0);
    DisplayCanvas expected(1400, 1000, originX, originY);
    clefDisplay->Draw(&expected.dc, CPoint(0, 0), nullptr);
    ExpectSameInk(canvas.Image(), expected.Image(), originX, originY);
}

TEST_F(MirrorInPieceTest, CourtesyMeterAtThePostlogX) {
    MusicFontScope font(kH);
    ECMeter* meter = Add(new ECMeter(6, 8, 255), 2, 4.0f);
    auto* meterDisplay = dynamic_cast<DCctMeter*>(meter->GetData(DK_NOTATION, 1));
    ASSERT_NE(meterDisplay, nullptr);
    meterDisplay->SetMeter(6, 8);
    meterDisplay->SetPosition(650, 0);
    meterDisplay->SetStoredOffset(CSize(5, 29));
    DCctMirror* mirror = MirrorOf(meter, 1, 0);
    mirror->SetLocation(1);   // no move to a lower staff
    MCRuler* here = ColumnRuler(1);
    ASSERT_NE(here, nullptr);
    constexpr int originX = 50;
    constexpr int originY = 500;
    DisplayCanvas sizing(8, 8, 0, 0);
    meterDisplay->SetSize(&sizing.dc);
    ASSERT_EQ(here->DoMirror(mirror->GetOwner(), 0), 1);
    ASSERT_TRUE(here->IsMeterInPostlog());
    const int x = here->GetPostlogX(MCRuler::POSTLOG_METER, 1);

    DisplayCanvas canvas(x + 600, 1000, originX, originY);
    EXPECT_EQ(mirror->Draw(&canvas.dc, CPoint(0, 0), nullptr), 0);
    EXPECT_EQ(meterDisplay->GetStoredOffset(), CSize(5, 29));

    meterDisplay->SetStoredOffset(CSize(0, 0));
    meterDisplay->SetPosition(x, 0);
    DisplayCanvas expected(x + 600, 1000, originX, originY);
    meterDisplay->Draw(&expected.dc, CPoint(0, 0), nullptr);
    ExpectSameInk(canvas.Image(), expected.Image(), originX, originY);
}

TEST_F(MirrorInPieceTest, TravelsWithTheDocumentWithoutItsData) {
    ECClef* clef = Add(new ECClef(DCctClef::CLEF_ALTO), 1, 0.0f);
    clef->GetData(DK_NOTATION, 1);
    DCctMirror* mirror = MirrorOf(clef, 2, 0);
    mirror->SetLocation(0);
    mirror->SetPosition(15, -30);

    ECPerformance* loaded = piece::LoadDocument(piece::SaveDocument(m_performance));
    DCctMirror* back = nullptr;
    for (ECBase* event : document::TreeEvents(loaded))
        if (event->GetClassType() == ET_MIRROR)
            back = dynamic_cast<DCctMirror*>(event->GetData(DK_NOTATION, 0));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->IsProlog(), 0);
    EXPECT_EQ(back->GetLocation(), 0);
    EXPECT_EQ(back->GetPosition(), CPoint(15, -30));
    EXPECT_EQ(back->GetMirrorData(), nullptr);   // given again when laid out
    EXPECT_EQ(back->GetWidth(), -1);
    piece::FreeDocument(loaded);
}

// The measure display's ruler, for a scope: staff measures get a stand-in
// display whose ruler the conductor measure's link hands out.
class MeasureRulerScope {
public:
    MeasureRulerScope() : m_saved(DCctConductorMeasure::Links()) {
        DCctConductorMeasure::Links().measureRuler = [](DCctBase* display) -> MCRuler* {
            auto* measure = dynamic_cast<FakeMeasureDisplay*>(display);
            return measure ? &measure->ruler : nullptr;
        };
    }
    ~MeasureRulerScope() { DCctConductorMeasure::Links() = m_saved; }
    MeasureRulerScope(const MeasureRulerScope&) = delete;
    MeasureRulerScope& operator=(const MeasureRulerScope&) = delete;

private:
    RegistryCell m_cell{ET_MEASURE, RUNTIME_CLASS(FakeMeasureDisplay)};
    DCctConductorMeasure::ExternalLinks m_saved;
};

TEST_F(MirrorInPieceTest, MirroredMeterEntersTheMeasureRulerWhenItsCollisionIsDue) {
    MusicFontScope font(kH);
    ECMeter* meter = Add(new ECMeter(6, 8, 255), 2, 4.0f);
    auto* meterDisplay = dynamic_cast<DCctMeter*>(meter->GetData(DK_NOTATION, 1));
    ASSERT_NE(meterDisplay, nullptr);
    meterDisplay->SetMeter(6, 8);
    DisplayCanvas canvas(8, 8, 0, 0);
    meterDisplay->SetSize(&canvas.dc);
    DCctMirror* mirror = MirrorOf(meter, 2, 1);

    // No measure ruler: nothing to enter, still due.
    meterDisplay->SetCollisionDirty(1);
    mirror->Collide();
    EXPECT_EQ(meterDisplay->CollisionDirty(), 1);

    MeasureRulerScope rulers;
    auto* measureDisplay = dynamic_cast<FakeMeasureDisplay*>(Measure(2)->GetData(DK_NOTATION, 1));
    ASSERT_NE(measureDisplay, nullptr);
    meterDisplay->SetCollisionDirty(0);
    mirror->Collide();
    EXPECT_FALSE(measureDisplay->ruler.IsMeterInProlog());
    meterDisplay->SetCollisionDirty(1);
    mirror->Collide();
    EXPECT_TRUE(measureDisplay->ruler.IsMeterInProlog());
    EXPECT_EQ(meterDisplay->CollisionDirty(), 0);
}

TEST_F(MirrorInPieceTest, ConductorMeasureGivesItsMirrorsTheirData) {
    ECKey* key = Add(new ECKey(2, 0), 1, 0.0f);
    auto* keyDisplay = dynamic_cast<DCctKey*>(key->GetData(DK_NOTATION, 1));
    ASSERT_NE(keyDisplay, nullptr);
    keyDisplay->SetClef(DCctClef::CLEF_TREBLE);
    keyDisplay->SetKey(2, 0);
    auto* column = dynamic_cast<DCctConductorMeasure*>(m_conductor->GetMeasure(0, 2)->GetData(DK_NOTATION, 1));
    ASSERT_NE(column, nullptr);
    column->AddMirror(key, 0);

    MCEventList* children = Measure(2)->GetChildren();
    const POSITION pos = children->FindEvent(ET_MIRROR);
    ASSERT_NE(pos, nullptr);
    ECBase* mirror = children->GetAt(pos);
    auto* display = dynamic_cast<DCctMirror*>(mirror->GetData(DK_NOTATION, 0));
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->GetMirrorData(), keyDisplay);
    EXPECT_EQ(display->IsProlog(), 0);
    EXPECT_EQ(display->GetLocation(), 1);   // not given: as made

    MCRuler ruler;
    EXPECT_EQ(DCctConductorMeasure::Links().doMirror(ruler, mirror, 0), 1);
    EXPECT_TRUE(ruler.IsKeyInPostlog());
}

// ---- the measure ruler's mirror handler ----------------------------------------------

struct MirrorRulerTest : ::testing::Test {
    NoteheadScope notehead;   // notehead 156 wide, 120 high
    MusicFontScope font{kH};
    ECMeter meter{4, 4, 255};
    MCRuler ruler;
    ECMeasure* measure = new ECMeasure;

    void SetUp() override {
        notation_test::StartPlugin();
        measure->Ref();
        const MCTime zero(0.0f);
        measure->SetTime(&zero);
        ruler.CreateDivMarks(&meter, 64);
    }
    void TearDown() override {
        measure->RemoveChildren(1);   // the measure's children go with it
        measure->Unref(1);
    }

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

TEST_F(MirrorRulerTest, MeterInThePrologueOrAsACourtesyMeter) {
    ECMeter* shown = Add(new ECMeter(6, 8, 255), 0.0f);
    auto* meterDisplay = dynamic_cast<DCctMeter*>(shown->GetData(DK_NOTATION, 0));
    ASSERT_NE(meterDisplay, nullptr);
    meterDisplay->SetMeter(6, 8);
    DisplayCanvas canvas(8, 8, 0, 0);
    meterDisplay->SetSize(&canvas.dc);
    const int last = meterDisplay->GetXOfLastNumerator();

    ECMirror* opening = MirrorOf(shown, 1);
    EXPECT_EQ(ruler.DoMirror(opening, 0), 1);
    EXPECT_TRUE(ruler.IsMeterInProlog());
    EXPECT_EQ(ruler.GetPostlog(), nullptr);
    EXPECT_EQ(ruler.DoMirror(opening, 1), 1);
    EXPECT_FALSE(ruler.IsMeterInProlog());

    const int width = ruler.GetWidth();
    ECMirror* courtesy = MirrorOf(shown, 0);
    EXPECT_EQ(ruler.DoMirror(courtesy, 0), 1);
    EXPECT_TRUE(ruler.IsMeterInPostlog());
    EXPECT_FALSE(ruler.IsKeyInPostlog());
    EXPECT_EQ(ruler.GetPostlogX(MCRuler::POSTLOG_END, 0) - ruler.GetPostlogX(MCRuler::POSTLOG_METER, 0), last + 78);
    EXPECT_EQ(ruler.DoMirror(courtesy, 1), 1);
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
        {"a meter without display", MirrorOf(Add(new ECMeter(3, 4, 255), 0.0f, 0), 0)},
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
