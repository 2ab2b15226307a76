// The printing tests' piece, written by python3-mido: three staves, 4/4 at
// 120 beats a minute, 40 bars of quarter notes each played 66 % long (so
// each reads back as a quarter), staff 2 silent in bars 9-16, no text
// events: 448 notes.
#pragma once

#include "tests/support/smf_support.h"

#include <string>

namespace view_test {

inline constexpr int kSongBars = 40;
inline constexpr int kSongNotes = 448;

// Writes the piece to `path`; its bytes, empty when python3-mido is missing.
inline smf_support::Bytes MakeSong(const std::string& path) {
    return smf_support::MakeWithMido(R"(
division = 480
played = division * 66 // 100
song = mido.MidiFile(type=1, ticks_per_beat=division)
conductor = mido.MidiTrack()
conductor.append(mido.MetaMessage('set_tempo', tempo=500000, time=0))
conductor.append(mido.MetaMessage('time_signature', numerator=4, denominator=4, time=0))
song.tracks.append(conductor)
for staff, key in enumerate([72, 60, 48]):
    track = mido.MidiTrack()
    pending = 0
    for beat in range(4 * 40):
        bar = beat // 4 + 1
        if staff == 1 and 9 <= bar <= 16:
            pending += division
            continue
        track.append(mido.Message('note_on', channel=staff, note=key, velocity=90, time=pending))
        track.append(mido.Message('note_off', channel=staff, note=key, velocity=0, time=played))
        pending = division - played
    song.tracks.append(track)
song.save(path)
)",
                                     path);
}

}  // namespace view_test
