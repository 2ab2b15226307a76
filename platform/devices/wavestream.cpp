#include "platform/devices/wavestream.h"

#include <algorithm>
#include <chrono>

namespace {

// How long the reader rests when every ring is full: a small part of what a ring
// holds at any rate, so the rings never run low between two looks.
constexpr auto kRest = std::chrono::milliseconds(5);

constexpr std::size_t kRingMask = CWaveStream::kRingFrames - 1;
static_assert((CWaveStream::kRingFrames & kRingMask) == 0, "the ring's size is a power of two");

}  // namespace

std::unique_ptr<CWaveSource> OpenWaveFile(const std::string& path) {
    auto file = std::make_unique<CWaveFileRead>();
    if (!file->Open(path))
        return nullptr;
    return file;
}

// ---- CWaveStream ----

CWaveStream::CWaveStream(std::unique_ptr<CWaveSource> source, std::uint64_t first)
    : m_source(std::move(source)),
      m_channels(std::max(m_source->GetChannels(), 1)),
      m_rate(m_source->GetSampleRate()),
      m_frames(m_source->GetFrames()),
      m_first(first),
      m_ring(kRingFrames * 2, 0.0f),
      m_block(kBlockFrames * static_cast<std::size_t>(m_channels)),
      m_end(m_frames) {
    if (first >= m_frames || (first > 0 && !m_source->Seek(first)))
        m_end.store(first, std::memory_order_relaxed);
}

bool CWaveStream::Fill() {
    const std::uint64_t written = m_written.load(std::memory_order_relaxed);   // only Fill writes it
    const std::uint64_t consumed = m_consumed.load(std::memory_order_acquire);
    const std::uint64_t end = m_end.load(std::memory_order_relaxed);          // only Fill lowers it
    const std::uint64_t at = m_first + written;
    if (at >= end)
        return false;
    // The reader may have moved past frames not read yet (a wave played faster than
    // the reader could keep up): the ring is then empty, not negatively full.
    const std::uint64_t held = written > consumed ? written - consumed : 0;
    const std::size_t frames = static_cast<std::size_t>(
        std::min<std::uint64_t>({kRingFrames - held, kBlockFrames, end - at}));
    if (frames == 0)
        return false;
    const std::size_t read = m_source->Read(m_block.data(), frames);
    for (std::size_t i = 0; i < read; ++i) {
        const float left = m_block[i * m_channels];
        const float right = m_channels > 1 ? m_block[i * m_channels + 1] : left;
        const std::size_t slot = static_cast<std::size_t>((written + i) & kRingMask) * 2;
        m_ring[slot] = left;
        m_ring[slot + 1] = right;
    }
    m_written.store(written + read, std::memory_order_release);
    if (read == 0)
        m_end.store(at, std::memory_order_release);   // the source has no more than this
    return read > 0;
}

CWaveStream::Frames CWaveStream::Get(std::uint64_t frame, float pair[4]) const {
    // The end first: it is lowered only after the frames before it are written.
    const std::uint64_t end = m_end.load(std::memory_order_acquire);
    if (frame >= end)
        return Frames::OVER;
    const std::uint64_t written = m_written.load(std::memory_order_acquire);
    const std::uint64_t index = frame - m_first;
    const bool last = frame + 1 >= end;
    if (index >= written || (!last && index + 1 >= written))
        return Frames::MISSING;
    const std::size_t slot = static_cast<std::size_t>(index & kRingMask) * 2;
    pair[0] = m_ring[slot];
    pair[1] = m_ring[slot + 1];
    if (last) {
        pair[2] = pair[3] = 0.0f;   // the last frame has no successor
    } else {
        const std::size_t next = static_cast<std::size_t>((index + 1) & kRingMask) * 2;
        pair[2] = m_ring[next];
        pair[3] = m_ring[next + 1];
    }
    return Frames::READY;
}

bool CWaveStream::IsOver(std::uint64_t frame) const {
    return frame >= m_end.load(std::memory_order_acquire);
}

void CWaveStream::Consume(std::uint64_t frame) {
    if (frame > m_first)
        m_consumed.store(frame - m_first, std::memory_order_release);
}

void CWaveStream::Release() {
    m_released.store(true, std::memory_order_release);
}

// ---- CWaveReader ----

CWaveReader::CWaveReader() : m_thread([this] { Run(); }) {}

CWaveReader::~CWaveReader() {
    {
        std::lock_guard lock(m_lock);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void CWaveReader::Add(std::shared_ptr<CWaveStream> stream) {
    {
        std::lock_guard lock(m_lock);
        m_streams.push_back(std::move(stream));
        m_woken = true;
    }
    m_wake.notify_one();
}

void CWaveReader::Wake() {
    {
        std::lock_guard lock(m_lock);
        m_woken = true;
    }
    m_wake.notify_one();
}

void CWaveReader::Run() {
    std::vector<std::shared_ptr<CWaveStream>> serving;
    bool busy = false;
    for (;;) {
        {
            std::unique_lock lock(m_lock);
            if (!busy) {
                const auto woken = [this] { return m_woken || m_stopping; };
                if (m_streams.empty())
                    m_wake.wait(lock, woken);
                else
                    m_wake.wait_for(lock, kRest, woken);
            }
            m_woken = false;
            if (m_stopping)
                return;
            // Released streams leave the list here; `serving` keeps the last reference
            // until the round is over, so they are freed off the lock.
            serving = m_streams;
            std::erase_if(m_streams, [](const auto& stream) { return stream->IsReleased(); });
        }
        busy = false;
        for (const auto& stream : serving)
            if (!stream->IsReleased() && stream->Fill())
                busy = true;
        serving.clear();
    }
}
