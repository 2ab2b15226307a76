// The tip of the day: the tips file read in pieces, the numbering that wraps
// round, and the settings the dialog leaves, as the main frame runs it.
#include "app/tips.h"

#include "app/mainframe.h"
#include "model/preferences.h"
#include "platform/core/filesys.h"
#include "platform/ui/dialog_script.h"
#include "tests/app/app_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

namespace {

// A program folder of the test's own, with "Music.tip" holding `text`
// (none when `text` is null).
class TipsFolder {
public:
    explicit TipsFolder(const char* text) {
        if (text)
            std::ofstream(GetPath(), std::ios::binary) << text;
        SetProgramFolder(m_dir.path().toStdString());
    }
    ~TipsFolder() { SetProgramFolder(""); }
    std::string GetPath() const { return PathJoin(m_dir.path().toStdString(), "Music.tip"); }

private:
    FreshProfile m_profile;
    QTemporaryDir m_dir;
};

std::string Lines(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += "Tip " + std::to_string(i) + "\n";
    return text;
}

TEST(TipsFile, EveryPieceOfAtMost511BytesIsATip) {
    const std::string longLine = std::string(600, 'x') + "\n";
    const struct { std::string text; int count; int n; std::string tip; } cases[] = {
        {Lines(10), 10, 3, "Tip 3\n"},
        {Lines(10), 10, 11, ""},
        {"first\n" + longLine + "last\n", 4, 2, std::string(511, 'x')},
        {"first\n" + longLine + "last\n", 4, 3, std::string(89, 'x') + "\n"},
        {"one\r\ntwo\r\n", 2, 2, "two\n"},   // text mode: "\r\n" is a line end
        {"no line end", 1, 1, "no line end"},
        {"", 0, 1, ""},
    };
    for (const auto& c : cases) {
        TipsFolder folder(c.text.c_str());
        EXPECT_EQ(CountTips(folder.GetPath()), c.count) << c.text.substr(0, 20);
        EXPECT_EQ(ReadTip(folder.GetPath(), c.n), c.tip) << c.text.substr(0, 20) << " tip " << c.n;
    }
    TipsFolder missing(nullptr);
    EXPECT_EQ(CountTips(missing.GetPath()), -1);
}

TEST(TipOfDay, StoredTipTenOfTenOpensOnOneAndPreviousWrapsToTen) {
    TipsFolder folder(Lines(10).c_str());
    SaveIntPreference("Settings\\Tips", "TipNumber", 10);
    std::vector<std::string> seen;
    CDialogScript dialogs;
    dialogs.Queue(IDD_TIPOFDAY, [&](CWnd& dlg) {
        auto& tips = dynamic_cast<SECTipOfDay&>(dlg);
        seen.push_back(tips.GetTipText());
        CDialogScript::Click(dlg, IDC_PREVTIP);
        seen.push_back(tips.GetTipText());
        CDialogScript::Click(dlg, IDC_NEXTTIP);
        CDialogScript::Click(dlg, IDC_NEXTTIP);
        seen.push_back(tips.GetTipText());
        CDialogScript::Click(dlg, IDC_PREVTIP);
        CDialogScript::Click(dlg, IDC_PREVTIP);
        CDialogScript::Click(dlg, IDC_TIPSTARTUP);   // unchecks: tips were on
    });   // then the loop ends with Cancel
    CMainFrame().ShowTipOfDay();
    EXPECT_EQ(seen, (std::vector<std::string>{"Tip 1\n", "Tip 10\n", "Tip 2\n"}));
    // The number shown last is stored, although the dialog was cancelled.
    EXPECT_EQ(LoadIntPreference("Settings\\Tips", "TipNumber", -1), 10);
    EXPECT_EQ(LoadIntPreference("Settings\\Tips", "ShowStartUp", -1), 0);
}

TEST(TipOfDay, AnEmptyProfileShowsTipTwoAndOKStoresIt) {
    TipsFolder folder(Lines(3).c_str());
    CDialogScript dialogs;
    std::string shown;
    dialogs.Queue(IDD_TIPOFDAY, [&](CWnd& dlg) {
        shown = dynamic_cast<SECTipOfDay&>(dlg).GetTipText();
        EXPECT_EQ(dynamic_cast<SECTipOfDay&>(dlg).IsDlgButtonChecked(IDC_TIPSTARTUP), 1u);
        CDialogScript::Click(dlg, IDC_TIPOK);
    });
    CMainFrame().ShowTipOfDay();
    EXPECT_EQ(shown, "Tip 2\n");
    EXPECT_EQ(LoadIntPreference("Settings\\Tips", "TipNumber", -1), 2);
    EXPECT_EQ(LoadIntPreference("Settings\\Tips", "ShowStartUp", -1), 1);
}

TEST(TipOfDay, AMissingFileShowsTheWarningAndTheButtonsOnlyCount) {
    TipsFolder folder(nullptr);
    CDialogScript dialogs;
    dialogs.Queue(IDD_TIPOFDAY, [&](CWnd& dlg) {
        auto& tips = dynamic_cast<SECTipOfDay&>(dlg);
        EXPECT_EQ(tips.GetTipCount(), -1);
        const std::string warning = "WARNING: Could not find: \"" + folder.GetPath() + "\"...";
        EXPECT_EQ(tips.GetTipText(), warning);
        CDialogScript::Click(dlg, IDC_NEXTTIP);
        CDialogScript::Click(dlg, IDC_NEXTTIP);
        EXPECT_EQ(tips.GetTipText(), warning);
        EXPECT_EQ(tips.GetTipNumber(), 4);
    });
    CMainFrame().ShowTipOfDay();
    EXPECT_EQ(LoadIntPreference("Settings\\Tips", "TipNumber", -1), 4);
}

}  // namespace
