// CAutoNote: the automatic notation engine.
//
// It turns the events of each staff measure into notation after every edit
// command, every edit made in place, every recording and every file load.
// Work reaches it in two halves:
//   - preparation, one call per command of a batch before the batch runs
//     (Add, AddMeasure, AddMeter, AddStaff, Remove, RemoveMeasure,
//     RemoveMeter, RemoveStaff): it records in the notate info what must be
//     renotated and laid out again, clears the derived notation the change
//     makes stale, marks display objects dirty and fills the update list;
//   - renotation, after the batch (BatchProcess), after an edit in place or
//     a recording (Process), or for a whole performance when the view
//     attaches it (ProcessFileLoad): the prepared range is walked measure by
//     measure and the passes run on each staff measure in a fixed order
//     (AutoNotateMeasure).
//
// The notation view owns exactly one engine and attaches itself to it; the
// engine reads the performance, its conductor and the document's modified
// flag through that view. The engine owns its members: the update list, the
// notate info and one object of each pass.
//
// The passes, in the order AutoNotateMeasure runs them: note moving, time
// correction, voices, note values, chords, spelling, rests, stems, beams.
//
// User-interface thread only, inside the command manager's batch (which holds
// the performance's lock) or inside the view's state handling.
#pragma once

#include "model/command.h"
#include "model/lists.h"
#include "model/time.h"
#include "notation/autonote/beampass.h"
#include "notation/autonote/chord.h"
#include "notation/autonote/movenote.h"
#include "notation/autonote/multivoice.h"
#include "notation/autonote/notateinfo.h"
#include "notation/autonote/notevalue.h"
#include "notation/autonote/rest.h"
#include "notation/autonote/spell.h"
#include "notation/autonote/stem.h"
#include "notation/autonote/timecorrect.h"
#include "notation/view/dirtyrect.h"

#include <cstdint>
#include <string>

class CCAdd;
class CCAddMeasure;
class CCAddMeter;
class CCAddTrack;
class CCantrel;
class CCBase;
class MCCommandList;
class CCRemove;
class CCRemoveMeasure;
class CCRemoveMeter;
class CCRemoveTrack;
class ECBase;
class ECConductor;
class ECConductorMeasure;
class ECMeasure;
class ECMeter;
class ECGraceNote;
class ECNote;
class ECPerformance;
class ECSlur;
class ECStaff;
class MCRuler;
class ECClef;
class ECKey;
class SCEventBase;
class SCEventEdit;
class SCEventEditItem;

// Command ids (CCBase::GetCommandId) the engine tells apart are the model's
// (model/command.h); 6 is the edit the view routes to Edit, which no command
// answers.
enum : int {
    CMD_EDIT = 6,
};

// What an item of an edit in place (SCEventEditItem's code) says changed;
// PrepareForEdit runs one step per kind. Kinds 1, 3-99, 101, 104 and any
// other value name changes that need no preparation.
enum : int {
    EDITITEM_EVENT = -1,             // property pages and dialogs: anything about the element
    EDITITEM_SEQUENCER_DATA = 0,     // what is played: pitch, velocity, performed length
    EDITITEM_NOTATION_DATA = 2,      // how it is drawn: stems, offsets
    EDITITEM_TIME = 100,             // moved to a new parent and time (EDIT_MOVE)
    EDITITEM_ENHARMONIC = 102,       // an accidental respelled
    EDITITEM_VOICETRACK = 103,       // a note given another voice or track
    EDITITEM_STAFF_NAME = 105,
    EDITITEM_STAFF_TYPE = 106,
    EDITITEM_STAFF_ORDER = 107,
    EDITITEM_STAFF_TRANSPOSE = 108,
    EDITITEM_CONSOLIDATE_TIES = 109,
    EDITITEM_BREAK_BEAM = 110,
};

// String of the notation module's table: the progress text of a run.
constexpr unsigned IDS_NOTATING_FILE = 13376;

// What the time correction pass's tuplet search is told for a setting: on or
// off, and the division looked for.
struct TupletSearch {
    int on = 0;
    int division = 3;
};
//   setting   -1 or below   0    1    2 .. 9          above 9
//   search    off, 3        2    3    setting + 2     3
TupletSearch TupletSearchFor(int look);

