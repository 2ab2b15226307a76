// ANNote: the note value pass, run on a staff measure after voice
// separation. It turns each note's quantized tick start and tick duration
// into a value that can be written: a plain value, a value with one or two
// dots, or a chain of such values joined by ties.
//
// It walks the metric levels of the measure (the measure, its stresses, the
// pulses of each stress, then halves of a pulse down to the resolution). In
// each division a note is settled when one of the rules allows its length
// there; otherwise it is cut at the division's end, the parts are tied and
// the walk goes on with the later part. A note reaching over the bar line is
// cut there and its remainder goes, tied, into the next measure of the staff
// (with no next measure the remainder is dropped); a note starting beyond it
// is moved there. Notes of a tuplet are valued in the tuplet's borrowed meter.
// Grace notes take their values from the number of them before a note.
//
// What it writes: the display's value (the undotted length) with value-dirty
// cleared; the dots as an ECDot child holding their count; split parts (a new
// note or rest whose display carries the later ticks); ties (an ECTie under
// the staff holding both parts). The rest pass reuses the division walk
// (DoMeasureDivisions) for rests.
//
// Ticks count 256 per quarter note and are read in the element's own scale
// (a display's stored ticks): inside a tuplet, the tuplet's borrowed scale.
//
// Elements without a note display object are passed over. Nothing is
// reported: a walk that cannot split (a borrowed element without a group
// pulse, an element neither note nor rest) leaves the value unset.
//
// User-interface thread, inside the engine's run. Every change of parent and
// child links (dots, ties, remainders, moved elements, tuplet copies) is made
// under the performance's lock.
#pragma once

#include "notation/autonote/passbase.h"

#include <cstdint>

class DCctNotate;
class ECBase;
class ECMeasure;
class ECNote;
class ECStaff;
class ECTuplet;

class ANNote : public ANBase {
public:
    // The result of testing an element against one division.
    enum : int {
        VALUE_SETTLED = 0,        // the value is set (or the element is left alone)
        VALUE_BEFORE = 1,         // the element lies before the division
        VALUE_FINER = 2,          // inside, but does not fit: try the finer divisions
        VALUE_SPLIT = 3,          // cut at the division's end; the remainder is handed back
        VALUE_AFTER = 4,          // starts at or after the division's end
        VALUE_SPLIT_FAILED = 6,   // a cut was needed and could not be made
    };
    // Which dots a division accepts.
    enum : int {
        DOTS_ALL = 0,      // the dot rule, for notes and rests
        DOTS_NOTES = 1,    // the dot rule, for notes only
        DOTS_STRESS = 2,   // the looser rule of a stress, for notes only
    };
    // Longer lengths never take dots.
    static constexpr unsigned LONGEST_DOTTED_BASE = 1024;

    // The pass over one staff measure: its notes and those of its chords,
    // then the notes of each tuplet in the tuplet's borrowed meter. Only
    // notes whose time lies in the run's time range, and only while their
    // display is value-dirty, are valued; grace notes get their values
    // either way. Missing arguments leave the measure as it is.
    void DoMeasure(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECMeter* meter);

    // The value the user gave a note: its tick duration becomes `ticks`, with
    // the undotted value and the dots of that length; value-dirty cleared,
    // time-dirty set so that the next run places it again. Nothing without
    // a note display.
    void SetValue(ECNote* note, uint16_t ticks);

    // Values one element from the measure level down. `display` is the
    // element's display; on return it is the display of the part the walk
    // ended with (the last remainder when the element was cut). `measure`
    // is the staff measure the element belongs to (or the element's tuplet,
    // which stands for the tuplet's measure), `measureTime` its time;
    // with `markRemainder` 1 a remainder cut at the bar line is marked
    // time-dirty. Inside a tuplet, `tupletStart` and `tupletEnd` bound the
    // tuplet in the element's own scale and `meter` is its borrowed meter.
    // Answers the result of the walk (see above).
    int DoMeasureDivisions(DCctNotate*& display, ECMeter* meter, ECBase* measure, MCTime& measureTime,
                           int markRemainder, uint16_t* tupletStart, uint16_t* tupletEnd);

    // The dots a length is written with: 1 for p + p/2, 2 for p + p/2 + p/4
    // (p a power of two up to a whole note), else 0.
    static int Dotted(unsigned ticks);
    // The undotted value of a length written with `dots` dots.
    static unsigned UndottedValue(unsigned ticks, int dots);
    // The dot mode of the stresses of a meter: simple meters DOTS_NOTES,
    // combined and composite DOTS_STRESS, others DOTS_STRESS when their pulse
    // is the resolution, else DOTS_ALL.
    static int DotRuleForMeter(ECMeter* meter, uint16_t resolution);

private:
    // One walk of DoMeasureDivisions: the element under way and its frame.
    struct Walk {
        ECBase* element = nullptr;     // the part being valued
        DCctNotate* display = nullptr;
        ECMeter* meter = nullptr;      // the meter valued in (borrowed inside a tuplet)
        ECBase* measure = nullptr;
        MCTime measureTime;
        int measureEnd = 0;            // the meter's measure length
        int tupletStart = 0;
        int tupletEnd = 0;             // no bound when not in a tuplet
        bool inTuplet = false;
    };
    // One division test: its bounds and what it accepts.
    struct Division {
        int a = 0;
        int b = 0;
        int lenient = 0;
        int syncopation = 0;
        int dotMode = DOTS_NOTES;
    };
    enum class Level { Stress, Pulse, SubPulse };

