// The engine's preparation of accidentals added to and removed from notes.
//
// An accidental the user puts on a note is the note's spelling: the note is
// marked user-spelled, so the spelling pass keeps it, and the note's other
// accidentals go. The edit accidental (type 12) is a request, not a sign:
// it turns the accidental already there into its second form and takes its
// place. A removed accidental leaves the note sounding what its place on
// the staff reads in the key in force.
#include "notation/autonote/autonote.h"

#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/measure.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "notation/autonote/buildrulers.h"
#include "notation/autonote/clearing.h"
#include "notation/autonote/timerange.h"
#include "notation/display/accidental.h"
#include "notation/display/measure.h"
#include "notation/display/note.h"
#include "notation/layout/pitch.h"
#include "sequencer/performers.h"

namespace {

// The accidental type that edits the note's accidental in place, and the
// types of the five plain signs (sharp, flat, double sharp, double flat,
// natural) whose second forms follow them.
constexpr unsigned char ACCIDENTAL_EDIT = 12;
constexpr unsigned char LAST_PLAIN_FORM = 4;
constexpr unsigned char SECOND_FORM_OFFSET = 5;

// The type the edit accidental takes from the accidental it replaces: a
// plain sign's second form; a second form or another sign stays as it is;
// a type the display does not know leaves the edit type.
unsigned char EditedType(unsigned char old) {
    if (old <= LAST_PLAIN_FORM)
        return static_cast<unsigned char>(old + SECOND_FORM_OFFSET);
    if (old <= ACCIDENTAL_EDIT)
        return old;
    return ACCIDENTAL_EDIT;
}

bool IsNote(ECBase* element) {
    const int type = element ? element->GetClassType() : -1;
    return type == ET_NOTE || type == ET_GRACENOTE;
}

// The note (or grace note) an accidental stands under; null when none.
ECNote* NoteOf(ECBase* accidental) {
    MCEventList* parents = accidental->GetParents();
    for (POSITION pos = parents ? parents->GetHeadPosition() : nullptr; pos;) {
        ECBase* parent = parents->GetNext(pos);
        if (IsNote(parent))
            return static_cast<ECNote*>(parent);
    }
    return nullptr;
}

ECBase* ChordOf(ECBase* note) {
    MCEventList* parents = note->GetParents();
    for (POSITION pos = parents ? parents->GetHeadPosition() : nullptr; pos;) {
        ECBase* parent = parents->GetNext(pos);
        if (parent->GetClassType() == ET_CHORD)
            return parent;
    }
    return nullptr;
}

// The note's first accidental other than `except`; null when none.
ECAccidental* OtherAccidental(ECBase* note, ECBase* except) {
    MCEventList* children = note->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        if (child != except && child->GetClassType() == ET_ACCIDENTAL)
            return dynamic_cast<ECAccidental*>(child);
    }
    return nullptr;
}

// Discards an element the command was about to add. The base command
// takes its discards out of the tree before the add puts its items in, so
// an item of the add itself is also withdrawn from it (an item without a
// parent is passed over), or it would enter the tree all the same.
void DiscardAdded(CCBase* command, ECBase* element) {
    command->Discard(element);
    auto* add = dynamic_cast<CCAdd*>(command);
    if (!add)
        return;
    MCAddItemList* items = add->GetAddList();
    for (POSITION pos = items->GetHeadPosition(); pos;) {
        CCAddItem* item = items->GetNext(pos);
        if (item->GetChild() == element)
            item->SetParent(nullptr);
    }
}

}  // namespace

