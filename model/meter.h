// The meter (time signature) of the piece, and what meters and tempos share as
// conductor events: the list of mirrors that show them on the staves, and a
// time change that keeps the conductor's cache in order.
//
// ECMeter (type ET_METER) stands under the conductor staff at the time from
// which it is in force. Besides the fraction a score shows it holds the metric
// analysis the rest of the system counts with: the pulse (the note value of
// the denominator), the stresses (the groups of pulses that make the strong
// beats) and the pulses in each stress. Measure lengths, beats, the metronome,
// the grid and beaming all ask the meter, never the bare fraction.
//
// All lengths are held at 256 ticks per quarter note (a whole note is 1024),
// in 16-bit fields as the archive keeps them, and converted to any resolution
// on request, rounded to the nearest tick. SetMeter refuses a meter whose
// measure does not fit 16 bits (64/1, 128/2 ...), so no stored length wraps.
//
// Meter types: 0 and 1 are given by the caller and behave as 2; 2 simple
// (numerator below 5 or a power of two); 3 perfect compound (groups of three);
// 4 imperfect (multiples of 5 or 7: three equal stresses when divisible by
// three, else 5 is 2+3, 7 is 4+3, even ones go in groups of their odd part,
// other odd ones in fives or sevens); 5 combined (threes and a rest); 6
// composite (several fractions, SetMeter's array form).
//
// The stress arrays grow five entries at a time; the stress count, not their
// size, says how many stresses are valid. The zero tail is archived and
// compared by operator==.
//
// Holds its mirrors (ECMirror events) in an MCEventList, which references them;
// the mirrors point back without a reference. UI thread, under the
// performance's lock like the rest of the tree.
#pragma once

#include "model/event.h"

#include <vector>

class ECMirror;

// ---- shared by the conductor events ------------------------------------------

// Sets the time of a meter or tempo. Under a conductor the event leaves the
// conductor's cache first and enters it again at its new time, so the cache
// stays sorted; without one only the time is set.
void SetConductorEventTime(ECWithTime& event, const MCTime* time);

// The mirror lists of meters and tempos. Adding inserts the mirror by time and
// points it at `shown` without asking it to register again (a template, so
// that this header needs only the mirror class's name). Removing: the null
// time empties the list, any other time removes mirrors from the end back to
// the first one earlier than `from`, which stays. Removing drops the list's
// reference; the mirrors are not detached from the tree.
template <class Mirror>
void InsertMirror(MCEventList& mirrors, ECBase* shown, Mirror* mirror) {
    if (!mirror)
        return;
    mirrors.AddEvent(mirror, SORTED);
    mirror->SetMirrorEvent(shown, 0);
}
void RemoveMirrorsFrom(MCEventList& mirrors, const MCTime& from);

// ---- the meter ---------------------------------------------------------------------

class ECMeter : public ECWithTime {
    DECLARE_SERIAL(ECMeter)
public:
    // 4/4, type 0.
    ECMeter();
    // SetMeter(numerator, denominator, type); a refused fraction leaves 4/4.
    ECMeter(unsigned char numerator, unsigned char denominator, unsigned char type);
    // Copies time and voice/track word and rebuilds the analysis from the
    // source's fraction (or fractions, for a composite); mirrors are not copied.
    ECMeter(const ECMeter& other);
    // Lets go of every mirror first.
    ~ECMeter() override;

    // After the ECWithTime part: type, numerator, denominator (a byte each),
    // stress count, pulse length (2 bytes each), the two stress arrays (count,
    // then 2 bytes each), and for types above 3 the two compound arrays
    // (count, then the bytes). Loading keeps what it reads; a stress count
    // beyond either stress array throws CArchiveException(generic).
    void Serialize(CArchive& ar) override;

    int GetClassType() const override;
    // Keeps the conductor's cache in order (see SetConductorEventTime).
    void SetTime(const MCTime* time) override;

    // ---- setting ----

    // 1, or 0 (nothing changed) for a numerator of 0, a denominator that is not
    // a power of two, or a measure longer than 65535 ticks at 256 per quarter.
    // A type of 0 or 1 is kept; any other type is computed from the numerator.
    int SetMeter(unsigned char numerator, unsigned char denominator, unsigned char type);
    // A composite meter: fraction i is numerators[i] over denominators[i], or
    // over denominators[0] when that is the only denominator. One fraction
    // without `composite` is a simple meter of computed type. 1, or 0 (nothing
    // changed) for empty arrays, unequal counts of several denominators, an
    // invalid fraction, or a measure that does not fit (numerator sum above
    // 255, or longer than 65535 ticks).
    int SetMeter(const std::vector<unsigned char>& numerators, const std::vector<unsigned char>& denominators,
                 int composite);
    // The type follows only from SetMeter: does nothing, answers 0.
    int SetMeterType(unsigned char type);

    // ---- reading ----
    // Tick lengths are 16-bit; ppq is the caller's ticks per quarter note.
    // A length that would not fit 16 bits at that resolution saturates at
    // 65535 (callers keep ppq x measure length in quarters below 65536).

