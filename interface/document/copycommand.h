// CCCopy: the command that puts a list of events on the clipboard when the
// command manager runs it (id CMD_COPY).
//
// It holds the copy list (a reference on each event), a description of the
// copy (COleDataInfo, by value) and the data source that will carry both
// (owned until it is handed to the clipboard, which owns it from then on).
//
// In the manager's phases, with the performance locked:
//   Prepare  the base Prepare (the target needs a conductor), then
//            VerifyEvents; the description takes the copy list's common
//            event type; a data source is made when there is none;
//   Process  the base Process, then the description and the copy list are
//            archived into the data source, which goes to the clipboard.
// A copy holds the events of one track: VerifyEvents keeps, of the topmost
// listed events in time order, those on the first one's track.
//
// Filled on any thread, run on the user-interface thread (the clipboard is
// that thread's).
#pragma once

#include "interface/document/oledata.h"
#include "interface/document/oledatainfo.h"
#include "model/command.h"

#include <memory>

class MCOpusDoc;

class CCCopy : public CCBase {
public:
    CCCopy();
    // Deletes a data source still held; the list lets go of its events.
    ~CCCopy() override;

    int GetCommandId() const override;   // CMD_COPY

    // Adds one event (null is ignored) or the events of a list to the copy list.
    void Copy(ECBase* event);
    void Copy(const MCEventList* events);

    MCEventList* GetCopyList() { return &m_copyList; }
    COleDataInfo* GetDataInfo() { return &m_dataInfo; }
    // The data source while the command holds it; null before one is made and
    // after it went to the clipboard.
    COleDataOut* GetDataOut() const { return m_pDataOut.get(); }

    // Makes the data source when there is none, and sets its document
    // (borrowed: the archive's document while the events are written).
    void SetDocument(MCOpusDoc* document);
    // The data source's document; null without a data source.
    MCOpusDoc* GetDocument() const;

    // An item of the description (see COleDataInfo::SetInfoItem): 1 when
    // stored, 0 when the key is taken already.
    int SetCopyInfo(int key, const void* data, int size);
    // The bytes of an item of the description (still the description's), or
    // null when the key is absent.
    const void* GetCopyInfo(int key) const;

    // 0 for an empty copy list. Otherwise reduces the list to its topmost
    // events (those under another listed event go), orders them by time,
    // takes the track of the first (its voice/track word or its nearest
    // ancestor's; 2047 when none has one) and keeps only the listed events
    // on that track: 1.
    int VerifyEvents();

    int Prepare() override;
    int Process() override;

private:
    MCEventList m_copyList{10};               // a reference on each event
    COleDataInfo m_dataInfo;
    std::unique_ptr<COleDataOut> m_pDataOut;  // owned until SetClipboard takes it
};
