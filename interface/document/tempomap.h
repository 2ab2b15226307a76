// MCTempoMap: one point of a song file's tempo clock, the helper the song-file
// reader (interface/document/quilletfile.h) keeps its tempo changes with.
//
// A point holds
//   the tick position  where the tempo starts, in the song file's ticks
//                      (96 to the beat);
//   the base time      the milliseconds from the start of the song to that
//                      position;
//   the tempo          microseconds per beat, 500000 (120 beats a minute)
//                      until a tempo is set.
// The base time of a point follows from the point before it: the ticks
// between the two at the earlier point's tempo. The file gives tempos in
// tenths of a beat per minute; the point turns them into microseconds.
//
// A plain value (copying copies all three fields), used by one thread.
#pragma once

#include <cstdint>

class MCTempoMap {
public:
    // The song file's ticks per beat, which the base time counts with.
    static constexpr int32_t TICKS_PER_BEAT = 96;
    static constexpr int32_t DEFAULT_TEMPO = 500000;

    MCTempoMap() = default;

    // 600,000,000 / tenths: the microseconds of one beat. Nothing for a value
    // that is not above 0 (0 is no tempo; a negative value is a damaged one).
    void SetTempo(short tenthsBpm);
    void SetTickPosition(int32_t tick) { m_lTickPosition = tick; }
    // base = previous base + (tick - previous tick) x previous tempo / 96000:
    // the previous point's tempo held from its tick up to this one.
    void SetBase(const MCTempoMap& previous);
    // The base of the song's first point: 0.
    void InitBase() { m_lBaseTime = 0; }

    int32_t GetTickPosition() const { return m_lTickPosition; }
    int32_t GetBaseTime() const { return m_lBaseTime; }
    int32_t GetTempo() const { return m_lTempo; }
    // The tempo in beats per minute (60,000,000 / microseconds per beat).
    float GetBeatsPerMinute() const;

    // a x b / c through a 64-bit product, the quotient cut toward zero and
    // held to the 32-bit range; 0 when c is 0.
    static int32_t muldiv32(int32_t a, int32_t b, int32_t c);

private:
    int32_t m_lTickPosition = 0;
    int32_t m_lBaseTime = 0;               // milliseconds
    int32_t m_lTempo = DEFAULT_TEMPO;      // microseconds per beat
};