    unsigned char GetMeterType() const { return m_type; }
    unsigned char GetNumerator() const { return m_numerator; }
    unsigned char GetDenominator() const { return m_denominator; }
    const std::vector<unsigned char>& GetCompoundNumerator() const { return m_compoundNumerators; }
    const std::vector<unsigned char>& GetCompoundDenominator() const { return m_compoundDenominators; }
    // The stress count.
    unsigned short GetStressPulsesPerMeasure() const { return m_stressCount; }
    // The arrays themselves, zero tail included.
    const std::vector<unsigned short>& GetStressLengthArray() const { return m_stressLengths; }
    const std::vector<unsigned short>& GetPulsesPerStressArray() const { return m_pulsesPerStress; }
    MCEventList* GetMirrors() { return &m_mirrors; }

    // Pulse length in quarter notes, and in ticks.
    float GetPulse() const;
    unsigned short GetPulseTicks(unsigned short ppq) const;
    // Numerator x pulse ticks.
    unsigned short GetTicksPerMeasure(unsigned short ppq) const;
    // In quarter notes.
    float GetMeasureLength() const;

    // Stress i in quarter notes, in ticks, and its pulses. An index outside
    // the stress array gives 0.
    float GetStress(int i) const;
    unsigned short GetStressTicks(int i, unsigned short ppq) const;
    unsigned short GetPulsesPerStress(int i) const;

    // Types 0-2 count pulses as beats (the numerator), types 3-6 stresses
    // (the stress count); any other type 0.
    unsigned short GetBeatsPerMeasure() const;
    // Types 0-2: a beat is one pulse. Type 3: every beat is stress 0. Types
    // 4-6: beat i is stress i. Any other type, or a stress the arrays do not
    // hold, gives 0.
    float GetBeat(int i) const;
    unsigned short GetBeatTicks(int i, unsigned short ppq) const;
    unsigned short GetPulsesPerBeat(int i) const;

    // The lengths of the parts of one measure at a level of detail: 0 the
    // measure; 1 the stresses (types 0-2) or beats (3-6); 2 the beats (0-2)
    // or pulses (3-6); n >= 3 each beat (0-2) or pulse (3-6) cut into
    // 2^(n-2) equal parts. Levels below 0 or above 17 (parts below one tick
    // at any 16-bit resolution), and types above 6, leave `out` unchanged.
    void GetSubdivision(int level, std::vector<unsigned short>& out, unsigned short ppq) const;
    // The float form is kept for callers that ask it; it does nothing.
    void GetSubdivision(int level, std::vector<float>& out) const;

    // Every field but time, voice/track word and mirrors, the arrays with
    // their sizes and zero tails.
    bool operator==(const ECMeter& other) const;
    bool operator!=(const ECMeter& other) const { return !(*this == other); }

    // ---- mirrors ----

    // Inserts the mirror by time and points it at this meter without asking
    // it to register again; instantiated where ECMirror is known.
    template <class Mirror = ECMirror>
    void AddMirror(Mirror* mirror) { InsertMirror(m_mirrors, this, mirror); }
    // The null time empties the list; any other removes mirrors from the end
    // back to the first one earlier than `from`, which stays.
    void RemoveMirrors(const MCTime& from) { RemoveMirrorsFrom(m_mirrors, from); }

    // Rounded to the nearest tick, halves up: (value x to + from / 2) / from;
    // 0 when from is 0; saturates at 65535.
    static unsigned short ConvertResolution(unsigned short value, unsigned short to, unsigned short from);

protected:
    static unsigned char CalculateMeterType(unsigned char numerator, unsigned char denominator);
    // Appends the stresses of one fraction by the current type.
    void CalculateStress(unsigned char numerator, unsigned char denominator);
    void SetPerfectStress(unsigned char numerator, unsigned char denominator);
    void SetImperfectStress(unsigned char numerator, unsigned char denominator);
    void SetCombinedStress(unsigned char numerator, unsigned char denominator);
    void SetSingleStress(unsigned char numerator, unsigned char denominator);
    // Store at the index, growing the array by five zeros when it is full;
    // AddToStress raises the stress count to cover the index.
    void AddToStress(unsigned short length, int index);
    void AddToPulsesPerStress(unsigned short pulses, int index);

private:
    // Appends `count` stresses of `pulses` pulses of `pulseLength` ticks.
    void AppendStresses(int count, int pulses, unsigned pulseLength);
    void ClearStresses();
    static bool IsValidNumerator(unsigned numerator) { return numerator > 0; }
    static bool IsValidDenominator(unsigned denominator);

    unsigned char m_type = 0;
    unsigned char m_numerator = 4;
    unsigned char m_denominator = 4;
    std::vector<unsigned char> m_compoundNumerators;
    std::vector<unsigned char> m_compoundDenominators;
    unsigned short m_stressCount = 0;
    unsigned short m_pulseLength = 256;
    std::vector<unsigned short> m_stressLengths;
    std::vector<unsigned short> m_pulsesPerStress;
    MCEventList m_mirrors;   // references each mirror
};
