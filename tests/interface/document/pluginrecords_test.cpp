// The registries of views, inspector, preference, music and effect pages:
// their orders, the inspector map's lists, the pages records make and own,
// and titles without their access-key "&".
#include "interface/document/pluginrecords.h"

#include "platform/core/resources.h"

#include <gtest/gtest.h>

#include <vector>

// Page classes, outside the unnamed namespace: the class registry knows them by name.
// A page that counts how many of its kind are alive.
class RecordsTestPage : public CPropertyPage {
    DECLARE_DYNCREATE(RecordsTestPage)
public:
    RecordsTestPage() : CPropertyPage(0) { ++s_alive; }
    ~RecordsTestPage() override { --s_alive; }
    static inline int s_alive = 0;
};
IMPLEMENT_DYNCREATE(RecordsTestPage, CPropertyPage)

// A class that can be created but is no property page.
class RecordsNotAPage : public CObject {
    DECLARE_DYNCREATE(RecordsNotAPage)
public:
    RecordsNotAPage() { ++s_alive; }
    ~RecordsNotAPage() override { --s_alive; }
    static inline int s_alive = 0;
};
IMPLEMENT_DYNCREATE(RecordsNotAPage, CObject)

// A class without dynamic creation.
class RecordsPlainPage : public CObject {
    DECLARE_DYNAMIC(RecordsPlainPage)
};
IMPLEMENT_DYNAMIC(RecordsPlainPage, CObject)

namespace {

STRING_TABLE({21601, "&View"}, {21602, "Save && Quit"}, {21603, "Music Score"},
             {21604, "Fo&rm &Two"}, {21605, "Trailing&"});

// An event type no other test uses.
constexpr uint16_t kType = 4711;

// Empties the four static lists for a test and puts back what they held:
// records are never removed by RemovePlugin, and the test's records die with it.
class PluginRecords : public ::testing::Test {
protected:
    void SetUp() override {
        for (size_t i = 0; i < std::size(m_lists); ++i) {
            m_saved[i].AddTail(m_lists[i]);
            m_lists[i]->RemoveAll();
        }
    }
    void TearDown() override {
        for (size_t i = 0; i < std::size(m_lists); ++i) {
            m_lists[i]->RemoveAll();
            m_lists[i]->AddTail(&m_saved[i]);
        }
    }

    // The order keys of a list's records, in list order.
    template <class Record>
    static std::vector<int> Orders(const MCPtrList& list) {
        std::vector<int> orders;
        for (POSITION pos = list.GetHeadPosition(); pos;)
            orders.push_back(static_cast<Record*>(static_cast<CPlugin*>(list.GetNext(pos)))->GetOrder());
        return orders;
    }
    // The records of a list, in list order.
    static std::vector<void*> Records(const MCPtrList& list) {
        std::vector<void*> records;
        for (POSITION pos = list.GetHeadPosition(); pos;)
            records.push_back(list.GetNext(pos));
        return records;
    }
    static void* AsListed(CPlugin* record) { return record; }

private:
    MCPtrList* m_lists[4] = {&CPluginView::GetPlugins(), &CPluginPrefs::GetPlugins(),
                             &CPluginMusic::GetPlugins(), &CPluginEffects::GetPlugins()};
    MCPtrList m_saved[4];
};

}  // namespace

TEST_F(PluginRecords, EqualOrdersKeepTheirRegistrationOrder) {
    CPluginView a(nullptr, nullptr, nullptr, 1, 0, 10);
    CPluginView b(nullptr, nullptr, nullptr, 2, 0, 0);
    CPluginView c(nullptr, nullptr, nullptr, 3, 0, 10);
    CPluginView d(nullptr, nullptr, nullptr, 4, 0, 5);
    CPluginView e(nullptr, nullptr, nullptr, 5, 0, -1);   // smaller than all: the head
    for (CPluginView* record : {&a, &b, &c, &d, &e})
        CPluginView::AddPlugin(record);
    EXPECT_EQ(Records(CPluginView::GetPlugins()),
              (std::vector<void*>{AsListed(&e), AsListed(&b), AsListed(&d), AsListed(&a), AsListed(&c)}));

    // The other ordered registries sort the same way; effects list as they came.
    CPluginPrefs p1(nullptr, PREFS_DEVICES, 30), p2(nullptr, PREFS_GENERAL, 0), p3(nullptr, PREFS_DEVICES, 20);
    for (CPluginPrefs* record : {&p1, &p2, &p3})
        CPluginPrefs::AddPlugin(record);
    EXPECT_EQ(Orders<CPluginPrefs>(CPluginPrefs::GetPlugins()), (std::vector<int>{0, 20, 30}));

    CPluginMusic m1(nullptr, 7), m2(nullptr, 3), m3(nullptr, 7);
    for (CPluginMusic* record : {&m1, &m2, &m3})
        CPluginMusic::AddPlugin(record);
    EXPECT_EQ(Records(CPluginMusic::GetPlugins()),
              (std::vector<void*>{AsListed(&m2), AsListed(&m1), AsListed(&m3)}));

    CPluginEffects f1(nullptr), f2(nullptr);
    CPluginEffects::AddPlugin(&f1);
    CPluginEffects::AddPlugin(&f2);
    EXPECT_EQ(Records(CPluginEffects::GetPlugins()), (std::vector<void*>{AsListed(&f1), AsListed(&f2)}));

    // RemovePlugin leaves every list as it is.
    CPluginView::RemovePlugin(&a);
    CPluginPrefs::RemovePlugin(&p1);
    CPluginMusic::RemovePlugin(&m1);
    CPluginEffects::RemovePlugin(&f1);
    EXPECT_EQ(CPluginView::GetPlugins().GetCount(), 5);
    EXPECT_EQ(CPluginPrefs::GetPlugins().GetCount(), 3);
    EXPECT_EQ(CPluginMusic::GetPlugins().GetCount(), 3);
    EXPECT_EQ(CPluginEffects::GetPlugins().GetCount(), 2);
}

