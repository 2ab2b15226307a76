// ANBeam: the beam pass, the last pass the engine runs over a staff measure.
//
// It groups the notes, chords and rests of each voice of the measure under
// beams (ECBeam) by the meter: stress by stress, and where a stress cannot be
// beamed whole, subdivision by subdivision, finer and finer. Inside a tuplet
// the groups follow the tuplet's borrowed meter. The grace notes of a note
// are beamed together under that note.
//
// Simple meters (types 0-2 with a half or quarter beat) beam a stress of
// contiguous eighths as one group, else each subdivision that holds no
// quarter or longer; a failed subdivision is tried finer only while it is
// longer than an eighth. Other meters beam each run of values shorter than a
// quarter inside a stress. Rests at either end of a group stay out of it;
// rests between its notes are members.
//
// A group one of whose members already sits in a beam (a chord note through
// its chord) reuses that beam, marked dirty so that the beam display regroups
// it; otherwise a new beam is made under the group's parent. Each beam records
// the tick range of the stress or subdivision it was made for (inside a
// tuplet converted to the normal scale by its first member's bases), takes its
// first member's voice and track and the later of its first member's time and
// the parent's time. The look of a beam (direction, slant, stems) is the beam
// display's. Beams are never removed here: regrouping relies on the engine's
// clearing of derived elements and on reuse.
//
// Ticks count 256 per quarter note, read as stored (mode 1). Elements without
// a notation display object are passed over or end a group, never read.
// Nothing is reported: groups that fail a test stay unbeamed.
//
// User-interface thread, inside the engine's run. Every link between a beam,
// its members and its parent is made under the performance's lock.
#pragma once

#include "model/lists.h"
#include "model/time.h"
#include "notation/autonote/passbase.h"

#include <cstdint>
#include <vector>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;

class ECBase;
class ECBeam;
class ECMeasure;
class ECMeter;
class ECStaff;

class ANBeam : public ANBase {
public:
    // The longest value a stress of contiguous equal members may hold to be
    // beamed whole, and the shortest value that is never beamed (a quarter).
    static constexpr int EIGHTH_TICKS = 128;
    static constexpr int QUARTER_TICKS = 256;
    // The finest level a simple meter's walk starts from: its beats.
    static constexpr int BEAT_LEVEL = 2;
    // Meters with a beat unit above this (eighths and shorter) are beamed by
    // runs, like compound ones.
    static constexpr int LONGEST_SIMPLE_BEAT_UNIT = 7;
    // The tick mode the pass reads in: as stored.
    static constexpr int STORED = 1;

    // The pass over one staff measure, only while the measure's display is
    // beam-dirty: the measure's own notes, chords and rests, then inside each
    // tuplet, then the grace notes of each note. Clears beam-dirty. Missing
    // arguments leave the measure as it is.
    void DoMeasure(ECStaff* staff, ECMeasure* measure, ECMeter* meter);

    // Whether a meter is beamed stress by stress with subdivisions (simple)
    // rather than by runs; a null meter is not simple.
    static bool IsSimpleForBeaming(ECMeter* meter);

    // Beams `list` (elements in time order) voice by voice of `voices`, each
    // stress of `meter` in turn.
    void DoBeam(const MCEventList& list, const std::vector<BYTE>& voices, ECMeter* meter, ECMeasure* measure,
                int mode);
    // One stress [start, end) of contiguous eighths (rests count) beamed as a
    // whole; 1 when it was, 0 (nothing changed) otherwise.
    int SimplePerfectBeam(WORD start, WORD end, const MCEventList& list, ECMeasure* measure, int mode);
    // The subdivisions of `level` from `start` up to `limit`, each beamed
    // when it can be, else tried one level finer while longer than an eighth.
    // Nothing when `start` is not on a boundary of the level.
    void DoBeamLevel(WORD start, WORD end, WORD limit, int level, const MCEventList& list, ECMeasure* measure,
                 ECMeter* meter, int mode);
    // One subdivision [start, end) beamed when no member is a quarter or
    // longer. 0 when one is (nothing beamed), else 1, beamed or not.
    int Beam(WORD start, WORD end, const MCEventList& list, ECMeasure* measure, int mode);
    // The runs of values shorter than a quarter in [start, end) beamed, each
    // beam recording the whole range.
    void BeamNonSimpleRange(WORD start, WORD end, const MCEventList& list, ECMeasure* measure, int mode);
    // Drops the rests at both ends of `list` (other elements are passed
    // over). With `firstTick`, and members left, writes the first one's tick
    // start in `mode`.
    void TrimChildren(MCEventList& list, WORD* firstTick, int mode);
    // Makes or reuses the beam of `list` under `parent` with the tick range
    // [start, end). Nothing when fewer than two notes, chords or grace notes.
    void AddChildrenToBeam(const MCEventList& list, ECBase* parent, WORD start, WORD end, int unused);
    // The beam that already holds a member (a chord note through its chord),
    // or null.
    static ECBeam* FindBeamParent(const MCEventList& list);
    // Beams inside each tuplet of the measure by the tuplet's borrowed meter.
    void DoBeamTuplets(ECMeasure* measure, ECMeter* meter);

private:
    // Beams the grace notes (and grace chords) of each note of the measure.
    void DoGraceNotes(ECMeasure* measure);
    // Puts the lyrics under `parent` that lie under the new beam on the
    // update list.
    void UpdateLyricsUnder(ECBeam* beam, ECBase* parent);
};
