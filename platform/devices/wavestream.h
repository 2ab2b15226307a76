// Wave playback's read-ahead: the frames of a wave that plays are read from its file
// on a thread of their own, ahead of where the wave has got to, so that the audio
// thread that mixes them never waits for a disk.
//
// CWaveStream is one wave's source and a ring of the stereo frames read from it, from
// a first frame on. It has one writer and one reader and takes no lock:
//   - Fill reads the next block of the source into the ring's free room. It runs on
//     the read-ahead thread, or on the thread that starts the wave before it hands the
//     stream over (the hand-over itself must order the two, as a lock does).
//   - Get and Consume run on the audio thread: Get reads two frames in place, or tells
//     that they are not read yet, or that the wave is over; Consume gives the frames
//     already played back to the writer.
// The ring and the read buffer are allocated when the stream is made; neither side
// allocates afterwards. A mono source sounds in both channels; of more than two
// channels the first two play. A source that stops giving frames before the length it
// claims ends the wave there.
//
// CWaveReader is the read-ahead thread. It fills the streams it serves whenever their
// rings have room, round by round, a block each, and looks again a few milliseconds
// later when every ring is full. A stream's player lets it go with Release, as the
// last thing it does with it; the reader then drops its own reference, so a stream
// the reader holds is freed on the reader's thread, never on the audio thread.
// Add and Wake may be called from any thread; the destructor waits for a read in
// progress.
#pragma once

#include "platform/devices/wavefile.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Opens the wave file at `path` for playback; null when it cannot be read. The
// default reads the file from disk (CWaveFileRead); tests put in slower ones.
using CWaveOpener = std::function<std::unique_ptr<CWaveSource>(const std::string& path)>;
std::unique_ptr<CWaveSource> OpenWaveFile(const std::string& path);

class CWaveStream {
public:
    static constexpr std::size_t kRingFrames = std::size_t(1) << 16;   // a power of two
    static constexpr std::size_t kBlockFrames = 4096;                  // frames read at a time

    // A stream of `source` from frame `first` on (the source is moved there). A
    // source that cannot move there has nothing to play.
    CWaveStream(std::unique_ptr<CWaveSource> source, std::uint64_t first);
    CWaveStream(const CWaveStream&) = delete;
    CWaveStream& operator=(const CWaveStream&) = delete;

    // The source's format and length; they do not change.
    std::uint32_t GetSampleRate() const { return m_rate; }
    std::uint64_t GetFrames() const { return m_frames; }

    // Writer. Reads the next block of the source into the ring, as far as it has room.
    // True when it read anything.
    bool Fill();

    // Reader (the audio thread).
    enum class Frames {
        READY,     // the frames are in `pair`
        MISSING,   // not read yet
        OVER,      // at or past the wave's end
    };
    // The stereo frames `frame` and `frame + 1` as left, right, left, right; the
    // second is silence past the end. `frame` is never before the last one consumed.
    Frames Get(std::uint64_t frame, float pair[4]) const;
    // True when `frame` is at or past the wave's end.
    bool IsOver(std::uint64_t frame) const;
    // The frames before `frame` will not be read again: their room goes back to Fill.
    void Consume(std::uint64_t frame);
    // The player lets go of the stream: the last call it makes on it.
    void Release();
    bool IsReleased() const { return m_released.load(std::memory_order_acquire); }

private:
    const std::unique_ptr<CWaveSource> m_source;   // owned; used by the writer only
    const int m_channels;
    const std::uint32_t m_rate;
    const std::uint64_t m_frames;
    const std::uint64_t m_first;             // the file frame of the ring's frame 0
    std::vector<float> m_ring;               // kRingFrames stereo frames
    std::vector<float> m_block;              // the writer's read buffer, in the source's channels
    std::atomic<std::uint64_t> m_written{0};    // ring frames written (from m_first on)
    std::atomic<std::uint64_t> m_consumed{0};   // ring frames the reader is done with
    std::atomic<std::uint64_t> m_end;           // the file frame the wave ends at
    std::atomic<bool> m_released{false};
};

class CWaveReader {
public:
    CWaveReader();    // starts the thread
    ~CWaveReader();   // stops it, after the read in progress; drops every stream
    CWaveReader(const CWaveReader&) = delete;
    CWaveReader& operator=(const CWaveReader&) = delete;

    // Fills `stream` from now on, until it is released. Any thread.
    void Add(std::shared_ptr<CWaveStream> stream);
    // Makes the thread look at its streams now rather than at its next round. Any thread.
    void Wake();

private:
    void Run();   // the reader's thread

    std::mutex m_lock;   // guards the members below; never held while a source reads
    std::condition_variable m_wake;
    bool m_woken = false;
    bool m_stopping = false;
    std::vector<std::shared_ptr<CWaveStream>> m_streams;
    std::thread m_thread;   // last: starts once the members above exist
};
