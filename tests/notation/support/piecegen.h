// Seeded small pieces and random edits for the renotation checker
// (renotation.h): what a piece starts as, and the edits the engine is shown
// after it is notated.
//
// A piece is one staff of three or four bars in 4/4, 3/4 or 6/8, played in
// one of a few manners that stress the notation in different ways:
//   legato    a note on every beat, each held a tenth to a quarter into the
//             next (the voice pass cuts them, one crosses the last bar line)
//   staccato  short notes on beats and off-beats, with rests between
//   ties      long notes laid end to end across the bar lines
//   chords    two or three keys struck together on the beats
//   mixed     notes of any length on a sixteenth grid, overlapping or not
// and some pieces get a second voice (voice 1), added by a command once the
// file is notated.
//
// An edit is drawn without looking at the piece: what it touches (which
// note, bar, meter, key or clef) is a number the applier takes modulo what
// the piece holds when the edit comes, so one seed gives one sequence of
// edits on every machine. The numbers come from std::mt19937, whose output
// the standard fixes; no standard distribution is used (their output is the
// library's choice).
//
// Plain data and a random source; no tree. Any thread.
#pragma once

#include "tests/notation/support/melody.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace renotation_check {

constexpr int TICKS = 256;   // a quarter, in the file and in the notation

struct StartingPiece {
    std::string manner;
    notation_test::Meter meter;
    int bars = 3;
    std::vector<notation_test::PlayedNote> played;   // the file's notes, voice 0
    std::vector<notation_test::PlayedNote> upper;    // voice 1, added after the load; empty for one voice
};

enum class EditKind {
    ADD_NOTE,
    REMOVE_NOTE,
    MOVE_NOTE,         // an edit in place: a new time, in the measure holding it
    LENGTHEN_NOTE,     // an edit in place: a new played length (longer or shorter)
    INSERT_MEASURES,
    REMOVE_MEASURES,
    ADD_METER,
    REMOVE_METER,
    ADD_KEY,
    REMOVE_KEY,
    ADD_CLEF,
    REMOVE_CLEF,
};

struct Edit {
    EditKind kind = EditKind::ADD_NOTE;
    unsigned pick = 0;     // which note, bar, meter, key or clef: taken modulo what there is
    int key = 60;          // an added note's
    int offset = 0;        // ticks into the picked bar: an added or moved note's place
    int length = TICKS;    // an added or lengthened note's played length, ticks
    int voice = 0;         // an added note's
    int count = 1;         // measures inserted or removed
    int numerator = 4;     // an added meter
    int denominator = 4;
    int accidentals = 0;   // an added key: sharps above 0, flats below
    int clef = 0;          // an added clef's type
};

// Reads as "add", "remove measures" ... for the messages.
const char* KindName(EditKind kind);

class Generator {
public:
    explicit Generator(uint32_t seed) : m_random(seed) {}

    StartingPiece Piece();
    // An edit of any kind; a second voice is only added to when the piece
    // has one.
    Edit NextEdit(bool twoVoices);

    // 0 to n - 1 (0 for n below 1).
    int Below(int n);
    int Between(int low, int high) { return low + Below(high - low + 1); }

private:
    void Legato(StartingPiece& piece, int barTicks);
    void Staccato(StartingPiece& piece, int barTicks);
    void Ties(StartingPiece& piece, int barTicks);
    void Chords(StartingPiece& piece, int barTicks);
    void Mixed(StartingPiece& piece, int barTicks);

    std::mt19937 m_random;
};

}  // namespace renotation_check
