// The INI text, the profile over it, and the private profile files.
#include "platform/core/inifile.h"
#include "platform/core/profile.h"

#include "tests/platform/file_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using file_test::ReadText;
using file_test::WriteText;

namespace {

// A folder of the test's own, forgotten by the profile's cache at the end.
struct ProfileFolder : file_test::TempFolder {
    ~ProfileFolder() { CProfile::FlushCache(); }
};

// Installs a fault hook on the INI reader for the scope.
using IniReadFaults = file_test::FaultHookScope<IniReadFaultHook, SetIniReadFaultHook>;

// Points the application profile at a folder for the scope.
class ApplicationProfileIn {
public:
    explicit ApplicationProfileIn(const std::string& folder) {
        const char* old = std::getenv("STAFFWRIGHT_CONFIG_DIR");
        m_old = old ? old : "";
        setenv("STAFFWRIGHT_CONFIG_DIR", folder.c_str(), 1);
    }
    ~ApplicationProfileIn() { setenv("STAFFWRIGHT_CONFIG_DIR", m_old.c_str(), 1); }

private:
    std::string m_old;
};

}  // namespace

// ---- the INI text ---------------------------------------------------------------

TEST(IniFile, ValuesReadBackExactlyAsWritten) {
    const struct { const char* value; const char* stored; } cases[] = {
        {"Arial, 12, 1, 0, 0", "Arial, 12, 1, 0, 0"},     // commas raw
        {"a=b=c", "a=b=c"},                               // equals raw
        {"C:\\Music\\Songs", "C:\\Music\\Songs"},         // backslashes raw
        {"inner  blanks", "inner  blanks"},
        {"", ""},
        {" leading", "\" leading\""},
        {"trailing\t", "\"trailing\\t\""},
        {"\"quoted\"", "\"\\\"quoted\\\"\""},
        {"ends with quote\"", "ends with quote\""},
        {"two\nlines\r", "\"two\\nlines\\r\""},
        {"bell\x07", "\"bell\\x07\""},
        {" back\\slash ", "\" back\\\\slash \""},
        {"Caf\xC3\xA9", "Caf\xC3\xA9"},                   // UTF-8 raw
    };
    for (const auto& c : cases) {
        CIniFile ini;
        ASSERT_TRUE(ini.SetValue("S", "Key", c.value));
        std::string text = ini.Write();
        EXPECT_EQ(text, std::string("[S]\nKey=") + c.stored + "\n") << c.value;

        CIniFile reread;
        reread.Parse(text);
        std::string value;
        ASSERT_TRUE(reread.GetValue("S", "Key", value)) << c.value;
        EXPECT_EQ(value, c.value);
    }
}

TEST(IniFile, SectionsAndKeysKeepFileOrderAndNewOnesAreAppended) {
    CIniFile ini;
    ini.Parse("[Sequencer\\Midi\\Record]\nZeta=1\nAlpha=2\n[Settings\\Notation]\nMiddle Key=3\n");
    ini.SetValue("Sequencer\\Midi\\Record", "Beta", "4");
    ini.SetValue("Sequencer\\Midi\\Record", "alpha", "5");   // same key, other case
    ini.SetValue("Views\\Music Score", "Visible", "1");

    EXPECT_EQ(ini.GetSectionNames(),
              (std::vector<std::string>{"Sequencer\\Midi\\Record", "Settings\\Notation", "Views\\Music Score"}));
    EXPECT_EQ(ini.GetKeys("sequencer\\midi\\record"), (std::vector<std::string>{"Zeta", "Alpha", "Beta"}));
    EXPECT_EQ(ini.Write(),
              "[Sequencer\\Midi\\Record]\nZeta=1\nAlpha=5\nBeta=4\n\n"
              "[Settings\\Notation]\nMiddle Key=3\n\n"
              "[Views\\Music Score]\nVisible=1\n");
}

