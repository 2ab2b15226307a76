// The Standard MIDI File writer. See midiwrite.h for the file it writes.
#include "interface/document/midiwrite.h"

#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/conductor.h"
#include "model/markings.h"
#include "model/meter.h"
#include "model/midievents.h"
#include "model/performance.h"
#include "model/states.h"
#include "model/tempo.h"
#include "model/textmarks.h"
#include "platform/core/archive.h"
#include "platform/core/codepage.h"
#include "platform/core/exceptions.h"
#include "platform/core/file.h"
#include "sequencer/filtermgr.h"
#include "sequencer/performers.h"
#include "sequencer/sequence.h"

#include <cmath>
#include <cstdio>
#include <iterator>
#include <memory>
#include <string>

namespace {

// The largest value a variable-length quantity holds in its 4 bytes.
constexpr uint64_t MAX_VARLENGTH = 0x0FFFFFFF;
// The largest tempo a file states: 24 bits of microseconds per quarter.
constexpr uint32_t MAX_TEMPO_MICROSECONDS = 0xFFFFFF;
// The track of an event without one (a word's top bit set, or no word).
constexpr int NO_TRACK = 2047;

// Meta-event types.
enum : uint8_t {
    META_LYRIC = 0x05,
    META_END_OF_TRACK = 0x2F,
    META_TEMPO = 0x51,
    META_TIME_SIGNATURE = 0x58,
    META_KEY_SIGNATURE = 0x59,
    META_SEQUENCER_SPECIFIC = 0x7F,
};

// What a sequencer-specific event of a wave-file reference begins with.
constexpr uint8_t WAVE_REFERENCE_TAG[4] = {0x00, 0x00, 0x77, 0x2F};

// A meter event's MIDI clocks per metronome click and 32nd notes per quarter.
constexpr uint8_t CLOCKS_PER_CLICK = 24;
constexpr uint8_t THIRTY_SECONDS_PER_QUARTER = 8;

// The end of track stands this much before the end of the last measure, so
// that a reader that adds room after a track's end adds no measure.
constexpr float END_OF_TRACK_LEAD = 0.001f;

// Progress is reported after every this many performers.
constexpr int PROGRESS_EVERY = 100;

// The time of a performer's event; zero for an event without one.
MCTime EventTime(ECBase* event) {
    const MCTime* time = event ? event->GetTime() : nullptr;
    return time ? *time : MCTime();
}

// The track of a performer's event (NO_TRACK without a word, or for a
// converted word).
int EventTrack(ECBase* event) {
    const MCVoiceTrack* word = event ? event->GetVoiceTrack() : nullptr;
    return word ? word->GetTrack() : NO_TRACK;
}

// A text of the model (UTF-8) as the Windows-1252 bytes a file holds. A
// character that has no such byte becomes '?': the file keeps the text's
// length and every other character.
std::string ToFileBytes(const std::string& utf8) {
    std::string bytes;
    if (Utf8ToCp1252(utf8, bytes))
        return bytes;
    bytes.clear();
    const std::u16string units = Utf8ToUtf16(utf8);
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t codePoint = units[i];
        if (codePoint >= 0xD800 && codePoint < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        const int byte = CodePointToCp1252(codePoint);
        bytes.push_back(byte < 0 ? '?' : static_cast<char>(byte));
    }
    return bytes;
}

// The bytes of a wave file's path in its reference: Windows-1252 when every
// character has a byte there (as references have always been written), else
// UTF-8, which the reader tells apart. A '?' in place of a character would
// name another file, or none.
std::string WaveNameBytes(const std::string& utf8) {
    std::string bytes;
    return Utf8ToCp1252(utf8, bytes) ? bytes : utf8;
}

}   // namespace

// Everything a save takes that must be given back on every way out, the
// exceptional one included: the performance's lock (taken at once), the
// filter manager's ignore-mute flag, the progress shown and the sequence's
// play position. Given back in the reverse order: flag, progress, play
// position, lock.
class MidiSaveScope {
public:
    explicit MidiSaveScope(MCMidiWrite& writer) : m_writer(writer) { writer.m_pPerformance->Lock(); }
    MidiSaveScope(const MidiSaveScope&) = delete;
    MidiSaveScope& operator=(const MidiSaveScope&) = delete;

