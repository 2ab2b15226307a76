// CSequence: the performance engine of one document.
//
// The document owns one sequence, attaches it to the root of its tree and
// forwards every state code it receives to OnUpdate. The sequence
//   owns the players (the main player and the tempo ramp) and the managers
//     (score manager, controller tracker, filter manager, level and highlight
//     managers), built in that order and destroyed in the reverse order;
//   keeps every performer of the document in one doubly linked list in time
//     order, performers of one time by descending precedence
//     (CMidiScoreMgr::GetPrecedence), and keeps it in step with edits through
//     a command handler (registered once per attach, removed on detach) and
//     the edit state;
//   turns transport codes into player actions, converts between musical
//     time, real time and the device clock (the timing factors), and keeps
//     the current location.
//   owns the MIDI recorder (its base track set by STATE_TRACK_RECORD on
//     staves, or chosen by Record; started by Record and Step, paused and
//     resumed by Pause, stopped by Stop and Forward), whose state the
//     sequence's state carries beside the main player's.
//   owns the wave recorder (armed by STATE_TRACK_RECORD on wave tracks,
//     started by Record, stopped by Stop) and the wave score manager, which
//     gives wave clips and wave tracks their performers.
//   owns the metronome (played beside the main player, re-checked after
//     transport codes).
//
// Archive form (after the event tree in the document stream, so every object
// named is already there): the performance and the conductor by reference,
// the head and the tail performer by reference, the playback speed (8-byte
// double). Loading ends by attaching to the performance read.
//
// Threads. Everything runs on the user-interface thread (the thread that made
// the sequence) except PostNotice, SequenceIsDone, TempoChangeIsDone,
// SetTempoFactor, AbsoluteTime and NormalizeTime, which the players call from
// the device library's polling thread. A player's notices (playback stopped,
// paused or done) never run on the polling thread: they stop recorders,
// rewind and send states, and a document closing meanwhile would free what
// they use. The player hands them to PostNotice under its own lock; the
// sequence's notice window delivers them on the user-interface thread, and
// Detach drops what has not been delivered. The sequence
// has no lock of its own: its list, positions, location and timing factors
// are guarded by the performance's lock, which the polls hold (after their
// player's lock) and which the user-interface side takes around its changes.
// The sequence never calls a player while it holds the performance's lock
// (player lock first, always). The idle event is the handshake between
// SetLocation and the polling thread.
#pragma once

#include "model/lists.h"
#include "model/time.h"
#include "platform/core/object.h"
#include "platform/core/sync.h"
#include "sequencer/player.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class CArchive;
class CCAdd;
class CCAddMeter;
class CCAddTrack;
class CCBase;
class CCRemove;
class CCRemoveMeter;
class CCRemoveTrack;
class MCCommandList;
class CHighlightMgr;
class CMeterLevelMgr;
class CMidiRecorder;
class CMidiScoreMgr;
class CMidiStateMgr;
class CPerfFilterMgr;
class CMsgWindow;
class CPortavel;
class CSeqMetronome;
class CSeqTempo;
class CWaveRecorder;
class CWaveScoreMgr;
class DCsqBase;
class ECBase;
class ECConductor;
class ECPerformance;
class ECTempo;
class SCBase;
class SCEventEdit;
class SCMaster;
class SCTrack;

// The MIDI recorder's states, which the sequence's state carries beside the
// player's (CSeqPlay PLAYER_*).
enum : unsigned {
    RECORDER_STOPPED = 0x1000,
    RECORDER_PAUSED = 0x4000,
    RECORDER_RECORDING = 0x10000,
    RECORDER_STEPRECORDING = 0x20000,
};

// The sequence's state when nothing plays or records: player stopped,
// recorder stopped.
inline constexpr unsigned SEQUENCE_IDLE = 0x1001;

// The two ways of running the timing factors: at the normal speed or at the
// fast-forward speed.
enum : int {
    TIMING_FAST = 0,
    TIMING_NORMAL = 1,
};

