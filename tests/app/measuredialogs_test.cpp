// Add and Remove Measures on an active document, and the two page dialogs:
// the templates, the insert index of each position, the question when the
// measure lies past the piece, the range check, the linked fields of Remove
// Measures with Start and End, and the run OK removes, which never takes
// every measure.
#include "app/addmeasuresdlg.h"
#include "app/pagedlgs.h"
#include "app/removemeasuresdlg.h"

#include "platform/ui/dialog_script.h"
#include "tests/app/dialogs_support.h"

#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using dialogs_test::DocumentDialogTest;
using dialogs_test::SeenCommand;
using Script = CDialogScript;

// ---- the templates ---------------------------------------------------------------------

std::vector<int> TemplateIds(const DialogTemplate& dialogTemplate) {
    std::vector<int> ids;
    for (const DialogItem& item : dialogTemplate.items)
        if (item.id != -1)
            ids.push_back(item.id);
    return ids;
}

std::string TextOf(const DialogTemplate& dialogTemplate, int id) {
    for (const DialogItem& item : dialogTemplate.items)
        if (item.id == id)
            return item.text;
    return "(none)";
}

TEST(MeasureAndPageDialogs, TemplatesHaveTheirControlsInTabOrderAndTheirFont) {
    const struct { UINT id; const char* caption; std::vector<int> controls; } cases[] = {
        {IDD_ADD_MEASURES, "Add Measures", {1405, 1406, 1407, 1408, 1409, IDOK, IDCANCEL}},
        {IDD_REMOVE_MEASURES, "Remove Measures", {1425, 1426, 1428, IDOK, IDCANCEL, 1427, 1429}},
        {IDD_ADD_PAGE, "Add Page", {1541, 1542, 1543, 1546, 1545, IDOK, IDCANCEL}},
        {IDD_REMOVE_PAGE, "Remove Page", {1541, 1542, 1543, 1546, 1545, IDOK, IDCANCEL}},
    };
    for (const auto& c : cases) {
        const DialogTemplate* found = FindDialogTemplate(c.id);
        ASSERT_NE(found, nullptr) << c.id;
        EXPECT_EQ(found->caption, c.caption);
        EXPECT_EQ(found->font.face, "MS Sans Serif") << c.id;
        EXPECT_EQ(found->font.pointSize, 8) << c.id;
        EXPECT_EQ(TemplateIds(*found), c.controls) << c.id;
    }
    EXPECT_EQ(TextOf(*FindDialogTemplate(IDD_ADD_PAGE), IDC_PAGE_AT_END), "&At &End of Score");
    EXPECT_EQ(TextOf(*FindDialogTemplate(IDD_REMOVE_PAGE), IDC_PAGE_AT_END), "At &End of Score");
    EXPECT_EQ(TextOf(*FindDialogTemplate(IDD_ADD_MEASURES), IDC_ADDMEAS_AT_END), "At &End of Score");
}

// The page dialogs hold nothing and do nothing, whichever button ends them.
TEST(MeasureAndPageDialogs, PageDialogsEndWithTheirButtonAndNothingElse) {
    for (int button : {IDOK, IDCANCEL}) {
        Script script;
        script.Queue(IDD_ADD_PAGE, [&](CWnd& dlg) {
            Script::SetText(dlg, IDC_PAGE_COUNT, "3");
            Script::Click(dlg, button);
        });
        script.Queue(IDD_REMOVE_PAGE, [&](CWnd& dlg) { Script::Click(dlg, button); });
        CAddPageDlg add;
        CRemovePageDlg remove;
        EXPECT_EQ(add.DoModal(), button);
        EXPECT_EQ(remove.DoModal(), button);
        EXPECT_EQ(script.GetShown(), (std::vector<UINT>{IDD_ADD_PAGE, IDD_REMOVE_PAGE}));
    }
}

// ---- Add Measures ----------------------------------------------------------------------

class AddMeasures : public DocumentDialogTest {
protected:
    // Runs the dialog with `action`; answers its result.
    int RunWith(const Script::Action& action) {
        Script script;
        script.Queue(IDD_ADD_MEASURES, action);
        CAddMeasuresDlg dialog;
        return dialog.Run(doc.get());
    }
    static void Fill(CWnd& dlg, const char* count, int position, const char* measure) {
        Script::SetText(dlg, IDC_ADDMEAS_COUNT, count);
        Script::Click(dlg, IDC_ADDMEAS_BEFORE + position);
        Script::SetText(dlg, IDC_ADDMEAS_MEASURE, measure);
    }
};

