// The toolkit-free menu model: positions, command ids found in submenus, and
// who owns a submenu when its item leaves.
#include "platform/ui/menu.h"

#include <gtest/gtest.h>

namespace {

// A submenu that counts its destruction.
struct CountedMenu : CMenu {
    explicit CountedMenu(int& deaths) : m_deaths(deaths) {}
    ~CountedMenu() override { ++m_deaths; }
    int& m_deaths;
};

// "&File" (101), separator, "&View" > { "&Toolbar" (201), "&Preferences" > { "General..." (301) } }, "Placeholder" (102)
std::unique_ptr<CMenu> MakeBar(int* viewDeaths = nullptr) {
    auto preferences = std::make_unique<CMenu>();
    preferences->AppendMenu(MF_STRING, 301, "General...");
    std::unique_ptr<CMenu> view;
    if (viewDeaths)
        view = std::make_unique<CountedMenu>(*viewDeaths);
    else
        view = std::make_unique<CMenu>();
    view->AppendMenu(MF_STRING, 201, "&Toolbar");
    view->AppendMenu(MF_POPUP, std::move(preferences), "&Preferences");
    auto bar = std::make_unique<CMenu>();
    bar->AppendMenu(MF_STRING, 101, "&File");
    bar->AppendMenu(MF_SEPARATOR, 999, "ignored");
    bar->AppendMenu(MF_POPUP, std::move(view), "&View");
    bar->AppendMenu(MF_STRING | MF_GRAYED, 102, "Placeholder");
    return bar;
}

}  // namespace

