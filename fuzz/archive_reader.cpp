// Fuzz target of the archive reader: loads objects of a few serial classes from
// outside bytes. Damaged data may only raise CArchiveException; nothing else may
// escape, crash or leak. What loads is stored, loaded and stored again: the two
// stored forms must be identical, so reader and writer agree on every field.
//
// Input: WORD n, the number of objects the reader maps before loading (it lets
// the fuzzer reach the long index forms cheaply), then up to 64 objects.
#include "platform/core/archive.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

namespace {

// Every object of the target, so that whatever a failed load left behind is
// freed after each input.
class FzObject : public CObject {
    DECLARE_DYNAMIC(FzObject)
public:
    FzObject() { Live().insert(this); }
    ~FzObject() override { Live().erase(this); }
    static std::set<FzObject*>& Live() {
        static std::set<FzObject*> live;
        return live;
    }
    static void DeleteAll() {
        while (!Live().empty())
            delete *Live().begin();
    }
};
IMPLEMENT_DYNAMIC(FzObject, CObject)

// Scalars of every width.
class FzLeaf : public FzObject {
    DECLARE_SERIAL(FzLeaf)
public:
    LONG a = 0;
    BYTE b = 0;
    short c = 0;
    float f = 0;
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring())
            ar << a << b << c << f;
        else
            ar >> a >> b >> c >> f;
    }
};
IMPLEMENT_SERIAL(FzLeaf, FzObject, 1)

// A versionable node: text, references (typed and untyped), children, an array.
class FzNode : public FzObject {
    DECLARE_SERIAL(FzNode)
public:
    std::string name;
    FzNode* parent = nullptr;
    CObject* other = nullptr;
    std::vector<CObject*> children;
    std::vector<WORD> words;
    double value = 0;
    unsigned schema = 0;
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar << name << parent << other;
            ar.WriteObjects(children);
            ar.WriteArray(words);
            ar << value;
        } else {
            schema = ar.GetObjectSchema();
            ar >> name >> parent >> other;
            ar.ReadObjects(children);
            ar.ReadArray(words);
            ar >> value;
        }
    }
};
IMPLEMENT_SERIAL(FzNode, FzObject, VERSIONABLE_SCHEMA | 2)

// Raw bytes behind a count of its own, and a list of texts.
class FzBlob : public FzObject {
    DECLARE_SERIAL(FzBlob)
public:
    std::vector<uint8_t> bytes;
    std::vector<std::string> texts;
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar << static_cast<LONG>(bytes.size());
            ar.Write(bytes.data(), bytes.size());
            ar.WriteCount(texts.size());
            for (const std::string& text : texts)
                ar << text;
        } else {
            LONG size;
            ar >> size;
            if (size < 0)
                throw CArchiveException(CArchiveException::generic);
            ar.CheckRemaining(static_cast<uint64_t>(size));
            bytes.resize(static_cast<size_t>(size));
            ar.ReadExact(bytes.data(), bytes.size());
            texts.resize(ar.ReadCount(1));
            for (std::string& text : texts)
                ar >> text;
        }
    }
};
IMPLEMENT_SERIAL(FzBlob, FzObject, 3)

constexpr int kMaxObjects = 64;

struct Loaded {
    WORD mapped = 0;
    std::vector<CObject*> objects;
};

// Loads `data`; false when the archive refused it.
bool Load(const uint8_t* data, size_t size, CObject* document, Loaded& loaded) {
    try {
        CMemFile file(std::vector<uint8_t>(data, data + size));
        CArchive ar(&file, CArchive::load | CArchive::bNoFlushOnDelete, 128);
        ar >> loaded.mapped;
        for (WORD i = 0; i < loaded.mapped; ++i)
            ar.MapObject(document);
        for (int i = 0; i < kMaxObjects && ar.GetRemaining() > 0; ++i) {
            loaded.objects.push_back(ar.ReadObject(nullptr));
            if (i % 2)
                ar.Flush();   // hands the position to the file and reads on from there
        }
        return true;
    } catch (const CArchiveException&) {
        return false;
    }
}

std::vector<uint8_t> Store(CObject* document, const Loaded& loaded) {
    CMemFile file;
    CArchive ar(&file, CArchive::store, 128);
    ar << loaded.mapped;
    for (WORD i = 0; i < loaded.mapped; ++i)
        ar.MapObject(document);
    for (CObject* object : loaded.objects)
        ar << object;
    ar.Close();
    return file.Detach();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> first;
    {
        auto* document = new FzLeaf;
        Loaded loaded;
        if (Load(data, size, document, loaded))
            first = Store(document, loaded);
        FzObject::DeleteAll();
    }
    if (first.empty())
        return 0;
    auto* document = new FzLeaf;
    Loaded again;
    if (!Load(first.data(), first.size(), document, again))
        __builtin_trap();   // the reader refused what the writer wrote
    const std::vector<uint8_t> second = Store(document, again);
    FzObject::DeleteAll();
    if (second != first)
        __builtin_trap();   // reader and writer disagree on some field
    return 0;
}
