#include "platform/core/object.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// The classes of every loaded library, by name. Several records may share a
// name (two libraries declaring one class); the earliest still loaded answers.
struct ClassRegistry {
    std::mutex lock;
    std::unordered_map<std::string, std::vector<const CRuntimeClass*>> byName;
};

// Never destroyed: registration objects of libraries unloaded at exit may
// outlive any static of ours.
ClassRegistry& Registry() {
    static ClassRegistry* registry = new ClassRegistry;
    return *registry;
}

}  // namespace

// ---- CRuntimeClass ----------------------------------------------------------

CObject* CRuntimeClass::CreateObject() const {
    return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
    for (const CRuntimeClass* cls = this; cls; cls = cls->m_pBaseClass) {
        if (cls == base)
            return true;
    }
    return false;
}

const CRuntimeClass* CRuntimeClass::FromName(std::string_view name) {
    ClassRegistry& registry = Registry();
    std::lock_guard guard(registry.lock);
    auto found = registry.byName.find(std::string(name));
    if (found == registry.byName.end() || found->second.empty())
        return nullptr;
    return found->second.front();
}

// ---- CClassRegistration -----------------------------------------------------

CClassRegistration::CClassRegistration(const CRuntimeClass* cls) : m_class(cls) {
    ClassRegistry& registry = Registry();
    std::lock_guard guard(registry.lock);
    registry.byName[cls->m_lpszClassName].push_back(cls);
}

CClassRegistration::~CClassRegistration() {
    ClassRegistry& registry = Registry();
    std::lock_guard guard(registry.lock);
    auto found = registry.byName.find(m_class->m_lpszClassName);
    if (found == registry.byName.end())
        return;
    auto& classes = found->second;
    classes.erase(std::remove(classes.begin(), classes.end(), m_class), classes.end());
    if (classes.empty())
        registry.byName.erase(found);
}

// ---- CObject ----------------------------------------------------------------

const CRuntimeClass CObject::runtimeClass = {"CObject", static_cast<int>(sizeof(CObject)),
                                             NONSERIAL_SCHEMA, nullptr, nullptr};

namespace {
const CClassRegistration s_registration_CObject(RUNTIME_CLASS(CObject));
}

const CRuntimeClass* CObject::GetRuntimeClass() const {
    return RUNTIME_CLASS(CObject);
}

void CObject::Serialize(CArchive&) {}

void CObject::OnReadFailed() {
    delete this;
}

bool CObject::IsKindOf(const CRuntimeClass* cls) const {
    return GetRuntimeClass()->IsDerivedFrom(cls);
}
