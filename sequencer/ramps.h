// Gradual tempo and volume changes, each played by a small player of its own.
//
// CSeqTempo (one per sequence) moves the sequence's tempo factor from where
// it stands to a target over a stretch of musical time (accelerando,
// ritardando). CSeqVolume (one per staff performer, made by it for itself)
// moves the staff's score factor, and with it the staff's channel volume,
// over the span of a dynamic marking (crescendo, diminuendo).
//
// Both are CSeqPlay players: the sequence starts them with PlaySequence, the
// device library polls them on its thread, and each poll computes where the
// ramp stands at the end of the window, as a straight line from the start
// value (read when the ramp starts to play) to the target:
//     f = (T - begin) / duration,  value = start + f x (target - start),
// T the musical time of the window's end. Before the begin nothing changes;
// from f = 1 on the value is the target (1.0 for a tempo ramp with
// auto-reset) and the ramp stops; the poll after that reports it done to the
// sequence and answers null. A ramp of duration 0 answers null at once and
// changes nothing.
//
// Ownership: the volume ramp borrows its staff performer (its owner) and its
// client dynamic; the tempo ramp borrows only its sequence.
//
// Threads: setters, AttachClient and the start on the user-interface thread,
// or on the device thread when the main player starts a volume ramp from
// inside its poll (the player's lock is re-entrant and the device library
// lets a poll start a performance). Polls run on the device library's
// thread and hold the ramp's lock, then the performance's.
#pragma once

#include "model/time.h"
#include "sequencer/player.h"

#include <memory>

class CPVEventList;
class CSequence;
class DCsqDynamic;
class DCsqStaff;
class MidiMessage;

class CSeqTempo : public CSeqPlay {
    DECLARE_DYNAMIC(CSeqTempo)
public:
    CSeqTempo();   // begin 0, duration 2, target 1.0, no auto-reset
    ~CSeqTempo() override;

    // The factor the ramp ends at (auto-reset aside).
    void SetTargetTempoFactor(double factor);
    // Where the ramp begins, musical.
    void SetBeginTime(const MCTime& time);
    // How long it runs, in quarter notes; 0 makes it do nothing.
    void SetDuration(const MCTime& duration);
    // Non-zero: the factor returns to 1.0 when the ramp ends (a tempo change
    // that holds only for its own span) instead of staying at the target.
    void SetAutoReset(int autoReset);

    double GetTargetTempoFactor() const { return m_dTargetFactor; }
    const MCTime& GetBeginTime() const { return m_beginTime; }
    const MCTime& GetDuration() const { return m_duration; }
    const MCTime& GetEndTime() const { return m_endTime; }
    int GetAutoReset() const { return m_bAutoReset; }

    // Stores the sequence only: a ramp has no managers.
    void Attach(CSequence* sequence) override;
    // Device thread. See the top of this file; answers the empty output list
    // while running, null when done.
    CPVEventList* GetOutputEvents(const MCTime& from, const MCTime& to) override;

protected:
    // End = begin + duration; start = the sequence's tempo factor now.
    void PrepareToPlay() override;

private:
    MCTime m_beginTime{0.0f};
    MCTime m_duration{2.0f};
    MCTime m_endTime;
    int m_bAutoReset = 0;
    double m_dTargetFactor = 1.0;
    double m_dSlope = 0.0;         // target - start
    double m_dStartFactor = 1.0;
};

class CSeqVolume : public CSeqPlay {
    DECLARE_DYNAMIC(CSeqVolume)
public:
    CSeqVolume();                          // no staff: polls change nothing
    explicit CSeqVolume(DCsqStaff* staff);
    ~CSeqVolume() override;

    // The dynamic whose span the ramp plays: target = s + s x p / 100 (s the
    // staff's score factor now, p the dynamic's percent change), begin = its
    // event's time, duration = its event's duration. The ramp copies the
    // dynamic's volume message now: the dynamic may be removed while the ramp
    // plays, and the ramp never reads it again.
    void AttachClient(DCsqDynamic* dynamic);

    void SetTargetScoreFactor(double factor) { m_dTargetFactor = factor; }
    void SetBeginTime(const MCTime& time) { m_beginTime = time; }
    void SetDuration(const MCTime& duration) { m_duration = duration; }

    double GetTargetScoreFactor() const { return m_dTargetFactor; }
    const MCTime& GetBeginTime() const { return m_beginTime; }
    const MCTime& GetDuration() const { return m_duration; }
    const MCTime& GetEndTime() const { return m_endTime; }
    DCsqStaff* GetStaff() const { return m_pStaff; }
    // The dynamic last attached: compared, never followed.
    DCsqDynamic* GetClient() const { return m_pClient; }

    // Stores the sequence only: a ramp has no managers.
    void Attach(CSequence* sequence) override;
    // The staff performer goes, with the performance's lock held (which a
    // poll takes after the ramp's): the ramp forgets its staff and dynamic
    // without taking its own lock, and its next poll stops it and ends its
    // performance. The caller holds the performance's lock.
    void Orphan();
    // Device thread. See the top of this file; while running, each poll sets
    // the staff's score factor and answers one volume message (controller 7
    // with the staff's new volume, through its voice map), timed at the
    // window's start.
    CPVEventList* GetOutputEvents(const MCTime& from, const MCTime& to) override;

protected:
    // End = begin + duration; start = the staff's score factor now.
    void PrepareToPlay() override;

private:
    // The staff's volume for a score factor: last document volume x volume
    // factor, truncated toward zero and clamped to 0..127.
    int ComputeVolume() const;
    // The client's volume message with `volume`, through the staff's voice
    // map, appended to the output list as device events at `ms`.
    void OutputVolume(int volume, int ms);

    MCTime m_beginTime{0.0f};
    MCTime m_duration{2.0f};
    MCTime m_endTime;
    double m_dTargetFactor = 1.0;
    double m_dSlope = 0.0;           // target - start
    double m_dStartFactor = 1.0;
    DCsqStaff* m_pStaff = nullptr;       // borrowed: the staff performer that owns this ramp
    DCsqDynamic* m_pClient = nullptr;    // compared, never followed: the dynamic being played
    std::unique_ptr<MidiMessage> m_pClientMessage;   // owned: its volume message, null without one
    bool m_bOrphaned = false;            // the staff has gone; with the performance's lock
};
