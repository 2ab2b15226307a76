// The menus the registration records build: the views at the end of the
// View menu and the preference categories in its Preferences submenu.
#include "interface/document/pathhelpers.h"
#include "interface/document/pluginrecords.h"
#include "platform/core/format.h"
#include "platform/core/resources.h"
#include "platform/ui/frame.h"
#include "platform/ui/menu.h"
#include "platform/ui/winthread.h"

namespace {

constexpr unsigned IDS_VIEW_MENU = 11525;          // "&View"
constexpr unsigned IDS_PREFERENCES_MENU = 11526;   // "&Preferences"
constexpr unsigned IDS_PREFS_CATEGORY = 11744;     // + category: "General..." ...

// The submenu of the item named by string `stringId`; null when none.
CMenu* SubMenuNamed(const CMenu* menu, unsigned stringId) {
    const int index = MCGetMenuIndex(menu, stringId);
    return index < 0 ? nullptr : menu->GetSubMenu(index);
}

// The View menu of the main window's menu; null when there is none.
CMenu* MainViewMenu() {
    auto* main = DYNAMIC_DOWNCAST(CFrameWnd, AfxGetMainWnd());
    return main ? SubMenuNamed(main->GetMenu(), IDS_VIEW_MENU) : nullptr;
}

// The menu's last item goes: the placeholder the menu resource ends with.
void DeletePlaceholder(CMenu* menu) {
    if (const int count = menu->GetMenuItemCount(); count > 0)
        menu->DeleteMenu(static_cast<UINT>(count - 1), MF_BYPOSITION);
}

}  // namespace

CMenu* CPluginView::UpdateMenu() {
    CMenu* viewMenu = MainViewMenu();
    if (!viewMenu)
        return nullptr;
    DeletePlaceholder(viewMenu);
    int number = 1;
    for (POSITION pos = s_plugins.GetHeadPosition(); pos; ++number) {
        const auto* record = static_cast<CPluginView*>(static_cast<CPlugin*>(s_plugins.GetNext(pos)));
        std::string title;
        record->LoadMenuString(title);
        viewMenu->AppendMenu(MF_STRING, record->GetViewID(), Format("&%d  %s", number, title.c_str()));
    }
    return viewMenu;
}

CMenu* CPluginPrefs::UpdateMenu() {
    CMenu* prefsMenu = SubMenuNamed(MainViewMenu(), IDS_PREFERENCES_MENU);
    if (!prefsMenu)
        return nullptr;
    DeletePlaceholder(prefsMenu);
    for (POSITION pos = s_plugins.GetHeadPosition(); pos;) {
        const auto* record = static_cast<CPluginPrefs*>(static_cast<CPlugin*>(s_plugins.GetNext(pos)));
        const unsigned id = IDS_PREFS_CATEGORY + static_cast<unsigned>(record->GetCategory());
        std::string name;
        // A category without a name has no sheet to open; one already listed
        // is not listed twice.
        if (!LoadString(id, name) || name.empty() || MCGetMenuIndex(prefsMenu, name) >= 0)
            continue;
        prefsMenu->AppendMenu(MF_STRING, id, name);
    }
    return prefsMenu;
}
