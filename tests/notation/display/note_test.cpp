// The note display: notehead and flag glyphs by value, style and stem
// direction, the guarded notehead style, the stem's attachment, placing on
// the ruler and staff, the note's archive tail, and what a note not spelled
// yet does.
#include "notation/display/note.h"

#include "model/markings.h"
#include "notation/display/records.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/display/note_support.h"
#include "tests/notation/support/durationgate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using namespace note_test;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t HAS_STEM = 1u << 20;
constexpr uint32_t STEM_HIDDEN = 1u << 21;
constexpr uint32_t FLAG = 1u << 24;
constexpr size_t HEAD = 26;

// The protected glyph and flag queries, for the tables.
struct GlyphNote : DCctNote {
    using DCctNote::GetFlagFromValue;
    using DCctNote::GetFontFromFlagType;
    using DCctNote::AttachStem;
};

TEST(NoteTest, ValueGivesNoteheadFlagAndStem) {
    const struct {
        int ticks;
        int kind;
        uint32_t bits;   // stem, hidden, flag
        int flags;
        int glyph;       // style 0
        int length;
    } cases[] = {
        {2048, 3, STEM_HIDDEN, 0, 87, 7},  {1024, 2, STEM_HIDDEN, 0, 119, 7},
        {512, 1, HAS_STEM, 0, 250, 7},     {256, 0, HAS_STEM, 0, 207, 7},
        {128, 0, HAS_STEM | FLAG, 1, 207, 7}, {64, 0, HAS_STEM | FLAG, 2, 207, 7},
        {32, 0, HAS_STEM | FLAG, 3, 207, 9},  {8, 0, HAS_STEM | FLAG, 5, 207, 13},
        {0, 4, STEM_HIDDEN, 0, 207, 13},
    };
    for (const auto& c : cases) {
        GlyphNote note;
        note.SetValue(static_cast<WORD>(c.ticks), 0);
        EXPECT_EQ(note.GetNoteheadKind(), c.kind) << c.ticks;
        EXPECT_EQ(note.GetStateWord() & (HAS_STEM | STEM_HIDDEN | FLAG), c.bits) << c.ticks;
        EXPECT_EQ(note.GetFlagFromValue(), c.flags) << c.ticks;
        EXPECT_EQ(note.GetFontFromType(), static_cast<UINT>(c.glyph)) << c.ticks;
        EXPECT_EQ(note.GetStemLength(), c.length) << c.ticks;
    }

    GlyphNote overridden;
    overridden.SetStemLength(4, 0, 1);
    overridden.SetValue(32, 0);
    EXPECT_EQ(overridden.GetStemLength(), 4);
}

TEST(NoteTest, FlagGlyphByCountAndDirection) {
    const struct {
        int ticks, up, down;
    } cases[] = {{256, 0, 0}, {128, 106, 74}, {64, 156, 136}, {32, 157, 137}, {16, 158, 138}, {8, 159, 139}};
    for (const auto& c : cases) {
        GlyphNote note;
        note.SetValue(static_cast<WORD>(c.ticks), 0);
        EXPECT_EQ(note.GetFontFromFlagType(), static_cast<UINT>(c.up)) << c.ticks;
        note.SetStemDirection(1, 0);
        EXPECT_EQ(note.GetFontFromFlagType(), static_cast<UINT>(c.down)) << c.ticks;
    }
}

TEST(NoteTest, NoteheadGlyphByStyleAndKind) {
    const struct {
        int style;
        int half, whole, black, doubleWhole;
    } cases[] = {
        {0, 250, 119, 207, 87},  {7, 250, 119, 207, 87},  {1, 218, 218, 192, 192}, {2, 225, 225, 226, 226},
        {3, 173, 173, 208, 208}, {4, 243, 243, 243, 243}, {5, 121, 121, 209, 209}, {6, 239, 239, 246, 246},
        {8, 207, 207, 207, 207}, {200, 207, 207, 207, 207},
    };
    for (const auto& c : cases) {
        DCctNote note;
        note.SetNoteheadStyle(static_cast<BYTE>(c.style), 0);
        const struct {
            int ticks, glyph;
        } values[] = {{512, c.half}, {1024, c.whole}, {256, c.black}, {2048, c.doubleWhole}};
        for (const auto& v : values) {
            note.SetValue(static_cast<WORD>(v.ticks), 0);
            EXPECT_EQ(note.GetFontFromType(), static_cast<UINT>(v.glyph)) << c.style << " " << v.ticks;
        }
    }
}

TEST(NoteTest, NoteheadStyleKeepsTheUserOverride) {
    DCctNote note;
    note.SetNoteheadStyle(1, 1);
    note.SetNoteheadStyle(3, 0);
    EXPECT_EQ(note.GetNoteheadStyle(), 1);
    note.SetNoteheadStyle(3, 1);
    EXPECT_EQ(note.GetNoteheadStyle(), 3);
}

TEST(NoteTest, StemAttachesByStyleSideAndDirection) {
    MusicFontScope font(12);
    MCMusicFont& music = MCMusicFont::GetMusicFont();
    const int sw = music.GetStemWidth(FONT_NORMAL);
    const int h = music.GetNoteheadHeight(FONT_NORMAL);
    GlyphNote note;
    note.SetSize(nullptr);
    const CRect head = [&] {
        CRect r;
        note.GetNoteheadFrame(&r);
        return r;
    }();
    const int W = head.Width();
    const int H = head.top - head.bottom;
    ASSERT_GT(W, sw);
    const struct {
        int style, direction, side, x, y;
    } cases[] = {
        {0, 0, 1, W - sw, sw}, {0, 1, 0, 0, 0},      {3, 0, 0, 0, sw},      {1, 0, 1, W - sw, H / 2},
        {4, 1, 1, W - sw, -(H / 2)}, {2, 0, 1, W - sw, 0}, {5, 0, 1, W / 2, sw}, {5, 1, 1, 0, -(h / 2)},
        {6, 0, 0, W / 2, sw},  {9, 0, 1, 0, 0},
    };
    for (const auto& c : cases) {
        note.SetNoteheadStyle(static_cast<BYTE>(c.style), 1);
        note.SetStemDirection(c.direction, 1);
        note.SetStemSide(c.side, 1);
        note.AttachStem();
        EXPECT_EQ(note.GetStemOffset(), CPoint(c.x, c.y)) << c.style << " " << c.direction << c.side;
    }
}

