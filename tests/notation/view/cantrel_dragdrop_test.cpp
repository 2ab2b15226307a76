// Drags of the selection in score windows, played by a drag script: a move
// within the view, a copy with Ctrl, a move into another view of the same
// document, a press released too soon; and the drop target's scrolling
// near the view's edges, on the manual clock.
#include "model/appstates.h"
#include "notation/autonote/notekey.h"
#include "notation/tools/musiccursor.h"
#include "notation/tools/notecursor.h"
#include "notation/tools/selectcursor.h"
#include "notation/view/droptarget.h"
#include "platform/core/clock.h"
#include "platform/ui/dragdrop.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/tools/insertview_support.h"
#include "tests/platform/file_support.h"

#include <QMimeData>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

constexpr UINT IDR_DRAGS_MAIN = 29973;
constexpr UINT IDR_DRAGS_DOC = 29974;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_DRAGS_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_DRAGS_DOC, kDocMenu);

constexpr int kA4 = 69;   // a staff step above G4

class DragTest : public tool_test::InsertView {
protected:
    DragTest() : InsertView(IDR_DRAGS_MAIN, IDR_DRAGS_DOC) {}

    // Measure 2's first note (G4 on beat 1) selected and pressed: the
    // script's moves then play, the last one at measure 2's beat 1 on A4.
    void DragFirstNote(CDragScript& drag, CCantrel* over, DWORD keys) {
        ECNote* note = Notes(2)[0];
        const CPoint head = HeadPoint(note);
        // Selected beforehand: a press on an element not yet selected
        // selects it and starts a drag at once, which would take the script.
        MCEventList selection;
        selection.AddTail(note);
        (new SCSelection(STATE_SELECTION_REPLACE, &selection))->Apply(performance);
        Settle();
        ASSERT_EQ(Selected(), (std::vector<ECBase*>{note}));
        const CPoint target = PitchPointIn(over, 2, 0, kA4);
        drag.Move(over, CPoint(target.x + 3, target.y), MK_LBUTTON | keys);
        drag.Move(over, target, MK_LBUTTON | keys);
        drag.Drop();
        Press(head);
        Release(head);
        Settle();
    }
    // PitchPoint, in another view of the document.
    CPoint PitchPointIn(CCantrel* other, int number, int tick, int pitch) {
        CCantrel* own = view;
        view = other;
        const CPoint point = PitchPoint(number, tick, pitch);
        view = own;
        return point;
    }
    // The keys of measure 2's notes on beat 1.
    std::vector<int> KeysOnBeatOne() {
        std::vector<int> keys;
        for (ECNote* note : Notes(2))
            if (*note->GetTime() == MCTime(4.0f))
                keys.push_back(GetPlayedKey(note));
        std::sort(keys.begin(), keys.end());
        return keys;
    }

    file_test::TempFolder folder;
};

TEST_F(DragTest, ANoteDraggedAStepHigherMovesThereAndIsSavedSo) {
    ASSERT_TRUE(OpenPiece());
    const size_t before = Notes(2).size();
    CDragScript drag;
    DragFirstNote(drag, view, 0);
    EXPECT_EQ(drag.GetDragCount(), 1);
    EXPECT_EQ(drag.GetResult(), DROPEFFECT_MOVE);
    EXPECT_EQ(KeysOnBeatOne(), (std::vector<int>{kA4})) << "moved, not copied, and removed once";
    EXPECT_EQ(Notes(2).size(), before);
    ASSERT_EQ(Selected().size(), 1u);
    EXPECT_EQ(GetPlayedKey(Selected()[0]), kA4);
    EXPECT_NE(dynamic_cast<CSelectCursor*>(view->GetMusicCursor()), nullptr) << "the mode's tool is back";
    EXPECT_FALSE(view->IsDragging());

    const std::string path = folder.File("moved.mmm");
    document->GetHeader()->SetFormat(DF_NATIVE);
    ASSERT_TRUE(document->OnSaveDocument(path.c_str()));
    const std::string copy = folder.File("copy.mmm");
    std::filesystem::copy_file(path, copy);
    std::unique_ptr<MCOpusDoc> reopened = MakeDocument();
    ASSERT_TRUE(reopened->OnOpenDocument(copy.c_str())) << prompts.GetLast().text;
    std::vector<int> keys;
    for (ECBase* note : doc_support::FindEvents(reopened->GetBaseEvent()->GetConductor()->GetMeasure(1, 2), ET_NOTE))
        if (*note->GetTime() == MCTime(4.0f))
            keys.push_back(GetPlayedKey(note));
    EXPECT_EQ(keys, (std::vector<int>{kA4}));
}

TEST_F(DragTest, WithCtrlTheOriginalStaysAndTheCopyIsSelected) {
    ASSERT_TRUE(OpenPiece());
    ECNote* original = Notes(2)[0];
    CDragScript drag;
    DragFirstNote(drag, view, MK_CONTROL);
    EXPECT_EQ(drag.GetResult(), DROPEFFECT_COPY);
    EXPECT_EQ(KeysOnBeatOne(), (std::vector<int>{tool_test::kG4, kA4}));
    const std::vector<ECBase*> selected = Selected();
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_NE(selected[0], original);
    EXPECT_EQ(GetPlayedKey(selected[0]), kA4);
}

