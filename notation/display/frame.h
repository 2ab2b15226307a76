// DCctFrame: the notation display object of an embedded object's frame
// (ECFrame, a child of the performance). The frame's item draws itself
// into the frame's rectangle; a frame without an item draws nothing.
//
// CScoreItemDrawing is the notation side of the model's item (the model's
// CScoreCntrItem keeps only what a document stores): the view that shows it,
// its size in a device context, its drawing with the selection's tracker,
// resizing, and the open verb with the watcher that brings an opened copy's
// changes back. What it keeps with an item (the decoded picture, the opened
// copy and its watcher) is the item's state (CScoreItemView,
// notation/view/scoreitem.h), owned by the item. The picture and the sizes
// are drawing and live here; what needs the view is defined with the view
// (notation/view/scoreitem.cpp).
//
// Archive form: the DCctBase head only. Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"
#include "platform/gdi/picture.h"

#include <cstddef>

class CCantrel;
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
    // OnChange's notices, as the item's framework sends them.
    enum : int { OLE_CHANGED = 0, OLE_SAVED = 1, OLE_CLOSED = 2, OLE_RENAMED = 3, OLE_CHANGED_STATE = 4,
                 OLE_CHANGED_ASPECT = 5 };
    // The item's states: OnChange (OLE_CHANGED_STATE) and the open verb set them.
    enum : int { emptyState = 0, loadedState = 1, openState = 2 };

    // ---- drawing and sizes (notation/display/frame.cpp) ----------------------------------
    // The stored HIMETRIC extent in `dc`'s logical units (through device
    // units at its resolution), as absolute values; (0, 0) for a null DC
    // or item.
    static void GetSizeL(CScoreCntrItem* item, CDC* dc, CSize& size);
    // The extent in `dc`'s device units, absolute; (0, 0) without a DC or
    // item, and without a view.
    static void GetSizeD(CScoreCntrItem* item, CDC* dc, CSize& size);
    // The object's picture into `bounds` (logical units): an object stored by
    // another program its cached picture, else a framed box with its class
    // name; an image the toolkit reads, scaled into the bounds; any other
    // file its type's icon above its file name. `cache` keeps the decoded
    // picture between calls. 1 when drawn; 0 without a DC or bounds.
    static int DrawPicture(CScoreCntrItem& item, CScoreItemPicture& cache, CDC* dc, const RECT& bounds);

    // ---- with the view (notation/view/scoreitem.cpp) ----------------------------------
    // The first notation view of the document whose performance holds the
    // item's frame; null when there is none. Every operation below does
    // nothing (answers 0) without one.
    static CCantrel* GetView(CScoreCntrItem* item);
    // Clipped to `clip` (logical units; none for null), the picture; on a
    // printer nothing more; else the tracker: hatched inside while the object
    // is open, and when the frame is selected resize handles inside (dotted
    // for a link, solid otherwise) if it is the one selected element, the
    // bounds inverted if several are. 1 when drawn; 0 without a view, DC or
    // bounds.
    static int OurDraw(CScoreCntrItem* item, CDC* dc, const RECT* bounds, const RECT* clip, int aspect);
    // After the user resized the object to `deviceRect` (`dc`'s device
    // units): the extent becomes its size, the frame's display sits at its
    // top-left corner, and the frame is measured again (UpdateFrame).
    static void SetNewSizeD(CScoreCntrItem* item, CDC* dc, CRect& deviceRect);
    // The frame's display (made when missing) measured again on the view's
    // client context, then one edit state (1200) of the frame's notation
    // data applied to the performance.
    static void UpdateFrame(CScoreCntrItem* item);
    // A notice of the object: a change (ignored while the view copies) and
    // a new aspect refresh the extent from the bytes and update the frame;
    // a closing updates it; a new state is kept (loaded and open update the
    // frame, loaded brings the view's window forward). Others: nothing.
    static void OnChange(CScoreCntrItem* item, int notification, DWORD param);
    // The open verb: the bytes written to a temporary file named with the
    // type's suffix (a linked object: its file itself), handed to
    // ShellExecute "open" and watched; a save there reads the bytes back,
    // refreshes the extent (OnChange), redraws and marks the document
    // modified. An object stored by another program opens nothing. 1 when
    // the desktop took it.
    static int DoOpen(CScoreCntrItem* item);
    // The item's state (OLE_CHANGED_STATE's values); emptyState without one.
    static int GetItemState(CScoreCntrItem* item);
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
