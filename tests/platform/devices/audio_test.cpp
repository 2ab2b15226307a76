// Wave devices: the mixer that plays wave files on an output (samples through
// unchanged, volume, pan and frequency in the layer's scales, rate conversion,
// starting inside a wave, changing and stopping waves by performance and track),
// its read-ahead (a reader held up on a slow file never holds up a mix, and what it
// reads comes out in order), and the backend on a machine without a sound system.
#include "platform/devices/audio.h"

#include "platform/devices/wavefile.h"
#include "tests/platform/devices/device_support.h"
#include "tests/platform/file_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

constexpr std::uint32_t kRate = 8000;

// A 16-bit file of `frames` frames whose sample n of channel c is sample(n, c) (a
// value -1..1).
template <typename Sample>
std::string WriteWave(const file_test::TempFolder& folder, const std::string& name, std::uint32_t rate,
                      int channels, std::size_t frames, Sample sample) {
    const std::string path = folder.File(name);
    CWaveFileWrite writer(path);
    WAVEFORMATEX format;
    format.channels = static_cast<std::uint16_t>(channels);
    format.samplesPerSec = rate;
    format.bitsPerSample = 16;
    format.blockAlign = static_cast<std::uint16_t>(2 * channels);
    format.avgBytesPerSec = rate * format.blockAlign;
    writer.SetFormat(format);
    EXPECT_NE(writer.Open(0), 0);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(frames * format.blockAlign);
    for (std::size_t n = 0; n < frames; ++n) {
        for (int c = 0; c < channels; ++c) {
            const auto value = static_cast<std::int16_t>(std::lround(sample(n, c) * 32767.0));
            bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
        }
    }
    EXPECT_NE(writer.Write(bytes.data(), bytes.size()), 0);
    writer.Close();
    return path;
}

// A mono 16-bit file whose sample n is sample(n).
template <typename Sample>
std::string MakeWave(const file_test::TempFolder& folder, const std::string& name, std::uint32_t rate,
                     std::size_t frames, Sample sample) {
    return WriteWave(folder, name, rate, 1, frames, [&](std::size_t n, int) { return sample(n); });
}

// A slow ramp: consecutive samples differ little, so interpolation is near exact.
double Ramp(std::size_t n) {
    return static_cast<double>(n % 4000) / 4000.0 * 0.8 - 0.4;
}

PV_WaveParams Params(const std::string& path, int tag = 1, int track = 1) {
    PV_WaveParams params;
    params.fileName = path.c_str();
    params.tag = tag;
    params.track = track;
    return params;
}

std::vector<float> Mix(CWaveMixer& mixer, std::size_t frames) {
    std::vector<float> out(frames * mixer.GetChannels(), 99.0f);   // the mixer replaces what is there
    mixer.Mix(out.data(), frames);
    return out;
}

// The number of leading frames with sound on the left channel.
std::size_t SoundingFrames(const std::vector<float>& stereo) {
    std::size_t last = 0;
    for (std::size_t i = 0; i < stereo.size() / 2; ++i)
        if (stereo[i * 2] != 0.0f)
            last = i + 1;
    return last;
}

// Holds a reader up: reads that pass it wait while it is closed. A read waits 30
// seconds at most, so that a mix that waited for it fails the test, not hangs it.
class Gate {
public:
    void Pass() {
        std::unique_lock lock(m_lock);
        ++m_waiting;
        m_changed.notify_all();
        if (!m_changed.wait_for(lock, std::chrono::seconds(30), [this] { return m_open; }))
            m_timedOut = true;
        --m_waiting;
    }
    // True once a read waits at the gate (within 10 seconds).
    bool WaitForReader() {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, std::chrono::seconds(10), [this] { return m_waiting > 0; });
    }
    bool IsReaderWaiting() {
        std::lock_guard lock(m_lock);
        return m_waiting > 0 && !m_timedOut;
    }
    void Open() {
        std::lock_guard lock(m_lock);
        m_open = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_open = false;
    bool m_timedOut = false;
    int m_waiting = 0;
};

// Opens the gate when the scope ends, before the mixer declared ahead of it goes.
struct OpenAtExit {
    Gate& gate;
    ~OpenAtExit() { gate.Open(); }
};

