#include "notation/layout/musicfont.h"

#include "notation/layout/fontsize.h"
#include "tests/notation/layout/font_support.h"

#include <gtest/gtest.h>

namespace {

// Reaches the protected steps of the outline scan.
struct OpenMusicFont : MCMusicFont {
    using MCMusicFont::fxDiv2;
    using MCMusicFont::GetOutlinePoints;
    using MCMusicFont::GetStemWidth;
    using MCMusicFont::IntFromFixed;
};

FIXED Fx(double value) {
    return DoubleToFixed(value);
}

}  // namespace

TEST(MusicFontTest, PreferenceGivesFaceAndSize) {
    const struct {
        const char* preference;
        const char* face;
        int height;
    } cases[] = {
        {"", "Norvane2", -480},             // a third of an inch
        {"Norvane2, -16", "Norvane2", -240},
        {"Norvane2,24,1,0,0", "Norvane2", 360},
        {"Arial", "Arial", 0},              // no size: the font mapper's default
    };
    for (const auto& c : cases) {
        ScopedFontPreference preference("Music Font", c.preference);
        MCMusicFont font;
        EXPECT_EQ(GetFaceName(font.GetLogFont()), c.face) << c.preference;
        EXPECT_EQ(font.GetLogFont().lfHeight, c.height) << c.preference;
        EXPECT_EQ(font.GetLogFont().lfCharSet, SYMBOL_CHARSET) << c.preference;
        EXPECT_EQ(font.GetCuePercent(), 80);
        EXPECT_EQ(font.GetGracePercent(), 70);
        EXPECT_EQ(font.GetNoteheadWidth(FONT_NORMAL), 135) << "until measured";
    }

    // A height of 0 is realized at the default size, never as an empty font.
    ScopedFontPreference preference("Music Font", "Arial");
    MCMusicFont font;
    LayoutCanvas canvas;
    font.SelectFont(&canvas.dc, FONT_NORMAL);
    TEXTMETRIC tm;
    canvas.dc.GetTextMetrics(&tm);
    EXPECT_GT(tm.tmHeight, 10);
    EXPECT_GT(font.GetNoteheadHeight(FONT_NORMAL), 0);
    font.DeselectFont(&canvas.dc);
}

TEST(MusicFontTest, GraceAndCueSizesAreTheirPercentOfWholePoints) {
    MCMusicFont font;
    LayoutCanvas canvas;
    const struct {
        uint8_t mode;
        int height;
    } cases[] = {{FONT_GRACE, -320}, {FONT_CUE, -380}, {FONT_NORMAL, -480}};
    for (const auto& c : cases) {
        font.SelectFont(&canvas.dc, c.mode);
        EXPECT_EQ(font.GetLogFont().lfHeight, c.height) << int(c.mode);
        EXPECT_EQ(font.GetCurrentMode(), c.mode);
        font.DeselectFont(&canvas.dc);
        EXPECT_EQ(font.GetLogFont().lfHeight, -480);
        EXPECT_EQ(font.GetCurrentMode(), FONT_NORMAL);
    }
}

TEST(MusicFontTest, SelectionMeasuresTheNoteMetrics) {
    MCMusicFont font;
    LayoutCanvas canvas;
    font.SelectFont(&canvas.dc, FONT_NORMAL);
    EXPECT_EQ(font.GetNoteheadHeight(FONT_NORMAL), 120);
    EXPECT_EQ(font.GetNoteheadWidth(FONT_NORMAL), 156);
    EXPECT_EQ(font.GetBarlineWidth(FONT_NORMAL), 15);
    EXPECT_EQ(font.GetStemWidth(FONT_NORMAL), 15);
    EXPECT_EQ(font.GetAscent(FONT_NORMAL), 384);
    EXPECT_EQ(font.GetNoteheadWidth(FONT_CURRENT), 156);
    font.DeselectFont(&canvas.dc);

    // A grace selection and its deselection leave the normal state as it was.
    LOGFONT before;
    MCMusicFont::NoteMetrics metricsBefore;
    font.SaveLogFont(&before, &metricsBefore);
    font.SelectFont(&canvas.dc, FONT_GRACE);
    const int graceWidth = font.GetNoteheadWidth(FONT_GRACE);
    EXPECT_NEAR(graceWidth, 104, 1);
    EXPECT_EQ(font.GetNoteheadWidth(FONT_CURRENT), graceWidth);
    EXPECT_EQ(font.GetNoteheadHeight(FONT_GRACE), 80);
    font.DeselectFont(&canvas.dc);
    LOGFONT after;
    MCMusicFont::NoteMetrics metricsAfter;
    font.SaveLogFont(&after, &metricsAfter);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    EXPECT_EQ(metricsAfter, metricsBefore);
    EXPECT_EQ(font.GetCurrentMode(), FONT_NORMAL);
    EXPECT_EQ(font.GetNoteheadWidth(FONT_CURRENT), 156);
}

TEST(MusicFontTest, ExtentDirtyByMode) {
    MCMusicFont font;
    auto dirty = [&] {
        LOGFONT logFont;
        MCMusicFont::NoteMetrics normal;
        font.SaveLogFont(&logFont, &normal);
        return std::vector<int>{normal.extentDirty};
    };
    EXPECT_EQ(dirty(), std::vector<int>{1});
    font.SetExtentDirty(0, FONT_CURRENT);      // not a mode it stores into
    EXPECT_EQ(dirty(), std::vector<int>{1});
    font.SetExtentDirty(0, FONT_NORMAL);
    EXPECT_EQ(dirty(), std::vector<int>{0});
    font.SetExtentDirty(1, FONT_ALL);
    EXPECT_EQ(dirty(), std::vector<int>{1});
}

