// The edit field: its operations as messages a derived field may refuse, the
// change notifications, the formatting rectangle, the counted caret, and the
// multi-line field's text.
#include "platform/ui/edit.h"

#include "tests/platform/gui/control_support.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTest>

#include <string>

namespace {

using control_test::CNotedParent;

constexpr UINT IDC_FIELD = 1010;

// A field that keeps its selection against EM_SETSEL while told to.
class CKeepingEdit : public CEdit {
public:
    bool m_keep = true;
    int m_refused = 0;
    afx_msg LRESULT OnSetSel(WPARAM wParam, LPARAM lParam) {
        if (!m_keep)
            return DefWindowProc(EM_SETSEL, wParam, lParam);
        ++m_refused;
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CKeepingEdit, CEdit)
    ON_MESSAGE(EM_SETSEL, &CKeepingEdit::OnSetSel)
END_MESSAGE_MAP()

TEST(Edit, AHandlerSwallowingEmSetSelKeepsTheSelection) {
    CNotedParent parent;
    CKeepingEdit edit;
    ASSERT_TRUE(edit.Create(WS_VISIBLE, CRect(10, 10, 200, 30), &parent, IDC_FIELD));
    edit.SetWindowText("Allegro");
    auto* line = parent.GetWidget()->findChild<QLineEdit*>("1010");
    ASSERT_NE(line, nullptr);
    line->setSelection(2, 3);

    // Sent to the field as a dialog sends it when the field takes the focus.
    edit.SendMessage(EM_SETSEL, 0, -1);
    EXPECT_EQ(edit.m_refused, 1);
    int start = -1;
    int end = -1;
    edit.GetSel(start, end);
    EXPECT_EQ(start, 2);
    EXPECT_EQ(end, 5);

    edit.m_keep = false;
    edit.SetSel(0, -1);   // the member function takes the same path
    EXPECT_EQ(edit.GetSel(), MAKELONG(0, 7));
}

TEST(Edit, FocusByTabAsksForTheWholeTextAsADialogDoes) {
    CNotedParent parent;
    CKeepingEdit keeping;
    CEdit plain;
    ASSERT_TRUE(keeping.Create(WS_VISIBLE, CRect(10, 10, 200, 30), &parent, IDC_FIELD));
    ASSERT_TRUE(plain.Create(WS_VISIBLE, CRect(10, 40, 200, 60), &parent, IDC_FIELD + 1));
    keeping.SetWindowText("Allegro");
    plain.SetWindowText("Andante");
    static_cast<QLineEdit*>(keeping.GetWidget())->setCursorPosition(2);
    parent.GetWidget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(parent.GetWidget()));

    // The request reaches the field's message map, which may refuse it; a
    // plain field takes it and selects everything, as before.
    plain.GetWidget()->setFocus(Qt::BacktabFocusReason);
    EXPECT_EQ(plain.GetSel(), MAKELONG(0, 7));
    keeping.GetWidget()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(keeping.m_refused, 1);
    EXPECT_EQ(keeping.GetSel(), MAKELONG(2, 2));
    // Other ways of taking the focus ask nothing.
    plain.GetWidget()->setFocus(Qt::MouseFocusReason);
    keeping.GetWidget()->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(keeping.m_refused, 1);
}

TEST(Edit, SelectionsAsTheMessagesDescribeThem) {
    CNotedParent parent;
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_VISIBLE, CRect(10, 10, 200, 30), &parent, IDC_FIELD));
    edit.SetWindowText("0123456789");
    const struct {
        int start, end;
        DWORD expected;
    } cases[] = {
        {0, -1, MAKELONG(0, 10)},   // -1: to the end
        {7, 3, MAKELONG(3, 7)},     // given backwards
        {4, 99, MAKELONG(4, 10)},   // beyond the end
        {5, 5, MAKELONG(5, 5)},     // a caret
    };
    for (const auto& c : cases) {
        edit.SetSel(c.start, c.end);
        EXPECT_EQ(edit.GetSel(), c.expected) << c.start << ".." << c.end;
    }
    edit.SetSel(2, 6);
    edit.SetSel(-1, 0);   // -1 drops the selection
    int start = 0;
    int end = 0;
    edit.GetSel(start, end);
    EXPECT_EQ(start, end);
    edit.SetSel(2, 6);
    edit.ReplaceSel("ab");
    std::string text;
    edit.GetWindowText(text);
    EXPECT_EQ(text, "01ab6789");
}

TEST(Edit, EveryChangeOfTheTextSendsEnChange) {
    CNotedParent parent;
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_VISIBLE, CRect(10, 10, 200, 30), &parent, IDC_FIELD));
    const auto changes = [&] { return parent.Count(WM_COMMAND, EN_CHANGE); };
    edit.SetWindowText("4");
    EXPECT_EQ(changes(), 1u);
    edit.SetWindowText("4");   // the same text: still a change
    EXPECT_EQ(changes(), 2u);
    EXPECT_FALSE(edit.GetModify());
    QTest::keyClicks(parent.GetWidget()->findChild<QLineEdit*>("1010"), "2");
    EXPECT_EQ(changes(), 3u);
    EXPECT_TRUE(edit.GetModify());
    edit.ReplaceSel("x");
    EXPECT_EQ(changes(), 4u);
}

