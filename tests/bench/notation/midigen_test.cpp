// The seeded pieces of the notation benchmarks: one file for a size and a
// seed, on every machine; the sizes' shapes; and a small piece as the
// program's MIDI reader sees it (staves, measures, notes, key and meter, and
// the rhythms the generator promises).
#include "bench/notation/midigen.h"

#include "interface/document/midiread.h"
#include "interface/document/opusdoc.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/meter.h"
#include "model/performance.h"
#include "platform/core/archive.h"
#include "platform/core/file.h"
#include "tests/interface/document/doc_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <utility>
#include <vector>

namespace {

using midigen::Generate;
using midigen::Size;

// FNV-1a over the file's bytes.
uint64_t Digest(const std::vector<uint8_t>& bytes) {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (const uint8_t byte : bytes)
        hash = (hash ^ byte) * 0x100000001B3ull;
    return hash;
}

TEST(MidiGenTest, ASeedGivesOneFile) {
    for (const uint64_t seed : {0ull, 1ull, 27ull, ~0ull}) {
        SCOPED_TRACE(seed);
        EXPECT_EQ(Generate(Size::Small, seed).bytes, Generate(Size::Small, seed).bytes);
    }
    EXPECT_NE(Generate(Size::Small, 1).bytes, Generate(Size::Small, 2).bytes);
    // The generator draws its own random numbers, so seed 27 is these bytes
    // with every compiler and library; a deliberate change of the music
    // changes the digest, and the benchmarks' figures with it.
    EXPECT_EQ(Digest(Generate(Size::Small, 27).bytes), 0xF58F6A5F9E8EB3ADull);
}

TEST(MidiGenTest, SizesHaveTheirShape) {
    const struct {
        const char* name;
        Size size;
        int staves, bars, notes;
    } cases[] = {
        {"small", Size::Small, 2, 32, 600},
        {"medium", Size::Medium, 8, 200, 15000},
        {"large", Size::Large, 16, 1000, 120000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(midigen::ParseSize(c.name), c.size);
        EXPECT_STREQ(midigen::NameOf(c.size), c.name);
        for (const uint64_t seed : {3ull, 4ull}) {
            const midigen::Piece piece = Generate(c.size, seed);
            EXPECT_EQ(piece.staves, c.staves);
            EXPECT_EQ(piece.bars, c.bars);
            EXPECT_EQ(piece.notesPerStaff.size(), static_cast<size_t>(c.staves));
            EXPECT_NEAR(piece.GetNoteCount(), c.notes, c.notes / 25) << "seed " << seed;
        }
    }
    for (const char* other : {"", "Small", "huge", "small "})
        EXPECT_FALSE(midigen::ParseSize(other).has_value()) << '"' << other << '"';
}

class MidiGenReadTest : public doc_support::DocumentParts, public ::testing::Test {};

TEST_F(MidiGenReadTest, ASmallPieceReadsBackWhole) {
    const midigen::Piece piece = Generate(Size::Small, 27);
    CMemFile file(piece.bytes);
    CArchive ar(&file, CArchive::load | CArchive::bNoFlushOnDelete);
    MCMidiRead reader;
    ASSERT_EQ(reader.LoadMidiFile(ar, doc.get()), 1);
    ECPerformance* tree = doc->GetBaseEvent();
    ECConductor* conductor = tree->GetConductor();

    EXPECT_EQ(conductor->GetMaxTrackNumber(TRACK_STAFF), piece.staves);
    // The reader makes measures to each chunk's end, the end of the last bar.
    const int measures = piece.bars;
    EXPECT_EQ(conductor->GetMaxMeasureNumber(), measures);
    EXPECT_EQ(doc_support::FindEvents(tree, ET_MEASURE).size(), static_cast<size_t>(piece.staves * measures));

    // Notes by staff, as (start, length) in quarter notes.
    std::map<int, std::vector<std::pair<float, float>>> notes;
    for (ECBase* note : doc_support::FindEvents(tree, ET_NOTE))
        notes[note->GetVoiceTrack()->GetTrack()].emplace_back(note->GetTime()->GetSeconds(),
                                                                note->GetDuration()->GetSeconds());
    ASSERT_EQ(notes.size(), static_cast<size_t>(piece.staves));
    for (int staff = 1; staff <= piece.staves; ++staff)
        EXPECT_EQ(notes[staff].size(), static_cast<size_t>(piece.notesPerStaff[staff - 1])) << "staff " << staff;

    // The key on each staff (the conductor's own is not kept), one 4/4.
    std::vector<std::pair<int, int>> keys;
    for (ECBase* key : doc_support::FindEvents(tree, ET_KEY))
        keys.emplace_back(key->GetVoiceTrack()->GetTrack(), static_cast<ECKey*>(key)->GetAccidentals());
    EXPECT_EQ(keys, (std::vector<std::pair<int, int>>{{1, piece.keyAccidentals}, {2, piece.keyAccidentals}}));
    std::vector<std::pair<int, int>> meters;
    for (ECBase* meter : doc_support::FindEvents(tree, ET_METER))
        meters.emplace_back(static_cast<ECMeter*>(meter)->GetNumerator(), static_cast<ECMeter*>(meter)->GetDenominator());
    EXPECT_EQ(meters, (std::vector<std::pair<int, int>>{{4, 4}}));

    // The rhythms the notation will meet: every value from the sixteenth to
    // the half, dotted and triplet ones among them, chords, a note held over
    // a barline, and notes off the beat after a rest.
    std::set<int> values;   // in 480ths of a quarter
    int chords = 0, overBarline = 0, afterRest = 0;
    const float end = static_cast<float>(piece.bars * midigen::BEATS_PER_BAR);
    for (auto& [staff, list] : notes) {
        std::sort(list.begin(), list.end());
        float lastEnd = 0.0f;
        for (size_t n = 0; n < list.size(); ++n) {
            const auto [start, length] = list[n];
            values.insert(static_cast<int>(std::lround(length * midigen::PPQ)));
            EXPECT_LE(start + length, end + 1e-3f);
            chords += n > 0 && list[n - 1].first == start;
            overBarline += std::floor(start / 4.0f) != std::floor((start + length - 1e-3f) / 4.0f);
            afterRest += start > lastEnd + 1e-3f;
            lastEnd = std::max(lastEnd, start + length);
        }
    }
    EXPECT_EQ(values, (std::set<int>{120, 160, 240, 320, 360, 480, 720, 960}));
    EXPECT_GT(chords, 0);
    EXPECT_GT(overBarline, 0);
    EXPECT_GT(afterRest, 0);
}

}   // namespace
