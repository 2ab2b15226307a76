// ANMultivoice: the voice separation pass, run on a staff measure after time
// correction and before the note values are chosen.
//
// It gives every note of the measure a voice (0-7): it keeps the voices the
// user gave, or guesses them from pitch and timing (highest notes first,
// a new voice for a note that will not fit beside the voice being filled);
// on a grand staff it divides the notes between the upper staff (voices 0-3)
// and the lower (4-7) at the split key; on a drum staff each note takes the
// voice of its drum sound. Then it makes each voice free of overlapping
// notated durations by shortening them, and lets the measure's display
// object rebuild its voice table.
//
// What it writes: the voice bits of each note's voice/track word (the track
// bits stay), the shortened tick durations of the notes' display objects
// (marked value-dirty), the drum spelling of drum notes, the voice of each
// tuplet (that of its first child). A tied continuation (a note made by the
// value pass, without performance data) that starts with a played note of
// its voice gives way: it and the tie ending at it leave the tree.
//
// Guessing is on only while the input asks for it (SetInput non-zero) and
// voice guessing is allowed (SetVoice (VOICE_GUESS)); otherwise the user's
// voices stay. A measure is voiced only while its display object is marked
// multivoice-dirty; the flag is cleared after.
//
// Ticks count 256 per quarter note from the measure's start, read in the
// normal scale of the meter; a note inside a tuplet also has its own,
// borrowed scale. User-interface thread, inside the engine's run; removals
// take the performance's lock.
#pragma once

#include "notation/autonote/passbase.h"

#include <cstdint>
#include <vector>

class DCBase;
class ECMeasure;
class ECNote;
class ECStaff;

class ANMultivoice : public ANBase {
public:
    // The SetVoice argument that allows guessing; any other forbids it.
    static constexpr unsigned VOICE_GUESS = 14;
    // What the engine passes to keep the voices the notes have.
    static constexpr unsigned VOICE_KEEP = 16;
    // The split key of a staff that is not divided.
    static constexpr uint8_t NO_SPLIT = 255;
    // The first voice of each staff of a grand staff.
    static constexpr int UPPER_FIRST_VOICE = 0;
    static constexpr int LOWER_FIRST_VOICE = 4;
    static constexpr int VOICE_COUNT = 8;

    ANMultivoice();
    ~ANMultivoice();

    // The pass over one staff measure. A missing measure, or one without a
    // multivoice-dirty display object, is left alone; a missing staff is
    // read as a plain staff.
    void DoMeasure(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECMeter* meter);

    void SetVoice(unsigned voice) { m_voice = voice == VOICE_GUESS ? 1 : 0; }
    // Where a guess on a grand staff starts: hints below 4 the upper staff,
    // the others the lower.
    void SetVoiceHint(unsigned hint) { m_voiceHint = hint < 4 ? UPPER_FIRST_VOICE : LOWER_FIRST_VOICE; }
    unsigned GetVoiceHint() const { return m_voiceHint; }
    // Stored for the engine; the separation does not read it.
    void SetSingleMultivoice(int on) { m_singleMultivoice = on; }
    int GetSingleMultivoice() const { return m_singleMultivoice; }
    void SetSplit(uint8_t split) { m_split = split; }
    uint8_t GetSplit() const { return m_split; }
    void SetInput(uint8_t input) { m_input = input; }
    uint8_t GetInput() const { return m_input; }
    // Whether voices are guessed in the next run.
    int GuessVoice() const { return m_input != 0 && m_voice == 1; }


private:
    // Where an element lies, in normal-scale ticks from the measure start;
    // for a note also in its own scale with the bases that convert.
    struct Span {
        bool valid = false;
        bool tuplet = false;
        bool borrowed = false;
        int tupletStart = 0;   // a tuplet's own start (its bracket's)
        int start = 0;         // a note's start, or a tuplet's first child's
        int duration = 0;      // a tuplet's: from `start` to its end
        int ownStart = 0;
        int ownDuration = 0;
        int pulse = 0;         // borrowed base in ticks
        int groupPulse = 0;    // normal base in ticks
    };
    static Span SpanOf(ECBase* element);
    // Notes with a notated length, and tuplets, are weighed against others.
    static bool TakesPart(ECBase* element);

    // Voicing by staff type; answers the number of voices used.
    int Multivoice(MCEventList& list, int staffType);
    int VoiceNormalStaff(MCEventList& list);
    int VoiceGrandStaff(MCEventList& list);
    int VoiceDrumStaff(MCEventList& list);
    int UserVoiceStaff(MCEventList& list);
    // Places the notes of `notes` in pitch order from the current new voice
    // start, opening a voice on a conflict while below `lastVoice` (and,
    // with `alwaysOpen`, starting `lastVoice` afresh on each conflict there).
    void PlaceByPitch(const MCEventList& notes, int lastVoice, bool alwaysOpen);
    void OrderPitches(const MCEventList& list);

    // Fills the conflict list with the voice list's entries the element
    // overlaps; answers whether there was one.
    bool TimeConflict(ECBase* element, bool collectAll, bool tolerant);
    bool Conflicts(const Span& a, const Span& c, bool tolerant) const;
    // Removes overlaps in each voice from..to-1 among the list's elements.
    void SingleVoiceVoice(int from, int to, const MCEventList& list);
    void FixTimeConflict(ECBase* element);
    // The own-scale length that makes `from` end at normal tick `target`
    // (rounded to the grid when asked); false for a zero group pulse.
    bool LengthTo(const Span& from, int target, const Span* targetNote, bool round, int& length) const;
    int RoundToGrid(int ticks) const;
    void SetLength(ECBase* element, int ownTicks);
    // A continuation starting with a played note of the voice leaves.
    void YieldContinuations(std::vector<ECBase*>& voice);
    bool IsRemoved(ECBase* element) const;

    std::vector<ECBase*> m_pitchOrder;    // notes being voiced, highest key first
    std::vector<ECBase*> m_voiceList;     // elements placed in the voice being filled
    std::vector<ECBase*> m_conflictList;  // entries overlapping the element under test
    MCEventList m_removed;                // continuations taken out (held until the run ends)
    int m_newVoiceStart = 0;
    int m_voice = 1;
    unsigned m_voiceHint = 0;
    int m_singleMultivoice = 0;
    uint8_t m_split = NO_SPLIT;
    uint8_t m_input = 0;
};
