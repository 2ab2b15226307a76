#include "platform/core/beep.h"

#include <mutex>
#include <utility>

namespace platform_detail {
// The toolkit's beep (platform/ui/sound.cpp).
void RingBeep();
}  // namespace platform_detail

namespace {

std::mutex g_beepMutex;
BeepHandler g_beepHandler;   // guarded by g_beepMutex; empty: ring

}  // namespace

int MessageBeep(UINT type) {
    BeepHandler handler;
    {
        std::lock_guard lock(g_beepMutex);
        handler = g_beepHandler;
    }
    if (handler)
        handler(type);
    else
        platform_detail::RingBeep();
    return 1;
}

BeepHandler SetBeepHandler(BeepHandler handler) {
    std::lock_guard lock(g_beepMutex);
    std::swap(g_beepHandler, handler);
    return handler;
}
