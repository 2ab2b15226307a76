// The time values of the music model and the voice/track word.
//
// MCTime is the one time type of the system: every timed event, cache point,
// command, state and performer carries one. It holds either a float (musical
// time in quarter notes, seconds of real time, or the sequencer's play clock,
// told apart by the mode byte) or, in bar/pulse/tick mode, a BPTTime block the
// time owns: copying copies the block, leaving the mode frees it. Only that
// mode allocates; every float mode is a plain 16-byte value.
//
// AuxTime pairs a real time with a bar/pulse/tick time (derived data of the
// conductor cache's points). MCVoiceTrack is the 16-bit word that places a
// timed event in a voice and a track, or, converted, on a device and channel.
//
// Plain value types without run-time class records. A value may be used on any
// thread by whoever owns it; the global PPQ is set on the UI thread at start-up
// and only read afterwards.
#pragma once

#include <cstdint>
#include <memory>

class CArchive;

// The modes of an MCTime (the mode byte).
enum : unsigned char {
    TM_NORMAL = 0,   // musical time in quarter notes (the default)
    TM_REAL = 1,     // seconds of real time, translated through the tempo map
    TM_PLAY = 3,     // the sequencer's play clock
    TM_BPT = 4,      // bar/pulse/tick
};

// A bar/pulse/tick position: `tick` counts ticks inside the pulse, `ppq` is
// the number of ticks per pulse. The archive keeps the four fields in this order.
struct BPTTime {
    int32_t bar = 0;
    int32_t pulse = 0;
    int32_t tick = 0;
    int32_t ppq = 0;
};

class MCTime {
public:
    // The resolution given to the bar/pulse/tick zero that the arithmetic
    // operators return for bar/pulse/tick operands. Starts at 480.
    static int GlobalPPQ;
    // Stores v clamped to 10..1000; returns 1.
    static int SetGlobalPPQ(int v);

    // Shared constants, built on first use.
    static const MCTime& TimeNull();   // -1.0 in mode 0: no time; sorts before zero
    static const MCTime& TimeZero();   // 0.0 in mode 0
    static const MCTime& TimeMax();    // the largest finite float in mode 0

    MCTime() = default;                                  // 0.0, mode 0
    MCTime(float seconds) : m_value(seconds) {}          // mode 0 (implicit: a float is a time)
    MCTime(int bar, int pulse, int tick, int ppq);       // mode 4
    MCTime(const MCTime& other);
    MCTime(MCTime&& other) noexcept;             // leaves other at 0.0, mode 0
    ~MCTime() = default;

    MCTime& operator=(const MCTime& other) {
        // Between float times only the float and the mode move.
        if (!other.m_block && !m_block) {
            m_value = other.m_value;
            m_mode = other.m_mode;
            return *this;
        }
        return AssignBPT(other);
    }
    MCTime& operator=(MCTime&& other) noexcept;
    MCTime& operator=(float seconds) { SetSeconds(seconds); return *this; }

    unsigned char GetMode() const { return m_mode; }
    // Leaving mode 4 frees the block (the float becomes 0); entering it
    // creates a zeroed block; between float modes only the mode byte changes.
    void SetMode(int mode);

    // The float (0 in mode 4). Setting it leaves mode 4 for mode 0; any
    // float mode stays.
    float GetSeconds() const { return m_value; }
    void SetSeconds(float seconds);

    // Milliseconds, rounded half up: 0 in mode 4; -999 for the null time.
    // A value outside the int range saturates; NaN gives 0.
    int GetMSec() const;
    void SetMSec(int ms);

    // Ticks at the given resolution, rounded as GetMSec (0 in mode 4).
    int GetTicks(int ppq) const;
    // Nothing when ppq is 0.
    void SetTicks(int ticks, int ppq);
    // Nothing when ppq is 0 or the time is in mode 4.
    void AddTicks(int ticks, int ppq);

    // The block; meaningful only in mode 4 (all zeros otherwise).
    const BPTTime& GetBarPulseTick() const;
    // Enters mode 4 and copies the four fields.
    void SetBarPulseTick(const BPTTime& bpt);
    // Re-expresses the tick at a new resolution (mode 4 with a PPQ above 0
    // that differs from ppq only; bar and pulse stay).
    void SetPPQ(int ppq);

    // Float arithmetic; nothing happens when either side is in mode 4, and
    // the left side keeps its mode.
    MCTime& operator+=(const MCTime& other);
    MCTime& operator-=(const MCTime& other);
    MCTime& operator*=(float factor);
    MCTime& operator/=(float divisor);          // nothing for a divisor of 0

