// The program's document template: MCOpusDoc documents, each shown in child
// frames made for the registered views (CPluginView records).
//
// A frame is made for a view class, the template's or another registered one
// (MCOpusDoc::GetViewFrame asks for the others): the view's record must be
// registered, since it gives the frame its view id (its title, its icon).
// Documents open hidden: OpenDocumentFile never shows the frame it made,
// whatever it is asked, because which views a newly opened document shows is
// the document manager's choice. A template file (".mmt") opens as a new,
// untitled native document whose voices play on the default play device.
//
// Failures to make a document or its frame show the standard prompt
// ("Failed to create empty document.") and give null; a file that fails to
// open was reported by the document, and its frame and document go.
// User-interface thread only.
#pragma once

#include "platform/ui/doctemplate.h"

class MCOpusTemplate : public CMultiDocTemplate {
    DECLARE_DYNAMIC(MCOpusTemplate)
public:
    // Makes MCOpusDoc documents with the menu and strings of `resourceId`.
    MCOpusTemplate(UINT resourceId, const CRuntimeClass* frameClass, const CRuntimeClass* viewClass);

    // CreateNewFrameClass with the template's frame and view classes.
    CFrameWnd* CreateNewFrame(CDocument* doc, CFrameWnd* other) override;
    // A frame of `frameClass` holding a view of `viewClass` (null: the
    // template's) for `doc`, loaded hidden from the template's resources;
    // an MCOpusWnd learns its view id and document. Null when the view class
    // has no record or the frame cannot be made.
    CFrameWnd* CreateNewFrameClass(CDocument* doc, CFrameWnd* other, const CRuntimeClass* frameClass,
                                   const CRuntimeClass* viewClass);
    // Opens `path` (null: a new untitled document) in a new document with a
    // hidden frame; see the file comment. `makeVisible` is not obeyed.
    CDocument* OpenDocumentFile(const char* path, BOOL makeVisible = TRUE) override;
    // Opens the template file `path` as a new untitled document: native
    // format, no path (its first save asks for one), every voice that names
    // a device moved to the default play device on its own channel. Without
    // `makeVisible` the document counts as embedded.
    CDocument* OpenDocumentTemplate(const char* path, BOOL makeVisible = TRUE);
    // The position of `doc` among the template's documents; null when it is none of them.
    POSITION FindDocument(CDocument* doc) const;

protected:
    MCOpusTemplate(UINT resourceId, const CRuntimeClass* docClass, const CRuntimeClass* frameClass,
                   const CRuntimeClass* viewClass);
};
