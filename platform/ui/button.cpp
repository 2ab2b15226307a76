#include "platform/ui/button.h"

#include "platform/gdi/dc.h"
#include "platform/ui/dlgtemplate.h"
#include "platform/ui/syscolor.h"

#include <QCheckBox>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

IMPLEMENT_DYNAMIC(CButton, CWnd)

namespace {

DWORD ButtonType(DWORD style) {
    return style & BS_TYPEMASK;
}

// A radio button grouped by styles, not by its parent: the toolkit's own
// grouping would make every radio button of a dialog one group.
class CRadioWidget : public QRadioButton {
public:
    CRadioWidget(QWidget* parent, bool automatic) : QRadioButton(parent), m_automatic(automatic) {
        setAutoExclusive(false);
    }

protected:
    void nextCheckState() override {
        if (!m_automatic)
            return;   // the parent decides
        setChecked(true);
        ClearGroup();
    }

private:
    // Clears the other automatic radio buttons of this one's group.
    void ClearGroup() {
        QWidget* parent = parentWidget();
        if (!parent)
            return;
        const QList<QWidget*> siblings = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        const qsizetype self = siblings.indexOf(this);
        qsizetype first = self;
        while (first > 0 && !(GetWidgetStyle(siblings[first]) & WS_GROUP))
            --first;
        for (qsizetype i = first; i < siblings.size(); ++i) {
            if (i > first && (GetWidgetStyle(siblings[i]) & WS_GROUP))
                break;
            auto* radio = dynamic_cast<CRadioWidget*>(siblings[i]);
            if (radio && radio != this && radio->m_automatic)
                radio->setChecked(false);
        }
    }

    bool m_automatic;
};

// A group box whose caption stands in the top line of its frame, a little in
// from the left, as the system draws it; the toolkit's styles put the caption
// above the frame, outside the rectangle the dialog gave the box.
//
// Its access key ("&Bass") goes, as the system's does, to the first control
// after it in the tab order: in a dialog the box holds no controls of its
// own (they are its siblings), and the toolkit would look among its children.
class CGroupBoxWidget : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::Shortcut && !HasFocusableChild())
            if (QWidget* next = NextTabStop()) {
                next->setFocus(Qt::ShortcutFocusReason);
                return true;
            }
        return QGroupBox::event(event);
    }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QFontMetrics metrics(font());
        const int top = metrics.height() / 2;
        const QRect frame = rect().adjusted(0, top, -1, -1);
        // An etched line: shadow, then highlight one pixel in.
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(frame.adjusted(0, 0, -1, -1));
        painter.setPen(palette().color(QPalette::Light));
        painter.drawRect(frame.adjusted(1, 1, 0, 0));
        const QString caption = title();
        if (caption.isEmpty())
            return;
        const int inset = metrics.averageCharWidth();
        const QRect band(inset, 0, metrics.horizontalAdvance(caption) + inset, metrics.height());
        painter.fillRect(band, palette().color(QPalette::Window));
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        painter.drawText(band.adjusted(inset / 2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                         caption);
    }

private:
    static bool TakesTab(const QWidget* widget) {
        return (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && widget->isEnabled() &&
               widget->isVisible();
    }
    bool HasFocusableChild() const {
        for (const QWidget* child : findChildren<QWidget*>())
            if (TakesTab(child))
                return true;
        return false;
    }
    QWidget* NextTabStop() const {
        for (QWidget* widget = nextInFocusChain(); widget && widget != this; widget = widget->nextInFocusChain())
            if (TakesTab(widget) && widget->window() == window())
                return widget;
        return nullptr;
    }
};

// A check box that checks itself only when automatic.
class CCheckWidget : public QCheckBox {
public:
    CCheckWidget(QWidget* parent, bool automatic) : QCheckBox(parent), m_automatic(automatic) {}

protected:
    void nextCheckState() override {
        if (m_automatic)
            QCheckBox::nextCheckState();
    }

private:
    bool m_automatic;
};

// The click goes to whichever window is the button's parent when it happens.
void NotifyClicks(QAbstractButton* button) {
    QObject::connect(button, &QAbstractButton::clicked, button, [button] {
        CWnd* self = CWnd::FromWidget(button);
        CWnd* parentWnd = self ? self->GetParent() : nullptr;
        if (!parentWnd)
            return;
        parentWnd->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(self->GetDlgCtrlID()), BN_CLICKED),
                               reinterpret_cast<LPARAM>(self->m_hWnd));
    });
}