class CAutoNote {
public:
    // The settings' defaults, at 256 ticks per quarter note.
    static constexpr uint16_t DEFAULT_RESOLUTION = 64;
    static constexpr int DEFAULT_LOOK_FOR_TUPLET = -1;   // off
    static constexpr int DEFAULT_TUPLET_UNIT = 3;
    static constexpr uint8_t DEFAULT_SPLIT_PITCH = 60;
    static constexpr int HIDDEN_THRESHOLD_TICKS = 6;
    static constexpr int DEFAULT_CHUNK_SIZE = 2147483647;   // every call finishes its range

    // Builds the members, reads the preferences (UpdatePreferences), no view.
    CAutoNote();
    virtual ~CAutoNote();
    CAutoNote(const CAutoNote&) = delete;
    CAutoNote& operator=(const CAutoNote&) = delete;

    // ---- binding and access (autonote.cpp) ------------------------------------------
    void Attach(CCantrel* view) { m_pView = view; }
    CCantrel* GetView() const { return m_pView; }
    // The view's performance and its conductor; null without a view or
    // performance.
    ECPerformance* GetBaseEvent() const;
    ECConductor* GetConductor() const;
    DirtyRect& GetDirtyRect() { return m_dirtyRect; }
    CNotateInfo& GetNotateInfo() { return m_notateInfo; }
    // The update list (SetDirtyRect) or the performance (AttachBaseEvent)
    // handed to the passes that use them.
    void SetDirtyRect();
    void AttachBaseEvent();
    // Bit 0 becomes the replace-event flag: the next added clef or key
    // replaces the one in place. Finish clears it.
    void SetReplaceEvent(int on);
    int GetReplaceEvent() const { return (m_flags & FLAG_REPLACE_EVENT) != 0; }
    int IsPrepared() const { return (m_flags & FLAG_PREPARED) != 0; }

    // "Settings\Notation" "Resolution", "Tuplets", "TupletUnit" and
    // "Sequencer\Midi\Record" "Split Pitch"; the hidden threshold to 6 ticks.
    void UpdatePreferences();

    // ---- settings (autonote.cpp) ---------------------------------------------------
    // The resolution is also written into the passes that read it.
    void SetResolution(uint16_t resolution);
    uint16_t GetResolution() const { return m_resolution; }
    // -1 off; 0 duplets, 1 triplets, 2-9 divisions 4-11 (see the table in
    // autonote.cpp); told to the time correction pass with the tuplet unit.
    void SetLookForTuplet(int look);
    int GetLookForTuplet() const { return m_lookForTuplet; }
    const TupletSearch& GetTupletSearch() const { return m_tupletSearch; }
    // The search on for `division`; the setting stored to match (2 gives 0,
    // 4-11 give division - 2, anything else 1).
    void SetTupletHint(int division, int ignored);
    int GetTupletUnit() const { return m_tupletUnit; }
    uint8_t GetSplitPitch() const { return m_splitPitch; }
    void SetVoiceHint(unsigned voice);
    unsigned GetVoiceHint() const { return m_voiceHint; }
    void SetHiddenThreshold(const MCTime& threshold);
    const MCTime& GetHiddenThreshold() const { return m_hiddenThreshold; }
    void SetNotateChunkSize(int measures) { m_chunkSize = measures; }
    int GetNotateChunkSize() const { return m_chunkSize; }

    // ---- preparation, one call per command; each answers 0 ---------------------------
    // (autonote_prepare.cpp)
    // Every command of a batch, in order, shown to its preparation by command
    // id (0 and 2 Add, 1 AddMeasure, 3 AddMeter, 4 AddStaff, 7 Remove,
    // 8 RemoveMeasure, 9 RemoveMeter, 10 RemoveStaff; others none), as the
    // view does before the batch runs.
    void PrepareBatch(MCCommandList& batch);
    int Add(CCAdd* command);
    int Remove(CCRemove* command);
    int AddStaff(CCAddTrack* command);
    int RemoveStaff(CCRemoveTrack* command);
    int Edit(CCBase* command);
    // (autonote_measures.cpp)
    int AddMeasure(CCAddMeasure* command);
    int RemoveMeasure(CCRemoveMeasure* command);
    // (autonote_meters.cpp)
    int AddMeter(CCAddMeter* command);
    int RemoveMeter(CCRemoveMeter* command);
    int _PrepareMeter(CCBase* command, ECConductor* conductor, MCTime& start, MCTime& end);

