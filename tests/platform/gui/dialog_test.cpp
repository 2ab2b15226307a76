// Dialogs from templates: dialog units from the template's font, controls with
// windows of their own, scripted modal loops, data exchange and its checks,
// the focus rules of Tab, and modeless dialogs.
#include "platform/ui/ddx.h"
#include "platform/ui/dialog.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/msgmap.h"
#include "platform/ui/prompt_script.h"

#include "tests/platform/messaging_support.h"

#include <QApplication>
#include <QFontInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using enum DialogControlKind;

constexpr UINT IDD_NUMBER = 3001;
constexpr UINT IDD_CHOICES = 3002;
constexpr UINT IDD_MODELESS = 3003;
constexpr int IDC_COUNT = 1000;
constexpr int IDC_BUTTON = 1001;
constexpr int IDC_NAME = 1002;
constexpr int IDC_LOOP = 1010;
constexpr int IDC_FIRST_KIND = 1011;   // three radio buttons, one group
constexpr int IDC_OTHER_GROUP = 1014;  // a radio button of a second group
constexpr UINT WM_TESTPOSTED = WM_APP + 5;

const DialogTemplate kNumberTemplate = {"Number", {
    {IDC_COUNT, Edit, "", {60, 8, 40, 12}},
    {IDC_NAME, Edit, "", {60, 24, 80, 12}},
    {IDC_BUTTON, Push, "&Try", {8, 40, 40, 14}},
    {IDOK, Push, "OK", {150, 8, 50, 14}, BS_DEFPUSHBUTTON},
    {IDCANCEL, Push, "Cancel", {150, 26, 50, 14}},
}, {210, 60}, {"MS Sans Serif", 8}};
DIALOG_RESOURCE(IDD_NUMBER, kNumberTemplate);

const DialogTemplate kChoicesTemplate = {"Choices", {
    {IDC_LOOP, Check, "&Loop", {8, 8, 60, 10}},
    {0, Group, "Kind", {4, 20, 100, 52}},
    {IDC_FIRST_KIND, Radio, "&Notes", {8, 30, 60, 10}, WS_GROUP | WS_TABSTOP},
    {IDC_FIRST_KIND + 1, Radio, "&Rests", {8, 42, 60, 10}},
    {IDC_FIRST_KIND + 2, Radio, "&Chords", {8, 54, 60, 10}},
    {IDC_OTHER_GROUP, Radio, "&Other", {8, 66, 60, 10}, WS_GROUP | WS_TABSTOP},
    {IDOK, Push, "OK", {120, 8, 50, 14}, WS_GROUP | BS_DEFPUSHBUTTON},
}, {180, 80}, {"Helv", 8}};
DIALOG_RESOURCE(IDD_CHOICES, kChoicesTemplate);

const DialogTemplate kModelessTemplate = {"Modeless", {
    {IDC_NAME, Edit, "", {8, 8, 80, 12}},
    {IDCANCEL, Push, "Close", {8, 24, 50, 14}},
}, {100, 44}, {"MS Sans Serif", 10}, WS_POPUP | WS_CAPTION | WS_VISIBLE};
DIALOG_RESOURCE(IDD_MODELESS, kModelessTemplate);

// An edit that refuses to have its text selected for it.
class CKeepSelectionEdit : public CWnd {
public:
    int refused = 0;
    afx_msg LRESULT OnSetSel(WPARAM, LPARAM) {
        ++refused;
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CKeepSelectionEdit, CWnd)
    ON_MESSAGE(EM_SETSEL, &CKeepSelectionEdit::OnSetSel)
END_MESSAGE_MAP()

// A field that takes every key and character it is sent for itself.
class CAllKeysEdit : public CWnd {
public:
    std::vector<UINT> keys;
    afx_msg void OnKeyDown(UINT nChar, UINT, UINT) { keys.push_back(nChar); }
    afx_msg void OnChar(UINT nChar, UINT, UINT) { keys.push_back(nChar); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CAllKeysEdit, CWnd)
    ON_WM_KEYDOWN()
    ON_WM_CHAR()
END_MESSAGE_MAP()

// A count between 1 and 1000 and a name: the data a dialog's class exchanges.
class CNumberDialog : public CDialog {
public:
    CNumberDialog() : CDialog(IDD_NUMBER) {}

