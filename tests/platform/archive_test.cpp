// platform/core/archive.cpp: the byte format of objects, counts, strings and
// scalars, and how loading meets damaged data.
#include "platform/core/archive.h"
#include "platform/core/codepage.h"

#include "tests/platform/file_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <list>
#include <set>
#include <sstream>

namespace {

using Bytes = std::vector<uint8_t>;

// "FF 7F 00 80" -> bytes.
Bytes Hex(const char* text) {
    Bytes bytes;
    std::istringstream in(text);
    unsigned value;
    while (in >> std::hex >> value)
        bytes.push_back(static_cast<uint8_t>(value));
    return bytes;
}
Bytes Ascii(std::string_view text) { return Bytes(text.begin(), text.end()); }
Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Every test object is on the heap and known here, so that objects a failed load
// left behind are freed with the rest when the test ends.
class TArcTracked : public CObject {
    DECLARE_DYNAMIC(TArcTracked)
public:
    TArcTracked() { Live().insert(this); }
    ~TArcTracked() override { Live().erase(this); }
    static std::set<TArcTracked*>& Live() {
        static std::set<TArcTracked*> live;
        return live;
    }
    static void DeleteAll() {
        while (!Live().empty())
            delete *Live().begin();
    }
};
IMPLEMENT_DYNAMIC(TArcTracked, CObject)

// A plain serial class: one LONG.
class TArcLeaf : public TArcTracked {
    DECLARE_SERIAL(TArcLeaf)
public:
    LONG value = 0;
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring())
            ar << value;
        else
            ar >> value;
    }
};
IMPLEMENT_SERIAL(TArcLeaf, TArcTracked, 1)

// A versionable class without data that remembers the schema it was loaded with.
class TArcOther : public TArcTracked {
    DECLARE_SERIAL(TArcOther)
public:
    unsigned firstSchema = 0, secondSchema = 0;
    void Serialize(CArchive& ar) override {
        if (ar.IsLoading()) {
            firstSchema = ar.GetObjectSchema();
            secondSchema = ar.GetObjectSchema();
        }
    }
};
IMPLEMENT_SERIAL(TArcOther, TArcTracked, VERSIONABLE_SCHEMA | 1)

// A node of a graph: a name, a reference to itself, its parent, children by
// reference (shared, null or pointing back up) and one further reference.
class TArcNode : public TArcTracked {
    DECLARE_SERIAL(TArcNode)
public:
    std::string name;
    TArcNode* self = nullptr;
    TArcNode* parent = nullptr;
    std::vector<CObject*> children;
    CObject* extra = nullptr;

    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar << name << self << parent;
            ar.WriteObjects(children);
            ar << extra;
        } else {
            ar >> name >> self >> parent;
            ar.ReadObjects(children);
            ar >> extra;
        }
    }
};
IMPLEMENT_SERIAL(TArcNode, TArcTracked, VERSIONABLE_SCHEMA | 2)

// One LONG, like TArcLeaf, but an object whose reading fails stays alive: it
// counts the calls and leaves itself to the test, as a class whose failed
// objects have another owner does.
class TArcKept : public TArcTracked {
    DECLARE_SERIAL(TArcKept)
public:
    static inline int s_readFailed = 0;
    void Serialize(CArchive& ar) override {
        LONG value = 0;
        ar >> value;
    }
    void OnReadFailed() override { ++s_readFailed; }
};
IMPLEMENT_SERIAL(TArcKept, TArcTracked, 1)

// Creatable but not serializable.
class TArcPlain : public TArcTracked {
    DECLARE_DYNCREATE(TArcPlain)
};
IMPLEMENT_DYNCREATE(TArcPlain, TArcTracked)

Bytes Store(const std::function<void(CArchive&)>& write, int bufferSize = 4096) {
    CMemFile file;
    CArchive ar(&file, CArchive::store, bufferSize);
    write(ar);
    ar.Close();
    return file.Detach();
}

void Load(const Bytes& bytes, const std::function<void(CArchive&)>& read, int bufferSize = 4096) {
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load, bufferSize);
    read(ar);
}

