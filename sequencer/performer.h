// The performer: what every event of a document carries to know how it
// sounds.
//
// Each event holds, as its view data of kind DK_SEQUENCER (model/plugin.h),
// one performer: an object of the DCsq family (sequencer/performers.h for
// the events, sequencer/trackperformer.h and sequencer/staffperformer.h for
// the tracks). The data registry makes it on demand from the performer table
// that RegisterPerformers fills. DCsqBase is the performer of an event with
// no sound of its own; it holds
//   the previous and the next performer   links of the sequence's one
//                                         time-ordered list (borrowed; the
//                                         sequence threads and unthreads
//                                         them), both null until threaded.
// Every performer answers its DataType (GetClassType): the performer kind,
// which is neither the view kind nor the event type. Performers of markings
// own MIDI filters (GetFilters); the others have none.
//
// Archive form (after DCBase's 12 bytes and owner): nothing more. The two
// links are written, as object references, by the after-load pass
// (PostSerialize), which runs after the whole tree was written or read.
//
// Every performer class is serial with schema 2, versionable, so that a
// reader can ask for the schema that was written.
//
// Threads: a performer belongs to its event: the user-interface thread, or
// the device library's polling thread under the player's lock and then the
// performance's lock (the player walks the list and fills messages there).
#pragma once

#include "model/viewdata.h"

class CArchive;
class CSequence;
class ECBase;
class MCMidiFilterList;

// The performer kinds, as GetClassType answers them.
enum DataType : int {
    DT_BASE = 0,              // DCsqBase
    DT_ACCENT = 1,            // DCsqAccent
    DT_BANKLSB = 2,           // DCsqBankLSB
    DT_BANKMSB = 3,           // DCsqBankMSB
    DT_CONDUCTORSTAFF = 4,    // DCsqConductorStaff
    DT_DYNAMIC = 5,           // DCsqDynamic
    DT_FLOWCONTROL = 6,       // DCsqFlowControl
    DT_FILTER = 7,            // DCsqFilter
    DT_KEY = 8,               // DCsqKey
    DT_LYRIC = 9,             // DCsqLyric
    DT_METER = 10,            // DCsqMeter
    DT_MIDI = 11,             // DCsqMidi
    DT_NOTE = 12,             // DCsqNote
    DT_PROGRAM = 13,          // DCsqProgram
    DT_STAFF = 14,            // DCsqStaff
    DT_SYSMSG = 15,           // DCsqSysMsg
    DT_TEMPO = 16,            // DCsqTempo
    DT_TEXT = 17,             // DCsqText
    DT_TRANSPOSE = 18,        // DCsqTranspose
    DT_TRACK = 19,            // DCsqTrack
    DT_WAVE = 20,             // DCsqWave
    DT_WAVETRACK = 21,        // DCsqWaveTrack
    DT_COUNT = 22,
};

class DCsqBase : public DCBase {
    DECLARE_SERIAL(DCsqBase)
public:
    DCsqBase();
    // Copies the flags and both links; the owner stays null.
    DCsqBase(const DCsqBase& other);
    ~DCsqBase() override;

    // DCBase's part only.
    void Serialize(CArchive& ar) override;
    // DCBase's pass, then the previous and the next performer as object
    // references (written when storing, read when loading). A link read that
    // is not a performer throws CArchiveException.
    void PostSerialize(CArchive& ar) override;

    // The performer kind (DataType).
    virtual int GetClassType() const;
    // The performer's filters (null: it has none).
    virtual MCMidiFilterList* GetFilters();

    DCsqBase* GetPrev() const { return m_pPrev; }
    DCsqBase* GetNext() const { return m_pNext; }
    void SetPrev(DCsqBase* prev) { m_pPrev = prev; }
    void SetNext(DCsqBase* next) { m_pNext = next; }
    // Joins its neighbours to each other and clears its own links; the
    // list's ends and cursors are the list holder's to move.
    void Unlink() {
        if (m_pPrev)
            m_pPrev->m_pNext = m_pNext;
        if (m_pNext)
            m_pNext->m_pPrev = m_pPrev;
        m_pPrev = nullptr;
        m_pNext = nullptr;
    }

    // The event's performer (its view data of kind DK_SEQUENCER, made on
    // demand when `create` is set), or null when it has none or the data is
    // not a performer. Null for a null event.
    static DCsqBase* GetPerformer(ECBase* event, int create);

protected:
    // The file version archived fields are read with: the active
    // performance's, the current one when none is active.
    static int GetFileVersion();

    // The flag word's bits, for the derived classes' flag bits (bit 0 is
    // DCBase's dirty flag).
    int GetFlagBit(int bit) const { return m_flags.GetBitValue(bit); }
    void SetFlagBit(int bit, int on) { m_flags.SetBitValue(bit, on ? 1 : 0); }

private:
    DCsqBase* m_pPrev = nullptr;   // borrowed: the sequence's list
    DCsqBase* m_pNext = nullptr;   // borrowed: the sequence's list
};
