// Golden files of the notation tests: `<case>.txt` beside `<case>.mid` in
// tests/data/notation/, compared exactly with a dump.
//
// A golden changes only through the explicit switch: with the environment
// variable STAFFWRIGHT_UPDATE_GOLDENS=1 a comparison writes the text (and a
// case's generated `.mid`) instead of comparing, and says so as a failure, so
// a run that rewrote files is never mistaken for a passing one. Check what
// was written by hand before committing it (DUMP.md).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace notation_golden {

// The path of a file under tests/data/notation/.
std::string DataPath(const std::string& file);

// Whether STAFFWRIGHT_UPDATE_GOLDENS is set to 1.
bool UpdatingGoldens();

// `text` against `<name>.txt`: success when equal; otherwise the first line
// that differs. Updating: writes the file and fails with a note saying so.
::testing::AssertionResult MatchesGolden(const std::string& name, const std::string& text);

// For a case whose `.mid` a test writes from a note table: the stored
// `<name>.mid` must hold exactly `bytes`. Updating: writes them and fails
// with a note saying so.
::testing::AssertionResult MatchesStoredMidi(const std::string& name, const std::vector<uint8_t>& bytes);

}  // namespace notation_golden