// The cause a load raised, or none.
CArchiveException::Cause LoadCause(const Bytes& bytes, const std::function<void(CArchive&)>& read,
                                   int bufferSize = 4096) {
    try {
        Load(bytes, read, bufferSize);
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return CArchiveException::none;
}

TArcLeaf* NewLeaf(LONG value) {
    auto* leaf = new TArcLeaf;
    leaf->value = value;
    return leaf;
}

TArcNode* NewNode(const std::string& name, TArcNode* parent = nullptr) {
    auto* node = new TArcNode;
    node->name = name;
    node->parent = parent;
    return node;
}

class ArchiveTest : public ::testing::Test {
protected:
    void TearDown() override { TArcTracked::DeleteAll(); }
};

// ---- graphs -----------------------------------------------------------------

// root -> A, B, null; A and B share C and a leaf; C points back to root; every
// node refers to itself; root and C refer to a document object that is mapped,
// not written.
struct Graph {
    TArcLeaf* document;
    TArcNode* root;
};

Graph MakeGraph() {
    Graph g{NewLeaf(99), NewNode("root")};
    TArcNode* a = NewNode("A", g.root);
    TArcNode* b = NewNode("B \xCE\xA9 wide", g.root);   // U+03A9 forces the wide form
    TArcNode* c = NewNode(std::string(300, 'c'), a);
    TArcLeaf* shared = NewLeaf(-7);
    for (TArcNode* node : {g.root, a, b, c})
        node->self = node;
    g.root->children = {a, b, nullptr};
    a->children = {c, shared};
    b->children = {c, shared};
    c->children = {g.root};
    g.root->extra = g.document;
    c->extra = g.document;
    b->extra = b;
    return g;
}

Bytes StoreGraph(CObject* document, TArcNode* root, int bufferSize) {
    return Store([&](CArchive& ar) {
        ar.MapObject(document);
        ar << root;
    }, bufferSize);
}

TEST_F(ArchiveTest, GraphLoadsWithSharedChildrenAndBackReferencesAndStoresIdentically) {
    for (int bufferSize : {64, 4096}) {
        const Graph original = MakeGraph();
        const Bytes bytes = StoreGraph(original.document, original.root, bufferSize);

        TArcLeaf* document = NewLeaf(0);
        TArcNode* root = nullptr;
        Load(bytes, [&](CArchive& ar) {
            ar.MapObject(document);
            ar >> root;
            EXPECT_EQ(ar.GetRemaining(), 0u);
        }, bufferSize);

        ASSERT_NE(root, nullptr);
        EXPECT_EQ(root->name, "root");
        EXPECT_EQ(root->self, root) << "a reference to itself from inside its own data";
        EXPECT_EQ(root->extra, document) << "a mapped object resolves to the reader's";
        ASSERT_EQ(root->children.size(), 3u);
        EXPECT_EQ(root->children[2], nullptr);
        auto* a = DYNAMIC_DOWNCAST(TArcNode, root->children[0]);
        auto* b = DYNAMIC_DOWNCAST(TArcNode, root->children[1]);
        ASSERT_TRUE(a && b);
        EXPECT_EQ(a->parent, root);
        EXPECT_EQ(b->name, "B \xCE\xA9 wide");
        EXPECT_EQ(b->extra, b);
        ASSERT_EQ(a->children.size(), 2u);
        EXPECT_EQ(a->children, b->children) << "shared children are loaded once";
        auto* c = DYNAMIC_DOWNCAST(TArcNode, a->children[0]);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->name, std::string(300, 'c'));
        EXPECT_EQ(c->children, std::vector<CObject*>{root});
        EXPECT_EQ(c->extra, document);
        EXPECT_EQ(static_cast<TArcLeaf*>(a->children[1])->value, -7);

        EXPECT_EQ(StoreGraph(document, root, bufferSize), bytes) << "buffer " << bufferSize;
        TArcTracked::DeleteAll();
    }
}

TEST_F(ArchiveTest, TruncatedGraphRaisesEndOfFileAtEveryCut) {
    const Graph g = MakeGraph();
    const Bytes bytes = StoreGraph(g.document, g.root, 4096);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        const Bytes head(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
        TArcLeaf* document = NewLeaf(0);
        const auto cause = LoadCause(head, [&](CArchive& ar) {
            ar.MapObject(document);
            TArcNode* root = nullptr;
            ar >> root;
        }, 64);
        EXPECT_EQ(cause, CArchiveException::endOfFile) << "cut at " << cut;
    }
}

