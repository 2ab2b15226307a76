#include "interface/glyphbox/glyphbox.h"

#include "interface/document/musicpage.h"
#include "interface/document/pluginrecords.h"
#include "model/appstates.h"
#include "model/event.h"
#include "model/states.h"
#include "platform/core/archive.h"
#include "platform/core/exceptions.h"
#include "platform/core/file.h"
#include "platform/core/resources.h"
#include "platform/core/trace.h"
#include "interface/glyphbox/symbolpages.h"
#include "platform/ui/frame.h"

#include <QTabWidget>

#include <new>

IMPLEMENT_DYNAMIC(CMusicWnd, MCToolWnd)

namespace {

const DialogTemplate kPaletteTemplate = {"Music Palette", {}, {220, 100}};
DIALOG_RESOURCE(IDD_MUSICPALETTE, kPaletteTemplate);
// Where the tabs go, in the template's dialog units.
constexpr DialogRect kTabsRect = {2, 2, 216, 96};

STRING_TABLE({IDD_MUSICPALETTE, "Music Palette"});

// The palette windows alive, to tell of a choice made on one of their pages.
// Never freed: the prototype, a static too, asks it as the library goes.
std::vector<CMusicWnd*>& Palettes() {
    static auto* palettes = new std::vector<CMusicWnd*>;
    return *palettes;
}

// Whether a button of a palette holds `event`.
bool HeldByAButton(const ECBase* event) {
    for (const CMusicWnd* palette : Palettes())
        for (UINT id = IDC_SYMBOL_FIRST; id <= IDC_SYMBOL_LAST; ++id)
            if (const MCMusicButton* button = palette->FindButton(id); button && button->GetEvent() == event)
                return true;
    return false;
}

// The palette's prototype and the id of its button. The palette holds one
// reference on the prototype, given back when the library goes.
class Prototype {
public:
    ~Prototype() { Set(nullptr, 0); }

    ECBase* Get() const { return m_event; }
    UINT GetId() const { return m_id; }
    // Takes `event` (referenced first: it may be the one held).
    void Set(ECBase* event, UINT id) {
        if (event)
            event->Ref();
        if (m_event && m_event != event && !HeldByAButton(m_event))
            DetachGlyphChildren(m_event);
        if (m_event)
            m_event->Unref(1);
        m_event = event;
        m_id = id;
    }

private:
    ECBase* m_event = nullptr;   // one reference held
    UINT m_id = 0;
};

Prototype& ThePrototype() {
    static Prototype prototype;
    return prototype;
}

bool IsFileState(long code) {
    return code >= STATE_FILE_NEW && code <= STATE_FILE_MODIFIED;
}

// A new copy of `event` with its children, through an archive: the copy is
// unreferenced, the caller's. Null when the copy cannot be made.
ECBase* CopyEvent(ECBase* event) {
    try {
        CMemFile file;
        {
            CArchive ar(&file, CArchive::store);
            ar.WriteObject(event);
            ar.Close();
        }
        file.SeekToBegin();
        CArchive ar(&file, CArchive::load);
        CObject* copy = ar.ReadObject(RUNTIME_CLASS(ECBase));
        ar.Close();
        return static_cast<ECBase*>(copy);
    } catch (const CException& e) {
        Trace("Glyphbox: the prototype could not be copied: %s\n", e.what());
    } catch (const std::bad_alloc&) {
        Trace("Glyphbox: the prototype could not be copied: out of memory\n");
    }
    return nullptr;
}

// SCMode's prototype function.
ECBase* PrototypeEvent(void*) {
    if (SCMode::s_nMode != STATE_MODE_INSERT || !ThePrototype().Get())
        return nullptr;
    return CopyEvent(ThePrototype().Get());
}

}  // namespace

int InitGlyphbox() {
    static const bool registered = [] {
        RegisterGlyphPages();
        ThePrototype().Set(MakeQuarterNote(), IDC_SYMBOL_QUARTER_NOTE);
        return true;
    }();
    (void)registered;
    SCMode::SetEventFunc(&PrototypeEvent, nullptr);
    return 1;
}

