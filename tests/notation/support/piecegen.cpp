// Seeded pieces and edits for the renotation checker (piecegen.h).
#include "tests/notation/support/piecegen.h"

#include <algorithm>

namespace renotation_check {
namespace {

constexpr int SIXTEENTH = TICKS / 4;
constexpr int EIGHTH = TICKS / 2;
constexpr int LOWEST_KEY = 48;
constexpr int HIGHEST_KEY = 84;

struct Weighted {
    EditKind kind;
    int weight;
};
// Notes are edited most, the piece's frame now and then.
constexpr Weighted kEditWeights[] = {
    {EditKind::ADD_NOTE, 22},       {EditKind::REMOVE_NOTE, 14},    {EditKind::MOVE_NOTE, 10},
    {EditKind::LENGTHEN_NOTE, 10},  {EditKind::INSERT_MEASURES, 9}, {EditKind::REMOVE_MEASURES, 8},
    {EditKind::ADD_METER, 6},       {EditKind::REMOVE_METER, 4},    {EditKind::ADD_KEY, 5},
    {EditKind::REMOVE_KEY, 3},      {EditKind::ADD_CLEF, 5},        {EditKind::REMOVE_CLEF, 4},
};

struct MeterChoice {
    int numerator;
    int denominator;
};
constexpr MeterChoice kAddedMeters[] = {{2, 4}, {3, 4}, {4, 4}, {3, 8}, {5, 8}, {6, 8}};
constexpr unsigned char kClefs[] = {0, 3, 7};   // treble, bass, alto

int BarTicks(const notation_test::Meter& meter) {
    return meter.numerator * 4 * TICKS / (1 << meter.power);
}

}  // namespace

const char* KindName(EditKind kind) {
    switch (kind) {
    case EditKind::ADD_NOTE: return "add";
    case EditKind::REMOVE_NOTE: return "remove";
    case EditKind::MOVE_NOTE: return "move";
    case EditKind::LENGTHEN_NOTE: return "lengthen";
    case EditKind::INSERT_MEASURES: return "insert measures";
    case EditKind::REMOVE_MEASURES: return "remove measures";
    case EditKind::ADD_METER: return "add meter";
    case EditKind::REMOVE_METER: return "remove meter";
    case EditKind::ADD_KEY: return "add key";
    case EditKind::REMOVE_KEY: return "remove key";
    case EditKind::ADD_CLEF: return "add clef";
    case EditKind::REMOVE_CLEF: return "remove clef";
    }
    return "?";
}

int Generator::Below(int n) {
    if (n <= 1)
        return 0;
    return static_cast<int>(m_random() % static_cast<uint32_t>(n));
}

StartingPiece Generator::Piece() {
    StartingPiece piece;
    static const notation_test::Meter kMeters[] = {{4, 2}, {3, 2}, {6, 3}};
    piece.meter = kMeters[Below(3)];
    piece.bars = Between(3, 4);
    const int barTicks = BarTicks(piece.meter);
    switch (Below(5)) {
    case 0: Legato(piece, barTicks); break;
    case 1: Staccato(piece, barTicks); break;
    case 2: Ties(piece, barTicks); break;
    case 3: Chords(piece, barTicks); break;
    default: Mixed(piece, barTicks); break;
    }
    // A second voice above: a few long notes from a bar's start.
    if (Below(3) == 0) {
        for (int bar = 0; bar < piece.bars; ++bar) {
            if (Below(2) == 0)
                continue;
            const int length = Below(2) == 0 ? barTicks : barTicks / 2;
            piece.upper.push_back({Between(72, HIGHEST_KEY), bar * barTicks, length});
        }
    }
    return piece;
}

void Generator::Legato(StartingPiece& piece, int barTicks) {
    piece.manner = "legato";
    const int beat = piece.meter.power == 3 ? 3 * EIGHTH : TICKS;   // a dotted quarter in 6/8
    const int held = beat * Between(10, 25) / 100;   // into the next beat
    for (int at = 0; at < piece.bars * barTicks; at += beat)
        piece.played.push_back({Between(LOWEST_KEY + 12, HIGHEST_KEY - 12), at, beat + held});
}

void Generator::Staccato(StartingPiece& piece, int barTicks) {
    piece.manner = "staccato";
    for (int at = 0; at < piece.bars * barTicks; at += EIGHTH)
        if (Below(3) != 0)
            piece.played.push_back({Between(LOWEST_KEY + 12, HIGHEST_KEY - 12), at, EIGHTH * Between(25, 60) / 100});
}

void Generator::Ties(StartingPiece& piece, int barTicks) {
    piece.manner = "ties";
    const int end = piece.bars * barTicks;
    for (int at = Below(4) * EIGHTH; at < end;) {
        const int length = std::min(EIGHTH * Between(3, 12), end - at);
        piece.played.push_back({Between(LOWEST_KEY + 12, HIGHEST_KEY - 12), at, length});
        at += length;
    }
}

void Generator::Chords(StartingPiece& piece, int barTicks) {
    piece.manner = "chords";
    for (int at = 0; at < piece.bars * barTicks; at += TICKS) {
        if (Below(4) == 0)
            continue;
        const int length = TICKS * Between(1, 2);
        const int root = Between(LOWEST_KEY + 5, HIGHEST_KEY - 12);
        const int keys = Between(2, 3);
        for (int k = 0; k < keys; ++k)
            piece.played.push_back({root + k * Between(3, 4), at, length});
        at += length - TICKS;
    }
}

void Generator::Mixed(StartingPiece& piece, int barTicks) {
    piece.manner = "mixed";
    const int count = Between(4, 10);
    for (int i = 0; i < count; ++i)
        piece.played.push_back({Between(LOWEST_KEY, HIGHEST_KEY), SIXTEENTH * Below(piece.bars * barTicks / SIXTEENTH),
                                SIXTEENTH * Between(1, 8)});
    std::stable_sort(piece.played.begin(), piece.played.end(),
                     [](const notation_test::PlayedNote& a, const notation_test::PlayedNote& b) { return a.start < b.start; });
}

Edit Generator::NextEdit(bool twoVoices) {
    int total = 0;
    for (const Weighted& w : kEditWeights)
        total += w.weight;
    int roll = Below(total);
    Edit edit;
    for (const Weighted& w : kEditWeights) {
        if (roll < w.weight) {
            edit.kind = w.kind;
            break;
        }
        roll -= w.weight;
    }
    edit.pick = static_cast<unsigned>(m_random());
    // A place on the sixteenth grid mostly, anywhere now and then (the time
    // correction pass places it).
    edit.offset = Below(4) == 0 ? Below(4 * TICKS) : SIXTEENTH * Below(16);
    edit.length = Below(4) == 0 ? Between(16, 3 * TICKS) : SIXTEENTH * Between(1, 12);
    edit.key = Between(LOWEST_KEY, HIGHEST_KEY);
    edit.voice = twoVoices && Below(3) == 0 ? 1 : 0;
    edit.count = Below(4) == 0 ? 2 : 1;
    const MeterChoice& meter = kAddedMeters[Below(static_cast<int>(std::size(kAddedMeters)))];
    edit.numerator = meter.numerator;
    edit.denominator = meter.denominator;
    edit.accidentals = Between(-4, 4);
    edit.clef = kClefs[Below(static_cast<int>(std::size(kClefs)))];
    return edit;
}

}  // namespace renotation_check
