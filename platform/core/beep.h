// The system beep: the short sound the program makes where the user should
// notice something but no message is worth showing (the metronome's click
// when it does not click on a MIDI device).
//
// The core only declares it. With a GUI application object the beep rings
// through the toolkit (on the user-interface thread, whichever thread asks);
// without one it is silent. A test installs a handler to count the beeps.
//
// Any thread may call MessageBeep and SetBeepHandler.
#pragma once

#include <functional>

using UINT = unsigned int;

// The sound asked for: the simple beep (0xFFFFFFFF) or one of the message-box
// sounds (MB_OK, MB_ICONERROR ...). Every kind rings the same beep here.
inline constexpr UINT SIMPLE_BEEP = 0xFFFFFFFFu;

// Rings the beep; non-zero, as the beep cannot fail in a way callers act on.
int MessageBeep(UINT type);

// Called instead of the ringing, on the caller's thread, with the type asked for.
using BeepHandler = std::function<void(UINT type)>;

// Installs a handler (empty restores the ringing) and returns the previous one.
BeepHandler SetBeepHandler(BeepHandler handler);
