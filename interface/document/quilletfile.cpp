// Reading a song file: the blocks, the context, and the records of the song.
//
// The byte layout. Every number is little-endian except the version; u8, u16
// and u32 are unsigned widths in bytes 1, 2 and 4; offsets are from the start
// of the block (or of the event, for event data). Bytes marked "-" are not
// read. A block may be longer than its record; the rest is not read.
//
//   file head        0  4   -
//                    4  4   version, big-endian, 1000 to 1040
//   block            0  u16 id          2  u16 length     4  `length` bytes
//     The first three blocks have id 0: two context records, then the data
//     context (not read). The editor blocks follow until id 0xFFFF, the end
//     of the file, or a block that is not there in full.
//
//   context record (16 bytes)
//                    0  u16 check value, 99 (first block)
//                    2  u16 ruler block id (second block)
//                    4  u16 first voice id (second block)
//                    6  u16 -
//                    8  u32 ruler-mark count   (first block; the song
//                   12  u16 voice count         sub-record)
//                   14  u16 -
//   ruler block (8 bytes)
//                    0  6   -
//                    6  u16 first ruler-mark id
//   ruler mark (14 bytes, then n - 1 tempo changes of 10 bytes)
//                    0  u16 next ruler-mark id
//                    2  u8  flags: 0x01 a time signature starts here, 0x02 a tempo
//                    3  u8  -
//                    4  u16 time-signature block id (read with flag 0x01)
//                    6  u32 tick position, below 2^31
//                   10  u16 tempo, tenths of a beat per minute
//                   12  u16 n, the tempos of the measure: the mark's own and
//                           the changes after it (0 counts as 1)
//     tempo change  +0  u16 ticks after the mark   +2 u16 tempo   +4 6 -
//   time signature (4 bytes)
//                    0  u16 flags: 0x0001 valid
//                    2  u8  numerator     3  u8 denominator (4 a quarter note)
//   voice (8 bytes)
//                    0  u16 next voice id
//                    2  u16 first measure id
//                    4  u32 measure count
//   measure (8 bytes, then the events one after another)
//                    0  u8  kind: 0 events, 2 loop; others add nothing
//                    1  u8  -
//                    2  u16 next measure id
//                    4  u8  flags: 0x10 a key signature starts here
//                    5  u8  key code
//                    6  u16 event count
//   event (6 bytes, then its data; `size` covers both)
//                    0  u16 size        2  u16 type       4  u16 ticks into the measure
//     note (type 4; 8 bytes, then the attribute bytes)
//                    6  u8  key         7  u8  velocity   8  u8 release velocity
//                    9  u8  channel    10  u16 duration in ticks
//                   12  u16 attribute word: the count of attribute bytes in
//                           bits 13-15 (0 to 7); the bytes follow at 14
//                           (0 tied to the next note, 1 tied from the one before)
//     lyric (type 5; 6 bytes)
//                    6  u8  kind, 1 a syllable     7  u8 -
//                    8  u16 text block id         10  u16 text length
//     wave (type 27; 4 bytes)
//                    6  u16 name block id          8  u16 name length
//     Every other type is passed over by its size.
//   text (lyric syllable, wave name): Windows-1252 bytes from the start of
//     its block.
//
// Links. An id of 0 names nothing; a chain (ruler marks, voices, the measures
// of a voice) is followed for exactly as many records as its count says.
//
// A file is refused (CArchiveException, caught by LoadQuilletFile) when
//   - the version is out of range or the check value is not 99;
//   - a context block is missing, short or not of id 0;
//   - a record is shorter than its layout, or its tempo changes or events run
//     past its block; an event is smaller than its head (a size of 0
//     included, which could never move on) or its data is short;
//   - a record names an id that is not in the map, or a block that another
//     record already took (so no chain can loop, and no block is read twice);
//   - a chain ends before its count, a voice has more measures than there are
//     ruler marks, or voices x ruler marks exceeds what one document holds;
//   - the ruler marks run backwards, or one lies more than four measures of
//     the meter in force after the one before (the measure grid is built up
//     to every mark).
// Passed over without refusing: event types other than notes, lyrics and
// waves; lyrics of other kinds than syllables; time signatures not marked
// valid or that no meter takes; key codes beyond seven accidentals; loop
// measures and measures of other kinds.
#include "interface/document/quilletfile.h"