TEST(IniFile, HandWrittenTextIsReadAsFarAsItMakesSense) {
    CIniFile ini;
    ini.Parse("\xEF\xBB\xBF; made by hand\r\n"
              "orphan=before any section\r\n"
              "[Info]\r\n"
              "  Name  =  General Midi  \r\n"
              "no equals sign here\r\n"
              "[unterminated\r\n"
              "=no key\r\n"
              "; a comment\r\n"
              "Path=\"C:\\Music\"\r\n"
              "[Banks]\r\n"
              "0=Bank, 5\r\n"
              "[INFO]\r\n"
              "Type=GS\r\n"
              "Name=second name loses\r\n");

    std::string value;
    EXPECT_TRUE(ini.GetValue("info", "name", value));
    EXPECT_EQ(value, "General Midi");
    EXPECT_TRUE(ini.GetValue("Info", "Path", value));
    EXPECT_EQ(value, "C:\\Music");                      // unknown escape kept
    EXPECT_TRUE(ini.GetValue("Info", "Type", value));   // the repeated section merged
    EXPECT_EQ(value, "GS");
    EXPECT_FALSE(ini.HasKey("Info", "no equals sign here"));
    EXPECT_FALSE(ini.HasKey("", "orphan"));
    EXPECT_EQ(ini.GetSectionNames(), (std::vector<std::string>{"Info", "Banks"}));
    EXPECT_EQ(ini.GetKeys("Info"), (std::vector<std::string>{"Name", "Path", "Type", "Name"}));

    // Comments survive a rewrite in place; what was skipped is gone.
    EXPECT_EQ(ini.Write(),
              "; made by hand\n\n"
              "[Info]\nName=General Midi\n; a comment\nPath=C:\\Music\nType=GS\nName=second name loses\n\n"
              "[Banks]\n0=Bank, 5\n");
}

TEST(IniFile, NamesThatIniTextCannotHoldAreRefused) {
    CIniFile ini;
    for (const char* key : {"", "a=b", "[key", ";key", " key", "key ", "two\nlines"})
        EXPECT_FALSE(ini.SetValue("Section", key, "v")) << key;
    for (const char* section : {"", "two\nlines", " padded"})
        EXPECT_FALSE(ini.SetValue(section, "Key", "v")) << section;
    ASSERT_TRUE(ini.SetValue("Odd]Name", "Key With Spaces", "v"));
    CIniFile reread;
    reread.Parse(ini.Write());
    EXPECT_EQ(reread.GetKeys("Odd]Name"), std::vector<std::string>{"Key With Spaces"});
}

TEST(IniFile, ArbitraryBytesNeverBreakTheReader) {
    std::mt19937 random(1234);
    const char alphabet[] = "[]=;\"\\\r\n \tab\x00\xFF";
    for (int round = 0; round < 300; ++round) {
        std::string text;
        int length = static_cast<int>(random() % 200);
        for (int i = 0; i < length; ++i)
            text += alphabet[random() % (sizeof alphabet - 1)];
        CIniFile ini;
        ini.Parse(text);
        // Whatever was understood writes and reads back the same.
        CIniFile again;
        again.Parse(ini.Write());
        ASSERT_EQ(again.Write(), ini.Write()) << round;
    }
}

// ---- the profile --------------------------------------------------------------

TEST(Profile, TypedValuesAndDefaults) {
    ProfileFolder folder;
    CProfile profile(folder.File("test.ini"));

    EXPECT_EQ(profile.GetInt("Settings\\Notation", "Missing", 42), 42);
    EXPECT_EQ(profile.GetString("Settings\\Notation", "Missing", "default"), "default");
    std::vector<uint8_t> data{9};
    EXPECT_FALSE(profile.GetBinary("Settings\\Notation", "Missing", data));
    EXPECT_EQ(data, std::vector<uint8_t>{9});   // untouched

    ASSERT_TRUE(profile.WriteInt("Settings\\Notation", "Negative", -17));
    EXPECT_EQ(profile.GetInt("Settings\\Notation", "Negative", 0), -17);

    const struct { const char* text; int expected; } numbers[] = {
        {"12abc", 12}, {"  +7", 7}, {"abc", 0}, {"", 0}, {"99999999999", INT32_MAX}, {"-99999999999", INT32_MIN},
    };
    for (const auto& n : numbers) {
        profile.WriteString("Numbers", "Value", n.text);
        EXPECT_EQ(profile.GetInt("Numbers", "Value", 5), n.expected) << n.text;
    }

    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<uint8_t>(i);
    ASSERT_TRUE(profile.WriteBinary("Bin", "All", all.data(), all.size()));
    ASSERT_TRUE(profile.GetBinary("Bin", "All", data));
    EXPECT_EQ(data, all);
    ASSERT_TRUE(profile.WriteBinary("Bin", "Empty", nullptr, 0));
    ASSERT_TRUE(profile.GetBinary("Bin", "Empty", data));
    EXPECT_TRUE(data.empty());
    for (const char* bad : {"ABC", "0G", "12 34"}) {
        profile.WriteString("Bin", "Bad", bad);
        EXPECT_FALSE(profile.GetBinary("Bin", "Bad", data)) << bad;
    }
    EXPECT_NE(ReadText(profile.GetPath()).find("[Bin]\nAll=000102"), std::string::npos);
}

