// What the engine's passes and the tie chains read of a notated element's
// display object: its tick start and tick duration (256 ticks per quarter
// note, in mode 1 as stored or mode 0 scaled by its division bases), whether
// it is borrowed (re-timed into another division) and its borrowed base.
//
// The duration base of the note, rest, chord and tuplet displays answers
// these. The passes reach it through these links so that they build and are
// tested apart from it; the plug-in links them to that class. An empty link,
// or a display object that is not a notated element's, reads as "no notated
// data": -1 for the ticks, 0 for borrowed.
//
// User-interface thread; the links are set once, when the plug-in starts (or
// by a test, which puts the earlier ones back).
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