    // ---- the walk (notevalue.cpp) ----

    int DoStressDivisions(Walk& walk);
    int DoPulseDivisions(Walk& walk, int stress, int a, int length);
    int DoSubPulseDivisions(Walk& walk, int n, int a);
    // Tests `division` and handles the result as every level does; sets
    // `done` when the walk ends with the answer.
    int TestDivision(Walk& walk, Level level, int index, const Division& division, bool& done);
    int GoFiner(Walk& walk, Level level, int index, const Division& division);

    // The rules, in order.
    int DoNoteValue(const Division& division, Walk& walk, ECBase*& remainder);
    bool PowerOfTwoRule(int s, int t, const Division& division) const;
    bool SyncopationRule(ECBase* element, int s, int t, const Division& division) const;
    // The dots accepted under the division, or -1 when none are.
    int DotRule(ECBase* element, int s, int t, const Division& division) const;
    int DotRuleForStress(ECBase* element, int s, int t, const Division& division) const;

    // Sets the undotted value of the display's length, the dots child, and
    // clears value-dirty.
    void SetNoteValue(ECBase* element, DCctNotate* display, int dots);
    void SetDots(ECBase* element, int dots);
    // Grace notes under the element take their values from their number.
    void DoGraceNote(ECBase* element, DCctNotate* display);

    // ---- cutting, tying, moving (notevalue_split.cpp) ----

    // Cuts the element at `at` (own scale): the first part keeps its start,
    // the new later part is handed back, not yet in the tree. Null when it
    // cannot be cut.
    ECBase* SplitNote(ECBase* element, int at, const MCTime& measureTime);
    // Places a remainder in `container` and ties it to `first`. 0 when the
    // remainder stays in the first part's division (the walk may go on with
    // it), 1 when it went elsewhere.
    int DoSplit(ECBase* first, ECBase* remainder, ECBase* container, ECMeter* meter, ECStaff* staff, int crossing);
    // Ties the remainder into the chain of `first`, after the last piece
    // that starts before it (a new tie under the staff); a tie that piece
    // already started goes on from the remainder. Under the lock.
    void TieNotes(ECBase* first, ECBase* remainder, ECBase* container, ECStaff* staff);
    // Moves an element starting at or after the measure's end into the next
    // measure; false when it does not start there or there is no next measure.
    bool DoMove(Walk& walk);
    // The tuplet of `container` in `voice` whose span (normal scale) holds
    // `start` (normal ticks from the container's start); null when none.
    ECTuplet* FindExistingTuplet(ECBase* container, unsigned voice, int start);
    // Whether an element of the tuplet's voice other than `except` starts in
    // [start, start + the tuplet's length) of `container` (normal ticks).
    bool IsEventsInNextTupletRange(ECTuplet* tuplet, ECBase* container, int start, ECBase* except);
    // Puts `element` (at normal `start`, normal `length`) into `tuplet`, its
    // ticks rescaled into the tuplet's division.
    void JoinTuplet(ECBase* element, ECTuplet* tuplet, int start, int length);
    // A copy of `tuplet` (counts, bases, length) at `start` of `container`
    // holding `element`; its division marks go to the container's ruler.
    void CopyTupletFor(ECBase* element, ECTuplet* tuplet, ECBase* container, ECMeter* meter, int start,
                       const MCTime& time);
    // Adds `child` to `parent`, and takes it out of `from` when given.
    void Relink(ECBase* child, ECBase* parent, ECBase* from);

    // The next measure of the staff after `measure` and its meter.
    ECMeasure* NextMeasure(ECBase* measure, const MCTime& measureTime, ECMeter*& nextMeter);
    // The meter of the measure itself (not a tuplet's borrowed one).
    ECMeter* MeasureMeter(const MCTime& measureTime);
    static ECStaff* StaffOf(ECBase* measure);
    // Normal ticks from the container's time to the element's.
    static int OffsetTicks(ECBase* element, ECBase* container);
    int RoundTicks(int ticks) const;

    ECStaff* m_pStaff = nullptr;   // borrowed: the staff of the measure under way
    ECMeter* m_pMeter = nullptr;   // borrowed: the meter of the measure under way
};