int CAutoNote::AddAccidental(CCBase* command, ECBase* element, ECBase* parent) {
    auto* accidental = dynamic_cast<ECAccidental*>(element);
    ECConductor* conductor = GetConductor();
    if (!accidental || !IsNote(parent) || !conductor)
        return 0;
    auto* note = static_cast<ECNote*>(parent);
    ECBase* chord = ChordOf(note);
    m_dirtyRect.AddEvent(note);
    if (chord)
        m_dirtyRect.AddEvent(chord);
    const int track = note->GetVoiceTrack()->GetTrack();

    if (accidental->GetAccidentalType() == ACCIDENTAL_EDIT) {
        ECAccidental* old = OtherAccidental(note, accidental);
        if (!old) {
            DiscardAdded(command, accidental);   // nothing to edit
            return 0;
        }
        command->Discard(old);
        accidental->SetAccidentalType(EditedType(old->GetAccidentalType()));
        ACSetDirty frame(1);
        frame.AddDirtyKind(DCctBase::DIRTY_FRAME);
        frame.Apply(accidental);
        // Only the sign's look changed: the note's room is measured again,
        // nothing is renotated.
        ECBase* spaced = chord ? chord : note;
        ACBuildRulers rulers;
        rulers.SetRemove(1);
        rulers.SetDepth(0);
        rulers.SetConductor(conductor);
        rulers.Apply(spaced);
        m_dirtyRect.AddEvent(spaced);
        ECBase* measure = note->GetAncestor(ET_MEASURE, -1);
        if (!measure)
            return 0;
        MCTime ms;
        MCTime me;
        GetRangeForMeasures(conductor, measure, ms, me);
        m_notateInfo.SetTimeStart(ms);
        m_notateInfo.SetTimeEnd(me);
        m_notateInfo.SetMeasureStart(ms);
        m_notateInfo.SetMeasureEnd(me);
        m_notateInfo.AddTrack(track, ms, me, ms, me);
        m_notateInfo.SetPagenateRange(PAGENATE_MEASURES);
        // Nothing to renotate, but what the batch's other commands asked
        // for stays asked for: no notate range is stored over theirs.
        return 0;
    }

    // The user's own spelling: the spelling pass keeps it.
    if (DCctBase* display = NotationDisplayOf(note))
        display->SetSpellingDirty(1);
    if (auto* display = dynamic_cast<DCctNote*>(NotationDisplayOf(note)))
        display->SetUserSpelled(1);
    if (note->GetClassType() == ET_GRACENOTE) {
        if (DCctBase* display = NotationDisplayOf(accidental))
            display->SetGrace(1);
    }
    MCEventList* children = note->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        if (child != accidental && child->GetClassType() == ET_ACCIDENTAL)
            command->Discard(child);
    }

    MCTime start;
    MCTime end;
    GetNoteRange(note, start, end);
    MCEventList measures;
    conductor->GetMeasures(track, start, end, measures);
    if (measures.IsEmpty()) {
        if (ECBase* measure = note->GetAncestor(ET_MEASURE, -1))
            measures.AddEvent(measure, UNSORTED);
        else
            return 0;
    }
    MCTime ms;
    MCTime me;
    GetRangeForMeasures(conductor, measures, ms, me);
    ACSetDirty spelling(1);
    spelling.SetDepth(0);
    spelling.SetTimeRange(start, end);
    spelling.AddDirtyKind(DCctBase::DIRTY_SPELLING);
    spelling.Apply(measures, 1);
    ACSetDirty around(4);
    around.SetDepth(0);
    for (uint8_t kind : {DCctBase::DIRTY_SPELLING, DCctBase::DIRTY_BEAM, DCctBase::DIRTY_STEM, DCctBase::DIRTY_CHORD})
        around.AddDirtyKind(kind);
    around.Apply(measures, 1);
    ACFindEvents chords;
    chords.AddEvtType(ET_CHORD);
    chords.Apply(measures, 1);
    m_dirtyRect.AddEvents(&chords.GetEvents());
    UnhideAccidentalsInRange(measures, start, end, VOICE_ALL);
    AddEventWindow(track, start, end, ms, me, PAGENATE_MEASURES);
    return 0;
}

int CAutoNote::RemoveAccidental(CCBase*, ECBase* element, ECBase*) {
    ECConductor* conductor = GetConductor();
    ECNote* note = element ? NoteOf(element) : nullptr;
    if (!note || !conductor)
        return 0;
    ECBase* chord = ChordOf(note);
    ECBase* spaced = chord ? chord : note;
    ACBuildRulers rulers;
    rulers.SetRemove(1);
    rulers.SetDepth(0);
    rulers.SetConductor(conductor);
    rulers.Apply(spaced);
    m_dirtyRect.AddEvent(spaced);

    auto* display = dynamic_cast<DCctNotate*>(NotationDisplayOf(note));
    if (display) {
        display->SetSpellingDirty(1);
        display->GetSpelling().SetUserSpelled(0);
    }

    // Without its sign the note sounds what its place on the staff reads.
    ECBase* measure = note->GetAncestor(ET_MEASURE, -1);
    auto* measureDisplay = measure ? dynamic_cast<DCctMeasure*>(NotationDisplayOf(measure)) : nullptr;
    auto* performer = dynamic_cast<DCsqNote*>(note->GetData(DK_SEQUENCER, 0));
    if (display && measureDisplay && performer) {
        // The note stands relative to its measure; the measure reads points
        // in its own parent's frame.
        const CPoint place(measureDisplay->GetX() + display->GetX(), measureDisplay->GetY() + display->GetY());
        UINT voice = static_cast<UINT>(note->GetVoiceTrack()->GetVoice());
        if (const BYTE key = measureDisplay->GetMidiPitchForYPosition(place, voice))
            performer->ChangeMidiPitch(key);
    }

    const int track = note->GetVoiceTrack()->GetTrack();
    MCTime start;
    MCTime end;
    GetNoteRange(note, start, end);
    MCEventList measures;
    conductor->GetMeasures(track, start, end, measures);
    if (measures.IsEmpty()) {
        if (!measure)
            return 0;
        measures.AddEvent(measure, UNSORTED);
    }
    MCTime ms;
    MCTime me;
    GetRangeForMeasures(conductor, measures, ms, me);
    ACSetDirty spelling(1);
    spelling.SetDepth(0);
    spelling.SetTimeRange(start, end);
    spelling.AddDirtyKind(DCctBase::DIRTY_SPELLING);
    spelling.Apply(measures, 1);
    ACSetDirty measuresSpelling(1);
    measuresSpelling.SetDepth(0);
    measuresSpelling.AddDirtyKind(DCctBase::DIRTY_SPELLING);
    measuresSpelling.Apply(measures, 1);
    UnhideAccidentalsInRange(measures, start, end, VOICE_ALL);
    AddEventWindow(track, start, end, ms, me, PAGENATE_MEASURES);
    return 0;
}