// A wave file whose reads after the first `freeReads` pass the gate; it may claim
// more frames than the file has (a file cut short after its header was written).
class GatedFile : public CWaveSource {
public:
    GatedFile(Gate& gate, int freeReads, std::uint64_t claimed) : m_gate(gate), m_freeReads(freeReads), m_claimed(claimed) {}
    bool Open(const std::string& path) { return m_file.Open(path); }

    int GetChannels() const override { return m_file.GetChannels(); }
    std::uint32_t GetSampleRate() const override { return m_file.GetSampleRate(); }
    std::uint64_t GetFrames() const override { return m_claimed ? m_claimed : m_file.GetFrames(); }
    std::size_t Read(float* out, std::size_t frames) override {
        if (m_reads++ >= m_freeReads)
            m_gate.Pass();
        return m_file.Read(out, frames);
    }
    bool Seek(std::uint64_t frame) override { return m_file.Seek(frame); }

private:
    Gate& m_gate;
    const int m_freeReads;
    const std::uint64_t m_claimed;
    int m_reads = 0;
    CWaveFileRead m_file;
};

// Opens every wave as a GatedFile: the read of the first block (which Play makes)
// goes through, the reader's wait at the gate.
CWaveOpener GatedOpener(Gate& gate, std::uint64_t claimed = 0) {
    return [&gate, claimed](const std::string& path) -> std::unique_ptr<CWaveSource> {
        auto file = std::make_unique<GatedFile>(gate, 1, claimed);
        if (!file->Open(path))
            return nullptr;
        return file;
    };
}

// The file's frames as the mixer reads them, stereo.
std::vector<float> StereoFrames(const std::string& path) {
    CWaveFileRead file;
    EXPECT_TRUE(file.Open(path));
    const int channels = file.GetChannels();
    std::vector<float> raw(file.GetFrames() * channels);
    raw.resize(file.Read(raw.data(), file.GetFrames()) * channels);
    std::vector<float> stereo;
    for (std::size_t n = 0; n < raw.size() / channels; ++n) {
        stereo.push_back(raw[n * channels]);
        stereo.push_back(raw[n * channels + (channels > 1 ? 1 : 0)]);
    }
    return stereo;
}

// Mixes one callback's worth into `played`, without the frames that sounded as
// silence because the reader had not got there (they end the callback); returns
// how many those were.
std::uint64_t MixPlayed(CWaveMixer& mixer, std::size_t frames, std::vector<float>& played) {
    const std::uint64_t before = mixer.GetUnderrunFrames();
    const auto out = Mix(mixer, frames);
    const std::uint64_t missed = mixer.GetUnderrunFrames() - before;
    EXPECT_LE(missed, frames);
    const std::size_t kept = (frames - std::min<std::size_t>(missed, frames)) * 2;
    played.insert(played.end(), out.begin(), out.begin() + static_cast<std::ptrdiff_t>(kept));
    return missed;
}

// Mixes until every wave has ended, giving a reader that has fallen behind a moment
// after each callback it missed; false when they have not ended after `limit` callbacks.
bool MixToTheEnd(CWaveMixer& mixer, std::vector<float>& played, int limit = 5000) {
    for (int call = 0; call < limit && mixer.GetVoiceCount() > 0; ++call)
        if (MixPlayed(mixer, 512, played) > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return mixer.GetVoiceCount() == 0;
}

// Stereo samples that differ from one frame to the next and between the sides, so a
// frame out of place or a side swapped shows.
double Scattered(std::size_t n, int channel) {
    return static_cast<double>((n * 7919 + static_cast<std::size_t>(channel) * 104729) % 20011) / 20011.0 * 1.6 - 0.8;
}

}  // namespace

TEST(WaveMixer, PlaysTheFileUnchangedAtFullVolume) {
    file_test::TempFolder folder;
    const auto path = MakeWave(folder, "ramp.wav", kRate, 3000, Ramp);
    CWaveMixer mixer(kRate, 2);
    ASSERT_TRUE(mixer.Play(Params(path)));
    // Mixed in pieces that cut across the mixer's reading blocks.
    std::vector<float> out;
    while (mixer.GetVoiceCount() > 0 && out.size() < 20000) {
        const auto piece = Mix(mixer, 777);
        out.insert(out.end(), piece.begin(), piece.end());
    }
    EXPECT_EQ(mixer.GetVoiceCount(), 0u);   // let go at its end
    ASSERT_GE(out.size(), 3000u * 2);
    std::size_t wrong = 0;
    for (std::size_t n = 0; n < 3000; ++n)
        wrong += std::fabs(out[n * 2] - Ramp(n)) > 1e-4 || out[n * 2 + 1] != out[n * 2];
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(SoundingFrames(out), 3000u);
    EXPECT_EQ(Mix(mixer, 10), std::vector<float>(20, 0.0f));
}

