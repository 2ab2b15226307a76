// The soft synthesizer: FluidSynth playing a General MIDI sound font, so that a
// machine without MIDI hardware still sounds. It appears among the MIDI outputs
// as a device of the internal-synthesizer kind (technology 2).
//
// Four pieces; the first three each own a FluidSynth instance of their own:
// - CFluidSynth: one synthesizer with the sound font loaded; takes MIDI messages
//   (packed short messages, or the bytes of any message including system
//   exclusive) and renders stereo frames on demand. FluidSynth's own lock makes
//   it safe to send from one thread while another renders.
// - CSynthRenderer: offline rendering for export and tests: timed events are fed
//   first, then frames are rendered in pieces of any size; each event takes
//   effect at its own frame, whatever the piece boundaries are.
// - CSynthOutput: the live device: a CFluidSynth heard through an audio driver
//   when the machine has one. Without one it still opens and swallows what it
//   is sent, so a machine without sound plays silently instead of failing.
// - CSynthBackend: the device library's backend "synth" with that one MIDI output.
//
// The sound font is the first found of: the file named by the environment
// variable STAFFWRIGHT_SOUNDFONT, /usr/share/sounds/sf2/FluidR3_GM.sf2,
// /usr/share/sounds/sf2/TimGM6mb.sf2, any other *.sf2 in /usr/share/sounds/sf2
// (in name order); a file that is no sound font is passed over. Without one there
// is no soft synthesizer.
//
// FluidSynth's own messages go to the debug trace (trace.h), not to stderr.
#pragma once

#include "platform/devices/backend.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// FluidSynth's types, kept out of our headers' includes.
struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_audio_driver_t;

// The sound font the soft synthesizer loads; empty when the machine has none.
std::string FindSoundFont();
// The same search over a given environment value (null: unset) and folder.
std::string FindSoundFont(const char* environmentValue, const std::string& folder);

// The folder searched for sound fonts after the named ones.
constexpr const char* SOUNDFONT_FOLDER = "/usr/share/sounds/sf2";

// One FluidSynth synthesizer with a sound font loaded. Any thread.
class CFluidSynth {
public:
    // A synthesizer at `sampleRate` frames per second with `soundFont` loaded;
    // null when the file does not load or FluidSynth cannot be made.
    static std::unique_ptr<CFluidSynth> Create(const std::string& soundFont, double sampleRate = 44100.0);
    ~CFluidSynth();
    CFluidSynth(const CFluidSynth&) = delete;
    CFluidSynth& operator=(const CFluidSynth&) = delete;

    // A short message packed into a word: status lowest, then data 1, data 2.
    void SendPacked(DWORD message);
    // A whole message as bytes: a channel message, system exclusive (F0 ... F7)
    // or a system reset (FF). Anything without a status byte, cut short, or of a
    // kind a synthesizer does not take (clock, song position) is ignored.
    void SendBytes(const std::uint8_t* bytes, std::size_t length);
    // Every voice of every channel stops at once, and the controllers reset.
    void Silence();

    // Renders `frames` stereo frames, interleaved left and right, into `out`.
    void Render(float* out, std::size_t frames);

    double GetSampleRate() const { return m_sampleRate; }
    const std::string& GetSoundFont() const { return m_soundFont; }

    // For the audio driver of CSynthOutput only.
    _fluid_hashtable_t* GetSettings() const { return m_settings; }
    _fluid_synth_t* GetSynth() const { return m_synth; }

private:
    CFluidSynth() = default;

    _fluid_hashtable_t* m_settings = nullptr;   // owned (fluid settings)
    _fluid_synth_t* m_synth = nullptr;          // owned
    double m_sampleRate = 44100.0;
    std::string m_soundFont;
};

// Offline rendering: a list of timed messages becomes audio. One thread at a time.
class CSynthRenderer {
public:
    // A renderer on `soundFont` (by default the one FindSoundFont finds).
    explicit CSynthRenderer(double sampleRate = 44100.0, const std::string& soundFont = FindSoundFont());
    ~CSynthRenderer();

    // Whether the synthesizer could be made; a renderer that is not ready renders silence.
    bool IsReady() const { return m_synth != nullptr; }
    double GetSampleRate() const { return m_sampleRate; }

