#include "notation/autonote/notatelinks.h"

#include "model/event.h"
#include "model/plugin.h"
#include "notation/display/notate.h"

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

}  // namespace

int NotateTickStart(DCBase* display, int mode) {
    if (!display)
        return -1;
    if (const NotateLinks& links = GetNotateLinks(); links.tickStart)
        return links.tickStart(display, mode);
    DCctNotate* notate = AsNotate(display);
    return notate ? notate->GetTickStart(mode) : -1;
}

int NotateTickDuration(DCBase* display, int mode) {
    if (!display)
        return -1;
    if (const NotateLinks& links = GetNotateLinks(); links.tickDuration)
        return links.tickDuration(display, mode);
    DCctNotate* notate = AsNotate(display);
    return notate ? notate->GetTickDuration(mode) : -1;
}

int NotateIsBorrowed(DCBase* display) {
    if (!display)
        return 0;
    if (const NotateLinks& links = GetNotateLinks(); links.isBorrowed)
        return links.isBorrowed(display);
    DCctNotate* notate = AsNotate(display);
    return notate ? notate->IsBorrowed() : 0;
}

int NotateBase(DCBase* display, int which) {
    if (!display)
        return -1;
    if (const NotateLinks& links = GetNotateLinks(); links.base)
        return links.base(display, which);
    DCctNotate* notate = AsNotate(display);
    return notate ? notate->GetBase(static_cast<WORD>(which)) : -1;
}
