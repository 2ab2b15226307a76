// CCaptureLoop: a loop that follows the mouse under the capture until its
// watcher has seen enough, as a resize or a drag detection does.
//
// Run takes the capture for a window and runs the event loop: every mouse
// message that window receives (posted, sent, or made from the pointer, in
// its client coordinates) and every key message of the thread (before any
// window translates it) goes to the watcher instead of its window; all other
// messages are handled as usual. The loop ends when the watcher answers
// false, or when the window loses the capture or is destroyed (those
// messages still reach it). The capture is released at the end when the
// window still holds it.
//
// Loops nest: the innermost running one sees the messages. User-interface
// thread only.
#pragma once

#include "platform/ui/wnd.h"

#include <functional>

class CCaptureLoop {
public:
    // Shown each message of the loop; false ends it.
    using Watcher = std::function<bool(const MSG& msg)>;

    // Runs the loop for `wnd` (see above). Answers true when the watcher
    // ended it, false when the capture went or the window did.
    static bool Run(CWnd& wnd, const Watcher& watcher);
};

namespace platform_detail {

// Offers a message about to reach `hWnd` to the running loop; true when the
// loop took it (the window then never sees it). Called by the message
// delivery and the key translation.
bool OfferToCaptureLoop(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace platform_detail
