// DCctFrame: the notation display object of an embedded object's frame
// (ECFrame, a child of the performance). The frame's item draws itself
// into the frame's rectangle; a frame without an item draws nothing.
//
// CScoreItemDrawing is the notation side of the model's item (the model's
// CScoreCntrItem keeps only what a document stores): its size in a device
// context, its picture, and the drawing a frame asks for. What the notation
// view adds (the tracker, resizing, opening) is the view's
// (notation/view/scoreitem.h), which installs its drawing here when a view
// is made; until then a frame's item is drawn as its framed bounds.
//
// Archive form: the DCctBase head only. Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"
#include "platform/gdi/picture.h"

#include <cstddef>

class CScoreCntrItem;

// The decoded picture of an item, kept so that a repaint does not decode the
// bytes again; made again when the bytes change.
struct CScoreItemPicture {
    CPicture picture;
    std::size_t key = 0;   // of the bytes it was made from
    bool made = false;
};

class CScoreItemDrawing {
public:
    // What draws a frame's item into `bounds` (logical units), clipped to
    // `clip` (none for null): 1 when drawn, 0 when nothing was.
    using DrawFunc = int (*)(CScoreCntrItem* item, CDC* dc, const RECT* bounds, const RECT* clip, int aspect);

    // Installs the drawing of frames' items; null puts the framed bounds
    // back. The one installed before.
    static DrawFunc SetDrawFunc(DrawFunc func);
    // The item drawn by the installed function, or its framed bounds when
    // none is installed. 0 without an item, a DC or bounds.
    static int Draw(CScoreCntrItem* item, CDC* dc, const RECT* bounds, const RECT* clip, int aspect);

    // The stored HIMETRIC extent in `dc`'s logical units (through device
    // units at its resolution), as absolute values; (0, 0) for a null DC
    // or item.
    static void GetSizeL(CScoreCntrItem* item, CDC* dc, CSize& size);
    // The object's picture into `bounds` (logical units): an object stored by
    // another program its cached picture, else a framed box with its class
    // name; an image the toolkit reads, scaled into the bounds; any other
    // file its type's icon above its file name. `cache` keeps the decoded
    // picture between calls. 1 when drawn; 0 without a DC or bounds.
    static int DrawPicture(CScoreCntrItem& item, CScoreItemPicture& cache, CDC* dc, const RECT& bounds);
};

class DCctFrame : public DCctBase {
    DECLARE_SERIAL(DCctFrame)
public:
    DCctFrame();
    DCctFrame(const DCctFrame& other);
    ~DCctFrame() override;

    // The item drawn into the frame's rectangle (x, y) - (x + width,
    // y - height); 64 without an item. 1.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // Pagination places it: nothing to do. 1.
    int Position(ECConductor*, ECStaff*, ECMeasure*, ECBase*) override { return 1; }
    // The item's size in `dc`, when the frame kind is dirty and there is an item.
    void SetSize(CDC* dc) override;

protected:
    CScoreCntrItem* GetItem();
};