TEST_F(AddMeasures, EachPositionGivesItsInsertIndex) {
    SetMeasures(12);
    const struct { const char* count; int position; const char* measure; SeenCommand command; } cases[] = {
        {"4", CAddMeasuresDlg::POSITION_BEFORE, "1", {CMD_ADDMEASURE, 4, 0}},
        {"2", CAddMeasuresDlg::POSITION_BEFORE, "5", {CMD_ADDMEASURE, 2, 4}},
        {"1", CAddMeasuresDlg::POSITION_AFTER, "5", {CMD_ADDMEASURE, 1, 5}},
        {"3", CAddMeasuresDlg::POSITION_AT_END, "1", {CMD_ADDMEASURE, 3, -1}},   // -1: the last measure
    };
    for (auto c : cases) {
        SetMeasures(Measures());   // clears the logs
        if (c.command.index < 0)
            c.command.index = Measures();
        EXPECT_EQ(RunWith([&](CWnd& dlg) {
            Fill(dlg, c.count, c.position, c.measure);
            Script::Click(dlg, IDOK);
        }), IDOK);
        EXPECT_EQ(RanCommands(1), (std::vector<SeenCommand>{c.command})) << c.measure;
        EXPECT_TRUE(doc->IsModified());
        EXPECT_EQ(prompts.GetCount(), 0u);
    }
}

