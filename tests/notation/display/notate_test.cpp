// The notated-duration base: values and bases, tick modes, the guarded stem
// setters, stem ends, directions by voice and pitch, ledger lines and the
// archive tail with the duration rebuilt after a load.
#include "notation/display/notate.h"

#include "model/modifiers.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/display/note_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using namespace note_test;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t HAS_STEM = 1u << 20;
constexpr uint32_t STEM_HIDDEN = 1u << 21;
constexpr uint32_t LEDGER_SPACE = 1u << 22;
constexpr uint32_t LEDGER_BELOW = 1u << 23;
constexpr size_t HEAD = 26;

// The protected conversions, for the tables.
struct Conversions : DCctNotate {
    using DCctNotate::AddToStemLength;
};

void Load(CObject* object, const Bytes& bytes) {
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load);
    object->Serialize(ar);
    ar.Close();
}

TEST(NotateTest, NewElementIsAStemmedQuarterUp) {
    DCctNotate notate;
    EXPECT_EQ(notate.GetValueCode(), DCctNotate::VALUE_QUARTER);
    EXPECT_EQ(notate.GetValue(), 256);
    EXPECT_EQ(notate.GetBase(0), 256);
    EXPECT_EQ(notate.GetBase(2), 256);
    EXPECT_EQ(notate.IsBorrowed(), 0);
    EXPECT_EQ(notate.GetStemLength(), 7);
    EXPECT_EQ(notate.GetStemDirection(), 0);
    EXPECT_EQ(notate.GetStemSide(), 1);
    EXPECT_EQ(notate.IsStemLengthDirty(), 1);
    EXPECT_EQ(notate.IsStemDirectionDirty(), 1);
    EXPECT_EQ(notate.GetStateWord() & (HAS_STEM | STEM_HIDDEN | LEDGER_SPACE | LEDGER_BELOW), 0u);
}

TEST(NotateTest, SetValueGivesCodeAndStem) {
    const struct {
        int ticks;
        int code;
        uint32_t stemBits;
    } cases[] = {
        {2048, 0, STEM_HIDDEN}, {1024, 1, STEM_HIDDEN}, {512, 2, HAS_STEM}, {256, 3, HAS_STEM},
        {128, 4, HAS_STEM},     {8, 8, HAS_STEM},       {0, 9, STEM_HIDDEN},
        {384, 0, STEM_HIDDEN},   // not a plain value: read as a double whole
    };
    for (const auto& c : cases) {
        DCctNotate notate;
        notate.SetValue(static_cast<WORD>(c.ticks), 0);
        EXPECT_EQ(notate.GetValueCode(), c.code) << c.ticks;
        EXPECT_EQ(notate.GetStateWord() & (HAS_STEM | STEM_HIDDEN), c.stemBits) << c.ticks;
    }
}

TEST(NotateTest, TicksToBaseAndBack) {
    const struct {
        int ticks;
        int base;
    } cases[] = {
        {256, 0x13}, {384, 0x34}, {768, 0x33}, {320, 0x55}, {3072, 0x31},
        {0, 0x09},     // no value, count 0: nothing divided by zero
        {136, 0x18},   // 17 x 8: the count keeps its low 4 bits
        {4096, 0x10},  // beyond a double whole: value code 0
    };
    for (const auto& c : cases)
        EXPECT_EQ(DCctNotate::TicksToBase(static_cast<WORD>(c.ticks)), c.base) << c.ticks;
    EXPECT_EQ(DCctNotate::BaseToTicks(0x34), 384);
    EXPECT_EQ(DCctNotate::BaseToTicks(0x09), 0);
    EXPECT_EQ(DCctNotate::TicksToValue(100), 0);
    EXPECT_EQ(DCctNotate::ValueToTicks(12), 0);
}

