// The notation view's note commands: ties and slurs over the selection
// (through the tie and slur tools); stems, enharmonic spelling, tie
// consolidation, primary-beam breaks and nudges of the selection, each one
// edit state (1200) of the changed elements; the double-click and the
// context menus that offer them.
#include "notation/view/cantrel.h"

#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/editstates.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/plugin.h"
#include "notation/autonote/autonote.h"
#include "notation/display/notate.h"
#include "notation/tools/tie.h"
#include "notation/tools/tiecursor.h"
#include "notation/view/viewids.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/frame.h"
#include "platform/ui/keys.h"
#include "platform/ui/menu.h"
#include "platform/ui/uiresources.h"
#include "platform/ui/winthread.h"
#include "sequencer/performers.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace {

const MenuTemplate kContextMenu = {{
    {MF_POPUP, 0, "Context", {
        {MF_STRING, ID_EDIT_PROPERTIES, "&Properties"},
    }},
}};
MENU_RESOURCE(IDR_CONTEXT_MENU, kContextMenu);

const MenuTemplate kNotesMenu = {{
    {MF_POPUP, 0, "Notes", {
        {MF_STRING, ID_NOTES_TIE, "&Tie Notes"},
        {MF_STRING, ID_NOTES_SLUR, "&Slur Notes"},
        {MF_SEPARATOR},
        {MF_STRING, ID_STEMS_UP, "Stems &Up"},
        {MF_STRING, ID_STEMS_DOWN, "Stems &Down"},
        {MF_SEPARATOR},
        {MF_STRING, ID_ACCIDENTALS_ENHARMONIC, "&Enharmonic Equivalent"},
        {MF_STRING, ID_TIES_CONSOLIDATE, "&Consolidate Ties"},
        {MF_SEPARATOR},
        {MF_STRING, ID_EDIT_PROPERTIES, "&Properties"},
    }},
}};
MENU_RESOURCE(IDR_NOTES_MENU, kNotesMenu);

// Stems up stand on the right of the head, stems down on the left.
constexpr int kStemUp = 0, kStemDown = 1;
constexpr int kStemLeft = 0, kStemRight = 1;
constexpr int kOverride = 1;

// The highest MIDI key.
constexpr int kHighestKey = 127;

// One changed element and what changed about it (EDITITEM_ kinds).
using EditItems = std::vector<std::pair<ECBase*, int>>;

DCctNotate* NotateOf(ECBase* element) {
    return dynamic_cast<DCctNotate*>(element->GetData(DK_NOTATION, 0));
}

ECBase* FirstParentOfType(ECBase* element, int type) {
    MCEventList* parents = element->GetParents();
    for (POSITION pos = parents ? parents->GetHeadPosition() : nullptr; pos;) {
        ECBase* parent = parents->GetNext(pos);
        if (parent->GetClassType() == type)
            return parent;
    }
    return nullptr;
}

ECBase* AccidentalChildOf(ECBase* element) {
    MCEventList* children = element->GetChildren();
    POSITION at = children ? children->FindEvent(ET_ACCIDENTAL) : nullptr;
    return at ? children->GetAt(at) : nullptr;
}

// Whether `element` stands right after `previous` among the beam's members.
bool DirectlyFollows(ECBase* beam, ECBase* previous, ECBase* element) {
    MCEventList* members = beam->GetChildren();
    if (!members)
        return false;
    POSITION at = members->Find(previous);
    if (!at)
        return false;
    members->GetNext(at);
    return at && members->GetAt(at) == element;
}

// ---- what each command changes (read only: the update handlers ask too) ------

// Every selected element that has stems to set: notes, rests, chords.
std::vector<ECBase*> StemTargets(MCEventList& selection) {
    std::vector<ECBase*> targets;
    for (POSITION pos = selection.GetHeadPosition(); pos;) {
        ECBase* element = selection.GetNext(pos);
        if (NotateOf(element))
            targets.push_back(element);
    }
    return targets;
}

// Every selected element drawn with an accidental, with that accidental.
std::vector<std::pair<ECBase*, ECBase*>> EnharmonicTargets(MCEventList& selection) {
    std::vector<std::pair<ECBase*, ECBase*>> targets;
    for (POSITION pos = selection.GetHeadPosition(); pos;) {
        ECBase* element = selection.GetNext(pos);
        ECBase* accidental = AccidentalChildOf(element);
        if (accidental && NotateOf(element))
            targets.emplace_back(element, accidental);
    }
    return targets;
}

