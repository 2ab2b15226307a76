// The performance root (active performance, lock, conductor cache, loading)
// and view data (DCBase, and the view-data array of events: creation through
// the registry, the persistent-data flag, the archive form).
#include "model/commandmgr.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/performance.h"
#include "model/plugin.h"
#include "model/states.h"
#include "model/viewdata.h"

#include "platform/core/archive.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>
#include <vector>

// Test classes, outside any namespace: archives find them by name.

// A stand-in conductor that notes whether, while it is archived, another
// thread can take the lock of the performance being archived.
class ECTestConductor : public ECWithTimeChild {
    DECLARE_SERIAL(ECTestConductor)
public:
    static ECPerformance* s_watched;
    static int s_lockedOutside;   // archivings during which another thread found the lock taken

    int GetClassType() const override { return ET_CONDUCTOR; }
    void Serialize(CArchive& ar) override {
        ECWithTimeChild::Serialize(ar);
        if (!s_watched)
            return;
        bool taken = false;
        std::thread other([&taken] {
            taken = !s_watched->GetLock().try_lock();
            if (!taken)
                s_watched->GetLock().unlock();
        });
        other.join();
        s_lockedOutside += taken ? 1 : 0;
    }
};
IMPLEMENT_SERIAL(ECTestConductor, ECWithTimeChild, VERSIONABLE_SCHEMA | 2)
ECPerformance* ECTestConductor::s_watched = nullptr;
int ECTestConductor::s_lockedOutside = 0;

// View data that archives one field of its own, and counts the living.
class DCTestPersistent : public DCBase {
    DECLARE_SERIAL(DCTestPersistent)
public:
    static int s_alive;
    DCTestPersistent() { ++s_alive; }
    ~DCTestPersistent() override { --s_alive; }
    void Serialize(CArchive& ar) override {
        DCBase::Serialize(ar);
        if (ar.IsStoring())
            ar << m_value;
        else
            ar >> m_value;
    }
    LONG m_value = 0;
};
IMPLEMENT_SERIAL(DCTestPersistent, DCBase, VERSIONABLE_SCHEMA | 2)
int DCTestPersistent::s_alive = 0;

// View data that is not archived.
class DCTestTransient : public DCBase {
    DECLARE_DYNCREATE(DCTestTransient)
};
IMPLEMENT_DYNCREATE(DCTestTransient, DCBase)

namespace {

constexpr int KIND_PERSISTENT = 3;   // kinds no library of the system registers
constexpr int KIND_TRANSIENT = 4;

// Registers the two test data classes for timed parents while it lives.
class Registrations {
public:
    Registrations() {
        CPluginData::AddPlugin(&m_persistent);
        CPluginData::AddPlugin(&m_transient);
    }
    ~Registrations() {
        CPluginData::RemovePlugin(&m_persistent);
        CPluginData::RemovePlugin(&m_transient);
    }

private:
    CPluginData m_persistent{RUNTIME_CLASS(DCTestPersistent), KIND_PERSISTENT, ET_WITHTIMECHILD};
    CPluginData m_transient{RUNTIME_CLASS(DCTestTransient), KIND_TRANSIENT, ET_WITHTIMECHILD};
};

std::vector<uint8_t> StoreByReference(CObject* object) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar.WriteObject(object);
    ar.Close();
    return file.Detach();
}

template <class T>
T* LoadByReference(const std::vector<uint8_t>& bytes) {
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load);
    return static_cast<T*>(ar.ReadObject(RUNTIME_CLASS(T)));
}

// ---- ECPerformance ----------------------------------------------------------------

TEST(ECPerformance, TheFirstConstructedIsActiveUntilDestroyed) {
    ASSERT_EQ(ECPerformance::GetActivePerformance(), nullptr);
    auto* first = new ECPerformance;
    auto* second = new ECPerformance;
    EXPECT_EQ(ECPerformance::GetActivePerformance(), first);

    EXPECT_EQ(ECPerformance::SetActivePerformance(second), first);
    second->Unref(1);   // the active one: none is left active
    EXPECT_EQ(ECPerformance::GetActivePerformance(), nullptr);
    ECPerformance::SetActivePerformance(first);
    first->Unref(1);
    EXPECT_EQ(ECPerformance::GetActivePerformance(), nullptr);
}

