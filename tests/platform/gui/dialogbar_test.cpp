// The dialog bar: made from its template at the template's size, its
// controls' commands going to the frame and their state following the
// frame's handlers on idle.
#include "platform/ui/dialogbar.h"

#include "platform/ui/winthread.h"

#include "tests/platform/gui/frame_support.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using bar_test::CTestFrame;

constexpr UINT IDD_TRANSPORT = 23401;
constexpr UINT ID_PLAY = 23402;
constexpr UINT IDC_TEMPO = 23403;
constexpr UINT ID_LOOP = 23404;

const DialogTemplate kTransport = {"Transport",
                                   {
                                       {ID_PLAY, DialogControlKind::Push, "Play", {4, 4, 40, 14}},
                                       {IDC_TEMPO, DialogControlKind::Edit, "120", {48, 4, 30, 12}},
                                       {ID_LOOP, DialogControlKind::Check, "Loop", {82, 4, 40, 12}},
                                   },
                                   {130, 22}};
DIALOG_RESOURCE(IDD_TRANSPORT, kTransport);

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

TEST(DialogBar, IsNotMadeWithoutItsTemplate) {
    CTestFrame frame;
    CDialogBar bar;
    EXPECT_FALSE(bar.Create(&frame, IDD_TRANSPORT + 1000, WS_VISIBLE | CBRS_TOP, 1));
    EXPECT_EQ(bar.GetSafeHwnd(), nullptr);
}

}  // namespace
