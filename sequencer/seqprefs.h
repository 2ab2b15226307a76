// MCSeqPreferences: the engine's settings in the user's profile.
//
// What it holds: the names of the ten MIDI filter entries (the message types
// of the preference filter, LCMidiPrefs) and, per entry, a record flag and a
// playback flag for the preference sheet; nothing else — every other value
// lives in the profile and in the objects it is applied to.
//
// The profile's sections and keys (all integers):
//   "Sequencer\Midi\Record"          recorder split and quantize settings
//   "Sequencer\Midi\Record\Filter"   one key per entry name: 0 blocks it
//   "Sequencer\Midi\Play"            default output device, thinning switches
//   "Sequencer\Midi\Play\Filter"     one key per entry name: 0 blocks it
//   "Sequencer\Midi\Thru"            device, channel (1-based, 0 = each
//                                    message's own), enabled
//   "Sequencer\Midi\Metronome"       channel, both pulses, switches, device
//   "Sequencer\Wave\Play"            default device, track counts
//   "Sequencer\Wave\Record"          default device
//   "Sequencer"                      global PPQ, auto-rewind
//
// InitPreferences runs once at start-up and is the only writer of the
// profile here: it corrects stored device numbers that the device library
// does not have (below 0, or not below its count) to 0, and stores the
// wave track counts. UpdatePreferences applies every section to one
// sequence and to the engine's shared filters; it is the sequence's
// preference hook, called at attach and on each preference change.
//
// Threads: the user-interface thread only. The shared playback filter's
// flags are atomics, so the polling thread sees them change between polls.
#pragma once

#include <cstdint>
#include <string>

class CMidiRecorder;
class CSeqMetronome;
class CSequence;

// The MIDI recorder's settings ("Sequencer\Midi\Record").
struct SeqRecordPreferences {
    int splitMode = 0;
    int splitPitch = 60;
    int primaryDivision = 4;
    int secondaryDivision = 0;   // 0 unless the second division is enabled
    int quantizePercent = 50;
    int quantizeMode = 3;
    int quantizeEnabled = 0;
};

// The metronome's settings ("Sequencer\Midi\Metronome"). The pulses are
// packed note-on messages (status, key, velocity from the low byte up).
struct SeqMetronomePreferences {
    uint32_t primaryPulse = 0;     // the first beat of a measure
    uint32_t secondaryPulse = 0;   // every other beat
    int playEnable = 0;
    int recordEnable = 1;
    int midiSource = 1;            // 1 clicks on the MIDI device, 0 beeps
    unsigned device = 0;
};

class MCSeqPreferences {
public:
    // The number of filter entries.
    static constexpr int ENTRY_COUNT = 10;

    // The first one made in the process turns all twenty entry flags on.
    MCSeqPreferences();

    // For an index 0..9: stores the entry's name and answers its playback
    // (record) flag. Any other index answers 0 and leaves the name.
    static int GetPlaybackEntry(std::string& name, int index);
    static int GetRecordEntry(std::string& name, int index);

    // Start-up: device numbers checked against the process's device library
    // (skipped without one), wave track counts stored, MIDI thru connected.
    static void InitPreferences();
    // Applies every section to the sequence and to the shared filters;
    // nothing without a sequence.
    static void UpdatePreferences(CSequence* sequence);

    // The recorder's and the metronome's sections as read from the profile.
    static SeqRecordPreferences ReadRecordPreferences();
    static SeqMetronomePreferences ReadMetronomePreferences();
    // Hands the record section to a MIDI recorder: split mode and pitch and
    // its quantize filter's divisions, percent, mode and enabled flag; an
    // armed recorder that is not recording is routed again by the new split.
    static void ApplyRecordPreferences(CMidiRecorder& recorder);
    // Hands the metronome section to a metronome (both pulses, the play and
    // record switches, the source and the device).
    static void ApplyMetronomePreferences(CSeqMetronome& metronome);

private:
    // Connects MIDI thru to the stored device and channel and sets the
    // device library's thru bit from "Enabled" (only 1 sets it).
    static void ApplyMidiThru();

    static int s_recordEntries[ENTRY_COUNT];
    static int s_playbackEntries[ENTRY_COUNT];
    static bool s_bInitialized;
};
