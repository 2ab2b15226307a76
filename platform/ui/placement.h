// Window placement: where a top-level window stands when it is shown normally,
// and whether it is minimized or maximized. The system stores it in the profile
// and restores it when the window comes back (see the model's preference
// functions).
//
// WINDOWPLACEMENT is the record the system fills and reads: its own length, the
// flags, the show command, the positions a minimized and a maximized window take,
// and the normal rectangle in desktop pixels (right and bottom lie outside it).
// Plain data, any thread.
//
// CPlacedWindow is how the platform asks a window for its placement. Windows are
// widgets of the GUI layers, which this library does not link: a GUI window that
// wants its placement saved implements this one-function interface, and code
// below the GUI (the preference functions) takes a CPlacedWindow*. Called on the
// window's (the UI) thread.
#pragma once

#include "platform/ui/metrics.h"

#include <cstdint>

// Show commands: how a window is shown.
enum : uint32_t {
    SW_HIDE = 0,
    SW_SHOWNORMAL = 1,
    SW_NORMAL = SW_SHOWNORMAL,
    SW_SHOWMINIMIZED = 2,
    SW_SHOWMAXIMIZED = 3,
    SW_MAXIMIZE = SW_SHOWMAXIMIZED,
    SW_SHOWNOACTIVATE = 4,
    SW_SHOW = 5,
    SW_MINIMIZE = 6,
    SW_SHOWMINNOACTIVE = 7,   // minimized, and another window keeps the focus
    SW_SHOWNA = 8,
    SW_RESTORE = 9,
    SW_SHOWDEFAULT = 10,
};

// Placement flags.
enum : uint32_t {
    WPF_SETMINPOSITION = 0x0001,        // ptMinPosition is meant
    WPF_RESTORETOMAXIMIZED = 0x0002,    // a minimized window comes back maximized
};

// A point on the desktop, in pixels.
struct PlacementPoint {
    int32_t x = 0;
    int32_t y = 0;
};

struct WINDOWPLACEMENT {
    uint32_t length = sizeof(WINDOWPLACEMENT);   // the record's size, set by whoever fills it
    uint32_t flags = 0;                          // WPF_*
    uint32_t showCmd = SW_HIDE;                  // SW_*
    PlacementPoint ptMinPosition;                // top left of the minimized window
    PlacementPoint ptMaxPosition;                // top left of the maximized window
    DesktopRect rcNormalPosition;                // the restored window's frame
};

// A window whose placement can be read. The GUI's top-level windows implement it.
class CPlacedWindow {
public:
    virtual ~CPlacedWindow() = default;
    // Fills the record (length included) and returns non-zero; 0 when the window
    // cannot tell (it is not created yet), leaving the record as it was.
    virtual int GetWindowPlacement(WINDOWPLACEMENT* placement) const = 0;
};
