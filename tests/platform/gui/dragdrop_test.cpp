// Drag-and-drop: a registered window's toolkit drag events reach its target
// with client points, key states and the data; OnDragScroll repeats while a
// drag hovers; dropped files stay with the target; a press becomes a drag
// only past the drag distance; the scripted drag plays its steps.
#include "platform/ui/dragdrop.h"

#include "platform/core/clock.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/document.h"
#include "platform/ui/dropfiles.h"
#include "platform/ui/keys.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const CLIPFORMAT kFormat = RegisterClipboardFormat("DragDropTestFormat");

// What reached a target, one line a call: "enter 20,30 keys=9 data=abc".
using Calls = std::vector<std::string>;

std::string DataOf(COleDataObject* data) {
    if (!data)
        return "null";
    std::unique_ptr<CMemFile> file = data->GetFileData(kFormat);
    if (!file)
        return "none";
    const std::vector<uint8_t> bytes = file->Detach();
    return std::string(bytes.begin(), bytes.end());
}

std::string Line(const char* what, CPoint point, DWORD keys, COleDataObject* data) {
    return std::string(what) + " " + std::to_string(point.x) + "," + std::to_string(point.y) +
           " keys=" + std::to_string(keys) + " data=" + DataOf(data);
}

// A target that notes its calls and answers as told.
class CRecordingTarget : public COleDropTarget {
public:
    Calls calls;
    DROPEFFECT enterAnswer = DROPEFFECT_COPY;
    DROPEFFECT overAnswer = DROPEFFECT_COPY;
    DROPEFFECT scrollAnswer = DROPEFFECT_NONE;   // without the scroll bit: not scrolling
    BOOL dropAnswer = TRUE;
    int scrolls = 0;
    bool revokeOnDrop = false;
    // Whether m_lpDataObject was the data handed over, at every call that has it.
    bool dataKept = true;

    DROPEFFECT OnDragEnter(CWnd*, COleDataObject* data, DWORD keyState, CPoint point) override {
        dataKept = dataKept && m_lpDataObject == data;
        calls.push_back(Line("enter", point, keyState, data));
        return enterAnswer;
    }
    DROPEFFECT OnDragOver(CWnd*, COleDataObject* data, DWORD keyState, CPoint point) override {
        dataKept = dataKept && m_lpDataObject == data;
        calls.push_back(Line("over", point, keyState, data));
        return overAnswer;
    }
    void OnDragLeave(CWnd*) override { calls.push_back("leave"); }
    BOOL OnDrop(CWnd*, COleDataObject* data, DROPEFFECT effect, CPoint point) override {
        calls.push_back(Line("drop", point, effect, data));
        if (revokeOnDrop)
            Revoke();
        return dropAnswer;
    }
    DROPEFFECT OnDragScroll(CWnd*, DWORD, CPoint) override {
        ++scrolls;
        dataKept = dataKept && m_lpDataObject != nullptr;
        return scrollAnswer;
    }
};

// A plain window with a target of its own.
struct CTargetWindow {
    CWnd wnd;
    CRecordingTarget target;
    explicit CTargetWindow(CWnd* parent = nullptr, CRect rect = CRect(0, 0, 300, 200)) {
        EXPECT_TRUE(wnd.Create(nullptr, "Target", WS_VISIBLE | (parent ? WS_CHILD : 0), rect, parent, 1));
        EXPECT_EQ(target.Register(&wnd), 1);
    }
};

std::unique_ptr<QMimeData> OurData(const std::string& text = "abc") {
    COleDataSource source;
    source.CacheData(kFormat, std::vector<uint8_t>(text.begin(), text.end()));
    return std::unique_ptr<QMimeData>(source.CreateMimeData());
}

// The toolkit's events of one drag over a widget.
struct ToolkitDrag {
    QWidget* widget;
    const QMimeData* data;
    Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;

