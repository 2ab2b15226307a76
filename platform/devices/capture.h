// The capture backend: devices that sound nothing and keep a record of everything the
// library sends them, and inputs that a test feeds. With a CManualClock in force the
// library's device clock is that clock, so a test moves time and reads exactly what
// left when.
//
// What it records, in the order it happened: every MIDI message on an output (the
// device time the library handed it over, the time it was to sound, the output, the
// bytes, whether performed, immediate or thru, and the performance's tag), every wave
// play (file name and parameters), every SetWaveParams and StopWaves, and each open,
// start, close and format change of a device.
//
// Devices (local indexes, also the library's when capture is the only backend): MIDI
// inputs "Capture In 1", "Capture In 2"…; MIDI outputs "Capture Synth" (an internal
// synthesizer) then "Capture Port 2"…; wave inputs and outputs "Capture Wave In 1"… and
// "Capture Wave Out 1"…, every numbered format supported, CD quality by default.
//
// Any thread; the records are guarded by the backend's own lock, which it never holds
// while it calls the library.
#pragma once

#include "platform/devices/backend.h"

#include <mutex>
#include <string>
#include <vector>

class CPortavel;

class CCaptureBackend : public CPVBackend {
public:
    struct Layout {
        int midiInputs = 2;
        int midiOutputs = 2;
        int waveInputs = 1;
        int waveOutputs = 1;
    };

    enum RecordKind {
        MIDI,          // a message on a MIDI output
        WAVE_PLAY,     // a wave file started
        WAVE_PARAMS,   // SetWaveParams
        WAVE_STOP,     // StopWaves
        DEVICE,        // a device opened, started, closed or given a format (see `text`)
    };

    struct Record {
        RecordKind kind = MIDI;
        std::uint64_t at = 0;      // device time when the library handed it over
        std::uint64_t time = 0;    // device time it was to sound at (MIDI, WAVE_PLAY)
        int device = -1;           // the output (local index); DEVICE: the device's
        std::vector<std::uint8_t> bytes;   // MIDI
        PV_Origin origin = PV_ORIGIN_IMMEDIATE;
        int tag = 0;               // performed MIDI, WAVE_PLAY, WAVE_PARAMS, WAVE_STOP
        std::string fileName;      // WAVE_PLAY, WAVE_PARAMS (empty for a whole track)
        PV_WaveParams params;      // WAVE_PLAY, WAVE_PARAMS; its fileName is null
        std::string text;          // DEVICE: "open", "start", "close" or "format"
        int deviceKind = 0;        // DEVICE: the device's kind and direction
        int direction = 0;
    };

    CCaptureBackend();
    explicit CCaptureBackend(Layout layout);

    // The capture backend of a library, or null when it has none.
    static CCaptureBackend* Find(CPortavel& portavel);

    // What was recorded so far, oldest first; MIDI only; and forgetting it all.
    std::vector<Record> GetRecords() const;
    std::vector<Record> GetMidi() const;
    void Clear();

    // The next format change of this device fails in both formats, as a device that
    // went away while it was reopened: the device is closed and the change answers
    // LOST.
    void LoseOnNextFormat(int kind, int direction, int index);

    // Whether a device is open and started now.
    bool IsOpen(int kind, int direction, int index) const;
    bool IsStarted(int kind, int direction, int index) const;
    // The format an open wave device was last given.
    WAVEFORMATEX GetFormat(int kind, int direction, int index) const;

    // Feeds one MIDI message (or a block of samples) to an input as if it had come now,
    // and returns once the library has delivered it. Not from the library's thread.
    void InjectMidi(int index, const std::vector<std::uint8_t>& bytes);
    void InjectWave(int index, const std::vector<std::uint8_t>& bytes);

    // The backend interface.
    std::string GetName() const override { return "capture"; }
    bool Attach(const CPVDeviceClock& clock, CPVInputSink& sink) override;
    std::vector<CPVDeviceInfo> Enumerate(int kind, int direction) override;
    bool Open(int kind, int direction, int index, const WAVEFORMATEX* format) override;
    bool Start(int kind, int direction, int index) override;
    void Close(int kind, int direction, int index) override;
    PVFormatResult SetFormat(int kind, int direction, int index, const WAVEFORMATEX& format) override;
    void SendMidi(int index, const CPVMidiOut& message) override;
    void PlayWave(int index, std::uint64_t time, const PV_WaveParams& params) override;
    void SetWaveParams(const PV_WaveParams& params) override;
    void StopWaves(int tag) override;

private:
    struct DeviceState {
        bool open = false;
        bool started = false;
        bool loseOnFormat = false;
        WAVEFORMATEX format;
    };

    int GetCount(int kind, int direction) const;
    // The state of a device, or null for an index outside the layout. With the lock.
    DeviceState* FindLocked(int kind, int direction, int index);
    const DeviceState* FindLocked(int kind, int direction, int index) const;
    void RecordDevice(const char* what, int kind, int direction, int index);
    // Hands bytes to the attached sink through `deliver` (its MIDI or wave input)
    // and waits until they are delivered; nothing without a sink.
    void Inject(int index, const std::vector<std::uint8_t>& bytes,
                void (CPVInputSink::*deliver)(int, std::uint64_t, const std::uint8_t*, std::size_t));
    std::uint64_t Now() const;

    const Layout m_layout;
    const CPVDeviceClock* m_clock = nullptr;   // borrowed from the library, from Attach on
    CPVInputSink* m_sink = nullptr;            // borrowed from the library, from Attach on
    mutable std::mutex m_mutex;
    std::vector<Record> m_records;
    std::vector<DeviceState> m_devices[2][2];   // [kind][direction]
};