TEST(NotePlacementTest, OnTheRulerAndStaffByPitch) {
    MusicFontScope font(12);
    measure_test::LinksScope links;
    measure_test::Score score(0, 1);
    score.ColumnDisplay(1);
    score.Display(1);
    score.AddClef(1, 0, 0);
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    const int w = MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT);

    const struct {
        int key;
        int position;   // notehead position
        int x, y;
    } cases[] = {
        {64, 0, 0, -4 * h},  // E4 on the bottom line
        {77, 0, 0, 0},       // F5 on the top line
        {60, 2, w, -5 * h},  // C4, one notehead width right
        {83, 1, -w, 3 * h / 2},
    };
    for (const auto& c : cases) {
        DCctNote* note = AddNote(score, 1, c.key, 256);
        note->SetNoteheadPosition(static_cast<BYTE>(c.position));
        ASSERT_EQ(note->Position(nullptr, nullptr, nullptr, nullptr), 1) << c.key;
        EXPECT_EQ(note->GetX(), c.x) << c.key;
        EXPECT_EQ(note->GetY(), c.y) << c.key;
        EXPECT_EQ(note->GetYPositionForPitch(0), c.y) << c.key;
    }

    // Not spelled yet: neither placed nor drawn.
    DCctNote* unspelled = AddNote(score, 1, 64, 256);
    unspelled->GetSpelling() = MCPitch();
    unspelled->SetPosition(7, 7);
    EXPECT_EQ(unspelled->Position(nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(unspelled->GetPosition(), CPoint(7, 7));
    DisplayCanvas canvas(8, 8, 0, 0);
    EXPECT_EQ(unspelled->Draw(&canvas.dc, CPoint(0, 0), nullptr), 128);
}

TEST(NotePlacementTest, MissingMeasureOrColumnIsNotPlaced) {
    measure_test::LinksScope links;
    measure_test::Score score(0, 1);
    DCctNote* note = AddNote(score, 1, 64, 256);
    EXPECT_EQ(note->Position(nullptr, nullptr, nullptr, nullptr), 0);   // no conductor measure display
    DCctNote free;
    free.GetSpelling() = Pitch(64);
    EXPECT_EQ(free.Position(nullptr, nullptr, nullptr, nullptr), 0);   // no owner
}

TEST(NoteTest, TieDirectionByPitch) {
    ClefLinksScope links;
    ClefLines treble;
    const struct {
        int key, direction;
    } cases[] = {{72, 0}, {71, 1}, {60, 1}};
    for (const auto& c : cases) {
        DCctNote note;
        note.GetSpelling() = Pitch(c.key);
        note.SetTieDirectionByPitch(AsClef(treble));
        EXPECT_EQ(note.GetTieDirection(), c.direction) << c.key;
    }
}

TEST(NoteArchiveTest, TailAfterTheDurationFields) {
    DCctNote note;
    note.SetValue(512, 0);
    note.SetNoteheadStyle(3, 1);
    note.SetNoteheadPosition(2);
    note.SetCourtesyAccidental(1, 0);
    const Bytes bytes = StoreBytes(&note);
    ASSERT_EQ(bytes.size(), HEAD + 16 + 5);
    const Bytes tail(bytes.end() - 5, bytes.end());
    // Dirty bits 0, 2, 4, 6; style override (7); position 2; half kind 1; style 3.
    EXPECT_EQ(tail, (Bytes{0xD5, 0x12, 0x03, 0x00, 6}));

    DCctNote loaded;
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load);
    loaded.Serialize(ar);
    ar.Close();
    EXPECT_EQ(loaded.GetNoteheadStyle(), 3);
    EXPECT_EQ(loaded.GetNoteheadPosition(), 2);
    EXPECT_EQ(loaded.GetNoteheadKind(), 1);
    EXPECT_EQ(loaded.GetCourtesyAccidental(), 1);
    EXPECT_EQ(StoreBytes(&loaded), bytes);
}

TEST(NoteTest, CopyTakesTheWholeStateWordAndANewNotehead) {
    DCctNote source;
    source.SetValue(128, 0);
    source.SetNoteheadStyle(5, 1);
    source.SetUserSpelled(1);
    source.SetTieDirection(1);
    DCctNote copy(source);
    EXPECT_EQ(copy.GetFlag(), 1);
    EXPECT_EQ(copy.IsUserSpelled(), 1);
    EXPECT_EQ(copy.GetTieDirection(), 1);
    EXPECT_EQ(copy.GetNoteheadStyle(), 0);
    EXPECT_EQ(copy.GetFlagType(), 6);
}

TEST(NoteTest, RegisteredForNotesAlone) {
    EXPECT_EQ(notation_test::StartPlugin(), 87);
    EXPECT_EQ(CPluginData::GetDataClass(DK_NOTATION, ET_NOTE), RUNTIME_CLASS(DCctNote));
    for (const CPluginData& record : DisplayDataRecords())
        EXPECT_NE(record.GetDataClass(), RUNTIME_CLASS(DCctNotate));   // the base has no row
}

}  // namespace
