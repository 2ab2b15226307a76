// The program under a damaged profile: every value it reads garbled (huge,
// negative, out of range, not a number, text of any kind), it still starts,
// prints a small MIDI file to a PDF from the command line within its time,
// ends normally with 0, and the PDF is whole, on a paper of a sane size. A
// stored page size no paper has prints on the default paper.
//
// The same profiles (a quarter as many, at least four) start the program in
// this process too, where its main window comes up (a print leaves it
// hidden): its bars, time display, tool windows and placement read the
// garbled values.
//
// The garbled profiles are made from fixed seeds, so a failure names the
// seed that shows it and is repeated by running that seed again. A normal
// run tries 32 profiles; STAFFWRIGHT_DAMAGED_PROFILES=N tries N (the
// sanitizer runs take a few hundred), from seed 1000 or the one
// STAFFWRIGHT_DAMAGED_PROFILE_FIRST names. STAFFWRIGHT_DAMAGED_PROFILE_SEED=S
// runs seed S alone and keeps its profile in the temporary folder it names.
#include "app/staffwrightapp.h"
#include "platform/core/profile.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/metrics.h"
#include "platform/ui/placement.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/wnd.h"
#include "tests/app/app_support.h"
#include "tests/platform/messaging_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// Every key the program reads from its profile, with a value a normal run
// could have stored there.
struct StoredKey {
    const char* section;
    const char* key;
    const char* value;
};
const StoredKey kKeys[] = {
    {"Main", "x", "40"}, {"Main", "y", "30"}, {"Main", "Width", "1024"}, {"Main", "Height", "700"},
    {"Main", "Iconic", "0"}, {"Main", "Maximized", "0"}, {"Main", "Mode", "1"},
    {"Main\\Toolbars\\State", "Layout", "1|59393,T,1;59394,T,0;59419,F,1,120,80;59393,S,1"},
    {"Components\\Mixer", "FloatWidth", "600"}, {"Components\\Mixer", "x", "100"}, {"Components\\Mixer", "y", "100"},
    {"Components\\Inspector", "x", "200"}, {"Components\\Inspector", "y", "120"},
    {"Components\\Palette", "x", "300"}, {"Components\\Palette", "y", "140"},
    {"Recent File List", "File1", "/tmp/one.mid"}, {"Recent File List", "File2", "/tmp/two.mmm"},
    {"Recent File List", "File7", "/tmp/seven.mid"},
    {"New", "Template", "Normal.mmt"}, {"New", "Default Ext", "1"}, {"New", "Dir", "/tmp"},
    {"Resources", "Buttons", "Buttons1.DLL"},
    {"Settings", "FollowScore", "1"}, {"Settings", "Preferences", "0"},
    {"Settings\\Background", "Image", "0"}, {"Settings\\Background", "Module", "Wallpaper.DLL"},
    {"Settings\\Color", "Selection", "65280"},
    {"Settings\\Font", "Music Font", "Norvane2,-32"}, {"Settings\\Font", "Text Font", "Arial,-12,0,0,0"},
    {"Settings\\Font", "Expression Font", "Times New Roman,-12,1,1,0"},
    {"Settings\\Font", "Lyric Font", "Arial,-12,0,0,0"}, {"Settings\\Font", "Chart Font", "Fretmark,-28"},
    {"Settings\\Font", "Large Font", "Arial, -24, 0, 0, 0"}, {"Settings\\Font", "Fixed-Pitch Font", "Courier, -14, 0, 0, 0"},
    {"Settings\\Goto", "ShowMarkers", "1"}, {"Settings\\Goto", "Advanced", "0"},
    {"Settings\\Keyboard", "LowNote", "21"}, {"Settings\\Keyboard", "HighNote", "108"},
    {"Settings\\Keyboard", "Velocity", "127"},
    {"Settings\\Notation", "MeasuresPerLine", "4"}, {"Settings\\Notation", "SystemsPerPage", "0"},
    {"Settings\\Notation", "MultipleMeasures", "0"}, {"Settings\\Notation", "CollapseThreshold", "4"},
    {"Settings\\Notation", "IndentX", "400"}, {"Settings\\Notation", "IndentY", "400"},
    {"Settings\\Notation", "MeasureNumbers", "1"}, {"Settings\\Notation", "MeasureNumberOptions", "1"},
    {"Settings\\Notation", "Duration", "90"}, {"Settings\\Notation", "Resolution", "120"},
    {"Settings\\Notation", "Tuplets", "1"}, {"Settings\\Notation", "TupletUnit", "2"},
    {"Settings\\Tips", "ShowStartUp", "0"}, {"Settings\\Tips", "TipNumber", "3"},
    {"Splash", "VersionFont", "Times New Roman, -24, 1, 0, 0"}, {"Splash", "MessageFont", "Arial, -12, 0, 0, 0"},
    {"Splash", "VersionColor", "8421376"}, {"Splash", "MessageColor", "0"},
    {"Time", "Format", "1"}, {"Time", "ShowUnits", "1"},
    {"Time\\Color", "Background", "0"}, {"Time\\Color", "Time", "255"}, {"Time\\Color", "Units", "65535"},
    {"Time\\Font", "Time", "Arial, -36, 0, 0, 0"}, {"Time\\Font", "Units", "Arial, -10, 0, 0, 0"},
    {"Views\\Music Score", "PageWidth", "12240"}, {"Views\\Music Score", "PageHeight", "-15840"},
    {"Views\\Music Score", "MarginLeft", "0.750000"}, {"Views\\Music Score", "MarginTop", "0.750000"},
    {"Views\\Music Score", "MarginRight", "0.750000"}, {"Views\\Music Score", "MarginBottom", "0.750000"},
    {"Views\\Music Score", "StaffColor", "8421504"}, {"Views\\Music Score", "Visible", "1"},
    {"Views\\Music Score", "x", "10"}, {"Views\\Music Score", "y", "10"},
    {"Views\\Music Score", "Width", "800"}, {"Views\\Music Score", "Height", "600"},
    {"Views\\Music Score", "Maximized", "1"},
    {"Sequencer", "GlobalPPQ", "480"}, {"Sequencer", "AutoRewind", "1"},
    {"Sequencer\\Midi\\Play", "Default Device", "0"}, {"Sequencer\\Midi\\Play", "Thin Controllers", "0"},
    {"Sequencer\\Midi\\Play", "Thin Pitch Bend", "0"}, {"Sequencer\\Midi\\Play", "Thin Aftertouch", "0"},
    {"Sequencer\\Midi\\Play\\Devices\\0", "Instrument Map", "General Midi"},
    {"Sequencer\\Midi\\Play\\Devices\\0", "Drum Map", "General Midi Drums"},
    {"Sequencer\\Midi\\Play\\Filter", "Notes", "1"}, {"Sequencer\\Midi\\Play\\Filter", "Controllers", "1"},
    {"Sequencer\\Midi\\Record", "Split Mode", "0"}, {"Sequencer\\Midi\\Record", "Split Pitch", "60"},
    {"Sequencer\\Midi\\Record", "Quantization Division 1", "4"},
    {"Sequencer\\Midi\\Record", "Quantization Div 2 Enabled", "1"},
    {"Sequencer\\Midi\\Record", "Quantization Division 2", "3"},
    {"Sequencer\\Midi\\Record", "Quantization Percent", "50"}, {"Sequencer\\Midi\\Record", "Quantization Mode", "3"},
    {"Sequencer\\Midi\\Record", "Quantization Enabled", "1"},
    {"Sequencer\\Midi\\Record\\Filter", "Notes", "1"},
    {"Sequencer\\Midi\\Thru", "Device", "0"}, {"Sequencer\\Midi\\Thru", "Channel", "0"},
    {"Sequencer\\Midi\\Thru", "Enabled", "1"},
    {"Sequencer\\Midi\\Metronome", "Channel", "10"}, {"Sequencer\\Midi\\Metronome", "Pitch 1", "48"},
    {"Sequencer\\Midi\\Metronome", "Velocity 1", "127"}, {"Sequencer\\Midi\\Metronome", "Pitch 2", "41"},
    {"Sequencer\\Midi\\Metronome", "Velocity 2", "64"}, {"Sequencer\\Midi\\Metronome", "Play Enable", "1"},
    {"Sequencer\\Midi\\Metronome", "Record Enable", "1"}, {"Sequencer\\Midi\\Metronome", "Source", "1"},
    {"Sequencer\\Midi\\Metronome", "Device", "0"},
    {"Sequencer\\Wave\\Play", "Default Device", "0"}, {"Sequencer\\Wave\\Play", "Track Count", "-1"},
    {"Sequencer\\Wave\\Record", "Default Device", "0"},
};

