// platform/core/file.cpp: plain and memory files, file status, times.
#include "platform/core/file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class FileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "staffwright-file-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(m_dir, fs::perms::owner_all, ignored);
        fs::remove_all(m_dir, ignored);
    }
    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }
    std::string MakeFile(const std::string& name, const std::string& content) const {
        std::ofstream(PathOf(name), std::ios::binary) << content;
        return PathOf(name);
    }
    // The cause of the exception `open` throws, or none.
    static CFileException OpenError(const std::string& path, unsigned flags) {
        CFile file;
        CFileException error;
        EXPECT_FALSE(file.Open(path, flags, &error)) << path;
        return error;
    }

    fs::path m_dir;
};

TEST_F(FileTest, WriteSeekReadAndResize) {
    CFile file(PathOf("notes.bin"), CFile::modeCreate | CFile::modeReadWrite);
    file.Write("hello world", 11);
    EXPECT_EQ(file.GetLength(), 11u);
    EXPECT_EQ(file.GetPosition(), 11u);
    EXPECT_EQ(file.Seek(-5, CFile::end), 6u);
    char buffer[16] = {};
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 5u) << "a read at the end returns what there is";
    EXPECT_EQ(std::string(buffer, 5), "world");
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u);
    file.Seek(2, CFile::begin);
    EXPECT_EQ(file.Seek(3, CFile::current), 5u);
    file.SetLength(4);
    EXPECT_EQ(file.GetLength(), 4u);
    try {
        file.Seek(-1, CFile::begin);
        ADD_FAILURE() << "seek before the start";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::badSeek);
    }
    EXPECT_EQ(file.GetFilePath(), PathOf("notes.bin"));
    EXPECT_EQ(file.GetFileName(), "notes.bin");
    EXPECT_EQ(file.GetFileTitle(), "notes");
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_THROW(file.Read(buffer, 1), CFileException);
}

TEST_F(FileTest, CreateTruncatesUnlessAskedNotTo) {
    const std::string path = MakeFile("kept.txt", "12345");
    { CFile(path, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite); }
    EXPECT_EQ(fs::file_size(path), 5u);
    { CFile(path, CFile::modeCreate | CFile::modeWrite); }
    EXPECT_EQ(fs::file_size(path), 0u);
}

TEST_F(FileTest, FailuresCarryCauseErrnoAndName) {
    const std::string missing = PathOf("missing.mmm");
    const struct {
        const char* what;
        std::string path;
        unsigned flags;
        CFileException::Cause cause;
        int osError;
    } cases[] = {
        {"missing file", missing, CFile::modeRead, CFileException::fileNotFound, ENOENT},
        {"missing folder", PathOf("none/new.mmm"), CFile::modeCreate | CFile::modeWrite,
         CFileException::fileNotFound, ENOENT},
        {"a folder", m_dir.string(), CFile::modeRead, CFileException::accessDenied, EISDIR},
        {"a file as folder", MakeFile("plain", "") + "/x", CFile::modeRead, CFileException::badPath, ENOTDIR},
        {"no path", "", CFile::modeRead, CFileException::fileNotFound, ENOENT},
    };
    for (const auto& c : cases) {
        const CFileException error = OpenError(c.path, c.flags);
        EXPECT_EQ(error.m_cause, c.cause) << c.what;
        EXPECT_EQ(error.m_lOsError, c.osError) << c.what;
        EXPECT_EQ(error.m_strFileName, c.path) << c.what;
    }
    try {
        CFile file(missing, CFile::modeRead);
        ADD_FAILURE() << "opened a missing file";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
        std::string message;
        EXPECT_TRUE(e.GetErrorMessage(message));
        EXPECT_NE(message.find("missing.mmm"), std::string::npos) << message;
    }
    EXPECT_THROW(CFile::Remove(missing), CFileException);
    EXPECT_THROW(CFile::Rename(missing, PathOf("other")), CFileException);

    CFile reader(MakeFile("read-only-handle", "abc"), CFile::modeRead);
    EXPECT_THROW(reader.Write("x", 1), CFileException);
}

TEST_F(FileTest, ShareModesKeepOpenersApart) {
    const std::string path = MakeFile("shared.mmm", "data");
    CFile exclusive(path, CFile::modeReadWrite | CFile::shareExclusive);
    EXPECT_EQ(OpenError(path, CFile::modeRead | CFile::shareDenyWrite).m_cause,
              CFileException::sharingViolation);
    CFile relaxed;
    EXPECT_TRUE(relaxed.Open(path, CFile::modeRead | CFile::shareDenyNone));
    exclusive.Close();

    CFile reader1(path, CFile::modeRead | CFile::shareDenyWrite);
    CFile reader2(path, CFile::modeRead | CFile::shareDenyWrite);
    EXPECT_EQ(OpenError(path, CFile::modeWrite | CFile::shareDenyWrite).m_cause,
              CFileException::sharingViolation);
    // A truncating opener that is refused leaves the readers' data alone.
    EXPECT_EQ(OpenError(path, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive).m_cause,
              CFileException::sharingViolation);
    EXPECT_EQ(fs::file_size(path), 4u);
}

TEST_F(FileTest, RenameAndRemove) {
    const std::string from = MakeFile("old.mmm", "x");
    const std::string to = PathOf("new.mmm");
    CFile::Rename(from, to);
    EXPECT_FALSE(fs::exists(from));
    EXPECT_TRUE(fs::exists(to));
    CFile::Remove(to);
    EXPECT_FALSE(fs::exists(to));
}

