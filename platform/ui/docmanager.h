// CDocManager: the application's document templates and what acts on all of
// their documents.
//
// It owns the templates (AddDocTemplate). OpenDocumentFile takes a path to an
// absolute, normal form, and when a document was opened from it already
// brings that document's frame to the front instead of opening it again;
// else the template that takes the file best opens it. File New opens an
// untitled document of the first template; File Open asks for a file name
// through the prompt hook (the GUI installs its open dialog; without one
// nothing is opened) and opens it through the application.
//
// User-interface thread only.
#pragma once

#include "platform/ui/doctemplate.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CDocManager {
public:
    CDocManager();
    virtual ~CDocManager();
    CDocManager(const CDocManager&) = delete;
    CDocManager& operator=(const CDocManager&) = delete;

    // Takes the template (owned from now on).
    virtual void AddDocTemplate(CDocTemplate* pTemplate);
    POSITION GetFirstDocTemplatePosition() const;
    CDocTemplate* GetNextDocTemplate(POSITION& pos) const;
    // The documents of every template.
    int GetOpenDocumentCount() const;

    virtual CDocument* OpenDocumentFile(const char* lpszFileName);
    virtual void OnFileNew();
    virtual void OnFileOpen();
    virtual BOOL SaveAllModified();
    virtual void CloseAllDocuments(BOOL bEndSession);

    // Asks for a file name (`bOpenFileDialog`: to open); FALSE when none was chosen.
    using PromptFileNameHook = std::function<BOOL(std::string& fileName, BOOL bOpenFileDialog,
                                                  CDocTemplate* pTemplate)>;
    // Installs the hook (empty: nothing can be chosen); answers the previous one.
    static PromptFileNameHook SetPromptFileNameHook(PromptFileNameHook hook);
    virtual BOOL DoPromptFileName(std::string& fileName, BOOL bOpenFileDialog, CDocTemplate* pTemplate);

    // The standard failure to open a file no template takes.
    static const char* const kFailedToOpenDoc;

private:
    std::vector<std::unique_ptr<CDocTemplate>> m_templateList;   // owned
};
