// The window layer's resources beside the dialog templates (dlgtemplate.h):
// menus, accelerator tables, icons and cursors, each declared by a library in
// code and registered with its resources (platform/core/resources.h), found
// in the same order as strings are.
//
//     const MenuTemplate kScoreMenu = {{
//         {MF_POPUP, 0, "&File", {
//             {MF_STRING, ID_FILE_NEW, "&New\tCtrl+N"},
//             {MF_SEPARATOR},
//             {MF_STRING, ID_APP_EXIT, "E&xit"},
//         }},
//     }};
//     MENU_RESOURCE(IDR_SCORE, kScoreMenu);
//     const AcceleratorTable kScoreKeys = {{{FVIRTKEY | FCONTROL, 'N', ID_FILE_NEW}}};
//     ACCELERATOR_RESOURCE(IDR_SCORE, kScoreKeys);
//
// Menu templates and accelerator tables are referred to, not copied: declare
// them static. Icons and cursors are image files' bytes (PNG ...); a cursor
// also has its hot spot. Registration and lookups on any thread; the images
// are made on the user-interface thread.
#pragma once

#include "platform/core/resources.h"
#include "platform/ui/menu.h"
#include "platform/ui/messages.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class QCursor;
class QIcon;

inline constexpr const char* RT_MENU = "MENU";
inline constexpr const char* RT_ACCELERATOR = "ACCELERATOR";
inline constexpr const char* RT_CURSOR = "CURSOR";

// ---- menus ----------------------------------------------------------------------------

struct MenuTemplateItem {
    MenuTemplateItem(UINT flags_, UINT id_ = 0, std::string text_ = {}, std::vector<MenuTemplateItem> items_ = {})
        : flags(flags_), id(id_), text(std::move(text_)), items(std::move(items_)) {}

    UINT flags;                              // MF_POPUP: `items` is its drop-down
    UINT id;
    std::string text;
    std::vector<MenuTemplateItem> items;
};

struct MenuTemplate {
    std::vector<MenuTemplateItem> items;     // a menu bar's drop-downs, or a menu's items
};

#define MENU_RESOURCE(id, menu) RECORD_RESOURCE(RT_MENU, MenuTemplate, id, menu)

// A new menu made from the template `id`; null when there is none.
std::unique_ptr<CMenu> LoadMenu(unsigned id);
// The same from a template given here.
std::unique_ptr<CMenu> LoadMenuIndirect(const MenuTemplate& menu);

// ---- accelerators ---------------------------------------------------------------------

enum : BYTE {
    FVIRTKEY = 0x01,   // `key` is a virtual key (keys.h), else a character
    FSHIFT = 0x04,
    FCONTROL = 0x08,
    FALT = 0x10,
};

struct ACCEL {
    BYTE fVirt = 0;
    WORD key = 0;
    WORD cmd = 0;
};

struct AcceleratorTable {
    std::vector<ACCEL> entries;
};
using HACCEL = const AcceleratorTable*;

#define ACCELERATOR_RESOURCE(id, table) RECORD_RESOURCE(RT_ACCELERATOR, AcceleratorTable, id, table)

// The table `id`; null when there is none.
HACCEL LoadAccelerators(unsigned id);
// The command of a virtual key pressed with these modifiers (FSHIFT, FCONTROL,
// FALT), the first entry that matches exactly; 0 when none does. A character
// entry matches the key of its upper-case letter or digit.
WORD FindAccelerator(HACCEL table, UINT virtualKey, BYTE modifiers);

// ---- icons and cursors ----------------------------------------------------------------

// A cursor image and its hot spot.
struct CursorImage {
    const void* data = nullptr;   // an image file's bytes
    size_t size = 0;
    int xHotSpot = 0;
    int yHotSpot = 0;
};

#define CURSOR_RESOURCE(id, cursor) RECORD_RESOURCE(RT_CURSOR, CursorImage, id, cursor)

// The icon `id` (an RT_ICON block); a null icon when there is none or its
// bytes are no image.
QIcon LoadIcon(unsigned id);
// The cursor `id`; the arrow when there is none or its bytes are no image.
QCursor LoadCursor(unsigned id);
