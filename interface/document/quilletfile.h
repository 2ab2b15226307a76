// MCQuilletFile: the reader of song files of the older sequencer format
// (".sng"). It builds a document's piece from one: the conductor's time
// signatures and tempos, one staff per voice of the song with its measures,
// key signatures, notes (a note tied into the next measure joined with its
// continuation) and lyrics; the document's format becomes DF_SONG_FILE.
//
// A song file is a version, three context blocks and the editor blocks, which
// name one another by 16-bit ids (the layout is set out in quilletfile.cpp).
// The reader works in two stages:
//   reading      the blocks into a map by id, then every record the song uses
//                out of them into plain records (quilletrecords.h); anything
//                damaged refuses the file here, before the document is
//                touched;
//   conversion   a new performance with its conductor for the document, the
//                sequence attached, and under the performance's lock the
//                records turned into events (LoadMap), with progress states
//                sent as it goes; staves left without notes are removed
//                (RemoveEmptyTracks).
// The file's position is put back where it was in every case, so the caller
// may try another reader on the same file.
//
// The reader holds
//   the block map    id -> the block's bytes;
//   the file         borrowed from the archive while a load runs;
//   the document's performance, conductor and sequence   borrowed;
//   the context      counts and first ids;
//   the song         the records read, and the tick clock that places them;
//   the tempo maps   the current and the previous tempo point;
//   the tie list     the notes waiting for their tied continuation, searched
//                    newest first (borrowed: the tree holds them).
// A reader object serves one load at a time and may be used again.
//
// User-interface thread only (it edits a document's tree and applies
// synchronous commands and states).
#pragma once

#include "interface/document/quilletrecords.h"
#include "interface/document/tempomap.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

class CArchive;
class CFile;
class CSequence;
class ECBase;
class ECConductor;
class ECConductorStaff;
class ECMeasure;
class ECNote;
class ECPerformance;
class ECStaff;
class MCOpusDoc;

class MCQuilletFile {
public:
    // The versions this reader knows.
    static constexpr uint32_t FIRST_VERSION = 1000;
    static constexpr uint32_t LAST_VERSION = 1040;
    // The check value of the first context record.
    static constexpr uint32_t CONTEXT_CHECK = 99;
    // The editor-block id that ends the list.
    static constexpr uint16_t END_BLOCK_ID = 0xFFFF;

    MCQuilletFile() = default;
    MCQuilletFile(const MCQuilletFile&) = delete;
    MCQuilletFile& operator=(const MCQuilletFile&) = delete;

    // Reads the song file at the archive's position into `doc`, replacing
    // its piece: 1 when read, 0 when the file is not a song file this reader
    // knows or is damaged (nothing of the document is touched when the
    // damage shows while reading; a document whose conversion failed keeps
    // what was built and is emptied by the caller). The archive is flushed
    // and the file read directly; its position is restored in every case.
    int LoadQuilletFile(CArchive& archive, MCOpusDoc* doc);

protected:
    // ---- reading (quilletfile.cpp); each throws CArchiveException on damage ----

    // The big-endian version in bytes 4 to 7 of the 8-byte head.
    uint32_t GetVersion();
    // Whether the version lies in FIRST_VERSION..LAST_VERSION; then the
    // context blocks are read (ReadContexts) and the first one's check value
    // must be CONTEXT_CHECK. 1 when both hold.
    int VerifyQuilletFile(uint32_t version);
    // One context block (id 0) widened into `context`.
    void ReadCONTXT(MCQuilletContext& context);
    // The data-context block (id 0): read over, not used.
    void ReadDATACONTEXT();
    // Both context blocks and the data context; the counts from the first,
    // the ids from the second.
    void ReadContexts();
    // One editor block into the map; false at the end marker, at the end of
    // the file, or at a block that is not there in full.
    bool ReadEditorBlock();
    // The packed context record of a block, widened field by field.
    static void CopyContxt16to32(const std::vector<uint8_t>& packed, MCQuilletContext& context);
    // The id of the first ruler mark, from the ruler block the context names.
    uint16_t GetFirstRulerMark();
    // The ruler marks, the voices and their measures and events, out of the
    // map into m_song; then the ruler marks' times are placed and checked.
    void ReadSong();
    void ReadRulerMarks();
    void ReadVoices();
    // One measure record; returns the id of the next.
    uint16_t ReadMeasure(uint32_t id, MCQuilletMeasure& measure);
    // The events of a measure block from `offset` on.
    void ReadEvents(const std::vector<uint8_t>& block, size_t offset, unsigned count,
                    std::vector<MCQuilletEvent>& events);
    // A block named by a record: it must be in the map and not used before.
    const std::vector<uint8_t>& UseBlock(uint32_t id);
    // Bytes [0, length) of a named block as text.
    std::string ReadText(uint32_t id, uint32_t length);
    // Places every ruler mark on the tick clock and refuses marks that run
    // backwards or far past the measure before them.
    void PlaceRulerMarks();

