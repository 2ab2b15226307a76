// The Standard MIDI File reader: chunks and events into the score managers.
#include "interface/document/midiread.h"

#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/conductor.h"
#include "model/conductorcache.h"
#include "model/midifields.h"
#include "model/performance.h"
#include "model/states.h"
#include "model/tempo.h"
#include "platform/core/archive.h"
#include "platform/core/codepage.h"
#include "platform/core/exceptions.h"
#include "platform/core/file.h"
#include "platform/ui/prompt.h"
#include "sequencer/scoremgr.h"
#include "sequencer/sequence.h"
#include "sequencer/wavescoremgr.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

const char* const MCMidiRead::kTimeCodeRefused =
    "This MIDI file uses time-code timing, which cannot be read.";

namespace {

// The latest time an event may have, in quarter notes (18 hours at 120 beats
// a minute). Measures are made up to every event, so one damaged delta time
// of a few bytes could otherwise ask for millions of them.
constexpr float kLatestQuarter = 131072.0f;

// Bytes of the file between two progress steps of a chunk.
constexpr std::size_t kProgressBytes = 100;

// The mark that opens a wave-file reference in a sequencer-specific event.
constexpr uint8_t kWaveReference[4] = {0x00, 0x00, 0x77, 0x2F};

uint32_t BigEndian32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}
uint16_t BigEndian16(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
}

// "1 track", "2 tracks".
std::string Counted(int count, const char* one, const char* more) {
    return std::to_string(count) + " " + (count == 1 ? one : more);
}

// Puts the file back where the reader found it unless told to keep it where
// reading ended: every way out of a load that failed leaves the file as it was.
class FilePosition {
public:
    explicit FilePosition(CFile& file) : m_file(file), m_start(file.GetPosition()) {}
    ~FilePosition() {
        if (!m_keep)
            Restore();
    }
    FilePosition(const FilePosition&) = delete;
    FilePosition& operator=(const FilePosition&) = delete;

    void Keep() { m_keep = true; }
    // Seeking back cannot be allowed to throw past a failure already under way.
    void Restore() noexcept {
        try {
            m_file.Seek(static_cast<int64_t>(m_start), CFile::begin);
        } catch (...) {
        }
    }

private:
    CFile& m_file;
    uint64_t m_start;
    bool m_keep = false;
};

// A progress state applied at once, so the status bar follows a load that
// holds the user-interface thread.
void ApplyProgress(SCStatus* status, ECPerformance* performance) {
    status->SetAsynchronous(0);
    status->Apply(performance);
}

// The reading of the track chunks: the score manager in file-loading mode,
// gathering what it adds, the tree locked and the progress begun; on every
// way out, the progress ended, what was gathered added, file-loading mode
// off and the tree unlocked, in that order.
class LoadingScope {
public:
    LoadingScope(CMidiScoreMgr& scores, ECPerformance& performance, int midiType, uint64_t fileLength)
        : m_scores(scores), m_performance(performance) {
        m_scores.SetFileLoading(1);
        m_scores.SetGatherAdds(1);
        m_performance.Lock();
        try {
            char text[64];
            std::snprintf(text, sizeof text, "Loading Type %d MIDI file...\n", midiType);
            auto* begin = new SCStatus(STATE_PROGRESS_BEGIN, std::string(text));
            begin->SetProgressRange(0, static_cast<int>(std::min<uint64_t>(fileLength, INT_MAX)));
            ApplyProgress(begin, &m_performance);
        } catch (...) {
            End();
            throw;
        }
    }
    ~LoadingScope() { End(); }
    LoadingScope(const LoadingScope&) = delete;
    LoadingScope& operator=(const LoadingScope&) = delete;

private:
    void End() noexcept {
        try {
            ApplyProgress(new SCStatus(STATE_PROGRESS_END), &m_performance);
        } catch (...) {
            // The tree must be unlocked whatever the progress display did.
        }
        try {
            m_scores.SetGatherAdds(0);
        } catch (...) {
            // Nor may a failure to add what was gathered keep it locked.
        }
        m_scores.SetFileLoading(0);
        m_performance.Unlock();
    }

    CMidiScoreMgr& m_scores;
    ECPerformance& m_performance;
};

}  // namespace

// ---------------------------------------------------------------- the chunk buffer

MCMidiBuf::MCMidiBuf(std::size_t size) : m_bytes(size) {}

uint8_t MCMidiBuf::ReadByte() {
    if (m_cursor >= m_bytes.size())
        throw Overrun();
    return m_bytes[m_cursor++];
}

