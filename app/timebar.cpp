// The time bar: its template, its menu, the states it shows and the choices
// of its context menu.
#include "app/timebar.h"

#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "platform/core/resources.h"
#include "platform/gdi/font.h"
#include "platform/ui/colordialog.h"
#include "platform/ui/dlgtemplate.h"
#include "platform/ui/fontdialog.h"
#include "platform/ui/frame.h"
#include "platform/ui/menu.h"
#include "platform/ui/uiresources.h"

namespace {

constexpr int kBarMargin = 5;   // between the bar's edge and the display

// The bar holds no controls of its own: the display is made in code.
const DialogTemplate kTimeBar = {"Time", {}, {60, 20}, {}, WS_CHILD};
DIALOG_RESOURCE(IDD_TIMEBAR, kTimeBar);
STRING_TABLE({IDD_TIMEBAR, "Time"},
             {IDC_TIME_DISPLAY, "Click to go to a time location\nClick to go to a time location"});

const MenuTemplate kTimeBarMenu = {{
    {MF_POPUP, 0, "Time", {
        {MF_STRING, ID_TIME_UNITS, "Display Units"},
        {MF_STRING, ID_TIME_BACKGROUND, "Background..."},
        {MF_STRING, ID_TIME_TIMEFONT, "Time Font..."},
        {MF_STRING, ID_TIME_UNITSFONT, "Units Font..."},
    }},
}};
MENU_RESOURCE(IDR_TIMEBAR_MENU, kTimeBarMenu);

// Whether `state` belongs to the active document's performance.
bool IsActiveDocumentState(const SCBase& state) {
    MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
    return doc && doc->GetBaseEvent() && doc->GetBaseEvent() == state.GetTarget();
}

}  // namespace

IMPLEMENT_DYNAMIC(CTimeBar, MCDialogBar)

BEGIN_MESSAGE_MAP(CTimeBar, MCDialogBar)
    ON_WM_CONTEXTMENU()
    ON_COMMAND(ID_TIME_UNITS, &CTimeBar::OnDisplayUnits)
    ON_COMMAND(ID_TIME_BACKGROUND, &CTimeBar::OnBackground)
    ON_COMMAND(ID_TIME_TIMEFONT, &CTimeBar::OnTimeFont)
    ON_COMMAND(ID_TIME_UNITSFONT, &CTimeBar::OnUnitsFont)
END_MESSAGE_MAP()

CTimeBar::CTimeBar() = default;

CTimeBar::~CTimeBar() {
    // The display's window goes before the bar's, while its parent stands.
    m_wndDisplay.DestroyWindow();
}

int CTimeBar::CreateBar(CFrameWnd* frame) { return Create(frame, IDD_TIMEBAR); }

void CTimeBar::InitBar() {
    if (!m_wndDisplay.Create(nullptr, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), this, IDC_TIME_DISPLAY))
        return;
    m_wndDisplay.MoveWindow(kBarMargin, kBarMargin, 100, 30);
    LayoutBar();
    ShowChildren(SW_SHOWNOACTIVATE);
}

void CTimeBar::LayoutBar() {
    if (!m_wndDisplay.GetWidget())
        return;
    m_wndDisplay.RecalcLayout();
    CRect display;
    m_wndDisplay.GetWindowRect(&display);
    CPoint topLeft = display.TopLeft(), bottomRight = display.BottomRight();
    ScreenToClient(&topLeft);
    ScreenToClient(&bottomRight);
    CRect bar(topLeft, bottomRight);
    bar.InflateRect(kBarMargin, kBarMargin);
    m_sizeDefault = bar.Size();
    ResizeWindowInPlace(*this, m_sizeDefault);
    Invalidate();
    if (CFrameWnd* frame = GetParentFrame())
        frame->RecalcLayout(FALSE);
}

void CTimeBar::OnUpdate(long code, CObject* state) {
    switch (code) {
    case STATE_FILE_NEW:
    case STATE_FILE_OPENED:
    case STATE_SELECTION_ACTIVATE:
        m_wndDisplay.SetTime(MCTime::TimeZero(), TRUE);
        break;
    case STATE_FILE_CLOSED:
        m_wndDisplay.SetTime(MCTime::TimeNull(), TRUE);
        break;
    case STATE_TIME_POSITION:
    case STATE_TIME_RELOCATED:
        // Every open document reports its positions; only the one in front
        // owns the readout.
        if (auto* time = dynamic_cast<SCTime*>(state); time && IsActiveDocumentState(*time))
            m_wndDisplay.SetTime(time->GetTime(), TRUE);
        break;
    default:
        break;
    }
}

void CTimeBar::OnContextMenu(CWnd*, CPoint point) {
    std::unique_ptr<CMenu> menu = LoadMenu(IDR_TIMEBAR_MENU);
    CMenu* popup = menu ? menu->GetSubMenu(0) : nullptr;
    if (!popup)
        return;
    popup->CheckMenuItem(ID_TIME_UNITS, MF_BYCOMMAND | (m_wndDisplay.IsUnitsShown() ? MF_CHECKED : MF_UNCHECKED));
    popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, this);
}

void CTimeBar::OnDisplayUnits() {
    m_wndDisplay.ToggleUnits();
    LayoutBar();
}

void CTimeBar::OnBackground() {
    CColorDialog dialog(m_wndDisplay.GetBackColor(), 0, this);
    if (dialog.DoModal() == IDOK)
        m_wndDisplay.SetBackColor(dialog.GetColor());
}

BOOL CTimeBar::ChooseFont(const CFont* font, std::unique_ptr<CFont>& chosen, COLORREF& color) {
    LOGFONT description;
    if (!font || !font->GetLogFont(&description))
        description = LOGFONT();
    CFontDialog dialog(&description, CF_SCREENFONTS | CF_EFFECTS, nullptr, this);
    dialog.m_cf.rgbColors = color;
    if (dialog.DoModal() != IDOK)
        return FALSE;
    auto made = std::make_unique<CFont>();
    if (!made->CreateFontIndirect(&dialog.m_lf))
        return FALSE;
    chosen = std::move(made);
    color = dialog.GetColor();
    return TRUE;
}

void CTimeBar::OnTimeFont() {
    std::unique_ptr<CFont> font;
    COLORREF color = m_wndDisplay.GetTimeColor();
    if (!ChooseFont(m_wndDisplay.GetTimeFont(), font, color))
        return;
    m_wndDisplay.SetTimeFont(std::move(font), color);
    LayoutBar();
}

void CTimeBar::OnUnitsFont() {
    std::unique_ptr<CFont> font;
    COLORREF color = m_wndDisplay.GetUnitsColor();
    if (!ChooseFont(m_wndDisplay.GetUnitsFont(), font, color))
        return;
    m_wndDisplay.SetUnitsFont(std::move(font), color);
    LayoutBar();
}
