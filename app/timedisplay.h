// CTimeDisplay: the time bar's readout — the active document's play position
// in large digits, drawn into a cached picture in chosen colours and fonts,
// with optional unit labels ("Bar", "Beat" ...) under the digits.
//
// The colours, the display format, whether the units show and both fonts
// are read from the profile when the display is made and written back when
// it goes ("Time", "Time\Color", "Time\Font"). The picture is drawn again
// only when marked dirty (a new time, colour, font or size). A click asks the
// main window for Go To (39140) while a document is active.
//
// Ownership: both fonts and the picture are the display's. User-interface
// thread only.
#pragma once

#include "model/time.h"
#include "platform/gdi/gdiobj.h"
#include "platform/ui/geometry.h"
#include "platform/ui/msgmap.h"
#include "platform/ui/wnd.h"

#include <cstdint>
#include <memory>
#include <string>

class CFont;

// The display's window id; string 1029 is its tool tip.
inline constexpr UINT IDC_TIME_DISPLAY = 1029;
// The Go To command a click sends to the main window.
inline constexpr UINT ID_TIME_GOTO = 39140;

// Resizes `wnd` to `size` where it stands (its place in the parent is kept).
void ResizeWindowInPlace(CWnd& wnd, CSize size);

class CTimeDisplay : public CWnd {
public:
    // The flags byte.
    enum : uint8_t { FLAG_DIRTY = 1, FLAG_UNITS = 2 };

    // Reads the settings and makes both fonts; the time shown is zero.
    CTimeDisplay();
    // Writes the settings back; the fonts and the picture go with it.
    ~CTimeDisplay() override;

    // Stores the time and marks the picture dirty; with `redraw` the window
    // is repainted at once, else at its next paint.
    void SetTime(const MCTime& time, BOOL redraw);
    const MCTime& GetTime() const { return m_time; }
    // The digits drawn for the time shown, in the display format (the
    // format's empty form for the null time or without a document).
    std::string GetTimeText() const;

    // Sizes the time and units rectangles from the fonts and the format and
    // resizes the window around them (a 6-pixel margin), keeping its place.
    void RecalcLayout();

    int GetFormat() const { return m_nFormat; }
    BOOL IsUnitsShown() const { return (m_flags & FLAG_UNITS) != 0; }
    // Flips the units bit (the picture becomes dirty); the caller lays out.
    void ToggleUnits();
    BOOL IsDirty() const { return (m_flags & FLAG_DIRTY) != 0; }

    COLORREF GetBackColor() const { return m_crBack; }
    COLORREF GetTimeColor() const { return m_crTime; }
    COLORREF GetUnitsColor() const { return m_crUnits; }
    // A new background colour: dirty and invalidated.
    void SetBackColor(COLORREF color);
    // A font (owned from here; the old one is deleted) and its colour, for
    // the digits or the labels; the picture becomes dirty. The caller lays out.
    void SetTimeFont(std::unique_ptr<CFont> font, COLORREF color);
    void SetUnitsFont(std::unique_ptr<CFont> font, COLORREF color);
    CFont* GetTimeFont() const { return m_pTimeFont.get(); }
    CFont* GetUnitsFont() const { return m_pUnitsFont.get(); }

    // Client coordinates.
    const CRect& GetTimeRect() const { return m_rcTime; }
    const CRect& GetUnitsRect() const { return m_rcUnits; }

    afx_msg void OnPaint();
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    DECLARE_MESSAGE_MAP()

private:
    // Draws the whole picture into `dc` (the picture's memory DC).
    void Draw(CDC& dc);
    void DrawUnits(CDC& dc);
    void MarkDirty() { m_flags |= FLAG_DIRTY; }

    uint8_t m_flags = FLAG_DIRTY;
    COLORREF m_crBack = 0;
    COLORREF m_crTime = 0;
    COLORREF m_crUnits = 0;
    int m_nFormat = 0;
    MCTime m_time;                          // zero until a document sets it
    CRect m_rcTime;
    CRect m_rcUnits;
    std::unique_ptr<CBitmap> m_pPicture;    // owned: made at the first paint, dropped on resize
    std::unique_ptr<CFont> m_pTimeFont;     // owned
    std::unique_ptr<CFont> m_pUnitsFont;    // owned
};
