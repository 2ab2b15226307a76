// The notation view's edit tool: which tool serves which edit mode and
// prototype, the mouse, keys and timer routed to it, the mouse cursor, and
// the play cursor's life.
#include "notation/view/cantrel.h"

#include "model/appstates.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/markings.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/states.h"
#include "model/tempo.h"
#include "notation/tools/chordcursor.h"
#include "notation/tools/framecursor.h"
#include "notation/tools/gracenotecursor.h"
#include "notation/tools/highlightcursor.h"
#include "notation/tools/insertcursor.h"
#include "notation/tools/lyriccursor.h"
#include "notation/tools/markcursors.h"
#include "notation/tools/musiccursor.h"
#include "notation/tools/notecursor.h"
#include "notation/tools/playcursor.h"
#include "notation/tools/selectcursor.h"
#include "notation/tools/signaturecursors.h"
#include "notation/tools/spancursor.h"
#include "notation/tools/tiecursor.h"
#include "platform/ui/keys.h"
#include "platform/ui/paint.h"

#include <QWidget>

#include <vector>

namespace {

// Ruler lookups snap to the nearest division.
constexpr int kSnapOn = 1;

}  // namespace

CMusicCursor* CCantrel::CreateMusicCursor(int mode, ECBase* prototype) {
    switch (mode) {
    case STATE_MODE_SELECT:
        return new CSelectCursor(this, nullptr);
    case STATE_MODE_ERASE:
        return new CEraseCursor(this, nullptr);
    case STATE_MODE_INSERT:
        return prototype ? CreateInsertCursor(*prototype) : nullptr;
    default:
        return nullptr;
    }
}

namespace {

// A note tool sounds the accidental its prototype holds.
void SetUpAccidental(CNoteCursor& cursor, ECBase& prototype) {
    if (auto* accidental = dynamic_cast<ECAccidental*>(prototype.GetDescendant(ET_ACCIDENTAL, -1)))
        cursor.SetAccidental(accidental->GetAccidentalType());
}

}  // namespace

CMusicCursor* CCantrel::CreateNoteCursor(ECBase& prototype, const std::vector<int>& parentTypes) {
    auto* cursor = new CNoteCursor(this, &parentTypes);
    if (auto* tuplet = dynamic_cast<ECTuplet*>(&prototype))
        if (auto* note = dynamic_cast<ECNote*>(tuplet->GetDescendant(ET_NOTE, -1)); note && note->GetDuration())
            cursor->SetTuplet(tuplet->GetIrregular(), tuplet->GetNormal(), *note->GetDuration());
    SetUpAccidental(*cursor, prototype);
    return cursor;
}

CMusicCursor* CCantrel::CreateInsertCursor(ECBase& prototype) {
    std::vector<int> parentTypes;
    prototype.GetParentTypes(parentTypes);
    switch (prototype.GetClassType()) {
    case ET_REPEAT: {
        auto* cursor = new CInsertCursor(this, &parentTypes);
        cursor->SetSnap(kSnapOn);
        return cursor;
    }
    // Marks on a note, accidentals and dots.
    case ET_ACCENT:
    case ET_ARPEGGIO:
    case ET_MORDENT:
    case ET_ORNAMENT:
    case ET_TREMOLO:
    case ET_TRILL:
    case ET_TURN:
        return new CNoteModifierCursor(this, &parentTypes);
    case ET_ACCIDENTAL:
        return new CAccidentalCursor(this, &parentTypes);
    case ET_DOT:
        return new CDotCursor(this, &parentTypes);
    case ET_CLEF:
        return new CClefCursor(this, &parentTypes);
    case ET_FLOWCONTROL:
        return new CFlowCursor(this, &parentTypes);
    case ET_KEY:
        return new CKeyCursor(this, &parentTypes);
    case ET_METER:
        return new CMeterCursor(this, &parentTypes);
    case ET_TEXT:
        return new CTextCursor(this, &parentTypes);
    // Marks over a stretch of time; dynamics and tempi know from the
    // palette's element whether theirs lasts.
    case ET_DYNAMIC:
        return new CDynamicCursor(this, dynamic_cast<ECDynamic*>(&prototype));
    case ET_TEMPO:
        return new CTempoCursor(this, dynamic_cast<ECTempo*>(&prototype));
    case ET_PEDAL:
    case ET_TRANSPOSE: {
        auto* cursor = new CInsertRangeCursor(this, &parentTypes);
        cursor->SetSnap(kSnapOn);
        return cursor;
    }
    case ET_LYRIC:
        return new CLyricCursor(this, &parentTypes);
    case ET_GRACENOTE: {
        auto* cursor = new CGraceNoteCursor(this, &parentTypes);
        SetUpAccidental(*cursor, prototype);
        return cursor;
    }
    case ET_FRAME:
        return new CFrameCursor(this);
    case ET_CHORDSYMBOL:
        return new CChordCursor(this, &parentTypes);
    case ET_SLUR:
        return new CSlurCursor(this, &parentTypes);
    case ET_TIE:
        return new CTieCursor(this, &parentTypes);
    case ET_NOTE:
    case ET_TUPLET:
        return CreateNoteCursor(prototype, parentTypes);
    default:
        return new CInsertCursor(this, &parentTypes);
    }
}

