// The player's queue of records (see seqevent.h).
#include "sequencer/seqevent.h"

#include <iterator>

CSeqEvent::CSeqEvent(const MCTime& time, ECBase* element, std::unique_ptr<CPVEventData> data, unsigned reports)
    : m_time(time), m_pElement(element), m_pData(std::move(data)) {
    if (reports != 0)
        m_flags |= SE_STAMP;
    if (reports & SEQ_REPORT_LEVEL)
        m_flags |= SE_LEVEL;
    if (reports & SEQ_REPORT_HIGHLIGHT_ON)
        m_flags |= SE_HIGHLIGHT_ON;
    if (reports & SEQ_REPORT_HIGHLIGHT_OFF)
        m_flags |= SE_HIGHLIGHT_OFF;
}

CSeqEvent::~CSeqEvent() = default;

void CSeqEventQueue::Merge(std::unique_ptr<CSeqEvent> record) {
    if (!record)
        return;
    // From the tail: new records mostly belong at or near the end.
    auto it = m_records.end();
    while (it != m_records.begin()) {
        auto before = std::prev(it);
        if ((*before)->GetTime() <= record->GetTime())
            break;
        it = before;
    }
    m_records.insert(it, std::move(record));
}

void CSeqEventQueue::Merge(const MCTime& time, ECBase* element, std::unique_ptr<CPVEventData> data,
                           unsigned reports) {
    Merge(std::make_unique<CSeqEvent>(time, element, std::move(data), reports));
}

void CSeqEventQueue::AddTail(std::unique_ptr<CSeqEvent> record) {
    if (record)
        m_records.push_back(std::move(record));
}

std::unique_ptr<CSeqEvent> CSeqEventQueue::RemoveHead() {
    if (m_records.empty())
        return nullptr;
    std::unique_ptr<CSeqEvent> record = std::move(m_records.front());
    m_records.pop_front();
    return record;
}

void CSeqEventQueue::PrependAll(CSeqEventQueue& other) {
    if (&other != this)
        m_records.splice(m_records.begin(), other.m_records);
}

void CSeqEventQueue::MoveAllTo(CSeqEventQueue& other) {
    if (&other != this)
        other.m_records.splice(other.m_records.end(), m_records);
}