TEST(ECPerformance, StartsAtTimeZeroWithVersionZero) {
    auto* performance = new ECPerformance;
    EXPECT_EQ(*performance->GetTime(), MCTime::TimeZero());
    EXPECT_EQ(performance->GetTime()->GetMode(), TM_NORMAL);
    EXPECT_EQ(performance->GetClassType(), ET_PERFORMANCE);
    EXPECT_EQ(performance->GetVersion(), 0);
    performance->SetVersion(2);
    EXPECT_EQ(performance->GetVersion(), 2);
    ASSERT_NE(performance->GetCommandMgr(), nullptr);
    EXPECT_EQ(performance->GetCommandMgr()->GetOwner(), performance);
    ASSERT_NE(performance->GetStateMgr(), nullptr);
    EXPECT_EQ(performance->GetStateMgr()->GetOwner(), performance);
    performance->Unref(1);
}

TEST(ECPerformance, LockIsReentrantAndKeepsOtherThreadsOut) {
    auto* performance = new ECPerformance;
    auto otherThreadGetsIn = [performance] {
        std::atomic<bool> got{false};
        std::thread other([&] {
            got = performance->GetLock().try_lock();
            if (got)
                performance->GetLock().unlock();
        });
        other.join();
        return got.load();
    };
    performance->Lock();
    performance->Lock();
    EXPECT_FALSE(otherThreadGetsIn());
    performance->Unlock();
    EXPECT_FALSE(otherThreadGetsIn());
    performance->Unlock();
    EXPECT_TRUE(otherThreadGetsIn());
    performance->Unref(1);
}

TEST(ECPerformance, LooksForTheConductorUntilOneIsFound) {
    auto* performance = new ECPerformance;
    performance->Ref();
    EXPECT_EQ(performance->GetConductorEvent(), nullptr);
    EXPECT_EQ(performance->GetConductorEvent(), nullptr);   // looked up again

    auto* conductor = new ECTestConductor;
    conductor->Ref();
    performance->AddChild(conductor, SORTED);
    EXPECT_EQ(performance->GetConductorEvent(), conductor);
    EXPECT_EQ(performance->GetConductor(), nullptr);   // an event of the type, not the class
    performance->RemoveChild(conductor, 1);
    EXPECT_EQ(performance->GetConductorEvent(), conductor);   // never forgotten
    conductor->Unref(1);
    performance->Unref(1);
}

TEST(ECPerformance, ArchivesUnderItsLockAndFindsTheConductorOnLoading) {
    auto* performance = new ECPerformance;
    performance->Ref();
    performance->AddChild(new ECTestConductor, SORTED);
    ECTestConductor::s_watched = performance;
    ECTestConductor::s_lockedOutside = 0;
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        performance->Serialize(ar);
        ar.Close();
    }
    EXPECT_EQ(ECTestConductor::s_lockedOutside, 1);

    auto* loaded = new ECPerformance;
    loaded->Ref();
    loaded->SetVersion(ECPerformance::CURRENT_VERSION);
    ECPerformance* previous = ECPerformance::SetActivePerformance(loaded);
    ECTestConductor::s_watched = loaded;
    {
        file.Seek(0, CFile::begin);
        CArchive ar(&file, CArchive::load);
        loaded->Serialize(ar);
    }
    ECPerformance::SetActivePerformance(previous);
    EXPECT_EQ(ECTestConductor::s_lockedOutside, 2);
    ECTestConductor::s_watched = nullptr;

    // The cache was filled by the load: the conductor is not looked up again.
    ECBase* conductor = loaded->GetChildren()->GetHead();
    EXPECT_EQ(conductor->GetClassType(), ET_CONDUCTOR);
    conductor->Ref();
    loaded->RemoveChildren(1);
    EXPECT_EQ(loaded->GetConductorEvent(), conductor);
    conductor->Unref(1);
    for (ECPerformance* p : {performance, loaded}) {
        p->RemoveChildren(1);
        p->Unref(1);
    }
}

