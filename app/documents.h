// Visiting every open document of every template of the application, in the
// templates' order. User-interface thread only.
#pragma once

#include "platform/ui/app.h"
#include "platform/ui/docmanager.h"
#include "platform/ui/doctemplate.h"

template <class Visit>
void ForEachOpenDocument(Visit visit) {
    CWinApp* app = AfxGetApp();
    CDocManager* manager = app ? app->GetDocManager() : nullptr;
    if (!manager)
        return;
    POSITION templates = manager->GetFirstDocTemplatePosition();
    while (templates) {
        CDocTemplate* docTemplate = manager->GetNextDocTemplate(templates);
        POSITION documents = docTemplate ? docTemplate->GetFirstDocPosition() : nullptr;
        while (documents)
            visit(docTemplate->GetNextDoc(documents));
    }
}
