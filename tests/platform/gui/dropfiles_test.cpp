// Dropped files: a frame that accepts them opens each file dropped on it
// through the application; a drop without local files is not taken.
#include "platform/ui/dropfiles.h"

#include "platform/core/resources.h"
#include "platform/ui/app.h"
#include "platform/ui/doctemplate.h"
#include "platform/ui/document.h"
#include "platform/ui/mdi.h"
#include "platform/ui/uiresources.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr UINT IDR_DROP_MAIN = 6330;
constexpr UINT IDR_DROP_DOC = 6331;
STRING_TABLE({IDR_DROP_MAIN, "Drops"}, {IDR_DROP_DOC, "Piece\nPiece\nPiece\nPieces\n.pce"});

class CDroppedDoc : public CDocument {
    DECLARE_DYNCREATE(CDroppedDoc)
};
IMPLEMENT_DYNCREATE(CDroppedDoc, CDocument)
class CDroppedView : public CView {
    DECLARE_DYNCREATE(CDroppedView)
};
IMPLEMENT_DYNCREATE(CDroppedView, CView)

// A window that notes the files dropped on it and where.
class CDropTarget : public CWnd {
public:
    std::vector<std::string> files;
    POINT point{-1, -1};
    void OnDropFiles(HDROP hDropInfo) {
        for (UINT index = 0; index < DragQueryFile(hDropInfo, 0xFFFFFFFFu, nullptr, 0); ++index) {
            char name[512];
            DragQueryFile(hDropInfo, index, name, sizeof name);
            files.emplace_back(name);
        }
        DragQueryPoint(hDropInfo, &point);
        DragFinish(hDropInfo);
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CDropTarget, CWnd)
    ON_WM_DROPFILES()
END_MESSAGE_MAP()

// Drags `urls` over the widget and drops them at `point`; answers whether the drop was taken.
bool Drop(QWidget* widget, const QList<QUrl>& urls, QPoint point = QPoint(20, 30)) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(point), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &drop);
    return drop.isAccepted();
}

TEST(DroppedFiles, AWindowThatAcceptsThemGetsTheLocalFilesAndThePoint) {
    CDropTarget target;
    ASSERT_TRUE(target.Create(nullptr, "Target", WS_VISIBLE, CRect(0, 0, 200, 100), nullptr, 0));
    const QList<QUrl> urls = {QUrl::fromLocalFile("/tmp/a piece.pce"), QUrl("https://example.org/b.pce"),
                              QUrl::fromLocalFile("/tmp/c.pce")};
    EXPECT_FALSE(Drop(target.GetWidget(), urls));   // not accepting yet
    target.DragAcceptFiles(TRUE);
    EXPECT_FALSE(Drop(target.GetWidget(), {QUrl("https://example.org/b.pce")}));   // nothing local
    EXPECT_TRUE(target.files.empty());
    EXPECT_TRUE(Drop(target.GetWidget(), urls, QPoint(20, 30)));
    EXPECT_EQ(target.files, (std::vector<std::string>{"/tmp/a piece.pce", "/tmp/c.pce"}));
    EXPECT_EQ(target.point.x, 20);
    EXPECT_EQ(target.point.y, 30);
    target.files.clear();
    target.DragAcceptFiles(FALSE);
    EXPECT_FALSE(Drop(target.GetWidget(), urls));
    EXPECT_TRUE(target.files.empty());
}

TEST(DroppedFiles, AQueriedNameIsCutToTheBufferAtACharacterBoundary) {
    CDropInfo drop;
    drop.files = {"/tmp/\xC3\xA9t\xC3\xA9.pce"};   // "/tmp/été.pce"
    char buffer[7];
    EXPECT_EQ(DragQueryFile(&drop, 0, nullptr, 0), 14u);
    // Room for 6 bytes: "/tmp/" and not half of the "é".
    EXPECT_EQ(DragQueryFile(&drop, 0, buffer, sizeof buffer), 5u);
    EXPECT_STREQ(buffer, "/tmp/");
    EXPECT_EQ(DragQueryFile(&drop, 1, buffer, sizeof buffer), 0u);
}

TEST(DroppedFiles, AFileDroppedOnTheMainFrameOpens) {
    QTemporaryDir folder;
    const std::string path = folder.filePath("dropped.pce").toStdString();
    std::ofstream(path).flush();
    CWinApp app;
    auto* main = new CMDIFrameWnd;   // deletes itself with its window
    ASSERT_TRUE(main->LoadFrame(IDR_DROP_MAIN));
    const HWND hMain = main->m_hWnd;
    app.m_pMainWnd = main;
    app.AddDocTemplate(new CMultiDocTemplate(IDR_DROP_DOC, RUNTIME_CLASS(CDroppedDoc), RUNTIME_CLASS(CMDIChildWnd),
                                             RUNTIME_CLASS(CDroppedView)));
    main->DragAcceptFiles(TRUE);
    main->ShowWindow(SW_SHOW);

    EXPECT_TRUE(Drop(main->GetWidget(), {QUrl::fromLocalFile(QString::fromStdString(path))}));
    ASSERT_NE(main->GetActiveDocument(), nullptr);
    EXPECT_EQ(main->GetActiveDocument()->GetPathName(), path);

    app.CloseAllDocuments(TRUE);
    // The children go before the main window (an MDI client must outlive its children).
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (CWnd::FromHandle(hMain) == main)
        main->DestroyWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
