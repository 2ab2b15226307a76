// Embedded objects made from files and from offered data: the bytes, the
// type, the name, the link, and the extent an image's pixels and resolution
// give; what cannot be read makes nothing and leaves the item as it was.
#include "interface/document/embedding.h"

#include "interface/document/oledata.h"
#include "model/frame.h"
#include "platform/ui/clipboard.h"
#include "tests/interface/document/embedding_support.h"
#include "tests/platform/file_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace embedding_test;

void WriteBytes(const std::string& path, const Bytes& bytes) {
    file_test::WriteText(path, std::string(bytes.begin(), bytes.end()));
}

TEST(Embedding, AnImageFileTakesItsPixelsAtItsResolution) {
    const struct {
        int width, height;
        double dpi;
        int32_t cx, cy;
    } cases[] = {
        {200, 100, 192, 2646, 1323},   // 200 px at 192 dpi: 1.04 inch
        {200, 100, 0, 5292, 2646},     // no resolution: 96 dpi
        {96, 48, 96, 2540, 1270},
        {1, 1, 0, 26, 26},
    };
    file_test::TempFolder folder;
    for (const auto& c : cases) {
        const std::string path = folder.File("picture.png");
        const Bytes png = Png(c.width, c.height, c.dpi);
        WriteBytes(path, png);
        CScoreCntrItem item;
        ASSERT_EQ(CreateItemFromFile(item, path, 0), 1) << c.dpi;
        EXPECT_EQ(item.GetData(), png);
        EXPECT_EQ(item.GetMimeType(), "image/png");
        EXPECT_EQ(item.GetFileName(), "picture.png");
        EXPECT_FALSE(item.IsLinked());
        EXPECT_EQ(item.GetExtentX(), c.cx) << c.width << " px at " << c.dpi;
        EXPECT_EQ(item.GetExtentY(), c.cy) << c.height << " px at " << c.dpi;
    }
}

TEST(Embedding, AnyOtherFileIsAnIconBoxAndALinkKeepsItsAbsolutePath) {
    file_test::TempFolder folder;
    const std::string path = folder.File("notes.txt");
    file_test::WriteText(path, "first verse\n");
    CScoreCntrItem item;
    ASSERT_EQ(CreateItemFromFile(item, path, 1), 1);
    EXPECT_EQ(std::string(item.GetData().begin(), item.GetData().end()), "first verse\n");
    EXPECT_EQ(item.GetMimeType(), "text/plain");
    EXPECT_EQ(item.GetFileName(), "notes.txt");
    EXPECT_EQ(item.GetExtentX(), kIconExtentX);
    EXPECT_EQ(item.GetExtentY(), kIconExtentY);
    EXPECT_TRUE(item.IsLinked());
    EXPECT_EQ(item.GetLinkPath(), std::filesystem::path(path).lexically_normal().string());

    // Made again from another file: nothing of the link or the extent stays.
    const std::string png = folder.File("p.png");
    WriteBytes(png, Png(96, 96, 96));
    ASSERT_EQ(CreateItemFromFile(item, png, 0), 1);
    EXPECT_FALSE(item.IsLinked());
    EXPECT_EQ(item.GetExtentY(), 2540);
}

TEST(Embedding, WhatCannotBeReadMakesNothingAndLeavesTheItem) {
    file_test::TempFolder folder;
    const std::string unreadable = folder.File("locked.bin");
    file_test::WriteText(unreadable, "x");
    std::filesystem::permissions(unreadable, std::filesystem::perms::none);
    const bool root = std::ifstream(unreadable).good();   // root reads it anyway
    CScoreCntrItem item;
    item.SetData({1, 2, 3});
    item.SetMimeType("application/x-kept");
    item.SetExtent(7, 8);
    std::vector<std::string> paths = {folder.File("missing.png"), folder.path};
    if (!root)
        paths.push_back(unreadable);
    for (const std::string& path : paths) {
        EXPECT_EQ(CreateItemFromFile(item, path, 0), 0) << path;
        EXPECT_EQ(item.GetData(), (Bytes{1, 2, 3}));
        EXPECT_EQ(item.GetMimeType(), "application/x-kept");
        EXPECT_EQ(item.GetExtentX(), 7);
    }
}

