// The system colours, read from the application's palette.
//
// GetSysColor answers a COLOR_* index from the palette of the widget
// application (the active group; COLOR_GRAYTEXT from the disabled one). A
// palette change reaches the top-level windows as WM_SYSCOLORCHANGE, after
// which GetSysColor answers the new colours. Without a GUI application object
// every colour reads as the plain light desktop's (white windows, black text,
// grey faces). User-interface thread only.
#pragma once

#include "platform/ui/geometry.h"

enum : int {
    COLOR_SCROLLBAR = 0,
    COLOR_BACKGROUND = 1,        // the desktop
    COLOR_ACTIVECAPTION = 2,
    COLOR_INACTIVECAPTION = 3,
    COLOR_MENU = 4,
    COLOR_WINDOW = 5,
    COLOR_WINDOWFRAME = 6,
    COLOR_MENUTEXT = 7,
    COLOR_WINDOWTEXT = 8,
    COLOR_CAPTIONTEXT = 9,
    COLOR_ACTIVEBORDER = 10,
    COLOR_INACTIVEBORDER = 11,
    COLOR_APPWORKSPACE = 12,     // behind the documents of a multiple-document frame
    COLOR_HIGHLIGHT = 13,
    COLOR_HIGHLIGHTTEXT = 14,
    COLOR_BTNFACE = 15,
    COLOR_BTNSHADOW = 16,
    COLOR_GRAYTEXT = 17,
    COLOR_BTNTEXT = 18,
    COLOR_INACTIVECAPTIONTEXT = 19,
    COLOR_BTNHIGHLIGHT = 20,
    COLOR_3DDKSHADOW = 21,
    COLOR_3DLIGHT = 22,
    COLOR_INFOTEXT = 23,
    COLOR_INFOBK = 24,
    COLOR_3DFACE = COLOR_BTNFACE,
    COLOR_3DSHADOW = COLOR_BTNSHADOW,
    COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT,
};

// The colour; 0 (black) for an index it does not know.
COLORREF GetSysColor(int index);
