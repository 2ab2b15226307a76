// MCButton2: the light picture button of the toolbars. Its images are
// MCBitmaps of the image manager (imagemgr.h), found by name from its window
// text ("<text>0", "<text>1" ...) and recoloured to the system's button
// colours on the way in; each is drawn with MCBitmap::Draw onto the item
// rectangle (unstretched: the manager's images have sections).
//
// The states and the press follow the picture buttons' rules
// (statebutton.h); the mode starts at 0. Hover tracking (mode bit 1) holds the mouse capture while the
// pointer is over the button and lets it go when the pointer leaves; no
// frame is drawn for it.
//
// Ownership: the images belong to the image manager; the button only lists
// them. User-interface thread only.
#pragma once

#include "interface/controls/statebutton.h"

#include <vector>

class MCBitmap;

class MCButton2 : public MCStateButton {
    DECLARE_DYNCREATE(MCButton2)
public:
    MCButton2();

    // Subclasses control `id` of `parent` and loads the images its window
    // text names; 0 when it cannot be subclassed or has no text.
    virtual int AutoLoad(UINT id, CWnd* parent, COLORREF face, COLORREF highlight, COLORREF shadow);
    // The images prefix0, prefix1 ... through the image manager, up to the
    // first name that is no bitmap of the current resource module or gives
    // no image. The colours are the artwork's face, highlight and shadow keys.
    virtual int LoadBitmaps(const char* prefix, COLORREF face, COLORREF highlight, COLORREF shadow);
    // Inserts at `index` (-1 appends).
    virtual void AddBitmap(MCBitmap* image, int index);
    virtual void ClearBitmaps();
    // The window takes the first image's size.
    virtual void SizeToContent();

    void DrawItem(LPDRAWITEMSTRUCT item) override;
    // Draws on the reflected WM_DRAWITEM itself and answers 1.
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    int GetBitmapCount() const override { return static_cast<int>(m_images.size()); }
    MCBitmap* GetImage(int index) const;

protected:
    virtual void OnMouseMove(UINT nFlags, CPoint point);
    DECLARE_MESSAGE_MAP()

private:
    std::vector<MCBitmap*> m_images;   // borrowed from the image manager
    int m_nColorDepth = 8;             // of the first image
    CSize m_size{0, 0};                // of the first image
};
