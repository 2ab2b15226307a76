// The rest's display: glyphs by value, what a new and a copied rest hold, its
// archive tail, the point a beam meets, its widths, its place on the ruler
// and the staff with its ledger line, and how it enters a measure's ruler.
#include "notation/display/rest.h"

#include "model/modifiers.h"
#include "notation/display/records.h"
#include "notation/layout/ruler.h"
#include "tests/notation/display/rest_support.h"
#include "tests/notation/display/structure_support.h"
#include "tests/notation/support/durationgate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using namespace rest_test;
using Bytes = std::vector<uint8_t>;

// The bytes of a DCctBase head alone: what a rest stores before its tail.
size_t HeadSize() {
    DCctBase head;
    return StoredBytes(&head).size();
}

int GlyphWidth(UINT glyph) {
    return MCMusicFont::GetMusicFont().GetMusicMetrics(glyph, FONT_NORMAL).GetWidth();
}

TEST(RestTest, GlyphByValue) {
    DCctRest fresh;
    EXPECT_EQ(fresh.GetValue(), 1024) << "a new rest is a whole rest";
    EXPECT_EQ(fresh.GetFontFromType(), 183u);

    const struct {
        int ticks;
        UINT glyph;
    } cases[] = {
        {2048, 227},   // the double whole rest's own glyph, not the notehead
        {1024, 183}, {512, 238}, {256, 206}, {128, 228}, {64, 197}, {32, 168}, {16, 244}, {8, 229},
        {0, 0},        // no value: nothing drawn
    };
    for (const auto& c : cases) {
        DCctRest rest;
        rest.SetValue(static_cast<WORD>(c.ticks));
        EXPECT_EQ(rest.GetFontFromType(), c.glyph) << c.ticks;
    }
}

TEST(RestTest, ANewValueIsMeasuredAgain) {
    MusicFontScope font(NOTEHEAD);
    DCctRest rest;
    rest.SetSize(nullptr);
    EXPECT_EQ(rest.GetWidth(), GlyphWidth(183));
    rest.SetValue(256);
    rest.SetSize(nullptr);
    EXPECT_EQ(rest.GetWidth(), GlyphWidth(206));
    EXPECT_NE(GlyphWidth(183), GlyphWidth(206));
}

TEST(RestTest, NewAndCopiedRestsAreNeitherConsolidatedNorLedgered) {
    DCctRest fresh;
    EXPECT_EQ(fresh.GetConsolidated(), 0);
    EXPECT_EQ(fresh.GetLedgerLineCount(), 0);
    EXPECT_EQ(fresh.HasStem(), 0);

    // A rest read back with a ledger line and consolidated.
    DCctRest source;
    source.SetValue(512);
    source.SetConsolidated(1);
    Bytes bytes = StoredBytes(&source);
    bytes.back() = 1;   // the ledger line count
    DCctRest loaded;
    LoadBytes(&loaded, bytes);
    ASSERT_EQ(loaded.GetLedgerLineCount(), 1);
    ASSERT_EQ(loaded.GetConsolidated(), 1);

    DCctRest copy(loaded);
    EXPECT_EQ(copy.GetValue(), 512);
    EXPECT_EQ(copy.GetConsolidated(), 0);
    EXPECT_EQ(copy.GetLedgerLineCount(), 0);
}

