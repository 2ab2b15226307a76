// The notation view places elements that come from elsewhere (a paste, a
// drop) through its insert tools: one element where the tool stands, or a
// group at the same distances from the tool as from the group's start.
#include "notation/view/cantrel.h"

#include "model/appstates.h"
#include "model/basiccommands.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "notation/tools/framecursor.h"
#include "notation/tools/musiccursor.h"
#include "notation/view/selectionoffset.h"
#include "platform/ui/document.h"
#include "platform/ui/paint.h"

#include <memory>

namespace {

// The tool's position (view units) in device units, as a pointer gives it.
CPoint ToolPoint(CCantrel& view, CMusicCursor& tool) {
    CPoint point = tool.GetPosition();
    CClientDC dc(&view);
    view.OnPrepareDC(&dc);
    view.VPtoDP(&dc, &point);
    return point;
}

}  // namespace

int CCantrel::InsertEvent(ECBase* element, DWORD /*flags*/) {
    if (!element || !m_pCursor)
        return 0;
    const int type = element->GetClassType();
    if (m_pCursor->CanInsert(type))
        return m_pCursor->Insert(element, nullptr);
    std::unique_ptr<CMusicCursor> placer(CreateMusicCursor(STATE_MODE_INSERT, type));
    if (!placer)
        return 0;
    CPoint point = ToolPoint(*this, *m_pCursor);
    placer->Update(point, 0);
    return placer->Insert(element, nullptr);
}

int CCantrel::InsertEvents(MCEventList& list, DWORD /*flags*/) {
    if (list.IsEmpty() || !m_pCursor || !m_pBaseEvent)
        return 0;
    m_autoNote.PrepareEventList(list);
    CSelectionOrigin origin;
    origin.AddList(list);
    auto command = std::make_unique<CCAdd>();
    CPoint point = ToolPoint(*this, *m_pCursor);
    // A frame dragged here keeps the grab point and size the drag's frame
    // tool shows, so it lands where its outline stood.
    auto* dragged = dynamic_cast<CFrameCursor*>(m_pCursor);
    std::unique_ptr<CMusicCursor> placer;
    int inserted = 0;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        const POSITION at = pos;
        ECBase* element = list.GetNext(pos);
        const int type = element->GetClassType();
        if (!placer || !placer->CanInsert(type)) {
            placer.reset(CreateMusicCursor(STATE_MODE_INSERT, type));
            auto* frame = dynamic_cast<CFrameCursor*>(placer.get());
            if (frame && dragged) {
                frame->SetFrameSize(dragged->GetFrameSize());
                frame->SetFrameOffset(dragged->GetFrameOffset());
            }
        }
        CSelectionOffset offset;
        origin.GetOffset(element, offset);
        if (!m_bDragging) {
            offset.m_nPitch = CSelectionOffset::NONE;
            offset.m_nVoice = CSelectionOffset::NONE;
        }
        // What finds no place, or is refused there, is not part of what the
        // paste leaves selected.
        if (placer && placer->Update(point, offset) == 1 && placer->Insert(element, command.get()))
            ++inserted;
        else
            list.RemoveAt(at);
    }
    placer.reset();
    if (!inserted)
        return 0;
    command.release()->Apply(m_pBaseEvent);   // the command manager's from here
    if (CDocument* document = GetDocument())
        document->SetModifiedFlag(TRUE);
    return 1;
}
