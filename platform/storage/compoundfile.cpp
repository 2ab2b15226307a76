#include "platform/storage/compoundfile.h"

#include "platform/core/exceptions.h"
#include "platform/core/trace.h"
#include "platform/storage/storage.h"

#include <gsf/gsf.h>
#include <gsf/gsf-infile-impl.h>

#include <QString>

#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>

namespace {

// Drops a libgsf (GObject) reference.
struct GObjectUnref {
    void operator()(void* object) const { g_object_unref(object); }
};
template <typename T>
using GsfRef = std::unique_ptr<T, GObjectUnref>;

// Frees a GError.
struct GErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;

// Storages nest no deeper than this; a deeper tree is a damaged file, and
// following it could exhaust the stack.
constexpr int kMaxDepth = 64;

// libgsf complains on standard error about every damaged file it meets (its
// checks are assertions that return). Those texts are for developers: they go
// to the trace, and the failure reaches the caller as an exception.
void ToTrace(const gchar* domain, GLogLevelFlags, const gchar* message, gpointer) {
    Trace("%s: %s\n", domain ? domain : "libgsf", message ? message : "");
}

void InitGsf() {
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        const GLogLevelFlags levels = static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK);
        for (const char* domain : {"libgsf", "libgsf:msole", "libgsf:utils"})
            g_log_set_handler(domain, levels, ToTrace, nullptr);
    });
}

[[noreturn]] void Corrupt(const std::string& detail) {
    throw CStorageException(STG_E_DOCFILECORRUPT, detail);
}

// Child `i` of a storage of the file, or null with the reason in `why`. Asks
// the file's class directly: the library's public call would print its
// reason on standard error and keep it from us.
GsfRef<GsfInput> ChildByIndex(GsfInfile* dir, int i, std::string& why) {
    GError* rawError = nullptr;
    auto* fileClass = reinterpret_cast<GsfInfileClass*>(G_OBJECT_GET_CLASS(dir));
    GsfRef<GsfInput> child(fileClass->child_by_index ? fileClass->child_by_index(dir, i, &rawError) : nullptr);
    GErrorPtr error(rawError);
    if (error) {
        why = error->message ? error->message : "";
        child.reset();
    }
    return child;
}

// Names in the file are UTF-16 of at most 31 units.
bool FitsFile(const std::string& name) {
    return !name.empty() && QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).size() <= 31;
}

}  // namespace

// Reads and writes the tree; a friend of CStorage.
class CCompoundFileTree {
public:
    // Fills `into` from the storage `dir` of the file. `budget` is what the
    // file's streams may still claim in all: a sound file never holds more
    // stream bytes than it has, so a larger claim is damage (and refusing it
    // bounds what a damaged file can make us allocate).
    static void ReadStorage(GsfInfile* dir, CStorage& into, const std::string& where, int depth,
                            uint64_t& budget) {
        const int count = gsf_infile_num_children(dir);
        if (count < 0)
            Corrupt("the storage \"" + where + "\" cannot be read");
        for (int i = 0; i < count; ++i) {
            const char* rawName = gsf_infile_name_by_index(dir, i);
            if (!rawName)
                Corrupt("an element of \"" + where + "\" has no readable name");
            const std::string name = rawName;
            const std::string path = where.empty() ? name : where + "/" + name;
            if (!FitsFile(name))
                Corrupt("the name \"" + path + "\" does not fit the format");
            if (into.Find(name))
                Corrupt("the name \"" + path + "\" is used twice");
            std::string why;
            GsfRef<GsfInput> child = ChildByIndex(dir, i, why);
            if (!child)
                Corrupt("\"" + path + "\" cannot be read" + (why.empty() ? "" : ": " + why));

            CStorage::Entry entry;
            entry.name = name;
            const int children = GSF_IS_INFILE(child.get()) ? gsf_infile_num_children(GSF_INFILE(child.get())) : -1;
            if (children >= 0) {
                if (depth >= kMaxDepth)
                    Corrupt("the storages nest too deep at \"" + path + "\"");
                entry.storage.reset(new CStorage(into.m_pRoot, name));
                if (GSF_IS_INFILE_MSOLE(child.get()))
                    gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(child.get()), entry.storage->m_classId.data());
                ReadStorage(GSF_INFILE(child.get()), *entry.storage, path, depth + 1, budget);
            } else {
                const gsf_off_t size = gsf_input_size(child.get());
                if (size < 0 || static_cast<uint64_t>(size) > budget)
                    Corrupt("the stream \"" + path + "\" claims more bytes than the file holds");
                budget -= static_cast<uint64_t>(size);
                entry.stream = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(size));
                if (size > 0 && !gsf_input_read(child.get(), static_cast<size_t>(size), entry.stream->data()))
                    Corrupt("the stream \"" + path + "\" is cut short or damaged");
            }
            into.m_entries.push_back(std::move(entry));
        }
    }

    static void WriteStorage(GsfOutfile* dir, const CStorage& from, const std::string& where) {
        for (const CStorage::Entry& entry : from.m_entries) {
            const std::string path = where.empty() ? entry.name : where + "/" + entry.name;
            GsfRef<GsfOutput> child(gsf_outfile_new_child(dir, entry.name.c_str(), entry.storage != nullptr));
            if (!child)
                throw CStorageException(STG_E_CANTSAVE, "\"" + path + "\" cannot be written");
            if (entry.storage) {
                if (!IsZero(entry.storage->m_classId))
                    gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(child.get()), entry.storage->m_classId.data());
                WriteStorage(GSF_OUTFILE(child.get()), *entry.storage, path);
            } else if (!entry.stream->empty() &&
                       !gsf_output_write(child.get(), entry.stream->size(), entry.stream->data())) {
                Failed(child.get(), path);
            }
            if (!gsf_output_close(child.get()))
                Failed(child.get(), path);
        }
    }

    static bool IsZero(const CStorage::ClassId& id) {
        for (uint8_t byte : id)
            if (byte)
                return false;
        return true;
    }

    [[noreturn]] static void Failed(GsfOutput* output, const std::string& path) {
        const GError* error = gsf_output_error(output);
        std::string detail = "\"" + path + "\" cannot be written";
        if (error && error->message)
            detail += std::string(": ") + error->message;
        throw CStorageException(STG_E_CANTSAVE, detail);
    }
};

