// Wave files: recorded blocks written and read back sample for sample in every
// format a wave device records in, the durations of writer and file, and files
// that are missing, empty, cut short or no wave file at all.
#include "platform/devices/wavefile.h"

#include "tests/platform/file_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

namespace {

WAVEFORMATEX Format(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits,
                    std::uint16_t tag = WAVE_FORMAT_PCM) {
    WAVEFORMATEX format;
    format.formatTag = tag;
    format.channels = channels;
    format.samplesPerSec = rate;
    format.bitsPerSample = bits;
    format.blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    format.avgBytesPerSec = rate * format.blockAlign;
    return format;
}

// The value libsndfile reads back for the sample at `at`, scaled to -1..1.
double SampleValue(const std::vector<std::uint8_t>& bytes, std::size_t at, const WAVEFORMATEX& format) {
    const std::size_t width = format.bitsPerSample / 8;
    const std::uint8_t* p = bytes.data() + at * width;
    if (format.formatTag == 3) {
        float value;
        std::memcpy(&value, p, 4);
        return value;
    }
    if (width == 1)
        return (p[0] - 128) / 128.0;
    std::int64_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value |= std::int64_t(p[i]) << (8 * i);
    const std::int64_t sign = std::int64_t(1) << (8 * width - 1);
    value = (value ^ sign) - sign;   // sign-extend
    return static_cast<double>(value) / static_cast<double>(sign);
}

// `frames` frames of a sweep of values through the format's whole range.
std::vector<std::uint8_t> MakeSamples(const WAVEFORMATEX& format, std::size_t frames) {
    std::vector<std::uint8_t> bytes(frames * format.blockAlign);
    if (format.formatTag == 3) {
        for (std::size_t i = 0; i < bytes.size() / 4; ++i) {
            const float value = static_cast<float>(std::sin(static_cast<double>(i) * 0.01));
            std::memcpy(&bytes[i * 4], &value, 4);
        }
        return bytes;
    }
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 37 + i / 7);
    return bytes;
}

}  // namespace

TEST(WaveFile, RoundTripInEveryRecordingFormat) {
    file_test::TempFolder folder;
    const struct { WAVEFORMATEX format; std::size_t frames; DWORD ms; } cases[] = {
        {Format(8000, 1, 8), 8000, 1000},
        {Format(11025, 2, 8), 5513, 500},      // 500.0453... ms, rounded down
        {Format(22050, 1, 16), 2205, 100},
        {Format(44100, 2, 16), 44100 * 2 + 441, 2010},
        {Format(48000, 2, 24), 4800, 100},
        {Format(48000, 1, 32, 3), 480, 10},    // float
    };
    for (const auto& c : cases) {
        const std::string path = folder.File("take.wav");
        const auto samples = MakeSamples(c.format, c.frames);
        CWaveFileWrite writer(path);
        PV_DevFormat device;
        device.format = c.format;
        writer.SetFormat(device);
        ASSERT_NE(writer.Open(0), 0) << c.format.bitsPerSample;
        // Blocks of uneven sizes that end inside frames and inside samples.
        for (std::size_t at = 0, size = 1; at < samples.size(); size = size * 7 % 997 + 3) {
            const std::size_t length = std::min(size, samples.size() - at);
            std::vector<std::uint8_t> block(samples.begin() + at, samples.begin() + at + length);
            block.resize(length + 5, 0xEE);   // room past what was recorded is never written
            WAVEHDR header;
            header.data = reinterpret_cast<char*>(block.data());
            header.bufferLength = static_cast<DWORD>(block.size());
            header.bytesRecorded = static_cast<DWORD>(length);
            ASSERT_NE(writer.Write(&header), 0);
            at += length;
        }
        writer.Close();
        EXPECT_EQ(writer.GetDuration(), c.ms);
        EXPECT_EQ(CWaveFile::FileDuration(path), c.ms);

        CWaveFileRead reader;
        ASSERT_TRUE(reader.Open(path));
        EXPECT_EQ(reader.GetChannels(), c.format.channels);
        EXPECT_EQ(reader.GetSampleRate(), c.format.samplesPerSec);
        ASSERT_EQ(reader.GetFrames(), c.frames);
        EXPECT_EQ(reader.GetDuration(), c.ms);
        std::vector<float> read(c.frames * c.format.channels);
        ASSERT_EQ(reader.Read(read.data(), c.frames), c.frames);
        const double step = c.format.formatTag == 3 ? 1e-7 : 1.0 / (1 << (c.format.bitsPerSample - 1));
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < read.size(); ++i)
            wrong += std::fabs(read[i] - SampleValue(samples, i, c.format)) > step;
        EXPECT_EQ(wrong, 0u) << c.format.bitsPerSample << "-bit, " << c.format.channels << " channels";
        EXPECT_EQ(reader.Read(read.data(), 10), 0u);   // at the end
        // Seeking back gives the same samples again.
        ASSERT_TRUE(reader.Seek(c.frames / 2));
        float again[2];
        ASSERT_EQ(reader.Read(again, 1), 1u);
        EXPECT_FLOAT_EQ(again[0], read[c.frames / 2 * c.format.channels]);
    }
}

TEST(WaveFile, NothingWrittenLastsNothing) {
    file_test::TempFolder folder;
    const std::string path = folder.File("empty.wav");
    CWaveFileWrite writer(path);
    EXPECT_EQ(writer.GetDuration(), 0u);
    writer.SetFormat(Format(44100, 2, 16));
    ASSERT_NE(writer.Open(0), 0);
    EXPECT_NE(writer.Write(nullptr, 0), 0);
    // Three bytes of a four-byte frame: never a whole frame, so nothing is recorded.
    const std::uint8_t piece[3] = {1, 2, 3};
    EXPECT_NE(writer.Write(piece, 3), 0);
    writer.Close();
    EXPECT_EQ(writer.GetDuration(), 0u);
    EXPECT_EQ(CWaveFile::FileDuration(path), 0u);
    EXPECT_EQ(std::filesystem::file_size(path), 44u);   // a header only
}

