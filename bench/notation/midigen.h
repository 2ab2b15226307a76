// Seeded music for the notation benchmarks: a type 1 Standard MIDI File of
// many staves, written the same, byte for byte, for the same size and seed.
//
// The file (PPQ 480, 4/4 throughout):
//   chunk 0    the conductor: tempo 120, the meter, the piece's key (which
//              the program's reader leaves out on this track) and the end
//              of the last bar;
//   chunk n    staff n: its name ("Staff n"), the key again (the staff's
//              own, which the reader keeps), then notes on a channel of its
//              own (channel 10, the percussion channel, is never used) with
//              running status and note-ons of velocity 0 as note-offs, and
//              the end of the last bar.
// Each beat is filled from a table of rhythms: quarters, eighths, sixteenths,
// dotted eighths and quarters, half notes, eighth and quarter triplets,
// off-beat rests, a quarter across a beat (E Q E) and an eighth before the
// barline held over into the next bar; a note is held for its whole value.
// Melodies walk the key's scale in a treble or a bass register (staves
// alternate), with a chromatic neighbour now and then; some onsets are chords
// of two or three notes, a third and a fifth below. The last bar holds
// nothing over, so every note ends by the end of the last bar.
//
// The random numbers are the generator's own (not the standard library's
// distributions, which differ between library builds), so a seed gives one
// file on every machine.
//
// Any thread; nothing is shared between calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace midigen {

enum class Size { Small, Medium, Large, Long };

// How big a piece is: small 2 staves of 32 bars (about 600 notes), medium 8
// of 200 (about 15,000), large 16 of 1,000 (about 120,000), long 4 of 1,000
// (about 30,000).
struct Shape {
    int staves;
    int bars;
    int notesPerStaff;   // the aim; the rhythms and chords steer toward it bar by bar
};

Shape ShapeOf(Size size);

// "small", "medium", "large" or "long"; nothing for any other name.
std::optional<Size> ParseSize(std::string_view name);
const char* NameOf(Size size);

constexpr int PPQ = 480;
constexpr int BEATS_PER_BAR = 4;
constexpr int BAR_TICKS = PPQ * BEATS_PER_BAR;

// A generated file and what it holds.
struct Piece {
    std::vector<uint8_t> bytes;          // the whole file
    int staves = 0;
    int bars = 0;
    int keyAccidentals = 0;              // -4 (four flats) to 4 (four sharps)
    std::vector<int> notesPerStaff;      // staff n at [n - 1]
    int GetNoteCount() const;
};

Piece Generate(Size size, uint64_t seed);

}   // namespace midigen
