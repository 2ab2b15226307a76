// The framework's document and view: what a document of the program is
// before it knows anything of music.
//
// CDocument holds a path and a title, a modified flag and the views that show
// it, and runs the standard flows around files: open a plain file and read it
// through Serialize; save through Serialize into a new file beside the old one
// that replaces it only when complete (so a failed save never loses the old
// file); ask whether to save changes; ask for a path on Save As. The questions
// and errors go through prompts (prompt.h), so tests script them; the path
// question goes through a hook the GUI fills with its save dialog.
//
// CView is the base of what shows a document: the document tells every view of
// an update with a hint and a hint object. A view is a window (CWnd) once a
// frame made it (frame.h: CFrameWnd::CreateView); a view that never gets a
// window still registers, updates and routes commands. A view with a window
// belongs to it: it deletes itself when the window goes (PostNcDestroy).
//
// Commands: a view asks its own table, then its document; the document asks
// its own table (File Close, Save, Save As), then its template (doctemplate.h).
// Closing a document destroys the frames of its views, each once.
//
// User-interface thread only.
#pragma once

#include "platform/core/object.h"
#include "platform/ui/cmdtarget.h"
#include "platform/ui/dragdrop.h"
#include "platform/ui/msgmap.h"
#include "platform/ui/wnd.h"

#include <functional>
#include <string>
#include <vector>

class CArchive;
class CDocTemplate;
class CDC;
class CDocument;
class CException;
class CPrintInfo;
class CFrameWnd;

// The program's name, as messages show it ("Staffwright").
const std::string& GetAppName();
void SetAppName(const std::string& name);

// Something that shows a document. Views register with their document
// (CDocument::AddView) and leave it when they go.
class CView : public CWnd {
    DECLARE_DYNAMIC(CView)
public:
    CView() = default;
    // Leaves its document, and its frame when it is the frame's active view.
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }

    // Called by UpdateAllViews: `hint` and `hintObject` are the sender's.
    virtual void OnUpdate(CView* sender, long hint, CObject* hintObject);
    // The first update after the view joined a document (WM_INITIALUPDATE).
    virtual void OnInitialUpdate();
    // The frame made this view its active one, or another one instead.
    virtual void OnActivateView(BOOL bActivate, CView* pActivateView, CView* pDeactiveView);
    // An edit still in progress (a field typed into and not yet left) goes
    // into the document; called before the document is saved or asked
    // whether it changed. The base has none.
    virtual void CommitPendingEdit();

    // Its own table, then its document's route.
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

    // ---- drops (dragdrop.h): what a COleDropTarget registered for the view
    // passes on. The base takes nothing and scrolls nothing.
    virtual DROPEFFECT OnDragEnter(COleDataObject* pDataObject, DWORD dwKeyState, CPoint point);
    virtual DROPEFFECT OnDragOver(COleDataObject* pDataObject, DWORD dwKeyState, CPoint point);
    virtual void OnDragLeave();
    virtual BOOL OnDrop(COleDataObject* pDataObject, DROPEFFECT dropEffect, CPoint point);
    // DROPEFFECT_SCROLL alone: no scrolling, so the move goes to OnDragOver.
    virtual DROPEFFECT OnDragScroll(DWORD dwKeyState, CPoint point);

    // ---- drawing and printing (viewprint.cpp; print.h) ----------------------------------
    // Draws the view's content on `pDC` (screen, printer or preview); nothing here.
    virtual void OnDraw(CDC* pDC);
    // Sets `pDC` up before drawing; when printing, `pInfo` is the job (a view
    // may end the page loop by clearing m_bContinuePrinting). Nothing here.
    virtual void OnPrepareDC(CDC* pDC, CPrintInfo* pInfo = nullptr);

protected:
    // The printing protocol, in order: OnPreparePrinting (pages, then
    // DoPreparePrinting; FALSE cancels), OnBeginPrinting, per page
    // OnPrepareDC and OnPrint (OnDraw here), OnEndPrinting.
    virtual BOOL OnPreparePrinting(CPrintInfo* pInfo);
    // The print dialog (none for direct printing or preview); FALSE when the
    // user cancels or direct printing finds no printer (it says so).
    BOOL DoPreparePrinting(CPrintInfo* pInfo);
    virtual void OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo);
    virtual void OnPrint(CDC* pDC, CPrintInfo* pInfo);
    virtual void OnEndPrinting(CDC* pDC, CPrintInfo* pInfo);
    // Print (the dialog), direct print, print preview: a view that prints
    // maps its commands to these; one that does not leaves them disabled.
    afx_msg void OnFilePrint();
    afx_msg void OnFilePrintDirect();
    afx_msg void OnFilePrintPreview();

    // WM_CREATE: joins the document of the creation context (CCreateContext).
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    // Its frame forgets it as the active view.
    afx_msg void OnDestroy();
    afx_msg LRESULT OnInitialUpdateMessage(WPARAM, LPARAM);
    // A view with a window is its frame's: it goes with its window.
    void PostNcDestroy() override;
    DECLARE_MESSAGE_MAP()

private:
    friend class CDocument;
    friend class CViewPrinting;         // the page loop (viewprint.cpp)
    CDocument* m_pDocument = nullptr;   // borrowed; set while registered
};

