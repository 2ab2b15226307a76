#include "interface/document/oledata.h"

#include "interface/document/embedding.h"
#include "interface/document/oledatainfo.h"
#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/frame.h"
#include "model/performance.h"
#include "platform/core/archive.h"
#include "platform/core/trace.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <string>
#include <vector>

namespace {

// The memory file of either format grows in steps of this many bytes, and
// its archive buffers as many.
constexpr size_t kGrowBytes = 4096;
constexpr int kArchiveBuffer = 4096;

// The bytes `write` archives, the archive's document set; throws what
// archiving throws (nothing is left behind: the memory goes with the file).
template <class Write>
std::vector<uint8_t> ArchiveBytes(MCOpusDoc* document, const Write& write) {
    CMemFile file(kGrowBytes);
    CArchive ar(&file, CArchive::store, kArchiveBuffer);
    ar.m_pDocument = document;
    write(ar);
    ar.Close();
    return file.Detach();
}

// Reads `file` with `read`, the archive's document set. 1 when it read
// whole; 0 when archiving threw (the reader leaves nothing behind).
template <class Read>
int ReadArchive(CMemFile& file, MCOpusDoc* document, const Read& read) {
    try {
        CArchive ar(&file, CArchive::load, kArchiveBuffer);
        ar.m_pDocument = document;
        read(ar);
        return 1;
    } catch (const CException& e) {
        Trace("Clipboard data not read: %s\n", e.what());
    } catch (const std::bad_alloc&) {
        Trace("Clipboard data not read: out of memory\n");
    }
    return 0;
}

// Clipboard events are always written in the current form, whoever wrote
// them; but timed events read their times in the form of the active
// performance's file version, which for a document opened from an older
// file is an older one. The current version is in force while this lives.
class CurrentFormatScope {
public:
    CurrentFormatScope() : m_performance(ECPerformance::GetActivePerformance()) {
        if (m_performance) {
            m_version = m_performance->GetVersion();
            m_performance->SetVersion(ECPerformance::CURRENT_VERSION);
        }
    }
    ~CurrentFormatScope() {
        if (m_performance)
            m_performance->SetVersion(m_version);
    }
    CurrentFormatScope(const CurrentFormatScope&) = delete;
    CurrentFormatScope& operator=(const CurrentFormatScope&) = delete;

private:
    ECPerformance* m_performance;   // borrowed: the active one
    int m_version = 0;
};

// The object of one copied frame's item, as the object format carries it.
struct FrameObject {
    uint32_t number = 0;
    std::string mimeType;
    std::string fileName;
    std::string linkPath;
    std::vector<uint8_t> bytes;
};

// The fewest bytes one object takes: its number, three empty strings and a
// zero size.
constexpr size_t kMinObjectBytes = 4 + 3 + 4;

// The items of the frames among `events` (a frame without one has nothing
// to carry).
std::vector<CScoreCntrItem*> FrameItems(const MCEventList& events) {
    std::vector<CScoreCntrItem*> items;
    for (POSITION pos = events.GetHeadPosition(); pos;) {
        auto* frame = dynamic_cast<ECFrame*>(events.GetNext(pos));
        if (frame && frame->GetClientItem())
            items.push_back(frame->GetClientItem());
    }
    return items;
}

void StoreObjects(CArchive& ar, const std::vector<CScoreCntrItem*>& items) {
    ar.WriteCount(items.size());
    for (const CScoreCntrItem* item : items) {
        const std::vector<uint8_t>& bytes = item->GetData();
        if (bytes.size() > 0xFFFFFFFFu)
            throw CArchiveException(CArchiveException::generic);
        ar << static_cast<DWORD>(item->GetItemNumber());
        ar << item->GetMimeType() << item->GetFileName() << item->GetLinkPath();
        ar << static_cast<DWORD>(bytes.size());
        ar.Write(bytes.data(), bytes.size());
    }
}

// Everything is read before anything is used, so damaged data changes no
// frame.
std::vector<FrameObject> LoadObjects(CArchive& ar) {
    const DWORD count = ar.ReadCount(kMinObjectBytes);
    std::vector<FrameObject> objects;
    objects.reserve(ar.GetReserveCount(count, sizeof(FrameObject)));
    for (DWORD i = 0; i < count; ++i) {
        FrameObject object;
        DWORD number = 0;
        DWORD size = 0;
        ar >> number >> object.mimeType >> object.fileName >> object.linkPath >> size;
        ar.CheckRemaining(size);
        object.number = number;
        object.bytes.resize(size);
        ar.ReadExact(object.bytes.data(), object.bytes.size());
        objects.push_back(std::move(object));
    }
    return objects;
}

}  // namespace