TEST(RestArchiveTest, GoldenTailIsTheDurationFieldsAlone) {
    DCctRest rest;
    rest.SetStateWord(0);
    rest.SetValue(256);
    rest.SetTickStart(0x0300);
    rest.SetBase(256, 256);
    const Bytes bytes = StoredBytes(&rest);
    ASSERT_EQ(bytes.size(), HeadSize() + 16) << "a rest adds nothing to the duration fields";
    const Bytes tail(bytes.end() - 16, bytes.end());
    const uint16_t word = rest.GetSpelling().GetWord();
    const Bytes expected{
        static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8), 0x00,   // spelling, key: no pitch
        0x00, 0x03,               // tick start 768
        0x01, 0x03, 0x00, 0x00,   // value word: dirty, code 3 (a quarter)
        0x13, 0x13,               // base, borrowed base: one quarter
        0x95, 0x07, 0x00, 0x00,   // stem word: dirty bits 0, 2, 4; up; right side (7); length 7
        0x00,                     // no ledger line
    };
    EXPECT_EQ(tail, expected);

    DCctRest loaded;
    LoadBytes(&loaded, bytes);
    EXPECT_EQ(loaded.GetValue(), 256);
    EXPECT_EQ(loaded.GetFontFromType(), 206u);
    EXPECT_EQ(loaded.GetTickStart(1), 0x300);
    const Bytes again = StoredBytes(&loaded);
    EXPECT_EQ(Bytes(again.end() - 16, again.end()), tail) << "loading marks the head's dirty bits only";

    // A value code past the table (a damaged file) draws nothing.
    Bytes damaged = bytes;
    damaged[HeadSize() + 6] = 12;
    DCctRest odd;
    LoadBytes(&odd, damaged);
    EXPECT_EQ(odd.GetFontFromType(), 0u);
}

TEST(RestArchiveTest, PostSerializeCountsTheRestsDots) {
    RestScore score;
    const struct {
        int ticks, dots, duration;   // dots -1: no dot child
    } cases[] = {{512, 1, 768}, {256, 2, 448}, {128, -1, 128}};
    for (const auto& c : cases) {
        DCctRest* rest = score.Add(c.ticks);
        rest->SetTickDuration(0);
        if (c.dots >= 0)
            rest->GetOwner()->AddChild(new ECDot(static_cast<unsigned char>(c.dots)), 1);
        CMemFile file;
        CArchive ar(&file, CArchive::load);
        rest->PostSerialize(ar);
        ar.Close();
        EXPECT_EQ(rest->GetTickDuration(1), c.duration) << c.ticks << " " << c.dots;
    }
}

TEST(RestTest, ABeamMeetsTheRightEdgeOnSideOneAndTheLeftOnSideZero) {
    MusicFontScope font(NOTEHEAD);
    MCMusicFont& music = MCMusicFont::GetMusicFont();
    DCctRest rest;
    rest.SetValue(128);
    rest.SetPosition(100, -24);
    rest.SetSize(nullptr);
    CRect frame;
    rest.GetFrame(&frame, 0);
    ASSERT_GT(frame.right - frame.left, 0);

    rest.SetStemSide(1, 1);
    rest.GetStemPosition();   // assembles
    EXPECT_EQ(rest.GetStemOffset(), CPoint(frame.right - frame.left - music.GetBarlineWidth(FONT_NORMAL), 0));
    rest.SetStemSide(0, 1);
    rest.GetStemPosition();
    EXPECT_EQ(rest.GetStemOffset(), CPoint(0, 0));
}

TEST(RestTest, WidthsReachPastTheDot) {
    RestScore score;
    DCctRest* plain = score.Add(256);
    plain->SetSize(nullptr);
    const int w = GlyphWidth(206);
    ASSERT_GT(w, 0);
    EXPECT_EQ(plain->GetTotalWidthRight(), w);
    EXPECT_EQ(plain->GetTotalWidthLeft(), 0);
    EXPECT_EQ(plain->GetTotalWidth(), w);

    DCctRest* dotted = score.Add(256, 256);
    dotted->SetSize(nullptr);
    auto* dot = new ECDot(1);
    dotted->GetOwner()->AddChild(dot, 1);
    ScopedDisplayClass dotClass(ET_DOT, RUNTIME_CLASS(DCctBase));
    auto* dotDisplay = dynamic_cast<DCctBase*>(dot->GetData(DK_NOTATION, 1));
    ASSERT_NE(dotDisplay, nullptr);
    MCMusicFont::MusicFontMetrics box;
    box.SetWidth(30);
    box.SetHeight(30);
    dotDisplay->SetMetrics(box);
    EXPECT_EQ(dotted->GetTotalWidthRight(), w + 30 + score.h / 2);
    EXPECT_EQ(dotted->GetTotalWidth(), w + 30 + score.h / 2);
}