// An object whose own reading fails was never handed to anyone: the archive
// frees it (unless its class leaves it to another owner), and what it had
// read whole stays with whoever owns that.
TEST_F(ArchiveTest, AnObjectWhoseReadingFailsIsFreedByTheArchive) {
    const Bytes leafClass = Hex("FF FF 01 00 08 00") + Ascii("TArcLeaf");
    // A node: empty name, null self and parent, two children.
    const Bytes node = Hex("FF FF 02 00 08 00") + Ascii("TArcNode") + Hex("00 00 00 00 00 02 00");
    const struct {
        const char* what;
        Bytes bytes;
        size_t alive;        // test objects left after the failed read
        int readFailed;      // calls of TArcKept's OnReadFailed
    } cases[] = {
        {"a leaf cut short", leafClass + Hex("01 00"), 0, 0},
        {"a node whose second child is cut short", node + leafClass + Hex("01 00 00 00 03 80 05 00"), 1, 0},
        {"a class that leaves its failed objects to another owner",
         Hex("FF FF 01 00 08 00") + Ascii("TArcKept") + Hex("01"), 1, 1},
    };
    for (const auto& c : cases) {
        TArcKept::s_readFailed = 0;
        EXPECT_EQ(LoadCause(c.bytes, [](CArchive& ar) { ar.ReadObject(nullptr); }), CArchiveException::endOfFile)
            << c.what;
        EXPECT_EQ(TArcTracked::Live().size(), c.alive) << c.what;
        EXPECT_EQ(TArcKept::s_readFailed, c.readFailed) << c.what;
        TArcTracked::DeleteAll();
    }

    // A reader that goes on after the failure finds no way back to the object.
    const Bytes unknownChild = Hex("FF FF 01 00 05 00") + Ascii("XNone");
    const auto cause = LoadCause(node + unknownChild + Hex("02 00"), [](CArchive& ar) {
        EXPECT_THROW(ar.ReadObject(nullptr), CArchiveException);
        ar.ReadObject(nullptr);
    });
    EXPECT_EQ(cause, CArchiveException::badIndex);
}

// ---- golden bytes -----------------------------------------------------------

TEST_F(ArchiveTest, ObjectTagsOfNewClassClassReferenceBackReferenceAndNull) {
    TArcLeaf* a = NewLeaf(0x11223344);
    TArcLeaf* b = NewLeaf(5);
    const Bytes bytes = Store([&](CArchive& ar) { ar << a << b << a << static_cast<CObject*>(nullptr); });
    // TArcLeaf takes index 1, a 2, b 3.
    EXPECT_EQ(bytes, Hex("FF FF 01 00 08 00") + Ascii("TArcLeaf") + Hex("44 33 22 11") +
                         Hex("01 80 05 00 00 00") + Hex("02 00") + Hex("00 00"));

    Load(bytes, [&](CArchive& ar) {
        CObject *a2, *b2, *a3, *null;
        ar >> a2 >> b2 >> a3 >> null;
        EXPECT_EQ(static_cast<TArcLeaf*>(a2)->value, 0x11223344);
        EXPECT_EQ(static_cast<TArcLeaf*>(b2)->value, 5);
        EXPECT_EQ(a3, a2);
        EXPECT_EQ(null, nullptr);
    });
}