TEST_F(PluginRecords, ViewsAreFoundByCommandIdOrClassFirstInListOrder) {
    CPluginView info(RUNTIME_CLASS(RecordsPlainPage), nullptr, nullptr, 1, 0, 0);
    CPluginView score(RUNTIME_CLASS(RecordsTestPage), RUNTIME_CLASS(RecordsPlainPage), nullptr, 2, 0, 10);
    CPluginView sameClass(RUNTIME_CLASS(RecordsTestPage), nullptr, nullptr, 3, 0, 20);
    EXPECT_EQ(info.GetViewID(), 0x2FF1u);
    EXPECT_EQ(score.GetViewID(), 0x2FF2u);
    sameClass.SetViewID(0x2FF2);   // the index stays
    EXPECT_EQ(sameClass.GetViewIndex(), 3u);
    for (CPluginView* record : {&sameClass, &score, &info})
        CPluginView::AddPlugin(record);

    EXPECT_EQ(CPluginView::FindPlugin(0x2FF1u), &info);
    EXPECT_EQ(CPluginView::FindPlugin(0x2FF2u), &score);    // before sameClass by order
    EXPECT_EQ(CPluginView::FindPlugin(0x2FF3u), nullptr);
    EXPECT_EQ(CPluginView::FindPlugin(RUNTIME_CLASS(RecordsTestPage)), &score);
    EXPECT_EQ(CPluginView::FindPlugin(RUNTIME_CLASS(RecordsPlainPage)), &info);   // the view class, not the frame's
    EXPECT_EQ(CPluginView::FindPlugin(RUNTIME_CLASS(CObject)), nullptr);  // exact class, no base match
}

TEST_F(PluginRecords, InspectorListsComeOnRequestAndLeaveWithTheLastRecord) {
    ASSERT_EQ(CPluginInspector::GetPlugins(kType, 0), nullptr);
    MCPtrList* made = CPluginInspector::GetPlugins(kType, 1);
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->IsEmpty());
    EXPECT_EQ(CPluginInspector::GetPlugins(kType, 0), made);   // kept

    {
        CPluginInspector general(kType, RUNTIME_CLASS(RecordsTestPage), nullptr, 0, 100);
        CPluginInspector own(kType, RUNTIME_CLASS(RecordsTestPage), nullptr, 0, 5);
        {
            CPluginInspector other(kType + 1, RUNTIME_CLASS(RecordsTestPage), nullptr, 0, 5);
            CPluginInspector::AddPlugin(&general);
            CPluginInspector::AddPlugin(&own);
            CPluginInspector::AddPlugin(&other);
            EXPECT_EQ(Orders<CPluginInspector>(*CPluginInspector::GetPlugins(kType, 0)),
                      (std::vector<int>{5, 100}));
            ASSERT_NE(CPluginInspector::GetPlugins(kType + 1, 0), nullptr);
            CPluginInspector::RemovePlugin(&own);   // does nothing
            EXPECT_EQ(CPluginInspector::GetPlugins(kType, 0)->GetCount(), 2);
            EXPECT_NE(own.GetInspectorPage(), nullptr);
            EXPECT_EQ(RecordsTestPage::s_alive, 1);
        }
        // The last record of its type took the type with it.
        EXPECT_EQ(CPluginInspector::GetPlugins(kType + 1, 0), nullptr);
    }
    EXPECT_EQ(CPluginInspector::GetPlugins(kType, 0), nullptr);
    EXPECT_EQ(RecordsTestPage::s_alive, 0);   // a record deletes its page
}

