// The engine's preparation of an edit made in place: the loop over the
// edit's items and the steps for an element's own data (its properties, what
// is played, how it is drawn, an accidental respelled), with the helpers the
// steps share.
#include "notation/autonote/autonote.h"

#include "model/basiccommands.h"
#include "model/command.h"
#include "model/conductor.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/staff.h"
#include "notation/autonote/buildrulers.h"
#include "notation/autonote/clearing.h"
#include "notation/autonote/timerange.h"
#include "notation/display/base.h"
#include "notation/display/gracenote.h"
#include "notation/display/measure.h"
#include "notation/display/notate.h"
#include "notation/tools/tie.h"

#include <iterator>
#include <mutex>

namespace {

// A spelling's accidental field is the accidental + 2 (0 double flat ...
// 4 double sharp); the accidental element numbers its signs otherwise.
constexpr int ACCIDENTAL_FIELD_BIAS = 2;
constexpr uint8_t ACCIDENTAL_SHARP = 0;
constexpr uint8_t ACCIDENTAL_FLAT = 1;
constexpr uint8_t ACCIDENTAL_DOUBLE_SHARP = 2;
constexpr uint8_t ACCIDENTAL_DOUBLE_FLAT = 3;
constexpr uint8_t ACCIDENTAL_NATURAL = 4;
constexpr uint8_t kAccidentalTypeOfSpelling[] = {
    ACCIDENTAL_DOUBLE_FLAT, ACCIDENTAL_FLAT, ACCIDENTAL_NATURAL, ACCIDENTAL_SHARP, ACCIDENTAL_DOUBLE_SHARP,
};

// A clef's or key's first parent: the measure it stands in (null when that
// is not a staff measure).
ECMeasure* FirstMeasureOf(ECBase* element) {
    MCEventList* parents = element->GetParents();
    ECBase* first = parents && !parents->IsEmpty() ? parents->GetHead() : nullptr;
    return first && first->GetClassType() == ET_MEASURE ? static_cast<ECMeasure*>(first) : nullptr;
}

ECBase* FirstParentOfType(ECBase* element, int type) {
    MCEventList* parents = element->GetParents();
    if (!parents)
        return nullptr;
    for (POSITION pos = parents->GetHeadPosition(); pos;) {
        ECBase* parent = parents->GetNext(pos);
        if (parent->GetClassType() == type)
            return parent;
    }
    return nullptr;
}

}  // namespace

void CAutoNote::GiveDiscardsToDeleteList(CCBase& scratch, SCEventBase* edit) {
    if (!edit)
        return;
    const MCEventList* discarded = scratch.GetDiscardList();
    for (POSITION pos = discarded->GetHeadPosition(); pos;)
        edit->AddToDeleteList(discarded->GetNext(pos));
}

int CAutoNote::PrepareForEdit(SCEventEdit* edit) {
    if (!edit)
        return 0;
    MCPtrList& items = edit->GetEditList();
    for (POSITION pos = items.GetHeadPosition(); pos;) {
        auto* item = static_cast<SCEventEditItem*>(items.GetNext(pos));
        ECBase* element = item ? item->GetEvent() : nullptr;
        if (!element)
            continue;
        // Whatever changed, the element's division marks were entered for its
        // old state: they leave the rulers now and the renotation enters
        // them again.
        ACBuildRulers rulers;
        rulers.SetRemove(1);
        rulers.SetConductor(GetConductor());
        rulers.Apply(element);
        switch (item->GetEditCode()) {
        case EDITITEM_EVENT:
            PrepareEditEvent(edit, item, element);
            break;
        case EDITITEM_SEQUENCER_DATA:
            PrepareEditSQ(edit, item, element);
            break;
        case EDITITEM_NOTATION_DATA:
            PrepareEditSV(edit, item, element);
            break;
        case EDITITEM_TIME:
            PrepareEditTime(edit, item, element);
            break;
        case EDITITEM_ENHARMONIC:
            PrepareEditEnharmonic(edit, item, element);
            break;
        case EDITITEM_VOICETRACK:
            PrepareEditVoiceTrack(edit, item, element);
            break;
        case EDITITEM_STAFF_NAME:
            PrepareEditStaffName(edit, item, element);
            break;
        case EDITITEM_STAFF_TYPE:
            PrepareEditStaffType(edit, item, element);
            break;
        case EDITITEM_STAFF_ORDER:
            PrepareEditStaffOrder(edit, item, element);
            break;
        case EDITITEM_STAFF_TRANSPOSE:
            PrepareEditStaffTranspose(edit, item, element);
            break;
        case EDITITEM_CONSOLIDATE_TIES:
            PrepareEditConsolidateTies(edit, item, element);
            break;
        case EDITITEM_BREAK_BEAM:
            PrepareEditBreakBeam(edit, item, element);
            break;
        default:   // nothing else needs preparing
            break;
        }
    }
    return 0;
}

