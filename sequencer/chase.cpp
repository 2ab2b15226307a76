#include "sequencer/chase.h"

#include "model/appstates.h"
#include "model/midifields.h"
#include "model/performance.h"
#include "platform/devices/portavel.h"
#include "platform/devices/records.h"
#include "sequencer/player.h"
#include "sequencer/seqevent.h"
#include "sequencer/sequence.h"

#include <algorithm>
#include <utility>

IMPLEMENT_DYNAMIC(CMidiStateMgr, CObject)

namespace {

// Status nibbles and controller numbers the chase treats apart.
enum : std::uint8_t {
    NOTE_OFF = 0x80,
    NOTE_ON = 0x90,
    POLY_PRESSURE = 0xA0,
    CONTROL_CHANGE = 0xB0,
    PROGRAM_CHANGE = 0xC0,
    CHANNEL_PRESSURE = 0xD0,
    PITCH_BEND = 0xE0,
    SYSTEM = 0xF0,
};
enum : int {
    CC_DATA_ENTRY_MSB = 6,
    CC_VOLUME = 7,
    CC_DATA_ENTRY_LSB = 38,
    CC_DAMPER = 64,
    CC_DATA_INCREMENT = 96,
    CC_DATA_DECREMENT = 97,
    CC_NRPN_LSB = 98,
    CC_NRPN_MSB = 99,
    CC_RPN_LSB = 100,
    CC_RPN_MSB = 101,
    CC_ALL_NOTES_OFF = 123,
    CC_FIRST_CHANNEL_MODE = 120,
    CC_RESET_ALL = 121,
};
// The value that closes a parameter setting: the null parameter number.
constexpr std::uint8_t NULL_PARAMETER = 127;
// The volume every channel is left at by a reset.
constexpr std::uint8_t RESET_VOLUME = 100;

// The bytes of a short message's packed word.
struct ShortMsg {
    std::uint8_t status;
    std::uint8_t data1;
    std::uint8_t data2;

    explicit ShortMsg(std::uintptr_t word)
        : status(static_cast<std::uint8_t>(word)), data1(static_cast<std::uint8_t>(word >> 8) & 0x7F),
          data2(static_cast<std::uint8_t>(word >> 16) & 0x7F) {}
    std::uint8_t Kind() const { return status & 0xF0; }
    int Channel() const { return status & 0x0F; }
};

DWORD PackChannelMsg(std::uint8_t kind, int channel, int data1, int data2) {
    return PackShortMsg(static_cast<std::uint8_t>(kind | channel), static_cast<std::uint8_t>(data1),
                        static_cast<std::uint8_t>(data2));
}

// The channel and key of a note word.
struct NoteKey {
    int channel;
    int key;
};
NoteKey NoteKeyOf(const FCMidi& word) {
    return {word.GetStatusLSB(), word.GetDataByte1() & 0x7F};
}

// Two parameter-number slots say the same thing: both empty, or both hold
// the same message. A record opened by a null parameter number has no LSB;
// it matches only another such record.
bool SameMessage(const std::unique_ptr<CPVEventData>& a, const std::unique_ptr<CPVEventData>& b) {
    if (!a || !b)
        return !a && !b;
    return (a->data & 0xFFFFFF) == (b->data & 0xFFFFFF);
}

}   // namespace

// Controllers whose reset would undo something a reset must not touch keep
// their value: the bank select MSB (the program chosen rests on it), data
// entry and the parameter numbers (they would write into whatever parameter
// is open), every LSB (its MSB's reset clears it), portamento control (84)
// and the channel-mode messages. Volume returns to full; balance, pan and
// expression to their centre; everything else to 0.
const int CMidiStateMgr::s_nControllerResetAction[128] = {
    // 0-15: bank MSB none, data entry none, volume 127, balance, pan, expression 64
    0, 1, 1, 1, 1, 1, 0, 2, 3, 1, 3, 3, 1, 1, 1, 1,
    // 16-31
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
    // 32-63: the LSBs
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 64-79: pedals and sound controllers
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
    // 80-95: portamento control none
    1, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
    // 96-111: increment, decrement and the parameter numbers none
    0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
    // 112-127: the channel-mode messages none
    1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0,
};

