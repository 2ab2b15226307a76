// Fuzz target of the compound-file reader: opens a storage over outside bytes.
// Damaged data may only raise CStorageException; nothing else may escape,
// crash or leak. A tree that opens is written out and read again: the second
// tree must equal the first (names, types, stream bytes, class ids), so the
// writer keeps everything the reader accepts.
#include "platform/storage/storage.h"
#include "platform/storage/streamfile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

// The tree as text: every element sorted by name, with its type, bytes and
// class id. Reads each stream through a stream file, as a document would.
void Describe(CStorage& storage, std::string& out) {
    const CStorage::ClassId& id = storage.GetClassId();
    out.append(reinterpret_cast<const char*>(id.data()), id.size());
    auto elements = storage.EnumElements();
    std::sort(elements.begin(), elements.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    for (const CStorage::Element& element : elements) {
        out += '\n';
        out += element.name;
        if (element.type == CStorage::STGTY_STORAGE) {
            out += " {";
            Describe(*storage.OpenStorage(element.name), out);
            out += "}";
            continue;
        }
        CStreamFile stream;
        if (!stream.OpenStream(storage, element.name, CFile::modeRead))
            __builtin_trap();   // a listed stream that cannot be opened
        std::string bytes(stream.GetLength(), '\0');
        if (bytes.size() != element.size || stream.Read(bytes.data(), bytes.size()) != bytes.size())
            __builtin_trap();   // the listing and the stream disagree
        out += " = ";
        out += bytes;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<CRootStorage> first;
    try {
        first = CRootStorage::OpenMemory(data, size);
    } catch (const CStorageException&) {
        return 0;
    }
    std::string described;
    Describe(*first, described);

    std::vector<uint8_t> written;
    std::unique_ptr<CRootStorage> second;
    try {
        written = first->GetBytes();
        second = CRootStorage::OpenMemory(written.data(), written.size());
    } catch (const CStorageException&) {
        __builtin_trap();   // the writer lost or damaged what the reader accepted
    }
    std::string again;
    Describe(*second, again);
    if (again != described)
        __builtin_trap();   // reader and writer disagree on some element
    return 0;
}

// libgsf's own parser leaks a directory entry on some damaged files; that is
// the library's fault, not a leak of ours, so it is left out of the report.
// Malloc stacks are unwound the slow way so that they reach into libgsf,
// which is built without frame pointers.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:gsf_infile_msole_new\n";
}
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}