TEST(Profile, WritesReachTheDiskWholeAndSurviveAReload) {
    ProfileFolder folder;
    std::string path = folder.File("Staffwright.ini");
    {
        CProfile profile(path);
        ASSERT_TRUE(profile.WriteString("Time\\Font", "Time", "Arial, -36, 0, 0, 0"));
        EXPECT_FALSE(profile.WriteString("Settings", " spaced key ", "value"));
        ASSERT_TRUE(profile.WriteString("Settings", "Spaced", " spaced value "));
        ASSERT_TRUE(profile.DeleteKey("Time\\Font", "Time"));
        EXPECT_FALSE(profile.DeleteKey("Time\\Font", "Time"));
        ASSERT_TRUE(profile.WriteString("Time\\Font", "Units", "Arial, -10, 0, 0, 0"));
    }
    CProfile::FlushCache();   // read from the disk, not from memory

    CProfile reread(path);
    EXPECT_EQ(reread.GetString("Settings", "Spaced"), " spaced value ");
    EXPECT_FALSE(reread.HasKey("Time\\Font", "Time"));
    EXPECT_EQ(reread.GetString("Time\\Font", "Units"), "Arial, -10, 0, 0, 0");
    ASSERT_TRUE(reread.DeleteSection("Time\\Font"));
    EXPECT_EQ(reread.GetSectionNames(), std::vector<std::string>{"Settings"});

    // Only the file itself is left: the temporary files were renamed over it.
    QDir dir(QString::fromStdString(folder.path));
    EXPECT_EQ(dir.entryList(QDir::Files | QDir::Hidden).size(), 1);
}

// Writing what the file already holds succeeds and leaves the file alone
// (each write replaces the file: a new one has a new inode).
TEST(Profile, AValueTheFileHoldsIsNotWrittenAgain) {
    ProfileFolder folder;
    std::string path = folder.File("same.ini");
    CProfile profile(path);
    auto inode = [&] {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? st.st_ino : ino_t{0};
    };
    ASSERT_TRUE(profile.WriteInt("Settings\\Notation", "PageWidth", 12240));
    const ino_t written = inode();
    ASSERT_NE(written, ino_t{0});
    EXPECT_TRUE(profile.WriteInt("Settings\\Notation", "PageWidth", 12240));
    EXPECT_TRUE(profile.WriteString("settings\\notation", "pagewidth", "12240"));   // names ignore case
    EXPECT_EQ(inode(), written);
    EXPECT_TRUE(profile.WriteInt("Settings\\Notation", "PageWidth", 11906));
    EXPECT_NE(inode(), written);
    EXPECT_EQ(profile.GetInt("Settings\\Notation", "PageWidth", 0), 11906);
}

TEST(Profile, AFileReplacedByAnotherWriterIsReadAgain) {
    ProfileFolder folder;
    std::string path = folder.File("shared.ini");
    CProfile profile(path);
    ASSERT_TRUE(profile.WriteInt("Main", "x", 1));
    EXPECT_EQ(profile.GetInt("Main", "x", 0), 1);

    CIniFile other;
    other.SetValue("Main", "x", "2");
    ASSERT_TRUE(other.Save(path));
    EXPECT_EQ(profile.GetInt("Main", "x", 0), 2);
}

TEST(Profile, ACorruptFileGivesDefaultsAndCanBeWrittenAgain) {
    ProfileFolder folder;
    std::string path = folder.File("corrupt.ini");
    using namespace std::string_literals;
    WriteText(path, "\x00\xFF[[[\n=\n]]]garbage\n[Main\nx=5\n\x01\x02\n[Main]\ny=7\n"s);

    CProfile profile(path);
    EXPECT_EQ(profile.GetInt("Main", "x", -1), -1);
    EXPECT_EQ(profile.GetInt("Main", "y", -1), 7);
    ASSERT_TRUE(profile.WriteInt("Main", "x", 3));
    CProfile::FlushCache();
    EXPECT_EQ(CProfile(path).GetInt("Main", "x", -1), 3);
}

TEST(Profile, AFailedWriteLeavesNoTraceAndReportsIt) {
    ProfileFolder folder;
    WriteText(folder.File("plain-file"), "not a folder");
    CProfile profile(folder.File("plain-file/inside.ini"));
    EXPECT_FALSE(profile.WriteInt("Main", "x", 1));
    EXPECT_EQ(profile.GetInt("Main", "x", -1), -1);   // the memory copy did not keep it
}

