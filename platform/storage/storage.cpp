#include "platform/storage/storage.h"

#include "platform/core/exceptions.h"
#include "platform/core/file.h"
#include "platform/storage/compoundfile.h"
#include "platform/storage/storagefiles.h"

#include <QString>

#include <cerrno>

using namespace storage_files;

namespace {

// The root's name in every compound file.
const char* const kRootName = "Root Entry";
// The stream a plain file becomes in a converted storage.
const char* const kContentsName = "Contents";

QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Element names are compared without regard to case, as the format does.
bool SameName(const std::string& a, const std::string& b) {
    if (a.size() == b.size() && a == b)
        return true;
    return QString::compare(ToQString(a), ToQString(b), Qt::CaseInsensitive) == 0;
}

}  // namespace

SCODE IsStorageFile(const std::string& path) {
    try {
        CheckFault(StorageStep::openFile, path);
        CFile file;
        CFileException error;
        if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone, &error))
            return ScodeFromOsError(error.m_lOsError ? static_cast<int>(error.m_lOsError) : EIO);
        uint8_t head[sizeof CCompoundFile::kSignature];
        const size_t got = file.Read(head, sizeof head);
        return CCompoundFile::HasSignature(head, got) ? S_OK : S_FALSE;
    } catch (const CStorageException& error) {
        return error.m_sc;
    } catch (const CFileException& error) {
        return ScodeFromOsError(error.m_lOsError ? static_cast<int>(error.m_lOsError) : EIO);
    }
}

// ---- CStorage ---------------------------------------------------------------

CStorage::CStorage(CRootStorage* root, std::string name) : m_pRoot(root), m_strName(std::move(name)) {}

CStorage::~CStorage() = default;

bool CStorage::IsReadOnly() const {
    return m_pRoot->m_mode == CRootStorage::modeRead;
}

bool CStorage::IsValidName(const std::string& name) {
    if (name.empty() || name.find_first_of(std::string("/\\:!\0", 5)) != std::string::npos)
        return false;
    const QString wide = ToQString(name);
    // A name that is not UTF-8 does not survive the conversion whole.
    return wide.size() <= 31 && wide.toUtf8().toStdString() == name;
}

void CStorage::CheckName(const std::string& name) {
    if (!IsValidName(name))
        throw CStorageException(STG_E_INVALIDNAME, "\"" + name + "\"");
}

void CStorage::CheckWritable() const {
    if (IsReadOnly())
        throw CStorageException(STG_E_ACCESSDENIED, "the storage is open read-only");
}

CStorage::Entry* CStorage::Find(const std::string& name) {
    for (Entry& entry : m_entries)
        if (SameName(entry.name, name))
            return &entry;
    return nullptr;
}

const CStorage::Entry* CStorage::Find(const std::string& name) const {
    return const_cast<CStorage*>(this)->Find(name);
}

std::vector<CStorage::Element> CStorage::EnumElements() const {
    std::vector<Element> elements;
    elements.reserve(m_entries.size());
    for (const Entry& entry : m_entries) {
        if (entry.storage)
            elements.push_back({entry.name, STGTY_STORAGE, 0});
        else
            elements.push_back({entry.name, STGTY_STREAM, entry.stream->size()});
    }
    return elements;
}

bool CStorage::HasElement(const std::string& name, ElementType* type) const {
    const Entry* entry = Find(name);
    if (entry && type)
        *type = entry->storage ? STGTY_STORAGE : STGTY_STREAM;
    return entry != nullptr;
}

CStorage* CStorage::OpenStorage(const std::string& name) {
    Entry* entry = Find(name);
    if (!entry || !entry->storage)
        throw CStorageException(STG_E_FILENOTFOUND, "no storage \"" + name + "\"");
    return entry->storage.get();
}

CStorage* CStorage::CreateStorage(const std::string& name) {
    CheckWritable();
    CheckName(name);
    std::unique_ptr<CStorage> storage(new CStorage(m_pRoot, name));
    CStorage* result = storage.get();
    if (Entry* entry = Find(name)) {
        entry->name = name;
        entry->stream.reset();
        entry->storage = std::move(storage);
    } else {
        m_entries.push_back({name, std::move(storage), nullptr});
    }
    return result;
}

void CStorage::DestroyElement(const std::string& name) {
    CheckWritable();
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (SameName(it->name, name)) {
            m_entries.erase(it);
            return;
        }
    }
    throw CStorageException(STG_E_FILENOTFOUND, "no element \"" + name + "\"");
}