    bool Enter(QPoint point, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const {
        QDragEnterEvent event(point, actions, data, Qt::LeftButton, modifiers);
        QApplication::sendEvent(widget, &event);
        return event.isAccepted();
    }
    // The action the move was answered with; IgnoreAction when refused.
    Qt::DropAction Move(QPoint point, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const {
        QDragMoveEvent event(point, actions, data, Qt::LeftButton, modifiers);
        QApplication::sendEvent(widget, &event);
        return event.isAccepted() ? event.dropAction() : Qt::IgnoreAction;
    }
    void Leave() const {
        QDragLeaveEvent event;
        QApplication::sendEvent(widget, &event);
    }
    Qt::DropAction Drop(QPoint point, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const {
        QDropEvent event(QPointF(point), actions, data, Qt::NoButton, modifiers);
        QApplication::sendEvent(widget, &event);
        return event.isAccepted() ? event.dropAction() : Qt::IgnoreAction;
    }
};

// ---- the toolkit's events become the target's calls -------------------------------------

TEST(DropTarget, TheToolkitsDragEventsBecomeTheTargetsCalls) {
    CTargetWindow window;
    const std::unique_ptr<QMimeData> data = OurData("abc");
    const ToolkitDrag drag{window.wnd.GetWidget(), data.get()};

    EXPECT_TRUE(window.wnd.GetWidget()->acceptDrops());
    EXPECT_TRUE(drag.Enter(QPoint(20, 30), Qt::ControlModifier | Qt::AltModifier));
    EXPECT_EQ(drag.Move(QPoint(25, 35), Qt::ShiftModifier), Qt::CopyAction);
    window.target.overAnswer = DROPEFFECT_MOVE;
    EXPECT_EQ(drag.Drop(QPoint(26, 36), Qt::ControlModifier), Qt::MoveAction);

    const DWORD enterKeys = MK_LBUTTON | MK_CONTROL | MK_ALT;
    EXPECT_EQ(window.target.calls, (Calls{
                                       "enter 20,30 keys=" + std::to_string(enterKeys) + " data=abc",
                                       "over 25,35 keys=" + std::to_string(MK_LBUTTON | MK_SHIFT) + " data=abc",
                                       // asked once more where it is dropped, the button up by then
                                       "over 26,36 keys=" + std::to_string(MK_CONTROL) + " data=abc",
                                       "drop 26,36 keys=" + std::to_string(DROPEFFECT_MOVE) + " data=abc",
                                   }));
    EXPECT_TRUE(window.target.dataKept);
    EXPECT_EQ(window.target.scrolls, 1);   // before the one move
}

TEST(DropTarget, AnEffectOutsideWhatTheSourceAllowsIsCutDown) {
    const struct {
        DROPEFFECT answer;
        Qt::DropActions allowed;
        Qt::DropAction expected;
    } cases[] = {
        {DROPEFFECT_MOVE, Qt::CopyAction | Qt::MoveAction, Qt::MoveAction},
        {DROPEFFECT_MOVE, Qt::CopyAction, Qt::CopyAction},   // a move the source forbids copies
        {DROPEFFECT_LINK, Qt::CopyAction | Qt::MoveAction, Qt::IgnoreAction},
        {DROPEFFECT_LINK, Qt::CopyAction | Qt::LinkAction, Qt::LinkAction},
        {DROPEFFECT_COPY, Qt::MoveAction, Qt::IgnoreAction},
        {DROPEFFECT_NONE, Qt::CopyAction, Qt::IgnoreAction},
    };
    CTargetWindow window;
    const std::unique_ptr<QMimeData> data = OurData();
    for (const auto& c : cases) {
        const ToolkitDrag drag{window.wnd.GetWidget(), data.get(), c.allowed};
        window.target.overAnswer = c.answer;
        drag.Enter(QPoint(5, 5));
        EXPECT_EQ(drag.Move(QPoint(6, 6)), c.expected) << c.answer;
        drag.Leave();
    }
}

TEST(DropTarget, ARefusedDropIsALeaveAndAFailedOneAnswersNothing) {
    CTargetWindow window;
    const std::unique_ptr<QMimeData> data = OurData();
    const ToolkitDrag drag{window.wnd.GetWidget(), data.get()};

    window.target.overAnswer = DROPEFFECT_NONE;
    drag.Enter(QPoint(5, 5));
    EXPECT_EQ(drag.Move(QPoint(6, 6)), Qt::IgnoreAction);
    window.target.calls.clear();
    EXPECT_EQ(drag.Drop(QPoint(7, 7)), Qt::IgnoreAction);
    EXPECT_EQ(window.target.calls.back(), "leave");

    window.target.overAnswer = DROPEFFECT_COPY;
    window.target.dropAnswer = FALSE;
    drag.Enter(QPoint(5, 5));
    EXPECT_EQ(drag.Drop(QPoint(7, 7)), Qt::IgnoreAction);
    EXPECT_EQ(window.target.calls.back().substr(0, 4), "drop");
}

TEST(DropTarget, AScrollAnswerIsTheMovesEffectWithoutOnDragOver) {
    CTargetWindow window;
    const std::unique_ptr<QMimeData> data = OurData();
    const ToolkitDrag drag{window.wnd.GetWidget(), data.get()};
    drag.Enter(QPoint(5, 5));
    window.target.calls.clear();

    window.target.scrollAnswer = DROPEFFECT_SCROLL | DROPEFFECT_MOVE;
    EXPECT_EQ(drag.Move(QPoint(5, 195)), Qt::MoveAction);
    EXPECT_TRUE(window.target.calls.empty());
    window.target.scrollAnswer = DROPEFFECT_SCROLL | DROPEFFECT_NONE;
    EXPECT_EQ(drag.Move(QPoint(5, 196)), Qt::IgnoreAction);
    EXPECT_TRUE(window.target.calls.empty());

    window.target.scrollAnswer = DROPEFFECT_NONE;   // scrolling over: moves go to OnDragOver again
    EXPECT_EQ(drag.Move(QPoint(5, 100)), Qt::CopyAction);
    EXPECT_EQ(window.target.calls.size(), 1u);
    drag.Leave();
}

TEST(DropTarget, OnDragScrollRepeatsWhileTheDragHovers) {
    CManualClock clock;
    CTargetWindow window;
    const std::unique_ptr<QMimeData> data = OurData();
    const ToolkitDrag drag{window.wnd.GetWidget(), data.get()};

    clock.Advance(500);
    EXPECT_EQ(window.target.scrolls, 0);   // no drag yet
    drag.Enter(QPoint(5, 5));
    clock.Advance(kScrollRepeatMs - 1);
    EXPECT_EQ(window.target.scrolls, 0);
    clock.Advance(1);
    EXPECT_EQ(window.target.scrolls, 1);
    clock.Advance(2 * kScrollRepeatMs);
    EXPECT_EQ(window.target.scrolls, 3);
    EXPECT_TRUE(window.target.dataKept);

    drag.Leave();
    clock.Advance(4 * kScrollRepeatMs);
    EXPECT_EQ(window.target.scrolls, 3);

    drag.Enter(QPoint(5, 5));
    drag.Drop(QPoint(5, 5));   // a drop ends the hover too
    clock.Advance(4 * kScrollRepeatMs);
    EXPECT_EQ(window.target.scrolls, 3);
}

TEST(DropTarget, RegisteringRevokingAndFindingTheTarget) {
    CWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr, "Target", WS_VISIBLE, CRect(0, 0, 100, 100), nullptr, 0));
    CRecordingTarget target, second;
    EXPECT_EQ(target.Register(nullptr), 0);
    EXPECT_EQ(target.Register(&wnd), 1);
    EXPECT_EQ(target.Register(&wnd), 0);
    EXPECT_EQ(second.Register(&wnd), 0);   // one target a window
    EXPECT_EQ(COleDropTarget::FromWindow(&wnd), &target);
    EXPECT_EQ(target.GetWindow(), &wnd);

    target.Revoke();
    EXPECT_EQ(COleDropTarget::FromWindow(&wnd), nullptr);
    EXPECT_FALSE(wnd.GetWidget()->acceptDrops());
    const std::unique_ptr<QMimeData> data = OurData();
    const ToolkitDrag drag{wnd.GetWidget(), data.get()};
    EXPECT_FALSE(drag.Enter(QPoint(5, 5)));
    EXPECT_TRUE(target.calls.empty());
    EXPECT_EQ(second.Register(&wnd), 1);
}

TEST(DropTarget, ATargetRevokedByItsOwnDropIsLetGoSafely) {
    CTargetWindow window;
    window.target.revokeOnDrop = true;
    const std::unique_ptr<QMimeData> data = OurData();
    const ToolkitDrag drag{window.wnd.GetWidget(), data.get()};
    drag.Enter(QPoint(5, 5));
    EXPECT_EQ(drag.Drop(QPoint(5, 5)), Qt::CopyAction);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(COleDropTarget::FromWindow(&window.wnd), nullptr);
    EXPECT_FALSE(drag.Enter(QPoint(5, 5)));
}

// ---- the base passes everything to a view ----------------------------------------------

class CRecordingView : public CView {
public:
    Calls* calls = nullptr;
    DROPEFFECT OnDragEnter(COleDataObject* data, DWORD keyState, CPoint point) override {
        calls->push_back(Line("enter", point, keyState, data));
        return DROPEFFECT_MOVE;
    }
    DROPEFFECT OnDragOver(COleDataObject* data, DWORD keyState, CPoint point) override {
        calls->push_back(Line("over", point, keyState, data));
        return DROPEFFECT_MOVE;
    }
    void OnDragLeave() override { calls->push_back("leave"); }
    BOOL OnDrop(COleDataObject* data, DROPEFFECT effect, CPoint point) override {
        calls->push_back(Line("drop", point, effect, data));
        return TRUE;
    }
};

TEST(DropTarget, TheBasePassesItsCallsToAView) {
    Calls calls;
    auto* view = new CRecordingView;   // goes with its window
    view->calls = &calls;
    ASSERT_TRUE(view->Create(nullptr, "View", WS_VISIBLE, CRect(0, 0, 200, 100), nullptr, 0));
    COleDropTarget target;
    ASSERT_EQ(target.Register(view), 1);
    // The view scrolls nothing by default, so the move reaches its OnDragOver.
    EXPECT_EQ(view->CView::OnDragScroll(0, CPoint(1, 1)), DROPEFFECT_SCROLL);

    const std::unique_ptr<QMimeData> data = OurData("xy");
    const ToolkitDrag drag{view->GetWidget(), data.get()};
    drag.Enter(QPoint(1, 2));
    EXPECT_EQ(drag.Move(QPoint(3, 4)), Qt::MoveAction);
    drag.Leave();
    drag.Enter(QPoint(1, 2));
    EXPECT_EQ(drag.Drop(QPoint(5, 6)), Qt::MoveAction);
    EXPECT_EQ(calls, (Calls{"enter 1,2 keys=1 data=xy", "over 3,4 keys=1 data=xy", "leave", "enter 1,2 keys=1 data=xy",
                            "over 5,6 keys=0 data=xy", "drop 5,6 keys=2 data=xy"}));
    target.Revoke();
    view->DestroyWindow();
}

// ---- files dropped on a registered window -----------------------------------------------

// A window around the target that opens dropped files, as a frame does.
class CFilesFrame : public CWnd {
public:
    int drops = 0;
    void OnDropFiles(HDROP hDropInfo) {
        ++drops;
        DragFinish(hDropInfo);
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CFilesFrame, CWnd)
    ON_WM_DROPFILES()
END_MESSAGE_MAP()

TEST(DropTarget, AFileDroppedOnARegisteredWindowGoesToItsTargetNotToTheFrame) {
    CFilesFrame frame;
    ASSERT_TRUE(frame.Create(nullptr, "Frame", WS_VISIBLE, CRect(0, 0, 400, 300), nullptr, 0));
    frame.DragAcceptFiles(TRUE);
    CTargetWindow window(&frame, CRect(50, 40, 350, 240));
    frame.GetWidget()->show();
    QApplication::processEvents();

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/tmp/dropped.png")});
    CDragScript script;
    for (DROPEFFECT answer : {DROPEFFECT_COPY, DROPEFFECT_NONE}) {
        window.target.overAnswer = answer;
        window.target.calls.clear();
        EXPECT_EQ(script.DropFromOutside(files, &window.wnd, CPoint(10, 20), MK_LBUTTON), answer);
        EXPECT_EQ(window.target.calls.front().substr(0, 5), "enter");
        EXPECT_EQ(frame.drops, 0) << answer;
    }

    // The same through the toolkit's own routing, from the top-level window.
    window.target.overAnswer = DROPEFFECT_NONE;
    window.target.calls.clear();
    QWindow* top = frame.GetWidget()->windowHandle();
    ASSERT_NE(top, nullptr);
    const QPoint inFrame(60, 60);   // (10, 20) in the target window
    QDragEnterEvent enter(inFrame, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(top, &enter);
    QDragMoveEvent move(inFrame, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(top, &move);
    QDropEvent drop(QPointF(inFrame), Qt::CopyAction, &files, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(top, &drop);
    ASSERT_FALSE(window.target.calls.empty());
    EXPECT_EQ(window.target.calls.front(), "enter 10,20 keys=1 data=none");
    EXPECT_EQ(frame.drops, 0);

    // Beside the target, the frame still opens it.
    EXPECT_EQ(script.DropFromOutside(files, &frame, CPoint(10, 10), MK_LBUTTON), DROPEFFECT_COPY);
    EXPECT_EQ(frame.drops, 1);
}

// ---- drag detection ---------------------------------------------------------------------

// A window that counts the mouse messages reaching it.
class CPressedWindow : public CWnd {
public:
    int moves = 0, ups = 0;
    void OnMouseMove(UINT, CPoint) { ++moves; }
    void OnLButtonUp(UINT, CPoint) { ++ups; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CPressedWindow, CWnd)
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

// Moves to each point with the left button held, then releases it at
// `release`, once the detection waits. (One event at a time: posted mouse
// events of one device share their point in the toolkit.)
void MoveAndReleaseLater(QWidget* widget, std::vector<QPoint> moves, QPoint release) {
    QTimer::singleShot(0, widget, [widget, moves, release] {
        for (QPoint point : moves) {
            QMouseEvent move(QEvent::MouseMove, QPointF(point), QPointF(widget->mapToGlobal(point)), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(widget, &move);
        }
        QMouseEvent up(QEvent::MouseButtonRelease, QPointF(release), QPointF(widget->mapToGlobal(release)),
                       Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &up);
    });
}

TEST(DragDetect, APressBecomesADragOnlyPastTheDragDistance) {
    CPressedWindow wnd;
    ASSERT_TRUE(wnd.Create(nullptr, "Pressed", WS_VISIBLE, CRect(0, 0, 300, 200), nullptr, 0));
    QWidget* widget = wnd.GetWidget();
    const int distance = QApplication::startDragDistance();
    const QPoint press(100, 100);
    const QPoint global = widget->mapToGlobal(press);
    const CPoint screen(global.x(), global.y());

    const struct {
        const char* what;
        std::vector<QPoint> moves;   // then the release
        int expected;
    } cases[] = {
        {"released in place", {}, 0},
        {"moved short of the distance", {press + QPoint(distance - 1, 0)}, 0},
        {"moved the distance", {press + QPoint(1, 1), press + QPoint(0, distance)}, 1},
    };
    for (const auto& c : cases) {
        QMouseEvent down(QEvent::MouseButtonPress, QPointF(press), QPointF(global), Qt::LeftButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(widget, &down);
        wnd.moves = wnd.ups = 0;
        MoveAndReleaseLater(widget, c.moves, press);
        EXPECT_EQ(DragDetect(&wnd, screen), c.expected) << c.what;
        EXPECT_EQ(wnd.moves, 0) << c.what;   // the detection's own
        EXPECT_EQ(wnd.ups, c.expected) << c.what;   // a release after the drag is the window's
        EXPECT_EQ(CWnd::GetCapture(), nullptr) << c.what;
    }

    // Without the button down there is no press to follow.
    EXPECT_GE(GetKeyState(VK_LBUTTON), 0);
    EXPECT_EQ(DragDetect(&wnd, screen), 0);
}

// ---- the scripted drag ------------------------------------------------------------------

TEST(DragScript, DetectionAnswersAsScripted) {
    CWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr, "Pressed", WS_VISIBLE, CRect(0, 0, 100, 100), nullptr, 0));
    CDragScript script;
    EXPECT_EQ(DragDetect(&wnd, CPoint(5, 5)), 1);
    script.Detect(false);
    EXPECT_EQ(DragDetect(&wnd, CPoint(5, 5)), 0);
    EXPECT_EQ(script.GetDetectCount(), 2);
}

TEST(DragScript, ADragPlaysItsStepsOverTheWindowsAndAnswersTheDropsEffect) {
    CTargetWindow first, second;
    CWnd bare;   // no target: hears nothing
    ASSERT_TRUE(bare.Create(nullptr, "Bare", WS_VISIBLE, CRect(0, 0, 100, 100), nullptr, 0));
    COleDataSource source;
    source.CacheData(kFormat, {'n', 'o', 't', 'e'});

    CDragScript script;
    script.Move(&first.wnd, CPoint(10, 10));
    script.Move(&bare, CPoint(1, 1));
    script.Move(&second.wnd, CPoint(20, 20), MK_LBUTTON | MK_CONTROL);
    script.Move(&second.wnd, CPoint(21, 22), MK_LBUTTON | MK_CONTROL);
    script.Drop();
    script.Move(&first.wnd, CPoint(30, 30));   // the next drag's
    script.Leave();
    second.target.overAnswer = DROPEFFECT_LINK;

    EXPECT_EQ(source.DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_LINK), DROPEFFECT_LINK);
    EXPECT_EQ(script.GetResult(), DROPEFFECT_LINK);
    EXPECT_EQ(script.GetPending(), 2u);
    EXPECT_EQ(first.target.calls, (Calls{"enter 10,10 keys=1 data=note", "over 10,10 keys=1 data=note", "leave"}));
    EXPECT_EQ(second.target.calls, (Calls{"enter 20,20 keys=9 data=note", "over 20,20 keys=9 data=note",
                                          "over 21,22 keys=9 data=note", "over 21,22 keys=8 data=note",
                                          "drop 21,22 keys=4 data=note"}));

    first.target.calls.clear();
    EXPECT_EQ(source.DoDragDrop(), DROPEFFECT_NONE);   // left undropped
    EXPECT_EQ(first.target.calls.back(), "leave");
    EXPECT_EQ(source.DoDragDrop(), DROPEFFECT_NONE);   // no steps left
    EXPECT_EQ(script.GetDragCount(), 3);
}

TEST(DragScript, ADropOnAWindowThatRefusedTheLastMoveIsALeave) {
    CTargetWindow window;
    window.target.overAnswer = DROPEFFECT_NONE;
    COleDataSource source;
    CDragScript script;
    script.Move(&window.wnd, CPoint(10, 10));
    script.Drop();
    EXPECT_EQ(source.DoDragDrop(), DROPEFFECT_NONE);
    EXPECT_EQ(window.target.calls.back(), "leave");
}

TEST(DragScript, ScriptsNest) {
    CDragScript outer;
    {
        CDragScript inner;
        EXPECT_EQ(CDragScript::GetActive(), &inner);
    }
    EXPECT_EQ(CDragScript::GetActive(), &outer);
}

}  // namespace
