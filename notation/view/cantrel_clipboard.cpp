// The notation view's clipboard: Cut, Copy and Paste, and the start of a
// drag of the selection (a drag is a copy handed to the drag loop instead
// of the clipboard).
#include "notation/view/cantrel.h"

#include "interface/document/oledata.h"
#include "interface/document/oledatainfo.h"
#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/eventtypes.h"
#include "model/frame.h"
#include "model/groupmarks.h"
#include "model/states.h"
#include "notation/display/base.h"
#include "notation/tools/musiccursor.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/cursor.h"
#include "platform/ui/dragdrop.h"
#include "platform/ui/paint.h"

#include <memory>
#include <vector>

namespace {

// What a copy describes of copied frames: the union of their rectangles
// (device units) and where the pointer holds it: where it was pressed, for
// a drag (the pointer has left that point by the drag distance since), else
// where it is.
void DescribeFrames(CCantrel& view, MCEventList& frames, COleDataInfo& info, const CPoint* pressed) {
    CClientDC dc(&view);
    view.OnPrepareDC(&dc);
    CRect all;
    all.SetRectEmpty();
    for (POSITION pos = frames.GetHeadPosition(); pos;) {
        auto* display = dynamic_cast<DCctBase*>(frames.GetNext(pos)->GetData(DK_NOTATION, 1));
        if (!display)
            continue;
        display->SetFrameDirty(1);
        CRect frame;
        display->GetVirtualFrame(&frame, 0);
        view.VPtoDP(&dc, &frame);
        frame.NormalizeRect();
        if (all.IsRectEmpty())
            all = frame;
        else
            all.UnionRect(all, frame);
    }
    CPoint pointer(0, 0);
    if (pressed) {
        pointer = CPoint(pressed->x - all.left, pressed->y - all.top);
    } else if (GetCursorPos(&pointer)) {
        view.ScreenToClient(&pointer);
        pointer = CPoint(pointer.x - all.left, pointer.y - all.top);
    } else {
        pointer = CPoint(0, 0);
    }
    info.SetFrameInfo({all.Width(), all.Height()}, {pointer.x, pointer.y});
}

}  // namespace

void CCantrel::OnEditCut() {
    m_bCut = 1;
    OnEditCopy();
}

void CCantrel::OnEditCopy() {
    auto* document = DYNAMIC_DOWNCAST(MCOpusDoc, GetDocument());
    if (!m_pBaseEvent || !document)
        return;
    if (m_bDragging) {
        // A press on the selection is a drag only once the pointer leaves
        // the drag distance before the button comes up.
        CPoint pointer;
        GetCursorPos(&pointer);
        if (!DragDetect(this, pointer))
            return;
    }

    m_bCopying = 1;
    auto source = std::make_unique<COleDataOut>(document);
    // An element travels with its children: a child selected with its
    // parent would be copied twice.
    MCEventList elements;
    elements.AddTail(&document->GetSelection(0).GetEvents(1));
    elements.CollapseToAncestors();
    SCSelection selection(STATE_SELECTION_CLEAR, &elements);
    const int type = selection.GetEventType();
    auto info = std::make_unique<COleDataInfo>();   // borrowed by the source while it lives
    info->SetEventType(type);
    MCEventList& copied = selection.GetEvents(1);
    if (type == ET_FRAME && !copied.IsEmpty()) {
        DescribeFrames(*this, copied, *info, m_bDragging ? &m_dragPressed : nullptr);
        if (copied.GetCount() == 1)
            OfferFrameObject(static_cast<ECFrame*>(copied.GetHead()), source.get());
    } else if (type == ET_TUPLET && !copied.IsEmpty()) {
        auto* tuplet = static_cast<ECTuplet*>(copied.GetHead());
        info->SetTupletInfo(tuplet->GetIrregular(), tuplet->GetNormal(), tuplet->GetUnits());
    }
    const int filled = source->SetFromSelection(selection, info.get());
    m_bCopying = 0;

    if (filled && m_bDragging) {
        m_bDragSource = 1;
        m_bDroppedHere = 0;
        const DROPEFFECT effect = source->DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE);
        if (effect == DROPEFFECT_NONE) {
            HideCursor(1);
            UpdateMusicCursor();
            ShowCursor();
        } else if (effect == DROPEFFECT_MOVE && !m_bDroppedHere) {
            // Moved to another window: what was dragged goes. Not the
            // selection: a drop into another view of this document has
            // made the copies the selection by now.
            DoCut(0, source->GetEvents());
        }
        m_bDragSource = 0;
        m_bDroppedHere = 0;
    } else if (filled) {
        source.release()->SetClipboard();   // the clipboard's from here
        if (m_bCut)
            DoCut(0, nullptr);
    }
    m_bDragging = 0;
    m_bCut = 0;
}

