// CSeqPlay: the object the device library polls while a document plays.
//
// A player starts a polled performance (CPortavel::StartPolledPerformance)
// and from then on answers, for each window of device milliseconds, the
// device events due before the window's end. The main player of a sequence
// walks the sequence's time-ordered performer list, turns each due performer
// into MIDI messages, runs them through the filter chain, queues the device
// events in time order and hands out those that fall due, telling the
// controller tracker, the level manager and the highlight manager on the way.
// The tempo ramp, the volume ramps and the metronome are players too: they
// override Attach, PrepareToPlay and GetOutputEvents.
//
// It holds
//   the sequence and its managers   borrowed, null until Attach;
//   the state                       exactly one of the PLAYER_* bits;
//   the queue and the held queue    records waiting for their time, and the
//                                   ones kept back while paused (owned);
//   the output list                 the answer to one poll; the device
//                                   library takes its events;
//   the message vector              one performer's messages (scratch);
//   the idle event                  signalled exactly while stopped or paused;
//   the tag                         of the performance now polled;
//   the lock                        re-entrant; guards everything above.
//
// Threads and locks. The device library's one polling thread calls
// PerformProc for every running player; the user-interface thread calls the
// transport (Play, Stop, Pause, Forward, Relocate). Every poll and every
// transport call holds the player's lock; a poll and Relocate, which read the
// performer list and the tree, then take the performance's lock as well,
// always in that order (player lock, then performance lock), so commands,
// which change the list under the performance's lock, never meet a poll half
// way. A player never calls the sequence's PlaybackIsStopped,
// PlaybackIsPaused or PlaybackIsDone while it holds any player's lock, and
// never from the polling thread: it queues the notice (NotifySequence). On
// the sequence's own thread the notices are delivered once the outermost
// player lock of that thread is given back; from the polling thread they go
// to the sequence (CSequence::PostNotice), which delivers them on its own
// thread. Those callbacks stop and restart players, and taking another
// player's lock while holding the performance's would invert the order.
// Detach ends the player's performance with the device library before it
// lets the sequence go, so no poll runs after it.
// GetState and GetTag take no lock.
#pragma once

#include "model/time.h"
#include "platform/core/object.h"
#include "platform/core/sync.h"
#include "platform/devices/records.h"
#include "sequencer/midimessage.h"
#include "sequencer/seqevent.h"

#include <atomic>
#include <memory>

class CHighlightMgr;
class CMeterLevelMgr;
class CMidiStateMgr;
class CPerfFilterMgr;
class CPortavel;
class CSequence;
class DCsqBase;
class DCsqMidi;
class DCsqWave;
class ECBase;
class ECPerformance;

// The player's states. Exactly one holds at a time.
enum : unsigned {
    PLAYER_STOPPED = 0x1,
    PLAYER_STOPPING = 0x2,        // stop asked for; the queue drains
    PLAYER_PAUSED = 0x4,
    PLAYER_PAUSING = 0x8,         // pause asked for; the queue drains
    PLAYER_PLAYING = 0x10,
    PLAYER_FASTFORWARD = 0x40,
    PLAYER_FINISHING = 0x80,      // kept for the speeds; nothing enters it
    PLAYER_RELOCATING = 0x2000000,   // the controller tracker walks up to a new place
    PLAYER_RELOCATED = 0x4000000,    // the chase messages play
};

// The longest a thread waits for a player to come to rest, in milliseconds.
inline constexpr DWORD PLAYER_IDLE_WAIT_MS = 5000;

class CSeqPlay : public CObject {
    DECLARE_DYNCREATE(CSeqPlay)
public:
    // What NotifySequence queues for the sequence.
    enum Notice {
        NOTICE_STOPPED,   // CSequence::PlaybackIsStopped
        NOTICE_PAUSED,    // CSequence::PlaybackIsPaused
        NOTICE_DONE,      // CSequence::PlaybackIsDone
    };

    // Stopped, no sequence, the process's device library; the idle event
    // signalled.
    CSeqPlay();
    CSeqPlay(const CSeqPlay&) = delete;
    CSeqPlay& operator=(const CSeqPlay&) = delete;
    // Detaches, ends its performance, then lets the queues go.
    ~CSeqPlay() override;

    // The poll callback given to the device library: (the player, tag, from
    // ms, to ms). Takes the player's lock and the performance's, asks the
    // player's GetOutputEvents for the window in play-clock time, lets go of
    // both and delivers the notices queued meanwhile. A tag other than the
    // player's current one (a performance the player has since replaced)
    // answers null, which ends that performance. Device thread.
    static CPVEventList* PerformProc(void* user, int tag, DWORD fromMs, DWORD toMs);