void CStorage::SetClassId(const ClassId& classId) {
    CheckWritable();
    m_classId = classId;
}

CStorage::StreamData CStorage::GetStream(const std::string& name, bool create) {
    Entry* entry = Find(name);
    if (!create)
        return entry && entry->stream ? entry->stream : nullptr;
    auto data = std::make_shared<std::vector<uint8_t>>();
    if (entry) {
        // The stream files still open on the old element keep its bytes.
        entry->name = name;
        entry->storage.reset();
        entry->stream = data;
    } else {
        m_entries.push_back({name, nullptr, data});
    }
    return data;
}

// ---- CRootStorage -----------------------------------------------------------

CRootStorage::CRootStorage(std::string path, Mode mode)
    : CStorage(this, kRootName), m_strPath(std::move(path)), m_mode(mode) {}

CRootStorage::~CRootStorage() = default;

std::unique_ptr<CRootStorage> CRootStorage::Create(const std::string& path) {
    const std::string absolute = AbsolutePath(path);
    std::unique_ptr<CRootStorage> root(new CRootStorage(absolute, modeReadWrite));
    CheckFolderTakesFiles(FolderOf(absolute));
    // A file already there is held as an opened one would be, so that no one
    // else writes it before the commit replaces it.
    root->m_file = HoldIfExists(absolute);
    return root;
}

std::unique_ptr<CRootStorage> CRootStorage::OpenFile(const std::string& path, Mode mode, bool convert) {
    const std::string absolute = AbsolutePath(path);
    std::unique_ptr<CRootStorage> root(new CRootStorage(absolute, mode));
    std::unique_ptr<CFile> file = OpenShared(absolute, mode == modeReadWrite);
    if (mode == modeReadWrite)
        CheckFolderTakesFiles(FolderOf(absolute));
    std::vector<uint8_t> bytes = ReadWhole(*file);
    if (convert) {
        root->m_entries.push_back({kContentsName, nullptr, std::make_shared<std::vector<uint8_t>>(std::move(bytes))});
        root->m_bConverted = true;
    } else {
        CCompoundFile::Read(bytes.data(), bytes.size(), *root);
    }
    root->m_file = std::move(file);
    return root;
}

std::unique_ptr<CRootStorage> CRootStorage::Open(const std::string& path, Mode mode) {
    return OpenFile(path, mode, false);
}

std::unique_ptr<CRootStorage> CRootStorage::Open(const std::string& path) {
    try {
        return OpenFile(path, modeReadWrite, false);
    } catch (const CStorageException&) {
        // Whatever kept the file from being written (its permissions, its
        // folder's, another writer), it may still be read; when it cannot,
        // the read-only failure is the one that tells why.
    }
    return OpenFile(path, modeRead, false);
}

std::unique_ptr<CRootStorage> CRootStorage::Convert(const std::string& path) {
    return OpenFile(path, modeReadWrite, true);
}

std::unique_ptr<CRootStorage> CRootStorage::OpenMemory(const uint8_t* data, size_t size) {
    std::unique_ptr<CRootStorage> root(new CRootStorage({}, modeRead));
    CCompoundFile::Read(data, size, *root);
    return root;
}

std::vector<uint8_t> CRootStorage::GetBytes() const {
    return CCompoundFile::Write(*this);
}

void CRootStorage::Commit() {
    if (m_mode != modeReadWrite)
        throw CStorageException(STG_E_ACCESSDENIED, "the storage is open read-only");
    if (m_strPath.empty())
        throw CStorageException(STG_E_INVALIDFUNCTION, "the storage has no file");
    ReplaceFile(m_strPath, GetBytes());
    m_bConverted = false;
    HoldNewFile();
}

void CRootStorage::HoldNewFile() {
    // The file now at the path is a new one: hold it instead of the old.
    std::unique_ptr<CFile> fresh;
    try {
        fresh = HoldIfExists(m_strPath);
    } catch (const CStorageException&) {
        // Another opener was quicker; the commit itself is complete.
    }
    m_file = std::move(fresh);
}

void CRootStorage::CommitAs(const std::string& path) {
    const std::string absolute = AbsolutePath(path);
    if (absolute == m_strPath) {
        Commit();
        return;
    }
    CheckFolderTakesFiles(FolderOf(absolute));
    // The target is held first: a file another storage has open is not
    // replaced under it.
    std::unique_ptr<CFile> target = HoldIfExists(absolute);
    ReplaceFile(absolute, GetBytes());
    target.reset();
    m_strPath = absolute;
    m_mode = modeReadWrite;
    m_bConverted = false;
    HoldNewFile();
}