void CAutoNote::MarkFrame(ECBase* element) {
    DCctBase* display = NotationDisplayOf(element);
    if (!display)
        return;
    display->SetPositionDirty(1);
    display->SetFrameDirty(1);
    AddRectsToDirtyList(element, 1);
    m_dirtyRect.AddEvent(element);
}

ECMeasure* CAutoNote::EnclosingMeasure(ECBase* element) {
    return static_cast<ECMeasure*>(element->GetAncestor(ET_MEASURE, -1));
}

int CAutoNote::StaffTrackOf(ECBase* element) {
    ECConductor* conductor = GetConductor();
    ECBase* staff = element->GetAncestor(ET_STAFF, -1);
    return conductor && staff ? conductor->GetTrackNumber(TRACK_STAFF, static_cast<ECStaff*>(staff)) : -1;
}

void CAutoNote::DirtyBeamOf(SCEventEdit* edit, ECBase* element) {
    ECBase* beam = FirstParentOfType(element, ET_BEAM);
    // A beam already going with the edit needs no drawing.
    if (!beam || edit->GetDeleteList().Find(beam))
        return;
    if (DCctBase* beamDisplay = NotationDisplayOf(beam)) {
        beamDisplay->SetBeamDirty(1);
        beamDisplay->SetPositionDirty(1);
    }
    m_dirtyRect.AddEvent(beam);
    if (ECBase* measure = EnclosingMeasure(element))
        if (DCctBase* measureDisplay = NotationDisplayOf(measure))
            measureDisplay->SetBeamDirty(1);
}

void CAutoNote::PrepareGraceSlur(SCEventEdit* edit, ECGraceNote* grace) {
    auto* display = dynamic_cast<DCctGraceNote*>(NotationDisplayOf(grace));
    if (!display)
        return;
    const int wanted = display->GetSlur();
    ECBase* slur = FirstParentOfType(grace, ET_SLUR);
    if (slur && wanted) {
        if (DCctBase* slurDisplay = NotationDisplayOf(slur))
            slurDisplay->SetPositionDirty(1);
        m_dirtyRect.AddEvent(slur);
    } else if (slur) {
        CCBase scratch;
        scratch.Discard(slur);
        GiveDiscardsToDeleteList(scratch, edit);
    } else if (wanted) {
        // One slur from the note's grace notes to the note.
        ECBase* note = FirstParentOfType(grace, ET_NOTE);
        ECBase* staff = note ? note->GetAncestor(ET_STAFF, -1) : nullptr;
        if (!staff)
            return;
        MakeGraceSlur(note, staff, grace->GetTime(), nullptr);
    }
}

void CAutoNote::PrepareEditEvent(SCEventEdit* edit, SCEventEditItem*, ECBase* element) {
    switch (element->GetClassType()) {
    case ET_NOTE:
        PrepareForEditNote(edit, static_cast<ECNote*>(element), EnclosingMeasure(element));
        // The note's voice is the user's now: renotation keeps it.
        m_multivoice.SetVoice(ANMultivoice::VOICE_KEEP);
        break;
    case ET_CONDUCTORSTAFF:
        m_notateInfo.SetPagenateRange(PAGENATE_REPAGENATE_ALL);
        break;
    case ET_TEXT:
    case ET_LYRIC:   // a new text is sized and placed (a syllable centred) afresh
        MarkFrame(element);
        break;
    case ET_CLEF:
        PrepareForEditClef(edit, static_cast<ECClef*>(element), FirstMeasureOf(element));
        break;
    case ET_KEY:
        PrepareForEditKey(edit, static_cast<ECKey*>(element), FirstMeasureOf(element));
        break;
    default:   // a dot and every other element: nothing derived to redo
        break;
    }
}

void CAutoNote::PrepareEditSQ(SCEventEdit* edit, SCEventEditItem*, ECBase* element) {
    const int type = element->GetClassType();
    if (type != ET_NOTE && type != ET_GRACENOTE)
        return;
    ECConductor* conductor = GetConductor();
    auto* note = static_cast<ECNote*>(element);
    // A new pitch is spelled afresh; the accidentals of the old go.
    if (DCctBase* display = NotationDisplayOf(note))
        display->SetSpellingDirty(1);
    CCBase scratch;
    ClearEvents(&scratch, note, ET_ACCIDENTAL, VOICE_ALL);
    const int track = StaffTrackOf(note);
    MCTime start, end;
    GetNoteRange(note, start, end);
    MCEventList measures;
    if (conductor && track > 0)
        conductor->GetMeasures(track, start, end, measures);
    if (!measures.IsEmpty()) {
        ACSetDirty dirty(4);
        for (uint8_t kind : {DCctBase::DIRTY_SPELLING, DCctBase::DIRTY_STEM, DCctBase::DIRTY_CHORD,
                             DCctBase::DIRTY_BEAM})
            dirty.AddDirtyKind(kind);
        dirty.Apply(measures, 1);
        MCTime from, to;
        GetRangeForMeasures(conductor, measures, from, to);
        AddEventWindow(track, from, to, from, to, PAGENATE_MEASURES);
    }
    GiveDiscardsToDeleteList(scratch, edit);
    // What is played includes how long: a note lengthened in place (dotted)
    // is valued again, with the rests around it. A note of a tie chain is
    // not: its length is the chain's (the head's) or none (the later
    // notes), and the tie handlers that edit them value the chain themselves.
    CTie ties;
    if (type == ET_NOTE && *note->GetDuration() != MCTime::TimeZero() && !ties.FindTieParent(note, TIE_FORWARD) &&
        !ties.FindTieParent(note, TIE_BACKWARD))
        PrepareForEditNote(edit, note, EnclosingMeasure(note));
}

