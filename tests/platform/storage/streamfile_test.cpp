// platform/storage/streamfile.cpp: streams of a storage used as files, by
// archives and by readers that seek on their own.
#include "platform/storage/streamfile.h"

#include "platform/core/archive.h"
#include "tests/platform/file_support.h"
#include "tests/platform/storage/storage_support.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

using namespace storage_test;
using file_test::TempFolder;

TEST(StreamFileTest, OpenFailuresTellNotFoundFromTheRest) {
    TempFolder dir;
    {
        auto saved = CRootStorage::Create(dir.File("saved.mmm"));
        WriteStream(*saved, "Contents", "data");
        saved->Commit();
    }
    auto readOnly = CRootStorage::Open(dir.File("saved.mmm"), CRootStorage::modeRead);
    auto root = CRootStorage::Create(dir.File("song.mmm"));
    WriteStream(*root, "Contents", "data");
    root->CreateStorage("Folder");

    const struct {
        const char* what;
        CStorage* storage;
        std::string name;
        bool create;
        unsigned flags;
        CFileException::Cause cause;
    } cases[] = {
        {"a stream that is not there", root.get(), "Missing", false, CFile::modeRead, CFileException::fileNotFound},
        {"a storage's name", root.get(), "Folder", false, CFile::modeRead, CFileException::fileNotFound},
        {"writing a read-only storage", readOnly.get(), "Contents", false, CFile::modeReadWrite,
         CFileException::accessDenied},
        {"creating in a read-only storage", readOnly.get(), "New", true, CFile::modeReadWrite,
         CFileException::accessDenied},
        {"a name the format cannot hold", root.get(), "a/b", true, CFile::modeReadWrite, CFileException::badPath},
    };
    for (const auto& c : cases) {
        CStreamFile stream;
        CFileException error;
        const bool opened = c.create ? stream.CreateStream(*c.storage, c.name, c.flags, &error)
                                     : stream.OpenStream(*c.storage, c.name, c.flags, &error);
        EXPECT_FALSE(opened) << c.what;
        EXPECT_FALSE(stream.IsOpen()) << c.what;
        EXPECT_EQ(error.m_cause, c.cause) << c.what;
        EXPECT_NE(error.m_strFileName.find(c.name), std::string::npos) << c.what;
    }
    CStreamFile stream;
    EXPECT_TRUE(stream.OpenStream(*readOnly, "Contents", CFile::modeRead));
    EXPECT_FALSE(stream.Open(dir.File("saved.mmm"), CFile::modeRead)) << "streams open through their storage";
}

TEST(StreamFileTest, ReadsSeeksAndWritesLikeAFile) {
    TempFolder dir;
    auto root = CRootStorage::Create(dir.File("song.mmm"));
    CStreamFile stream;
    ASSERT_TRUE(stream.CreateStream(*root, "Contents"));
    EXPECT_EQ(stream.GetStreamName(), "Contents");
    stream.Write("abcdef", 6);
    EXPECT_EQ(stream.Seek(10, CFile::begin), 10u);
    stream.Write("!", 1);
    EXPECT_EQ(stream.GetLength(), 11u);
    stream.SeekToBegin();
    char buffer[16] = {};
    EXPECT_EQ(stream.Read(buffer, sizeof buffer), 11u);
    EXPECT_EQ(std::string(buffer, 11), std::string("abcdef\0\0\0\0!", 11)) << "a gap reads as zeros";
    EXPECT_EQ(stream.Read(buffer, sizeof buffer), 0u) << "reading at the end is no failure";
    EXPECT_EQ(stream.Seek(-2, CFile::end), 9u);
    EXPECT_EQ(stream.Seek(1, CFile::current), 10u);
    EXPECT_EQ(stream.GetPosition(), 10u);
    EXPECT_THROW(stream.Seek(-11, CFile::current), CFileException);
    EXPECT_EQ(stream.GetPosition(), 10u) << "a refused seek leaves the position";
    stream.SetLength(3);
    EXPECT_EQ(stream.GetLength(), 3u);
    stream.Close();
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_THROW(stream.Read(buffer, 1), CFileException);

    // Writes reach the tree at once; the access asked for is kept.
    EXPECT_EQ(ReadStream(*root, "Contents"), "abc");
    ASSERT_TRUE(stream.OpenStream(*root, "Contents", CFile::modeRead));
    try {
        stream.Write("x", 1);
        ADD_FAILURE() << "a stream opened for reading took a write";
    } catch (const CFileException& error) {
        EXPECT_EQ(error.m_cause, CFileException::accessDenied);
    }
    ASSERT_TRUE(stream.OpenStream(*root, "Contents", CFile::modeWrite));
    EXPECT_THROW(stream.Read(buffer, 1), CFileException);
    stream.Write("XY", 2);
    EXPECT_EQ(ReadStream(*root, "Contents"), "XYc");

    // Create with no-truncate opens what is there.
    ASSERT_TRUE(stream.CreateStream(*root, "Contents",
                                    CFile::modeReadWrite | CFile::modeCreate | CFile::modeNoTruncate));
    EXPECT_EQ(stream.GetLength(), 3u);
}

