// Printing from the command line: the first registered view that prints,
// its hidden frame, the exit status and the PDF.
#include "app/staffwrightapp.h"
#include "interface/document/opuswnd.h"
#include "interface/document/pluginrecords.h"
#include "model/preferences.h"
#include "platform/core/resources.h"
#include "platform/gdi/dc.h"
#include "platform/ui/commands.h"
#include "platform/ui/document.h"
#include "platform/ui/frame.h"
#include "platform/ui/msgmap.h"
#include "tests/app/app_support.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

// A view that prints one page with a line on it, and remembers how its frame
// stood when it printed.
class CPrintingTestView : public CView {
    DECLARE_DYNCREATE(CPrintingTestView)
public:
    static inline int s_initialUpdates = 0;
    static inline bool s_frameVisibleAtPrint = true;
    static inline int s_pagesPrinted = 0;
    static inline bool s_mainVisibleAtPrint = true;

    void OnInitialUpdate() override {
        ++s_initialUpdates;
        CView::OnInitialUpdate();
    }
    void OnPrint(CDC* dc, CPrintInfo* info) override {
        ++s_pagesPrinted;
        s_frameVisibleAtPrint = GetParentFrame()->IsWindowVisible() != FALSE;
        s_mainVisibleAtPrint = AfxGetMainWnd() && AfxGetMainWnd()->IsWindowVisible();
        CView::OnPrint(dc, info);
    }
    void OnDraw(CDC* dc) override {
        dc->MoveTo(100, 100);
        dc->LineTo(2000, 2000);
    }

    afx_msg void OnPrintDirect() { OnFilePrintDirect(); }

protected:
    DECLARE_MESSAGE_MAP()
};

IMPLEMENT_DYNCREATE(CPrintingTestView, CView)

BEGIN_MESSAGE_MAP(CPrintingTestView, CView)
    ON_COMMAND(ID_FILE_PRINT_DIRECT, &CPrintingTestView::OnPrintDirect)
END_MESSAGE_MAP()

STRING_TABLE({12294, "Printing Test"});

CPluginView s_printingRecord(RUNTIME_CLASS(CPrintingTestView), RUNTIME_CLASS(MCOpusWnd), nullptr, 2, 12294, 5);

// Runs the program's start-up with `arguments`; answers its exit status.
int RunCommand(std::vector<std::string> arguments) {
    CStaffwrightApp app;
    app.SetCommandLine(std::move(arguments));
    EXPECT_FALSE(app.InitInstance()) << "a print ends the program";
    return app.ExitInstance();
}

int PdfPageCount(const std::string& path) {
    QProcess info;
    info.start("pdfinfo", {QString::fromStdString(path)});
    info.waitForFinished();
    const QString text = QString::fromUtf8(info.readAllStandardOutput());
    for (const QString& line : text.split('\n')) {
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    }
    return -1;
}

// Runs the built program with `arguments` handed over as the bytes they are,
// in this process's environment; answers its exit status, -1 when it did
// not end by itself.
int RunProgram(const std::vector<std::string>& arguments) {
    const std::string program = STAFFWRIGHT_PROGRAM_FOLDER "/staffwright";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The names of the files in `folder`, as the bytes the file system holds.
std::set<std::string> FileNames(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().native());
    return names;
}

bool StartsAsPdf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[5] = {};
    in.read(head, sizeof head);
    return in && std::string(head, sizeof head) == "%PDF-";
}

}  // namespace

// Runs first: until a view that prints is registered, nothing prints.
TEST(ShellPrint, WithoutAPrintingViewEndsWithOneAndNoPdf) {
    AppTestFolder folder;
    const std::string pdf = folder.Path("out.pdf");
    EXPECT_EQ(RunCommand({"--print-to", folder.WriteMidiFile("a.mid"), pdf}), 1);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
}

