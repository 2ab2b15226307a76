// Test support for documents: the engine's capture devices and a manual clock
// (as the engine tests use them), the performers registered, and a document
// held by the test rather than deleting itself. A fixture derives from
// DocumentParts; the document is made empty (no performance) so a test can
// either start a new piece (NewPiece) or load a file into it. CloseProgram
// ends what a test of the program's windows opened.
#pragma once

#include "interface/document/opusdoc.h"
#include "platform/ui/app.h"
#include "model/findactions.h"
#include "sequencer/performers.h"
#include "tests/sequencer/engine_support.h"

#include <QCoreApplication>
#include <QEvent>

#include <memory>
#include <vector>

namespace doc_support {

struct DocumentParts {
    CManualClock clock{1000};             // made first, gone last
    CCaptureBackend* capture = nullptr;   // owned by the device library
    std::unique_ptr<CPortavel> portavel = engine_support::OpenCapture(capture, false);
    std::unique_ptr<MCOpusDoc> doc = MakeDocument();

    DocumentParts() = default;
    // The document goes first (its tree to a release thread), then the
    // release threads are waited for, so no test leaves a tree behind.
    ~DocumentParts() {
        if (MCOpusDoc::GetActiveDoc() == doc.get())
            MCOpusDoc::SetActiveDoc(nullptr);
        doc.reset();
        MCOpusDoc::WaitThreadsFinished(0);
    }

    // A new piece in the document: a performance with its conductor and the
    // sequence attached.
    void NewPiece() { doc->OnNewDocument(); }

    static std::unique_ptr<MCOpusDoc> MakeDocument() {
        RegisterPerformers();
        auto document = std::make_unique<MCOpusDoc>();
        document->m_bAutoDelete = false;
        return document;
    }
};

// The events of a type under an event, in walk order; none for null.
inline std::vector<ECBase*> FindEvents(ECBase* root, int type) {
    std::vector<ECBase*> found;
    if (!root)
        return found;
    ACFindEvents find;
    find.AddEvtType(type);
    find.Apply(root);
    MCEventList& events = find.GetEvents();
    for (POSITION pos = events.GetHeadPosition(); pos;)
        found.push_back(events.GetNext(pos));
    return found;
}

// Closes what a program test opened: every document (unsaved changes
// dropped), the main frame while it still stands, the windows deleted later;
// then no document is active and the documents' threads have ended.
inline void CloseProgram(CWinApp& app, CWnd* main, HWND mainHandle) {
    app.CloseAllDocuments(TRUE);
    if (CWnd::FromHandle(mainHandle) == main)
        main->DestroyWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    MCOpusDoc::SetActiveDoc(nullptr);
    MCOpusDoc::WaitThreadsFinished(0);
}

}   // namespace doc_support
