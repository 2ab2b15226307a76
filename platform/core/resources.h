// Resources: each module's numbered strings and data blocks (pictures), and the
// current resource module that lookups start from.
//
// Every module (library.h) has its own resources: the program's, each shared
// library's, and those of resource-only libraries (wallpapers, button faces).
// A library declares its strings in a static registration object,
//
//     STRING_TABLE({11525, "&View"}, {11526, "&Preferences"});
//
// which enters them in the module that holds the object when the library is
// loaded and takes them out again when it is unloaded; data blocks are declared
// the same way with a CResourceData object. The texts are UTF-8 and are copied;
// a data block is referred to, not copied, and is valid while its library stays
// loaded. Within one module a later registration of an id hides an earlier one
// until it is unregistered.
//
// Lookups start in the current resource module, then the program's, then every
// other module with resources in the order they registered (the libraries the
// program is linked with and the plug-ins it loaded), so code of any library finds
// its own strings without switching. SetResourceHandle switches the current
// module (for a resource-only library) and is undone by setting the saved handle
// back; CResourceSwitch does both.
//
// Threads: registration happens on whichever thread loads the library; lookups on
// any thread (a lock guards the tables). The current module is one value for the
// whole process, used from the user-interface thread.
#pragma once

#include "platform/core/library.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// ---- the current resource module ------------------------------------------------

// The module lookups start from (the program's until switched).
HINSTANCE GetResourceHandle();
// Makes `module` the current resource module (null: the program's again).
void SetResourceHandle(HINSTANCE module);

// Switches the current resource module for its lifetime and switches back.
class CResourceSwitch {
public:
    explicit CResourceSwitch(HINSTANCE module) : m_previous(GetResourceHandle()) {
        SetResourceHandle(module);
    }
    ~CResourceSwitch() { SetResourceHandle(m_previous); }
    CResourceSwitch(const CResourceSwitch&) = delete;
    CResourceSwitch& operator=(const CResourceSwitch&) = delete;

private:
    HINSTANCE m_previous;
};

// ---- strings --------------------------------------------------------------------

struct StringTableEntry {
    unsigned id;
    const char* text;   // UTF-8
};

// A library's string table: registers its entries in the module that holds this
// object for as long as the object lives. Declare it static, at namespace scope.
class CStringTable {
public:
    CStringTable(std::initializer_list<StringTableEntry> entries);
    ~CStringTable();
    CStringTable(const CStringTable&) = delete;
    CStringTable& operator=(const CStringTable&) = delete;

    HINSTANCE GetModule() const { return m_module; }

private:
    HINSTANCE m_module;
};

#define STAFFWRIGHT_CONCAT_(a, b) a##b
#define STAFFWRIGHT_CONCAT(a, b) STAFFWRIGHT_CONCAT_(a, b)
// STRING_TABLE({id, "text"}, ...): a string table of this library.
#define STRING_TABLE(...) \
    static const CStringTable STAFFWRIGHT_CONCAT(s_stringTable_, __COUNTER__) { __VA_ARGS__ }

// Finds a string (current module, program, the others); true when found.
// A missing string leaves `text` empty.
bool LoadString(unsigned id, std::string& text);
// The string, or an empty text when it is missing.
std::string LoadString(unsigned id);
// A string of one module only; a null module searches as LoadString(id).
bool LoadString(HINSTANCE module, unsigned id, std::string& text);

// ---- data blocks ----------------------------------------------------------------

// Resource kinds, as names. A block is found by kind and by number or by name
// (names match without regard to ASCII case, as they always did).
inline constexpr const char* RT_BITMAP = "BITMAP";
inline constexpr const char* RT_ICON = "ICON";
inline constexpr const char* RT_RCDATA = "RCDATA";

// A library's data block (an image file's bytes, ...): registered in the module
// that holds this object for as long as it lives. Declare it static.
class CResourceData {
public:
    CResourceData(const char* type, unsigned id, const void* data, size_t size);
    CResourceData(const char* type, const char* name, const void* data, size_t size);
    ~CResourceData();
    CResourceData(const CResourceData&) = delete;
    CResourceData& operator=(const CResourceData&) = delete;

private:
    HINSTANCE m_module;
};

// An integer resource id passed where a resource name is expected, as the
// classic calls take it: ids lie below 0x10000, where no string can.
inline const char* MAKEINTRESOURCE(unsigned id) {
    return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(id & 0xFFFFu));
}
inline bool IS_INTRESOURCE(const char* name) {
    return (reinterpret_cast<std::uintptr_t>(name) >> 16) == 0;
}

struct ResourceBlock {
    const void* data = nullptr;   // in the module's memory; null when not found
    size_t size = 0;
    HINSTANCE module = nullptr;   // where it was found
    explicit operator bool() const { return data != nullptr; }
};

// Finds a block (current module, program, the others).
ResourceBlock FindResource(const char* type, unsigned id);

// A record declared in code (a dialog template, a menu, an accelerator
// table, ...), registered as the resource `id` of `type` in the module that
// holds this object for as long as it lives. The record is borrowed: it must
// outlive this object. Declare it static; RECORD_RESOURCE does.
template <class Record>
class CRecordResource {
public:
    CRecordResource(const char* type, unsigned id, const Record& record) : m_block(type, id, &record, sizeof record) {}

private:
    CResourceData m_block;
};

#define RECORD_RESOURCE(type, Record, id, record) \
    static const CRecordResource<Record> STAFFWRIGHT_CONCAT(s_recordResource_, __COUNTER__) { type, id, record }

// The record of `type` registered as `id` (current module, program, the
// others); null when there is none or the block is not such a record.
template <class Record>
const Record* FindRecordResource(const char* type, unsigned id) {
    const ResourceBlock block = FindResource(type, id);
    return block && block.size == sizeof(Record) ? static_cast<const Record*>(block.data) : nullptr;
}
ResourceBlock FindResource(const char* type, std::string_view name);
// A block of one module only (null: search as above).
ResourceBlock FindResource(HINSTANCE module, const char* type, unsigned id);
ResourceBlock FindResource(HINSTANCE module, const char* type, std::string_view name);

// The modules that hold resources, in the order lookups try them after the
// current module and the program's.
std::vector<HINSTANCE> GetResourceModules();
