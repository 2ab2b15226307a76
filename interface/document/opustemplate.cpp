#include "interface/document/opustemplate.h"

#include "interface/document/opusdoc.h"
#include "interface/document/opuswnd.h"
#include "interface/document/pluginrecords.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/performance.h"
#include "model/preferences.h"
#include "platform/core/trace.h"
#include "platform/ui/cursor.h"
#include "platform/ui/frame.h"
#include "platform/ui/uiresources.h"
#include "sequencer/midifilters.h"
#include "sequencer/staffperformer.h"

#include <QIcon>
#include <QWidget>

#include <climits>
#include <optional>

namespace {

constexpr const char* kPlaySection = "Sequencer\\Midi\\Play";
constexpr const char* kDefaultDeviceKey = "Default Device";

// Every voice of the piece that plays on a device of its own moves to
// `device` and keeps its channel; voices on the default device stay there.
void MoveVoicesToDevice(ECPerformance* performance, int device) {
    if (!performance)
        return;
    ACFindEvents find;
    find.AddEvtType(ET_STAFF);
    find.Apply(performance);
    MCEventList& staves = find.GetEvents();
    for (POSITION pos = staves.GetHeadPosition(); pos;) {
        auto* staff = dynamic_cast<DCsqStaff*>(DCsqBase::GetPerformer(staves.GetNext(pos), 0));
        LCMidiVoiceMap* voiceMap = staff ? staff->GetVoiceMapFilter() : nullptr;
        if (!voiceMap)
            continue;
        for (int voice = 0; voice < LCMidiVoiceMap::VOICE_COUNT; ++voice)
            if (voiceMap->GetVoiceDevice(voice) != LCMidiVoiceMap::DEFAULT_DEVICE)
                voiceMap->SetVoiceDevChan(voice, device, voiceMap->GetVoiceChannel(voice));
    }
}

}  // namespace

IMPLEMENT_DYNAMIC(MCOpusTemplate, CMultiDocTemplate)

MCOpusTemplate::MCOpusTemplate(UINT resourceId, const CRuntimeClass* frameClass, const CRuntimeClass* viewClass)
    : MCOpusTemplate(resourceId, RUNTIME_CLASS(MCOpusDoc), frameClass, viewClass) {}

MCOpusTemplate::MCOpusTemplate(UINT resourceId, const CRuntimeClass* docClass, const CRuntimeClass* frameClass,
                               const CRuntimeClass* viewClass)
    : CMultiDocTemplate(resourceId, docClass, frameClass, viewClass) {}

CFrameWnd* MCOpusTemplate::CreateNewFrame(CDocument* doc, CFrameWnd* other) {
    return CreateNewFrameClass(doc, other, nullptr, nullptr);
}

CFrameWnd* MCOpusTemplate::CreateNewFrameClass(CDocument* doc, CFrameWnd* other, const CRuntimeClass* frameClass,
                                               const CRuntimeClass* viewClass) {
    if (!frameClass)
        frameClass = m_pFrameClass;
    if (!viewClass)
        viewClass = m_pViewClass;
    // The record gives the frame its view id; a view nobody registered has
    // no id to be opened, titled or found by again, so it gets no frame.
    const CPluginView* record = CPluginView::FindPlugin(viewClass);
    if (!record) {
        Trace("MCOpusTemplate::CreateNewFrameClass: no view record for %s\n",
              viewClass ? viewClass->m_lpszClassName : "(none)");
        return nullptr;
    }
    const UINT viewId = record->GetViewID();

    CCreateContext context;
    context.m_pNewViewClass = viewClass;
    context.m_pCurrentDoc = doc;
    context.m_pCurrentFrame = other;
    context.m_pNewDocTemplate = this;

    if (!frameClass)
        return nullptr;
    CObject* made = frameClass->CreateObject();
    auto* frame = DYNAMIC_DOWNCAST(CFrameWnd, made);
    if (!frame) {
        Trace("MCOpusTemplate::CreateNewFrameClass: %s is no creatable frame\n", frameClass->m_lpszClassName);
        delete made;
        return nullptr;
    }
    if (auto* opusWnd = DYNAMIC_DOWNCAST(MCOpusWnd, frame)) {
        opusWnd->SetViewID(viewId);
        opusWnd->SetDocument(DYNAMIC_DOWNCAST(MCOpusDoc, doc));
    }
    // A frame that fails to load is gone (CFrameWnd::Create deletes it).
    if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context)) {
        Trace("MCOpusTemplate::CreateNewFrameClass: the frame could not be made\n");
        return nullptr;
    }
    // The frame's small icon is the view's, by the view id.
    if (const QIcon icon = LoadIcon(viewId & 0xFFFF); !icon.isNull() && frame->GetWidget())
        frame->GetWidget()->setWindowIcon(icon);
    return frame;
}

CDocument* MCOpusTemplate::OpenDocumentFile(const char* path, BOOL) {
    // The library's flow (a file that fails to open takes its frame and
    // document with it), hidden whatever the caller asked: the document
    // manager shows the views.
    std::optional<CWaitCursor> wait;   // while a file is read
    if (path)
        wait.emplace();
    return CMultiDocTemplate::OpenDocumentFile(path, FALSE);
}

CDocument* MCOpusTemplate::OpenDocumentTemplate(const char* path, BOOL makeVisible) {
    CDocument* doc = OpenDocumentFile(path, makeVisible);
    if (!doc)
        return nullptr;
    SetDefaultTitle(doc);
    doc->SetPathName(nullptr, TRUE);   // the first save asks for a name
    if (auto* opusDoc = DYNAMIC_DOWNCAST(MCOpusDoc, doc)) {
        opusDoc->GetHeader()->SetFormat(DF_NATIVE);
        // The new document owes nothing more to the template file: holding it
        // open would refuse the next document made from the same template.
        opusDoc->ReleaseRootStorage();
        MoveVoicesToDevice(opusDoc->GetBaseEvent(), LoadIntPreference(kPlaySection, kDefaultDeviceKey, 0, 0, INT_MAX));
        if (!makeVisible)
            opusDoc->SetEmbedded(1);
    }
    ++m_nUntitledCount;
    return doc;
}

POSITION MCOpusTemplate::FindDocument(CDocument* doc) const {
    for (POSITION pos = GetFirstDocPosition(); pos;) {
        const POSITION at = pos;
        if (GetNextDoc(pos) == doc)
            return at;
    }
    return nullptr;
}
