#include "platform/ui/document.h"

#include "platform/core/archive.h"
#include "platform/core/exceptions.h"
#include "platform/core/file.h"
#include "platform/core/filesys.h"
#include "platform/core/format.h"
#include "platform/storage/storagefiles.h"
#include "platform/ui/app.h"
#include "platform/ui/commands.h"
#include "platform/ui/doctemplate.h"
#include "platform/ui/frame.h"
#include "platform/ui/prompt.h"

#include <algorithm>

namespace {

std::string& AppName() {
    static std::string name = "Staffwright";
    return name;
}

CDocument::SavePathHook& SavePath() {
    static CDocument::SavePathHook hook;
    return hook;
}

// The file error that matches a storage layer's result.
CFileException::Cause FileCauseOf(SCODE sc) {
    switch (sc) {
    case STG_E_FILENOTFOUND: return CFileException::fileNotFound;
    case STG_E_PATHNOTFOUND:
    case STG_E_INVALIDNAME: return CFileException::badPath;
    case STG_E_TOOMANYOPENFILES: return CFileException::tooManyOpenFiles;
    case STG_E_ACCESSDENIED: return CFileException::accessDenied;
    case STG_E_SHAREVIOLATION: return CFileException::sharingViolation;
    case STG_E_LOCKVIOLATION: return CFileException::lockViolation;
    case STG_E_MEDIUMFULL: return CFileException::diskFull;
    case STG_E_SEEKERROR: return CFileException::badSeek;
    case STG_E_READFAULT:
    case STG_E_WRITEFAULT: return CFileException::hardIO;
    default: return CFileException::generic;
    }
}

std::string FileNameOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

const std::string& GetAppName() { return AppName(); }
void SetAppName(const std::string& name) { AppName() = name; }

// ---------------------------------------------------------------- CView

IMPLEMENT_DYNAMIC(CView, CWnd)

BEGIN_MESSAGE_MAP(CView, CWnd)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_INITIALUPDATE, &CView::OnInitialUpdateMessage)
END_MESSAGE_MAP()

CView::~CView() {
    if (CFrameWnd* frame = GetParentFrame(); frame && frame->GetActiveView() == this)
        frame->SetActiveView(nullptr, FALSE);
    if (m_pDocument)
        m_pDocument->RemoveView(this);
}

void CView::OnUpdate(CView*, long, CObject*) {}

void CView::OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }

void CView::CommitPendingEdit() {}

void CView::OnActivateView(BOOL bActivate, CView* pActivateView, CView*) {
    if (bActivate && pActivateView == this && GetWidget())
        SetFocus();
}

BOOL CView::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    return m_pDocument && m_pDocument->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

int CView::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    if (CWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    auto* context = lpCreateStruct ? static_cast<CCreateContext*>(lpCreateStruct->lpCreateParams) : nullptr;
    if (context && context->m_pCurrentDoc)
        context->m_pCurrentDoc->AddView(this);
    return 0;
}

void CView::OnDestroy() {
    if (CFrameWnd* frame = GetParentFrame(); frame && frame->GetActiveView() == this)
        frame->SetActiveView(nullptr, FALSE);
    CWnd::OnDestroy();
}

LRESULT CView::OnInitialUpdateMessage(WPARAM, LPARAM) {
    OnInitialUpdate();
    return 0;
}

void CView::PostNcDestroy() {
    delete this;
}

// ---------------------------------------------------------------- CDocument

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

BEGIN_MESSAGE_MAP(CDocument, CCmdTarget)
    ON_COMMAND(ID_FILE_CLOSE, &CDocument::OnFileClose)
    ON_COMMAND(ID_FILE_SAVE, &CDocument::OnFileSave)
    ON_COMMAND(ID_FILE_SAVE_AS, &CDocument::OnFileSaveAs)
END_MESSAGE_MAP()

const char* const CDocument::kOpenFailed = "Failed to open document %s.";
const char* const CDocument::kSaveFailed = "Failed to save document %s.";
const char* const CDocument::kSaveChanges = "Save changes to %s?";

CDocument::SavePathHook CDocument::SetSavePathHook(SavePathHook hook) {
    SavePathHook previous = std::move(SavePath());
    SavePath() = std::move(hook);
    return previous;
}

CDocument::CDocument() = default;

