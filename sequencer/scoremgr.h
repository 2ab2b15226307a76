// The MIDI score manager: MIDI data into events of the tree.
//
// CMidiScoreMgr turns MIDI messages and the meta events of a MIDI file into
// events (one event per message), pairs note-ons with their note-offs to give
// notes their lengths, finds the parent of each event (the measure or the
// staff of its track, made on demand through the conductor) and adds it with
// an add command. The recorder hands it every recorded channel message, the
// MIDI file reader the messages and meta events of a file, and the staff
// performer the events of a staff's prologue. After an add command ran, the
// sequence's command handler calls AddEventData to give each added event its
// performer carrying the message bytes (events hold none of their own).
//
// Each sequence owns one. It holds
//   the sequence       borrowed (Attach); null until attached;
//   file loading       set by the file reader around a load: add commands run
//                      at once and announce nothing, and new staff
//                      performers are not set up for the sequence;
//   gathering          set by the file reader while it reads (see
//                      SetGatherAdds): the events it adds, gathered into one
//                      add command until it is applied;
//   the pending notes  per note key (input device, channel, pitch) the notes
//                      still waiting for their note-off, oldest first. The
//                      table holds a reference on each, so a note removed
//                      from the tree meanwhile is still there to be
//                      recognised (and is then never touched); an entry whose
//                      note could not be added stays as a dead place that its
//                      own note-off consumes.
//
// Pairing is first in, first out per note key: the k-th note-off of a key
// closes the k-th note-on of that key, overlapping notes of one pitch
// included. A note-off with nothing pending on its key (keys held when
// recording began, or a file with more note-offs than note-ons) is ignored:
// it consumes no place, so later notes of its key still pair with their own
// note-offs.
//
// Returned events are borrowed: an add command, then the tree, holds them. A
// caller on another thread than the user-interface thread reads them only
// under the performance's lock.
//
// Threads: AddMidiEvent, the meta-event adders and CapMeasures run on the
// calling thread: the device library's input thread while recording, the
// user-interface thread for a file or a prologue. They take the performance's
// lock for every look at the tree and let it go only while a staff is made
// through a synchronous command from another thread, so a caller on another
// thread must not hold that lock itself. The pending notes are used by one
// input path at a time; ClearMatchTable runs after input has stopped.
// AddEventData runs on the user-interface thread inside the command handler,
// the performance locked. GetPrecedence is a pure function.
#pragma once

#include "model/midifields.h"
#include "model/time.h"
#include "platform/core/object.h"
#include "platform/core/sync.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

class CCAdd;
class CSequence;
class ECConductor;
class DCsqBase;
class ECBase;
class ECFlowControl;
class ECKey;
class ECLyric;
class ECMeter;
class ECNote;
class ECPerformance;
class ECTempo;
class ECText;

class CMidiScoreMgr : public CObject {
public:
    CMidiScoreMgr();
    // Lets go of the pending notes without a lock: the owner detaches first
    // (Attach(nullptr)), which lets go of them under the performance's lock.
    ~CMidiScoreMgr() override;
    CMidiScoreMgr(const CMidiScoreMgr&) = delete;
    CMidiScoreMgr& operator=(const CMidiScoreMgr&) = delete;

    // Stores the sequence (null detaches). Pending notes belong to the tree
    // they were made for: a change of sequence forgets them.
    void Attach(CSequence* sequence);
    CSequence* GetSequence() const { return m_pSequence; }

    // Set by the MIDI file reader around a load. Switched off, it applies
    // what was gathered (SetGatherAdds).
    void SetFileLoading(int loading);
    int GetFileLoading() const { return m_nFileLoading; }

    // Set by the MIDI file reader while it reads (file loading on, on the
    // user-interface thread): the events of channel messages, which go under
    // a measure or a staff, are gathered into one add command instead of
    // one each, and it is applied when gathering ends, before anything else
    // is added or a staff or measures are made, and every GATHER_LIMIT
    // events. Each list of the tree and the sequence's performers come out
    // in the order adding one by one gives them; but a gathered event stands
    // in the tree only once its command ran, so a caller that looks at the
    // tree between its adds (the staff performer's prologue) does not
    // gather. A file's hundred thousand notes so take a few hundred commands
    // instead of a hundred thousand.
    void SetGatherAdds(int gather);
    int GetGatherAdds() const { return m_nGatherAdds; }
    static constexpr int GATHER_LIMIT = 512;

    // ---- events from messages ----

    // Builds the event for a channel or system message (see GetEventForData)
    // and adds it (DoAdd). A note-on with the null duration (MCTime::TimeNull)
    // waits for its note-off; a note-off answers the note it closed. Returns
    // the event, or null when none is made or it cannot be added (then it is
    // released); a gathered event is returned before it stands in the tree.
    // `device` is the input device the message came from.
    ECBase* AddMidiEvent(const MCTime& time, MCVoiceTrack vt, const FCMidi& word, unsigned device,
                         const MCTime& duration);

