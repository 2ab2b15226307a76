// What the tests of meters and tempos share: storing and loading an event by
// reference as a document does, the class tag that opens its bytes, and a
// stand-in for the mirror class that records how it was pointed at its event.
#pragma once

#include "model/event.h"
#include "platform/core/archive.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace conductortest {

// Releases an event the test holds (count 0 or its own reference).
struct Unref {
    void operator()(ECBase* event) const { event->Unref(1); }
};
template <class T>
using EventPtr = std::unique_ptr<T, Unref>;

inline std::vector<uint8_t> StoreEvent(const ECBase& event) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar.WriteObject(&event);
    ar.Close();
    return file.Detach();
}

// Loads one event of class T by reference; throws CArchiveException as the
// archive does (nothing read is left behind then). With no performance
// active, the time is read in the current format.
template <class T>
EventPtr<T> LoadEvent(const std::vector<uint8_t>& bytes) {
    ECLoadGuard guard;
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load);
    ECBase* event = ECBase::ReadEvent(ar, 0);
    guard.Commit();
    T* typed = DYNAMIC_DOWNCAST(T, event);
    if (!typed && event)
        event->Unref(1);
    return EventPtr<T>(typed);
}

// The bytes of a class met for the first time: WORD 0xFFFF, the schema, the
// name's length, the name.
inline std::vector<uint8_t> NewClassTag(const std::string& name, uint16_t schema) {
    std::vector<uint8_t> tag = {0xFF, 0xFF, static_cast<uint8_t>(schema), static_cast<uint8_t>(schema >> 8),
                                static_cast<uint8_t>(name.size()), 0};
    tag.insert(tag.end(), name.begin(), name.end());
    return tag;
}

inline std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Stands in for the mirror class: a timed event that notes what it was
// pointed at and whether it was asked to register.
class TestMirror : public ECWithTime {
public:
    explicit TestMirror(float time) {
        const MCTime t(time);
        SetTime(&t);
    }
    void SetMirrorEvent(ECBase* event, int registerWithEvent) {
        m_event = event;
        m_registered = registerWithEvent;
    }
    ECBase* m_event = nullptr;
    int m_registered = -1;
};

// The times of the events of a list, in order.
inline std::vector<float> TimesOf(MCEventList& list) {
    std::vector<float> times;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        times.push_back(list.GetNext(pos)->GetTime()->GetSeconds());
    return times;
}

}  // namespace conductortest
