#include "platform/devices/capture.h"

#include "platform/devices/portavel.h"
#include "platform/devices/portavel_devices.h"

namespace {

// Chosen with STAFFWRIGHT_DEVICES=capture; after every real backend in any list.
const CPVBackendRegistration g_registration("capture", 1000, [] { return std::make_unique<CCaptureBackend>(); });

// The format a wave device starts in: 44,100 Hz, 16-bit, stereo.
constexpr int kDefaultFormat = 13;

std::string Numbered(const char* prefix, int number) {
    return prefix + std::to_string(number);
}

}  // namespace

CCaptureBackend::CCaptureBackend() : CCaptureBackend(Layout()) {}

CCaptureBackend::CCaptureBackend(Layout layout) : m_layout(layout) {
    for (int kind : {PV_MIDI, PV_WAVE})
        for (int direction : {PV_INPUT, PV_OUTPUT}) {
            const int count = GetCount(kind, direction);
            m_devices[kind][direction].resize(count > 0 ? static_cast<std::size_t>(count) : 0);
            for (auto& device : m_devices[kind][direction])
                CPVDevice::FillFormat(&device.format, kDefaultFormat);
        }
}

CCaptureBackend* CCaptureBackend::Find(CPortavel& portavel) {
    return dynamic_cast<CCaptureBackend*>(portavel.FindBackend("capture"));
}

int CCaptureBackend::GetCount(int kind, int direction) const {
    if (kind == PV_MIDI)
        return direction == PV_INPUT ? m_layout.midiInputs : m_layout.midiOutputs;
    return direction == PV_INPUT ? m_layout.waveInputs : m_layout.waveOutputs;
}

CCaptureBackend::DeviceState* CCaptureBackend::FindLocked(int kind, int direction, int index) {
    if (kind < 0 || kind > 1 || direction < 0 || direction > 1 || index < 0)
        return nullptr;
    auto& devices = m_devices[kind][direction];
    return static_cast<std::size_t>(index) < devices.size() ? &devices[static_cast<std::size_t>(index)] : nullptr;
}

const CCaptureBackend::DeviceState* CCaptureBackend::FindLocked(int kind, int direction, int index) const {
    return const_cast<CCaptureBackend*>(this)->FindLocked(kind, direction, index);
}

std::uint64_t CCaptureBackend::Now() const {
    return m_clock ? m_clock->Now() : 0;
}

bool CCaptureBackend::Attach(const CPVDeviceClock& clock, CPVInputSink& sink) {
    std::lock_guard lock(m_mutex);
    m_clock = &clock;
    m_sink = &sink;
    return true;
}

std::vector<CPVDeviceInfo> CCaptureBackend::Enumerate(int kind, int direction) {
    std::vector<CPVDeviceInfo> infos;
    const int count = GetCount(kind, direction);
    for (int index = 0; index < count; ++index) {
        CPVDeviceInfo info;
        info.driverVersion = 0x0102;
        if (kind == PV_MIDI && direction == PV_INPUT) {
            info.name = Numbered("Capture In ", index + 1);
        } else if (kind == PV_MIDI) {
            info.name = index == 0 ? std::string("Capture Synth") : Numbered("Capture Port ", index + 1);
            info.technology = index == 0 ? PV_TECH_SYNTH : PV_TECH_PORT;
            info.voices = index == 0 ? 64 : 0;
            info.notes = index == 0 ? 64 : 0;
        } else {
            info.name = Numbered(direction == PV_INPUT ? "Capture Wave In " : "Capture Wave Out ", index + 1);
            if (direction == PV_OUTPUT)
                info.description = info.name + " (captured, never heard)";
            info.formats = 0x3FFF;
            info.defaultFormat = kDefaultFormat;
        }
        infos.push_back(std::move(info));
    }
    return infos;
}

void CCaptureBackend::RecordDevice(const char* what, int kind, int direction, int index) {
    Record record;
    record.kind = DEVICE;
    record.at = Now();
    record.device = index;
    record.text = what;
    record.deviceKind = kind;
    record.direction = direction;
    m_records.push_back(std::move(record));
}

bool CCaptureBackend::Open(int kind, int direction, int index, const WAVEFORMATEX* format) {
    std::lock_guard lock(m_mutex);
    DeviceState* device = FindLocked(kind, direction, index);
    if (!device || device->open)
        return false;
    device->open = true;
    if (format)
        device->format = *format;
    RecordDevice("open", kind, direction, index);
    return true;
}

bool CCaptureBackend::Start(int kind, int direction, int index) {
    std::lock_guard lock(m_mutex);
    DeviceState* device = FindLocked(kind, direction, index);
    if (!device || !device->open)
        return false;
    device->started = true;
    RecordDevice("start", kind, direction, index);
    return true;
}

