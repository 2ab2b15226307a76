// The key signature display: key codes from counts, the accidentals laid
// out for each clef, the key vector, the copy and the archive tail, custom
// codes from files, and the ink of a drawn key.
#include "notation/display/clef.h"
#include "notation/display/key.h"
#include "notation/display/records.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/staff.h"
#include "tests/model/piece_support.h"
#include "tests/notation/display/clefkey_support.h"
#include "tests/notation/support/durationgate.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using clefkey::Displayed;
using Key = Displayed<ECKey, DCctKey>;

constexpr int kH = 20;   // notehead height under MusicFontScope(kH)

std::vector<int> Heights(DCctKey& key) {
    std::vector<int> heights;
    for (const DCctKey::Accidental& accidental : key.GetAccidentals())
        heights.push_back(accidental.y);
    return heights;
}

std::array<int, 7> Vector(const signed char* vector) {
    std::array<int, 7> values{};
    for (int i = 0; i < 7; ++i)
        values[i] = vector[i];
    return values;
}

TEST(KeyDisplayTest, CodesFromCounts) {
    const struct {
        int sharps, minor, code, count, degree;
    } cases[] = {
        {0, 0, 8, 0, 0},     // C major
        {0, 1, 23, 0, 5},    // A minor
        {2, 0, 6, 2, 1},     // D major
        {-3, 1, 26, 3, 0},   // C minor
        {-7, 0, 15, 7, 0},   // C flat major
        {7, 1, 16, 7, 5},    // A sharp minor
        {9, 0, 11, 3, 2},    // nine sharps read as three flats
        {-9, 1, 5, 3, 5},    // nine flats as three sharps (the mode is not kept)
        {12, 0, 8, 0, 0},
        {-12, 0, 8, 0, 0},
    };
    for (const auto& c : cases) {
        DCctKey key;
        key.SetKey(c.sharps, c.minor);
        EXPECT_EQ(key.GetKeyCode(), c.code) << c.sharps << "," << c.minor;
        EXPECT_EQ(key.GetAccidentalCount(), c.count) << c.sharps;
        EXPECT_EQ(key.GetKeyDegree(), c.degree) << c.sharps;
        EXPECT_EQ(key.IsDirty(), 1);
        EXPECT_EQ(key.FrameDirty(), 1);
    }
    const struct {
        int code, count, flavor, degree;
    } table[] = {
        {0, 0, 0, 0},   {1, 7, 1, 0},   {7, 1, 1, 4},    {8, 0, 3, 0},   {9, 1, 2, 3},
        {15, 7, 2, 0},  {22, 1, 1, 2},  {24, 1, 2, 1},   {30, 7, 2, 5},  {31, 0, 2, 0},
        {130, 0, 2, 0}, {131, 1, 3, 7}, {137, 7, 3, 7},  {138, 0, 3, 0}, {-4, 0, 3, 0},
    };
    for (const auto& t : table) {
        EXPECT_EQ(DCctKey::NumberOfAccidentals(t.code), t.count) << t.code;
        EXPECT_EQ(DCctKey::KeyFlavor(t.code), t.flavor) << t.code;
        EXPECT_EQ(DCctKey::KeyDegree(t.code), t.degree) << t.code;
    }
}

TEST(KeyDisplayTest, HeightsForEachClef) {
    MusicFontScope font(kH);
    ASSERT_EQ(MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT), kH);
    const int h = kH;
    const struct {
        BYTE clef;
        int sharps;
        std::vector<int> heights;
    } cases[] = {
        {0, 3, {0, -3 * h / 2, h / 2}},              // treble
        {3, 3, {-h, -5 * h / 2, -h / 2}},            // bass
        {4, 3, {-h, -5 * h / 2, -h / 2}},            // bass an octave up: the same
        {7, 2, {-h / 2, -2 * h}},                    // alto
        {6, 2, {-3 * h, -h}},                        // tenor: the low sharp C goes up
        {0, -7, {-2 * h, -h / 2, -5 * h / 2, -h, -3 * h, -3 * h / 2, -7 * h / 2}},
        {3, -7, {-3 * h, -3 * h / 2, -7 * h / 2, -2 * h, -4 * h, -5 * h / 2, -9 * h / 2}},   // F flat stays low
        {6, -2, {-5 * h + 7 * h / 2, -7 * h / 2}},   // tenor: the B flat far below comes up
        {9, 1, {0}},                                 // no clef: as treble
    };
    for (const auto& c : cases) {
        DCctKey key;
        key.SetClef(c.clef);
        key.SetKey(c.sharps, 0);
        EXPECT_EQ(Heights(key), c.heights) << int(c.clef) << " " << c.sharps;
        EXPECT_EQ(key.AssembleDirty(), 0);
        for (const DCctKey::Accidental& accidental : key.GetAccidentals())
            EXPECT_EQ(accidental.glyph, c.sharps > 0 ? DCctKey::GLYPH_SHARP : DCctKey::GLYPH_FLAT);
    }
}