// A settings file that exists but cannot be read is not an empty one: a write
// then would replace it with the one new key.
TEST(Profile, AFileThatFailsToReadIsNeverWrittenOver) {
    ProfileFolder folder;
    ApplicationProfileIn scope(folder.path);
    const std::string path = CProfile::GetApplicationPath();
    // More text than one read takes, so that a read can fail part-way.
    std::string text = "[Settings\\Notation]\nMusic Font=Emmentaler, 20\n\n[Views]\n";
    for (int i = 0; i < 3000; ++i)
        text += "View " + std::to_string(i) + "=1\n";
    ASSERT_GT(text.size(), 32768u);

    const struct {
        const char* what;
        IniReadStep step;
        int firstFailing;   // the first step of that kind to fail; every later one fails too
        int osError;
    } cases[] = {
        {"no file descriptor left", IniReadStep::openFile, 1, EMFILE},
        {"no permission", IniReadStep::openFile, 1, EACCES},
        {"an I/O error part-way", IniReadStep::read, 2, EIO},
    };
    for (const auto& c : cases) {
        WriteText(path, text);
        CProfile::FlushCache();
        {
            int seen = 0;
            IniReadFaults faults([&](IniReadStep step, const std::string& file) {
                return file == path && step == c.step && ++seen >= c.firstFailing ? c.osError : 0;
            });
            EXPECT_EQ(GetProfileString("Settings\\Notation", "Music Font", "none"), "none") << c.what;
            EXPECT_FALSE(WriteProfileInt("Settings\\Notation", "Zoom", 150)) << c.what;
            EXPECT_FALSE(WriteProfileString("Views", "View 0", "0")) << c.what;
            EXPECT_FALSE(CProfile::Application().DeleteSection("Views")) << c.what;
            EXPECT_TRUE(ReadText(path) == text) << c.what << ": the file is as it was";
        }
        // Once the file reads again, writes add to what it holds.
        EXPECT_TRUE(WriteProfileInt("Settings\\Notation", "Zoom", 150)) << c.what;
        EXPECT_EQ(GetProfileString("Settings\\Notation", "Music Font"), "Emmentaler, 20") << c.what;
        EXPECT_EQ(GetProfileInt("Views", "View 2999", 0), 1) << c.what;
    }

    // Only a missing file is an empty one.
    ASSERT_EQ(std::remove(path.c_str()), 0);
    EXPECT_TRUE(WriteProfileInt("Settings\\Notation", "Zoom", 75));
    EXPECT_EQ(ReadText(path), "[Settings\\Notation]\nZoom=75\n");
}

// Settings kept in a folder of their own and linked in (as dotfile managers
// do) are written through the link, which stays a link.
TEST(Profile, AFileBehindALinkIsWrittenThroughIt) {
    ProfileFolder folder;
    ASSERT_TRUE(QDir(QString::fromStdString(folder.path)).mkdir("dotfiles"));
    const std::string target = folder.File("dotfiles/Staffwright.ini");
    const std::string link = folder.File("Staffwright.ini");
    WriteText(target, "[Main]\nx=1\n");
    ASSERT_EQ(::chmod(target.c_str(), 0644), 0);
    ASSERT_EQ(::symlink("dotfiles/Staffwright.ini", link.c_str()), 0);

    // A new file would be private under this mask: the old file's mode is kept.
    const mode_t mask = ::umask(077);
    const bool written = CProfile(link).WriteInt("Main", "y", 2);
    ::umask(mask);
    ASSERT_TRUE(written);

    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadText(target), "[Main]\nx=1\ny=2\n");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    EXPECT_EQ(QDir(QString::fromStdString(folder.File("dotfiles"))).entryList(QDir::Files | QDir::Hidden).size(), 1)
        << "no new file is left beside the target";
}

TEST(Profile, TwoThreadsWritingOneFileLoseNothing) {
    ProfileFolder folder;
    std::string path = folder.File("threads.ini");
    auto writer = [&](const char* prefix) {
        CProfile profile(path);
        for (int i = 0; i < 40; ++i)
            profile.WriteInt("Threads", prefix + std::to_string(i), i);
    };
    std::thread a(writer, "a"), b(writer, "b");
    a.join();
    b.join();

    CProfile::FlushCache();
    CProfile profile(path);
    EXPECT_EQ(profile.GetKeys("Threads").size(), 80u);
    EXPECT_EQ(profile.GetInt("Threads", "a39", -1), 39);
    EXPECT_EQ(profile.GetInt("Threads", "b39", -1), 39);
}

// ---- the application profile across processes ------------------------------