    // ---- edit handlers by element type ---------------------------------------------
    // Called by Add and Remove for each element a command is about to insert
    // or take out, before the command changes the tree; each finds the staff
    // measures the change touches, clears what becomes stale there, marks
    // display objects dirty and widens the notate info. Every handler
    // answers 0. The dispatch by type (autonote_prepare.cpp):
    void AddByType(CCAdd* command, ECBase* element, ECBase* parent);
    void RemoveByType(CCRemove* command, ECBase* element);
    // notes (autonote_notes.cpp)
    // An added note outside real-time recording: the tie chains reaching
    // into its span and the notes of its voice it overlaps are unmade and
    // their span joins the renotated one; the note is kept as spelled and
    // renotated; a grace note of it asking for a slur gets one.
    int MergeNote(CCBase* command, ECBase* element, ECBase* parent);
    // An added note while real-time recording: each measure window of the
    // note's staff is cleared once (the record-track entry remembers the
    // window cleared last), the note itself renotated.
    int RecordNote(CCBase* command, ECBase* element, ECBase* parent);
    // A note of an added tuplet: the rests of its measures go.
    int AddNote(CCBase* command, ECBase* element, ECBase* parent);
    // A removed note: its ties, the notes it overlaps, and the chords, dots,
    // beams and rests around it are unmade for renotation. A note already
    // value- and time-dirty was handled earlier in the batch: nothing.
    int RemoveNote(CCBase* command, ECBase* element, ECBase* parent);
    // Marks value- and time-dirty every note of the voice (every voice with
    // VOICE_ALL) in the measures and in the measure before them, or chord
    // holding one, whose span overlaps the note's (spans that only touch do
    // not), other than the note itself, and widens start and end over each;
    // a tied continuation counts as its chain's head, which plays it, and
    // an overlapping note's chain is unmade. 1 when any overlapped, else 0.
    int EditNotesThatIntersect(CCBase* command, ECNote* note, MCEventList& measures, MCTime& start, MCTime& end,
                               unsigned voice);
    // 1 when an added note's parent already holds another note, chord or
    // tuplet as its first such child (the add merges into notated music).
    int IsMergeAdd(CCAdd* command);
    // An accent, mordent, tremolo or trill: grace-sized on a grace note;
    // nothing to renotate.
    int AddNoteModifier(CCBase* command, ECBase* element, ECBase* parent);
    // keys, clefs and accidentals (autonote_keys.cpp, autonote_clefs.cpp, autonote_accidentals.cpp)
    // A key or clef: its span, widened back to its measure's start for a
    // key, renotated on its staff; the measures' spelling (keys) or stems
    // and beams (clefs) marked; the whole window redrawn. A key without
    // accidentals shows the naturals of the key before it; a clef of type
    // 8 makes its staff a percussion staff (type 3), any other clef on one
    // an ordinary staff again. A removal does nothing while the
    // replace-event flag is set (the tool's new key or clef takes the old
    // one's place), and takes the next key or clef with it when the ones on
    // either side are equal.
    int AddKey(CCBase* command, ECBase* key, ECBase* parent);
    int RemoveKey(CCBase* command, ECBase* key, ECBase* parent);
    int AddClef(CCBase* command, ECBase* clef, ECBase* parent);
    int RemoveClef(CCBase* command, ECBase* clef, ECBase* parent);
    // An accidental of type 12 edits the note's accidental in place (a
    // plain sign becomes its second form) or, without one, discards itself.
    // Any other is the user's spelling: the note's other accidentals go. A
    // removed accidental gives the note the pitch its place on the staff
    // reads.
    int AddAccidental(CCBase* command, ECBase* accidental, ECBase* parent);
    int RemoveAccidental(CCBase* command, ECBase* accidental, ECBase* parent);
    // A brace or bracket: its group (a primary group with the secondary
    // groups inside it) leaves the conductor staff's grouping
    // (autonote_editstaff.cpp).
    int RemoveGroup(CCBase* command, ECBase* brace, ECBase* parent);
    // tuplets, ties, slurs, lyrics and groups (autonote_tuplets.cpp, autonote_ties.cpp, autonote_spans.cpp)
    // An added tuplet's notes are prepared as added notes; its span, and
    // the other tuplets it starts inside, are renotated.
    int AddTuplet(CCBase* command, ECBase* element, ECBase* parent);
    // A removed tuplet's notes are prepared as removed notes, its rests
    // discarded.
    int RemoveTuplet(CCBase* command, ECBase* element, ECBase* parent);
    // A tied note sounds once: the chain's head plays the whole chain and
    // the later notes have no performer. Adding a tie lengthens the head and
    // silences the tie's later note; removing it gives both sides back their
    // own lengths and the later note its performer.
    int AddTie(CCBase* command, ECBase* element, ECBase* parent);
    int RemoveTie(CCBase* command, ECBase* element, ECBase* parent);
    // A slur's chords are made again under it; removing a slur changes no
    // notation.
    int AddSlur(CCBase* command, ECBase* element, ECBase* parent);
    int RemoveSlur(CCBase* command, ECBase* element, ECBase* parent);
    // The quarter note from the lyric's time is laid out again.
    int AddLyric(CCBase* command, ECBase* element, ECBase* parent);
    int RemoveLyric(CCBase* command, ECBase* element, ECBase* parent);
    // grace notes (autonote_grace.cpp)
    // Before the grace note joins the note: the note's measure renotated with
    // voices as they are, the grace note and its accidental kept as spelled
    // (its accidental grace-sized), and the grace note slurred to the note
    // (into the slur of the note's grace notes when there is one; none when
    // its display says it is not slurred).
    int AddGraceNote(CCBase* command, ECBase* grace, ECBase* note);
    // Before the grace note leaves (`note` null: its enclosing note): chords
    // and beams from the grace note to the note's end cleared, the measures
    // renotated; the slur that held only it and its note goes with it.
    int RemoveGraceNote(CCBase* command, ECBase* grace, ECBase* note);
    // A new slur on `staff`, at `time` and in the note's voice, from grace
    // notes to their note: `joining` (a grace note about to be added to it)
    // when given, else every grace note under the note. Made under the
    // performance's lock and put on the update list.
    ECSlur* MakeGraceSlur(ECBase* note, ECBase* staff, const MCTime* time, ECBase* joining);

