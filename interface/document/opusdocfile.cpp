// The document's files: the stream "Contents" of a compound file holds the
// document (a MIDI file, or the native layout), and plain files (MIDI files)
// are opened through a compound-file view of them that leaves them untouched
// until they are saved.
#include "interface/document/opusdoc.h"

#include "interface/document/itemstorage.h"
#include "interface/document/midiread.h"
#include "interface/document/midiwrite.h"
#include "interface/document/pathhelpers.h"
#include "interface/document/savedialog.h"
#include "model/editactions.h"
#include "model/performance.h"
#include "model/states.h"
#include "model/time.h"
#include "platform/core/archive.h"
#include "platform/core/exceptions.h"
#include "platform/core/filesys.h"
#include "platform/core/format.h"
#include "platform/core/resources.h"
#include "platform/storage/storage.h"
#include "platform/storage/streamfile.h"
#include "platform/ui/prompt.h"

#include <cstdio>
#include <filesystem>

const char* const MCOpusDoc::kMidiType2NotSupported = "Saving of MIDI files is not supported yet";

namespace {

constexpr const char* kContents = "Contents";

// The status of the file under an archive (empty when it has none).
CFileStatus StatusOf(CArchive& ar) {
    CFileStatus status;
    if (ar.GetFile())
        ar.GetFile()->GetStatus(status);
    return status;
}

// `path` with the extension of its file name replaced by "mmm"; a file name
// without a "." keeps the path as it is.
std::string NativePathFor(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path;
    return path.substr(0, dot) + ".mmm";
}

// A path in the form a root storage reports (absolute, normalised), so that
// two spellings of one path compare equal.
std::string StoragePathOf(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

// Copies the elements of `from` into `to`, all but the stream `skip` (the
// one the caller writes itself), with the storages' class identifiers.
void CopyElements(CStorage& from, CStorage& to, const std::string& skip) {
    to.SetClassId(from.GetClassId());
    for (const CStorage::Element& element : from.EnumElements()) {
        if (element.name == skip)
            continue;
        if (element.type == CStorage::STGTY_STORAGE) {
            CopyElements(*from.OpenStorage(element.name), *to.CreateStorage(element.name), {});
            continue;
        }
        CStreamFile in;
        CStreamFile out;
        CFileException error;
        if (!in.OpenStream(from, element.name, CFile::modeRead, &error) ||
            !out.CreateStream(to, element.name, CFile::modeWrite | CFile::modeCreate, &error))
            throw error;
        std::vector<uint8_t> bytes(static_cast<size_t>(in.GetLength()));
        bytes.resize(in.Read(bytes.data(), bytes.size()));
        out.Write(bytes.data(), bytes.size());
    }
}

}  // namespace

// ---------------------------------------------------------------- the stream

void MCOpusDoc::Serialize(CArchive& ar) {
    const CFileStatus status = StatusOf(ar);
    ar.Flush();
    if (ar.IsLoading()) {
        ar.SetLoadParams(1024);
        MCMidiRead reader;
        if (reader.LoadMidiFile(ar, this)) {
            // What the document could not hold is gone: the user is told how much.
            const std::string leftOut = MCMidiRead::DescribeLeftOut(reader.GetLeftOut());
            if (!leftOut.empty())
                ShowPrompt(leftOut, MB_ICONEXCLAMATION | MB_OK);
        } else {
            ar.MapObject(&m_header);
            m_header.Serialize(ar);
            m_header.SetStatus(status);
            if (m_header.GetFormat() != DF_NATIVE) {
                ShowPrompt(Format(LoadString(IDS_CANNOT_OPEN).c_str(), GetAppName().c_str()),
                           MB_ICONEXCLAMATION | MB_OK);
                throw CUserException();
            }
            ECPerformance* performance = CreatePerformance(0);
            performance->SetVersion(m_header.GetVersion());
            SetActiveDoc(this);
            ar.MapObject(performance);
            performance->Serialize(ar);
            ACPostSerialize(ar).Apply(performance);
            ar.MapObject(&m_sequence);
            m_sequence.Serialize(ar);
        }
    } else {
        ar.SetStoreParams(2053, 128);
        ECPerformance* performance = m_pPerformance;
        if (!performance)
            throw CArchiveException(CArchiveException::generic);
        switch (m_header.GetFormat()) {
        case DF_MIDI_TYPE0:
        case DF_MIDI_TYPE1:
            // What the writer throws goes on: the save fails and says so.
            if (!MCMidiWrite().SaveMidiFile(ar, this, m_header.GetFormat() - 1, MCTime::GlobalPPQ))
                throw CNotSupportedException();
            break;
        case DF_MIDI_TYPE2:
            ShowPrompt(kMidiType2NotSupported, MB_ICONEXCLAMATION | MB_OK);
            throw CUserException();
        default:
            ar.MapObject(&m_header);
            m_header.SetStatus(status);
            m_header.Serialize(ar);
            ar.MapObject(performance);
            performance->Serialize(ar);
            ACPostSerialize(ar).Apply(performance);
            ar.MapObject(&m_sequence);
            m_sequence.Serialize(ar);
            break;
        }
    }
    m_header.SetVersion(MCOpusHeader::CURRENT_VERSION);
    if (m_pPerformance)
        m_pPerformance->SetVersion(MCOpusHeader::CURRENT_VERSION);
    ar.Flush();
}

void MCOpusDoc::MakeEmptyPiece() {
    if (!m_pPerformance)
        CreatePerformance(1);
    m_sequence.Attach(m_pPerformance);
    m_header.SetFormat(DF_NATIVE);
}

// ---------------------------------------------------------------- opening

void MCOpusDoc::CreateRootStorage(const char* path) {
    if (m_pRootStorage)
        return;
    const std::string file = path ? path : "";
    if (IsStorageFile(file) != S_FALSE) {
        m_pRootStorage = CRootStorage::Open(file);
        return;
    }
    try {
        m_pRootStorage = CRootStorage::Convert(file);
    } catch (const CStorageException& denied) {
        if (denied.m_sc != STG_E_ACCESSDENIED)
            throw;
        // A file we may not write: read a temporary copy of it instead.
        const std::string copy = GetTempFileName("MMM", GetTempPath());
        if (copy.empty() || !CopyFile(file, copy, false) || !SetFileAttributes(copy, CFile::normal)) {
            if (!copy.empty())
                std::remove(copy.c_str());
            throw;
        }
        if (!m_strTempCopyPath.empty() && m_strTempCopyPath != copy)
            std::remove(m_strTempCopyPath.c_str());
        m_strTempCopyPath = copy;
        m_pRootStorage = CRootStorage::Convert(copy);
    }
}

void MCOpusDoc::ReleaseRootStorage() { m_pRootStorage.reset(); }

void MCOpusDoc::LoadFromStorage() {
    if (!m_pRootStorage)
        throw CArchiveException(CArchiveException::badSchema);
    CStreamFile stream;
    CFileException error;
    if (!stream.OpenStream(*m_pRootStorage, kContents, CFile::modeRead | CFile::shareExclusive, &error)) {
        CFileException created;
        if (!stream.CreateStream(*m_pRootStorage, kContents,
                                 CFile::modeReadWrite | CFile::shareExclusive | CFile::modeCreate, &created)) {
            if (error.m_cause == CFileException::fileNotFound)
                throw CArchiveException(CArchiveException::badSchema, GetPathName());
            throw error;
        }
    }
    try {
        if (stream.GetLength() > 0) {
            CArchive ar(&stream, CArchive::load | CArchive::bNoFlushOnDelete);
            ar.m_pDocument = this;
            Serialize(ar);
            ar.Close();
            if (m_pPerformance)
                ReadItemStorages(m_pPerformance, *m_pRootStorage);   // the objects beside "Contents"
        } else {
            MakeEmptyPiece();   // an empty file is an empty piece
        }
        stream.Close();
    } catch (...) {
        stream.Abort();
        DeleteContents();
        throw;
    }
}

int MCOpusDoc::OnOpenDocument(const char* path) {
    try {
        DeleteContents();
        ReleaseRootStorage();
        SetModifiedFlag(1);
        CreateRootStorage(path);
        LoadFromStorage();
        SetModifiedFlag(0);
    } catch (const CException& e) {
        DeleteContents();
        ReleaseRootStorage();
        ReportSaveLoadException(path, &e, 0);
        return 0;
    } catch (const std::bad_alloc&) {
        DeleteContents();
        ReleaseRootStorage();
        CMemoryException e;
        ReportSaveLoadException(path, &e, 0);
        return 0;
    }
    SetPathName(path, 1);
    return 1;
}

// ---------------------------------------------------------------- saving

void MCOpusDoc::SaveNative(const std::string& path) {
    // A storage open read-only cannot take the new stream. Saved under
    // another path, the document goes to a new storage instead, which takes
    // over what else the old file holds; saved over its own read-only file,
    // the commit says that access is denied.
    std::unique_ptr<CRootStorage> fresh;
    if (!m_pRootStorage) {
        fresh = CRootStorage::Create(path);
    } else if (m_pRootStorage->IsReadOnly() && m_pRootStorage->GetPath() != StoragePathOf(path)) {
        fresh = CRootStorage::Create(path);
        CopyElements(*m_pRootStorage, *fresh, kContents);
    }
    CRootStorage& storage = fresh ? *fresh : *m_pRootStorage;
    CStreamFile stream;
    CFileException error;
    if (!stream.CreateStream(storage, kContents, CFile::modeReadWrite | CFile::shareExclusive | CFile::modeCreate,
                             &error))
        throw error;
    {
        CArchive ar(&stream, CArchive::store | CArchive::bNoFlushOnDelete);
        ar.m_pDocument = this;
        Serialize(ar);
        ar.Close();
    }
    stream.Close();
    WriteItemStorages(m_pPerformance, storage);
    storage.CommitAs(path);   // a commit when the path is the storage's own
    if (fresh)
        m_pRootStorage = std::move(fresh);
}

void MCOpusDoc::SavePlain(const std::string& path) {
    ReleaseRootStorage();
    try {
        WritePlainFile(path.c_str());
    } catch (...) {
        // Keep viewing the file the document still stands for.
        try {
            if (!GetPathName().empty())
                CreateRootStorage(m_strTempCopyPath.empty() ? GetPathName().c_str() : m_strTempCopyPath.c_str());
        } catch (const CException&) {
        }
        throw;
    }
    CreateRootStorage(path.c_str());
}

bool MCOpusDoc::ChooseNativePath(std::string& target, int& format) {
    const std::string native = NativePathFor(target);
    // The document's own file, or a path chosen already, is saved over; a
    // link that leads elsewhere (to the MIDI file itself, say) is asked about.
    const bool own = !GetPathName().empty() && StoragePathOf(native) == StoragePathOf(GetPathName());
    if (native == target || own || !FileExists(native)) {
        target = native;
        return true;
    }
    // Another file is in the way.
    const std::string question =
        Format(LoadString(IDS_REPLACE_NATIVE_QUESTION).c_str(), MCGetFileName(native).c_str());
    switch (ShowPrompt(question, MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
    case IDYES:
        target = native;
        return true;
    case IDNO: {
        std::string chosen = native;
        if (!GetSavePath(chosen, 1) || chosen.empty())
            return false;
        // As the dialog decides itself: a "mid" name typed for the native
        // type saves a type 1 MIDI file.
        format = MCSaveDialog::CorrectFormat(DF_NATIVE, chosen);
        target = chosen;
        return true;
    }
    default:
        return false;
    }
}

int MCOpusDoc::OnSaveDocument(const char* path) {
    m_sequence.Stop();
    std::string target = path ? path : "";
    // The header takes the format saved in only once the save succeeded: a
    // failed save leaves the document as it was (a MIDI document is asked
    // again next time, rather than written natively over its MIDI file).
    int format = m_header.GetFormat();
    if (format != DF_NATIVE) {
        switch (ShowPrompt(LoadString(IDS_SAVE_NATIVE_QUESTION), MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDCANCEL:
            return 0;
        case IDYES:
            format = DF_NATIVE;
            if (!ChooseNativePath(target, format))
                return 0;
            break;
        default:
            break;
        }
    }
    if (format == DF_MIDI_TYPE2) {
        // Refused before anything is touched.
        ShowPrompt(kMidiType2NotSupported, MB_ICONEXCLAMATION | MB_OK);
        return 0;
    }
    if (format != DF_NATIVE && format != DF_MIDI_TYPE0 && format != DF_MIDI_TYPE1)
        return 0;
    const int formerFormat = m_header.GetFormat();
    m_header.SetFormat(format);   // Serialize writes the header's format
    try {
        if (format == DF_NATIVE)
            SaveNative(target);
        else
            SavePlain(target);
    } catch (const CException& e) {
        m_header.SetFormat(formerFormat);
        ReportSaveLoadException(target.c_str(), &e, 1);
        return 0;
    } catch (const std::bad_alloc&) {
        m_header.SetFormat(formerFormat);
        CMemoryException e;
        ReportSaveLoadException(target.c_str(), &e, 1);
        return 0;
    }
    SetModifiedFlag(0);
    SetPathName(target.c_str(), 1);
    // Saved to a file of its own: the temporary copy is no longer read.
    if (!m_strTempCopyPath.empty() && (!m_pRootStorage || m_pRootStorage->GetPath() != m_strTempCopyPath)) {
        std::remove(m_strTempCopyPath.c_str());
        m_strTempCopyPath.clear();
    }
    if (m_pPerformance)
        (new SCFile(STATE_FILE_SAVED))->Apply(m_pPerformance);
    return 1;
}

int MCOpusDoc::DoFileSave() {
    if (!m_strTempCopyPath.empty())
        return DoSave(nullptr);
    return CDocument::DoFileSave();
}
