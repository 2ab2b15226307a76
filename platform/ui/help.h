// Help: F1 for the window with the focus, Shift+F1 for the window clicked.
//
// F1 reaches a frame as ID_HELP (its accelerators first; a frame translates
// F1 itself when they do not). While one of its menu items is hovered, the
// frame shows the help of that command (HID_BASE_COMMAND + its id). Else it sends WM_COMMANDHELP (lParam: the
// context known so far, 0) to the focus window and then to each window
// above it until one answers non-zero: that window has shown its help
// (CWinApp::WinHelp with its context). A frame answers with the context of
// the resource it was loaded from (HID_BASE_RESOURCE + its id), or lParam
// when given; a frame made without a resource does not answer. When nobody
// answers, ID_DEFAULT_HELP runs: the application's help finder.
//
// Shift+F1 reaches a frame as ID_CONTEXT_HELP and enters help mode: the
// pointer becomes the help cursor and the next click is not delivered;
// instead the window clicked is sent WM_HELPHITTEST (lParam: the point in its
// client coordinates), then each window above it (the point in its own
// coordinates) until one answers a context, which goes to CWinApp::WinHelp
// (HELP_CONTEXT); without an answer the default help runs. The release of
// that click is swallowed too. Escape, or a click of another button, leaves
// help mode without help. One frame at a time is in help mode.
//
// User-interface thread only.
#pragma once

#include "platform/ui/messages.h"

class CFrameWnd;

// The framework's help commands.
enum : UINT {
    ID_HELP_INDEX = 0xE142,
    ID_HELP_FINDER = 0xE143,
    ID_HELP_USING = 0xE144,
    ID_CONTEXT_HELP = 0xE145,   // Shift+F1
    ID_HELP = 0xE146,           // F1
    ID_DEFAULT_HELP = 0xE147,
};

// The help contexts the framework makes: a command's, a resource's.
inline constexpr DWORD HID_BASE_COMMAND = 0x00010000;
inline constexpr DWORD HID_BASE_RESOURCE = 0x00020000;

// The frame in help mode; null when none is.
CFrameWnd* GetHelpModeFrame();
