// The performance engine's states: transport commands into a document's
// sequence, master and track settings between the mixer and the sequence, the
// tempo display, and the result of a wave recording.
//
//   SCMaster    0-4          master volume, speed, tempo (3 and 4: ignored)
//   SCMusic     no codes     a musical time, tempo and transposition; no
//                            sender in the system defines one
//   SCPerform   3300-3308    transport; its own action sets the performance's
//                            command rate: none on stop, 100 ms on record, so
//                            that the recorder's posted commands run in batches
//   SCTrack     3400-3407    one track's setting, or lists of tracks switched
//                            on and off
//   SCWaveInfo  3600         a recorded take: file, wave track, start time
//
// Like every state (model/states.h) they are made on the heap, filled, and
// applied to a performance, which delivers them on the user-interface thread
// and then deletes them (unless their auto-delete flag is off). All are posted
// by default; senders that need delivery before they go on (the mixer, the
// track performers) turn the asynchronous flag off.
//
// Copying (all but SCTrack, which has lists) copies the base's flags, code and
// target, and the own fields. SCMaster::s_iMessageCount counts the SCMaster
// objects alive; it is atomic because the device thread makes them and the
// user-interface thread deletes them.
#pragma once

#include "model/states.h"
#include "model/time.h"

#include <atomic>
#include <string>
#include <vector>

class DCsqWaveTrack;

// State codes of the performance engine (beside the data model's).
enum : unsigned {
    // SCMaster. Codes 3 and 4 are master states the sequence ignores.
    STATE_MASTER_VOLUME = 0,      // mixer -> sequence: master level = value / 100
    STATE_MASTER_SPEED = 1,       // mixer -> sequence: playback speed = value
    STATE_MASTER_TEMPO = 2,       // sequence -> mixer: beats per minute at the location

    // SCPerform, from the transport (and the sequence when playback ends).
    STATE_PERFORM_STOP = 3300,       // stop; no command rate
    STATE_PERFORM_PAUSE = 3301,      // pause or resume
    STATE_PERFORM_PLAY = 3302,
    STATE_PERFORM_STEP = 3303,       // arm step recording
    STATE_PERFORM_RECORD = 3304,     // record; command rate 100 ms
    STATE_PERFORM_NEXT = 3305,       // next marker
    STATE_PERFORM_PREVIOUS = 3306,   // previous marker
    STATE_PERFORM_FORWARD = 3307,    // fast forward, or back to normal speed
    STATE_PERFORM_REWIND = 3308,

    // SCTrack.
    STATE_TRACK_MUTE = 3400,        // -> sequence: mute (value 0 or 1)
    STATE_TRACK_SOLO = 3401,        // -> sequence: solo (value 0 or 1)
    STATE_TRACK_RECORD = 3402,      // -> sequence: arm (value non-zero) or disarm
    STATE_TRACK_ACTIVE = 3403,      // -> mixer: tracks audible (on list), silent (off list)
    STATE_TRACK_RECORDING = 3404,   // -> mixer, main frame: tracks armed (on), not (off)
    STATE_TRACK_VOLUME = 3405,      // -> sequence: gain, value / 100 (staff), / 10000 (wave)
    STATE_TRACK_PAN = 3406,         // -> sequence: wave track pan, value / 10000
    STATE_TRACK_FREQUENCY = 3407,   // -> sequence: wave track frequency factor, value / 10000

    // SCWaveInfo, from the wave recorder; nothing in the system acts on it.
    STATE_WAVE_RECORDED = 3600,
};

// The track types of track states and track performers.
enum : int {
    TT_STAFF = 1,
    TT_WAVE = 2,
};

// The command rate recording sets, in milliseconds: the recorder's posted
// commands are gathered and run as one batch per period.
inline constexpr unsigned PERFORM_RECORD_COMMAND_RATE = 100;

// Master volume, speed or tempo: one float.
class SCMaster : public SCBase {
public:
    SCMaster();   // code 0, value 0
    explicit SCMaster(unsigned code);
    SCMaster(const SCMaster& other);
    SCMaster& operator=(const SCMaster& other) = default;
    ~SCMaster() override;

