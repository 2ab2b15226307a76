#include "interface/document/pluginrecords.h"

#include "platform/core/resources.h"

#include <map>

// The lists of this library; records of other libraries enter them after this
// library has loaded, so they exist before the first AddPlugin.
MCPtrList CPluginView::s_plugins(10);
MCPtrList CPluginPrefs::s_plugins(10);
MCPtrList CPluginMusic::s_plugins(10);
MCPtrList CPluginEffects::s_plugins(10);

namespace {

// The inspector registry: event type to its list of records. The map owns the
// lists. Inspector records remove themselves in their destructors, which may
// run after this library's statics are gone (a record of a library unloaded at
// exit); `alive` tells them there is nothing left to leave.
struct InspectorMap {
    std::map<uint16_t, std::unique_ptr<MCPtrList>> lists;
    static inline bool alive = false;

    InspectorMap() { alive = true; }
    ~InspectorMap() { alive = false; }
};
InspectorMap s_inspectorMap;

// The lists hold CPlugin pointers: the record at pos, and pos moved on.
template <class Record>
Record* NextRecord(const MCPtrList& list, POSITION& pos) {
    return static_cast<Record*>(static_cast<CPlugin*>(list.GetNext(pos)));
}

// Enters `record` before the first record of a greater order, or at the end:
// records of equal order stay in the order they came.
template <class Record>
void InsertByOrder(MCPtrList& list, Record* record) {
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        POSITION here = pos;
        if (NextRecord<Record>(list, pos)->GetOrder() > record->GetOrder()) {
            list.InsertBefore(here, static_cast<CPlugin*>(record));
            return;
        }
    }
    list.AddTail(static_cast<CPlugin*>(record));
}

// A string of one record's module: that module is made the current resource
// module for the load; with none, the current resources as they are.
int LoadModuleString(HINSTANCE module, unsigned stringId, std::string& text) {
    if (!module)
        return ::LoadString(stringId, text) ? 1 : 0;
    CResourceSwitch use(module);
    return ::LoadString(stringId, text) ? 1 : 0;
}

// The title without its first "&".
int LoadTitleWithoutAmpersand(HINSTANCE module, unsigned stringId, std::string& text) {
    std::string title;
    if (!LoadModuleString(module, stringId, title))
        return 0;
    size_t amp = title.find('&');
    if (amp != std::string::npos)
        title.erase(amp, 1);
    text = std::move(title);
    return 1;
}

// A new page of a page class; null when there is no class, it makes no
// object, or what it makes is no property page (that object is deleted).
std::unique_ptr<CPropertyPage> CreatePage(const CRuntimeClass* pageClass) {
    std::unique_ptr<CObject> made(pageClass ? pageClass->CreateObject() : nullptr);
    if (!made || !made->IsKindOf(RUNTIME_CLASS(CPropertyPage)))
        return nullptr;
    return std::unique_ptr<CPropertyPage>(static_cast<CPropertyPage*>(made.release()));
}

}  // namespace

// ---- CPluginView ------------------------------------------------------------------

CPluginView::CPluginView(const CRuntimeClass* viewClass, const CRuntimeClass* frameClass,
                         HINSTANCE module, unsigned viewIndex, unsigned titleStringId, int order)
    : m_nOrder(order),
      m_pViewClass(viewClass),
      m_pFrameClass(frameClass),
      m_hModule(module),
      m_nViewIndex(viewIndex),
      m_nViewID(viewIndex + VIEW_ID_OFFSET),
      m_nTitleStringID(titleStringId) {}

CPluginView::~CPluginView() = default;
CPluginView::CPluginView(const CPluginView& other) = default;
CPluginView& CPluginView::operator=(const CPluginView& other) = default;

int CPluginView::LoadString(std::string& text, unsigned stringId) const {
    return LoadModuleString(m_hModule, stringId, text);
}

int CPluginView::LoadMenuString(std::string& text) const {
    return LoadModuleString(m_hModule, m_nTitleStringID, text);
}

int CPluginView::LoadTitleString(std::string& text) const {
    return LoadTitleWithoutAmpersand(m_hModule, m_nTitleStringID, text);
}

void CPluginView::AddPlugin(CPluginView* record) {
    InsertByOrder(s_plugins, record);
}

void CPluginView::RemovePlugin(CPluginView*) {}

CPluginView* CPluginView::FindPlugin(unsigned viewId) {
    for (POSITION pos = s_plugins.GetHeadPosition(); pos;) {
        CPluginView* record = NextRecord<CPluginView>(s_plugins, pos);
        if (record->m_nViewID == viewId)
            return record;
    }
    return nullptr;
}

CPluginView* CPluginView::FindPlugin(const CRuntimeClass* viewClass) {
    for (POSITION pos = s_plugins.GetHeadPosition(); pos;) {
        CPluginView* record = NextRecord<CPluginView>(s_plugins, pos);
        if (record->m_pViewClass == viewClass)
            return record;
    }
    return nullptr;
}

// ---- CPluginInspector -------------------------------------------------------------

CPluginInspector::CPluginInspector(uint16_t eventType, const CRuntimeClass* pageClass,
                                   HINSTANCE module, unsigned titleStringId, int order)
    : m_nOrder(order),
      m_wEventType(eventType),
      m_pPageClass(pageClass),
      m_hModule(module),
      m_nTitleStringID(titleStringId) {}

