// The tree actions that serve the performers.
//
//   ACGetMidiFilters         gathers the filters that an event and the
//                            markings below it carry (an accent's filter acts
//                            on the note that holds the accent)
//   ACChannelContent         the MIDI channels a staff's events use, as a
//                            16-bit mask
//   ACFindNonPrologueEvent   the first event of a track that is not part of
//                            its set-up (its first name text, dynamic, bank
//                            and program events are passed over)
//   ACRemoveData             unthreads the performers of the visited events
//                            from a sequence's time-ordered list
//
// Each reads the performer an event already has (its view data of kind
// DK_SEQUENCER); no event's performer is made by a walk (a volume-using
// dynamic asked for its channel makes its volume word, as it does when
// played).
//
// Threads: like every action, used by one thread at a time, on a tree the
// caller guards: the user-interface thread, or the polling thread under the
// performance's lock (ACGetMidiFilters inside the filter chain).
#pragma once

#include "model/actions.h"
#include "model/findactions.h"
#include "sequencer/midifilters.h"

#include <vector>

class CSequence;
class DCsqBase;

// Gathers the filters of the visited events' performers. Each performer with
// filters first has its filters triggered (with no sequence), then its filters
// are put before those gathered so far. The list borrows the filters.
class ACGetMidiFilters : public ACBase {
public:
    ACGetMidiFilters() = default;

    // Empties the gathered list, then the base's.
    int BeginAction() override;
    int DoAction(ECBase* event) override;

    MCMidiFilterList& GetFilters() { return m_filters; }

private:
    MCMidiFilterList m_filters{MCMidiFilterList::FILTERS_BORROWED};
};

// Sets the bit of each channel that a visited MIDI performer (bank, program,
// controller-like, note) or a volume-using dynamic sends on. Staves run it
// with the depth limited to 2 (staff, measures, their events).
class ACChannelContent : public ACBase {
public:
    ACChannelContent() = default;

    int DoAction(ECBase* event) override;

    unsigned short GetChannelContent() const { return m_nChannelContent; }

private:
    unsigned short m_nChannelContent = 0;   // bit n: channel n is used
};

// Stops at the first event whose performer is of a non-prologue DataType.
// The first event of each prologue DataType is passed over (its entry is
// struck from the list), so a second name text or program change counts as
// music. Tracks run it with the depth limited to 2.
class ACFindNonPrologueEvent : public ACFindFirstEvent {
public:
    ACFindNonPrologueEvent() : ACFindFirstEvent(1) {}

    int BeginAction() override;
    int DoAction(ECBase* event) override;

    void AddPrologueType(int type) { m_prologueTypes.push_back(type); }
    void AddNonPrologueType(int type) { m_nonPrologueTypes.push_back(type); }
    const std::vector<int>& GetPrologueTypes() const { return m_prologueTypes; }
    const std::vector<int>& GetNonPrologueTypes() const { return m_nonPrologueTypes; }

    // The event found, or null (borrowed: no reference is taken).
    ECBase* GetEvent() const { return m_pEvent; }

private:
    std::vector<int> m_prologueTypes;
    std::vector<int> m_nonPrologueTypes;
    ECBase* m_pEvent = nullptr;   // borrowed
};

// Unlinks each visited event's performer from the sequence's list: its
// neighbours are joined, its own links cleared, the list's head and tail and
// the play and record positions that stood on it move to a neighbour (the
// previous one first). Apply it to events whose performers leave the
// sequence, under the performance's lock.
class ACRemoveData : public ACBase {
public:
    explicit ACRemoveData(CSequence* sequence) : m_pSequence(sequence) {}

    int DoAction(ECBase* event) override;

    // The same unlinking for one performer (null: nothing).
    static void Unthread(CSequence* sequence, DCsqBase* performer);

private:
    CSequence* m_pSequence;   // borrowed, may be null (then the links alone are cleared)
};