CMidiStateMgr::SpecialControl::SpecialControl() = default;
CMidiStateMgr::SpecialControl::~SpecialControl() = default;

CMidiStateMgr::CMidiStateMgr() = default;

CMidiStateMgr::~CMidiStateMgr() {
    Detach();
}

// ---- attaching ---------------------------------------------------------------------

void CMidiStateMgr::Attach(CSequence* sequence) {
    if (m_bAttached)
        Detach();
    m_pSequence = sequence;
    m_pPortavel = CPortavel::GetPortavel();
    const int outputs = m_pPortavel ? std::max(0, m_pPortavel->GetDeviceCount(PV_MIDI, PV_OUTPUT)) : 0;
    m_devices = std::vector<DeviceState>(static_cast<std::size_t>(outputs));
    m_lastValues.clear();
    m_lastValues.reserve(113);
    m_bAttached = 1;
}

void CMidiStateMgr::Detach() {
    CleanAll();
    m_devices.clear();
    m_lastValues.clear();
    m_pSequence = nullptr;
    m_pPortavel = nullptr;
    m_bAttached = 0;
}

CMidiStateMgr::DeviceState* CMidiStateMgr::FindDevice(int device) {
    if (device < 0 || device >= static_cast<int>(m_devices.size()))
        return nullptr;
    return &m_devices[static_cast<std::size_t>(device)];
}

const CMidiStateMgr::DeviceState* CMidiStateMgr::FindDevice(int device) const {
    return const_cast<CMidiStateMgr*>(this)->FindDevice(device);
}

unsigned CMidiStateMgr::ControllerKey(int device, int channel, int controller) {
    return static_cast<unsigned>(device) * 4096u + static_cast<unsigned>(channel) * 256u +
           static_cast<unsigned>(controller);
}

// ---- output tracking ---------------------------------------------------------------

void CMidiStateMgr::TrackOutput(const CPVEventData* event) {
    if (!event || event->type != PV_EVENT_SHORT)
        return;
    DeviceState* state = FindDevice(event->device);
    if (!state)
        return;
    const ShortMsg msg(event->data);
    const int channel = msg.Channel();
    const std::uint16_t bit = static_cast<std::uint16_t>(1u << channel);
    switch (msg.Kind()) {
    case NOTE_OFF:
    case NOTE_ON:
        state->m_notesPlayed |= bit;
        break;
    case POLY_PRESSURE:
        state->m_polyKeys[channel].set(msg.data1);
        break;
    case CONTROL_CHANGE:
        state->m_touched[channel].set(msg.data1);
        if (msg.data1 == CC_DAMPER) {
            if (msg.data2 >= 64)
                state->m_damperHeld |= bit;
            else
                state->m_damperHeld &= static_cast<std::uint16_t>(~bit);
        }
        break;
    case CHANNEL_PRESSURE:
        state->m_chanPressureUsed |= bit;
        break;
    case PITCH_BEND:
        state->m_pitchBendUsed |= bit;
        break;
    default:   // program changes and system messages leave nothing to undo
        break;
    }
}

void CMidiStateMgr::MarkNoteOn(int device, const FCMidi& word) {
    if (DeviceState* state = FindDevice(device)) {
        const NoteKey note = NoteKeyOf(word);
        state->m_sounding[note.channel].set(static_cast<std::size_t>(note.key));
    }
}

void CMidiStateMgr::ClearNoteOn(int device, const FCMidi& word) {
    if (DeviceState* state = FindDevice(device)) {
        const NoteKey note = NoteKeyOf(word);
        state->m_sounding[note.channel].reset(static_cast<std::size_t>(note.key));
    }
}

