// The time bar and its display: the settings kept in the profile, the states
// that move the readout, the layout with and without units, the picture's
// features, the click that asks for Go To and the context menu's choices.
#include "app/timebar.h"

#include "interface/controls/timeedit.h"
#include "model/appstates.h"
#include "model/preferences.h"
#include "platform/core/profile.h"
#include "platform/gdi/font.h"
#include "platform/ui/app.h"
#include "platform/ui/colordialog.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/fontdialog.h"
#include "platform/ui/messages.h"
#include "platform/ui/paint.h"
#include "tests/app/frame_support.h"
#include "tests/interface/controls/piece_support.h"
#include "platform/ui/frame.h"
#include "tests/platform/messaging_support.h"

#include <QImage>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

using messaging_test::PumpUntil;

LONG HeightOf(const CFont* font) {
    LOGFONT description;
    return font && font->GetLogFont(&description) ? description.lfHeight : 0;
}

std::string FaceOf(const CFont* font) {
    LOGFONT description;
    return font && font->GetLogFont(&description) ? GetFaceName(description) : std::string();
}

CSize WindowSize(const CWnd& wnd) {
    CRect rect;
    wnd.GetWindowRect(&rect);
    return rect.Size();
}

// Pixels of the display's picture inside `rect` near `color` (drawn text is
// smoothed, so its edges blend into the background).
int PixelsNear(CTimeDisplay& display, const CRect& rect, COLORREF color) {
    display.Invalidate(FALSE);
    display.UpdateWindow();
    const QImage* surface = platform_detail::WindowSurface(display);
    if (!surface)
        return 0;
    const auto near = [](int a, int b) { return a > b - 70 && a < b + 70; };
    int count = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x) {
            const QColor pixel = surface->pixelColor(x, y);
            if (near(pixel.red(), GetRValue(color)) && near(pixel.green(), GetGValue(color)) &&
                near(pixel.blue(), GetBValue(color)))
                ++count;
        }
    return count;
}

// The main window: a frame noting the commands it receives.
class CNotingFrame : public CFrameWnd {
public:
    std::vector<UINT> commands;

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        commands.push_back(LOWORD(wParam));
        return CFrameWnd::OnCommand(wParam, lParam);
    }
};

class TimeBarTest : public testing::Test {
protected:
    TimeBarTest() {
        frame = new CNotingFrame;   // goes with its window
        EXPECT_TRUE(frame->Create(nullptr, "Main", WS_OVERLAPPEDWINDOW, CRect(0, 0, 1200, 600), nullptr, 0));
        frame->ShowWindow(SW_SHOW);
        for (const char* section : {"Time", "Time\\Color", "Time\\Font"})
            CProfile::Application().DeleteSection(section);
        // A known format, whatever another test left as the time edit's default.
        SaveIntPreference("Time", "Format", TIMEFMT_BAR_BEAT_TICK);
        app.m_pMainWnd = frame;
    }
    ~TimeBarTest() override {
        bar.reset();
        app.m_pMainWnd = nullptr;
        frame->DestroyWindow();
    }

    // The bar before goes first, so its settings are written before the new one reads them.
    void MakeBar() {
        bar.reset();
        bar = std::make_unique<CTimeBar>();
        ASSERT_EQ(bar->CreateBar(frame), 1);
        messaging_test::PumpPending();
    }
    CTimeDisplay& Display() { return bar->GetDisplay(); }

    // Opens the context menu and takes `choice`; true once `done` holds.
    template <class Pred>
    bool ChooseFromMenu(CDialogScript& script, UINT choice, Pred done) {
        script.QueueMenuChoice(choice);
        bar->SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(bar->m_hWnd), MAKELPARAM(10, 10));
        return PumpUntil(done);
    }

    CWinApp app;
    CNotingFrame* frame = nullptr;   // borrowed: deletes itself with its window
    std::unique_ptr<CTimeBar> bar;
};

// A document in front, its piece in 4/4 then 3/4 from bar 5, and a second
// one behind it.
class TimeBarWithDocuments : public TimeBarTest {
protected:
    TimeBarWithDocuments() { other->OnNewDocument(); }

    time_test::ActivePiece parts;
    std::unique_ptr<MCOpusDoc> other = doc_support::DocumentParts::MakeDocument();
};

