// The Standard MIDI File reader: a file of type 0, 1 or 2 into a document.
//
// MCMidiRead parses the header chunk and the track chunks of a file and hands
// every musical item to the sequence's MIDI score manager, which builds the
// events of the tree (notes paired from note-on and note-off, controllers,
// system-exclusive messages, texts, lyrics, tempo, meter, key, sequence
// number, track end). A wave-file reference kept in a sequencer-specific meta
// event becomes a clip through the sequence's wave score manager. The
// document's load tries this reader first on every file: a file that is not
// MIDI leaves the reader with 0 and the file where it stood.
//
// Where things go:
//   type 1     chunk n is track n; when chunk 0 holds channel messages, every
//              channel message of chunk n goes to track n + 1 instead (its
//              texts, lyrics, keys and track end stay on track n);
//   type 0, 2  each MIDI channel becomes a track of its own, numbered in the
//              order the channels are first met (1, 2, ...);
//   type 2     each chunk is a pattern that starts where the patterns before
//              it ended (the sum of their lengths).
// Running status lasts across meta and system-exclusive events and across
// chunks. Tempo, meter, sequence number, copyright, marker and cue point go
// to track 0; key signatures are dropped there. Texts and lyrics are
// Windows-1252 bytes and reach the tree as UTF-8; a wave name is read as
// UTF-8 when it is well-formed UTF-8 (the writer's form for a name the code
// page cannot hold), else as Windows-1252.
//
// Every length read from the file is checked against what holds it: a chunk
// longer than the rest of the file is refused before any memory is taken for
// it, and an event running past its chunk's end (or malformed: a short meta
// event, a channel prefix above 15, a data byte with its top bit set, a data
// byte with no status before it) is an error of that chunk; the load then fails and the native reader goes on. So
// is an event later than 131072 quarter notes: measures are made up to every
// event, and one damaged delta time would ask for millions of them.
// A division counted in time-code frames is refused with a message of its own
// (a user exception follows, so nothing else is shown).
//
// A track the voice/track word cannot hold (2047 and above: more chunks than
// the word counts, or a wave reference's number) has no place in the tree;
// what was addressed to it is left out, and the reader counts those tracks
// and their notes (GetLeftOut) for the caller to tell the user.
//
// One reader serves one load. User-interface thread only: the tree is locked
// for the whole reading of the track chunks, so other threads see either no
// tree or the finished one.
#pragma once

#include "model/time.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

class CArchive;
class CFile;
class CSequence;
class ECPerformance;
class MCOpusDoc;

// The results of the chunk and event readers; 0 is success.
enum MIDIFILE_ERR : int {
    MIDIFILE_OK = 0,
    MIDIFILE_ERR_TRACK_DATA = 1,   // a track chunk's data could not be read in full
    MIDIFILE_ERR_EVENT = 2,        // an event runs past its chunk's end or is malformed
    MIDIFILE_ERR_CHUNK_HEAD = 3,   // the 8-byte chunk head could not be read
    MIDIFILE_ERR_NOT_MTHD = 4,     // the first chunk is not "MThd"
    MIDIFILE_ERR_HEADER = 5,       // header data short, division 0, or a type above 2
    MIDIFILE_ERR_NOT_MTRK = 6,     // a track chunk is not "MTrk"
    MIDIFILE_ERR_TIME_CODE = 7,    // the division counts time-code frames
};

// One chunk's bytes in memory, read from the front. Reads never go past the
// end: one that would throws MCMidiBuf::Overrun and leaves the cursor where
// it was.
class MCMidiBuf {
public:
    struct Overrun {};

    // `size` bytes, zeroed, the cursor at the first.
    explicit MCMidiBuf(std::size_t size);
    MCMidiBuf(const MCMidiBuf&) = delete;
    MCMidiBuf& operator=(const MCMidiBuf&) = delete;
    MCMidiBuf(MCMidiBuf&&) noexcept = default;
    MCMidiBuf& operator=(MCMidiBuf&&) noexcept = default;

    // The bytes, for filling the buffer from a file.
    uint8_t* GetData() { return m_bytes.data(); }
    std::size_t GetSize() const { return m_bytes.size(); }
    // Bytes read so far and bytes left.
    std::size_t GetOffset() const { return m_cursor; }
    std::size_t GetRemaining() const { return m_bytes.size() - m_cursor; }
    bool AtEnd() const { return m_cursor >= m_bytes.size(); }

    uint8_t ReadByte();
    // The next `count` bytes, in place (valid while the buffer lives).
    const uint8_t* ReadByteArray(std::size_t count);
    // A variable-length quantity: 7 bits a byte, most significant group
    // first, while bit 7 is set. At most four bytes (28 bits), as files
    // write them; a fifth is an Overrun too.
    uint32_t ReadVariLength();

private:
    std::vector<uint8_t> m_bytes;
    std::size_t m_cursor = 0;
};

