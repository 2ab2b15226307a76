// The records of a song file of the older sequencer format, as the song-file
// reader (interface/document/quilletfile.h) takes them out of the file's
// blocks before it builds anything, and the clock that turns the file's tick
// positions into musical time.
//
// The byte layout of each record, and what makes the reader refuse a file,
// are set out beside the code that reads them (quilletfile.cpp). The records
// here hold what was read, checked and widened: a reader that got this far
// has every id resolved, every length inside its block, every chain of the
// length its count gives and no block used twice.
//
// Plain values, used by one thread.
#pragma once

#include "model/time.h"

#include <cstdint>
#include <string>
#include <vector>

// The song's context record, widened from its packed 16-bit form: the check
// value and the counts come from the first context block, the ids from the
// second.
struct MCQuilletContext {
    uint32_t checkValue = 0;
    uint32_t rulerBlockId = 0;    // the block naming the first ruler mark
    uint32_t firstVoiceId = 0;
    uint32_t rulerMarkCount = 0;
    uint32_t voiceCount = 0;
};

// A tempo change inside a measure: ticks after its ruler mark.
struct MCQuilletTempoChange {
    uint16_t offset = 0;
    uint16_t tempo = 0;   // tenths of a beat per minute
};

// One ruler mark: the start of a measure of the song, with the time
// signature and the tempos that start in it.
struct MCQuilletRulerMark {
    enum : uint8_t {
        RM_TIMESIG = 0x01,   // a time signature starts here
        RM_TEMPO = 0x02,     // a tempo starts here
    };
    uint8_t flags = 0;
    bool timeSigValid = false;   // RM_TIMESIG set, its block marked valid, a meter takes it
    uint8_t numerator = 0;
    uint8_t denominator = 0;
    uint32_t tickPosition = 0;
    uint16_t tempo = 0;          // tenths of a beat per minute
    std::vector<MCQuilletTempoChange> changes;
};

// One event of a measure. Only notes, lyrics and waves carry data here;
// every other type keeps its head alone.
struct MCQuilletEvent {
    enum : uint16_t {
        EV_NOTE = 4,
        EV_LYRIC = 5,
        EV_WAVE = 27,
    };
    // The attribute bytes of a note.
    enum : uint8_t {
        ATTR_TIED_TO = 0,     // tied to the next note of its key and channel
        ATTR_TIED_FROM = 1,   // continues the note tied to it
    };
    enum : uint8_t {
        LYRIC_SYLLABLE = 1,
    };

    uint16_t type = 0;
    uint16_t offset = 0;   // ticks from the start of the measure
    // EV_NOTE
    uint8_t key = 0;
    uint8_t velocity = 0;
    uint8_t releaseVelocity = 0;
    uint8_t channel = 0;
    uint16_t duration = 0;   // ticks
    std::vector<uint8_t> attributes;
    // EV_LYRIC
    uint8_t lyricKind = 0;
    // EV_LYRIC: the syllable; EV_WAVE: the file name (Windows-1252 bytes).
    std::string text;
};

// One measure of a voice.
struct MCQuilletMeasure {
    enum : uint8_t {
        KIND_EVENTS = 0,
        KIND_LOOP = 2,
    };
    enum : uint8_t {
        MF_KEY = 0x10,   // a key signature starts here
    };
    uint8_t kind = 0;
    uint8_t flags = 0;
    uint8_t keyCode = 0;
    std::vector<MCQuilletEvent> events;   // only for KIND_EVENTS
};

struct MCQuilletVoice {
    std::vector<MCQuilletMeasure> measures;   // measure i lies at ruler mark i
};

// Everything the conversion reads.
struct MCQuilletSong {
    std::vector<MCQuilletRulerMark> rulerMarks;
    std::vector<MCQuilletVoice> voices;
};

// The song's clock from file ticks to musical time. The file counts 96 ticks
// to the beat of the meter in force, so the ticks per quarter note change
// where a meter does: 96 under 4/4, 64 under 6/8 (a beat of a dotted
// quarter). Each stretch between two meters is counted at its own rate, so
// that a meter change does not move what lies before it.
class MCQuilletTickClock {
public:
    // The file's ticks per beat; 96 x 96 divided by a beat's length at 96 per
    // quarter gives the ticks per quarter note.
    static constexpr int TICKS_PER_BEAT = 96;
    static constexpr int TICK_RULE = TICKS_PER_BEAT * TICKS_PER_BEAT;   // 9216

    // 96 ticks per quarter note from tick 0.
    MCQuilletTickClock();

    // From `tick` on (not before the last change), a beat lasts `beatTicks`
    // ticks at 96 per quarter note (96 a quarter, 144 a dotted quarter);
    // nothing for 0.
    void SetBeatTicks(int64_t tick, int beatTicks);
    // The ticks per quarter note in force at a tick.
    int GetResolution(int64_t tick) const;
    // The musical time of a tick.
    MCTime GetTime(int64_t tick) const;
    // The length in quarter notes of `ticks` ticks from `tick`.
    MCTime GetDuration(int64_t tick, int64_t ticks) const;
    // The beat in force at a tick, in quarter notes (1.5 a dotted quarter).
    float GetBeat(int64_t tick) const;

private:
    struct Stretch {
        int64_t tick;         // where it begins
        double quarters;      // the musical time there
        int resolution;       // ticks per quarter note
    };
    const Stretch& StretchAt(int64_t tick) const;
    double QuartersAt(int64_t tick) const;

    std::vector<Stretch> m_stretches;   // by tick, never empty
};
