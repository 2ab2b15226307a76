// The backend interface: what the device library (CPortavel) drives to reach real
// or captured devices, and the registry that makes the backends of a process.
//
// A backend owns the devices of one sound system (the ALSA sequencer, the soft
// synthesizer, the audio devices, the test capture). It numbers its devices per kind
// and direction from 0; the library puts the backends' lists one after another and
// translates its own device numbers into (backend, local index) before every call,
// so a backend only ever sees indexes it reported.
//
// Threads. The library calls a backend's operations one at a time (it serializes
// them under its own device lock), from the user-interface thread for immediate
// messages and device management and from its device thread for performed events.
// Input goes the other way through the CPVInputSink given to Attach, from any thread
// the backend likes; the sink only queues, and never calls the backend back, so a
// backend may call it from inside its own operations. A backend must not hold a lock
// of its own that its operations also take while it waits for anything the library
// does. Attach and the destructor run on the thread that makes and destroys the
// library.
//
// Times. Performed events carry the device time at which they sound, in milliseconds
// of the library's device clock (CPVDeviceClock). A backend that can schedule (a
// sequencer queue) answers GetScheduleAhead with how early it wants events and places
// them itself; one that cannot answers 0 and gets each event when it is due.
#pragma once

#include "platform/devices/records.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// The library's device clock: device time 0 is the process clock's (clock.h) start
// time; device milliseconds run with the process clock, manual clocks included.
// Read-only for backends; any thread.
class CPVDeviceClock {
public:
    explicit CPVDeviceClock(std::uint64_t startClockMs) : m_start(startClockMs) {}

    // The process clock's milliseconds (GetClockMs) at device time 0.
    std::uint64_t GetStartClockMs() const { return m_start; }
    // Device milliseconds now.
    std::uint64_t Now() const;
    // The process clock's milliseconds at a device time.
    std::uint64_t ToClockMs(std::uint64_t deviceMs) const { return m_start + deviceMs; }

private:
    const std::uint64_t m_start;
};

// What a backend reports about one of its devices.
struct CPVDeviceInfo {
    std::string name;                 // UTF-8; the pickers show it
    std::string description;          // wave outputs: a longer text for the pickers, may be empty
    std::uint16_t driverVersion = 0x0100;   // major in the high byte, minor in the low
    std::uint16_t technology = 0;     // MIDI outputs: PV_TECH_*; 0 for the others
    std::uint16_t voices = 0;         // MIDI outputs: voices and notes the device sounds at once
    std::uint16_t notes = 0;
    std::uint16_t channelMask = 0xFFFF;
    std::uint32_t formats = 0;        // wave devices: bit n set = format number n supported
    int defaultFormat = -1;           // wave devices: the format number used until set
};

// How a performed or immediate MIDI message came to the device; real devices ignore it,
// the capture backend records it.
enum PV_Origin : int {
    PV_ORIGIN_PERFORMED = 0,   // from a polled performance
    PV_ORIGIN_IMMEDIATE = 1,   // SendMidiMsg, SendMidiNote, SendSysExMsg, OnPanicButton
    PV_ORIGIN_THRU = 2,        // input echoed by MIDI thru
};

// One MIDI message for an output: a short message (1-3 bytes) or system exclusive.
// The bytes belong to the caller and are valid during the call only.
struct CPVMidiOut {
    std::uint64_t time = 0;          // device ms at which it sounds
    const std::uint8_t* bytes = nullptr;
    std::size_t length = 0;
    PV_Origin origin = PV_ORIGIN_IMMEDIATE;
    int tag = 0;                     // the performance's tag when performed, else 0
};

// Where a backend delivers input. Local device indexes; any thread; never blocks on
// the library's device thread (except WaitUntilDelivered).
class CPVInputSink {
public:
    virtual ~CPVInputSink() = default;
    // One complete MIDI message from an input: a short message (status byte first, no
    // running status) or system exclusive from 0xF0 to 0xF7. `deviceMs` is when it came.
    virtual void OnMidiInput(int index, std::uint64_t deviceMs, const std::uint8_t* bytes, std::size_t length) = 0;
    // One block of recorded samples from a wave input, in its format in force.
    virtual void OnWaveInput(int index, std::uint64_t deviceMs, const std::uint8_t* bytes, std::size_t length) = 0;
    // Blocks until everything given so far has been delivered on the library's thread.
    // For tests that inject input; never call it from the library's thread.
    virtual void WaitUntilDelivered() = 0;
};