    ~MidiSaveScope() {
        if (m_bFileMode)
            m_writer.m_pFilterMgr->SetIgnoreMute(m_nIgnoreMuteBefore);
        if (m_bProgress) {
            // A status-bar failure must not replace the exception on its way.
            try {
                m_writer.ReportProgress(STATE_PROGRESS_END, 0);
            } catch (...) {
            }
        }
        m_writer.m_pSequence->SetPlayPosition(m_writer.m_pSequence->GetHead());
        m_writer.m_pPerformance->Unlock();
    }

    void ProgressShown() { m_bProgress = true; }
    // Mute and solo silence nothing while the file is written.
    void EnterFileMode() {
        m_nIgnoreMuteBefore = m_writer.m_pFilterMgr->GetIgnoreMute();
        m_writer.m_pFilterMgr->SetIgnoreMute(1);
        m_bFileMode = true;
    }

private:
    MCMidiWrite& m_writer;
    bool m_bProgress = false;
    bool m_bFileMode = false;
    int m_nIgnoreMuteBefore = 0;
};

// ---- the save --------------------------------------------------------------------

int MCMidiWrite::SaveMidiFile(CArchive& archive, MCOpusDoc* doc, int type, int ppq) {
    if ((type != 0 && type != 1) || ppq < MIN_PPQ || ppq > MAX_PPQ)
        return 0;
    if (!doc || !doc->GetBaseEvent() || !archive.GetFile())
        return 0;
    m_pDoc = doc;
    m_pPerformance = doc->GetBaseEvent();
    m_pSequence = doc->GetSequence();
    m_pFilterMgr = m_pSequence->GetPerfFilterMgr();
    m_nMidiType = type;
    m_nPPQ = ppq;

    {
        MidiSaveScope scope(*this);
        m_pConductor = m_pSequence->GetConductor();
        if (!m_pConductor)
            m_pConductor = m_pPerformance->GetConductor();
        // Chunk 0 is the conductor track; staff n has chunk n.
        m_nTrackCount = (type == 0 || !m_pConductor) ? 1 : m_pConductor->GetMaxTrackNumber(TRACK_STAFF) + 1;

        archive.Flush();
        m_pFile = archive.GetFile();

        m_nProgressTotal = m_pConductor ? m_pConductor->GetMaxMeasureEndTime().GetMSec() / 100 : 0;
        if (m_nProgressTotal < 0)
            m_nProgressTotal = 0;
        m_nProgressDone = 0;
        char text[64];
        std::snprintf(text, sizeof text, "Saving Type %d MIDI file...\n", type);
        auto* begin = new SCStatus(STATE_PROGRESS_BEGIN, std::string(text));
        begin->SetProgressRange(0, m_nProgressTotal);
        begin->SetAsynchronous(0);
        begin->Apply(m_pPerformance);
        scope.ProgressShown();

        WriteHeaderChunk();
        scope.EnterFileMode();
        for (m_nTrackIndex = 0; m_nTrackIndex < m_nTrackCount; ++m_nTrackIndex) {
            m_pSequence->SetPlayPosition(m_pSequence->GetHead());
            WriteTrackChunk();
            PatchTrackChunk();
        }
    }

    CFileStatus status;
    if (m_pFile->GetStatus(status))
        doc->GetHeader()->SetStatus(status);
    doc->GetHeader()->SetFormat(type + 1);
    return 1;
}

void MCMidiWrite::ReportProgress(unsigned code, int position) {
    auto* state = new SCStatus(code);
    if (code == STATE_PROGRESS_STEP)
        state->SetProgressStep(position);
    state->SetAsynchronous(0);
    state->Apply(m_pPerformance);
}

// ---- chunks ------------------------------------------------------------------------

void MCMidiWrite::PutBigEndian(uint8_t* to, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        to[i] = static_cast<uint8_t>(value & 0xFF);
        value >>= 8;
    }
}

