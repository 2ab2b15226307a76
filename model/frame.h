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
// Showing, activating and sizing the object come with the notation view.
//
// UI thread, under the performance's lock like the rest of the tree.
#pragma once

#include "model/event.h"
#include "platform/core/object.h"

#include <cstdint>

class ECFrame;

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

private:
    friend class ECFrame;

    uint32_t m_dwItemNumber = 0;
    uint16_t m_nDrawAspect = DVASPECT_CONTENT;
    ECFrame* m_pFrame = nullptr;   // borrowed: the frame owns this item
    int32_t m_cx = 0;
    int32_t m_cy = 0;
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
