// The field's font: a CFont's description made into the widget's QFont.
#include "platform/gdi/font.h"
#include "platform/ui/dlgtemplate.h"
#include "platform/ui/edit.h"

#include <QFont>
#include <QFontMetricsF>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

// Where the widget keeps the CFont it was given (borrowed).
constexpr const char* kFontProperty = "staffwrightFont";

QFont ToWidgetFont(const LOGFONT& description) {
    QFont font(QString::fromStdString(MapDialogFace(GetFaceName(description))));
    if (description.lfHeight < 0) {
        font.setPixelSize(-description.lfHeight);
    } else if (description.lfHeight > 0) {
        // A positive height is the cell (ascent + descent): find the em that gives it.
        font.setPixelSize(100);
        const QFontMetricsF metrics(font);
        const double cell = metrics.ascent() + metrics.descent();
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(description.lfHeight * 100.0 / cell))));
    }
    if (description.lfWeight != FW_DONTCARE)
        font.setWeight(static_cast<QFont::Weight>(std::clamp<int>(description.lfWeight, 1, 1000)));
    font.setItalic(description.lfItalic != 0);
    font.setUnderline(description.lfUnderline != 0);
    font.setStrikeOut(description.lfStrikeOut != 0);
    return font;
}

}  // namespace

void CEdit::SetFont(CFont* pFont, BOOL bRedraw) {
    QWidget* widget = GetWidget();
    if (!widget)
        return;
    LOGFONT description;
    if (pFont && pFont->GetLogFont(&description)) {
        widget->setFont(ToWidgetFont(description));
        widget->setProperty(kFontProperty, QVariant::fromValue(reinterpret_cast<quintptr>(pFont)));
    } else {
        widget->setFont(QFont());
        widget->setProperty(kFontProperty, QVariant());
    }
    if (bRedraw)
        widget->update();
}

CFont* CEdit::GetFont() const {
    const QWidget* widget = GetWidget();
    if (!widget)
        return nullptr;
    return reinterpret_cast<CFont*>(widget->property(kFontProperty).value<quintptr>());
}