void MCMidiWrite::WriteHeaderChunk() {
    uint8_t header[14] = {'M', 'T', 'h', 'd'};
    PutBigEndian(header + 4, 6, 4);
    PutBigEndian(header + 8, static_cast<uint32_t>(m_nMidiType), 2);
    PutBigEndian(header + 10, static_cast<uint32_t>(m_nTrackCount), 2);
    PutBigEndian(header + 12, static_cast<uint32_t>(m_nPPQ), 2);
    m_pFile->Write(header, sizeof header);
}

void MCMidiWrite::WriteTrackChunk() {
    m_lastTime = MCTime();
    m_ticksWritten = 0;
    m_runningStatus = 0;
    m_chunk.clear();
    static constexpr uint8_t head[8] = {'M', 'T', 'r', 'k', 0, 0, 0, 0};   // the length comes later
    PutBytes(head, sizeof head);

    int performers = 0;
    while (DCsqBase* performer = GetTrackData()) {
        ProcessTrackEvent(performer);
        if (++performers % PROGRESS_EVERY == 0)
            ReportProgress(STATE_PROGRESS_STEP,
                           m_nProgressDone + EventTime(performer->GetOwner()).GetMSec() / 100 / m_nTrackCount);
    }
    m_nProgressDone += m_nProgressTotal / m_nTrackCount;
    WriteQueue(MCTime::TimeMax());

    MCTime end = m_lastTime;
    if (m_pConductor) {
        MCTime lastMeasureEnd = m_pConductor->GetMaxMeasureEndTime();
        lastMeasureEnd -= MCTime(END_OF_TRACK_LEAD);
        if (lastMeasureEnd > end)
            end = lastMeasureEnd;
    }
    WriteEndOfTrack(end);
}

void MCMidiWrite::PatchTrackChunk() {
    const uint64_t length = m_chunk.size() - 8;
    if (length > 0xFFFFFFFFu)
        ThrowTooLarge();
    PutBigEndian(m_chunk.data() + 4, static_cast<uint32_t>(length), 4);
    m_pFile->Write(m_chunk.data(), m_chunk.size());
    m_chunk.clear();
}

// ---- performers ------------------------------------------------------------------------

DCsqBase* MCMidiWrite::GetTrackData() {
    while (DCsqBase* performer = m_pSequence->GetPlayPosition()) {
        m_pSequence->SetPlayPosition(performer->GetNext());
        ECBase* event = performer->GetOwner();
        if (!event)
            continue;
        if (m_nMidiType == 0)
            return performer;
        const int track = EventTrack(event);
        if (track == m_nTrackIndex)
            return performer;
        // The events of no track (2046, 2047) and of a track no chunk stands
        // for (a wave track numbered past the last staff) go with the
        // conductor track rather than nowhere.
        if (m_nTrackIndex == 0 && track >= m_nTrackCount)
            return performer;
    }
    return nullptr;
}

void MCMidiWrite::ProcessTrackEvent(DCsqBase* performer) {
    ECBase* event = performer->GetOwner();
    if (const MCTime* time = event->GetTime())
        WriteQueue(*time);

    switch (performer->GetClassType()) {
    case DT_BANKLSB:
    case DT_BANKMSB:
    case DT_MIDI:
    case DT_NOTE:
    case DT_PROGRAM:
    case DT_SYSMSG:
        ProcessMidiEvent(static_cast<DCsqMidi*>(performer));
        break;
    case DT_DYNAMIC:
        // A dynamic sounds as its volume controller, as in playback; a
        // hairpin's ramp has no single value to write.
        if (DCsqMidi* volume = static_cast<DCsqDynamic*>(performer)->Perform(m_pSequence, false))
            ProcessMidiEvent(volume);
        break;
    case DT_STAFF:
        // The staff's filters, brought up to date for the events that follow.
        static_cast<DCsqFilter*>(performer)->TriggerFilters(m_pSequence);
        break;
    case DT_TRANSPOSE:
        if (!event->IsDisplayOnly())
            static_cast<DCsqFilter*>(performer)->TriggerFilters(m_pSequence);
        break;
    case DT_TEMPO:
        WriteTempoEvent(static_cast<DCsqTempo*>(performer));
        break;
    case DT_KEY:
        WriteKeyEvent(static_cast<DCsqKey*>(performer));
        break;
    case DT_METER:
        WriteMeterEvent(static_cast<DCsqMeter*>(performer));
        break;
    case DT_TEXT:
        WriteTextEvent(static_cast<DCsqText*>(performer));
        break;
    case DT_LYRIC:
        WriteLyricEvent(static_cast<DCsqLyric*>(performer));
        break;
    case DT_WAVE:
        WriteWaveEvent(static_cast<DCsqWave*>(performer));
        break;
    case DT_FLOWCONTROL:
        WriteFlowEvent(static_cast<DCsqFlowControl*>(performer));
        break;
    default:
        break;
    }
}