// Past the last measure, whatever the position, the user is asked: OK adds
// after the last measure, Cancel keeps the dialog.
TEST_F(AddMeasures, AMeasurePastThePieceAsksWhetherToAddAtTheEnd) {
    SetMeasures(12);
    prompts.Answer({IDCANCEL, IDOK});
    bool stayed = false;
    EXPECT_EQ(RunWith([&](CWnd& dlg) {
        Fill(dlg, "2", CAddMeasuresDlg::POSITION_AFTER, "20");
        Script::Click(dlg, IDOK);
        stayed = dlg.IsWindowVisible() != FALSE;
        Script::Click(dlg, IDOK);
    }), IDOK);
    EXPECT_TRUE(stayed);
    ASSERT_EQ(prompts.GetCount(), 2u);
    EXPECT_EQ(prompts.GetLast().text,
              "There are only 12 measures in this document.  Would you like to add the measures at the end of the "
              "document?");
    EXPECT_EQ(prompts.GetLast().flags & MB_TYPEMASK, MB_OKCANCEL);
    EXPECT_EQ(RanCommands(1), (std::vector<SeenCommand>{{CMD_ADDMEASURE, 2, 12}}));

    // At the end too, though the number plays no part there.
    prompts.Clear();
    SetMeasures(Measures());
    prompts.Answer(IDCANCEL);
    EXPECT_EQ(RunWith([](CWnd& dlg) {
        Fill(dlg, "1", CAddMeasuresDlg::POSITION_AT_END, "99");
        Script::Click(dlg, IDOK);
        Script::Click(dlg, IDCANCEL);
    }), IDCANCEL);
    EXPECT_EQ(prompts.GetCount(), 1u);
    messaging_test::PumpPending();
    EXPECT_TRUE(commands.empty());
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(AddMeasures, ACountOutsideOneToAThousandKeepsTheDialog) {
    SetMeasures(4);
    for (const char* count : {"0", "1001"}) {
        prompts.Clear();
        bool stayed = false;
        EXPECT_EQ(RunWith([&](CWnd& dlg) {
            Fill(dlg, count, CAddMeasuresDlg::POSITION_BEFORE, "1");
            Script::Click(dlg, IDOK);
            stayed = dlg.IsWindowVisible() != FALSE;
        }), IDCANCEL);
        EXPECT_TRUE(stayed) << count;
        EXPECT_EQ(prompts.GetLast().text, "Please enter an integer between 1 and 1000.") << count;
    }
    messaging_test::PumpPending();
    EXPECT_TRUE(commands.empty());
    EXPECT_FALSE(doc->IsModified());
}

// The measure field is open at first, though the position is At End; the
// radio buttons open and close it.
TEST_F(AddMeasures, TheRadioButtonsOpenAndCloseTheMeasureField) {
    SetMeasures(4);
    std::vector<bool> enabled;
    RunWith([&](CWnd& dlg) {
        CWnd* measure = dlg.GetDlgItem(IDC_ADDMEAS_MEASURE);
        ASSERT_NE(measure, nullptr);
        EXPECT_TRUE(static_cast<CDialog&>(dlg).IsDlgButtonChecked(IDC_ADDMEAS_AT_END));
        enabled.push_back(measure->IsWindowEnabled());
        for (int button : {IDC_ADDMEAS_AT_END, IDC_ADDMEAS_BEFORE, IDC_ADDMEAS_AT_END, IDC_ADDMEAS_AFTER}) {
            Script::Click(dlg, button);
            enabled.push_back(measure->IsWindowEnabled());
        }
        Script::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(enabled, (std::vector<bool>{true, false, true, false, true}));
}

// ---- Remove Measures -------------------------------------------------------------------

class RemoveMeasures : public DocumentDialogTest {
protected:
    void SetUp() override {
        DocumentDialogTest::SetUp();
        SetMeasures(8);
    }
    int RunWith(const Script::Action& action) {
        Script script;
        script.Queue(IDD_REMOVE_MEASURES, action);
        CRemoveMeasuresDlg dialog;
        return dialog.Run(doc.get());
    }
    // Types into a field and leaves it, as a user does.
    static void Type(CWnd& dlg, int field, const char* text) {
        dlg.GetDlgItem(field)->SetFocus();
        Script::SetText(dlg, field, text);
        dlg.GetDlgItem(IDCANCEL)->SetFocus();
    }
    // The three fields: count, from, to.
    static std::vector<std::string> Fields(CWnd& dlg) {
        return {Script::GetText(dlg, IDC_REMMEAS_COUNT), Script::GetText(dlg, IDC_REMMEAS_FROM),
                Script::GetText(dlg, IDC_REMMEAS_TO)};
    }
    using Fields3 = std::vector<std::string>;
};

// Each field left derives the one edited longest ago.
TEST_F(RemoveMeasures, LeavingAFieldDerivesTheOneEditedLongestAgo) {
    std::vector<Fields3> seen;
    EXPECT_EQ(RunWith([&](CWnd& dlg) {
        seen.push_back(Fields(dlg));
        Type(dlg, IDC_REMMEAS_FROM, "3");    // "to" is the oldest
        seen.push_back(Fields(dlg));
        Type(dlg, IDC_REMMEAS_TO, "7");      // now the count
        seen.push_back(Fields(dlg));
        Type(dlg, IDC_REMMEAS_COUNT, "2");   // now "from"
        seen.push_back(Fields(dlg));
        Script::Click(dlg, IDOK);
    }), IDOK);
    EXPECT_EQ(seen, (std::vector<Fields3>{{"1", "1", "1"}, {"1", "3", "3"}, {"5", "3", "7"}, {"2", "6", "7"}}));
    EXPECT_EQ(RanCommands(1), (std::vector<SeenCommand>{{CMD_REMOVEMEASURE, 2, 5}}));
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(RemoveMeasures, TheFieldsAreHeldInThePiece) {
    const struct { int field; const char* text; Fields3 fields; } cases[] = {
        {IDC_REMMEAS_FROM, "0", {"1", "1", "1"}},    // from at least 1
        {IDC_REMMEAS_TO, "20", {"1", "8", "8"}},     // to at most the last measure
        {IDC_REMMEAS_FROM, "6", {"1", "6", "6"}},    // to at least from
        {IDC_REMMEAS_TO, "x", {"1", "1", "1"}},      // no number reads as 0
    };
    for (const auto& c : cases) {
        Fields3 fields;
        RunWith([&](CWnd& dlg) {
            Type(dlg, c.field, c.text);
            fields = Fields(dlg);
        });
        EXPECT_EQ(fields, c.fields) << c.field << " " << c.text;
    }
}

TEST_F(RemoveMeasures, StartAndEndSetTheirFieldAndLieOutsideTheTabOrder) {
    std::vector<Fields3> seen;
    std::vector<int> stops;
    int focus = 0;
    RunWith([&](CWnd& dlg) {
        Type(dlg, IDC_REMMEAS_FROM, "3");
        Script::Click(dlg, IDC_REMMEAS_END);     // to 8, the count derived
        seen.push_back(Fields(dlg));
        Type(dlg, IDC_REMMEAS_COUNT, "2");       // from derived: 7
        Script::Click(dlg, IDC_REMMEAS_START);   // from 1, to derived
        seen.push_back(Fields(dlg));
        focus = CWnd::GetFocus() ? CWnd::GetFocus()->GetDlgCtrlID() : 0;
        stops = dialogs_test::TabStops(static_cast<CDialog&>(dlg));
    });
    EXPECT_EQ(seen, (std::vector<Fields3>{{"6", "3", "8"}, {"2", "1", "2"}}));
    EXPECT_EQ(focus, IDC_REMMEAS_FROM);
    EXPECT_TRUE(dialogs_test::Reaches(stops, IDC_REMMEAS_TO));
    EXPECT_FALSE(dialogs_test::Reaches(stops, IDC_REMMEAS_START));
    EXPECT_FALSE(dialogs_test::Reaches(stops, IDC_REMMEAS_END));
}

// A run over every measure keeps the first; a count typed past the piece and
// ended with Enter (the field never left) is held to the piece too.
TEST_F(RemoveMeasures, OkNeverRemovesEveryMeasure) {
    EXPECT_EQ(RunWith([](CWnd& dlg) {
        Type(dlg, IDC_REMMEAS_COUNT, "8");
        Script::Click(dlg, IDOK);
    }), IDOK);
    EXPECT_EQ(RanCommands(1), (std::vector<SeenCommand>{{CMD_REMOVEMEASURE, 7, 1}}));

    SetMeasures(8);
    EXPECT_EQ(RunWith([](CWnd& dlg) {
        CWnd* count = dlg.GetDlgItem(IDC_REMMEAS_COUNT);
        count->SetFocus();
        Script::SetText(dlg, IDC_REMMEAS_COUNT, "20");
        QTest::keyClick(count->GetWidget(), Qt::Key_Return);
    }), IDOK);
    EXPECT_EQ(RanCommands(1), (std::vector<SeenCommand>{{CMD_REMOVEMEASURE, 7, 1}}));
    ASSERT_TRUE(messaging_test::PumpUntil([&] { return Measures() == 1; }));
}

TEST_F(RemoveMeasures, HoldRunKeepsTheRunInThePiece) {
    const struct { int count, from, last, heldCount, heldFrom; } cases[] = {
        {2, 3, 8, 2, 3},     // inside: as it is
        {1, 0, 8, 1, 1},     // from 0 would be "the last measures"
        {5, 6, 8, 3, 6},     // cut to the measures from there
        {20, 1, 8, 7, 2},    // every measure: the first stays
        {8, 1, 8, 7, 2},
        {1, 1, 1, 0, 1},     // the only measure stays
        {3, 12, 8, 1, 8},    // from past the piece: the last measure
        {0, 4, 8, 0, 4},     // nothing to remove
        {2, 1, 0, 0, 1},     // no measures at all
    };
    for (const auto& c : cases) {
        int count = c.count;
        int from = c.from;
        CRemoveMeasuresDlg::HoldRun(count, from, c.last);
        EXPECT_EQ(count, c.heldCount) << c.count << " from " << c.from << " of " << c.last;
        if (count > 0) {
            EXPECT_EQ(from, c.heldFrom) << c.count << " from " << c.from << " of " << c.last;
        }
    }
}

TEST_F(RemoveMeasures, CancelAndACountOfNothingRemoveNothing) {
    EXPECT_EQ(RunWith([](CWnd& dlg) {
        Type(dlg, IDC_REMMEAS_COUNT, "3");
        Script::Click(dlg, IDCANCEL);
    }), IDCANCEL);
    EXPECT_EQ(RunWith([](CWnd& dlg) {
        Script::SetText(dlg, IDC_REMMEAS_COUNT, "0");
        Script::Click(dlg, IDOK);
    }), IDOK);
    messaging_test::PumpPending();
    EXPECT_TRUE(commands.empty());
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(Measures(), 8);
}

}  // namespace