// ---- placing ------------------------------------------------------------------------

TEST(RestPlacementTest, OnTheRulerAndAWholeRestAtTheStartCentred) {
    RestScore score;
    MCRulerRuler& ruler = score.Ruler();
    ASSERT_FALSE(ruler.IsClefInProlog() || ruler.IsKeyInProlog() || ruler.IsMeterInProlog());
    auto x = [&](int tick) { return ruler.GetXPositionForTick(static_cast<short>(tick), 256); };
    const int barline = ruler.GetBarlineX();
    const int whole = GlyphWidth(183);
    ASSERT_GT(x(256), x(0));

    const struct {
        int ticks, start, x;
    } cases[] = {
        {256, 256, x(256)},
        {512, 0, x(0)},                     // a half rest at the start: its tick's x
        {1024, 512, x(512)},                // a whole rest elsewhere: its tick's x
        {2048, 0, x(0)},                    // only the whole rest is centred
        {1024, 0, barline / 2 - whole / 2},   // the measure shows no prologue
    };
    for (const auto& c : cases) {
        DCctRest* rest = score.Add(c.ticks, c.start);
        ASSERT_EQ(rest->Position(nullptr, nullptr, nullptr, nullptr), 1) << c.ticks;
        EXPECT_EQ(rest->GetX(), c.x) << c.ticks << " at " << c.start;
    }

    // With a clef, a key or a meter before the music: midway between the
    // first mark and the barline.
    for (int slot : {MCRuler::PROLOG_CLEF, MCRuler::PROLOG_KEY, MCRuler::PROLOG_METER}) {
        RestScore shown;
        MCRulerRuler& withProlog = shown.Ruler();
        withProlog.SetPrologWidth(slot, 40);
        const int start = withProlog.GetXPositionForTick(0, 256);
        const int end = withProlog.GetBarlineX();
        ASSERT_GT(start, 0) << slot;
        DCctRest* rest = shown.Add(1024);
        ASSERT_EQ(rest->Position(nullptr, nullptr, nullptr, nullptr), 1);
        EXPECT_EQ(rest->GetX(), start + (end - start) / 2 - whole / 2) << slot;
    }
}

// The rest a voice gets in a measure without its notes: a whole rest as long
// as the measure, whatever the meter, centred.
TEST(RestPlacementTest, AWholeMeasureRestIsCentredInAnyMeter) {
    const int whole = [] {
        MusicFontScope font(NOTEHEAD);
        return GlyphWidth(183);
    }();
    const struct {
        int numerator, denominator, slot;   // slot -1: no prologue
    } cases[] = {{3, 4, -1}, {3, 4, MCRuler::PROLOG_METER}, {6, 8, -1}, {6, 8, MCRuler::PROLOG_CLEF}, {2, 2, MCRuler::PROLOG_KEY}};
    for (const auto& c : cases) {
        RestScore score(0, c.numerator, c.denominator);
        MCRulerRuler& ruler = score.Ruler();
        if (c.slot >= 0)
            ruler.SetPrologWidth(c.slot, 40);
        const int start = ruler.GetXPositionForTick(0, score.pulse);
        const int barline = ruler.GetBarlineX();
        const bool prolog = ruler.IsClefInProlog() || ruler.IsKeyInProlog() || ruler.IsMeterInProlog();
        ASSERT_EQ(prolog, c.slot >= 0) << c.numerator << "/" << c.denominator;
        const int measureTicks = 1024 * c.numerator / c.denominator;
        DCctRest* rest = score.Add(1024);
        rest->SetTickDuration(static_cast<WORD>(measureTicks));
        ASSERT_EQ(rest->Position(nullptr, nullptr, nullptr, nullptr), 1);
        const int centre = prolog ? start + (barline - start) / 2 : barline / 2;
        EXPECT_EQ(rest->GetX(), centre - whole / 2) << c.numerator << "/" << c.denominator << " slot " << c.slot;
    }
}

