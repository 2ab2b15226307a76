// Wave files on disk: the writer that wave recording fills block by block, the
// length of a file, and the reader that wave playback draws its samples from.
//
// CWaveFile holds what every wave file has, its length; GetDuration reports it in
// milliseconds (what a writer has written, or the whole of the file a reader has
// open), 0 when there is nothing. FileDuration measures a file on disk without
// keeping it open; a file that is missing, is no wave file or is cut short never
// throws: it measures what can be read of it, or 0.
//
// CWaveFileWrite writes RIFF/WAVE PCM (8-bit unsigned, 16-, 24- or 32-bit) or
// 32-bit float data in the format set before Open, taking the blocks of wave input
// as they come (WAVEHDR). A block may end inside a frame; the rest of that frame is
// kept for the next block, so no sample is ever split. Its operations lock: the
// device thread writes while the user-interface thread opens and closes.
//
// CWaveSource is what wave playback reads a wave from: its format and length, and
// its frames as float samples, interleaved by channel. CWaveFileRead is the one that
// reads any wave file libsndfile understands. One thread at a time: a source may be
// handed from one thread to another, never used by two at once.
#pragma once

#include "platform/devices/records.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct sf_private_tag;   // libsndfile's file handle (SNDFILE)

class CWaveFile {
public:
    CWaveFile() = default;
    virtual ~CWaveFile() = default;
    CWaveFile(const CWaveFile&) = delete;
    CWaveFile& operator=(const CWaveFile&) = delete;

    // Milliseconds of sound: what has been written, or what the open file holds.
    DWORD GetDuration() const;

    // The length of the wave file at `path` in milliseconds; 0 when it cannot be read.
    static DWORD FileDuration(const std::string& path);

    // Milliseconds of `frames` frames at `rate` frames a second, rounded down, at most
    // the largest DWORD; 0 for a rate of 0.
    static DWORD FramesToMs(std::uint64_t frames, std::uint32_t rate);

protected:
    // The writer's lock guards these; the reader has no second thread.
    mutable std::mutex m_lock;
    std::uint64_t m_frames = 0;   // frames written or held
    std::uint32_t m_rate = 0;     // frames a second
};

class CWaveFileWrite : public CWaveFile {
public:
    // A writer for the file at `path` (UTF-8); nothing happens on disk before Open.
    explicit CWaveFileWrite(std::string path);
    ~CWaveFileWrite() override;   // closes

    // The format the file is written in: a device's format in force, or a format
    // record. Has no effect once the file is open.
    void SetFormat(const PV_DevFormat& format);
    void SetFormat(const WAVEFORMATEX& format);

    // Creates the file (replacing one of the same name) and writes its header. The
    // flags are accepted and not needed. Non-zero on success; 0 for a format that is
    // not PCM or float with consistent fields, or a file that cannot be created.
    int Open(int flags = 0);

    // Appends the header's recorded bytes (at most its buffer length). Non-zero on
    // success; 0 when the file is not open, the header is null or the disk refuses.
    int Write(const WAVEHDR* header);
    // The same for bytes in hand.
    int Write(const std::uint8_t* bytes, std::size_t length);

    // Completes the header with the final length and closes the file. The duration
    // stays readable. Closing a closed writer does nothing.
    void Close();

    bool IsOpen() const;
    const std::string& GetPath() const { return m_path; }
    const WAVEFORMATEX& GetFormat() const { return m_format; }

private:
    const std::string m_path;
    WAVEFORMATEX m_format;
    sf_private_tag* m_file = nullptr;     // owned while open
    std::vector<std::uint8_t> m_partial;  // the start of a frame a block cut short
};

class CWaveSource {
public:
    virtual ~CWaveSource() = default;

    virtual int GetChannels() const = 0;
    virtual std::uint32_t GetSampleRate() const = 0;
    virtual std::uint64_t GetFrames() const = 0;

    // Reads up to `frames` frames as floats from -1 to 1, interleaved, into `out`
    // (room for frames x channels). The number read; 0 at the end or on an error.
    virtual std::size_t Read(float* out, std::size_t frames) = 0;
    // Moves to frame `frame` (at most the end). False when the source cannot seek.
    virtual bool Seek(std::uint64_t frame) = 0;
};

class CWaveFileRead : public CWaveFile, public CWaveSource {
public:
    CWaveFileRead() = default;
    ~CWaveFileRead() override;

    // Opens a wave file for reading. False, and closed, when it cannot be read or holds
    // a format of no use (no channels, no rate).
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_file != nullptr; }

    int GetChannels() const override { return m_channels; }
    std::uint32_t GetSampleRate() const override { return m_rate; }
    std::uint64_t GetFrames() const override { return m_frames; }

    std::size_t Read(float* out, std::size_t frames) override;
    bool Seek(std::uint64_t frame) override;

private:
    sf_private_tag* m_file = nullptr;   // owned while open
    int m_channels = 0;
};