// The program run: the one built beside this test, or the one in the folder
// STAFFWRIGHT_DAMAGED_PROFILE_PROGRAM names (a build with the sanitizers).
QString ProgramFolder() {
    const char* folder = std::getenv("STAFFWRIGHT_DAMAGED_PROFILE_PROGRAM");
    return folder ? QString::fromLocal8Bit(folder) : QStringLiteral(STAFFWRIGHT_PROGRAM_FOLDER);
}

// A printing run of the program: the exit, what it said, and the PDF.
class DamagedProfileTest : public ::testing::Test {
protected:
    struct Run {
        bool finished = false;
        bool normalExit = false;
        int exitCode = -1;
        std::string errors;
    };

    void SetUp() override {
        if (QStandardPaths::findExecutable("pdfinfo").isEmpty())
            GTEST_SKIP() << "pdfinfo is not installed (tools/setup)";
        ASSERT_TRUE(m_dir.isValid());
        m_song = m_folder.WriteMidiFile("song.mid");
    }

    QString Path(const QString& name) const { return m_dir.filePath(name); }

    // A fresh profile folder holding `values` (section, key, value).
    QString WriteProfile(const QString& name, const std::vector<std::pair<const StoredKey*, std::string>>& values) {
        const QString folder = Path(name);
        QDir(folder).removeRecursively();
        EXPECT_TRUE(QDir().mkpath(folder));
        CProfile profile((folder + "/Staffwright.ini").toStdString());
        for (const auto& [stored, value] : values)
            EXPECT_TRUE(profile.WriteString(stored->section, stored->key, value)) << stored->key;
        CProfile::FlushCache();
        return folder;
    }

