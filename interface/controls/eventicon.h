// MCGetEventIcon: the small icon that stands for an event type in lists and
// trees (icons 11780-11799, resources of this library; 11783 for every type
// without an icon of its own). User-interface thread only.
#pragma once

#include <QIcon>

// The icon resource id of an event type (ET_ numbers, model/eventtypes.h).
unsigned MCGetEventIconId(int eventType);
// The icon of an event type from whichever loaded module holds it; a null
// icon when none does. The second argument is not used.
QIcon MCGetEventIcon(int eventType, int unused = 0);
