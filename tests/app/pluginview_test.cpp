// The View menu's view commands: each item's command id is its view's id, and
// choosing it shows the active document's frame of that view, making the frame
// when the document has none.
#include "app/infoview.h"
#include "app/staffwrightapp.h"
#include "interface/document/opusdoc.h"
#include "interface/document/pluginrecords.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/wnd.h"
#include "tests/app/app_support.h"
#include "tests/app/docs_support.h"

#include <gtest/gtest.h>

namespace {

// The frame of `doc` that holds a view of `viewClass`, or null.
CFrameWnd* FrameOfView(MCOpusDoc* doc, const CRuntimeClass* viewClass) {
    for (CView* view : doc->GetViews())
        if (view->IsKindOf(viewClass))
            return view->GetParentFrame();
    return nullptr;
}

TEST(PluginViewCommand, TheViewsIdShowsItsHiddenFrameOrMakesOne) {
    AppTestFolder folder;
    CPromptScript prompts;
    // A second view beside the program's Information view, as a plug-in
    // registers it (view index 2).
    MCPtrList saved;
    saved.AddTail(&CPluginView::GetPlugins());
    CPluginView second(RUNTIME_CLASS(DocsTestScoreView), RUNTIME_CLASS(MCOpusWnd), nullptr, 2,
                       docs_support::IDS_DOCS_SCORE, 10);
    CPluginView::AddPlugin(&second);
    {
        CStaffwrightApp app;
        app.SetCommandLine({folder.WriteMidiFile("a.mid")});
        ASSERT_TRUE(app.InitInstance());
        MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
        ASSERT_NE(doc, nullptr);
        CWnd* main = AfxGetMainWnd();

        CFrameWnd* info = FrameOfView(doc, RUNTIME_CLASS(CInfoView));
        ASSERT_NE(info, nullptr);
        info->ShowWindow(SW_HIDE);
        main->SendMessage(WM_COMMAND, VIEW_ID_OFFSET + 1, 0);
        EXPECT_TRUE(info->IsWindowVisible());
        EXPECT_EQ(FrameOfView(doc, RUNTIME_CLASS(CInfoView)), info);   // the same frame, shown again

        ASSERT_EQ(FrameOfView(doc, RUNTIME_CLASS(DocsTestScoreView)), nullptr);
        main->SendMessage(WM_COMMAND, VIEW_ID_OFFSET + 2, 0);
        CFrameWnd* made = FrameOfView(doc, RUNTIME_CLASS(DocsTestScoreView));
        ASSERT_NE(made, nullptr);
        EXPECT_TRUE(made->IsWindowVisible());

        app.CloseAllDocuments(FALSE);
        main->DestroyWindow();
        app.ExitInstance();
    }
    CPluginView::GetPlugins().RemoveAll();
    CPluginView::GetPlugins().AddTail(&saved);
}

}  // namespace