TEST(WaveFile, WriterRefusals) {
    file_test::TempFolder folder;
    const std::uint8_t bytes[4] = {};
    // No format, formats it cannot write, and derived fields that disagree.
    const WAVEFORMATEX bad[] = {
        WAVEFORMATEX{},
        Format(44100, 2, 12),
        Format(44100, 2, 16, 2),   // a compressed format
        Format(0, 2, 16),
        [] { auto f = Format(44100, 2, 16); f.blockAlign = 2; return f; }(),
    };
    for (const auto& format : bad) {
        CWaveFileWrite writer(folder.File("bad.wav"));
        writer.SetFormat(format);
        EXPECT_EQ(writer.Open(0), 0) << format.bitsPerSample;
        EXPECT_EQ(writer.Write(bytes, 4), 0);
    }
    // A folder that does not exist.
    CWaveFileWrite nowhere(folder.File("no/such/folder/take.wav"));
    nowhere.SetFormat(Format(8000, 1, 8));
    EXPECT_EQ(nowhere.Open(0), 0);

    // Writes outside open and close, a null header, a header with no buffer.
    CWaveFileWrite writer(folder.File("take.wav"));
    writer.SetFormat(Format(8000, 1, 8));
    EXPECT_EQ(writer.Write(bytes, 4), 0);
    ASSERT_NE(writer.Open(0), 0);
    EXPECT_EQ(writer.Write(static_cast<const WAVEHDR*>(nullptr)), 0);
    WAVEHDR empty;
    empty.bytesRecorded = 100;
    EXPECT_EQ(writer.Write(&empty), 0);
    // A header claiming more than its buffer: only the buffer is written.
    std::uint8_t buffer[8] = {};
    WAVEHDR lying;
    lying.data = reinterpret_cast<char*>(buffer);
    lying.bufferLength = 8;
    lying.bytesRecorded = 80000;
    EXPECT_NE(writer.Write(&lying), 0);
    // The format cannot change under an open file.
    writer.SetFormat(Format(44100, 2, 16));
    EXPECT_EQ(writer.GetFormat().samplesPerSec, 8000u);
    writer.Close();
    writer.Close();
    EXPECT_EQ(writer.Write(bytes, 4), 0);
    EXPECT_EQ(CWaveFile::FileDuration(folder.File("take.wav")), 1u);   // 8 frames at 8,000 Hz
}

TEST(WaveFile, DamagedFilesMeasureWhatCanBeRead) {
    file_test::TempFolder folder;
    const std::string good = folder.File("good.wav");
    {
        CWaveFileWrite writer(good);
        writer.SetFormat(Format(8000, 1, 16));
        ASSERT_NE(writer.Open(0), 0);
        const auto samples = MakeSamples(writer.GetFormat(), 8000);
        ASSERT_NE(writer.Write(samples.data(), samples.size()), 0);
    }   // the destructor closes
    ASSERT_EQ(CWaveFile::FileDuration(good), 1000u);
    const std::string whole = file_test::ReadText(good);

    // Cut short: the header still claims a second; what is there is measured.
    const std::string cut = folder.File("cut.wav");
    file_test::WriteText(cut, whole.substr(0, 44 + 8000));   // 4,000 frames
    EXPECT_EQ(CWaveFile::FileDuration(cut), 500u);
    CWaveFileRead reader;
    ASSERT_TRUE(reader.Open(cut));
    std::vector<float> read(8000);
    EXPECT_EQ(reader.Read(read.data(), 8000), 4000u);

    // Files that are no wave file at all, or nothing of one.
    const struct { const char* name; std::string bytes; } broken[] = {
        {"empty.wav", ""},
        {"garbage.wav", std::string(5000, '\x5A')},
        {"header-only.wav", whole.substr(0, 20)},
        {"riff-of-nothing.wav", std::string("RIFF\x04\0\0\0WAVE", 12)},
        {"zero-rate.wav", [&] { std::string bytes = whole; std::memset(&bytes[24], 0, 4); return bytes; }()},
        {"no-channels.wav", [&] { std::string bytes = whole; std::memset(&bytes[22], 0, 2); return bytes; }()},
    };
    for (const auto& file : broken) {
        const std::string path = folder.File(file.name);
        file_test::WriteText(path, file.bytes);
        EXPECT_EQ(CWaveFile::FileDuration(path), 0u) << file.name;
        EXPECT_FALSE(reader.Open(path)) << file.name;
    }
    EXPECT_EQ(CWaveFile::FileDuration(folder.File("missing.wav")), 0u);
    EXPECT_EQ(CWaveFile::FileDuration(""), 0u);
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_EQ(reader.Read(read.data(), 10), 0u);
}

TEST(WaveFile, MillisecondsOfFrames) {
    const struct { std::uint64_t frames; std::uint32_t rate; DWORD ms; } cases[] = {
        {0, 44100, 0}, {44099, 44100, 999}, {44100, 44100, 1000}, {1, 0, 0},
        {std::uint64_t(1) << 62, 8000, 0xFFFFFFFF},   // a length no file can have: clamped, never wrapped
        {std::uint64_t(0xFFFFFFFF) * 8, 8000, 0xFFFFFFFF},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CWaveFile::FramesToMs(c.frames, c.rate), c.ms) << c.frames << " at " << c.rate;
}
