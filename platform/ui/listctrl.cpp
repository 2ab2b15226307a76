#include "platform/ui/listctrl.h"

#include "platform/ui/control_support.h"
#include "platform/ui/imagelist.h"
#include "platform/ui/wnd_private.h"

#include <QHeaderView>
#include <QListView>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTreeView>

#include <algorithm>

IMPLEMENT_DYNAMIC(CListCtrl, CWnd)

using platform_detail::FromUtf8;
using platform_detail::kItemDataRole;

namespace {

constexpr int kStateRole = kItemDataRole + 1;   // the item's LVIS_* state
constexpr int kImageRole = kItemDataRole + 2;   // the item's image in the small image list

UINT StateImageOf(UINT state) {
    return (state & LVIS_STATEIMAGEMASK) >> 12;
}

// Where a view draws an item's decoration, which a hit test needs.
class CListDecoration {
public:
    // In viewport coordinates.
    virtual QRect DecorationRect(const QModelIndex& index) const = 0;

protected:
    ~CListDecoration() = default;
};

// A view of the items: the report view is a tree view without branches, the
// small-icon and list views a list view flowing across (down) and wrapping.
template <typename View>
class CListViewOf : public View, public CListDecoration {
public:
    using View::View;
    QRect DecorationRect(const QModelIndex& index) const override {
        QStyleOptionViewItem option;
        this->initViewItemOption(&option);
        option.rect = this->visualRect(index);
        option.index = index;
        option.features |= QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasDisplay;
        option.icon = qvariant_cast<QIcon>(index.data(Qt::DecorationRole));
        option.text = index.data(Qt::DisplayRole).toString();
        option.decorationSize = this->iconSize();
        return this->style()->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, this);
    }
};

QAbstractItemView* ViewOf(const CWnd& wnd) {
    return qobject_cast<QAbstractItemView*>(wnd.GetWidget());
}

// The report view's columns; null in the other views.
QTreeView* ReportOf(const CWnd& wnd) {
    return qobject_cast<QTreeView*>(wnd.GetWidget());
}

QStandardItemModel* ItemsOf(const QAbstractItemView* view) {
    return static_cast<QStandardItemModel*>(view->model());
}

QAbstractItemView* MakeView(QWidget* parent, DWORD dwStyle) {
    const DWORD type = dwStyle & LVS_TYPEMASK;
    if (type == LVS_SMALLICON || type == LVS_LIST) {
        auto* view = new CListViewOf<QListView>(parent);
        view->setViewMode(QListView::ListMode);
        view->setFlow(type == LVS_SMALLICON ? QListView::LeftToRight : QListView::TopToBottom);
        view->setWrapping(true);
        view->setResizeMode(QListView::Adjust);
        // Each item as wide as its own label: one size for all would cut
        // every label longer than the item it was taken from.
        view->setUniformItemSizes(false);
        view->setSpacing(2);
        return view;
    }
    auto* view = new CListViewOf<QTreeView>(parent);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setHeaderHidden((dwStyle & LVS_NOCOLUMNHEADER) != 0 || type != LVS_REPORT);
    view->header()->setStretchLastSection(false);
    return view;
}

// Two check boxes, clear and checked, drawn by the style.
void FillCheckImages(CImageList& images, const QWidget* widget) {
    images.Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 0);
    QImage strip(32, 16, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    QPainter painter(&strip);
    for (int n = 0; n < 2; ++n) {
        QStyleOptionButton option;
        option.rect = QRect(n * 16 + 1, 1, 14, 14);
        option.state = QStyle::State_Enabled | (n == 0 ? QStyle::State_Off : QStyle::State_On);
        widget->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, widget);
    }
    painter.end();
    images.Add(strip);
}

}  // namespace

// The user's selection, told as changes of the items' states.
class CListSync {
public:
    static void SelectionChanged(CListCtrl& list, const QItemSelection& selected, const QItemSelection& deselected) {
        if (list.m_bApplying)
            return;
        std::vector<std::pair<int, bool>> changes;
        for (const QModelIndex& index : deselected.indexes())
            if (index.column() == 0)
                changes.emplace_back(index.row(), false);
        for (const QModelIndex& index : selected.indexes())
            if (index.column() == 0)
                changes.emplace_back(index.row(), true);
        const HWND hWnd = list.GetSafeHwnd();
        for (const auto& [row, on] : changes) {
            if (CWnd::FromHandle(hWnd) != &list)
                return;
            const UINT state = list.GetItemState(row, ~0u);
            list.ChangeState(row, on ? (state | LVIS_SELECTED) : (state & ~LVIS_SELECTED), true);
        }
    }
};

CListCtrl::CListCtrl() = default;
CListCtrl::~CListCtrl() = default;

