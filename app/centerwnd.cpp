#include "app/centerwnd.h"

#include "platform/ui/metrics.h"
#include "platform/ui/wnd.h"

void CenterWindowOver(CWnd* wnd, CWnd* over) {
    if (!wnd)
        return;
    CRect own;
    wnd->GetWindowRect(&own);
    CRect area(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    if (over)
        over->GetWindowRect(&area);
    const int x = area.left + (area.Width() - own.Width()) / 2;
    const int y = area.top + (area.Height() - own.Height()) / 2;
    wnd->MoveWindow(x, y, own.Width(), own.Height(), FALSE);
}