    // ---- events from meta events ----
    // Each sets the event's time and voice/track word, adds it without a MIDI
    // word and returns it; null when it cannot be made or added.

    // A flow-control mark of type 14 keeping the sequence number.
    ECFlowControl* AddSequenceNumber(const MCTime& time, MCVoiceTrack vt, int number);
    // A text of `length` bytes (not terminated; read as Windows-1252) whose
    // text kind follows from the meta-event type and whether the word's track
    // is 0 (DCsqText::MidiValueToType).
    ECText* AddTextEvent(const MCTime& time, MCVoiceTrack vt, const unsigned char* bytes, int length,
                         int type);
    ECLyric* AddLyricEvent(const MCTime& time, MCVoiceTrack vt, const unsigned char* bytes, int length);
    // A flow-control mark of type 15.
    ECFlowControl* AddTrackEnd(const MCTime& time, MCVoiceTrack vt);
    // A flow-control mark of type 13; the five values are not kept.
    ECFlowControl* AddSMPTEOffset(const MCTime& time, MCVoiceTrack vt, int hours, int minutes,
                                  int seconds, int frames, int fractions);
    // A tempo set by ECTempo::SetTempo(tempo, beat); null when it refuses.
    ECTempo* AddTempoEvent(const MCTime& time, MCVoiceTrack vt, float tempo, float beat);
    // A meter set by ECMeter::SetMeter(numerator, denominator, 255); null for
    // a fraction it refuses or that does not fit a byte.
    ECMeter* AddMeterEvent(const MCTime& time, MCVoiceTrack vt, unsigned numerator, unsigned denominator);
    // A key signature: `key` sharps (above 0) or flats (below 0), the mode byte.
    ECKey* AddKeySignature(const MCTime& time, MCVoiceTrack vt, int key, int mode);

    // ---- performers ----

    // Gives an added event its performer (its view data of kind 0, made on
    // demand) and copies the MIDI word into it; performers that play are put
    // into the sequence's time-ordered list. Returns the performer, or null
    // (an event type without one, a word without data where one is needed, a
    // tuplet, whose notes are served instead). User-interface thread, the
    // performance locked.
    DCsqBase* AddEventData(ECBase* event, const FCMidi& word);

    // The rank of a performer among those of the same time, by its DataType;
    // a higher rank stands earlier in the sequence's list: staff 90, flow
    // control 80, dynamic, meter, tempo and transpose 70, system message 50,
    // bank MSB 32, bank LSB 31, program 30, text 20, every other 10 (notes,
    // MIDI events, keys, lyrics, the conductor staff). Null gives 10.
    static int GetPrecedence(DCsqBase* data);

    // ---- measures and pending notes ----

    // Has the conductor provide the measures of track 0 up to the time: ten
    // at a time while the sequence records or step-records, else one.
    void CapMeasures(const MCTime& time);
    // Forgets every pending note: each keeps the length it has, and later
    // note-offs cannot reach it. After input has stopped.
    void ClearMatchTable();
    // The places waiting for a note-off, over all keys (dead ones included).
    int GetPendingCount() const;

protected:
    // The event for a message, by its status (no event: null):
    //   9n (velocity > 0)  a note at the time; with the null duration it
    //                      becomes pending on its note key, else it takes the
    //                      duration given;
    //   8n, 9n velocity 0  the oldest pending note of the key, its length
    //                      now the time since its start (0.1 when that is 0
    //                      or less); nothing pending: null;
    //   An poly pressure; Bn bank MSB (controller 0), a dynamic (7, its type
    //   from the value), bank LSB (32), pedal (64), channel mode (120-127),
    //   else a control change; Cn program; Dn channel pressure; En pitch
    //   bend; F0-FF a system message.
    // A new event carries one reference, the caller's.
    ECBase* GetEventForData(const FCMidi& word, unsigned device, const MCTime& time, MCVoiceTrack vt,
                            const MCTime& duration);

    // The parent of a new event, made on demand: for a key, a lyric or a
    // note the measure of its track that holds its time, else the staff of
    // its track. An event that only the conductor staff may hold (a system
    // message, tempo, meter, flow-control mark) goes there whatever its
    // track; it keeps its word.
    // Null for an event without a voice/track word, on track 2047, a
    // measure-held event without a time, or without a performance or
    // conductor. A missing measure is made with `measureCount` more (see
    // GetMeasureCount). `lock` holds the performance's lock once on entry and
    // on return; it is let go only while a staff is made from another thread.
    ECBase* GetParent(ECBase* event, int measureCount, std::unique_lock<CCriticalSection>& lock);

    // Adds a new event (holding the caller's reference) under its parent:
    // with a MIDI word through CCAdd carrying the word, without one a meter
    // through CCAddMeter (which re-bars the music it governs) and anything
    // else through CCAdd carrying the empty word. Synchronous and silent
    // while a file loads, else posted and announced. While gathering, a
    // channel message's event goes into the gathered command (1); anything
    // else first has that applied. 1 when the command was applied; 0 when
    // the event has no parent or the command refuses it. Either way the
    // caller's reference is released (the command holds its own). A note-off
    // word adds nothing: the note went in with its note-on (1). An add
    // command carries one short word, so a system-exclusive message goes
    // into the event's performer here and the command carries only its
    // status (F0), which AddEventData knows.
    int DoAdd(ECBase* event, const FCMidi* word);

