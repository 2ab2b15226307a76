// CColorDialog: the common colour dialog, over the toolkit's own (non-native)
// colour dialog (commondlg.h for how it runs and is scripted).
//
// It opens on the initial colour (m_cc.rgbResult) and, after OK, GetColor
// answers the colour chosen; after Cancel it answers the initial one.
// SetCurrentColor chooses a colour while the dialog is open, as a user would.
// The sixteen custom colours (m_cc.lpCustColors) are the dialog's custom
// colours, read back after OK. User-interface thread only.
#pragma once

#include "platform/ui/commondlg.h"
#include "platform/ui/geometry.h"

#include <array>

inline constexpr DWORD CC_RGBINIT = 0x00000001;
inline constexpr DWORD CC_FULLOPEN = 0x00000002;
inline constexpr DWORD CC_PREVENTFULLOPEN = 0x00000004;
inline constexpr DWORD CC_ANYCOLOR = 0x00000100;

struct CHOOSECOLOR {
    COLORREF rgbResult = 0;
    std::array<COLORREF, 16>* lpCustColors = nullptr;   // borrowed, may be null
    DWORD Flags = 0;
};

class CColorDialog : public CCommonDialog {
    DECLARE_DYNAMIC(CColorDialog)
public:
    explicit CColorDialog(COLORREF clrInit = 0, DWORD dwFlags = 0, CWnd* pParentWnd = nullptr);

    virtual INT_PTR DoModal();
    COLORREF GetColor() const { return m_cc.rgbResult; }
    void SetCurrentColor(COLORREF clr);

    CHOOSECOLOR m_cc;
};