    // ---- edit preparation (autonote_edit*.cpp) ----------------------------------------
    // An edit made in place (state 1200) before it is delivered. For each
    // item, in order, the element's division marks leave the measure rulers
    // and the step of the item's kind runs (only that one): it clears the
    // notation derived from the old state, marks display objects dirty,
    // widens the notate info and puts the elements that must go on the
    // edit's delete list (deleted once the edit has been delivered).
    // (autonote_edit.cpp)
    int PrepareForEdit(SCEventEdit* edit);
    // The steps by kind; each passes over elements of types it does not handle.
    void PrepareEditEvent(SCEventEdit* edit, SCEventEditItem* item, ECBase* element);
    void PrepareEditSQ(SCEventEdit* edit, SCEventEditItem* item, ECBase* element);
    void PrepareEditSV(SCEventEdit* edit, SCEventEditItem* item, ECBase* element);
    void PrepareEditEnharmonic(SCEventEdit* edit, SCEventEditItem* item, ECBase* element);
    // A walk over every staff measure between the times; it finds nothing to
    // tidy yet (CleanUpMeasureBetween is empty). Nothing calls it.
    void CleanUpBetween(const MCTime& from, const MCTime& to);
    void CleanUpMeasureBetween(ECStaff* staff, ECMeasure* measure, const MCTime& from, const MCTime& to);
    // Room below every measure of a staff that has lyrics. Nothing calls it.
    void MoveLyrics(ECBase* ignored);
    // What several steps share. What a scratch command of an edit's
    // preparation gathered (CCBase::Discard) goes on the edit's delete list,
    // to be deleted once the edit was delivered; the command itself is then
    // dropped by its owner without being applied.
    static void GiveDiscardsToDeleteList(CCBase& scratch, SCEventBase* edit);
    // The element's display position and frame dirty, its virtual frame and
    // the element on the update list; nothing without a display object.
    void MarkFrame(ECBase* element);
    // The element's staff measure; null outside one.
    static ECMeasure* EnclosingMeasure(ECBase* element);
    // The conductor's number of the element's staff; -1 outside one.
    int StaffTrackOf(ECBase* element);
    // (autonote_editnote.cpp)
    void PrepareEditTime(SCEventEdit* edit, SCEventEditItem* item, ECBase* element);
    void PrepareEditVoiceTrack(SCEventEdit* edit, SCEventEditItem* item, ECBase* element);
    // The note taken out and merged in again where it stands, on a scratch
    // command; what that discards goes on the event's delete list. `measure`
    // may be null.
    void PrepareForEditNote(SCEventBase* event, ECNote* note, ECMeasure* measure);
    // (autonote_eventlist.cpp)
    // Pasted or dropped elements made ready to be notated afresh: beams and
    // ties out, chords replaced by their notes, notes without length out,
    // dots and accidentals taken off the notes, tuplets of rests only out.
    void PrepareEventList(MCEventList& elements);
    // A clef's or key's span: from its time to the next clef (key) of its
    // hand on the staff, or MCTime::TimeMax (autonote_clefs.cpp,
    // autonote_keys.cpp).
    void GetClefSpan(MCTime& start, MCTime& end, ECClef* clef, ECStaff* staff);
    void GetKeySpan(MCTime& start, MCTime& end, ECKey* key, ECStaff* staff);
    // A clef or key edited in place, `measure` the one holding it: its span
    // renotated and redrawn; an edited key's spelling work as AddKey's, what
    // it discards going to the edit's delete list.
    void PrepareForEditClef(SCEventBase* edit, ECClef* clef, ECMeasure* measure);
    void PrepareForEditKey(SCEventBase* edit, ECKey* key, ECMeasure* measure);
    // The staff steps (autonote_editstaff.cpp): a name redrawn; a type
    // changed (PrepareForEditStaff); the staves reordered (repaginated); a
    // transposition (the whole staff respelled).
    void PrepareEditStaffName(SCEventEdit* edit, SCEventEditItem* item, ECBase* element);
    void PrepareEditStaffType(SCEventEdit* edit, SCEventEditItem* item, ECBase* element);
    void PrepareEditStaffOrder(SCEventEdit* edit, SCEventEditItem* item, ECBase* element);
    void PrepareEditStaffTranspose(SCEventEdit* edit, SCEventEditItem* item, ECBase* element);
    // After a staff's type changed: its derived notation cleared whole; on
    // a split staff (type 1) each clef and key gets a partner for the lower
    // hand and the staff is grouped with itself, and a staff no longer split
    // loses them and its lone brace; a percussion staff (type 3) gets the
    // percussion clef and loses it when it stops being one.
    void PrepareForEditStaff(SCEventBase* edit, ECStaff* staff, ECConductor* conductor);
    // The consolidate-ties item: a chain inside one measure whose length is
    // a plain, dotted or double-dotted value becomes that one value
    // (autonote_ties.cpp).
    int PrepareEditConsolidateTies(SCEventEdit* edit, SCEventEditItem* item, ECBase* element);
    // The break-beam item: the element's beam is broken before it
    // (autonote_editbeams.cpp).
    int PrepareEditBreakBeam(SCEventEdit* edit, SCEventEditItem* item, ECBase* element);