#include "interface/document/opusdoc.h"
#include "model/meter.h"
#include "model/performance.h"
#include "platform/core/archive.h"
#include "platform/core/file.h"

#include <algorithm>
#include <utility>

namespace {

constexpr size_t kHeadSize = 8;
constexpr size_t kContextSize = 16;
constexpr size_t kRulerBlockSize = 8;
constexpr size_t kRulerMarkSize = 14;
constexpr size_t kTempoChangeSize = 10;
constexpr size_t kTimeSigSize = 4;
constexpr size_t kVoiceSize = 8;
constexpr size_t kMeasureSize = 8;
constexpr size_t kEventHeadSize = 6;
constexpr size_t kNoteDataSize = 8;
constexpr size_t kLyricDataSize = 6;
constexpr size_t kWaveDataSize = 4;
constexpr uint16_t kTimeSigValid = 0x0001;
constexpr uint32_t kMaxTickPosition = 0x7FFFFFFF;
// Voices x ruler marks: every voice's staff gets a measure in every column of
// the grid, so this bounds the measures a file can make.
constexpr uint64_t kMaxStaffMeasures = uint64_t{1} << 20;
// A ruler mark starts a measure: the next one lies at most this many measures
// of the meter in force further on.
constexpr double kMaxMeasuresPerMark = 4.0;

[[noreturn]] void Refuse(CArchiveException::Cause cause = CArchiveException::generic) {
    throw CArchiveException(cause);
}

// Checked little-endian reads from a record.
uint8_t U8(const std::vector<uint8_t>& bytes, size_t at) {
    if (at >= bytes.size())
        Refuse(CArchiveException::endOfFile);
    return bytes[at];
}

uint16_t U16(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint16_t>(U8(bytes, at) | (U8(bytes, at + 1) << 8));
}

uint32_t U32(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint32_t>(U16(bytes, at)) | (static_cast<uint32_t>(U16(bytes, at + 2)) << 16);
}

void NeedSize(const std::vector<uint8_t>& bytes, size_t size) {
    if (bytes.size() < size)
        Refuse(CArchiveException::endOfFile);
}

// The meter type of 6/8, 9/8, 12/8 (model/meter.h).
constexpr unsigned char kPerfectCompound = 3;

// What a meter makes of the file's beat: a perfect compound meter beats in
// dotted notes of three pulses, every other meter in pulses.
int FileBeatTicks(const ECMeter& meter) {
    constexpr unsigned short ppq = MCQuilletTickClock::TICKS_PER_BEAT;
    return meter.GetMeterType() == kPerfectCompound ? meter.GetBeatTicks(0, ppq) : meter.GetPulseTicks(ppq);
}

}  // namespace

// ---- the load ---------------------------------------------------------------------

int MCQuilletFile::LoadQuilletFile(CArchive& archive, MCOpusDoc* doc) {
    if (!doc || !archive.IsLoading())
        return 0;
    archive.Flush();
    CFile* file = archive.GetFile();
    if (!file)
        return 0;

    // The position goes back however the load ends.
    struct PositionGuard {
        CFile* file;
        uint64_t position;
        ~PositionGuard() {
            try {
                file->Seek(static_cast<int64_t>(position), CFile::begin);
            } catch (const CException&) {
                // A file that cannot seek back has failed already.
            }
        }
    } guard{file, file->GetPosition()};

    Reset();
    m_pFile = file;
    int result = 0;
    try {
        if (VerifyQuilletFile(GetVersion())) {
            while (ReadEditorBlock()) {
            }
            ReadSong();

            // The song is whole: the document gets its new piece.
            if (doc->GetBaseEvent())
                doc->DestroyPerformance();
            m_pPerformance = doc->CreatePerformance(1);
            m_pSequence = doc->GetSequence();
            m_pSequence->Attach(m_pPerformance);
            m_pConductor = m_pPerformance->GetConductor();
            if (m_pConductor) {
                std::lock_guard tree(m_pPerformance->GetLock());
                LoadMap();
                RemoveEmptyTracks();
                result = 1;
            }
        }
    } catch (const CArchiveException&) {
        result = 0;
    } catch (const CFileException&) {
        result = 0;
    }
    if (result) {
        CFileStatus status;
        if (file->GetStatus(status))
            doc->GetHeader()->SetStatus(status);
        doc->GetHeader()->SetFormat(DF_SONG_FILE);
    }
    Reset();
    return result;
}