// What became of a wave device asked for another format.
enum class PVFormatResult {
    CHANGED,   // it runs in the new format
    KEPT,      // refused: it runs on in the old one
    LOST,      // neither format opens any more: it is closed
};

class CPVBackend {
public:
    virtual ~CPVBackend() = default;

    // A short lower-case name: "alsa", "synth", "audio", "capture".
    virtual std::string GetName() const = 0;

    // Called once before anything else. False when the sound system is not there; the
    // library then drops the backend (no devices, no further calls). The clock and the
    // sink outlive the backend.
    virtual bool Attach(const CPVDeviceClock& clock, CPVInputSink& sink) = 0;

    // The devices of a kind (PV_MIDI, PV_WAVE) and direction (PV_INPUT, PV_OUTPUT), looked
    // for anew at every call; their positions are the local indexes. Called while none
    // of the backend's devices is open.
    virtual std::vector<CPVDeviceInfo> Enumerate(int kind, int direction) = 0;

    // Opens a device (a wave device in `format`, null for MIDI). False when it cannot.
    virtual bool Open(int kind, int direction, int index, const WAVEFORMATEX* format) = 0;
    // Starts an open device: an input begins delivering to the sink.
    virtual bool Start(int kind, int direction, int index) = 0;
    // Closes an open device; an input delivers nothing more once this returns.
    virtual void Close(int kind, int direction, int index) = 0;
    // Changes an open wave device's format (a closed one takes it when it opens). A
    // device that must be reopened for it and then opens in neither format is lost:
    // the backend has closed it.
    virtual PVFormatResult SetFormat(int kind, int direction, int index, const WAVEFORMATEX& format) = 0;

    // How many milliseconds before its time the backend wants a performed event (0: when due).
    virtual DWORD GetScheduleAhead() const { return 0; }

    // Sends a message on an open MIDI output, at its time (immediate ones: now).
    virtual void SendMidi(int index, const CPVMidiOut& message) = 0;

    // Plays a wave file on an open wave output from device time `time`. The record is
    // the caller's during the call only.
    virtual void PlayWave(int index, std::uint64_t time, const PV_WaveParams& params) = 0;
    // Applies a wave track's parameters at once to the waves of `params.tag` and
    // `params.track` that play (null file name: all of them).
    virtual void SetWaveParams(const PV_WaveParams& params) = 0;
    // Stops every wave of performance `tag` (0: of every performance).
    virtual void StopWaves(int tag) = 0;
};

// A backend whose devices are MIDI devices only: it has no wave format to
// change and no waves to play or adjust.
class CPVMidiBackend : public CPVBackend {
public:
    PVFormatResult SetFormat(int, int, int, const WAVEFORMATEX&) override { return PVFormatResult::KEPT; }
    void PlayWave(int, std::uint64_t, const PV_WaveParams&) override {}
    void SetWaveParams(const PV_WaveParams&) override {}
};

// The registry of backends. Each backend's source registers a factory at load time
// (a static CPVBackendRegistration); `order` fixes where its devices stand in the
// library's numbering (lower first). The capture backend registers as "capture".
using CPVBackendFactory = std::function<std::unique_ptr<CPVBackend>()>;

void RegisterBackend(const std::string& name, int order, CPVBackendFactory factory);

struct CPVBackendRegistration {
    CPVBackendRegistration(const std::string& name, int order, CPVBackendFactory factory) {
        RegisterBackend(name, order, std::move(factory));
    }
};

// The names of the backends a CPortavel made with its default constructor uses, in
// order. The environment variable STAFFWRIGHT_DEVICES chooses: unset or empty, every
// registered backend but "capture"; "none", none; otherwise a comma-separated list of
// names (unknown names are skipped).
std::vector<std::string> GetSelectedBackendNames();

// Makes the backends GetSelectedBackendNames names.
std::vector<std::unique_ptr<CPVBackend>> MakeSelectedBackends();
