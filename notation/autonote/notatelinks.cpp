#include "notation/autonote/notatelinks.h"

#include "model/event.h"
#include "model/plugin.h"

NotateLinks& GetNotateLinks() {
    static NotateLinks links;
    return links;
}

DCBase* GetNotateData(ECBase* event) {
    return event ? event->GetData(DK_NOTATION, 0) : nullptr;
}

int NotateTickStart(DCBase* display, int mode) {
    const NotateLinks& links = GetNotateLinks();
    return display && links.tickStart ? links.tickStart(display, mode) : -1;
}

int NotateTickDuration(DCBase* display, int mode) {
    const NotateLinks& links = GetNotateLinks();
    return display && links.tickDuration ? links.tickDuration(display, mode) : -1;
}

int NotateIsBorrowed(DCBase* display) {
    const NotateLinks& links = GetNotateLinks();
    return display && links.isBorrowed ? links.isBorrowed(display) : 0;
}

int NotateBase(DCBase* display, int which) {
    const NotateLinks& links = GetNotateLinks();
    return display && links.base ? links.base(display, which) : -1;
}