void MCQuilletFile::Reset() {
    m_blocks.clear();
    m_usedBlocks.clear();
    m_pFile = nullptr;
    m_pPerformance = nullptr;
    m_pConductor = nullptr;
    m_pSequence = nullptr;
    m_context = MCQuilletContext();
    m_firstRulerMarkId = 0;
    m_song = MCQuilletSong();
    m_ticks = MCQuilletTickClock();
    m_currentTempo = MCTempoMap();
    m_previousTempo = MCTempoMap();
    m_tieList.clear();
    m_nTrack = 0;
}

// ---- the file ---------------------------------------------------------------------

void MCQuilletFile::ReadExact(void* buffer, size_t count) {
    if (m_pFile->Read(buffer, count) != count)
        Refuse(CArchiveException::endOfFile);
}

bool MCQuilletFile::ReadBlock(uint16_t& id, std::vector<uint8_t>& bytes) {
    uint8_t head[4];
    if (m_pFile->Read(head, sizeof head) != sizeof head)
        return false;
    id = static_cast<uint16_t>(head[0] | (head[1] << 8));
    if (id == END_BLOCK_ID)
        return false;
    const size_t length = static_cast<size_t>(head[2] | (head[3] << 8));
    bytes.resize(length);
    return m_pFile->Read(bytes.data(), length) == length;
}

uint32_t MCQuilletFile::GetVersion() {
    uint8_t head[kHeadSize];
    ReadExact(head, sizeof head);
    return (uint32_t{head[4]} << 24) | (uint32_t{head[5]} << 16) | (uint32_t{head[6]} << 8) | head[7];
}

int MCQuilletFile::VerifyQuilletFile(uint32_t version) {
    if (version < FIRST_VERSION || version > LAST_VERSION)
        return 0;
    ReadContexts();
    return m_context.checkValue == CONTEXT_CHECK;
}

void MCQuilletFile::ReadCONTXT(MCQuilletContext& context) {
    uint16_t id = 0;
    std::vector<uint8_t> bytes;
    if (!ReadBlock(id, bytes) || id != 0)
        Refuse(CArchiveException::endOfFile);
    CopyContxt16to32(bytes, context);
}

void MCQuilletFile::ReadDATACONTEXT() {
    uint16_t id = 0;
    std::vector<uint8_t> bytes;
    if (!ReadBlock(id, bytes) || id != 0)
        Refuse(CArchiveException::endOfFile);
}

void MCQuilletFile::ReadContexts() {
    MCQuilletContext first;
    MCQuilletContext second;
    ReadCONTXT(first);
    ReadCONTXT(second);
    ReadDATACONTEXT();
    m_context = first;
    m_context.rulerBlockId = second.rulerBlockId;
    m_context.firstVoiceId = second.firstVoiceId;
}

bool MCQuilletFile::ReadEditorBlock() {
    uint16_t id = 0;
    std::vector<uint8_t> bytes;
    if (!ReadBlock(id, bytes))
        return false;
    m_blocks[id] = std::move(bytes);   // a later block of an id replaces the earlier
    return true;
}

