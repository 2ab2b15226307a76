// The generated pieces of the printed-page checks.
#include "tests/notation/support/printpieces.h"

#include "tests/support/smf_support.h"

#include <algorithm>
#include <random>

namespace page_check {

namespace {

constexpr int Q = kPieceDivision;          // a quarter
constexpr int E = Q / 2;                   // an eighth
constexpr int S = Q / 4;                   // a sixteenth
constexpr int kBar = 4 * Q;

// 0 to n - 1 from the generator's raw output (no standard distribution:
// their output is the library's choice).
int Below(std::mt19937& random, int n) { return n > 0 ? static_cast<int>(random() % static_cast<unsigned>(n)) : 0; }

// Dotted rhythms, each filling a bar of 4/4.
const std::vector<std::vector<int>> kDottedBars = {
    {Q + E, E, Q + E, E},
    {E + S, S, Q, Q + E, E},
    {3 * Q, Q},
    {Q, Q + E, E, Q},
    {E + S, S, E + S, S, 2 * Q},
};

// Quarters and eighths, each filling a bar.
const std::vector<std::vector<int>> kPlainBars = {
    {Q, Q, Q, Q},
    {E, E, Q, E, E, Q},
    {2 * Q, Q, Q},
    {Q, E, E, 2 * Q},
};

}  // namespace

int PlayedLength(int length) {
    const int whole = (length - 1) / Q * Q;
    return whole + (length - whole) * 66 / 100;
}

Piece LinePiece(uint32_t seed) {
    std::mt19937 random(seed);
    Piece piece{"line " + std::to_string(seed), {StaffNotes()}, {""}};
    int key = 67;
    int tick = 0;
    for (int bar = 0; bar < 24; ++bar) {
        for (int length : kDottedBars[Below(random, static_cast<int>(kDottedBars.size()))]) {
            // A walk of steps up to a third, black keys included: sharps and
            // flats out of C major.
            key = std::clamp(key + Below(random, 9) - 4, 58, 81);
            piece.staves[0].push_back({key, tick, length});
            tick += length;
        }
    }
    return piece;
}

Piece PianoPiece(uint32_t seed) {
    std::mt19937 random(seed);
    Piece piece{"piano " + std::to_string(seed), {StaffNotes(), StaffNotes()}, {"Right", "Left"}};
    // Chord shapes over their lowest key: some hold a second.
    const std::vector<std::vector<int>> upper = {{0, 4, 7}, {0, 2, 5}, {0, 3, 8}, {0, 1, 5}, {0, 5, 9}};
    const std::vector<std::vector<int>> lower = {{0, 7}, {0, 2}, {0, 12}, {0, 4}};
    int tick = 0;
    for (int bar = 0; bar < 16; ++bar) {
        for (int length : kPlainBars[Below(random, static_cast<int>(kPlainBars.size()))]) {
            const int top = 62 + Below(random, 12);
            for (int step : upper[Below(random, static_cast<int>(upper.size()))])
                piece.staves[0].push_back({top + step, tick, length});
            tick += length;
        }
    }
    tick = 0;
    for (int bar = 0; bar < 16; ++bar) {
        for (int length : {2 * Q, 2 * Q}) {
            const int bottom = 40 + Below(random, 10);
            for (int step : lower[Below(random, static_cast<int>(lower.size()))])
                piece.staves[1].push_back({bottom + step, tick, length});
            tick += length;
        }
    }
    return piece;
}

Piece EnsemblePiece(uint32_t seed) {
    std::mt19937 random(seed);
    Piece piece;
    piece.name = "ensemble " + std::to_string(seed);
    const int lowest[] = {74, 67, 62, 57, 50, 45, 40, 33};   // each staff's range: an octave up from here
    for (int low : lowest) {
        StaffNotes notes;
        int tick = 0;
        for (int bar = 0; bar < 200; ++bar) {
            for (int length : kPlainBars[Below(random, static_cast<int>(kPlainBars.size()))]) {
                notes.push_back({low + Below(random, 13), tick, length});
                tick += length;
            }
        }
        piece.staves.push_back(std::move(notes));
        piece.names.emplace_back();
    }
    return piece;
}

std::vector<uint8_t> PieceFile(const Piece& piece) {
    smf_support::Track conductor;
    conductor.Tempo(0, 500000).TimeSignature(0, 4, 2).End();
    smf_support::File file(1, kPieceDivision);
    file.Add(conductor);
    for (size_t staff = 0; staff < piece.staves.size(); ++staff) {
        const int channel = static_cast<int>(staff);
        // Releases before strikes at one tick: the notes of a line follow
        // each other without overlapping.
        struct Edge {
            int tick;
            bool on;
            int key;
        };
        std::vector<Edge> edges;
        for (const notation_test::PlayedNote& note : piece.staves[staff]) {
            edges.push_back({note.start, true, note.key});
            edges.push_back({note.start + PlayedLength(note.length), false, note.key});
        }
        std::stable_sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) {
            return a.tick != b.tick ? a.tick < b.tick : (!a.on && b.on);
        });
        smf_support::Track track;
        if (staff < piece.names.size() && !piece.names[staff].empty())
            track.Text(0, 0x03, piece.names[staff]);
        int now = 0;
        for (const Edge& edge : edges) {
            const auto delta = static_cast<uint32_t>(edge.tick - now);
            if (edge.on)
                track.NoteOn(delta, channel, edge.key, 90);
            else
                track.NoteOff(delta, channel, edge.key);
            now = edge.tick;
        }
        track.End();
        file.Add(track);
    }
    return file.GetBytes();
}

}  // namespace page_check