void MCMidiWrite::ProcessMidiEvent(DCsqMidi* performer) {
    ECBase* event = performer->GetOwner();
    m_messages.RemoveAll();
    auto message = std::make_unique<MidiMessage>();
    performer->TransferDataTo(message.get());
    m_messages.SetAt(0, std::move(message));
    m_pFilterMgr->FilterData(event, m_messages);

    // What a filter moved later than the event waits in the queue, so the
    // chunk stays in time order.
    const MCTime due = EventTime(event);
    for (int i = 0; i < m_messages.GetSize(); ++i) {
        const MidiMessage* m = m_messages.GetAt(static_cast<unsigned>(i));
        if (!m)
            continue;
        if (m->m_noteOn.HasData()) {
            if (m->m_time <= due)
                WriteMidiEvent(m->m_time, m->m_noteOn);
            else
                QueueMidiEvent(m->m_time, m->m_noteOn);
        } else if (m->m_sysEx.HasData()) {
            if (m->m_time <= due)
                WriteSysExEvent(m->m_time, m->m_sysEx);
            else
                QueueSysExEvent(m->m_time, m->m_sysEx);
        }
        if (m->m_noteOff.HasData()) {
            MCTime off = m->m_time;
            off += m->m_duration;
            QueueMidiEvent(off, m->m_noteOff);
        }
    }
    m_messages.RemoveAll();
}

// ---- the queue -----------------------------------------------------------------------------

void MCMidiWrite::QueueMidiEvent(const MCTime& time, const FCMidi& midi) {
    MergeQueuedEvent(QueuedEvent(time, midi));
}

void MCMidiWrite::QueueSysExEvent(const MCTime& time, const FCMidiSysEx& sysEx) {
    MergeQueuedEvent(QueuedEvent(time, sysEx));
}

void MCMidiWrite::MergeQueuedEvent(QueuedEvent&& event) {
    // From the tail: new entries are mostly the latest.
    auto at = m_queue.end();
    while (at != m_queue.begin()) {
        auto before = std::prev(at);
        if (before->m_time <= event.m_time)
            break;
        at = before;
    }
    m_queue.insert(at, std::move(event));
}

void MCMidiWrite::WriteQueue(const MCTime& time) {
    while (!m_queue.empty() && m_queue.front().m_time <= time) {
        const QueuedEvent event = std::move(m_queue.front());
        m_queue.pop_front();
        if (event.m_midi.HasData())
            WriteMidiEvent(event.m_time, event.m_midi);
        else
            WriteSysExEvent(event.m_time, event.m_sysEx);
    }
}

// ---- events -----------------------------------------------------------------------------------

void MCMidiWrite::ThrowTooLarge() const {
    throw CArchiveException(CArchiveException::generic, m_pFile ? m_pFile->GetFilePath() : std::string());
}

void MCMidiWrite::WriteVarLength(uint64_t value) {
    if (value > MAX_VARLENGTH)
        ThrowTooLarge();
    uint8_t bytes[4];
    int count = 0;
    do {
        bytes[count++] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1)
        PutByte(static_cast<uint8_t>(bytes[--count] | 0x80));
    PutByte(bytes[0]);
}

