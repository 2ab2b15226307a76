// Registration records of the document layer: through them the program, the
// notation plug-in and the Preferences library announce the views, inspector
// pages, preference pages, music-symbol pages and effect pages they provide.
//
//   CPluginView       a view class with its frame class, its command id and its title
//   CPluginInspector  an inspector page for one event type
//   CPluginPrefs      a preference page of one category
//   CPluginMusic      a music-symbol page
//   CPluginEffects    an effects page
//
// Registries. Each class keeps its records in a static list: views, preference
// pages and music pages sorted by their order key, effect pages in
// registration order, inspector pages in one sorted list per event type (a
// map from event type to list). Records of equal order keep the order in
// which they were added. The lists are MCPtrList lists of CPlugin pointers.
//
// Ownership. A record is a static object of the library that registers it;
// the registries hold pointers and never free a record. RemovePlugin does
// nothing: view, preference, music and effect records stay listed until this
// library's lists are destroyed. Only an inspector record leaves its registry
// by itself, in its destructor, and the last record of an event type takes
// the type's list with it. The map owns its lists.
//
// Pages. A page is a CPropertyPage made through the record's page class (its
// run-time class's dynamic creation); a class that makes no property page
// gives no page. Inspector, music and effect records make their page on first request and
// own it; a preference record makes a new page on every request and hands it
// to the caller. Copying a record copies its fields but not its page: the copy
// makes a page of its own when asked, so no page is ever deleted twice.
//
// Titles. A view or inspector record names its title by a string id in its
// module's string table; a null module means the current resource module.
//
// Threads: registration runs during library start-up, everything else on the
// user-interface thread; the registries take no lock.
#pragma once

#include "model/plugin.h"
#include "model/ptrlists.h"
#include "platform/core/library.h"
#include "platform/core/object.h"
#include "platform/ui/propsheet.h"

#include <cstdint>
#include <memory>
#include <string>

class CMenu;

// The command id of a view is its view index plus this offset; the main frame
// opens views for the ids 0x2FF0 to 0x2FFF.
inline constexpr unsigned VIEW_ID_OFFSET = 0x2FF0;

// The preference sheets a page can belong to (CPluginPrefs category).
enum : int {
    PREFS_GENERAL = 0,
    PREFS_SEQUENCER = 1,
    PREFS_DEVICES = 2,
    PREFS_MUSICSCORE = 3,
};

// A view: its class, the frame class that holds it, its command id and title.
class CPluginView : public CPlugin {
public:
    CPluginView(const CRuntimeClass* viewClass, const CRuntimeClass* frameClass, HINSTANCE module,
                unsigned viewIndex, unsigned titleStringId, int order);
    ~CPluginView() override;
    CPluginView(const CPluginView& other);
    CPluginView& operator=(const CPluginView& other);

    int GetOrder() const { return m_nOrder; }
    const CRuntimeClass* GetViewClass() const { return m_pViewClass; }
    void SetViewClass(const CRuntimeClass* viewClass) { m_pViewClass = viewClass; }
    const CRuntimeClass* GetFrameClass() const { return m_pFrameClass; }
    void SetFrameClass(const CRuntimeClass* frameClass) { m_pFrameClass = frameClass; }
    HINSTANCE GetModule() const { return m_hModule; }
    unsigned GetViewIndex() const { return m_nViewIndex; }
    unsigned GetViewID() const { return m_nViewID; }
    // Replaces the command id; the view index stays.
    void SetViewID(unsigned viewId) { m_nViewID = viewId; }
    unsigned GetTitleStringID() const { return m_nTitleStringID; }
    void SetTitleStringID(unsigned stringId) { m_nTitleStringID = stringId; }

    // A string of the record's module (see the file comment); non-zero when
    // found. A missing string leaves `text` empty.
    int LoadString(std::string& text, unsigned stringId) const;
    // The title as stored, "&" included: the View menu's text and the name of
    // the view's settings section ("Views\" + text). Empty when missing.
    int LoadMenuString(std::string& text) const;
    // The title without its first "&" ("&View" gives "View", "A&&B" gives
    // "A&B"). 0 with `text` untouched when the title is missing, else 1.
    int LoadTitleString(std::string& text) const;

    // Enters a record by its order.
    static void AddPlugin(CPluginView* record);
    // Does nothing (see the file comment).
    static void RemovePlugin(CPluginView* record);
    // The first record, in list order, with that command id or view class; null if none.
    static CPluginView* FindPlugin(unsigned viewId);
    static CPluginView* FindPlugin(const CRuntimeClass* viewClass);
    static MCPtrList& GetPlugins() { return s_plugins; }

    // Ends the "&View" menu of the main window's menu with the views: its
    // last item (the menu's placeholder) goes, then one item per record in
    // list order, "&1  title", "&2  title" ..., with the view id as command.
    // Returns the View menu; null without a main window, a menu or a "&View"
    // item. Once per menu: a second call would delete the last view's item.
    static CMenu* UpdateMenu();

private:
    int m_nOrder;
    const CRuntimeClass* m_pViewClass;    // constant data of the registering library
    const CRuntimeClass* m_pFrameClass;   // likewise
    HINSTANCE m_hModule;                  // null: the current resource module
    unsigned m_nViewIndex;
    unsigned m_nViewID;
    unsigned m_nTitleStringID;

    static MCPtrList s_plugins;   // of CPluginView*, ascending order
};