CPluginInspector::~CPluginInspector() {
    if (!InspectorMap::alive)
        return;
    auto it = s_inspectorMap.lists.find(m_wEventType);
    if (it == s_inspectorMap.lists.end())
        return;
    MCPtrList& list = *it->second;
    if (POSITION pos = list.Find(static_cast<CPlugin*>(this)))
        list.RemoveAt(pos);
    if (list.IsEmpty())
        s_inspectorMap.lists.erase(it);
}

// The page stays with the record it was made for (see the header).
CPluginInspector::CPluginInspector(const CPluginInspector& other)
    : CPlugin(other),
      m_nOrder(other.m_nOrder),
      m_wEventType(other.m_wEventType),
      m_pPageClass(other.m_pPageClass),
      m_hModule(other.m_hModule),
      m_nTitleStringID(other.m_nTitleStringID) {}

CPluginInspector& CPluginInspector::operator=(const CPluginInspector& other) {
    if (this != &other) {
        m_nOrder = other.m_nOrder;
        m_wEventType = other.m_wEventType;
        m_pPageClass = other.m_pPageClass;
        m_pPage.reset();   // a page of the old class would not match the new one
        m_hModule = other.m_hModule;
        m_nTitleStringID = other.m_nTitleStringID;
    }
    return *this;
}

int CPluginInspector::LoadString(std::string& text, unsigned stringId) const {
    return LoadModuleString(m_hModule, stringId, text);
}

int CPluginInspector::LoadTitleString(std::string& text) const {
    return LoadTitleWithoutAmpersand(m_hModule, m_nTitleStringID, text);
}

CPropertyPage* CPluginInspector::GetInspectorPage() {
    if (!m_pPage)
        m_pPage = CreatePage(m_pPageClass);
    return m_pPage.get();
}

void CPluginInspector::AddPlugin(CPluginInspector* record) {
    InsertByOrder(*GetPlugins(record->m_wEventType, 1), record);
}

void CPluginInspector::RemovePlugin(CPluginInspector*) {}

MCPtrList* CPluginInspector::GetPlugins(uint16_t eventType, int create) {
    auto it = s_inspectorMap.lists.find(eventType);
    if (it != s_inspectorMap.lists.end())
        return it->second.get();
    if (!create)
        return nullptr;
    auto& list = s_inspectorMap.lists[eventType];
    list = std::make_unique<MCPtrList>(10);
    return list.get();
}

// ---- CPluginPrefs -----------------------------------------------------------------

CPluginPrefs::CPluginPrefs(const CRuntimeClass* pageClass, int category, int order)
    : m_nCategory(category), m_nOrder(order), m_pPageClass(pageClass) {}

CPluginPrefs::~CPluginPrefs() = default;
CPluginPrefs::CPluginPrefs(const CPluginPrefs& other) = default;
CPluginPrefs& CPluginPrefs::operator=(const CPluginPrefs& other) = default;

std::unique_ptr<CPropertyPage> CPluginPrefs::GetPrefsPage() const {
    return CreatePage(m_pPageClass);
}

void CPluginPrefs::AddPlugin(CPluginPrefs* record) {
    InsertByOrder(s_plugins, record);
}

void CPluginPrefs::RemovePlugin(CPluginPrefs*) {}

// ---- CPluginMusic -----------------------------------------------------------------

CPluginMusic::CPluginMusic(const CRuntimeClass* pageClass, int order)
    : m_nOrder(order), m_pPageClass(pageClass) {}

CPluginMusic::~CPluginMusic() = default;

CPluginMusic::CPluginMusic(const CPluginMusic& other)
    : CPlugin(other), m_nOrder(other.m_nOrder), m_pPageClass(other.m_pPageClass) {}

CPluginMusic& CPluginMusic::operator=(const CPluginMusic& other) {
    if (this != &other) {
        m_nOrder = other.m_nOrder;
        m_pPageClass = other.m_pPageClass;
        m_pPage.reset();
    }
    return *this;
}

CPropertyPage* CPluginMusic::GetMusicPage() {
    if (!m_pPage)
        m_pPage = CreatePage(m_pPageClass);
    return m_pPage.get();
}

void CPluginMusic::AddPlugin(CPluginMusic* record) {
    InsertByOrder(s_plugins, record);
}

void CPluginMusic::RemovePlugin(CPluginMusic*) {}

// ---- CPluginEffects ---------------------------------------------------------------

CPluginEffects::CPluginEffects(const CRuntimeClass* pageClass) : m_pPageClass(pageClass) {}

CPluginEffects::~CPluginEffects() = default;

CPluginEffects::CPluginEffects(const CPluginEffects& other)
    : CPlugin(other), m_pPageClass(other.m_pPageClass) {}

CPluginEffects& CPluginEffects::operator=(const CPluginEffects& other) {
    if (this != &other) {
        m_pPageClass = other.m_pPageClass;
        m_pPage.reset();
    }
    return *this;
}

CPropertyPage* CPluginEffects::GetEffectsPage() {
    if (!m_pPage)
        m_pPage = CreatePage(m_pPageClass);
    return m_pPage.get();
}

void CPluginEffects::AddPlugin(CPluginEffects* record) {
    s_plugins.AddTail(static_cast<CPlugin*>(record));
}

void CPluginEffects::RemovePlugin(CPluginEffects*) {}