TEST_F(FileTest, StatusOfFilesAndFolders) {
    const int64_t before = CTime::GetCurrentTime().GetTime();
    const std::string path = MakeFile("song.mid", std::string(1234, 'm'));
    const int64_t after = CTime::GetCurrentTime().GetTime();

    CFileStatus byPath;
    ASSERT_TRUE(CFile::GetStatus(path, byPath));
    EXPECT_EQ(byPath.m_size, 1234u);
    EXPECT_EQ(byPath.m_szFullName, path);
    EXPECT_EQ(byPath.m_attribute, CFile::normal);
    EXPECT_GE(byPath.m_mtime.GetTime(), before - 1);
    EXPECT_LE(byPath.m_mtime.GetTime(), after + 1);
    EXPECT_LE(byPath.m_ctime, byPath.m_mtime);

    CFile file(path, CFile::modeRead);
    CFileStatus open;
    ASSERT_TRUE(file.GetStatus(open));
    EXPECT_EQ(open.m_size, 1234u);
    EXPECT_EQ(open.m_mtime, byPath.m_mtime);
    EXPECT_EQ(open.m_szFullName, path);

    ::chmod(path.c_str(), 0444);
    const std::string hidden = MakeFile(".hidden", "");
    const struct { std::string path; uint8_t attribute; } cases[] = {
        {path, CFile::readOnly},
        {hidden, CFile::hidden},
        {m_dir.string(), CFile::directory},
    };
    for (const auto& c : cases) {
        CFileStatus status;
        ASSERT_TRUE(CFile::GetStatus(c.path, status)) << c.path;
        EXPECT_EQ(status.m_attribute, c.attribute) << c.path;
    }
    CFileStatus none;
    EXPECT_FALSE(CFile::GetStatus(PathOf("absent"), none));
}

TEST(MemFileTest, GrowsSeeksAndReadsLikeAFile) {
    CMemFile file(16);
    file.Write("abcdefghijklmnopqrstuvwxyz", 26);
    EXPECT_EQ(file.GetLength(), 26u);
    file.Seek(30, CFile::begin);
    file.Write("!", 1);
    EXPECT_EQ(file.GetLength(), 31u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.GetData()) + 26, 5), std::string("\0\0\0\0!", 5))
        << "a gap left by a seek reads as zeros";
    file.Seek(-3, CFile::end);
    char buffer[8];
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 3u);
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u);
    EXPECT_THROW(file.Seek(-1, CFile::begin), CFileException);
    file.SetLength(3);
    EXPECT_EQ(file.GetPosition(), 3u);
    CFileStatus status;
    ASSERT_TRUE(file.GetStatus(status));
    EXPECT_EQ(status.m_size, 3u);

    const std::vector<uint8_t> content = file.Detach();
    EXPECT_EQ(std::string(content.begin(), content.end()), "abc");
    EXPECT_EQ(file.GetLength(), 0u);
    file.Write("z", 1);
    EXPECT_EQ(file.GetLength(), 1u) << "a detached file starts again empty";

    CMemFile given(std::vector<uint8_t>{1, 2, 3});
    uint8_t bytes[3];
    EXPECT_EQ(given.Read(bytes, 3), 3u);
    EXPECT_EQ(bytes[2], 3);
}

TEST(MemFileTest, AttachedBufferIsUsedInPlaceAndLeftWhenGrowing) {
    uint8_t buffer[4] = {'w', 'x', 'y', 'z'};
    CMemFile fixed(buffer, sizeof buffer);
    fixed.Write("AB", 2);
    EXPECT_EQ(buffer[0], 'A') << "written in place";
    fixed.Seek(0, CFile::end);
    EXPECT_THROW(fixed.Write("C", 1), CMemoryException) << "no grow bytes: the buffer is the limit";

    CMemFile growing;
    growing.Attach(buffer, sizeof buffer, 8);
    growing.Seek(0, CFile::end);
    growing.Write("++", 2);
    EXPECT_EQ(growing.GetLength(), 6u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(growing.GetData()), 6), "AByz++");
    growing.Seek(0, CFile::begin);
    growing.Write("-", 1);
    EXPECT_EQ(buffer[0], 'A') << "after growing the file no longer writes into the buffer";
}

TEST(TimeTest, FieldsAndFormatting) {
    const CTime leapDay(2024, 2, 29, 13, 45, 30);
    EXPECT_EQ(leapDay.GetYear(), 2024);
    EXPECT_EQ(leapDay.GetMonth(), 2);
    EXPECT_EQ(leapDay.GetDay(), 29);
    EXPECT_EQ(leapDay.GetHour(), 13);
    EXPECT_EQ(leapDay.GetMinute(), 45);
    EXPECT_EQ(leapDay.GetSecond(), 30);
    EXPECT_EQ(leapDay.GetDayOfWeek(), 5);   // a Thursday
    EXPECT_EQ(leapDay.Format("%d.%m.%Y %H:%M"), "29.02.2024 13:45");
    EXPECT_EQ(CTime(leapDay.GetTime() + 86400).GetMonth(), 3);

    EXPECT_EQ(CTime(0).FormatGmt("%Y-%m-%d %H:%M:%S"), "1970-01-01 00:00:00");
    EXPECT_EQ(CTime(951782400).FormatGmt("%Y-%m-%d"), "2000-02-29");
    EXPECT_LT(CTime(1), CTime(2));
}

}  // namespace
