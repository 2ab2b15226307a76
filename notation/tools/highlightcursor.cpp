// The highlight tool and the tools that mark notes (see highlightcursor.h).
#include "notation/tools/highlightcursor.h"

#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/measure.h"
#include "model/midifields.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/performance.h"
#include "notation/autonote/autonote.h"
#include "notation/display/measure.h"
#include "notation/tools/toolcursors.h"
#include "notation/tools/toolselection.h"
#include "notation/view/cantrel.h"
#include "platform/ui/messages.h"
#include "platform/ui/paint.h"

#include <cstdint>
#include <memory>
#include <mutex>

namespace {

// What a modifier band gathers.
const std::vector<int> kBandTypes = {ET_NOTE, ET_GRACENOTE};

int IsControl(UINT flags) {
    return (flags & MK_CONTROL) != 0;
}

// `element` added under `parent` into `command`; whether it was taken. The
// caller's references are left as they were: the command holds its own on
// what it keeps. A note-modifier command spreads a chord's accent over
// copies for its notes and lets go of the reference it assumes it was given:
// two references of ours keep the element alive to see that. Taken that way
// and held by nothing else, the element goes; refused, it stays the caller's.
bool AddToCommand(CCAdd& command, ECBase* element, ECBase* parent) {
    const int held = element->GetRefCount();
    element->Ref();
    element->Ref();
    const bool added = command.Add(element, parent, FCMidi::MidiNull()) != nullptr;
    const bool letGo = element->GetRefCount() == held + 1;
    element->Unref(0);
    if (!letGo)
        element->Unref(0);
    else if (added && held == 0)
        element->Unref(1);
    return added;
}

}  // namespace

// ---- what the highlight tool shares with the key and meter tools ----------------------------

CHighlightBase::CHighlightBase(CCantrel* view, const std::vector<int>* parentTypes)
    : CMusicCursor(view, parentTypes) {}

void CHighlightBase::Hide() {
    m_highlight.LetGoOnView(*m_pView);
}

void CHighlightBase::Reset() {
    CMusicCursor::Reset();
    m_highlight.Reset();
}

void CHighlightBase::Draw(CDC* dc) {
    m_highlight.Switch(*m_pView, m_pParent, dc);
}

void CHighlightBase::Update(CPoint& point, int show) {
    CMusicCursor::Update(point, show);
    CClientDC dc(m_pView);
    m_pView->OnPrepareDC(&dc);
    CPoint at = point;
    m_pView->DPtoVP(&dc, &at);
    // The parent first: a modifier tool's time is its parent's.
    UpdateParents(&dc, at);
    UpdateTime(&dc, at);
    UpdatePosition(&dc, at);
    if (show)
        Draw(&dc);
    std::string text = m_time == MCTime::TimeNull() ? std::string() : FormatTime(m_time);
    NotifyStatus(text);
}

void CHighlightBase::UpdatePosition(CDC* /*dc*/, CPoint& point) {
    if (!GetConductorMeasure(point))
        return;
    ECMeasure* measure = GetMeasure(point);
    auto* display = measure ? dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0)) : nullptr;
    if (!display) {
        m_position = CPoint(0, 0);
        return;
    }
    UINT voice = static_cast<UINT>(m_pView->GetVoice());
    // The measure may choose the voice for the staff position hit.
    const BYTE pitch = display->GetMidiPitchForYPosition(point, voice);
    m_pView->GetAutoNote().SetVoiceHint(voice);
    m_nVoice = static_cast<int>(voice);
    m_pitch = pitch;
    m_position = point;
}

int CHighlightBase::InsertPrototype(CCAdd* command) {
    // The palette hands out a new copy at each call, ours to release: one
    // element never goes under two parents.
    ECBase* prototype = SCMode::GetEvent();
    if (!prototype)
        return kNoPrototype;
    prototype->Ref();
    const int taken = Insert(prototype, command);
    prototype->Unref(1);
    return taken;
}

void CHighlightBase::OnMouseDragBegin(UINT /*flags*/, CPoint& /*point*/) {
    InsertPrototype(nullptr);
}

