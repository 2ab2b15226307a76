// The track performers: what a track needs to play, beside its events.
//
//   DCsqTrack       the common base (a filter performer): the sequence, gain,
//                   pan, device, the mute, solo and active states, and the
//                   track's prologue (the events that set it up: its name
//                   text, its level, and for staves bank and program)
//   DCsqWaveTrack   a wave track: gain, pan and frequency as the wave mixer's
//                   values, sent at once to the device library
// The staff and conductor-staff performers are in
// sequencer/staffperformer.h.
//
// Mute, solo and active are bits of the view data's flag word: bit 1 muted,
// bit 2 soloed, bit 3 active (set at construction); bit 4 is kept clear.
// A change of mute or solo is announced as the track state 3400 or 3401,
// followed by one 3403 per track kind (staves, then wave tracks) listing the
// tracks now audible and silent; each state is sent synchronously to the
// sequence's performance, so the mixer has seen it when the call returns.
// Muting clears solo and soloing clears mute.
//
// The prologue: a track finds its set-up events among its owner's
// descendants (the first of each prologue kind, unless music comes earlier)
// or makes them (staves only, through the score manager) and keeps them in
// its prologue array; the cached events and the array hold a reference on
// each, so an event removed from the tree is never read through a dangling
// pointer. The sequence hands removed events back with RemovePrologueEvent.
//
// Archive form (after DCsqFilter's): gain (float), pan (float), device (4
// bytes, read from file version 2). DCsqWaveTrack then the frequency factor
// (float) and the three wave values (12 bytes), both read from version 2.
//
// Threads: the user-interface thread (the mixer, the sequence's state
// handling); GetTrackData and IsActive also on the polling thread, under the
// player's lock and the performance's. The states sent from here block a
// caller on another thread until the user-interface thread delivered them.
#pragma once

#include "model/lists.h"
#include "platform/devices/records.h"
#include "sequencer/enginestates.h"
#include "sequencer/performers.h"

#include <string>
#include <vector>

class CSequence;
class ECBase;
class ECConductor;

// The track type of the conductor staff (TT_STAFF and TT_WAVE are in
// sequencer/enginestates.h).
enum : int {
    TT_CONDUCTOR = 0,
};

class DCsqTrack : public DCsqFilter {
    DECLARE_SERIAL(DCsqTrack)
public:
    // Flag bits of the flag word.
    enum : int {
        MUTED_BIT = 1,
        SOLOED_BIT = 2,
        ACTIVE_BIT = 3,
        TRACK_BIT4 = 4,
    };

    // Not muted, not soloed, active; gain 1, pan 0, device 0. The prologue
    // kinds are a name text (DT_TEXT) and a dynamic (DT_DYNAMIC); no
    // non-prologue kind.
    DCsqTrack();
    // Lets the prologue events go.
    ~DCsqTrack() override;

    void Serialize(CArchive& ar) override;
    int GetClassType() const override;

    // ---- the track ----
    // -1 here; TT_STAFF, TT_WAVE or TT_CONDUCTOR below.
    virtual int GetTrackType() const;
    // Forgets the event in the prologue array and the caches.
    virtual void RemovePrologueEvent(ECBase* event);
    virtual void SetTrackGain(float gain);
    virtual void SetTrackPan(float pan);
    virtual void SetDevice(int device);
    // Mute: nothing when unchanged; else bit 1 := state, a muted track loses
    // its solo (UpdateSoloState(track, 0)), every track's active state is
    // recomputed (UpdateActiveStates), and 3400 (track, track type, state) is
    // sent. Solo likewise with bit 2 and 3401, a soloed track losing its mute.
    virtual void UpdateMuteState(int track, int state, CSequence* sequence);
    virtual void UpdateSoloState(int track, int state, CSequence* sequence);
    // Bit 3.
    virtual void SetActive(int active);
    // Stores the sequence and makes the track's name.
    virtual void InitTrack(CSequence* sequence);
    // A new prologue event of an event type; none here.
    virtual ECBase* MakePrologueEvent(int type);
    // Nothing here.
    virtual void CreateTrackFilters();

    int IsMuted() const { return GetFlagBit(MUTED_BIT); }
    int IsSoloed() const { return GetFlagBit(SOLOED_BIT); }
    int IsActive() const { return GetFlagBit(ACTIVE_BIT); }
    // True when the track has no non-prologue event.
    int IsEmpty();

    float GetTrackGain() const { return m_fGain; }
    float GetTrackPan() const { return m_fPan; }
    int GetDevice() const { return m_nDevice; }
    void SetSequence(CSequence* sequence) { m_pSequence = sequence; }
    CSequence* GetSequence() const { return m_pSequence; }

    // The track number of the owner's voice/track word (2047 without one).
    int GetTrackNumber();