    // ---- renotation ----------------------------------------------------------------
    // The whole batch, bucket by bucket; always 1 (autonote_prepare.cpp).
    int BatchProcess(MCCommandList& batch);
    // Renotates the prepared range; 0 (autonote_chunks.cpp).
    int Process(CCBase* ignored);
    int ProcessAddMeasure(CCAddMeasure* command);          // autonote_measures.cpp
    int ProcessRemoveMeasure(CCRemoveMeasure* command);    // autonote_measures.cpp
    int ProcessAddMeter(CCAddMeter* command);              // autonote_meters.cpp
    int ProcessRemoveMeter(CCRemoveMeter* command);        // autonote_meters.cpp
    int _ProcessMeter(CCBase* command, ECConductor* conductor, ECMeter* meter, MCTime& start, MCTime& end,
                      MCTime* firstMeasureTime, MCTime* ignored);
    int ProcessAddStaff(MCCommandList& batch);           // autonote_prepare.cpp
    // Clears the replace-event flag; 0.
    int Finish(CCBase* ignored);

    // ---- walks (autonote_chunks.cpp) --------------------------------------------------
    // 4 when a run is already in progress, otherwise 1.
    int NotateNextChunk();
    // 1 done, 2 no conductor measure at or after the start, 3 the list ended early.
    int NotateSystemBetween();
    // 1 done, 3 the list ended early.
    int NotateStaffBetween(ECStaff* staff, const MCTime& start, const MCTime& end);
    // From `pos` on, the first conductor measure or staff measure; `pos` is
    // left after it (null at the end). Null when there is none.
    static ECBase* GetNextMeasure(const MCEventList& list, POSITION& pos);
    void AutoNotateMeasure(ECConductor* conductor, ECBase* staff, ECBase* measure);

