// The grace note's display: grace size, the slash and slur choices with
// their override marks, the copy, the archive tail and the registration; its
// y against its main note, the main note's layout of its grace notes, and
// the drawing (slash and palette picture) through a memory DC at ten logical
// units a pixel, y up, checked by where the ink lies.
#include "notation/display/gracenote.h"

#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/modifiers.h"
#include "model/plugin.h"
#include "notation/display/accidental.h"
#include "notation/display/beam.h"
#include "notation/display/clef.h"
#include "notation/display/records.h"
#include "notation/display/staff.h"
#include "platform/core/archive.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/display/gracenote_support.h"
#include "tests/notation/support/durationgate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

TEST(GraceNoteDisplayTest, StartsGraceSizedWithSlashAndSlur) {
    DCctGraceNote grace;
    EXPECT_EQ(grace.IsGrace(), 1);
    EXPECT_EQ(grace.GetSlash(), 1);
    EXPECT_EQ(grace.IsSlashOverride(), 0);
    EXPECT_EQ(grace.GetSlur(), 1);
    EXPECT_EQ(grace.IsSlurOverride(), 0);
    EXPECT_EQ(grace.GetSlurByte(), 0x01);   // the unused bits at 0
}

// A choice made with override 1 survives later calls without it; a call with
// override 1 always wins. The same rule for the slash and the slur.
TEST(GraceNoteDisplayTest, TheUsersChoiceSurvivesAutomaticCalls) {
    const struct {
        const char* name;
        int firstValue, firstOverride, secondValue, secondOverride;
        int value, override;
    } cases[] = {
        {"automatic then automatic", 1, 0, 0, 0, 0, 0},
        {"user's on then automatic off", 1, 1, 0, 0, 1, 1},
        {"user's on then user's off", 1, 1, 0, 1, 0, 1},
        {"user's off then automatic on", 0, 1, 1, 0, 0, 1},
        {"override 2 is not the user's", 0, 1, 1, 2, 0, 1},
    };
    for (const auto& c : cases) {
        DCctGraceNote grace;
        grace.SetSlash(c.firstValue, c.firstOverride);
        grace.SetSlash(c.secondValue, c.secondOverride);
        EXPECT_EQ(grace.GetSlash(), c.value) << c.name;
        EXPECT_EQ(grace.IsSlashOverride(), c.override) << c.name;
        grace.SetSlur(c.firstValue, c.firstOverride);
        grace.SetSlur(c.secondValue, c.secondOverride);
        EXPECT_EQ(grace.GetSlur(), c.value) << c.name;
        EXPECT_EQ(grace.IsSlurOverride(), c.override) << c.name;
        EXPECT_EQ(grace.GetSlurByte() & ~0x03, 0) << c.name;
    }
}

TEST(GraceNoteDisplayTest, ACopyKeepsSlashSlurAndGraceSize) {
    DCctGraceNote source;
    source.SetSlash(0, 1);
    source.SetSlur(0, 1);
    source.SetValue(64, 0);
    DCctGraceNote copy(source);
    EXPECT_EQ(copy.IsGrace(), 1);
    EXPECT_EQ(copy.GetSlash(), 0);
    EXPECT_EQ(copy.IsSlashOverride(), 1);
    EXPECT_EQ(copy.GetSlur(), 0);
    EXPECT_EQ(copy.IsSlurOverride(), 1);
    EXPECT_EQ(copy.GetSlurByte(), source.GetSlurByte());
}

