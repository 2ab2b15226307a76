// The plug-in loader over a folder of test libraries, and the view-data and
// filter registries.
//
// The loader's folder (built by tests/CMakeLists.txt) holds, in name order:
// a_counting.so and c_counting.so, whose "InitPlugins" counts its calls (and
// answers 0, which the loader must ignore); b_plain.so without the entry;
// d_broken.so, which is no library; e_counting.so, which the scan never reaches.
#include "model/plugin.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/filterbase.h"
#include "model/stringmap.h"
#include "model/viewdata.h"
#include "platform/core/filesys.h"
#include "platform/core/library.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

// ---- test classes (registered by name, so their names are unique in this program) ----

class DCPluginTestData : public DCBase {
    DECLARE_DYNCREATE(DCPluginTestData)
};
IMPLEMENT_DYNCREATE(DCPluginTestData, DCBase)

class DCPluginTestOther : public DCBase {
    DECLARE_DYNCREATE(DCPluginTestOther)
};
IMPLEMENT_DYNCREATE(DCPluginTestOther, DCBase)

class LCPluginTestFilter : public LCBase {
    DECLARE_DYNCREATE(LCPluginTestFilter)
};
IMPLEMENT_DYNCREATE(LCPluginTestFilter, LCBase)

class LCPluginTestOther : public LCBase {
    DECLARE_DYNCREATE(LCPluginTestOther)
};
IMPLEMENT_DYNCREATE(LCPluginTestOther, LCBase)

namespace {

// ---- the loader ------------------------------------------------------------------

const std::string kHome = STAFFWRIGHT_TEST_PLUGIN_HOME;

std::string PluginPath(const char* file) {
    return kHome + "/PlugIns/" + file;
}

// A reference of the test's own on a test library, for reading its call count.
class CountingLibrary {
public:
    explicit CountingLibrary(const char* file) : m_library(LoadLibrary(PluginPath(file))) {
        EXPECT_NE(m_library, nullptr) << file;
        if (m_library)
            m_count = reinterpret_cast<int (*)()>(GetProcAddress(m_library, "PluginInitCalls"));
    }
    ~CountingLibrary() {
        if (m_library)
            FreeLibrary(m_library);
    }
    CountingLibrary(const CountingLibrary&) = delete;
    CountingLibrary& operator=(const CountingLibrary&) = delete;

    int Calls() const { return m_count ? m_count() : -1; }

private:
    HINSTANCE m_library;
    int (*m_count)() = nullptr;
};

bool IsLoaded(const char* file) {
    return GetModuleHandle(PluginPath(file)) != nullptr;
}

// Each test leaves the libraries as it found them: what a scan loaded is freed again.
class PluginLoaderTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (int i = 0; i < 10 && (IsLoaded("a_counting.so") || IsLoaded("b_plain.so")); ++i)
            CPlugin::UnInitialize(kHome);
    }
};

TEST_F(PluginLoaderTest, EachLibraryStartsOnceAndTheScanStopsAtTheFirstThatFailsToLoad) {
    ASSERT_FALSE(IsLoaded("b_plain.so"));
    ASSERT_FALSE(IsLoaded("e_counting.so"));
    CountingLibrary first("a_counting.so");
    CountingLibrary second("c_counting.so");
    int firstBefore = first.Calls();
    int secondBefore = second.Calls();

    EXPECT_EQ(CPlugin::Initialize(kHome), 1);

    EXPECT_EQ(first.Calls(), firstBefore + 1);
    // Reached although the first entry answered 0, and past a library without one.
    EXPECT_EQ(second.Calls(), secondBefore + 1);
    EXPECT_TRUE(IsLoaded("b_plain.so"));   // kept although it has nothing to call
    EXPECT_FALSE(IsLoaded("e_counting.so"));

    CountingLibrary unreached("e_counting.so");
    EXPECT_EQ(unreached.Calls(), 0);
}

