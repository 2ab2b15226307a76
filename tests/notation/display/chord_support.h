// What the chord tests share: a one-measure treble staff whose chords are
// built from MIDI keys, each note spelled plainly, with the display classes
// of chords, notes, accidentals and dots registered and the music font set.
#pragma once

#include "model/modifiers.h"
#include "model/notes.h"
#include "notation/display/accidental.h"
#include "notation/display/chord.h"
#include "notation/display/dot.h"
#include "notation/display/note.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/display/measure_support.h"
#include "tests/notation/display/note_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace chord_test {

using measure_test::RegistryCell;

// Stem directions.
constexpr int UP = 0;
constexpr int DOWN = 1;
// Accidental kinds.
constexpr unsigned char SHARP = 0;
constexpr unsigned char FLAT = 1;

class ChordFixture : public ::testing::Test {
protected:
    // A chord of `keys` (in child order) at the start of the measure, voice
    // 0 of staff 1, its stem set to `stem`.
    DCctChord* AddChord(const std::vector<int>& keys, int stem = UP) {
        chord = new ECChord;
        chord->SetVoiceTrack(0, 1);
        chord->SetTime(score.Measure(1)->GetTime());
        score.Measure(1)->AddChild(chord, 1);
        notes.clear();
        for (int key : keys) {
            auto* note = new ECNote;
            note->SetVoiceTrack(0, 1);
            note->SetTime(score.Measure(1)->GetTime());
            chord->AddChild(note, 1);
            DCctNote* display = NoteOf(note);
            MCPitch pitch = note_test::Pitch(key);
            display->SetPitch(pitch);
            display->SetValue(256, 0);
            notes.push_back(note);
        }
        DCctChord* display = Chord();
        display->SetStemDirection(stem, 0);
        return display;
    }
    DCctChord* Chord() { return dynamic_cast<DCctChord*>(chord->GetData(DK_NOTATION, 1)); }
    static DCctNote* NoteOf(ECBase* note) { return dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 1)); }
    DCctNote* Note(size_t i) { return NoteOf(notes[i]); }

    // An accidental of `kind` on note `i`.
    DCctAccidental* AddAccidental(size_t i, unsigned char kind) {
        auto* accidental = new ECAccidental(kind);
        notes[i]->AddChild(accidental, 1);
        return dynamic_cast<DCctAccidental*>(accidental->GetData(DK_NOTATION, 1));
    }
    // A single dot on note `i`.
    DCctDot* AddDot(size_t i) {
        auto* dot = new ECDot(1);
        notes[i]->AddChild(dot, 1);
        return dynamic_cast<DCctDot*>(dot->GetData(DK_NOTATION, 1));
    }

    static int H() { return MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT); }
    static int W() { return MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT); }

    measure_test::Score score{0, 1};
    RegistryCell chordCell{ET_CHORD, RUNTIME_CLASS(DCctChord)};
    RegistryCell noteCell{ET_NOTE, RUNTIME_CLASS(DCctNote)};
    RegistryCell accidentalCell{ET_ACCIDENTAL, RUNTIME_CLASS(DCctAccidental)};
    RegistryCell dotCell{ET_DOT, RUNTIME_CLASS(DCctDot)};
    MusicFontScope font{20};
    note_test::ClefLinksScope clefLinks;
    note_test::ClefLines treble;
    ECChord* chord = nullptr;   // held by the measure
    std::vector<ECNote*> notes;   // held by the chord
};

}  // namespace chord_test
