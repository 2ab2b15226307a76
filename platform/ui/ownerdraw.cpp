#include "platform/ui/ownerdraw.h"

#include "platform/gdi/dc.h"
#include "platform/ui/control_support.h"
#include "platform/ui/syscolor.h"
#include "platform/ui/wnd.h"

#include <QAbstractItemView>
#include <QImage>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

// The items of a list drawn by the owner of the list's control.
class COwnerDrawDelegate : public QStyledItemDelegate {
public:
    COwnerDrawDelegate(QWidget* control, UINT ctlType, bool variable)
        : QStyledItemDelegate(control), m_control(control), m_ctlType(ctlType), m_variable(variable) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        UINT state = 0;
        if (option.state & QStyle::State_Selected)
            state |= ODS_SELECTED;
        if (option.state & QStyle::State_HasFocus)
            state |= ODS_FOCUS;
        if (!(option.state & QStyle::State_Enabled))
            state |= ODS_DISABLED;
        PaintOwnerDrawnItem(painter, m_control, m_ctlType, index.row(), option.rect, state,
                            index.data(platform_detail::kItemDataRole).toULongLong());
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QSize base = QStyledItemDelegate::sizeHint(option, index);
        if (!m_variable && m_fixedHeight > 0)
            return {base.width(), m_fixedHeight};
        CWnd* self = CWnd::FromWidget(m_control);
        CWnd* parent = self ? self->GetParent() : nullptr;
        if (!parent)
            return base;
        MEASUREITEMSTRUCT measure;
        measure.CtlType = m_ctlType;
        measure.CtlID = static_cast<UINT>(self->GetDlgCtrlID());
        measure.itemID = static_cast<UINT>(index.row());
        measure.itemWidth = static_cast<UINT>(base.width());
        measure.itemHeight = static_cast<UINT>(base.height());
        measure.itemData = index.data(platform_detail::kItemDataRole).toULongLong();
        parent->SendMessage(WM_MEASUREITEM, measure.CtlID, reinterpret_cast<LPARAM>(&measure));
        const int height = static_cast<int>(measure.itemHeight);
        if (!m_variable)
            m_fixedHeight = height;   // one answer serves every item
        return {base.width(), height};
    }

private:
    QWidget* m_control;   // the delegate's parent
    UINT m_ctlType;
    bool m_variable;
    mutable int m_fixedHeight = 0;
};

}  // namespace

void PaintOwnerDrawnItem(QPainter* painter, QWidget* control, UINT ctlType, int itemID, const QRect& rect,
                         UINT itemState, std::uintptr_t itemData) {
    CWnd* self = CWnd::FromWidget(control);
    CWnd* parent = self ? self->GetParent() : nullptr;
    if (!parent || rect.isEmpty())
        return;
    QImage surface(rect.size(), QImage::Format_RGB32);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    surface.fill(QColor(GetRValue(window), GetGValue(window), GetBValue(window)));
    {
        CDC dc;
        dc.AttachImage(&surface, DCKind::Display);
        // The item is drawn in its control's coordinates.
        dc.SetViewportOrg(-rect.left(), -rect.top());
        DRAWITEMSTRUCT item;
        item.CtlType = ctlType;
        item.CtlID = static_cast<UINT>(self->GetDlgCtrlID());
        item.itemID = static_cast<UINT>(itemID);
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = itemState;
        item.hwndItem = self->m_hWnd;
        item.hDC = &dc;
        item.rcItem = {rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1};
        item.itemData = itemData;
        parent->SendMessage(WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
        dc.DeleteDC();
    }
    painter->drawImage(rect.topLeft(), surface);
}

void InstallOwnerDraw(QAbstractItemView* view, QWidget* control, UINT ctlType, bool variable) {
    view->setItemDelegate(new COwnerDrawDelegate(control, ctlType, variable));
}
