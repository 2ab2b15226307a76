// The framework's standard command ids, the ids of a frame's own windows and
// the messages frames, views and the MDI client exchange.
//
// Command ids from 0xE100 are the framework's: the application, the document
// and the frames handle them in their own message maps (app.h, document.h,
// frame.h, mdi.h), so a program's menus name them and get the standard
// behaviour. Ids from 0xFF00 are the window list of an MDI frame's "Window" menu.
#pragma once

#include "platform/ui/messages.h"

// ---- commands -------------------------------------------------------------------------
enum : UINT {
    ID_FILE_NEW = 0xE100,
    ID_FILE_OPEN = 0xE101,
    ID_FILE_CLOSE = 0xE102,
    ID_FILE_SAVE = 0xE103,
    ID_FILE_SAVE_AS = 0xE104,
    ID_FILE_PRINT_SETUP = 0xE106,
    ID_FILE_PRINT = 0xE107,
    ID_FILE_PRINT_DIRECT = 0xE108,
    ID_FILE_PRINT_PREVIEW = 0xE109,
    ID_WINDOW_NEW = 0xE130,
    ID_WINDOW_ARRANGE = 0xE131,
    ID_WINDOW_CASCADE = 0xE132,
    ID_WINDOW_TILE_HORZ = 0xE133,
    ID_WINDOW_TILE_VERT = 0xE134,
    ID_WINDOW_SPLIT = 0xE135,
    ID_APP_EXIT = 0xE141,
    ID_NEXT_PANE = 0xE150,
    ID_PREV_PANE = 0xE151,
};

// The commands of the "Window" menu (ID_WINDOW_NEW ... ID_WINDOW_SPLIT and
// the rest of their block): a frame's menu holding one of them is its window menu.
inline constexpr UINT AFX_IDM_WINDOW_FIRST = 0xE130;
inline constexpr UINT AFX_IDM_WINDOW_LAST = 0xE13F;
// The window list's items: the n-th child (from 0) is AFX_IDM_FIRST_MDICHILD + n.
inline constexpr UINT AFX_IDM_FIRST_MDICHILD = 0xFF00;

// ---- a frame's windows ----------------------------------------------------------------
inline constexpr UINT AFX_IDW_PANE_FIRST = 0xE900;   // the frame's view
inline constexpr UINT AFX_IDW_STATUS_BAR = 0xE801;   // the bar that shows messages

// ---- messages -------------------------------------------------------------------------
enum : UINT {
    WM_MDIDESTROY = 0x0221,    // to the client; wParam: the child (HWND)
    WM_MDIACTIVATE = 0x0222,   // to the client: wParam the child to activate; to a child: wParam the
                               // child deactivated, lParam the child activated (HWND, or 0)
    WM_MDITILE = 0x0226,       // to the client; wParam: MDITILE_VERTICAL or MDITILE_HORIZONTAL
    WM_MDICASCADE = 0x0227,
    WM_MDINEXT = 0x0224,       // to the client; wParam: the child to start from (0: the active one);
                               // lParam: non-zero for the previous child
    WM_MDIGETACTIVE = 0x0229,  // to the client; answers the active child (HWND), 0 when none
    WM_INITIALUPDATE = 0x0364, // to each window of a frame when it is first shown with its document
};

enum : UINT {
    MDITILE_VERTICAL = 0x0000,
    MDITILE_HORIZONTAL = 0x0001,
};
