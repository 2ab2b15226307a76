#include "interface/controls/button2.h"

#include "interface/controls/bitmap.h"
#include "interface/controls/imagemgr.h"
#include "platform/core/resources.h"

#include <QWidget>

#include <string>

IMPLEMENT_DYNCREATE(MCButton2, MCStateButton)

BEGIN_MESSAGE_MAP(MCButton2, MCStateButton)
    ON_WM_MOUSEMOVE()
END_MESSAGE_MAP()

MCButton2::MCButton2() : MCStateButton(0) {}

// ---- loading ----------------------------------------------------------------------------

int MCButton2::AutoLoad(UINT id, CWnd* parent, COLORREF face, COLORREF highlight, COLORREF shadow) {
    if (!SubclassDlgItem(id, parent))
        return 0;
    std::string prefix;
    GetWindowText(prefix);
    if (prefix.empty())
        return 0;
    LoadBitmaps(prefix.c_str(), face, highlight, shadow);
    return 1;
}

int MCButton2::LoadBitmaps(const char* prefix, COLORREF face, COLORREF highlight, COLORREF shadow) {
    ClearBitmaps();
    for (int n = 0;; ++n) {
        const std::string name = std::string(prefix ? prefix : "") + std::to_string(n);
        if (!FindResource(GetResourceHandle(), RT_BITMAP, std::string_view(name)))
            break;
        MCBitmap* image = MCImageMgr::GetImageMgr()->AddImage(name.c_str(), face, highlight, shadow);
        if (!image)
            break;
        AddBitmap(image, -1);
    }
    SizeToContent();
    return 1;
}

void MCButton2::AddBitmap(MCBitmap* image, int index) {
    if (index < 0 || index > GetBitmapCount())
        index = GetBitmapCount();
    m_images.insert(m_images.begin() + index, image);
}

void MCButton2::ClearBitmaps() {
    m_images.clear();
}

MCBitmap* MCButton2::GetImage(int index) const {
    return index >= 0 && index < GetBitmapCount() ? m_images[static_cast<size_t>(index)] : nullptr;
}

void MCButton2::SizeToContent() {
    MCBitmap* first = GetImage(0);
    if (!first)
        return;
    m_nColorDepth = first->GetColorDepth();
    m_size = first->GetDimensions();
    if (GetWidget())
        GetWidget()->resize(static_cast<int>(m_size.cx), static_cast<int>(m_size.cy));
}

// ---- drawing ----------------------------------------------------------------------------

void MCButton2::DrawItem(LPDRAWITEMSTRUCT item) {
    if (!item || !item->hDC || m_images.empty())
        return;
    MCBitmap* image = GetImage(ChooseImageIndex(*item));
    if (!image)
        return;
    CRect dest = item->rcItem;
    const CSize size = image->GetDimensions();
    CRect src(0, 0, size.cx, size.cy);
    image->Draw(item->hDC, dest, src);
}

BOOL MCButton2::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message != WM_DRAWITEM)
        return MCStateButton::OnChildNotify(message, wParam, lParam, pResult);
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
    if (pResult)
        *pResult = 1;
    return 1;
}

// ---- mouse and keys ---------------------------------------------------------------------

void MCButton2::OnMouseMove(UINT nFlags, CPoint point) {
    if (m_nMode & MODE_HOVER) {
        if (!m_bHover) {
            GetClientRect(&m_rcHover);
            if (GetCapture() != this)
                SetCapture();
            m_bHover = 1;
            Invalidate(FALSE);
        } else if (!m_rcHover.PtInRect(point)) {
            ReleaseCapture();
            m_bHover = 0;
            Invalidate(FALSE);
        }
    }
    MCStateButton::OnMouseMove(nFlags, point);
}
