// The compound-file format, read and written through libgsf: the storage
// layer's one place that knows the library (storage.cpp and streamfile.cpp see
// only the tree). Internal to platform/storage.
//
// Reading takes the bytes of a whole file and fills a storage tree, or throws
// CStorageException and leaves the tree as it was: STG_E_INVALIDHEADER when the
// bytes are no compound file, STG_E_DOCFILECORRUPT when the file is damaged or
// cut short (a stream or storage that cannot be read, a name used twice in one
// storage, streams claiming more bytes than the file holds). Writing gives the
// bytes of a complete compound file for a tree.
//
// Threads: any thread, one tree per call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CStorage;

class CCompoundFile {
public:
    // The eight bytes every compound file begins with.
    static constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

    // Whether `data` begins with the signature.
    static bool HasSignature(const uint8_t* data, size_t size);

    // Fills the empty storage `root` with the tree held in `data`.
    static void Read(const uint8_t* data, size_t size, CStorage& root);
    // The compound file of the tree under `root`.
    static std::vector<uint8_t> Write(const CStorage& root);
};