// The note's record, then one byte: the slur byte.
TEST(GraceNoteDisplayTest, TheArchiveAddsTheSlurByte) {
    DCctGraceNote grace;
    grace.SetValue(128, 0);
    grace.SetSlur(0, 1);
    grace.SetSlash(0, 1);
    DCctNote plain;
    plain.SetStateWord(grace.GetStateWord());
    plain.SetValue(128, 0);
    const Bytes noteBytes = StoreBytes(&plain);
    const Bytes bytes = StoreBytes(&grace);
    ASSERT_EQ(bytes.size(), noteBytes.size() + 1);
    EXPECT_EQ(bytes.back(), 0x02);   // not slurred, by the user

    DCctGraceNote loaded;
    for (int kind = 0; kind < DCctBase::DIRTY_KIND_COUNT; ++kind)
        loaded.SetDirtyKind(kind, 0);
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load);
    loaded.Serialize(ar);
    ar.Close();
    EXPECT_EQ(loaded.GetSlur(), 0);
    EXPECT_EQ(loaded.IsSlurOverride(), 1);
    EXPECT_EQ(loaded.GetSlash(), 0);
    EXPECT_EQ(loaded.IsSlashOverride(), 1);
    EXPECT_EQ(loaded.IsGrace(), 1);
    // Read back, it waits to be laid out again.
    EXPECT_EQ(loaded.FrameDirty(), 1);
    EXPECT_EQ(loaded.PositionDirty(), 1);
    EXPECT_EQ(loaded.CollisionDirty(), 1);
    EXPECT_EQ(loaded.AssembleDirty(), 1);
    EXPECT_EQ(StoreBytes(&loaded), bytes);
}

TEST(GraceNoteDisplayTest, AGraceNoteEventGetsThisDisplay) {
    notation_test::StartPlugin();
    EXPECT_EQ(CPluginData::GetDataClass(DK_NOTATION, ET_GRACENOTE), RUNTIME_CLASS(DCctGraceNote));
}

// ---- placing, grouping, drawing ------------------------------------------------------------

using namespace note_test;

constexpr int UNITS = 10;       // logical units a pixel, as the view draws at 100 %
constexpr int NOTEHEAD = 120;   // the music font's default staff space

// A white canvas of ten logical units a pixel, y up, logical (0, 0) at the
// device point (originX, originY).
struct TenthCanvas : MemoryCanvas {
    int originX, originY;
    TenthCanvas(int width, int height, int x, int y) : MemoryCanvas(width, height), originX(x), originY(y) {
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowExt(UNITS, UNITS);
        dc.SetViewportExt(1, -1);
        dc.SetViewportOrg(originX, originY);
    }
    int Column(int x) const { return originX + static_cast<int>(std::lround(x / double(UNITS))); }
    int Row(int y) const { return originY - static_cast<int>(std::lround(y / double(UNITS))); }
    bool Ink(int column, int row) {
        const QImage& image = Image();
        return column >= 0 && row >= 0 && column < image.width() && row < image.height() &&
               (image.pixel(column, row) & 0xFFFFFF) != 0xFFFFFF;
    }
    // Inked pixels in a box of logical coordinates.
    int InkIn(int left, int bottom, int right, int top) {
        int count = 0;
        for (int column = Column(left); column <= Column(right); ++column)
            for (int row = Row(top); row <= Row(bottom); ++row)
                count += Ink(column, row) ? 1 : 0;
        return count;
    }
};

// Runs of inked columns on one device row.
struct InkRun {
    int first, last;
};
std::vector<InkRun> InkRunsOnRow(TenthCanvas& canvas, int row) {
    std::vector<InkRun> runs;
    for (int column = 0; column < canvas.Image().width(); ++column) {
        if (!canvas.Ink(column, row))
            continue;
        if (!runs.empty() && runs.back().last + 1 == column)
            runs.back().last = column;
        else
            runs.push_back({column, column});
    }
    return runs;
}

// A treble staff whose measure 1 stands at (0, 0), the music font at its
// default size with the grace size measured, and main notes on it.
class GraceNoteTest : public ::testing::Test {
protected:
    GraceNoteTest() : m_font(NOTEHEAD) {
        score.ColumnDisplay(1);
        score.Display(1)->SetPosition(0, 0);
        score.AddClef(1, 0, 0);
        MCMusicFont& font = MCMusicFont::GetMusicFont();
        h = font.GetNoteheadHeight(FONT_NORMAL);
        hg = font.GetNoteheadHeight(FONT_GRACE);
        wg = font.GetNoteheadWidth(FONT_GRACE);
    }

