// Compound files: storages that hold streams and further storages by name, in
// one file of the structured-storage (OLE2 compound file) format. Documents are
// kept in them; CStreamFile (streamfile.h) reads and writes a stream as a CFile.
//
// CStorage is one storage of the tree: its elements (streams and storages) in
// the order the file lists them, new ones last; names are unique without
// regard to case. CRootStorage is the top storage and the file it belongs to.
// Every root storage is transacted: the whole tree is read into memory when
// the storage opens, changes stay there, and nothing reaches the disk until
// Commit. Commit writes a complete new compound file (every stream and storage
// of the tree, also those nobody touched) under a temporary name beside the
// target, makes it durable, and only then renames it over the target; a
// failure at any step leaves the old file as it was and throws. A storage
// dropped without Commit leaves its file untouched.
//
// A root storage is
//   created   for a path: empty; the file is written by the first Commit;
//   opened    from a compound file, read-write (others may not open the file
//             meanwhile) or read-only (others may read it too); Open tries
//             read-write first and falls back to read-only;
//   converted over a plain file: the file's bytes become the stream "Contents"
//             of a new storage and the file stays as it is unless committed.
// Sharing rules are advisory locks among openers that ask for them (the
// storage layer and CFile's share modes): a read-write storage holds its file
// against every other opener (STG_E_SHAREVIOLATION), a read-only one shares it
// with other readers, so Open of a file someone reads gives a read-only
// storage. A created or committed storage holds the file it wrote the same way.
//
// Failures throw CStorageException with a result code below and a detail text.
// Access denied (a read-only file, or a folder the commit could not write its
// new file into) is STG_E_ACCESSDENIED for read-write opening and converting,
// so a caller can fall back to a read-only open or to a temporary copy. A file
// that is damaged or cut short is refused with STG_E_DOCFILECORRUPT (or
// STG_E_INVALIDHEADER when it is no compound file at all), never read in part.
//
// Threads: a storage, its sub-storages and the streams opened on them are used
// by one thread at a time. The fault hook is for tests.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CFile;

// Result codes of the storage layer: 0 and 1 succeed, negative values fail.
using SCODE = int32_t;

constexpr SCODE S_OK = 0;
constexpr SCODE S_FALSE = 1;
constexpr SCODE E_FAIL = static_cast<SCODE>(0x80004005);
constexpr SCODE E_OUTOFMEMORY = static_cast<SCODE>(0x8007000E);
constexpr SCODE STG_E_INVALIDFUNCTION = static_cast<SCODE>(0x80030001);
constexpr SCODE STG_E_FILENOTFOUND = static_cast<SCODE>(0x80030002);
constexpr SCODE STG_E_PATHNOTFOUND = static_cast<SCODE>(0x80030003);
constexpr SCODE STG_E_TOOMANYOPENFILES = static_cast<SCODE>(0x80030004);
constexpr SCODE STG_E_ACCESSDENIED = static_cast<SCODE>(0x80030005);
constexpr SCODE STG_E_INSUFFICIENTMEMORY = static_cast<SCODE>(0x80030008);
constexpr SCODE STG_E_SEEKERROR = static_cast<SCODE>(0x80030019);
constexpr SCODE STG_E_WRITEFAULT = static_cast<SCODE>(0x8003001D);
constexpr SCODE STG_E_READFAULT = static_cast<SCODE>(0x8003001E);
constexpr SCODE STG_E_SHAREVIOLATION = static_cast<SCODE>(0x80030020);
constexpr SCODE STG_E_LOCKVIOLATION = static_cast<SCODE>(0x80030021);
constexpr SCODE STG_E_FILEALREADYEXISTS = static_cast<SCODE>(0x80030050);
constexpr SCODE STG_E_INVALIDPARAMETER = static_cast<SCODE>(0x80030057);
constexpr SCODE STG_E_MEDIUMFULL = static_cast<SCODE>(0x80030070);
constexpr SCODE STG_E_INVALIDHEADER = static_cast<SCODE>(0x800300FB);
constexpr SCODE STG_E_INVALIDNAME = static_cast<SCODE>(0x800300FC);
constexpr SCODE STG_E_UNKNOWN = static_cast<SCODE>(0x800300FD);
constexpr SCODE STG_E_CANTSAVE = static_cast<SCODE>(0x80030103);
constexpr SCODE STG_E_DOCFILECORRUPT = static_cast<SCODE>(0x80030109);
constexpr SCODE STG_E_DOCFILETOOLARGE = static_cast<SCODE>(0x80030111);

