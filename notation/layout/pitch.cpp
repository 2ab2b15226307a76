// Spelling MIDI keys as written notes, and the percussion map.
#include "notation/layout/pitch.h"

namespace {

constexpr uint16_t kDirty = 0x1;
constexpr uint16_t kUserSpelled = 0x2;
constexpr uint16_t kShowAccidental = 0x8;
constexpr uint16_t kNatural = 2 << 7;   // accidental field: accidental + 2

// One spelling of a pitch class: its degree and the octave adjustment (B sharp
// belongs to the octave below its key, C flat to the one above).
struct Spelling {
    signed char degree;   // -1: no spelling with this accidental
    signed char octave;
};
constexpr Spelling None = {-1, 0};
constexpr signed char C = 0, D = 1, E = 2, F = 3, G = 4, A = 5, B = 6;

// Rows by accidental preference -2 ... +2, columns by pitch class.
constexpr Spelling kSpellings[5][12] = {
    {{D, 0}, None, {E, 0}, {F, 0}, None, {G, 0}, None, {A, 0}, None, {B, 0}, {C, 1}, None},
    {None, {D, 0}, None, {E, 0}, {F, 0}, None, {G, 0}, None, {A, 0}, None, {B, 0}, {C, 1}},
    {{C, 0}, None, {D, 0}, None, {E, 0}, {F, 0}, None, {G, 0}, None, {A, 0}, None, {B, 0}},
    {{B, -1}, {C, 0}, None, {D, 0}, None, {E, 0}, {F, 0}, None, {G, 0}, None, {A, 0}, None},
    {None, {B, -1}, {C, 0}, None, {D, 0}, None, {E, 0}, {F, 0}, None, {G, 0}, None, {A, 0}},
};

constexpr int kNaturalPitch[7] = {0, 2, 4, 5, 7, 9, 11};

// How a pitch class is spelled on a degree: the accidental, brought into
// -5..+6, and the octave that moving it by 12 implies.
struct DegreeSpelling {
    int accidental;
    int octave;
};
constexpr DegreeSpelling SpellOnDegree(int degree, int pitchClass) {
    int accidental = pitchClass - kNaturalPitch[degree];
    if (accidental > 6)
        return {accidental - 12, 1};
    if (accidental < -5)
        return {accidental + 12, -1};
    return {accidental, 0};
}

// The percussion map: per key a notehead and a byte with the staff degree in
// bits 0-6 and the voice in bit 7 (1 the lower voice).
struct PercussionEntry {
    uint8_t notehead;
    uint8_t degreeAndVoice;
};
constexpr uint8_t kLowerVoice = 0x80;

struct PercussionRow {
    int first, last;
    PercussionEntry entry;
};
// Keys not listed: notehead 0 on staff degree 17, upper voice; 120-127 all 0.
constexpr PercussionRow kPercussionRows[] = {
    {31, 31, {1, 18}}, {35, 36, {0, 10 | kLowerVoice}}, {37, 37, {1, 14}}, {38, 38, {0, 14}},
    {39, 39, {0, 18}}, {40, 40, {0, 14}}, {41, 41, {0, 12}}, {42, 42, {1, 17}},
    {43, 43, {0, 16}}, {44, 44, {1, 8 | kLowerVoice}}, {45, 45, {0, 13}}, {46, 46, {1, 17}},
    {47, 47, {0, 15}}, {48, 48, {0, 16}}, {49, 49, {1, 19}}, {50, 50, {0, 16}},
    {51, 51, {1, 18}}, {52, 52, {1, 20}}, {53, 53, {2, 18}}, {54, 54, {1, 17}},
    {55, 55, {1, 21}}, {56, 56, {2, 22}}, {57, 57, {1, 20}}, {58, 58, {3, 17}},
    {59, 59, {1, 17}}, {60, 60, {0, 12}}, {61, 62, {0, 16}}, {63, 63, {0, 12}},
    {64, 64, {0, 16}}, {65, 65, {3, 12}}, {66, 66, {3, 17}}, {67, 68, {2, 17}},
    {120, 127, {0, 0}},
};

struct PercussionMap {
    PercussionEntry entries[128];
    PercussionMap() {
        for (auto& entry : entries)
            entry = {0, 17};
        for (const auto& row : kPercussionRows)
            for (int key = row.first; key <= row.last; ++key)
                entries[key] = row.entry;
    }
};
PercussionMap& Map() {
    static PercussionMap map;
    return map;
}

}  // namespace

MCPitch::MCPitch() : m_word(kDirty | kShowAccidental | kNatural), m_key(0) {}

MCPitch::MCPitch(uint8_t key, signed char preference) : MCPitch() {
    SetPitch(key, preference, 1);
}

MCPitch::MCPitch(const MCPitch& other)
    : m_word(static_cast<uint16_t>(other.m_word & ~kUserSpelled)), m_key(other.m_key) {}

MCPitch& MCPitch::operator=(const MCPitch& other) {
    m_word = static_cast<uint16_t>((other.m_word & ~kUserSpelled) | (m_word & kUserSpelled));
    m_key = other.m_key;
    return *this;
}

MCPitch::~MCPitch() = default;

