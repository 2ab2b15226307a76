// Document templates: what makes a kind of document with its frames and views.
//
// A template joins a document class, a frame class and a view class (all
// made by their run-time classes) with a resource id: the frame's menu and
// accelerators, and the string of the id, whose "\n"-separated parts are the
// window title, the document name (the base of untitled documents' titles),
// the file-new name, the filter name, the filter extension ...
// (GetDocString).
//
// CMultiDocTemplate keeps any number of documents, each in one or more MDI
// child frames; its menu and accelerators are shared by its frames (an
// active child shows its template's menu on the main window's menu bar).
// OpenDocumentFile makes a document, its frame and view, then reads the file
// (or, for no path, prepares an untitled document titled with the document
// name, "Untitled" when there is none, and the next number: "Untitled1",
// "Untitled2" ...) and runs the frame's initial update. Failures to make the
// document or its frame show "Failed to create empty document." through the
// prompts; a failed read was reported by the document.
//
// A template asks its own table for commands its documents pass on. The
// document manager (docmanager.h) owns the templates; a template's
// documents go on living on their own (each closes itself). User-interface
// thread only.
#pragma once

#include "platform/core/position.h"
#include "platform/ui/cmdtarget.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CDocument;
class CFrameWnd;
class CMenu;
struct AcceleratorTable;

// The POSITION of a list's index and back (index + 1, so that null ends a walk).
inline POSITION PositionOfIndex(std::size_t index) {
    return reinterpret_cast<POSITION>(static_cast<std::uintptr_t>(index + 1));
}
inline std::size_t IndexOfPosition(POSITION position) {
    return static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>(position)) - 1;
}

class CDocTemplate : public CCmdTarget {
    DECLARE_DYNAMIC(CDocTemplate)
public:
    enum DocStringIndex {
        windowTitle = 0,
        docName = 1,
        fileNewName = 2,
        filterName = 3,
        filterExt = 4,
        regFileTypeId = 5,
        regFileTypeName = 6,
    };
    enum Confidence { noAttempt, maybeAttemptForeign, maybeAttemptNative, yesAttemptForeign, yesAttemptNative,
                      yesAlreadyOpen };

    ~CDocTemplate() override;

    UINT GetResourceId() const { return m_nIDResource; }
    // The part `index` of the template's string; FALSE when it is empty or missing.
    virtual BOOL GetDocString(std::string& rString, DocStringIndex index) const;

    // ---- the documents -----------------------------------------------------------------

    virtual POSITION GetFirstDocPosition() const = 0;
    virtual CDocument* GetNextDoc(POSITION& rPos) const = 0;
    // Takes the document as one of its own (sets its template).
    virtual void AddDocument(CDocument* pDoc);
    virtual void RemoveDocument(CDocument* pDoc);

    // How well the template takes the file: yesAlreadyOpen (and the document)
    // when one of its documents was opened from it, else a guess from the
    // filter extension.
    virtual Confidence MatchDocType(const char* lpszPathName, CDocument*& rpDocMatch);

    // A new document of the document class, added; null when it cannot be made.
    virtual CDocument* CreateNewDocument();
    // A new frame (and view) for the document; null on failure.
    virtual CFrameWnd* CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther);
    virtual void InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible = TRUE);
    // Opens the file in a new document, or (null path) makes an untitled one; see above.
    virtual CDocument* OpenDocumentFile(const char* lpszPathName, BOOL bMakeVisible = TRUE) = 0;
    // Titles an untitled document (see above).
    virtual void SetDefaultTitle(CDocument* pDocument) = 0;

    // Asks each document to save its changes; FALSE when one was cancelled.
    virtual BOOL SaveAllModified();
    // Closes every document (OnCloseDocument).
    virtual void CloseAllDocuments(BOOL bEndSession);

    UINT m_nIDResource;
    const CRuntimeClass* m_pDocClass;     // made by CreateNewDocument
    const CRuntimeClass* m_pFrameClass;   // made by CreateNewFrame
    const CRuntimeClass* m_pViewClass;    // made by the frame

    // The standard failure ("Failed to create empty document.").
    static const char* const kFailedToCreateDoc;

protected:
    CDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass, const CRuntimeClass* pFrameClass,
                 const CRuntimeClass* pViewClass);
};

class CMultiDocTemplate : public CDocTemplate {
    DECLARE_DYNAMIC(CMultiDocTemplate)
public:
    // Loads the shared menu and accelerators of `nIDResource`.
    CMultiDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass, const CRuntimeClass* pFrameClass,
                      const CRuntimeClass* pViewClass);
    // Its documents forget it.
    ~CMultiDocTemplate() override;

    POSITION GetFirstDocPosition() const override;
    CDocument* GetNextDoc(POSITION& rPos) const override;
    void AddDocument(CDocument* pDoc) override;
    void RemoveDocument(CDocument* pDoc) override;
    CDocument* OpenDocumentFile(const char* lpszPathName, BOOL bMakeVisible = TRUE) override;
    void SetDefaultTitle(CDocument* pDocument) override;

    // The menu the template's frames show while active (null when none), and their keys.
    CMenu* GetSharedMenu() const { return m_pMenuShared.get(); }
    const AcceleratorTable* m_hAccelTable = nullptr;   // borrowed from the resources; may be null
    // How many untitled documents it has made.
    UINT m_nUntitledCount = 0;

private:
    std::unique_ptr<CMenu> m_pMenuShared;   // owned
    std::vector<CDocument*> m_docList;      // borrowed; each document removes itself
};