    // The volume is stored as the float; read back truncated toward zero.
    void SetVolume(int volume) { m_fValue = static_cast<float>(volume); }
    int GetVolume() const { return static_cast<int>(m_fValue); }
    void SetSpeed(float speed) { m_fValue = speed; }
    float GetSpeed() const { return m_fValue; }
    void SetBPM(float bpm) { m_fValue = bpm; }
    float GetBPM() const { return m_fValue; }

    // The SCMaster objects alive. The sequence sends no unforced tempo while
    // four or more are.
    static std::atomic<int> s_iMessageCount;

private:
    float m_fValue = 0.0f;
};

// A musical setting: time, tempo and transposition.
class SCMusic : public SCBase {
public:
    SCMusic();   // code 0
    explicit SCMusic(unsigned code);
    SCMusic(const SCMusic& other) = default;
    SCMusic& operator=(const SCMusic& other) = default;

    virtual const MCTime& GetTime() const { return m_time; }
    virtual void SetTime(const MCTime& time) { m_time = time; }
    virtual float GetTempo() const { return m_fTempo; }
    virtual void SetTempo(float tempo) { m_fTempo = tempo; }
    virtual float GetTransposition() const { return m_fTransposition; }
    virtual void SetTransposition(float transposition) { m_fTransposition = transposition; }

private:
    MCTime m_time;
    float m_fTempo = 1.0f;
    float m_fTransposition = 1.0f;
};

// A transport command, with a time.
class SCPerform : public SCBase {
public:
    SCPerform();   // code 0, time 0
    explicit SCPerform(unsigned code);
    SCPerform(unsigned code, const MCTime& time);
    SCPerform(const SCPerform& other) = default;
    SCPerform& operator=(const SCPerform& other) = default;

    const MCTime& GetTime() const { return m_time; }
    void SetTime(const MCTime& time) { m_time = time; }

    // The base's action, then the target's command rate: 0 (none) for
    // STATE_PERFORM_STOP, PERFORM_RECORD_COMMAND_RATE for
    // STATE_PERFORM_RECORD; other codes, and a state without a target, leave
    // it. User-interface thread (delivery).
    void DoState() override;

private:
    MCTime m_time;
};

// A track's setting (track number and type, an int value), or a report on
// tracks: the numbers switched on and off. Not copyable.
class SCTrack : public SCBase {
public:
    SCTrack();   // code 0, track 0, TT_STAFF, value 0, empty lists
    explicit SCTrack(unsigned code);
    SCTrack(const SCTrack&) = delete;
    SCTrack& operator=(const SCTrack&) = delete;

    void SetTrack(int track) { m_nTrack = track; }
    int GetTrack() const { return m_nTrack; }
    void SetTrackType(int type) { m_nTrackType = type; }
    int GetTrackType() const { return m_nTrackType; }
    void SetValue(int value) { m_nValue = value; }
    int GetValue() const { return m_nValue; }

    // Append; a number already listed is appended again.
    void AddOnTrack(int track) { m_onList.push_back(track); }
    void AddOffTrack(int track) { m_offList.push_back(track); }
    std::vector<int>& GetOnList() { return m_onList; }
    const std::vector<int>& GetOnList() const { return m_onList; }
    std::vector<int>& GetOffList() { return m_offList; }
    const std::vector<int>& GetOffList() const { return m_offList; }

private:
    int m_nTrack = 0;
    int m_nTrackType = TT_STAFF;
    int m_nValue = 0;
    std::vector<int> m_onList;
    std::vector<int> m_offList;
};

// A finished wave recording: the take's file, where it starts and the wave
// track performer it was recorded for.
class SCWaveInfo : public SCBase {
public:
    SCWaveInfo();   // code 0, no file, time 0, no track
    explicit SCWaveInfo(unsigned code);
    SCWaveInfo(const SCWaveInfo& other) = default;
    SCWaveInfo& operator=(const SCWaveInfo& other) = default;

    void SetFilename(const std::string& fileName) { m_fileName = fileName; }
    const std::string& GetFilename() const { return m_fileName; }
    void SetTime(const MCTime& time) { m_time = time; }
    const MCTime& GetTime() const { return m_time; }
    void SetTrack(DCsqWaveTrack* track) { m_pTrack = track; }
    DCsqWaveTrack* GetTrack() const { return m_pTrack; }

private:
    std::string m_fileName;              // UTF-8
    MCTime m_time;
    DCsqWaveTrack* m_pTrack = nullptr;   // borrowed: the wave track's performer
};
