#include "platform/ui/dlgctrl.h"

#include "platform/ui/button.h"
#include "platform/ui/edit.h"
#include "platform/ui/listctrl.h"
#include "platform/ui/lists.h"
#include "platform/ui/spin.h"
#include "platform/ui/scrollctrl.h"
#include "platform/ui/static.h"
#include "platform/ui/treectrl.h"

#include "platform/ui/prompt.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

namespace {

std::unique_ptr<CWnd> MakePlainWindow(const DialogItem& item, const CRect& rect, CWnd* parent) {
    auto window = std::make_unique<CWnd>();
    if (!window->Create(nullptr, item.text.c_str(), DialogItemStyle(item), rect, parent, static_cast<UINT>(item.id)))
        return nullptr;
    return window;
}

// A control made as the common controls are: Create(style, rect, parent, id).
template <typename Control>
std::unique_ptr<CWnd> MakeControl(const DialogItem& item, const CRect& rect, CWnd* parent) {
    auto control = std::make_unique<Control>();
    if (!control->Create(DialogItemStyle(item), rect, parent, static_cast<UINT>(item.id)))
        return nullptr;
    return control;
}

std::unique_ptr<CWnd> MakeStatic(const DialogItem& item, const CRect& rect, CWnd* parent) {
    auto label = std::make_unique<CStatic>();
    if (!label->Create(item.text.c_str(), DialogItemStyle(item), rect, parent, static_cast<UINT>(item.id)))
        return nullptr;
    return label;
}

std::unique_ptr<CWnd> MakeButton(const DialogItem& item, const CRect& rect, CWnd* parent) {
    auto button = std::make_unique<CButton>();
    if (!button->Create(item.text.c_str(), DialogItemStyle(item), rect, parent, static_cast<UINT>(item.id)))
        return nullptr;
    return button;
}

DialogControlMaker PlainMaker(DialogControlKind kind) {
    switch (kind) {
    case DialogControlKind::Push:
    case DialogControlKind::Check:
    case DialogControlKind::Radio:
    case DialogControlKind::Group:
        return &MakeButton;
    case DialogControlKind::Static:
        return &MakeStatic;
    case DialogControlKind::Edit:
        return &MakeControl<CEdit>;
    case DialogControlKind::Combo:
        return &MakeControl<CComboBox>;
    case DialogControlKind::ListBox:
        return &MakeControl<CListBox>;
    case DialogControlKind::ListView:
        return &MakeControl<CListCtrl>;
    case DialogControlKind::Tree:
        return &MakeControl<CTreeCtrl>;
    case DialogControlKind::Spin:
        return &MakeControl<CSpinButtonCtrl>;
    case DialogControlKind::Slider:
        return &MakeControl<CSliderCtrl>;
    case DialogControlKind::ScrollBar:
        return &MakeControl<CScrollBar>;
    case DialogControlKind::Progress:
        return &MakeControl<CProgressCtrl>;
    default:
        return &MakePlainWindow;
    }
}

constexpr size_t kKinds = static_cast<size_t>(DialogControlKind::Custom) + 1;
std::array<DialogControlMaker, kKinds> g_makers{};   // null: the plain maker

// A top-level dialog's widget: the toolkit's own endings (Escape, the close
// box, accept and reject) become the command IDCANCEL or IDOK to its window,
// whose handlers decide; Tab follows the dialog's focus rules.
class CDialogWidget : public QDialog {
public:
    explicit CDialogWidget(QWidget* parent) : QDialog(parent) {}

    void accept() override { Command(IDOK); }
    void reject() override { Command(IDCANCEL); }
    void done(int result) override { Command(result == QDialog::Accepted ? IDOK : IDCANCEL); }

protected:
    bool focusNextPrevChild(bool next) override {
        MoveDialogFocus(this, !next);
        return true;
    }

private:
    void Command(int nID) {
        if (CWnd* wnd = CWnd::FromWidget(this))
            wnd->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(nID), BN_CLICKED), 0);
    }
};

// A child dialog's widget (a property page): it takes the clicks it is given,
// and Tab is its window's.
class CChildDialogWidget : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
};

bool TabReaches(const QWidget* dialog, const QWidget* widget) {
    return widget != dialog && widget->window() == dialog && widget->isVisible() && widget->isEnabled() &&
           (widget->focusPolicy() & Qt::TabFocus) && !widget->focusProxy();
}

bool CanFocus(const QWidget* widget) {
    return widget->focusPolicy() != Qt::NoFocus && !qobject_cast<const QLabel*>(widget);
}

}  // namespace

DialogControlMaker SetDialogControlMaker(DialogControlKind kind, DialogControlMaker maker) {
    const auto index = static_cast<size_t>(kind);
    if (index >= kKinds)
        return nullptr;
    DialogControlMaker previous = GetDialogControlMaker(kind);
    g_makers[index] = maker;
    return previous;
}

