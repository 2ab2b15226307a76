#include "interface/controls/bitmapcontrol.h"

#include "interface/controls/imagemgr.h"
#include "interface/document/resourcemodule.h"
#include "platform/ui/paint.h"

#include <QWidget>

BEGIN_MESSAGE_MAP(MCBitmapControl, CWnd)
    ON_WM_PAINT()
    ON_WM_LBUTTONDOWN()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

void MCBitmapControl::Create(DWORD dwStyle, const CRect& rect, CWnd* pParentWnd, UINT nID) {
    CWnd::Create(nullptr, nullptr, dwStyle, rect, pParentWnd, nID);
}

MCBitmap* MCBitmapControl::AddLibraryImage(UINT id) {
    const bool switched = SetResourceModule(INTERFACE_LIBRARY) != nullptr;
    MCBitmap* image = MCImageMgr::GetImageMgr()->AddImage(id, ART_FACE_KEY, ART_HIGHLIGHT_KEY, ART_SHADOW_KEY);
    if (switched)
        ResetResourceModule();
    return image;
}

void MCBitmapControl::ResizeTo(CSize size) {
    if (QWidget* widget = GetWidget())
        widget->resize(size.cx, size.cy);
}

void MCBitmapControl::OnPaint() {
    CPaintDC dc(this);
    const CRect update(dc.m_ps.rcPaint);
    if (update.IsRectEmpty())
        return;
    if (!(m_nFlags & FLAG_IMAGES)) {
        LoadDefaultImages();
        if (!HasImages())
            return;
        FitToImages();
    }
    if (HasImages())
        DrawControl(dc, update);
}

void MCBitmapControl::Notify(WORD code) {
    if (CWnd* parent = GetParent())
        parent->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID()), code),
                            reinterpret_cast<LPARAM>(m_hWnd));
}

void MCBitmapControl::Track(CPoint point) {
    TrackTo(point);
    UpdateWindow();
    Notify(m_wChanging);
}

void MCBitmapControl::OnLButtonDown(UINT, CPoint point) {
    SetCapture();
    m_bTracking = true;
    Track(point);
    Default();
}

void MCBitmapControl::OnMouseMove(UINT, CPoint point) {
    if (m_bTracking)
        Track(point);
    Default();
}

void MCBitmapControl::OnLButtonUp(UINT, CPoint) {
    ReleaseCapture();
    m_bTracking = false;
    Notify(m_wDone);
}

CImageBufferDC::CImageBufferDC(CDC* target, CSize size) {
    CBitmap* buffer = MCImageMgr::GetImageMgr()->GetImageBuffer(size, target);
    if (!buffer || !CreateCompatibleDC(target))
        return;
    m_pOld = SelectObject(buffer);
    m_bReady = true;
}

CImageBufferDC::~CImageBufferDC() {
    // The buffer stays the manager's: it must not leave with this DC.
    if (m_pOld)
        SelectObject(m_pOld);
}