class CSequence : public CObject {
    DECLARE_SERIAL(CSequence)
public:
    // Flag bits.
    enum : uint32_t {
        SEQ_AUTOREWIND = 0x1,    // rewind when playback stops
        SEQ_STEPRECORD = 0x2,    // step recording armed
        SEQ_RELOCATING = 0x4,    // SetLocation is relocating the main player
    };

    // How the preferences reach a sequence: the engine's start-up installs
    // the reader (MCSeqPreferences::UpdatePreferences); without one a
    // sequence keeps its defaults. Called at Attach and on STATE_PREFS_CHANGED.
    using PreferencesHook = void (*)(CSequence* sequence);
    // Replaces the process's reader (null removes it); returns the one before.
    static PreferencesHook SetPreferencesHook(PreferencesHook hook);

    // Auto-rewind on; the players and managers made; the process's device
    // library; speeds 1.0 (fast 4.0); master level 1.0; the idle event set.
    CSequence();
    CSequence(const CSequence&) = delete;
    CSequence& operator=(const CSequence&) = delete;
    // Detaches, then destroys the managers and players in reverse order.
    ~CSequence() override;

    void Serialize(CArchive& ar) override;

    // With a performance: stores it and its conductor and registers the
    // command handler with it (once). Then (also for null) attaches the
    // players and managers, points the performers of the conductor's staves
    // and wave tracks at this sequence, and reads the preferences.
    void Attach(ECPerformance* performance);
    // Detaches the players (each stops and waits) and the managers, removes
    // this sequence's command handler (only its own), and forgets the
    // performance, conductor, list ends and positions.
    void Detach();

    // The main player's state ORed with the MIDI recorder's.
    unsigned GetState() const;

    // Every state code of the document; see sequence.cpp for the table.
    void OnUpdate(long code, SCBase* state);

    // Transport (user-interface thread).
    void Play();
    void Stop();
    void Pause();
    void Step();
    void Record();
    void Forward();
    void Rewind();
    void Next();
    void Previous();
    // Moves the current location: clamped to 0 .. the end of the last
    // measure (TimeMax stays); playback stops first; the main player
    // relocates (chasing controllers) unless the time is 0. Returns the new
    // location, or the argument unchanged when the sequence has no
    // performers.
    MCTime SetLocation(const MCTime& time);

    // Speeds. A value not above 0 becomes 0.1.
    void SetPlaybackSpeed(double speed);
    // From the tempo ramp (polling thread) too.
    void SetTempoFactor(double factor);
    void SetFastSpeed(double speed);
    // A tempo event met in playback; see sequence.cpp.
    void ChangeTempo(double percent, ECTempo* tempo);
    // The tempo ramp ended (polling thread).
    void TempoChangeIsDone(const MCTime& time);
    // Sends the tempo in beats per minute at `time` times the effective
    // speed (STATE_MASTER_TEMPO); unless forced, nothing while 4 or more
    // master states are alive.
    void UpdateBPMDisplay(const MCTime& time, int forced);

    // Musical, real or play-clock time to the play clock (seconds of device
    // time); the null time while the speed is 0. Polling thread too, under
    // the performance's lock.
    MCTime AbsoluteTime(const MCTime& time);
    // Real or play-clock time to musical time. Polling thread too.
    MCTime NormalizeTime(const MCTime& time);
    // The step record time, then advances it by the step record value.
    MCTime GetStepRecordTime();
    MCTime GetStepRecordValue();
    // Sets the time's mode to musical.
    static void RecalibrateStartTime(MCTime& time) { time.SetMode(TM_NORMAL); }