TEST(MusicFontTest, MusicExtentsAndTheCachesOfEachMode) {
    MCMusicFont font;
    LayoutCanvas canvas;
    font.SetExtentDirty(1, FONT_ALL);
    // As the view fills the caches at its first update.
    for (uint8_t mode : {FONT_NORMAL, FONT_CUE, FONT_GRACE}) {
        font.SelectFont(&canvas.dc, mode);
        const MCMusicFont::MusicFontMetrics cached = font.GetMusicMetrics(207, FONT_CURRENT);
        EXPECT_EQ(static_cast<int>(cached.GetWidth()), font.GetNoteheadWidth(mode)) << int(mode);
        EXPECT_EQ(cached, font.GetMusicMetrics(207, mode));
        font.DeselectFont(&canvas.dc);
    }
    EXPECT_EQ(font.GetMusicMetrics(207, FONT_NORMAL).GetWidth(), 156u);
    EXPECT_NEAR(font.GetMusicMetrics(207, FONT_CUE).GetWidth(), 124, 1);
    EXPECT_NEAR(font.GetMusicMetrics(207, FONT_GRACE).GetWidth(), 104, 1);
    EXPECT_EQ(font.GetMusicMetrics(256, FONT_NORMAL), MCMusicFont::MusicFontMetrics());

    font.SelectFont(&canvas.dc, FONT_NORMAL);
    const auto head = font.GetMusicExtent(&canvas.dc, 207);
    EXPECT_EQ(head.GetWidth(), 156u);
    EXPECT_EQ(head.GetHeight(), 120u);
    const auto stem = font.GetMusicExtent(&canvas.dc, 92);
    EXPECT_EQ(stem.GetWidth(), 15u);
    EXPECT_EQ(stem.GetHeight(), 0u);
    EXPECT_EQ(stem.GetLeft(), 0);
    EXPECT_EQ(stem.GetTop(), 0);
    // The sharp: three staff spaces tall, its top 1.5 spaces up.
    const auto sharp = font.GetMusicExtent(&canvas.dc, 35);
    EXPECT_NEAR(sharp.GetHeight(), 360, 1);
    EXPECT_NEAR(sharp.GetTop(), 180, 2);
    EXPECT_NEAR(sharp.GetLeft(), 0, 1);
    // A code the face lacks measures nothing.
    EXPECT_EQ(font.GetMusicExtent(&canvas.dc, 1).GetWidth(), 0u);
    // A box is an offset from the drawing point, wherever the view's origin
    // lies (a scrolled view, a key drawn away from the corner).
    canvas.dc.SetViewportOrg(40, 100);
    canvas.dc.SetWindowOrg(-7, 9);
    EXPECT_EQ(font.GetMusicExtent(&canvas.dc, 35), sharp);
    font.DeselectFont(&canvas.dc);
}

TEST(MusicFontTest, MusicFontMetricsPackTwoWords) {
    MCMusicFont::MusicFontMetrics metrics;
    EXPECT_EQ(metrics.GetWidth(), 0u);
    metrics.SetWidth(0x12345);          // the low 16 bits
    metrics.SetHeight(300);
    metrics.SetLeft(-5);
    metrics.SetTop(-32768);
    EXPECT_EQ(metrics.GetWidth(), 0x2345u);
    EXPECT_EQ(metrics.GetHeight(), 300u);
    EXPECT_EQ(metrics.GetLeft(), -5);
    EXPECT_EQ(metrics.GetTop(), -32768);
    metrics.SetLeft(7);
    EXPECT_EQ(metrics.GetTop(), -32768);
    EXPECT_EQ(metrics.GetWidth(), 0x2345u);
    static_assert(sizeof(MCMusicFont::MusicFontMetrics) == 8);
    static_assert(sizeof(MCMusicFont::NoteMetrics) == 24);
}

TEST(MusicFontTest, OutlineScanFindsTheLastLevelPair) {
    const struct {
        double value;
        int rounded;
    } fixed[] = {{2.25, 2}, {2.5, 3}, {7.5, 8}, {-7.5, -7}, {-7.75, -8}, {0, 0}};
    for (const auto& c : fixed)
        EXPECT_EQ(OpenMusicFont::IntFromFixed(Fx(c.value)), c.rounded) << c.value;
    EXPECT_EQ(FixedToDouble(OpenMusicFont::fxDiv2(Fx(-3), Fx(4.5))), 0.75);

    const struct {
        std::vector<POINT> points;
        int thickness;
    } scans[] = {
        {{}, 0},
        {{{0, 0}, {0, 5}, {3, 9}}, 0},
        {{{8, 0}, {-7, 0}, {-7, 0}, {8, 0}}, -15},     // the last pair wins
        {{{0, 4}, {12, 4}, {12, 9}}, -12},
    };
    for (const auto& c : scans)
        EXPECT_EQ(OpenMusicFont::GetStemWidth(c.points), c.thickness);

    // The flag's outline is read whole: more than the 50 points a fixed buffer held.
    OpenMusicFont font;
    LayoutCanvas canvas;
    font.SelectFont(&canvas.dc, FONT_NORMAL);
    std::vector<POINT> points;
    font.GetOutlinePoints(&canvas.dc, 106, points);
    EXPECT_GT(points.size(), 50u);
    EXPECT_EQ(std::abs(OpenMusicFont::GetStemWidth(points)), 15);
    font.DeselectFont(&canvas.dc);
}

TEST(MusicFontTest, TheProcessHasOneMusicFont) {
    EXPECT_EQ(&MCMusicFont::GetMusicFont(), &MCMusicFont::GetMusicFont());
    EXPECT_EQ(MCMusicFont::GetMusicFont().GetLogFont().lfCharSet, SYMBOL_CHARSET);
}
