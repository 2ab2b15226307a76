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
// an update with a hint and a hint object; a view's frame is the GUI's affair.
//
// User-interface thread only.
#pragma once

#include "platform/core/object.h"

#include <functional>
#include <string>
#include <vector>

class CArchive;
class CDocument;
class CException;

// The program's name, as messages show it ("Staffwright").
const std::string& GetAppName();
void SetAppName(const std::string& name);

// Something that shows a document. Views register with their document
// (CDocument::AddView) and leave it when they go.
class CView : public CObject {
    DECLARE_DYNAMIC(CView)
public:
    CView() = default;
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }

    // Called by UpdateAllViews: `hint` and `hintObject` are the sender's.
    virtual void OnUpdate(CView* sender, long hint, CObject* hintObject);
    // The first update after the view joined a document.
    virtual void OnInitialUpdate();

private:
    friend class CDocument;
    CDocument* m_pDocument = nullptr;   // borrowed; set while registered
};

class CDocument : public CObject {
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
    // Views still registered are told they have no document any more.
    ~CDocument() override;

    // The file the document was opened from or saved to; empty when untitled.
    const std::string& GetPathName() const { return m_strPathName; }
    // Stores the path and takes the file name as the title. A null or empty
    // path empties the path and keeps the title.
    virtual void SetPathName(const char* path, int addToRecent = 1);
    const std::string& GetTitle() const { return m_strTitle; }
    virtual void SetTitle(const std::string& title) { m_strTitle = title; }

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
    // Lets go of every view (the GUI closes their frames), empties the
    // document and deletes it when m_bAutoDelete is set.
    virtual void OnCloseDocument();

    // When modified, asks "Save changes to %s?" (Yes, No, Cancel): Yes saves
    // (DoFileSave), No goes on, Cancel stops. Returns non-zero to go on.
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