    // Prints the song to `pdf` with the profile in `profileFolder`, given
    // `seconds` to end (the sanitizers make a run several times slower).
    Run Print(const QString& profileFolder, const QString& pdf, int seconds = 90) const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
        environment.insert("STAFFWRIGHT_CONFIG_DIR", profileFolder);
        environment.insert("STAFFWRIGHT_DEVICES", "capture");
        QFile::remove(pdf);
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(ProgramFolder() + "/staffwright",
                      {"--print-to", QString::fromStdString(m_song), pdf});
        Run run;
        run.finished = program.waitForFinished(seconds * 1000);
        if (!run.finished) {
            program.kill();
            program.waitForFinished();
        }
        run.normalExit = program.exitStatus() == QProcess::NormalExit;
        run.exitCode = program.exitCode();
        run.errors = program.readAllStandardError().left(2000).toStdString();
        return run;
    }

    QTemporaryDir m_dir;
    AppTestFolder m_folder;
    std::string m_song;
};

// What pdfinfo reads of a PDF: whether it read it, the pages, the first
// page's size in points.
struct PdfPages {
    bool read = false;
    int pages = 0;
    double width = 0;
    double height = 0;
};
PdfPages ReadPdf(const QString& path) {
    QProcess info;
    info.start("pdfinfo", {path});
    info.waitForFinished(60000);
    PdfPages out;
    out.read = info.exitStatus() == QProcess::NormalExit && info.exitCode() == 0;
    const QString text = QString::fromUtf8(info.readAllStandardOutput());
    const auto pages = QRegularExpression("Pages:\\s+(\\d+)").match(text);
    const auto size = QRegularExpression("Page size:\\s+([\\d.]+) x ([\\d.]+) pts").match(text);
    if (pages.hasMatch())
        out.pages = pages.captured(1).toInt();
    if (size.hasMatch()) {
        out.width = size.captured(1).toDouble();
        out.height = size.captured(2).toDouble();
    }
    return out;
}

