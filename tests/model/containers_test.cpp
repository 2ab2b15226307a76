// The untyped containers of the model: pointer lists, callback lists, the
// string map (its hash, its visiting order, its key limit) and bit arrays.
#include "model/bitarray.h"
#include "model/ptrlists.h"
#include "model/stringmap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<int> Values(const MCPtrList& list) {
    std::vector<int> values;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        values.push_back(*static_cast<int*>(list.GetNext(pos)));
    return values;
}

TEST(MCPtrList, InsertsRemovesAndFinds) {
    int v[6] = {0, 1, 2, 3, 4, 5};
    MCPtrList list;
    list.AddTail(&v[2]);
    list.AddHead(&v[1]);
    list.InsertAfter(list.GetTailPosition(), &v[4]);
    list.InsertBefore(list.Find(&v[4]), &v[3]);
    list.InsertBefore(nullptr, &v[0]);   // the head
    list.InsertAfter(nullptr, &v[5]);    // the tail
    EXPECT_EQ(Values(list), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(list.GetCount(), 6);
    EXPECT_EQ(list.GetAt(list.FindIndex(3)), &v[3]);
    EXPECT_EQ(list.FindIndex(6), nullptr);
    EXPECT_EQ(list.Find(&v[0], list.GetHeadPosition()), nullptr);   // searched after the head

    EXPECT_EQ(list.RemoveHead(), &v[0]);
    EXPECT_EQ(list.RemoveTail(), &v[5]);
    EXPECT_EQ(list.RemoveAt(list.Find(&v[3])), &v[3]);
    list.SetAt(list.GetHeadPosition(), &v[5]);
    EXPECT_EQ(Values(list), (std::vector<int>{5, 2, 4}));
    EXPECT_EQ(list.GetHead(), &v[5]);
    EXPECT_EQ(list.GetTail(), &v[4]);

    POSITION pos = list.GetTailPosition();
    std::vector<int> backwards;
    while (pos)
        backwards.push_back(*static_cast<int*>(list.GetPrev(pos)));
    EXPECT_EQ(backwards, (std::vector<int>{4, 2, 5}));

    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
    EXPECT_EQ(list.GetTailPosition(), nullptr);
}

TEST(MCPtrList, ListFormsKeepOrder) {
    int v[4] = {0, 1, 2, 3};
    MCPtrList other;
    other.AddTail(&v[2]);
    other.AddTail(&v[3]);
    MCPtrList list;
    list.AddTail(&v[0]);
    list.AddTail(&v[1]);
    list.AddHead(&other);
    EXPECT_EQ(Values(list), (std::vector<int>{2, 3, 0, 1}));
    list.InsertAfter(list.GetHeadPosition(), &other);
    EXPECT_EQ(Values(list), (std::vector<int>{2, 2, 3, 3, 0, 1}));
    list.InsertBefore(list.GetTailPosition(), &other);
    list.AddTail(&list);   // itself: doubles once
    EXPECT_EQ(list.GetCount(), 16);
}

// ---- MCFuncList ---------------------------------------------------------------

struct Call {
    ECBase* event;
    int code;
    void* data;
    std::string user;
};
std::vector<Call> g_calls;

int Record(ECBase* event, int code, void* data, void* user) {
    g_calls.push_back({event, code, data, *static_cast<std::string*>(user)});
    return 1;
}

int RecordOther(ECBase* event, int code, void* data, void* user) {
    return Record(event, code, data, user) + 1;
}

MCFuncList* g_selfRemoving = nullptr;
int RemoveItself(ECBase*, int, void*, void*) {
    g_selfRemoving->RemoveCallback(&RemoveItself);
    return 0;
}

TEST(MCFuncList, CallsEachRecordHeadToTail) {
    g_calls.clear();
    std::string first = "first", second = "second", head = "head";
    MCFuncList list;
    list.AddCallback(&Record, &first);
    list.AddCallback(&RecordOther, &second);
    list.InsertCallback(&Record, &head, nullptr);   // null position: the head
    ASSERT_EQ(list.GetCount(), 3);
    MCCallbackRecord* record = list.GetRecord(list.GetTailPosition());
    EXPECT_EQ(record->handler, &RecordOther);
    EXPECT_EQ(record->reserved1, nullptr);
    EXPECT_EQ(record->reserved2, nullptr);

    int data = 0;
    auto* event = reinterpret_cast<ECBase*>(&data);   // only passed on
    EXPECT_EQ(list.CallCallbacks(event, 1200, &data), 0);
    ASSERT_EQ(g_calls.size(), 3u);
    EXPECT_EQ(g_calls[0].user, "head");
    EXPECT_EQ(g_calls[1].user, "first");
    EXPECT_EQ(g_calls[2].user, "second");
    EXPECT_EQ(g_calls[2].event, event);
    EXPECT_EQ(g_calls[2].code, 1200);
    EXPECT_EQ(g_calls[2].data, &data);

    // The first record of a handler goes; the others stay.
    list.RemoveCallback(&Record);
    g_calls.clear();
    list.CallCallbacks(nullptr, 0, nullptr);
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[0].user, "first");
    list.RemoveCallbacks();
    EXPECT_TRUE(list.IsEmpty());
}

