// Paths, the program's folder, temporary files, copies, attributes and searches.
#include "platform/core/filesys.h"

#include "tests/platform/file_support.h"

#include <QCoreApplication>
#include <QString>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using file_test::ReadText;
using file_test::TempFolder;
using file_test::WriteText;

namespace {

std::vector<std::string> Names(const std::vector<FileFindData>& found) {
    std::vector<std::string> names;
    for (const auto& f : found)
        names.push_back(f.name);
    return names;
}

// Whether `text` is whole UTF-8: a cut character does not survive the round trip.
bool IsUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUtf8().toStdString() == text;
}

}  // namespace

TEST(FileSys, PathsAcceptTheSystemsBackslashes) {
    const struct { const char* folder; const char* name; const char* joined; } cases[] = {
        {"C:\\Program\\PlugIns", "Cantrel.DLL", "C:/Program/PlugIns/Cantrel.DLL"},
        {"/opt/app/", "Instruments\\GM.INI", "/opt/app/Instruments/GM.INI"},
        {"/opt/app", "/addr.sys", "/opt/app/addr.sys"},
        {"", "Music.tip", "Music.tip"},
        {"/", "tmp", "/tmp"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PathJoin(c.folder, c.name), c.joined) << c.folder << " + " << c.name;
}

// Names read from a file a user may edit reach no other folder.
TEST(FileSys, PlainFileNamesStayInTheirFolder) {
    const struct { std::string name; bool plain; } cases[] = {
        {"Wallpaper.DLL", true}, {"General Midi", true}, {std::string(255, 'a'), true},
        {"", false}, {std::string(256, 'a'), false}, {"..", false}, {"../x.so", false},
        {".hidden", false}, {"/usr/lib/x.so", false}, {"a\\b", false}, {"tab\there", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsPlainFileName(c.name), c.plain) << c.name;
}

TEST(FileSys, WildcardsMatchLikeTheSystemsFileSystem) {
    const struct { const char* pattern; const char* name; bool match; } cases[] = {
        {"*.INI", "General Midi.ini", true},
        {"*.INI", "General Midi.INI", true},
        {"*.INI", "readme.txt", false},
        {"*.DLL", "libCantrel.so", true},      // the system's library pattern finds ours
        {"*.dll", "Mixer.so", true},
        {"*.DLL", "Mixer.dll", false},
        {"*.DLL", "libCantrel.so.1", false},
        {"*.so", "libCantrel.so", true},
        {"*.*", "Makefile", true},
        {"*", ".hidden", true},
        {"Tip?.txt", "tip1.TXT", true},
        {"Tip?.txt", "tip12.txt", false},
        {"a*b*c", "aXXbYYc", true},
        {"a*b*c", "aXXbYY", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchFileName(c.pattern, c.name), c.match) << c.pattern << " ~ " << c.name;
}

TEST(FileSys, SearchFindsMatchesInNameOrderWithAttributes) {
    TempFolder folder;
    for (const char* name : {"b.ini", "A.INI", "c.txt", ".hidden.ini", "libPlug.so"})
        WriteText(folder.File(name), "x");
    ASSERT_EQ(::mkdir(folder.File("d.ini").c_str(), 0755), 0);

    auto found = FindFiles(folder.path + "\\*.INI");
    EXPECT_EQ(Names(found), (std::vector<std::string>{".hidden.ini", "A.INI", "b.ini", "d.ini"}));
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0].attributes, FILE_ATTR_HIDDEN | FILE_ATTR_ARCHIVE);
    EXPECT_EQ(found[1].path, folder.File("A.INI"));
    EXPECT_EQ(found[1].size, 1);
    EXPECT_EQ(found[3].attributes, FILE_ATTR_DIRECTORY);

    EXPECT_EQ(Names(FindFiles(folder.path + "/*.DLL")), std::vector<std::string>{"libPlug.so"});
    EXPECT_TRUE(FindFiles(folder.path + "/*.mmm").empty());
    EXPECT_TRUE(FindFiles(folder.File("missing") + "/*.*").empty());
}

TEST(FileSys, PathsResolveWithoutRegardToCase) {
    TempFolder folder;
    ASSERT_EQ(::mkdir(folder.File("Instruments").c_str(), 0755), 0);
    WriteText(folder.File("Instruments/General Midi.INI"), "x");

    EXPECT_EQ(ResolvePathCase(folder.path + "\\INSTRUMENTS\\general midi.ini"),
              folder.File("Instruments/General Midi.INI"));
    EXPECT_EQ(ResolvePathCase(folder.File("Instruments/Other.INI")), folder.File("Instruments/Other.INI"));
}

TEST(FileSys, TheProgramFolderIsTheExecutablesAndCanBeReplaced) {
    std::string expected = QCoreApplication::applicationDirPath().toStdString();
    EXPECT_EQ(GetProgramFolder(), expected);
    EXPECT_EQ(PathJoin(GetProgramFolder(), "platform_tests"), GetProgramPath());

    SetProgramFolder("C:\\elsewhere");
    EXPECT_EQ(GetProgramFolder(), "C:/elsewhere");
    SetProgramFolder("");
    EXPECT_EQ(GetProgramFolder(), expected);
}

TEST(FileSys, TemporaryFilesAreCreatedUniqueWithTheirPrefix) {
    TempFolder folder;
    std::set<std::string> names;
    for (int i = 0; i < 5; ++i) {
        std::string path = GetTempFileName("mid", folder.path);
        ASSERT_FALSE(path.empty());
        EXPECT_TRUE(FileExists(path));
        EXPECT_EQ(path.rfind(folder.File("mid"), 0), 0u) << path;
        EXPECT_EQ(path.substr(path.size() - 4), ".tmp");
        names.insert(path);
    }
    EXPECT_EQ(names.size(), 5u);
    EXPECT_EQ(GetTempFileName("bad/prefix"), "");
    EXPECT_EQ(GetTempFileName("x", folder.File("missing")), "");

    std::string inTemp = GetTempFileName("sw");
    ASSERT_FALSE(inTemp.empty());
    EXPECT_EQ(inTemp.rfind(GetTempPath() + "/sw", 0), 0u);
    std::remove(inTemp.c_str());
}

TEST(FileSys, CopiesAreWholeOrNotAtAll) {
    TempFolder folder;
    std::string source = folder.File("song.mmm"), target = folder.File("copy.mmm");
    std::string content(200000, 'x');
    content[12345] = '\0';
    WriteText(source, content);
    ::chmod(source.c_str(), 0640);

    ASSERT_TRUE(CopyFile(source, target, true));
    EXPECT_EQ(ReadText(target), content);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    WriteText(target, "old");
    EXPECT_FALSE(CopyFile(source, target, true));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(ReadText(target), "old");

    EXPECT_FALSE(CopyFile(folder.File("missing"), target, false));
    EXPECT_FALSE(CopyFile(folder.path, target, false));   // a folder is not copied
    EXPECT_EQ(ReadText(target), "old");

    ASSERT_TRUE(CopyFile(source, target, false));
    EXPECT_EQ(ReadText(target), content);
    EXPECT_EQ(FindFiles(folder.path + "/*").size(), 2u);   // no temporary file left behind
}

// A file made beside a target takes a name longer than the target's own, which
// may already be as long as names go.
TEST(FileSys, FilesMadeBesideATargetFitEveryNameTheTargetCanHave) {
    TempFolder folder;
    std::string euros = "a";
    for (int i = 0; i < 84; ++i)
        euros += "\xE2\x82\xAC";   // three bytes each: a cut at 243 bytes falls inside one
    std::string accents;
    for (int i = 0; i < 123; ++i)
        accents += "\xC3\xA9";
    const std::string names[] = {"song.mmm", std::string(255, 'n'), accents + ".mmm", euros};
    const std::string source = folder.File("source");
    WriteText(source, "copied");
    for (const std::string& name : names) {
        ASSERT_LE(name.size(), 255u);
        const std::string target = folder.File(name);
        std::string made;
        const int fd = CreateFileBeside(target, made);
        ASSERT_GE(fd, 0) << name.size() << ": " << std::strerror(errno);
        ::close(fd);
        std::remove(made.c_str());
        const std::string madeName = made.substr(folder.path.size() + 1);
        EXPECT_LE(madeName.size(), 255u) << name.size();
        EXPECT_TRUE(IsUtf8(madeName)) << madeName;
        EXPECT_EQ(madeName.rfind("." + name.substr(0, madeName.size() - 12) + ".", 0), 0u) << madeName;

        ASSERT_TRUE(CopyFile(source, target, false)) << name.size() << ": " << std::strerror(errno);
        EXPECT_EQ(ReadText(target), "copied");
        ASSERT_TRUE(ReplaceFileContents(target, "replaced", 8)) << name.size() << ": " << std::strerror(errno);
        EXPECT_EQ(ReadText(target), "replaced");
        std::remove(target.c_str());
    }
    EXPECT_EQ(FindFiles(folder.path + "/*").size(), 1u) << "nothing is left behind";
}

TEST(FileSys, AttributesFollowTheFile) {
    TempFolder folder;
    std::string file = folder.File("file.txt");
    WriteText(file, "x");
    uint8_t attributes = 0xFF;
    ASSERT_TRUE(GetFileAttributes(file, attributes));
    EXPECT_EQ(attributes, FILE_ATTR_ARCHIVE);

    ASSERT_TRUE(SetFileAttributes(file, FILE_ATTR_READONLY | FILE_ATTR_ARCHIVE));
    ASSERT_TRUE(GetFileAttributes(file, attributes));
    EXPECT_EQ(attributes, FILE_ATTR_READONLY | FILE_ATTR_ARCHIVE);
    ASSERT_TRUE(SetFileAttributes(file, FILE_ATTR_NORMAL));
    ASSERT_TRUE(GetFileAttributes(file, attributes));
    EXPECT_EQ(attributes, FILE_ATTR_ARCHIVE);

    ASSERT_TRUE(GetFileAttributes(folder.path + "/", attributes));
    EXPECT_TRUE(attributes & FILE_ATTR_DIRECTORY);
    EXPECT_FALSE(GetFileAttributes(folder.File("missing"), attributes));
    EXPECT_FALSE(SetFileAttributes(folder.File("missing"), FILE_ATTR_NORMAL));
}