void MCQuilletFile::CopyContxt16to32(const std::vector<uint8_t>& packed, MCQuilletContext& context) {
    NeedSize(packed, kContextSize);
    context.checkValue = U16(packed, 0);
    context.rulerBlockId = U16(packed, 2);
    context.firstVoiceId = U16(packed, 4);
    context.rulerMarkCount = U32(packed, 8);
    context.voiceCount = U16(packed, 12);
}

// ---- the records --------------------------------------------------------------------

const std::vector<uint8_t>& MCQuilletFile::UseBlock(uint32_t id) {
    const auto found = m_blocks.find(static_cast<uint16_t>(id));
    if (id == 0 || found == m_blocks.end())
        Refuse(CArchiveException::badIndex);
    // A block taken twice is a chain looping back, or two records sharing
    // one: either way the file is damaged.
    if (!m_usedBlocks.insert(id).second)
        Refuse(CArchiveException::badIndex);
    return found->second;
}

std::string MCQuilletFile::ReadText(uint32_t id, uint32_t length) {
    const std::vector<uint8_t>& block = UseBlock(id);
    NeedSize(block, length);
    return std::string(block.begin(), block.begin() + length);
}

uint16_t MCQuilletFile::GetFirstRulerMark() {
    const std::vector<uint8_t>& block = UseBlock(m_context.rulerBlockId);
    NeedSize(block, kRulerBlockSize);
    return U16(block, 6);
}

void MCQuilletFile::ReadSong() {
    // Every ruler mark and voice is a block of its own: a count larger than
    // the blocks there are cannot be met.
    if (m_context.rulerMarkCount > m_blocks.size() || m_context.voiceCount > m_blocks.size())
        Refuse(CArchiveException::endOfFile);
    if (uint64_t{m_context.rulerMarkCount} * m_context.voiceCount > kMaxStaffMeasures)
        Refuse();
    if (m_context.rulerMarkCount > 0)
        m_firstRulerMarkId = GetFirstRulerMark();
    ReadRulerMarks();
    ReadVoices();
    PlaceRulerMarks();
}

void MCQuilletFile::ReadRulerMarks() {
    uint32_t id = m_firstRulerMarkId;
    m_song.rulerMarks.resize(m_context.rulerMarkCount);
    for (MCQuilletRulerMark& mark : m_song.rulerMarks) {
        const std::vector<uint8_t>& block = UseBlock(id);
        NeedSize(block, kRulerMarkSize);
        id = U16(block, 0);
        mark.flags = U8(block, 2);
        mark.tickPosition = U32(block, 6);
        if (mark.tickPosition > kMaxTickPosition)
            Refuse();
        mark.tempo = U16(block, 10);
        const unsigned tempos = U16(block, 12);
        const size_t changes = tempos > 1 ? tempos - 1 : 0;
        NeedSize(block, kRulerMarkSize + changes * kTempoChangeSize);
        for (size_t i = 0; i < changes; ++i) {
            const size_t at = kRulerMarkSize + i * kTempoChangeSize;
            mark.changes.push_back({U16(block, at), U16(block, at + 2)});
        }
        if (mark.flags & MCQuilletRulerMark::RM_TIMESIG) {
            const std::vector<uint8_t>& timeSig = UseBlock(U16(block, 4));
            NeedSize(timeSig, kTimeSigSize);
            mark.timeSigValid = (U16(timeSig, 0) & kTimeSigValid) != 0;
            mark.numerator = U8(timeSig, 2);
            mark.denominator = U8(timeSig, 3);
        }
    }
}

void MCQuilletFile::ReadVoices() {
    uint32_t id = m_context.firstVoiceId;
    m_song.voices.resize(m_context.voiceCount);
    for (MCQuilletVoice& voice : m_song.voices) {
        const std::vector<uint8_t>& block = UseBlock(id);
        NeedSize(block, kVoiceSize);
        id = U16(block, 0);
        uint32_t measureId = U16(block, 2);
        const uint32_t count = U32(block, 4);
        // Measure i of a voice lies at ruler mark i.
        if (count > m_song.rulerMarks.size())
            Refuse();
        voice.measures.resize(count);
        for (MCQuilletMeasure& measure : voice.measures)
            measureId = ReadMeasure(measureId, measure);
    }
}

