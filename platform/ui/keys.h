// Keys as the window layer names them: the virtual-key codes of key messages,
// and the key state the platform keeps itself (the toolkit has none offscreen).
//
// VirtualKeyFromQt gives a toolkit key its code: letters and digits are their
// upper-case characters, Shift 16, Control 17, Alt 18, the function keys
// 112 and up, and the punctuation keys the codes of a US keyboard (a shifted
// symbol such as "!" is the key it lies on, "1"); keys of the number pad are
// the pad's codes.
//
// GetKeyState answers as of the key and mouse events received so far: the high
// bit (a negative answer) while the key is down, the low bit its toggle. The
// toolkit tells no lock state, so Scroll Lock's toggle is the platform's own:
// off at start, flipped by each Scroll Lock press received (not by its
// auto-repeats). The Shift, Control and Alt keys also follow the modifiers an
// event carries, so a synthesized event with Shift held reads as Shift down.
//
// User-interface thread only.
#pragma once

#include "platform/ui/messages.h"

enum : UINT {
    VK_LBUTTON = 0x01,
    VK_RBUTTON = 0x02,
    VK_CANCEL = 0x03,
    VK_MBUTTON = 0x04,
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_CLEAR = 0x0C,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,   // Alt
    VK_PAUSE = 0x13,
    VK_CAPITAL = 0x14,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,   // Page Up
    VK_NEXT = 0x22,    // Page Down
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_SELECT = 0x29,
    VK_PRINT = 0x2A,
    VK_SNAPSHOT = 0x2C,
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    VK_HELP = 0x2F,
    VK_LWIN = 0x5B,
    VK_APPS = 0x5D,
    VK_NUMPAD0 = 0x60,
    VK_MULTIPLY = 0x6A,
    VK_ADD = 0x6B,
    VK_SEPARATOR = 0x6C,
    VK_SUBTRACT = 0x6D,
    VK_DECIMAL = 0x6E,
    VK_DIVIDE = 0x6F,
    VK_F1 = 0x70,
    VK_F10 = 0x79,
    VK_F24 = 0x87,
    VK_NUMLOCK = 0x90,
    VK_SCROLL = 0x91,
    VK_OEM_1 = 0xBA,        // ;:
    VK_OEM_PLUS = 0xBB,     // =+
    VK_OEM_COMMA = 0xBC,    // ,<
    VK_OEM_MINUS = 0xBD,    // -_
    VK_OEM_PERIOD = 0xBE,   // .>
    VK_OEM_2 = 0xBF,        // /?
    VK_OEM_3 = 0xC0,        // `~
    VK_OEM_4 = 0xDB,        // [{
    VK_OEM_5 = 0xDC,        // \|
    VK_OEM_6 = 0xDD,        // ]}
    VK_OEM_7 = 0xDE,        // '"
};

// The code of a toolkit key (a Qt::Key value); `keypad` for a key of the
// number pad. 0 for a key without one.
UINT VirtualKeyFromQt(int qtKey, bool keypad = false);

// The state of a key: negative while down; bit 0 set while toggled on.
SHORT GetKeyState(int virtualKey);

namespace platform_detail {

// The window layer's record of what it received (wnd_events.cpp).
void NoteKey(UINT virtualKey, bool down, bool autoRepeat);
void NoteModifiers(bool shift, bool control, bool alt);
void NoteMouseButtons(bool left, bool right, bool middle);

}  // namespace platform_detail
