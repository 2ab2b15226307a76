// The note edit: note texts written and read, the field's notifications for
// keys, arrows and the drum list, the formats and their menu, focus loss,
// and its data exchange.
#include "interface/controls/ddx.h"
#include "interface/controls/noteedit.h"

#include "platform/ui/dialog_script.h"
#include "tests/interface/controls/control_support.h"
#include "tests/platform/messaging_support.h"

#include <QComboBox>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr UINT kId = 1401;

TEST(NoteText, NotesAreWrittenInEachFormat) {
    const struct {
        int note, format;
        const char* text;
    } cases[] = {
        {60, NOTEFMT_SHARPS, "C4"},      {60, NOTEFMT_FLATS, "C4"},       {61, NOTEFMT_SHARPS, "C#4"},
        {61, NOTEFMT_FLATS, "Db4"},      {70, NOTEFMT_FLATS, "Bb4"},      {0, NOTEFMT_SHARPS, "C-1"},
        {127, NOTEFMT_SHARPS, "G9"},     {60, NOTEFMT_NUMBER, "60"},      {26, NOTEFMT_DRUMS, "Drum:  26"},
        {27, NOTEFMT_DRUMS, "High Q"},   {38, NOTEFMT_DRUMS, "Snare Drum 1"}, {87, NOTEFMT_DRUMS, "Open Surdo"},
        {88, NOTEFMT_DRUMS, "Drum:  88"},
    };
    for (const auto& c : cases) {
        std::string text;
        EXPECT_EQ(MCNoteEdit::FormatNoteString(text, c.note, c.format), 1);
        EXPECT_EQ(text, c.text) << c.note << " in format " << c.format;
    }
    std::string untouched = "kept";
    EXPECT_EQ(MCNoteEdit::FormatNoteString(untouched, 60, 4), 0);
    EXPECT_EQ(untouched, "kept");
}

TEST(NoteText, TextsAreReadAsNotes) {
    const struct {
        const char* text;
        int note;
    } cases[] = {
        {"c#4", 61}, {"Bb3", 58},   {"B3", 59},   {"G9", 115}, {"C", 0},  {"200", 127}, {"-5", 0},
        {" C4 ", 60}, {"C-1", 0},   {"C-7", 0},   {"Cb-1", 0}, {"D", 0},  {"", 0},      {"H4", 0},
        {"E", 0},    {"F#", 18},    {"99999999999999", 127},   {"C99999999999", 108},   {"60abc", 60},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MCNoteEdit::GetNoteFromString(c.text), c.note) << '"' << c.text << '"';
}

class NoteEdit : public ::testing::Test {
protected:
    NoteEdit() {
        EXPECT_TRUE(edit.Create(WS_VISIBLE, CRect(10, 10, 110, 34), &parent, kId, MCSpinEdit::SPIN_ALIGN_RIGHT));
        parent.commands.clear();
    }
    std::string Text() const { return control_test::WindowText(edit); }
    void Type(const char* keys) { QTest::keyClicks(edit.GetWidget(), keys); }
    void ClickUp() {
        QWidget* arrows = edit.GetSpin().GetWidget();
        QTest::mouseClick(arrows, Qt::LeftButton, Qt::NoModifier, QPoint(arrows->width() / 2, 2));
    }
    // A drum chosen in the list as the user chooses it.
    void ChooseDrum(int index) {
        auto* box = qobject_cast<QComboBox*>(edit.GetDrumsBox().GetWidget());
        ASSERT_NE(box, nullptr);
        box->setCurrentIndex(index);
        box->activated(index);   // the signal the toolkit gives for a choice
    }
    std::vector<WORD> Changes() const {
        std::vector<WORD> changes;
        for (const auto& command : parent.commands)
            if (command.code == MCNEN_CHANGE && command.id == kId && command.window == reinterpret_cast<LPARAM>(edit.m_hWnd))
                changes.push_back(command.code);
        return changes;
    }

    control_test::CCommandParent parent;
    MCNoteEdit edit;
};

TEST_F(NoteEdit, StartsAtSixtyAndShowsTheValueInItsFormat) {
    EXPECT_EQ(edit.GetValue(), 60);
    EXPECT_EQ(Text(), "60");
    edit.SetNoteFormat(NOTEFMT_SHARPS);
    edit.SetValue(61);
    EXPECT_EQ(Text(), "C#4");
    edit.SetNoteFormat(NOTEFMT_FLATS);
    EXPECT_EQ(Text(), "Db4");
    EXPECT_EQ(edit.GetDrumsBox().GetCurSel(), 61);
    EXPECT_TRUE(Changes().empty());   // set by the program: nothing to tell
}

TEST_F(NoteEdit, LettersAndDigitsNotifyASharpAloneOnlyEdits) {
    edit.SetNoteFormat(NOTEFMT_SHARPS);
    edit.SetWindowText("");
    Type("#");
    EXPECT_EQ(Text(), "#");
    EXPECT_TRUE(Changes().empty());

    edit.SetWindowText("");
    Type("d");
    EXPECT_EQ(Changes().size(), 1u);
    Type("#");
    EXPECT_EQ(Changes().size(), 1u);
    Type("3");
    EXPECT_EQ(Changes().size(), 2u);
    EXPECT_EQ(Text(), "d#3");   // written again only when the focus goes
    EXPECT_EQ(edit.GetValue(), 51);
    EXPECT_EQ(edit.GetSpin().GetPos() & 0xFFFF, 51);
    // The arrows step on from the note typed.
    ClickUp();
    EXPECT_EQ(edit.GetValue(), 52);
    EXPECT_EQ(Text(), "E3");
}