// An owner-drawn button: its face is what the parent draws on a surface of
// the button's size, through a DC, at each paint.
class COwnerDrawWidget : public QPushButton {
public:
    explicit COwnerDrawWidget(QWidget* parent) : QPushButton(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        CWnd* self = CWnd::FromWidget(this);
        CWnd* parentWnd = self ? self->GetParent() : nullptr;
        if (m_surface.size() != size())
            m_surface = QImage(size(), QImage::Format_RGB32);
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        m_surface.fill(QColor(GetRValue(face), GetGValue(face), GetBValue(face)));
        if (parentWnd && !m_surface.isNull()) {
            CDC dc;
            dc.AttachImage(&m_surface, DCKind::Display);
            DRAWITEMSTRUCT item;
            item.CtlType = ODT_BUTTON;
            item.CtlID = static_cast<UINT>(self->GetDlgCtrlID());
            item.itemAction = ODA_DRAWENTIRE;
            item.itemState = (isDown() ? UINT{ODS_SELECTED} : 0u) | (hasFocus() ? UINT{ODS_FOCUS} : 0u) |
                             (isEnabled() ? 0u : UINT{ODS_DISABLED}) | (isChecked() ? UINT{ODS_CHECKED} : 0u);
            item.hwndItem = self->m_hWnd;
            item.hDC = &dc;
            item.rcItem = {0, 0, width(), height()};
            parentWnd->SendMessage(WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
            dc.DeleteDC();
        }
        QPainter(this).drawImage(0, 0, m_surface);
    }

private:
    QImage m_surface;   // what the last paint drew
};

}  // namespace

BOOL CButton::Create(const char* lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("BUTTON", lpszCaption, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

QWidget* CButton::CreateWidget(QWidget* parent, DWORD dwStyle) {
    QWidget* widget = nullptr;
    switch (ButtonType(dwStyle)) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX: {
        auto* box = new CCheckWidget(parent, ButtonType(dwStyle) == BS_AUTOCHECKBOX);
        NotifyClicks(box);
        widget = box;
        break;
    }
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: {
        auto* radio = new CRadioWidget(parent, ButtonType(dwStyle) == BS_AUTORADIOBUTTON);
        NotifyClicks(radio);
        widget = radio;
        break;
    }
    case BS_GROUPBOX:
        widget = new CGroupBoxWidget(parent);
        widget->setFocusPolicy(Qt::NoFocus);
        break;
    case BS_OWNERDRAW: {
        auto* button = new COwnerDrawWidget(parent);
        NotifyClicks(button);
        widget = button;
        break;
    }
    default: {
        auto* button = new QPushButton(parent);
        button->setDefault(ButtonType(dwStyle) == BS_DEFPUSHBUTTON);
        NotifyClicks(button);
        widget = button;
        break;
    }
    }
    SetWidgetStyle(widget, dwStyle);
    return widget;
}

int CButton::GetCheck() const {
    return static_cast<int>(SendMessage(BM_GETCHECK));
}

void CButton::SetCheck(int nCheck) {
    SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck));
}

UINT CButton::GetState() const {
    return static_cast<UINT>(SendMessage(BM_GETSTATE));
}

void CButton::SetState(BOOL bHighlight) {
    SendMessage(BM_SETSTATE, static_cast<WPARAM>(bHighlight));
}

void CButton::DrawItem(LPDRAWITEMSTRUCT) {}

BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_DRAWITEM && (GetWidgetStyle(GetWidget()) & BS_TYPEMASK) == BS_OWNERDRAW) {
        DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
        if (pResult)
            *pResult = TRUE;
        return TRUE;
    }
    return CWnd::OnChildNotify(message, wParam, lParam, pResult);
}

LRESULT CButton::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    QWidget* widget = GetWidget();
    switch (message) {
    case BM_GETSTATE:
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            return (button->isDown() ? LRESULT{BST_PUSHED} : 0) |
                   (button->isCheckable() && button->isChecked() ? LRESULT{BST_CHECKED} : LRESULT{BST_UNCHECKED});
        return 0;
    case BM_SETSTATE:
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            button->setDown(wParam != 0);
        return 0;
    case BM_GETCHECK:
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            return button->isCheckable() && button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
        return BST_UNCHECKED;
    case BM_SETCHECK:
        if (auto* button = qobject_cast<QAbstractButton*>(widget); button && button->isCheckable())
            button->setChecked(wParam != BST_UNCHECKED);
        return 0;
    case WM_SETTEXT:
        // A group box shows its text as its title.
        if (auto* box = qobject_cast<QGroupBox*>(widget)) {
            const QString text = QString::fromUtf8(lParam ? reinterpret_cast<const char*>(lParam) : "");
            box->setTitle(text);
            box->setWindowTitle(text);   // what GetWindowText reads
            return TRUE;
        }
        break;
    default:
        break;
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
}