constexpr bool SUCCEEDED(SCODE sc) { return sc >= 0; }
constexpr bool FAILED(SCODE sc) { return sc < 0; }

// Whether the file at `path` is a compound file: S_OK when it begins with the
// compound-file signature, S_FALSE when it is a readable file that does not
// (an empty file too), a failure code when it cannot be read
// (STG_E_FILENOTFOUND, STG_E_ACCESSDENIED, ...). Only the signature is looked
// at; whether the rest is sound shows when the file is opened.
SCODE IsStorageFile(const std::string& path);

// The result code for an errno value, as the storage layer reports it; an
// input-output error is a write fault when `writing`, else a read fault.
SCODE ScodeFromOsError(int osError, bool writing = false);

class CRootStorage;

// One storage: a named, ordered set of streams and storages. Sub-storages are
// owned by their parent storage; a pointer to one stays valid until it is
// destroyed or replaced (DestroyElement, CreateStorage of the same name) or
// its root goes. Changes go to the tree at once; only the root commits.
class CStorage {
public:
    enum ElementType : int { STGTY_STORAGE = 1, STGTY_STREAM = 2 };
    struct Element {
        std::string name;
        ElementType type;
        uint64_t size;   // bytes of a stream; 0 for a storage
    };
    // A class identifier, 16 bytes as the file stores them (all zero: none).
    using ClassId = std::array<uint8_t, 16>;

    CStorage(const CStorage&) = delete;
    CStorage& operator=(const CStorage&) = delete;
    virtual ~CStorage();

    // The storage's own name ("Root Entry" for a root storage).
    const std::string& GetName() const { return m_strName; }
    // The root storage this storage belongs to (itself for a root).
    CRootStorage& GetRoot() const { return *m_pRoot; }
    // Whether the tree may not be changed (a root opened read-only).
    bool IsReadOnly() const;

    // The streams and storages, in order.
    std::vector<Element> EnumElements() const;
    // Whether an element of that name exists; `type` receives its type.
    bool HasElement(const std::string& name, ElementType* type = nullptr) const;

    // The sub-storage of that name; throws CStorageException
    // STG_E_FILENOTFOUND when there is none (or when `name` is a stream).
    CStorage* OpenStorage(const std::string& name);
    // A new, empty sub-storage, replacing any element of that name.
    // STG_E_ACCESSDENIED on a read-only tree, STG_E_INVALIDNAME for a name the
    // format cannot hold.
    CStorage* CreateStorage(const std::string& name);
    // Removes a stream or storage (with all it holds). STG_E_FILENOTFOUND when
    // there is none, STG_E_ACCESSDENIED on a read-only tree.
    void DestroyElement(const std::string& name);

    const ClassId& GetClassId() const { return m_classId; }
    // STG_E_ACCESSDENIED on a read-only tree.
    void SetClassId(const ClassId& classId);

    // Whether `name` can name an element: 1 to 31 characters (UTF-16 units),
    // none of them "/", "\", ":", "!" or a NUL.
    static bool IsValidName(const std::string& name);

protected:
    CStorage(CRootStorage* root, std::string name);

private:
    friend class CRootStorage;
    friend class CStreamFile;
    friend class CCompoundFile;
    friend class CCompoundFileTree;

    // A stream's bytes are shared with the stream files open on it, so a
    // stream file stays usable when its element is replaced or removed.
    using StreamData = std::shared_ptr<std::vector<uint8_t>>;
    struct Entry {
        std::string name;
        std::unique_ptr<CStorage> storage;   // owned, for a storage
        StreamData stream;                   // for a stream
    };

