// The caret's blink as the desktop sets it.
// User-interface thread only.
#pragma once

#include "platform/ui/messages.h"

// Milliseconds between turning a caret on and off: half the desktop's flash
// period; 500 without an application or when the desktop does not flash.
UINT GetCaretBlinkTime();