TEST_F(NoteEdit, LosingTheFocusWritesTheNoteInItsFormat) {
    edit.SetNoteFormat(NOTEFMT_FLATS);
    parent.GetWidget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(parent.GetWidget()));
    edit.SetFocus();
    edit.SetWindowText("c#4");
    CEdit other;
    ASSERT_TRUE(other.Create(WS_VISIBLE, CRect(150, 10, 190, 30), &parent, 1402));
    other.SetFocus();
    EXPECT_EQ(Text(), "Db4");
    EXPECT_EQ(edit.GetValue(), 61);
}

TEST_F(NoteEdit, AnArrowStepsTheNoteAndNotifies) {
    edit.SetNoteFormat(NOTEFMT_SHARPS);
    edit.SetValue(60);
    ClickUp();
    EXPECT_EQ(edit.GetValue(), 61);
    EXPECT_EQ(Text(), "C#4");
    EXPECT_EQ(Changes().size(), 1u);
}

TEST_F(NoteEdit, TheDrumListTakesTheFieldsPlaceAndItsChoiceNotifies) {
    edit.SetNoteFormat(NOTEFMT_DRUMS);
    MCDrumsBox& drums = edit.GetDrumsBox();
    EXPECT_TRUE(drums.IsWindowVisible());
    EXPECT_FALSE(edit.IsWindowVisible());
    EXPECT_FALSE(edit.GetSpin().IsWindowEnabled());
    EXPECT_EQ(drums.GetCount(), 128);
    EXPECT_EQ(drums.GetDroppedWidth(), 160);
    EXPECT_EQ(drums.GetBuddy(), &edit);
    EXPECT_EQ(drums.GetDlgCtrlID(), static_cast<int>(kId));
    // Over the field, one arrow's width (less 2) wider.
    CRect field;
    CRect arrows;
    CRect list;
    edit.GetWindowRect(&field);
    edit.GetSpin().GetWindowRect(&arrows);
    drums.GetWindowRect(&list);
    EXPECT_EQ(list.left, field.left);
    EXPECT_EQ(list.top, field.top);
    EXPECT_EQ(list.Width(), field.Width() + arrows.Width() - 2);

    edit.SetValue(27);
    EXPECT_EQ(drums.GetCurSel(), 27);
    std::string text;
    drums.GetLBText(drums.GetCurSel(), text);
    EXPECT_EQ(text, "High Q");

    ChooseDrum(40);
    EXPECT_EQ(edit.GetValue(), 40);
    EXPECT_EQ(edit.GetSpin().GetPos() & 0xFFFF, 40);
    EXPECT_EQ(Changes().size(), 1u);

    edit.SetNoteFormat(NOTEFMT_NUMBER);
    EXPECT_FALSE(drums.IsWindowVisible());
    EXPECT_TRUE(edit.IsWindowVisible());
    EXPECT_EQ(Text(), "40");
}

TEST_F(NoteEdit, AnIndeterminateFieldClearsAndDisablesTheDrumList) {
    edit.SetValue(45);
    edit.SetIndeterminate(1);
    EXPECT_EQ(Text(), "");
    EXPECT_EQ(edit.GetDrumsBox().GetCurSel(), -1);
    EXPECT_FALSE(edit.GetDrumsBox().IsWindowEnabled());
    Type("7");
    EXPECT_EQ(edit.GetIndeterminate(), 0);
    EXPECT_EQ(edit.GetValue(), 7);
    EXPECT_EQ(edit.GetDrumsBox().GetCurSel(), 7);
    EXPECT_TRUE(edit.GetDrumsBox().IsWindowEnabled());
    EXPECT_EQ(Changes().size(), 1u);
}

TEST_F(NoteEdit, TheContextMenuOffersTheFormats) {
    const struct {
        UINT command;
        int format;
        const char* text;
    } cases[] = {
        {MCNoteEdit::ID_NOTE_SHARPS, NOTEFMT_SHARPS, "A#4"},
        {MCNoteEdit::ID_NOTE_FLATS, NOTEFMT_FLATS, "Bb4"},
        {MCNoteEdit::ID_NOTE_DRUMS, NOTEFMT_DRUMS, ""},
        {MCNoteEdit::ID_NOTE_NUMBERS, NOTEFMT_NUMBER, "70"},
    };
    edit.SetValue(70);
    for (const auto& c : cases) {
        CDialogScript script;
        script.QueueMenuChoice(c.command);
        edit.SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(edit.m_hWnd), MAKELPARAM(20, 20));
        messaging_test::PumpPending();
        EXPECT_EQ(edit.GetNoteFormat(), c.format);
        EXPECT_EQ(Text(), c.text);
    }
}

TEST_F(NoteEdit, DataExchangeMovesTheNoteInBothWidths) {
    int note = 72;
    CDataExchange load(&parent, FALSE);
    DDX_NoteEdit(&load, kId, note);
    EXPECT_EQ(edit.GetValue(), 72);
    EXPECT_EQ(Text(), "72");
    edit.SetValue(33);
    BYTE small = 0;
    CDataExchange save(&parent, TRUE);
    DDX_NoteEdit(&save, kId, small);
    EXPECT_EQ(small, 33);
    DDX_NoteEdit(&save, kId, note);
    EXPECT_EQ(note, 33);
}

}  // namespace