TEST(WaveMixer, VolumePanAndFrequencyValues) {
    const struct { PV_DSParams element, track; double left, right, rate; } cases[] = {
        {{0, 0, 0}, {0, 0, 0}, 1.0, 1.0, 1.0},
        {{0, -600, 0}, {0, 0, 0}, 0.501, 0.501, 1.0},           // -6 dB: half
        {{0, -300, 0}, {0, -300, 0}, 0.501, 0.501, 1.0},        // element and track add
        {{0, -10000, 0}, {0, 0, 0}, 0.0, 0.0, 1.0},             // silent
        {{0, -6000, 0}, {0, -6000, 0}, 0.0, 0.0, 1.0},          // beyond silent
        {{0, 500, 0}, {0, 0, 0}, 1.0, 1.0, 1.0},                // never louder than full
        {{10000, 0, 0}, {0, 0, 0}, 0.00001, 1.0, 1.0},          // hard right
        {{-1000, 0, 0}, {-1000, 0, 0}, 1.0, 0.1, 1.0},          // 20 dB to the left
        {{20000, 0, 0}, {0, 0, 0}, 0.00001, 1.0, 1.0},          // pan beyond the end
        {{0, 0, 10000}, {0, 0, 0}, 1.0, 1.0, 2.0},              // an octave up
        {{0, 0, -5000}, {0, 0, -5000}, 1.0, 1.0, 0.5},          // an octave down, added
        {{0, 0, 5000}, {0, 0, 0}, 1.0, 1.0, std::sqrt(2.0)},
    };
    for (const auto& c : cases) {
        const auto shape = CWaveMixer::ShapeOf(c.element, c.track);
        EXPECT_NEAR(shape.left, c.left, 0.001) << c.element.pan << " " << c.element.volume;
        EXPECT_NEAR(shape.right, c.right, 0.001) << c.element.pan << " " << c.element.volume;
        EXPECT_NEAR(shape.rate, c.rate, 1e-9) << c.element.frequency;
    }
}

TEST(WaveMixer, ShapesWhatItPlays) {
    file_test::TempFolder folder;
    const auto path = MakeWave(folder, "ramp.wav", kRate, 2000, Ramp);
    // Half volume, to the left, an octave up: half as long, every other sample.
    CWaveMixer mixer(kRate, 2);
    auto params = Params(path);
    params.element = {-2000, -600, 0};
    params.trackParams = {0, 0, 10000};
    ASSERT_TRUE(mixer.Play(params));
    const auto out = Mix(mixer, 2000);
    EXPECT_EQ(SoundingFrames(out), 1000u);
    for (std::size_t n : {1u, 100u, 999u}) {
        EXPECT_NEAR(out[n * 2], Ramp(2 * n) * 0.501, 1e-3) << n;
        EXPECT_NEAR(out[n * 2 + 1], Ramp(2 * n) * 0.501 * 0.1, 1e-3) << n;
    }

    // A file at half the output's rate lasts twice as many output frames; a mono
    // output takes both sides.
    const auto slow = MakeWave(folder, "slow.wav", kRate / 2, 500, [](std::size_t) { return 0.5; });
    CWaveMixer mono(kRate, 1);
    ASSERT_TRUE(mono.Play(Params(slow)));
    const auto monoOut = Mix(mono, 1200);
    EXPECT_NEAR(monoOut[10], 0.5, 1e-4);
    EXPECT_NEAR(monoOut[997], 0.5, 1e-4);
    EXPECT_EQ(monoOut[1001], 0.0f);
}

TEST(WaveMixer, StartsInsideAWaveThatBeganEarlier) {
    file_test::TempFolder folder;
    const auto path = MakeWave(folder, "ramp.wav", kRate, 4000, Ramp);
    CWaveMixer mixer(kRate, 2);
    ASSERT_TRUE(mixer.Play(Params(path), 250));   // 250 ms = 2,000 frames in
    const auto out = Mix(mixer, 4000);
    EXPECT_EQ(SoundingFrames(out), 2000u);
    EXPECT_NEAR(out[0], Ramp(2000), 1e-4);
    // Begun so long ago that it is over: nothing plays.
    EXPECT_TRUE(mixer.Play(Params(path), 600));
    EXPECT_EQ(mixer.GetVoiceCount(), 0u);
    // A file that cannot be read, or no file.
    EXPECT_FALSE(mixer.Play(Params(folder.File("missing.wav"))));
    PV_WaveParams none;
    EXPECT_FALSE(mixer.Play(none));
}