int64_t MCMidiWrite::TicksAt(const MCTime& time) const {
    const double ticks = std::floor(static_cast<double>(time.GetSeconds()) * m_nPPQ + 0.5);
    if (!(ticks > 0.0))   // negative, zero or not a number
        return 0;
    // Far beyond anything a delta can reach; the delta check fails the save.
    constexpr double LIMIT = 4.0e18;
    return ticks < LIMIT ? static_cast<int64_t>(ticks) : static_cast<int64_t>(LIMIT);
}

void MCMidiWrite::WriteDeltaTime(const MCTime& time) {
    if (time > m_lastTime)
        m_lastTime = time;
    // From the absolute tick, not from the time since the last event: the
    // deltas add up to each event's own rounded tick, so rounding never
    // drifts. An event earlier than one written already gets delta 0.
    const int64_t tick = TicksAt(time);
    const int64_t delta = tick > m_ticksWritten ? tick - m_ticksWritten : 0;
    WriteVarLength(static_cast<uint64_t>(delta));
    m_ticksWritten += delta;
}

void MCMidiWrite::PutMetaEvent(const MCTime& time, uint8_t type, const uint8_t* data, size_t length) {
    WriteDeltaTime(time);
    PutByte(0xFF);
    PutByte(type);
    WriteVarLength(length);
    PutBytes(data, length);
    m_runningStatus = 0;
}

void MCMidiWrite::WriteEndOfTrack(const MCTime& time) {
    PutMetaEvent(time, META_END_OF_TRACK, nullptr, 0);
}

void MCMidiWrite::WriteMidiEvent(const MCTime& time, const FCMidi& midi) {
    const uint8_t status = midi.GetStatusByte();
    if (status < 0x80)
        return;   // no message
    // Data bytes never have the top bit: one that had would read as a status.
    const uint8_t data[2] = {static_cast<uint8_t>(midi.GetDataByte1() & 0x7F),
                             static_cast<uint8_t>(midi.GetDataByte2() & 0x7F)};
    if (status >= 0xF0) {
        // A bare system-exclusive status carries no message. A system common
        // or real-time message cannot stand in a track as it is (FF would
        // read as a meta event, the others as nothing a reader knows), so it
        // goes as an escape with its own bytes.
        if (status == 0xF0 || status == 0xF7)
            return;
        const size_t length = status == 0xF2 ? 3 : (status == 0xF1 || status == 0xF3) ? 2 : 1;
        const uint8_t bytes[3] = {status, data[0], data[1]};
        WriteDeltaTime(time);
        PutByte(0xF7);
        WriteVarLength(length);
        PutBytes(bytes, length);
        m_runningStatus = 0;
        return;
    }
    const uint8_t group = status & 0xF0;
    const size_t dataCount = (group == 0xC0 || group == 0xD0) ? 1 : 2;
    WriteDeltaTime(time);
    if (status != m_runningStatus) {
        PutByte(status);
        m_runningStatus = status;
    }
    PutBytes(data, dataCount);
}

void MCMidiWrite::WriteSysExEvent(const MCTime& time, const FCMidiSysEx& sysEx) {
    const unsigned length = sysEx.GetSysExBufLength();
    const uint8_t* buffer = sysEx.GetSysExBuf();
    if (length == 0 || !buffer)
        return;
    WriteDeltaTime(time);
    if (buffer[0] == 0xF0) {
        // F0, then the rest counted: a reader puts the F0 back in front.
        PutByte(0xF0);
        WriteVarLength(length - 1);
        PutBytes(buffer + 1, length - 1);
    } else {
        // A continuation or anything else: an escape of every byte, so
        // nothing is cut and the reader gets the buffer back whole.
        PutByte(0xF7);
        WriteVarLength(length);
        PutBytes(buffer, length);
    }
    m_runningStatus = 0;
}

// ---- meta events -------------------------------------------------------------------------------

int MCMidiWrite::TextKindToMetaType(int kind) {
    switch (kind) {
    case 1: return 2;                      // copyright notice
    case 2: case 3: case 8: return 3;      // sequence and track names
    case 4: return 4;                      // instrument name
    case 5: case 14: case 15: return 6;    // markers
    case 6: return 7;                      // cue point
    default: return 1;                     // plain text
    }
}

