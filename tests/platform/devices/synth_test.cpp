// The soft synthesizer: the sound-font search, and offline rendering of a short
// note sequence measured for its length, its silence before the first note, its
// sound while notes play, and independence from how the rendering is cut up.
#include "platform/devices/synth.h"

#include "tests/platform/devices/device_support.h"
#include "tests/platform/file_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {

// The small General MIDI font the tests render with.
constexpr const char* kTestFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
constexpr double kRate = 44100.0;
// FluidSynth adds a tiny noise floor against denormals; below this is silence.
constexpr float kSilent = 1e-4f;

DWORD NoteOn(int channel, int key, int velocity) {
    return 0x90 | channel | (key << 8) | (velocity << 16);
}
DWORD NoteOff(int channel, int key) {
    return 0x80 | channel | (key << 8) | (64 << 16);
}

struct Level {
    double rms = 0.0;
    float peak = 0.0f;
};

// The level of frames [from, to) of interleaved stereo audio.
Level Measure(const std::vector<float>& audio, std::size_t from, std::size_t to) {
    Level level;
    double sum = 0.0;
    for (std::size_t i = from * 2; i < to * 2 && i < audio.size(); ++i) {
        sum += static_cast<double>(audio[i]) * audio[i];
        level.peak = std::max(level.peak, std::fabs(audio[i]));
    }
    if (to > from)
        level.rms = std::sqrt(sum / static_cast<double>((to - from) * 2));
    return level;
}

// The first frame of which a sample is heard, or the frame count when none is.
std::size_t FirstHeardFrame(const std::vector<float>& audio) {
    for (std::size_t i = 0; i < audio.size(); ++i)
        if (std::fabs(audio[i]) > kSilent)
            return i / 2;
    return audio.size() / 2;
}

// A short phrase: a piano chord from 200 ms to 700 ms, then a drum hit at 800 ms.
void AddPhrase(CSynthRenderer& renderer) {
    renderer.AddShortMsg(0, 0xC0 | (0 << 8));   // piano on channel 1
    for (int key : {60, 64, 67}) {
        renderer.AddShortMsg(200, NoteOn(0, key, 100));
        renderer.AddShortMsg(700, NoteOff(0, key));
    }
    renderer.AddShortMsg(800, NoteOn(9, 38, 110));   // snare on the drum channel
    renderer.AddShortMsg(900, NoteOff(9, 38));
}

class SynthTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kTestFont))
            GTEST_SKIP() << "the test sound font (package timgm6mb-soundfont) is not installed";
    }
};

}  // namespace

TEST(SynthSoundFont, SearchOrder) {
    file_test::TempFolder folder;
    const std::string fluid = folder.File("FluidR3_GM.sf2"), tim = folder.File("TimGM6mb.sf2"),
                      other = folder.File("b_other.sf2"), first = folder.File("a_first.sf2"),
                      mine = folder.File("mine.sf2");
    // What a sound font's file begins with; the search looks no further.
    const std::string font("RIFF\x04\0\0\0sfbk", 12);
    for (const auto& path : {other, first, mine})
        file_test::WriteText(path, font);
    // No named font: the other fonts in name order; a file of another name or kind is
    // never taken.
    file_test::WriteText(folder.File("0.txt"), font);
    file_test::WriteText(folder.File("0.sf2"), "RIFF\x04\0\0\0WAVE");
    EXPECT_EQ(FindSoundFont(nullptr, folder.path), first);
    file_test::WriteText(tim, "not a sound font");
    EXPECT_EQ(FindSoundFont(nullptr, folder.path), first);
    file_test::WriteText(tim, font);
    EXPECT_EQ(FindSoundFont(nullptr, folder.path), tim);
    file_test::WriteText(fluid, font);
    EXPECT_EQ(FindSoundFont(nullptr, folder.path), fluid);
    // The environment's choice wins when it exists, and is passed over when it does not.
    EXPECT_EQ(FindSoundFont(mine.c_str(), folder.path), mine);
    EXPECT_EQ(FindSoundFont(folder.File("missing.sf2").c_str(), folder.path), fluid);
    EXPECT_EQ(FindSoundFont("", folder.path), fluid);
    EXPECT_EQ(FindSoundFont(nullptr, folder.File("no-such-folder")), "");
}