TEST(Menu, ItemsReportTextIdAndKindByPosition) {
    auto bar = MakeBar();
    ASSERT_EQ(bar->GetMenuItemCount(), 4);
    const struct { int position; const char* text; UINT id; bool submenu; } cases[] = {
        {0, "&File", 101, false},
        {1, "", 0, false},                  // a separator keeps neither id nor text
        {2, "&View", CMenu::NO_ITEM, true}, // a submenu item has no command id
        {3, "Placeholder", 102, false},
        {4, "", CMenu::NO_ITEM, false},     // past the end
        {-1, "", CMenu::NO_ITEM, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(bar->GetMenuString(c.position), c.text) << c.position;
        EXPECT_EQ(bar->GetMenuItemID(c.position), c.id) << c.position;
        EXPECT_EQ(bar->GetSubMenu(c.position) != nullptr, c.submenu) << c.position;
    }
    EXPECT_EQ(bar->GetMenuState(1, MF_BYPOSITION), UINT(MF_SEPARATOR));
    EXPECT_EQ(bar->GetMenuState(2, MF_BYPOSITION), UINT(MF_POPUP));
    EXPECT_EQ(bar->GetMenuState(102, MF_BYCOMMAND), UINT(MF_GRAYED));
    EXPECT_EQ(bar->GetMenuState(7, MF_BYPOSITION), CMenu::NO_ITEM);
    EXPECT_FALSE(bar->AppendMenu(MF_POPUP, 5, "needs a submenu"));
    EXPECT_FALSE(bar->AppendMenu(MF_POPUP, std::unique_ptr<CMenu>(), "null"));
    EXPECT_EQ(bar->GetMenuItemCount(), 4);
}

TEST(Menu, CommandsAreFoundInSubmenusAndActOnTheMenuHoldingThem) {
    auto bar = MakeBar();
    CMenu* view = bar->GetSubMenu(2);
    CMenu* preferences = view->GetSubMenu(1);

    std::string text;
    EXPECT_EQ(bar->GetMenuString(301, text, MF_BYCOMMAND), 10);
    EXPECT_EQ(text, "General...");
    EXPECT_EQ(bar->GetMenuString(0, text, MF_BYCOMMAND), 0);   // the separator's 0 is no command
    EXPECT_EQ(text, "");

    // Inserting by command goes into the submenu, before the item.
    ASSERT_TRUE(bar->InsertMenu(301, MF_BYCOMMAND | MF_STRING, 300, "Devices..."));
    EXPECT_EQ(preferences->GetMenuString(0), "Devices...");
    EXPECT_EQ(preferences->GetMenuItemID(1), 301u);
    EXPECT_EQ(bar->GetMenuItemCount(), 4);

    ASSERT_TRUE(bar->DeleteMenu(300, MF_BYCOMMAND));
    EXPECT_EQ(preferences->GetMenuItemCount(), 1);
    EXPECT_FALSE(bar->DeleteMenu(300, MF_BYCOMMAND));
    EXPECT_FALSE(bar->InsertMenu(555, MF_BYCOMMAND, 1, "nowhere"));
}

TEST(Menu, InsertingByPositionPastTheEndAppends) {
    CMenu menu;
    ASSERT_TRUE(menu.InsertMenu(0, MF_BYPOSITION, 2, "b"));
    ASSERT_TRUE(menu.InsertMenu(0, MF_BYPOSITION, 1, "a"));
    ASSERT_TRUE(menu.InsertMenu(CMenu::NO_ITEM, MF_BYPOSITION, 4, "d"));
    ASSERT_TRUE(menu.InsertMenu(2, MF_BYPOSITION, 3, "c"));
    ASSERT_TRUE(menu.InsertMenu(40, MF_BYPOSITION, 5, "e"));
    std::string order;
    for (int i = 0; i < menu.GetMenuItemCount(); ++i)
        order += menu.GetMenuString(i);
    EXPECT_EQ(order, "abcde");
    EXPECT_EQ(menu.GetMenuState(0, MF_BYPOSITION), UINT(MF_STRING));   // addressing is not kept
}

TEST(Menu, DeleteDestroysASubmenuRemoveCanHandItOver) {
    int deaths = 0;
    auto bar = MakeBar(&deaths);
    std::unique_ptr<CMenu> taken;
    ASSERT_TRUE(bar->RemoveMenu(2, MF_BYPOSITION, &taken));
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(taken->GetMenuString(0), "&Toolbar");
    EXPECT_EQ(bar->GetMenuString(2), "Placeholder");

    ASSERT_TRUE(bar->InsertMenu(2, MF_BYPOSITION, std::move(taken), "&View"));
    ASSERT_TRUE(bar->DeleteMenu(2, MF_BYPOSITION));
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(bar->GetMenuItemCount(), 3);
    EXPECT_FALSE(bar->DeleteMenu(3, MF_BYPOSITION));
}

TEST(Menu, StatesChangeInTheMenuHoldingTheItemAndAnswerWhatTheyWere) {
    auto bar = MakeBar();
    // By command, found in a submenu of a submenu.
    EXPECT_EQ(bar->EnableMenuItem(301, MF_GRAYED), static_cast<UINT>(MF_ENABLED));
    EXPECT_EQ(bar->EnableMenuItem(301, MF_ENABLED), static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(bar->CheckMenuItem(201, MF_CHECKED), static_cast<UINT>(MF_UNCHECKED));
    EXPECT_EQ(bar->CheckMenuItem(201, MF_CHECKED), static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(bar->GetSubMenu(2)->GetMenuState(0, MF_BYPOSITION), static_cast<UINT>(MF_CHECKED));
    // The placeholder's grey goes, its text changes; the kind stays a text item.
    EXPECT_TRUE(bar->ModifyMenu(3, MF_BYPOSITION | MF_STRING, 103, "Other"));
    EXPECT_EQ(bar->GetMenuItemID(3), 103u);
    EXPECT_EQ(bar->GetMenuString(3), "Other");
    EXPECT_EQ(bar->GetMenuState(3, MF_BYPOSITION), static_cast<UINT>(MF_STRING));
    // Nothing to change.
    EXPECT_EQ(bar->EnableMenuItem(999, MF_GRAYED), CMenu::NO_ITEM);
    EXPECT_EQ(bar->CheckMenuItem(9, MF_BYPOSITION | MF_CHECKED), CMenu::NO_ITEM);
    EXPECT_FALSE(bar->ModifyMenu(999, MF_STRING, 1, "x"));
    EXPECT_FALSE(bar->ModifyMenu(0, MF_BYPOSITION | MF_POPUP, 1, "x"));
}

TEST(Menu, ModifyingASubmenuItemIntoATextItemDestroysTheSubmenu) {
    int deaths = 0;
    auto bar = MakeBar(&deaths);
    EXPECT_TRUE(bar->ModifyMenu(2, MF_BYPOSITION | MF_STRING, 202, "&Plain"));
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(bar->GetSubMenu(2), nullptr);
    EXPECT_EQ(bar->GetMenuItemID(2), 202u);
}