    // Players.
    // Adds the player to the running players (once) and plays it. A player
    // of another owner (a staff's volume ramp) is detached with the sequence
    // unless it detaches first.
    void PlaySequence(CSeqPlay* player);
    // A player detaching leaves the sequence's lists.
    void ForgetPlayer(CSeqPlay* player);
    // A player whose owner goes while the performance's lock may be held (a
    // staff's volume ramp): the sequence takes it over, and detaches and
    // frees it on its own thread, outside that lock, at the next turn of the
    // user-interface loop (or at Detach).
    void RetirePlayer(std::unique_ptr<CSeqPlay> player);
    void StopSequences();
    void PauseSequences();
    // A ramp that ran to its end leaves the running players (polling thread).
    void SequenceIsDone(CSeqPlay* player);
    // The players' notices, on the user-interface thread with no player lock
    // held: delivered at once when a transport call there caused them, else
    // through PostNotice.
    void PlaybackIsStopped();
    void PlaybackIsPaused();
    void PlaybackIsDone();
    // Polling thread, under the notifying player's lock (so a Detach, which
    // takes that lock, cannot pass it): queues a notice for the
    // user-interface thread.
    void PostNotice(CSeqPlay::Notice notice);
    // Delivers the notices queued so far, oldest first. User-interface thread.
    void DeliverNotices();
    // Calls the callback of one notice. User-interface thread.
    void DeliverNotice(CSeqPlay::Notice notice);
    // Whether the caller runs on the sequence's user-interface thread.
    bool IsOwnThread() const;
    // From the recorders.
    void RecordIsStopped(int modified, int stopPlayback);

    // The performer list. The caller holds the performance's lock.
    void InsertData(DCsqBase* performer);
    void RemoveData(DCsqBase* performer);
    // 0 before the head, 1 before the record position, 2 after it, 3 after
    // the tail.
    int FindInsertPosition(DCsqBase* performer);

    // The steps of the command handler; each answers 1 on success.
    int PrepareRemove(CCRemove* command);
    int PrepareRemoveList(MCEventList& events);
    int ProcessAdd(CCAdd* command);
    int ProcessAddMeter(CCAddMeter* command);
    int ProcessAddTrack(CCAddTrack* command);
    int ProcessRemove(CCRemove* command);
    int ProcessRemoveMeter(CCRemoveMeter* command);
    int ProcessRemoveTrack(CCRemoveTrack* command);
    // After the batch's own steps: the performers of events a handler
    // discarded with a command (its discard list), now out of the tree,
    // leave the list.
    void ProcessDiscards(MCCommandList& commands);
    // The command handler: (performance, phase, batch, this sequence).
    static int _OnCommand(ECBase* performance, int phase, void* batch, void* user);

    // The number of wave tracks this machine is expected to play, by its
    // processor count (the rule is in sequence.cpp).
    static int GetRecommendedTrackCount();
    static int GetRecommendedTrackCount(unsigned processors);

    // Events whose performers left the list since the main player last
    // looked: the player drops their queued records (CSeqPlay::ForgetElements)
    // and empties the list. The caller holds the performance's lock.
    std::vector<ECBase*>& GetForgottenElements() { return m_forgotten; }
    // The musical time up to which the main player has taken performers; a
    // performer inserted just before the play position at or after it still
    // plays. The caller holds the performance's lock.
    const MCTime& GetTakenUntil() const { return m_takenUntil; }
    void SetTakenUntil(const MCTime& time) { m_takenUntil = time; }

