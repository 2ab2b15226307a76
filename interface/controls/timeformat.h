// How times are written and read as text: the display formats of the time
// edit (timeedit.h) and of every other place that shows a time (the time bar,
// the Go To dialog, the notation tools' status texts).
//
// A format is a printf form of two or three groups of digits (a string of
// this library), an empty form shown when there is nothing to convert with, a
// limit on typed characters and the character span of each group. Musical
// positions need a conductor to be split into bars, beats and ticks; without
// one a position is written as the empty form and read as time zero.
// Durations (quarter notes as whole beats and ticks) need none.
//
// MCTimeEdit::FormatTimeString and GetTimeFromString are the public face of
// these functions; they find the conductor through the active document.
// Pure functions; user-interface thread (the conductor's queries are).
#pragma once

#include "model/time.h"

#include <string>

class ECConductor;

// Display formats.
enum : int {
    TIMEFMT_BAR_BEAT = 0,             // "012:03"
    TIMEFMT_BAR_BEAT_TICK = 1,        // "012:03:005"
    TIMEFMT_BAR_BEAT_FRACTION = 2,    // "012:03.010" (thousandths of the beat)
    TIMEFMT_BEAT_FRACTION = 3,        // "03.010"
    TIMEFMT_CLOCK = 4,                // "1:02:05.50" (real time)
    TIMEFMT_DURATION = 5,             // "0002:240" (whole quarter notes, ticks)
};

// The character span [start, end] of one group of digits.
struct MCTimeGroupSpan {
    int start = 0;
    int end = 0;
};

// One display format.
struct MCTimeFormatInfo {
    unsigned formatId;          // the printf form (a string resource)
    unsigned emptyId;           // the empty form; 0 for none
    int limit;                  // the most characters typed
    int groups;                 // 2 or 3
    MCTimeGroupSpan spans[3];   // a missing group spans 0-0
};

// The format's record; a format outside 0-5 gets format 1's.
const MCTimeFormatInfo& GetTimeFormatInfo(int format);

// The text of a time in a format (see MCTimeEdit::FormatTimeString), with the
// conductor to convert musical positions by, or null. Answers 1, or 0 for a
// format outside 0-4 when the conductor is there and the time is not null.
int FormatTimeWith(std::string& text, const MCTime& time, ECConductor* conductor, int format, int showDuration,
                   int indeterminate);

// The time a text names in a format (see MCTimeEdit::GetTimeFromString).
MCTime ReadTimeWith(const char* text, ECConductor* conductor, int format, int showDuration);