TEST(MCFuncList, AHandlerMayRemoveItsOwnRecord) {
    g_calls.clear();
    std::string after = "after";
    MCFuncList list;
    g_selfRemoving = &list;
    list.AddCallback(&RemoveItself, nullptr);
    list.AddCallback(&Record, &after);
    list.CallCallbacks(nullptr, 0, nullptr);
    EXPECT_EQ(list.GetCount(), 1);
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].user, "after");
}

// ---- MCMapStringToPtr -----------------------------------------------------------

TEST(MCMapStringToPtr, HashesSignedBytesTimesThirtyThree) {
    const struct {
        std::string key;
        uint32_t hash;
    } cases[] = {
        {"", 0},
        {"a", 97},
        {"ab", 97 * 33 + 98},
        {"\xE9", 0xFFFFFFE9u},   // a byte above 127 counts negative
        {std::string(51, 'x'), 1092725992u},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MCMapStringToPtr::HashKey(c.key), c.hash) << c.key;
}

TEST(MCMapStringToPtr, StoresFindsAndReplaces) {
    int one = 1, two = 2;
    MCMapStringToPtr map;
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_EQ(map.GetStartPosition(), nullptr);
    EXPECT_EQ(map.SetAt("Quantize", &one), 1);
    EXPECT_EQ(map.SetAt("Quantize", &two), 1);   // the same key: replaced
    map["Velocity"] = &one;
    EXPECT_EQ(map.GetCount(), 2);

    void* value = nullptr;
    EXPECT_EQ(map.Lookup("Quantize", value), 1);
    EXPECT_EQ(value, &two);
    EXPECT_EQ(map.Lookup("quantize", value), 0);   // exact bytes
    EXPECT_EQ(map.Lookup("Quantiz", value), 0);
    EXPECT_EQ(map["Velocity"], &one);

    EXPECT_EQ(map.RemoveKey("Quantize"), 1);
    EXPECT_EQ(map.RemoveKey("Quantize"), 0);
    EXPECT_EQ(map.GetCount(), 1);
    map.RemoveAll();
    EXPECT_EQ(map.GetCount(), 0);
    EXPECT_EQ(map.Lookup("Velocity", value), 0);
}

