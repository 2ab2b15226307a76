// The controller chase: what playback has left in each MIDI output, and the
// queues of device events that put the outputs into the right state.
//
// CMidiStateMgr belongs to a sequence (one each) and has three jobs:
//   tracking    the player reports every short message it sends
//               (TrackOutput); the manager keeps, per output and channel,
//               whether notes, channel pressure and pitch bend were used, the
//               keys given polyphonic pressure, the controllers touched and
//               whether the damper pedal is held. The player's stop drain
//               marks the notes still sounding (MarkNoteOn and friends);
//   relocation  PrepareRelocationQueue walks the player's output from 0 to a
//               new location in windows of 5 quarter notes without sounding
//               it, keeps the newest program, pressure and bend per channel,
//               the newest value of every controller, each registered and
//               non-registered parameter setting once, and the channel-mode,
//               system and system-exclusive messages in order, and queues
//               them in the order the player sent them, spaced 20 ms after a
//               program change, 3 ms after any other short message and
//               250 ms after system exclusive, so that devices can follow;
//   silencing   PrepareSoundOffQueue queues damper-off and all-notes-off
//               where needed; ResetControllers sends the resets at once.
// The queues are handed over with AppendEventsToQueue. A chase record's time
// is its offset in seconds from the start of the chase (0, 0.02, 0.023 ...,
// mode TM_NORMAL): the player places the chase on its clock. Sound-off
// records are all at 0.
//
// Owns every device event it keeps (and deletes those it drops), every
// parameter record and every queued CSeqEvent with its device data until
// they are handed over. The tables are sized by the number of MIDI outputs
// when attached: outputs added later are not tracked, and an event for an
// output beyond the tables is passed over (never indexed).
//
// Threads: no lock of its own. TrackOutput, the note marks, relocation and
// the sound-off queue run under the calling player's lock (the device
// library's thread, or the user-interface thread while Relocate holds the
// lock); ResetControllers runs on the user-interface thread from the
// sequence's rewind. The progress states of a relocation are sent, so they
// are delivered on the user-interface thread before the walk goes on.
#pragma once

#include "model/time.h"
#include "platform/core/object.h"
#include "sequencer/seqevent.h"

#include <bitset>
#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_map>
#include <vector>

class CPortavel;
class CPVEventData;
class CPVEventList;
class CSeqPlay;
class CSequence;
class FCMidi;

class CMidiStateMgr : public CObject {
    DECLARE_DYNAMIC(CMidiStateMgr)
public:
    // What ResetControllers sends for a touched controller.
    enum : int {
        RESET_NONE = 0,
        RESET_ZERO = 1,
        RESET_FULL = 2,     // 127
        RESET_CENTRE = 3,   // 64
    };
    // The reset action of each controller number.
    static const int s_nControllerResetAction[128];

    // The length of one walking step of a relocation, in quarter notes.
    static constexpr float RELOCATION_STEP = 5.0f;
    // The spacing of the chase queue, in seconds: after a program change,
    // after any other short message, after a system-exclusive message.
    static constexpr float PROGRAM_SPACING = 0.02f;
    static constexpr float SHORT_SPACING = 0.003f;
    static constexpr float SYSEX_SPACING = 0.25f;

    // One registered or non-registered parameter setting as the player sent
    // it: each slot holds the message that filled it, or null.
    struct SpecialControl {
        std::unique_ptr<CPVEventData> m_pParamMSB;   // controller 101 (RPN) or 99 (NRPN)
        std::unique_ptr<CPVEventData> m_pParamLSB;   // controller 100 or 98
        std::unique_ptr<CPVEventData> m_pDataMSB;    // controller 6, or increment 96 / decrement 97
        std::unique_ptr<CPVEventData> m_pDataLSB;    // controller 38
        std::unique_ptr<CPVEventData> m_pNullMSB;    // 101 / 99 with 127: the closing null number
        std::unique_ptr<CPVEventData> m_pNullLSB;    // 100 / 98 with 127

        SpecialControl();
        ~SpecialControl();
    };

    CMidiStateMgr();
    CMidiStateMgr(const CMidiStateMgr&) = delete;
    CMidiStateMgr& operator=(const CMidiStateMgr&) = delete;
    ~CMidiStateMgr() override;   // detaches

    // Stores the sequence (may be null: no progress states are sent) and the
    // process's device library, and builds the tables for its MIDI outputs
    // now, all clear. A second Attach cleans and rebuilds.
    void Attach(CSequence* sequence);
    // CleanAll, then frees the tables and forgets sequence and library.
    void Detach();
    int IsAttached() const { return m_bAttached; }
    // The number of MIDI outputs the tables were sized for.
    int GetDeviceCount() const { return static_cast<int>(m_devices.size()); }

    // --- tracking (under the player's lock) ---
    // A device event the player outputs; only short messages (type 1) count.
    void TrackOutput(const CPVEventData* event);
    // The notes-sounding mark of the word's channel and key on a device.
    void MarkNoteOn(int device, const FCMidi& word);
    void ClearNoteOn(int device, const FCMidi& word);
    int HaveNoteOn(int device, const FCMidi& word) const;