TEST_F(DragTest, AMoveIntoAnotherViewOfTheDocumentRemovesTheDraggedNoteNotTheCopy) {
    ASSERT_TRUE(OpenPiece());
    CFrameWnd* second = docTemplate->CreateNewFrame(document, frame);
    ASSERT_NE(second, nullptr);
    docTemplate->InitialUpdateFrame(second, document, TRUE);
    CCantrel* other = nullptr;
    for (CView* each : document->GetViews())
        if (auto* score = DYNAMIC_DOWNCAST(CCantrel, each); score && score != view)
            other = score;
    ASSERT_NE(other, nullptr);
    SCBase opened(STATE_FILE_OPENED);
    other->OnUpdate(nullptr, STATE_FILE_OPENED, &opened);
    ASSERT_EQ(other->GetBaseEvent(), performance);
    other->SendMessage(WM_PAINT);
    other->UpdateWindow();
    Settle();
    ECNote* original = Notes(2)[0];

    CDragScript drag;
    DragFirstNote(drag, other, 0);
    EXPECT_EQ(drag.GetResult(), DROPEFFECT_MOVE);
    EXPECT_EQ(KeysOnBeatOne(), (std::vector<int>{kA4})) << "the copy stays, the original goes";
    for (ECNote* note : Notes(2))
        EXPECT_NE(note, original);
}

TEST_F(DragTest, APressReleasedWithinTheDragDistanceMovesNothing) {
    ASSERT_TRUE(OpenPiece());
    CDragScript drag;
    drag.Detect(false);
    DragFirstNote(drag, view, 0);
    EXPECT_EQ(drag.GetDetectCount(), 1);
    EXPECT_EQ(drag.GetDragCount(), 0);
    EXPECT_EQ(KeysOnBeatOne(), (std::vector<int>{tool_test::kG4}));
    EXPECT_FALSE(document->IsModified());
}

// ---- scrolling while a drag hovers ----------------------------------------------------------

// The view's drop target with its calls back to the view counted, and the
// drag's data set as a drag over the window sets it.
class CountingTarget : public CCTDropTarget {
public:
    DROPEFFECT OnDragEnter(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point) override {
        ++enters;
        return CCTDropTarget::OnDragEnter(wnd, data, keyState, point);
    }
    void OnDragLeave(CWnd* wnd) override {
        ++leaves;
        CCTDropTarget::OnDragLeave(wnd);
    }
    void SetData(COleDataObject* data) { m_lpDataObject = data; }
    int enters = 0;
    int leaves = 0;
};

TEST(DropTargetSteps, TheStepIsTheDistanceUpToTenThenGrowsWithTheCube) {
    const struct {
        int distance, step;
    } cases[] = {{0, 0}, {10, 10}, {11, 11}, {12, 18}, {15, 135}, {19, 739}, {20, 1010}, {25, 1010},
                 {-1, -1}, {-15, -135}, {-40, -1010}};
    for (const auto& c : cases)
        EXPECT_EQ(CCTDropTarget::DragScrollStep(c.distance), c.step) << c.distance;
}

TEST_F(DragTest, AHoverNearTheBottomScrollsAfterTheFirstDelayThenOnEveryCall) {
    CManualClock clock(1000);
    ASSERT_TRUE(OpenPiece());
    CountingTarget target;
    COleDataObject data;
    target.SetData(&data);
    CRect client;
    view->GetClientRect(&client);
    const CPoint nearBottom(client.CenterPoint().x, client.bottom - 5);
    const CPoint inside = client.CenterPoint();
    const CPoint nearTop(client.CenterPoint().x, client.top + 5);

    // At the top of the score the view cannot go up: as if inside.
    EXPECT_EQ(target.OnDragScroll(view, 0, nearTop), DROPEFFECT_NONE);
    EXPECT_EQ(target.leaves, 0);

    const CPoint start = view->GetScrollPosition();
    EXPECT_EQ(target.OnDragScroll(view, 0, nearBottom), DROPEFFECT_SCROLL | DROPEFFECT_MOVE);
    EXPECT_EQ(target.leaves, 1) << "the drag's feedback goes while the view scrolls";
    clock.Advance(100);
    EXPECT_EQ(target.OnDragScroll(view, MK_CONTROL, nearBottom), DROPEFFECT_SCROLL | DROPEFFECT_COPY);
    EXPECT_EQ(view->GetScrollPosition(), start) << "not before 100 ms";
    clock.Advance(1);
    EXPECT_EQ(target.OnDragScroll(view, MK_CONTROL | MK_SHIFT, nearBottom), DROPEFFECT_SCROLL | DROPEFFECT_LINK);
    const CPoint first = view->GetScrollPosition();
    EXPECT_LT(first.y, start.y) << "down the page (y up)";
    clock.Advance(1);
    target.OnDragScroll(view, 0, nearBottom);
    const CPoint second = view->GetScrollPosition();
    EXPECT_LT(second.y, first.y) << "then on every call";
    EXPECT_EQ(target.leaves, 1);

    EXPECT_EQ(target.OnDragScroll(view, 0, inside), DROPEFFECT_NONE);
    EXPECT_EQ(target.enters, 1) << "back inside, the drag is entered again";
    EXPECT_EQ(view->GetScrollPosition(), second);
    EXPECT_EQ(target.OnDragScroll(view, 0, inside), DROPEFFECT_NONE);
    EXPECT_EQ(target.enters, 1);
    view->OnDragLeave();
}

}  // namespace
