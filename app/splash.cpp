#include "app/splash.h"

#include "app/centerwnd.h"
#include "interface/controls/palette.h"
#include "model/preferences.h"
#include "platform/core/resources.h"
#include "platform/gdi/font.h"
#include "platform/ui/paint.h"
#include "platform/ui/winthread.h"

#include <QWidget>

#include <cstdlib>

namespace {

const char* const kSplashSection = "Splash";

STRING_TABLE({IDS_SPLASH_VERSION, "Version 1.1.01"},
             {IDS_LOADING_RESOURCES, "Loading Resources..."},
             {IDS_LOADING_APPLICATION, "Loading Application..."});

}  // namespace

CSplashWnd* CSplashWnd::s_pSplashWnd = nullptr;

BEGIN_MESSAGE_MAP(CSplashWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_PAINT()
    ON_WM_TIMER()
END_MESSAGE_MAP()

CSplashWnd::CSplashWnd() = default;

CSplashWnd::~CSplashWnd() {
    if (s_pSplashWnd == this)
        s_pSplashWnd = nullptr;
}

CSplashWnd* CSplashWnd::ShowSplash(CWnd* pParentWnd, CPalette* palette) {
    if (s_pSplashWnd)
        return nullptr;
    auto* splash = new CSplashWnd;
    if (!splash->m_picture.Create(MAKEINTRESOURCE(IDB_SPLASH))) {
        delete splash;
        return nullptr;
    }
    if (palette) {
        // The shared palette is borrowed: the picture must not delete it.
        splash->m_picture.SetAutoDelete(0);
        splash->m_picture.SetPalette(palette);
        splash->m_picture.MapColorsToPalette(palette);
    } else {
        splash->m_picture.SetAutoDelete(1);
        splash->m_picture.SetPalette(new MCPalette(&splash->m_picture));
    }
    const CSize size = splash->m_picture.GetDimensions();
    s_pSplashWnd = splash;
    if (!splash->Create(nullptr, "", WS_POPUP | WS_VISIBLE, CRect(0, 0, size.cx, std::labs(size.cy)),
                        pParentWnd, 0)) {
        // A window refused in its creation was destroyed, and that deleted
        // the object; one never made leaves the object to us.
        if (s_pSplashWnd == splash)
            delete splash;
        return nullptr;
    }
    splash->UpdateWindow();
    return splash;
}

QWidget* CSplashWnd::CreateWidget(QWidget* parent, DWORD dwStyle) {
    QWidget* widget = CWnd::CreateWidget(parent, dwStyle);
    // A bare picture: no frame, above the windows being built under it.
    widget->setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    widget->setCursor(Qt::ArrowCursor);
    return widget;
}

int CSplashWnd::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    if (CWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    CenterWindowOver(this, nullptr);
    m_pVersionFont = LoadFontPreference(kSplashSection, "VersionFont", "Times New Roman", -24, 1, 0, 0);
    m_pStatusFont = LoadFontPreference(kSplashSection, "MessageFont", "Arial", -12, 0, 0, 0);
    m_versionColor = LoadColorPreference(kSplashSection, "VersionColor", 0x808000);
    m_statusColor = LoadColorPreference(kSplashSection, "MessageColor", 0);
    return 0;
}

void CSplashWnd::SetVersionText(const std::string& text) {
    m_versionText = text;
    Invalidate(TRUE);
    UpdateWindow();
}

void CSplashWnd::SetVersionText(UINT nID) {
    SetVersionText(LoadString(nID));
}

void CSplashWnd::SetSplashMessage(const std::string& text) {
    m_statusText = text;
    InvalidateRect(&m_statusRect, TRUE);
    UpdateWindow();
}

void CSplashWnd::SetSplashMessage(UINT nID) {
    SetSplashMessage(LoadString(nID));
}

void CSplashWnd::CloseAfter(UINT ms) {
    if (ms > 0) {
        SetTimer(kSplashCloseTimer, ms);
        return;
    }
    DestroyWindow();   // deletes this object (PostNcDestroy)
    if (CWnd* main = AfxGetMainWnd())
        main->UpdateWindow();
}

void CSplashWnd::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kSplashCloseTimer)
        CloseAfter(0);
}

bool CSplashWnd::ClosesSplash(UINT message) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        return true;
    default:
        return false;
    }
}

BOOL CSplashWnd::PreTranslateMessage(MSG* pMsg) {
    if (pMsg && pMsg->hwnd == m_hWnd && ClosesSplash(pMsg->message)) {
        CloseAfter(0);
        return TRUE;
    }
    return CWnd::PreTranslateMessage(pMsg);
}

LRESULT CSplashWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (ClosesSplash(message)) {
        CloseAfter(0);
        return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CSplashWnd::OnPaint() {
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    m_picture.UsePalette(&dc, FALSE);
    const CSize size = m_picture.GetDimensions();
    CRect source(0, 0, size.cx, std::labs(size.cy));
    m_picture.Draw(&dc, client, source);
    if (!m_pVersionFont || !m_pStatusFont)
        return;
    dc.SetBkMode(TRANSPARENT);
    CFont* old = dc.SelectObject(m_pVersionFont.get());
    dc.SetTextColor(m_versionColor);
    dc.SetTextAlign(TA_LEFT | TA_BOTTOM);
    dc.TextOut(client.left + 30, client.bottom - 40, m_versionText);

    dc.SelectObject(m_pStatusFont.get());
    TEXTMETRIC metrics{};
    dc.GetTextMetrics(&metrics);
    const int y = client.bottom - metrics.tmHeight - 8;
    dc.SetTextColor(m_statusColor);
    dc.SetTextAlign(TA_LEFT | TA_TOP);
    dc.TextOut(client.left + 15, y, m_statusText);
    dc.SelectObject(old);
    if (m_statusRect.IsRectEmpty())
        m_statusRect = CRect(client.left, y, client.right, client.bottom);
}

void CSplashWnd::PostNcDestroy() {
    delete this;
}
