// A wave's read-ahead ring, driven by hand on one thread: it fills as far as the
// ring has room and wraps, a player that has moved past the writer gets its frames
// once they are read, and a wave ends at its source's end, where a source cut short
// runs out, or at once when it cannot start. (The reader thread and the mixer on the
// audio thread are tested in audio_test.cpp.)
#include "platform/devices/wavestream.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Frame n holds n in its first channel, n + 0.5 in its second, -1 in any other:
// exact in floats, so a frame out of place shows.
class CountingSource : public CWaveSource {
public:
    CountingSource(int channels, std::uint64_t frames, std::uint64_t claimed = 0, bool seeks = true)
        : m_channels(channels), m_frames(frames), m_claimed(claimed ? claimed : frames), m_seeks(seeks) {}

    int GetChannels() const override { return m_channels; }
    std::uint32_t GetSampleRate() const override { return 8000; }
    std::uint64_t GetFrames() const override { return m_claimed; }
    std::size_t Read(float* out, std::size_t frames) override {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(frames, m_frames - m_at));
        for (std::size_t i = 0; i < count; ++i, ++m_at)
            for (int c = 0; c < m_channels; ++c)
                out[i * m_channels + c] = c == 0 ? float(m_at) : c == 1 ? float(m_at) + 0.5f : -1.0f;
        return count;
    }
    bool Seek(std::uint64_t frame) override {
        m_at = std::min(frame, m_frames);
        return m_seeks;
    }

private:
    const int m_channels;
    const std::uint64_t m_frames;
    const std::uint64_t m_claimed;
    const bool m_seeks;
    std::uint64_t m_at = 0;
};

constexpr std::uint64_t kRing = CWaveStream::kRingFrames;

// Fills until the ring is full or the source at its end; the number of fills that read.
int FillAll(CWaveStream& stream) {
    int fills = 0;
    while (stream.Fill())
        ++fills;
    return fills;
}

}  // namespace

TEST(WaveStream, FillsAsFarAsTheRingHasRoomAndWraps) {
    const std::uint64_t first = 10;
    CWaveStream stream(std::make_unique<CountingSource>(3, 4 * kRing), first);
    EXPECT_EQ(FillAll(stream), int(kRing / CWaveStream::kBlockFrames));
    float pair[4];
    ASSERT_EQ(stream.Get(first, pair), CWaveStream::Frames::READY);
    EXPECT_EQ(std::vector<float>(pair, pair + 4), (std::vector<float>{10.0f, 10.5f, 11.0f, 11.5f}));
    EXPECT_EQ(stream.Get(first + kRing - 2, pair), CWaveStream::Frames::READY);
    EXPECT_EQ(stream.Get(first + kRing - 1, pair), CWaveStream::Frames::MISSING);   // its successor is not read

    // Played frames give their room back; the new ones land where the old ones were.
    stream.Consume(first + 5000);
    EXPECT_EQ(FillAll(stream), 2);   // 4,096 frames, then the 904 left
    EXPECT_EQ(stream.Get(first + 4999 + kRing, pair), CWaveStream::Frames::MISSING);
    ASSERT_EQ(stream.Get(first + 4998 + kRing, pair), CWaveStream::Frames::READY);
    EXPECT_EQ(pair[0], float(first + 4998 + kRing));
    EXPECT_EQ(pair[3], float(first + 4999 + kRing) + 0.5f);
    ASSERT_EQ(stream.Get(first + 5000, pair), CWaveStream::Frames::READY);   // not overwritten
    EXPECT_EQ(pair[0], float(first + 5000));
}

TEST(WaveStream, APlayerAheadOfTheWriterGetsItsFramesOnceRead) {
    CWaveStream stream(std::make_unique<CountingSource>(1, 4 * kRing), 0);
    ASSERT_TRUE(stream.Fill());
    float pair[4];
    // The player skipped on (a fast playback rate) past what is read.
    stream.Consume(6000);
    EXPECT_EQ(stream.Get(6000, pair), CWaveStream::Frames::MISSING);
    ASSERT_TRUE(stream.Fill());
    ASSERT_EQ(stream.Get(6000, pair), CWaveStream::Frames::READY);
    EXPECT_EQ(std::vector<float>(pair, pair + 4), (std::vector<float>{6000.0f, 6000.0f, 6001.0f, 6001.0f}));
    // The ring counts its room from the player, not from the writer behind it.
    FillAll(stream);
    EXPECT_EQ(stream.Get(6000 + kRing - 2, pair), CWaveStream::Frames::READY);
    EXPECT_EQ(stream.Get(6000, pair), CWaveStream::Frames::READY);
    EXPECT_EQ(pair[0], 6000.0f);
}

TEST(WaveStream, EndsAtTheSourcesEnd) {
    const struct {
        const char* what;
        std::uint64_t frames, claimed, first;
        bool seeks;
        std::uint64_t end;
    } cases[] = {
        {"whole", 5000, 0, 0, true, 5000},
        {"from inside", 5000, 0, 4000, true, 5000},
        {"cut short", 5000, 9000, 0, true, 5000},
        {"cut short before the start", 5000, 9000, 7000, true, 7000},
        {"cannot seek", 5000, 0, 100, false, 100},
        {"started past the end", 5000, 0, 6000, true, 6000},
    };
    for (const auto& c : cases) {
        CWaveStream stream(std::make_unique<CountingSource>(2, c.frames, c.claimed, c.seeks), c.first);
        FillAll(stream);
        float pair[4];
        EXPECT_TRUE(stream.IsOver(c.end)) << c.what;
        EXPECT_EQ(stream.Get(c.end, pair), CWaveStream::Frames::OVER) << c.what;
        if (c.end > c.first) {
            EXPECT_FALSE(stream.IsOver(c.end - 1)) << c.what;
            ASSERT_EQ(stream.Get(c.end - 1, pair), CWaveStream::Frames::READY) << c.what;
            EXPECT_EQ(pair[0], float(c.end - 1)) << c.what;
            EXPECT_EQ(pair[2], 0.0f) << c.what;   // the last frame has no successor
        }
    }
}