    DCctNote* MainNote(int key) {
        DCctNote* note = AddNote(score, 1, key, 256);
        EXPECT_EQ(note->Position(nullptr, nullptr, nullptr, nullptr), 1);
        return note;
    }

    // The grace note drawn as the view draws it: at its main note's place.
    static void DrawGrace(TenthCanvas& canvas, DCctNote* main, DCctGraceNote* grace) {
        const CPoint at = main->GetPosition();
        EXPECT_EQ(grace->Draw(&canvas.dc, at, nullptr), 1);
    }

    // The end of a grace note's stem on the page (its main note's place
    // added).
    static CPoint StemEnd(DCctNote* main, DCctGraceNote* grace) {
        const CPoint at = main->GetPosition();
        return CPoint(at.x + grace->GetX() + grace->GetStemOffset().x,
                      at.y + grace->GetY() + grace->GetStemHeight());
    }

    int h = 0, hg = 0, wg = 0;
    measure_test::Score score{0, 1};

private:
    GraceFontScope m_font;
    measure_test::LinksScope m_links;
    ClefLinksScope m_clefLinks;
};

// The grace note's y is the distance of the two spellings on the staff,
// whatever the main note's own y.
TEST_F(GraceNoteTest, PlacedByItsDistanceFromTheMainNote) {
    const struct {
        int main, grace, steps;
    } cases[] = {
        {64, 67, 2},    // E4, a third above: one space higher
        {60, 64, 2},    // C4 below the staff, E4
        {74, 77, 2},    // D5, F5
        {67, 64, -2},   // a third below
        {64, 76, 7},    // an octave
        {65, 65, 0},
    };
    for (const auto& c : cases) {
        DCctNote* main = MainNote(c.main);
        main->SetY(main->GetY() + 37 * h);   // moved: the grace note does not read it
        DCctGraceNote* grace = AddGrace(main, c.grace, 128);
        ASSERT_EQ(grace->Position(nullptr, nullptr, nullptr, nullptr), 1) << c.main << " " << c.grace;
        EXPECT_EQ(grace->GetY(), c.steps * h / 2) << c.main << " " << c.grace;
    }

    // Drawn: the grace head a space above its main note's head.
    DCctNote* main = MainNote(64);
    DCctGraceNote* grace = AddGrace(main, 67, 256);
    ASSERT_EQ(grace->Position(nullptr, nullptr, nullptr, nullptr), 1);
    grace->SetX(-3 * wg);   // clear of the main note's head
    TenthCanvas canvas(160, 160, 80, 80);
    main->SetX(0);
    DrawGrace(canvas, main, grace);
    EXPECT_EQ(main->Draw(&canvas.dc, CPoint(0, 0), nullptr), 1);
    // The head rows: where the ink covers half the head's columns (a stem
    // covers fewer).
    auto headCentre = [&](int fromColumn, int toColumn) {
        std::vector<int> rows;
        for (int row = 0; row < 160; ++row) {
            int ink = 0;
            for (int column = fromColumn; column < toColumn; ++column)
                ink += canvas.Ink(column, row) ? 1 : 0;
            if (2 * ink > toColumn - fromColumn)
                rows.push_back(row);
        }
        return rows.empty() ? -1 : (rows.front() + rows.back()) / 2;
    };
    const int graceRow = headCentre(canvas.Column(-3 * wg), canvas.Column(-2 * wg));
    const int mainRow = headCentre(canvas.Column(0), canvas.Column(main->GetWidth()));
    ASSERT_GE(graceRow, 0);
    ASSERT_GE(mainRow, 0);
    EXPECT_NEAR(mainRow - graceRow, h / UNITS, 1);
}

