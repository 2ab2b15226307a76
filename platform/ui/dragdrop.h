// Drag-and-drop: data dragged from one window of the program (or from another
// program) and dropped on a window that takes drops.
//
// The source. A press that may start a drag first asks DragDetect whether the
// pointer leaves the drag distance before the button is released; then
// COleDataSource::DoDragDrop runs the drag with the source's bytes and answers
// what the target did with them: copied, moved, linked, or nothing.
//
// The target. A COleDropTarget registered for a window hears the drags that
// pass over that window: OnDragEnter when one comes in, OnDragOver on each
// move, OnDragLeave when it goes away undropped, OnDrop when it is dropped.
// Each tells the point in the window's client coordinates, the key state (the
// MK_ flags of the keys and buttons held, MK_ALT for Alt) and the dragged data
// as a COleDataObject, which is also in m_lpDataObject while the drag is over
// the window. Enter and over answer the effect a drop there would have. The
// base passes each call on to the window when it is a view (CView's virtuals
// of the same names) and answers what the view answers.
//
// OnDragScroll comes before each move and, while a drag hovers, every
// kScrollRepeatMs on the timer service (so a manual clock drives it in tests).
// When its answer has DROPEFFECT_SCROLL set, the window scrolled instead: that
// answer, less the scroll bit, is the move's effect, and OnDragOver is not
// called for it. The base answers the view's OnDragScroll, which scrolls
// nothing (DROPEFFECT_SCROLL alone, so moves go to OnDragOver as usual).
//
// A registered window takes every drag that comes over it, files too: a file
// dropped on it goes to its target, never to the dropped-files handling of a
// frame around it (dropfiles.h), which would open it as a document.
//
// Tests. Offscreen there is no drag: the toolkit ends one at once with no
// drop. A CDragScript in force plays one instead (see below).
//
// User-interface thread only.
#pragma once

#include "platform/ui/geometry.h"
#include "platform/ui/messages.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class COleDataObject;
class CWnd;
class QMimeData;

// What a drop does with the data, as a set of bits: the effects a source
// allows, the effect a target answers.
using DROPEFFECT = DWORD;
inline constexpr DROPEFFECT DROPEFFECT_NONE = 0;
inline constexpr DROPEFFECT DROPEFFECT_COPY = 1;
inline constexpr DROPEFFECT DROPEFFECT_MOVE = 2;
inline constexpr DROPEFFECT DROPEFFECT_LINK = 4;
inline constexpr DROPEFFECT DROPEFFECT_SCROLL = 0x80000000;

// The key state of a drag also tells Alt (beside the MK_ flags of messages.h).
inline constexpr DWORD MK_ALT = 0x0020;

// How often OnDragScroll is called while a drag hovers without moving.
inline constexpr UINT kScrollRepeatMs = 50;

// 1 when the pointer, pressed at `screenPoint`, leaves the drag distance
// (QApplication::startDragDistance, in either direction) before the left
// button is released; 0 when the button is released first, when Escape is
// pressed, when another window takes the capture, or at once when the window
// layer has not seen the left button down. `wnd` holds the capture meanwhile;
// the moves and the release are the detection's own and reach no window.
int DragDetect(CWnd* wnd, CPoint screenPoint);

class COleDropTarget {
public:
    COleDropTarget();
    // Revokes.
    virtual ~COleDropTarget();
    COleDropTarget(const COleDropTarget&) = delete;
    COleDropTarget& operator=(const COleDropTarget&) = delete;

    // Makes `wnd` take drops, heard by this target. 1 on success; 0 without a
    // window, or when the window or this target is registered already.
    int Register(CWnd* wnd);
    // The window no longer takes drops. Harmless when not registered.
    void Revoke();
    // The registered window, or null.
    CWnd* GetWindow() const;
    // The target registered for `wnd`, or null.
    static COleDropTarget* FromWindow(const CWnd* wnd);