class MCMidiRead {
public:
    // The text shown when a file counts its time in time-code frames.
    static const char* const kTimeCodeRefused;

    // What a load left out: the tracks the voice/track word cannot hold, and
    // the notes (note-ons with a velocity) addressed to them.
    struct LeftOut {
        int tracks = 0;
        int notes = 0;
        bool IsEmpty() const { return tracks == 0 && notes == 0; }
    };
    // The message telling the user what was left out (empty when nothing was).
    static std::string DescribeLeftOut(const LeftOut& leftOut);

    MCMidiRead();
    MCMidiRead(const MCMidiRead&) = delete;
    MCMidiRead& operator=(const MCMidiRead&) = delete;

    // Reads a MIDI file from where `archive` stands into `doc`, which has
    // no performance yet (one left there is destroyed first). Returns 1 when
    // the file was read: the document then has a new performance with a
    // conductor, its sequence attached, the file's status in its header and
    // the format MIDI type + 1. Returns 0, the file put back where it stood,
    // when the file is not MIDI or any chunk is in error; a performance made
    // by then stays with the document (the failed load empties it). Shows no
    // message, but for a time-code division: that message, then
    // CUserException (the file put back first). Other exceptions (of the
    // file, of memory) pass through, with the file put back and the tree
    // unlocked.
    int LoadMidiFile(CArchive& archive, MCOpusDoc* doc);

    // What the header chunk said (for tests and the caller's messages).
    int GetMidiType() const { return m_nMidiType; }
    int GetTrackCount() const { return m_nTrackCount; }
    int GetDivision() const { return m_nDivision; }
    // What the last load left out.
    LeftOut GetLeftOut() const;

protected:
    int ReadHeaderChunk();
    int ReadTrackChunk();
    int ReadTrackEvent(MCMidiBuf& buf);
    int ReadMidiEvent(MCMidiBuf& buf, uint8_t byte, MCTime& time);
    int ReadMetaEvent(MCMidiBuf& buf, MCTime& time);
    int ReadSysExEvent(MCMidiBuf& buf, uint8_t status, MCTime& time);
    void ReadSeqSpecific(MCTime& time, std::size_t length, const uint8_t* data);
    // Adds `delta` ticks to the chunk's running total and sets `time` to that
    // total in quarter notes.
    void CalcMCTime(uint32_t delta, MCTime& time);
    // The track of a channel or system message with this status (see the top
    // of the file); may give a channel its track.
    int GetTrack(uint8_t status, uint8_t data);

private:
    // Reads all the track chunks; the first error ends it.
    int ReadTrackChunks();
    // Reads up to `count` bytes from the file; how many it got.
    std::size_t ReadFile(void* buffer, std::size_t count);
    // Bytes between the file's position and its end.
    uint64_t GetFileRemaining() const;
    // The track of a meta event: the channel prefix's when one is set, else
    // the chunk index.
    int GetMetaTrack() const;
    // Whether a tempo of the tree already starts at `time`.
    bool TempoStartsAt(const MCTime& time);
    // A synchronous progress step at this file position.
    void ApplyProgressStep(uint64_t position);
    // The voice/track word of voice 0 on `track`; a track the word cannot
    // hold is "no track" and is counted as left out.
    MCVoiceTrack TrackWord(int64_t track);

    CFile* m_pFile = nullptr;                // borrowed: the archive's
    ECPerformance* m_pPerformance = nullptr;   // borrowed: the document's
    CSequence* m_pSequence = nullptr;          // borrowed: the document's

    int m_nMidiType = 0;
    int m_nTrackCount = 0;
    int m_nDivision = 0;        // ticks per quarter note
    uint8_t m_runningStatus = 0;
    long m_lTempo = 500000;     // microseconds per quarter note
    double m_dBeatsPerMinute = 120.0;
    int64_t m_ticks = 0;        // delta ticks summed over the current chunk
    int m_nChunkIndex = 0;
    int m_channelTracks[16];    // track of each channel, -1 none (types 0, 2)
    int m_nNextTrack = 0;
    int m_nPrefixTrack = -1;    // track of the last channel prefix, -1 none
    int m_nFirstTrackOffset = 0;
    MCTime m_trackLength;       // the previous chunk's length, quarter notes
    MCTime m_patternStart;      // type 2: where the current chunk starts

    uint64_t m_chunkDataOffset = 0;   // file position of the chunk's data
    std::set<int64_t> m_leftOutTracks;   // the tracks with no place, by number
    int m_nLeftOutNotes = 0;
    std::size_t m_nextStepMark = 0;   // bytes of the chunk at the next progress step
};