TEST(NotateTest, TickModesScaleBorrowedTicksIn32Bits) {
    const struct {
        int borrowed, base, stored, mode1, mode0;
    } cases[] = {
        {384, 256, 192, 192, 128},             // a dotted-quarter division over quarters
        {256, 256, 192, 192, 192},             // not borrowed: as stored in every mode
        {512, 1024, 60000, 60000, 54464},      // 120000 in 32 bits, then 16
        {0, 256, 192, 192, 0},                 // a borrowed base of no length
    };
    for (const auto& c : cases) {
        DCctNotate notate;
        notate.SetBase(static_cast<WORD>(c.borrowed), static_cast<WORD>(c.base));
        notate.SetTickStart(static_cast<WORD>(c.stored));
        notate.SetTickDuration(static_cast<WORD>(c.stored));
        EXPECT_EQ(notate.GetTickStart(1), c.mode1) << c.borrowed;
        EXPECT_EQ(notate.GetTickStart(0), c.mode0) << c.borrowed;
        EXPECT_EQ(notate.GetTickDuration(0), c.mode0) << c.borrowed;
        EXPECT_EQ(notate.IsBorrowed(), c.borrowed != c.base ? 1 : 0);
        EXPECT_EQ(notate.GetBase(2), c.borrowed != c.base ? c.borrowed : c.base);
    }
}

TEST(NotateTest, GuardedSettersKeepTheUserOverride) {
    DCctNotate notate;
    notate.SetAssembleDirty(0);
    notate.SetStemDirection(1, 1);
    EXPECT_EQ(notate.AssembleDirty(), 1);
    notate.SetStemDirection(0, 0);
    EXPECT_EQ(notate.GetStemDirection(), 1);
    EXPECT_EQ(notate.IsStemDirectionOverride(), 1);
    notate.SetStemDirection(0, 1);
    EXPECT_EQ(notate.GetStemDirection(), 0);
    EXPECT_EQ(notate.IsStemDirectionOverride(), 1);

    notate.SetStemSide(0, 1);
    notate.SetStemSide(1, 0);
    EXPECT_EQ(notate.GetStemSide(), 0);

    notate.SetStemLength(5, 0, 1);
    notate.SetStemLength(7, 1, 0);
    EXPECT_EQ(notate.GetStemLength(), 5);
    notate.SetStemLength(7, 0, 1);
    EXPECT_EQ(notate.GetStemLength(), 7);
}

TEST(NotateTest, ShortValuesLengthenTheStem) {
    const struct {
        int ticks, extra, length;
    } cases[] = {{128, 0, 7}, {64, 0, 7}, {32, 2, 9}, {16, 4, 11}, {8, 6, 13}, {0, 6, 13}};
    for (const auto& c : cases) {
        Conversions notate;
        notate.SetValue(static_cast<WORD>(c.ticks), 0);
        EXPECT_EQ(notate.AddToStemLength(), c.extra) << c.ticks;
        notate.SetStemLength(7, 1, 0);
        EXPECT_EQ(notate.GetStemLength(), c.length) << c.ticks;
        EXPECT_EQ(notate.GetStemFraction(), 0);
    }
}

TEST(NotateTest, StemEndSetsLengthAndFractionUnlessOverridden) {
    MusicFontScope font(12);
    const int s = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_NORMAL) / 2;
    ASSERT_GT(s, 0);
    DCctNotate notate;
    notate.SetPosition(0, 100);
    notate.SetStemEnd(100 - (8 * s + 1));
    EXPECT_EQ(notate.GetStemLength(), 8);
    EXPECT_EQ(notate.GetStemFraction(), 1);
    EXPECT_EQ(notate.GetStemHeight(), 8 * s + 1);
    notate.SetStemDirection(1, 0);
    EXPECT_EQ(notate.GetStemHeight(), -(8 * s + 1));

    notate.SetStemLength(4, 0, 1);
    notate.SetStemEnd(0);
    EXPECT_EQ(notate.GetStemLength(), 4);
}