TEST(KeyDisplayTest, KeyVectors) {
    MusicFontScope font(kH);
    const struct {
        int sharps;
        std::array<int, 7> vector;
    } cases[] = {
        {0, {0, 2, 4, 5, 7, 9, 11}},
        {1, {0, 2, 4, 6, 7, 9, 11}},     // G major: F sharp
        {2, {1, 2, 4, 6, 7, 9, 11}},     // D major
        {-1, {0, 2, 4, 5, 7, 9, 10}},    // F major: B flat
        {-3, {0, 2, 3, 5, 7, 8, 10}},
        {7, {1, 3, 5, 6, 8, 10, 12}},
    };
    for (const auto& c : cases) {
        DCctKey key;
        key.SetClef(0);
        key.SetKey(c.sharps, 0);
        EXPECT_EQ(Vector(key.GetKeyVector()), c.vector) << c.sharps;
    }
    EXPECT_EQ(Vector(DCctKey::GetDiatonicVector()), (std::array<int, 7>{0, 2, 4, 5, 7, 9, 11}));

    // A cancelling key draws naturals and alters nothing.
    DCctKey cancel;
    cancel.SetClef(0);
    cancel.SetCancelPreviousKey(1);
    cancel.SetKey(2, 0);
    ASSERT_EQ(cancel.GetAccidentals().size(), 2u);
    for (const DCctKey::Accidental& accidental : cancel.GetAccidentals())
        EXPECT_EQ(accidental.glyph, DCctKey::GLYPH_NATURAL);
    EXPECT_EQ(Heights(cancel), (std::vector<int>{0, -3 * kH / 2}));
    EXPECT_EQ(Vector(cancel.GetKeyVector()), Vector(DCctKey::GetDiatonicVector()));
}

TEST(KeyDisplayTest, CodeZeroHasNothingToAssemble) {
    MusicFontScope font(kH);
    DisplayCanvas canvas(200, 200, 20, 100);
    DCctKey key;
    key.SetKey(KEY_NONE, std::span<const tag_accidentals>());
    EXPECT_EQ(key.AssembleDirty(), 1);
    EXPECT_TRUE(key.GetAccidentals().empty());
    EXPECT_EQ(key.Draw(&canvas.dc, CPoint(0, 0), nullptr), 1);
    EXPECT_FALSE(clefkey::InkIn(canvas.Image(), 20, 100));
    EXPECT_EQ(key.AssembleDirty(), 1);
}

TEST(KeyDisplayTest, CopyStartsAsCMajorAndTheTailIsTheCode) {
    MusicFontScope font(kH);
    DCctKey key;
    key.SetClef(3);
    key.SetCancelPreviousKey(1);
    key.SetKey(2, 0);
    key.SetPosition(7, -8);
    const DCctKey copy(key);
    EXPECT_EQ(copy.GetKeyCode(), KEY_C_MAJOR);
    EXPECT_EQ(copy.GetClef(), DCctKey::CLEF_LOOK_UP);
    EXPECT_TRUE(copy.GetAccidentals().empty());
    EXPECT_EQ(copy.IsCancelPreviousKey(), 0);
    EXPECT_EQ(const_cast<DCctKey&>(copy).GetPosition(), CPoint(7, -8));

    DCctKey stored;
    stored.SetStateWord(0x1FFFu);
    stored.SetKey(2, 0);         // assembled: the assemble kind cleared
    const clefkey::Bytes want = {
        0, 0, 0, 0, 1, 0, 0, 0,
        0xFF, 0x0F, 0x00, 0x00,      // the state word
        0x00, 0x00,                  // no owner
        0, 0, 0, 0, 0, 0, 0, 0,      // x, y
        0, 0, 0, 0,                  // dx, dy
        0x06, 0x00, 0x00, 0x00,      // the key code: D major
    };
    EXPECT_EQ(clefkey::Store(&stored), want);
    DCctKey loaded;
    clefkey::Load(&loaded, want);
    EXPECT_EQ(loaded.GetKeyCode(), 6);
    EXPECT_EQ(loaded.AssembleDirty(), 1);
    loaded.SetClef(0);
    loaded.Assemble();
    EXPECT_EQ(Heights(loaded), (std::vector<int>{0, -3 * kH / 2}));
}

