#include "platform/ui/lists.h"

#include "platform/ui/control_support.h"
#include "platform/ui/dlgtemplate.h"
#include "platform/ui/wnd_private.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QStylePainter>

#include <algorithm>

IMPLEMENT_DYNAMIC(CComboBox, CWnd)
IMPLEMENT_DYNAMIC(CListBox, CWnd)

using platform_detail::FindListString;
using platform_detail::FromUtf8;
using platform_detail::kItemDataRole;
using platform_detail::NotifyParentCommand;

namespace {

// Where a sorted list takes a new string: before the first entry above it.
template <class TextAt>
int SortedPlace(const QString& text, int count, TextAt textAt) {
    for (int index = 0; index < count; ++index)
        if (QString::compare(textAt(index), text, Qt::CaseInsensitive) > 0)
            return index;
    return count;
}

// A list's style: its own, or, for a list that took over a control made
// from a template (its own style unset), the style the control was made with.
DWORD ListStyle(const CWnd& wnd, DWORD own) {
    return own ? own : GetWidgetStyle(wnd.GetWidget());
}

int CopyEntryText(const QString& entry, std::string& text) {
    text = entry.toStdString();
    return static_cast<int>(text.size());
}

// The combo box's widget: the opening and closing of its list are news for the parent.
// An owner-drawn one has its field drawn by its owner.
class CComboWidget : public QComboBox {
public:
    CComboWidget(QWidget* parent, bool ownerDraw) : QComboBox(parent), m_ownerDraw(ownerDraw) {}
    void showPopup() override {
        Notify(CBN_DROPDOWN);
        QComboBox::showPopup();
    }
    void hidePopup() override {
        QComboBox::hidePopup();
        Notify(CBN_CLOSEUP);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        if (!m_ownerDraw) {
            QComboBox::paintEvent(event);
            return;
        }
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        option.currentText.clear();
        option.currentIcon = QIcon();
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
        UINT state = ODS_COMBOBOXEDIT;
        if (hasFocus())
            state |= ODS_SELECTED | ODS_FOCUS;
        if (!isEnabled())
            state |= ODS_DISABLED;
        PaintOwnerDrawnItem(&painter, this, ODT_COMBOBOX, currentIndex(), field, state,
                            itemData(currentIndex(), kItemDataRole).toULongLong());
    }

private:
    void Notify(UINT code) {
        if (CWnd* self = CWnd::FromWidget(this))
            NotifyParentCommand(*self, code);
    }

    bool m_ownerDraw;
};

// Whether a list's style asks for owner drawing, and of which kind.
constexpr DWORD kOwnerDrawFixed = 0x0010;      // LBS_ and CBS_ alike
constexpr DWORD kOwnerDrawVariable = 0x0020;

bool IsOwnerDrawn(DWORD style) {
    return (style & (kOwnerDrawFixed | kOwnerDrawVariable)) != 0;
}

// WM_DRAWITEM and WM_MEASUREITEM for an owner-drawn list's own handlers.
template <class Control>
BOOL TakeOwnerDraw(Control& control, DWORD style, UINT message, LPARAM lParam, LRESULT* pResult) {
    if (!IsOwnerDrawn(style) || !lParam)
        return FALSE;
    if (message == WM_DRAWITEM)
        control.DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
    else if (message == WM_MEASUREITEM)
        control.MeasureItem(reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam));
    else
        return FALSE;
    if (pResult)
        *pResult = TRUE;
    return TRUE;
}

QComboBox* Combo(const CWnd& wnd) {
    return qobject_cast<QComboBox*>(wnd.GetWidget());
}

QListWidget* List(const CWnd& wnd) {
    return qobject_cast<QListWidget*>(wnd.GetWidget());
}

}  // namespace

// ---- CComboBox ------------------------------------------------------------------------

BOOL CComboBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    if (!CWnd::Create("COMBOBOX", nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID))
        return FALSE;
    QWidget* widget = GetWidget();
    widget->resize(widget->width(), widget->sizeHint().height());
    return TRUE;
}