BOOL CListCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("SysListView32", nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

QWidget* CListCtrl::CreateWidget(QWidget* parent, DWORD dwStyle) {
    m_dwStyle = dwStyle;
    QAbstractItemView* view = MakeView(parent, dwStyle);
    auto* items = new QStandardItemModel(0, 0, view);
    view->setModel(items);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode((dwStyle & LVS_SINGLESEL) ? QAbstractItemView::SingleSelection
                                                     : QAbstractItemView::ExtendedSelection);
    platform_detail::MarkAsPart(view->viewport());
    QObject::connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, view,
                     [view](const QItemSelection& selected, const QItemSelection& deselected) {
                         if (auto* list = dynamic_cast<CListCtrl*>(CWnd::FromWidget(view)))
                             CListSync::SelectionChanged(*list, selected, deselected);
                     });
    return view;
}

DWORD CListCtrl::SetExtendedStyle(DWORD dwNewStyle) {
    const DWORD previous = m_dwExStyle;
    m_dwExStyle = dwNewStyle;
    QAbstractItemView* view = ViewOf(*this);
    if ((dwNewStyle & LVS_EX_CHECKBOXES) && !(previous & LVS_EX_CHECKBOXES) && view) {
        // Every item gets a check box, clear.
        m_checkImages = std::make_unique<CImageList>();
        FillCheckImages(*m_checkImages, view);
        SetImageList(m_checkImages.get(), LVSIL_STATE);
        for (int item = 0; item < GetItemCount(); ++item)
            if (StateImageOf(GetItemState(item, LVIS_STATEIMAGEMASK)) == 0)
                SetItemState(item, INDEXTOSTATEIMAGEMASK(1), LVIS_STATEIMAGEMASK);
    }
    return previous;
}

// ---- columns --------------------------------------------------------------------------

int CListCtrl::InsertColumn(int nCol, const char* lpszColumnHeading, int nFormat, int nWidth, int) {
    QAbstractItemView* view = ViewOf(*this);
    if (!view || nCol < 0)
        return -1;
    QStandardItemModel* items = ItemsOf(view);
    nCol = std::min(nCol, items->columnCount());
    items->insertColumn(nCol);
    auto* heading = new QStandardItem(FromUtf8(lpszColumnHeading));
    heading->setTextAlignment((nFormat & LVCFMT_RIGHT) ? Qt::AlignRight : (nFormat & LVCFMT_CENTER) ? Qt::AlignHCenter : Qt::AlignLeft);
    items->setHorizontalHeaderItem(nCol, heading);
    if (nWidth >= 0)
        SetColumnWidth(nCol, nWidth);
    return nCol;
}

BOOL CListCtrl::DeleteColumn(int nCol) {
    QAbstractItemView* view = ViewOf(*this);
    return view && ItemsOf(view)->removeColumn(nCol) ? TRUE : FALSE;
}

// The views without columns keep the widths with the headings, for when
// the report view's callers ask.
int CListCtrl::GetColumnWidth(int nCol) const {
    if (QTreeView* report = ReportOf(*this))
        return report->columnWidth(nCol);
    QAbstractItemView* view = ViewOf(*this);
    const QStandardItem* heading = view ? ItemsOf(view)->horizontalHeaderItem(nCol) : nullptr;
    return heading ? heading->data(kItemDataRole).toInt() : 0;
}

BOOL CListCtrl::SetColumnWidth(int nCol, int cx) {
    QAbstractItemView* view = ViewOf(*this);
    if (!view || nCol < 0 || nCol >= ItemsOf(view)->columnCount())
        return FALSE;
    if (QStandardItem* heading = ItemsOf(view)->horizontalHeaderItem(nCol))
        heading->setData(cx, kItemDataRole);
    if (QTreeView* report = ReportOf(*this))
        report->setColumnWidth(nCol, cx);
    return TRUE;
}

// ---- items ----------------------------------------------------------------------------

int CListCtrl::GetItemCount() const {
    QAbstractItemView* view = ViewOf(*this);
    return view ? ItemsOf(view)->rowCount() : 0;
}

int CListCtrl::InsertItem(int nItem, const char* lpszItem, int nImage) {
    QAbstractItemView* view = ViewOf(*this);
    if (!view || nItem < 0)
        return -1;
    QStandardItemModel* items = ItemsOf(view);
    if (items->columnCount() == 0)
        items->setColumnCount(1);   // the items' own column, as in the list views without columns
    nItem = std::min(nItem, items->rowCount());
    auto* item = new QStandardItem(FromUtf8(lpszItem));
    item->setData(QVariant::fromValue<qulonglong>(0), kItemDataRole);
    // A new item of a list with check boxes has its box, clear.
    item->setData((m_dwExStyle & LVS_EX_CHECKBOXES) ? INDEXTOSTATEIMAGEMASK(1) : 0u, kStateRole);
    item->setData(nImage, kImageRole);
    m_bApplying = true;
    items->insertRow(nItem, QList<QStandardItem*>{item});
    m_bApplying = false;
    UpdateDecoration(nItem);
    return nItem;
}