    // Gives the notes of a tuplet (to two levels down, in the order found)
    // their performers: a note without one takes the word, a note with one a
    // copy moved by its distance from the first such note, so notes that
    // already sound keep their intervals.
    void AddTupletData(ECBase* tuplet, const FCMidi& word);


    // The pending notes: SetPendingMatch enters a note (a reference taken)
    // behind the others of its key; GetPendingMatch takes the oldest place of
    // the key and answers its note when the note is still alive beyond the
    // table, null for a dead place or a note removed meanwhile (released).
    void SetPendingMatch(uint64_t noteKey, ECNote* note);
    ECNote* GetPendingMatch(uint64_t noteKey);
    // Makes the place of a note that could not be added dead (keeping its
    // place for its note-off) and releases the table's reference.
    void KillPendingMatch(uint64_t noteKey, ECNote* note);
    // The key of a note: input device (lower 24 bits), channel and pitch.
    static uint64_t GetNoteKey(unsigned device, const FCMidi& word);

    // The sequence's performance, or null.
    ECPerformance* GetPerformance() const;

private:
    // Whether DoAdd gathers the event of this word: gathering on, file
    // loading on, this the user-interface thread, a channel message.
    bool Gathers(const FCMidi* word) const;
    // Applies the gathered command (synchronous, silent), if any, and
    // forgets the last measure.
    void ApplyGathered();
    // The measure of the track that the last note gathered went into, when
    // its column holds the (musical) time; else null.
    ECBase* GetLastMeasure(int track, const MCTime& time) const;
    // DoAdd with the performance's lock held by `lock` (let go only while a
    // command from another thread waits for the user-interface thread) and
    // the measure count asked before it was taken.
    int DoAddLocked(ECBase* event, const FCMidi* word, int measureCount, std::unique_lock<CCriticalSection>& lock);
    // Adds a meta event made by the adders: its time and word, then DoAdd
    // without a word. Answers the event or null.
    template <class Event>
    Event* AddMetaEvent(Event* event, const MCTime& time, MCVoiceTrack vt);
    // Makes the conductor staff when there is none, and a staff of the track
    // through a synchronous add-track command, letting go of `lock` around
    // the command when this is not the user-interface thread.
    void MakeConductorStaff(std::unique_lock<CCriticalSection>& lock);
    void MakeStaff(int track, std::unique_lock<CCriticalSection>& lock);
    // The sequence's conductor, or null.
    ECConductor* GetConductor() const;
    // Measures made at a time when a lookup must create them: ten while the
    // sequence records. Asked before the performance's lock is taken, since
    // the sequence's state is the players' (their locks come first).
    int GetMeasureCount() const;
    // Releases the table's references; the caller holds the lock when there is
    // a performance.
    void ReleasePending();


    // The places of one note key, oldest first: those from `first` on; null
    // marks a dead place. Read to its end, the vector is emptied but keeps
    // its room, and a key stays in the table once used, so the usual one note
    // at a time per key allocates nothing once the key has been met.
    struct PendingPlaces {
        std::vector<ECNote*> notes;
        std::size_t first = 0;
        std::size_t GetCount() const { return notes.size() - first; }
    };
    // The places of a key: made on demand, or null where the key has none.
    PendingPlaces& GetPlaces(uint64_t noteKey);
    PendingPlaces* FindPlaces(uint64_t noteKey);
    // Every key's places, the keys of input device 0 first.
    template <class Visit>
    void ForEachPlaces(Visit visit) const;

    // The keys of input device 0 (a file's, the first input's) index a
    // table of their own: each note asks twice, and a lookup by hash costs
    // more than the rest of its pairing.
    static constexpr uint64_t DIRECT_KEYS = 1 << 11;

    CSequence* m_pSequence = nullptr;   // borrowed: the owner
    int m_nFileLoading = 0;
    int m_nGatherAdds = 0;
    // The events gathered so far, each referenced by the command; null when
    // none waits. A change of sequence drops it with what it holds.
    std::unique_ptr<CCAdd> m_pGathered;
    // While events are gathered, the last measure a note was given and the
    // span of its column. Nothing but the gathered command can move a bar
    // line while it waits (the reader holds the tree), so the span holds
    // until it is applied; it is forgotten then.
    struct LastMeasure {
        int track = -1;
        ECBase* measure = nullptr;   // borrowed: the tree holds it
        MCTime start;
        MCTime end;
    };
    LastMeasure m_lastMeasure;
    // Per note key, below DIRECT_KEYS by index (all of them once one is
    // used), else by hash. Each note holds one reference of the table.
    std::vector<PendingPlaces> m_directPending;
    std::unordered_map<uint64_t, PendingPlaces> m_pending;
};