    // ---- the name ----
    // The text of the track's name event (found, or made, as a prologue
    // text). An empty text becomes "Track %d" (the track number), "Untitled"
    // for track 0. Empty when there is no name event.
    const std::string& GetTrackName();
    // Writes the name event's text (nothing without one).
    void SetTrackName(const std::string& name);

    // ---- the prologue ----
    // Appends a DataType to the prologue kinds.
    void DefinePrologueType(int type);
    // Appends a DataType to the non-prologue kinds, or (add 0) removes its
    // first occurrence.
    void DefineNonPrologueType(int type, int add);
    const std::vector<int>& GetPrologueTypes() const { return m_prologueTypes; }
    const std::vector<int>& GetNonPrologueTypes() const { return m_nonPrologueTypes; }
    // FindFirstPrologueEvent, else MakePrologueEvent; a result joins the
    // prologue array.
    ECBase* GetPrologueEvent(int type);
    // The owner's first descendant of the event type, unless the first
    // non-prologue event lies earlier.
    ECBase* FindFirstPrologueEvent(int type);
    // The first event of a non-prologue kind, the first event of each
    // prologue kind passed over (a walk of depth 2); null without an owner.
    ECBase* FindFirstNonPrologueEvent();
    // Whether the event is in the prologue array.
    int IsPrologueEvent(ECBase* event) const;

    // ---- the sequence's tracks ----
    // The performer of the event's track (2047 when it has none) of a track
    // type, from the sequence's conductor (made on demand); null when there
    // is no such track.
    static DCsqTrack* GetTrackData(ECBase* event, int type, CSequence* sequence);
    static DCsqTrack* GetTrackData(unsigned track, int type, CSequence* sequence);
    // The first track of the type, 1 to the highest number, that IsEmpty;
    // -1 when none is.
    static int GetFirstEmptyTrack(int type, CSequence* sequence);
    // Over staves and wave tracks, 1 to the highest number of each.
    static int AnyTracksSoloed(CSequence* sequence);
    static int AnyTracksMuted(CSequence* sequence);
    // Recomputes every track's active state (with any track soloed the
    // soloed ones play, else the unmuted ones) and sends one 3403 per track
    // kind with the active and the inactive track numbers.
    static void UpdateActiveStates(CSequence* sequence);

protected:
    // The name event, cached and kept in the prologue array; null when none
    // is found or made.
    ECBase* GetTrackNameEvent();
    // Keeps an event in the prologue array (once), with a reference.
    void AddPrologueEvent(ECBase* event);
    // Sends a track state synchronously to the sequence's performance.
    static void SendTrackState(SCTrack* state, CSequence* sequence);
    // The sequence's conductor, or null.
    static ECConductor* GetConductor(CSequence* sequence);

    CSequence* m_pSequence = nullptr;   // borrowed: the document's sequence
    float m_fGain = 1.0f;
    float m_fPan = 0.0f;
    int m_nDevice = 0;
    ECBase* m_pTrackName = nullptr;     // a prologue event (the array holds it)
    ECBase* m_pPrologue2 = nullptr;     // a prologue event; only cleared here
    MCEventList m_prologue;             // the prologue events found so far (referenced)
    std::vector<int> m_prologueTypes;
    std::vector<int> m_nonPrologueTypes;

private:
    std::string m_name;                 // the last GetTrackName
};

// A wave track. Its gain, pan and frequency go to the device library as the
// track's wave values at once (nothing without a sequence):
//   gain g (held to 0..1)    volume (g x master level - 1) x 5000 when
//                            active, else -10000
//   pan p (held to -1..1)    pan p x 10000
//   frequency f (-1..1)      frequency f x 10000
// each cut to a whole number toward zero.
class DCsqWaveTrack : public DCsqTrack {
    DECLARE_SERIAL(DCsqWaveTrack)
public:
    // Frequency factor 0 (the frequency value 0 matches it); wave values 0;
    // the non-prologue kind DT_WAVE.
    DCsqWaveTrack();

    void Serialize(CArchive& ar) override;
    int GetClassType() const override;
    int GetTrackType() const override;

    void SetTrackGain(float gain) override;
    void SetTrackPan(float pan) override;
    void SetTrackFrequency(float frequency);
    // Applies only with a sequence, and sends the gain again.
    void SetActive(int active) override;
    // Stores the sequence only.
    void InitTrack(CSequence* sequence) override;

    float GetTrackFrequency() const { return m_fFrequency; }
    const PV_DSParams& GetDSParams() const { return m_params; }
    void SetDSParams(const PV_DSParams& params) { m_params = params; }

private:
    // CPortavel::SetWaveParams with this track's values.
    void SendWaveParams();

    float m_fFrequency = 0.0f;
    PV_DSParams m_params;   // pan, volume, frequency
};