    // Stores the sequence and its filter, level, highlight and controller
    // managers. User-interface thread.
    virtual void Attach(CSequence* sequence);
    // When attached: Stop, wait for the idle event (PLAYER_IDLE_WAIT_MS),
    // end the performance (waiting for a poll that runs), then under the
    // lock empty both queues and forget the sequence and the managers.
    // User-interface thread, holding no player or performance lock.
    virtual void Detach();
    // The events due before `to`, in the output list, or null when the
    // player has nothing more to give (see player.cpp). Called by
    // PerformProc with play-clock times, and by the controller tracker during
    // Relocate with musical times. The caller holds the player's lock and
    // the performance's.
    virtual CPVEventList* GetOutputEvents(const MCTime& from, const MCTime& to);

    unsigned GetState() const { return m_state.load(std::memory_order_acquire); }
    int GetTag() const { return m_tag.load(std::memory_order_acquire); }
    CSequence* GetSequence() const { return m_pSequence; }
    CCriticalSection& GetLock() { return m_lock; }
    // Waits until the player is stopped or paused, at most `ms`. Any thread
    // that holds no player lock.
    DWORD WaitForIdle(DWORD ms = PLAYER_IDLE_WAIT_MS) { return m_idle.Wait(ms); }

    // Transport; any thread that holds no performance lock.
    // From paused the held records go back in front of the queue; from
    // playing nothing; from fast forward back to playing. Otherwise a new
    // performance starts, PrepareToPlay runs, and the state is playing.
    void Play();
    // From paused: stopped at once (the sequence is told). From stopped or
    // stopping: nothing. From pausing: stopping. Else stopping, and the queue
    // is prepared to drain (notes already sounding still end).
    void Stop();
    // Nothing when stopped, stopping, paused or pausing; else pausing, and
    // the queue is prepared to drain as for Stop.
    void Pause();
    // Play unless playing; then fast forward.
    void Forward();
    // Only while stopped and with a controller tracker attached: the tracker
    // walks the performers up to `time` through this player, its chase
    // messages are queued to leave one after another from the next window
    // on, and a new performance plays them; once played the player is
    // stopped again (the sequence is told). 1 when the chase started (the
    // idle event is then set by a later poll), else 0. User-interface thread.
    int Relocate(const MCTime& time);
    // Does nothing.
    void StepPlay() {}

    // Drops what the queues hold for events the sequence has let go (see
    // CSequence::GetForgottenElements): the records of an element whose
    // note-on has not left yet all go, so a note removed before it sounded
    // stays silent; records of an element whose note-on has left keep their
    // device events (its note-off still ends it) but no longer name it.
    // Element pointers are compared, never followed. The caller holds the
    // player's lock and the performance's.
    void ForgetElements();

protected:
    // Runs when a new performance starts from Play. The main player drops
    // what it holds of removed events and queues the wave events still
    // sounding at the location, with the performance's lock.
    virtual void PrepareToPlay();

    // 1: the queue's first record falls due before `to`; 0: nothing due yet;
    // -1: nothing more will come. With `fill` set, due performers are taken
    // from the sequence first.
    int GetEventsBefore(const MCTime& to, int fill);
    // The next performer before musical time `time` that makes sound, or
    // null; performers that only switch filters, ramps or tempos act here.
    DCsqBase* GetNextEvent(const MCTime& time);
    void ProcessNextMidiEvent(DCsqMidi* performer);
    void ProcessNextWaveEvent(DCsqWave* performer);
    // Queues one record; equal times keep their order.
    void MergeSeqEvent(const MCTime& time, ECBase* element, std::unique_ptr<CPVEventData> data, unsigned reports);
    // The waves begun before the location and still sounding there. The
    // caller holds the performance's lock.
    void QueueWaveEvents();
    // Stores the state; the idle event follows it.
    void ChangeState(unsigned state);
    // On stop and pause: see player.cpp.
    void PrepareToStopSequence();
    static void CleanQueue(CSeqEventQueue& queue) { queue.RemoveAll(); }
    // Queues a notice for the sequence (see the top of this file).
    void NotifySequence(Notice notice);
    // Starts a performance polled through PerformProc; its tag becomes the
    // player's.
    void StartPerformance();

    CSequence* m_pSequence = nullptr;           // borrowed, null until Attach
    CPortavel* m_pPortavel = nullptr;           // borrowed: the process's device library
    CPerfFilterMgr* m_pFilterMgr = nullptr;     // borrowed from the sequence
    CMeterLevelMgr* m_pLevelMgr = nullptr;      // borrowed from the sequence
    CHighlightMgr* m_pHighlightMgr = nullptr;   // borrowed from the sequence
    CMidiStateMgr* m_pStateMgr = nullptr;       // borrowed from the sequence
    std::atomic<unsigned> m_state{PLAYER_STOPPED};
    CSeqEventQueue m_queue;                     // owned records, in time order
    CSeqEventQueue m_heldQueue;                 // owned records kept back while paused
    CPVEventList m_output;                      // the answer; emptied by the device library
    MCMidiMsgVector m_messages;                 // one performer's messages
    MCTime m_currentTime;                       // device time of the queue's first record
    CEvent m_idle{MANUAL_RESET, SIGNALLED};
    std::atomic<int> m_tag{0};
    CCriticalSection m_lock;

private:
    friend class CPlayerGuard;
};
