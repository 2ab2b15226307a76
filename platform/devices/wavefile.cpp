#include "platform/devices/wavefile.h"

#include "platform/core/trace.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr std::uint16_t WAVE_FORMAT_IEEE_FLOAT = 3;

// The libsndfile sub-format of a wave format record, or 0 when it is none we write:
// a RIFF/WAVE file stores 8-bit samples unsigned and the wider ones little-endian,
// exactly as wave input delivers them, so blocks go to disk byte for byte.
int SubFormatOf(const WAVEFORMATEX& format) {
    if (format.channels == 0 || format.samplesPerSec == 0 || format.bitsPerSample == 0 ||
        format.blockAlign != format.channels * (format.bitsPerSample / 8) || format.bitsPerSample % 8 != 0)
        return 0;
    if (format.formatTag == WAVE_FORMAT_PCM) {
        switch (format.bitsPerSample) {
        case 8:
            return SF_FORMAT_PCM_U8;
        case 16:
            return SF_FORMAT_PCM_16;
        case 24:
            return SF_FORMAT_PCM_24;
        case 32:
            return SF_FORMAT_PCM_32;
        }
        return 0;
    }
    if (format.formatTag == WAVE_FORMAT_IEEE_FLOAT && format.bitsPerSample == 32)
        return SF_FORMAT_FLOAT;
    return 0;
}

}  // namespace

// ---- CWaveFile ----

DWORD CWaveFile::FramesToMs(std::uint64_t frames, std::uint32_t rate) {
    if (rate == 0)
        return 0;
    // Split so that no product overflows, whatever length a file header claims.
    const std::uint64_t ms = frames / rate * 1000 + frames % rate * 1000 / rate;
    return ms > std::numeric_limits<DWORD>::max() ? std::numeric_limits<DWORD>::max() : static_cast<DWORD>(ms);
}

DWORD CWaveFile::GetDuration() const {
    std::lock_guard lock(m_lock);
    return FramesToMs(m_frames, m_rate);
}

DWORD CWaveFile::FileDuration(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return 0;
    sf_close(file);
    if (info.frames <= 0 || info.samplerate <= 0 || info.channels <= 0)
        return 0;
    return FramesToMs(static_cast<std::uint64_t>(info.frames), static_cast<std::uint32_t>(info.samplerate));
}

// ---- CWaveFileWrite ----

CWaveFileWrite::CWaveFileWrite(std::string path) : m_path(std::move(path)) {}

CWaveFileWrite::~CWaveFileWrite() {
    Close();
}

void CWaveFileWrite::SetFormat(const PV_DevFormat& format) {
    SetFormat(format.format);
}

void CWaveFileWrite::SetFormat(const WAVEFORMATEX& format) {
    std::lock_guard lock(m_lock);
    if (!m_file)
        m_format = format;
}

int CWaveFileWrite::Open(int /*flags*/) {
    std::lock_guard lock(m_lock);
    if (m_file)
        return 1;
    const int subFormat = SubFormatOf(m_format);
    if (!subFormat) {
        Trace("Wave file %s: no format to write in\n", m_path.c_str());
        return 0;
    }
    SF_INFO info{};
    info.samplerate = static_cast<int>(m_format.samplesPerSec);
    info.channels = m_format.channels;
    info.format = SF_FORMAT_WAV | subFormat;
    m_file = sf_open(m_path.c_str(), SFM_WRITE, &info);
    if (!m_file) {
        Trace("Wave file %s does not open: %s\n", m_path.c_str(), sf_strerror(nullptr));
        return 0;
    }
    m_frames = 0;
    m_rate = m_format.samplesPerSec;
    m_partial.clear();
    return 1;
}

int CWaveFileWrite::Write(const WAVEHDR* header) {
    if (!header || (!header->data && header->bytesRecorded))
        return 0;
    // A header claiming more than its buffer holds is believed only as far as its buffer.
    const std::size_t length = std::min(header->bytesRecorded, header->bufferLength);
    return Write(reinterpret_cast<const std::uint8_t*>(header->data), length);
}

int CWaveFileWrite::Write(const std::uint8_t* bytes, std::size_t length) {
    std::lock_guard lock(m_lock);
    if (!m_file || (!bytes && length))
        return 0;
    const std::size_t frameBytes = m_format.blockAlign;
    // Whole frames only: a frame begun in the previous block is completed first.
    std::vector<std::uint8_t> joined;
    if (!m_partial.empty()) {
        joined.reserve(m_partial.size() + length);
        joined.assign(m_partial.begin(), m_partial.end());
        joined.insert(joined.end(), bytes, bytes + length);
        bytes = joined.data();
        length = joined.size();
    }
    const std::size_t whole = length - length % frameBytes;
    if (whole) {
        const sf_count_t written = sf_write_raw(m_file, bytes, static_cast<sf_count_t>(whole));
        if (written < 0)
            return 0;
        m_frames += static_cast<std::uint64_t>(written) / frameBytes;
        if (static_cast<std::size_t>(written) != whole) {
            Trace("Wave file %s: the disk took %lld of %zu bytes\n", m_path.c_str(),
                  static_cast<long long>(written), whole);
            m_partial.clear();
            return 0;
        }
    }
    m_partial.assign(bytes + whole, bytes + length);
    return 1;
}

void CWaveFileWrite::Close() {
    std::lock_guard lock(m_lock);
    if (!m_file)
        return;
    // A frame still incomplete at the end was never recorded whole: it is dropped.
    m_partial.clear();
    sf_close(m_file);   // writes the final lengths into the header
    m_file = nullptr;
}

bool CWaveFileWrite::IsOpen() const {
    std::lock_guard lock(m_lock);
    return m_file != nullptr;
}

// ---- CWaveFileRead ----

CWaveFileRead::~CWaveFileRead() {
    Close();
}

bool CWaveFileRead::Open(const std::string& path) {
    Close();
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return false;
    if (info.channels <= 0 || info.samplerate <= 0 || info.frames < 0) {
        sf_close(file);
        return false;
    }
    m_file = file;
    m_channels = info.channels;
    m_rate = static_cast<std::uint32_t>(info.samplerate);
    m_frames = static_cast<std::uint64_t>(info.frames);
    return true;
}

void CWaveFileRead::Close() {
    if (m_file)
        sf_close(m_file);
    m_file = nullptr;
    m_channels = 0;
    m_rate = 0;
    m_frames = 0;
}

std::size_t CWaveFileRead::Read(float* out, std::size_t frames) {
    if (!m_file || !out || frames == 0)
        return 0;
    const sf_count_t read = sf_readf_float(m_file, out, static_cast<sf_count_t>(frames));
    return read > 0 ? static_cast<std::size_t>(read) : 0;
}

bool CWaveFileRead::Seek(std::uint64_t frame) {
    if (!m_file)
        return false;
    frame = std::min(frame, m_frames);
    return sf_seek(m_file, static_cast<sf_count_t>(frame), SEEK_SET) >= 0;
}
