#include "notation/autonote/notatelinks.h"

#include "model/event.h"
#include "model/plugin.h"
#include "notation/display/notate.h"
#include "notation/display/tuplet.h"

NotateLinks& GetNotateLinks() {
    static NotateLinks links;
    return links;
}

DCBase* GetNotateData(ECBase* event) {
    return event ? event->GetData(DK_NOTATION, 0) : nullptr;
}

namespace {

DCctNotate* AsNotate(DCBase* display) {
    return dynamic_cast<DCctNotate*>(display);
}

// Notes, chords and rests read through the notated-duration base; a tuplet,
// which has its own, through its class. Anything else: `none`.
template <class Read>
int ReadNotated(DCBase* display, int none, Read read) {
    if (DCctNotate* notate = AsNotate(display))
        return read(*notate);
    if (auto* tuplet = dynamic_cast<DCctTuplet*>(display))
        return read(*tuplet);
    return none;
}

}  // namespace

int NotateTickStart(DCBase* display, int mode) {
    if (!display)
        return -1;
    if (const NotateLinks& links = GetNotateLinks(); links.tickStart)
        return links.tickStart(display, mode);
    return ReadNotated(display, -1, [mode](auto& notated) { return static_cast<int>(notated.GetTickStart(mode)); });
}

int NotateTickDuration(DCBase* display, int mode) {
    if (!display)
        return -1;
    if (const NotateLinks& links = GetNotateLinks(); links.tickDuration)
        return links.tickDuration(display, mode);
    return ReadNotated(display, -1, [mode](auto& notated) { return static_cast<int>(notated.GetTickDuration(mode)); });
}

int NotateIsBorrowed(DCBase* display) {
    if (!display)
        return 0;
    if (const NotateLinks& links = GetNotateLinks(); links.isBorrowed)
        return links.isBorrowed(display);
    return ReadNotated(display, 0, [](auto& notated) { return static_cast<int>(notated.IsBorrowed()); });
}

int NotateBase(DCBase* display, int which) {
    if (!display)
        return -1;
    if (const NotateLinks& links = GetNotateLinks(); links.base)
        return links.base(display, which);
    return ReadNotated(display, -1,
                       [which](auto& notated) { return static_cast<int>(notated.GetBase(static_cast<WORD>(which))); });
}
