// DCctFrame and the item's picture and sizes on the notation side.
#include "notation/display/frame.h"

#include "model/frame.h"
#include "platform/core/archive.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/font.h"
#include "platform/gdi/gdiobj.h"
#include "platform/ui/metrics.h"
#include "platform/ui/syscolor.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string_view>
#include <utility>

IMPLEMENT_SERIAL(DCctFrame, DCctBase, VERSIONABLE_SCHEMA | 2)

namespace {

// The box of a file shown as an icon above its name, pixels at 96 dpi: a
// 32-pixel icon in the upper half, the name in the lower.
constexpr int kIconBoxHeight = 64;
constexpr int kScreenDpi = 96;
constexpr int kIconSize = 32;
constexpr int kNameHeight = 12;   // the name's text, pixels of the box

enum PictureKind : std::size_t { kForeign = 1, kImage = 2, kIcon = 3 };

std::size_t KeyOf(const std::vector<uint8_t>& bytes, std::size_t kind, const std::string& type) {
    const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return std::hash<std::string_view>()(view) ^ (std::hash<std::string>()(type) * 31) ^ (kind << 1);
}

// Draws the text centred in `rect` (device pixels, MM_TEXT), one line, cut
// short with an ellipsis, in a sans face `height` pixels tall.
void CentredText(CDC* dc, std::string_view text, CRect rect, int height) {
    if (text.empty() || height <= 0)
        return;
    CFont font;
    font.CreateFont(-height, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    CFont* previous = dc->SelectObject(&font);
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(GetSysColor(COLOR_WINDOWTEXT));
    dc->DrawText(text, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    dc->SelectObject(previous);
}

// A sheet with its upper right corner folded, in `box` (device pixels,
// MM_TEXT): what stands for a file when the desktop has no icon for its type.
void GenericFileIcon(CDC* dc, const CRect& box) {
    const int fold = std::max(1, box.Width() / 4);
    const POINT sheet[] = {{box.left, box.top},
                           {box.right - fold, box.top},
                           {box.right, box.top + fold},
                           {box.right, box.bottom},
                           {box.left, box.bottom}};
    const POINT corner[] = {{box.right - fold, box.top},
                            {box.right - fold, box.top + fold},
                            {box.right, box.top + fold}};
    CPen pen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWTEXT));
    CBrush paper(RGB(255, 255, 255));
    CPen* oldPen = dc->SelectObject(&pen);
    CBrush* oldBrush = dc->SelectObject(&paper);
    dc->Polygon(sheet, 5);
    dc->Polyline(corner, 3);
    // Lines of text on the sheet.
    for (int y = box.top + fold + std::max(2, box.Height() / 8); y < box.bottom - 2; y += std::max(3, box.Height() / 6)) {
        dc->MoveTo(box.left + box.Width() / 5, y);
        dc->LineTo(box.right - box.Width() / 5, y);
    }
    dc->SelectObject(oldPen);
    dc->SelectObject(oldBrush);
}

void FramedBox(CDC* dc, const CRect& device) {
    CPen pen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWTEXT));
    CPen* oldPen = dc->SelectObject(&pen);
    CGdiObject* oldBrush = dc->SelectStockObject(NULL_BRUSH);
    dc->Rectangle(&device);
    dc->SelectObject(oldPen);
    if (oldBrush)
        dc->SelectObject(oldBrush);
}

// The drawing of frames' items installed by the view; null until then.
CScoreItemDrawing::DrawFunc s_drawFunc = nullptr;

}  // namespace

CScoreItemDrawing::DrawFunc CScoreItemDrawing::SetDrawFunc(DrawFunc func) {
    return std::exchange(s_drawFunc, func);
}

int CScoreItemDrawing::Draw(CScoreCntrItem* item, CDC* dc, const RECT* bounds, const RECT* clip, int aspect) {
    if (!item || !dc || !bounds)
        return 0;
    if (s_drawFunc)
        return s_drawFunc(item, dc, bounds, clip, aspect);
    CRect device(*bounds);
    dc->LPtoDP(&device);
    device.NormalizeRect();
    const int saved = dc->SaveDC();
    dc->SetMapMode(MM_TEXT);
    dc->SetWindowOrg(0, 0);
    dc->SetViewportOrg(0, 0);
    FramedBox(dc, device);
    dc->RestoreDC(saved);
    return 1;
}

void CScoreItemDrawing::GetSizeL(CScoreCntrItem* item, CDC* dc, CSize& size) {
    size = CSize(0, 0);
    if (!item || !dc)
        return;
    SIZE extent{item->GetExtentX(), item->GetExtentY()};
    dc->HIMETRICtoLP(&extent);
    size = CSize(std::abs(extent.cx), std::abs(extent.cy));
}

int CScoreItemDrawing::DrawPicture(CScoreCntrItem& item, CScoreItemPicture& cache, CDC* dc, const RECT& bounds) {
    if (!dc)
        return 0;
    CRect device(bounds);
    dc->LPtoDP(&device);
    device.NormalizeRect();
    if (device.IsRectEmpty())
        return 0;
    // Everything below in pixels: a name's text and an icon keep their
    // pixel sizes whatever the mapping.
    const int saved = dc->SaveDC();
    dc->SetMapMode(MM_TEXT);
    dc->SetWindowOrg(0, 0);
    dc->SetViewportOrg(0, 0);

    const bool foreign = !item.GetForeignClassName().empty();
    const std::vector<uint8_t>& bytes = foreign ? item.GetCachedPicture() : item.GetData();
    // Pixels of the device per pixel of a 96-dpi screen (a printer has more).
    const int scale = std::max(1, dc->GetDeviceCaps(LOGPIXELSY) / kScreenDpi);
    if (foreign) {
        const std::size_t key = KeyOf(bytes, kForeign, item.GetForeignClassName());
        if (!cache.made || cache.key != key) {
            cache.picture.LoadBitmap(bytes);
            cache.key = key;
            cache.made = true;
        }
        if (!cache.picture.Draw(dc, device)) {
            FramedBox(dc, device);
            CentredText(dc, item.GetForeignClassName(), device, kNameHeight * scale);
        }
        dc->RestoreDC(saved);
        return 1;
    }

    const std::size_t imageKey = KeyOf(bytes, kImage, item.GetMimeType());
    if (!cache.made || (cache.key != imageKey && cache.key != KeyOf(bytes, kIcon, item.GetMimeType()))) {
        cache.made = true;
        if (cache.picture.LoadImage(bytes)) {
            cache.key = imageKey;
        } else {
            cache.key = KeyOf(bytes, kIcon, item.GetMimeType());
            cache.picture.LoadFileTypeIcon(item.GetMimeType(), kIconSize * scale);
        }
    }
    if (cache.key == imageKey) {
        cache.picture.Draw(dc, device);
    } else {
        // The icon's box scaled into the bounds: the icon centred in the
        // upper half, the name below it.
        const int unitW = device.Width(), unitH = device.Height();
        const int side = std::max(1, std::min(unitW, unitH) * kIconSize / kIconBoxHeight);
        const CRect icon(CPoint(device.left + (unitW - side) / 2, device.top + unitH / 16), CSize(side, side));
        if (!cache.picture.Draw(dc, icon))
            GenericFileIcon(dc, icon);
        const CRect name(device.left, icon.bottom, device.right, device.bottom);
        CentredText(dc, item.GetFileName(), name, std::max(1, unitH * kNameHeight / kIconBoxHeight));
    }
    dc->RestoreDC(saved);
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
    CScoreItemDrawing::Draw(item, dc, &bounds, clip, -1);
    return DRAW_DONE;
}
