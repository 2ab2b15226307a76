// Played melodies as MIDI files for the notation tests: a note table (key,
// start and length in ticks of the file's division) becomes a type-1 file
// with a conductor track (tempo, one meter) and one track on channel 1. The
// events go in time order, a note's release before a note struck at the
// same tick, so notes played legato or overlapping come out as played.
#pragma once

#include "tests/support/smf_support.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace notation_test {

struct PlayedNote {
    int key = 60;
    int start = 0;    // ticks of the file's division
    int length = 0;
};

struct Meter {
    int numerator = 4;
    int power = 2;   // the denominator's power of two
};

inline std::vector<uint8_t> MelodyFile(const std::vector<PlayedNote>& notes, int division, Meter meter) {
    constexpr int CHANNEL = 0;   // channel 1
    constexpr int VELOCITY = 90;
    constexpr uint32_t TEMPO = 500000;   // 120 quarters a minute
    struct Event {
        int tick;
        bool on;
        int key;
    };
    std::vector<Event> events;
    for (const PlayedNote& note : notes) {
        events.push_back({note.start, true, note.key});
        events.push_back({note.start + note.length, false, note.key});
    }
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.tick != b.tick ? a.tick < b.tick : (!a.on && b.on);
    });
    smf_support::Track conductor, melody;
    conductor.Tempo(0, TEMPO).TimeSignature(0, meter.numerator, meter.power).End();
    int now = 0;
    for (const Event& event : events) {
        const uint32_t delta = static_cast<uint32_t>(event.tick - now);
        if (event.on)
            melody.NoteOn(delta, CHANNEL, event.key, VELOCITY);
        else
            melody.NoteOff(delta, CHANNEL, event.key);
        now = event.tick;
    }
    melody.End();
    return smf_support::File(1, division).Add(conductor).Add(melody).GetBytes();
}

}  // namespace notation_test