const uint8_t* MCMidiBuf::ReadByteArray(std::size_t count) {
    if (count > GetRemaining())
        throw Overrun();
    const uint8_t* bytes = m_bytes.data() + m_cursor;
    m_cursor += count;
    return bytes;
}

uint32_t MCMidiBuf::ReadVariLength() {
    const std::size_t start = m_cursor;
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        if (m_cursor >= m_bytes.size())
            break;
        const uint8_t byte = m_bytes[m_cursor++];
        value = value << 7 | (byte & 0x7F);
        if (!(byte & 0x80))
            return value;
    }
    m_cursor = start;
    throw Overrun();
}

// ---------------------------------------------------------------- the load

MCMidiRead::MCMidiRead() {
    std::fill(std::begin(m_channelTracks), std::end(m_channelTracks), -1);
}

int MCMidiRead::LoadMidiFile(CArchive& archive, MCOpusDoc* doc) {
    if (!doc)
        return 0;
    // The archive hands its position to the file, which is read directly.
    archive.Flush();
    m_pFile = archive.GetFile();
    if (!m_pFile)
        return 0;
    FilePosition position(*m_pFile);

    const int headerError = ReadHeaderChunk();
    if (headerError == MIDIFILE_ERR_TIME_CODE) {
        position.Restore();
        ShowPrompt(kTimeCodeRefused, MB_OK | MB_ICONEXCLAMATION);
        // The user has been told: the open fails without the native reader's message.
        throw CUserException();
    }
    if (headerError != MIDIFILE_OK)
        return 0;

    if (doc->GetBaseEvent())
        doc->DestroyPerformance();
    m_pPerformance = doc->CreatePerformance(1);
    m_pSequence = doc->GetSequence();
    m_pSequence->Attach(m_pPerformance);
    CMidiScoreMgr* scores = m_pSequence->GetMidiScoreMgr();
    if (!scores)
        return 0;

    int error;
    {
        LoadingScope loading(*scores, *m_pPerformance, m_nMidiType, m_pFile->GetLength());
        error = ReadTrackChunks();
    }
    if (error != MIDIFILE_OK)
        return 0;

    CFileStatus status;
    if (m_pFile->GetStatus(status))
        doc->GetHeader()->SetStatus(status);
    doc->GetHeader()->SetFormat(m_nMidiType + 1);
    position.Keep();
    return 1;
}

int MCMidiRead::ReadTrackChunks() {
    // Type 1 numbers its chunks from 0 (chunk 0 is the conductor's); types 0
    // and 2 from 1, so their texts land on the first staff.
    const int first = m_nMidiType == 1 ? 0 : 1;
    for (m_nChunkIndex = first; m_nChunkIndex < first + m_nTrackCount; ++m_nChunkIndex) {
        // New performers are inserted from the head again for every chunk.
        m_pSequence->SetRecordPosition(m_pSequence->GetHead());
        const int error = ReadTrackChunk();
        if (error != MIDIFILE_OK)
            return error;
    }
    return MIDIFILE_OK;
}

std::size_t MCMidiRead::ReadFile(void* buffer, std::size_t count) {
    std::size_t total = 0;
    auto* bytes = static_cast<uint8_t*>(buffer);
    while (total < count) {
        const std::size_t got = m_pFile->Read(bytes + total, count - total);
        if (got == 0)
            break;
        total += got;
    }
    return total;
}

uint64_t MCMidiRead::GetFileRemaining() const {
    const uint64_t length = m_pFile->GetLength();
    const uint64_t position = m_pFile->GetPosition();
    return position < length ? length - position : 0;
}

// ---------------------------------------------------------------- chunks

int MCMidiRead::ReadHeaderChunk() {
    uint8_t head[8];
    if (ReadFile(head, sizeof head) != sizeof head)
        return MIDIFILE_ERR_CHUNK_HEAD;
    if (std::memcmp(head, "MThd", 4) != 0)
        return MIDIFILE_ERR_NOT_MTHD;
    const uint32_t length = BigEndian32(head + 4);
    // Type, track count and division take 6 bytes; a length beyond the file
    // is refused before any memory is taken for it.
    if (length < 6 || length > GetFileRemaining())
        return MIDIFILE_ERR_HEADER;
    MCMidiBuf buf(length);
    if (ReadFile(buf.GetData(), length) != length)
        return MIDIFILE_ERR_HEADER;

    const uint8_t* data = buf.GetData();
    m_nMidiType = BigEndian16(data);
    m_nTrackCount = BigEndian16(data + 2);
    const uint16_t division = BigEndian16(data + 4);
    if (m_nMidiType > 2)
        return MIDIFILE_ERR_HEADER;
    // Frames per second and ticks per frame: the tree's times are musical,
    // so such a file has no quarter note to count in.
    if (division & 0x8000)
        return MIDIFILE_ERR_TIME_CODE;
    m_nDivision = division;
    if (m_nDivision == 0)
        return MIDIFILE_ERR_HEADER;
    return MIDIFILE_OK;
}

