#include "platform/devices/portavel_devices.h"

#include "platform/devices/portavel.h"

#include <algorithm>
#include <cstring>

namespace {

// The fourteen numbered formats: rate, bits, channels.
struct NumberedFormat {
    std::uint32_t rate;
    std::uint16_t bits;
    std::uint16_t channels;
};
constexpr NumberedFormat kFormats[] = {
    {8000, 8, 1},   {8000, 8, 2},
    {11025, 8, 1},  {11025, 8, 2},  {11025, 16, 1}, {11025, 16, 2},
    {22050, 8, 1},  {22050, 8, 2},  {22050, 16, 1}, {22050, 16, 2},
    {44100, 8, 1},  {44100, 8, 2},  {44100, 16, 1}, {44100, 16, 2},
};
constexpr int kFormatCount = static_cast<int>(std::size(kFormats));
constexpr std::uint32_t kAllFormats = (1u << kFormatCount) - 1;
// What a wave device plays when its backend names no default: CD quality.
constexpr int kPreferredFormat = 13;

// Copies UTF-8 text into a fixed field, zero-terminated, never splitting a character.
void CopyName(char* field, std::size_t size, const std::string& text) {
    std::size_t length = std::min(text.size(), size - 1);
    // Step back over continuation bytes so that a character cut in two is left out whole.
    if (length < text.size())
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

}  // namespace

CPVDevice::CPVDevice(int kind, int direction, CPVBackend& backend, int local, const CPVDeviceInfo& info)
    : m_kind(kind), m_direction(direction), m_backend(backend), m_local(local), m_info(info) {
    CopyName(m_caps.name, sizeof m_caps.name, info.name);
    m_caps.driverVersion = info.driverVersion;
    if (kind == PV_MIDI) {
        m_caps.technology = direction == PV_OUTPUT ? info.technology : 0;
        m_caps.voices = info.voices;
        m_caps.notes = info.notes;
        m_caps.channelMask = info.channelMask;
        return;
    }
    // A backend that names no formats takes any of the fourteen.
    m_format.supported = info.formats & kAllFormats;
    if (!m_format.supported)
        m_format.supported = kAllFormats;
    int number = info.defaultFormat;
    if (number < 0 || number >= kFormatCount || !(m_format.supported & (1u << number))) {
        number = kPreferredFormat;
        while (!(m_format.supported & (1u << number)))
            --number;   // the mask is not empty, so this stops at a supported number
    }
    FillFormat(&m_format.format, number);
    m_format.number = number;
}

int CPVDevice::FillFormat(WAVEFORMATEX* format, int number) {
    if (!format || number < 0 || number >= kFormatCount)
        return 0;
    const NumberedFormat& entry = kFormats[number];
    format->formatTag = WAVE_FORMAT_PCM;
    format->channels = entry.channels;
    format->samplesPerSec = entry.rate;
    format->bitsPerSample = entry.bits;
    format->blockAlign = static_cast<std::uint16_t>(entry.channels * entry.bits / 8);
    format->avgBytesPerSec = entry.rate * format->blockAlign;
    format->extraSize = 0;
    return 1;
}

int CPVDevice::FindFormat(const WAVEFORMATEX& format) {
    if (format.formatTag != WAVE_FORMAT_PCM)
        return -1;
    for (int number = 0; number < kFormatCount; ++number) {
        const NumberedFormat& entry = kFormats[number];
        if (entry.rate == format.samplesPerSec && entry.bits == format.bitsPerSample &&
            entry.channels == format.channels)
            return number;
    }
    return -1;
}

bool CPVDevice::IsPlayableFormat(const WAVEFORMATEX& format) {
    if (format.formatTag != WAVE_FORMAT_PCM)
        return false;
    if (format.channels < 1 || format.channels > 2)
        return false;
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16)
        return false;
    if (format.samplesPerSec < 1000 || format.samplesPerSec > 192000)
        return false;
    const std::uint32_t block = format.channels * format.bitsPerSample / 8u;
    return format.blockAlign == block && format.avgBytesPerSec == format.samplesPerSec * block;
}

void CPVDevice::SetFormat(const WAVEFORMATEX& format) {
    m_format.format = format;
    m_format.number = FindFormat(format);
}

std::string CWaveOut::DSGetDescription(int index) {
    CPortavel* portavel = CPortavel::GetPortavel();
    return portavel ? portavel->GetDeviceDescription(PV_WAVE, PV_OUTPUT, index) : std::string();
}

bool CPVDeviceTable::IsAddress(int kind, int direction) {
    return (kind == PV_MIDI || kind == PV_WAVE) && (direction == PV_INPUT || direction == PV_OUTPUT);
}

void CPVDeviceTable::Build(const std::vector<CPVBackend*>& backends) {
    for (int kind : {PV_MIDI, PV_WAVE}) {
        for (int direction : {PV_INPUT, PV_OUTPUT}) {
            auto& devices = m_devices[kind][direction];
            devices.clear();
            for (CPVBackend* backend : backends) {
                const std::vector<CPVDeviceInfo> infos = backend->Enumerate(kind, direction);
                for (std::size_t local = 0; local < infos.size(); ++local)
                    devices.push_back(std::make_unique<CPVDevice>(kind, direction, *backend,
                                                                  static_cast<int>(local), infos[local]));
            }
        }
    }
}

int CPVDeviceTable::GetCount(int kind, int direction) const {
    return IsAddress(kind, direction) ? static_cast<int>(m_devices[kind][direction].size()) : 0;
}

CPVDevice* CPVDeviceTable::Find(int kind, int direction, int index) const {
    if (index < 0 || index >= GetCount(kind, direction))
        return nullptr;
    return m_devices[kind][direction][static_cast<std::size_t>(index)].get();
}

int CPVDeviceTable::FindIndex(const CPVBackend& backend, int kind, int direction, int local) const {
    if (!IsAddress(kind, direction))
        return -1;
    const auto& devices = m_devices[kind][direction];
    for (std::size_t index = 0; index < devices.size(); ++index)
        if (&devices[index]->GetBackend() == &backend && devices[index]->GetLocalIndex() == local)
            return static_cast<int>(index);
    return -1;
}

const std::vector<std::unique_ptr<CPVDevice>>& CPVDeviceTable::GetDevices(int kind, int direction) const {
    static const std::vector<std::unique_ptr<CPVDevice>> none;
    return IsAddress(kind, direction) ? m_devices[kind][direction] : none;
}

bool CPVDeviceTable::IsAnyOpen() const {
    for (const auto& byKind : m_devices)
        for (const auto& devices : byKind)
            for (const auto& device : devices)
                if (device->m_open)
                    return true;
    return false;
}
