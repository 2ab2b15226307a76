// Embedded objects in the document's file: each item's storage "Embedding n"
// written by a native save and read back by opening; objects of other
// programs kept byte for byte with their class name and picture read; item
// numbers kept unique; storages from a file trusted in nothing.
#include "interface/document/itemstorage.h"

#include "interface/document/embedding.h"
#include "interface/document/opusdoc.h"
#include "model/frame.h"
#include "model/lists.h"
#include "model/performance.h"
#include "platform/core/archive.h"
#include "platform/storage/storage.h"
#include "platform/storage/streamfile.h"
#include "platform/ui/prompt_script.h"
#include "tests/interface/document/doc_support.h"
#include "tests/interface/document/embedding_support.h"
#include "tests/platform/file_support.h"

#include <gtest/gtest.h>

#include <QImage>

#include <map>

namespace {

using embedding_test::Bytes;
using embedding_test::Png;

Bytes ReadBytes(const std::string& path) {
    const std::string text = file_test::ReadText(path);
    return Bytes(text.begin(), text.end());
}

void PutU32(Bytes& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Every stream under a storage by its path ("Embedding 5/\1CompObj"), with
// its bytes: what a comparison byte for byte looks at.
void Streams(CStorage& storage, const std::string& prefix, std::map<std::string, Bytes>& out) {
    for (const CStorage::Element& element : storage.EnumElements()) {
        if (element.type == CStorage::STGTY_STORAGE) {
            Streams(*storage.OpenStorage(element.name), prefix + element.name + "/", out);
            continue;
        }
        CStreamFile stream;
        EXPECT_TRUE(stream.OpenStream(storage, element.name, CFile::modeRead));
        Bytes bytes(stream.GetLength());
        stream.Read(bytes.data(), bytes.size());
        out[prefix + element.name] = bytes;
    }
}

std::map<std::string, Bytes> StreamsOf(const std::string& path, const std::string& storage) {
    const Bytes file = ReadBytes(path);
    std::unique_ptr<CRootStorage> root = CRootStorage::OpenMemory(file.data(), file.size());
    std::map<std::string, Bytes> streams;
    if (root->HasElement(storage))
        Streams(*root->OpenStorage(storage), storage + "/", streams);
    return streams;
}

// What another program stores for a 2 x 2 picture: its user type and a
// cached device-independent bitmap (24 bits, rows padded to 8 bytes).
void WriteForeignStorage(CStorage& root, const std::string& name, uint32_t claimedSize = 0) {
    CStorage* storage = root.CreateStorage(name);
    Bytes compObj(28, 0);
    const std::string type = "Sketch Picture";
    PutU32(compObj, static_cast<uint32_t>(type.size() + 1));
    compObj.insert(compObj.end(), type.begin(), type.end());
    compObj.push_back(0);
    PutU32(compObj, 0);
    Bytes dib;
    for (uint32_t value : {40u, 2u, 2u})
        PutU32(dib, value);
    dib.push_back(1), dib.push_back(0), dib.push_back(24), dib.push_back(0);   // planes, bits
    for (uint32_t value : {0u, 16u, 0u, 0u, 0u, 0u})
        PutU32(dib, value);
    for (int row = 0; row < 2; ++row) {
        for (uint8_t byte : {0, 0, 255, 0, 255, 0, 0, 0})   // red, green, padding
            dib.push_back(byte);
    }
    Bytes presentation;
    for (uint32_t value : {0xFFFFFFFFu, 8u, 4u, 1u, 0xFFFFFFFFu, 2u, 0u, 53u, 53u})
        PutU32(presentation, value);
    PutU32(presentation, claimedSize ? claimedSize : static_cast<uint32_t>(dib.size()));
    presentation.insert(presentation.end(), dib.begin(), dib.end());
    for (const auto& [streamName, bytes] :
         {std::pair<std::string, Bytes>{"\001CompObj", compObj}, {"\002OlePres000", presentation},
          {"\001Ole", Bytes{1, 0, 0, 2, 0, 0, 0, 0}}}) {
        CStreamFile stream;
        ASSERT_TRUE(stream.CreateStream(*storage, streamName));
        stream.Write(bytes.data(), bytes.size());
        stream.Close();
    }
}

struct ItemStorageTest : ::testing::Test, doc_support::DocumentParts {
    file_test::TempFolder folder;
    CPromptScript prompts;
    CPromptHandler* previousPrompts = SetPromptHandler(&prompts);
    ItemStorageTest() {
        NewPiece();
        doc->GetHeader()->SetFormat(DF_NATIVE);
    }
    ~ItemStorageTest() override { SetPromptHandler(previousPrompts); }

    // A frame under the performance holding a new item of that number.
    CScoreCntrItem* AddItem(uint32_t number, MCOpusDoc* document = nullptr) {
        auto* frame = new ECFrame(0);
        auto* item = new CScoreCntrItem;
        item->SetItemNumber(number);
        frame->SetClientItem(item);
        (document ? document : doc.get())->GetBaseEvent()->AddChild(frame, SORTED);
        return item;
    }

    std::unique_ptr<MCOpusDoc> Open(const std::string& path) {
        std::unique_ptr<MCOpusDoc> document = MakeDocument();
        EXPECT_TRUE(document->OnOpenDocument(path.c_str())) << path << ": " << prompts.GetLast().text;
        return document;
    }
};

TEST_F(ItemStorageTest, ObjectsReadBackAsTheyWereSaved) {
    const std::string png = folder.File("picture.png");
    const Bytes pngBytes = Png(120, 60, 0);
    file_test::WriteText(png, std::string(pngBytes.begin(), pngBytes.end()));
    const std::string text = folder.File("notes.txt");
    file_test::WriteText(text, "words");
    CScoreCntrItem* embedded = AddItem(NewItemNumber(doc->GetBaseEvent(), nullptr));
    ASSERT_EQ(CreateItemFromFile(*embedded, png, 0), 1);
    CScoreCntrItem* linked = AddItem(NewItemNumber(doc->GetBaseEvent(), nullptr));
    ASSERT_EQ(CreateItemFromFile(*linked, text, 1), 1);
    EXPECT_EQ(embedded->GetItemNumber(), 1u);
    EXPECT_EQ(linked->GetItemNumber(), 2u);

    const std::string path = folder.File("piece.mmm");
    ASSERT_TRUE(doc->OnSaveDocument(path.c_str()));
    const std::map<std::string, Bytes> first = StreamsOf(path, "Embedding 1");
    ASSERT_TRUE(first.count("Embedding 1/ObjectData"));
    EXPECT_EQ(first.at("Embedding 1/ObjectData"), pngBytes);
    EXPECT_TRUE(first.count("Embedding 1/ObjectDescription"));
    doc->OnCloseDocument();   // lets go of the file

    std::unique_ptr<MCOpusDoc> reopened = Open(path);
    const std::vector<CScoreCntrItem*> items = CollectItems(reopened->GetBaseEvent());
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0]->GetData(), pngBytes);
    EXPECT_EQ(items[0]->GetMimeType(), "image/png");
    EXPECT_EQ(items[0]->GetFileName(), "picture.png");
    EXPECT_FALSE(items[0]->IsLinked());
    EXPECT_EQ(items[0]->GetExtentX(), 3175);   // 120 px at 96 dpi
    EXPECT_EQ(items[0]->GetExtentY(), 1588);
    EXPECT_EQ(std::string(items[1]->GetData().begin(), items[1]->GetData().end()), "words");
    EXPECT_EQ(items[1]->GetMimeType(), "text/plain");
    EXPECT_EQ(items[1]->GetLinkPath(), text);
    EXPECT_EQ(items[1]->GetExtentX(), kIconExtentX);
    reopened->OnCloseDocument();
}