void CHighlightBase::OnMouseDragContinue(UINT /*flags*/, CPoint& /*point*/) {}

void CHighlightBase::OnMouseDragEnd(UINT /*flags*/, CPoint& /*point*/) {}

// ---- the highlight tool ---------------------------------------------------------------------

CHighlightCursor::CHighlightCursor(CCantrel* view, const std::vector<int>* parentTypes)
    : CHighlightBase(view, parentTypes) {}

int CHighlightCursor::CanInsert(int eventType) {
    return ParentMayHold(eventType);
}

void CHighlightCursor::PlaceElement(ECBase* element) {
    if (element->GetTime())
        element->SetTime(&m_time);
    if (MCVoiceTrack* word = element->GetVoiceTrack()) {
        const MCVoiceTrack* parentWord = m_pParent->GetVoiceTrack();
        const int track = parentWord ? parentWord->GetTrack() : TRACK_NONE;
        *word = MCVoiceTrack(m_nVoice, track);
    }
}

CCAdd* CHighlightCursor::NewCommand() {
    return new CCAdd;
}

int CHighlightCursor::AddElement(ECBase* element, CCAdd* command) {
    std::unique_ptr<CCAdd> own;
    if (!command) {
        own.reset(NewCommand());
        command = own.get();
    }
    if (!AddToCommand(*command, element, m_pParent))
        return 0;   // a parent the element may not go under: nothing applied
    if (own) {
        own.release()->Apply(m_pPerformance);
        MarkModified();
    }
    return 1;
}

int CHighlightCursor::Insert(ECBase* element, CCAdd* command) {
    if (!element || !m_pParent)
        return 0;
    PlaceElement(element);
    return AddElement(element, command);
}

// ---- the note-modifier tool -----------------------------------------------------------------

CNoteModifierCursor::CNoteModifierCursor(CCantrel* view, const std::vector<int>* parentTypes)
    : CHighlightCursor(view, parentTypes) {
    m_hCursor = LoadResourceCursor(IDC_MODIFIER_TOOL);
}

CCAdd* CNoteModifierCursor::NewCommand() {
    return new CCAddNoteModifier;
}

void CNoteModifierCursor::UpdateTime(CDC* /*dc*/, CPoint& /*point*/) {
    const MCTime* parentTime = m_pParent ? m_pParent->GetTime() : nullptr;
    const MCTime time = parentTime ? *parentTime : MCTime::TimeNull();
    if (time != m_time) {
        m_time = time;
        m_bChanged = 1;
    }
}

void CNoteModifierCursor::OnMouseDragBegin(UINT flags, CPoint& point) {
    m_bBand = m_pParent == nullptr;
    if (m_bBand)
        CMusicCursor::OnMouseDragBegin(flags, point);
    else
        CHighlightCursor::OnMouseDragBegin(flags, point);
}

void CNoteModifierCursor::OnMouseDragContinue(UINT flags, CPoint& point) {
    // A click that marked a note drags nothing: the band's rectangle is an
    // old one.
    if (!m_bBand)
        return;
    CMusicCursor::OnMouseDragContinue(flags, point);
    Update(point, 1);
    MCEventList visible;
    m_pView->GetVisibleEvents(visible, nullptr);
    MCEventList found;
    FindInBand(*m_pView, kBandTypes, found, &visible);
    if (!found.IsEmpty())
        ApplySelection(m_pPerformance, IsControl(flags) ? STATE_SELECTION_ADD : STATE_SELECTION_REPLACE, &found, 1);
    else if (!IsControl(flags))
        ApplySelection(m_pPerformance, STATE_SELECTION_CLEAR, nullptr, 1);
}

