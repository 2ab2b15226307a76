// Frames and their client items: creation, ownership both ways, copies, the
// archive bytes of a frame with and without its item, and damaged items.
#include "model/frame.h"

#include "tests/model/marking_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// An item that counts the living, to see who deletes it. Outside any
// namespace: archives find it by its name.
class CTestCountedItem : public CScoreCntrItem {
    DECLARE_SERIAL(CTestCountedItem)
public:
    static int s_alive;
    CTestCountedItem() { ++s_alive; }
    ~CTestCountedItem() override { --s_alive; }
};
IMPLEMENT_SERIAL(CTestCountedItem, CScoreCntrItem, 0)
int CTestCountedItem::s_alive = 0;

namespace {

using eventio::Held;
using eventio::Load;
using eventio::NewClassTag;
using eventio::Save;
using marktest::Place;
using marktest::TimedPart;
using marktest::operator+;

TEST(ECFrame, CreatedByNumberWithoutAnItem) {
    Held hold;
    auto* frame = hold(DYNAMIC_DOWNCAST(ECFrame, ECBase::CreateEvent(ET_FRAME)));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->GetClassType(), ET_FRAME);
    EXPECT_EQ(frame->GetFrameType(), 0);
    EXPECT_EQ(frame->GetClientItem(), nullptr);
    std::vector<int> parents;
    frame->GetParentTypes(parents);
    EXPECT_EQ(parents, std::vector<int>{ET_PERFORMANCE});

    frame->SetFrameType(3);
    Place(frame, 0.0f, 0, 0);
    const std::vector<uint8_t> bytes = Save(frame);
    EXPECT_EQ(bytes, NewClassTag("ECFrame") + TimedPart(0.0f, 0x0000) + (std::vector<uint8_t>{0x03, 0x00, 0x00}));
    auto* loaded = hold(DYNAMIC_DOWNCAST(ECFrame, Load(bytes)));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetFrameType(), 3);
    EXPECT_EQ(loaded->GetClientItem(), nullptr);
}

TEST(ECFrame, OwnsItsItemAndTheLinkRunsBothWays) {
    const int before = CTestCountedItem::s_alive;
    {
        Held hold;
        auto* frame = hold(new ECFrame(1));
        auto* first = new CTestCountedItem;
        first->SetECFrame(frame);
        EXPECT_EQ(frame->GetClientItem(), first);
        EXPECT_EQ(first->GetECFrame(), frame);

        // A new item replaces the one held, which is deleted.
        auto* second = new CTestCountedItem;
        frame->SetClientItem(second);
        EXPECT_EQ(second->GetECFrame(), frame);
        EXPECT_EQ(CTestCountedItem::s_alive, before + 1);

        // Moving the item to another frame leaves the first with none.
        auto* other = hold(new ECFrame(2));
        second->SetECFrame(other);
        EXPECT_EQ(frame->GetClientItem(), nullptr);
        EXPECT_EQ(other->GetClientItem(), second);

        // Deleting an item clears its frame's pointer.
        delete second;
        EXPECT_EQ(other->GetClientItem(), nullptr);

        // The copy of a frame has the type, never the item.
        frame->SetClientItem(new CTestCountedItem);
        Place(frame, 2.0f, 1, 1);
        auto* copy = hold(new ECFrame(*frame));
        EXPECT_EQ(copy->GetFrameType(), 1);
        EXPECT_EQ(*copy->GetTime(), MCTime(2.0f));
        EXPECT_EQ(copy->GetClientItem(), nullptr);
        EXPECT_EQ(CTestCountedItem::s_alive, before + 1);
    }
    // The frame deleted its item as it went.
    EXPECT_EQ(CTestCountedItem::s_alive, before);
}