    Entry* Find(const std::string& name);
    const Entry* Find(const std::string& name) const;
    // Throws STG_E_ACCESSDENIED when the tree is read-only.
    void CheckWritable() const;
    // Throws STG_E_INVALIDNAME for a name IsValidName refuses.
    static void CheckName(const std::string& name);
    // The stream of that name, made (empty, replacing any element of the
    // name) when `create` is set; null when there is none.
    StreamData GetStream(const std::string& name, bool create);

    CRootStorage* m_pRoot;          // borrowed: the root owns this storage's tree
    std::string m_strName;
    ClassId m_classId{};
    std::vector<Entry> m_entries;   // in the file's order
};

// A root storage and its file.
class CRootStorage : public CStorage {
public:
    enum Mode : int {
        modeReadWrite,   // commits to its path; others may not open the file
        modeRead,        // read-only; others may read the file too
    };

    // A new, empty storage for `path`. The file itself is not touched before
    // Commit, which replaces whatever is there. STG_E_ACCESSDENIED when the
    // folder cannot take a new file, STG_E_PATHNOTFOUND when it does not exist.
    static std::unique_ptr<CRootStorage> Create(const std::string& path);
    // Opens a compound file read-write and, when that fails for any reason,
    // read-only; throws the read-only failure when both fail.
    static std::unique_ptr<CRootStorage> Open(const std::string& path);
    // Opens a compound file in exactly this mode.
    static std::unique_ptr<CRootStorage> Open(const std::string& path, Mode mode);
    // A read-write storage over a plain file: the file's bytes become the
    // stream "Contents". The file is not changed unless the storage is
    // committed. STG_E_ACCESSDENIED when the file or its folder is read-only.
    static std::unique_ptr<CRootStorage> Convert(const std::string& path);
    // A read-only storage over the bytes of a compound file in memory (no
    // path: Commit fails, CommitAs works).
    static std::unique_ptr<CRootStorage> OpenMemory(const uint8_t* data, size_t size);

    // Releases the file without committing.
    ~CRootStorage() override;

    // The file the storage commits to (absolute); empty for one from memory.
    const std::string& GetPath() const { return m_strPath; }
    Mode GetMode() const { return m_mode; }
    // Whether the storage was made over a plain file and not yet committed.
    bool IsConverted() const { return m_bConverted; }

    // Writes the tree to the storage's file (see the header's note). Throws
    // CStorageException: STG_E_ACCESSDENIED for a read-only storage, else the
    // code of the failing step with the file and the system's reason.
    void Commit();
    // Writes the tree to `path` instead (Save As); after success the storage
    // belongs to that file, read-write. The old file is left as it was.
    void CommitAs(const std::string& path);
    // The compound file Commit would write.
    std::vector<uint8_t> GetBytes() const;

private:
    friend class CStorage;

    CRootStorage(std::string path, Mode mode);
    // Opens the file and reads it whole, holding it with the mode's sharing rule.
    static std::unique_ptr<CRootStorage> OpenFile(const std::string& path, Mode mode, bool convert);
    // After a commit: holds the new file at the path in place of the old one.
    void HoldNewFile();

    std::string m_strPath;
    Mode m_mode;
    bool m_bConverted = false;
    std::unique_ptr<CFile> m_file;   // owned: the open file that holds the sharing rule, if any
};

// Points of the storage layer's file work, where a test can make it fail.
enum class StorageStep {
    openFile,      // opening an existing file (path: that file)
    checkFolder,   // testing that a folder takes new files (path: the folder)
    createTemp,    // creating the new file beside the target (path: the target)
    write,         // writing the new file (path: the new file)
    flush,         // making the new file durable (path: the new file)
    rename,        // renaming the new file over the target (path: the target)
};
// Returns an errno value to fail the step with, or 0 to let it run.
using StorageFaultHook = std::function<int(StorageStep step, const std::string& path)>;
// Installs the hook (empty: none); returns the previous one. Tests only.
StorageFaultHook SetStorageFaultHook(StorageFaultHook hook);
