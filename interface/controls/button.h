// MCButton: the picture button. An owner-drawn button whose look is one
// bitmap per state; it acts as a push button, a toggle between two states,
// a switch stepping through all its bitmaps, or an inert picture.
//
// Images. Each state's source bitmap becomes, on its first draw, a finished
// image of the client size: the source's transparent-colour pixels show the
// button face (a mask ANDed, then the source ORed), stretched over the client
// when the client is narrower or lower than the source, centred otherwise.
// A draw-item function, when set, supplies the images instead. The image
// drawn is the disabled index while disabled, the next state while pressed,
// else the current state; an index with no source and no picture from the
// draw-item function draws nothing.
//
// States, styles and the press rules are MCStateButton's. Hover
// tracking (mode bit 1) takes the mouse capture while the pointer is over the
// button and shows a raised frame; losing the capture (WM_CAPTURECHANGED)
// ends it.
//
// Also here: MCDrawRaisedRect and MCDrawFocusRect, the hover and focus frames.
//
// Ownership: the bitmaps and images are the button's (deleted with it); a
// picture from the draw-item function becomes the button's too.
// User-interface thread only.
#pragma once

#include "platform/gdi/dc.h"
#include "interface/controls/statebutton.h"

#include <vector>

class CBitmap;

// The hover frame: a 2-pixel raised edge round `rect` (logical units of `dc`),
// highlight on the left and top, shadow on the right and bottom.
void MCDrawRaisedRect(CDC* dc, CRect rect);
// The focus frame: a 1-pixel frame inside `rect` inverted with the halftone
// brush; drawn twice it is gone.
void MCDrawFocusRect(CDC* dc, CRect rect);

class MCButton : public MCStateButton {
    DECLARE_DYNCREATE(MCButton)
public:
    // Supplies the image of the index in the record's item state; null for
    // none. The button takes the bitmap returned.
    using DrawItemFunc = CBitmap* (*)(CObject* button, DRAWITEMSTRUCT* item);

    MCButton();
    ~MCButton() override;

    // Subclasses control `id` of `parent` and loads the bitmaps its window
    // text names ("<text>0", "<text>1" ...). 0 when it cannot be subclassed.
    virtual int AutoLoad(UINT id, CWnd* parent);
    // The bitmaps of ids firstId, firstId + 1 ... up to the first missing one.
    virtual int LoadBitmaps(UINT firstId);
    // The bitmaps named prefix0, prefix1 ... up to the first missing one.
    virtual int LoadBitmaps(const char* prefix);
    virtual CBitmap* GetBitmap(int index);
    virtual int GetBitmapInfo(int index, BITMAP& info);
    // The window takes the first bitmap's size.
    virtual void SizeToContent();
    // Inserts at `index` (-1 appends) with an empty image slot; the button
    // owns the bitmap (which may be null: an empty slot).
    virtual void AddBitmap(CBitmap* bitmap, int index);
    virtual void DeleteBitmap(int index, int deleteObjects);
    virtual void DeleteBitmaps(int deleteObjects);
    virtual COLORREF GetTransparentColor();
    virtual COLORREF SetTransparentColor(COLORREF color);
    virtual void SetDrawItemFunc(DrawItemFunc function);
    virtual DrawItemFunc GetDrawItemFunc();

    void DrawItem(LPDRAWITEMSTRUCT item) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    int GetBitmapCount() const override { return static_cast<int>(m_bitmaps.size()); }

protected:
    // The finished image of the index in `item->itemState`; null for none.
    virtual CBitmap* CreateImage(DRAWITEMSTRUCT* item);
    virtual void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnCaptureChanged(CWnd* pWnd);
    DECLARE_MESSAGE_MAP()

    // Removes the built images (kept sources), so the next draw builds them again.
    void ClearImages();

    COLORREF m_crTransparent = 0xFFFFFFFF;   // matches no pixel
    std::vector<CBitmap*> m_bitmaps;   // owned; entries may be null (empty slots)
    std::vector<CBitmap*> m_images;    // owned; parallel to m_bitmaps, null until built
    DrawItemFunc m_pfnDrawItem = nullptr;
    int m_nMapMode = MM_TEXT;          // the mapping the images were built under
    CSize m_sizeWindowExt{0, 0};
};
