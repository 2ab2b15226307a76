// Wave devices: the machine's audio outputs and inputs through RtAudio, as the
// device library's wave outputs and inputs, and the mixer that plays wave files
// on an output.
//
// CWaveMixer plays any number of wave files at once into one output format. Each
// voice has its performance's tag, its track number and its file, and is shaped by
// the element's and the track's pan, volume and frequency values added together:
// volume in hundredths of a decibel (0 full, -10000 silent), pan -10000 (left) to
// 10000 (right), the farther side lowered by as many hundredths of a decibel, and
// frequency -10000 to 10000, an octave down to an octave up in playback rate. Files
// of any rate are converted to the output's rate. Play, SetParams and Stop come from
// the library's thread while Mix runs on the audio thread; a lock keeps them apart,
// and none of them reads a file under it. A wave's file is read ahead on the mixer's
// reader thread (wavestream.h), its first block by Play: Mix only copies what has
// been read, never waits for it and allocates nothing. A wave whose frames are not
// read yet when Mix wants them plays silence for the rest of that mix and goes on
// from where it was once they are there (so the file's samples come out in order);
// those frames count as underrun frames.
//
// CAudioBackend ("audio") lists the devices of the first sound system that has any
// (a JACK server, then a PulseAudio server, then ALSA's cards) and runs a stream per
// open device: an output mixes its waves, an input hands the library each block it
// records, in the device's format in force. Without a sound system it lists none.
//
// Threads: as every backend (backend.h); the streams' callbacks run on RtAudio's
// threads and end before Close returns.
#pragma once

#include "platform/devices/backend.h"
#include "platform/devices/wavefile.h"
#include "platform/devices/wavestream.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class RtAudio;

class CWaveMixer {
public:
    // A mixer for an output of `rate` frames a second and 1 or 2 channels, which opens
    // the waves it plays with `open` (by default, the files on disk).
    CWaveMixer(std::uint32_t rate, int channels, CWaveOpener open = OpenWaveFile);
    ~CWaveMixer();
    CWaveMixer(const CWaveMixer&) = delete;
    CWaveMixer& operator=(const CWaveMixer&) = delete;

    // Starts the wave file of `params` (its name, track, values and tag), `skipMs`
    // milliseconds into it: a wave that began before now is heard from where it has
    // got to. False when the file cannot be read.
    bool Play(const PV_WaveParams& params, DWORD skipMs = 0);
    // New track values for the waves of params.tag and params.track that play: all of
    // them with a null file name; else those of that file, which take its element
    // values too.
    void SetParams(const PV_WaveParams& params);
    // Stops the waves of performance `tag`; 0 stops every wave.
    void Stop(int tag);

    // Mixes the next `frames` frames, interleaved, into `out` (replacing what is there).
    // Waves that reach their end are let go.
    void Mix(float* out, std::size_t frames);

    std::size_t GetVoiceCount() const;
    // The output frames, over all waves, that sounded as silence because a wave's file
    // had not been read that far yet.
    std::uint64_t GetUnderrunFrames() const { return m_underrunFrames.load(std::memory_order_relaxed); }
    std::uint32_t GetRate() const { return m_rate; }
    int GetChannels() const { return m_channels; }

    // The factor of a volume value (hundredths of a decibel; -10000 and below: 0).
    static double VolumeGain(int volume);
    // The left and right factors and the playback-rate factor of a pair of values.
    struct Shape {
        double left = 1.0;
        double right = 1.0;
        double rate = 1.0;
    };
    static Shape ShapeOf(const PV_DSParams& element, const PV_DSParams& track);

private:
    struct Voice;

    // Takes the voices `over` picks out of the list and lets go of their streams.
    template <typename Over>
    void LetGo(Over over);

    const std::uint32_t m_rate;
    const int m_channels;
    const CWaveOpener m_open;
    mutable std::mutex m_lock;
    // Shared with the reader, which frees a voice once the mixer has let go of it.
    std::vector<std::shared_ptr<Voice>> m_voices;
    std::atomic<std::uint64_t> m_underrunFrames{0};
    CWaveReader m_reader;   // last: stops first, before the voices go
};

class CAudioBackend : public CPVBackend {
public:
    CAudioBackend();
    ~CAudioBackend() override;

    std::string GetName() const override { return "audio"; }
    bool Attach(const CPVDeviceClock& clock, CPVInputSink& sink) override;
    std::vector<CPVDeviceInfo> Enumerate(int kind, int direction) override;
    bool Open(int kind, int direction, int index, const WAVEFORMATEX* format) override;
    bool Start(int kind, int direction, int index) override;
    void Close(int kind, int direction, int index) override;
    PVFormatResult SetFormat(int kind, int direction, int index, const WAVEFORMATEX& format) override;
    void SendMidi(int, const CPVMidiOut&) override {}
    void PlayWave(int index, std::uint64_t time, const PV_WaveParams& params) override;
    void SetWaveParams(const PV_WaveParams& params) override;
    void StopWaves(int tag) override;

    // The sound system whose devices are listed ("jack", "pulse", "alsa"); empty with none.
    std::string GetSystemName() const;

private:
    struct Stream;

    // One of the system's devices, as enumerated.
    struct Device {
        unsigned id = 0;       // RtAudio's device number
        unsigned channels = 0;
    };

    bool IsAddress(int kind, int direction, int index) const;
    // Opens the stream of a device in a format; false when the system refuses.
    bool OpenStream(Stream& stream, const WAVEFORMATEX& format);
    void CloseStream(Stream& stream);

    const CPVDeviceClock* m_clock = nullptr;   // borrowed; outlives the backend
    CPVInputSink* m_sink = nullptr;            // borrowed; outlives the backend
    int m_api = 0;                             // RtAudio::Api of the listed devices; 0 none
    std::vector<Device> m_devices[2];          // [direction]: the last enumeration
    std::vector<std::unique_ptr<Stream>> m_streams[2];   // [direction], by index; null while closed
};