TEST(RestPlacementTest, HeightByVoiceAndOneLedgerLineOffTheStaff) {
    const struct {
        int kind;
        std::vector<BYTE> voices;
        int voice, ticks, consolidated;
        int y;          // in spaces from the top line
        int ledger;     // ledger line count
        int above;      // bit 23, when there is a line
    } cases[] = {
        {0, {0}, 0, 512, 0, -2, 0, 0},        // one voice: the middle line
        {0, {0, 1}, 0, 512, 0, 1, 1, 1},      // upper voice, above the staff
        {0, {0, 1}, 1, 512, 0, -6, 1, 0},     // lower voice, below it
        {0, {0, 1}, 0, 1024, 0, 1, 1, 1},
        {0, {0, 1}, 1, 1024, 0, -6, 1, 0},
        {0, {0, 1}, 1, 2048, 0, -6, 1, 0},
        {0, {0, 1}, 1, 256, 0, -6, 0, 0},     // a quarter rest never has one
        {0, {0, 1}, 1, 1024, 1, -2, 0, 0},    // consolidated: the middle line
        {1, {0, 1, 2, 4}, 2, 512, 0, 1, 0, 0},   // a grand staff never has one
        {1, {0, 4, 5}, 5, 1024, 0, -16, 0, 0},
    };
    for (const auto& c : cases) {
        RestScore score(c.kind);
        score.Measure()->GetVoiceTable() = c.voices;
        DCctRest* rest = score.Add(c.ticks, 0, c.voice);
        rest->SetConsolidated(c.consolidated);
        ASSERT_EQ(rest->Position(nullptr, nullptr, nullptr, nullptr), 1);
        EXPECT_EQ(rest->GetY(), c.y * score.h) << c.kind << " voice " << c.voice << " " << c.ticks;
        EXPECT_EQ(rest->GetLedgerLineCount(), c.ledger) << c.kind << " voice " << c.voice << " " << c.ticks;
        if (c.ledger) {
            EXPECT_EQ(rest->GetLedgerLineDirection(), c.above) << "voice " << c.voice << " " << c.ticks;
        }
    }

    // Back on the staff, the line goes.
    RestScore score;
    score.Measure()->GetVoiceTable() = {0, 1};
    DCctRest* rest = score.Add(512, 0, 1);
    ASSERT_EQ(rest->Position(nullptr, nullptr, nullptr, nullptr), 1);
    ASSERT_EQ(rest->GetLedgerLineCount(), 1);
    score.Measure()->GetVoiceTable() = {1};
    ASSERT_EQ(rest->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(rest->GetLedgerLineCount(), 0);
}

TEST(RestPlacementTest, MissingPiecesAreNotPlaced) {
    DCctRest free;
    EXPECT_EQ(free.Position(nullptr, nullptr, nullptr, nullptr), 0) << "no owner";

    {
        measure_test::LinksScope links;
        measure_test::Score score(0, 1);
        score.Display(1);
        auto* event = new ECRest;
        event->SetVoiceTrack(0, 1);
        score.Measure(1)->AddChild(event, 1);
        measure_test::RegistryCell cell(ET_REST, RUNTIME_CLASS(DCctRest));
        auto* rest = dynamic_cast<DCctRest*>(event->GetData(DK_NOTATION, 1));
        rest->SetPosition(7, 7);
        EXPECT_EQ(rest->Position(nullptr, nullptr, nullptr, nullptr), 0) << "no conductor measure display";
        EXPECT_EQ(rest->GetPosition(), CPoint(7, 7));
    }
    {
        measure_test::LinksScope links;
        measure_test::Score score(0, 1);
        score.ColumnDisplay(1);
        auto* event = new ECRest;
        event->SetVoiceTrack(0, 1);
        score.Measure(1)->AddChild(event, 1);
        measure_test::RegistryCell cell(ET_REST, RUNTIME_CLASS(DCctRest));
        auto* rest = dynamic_cast<DCctRest*>(event->GetData(DK_NOTATION, 1));
        EXPECT_EQ(rest->Position(nullptr, nullptr, nullptr, nullptr), 0) << "no measure display";
    }

    // A staff that is not found: placed, but the ledger line stays as it was.
    RestScore score;
    score.Measure()->GetVoiceTable() = {0, 1};
    DCctRest* rest = score.Add(512, 0, 1);
    rest->GetOwner()->SetVoiceTrack(1, 9);
    ASSERT_EQ(rest->Position(nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(rest->GetY(), -6 * score.h);
    EXPECT_EQ(rest->GetLedgerLineCount(), 0);
}

// ---- the measure's ruler ---------------------------------------------------------------

struct RestRuler {
    ECMeter meter{4, 4, 255};
    MCRuler ruler;
    RestRuler() {
        ruler.CreateDivMarks(&meter, 64);
        ruler.SetDirty(0);
    }
    MCRuler::RulerDiv& Mark(int tick) { return ruler.GetRulerGroup()[0].marks[ruler.GetDivMarkForTick(static_cast<WORD>(tick), 256)]; }
};

TEST(RestRulerTest, ARestOccupiesItsMarkAWholeRestLeavesItFree) {
    RestScore score;
    const struct {
        int ticks, start;
        bool occupied;
    } cases[] = {{256, 256, true}, {512, 512, true}, {1024, 0, false}, {2048, 0, false}};
    for (const auto& c : cases) {
        RestRuler r;
        DCctRest* rest = score.Add(c.ticks, c.start);
        rest->SetSize(nullptr);
        EXPECT_EQ(r.ruler.UpdateRuler(rest->GetOwner(), 0), 1);
        const MCRuler::RulerDiv& mark = r.Mark(c.start);
        EXPECT_EQ(mark.IsOccupied(), c.occupied) << c.ticks;
        EXPECT_EQ(mark.GetLeftExtent(), 0) << c.ticks;
        EXPECT_EQ(mark.GetRightExtent(), c.occupied ? rest->GetTotalWidthRight() : 0) << c.ticks;
        EXPECT_EQ(mark.GetDurationCode(), MCRuler::ConvertDuration(static_cast<WORD>(c.ticks))) << c.ticks;
        EXPECT_EQ(r.ruler.IsDirty(), 1);

        EXPECT_EQ(r.ruler.UpdateRuler(rest->GetOwner(), 1), 1);
        EXPECT_FALSE(r.Mark(c.start).IsOccupied());
        EXPECT_EQ(r.Mark(c.start).GetRightExtent(), 0);
    }

    // Without a display object the rest is not entered.
    RestRuler r;
    ECRest bare;
    EXPECT_EQ(r.ruler.UpdateRuler(&bare, 0), 0);
    EXPECT_EQ(r.ruler.IsDirty(), 0);
}

// A whole-measure rest of a second voice keeps the first voice's note on the
// mark they share, whichever comes first.
TEST(RestRulerTest, AWholeRestLeavesAnotherVoicesMarkAsItWas) {
    RestScore score;
    DCctRest* whole = score.Add(1024, 0, 1);
    whole->SetSize(nullptr);
    for (bool restFirst : {false, true}) {
        RestRuler r;
        const WORD mark = r.ruler.GetDivMarkForTick(0, 256);
        if (restFirst)
            r.ruler.UpdateRuler(whole->GetOwner(), 0);
        r.ruler.SetDivOccupied(mark, 1, 12, 40, 256, 256);   // voice 1's quarter note
        if (!restFirst)
            r.ruler.UpdateRuler(whole->GetOwner(), 0);
        EXPECT_TRUE(r.Mark(0).IsOccupied()) << restFirst;
        EXPECT_EQ(r.Mark(0).GetLeftExtent(), 12) << restFirst;
        EXPECT_EQ(r.Mark(0).GetRightExtent(), 40) << restFirst;
        EXPECT_EQ(r.Mark(0).GetDurationCode(), MCRuler::ConvertDuration(256)) << restFirst;
    }
}

TEST(RestTest, RegisteredForRests) {
    EXPECT_EQ(notation_test::StartPlugin(), 87);
    EXPECT_EQ(CPluginData::GetDataClass(DK_NOTATION, ET_REST), RUNTIME_CLASS(DCctRest));
}

}  // namespace
