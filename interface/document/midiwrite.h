// The Standard MIDI File writer: a document saved as a MIDI file of type 0
// or type 1.
//
// MCMidiWrite does not walk the event tree. It walks the sequence's
// time-ordered list of performers, turns each into messages through the same
// filter chain that playback uses (CPerfFilterMgr::FilterData), so the file
// sounds as playback would, and writes them with delta times at the PPQ it
// is given. Muted staves are written too: the filter manager ignores mute
// and solo while a file is written. Note-offs and whatever else lies in the
// future wait in a time-sorted queue.
//
// The file:
//   header     "MThd", length 6, type, track count and PPQ (big-endian);
//   chunks     type 0: one chunk with every performer; type 1: chunk 0 the
//              conductor track (track 0, the events of no track, and the
//              events of a track past the last chunk), chunk n the events of
//              staff track n, for n up to the conductor's highest staff;
//   events     channel messages with running status (a status equal to the
//              last channel status of the chunk is left out; a system
//              message, meta event or system-exclusive event cancels it);
//              system exclusive as F0 <length> <the rest> for a buffer that
//              starts with F0, else as an F7 escape of the whole buffer, so
//              the bytes read back are the bytes held; system common and
//              real-time messages, which a track cannot hold as they are,
//              as F7 escapes too; meta events for tempo, key, meter, texts
//              (meta type by text kind), lyrics, wave-file references
//              (sequencer-specific 00 00 77 2F, the track, the name) and
//              end of track. Texts are written as Windows-1252 bytes (a
//              character that has none becomes '?'); a wave file's name too,
//              unless it has such a character: then it is written in UTF-8,
//              so the reference still names the file. A tempo beyond the 24
//              bits of its event is held at their largest value.
//   times      every delta is taken from the event's absolute tick (its
//              musical time at the PPQ, rounded) less the ticks already
//              written, so rounding never accumulates. Each chunk ends at
//              the end of the last measure (a thousandth of a quarter
//              before it), or at its latest event when that is later.
// A value that does not fit a variable-length quantity (above 0x0FFFFFFF
// ticks or bytes) fails the save with CArchiveException: a file with cut
// values would read back wrong.
//
// One writer per save. The performance is locked for the whole write; on
// every way out (an exception included) the lock, the filter manager's
// ignore-mute flag and the sequence's play position are given back, and the
// exception goes on to the caller.
//
// User-interface thread only.
#pragma once

#include "model/midifields.h"
#include "model/time.h"
#include "sequencer/midimessage.h"

#include <cstdint>
#include <list>
#include <vector>

class CArchive;
class CFile;
class CPerfFilterMgr;
class CSequence;
class DCsqBase;
class DCsqFlowControl;
class DCsqKey;
class DCsqLyric;
class DCsqMeter;
class DCsqMidi;
class DCsqTempo;
class DCsqText;
class DCsqWave;
class ECConductor;
class ECPerformance;
class MCOpusDoc;

// One message waiting in the writer's queue: a MIDI word or a
// system-exclusive buffer (the one that holds data is written), at its time.
class QueuedEvent {
public:
    QueuedEvent() = default;
    QueuedEvent(const QueuedEvent& other) = default;
    QueuedEvent(const MCTime& time, const FCMidi& midi) : m_time(time), m_midi(midi) {}
    QueuedEvent(const MCTime& time, const FCMidiSysEx& sysEx) : m_time(time), m_sysEx(sysEx) {}
    QueuedEvent& operator=(const QueuedEvent& other) = default;

    MCTime m_time;
    FCMidi m_midi;
    FCMidiSysEx m_sysEx;
};

class MCMidiWrite {
public:
    // The PPQ range a file can state (a positive 15-bit division).
    static constexpr int MIN_PPQ = 1;
    static constexpr int MAX_PPQ = 0x7FFF;

    MCMidiWrite() = default;
    MCMidiWrite(const MCMidiWrite&) = delete;
    MCMidiWrite& operator=(const MCMidiWrite&) = delete;
    ~MCMidiWrite() = default;

    // Writes the document to the archive's file as a MIDI file of `type`
    // (0 or 1) at `ppq` ticks per quarter note. 0, with nothing written,
    // flushed or locked, for another type, a PPQ outside 1..32767, or a
    // document without a performance. Otherwise 1; the file's status goes
    // into the document's header and its format becomes type + 1. Progress
    // goes to the performance as STATE_PROGRESS_BEGIN, _STEP and _END,
    // applied synchronously. Write failures throw (CFileException from the
    // file, CArchiveException for a value a MIDI file cannot hold).
    int SaveMidiFile(CArchive& archive, MCOpusDoc* doc, int type, int ppq);

protected:
    // ---- the file ----
    void WriteHeaderChunk();
    // Starts a chunk, writes every performer of it, the queue and the end of
    // track.
    void WriteTrackChunk();
    // Fills in the chunk's length and hands the chunk to the file.
    void PatchTrackChunk();