// The clef in force for the main note's voice: the lower staff's for voices
// 4-7, which only a grand staff has; no clef, no main note or an unspelled
// note: not placed, and not moved.
TEST(GraceNotePositionTest, NeedsItsMainNoteMeasureAndClef) {
    MusicFontScope font(NOTEHEAD);
    measure_test::LinksScope links;
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_NORMAL);
    const struct {
        const char* name;
        int staffKind, voice;
        bool upperClef, lowerClef;
        int result;
    } cases[] = {
        {"one staff, voice 0", 0, 0, true, false, 1},
        {"one staff, voice 4: its only clef", 0, 4, true, false, 1},
        {"grand staff, voice 4 without a lower clef", 1, 4, true, false, 0},
        {"grand staff, voice 4", 1, 4, true, true, 1},
        {"grand staff, voice 0 without an upper clef", 1, 0, false, true, 0},
        {"no clef", 0, 0, false, false, 0},
    };
    for (const auto& c : cases) {
        measure_test::Score score(c.staffKind, 1);
        score.Display(1);
        if (c.upperClef)
            score.AddClef(1, 0, 0);
        if (c.lowerClef)
            score.AddClef(1, 3, 1);
        DCctNote* main = AddNote(score, 1, 64, 256);
        main->GetOwner()->SetVoiceTrack(c.voice, 1);
        DCctGraceNote* grace = AddGrace(main, 67, 128);
        grace->SetY(-5);
        EXPECT_EQ(grace->Position(nullptr, nullptr, nullptr, nullptr), c.result) << c.name;
        EXPECT_EQ(grace->GetY(), c.result ? h : -5) << c.name;
    }

    // Without a main note, or with a note not spelled yet.
    DCctGraceNote loose;
    EXPECT_EQ(loose.Position(nullptr, nullptr, nullptr, nullptr), 0);
    measure_test::Score score(0, 1);
    score.Display(1);
    score.AddClef(1, 0, 0);
    DCctNote* main = AddNote(score, 1, 64, 256);
    DCctGraceNote* grace = AddGrace(main, 0, 128);
    EXPECT_EQ(grace->Position(nullptr, nullptr, nullptr, nullptr), 0);
}

// Three grace notes before a note: leftward from the note a grace notehead
// apart, and only the last one found keeps its slash, for good.
TEST_F(GraceNoteTest, GroupLaysGraceNotesOutLeftwardAndSlashesTheLast) {
    DCctNote* main = MainNote(64);
    main->SetX(0);
    std::vector<DCctGraceNote*> graces;
    TenthCanvas canvas(240, 160, 200, 100);
    // A beam over the grace notes, under the note, as the beam pass makes it.
    auto* beamEvent = new ECBeam;   // held by the note
    beamEvent->SetVoiceTrack(0, 1);
    beamEvent->SetTime(main->GetOwner()->GetTime());
    main->GetOwner()->AddChild(beamEvent, 1);
    DCctBeam* beam = nullptr;
    {
        measure_test::RegistryCell cell(ET_BEAM, RUNTIME_CLASS(DCctBeam));
        beam = dynamic_cast<DCctBeam*>(beamEvent->GetData(DK_NOTATION, 1));
        measure_test::RegistryCell clefCell(ET_CLEF, RUNTIME_CLASS(DCctClef));
        ECClef* clef = DCctStaff::GetClefAtTime(score.staff, *main->GetOwner()->GetTime(), 0);
        ASSERT_NE(clef, nullptr);
        ASSERT_NE(clef->GetData(DK_NOTATION, 1), nullptr);
    }
    ASSERT_NE(beam, nullptr);
    for (int i = 0; i < 3; ++i) {
        graces.push_back(AddGrace(main, 64, 256));
        beamEvent->AddChild(graces.back()->GetOwner(), 1);
        graces.back()->SetSize(&canvas.dc);
        graces.back()->SetSlash(1, 1);   // the user's slash goes too, but on the last
    }
    main->Group(score.conductor, score.staff);
    EXPECT_EQ(beam->IsGrace(), 1);
    EXPECT_EQ(beam->GetMemberCount(), 3) << "grouped";

    // The order found is the note's child order.
    int x = 0;
    for (size_t i = 0; i < graces.size(); ++i) {
        DCctGraceNote* grace = graces[i];
        x -= grace->GetWidth() + wg;
        EXPECT_EQ(grace->GetX(), x) << i;
        const bool last = i + 1 == graces.size();
        EXPECT_EQ(grace->GetSlash(), last ? 1 : 0) << i;
        EXPECT_EQ(grace->IsSlashOverride(), 1) << i;
        grace->SetSlash(1, 0);   // renotation asks for it again
        EXPECT_EQ(grace->GetSlash(), last ? 1 : 0) << i;
        ASSERT_EQ(grace->Position(nullptr, nullptr, nullptr, nullptr), 1);
    }

    EXPECT_EQ(main->Draw(&canvas.dc, CPoint(0, 0), nullptr), 1);
    for (DCctGraceNote* grace : graces)
        DrawGrace(canvas, main, grace);
    // On the heads' row: four heads, a grace notehead of white between them.
    const std::vector<InkRun> heads = InkRunsOnRow(canvas, canvas.Row(main->GetY()));
    ASSERT_EQ(heads.size(), 4u);
    for (size_t i = 1; i < heads.size(); ++i)
        EXPECT_NEAR(heads[i].first - heads[i - 1].last - 1, wg / UNITS, 2) << i;
    // The slash crosses left of the stem's end, above the head.
    for (size_t i = 0; i < graces.size(); ++i) {
        const CPoint end = StemEnd(main, graces[i]);
        const int ink = canvas.InkIn(end.x - wg / 2 + UNITS, end.y - 2 * hg - 2 * UNITS, end.x - 2 * UNITS, end.y - hg);
        if (i + 1 == graces.size())
            EXPECT_GT(ink, 0) << "the last one is slashed";
        else
            EXPECT_EQ(ink, 0) << i;
    }
}