TEST_F(ItemStorageTest, AnotherProgramsObjectIsKeptByteForByteAndDrawnFromItsPicture) {
    AddItem(5);
    const std::string path = folder.File("piece.mmm");
    ASSERT_TRUE(doc->OnSaveDocument(path.c_str()));
    doc->OnCloseDocument();
    {
        std::unique_ptr<CRootStorage> root = CRootStorage::Open(path);
        WriteForeignStorage(*root, "Embedding 5");
        WriteForeignStorage(*root, "Embedding 9");   // no item uses it
        root->Commit();
    }
    const std::map<std::string, Bytes> before = StreamsOf(path, "Embedding 5");
    const std::map<std::string, Bytes> unused = StreamsOf(path, "Embedding 9");

    std::unique_ptr<MCOpusDoc> reopened = Open(path);
    std::vector<CScoreCntrItem*> items = CollectItems(reopened->GetBaseEvent());
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->GetForeignClassName(), "Sketch Picture");
    EXPECT_TRUE(items[0]->GetData().empty());
    const Bytes& picture = items[0]->GetCachedPicture();
    ASSERT_GT(picture.size(), 2u);
    EXPECT_EQ(picture[0], 'B');
    const QImage image = QImage::fromData(picture.data(), static_cast<int>(picture.size()), "BMP");
    ASSERT_EQ(image.size(), QSize(2, 2));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(1, 1), qRgb(0, 255, 0));

    // Saved over itself and elsewhere, with a new object of ours beside it.
    CScoreCntrItem* ours =
        AddItem(NewItemNumber(reopened->GetBaseEvent(), reopened->GetRootStorage()), reopened.get());
    EXPECT_EQ(ours->GetItemNumber(), 10u);   // above the storages too
    ours->SetData({1, 2, 3});
    ours->SetMimeType("application/octet-stream");
    const std::string elsewhere = folder.File("copy.mmm");
    ASSERT_TRUE(reopened->OnSaveDocument(path.c_str()));
    ASSERT_TRUE(reopened->OnSaveDocument(elsewhere.c_str()));
    for (const std::string& saved : {path, elsewhere}) {
        EXPECT_EQ(StreamsOf(saved, "Embedding 5"), before) << saved;
        EXPECT_EQ(StreamsOf(saved, "Embedding 9"), unused) << saved;
        EXPECT_EQ(StreamsOf(saved, "Embedding 10").at("Embedding 10/ObjectData"), (Bytes{1, 2, 3}));
    }
    reopened->OnCloseDocument();
}