BOOL CListCtrl::DeleteItem(int nItem) {
    QAbstractItemView* view = ViewOf(*this);
    if (!view || nItem < 0 || nItem >= GetItemCount())
        return FALSE;
    m_bApplying = true;
    ItemsOf(view)->removeRow(nItem);
    m_bApplying = false;
    return TRUE;
}

BOOL CListCtrl::DeleteAllItems() {
    QAbstractItemView* view = ViewOf(*this);
    if (!view)
        return FALSE;
    m_bApplying = true;
    ItemsOf(view)->removeRows(0, ItemsOf(view)->rowCount());
    m_bApplying = false;
    return TRUE;
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, const char* lpszText) {
    QAbstractItemView* view = ViewOf(*this);
    if (!view || nItem < 0 || nItem >= GetItemCount() || nSubItem < 0 || nSubItem >= ItemsOf(view)->columnCount())
        return FALSE;
    QStandardItemModel* items = ItemsOf(view);
    if (!items->item(nItem, nSubItem))
        items->setItem(nItem, nSubItem, new QStandardItem);
    items->item(nItem, nSubItem)->setText(FromUtf8(lpszText));
    return TRUE;
}

std::string CListCtrl::GetItemText(int nItem, int nSubItem) const {
    QAbstractItemView* view = ViewOf(*this);
    if (!view)
        return {};
    const QStandardItem* item = ItemsOf(view)->item(nItem, nSubItem);
    return item ? item->text().toStdString() : std::string();
}

BOOL CListCtrl::SetItemData(int nItem, DWORD_PTR dwData) {
    QAbstractItemView* view = ViewOf(*this);
    QStandardItem* item = view ? ItemsOf(view)->item(nItem, 0) : nullptr;
    if (!item)
        return FALSE;
    item->setData(QVariant::fromValue<qulonglong>(dwData), kItemDataRole);
    return TRUE;
}

DWORD_PTR CListCtrl::GetItemData(int nItem) const {
    QAbstractItemView* view = ViewOf(*this);
    const QStandardItem* item = view ? ItemsOf(view)->item(nItem, 0) : nullptr;
    return item ? static_cast<DWORD_PTR>(item->data(kItemDataRole).toULongLong()) : 0;
}

UINT CListCtrl::GetItemState(int nItem, UINT nMask) const {
    QAbstractItemView* view = ViewOf(*this);
    const QStandardItem* item = view ? ItemsOf(view)->item(nItem, 0) : nullptr;
    return item ? (item->data(kStateRole).toUInt() & nMask) : 0;
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) {
    if (nItem == -1) {   // every item
        for (int item = 0; item < GetItemCount(); ++item)
            SetItemState(item, nState, nMask);
        return TRUE;
    }
    if (nItem < 0 || nItem >= GetItemCount())
        return FALSE;
    const UINT old = GetItemState(nItem, ~0u);
    ChangeState(nItem, (old & ~nMask) | (nState & nMask), false);
    return TRUE;
}

void CListCtrl::ChangeState(int nItem, UINT nNewState, bool fromView) {
    QAbstractItemView* view = ViewOf(*this);
    QStandardItem* item = view ? ItemsOf(view)->item(nItem, 0) : nullptr;
    if (!item)
        return;
    const UINT old = item->data(kStateRole).toUInt();
    if (old == nNewState)
        return;
    item->setData(nNewState, kStateRole);
    if (!fromView) {
        // Shown in the view without the view telling it back.
        m_bApplying = true;
        const QModelIndex index = item->index();
        QItemSelectionModel* selection = view->selectionModel();
        if ((old ^ nNewState) & LVIS_SELECTED)
            selection->select(index, ((nNewState & LVIS_SELECTED) ? QItemSelectionModel::Select
                                                                  : QItemSelectionModel::Deselect) |
                                         QItemSelectionModel::Rows);
        if ((nNewState & LVIS_FOCUSED) && !(old & LVIS_FOCUSED))
            selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        m_bApplying = false;
    }
    if ((old ^ nNewState) & LVIS_STATEIMAGEMASK)
        UpdateDecoration(nItem);
    NMLISTVIEW change;
    change.iItem = nItem;
    change.uOldState = old;
    change.uNewState = nNewState;
    change.uChanged = LVIF_STATE;
    change.lParam = static_cast<LPARAM>(GetItemData(nItem));
    platform_detail::NotifyParent(*this, change.hdr, LVN_ITEMCHANGED);
}

