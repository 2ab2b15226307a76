// A tempo change: ECTempo (type ET_TEMPO) under the conductor staff.
//
// It holds the tempo in quarter notes per minute, the beat in which the user
// gave it (1.5 for a dotted quarter), the rate (quarter notes per second) and
// the speed (seconds per quarter note) derived from it, a tempo type (the
// Italian terms with their preset tempi, the gradual changes and pauses that
// span a duration, "a tempo", "rubato"), that duration, and a text that
// replaces the type's name in the score when it is not empty. The conductor's
// cache builds the tempo map from these events; the tempo ramps read the
// relative types and their durations.
//
// A tempo is always above 0: SetTempo refuses 0 (and anything not a positive
// finite number), and loading repairs such a value, so rate and speed never
// divide by zero.
//
// Holds its mirrors (ECMirror events) in an MCEventList, which references them;
// the mirrors point back without a reference. UI thread, under the
// performance's lock like the rest of the tree.
#pragma once

#include "model/meter.h"

#include <string>

class ECTempo : public ECWithTime {
    DECLARE_SERIAL(ECTempo)
public:
    // The tempo types with a meaning of their own in code. Types 2 to 20 are
    // the named tempi, each with its preset tempo.
    enum : unsigned char {
        TEMPO_FIRST_PRESET = 2,    // "Larghissimo", 40
        TEMPO_LAST_PRESET = 20,    // "Prestissimo", 240
        TEMPO_ACCEL = 21,          // 21-23 take their duration from SetTempoType
        TEMPO_RALL = 22,
        TEMPO_RIT = 23,
        TEMPO_GP = 25,             // 21-26 span a duration
        TEMPO_LP = 26,
        TEMPO_A_TEMPO = 27,        // 21-27 are relative to the tempo before
        TEMPO_RUBATO = 28,
        TEMPO_TYPE_COUNT = 30,
    };

    // Type 1, tempo 60 in quarters, rate 1, speed 1, beat 1, duration 0, no text.
    ECTempo();
    // Copies time, voice/track word, type, duration, text and the four
    // floats; mirrors are not copied.
    ECTempo(const ECTempo& other);
    // The defaults, then SetTempoType(type, duration).
    ECTempo(unsigned char type, const MCTime& duration);
    // Lets go of every mirror first.
    ~ECTempo() override;

    // After the ECWithTime part: tempo, rate, speed, beat (4-byte floats),
    // the type (1 byte), the duration only for types 21-26 (read with the
    // active performance's file version), the text. Loading keeps what it
    // reads, except that a tempo, rate, speed or beat that is not a positive
    // finite number is repaired (see the source).
    void Serialize(CArchive& ar) override;

    int GetClassType() const override;
    // Keeps the conductor's cache in order (see SetConductorEventTime).
    void SetTime(const MCTime* time) override;
    MCTime* GetDuration() override { return &m_duration; }
    void SetDuration(const MCTime* duration) override;

    // Sets the type; types 21-23 also take `duration`, types 2-20 their preset
    // tempo at a quarter-note beat. 1, or 0 (unchanged) for a type from 30 on.
    int SetTempoType(unsigned char type, const MCTime& duration);
    unsigned char GetTempoType() const { return m_type; }

    // Stores tempo x beat as quarter notes per minute, with rate and speed,
    // and the beat. 1, or 0 (unchanged) when tempo x beat is not a positive
    // finite number.
    int SetTempo(float tempo, float beat);
    // Exactly 1.0: quarter notes per minute. Any other value: the tempo in
    // the beat it was given in. 0 when the stored beat is 0.
    float GetTempo(float beat) const;
    float GetBeat() const { return m_beat; }
    float GetRate() const { return m_rate; }
    float GetSpeed() const { return m_speed; }

    // Types 21-26 span their duration; types 21-27 are relative.
    int HasDuration() const { return HasDuration(m_type); }
    int IsRelativeTempo() const { return m_type >= TEMPO_ACCEL && m_type <= TEMPO_A_TEMPO; }

    // The text when it is not empty, else the type's name.
    std::string GetText() const;
    void SetText(const std::string& text) { m_text = text; }
    // The name of a type from this library's strings; empty for types 0, 1,
    // 24, 29 and any type outside the table.
    static std::string GetTempoString(unsigned char type);
    // The preset tempo of types 2-20 in quarter notes per minute; 0 otherwise.
    static float GetPresetTempo(unsigned char type);

    // Type, duration, tempo, speed and beat; rate and text are not compared.
    bool operator==(const ECTempo& other) const;
    bool operator!=(const ECTempo& other) const { return !(*this == other); }

    // As the meter's (model/meter.h).
    template <class Mirror = ECMirror>
    void AddMirror(Mirror* mirror) { InsertMirror(m_mirrors, this, mirror); }
    void RemoveMirrors(const MCTime& from) { RemoveMirrorsFrom(m_mirrors, from); }
    MCEventList* GetMirrors() { return &m_mirrors; }

protected:
    // The defaults above; run first by every constructor.
    void InitECTempo();

private:
    static int HasDuration(unsigned char type) { return type >= TEMPO_ACCEL && type <= TEMPO_LP; }
    // Tempo, rate and speed from quarter notes per minute.
    void StoreTempo(float quartersPerMinute);

    unsigned char m_type = 1;
    MCTime m_duration;
    std::string m_text;
    float m_tempo = 60.0f;
    float m_rate = 1.0f;
    float m_speed = 1.0f;
    float m_beat = 1.0f;
    MCEventList m_mirrors;   // references each mirror
};
