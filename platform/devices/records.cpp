#include "platform/devices/records.h"

#include <cstring>

// What an event's data word points at when the event owns it. One kind per event;
// the vectors' heap blocks and the boxed records never move while the event lives.
struct CPVEventData::Payload {
    std::vector<std::uint8_t> bytes;        // system exclusive, or wave samples
    std::unique_ptr<PV_WaveParams> wave;    // type 3
    std::string fileName;                   // the wave record's name (the payload is boxed, so it stays put)
    std::unique_ptr<WAVEHDR> header;        // type 4
};

std::size_t ShortMsgLength(std::uint8_t status) {
    if (status < 0x80)
        return 0;
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
        return 2;
    case 0xF0:
        break;
    default:
        return 3;
    }
    switch (status) {
    case 0xF1:   // time code quarter frame
    case 0xF3:   // song select
        return 2;
    case 0xF2:   // song position
        return 3;
    case 0xF0:
    case 0xF7:
        return 0;
    default:     // tune request, real-time messages and the undefined ones
        return 1;
    }
}

CPVEventData::CPVEventData() = default;

CPVEventData::CPVEventData(unsigned type, DWORD time, int device, std::uintptr_t data, std::uintptr_t extra)
    : type(type), time(time), device(device), data(data), extra(extra) {}

CPVEventData::~CPVEventData() = default;

std::unique_ptr<CPVEventData> CPVEventData::MakeShort(DWORD time, int device, DWORD message) {
    return std::make_unique<CPVEventData>(PV_EVENT_SHORT, time, device, message, 0);
}

std::unique_ptr<CPVEventData> CPVEventData::MakeSysEx(DWORD time, int device, const std::uint8_t* bytes,
                                                      std::size_t length) {
    auto event = std::make_unique<CPVEventData>(PV_EVENT_SYSEX, time, device);
    event->SetSysEx(bytes, length);
    return event;
}

std::unique_ptr<CPVEventData> CPVEventData::MakeWavePlay(DWORD time, int device, const PV_WaveParams& params) {
    auto event = std::make_unique<CPVEventData>(PV_EVENT_WAVEPLAY, time, device);
    event->SetWaveParams(params);
    return event;
}

std::unique_ptr<CPVEventData> CPVEventData::MakeWaveData(DWORD time, int device, const std::uint8_t* bytes,
                                                         std::size_t length) {
    auto event = std::make_unique<CPVEventData>(PV_EVENT_WAVEDATA, time, device);
    event->SetWaveData(bytes, length);
    return event;
}

void CPVEventData::SetSysEx(const std::uint8_t* bytes, std::size_t length) {
    auto payload = std::make_unique<Payload>();
    if (bytes && length)
        payload->bytes.assign(bytes, bytes + length);
    type = PV_EVENT_SYSEX;
    data = reinterpret_cast<std::uintptr_t>(payload->bytes.data());
    extra = payload->bytes.size();
    m_payload = std::move(payload);
}

void CPVEventData::SetWaveParams(const PV_WaveParams& params) {
    auto payload = std::make_unique<Payload>();
    payload->wave = std::make_unique<PV_WaveParams>(params);
    if (params.fileName) {
        payload->fileName = params.fileName;
        payload->wave->fileName = payload->fileName.c_str();
    }
    type = PV_EVENT_WAVEPLAY;
    data = reinterpret_cast<std::uintptr_t>(payload->wave.get());
    extra = 0;
    m_payload = std::move(payload);
}

void CPVEventData::SetWaveData(const std::uint8_t* bytes, std::size_t length) {
    auto payload = std::make_unique<Payload>();
    if (bytes && length)
        payload->bytes.assign(bytes, bytes + length);
    payload->header = std::make_unique<WAVEHDR>();
    payload->header->data = reinterpret_cast<char*>(payload->bytes.data());
    payload->header->bufferLength = static_cast<DWORD>(payload->bytes.size());
    payload->header->bytesRecorded = static_cast<DWORD>(payload->bytes.size());
    payload->header->flags = WHDR_DONE;
    type = PV_EVENT_WAVEDATA;
    data = reinterpret_cast<std::uintptr_t>(payload->header.get());
    extra = 0;
    m_payload = std::move(payload);
}

const std::uint8_t* CPVEventData::GetSysExBytes() const {
    return type == PV_EVENT_SYSEX ? reinterpret_cast<const std::uint8_t*>(data) : nullptr;
}

std::size_t CPVEventData::GetSysExLength() const {
    return type == PV_EVENT_SYSEX && data ? static_cast<std::size_t>(extra) : 0;
}

const PV_WaveParams* CPVEventData::GetWaveParams() const {
    return type == PV_EVENT_WAVEPLAY ? reinterpret_cast<const PV_WaveParams*>(data) : nullptr;
}

const WAVEHDR* CPVEventData::GetWaveHeader() const {
    return type == PV_EVENT_WAVEDATA ? reinterpret_cast<const WAVEHDR*>(data) : nullptr;
}

void CPVEventList::AddTail(CPVEventData* event) {
    AddTail(std::unique_ptr<CPVEventData>(event));
}

void CPVEventList::AddTail(std::unique_ptr<CPVEventData> event) {
    if (event)
        m_events.push_back(std::move(event));
}

std::vector<std::unique_ptr<CPVEventData>> CPVEventList::TakeAll() {
    std::vector<std::unique_ptr<CPVEventData>> taken;
    taken.swap(m_events);
    return taken;
}
