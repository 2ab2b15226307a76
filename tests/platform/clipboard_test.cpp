// Clipboard formats, data sources and data objects, in a program of the core
// alone (this test program has no GUI application object): formats keep
// their names, dropped data reads through a data object, and the clipboard
// is simply absent.
#include "platform/ui/clipboard.h"

#include <QByteArray>
#include <QMimeData>

#include <gtest/gtest.h>

#include <memory>

namespace {

std::vector<uint8_t> Contents(CFile& file) {
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    EXPECT_EQ(file.Read(bytes.data(), bytes.size()), bytes.size());
    return bytes;
}

TEST(ClipboardFormats, OneNameOneIdAndTheNameTravelsInTheMimeType) {
    const CLIPFORMAT first = RegisterClipboardFormat("ClipboardTestFormatA");
    const CLIPFORMAT second = RegisterClipboardFormat("ClipboardTestFormatB");
    EXPECT_GE(first, 0xC000);
    EXPECT_GE(second, 0xC000);
    EXPECT_NE(first, second);
    EXPECT_EQ(RegisterClipboardFormat("ClipboardTestFormatA"), first);
    // Case counts: another name, another format.
    EXPECT_NE(RegisterClipboardFormat("clipboardtestformata"), first);

    EXPECT_EQ(GetClipboardFormatName(first), "ClipboardTestFormatA");
    EXPECT_EQ(GetClipboardFormatMimeType(first), "application/x-qt-windows-mime;value=\"ClipboardTestFormatA\"");

    EXPECT_EQ(RegisterClipboardFormat(""), 0);
    EXPECT_EQ(GetClipboardFormatName(0xFFFF), "");
    EXPECT_EQ(GetClipboardFormatMimeType(1), "");
}

TEST(ClipboardDataObject, ReadsDroppedDataByFormat) {
    const CLIPFORMAT offered = RegisterClipboardFormat("ClipboardTestOffered");
    const CLIPFORMAT absent = RegisterClipboardFormat("ClipboardTestAbsent");
    auto dropped = std::make_unique<QMimeData>();
    dropped->setData(QString::fromStdString(GetClipboardFormatMimeType(offered)), QByteArray("\x01\x00\xFF", 3));

    COleDataObject data;
    EXPECT_FALSE(data.IsAttached());
    EXPECT_FALSE(data.IsDataAvailable(offered));
    data.Attach(dropped.get());
    EXPECT_TRUE(data.IsAttached());
    EXPECT_TRUE(data.IsDataAvailable(offered));
    EXPECT_FALSE(data.IsDataAvailable(absent));
    EXPECT_FALSE(data.IsDataAvailable(0));

    std::unique_ptr<CMemFile> file = data.GetFileData(offered);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->GetPosition(), 0u);
    EXPECT_EQ(Contents(*file), (std::vector<uint8_t>{0x01, 0x00, 0xFF}));
    EXPECT_EQ(data.GetFileData(absent), nullptr);

    // The drop's data dies with its event: the object then offers nothing.
    dropped.reset();
    EXPECT_FALSE(data.IsDataAvailable(offered));
    EXPECT_EQ(data.GetFileData(offered), nullptr);

    data.Release();
    EXPECT_FALSE(data.IsAttached());
}

TEST(ClipboardDataSource, OffersTheLastBytesGivenUnderEachFormat) {
    const CLIPFORMAT one = RegisterClipboardFormat("ClipboardTestOne");
    const CLIPFORMAT two = RegisterClipboardFormat("ClipboardTestTwo");
    COleDataSource source;
    source.CacheData(one, {1, 2, 3});
    source.CacheData(two, {});
    source.CacheData(one, {4});
    source.CacheData(0, {9});   // no format: ignored
    ASSERT_NE(source.GetCachedData(one), nullptr);
    EXPECT_EQ(*source.GetCachedData(one), std::vector<uint8_t>{4});

    // A drag carries the same bytes, read back through a data object.
    std::unique_ptr<QMimeData> dragged(source.CreateMimeData());
    EXPECT_EQ(dragged->formats().size(), 2);
    COleDataObject data;
    data.Attach(dragged.get());
    EXPECT_EQ(Contents(*data.GetFileData(one)), std::vector<uint8_t>{4});
    ASSERT_NE(data.GetFileData(two), nullptr);
    EXPECT_EQ(data.GetFileData(two)->GetLength(), 0u);

    source.Empty();
    EXPECT_EQ(source.GetCachedData(one), nullptr);
}

TEST(ClipboardWithoutGui, AttachingFailsAndASourceHandedOverIsLetGo) {
    COleDataObject data;
    EXPECT_EQ(data.AttachClipboard(), 0);
    EXPECT_FALSE(data.IsAttached());

    auto* source = new COleDataSource;
    source->CacheData(RegisterClipboardFormat("ClipboardTestOne"), {1});
    EXPECT_EQ(source->SetClipboard(), 0);   // and the source is gone: no leak, no crash
}

}  // namespace
