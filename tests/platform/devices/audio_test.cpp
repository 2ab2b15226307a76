// Wave devices: the mixer that plays wave files on an output (samples through
// unchanged, volume, pan and frequency in the layer's scales, rate conversion,
// starting inside a wave, changing and stopping waves by performance and track),
// and the backend on a machine without a sound system.
#include "platform/devices/audio.h"

#include "platform/devices/wavefile.h"
#include "tests/platform/devices/device_support.h"
#include "tests/platform/file_support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr std::uint32_t kRate = 8000;

// A mono 16-bit file of `frames` frames whose sample n is sample(n) (a value -1..1).
template <typename Sample>
std::string MakeWave(const file_test::TempFolder& folder, const std::string& name, std::uint32_t rate,
                     std::size_t frames, Sample sample) {
    const std::string path = folder.File(name);
    CWaveFileWrite writer(path);
    WAVEFORMATEX format;
    format.channels = 1;
    format.samplesPerSec = rate;
    format.bitsPerSample = 16;
    format.blockAlign = 2;
    format.avgBytesPerSec = rate * 2;
    writer.SetFormat(format);
    EXPECT_NE(writer.Open(0), 0);
    std::vector<std::uint8_t> bytes(frames * 2);
    for (std::size_t n = 0; n < frames; ++n) {
        const auto value = static_cast<std::int16_t>(std::lround(sample(n) * 32767.0));
        bytes[n * 2] = static_cast<std::uint8_t>(value & 0xFF);
        bytes[n * 2 + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    }
    EXPECT_NE(writer.Write(bytes.data(), bytes.size()), 0);
    writer.Close();
    return path;
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