// The heads of the tie chains the selected sounding notes belong to, each
// once (a chain is consolidated once, from its head). A continuation (no
// length of its own) brings nothing.
std::vector<ECBase*> ChainHeads(MCEventList& selection) {
    std::vector<ECBase*> heads;
    CTie ties;
    for (POSITION pos = selection.GetHeadPosition(); pos;) {
        ECBase* element = selection.GetNext(pos);
        if (element->GetClassType() != ET_NOTE)
            continue;
        auto* note = static_cast<ECNote*>(element);
        const bool tied = ties.FindTieParent(note, TIE_FORWARD) || ties.FindTieParent(note, TIE_BACKWARD);
        if (!tied || *note->GetDuration() == MCTime::TimeZero())
            continue;
        ECNote* head = ties.GetHeadOfTie(note);
        if (head && std::find(heads.begin(), heads.end(), head) == heads.end())
            heads.push_back(head);
    }
    return heads;
}

// Each selected note (or the chord it stands in, when the chord is what is
// beamed) that directly follows the selected note before it in one beam.
std::vector<ECBase*> BeamBreaks(MCEventList& selection) {
    std::vector<ECBase*> breaks;
    ECBase* previousMember = nullptr;
    ECBase* previousBeam = nullptr;
    for (POSITION pos = selection.GetHeadPosition(); pos;) {
        ECBase* element = selection.GetNext(pos);
        if (element->GetClassType() != ET_NOTE)
            continue;
        ECBase* member = element;
        ECBase* beam = FirstParentOfType(element, ET_BEAM);
        if (!beam) {
            if (ECBase* chord = FirstParentOfType(element, ET_CHORD)) {
                member = chord;
                beam = FirstParentOfType(chord, ET_BEAM);
            }
        }
        if (beam && beam == previousBeam && DirectlyFollows(beam, previousMember, member))
            breaks.push_back(member);
        previousMember = member;
        previousBeam = beam;
    }
    return breaks;
}

}  // namespace

// ---- the commands ---------------------------------------------------------------------

namespace {

// The document's selection, resolved; null without a document.
MCEventList* SelectionOf(CCantrel& view) {
    auto* document = DYNAMIC_DOWNCAST(MCOpusDoc, view.GetDocument());
    return document ? &document->GetSelection(0).GetEvents(1) : nullptr;
}

// One edit state of the items, applied to the performance; none for no items
// (nothing changed: the document stays unmodified).
void ApplyEdit(ECPerformance* performance, const EditItems& items) {
    if (!performance || items.empty())
        return;
    auto* edit = new SCEventEdit(STATE_EVENTS_EDITED);
    for (const auto& [element, kind] : items)
        edit->AddItem(element, kind);
    edit->Apply(performance);
}

}  // namespace

namespace {

// A new mark offered to a tool made for the moment; released unless taken.
void JoinSelection(CJoinCursor&& tool, ECBase* mark) {
    mark->Ref();
    tool.Insert(mark, nullptr);
    mark->Unref(1);
}

}  // namespace

void CCantrel::OnTieNotes() {
    JoinSelection(CTieCursor(this, nullptr), new ECTie);
}

void CCantrel::OnSlurNotes() {
    JoinSelection(CSlurCursor(this, nullptr), new ECSlur);
}

void CCantrel::OnUpdateTieSlurNotes(CCmdUI* pCmdUI) {
    MCEventList* selection = SelectionOf(*this);
    // Marks join notes, two at least.
    pCmdUI->Enable(m_pBaseEvent && selection && selection->GetCount() >= 2 &&
                   selection->GetEventType() == ET_NOTE);
}

void CCantrel::OnChangeStems(UINT nID) {
    MCEventList* selection = SelectionOf(*this);
    if (!selection)
        return;
    const bool up = nID == ID_STEMS_UP;
    EditItems items;
    for (ECBase* element : StemTargets(*selection)) {
        DCctNotate* display = NotateOf(element);
        display->SetStemDirection(up ? kStemUp : kStemDown, kOverride);
        display->SetStemSide(up ? kStemRight : kStemLeft, kOverride);
        items.emplace_back(element, EDITITEM_NOTATION_DATA);
        items.emplace_back(element, EDITITEM_VOICETRACK);
    }
    ApplyEdit(m_pBaseEvent, items);
}

void CCantrel::OnUpdateChangeStems(CCmdUI* pCmdUI) {
    MCEventList* selection = SelectionOf(*this);
    pCmdUI->Enable(m_pBaseEvent && selection && !StemTargets(*selection).empty());
}

void CCantrel::OnEnharmonic() {
    MCEventList* selection = SelectionOf(*this);
    if (!selection)
        return;
    EditItems items;
    for (const auto& [element, accidental] : EnharmonicTargets(*selection)) {
        NotateOf(element)->GetSpelling().ToggleEnharmonic();
        items.emplace_back(accidental, EDITITEM_ENHARMONIC);
    }
    ApplyEdit(m_pBaseEvent, items);
}

void CCantrel::OnUpdateEnharmonic(CCmdUI* pCmdUI) {
    MCEventList* selection = SelectionOf(*this);
    pCmdUI->Enable(m_pBaseEvent && selection && !EnharmonicTargets(*selection).empty());
}

