// Helpers of the tests that work on real files (file system, profiles): a
// temporary folder of the test's own, removed with everything in it at the end
// of its scope, and whole-file reads and writes in binary.
#pragma once

#include <QTemporaryDir>

#include <fstream>
#include <sstream>
#include <string>

namespace file_test {

// The whole file, byte for byte; empty when it cannot be read.
inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Replaces the file with exactly these bytes.
inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

struct TempFolder {
    QTemporaryDir dir;
    std::string path = dir.path().toStdString();
    std::string File(const std::string& name) const { return path + "/" + name; }
};

}  // namespace file_test
