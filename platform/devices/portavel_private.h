// Internal to the device library's core (portavel*.cpp): the records CPortavel keeps
// for performances, queued events, recordings and input, and its input sink.
#pragma once

#include "platform/devices/portavel.h"

#include <cstdint>
#include <vector>

// The longest system-exclusive message the library sends or delivers; a longer one is
// refused rather than copied, so a wrong length cannot make it allocate the world.
constexpr std::size_t kMaxSysExLength = 1u << 20;

// Unpacks a short message into its bytes; answers their number, 0 for a word whose
// lowest byte is no status that starts a short message. Data bytes keep 7 bits, so a
// damaged word never puts a status byte on the wire.
std::size_t UnpackShortMsg(DWORD message, std::uint8_t (&bytes)[3]);

// A running polled performance.
struct CPortavel::Performance {
    int tag = 0;
    PV_PerformProc callback = nullptr;
    void* user = nullptr;
};

// A MIDI or wave recording.
struct CPortavel::Recording {
    int tag = 0;
    int kind = PV_MIDI;
    PV_RecordProc callback = nullptr;
    void* user = nullptr;
};

// An event waiting for its time, owned.
struct CPortavel::Pending {
    std::unique_ptr<CPVEventData> event;
    std::uint64_t time = 0;   // device ms
    int tag = 0;              // the performance's, 0 for an immediate note's note-off
    PV_Origin origin = PV_ORIGIN_PERFORMED;
};

// Input as a backend gave it, before the library's thread delivers it.
struct CPortavel::Input {
    CPVBackend* backend = nullptr;   // borrowed
    int kind = PV_MIDI;
    int local = 0;                   // the backend's own index of the input
    std::uint64_t time = 0;
    std::vector<std::uint8_t> bytes;
};

// The sink a backend delivers input to: queues it for the library's thread.
class CPortavel::Sink : public CPVInputSink {
public:
    Sink(CPortavel& owner, CPVBackend& backend) : m_owner(owner), m_backend(backend) {}

    void OnMidiInput(int index, std::uint64_t deviceMs, const std::uint8_t* bytes, std::size_t length) override {
        m_owner.QueueInput(m_backend, PV_MIDI, index, deviceMs, bytes, length);
    }
    void OnWaveInput(int index, std::uint64_t deviceMs, const std::uint8_t* bytes, std::size_t length) override {
        m_owner.QueueInput(m_backend, PV_WAVE, index, deviceMs, bytes, length);
    }
    void WaitUntilDelivered() override { m_owner.WaitForDeviceThread(); }

private:
    CPortavel& m_owner;       // borrowed; owns this sink
    CPVBackend& m_backend;    // borrowed; the backend this sink serves
};