    int m_nCount = 3;
    std::string m_strName = "Viola";
    bool m_bKeepNameSelection = false;   // the name field refuses EM_SETSEL
    CKeepSelectionEdit m_nameEdit;
    bool m_bCountTakesAllKeys = false;   // the count field swallows every key
    CAllKeysEdit m_countEdit;
    std::vector<std::string> notes;

    afx_msg void OnTry() { notes.push_back("try"); }
    afx_msg LRESULT OnPosted(WPARAM wParam, LPARAM) {
        notes.push_back("posted " + std::to_string(wParam));
        return 0;
    }
    void OnCancel() override {
        notes.push_back("cancel");
        CDialog::OnCancel();
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        if (m_bKeepNameSelection)
            DDX_Control(pDX, IDC_NAME, m_nameEdit);
        if (m_bCountTakesAllKeys)
            DDX_Control(pDX, IDC_COUNT, m_countEdit);
        DDX_Text(pDX, IDC_COUNT, m_nCount);
        DDV_MinMaxInt(pDX, m_nCount, 1, 1000);
        DDX_Text(pDX, IDC_NAME, m_strName);
        DDV_MaxChars(pDX, m_strName, 8);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CNumberDialog, CDialog)
    ON_BN_CLICKED(IDC_BUTTON, &CNumberDialog::OnTry)
    ON_MESSAGE(WM_TESTPOSTED, &CNumberDialog::OnPosted)
END_MESSAGE_MAP()

class CChoicesDialog : public CDialog {
public:
    CChoicesDialog() : CDialog(IDD_CHOICES) {}
    int m_bLoop = 1;
    int m_nKind = 2;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Check(pDX, IDC_LOOP, m_bLoop);
        DDX_Radio(pDX, IDC_FIRST_KIND, m_nKind);
    }
};

QWidget* Control(CWnd& dialog, int nID) {
    return dialog.GetWidget()->findChild<QWidget*>(QString::number(nID));
}

QLineEdit* LineEdit(CWnd& dialog, int nID) {
    return qobject_cast<QLineEdit*>(Control(dialog, nID));
}

// A group box's access key goes to the first control after it that Tab
// reaches, as a label's does: the box's controls are its siblings here.
TEST(Dialog, AGroupBoxsAccessKeyFocusesTheControlAfterIt) {
    const DialogTemplate groups = {"Groups", {
        {0, Group, "&Size", {4, 4, 100, 30}},
        {IDC_COUNT, Edit, "", {10, 14, 40, 12}},
        {0, Group, "&Name", {4, 40, 100, 30}},
        {IDC_LOOP, Check, "Loop", {10, 50, 40, 10}, WS_DISABLED},
        {IDC_NAME, Edit, "", {50, 50, 40, 12}},
    }, {120, 80}, {"MS Sans Serif", 8}, WS_POPUP | WS_CAPTION | WS_VISIBLE};
    CDialog dialog;
    ASSERT_TRUE(dialog.CreateIndirect(groups));
    dialog.GetWidget()->activateWindow();
    QApplication::processEvents();
    QWidget* count = dialog.GetDlgItem(IDC_COUNT)->GetWidget();
    QWidget* name = dialog.GetDlgItem(IDC_NAME)->GetWidget();
    count->setFocus();
    QTest::keyClick(count, Qt::Key_N, Qt::AltModifier);
    QApplication::processEvents();
    EXPECT_TRUE(name->hasFocus()) << "the disabled check box is passed over";
    QTest::keyClick(name, Qt::Key_S, Qt::AltModifier);
    QApplication::processEvents();
    EXPECT_TRUE(count->hasFocus());
    dialog.DestroyWindow();
}

}  // namespace

TEST(DialogUnits, ComeFromTheTemplatesFontAsMapped) {
    // The sans-serif faces of old templates become Liberation Sans, whose
    // metrics give 8 points the classic 6 x 13 units.
    const struct {
        DialogFont font;
        int baseX, baseY;
    } cases[] = {
        {{"MS Sans Serif", 8}, 6, 13},
        {{"Helv", 8}, 6, 13},
        {{"MS Sans Serif", 10}, 8, 15},
    };
    for (const auto& c : cases) {
        const CDialogUnits units(c.font);
        EXPECT_EQ(units.GetBaseX(), c.baseX) << c.font.face << " " << c.font.pointSize;
        EXPECT_EQ(units.GetBaseY(), c.baseY) << c.font.face << " " << c.font.pointSize;
        EXPECT_EQ(QFontInfo(MakeDialogFont(c.font)).family().toStdString(), "Liberation Sans");
    }
    // Each edge on its own: {60, 8, 40, 12} at 6 x 13 is x 90..150, y 13..33.
    EXPECT_EQ(CDialogUnits(6, 13).MapDialogRect(DialogRect{60, 8, 40, 12}), CRect(90, 13, 150, 33));
}

TEST(Dialog, PlacesEachControlAtItsTemplateRectangleInPixels) {
    CDialogScript script;
    script.Queue(IDD_NUMBER, [](CWnd& wnd) {
        auto& dialog = static_cast<CNumberDialog&>(wnd);
        const CDialogUnits units(kNumberTemplate.font);
        for (const DialogItem& item : kNumberTemplate.items) {
            CWnd* control = dialog.GetDlgItem(item.id);
            ASSERT_NE(control, nullptr) << item.id;
            const QRect place = control->GetWidget()->geometry();
            const CRect expected = units.MapDialogRect(item.rect);
            EXPECT_EQ(CRect(place.left(), place.top(), place.left() + place.width(), place.top() + place.height()),
                      expected) << item.id;
        }
        CRect client;
        dialog.GetClientRect(&client);
        EXPECT_EQ(client.Size(), units.MapDialogSize(kNumberTemplate.size));
        EXPECT_EQ(dialog.GetWidget()->windowTitle().toStdString(), "Number");
    });
    CNumberDialog dialog;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(script.GetPending(), 0u);
}

TEST(Dialog, OkChecksTheDataAndKeepsTheDialogOnAFailure) {
    CPromptScript prompts;
    CDialogScript script;
    script.Queue(IDD_NUMBER, [](CWnd& dialog) {
        CDialogScript::SetText(dialog, IDC_COUNT, "0");
        CDialogScript::Click(dialog, IDOK);
    });
    script.Queue(IDD_NUMBER, [&](CWnd& dialog) {
        // Still open, with the refused text selected in its focused edit.
        EXPECT_TRUE(dialog.IsWindowVisible());
        ASSERT_EQ(prompts.GetCount(), 1u);
        EXPECT_EQ(prompts.GetLast().text, "Please enter an integer between 1 and 1000.");
        EXPECT_EQ(QApplication::focusWidget(), Control(dialog, IDC_COUNT));
        EXPECT_EQ(LineEdit(dialog, IDC_COUNT)->selectedText().toStdString(), "0");
        CDialogScript::SetText(dialog, IDC_COUNT, "5");
        CDialogScript::Click(dialog, IDOK);
    });
    CNumberDialog dialog;
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_nCount, 5);
    EXPECT_EQ(prompts.GetCount(), 1u);
    EXPECT_EQ(script.GetPending(), 0u);
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);   // DoModal destroys its window
}