// The short forms end below 0x7FFF; from there indices take the long form,
// classes with 0x80000000 set. MapObject takes indices cheaply to get there.
TEST_F(ArchiveTest, BigIndicesTakeTheLongForm) {
    const struct {
        DWORD firstIndex;   // the index the first new class takes
        Bytes expected;     // after the MapObject calls
    } cases[] = {
        // Class 0x7FFD, leaf1 0x7FFE, leaf2 0x7FFF, TArcOther 0x8000, other1 0x8001, other2 0x8002.
        {0x7FFD, Hex("FF FF 01 00 08 00") + Ascii("TArcLeaf") + Hex("01 00 00 00") +
                     Hex("FD FF 02 00 00 00") +              // class 0x7FFD, short form
                     Hex("FE 7F") +                          // leaf1, short form
                     Hex("FF 7F FF 7F 00 00") +              // leaf2: long form
                     Hex("FF FF 01 00 09 00") + Ascii("TArcOther") +
                     Hex("FF 7F 00 80 00 80") +              // class 0x8000, long form
                     Hex("FF 7F 01 80 00 00")},              // other1
        // Class 0x7FFF cannot be WORD 0xFFFF (the new-class tag): long form.
        {0x7FFF, Hex("FF FF 01 00 08 00") + Ascii("TArcLeaf") + Hex("01 00 00 00") +
                     Hex("FF 7F FF 7F 00 80 02 00 00 00") +
                     Hex("FF 7F 00 80 00 00") +              // leaf1 = 0x8000
                     Hex("FF 7F 01 80 00 00") +              // leaf2 = 0x8001
                     Hex("FF FF 01 00 09 00") + Ascii("TArcOther") +
                     Hex("FF 7F 02 80 00 80") +              // class 0x8002
                     Hex("FF 7F 03 80 00 00")},              // other1 = 0x8003
    };
    for (const auto& c : cases) {
        TArcLeaf* dummy = NewLeaf(0);
        TArcLeaf* leaf1 = NewLeaf(1);
        TArcLeaf* leaf2 = NewLeaf(2);
        TArcOther* other1 = new TArcOther;
        TArcOther* other2 = new TArcOther;
        auto mapUpTo = [&](CArchive& ar) {
            for (DWORD i = 1; i < c.firstIndex; ++i)
                ar.MapObject(dummy);
        };
        const Bytes bytes = Store([&](CArchive& ar) {
            mapUpTo(ar);
            ar << leaf1 << leaf2 << leaf1 << leaf2 << other1 << other2 << other1;
        });
        EXPECT_EQ(bytes, c.expected) << std::hex << c.firstIndex;

        Load(bytes, [&](CArchive& ar) {
            mapUpTo(ar);
            CObject* got[7];
            for (CObject*& object : got)
                ar >> object;
            EXPECT_EQ(got[2], got[0]);
            EXPECT_EQ(got[3], got[1]);
            EXPECT_EQ(got[6], got[4]);
            EXPECT_NE(got[5], got[4]);
            EXPECT_EQ(static_cast<TArcLeaf*>(got[1])->value, 2);
            EXPECT_TRUE(got[5]->IsKindOf(RUNTIME_CLASS(TArcOther)));
        });
        TArcTracked::DeleteAll();
    }
}

TEST_F(ArchiveTest, ScalarsAreLittleEndianOfFixedWidth) {
    const Bytes bytes = Store([](CArchive& ar) {
        ar << BYTE(0x01) << WORD(0x0203) << DWORD(0x04050607) << LONG(-2) << short(-3) << 'A'
           << 1.0f << -2.0;
        ar.WriteArray(std::vector<WORD>{1, 2, 0xABCD});
    });
    EXPECT_EQ(bytes, Hex("01 03 02 07 06 05 04 FE FF FF FF FD FF 41 00 00 80 3F "
                         "00 00 00 00 00 00 00 C0 03 00 01 00 02 00 CD AB"));
    Load(bytes, [](CArchive& ar) {
        BYTE b; WORD w; DWORD d; LONG l; short s; char c; float f; double x;
        ar >> b >> w >> d >> l >> s >> c >> f >> x;
        EXPECT_EQ(b, 0x01); EXPECT_EQ(w, 0x0203); EXPECT_EQ(d, 0x04050607u); EXPECT_EQ(l, -2);
        EXPECT_EQ(s, -3); EXPECT_EQ(c, 'A'); EXPECT_EQ(f, 1.0f); EXPECT_EQ(x, -2.0);
        std::vector<WORD> words;
        ar.ReadArray(words);
        EXPECT_EQ(words, (std::vector<WORD>{1, 2, 0xABCD}));
    });
}

TEST_F(ArchiveTest, CountsSwitchToADwordAt0xFFFF) {
    const struct { DWORD count; const char* bytes; } cases[] = {
        {0, "00 00"},
        {0xFFFE, "FE FF"},
        {0xFFFF, "FF FF FF FF 00 00"},
        {0x12345678, "FF FF 78 56 34 12"},
    };
    for (const auto& c : cases) {
        const Bytes bytes = Store([&](CArchive& ar) { ar.WriteCount(c.count); });
        EXPECT_EQ(bytes, Hex(c.bytes)) << c.count;
        Load(bytes, [&](CArchive& ar) { EXPECT_EQ(ar.ReadCount(0), c.count); });
    }
}

