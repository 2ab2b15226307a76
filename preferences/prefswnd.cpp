#include "preferences/prefswnd.h"

#include "interface/document/pluginrecords.h"
#include "model/appstates.h"
#include "model/preferences.h"
#include "model/states.h"
#include "platform/core/resources.h"
#include "platform/ui/menu.h"
#include "platform/ui/uiresources.h"

IMPLEMENT_DYNAMIC(CPrefsWnd, CPropertySheet)

namespace {

STRING_TABLE({IDS_PREFERENCES, "Preferences"},
             {IDS_PREFS_TITLE_BASE + PREFS_GENERAL, "General Preferences"},
             {IDS_PREFS_TITLE_BASE + PREFS_SEQUENCER, "Sequencer Preferences"},
             {IDS_PREFS_TITLE_BASE + PREFS_DEVICES, "Device Preferences"},
             {IDS_PREFS_TITLE_BASE + PREFS_MUSICSCORE, "MusicScore Preferences"});

// The pages' names go in front of the placeholder, which then goes.
const MenuTemplate kContextMenu = {{
    {MF_POPUP, 0, "Pages", {
        {MF_STRING, ID_PREFS_PAGE_FIRST, "Page"},
    }},
}};
MENU_RESOURCE(IDR_PREFS_CONTEXT, kContextMenu);

const char* const kSettingsSection = "Settings";
// The longest tab text the menu takes.
constexpr size_t kMaxTabText = 128;

// This library's pages, in registry order. The pages come with their own
// work; until then the table is empty and the sheets show the pages other
// libraries register.
std::vector<CPluginPrefs*>& PageRecords() {
    static std::vector<CPluginPrefs*> records;
    return records;
}

}  // namespace

BEGIN_MESSAGE_MAP(CPrefsWnd, CPropertySheet)
    ON_WM_DESTROY()
    ON_WM_CONTEXTMENU()
    ON_COMMAND_RANGE(ID_PREFS_PAGE_FIRST, ID_PREFS_PAGE_LAST, &CPrefsWnd::OnShowPage)
END_MESSAGE_MAP()

int InitPrefs() {
    int registered = 0;
    for (CPluginPrefs* record : PageRecords()) {
        CPluginPrefs::AddPlugin(record);
        ++registered;
    }
    SCSelection::SetColor(LoadColorPreference("Settings\\Color", "Selection", 65280));
    return registered;
}

std::string CPrefsWnd::GetCategoryTitle(int category) {
    return LoadString(IDS_PREFS_TITLE_BASE + static_cast<unsigned>(category));
}

CPrefsWnd::CPrefsWnd(int category) : CPropertySheet(IDS_PREFERENCES, nullptr, 0), m_nCategory(category) {
    MCPtrList& records = CPluginPrefs::GetPlugins();
    for (POSITION pos = records.GetHeadPosition(); pos;) {
        const auto* record = static_cast<const CPluginPrefs*>(records.GetNext(pos));
        if (record->GetCategory() != m_nCategory)
            continue;
        if (std::unique_ptr<CPropertyPage> page = record->GetPrefsPage()) {
            AddPage(page.get());
            m_pages.push_back(std::move(page));
        }
    }
    // The window takes the title as its caption when it is made.
    const std::string title = GetCategoryTitle(m_nCategory);
    SetTitle(title.c_str());
    SetActivePage(LoadIntPreference(kSettingsSection, title, 0, 0, GetPageCount() - 1));
}

CPrefsWnd::~CPrefsWnd() {
    // The window goes while the pages it shows still exist; then the pages,
    // last first.
    if (m_hWnd)
        DestroyWindow();
    while (!m_pages.empty())
        m_pages.pop_back();
}

void CPrefsWnd::OnDestroy() {
    // Kept whichever button closed the sheet; the title names the category.
    std::string title;
    GetWindowText(title);
    SaveIntPreference(kSettingsSection, title, GetActiveIndex());
    CPropertySheet::OnDestroy();
}

BOOL CPrefsWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    const BOOL handled = CPropertySheet::OnCommand(wParam, lParam);
    const UINT nID = LOWORD(wParam);
    if (nID == IDOK || nID == ID_APPLY_NOW) {
        // The pages have saved their values: every window reloads them.
        (new SCPrefs())->Apply(nullptr);
    }
    return handled;
}

void CPrefsWnd::OnShowPage(UINT nID) {
    SetActivePage(static_cast<int>(nID - ID_PREFS_PAGE_FIRST));
}

void CPrefsWnd::OnContextMenu(CWnd*, CPoint point) {
    std::unique_ptr<CMenu> menu = LoadMenu(IDR_PREFS_CONTEXT);
    CMenu* popup = menu ? menu->GetSubMenu(0) : nullptr;
    if (!popup)
        return;
    const int count = GetPageCount();
    for (int i = 0; i < count; ++i) {
        std::string text = GetPage(i)->GetTitle();
        if (text.size() > kMaxTabText)
            text.resize(kMaxTabText);
        popup->InsertMenu(static_cast<UINT>(i), MF_BYPOSITION | MF_STRING, ID_PREFS_PAGE_FIRST + static_cast<UINT>(i),
                          text);
    }
    const int active = GetActiveIndex();
    for (int i = 0; i < count; ++i)
        popup->CheckMenuItem(static_cast<UINT>(i), MF_BYPOSITION | (i == active ? MF_CHECKED : MF_UNCHECKED));
    popup->DeleteMenu(static_cast<UINT>(count), MF_BYPOSITION);
    popup->TrackPopupMenu(TPM_RIGHTBUTTON, point.x, point.y, this);
}