CMusicCursor* CCantrel::CreateMusicCursor(int mode, int eventType) {
    ECBase* prototype = ECBase::CreateEvent(eventType);
    if (prototype)
        prototype->Ref();
    CMusicCursor* cursor = CreateMusicCursor(mode, prototype);
    if (prototype)
        prototype->Unref(1);
    return cursor;
}

void CCantrel::UpdateMusicCursor() {
    delete m_pCursor;
    m_pCursor = nullptr;
    // The palette answers a new copy, ours: the tool takes what it needs
    // from it, then it is taken apart and released.
    ECBase* prototype = SCMode::GetEvent();
    if (prototype)
        prototype->Ref();
    m_pCursor = CreateMusicCursor(SCMode::s_nMode, prototype);
    m_toolPoint.reset();
    if (prototype) {
        prototype->RemoveChildren(1);
        prototype->Unref(1);
    }
}

void CCantrel::DeleteCursors() {
    delete m_pCursor;
    m_pCursor = nullptr;
    delete m_pPlayCursor;
    m_pPlayCursor = nullptr;
}

void CCantrel::HideCursor(int reset) {
    if (!m_pCursor)
        return;
    m_pCursor->Hide();
    if (reset) {
        m_pCursor->Reset();
        m_toolPoint.reset();
    }
}

void CCantrel::ShowCursor() {
    if (m_pCursor)
        m_pCursor->Show();
}

// ---- the mouse ------------------------------------------------------------------------------

void CCantrel::UpdateCursor() {
    const bool inside = (m_flags & SV_POINTER_INSIDE) != 0;
    if (!inside || (m_flags & (SV_QUICKSCROLL_ARMED | SV_QUICKSCROLL_GRAB)) || !m_pCursor) {
        MCScrollView::UpdateCursor();
        return;
    }
    HCURSOR cursor = m_pCursor->GetCursor();
    ::SetCursor(cursor);
    if (GetWidget() && cursor)
        GetWidget()->setCursor(*cursor);
}

void CCantrel::OnMouseDragBegin(UINT nFlags, CPoint point) {
    SetFocus();
    if (!m_pCursor)
        return;
    // A press where the tool has not followed the pointer (it jumped there,
    // or a control holding the capture took the move) first moves the tool
    // there: the tools begin from what they found under the pointer.
    if (m_toolPoint != point) {
        m_pCursor->Update(point, 1);
        m_toolPoint = point;
    }
    m_pCursor->OnMouseDragBegin(nFlags, point);
}

void CCantrel::OnMouseDragContinue(UINT nFlags, CPoint point) {
    if (m_pCursor)
        m_pCursor->OnMouseDragContinue(nFlags, point);
}

void CCantrel::OnMouseDragEnd(UINT nFlags, CPoint point) {
    if (m_pCursor)
        m_pCursor->OnMouseDragEnd(nFlags, point);
}

void CCantrel::SetMouseDrag(int dragging) {
    if (dragging)
        m_flags |= SV_MOUSE_DRAG;
    else
        m_flags &= ~SV_MOUSE_DRAG;
}

void CCantrel::OnMouseMove(UINT nFlags, CPoint point) {
    const bool busy = (m_flags & (SV_QUICKSCROLL_GRAB | SV_MOUSE_DRAG)) != 0;
    if (m_bMarginDrag) {
        if (busy)
            return;
        const int edge = SnapMarginEdge(point.x);
        if (edge == m_marginRect.right)
            return;
        m_marginRect.right = edge;
        TileViews(TRUE);
        UpdateScrollBars();
        return;
    }
    if (!busy && m_pCursor) {
        m_pCursor->Update(point, 1);
        m_toolPoint = point;
    }
    MCScrollView::OnMouseMove(nFlags, point);
}

// ---- keys and the timer ---------------------------------------------------------------------

void CCantrel::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
    switch (nChar) {
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        if (GetKeyState(VK_CONTROL) < 0) {
            OnNudge(nChar);
            return;
        }
        break;
    case VK_DELETE:
        OnEditDelete();
        return;
    case 'A':
        if (GetKeyState(VK_CONTROL) < 0) {
            OnEditSelectAll();
            return;
        }
        break;
    // The clipboard's keys, the view's own like Del (see app/menus.cpp).
    case 'X':
    case 'C':
    case 'V':
        if (GetKeyState(VK_CONTROL) < 0) {
            if (nChar == 'X')
                OnEditCut();
            else if (nChar == 'C')
                OnEditCopy();
            else if (CanPaste(nullptr, 0))
                OnEditPaste();
            return;
        }
        break;
    default:
        break;
    }
    MCScrollView::OnKeyDown(nChar, nRepCnt, nFlags);
}

void CCantrel::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent != ID_TIMER_BLINK) {
        MCScrollView::OnTimer(nIDEvent);
        return;
    }
    if (!m_pCursor)
        return;
    CClientDC dc(this);
    OnPrepareDC(&dc);
    m_pCursor->Draw(&dc);
}
