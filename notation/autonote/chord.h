// ANChord: the chord pass, run on a staff measure after the note values are
// chosen and before the notes are spelled.
//
// Notes of one voice that start together and last equally long are written
// as one chord. A loose note that matches a chord already in the measure (in
// stored tick start, stored tick duration and voice) joins that chord; then,
// voice by voice in the order of the measure's voice table, runs of two or
// more matching notes that follow one another in the voice's time order
// become a new ECChord. The measure's own notes and, separately, the notes of
// each of its tuplets are gathered; a run never reaches across a note of
// another start or length.
//
// What it writes: the chord takes the first note's time, voice/track word and
// both bases (its time-dirty and value-dirty flags cleared) and hangs under
// every measure, beam or tuplet its notes hung under (the given parent first
// unless that is a tuplet, which the notes already name); the notes leave
// those parents, the chord being their parent now. Every chord whose notes
// change is marked dirty, so that it finds its top and bottom notes afresh,
// and goes on the update list.
//
// A measure is visited only while its display object is chord-dirty; the
// flag is cleared after. A measure without a voice table yet has it built
// from its notes first. Ticks count 256 per quarter note; runs compare the
// scaled ticks (mode 0), existing chords the stored ones (mode 1).
//
// Elements without a display object are passed over; a run of one note is
// dropped without change. Nothing is reported. User-interface thread, inside
// the engine's run; each chord is built, linked and its notes unlinked under
// one hold of the performance's lock.
#pragma once

#include "notation/autonote/passbase.h"

#include <cstdint>
#include <vector>

class DCctNote;
class ECBase;
class ECMeasure;
class ECStaff;
class MCEventList;

class ANChord : public ANBase {
public:
    ANChord();
    ~ANChord();

    // The pass over one staff measure; the staff is not read. A missing
    // measure, or one whose display object is not chord-dirty, is left alone.
    void DoMeasure(ECStaff* staff, ECMeasure* measure);

    // Each note of `notes` matching a chord of `chords` joins it and leaves
    // `notes`; other elements of `notes` are passed over. The chord takes
    // the note's place in a beam it was not in yet.
    void AddNotesToChords(MCEventList& chords, MCEventList& notes);
    // For each voice of `voices`, in order: runs of that voice's notes become
    // chords under `parent`. The run is flushed after each voice.
    void CreateChords(MCEventList& notes, const std::vector<uint8_t>& voices, ECBase* parent);
    // Adds the note to the pending run, or flushes the run and starts anew
    // when the note's scaled start or duration differs.
    void AddToChordList(ECBase* note, DCctNote* display, ECBase* parent);
    // A run of two or more notes becomes a chord under `parent` and the
    // notes' other parents; the run is emptied either way.
    void ChordList(ECBase* parent);

private:
    // Collects and chords the notes directly under `group` (the measure or
    // one of its tuplets); the voices to walk come from `voices`.
    void DoGroup(ECBase* group, const std::vector<uint8_t>& voices);
    // Hangs `chord` under each parent and takes the notes out of their
    // measure, beam and tuplet parents. Called under the lock.
    static void Relink(ECBase* chord, const std::vector<ECBase*>& notes, const std::vector<ECBase*>& parents);

    uint16_t m_runStart = 0;
    uint16_t m_runDuration = 0;
    std::vector<ECBase*> m_run;   // borrowed: the notes stay referenced by the gathered list
};
