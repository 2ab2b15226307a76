// Test support for event classes: an event saved by reference and read back
// under a chosen file version, every shortened copy of a record refused, and
// a holder that releases test events after cutting their links.
#pragma once

#include "model/event.h"
#include "model/performance.h"
#include "platform/core/archive.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace eventio {

// Sets a time and a voice/track word in one go.
inline void Place(ECBase* event, float time, int voice, int track) {
    const MCTime t(time);
    event->SetTime(&t);
    event->SetVoiceTrack(voice, track);
}

// What every event class answers, checked on one made event: its runtime
// class and that class's base, versionable at schema 2, its type number and
// its one list of parent types. `name` labels the failures.
inline void ExpectEventClass(ECBase* event, const CRuntimeClass* cls, const CRuntimeClass* base, int type,
                             const std::vector<int>& parents, const std::string& name) {
    EXPECT_EQ(event->GetRuntimeClass(), cls) << name;
    EXPECT_EQ(cls->m_pBaseClass, base) << name;
    EXPECT_TRUE(cls->IsVersionable()) << name;
    EXPECT_EQ(cls->GetSchema(), 2u) << name;
    EXPECT_EQ(event->GetClassType(), type) << name;
    std::vector<int> answered;
    EXPECT_EQ(event->GetParentTypes(answered), 1) << name;
    EXPECT_EQ(answered, parents) << name;
}

// Any event class, counted in `count` while it lives (copies too); `Marks`
// are empty bases that tell its objects apart from the plain class. It
// archives as T.
template <class T, int& count, class... Marks>
class Counting : public T, public Marks... {
public:
    template <class... Args>
    explicit Counting(Args&&... args) : T(std::forward<Args>(args)...) {
        ++count;
    }
    Counting(const Counting& other) : T(other) { ++count; }
    ~Counting() override { --count; }
};

// Events the test holds a reference on (hold the root of every tree built),
// released at the end after their children are detached.
class Held {
public:
    Held() = default;
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() {
        // Detaching the children of every held event frees each tree whose
        // root is held: an event that loses its last parent lets go of its own.
        for (ECBase* event : m_events)
            event->RemoveChildren(0);
        for (ECBase* event : m_events)
            event->Unref(1);
    }
    template <class T>
    T* operator()(T* event) {
        if (event) {
            event->Ref();
            m_events.push_back(event);
        }
        return event;
    }

private:
    std::vector<ECBase*> m_events;
};

// The event written by reference: its class tag, then its own bytes.
inline std::vector<uint8_t> Save(const ECBase* event) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar.WriteObject(event);
    ar.Close();
    return file.Detach();
}

// A performance of the given file version, active while the scope lives, as
// while a document loads (timed events read their times with its version).
class ActiveVersion {
public:
    explicit ActiveVersion(int version) : m_performance(new ECPerformance) {
        m_performance->Ref();
        m_performance->SetVersion(version);
        m_previous = ECPerformance::SetActivePerformance(m_performance);
    }
    ~ActiveVersion() {
        ECPerformance::SetActivePerformance(m_previous);
        m_performance->Unref(1);
    }
    ActiveVersion(const ActiveVersion&) = delete;
    ActiveVersion& operator=(const ActiveVersion&) = delete;

private:
    ECPerformance* m_performance;
    ECPerformance* m_previous = nullptr;
};

// Reads one event by reference, as a document does: a performance of the
// given file version is active meanwhile, and a load guard frees what a
// failed read made. Throws what the archive throws; the caller holds the
// event (count 0) on success.
inline ECBase* Load(const std::vector<uint8_t>& bytes, int version = ECPerformance::CURRENT_VERSION) {
    ActiveVersion active(version);

    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load);
    ECLoadGuard guard;
    ECBase* event = ECBase::ReadEvent(ar, 0);
    guard.Commit();
    return event;
}

// Every record shorter than the whole throws CArchiveException.
inline void ExpectEveryCutThrows(const std::vector<uint8_t>& bytes, const std::string& what) {
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(cut));
        EXPECT_THROW(Load(part), CArchiveException) << what << " cut at " << cut;
    }
}

// The class tag of a class written for the first time: WORD 0xFFFF, the
// schema (2), the name's length and the name.
inline std::vector<uint8_t> NewClassTag(const std::string& name) {
    std::vector<uint8_t> tag = {0xFF, 0xFF, 0x02, 0x00, static_cast<uint8_t>(name.size()), 0x00};
    for (char c : name)
        tag.push_back(static_cast<uint8_t>(c));
    return tag;
}

// a followed by b.
inline std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace eventio
