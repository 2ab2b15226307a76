// CFontDialog: the common font dialog, our own (the toolkit's has no colour),
// run as the other common dialogs are (commondlg.h).
//
// Its controls, by the classic ids: the scalable faces (cmb1, 1136, a list),
// the styles (cmb2, 1137: "Regular", "Italic", "Bold", "Bold Italic"), the
// sizes in points (cmb3, 1138, a list with a field that takes any size such
// as "10.5"), and with CF_EFFECTS the colour (cmb4, 1139, the sixteen basic
// colours), strikeout (chx1, 1040) and underline (chx2, 1041).
//
// It opens on the font m_cf.lpLogFont describes (with
// CF_INITTOLOGFONTSTRUCT, which the constructor sets when given a font) and
// on m_cf.rgbColors. After OK, m_lf (and *m_cf.lpLogFont) describe the font
// chosen, its height -(points x screen dpi / 72) (the screen's metrics:
// 96 headless), and m_cf.iPointSize its size in tenths of a point. A size
// that is no positive number keeps the dialog open and says so.
// User-interface thread only.
#pragma once

#include "platform/ui/commondlg.h"
#include "platform/ui/geometry.h"
#include "platform/ui/metrics.h"

#include <string>

class CDC;

inline constexpr DWORD CF_SCREENFONTS = 0x00000001;
inline constexpr DWORD CF_PRINTERFONTS = 0x00000002;
inline constexpr DWORD CF_BOTH = CF_SCREENFONTS | CF_PRINTERFONTS;
inline constexpr DWORD CF_INITTOLOGFONTSTRUCT = 0x00000040;
inline constexpr DWORD CF_EFFECTS = 0x00000100;
inline constexpr DWORD CF_SCALABLEONLY = 0x00020000;
inline constexpr DWORD CF_TTONLY = 0x00040000;
inline constexpr DWORD CF_NOVECTORFONTS = 0x00000800;

struct CHOOSEFONT {
    LOGFONT* lpLogFont = nullptr;   // borrowed, may be null: read at the start, written on OK
    int iPointSize = 0;             // tenths of a point, after OK
    DWORD Flags = 0;
    COLORREF rgbColors = 0;
};

class CFontDialog : public CCommonDialog {
    DECLARE_DYNAMIC(CFontDialog)
public:
    // `pdcPrinter` is accepted for the classic signature; only screen fonts are listed.
    explicit CFontDialog(LOGFONT* lplfInitial = nullptr, DWORD dwFlags = CF_EFFECTS | CF_SCREENFONTS,
                         CDC* pdcPrinter = nullptr, CWnd* pParentWnd = nullptr);

    virtual INT_PTR DoModal();

    void GetCurrentFont(LOGFONT* lplf) const { *lplf = m_lf; }
    std::string GetFaceName() const;
    std::string GetStyleName() const;
    int GetSize() const { return m_cf.iPointSize; }   // tenths of a point
    COLORREF GetColor() const { return m_cf.rgbColors; }
    int GetWeight() const { return m_lf.lfWeight; }
    BOOL IsStrikeOut() const { return m_lf.lfStrikeOut != 0; }
    BOOL IsUnderline() const { return m_lf.lfUnderline != 0; }
    BOOL IsBold() const { return m_lf.lfWeight >= FW_BOLD; }
    BOOL IsItalic() const { return m_lf.lfItalic != 0; }

    CHOOSEFONT m_cf;
    LOGFONT m_lf;

private:
    class Widget;   // fontdialog.cpp
    friend class Widget;

    QDialog* Build();
    // Reads the controls into m_lf and m_cf; false (the user told) when the size is no size.
    bool Accept();
};