TEST_F(PluginLoaderTest, UnInitializeFreesWhatTheScanLoaded) {
    ASSERT_EQ(CPlugin::Initialize(kHome), 1);
    ASSERT_TRUE(IsLoaded("a_counting.so"));
    ASSERT_TRUE(IsLoaded("b_plain.so"));

    // Every file is visited, the broken one and the unloaded one after it included.
    EXPECT_EQ(CPlugin::UnInitialize(kHome), 1);
    EXPECT_FALSE(IsLoaded("a_counting.so"));
    EXPECT_FALSE(IsLoaded("b_plain.so"));
    EXPECT_FALSE(IsLoaded("c_counting.so"));
}

TEST_F(PluginLoaderTest, WithoutLibrariesTheScanAnswersZero) {
    std::filesystem::path home = std::filesystem::path(GetTempPath()) / "plugin-test-no-plugins";
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    EXPECT_EQ(CPlugin::Initialize(home.string()), 0);     // no "PlugIns" folder
    EXPECT_EQ(CPlugin::UnInitialize(home.string()), 0);

    std::filesystem::create_directories(home / "PlugIns" / "Readme");
    std::ofstream(home / "PlugIns" / "notes.txt") << "not a plug-in\n";
    EXPECT_EQ(CPlugin::Initialize(home.string()), 0);     // a folder without libraries
    std::filesystem::remove_all(home);

    // Without a folder given, the scan looks beside the program.
    EXPECT_EQ(CPlugin::GetPluginFolder(), PathJoin(GetProgramFolder(), "PlugIns"));
}

TEST_F(PluginLoaderTest, SingleLibraries) {
    EXPECT_EQ(CPlugin::InitPlugin(PluginPath("d_broken.so")), 0);
    EXPECT_EQ(CPlugin::InitPlugin(PluginPath("missing.so")), 0);

    CountingLibrary plain("b_plain.so");
    HINSTANCE library = GetModuleHandle(PluginPath("b_plain.so"));
    EXPECT_EQ(CPlugin::InitPlugin(library), 1);   // nothing to call is no failure

    CountingLibrary counting("e_counting.so");
    int before = counting.Calls();
    EXPECT_EQ(CPlugin::InitPlugin(GetModuleHandle(PluginPath("e_counting.so"))), 1);
    EXPECT_EQ(counting.Calls(), before + 1);

    // Freeing a path that is not loaded does nothing and is no failure.
    EXPECT_EQ(CPlugin::FreePlugin(PluginPath("d_broken.so")), 1);
}

// ---- the view-data registry ----------------------------------------------------------

TEST(PluginDataTest, NothingRegisteredCreatesNothing) {
    EXPECT_EQ(CPluginData::GetDataClass(1, ET_NOTE), nullptr);
    EXPECT_EQ(CPluginData::CreateData(1, ET_NOTE), nullptr);
}

TEST(PluginDataTest, ALaterRegistrationOfACellReplacesTheEarlier) {
    CPluginData first(RUNTIME_CLASS(DCPluginTestData), DK_NOTATION, ET_NOTE);
    CPluginData second(RUNTIME_CLASS(DCPluginTestOther), DK_NOTATION, ET_NOTE);
    EXPECT_EQ(second.GetDataClass(), RUNTIME_CLASS(DCPluginTestOther));
    EXPECT_EQ(second.GetViewCode(), DK_NOTATION);
    EXPECT_EQ(second.GetEventType(), ET_NOTE);

    CPluginData::AddPlugin(&first);
    EXPECT_EQ(CPluginData::GetDataClass(DK_NOTATION, ET_NOTE), RUNTIME_CLASS(DCPluginTestData));
    CPluginData::AddPlugin(&second);
    EXPECT_EQ(CPluginData::GetDataClass(DK_NOTATION, ET_NOTE), RUNTIME_CLASS(DCPluginTestOther));
    std::unique_ptr<DCBase> data(CPluginData::CreateData(DK_NOTATION, ET_NOTE));
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->IsKindOf(RUNTIME_CLASS(DCPluginTestOther)));
    EXPECT_EQ(data->GetOwner(), nullptr);
    // Other cells are untouched.
    EXPECT_EQ(CPluginData::CreateData(DK_SEQUENCER, ET_NOTE), nullptr);
    EXPECT_EQ(CPluginData::CreateData(DK_NOTATION, ET_REST), nullptr);

    CPluginData::RemovePlugin(&second);
    EXPECT_EQ(CPluginData::GetDataClass(DK_NOTATION, ET_NOTE), nullptr);
    EXPECT_EQ(CPluginData::CreateData(DK_NOTATION, ET_NOTE), nullptr);
}