// ---- COleDataOut ----------------------------------------------------------------

COleDataOut::COleDataOut() : COleDataOut(nullptr) {}

COleDataOut::COleDataOut(MCOpusDoc* document)
    : m_pDocument(document),
      m_cfMusicFormat(RegisterClipboardFormat(CF_MUSICFORMAT_NAME)),
      m_cfObjectInfo(RegisterClipboardFormat(CF_OBJECTINFO_NAME)),
      m_cfObjectData(RegisterClipboardFormat(CF_OBJECTDATA_NAME)) {}

COleDataOut::~COleDataOut() = default;

int COleDataOut::SetInfo(COleDataInfo* info) {
    if (!info)
        return 0;
    m_pInfo = info;
    try {
        CacheData(m_cfObjectInfo, ArchiveBytes(m_pDocument, [info](CArchive& ar) { info->Serialize(ar); }));
        return 1;
    } catch (const CException& e) {
        Trace("COleDataOut::SetInfo: %s\n", e.what());
    } catch (const std::bad_alloc&) {
        Trace("COleDataOut::SetInfo: out of memory\n");
    }
    return 0;
}

int COleDataOut::SetEvents(const MCEventList& events) {
    if (events.IsEmpty())
        return 0;
    if (&events != &m_events) {
        m_events.RemoveAll();
        m_events.AddEvents(&events, UNSORTED);
    }
    ECPerformance* performance = m_pDocument ? m_pDocument->GetBaseEvent() : nullptr;
    try {
        std::unique_lock<CCriticalSection> tree;
        if (performance)
            tree = std::unique_lock<CCriticalSection>(performance->GetLock());
        std::vector<uint8_t> music = ArchiveBytes(m_pDocument, [this](CArchive& ar) { m_events.Serialize(ar); });
        const std::vector<CScoreCntrItem*> items = FrameItems(m_events);
        std::vector<uint8_t> objects;
        if (!items.empty())
            objects = ArchiveBytes(m_pDocument, [&items](CArchive& ar) { StoreObjects(ar, items); });
        CacheData(m_cfMusicFormat, std::move(music));
        if (!items.empty())
            CacheData(m_cfObjectData, std::move(objects));
        return 1;
    } catch (const CException& e) {
        Trace("COleDataOut::SetEvents: %s\n", e.what());
    } catch (const std::bad_alloc&) {
        Trace("COleDataOut::SetEvents: out of memory\n");
    }
    return 0;
}

int COleDataOut::SetFromSelection(SCSelection& selection, COleDataInfo* info) {
    if (!SetInfo(info))
        return 0;
    return SetEvents(selection.GetEvents(1));
}

// ---- COleDataIn -----------------------------------------------------------------

COleDataIn::COleDataIn(MCOpusDoc* document)
    : m_pDocument(document),
      m_cfMusicFormat(RegisterClipboardFormat(CF_MUSICFORMAT_NAME)),
      m_cfObjectInfo(RegisterClipboardFormat(CF_OBJECTINFO_NAME)),
      m_cfObjectData(RegisterClipboardFormat(CF_OBJECTDATA_NAME)) {}

COleDataIn::~COleDataIn() {
    m_dataObject.Release();
}