uint16_t MCQuilletFile::ReadMeasure(uint32_t id, MCQuilletMeasure& measure) {
    const std::vector<uint8_t>& block = UseBlock(id);
    NeedSize(block, kMeasureSize);
    measure.kind = U8(block, 0);
    measure.flags = U8(block, 4);
    measure.keyCode = U8(block, 5);
    if (measure.kind == MCQuilletMeasure::KIND_EVENTS)
        ReadEvents(block, kMeasureSize, U16(block, 6), measure.events);
    return U16(block, 2);
}

void MCQuilletFile::ReadEvents(const std::vector<uint8_t>& block, size_t offset, unsigned count,
                               std::vector<MCQuilletEvent>& events) {
    for (unsigned i = 0; i < count; ++i) {
        const size_t size = U16(block, offset);
        // A size below the head (0 among them) would never move on, or would
        // step into its own head.
        if (size < kEventHeadSize || size > block.size() - offset)
            Refuse(CArchiveException::endOfFile);
        const std::vector<uint8_t> event(block.begin() + static_cast<std::ptrdiff_t>(offset),
                                         block.begin() + static_cast<std::ptrdiff_t>(offset + size));
        offset += size;

        MCQuilletEvent record;
        record.type = U16(event, 2);
        record.offset = U16(event, 4);
        switch (record.type) {
        case MCQuilletEvent::EV_NOTE: {
            NeedSize(event, kEventHeadSize + kNoteDataSize);
            record.key = U8(event, 6);
            record.velocity = U8(event, 7);
            record.releaseVelocity = U8(event, 8);
            record.channel = U8(event, 9);
            record.duration = U16(event, 10);
            const size_t attributes = U16(event, 12) >> 13;
            NeedSize(event, kEventHeadSize + kNoteDataSize + attributes);
            const auto first = event.begin() + kEventHeadSize + kNoteDataSize;
            record.attributes.assign(first, first + static_cast<std::ptrdiff_t>(attributes));
            break;
        }
        case MCQuilletEvent::EV_LYRIC:
            NeedSize(event, kEventHeadSize + kLyricDataSize);
            record.lyricKind = U8(event, 6);
            if (record.lyricKind == MCQuilletEvent::LYRIC_SYLLABLE)
                record.text = ReadText(U16(event, 8), U16(event, 10));
            break;
        case MCQuilletEvent::EV_WAVE:
            NeedSize(event, kEventHeadSize + kWaveDataSize);
            record.text = ReadText(U16(event, 6), U16(event, 8));
            break;
        default:
            continue;   // program changes, controllers, pressure, pitch bend, system exclusive...
        }
        events.push_back(std::move(record));
    }
}

void MCQuilletFile::PlaceRulerMarks() {
    float measureLength = 4.0f;   // 4/4 until a meter says otherwise
    int64_t lastTick = 0;
    for (MCQuilletRulerMark& mark : m_song.rulerMarks) {
        // The last mark ends the song: nothing starts there.
        const bool last = &mark == &m_song.rulerMarks.back();
        const int64_t tick = mark.tickPosition;
        if (tick < lastTick)
            Refuse();
        const MCTime gap = m_ticks.GetDuration(lastTick, tick - lastTick);
        if (gap.GetSeconds() > kMaxMeasuresPerMark * measureLength)
            Refuse();
        if (mark.timeSigValid && !last) {
            ECMeter meter;
            if (meter.SetMeter(mark.numerator, mark.denominator, 255)) {
                m_ticks.SetBeatTicks(tick, FileBeatTicks(meter));
                measureLength = meter.GetMeasureLength();
            } else {
                mark.timeSigValid = false;   // no meter takes it: passed over
            }
        }
        lastTick = tick;
    }
}
