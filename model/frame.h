// Frames around embedded objects, and the item that an embedded object is
// archived as.
//
// ECFrame (type ET_FRAME) hangs under the performance and owns the client
// item of one embedded object: the item is written right after the frame's
// type byte, by reference, and the item writes its frame back by reference
// (a back reference, as the frame is entered in the archive before its own
// bytes). The frame deletes its item when it goes.
//
// CScoreCntrItem is the item as the model keeps it: a placeholder under the
// item's archived class name that holds what a document stores of it, so
// that documents with embedded objects load and save unchanged:
//   the item data  the item number (4 bytes), which names the storage beside
//                  the stream "Contents" that holds the object itself, and
//                  the draw aspect (2 bytes);
//   the frame      by reference;
//   the extent     cx, cy (4 bytes each, HIMETRIC).
// The object itself is not in "Contents": it lives in the item's storage
// "Embedding n" (n the item number) beside it, which the native document
// writes and reads (see interface/document/embedding.h). The item holds what
// that storage holds: the object's bytes, its MIME type, its file name and,
// for a linked object, the path of the file it comes from. An object stored
// there by another program is kept by the document as it was; the item holds
// only its class name and cached picture, for drawing.
// Showing, activating and sizing the object come with the notation view,
// which keeps its own state with the item (CScoreItemState).
//
// UI thread, under the performance's lock like the rest of the tree.
#pragma once

#include "model/event.h"
#include "platform/core/object.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class ECFrame;

// What the notation side keeps with an item (its drawing, an opened copy of
// the object, a watcher on it). The item owns it and deletes it with itself.
class CScoreItemState {
public:
    virtual ~CScoreItemState();
};

class CScoreCntrItem : public CObject {
    DECLARE_SERIAL(CScoreCntrItem)
public:
    // The draw aspect of an object shown with its content.
    static constexpr uint16_t DVASPECT_CONTENT = 1;

    CScoreCntrItem() = default;
    CScoreCntrItem(const CScoreCntrItem&) = delete;
    CScoreCntrItem& operator=(const CScoreCntrItem&) = delete;
    // Clears the frame's pointer to this item (the frame does not delete it
    // again).
    ~CScoreCntrItem() override;

    // The item data, the frame (by reference), the extent. Loading takes the
    // frame read only as a check (it must be a frame); the frame that reads
    // the item becomes its frame.
    void Serialize(CArchive& ar) override;
    // An item whose reading failed is deleted, unless a frame took it
    // meanwhile (then it is the frame's).
    void OnReadFailed() override;

    ECFrame* GetECFrame() const { return m_pFrame; }
    // Joins the item and the frame both ways: the frame owns the item from
    // now on (and deletes an item it held before). Null parts the item from
    // its frame, which then holds none.
    void SetECFrame(ECFrame* frame);

    uint32_t GetItemNumber() const { return m_dwItemNumber; }
    void SetItemNumber(uint32_t number) { m_dwItemNumber = number; }
    uint16_t GetDrawAspect() const { return m_nDrawAspect; }
    void SetDrawAspect(uint16_t aspect) { m_nDrawAspect = aspect; }
    // HIMETRIC units, absolute values; (0, 0) until known.
    int32_t GetExtentX() const { return m_cx; }
    int32_t GetExtentY() const { return m_cy; }
    void SetExtent(int32_t cx, int32_t cy) {
        m_cx = cx;
        m_cy = cy;
    }

    // The object's bytes; for a linked object, the bytes last read from its
    // file.
    const std::vector<uint8_t>& GetData() const { return m_data; }
    void SetData(std::vector<uint8_t> data) { m_data = std::move(data); }
    // The MIME type of the bytes ("image/png"); empty when unknown.
    const std::string& GetMimeType() const { return m_mimeType; }
    void SetMimeType(std::string type) { m_mimeType = std::move(type); }
    // The name of the file the object came from, without its folder.
    const std::string& GetFileName() const { return m_fileName; }
    void SetFileName(std::string name) { m_fileName = std::move(name); }
    // The path of the linked file; empty for an embedded object.
    const std::string& GetLinkPath() const { return m_linkPath; }
    void SetLinkPath(std::string path) { m_linkPath = std::move(path); }
    int IsLinked() const { return m_linkPath.empty() ? 0 : 1; }

    // An object stored by another program: its class name (empty for one of
    // ours) and its cached picture as the bytes of a BMP file (empty when
    // none). Such an item is kept as it was and opens nothing.
    const std::string& GetForeignClassName() const { return m_foreignClass; }
    void SetForeignClassName(std::string name) { m_foreignClass = std::move(name); }
    const std::vector<uint8_t>& GetCachedPicture() const { return m_cachedPicture; }
    void SetCachedPicture(std::vector<uint8_t> picture) { m_cachedPicture = std::move(picture); }

    // The notation side's state, owned; null until it attaches one.
    CScoreItemState* GetState() const { return m_state.get(); }
    void SetState(std::unique_ptr<CScoreItemState> state) { m_state = std::move(state); }

private:
    friend class ECFrame;

    uint32_t m_dwItemNumber = 0;
    uint16_t m_nDrawAspect = DVASPECT_CONTENT;
    ECFrame* m_pFrame = nullptr;   // borrowed: the frame owns this item
    int32_t m_cx = 0;
    int32_t m_cy = 0;
    std::vector<uint8_t> m_data;
    std::string m_mimeType;
    std::string m_fileName;
    std::string m_linkPath;
    std::string m_foreignClass;
    std::vector<uint8_t> m_cachedPicture;
    std::unique_ptr<CScoreItemState> m_state;   // owned
};

class ECFrame : public ECWithTime {
    DECLARE_SERIAL(ECFrame)
public:
    ECFrame() = default;
    explicit ECFrame(unsigned char type) : m_type(type) {}
    // Time, word and frame type; the item stays with the original.
    ECFrame(const ECFrame& other);
    // Deletes the item.
    ~ECFrame() override;

    // After the ECWithTime part: the frame type (1 byte), then the item by
    // reference (null when there is none). Loading refuses (badIndex) an
    // item that another frame already holds.
    void Serialize(CArchive& ar) override;
    int GetClassType() const override;

    unsigned char GetFrameType() const { return m_type; }
    void SetFrameType(unsigned char type) { m_type = type; }

    CScoreCntrItem* GetClientItem() const { return m_pItem; }
    // Takes the item (owned from now on, joined back to this frame) and
    // deletes the one held before; null deletes the item held.
    void SetClientItem(CScoreCntrItem* item);

private:
    friend class CScoreCntrItem;
    // Forgets the item without deleting it (its destructor is running).
    void DetachClientItem(const CScoreCntrItem* item);

    unsigned char m_type = 0;
    CScoreCntrItem* m_pItem = nullptr;   // owned; its m_pFrame points here
};
