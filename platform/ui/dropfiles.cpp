// Files dropped on a window (see dropfiles.h).
#include "platform/ui/dropfiles.h"

#include "platform/ui/app.h"
#include "platform/ui/frame.h"
#include "platform/ui/wnd_private.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace {

// The local files a drop carries, UTF-8.
std::vector<std::string> LocalFiles(const QMimeData* data) {
    std::vector<std::string> files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            files.push_back(url.toLocalFile().toStdString());
    return files;
}

// Takes the drops of file URLs on one window's widget.
class CFileDropFilter : public QObject {
public:
    CFileDropFilter(QWidget* widget, HWND hWnd) : QObject(widget), m_hWnd(hWnd) {}

    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (LocalFiles(drag->mimeData()).empty())
                return false;   // the widget may take other drops itself
            drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            CDropInfo info;
            info.files = LocalFiles(drop->mimeData());
            CWnd* wnd = CWnd::FromHandle(m_hWnd);
            if (info.files.empty() || !wnd)
                return false;
            const QPoint point = drop->position().toPoint();
            info.point = {point.x(), point.y()};
            drop->acceptProposedAction();
            wnd->SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(&info));
            return true;
        }
        default:
            return false;
        }
    }

private:
    HWND m_hWnd;
};

}  // namespace

UINT DragQueryFile(HDROP hDrop, UINT iFile, char* lpszFile, UINT cch) {
    if (!hDrop)
        return 0;
    if (iFile == 0xFFFFFFFFu)
        return static_cast<UINT>(hDrop->files.size());
    if (iFile >= hDrop->files.size())
        return 0;
    const std::string& file = hDrop->files[iFile];
    if (!lpszFile)
        return static_cast<UINT>(file.size());
    return static_cast<UINT>(platform_detail::CopyText(file, lpszFile, cch));
}

BOOL DragQueryPoint(HDROP hDrop, POINT* lppt) {
    if (!hDrop)
        return FALSE;
    if (lppt)
        *lppt = hDrop->point;
    return hDrop->point.x >= 0 && hDrop->point.y >= 0;
}

void DragFinish(HDROP hDrop) {
    if (hDrop)
        hDrop->finished = true;
}

void CWnd::DragAcceptFiles(BOOL bAccept) {
    if (!m_pWidget)
        return;
    // (Not findChildren: the filter has no meta-object of its own to be told apart by.)
    for (QObject* child : m_pWidget->children())
        if (auto* filter = dynamic_cast<CFileDropFilter*>(child)) {
            m_pWidget->removeEventFilter(filter);
            delete filter;
            break;
        }
    m_pWidget->setAcceptDrops(bAccept != FALSE);
    if (bAccept)
        m_pWidget->installEventFilter(new CFileDropFilter(m_pWidget, m_hWnd));
}

void CFrameWnd::OnDropFiles(HDROP hDropInfo) {
    // The program's window comes forward first, so the documents open in front.
    if (QWidget* top = GetTopLevelFrame() ? GetTopLevelFrame()->GetWidget() : nullptr) {
        top->raise();
        top->activateWindow();
    }
    const UINT count = DragQueryFile(hDropInfo, 0xFFFFFFFFu, nullptr, 0);
    CWinApp* app = AfxGetApp();
    for (UINT index = 0; index < count && app; ++index) {
        std::string file(DragQueryFile(hDropInfo, index, nullptr, 0), '\0');
        DragQueryFile(hDropInfo, index, file.data(), static_cast<UINT>(file.size() + 1));
        app->OpenDocumentFile(file.c_str());
    }
    DragFinish(hDropInfo);
}