// An inspector page for one event type.
class CPluginInspector : public CPlugin {
public:
    CPluginInspector(uint16_t eventType, const CRuntimeClass* pageClass, HINSTANCE module,
                     unsigned titleStringId, int order);
    // Leaves its event type's list (see the file comment), then deletes its page.
    ~CPluginInspector() override;
    CPluginInspector(const CPluginInspector& other);
    CPluginInspector& operator=(const CPluginInspector& other);

    int GetOrder() const { return m_nOrder; }
    uint16_t GetEventType() const { return m_wEventType; }
    const CRuntimeClass* GetPageClass() const { return m_pPageClass; }
    HINSTANCE GetModule() const { return m_hModule; }
    unsigned GetTitleStringID() const { return m_nTitleStringID; }

    // As CPluginView's.
    int LoadString(std::string& text, unsigned stringId) const;
    int LoadTitleString(std::string& text) const;

    // The record's page, made on the first call; later calls return the same
    // page. Null when the page class cannot make one. The record owns it.
    CPropertyPage* GetInspectorPage();

    // Enters a record by its order into its event type's list (made when the
    // type has none yet).
    static void AddPlugin(CPluginInspector* record);
    // Does nothing (see the file comment).
    static void RemovePlugin(CPluginInspector* record);
    // The list of an event type (of CPluginInspector*, ascending order). When
    // the type has none: with `create` 1 a new empty list, kept in the map;
    // with 0 null.
    static MCPtrList* GetPlugins(uint16_t eventType, int create);

private:
    int m_nOrder;
    uint16_t m_wEventType;
    const CRuntimeClass* m_pPageClass;   // constant data of the registering library
    std::unique_ptr<CPropertyPage> m_pPage;    // owned; made on first request
    HINSTANCE m_hModule;                 // null: the current resource module
    unsigned m_nTitleStringID;
};

// A preference page of one category.
class CPluginPrefs : public CPlugin {
public:
    CPluginPrefs(const CRuntimeClass* pageClass, int category, int order);
    ~CPluginPrefs() override;
    CPluginPrefs(const CPluginPrefs& other);
    CPluginPrefs& operator=(const CPluginPrefs& other);

    int GetCategory() const { return m_nCategory; }
    void SetCategory(int category) { m_nCategory = category; }
    int GetOrder() const { return m_nOrder; }
    void SetOrder(int order) { m_nOrder = order; }
    const CRuntimeClass* GetPageClass() const { return m_pPageClass; }

    // A new page on every call, for the caller (the preference sheet) to own;
    // null when the page class cannot make one.
    std::unique_ptr<CPropertyPage> GetPrefsPage() const;

    static void AddPlugin(CPluginPrefs* record);
    static void RemovePlugin(CPluginPrefs* record);
    static MCPtrList& GetPlugins() { return s_plugins; }

    // Fills the "&Preferences" submenu of the main window's "&View" menu: its
    // last item (the placeholder) goes, then one item per category that has
    // records and a name (11744 + category, "General..." ...), in the order
    // of the categories' first records, with that string's id as command.
    // Returns the submenu; null when the main window, its menu, "&View" or
    // "&Preferences" is missing. Once per menu, as CPluginView::UpdateMenu.
    static CMenu* UpdateMenu();

private:
    int m_nCategory;
    int m_nOrder;
    const CRuntimeClass* m_pPageClass;   // constant data of the registering library

    static MCPtrList s_plugins;   // of CPluginPrefs*, ascending order
};

// A music-symbol page.
class CPluginMusic : public CPlugin {
public:
    CPluginMusic(const CRuntimeClass* pageClass, int order);
    ~CPluginMusic() override;
    CPluginMusic(const CPluginMusic& other);
    CPluginMusic& operator=(const CPluginMusic& other);

    int GetOrder() const { return m_nOrder; }
    const CRuntimeClass* GetPageClass() const { return m_pPageClass; }

    // The record's page, made on the first call (as GetInspectorPage).
    CPropertyPage* GetMusicPage();

    static void AddPlugin(CPluginMusic* record);
    static void RemovePlugin(CPluginMusic* record);
    static MCPtrList& GetPlugins() { return s_plugins; }

private:
    int m_nOrder;
    const CRuntimeClass* m_pPageClass;   // constant data of the registering library
    std::unique_ptr<CPropertyPage> m_pPage;    // owned; made on first request

    static MCPtrList s_plugins;   // of CPluginMusic*, ascending order
};

// An effects page. Effect records have no order: they list as registered.
class CPluginEffects : public CPlugin {
public:
    explicit CPluginEffects(const CRuntimeClass* pageClass);
    ~CPluginEffects() override;
    CPluginEffects(const CPluginEffects& other);
    CPluginEffects& operator=(const CPluginEffects& other);

    const CRuntimeClass* GetPageClass() const { return m_pPageClass; }

    // The record's page, made on the first call (as GetInspectorPage).
    CPropertyPage* GetEffectsPage();

    // Appends the record.
    static void AddPlugin(CPluginEffects* record);
    static void RemovePlugin(CPluginEffects* record);
    static MCPtrList& GetPlugins() { return s_plugins; }

private:
    const CRuntimeClass* m_pPageClass;   // constant data of the registering library
    std::unique_ptr<CPropertyPage> m_pPage;    // owned; made on first request

    static MCPtrList s_plugins;   // of CPluginEffects*, registration order
};