CDocument::~CDocument() {
    for (CView* view : m_views)
        view->m_pDocument = nullptr;
    if (m_pDocTemplate)
        m_pDocTemplate->RemoveDocument(this);
}

BOOL CDocument::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    if (CCmdTarget::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    return m_pDocTemplate && m_pDocTemplate->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

void CDocument::OnFileClose() {
    if (SaveModified())
        OnCloseDocument();
}

void CDocument::OnFileSave() { DoFileSave(); }

void CDocument::OnFileSaveAs() { DoSave(nullptr, 1); }

namespace {

// The frames showing a document's views, each once, in the views' order.
std::vector<CFrameWnd*> FramesOf(const std::vector<CView*>& views) {
    std::vector<CFrameWnd*> frames;
    for (CView* view : views)
        if (CFrameWnd* frame = view->GetParentFrame())
            if (std::find(frames.begin(), frames.end(), frame) == frames.end())
                frames.push_back(frame);
    return frames;
}

}  // namespace

BOOL CDocument::CanCloseFrame(CFrameWnd* pFrame) {
    for (CFrameWnd* frame : FramesOf(m_views))
        if (frame != pFrame)
            return TRUE;   // the document stays shown elsewhere
    return SaveModified();
}

void CDocument::PreCloseFrame(CFrameWnd*) {}

void CDocument::UpdateFrameCounts() {
    const std::vector<CFrameWnd*> frames = FramesOf(m_views);
    int number = frames.size() > 1 ? 1 : 0;
    for (CFrameWnd* frame : frames) {
        frame->m_nWindow = number ? number++ : 0;
        frame->OnUpdateFrameTitle(TRUE);
    }
}

void CDocument::SetPathName(const char* path, int addToRecent) {
    if (!path || !*path) {
        m_strPathName.clear();
        return;
    }
    m_strPathName = path;
    SetTitle(FileNameOf(m_strPathName));
    if (CWinApp* app = AfxGetApp(); app && addToRecent)
        app->AddToRecentFileList(m_strPathName.c_str());
}

void CDocument::SetTitle(const std::string& title) {
    m_strTitle = title;
    UpdateFrameCounts();
}

void CDocument::AddView(CView* view) {
    if (!view || view->m_pDocument == this)
        return;
    if (view->m_pDocument)
        view->m_pDocument->RemoveView(view);
    m_views.push_back(view);
    view->m_pDocument = this;
}

void CDocument::RemoveView(CView* view) {
    auto found = std::find(m_views.begin(), m_views.end(), view);
    if (found == m_views.end())
        return;
    m_views.erase(found);
    view->m_pDocument = nullptr;
}

void CDocument::UpdateAllViews(CView* sender, long hint, CObject* hintObject) {
    // A view may leave the document while it is being updated: walk a copy
    // and skip views that are gone.
    const std::vector<CView*> views = m_views;
    for (CView* view : views) {
        if (view == sender)
            continue;
        if (std::find(m_views.begin(), m_views.end(), view) != m_views.end())
            view->OnUpdate(sender, hint, hintObject);
    }
}

void CDocument::Serialize(CArchive&) {}

void CDocument::DeleteContents() {}

int CDocument::OnNewDocument() {
    DeleteContents();
    SetModifiedFlag(0);
    m_strPathName.clear();
    return 1;
}

void CDocument::ReadPlainFile(const char* path) {
    CFile file(path, CFile::modeRead | CFile::shareDenyWrite);
    DeleteContents();
    SetModifiedFlag(1);   // dirty while loading, in case the load fails halfway
    if (file.GetLength() > 0) {
        CArchive ar(&file, CArchive::load | CArchive::bNoFlushOnDelete);
        ar.m_pDocument = this;
        Serialize(ar);
        ar.Close();
    }
    file.Close();
    SetModifiedFlag(0);
}

int CDocument::OnOpenDocument(const char* path) {
    try {
        ReadPlainFile(path);
        return 1;
    } catch (const CException& e) {
        DeleteContents();
        ReportSaveLoadException(path, &e, 0);
    } catch (const std::bad_alloc&) {
        DeleteContents();
        CMemoryException e;
        ReportSaveLoadException(path, &e, 0);
    }
    return 0;
}

void CDocument::WritePlainFile(const char* path) {
    // The whole file is made in memory and handed to the storage layer, which
    // writes it beside the old one and renames it over only once durable, and
    // replaces the file a link names (the link stays), with the old file's
    // permissions and owner.
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store | CArchive::bNoFlushOnDelete);
        ar.m_pDocument = this;
        Serialize(ar);
        ar.Close();
    }
    try {
        storage_files::ReplaceFile(path, file.Detach());
    } catch (const CStorageException& e) {
        // A plain file is no compound file: the user is told of a file error.
        if (e.m_sc == STG_E_INSUFFICIENTMEMORY)
            throw CMemoryException();
        throw CFileException(FileCauseOf(e.m_sc), 0, path);
    }
}

