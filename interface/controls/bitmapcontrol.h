// MCBitmapControl: what the dial and the slider share. Both are windows that
// draw pictures of the image manager, edit a value with the mouse and tell
// their parent of every change; this base keeps the pointer's tracking, the
// commands, the library's own pictures and the off-screen drawing through the
// image manager's shared buffer.
//
// Painting: the first paint with a non-empty update region takes the
// library's own pictures when none were set (LoadDefaultImages) and sizes the
// window to them; without pictures nothing is painted; else the control draws
// itself (DrawControl) through the image manager's buffer.
//
// Mouse: a button-down takes the capture, moves the value to the pointer
// (TrackTo), shows it at once and sends the changing code; every move while
// the button is held does the same; a button-up releases the capture and
// sends the done code, also when nothing moved. The commands are WM_COMMAND
// to the parent with the control id in the low word of wParam, the code in
// the high word and the control's window in lParam.
//
// User-interface thread only.
#pragma once

#include "platform/gdi/dc.h"
#include "platform/ui/wnd.h"

class CBitmap;
class MCBitmap;

// The controls' notification codes: the dial's, then the slider's.
inline constexpr WORD MCDN_CHANGING = 0x3100;
inline constexpr WORD MCDN_DONE = 0x3101;
inline constexpr WORD MCSN_CHANGING = 0x3110;
inline constexpr WORD MCSN_DONE = 0x3111;

// The library that holds the controls' own pictures, as the controls name it.
inline constexpr const char* INTERFACE_LIBRARY = "Interface.DLL";
// The key colours of the controls' own pictures: pure blue, green and red
// stand for the button face, highlight and shadow.
inline constexpr COLORREF ART_FACE_KEY = 0xFF0000;
inline constexpr COLORREF ART_HIGHLIGHT_KEY = 0x00FF00;
inline constexpr COLORREF ART_SHADOW_KEY = 0x0000FF;

class MCBitmapControl : public CWnd {
public:
    using CWnd::Create;
    // A child window at `rect` with no title.
    virtual void Create(DWORD dwStyle, const CRect& rect, CWnd* pParentWnd, UINT nID);

protected:
    MCBitmapControl(WORD changingCode, WORD doneCode) : m_wChanging(changingCode), m_wDone(doneCode) {}

    enum : int { FLAG_IMAGES = 2 };   // the pictures have been set

    // Sets the library's own pictures (SetImageInfo after AddLibraryImage).
    virtual void LoadDefaultImages() = 0;
    virtual bool HasImages() const = 0;
    // The window takes the pictures' size.
    virtual void FitToImages() = 0;
    // Draws the update region `update` of the control on `dc`.
    virtual void DrawControl(CDC& dc, const CRect& update) = 0;
    // Moves the value to the pointer (client coordinates) and invalidates
    // what that changes.
    virtual void TrackTo(CPoint point) = 0;
    bool IsTracking() const { return m_bTracking; }

    // Adds picture `id` of this library to the image manager with the three
    // key colours, the library made the current resource module meanwhile
    // (pictures are read from the current module only). Null when missing.
    static MCBitmap* AddLibraryImage(UINT id);
    // The window takes `size`, keeping its place, without redrawing.
    void ResizeTo(CSize size);
    void Notify(WORD code);

    afx_msg void OnPaint();
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    DECLARE_MESSAGE_MAP()

    int m_nFlags = 0;   // FLAG_IMAGES and the control's own bits

private:
    void Track(CPoint point);

    WORD m_wChanging;
    WORD m_wDone;
    bool m_bTracking = false;
};

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
