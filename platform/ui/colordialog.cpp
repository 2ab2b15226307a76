#include "platform/ui/colordialog.h"

#include <QColorDialog>

IMPLEMENT_DYNAMIC(CColorDialog, CCommonDialog)

namespace {

QColor ToQColor(COLORREF colour) {
    return QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

COLORREF FromQColor(const QColor& colour) {
    return RGB(static_cast<BYTE>(colour.red()), static_cast<BYTE>(colour.green()), static_cast<BYTE>(colour.blue()));
}

// The toolkit's dialog, whose OK and Cancel end its CColorDialog.
class CColorWidget : public QColorDialog {
public:
    CColorWidget(CColorDialog& owner, QWidget* parent) : QColorDialog(parent), m_owner(owner) {}

    void accept() override {
        m_owner.m_cc.rgbResult = FromQColor(currentColor());
        if (m_owner.m_cc.lpCustColors)
            for (int i = 0; i < 16 && i < QColorDialog::customCount(); ++i)
                (*m_owner.m_cc.lpCustColors)[static_cast<size_t>(i)] = FromQColor(QColorDialog::customColor(i));
        m_owner.EndDialog(IDOK);
    }
    void reject() override { m_owner.EndDialog(IDCANCEL); }

private:
    CColorDialog& m_owner;   // borrowed: it destroys this widget
};

}  // namespace

CColorDialog::CColorDialog(COLORREF clrInit, DWORD dwFlags, CWnd* pParentWnd) : CCommonDialog(pParentWnd) {
    m_cc.rgbResult = clrInit;
    m_cc.Flags = dwFlags | CC_RGBINIT;
}

INT_PTR CColorDialog::DoModal() {
    auto* dialog = new CColorWidget(*this, GetParentWidget());
    dialog->setOption(QColorDialog::DontUseNativeDialog);
    if (m_cc.lpCustColors)
        for (int i = 0; i < 16 && i < QColorDialog::customCount(); ++i)
            QColorDialog::setCustomColor(i, ToQColor((*m_cc.lpCustColors)[static_cast<size_t>(i)]));
    dialog->setCurrentColor(ToQColor(m_cc.rgbResult));
    AdoptButtons(dialog);
    return RunModal(dialog);
}

void CColorDialog::SetCurrentColor(COLORREF clr) {
    if (auto* dialog = qobject_cast<QColorDialog*>(GetDialog()))
        dialog->setCurrentColor(ToQColor(clr));
}