QWidget* CComboBox::CreateWidget(QWidget* parent, DWORD dwStyle) {
    m_dwStyle = dwStyle;
    auto* combo = new CComboWidget(parent, IsOwnerDrawn(dwStyle));
    if (IsOwnerDrawn(dwStyle))
        InstallOwnerDraw(combo->view(), combo, ODT_COMBOBOX, (dwStyle & CBS_OWNERDRAWVARIABLE) != 0);
    const DWORD kind = dwStyle & 0x0003;
    combo->setEditable(kind == CBS_DROPDOWN || kind == CBS_SIMPLE);
    combo->setInsertPolicy(QComboBox::NoInsert);
    if (QLineEdit* field = combo->lineEdit()) {
        platform_detail::MarkAsPart(field);
        QObject::connect(field, &QLineEdit::textEdited, combo, [combo] {
            if (CWnd* self = CWnd::FromWidget(combo))
                NotifyParentCommand(*self, CBN_EDITCHANGE);
        });
    }
    // A choice of the user's, by the list or by the keys.
    QObject::connect(combo, &QComboBox::activated, combo, [combo] {
        CWnd* self = CWnd::FromWidget(combo);
        if (!self)
            return;
        const HWND hWnd = self->GetSafeHwnd();
        NotifyParentCommand(*self, CBN_SELCHANGE);
        if (CWnd* still = CWnd::FromHandle(hWnd))
            NotifyParentCommand(*still, CBN_SELENDOK);
    });
    return combo;
}

int CComboBox::GetCount() const {
    QComboBox* combo = Combo(*this);
    return combo ? combo->count() : CB_ERR;
}

int CComboBox::AddString(const char* lpszString) {
    QComboBox* combo = Combo(*this);
    if (!combo)
        return CB_ERR;
    const QString text = FromUtf8(lpszString);
    const int index = (ListStyle(*this, m_dwStyle) & CBS_SORT)
                          ? SortedPlace(text, combo->count(), [combo](int n) { return combo->itemText(n); })
                          : combo->count();
    return InsertString(index, lpszString);
}

int CComboBox::InsertString(int nIndex, const char* lpszString) {
    QComboBox* combo = Combo(*this);
    if (!combo || nIndex > combo->count())
        return CB_ERR;
    if (nIndex < 0)
        nIndex = combo->count();
    const QSignalBlocker quiet(combo);
    const bool wasEmpty = combo->count() == 0;
    combo->insertItem(nIndex, FromUtf8(lpszString), QVariant::fromValue<qulonglong>(0));
    combo->setItemData(nIndex, QVariant::fromValue<qulonglong>(0), kItemDataRole);
    if (wasEmpty && !combo->isEditable())
        combo->setCurrentIndex(-1);   // a new list has no selection
    return nIndex;
}

int CComboBox::DeleteString(UINT nIndex) {
    QComboBox* combo = Combo(*this);
    if (!combo || static_cast<int>(nIndex) >= combo->count())
        return CB_ERR;
    const QSignalBlocker quiet(combo);
    combo->removeItem(static_cast<int>(nIndex));
    return combo->count();
}

void CComboBox::ResetContent() {
    if (QComboBox* combo = Combo(*this)) {
        const QSignalBlocker quiet(combo);
        combo->clear();
    }
}

int CComboBox::GetLBText(int nIndex, std::string& text) const {
    QComboBox* combo = Combo(*this);
    if (!combo || nIndex < 0 || nIndex >= combo->count())
        return CB_ERR;
    return CopyEntryText(combo->itemText(nIndex), text);
}

int CComboBox::GetLBTextLen(int nIndex) const {
    std::string text;
    return GetLBText(nIndex, text);
}

