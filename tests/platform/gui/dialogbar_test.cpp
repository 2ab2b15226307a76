// The dialog bar: made from its template at the template's size, its
// controls' commands going to the frame and their state following the
// frame's handlers on idle.
#include "platform/ui/dialogbar.h"

#include "platform/ui/winthread.h"

#include "tests/platform/gui/frame_support.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using bar_test::CTestFrame;

constexpr UINT IDD_TRANSPORT = 23401;
constexpr UINT ID_PLAY = 23402;
constexpr UINT IDC_TEMPO = 23403;
constexpr UINT ID_LOOP = 23404;
constexpr UINT IDD_VOICES = 23405;
constexpr UINT IDC_VOICE = 23406;

const DialogTemplate kTransport = {"Transport",
                                   {
                                       {ID_PLAY, DialogControlKind::Push, "Play", {4, 4, 40, 14}},
                                       {IDC_TEMPO, DialogControlKind::Edit, "120", {48, 4, 30, 12}},
                                       {ID_LOOP, DialogControlKind::Check, "Loop", {82, 4, 40, 12}},
                                   },
                                   {130, 22}};
DIALOG_RESOURCE(IDD_TRANSPORT, kTransport);
const DialogTemplate kVoices = {"Voices",
                                {
                                    {IDC_VOICE - 1, DialogControlKind::Static, "&Voice:", {4, 4, 30, 10}},
                                    {IDC_VOICE, DialogControlKind::Edit, "1", {36, 4, 30, 12}, WS_TABSTOP},
                                },
                                {80, 22}};
DIALOG_RESOURCE(IDD_VOICES, kVoices);

CWnd* Control(CDialogBar& bar, UINT id) {
    return bar.GetDlgItem(static_cast<int>(id));
}

TEST(DialogBar, AButtonNobodyHandlesIsDisabledOnIdleUntilTheOwnerHandlesIt) {
    CTestFrame frame;
    CDialogBar bar;
    ASSERT_TRUE(bar.Create(&frame, IDD_TRANSPORT, WS_VISIBLE | CBRS_TOP, IDD_TRANSPORT));
    frame.LayOut();
    ASSERT_TRUE(bar.IsWindowVisible());

    RunIdleUpdates();
    EXPECT_FALSE(Control(bar, ID_PLAY)->IsWindowEnabled());
    // An edit stands for no command of its own: it stays usable.
    EXPECT_TRUE(Control(bar, IDC_TEMPO)->IsWindowEnabled());

    frame.handled = ID_PLAY;
    RunIdleUpdates();
    ASSERT_TRUE(Control(bar, ID_PLAY)->IsWindowEnabled());
    QTest::mouseClick(Control(bar, ID_PLAY)->GetWidget(), Qt::LeftButton);
    EXPECT_EQ(frame.commands, std::vector<UINT>{ID_PLAY});

    // A hidden bar is not asked.
    frame.handled = 0;
    ShowControlBar(&frame, &bar, FALSE, FALSE);
    RunIdleUpdates();
    EXPECT_TRUE(Control(bar, ID_PLAY)->IsWindowEnabled());
}

TEST(DialogBar, KeepsItsTemplatesSizeDockedOrFloating) {
    CTestFrame frame;
    CDialogBar bar;
    ASSERT_TRUE(bar.Create(&frame, IDD_TRANSPORT, WS_VISIBLE | CBRS_TOP, IDD_TRANSPORT));
    const CSize size = CDialogUnits(kTransport.font).MapDialogSize(kTransport.size);
    EXPECT_EQ(bar.m_sizeDefault, size);
    std::string text;
    bar.GetWindowText(text);
    EXPECT_EQ(text, "Transport");

    const struct {
        const char* name;
        BOOL fixed;   // TRUE: CalcFixedLayout(stretch, horz); FALSE: CalcDynamicLayout(mode)
        BOOL stretch, horz;
        DWORD mode;
        CSize expected;
    } cases[] = {
        {"fixed", TRUE, FALSE, TRUE, 0, size},
        {"fixed, vertical", TRUE, FALSE, FALSE, 0, size},
        {"stretched along the top", TRUE, TRUE, TRUE, 0, CSize(32767, size.cy)},
        {"stretched down the left", TRUE, TRUE, FALSE, 0, CSize(size.cx, 32767)},
        {"docked on top", FALSE, 0, 0, LM_HORZDOCK | LM_HORZ, size},
        {"docked, stretched", FALSE, 0, 0, LM_HORZDOCK | LM_HORZ | LM_STRETCH, CSize(32767, size.cy)},
        {"docked left, stretched", FALSE, 0, 0, LM_VERTDOCK | LM_STRETCH, CSize(size.cx, 32767)},
        {"floating", FALSE, 0, 0, LM_HORZ | LM_MRUWIDTH, size},
        {"floating, asked to stretch", FALSE, 0, 0, LM_HORZ | LM_STRETCH, size},
    };
    for (const auto& c : cases) {
        const CSize got = c.fixed ? bar.CalcFixedLayout(c.stretch, c.horz) : bar.CalcDynamicLayout(-1, c.mode);
        EXPECT_EQ(got, c.expected) << c.name;
    }
    EXPECT_EQ(bar.GetWidget()->size(), QSize(size.cx, size.cy));
    FloatControlBar(&frame, &bar, CPoint(50, 60));
    EXPECT_EQ(bar.GetWidget()->size(), QSize(size.cx, size.cy));
}

TEST(DialogBar, ItsLabelsLeaveAltAndALetterToTheFramesMenu) {
    CTestFrame frame;
    QMenu* view = frame.Main()->menuBar()->addMenu("&View");
    view->addAction("&Zoom");
    CDialogBar bar;
    ASSERT_TRUE(bar.Create(&frame, IDD_VOICES, WS_VISIBLE | CBRS_TOP, IDD_VOICES));
    frame.LayOut();
    frame.Main()->activateWindow();
    QWidget* voice = Control(bar, IDC_VOICE)->GetWidget();
    const auto* field = qobject_cast<QLineEdit*>(voice);
    ASSERT_NE(field, nullptr);
    const QString text = field->text();

    // From elsewhere in the frame, and from the bar's own field, Alt+V opens
    // the View menu: the label neither takes the focus nor the letter.
    for (QWidget* from : {static_cast<QWidget*>(frame.Main()->centralWidget()), voice}) {
        from->setFocus();
        QTest::keyClick(from, Qt::Key_V, Qt::AltModifier);
        QApplication::processEvents();
        EXPECT_EQ(frame.Main()->menuBar()->activeAction(), view->menuAction()) << from->metaObject()->className();
        EXPECT_EQ(field->text(), text);
        if (from != voice) {
            EXPECT_FALSE(voice->hasFocus());
        }
        view->close();
        frame.Main()->menuBar()->setActiveAction(nullptr);
        QApplication::processEvents();
    }
}

TEST(DialogBar, IsNotMadeWithoutItsTemplate) {
    CTestFrame frame;
    CDialogBar bar;
    EXPECT_FALSE(bar.Create(&frame, IDD_TRANSPORT + 1000, WS_VISIBLE | CBRS_TOP, 1));
    EXPECT_EQ(bar.GetSafeHwnd(), nullptr);
}

}  // namespace