int MCMidiRead::ReadTrackChunk() {
    uint8_t head[8];
    if (ReadFile(head, sizeof head) != sizeof head)
        return MIDIFILE_ERR_CHUNK_HEAD;
    if (std::memcmp(head, "MTrk", 4) != 0)
        return MIDIFILE_ERR_NOT_MTRK;
    const uint32_t length = BigEndian32(head + 4);
    if (length > GetFileRemaining())
        return MIDIFILE_ERR_TRACK_DATA;
    m_chunkDataOffset = m_pFile->GetPosition();
    MCMidiBuf buf(length);
    if (ReadFile(buf.GetData(), length) != length)
        return MIDIFILE_ERR_TRACK_DATA;

    m_ticks = 0;
    m_nPrefixTrack = -1;   // a channel prefix lasts at most to its chunk's end
    m_nextStepMark = 0;
    while (!buf.AtEnd()) {
        const int error = ReadTrackEvent(buf);
        if (error != MIDIFILE_OK)
            return error;
        // One step after the first event, then one per 100 bytes or more.
        const std::size_t consumed = buf.GetOffset();
        if (consumed > m_nextStepMark) {
            ApplyProgressStep(m_chunkDataOffset + consumed);
            while (m_nextStepMark < consumed)
                m_nextStepMark += kProgressBytes;
        }
    }

    m_trackLength.SetSeconds(static_cast<float>(static_cast<double>(m_ticks) / m_nDivision));
    // Measures reach the chunk's last tick. The end itself is where the track
    // stops, not a moment in it: an end on a bar line (where a last note-off
    // or the end of track commonly stands) closes the measure before it
    // rather than opening an empty one after the music.
    MCTime lastTick = m_patternStart;
    lastTick += MCTime(static_cast<float>(static_cast<double>(std::max<int64_t>(m_ticks - 1, 0)) / m_nDivision));
    m_pSequence->GetMidiScoreMgr()->CapMeasures(lastTick);
    // Patterns follow one another: the next starts where this one ended.
    if (m_nMidiType == 2)
        m_patternStart += m_trackLength;
    return MIDIFILE_OK;
}

void MCMidiRead::ApplyProgressStep(uint64_t position) {
    auto* step = new SCStatus(STATE_PROGRESS_STEP);
    step->SetProgressStep(static_cast<int>(std::min<uint64_t>(position, INT_MAX)));
    ApplyProgress(step, m_pPerformance);
}

MCVoiceTrack MCMidiRead::TrackWord(int64_t track) {
    // A track the word cannot hold becomes "no track", which the score
    // managers place nowhere, rather than wrapping onto a track of its own.
    // The user is told what went (GetLeftOut).
    if (track >= 0 && track < TRACK_NONE)
        return MCVoiceTrack(0, static_cast<int>(track));
    m_leftOutTracks.insert(track);
    return MCVoiceTrack(0, TRACK_NONE);
}

MCMidiRead::LeftOut MCMidiRead::GetLeftOut() const {
    return {static_cast<int>(std::min<std::size_t>(m_leftOutTracks.size(), INT_MAX)), m_nLeftOutNotes};
}

std::string MCMidiRead::DescribeLeftOut(const LeftOut& leftOut) {
    if (leftOut.IsEmpty())
        return {};
    return "This MIDI file uses tracks beyond the last one a document holds (" + std::to_string(TRACK_NONE - 1) +
           "): " + Counted(leftOut.tracks, "track", "tracks") + ", with " + Counted(leftOut.notes, "note", "notes") +
           ", could not be kept and were left out.";
}

// ---------------------------------------------------------------- events