// A frame with its item: the item follows the frame's type byte, and writes
// its frame back as a back reference.
std::vector<uint8_t> FrameWithItemBytes() {
    return NewClassTag("ECFrame") + TimedPart(1.0f, 0x0000) + std::vector<uint8_t>{0x02} +
           std::vector<uint8_t>{0xFF, 0xFF, 0x00, 0x00, 0x0E, 0x00, 'C', 'S', 'c', 'o', 'r', 'e', 'C', 'n', 't', 'r',
                                'I', 't', 'e', 'm'} +
           std::vector<uint8_t>{0x07, 0x00, 0x00, 0x00,   // item number
                                0x01, 0x00,               // draw aspect
                                0x02, 0x00,               // the frame: object 2
                                0x10, 0x27, 0x00, 0x00,   // cx 10000
                                0x88, 0x13, 0x00, 0x00};  // cy 5000
}

TEST(ECFrame, SavesAndLoadsItsItem) {
    Held hold;
    auto* frame = hold(new ECFrame(2));
    Place(frame, 1.0f, 0, 0);
    auto* item = new CScoreCntrItem;
    item->SetItemNumber(7);
    item->SetExtent(10000, 5000);
    frame->SetClientItem(item);
    const std::vector<uint8_t> bytes = Save(frame);
    EXPECT_EQ(bytes, FrameWithItemBytes());

    auto* loaded = hold(DYNAMIC_DOWNCAST(ECFrame, Load(bytes)));
    ASSERT_NE(loaded, nullptr);
    CScoreCntrItem* loadedItem = loaded->GetClientItem();
    ASSERT_NE(loadedItem, nullptr);
    EXPECT_EQ(loadedItem->GetECFrame(), loaded);
    EXPECT_EQ(loadedItem->GetItemNumber(), 7u);
    EXPECT_EQ(loadedItem->GetDrawAspect(), CScoreCntrItem::DVASPECT_CONTENT);
    EXPECT_EQ(loadedItem->GetExtentX(), 10000);
    EXPECT_EQ(loadedItem->GetExtentY(), 5000);
    EXPECT_EQ(Save(loaded), bytes);
    eventio::ExpectEveryCutThrows(bytes, "frame with item");
}

TEST(ECFrame, DamagedItemsAreRefused) {
    // The item's class stored with another schema.
    std::vector<uint8_t> schema = FrameWithItemBytes();
    schema[NewClassTag("ECFrame").size() + TimedPart(1.0f, 0).size() + 3] = 0x01;
    EXPECT_THROW(Load(schema), CArchiveException);

    // The item's frame is no frame: a back reference to the item itself.
    std::vector<uint8_t> notAFrame = FrameWithItemBytes();
    const size_t frameRef = notAFrame.size() - 10;
    ASSERT_EQ(notAFrame[frameRef], 0x02);
    notAFrame[frameRef] = 0x04;
    try {
        Load(notAFrame);
        ADD_FAILURE() << "an item whose frame is no frame was loaded";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::badClass);
    }

    // Two frames handed one item: the second is refused and the item is
    // deleted once, with the first frame.
    const int before = CTestCountedItem::s_alive;
    {
        Held hold;
        auto* parent = hold(new ECWithChild);
        auto* first = new ECFrame(1);
        auto* second = new ECFrame(2);
        parent->AddChild(first, UNSORTED);
        parent->AddChild(second, UNSORTED);
        first->SetClientItem(new CTestCountedItem);
        std::vector<uint8_t> bytes = Save(parent);
        // The second frame's item, null, becomes a back reference to the
        // first's: parent class 1, parent 2, frame class 3, first frame 4,
        // item class 5, item 6.
        ASSERT_EQ(std::vector<uint8_t>(bytes.end() - 3, bytes.end()), (std::vector<uint8_t>{0x02, 0x00, 0x00}));
        bytes[bytes.size() - 2] = 0x06;
        try {
            Load(bytes);
            ADD_FAILURE() << "one item was given to two frames";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::badIndex);
        }
    }
    EXPECT_EQ(CTestCountedItem::s_alive, before);

    // An item whose own bytes are cut short is deleted, not left behind.
    std::vector<uint8_t> counted;
    {
        Held hold;
        auto* frame = hold(new ECFrame(1));
        frame->SetClientItem(new CTestCountedItem);
        counted = Save(frame);
    }
    eventio::ExpectEveryCutThrows(counted, "frame with a counted item");
    EXPECT_EQ(CTestCountedItem::s_alive, before);
}

}  // namespace
