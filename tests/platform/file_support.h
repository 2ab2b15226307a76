// Helpers of the tests that work on files (file system, profiles, archives): a
// temporary folder of the test's own, removed with everything in it at the end
// of its scope, whole-file reads and writes in binary, a fault hook installed
// for a scope, and a file in memory that holds less than it claims.
#pragma once

#include "platform/core/file.h"

#include <QTemporaryDir>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

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

// Installs a test fault hook (`Set` is the hook's installer, which returns the
// one it replaces) for the scope.
template <class Hook, Hook (*Set)(Hook)>
class FaultHookScope {
public:
    explicit FaultHookScope(Hook hook) : m_previous(Set(std::move(hook))) {}
    ~FaultHookScope() { Set(std::move(m_previous)); }
    FaultHookScope(const FaultHookScope&) = delete;
    FaultHookScope& operator=(const FaultHookScope&) = delete;

private:
    Hook m_previous;
};

// A file whose length claims more than it holds, as a file another writer cuts
// short while it is read: reading stops at the bytes it really has.
class CShrunkFile : public CMemFile {
public:
    CShrunkFile(std::vector<uint8_t> bytes, uint64_t claimedLength)
        : CMemFile(std::move(bytes)), m_claimedLength(claimedLength) {}
    uint64_t GetLength() const override { return m_claimedLength; }

private:
    uint64_t m_claimedLength;
};

}  // namespace file_test
