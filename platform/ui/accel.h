// Accelerators: a key pressed with its modifiers becomes a command.
//
// A window that owns an accelerator table (CWnd::LoadAccelTable, or its own
// GetDefaultAccelerator) translates the key messages offered to it in
// PreTranslateMessage (wnd.h), before the key reaches the focus window: a
// key-down that matches an entry is sent to the window as WM_COMMAND with
// the entry's command and 1 in the high word (from an accelerator), and the
// key goes no further. A frame translates its active child's table before
// its own by overriding PreTranslateMessage.
//
// User-interface thread only.
#pragma once

#include "platform/ui/uiresources.h"

// Translates a WM_KEYDOWN or WM_SYSKEYDOWN message with `table` (the
// modifiers as GetKeyState tells them now): on a match, sends WM_COMMAND
// (command, 1) to `hWnd` and answers TRUE. FALSE for any other message, a
// key without an entry, or a null table.
BOOL TranslateAccelerator(HWND hWnd, HACCEL table, MSG* pMsg);
