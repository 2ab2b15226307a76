// CPerfFilterMgr: the one chain of MIDI filters that every performed message
// passes before it reaches a device (playback, and the MIDI file writer so
// that a written file carries what playback would send).
//
// One manager per sequence (a member of CSequence). The chain for an event:
//   1. mute and solo: the staff of the event's track must be active (unless
//      the ignore-mute flag is set), else every message is dropped;
//   2. the global filters (borrowed: their owners delete them, and a deleted
//      filter leaves the list by itself);
//   3. the staff performer's own list (voice map, transposition, velocity,
//      volume and what transposition marks added);
//   4. the filters of the event and of the markings below it (accents),
//      gathered by ACGetMidiFilters, those of later-visited events first;
//   5. the playback preference filter.
// Every enabled filter of a list runs, in list order, even after an earlier
// one emptied the vector; an empty vector after a list ends the chain. An
// event whose track has no staff performer (the conductor staff's, a wave
// track's) skips steps 1 and 3: its messages are not silenced by a staff that
// is not there.
//
// The playback preference filter is one object shared by every document; it
// is in its list while at least one manager lives. Its flags are set on the
// user-interface thread (GetPrefsFilter), its thinning counter advances on
// the polling thread: the filter keeps both in atomics.
//
// Threads: construction, Attach and Detach are the user-interface thread's,
// and so are changes of the global list, made under the performance's lock
// while the document plays; FilterData runs on the device library's polling
// thread under the player's lock and the performance's (the MIDI writer calls
// it on the user-interface thread under the performance's lock).
#pragma once

#include "platform/core/object.h"
#include "sequencer/midifilters.h"

class CSequence;
class ECBase;
class MCMidiMsgVector;

class CPerfFilterMgr : public CObject {
    DECLARE_DYNAMIC(CPerfFilterMgr)
public:
    // The first manager of the process puts the preference filter into its
    // list.
    CPerfFilterMgr();
    CPerfFilterMgr(const CPerfFilterMgr&) = delete;
    CPerfFilterMgr& operator=(const CPerfFilterMgr&) = delete;
    // Detaches; the last manager of the process empties the preference list.
    ~CPerfFilterMgr() override;

    void Attach(CSequence* sequence) { m_pSequence = sequence; }
    // Empties the global list and forgets the sequence.
    void Detach();
    CSequence* GetSequence() const { return m_pSequence; }

    // With the flag set mute and solo silence nothing (a file writer that
    // wants every track sets it).
    void SetIgnoreMute(int ignore) { m_bIgnoreMute = ignore; }
    int GetIgnoreMute() const { return m_bIgnoreMute; }

    // Appends the filter (once) with the global list as its owner list. The
    // manager does not own it.
    void AddGlobalFilter(LCMidiFilter* filter);
    // Takes it out of the global list (a trace when it is not there).
    void RemoveGlobalFilter(LCMidiFilter* filter);
    void RemoveGlobalFilters();
    const MCMidiFilterList& GetGlobalFilters() const { return m_globalFilters; }

    // The playback preference filter, for the sequencer preferences to set
    // its block and thin flags.
    static LCMidiPrefs* GetPrefsFilter();
    // The number of living managers.
    static int GetRefCount() { return s_iRefCount; }

    // Runs the chain for the event over its messages; they may be changed,
    // dropped or added to.
    void FilterData(ECBase* event, MCMidiMsgVector& messages);

protected:
    // Runs every enabled filter of the list in order; answers whether
    // messages remain. A null list is skipped (answers whether any remain).
    static int ProcessFilters(MCMidiFilterList* list, MCMidiMsgVector& messages);
    // The same for the preference list, which every document's chain reads
    // (a poll and a file being written may read it at once) and which
    // changes only while no manager lives: it is read without a walk.
    static int ProcessPrefsFilters(MCMidiMsgVector& messages);

private:
    static void CreatePrefsFilters();
    static void DeletePrefsFilters();

    CSequence* m_pSequence = nullptr;   // borrowed: the owning sequence while attached
    MCMidiFilterList m_globalFilters{MCMidiFilterList::FILTERS_BORROWED};
    int m_bIgnoreMute = 0;

    // The process's playback preference filter and the list that holds it
    // (defined list first, so the filter leaves it before it goes), the
    // number of living managers and whether the filter is in its list.
    // s_PrefsFilterList and the two counts change on the user-interface
    // thread only, while no poll can run (no manager lives, or a first one is
    // being made).
    static MCMidiFilterList s_PrefsFilterList;
    static LCMidiPrefs s_PrefsFilter;
    static int s_iRefCount;
    static int s_bInitialized;
};