void CNoteModifierCursor::OnMouseDragEnd(UINT flags, CPoint& point) {
    // Only a band marks the selection: after a click that marked a note, the
    // notes selected before would be marked (a second time, for that note).
    if (!m_bBand)
        return;
    m_bBand = 0;
    CMusicCursor::OnMouseDragEnd(flags, point);
    CMusicCursor::Update(point, 0);
    m_position = ToView(point);
    UpdateParents(nullptr, m_position);
    UpdateTime(nullptr, m_position);
    ApplySelection(m_pPerformance, STATE_SELECTION_ADD, nullptr, 0);

    std::vector<ECBase*> selected;
    if (MCOpusDoc* document = GetOpusDocument()) {
        MCEventList& events = document->GetSelection(0).GetEvents(0);
        for (POSITION pos = events.GetHeadPosition(); pos;)
            selected.push_back(events.GetNext(pos));
    }
    std::unique_ptr<CCAdd> command(NewCommand());
    int added = 0;
    for (ECBase* element : selected) {
        m_pParent = element;
        UpdateTime(nullptr, m_position);
        const int taken = InsertPrototype(command.get());
        if (taken == kNoPrototype)
            break;
        added += taken;
    }
    // Nothing taken: no command, and the document stays as it was.
    if (added > 0) {
        command.release()->Apply(m_pPerformance);
        MarkModified();
    }
    CMusicCursor::Update(point, 0);
    UpdateParents(nullptr, m_position);
    UpdateTime(nullptr, m_position);
    Show();
}

// ---- the accidental tool --------------------------------------------------------------------

int CAccidentalCursor::CanInsert(int eventType) {
    if (eventType == -2)
        return m_pParent != nullptr;
    return eventType == ET_ACCIDENTAL && m_pParent != nullptr;
}

CCAdd* CAccidentalCursor::NewCommand() {
    return new CCAdd;
}

int CAccidentalCursor::Insert(ECBase* element, CCAdd* command) {
    if (!element || !m_pParent)
        return 0;
    const int type = m_pParent->GetClassType();
    if (type != ET_NOTE && type != ET_GRACENOTE)
        return 0;
    return AddElement(element, command);
}

// ---- the dot tool ---------------------------------------------------------------------------

int CDotCursor::CanInsert(int eventType) {
    if (eventType == -2)
        return m_pParent != nullptr;
    return eventType == ET_DOT && m_pParent != nullptr;
}

MCTime CDotCursor::DottedDuration(const MCTime& performed, int dots) {
    if (dots < 1 || dots > 3)
        return performed;
    // Each dot adds half of what the last one added: n dots make the value
    // (2^(n+1) - 1) / 2^n as long. Worked on the notated length, whole ticks.
    const int ppq = MCTime::GlobalPPQ;
    const MCTime notated = ECNote::ScaleDuration(&performed, 1);
    const int64_t ticks = static_cast<int64_t>(notated.GetTicks(ppq)) * ((2 << dots) - 1) / (1 << dots);
    MCTime dotted;
    dotted.SetTicks(static_cast<int>(ticks), ppq);
    return ECNote::ScaleDuration(&dotted, 0);
}

int CDotCursor::Insert(ECBase* element, CCAdd* /*command*/) {
    if (!m_pParent)
        return 0;
    auto* dot = dynamic_cast<ECDot*>(element);
    const int dots = dot ? dot->GetDotType() : 0;
    std::vector<ECNote*> notes;
    if (m_pParent->GetClassType() == ET_NOTE) {
        notes.push_back(static_cast<ECNote*>(m_pParent));
    } else if (m_pParent->GetClassType() == ET_CHORD) {
        ACFindEvents find;
        find.AddEvtType(ET_NOTE);
        find.Apply(m_pParent);
        for (POSITION pos = find.GetEvents().GetHeadPosition(); pos;)
            notes.push_back(static_cast<ECNote*>(find.GetEvents().GetNext(pos)));
    }
    // One edit for all the notes: a chord is renotated once, whole.
    SCEventEdit* edit = nullptr;
    if (m_pPerformance) {
        std::lock_guard lock(m_pPerformance->GetLock());
        for (ECNote* note : notes) {
            const MCTime dotted = DottedDuration(*note->GetDuration(), dots);
            if (dotted == *note->GetDuration())
                continue;
            note->SetDuration(&dotted);
            if (!edit)
                edit = new SCEventEdit(STATE_EVENTS_EDITED);
            edit->AddItem(note, EDITITEM_SEQUENCER_DATA);
        }
    }
    if (edit)
        edit->Apply(m_pPerformance);
    return 1;
}
