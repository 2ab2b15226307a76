// The clef display: its table, staff positions to pitches under a key,
// spaces and lines, its copy and archive head, its frame and its ink.
#include "notation/display/clef.h"
#include "notation/display/key.h"
#include "notation/display/records.h"

#include "model/eventtypes.h"
#include "model/measure.h"
#include "notation/layout/pitch.h"
#include "tests/notation/display/clefkey_support.h"
#include "tests/notation/support/durationgate.h"

#include <gtest/gtest.h>

namespace {

using clefkey::Displayed;

class ClefProbe : public DCctClef {
public:
    using DCctClef::GetStaffLine;
};

using Clef = Displayed<ECClef, ClefProbe>;
using Key = Displayed<ECKey, DCctKey>;

TEST(ClefDisplayTest, TableOfClefs) {
    const struct {
        BYTE type;
        UINT glyph;
        BYTE line, top, middle, bottom;
    } cases[] = {
        {0, 38, 3, 77, 71, 64},     {1, 160, 3, 89, 83, 76},   {2, 86, 3, 65, 59, 52},
        {3, 63, 1, 57, 50, 44},     {4, 114, 1, 69, 62, 56},   {5, 116, 1, 45, 38, 32},
        {6, 66, 1, 64, 57, 51},     {7, 66, 2, 67, 60, 54},    {8, 214, 2, 29, 23, 16},
    };
    for (const auto& c : cases) {
        Clef clef(c.type);
        EXPECT_EQ(clef.display.GetFontFromType(), c.glyph) << int(c.type);
        EXPECT_EQ(clef.display.GetStaffLine(), c.line) << int(c.type);
        EXPECT_EQ(clef.display.GetTopLineMidiPitch(), c.top) << int(c.type);
        EXPECT_EQ(clef.display.GetMiddleLineMidiPitch(), c.middle) << int(c.type);
        // 13 below the top line for every clef, bass and C clefs too.
        EXPECT_EQ(clef.display.GetBottomLineMidiPitch(), c.bottom) << int(c.type);
    }
    // Past the table: no glyph, no pitches, the line stays where it was.
    Clef none(9);
    EXPECT_EQ(none.display.GetFontFromType(), 0u);
    EXPECT_EQ(none.display.GetTopLineMidiPitch(), 0);
    EXPECT_EQ(none.display.GetStaffLine(), 0);
    none.event->SetClefType(3);
    EXPECT_EQ(none.display.GetStaffLine(), 1);
    none.event->SetClefType(200);
    EXPECT_EQ(none.display.GetStaffLine(), 1);
}

TEST(ClefDisplayTest, StaffPositionsToPitches) {
    Key cMajor(short(0), 0);
    Key gMajor(short(1), 0);
    Key fMajor(short(-1), 0);
    for (Key* key : {&cMajor, &gMajor, &fMajor}) {
        key->display.SetClef(0);
        key->display.SetKey(key->event->GetAccidentals(), 0);
    }
    const struct {
        BYTE type;
        short position;
        DCctKey* key;
        BYTE pitch;
    } cases[] = {
        {0, 0, &cMajor.display, 77},   // treble: the top line F
        {0, -1, &cMajor.display, 76},
        {0, -7, &cMajor.display, 65},  // an octave down, truncating
        {0, -8, &cMajor.display, 64},
        {0, -15, &cMajor.display, 52},
        {0, 2, &cMajor.display, 81},
        {0, 7, &cMajor.display, 89},
        {0, 0, &gMajor.display, 78},   // F raised by the key
        {0, -7, &gMajor.display, 66},
        {0, -4, &fMajor.display, 70},  // the middle line's B lowered
        {0, 3, &fMajor.display, 82},
        {0, 0, nullptr, 77},           // no key: no accidentals
        {3, 0, &cMajor.display, 57},   // bass: the top line A
        {3, -1, &cMajor.display, 55},
        {3, -8, &cMajor.display, 43},
        {3, 1, &cMajor.display, 59},
        {7, -4, &cMajor.display, 60},  // alto: the middle line C
        {7, 0, &cMajor.display, 67},
        {6, -4, &cMajor.display, 57},  // tenor: the middle line A
        {6, 3, &cMajor.display, 69},
    };
    for (const auto& c : cases) {
        Clef clef(c.type);
        EXPECT_EQ(clef.display.StaffLineToMidiPitch(c.position, c.key), c.pitch)
            << int(c.type) << " at " << c.position;
    }
    // The drum clef reads the percussion map, 17 staff degrees above the position.
    Clef drum(8);
    for (short position : {0, -4, 3})
        EXPECT_EQ(drum.display.StaffLineToMidiPitch(position, &cMajor.display),
                  MCPitch::StaffDegreeToMidiPitch(static_cast<uint8_t>(position + 17)))
            << position;
}

TEST(ClefDisplayTest, DistanceFromTheMiddleLineAndSpaces) {
    const struct {
        BYTE type;
        uint8_t key;
        int distance, space;
    } cases[] = {
        {0, 71, 0, 0},   // treble: B on the middle line
        {0, 72, 1, 1},   // C above it, in a space
        {0, 69, 1, 1},   // A below it
        {0, 74, 2, 0},
        {0, 77, 4, 0},   // the top line
        {0, 60, 6, 0},   // middle C on its ledger line
        {3, 50, 0, 0},   // bass: D
        {3, 48, 1, 1},
        {7, 60, 0, 0},   // alto: C
    };
    for (const auto& c : cases) {
        Clef clef(c.type);
        MCPitch pitch(c.key, 0);
        EXPECT_EQ(clef.display.GetDistanceFromMiddleLine(pitch), c.distance) << int(c.type) << " " << int(c.key);
        EXPECT_EQ(clef.display.InSpace(pitch), c.space) << int(c.type) << " " << int(c.key);
    }
    Clef drum(8);
    MCPitch snare(38, 0);
    EXPECT_EQ(drum.display.InSpace(snare), 1);
}

TEST(ClefDisplayTest, CopyKeepsTheWholeWordAndArchivesTheHeadAlone) {
    ClefProbe clef;
    EXPECT_EQ(clef.IsFullSize(), 1);
    EXPECT_EQ(clef.GetStateWord(), 0x101FFFu);   // general dirty, every kind, full size
    clef.SetSelected(1);
    clef.SetHidden(1);
    clef.SetFullSize(0);
    const ClefProbe copy(clef);
    EXPECT_EQ(copy.GetStateWord(), clef.GetStateWord());

    DCctClef stored;
    stored.SetStateWord(0x101FFFu);
    stored.SetPosition(-2, 300);
    stored.SetStoredOffset(CSize(-1, 0x1234));
    const clefkey::Bytes want = {
        0, 0, 0, 0, 1, 0, 0, 0,      // the state field's own parts
        0xFF, 0x1F, 0x10, 0x00,      // the state word, full-size bit included
        0x00, 0x00,                  // no owner
        0xFE, 0xFF, 0xFF, 0xFF,      // x
        0x2C, 0x01, 0x00, 0x00,      // y
        0xFF, 0xFF, 0x34, 0x12,      // dx, dy
    };
    EXPECT_EQ(clefkey::Store(&stored), want);
    DCctClef loaded;
    loaded.SetFullSize(0);
    clefkey::Load(&loaded, want);
    EXPECT_EQ(loaded.IsFullSize(), 1);
    EXPECT_EQ(loaded.GetPosition(), CPoint(-3, 300 + 0x1234));
}

TEST(ClefDisplayTest, RegisteredUnderTheDataBase) {
    notation_test::StartPlugin();
    EXPECT_EQ(CPluginData::GetDataClass(DK_NOTATION, ET_CLEF), RUNTIME_CLASS(DCctClef));
    EXPECT_EQ(RUNTIME_CLASS(DCctClef)->m_pBaseClass, RUNTIME_CLASS(DCBase));
    auto* clef = new ECClef(3);
    clef->Ref();
    DCBase* data = clef->GetData(DK_NOTATION, 1);
    auto* display = dynamic_cast<DCctBase*>(data);
    ASSERT_NE(display, nullptr);   // reached by a C++ cast, as every caller does
    EXPECT_EQ(dynamic_cast<DCctClef*>(display)->GetTopLineMidiPitch(), 57);
    clef->Unref(1);
}

TEST(ClefDisplayTest, PlacingNeedsItsMeasure) {
    Clef clef(0);
    EXPECT_EQ(clef.display.Position(nullptr, nullptr, nullptr, nullptr), 0);
    // A measure outside any piece has no conductor measure to place by.
    auto* measure = new ECMeasure;
    measure->Ref();
    const MCTime zero(0.0f);
    measure->SetTime(&zero);
    clef.event->SetTime(&zero);
    EXPECT_EQ(clef.display.Position(nullptr, nullptr, measure, nullptr), 0);
    measure->Unref(1);
}

// ---- drawing ----------------------------------------------------------------------

constexpr int kH = 20;          // notehead height: a staff space
constexpr int kOriginX = 40;
constexpr int kOriginY = 150;   // the top line at logical y 0

struct ClefDrawing {
    MusicFontScope font{kH};
    DisplayCanvas canvas{300, 300, kOriginX, kOriginY};
    Clef clef;
    explicit ClefDrawing(BYTE type) : clef(type) {}
    std::optional<clefkey::InkBox> Draw(int x = 0) {
        EXPECT_EQ(clef.display.Draw(&canvas.dc, CPoint(x, 0), nullptr), 1);
        return clefkey::InkIn(canvas.Image(), kOriginX, kOriginY);
    }
};

TEST(ClefDisplayTest, TrebleInkInsideItsFrameAndAcrossTheStaff) {
    ClefDrawing drawing(0);
    ASSERT_EQ(MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT), kH);
    const auto ink = drawing.Draw();
    ASSERT_TRUE(ink);
    CRect frame;
    drawing.clef.display.GetFrame(&frame, 0);
    EXPECT_EQ(drawing.clef.display.FrameDirty(), 0);
    EXPECT_NEAR(ink->left, frame.left, 1);
    EXPECT_NEAR(ink->right, frame.right - 1, 1);
    EXPECT_NEAR(ink->top, frame.top, 1);
    EXPECT_NEAR(ink->bottom, frame.bottom + 1, 1);
    // A treble clef reaches above the top line and below the bottom line.
    EXPECT_GT(ink->top, 0);
    EXPECT_LT(ink->bottom, -4 * kH);
}

