#include "interface/controls/button.h"

#include "platform/core/resources.h"
#include "platform/gdi/dib.h"
#include "platform/ui/syscolor.h"

#include <QImage>
#include <QWidget>

#include <string>

// The zoom commands' tips and status texts, for every bar with zoom buttons.
STRING_TABLE({39120, "Make the view appear larger\nZoom In"},
             {39121, "Make the view appear smaller\nZoom Out"});

IMPLEMENT_DYNCREATE(MCButton, MCStateButton)

namespace {

// The transparent colour that matches no pixel: the bitmaps draw opaque.
constexpr COLORREF kNoTransparency = 0xFFFFFFFF;

// A bitmap resource named `name` from whichever loaded module holds it.
CBitmap* LoadNamedBitmap(const std::string& name) {
    const ResourceBlock block = FindResource(RT_BITMAP, std::string_view(name));
    if (!block)
        return nullptr;
    // A bitmap resource is packed (no file header); an image file is read too.
    QImage image;
    if (!DecodeBitmapResource(block.data, block.size, &image))
        return nullptr;
    auto* bitmap = new CBitmap;
    if (!bitmap->CreateFromImage(image)) {
        delete bitmap;
        return nullptr;
    }
    return bitmap;
}

// Sets `dc` to text mapping with both origins at 0: device units as logical.
void UseDeviceUnits(CDC* dc) {
    dc->SetMapMode(MM_TEXT);
    dc->SetWindowOrg(0, 0);
    dc->SetViewportOrg(0, 0);
}

// A two-pixel edge round `rect`: raised (light top-left) or sunken.
void DrawEdge(CDC* dc, CRect rect, bool sunken) {
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF dark = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF darkest = GetSysColor(COLOR_3DDKSHADOW);
    const COLORREF lit = GetSysColor(COLOR_3DLIGHT);
    if (sunken) {
        dc->Draw3dRect(&rect, dark, light);
        rect.DeflateRect(1, 1);
        dc->Draw3dRect(&rect, darkest, lit);
    } else {
        dc->Draw3dRect(&rect, lit, darkest);
        rect.DeflateRect(1, 1);
        dc->Draw3dRect(&rect, light, dark);
    }
}

}  // namespace

// ---- the frames ---------------------------------------------------------------------

void MCDrawRaisedRect(CDC* dc, CRect rect) {
    dc->LPtoDP(&rect);
    rect.NormalizeRect();
    CPen highlight(PS_SOLID, 2, GetSysColor(COLOR_BTNHIGHLIGHT));
    CPen shadow(PS_SOLID, 2, GetSysColor(COLOR_BTNSHADOW));
    const int saved = dc->SaveDC();
    UseDeviceUnits(dc);
    dc->SelectObject(&highlight);
    dc->MoveTo(rect.left, rect.bottom);
    dc->LineTo(rect.left, rect.top);
    dc->LineTo(rect.right, rect.top);
    dc->SelectObject(&shadow);
    dc->LineTo(rect.right, rect.bottom);
    dc->LineTo(rect.left, rect.bottom);
    dc->RestoreDC(saved);
}

void MCDrawFocusRect(CDC* dc, CRect rect) {
    dc->LPtoDP(&rect);
    rect.NormalizeRect();
    CRect inside = rect;
    if (!inside.IsRectEmpty())
        inside.DeflateRect(1, 1);
    CRgn outer, inner, frame;
    outer.CreateRectRgnIndirect(&rect);
    inner.CreateRectRgnIndirect(&inside);
    frame.CreateRectRgn(0, 0, 0, 0);
    frame.CombineRgn(&outer, &inner, RGN_XOR);
    CRect box;
    frame.GetRgnBox(&box);
    const int saved = dc->SaveDC();
    UseDeviceUnits(dc);
    dc->SelectClipRgn(&frame);
    dc->SelectObject(CDC::GetHalftoneBrush());
    dc->PatBlt(box.left, box.top, box.Width(), box.Height(), PATINVERT);
    dc->RestoreDC(saved);
}

// ---- MCButton -------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(MCButton, MCStateButton)
    ON_WM_MOUSEMOVE()
    ON_WM_CAPTURECHANGED()
END_MESSAGE_MAP()

MCButton::MCButton() : MCStateButton(MODE_HOVER) {}

MCButton::~MCButton() {
    DeleteBitmaps(1);
}

int MCButton::AutoLoad(UINT id, CWnd* parent) {
    if (!SubclassDlgItem(id, parent))
        return 0;
    std::string prefix;
    GetWindowText(prefix);
    LoadBitmaps(prefix.c_str());
    return 1;
}

