// CPortavel: MIDI and wave input. Backends hand input to a sink from their own
// threads; the library's thread delivers it, in arrival order, to MIDI thru and to
// every recording of its kind. Input from a device that is not open and started is
// dropped there, whatever the backend does.
#include "platform/devices/portavel.h"

#include "platform/core/window.h"
#include "platform/devices/portavel_private.h"

#include <algorithm>
#include <exception>

namespace {

// The largest block of recorded samples taken in one piece (a second of 192 kHz
// stereo 16-bit is well below); a larger one is a backend's fault, not ours to copy.
constexpr std::size_t kMaxWaveBlock = 16u << 20;

bool IsChannelStatus(std::uint8_t status) {
    return status >= 0x80 && status < 0xF0;
}

}  // namespace

void CPortavel::QueueInput(CPVBackend& backend, int kind, int local, std::uint64_t time, const std::uint8_t* bytes,
                           std::size_t length) {
    const std::size_t limit = kind == PV_MIDI ? kMaxSysExLength : kMaxWaveBlock;
    if (!bytes || !length || length > limit)
        return;
    auto input = std::make_unique<Input>();
    input->backend = &backend;
    input->kind = kind;
    input->local = local;
    input->time = time;
    input->bytes.assign(bytes, bytes + length);
    std::lock_guard lock(m_lock);
    if (!m_accepting)
        return;
    m_input.push_back(std::move(input));
    m_pacer->Wake();
}

void CPortavel::DeliverInput() {
    for (;;) {
        std::unique_ptr<Input> input;
        {
            std::lock_guard lock(m_lock);
            if (m_input.empty())
                return;
            input = std::move(m_input.front());
            m_input.pop_front();
        }
        int index = -1;
        {
            std::lock_guard devices(m_deviceLock);
            index = m_table.FindIndex(*input->backend, input->kind, PV_INPUT, input->local);
            const CPVDevice* device = m_table.Find(input->kind, PV_INPUT, index);
            if (!device || !device->m_open || !device->m_started)
                continue;
        }
        const auto time = static_cast<DWORD>(input->time);
        const std::vector<std::uint8_t>& bytes = input->bytes;
        std::unique_ptr<CPVEventData> event;
        if (input->kind == PV_WAVE) {
            event = CPVEventData::MakeWaveData(time, index, bytes.data(), bytes.size());
        } else if (bytes[0] == 0xF0) {
            event = CPVEventData::MakeSysEx(time, index, bytes.data(), bytes.size());
        } else {
            // One whole short message, data bytes below 0x80; anything else is damaged.
            if (bytes.size() != ShortMsgLength(bytes[0]) ||
                std::any_of(bytes.begin() + 1, bytes.end(), [](std::uint8_t byte) { return byte >= 0x80; }))
                continue;
            DWORD message = 0;
            for (std::size_t i = 0; i < bytes.size(); ++i)
                message |= DWORD(bytes[i]) << (8 * i);
            event = CPVEventData::MakeShort(time, index, message);
            Thru(*input);
        }
        CallRecordings(input->kind, *event);
    }
}

void CPortavel::Thru(const Input& input) {
    if (!(m_flags.load() & PV_FLAG_MIDITHRU) || !IsChannelStatus(input.bytes[0]))
        return;
    std::lock_guard devices(m_deviceLock);
    CPVDevice* output = FindOpenMidiOutLocked(m_thruDevice);
    if (!output)
        return;
    std::uint8_t bytes[3] = {};
    std::copy(input.bytes.begin(), input.bytes.end(), bytes);
    if (m_thruChannel >= 0)
        bytes[0] = static_cast<std::uint8_t>((bytes[0] & 0xF0) | m_thruChannel);
    SendNowLocked(*output, bytes, input.bytes.size(), PV_ORIGIN_THRU);
}

int CPortavel::ConnectMidiThru(int device, int channel) {
    if (channel < -1 || channel > 15)
        return 0;
    std::lock_guard devices(m_deviceLock);
    if (!m_table.Find(PV_MIDI, PV_OUTPUT, device))
        return 0;
    m_thruDevice = device;
    m_thruChannel = channel;
    return 1;
}

void CPortavel::CallRecordings(int kind, CPVEventData& event) {
    std::vector<std::shared_ptr<Recording>> recordings;
    {
        std::lock_guard lock(m_lock);
        for (const auto& recording : m_recordings)
            if (recording->kind == kind)
                recordings.push_back(recording);
    }
    for (const auto& recording : recordings) {
        {
            std::lock_guard lock(m_lock);
            // Stopped by an earlier callback of this same event: not called.
            if (std::find(m_recordings.begin(), m_recordings.end(), recording) == m_recordings.end())
                continue;
            m_runningTag = recording->tag;
        }
        try {
            recording->callback(recording->user, recording->tag, &event);
        } catch (...) {
            ReportHandlerError(std::current_exception());
        }
        std::lock_guard lock(m_lock);
        m_runningTag = 0;
        m_callbackDone.Set();
    }
}

int CPortavel::StartRecording(int kind, PV_RecordProc callback, void* user) {
    if (!callback)
        return 0;
    std::lock_guard lock(m_lock);
    auto recording = std::make_shared<Recording>();
    recording->tag = NewTagLocked();
    recording->kind = kind;
    recording->callback = callback;
    recording->user = user;
    m_recordings.push_back(recording);
    return recording->tag;
}

int CPortavel::StopRecording(int kind, int tag) {
    {
        std::lock_guard lock(m_lock);
        auto found = std::find_if(m_recordings.begin(), m_recordings.end(), [&](const auto& recording) {
            return recording->tag == tag && recording->kind == kind;
        });
        if (found == m_recordings.end())
            return 0;
        m_recordings.erase(found);
    }
    WaitForCallback(tag);
    return 1;
}

void CPortavel::WaitForCallback(int tag) {
    // From inside a callback the call that runs is the caller's own; elsewhere, wait for
    // a running callback of this tag, so that its user may go once this returns.
    if (m_pacer->IsPacerThread())
        return;
    for (;;) {
        {
            std::lock_guard lock(m_lock);
            if (m_runningTag != tag)
                return;
            m_callbackDone.Reset();
        }
        m_callbackDone.Wait();
    }
}

int CPortavel::StartMidiRecording(PV_RecordProc callback, void* user) {
    return StartRecording(PV_MIDI, callback, user);
}

int CPortavel::StopMidiRecording(int tag) {
    return StopRecording(PV_MIDI, tag);
}

int CPortavel::StartWaveRecording(PV_RecordProc callback, void* user) {
    return StartRecording(PV_WAVE, callback, user);
}

int CPortavel::StopWaveRecording(int tag) {
    return StopRecording(PV_WAVE, tag);
}
