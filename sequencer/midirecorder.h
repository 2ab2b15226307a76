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
// The sequence's highlight manager is fed by the hand-over, since a message
// becomes an event only there. Each record is stamped as the player stamps
// its own: the device's play start time plus the input's device time, so a
// view shows a recorded note lit from its key's press (already due when
// handed over, it is read at once, or behind records the player queued
// ahead of it). A real-time note goes out at the note-off that gives it its
// length. A step-recorded note has its length already; its chord stays lit
// until all its keys are up. Pause, Stop and a switch of recording mode put
// out what is still lit, at the clock now, since the note-offs that would
// have done it may never come.
//
// Threads: the routing tables are filled on the user-interface thread while
// no input runs and only read by the input thread. CStepChord is used by the
// input thread alone. The queue has its own lock, taken alone and never
// held while calling out. The input thread takes the performance's lock
// only to convert a time; so Pause and Stop, which wait for a running
// callback to end, must be called without holding that lock. The lit notes
// are the user-interface thread's, changed under the performance's lock
// (references on events change under it), taken before the highlight
// manager's.
#pragma once

#include "model/lists.h"
#include "model/midifields.h"
#include "model/time.h"
#include "platform/core/clock.h"
#include "platform/core/object.h"
#include "sequencer/midimessage.h"
#include "sequencer/quantize.h"

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class CHighlightMgr;
class CMsgWindow;
class CPortavel;
class CPVEventData;
class CSequence;
class ECBase;
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
    // for the library's MIDI inputs; notes lit in the tree before are let
    // go. User-interface thread, no input running.
    void Attach(CSequence* sequence);
    // Arms the tracks that receive the recording: routes from `track` (see
    // RouteFrom), adds the staff tracks the routing needs beyond the last
    // one with one synchronous command, and announces STATE_TRACK_RECORDING
    // with the routed tracks on and every other staff track off (all off for
    // a track of 0 or below). Nothing for the current base track; without a
    // conductor or performance only the base track is kept. User-interface
    // thread.
    void SetBaseTrack(int track);
    // Stops any input and forgets the sequence, the queue and the lit notes
    // (the document is going: nothing is put out).
    void Detach();
    CSequence* GetSequence() const { return m_pSequence; }

    unsigned GetState() const { return m_uState.load(); }
    int GetTag() const { return m_nTag; }

    // Starts real-time recording (nothing when already recording): a fresh
    // announcement, last time 0, input started unless it runs already. A
    // switch from step recording hands over what is queued and puts out what
    // is lit first. User-interface thread.
    void Record();
    // Starts step recording (nothing when already step recording): no key
    // held, a fresh announcement, input started; a switch from real time as
    // for Record. User-interface thread.
    void StepRecord();
    // Stops the input (waiting for a running callback to end, which never
    // waits on this thread), hands what is queued over, has the score
    // manager provide the measures up to the last time and forget pending
    // note-ons, puts out what is lit, then (with a conductor and performance)
    // announces every staff track off and forgets the base track. Nothing
    // when stopped. User-interface thread.
    void Stop();
    // Stops the input, hands what is queued over, has the score manager
    // forget pending note-ons and puts out what is lit; recording resumes
    // with Record or StepRecord. Nothing when stopped or paused.
    // User-interface thread.
    void Pause();

    // The device library's input callback. Input thread.
    static void RecordProc(void* user, int tag, CPVEventData* event);
    // Places, routes and queues one message. Input thread.
    void RecordMidiChannelMessage(unsigned device, unsigned long message, unsigned long ms);
    // A rest: the step moves on without a note. Any thread.
    void StepRecordRest();

    // Hands the queued messages to the score manager and lights or puts out
    // their notes; marks the document modified the first time in a
    // recording. Returns how many messages were handed over. User-interface
    // thread.
    int FlushPending();
    // The messages queued.
    int GetPendingCount() const;
    // The recorded notes lit and not yet put out.
    int GetLitCount() const { return m_lit.GetCount(); }

    // The record preference filter every recorder runs incoming messages
    // through while it is enabled.
    static LCMidiPrefs& GetPrefsFilter();

private:
    using Table = std::array<MCVoiceTrack, CHANNELS>;

    // What the input thread queues: a message for the score, or the moment
    // the keys of a step-recorded chord were all up.
    enum PendingKind : unsigned char {
        PENDING_MESSAGE,
        PENDING_CHORD_UP,
    };
    // One placed message (or chord's end) waiting for the user-interface
    // thread.
    struct Pending {
        PendingKind kind = PENDING_MESSAGE;
        MCTime time;
        MCVoiceTrack vt;
        FCMidi word;
        unsigned device = 0;
        MCTime duration;
        DWORD stamp = 0;   // on the clock the highlight manager reads
    };

    // Queues under the queue's lock. Input thread.
    void Enqueue(const Pending& pending);
    // Lights the note a message made, or puts out the note it closed or the
    // chord whose keys are up. User-interface thread, the performance locked.
    void Highlight(CHighlightMgr& highlights, const Pending& pending, ECBase* event);
    // Puts out every lit note at the stamp (with a manager) and lets them go;
    // PutOutLitNow at the clock now. User-interface thread; PutOutLit with
    // the performance locked, PutOutLitNow takes it.
    void PutOutLit(CHighlightMgr* highlights, DWORD stamp);
    void PutOutLitNow();
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
    MCEventList m_lit;                  // user-interface thread: lit notes, referenced
};