ECBase* GetGlyphboxPrototype() {
    return ThePrototype().Get();
}

UINT GetGlyphboxPrototypeId() {
    return ThePrototype().GetId();
}

void ChooseGlyphSymbol(CGlyphPage* page, UINT id, ECBase* event) {
    if (!event)
        return;
    MCMusicPage::AddSymbol(id, 1);
    ThePrototype().Set(event, id);
    page->SetEventType(event->GetClassType());
    // The mode is insert from here: the chosen button alone is checked.
    for (CMusicWnd* palette : Palettes())
        for (int i = 0; i < palette->GetPageCount(); ++i)
            if (auto* glyphPage = dynamic_cast<CGlyphPage*>(palette->GetPage(i)))
                glyphPage->UpdateChecks();
}

// ---- CMusicWnd ----------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CMusicWnd, MCToolWnd)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CMusicWnd::CMusicWnd(CFrameWnd* frame, CWnd* mdiClient) : MCToolWnd(frame), m_pMDIClient(mdiClient) {
    if (!InitToolLayout(frame, IDD_MUSICPALETTE)) {
        Trace("CMusicWnd: the window could not be made\n");
        return;
    }
    Palettes().push_back(this);
    m_pTabs = new QTabWidget(GetWidget());   // owned by the window's widget
    const CRect tabs = CDialogUnits(kPaletteTemplate.font).MapDialogRect(kTabsRect);
    m_pTabs->setGeometry(tabs.left, tabs.top, tabs.Width(), tabs.Height());
    m_pTabs->show();

    MCPtrList& records = CPluginMusic::GetPlugins();
    for (POSITION pos = records.GetHeadPosition(); pos;) {
        auto* record = static_cast<CPluginMusic*>(records.GetNext(pos));
        auto* page = dynamic_cast<MCMusicPage*>(record->GetMusicPage());
        if (!page)
            continue;
        if (!page->GetSafeHwnd() && !page->Create(page->GetTemplateID(), this)) {
            Trace("CMusicWnd: a page could not be made\n");
            continue;
        }
        m_pTabs->addTab(page->GetWidget(), QString::fromStdString(page->GetTitle()));
        m_pages.push_back(page);
        page->UpdateData(FALSE);
    }
    LoadPrefs(kPaletteSection);
}

MCMusicPage* CMusicWnd::GetPage(int index) const {
    return index >= 0 && index < GetPageCount() ? m_pages[static_cast<size_t>(index)] : nullptr;
}

std::string CMusicWnd::GetPageTitle(int index) const {
    return m_pTabs && index >= 0 && index < m_pTabs->count() ? m_pTabs->tabText(index).toStdString()
                                                             : std::string();
}

MCMusicButton* CMusicWnd::FindButton(UINT id) const {
    for (MCMusicPage* page : m_pages)
        if (auto* glyphPage = dynamic_cast<CGlyphPage*>(page))
            if (MCMusicButton* button = glyphPage->FindButton(id))
                return button;
    return nullptr;
}

void CMusicWnd::OnUpdate(long code, CObject*) {
    for (MCMusicPage* page : m_pages) {
        auto* glyphPage = dynamic_cast<CGlyphPage*>(page);
        if (IsFileState(code))
            page->UpdatePage();
        else if (!glyphPage)
            continue;
        else if (code == STATE_MODE_SELECT || code == STATE_MODE_ERASE)
            glyphPage->UncheckAll();
        else if (code == STATE_MODE_INSERT) {
            MCMusicPage::AddSymbol(GetGlyphboxPrototypeId(), 1);
            glyphPage->UpdateChecks();
        }
    }
}

void CMusicWnd::OnDestroy() {
    std::erase(Palettes(), this);
    // The pages outlive this window: their windows go now, while it still exists.
    if (m_pTabs)
        while (m_pTabs->count() > 0)
            m_pTabs->removeTab(0);
    for (MCMusicPage* page : m_pages)
        if (page->GetSafeHwnd())
            page->DestroyWindow();
    m_pages.clear();
    MCToolWnd::OnDestroy();
}
