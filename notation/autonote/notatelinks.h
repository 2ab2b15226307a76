// What the engine's passes and the tie chains read of a notated element's
// display object: its tick start and tick duration (256 ticks per quarter
// note, in mode 1 as stored or mode 0 scaled by its division bases), whether
// it is borrowed (re-timed into another division) and its borrowed base.
//
// The duration base of the note, rest, chord and tuplet displays (DCctNotate)
// answers these. A link set here replaces that reading (a test's stand-in
// display); with a link empty the display object is read as a DCctNotate. A
// display object that is neither reads as "no notated data": -1 for the
// ticks, 0 for borrowed.
//
// User-interface thread. Nothing in the product sets the links; a test that
// sets them puts the earlier ones back.
#pragma once

#include <functional>

class DCBase;
class ECBase;

struct NotateLinks {
    // (display, mode) -> tick start 0-65535, or -1.
    std::function<int(DCBase*, int)> tickStart;
    // (display, mode) -> tick duration 0-65535, or -1.
    std::function<int(DCBase*, int)> tickDuration;
    // (display) -> non-zero when borrowed.
    std::function<int(DCBase*)> isBorrowed;
    // (display, which) -> the borrowed base (which 1: a tick length), or -1.
    std::function<int(DCBase*, int)> base;
};

// The one set of links.
NotateLinks& GetNotateLinks();

// The element's notation display object, never created here; null when none.
DCBase* GetNotateData(ECBase* event);

// The links' answers for a display object (null allowed), as above.
int NotateTickStart(DCBase* display, int mode);
int NotateTickDuration(DCBase* display, int mode);
int NotateIsBorrowed(DCBase* display);
int NotateBase(DCBase* display, int which);