TEST_F(PluginRecords, PagesAreMadeOnceOrPerRequest) {
    {
        CPluginInspector inspector(kType, RUNTIME_CLASS(RecordsTestPage), nullptr, 0, 5);
        CPluginMusic music(RUNTIME_CLASS(RecordsTestPage), 0);
        CPluginEffects effects(RUNTIME_CLASS(RecordsTestPage));
        CPluginPrefs prefs(RUNTIME_CLASS(RecordsTestPage), PREFS_GENERAL, 0);

        CPropertyPage* page = inspector.GetInspectorPage();
        ASSERT_NE(page, nullptr);
        EXPECT_TRUE(page->IsKindOf(RUNTIME_CLASS(RecordsTestPage)));
        EXPECT_EQ(inspector.GetInspectorPage(), page);
        EXPECT_EQ(music.GetMusicPage(), music.GetMusicPage());
        EXPECT_EQ(effects.GetEffectsPage(), effects.GetEffectsPage());
        EXPECT_EQ(RecordsTestPage::s_alive, 3);

        std::unique_ptr<CPropertyPage> first = prefs.GetPrefsPage();
        std::unique_ptr<CPropertyPage> second = prefs.GetPrefsPage();
        ASSERT_NE(first, nullptr);
        EXPECT_NE(first, second);   // the sheet owns each page it asked for
        EXPECT_EQ(RecordsTestPage::s_alive, 5);
    }
    EXPECT_EQ(RecordsTestPage::s_alive, 0);

    // A class that cannot be created, or none, makes no page; nor does one
    // whose objects are no property pages (the object made goes at once).
    CPluginInspector plain(kType, RUNTIME_CLASS(RecordsPlainPage), nullptr, 0, 5);
    CPluginMusic none(nullptr, 0);
    CPluginEffects notAPage(RUNTIME_CLASS(RecordsNotAPage));
    EXPECT_EQ(plain.GetInspectorPage(), nullptr);
    EXPECT_EQ(none.GetMusicPage(), nullptr);
    EXPECT_EQ(notAPage.GetEffectsPage(), nullptr);
    EXPECT_EQ(CPluginPrefs(RUNTIME_CLASS(RecordsPlainPage), 0, 0).GetPrefsPage(), nullptr);
    EXPECT_EQ(CPluginPrefs(RUNTIME_CLASS(RecordsNotAPage), 0, 0).GetPrefsPage(), nullptr);
    EXPECT_EQ(RecordsNotAPage::s_alive, 0);
}

TEST_F(PluginRecords, ACopyMakesItsOwnPage) {
    {
        CPluginInspector original(kType, RUNTIME_CLASS(RecordsTestPage), nullptr, 21601, 5);
        CPropertyPage* page = original.GetInspectorPage();
        CPluginInspector copy(original);
        EXPECT_EQ(copy.GetEventType(), kType);
        EXPECT_EQ(copy.GetTitleStringID(), 21601u);
        EXPECT_EQ(copy.GetOrder(), 5);
        EXPECT_NE(copy.GetInspectorPage(), page);

        CPluginMusic music(RUNTIME_CLASS(RecordsTestPage), 3);
        CPropertyPage* musicPage = music.GetMusicPage();
        CPluginMusic assigned(RUNTIME_CLASS(RecordsPlainPage), 9);
        assigned = music;
        EXPECT_EQ(assigned.GetOrder(), 3);
        EXPECT_NE(assigned.GetMusicPage(), musicPage);
        EXPECT_EQ(RecordsTestPage::s_alive, 4);
    }
    EXPECT_EQ(RecordsTestPage::s_alive, 0);   // each page deleted once
}

TEST_F(PluginRecords, TitlesLoseTheirFirstAmpersand) {
    const struct { unsigned id; const char* title; const char* menu; } cases[] = {
        {21601, "View", "&View"},
        {21602, "Save & Quit", "Save && Quit"},   // a doubled "&" keeps one
        {21603, "Music Score", "Music Score"},
        {21604, "Form &Two", "Fo&rm &Two"},       // only the first goes
        {21605, "Trailing", "Trailing&"},
    };
    for (const auto& c : cases) {
        CPluginView view(nullptr, nullptr, nullptr, 1, c.id, 0);
        CPluginInspector inspector(kType, nullptr, nullptr, c.id, 0);
        std::string title, menu, inspectorTitle;
        EXPECT_EQ(view.LoadTitleString(title), 1);
        EXPECT_EQ(title, c.title);
        EXPECT_EQ(inspector.LoadTitleString(inspectorTitle), 1);
        EXPECT_EQ(inspectorTitle, c.title);
        view.LoadMenuString(menu);
        EXPECT_EQ(menu, c.menu);
    }

    // A missing title: 0 and the text untouched; the menu text empty.
    CPluginView missing(nullptr, nullptr, nullptr, 1, 21699, 0);
    std::string title = "kept", menu = "stale";
    EXPECT_EQ(missing.LoadTitleString(title), 0);
    EXPECT_EQ(title, "kept");
    EXPECT_EQ(missing.LoadMenuString(menu), 0);
    EXPECT_EQ(menu, "");
    std::string any;
    EXPECT_EQ(missing.LoadString(any, 21603), 1);
    EXPECT_EQ(any, "Music Score");
}
