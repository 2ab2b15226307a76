// The player's queue: device events waiting for their time.
//
// CSeqEvent is one queued record: the time it falls due (musical time, the
// queue's sort key; the play clock for records that must leave at a given
// device time, such as the stop drain and the chase), the event that produced
// it, the device event to hand over (owned until the device library takes it;
// null for a record that only reports a level and a highlight), and the flag
// bits that say what to report when it leaves.
//
// CSeqEventQueue holds records in time order and owns them. Merging searches
// from the tail, where new records mostly belong, and puts a record after
// every record of the same time, so records of equal time leave in the order
// they were queued.
//
// Threads: a queue belongs to its player (or to the controller tracker that
// builds one) and is guarded by that owner's lock.
#pragma once

#include "model/time.h"
#include "platform/devices/records.h"

#include <cstdint>
#include <list>
#include <memory>

class ECBase;

// What the producer of a record asks for, as the one byte it passes: the
// record reports the velocity of its note-on, the start of its element's
// sound, or the end of it.
enum : unsigned {
    SEQ_REPORT_LEVEL = 0x01,
    SEQ_REPORT_HIGHLIGHT_ON = 0x02,
    SEQ_REPORT_HIGHLIGHT_OFF = 0x04,
};

class CSeqEvent {
public:
    // The record's flag bits: bit 0 says the record carries reports at all.
    enum : uint16_t {
        SE_STAMP = 0x01,
        SE_LEVEL = 0x02,
        SE_HIGHLIGHT_ON = 0x04,
        SE_HIGHLIGHT_OFF = 0x08,
    };

    // Time 0, no element, no device event, no flags.
    CSeqEvent() = default;
    // The report byte (SEQ_REPORT_*) becomes the flag bits: SE_STAMP when it
    // is not 0, then one bit for each report asked for.
    CSeqEvent(const MCTime& time, ECBase* element, std::unique_ptr<CPVEventData> data, unsigned reports);
    CSeqEvent(const CSeqEvent&) = delete;
    CSeqEvent& operator=(const CSeqEvent&) = delete;
    ~CSeqEvent();

    const MCTime& GetTime() const { return m_time; }
    void SetTime(const MCTime& time) { m_time = time; }
    ECBase* GetElement() const { return m_pElement; }
    void SetElement(ECBase* element) { m_pElement = element; }
    CPVEventData* GetData() const { return m_pData.get(); }
    // Hands the device event over (the record keeps none).
    std::unique_ptr<CPVEventData> TakeData() { return std::move(m_pData); }
    unsigned GetFlags() const { return m_flags; }
    bool HasFlag(unsigned flag) const { return (m_flags & flag) != 0; }

private:
    MCTime m_time;
    ECBase* m_pElement = nullptr;             // borrowed, not referenced: see CSeqPlay::ForgetElements
    std::unique_ptr<CPVEventData> m_pData;    // owned until handed over
    uint16_t m_flags = 0;
};

class CSeqEventQueue {
public:
    using Records = std::list<std::unique_ptr<CSeqEvent>>;

    CSeqEventQueue() = default;
    CSeqEventQueue(const CSeqEventQueue&) = delete;
    CSeqEventQueue& operator=(const CSeqEventQueue&) = delete;
    ~CSeqEventQueue() = default;   // deletes every record and its device event

    bool IsEmpty() const { return m_records.empty(); }
    std::size_t GetCount() const { return m_records.size(); }
    CSeqEvent* GetHead() const { return m_records.empty() ? nullptr : m_records.front().get(); }

    // After the last record whose time is not after the new one's, searching
    // from the tail; at the head when there is none. Null is ignored.
    void Merge(std::unique_ptr<CSeqEvent> record);
    // The same for a record made here from the four values.
    void Merge(const MCTime& time, ECBase* element, std::unique_ptr<CPVEventData> data, unsigned reports);
    // At the tail, whatever its time. Null is ignored.
    void AddTail(std::unique_ptr<CSeqEvent> record);
    // Null when empty.
    std::unique_ptr<CSeqEvent> RemoveHead();

    // Moves every record of `other`, in order, in front of this queue's.
    void PrependAll(CSeqEventQueue& other);
    // Moves every record of this queue, in order, to the tail of `other`.
    void MoveAllTo(CSeqEventQueue& other);
    // Deletes every record with its device event.
    void RemoveAll() { m_records.clear(); }

    // In order, for walks that keep, move or drop records.
    Records& GetRecords() { return m_records; }
    const Records& GetRecords() const { return m_records; }

private:
    Records m_records;   // owned, in time order
};