TEST(KeyDisplayTest, CustomCodeFromAFileHasNoAccidentals) {
    MusicFontScope font(kH);
    DCctKey custom;
    custom.SetClef(0);
    const tag_accidentals list[] = {ACC_SHARP_F, static_cast<tag_accidentals>(ACC_FLAT_B + 1)};
    custom.SetKey(static_cast<tag_keysignature>(132), list);
    EXPECT_EQ(Heights(custom), (std::vector<int>{0, -kH / 2}));   // F sharp, E flat
    EXPECT_EQ(custom.GetAccidentalCount(), 2);

    clefkey::Bytes bytes = clefkey::Store(&custom);
    bytes[bytes.size() - 4] = 131;
    DCctKey loaded;
    clefkey::Load(&loaded, bytes);
    EXPECT_EQ(loaded.GetKeyCode(), 131);
    loaded.SetClef(0);
    DisplayCanvas canvas(200, 200, 20, 100);
    EXPECT_EQ(loaded.Draw(&canvas.dc, CPoint(0, 0), nullptr), 1);
    EXPECT_FALSE(clefkey::InkIn(canvas.Image(), 20, 100));
    EXPECT_TRUE(loaded.GetAccidentals().empty());
    EXPECT_EQ(loaded.GetAccidentalCount(), 0);
    EXPECT_EQ(Vector(loaded.GetKeyVector()), Vector(DCctKey::GetDiatonicVector()));
}

TEST(KeyDisplayTest, DMajorInkOnItsLines) {
    MusicFontScope font(kH);
    constexpr int originX = 40;
    constexpr int originY = 100;
    DisplayCanvas canvas(200, 200, originX, originY);
    DCctKey key;
    key.SetClef(0);
    key.SetKey(2, 0);
    EXPECT_EQ(key.Draw(&canvas.dc, CPoint(0, 0), nullptr), 1);
    EXPECT_EQ(key.FrameDirty(), 0);
    EXPECT_EQ(key.GetXOfLastAccidental(), kH);
    const int expected[] = {0, -3 * kH / 2};   // F and C
    // Each accidental's step less its first pixels: a sharp reaches a pixel
    // or two into the next step.
    constexpr int kOverhang = 2;
    for (int i = 0; i < 2; ++i) {
        const auto ink = clefkey::InkIn(canvas.Image(), originX, originY, originX + i * kH + kOverhang,
                                        originX + (i + 1) * kH);
        ASSERT_TRUE(ink) << i;
        EXPECT_NEAR((ink->top + ink->bottom) / 2.0, expected[i], 1.5) << i;
    }
    // Everything inked lies in the frame (a notehead's width for each
    // accidental: the last one's ink may reach a pixel past it).
    const auto all = clefkey::InkIn(canvas.Image(), originX, originY);
    ASSERT_TRUE(all);
    CRect frame;
    key.GetFrame(&frame, 0);
    EXPECT_GE(all->left, frame.left - 1);
    EXPECT_LE(all->right, frame.right + 1);
    EXPECT_LE(all->top, frame.top + 1);
    EXPECT_GE(all->bottom, frame.bottom - 1);
    EXPECT_EQ(frame.Width(), 2 * kH);
}

