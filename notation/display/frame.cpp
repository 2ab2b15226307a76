// DCctFrame and the item's drawing on the notation side.
#include "notation/display/frame.h"

#include "model/frame.h"
#include "notation/layout/curves.h"
#include "platform/core/archive.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/gdiobj.h"
#include "platform/ui/syscolor.h"

#include <cstdlib>

IMPLEMENT_SERIAL(DCctFrame, DCctBase, VERSIONABLE_SCHEMA | 2)

void CScoreItemDrawing::GetSizeL(CScoreCntrItem* item, CDC* dc, CSize& size) {
    size = CSize(0, 0);
    if (!item || !dc)
        return;
    SIZE extent{item->GetExtentX(), item->GetExtentY()};
    dc->HIMETRICtoLP(&extent);
    size = CSize(std::abs(extent.cx), std::abs(extent.cy));
}

int CScoreItemDrawing::OurDraw(CScoreCntrItem*, CDC* dc, const RECT* bounds, const RECT* clip, int) {
    if (!dc || !bounds)
        return 0;
    CRgn previous;
    int hadClip = -1;   // -1: the clip region was left alone
    if (clip) {
        CRect device(*clip);
        dc->LPtoDP(&device);
        device.NormalizeRect();
        hadClip = dc->GetClipRgn(&previous) == 1 ? 1 : 0;
        CRgn region;
        region.CreateRectRgnIndirect(&device);
        dc->SelectClipRgn(&region);
    }
    // What stands for an object that cannot be shown: its bounds.
    const POINT outline[] = {{bounds->left, bounds->top},
                             {bounds->right, bounds->top},
                             {bounds->right, bounds->bottom},
                             {bounds->left, bounds->bottom},
                             {bounds->left, bounds->top}};
    DrawLine line;
    line.Draw(dc, outline, 5, 0, 0, GetSysColor(COLOR_WINDOWTEXT));
    if (hadClip >= 0)
        dc->SelectClipRgn(hadClip ? &previous : nullptr);
    return 1;
}

DCctFrame::DCctFrame() = default;

DCctFrame::DCctFrame(const DCctFrame& other) : DCctBase(other) {}

DCctFrame::~DCctFrame() = default;

CScoreCntrItem* DCctFrame::GetItem() {
    auto* frame = dynamic_cast<ECFrame*>(GetOwner());
    return frame ? frame->GetClientItem() : nullptr;
}

void DCctFrame::SetSize(CDC* dc) {
    CScoreCntrItem* item = GetItem();
    if (!FrameDirty() || !item || !dc)
        return;
    CSize size;
    CScoreItemDrawing::GetSizeL(item, dc, size);
    m_metrics.SetWidth(size.cx);
    m_metrics.SetHeight(size.cy);
    SetFrameDirty(0);
}

int DCctFrame::Draw(CDC* dc, CPoint point, CRect* clip) {
    CScoreCntrItem* item = GetItem();
    if (!item)
        return DRAW_NOTHING;
    SetSize(dc);
    CPoint p = GetPosition();
    p.Offset(point.x, point.y);
    CSize size;
    CScoreItemDrawing::GetSizeL(item, dc, size);
    const CRect bounds(p.x, p.y, p.x + size.cx, p.y - size.cy);
    CScoreItemDrawing::OurDraw(item, dc, &bounds, clip, -1);
    return DRAW_DONE;
}