int CComboBox::FindString(int nStartAfter, const char* lpszString) const {
    QComboBox* combo = Combo(*this);
    if (!combo)
        return CB_ERR;
    return FindListString([combo](int n) { return combo->itemText(n); }, combo->count(), nStartAfter, lpszString, false);
}

int CComboBox::FindStringExact(int nStartAfter, const char* lpszString) const {
    QComboBox* combo = Combo(*this);
    if (!combo)
        return CB_ERR;
    return FindListString([combo](int n) { return combo->itemText(n); }, combo->count(), nStartAfter, lpszString, true);
}

int CComboBox::SelectString(int nStartAfter, const char* lpszString) {
    const int found = FindString(nStartAfter, lpszString);
    if (found != CB_ERR)
        SetCurSel(found);
    return found;
}

int CComboBox::GetCurSel() const {
    QComboBox* combo = Combo(*this);
    return combo ? combo->currentIndex() : CB_ERR;
}

int CComboBox::SetCurSel(int nSelect) {
    QComboBox* combo = Combo(*this);
    if (!combo)
        return CB_ERR;
    const QSignalBlocker quiet(combo);
    if (nSelect < 0 || nSelect >= combo->count()) {
        combo->setCurrentIndex(-1);
        if (combo->lineEdit())
            combo->lineEdit()->clear();
        return CB_ERR;
    }
    combo->setCurrentIndex(nSelect);
    return nSelect;
}

DWORD_PTR CComboBox::GetItemData(int nIndex) const {
    QComboBox* combo = Combo(*this);
    if (!combo || nIndex < 0 || nIndex >= combo->count())
        return static_cast<DWORD_PTR>(CB_ERR);
    return static_cast<DWORD_PTR>(combo->itemData(nIndex, kItemDataRole).toULongLong());
}

int CComboBox::SetItemData(int nIndex, DWORD_PTR dwItemData) {
    QComboBox* combo = Combo(*this);
    if (!combo || nIndex < 0 || nIndex >= combo->count())
        return CB_ERR;
    combo->setItemData(nIndex, QVariant::fromValue<qulonglong>(dwItemData), kItemDataRole);
    return 0;
}

int CComboBox::SetDroppedWidth(UINT nWidth) {
    QComboBox* combo = Combo(*this);
    if (!combo)
        return CB_ERR;
    combo->view()->setMinimumWidth(static_cast<int>(nWidth));
    return static_cast<int>(nWidth);
}

int CComboBox::GetDroppedWidth() const {
    QComboBox* combo = Combo(*this);
    if (!combo)
        return CB_ERR;
    return std::max(combo->view()->minimumWidth(), combo->width());
}

void CComboBox::ShowDropDown(BOOL bShowIt) {
    QComboBox* combo = Combo(*this);
    if (!combo)
        return;
    if (bShowIt)
        combo->showPopup();
    else
        combo->hidePopup();
}

BOOL CComboBox::GetDroppedState() const {
    QComboBox* combo = Combo(*this);
    return combo && combo->view()->isVisible() ? TRUE : FALSE;
}

BOOL CComboBox::LimitText(int nMaxChars) {
    QComboBox* combo = Combo(*this);
    if (!combo || !combo->lineEdit())
        return FALSE;
    combo->lineEdit()->setMaxLength(nMaxChars > 0 ? nMaxChars : 0x7FFFFFFE);
    return TRUE;
}

// ---- CListBox -------------------------------------------------------------------------

