// ANTimeCorrect: the second pass of every measure's run, after note moving
// and before voice separation. It puts the played or entered timing of each
// changed note, chord and tuplet of a staff measure onto the notation grid
// and, with the tuplet search on, decides which stretches of the measure read
// better in a borrowed division (triplets and other tuplets) than in the
// meter's own.
//
// The events keep their times and durations: the pass writes the quantized
// tick start, tick duration and division base into each element's display
// object, makes tuplet events and moves notes into and out of them, sets the
// tuplet displays and adds each tuplet's borrowed division marks to the
// measure's ruler. Later passes read only these display values.
//
// Ticks count 256 per quarter note. Two scales: the normal one (256 ticks a
// quarter) and the borrowed one (borrowed pulse x 256 / group pulse ticks a
// quarter), under which the notes of a tuplet take ordinary values (a triplet
// eighth measures 128, an eighth). A display's tick start and duration are
// stored in the scale the element was quantized in.
//
// Elements without a display object (an event type with no display class)
// are passed over. A chord is read by its first note; its own display keeps
// no times, and only its time-dirty flag is cleared. Whether a note has a
// length, none, or a negative one is its own duration; only a length it has
// is read through the notes' duration functions. A note whose duration is
// negative keeps its time-dirty flag, so that the next run quantizes it
// again.
//
// User-interface thread, inside the engine's run. Moving events between the
// measure and its tuplets, and adding new tuplets to the measure, take the
// performance's lock around each move.
#pragma once

#include "notation/autonote/passbase.h"

#include <cstdint>
#include <vector>

class DCctNotate;
class DCctTuplet;
class ECBase;
class ECMeasure;
class ECNote;
class ECStaff;
class MCRuler;

class ANTimeCorrect : public ANBase {
public:
    // Which division fits a search candidate's start better.
    enum : uint8_t { FITS_BORROWED = 0, FITS_NORMAL = 1, FITS_BOTH = 2 };
    // The split key that splits nothing.
    static constexpr uint8_t NO_SPLIT = 255;

    // One note weighed by the tuplet search. The display is borrowed.
    struct tag_tuplet {
        uint8_t kind = FITS_NORMAL;
        uint16_t borrowedStartError = 0;
        uint16_t normalStartError = 0;
        DCctNotate* display = nullptr;
        ECNote* note = nullptr;
    };

    // Rounding errors of a note's start and duration in both divisions.
    struct Weight {
        uint16_t normalStart = 0;
        uint16_t normalDuration = 0;
        uint16_t borrowedStart = 0;
        uint16_t borrowedDuration = 0;
    };

    // Tuplet search on, triplets counted in eighths, no split.
    ANTimeCorrect();

    // The pass over one staff measure; missing arguments, or a measure
    // without its display object, leave it as it is. The finer of the
    // pass's grid and the measure ruler's is used and kept by both. A search
    // off a grand staff forgets the split key until it is set again.
    void DoMeasure(ECStaff* staff, ECMeasure* measure, ECMeter* meter);

    // Search on (1) or off (0), the irregular count looked for, and the unit
    // a found tuplet counts in, as a tuplet unit code (0 whole ... 7 128th).
    void SetLookForBorrowed(int look, int number, int unit);
    void SetSplit(uint8_t split) { m_split = split; }

    int GetLookForBorrowed() const { return m_lookForBorrowed; }
    uint16_t GetTupletNumber() const { return m_tupletNumber; }
    uint16_t GetTupletUnit() const { return m_tupletUnit; }
    uint8_t GetSplit() const { return m_split; }
    uint16_t GetGroupPulse() const { return m_groupPulse; }
    uint16_t GetBorrowedPulse() const { return m_borrowedPulse; }

    // The normal count of a tuplet of `number` notes: 3 for 2, 6 for 4, 12
    // for 8, 0 for any other power of two, else the largest power of two
    // below it.
    static int GetNormalFromBorrowed(int number);

    // q = ((a + step / 2) / step) x step (an exact half rounds up); `error`
    // gets |q - a| when given. A step of 0 leaves a as it is.
    static int RoundToResolution(int a, int step, int* error);