    // A new time in mode 0; a zero divisor counts as 1. For a left side in
    // mode 4 each returns the bar/pulse/tick zero (0, 0, 0, GlobalPPQ).
    MCTime operator/(const MCTime& divisor) const;
    MCTime operator%(const MCTime& divisor) const;   // value - floor(value / d) * d
    MCTime operator-() const;

    // Float modes compare as floats (the modes themselves are not compared);
    // bar/pulse/tick times compare by bar, pulse, then tick scaled by PPQ.
    // A bar/pulse/tick time never equals a float time.
    // The float cases are answered here, inline: sorting, searching and every
    // list of the tree compare times all the time.
    bool operator==(const MCTime& other) const {
        return !IsBPT() && !other.IsBPT() ? m_value == other.m_value : EqualsBPT(other);
    }
    bool operator!=(const MCTime& other) const { return !(*this == other); }
    bool operator>=(const MCTime& other) const {
        return !IsBPT() && !other.IsBPT() ? m_value >= other.m_value : InOrderBPT(other, true);
    }
    bool operator<=(const MCTime& other) const {
        return !IsBPT() && !other.IsBPT() ? m_value <= other.m_value : InOrderBPT(other, false);
    }
    bool operator<(const MCTime& other) const { return !(*this >= other); }
    bool operator>(const MCTime& other) const { return !(*this <= other); }

    // Storing writes the mode byte then 16 bytes of bar/pulse/tick/PPQ in
    // mode 4, else the 4-byte float (the version is ignored; callers pass -1).
    // Loading with version 1 or above reads the same; version 0 (files from
    // before the mode byte) reads only the float.
    void Serialize(CArchive& ar, int version);

private:
    bool IsBPT() const { return m_mode == TM_BPT; }
    // The comparisons and the assignment where a bar/pulse/tick time takes
    // part: `this >= other` (greater) or `this <= other`.
    bool EqualsBPT(const MCTime& other) const;
    bool InOrderBPT(const MCTime& other, bool greater) const;
    MCTime& AssignBPT(const MCTime& other);
    void FreeBlock();
    static MCTime BPTZero();

    std::unique_ptr<BPTTime> m_block;   // owned; non-null exactly in mode 4
    float m_value = 0.0f;               // the float of the float modes; 0 in mode 4
    unsigned char m_mode = TM_NORMAL;
};

// The difference a - b and the product f * t, both float times in mode 0;
// time zero when a time operand is in mode 4.
MCTime operator-(const MCTime& a, const MCTime& b);
MCTime operator*(float factor, const MCTime& t);

// The two derived start times of a conductor cache point.
struct AuxTime {
    MCTime m_realTime;   // mode TM_REAL
    MCTime m_bptTime;    // mode TM_BPT
};

// Normal form (bit 15 clear): voice in bits 0-3 (15 none), track in bits 4-14
// (2047 none). Converted form (bit 15 set): device in bits 0-7, channel in
// bits 8-14. The default is voice 15, track 2047 (the word 0x7FFF).
class MCVoiceTrack {
public:
    MCVoiceTrack() = default;
    MCVoiceTrack(int voice, int track)
        : m_word(static_cast<uint16_t>((voice & 15) + (track << 4))) {}

    int IsConverted() const { return (m_word & 0x8000) != 0; }

    int GetVoice() const { return IsConverted() ? 15 : m_word & 0x000F; }
    // Clears the voice bits and bit 15: the word returns to the normal form.
    void SetVoice(int voice);
    int GetTrack() const { return IsConverted() ? 2047 : (m_word & 0x7FF0) >> 4; }
    // Keeps the voice; a track above 2047 spills into bit 15.
    void SetTrack(int track);

    int GetDevice() const { return IsConverted() ? m_word & 0x00FF : 255; }
    // Both setters switch to the converted form and keep the other field's
    // bits as they stand (the channel bits keep what a track left there).
    void SetDevice(int device);
    int GetChannel() const { return IsConverted() ? (m_word & 0x7F00) >> 8 : 127; }
    void SetChannel(int channel);

    unsigned short GetValue() const { return m_word; }
    void SetValue(unsigned short word) { m_word = word; }

    bool operator==(const MCVoiceTrack& other) const { return m_word == other.m_word; }
    bool operator!=(const MCVoiceTrack& other) const { return m_word != other.m_word; }

private:
    uint16_t m_word = 0x7FFF;
};
