#include "interface/document/musicpage.h"

#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/event.h"
#include "model/states.h"
#include "platform/core/archive.h"
#include "platform/core/exceptions.h"
#include "platform/ui/ddx.h"
#include "platform/ui/help.h"
#include "platform/ui/syscolor.h"
#include "platform/ui/tooltip.h"

#include <QWidget>

#include <algorithm>

IMPLEMENT_DYNCREATE(MCMusicPage, CPropertyPage)
IMPLEMENT_DYNCREATE(MCMusicButton, MCButton)

std::vector<UINT> MCMusicPage::s_arraySymbols;
MCMusicPage* MCMusicPage::s_pSymbolPage = nullptr;
MCButton::DrawItemFunc MCMusicButton::s_pfnDrawItemFunc = nullptr;

namespace {

// The child windows of `page`, in the order of the widget tree.
std::vector<CWnd*> ChildWindows(const CWnd& page) {
    std::vector<CWnd*> children;
    if (QWidget* widget = page.GetWidget())
        for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (CWnd* wnd = CWnd::FromWidget(child))
                children.push_back(wnd);
    return children;
}

bool InSelectOrErase() {
    return SCMode::s_nMode == STATE_MODE_SELECT || SCMode::s_nMode == STATE_MODE_ERASE;
}

}  // namespace

// ---- MCMusicPage ------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(MCMusicPage, CPropertyPage)
    ON_WM_DESTROY()
    ON_MESSAGE(WM_COMMANDHELP, &MCMusicPage::OnCommandHelp)
    ON_MESSAGE(WM_HELPHITTEST, &MCMusicPage::OnHelpHitTest)
    ON_NOTIFY_EX(TTN_NEEDTEXT, 0, &MCMusicPage::OnToolTipNotify)
END_MESSAGE_MAP()

MCMusicPage::MCMusicPage() : CPropertyPage(0) {}

MCMusicPage::MCMusicPage(UINT nIDTemplate) : CPropertyPage(nIDTemplate) {}

BOOL MCMusicPage::InitPage() {
    return TRUE;
}

void MCMusicPage::UpdatePage() {
    EnableChildWindows(MCOpusDoc::GetActiveDoc() ? TRUE : FALSE);
}

ECBase* MCMusicPage::GetEvent() {
    return nullptr;
}

void MCMusicPage::SetEventType(int type) {
    s_pSymbolPage = this;
    SCMode::s_eventType = type;
    // Delivered to the main window, then deleted, by the state manager.
    (new SCMode(STATE_MODE_INSERT))->Apply(nullptr);
}

LRESULT MCMusicPage::OnCommandHelp(WPARAM, LPARAM) {
    return 1;
}

LRESULT MCMusicPage::OnHelpHitTest(WPARAM, LPARAM) {
    return INSPECTOR_HELP_HIT;
}

BOOL MCMusicPage::OnToolTipNotify(UINT, NMHDR* pNMHDR, LRESULT* pResult) {
    return PageControlTip(pNMHDR, pResult, false);
}

BOOL MCMusicPage::OnSetActive() {
    if (!CPropertyPage::OnSetActive())
        return FALSE;
    UpdatePage();
    return TRUE;
}

void MCMusicPage::ShowChildWindows() {
    for (CWnd* child : ChildWindows(*this))
        child->ShowWindow(SW_SHOWNA);
}

void MCMusicPage::EnableChildWindows(BOOL bEnable) {
    for (CWnd* child : ChildWindows(*this)) {
        child->EnableWindow(bEnable);
        child->Invalidate(FALSE);
        child->UpdateWindow();
    }
}

int MCMusicPage::FindSymbol(UINT id) {
    if (InSelectOrErase())
        return 0;
    return std::find(s_arraySymbols.begin(), s_arraySymbols.end(), id) != s_arraySymbols.end();
}

void MCMusicPage::AddSymbol(UINT id, int reset) {
    if (reset)
        s_arraySymbols.clear();
    s_arraySymbols.push_back(id);
}

void MCMusicPage::RemoveSymbol(UINT id) {
    if (InSelectOrErase())
        return;
    const auto found = std::find(s_arraySymbols.begin(), s_arraySymbols.end(), id);
    if (found != s_arraySymbols.end())
        s_arraySymbols.erase(found);
}

void MCMusicPage::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    if (!(m_nFlags & PAGE_INITIALIZED) && InitPage())
        m_nFlags |= PAGE_INITIALIZED;
    if (!pDX->m_bSaveAndValidate)
        UpdatePage();
}

void MCMusicPage::OnDestroy() {
    m_nFlags &= static_cast<uint8_t>(~PAGE_INITIALIZED);
    // A symbol page that is gone is nobody's to ask.
    if (s_pSymbolPage == this)
        s_pSymbolPage = nullptr;
    CPropertyPage::OnDestroy();
}

// ---- MCMusicButton ------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(MCMusicButton, MCButton)
    ON_WM_CREATE()
END_MESSAGE_MAP()

