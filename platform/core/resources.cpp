#include "platform/core/resources.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <type_traits>
#include <variant>

namespace {

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

// A data block's key: its kind and its number or (upper-cased) name.
using BlockKey = std::pair<std::string, std::variant<unsigned, std::string>>;

struct StringEntry {
    std::string text;
    const void* owner;   // the registration object that entered it
};
struct BlockEntry {
    const void* data;
    size_t size;
    const void* owner;
};

// Each key keeps every registration of it, the latest in force: when that one
// leaves, the one it replaced is found again.
struct ModuleResources {
    std::map<unsigned, std::vector<StringEntry>> strings;
    std::map<BlockKey, std::vector<BlockEntry>> blocks;
};

template <typename Map>
void RemoveOwner(Map& map, const void* owner) {
    for (auto it = map.begin(); it != map.end();) {
        std::erase_if(it->second, [&](const auto& entry) { return entry.owner == owner; });
        it = it->second.empty() ? map.erase(it) : std::next(it);
    }
}

// All modules' resources. Built on first use and never destroyed, so that
// registrations of libraries unloaded at exit still find it.
struct Registry {
    std::mutex lock;
    std::map<HINSTANCE, ModuleResources> modules;
    std::vector<HINSTANCE> order;   // modules in the order they first registered

    ModuleResources& Enter(HINSTANCE module) {
        auto [it, added] = modules.try_emplace(module);
        if (added)
            order.push_back(module);
        return it->second;
    }

    void Leave(HINSTANCE module, const void* owner) {
        auto it = modules.find(module);
        if (it == modules.end())
            return;
        RemoveOwner(it->second.strings, owner);
        RemoveOwner(it->second.blocks, owner);
        if (it->second.strings.empty() && it->second.blocks.empty()) {
            modules.erase(it);
            std::erase(order, module);
        }
    }

    // The modules to search, in order: the given one, or the current module,
    // the program's and all others.
    std::vector<HINSTANCE> SearchOrder(HINSTANCE only) const {
        if (only)
            return {only};
        std::vector<HINSTANCE> search{GetResourceHandle(), GetProgramModule()};
        for (HINSTANCE module : order)
            if (std::find(search.begin(), search.end(), module) == search.end())
                search.push_back(module);
        return search;
    }

    // Where a lookup found a key: the module and its registration in force.
    template <typename Entry>
    struct Found {
        HINSTANCE module = nullptr;
        const Entry* entry = nullptr;   // null: no module in the search has the key
    };

    // The registration in force of `key` in one table (strings or blocks) of
    // the first module, in search order, that has it. The caller holds the lock.
    template <typename Key, typename Entry>
    Found<Entry> FindLatest(HINSTANCE only, std::map<Key, std::vector<Entry>> ModuleResources::*table,
                            const std::type_identity_t<Key>& key) const {
        for (HINSTANCE module : SearchOrder(only)) {
            auto it = modules.find(module);
            if (it == modules.end())
                continue;
            const auto& entries = it->second.*table;
            auto found = entries.find(key);
            if (found != entries.end())
                return {module, &found->second.back()};
        }
        return {};
    }
};

Registry& TheRegistry() {
    static auto* registry = new Registry;
    return *registry;
}

std::atomic<HINSTANCE> s_current{nullptr};

bool FindString(HINSTANCE only, unsigned id, std::string& text) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.lock);
    const StringEntry* entry = registry.FindLatest(only, &ModuleResources::strings, id).entry;
    text = entry ? entry->text : std::string();
    return entry != nullptr;
}

ResourceBlock FindBlock(HINSTANCE only, const BlockKey& key) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.lock);
    auto [module, entry] = registry.FindLatest(only, &ModuleResources::blocks, key);
    return entry ? ResourceBlock{entry->data, entry->size, module} : ResourceBlock{};
}

void RegisterBlock(const void* owner, HINSTANCE module, BlockKey key, const void* data, size_t size) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.lock);
    registry.Enter(module).blocks[std::move(key)].push_back(BlockEntry{data, size, owner});
}

}  // namespace

// ---- the current module ---------------------------------------------------------

HINSTANCE GetResourceHandle() {
    HINSTANCE current = s_current.load();
    return current ? current : GetProgramModule();
}

void SetResourceHandle(HINSTANCE module) {
    s_current.store(module);
}

// ---- strings --------------------------------------------------------------------

CStringTable::CStringTable(std::initializer_list<StringTableEntry> entries)
    : m_module(GetModuleForAddress(this)) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.lock);
    ModuleResources& resources = registry.Enter(m_module);
    for (const StringTableEntry& entry : entries)
        resources.strings[entry.id].push_back(StringEntry{entry.text ? entry.text : "", this});
}

CStringTable::~CStringTable() {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.lock);
    registry.Leave(m_module, this);
}

bool LoadString(unsigned id, std::string& text) {
    return FindString(nullptr, id, text);
}

std::string LoadString(unsigned id) {
    std::string text;
    FindString(nullptr, id, text);
    return text;
}

bool LoadString(HINSTANCE module, unsigned id, std::string& text) {
    return FindString(module, id, text);
}

// ---- data blocks ----------------------------------------------------------------

CResourceData::CResourceData(const char* type, unsigned id, const void* data, size_t size)
    : m_module(GetModuleForAddress(this)) {
    RegisterBlock(this, m_module, BlockKey{UpperAscii(type), id}, data, size);
}

CResourceData::CResourceData(const char* type, const char* name, const void* data, size_t size)
    : m_module(GetModuleForAddress(this)) {
    RegisterBlock(this, m_module, BlockKey{UpperAscii(type), UpperAscii(name)}, data, size);
}

CResourceData::~CResourceData() {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.lock);
    registry.Leave(m_module, this);
}

ResourceBlock FindResource(const char* type, unsigned id) {
    return FindBlock(nullptr, BlockKey{UpperAscii(type), id});
}

ResourceBlock FindResource(const char* type, std::string_view name) {
    return FindBlock(nullptr, BlockKey{UpperAscii(type), UpperAscii(name)});
}

ResourceBlock FindResource(HINSTANCE module, const char* type, unsigned id) {
    return FindBlock(module, BlockKey{UpperAscii(type), id});
}

ResourceBlock FindResource(HINSTANCE module, const char* type, std::string_view name) {
    return FindBlock(module, BlockKey{UpperAscii(type), UpperAscii(name)});
}

std::vector<HINSTANCE> GetResourceModules() {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.lock);
    return registry.order;
}