void CCantrel::OnUpdateEditCut(CCmdUI* pCmdUI) {
    auto* document = DYNAMIC_DOWNCAST(MCOpusDoc, GetDocument());
    pCmdUI->Enable(document && !document->GetSelection(0).IsEmpty());
}

void CCantrel::OnUpdateEditCopy(CCmdUI* pCmdUI) {
    OnUpdateEditCut(pCmdUI);
}

void CCantrel::OnEditPaste() {
    DoPaste(DOPASTE_REPLACE, nullptr);
}

void CCantrel::OnUpdateEditPaste(CCmdUI* pCmdUI) {
    pCmdUI->Enable(CanPaste(nullptr, 0));
}

int CCantrel::CanPaste(COleDataIn* reader, DWORD flags) {
    auto* document = DYNAMIC_DOWNCAST(MCOpusDoc, GetDocument());
    if (!document || !m_pCursor)
        return 0;
    std::unique_ptr<COleDataIn> clipboard;
    if (!reader) {
        clipboard = std::make_unique<COleDataIn>(document);
        reader = clipboard.get();
        flags |= OLEDATA_ATTACH_CLIPBOARD;
    }
    if (!reader->CheckForData(static_cast<int>(flags)))
        return 0;
    // Data without a description can only become an embedded object.
    int type = ET_FRAME;
    const int attach = static_cast<int>(flags & OLEDATA_ATTACH_CLIPBOARD);
    if (reader->CheckForData(attach | OLEDATA_INFO)) {
        COleDataInfo info;
        if (reader->GetOurData(nullptr, &info, attach | OLEDATA_INFO))
            type = info.GetEventType();
    }
    if (type == ET_FRAME)
        return 1;
    return m_pCursor->GetParent() != nullptr;
}

int CCantrel::DoPaste(DWORD flags, COleDataIn* reader) {
    CWaitCursor wait;
    m_bPasting = 1;
    std::unique_ptr<COleDataIn> clipboard;
    int attach = 0;
    COleDataIn* given = reader;
    if (!reader) {
        clipboard = std::make_unique<COleDataIn>(DYNAMIC_DOWNCAST(MCOpusDoc, GetDocument()));
        reader = clipboard.get();
        attach = OLEDATA_ATTACH_CLIPBOARD;
    }
    if (flags & DOPASTE_REPLACE)
        DoCut(flags, nullptr);
    int result = 0;
    if (reader->CheckForData(attach | OLEDATA_EVENTS)) {
        MCEventList elements;
        if (m_pBaseEvent && reader->GetOurData(&elements, nullptr, attach | OLEDATA_EVENTS)) {
            result = InsertEvents(elements, flags);
            // What went in is the selection; what the tools refused is not.
            (new SCSelection(STATE_SELECTION_REPLACE, &elements))->Apply(m_pBaseEvent);
            if (GetSafeHwnd())
                SetFocus();
        }
    } else {
        result = InsertEventFromData(given, flags);
    }
    m_bPasting = 0;
    return result;
}

void CCantrel::DoDrag(CPoint& point) {
    if (TrackFrameHandle(point))
        return;
    m_bDragging = 1;
    m_dragPressed = point;
    OnEditCopy();
    m_bDragging = 0;
}
