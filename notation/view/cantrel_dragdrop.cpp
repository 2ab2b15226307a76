// The notation view as a drop target: whatever is dragged over it is shown
// by the insert tool for its type, following the pointer, and a drop pastes
// it there. The drop target (droptarget.h) calls these and scrolls.
#include "notation/view/cantrel.h"

#include "interface/document/oledata.h"
#include "interface/document/oledatainfo.h"
#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/states.h"
#include "notation/tools/framecursor.h"
#include "notation/tools/musiccursor.h"
#include "notation/tools/notecursor.h"
#include "platform/ui/dragdrop.h"
#include "platform/ui/messages.h"
#include "platform/ui/paint.h"

#include <cstdint>
#include <cstring>

namespace {

// HIMETRIC units (hundredths of a millimetre) per inch.
constexpr int kHimetricPerInch = 2540;

// A reader of the document with the dragged data lent to it for one call.
class CLentReader {
public:
    CLentReader(MCOpusDoc* document, COleDataObject* data) : m_reader(document) {
        if (data)
            m_reader.GetDataObject().Attach(*data);
    }
    ~CLentReader() { m_reader.GetDataObject().Release(); }
    COleDataIn& Get() { return m_reader; }

private:
    COleDataIn m_reader;
};

// What the dragged data says of itself: the element type (a frame unless
// described), a frame's size and grab point (logical units), a tuplet's
// counts and unit.
struct DraggedKind {
    int type = ET_FRAME;
    CSize frameSize{0, 0};
    CSize grab{0, 0};
    int tuplet[3] = {0, 0, -1};
};

// A LONG of the object descriptor at `offset`; 0 past its end.
int32_t DescriptorLong(const std::vector<uint8_t>& bytes, size_t offset) {
    int32_t value = 0;
    if (offset + sizeof value <= bytes.size())
        std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

}  // namespace

DROPEFFECT CCantrel::OnDragEnter(COleDataObject* pDataObject, DWORD dwKeyState, CPoint point) {
    m_bDragging = 1;
    auto* document = DYNAMIC_DOWNCAST(MCOpusDoc, GetDocument());
    if (document)
        MCOpusDoc::SetActiveDoc(document);
    DraggedKind kind;
    {
        CLentReader reader(document, pDataObject);
        CClientDC dc(this);
        OnPrepareDC(&dc);
        COleDataInfo info;
        if (reader.Get().CheckForData(OLEDATA_INFO)) {
            if (reader.Get().GetOurData(nullptr, &info, OLEDATA_INFO))
                kind.type = info.GetEventType();
            if (kind.type == ET_FRAME) {
                COleDataInfo::FrameSize size;
                COleDataInfo::FramePoint grab;
                info.GetFrameInfo(size, grab);
                kind.frameSize = CSize(size.cx, size.cy);
                kind.grab = CSize(grab.x, grab.y);
                DPtoVP(&dc, &kind.frameSize);
                DPtoVP(&dc, &kind.grab);
            } else if (kind.type == ET_TUPLET) {
                info.GetTupletInfo(kind.tuplet[0], kind.tuplet[1], kind.tuplet[2]);
            }
        } else if (pDataObject && pDataObject->IsDataAvailable(GetObjectDescriptorFormat())) {
            // The object's own size and grab point, HIMETRIC: cx, cy at
            // bytes 24 and 28, x, y at 32 and 36 of the descriptor.
            std::unique_ptr<CMemFile> file = pDataObject->GetFileData(GetObjectDescriptorFormat());
            const std::vector<uint8_t> bytes = file ? file->Detach() : std::vector<uint8_t>();
            const int dpi = dc.GetDeviceCaps(LOGPIXELSX);
            auto toDevice = [dpi](int32_t himetric) {
                return static_cast<int>(static_cast<int64_t>(himetric) * dpi / kHimetricPerInch);
            };
            kind.frameSize = CSize(toDevice(DescriptorLong(bytes, 24)), toDevice(DescriptorLong(bytes, 28)));
            kind.grab = CSize(toDevice(DescriptorLong(bytes, 32)), toDevice(DescriptorLong(bytes, 36)));
            DPtoVP(&dc, &kind.frameSize);
            DPtoVP(&dc, &kind.grab);
        }
    }

    // The tool for what is dragged follows the pointer instead of the mode's.
    HideCursor(1);
    delete m_pCursor;
    m_pCursor = CreateMusicCursor(STATE_MODE_INSERT, kind.type);
    m_toolPoint.reset();
    if (auto* frame = dynamic_cast<CFrameCursor*>(m_pCursor)) {
        frame->SetFrameSize(kind.frameSize);
        frame->SetFrameOffset(kind.grab);
    } else if (auto* note = dynamic_cast<CNoteCursor*>(m_pCursor)) {
        if (kind.type == ET_TUPLET)
            note->SetTuplet(static_cast<uint8_t>(kind.tuplet[0]), static_cast<uint8_t>(kind.tuplet[1]),
                            ECTuplet::GetUnitsAsTime(kind.tuplet[2]));
        note->SetPlayNotes(1);
    }
    return OnDragOver(pDataObject, dwKeyState, point);
}

DROPEFFECT CCantrel::OnDragOver(COleDataObject* pDataObject, DWORD dwKeyState, CPoint point) {
    DROPEFFECT effect = DROPEFFECT_NONE;
    {
        CLentReader reader(DYNAMIC_DOWNCAST(MCOpusDoc, GetDocument()), pDataObject);
        if (CanPaste(&reader.Get(), 0)) {
            if ((dwKeyState & MK_CONTROL) && (dwKeyState & MK_SHIFT))
                effect = DROPEFFECT_LINK;
            else if (dwKeyState & MK_CONTROL)
                effect = DROPEFFECT_COPY;
            else if (reader.Get().CheckForData(OLEDATA_EVENTS))
                effect = DROPEFFECT_MOVE;
            else
                // Another program's file or picture is copied in: a move
                // would have that program delete its original.
                effect = DROPEFFECT_COPY;
        }
    }
    OnMouseMove(0, point);
    return effect;
}

void CCantrel::OnDragLeave() {
    HideCursor(1);
    UpdateMusicCursor();
    m_bDragging = 0;
}

BOOL CCantrel::OnDrop(COleDataObject* pDataObject, DROPEFFECT dropEffect, CPoint point) {
    m_bDroppedHere = 1;
    if (!m_pBaseEvent) {
        m_bDragging = 0;
        return FALSE;
    }
    auto* document = DYNAMIC_DOWNCAST(MCOpusDoc, GetDocument());
    if (document)
        MCOpusDoc::SetActiveDoc(document);
    if (m_pCursor) {
        m_pCursor->Update(point, 1);
        m_toolPoint = point;
    }
    int result = 0;
    {
        CLentReader reader(document, pDataObject);
        switch (dropEffect & ~DROPEFFECT_SCROLL) {
        case DROPEFFECT_COPY:
            // A copy within the view: the originals stay, the copies
            // become the selection.
            if (m_bDragSource) {
                (new SCSelection(STATE_SELECTION_CLEAR))->Apply(m_pBaseEvent);
                SetFocus();
            }
            result = DoPaste(0, &reader.Get());
            break;
        case DROPEFFECT_MOVE:
            // A move within the view cuts the originals here; the source
            // then leaves them.
            result = DoPaste(m_bDragSource ? DOPASTE_REPLACE : 0, &reader.Get());
            break;
        case DROPEFFECT_LINK:
            result = DoPaste(DOPASTE_LINK, &reader.Get());
            break;
        default:
            break;
        }
    }
    HideCursor(1);
    UpdateMusicCursor();
    m_bDragging = 0;
    return result;
}