bool CCompoundFile::HasSignature(const uint8_t* data, size_t size) {
    return size >= sizeof kSignature && std::memcmp(data, kSignature, sizeof kSignature) == 0;
}

void CCompoundFile::Read(const uint8_t* data, size_t size, CStorage& root) {
    if (!HasSignature(data, size))
        throw CStorageException(STG_E_INVALIDHEADER, "the file is no compound file");
    InitGsf();
    try {
        GsfRef<GsfInput> input(gsf_input_memory_new(data, static_cast<gsf_off_t>(size), FALSE));
        if (!input)
            throw CStorageException(STG_E_INSUFFICIENTMEMORY);
        GError* rawError = nullptr;
        GsfRef<GsfInfile> file(gsf_infile_msole_new(input.get(), &rawError));
        GErrorPtr error(rawError);
        if (!file)
            Corrupt(error && error->message ? error->message : "the file's header or directory is damaged");

        // Read into a scratch root, so that a failure leaves `root` untouched.
        CStorage scratch(root.m_pRoot, root.m_strName);
        gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(file.get()), scratch.m_classId.data());
        uint64_t budget = size;
        CCompoundFileTree::ReadStorage(file.get(), scratch, {}, 1, budget);
        root.m_classId = scratch.m_classId;
        root.m_entries = std::move(scratch.m_entries);
    } catch (const std::bad_alloc&) {
        throw CStorageException(STG_E_INSUFFICIENTMEMORY);
    }
}

std::vector<uint8_t> CCompoundFile::Write(const CStorage& root) {
    InitGsf();
    try {
        GsfRef<GsfOutput> sink(gsf_output_memory_new());
        GsfRef<GsfOutfile> file(gsf_outfile_msole_new(sink.get()));
        if (!sink || !file)
            throw CStorageException(STG_E_INSUFFICIENTMEMORY);
        if (!CCompoundFileTree::IsZero(root.m_classId))
            gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(file.get()), root.m_classId.data());
        CCompoundFileTree::WriteStorage(file.get(), root, {});
        // Closing the file writes its directory and tables and closes the sink.
        if (!gsf_output_close(GSF_OUTPUT(file.get())))
            CCompoundFileTree::Failed(GSF_OUTPUT(file.get()), root.m_strName);
        const gsf_off_t size = gsf_output_size(sink.get());
        const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink.get()));
        if (size <= 0 || !bytes)
            throw CStorageException(STG_E_CANTSAVE, "the compound file came out empty");
        return std::vector<uint8_t>(bytes, bytes + size);
    } catch (const std::bad_alloc&) {
        throw CStorageException(STG_E_INSUFFICIENTMEMORY);
    }
}