DialogControlMaker GetDialogControlMaker(DialogControlKind kind) {
    const auto index = static_cast<size_t>(kind);
    if (index >= kKinds)
        return nullptr;
    return g_makers[index] ? g_makers[index] : PlainMaker(kind);
}

std::vector<DialogControl> CreateDialogControls(CWnd& parent, const DialogTemplate& dialogTemplate,
                                                const CDialogUnits& units) {
    std::vector<DialogControl> controls;
    for (const DialogItem& item : dialogTemplate.items) {
        DialogControlMaker maker = GetDialogControlMaker(item.kind);
        std::unique_ptr<CWnd> window = maker ? maker(item, units.MapDialogRect(item.rect), &parent) : nullptr;
        if (!window || !window->GetWidget())
            continue;
        QWidget* widget = window->GetWidget();
        SetWidgetStyle(widget, DialogItemStyle(item));
        if (!(DialogItemStyle(item) & WS_TABSTOP) && widget->focusPolicy() != Qt::NoFocus)
            widget->setFocusPolicy(Qt::ClickFocus);   // reached by a click, never by Tab
        controls.push_back(DialogControl{item.id, item.kind, widget, std::move(window)});
    }
    // Tab order is template order; a label's buddy is the next control that
    // takes the focus. Controls laid out in a frame (a bar, a form view) give
    // their labels no access key: Alt with a letter there is the menu bar's.
    const bool accessKeys = !(parent.GetWidget() && qobject_cast<QMainWindow*>(parent.GetWidget()->window()));
    QWidget* previous = nullptr;
    for (size_t i = 0; i < controls.size(); ++i) {
        QWidget* widget = controls[i].widget;
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            if (!accessKeys || (GetWidgetStyle(label) & SS_NOPREFIX))
                continue;   // no access key: "&" is text, or the menu's
            for (size_t j = i + 1; j < controls.size(); ++j) {
                if (CanFocus(controls[j].widget)) {
                    label->setBuddy(controls[j].widget);
                    break;
                }
            }
            continue;
        }
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
    return controls;
}

BOOL TakeOverDlgItem(std::vector<DialogControl>& controls, int nID, CWnd& control) {
    if (control.GetSafeHwnd())
        return FALSE;
    for (DialogControl& made : controls) {
        if (made.id != nID || !made.widget)
            continue;
        if (made.window && made.window->GetWidget() == made.widget)
            made.window->UnsubclassWindow();
        if (!control.SubclassWidget(made.widget))
            return FALSE;
        made.window.reset();
        return TRUE;
    }
    return FALSE;
}

bool IsEditWidget(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
           qobject_cast<const QPlainTextEdit*>(widget);
}

void FocusDialogControl(QWidget* control) {
    if (!control)
        return;
    // Not as Tab: the toolkit's edits would select their text themselves.
    control->setFocus(Qt::OtherFocusReason);
    if (IsEditWidget(control))
        if (CWnd* wnd = CWnd::FromWidget(control))
            wnd->SendMessage(EM_SETSEL, 0, -1);
}

QWidget* MoveDialogFocus(QWidget* dialog, bool previous) {
    if (!dialog)
        return nullptr;
    QWidget* start = QApplication::focusWidget();
    if (!start || start->window() != dialog)
        start = dialog;
    QWidget* widget = start;
    do {
        widget = previous ? widget->previousInFocusChain() : widget->nextInFocusChain();
        if (TabReaches(dialog, widget)) {
            FocusDialogControl(widget);
            return widget;
        }
    } while (widget && widget != start);
    return nullptr;
}

QWidget* FirstDialogTabStop(QWidget* dialog) {
    if (!dialog)
        return nullptr;
    for (QWidget* widget = dialog->nextInFocusChain(); widget && widget != dialog; widget = widget->nextInFocusChain())
        if (TabReaches(dialog, widget))
            return widget;
    return nullptr;
}

QWidget* CreateDialogWidget(QWidget* parent, bool child) {
    if (child)
        return new CChildDialogWidget(parent);
    return new CDialogWidget(parent);
}

namespace {

// The text less the blanks before and after it.
std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

}  // namespace

bool ParseDialogInteger(const std::string& text, bool bSigned, long long& value) {
    std::string_view digits = TrimBlanks(text);
    const bool plus = !digits.empty() && digits.front() == '+';
    if (plus)
        digits.remove_prefix(1);
    const bool minus = !digits.empty() && digits.front() == '-';
    if (digits.empty() || (minus && (plus || !bSigned)))
        return false;
    auto [ptr, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc() && ptr == digits.data() + digits.size();
}

bool ParseDialogNumber(const std::string& text, double& value) {
    const std::string_view number = TrimBlanks(text);
    if (number.empty())
        return false;
    auto [ptr, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    return error == std::errc() && ptr == number.data() + number.size();
}