TEST_F(ArchiveTest, StringLengthPrefixesAtTheirBoundaries) {
    const struct { size_t length; const char* prefix; } cases[] = {
        {0, "00"},
        {254, "FE"},
        {255, "FF FF 00"},
        {0xFFFD, "FF FD FF"},
        {0xFFFE, "FF FF FF FE FF 00 00"},
        {0x10000, "FF FF FF 00 00 01 00"},
    };
    for (const auto& c : cases) {
        const std::string text(c.length, 'x');
        const Bytes bytes = Store([&](CArchive& ar) { ar << text; });
        const Bytes prefix = Hex(c.prefix);
        ASSERT_EQ(bytes.size(), prefix.size() + c.length) << c.length;
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(prefix.size())), prefix)
            << c.length;
        Load(bytes, [&](CArchive& ar) { EXPECT_EQ(ar.ReadString(), text) << c.length; }, 64);
    }
}

TEST_F(ArchiveTest, TextsOutsideWindows1252AreWrittenWide) {
    const struct { std::string text; Bytes bytes; } cases[] = {
        {"\xC3\xA4\xE2\x82\xAC", Hex("02 E4 80")},                           // in the code page: narrow
        {"\xCE\xA9", Hex("FF FE FF 01 A9 03")},                              // Omega
        {"a\xF0\x9D\x84\x9E", Hex("FF FE FF 03 61 00 34 D8 1E DD")},         // a surrogate pair
        {std::string(299, 'a') + "\xCE\xA9", Hex("FF FE FF FF 2C 01") + [] {  // a WORD length
             Bytes units;
             for (int i = 0; i < 299; ++i)
                 units.insert(units.end(), {0x61, 0x00});
             return units + Hex("A9 03");
         }()},
    };
    for (const auto& c : cases) {
        const Bytes bytes = Store([&](CArchive& ar) { ar << c.text; });
        EXPECT_EQ(bytes, c.bytes) << c.text.substr(0, 8);
        Load(bytes, [&](CArchive& ar) { EXPECT_EQ(ar.ReadString(), c.text); });
    }
    // A reader takes the wide form of a text that would fit narrow, too.
    Load(Hex("FF FE FF 02 61 00 62 00"), [](CArchive& ar) { EXPECT_EQ(ar.ReadString(), "ab"); });
}

TEST_F(ArchiveTest, AllSingleByteCharactersRoundTrip) {
    std::string raw;
    for (int byte = 0; byte < 256; ++byte)
        raw += static_cast<char>(byte);
    const std::string text = Cp1252ToUtf8(raw);
    const Bytes bytes = Store([&](CArchive& ar) { ar << text; });
    EXPECT_EQ(bytes, Hex("FF 00 01") + Ascii(raw));
    Load(bytes, [&](CArchive& ar) { EXPECT_EQ(ar.ReadString(), text); });
}

// ---- loading damaged or unexpected data -------------------------------------

