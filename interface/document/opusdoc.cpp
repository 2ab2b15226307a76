#include "interface/document/opusdoc.h"

#include "interface/document/opustemplate.h"
#include "interface/document/pluginrecords.h"
#include "model/conductor.h"
#include "model/performance.h"
#include "model/states.h"
#include "platform/core/file.h"
#include "platform/core/sync.h"
#include "platform/core/thread.h"
#include "platform/core/trace.h"
#include "platform/storage/storage.h"
#include "platform/ui/frame.h"

#include <cstdio>
#include <mutex>

IMPLEMENT_DYNCREATE(MCOpusDoc, CDocument)

MCOpusDoc* MCOpusDoc::s_pActiveDoc = nullptr;
std::shared_ptr<CEvent> MCOpusDoc::s_hCloseEvent;
std::atomic<int> MCOpusDoc::s_closeThreadCount{0};

namespace {

constexpr DWORD kCloseWaitMs = 5000;

// Guards the release count together with the close event.
std::mutex& CountLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

MCOpusDoc::MCOpusDoc() {
    // Selections and the transport state are kept by value: the document
    // sets their codes and never lets the state manager delete them.
    for (SCSelection* selection : {&m_selection, &m_previousSelection}) {
        selection->SetCode(STATE_SELECTION_REPLACE);
        selection->SetAutoDelete(0);
    }
    m_performState.SetCode(STATE_PERFORM_STOP);
    m_performState.SetAutoDelete(0);
    std::lock_guard<std::mutex> guard(CountLock());
    if (!s_hCloseEvent)
        s_hCloseEvent = std::make_shared<CEvent>(MANUAL_RESET, SIGNALLED);
}

MCOpusDoc::~MCOpusDoc() {
    DeleteContents();
    ReleaseRootStorage();
    if (s_pActiveDoc == this)
        SetActiveDoc(nullptr);
    if (!m_strTempCopyPath.empty()) {
        if (std::remove(m_strTempCopyPath.c_str()) != 0)
            Trace("could not delete the temporary copy %s\n", m_strTempCopyPath.c_str());
    }
}

// ---------------------------------------------------------------- the tree

ECPerformance* MCOpusDoc::CreatePerformance(int withConductor) {
    auto* performance = new ECPerformance;
    // A new tree is in the current layout; a native load sets the file's.
    performance->SetVersion(ECPerformance::CURRENT_VERSION);
    m_pPerformance = performance;
    performance->Ref();
    performance->AddStateHandler(&MCOpusDoc::_OnUpdate, this);
    if (withConductor)
        performance->AddChild(new ECConductor, 1);
    // The active document's tree is the active one, also when it is replaced.
    if (s_pActiveDoc == this)
        ECPerformance::SetActivePerformance(performance);
    return performance;
}

void MCOpusDoc::DestroyPerformance() {
    m_sequence.Detach();
    ECPerformance* performance = m_pPerformance;
    if (!performance)
        return;
    m_pPerformance = nullptr;
    if (ECPerformance::GetActivePerformance() == performance)
        ECPerformance::SetActivePerformance(nullptr);
    performance->RemoveCommandHandlers();
    performance->RemoveStateHandlers();

    std::shared_ptr<CEvent> closeEvent;
    {
        std::lock_guard<std::mutex> guard(CountLock());
        ++s_closeThreadCount;
        closeEvent = s_hCloseEvent;
        if (closeEvent)
            closeEvent->Reset();
    }
    const bool started = CThread::StartDetached([performance, closeEvent]() -> DWORD {
        ReleaseTree(performance, closeEvent.get());
        return 0;
    });
    if (!started)   // no thread to be had: free the tree here rather than leak it
        ReleaseTree(performance, closeEvent.get());
}

void MCOpusDoc::ReleaseTree(ECPerformance* performance, CEvent* closeEvent) {
    // Under the lock, counted as the managers count: a command or state still
    // in flight may reach the performance on the user-interface thread while
    // this thread lets go of it.
    {
        std::lock_guard tree(performance->GetLock());
        performance->RemoveChildren(1);
    }
    ECPerformance::ReleaseLocked(performance);
    // The count and the event change together, so a release that ends while
    // another starts can never leave the event set with a thread running.
    std::lock_guard<std::mutex> guard(CountLock());
    if (--s_closeThreadCount == 0 && closeEvent)
        closeEvent->Set();
}

unsigned long MCOpusDoc::ThreadDestroyProc(void* data) {
    std::shared_ptr<CEvent> closeEvent;
    {
        std::lock_guard<std::mutex> guard(CountLock());
        closeEvent = s_hCloseEvent;
    }
    ReleaseTree(static_cast<ECPerformance*>(data), closeEvent.get());
    return 0;
}

void MCOpusDoc::WaitThreadsFinished(int closeEvent) {
    std::shared_ptr<CEvent> event;
    {
        std::lock_guard<std::mutex> guard(CountLock());
        event = s_hCloseEvent;
    }
    if (event)
        event->Wait(kCloseWaitMs);
    if (closeEvent) {
        std::lock_guard<std::mutex> guard(CountLock());
        s_hCloseEvent.reset();   // a running release thread keeps its own copy
    }
}

// ---------------------------------------------------------------- activity

MCOpusDoc* MCOpusDoc::SetActiveDoc(MCOpusDoc* doc) {
    if (doc == s_pActiveDoc)
        return doc;
    MCOpusDoc* previous = s_pActiveDoc;
    s_pActiveDoc = doc;
    ECPerformance::SetActivePerformance(doc ? doc->GetBaseEvent() : nullptr);
    return previous;
}

CFrameWnd* MCOpusDoc::GetViewFrame(unsigned viewId, int show) {
    const CPluginView* record = CPluginView::FindPlugin(viewId);
    if (!record)
        return nullptr;
    for (CView* view : GetViews()) {
        if (!view->IsKindOf(record->GetViewClass()))
            continue;
        CFrameWnd* frame = view->GetParentFrame();
        if (frame && show) {
            WINDOWPLACEMENT placement;
            frame->GetWindowPlacement(&placement);
            // A hidden frame comes back as it was placed; it tells SW_HIDE,
            // which would leave it hidden.
            const uint32_t showCmd = placement.showCmd == SW_HIDE ? static_cast<uint32_t>(SW_SHOWNORMAL)
                                                                  : placement.showCmd;
            frame->ActivateFrame(static_cast<int>(showCmd));
        }
        return frame;
    }
    auto* docTemplate = DYNAMIC_DOWNCAST(MCOpusTemplate, GetDocTemplate());
    if (!docTemplate)
        return nullptr;
    CFrameWnd* frame =
        docTemplate->CreateNewFrameClass(this, nullptr, record->GetFrameClass(), record->GetViewClass());
    if (frame && show)
        docTemplate->InitialUpdateFrame(frame, this, TRUE);
    return frame;
}

// ---------------------------------------------------------------- states

int MCOpusDoc::_OnUpdate(ECBase*, int phase, void* state, void* user) {
    if (phase == 0 && state && user) {
        auto* base = static_cast<SCBase*>(state);
        static_cast<MCOpusDoc*>(user)->OnUpdate(static_cast<long>(base->GetCode()), base);
    }
    return 0;
}

void MCOpusDoc::OnUpdate(long code, CObject* state) {
    auto* base = dynamic_cast<SCBase*>(state);
    auto* selection = dynamic_cast<SCSelection*>(state);
    switch (code) {
    case STATE_EVENTS_EDITED:
    case STATE_FILE_MODIFIED:
        SetModifiedFlag(1);
        break;
    case STATE_SELECTION_CLEAR:
        m_previousSelection = m_selection;
        m_selection.ClearSelection();
        break;
    case STATE_SELECTION_REPLACE:
        m_previousSelection = m_selection;
        m_selection.ClearSelection();
        if (selection)
            m_selection.AddToSelection(&selection->GetEvents(0));
        break;
    case STATE_SELECTION_ADD:
        m_previousSelection = m_selection;
        if (selection)
            m_selection.AddToSelection(&selection->GetEvents(0));
        break;
    case STATE_SELECTION_REMOVE:
        m_previousSelection = m_selection;
        if (selection)
            m_selection.RemoveFromSelection(&selection->GetEvents(0));
        break;
    default:
        if (code >= STATE_PERFORM_STOP && code <= STATE_PERFORM_REWIND)
            m_performState.SetCode(static_cast<unsigned>(code));
        break;
    }
    m_sequence.OnUpdate(code, base);
    UpdateAllViews(nullptr, code, state);
}

// ---------------------------------------------------------------- framework

void MCOpusDoc::SetPathName(const char* path, int addToRecent) {
    if (!path || !*path) {
        CDocument::SetPathName(nullptr, addToRecent);
        return;
    }
    CFileStatus status;
    if (CFile::GetStatus(path, status))
        m_header.SetStatus(status);
    CDocument::SetPathName(path, addToRecent);
}

void MCOpusDoc::DeleteContents() {
    m_previousSelection.ClearSelection();
    m_selection.ClearSelection();
    CDocument::DeleteContents();
    DestroyPerformance();
}

int MCOpusDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument())
        return 0;
    m_sequence.Attach(CreatePerformance(1));
    return 1;
}

void MCOpusDoc::OnCloseDocument() {
    m_sequence.Stop();
    if (m_pPerformance) {
        (new SCFile(STATE_FILE_CLOSED))->Apply(m_pPerformance);
        if (s_pActiveDoc == this)
            SetActiveDoc(nullptr);
    }
    ReleaseRootStorage();   // the file is free for others once closed
    CDocument::OnCloseDocument();
}