    // ---- file load and recording (autonote_load.cpp) ----------------------------------
    int ProcessFileLoad();
    void PrepareForLoad();
    void PrepareAfterRecord();

    // ---- ranges and update-list services (autonote_services.cpp) -----------------------
    static void GetNoteRange(ECNote* note, MCTime& start, MCTime& end);
    // The span of one measure, or from a list's first measure to the end of
    // its last (the list must not be empty).
    static void GetRangeForMeasures(ECConductor* conductor, ECBase* measure, MCTime& start, MCTime& end);
    static void GetRangeForMeasures(ECConductor* conductor, MCEventList& measures, MCTime& start,
                                    MCTime& end);
    // Mode 1 the virtual frame, otherwise the frame.
    void AddRectsToDirtyList(ECBase* event, int mode);
    void AddRectsToDirtyList(MCEventList& events, int mode);
    void DirtyMeasuresForNotation(ECBase* event);
    void DirtyMeasuresForNotation(MCEventList& events);
    void UnhideAccidentalsInRange(MCEventList& events, const MCTime& from, const MCTime& to, unsigned voice);
    void DirtyNotesInRange(MCEventList& events, const MCTime& from, const MCTime& to);
    // Shows the hidden accidentals of the notes in [start, end] again, so the
    // spelling pass decides afresh which to show; 1 (clearing.cpp, beside the
    // other clearing operations, which need no engine).
    int DirtySpellingInRange(MCEventList& measures, MCTime& start, MCTime& end, unsigned voice);
    void UpdateResolution(ECBase* measure, ECMeter* meter, MCRuler& ruler);
    // (autonote_reach.cpp) A note is notated as far as the next note of its
    // voice or the bar line, but played to its own end. Where that end lies
    // past the staff's `measures` (marked whole for every pass), the value
    // pass ties a remainder into the measure after them; where a played end
    // from the measure before lies inside them, what cut that note short
    // may be what the command moves away. Both sides join the window [lo,
    // hi): the note before is valued again (its chain and chord unmade),
    // and the measures the played lengths reach are notated again around
    // what they hold (their rests made afresh, their voices, chords,
    // spelling, stems and beams looked at again, but their own notes not
    // valued again, which would carry the same question one measure on).
    void WidenToPlayedLengths(CCBase* command, ECConductor* conductor, int track, MCEventList& measures,
                              MCTime& lo, MCTime& hi);
    void CreateDataForNewMeasureBlock(ECConductor* conductor, ECConductorMeasure* measure);
    void CreateDataForNewMeasureBlock(ECConductor* conductor, const MCTime& from, const MCTime& to);