// The test runs itself again as a child process that writes the values; the
// parent then reads them back from the same folder.
TEST(Profile, ValuesWrittenByOneProcessAreReadByTheNext) {
    if (std::getenv("STAFFWRIGHT_PROFILE_CHILD")) {
        const uint8_t bytes[] = {0x00, 0x7F, 0x80, 0xFF};
        ASSERT_TRUE(WriteProfileString("Settings\\Notation", "Music Font", "Emmentaler, 20"));
        ASSERT_TRUE(WriteProfileInt("Sequencer\\Midi\\Record", "Record Mode", -3));
        ASSERT_TRUE(WriteProfileBinary("Settings", "Placement", bytes, sizeof bytes));
        ASSERT_TRUE(WriteProfileString("Settings", "Equation", " x = a, b "));
        return;
    }
    ProfileFolder folder;
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("STAFFWRIGHT_CONFIG_DIR", QString::fromStdString(folder.path));
    environment.insert("STAFFWRIGHT_PROFILE_CHILD", "1");
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=Profile.ValuesWrittenByOneProcessAreReadByTheNext"});
    ASSERT_TRUE(child.waitForFinished(60000));
    ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();

    ApplicationProfileIn scope(folder.path);
    EXPECT_EQ(CProfile::GetApplicationPath(), folder.File("Staffwright.ini"));
    EXPECT_EQ(GetProfileString("Settings\\Notation", "Music Font"), "Emmentaler, 20");
    EXPECT_EQ(GetProfileInt("Sequencer\\Midi\\Record", "Record Mode", 0), -3);
    EXPECT_EQ(GetProfileString("Settings", "Equation"), " x = a, b ");
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(GetProfileBinary("Settings", "Placement", bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x00, 0x7F, 0x80, 0xFF}));
    EXPECT_EQ(GetProfileInt("Settings", "Absent", 11), 11);
}

TEST(Profile, TheApplicationProfileLivesUnderTheMakersFolder) {
    std::string oldConfig = std::getenv("STAFFWRIGHT_CONFIG_DIR") ? std::getenv("STAFFWRIGHT_CONFIG_DIR") : "";
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    std::string xdg = oldXdg ? oldXdg : "";

    unsetenv("STAFFWRIGHT_CONFIG_DIR");
    setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
    EXPECT_EQ(CProfile::GetApplicationPath(), "/somewhere/config/Norvane/Staffwright.ini");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_NE(CProfile::GetApplicationPath().find("/.config/Norvane/Staffwright.ini"), std::string::npos);

    setenv("STAFFWRIGHT_CONFIG_DIR", oldConfig.c_str(), 1);
    if (oldXdg)
        setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
}

// ---- private profile files ----------------------------------------------------

TEST(PrivateProfile, AnInstrumentDefinitionIsReadInFileOrderBySystemPath) {
    ProfileFolder folder;
    QDir(QString::fromStdString(folder.path)).mkdir("Instruments");
    WriteText(folder.File("Instruments/General Midi.INI"),
              "[Info]\nName=General Midi\nType=GM\n"
              "[Banks]\n0=General MIDI, 0\n\n"
              "[Groups]\nPiano=Piano\nOrgan=Organ\n"
              "[Piano]\n0=Acoustic Grand Piano\n2=Electric Grand Piano, 0, 2\n1=Bright Acoustic Piano\n");

    // The system spells the path with backslashes and in its own case.
    std::string path = folder.path + "\\instruments\\GENERAL MIDI.ini";
    EXPECT_EQ(GetPrivateProfileString("Info", "Name", "", path), "General Midi");
    EXPECT_EQ(GetPrivateProfileString("Info", "Missing", "fallback", path), "fallback");
    EXPECT_EQ(GetPrivateProfileInt("Banks", "Missing", 128, path), 128);
    EXPECT_EQ(GetPrivateProfileSectionNames(path),
              (std::vector<std::string>{"Info", "Banks", "Groups", "Piano"}));
    EXPECT_EQ(GetPrivateProfileKeys("Piano", path), (std::vector<std::string>{"0", "2", "1"}));
    auto piano = GetPrivateProfileSection("Piano", path);
    ASSERT_EQ(piano.size(), 3u);
    EXPECT_EQ(piano[1], (std::pair<std::string, std::string>{"2", "Electric Grand Piano, 0, 2"}));

    std::string missing = folder.File("addr.sys");
    EXPECT_EQ(GetPrivateProfileString("URL", "Home", "", missing), "");
    EXPECT_TRUE(GetPrivateProfileSectionNames(missing).empty());
    ASSERT_TRUE(WritePrivateProfileString("URL", "Home", "http://example.invalid/a?b=c,d", missing));
    EXPECT_EQ(GetPrivateProfileString("URL", "Home", "", missing), "http://example.invalid/a?b=c,d");
}