// ---- DCBase -------------------------------------------------------------------------

TEST(DCBase, DirtyFromTheStartAndByTheLowByte) {
    DCBase data;
    EXPECT_TRUE(data.IsDirty());
    EXPECT_EQ(data.GetOwner(), nullptr);
    const struct { int arg, dirty; } cases[] = {{0, 0}, {1, 1}, {256, 0}, {0x1FF, 1}, {2, 1}};
    for (const auto& c : cases) {
        data.SetDirty(c.arg);
        EXPECT_EQ(data.IsDirty(), c.dirty) << c.arg;
    }
}

TEST(DCBase, CopyHasTheFlagsAndNoOwner) {
    auto* owner = new ECWithTime;
    owner->Ref();
    DCBase data;
    data.SetOwner(owner);
    data.SetDirty(0);
    DCBase copy(data);
    EXPECT_FALSE(copy.IsDirty());
    EXPECT_EQ(copy.GetOwner(), nullptr);
    data.SetDirty(1);
    DCBase dirtyCopy(data);
    EXPECT_TRUE(dirtyCopy.IsDirty());
    owner->Unref(1);
}

// ---- view data of events ------------------------------------------------------------

TEST(ViewData, MadeOnDemandThroughTheRegistry) {
    Registrations registrations;
    const int before = DCTestPersistent::s_alive;
    auto* event = new ECWithTimeChild;
    event->Ref();
    EXPECT_EQ(event->GetData(KIND_PERSISTENT, 0), nullptr);   // no creation asked
    EXPECT_EQ(event->GetData(1, 1), nullptr);                 // nothing registered
    EXPECT_EQ(event->GetData(-1, 1), nullptr);
    EXPECT_EQ(event->GetFlags() & ECBase::EF_PERSISTENT_DATA, 0u);

    DCBase* data = event->GetData(KIND_PERSISTENT, 1);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->GetOwner(), event);
    EXPECT_EQ(event->GetData(KIND_PERSISTENT, 1), data);   // made once
    EXPECT_EQ(event->GetData().size(), static_cast<size_t>(KIND_PERSISTENT + 1));
    EXPECT_EQ(event->GetData()[0], nullptr);
    EXPECT_EQ(event->GetFlags() & ECBase::EF_PERSISTENT_DATA, ECBase::EF_PERSISTENT_DATA);

    event->RemoveData();
    EXPECT_EQ(DCTestPersistent::s_alive, before);
    EXPECT_TRUE(event->GetData().empty());
    EXPECT_EQ(event->GetFlags() & ECBase::EF_PERSISTENT_DATA, 0u);

    event->GetData(KIND_PERSISTENT, 1);
    event->Unref(1);   // the event's end deletes its data
    EXPECT_EQ(DCTestPersistent::s_alive, before);
}

TEST(ViewData, OnlyTransientDataWritesTheFlagByteAlone) {
    Registrations registrations;
    auto* event = new ECWithTimeChild;
    event->Ref();
    event->GetData(KIND_TRANSIENT, 1);
    EXPECT_EQ(event->GetFlags() & ECBase::EF_PERSISTENT_DATA, 0u);
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        event->Serialize(ar);
        ar.Close();
    }
    const std::vector<uint8_t> expected = {
        0x04,                            // has time; no persistent data, so no array
        0x00, 0x00, 0x00, 0x80, 0xBF,    // the null time
        0xFF, 0x7F,
    };
    EXPECT_EQ(file.Detach(), expected);
    event->Unref(1);
}

