// The System Exclusive dialog: the text of a buffer and the buffer of a text,
// the standard messages, what opening shows, ".syx" files loaded and saved
// (with their failures told), and what OK sends to the capture backend's
// MIDI outputs.
#include "app/sysexdlg.h"

#include "platform/core/clock.h"
#include "platform/devices/capture.h"
#include "platform/gdi/font.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/filedialog.h"
#include "platform/ui/metrics.h"
#include "platform/ui/prompt_script.h"
#include "tests/sequencer/engine_support.h"

#include <QFontInfo>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

SysExBytes Bytes(std::initializer_list<int> values) {
    SysExBytes bytes;
    for (int value : values)
        bytes.push_back(static_cast<std::uint8_t>(value));
    return bytes;
}

const SysExBytes kGeneralMidiOn = Bytes({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});

TEST(SysExText, TokensAreReadAsHexadecimalBytes) {
    const struct {
        const char* text;
        SysExBytes bytes;
    } cases[] = {
        {"F0 41,10 42, 12,,40   00 7F,00 41 F7", Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7})},
        {"f0 zz 7e", Bytes({0xF0, 0x7E})},          // no number: skipped
        {"1F0", Bytes({0xF0})},                     // the low 8 bits
        {"123456789abcdef01", Bytes({0x01})},       // however long
        {"0x7e 0X7F", Bytes({0x7E, 0x7F})},
        {"7eg 9-1", Bytes({0x7E, 0x09})},           // up to the first other character
        {"-5 +5 x7", Bytes({})},
        {"0x 0xzz", Bytes({0x00, 0x00})},           // the 0 is a number
        {"f0 7e\n7f 09 01 f7", kGeneralMidiOn},     // a line end separates
        {"f0 7e\r\n7f\t09\t01 f7\r\n", kGeneralMidiOn},
        {"", Bytes({})},
        {" , \r\n", Bytes({})},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseSysExText(c.text), c.bytes) << c.text;
}

TEST(SysExText, EachByteIsTwoLowerCaseDigitsAndASpace) {
    EXPECT_EQ(FormatSysExText(kGeneralMidiOn), "f0 7e 7f 09 01 f7 ");
    EXPECT_EQ(FormatSysExText(Bytes({0x00, 0xAB})), "00 ab ");
    EXPECT_EQ(FormatSysExText({}), "");
    SysExBytes all;
    for (int value = 0; value < 256; ++value)
        all.push_back(static_cast<std::uint8_t>(value));
    EXPECT_EQ(ParseSysExText(FormatSysExText(all)), all);
}

TEST(SysExText, TheStandardMessages) {
    EXPECT_EQ(BuildStandardSysEx(SYSEX_GM_ON), kGeneralMidiOn);
    EXPECT_EQ(BuildStandardSysEx(SYSEX_GM_OFF), Bytes({0xF0, 0x7E, 0x7F, 0x09, 0x02, 0xF7}));
    EXPECT_EQ(BuildStandardSysEx(SYSEX_GS_ON), Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}));
    EXPECT_EQ(BuildStandardSysEx(SYSEX_XG_ON), Bytes({0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}));
    EXPECT_EQ(BuildStandardSysEx(SYSEX_CUSTOM), SysExBytes());
}