int CMidiStateMgr::HaveNoteOn(int device, const FCMidi& word) const {
    const DeviceState* state = FindDevice(device);
    if (!state)
        return 0;
    const NoteKey note = NoteKeyOf(word);
    return state->m_sounding[note.channel].test(static_cast<std::size_t>(note.key)) ? 1 : 0;
}

// ---- relocation ----------------------------------------------------------------------

void CMidiStateMgr::PrepareRelocationQueue(const MCTime& time, CSeqPlay* player) {
    CleanAll();
    m_elapsed = MCTime(0.0f);
    const float target = time.GetMode() == TM_BPT ? 0.0f : time.GetSeconds();
    if (!(target > 0.0f) || !player)
        return;

    ECPerformance* performance = m_pSequence ? m_pSequence->GetPerformance() : nullptr;
    float from = 0.0f;
    float to = 0.0f;
    while (to < target) {
        // The last step ends exactly at the target; so does a step too small
        // to move a float as large as this one.
        float next = to + RELOCATION_STEP;
        if (next > target || next <= to)
            next = target;
        to = next;
        if (performance) {
            auto* progress = new SCTime(STATE_TIME_RELOCATED, MCTime(to));
            progress->SetAsynchronous(0);
            MCStateMgr::ApplyState(progress, performance);
        }
        MCTime windowFrom(from);
        MCTime windowTo(to);
        windowFrom.SetMode(TM_NORMAL);
        windowTo.SetMode(TM_NORMAL);
        CPVEventList* events = player->GetOutputEvents(windowFrom, windowTo);
        from = to;
        if (!events)
            break;   // the player has nothing more to give
        PeruseList(*events);
    }

    EventVector kept;
    MergeTable(kept);
    MergeArray(kept);
    MergeSpecialArray(kept);
    MergeOtherMessages(kept);
    // Every stamp differs, so the stable sort puts the events back into the
    // order the player sent them in; queued in that order, each goes to the
    // tail at once.
    std::stable_sort(kept.begin(), kept.end(),
                     [](const auto& a, const auto& b) { return a->time < b->time; });
    for (auto& event : kept)
        MergeSeqMidiEvent(std::move(event));
    UpdateElapsedTime();
}

// Stamps each event with its place in the output (elapsed x 1000 ms: 0,
// 1000, 2000 ...) and sorts it into the tables. The stamps stay distinct for
// the first 4,294,967 messages of a walk, which no document's controllers
// come near.
void CMidiStateMgr::PeruseList(CPVEventList& list) {
    for (auto& event : list.TakeAll()) {
        if (!event)
            continue;
        event->time = static_cast<DWORD>(static_cast<double>(m_elapsed.GetSeconds()) * 1000.0);
        m_elapsed += MCTime(1.0f);
        if (event->type == PV_EVENT_SHORT)
            TrackMidiData(std::move(event));
        else if (event->type == PV_EVENT_SYSEX)
            TrackSysExData(std::move(event));
        // Anything else (a wave) is not chased and goes with the unique_ptr.
    }
}

void CMidiStateMgr::TrackMidiData(std::unique_ptr<CPVEventData> event) {
    const ShortMsg msg(event->data);
    if (msg.status >= SYSTEM) {
        m_otherMessages.push_back(std::move(event));
        return;
    }
    DeviceState* state = FindDevice(event->device);
    if (!state || msg.status < NOTE_OFF)
        return;   // an output the tables do not know, or no message at all
    const int channel = msg.Channel();
    switch (msg.Kind()) {
    case CONTROL_CHANGE:
        switch (msg.data1) {
        case CC_DATA_ENTRY_MSB:
        case CC_DATA_ENTRY_LSB:
        case CC_DATA_INCREMENT:
        case CC_DATA_DECREMENT:
        case CC_NRPN_LSB:
        case CC_NRPN_MSB:
        case CC_RPN_LSB:
        case CC_RPN_MSB:
            TrackSpecialControllers(*state, channel, std::move(event));
            break;
        default:
            if (msg.data1 >= CC_FIRST_CHANNEL_MODE)
                m_otherMessages.push_back(std::move(event));
            else
                m_lastValues[ControllerKey(event->device, channel, msg.data1)] = std::move(event);
            break;
        }
        break;
    case PROGRAM_CHANGE:
        state->m_lastProgram[channel] = std::move(event);
        break;
    case CHANNEL_PRESSURE:
        state->m_lastPressure[channel] = std::move(event);
        break;
    case PITCH_BEND:
        state->m_lastBend[channel] = std::move(event);
        break;
    default:   // notes and polyphonic pressure are not chased
        break;
    }
}

