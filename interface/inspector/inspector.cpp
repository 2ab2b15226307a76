#include "interface/inspector/inspector.h"

#include "interface/document/opusdoc.h"
#include "interface/document/pagebases.h"
#include "interface/document/pluginrecords.h"
#include "model/states.h"
#include "platform/core/resources.h"
#include "platform/core/trace.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/frame.h"

#include <QTabWidget>
#include <QWidget>

#include <algorithm>

IMPLEMENT_DYNAMIC(CPropertiesWnd, MCToolWnd)

namespace {

const DialogTemplate kInspectorTemplate = {"Inspector", {
    {ID_APPLY_NOW, DialogControlKind::Push, "&Apply", {112, 154, 50, 14}},
    {IDCANCEL, DialogControlKind::Push, "Cancel", {166, 154, 50, 14}},
}, {220, 172}};
DIALOG_RESOURCE(IDD_INSPECTOR, kInspectorTemplate);
// Where the tabs go, in the template's dialog units.
constexpr DialogRect kTabsRect = {4, 4, 212, 146};

STRING_TABLE({IDD_INSPECTOR, "Inspector"});

bool IsFillState(long code) {
    return code == STATE_EVENTS_EDITED || code == STATE_EDIT_DONE ||
           (code >= STATE_SELECTION_CLEAR && code <= STATE_SELECTION_ACTIVATE);
}

}  // namespace

int InitInspector() {
    return 1;
}

BEGIN_MESSAGE_MAP(CPropertiesWnd, MCToolWnd)
    ON_WM_DESTROY()
    ON_BN_CLICKED(ID_APPLY_NOW, &CPropertiesWnd::OnApplyNow)
    ON_BN_CLICKED(IDCANCEL, &CPropertiesWnd::OnCancelPage)
END_MESSAGE_MAP()

CPropertiesWnd::CPropertiesWnd(CFrameWnd* frame, CWnd* mdiClient) : MCToolWnd(frame), m_pMDIClient(mdiClient) {
    if (!InitToolLayout(frame, IDD_INSPECTOR)) {
        Trace("CPropertiesWnd: the window could not be made\n");
        return;
    }
    m_pTabs = new QTabWidget(GetWidget());   // owned by the window's widget
    const CRect tabs = CDialogUnits(kInspectorTemplate.font).MapDialogRect(kTabsRect);
    m_pTabs->setGeometry(tabs.left, tabs.top, tabs.Width(), tabs.Height());
    m_pTabs->show();
    LoadPrefs(kInspectorSection);
}

CPropertyPage* CPropertiesWnd::GetPage(int index) const {
    return index >= 0 && index < GetPageCount() ? m_pages[static_cast<size_t>(index)] : nullptr;
}

CPropertyPage* CPropertiesWnd::GetActivePage() const {
    return m_pTabs ? GetPage(m_pTabs->currentIndex()) : nullptr;
}

std::string CPropertiesWnd::GetPageTitle(int index) const {
    return m_pTabs && index >= 0 && index < m_pTabs->count() ? m_pTabs->tabText(index).toStdString() : std::string();
}

void CPropertiesWnd::OnUpdate(long code, CObject*) {
    if (code == STATE_FILE_CLOSED)
        Empty();
    else if (IsFillState(code))
        Refill();
}

std::vector<CPluginInspector*> CPropertiesWnd::RecordsFor(const MCEventList& events) {
    std::vector<int> types;
    for (POSITION pos = events.GetHeadPosition(); pos;) {
        const ECBase* event = events.GetNext(pos);
        const int type = event ? event->GetClassType() : -1;
        if (type >= 0 && std::find(types.begin(), types.end(), type) == types.end())
            types.push_back(type);
    }
    auto recordsOf = [](int type) {
        std::vector<CPluginInspector*> records;
        if (MCPtrList* list = CPluginInspector::GetPlugins(static_cast<uint16_t>(type), 0))
            for (POSITION pos = list->GetHeadPosition(); pos;)
                records.push_back(static_cast<CPluginInspector*>(list->GetNext(pos)));
        return records;
    };
    std::vector<CPluginInspector*> shown;
    if (types.empty())
        return shown;
    shown = recordsOf(types.front());
    for (size_t i = 1; i < types.size(); ++i) {
        const std::vector<CPluginInspector*> others = recordsOf(types[i]);
        std::erase_if(shown, [&](const CPluginInspector* record) {
            return std::none_of(others.begin(), others.end(), [&](const CPluginInspector* other) {
                return other->GetPageClass() == record->GetPageClass();
            });
        });
    }
    return shown;
}