// A whole PDF ends with its end-of-file mark.
bool EndsWithEofMark(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    return bytes.trimmed().endsWith("%%EOF");
}

// A value a damaged or hand-edited profile may hold.
std::string GarbledValue(std::mt19937& random) {
    auto pick = [&random](int count) { return static_cast<int>(random() % static_cast<unsigned>(count)); };
    auto anyInt = [&random] { return std::to_string(static_cast<int32_t>(random())); };
    auto text = [&](int length) {
        std::string out;
        for (int i = 0; i < length; ++i)
            out += static_cast<char>(1 + pick(255));   // any byte but zero, control characters too
        return out;
    };
    static const char* const kEdges[] = {
        "2147483647", "-2147483648", "2147483648", "-2147483649", "4294967295", "99999999999999999999",
        "-1", "0", "1", "65535", "65536", "16777216", "-16777216", "1e30", "-1e30", "nan", "inf", "1e-30",
        "0x7fffffff", "", " ", ",", ",,,,", "1|", "1|;", "1|59393,F,1,2147483647,-2147483648",
        "1|59393,F,1,99999999999,1", "1|0,T,1", "Arial, 2147483647, 1, 1, 1", "Arial, -2147483648",
        ", 2147483648", "Norvane2,0", "Norvane2,-2147483648", "Norvane2,100000", "../../../../etc/passwd",
        "/dev/zero", "/nonexistent/Wallpaper.DLL",
    };
    switch (pick(7)) {
    case 0: return anyInt();
    case 1: return std::to_string(pick(2001) - 1000);
    case 2: return kEdges[pick(static_cast<int>(std::size(kEdges)))];
    case 3: return text(1 + pick(40));
    case 4: return text(4000 + pick(4000));
    case 5: return anyInt() + "," + anyInt() + "," + anyInt() + "," + anyInt() + "," + anyInt();
    default: return std::to_string(random()) + std::to_string(random()) + "." + std::to_string(random());
    }
}

// The profile of one seed: the keys above, most of them garbled, some as a
// normal run would have them, a few absent.
std::vector<std::pair<const StoredKey*, std::string>> GarbledProfile(unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::pair<const StoredKey*, std::string>> values;
    for (const StoredKey& stored : kKeys) {
        const unsigned roll = random() % 10;
        if (roll == 0)
            continue;
        values.emplace_back(&stored, roll < 3 ? std::string(stored.value) : GarbledValue(random));
    }
    return values;
}

// The first seed: 1000, or STAFFWRIGHT_DAMAGED_PROFILE_FIRST (runs share a
// long list out between them).
int FirstSeed() {
    const char* first = std::getenv("STAFFWRIGHT_DAMAGED_PROFILE_FIRST");
    return first ? std::atoi(first) : 1000;
}

int ProfileCount() {
    const char* count = std::getenv("STAFFWRIGHT_DAMAGED_PROFILES");
    return count && std::atoi(count) > 0 ? std::atoi(count) : 32;
}

// A sane page: between an inch and 200 inches each way.
constexpr double kSmallestPagePoints = 72;
constexpr double kLargestPagePoints = 200 * 72;

}  // namespace

TEST_F(DamagedProfileTest, EveryGarbledProfileStartsAndPrintsASoundPage) {
    std::vector<unsigned> seeds;
    if (const char* one = std::getenv("STAFFWRIGHT_DAMAGED_PROFILE_SEED")) {
        seeds.push_back(static_cast<unsigned>(std::strtoul(one, nullptr, 10)));
        m_dir.setAutoRemove(false);
        std::printf("profiles kept in %s\n", qPrintable(m_dir.path()));
    } else {
        for (int i = 0; i < ProfileCount(); ++i)
            seeds.push_back(static_cast<unsigned>(FirstSeed() + i));
    }
    const int seconds = std::getenv("STAFFWRIGHT_DAMAGED_PROFILES") ? 300 : 90;
    for (unsigned seed : seeds) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const QString folder = WriteProfile(QString("profile-%1").arg(seed), GarbledProfile(seed));
        const QString pdf = Path(QString("out-%1.pdf").arg(seed));
        const Run run = Print(folder, pdf, seconds);
        ASSERT_TRUE(run.finished) << "still running after " << seconds << " s";
        ASSERT_TRUE(run.normalExit) << run.errors;
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        const PdfPages pages = ReadPdf(pdf);
        EXPECT_TRUE(pages.read);
        EXPECT_TRUE(EndsWithEofMark(pdf));
        EXPECT_GE(pages.pages, 1);
        EXPECT_GE(pages.width, kSmallestPagePoints);
        EXPECT_LE(pages.width, kLargestPagePoints);
        EXPECT_GE(pages.height, kSmallestPagePoints);
        EXPECT_LE(pages.height, kLargestPagePoints);
        if (HasFailure())
            return;   // one seed's failure is enough to read
    }
}

