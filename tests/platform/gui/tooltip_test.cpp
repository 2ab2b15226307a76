// Tool tips: the tool under the pointer named by OnToolHitTest, its text asked
// for with TTN_NEEDTEXT, and a text cut to the 80 bytes of TOOLTIPTEXT at a
// character boundary.
#include "platform/ui/tooltip.h"

#include "platform/ui/button.h"

#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr UINT IDC_TOOL = 1030;

// A window whose tools' texts are as long as it is told.
class CTipWnd : public CWnd {
public:
    std::string m_text;
    std::vector<UINT> m_asked;   // the ids of the tools asked for
    afx_msg BOOL OnNeedText(UINT, NMHDR* pNMHDR, LRESULT* pResult) {
        auto* tip = reinterpret_cast<TOOLTIPTEXT*>(pNMHDR);
        UINT_PTR id = pNMHDR->idFrom;
        if (tip->uFlags & TTF_IDISHWND)
            id = static_cast<UINT_PTR>(CWnd::FromHandle(reinterpret_cast<HWND>(id))->GetDlgCtrlID());
        m_asked.push_back(static_cast<UINT>(id));
        lstrcpyn(tip->szText, m_text.c_str(), static_cast<int>(sizeof(tip->szText)));
        *pResult = 0;
        return TRUE;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTipWnd, CWnd)
    ON_NOTIFY_EX_RANGE(TTN_NEEDTEXT, 0, 0xFFFF, &CTipWnd::OnNeedText)
END_MESSAGE_MAP()

class ToolTips : public ::testing::Test {
protected:
    ToolTips() {
        EXPECT_TRUE(wnd.Create(nullptr, "Tips", WS_VISIBLE, CRect(0, 0, 300, 200), nullptr, 0));
        EXPECT_TRUE(button.Create("Go", WS_VISIBLE, CRect(10, 10, 90, 40), &wnd, IDC_TOOL));
        wnd.EnableToolTips();
    }
    ~ToolTips() override { QToolTip::hideText(); }

    // The tip shown for a point of the window.
    QString TipAt(QPoint point) {
        // Hidden at once (the toolkit's own hiding waits for a timer of its own).
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->objectName() == "qtooltip_label")
                window->hide();
        QHelpEvent event(QEvent::ToolTip, point, wnd.GetWidget()->mapToGlobal(point));
        QApplication::sendEvent(wnd.GetWidget(), &event);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    }

    CTipWnd wnd;
    CButton button;
};

TEST_F(ToolTips, TheChildUnderThePointIsAskedForByItsHandle) {
    wnd.m_text = "Start playing";
    EXPECT_EQ(TipAt(QPoint(20, 20)), "Start playing");
    EXPECT_EQ(wnd.m_asked, std::vector<UINT>{IDC_TOOL});
    EXPECT_EQ(TipAt(QPoint(200, 150)), "");   // no tool there
    EXPECT_EQ(wnd.m_asked.size(), 1u);

    TOOLINFO info;
    EXPECT_EQ(wnd.OnToolHitTest(CPoint(20, 20), &info), IDC_TOOL);
    EXPECT_EQ(info.uId, reinterpret_cast<UINT_PTR>(button.GetSafeHwnd()));
    EXPECT_EQ(info.hwnd, wnd.GetSafeHwnd());
    EXPECT_EQ(info.lpszText, LPSTR_TEXTCALLBACK);
}

TEST_F(ToolTips, AHundredCharacterTipShowsItsFirstSeventyNine) {
    std::string text;
    for (int n = 0; n < 100; ++n)
        text += static_cast<char>('a' + n % 26);
    wnd.m_text = text;
    EXPECT_EQ(TipAt(QPoint(20, 20)).toStdString(), text.substr(0, 79));
}

TEST(TipText, CutAtACharacterBoundary) {
    const struct {
        const char* source;
        int size;
        const char* expected;
    } cases[] = {
        {"Tempo", 80, "Tempo"},
        {"Tempo", 4, "Tem"},
        {"a\xC3\xA9z", 3, "a"},           // é would not fit whole
        {"a\xC3\xA9z", 4, "a\xC3\xA9"},
        {"\xE2\x99\xAF\xE2\x99\xAF", 6, "\xE2\x99\xAF"},   // two sharps, room for one
        {"x", 1, ""},
    };
    for (const auto& c : cases) {
        char buffer[80];
        std::fill(std::begin(buffer), std::end(buffer), 'Z');
        lstrcpyn(buffer, c.source, c.size);
        EXPECT_STREQ(buffer, c.expected) << c.source << " in " << c.size;
    }
}

}  // namespace