BOOL CListCtrl::GetCheck(int nItem) const {
    return StateImageOf(GetItemState(nItem, LVIS_STATEIMAGEMASK)) == 2 ? TRUE : FALSE;
}

BOOL CListCtrl::SetCheck(int nItem, BOOL fCheck) {
    return SetItemState(nItem, INDEXTOSTATEIMAGEMASK(fCheck ? 2 : 1), LVIS_STATEIMAGEMASK);
}

int CListCtrl::GetNextItem(int nItem, int nFlags) const {
    for (int item = std::max(nItem + 1, 0); item < GetItemCount(); ++item) {
        const UINT state = GetItemState(item, ~0u);
        if ((nFlags & LVNI_SELECTED) && !(state & LVIS_SELECTED))
            continue;
        if ((nFlags & LVNI_FOCUSED) && !(state & LVIS_FOCUSED))
            continue;
        return item;
    }
    return -1;
}

UINT CListCtrl::GetSelectedCount() const {
    UINT count = 0;
    for (int item = 0; item < GetItemCount(); ++item)
        count += (GetItemState(item, LVIS_SELECTED) != 0);
    return count;
}

BOOL CListCtrl::EnsureVisible(int nItem, BOOL) {
    QAbstractItemView* view = ViewOf(*this);
    if (!view || nItem < 0 || nItem >= GetItemCount())
        return FALSE;
    view->scrollTo(ItemsOf(view)->index(nItem, 0));
    return TRUE;
}

// ---- images ---------------------------------------------------------------------------

CImageList* CListCtrl::SetImageList(CImageList* pImageList, int nImageListType) {
    CImageList** slot = nImageListType == LVSIL_STATE   ? &m_pStateImages
                        : nImageListType == LVSIL_SMALL ? &m_pSmallImages
                                                        : &m_pNormalImages;
    CImageList* previous = *slot;
    *slot = pImageList;
    UpdateIconSize();
    for (int item = 0; item < GetItemCount(); ++item)
        UpdateDecoration(item);
    return previous;
}

CImageList* CListCtrl::GetImageList(int nImageList) const {
    return nImageList == LVSIL_STATE ? m_pStateImages : nImageList == LVSIL_SMALL ? m_pSmallImages : m_pNormalImages;
}

void CListCtrl::UpdateIconSize() {
    if (QAbstractItemView* view = ViewOf(*this)) {
        view->setIconSize(ItemPictureSize(m_pStateImages, m_pSmallImages));
    }
}

void CListCtrl::UpdateDecoration(int nItem) {
    QAbstractItemView* view = ViewOf(*this);
    QStandardItem* item = view ? ItemsOf(view)->item(nItem, 0) : nullptr;
    if (!item)
        return;
    // The state image, then the item's image, side by side.
    const QPixmap picture = ItemPicture(m_pStateImages, static_cast<int>(StateImageOf(item->data(kStateRole).toUInt())),
                                        m_pSmallImages, item->data(kImageRole).toInt());
    if (picture.isNull()) {
        item->setData(QVariant(), Qt::DecorationRole);
        return;
    }
    item->setData(QIcon(picture), Qt::DecorationRole);
}

int CListCtrl::HitTest(CPoint pt, UINT* pFlags) const {
    QAbstractItemView* view = ViewOf(*this);
    if (pFlags)
        *pFlags = LVHT_NOWHERE;
    if (!view)
        return -1;
    const QPoint point = view->viewport()->mapFrom(view, QPoint(pt.x, pt.y));
    const QModelIndex index = view->indexAt(point);
    if (!index.isValid())
        return -1;
    UINT where = LVHT_ONITEMLABEL;
    const QModelIndex first = index.sibling(index.row(), 0);
    const QRect decoration = dynamic_cast<const CListDecoration*>(view)->DecorationRect(first);
    if (index.column() == 0 && decoration.contains(point)) {
        const int stateWidth = ImageSizeOf(m_pStateImages).width();
        where = point.x() < decoration.left() + stateWidth ? LVHT_ONITEMSTATEICON : LVHT_ONITEMICON;
    }
    if (pFlags)
        *pFlags = where;
    return index.row();
}

LRESULT CListCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if ((message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) && (m_dwExStyle & LVS_EX_CHECKBOXES)) {
        UINT where = 0;
        const int item = HitTest(CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)), &where);
        if (item >= 0 && where == LVHT_ONITEMSTATEICON) {
            SetCheck(item, !GetCheck(item));
            return 0;   // the box alone: the selection stays
        }
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
}