int MCButton::LoadBitmaps(UINT firstId) {
    DeleteBitmaps(1);
    for (UINT id = firstId;; ++id) {
        auto* bitmap = new CBitmap;
        if (!bitmap->LoadBitmap(id)) {
            delete bitmap;
            break;
        }
        AddBitmap(bitmap, -1);
    }
    SizeToContent();
    return 1;
}

int MCButton::LoadBitmaps(const char* prefix) {
    DeleteBitmaps(1);
    for (int n = 0;; ++n) {
        CBitmap* bitmap = LoadNamedBitmap(std::string(prefix ? prefix : "") + std::to_string(n));
        if (!bitmap)
            break;
        AddBitmap(bitmap, -1);
    }
    SizeToContent();
    return 1;
}

CBitmap* MCButton::GetBitmap(int index) {
    return index >= 0 && index < GetBitmapCount() ? m_bitmaps[static_cast<size_t>(index)] : nullptr;
}

int MCButton::GetBitmapInfo(int index, BITMAP& info) {
    CBitmap* bitmap = GetBitmap(index);
    return bitmap ? bitmap->GetBitmap(&info) : 0;
}

void MCButton::SizeToContent() {
    BITMAP info;
    if (GetWidget() && GetBitmapInfo(0, info))
        GetWidget()->resize(info.bmWidth, info.bmHeight);
}

void MCButton::AddBitmap(CBitmap* bitmap, int index) {
    if (index < 0 || index > GetBitmapCount())
        index = GetBitmapCount();
    m_bitmaps.insert(m_bitmaps.begin() + index, bitmap);
    m_images.insert(m_images.begin() + index, nullptr);
}

void MCButton::DeleteBitmap(int index, int deleteObjects) {
    if (index == -1) {
        DeleteBitmaps(deleteObjects);
        return;
    }
    if (index < 0 || index >= GetBitmapCount())
        return;
    CBitmap* bitmap = m_bitmaps[static_cast<size_t>(index)];
    CBitmap* image = m_images[static_cast<size_t>(index)];
    m_bitmaps.erase(m_bitmaps.begin() + index);
    m_images.erase(m_images.begin() + index);
    if (deleteObjects) {
        if (image != bitmap)
            delete image;
        delete bitmap;
    }
}

void MCButton::DeleteBitmaps(int deleteObjects) {
    for (int index = GetBitmapCount() - 1; index >= 0; --index)
        DeleteBitmap(index, deleteObjects);
}

void MCButton::ClearImages() {
    for (size_t i = 0; i < m_images.size(); ++i) {
        if (m_images[i] != m_bitmaps[i])
            delete m_images[i];
        m_images[i] = nullptr;
    }
}

COLORREF MCButton::GetTransparentColor() {
    return m_crTransparent;
}

COLORREF MCButton::SetTransparentColor(COLORREF color) {
    const COLORREF previous = m_crTransparent;
    m_crTransparent = color;
    return previous;
}

void MCButton::SetDrawItemFunc(DrawItemFunc function) {
    m_pfnDrawItem = function;
}

MCButton::DrawItemFunc MCButton::GetDrawItemFunc() {
    return m_pfnDrawItem;
}

// ---- drawing ------------------------------------------------------------------------

void MCButton::DrawItem(LPDRAWITEMSTRUCT item) {
    if (!item || !item->hDC || m_bitmaps.empty())
        return;
    const int index = ChooseImageIndex(*item);
    // An index past the slots has neither a source nor a place for its image.
    if (index < 0 || index >= GetBitmapCount())
        return;
    CBitmap*& image = m_images[static_cast<size_t>(index)];
    if (!image) {
        DRAWITEMSTRUCT request = *item;
        request.itemState = static_cast<UINT>(index);
        image = CreateImage(&request);
        if (!image)
            return;
    }

    CDC* target = item->hDC;
    CDC memory;
    memory.CreateCompatibleDC(target);
    memory.SelectObject(image);
    const int saved = target->SaveDC();
    memory.SetMapMode(m_nMapMode);
    target->SetMapMode(m_nMapMode);
    if (m_sizeWindowExt.cx != 0 && m_sizeWindowExt.cy != 0)
        target->SetWindowExt(m_sizeWindowExt);
    memory.SetWindowExt(m_sizeWindowExt);
    CRect rect = item->rcItem;
    if (rect.Width() != 0 && rect.Height() != 0) {
        target->SetViewportExt(rect.Width(), rect.Height());
        memory.SetViewportExt(rect.Width(), rect.Height());
    }
    target->DPtoLP(&rect);
    target->BitBlt(rect.left, rect.top, rect.Width(), rect.Height(), &memory, 0, 0, SRCCOPY);

    if (m_bHover && index == 0)
        MCDrawRaisedRect(target, rect);
    else if ((item->itemState & ODS_FOCUS) && (m_nMode & MODE_HOVER) && index == 0)
        MCDrawFocusRect(target, rect);
    target->RestoreDC(saved);
    memory.DeleteDC();
}