TEST(MCMapStringToPtr, KeysOfFiftyOneBytesAtMost) {
    int v = 0;
    MCMapStringToPtr map;
    const std::string longest(51, 'k');
    ASSERT_EQ(map.SetAt(longest, &v), 1);
    POSITION pos = map.GetStartPosition();
    std::string key;
    void* value = nullptr;
    map.GetNextAssoc(pos, key, value);
    EXPECT_EQ(key, longest);   // whole
    EXPECT_EQ(value, &v);

    // A longer key cannot be kept whole and is refused, not cut (cut, it
    // would find another key's entry).
    const std::string tooLong = longest + "k";
    EXPECT_EQ(map.SetAt(tooLong, &v), 0);
    EXPECT_EQ(map.Lookup(tooLong, value), 0);
    map[tooLong] = &v;   // a spare slot: reaches no entry
    EXPECT_EQ(map[tooLong], nullptr);
    EXPECT_EQ(map.RemoveKey(tooLong), 0);
    EXPECT_EQ(map.SetAt(std::string("a\0b", 3), &v), 0);
    EXPECT_EQ(map.GetCount(), 1);
}

TEST(MCMapStringToPtr, VisitsBucketsInOrderNewestFirst) {
    // Buckets: "a" and "ee" 26, "b" 27, "zz" 30, "\xE9" 57.
    MCMapStringToPtr map;
    int v = 0;
    for (const char* key : {"zz", "a", "\xE9", "b", "ee"})
        map.SetAt(key, &v);
    std::vector<std::string> visited;
    POSITION pos = map.GetStartPosition();
    while (pos) {
        const char* key = nullptr;
        void* value = nullptr;
        map.GetNextAssoc(pos, key, value);
        visited.push_back(key);
    }
    EXPECT_EQ(visited, (std::vector<std::string>{"ee", "a", "b", "zz", "\xE9"}));
}

TEST(MCMapStringToPtr, RemovingMayDeleteTheValue) {
    struct Counted : CObject {
        explicit Counted(int& alive) : m_alive(alive) { ++m_alive; }
        ~Counted() override { --m_alive; }
        int& m_alive;
    };
    int alive = 0;
    {
        MCMapStringToPtr map;
        map.SetAt("kept", new Counted(alive));
        map.SetAt("deleted", new Counted(alive));
        map.SetAt("all", new Counted(alive));
        EXPECT_EQ(map.RemoveKey("deleted", 1), 1);
        EXPECT_EQ(alive, 2);
        void* kept = nullptr;
        map.Lookup("kept", kept);
        map.RemoveKey("kept", 0);
        EXPECT_EQ(alive, 2);
        delete static_cast<Counted*>(kept);
        map.RemoveAll(1);
        EXPECT_EQ(alive, 0);
        map.SetAt("left", new Counted(alive));
        void* left = nullptr;
        map.Lookup("left", left);
        map.RemoveAll(0);   // as the destructor does: the value stays
        EXPECT_EQ(alive, 1);
        delete static_cast<Counted*>(left);
    }
}

// ---- MCBitArray -------------------------------------------------------------------

TEST(MCBitArray, SeventeenBitsTakeTwoWords) {
    MCBitArray bits;
    bits.SetSize(17);
    EXPECT_EQ(bits.GetWordCount(), 2);
    EXPECT_EQ(bits.GetAll(), 0);
    bits.Set(16);   // bit 0 of the second word
    EXPECT_NE(bits.Get(16), 0);
    EXPECT_EQ(bits.Get(0), 0);
    EXPECT_EQ(bits.Get(15), 0);
    EXPECT_EQ(bits.GetAll(), 1);

    MCBitArray copy;
    copy = bits;
    EXPECT_EQ(copy.GetSize(), 17);
    EXPECT_NE(copy.Get(16), 0);

    bits.Set(3);
    bits.Clear(16);
    EXPECT_EQ(bits.Get(16), 0);
    EXPECT_NE(bits.Get(3), 0);
    bits.ClearAll();
    EXPECT_EQ(bits.GetAll(), 0);
    EXPECT_NE(copy.Get(16), 0);   // the copy has its own words

    const struct { int size, words; } sizes[] = {{0, 0}, {1, 1}, {16, 1}, {32, 2}, {33, 3}};
    for (const auto& s : sizes) {
        bits.SetSize(s.size);
        EXPECT_EQ(bits.GetWordCount(), s.words) << s.size;
        EXPECT_EQ(bits.GetAll(), 0);
    }
}

}  // namespace