    // Chooses a division for the elements whose time lies in [from, to)
    // (time ticks at 256 from the measure start) by their summed rounding
    // errors, quantizes them in it and answers 1 for the normal division, 0
    // for the borrowed one (0 at once without a group pulse). With the
    // search off every element is quantized in the normal division. Nothing
    // in the engine calls it.
    int TimeCorrect(MCEventList& list, uint16_t from, uint16_t to, ECMeasure* measure, ECMeter* meter);
    // Whether the normal division fits better: borrowed start + duration
    // errors at least half the normal ones.
    static bool NormalvsBorrowed(int normalStart, int normalDuration, int borrowedStart, int borrowedDuration);

private:
    // ---- quantizing (timecorrect.cpp) ----

    // Ticks of the element's offset from the measure start at `scale`
    // ticks a quarter; a negative offset counts as 0.
    static int OffsetTicks(ECBase* element, ECMeasure* measure, int scale);
    // Rounds `ticks` (a start), or with `duration` set the note's performed
    // duration read at `scale`, to `step`; adds the error to `accumulator`.
    int TimeCorrectTick(ECNote* note, int ticks, int scale, int step, int* accumulator, int duration);
    // Quantizes a note, or each note of a chord, at `scale` in the division
    // (pulse, group pulse), clipping at the bar line.
    void TimeCorrectNote(ECBase* element, ECMeasure* measure, ECMeter* meter, int scale, uint16_t pulse,
                         uint16_t groupPulse);
    // A note's quantized length at `scale`: its performed length rounded
    // (a quarter when negative), or without one its notated length carried
    // into the division; never below the grid step. False when nothing can
    // be written (no performed length and no group pulse).
    struct Length {
        int ticks = 0;
        int performed = 0;   // the unrounded performed length at the scale
        bool negative = false;
        bool zero = false;
    };
    bool QuantizeLength(ECNote* note, DCctNotate* display, int scale, uint16_t pulse, uint16_t groupPulse,
                        Length& length);
    void TimeCorrectNormal(ECBase* element);
    void TimeCorrectBorrowed(ECBase* element);
    int BorrowedScale() const;
    void SetBase(MCRuler& ruler, ECMeter* meter);

    // ---- existing tuplets (timecorrect_tuplets.cpp) ----

    DCctTuplet* TupletDisplay(ECBase* tuplet);
    void DoExistingTuplets(MCEventList& voiceList);
    void DissolveTuplet(ECTuplet* tuplet);
    void AddToTuplet(ECTuplet* tuplet, std::vector<ECTuplet*>& later, size_t from);
    void TimeCorrectTuplet(ECTuplet* tuplet);
    // Sets the time, keeping the measure's children in time order.
    void SetTupletTime(ECTuplet* tuplet, const MCTime& time);
    // The tuplet's start from the measure start scaled into its own division.
    int GetTupletTickStart(ECTuplet* tuplet, uint16_t pulse, uint16_t groupPulse);
    void TimeCorrectTupletChildren(ECTuplet* tuplet);
    void MoveChildren(ECTuplet* from, ECTuplet* to, int markDirty);

    // ---- the search (timecorrect_search.cpp) ----

    void DoTuplets(MCEventList& voiceList);
    void GuessTuplets(MCEventList& voiceList);
    void FillTupletList(MCEventList& voiceList, std::vector<tag_tuplet>& candidates);
    Weight WeightStartAndDuration(ECNote* note);
    int FilterTuplet(const std::vector<tag_tuplet*>& range) const;
    void NormalRange(const std::vector<tag_tuplet*>& range, int end);
    void TupletRange(const std::vector<tag_tuplet*>& range, int start, int end);
    void TimeCorrectTupletAndChildren(ECTuplet* tuplet, int start, int end);
    ECTuplet* SplitTupletByPitch(ECTuplet* tuplet, const std::vector<tag_tuplet*>& range);
    void MoveNoteToTuplet(ECBase* element, ECTuplet* tuplet);
    void AddTupletToMeasure(ECTuplet* tuplet);

    uint16_t m_groupPulse = 0;
    uint16_t m_borrowedPulse = 0;
    int m_lookForBorrowed = 1;
    uint16_t m_tupletNumber = 3;
    uint16_t m_tupletUnit = 128;
    uint8_t m_split = NO_SPLIT;

    // The measure under way, set by DoMeasure for its steps.
    ECStaff* m_pStaff = nullptr;       // borrowed
    ECMeasure* m_pMeasure = nullptr;   // borrowed
    ECMeter* m_pMeter = nullptr;       // borrowed
    MCRuler* m_pRuler = nullptr;       // borrowed: the measure display's ruler
};
