#include "bench/notation/midigen.h"

#include "tests/support/smf_support.h"

#include <algorithm>
#include <numeric>
#include <string>

namespace midigen {

namespace {

// splitmix64: small, fast and the same everywhere.
class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed) {}

    uint64_t Next() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. count - 1 (the tiny bias of a modulo does not matter here).
    int Below(int count) { return static_cast<int>(Next() % static_cast<uint64_t>(count)); }
    bool Percent(int chance) { return Below(100) < chance; }

private:
    uint64_t m_state;
};

// A rhythm filling a span: note values in ticks, a negative value a rest,
// 0 after the last.
struct Cell {
    int weight;
    int ticks[5];
};

// One beat (480 ticks).
constexpr Cell BEAT_CELLS[] = {
    {6, {480}},                  // quarter
    {8, {240, 240}},             // eighths
    {4, {360, 120}},             // dotted eighth, sixteenth
    {1, {120, 360}},             // sixteenth, dotted eighth
    {5, {120, 120, 120, 120}},   // sixteenths
    {4, {240, 120, 120}},
    {3, {120, 120, 240}},
    {3, {160, 160, 160}},        // eighth triplet
    {2, {-240, 240}},            // off the beat
    {1, {-480}},                 // quarter rest
};

// Two beats, from beat 1 or 3.
constexpr Cell TWO_BEAT_CELLS[] = {
    {3, {960}},             // half
    {4, {720, 240}},        // dotted quarter, eighth
    {3, {240, 480, 240}},   // a quarter across the middle of the span
    {2, {320, 320, 320}},   // quarter triplet
};

// The half beat left at the start of a bar after a note held over the barline.
constexpr Cell HALF_BEAT_CELLS[] = {
    {3, {240}},
    {2, {120, 120}},
};

template <size_t N>
const Cell& Pick(Random& random, const Cell (&cells)[N]) {
    int total = 0;
    for (const Cell& cell : cells)
        total += cell.weight;
    int at = random.Below(total);
    for (const Cell& cell : cells) {
        if (at < cell.weight)
            return cell;
        at -= cell.weight;
    }
    return cells[N - 1];
}

constexpr int MAJOR[7] = {0, 2, 4, 5, 7, 9, 11};

// Pitches of a major key by scale degree: degree 0 is the tonic nearest
// above middle C's octave start; degrees run on below and above.
class Scale {
public:
    explicit Scale(int accidentals) : m_tonic(((accidentals * 7) % 12 + 12) % 12) {}

    int Pitch(int degree) const {
        const int octave = degree >= 0 ? degree / 7 : (degree - 6) / 7;
        return 60 + m_tonic + 12 * octave + MAJOR[degree - 7 * octave];
    }
    bool Holds(int pitch) const {
        const int step = ((pitch - m_tonic) % 12 + 12) % 12;
        return std::find(std::begin(MAJOR), std::end(MAJOR), step) != std::end(MAJOR);
    }
    // The highest degree whose pitch is at most `pitch`.
    int DegreeAtOrBelow(int pitch) const {
        int degree = -35;
        while (Pitch(degree + 1) <= pitch)
            ++degree;
        return degree;
    }

private:
    int m_tonic;
};

struct Register {
    int low, high;   // pitches a melody note stays within
};
constexpr Register TREBLE{60, 84};
constexpr Register BASS{40, 64};

struct NoteEvent {
    uint32_t tick;
    bool on;
    int key;
    int velocity;
};

// The channel of staff n: 1 to 9, then 11 to 16, then round again.
int ChannelOf(int staff) {
    const int channel = (staff - 1) % 15;
    return channel >= 9 ? channel + 1 : channel;
}

// One staff's notes.
class StaffWriter {
public:
    StaffWriter(const Scale& scale, Register range, uint64_t seed, int aim)
        : m_scale(scale), m_range(range), m_random(seed), m_aim(aim) {
        m_degree = m_scale.DegreeAtOrBelow((range.low + range.high) / 2);
    }

    void WriteBars(int bars) {
        int carry = 0;   // ticks of the bar already taken by a note held over the barline
        for (int bar = 0; bar < bars; ++bar) {
            // Behind the aim: busy rhythms and more chords; ahead: calmer.
            const bool behind = static_cast<int64_t>(m_notes) * bars < static_cast<int64_t>(m_aim) * bar;
            m_twoBeatChance = behind ? 10 : 55;
            m_chordChance = behind ? 16 : 4;
            const uint32_t start = static_cast<uint32_t>(bar) * BAR_TICKS;
            uint32_t tick = start;
            if (carry) {
                tick = Fill(start + carry, Pick(m_random, HALF_BEAT_CELLS));
                carry = 0;
            }
            for (int beat = 0; beat < BEATS_PER_BAR;) {
                const bool last = beat == BEATS_PER_BAR - 1;
                if (beat == 0 && tick != start) {
                    ++beat;   // the held-over note and the half-beat cell took beat 1
                } else if (beat % 2 == 0 && m_random.Percent(m_twoBeatChance)) {
                    tick = Fill(tick, Pick(m_random, TWO_BEAT_CELLS));
                    beat += 2;
                } else if (last && bar + 1 < bars && m_random.Percent(12)) {
                    // An eighth, then a quarter from the last half beat over the barline.
                    tick = Onset(tick, 240);
                    tick = Onset(tick, 480);
                    carry = 240;
                    ++beat;
                } else {
                    tick = Fill(tick, Pick(m_random, BEAT_CELLS));
                    ++beat;
                }
            }
        }
    }

    int GetNoteCount() const { return m_notes; }