void CPropertiesWnd::Refill() {
    MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
    if (!m_pTabs || !doc) {
        Empty();
        return;
    }
    m_events.RemoveAll();
    m_events.AddEvents(&doc->GetSelection(0).GetEvents(1), 0);

    std::vector<CPropertyPage*> pages;
    std::vector<std::string> titles;
    for (CPluginInspector* record : RecordsFor(m_events)) {
        CPropertyPage* page = record->GetInspectorPage();
        if (!page || std::find(pages.begin(), pages.end(), page) != pages.end())
            continue;
        std::string title;
        record->LoadTitleString(title);
        pages.push_back(page);
        titles.push_back(title);
    }
    if (pages.empty()) {
        Empty();
        return;
    }

    if (pages != m_pages) {
        // Another set of pages: the tabs are made again; windows of pages
        // that stay are kept.
        for (CPropertyPage* old : m_pages)
            if (std::find(pages.begin(), pages.end(), old) == pages.end() && old->GetSafeHwnd())
                old->DestroyWindow();
        while (m_pTabs->count() > 0)
            m_pTabs->removeTab(0);
        m_pages.clear();
        for (size_t i = 0; i < pages.size(); ++i) {
            CPropertyPage* page = pages[i];
            if (auto* inspectorPage = dynamic_cast<MCInspectorPage*>(page)) {
                inspectorPage->SetDocument(doc);
                inspectorPage->SetEventList(&m_events);
            }
            if (!page->GetSafeHwnd() && !page->Create(page->GetTemplateID(), this)) {
                Trace("CPropertiesWnd: the page \"%s\" could not be made\n", titles[i].c_str());
                continue;
            }
            m_pTabs->addTab(page->GetWidget(), QString::fromStdString(titles[i]));
            m_pages.push_back(page);
        }
        m_pTabs->setCurrentIndex(0);
    }
    for (CPropertyPage* page : m_pages) {
        if (auto* inspectorPage = dynamic_cast<MCInspectorPage*>(page)) {
            inspectorPage->SetDocument(doc);
            inspectorPage->SetEventList(&m_events);
            inspectorPage->UpdatePage();
        }
        page->UpdateData(FALSE);
    }
}

void CPropertiesWnd::Empty() {
    if (m_pTabs)
        while (m_pTabs->count() > 0)
            m_pTabs->removeTab(0);
    for (CPropertyPage* page : m_pages) {
        if (page->GetSafeHwnd())
            page->DestroyWindow();
        if (auto* inspectorPage = dynamic_cast<MCInspectorPage*>(page)) {
            inspectorPage->SetDocument(nullptr);
            inspectorPage->SetEventList(nullptr);
        }
    }
    m_pages.clear();
    m_events.RemoveAll();
}

void CPropertiesWnd::OnUpdateCmdUI(CCmdTarget*, BOOL) {
    CPropertyPage* page = GetActivePage();
    const bool shown = page && page->GetSafeHwnd();
    BOOL modified = FALSE;
    if (auto* inspectorPage = dynamic_cast<MCInspectorPage*>(page))
        modified = inspectorPage->IsModified();
    else if (page)
        modified = page->IsModified();
    if (CWnd* apply = GetDlgItem(ID_APPLY_NOW))
        apply->EnableWindow(shown && modified);
    if (CWnd* cancel = GetDlgItem(IDCANCEL))
        cancel->EnableWindow(shown ? TRUE : FALSE);
}

void CPropertiesWnd::OnApplyNow() {
    CPropertyPage* page = GetActivePage();
    if (page && page->GetSafeHwnd())
        page->OnApply();
}

void CPropertiesWnd::OnCancelPage() {
    CPropertyPage* page = GetActivePage();
    if (page && page->GetSafeHwnd())
        page->OnQueryCancel();
}

void CPropertiesWnd::OnDestroy() {
    // The pages outlive this window: their windows go now, while it still exists.
    Empty();
    MCToolWnd::OnDestroy();
}