TEST(Dialog, TellsWhatATextFailedAndSavesWhatPassed) {
    const struct {
        const char* count;
        const char* name;
        const char* told;    // null: saved
        int savedCount;
        const char* savedName;
    } cases[] = {
        {"5", "Cello", nullptr, 5, "Cello"},
        {" 12 ", "Cello", nullptr, 12, "Cello"},
        {"+1000", "Cello", nullptr, 1000, "Cello"},
        // A number out of range is saved before its check refuses it.
        {"1001", "Cello", "Please enter an integer between 1 and 1000.", 1001, "Viola"},
        {"-4", "Cello", "Please enter an integer between 1 and 1000.", -4, "Viola"},
        {"abc", "Cello", "Please enter an integer.", 3, "Viola"},
        {"5x", "Cello", "Please enter an integer.", 3, "Viola"},
        {"+-5", "Cello", "Please enter an integer.", 3, "Viola"},
        {"", "Cello", "Please enter an integer.", 3, "Viola"},
        {"99999999999", "Cello", "Please enter an integer.", 3, "Viola"},
        // DDV_MaxChars limits the edit, so a longer text is cut as it is typed.
        {"7", "Violoncello", nullptr, 7, "Violonce"},
    };
    for (const auto& c : cases) {
        CPromptScript prompts;
        CDialogScript script;
        script.Queue(IDD_NUMBER, [&](CWnd& dialog) {
            CDialogScript::SetText(dialog, IDC_COUNT, c.count);
            CDialogScript::SetText(dialog, IDC_NAME, c.name);
            CDialogScript::Click(dialog, IDOK);
        });
        CNumberDialog dialog;
        const INT_PTR result = dialog.DoModal();
        if (c.told) {
            EXPECT_EQ(result, IDCANCEL) << c.count;   // stayed, then the script ended it
            EXPECT_EQ(prompts.GetLast().text, c.told) << c.count;
        } else {
            EXPECT_EQ(result, IDOK) << c.count;
            EXPECT_EQ(prompts.GetCount(), 0u) << c.count;
        }
        EXPECT_EQ(dialog.m_nCount, c.savedCount) << c.count;
        EXPECT_EQ(dialog.m_strName, c.savedName) << c.count;
    }
}

