// The score window opened as the program opens a file: through the
// program's document manager, whose one template shows the Information view
// (a stand-in here), with the score's view record from the plug-in's start.
// With "Views\Music Score" "Visible" 1 the score window opens beside it on
// the file, laid out, in page view at 100 % with every voice; with 0 it
// stays closed.
#include "notation/view/scorewnd.h"

#include "interface/document/opusdoc.h"
#include "model/conductor.h"
#include "model/performance.h"
#include "notation/layout/pagelayout.h"
#include "notation/view/cantrel.h"
#include "notation/view/viewids.h"
#include "platform/core/resources.h"
#include "platform/ui/commands.h"
#include "platform/ui/mdi.h"
#include "platform/ui/menu.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/view/openedprogram_support.h"
#include "tests/notation/view/songfile_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

constexpr UINT IDR_OPENED_MAIN = 29881;
constexpr UINT IDR_OPENED_DOC = 29882;

const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_OPEN, "&Open..."}}}}};
MENU_RESOURCE(IDR_OPENED_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_OPENED_DOC, kDocMenu);
STRING_TABLE({IDR_OPENED_MAIN, "Program"}, {IDR_OPENED_DOC, "Opened"});

class OpenedScoreTest : public view_test::OpenedProgram {
protected:
    OpenedScoreTest() : OpenedProgram(IDR_OPENED_MAIN, IDR_OPENED_DOC) {}
};

TEST_F(OpenedScoreTest, VisibleOpensTheScoreWindowInPageViewAtFullSizeWithEveryVoice) {
    const std::string path = dir.filePath("song.mid").toStdString();
    const smf_support::Bytes song = view_test::MakeSong(path);
    if (song.empty())
        GTEST_SKIP() << "python3-mido is needed (tools/setup)";
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(song.data()), static_cast<std::streamsize>(song.size()));
    }

    for (const int visible : {1, 0}) {
        SCOPED_TRACE(visible);
        MCOpusDoc* document = OpenFile(path, visible);
        ASSERT_NE(document, nullptr) << (prompts.GetCount() ? prompts.GetLast().text : std::string());
        CCantrel* view = ScoreViewOf(document);
        if (!visible) {
            EXPECT_EQ(view, nullptr) << "no score window";
            app.CloseAllDocuments(TRUE);
            continue;
        }
        ASSERT_NE(view, nullptr);
        auto* frame = DYNAMIC_DOWNCAST(CScoreWnd, view->GetParentFrame());
        ASSERT_NE(frame, nullptr);
        EXPECT_TRUE(frame->IsWindowVisible());
        EXPECT_EQ(main->MDIGetActive(), frame);

        // Page view at 100 %, every voice, and the bar shows as much.
        EXPECT_EQ(view->GetViewMode(), CCantrel::VIEWMODE_PAGE);
        EXPECT_EQ(view->GetZoom(), view->GetScreenResolution());
        EXPECT_EQ(view->GetVoice(), CCantrel::VOICE_ALL);
        CScoreBar& bar = frame->GetScoreBar();
        auto comboText = [&bar](UINT id) {
            auto* combo = static_cast<CComboBox*>(bar.GetDlgItem(static_cast<int>(id)));
            std::string text;
            if (combo && combo->GetCurSel() >= 0)
                combo->GetLBText(combo->GetCurSel(), text);
            return text;
        };
        EXPECT_EQ(comboText(IDC_ZOOM), "100%");
        EXPECT_EQ(comboText(IDC_VOICE), "All");
        EXPECT_TRUE(view->GetPageUpButton().IsWindowVisible());
        EXPECT_FALSE(view->GetMarginView().IsWindowVisible());

        // The file is the one shown, notated and laid out on pages.
        ASSERT_EQ(view->GetBaseEvent(), document->GetBaseEvent());
        EXPECT_EQ(document->GetBaseEvent()->GetConductor()->GetMaxMeasureNumber(), view_test::kSongBars);
        const int pages = view->GetPagenate().GetPages().GetPageCount();
        EXPECT_GT(pages, 1);
        EXPECT_EQ(view->GetViewSize().cy, MCPageLayout::GetPageLayout().GetPageRect().Height() * pages);
        app.CloseAllDocuments(TRUE);
    }
}

}  // namespace