int MCMidiRead::ReadTrackEvent(MCMidiBuf& buf) {
    try {
        MCTime time;
        CalcMCTime(buf.ReadVariLength(), time);
        if (m_nMidiType == 2)
            time += m_patternStart;
        if (time.GetSeconds() > kLatestQuarter)
            return MIDIFILE_ERR_EVENT;
        const uint8_t byte = buf.ReadByte();
        if (byte == 0xF0 || byte == 0xF7)
            return ReadSysExEvent(buf, byte, time);
        if (byte == 0xFF)
            return ReadMetaEvent(buf, time);
        return ReadMidiEvent(buf, byte, time);
    } catch (const MCMidiBuf::Overrun&) {
        return MIDIFILE_ERR_EVENT;
    }
}

void MCMidiRead::CalcMCTime(uint32_t delta, MCTime& time) {
    if (m_nDivision == 0)
        return;
    m_ticks += delta;
    time.SetSeconds(static_cast<float>(static_cast<double>(m_ticks) / m_nDivision));
}

int MCMidiRead::ReadMidiEvent(MCMidiBuf& buf, uint8_t byte, MCTime& time) {
    m_nPrefixTrack = -1;
    uint8_t status;
    uint8_t data[2] = {0, 0};
    int have = 0;
    if (byte & 0x80) {
        status = byte;
        m_runningStatus = byte;
    } else {
        // A data byte with no status before it, in this chunk or an earlier
        // one, belongs to no message: the chunk has lost its framing, and
        // whatever followed would be read out of step.
        if (m_runningStatus == 0)
            return MIDIFILE_ERR_EVENT;
        status = m_runningStatus;
        data[have++] = byte;
    }
    // Program change and channel pressure carry one data byte; everything
    // else that reaches here two (system messages included).
    const int count = status >= 0xC0 && status <= 0xDF ? 1 : 2;
    while (have < count)
        data[have++] = buf.ReadByte();
    // A data byte with its top bit set is a status out of place: the chunk
    // has lost its framing.
    if ((data[0] | data[1]) & 0x80)
        return MIDIFILE_ERR_EVENT;

    const uint32_t word = uint32_t(status) | uint32_t(data[0]) << 8 | uint32_t(data[1]) << 16;
    const MCVoiceTrack voiceTrack = TrackWord(GetTrack(status, data[0]));
    if (voiceTrack.GetTrack() == TRACK_NONE && (status & 0xF0) == 0x90 && data[1] != 0)
        ++m_nLeftOutNotes;
    m_pSequence->GetMidiScoreMgr()->AddMidiEvent(time, voiceTrack, FCMidi(word), 0, MCTime::TimeNull());
    return MIDIFILE_OK;
}

int MCMidiRead::GetTrack(uint8_t status, uint8_t /*data*/) {
    const bool channelMessage = status >= 0x80 && status <= 0xEF;
    if (m_nMidiType == 1) {
        // Channel data in the conductor's chunk moves every chunk's channel
        // data one track on, so that chunk's notes get a staff of their own.
        if (channelMessage && m_nChunkIndex == 0)
            m_nFirstTrackOffset = 1;
        return m_nChunkIndex + m_nFirstTrackOffset;
    }
    // A system message has no channel: it claims no channel's track (which
    // would shift the tracks of the channels met later).
    if (!channelMessage)
        return 0;
    int& track = m_channelTracks[status & 0x0F];
    if (track < 0)
        track = ++m_nNextTrack;
    return track;
}

int MCMidiRead::GetMetaTrack() const {
    return m_nPrefixTrack >= 0 ? m_nPrefixTrack : m_nChunkIndex;
}