TEST_F(TimeBarTest, SettingsAreReadWhenMadeAndWrittenWhenGone) {
    CProfile::Application().DeleteSection("Time");
    MakeBar();
    EXPECT_EQ(Display().GetBackColor(), RGB(0, 0, 0));
    EXPECT_EQ(Display().GetTimeColor(), RGB(255, 0, 0));
    EXPECT_EQ(Display().GetUnitsColor(), RGB(255, 255, 0));
    EXPECT_EQ(Display().GetFormat(), MCTimeEdit::s_nFormat);
    EXPECT_FALSE(Display().IsUnitsShown());
    EXPECT_EQ(FaceOf(Display().GetTimeFont()), "Arial");
    EXPECT_EQ(HeightOf(Display().GetTimeFont()), -36);
    EXPECT_EQ(FaceOf(Display().GetUnitsFont()), "Arial");
    EXPECT_EQ(HeightOf(Display().GetUnitsFont()), -10);
    EXPECT_TRUE(Display().GetTime() == MCTime::TimeZero());
    {
        // "Arial" is drawn as the face of its metrics here.
        CFont liberation;
        ASSERT_TRUE(liberation.CreateFont(-36, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Liberation Sans"));
        CClientDC dc(&Display());
        dc.SelectObject(&liberation);
        EXPECT_EQ(Display().GetTimeRect().Width(), dc.GetTextExtent("000:00:000").cx);
    }

    Display().SetBackColor(RGB(1, 2, 3));
    bar->OnDisplayUnits();
    bar.reset();
    EXPECT_EQ(LoadIntPreference("Time\\Color", "Background", -1), static_cast<int>(RGB(1, 2, 3)));
    EXPECT_EQ(LoadIntPreference("Time\\Color", "Time", -1), 255);
    EXPECT_EQ(LoadIntPreference("Time\\Color", "Units", -1), 65535);
    EXPECT_EQ(LoadIntPreference("Time", "ShowUnits", -1), 1);
    EXPECT_EQ(LoadIntPreference("Time", "Format", -1), MCTimeEdit::s_nFormat);
    EXPECT_EQ(HeightOf(LoadFontPreference("Time\\Font", "Time", "", 0, 0, 0, 0).get()), -36);
    EXPECT_EQ(FaceOf(LoadFontPreference("Time\\Font", "Units", "", 0, 0, 0, 0).get()), "Arial");

    // What was stored comes back.
    SaveIntPreference("Time", "Format", TIMEFMT_CLOCK);
    SaveIntPreference("Time\\Color", "Time", static_cast<int>(RGB(0, 255, 0)));
    SaveStringPreference("Time\\Font", "Time", "Courier New, -20, 1, 0, 0");
    MakeBar();
    EXPECT_EQ(Display().GetFormat(), TIMEFMT_CLOCK);
    EXPECT_EQ(Display().GetBackColor(), RGB(1, 2, 3));
    EXPECT_EQ(Display().GetTimeColor(), RGB(0, 255, 0));
    EXPECT_TRUE(Display().IsUnitsShown());
    EXPECT_EQ(FaceOf(Display().GetTimeFont()), "Courier New");
    EXPECT_EQ(HeightOf(Display().GetTimeFont()), -20);
}

TEST_F(TimeBarWithDocuments, OnlyTheActiveDocumentMovesTheReadout) {
    MakeBar();
    enum Whose { NONE, ACTIVE, OTHER };
    const struct {
        long code;
        Whose whose;
        float time;
        MCTime shown;
    } cases[] = {
        {STATE_TIME_POSITION, ACTIVE, 8.0f, MCTime(8.0f)},
        {STATE_TIME_POSITION, OTHER, 12.0f, MCTime(8.0f)},   // a document behind the front one
        {STATE_TIME_POSITION, NONE, 3.0f, MCTime(8.0f)},
        {STATE_TIME_RELOCATED, ACTIVE, 6.0f, MCTime(6.0f)},
        {STATE_TIME_RELOCATED, OTHER, 9.0f, MCTime(6.0f)},
        {STATE_TIME_LOCATE, ACTIVE, 2.0f, MCTime(6.0f)},     // a request, not a position
        {STATE_FILE_NEW, NONE, 0, MCTime::TimeZero()},
        {STATE_TIME_POSITION, ACTIVE, 5.0f, MCTime(5.0f)},
        {STATE_FILE_CLOSED, NONE, 0, MCTime::TimeNull()},
        {STATE_FILE_OPENED, NONE, 0, MCTime::TimeZero()},
        {STATE_TIME_POSITION, ACTIVE, 7.0f, MCTime(7.0f)},
        {STATE_SELECTION_ACTIVATE, NONE, 0, MCTime::TimeZero()},
    };
    for (const auto& c : cases) {
        SCTime state(static_cast<unsigned>(c.code), MCTime(c.time));
        state.SetTarget(c.whose == ACTIVE ? parts.doc->GetBaseEvent()
                                          : c.whose == OTHER ? other->GetBaseEvent() : nullptr);
        bar->OnUpdate(c.code, &state);
        EXPECT_TRUE(Display().GetTime() == c.shown) << "code " << c.code << " whose " << c.whose;
    }

    // With no document in front, no position moves it.
    MCOpusDoc::SetActiveDoc(nullptr);
    SCTime state(STATE_TIME_POSITION, MCTime(4.0f));
    state.SetTarget(parts.doc->GetBaseEvent());
    bar->OnUpdate(STATE_TIME_POSITION, &state);
    EXPECT_TRUE(Display().GetTime() == MCTime::TimeZero());
}

TEST_F(TimeBarWithDocuments, DuringPlayTheReadoutCountsBarsAndBeats) {
    MakeBar();
    const struct { int bar, beat, tick; const char* text; } cases[] = {
        {1, 1, 0, "001:01:000"}, {1, 2, 0, "001:02:000"}, {1, 4, 240, "001:04:240"},
        {2, 1, 0, "002:01:000"}, {6, 3, 0, "006:03:000"},
    };
    for (const auto& c : cases) {
        SCTime state(STATE_TIME_POSITION, parts.At(c.bar, c.beat, c.tick));
        state.SetTarget(parts.doc->GetBaseEvent());
        bar->OnUpdate(STATE_TIME_POSITION, &state);
        EXPECT_EQ(Display().GetTimeText(), c.text) << c.text;
    }
    // A close leaves the format's empty form, drawn in the digits' colour.
    bar->OnUpdate(STATE_FILE_CLOSED, nullptr);
    EXPECT_EQ(Display().GetTimeText(), "---:--:---");
    EXPECT_GT(PixelsNear(Display(), Display().GetTimeRect(), Display().GetTimeColor()), 0);
}

TEST_F(TimeBarTest, UnitsMakeTheBarTallerAndAreLabelledByFormat) {
    const struct { int format; bool labelled; } cases[] = {
        {TIMEFMT_BAR_BEAT, true}, {TIMEFMT_BAR_BEAT_TICK, true}, {TIMEFMT_BAR_BEAT_FRACTION, true},
        {TIMEFMT_BEAT_FRACTION, false}, {TIMEFMT_CLOCK, true},
    };
    for (const auto& c : cases) {
        bar.reset();   // it writes its settings as it goes
        SaveIntPreference("Time", "Format", c.format);
        SaveIntPreference("Time", "ShowUnits", 0);
        MakeBar();
        const CSize without = WindowSize(*bar);
        EXPECT_TRUE(Display().GetUnitsRect().IsRectEmpty()) << c.format;
        EXPECT_GT(PixelsNear(Display(), Display().GetTimeRect(), Display().GetTimeColor()), 0) << c.format;

        bar->OnDisplayUnits();
        const CSize with = WindowSize(*bar);
        EXPECT_GT(with.cy, without.cy) << c.format;
        EXPECT_EQ(with.cx, without.cx) << c.format;
        EXPECT_EQ(bar->CalcFixedLayout(FALSE, TRUE), with) << c.format;
        const CRect time = Display().GetTimeRect(), units = Display().GetUnitsRect();
        EXPECT_EQ(units.top, time.bottom + 6) << c.format;
        EXPECT_GT(units.left, time.left) << c.format;
        EXPECT_LT(units.right, time.right) << c.format;
        // The bar stands 5 pixels round the display, the display 6 round its rectangles.
        EXPECT_EQ(WindowSize(Display()), CSize(time.Width() + 12, units.bottom + 6)) << c.format;
        EXPECT_EQ(with, CSize(time.Width() + 22, units.bottom + 16)) << c.format;
        EXPECT_EQ(Display().GetFormat(), c.format);
        EXPECT_EQ(PixelsNear(Display(), units, Display().GetUnitsColor()) > 0, c.labelled) << c.format;

        bar->OnDisplayUnits();
        EXPECT_EQ(WindowSize(*bar), without) << c.format;
    }
}

TEST_F(TimeBarWithDocuments, AClickAsksForGoToOnlyWithADocument) {
    MakeBar();
    MCOpusDoc::SetActiveDoc(nullptr);
    QTest::mouseClick(Display().GetWidget(), Qt::LeftButton, {}, QPoint(10, 10));
    messaging_test::PumpPending();
    EXPECT_TRUE(frame->commands.empty());

    MCOpusDoc::SetActiveDoc(parts.doc.get());
    QTest::mouseClick(Display().GetWidget(), Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_TRUE(PumpUntil([&] { return !frame->commands.empty(); }));
    EXPECT_EQ(frame->commands, std::vector<UINT>{ID_TIME_GOTO});
}

TEST_F(TimeBarTest, TheMenuChoosesUnitsBackgroundAndFonts) {
    MakeBar();
    CDialogScript script;
    const CSize before = WindowSize(*bar);
    ASSERT_TRUE(ChooseFromMenu(script, ID_TIME_UNITS, [&] { return Display().IsUnitsShown(); }));
    EXPECT_GT(WindowSize(*bar).cy, before.cy);

    // The colour dialog opens on the background; Cancel keeps it.
    COLORREF offered = 1;
    script.Queue(RUNTIME_CLASS(CColorDialog), [&](CWnd& dlg) {
        offered = static_cast<CColorDialog&>(dlg).GetColor();
        static_cast<CColorDialog&>(dlg).SetCurrentColor(RGB(0, 0, 128));
        CDialogScript::Click(dlg, IDCANCEL);
    });
    ASSERT_TRUE(ChooseFromMenu(script, ID_TIME_BACKGROUND, [&] { return script.GetPending() == 0; }));
    messaging_test::PumpPending();
    EXPECT_EQ(offered, RGB(0, 0, 0));
    EXPECT_EQ(Display().GetBackColor(), RGB(0, 0, 0));
    script.Queue(RUNTIME_CLASS(CColorDialog), [&](CWnd& dlg) {
        static_cast<CColorDialog&>(dlg).SetCurrentColor(RGB(0, 0, 128));
        CDialogScript::Click(dlg, IDOK);
    });
    ASSERT_TRUE(ChooseFromMenu(script, ID_TIME_BACKGROUND, [&] { return Display().GetBackColor() == RGB(0, 0, 128); }));
    CRect inside;
    Display().GetClientRect(&inside);
    inside.DeflateRect(3, 3);
    EXPECT_GT(PixelsNear(Display(), CRect(inside.left, inside.top, inside.left + 2, inside.bottom), RGB(0, 0, 128)), 0);

    // The font dialog opens on the digits' font (27 points is 36 pixels) and colour.
    std::string size, colour;
    const CSize smaller = WindowSize(*bar);
    script.Queue(RUNTIME_CLASS(CFontDialog), [&](CWnd& dlg) {
        size = CDialogScript::GetText(dlg, cmb3);
        colour = CDialogScript::GetText(dlg, cmb4);
        CDialogScript::SetText(dlg, cmb3, "36");
        CDialogScript::Choose(dlg, cmb4, 12);   // Blue
        CDialogScript::Click(dlg, IDOK);
    });
    ASSERT_TRUE(ChooseFromMenu(script, ID_TIME_TIMEFONT, [&] { return HeightOf(Display().GetTimeFont()) == -48; }));
    EXPECT_EQ(size, "27");
    EXPECT_EQ(colour, "Red");
    EXPECT_EQ(Display().GetTimeColor(), RGB(0, 0, 255));
    EXPECT_GT(WindowSize(*bar).cx, smaller.cx);
    EXPECT_GT(WindowSize(*bar).cy, smaller.cy);

    script.Queue(RUNTIME_CLASS(CFontDialog), [&](CWnd& dlg) {
        CDialogScript::SetText(dlg, cmb3, "8");
        CDialogScript::Click(dlg, IDOK);
    });
    ASSERT_TRUE(ChooseFromMenu(script, ID_TIME_UNITSFONT, [&] { return HeightOf(Display().GetUnitsFont()) == -11; }));
    EXPECT_EQ(Display().GetUnitsColor(), RGB(255, 255, 0));
}

// The bar as the main frame makes it: the fourth bar, reached by the routing.
class TimeBarInTheFrame : public frame_test::MainFrameTest {
protected:
    void SetUp() override {
        for (const char* section : {"Time", "Time\\Color", "Time\\Font"})
            CProfile::Application().DeleteSection(section);
        SaveIntPreference("Time", "Format", TIMEFMT_BAR_BEAT_TICK);
        MainFrameTest::SetUp();
    }
};

TEST_F(TimeBarInTheFrame, TheFrameMakesItAndRoutesFileStatesToIt) {
    CTimeBar* bar = frame->GetTimeBar();
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(bar->GetWidget(), nullptr);
    std::string title;
    bar->GetWindowText(title);
    EXPECT_EQ(title, "Time");
    EXPECT_EQ(bar->GetDlgItem(IDC_TIME_DISPLAY), &bar->GetDisplay());

    SCFile closed(STATE_FILE_CLOSED);
    frame->DispatchStateMessage(STATE_FILE_CLOSED, &closed);
    EXPECT_EQ(bar->GetDisplay().GetTimeText(), "---:--:---");
    EXPECT_TRUE(bar->GetTime() == MCTime::TimeNull());
    SCFile made(STATE_FILE_NEW);
    frame->DispatchStateMessage(STATE_FILE_NEW, &made);
    EXPECT_TRUE(bar->GetTime() == MCTime::TimeZero());

    // Units on: the docked bar is given its new height by the frame.
    const int before = bar->GetWidget()->height();
    bar->OnDisplayUnits();
    EXPECT_GT(bar->GetWidget()->height(), before);
    EXPECT_EQ(bar->GetWidget()->height(), bar->CalcFixedLayout(FALSE, TRUE).cy);
}

}  // namespace
