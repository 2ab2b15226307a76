// Intervals between written notes and between MIDI keys.
#include "notation/layout/pitchutils.h"

#include <cstdlib>

namespace {

constexpr int kNaturalSize[7] = {0, 2, 4, 5, 7, 9, 11};

bool IsPerfectClass(int steps) {
    const int n = std::abs(steps) % 7;
    return n == 0 || n == 3 || n == 4;
}

int PositiveMod(int value, int modulus) {
    const int r = value % modulus;
    return r < 0 ? r + modulus : r;
}

// Semitones from the natural size that a quality stands for; 0 for codes
// outside the class.
int PerfectDeviation(uint8_t quality) {
    static constexpr int kDeviation[9] = {0, 0, 0, 1, -1, 2, -2, 3, -3};
    return quality < 9 ? kDeviation[quality] : 0;
}
int MajMinDeviation(uint8_t quality) {
    static constexpr int kDeviation[9] = {0, 0, -1, 1, -2, 2, -3, 3, -4};
    return quality < 9 ? kDeviation[quality] : 0;
}

}  // namespace

MCPitchUtils::~MCPitchUtils() = default;

int MCPitchUtils::OrderedInterval(const uint8_t& first, const uint8_t& second) const {
    return second - first;
}

int MCPitchUtils::UnorderedInterval(const uint8_t& first, const uint8_t& second) const {
    return std::abs(second - first);
}

int MCPitchUtils::OrderedPCInterval(const uint8_t& first, const uint8_t& second) const {
    return PositiveMod(second - first, 12);
}

int MCPitchUtils::UnorderedPCInterval(const uint8_t& first, const uint8_t& second) const {
    const int up = OrderedPCInterval(first, second);
    const int down = OrderedPCInterval(second, first);
    return up < down ? up : down;
}

uint8_t MCPitchUtils::PerfectQuality(int deviation) {
    switch (deviation) {
    case 0: return PERFECT;
    case 1: return AUGMENTED;
    case -1: return DIMINISHED;
    case 2: return DOUBLY_AUGMENTED;
    case -2: return DOUBLY_DIMINISHED;
    case 3: return TRIPLY_AUGMENTED;
    case -3: return TRIPLY_DIMINISHED;
    default: return PERFECT;
    }
}

uint8_t MCPitchUtils::MajMinQuality(int deviation) {
    switch (deviation) {
    case 0: return MAJOR;
    case -1: return MINOR;
    case 1: return AUGMENTED;
    case -2: return DIMINISHED;
    case 2: return DOUBLY_AUGMENTED;
    case -3: return DOUBLY_DIMINISHED;
    case 3: return TRIPLY_AUGMENTED;
    case -4: return TRIPLY_DIMINISHED;
    default: return PERFECT;
    }
}

MCPitchUtils::INTERVAL MCPitchUtils::OrderedInterval(const MCPitch& first, const MCPitch& second) const {
    const int steps = second.GetStaffDegree() - first.GetStaffDegree();
    const int semitones = (second.GetMidiPitch() - first.GetMidiPitch()) % 12;
    int deviation;
    if (steps >= 0) {
        deviation = semitones - kNaturalSize[steps % 7];
    } else {
        // Downward: the quality of the same interval taken upward from the
        // second note to the first, read back from its inversion.
        const int inverted = PositiveMod(steps, 7);
        deviation = PositiveMod(semitones + 12, 12) - kNaturalSize[inverted];
        deviation = IsPerfectClass(inverted) ? -deviation : -(deviation + 1);
    }
    if (deviation > 6)
        deviation -= 12;
    else if (deviation < -6)
        deviation += 12;
    INTERVAL interval;
    interval.size = steps;
    interval.quality = IsPerfectClass(steps) ? PerfectQuality(deviation) : MajMinQuality(deviation);
    return interval;
}

MCPitchUtils::INTERVAL MCPitchUtils::UnorderedInterval(const MCPitch& first, const MCPitch& second) const {
    INTERVAL interval = OrderedInterval(first, second);
    interval.size = std::abs(interval.size);
    return interval;
}

MCPitchUtils::INTERVAL MCPitchUtils::OrderedPCInterval(const MCPitch& first, const MCPitch& second) const {
    INTERVAL interval = OrderedInterval(first, second);
    interval.size = PositiveMod(interval.size, 7);
    return interval;
}

MCPitchUtils::INTERVAL MCPitchUtils::UnorderedPCInterval(const MCPitch& first, const MCPitch& second) const {
    const INTERVAL up = OrderedPCInterval(first, second);
    const INTERVAL down = OrderedPCInterval(second, first);
    return up.size < down.size ? up : down;
}

int MCPitchUtils::OrderedDiatonic(const MCPitch& first, const MCPitch& second) const {
    return second.GetStaffDegree() - first.GetStaffDegree();
}

int MCPitchUtils::UnorderedDiatonic(const MCPitch& first, const MCPitch& second) const {
    return std::abs(OrderedDiatonic(first, second));
}

int MCPitchUtils::QualityDifference(const INTERVAL& wanted, const INTERVAL& found) {
    const bool perfect = IsPerfectClass(wanted.size);
    auto deviation = [perfect](uint8_t quality) {
        return perfect ? PerfectDeviation(quality) : MajMinDeviation(quality);
    };
    const int difference = deviation(wanted.quality) - deviation(found.quality);
    return wanted.size < 0 ? -difference : difference;
}

MCPitch MCPitchUtils::GetPitchFromInterval(const MCPitch& pitch, const INTERVAL& interval) const {
    const int staffDegree = pitch.GetStaffDegree() + interval.size;
    const int degree = PositiveMod(staffDegree, 7);
    const int octave = (staffDegree - degree) / 7;
    const int natural = kNaturalSize[degree] + octave * 12;

    MCPitch result;
    result.SetField(4, 0x7, static_cast<unsigned>(degree));
    result.SetOctave(static_cast<uint8_t>(octave));
    result.SetAccidental(0);
    result.SetMidiPitch(static_cast<uint8_t>(natural));

    const int difference = QualityDifference(interval, OrderedInterval(pitch, result));
    const int key = natural + difference;
    if (difference >= -2 && difference <= 2) {
        result.SetAccidental(static_cast<signed char>(difference));
        result.SetMidiPitch(static_cast<uint8_t>(key));
    } else {
        result.SetPitch(static_cast<uint8_t>(key), 0, 1);
    }
    result.SetDirty(0);
    return result;
}