int MCMidiRead::ReadMetaEvent(MCMidiBuf& buf, MCTime& time) {
    const uint8_t type = buf.ReadByte();
    const uint32_t length = buf.ReadVariLength();
    const uint8_t* data = buf.ReadByteArray(length);
    if (length > INT_MAX)
        return MIDIFILE_ERR_EVENT;
    const int size = static_cast<int>(length);
    CMidiScoreMgr* scores = m_pSequence->GetMidiScoreMgr();
    const int track = GetMetaTrack();

    switch (type) {
    case 0x00:   // sequence number: only at the start of its chunk
        // An empty one (the chunk's own number) carries no number to keep.
        if (m_ticks == 0 && size >= 2)
            scores->AddSequenceNumber(time, TrackWord(0), data[0] * 256 + data[1]);
        break;
    case 0x01:   // text
    case 0x04:   // instrument name
    case 0x08: case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x0E: case 0x0F:
        scores->AddTextEvent(time, TrackWord(track), data, size, type);
        break;
    case 0x02:   // copyright notice
    case 0x06:   // marker
    case 0x07:   // cue point
        scores->AddTextEvent(time, TrackWord(0), data, size, type);
        break;
    case 0x03:   // sequence or track name: a type 1 track's own chunk names its track
        scores->AddTextEvent(time, TrackWord(m_nMidiType == 1 && m_nChunkIndex != 0 ? track : 0), data, size,
                             type);
        break;
    case 0x05:
        scores->AddLyricEvent(time, TrackWord(track), data, size);
        break;
    case 0x20:   // channel prefix: the meta events after it go to that channel's track
        if (size < 1 || data[0] > 15)
            return MIDIFILE_ERR_EVENT;
        m_nPrefixTrack = m_channelTracks[data[0]];
        break;
    case 0x2F:
        scores->AddTrackEnd(time, TrackWord(m_nMidiType == 1 ? m_nChunkIndex : 0));
        break;
    case 0x51: {
        if (size < 3)
            return MIDIFILE_ERR_EVENT;
        long microseconds = long(data[0]) * 65536 + long(data[1]) * 256 + data[2];
        if (microseconds == 0)
            microseconds = 1;
        m_lTempo = microseconds;
        m_dBeatsPerMinute = 1000000.0 / static_cast<double>(microseconds) * 60.0;
        // The conductor holds one tempo a time and refuses another; the first
        // stays, so a second is not even offered.
        if (!TempoStartsAt(time))
            scores->AddTempoEvent(time, TrackWord(0), static_cast<float>(m_dBeatsPerMinute), 1.0f);
        break;
    }
    case 0x58:   // time signature: numerator and the denominator's power of 2
        if (size < 2)
            return MIDIFILE_ERR_EVENT;
        if (data[1] < 9)
            scores->AddMeterEvent(time, TrackWord(0), data[0], 1u << data[1]);
        break;
    case 0x59:   // key signature: the conductor's track holds none
        if (size < 2)
            return MIDIFILE_ERR_EVENT;
        if (track != 0)
            scores->AddKeySignature(time, TrackWord(track), static_cast<int8_t>(data[0]), data[1]);
        break;
    case 0x7F:
        ReadSeqSpecific(time, length, data);
        break;
    default:
        break;
    }
    return MIDIFILE_OK;
}

bool MCMidiRead::TempoStartsAt(const MCTime& time) {
    // The cache alone: the conductor's own lookup would make a default tempo.
    ECConductor* conductor = m_pPerformance->GetConductor();
    MCConductorCache* cache = conductor ? conductor->GetCache() : nullptr;
    ECTempo* tempo = cache ? cache->GetTempoAtTime(time) : nullptr;
    return tempo && tempo->GetTime() && *tempo->GetTime() == time;
}

void MCMidiRead::ReadSeqSpecific(MCTime& time, std::size_t length, const uint8_t* data) {
    // The mark, a big-endian track number, then the file name.
    if (length < 8 || std::memcmp(data, kWaveReference, sizeof kWaveReference) != 0)
        return;
    const uint32_t track = BigEndian32(data + 4);
    // Names are Windows-1252, or UTF-8 when the code page could not hold
    // them; a Windows-1252 name with a byte above 0x7F is hardly ever
    // well-formed UTF-8.
    const std::string_view bytes(reinterpret_cast<const char*>(data + 8), length - 8);
    const std::string name = IsValidUtf8(bytes) ? std::string(bytes) : Cp1252ToUtf8(bytes);
    if (CWaveScoreMgr* waves = m_pSequence->GetWaveScoreMgr())
        waves->AddWaveFile(time, TrackWord(track), name.data(), name.size());
}

int MCMidiRead::ReadSysExEvent(MCMidiBuf& buf, uint8_t status, MCTime& time) {
    const uint32_t length = buf.ReadVariLength();
    const uint8_t* bytes = buf.ReadByteArray(length);
    // An F0 event holds the message without its F0; an F7 event the bytes
    // exactly as they are to be sent.
    std::vector<uint8_t> message;
    message.reserve(std::size_t(length) + 1);
    if (status == 0xF0)
        message.push_back(0xF0);
    message.insert(message.end(), bytes, bytes + length);
    if (message.size() > FCMidiSysEx::MAX_LENGTH)
        return MIDIFILE_ERR_EVENT;
    const FCMidiSysEx sysEx(message.data(), static_cast<unsigned>(message.size()));
    m_pSequence->GetMidiScoreMgr()->AddMidiEvent(time, TrackWord(GetTrack(status, 0)), sysEx, 0,
                                                  MCTime::TimeNull());
    return MIDIFILE_OK;
}