    // ---- conversion (quilletconvert.cpp) ----

    // The whole song into the tree, with progress states.
    void LoadMap();
    // Every staff without notes, tempos or meters is removed.
    void RemoveEmptyTracks();
    void TConductor(ECConductorStaff* conductorStaff);
    // Voice `index` into staff index + 1.
    void TStaff(int index, const MCQuilletVoice& voice);
    void TMeasure(ECStaff* staff, ECMeasure* measure, const MCQuilletMeasure& record,
                  const MCQuilletRulerMark& mark);
    void TTimeSignature(ECConductorStaff* conductorStaff, const MCQuilletRulerMark& mark);
    void TTempo(ECConductorStaff* conductorStaff, const MCQuilletRulerMark& mark);
    void TKey(ECMeasure* measure, const MCQuilletMeasure& record);
    void TMeasureEvents(ECStaff* staff, ECMeasure* measure, const MCQuilletMeasure& record,
                        const MCQuilletRulerMark& mark);
    // A loop measure repeats others: it adds nothing of its own.
    void TLoopMeasureEvents(ECMeasure* measure, const MCQuilletMeasure& record);
    void TNote(ECMeasure* measure, const MCQuilletEvent& event, int64_t measureTick);
    void TLyric(ECStaff* staff, const MCQuilletEvent& event, int64_t measureTick);
    // A wave names its file (read already); nothing is added.
    void TWave(ECMeasure* measure, const MCQuilletEvent& event);

    // The tie list.
    void AddNoteToTieList(uint8_t key, uint8_t channel, ECNote* note);
    // The newest entry of that key and channel, taken off the list; null
    // when there is none.
    ECNote* FindNoteInTieList(uint8_t key, uint8_t channel);
    static bool IsNoteAttribute(const MCQuilletEvent& event, uint8_t attribute);

private:
    // Reads exactly `count` bytes from the file or throws endOfFile.
    void ReadExact(void* buffer, size_t count);
    // A block head and its bytes; false when the file ends before either
    // is whole.
    bool ReadBlock(uint16_t& id, std::vector<uint8_t>& bytes);
    void Reset();
    // Moves the tempo point on to `tick` with a tempo (the current point
    // becomes the previous one) and adds an ECTempo there.
    void AddTempo(ECConductorStaff* conductorStaff, int64_t tick, uint16_t tenths);
    // Adds a meter or tempo to the conductor staff, replacing one of its kind
    // that starts at the same time, and gives it its performer.
    bool AddConductorEvent(ECConductorStaff* conductorStaff, ECBase* event);
    // Gives an event added to the tree its performer in the sequence.
    void AddPerformer(ECBase* event);
    // A progress state, sent.
    void ApplyProgress(unsigned code, int value);

    struct TieEntry {
        uint8_t key;
        uint8_t channel;
        ECNote* note;   // borrowed: the tree holds it
    };

    std::map<uint16_t, std::vector<uint8_t>> m_blocks;
    std::set<uint32_t> m_usedBlocks;          // ids of blocks a record took
    CFile* m_pFile = nullptr;                 // borrowed during a load
    ECPerformance* m_pPerformance = nullptr;  // borrowed: the document holds it
    ECConductor* m_pConductor = nullptr;      // borrowed: the tree holds it
    CSequence* m_pSequence = nullptr;         // borrowed: the document's
    MCQuilletContext m_context;
    uint16_t m_firstRulerMarkId = 0;
    MCQuilletSong m_song;
    MCQuilletTickClock m_ticks;
    MCTempoMap m_currentTempo;
    MCTempoMap m_previousTempo;
    std::vector<TieEntry> m_tieList;          // the newest at the back
    int m_nTrack = 0;                         // the staff of the voice being converted
};
