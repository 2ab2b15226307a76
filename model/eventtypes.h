// Event types: the number of every event class, its class name, its display
// name and the parent types it may hang under.
//
// The table is the one source of these facts: ECBase::GetParentTypes reads it
// for every class (a later class only answers its GetClassType), creation by
// number looks the class up by name in the run-time class registry (so a class
// is found as soon as its library registered it), and the display names are
// strings 11776 to 11828 of this library's string table (model/strings.cpp).
//
// Constant data; any thread may read it.
#pragma once

#include <span>

enum EventType : int {
    ET_ACCENT = 0,
    ET_ACCIDENTAL = 1,
    ET_ARPEGGIO = 2,
    ET_BANKLSB = 3,
    ET_BANKMSB = 4,
    ET_BARLINE = 5,
    ET_BASE = 6,
    ET_BEAM = 7,
    ET_BRAC = 8,
    ET_CHANNELMODE = 9,
    ET_CHANNELPRESSURE = 10,
    ET_CHORD = 11,
    ET_CHORDSYMBOL = 12,
    ET_CLEF = 13,
    ET_CONDUCTOR = 14,
    ET_CONDUCTORMEASURE = 15,
    ET_CONDUCTORSTAFF = 16,
    ET_CONTROLCHANGE = 17,
    ET_DOT = 18,
    ET_DYNAMIC = 19,
    ET_FLOWCONTROL = 20,
    ET_FRAME = 21,
    ET_GROUP = 22,
    ET_KEY = 23,
    ET_LYRIC = 24,
    ET_MEASURE = 25,
    ET_METER = 26,
    ET_MIRROR = 27,
    ET_MORDENT = 28,
    ET_NOTE = 29,
    ET_ORNAMENT = 30,
    ET_PEDAL = 31,
    ET_PERFORMANCE = 32,
    ET_PITCHBEND = 33,
    ET_POLYPRESSURE = 34,
    ET_PROGRAMCHANGE = 35,
    ET_REPEAT = 36,
    ET_REST = 37,
    ET_SLUR = 38,
    ET_STAFF = 39,
    ET_SYSTEMMESSAGE = 40,
    ET_TEMPO = 41,
    ET_TEXT = 42,
    ET_TIE = 43,
    ET_TRANSPOSE = 44,
    ET_TREMOLO = 45,
    ET_TRILL = 46,
    ET_TUPLET = 47,
    ET_TURN = 48,
    ET_WITHCHILD = 49,
    ET_WITHTIME = 50,
    ET_WITHTIMECHILD = 51,
    ET_PAN = 52,
    ET_TRACK = 53,
    ET_WAVE = 54,
    ET_WAVETRACK = 55,
    ET_GRACENOTE = 56,
    ET_COUNT = 57,
};

// The string ids of the display names. 11797 ("Group") and 11825 ("Track")
// exist without a type showing them; there is no 11783.
inline constexpr unsigned IDS_EVENT_FIRST = 11776;
inline constexpr unsigned IDS_EVENT_LAST = 11828;

// One row of the type table.
struct EventTypeInfo {
    int type;
    const char* className;     // null for ET_GROUP, which has no class
    unsigned stringId;         // 0: the type has no display name
    bool createdByNumber;      // whether ECBase::CreateEvent makes one
    int parentCount;
    int parents[4];            // in the order GetParentTypes appends them
};

// The row of a type, or null outside 0..56.
const EventTypeInfo* GetEventTypeInfo(int type);
// The parent types of a type's class; empty for the bases, the performance,
// ET_GROUP and numbers outside the table. ECText chooses its parent by its
// text type and answers itself; its row lists none.
std::span<const int> GetEventParentTypes(int type);