    // ---- performers ----
    // The next performer of the chunk from the play position (which moves on
    // past it), or null at the end of the list.
    DCsqBase* GetTrackData();
    void ProcessTrackEvent(DCsqBase* performer);
    // The performer's message through the filter chain: what is due is
    // written, the rest and the note-offs queued.
    void ProcessMidiEvent(DCsqMidi* performer);

    // ---- the queue ----
    void QueueMidiEvent(const MCTime& time, const FCMidi& midi);
    void QueueSysExEvent(const MCTime& time, const FCMidiSysEx& sysEx);
    // Writes and removes every entry at or before the time.
    void WriteQueue(const MCTime& time);
    // Behind the last entry at or before its time: entries of one time leave
    // in the order they came.
    void MergeQueuedEvent(QueuedEvent&& event);

    // ---- events ----
    void WriteVarLength(uint64_t value);
    void WriteDeltaTime(const MCTime& time);
    void WriteEndOfTrack(const MCTime& time);
    void WriteMidiEvent(const MCTime& time, const FCMidi& midi);
    void WriteSysExEvent(const MCTime& time, const FCMidiSysEx& sysEx);
    void WriteTempoEvent(DCsqTempo* performer);
    void WriteKeyEvent(DCsqKey* performer);
    void WriteTextEvent(DCsqText* performer);
    void WriteLyricEvent(DCsqLyric* performer);
    void WriteMeterEvent(DCsqMeter* performer);
    void WriteWaveEvent(DCsqWave* performer);
    // Flow-control marks have no form in a MIDI file: nothing.
    void WriteFlowEvent(DCsqFlowControl* performer);

    // The meta type of a text kind: 1 -> 2, 2, 3 and 8 -> 3, 4 -> 4,
    // 5, 14 and 15 -> 6, 6 -> 7, any other 1.
    static int TextKindToMetaType(int kind);
    // Microseconds per quarter note of a tempo, 60,000,000 / bpm rounded to
    // the nearest (0 bpm taken as 1), held to the 24 bits a file has.
    static uint32_t TempoToMicroseconds(double beatsPerMinute);
    // A meter's denominator as the power of two a file writes: 1, 2 ... 7
    // for 2, 4 ... 128, and 0 for any other.
    static int DenominatorPower(int denominator);

private:
    // Undoes what a save took on every way out (see midiwrite.cpp).
    friend class MidiSaveScope;

    // Chunk bytes.
    void PutByte(uint8_t byte) { m_chunk.push_back(byte); }
    void PutBytes(const uint8_t* bytes, size_t count) { m_chunk.insert(m_chunk.end(), bytes, bytes + count); }
    // Big-endian, as every number of a MIDI file's chunk heads.
    static void PutBigEndian(uint8_t* to, uint32_t value, int bytes);
    void PutMetaEvent(const MCTime& time, uint8_t type, const uint8_t* data, size_t length);
    // The event's absolute tick at the PPQ (negative times count as 0).
    int64_t TicksAt(const MCTime& time) const;
    // Fails the save for a value a file cannot hold.
    [[noreturn]] void ThrowTooLarge() const;
    void ReportProgress(unsigned code, int position);

    CFile* m_pFile = nullptr;                 // borrowed: the archive's
    MCOpusDoc* m_pDoc = nullptr;              // borrowed
    ECPerformance* m_pPerformance = nullptr;  // borrowed: the document's
    CSequence* m_pSequence = nullptr;         // borrowed: the document's
    CPerfFilterMgr* m_pFilterMgr = nullptr;   // borrowed: the sequence's
    ECConductor* m_pConductor = nullptr;      // borrowed, may be null
    int m_nMidiType = 0;
    int m_nTrackCount = 0;
    int m_nPPQ = 0;

    // Per chunk.
    std::vector<uint8_t> m_chunk;   // "MTrk", the length, the events
    int m_nTrackIndex = 0;
    uint8_t m_runningStatus = 0;    // 0: none
    int64_t m_ticksWritten = 0;
    MCTime m_lastTime;              // of the latest event written

    // Progress, in hundredths of the piece's time value (GetMSec / 100).
    int m_nProgressTotal = 0;
    int m_nProgressDone = 0;

    MCMidiMsgVector m_messages;     // scratch, reused for each performer
    std::list<QueuedEvent> m_queue; // by time
};