TEST_F(ItemStorageTest, DamagedStoragesLeaveTheItemEmptyAndStayAsTheyAre) {
    const struct {
        const char* name;
        Bytes description;   // empty: another program's storage with a picture that lies
    } cases[] = {
        {"a cut description", {1, 0, 9, 0, 0, 0, 'i', 'm'}},
        {"a length past the end", {1, 0, 0xFF, 0xFF, 0xFF, 0x7F}},
        {"no version", {}},
        {"a picture longer than its stream", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CRootStorage& root = *CRootStorage::Create(folder.File("unused.mmm")).release();
        std::unique_ptr<CRootStorage> owner(&root);
        if (std::string(c.name) == "a picture longer than its stream") {
            WriteForeignStorage(root, "Embedding 1", 5000);
        } else {
            CStorage* storage = root.CreateStorage("Embedding 1");
            for (const char* name : {"ObjectData", "ObjectDescription"}) {
                CStreamFile stream;
                ASSERT_TRUE(stream.CreateStream(*storage, name));
                const Bytes& bytes = std::string(name) == "ObjectData" ? Bytes{7, 7} : c.description;
                stream.Write(bytes.data(), bytes.size());
                stream.Close();
            }
        }
        CScoreCntrItem item;
        item.SetItemNumber(1);
        item.SetData({1});
        const int read = ReadItemStorage(item, root);
        EXPECT_TRUE(item.GetData().empty());
        EXPECT_TRUE(item.GetCachedPicture().empty());
        if (read == 2) {
            EXPECT_EQ(item.GetForeignClassName(), "Sketch Picture");   // drawn as a box with its name
        } else {
            EXPECT_EQ(read, 0);
            EXPECT_EQ(item.GetMimeType(), "");
        }
        // What was not read is not written over.
        WriteItemStorage(item, root);
        EXPECT_TRUE(root.OpenStorage("Embedding 1")->HasElement(read == 2 ? "\001CompObj" : "ObjectData"));
    }
}

TEST_F(ItemStorageTest, ItemsOfOneNumberAreSavedApartAndStoragesOfDeletedOnesGo) {
    // A frame copied within the document brings its item's number along.
    CScoreCntrItem* first = AddItem(3);
    first->SetData({1});
    first->SetMimeType("application/octet-stream");
    CScoreCntrItem* second = AddItem(3);
    second->SetData({2});
    second->SetMimeType("application/octet-stream");
    const std::string path = folder.File("piece.mmm");
    ASSERT_TRUE(doc->OnSaveDocument(path.c_str()));
    EXPECT_EQ(first->GetItemNumber(), 3u);
    EXPECT_EQ(second->GetItemNumber(), 4u);
    EXPECT_EQ(StreamsOf(path, "Embedding 3").at("Embedding 3/ObjectData"), Bytes{1});
    EXPECT_EQ(StreamsOf(path, "Embedding 4").at("Embedding 4/ObjectData"), Bytes{2});

    // The first frame deleted: its storage goes with the next save.
    MCEventList* children = doc->GetBaseEvent()->GetChildren();
    ECFrame* frame = first->GetECFrame();
    children->RemoveAt(children->Find(frame));
    ASSERT_TRUE(doc->OnSaveDocument(path.c_str()));
    EXPECT_TRUE(StreamsOf(path, "Embedding 3").empty());
    EXPECT_EQ(StreamsOf(path, "Embedding 4").at("Embedding 4/ObjectData"), Bytes{2});
}

TEST_F(ItemStorageTest, AMidiSaveKeepsNoObjects) {
    CScoreCntrItem* item = AddItem(1);
    item->SetData({1, 2});
    item->SetMimeType("application/octet-stream");
    doc->GetHeader()->SetFormat(DF_MIDI_TYPE1);
    const std::string path = folder.File("piece.mid");
    prompts.Answer(IDNO);   // not as a native document
    ASSERT_TRUE(doc->OnSaveDocument(path.c_str()));
    EXPECT_EQ(IsStorageFile(path), S_FALSE);
}

}   // namespace
