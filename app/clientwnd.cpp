// The MDI client's wallpaper and View menu.
#include "app/clientwnd.h"

#include "interface/controls/bitmap.h"
#include "interface/controls/palette.h"
#include "interface/document/resourcemodule.h"
#include "model/preferences.h"
#include "platform/core/resources.h"
#include "platform/gdi/dc.h"
#include "platform/ui/mdi.h"
#include "platform/ui/menu.h"

#include <QContextMenuEvent>
#include <QImage>
#include <QMdiArea>
#include <QPainter>
#include <QPaintEvent>
#include <QWidget>

namespace {

constexpr const char* kBackgroundSection = "Settings\\Background";
// Resource ids are 16 bits.
constexpr UINT kLastResourceId = 0xFFFF;

// Hands the client viewport's paint and context-menu events to the object.
class ClientHook : public QObject {
public:
    ClientHook(CClientWnd& owner, QObject* parent) : QObject(parent), m_owner(owner) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget)
            return false;
        if (event->type() == QEvent::Paint) {
            // The erase draws into an image of the repainted box, which one
            // painter then puts on the viewport: a device context held on the
            // widget itself would be a second painter inside its paint.
            const QRect box = static_cast<QPaintEvent*>(event)->rect();
            QImage canvas(box.size(), QImage::Format_RGB32);
            CDC dc;
            dc.AttachDevice(&canvas, DCKind::Display, 96, 96);
            dc.SetViewportOrg(-box.left(), -box.top());
            dc.IntersectClipRect(box.left(), box.top(), box.right() + 1, box.bottom() + 1);
            const BOOL erased = m_owner.OnEraseBkgnd(&dc);
            dc.DeleteDC();
            if (!erased)
                return false;   // the area paints its own background
            QPainter painter(widget);
            painter.drawImage(box.topLeft(), canvas);
            return true;
        }
        if (event->type() == QEvent::ContextMenu) {
            const QPoint at = static_cast<QContextMenuEvent*>(event)->globalPos();
            m_owner.OnContextMenu(nullptr, CPoint(at.x(), at.y()));
            return true;
        }
        return false;
    }

private:
    CClientWnd& m_owner;
};

}  // namespace

IMPLEMENT_DYNAMIC(CClientWnd, CWnd)

CClientWnd::CClientWnd() = default;

CClientWnd::~CClientWnd() = default;

BOOL CClientWnd::SubclassClient(CMDIFrameWnd* frame) {
    m_pFrame = frame;
    m_pClient = frame ? CWnd::FromHandle(frame->m_hWndMDIClient) : nullptr;
    auto* area = m_pClient ? qobject_cast<QMdiArea*>(m_pClient->GetWidget()) : nullptr;
    if (!area)
        return FALSE;
    m_pHook = std::make_unique<ClientHook>(*this, nullptr);
    area->viewport()->installEventFilter(m_pHook.get());
    return TRUE;
}

void CClientWnd::LoadWallpaper() {
    m_pWallpaper.reset();
    // -1: no wallpaper; else the picture's number, within the resource ids.
    m_nImage = LoadIntPreference(kBackgroundSection, "Image", 0, -1, static_cast<int>(kLastResourceId - kWallpaperBase));
    if (m_nImage >= 0) {
        const bool switched =
            SetResourceModule(LoadResourceModulePreference(kBackgroundSection, "Module", "Wallpaper.DLL")) != nullptr;
        m_pWallpaper = std::make_unique<MCBitmap>();
        if (m_pWallpaper->Create(MAKEINTRESOURCE(kWallpaperBase + static_cast<unsigned>(m_nImage))))
            m_pWallpaper->MapColorsToPalette(MCPalette::GetSharedPalette());
        if (switched)
            ResetResourceModule();
    }
    // Asked for, not done here: the first load runs inside the client's paint.
    if (m_pClient && m_pClient->GetWidget())
        if (auto* area = qobject_cast<QMdiArea*>(m_pClient->GetWidget()))
            area->viewport()->update();
}

BOOL CClientWnd::DrawWallpaper(CDC* dc) {
    if (!m_pWallpaper || !dc)
        return FALSE;
    const CSize size = m_pWallpaper->GetDimensions();
    if (size.cx <= 0 || size.cy <= 0)
        return FALSE;
    CRect clip;
    dc->GetClipBox(&clip);
    // Tiles stay aligned to the client's origin whatever part is repainted.
    const int firstLeft = (clip.left >= 0 ? clip.left / size.cx : (clip.left - size.cx + 1) / size.cx) * size.cx;
    const int firstTop = (clip.top >= 0 ? clip.top / size.cy : (clip.top - size.cy + 1) / size.cy) * size.cy;
    m_pWallpaper->CreateSection(dc);
    CRect source(0, 0, size.cx, size.cy);
    for (int top = firstTop; top < clip.bottom; top += size.cy)
        for (int left = firstLeft; left < clip.right; left += size.cx) {
            CRect tile(left, top, left + size.cx, top + size.cy);
            m_pWallpaper->Draw(dc, tile, source);
        }
    return TRUE;
}

BOOL CClientWnd::OnEraseBkgnd(CDC* pDC) {
    if (!m_bLoaded) {
        m_bLoaded = true;
        LoadWallpaper();
    }
    return DrawWallpaper(pDC);
}

void CClientWnd::OnContextMenu(CWnd*, CPoint point) {
    CMenu* bar = m_pFrame ? m_pFrame->GetMenu() : nullptr;
    if (!bar)
        return;
    for (int i = 0; i < bar->GetMenuItemCount(); ++i)
        if (bar->GetMenuString(i) == "&View") {
            if (CMenu* view = bar->GetSubMenu(i))
                view->TrackPopupMenu(TPM_RIGHTBUTTON, point.x, point.y, m_pFrame);
            return;
        }
}
