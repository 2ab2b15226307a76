// Helpers of the storage tests: whole streams read and written in one call,
// the result code a storage call fails with, a scoped fault hook, and the
// names a folder holds.
#pragma once

#include "platform/core/exceptions.h"
#include "platform/storage/storage.h"
#include "platform/storage/streamfile.h"
#include "tests/platform/file_support.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace storage_test {

// The whole stream; throws the open failure.
inline std::string ReadStream(CStorage& storage, const std::string& name) {
    CStreamFile stream;
    CFileException error;
    if (!stream.OpenStream(storage, name, CFile::modeRead, &error))
        throw error;
    std::string bytes(stream.GetLength(), '\0');
    bytes.resize(stream.Read(bytes.data(), bytes.size()));
    return bytes;
}

// Creates or replaces the stream with exactly these bytes.
inline void WriteStream(CStorage& storage, const std::string& name, const std::string& bytes) {
    CStreamFile stream;
    CFileException error;
    if (!stream.CreateStream(storage, name, CFile::modeReadWrite | CFile::modeCreate, &error))
        throw error;
    stream.Write(bytes.data(), bytes.size());
    stream.Close();
}

// `count` bytes that no run of repeats makes look right by accident.
inline std::string Pattern(size_t count, uint32_t seed = 1) {
    std::string bytes(count, '\0');
    for (char& byte : bytes) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<char>(seed >> 16);
    }
    return bytes;
}

// The result code `call` fails with; S_OK when it does not throw.
inline SCODE FailureOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const CStorageException& error) {
        return error.m_sc;
    }
    return S_OK;
}

// Installs a fault hook for the scope.
using FaultScope = file_test::FaultHookScope<StorageFaultHook, SetStorageFaultHook>;

// The names in a folder, sorted, hidden ones included.
inline std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace storage_test