void MCPitch::SetSpelling(int degree, int octave, int accidental) {
    SetField(4, 0x7, static_cast<unsigned>(degree));
    SetOctave(static_cast<uint8_t>(octave));
    SetAccidental(static_cast<signed char>(accidental));
}

void MCPitch::SetPitch(uint8_t key, signed char preference, int showAccidental) {
    int row = preference < -2 ? -2 : preference > 2 ? 2 : preference;
    const int pitchClass = key % 12;
    // No spelling with this accidental: one step sharper. A double sharp has
    // none sharper; its gaps are spelled with one sharp.
    if (kSpellings[row + 2][pitchClass].degree < 0)
        row = row == 2 ? 1 : row + 1;
    // The octave field cannot hold octave -1: B sharp and B double sharp of
    // the lowest keys are spelled one step flatter (C, C sharp).
    while (key / 12 + kSpellings[row + 2][pitchClass].octave < 0)
        --row;
    const Spelling& cell = kSpellings[row + 2][pitchClass];
    SetSpelling(cell.degree, key / 12 + cell.octave, row);
    m_key = key;
    SetShowAccidental(showAccidental);
    SetDirty(0);
}

void MCPitch::SetPitchByDegree(uint8_t key, uint8_t degree) {
    const int pitchClass = key % 12;
    int d = degree % 7;
    DegreeSpelling cell = SpellOnDegree(d, pitchClass);
    while (cell.accidental > 2) {
        d = (d + 1) % 7;
        cell = SpellOnDegree(d, pitchClass);
    }
    while (cell.accidental < -2) {
        d = d == 0 ? 6 : d - 1;
        cell = SpellOnDegree(d, pitchClass);
    }
    if (key / 12 + cell.octave < 0) {
        // B sharp below key 12 would need octave -1: spell it as written
        // without a preference instead.
        SetPitch(key, 0, 1);
        return;
    }
    SetSpelling(d, key / 12 + cell.octave, cell.accidental);
    m_key = key;
    SetShowAccidental(1);
    SetDirty(0);
}

void MCPitch::ToggleEnharmonic() {
    const int code = GetAccidental() + 2;
    const int pitchClass = m_key % 12;
    auto has = [pitchClass](int rowCode) {
        return rowCode >= 0 && rowCode <= 4 && kSpellings[rowCode][pitchClass].degree >= 0;
    };
    int rowCode;
    if (code > 2)
        rowCode = has(code - 1) ? code - 1 : code - 2;
    else if (code < 2)
        rowCode = has(code + 1) ? code + 1 : code + 2;
    else if (pitchClass == 4 || pitchClass == 11)
        rowCode = 1;   // F flat, C flat
    else
        return;        // a natural C, D, F, G or A has no other plain spelling
    if (!has(rowCode))
        return;
    const Spelling& cell = kSpellings[rowCode][pitchClass];
    if (m_key / 12 + cell.octave < 0)
        return;
    SetSpelling(cell.degree, m_key / 12 + cell.octave, rowCode - 2);
}

void MCPitch::SetDegree(uint8_t staffDegree) {
    SetOctave(static_cast<uint8_t>(staffDegree / 7));
    SetField(4, 0x7, staffDegree % 7);
}

void MCPitch::SetPercussion(int percussion) {
    SetField(2, 1, percussion);
    if (percussion & 1)
        SetDegree(Map().entries[m_key & 0x7F].degreeAndVoice & 0x7F);
}

int MCPitch::GetVoiceFromPercussionPitch() const {
    return Map().entries[m_key & 0x7F].degreeAndVoice >> 7;
}

uint8_t MCPitch::GetNoteheadFromPercussionPitch() const {
    return Map().entries[m_key & 0x7F].notehead;
}

uint8_t MCPitch::StaffDegreeToMidiPitch(uint8_t staffDegree) {
    for (int key = 27; key < 128; ++key) {
        if ((Map().entries[key].degreeAndVoice & 0x7F) != staffDegree)
            continue;
        // The usual instrument of the line rather than the first key on it.
        switch (key) {
        case 27: return 42;
        case 37: return 38;
        case 43: return 48;
        default: return static_cast<uint8_t>(key);
        }
    }
    return 60;
}

void MCPitch::SetPercussionMapEntry(unsigned key, uint8_t staffDegree, uint8_t notehead, int voice) {
    if (key >= 128)
        return;
    Map().entries[key] = {notehead, static_cast<uint8_t>((staffDegree & 0x7F) | ((voice & 1) << 7))};
}

int MCPitch::DegreeToPitch(int degree) {
    return degree >= 1 && degree <= 6 ? kNaturalPitch[degree] : 0;
}

int MCPitch::PitchToDegree(int pitchClass) {
    static constexpr int kDegrees[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};
    return pitchClass >= 0 && pitchClass < 12 ? kDegrees[pitchClass] : 0;
}

int MCPitch::Compare(const MCPitch& other) const {
    int first, second;
    if (IsPercussion()) {
        first = GetOctave() - other.GetOctave();
        second = GetDegree() - other.GetDegree();
    } else {
        first = m_key - other.m_key;
        second = GetDegree() - other.GetDegree();
    }
    return first != 0 ? first : second;
}

bool MCPitch::operator==(const MCPitch& other) const {
    return Compare(other) == 0;
}
