// Golden files of the notation tests.
#include "tests/notation/support/golden.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace notation_golden {
namespace {

constexpr const char* UPDATE_SWITCH = "STAFFWRIGHT_UPDATE_GOLDENS";

bool ReadAll(const std::string& path, std::string& contents) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    contents.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool WriteAll(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    return static_cast<bool>(out);
}

::testing::AssertionResult Rewritten(const std::string& path, bool written) {
    if (!written)
        return ::testing::AssertionFailure() << "could not write " << path;
    return ::testing::AssertionFailure() << "rewrote " << path << " (" << UPDATE_SWITCH
                                         << "=1): check it by hand before committing";
}

// The first line where the two texts part, with both versions.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
    std::istringstream a(expected);
    std::istringstream b(actual);
    std::string lineA;
    std::string lineB;
    for (int number = 1;; ++number) {
        const bool moreA = static_cast<bool>(std::getline(a, lineA));
        const bool moreB = static_cast<bool>(std::getline(b, lineB));
        if (!moreA && !moreB)
            return "the texts differ only in their line ends";
        if (!moreA || !moreB || lineA != lineB) {
            std::ostringstream out;
            out << "line " << number << "\n  golden: " << (moreA ? lineA : "(end of file)")
                << "\n  dump:   " << (moreB ? lineB : "(end of text)");
            return out.str();
        }
    }
}

}  // namespace

std::string DataPath(const std::string& file) {
    return std::string(STAFFWRIGHT_TEST_DATA) + "/notation/" + file;
}

bool UpdatingGoldens() {
    const char* value = std::getenv(UPDATE_SWITCH);
    return value && std::string(value) == "1";
}

::testing::AssertionResult MatchesGolden(const std::string& name, const std::string& text) {
    const std::string path = DataPath(name + ".txt");
    if (UpdatingGoldens())
        return Rewritten(path, WriteAll(path, text));
    std::string golden;
    if (!ReadAll(path, golden))
        return ::testing::AssertionFailure() << "no golden " << path << "; make it with " << UPDATE_SWITCH << "=1";
    if (golden == text)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << path << " differs at " << FirstDifference(golden, text) << "\n(run with "
                                         << UPDATE_SWITCH << "=1 only when the change is meant)";
}

::testing::AssertionResult MatchesStoredMidi(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = DataPath(name + ".mid");
    const std::string wanted(bytes.begin(), bytes.end());
    if (UpdatingGoldens())
        return Rewritten(path, WriteAll(path, wanted));
    std::string stored;
    if (!ReadAll(path, stored))
        return ::testing::AssertionFailure() << "no file " << path << "; make it with " << UPDATE_SWITCH << "=1";
    if (stored != wanted)
        return ::testing::AssertionFailure() << path << " is not the file its note table makes";
    return ::testing::AssertionSuccess();
}

}  // namespace notation_golden