TEST(SynthSoundFont, AFileThatIsNoSoundFontMakesNoSynthesizer) {
    file_test::TempFolder folder;
    file_test::WriteText(folder.File("bad.sf2"), std::string(4096, 'R'));
    // A sound font's beginning and nothing more: FluidSynth refuses it.
    file_test::WriteText(folder.File("cut.sf2"), std::string("RIFF\x00\x10\0\0sfbkLIST", 16));
    testing::internal::CaptureStderr();
    EXPECT_EQ(CFluidSynth::Create(folder.File("bad.sf2")), nullptr);
    EXPECT_EQ(CFluidSynth::Create(""), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");   // a foreign file never reaches FluidSynth
    EXPECT_EQ(CFluidSynth::Create(folder.File("cut.sf2")), nullptr);
    CSynthRenderer renderer(kRate, folder.File("bad.sf2"));
    EXPECT_FALSE(renderer.IsReady());
    // Not ready still renders the frames asked for, as silence.
    renderer.AddShortMsg(0, NoteOn(0, 60, 100));
    const auto audio = renderer.Render(100);
    EXPECT_EQ(audio.size(), 200u);
    EXPECT_EQ(Measure(audio, 0, 100).peak, 0.0f);
}

TEST_F(SynthTest, OfflineRenderingOfANoteSequence) {
    CSynthRenderer renderer(kRate, kTestFont);
    ASSERT_TRUE(renderer.IsReady());
    AddPhrase(renderer);
    const std::size_t frames = static_cast<std::size_t>(kRate * 1.5);   // 1.5 s
    const auto audio = renderer.Render(frames);

    // The right length: exactly the frames asked for, in stereo.
    ASSERT_EQ(audio.size(), frames * 2);
    EXPECT_EQ(renderer.GetPosition(), frames);

    // Silence until the chord, then sound from its time on (FluidSynth applies
    // events at its 64-frame block boundaries; the piano's attack is short).
    const std::size_t chordAt = renderer.FrameOf(200);
    const std::size_t heard = FirstHeardFrame(audio);
    EXPECT_GE(heard + 64, chordAt);
    EXPECT_LE(heard, chordAt + static_cast<std::size_t>(kRate * 0.02));

    // Non-silent while the chord sounds, and the drum is heard too.
    const Level chord = Measure(audio, chordAt, renderer.FrameOf(700));
    EXPECT_GT(chord.rms, 0.01);
    EXPECT_GT(chord.peak, 0.05f);
    EXPECT_LE(chord.peak, 1.0f);
    const Level drum = Measure(audio, renderer.FrameOf(800), renderer.FrameOf(900));
    EXPECT_GT(drum.rms, 0.005);

    // The notes were let go: the end is far quieter than the chord.
    const Level tail = Measure(audio, frames - static_cast<std::size_t>(kRate * 0.1), frames);
    EXPECT_LT(tail.rms, chord.rms / 10);
}

TEST_F(SynthTest, RenderingInPiecesMatchesRenderingAtOnce) {
    // Events fall inside pieces and on their edges; none may be lost or moved.
    CSynthRenderer whole(kRate, kTestFont), pieces(kRate, kTestFont);
    AddPhrase(whole);
    AddPhrase(pieces);
    const std::size_t frames = static_cast<std::size_t>(kRate);
    const auto expected = whole.Render(frames);
    std::vector<float> actual;
    for (std::size_t done = 0, size = 1; done < frames; size = size * 3 % 1000 + 1) {
        const std::size_t piece = std::min(size, frames - done);
        const auto part = pieces.Render(piece);
        actual.insert(actual.end(), part.begin(), part.end());
        done += piece;
    }
    ASSERT_EQ(actual.size(), expected.size());
    EXPECT_EQ(FirstHeardFrame(actual), FirstHeardFrame(expected));
    const Level a = Measure(actual, 0, frames), b = Measure(expected, 0, frames);
    EXPECT_NEAR(a.rms, b.rms, b.rms * 0.02);
}

TEST_F(SynthTest, EventsAddedLateOrOutOfOrder) {
    CSynthRenderer renderer(kRate, kTestFont);
    renderer.AddShortMsg(300, NoteOff(0, 60));
    renderer.AddShortMsg(100, NoteOn(0, 60, 100));   // earlier than one already added
    auto first = renderer.Render(renderer.FrameOf(50));
    EXPECT_LT(Measure(first, 0, first.size() / 2).peak, kSilent);
    auto middle = renderer.Render(renderer.FrameOf(200));   // 50 ms .. 250 ms
    EXPECT_GT(Measure(middle, renderer.FrameOf(60), middle.size() / 2).rms, 0.003);

    // A message whose time has passed sounds at the next frame rendered.
    CSynthRenderer late(kRate, kTestFont);
    late.Render(late.FrameOf(100));
    late.AddShortMsg(10, NoteOn(0, 72, 110));
    const auto after = late.Render(late.FrameOf(100));
    EXPECT_LT(FirstHeardFrame(after), late.FrameOf(20));
}

TEST_F(SynthTest, RendersThePerformancesDeviceEvents) {
    // The events a performance hands the device library render as the same messages would.
    CSynthRenderer fromEvents(kRate, kTestFont), fromMessages(kRate, kTestFont);
    const std::uint8_t reset[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    fromEvents.AddEvent(*CPVEventData::MakeSysEx(0, 0, reset, sizeof reset));
    fromEvents.AddEvent(*CPVEventData::MakeShort(100, 0, NoteOn(0, 67, 90)));
    fromEvents.AddEvent(*CPVEventData::MakeShort(300, 0, NoteOff(0, 67)));
    PV_WaveParams wave;
    wave.fileName = "x.wav";
    fromEvents.AddEvent(*CPVEventData::MakeWavePlay(100, 0, wave));   // no MIDI: skipped
    fromMessages.AddMessage(0, {reset, reset + sizeof reset});
    fromMessages.AddShortMsg(100, NoteOn(0, 67, 90));
    fromMessages.AddShortMsg(300, NoteOff(0, 67));
    const auto a = fromEvents.Render(22050), b = fromMessages.Render(22050);
    EXPECT_EQ(FirstHeardFrame(a), FirstHeardFrame(b));
    EXPECT_GT(Measure(a, 0, 22050).rms, 0.003);
    EXPECT_NEAR(Measure(a, 0, 22050).rms, Measure(b, 0, 22050).rms, 1e-6);
}

TEST_F(SynthTest, SystemMessagesAndBadBytes) {
    CSynthRenderer renderer(kRate, kTestFont);
    // Bytes without a status, cut-short messages and an empty exclusive are ignored.
    renderer.AddMessage(0, {0x3C, 0x64});
    renderer.AddMessage(0, {0x90});
    renderer.AddMessage(0, {0xF0, 0xF7});
    renderer.AddMessage(0, {});
    EXPECT_LT(Measure(renderer.Render(2000), 0, 2000).peak, kSilent);
    // A General MIDI reset exclusive is taken; the note after it sounds.
    renderer.AddMessage(50, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
    renderer.AddShortMsg(60, NoteOn(0, 60, 100));
    EXPECT_GT(Measure(renderer.Render(renderer.FrameOf(200)), 0, renderer.FrameOf(200)).rms, 0.005);
    // A system reset (FF) silences what sounds.
    renderer.AddMessage(renderer.GetPosition() * 1000 / 44100 + 1, {0xFF});
    renderer.Render(renderer.FrameOf(300));
    const auto after = renderer.Render(renderer.FrameOf(100));
    EXPECT_LT(Measure(after, 0, after.size() / 2).rms, 0.002);
}

TEST_F(SynthTest, TheDeviceIsAnInternalSynthesizerThatPlaysWhatItIsSent) {
    CPVDeviceClock clock(0);
    device_test::NullSink sink;
    setenv("STAFFWRIGHT_SOUNDFONT", kTestFont, 1);
    CSynthBackend backend;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(backend.Attach(clock, sink));
    EXPECT_TRUE(backend.Enumerate(PV_MIDI, PV_INPUT).empty());
    EXPECT_TRUE(backend.Enumerate(PV_WAVE, PV_OUTPUT).empty());
    const auto outputs = backend.Enumerate(PV_MIDI, PV_OUTPUT);
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_EQ(outputs[0].technology, PV_TECH_SYNTH);
    EXPECT_FALSE(outputs[0].name.empty());
    EXPECT_FALSE(backend.Open(PV_MIDI, PV_OUTPUT, 1, nullptr));
    // Without a sound system it still opens: it plays, silently.
    ASSERT_TRUE(backend.Open(PV_MIDI, PV_OUTPUT, 0, nullptr));
    EXPECT_TRUE(backend.Start(PV_MIDI, PV_OUTPUT, 0));
    // Driver complaints of a machine without sound go to the trace only.
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    unsetenv("STAFFWRIGHT_SOUNDFONT");

    CSynthOutput& output = backend.GetOutput();
    ASSERT_NE(output.GetSynth(), nullptr);
    if (output.IsHeard())
        GTEST_SKIP() << "an audio driver renders this synthesizer; its frames are not ours to take";
    const std::uint8_t note[] = {0x90, 69, 120};
    CPVMidiOut message;
    message.bytes = note;
    message.length = 3;
    backend.SendMidi(0, message);
    std::vector<float> audio(4410 * 2);
    output.GetSynth()->Render(audio.data(), 4410);
    EXPECT_GT(Measure(audio, 0, 4410).rms, 0.003);
    // Closing silences it (what remains is the reverberation dying away); what is sent
    // while closed is not played.
    backend.Close(PV_MIDI, PV_OUTPUT, 0);
    backend.SendMidi(0, message);
    audio.resize(44100 * 2);
    output.GetSynth()->Render(audio.data(), 44100);
    EXPECT_LT(Measure(audio, 22050, 44100).peak, kSilent);
    ASSERT_TRUE(backend.Open(PV_MIDI, PV_OUTPUT, 0, nullptr));
    backend.Close(PV_MIDI, PV_OUTPUT, 0);
}
