#include "interface/controls/bitmapcontrol.h"

#include "interface/controls/imagemgr.h"
#include "interface/document/resourcemodule.h"

#include <QWidget>

MCBitmap* MCAddControlImage(UINT id) {
    // Every module's resources are searched anyway; the switch makes this
    // library's pictures win over a resource library's of the same number.
    const bool switched = SetResourceModule(INTERFACE_LIBRARY) != nullptr;
    MCBitmap* image = MCImageMgr::GetImageMgr()->AddImage(id, ART_FACE_KEY, ART_HIGHLIGHT_KEY, ART_SHADOW_KEY);
    if (switched)
        ResetResourceModule();
    return image;
}

void MCNotifyParent(CWnd* control, WORD code) {
    if (CWnd* parent = control->GetParent())
        parent->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(control->GetDlgCtrlID()), code),
                            reinterpret_cast<LPARAM>(control->m_hWnd));
}

void MCResizeControl(CWnd* control, CSize size) {
    if (QWidget* widget = control->GetWidget())
        widget->resize(size.cx, size.cy);
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