TEST_F(ArchiveTest, BadDataRaisesTheMatchingCause) {
    const Bytes leaf = Hex("FF FF 01 00 08 00") + Ascii("TArcLeaf") + Hex("01 00 00 00");
    auto readObject = [](CArchive& ar) { ar.ReadObject(nullptr); };
    auto readTwo = [](CArchive& ar) { ar.ReadObject(nullptr); ar.ReadObject(nullptr); };
    auto readNode = [](CArchive& ar) { TArcNode* node; ar >> node; };
    const struct {
        const char* what;
        Bytes bytes;
        std::function<void(CArchive&)> read;
        CArchiveException::Cause cause;
    } cases[] = {
        {"unknown class", Hex("FF FF 01 00 05 00") + Ascii("XNone"), readObject, CArchiveException::badClass},
        {"class that is not serial", Hex("FF FF 01 00 09 00") + Ascii("TArcPlain"), readObject,
         CArchiveException::badClass},
        {"plain class, other schema", Hex("FF FF 02 00 08 00") + Ascii("TArcLeaf") + Hex("01 00 00 00"),
         readObject, CArchiveException::badSchema},
        {"object index not seen", Hex("05 00"), readObject, CArchiveException::badIndex},
        {"class index not seen", Hex("03 80"), readObject, CArchiveException::badIndex},
        {"long index not seen", Hex("FF 7F 00 00 01 00"), readObject, CArchiveException::badIndex},
        {"long class index 0", Hex("FF 7F 00 00 00 80"), readObject, CArchiveException::badIndex},
        {"class index naming an object", leaf + Hex("02 80"), readTwo, CArchiveException::badIndex},
        {"object index naming a class", leaf + Hex("01 00"), readTwo, CArchiveException::badIndex},
        {"wrong class, new object", leaf, readNode, CArchiveException::badClass},
        {"wrong class, back reference", leaf + Hex("02 00"),
         [](CArchive& ar) { ar.ReadObject(nullptr); TArcNode* node; ar >> node; },
         CArchiveException::badClass},
        {"wrong class, known class", leaf + Hex("01 80 01 00 00 00"),
         [](CArchive& ar) { ar.ReadObject(nullptr); ar.ReadObject(RUNTIME_CLASS(TArcOther)); },
         CArchiveException::badClass},
        {"class name cut short", Hex("FF FF 01 00 08 00 54 41"), readObject, CArchiveException::endOfFile},
        {"count beyond the data", Hex("FF FF FF FF FF FF 00 00"), [](CArchive& ar) { ar.ReadCount(); },
         CArchiveException::endOfFile},
        {"scalar array beyond the data", Hex("04 00 01 00 02 00 03 00"),
         [](CArchive& ar) { std::vector<WORD> w; ar.ReadArray(w); }, CArchiveException::endOfFile},
        {"string beyond the data", Hex("FF FF FF FF FF FF 7F 41"), [](CArchive& ar) { ar.ReadString(); },
         CArchiveException::endOfFile},
        {"wide string beyond the data", Hex("FF FE FF 03 41 00 42 00"), [](CArchive& ar) { ar.ReadString(); },
         CArchiveException::endOfFile},
        {"scalar past the end", Hex("01 02 03"), [](CArchive& ar) { DWORD d; ar >> d; },
         CArchiveException::endOfFile},
        {"exact read past the end", Hex("01 02 03"), [](CArchive& ar) { char b[4]; ar.ReadExact(b, 4); },
         CArchiveException::endOfFile},
        {"empty", Bytes{}, readObject, CArchiveException::endOfFile},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LoadCause(c.bytes, c.read), c.cause) << c.what;
}

// An object count the data does not back: a pointer takes four times its
// two-byte tag in memory, and a file may hold less than its length says, so
// the count is no measure of the room to reserve.
TEST_F(ArchiveTest, AnObjectCountTheDataDoesNotBackReservesLittle) {
    const struct {
        const char* what;
        Bytes bytes;
        uint64_t claimedLength;
    } cases[] = {
        {"a huge count, then a few bytes", Hex("FF FF FF FF FF 3F 00 00 00 00"), 10},
        {"a huge count in a file claiming a terabyte", Hex("FF FF FF FF FF FF 00 00 00 00"), uint64_t{1} << 40},
    };
    for (const auto& c : cases) {
        file_test::CShrunkFile file(c.bytes, c.claimedLength);
        CArchive ar(&file, CArchive::load);
        std::vector<TArcLeaf*> objects;
        try {
            ar.ReadObjects(objects);
            ADD_FAILURE() << c.what << ": read";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::endOfFile) << c.what;
        }
        EXPECT_LE(objects.capacity() * sizeof(TArcLeaf*), size_t{1} << 20) << c.what << ": a megabyte at most up front";
    }
}

TEST_F(ArchiveTest, VersionableClassAcceptsAnySchemaAndReportsItOnce) {
    const Bytes bytes = Hex("FF FF 07 00 09 00") + Ascii("TArcOther") + Hex("01 80");
    Load(bytes, [](CArchive& ar) {
        TArcOther* first;
        TArcOther* second;
        ar >> first >> second;
        EXPECT_EQ(first->firstSchema, 7u);
        EXPECT_EQ(first->secondSchema, static_cast<unsigned>(-1));
        EXPECT_EQ(second->firstSchema, 7u) << "a class reference carries the stored schema";
    });
}

