// The MIDI recorder's routing and step-record chord rule: the parts of the
// recorder that decide where a recorded message goes and when step recording
// moves on.
//
// CMidiRecorder routes each incoming channel message to a voice/track word by
// its input device, its MIDI channel and the keyboard split, following the
// split mode:
//   bit 0 (SPLIT_DEVICE)   a separate part per input device
//   bit 1 (SPLIT_CHANNEL)  a separate part per MIDI channel
//   bit 2 (SPLIT_PITCH)    a separate part above and below the split pitch
//                          (the upper part first)
//   bit 3 (SPLIT_VOICES)   eight parts share one track as voices 0 to 7
// Parts are numbered from the base track on. It holds, per input device, two
// tables of 16 words (one per channel): the lower one for keys below the
// split pitch (a message without a key counts as key 0), the upper one for
// keys at or above it. Until a base track above 0 is routed every word names
// voice 15 of track 2047 (none). It owns the quantize filter recorded
// messages run through, told the routed track range.
//
// CStepChord counts the keys held during step recording and says which
// message moves the step position on: the first key of a new chord, or a
// rest. Keys pressed while another is held join its chord; anything else (a
// controller, a bend, pressure) takes the current step time and never moves
// it on, whatever is held.
//
// FIXME: the recorder's input path (the device callback, the record states,
// the timing of real-time and step recording, the batched hand-over to the
// score manager, arming tracks and the level and highlight feeds) is not
// built yet; these are the pieces it stands on.
//
// Threads: the routing tables are filled on the user-interface thread while
// no input runs and only read by the input thread. CStepChord is used by the
// input thread alone.
#pragma once

#include "model/time.h"
#include "platform/core/object.h"
#include "sequencer/quantize.h"

#include <array>
#include <vector>

class FCMidi;

// What a step-recorded message does to the step position.
enum class StepMove {
    RELEASE,   // a key let go: no event, the step stays
    ADVANCE,   // the first key of a new chord, or a rest: the step moves on
    SAME,      // joins the current step time
};

// The keys held during step recording. Input thread only.
class CStepChord {
public:
    // Counts the message in and says what it does: a note-off (a note-on of
    // velocity 0 too) lets one key go (never below none), a note-on holds one
    // more and starts a new chord when it is the only key held, an empty
    // message is a rest; every other message stays on the current step.
    StepMove OnMessage(const FCMidi& word);
    void Reset() { m_nHeldKeys = 0; }
    int GetHeldKeys() const { return m_nHeldKeys; }

private:
    int m_nHeldKeys = 0;
};

class CMidiRecorder : public CObject {
    DECLARE_DYNAMIC(CMidiRecorder)
public:
    // The split mode bits.
    enum : unsigned short {
        SPLIT_DEVICE = 0x1,
        SPLIT_CHANNEL = 0x2,
        SPLIT_PITCH = 0x4,
        SPLIT_VOICES = 0x8,
    };
    // CalculateVT's `lower`.
    enum : int {
        UPPER_TABLE = 0,
        LOWER_TABLE = 1,
    };
    static constexpr int CHANNELS = 16;
    // The highest track a voice/track word holds.
    static constexpr int MAX_TRACK = 2047;

    // One input device, split mode 0, split pitch 60, no base track.
    CMidiRecorder();
    CMidiRecorder(const CMidiRecorder&) = delete;
    CMidiRecorder& operator=(const CMidiRecorder&) = delete;
    ~CMidiRecorder() override;

    // Makes fresh tables (every word none) for `count` input devices, at
    // least 1 so that routing by device with no input device yields part 0.
    void SetDeviceCount(int count);
    int GetDeviceCount() const { return static_cast<int>(m_lower.size()); }

    unsigned short GetSplitMode() const { return m_uSplitMode; }
    void SetSplitMode(unsigned short mode) { m_uSplitMode = mode; }
    unsigned GetSplitPitch() const { return m_uSplitPitch; }
    void SetSplitPitch(unsigned pitch) { m_uSplitPitch = pitch; }

    // Fills both tables of every device for all channels from `baseTrack`
    // on and tells the quantize filter the track range. A base track of 0 or
    // below keeps the tables as they are. Returns the number of tracks the
    // routing needs.
    int RouteFrom(int baseTrack);
    int GetBaseTrack() const { return m_nBaseTrack; }

    // The word for a part of the split: see the file's head. A track beyond
    // what a word holds is held to MAX_TRACK.
    MCVoiceTrack CalculateVT(unsigned device, unsigned channel, int lower) const;
    // The tracks the split mode needs for the device count.
    int CalculateTracks() const;

    // The routed word for a message of this device, channel and key (0 for
    // a message without a key). A device or channel the tables lack (input
    // that appeared after the tables were made) answers voice 15 of track
    // 2047: none.
    MCVoiceTrack GetVoiceTrack(unsigned device, unsigned channel, unsigned key) const;
    // The key a routed message is split by: data byte 1 of a note-off,
    // note-on or poly pressure, else 0.
    static unsigned GetKey(const FCMidi& word);

    LCMidiQuantize& GetQuantizeFilter() { return m_quantize; }

private:
    using Table = std::array<MCVoiceTrack, CHANNELS>;

    std::vector<Table> m_lower;   // per device: keys below the split pitch
    std::vector<Table> m_upper;   // per device: keys at or above it
    int m_nBaseTrack = 0;
    unsigned short m_uSplitMode = 0;
    unsigned m_uSplitPitch = 60;
    LCMidiQuantize m_quantize;
};
