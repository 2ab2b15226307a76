#include "platform/ui/menu.h"

namespace {

// The flags an item keeps: its kind and state, not how it was addressed.
constexpr UINT kKeptFlags = ~static_cast<UINT>(MF_BYPOSITION);

}  // namespace

CMenu::~CMenu() = default;

CMenu::Item CMenu::MakeItem(UINT flags, UINT id, std::string_view text) {
    Item item;
    item.flags = flags & kKeptFlags;
    if (item.flags & MF_SEPARATOR)
        return item;   // a separator has neither id nor text
    item.id = id;
    item.text = text;
    return item;
}

CMenu::Place CMenu::Find(UINT item, UINT flags) const {
    if (flags & MF_BYPOSITION) {
        if (item < m_items.size())
            return {const_cast<CMenu*>(this), item};
        return {};
    }
    for (size_t i = 0; i < m_items.size(); ++i) {
        const Item& entry = m_items[i];
        if (!entry.submenu && !(entry.flags & MF_SEPARATOR) && entry.id == item)
            return {const_cast<CMenu*>(this), i};
    }
    for (const Item& entry : m_items) {
        if (!entry.submenu)
            continue;
        Place inner = entry.submenu->Find(item, flags);
        if (inner.menu)
            return inner;
    }
    return {};
}

CMenu::Place CMenu::InsertionPlace(UINT item, UINT flags) {
    if (flags & MF_BYPOSITION)
        return {this, item < m_items.size() ? item : m_items.size()};
    return Find(item, flags);
}

bool CMenu::Insert(Place place, Item item) {
    if (!place.menu)
        return false;
    auto& items = place.menu->m_items;
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(place.position), std::move(item));
    return true;
}

UINT CMenu::GetMenuItemID(int position) const {
    if (position < 0 || static_cast<size_t>(position) >= m_items.size())
        return NO_ITEM;
    const Item& item = m_items[static_cast<size_t>(position)];
    return item.submenu ? NO_ITEM : item.id;
}

UINT CMenu::GetMenuState(UINT item, UINT flags) const {
    Place place = Find(item, flags);
    return place.menu ? place.menu->m_items[place.position].flags : NO_ITEM;
}

int CMenu::GetMenuString(UINT item, std::string& text, UINT flags) const {
    Place place = Find(item, flags);
    text = place.menu ? place.menu->m_items[place.position].text : std::string();
    return static_cast<int>(text.size());
}

std::string CMenu::GetMenuString(int position) const {
    std::string text;
    if (position >= 0)
        GetMenuString(static_cast<UINT>(position), text, MF_BYPOSITION);
    return text;
}

CMenu* CMenu::GetSubMenu(int position) const {
    if (position < 0 || static_cast<size_t>(position) >= m_items.size())
        return nullptr;
    return m_items[static_cast<size_t>(position)].submenu.get();
}

bool CMenu::AppendMenu(UINT flags, UINT id, std::string_view text) {
    return InsertMenu(NO_ITEM, flags | MF_BYPOSITION, id, text);
}

bool CMenu::AppendMenu(UINT flags, std::unique_ptr<CMenu> submenu, std::string_view text) {
    return InsertMenu(NO_ITEM, flags | MF_BYPOSITION, std::move(submenu), text);
}

bool CMenu::InsertMenu(UINT item, UINT flags, UINT id, std::string_view text) {
    if (flags & MF_POPUP)
        return false;
    return Insert(InsertionPlace(item, flags), MakeItem(flags, id, text));
}

bool CMenu::InsertMenu(UINT item, UINT flags, std::unique_ptr<CMenu> submenu, std::string_view text) {
    if (!submenu)
        return false;
    Item entry = MakeItem((flags | MF_POPUP) & ~static_cast<UINT>(MF_SEPARATOR), 0, text);
    entry.submenu = std::move(submenu);
    return Insert(InsertionPlace(item, flags), std::move(entry));
}

bool CMenu::DeleteMenu(UINT item, UINT flags) {
    return RemoveMenu(item, flags, nullptr);
}

bool CMenu::RemoveMenu(UINT item, UINT flags, std::unique_ptr<CMenu>* submenu) {
    Place place = Find(item, flags);
    if (!place.menu)
        return false;
    auto& items = place.menu->m_items;
    auto it = items.begin() + static_cast<std::ptrdiff_t>(place.position);
    // Taken out of the row before the submenu dies, so nothing sees a half-removed item.
    Item removed = std::move(*it);
    items.erase(it);
    if (submenu)
        *submenu = std::move(removed.submenu);
    return true;
}

UINT CMenu::EnableMenuItem(UINT item, UINT flags) {
    Place place = Find(item, flags);
    if (!place.menu)
        return NO_ITEM;
    constexpr UINT kEnableBits = MF_GRAYED | MF_DISABLED;
    UINT& kept = place.menu->m_items[place.position].flags;
    const UINT previous = kept & kEnableBits;
    kept = (kept & ~kEnableBits) | (flags & kEnableBits);
    return previous;
}

UINT CMenu::CheckMenuItem(UINT item, UINT flags) {
    Place place = Find(item, flags);
    if (!place.menu)
        return NO_ITEM;
    UINT& kept = place.menu->m_items[place.position].flags;
    const UINT previous = kept & MF_CHECKED;
    kept = (kept & ~static_cast<UINT>(MF_CHECKED)) | (flags & MF_CHECKED);
    return previous;
}

bool CMenu::ModifyMenu(UINT item, UINT flags, UINT id, std::string_view text) {
    if (flags & (MF_POPUP | MF_SEPARATOR))
        return false;
    Place place = Find(item, flags);
    if (!place.menu)
        return false;
    place.menu->m_items[place.position] = MakeItem(flags, id, text);   // an old submenu goes with it
    return true;
}