void CAutoNote::PrepareEditSV(SCEventEdit* edit, SCEventEditItem*, ECBase* element) {
    DCctBase* display = NotationDisplayOf(element);
    if (!display)
        return;
    display->SetPositionDirty(1);
    display->SetFrameDirty(1);
    display->SetStemDirty(1);
    switch (element->GetClassType()) {
    case ET_NOTE: {
        CTie ties;
        // A tied continuation is drawn from its head: its beam and slur
        // follow the head's.
        if (!ties.FindTieParent(static_cast<ECNote*>(element), TIE_BACKWARD)) {
            DirtyBeamOf(edit, element);
            if (ECBase* slur = FirstParentOfType(element, ET_SLUR)) {
                if (DCctBase* slurDisplay = NotationDisplayOf(slur))
                    slurDisplay->SetPositionDirty(1);
                m_dirtyRect.AddEvent(slur);
            }
        }
        break;
    }
    case ET_GRACENOTE:
        DirtyBeamOf(edit, element);
        PrepareGraceSlur(edit, static_cast<ECGraceNote*>(element));
        break;
    default:
        break;
    }
    AddRectsToDirtyList(element, 1);
    m_dirtyRect.AddEvent(element);
}

void CAutoNote::PrepareEditEnharmonic(SCEventEdit* edit, SCEventEditItem*, ECBase* element) {
    ECBase* note = FirstParentOfType(element, ET_NOTE);
    auto* accidental = dynamic_cast<ECAccidental*>(element);
    auto* noteDisplay = note ? dynamic_cast<DCctNotate*>(NotationDisplayOf(note)) : nullptr;
    if (!accidental || !noteDisplay)
        return;
    const int shown = noteDisplay->GetSpelling().GetAccidental() + ACCIDENTAL_FIELD_BIAS;
    if (shown < 0 || shown >= static_cast<int>(std::size(kAccidentalTypeOfSpelling)))
        return;   // no spelling has such a field: the sign stays as it is
    accidental->SetAccidentalType(kAccidentalTypeOfSpelling[shown]);
    ACSetDirty dirty(1);
    dirty.AddDirtyKind(DCctBase::DIRTY_FRAME);
    dirty.Apply(element);
    CCAdd scratch;
    AddAccidental(&scratch, element, note);
    GiveDiscardsToDeleteList(scratch, edit);
}

void CAutoNote::CleanUpBetween(const MCTime& from, const MCTime& to) {
    ECConductor* conductor = GetConductor();
    if (!conductor)
        return;
    for (int track = 1; track <= conductor->GetMaxTrackNumber(TRACK_STAFF); ++track) {
        auto* staff = static_cast<ECStaff*>(conductor->GetTrack(TRACK_STAFF, track, 0));
        if (!staff)
            continue;
        MCEventList measures;
        conductor->GetMeasures(track, from, to, measures);
        for (POSITION pos = measures.GetHeadPosition(); pos;) {
            ECBase* measure = measures.GetNext(pos);
            if (measure->GetClassType() == ET_MEASURE)
                CleanUpMeasureBetween(staff, static_cast<ECMeasure*>(measure), from, to);
        }
    }
}

void CAutoNote::CleanUpMeasureBetween(ECStaff*, ECMeasure*, const MCTime&, const MCTime&) {
    // Nothing is left over between measures today: the passes clean up
    // after themselves.
}

void CAutoNote::MoveLyrics(ECBase*) {
    ECConductor* conductor = GetConductor();
    if (!conductor || m_notateInfo.IsAutoNotating())
        return;
    m_notateInfo.SetAutoNotating(1);
    // Lyrics sit below the staff: their staves keep room there.
    constexpr int LYRIC_SPACES_BELOW = 5;
    for (int track = 1; track <= conductor->GetMaxTrackNumber(TRACK_STAFF); ++track) {
        ECBase* staff = conductor->GetTrack(TRACK_STAFF, track, 0);
        if (!staff || !staff->GetDescendant(ET_LYRIC, -1))
            continue;
        if (MCEventList* measures = staff->GetChildren())
            for (POSITION pos = measures->GetHeadPosition(); pos;)
                if (auto* display = dynamic_cast<DCctMeasure*>(NotationDisplayOf(measures->GetNext(pos))))
                    display->SetLegerSpacesBelow(LYRIC_SPACES_BELOW);
    }
    m_notateInfo.SetAutoNotating(0);
}