TEST(Edit, LimitAndReadOnly) {
    CNotedParent parent;
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_VISIBLE | ES_READONLY, CRect(10, 10, 200, 30), &parent, IDC_FIELD));
    auto* line = parent.GetWidget()->findChild<QLineEdit*>("1010");
    EXPECT_TRUE(line->isReadOnly());
    edit.SetReadOnly(FALSE);
    EXPECT_FALSE(line->isReadOnly());
    edit.LimitText(3);
    EXPECT_EQ(edit.GetLimitText(), 3u);
    QTest::keyClicks(line, "12345");
    std::string text;
    edit.GetWindowText(text);
    EXPECT_EQ(text, "123");
    edit.LimitText(0);   // no practical limit
    EXPECT_GT(edit.GetLimitText(), 30000u);
}

TEST(Edit, TheFormattingRectangleBecomesTheTextMargins) {
    CNotedParent parent;
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_VISIBLE, CRect(10, 10, 110, 30), &parent, IDC_FIELD));
    const CRect format(3, 2, 90, 18);
    edit.SetRect(&format);
    const QMargins margins = parent.GetWidget()->findChild<QLineEdit*>("1010")->textMargins();
    EXPECT_EQ(margins, QMargins(3, 2, 10, 2));
    CRect back;
    edit.GetRect(&back);
    EXPECT_TRUE(back == format);
}

TEST(Edit, CharFromPosFindsTheCharacterUnderThePoint) {
    CNotedParent parent;
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_VISIBLE, CRect(10, 10, 300, 30), &parent, IDC_FIELD));
    edit.SetWindowText("abcdefghij");
    auto* line = parent.GetWidget()->findChild<QLineEdit*>("1010");
    line->setCursorPosition(5);
    const QRect caret = line->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    EXPECT_EQ(LOWORD(static_cast<DWORD>(edit.CharFromPos(CPoint(caret.center().x(), caret.center().y())))), 5);
    EXPECT_EQ(LOWORD(static_cast<DWORD>(edit.CharFromPos(CPoint(290, 10)))), 10);   // past the text: its end
}

TEST(Edit, HideCaretIsCountedAndExtraShowsDoNotBank) {
    CNotedParent parent;
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_VISIBLE, CRect(10, 10, 300, 30), &parent, IDC_FIELD));
    QWidget* line = edit.GetWidget();
    const auto caretWidth = [&] { return line->style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, line); };
    const int shown = caretWidth();
    ASSERT_GT(shown, 0);
    edit.ShowCaret();   // shown already: nothing saved up
    edit.HideCaret();
    edit.HideCaret();
    EXPECT_EQ(caretWidth(), 0);
    edit.ShowCaret();
    EXPECT_EQ(caretWidth(), 0);
    edit.ShowCaret();
    EXPECT_EQ(caretWidth(), shown);
}

TEST(Edit, TheCaretHiddenDuringOneFocusShowsAtTheNext) {
    CNotedParent parent;
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_VISIBLE, CRect(10, 10, 300, 30), &parent, IDC_FIELD));
    CEdit other;
    ASSERT_TRUE(other.Create(WS_VISIBLE, CRect(10, 40, 300, 60), &parent, IDC_FIELD + 1));
    parent.GetWidget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(parent.GetWidget()));
    QWidget* line = edit.GetWidget();
    const auto caretWidth = [&] { return line->style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, line); };
    const int shown = caretWidth();
    edit.SetFocus();
    edit.HideCaret();
    other.SetFocus();
    edit.SetFocus();
    edit.HideCaret();
    edit.ShowCaret();   // one show undoes this focus's one hide
    EXPECT_EQ(caretWidth(), shown);
}

TEST(Edit, AMultiLineFieldGivesItsLinesWithCrLf) {
    CNotedParent parent;
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_VISIBLE | ES_MULTILINE | ES_AUTOHSCROLL, CRect(10, 10, 300, 120), &parent, IDC_FIELD));
    auto* text = parent.GetWidget()->findChild<QPlainTextEdit*>("1010");
    ASSERT_NE(text, nullptr);
    edit.SetWindowText("Verse 1\r\nVerse 2\nCoda");
    EXPECT_EQ(text->toPlainText(), "Verse 1\nVerse 2\nCoda");
    std::string back;
    edit.GetWindowText(back);
    EXPECT_EQ(back, "Verse 1\r\nVerse 2\r\nCoda");
    EXPECT_EQ(edit.GetLineCount(), 3);
    edit.SetSel(8, 15);
    EXPECT_EQ(text->textCursor().selectedText(), "Verse 2");
    EXPECT_EQ(parent.Count(WM_COMMAND, EN_CHANGE), 1u);
    edit.SetRedraw(FALSE);
    EXPECT_FALSE(text->updatesEnabled());
    edit.SetRedraw(TRUE);
    EXPECT_TRUE(text->updatesEnabled());
}

}  // namespace
