// The three private clipboard formats through which events travel between
// documents and between running instances of the program, and the classes
// that write and read them:
//   "NorvaneMusicFormat"  the copied events: an event list's own archive
//                         (a count, then each event as an archived object);
//   "NorvaneObjectInfo"   a COleDataInfo's own bytes (oledatainfo.h);
//   "NorvaneObjectData"   the embedded objects of the copied frames, which
//                         their archived items do not carry (model/frame.h):
//                         a count (WriteCount), then for each frame's item
//                           its item number   4 bytes,
//                           MIME type, file name, link path   3 strings,
//                           the object's size 4 bytes, then its bytes.
//                         Offered only when a copied frame has an item; an
//                         older instance offers none, and its frames come
//                         without their objects as they always did.
// All are archives in a memory file (buffer 4096 bytes, growing in steps of
// 4096), offered as bytes. While they are written the archive's document is
// the source document, while they are read the reader's: events consult it
// as they are serialized.
//
// COleDataOut is the data source of a copy or a drag: it holds the copied
// events (a reference on each), the document they come from and the last
// description given to it, and offers the formats. COleDataIn reads them
// back from the clipboard or from a dropped data object. A frame read comes
// with its object when the object format holds one under its item's number,
// and its item always takes a fresh number from the reading document, so
// that a copy never shares the original's storage ("Embedding n").
//
// Data read here may come from another process and is trusted in nothing:
// every count, size and class name is checked against the bytes left and
// the classes known (an object that is not an event, in the event list,
// fails the read). A read that fails leaves nothing behind (the events it
// made are freed) and adds nothing to the caller's list or block.
//
// User-interface thread only (the clipboard is that thread's).
#pragma once

#include "model/lists.h"
#include "platform/ui/clipboard.h"

class COleDataInfo;
class MCOpusDoc;
class SCSelection;

// The registered names of the formats, exactly as other instances
// register them.
inline constexpr const char* CF_MUSICFORMAT_NAME = "NorvaneMusicFormat";
inline constexpr const char* CF_OBJECTINFO_NAME = "NorvaneObjectInfo";
inline constexpr const char* CF_OBJECTDATA_NAME = "NorvaneObjectData";

// Flags of COleDataIn::CheckForData and COleDataIn::GetOurData.
enum : int {
    OLEDATA_ATTACH_CLIPBOARD = 1,   // attach the clipboard first, release it at the end;
                                    // without it the data object attached already (a drop) is read
    OLEDATA_EVENTS = 2,             // the event list in the music format
    OLEDATA_OLEOBJECT = 4,          // an embeddable object can be made from the data (test only):
                                    // a local file offered as a URL, or an image
    OLEDATA_INFO = 8,               // the description in the info format
};

// The data source of a copy or a drag.
class COleDataOut : public COleDataSource {
public:
    // Both register the format names.
    COleDataOut();
    explicit COleDataOut(MCOpusDoc* document);
    // Drops the references on its events.
    ~COleDataOut() override;

    MCOpusDoc* GetDocument() const { return m_pDocument; }
    void SetDocument(MCOpusDoc* document) { m_pDocument = document; }
    COleDataInfo* GetInfo() const { return m_pInfo; }
    MCEventList* GetEvents() { return &m_events; }
    CLIPFORMAT GetMusicFormat() const { return m_cfMusicFormat; }
    CLIPFORMAT GetInfoFormat() const { return m_cfObjectInfo; }

    // Remembers the block (borrowed) and offers its bytes under the info
    // format: 1. 0 for a null block, or when archiving it failed (nothing is
    // offered then).
    int SetInfo(COleDataInfo* info);
    // Holds the list's events in place of its own and offers their archive
    // under the music format, and the objects of its frames under the object
    // format: 1. 0 for an empty list, or when archiving failed (nothing is
    // offered then). The document's performance is locked
    // while the events are archived.
    int SetEvents(const MCEventList& events);
    // SetInfo, then, only when that succeeded, SetEvents with the selection's
    // resolved events (mirrors replaced by the events they show): 1 when both
    // succeeded. The caller then hands the source to the clipboard or a drag.
    int SetFromSelection(SCSelection& selection, COleDataInfo* info);

private:
    MCEventList m_events{10};             // a reference on each event
    MCOpusDoc* m_pDocument = nullptr;     // borrowed, may be null
    COleDataInfo* m_pInfo = nullptr;      // borrowed: the last block given to SetInfo
    CLIPFORMAT m_cfMusicFormat = 0;
    CLIPFORMAT m_cfObjectInfo = 0;
    CLIPFORMAT m_cfObjectData = 0;
};

// Reads the formats from the clipboard or from a drop.
class COleDataIn {
public:
    // Registers the format names. `document` (borrowed, may be null) is
    // the archive's document while events are read.
    explicit COleDataIn(MCOpusDoc* document);
    // Releases the data object.
    ~COleDataIn();
    COleDataIn(const COleDataIn&) = delete;
    COleDataIn& operator=(const COleDataIn&) = delete;

    // The data object: a drop attaches its data here before the reads.
    COleDataObject& GetDataObject() { return m_dataObject; }
    MCOpusDoc* GetDocument() const { return m_pDocument; }
    CLIPFORMAT GetMusicFormat() const { return m_cfMusicFormat; }
    CLIPFORMAT GetInfoFormat() const { return m_cfObjectInfo; }

    // With OLEDATA_ATTACH_CLIPBOARD the clipboard is attached first (0 when
    // it cannot be) and released at the end. The answer is the first that
    // applies: OLEDATA_OLEOBJECT, whether an embeddable object can be made
    // from the data; OLEDATA_EVENTS, whether the music format is offered;
    // OLEDATA_INFO, whether the info format is offered; none of these,
    // whether the music format is offered or an embeddable object can be made.
    int CheckForData(int flags);
    // Reads what the flags ask for; the result reports the last read asked
    // for. With OLEDATA_ATTACH_CLIPBOARD the clipboard is attached first (0
    // at once when it cannot be) and released at the end. With
    // OLEDATA_EVENTS and a list, the events read are appended to it (1);
    // object data offered but damaged fails that read.
    // With OLEDATA_INFO and a block, the result goes back to 0 and the
    // description is read into the block (1). A read that fails (format not
    // offered, damaged data) counts as 0 and leaves the list or block as it
    // was; the other read still happens.
    int GetOurData(MCEventList* events, COleDataInfo* info, int flags);

private:
    // Whether an embedded object can be made from the data: a local file
    // offered as a URL, or an image (embedding.h).
    int CanCreateEmbedded();
    int ReadEvents(MCEventList& events);
    int ReadInfo(COleDataInfo& info);
    // Gives the frames among `events` their objects from the object format,
    // when offered, and their items fresh numbers. 0, changing nothing, when
    // the object data is damaged.
    int FillFrameObjects(MCEventList& events);

    COleDataObject m_dataObject;
    MCOpusDoc* m_pDocument = nullptr;   // borrowed, may be null
    CLIPFORMAT m_cfMusicFormat = 0;
    CLIPFORMAT m_cfObjectInfo = 0;
    CLIPFORMAT m_cfObjectData = 0;
};
