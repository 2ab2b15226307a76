// Menus without a toolkit: a menu bar or drop-down menu as the system's code
// builds and edits it, a row of items, each a text with a command id, a
// separator, or a submenu that the item owns.
//
// The system's code works on menus by position and by command id: it finds a
// submenu by its text, deletes a placeholder item at the end and appends one
// item per registered view or preference category. The GUI shows a CMenu with
// its toolkit's menus and reports the command id of the item chosen; nothing
// here knows the toolkit.
//
// Items are addressed as the system addresses them: with MF_BYPOSITION the
// number is a position counted from 0 in this menu; with MF_BYCOMMAND (the
// default, 0) it is a command id, looked for in this menu and then, depth
// first, in its submenus, and the operation acts on the menu that holds the
// item. A submenu item is never found by command.
//
// Ownership: a menu owns its items and, through them, their submenus.
// DeleteMenu destroys a submenu with its item; RemoveMenu can hand it to the
// caller instead. A CMenu* taken from GetSubMenu is borrowed and valid until
// its item leaves the menu.
//
// Texts are UTF-8, kept exactly ("&" marks the access key and is part of the
// text). User-interface thread only; no lock.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

using UINT = unsigned int;

class CWnd;
struct RECT;

// Item kinds, states and addressing, with the values the system passes.
enum : UINT {
    MF_STRING = 0x0000,       // a text item with a command id
    MF_BYCOMMAND = 0x0000,    // the item argument is a command id
    MF_ENABLED = 0x0000,
    MF_UNCHECKED = 0x0000,
    MF_GRAYED = 0x0001,
    MF_DISABLED = 0x0002,
    MF_CHECKED = 0x0008,
    MF_POPUP = 0x0010,        // the item opens a submenu
    MFT_RADIOCHECK = 0x0200,  // a check shows as a dot (one of a group)
    MF_BYPOSITION = 0x0400,   // the item argument is a position
    MF_SEPARATOR = 0x0800,    // a dividing line: no text, command id 0
};

// TrackPopupMenu's flags (placement flags are accepted; the toolkit places the menu).
enum : UINT {
    TPM_LEFTALIGN = 0x0000,
    TPM_LEFTBUTTON = 0x0000,
    TPM_RIGHTBUTTON = 0x0002,
    TPM_CENTERALIGN = 0x0004,
    TPM_RIGHTALIGN = 0x0008,
    TPM_NONOTIFY = 0x0080,    // no WM_COMMAND for the choice
    TPM_RETURNCMD = 0x0100,   // the choice is answered, not sent
};

class CMenu {
public:
    // What GetMenuItemID and GetMenuState answer when there is no such item
    // (GetMenuItemID also for a submenu item).
    static constexpr UINT NO_ITEM = 0xFFFFFFFFu;

    CMenu() = default;
    virtual ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    int GetMenuItemCount() const { return static_cast<int>(m_items.size()); }

    // The command id of the item at a position; 0 for a separator; NO_ITEM for
    // a submenu item or a position outside the menu.
    UINT GetMenuItemID(int position) const;
    // The item's flags (kind and state, without the addressing flag); NO_ITEM
    // when there is no such item.
    UINT GetMenuState(UINT item, UINT flags) const;
    // The item's text into `text` (empty for a separator or a missing item);
    // returns its length in bytes, 0 when there is no such item.
    int GetMenuString(UINT item, std::string& text, UINT flags) const;
    // The text of the item at a position; empty when there is none.
    std::string GetMenuString(int position) const;
    // The submenu of the item at a position; null when the item has none.
    CMenu* GetSubMenu(int position) const;

    // Appends a text item (MF_STRING, with state flags) or a separator
    // (MF_SEPARATOR: id and text are ignored). False for MF_POPUP, which needs
    // the submenu form.
    bool AppendMenu(UINT flags, UINT id = 0, std::string_view text = {});
    // Appends a submenu item (MF_POPUP is implied); the menu takes the submenu.
    // False for a null submenu.
    bool AppendMenu(UINT flags, std::unique_ptr<CMenu> submenu, std::string_view text);
    // Inserts before the item addressed by `item` and `flags` (the addressing
    // flag is not kept). By position, a position at or past the end (NO_ITEM
    // among them) appends. False when the item is not found.
    bool InsertMenu(UINT item, UINT flags, UINT id = 0, std::string_view text = {});
    bool InsertMenu(UINT item, UINT flags, std::unique_ptr<CMenu> submenu, std::string_view text);

    // Sets the item's enabled state to MF_ENABLED, MF_GRAYED or MF_DISABLED
    // (or both); answers the previous state (MF_GRAYED | MF_DISABLED bits), or
    // NO_ITEM when there is no such item.
    UINT EnableMenuItem(UINT item, UINT flags);
    // Checks (MF_CHECKED) or unchecks (MF_UNCHECKED) the item; answers the
    // previous check (MF_CHECKED or 0), or NO_ITEM when there is no such item.
    UINT CheckMenuItem(UINT item, UINT flags);
    // Replaces a text item's flags, id and text (the addressing flag is not
    // kept). A submenu the item had is destroyed. False when there is no such
    // item, and for MF_POPUP (which needs a submenu) or MF_SEPARATOR.
    bool ModifyMenu(UINT item, UINT flags, UINT id, std::string_view text);

    // Takes the item out and destroys its submenu, if any. False when there is
    // no such item.
    bool DeleteMenu(UINT item, UINT flags);
    // Takes the item out; its submenu goes to `submenu` when given, else it is
    // destroyed. False when there is no such item.
    bool RemoveMenu(UINT item, UINT flags, std::unique_ptr<CMenu>* submenu = nullptr);

    // Shows the menu as a popup at (x, y) on the screen for `pWnd`, and waits
    // for the user's choice (popupmenu.cpp, over the toolkit). The owner is
    // sent WM_INITMENUPOPUP first, so its update handlers set the items. The
    // choice goes to the owner as a posted WM_COMMAND (id, 0) and TRUE is
    // answered; with TPM_RETURNCMD the choice is answered instead (0 for
    // none) and nothing is posted. Under a test's CDialogScript no menu shows:
    // the script's next queued choice is taken (an item the user could not
    // choose, grayed or missing, counts as none), and with none queued the
    // menu ends at once without a choice. 0 without an owner window.
    int TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, const RECT* lpRect = nullptr);

private:
    struct Item {
        UINT flags = MF_STRING;         // kind and state; never an addressing flag
        UINT id = 0;
        std::string text;
        std::unique_ptr<CMenu> submenu; // owned; set exactly for MF_POPUP
    };

    // The menu holding the addressed item and its position there; null when
    // there is no such item.
    struct Place {
        CMenu* menu = nullptr;
        size_t position = 0;
    };
    Place Find(UINT item, UINT flags) const;
    // Where an insertion goes: by position, the end when past it.
    Place InsertionPlace(UINT item, UINT flags);
    bool Insert(Place place, Item item);
    static Item MakeItem(UINT flags, UINT id, std::string_view text);

    std::vector<Item> m_items;
};