int CDocument::OnSaveDocument(const char* path) {
    try {
        WritePlainFile(path);
        SetModifiedFlag(0);
        return 1;
    } catch (const CException& e) {
        ReportSaveLoadException(path, &e, 1);
    } catch (const std::bad_alloc&) {
        CMemoryException e;
        ReportSaveLoadException(path, &e, 1);
    }
    return 0;
}

void CDocument::OnCloseDocument() {
    // Destroying a frame destroys its views, which leave the document; the
    // document must not go meanwhile, whatever a frame's close does.
    const bool autoDelete = m_bAutoDelete;
    m_bAutoDelete = false;
    // By handle: destroying one frame may have destroyed another.
    std::vector<HWND> frames;
    for (CFrameWnd* frame : FramesOf(m_views))
        frames.push_back(frame->m_hWnd);
    for (HWND hFrame : frames) {
        auto* frame = DYNAMIC_DOWNCAST(CFrameWnd, CWnd::FromHandle(hFrame));
        if (!frame)
            continue;
        PreCloseFrame(frame);
        if (CWnd::FromHandle(hFrame) == frame)
            frame->DestroyWindow();
    }
    m_bAutoDelete = autoDelete;
    const std::vector<CView*> views = m_views;
    for (CView* view : views)
        RemoveView(view);
    DeleteContents();
    if (m_bAutoDelete)
        delete this;
}

void CDocument::CommitPendingEdits() {
    // A copy: a view's commit may not add or remove views, but need not know that.
    const std::vector<CView*> views = m_views;
    for (CView* view : views)
        view->CommitPendingEdit();
}

int CDocument::SaveModified() {
    CommitPendingEdits();
    if (!IsModified())
        return 1;
    std::string name = m_strPathName.empty() ? m_strTitle : FileNameOf(m_strPathName);
    if (name.empty())
        name = "Untitled";
    switch (ShowPrompt(Format(kSaveChanges, name.c_str()), MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
    case IDCANCEL:
        return 0;
    case IDYES:
        return DoFileSave();
    default:
        return 1;
    }
}

int CDocument::GetSavePath(std::string& path, int saveAs) {
    if (!SavePath())
        return 0;
    return SavePath()(this, path, saveAs);
}

int CDocument::DoSave(const char* path, int replace) {
    CommitPendingEdits();
    std::string newPath = path ? path : "";
    if (newPath.empty()) {
        newPath = m_strPathName.empty() ? m_strTitle : m_strPathName;
        if (!GetSavePath(newPath, replace) || newPath.empty())
            return 0;
    }
    // A save may rename the document itself (saved under another
    // extension); only a path left as it was takes the new one.
    const std::string before = m_strPathName;
    if (!OnSaveDocument(newPath.c_str()))
        return 0;
    if (replace && m_strPathName == before)
        SetPathName(newPath.c_str());
    return 1;
}

int CDocument::DoFileSave() {
    if (m_strPathName.empty())
        return DoSave(nullptr);
    uint8_t attributes = 0;
    if (GetFileAttributes(m_strPathName, attributes) && (attributes & CFile::readOnly))
        return DoSave(nullptr);
    return DoSave(m_strPathName.c_str());
}

void CDocument::ReportSaveLoadException(const char* path, const CException* exception, int saving) {
    const std::string name = FileNameOf(path ? path : m_strPathName);
    const std::string fallback = Format(saving ? kSaveFailed : kOpenFailed, name.c_str());
    if (exception)
        exception->ReportError(MB_ICONEXCLAMATION, fallback);
    else
        ShowPrompt(fallback, MB_ICONEXCLAMATION);
}