    // Accessors.
    CSeqPlay* GetPlaySequencer() const { return m_pPlayer.get(); }
    CSeqTempo* GetTempoSequencer() const { return m_pTempo.get(); }
    CSeqMetronome* GetMetronome() const { return m_pMetronome.get(); }
    CMidiScoreMgr* GetMidiScoreMgr() const { return m_pScoreMgr.get(); }
    CMidiRecorder* GetMidiRecorder() const { return m_pMidiRecorder.get(); }
    CWaveRecorder* GetWaveRecorder() const { return m_pWaveRecorder.get(); }
    CWaveScoreMgr* GetWaveScoreMgr() const { return m_pWaveScoreMgr.get(); }
    CMidiStateMgr* GetMidiStateMgr() const { return m_pStateMgr.get(); }
    CPerfFilterMgr* GetPerfFilterMgr() const { return m_pFilterMgr.get(); }
    CMeterLevelMgr* GetMeterLevelMgr() const { return m_pLevelMgr.get(); }
    CHighlightMgr* GetHighlightMgr() const { return m_pHighlightMgr.get(); }
    CPortavel* GetPortavel() const { return m_pPortavel; }
    ECConductor* GetConductor() const { return m_pConductor; }
    ECPerformance* GetPerformance() const { return m_pPerformance; }
    double GetPlaybackSpeed() const { return m_dPlaybackSpeed; }
    double GetTempoFactor() const { return m_dTempoFactor; }
    double GetFastSpeed() const { return m_dFastSpeed; }
    double GetEffectiveSpeed() const { return m_dEffectiveSpeed; }
    float GetMasterLevel() const { return m_fMasterLevel; }
    void SetMasterLevel(float level) { m_fMasterLevel = level; }
    int GetInputWaveDevice() const { return m_nInputWaveDevice; }
    void SetInputWaveDevice(int device) { m_nInputWaveDevice = device; }
    int GetOutputWaveDevice() const { return m_nOutputWaveDevice; }
    void SetOutputWaveDevice(int device) { m_nOutputWaveDevice = device; }
    const MCTime& GetLocation() const { return m_location; }
    int GetAutoRewind() const { return (m_flags.load() & SEQ_AUTOREWIND) != 0; }
    void SetAutoRewind(int autoRewind);
    const MCTime& GetRecordTimeOffset() const { return m_recordTimeOffset; }
    DCsqBase* GetHead() const { return m_pHead; }
    void SetHead(DCsqBase* performer) { m_pHead = performer; }
    DCsqBase* GetTail() const { return m_pTail; }
    void SetTail(DCsqBase* performer) { m_pTail = performer; }
    DCsqBase* GetRecordPosition() const { return m_pRecordPosition; }
    void SetRecordPosition(DCsqBase* performer) { m_pRecordPosition = performer; }
    DCsqBase* GetPlayPosition() const { return m_pPlayPosition; }
    void SetPlayPosition(DCsqBase* performer) { m_pPlayPosition = performer; }
    // The end of the last measure (0 without a conductor staff); never
    // changes the tree, so the polling thread may ask. The caller holds the
    // performance's lock.
    MCTime GetPieceEnd() const;
    // Set exactly while nothing plays or relocates (see SetLocation).
    CEvent& GetIdleEvent() { return m_idle; }

protected:
    void OnMasterState(long code, SCMaster* master);
    void OnTrackState(long code, SCTrack* track);
    void OnEventEdit(SCEventEdit* edit);
    void OnFileInit();
    void SetStepRecordValue();
    // The performer of the event, if any, leaves the list and enters again.
    void CheckEventOrder(ECBase* event);
    // The anchor from the location and the device's buffer time now.
    void InitTimingFactors(int mode);
    // The anchor moved to the device's buffer time now, keeping the mapping.
    void AdjustTimingFactors(int mode);
    // Unlinks the performer of each pending removal and empties the list.
    void UnlinkPending(bool prologue);
    // The pending removals of one event and what lies under it.
    void CollectPending(ECBase* event, bool skipGroups);
    // The performer of a wave clip or wave track (the wave score manager's).
    DCsqBase* AddWaveData(ECBase* event);
    // A wave clip whose word names another wave track moves there.
    void MoveWaveToItsTrack(ECBase* wave);
    // Head and tail of a list whose every link is answered by its back link.
    static bool IsWellFormedList(DCsqBase* head, DCsqBase* tail);

private:
    // Registers _OnCommand with the performance unless it is registered
    // there already; a registration elsewhere is removed first.
    void RegisterCommandHandler(ECPerformance* performance);
    void UnregisterCommandHandler();
    // The performance's lock, which guards the sequence's own fields; none
    // while the sequence is not attached (then nothing else reaches them).
    std::unique_lock<CCriticalSection> LockTree() const;
    // Applies a state to the performance (nothing without one).
    void ApplyToPerformance(SCBase* state);
    // Moves the conductor cache's cursor to the location.
    void ResetConductorPosition();
    // The location's musical time of the anchor, after a stop or pause.
    void TakeLocationFromAnchor();
    // Next and Previous: the marker times after (before) the location.
    MCTime FindMarker(bool next);
    // Record's base track when the MIDI recorder has none: the first empty
    // staff track from 1 on, else one past the highest (0 without a
    // conductor).
    int ChooseRecordTrack();
    // The players other than the main one that are neither stopped nor paused.
    bool AnyPlayerActive() const;
    // Waits at most `ms` for the idle event, delivering the players' notices
    // as they arrive (one of them sets it).
    void WaitForIdleEvent(DWORD ms);
    // Detaches and frees the retired players. User-interface thread, no lock held.
    void ReleaseRetiredPlayers();