TEST(Dialog, WithoutAnActionEndsAtOnceWithCancel) {
    CDialogScript script;
    CNumberDialog dialog;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.notes, std::vector<std::string>{"cancel"});   // as if Cancel was pressed
    EXPECT_EQ(script.GetShown(), std::vector<UINT>{IDD_NUMBER});
    // A template nobody registered makes no dialog.
    CDialog missing(4999);
    EXPECT_EQ(missing.DoModal(), -1);
}

TEST(Dialog, LoadsItsControlsBeforeTheScriptActs) {
    CDialogScript script;
    script.Queue(IDD_NUMBER, [](CWnd& dialog) {
        EXPECT_EQ(CDialogScript::GetText(dialog, IDC_COUNT), "3");
        EXPECT_EQ(CDialogScript::GetText(dialog, IDC_NAME), "Viola");
        // The first control has the focus, its text selected.
        EXPECT_EQ(QApplication::focusWidget(), Control(dialog, IDC_COUNT));
        EXPECT_EQ(LineEdit(dialog, IDC_COUNT)->selectedText().toStdString(), "3");
        auto& number = static_cast<CNumberDialog&>(dialog);
        BOOL translated = FALSE;
        EXPECT_EQ(number.GetDlgItemInt(IDC_COUNT, &translated), 3u);
        EXPECT_TRUE(translated);
        number.SetDlgItemText(IDC_COUNT, "-2");
        EXPECT_EQ(static_cast<int>(number.GetDlgItemInt(IDC_COUNT, &translated)), -2);
        number.GetDlgItemInt(IDC_COUNT, &translated, FALSE);
        EXPECT_FALSE(translated);
        number.SetDlgItemInt(IDC_COUNT, 42);
        EXPECT_EQ(CDialogScript::GetText(dialog, IDC_COUNT), "42");
    });
    CNumberDialog dialog;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.m_nCount, 3);   // cancelled: nothing saved
}

TEST(Dialog, AClickAndAPostedMessageReachItsMessageMap) {
    CDialogScript script;
    script.Queue(IDD_NUMBER, [](CWnd& dialog) {
        QTest::mouseClick(Control(dialog, IDC_BUTTON), Qt::LeftButton);
        ASSERT_TRUE(::PostMessage(dialog.m_hWnd, WM_TESTPOSTED, 7, 0));
        auto& number = static_cast<CNumberDialog&>(dialog);
        EXPECT_TRUE(messaging_test::PumpUntil([&] { return number.notes.size() == 2; }));
    });
    CNumberDialog dialog;
    dialog.DoModal();
    EXPECT_EQ(dialog.notes, (std::vector<std::string>{"try", "posted 7", "cancel"}));
}

TEST(Dialog, EscapeAndWmCloseAreCancel) {
    enum How { Escape, EscapeInAFieldTakingAllKeys, Close };
    for (const How how : {Escape, EscapeInAFieldTakingAllKeys, Close}) {
        CDialogScript script;
        script.Queue(IDD_NUMBER, [&](CWnd& dialog) {
            if (how == Close)
                dialog.SendMessage(WM_CLOSE);
            else
                QTest::keyClick(Control(dialog, IDC_COUNT), Qt::Key_Escape);
        });
        CNumberDialog dialog;
        dialog.m_bCountTakesAllKeys = how == EscapeInAFieldTakingAllKeys;
        EXPECT_EQ(dialog.DoModal(), IDCANCEL) << how;
        EXPECT_EQ(dialog.notes, std::vector<std::string>{"cancel"}) << how;
        // The dialog took the key before the field.
        EXPECT_TRUE(dialog.m_countEdit.keys.empty()) << how;
    }
}