TEST(NotateTest, StemDirectionByVoiceAndByPitch) {
    measure_test::Score score(0, 1);
    const struct {
        int voice;   // -1: the converted word (bit 15), read as voice 15
        int direction, side;
    } voices[] = {{0, 0, 1}, {1, 1, 0}, {2, 0, 1}, {7, 1, 0}, {-1, 1, 0}};
    for (const auto& c : voices) {
        DCctNote* note = AddNote(score, 1, 60, 256);
        ECBase* owner = note->GetOwner();
        if (c.voice < 0) {
            MCVoiceTrack converted;
            converted.SetDevice(3);
            owner->SetVoiceTrack(&converted);
        } else {
            owner->SetVoiceTrack(c.voice, 1);
        }
        note->SetStemDirectionByVoice();
        EXPECT_EQ(note->GetStemDirection(), c.direction) << c.voice;
        EXPECT_EQ(note->GetStemSide(), c.side) << c.voice;
    }

    ClefLinksScope links;
    ClefLines treble;
    const struct {
        int key, direction;
    } pitches[] = {{71, 0}, {72, 1}, {64, 0}, {84, 1}};
    for (const auto& c : pitches) {
        DCctNotate notate;
        notate.GetSpelling() = Pitch(c.key);
        notate.SetStemDirectionByPitch(AsClef(treble));
        EXPECT_EQ(notate.GetStemDirection(), c.direction) << c.key;
    }
    DCctNotate overridden;
    overridden.GetSpelling() = Pitch(84);
    overridden.SetStemDirection(0, 1);
    overridden.SetStemDirectionByPitch(AsClef(treble));
    EXPECT_EQ(overridden.GetStemDirection(), 0);
    overridden.SetStemDirectionByPitch(nullptr);   // no clef: nothing
    EXPECT_EQ(overridden.GetStemDirection(), 0);
}

TEST(NotateTest, LedgerLinesOutsideTheStaff) {
    ClefLinksScope links;
    ClefLines treble;
    const struct {
        int key;
        int count;
        uint32_t bits;   // 22 and 23 after the call, starting from both clear
    } cases[] = {
        {81, 1, 0},                            // A5 on the first line above
        {83, 1, LEDGER_SPACE},                 // B5 in the space above it
        {84, 2, 0},                            // C6 on the second
        {60, 1, LEDGER_BELOW},                 // C4 on the first line below
        {59, 1, LEDGER_BELOW | LEDGER_SPACE},  // B3 below it
        {79, 0, 0},                            // G5 one step above the top line
        {62, 0, 0},                            // D4 one step below the bottom line
        {71, 0, 0},                            // on the staff
    };
    for (const auto& c : cases) {
        DCctNotate notate;
        notate.GetSpelling() = Pitch(c.key);
        notate.SetLedgerLines(AsClef(treble));
        EXPECT_EQ(notate.GetLedgerLineCount(), c.count) << c.key;
        EXPECT_EQ(notate.GetStateWord() & (LEDGER_SPACE | LEDGER_BELOW), c.bits) << c.key;
    }

    // A count of 0 leaves the side bits as they were.
    DCctNotate notate;
    notate.GetSpelling() = Pitch(59);
    notate.SetLedgerLines(AsClef(treble));
    notate.GetSpelling() = Pitch(79);
    notate.SetLedgerLines(AsClef(treble));
    EXPECT_EQ(notate.GetLedgerLineCount(), 0);
    EXPECT_EQ(notate.GetStateWord() & (LEDGER_SPACE | LEDGER_BELOW), LEDGER_SPACE | LEDGER_BELOW);
    EXPECT_EQ(notate.GetLedgerLineDirection(), 1);
}

TEST(NotateTest, CopyKeepsStemAndValuesNotPlacement) {
    DCctNotate source;
    source.SetValue(128, 0);
    source.SetBase(384, 256);
    source.SetStemDirection(1, 1);
    source.SetStemLength(9, 0, 1);
    source.SetTickStart(64);
    source.SetTickDuration(128);
    source.GetSpelling() = Pitch(83);
    source.SetLedgerLineDirection(1);
    DCctNotate copy(source);
    EXPECT_EQ(copy.GetValueCode(), DCctNotate::VALUE_8TH);
    EXPECT_EQ(copy.GetBase(1), 384);
    EXPECT_EQ(copy.GetStemDirection(), 1);
    EXPECT_EQ(copy.GetStemLength(), 9);
    EXPECT_EQ(copy.IsStemDirectionOverride(), 0);   // flags start as in a new word
    EXPECT_EQ(copy.IsStemLengthOverride(), 0);
    EXPECT_EQ(copy.GetTickStart(1), 0);
    EXPECT_EQ(copy.GetTickDuration(1), 0);
    EXPECT_EQ(copy.GetSpelling().GetMidiPitch(), 0);
    EXPECT_EQ(copy.GetLedgerLineDirection(), 0);
}