TEST(StreamFileTest, AnOpenStreamKeepsItsBytesWhenItsElementIsReplaced) {
    TempFolder dir;
    auto root = CRootStorage::Create(dir.File("song.mmm"));
    WriteStream(*root, "Contents", "first");
    CStreamFile reader;
    ASSERT_TRUE(reader.OpenStream(*root, "Contents", CFile::modeRead));
    WriteStream(*root, "Contents", "second");
    root->DestroyElement("Contents");
    root.reset();
    char buffer[8];
    EXPECT_EQ(reader.Read(buffer, sizeof buffer), 5u);
    EXPECT_EQ(std::string(buffer, 5), "first");
}

TEST(StreamFileTest, ArchivesRunOverStreamsAndReadersSeekOnTheirOwn) {
    TempFolder dir;
    const std::string path = dir.File("song.mmm");
    const std::string big = Pattern(300000);
    {
        auto root = CRootStorage::Create(path);
        CStreamFile stream;
        ASSERT_TRUE(stream.CreateStream(*root, "Contents"));
        CArchive ar(&stream, CArchive::store);
        ar << DWORD(0x464D4D4D) << std::string("title") << LONG(-7);
        ar.Write(big.data(), big.size());
        ar.Close();
        root->Commit();
    }
    auto root = CRootStorage::Open(path);
    CStreamFile stream;
    ASSERT_TRUE(stream.OpenStream(*root, "Contents", CFile::modeRead | CFile::shareExclusive));
    CFileStatus status;
    ASSERT_TRUE(stream.GetStatus(status));
    EXPECT_EQ(status.m_szFullName, path);
    EXPECT_EQ(status.m_size, stream.GetLength());

    CArchive ar(&stream, CArchive::load | CArchive::bNoFlushOnDelete);
    DWORD magic = 0;
    std::string title;
    LONG number = 0;
    ar >> magic >> title >> number;
    EXPECT_EQ(magic, 0x464D4D4Du);
    EXPECT_EQ(title, "title");
    EXPECT_EQ(number, -7);

    // A reader that takes the file from the archive: it sees the archive's
    // position, seeks and reads on its own, and the archive goes on after it.
    ar.Flush();
    CFile* file = ar.GetFile();
    const uint64_t start = file->GetPosition();
    EXPECT_EQ(start, 4u + 1u + 5u + 4u);
    EXPECT_EQ(file->GetLength(), start + big.size());
    file->Seek(-4, CFile::end);
    char tail[4];
    ASSERT_EQ(file->Read(tail, 4), 4u);
    EXPECT_EQ(std::string(tail, 4), big.substr(big.size() - 4));
    file->Seek(static_cast<int64_t>(start), CFile::begin);
    std::string body(big.size(), '\0');
    ar.Read(body.data(), body.size());
    EXPECT_EQ(body, big);
}

}  // namespace
