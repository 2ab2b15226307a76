#include "platform/ui/syscolor.h"

#include <QApplication>
#include <QPalette>

namespace {

struct ColorRole {
    int index;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
    COLORREF plain;   // without a GUI application
};

// Each system colour's place in the palette.
constexpr ColorRole kRoles[] = {
    {COLOR_SCROLLBAR, QPalette::Active, QPalette::Midlight, RGB(200, 200, 200)},
    {COLOR_BACKGROUND, QPalette::Active, QPalette::Dark, RGB(0, 0, 0)},
    {COLOR_ACTIVECAPTION, QPalette::Active, QPalette::Highlight, RGB(0, 120, 215)},
    {COLOR_INACTIVECAPTION, QPalette::Active, QPalette::Mid, RGB(191, 205, 219)},
    {COLOR_MENU, QPalette::Active, QPalette::Window, RGB(240, 240, 240)},
    {COLOR_WINDOW, QPalette::Active, QPalette::Base, RGB(255, 255, 255)},
    {COLOR_WINDOWFRAME, QPalette::Active, QPalette::Shadow, RGB(100, 100, 100)},
    {COLOR_MENUTEXT, QPalette::Active, QPalette::WindowText, RGB(0, 0, 0)},
    {COLOR_WINDOWTEXT, QPalette::Active, QPalette::Text, RGB(0, 0, 0)},
    {COLOR_CAPTIONTEXT, QPalette::Active, QPalette::HighlightedText, RGB(255, 255, 255)},
    {COLOR_ACTIVEBORDER, QPalette::Active, QPalette::Button, RGB(180, 180, 180)},
    {COLOR_INACTIVEBORDER, QPalette::Active, QPalette::Button, RGB(244, 247, 252)},
    {COLOR_APPWORKSPACE, QPalette::Active, QPalette::Dark, RGB(171, 171, 171)},
    {COLOR_HIGHLIGHT, QPalette::Active, QPalette::Highlight, RGB(0, 120, 215)},
    {COLOR_HIGHLIGHTTEXT, QPalette::Active, QPalette::HighlightedText, RGB(255, 255, 255)},
    {COLOR_BTNFACE, QPalette::Active, QPalette::Button, RGB(240, 240, 240)},
    {COLOR_BTNSHADOW, QPalette::Active, QPalette::Mid, RGB(160, 160, 160)},
    {COLOR_GRAYTEXT, QPalette::Disabled, QPalette::Text, RGB(109, 109, 109)},
    {COLOR_BTNTEXT, QPalette::Active, QPalette::ButtonText, RGB(0, 0, 0)},
    {COLOR_INACTIVECAPTIONTEXT, QPalette::Inactive, QPalette::WindowText, RGB(0, 0, 0)},
    {COLOR_BTNHIGHLIGHT, QPalette::Active, QPalette::Light, RGB(255, 255, 255)},
    {COLOR_3DDKSHADOW, QPalette::Active, QPalette::Shadow, RGB(105, 105, 105)},
    {COLOR_3DLIGHT, QPalette::Active, QPalette::Midlight, RGB(227, 227, 227)},
    {COLOR_INFOTEXT, QPalette::Active, QPalette::ToolTipText, RGB(0, 0, 0)},
    {COLOR_INFOBK, QPalette::Active, QPalette::ToolTipBase, RGB(255, 255, 225)},
};

}  // namespace

COLORREF GetSysColor(int index) {
    for (const ColorRole& entry : kRoles) {
        if (entry.index != index)
            continue;
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
            return entry.plain;
        const QColor color = QApplication::palette().color(entry.group, entry.role);
        return RGB(static_cast<BYTE>(color.red()), static_cast<BYTE>(color.green()), static_cast<BYTE>(color.blue()));
    }
    return 0;
}