MCMusicButton::MCMusicButton() {
    m_nMode = MODE_HOVER | MODE_COMMAND_ON_PRESS;
    m_nStyle = STYLE_TOGGLE;
    m_crTransparent = RGB(255, 0, 0);
    m_nDisabledIndex = 2;
}

MCMusicButton::~MCMusicButton() {
    SetEvent(nullptr, 0);
}

int MCMusicButton::SubclassMusicButton(UINT id, CWnd* parent, ECBase* event) {
    if (!SubclassDlgItem(id, parent))
        return 0;
    InitWindow();
    SetEvent(event, -1);
    return 1;
}

void MCMusicButton::SetEvent(ECBase* event, int code) {
    // The new event is held before the old is let go: they may be the same
    // event, held here by its last reference.
    if (event)
        event->Ref();
    ECBase* previous = m_pEvent;
    m_pEvent = nullptr;
    m_nEventCode = 0;
    if (previous)
        previous->Unref(1);
    if (event) {
        m_pEvent = event;
        m_nEventCode = code;
    }
    // The faces showed the old event.
    ClearImages();
    if (GetSafeHwnd())
        Invalidate(FALSE);
}

void MCMusicButton::InitWindow() {
    for (int slot = 0; slot < 3; ++slot)
        AddBitmap(nullptr, -1);
}

int MCMusicButton::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    if (MCButton::OnCreate(lpCreateStruct) == -1)
        return -1;
    InitWindow();
    return 0;
}

int MCMusicButton::AutoLoad(UINT id, CWnd* parent) {
    if (!SubclassDlgItem(id, parent))
        return 0;
    InitWindow();
    LoadBitmaps(id);
    return 1;
}

int MCMusicButton::LoadBitmaps(UINT id) {
    DeleteBitmaps(1);
    for (int copy = 0; copy < 2; ++copy) {
        auto* bitmap = new CBitmap;
        if (!bitmap->LoadBitmap(id)) {
            delete bitmap;
            return 0;
        }
        AddBitmap(bitmap, -1);
    }
    return 1;
}

CBitmap* MCMusicButton::CreateImage(DRAWITEMSTRUCT* item) {
    CBitmap* image = nullptr;
    if (s_pfnDrawItemFunc) {
        image = s_pfnDrawItemFunc(this, item);
        if (image) {
            m_nMapMode = item->hDC->GetMapMode();
            m_sizeWindowExt = item->hDC->GetWindowExt();
        }
    }
    if (!image)
        image = MCButton::CreateImage(item);
    // The image of index 1 alone (the item state holds the index) is framed.
    if (image && item->itemState == ODS_SELECTED) {
        CDC dc;
        dc.CreateCompatibleDC(item->hDC);
        dc.SelectObject(image);
        CPen pen(PS_SOLID, 1, GetSysColor(COLOR_HIGHLIGHT));
        dc.SelectObject(&pen);
        dc.SelectStockObject(NULL_BRUSH);
        dc.Rectangle(&item->rcItem);
        dc.DeleteDC();
    }
    return image;
}

void MCMusicButton::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        WINDOWPLACEMENT placement;
        GetWindowPlacement(&placement);
        ar << placement.length << placement.flags << placement.showCmd
           << placement.ptMinPosition.x << placement.ptMinPosition.y
           << placement.ptMaxPosition.x << placement.ptMaxPosition.y
           << placement.rcNormalPosition.left << placement.rcNormalPosition.top
           << placement.rcNormalPosition.right << placement.rcNormalPosition.bottom;
        ar << m_nState << m_nDrawnIndex << m_nNextState << m_nDisabledIndex << m_nMode
           << static_cast<LONG>(m_nStyle) << static_cast<DWORD>(m_crTransparent);
        if (m_pEvent)
            m_pEvent->Serialize(ar);
        return;
    }
    // The event's bytes have no length of their own: without the event to
    // read them, the rest of the archive cannot be found.
    if (!m_pEvent)
        throw CArchiveException(CArchiveException::generic);
    WINDOWPLACEMENT placement;
    ar >> placement.length >> placement.flags >> placement.showCmd
       >> placement.ptMinPosition.x >> placement.ptMinPosition.y
       >> placement.ptMaxPosition.x >> placement.ptMaxPosition.y
       >> placement.rcNormalPosition.left >> placement.rcNormalPosition.top
       >> placement.rcNormalPosition.right >> placement.rcNormalPosition.bottom;
    LONG style = 0;
    DWORD transparent = 0;
    ar >> m_nState >> m_nDrawnIndex >> m_nNextState >> m_nDisabledIndex >> m_nMode >> style >> transparent;
    m_nStyle = static_cast<Style>(style);
    m_crTransparent = transparent;
    if (GetSafeHwnd()) {
        const DesktopRect& place = placement.rcNormalPosition;
        MoveWindow(place.left, place.top, place.Width(), place.Height(), FALSE);
        ShowWindow(placement.showCmd == SW_HIDE ? SW_HIDE : SW_SHOWNA);
    }
    m_pEvent->Serialize(ar);
    ClearImages();
}
