// CPortavel: the one object, its backends and device table, immediate messages.
// Performances are in portavel_perform.cpp, input in portavel_input.cpp.
#include "platform/devices/portavel.h"

#include "platform/devices/portavel_private.h"

#include <algorithm>

namespace {

// The process's one device library.
std::atomic<CPortavel*> g_portavel{nullptr};

// Controllers that silence a channel: all notes off, then all sound off.
constexpr std::uint8_t kAllNotesOff = 123;
constexpr std::uint8_t kAllSoundOff = 120;

}  // namespace

CPortavel::CPortavel() : CPortavel(MakeSelectedBackends()) {}

CPortavel::CPortavel(std::unique_ptr<CPVBackend> backend)
    : CPortavel([&] {
          std::vector<std::unique_ptr<CPVBackend>> backends;
          if (backend)
              backends.push_back(std::move(backend));
          return backends;
      }()) {}

CPortavel::CPortavel(std::vector<std::unique_ptr<CPVBackend>> backends) : m_clock(GetClockMs()) {
    // The pacer exists before the backends attach, as input may arrive from then on;
    // its thread starts once the table is there.
    m_pacer = std::make_unique<CPVPacer>(m_clock, [this] { return RunPass(); });
    Attach(std::move(backends));
    m_pacer->Start();
    // The first one made is the process's; a second (a test's nested one) is not.
    CPortavel* none = nullptr;
    g_portavel.compare_exchange_strong(none, this);
}

CPortavel::~CPortavel() {
    CPortavel* self = this;
    g_portavel.compare_exchange_strong(self, nullptr);
    {
        // Input that still arrives from here on is dropped at the sink.
        std::lock_guard lock(m_lock);
        m_accepting = false;
    }
    // The thread next: after this no callback of the system runs.
    m_pacer.reset();
    {
        std::lock_guard devices(m_deviceLock);
        for (int kind : {PV_MIDI, PV_WAVE})
            for (int direction : {PV_INPUT, PV_OUTPUT})
                for (const auto& device : m_table.GetDevices(kind, direction))
                    CloseLocked(*device);
        for (const auto& backend : m_backends)
            backend->StopWaves(0);
    }
    // The backends' own threads end while everything their sinks reach still stands.
    m_backends.clear();
}

CPortavel* CPortavel::GetPortavel() {
    return g_portavel.load();
}

void CPortavel::Attach(std::vector<std::unique_ptr<CPVBackend>> backends) {
    std::lock_guard devices(m_deviceLock);
    for (auto& backend : backends) {
        if (!backend)
            continue;
        auto sink = std::make_unique<Sink>(*this, *backend);
        // A backend whose sound system is missing is left out: the layer still starts.
        if (!backend->Attach(m_clock, *sink))
            continue;
        m_backends.push_back(std::move(backend));
        m_sinks.push_back(std::move(sink));
    }
    BuildTableLocked();
}

void CPortavel::BuildTableLocked() {
    std::vector<CPVBackend*> backends;
    for (const auto& backend : m_backends)
        backends.push_back(backend.get());
    m_table.Build(backends);
    std::lock_guard lock(m_lock);
    for (int kind : {PV_MIDI, PV_WAVE}) {
        m_outputAhead[kind].clear();
        m_ahead[kind] = 0;
        for (const auto& device : m_table.GetDevices(kind, PV_OUTPUT)) {
            const DWORD ahead = device->GetBackend().GetScheduleAhead();
            m_outputAhead[kind].push_back(ahead);
            m_ahead[kind] = std::max(m_ahead[kind], ahead);
        }
    }
}

CPVBackend* CPortavel::FindBackend(const std::string& name) const {
    std::lock_guard devices(m_deviceLock);
    for (const auto& backend : m_backends)
        if (backend->GetName() == name)
            return backend.get();
    return nullptr;
}

int CPortavel::Initialize(int /*mode*/) {
    std::lock_guard devices(m_deviceLock);
    // Devices come and go (a keyboard plugged in) between activations; while one is open
    // the numbers callers hold must keep their meaning, so the table stays.
    if (!m_table.IsAnyOpen())
        BuildTableLocked();
    return 1;
}

int CPortavel::EnableDevice(int kind, int direction, int index, int enable) {
    std::lock_guard devices(m_deviceLock);
    if (index == PV_ALL_DEVICES) {
        for (const auto& device : m_table.GetDevices(kind, direction))
            device->m_enabled = enable != 0;
        return 1;
    }
    CPVDevice* device = m_table.Find(kind, direction, index);
    if (!device)
        return 0;
    device->m_enabled = enable != 0;
    return 1;
}

