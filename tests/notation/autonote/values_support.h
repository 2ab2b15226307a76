// What the end-to-end value tests share with the golden files: three bars of
// 4/4 at 480 ticks a quarter, one melody on channel 1 (melody.h).
//   bar 1  C4 a quarter, D4 and E4 eighths, F4 a half
//   bar 2  G4 a dotted quarter, A4 an eighth, B4 three beats from beat 3
//          (on over the bar line)
//   bar 3  C5 three beats from beat 2
// Notated q e e h | q. e h~ | q h. and the empty bar the reader adds after
// the music (golden "values-in-three-bars").
#pragma once

#include "tests/notation/support/melody.h"

#include <cstdint>
#include <vector>

namespace values_test {

constexpr int DIVISION = 480;
constexpr int Q = DIVISION;   // a quarter

inline std::vector<notation_test::PlayedNote> ThreeBarsPlayed() {
    return {
        {60, 0, Q},
        {62, Q, Q / 2},
        {64, 3 * Q / 2, Q / 2},
        {65, 2 * Q, 2 * Q},
        {67, 4 * Q, 3 * Q / 2},
        {69, 11 * Q / 2, Q / 2},
        {71, 6 * Q, 3 * Q},
        {72, 9 * Q, 3 * Q},
    };
}

inline std::vector<uint8_t> ThreeBarsFile(const std::vector<notation_test::PlayedNote>& notes) {
    return notation_test::MelodyFile(notes, DIVISION, {4, 2});
}

}  // namespace values_test