BOOL MCButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    return MCStateButton::OnChildNotify(message, wParam, lParam, pResult);
}

CBitmap* MCButton::CreateImage(DRAWITEMSTRUCT* item) {
    const int index = static_cast<int>(item->itemState);
    if (m_pfnDrawItem) {
        if (CBitmap* picture = m_pfnDrawItem(this, item)) {
            m_nMapMode = item->hDC->GetMapMode();
            m_sizeWindowExt = item->hDC->GetWindowExt();
            return picture;
        }
    }
    CBitmap* source = GetBitmap(index);
    BITMAP info;
    if (!source || !source->GetBitmap(&info))
        return nullptr;   // an empty slot: nothing to draw
    CRect client;
    GetClientRect(&client);
    if (!m_pfnDrawItem) {
        m_nMapMode = MM_TEXT;
        m_sizeWindowExt = CSize(client.Width(), client.Height());
    }
    const int width = info.bmWidth;
    const int height = info.bmHeight;
    CDC* target = item->hDC;
    CDC sourceDC, maskDC, imageDC;
    sourceDC.CreateCompatibleDC(target);
    maskDC.CreateCompatibleDC(target);
    imageDC.CreateCompatibleDC(target);
    sourceDC.SelectObject(source);

    // The mask: 1 where the source shows the face; there the source goes black.
    const bool keyed = m_crTransparent != kNoTransparency;
    CBitmap mask;
    if (keyed) {
        mask.CreateBitmap(width, height, 1, 1, nullptr);
        maskDC.SelectObject(&mask);
        sourceDC.SetBkColor(m_crTransparent);
        maskDC.BitBlt(0, 0, width, height, &sourceDC, 0, 0, SRCCOPY);
        sourceDC.SetBkColor(RGB(0, 0, 0));
        sourceDC.SetTextColor(RGB(255, 255, 255));
        sourceDC.BitBlt(0, 0, width, height, &maskDC, 0, 0, SRCAND);
    }

    auto* image = new CBitmap;
    const int cx = std::max(1, static_cast<int>(client.Width()));
    const int cy = std::max(1, static_cast<int>(client.Height()));
    image->CreateBitmap(cx, cy, info.bmPlanes, info.bmBitsPixel == 1 ? 1 : 32, nullptr);
    imageDC.SelectObject(image);
    imageDC.FillSolidRect(0, 0, cx, cy, GetSysColor(COLOR_BTNFACE));
    imageDC.SetBkColor(RGB(255, 255, 255));
    imageDC.SetTextColor(RGB(0, 0, 0));
    const DWORD sourceOp = keyed ? SRCPAINT : SRCCOPY;
    if (cx < width || cy < height) {
        if (keyed)
            imageDC.StretchBlt(0, 0, cx, cy, &maskDC, 0, 0, width, height, SRCAND);
        imageDC.StretchBlt(0, 0, cx, cy, &sourceDC, 0, 0, width, height, sourceOp);
    } else {
        const int x = (cx - width) / 2;
        const int y = (cy - height) / 2;
        if (keyed)
            imageDC.BitBlt(x, y, width, height, &maskDC, 0, 0, SRCAND);
        imageDC.BitBlt(x, y, width, height, &sourceDC, 0, 0, sourceOp);
    }
    if (m_nMode & MODE_EDGED)
        DrawEdge(&imageDC, CRect(0, 0, cx, cy), index == 1);

    if (keyed) {
        // The source gets its transparent colour back.
        sourceDC.SetBkColor(m_crTransparent);
        sourceDC.SetTextColor(RGB(0, 0, 0));
        sourceDC.BitBlt(0, 0, width, height, &maskDC, 0, 0, SRCPAINT);
    }
    imageDC.DeleteDC();
    maskDC.DeleteDC();
    sourceDC.DeleteDC();
    return image;
}

// ---- mouse and keys -------------------------------------------------------------------

void MCButton::OnMouseMove(UINT nFlags, CPoint point) {
    if (m_nMode & MODE_HOVER) {
        if (!m_bHover) {
            GetClientRect(&m_rcHover);
            if (GetCapture() != this)
                SetCapture();
            // Taking the capture tells nobody here (only a loser hears of it).
            m_bHover = GetCapture() == this;
            if (m_bHover)
                Invalidate(FALSE);
        } else if (!m_rcHover.PtInRect(point)) {
            ReleaseCapture();
        }
    }
    MCStateButton::OnMouseMove(nFlags, point);
}

void MCButton::OnCaptureChanged(CWnd*) {
    const int hover = GetCapture() == this;
    if (hover != m_bHover) {
        m_bHover = hover;
        Invalidate(FALSE);
    }
}
