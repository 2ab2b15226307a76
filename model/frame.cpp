// ECFrame and the client item it owns: the link kept both ways and the
// archive forms of both.
#include "model/frame.h"

#include "model/eventtypes.h"
#include "platform/core/archive.h"

// The item's class is a plain one: its schema is checked on loading.
IMPLEMENT_SERIAL(CScoreCntrItem, CObject, 0)
IMPLEMENT_SERIAL(ECFrame, ECWithTime, VERSIONABLE_SCHEMA | 2)

// ---- CScoreCntrItem -----------------------------------------------------------------

CScoreItemState::~CScoreItemState() = default;

CScoreCntrItem::~CScoreCntrItem() {
    if (m_pFrame)
        m_pFrame->DetachClientItem(this);
}

void CScoreCntrItem::SetECFrame(ECFrame* frame) {
    if (frame == m_pFrame)
        return;
    if (m_pFrame)
        m_pFrame->DetachClientItem(this);
    m_pFrame = nullptr;
    if (frame)
        frame->SetClientItem(this);   // points this item at the frame
}

void CScoreCntrItem::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << static_cast<DWORD>(m_dwItemNumber) << static_cast<WORD>(m_nDrawAspect);
        ar.WriteObject(m_pFrame);
        ar << static_cast<LONG>(m_cx) << static_cast<LONG>(m_cy);
        return;
    }

    // Everything is read before anything is kept, so a damaged item stays
    // as it was.
    DWORD number = 0;
    WORD aspect = 0;
    ar >> number >> aspect;
    ECBase* frame = ECBase::ReadEvent(ar, 0);
    if (frame && !DYNAMIC_DOWNCAST(ECFrame, frame))
        throw CArchiveException(CArchiveException::badClass);
    LONG cx = 0;
    LONG cy = 0;
    ar >> cx >> cy;
    m_dwItemNumber = number;
    m_nDrawAspect = aspect;
    m_cx = cx;
    m_cy = cy;
}

void CScoreCntrItem::OnReadFailed() {
    // A frame read inside the item's own bytes may have taken it already;
    // then the frame owns it.
    if (!m_pFrame)
        delete this;
}

// ---- ECFrame ------------------------------------------------------------------------

ECFrame::ECFrame(const ECFrame& other) : ECWithTime(other), m_type(other.m_type) {}

ECFrame::~ECFrame() {
    if (CScoreCntrItem* item = m_pItem) {
        m_pItem = nullptr;
        item->m_pFrame = nullptr;
        delete item;
    }
}

int ECFrame::GetClassType() const {
    return ET_FRAME;
}

void ECFrame::SetClientItem(CScoreCntrItem* item) {
    if (item == m_pItem)
        return;
    CScoreCntrItem* previous = m_pItem;
    if (item) {
        if (item->m_pFrame)
            item->m_pFrame->DetachClientItem(item);
        item->m_pFrame = this;
    }
    m_pItem = item;
    if (previous) {
        previous->m_pFrame = nullptr;
        delete previous;
    }
}

void ECFrame::DetachClientItem(const CScoreCntrItem* item) {
    if (m_pItem == item)
        m_pItem = nullptr;
}

void ECFrame::Serialize(CArchive& ar) {
    ECWithTime::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<BYTE>(m_type);
        ar.WriteObject(m_pItem);
        return;
    }

    ar >> m_type;
    auto* item = static_cast<CScoreCntrItem*>(ar.ReadObject(RUNTIME_CLASS(CScoreCntrItem)));
    // Each item belongs to one frame; a file that hands one to two frames
    // would have it deleted twice.
    if (item && item->m_pFrame && item->m_pFrame != this)
        throw CArchiveException(CArchiveException::badIndex);
    SetClientItem(item);
}
