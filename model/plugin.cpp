#include "model/plugin.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/filterbase.h"
#include "model/stringmap.h"
#include "model/viewdata.h"
#include "platform/core/filesys.h"
#include "platform/core/format.h"
#include "platform/core/trace.h"

#include <functional>
#include <vector>

// ---- the plug-in folder ------------------------------------------------------------

namespace {

// The libraries of the plug-in folder, as the system names them. The platform's
// file search maps the ".DLL" pattern to this platform's shared libraries
// ("*.so"); this is the one place the loader names them. Its results come in
// name order (byte order), where the system took whatever order the file system
// gave: so every machine loads the plug-ins, and meets a broken one, in the
// same order.
constexpr const char* kLibraryPattern = "%s\\*.DLL";
constexpr const char* kPluginFolderName = "PlugIns";
constexpr const char* kStartupExport = "InitPlugins";

// Visits each library of the plug-in folder in order until the visitor answers 0
// (a library that cannot be loaded). 0 when there is no visitor or the folder
// holds no library, else 1.
int ScanPluginFolder(const std::string& programFolder, const std::function<int(const std::string&)>& visitor) {
    if (!visitor)
        return 0;
    std::string folder = CPlugin::GetPluginFolder(programFolder);
    std::vector<FileFindData> found = FindFiles(Format(kLibraryPattern, folder.c_str()));
    if (found.empty())
        return 0;
    for (const FileFindData& file : found) {
        if (!visitor(PathJoin(folder, file.name)))
            break;
    }
    return 1;
}

}  // namespace

std::string CPlugin::GetPluginFolder(const std::string& programFolder) {
    return PathJoin(programFolder.empty() ? GetProgramFolder() : programFolder, kPluginFolderName);
}

int CPlugin::Initialize(const std::string& programFolder) {
    return ScanPluginFolder(programFolder, [](const std::string& path) { return InitPlugin(path); });
}

int CPlugin::UnInitialize(const std::string& programFolder) {
    return ScanPluginFolder(programFolder, [](const std::string& path) { return FreePlugin(path); });
}

int CPlugin::InitPlugin(const std::string& path) {
    std::string error;
    HINSTANCE library = LoadLibrary(path, &error);
    if (!library) {
        Trace("CPlugin: cannot load %s: %s\n", path.c_str(), error.c_str());
        return 0;
    }
    return InitPlugin(library);
}

int CPlugin::InitPlugin(HINSTANCE library) {
    using StartupFunction = int (*)();
    if (auto startup = reinterpret_cast<StartupFunction>(GetProcAddress(library, kStartupExport)))
        startup();   // its answer carries nothing the loader acts on
    return 1;
}

int CPlugin::FreePlugin(const std::string& path) {
    if (HINSTANCE library = GetModuleHandle(path))
        FreeLibrary(library);
    return 1;
}

// ---- the view-data registry ----------------------------------------------------------

namespace {

// Row: view kind; column: event type. Constant-initialized, so it is empty before
// any library's static records are constructed.
const CRuntimeClass* s_dataClasses[DK_COUNT][ET_COUNT] = {};
bool s_dataTableCleared = false;

bool InTable(int kind, int type) {
    return kind >= 0 && kind < DK_COUNT && type >= 0 && type < ET_COUNT;
}

}  // namespace

CPluginData::CPluginData(const CRuntimeClass* dataClass, int kind, int type)
    : m_dataClass(dataClass), m_viewCode(kind), m_eventType(type) {
    if (!s_dataTableCleared) {
        s_dataTableCleared = true;
        for (auto& row : s_dataClasses)
            for (const CRuntimeClass*& cell : row)
                cell = nullptr;
    }
}

void CPluginData::AddPlugin(const CPluginData* record) {
    if (record && InTable(record->m_viewCode, record->m_eventType))
        s_dataClasses[record->m_viewCode][record->m_eventType] = record->m_dataClass;
}

