// The program's document manager: its own New and Open dialogs, every
// document opened through the one document template (MCOpusTemplate), and
// what follows each opening.
//
// New runs the New dialog (newdocdlg.h): a chosen template file opens as a
// new untitled document, no choice (no template found) makes an empty one.
// Open runs the Open dialog (opendialog.h) and opens each file chosen through
// the application. OpenDocumentFile takes a path as the shell gives it
// (quoted, perhaps followed by more), makes it absolute and follows a
// symbolic link to its target; a document already open from it only comes to
// the front. OnDocumentOpened makes the document the active one, announces
// it to its performance (STATE_FILE_NEW or STATE_FILE_OPENED) and opens the
// views whose "Views\<menu name>"/"Visible" is set; when none of the
// document's frames shows after that, the frame the template made is shown,
// so a document never stays open without a window.
//
// The program installs it as the application's document manager before it
// adds the template. User-interface thread only.
#pragma once

#include "app/opendialog.h"
#include "platform/ui/docmanager.h"

class CDocument;
class MCOpusTemplate;

class MCDocManager : public CDocManager {
public:
    MCDocManager();
    ~MCDocManager() override;

    void OnFileNew() override;
    void OnFileOpen() override;
    // The document opened from `path` (see above); null when it could not be
    // opened (the document told the user why).
    CDocument* OpenDocumentFile(const char* path) override;
    // See the file comment; 1, or 0 for no document.
    static int OnDocumentOpened(CDocument* document, int madeNew);

    // The path OpenDocumentFile opens for what the shell gives: one leading
    // quote dropped, cut at the last quote, absolute, a symbolic link followed.
    static std::string NormalizeShellPath(const char* path);

    COpenDialog& GetOpenDialog() { return m_openDialog; }

private:
    // The one template (the first); null before it is added.
    MCOpusTemplate* GetOpusTemplate() const;

    COpenDialog m_openDialog;   // made once, reused by every Open
};
