// A type 1 MIDI file opened by the program and saved again keeps the
// channels of its staves, as another reader of MIDI files sees them.
#include "app/staffwrightapp.h"
#include "interface/document/opusdoc.h"
#include "platform/ui/prompt.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/wnd.h"
#include "tests/app/app_support.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

// Tempo on track 0; a note on channel 3 on track 1, one on channel 10 on track 2.
void WriteTypeOne(const std::string& path) {
    const unsigned char bytes[] = {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 3, 0, 96,
        'M', 'T', 'r', 'k', 0, 0, 0, 11, 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x2F, 0x00,
        'M', 'T', 'r', 'k', 0, 0, 0, 12, 0x00, 0x92, 60, 100, 0x60, 0x82, 60, 0, 0x00, 0xFF, 0x2F, 0x00,
        'M', 'T', 'r', 'k', 0, 0, 0, 12, 0x00, 0x99, 38, 100, 0x60, 0x89, 38, 0, 0x00, 0xFF, 0x2F, 0x00,
    };
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes, 1, sizeof bytes, file);
    std::fclose(file);
}

// "type channels...": the file's type and the channels (from 1) of its notes,
// as python3-mido reads them.
std::string ReadWithMido(const std::string& path) {
    QProcess python;
    python.start("/usr/bin/python3",
                 {"-c",
                  "import mido, sys\n"
                  "f = mido.MidiFile(sys.argv[1])\n"
                  "chans = sorted({m.channel + 1 for t in f.tracks for m in t if m.type == 'note_on'})\n"
                  "print(f.type, *chans)\n",
                  QString::fromStdString(path)});
    python.waitForFinished();
    return QString::fromUtf8(python.readAllStandardOutput()).trimmed().toStdString();
}

}  // namespace

TEST(MidiRoundTrip, ATypeOneFileSavedAsTypeOneKeepsItsChannels) {
    AppTestFolder folder;
    const std::string source = folder.Path("drums.mid");
    WriteTypeOne(source);
    ASSERT_EQ(ReadWithMido(source), "1 3 10") << "the fixture as written";

    CPromptScript prompts;
    CStaffwrightApp app;
    app.SetCommandLine({});
    ASSERT_TRUE(app.InitInstance());
    auto* doc = dynamic_cast<MCOpusDoc*>(app.OpenDocumentFile(source.c_str()));
    ASSERT_NE(doc, nullptr);
    const std::string saved = folder.Path("saved.mid");
    prompts.Answer(IDNO);   // 11570: stay a MIDI file
    ASSERT_TRUE(doc->DoSave(saved.c_str()));
    EXPECT_EQ(ReadWithMido(saved), "1 3 10");
    app.CloseAllDocuments(FALSE);
    AfxGetMainWnd()->DestroyWindow();
    app.ExitInstance();
}