BOOL CListBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("LISTBOX", nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

QWidget* CListBox::CreateWidget(QWidget* parent, DWORD dwStyle) {
    m_dwStyle = dwStyle;
    auto* list = new QListWidget(parent);
    list->setSelectionMode((dwStyle & LBS_EXTENDEDSEL)   ? QAbstractItemView::ExtendedSelection
                           : (dwStyle & LBS_MULTIPLESEL) ? QAbstractItemView::MultiSelection
                                                         : QAbstractItemView::SingleSelection);
    platform_detail::MarkAsPart(list->viewport());
    if (IsOwnerDrawn(dwStyle)) {
        InstallOwnerDraw(list, list, ODT_LISTBOX, (dwStyle & LBS_OWNERDRAWVARIABLE) != 0);
        list->setUniformItemSizes((dwStyle & LBS_OWNERDRAWVARIABLE) == 0);
    }
    if (dwStyle & LBS_NOTIFY) {
        // Changes made by code block the list's signals: only the user's are told.
        QObject::connect(list, &QListWidget::itemSelectionChanged, list, [list] {
            if (CWnd* self = CWnd::FromWidget(list))
                NotifyParentCommand(*self, LBN_SELCHANGE);
        });
        QObject::connect(list, &QListWidget::itemDoubleClicked, list, [list] {
            if (CWnd* self = CWnd::FromWidget(list))
                NotifyParentCommand(*self, LBN_DBLCLK);
        });
    }
    return list;
}

int CListBox::GetCount() const {
    QListWidget* list = List(*this);
    return list ? list->count() : LB_ERR;
}

int CListBox::AddString(const char* lpszString) {
    QListWidget* list = List(*this);
    if (!list)
        return LB_ERR;
    const QString text = FromUtf8(lpszString);
    const int index = (ListStyle(*this, m_dwStyle) & LBS_SORT)
                          ? SortedPlace(text, list->count(), [list](int n) { return list->item(n)->text(); })
                          : list->count();
    return InsertString(index, lpszString);
}

int CListBox::InsertString(int nIndex, const char* lpszString) {
    QListWidget* list = List(*this);
    if (!list || nIndex > list->count())
        return LB_ERR;
    if (nIndex < 0)
        nIndex = list->count();
    const QSignalBlocker quiet(list);
    auto* item = new QListWidgetItem(FromUtf8(lpszString));
    item->setData(kItemDataRole, QVariant::fromValue<qulonglong>(0));
    list->insertItem(nIndex, item);
    return nIndex;
}

int CListBox::DeleteString(UINT nIndex) {
    QListWidget* list = List(*this);
    if (!list || static_cast<int>(nIndex) >= list->count())
        return LB_ERR;
    const QSignalBlocker quiet(list);
    delete list->takeItem(static_cast<int>(nIndex));
    return list->count();
}

void CListBox::ResetContent() {
    if (QListWidget* list = List(*this)) {
        const QSignalBlocker quiet(list);
        list->clear();
    }
}

int CListBox::GetText(int nIndex, std::string& text) const {
    QListWidget* list = List(*this);
    if (!list || nIndex < 0 || nIndex >= list->count())
        return LB_ERR;
    return CopyEntryText(list->item(nIndex)->text(), text);
}

int CListBox::GetTextLen(int nIndex) const {
    std::string text;
    return GetText(nIndex, text);
}

int CListBox::FindString(int nStartAfter, const char* lpszString) const {
    QListWidget* list = List(*this);
    if (!list)
        return LB_ERR;
    return FindListString([list](int n) { return list->item(n)->text(); }, list->count(), nStartAfter, lpszString, false);
}

int CListBox::FindStringExact(int nStartAfter, const char* lpszString) const {
    QListWidget* list = List(*this);
    if (!list)
        return LB_ERR;
    return FindListString([list](int n) { return list->item(n)->text(); }, list->count(), nStartAfter, lpszString, true);
}

int CListBox::SelectString(int nStartAfter, const char* lpszString) {
    const int found = FindString(nStartAfter, lpszString);
    if (found != LB_ERR)
        SetCurSel(found);
    return found;
}

int CListBox::GetCurSel() const {
    QListWidget* list = List(*this);
    if (!list)
        return LB_ERR;
    if (list->selectionMode() != QAbstractItemView::SingleSelection)
        return list->currentRow();   // the focused entry, as a multiple-selection list answers
    const auto selected = list->selectedItems();
    return selected.isEmpty() ? LB_ERR : list->row(selected.front());
}

int CListBox::SetCurSel(int nSelect) {
    QListWidget* list = List(*this);
    if (!list || list->selectionMode() != QAbstractItemView::SingleSelection)
        return LB_ERR;
    const QSignalBlocker quiet(list);
    if (nSelect < 0 || nSelect >= list->count()) {
        list->clearSelection();
        return nSelect == -1 ? 0 : LB_ERR;
    }
    list->setCurrentRow(nSelect, QItemSelectionModel::ClearAndSelect);
    list->scrollToItem(list->item(nSelect));
    return nSelect;
}

int CListBox::GetSel(int nIndex) const {
    QListWidget* list = List(*this);
    if (!list || nIndex < 0 || nIndex >= list->count())
        return LB_ERR;
    return list->item(nIndex)->isSelected() ? 1 : 0;
}

int CListBox::SetSel(int nIndex, BOOL bSelect) {
    QListWidget* list = List(*this);
    if (!list || list->selectionMode() == QAbstractItemView::SingleSelection || nIndex >= list->count())
        return LB_ERR;
    const QSignalBlocker quiet(list);
    for (int row = 0; row < list->count(); ++row)
        if (nIndex == -1 || row == nIndex)
            list->item(row)->setSelected(bSelect != FALSE);
    return 0;
}

int CListBox::GetSelCount() const {
    QListWidget* list = List(*this);
    if (!list || list->selectionMode() == QAbstractItemView::SingleSelection)
        return LB_ERR;
    return static_cast<int>(list->selectedItems().size());
}

int CListBox::GetSelItems(int nMaxItems, int* rgIndex) const {
    QListWidget* list = List(*this);
    if (!list || list->selectionMode() == QAbstractItemView::SingleSelection)
        return LB_ERR;
    int count = 0;
    for (int row = 0; row < list->count() && count < nMaxItems; ++row)
        if (list->item(row)->isSelected())
            rgIndex[count++] = row;
    return count;
}

DWORD_PTR CListBox::GetItemData(int nIndex) const {
    QListWidget* list = List(*this);
    if (!list || nIndex < 0 || nIndex >= list->count())
        return static_cast<DWORD_PTR>(LB_ERR);
    return static_cast<DWORD_PTR>(list->item(nIndex)->data(kItemDataRole).toULongLong());
}

int CListBox::SetItemData(int nIndex, DWORD_PTR dwItemData) {
    QListWidget* list = List(*this);
    if (!list || nIndex < 0 || nIndex >= list->count())
        return LB_ERR;
    list->item(nIndex)->setData(kItemDataRole, QVariant::fromValue<qulonglong>(dwItemData));
    return 0;
}

int CListBox::GetTopIndex() const {
    QListWidget* list = List(*this);
    if (!list)
        return LB_ERR;
    const int row = list->row(list->itemAt(2, 2));
    return std::max(row, 0);
}

int CListBox::SetTopIndex(int nIndex) {
    QListWidget* list = List(*this);
    if (!list || nIndex < 0 || nIndex >= list->count())
        return LB_ERR;
    list->scrollToItem(list->item(nIndex), QAbstractItemView::PositionAtTop);
    return 0;
}

// ---- owner drawing ------------------------------------------------------------------------

void CComboBox::DrawItem(LPDRAWITEMSTRUCT) {}

void CComboBox::MeasureItem(LPMEASUREITEMSTRUCT) {}

BOOL CComboBox::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (TakeOwnerDraw(*this, m_dwStyle, message, lParam, pResult))
        return TRUE;
    return CWnd::OnChildNotify(message, wParam, lParam, pResult);
}

void CListBox::DrawItem(LPDRAWITEMSTRUCT) {}

void CListBox::MeasureItem(LPMEASUREITEMSTRUCT) {}

BOOL CListBox::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (TakeOwnerDraw(*this, m_dwStyle, message, lParam, pResult))
        return TRUE;
    return CWnd::OnChildNotify(message, wParam, lParam, pResult);
}