int CPortavel::OpenDevices() {
    std::lock_guard devices(m_deviceLock);
    int result = 1;
    for (int kind : {PV_MIDI, PV_WAVE})
        for (int direction : {PV_INPUT, PV_OUTPUT})
            for (const auto& device : m_table.GetDevices(kind, direction))
                if (device->m_enabled && !OpenLocked(*device))
                    result = 0;
    return result;
}

int CPortavel::StartDevices() {
    std::lock_guard devices(m_deviceLock);
    int result = 1;
    for (int kind : {PV_MIDI, PV_WAVE})
        for (int direction : {PV_INPUT, PV_OUTPUT}) {
            // A wave input records from its synchronised start (SyncStart) only.
            if (kind == PV_WAVE && direction == PV_INPUT)
                continue;
            for (const auto& device : m_table.GetDevices(kind, direction))
                if (device->m_enabled && device->m_open && !StartLocked(*device))
                    result = 0;
        }
    return result;
}

int CPortavel::CloseDevices() {
    std::lock_guard devices(m_deviceLock);
    for (int kind : {PV_MIDI, PV_WAVE})
        for (int direction : {PV_INPUT, PV_OUTPUT})
            for (const auto& device : m_table.GetDevices(kind, direction))
                CloseLocked(*device);
    return 1;
}

int CPortavel::OpenDevice(int kind, int direction, int index) {
    std::lock_guard devices(m_deviceLock);
    CPVDevice* device = m_table.Find(kind, direction, index);
    return device ? OpenLocked(*device) : 0;
}

int CPortavel::CloseDevice(int kind, int direction, int index) {
    std::lock_guard devices(m_deviceLock);
    CPVDevice* device = m_table.Find(kind, direction, index);
    if (!device)
        return 0;
    CloseLocked(*device);
    return 1;
}

int CPortavel::SyncStart(int kind, int direction, int index) {
    std::lock_guard devices(m_deviceLock);
    CPVDevice* device = m_table.Find(kind, direction, index);
    return device && device->m_open ? StartLocked(*device) : 0;
}

int CPortavel::OpenLocked(CPVDevice& device) {
    if (device.m_open)
        return 1;
    const WAVEFORMATEX* format = device.GetKind() == PV_WAVE ? &device.GetFormat().format : nullptr;
    device.m_open = device.GetBackend().Open(device.GetKind(), device.GetDirection(), device.GetLocalIndex(), format);
    return device.m_open ? 1 : 0;
}

int CPortavel::StartLocked(CPVDevice& device) {
    if (device.m_started)
        return 1;
    device.m_started = device.GetBackend().Start(device.GetKind(), device.GetDirection(), device.GetLocalIndex());
    return device.m_started ? 1 : 0;
}

void CPortavel::CloseLocked(CPVDevice& device) {
    if (!device.m_open)
        return;
    device.GetBackend().Close(device.GetKind(), device.GetDirection(), device.GetLocalIndex());
    device.m_open = false;
    device.m_started = false;
}

int CPortavel::GetDeviceCount(int kind, int direction) {
    std::lock_guard devices(m_deviceLock);
    return m_table.GetCount(kind, direction);
}

const PV_DevCaps* CPortavel::GetDeviceCaps(int kind, int direction, int index) {
    std::lock_guard devices(m_deviceLock);
    CPVDevice* device = m_table.Find(kind, direction, index);
    return device ? &device->GetCaps() : nullptr;
}

std::string CPortavel::GetDeviceDescription(int kind, int direction, int index) {
    std::lock_guard devices(m_deviceLock);
    CPVDevice* device = m_table.Find(kind, direction, index);
    return device ? device->GetInfo().description : std::string();
}

const PV_DevFormat* CPortavel::GetDeviceFormat(int kind, int direction, int index) {
    std::lock_guard devices(m_deviceLock);
    CPVDevice* device = m_table.Find(kind, direction, index);
    return device && kind == PV_WAVE ? &device->GetFormat() : nullptr;
}

int CPortavel::SetDeviceFormat(int kind, int direction, int index, const WAVEFORMATEX* format) {
    if (kind != PV_WAVE || !format || !CPVDevice::IsPlayableFormat(*format))
        return 0;
    std::lock_guard devices(m_deviceLock);
    CPVDevice* device = m_table.Find(kind, direction, index);
    if (!device)
        return 0;
    const int number = CPVDevice::FindFormat(*format);
    if (number >= 0 && !(device->GetFormat().supported & (1u << number)))
        return 0;
    if (device->m_open) {
        switch (device->GetBackend().SetFormat(kind, direction, device->GetLocalIndex(), *format)) {
        case PVFormatResult::CHANGED:
            break;
        case PVFormatResult::KEPT:
            return 0;
        case PVFormatResult::LOST:
            // Counted as open it would stay silent and deliver nothing; closed, the
            // next use opens it again and its users see the failure.
            device->m_open = false;
            device->m_started = false;
            return 0;
        }
    }
    device->SetFormat(*format);
    return 1;
}