TEST_F(ArchiveTest, DeeplyNestedObjectsAreRefusedNotACrash) {
    // Each node's `self` is a new node: 3 bytes a level.
    Bytes bytes = Hex("FF FF 02 00 08 00") + Ascii("TArcNode") + Hex("00");
    const Bytes level = Hex("01 80 00");
    for (int i = 0; i < 100000; ++i)
        bytes.insert(bytes.end(), level.begin(), level.end());
    EXPECT_EQ(LoadCause(bytes, [](CArchive& ar) { ar.ReadObject(nullptr); }), CArchiveException::generic);
}

TEST_F(ArchiveTest, WrongDirectionAndUnserializableObjectsAreRefused) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        WORD w;
        EXPECT_THROW(ar >> w, CArchiveException);
        EXPECT_THROW(ar.ReadObject(nullptr), CArchiveException);
        try {
            ar.WriteObject(new TArcPlain);
            ADD_FAILURE() << "a class that is not serial was written";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::badClass);
        }
    }
    EXPECT_EQ(LoadCause(Hex("00 00"), [](CArchive& ar) { ar << WORD(1); }), CArchiveException::readOnly);
    EXPECT_EQ(LoadCause(Hex("00 00"), [](CArchive& ar) { ar.WriteObject(nullptr); }),
              CArchiveException::readOnly);
}

// ---- the archive and its file -----------------------------------------------

TEST_F(ArchiveTest, FlushHandsTheLogicalPositionBackToTheFile) {
    Bytes bytes = Hex("01 00 00 00") + Ascii("RAW!") + Hex("02 00 00 00");
    bytes.resize(1000, 0xEE);   // more than the buffer reads ahead
    CMemFile file(bytes);
    CArchive ar(&file, CArchive::load, 64);
    DWORD first, second;
    ar >> first;
    ar.Flush();
    EXPECT_EQ(file.GetPosition(), 4u);
    char raw[4];
    ASSERT_EQ(file.Read(raw, 4), 4u);
    EXPECT_EQ(std::string(raw, 4), "RAW!");
    ar >> second;
    EXPECT_EQ(first, 1u);
    EXPECT_EQ(second, 2u);
    EXPECT_EQ(ar.GetRemaining(), 1000u - 12u);
}

TEST_F(ArchiveTest, StoringArchiveWritesOnCloseOrDestructionUnlessAskedNotTo) {
    CMemFile closed, destroyed, kept;
    {
        CArchive ar(&closed, CArchive::store);
        ar << DWORD(7);
        EXPECT_EQ(closed.GetLength(), 0u) << "writes are buffered";
        ar.Close();
    }
    {
        CArchive ar(&destroyed, CArchive::store);
        ar << DWORD(7);
    }
    {
        CArchive ar(&kept, CArchive::store | CArchive::bNoFlushOnDelete);
        ar << DWORD(7);
    }
    EXPECT_EQ(closed.GetLength(), 4u);
    EXPECT_EQ(destroyed.GetLength(), 4u);
    EXPECT_EQ(kept.GetLength(), 0u);
}

TEST_F(ArchiveTest, ObjectListsOfAnyContainerAndLargeRawBlocks) {
    TArcLeaf* a = NewLeaf(1);
    const std::list<TArcLeaf*> list{a, nullptr, a};
    Bytes block(10000);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i * 7);
    const Bytes bytes = Store([&](CArchive& ar) {
        ar.WriteObjects(list);
        ar.Write(block.data(), block.size());
    }, 64);
    Load(bytes, [&](CArchive& ar) {
        std::vector<TArcLeaf*> leaves;
        ar.ReadObjects(leaves);
        ASSERT_EQ(leaves.size(), 3u);
        EXPECT_EQ(leaves[1], nullptr);
        EXPECT_EQ(leaves[0], leaves[2]);
        Bytes got(block.size() + 10);
        EXPECT_EQ(ar.Read(got.data(), got.size()), block.size()) << "Read stops at the end";
        got.resize(block.size());
        EXPECT_EQ(got, block);
    }, 64);
}

}  // namespace