class CDocument : public CCmdTarget {
    DECLARE_DYNAMIC(CDocument)
public:
    // Asks for a path to save a document under. `path` holds a proposal on
    // entry and the chosen path on exit; `saveAs` is 0 for a first save of an
    // untitled document. Returns non-zero when the user chose a path.
    using SavePathHook = std::function<int(CDocument* document, std::string& path, int saveAs)>;
    // Installs the hook (empty: no path can be chosen, so Save As fails
    // quietly). Returns the previous one.
    static SavePathHook SetSavePathHook(SavePathHook hook);

    CDocument();
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;
    // Views still registered are told they have no document any more; the
    // document leaves its template.
    ~CDocument() override;

    // The template that made the document (set by CDocTemplate::AddDocument); null when none.
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
    CDocTemplate* m_pDocTemplate = nullptr;   // borrowed

    // Its own table, then its template's.
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

    // Whether `pFrame` may close: yes when another frame still shows the
    // document, else as SaveModified answers.
    virtual BOOL CanCloseFrame(CFrameWnd* pFrame);
    // Called before a frame of the document is destroyed; the base does nothing.
    virtual void PreCloseFrame(CFrameWnd* pFrame);
    // Numbers the frames showing the document ("Score:1", "Score:2") when
    // there are several, and has each of them retitle itself.
    virtual void UpdateFrameCounts();

    // The file the document was opened from or saved to; empty when untitled.
    const std::string& GetPathName() const { return m_strPathName; }
    // Stores the path and takes the file name as the title. A null or empty
    // path empties the path and keeps the title.
    virtual void SetPathName(const char* path, int addToRecent = 1);
    const std::string& GetTitle() const { return m_strTitle; }
    // Names the document and has every frame showing it retitle itself.
    virtual void SetTitle(const std::string& title);

    int IsModified() const { return m_bModified; }
    virtual void SetModifiedFlag(int modified = 1) { m_bModified = modified != 0; }

    // Whether OnCloseDocument deletes the document (on by default; tests and
    // documents held by value turn it off).
    bool m_bAutoDelete = true;

    void AddView(CView* view);
    void RemoveView(CView* view);
    const std::vector<CView*>& GetViews() const { return m_views; }
    // Calls OnUpdate of every view but the sender, in registration order.
    void UpdateAllViews(CView* sender, long hint = 0, CObject* hintObject = nullptr);

    // Reads or writes the document's data.
    void Serialize(CArchive& ar) override;

    // Empties the document; the base does nothing.
    virtual void DeleteContents();
    // Prepares an empty untitled document: DeleteContents, unmodified. 1.
    virtual int OnNewDocument();
    // Opens a plain file: read with others denied writing; emptied, read
    // through Serialize when not empty, unmodified. On failure the document is
    // emptied, the failure reported (ReportSaveLoadException) and 0 returned.
    virtual int OnOpenDocument(const char* path);
    // Saves into a plain file through Serialize: the bytes go to a new file
    // beside `path`, which replaces it only when complete; a link at `path`
    // stays a link to the replaced file, which keeps its permissions and
    // owner. On failure the old file stays as it was, the failure is reported
    // (as a file error) and 0 returned.
    virtual int OnSaveDocument(const char* path);
    // Destroys the frames of its views (each once, PreCloseFrame first) and
    // lets go of views without a frame, empties the document and deletes it
    // when m_bAutoDelete is set.
    virtual void OnCloseDocument();

    // Each view's edit in progress into the document (CommitPendingEdit).
    void CommitPendingEdits();
    // When modified (after the views' edits in progress are in), asks "Save
    // changes to %s?" (Yes, No, Cancel): Yes saves (DoFileSave), No goes on,
    // Cancel stops. Returns non-zero to go on.
    virtual int SaveModified();
    // Saves under `path`, or asks for one (the save-path hook) when `path` is
    // null. With `replace` the document takes the new path and title.
    // Returns non-zero when saved.
    virtual int DoSave(const char* path, int replace = 1);
    // Saves under the document's path, or asks for one when untitled or when
    // the file cannot be written (read-only). Returns non-zero when saved.
    virtual int DoFileSave();
    // Asks for a path through the hook; `saveAs` as the hook takes it.
    virtual int GetSavePath(std::string& path, int saveAs);

    // Shows what went wrong: the exception's own message when it has one,
    // else the standard text that the document failed to open or to save.
    // A user exception shows nothing (the user was told already).
    virtual void ReportSaveLoadException(const char* path, const CException* exception, int saving);

    // The standard texts of a failed open and save ("%s" is the file name).
    static const char* const kOpenFailed;
    static const char* const kSaveFailed;
    static const char* const kSaveChanges;

protected:
    // The standard commands: File Close (when SaveModified agrees,
    // OnCloseDocument), File Save (DoFileSave), File Save As (DoSave(null)).
    afx_msg void OnFileClose();
    afx_msg void OnFileSave();
    afx_msg void OnFileSaveAs();
    DECLARE_MESSAGE_MAP()

    // The plain-file halves of OnOpenDocument and OnSaveDocument, without the
    // report: they throw what went wrong.
    void ReadPlainFile(const char* path);
    void WritePlainFile(const char* path);

private:
    std::string m_strPathName;
    std::string m_strTitle;
    bool m_bModified = false;
    std::vector<CView*> m_views;   // borrowed; each view unregisters itself
};
