// DCctFrame: the notation display object of an embedded object's frame
// (ECFrame, a child of the performance). The frame's item draws itself
// into the frame's rectangle; a frame without an item draws nothing.
//
// CScoreItemDrawing holds the two operations the frame asks of the item on
// the notation side (the model's item keeps only what a document stores):
// its size in a device context's logical units, and its drawing. Until the
// embedded objects themselves can be shown, an item is drawn as its framed
// bounds.
//
// Archive form: the DCctBase head only. Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"

class CScoreCntrItem;

class CScoreItemDrawing {
public:
    // The stored HIMETRIC extent in `dc`'s logical units (through device
    // units at its resolution), as absolute values; (0, 0) for a null DC
    // or item.
    static void GetSizeL(CScoreCntrItem* item, CDC* dc, CSize& size);
    // Clipped to `clip` (logical units; none for null), the bounds framed.
    // 1 when drawn; 0 without a DC or bounds.
    static int OurDraw(CScoreCntrItem* item, CDC* dc, const RECT* bounds, const RECT* clip, int aspect);
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
