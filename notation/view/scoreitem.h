// CCantrelItem: an embedded object's item with the notation view that shows
// it: finding the view, drawing with the selection's tracker (installed as
// the frames' drawing, notation/display/frame.h), resizing, announcing
// changes, and the open verb with the watcher that brings an opened copy's
// changes back.
//
// CScoreItemView: what the notation side keeps with an embedded object's
// item (the item owns it, model/frame.h CScoreItemState): the decoded
// picture, the item's state, and, once the object was opened, the copy
// handed to the desktop and the watcher on it (or on a linked file).
//
// The opened copy is a temporary file of its own, deleted with the state;
// the view is never kept (it is looked up at each use, so a closed view
// leaves nothing dangling). CCantrelItem is the item's behaviour that uses
// it.
//
// UI thread only.
#pragma once

#include "model/frame.h"
#include "notation/display/frame.h"
#include "platform/core/filewatch.h"

#include <memory>
#include <string>

class CCantrel;

class CCantrelItem {
public:
    // OnChange's notices, as the item's framework sends them.
    enum : int { OLE_CHANGED = 0, OLE_SAVED = 1, OLE_CLOSED = 2, OLE_RENAMED = 3, OLE_CHANGED_STATE = 4,
                 OLE_CHANGED_ASPECT = 5 };
    // The item's states: OnChange (OLE_CHANGED_STATE) and the open verb set them.
    enum : int { emptyState = 0, loadedState = 1, openState = 2 };

    // The first notation view of the document whose performance holds the
    // item's frame; null when there is none. Every operation below does
    // nothing (answers 0) without one.
    static CCantrel* GetView(CScoreCntrItem* item);
    // The extent in `dc`'s device units, absolute; (0, 0) without a DC or
    // item, and without a view.
    static void GetSizeD(CScoreCntrItem* item, CDC* dc, CSize& size);
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

class CScoreItemView : public CScoreItemState {
public:
    CScoreItemView() = default;
    // The temporary copy (and the unique name reserved for it) deleted.
    ~CScoreItemView() override;

    // The item's state, made when it has none (or one of another side).
    static CScoreItemView& Of(CScoreCntrItem& item);

    CScoreItemPicture& GetPicture() { return m_picture; }
    int GetItemState() const { return m_nItemState; }
    void SetItemState(int state) { m_nItemState = state; }
    // Where the opened object lives: the temporary copy, or the linked file;
    // empty until opened.
    const std::string& GetOpenedPath() const { return m_openedPath; }
    // The copy of `item`'s bytes written afresh (a linked object: its own
    // file); false when it cannot be written.
    bool PrepareOpenedFile(const CScoreCntrItem& item);
    // Watches the opened file; `onChange` runs after each save there.
    void Watch(std::function<void()> onChange);

private:
    void RemoveCopy();

    CScoreItemPicture m_picture;
    int m_nItemState = CCantrelItem::loadedState;
    std::string m_openedPath;
    std::string m_reservedPath;              // the unique name the copy's is made from
    bool m_ownsOpened = false;               // the opened file is our copy
    std::unique_ptr<CFileWatcher> m_watcher; // owned; set once opened
};