TEST(ViewData, ArchivedWithTheEventAndReadBackOwned) {
    Registrations registrations;
    const int before = DCTestPersistent::s_alive;
    auto* event = new ECWithTimeChild;
    event->Ref();
    auto* data = static_cast<DCTestPersistent*>(event->GetData(KIND_PERSISTENT, 1));
    data->m_value = 0x01020304;
    data->SetDirty(0);
    event->GetData(KIND_TRANSIENT, 1);   // written as null: it cannot be archived

    const std::vector<uint8_t> bytes = StoreByReference(event);
    const char eventClass[] = "ECWithTimeChild";
    const char dataClass[] = "DCTestPersistent";
    std::vector<uint8_t> expected = {0xFF, 0xFF, 0x02, 0x00, sizeof eventClass - 1, 0x00};
    expected.insert(expected.end(), eventClass, eventClass + sizeof eventClass - 1);
    const std::vector<uint8_t> body = {
        0x05,                                  // persistent data, has time
        0x05, 0x00,                            // five places: kinds 0 to 4
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00,    // kinds 0 to 2: null
        0xFF, 0xFF, 0x02, 0x00, sizeof dataClass - 1, 0x00,
    };
    expected.insert(expected.end(), body.begin(), body.end());
    expected.insert(expected.end(), dataClass, dataClass + sizeof dataClass - 1);
    const std::vector<uint8_t> record = {
        0x00, 0x00, 0x00, 0x00,                // a word that carries nothing
        0x01, 0x00, 0x00, 0x00,                // the field's flags: dirty
        0x00, 0x00, 0x00, 0x00,                // the flag value: bit 0 (dirty) clear
        0x02, 0x00,                            // the owner: the event, index 2
        0x04, 0x03, 0x02, 0x01,                // the class's own field
        0x00, 0x00,                            // kind 4: null
        0x00, 0x00, 0x00, 0x80, 0xBF, 0xFF, 0x7F,   // time and word
    };
    expected.insert(expected.end(), record.begin(), record.end());
    EXPECT_EQ(bytes, expected);

    ECWithTimeChild* loaded = LoadByReference<ECWithTimeChild>(bytes);
    ASSERT_NE(loaded, nullptr);
    loaded->Ref();
    auto* loadedData = dynamic_cast<DCTestPersistent*>(loaded->GetData(KIND_PERSISTENT, 0));
    ASSERT_NE(loadedData, nullptr);
    EXPECT_EQ(loadedData->GetOwner(), loaded);
    EXPECT_EQ(loadedData->m_value, 0x01020304);
    EXPECT_FALSE(loadedData->IsDirty());
    EXPECT_EQ(loaded->GetData(KIND_TRANSIENT, 0), nullptr);
    EXPECT_EQ(loaded->GetFlags(), ECBase::EF_PERSISTENT_DATA | ECBase::EF_TIME);
    EXPECT_EQ(StoreByReference(loaded), bytes);
    loaded->Unref(1);
    event->Unref(1);
    EXPECT_EQ(DCTestPersistent::s_alive, before);
}

// The other owner is read whole before the refusal, with its own data. A
// load guard frees it all with the failed load; with no guard the refusal
// itself frees it (both objects and the other owner were lost).
TEST(ViewData, DataNamingAnotherEventAsItsOwnerIsRefusedAndFreed) {
    Registrations registrations;
    const int before = DCTestPersistent::s_alive;
    auto* event = new ECWithTimeChild;
    event->Ref();
    auto* elsewhere = new ECWithTimeChild;
    elsewhere->Ref();
    ASSERT_NE(elsewhere->GetData(KIND_PERSISTENT, 1), nullptr);
    event->GetData(KIND_PERSISTENT, 1)->SetOwner(elsewhere);
    const std::vector<uint8_t> bytes = StoreByReference(event);
    event->GetData(KIND_PERSISTENT, 0)->SetOwner(event);
    const int stored = DCTestPersistent::s_alive;

    for (const bool guarded : {true, false}) {
        SCOPED_TRACE(guarded ? "under a load guard" : "with no guard");
        auto* performance = new ECPerformance;   // the load's guard
        performance->Ref();
        CMemFile file(bytes);
        CArchive ar(&file, CArchive::load);
        try {
            std::optional<ECLoadGuard> guard;
            if (guarded)
                guard.emplace(performance);
            ECBase::ReadEvent(ar, 0);
            ADD_FAILURE() << "loaded";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::badIndex);
        }
        performance->Unref(1);
        EXPECT_EQ(DCTestPersistent::s_alive, stored) << "data read before the refusal left behind";
    }
    event->Unref(1);
    elsewhere->Unref(1);
    EXPECT_EQ(DCTestPersistent::s_alive, before);
}

}  // namespace