TEST(WaveMixer, ChangesAndStopsWavesByPerformanceAndTrack) {
    file_test::TempFolder folder;
    const auto a = MakeWave(folder, "a.wav", kRate, 8000, [](std::size_t) { return 0.25; });
    const auto b = MakeWave(folder, "b.wav", kRate, 8000, [](std::size_t) { return 0.125; });
    CWaveMixer mixer(kRate, 2);
    ASSERT_TRUE(mixer.Play(Params(a, 1, 1)));
    ASSERT_TRUE(mixer.Play(Params(b, 1, 2)));
    ASSERT_TRUE(mixer.Play(Params(b, 2, 1)));
    EXPECT_NEAR(Mix(mixer, 10)[0], 0.5, 1e-4);

    // Track 1 of performance 1 is silenced, whichever file it plays (null name).
    PV_WaveParams track;
    track.tag = 1;
    track.track = 1;
    track.trackParams.volume = -10000;
    track.element.volume = 777;   // the element part of a track change is not used
    mixer.SetParams(track);
    EXPECT_NEAR(Mix(mixer, 10)[0], 0.25, 1e-4);
    // With a file name only that file's wave changes, element part included.
    auto element = Params(b, 1, 2);
    element.element.pan = 10000;
    mixer.SetParams(element);
    const auto panned = Mix(mixer, 10);
    EXPECT_NEAR(panned[0], 0.125, 1e-4);
    EXPECT_NEAR(panned[1], 0.25, 1e-4);

    mixer.Stop(2);
    EXPECT_EQ(mixer.GetVoiceCount(), 2u);
    EXPECT_NEAR(Mix(mixer, 10)[1], 0.125, 1e-4);
    mixer.Stop(0);
    EXPECT_EQ(mixer.GetVoiceCount(), 0u);
}

TEST(WaveMixer, LoudWavesTogetherNeverLeaveTheRange) {
    file_test::TempFolder folder;
    const auto loud = MakeWave(folder, "loud.wav", kRate, 100, [](std::size_t n) { return n % 2 ? 0.9 : -0.9; });
    CWaveMixer mixer(kRate, 2);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(mixer.Play(Params(loud)));
    for (float sample : Mix(mixer, 100)) {
        EXPECT_LE(sample, 1.0f);
        EXPECT_GE(sample, -1.0f);
    }
}

TEST(WaveMixer, AMixNeverWaitsForTheReaderAndPlaysTheFileInOrder) {
    // Longer than the read-ahead ring, so it wraps; played at the file's rate and at
    // four file frames to an output frame (a reader outrun by its player).
    const std::size_t kFrames = CWaveStream::kRingFrames + 4464;
    for (const std::uint32_t fileRate : {kRate, 4 * kRate}) {
        SCOPED_TRACE(fileRate);
        const std::size_t step = fileRate / kRate;
        file_test::TempFolder folder;
        const auto path = WriteWave(folder, "scattered.wav", fileRate, 2, kFrames, Scattered);
        const auto file = StereoFrames(path);
        ASSERT_EQ(file.size(), kFrames * 2);

        Gate gate;
        CWaveMixer mixer(kRate, 2, GatedOpener(gate));
        OpenAtExit opener{gate};
        ASSERT_TRUE(mixer.Play(Params(path)));
        ASSERT_TRUE(gate.WaitForReader());

        // While the reader is held up, every mix returns: the first block (read by
        // Play) sounds, then silence, counted as underrun frames.
        std::vector<float> played;
        std::uint64_t missed = 0;
        for (int call = 0; call < 16; ++call)
            missed += MixPlayed(mixer, 512, played);
        EXPECT_TRUE(gate.IsReaderWaiting());   // every mix ended while the read waited
        const std::size_t before = played.size() / 2;
        EXPECT_GT(before, 0u);
        EXPECT_LE(before, CWaveStream::kBlockFrames / step);
        EXPECT_EQ(missed, 16 * 512 - before);
        EXPECT_EQ(mixer.GetUnderrunFrames(), missed);
        EXPECT_EQ(mixer.GetVoiceCount(), 1u);

        // Once the reader goes on, the wave goes on from where it stopped: every frame
        // of the file comes out once, in order, and the wave ends at the file's end.
        gate.Open();
        ASSERT_TRUE(MixToTheEnd(mixer, played));
        const std::size_t expected = (kFrames + step - 1) / step;
        ASSERT_GE(played.size(), expected * 2);
        std::size_t wrong = 0;
        for (std::size_t n = 0; n < expected; ++n)
            wrong += played[n * 2] != file[n * step * 2] || played[n * 2 + 1] != file[n * step * 2 + 1];
        EXPECT_EQ(wrong, 0u);
        for (std::size_t i = expected * 2; i < played.size(); ++i)
            ASSERT_EQ(played[i], 0.0f) << "after the end, frame " << i / 2;
    }
}

