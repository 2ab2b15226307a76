// Plug-ins and the registries through which libraries extend the data model.
//
// CPlugin loads the plug-in libraries: at start the application calls
// Initialize once, which loads every shared library in the folder "PlugIns"
// beside the program, in name order, and calls the "InitPlugins" export of each
// that has one (with no arguments; its answer is ignored). A library that cannot
// be loaded ends the scan: the files after it stay unloaded. Libraries stay
// loaded until UnInitialize (which nothing in the system calls) or the end of the
// process. CPlugin is also the base of every registration record, here and in the
// document layer.
//
// CPluginData registers, per view kind and event type, the run-time class of the
// view data that ECBase::GetData creates: the performance engine registers its
// performers for DK_SEQUENCER, the notation plug-in its display classes for
// DK_NOTATION. The registry is one table of DK_COUNT x ET_COUNT classes; a later
// registration of a cell replaces the earlier one.
//
// CPluginFilter registers MIDI filter classes by name in one map; the first
// record of a name stays. Nothing in the system registers or looks up a filter
// yet; the registry is kept for libraries that will.
//
// Ownership: registration records are static objects of the registering
// library; the registries keep only pointers and never free them. A library
// whose records are registered removes them before it is unloaded.
//
// Threads: the UI thread, at start-up (the scan, the registrations). Creation
// from a filled registry (CreateData, CreateFilter) may run on any thread that
// holds the document's lock, as long as no registration runs at the same time.
#pragma once

#include "platform/core/library.h"
#include "platform/core/object.h"

#include <string>

class DCBase;
class ECBase;
class LCBase;
class MCMapStringToPtr;

// The view kinds view data is registered for. Kinds 1, 3 and 4 have no
// registrations in this system.
enum : int {
    DK_SEQUENCER = 0,   // the performers of the performance engine
    DK_NOTATION = 2,    // the display elements of the notation view
    DK_COUNT = 5,
};

class CPlugin {
public:
    virtual ~CPlugin() = default;

    // Loads the libraries of the folder "PlugIns" inside `programFolder` (the
    // program's own folder when empty) and starts each; stops at the first that
    // fails to load. 0 when the folder holds no library (or does not exist), else 1.
    static int Initialize(const std::string& programFolder = {});
    // Frees each library of that folder that is loaded under its path. Every file
    // is visited. 0 when the folder holds no library, else 1.
    static int UnInitialize(const std::string& programFolder = {});

    // Loads the library at `path` and starts it; 0 when it cannot be loaded.
    static int InitPlugin(const std::string& path);
    // Calls the library's "InitPlugins" export when it has one; 1 either way.
    static int InitPlugin(HINSTANCE library);
    // Frees the library loaded under `path`, if any; always 1.
    static int FreePlugin(const std::string& path);

    // The plug-in folder inside `programFolder` (the program's own when empty).
    static std::string GetPluginFolder(const std::string& programFolder = {});
};

// A registration of a view-data class for one view kind and event type.
class CPluginData : public CPlugin {
public:
    // Stores the three values. The very first record constructed clears the table.
    CPluginData(const CRuntimeClass* dataClass, int kind, int type);

    const CRuntimeClass* GetDataClass() const { return m_dataClass; }
    void SetDataClass(const CRuntimeClass* dataClass) { m_dataClass = dataClass; }
    int GetViewCode() const { return m_viewCode; }
    void SetViewCode(int kind) { m_viewCode = kind; }
    int GetEventType() const { return m_eventType; }
    void SetEventType(int type) { m_eventType = type; }

    // table[kind][type] := the record's class. A record whose kind or type lies
    // outside the table changes nothing.
    static void AddPlugin(const CPluginData* record);
    // table[kind][type] := null.
    static void RemovePlugin(const CPluginData* record);

    // The table's cell for a kind (0 to DK_COUNT - 1) and a type (0 to ET_COUNT - 1).
    // Outside the table: a spare cell, null each time it is handed out, whose
    // writes reach no registration.
    static const CRuntimeClass*& GetDataClass(int kind, int type);

    // A new object of the class registered for the cell (the caller owns it), or
    // null when the cell is empty or outside the table, or the class makes no
    // view data.
    static DCBase* CreateData(int kind, int type);
    // The same for the event's type; the new object's owner is set to the event.
    // Null for a null event.
    static DCBase* CreateData(int kind, ECBase* event);

private:
    const CRuntimeClass* m_dataClass;   // constant data of the registering library
    int m_viewCode;
    int m_eventType;
};

// A registration of a MIDI filter class under a name and a numeric code.
class CPluginFilter : public CPlugin {
public:
    // The longest name the registry keeps. A record with a longer name is not
    // registered (a cut name could collide with another filter's).
    static constexpr size_t MAX_NAME = 51;

    CPluginFilter() = default;
    CPluginFilter(const CRuntimeClass* filterClass, const std::string& name);

    const std::string& GetFilterClassKey() const { return m_name; }
    void SetFilterClassKey(const std::string& name) { m_name = name; }
    unsigned GetFilterCode() const { return m_code; }
    void SetFilterCode(unsigned code) { m_code = code; }
    const CRuntimeClass* GetFilterClass() const { return m_filterClass; }
    void SetFilterClass(const CRuntimeClass* filterClass) { m_filterClass = filterClass; }

    // Enters the record under its name unless the name is registered already.
    static void AddPlugin(CPluginFilter* record);
    // Does nothing: records stay registered for the life of the process.
    static void RemovePlugin(CPluginFilter* record);

    // The record of a name, or null.
    static CPluginFilter* FindPlugin(const std::string& name);
    // The first record, in the map's visiting order, of that class or code; null if none.
    static CPluginFilter* FindPlugin(const CRuntimeClass* filterClass);
    static CPluginFilter* FindPlugin(unsigned code);

    // A new filter of the found record's class (the caller owns it), or null when
    // no record matches or the class makes no filter.
    static LCBase* CreateFilter(const std::string& name);
    static LCBase* CreateFilter(unsigned code);

    // The registry: name to CPluginFilter*.
    static MCMapStringToPtr& GetPlugins();

private:
    unsigned m_code = 0;
    const CRuntimeClass* m_filterClass = nullptr;   // constant data of the registering library
    std::string m_name;
};
