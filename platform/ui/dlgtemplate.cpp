#include "platform/ui/dlgtemplate.h"

#include "platform/gdi/fontengine.h"
#include "platform/ui/button.h"

#include <QFont>
#include <QFontMetrics>
#include <QVariant>
#include <QWidget>

#include <cmath>

namespace {

// A screen counts 96 pixels per inch.
constexpr int kScreenDpi = 96;

// Where a widget keeps the style it was made with.
constexpr const char* kStyleProperty = "staffwrightStyle";

// a * b / c rounded to the nearest, as dialog units have always been rounded.
int MulDiv(int a, int b, int c) {
    return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

}  // namespace

DWORD DialogItemStyle(const DialogItem& item) {
    DWORD style = item.style | WS_CHILD | WS_VISIBLE;
    switch (item.kind) {
    case DialogControlKind::Push:
        style |= WS_TABSTOP;
        break;
    case DialogControlKind::Check:
        style |= WS_TABSTOP;
        if ((style & BS_TYPEMASK) == BS_PUSHBUTTON)
            style |= BS_AUTOCHECKBOX;
        break;
    case DialogControlKind::Radio:
        if ((style & BS_TYPEMASK) == BS_PUSHBUTTON)
            style |= BS_AUTORADIOBUTTON;
        break;
    case DialogControlKind::Group:
        style = (style & ~BS_TYPEMASK) | BS_GROUPBOX;
        break;
    case DialogControlKind::Edit:
    case DialogControlKind::Combo:
    case DialogControlKind::ListBox:
    case DialogControlKind::ListView:
    case DialogControlKind::Tree:
    case DialogControlKind::Slider:
        style |= WS_TABSTOP;
        break;
    default:
        break;
    }
    return style;
}

DWORD GetWidgetStyle(const QWidget* widget) {
    return widget ? widget->property(kStyleProperty).toUInt() : 0;
}

void SetWidgetStyle(QWidget* widget, DWORD dwStyle) {
    if (widget)
        widget->setProperty(kStyleProperty, static_cast<unsigned>(dwStyle));
}

const DialogTemplate* FindDialogTemplate(unsigned id) {
    return FindRecordResource<DialogTemplate>(RT_DIALOG, id);
}

std::string MapDialogFace(const std::string& face) { return MapFaceName(face); }

QFont MakeDialogFont(const DialogFont& font) {
    QFont qfont(QString::fromStdString(MapDialogFace(font.face)));
    // Points to pixels as the system rounds them (8 points are 11 pixels).
    qfont.setPixelSize(std::max(1, MulDiv(font.pointSize, kScreenDpi, 72)));
    return qfont;
}

CDialogUnits::CDialogUnits(const DialogFont& font) {
    const QFontMetricsF metrics(MakeDialogFont(font));
    const int letters = static_cast<int>(std::lround(
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"))));
    m_baseX = (letters / 26 + 1) / 2;
    // Ascent and descent each rounded up to whole pixels, as the system measures a font's height.
    m_baseY = static_cast<int>(std::ceil(metrics.ascent())) + static_cast<int>(std::ceil(metrics.descent()));
}

CRect CDialogUnits::MapDialogRect(const DialogRect& rect) const {
    RECT mapped{rect.x, rect.y, rect.x + rect.cx, rect.y + rect.cy};
    MapDialogRect(&mapped);
    return mapped;
}

void CDialogUnits::MapDialogRect(RECT* rect) const {
    if (!rect)
        return;
    rect->left = MulDiv(rect->left, m_baseX, 4);
    rect->right = MulDiv(rect->right, m_baseX, 4);
    rect->top = MulDiv(rect->top, m_baseY, 8);
    rect->bottom = MulDiv(rect->bottom, m_baseY, 8);
}

CSize CDialogUnits::MapDialogSize(SIZE size) const {
    return {MulDiv(size.cx, m_baseX, 4), MulDiv(size.cy, m_baseY, 8)};
}
