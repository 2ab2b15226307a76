// ANSpell: the spelling pass, run on a staff measure after the chord pass
// (and, while recording, one of the few passes still run). It gives every
// note a written pitch (letter, accidental, octave) from its MIDI key, the key
// signature in force, the notes before it in its voice and the notes beside
// it in its chord; then it adds, changes or removes the notes' accidental
// children so that an accidental shows exactly where the written pitch
// differs from what the key and the measure's earlier accidentals imply.
// Drum staves get the percussion map's placing and notehead instead.
//
// Per voice of the measure's voice table: the key of the voice's staff half
// (voices 4 and up on a grand staff read the lower half's key); the notes in
// the run's time window are spelled horizontally (against the previous note
// of the voice), then chords vertically (each note against the one below it
// in child order), then the accidentals of the whole voice are fixed up.
//
// Two scales per key, as pitch classes of the letters C..B (values may leave
// 0-11: C flat is -1): the key's own scale and its parallel minor (three
// flats more). A cancelling key leaves both plain. A key in neither is
// spelled by the interval a reader expects from the previous note: a
// chromatic step rising on the same letter, a tritone as an augmented
// fourth, never a diminished fifth; two notes of a chord on one key on
// neighbouring letters.
//
// What the user chose is kept: a user-spelled note is not corrected, a new
// (dirty) accidental child moves the note's key to that accidental on the
// letter the key signature gives the key (both MIDI messages of the
// performer), unless the note is already spelled with that accidental; an
// accidental the user placed and that is not needed is hidden, never
// removed; the second forms of the accidentals (kinds 5-9) are never
// removed. Tied continuations copy their head's spelling and need no
// accidental.
//
// Elements without a notation display object are passed over; nothing is
// reported. User-interface thread, inside the engine's run; accidentals are
// added and removed under the performance's lock, spelling words and flags
// are written without it.
#pragma once

#include "notation/autonote/passbase.h"
#include "notation/layout/pitch.h"

#include <cstdint>
#include <memory>
#include <unordered_map>

class DCctKey;
class DCctNote;
class ECAccidental;
class ECBase;
class ECKey;
class ECMeasure;
class ECNote;
class ECStaff;

class ANSpell : public ANBase {
public:
    // Letters C..B as pitch classes of a scale.
    using IntervalVector = signed char[7];

    // One letter in one octave: the alteration in force (-2..+2) and the
    // voice that set it (ANY_VOICE: the key signature).
    struct ACCIDENTAL_HISTORY {
        signed char alteration = 0;
        int voice = ANY_VOICE;
    };
    static constexpr int ANY_VOICE = 15;
    static constexpr int LETTERS = 7;
    static constexpr int OCTAVES = 11;

    // Accidental children's kinds: the five signs, then their second forms
    // (kind + SECOND_FORM); kinds past LAST_SECOND_FORM are other signs.
    enum : unsigned char {
        ACC_SHARP = 0,
        ACC_FLAT = 1,
        ACC_DOUBLE_SHARP = 2,
        ACC_DOUBLE_FLAT = 3,
        ACC_NATURAL = 4,
        SECOND_FORM = 5,
        LAST_SECOND_FORM = 9,
    };

    ANSpell();
    ~ANSpell();

    // Notes and grace notes: the elements that carry a spelling.
    static bool IsNoteType(int type);

    // Spells the measure when its spelling-dirty flag is set, then clears
    // it. Missing arguments or display leave the measure as it is.
    void DoMeasure(ECStaff* staff, ECMeasure* measure);

    // ---- the scales (public: they are the pass's vocabulary) ----

    // The key's scale (a null key: C major) and the tonic's letter.
    static void CreateIntervalVector(IntervalVector out, DCctKey* key, int& tonic);
    // The parallel minor of the key's scale, and the tonic's letter.
    static void CreateMinorIntervalVector(IntervalVector out, DCctKey* key, int& tonic);
    // Whether the key's pitch class is a letter's in the vector (the first
    // such letter); `alteration` becomes that letter's alteration from C
    // major, and stays as it was when none is.
    static int IsMidiPitchInIntervalVector(const IntervalVector vector, int key, int& alteration);
    // The alteration of a key in no scale, from the chain of thirds above
    // the tonic: the first letter a semitone from the key; 0 on none, for a
    // double accidental and for E-F and F-E.
    static void GetAlteredPitchFromExtension(const IntervalVector vector, int key, int tonic, int& alteration);
    // The spelling of `key` a reader expects after (vertical 0) or above
    // (vertical 1) the reference.
    static MCPitch SetLikelyPitch(MCPitch& reference, uint8_t key, int vertical);
    // Respells `pitch` through SetLikelyPitch when its interval from the
    // reference is one a reader would not expect.
    static void CorrectBadInterval(MCPitch& reference, MCPitch& pitch, int vertical);

protected:
    // The measure's notes and chords, its tuplets, their notes and chords,
    // then the grace notes under all of those; in time order.
    void FlattenList(ECBase* measure, MCEventList& out, unsigned unused);
    void SpellHorizontal(ECBase* event, ECKey* key);
    void SpellVertical(ECBase* chord, ECKey* key);
    void SpellPercussion(MCEventList& voice);
    void SpellByTiePartner(ECBase* event);
    void SpellByAccidentalChild(DCctNote* note, ECAccidental* accidental, ECKey* key);

    void FixUpAccidentals(MCEventList& voice, ECKey* key);
    void SetAccidentalsToKey(ACCIDENTAL_HISTORY history[LETTERS][OCTAVES], ECKey* key);
    void _FixUpAccidentals(ECNote* note, ACCIDENTAL_HISTORY history[LETTERS][OCTAVES]);
    void AddAccidental(ECBase* note, MCPitch& pitch);

private:
    static DCctNote* NoteDisplay(ECBase* event);
    // The note's first accidental child; null without one.
    static ECAccidental* AccidentalChild(ECBase* note);

    bool InWindow(ECBase* event) const;
    // The key's display (a made one when the key has none); null for a null
    // key.
    DCctKey* KeyDisplay(ECKey* key);
    // The pitch of a note heard for the first time in its voice, or judged
    // against a reference (not dirty).
    void SpellAgainst(MCPitch& pitch, MCPitch* reference, int key, DCctKey* keyDisplay, int vertical,
                      int userSpelled);

    // Each chord's bottom note as the horizontal step found and spelled it:
    // the vertical step measures from that note, even when the chord would
    // now find its bottom among notes not spelled yet.
    std::unordered_map<ECBase*, DCctNote*> m_bottoms;
    MCPitch m_previous;                      // the voice's last horizontally spelled pitch
    std::unique_ptr<DCctKey> m_madeKey;      // the display of a key that had none
};