TEST(ShellPrint, PrintToPdfPrintsOnePageFromTheHiddenUpdatedView) {
    CPluginView::AddPlugin(&s_printingRecord);
    AppTestFolder folder;
    const std::string pdf = folder.Path("out.pdf");
    EXPECT_EQ(RunCommand({"--print-to", folder.WriteMidiFile("a.mid"), pdf}), 0);
    EXPECT_EQ(CPrintingTestView::s_initialUpdates, 1);
    EXPECT_EQ(CPrintingTestView::s_pagesPrinted, 1);
    EXPECT_FALSE(CPrintingTestView::s_frameVisibleAtPrint);
    EXPECT_EQ(PdfPageCount(pdf), 1);
}

// A view the profile shows when a document opens does not bring the main
// window up during a print (with it would come the tip of the day, which
// nobody is there to close).
TEST(ShellPrint, AViewShownOnOpeningLeavesTheMainWindowHidden) {
    CPluginView::AddPlugin(&s_printingRecord);
    AppTestFolder folder;
    SaveIntPreference("Views\\Printing Test", "Visible", 1);
    SaveIntPreference("Settings\\Tips", "ShowStartUp", 0);   // a failure must not hang the run
    const std::string pdf = folder.Path("out.pdf");
    EXPECT_EQ(RunCommand({"--print-to", folder.WriteMidiFile("a.mid"), pdf}), 0);
    EXPECT_FALSE(CPrintingTestView::s_mainVisibleAtPrint);
    SaveIntPreference("Views\\Printing Test", "Visible", 0);
}

TEST(ShellPrint, FailuresEndWithOneAndNoPdf) {
    CPluginView::AddPlugin(&s_printingRecord);
    AppTestFolder folder;
    const std::string pdf = folder.Path("out.pdf");
    const struct {
        const char* what;
        std::vector<std::string> arguments;
    } cases[] = {
        {"missing file", {"--print-to", folder.Path("missing.mid"), pdf}},
        {"no target", {"--print-to", folder.WriteMidiFile("a.mid")}},
        {"unknown printer", {"/pt", folder.WriteMidiFile("b.mid"), "No Such Printer"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RunCommand(c.arguments), 1) << c.what;
        EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf))) << c.what;
    }
}

// Names in Latin-1, which are not UTF-8: the file opens and the PDF is written
// under exactly the bytes given, both by the start-up's command line and by
// the program itself from its argv (through Qt, such a name came back as
// replacement characters: the file was not found, or the PDF landed elsewhere).
TEST(ShellPrint, NamesThatAreNotUtf8AreKeptByteForByte) {
    CPluginView::AddPlugin(&s_printingRecord);
    AppTestFolder folder;
    // The folder is removed by names Qt cannot spell: its files go first.
    struct Emptied {
        std::string folder;
        ~Emptied() {
            for (const std::string& name : FileNames(folder))
                std::filesystem::remove(folder + "/" + name);
        }
    } emptied{folder.Path("")};
    const std::string song = folder.WriteMidiFile("\xe9t\xe9.mid");
    const std::string pdf = "\xe9t\xe9 \xe0 l'\xeele.pdf";
    EXPECT_EQ(RunCommand({"--print-to", song, folder.Path(pdf)}), 0);
    EXPECT_EQ(FileNames(folder.Path("")), (std::set<std::string>{"\xe9t\xe9.mid", pdf}));
    EXPECT_TRUE(StartsAsPdf(folder.Path(pdf)));
    std::filesystem::remove(folder.Path(pdf));

    // The program, its view and plug-in as they are installed.
    const std::string fromProgram = "\xfc\xe9t\xe9.pdf";
    ASSERT_EQ(RunProgram({"--print-to", song, folder.Path(fromProgram)}), 0);
    EXPECT_EQ(FileNames(folder.Path("")), (std::set<std::string>{"\xe9t\xe9.mid", fromProgram}));
    EXPECT_TRUE(StartsAsPdf(folder.Path(fromProgram)));
}