TEST(Dialog, TabSelectsAnEditsTextThroughItsHandlers) {
    for (const bool keep : {false, true}) {
        CDialogScript script;
        script.Queue(IDD_NUMBER, [&](CWnd& dialog) {
            QLineEdit* name = LineEdit(dialog, IDC_NAME);
            name->setSelection(1, 2);
            QTest::keyClick(Control(dialog, IDC_COUNT), Qt::Key_Tab);
            EXPECT_EQ(QApplication::focusWidget(), name);
            // Refused, the selection stays as it was; else the whole text.
            EXPECT_EQ(name->selectedText().toStdString(), keep ? "io" : "Viola") << keep;
            QTest::keyClick(name, Qt::Key_Tab);
            EXPECT_EQ(QApplication::focusWidget(), Control(dialog, IDC_BUTTON));
            QTest::keyClick(Control(dialog, IDC_BUTTON), Qt::Key_Backtab, Qt::ShiftModifier);
            EXPECT_EQ(QApplication::focusWidget(), name);
            static_cast<CDialog&>(dialog).NextDlgCtrl();
            static_cast<CDialog&>(dialog).NextDlgCtrl();
            static_cast<CDialog&>(dialog).NextDlgCtrl();
            EXPECT_EQ(QApplication::focusWidget(), Control(dialog, IDCANCEL));
            static_cast<CDialog&>(dialog).NextDlgCtrl();   // round to the first
            EXPECT_EQ(QApplication::focusWidget(), Control(dialog, IDC_COUNT));
        });
        CNumberDialog dialog;
        dialog.m_bKeepNameSelection = keep;
        dialog.DoModal();
        EXPECT_EQ(dialog.m_nameEdit.refused, keep ? 2 : 0);
        EXPECT_EQ(dialog.m_nameEdit.GetSafeHwnd(), nullptr);   // its window went with the dialog's
    }
}

TEST(Dialog, ExchangesChecksAndRadioGroups) {
    CDialogScript script;
    script.Queue(IDD_CHOICES, [](CWnd& wnd) {
        auto& dialog = static_cast<CChoicesDialog&>(wnd);
        EXPECT_EQ(dialog.IsDlgButtonChecked(IDC_LOOP), static_cast<UINT>(BST_CHECKED));
        EXPECT_EQ(dialog.IsDlgButtonChecked(IDC_FIRST_KIND + 2), static_cast<UINT>(BST_CHECKED));
        dialog.CheckDlgButton(IDC_OTHER_GROUP, BST_CHECKED);
        // A click checks its button and clears its own group only.
        QTest::mouseClick(Control(dialog, IDC_FIRST_KIND), Qt::LeftButton);
        EXPECT_EQ(dialog.IsDlgButtonChecked(IDC_FIRST_KIND), static_cast<UINT>(BST_CHECKED));
        EXPECT_EQ(dialog.IsDlgButtonChecked(IDC_FIRST_KIND + 2), static_cast<UINT>(BST_UNCHECKED));
        EXPECT_EQ(dialog.IsDlgButtonChecked(IDC_OTHER_GROUP), static_cast<UINT>(BST_CHECKED));
        QTest::mouseClick(Control(dialog, IDC_FIRST_KIND), Qt::LeftButton);   // stays checked
        EXPECT_EQ(dialog.IsDlgButtonChecked(IDC_FIRST_KIND), static_cast<UINT>(BST_CHECKED));
        QTest::mouseClick(Control(dialog, IDC_LOOP), Qt::LeftButton);
        EXPECT_EQ(dialog.GetDlgItem(IDC_FIRST_KIND)->GetParent(), &dialog);
        CDialogScript::Click(dialog, IDOK);
    });
    CChoicesDialog dialog;
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_bLoop, 0);
    EXPECT_EQ(dialog.m_nKind, 0);
}

TEST(Dialog, ModelessShowsFromItsTemplateAndHidesOnCancel) {
    CDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_MODELESS));
    EXPECT_TRUE(dialog.IsWindowVisible());
    EXPECT_EQ(dialog.GetTemplateID(), IDD_MODELESS);
    ASSERT_NE(dialog.GetDlgItem(IDC_NAME), nullptr);
    CRect rect{8, 8, 88, 20};
    dialog.MapDialogRect(&rect);
    EXPECT_EQ(rect, CDialogUnits(kModelessTemplate.font).MapDialogRect(DialogRect{8, 8, 80, 12}));
    CDialogScript::Click(dialog, IDCANCEL);
    EXPECT_FALSE(dialog.IsWindowVisible());
    EXPECT_TRUE(dialog.DestroyWindow());
}
