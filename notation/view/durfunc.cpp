// The duration functions the plug-in installs for notes: a notated length
// plays its last quarter (or the part of one it ends with) shortened to the
// gate, and a performed length reads back through the inverse.
//
// The inverse stretches only the part of a quarter a length ends with, and
// never past that quarter's end: a note held longer than the gate was held
// for the rest of its quarter. A note held exactly its whole quarters (a
// file's legato quarters) reads back as exactly that; stretching it would
// make a quarter before a rest a dotted quarter.
//
// Lengths are whole ticks at the global resolution, every division
// truncating. They are computed in 32 bits: a length of more than 65535
// ticks (over 136 quarters at 480) would otherwise wrap to a short one.
// A zero length plays as zero and reads back as zero: a note that sounds
// nothing (the later notes of a tie chain) has no performed length to undo.
#include "notation/view/cantrel.h"

#include <algorithm>
#include <cstdint>

std::atomic<int> CCantrel::s_nDurFuncGate{CCantrel::kDefaultDurationGate};

namespace {

constexpr int kPercent = 100;

MCTime TicksToTime(int64_t ticks, int ppq) {
    MCTime time;
    time.SetTicks(static_cast<int>(ticks), ppq);
    return time;
}

}  // namespace

MCTime CCantrel::DurFunc(const MCTime* notated, void*) {
    const int ppq = MCTime::GlobalPPQ;
    if (ppq <= 0 || !notated)
        return MCTime::TimeZero();
    const int64_t gate = s_nDurFuncGate.load(std::memory_order_relaxed);
    const int64_t n = std::max(0, notated->GetTicks(ppq));
    // A length of nothing plays as nothing (not as a negative length).
    if (n == 0)
        return MCTime::TimeZero();
    const int64_t partial = n % ppq;
    const int64_t whole = n - partial;
    // Only the last quarter, or the last part of one, is shortened.
    const int64_t played = partial != 0 ? whole + partial * gate / kPercent : n - ppq + ppq * gate / kPercent;
    return TicksToTime(played, ppq);
}

MCTime CCantrel::DurFuncInverse(const MCTime* performed, void*) {
    const int ppq = MCTime::GlobalPPQ;
    const int64_t gate = s_nDurFuncGate.load(std::memory_order_relaxed);
    if (ppq <= 0 || gate == 0 || !performed)
        return MCTime::TimeZero();
    const int64_t n = std::max(0, performed->GetTicks(ppq));
    const int64_t partial = n % ppq;
    const int64_t whole = n - partial;
    const int64_t read = whole + std::min<int64_t>(partial * kPercent / gate, ppq);
    return TicksToTime(read, ppq);
}