uint32_t MCMidiWrite::TempoToMicroseconds(double beatsPerMinute) {
    if (!(beatsPerMinute > 0.0))
        beatsPerMinute = 1.0;
    const double microseconds = std::floor(60000000.0 / beatsPerMinute + 0.5);
    if (microseconds < 1.0)
        return 1;
    if (microseconds > MAX_TEMPO_MICROSECONDS)
        return MAX_TEMPO_MICROSECONDS;
    return static_cast<uint32_t>(microseconds);
}

int MCMidiWrite::DenominatorPower(int denominator) {
    for (int power = 1; power <= 7; ++power)
        if (denominator == (1 << power))
            return power;
    return 0;
}

void MCMidiWrite::WriteTempoEvent(DCsqTempo* performer) {
    auto* tempo = DYNAMIC_DOWNCAST(ECTempo, performer->GetOwner());
    // A gradual change has no single tempo to state.
    if (!tempo || tempo->HasDuration())
        return;
    const uint32_t microseconds = TempoToMicroseconds(tempo->GetTempo(1.0f));
    uint8_t data[3];
    PutBigEndian(data, microseconds, 3);
    PutMetaEvent(EventTime(tempo), META_TEMPO, data, sizeof data);
}

void MCMidiWrite::WriteKeyEvent(DCsqKey* performer) {
    auto* key = DYNAMIC_DOWNCAST(ECKey, performer->GetOwner());
    if (!key)
        return;
    const uint8_t data[2] = {static_cast<uint8_t>(static_cast<int8_t>(key->GetAccidentals())), key->GetMode()};
    PutMetaEvent(EventTime(key), META_KEY_SIGNATURE, data, sizeof data);
}

void MCMidiWrite::WriteMeterEvent(DCsqMeter* performer) {
    auto* meter = DYNAMIC_DOWNCAST(ECMeter, performer->GetOwner());
    if (!meter)
        return;
    const uint8_t data[4] = {meter->GetNumerator(), static_cast<uint8_t>(DenominatorPower(meter->GetDenominator())),
                             CLOCKS_PER_CLICK, THIRTY_SECONDS_PER_QUARTER};
    PutMetaEvent(EventTime(meter), META_TIME_SIGNATURE, data, sizeof data);
}

void MCMidiWrite::WriteTextEvent(DCsqText* performer) {
    auto* text = DYNAMIC_DOWNCAST(ECText, performer->GetOwner());
    if (!text || text->GetText().empty())
        return;
    const std::string bytes = ToFileBytes(text->GetText());
    PutMetaEvent(EventTime(text), static_cast<uint8_t>(TextKindToMetaType(text->GetTextType())),
                 reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

void MCMidiWrite::WriteLyricEvent(DCsqLyric* performer) {
    auto* lyric = DYNAMIC_DOWNCAST(ECText, performer->GetOwner());
    if (!lyric || lyric->GetText().empty())
        return;
    const std::string bytes = ToFileBytes(lyric->GetText());
    PutMetaEvent(EventTime(lyric), META_LYRIC, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

void MCMidiWrite::WriteWaveEvent(DCsqWave* performer) {
    auto* wave = DYNAMIC_DOWNCAST(ECWave, performer->GetOwner());
    if (!wave || wave->GetFileName().empty())
        return;
    const std::string name = WaveNameBytes(wave->GetFileName());
    std::vector<uint8_t> data(8 + name.size());
    std::copy(std::begin(WAVE_REFERENCE_TAG), std::end(WAVE_REFERENCE_TAG), data.begin());
    PutBigEndian(data.data() + 4, static_cast<uint32_t>(EventTrack(wave)), 4);
    std::copy(name.begin(), name.end(), data.begin() + 8);
    PutMetaEvent(EventTime(wave), META_SEQUENCER_SPECIFIC, data.data(), data.size());
}

void MCMidiWrite::WriteFlowEvent(DCsqFlowControl*) {}