// The grace notes start left of the note's shown accidental (a hidden one
// takes no room), and each one makes room for its own accidental.
TEST_F(GraceNoteTest, GroupMakesRoomForAccidentals) {
    auto addAccidental = [](ECBase* note) {
        auto* sign = new ECAccidental(0);   // held by the note
        note->AddChild(sign, 1);
        measure_test::RegistryCell cell(ET_ACCIDENTAL, RUNTIME_CLASS(DCctAccidental));
        return dynamic_cast<DCctAccidental*>(sign->GetData(DK_NOTATION, 1));
    };
    TenthCanvas canvas(8, 8, 0, 0);
    for (const bool hidden : {false, true}) {
        DCctNote* main = MainNote(64);
        DCctAccidental* sign = addAccidental(main->GetOwner());
        ASSERT_NE(sign, nullptr);
        sign->SetX(-2 * wg);
        sign->SetHidden(hidden);
        DCctGraceNote* first = AddGrace(main, 66, 256);
        DCctGraceNote* second = AddGrace(main, 64, 256);
        DCctAccidental* own = addAccidental(first->GetOwner());
        ASSERT_NE(own, nullptr);
        own->SetX(-wg);
        first->SetSize(&canvas.dc);
        second->SetSize(&canvas.dc);

        main->Group(nullptr, nullptr);
        const int start = hidden ? 0 : sign->GetX();
        EXPECT_EQ(first->GetX(), start - first->GetWidth() - wg) << hidden;
        EXPECT_GT(first->GetTotalWidthLeft(), 0) << hidden;
        EXPECT_EQ(second->GetX(), first->GetX() - first->GetTotalWidthLeft() - second->GetWidth() - wg) << hidden;
    }
}

