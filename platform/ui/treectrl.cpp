#include "platform/ui/treectrl.h"

#include "platform/ui/control_support.h"
#include "platform/ui/imagelist.h"
#include "platform/ui/wnd_private.h"

#include <QHeaderView>
#include <QTreeWidget>

IMPLEMENT_DYNAMIC(CTreeCtrl, CWnd)

using platform_detail::FromUtf8;
using platform_detail::kItemDataRole;

constexpr int kStateImageRole = kItemDataRole + 1;      // the state image's index (1-based, 0: none)
constexpr int kImageRole = kItemDataRole + 2;           // the image's index in the normal list
constexpr int kSelectedImageRole = kItemDataRole + 3;   // the same while selected

namespace {

QTreeWidget* TreeOf(const CWnd& wnd) {
    return qobject_cast<QTreeWidget*>(wnd.GetWidget());
}

bool IsSpecial(HTREEITEM hItem) {
    return hItem == TVI_ROOT || hItem == TVI_FIRST || hItem == TVI_LAST;
}

// The item of a handle, null for none or one of the special handles.
QTreeWidgetItem* ItemOf(HTREEITEM hItem) {
    return (hItem && !IsSpecial(hItem)) ? reinterpret_cast<QTreeWidgetItem*>(hItem) : nullptr;
}

HTREEITEM HandleOf(QTreeWidgetItem* item) {
    return reinterpret_cast<HTREEITEM>(item);
}

TVITEM DescribeItem(QTreeWidgetItem* item) {
    TVITEM described;
    if (!item)
        return described;
    described.mask = TVIF_HANDLE | TVIF_PARAM | TVIF_STATE;
    described.hItem = HandleOf(item);
    described.lParam = static_cast<LPARAM>(item->data(0, kItemDataRole).value<qulonglong>());
    described.state = (item->isSelected() ? UINT{TVIS_SELECTED} : 0u) | (item->isExpanded() ? UINT{TVIS_EXPANDED} : 0u) |
                      (item->data(0, kStateImageRole).toUInt() << 12);
    described.stateMask = TVIS_SELECTED | TVIS_EXPANDED | TVIS_STATEIMAGEMASK;
    return described;
}

}  // namespace

// The user's opening, closing and selecting, told to the parent.
class CTreeSync {
public:
    // The toolkit has already opened (closed) the item: it is put back, the
    // parent is asked, and only then does the change happen.
    static void Toggled(CTreeCtrl& tree, QTreeWidgetItem* item, bool expanded) {
        if (tree.m_bQuiet)
            return;
        SetQuietly(tree, item, !expanded);
        NMTREEVIEW change;
        change.action = expanded ? TVE_EXPAND : TVE_COLLAPSE;
        change.itemNew = DescribeItem(item);
        const HWND self = tree.GetSafeHwnd();
        if (platform_detail::NotifyParent(tree, change.hdr, TVN_ITEMEXPANDING) != 0)
            return;   // vetoed
        if (CWnd::FromHandle(self) != &tree)
            return;
        SetQuietly(tree, item, expanded);
        NMTREEVIEW done;
        done.action = change.action;
        done.itemNew = DescribeItem(item);
        platform_detail::NotifyParent(tree, done.hdr, TVN_ITEMEXPANDED);
    }
    static void CurrentChanged(CTreeCtrl& tree, QTreeWidgetItem* current, QTreeWidgetItem* previous) {
        if (current == previous || tree.m_bRefusing)
            return;
        NMTREEVIEW change;
        change.action = tree.m_nAction;
        change.itemOld = DescribeItem(previous);
        change.itemNew = DescribeItem(current);
        const HWND self = tree.GetSafeHwnd();
        if (platform_detail::NotifyParent(tree, change.hdr, TVN_SELCHANGING) != 0 && !tree.m_bMustChange) {
            if (CWnd::FromHandle(self) == &tree)
                Refuse(tree, previous);
            return;
        }
        if (CWnd::FromHandle(self) != &tree)
            return;
        if (previous)
            tree.UpdateImages(HandleOf(previous));
        if (current)
            tree.UpdateImages(HandleOf(current));
        platform_detail::NotifyParent(tree, change.hdr, TVN_SELCHANGED);
    }
    // Puts the old selection back. A click selects its item after making it
    // current, so the old item is selected again once the click is done.
    static void Refuse(CTreeCtrl& tree, QTreeWidgetItem* previous) {
        auto* widget = TreeOf(tree);
        const bool was = tree.m_bRefusing;
        tree.m_bRefusing = true;
        widget->setCurrentItem(previous);
        tree.m_bRefusing = was;
        const HWND self = tree.GetSafeHwnd();
        QMetaObject::invokeMethod(
            widget,
            [self, previous] {
                auto* again = dynamic_cast<CTreeCtrl*>(CWnd::FromHandle(self));
                QTreeWidget* view = again ? TreeOf(*again) : nullptr;
                if (!view || view->currentItem() != previous)
                    return;
                again->m_bRefusing = true;
                view->clearSelection();
                if (previous)
                    previous->setSelected(true);
                again->m_bRefusing = false;
            },
            Qt::QueuedConnection);
    }
    static void SetQuietly(CTreeCtrl& tree, QTreeWidgetItem* item, bool expanded) {
        const bool was = tree.m_bQuiet;
        tree.m_bQuiet = true;
        item->setExpanded(expanded);
        tree.m_bQuiet = was;
    }
};