    // Messages at `ms` milliseconds from the start of rendering. Events may be
    // added in any order and between renderings; one whose time has already been
    // rendered takes effect at the next frame rendered. Events of equal time keep
    // the order in which they were added.
    void AddShortMsg(DWORD ms, DWORD message);
    void AddMessage(DWORD ms, std::vector<std::uint8_t> bytes);
    // A device event of a performance at its own time: a short message (type 1) or
    // system exclusive (type 2); other types play no MIDI and are skipped.
    void AddEvent(const CPVEventData& event);

    // Renders the next `frames` stereo frames (interleaved) into `out`.
    void Render(float* out, std::size_t frames);
    std::vector<float> Render(std::size_t frames);

    // Frames rendered so far.
    std::uint64_t GetPosition() const { return m_position; }
    // The frame at which a message timed `ms` takes effect.
    std::uint64_t FrameOf(DWORD ms) const;

private:
    struct Timed {
        std::uint64_t frame;
        std::uint64_t order;                  // keeps equal times in the order added
        std::vector<std::uint8_t> bytes;
    };
    void Add(DWORD ms, std::vector<std::uint8_t> bytes);

    std::unique_ptr<CFluidSynth> m_synth;     // owned; null when not ready
    double m_sampleRate;
    std::vector<Timed> m_pending;             // sorted by frame, then order
    std::uint64_t m_position = 0;
    std::uint64_t m_order = 0;
};

// The live soft synthesizer device. One call at a time, from any thread; the
// audio driver renders on its own thread. The sound font is loaded at the first
// Open and kept until the object goes: closing (as the program does whenever it
// loses activation) silences the synthesizer and lets the sound device go, and
// opening again is quick.
class CSynthOutput {
public:
    CSynthOutput() = default;
    ~CSynthOutput();
    CSynthOutput(const CSynthOutput&) = delete;
    CSynthOutput& operator=(const CSynthOutput&) = delete;

    // Whether the device can exist here: a sound font is found.
    static bool IsAvailable();
    // The device name shown among the MIDI outputs.
    static const char* GetName();

    // Loads the sound font (the first time) and starts an audio driver when one
    // works; true once the synthesizer exists, heard or not. Opening an open device
    // is true.
    bool Open();
    // Silences the synthesizer and stops its audio driver.
    void Close();
    bool IsOpen() const { return m_open; }
    // Whether an audio driver plays what the synthesizer renders.
    bool IsHeard() const { return m_driver != nullptr; }

    // Sends at once; nothing while closed.
    void SendPacked(DWORD message);
    void SendBytes(const std::uint8_t* bytes, std::size_t length);
    void Silence();

    // The loaded synthesizer (null before the first Open), for tests and export.
    CFluidSynth* GetSynth() const { return m_synth.get(); }

private:
    // The first audio driver that starts: the one named by STAFFWRIGHT_AUDIO_DRIVER,
    // else a sound server, else the sound card directly.
    _fluid_audio_driver_t* StartDriver();

    std::unique_ptr<CFluidSynth> m_synth;       // owned; loaded at the first Open
    _fluid_audio_driver_t* m_driver = nullptr;  // owned; renders m_synth on its own thread
    bool m_open = false;
};

// The backend "synth": one MIDI output of the internal-synthesizer kind when a
// sound font is found (none otherwise). Messages are played when they are due.
class CSynthBackend : public CPVMidiBackend {
public:
    std::string GetName() const override { return "synth"; }
    bool Attach(const CPVDeviceClock& clock, CPVInputSink& sink) override;
    std::vector<CPVDeviceInfo> Enumerate(int kind, int direction) override;
    bool Open(int kind, int direction, int index, const WAVEFORMATEX* format) override;
    bool Start(int kind, int direction, int index) override;
    void Close(int kind, int direction, int index) override;
    void SendMidi(int index, const CPVMidiOut& message) override;
    void StopWaves(int) override {}

    // The device, for tests.
    CSynthOutput& GetOutput() { return m_output; }

private:
    static bool IsOurs(int kind, int direction, int index);

    CSynthOutput m_output;
};