TEST(ClefDisplayTest, BassFrameSitsOnItsLine) {
    ClefDrawing drawing(3);
    const auto ink = drawing.Draw();
    ASSERT_TRUE(ink);
    CRect frame;
    drawing.clef.display.GetFrame(&frame, 0);
    const MCMusicFont::MusicFontMetrics& box = drawing.clef.display.GetMetrics();
    EXPECT_EQ(frame.top, box.GetTop() - kH);   // one line down
    EXPECT_NEAR(ink->top, frame.top, 1);
    EXPECT_NEAR(ink->bottom, frame.bottom + 1, 1);
}

TEST(ClefDisplayTest, SmallClefIsThreeQuartersAndLeavesTheFontAlone) {
    const MCMusicFont& font = MCMusicFont::GetMusicFont();
    int full = 0;
    {
        ClefDrawing drawing(0);
        const auto ink = drawing.Draw();
        ASSERT_TRUE(ink);
        full = ink->top - ink->bottom;
    }
    ClefDrawing drawing(0);
    LOGFONT logFont;
    MCMusicFont::NoteMetrics before;
    font.SaveLogFont(&logFont, &before);
    const MCMusicFont::MusicFontMetrics cached = font.GetMusicMetrics(38, FONT_NORMAL);
    drawing.clef.display.SetFullSize(0);
    const auto ink = drawing.Draw();
    ASSERT_TRUE(ink);
    const int small = ink->top - ink->bottom;
    EXPECT_NEAR(small * 4, full * 3, full / 5) << small << " of " << full;
    // The full size is back, and the glyph caches hold the full-size boxes.
    MCMusicFont::NoteMetrics after;
    font.SaveLogFont(&logFont, &after);
    EXPECT_EQ(after, before);
    EXPECT_EQ(font.GetMusicMetrics(38, FONT_NORMAL), cached);
}

TEST(ClefDisplayTest, NoClefDrawsNothing) {
    ClefDrawing drawing(9);
    EXPECT_FALSE(drawing.Draw());
    EXPECT_EQ(drawing.clef.display.FrameDirty(), 1);   // nothing to measure
    CRect rect(0, 100, 100, 0);
    EXPECT_EQ(drawing.clef.display.DrawInRect(&drawing.canvas.dc, &rect), 1);
    EXPECT_FALSE(clefkey::InkIn(drawing.canvas.Image(), kOriginX, kOriginY));
}

}  // namespace