void CMidiStateMgr::TrackSysExData(std::unique_ptr<CPVEventData> event) {
    m_otherMessages.push_back(std::move(event));
}

// ---- registered and non-registered parameters ------------------------------------------

void CMidiStateMgr::TrackSpecialControllers(DeviceState& state, int channel, std::unique_ptr<CPVEventData> event) {
    switch (ShortMsg(event->data).data1) {
    case CC_NRPN_MSB:
        HandleMSB(state, channel, PARAM_NRPN, std::move(event));
        break;
    case CC_RPN_MSB:
        HandleMSB(state, channel, PARAM_RPN, std::move(event));
        break;
    case CC_NRPN_LSB:
        HandleLSB(state, channel, PARAM_NRPN, std::move(event));
        break;
    case CC_RPN_LSB:
        HandleLSB(state, channel, PARAM_RPN, std::move(event));
        break;
    default:
        HandleData(state, channel, std::move(event));
        break;
    }
}

// A parameter number MSB opens a setting when none is open; while one of its
// own kind is open, only the closing null number is kept.
void CMidiStateMgr::HandleMSB(DeviceState& state, int channel, std::uint8_t kind,
                              std::unique_ptr<CPVEventData> event) {
    std::uint8_t& open = state.m_paramKind[channel];
    SpecialList& list = kind == PARAM_RPN ? state.m_rpn[channel] : state.m_nrpn[channel];
    if (open == PARAM_NONE) {
        auto record = std::make_unique<SpecialControl>();
        record->m_pParamMSB = std::move(event);
        list.push_front(std::move(record));
        open = kind;
    } else if (open == kind && ShortMsg(event->data).data2 == NULL_PARAMETER && !list.front()->m_pNullMSB) {
        list.front()->m_pNullMSB = std::move(event);
    }
}

// A parameter number LSB completes the open setting's number, or, as the null
// number, closes the setting; its older twin is then dropped.
void CMidiStateMgr::HandleLSB(DeviceState& state, int channel, std::uint8_t kind,
                              std::unique_ptr<CPVEventData> event) {
    std::uint8_t& open = state.m_paramKind[channel];
    if (open != kind)
        return;
    SpecialList& list = kind == PARAM_RPN ? state.m_rpn[channel] : state.m_nrpn[channel];
    SpecialControl& head = *list.front();
    if (ShortMsg(event->data).data2 == NULL_PARAMETER) {
        if (!head.m_pNullLSB) {
            head.m_pNullLSB = std::move(event);
            UpdateSpecialList(list);
            open = PARAM_NONE;
        }
    } else if (!head.m_pParamLSB) {
        head.m_pParamLSB = std::move(event);
    }
}

// Data entry, increment and decrement go to the open setting, once each.
void CMidiStateMgr::HandleData(DeviceState& state, int channel, std::unique_ptr<CPVEventData> event) {
    const std::uint8_t open = state.m_paramKind[channel];
    if (open == PARAM_NONE)
        return;
    SpecialControl& head = open == PARAM_RPN ? *state.m_rpn[channel].front() : *state.m_nrpn[channel].front();
    std::unique_ptr<CPVEventData>& slot =
        ShortMsg(event->data).data1 == CC_DATA_ENTRY_LSB ? head.m_pDataLSB : head.m_pDataMSB;
    if (!slot)
        slot = std::move(event);
}