int CPortavel::IsDeviceOpen(int kind, int direction, int index) {
    std::lock_guard devices(m_deviceLock);
    const CPVDevice* device = m_table.Find(kind, direction, index);
    return device && device->m_open ? 1 : 0;
}

int CPortavel::SetDeviceFormat(int kind, int direction, int index, int formatNumber) {
    WAVEFORMATEX format;
    if (!CPVDevice::FillFormat(&format, formatNumber))
        return 0;
    return SetDeviceFormat(kind, direction, index, &format);
}

CPVDevice* CPortavel::FindOpenMidiOutLocked(int device) const {
    CPVDevice* found = m_table.Find(PV_MIDI, PV_OUTPUT, device);
    return found && found->m_open ? found : nullptr;
}

void CPortavel::SendLocked(CPVDevice& device, const CPVMidiOut& message) {
    device.GetBackend().SendMidi(device.GetLocalIndex(), message);
}

void CPortavel::SendNowLocked(CPVDevice& device, const std::uint8_t* bytes, std::size_t length,
                              PV_Origin origin) {
    CPVMidiOut out;
    out.time = m_clock.Now();
    out.bytes = bytes;
    out.length = length;
    out.origin = origin;
    SendLocked(device, out);
}

int CPortavel::SendNow(int device, const std::uint8_t* bytes, std::size_t length, PV_Origin origin) {
    std::lock_guard devices(m_deviceLock);
    CPVDevice* output = FindOpenMidiOutLocked(device);
    if (!output)
        return 0;
    SendNowLocked(*output, bytes, length, origin);
    return 1;
}

int CPortavel::SendShort(int device, DWORD message, PV_Origin origin) {
    std::uint8_t bytes[3];
    const std::size_t length = UnpackShortMsg(message, bytes);
    if (!length)
        return 0;
    return SendNow(device, bytes, length, origin);
}

int CPortavel::SendMidiMsg(int device, DWORD message, int /*flag*/) {
    return SendShort(device, message, PV_ORIGIN_IMMEDIATE);
}

int CPortavel::SendMidiNote(int device, DWORD on, DWORD off, DWORD ms, int /*flag*/) {
    std::uint8_t bytes[3];
    if (!UnpackShortMsg(off, bytes) || !SendShort(device, on, PV_ORIGIN_IMMEDIATE))
        return 0;
    // The note-off waits in the queue of performed events, so that it leaves by itself
    // at its time even while nothing else plays.
    const std::uint64_t time = m_clock.Now() + ms;
    {
        std::lock_guard lock(m_lock);
        ScheduleLocked(CPVEventData::MakeShort(static_cast<DWORD>(time), device, off), time, 0,
                       PV_ORIGIN_IMMEDIATE);
    }
    m_pacer->WakeAt(time);
    return 1;
}

int CPortavel::SendSysExMsg(int device, const std::uint8_t* buffer, DWORD length, int /*flag*/) {
    if (!buffer || !length || length > kMaxSysExLength)
        return 0;
    // Copied before anything else, so that the caller may reuse its buffer at once.
    const std::vector<std::uint8_t> bytes(buffer, buffer + length);
    return SendNow(device, bytes.data(), bytes.size(), PV_ORIGIN_IMMEDIATE);
}

void CPortavel::OnPanicButton() {
    std::lock_guard devices(m_deviceLock);
    const std::uint64_t now = m_clock.Now();
    for (const auto& device : m_table.GetDevices(PV_MIDI, PV_OUTPUT)) {
        if (!device->m_open)
            continue;
        for (std::uint8_t channel = 0; channel < 16; ++channel) {
            for (std::uint8_t controller : {kAllNotesOff, kAllSoundOff}) {
                const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(0xB0 | channel), controller, 0};
                CPVMidiOut out;
                out.time = now;
                out.bytes = bytes;
                out.length = 3;
                out.origin = PV_ORIGIN_IMMEDIATE;
                SendLocked(*device, out);
            }
        }
    }
}

void CPortavel::WaitForDeviceThread() {
    if (m_pacer && !m_pacer->IsPacerThread())
        m_pacer->WaitForPass();
}