void CCantrel::OnConsolidateTies() {
    MCEventList* selection = SelectionOf(*this);
    if (!selection || !m_pBaseEvent)
        return;
    const std::vector<ECBase*> heads = ChainHeads(*selection);
    if (heads.empty())
        return;
    // The continuations go with the consolidation: the heads stay selected.
    MCEventList selected;
    EditItems items;
    for (ECBase* head : heads) {
        selected.AddTail(head);
        items.emplace_back(head, EDITITEM_CONSOLIDATE_TIES);
    }
    (new SCSelection(STATE_SELECTION_REPLACE, &selected))->Apply(m_pBaseEvent);
    ApplyEdit(m_pBaseEvent, items);
}

void CCantrel::OnUpdateConsolidateTies(CCmdUI* pCmdUI) {
    MCEventList* selection = SelectionOf(*this);
    pCmdUI->Enable(m_pBaseEvent && selection && !ChainHeads(*selection).empty());
}

void CCantrel::OnBreakPrimaryBeam() {
    MCEventList* selection = SelectionOf(*this);
    if (!selection)
        return;
    EditItems items;
    for (ECBase* member : BeamBreaks(*selection))
        items.emplace_back(member, EDITITEM_BREAK_BEAM);
    ApplyEdit(m_pBaseEvent, items);
}

void CCantrel::OnUpdateBreakPrimaryBeam(CCmdUI* pCmdUI) {
    MCEventList* selection = SelectionOf(*this);
    pCmdUI->Enable(m_pBaseEvent && selection && !BeamBreaks(*selection).empty());
}

void CCantrel::OnNudge(UINT nChar) {
    MCEventList* selection = SelectionOf(*this);
    if (!selection || !m_pBaseEvent)
        return;
    // Logical y grows upwards.
    CSize step;
    switch (nChar) {
    case VK_LEFT: step.cx = -kNudgeStep; break;
    case VK_RIGHT: step.cx = kNudgeStep; break;
    case VK_UP: step.cy = kNudgeStep; break;
    case VK_DOWN: step.cy = -kNudgeStep; break;
    default: return;
    }
    EditItems items;
    for (POSITION pos = selection->GetHeadPosition(); pos;) {
        ECBase* element = selection->GetNext(pos);
        auto* display = dynamic_cast<DCctBase*>(element->GetData(DK_NOTATION, 0));
        if (!display)
            continue;
        const int type = element->GetClassType();
        auto* performer = dynamic_cast<DCsqNote*>(element->GetData(DK_SEQUENCER, 0));
        if (step.cy != 0 && (type == ET_NOTE || type == ET_GRACENOTE) && performer) {
            // A note nudged up or down sounds a semitone higher or lower.
            const int key = std::clamp(performer->GetNoteOnData().GetDataByte1() + step.cy / kNudgeStep, 0,
                                       kHighestKey);
            {
                // The player reads the note's words while it plays.
                std::lock_guard lock(m_pBaseEvent->GetLock());
                performer->ChangeMidiPitch(key);
            }
            items.emplace_back(element, EDITITEM_SEQUENCER_DATA);
        } else {
            display->SetOffset(display->GetOffset() + step);
            items.emplace_back(element, EDITITEM_NOTATION_DATA);
        }
    }
    ApplyEdit(m_pBaseEvent, items);
}

// ---- the mouse ------------------------------------------------------------------------------

void CCantrel::OnLButtonDblClk(UINT /*nFlags*/, CPoint /*point*/) {
    if (IsSingleSelect()) {
        OpenSelectedFrame();
        return;
    }
    if (CWnd* main = AfxGetMainWnd())
        main->SendMessage(WM_COMMAND, ID_EDIT_PROPERTIES);
}

void CCantrel::OnContextMenu(CWnd* pWnd, CPoint point) {
    auto* document = DYNAMIC_DOWNCAST(MCOpusDoc, GetDocument());
    const int type = document ? document->GetSelection(0).GetEventType() : -1;
    // Nothing selected, or elements of several kinds: no menu of the view's.
    if (type < 0) {
        CWnd::OnContextMenu(pWnd, point);
        return;
    }
    std::unique_ptr<CMenu> menu = LoadMenu(type == ET_NOTE ? IDR_NOTES_MENU : IDR_CONTEXT_MENU);
    CMenu* popup = menu ? menu->GetSubMenu(0) : nullptr;
    CFrameWnd* frame = GetTopLevelFrame();
    if (!popup || !frame)
        return;
    // Asked from the keyboard: the menu opens at the view's corner.
    if (point.x == -1 && point.y == -1) {
        point = CPoint(0, 0);
        ClientToScreen(&point);
    }
    popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, frame);
}