    // The track: name, key, the notes (running status, velocity 0 for off)
    // and the end at `endTick`.
    smf_support::Track MakeTrack(int staff, int accidentals, uint32_t endTick) {
        std::stable_sort(m_events.begin(), m_events.end(), [](const NoteEvent& a, const NoteEvent& b) {
            return a.tick != b.tick ? a.tick < b.tick : (!a.on && b.on);   // offs before ons
        });
        smf_support::Track track;
        track.Text(0, 0x03, "Staff " + std::to_string(staff)).KeySignature(0, accidentals, 0);
        const int status = 0x90 | ChannelOf(staff);
        uint32_t last = 0;
        bool running = false;
        for (const NoteEvent& e : m_events) {
            track.Channel(e.tick - last, status, {e.key, e.on ? e.velocity : 0}, running);
            running = true;
            last = e.tick;
        }
        track.End(endTick - last);
        return track;
    }

private:
    uint32_t Fill(uint32_t tick, const Cell& cell) {
        for (const int ticks : cell.ticks) {
            if (ticks == 0)
                break;
            tick = ticks < 0 ? tick + static_cast<uint32_t>(-ticks) : Onset(tick, ticks);
        }
        return tick;
    }

    // A note or chord of `ticks` at `tick`; answers where it ends.
    uint32_t Onset(uint32_t tick, int ticks) {
        Step();
        int melody = m_scale.Pitch(m_degree);
        if (m_random.Percent(6)) {
            // A chromatic neighbour, where the semitone is outside the key.
            if (!m_scale.Holds(melody + 1))
                ++melody;
            else if (!m_scale.Holds(melody - 1))
                --melody;
        }
        const int velocity = 60 + m_random.Below(30) + (tick % BAR_TICKS == 0 ? 12 : 0);
        const uint32_t end = tick + static_cast<uint32_t>(ticks);
        Add(tick, end, melody, velocity);
        if (m_random.Percent(m_chordChance)) {
            // A third below, and a fifth below in one chord of three; above
            // the melody when it lies at the bottom of the register.
            const int direction = m_scale.Pitch(m_degree - 4) < m_range.low ? 1 : -1;
            const int count = m_random.Percent(50) ? 2 : 1;
            for (int n = 1; n <= count; ++n)
                Add(tick, end, m_scale.Pitch(m_degree + direction * 2 * n), velocity - 8);
        }
        return end;
    }

    void Add(uint32_t tick, uint32_t end, int key, int velocity) {
        m_events.push_back({tick, true, key, velocity});
        m_events.push_back({end, false, key, 0});
        ++m_notes;
    }

    // The melody moves by a step mostly, a leap now and then, turning back
    // at the register's edges.
    void Step() {
        static constexpr int STEPS[] = {-1, 1, -1, 1, -2, 2, 0, -3, 3, -4, 4};
        int next = m_degree + STEPS[m_random.Below(static_cast<int>(std::size(STEPS)))];
        if (m_scale.Pitch(next) < m_range.low || m_scale.Pitch(next) > m_range.high)
            next = m_degree + (m_degree - next);
        if (m_scale.Pitch(next) >= m_range.low && m_scale.Pitch(next) <= m_range.high)
            m_degree = next;
    }

    const Scale& m_scale;
    Register m_range;
    Random m_random;
    int m_aim;   // notes in all the bars
    int m_degree = 0;
    int m_twoBeatChance = 0;
    int m_chordChance = 0;
    int m_notes = 0;
    std::vector<NoteEvent> m_events;
};

}   // namespace

Shape ShapeOf(Size size) {
    switch (size) {
    case Size::Small:
        return {2, 32, 300};
    case Size::Medium:
        return {8, 200, 1875};
    case Size::Large:
        return {16, 1000, 7500};
    case Size::Long:
        return {4, 1000, 7500};
    }
    return {2, 32, 300};
}

std::optional<Size> ParseSize(std::string_view name) {
    for (const Size size : {Size::Small, Size::Medium, Size::Large, Size::Long})
        if (name == NameOf(size))
            return size;
    return std::nullopt;
}

const char* NameOf(Size size) {
    switch (size) {
    case Size::Small:
        return "small";
    case Size::Medium:
        return "medium";
    case Size::Large:
        return "large";
    case Size::Long:
        return "long";
    }
    return "";
}

int Piece::GetNoteCount() const { return std::accumulate(notesPerStaff.begin(), notesPerStaff.end(), 0); }

Piece Generate(Size size, uint64_t seed) {
    const Shape shape = ShapeOf(size);
    Random random(seed ^ (static_cast<uint64_t>(size) << 56));
    Piece piece;
    piece.staves = shape.staves;
    piece.bars = shape.bars;
    piece.keyAccidentals = random.Below(9) - 4;
    const Scale scale(piece.keyAccidentals);
    const auto endTick = static_cast<uint32_t>(shape.bars) * BAR_TICKS;

    smf_support::Track conductor;
    conductor.Tempo(0, 500000).TimeSignature(0, BEATS_PER_BAR, 2).KeySignature(0, piece.keyAccidentals, 0).End(endTick);
    smf_support::File file(1, PPQ);
    file.Add(conductor);
    for (int staff = 1; staff <= shape.staves; ++staff) {
        // Each staff its own stream, so one staff's notes do not shift another's.
        StaffWriter writer(scale, staff % 2 ? TREBLE : BASS, random.Next(), shape.notesPerStaff);
        writer.WriteBars(shape.bars);
        file.Add(writer.MakeTrack(staff, piece.keyAccidentals, endTick));
        piece.notesPerStaff.push_back(writer.GetNoteCount());
    }
    piece.bytes = file.GetBytes();
    return piece;
}

}   // namespace midigen