// Past an eighth the slash's far end moves one grace notehead height out:
// below a stem pointing down, where the flags grow.
TEST_F(GraceNoteTest, ASixteenthsSlashReachesAHeadHeightFurther) {
    DCctNote* main = MainNote(64);
    main->SetX(0);
    auto lowestSlashRow = [&](int ticks) {
        DCctGraceNote* grace = AddGrace(main, 74, ticks);
        EXPECT_EQ(grace->Position(nullptr, nullptr, nullptr, nullptr), 1);
        grace->SetX(-3 * wg);
        grace->SetStemDirection(1, 1);
        grace->SetStemSide(0, 1);
        TenthCanvas canvas(160, 200, 100, 60);
        DrawGrace(canvas, main, grace);
        const CPoint end = StemEnd(main, grace);
        int lowest = -1;
        // Left of the stem nothing but the slash is drawn.
        for (int column = canvas.Column(end.x - hg); column < canvas.Column(end.x) - 1; ++column)
            for (int row = 0; row < 200; ++row)
                if (canvas.Ink(column, row))
                    lowest = std::max(lowest, row);
        return lowest;
    };
    const int eighth = lowestSlashRow(128);
    const int sixteenth = lowestSlashRow(64);
    ASSERT_GE(eighth, 0);
    EXPECT_NEAR(sixteenth - eighth, hg / UNITS, 2);
}

// In the score the grace note is drawn where it stands; a palette prototype
// is its one glyph centred in the rectangle, head low for a stem up and high
// for a stem down, and the score's font (size, metrics and colour) comes back
// as it was.
TEST_F(GraceNoteTest, DrawInRect) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const COLORREF scoreColor = RGB(1, 2, 3);   // what the score last set
    font.SetFontColor(scoreColor);
    DCctNote* main = MainNote(64);
    DCctGraceNote* placed = AddGrace(main, 67, 128);
    placed->SetPositionDirty(1);
    TenthCanvas inScore(160, 160, 80, 80);
    EXPECT_EQ(placed->DrawInRect(&inScore.dc, nullptr), 1);
    EXPECT_EQ(placed->PositionDirty(), 0);
    EXPECT_FALSE(InkRows(inScore.Image()).empty());
    EXPECT_EQ(font.GetFontColor(), scoreColor) << "drawn in its own colour only";

    for (int direction : {0, 1}) {
        DCctGraceNote prototype;
        prototype.SetValue(128, 0);
        prototype.SetStemDirection(direction, 1);
        TenthCanvas canvas(200, 200, 0, 200);
        CRect rect(500, 1500, 1500, 500);   // top is the larger y; centred on device (100, 100)
        LOGFONT before;
        MCMusicFont::NoteMetrics metricsBefore;
        font.SaveLogFont(&before, &metricsBefore);
        EXPECT_EQ(prototype.DrawInRect(&canvas.dc, &rect), 1);
        LOGFONT after;
        MCMusicFont::NoteMetrics metricsAfter;
        font.SaveLogFont(&after, &metricsAfter);
        EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0) << direction;
        EXPECT_EQ(metricsAfter, metricsBefore) << direction;
        EXPECT_EQ(font.GetFontColor(), scoreColor) << direction;

        const std::vector<int> rows = InkRows(canvas.Image());
        const std::vector<int> columns = InkColumns(canvas.Image());
        ASSERT_FALSE(rows.empty()) << direction;
        EXPECT_NEAR((rows.front() + rows.back()) / 2, 100, 4) << direction;
        EXPECT_NEAR((columns.front() + columns.back()) / 2, 100, 4) << direction;
        EXPECT_GT(rows.back() - rows.front(), 30) << "a stem's height";
        // The head: the row with the widest ink.
        int headRow = rows.front();
        size_t widest = 0;
        for (int row : rows) {
            size_t ink = 0;
            for (const InkRun& run : InkRunsOnRow(canvas, row))
                ink += static_cast<size_t>(run.last - run.first + 1);
            if (ink > widest) {
                widest = ink;
                headRow = row;
            }
        }
        const int middle = (rows.front() + rows.back()) / 2;
        if (direction == 0)
            EXPECT_GT(headRow, middle) << "stem up: the head below";
        else
            EXPECT_LT(headRow, middle) << "stem down: the head above";
    }
}

}  // namespace
