// The MIDI recorder: records MIDI input into the document, in real time or
// step by step. Each sequence is meant to own one.
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
// Recording (midirecorder_input.cpp): between Record or StepRecord and Stop
// the device library calls RecordProc on its input thread. The input thread
// never changes the tree: it places each message and queues it. In real
// time a message sits at the play clock plus the record offset in musical
// time, after the record preference filter and the quantize filter (each
// while enabled); in step recording at the step time it takes from the
// sequence, with the step value's performed length. FlushPending, on the
// user-interface thread, hands the queue to the score manager, whose add
// commands change the tree, and marks the document modified once per
// recording.
//
// While recording a hidden window's timer calls FlushPending every 100 ms;
// Pause and Stop hand over what is left. The mixer's level of each routed
// track is fed from the input thread.
//
// FIXME: the highlight feed is not built yet.
//
// Threads: the routing tables are filled on the user-interface thread while
// no input runs and only read by the input thread. CStepChord is used by the
// input thread alone. The queue has its own lock, taken alone and never
// held while calling out. The input thread takes the performance's lock only
// to convert a time; so Pause and Stop, which wait for a running callback to
// end, must be called without holding that lock.
#pragma once

#include "model/time.h"
#include "model/midifields.h"
#include "platform/core/object.h"
#include "sequencer/midimessage.h"
#include "sequencer/quantize.h"

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class CMsgWindow;
class CPortavel;
class CPVEventData;
class CSequence;
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
    // How often the queued input is handed over while recording.
    static constexpr unsigned BATCH_MS = 100;

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

    // ---- recording (midirecorder_input.cpp) ----

    // The recorder's states.
    enum : unsigned {
        RS_STOPPED = 0x1000,
        RS_PAUSED = 0x4000,
        RS_RECORDING = 0x10000,
        RS_STEP_RECORDING = 0x20000,
    };

    // Borrows the sequence and its device library and makes fresh tables
    // for the library's MIDI inputs. User-interface thread, no input running.
    void Attach(CSequence* sequence);
    // Arms the tracks that receive the recording: routes from `track` (see
    // RouteFrom), adds the staff tracks the routing needs beyond the last
    // one with one synchronous command, and announces STATE_TRACK_RECORDING
    // with the routed tracks on and every other staff track off (all off for
    // a track of 0 or below). Nothing for the current base track; without a
    // conductor or performance only the base track is kept. User-interface
    // thread.
    void SetBaseTrack(int track);
    // Stops any input and forgets the sequence and the queue.
    void Detach();
    CSequence* GetSequence() const { return m_pSequence; }

    unsigned GetState() const { return m_uState.load(); }
    int GetTag() const { return m_nTag; }

    // Starts real-time recording (nothing when already recording): a fresh
    // announcement, last time 0, input started unless it runs already.
    // User-interface thread.
    void Record();
    // Starts step recording (nothing when already step recording): no key
    // held, a fresh announcement, input started. User-interface thread.
    void StepRecord();
    // Stops the input (waiting for a running callback to end, which never
    // waits on this thread), hands what is queued over, has the score
    // manager provide the measures up to the last time and forget pending
    // note-ons, then (with a conductor and performance) announces every
    // staff track off and forgets the base track. Nothing when stopped.
    // User-interface thread.
    void Stop();
    // Stops the input, hands what is queued over and has the score manager
    // forget pending note-ons; recording resumes with Record or StepRecord.
    // Nothing when stopped or paused. User-interface thread.
    void Pause();

    // The device library's input callback. Input thread.
    static void RecordProc(void* user, int tag, CPVEventData* event);
    // Places, routes and queues one message. Input thread.
    void RecordMidiChannelMessage(unsigned device, unsigned long message, unsigned long ms);
    // A rest: the step moves on without a note. Any thread.
    void StepRecordRest();

    // Hands the queued messages to the score manager; marks the document
    // modified the first time in a recording. Returns how many were handed
    // over. User-interface thread.
    int FlushPending();
    int GetPendingCount() const;

    // The record preference filter every recorder runs incoming messages
    // through while it is enabled.
    static LCMidiPrefs& GetPrefsFilter();

private:
    using Table = std::array<MCVoiceTrack, CHANNELS>;

    // One placed message waiting for the user-interface thread.
    struct Pending {
        MCTime time;
        MCVoiceTrack vt;
        FCMidi word;
        unsigned device = 0;
        MCTime duration;
    };

    // Ends the running input, if any, by its tag.
    void StopInput();
    // Starts and ends the hand-over every BATCH_MS on this thread.
    void StartBatches();
    void StopBatches();

    std::vector<Table> m_lower;   // per device: keys below the split pitch
    std::vector<Table> m_upper;   // per device: keys at or above it
    int m_nBaseTrack = 0;
    unsigned short m_uSplitMode = 0;
    unsigned m_uSplitPitch = 60;
    LCMidiQuantize m_quantize;

    CSequence* m_pSequence = nullptr;   // borrowed, may be null
    CPortavel* m_pPortavel = nullptr;   // borrowed: the sequence's device library
    std::atomic<unsigned> m_uState{RS_STOPPED};   // read by the input thread
    int m_nTag = 0;                     // the running input's, 0 for none
    int m_bAnnounced = 0;               // the document was marked modified this recording
    MCTime m_lastTime;
    MCTime m_stepTime;
    CStepChord m_chord;                 // input thread
    MCMidiMsgVector m_messages;         // input thread: the message being recorded
    std::unique_ptr<CMsgWindow> m_pBatchWindow;   // owned; its timer hands the queue over
    mutable std::mutex m_queueLock;
    std::vector<Pending> m_queue;       // under m_queueLock
};
