// CSelectionOrigin and CSelectionOffset (see selectionoffset.h).
#include "notation/view/selectionoffset.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "notation/display/base.h"
#include "sequencer/performers.h"

#include <algorithm>

namespace {

bool IsNote(const ECBase* element) {
    const int type = element->GetClassType();
    return type == ET_NOTE || type == ET_GRACENOTE;
}

// The key a note sounds (its performer's first data byte); -1 without a performer.
int PlayedKey(ECBase* element) {
    auto* performer = dynamic_cast<DCsqMidi*>(element->GetData(DK_SEQUENCER, 0));
    return performer ? performer->GetMidiData().GetDataByte1() : -1;
}

DCctBase* DisplayOf(ECBase* element) {
    return dynamic_cast<DCctBase*>(element->GetData(DK_NOTATION, 0));
}

}  // namespace

void CSelectionOffset::Reset() {
    m_time = MCTime();
    m_nPitch = 0;
    m_nVoice = 0;
    m_display = CSize(0, 0);
}

CSelectionOrigin::CSelectionOrigin() : m_time(MCTime::TimeNull()) {}

void CSelectionOrigin::Add(ECBase* element) {
    if (!element)
        return;
    if (const MCTime* time = element->GetTime())
        if (m_time == MCTime::TimeNull() || *time < m_time)
            m_time = *time;
    if (IsNote(element) && m_nPitch == -1) {
        const int key = PlayedKey(element);
        if (key >= 0)
            m_nPitch = key;
        if (const MCVoiceTrack* word = element->GetVoiceTrack(); word && m_nVoice == -1)
            m_nVoice = word->GetVoice();
    }
    DCctBase* display = DisplayOf(element);
    if (!display)
        return;
    const CPoint p = display->GetPosition();
    if (m_rect.left == 0 && m_rect.top == 0 && m_rect.right == 0 && m_rect.bottom == 0) {
        m_rect = CRect(p.x, p.y, p.x, p.y);
        return;
    }
    // Only frames span an area; every other element keeps to the first
    // element's point, so a group's shape is measured from where it begins.
    if (element->GetClassType() != ET_FRAME)
        return;
    m_rect.left = std::min<int>(m_rect.left, p.x);
    m_rect.right = std::max<int>(m_rect.right, p.x);
    m_rect.top = std::max<int>(m_rect.top, p.y);
    m_rect.bottom = std::min<int>(m_rect.bottom, p.y);
}

void CSelectionOrigin::AddList(MCEventList& list) {
    for (POSITION pos = list.GetHeadPosition(); pos;)
        Add(list.GetNext(pos));
}

int CSelectionOrigin::GetOffset(ECBase* element, CSelectionOffset& offset) const {
    if (!element)
        return 1;
    if (const MCTime* time = element->GetTime())
        offset.m_time = *time - m_time;
    if (IsNote(element)) {
        const int key = PlayedKey(element);
        if (key >= 0)
            offset.m_nPitch = key - m_nPitch;
        if (const MCVoiceTrack* word = element->GetVoiceTrack())
            offset.m_nVoice = word->GetVoice() - m_nVoice;
    }
    if (DCctBase* display = DisplayOf(element)) {
        const CPoint p = display->GetPosition();
        offset.m_display = CSize(p.x - m_rect.left, p.y - m_rect.top);
    }
    return 1;
}