    virtual DROPEFFECT OnDragEnter(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point);
    virtual DROPEFFECT OnDragOver(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point);
    virtual void OnDragLeave(CWnd* wnd);
    // `dropEffect` is one effect (never none); TRUE when the data was taken.
    virtual BOOL OnDrop(CWnd* wnd, COleDataObject* data, DROPEFFECT dropEffect, CPoint point);
    virtual DROPEFFECT OnDragScroll(CWnd* wnd, DWORD keyState, CPoint point);

protected:
    // Kept for a target's scrolling; the base only starts them off.
    int m_nTimerID = 0xffff;        // the direction scrolled; 0xffff: not scrolling
    DWORD m_dwLastTick = 0;         // when the last step was taken (timeGetTime)
    UINT m_nScrollDelay = 100;      // the wait before the next step
    // The data of the drag over the window; null when none.
    COleDataObject* m_lpDataObject = nullptr;

private:
    class Session;                        // dragdrop.cpp: the window's Qt drag events
    friend class Session;
    std::unique_ptr<Session> m_session;   // owned; exists while registered
};

// A scripted drag for tests, in force from construction to destruction:
//
//     CDragScript drag;
//     drag.Move(view, {120, 80});                         // over the view
//     drag.Move(view, {120, 64}, MK_LBUTTON | MK_CONTROL);
//     drag.Drop();                                        // released there
//     view->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(120, 96));
//     EXPECT_EQ(drag.GetResult(), DROPEFFECT_COPY);
//
// While one is in force, DragDetect answers at once what Detect set (a drag,
// unless told otherwise), and DoDragDrop plays the steps with the source's
// data: each move over a window reaches that window's drop target as its Qt
// drag events would (enter when the window changes, after leave for the one
// before; then over, after OnDragScroll), in the window's client coordinates
// with the key state given; Leave ends the drag undropped, Drop drops it where
// the last move was. DoDragDrop answers the effect the target gave: the effect
// of the drop, when it took the data; none otherwise. A window without a
// target hears nothing. The steps are used up by the drag that plays them;
// with no steps left DoDragDrop answers none at once.
//
// DropFromOutside plays a drop at once with data from another program (a
// file's URL, say), as the toolkit delivers it, whatever the window registered.
//
// Scripts nest: each restores the one it replaced.
class CDragScript {
public:
    CDragScript();
    ~CDragScript();
    CDragScript(const CDragScript&) = delete;
    CDragScript& operator=(const CDragScript&) = delete;

    // The script in force; null when none.
    static CDragScript* GetActive();

    // What the next DragDetect answers (each call of it, until changed).
    void Detect(bool drag);
    // A move over `wnd` to `point` (client coordinates) with `keyState` held.
    void Move(CWnd* wnd, CPoint point, DWORD keyState = MK_LBUTTON);
    // The drag ends: dropped at the last move, or left undropped.
    void Drop();
    void Leave();
    // Steps not yet played.
    size_t GetPending() const { return m_steps.size(); }

    // Drops `data`, offered with the effects `allowed`, on `wnd` at `point`
    // with `keyState` held: enter, over and drop as above. Answers the
    // effect of the drop (none when refused).
    DROPEFFECT DropFromOutside(const QMimeData& data, CWnd* wnd, CPoint point, DWORD keyState = MK_LBUTTON,
                               DROPEFFECT allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);

    // DragDetect and DoDragDrop calls so far, and what the last drag answered.
    int GetDetectCount() const { return m_detects; }
    int GetDragCount() const { return m_drags; }
    DROPEFFECT GetResult() const { return m_result; }

    // DragDetect and DoDragDrop's side (dragdrop.cpp).
    int PlayDetect();
    DROPEFFECT PlayDrag(const QMimeData& data, DROPEFFECT allowed);

private:
    enum class Kind { Move, Drop, Leave };
    struct Step {
        Kind kind;
        HWND hWnd = nullptr;   // the window moved over (by handle: it may go meanwhile)
        CPoint point;
        DWORD keyState = 0;
    };

    std::vector<Step> m_steps;   // in order
    bool m_detect = true;
    int m_detects = 0;
    int m_drags = 0;
    DROPEFFECT m_result = DROPEFFECT_NONE;
    CDragScript* m_previous;     // borrowed: restored at the end
};
