// What the dial and the slider share: their default pictures, found in this
// library's resources whatever resource module is current; the command they
// tell their parent with; and the off-screen drawing through the image
// manager's shared buffer. User-interface thread only.
#pragma once

#include "platform/gdi/dc.h"
#include "platform/ui/wnd.h"

class CBitmap;
class MCBitmap;

// The library that holds the controls' own pictures, as the controls name it.
inline constexpr const char* INTERFACE_LIBRARY = "Interface.DLL";
// The key colours of the controls' own pictures: pure blue, green and red
// stand for the button face, highlight and shadow.
inline constexpr COLORREF ART_FACE_KEY = 0xFF0000;
inline constexpr COLORREF ART_HIGHLIGHT_KEY = 0x00FF00;
inline constexpr COLORREF ART_SHADOW_KEY = 0x0000FF;

// Adds picture `id` of this library to the image manager with the three key
// colours, the library made the current resource module meanwhile. Null when
// it is missing.
MCBitmap* MCAddControlImage(UINT id);

// WM_COMMAND to the control's parent: its id and `code` in wParam, its window
// in lParam.
void MCNotifyParent(CWnd* control, WORD code);

// Sizes the control's window to `size`, keeping its place, without redrawing.
void MCResizeControl(CWnd* control, CSize size);

// A memory DC over the image manager's buffer, at least `size` big, for
// drawing off-screen before one copy to `target`.
class CImageBufferDC : public CDC {
public:
    CImageBufferDC(CDC* target, CSize size);
    ~CImageBufferDC() override;
    // False when there is no buffer to draw on.
    bool IsReady() const { return m_bReady; }

private:
    CBitmap* m_pOld = nullptr;   // the DC's bitmap before the buffer
    bool m_bReady = false;
};
