// The end of the program while a document plays.
#include "app/staffwrightapp.h"
#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/states.h"
#include "platform/core/profile.h"
#include "platform/devices/portavel.h"
#include "platform/ui/docmanager.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/wnd.h"
#include "sequencer/sequence.h"
#include "tests/app/app_support.h"

#include <QCoreApplication>
#include <QFile>

#include <gtest/gtest.h>

#include <memory>

TEST(Exit, WhileADocumentPlaysStopsClosesAndDeletesTheDevices) {
    AppTestFolder folder;
    CPromptScript prompts;
    auto app = std::make_unique<CStaffwrightApp>();
    app->SetCommandLine({folder.WriteMidiFile("a.mid")});
    ASSERT_TRUE(app->InitInstance());
    MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(CPortavel::GetPortavel(), app->GetPortavel());
    // The program's activation opens the devices.
    AfxGetMainWnd()->SendMessage(WM_ACTIVATEAPP, TRUE, 0);
    (new SCPerform(STATE_PERFORM_PLAY))->Apply(doc->GetBaseEvent());
    QCoreApplication::processEvents();
    ASSERT_TRUE(doc->GetSequence()->GetState() & 0x30) << std::hex << doc->GetSequence()->GetState();

    AfxGetMainWnd()->PostMessage(WM_CLOSE);
    app->Run();
    EXPECT_EQ(app->GetDocManager()->GetOpenDocumentCount(), 0);
    EXPECT_EQ(MCOpusDoc::GetActiveDoc(), nullptr);
    app.reset();
    EXPECT_EQ(CPortavel::GetPortavel(), nullptr);

    QFile profile(QString::fromStdString(CProfile::GetApplicationPath()));
    ASSERT_TRUE(profile.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(profile.readAll());
    EXPECT_TRUE(text.contains("[Main]")) << text.toStdString();
    EXPECT_TRUE(text.contains("Mode=")) << text.toStdString();
    EXPECT_TRUE(text.contains("[Main\\Toolbars\\State")) << text.toStdString();
}