int COleDataIn::CanCreateEmbedded() {
    return CanCreateItemFromData(m_dataObject);
}

int COleDataIn::CheckForData(int flags) {
    if ((flags & OLEDATA_ATTACH_CLIPBOARD) && !m_dataObject.AttachClipboard())
        return 0;
    int answer = 0;
    if (flags & OLEDATA_OLEOBJECT)
        answer = CanCreateEmbedded();
    else if (flags & OLEDATA_EVENTS)
        answer = m_dataObject.IsDataAvailable(m_cfMusicFormat);
    else if (flags & OLEDATA_INFO)
        answer = m_dataObject.IsDataAvailable(m_cfObjectInfo);
    else
        answer = m_dataObject.IsDataAvailable(m_cfMusicFormat) || CanCreateEmbedded();
    if (flags & OLEDATA_ATTACH_CLIPBOARD)
        m_dataObject.Release();
    return answer;
}

int COleDataIn::GetOurData(MCEventList* events, COleDataInfo* info, int flags) {
    int result = 0;
    if ((flags & OLEDATA_ATTACH_CLIPBOARD) && !m_dataObject.AttachClipboard())
        return 0;
    if ((flags & OLEDATA_EVENTS) && events)
        result = ReadEvents(*events);
    if ((flags & OLEDATA_INFO) && info)
        result = ReadInfo(*info);
    if (flags & OLEDATA_ATTACH_CLIPBOARD)
        m_dataObject.Release();
    return result;
}

int COleDataIn::ReadEvents(MCEventList& events) {
    std::unique_ptr<CMemFile> file = m_dataObject.GetFileData(m_cfMusicFormat);
    if (!file)
        return 0;
    // The events are read into a list of their own and join the caller's only
    // when all were read. The list outlives the load guard: on a failure the
    // guard frees what no event took while the list still holds the events
    // it has, and the list lets go of those after.
    MCEventList read(10);
    const int whole = ReadArchive(*file, m_pDocument, [&read](CArchive& ar) {
        CurrentFormatScope format;
        ECLoadGuard guard;
        read.Serialize(ar);
        guard.Commit();
    });
    if (!whole || !FillFrameObjects(read))
        return 0;
    events.AddEvents(&read, UNSORTED);
    return 1;
}

int COleDataIn::ReadInfo(COleDataInfo& info) {
    std::unique_ptr<CMemFile> file = m_dataObject.GetFileData(m_cfObjectInfo);
    if (!file)
        return 0;
    // The block changes only when its data was whole (COleDataInfo::Serialize).
    return ReadArchive(*file, m_pDocument, [&info](CArchive& ar) { info.Serialize(ar); });
}

int COleDataIn::FillFrameObjects(MCEventList& events) {
    const std::vector<CScoreCntrItem*> items = FrameItems(events);
    if (items.empty())
        return 1;
    std::vector<FrameObject> objects;
    if (std::unique_ptr<CMemFile> file = m_dataObject.GetFileData(m_cfObjectData)) {
        const int whole =
            ReadArchive(*file, m_pDocument, [&objects](CArchive& ar) { objects = LoadObjects(ar); });
        if (!whole)
            return 0;
    }
    for (CScoreCntrItem* item : items) {
        const auto found = std::find_if(objects.begin(), objects.end(), [item](const FrameObject& object) {
            return object.number == item->GetItemNumber();
        });
        if (found != objects.end()) {
            item->SetMimeType(std::move(found->mimeType));
            item->SetFileName(std::move(found->fileName));
            item->SetLinkPath(std::move(found->linkPath));
            item->SetData(std::move(found->bytes));
            objects.erase(found);   // one object, one item
        }
        // A copy that kept the original's number would share its storage:
        // saving one would overwrite, or drop, the other's object.
        if (m_pDocument)
            item->SetItemNumber(m_pDocument->GetNewItemNumber());
    }
    return 1;
}