void CMidiStateMgr::UpdateSpecialList(SpecialList& list) {
    const SpecialControl& head = *list.front();
    for (auto older = list.begin() + 1; older != list.end(); ++older) {
        if (SameMessage((*older)->m_pParamMSB, head.m_pParamMSB) &&
            SameMessage((*older)->m_pParamLSB, head.m_pParamLSB)) {
            list.erase(older);
            return;
        }
    }
}

// ---- merging ---------------------------------------------------------------------------

void CMidiStateMgr::MergeTable(EventVector& kept) {
    for (auto& [key, event] : m_lastValues)
        kept.push_back(std::move(event));
    m_lastValues.clear();
}

void CMidiStateMgr::MergeArray(EventVector& kept) {
    for (DeviceState& state : m_devices) {
        for (auto& event : state.m_lastProgram)
            if (event)
                kept.push_back(std::move(event));
        for (auto& event : state.m_lastPressure)
            if (event)
                kept.push_back(std::move(event));
        for (auto& event : state.m_lastBend)
            if (event)
                kept.push_back(std::move(event));
    }
}

void CMidiStateMgr::MergeSpecialArray(EventVector& kept) {
    auto mergeList = [&kept](SpecialList& list) {
        for (auto& record : list) {
            for (auto* slot : {&record->m_pParamMSB, &record->m_pParamLSB, &record->m_pDataMSB,
                               &record->m_pDataLSB, &record->m_pNullMSB, &record->m_pNullLSB})
                if (*slot)
                    kept.push_back(std::move(*slot));
        }
        list.clear();
    };
    for (DeviceState& state : m_devices) {
        for (int channel = 0; channel < 16; ++channel) {
            mergeList(state.m_rpn[channel]);
            mergeList(state.m_nrpn[channel]);
            state.m_paramKind[channel] = PARAM_NONE;   // no record is left to be open
        }
    }
}

void CMidiStateMgr::MergeOtherMessages(EventVector& kept) {
    for (auto& event : m_otherMessages)
        kept.push_back(std::move(event));
    m_otherMessages.clear();
}

void CMidiStateMgr::MergeSeqMidiEvent(std::unique_ptr<CPVEventData> event) {
    // Seconds from the millisecond stamp, without passing through an int.
    const MCTime time(static_cast<float>(event->time / 1000.0));
    m_queue.Merge(time, nullptr, std::move(event), 0);
}

// Devices need time to act on each message: longest after system exclusive
// (a whole patch may arrive), longer after a program change (a new sound is
// loaded) than after a controller.
void CMidiStateMgr::UpdateElapsedTime() {
    m_elapsed = MCTime(0.0f);
    for (auto& record : m_queue.GetRecords()) {
        record->SetTime(m_elapsed);
        const CPVEventData* data = record->GetData();
        float spacing = SHORT_SPACING;
        if (data && data->type == PV_EVENT_SYSEX)
            spacing = SYSEX_SPACING;
        else if (data && ShortMsg(data->data).Kind() == PROGRAM_CHANGE)
            spacing = PROGRAM_SPACING;
        m_elapsed += MCTime(spacing);
    }
}

// ---- sound-off, hand-over and reset ----------------------------------------------------------

void CMidiStateMgr::PrepareSoundOffQueue() {
    CleanEventQueue();
    for (int device = 0; device < GetDeviceCount(); ++device) {
        const DeviceState& state = m_devices[static_cast<std::size_t>(device)];
        for (int channel = 0; channel < 16; ++channel) {
            if (state.m_damperHeld & (1u << channel))
                MergeSeqMidiEvent(
                    CPVEventData::MakeShort(0, device, PackChannelMsg(CONTROL_CHANGE, channel, CC_DAMPER, 0)));
            if (state.m_notesPlayed & (1u << channel))
                MergeSeqMidiEvent(CPVEventData::MakeShort(
                    0, device, PackChannelMsg(CONTROL_CHANGE, channel, CC_ALL_NOTES_OFF, 0)));
        }
    }
}

