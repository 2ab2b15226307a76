// The splash window: a borderless picture (bitmap 200) with a version line and
// a status line, standing over the screen while the program starts. It closes
// a while after the main frame's first activation (CloseAfter, timer 1), or at
// once when the user clicks it or presses a key in it. The About command shows
// the same window (about.h).
//
// At most one exists, reached through GetSplash. The object deletes itself when
// its window is gone, and the static pointer is cleared by its destructor.
// Settings, section "Splash": "VersionFont", "MessageFont", "VersionColor",
// "MessageColor", read when the window is made. User-interface thread only.
#pragma once

#include "interface/controls/bitmap.h"
#include "platform/ui/wnd.h"

#include <memory>
#include <string>

class CFont;
class CPalette;

inline constexpr UINT IDB_SPLASH = 200;
inline constexpr UINT IDS_SPLASH_VERSION = 201;
inline constexpr UINT IDS_LOADING_RESOURCES = 203;
inline constexpr UINT IDS_LOADING_APPLICATION = 204;
// The timer that closes the window (CloseAfter).
inline constexpr UINT_PTR kSplashCloseTimer = 1;

class CSplashWnd : public CWnd {
public:
    ~CSplashWnd() override;

    // Makes and shows the window; null when one exists already or bitmap 200
    // does not load. With `palette`, the picture is mapped onto it (borrowed);
    // without, the picture owns a palette of its own colours.
    static CSplashWnd* ShowSplash(CWnd* pParentWnd, CPalette* palette);
    // The window shown now; null when none.
    static CSplashWnd* GetSplash() { return s_pSplashWnd; }

    // Each repaints at once: the version text the whole window, the status
    // text the strip under it.
    void SetVersionText(const std::string& text);
    void SetVersionText(UINT nID);
    void SetSplashMessage(const std::string& text);
    void SetSplashMessage(UINT nID);
    // Above 0: closes after `ms` (timer 1); 0: closes now and repaints the
    // main window.
    void CloseAfter(UINT ms);

    const std::string& GetVersionText() const { return m_versionText; }
    const std::string& GetStatusText() const { return m_statusText; }
    COLORREF GetVersionColor() const { return m_versionColor; }
    COLORREF GetStatusColor() const { return m_statusColor; }
    // Empty until the first paint.
    const CRect& GetStatusRect() const { return m_statusRect; }
    MCBitmap& GetPicture() { return m_picture; }

    // A key press in the window closes it and goes no further.
    BOOL PreTranslateMessage(MSG* pMsg) override;
    // So does a mouse button press (the window has no frame: all is client).
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnPaint();
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    void PostNcDestroy() override;
    QWidget* CreateWidget(QWidget* parent, DWORD dwStyle) override;
    DECLARE_MESSAGE_MAP()

private:
    CSplashWnd();
    // Whether `message` is a key or mouse button press that closes the window.
    static bool ClosesSplash(UINT message);

    static CSplashWnd* s_pSplashWnd;

    COLORREF m_versionColor = 0xFFFFFF;
    std::unique_ptr<CFont> m_pVersionFont;   // owned, null until the setting is read
    std::string m_versionText;
    COLORREF m_statusColor = 0xFFFFFF;
    std::unique_ptr<CFont> m_pStatusFont;    // owned
    std::string m_statusText;
    MCBitmap m_picture;
    CRect m_statusRect;
};
