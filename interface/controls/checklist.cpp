#include "interface/controls/checklist.h"
#include "interface/controls/dlgitem.h"

#include "platform/ui/dialog.h"
#include "platform/ui/dialogbar.h"
#include "platform/ui/keys.h"
#include "platform/ui/metrics.h"

#include <QImage>
#include <QPainter>

IMPLEMENT_DYNAMIC(MCCheckList, CListCtrl)

BEGIN_MESSAGE_MAP(MCCheckList, CListCtrl)
    ON_WM_LBUTTONDOWN()
    ON_WM_KEYDOWN()
END_MESSAGE_MAP()

namespace {

constexpr int kBoxSize = 16;
constexpr COLORREF kMask = RGB(255, 0, 0);

// The boxes' strip when the artwork is not there: an empty box, then a
// ticked one, on the mask colour.
QImage DrawnBoxes() {
    QImage strip(2 * kBoxSize, kBoxSize, QImage::Format_RGB32);
    strip.fill(QColor(255, 0, 0));
    QPainter painter(&strip);
    for (int n = 0; n < 2; ++n) {
        const QRect box(n * kBoxSize + 2, 2, 12, 12);
        painter.fillRect(box, Qt::white);
        painter.setPen(QColor(64, 64, 64));
        painter.drawRect(box.adjusted(0, 0, -1, -1));
    }
    painter.setPen(QPen(Qt::black, 2));
    painter.drawPolyline(QPolygon({{kBoxSize + 4, 8}, {kBoxSize + 7, 11}, {kBoxSize + 12, 4}}));
    return strip;
}

}  // namespace

MCCheckList::MCCheckList() = default;
MCCheckList::~MCCheckList() = default;

int MCCheckList::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id, int checkFlag) {
    if (!CListCtrl::Create(style, rect, parent, id))
        return 0;
    InitWindow(checkFlag);
    return 1;
}

int MCCheckList::SubclassCheckList(UINT id, CWnd* parent, int checkFlag) {
    if (!MCTakeOverDlgItem(*this, id, parent))
        return 0;
    InitWindow(checkFlag);
    return 1;
}

void MCCheckList::InitWindow(int checkFlag) {
    CRect client;
    GetClientRect(&client);
    const int width = client.Width() - ::GetSystemMetrics(SM_CXVSCROLL) - 2 * ::GetSystemMetrics(SM_CXBORDER);
    InsertColumn(0, "Items", LVCFMT_LEFT, width);
    if (!checkFlag)
        return;
    if (!m_stateImages && !m_stateImages.Create(IDB_CHECKBOXES, kBoxSize, 1, kMask)) {
        m_stateImages.Create(kBoxSize, kBoxSize, ILC_MASK, 2, 1);
        m_stateImages.Add(DrawnBoxes(), kMask);
    }
    SetImageList(&m_stateImages, LVSIL_STATE);
    // (LVS_SHOWSELALWAYS: this platform's list shows its selection whether
    // focused or not, so there is no style to add.)
}

int MCCheckList::GetCheck(int item) const {
    return GetItemState(item, LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(STATE_CHECKED) ? 1 : 0;
}

void MCCheckList::SetCheck(int item, int check) {
    SetItemState(item, INDEXTOSTATEIMAGEMASK(check ? STATE_CHECKED : STATE_UNCHECKED), LVIS_STATEIMAGEMASK);
}

void MCCheckList::ToggleCheck(int item) {
    SetCheck(item, !GetCheck(item));
}

void MCCheckList::OnLButtonDown(UINT nFlags, CPoint point) {
    UINT where = 0;
    const int item = HitTest(point, &where);
    if (item >= 0 && where == LVHT_ONITEMSTATEICON)
        ToggleCheck(item);
    CListCtrl::OnLButtonDown(nFlags, point);
}

void MCCheckList::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
    if (nChar == VK_SPACE) {
        const int item = GetNextItem(-1, LVNI_SELECTED);
        if (item >= 0) {
            ToggleCheck(item);
            return;
        }
    }
    CListCtrl::OnKeyDown(nChar, nRepCnt, nFlags);
}