// A stored page size no paper has reads as not stored: the page printed is
// the one an empty profile prints on.
TEST_F(DamagedProfileTest, AStoredPageNoPaperHasPrintsOnTheDefaultPaper) {
    const Run plain = Print(WriteProfile("plain", {}), Path("plain.pdf"));
    ASSERT_TRUE(plain.finished && plain.normalExit && plain.exitCode == 0) << plain.errors;
    const PdfPages expected = ReadPdf(Path("plain.pdf"));
    ASSERT_GT(expected.width, 0);

    const StoredKey width{"Views\\Music Score", "PageWidth", ""};
    const StoredKey height{"Views\\Music Score", "PageHeight", ""};
    const struct {
        const char* width;
        const char* height;
    } sizes[] = {
        {"0", "0"}, {"-12240", "-15840"}, {"12240", "15840"}, {"1", "-1"}, {"2147483647", "-2147483648"},
        {"12240", "-200000000"}, {"-2147483648", "-15840"}, {"99999999999", "-99999999999"}, {"letter", "tall"},
    };
    for (const auto& c : sizes) {
        SCOPED_TRACE(std::string(c.width) + " x " + c.height);
        const QString folder = WriteProfile("sized", {{&width, c.width}, {&height, c.height}});
        const Run run = Print(folder, Path("sized.pdf"));
        ASSERT_TRUE(run.finished && run.normalExit) << run.errors;
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        const PdfPages printed = ReadPdf(Path("sized.pdf"));
        EXPECT_EQ(printed.pages, expected.pages);
        EXPECT_NEAR(printed.width, expected.width, 1.0);
        EXPECT_NEAR(printed.height, expected.height, 1.0);
    }
}

// The main window's start-up under each garbled profile: it comes up within
// the desktop's reach, and goes again.
TEST_F(DamagedProfileTest, EveryGarbledProfileBringsTheMainWindowUp) {
    const int count = std::max(ProfileCount() / 4, 4);
    for (int i = 0; i < count; ++i) {
        const unsigned seed = static_cast<unsigned>(FirstSeed() + i);
        SCOPED_TRACE("seed " + std::to_string(seed));
        CProfile profile = CProfile::Application();
        for (const std::string& section : profile.GetSectionNames())
            profile.DeleteSection(section);
        for (const auto& [stored, value] : GarbledProfile(seed))
            profile.WriteString(stored->section, stored->key, value);
        CDialogScript dialogs;   // a dialog that comes up ends with Cancel
        CPromptScript prompts;
        CStaffwrightApp app;
        app.SetCommandLine({m_song});
        ASSERT_TRUE(app.InitInstance());
        CWnd* main = AfxGetMainWnd();
        ASSERT_NE(main, nullptr);
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
        messaging_test::PumpUntil([&] { return std::chrono::steady_clock::now() > until; });
        CRect window;
        main->GetWindowRect(&window);
        const DesktopReach reach = GetDesktopReach();
        EXPECT_TRUE(reach.Holds(window.left, window.top)) << window.left << ", " << window.top;
        EXPECT_TRUE(reach.Holds(window.Width(), window.Height())) << window.Width() << " x " << window.Height();
        app.CloseAllDocuments(FALSE);
        main->DestroyWindow();
        app.ExitInstance();
    }
}