    // --- queues (under the player's lock) ---
    // Builds the chase queue for a move to `time` (musical): walks the
    // player's GetOutputEvents in windows of RELOCATION_STEP quarter notes
    // from 0, sending a STATE_TIME_RELOCATED progress state with each
    // window's end to the sequence's performance. Empty for a time of 0 or
    // less. The walk ends early when the player answers null (nothing more
    // will come).
    void PrepareRelocationQueue(const MCTime& time, CSeqPlay* player);
    // Replaces the queue with damper-off (controller 64, 0) where the damper
    // is held and all-notes-off (controller 123, 0) where notes were played,
    // per output and channel in order, all at time 0.
    void PrepareSoundOffQueue();
    // Moves every queued record, in order, to the tail of `list`, whose
    // owner takes them with their device data.
    void AppendEventsToQueue(CSeqEventQueue& list);
    // The queue as it stands (still the manager's), for readers that only
    // look.
    const CSeqEventQueue& GetQueue() const { return m_queue; }

    // --- reset (user-interface thread) ---
    // Sends at once, per output: channel pressure 0 and pitch bend centre
    // where used, polyphonic pressure 0 for each key given it, each touched
    // controller's reset value, then on every channel volume 100 and reset
    // all controllers; then CleanAll.
    void ResetControllers();
    // Clears every mark and parameter kind and deletes every kept event,
    // parameter record and queued event. Nothing when not attached.
    void CleanAll();

private:
    // The parameter kind of a channel: which kind of setting is open.
    enum : std::uint8_t {
        PARAM_NONE = 0,
        PARAM_NRPN = 1,
        PARAM_RPN = 2,
    };

    using SpecialList = std::deque<std::unique_ptr<SpecialControl>>;   // newest first

    // Everything kept for one MIDI output.
    struct DeviceState {
        std::uint16_t m_notesPlayed = 0;         // bit per channel: a note-on or -off was sent
        std::uint16_t m_chanPressureUsed = 0;
        std::uint16_t m_pitchBendUsed = 0;
        std::uint16_t m_damperHeld = 0;          // the last controller 64 sent was 64 or more
        std::bitset<128> m_polyKeys[16];         // keys given polyphonic pressure
        std::bitset<128> m_touched[16];          // controller numbers sent
        std::bitset<128> m_sounding[16];         // notes on, for the stop drain
        std::unique_ptr<CPVEventData> m_lastProgram[16];
        std::unique_ptr<CPVEventData> m_lastPressure[16];
        std::unique_ptr<CPVEventData> m_lastBend[16];
        std::uint8_t m_paramKind[16] = {};       // PARAM_*
        SpecialList m_rpn[16];
        SpecialList m_nrpn[16];
    };

    // The state of a device number, or null outside the tables.
    DeviceState* FindDevice(int device);
    const DeviceState* FindDevice(int device) const;

    // Relocation passes.
    void PeruseList(CPVEventList& list);
    void TrackMidiData(std::unique_ptr<CPVEventData> event);
    void TrackSysExData(std::unique_ptr<CPVEventData> event);
    void TrackSpecialControllers(DeviceState& state, int channel, std::unique_ptr<CPVEventData> event);
    void HandleMSB(DeviceState& state, int channel, std::uint8_t kind, std::unique_ptr<CPVEventData> event);
    void HandleLSB(DeviceState& state, int channel, std::uint8_t kind, std::unique_ptr<CPVEventData> event);
    void HandleData(DeviceState& state, int channel, std::unique_ptr<CPVEventData> event);
    // Closing a setting: drops the older setting of the same parameter number.
    static void UpdateSpecialList(SpecialList& list);
    // The merge gathers every kept event (the last controller values, the
    // last programs, pressures and bends, the parameter records' events in
    // field order, the other messages) and queues them by their stamps, so
    // the queue holds them in the order the player sent them.
    using EventVector = std::vector<std::unique_ptr<CPVEventData>>;
    void MergeTable(EventVector& kept);
    void MergeArray(EventVector& kept);
    void MergeSpecialArray(EventVector& kept);
    void MergeOtherMessages(EventVector& kept);
    // Queues the event, wrapped in a CSeqEvent timed by its stamp, after the
    // last queued event whose time is not later.
    void MergeSeqMidiEvent(std::unique_ptr<CPVEventData> event);
    void UpdateElapsedTime();

    // Clean-up.
    void CleanArray();
    void CleanSpecialArray();
    void CleanEventQueue();

    // The key of the last-value map: device x 4096 + channel x 256 + controller.
    static unsigned ControllerKey(int device, int channel, int controller);

    int m_bAttached = 0;
    std::vector<DeviceState> m_devices;   // one per MIDI output when attached
    // The last value of each controller, by ControllerKey.
    std::unordered_map<unsigned, std::unique_ptr<CPVEventData>> m_lastValues;
    std::vector<std::unique_ptr<CPVEventData>> m_otherMessages;   // in arrival order
    CSeqEventQueue m_queue;           // in time order; see the queues above
    MCTime m_elapsed;                 // the running stamp of a relocation
    CSequence* m_pSequence = nullptr;   // borrowed: the owner, may be null
    CPortavel* m_pPortavel = nullptr;   // borrowed: the process's device library, may be null
};
