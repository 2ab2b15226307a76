// CStatic: a text that only shows, over a Qt label.
//
// Its window text is kept as given; what shows is the text read with the
// "&" prefix: "&x" shows x (x is the access key that, in a dialog, focuses
// the control after the label) and "&&" shows one "&". With SS_NOPREFIX the
// text shows as it is and there is no access key. SS_LEFT, SS_CENTER and
// SS_RIGHT align it (wrapping words); SS_LEFTNOWORDWRAP and SS_SIMPLE keep it
// on one line; SS_CENTERIMAGE centres it vertically; SS_SUNKEN draws a sunken
// edge. SS_NOTIFY makes a click send the parent STN_CLICKED (WM_COMMAND).
// User-interface thread only.
#pragma once

#include "platform/ui/wnd.h"

#include <string>

inline constexpr DWORD SS_LEFT = 0x0000;
inline constexpr DWORD SS_CENTER = 0x0001;
inline constexpr DWORD SS_RIGHT = 0x0002;
inline constexpr DWORD SS_SIMPLE = 0x000B;
inline constexpr DWORD SS_LEFTNOWORDWRAP = 0x000C;
inline constexpr DWORD SS_TYPEMASK = 0x001F;
inline constexpr DWORD SS_NOPREFIX = 0x0080;
inline constexpr DWORD SS_NOTIFY = 0x0100;
inline constexpr DWORD SS_CENTERIMAGE = 0x0200;
inline constexpr DWORD SS_SUNKEN = 0x1000;

inline constexpr UINT STN_CLICKED = 0;

// What a label with `dwStyle` shows of `text` (the prefixes read, see above).
std::string StaticShownText(const std::string& text, DWORD dwStyle);

class CStatic : public CWnd {
    DECLARE_DYNAMIC(CStatic)
public:
    CStatic() = default;
    virtual BOOL Create(const char* lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID = 0xFFFF);

protected:
    QWidget* CreateWidget(QWidget* parent, DWORD dwStyle) override;
    // STN_CLICKED with SS_NOTIFY.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    DWORD m_dwStyle = 0;
};