CTreeCtrl::~CTreeCtrl() {
    // The items' notices go while this object is still a tree.
    if (GetSafeHwnd())
        DestroyWindow();
}

BOOL CTreeCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("SysTreeView32", nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

QWidget* CTreeCtrl::CreateWidget(QWidget* parent, DWORD dwStyle) {
    auto* tree = new QTreeWidget(parent);
    tree->setColumnCount(1);
    tree->setHeaderHidden(true);
    tree->setRootIsDecorated((dwStyle & TVS_LINESATROOT) != 0);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setExpandsOnDoubleClick(true);
    tree->setAnimated(false);
    platform_detail::MarkAsPart(tree->viewport());
    const auto toggled = [tree](QTreeWidgetItem* item, bool expanded) {
        if (auto* self = dynamic_cast<CTreeCtrl*>(CWnd::FromWidget(tree)))
            CTreeSync::Toggled(*self, item, expanded);
    };
    QObject::connect(tree, &QTreeWidget::itemExpanded, tree, [toggled](QTreeWidgetItem* item) { toggled(item, true); });
    QObject::connect(tree, &QTreeWidget::itemCollapsed, tree,
                     [toggled](QTreeWidgetItem* item) { toggled(item, false); });
    QObject::connect(tree, &QTreeWidget::currentItemChanged, tree,
                     [tree](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
                         if (auto* self = dynamic_cast<CTreeCtrl*>(CWnd::FromWidget(tree)))
                             CTreeSync::CurrentChanged(*self, current, previous);
                     });
    return tree;
}

HTREEITEM CTreeCtrl::InsertItem(const char* lpszItem, HTREEITEM hParent, HTREEITEM hInsertAfter) {
    QTreeWidget* tree = TreeOf(*this);
    if (!tree)
        return nullptr;
    QTreeWidgetItem* parent = ItemOf(hParent);
    if (!parent && hParent != TVI_ROOT && hParent != nullptr)
        return nullptr;
    const int count = parent ? parent->childCount() : tree->topLevelItemCount();
    int index = count;
    if (hInsertAfter == TVI_FIRST) {
        index = 0;
    } else if (QTreeWidgetItem* after = ItemOf(hInsertAfter)) {
        const int at = parent ? parent->indexOfChild(after) : tree->indexOfTopLevelItem(after);
        if (at < 0)
            return nullptr;
        index = at + 1;
    }
    auto* item = new QTreeWidgetItem(QStringList(FromUtf8(lpszItem)));
    // Every item can open: its children may come when it does.
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    item->setData(0, kItemDataRole, QVariant::fromValue<qulonglong>(0));
    if (parent)
        parent->insertChild(index, item);
    else
        tree->insertTopLevelItem(index, item);
    UpdateImages(HandleOf(item));
    return HandleOf(item);
}

HTREEITEM CTreeCtrl::InsertItem(const char* lpszItem, int nImage, int nSelectedImage, HTREEITEM hParent,
                                HTREEITEM hInsertAfter) {
    const HTREEITEM hItem = InsertItem(lpszItem, hParent, hInsertAfter);
    if (hItem)
        SetItemImage(hItem, nImage, nSelectedImage);
    return hItem;
}

void CTreeCtrl::DeleteWithNotice(HTREEITEM hItem) {
    QTreeWidgetItem* item = ItemOf(hItem);
    // The selection leaves an item before it goes, so that no notice
    // describes an item being destroyed.
    QTreeWidget* tree = TreeOf(*this);
    for (QTreeWidgetItem* at = tree->currentItem(); at; at = at->parent())
        if (at == item) {
            // Asked, but not refusable: the item goes whatever the answer.
            m_bMustChange = true;
            tree->setCurrentItem(nullptr);
            m_bMustChange = false;
            break;
        }
    while (item->childCount() > 0)
        DeleteWithNotice(HandleOf(item->child(0)));
    NMTREEVIEW notice;
    notice.itemOld = DescribeItem(item);
    platform_detail::NotifyParent(*this, notice.hdr, TVN_DELETEITEM);
    delete item;
}

BOOL CTreeCtrl::DeleteItem(HTREEITEM hItem) {
    if (hItem == TVI_ROOT)
        return DeleteAllItems();
    if (!ItemOf(hItem) || !TreeOf(*this))
        return FALSE;
    DeleteWithNotice(hItem);
    return TRUE;
}

BOOL CTreeCtrl::DeleteAllItems() {
    QTreeWidget* tree = TreeOf(*this);
    if (!tree)
        return FALSE;
    while (tree->topLevelItemCount() > 0)
        DeleteWithNotice(HandleOf(tree->topLevelItem(0)));
    return TRUE;
}

UINT CTreeCtrl::GetCount() const {
    QTreeWidget* tree = TreeOf(*this);
    if (!tree)
        return 0;
    UINT count = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        ++count;
    return count;
}

std::string CTreeCtrl::GetItemText(HTREEITEM hItem) const {
    QTreeWidgetItem* item = ItemOf(hItem);
    return item ? item->text(0).toStdString() : std::string();
}

BOOL CTreeCtrl::SetItemText(HTREEITEM hItem, const char* lpszItem) {
    QTreeWidgetItem* item = ItemOf(hItem);
    if (!item)
        return FALSE;
    item->setText(0, FromUtf8(lpszItem));
    return TRUE;
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM hItem) const {
    QTreeWidgetItem* item = ItemOf(hItem);
    return item ? static_cast<DWORD_PTR>(item->data(0, kItemDataRole).value<qulonglong>()) : 0;
}

BOOL CTreeCtrl::SetItemData(HTREEITEM hItem, DWORD_PTR dwData) {
    QTreeWidgetItem* item = ItemOf(hItem);
    if (!item)
        return FALSE;
    item->setData(0, kItemDataRole, QVariant::fromValue<qulonglong>(dwData));
    return TRUE;
}

UINT CTreeCtrl::GetItemState(HTREEITEM hItem, UINT nStateMask) const {
    QTreeWidgetItem* item = ItemOf(hItem);
    return item ? DescribeItem(item).state & nStateMask : 0;
}

BOOL CTreeCtrl::SetItemState(HTREEITEM hItem, UINT nState, UINT nStateMask) {
    QTreeWidgetItem* item = ItemOf(hItem);
    if (!item)
        return FALSE;
    if (nStateMask & TVIS_STATEIMAGEMASK) {
        item->setData(0, kStateImageRole, (nState & TVIS_STATEIMAGEMASK) >> 12);
        UpdateImages(hItem);
    }
    return TRUE;
}

BOOL CTreeCtrl::SetItemImage(HTREEITEM hItem, int nImage, int nSelectedImage) {
    QTreeWidgetItem* item = ItemOf(hItem);
    if (!item)
        return FALSE;
    item->setData(0, kImageRole, nImage);
    item->setData(0, kSelectedImageRole, nSelectedImage);
    UpdateImages(hItem);
    return TRUE;
}

BOOL CTreeCtrl::GetItemImage(HTREEITEM hItem, int& nImage, int& nSelectedImage) const {
    QTreeWidgetItem* item = ItemOf(hItem);
    if (!item)
        return FALSE;
    nImage = item->data(0, kImageRole).toInt();
    nSelectedImage = item->data(0, kSelectedImageRole).toInt();
    return TRUE;
}

CImageList* CTreeCtrl::SetImageList(CImageList* pImageList, int nImageListType) {
    CImageList** slot = nImageListType == TVSIL_STATE ? &m_pStateImages
                        : nImageListType == TVSIL_NORMAL ? &m_pNormalImages
                                                         : nullptr;
    if (!slot)
        return nullptr;
    CImageList* previous = *slot;
    *slot = pImageList;
    UpdateAllImages();
    return previous;
}

CImageList* CTreeCtrl::GetImageList(int nImageListType) const {
    return nImageListType == TVSIL_STATE ? m_pStateImages : nImageListType == TVSIL_NORMAL ? m_pNormalImages : nullptr;
}

void CTreeCtrl::UpdateImages(HTREEITEM hItem) {
    QTreeWidgetItem* item = ItemOf(hItem);
    if (!item)
        return;
    const bool selected = item->treeWidget() && item->treeWidget()->currentItem() == item;
    const QPixmap picture = ItemPicture(m_pStateImages, item->data(0, kStateImageRole).toInt(), m_pNormalImages,
                                        item->data(0, selected ? kSelectedImageRole : kImageRole).toInt());
    item->setIcon(0, picture.isNull() ? QIcon() : QIcon(picture));
}

void CTreeCtrl::UpdateAllImages() {
    QTreeWidget* tree = TreeOf(*this);
    if (!tree)
        return;
    tree->setIconSize(ItemPictureSize(m_pStateImages, m_pNormalImages));
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        UpdateImages(HandleOf(*it));
}

BOOL CTreeCtrl::ItemHasChildren(HTREEITEM hItem) const {
    QTreeWidgetItem* item = ItemOf(hItem);
    return item && item->childCount() > 0;
}

HTREEITEM CTreeCtrl::GetRootItem() const {
    QTreeWidget* tree = TreeOf(*this);
    return (tree && tree->topLevelItemCount() > 0) ? HandleOf(tree->topLevelItem(0)) : nullptr;
}

HTREEITEM CTreeCtrl::GetChildItem(HTREEITEM hItem) const {
    if (hItem == TVI_ROOT || !hItem)
        return GetRootItem();
    QTreeWidgetItem* item = ItemOf(hItem);
    return (item && item->childCount() > 0) ? HandleOf(item->child(0)) : nullptr;
}

namespace {

// The item `offset` places from `item` among its siblings; null past the ends.
QTreeWidgetItem* Sibling(QTreeWidgetItem* item, int offset) {
    if (!item)
        return nullptr;
    if (QTreeWidgetItem* parent = item->parent()) {
        const int at = parent->indexOfChild(item) + offset;
        return (at >= 0 && at < parent->childCount()) ? parent->child(at) : nullptr;
    }
    QTreeWidget* tree = item->treeWidget();
    if (!tree)
        return nullptr;
    const int at = tree->indexOfTopLevelItem(item) + offset;
    return (at >= 0 && at < tree->topLevelItemCount()) ? tree->topLevelItem(at) : nullptr;
}

}  // namespace

HTREEITEM CTreeCtrl::GetNextSiblingItem(HTREEITEM hItem) const {
    return HandleOf(Sibling(ItemOf(hItem), +1));
}

HTREEITEM CTreeCtrl::GetPrevSiblingItem(HTREEITEM hItem) const {
    return HandleOf(Sibling(ItemOf(hItem), -1));
}

HTREEITEM CTreeCtrl::GetParentItem(HTREEITEM hItem) const {
    QTreeWidgetItem* item = ItemOf(hItem);
    return item ? HandleOf(item->parent()) : nullptr;
}

HTREEITEM CTreeCtrl::GetNextItem(HTREEITEM hItem, UINT nCode) const {
    switch (nCode) {
    case TVGN_ROOT: return GetRootItem();
    case TVGN_NEXT: return GetNextSiblingItem(hItem);
    case TVGN_PREVIOUS: return GetPrevSiblingItem(hItem);
    case TVGN_PARENT: return GetParentItem(hItem);
    case TVGN_CHILD: return GetChildItem(hItem);
    case TVGN_CARET: return GetSelectedItem();
    default: return nullptr;
    }
}

HTREEITEM CTreeCtrl::GetSelectedItem() const {
    QTreeWidget* tree = TreeOf(*this);
    return tree ? HandleOf(tree->currentItem()) : nullptr;
}

BOOL CTreeCtrl::SelectItem(HTREEITEM hItem) {
    QTreeWidget* tree = TreeOf(*this);
    if (!tree || (hItem && !ItemOf(hItem)))
        return FALSE;
    const UINT action = m_nAction;
    m_nAction = TVC_UNKNOWN;
    const HWND self = GetSafeHwnd();
    tree->setCurrentItem(ItemOf(hItem));
    if (FromHandle(self) != this)
        return FALSE;
    m_nAction = action;
    return tree->currentItem() == ItemOf(hItem);
}

BOOL CTreeCtrl::Expand(HTREEITEM hItem, UINT nCode) {
    QTreeWidgetItem* item = ItemOf(hItem);
    if (!item)
        return FALSE;
    bool expanded = item->isExpanded();
    switch (nCode) {
    case TVE_EXPAND: expanded = true; break;
    case TVE_COLLAPSE: expanded = false; break;
    case TVE_TOGGLE: expanded = !expanded; break;
    default: return FALSE;
    }
    CTreeSync::SetQuietly(*this, item, expanded);
    return TRUE;
}

BOOL CTreeCtrl::EnsureVisible(HTREEITEM hItem) {
    QTreeWidget* tree = TreeOf(*this);
    QTreeWidgetItem* item = ItemOf(hItem);
    if (!tree || !item)
        return FALSE;
    tree->scrollToItem(item);
    return TRUE;
}

LRESULT CTreeCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        // The items going draw nothing: the borrowed lists may be gone already.
        m_pNormalImages = nullptr;
        m_pStateImages = nullptr;
        DeleteAllItems();
        return CWnd::DefWindowProc(message, wParam, lParam);
    }
    const bool mouse = message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDOWN;
    if ((mouse || message == WM_KEYDOWN) && GetWidget()) {
        // The widget acts on the event after this returns: the selection it
        // changes then came by this input, and the next change by none known.
        m_nAction = mouse ? TVC_BYMOUSE : TVC_BYKEYBOARD;
        const HWND self = GetSafeHwnd();
        QMetaObject::invokeMethod(
            GetWidget(),
            [self] {
                if (auto* tree = dynamic_cast<CTreeCtrl*>(CWnd::FromHandle(self)))
                    tree->m_nAction = TVC_UNKNOWN;
            },
            Qt::QueuedConnection);
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
}