TEST(PluginDataTest, CreatedDataIsOwnedByItsEvent) {
    CPluginData record(RUNTIME_CLASS(DCPluginTestData), DK_SEQUENCER, ET_BASE);
    CPluginData::AddPlugin(&record);

    ECBase* event = ECBase::CreateEvent(ET_BASE);
    ASSERT_NE(event, nullptr);
    std::unique_ptr<DCBase> data(CPluginData::CreateData(DK_SEQUENCER, event));
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->IsKindOf(RUNTIME_CLASS(DCPluginTestData)));
    EXPECT_EQ(data->GetOwner(), event);
    EXPECT_EQ(CPluginData::CreateData(DK_NOTATION, event), nullptr);
    EXPECT_EQ(CPluginData::CreateData(DK_SEQUENCER, static_cast<ECBase*>(nullptr)), nullptr);

    // The event asks the registry for its own view data.
    DCBase* held = event->GetData(DK_SEQUENCER, 1);
    ASSERT_NE(held, nullptr);
    EXPECT_TRUE(held->IsKindOf(RUNTIME_CLASS(DCPluginTestData)));
    EXPECT_EQ(held->GetOwner(), event);

    event->Unref(1);
    CPluginData::RemovePlugin(&record);
}

TEST(PluginDataTest, KindsAndTypesOutsideTheTableReachNoCell) {
    const CRuntimeClass* before[DK_COUNT][ET_COUNT];
    for (int kind = 0; kind < DK_COUNT; ++kind)
        for (int type = 0; type < ET_COUNT; ++type)
            before[kind][type] = CPluginData::GetDataClass(kind, type);

    const struct {
        int kind, type;
    } outside[] = {{-1, 0}, {DK_COUNT, 0}, {0, -1}, {0, ET_COUNT}, {1000000, 1000000}};
    for (const auto& c : outside) {
        SCOPED_TRACE(testing::Message() << c.kind << ", " << c.type);
        CPluginData record(RUNTIME_CLASS(DCPluginTestData), c.kind, c.type);
        CPluginData::AddPlugin(&record);
        EXPECT_EQ(CPluginData::CreateData(c.kind, c.type), nullptr);
        // The spare cell may be written; it is null again on the next call.
        CPluginData::GetDataClass(c.kind, c.type) = RUNTIME_CLASS(DCPluginTestData);
        EXPECT_EQ(CPluginData::GetDataClass(c.kind, c.type), nullptr);
        CPluginData::RemovePlugin(&record);
    }
    for (int kind = 0; kind < DK_COUNT; ++kind)
        for (int type = 0; type < ET_COUNT; ++type)
            EXPECT_EQ(CPluginData::GetDataClass(kind, type), before[kind][type]) << kind << ", " << type;
}

TEST(PluginDataTest, AClassThatIsNoViewDataCreatesNothing) {
    CPluginData record(RUNTIME_CLASS(LCPluginTestFilter), DK_SEQUENCER, ET_TEMPO);
    CPluginData::AddPlugin(&record);
    EXPECT_EQ(CPluginData::CreateData(DK_SEQUENCER, ET_TEMPO), nullptr);
    CPluginData::RemovePlugin(&record);
}

// ---- the filter registry ---------------------------------------------------------------
// Filter records stay registered for the life of the process, so every test
// uses names and codes of its own.