void CPluginData::RemovePlugin(const CPluginData* record) {
    if (record && InTable(record->m_viewCode, record->m_eventType))
        s_dataClasses[record->m_viewCode][record->m_eventType] = nullptr;
}

const CRuntimeClass*& CPluginData::GetDataClass(int kind, int type) {
    if (InTable(kind, type))
        return s_dataClasses[kind][type];
    // A caller that asks outside the table reads null and may write without harm
    // (one spare cell per thread).
    thread_local const CRuntimeClass* s_spare = nullptr;
    s_spare = nullptr;
    return s_spare;
}

DCBase* CPluginData::CreateData(int kind, int type) {
    if (!InTable(kind, type) || !s_dataClasses[kind][type])
        return nullptr;
    CObject* object = s_dataClasses[kind][type]->CreateObject();
    if (DCBase* data = DynamicDowncast<DCBase>(object))
        return data;
    delete object;   // a class registered by mistake, or one that cannot be created
    return nullptr;
}

DCBase* CPluginData::CreateData(int kind, ECBase* event) {
    if (!event)
        return nullptr;
    DCBase* data = CreateData(kind, event->GetClassType());
    if (data)
        data->SetOwner(event);
    return data;
}

// ---- the filter registry -------------------------------------------------------------

CPluginFilter::CPluginFilter(const CRuntimeClass* filterClass, const std::string& name)
    : m_filterClass(filterClass), m_name(name) {}

MCMapStringToPtr& CPluginFilter::GetPlugins() {
    // Made on first use: records of other libraries register from their static
    // constructors, which may run before this library's.
    static MCMapStringToPtr s_plugins;
    return s_plugins;
}

static_assert(CPluginFilter::MAX_NAME == MCMapStringToPtr::MAX_KEY, "a record's name is a key of the map");

void CPluginFilter::AddPlugin(CPluginFilter* record) {
    if (!record)
        return;
    MCMapStringToPtr& plugins = GetPlugins();
    void* existing = nullptr;
    if (!plugins.Lookup(record->m_name, existing))
        plugins.SetAt(record->m_name, record);   // refuses a name too long to be a key
}

void CPluginFilter::RemovePlugin(CPluginFilter*) {}

CPluginFilter* CPluginFilter::FindPlugin(const std::string& name) {
    void* record = nullptr;
    return GetPlugins().Lookup(name, record) ? static_cast<CPluginFilter*>(record) : nullptr;
}

namespace {

// The first record, in the map's visiting order, that matches.
CPluginFilter* FindFirst(const std::function<bool(const CPluginFilter&)>& matches) {
    MCMapStringToPtr& plugins = CPluginFilter::GetPlugins();
    for (auto position = plugins.GetStartPosition(); position;) {
        std::string name;
        void* value = nullptr;
        plugins.GetNextAssoc(position, name, value);
        auto* record = static_cast<CPluginFilter*>(value);
        if (record && matches(*record))
            return record;
    }
    return nullptr;
}

LCBase* CreateFilterOf(const CPluginFilter* record) {
    if (!record || !record->GetFilterClass())
        return nullptr;
    CObject* object = record->GetFilterClass()->CreateObject();
    if (LCBase* filter = DynamicDowncast<LCBase>(object))
        return filter;
    delete object;
    return nullptr;
}

}  // namespace

CPluginFilter* CPluginFilter::FindPlugin(const CRuntimeClass* filterClass) {
    return FindFirst([filterClass](const CPluginFilter& record) { return record.GetFilterClass() == filterClass; });
}

CPluginFilter* CPluginFilter::FindPlugin(unsigned code) {
    return FindFirst([code](const CPluginFilter& record) { return record.GetFilterCode() == code; });
}

LCBase* CPluginFilter::CreateFilter(const std::string& name) {
    return CreateFilterOf(FindPlugin(name));
}

LCBase* CPluginFilter::CreateFilter(unsigned code) {
    return CreateFilterOf(FindPlugin(code));
}