// The layout walks size with no device context at times (the engine's own
// sizing): the key then measures on its own and gets the same frame.
TEST(KeyDisplayTest, SizedWithoutADeviceContextAsWithOne) {
    MusicFontScope font(kH);
    DisplayCanvas canvas(200, 200, 40, 100);
    DCctKey drawn;
    DCctKey measured;
    for (DCctKey* key : {&drawn, &measured}) {
        key->SetClef(0);
        key->SetKey(-3, 0);
    }
    drawn.SetSize(&canvas.dc);
    measured.SetSize(nullptr);
    EXPECT_EQ(measured.FrameDirty(), 0);
    CRect expected;
    CRect frame;
    drawn.GetFrame(&expected, 0);
    measured.GetFrame(&frame, 0);
    EXPECT_EQ(frame, expected);
    EXPECT_GT(frame.top, frame.bottom);   // y up: a glyph has height
}

// ---- the clef in force, from the piece ------------------------------------------------

struct KeyInPieceTest : piece::PieceTest {
    void SetUp() override {
        PieceTest::SetUp();
        notation_test::StartPlugin();
        MakeStaves(1);
        MakeMeasures(1);
        measure = m_conductor->GetMeasure(1, 1);
        ASSERT_NE(measure, nullptr);
    }
    template <class Mark>
    Mark* Add(Mark* mark) {
        const MCTime zero(0.0f);
        mark->SetTime(&zero);
        mark->SetVoiceTrack(0, 1);
        measure->AddChild(mark, SORTED);
        return mark;
    }
    ECMeasure* measure = nullptr;
};

TEST_F(KeyInPieceTest, LaidOutForTheClefOfItsStaff) {
    MusicFontScope font(kH);
    ECKey* key = Add(new ECKey(3, 0));
    auto* display = dynamic_cast<DCctKey*>(key->GetData(DK_NOTATION, 1));
    ASSERT_NE(display, nullptr);
    display->SetKey(3, 0);
    EXPECT_EQ(Heights(*display), (std::vector<int>{0, -3 * kH / 2, kH / 2}));   // no clef: as treble

    Add(new ECClef(3));
    display->SetKey(3, 0);
    EXPECT_EQ(Heights(*display), (std::vector<int>{-kH, -5 * kH / 2, -kH / 2}));
    // Without a display object of the conductor measure it is not placed.
    EXPECT_EQ(display->Position(m_conductor, Staff(1), measure, nullptr), 0);
}

TEST_F(KeyInPieceTest, ClefAndKeyDisplaysTravelWithTheDocument) {
    MusicFontScope font(kH);
    ECClef* clef = Add(new ECClef(3));
    ECKey* key = Add(new ECKey(-2, 0));
    auto* clefDisplay = dynamic_cast<DCctClef*>(clef->GetData(DK_NOTATION, 1));
    auto* keyDisplay = dynamic_cast<DCctKey*>(key->GetData(DK_NOTATION, 1));
    ASSERT_NE(clefDisplay, nullptr);
    ASSERT_NE(keyDisplay, nullptr);
    clefDisplay->SetFullSize(0);
    clefDisplay->SetPosition(12, 0);
    keyDisplay->SetKey(-2, 0);

    ECPerformance* loaded = piece::LoadDocument(piece::SaveDocument(m_performance));
    DCctClef* clefBack = nullptr;
    DCctKey* keyBack = nullptr;
    for (ECBase* event : document::TreeEvents(loaded)) {
        if (event->GetClassType() == ET_CLEF)
            clefBack = dynamic_cast<DCctClef*>(event->GetData(DK_NOTATION, 0));
        if (event->GetClassType() == ET_KEY)
            keyBack = dynamic_cast<DCctKey*>(event->GetData(DK_NOTATION, 0));
    }
    ASSERT_NE(clefBack, nullptr);
    ASSERT_NE(keyBack, nullptr);
    EXPECT_EQ(clefBack->IsFullSize(), 0);
    EXPECT_EQ(clefBack->GetPosition(), CPoint(12, 0));
    EXPECT_EQ(clefBack->GetTopLineMidiPitch(), 57);
    EXPECT_EQ(keyBack->GetKeyCode(), 10);
    // Laid out again for the bass clef of its staff.
    keyBack->Assemble();
    EXPECT_EQ(Heights(*keyBack), (std::vector<int>{-3 * kH, -3 * kH / 2}));
    piece::FreeDocument(loaded);
}

}  // namespace