    std::atomic<uint32_t> m_flags{SEQ_AUTOREWIND};
    std::vector<CSeqPlay*> m_running;               // borrowed: the players now playing
    std::vector<CSeqPlay*> m_played;                // borrowed: others' players attached here
    std::vector<std::unique_ptr<CSeqPlay>> m_retired;   // owned: waiting to be freed
    // Players and managers, built in this order, destroyed in reverse.
    std::unique_ptr<CSeqPlay> m_pPlayer;            // owned: the main player
    std::unique_ptr<CSeqTempo> m_pTempo;            // owned: the tempo ramp
    std::unique_ptr<CSeqMetronome> m_pMetronome;    // owned
    std::unique_ptr<CMidiRecorder> m_pMidiRecorder; // owned
    std::unique_ptr<CWaveRecorder> m_pWaveRecorder; // owned
    std::unique_ptr<CMidiScoreMgr> m_pScoreMgr;     // owned
    std::unique_ptr<CWaveScoreMgr> m_pWaveScoreMgr; // owned
    std::unique_ptr<CMidiStateMgr> m_pStateMgr;     // owned
    std::unique_ptr<CPerfFilterMgr> m_pFilterMgr;   // owned
    std::unique_ptr<CMeterLevelMgr> m_pLevelMgr;    // owned
    std::unique_ptr<CHighlightMgr> m_pHighlightMgr; // owned
    CPortavel* m_pPortavel = nullptr;               // borrowed: the process's device library
    ECPerformance* m_pPerformance = nullptr;        // borrowed: the document's root
    ECConductor* m_pConductor = nullptr;            // borrowed: the tree holds it
    ECPerformance* m_pHandlerPerformance = nullptr; // where our command handler is registered
    DCsqBase* m_pHead = nullptr;                    // borrowed: performers belong to their events
    DCsqBase* m_pTail = nullptr;
    DCsqBase* m_pRecordPosition = nullptr;
    DCsqBase* m_pPlayPosition = nullptr;
    MCTime m_recordTimeOffset;                      // TM_PLAY
    MCTime m_anchor;                                // R: real time (seconds) at the buffer time
    MCTime m_bufferTime;                            // B: device time (TM_PLAY) of the anchor
    MCTime m_location;                              // musical
    MCTime m_lastLocated;                           // the argument of the last SetLocation
    MCTime m_stepRecordTime;
    MCTime m_stepRecordValue{1.0f};                 // one quarter note
    MCTime m_takenUntil;                            // see GetTakenUntil
    double m_dPlaybackSpeed = 1.0;
    double m_dTempoFactor = 1.0;
    double m_dNormalSpeed = 1.0;                    // playback speed x tempo factor
    double m_dFastSpeed = 4.0;
    double m_dEffectiveSpeed = 1.0;                 // the normal or the fast speed in use
    float m_fMasterLevel = 1.0f;
    MCEventList m_pendingRemovals;                  // events whose performers leave next
    std::vector<ECBase*> m_forgotten;               // compared, never followed
    CEvent m_idle{MANUAL_RESET, SIGNALLED};
    // The players' notices waiting for the user-interface thread.
    std::mutex m_noticeLock;
    std::vector<CSeqPlay::Notice> m_notices;        // oldest first
    bool m_bAcceptNotices = false;                  // attached: notices are queued
    CEvent m_noticeQueued{AUTO_RESET};              // set by PostNotice
    std::unique_ptr<CMsgWindow> m_pNoticeWindow;    // owned; lives on the user-interface thread
    int m_nInputWaveDevice = 0;
    int m_nOutputWaveDevice = 0;

    static PreferencesHook s_pfnPreferences;
};