TEST(NotateArchiveTest, GoldenTailOfSixteenBytes) {
    DCctNotate notate;
    notate.SetStateWord(0);
    notate.GetSpelling() = Pitch(62);   // D: degree 1, octave 5, natural, key 62
    notate.SetTickStart(0x0180);
    notate.SetValue(128, 0);
    notate.SetBase(384, 256);
    notate.SetStemDirection(1, 0);
    notate.SetTickDuration(999);   // not stored
    const Bytes bytes = StoreBytes(&notate);
    ASSERT_EQ(bytes.size(), HEAD + 16);
    const Bytes tail(bytes.begin() + HEAD, bytes.end());
    const uint16_t word = notate.GetSpelling().GetWord();
    const Bytes expected{
        static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8), 62,   // spelling, key
        0x80, 0x01,                                                       // tick start
        0x01, 0x04, 0x00, 0x00,                                           // value word: dirty, code 4
        0x13, 0x34,                                                       // base, borrowed base
        0xD5, 0x07, 0x00, 0x00,   // stem: dirty bits 0, 2, 4; down (6); side (7); length 7
        0x00,                     // ledger lines
    };
    EXPECT_EQ(tail, expected);

    DCctNotate loaded;
    Load(&loaded, bytes);
    EXPECT_EQ(loaded.GetSpelling().GetMidiPitch(), 62);
    EXPECT_EQ(loaded.GetSpelling().GetWord(), word);
    EXPECT_EQ(loaded.GetTickStart(1), 0x180);
    EXPECT_EQ(loaded.GetValueCode(), 4);
    EXPECT_EQ(loaded.GetBase(1), 384);
    EXPECT_EQ(loaded.GetStemDirection(), 1);
    const Bytes again = StoreBytes(&loaded);
    EXPECT_EQ(Bytes(again.begin() + HEAD, again.end()), tail);
}

// After a load the tick duration, which the archive does not hold, is
// rebuilt from the value and the first dot child; after a store it is left
// as it was (saving must not change the piece in memory).
TEST(NotateArchiveTest, PostSerializeRebuildsTheDurationFromTheFirstDot) {
    measure_test::Score score(0, 1);
    const struct {
        int ticks;
        int dots;   // -1: no dot child
        int duration;
    } cases[] = {{512, 1, 768}, {512, 2, 896}, {256, -1, 256}, {128, 3, 240}};
    for (const auto& c : cases) {
        DCctNote* note = AddNote(score, 1, 60, c.ticks);
        if (c.dots >= 0)
            note->GetOwner()->AddChild(new ECDot(static_cast<unsigned char>(c.dots)), 1);
        {
            CMemFile file;
            CArchive stored(&file, CArchive::store);
            note->SetTickDuration(100);
            note->PostSerialize(stored);
            stored.Close();
            EXPECT_EQ(note->GetTickDuration(1), 100) << c.ticks << " " << c.dots << " stored";
        }
        CMemFile file;
        CArchive ar(&file, CArchive::load);
        note->PostSerialize(ar);
        ar.Close();
        EXPECT_EQ(note->GetTickDuration(1), c.duration) << c.ticks << " " << c.dots;
    }

    // A value code above 9 read from a file has no length.
    DCctNotate notate;
    Bytes bytes = StoreBytes(&notate);
    bytes[HEAD + 6] = 12;
    DCctNotate loaded;
    Load(&loaded, bytes);
    CMemFile file;
    CArchive ar(&file, CArchive::load);
    loaded.PostSerialize(ar);
    ar.Close();
    EXPECT_EQ(loaded.GetTickDuration(1), 0);
}

}  // namespace