    // The passes (tests read and set their settings).
    ANMoveNote& GetMoveNote() { return m_moveNote; }
    ANTimeCorrect& GetTimeCorrect() { return m_timeCorrect; }
    ANMultivoice& GetMultivoice() { return m_multivoice; }
    ANNote& GetNoteValue() { return m_noteValue; }
    ANChord& GetChord() { return m_chord; }
    ANSpell& GetSpell() { return m_spell; }
    ANRest& GetRest() { return m_rest; }
    ANStem& GetStem() { return m_stem; }
    ANBeam& GetBeam() { return m_beam; }

private:
    // The beam the element hangs under (unless the edit deletes it) redrawn
    // with its measure's beams.
    void DirtyBeamOf(SCEventEdit* edit, ECBase* element);
    // The slur from a grace note to its note follows the grace note's
    // choice: kept and redrawn, discarded, or made.
    void PrepareGraceSlur(SCEventEdit* edit, ECGraceNote* grace);

    enum : uint8_t {
        FLAG_PREPARED = 0x10,
        FLAG_REPLACE_EVENT = 0x80,
    };

    // Applies a progress state to the performance at once.
    // The settings every run starts from: resolution, tuplet search and split.
    void ApplyRunSettings();
    // Each staff's clef and key guessed from its notes (a clef or key the
    // score already shows stays).
    void GuessClefAndKey(ECStaff* staff);
    // (Nothing without a performance.)
    void SendProgress(unsigned code, const std::string& text, int low, int high);
    void SendProgressText(const std::string& text);
    // An edited element's renotation (autonote_services.cpp): notated again
    // on staff `track` over [start, end] within the measures [ms, me], and
    // laid out again by `pagenate`.
    void AddEventWindow(int track, const MCTime& start, const MCTime& end, const MCTime& ms, const MCTime& me,
                        uint8_t pagenate);
    // The chords (and, asked, the beams) of the measures marked for redraw
    // and listed for update; then the whole window is redrawn.
    void RedrawChordsOf(MCEventList& measures, bool beams);
    // The start of the measure a key's span opens with: a key at a
    // measure's start widens it back to the measure before, whose end may
    // show the coming key (autonote_keys.cpp).
    MCTime KeySpanStart(const MCTime& start);
    // What AddKey and RemoveKey do over a key's span once it is known: the
    // staff's measures over it gathered into `measures`, renotated and
    // respelled, their accidentals discarded.
    void RespellKeySpan(CCBase* command, ECStaff* staff, const MCTime& start, const MCTime& end,
                        MCEventList& measures);
    // AddMeasure's step for measures appended: the notes of each staff's
    // last measure played past the piece's end valued again (to be tied
    // into the new measures), their measures marked; the earliest such
    // measure's start, or `end` (autonote_reach.cpp).
    MCTime PrepareNotesPlayedPastTheEnd(CCBase* command, ECConductor* conductor, const MCTime& end);
    // RemoveMeasure's last step for a key or clef the command removes: the
    // key or clef handler, when another one is in force at the end of the
    // renotated measures (autonote_measures.cpp).
    void PrepareRemovedMark(CCRemoveMeasure* command, ECConductor* conductor, ECBase* mark,
                            const MCTime& measureEnd);

    uint8_t m_flags = 0;
    int m_chunkSize = DEFAULT_CHUNK_SIZE;
    // Set when a run met a measure without display data: its staff walks
    // then go on to the piece's end (cleared when a run starts and ends).
    int m_walkToPieceEnd = 0;
    CCantrel* m_pView = nullptr;   // borrowed, may be null
    DirtyRect m_dirtyRect;
    CNotateInfo m_notateInfo;
    uint16_t m_resolution = DEFAULT_RESOLUTION;
    int m_lookForTuplet = DEFAULT_LOOK_FOR_TUPLET;
    TupletSearch m_tupletSearch;
    unsigned m_voiceHint = 0;
    int m_tupletUnit = DEFAULT_TUPLET_UNIT;
    uint8_t m_splitPitch = DEFAULT_SPLIT_PITCH;
    MCTime m_hiddenThreshold;
    ANMoveNote m_moveNote;
    ANTimeCorrect m_timeCorrect;
    ANMultivoice m_multivoice;
    ANNote m_noteValue;
    ANChord m_chord;
    ANSpell m_spell;
    ANRest m_rest;
    ANStem m_stem;
    ANBeam m_beam;
};