TEST(Embedding, OfferedDataTakesTheFirstReadableFileElseTheImage) {
    file_test::TempFolder folder;
    const std::string png = folder.File("drop.png");
    const Bytes bytes = Png(30, 20, 0);
    WriteBytes(png, bytes);

    // Files first: a remote URL and a missing file are passed over.
    auto files = OfferFiles({"https://example.org/a.png", folder.File("gone.png"), png});
    files->setImageData(QImage(5, 5, QImage::Format_RGB32));
    COleDataObject data;
    data.Attach(files.get());
    EXPECT_EQ(CanCreateItemFromData(data), 1);
    CScoreCntrItem linked;
    ASSERT_EQ(CreateItemFromData(linked, data, 1), 1);
    EXPECT_EQ(linked.GetData(), bytes);
    EXPECT_EQ(linked.GetLinkPath(), png);
    EXPECT_EQ(linked.GetExtentX(), 794);   // 30 px at 96 dpi
    const std::vector<EmbeddableSource> sources = ListEmbeddableSources(data);
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(sources[0].path, png);
    EXPECT_EQ(sources[0].label, "File drop.png");
    EXPECT_EQ(sources[1].path, "");

    // An image alone: kept as PNG, never linked.
    auto image = OfferImage(40, 10);
    data.Attach(image.get());
    CScoreCntrItem picture;
    ASSERT_EQ(CreateItemFromData(picture, data, 1), 1);
    EXPECT_EQ(picture.GetMimeType(), "image/png");
    EXPECT_EQ(picture.GetFileName(), kPastedImageName);
    EXPECT_FALSE(picture.IsLinked());
    EXPECT_EQ(QImage::fromData(picture.GetData().data(), static_cast<int>(picture.GetData().size()), "PNG").size(),
              QSize(40, 10));

    // Bytes under an image type are an image too.
    auto typed = std::make_unique<QMimeData>();
    typed->setData("image/png", QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                           static_cast<qsizetype>(bytes.size())));
    data.Attach(typed.get());
    EXPECT_EQ(CanCreateItemFromData(data), 1);

    // Nothing that can become an object.
    auto text = std::make_unique<QMimeData>();
    text->setText("just words");
    auto remote = OfferFiles({"https://example.org/a.png"});
    for (QMimeData* offered : {text.get(), remote.get()}) {
        data.Attach(offered);
        CScoreCntrItem none;
        EXPECT_EQ(CanCreateItemFromData(data), 0);
        EXPECT_EQ(CreateItemFromData(none, data, 0), 0);
        EXPECT_TRUE(none.GetData().empty());
        EXPECT_TRUE(ListEmbeddableSources(data).empty());
    }
}

TEST(Embedding, TheReaderAnswersForObjectsItCanMake) {
    file_test::TempFolder folder;
    WriteBytes(folder.File("a.png"), Png(4, 4, 0));
    auto files = OfferFiles({folder.File("a.png")});
    auto text = std::make_unique<QMimeData>();
    text->setText("words");
    COleDataIn in(nullptr);
    in.GetDataObject().Attach(files.get());
    EXPECT_EQ(in.CheckForData(OLEDATA_OLEOBJECT), 1);
    EXPECT_EQ(in.CheckForData(0), 1);   // no music, but an object
    EXPECT_EQ(in.CheckForData(OLEDATA_EVENTS), 0);
    in.GetDataObject().Attach(text.get());
    EXPECT_EQ(in.CheckForData(OLEDATA_OLEOBJECT), 0);
    EXPECT_EQ(in.CheckForData(0), 0);
}

}   // namespace