void CCaptureBackend::Close(int kind, int direction, int index) {
    std::lock_guard lock(m_mutex);
    DeviceState* device = FindLocked(kind, direction, index);
    if (!device || !device->open)
        return;
    device->open = false;
    device->started = false;
    RecordDevice("close", kind, direction, index);
}

PVFormatResult CCaptureBackend::SetFormat(int kind, int direction, int index, const WAVEFORMATEX& format) {
    std::lock_guard lock(m_mutex);
    DeviceState* device = FindLocked(kind, direction, index);
    if (!device || !device->open || kind != PV_WAVE)
        return PVFormatResult::KEPT;
    if (device->loseOnFormat) {
        device->loseOnFormat = false;
        device->open = false;
        device->started = false;
        RecordDevice("close", kind, direction, index);
        return PVFormatResult::LOST;
    }
    device->format = format;
    RecordDevice("format", kind, direction, index);
    return PVFormatResult::CHANGED;
}

void CCaptureBackend::LoseOnNextFormat(int kind, int direction, int index) {
    std::lock_guard lock(m_mutex);
    if (DeviceState* device = FindLocked(kind, direction, index))
        device->loseOnFormat = true;
}

void CCaptureBackend::SendMidi(int index, const CPVMidiOut& message) {
    Record record;
    record.kind = MIDI;
    record.device = index;
    record.time = message.time;
    if (message.bytes && message.length)
        record.bytes.assign(message.bytes, message.bytes + message.length);
    record.origin = message.origin;
    record.tag = message.tag;
    std::lock_guard lock(m_mutex);
    record.at = Now();
    m_records.push_back(std::move(record));
}

void CCaptureBackend::PlayWave(int index, std::uint64_t time, const PV_WaveParams& params) {
    Record record;
    record.kind = WAVE_PLAY;
    record.device = index;
    record.time = time;
    record.tag = params.tag;
    record.fileName = params.fileName ? params.fileName : "";
    record.params = params;
    record.params.fileName = nullptr;
    std::lock_guard lock(m_mutex);
    record.at = Now();
    m_records.push_back(std::move(record));
}

void CCaptureBackend::SetWaveParams(const PV_WaveParams& params) {
    Record record;
    record.kind = WAVE_PARAMS;
    record.tag = params.tag;
    record.fileName = params.fileName ? params.fileName : "";
    record.params = params;
    record.params.fileName = nullptr;
    std::lock_guard lock(m_mutex);
    record.at = Now();
    m_records.push_back(std::move(record));
}

void CCaptureBackend::StopWaves(int tag) {
    Record record;
    record.kind = WAVE_STOP;
    record.tag = tag;
    std::lock_guard lock(m_mutex);
    record.at = Now();
    m_records.push_back(std::move(record));
}

std::vector<CCaptureBackend::Record> CCaptureBackend::GetRecords() const {
    std::lock_guard lock(m_mutex);
    return m_records;
}

std::vector<CCaptureBackend::Record> CCaptureBackend::GetMidi() const {
    std::lock_guard lock(m_mutex);
    std::vector<Record> midi;
    for (const auto& record : m_records)
        if (record.kind == MIDI)
            midi.push_back(record);
    return midi;
}

void CCaptureBackend::Clear() {
    std::lock_guard lock(m_mutex);
    m_records.clear();
}

bool CCaptureBackend::IsOpen(int kind, int direction, int index) const {
    std::lock_guard lock(m_mutex);
    const DeviceState* device = FindLocked(kind, direction, index);
    return device && device->open;
}

bool CCaptureBackend::IsStarted(int kind, int direction, int index) const {
    std::lock_guard lock(m_mutex);
    const DeviceState* device = FindLocked(kind, direction, index);
    return device && device->started;
}

WAVEFORMATEX CCaptureBackend::GetFormat(int kind, int direction, int index) const {
    std::lock_guard lock(m_mutex);
    const DeviceState* device = FindLocked(kind, direction, index);
    return device ? device->format : WAVEFORMATEX{};
}

void CCaptureBackend::Inject(int index, const std::vector<std::uint8_t>& bytes,
                             void (CPVInputSink::*deliver)(int, std::uint64_t, const std::uint8_t*, std::size_t)) {
    CPVInputSink* sink = nullptr;
    {
        std::lock_guard lock(m_mutex);
        sink = m_sink;
    }
    if (!sink)
        return;
    // Like a real input, the capture hands over whatever it got; the library decides
    // whether the input is started and whether the bytes make a message.
    (sink->*deliver)(index, Now(), bytes.data(), bytes.size());
    sink->WaitUntilDelivered();
}

void CCaptureBackend::InjectMidi(int index, const std::vector<std::uint8_t>& bytes) {
    Inject(index, bytes, &CPVInputSink::OnMidiInput);
}

void CCaptureBackend::InjectWave(int index, const std::vector<std::uint8_t>& bytes) {
    Inject(index, bytes, &CPVInputSink::OnWaveInput);
}