void CMidiStateMgr::AppendEventsToQueue(CSeqEventQueue& list) {
    m_queue.MoveAllTo(list);
}

void CMidiStateMgr::ResetControllers() {
    if (!m_bAttached)
        return;
    if (m_pPortavel) {
        for (int device = 0; device < GetDeviceCount(); ++device) {
            const DeviceState& state = m_devices[static_cast<std::size_t>(device)];
            auto send = [this, device](std::uint8_t kind, int channel, int data1, int data2) {
                m_pPortavel->SendMidiMsg(device, PackChannelMsg(kind, channel, data1, data2), 0);
            };
            for (int channel = 0; channel < 16; ++channel)
                if (state.m_chanPressureUsed & (1u << channel))
                    send(CHANNEL_PRESSURE, channel, 0, 0);
            for (int channel = 0; channel < 16; ++channel)
                if (state.m_pitchBendUsed & (1u << channel))
                    send(PITCH_BEND, channel, 0, 64);   // the centre, 8192
            for (int channel = 0; channel < 16; ++channel)
                for (int key = 0; key < 128; ++key)
                    if (state.m_polyKeys[channel].test(static_cast<std::size_t>(key)))
                        send(POLY_PRESSURE, channel, key, 0);
            for (int channel = 0; channel < 16; ++channel) {
                for (int controller = 0; controller < 128; ++controller) {
                    if (!state.m_touched[channel].test(static_cast<std::size_t>(controller)))
                        continue;
                    switch (s_nControllerResetAction[controller]) {
                    case RESET_ZERO:
                        send(CONTROL_CHANGE, channel, controller, 0);
                        break;
                    case RESET_FULL:
                        send(CONTROL_CHANGE, channel, controller, 127);
                        break;
                    case RESET_CENTRE:
                        send(CONTROL_CHANGE, channel, controller, 64);
                        break;
                    default:
                        break;
                    }
                }
            }
            for (int channel = 0; channel < 16; ++channel) {
                send(CONTROL_CHANGE, channel, CC_VOLUME, RESET_VOLUME);
                send(CONTROL_CHANGE, channel, CC_RESET_ALL, 0);
            }
        }
    }
    CleanAll();
}

// ---- clean-up --------------------------------------------------------------------------------

void CMidiStateMgr::CleanAll() {
    if (!m_bAttached)
        return;
    for (DeviceState& state : m_devices) {
        state.m_notesPlayed = state.m_chanPressureUsed = state.m_pitchBendUsed = state.m_damperHeld = 0;
        for (int channel = 0; channel < 16; ++channel) {
            state.m_polyKeys[channel].reset();
            state.m_touched[channel].reset();
            state.m_sounding[channel].reset();
            state.m_paramKind[channel] = PARAM_NONE;
        }
    }
    CleanArray();
    CleanSpecialArray();
    CleanEventQueue();
}

void CMidiStateMgr::CleanArray() {
    for (DeviceState& state : m_devices) {
        for (int channel = 0; channel < 16; ++channel) {
            state.m_lastProgram[channel].reset();
            state.m_lastPressure[channel].reset();
            state.m_lastBend[channel].reset();
        }
    }
    m_lastValues.clear();
    m_otherMessages.clear();
}

void CMidiStateMgr::CleanSpecialArray() {
    for (DeviceState& state : m_devices) {
        for (int channel = 0; channel < 16; ++channel) {
            state.m_rpn[channel].clear();
            state.m_nrpn[channel].clear();
        }
    }
}

void CMidiStateMgr::CleanEventQueue() {
    m_queue.RemoveAll();
}