TEST(WaveMixer, StartingAndStoppingNeverWaitForTheReader) {
    file_test::TempFolder folder;
    const auto a = MakeWave(folder, "a.wav", kRate, 20000, [](std::size_t) { return 0.25; });
    const auto b = MakeWave(folder, "b.wav", kRate, 20000, [](std::size_t) { return 0.125; });
    Gate gate;
    CWaveMixer mixer(kRate, 2, GatedOpener(gate));
    OpenAtExit opener{gate};
    ASSERT_TRUE(mixer.Play(Params(a, 1)));
    ASSERT_TRUE(gate.WaitForReader());
    // A second wave starts and sounds while the reader waits on the first one's file.
    ASSERT_TRUE(mixer.Play(Params(b, 2)));
    EXPECT_NEAR(Mix(mixer, 10)[0], 0.375, 1e-4);
    mixer.Stop(1);
    EXPECT_NEAR(Mix(mixer, 10)[0], 0.125, 1e-4);
    mixer.Stop(0);
    EXPECT_EQ(mixer.GetVoiceCount(), 0u);
    EXPECT_TRUE(gate.IsReaderWaiting());
    EXPECT_EQ(Mix(mixer, 10), std::vector<float>(20, 0.0f));
}

TEST(WaveMixer, AFileShorterThanItClaimsEndsWhereItsFramesEnd) {
    // The header promises 20,000 frames; the data holds 6,000. The wave plays those
    // and is let go, rather than waiting for the rest for ever.
    file_test::TempFolder folder;
    const auto path = MakeWave(folder, "short.wav", kRate, 6000, Ramp);
    Gate gate;
    gate.Open();
    CWaveMixer mixer(kRate, 2, GatedOpener(gate, 20000));
    ASSERT_TRUE(mixer.Play(Params(path)));
    std::vector<float> played;
    ASSERT_TRUE(MixToTheEnd(mixer, played));
    ASSERT_GE(played.size(), 6000u * 2);
    EXPECT_EQ(SoundingFrames(played), 6000u);
    EXPECT_NEAR(played[5999 * 2], Ramp(5999), 1e-4);
}

TEST(AudioBackend, WithoutASoundSystemThereAreNoWaveDevices) {
    CPVDeviceClock clock(0);
    device_test::NullSink sink;
    CAudioBackend backend;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(backend.Attach(clock, sink));
    const auto outputs = backend.Enumerate(PV_WAVE, PV_OUTPUT);
    const auto inputs = backend.Enumerate(PV_WAVE, PV_INPUT);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(backend.Enumerate(PV_MIDI, PV_OUTPUT).empty());
    if (!backend.GetSystemName().empty())
        GTEST_SKIP() << "this machine has a sound system: " << backend.GetSystemName();
    EXPECT_TRUE(outputs.empty());
    EXPECT_TRUE(inputs.empty());
    WAVEFORMATEX format;
    format.channels = 2;
    format.samplesPerSec = 44100;
    format.bitsPerSample = 16;
    format.blockAlign = 4;
    EXPECT_FALSE(backend.Open(PV_WAVE, PV_OUTPUT, 0, &format));
    EXPECT_FALSE(backend.Start(PV_WAVE, PV_OUTPUT, 0));
    EXPECT_EQ(backend.SetFormat(PV_WAVE, PV_OUTPUT, 0, format), PVFormatResult::KEPT);
    backend.PlayWave(0, 0, PV_WaveParams{});
    backend.StopWaves(0);
    backend.Close(PV_WAVE, PV_OUTPUT, 0);
}