// A folder of ".syx" files.
class SysExFiles : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return dir.filePath(QString::fromStdString(name)).toStdString(); }
    std::string Write(const std::string& name, const SysExBytes& bytes) const {
        const std::string path = Path(name);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    static SysExBytes Read(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return SysExBytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    QTemporaryDir dir;
};

TEST_F(SysExFiles, AFileUpToTheDeviceLayersLargestMessageIsRead) {
    SysExBytes bytes;
    int osError = 0;
    const SysExBytes largest(kMaxSysExFileSize, 0x55);
    ASSERT_TRUE(ReadSysExFile(Write("largest.syx", largest), bytes, osError));
    EXPECT_EQ(bytes, largest);

    // One byte more is refused, and what was read before stays.
    const SysExBytes tooLarge(kMaxSysExFileSize + 1, 0x55);
    bytes = kGeneralMidiOn;
    EXPECT_FALSE(ReadSysExFile(Write("large.syx", tooLarge), bytes, osError));
    EXPECT_EQ(osError, EFBIG);
    EXPECT_EQ(bytes, kGeneralMidiOn);

    EXPECT_FALSE(ReadSysExFile(Path("missing.syx"), bytes, osError));
    EXPECT_EQ(osError, ENOENT);
    EXPECT_FALSE(ReadSysExFile(dir.path().toStdString(), bytes, osError));
    EXPECT_EQ(osError, EISDIR);

    ASSERT_TRUE(ReadSysExFile(Write("empty.syx", {}), bytes, osError));
    EXPECT_TRUE(bytes.empty());
}

TEST_F(SysExFiles, SavingReplacesTheWholeFile) {
    const std::string path = Write("old.syx", SysExBytes(100, 0x11));
    int osError = 0;
    ASSERT_TRUE(WriteSysExFile(path, Bytes({0x7E, 0x7F}), osError));
    EXPECT_EQ(Read(path), Bytes({0x7E, 0x7F}));
    // Nothing is left beside it.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path().toStdString()))
        ++files;
    EXPECT_EQ(files, 1);

    EXPECT_FALSE(WriteSysExFile(Path("gone/new.syx"), kGeneralMidiOn, osError));
    EXPECT_EQ(osError, ENOENT);
}

// The dialog over three capture MIDI outputs, open and started, with its
// prompts and dialogs scripted.
class SysExDialog : public SysExFiles {
protected:
    // Runs the dialog with `action`; answers Run's result.
    int Run(CDialogScript::Action action) {
        dialogs.Queue(IDD_SYSEX, std::move(action));
        return dlg.Run();
    }
    // Queues what the user does in the next file dialog: the name, then OK;
    // `after` runs once the dialog has taken it.
    void ChooseFile(const std::string& path, std::function<void()> after = {}) {
        dialogs.Queue(RUNTIME_CLASS(CFileDialog), [path, after](CWnd& files) {
            CDialogScript::SetText(files, edt1, path);
            CDialogScript::Click(files, IDOK);
            if (after)
                after();
        });
    }
    // The system-exclusive messages sent: (output, bytes), in order.
    std::vector<std::pair<int, SysExBytes>> Sent() const {
        std::vector<std::pair<int, SysExBytes>> sent;
        for (const auto& record : capture->GetMidi())
            sent.emplace_back(record.device, record.bytes);
        return sent;
    }

    CManualClock clock{1000};
    CCaptureBackend* capture = nullptr;   // owned by the device library
    std::unique_ptr<CPortavel> portavel =
        engine_support::OpenCapture(capture, false, CCaptureBackend::Layout{0, 3, 0, 0});
    CPromptScript prompts;
    CDialogScript dialogs;
    CSysExDlg dlg;
};

TEST_F(SysExDialog, OpensOnGeneralMidiOnForAllDevicesInTheFixedPitchFont) {
    std::vector<std::string> types;
    std::string type, data;
    bool allChecked = false, deviceEnabled = true;
    std::string face;
    LONG height = 0;
    bool fixedPitch = false;
    const int result = Run([&](CWnd& window) {
        auto& dialog = static_cast<CDialog&>(window);
        auto* list = DYNAMIC_DOWNCAST(CComboBox, dialog.GetDlgItem(IDC_SYSEX_TYPE));
        for (int entry = 0; list && entry < list->GetCount(); ++entry) {
            std::string text;
            list->GetLBText(entry, text);
            types.push_back(text);
        }
        type = CDialogScript::GetText(dialog, IDC_SYSEX_TYPE);
        data = CDialogScript::GetText(dialog, IDC_SYSEX_DATA);
        allChecked = dialog.IsDlgButtonChecked(IDC_SYSEX_ALL_DEVICES) != 0;
        deviceEnabled = dialog.GetDlgItem(IDC_SYSEX_DEVICE)->IsWindowEnabled();
        auto* field = DYNAMIC_DOWNCAST(CEdit, dialog.GetDlgItem(IDC_SYSEX_DATA));
        LOGFONT description{};
        if (field && field->GetFont() && field->GetFont()->GetLogFont(&description)) {
            face = GetFaceName(description);
            height = description.lfHeight;
            fixedPitch = QFontInfo(field->GetWidget()->font()).fixedPitch();
        }
        CDialogScript::Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(types, (std::vector<std::string>{"General Midi On", "General Midi Off", "Roland GS System On",
                                               "Yamaha XG System On", "Custom"}));
    EXPECT_EQ(type, "General Midi On");
    EXPECT_EQ(data, "f0 7e 7f 09 01 f7 ");
    EXPECT_TRUE(allChecked);
    EXPECT_FALSE(deviceEnabled);
    EXPECT_EQ(face, "Courier");
    EXPECT_EQ(height, -14);
    EXPECT_TRUE(fixedPitch) << "the face shown is a fixed-pitch one";
    EXPECT_TRUE(Sent().empty());   // Cancel sends nothing
}

TEST_F(SysExDialog, OkSendsTheTypedBytesToEveryOutputInOrder) {
    const int result = Run([](CWnd& dialog) {
        CDialogScript::SetText(dialog, IDC_SYSEX_DATA, "f0 7e\r\n7f 09 01 f7");
        CDialogScript::Click(dialog, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(Sent(), (std::vector<std::pair<int, SysExBytes>>{
                          {0, kGeneralMidiOn}, {1, kGeneralMidiOn}, {2, kGeneralMidiOn}}));
}

TEST_F(SysExDialog, AChosenDeviceAloneGetsTheMessage) {
    bool enabled = false;
    Run([&](CWnd& window) {
        auto& dialog = static_cast<CDialog&>(window);
        CDialogScript::Click(dialog, IDC_SYSEX_ONE_DEVICE);
        enabled = dialog.GetDlgItem(IDC_SYSEX_DEVICE)->IsWindowEnabled();
        CDialogScript::Choose(dialog, IDC_SYSEX_DEVICE, 2);
        CDialogScript::Choose(dialog, IDC_SYSEX_TYPE, SYSEX_GM_OFF);
        CDialogScript::Click(dialog, IDOK);
    });
    EXPECT_TRUE(enabled);
    EXPECT_EQ(Sent(), (std::vector<std::pair<int, SysExBytes>>{{2, BuildStandardSysEx(SYSEX_GM_OFF)}}));
}

TEST_F(SysExDialog, EachTypeShowsItsMessageAndCustomTheBufferAsItStands) {
    std::vector<std::string> shown;
    Run([&](CWnd& dialog) {
        for (int type : {SYSEX_XG_ON, SYSEX_GS_ON}) {
            CDialogScript::Choose(dialog, IDC_SYSEX_TYPE, type);
            shown.push_back(CDialogScript::GetText(dialog, IDC_SYSEX_DATA));
        }
        // Typing not yet read is given up for the last message.
        CDialogScript::SetText(dialog, IDC_SYSEX_DATA, "01 02");
        CDialogScript::Choose(dialog, IDC_SYSEX_TYPE, SYSEX_CUSTOM);
        shown.push_back(CDialogScript::GetText(dialog, IDC_SYSEX_DATA));
        CDialogScript::Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(shown, (std::vector<std::string>{FormatSysExText(BuildStandardSysEx(SYSEX_XG_ON)),
                                               FormatSysExText(BuildStandardSysEx(SYSEX_GS_ON)),
                                               FormatSysExText(BuildStandardSysEx(SYSEX_GS_ON))}));
}

TEST_F(SysExDialog, TextWithoutNumbersSendsAnEmptyBuffer) {
    EXPECT_EQ(Run([](CWnd& dialog) {
        CDialogScript::SetText(dialog, IDC_SYSEX_DATA, "zz, xx");
        CDialogScript::Click(dialog, IDOK);
    }), IDOK);
    EXPECT_TRUE(dlg.GetBuffer().empty());
    EXPECT_TRUE(Sent().empty());   // the device layer takes no empty message
}

TEST_F(SysExDialog, ALoadedFileShowsItsBytesAsCustomAndSavingWritesWhatWasTyped) {
    SysExBytes twenty;
    for (int value = 0; value < 20; ++value)
        twenty.push_back(static_cast<std::uint8_t>(0xF0 - value));
    const std::string loaded = Write("twenty.syx", twenty);
    const std::string saved = Path("saved");   // the default extension comes with it
    std::string data, type;
    Run([&](CWnd& dialog) {
        ChooseFile(loaded);
        CDialogScript::Click(dialog, IDC_SYSEX_LOAD);
        data = CDialogScript::GetText(dialog, IDC_SYSEX_DATA);
        type = CDialogScript::GetText(dialog, IDC_SYSEX_TYPE);

        CDialogScript::SetText(dialog, IDC_SYSEX_DATA, "7E,7F zz 0x09 1F0");
        ChooseFile(saved);
        CDialogScript::Click(dialog, IDC_SYSEX_SAVE);
        CDialogScript::Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(data, FormatSysExText(twenty));
    EXPECT_EQ(data.size(), 60u);
    EXPECT_EQ(type, "Custom");
    EXPECT_EQ(Read(saved + ".syx"), Bytes({0x7E, 0x7F, 0x09, 0xF0}));   // no F7 added
    EXPECT_EQ(prompts.GetCount(), 0u);
}

TEST_F(SysExDialog, FileFailuresAreToldWithTheSystemErrorNumber) {
    const std::string vanishing = Write("vanishing.syx", kGeneralMidiOn);
    const std::string large = Write("large.syx", SysExBytes(kMaxSysExFileSize + 1, 0x55));
    const std::string folder = Path("folder");
    std::filesystem::create_directory(folder);
    std::string data;
    Run([&](CWnd& dialog) {
        CDialogScript::Choose(dialog, IDC_SYSEX_TYPE, SYSEX_GS_ON);
        // The file goes after the Open dialog saw it.
        ChooseFile(vanishing, [&] { std::filesystem::remove(vanishing); });
        CDialogScript::Click(dialog, IDC_SYSEX_LOAD);
        ChooseFile(large);
        CDialogScript::Click(dialog, IDC_SYSEX_LOAD);
        // And the folder after the Save dialog saw it.
        ChooseFile(folder + "/new.syx", [&] { std::filesystem::remove(folder); });
        CDialogScript::Click(dialog, IDC_SYSEX_SAVE);
        data = CDialogScript::GetText(dialog, IDC_SYSEX_DATA);
        CDialogScript::Click(dialog, IDCANCEL);
    });
    const std::vector<PromptRequest> told = prompts.GetRequests();
    ASSERT_EQ(told.size(), 3u);
    const std::string reading = "There was an unexpected error while reading sysex binary.\nError code: ";
    const std::string saving = "There was an unexpected error while saving sysex binary.\nError code: ";
    const struct {
        std::string text;
        const char* caption;
    } expected[] = {
        {reading + std::to_string(ENOENT), "Sysex File Read Error"},   // 2
        {reading + std::to_string(EFBIG), "Sysex File Read Error"},
        {saving + std::to_string(ENOENT), "Sysex File Write Error"},
    };
    for (size_t i = 0; i < told.size(); ++i) {
        EXPECT_EQ(told[i].text, expected[i].text) << i;
        EXPECT_EQ(told[i].caption, expected[i].caption) << i;
        EXPECT_EQ(told[i].flags, MB_OK | MB_ICONEXCLAMATION) << i;
    }
    // The failed loads changed nothing.
    EXPECT_EQ(data, FormatSysExText(BuildStandardSysEx(SYSEX_GS_ON)));
}

}  // namespace