TEST(PluginFilterTest, TheFirstRecordOfANameStays) {
    static CPluginFilter first(RUNTIME_CLASS(LCPluginTestFilter), "Test Echo");
    static CPluginFilter second(RUNTIME_CLASS(LCPluginTestOther), "Test Echo");
    CPluginFilter::AddPlugin(&first);
    CPluginFilter::AddPlugin(&second);

    EXPECT_EQ(CPluginFilter::FindPlugin("Test Echo"), &first);
    std::unique_ptr<LCBase> filter(CPluginFilter::CreateFilter("Test Echo"));
    ASSERT_NE(filter, nullptr);
    EXPECT_TRUE(filter->IsKindOf(RUNTIME_CLASS(LCPluginTestFilter)));
    EXPECT_NE(CPluginFilter::FindPlugin(RUNTIME_CLASS(LCPluginTestOther)), &second);   // never entered

    CPluginFilter::RemovePlugin(&first);   // does nothing
    EXPECT_EQ(CPluginFilter::FindPlugin("Test Echo"), &first);
}

TEST(PluginFilterTest, RecordsAreFoundByNameClassAndCode) {
    static CPluginFilter record(RUNTIME_CLASS(LCPluginTestOther), "Test Swing");
    record.SetFilterCode(0x5157);
    EXPECT_EQ(record.GetFilterClassKey(), "Test Swing");
    EXPECT_EQ(record.GetFilterCode(), 0x5157u);
    CPluginFilter::AddPlugin(&record);

    EXPECT_EQ(CPluginFilter::FindPlugin(RUNTIME_CLASS(LCPluginTestOther)), &record);
    EXPECT_EQ(CPluginFilter::FindPlugin(0x5157u), &record);
    std::unique_ptr<LCBase> filter(CPluginFilter::CreateFilter(0x5157u));
    ASSERT_NE(filter, nullptr);
    EXPECT_TRUE(filter->IsKindOf(RUNTIME_CLASS(LCPluginTestOther)));

    EXPECT_EQ(CPluginFilter::FindPlugin("Test Nothing"), nullptr);
    EXPECT_EQ(CPluginFilter::FindPlugin(0x5158u), nullptr);
    EXPECT_EQ(CPluginFilter::CreateFilter("Test Nothing"), nullptr);
    EXPECT_EQ(CPluginFilter::CreateFilter(0x5158u), nullptr);
    // Names compare as exact bytes.
    EXPECT_EQ(CPluginFilter::FindPlugin("test swing"), nullptr);
}

TEST(PluginFilterTest, RecordsWithoutAFilterClassCreateNothing) {
    static CPluginFilter empty;
    empty.SetFilterClassKey("Test Empty");
    EXPECT_EQ(empty.GetFilterCode(), 0u);
    EXPECT_EQ(empty.GetFilterClass(), nullptr);
    static CPluginFilter notAFilter(RUNTIME_CLASS(DCPluginTestData), "Test Not A Filter");
    CPluginFilter::AddPlugin(&empty);
    CPluginFilter::AddPlugin(&notAFilter);

    EXPECT_EQ(CPluginFilter::FindPlugin("Test Empty"), &empty);
    EXPECT_EQ(CPluginFilter::CreateFilter("Test Empty"), nullptr);
    EXPECT_EQ(CPluginFilter::CreateFilter("Test Not A Filter"), nullptr);
}

TEST(PluginFilterTest, NamesLongerThanTheRegistryKeepsAreRefused) {
    std::string longest(CPluginFilter::MAX_NAME, 'n');
    static CPluginFilter fits(RUNTIME_CLASS(LCPluginTestFilter), longest);
    static CPluginFilter tooLong(RUNTIME_CLASS(LCPluginTestFilter), longest + "x");
    CPluginFilter::AddPlugin(&fits);
    CPluginFilter::AddPlugin(&tooLong);

    EXPECT_EQ(CPluginFilter::FindPlugin(longest), &fits);
    EXPECT_EQ(CPluginFilter::FindPlugin(longest + "x"), nullptr);
}

}  // namespace
