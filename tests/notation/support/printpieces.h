// Generated pieces for checking printed pages: what a reader meets on a
// page, played so that each note reads back as its written value through
// the view's duration gate (66 % of its last quarter held).
//
//   Line       one staff of a seeded melody with accidentals (sharps and
//              flats out of the key) in dotted rhythms, 24 bars of 4/4
//   Piano      two staves, treble chords of three notes over bass chords
//              of two, seconds among them, 16 bars of 4/4
//   Ensemble   eight staves in 200 bars of 4/4, each in its own range,
//              quarters and eighths
//
// Each is a type-1 file (a conductor track with tempo and meter, a track
// a staff). Numbers come from std::mt19937 alone, so one seed gives one
// file everywhere. Plain data; any thread.
#pragma once

#include "tests/notation/support/melody.h"

#include <cstdint>
#include <string>
#include <vector>

namespace page_check {

inline constexpr int kPieceDivision = 480;

// The played notes of one staff.
using StaffNotes = std::vector<notation_test::PlayedNote>;

struct Piece {
    std::string name;                 // its kind and seed, for messages
    std::vector<StaffNotes> staves;   // in written lengths (ticks of kPieceDivision)
    std::vector<std::string> names;   // a track name a staff; empty: none
};

Piece LinePiece(uint32_t seed);
Piece PianoPiece(uint32_t seed);
Piece EnsemblePiece(uint32_t seed);

// The file of a piece: 4/4 at 120 quarters a minute, each note played to
// read back as its written length.
std::vector<uint8_t> PieceFile(const Piece& piece);

// How long a note of `length` ticks is played to read back as that length
// through the view's duration gate: the quarters before its last one
// whole, and 66 % of the rest.
int PlayedLength(int length);

}  // namespace page_check
