#include "interface/document/copycommand.h"

#include "model/findactions.h"
#include "model/voicetrackactions.h"

CCCopy::CCCopy() = default;

CCCopy::~CCCopy() = default;

int CCCopy::GetCommandId() const {
    return CMD_COPY;
}

void CCCopy::Copy(ECBase* event) {
    m_copyList.AddEvent(event, UNSORTED);
}

void CCCopy::Copy(const MCEventList* events) {
    m_copyList.AddEvents(events, UNSORTED);
}

void CCCopy::SetDocument(MCOpusDoc* document) {
    if (!m_pDataOut)
        m_pDataOut = std::make_unique<COleDataOut>();
    m_pDataOut->SetDocument(document);
}

MCOpusDoc* CCCopy::GetDocument() const {
    return m_pDataOut ? m_pDataOut->GetDocument() : nullptr;
}

int CCCopy::SetCopyInfo(int key, const void* data, int size) {
    return m_dataInfo.SetInfoItem(key, data, size);
}

const void* CCCopy::GetCopyInfo(int key) const {
    const void* data = nullptr;
    int size = 0;
    return m_dataInfo.GetInfoItem(key, data, size) ? data : nullptr;
}

int CCCopy::VerifyEvents() {
    if (m_copyList.IsEmpty())
        return 0;
    m_copyList.CollapseToAncestors();
    m_copyList.Sort();

    ACGetVoiceTrack first;
    first.Apply(m_copyList.GetHead());
    const int track = first.GetVoiceTrack().GetTrack();

    // Only the listed events themselves are looked at, not their children.
    ACFindTrackEvents onTrack(track);
    onTrack.SetDepth(0);
    onTrack.Apply(m_copyList, 1);
    m_copyList.RemoveAll();
    m_copyList.AddEvents(&onTrack.GetEvents(), UNSORTED);
    return 1;
}

int CCCopy::Prepare() {
    if (!CCBase::Prepare() || !VerifyEvents())
        return 0;
    m_dataInfo.SetEventType(m_copyList.GetEventType());
    if (!m_pDataOut)
        m_pDataOut = std::make_unique<COleDataOut>();
    return m_pDataOut != nullptr;
}

int CCCopy::Process() {
    if (!CCBase::Process() || !m_pDataOut)
        return 0;
    if (!m_pDataOut->SetInfo(&m_dataInfo) || !m_pDataOut->SetEvents(m_copyList))
        return 0;
    // From here the clipboard owns the source.
    m_pDataOut.release()->SetClipboard();
    return 1;
}
