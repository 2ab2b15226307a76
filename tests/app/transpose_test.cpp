// Transposition: ACTranspose on the performed pitches of notes, poly
// pressures and portamento controls, clamped to 0..127, inside its range;
// and the Transpose Staff page, which takes its range from the measures and
// refuses a start outside the piece.
#include "app/changestaffdlg.h"
#include "app/transposeaction.h"
#include "app/transposepage.h"
#include "model/midievents.h"
#include "model/notes.h"
#include "sequencer/performers.h"
#include "tests/app/staffdialog_support.h"

#include <functional>
#include <string>

namespace {

using namespace staff_test;

constexpr unsigned char kNoteOn = 0x90;
constexpr unsigned char kPolyPressure = 0xA0;
constexpr unsigned char kControlChange = 0xB0;

class Transpose : public StaffPiece {
protected:
    Transpose() {
        MakeStaves(1);
        staff = Staves().front();
    }

    // An event of `type` at `time` under the staff, its performer holding
    // the word (status, data 1, data 2).
    template <class Event>
    DCsqMidi* Add(float time, unsigned char status, unsigned char data1, unsigned char data2) {
        auto* event = new Event;
        const MCTime at(time);
        event->SetTime(&at);
        EXPECT_TRUE(staff->AddChild(event, SORTED));
        auto* performer = dynamic_cast<DCsqMidi*>(DCsqBase::GetPerformer(event, 1));
        EXPECT_NE(performer, nullptr);
        if (!performer)
            return nullptr;
        FCMidi word;
        word.SetStatusByte(status);
        word.SetDataByte1(data1);
        word.SetDataByte2(data2);
        performer->SetMidiData(word);
        if (auto* note = dynamic_cast<DCsqNote*>(performer))
            note->SetNoteOffData(word);
        return performer;
    }
    DCsqMidi* AddNote(float time, unsigned char key) {
        auto* note = new ECNote(MCTime(time), MCTime(1.0f));
        EXPECT_TRUE(staff->AddChild(note, SORTED));
        auto* performer = dynamic_cast<DCsqNote*>(DCsqBase::GetPerformer(note, 1));
        EXPECT_NE(performer, nullptr);
        if (!performer)
            return nullptr;
        FCMidi word;
        word.SetStatusByte(kNoteOn);
        word.SetDataByte1(key);
        word.SetDataByte2(100);
        performer->SetNoteOnData(word);
        performer->SetNoteOffData(word);
        return performer;
    }
    static int Key(DCsqMidi* performer) { return performer->GetMidiData().GetDataByte1(); }
    static int Value(DCsqMidi* performer) { return performer->GetMidiData().GetDataByte2(); }

    // Opens Change Staff on the Transpose page, runs `action` on the page,
    // then clicks `button`.
    int RunTransposePage(const std::function<void(CWnd&, CTransposeStaffPage&)>& action, int button = IDOK) {
        dialogs.Queue(IDD_CHANGESTAFF, [&](CWnd& dialog) {
            CDialogScript::Choose(dialog, IDC_CHANGESTAFF_LIST, CChangeStaffDlg::PAGE_TRANSPOSE);
            auto* page = DYNAMIC_DOWNCAST(
                CTransposeStaffPage, DYNAMIC_DOWNCAST(CChangeStaffDlg, &dialog)->GetPage(CChangeStaffDlg::PAGE_TRANSPOSE));
            ASSERT_NE(page, nullptr);
            action(dialog, *page);
            CDialogScript::Click(dialog, button);
        });
        CChangeStaffDlg dlg;
        const int result = dlg.Run(doc.get());
        Pump();
        return result;
    }

    ECStaff* staff = nullptr;
};

TEST_F(Transpose, TheActionShiftsPerformedPitchesAndClampsThem) {
    const struct {
        int amount;
        int key;
        int expected;
    } cases[] = {
        {-24, 10, 0}, {12, 120, 127}, {5, 60, 65}, {-3, 2, 0}, {0, 64, 64}, {127, 0, 127},
    };
    for (const auto& c : cases) {
        DCsqMidi* note = AddNote(0.0f, static_cast<unsigned char>(c.key));
        ACTranspose transpose(c.amount);
        transpose.Apply(staff);
        EXPECT_EQ(Key(note), c.expected) << c.amount << " from " << c.key;
        auto* sequencerNote = static_cast<DCsqNote*>(note);
        EXPECT_EQ(sequencerNote->GetNoteOffData().GetDataByte1(), c.expected) << "the note-off goes along";
        staff->RemoveChildren(0);
    }
}

TEST_F(Transpose, OnlyNotesPolyPressuresAndPortamentoControlsChange) {
    DCsqMidi* pressure = Add<ECPolyPressure>(0.0f, kPolyPressure, 60, 40);
    DCsqMidi* volume = Add<ECControlChange>(0.0f, kControlChange, 7, 100);
    DCsqMidi* portamento = Add<ECControlChange>(0.0f, kControlChange, 84, 60);
    ACTranspose transpose(7);
    transpose.Apply(staff);
    EXPECT_EQ(Key(pressure), 67);
    EXPECT_EQ(Value(pressure), 40);
    EXPECT_EQ(Key(volume), 7);
    EXPECT_EQ(Value(volume), 100);
    EXPECT_EQ(Key(portamento), 84);
    EXPECT_EQ(Value(portamento), 67);

    // The walk goes into other events and stops at the transposed ones,
    // with or without their performance data.
    auto* bare = new ECNote(MCTime(1.0f), MCTime(1.0f));
    staff->AddChild(bare, SORTED);
    EXPECT_EQ(transpose.DoAction(bare), AC_SKIP);
    EXPECT_EQ(transpose.DoAction(staff), AC_CONTINUE);
}

TEST_F(Transpose, TheRangeTakesItsStartAndLeavesItsEnd) {
    DCsqMidi* before = AddNote(3.0f, 60);
    DCsqMidi* atStart = AddNote(4.0f, 60);
    DCsqMidi* inside = AddNote(7.5f, 60);
    DCsqMidi* atEnd = AddNote(8.0f, 60);
    ACTranspose transpose(1);
    transpose.SetRange(MCTime(4.0f), MCTime(8.0f));
    transpose.Apply(staff);
    EXPECT_EQ(Key(before), 60);
    EXPECT_EQ(Key(atStart), 61);
    EXPECT_EQ(Key(inside), 61);
    EXPECT_EQ(Key(atEnd), 60);

    ACTranspose open(1);   // both ends open
    open.Apply(staff);
    EXPECT_EQ(Key(before), 61);
    EXPECT_EQ(Key(atEnd), 61);
}

TEST_F(Transpose, ThePageTransposesTheStaffToThePiecesEndAndTellsTheNotation) {
    MakeMeasures(4);
    DCsqMidi* first = AddNote(0.0f, 40);
    DCsqMidi* last = AddNote(15.0f, 40);   // in measure 4, the last
    doc->SetModifiedFlag(FALSE);
    EXPECT_EQ(RunTransposePage([](CWnd& dialog, CTransposeStaffPage& page) {
                  EXPECT_EQ(CDialogScript::GetText(page, IDC_TRANSPOSE_START), "1");
                  EXPECT_EQ(CDialogScript::GetText(page, IDC_TRANSPOSE_END), "4");
                  EXPECT_EQ(CDialogScript::GetText(page, IDC_TRANSPOSE_DURATION), "3");
                  CDialogScript::SetText(page, IDC_TRANSPOSE_AMOUNT, "2");
                  CDialogScript::Click(page, IDC_TRANSPOSE_OCTAVES);
                  CDialogScript::Click(page, IDC_TRANSPOSE_DOWN);
                  (void)dialog;
              }),
              IDOK);
    EXPECT_EQ(Key(first), 16);
    EXPECT_EQ(Key(last), 16);
    ASSERT_EQ(edits.edits.size(), 1u);
    ASSERT_EQ(edits.edits[0].size(), 1u);
    EXPECT_EQ(edits.edits[0][0].event, staff);
    EXPECT_EQ(edits.edits[0][0].kind, 108);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(commands.seen.empty());
}

TEST_F(Transpose, APartialRangeEndsAtTheMeasureAfterItsEnd) {
    MakeMeasures(4);
    DCsqMidi* second = AddNote(4.0f, 60);
    DCsqMidi* third = AddNote(8.0f, 60);
    DCsqMidi* fourth = AddNote(12.0f, 60);
    RunTransposePage([](CWnd&, CTransposeStaffPage& page) {
        CDialogScript::SetText(page, IDC_TRANSPOSE_AMOUNT, "3");
        CDialogScript::SetText(page, IDC_TRANSPOSE_START, "2");
        CDialogScript::SetText(page, IDC_TRANSPOSE_END, "3");
    });
    EXPECT_EQ(Key(second), 63);
    EXPECT_EQ(Key(third), 63);
    EXPECT_EQ(Key(fourth), 60);
}

TEST_F(Transpose, AStartOutsideThePieceOrAnAmountOver127IsRefusedAndThePageStays) {
    MakeMeasures(4);
    DCsqMidi* note = AddNote(0.0f, 60);
    const struct {
        const char* field;
        int id;
        const char* text;
        const char* message;
    } cases[] = {
        {"start 0", IDC_TRANSPOSE_START, "0", "Please enter an integer between 1 and 4."},
        {"start 5", IDC_TRANSPOSE_START, "5", "Please enter an integer between 1 and 4."},
        {"amount 128", IDC_TRANSPOSE_AMOUNT, "128", "Please enter an integer between 0 and 127."},
    };
    for (const auto& c : cases) {
        prompts.Clear();
        bool stayed = false;
        dialogs.Queue(IDD_CHANGESTAFF, [&](CWnd& dialog) {
            CDialogScript::Choose(dialog, IDC_CHANGESTAFF_LIST, CChangeStaffDlg::PAGE_TRANSPOSE);
            CWnd* page = DYNAMIC_DOWNCAST(CChangeStaffDlg, &dialog)->GetPage(CChangeStaffDlg::PAGE_TRANSPOSE);
            CDialogScript::SetText(*page, IDC_TRANSPOSE_AMOUNT, "1");
            CDialogScript::SetText(*page, c.id, c.text);
            CDialogScript::Click(dialog, IDOK);
        });
        dialogs.Queue(IDD_CHANGESTAFF, [&](CWnd& dialog) {
            stayed = dialog.IsWindowVisible() != FALSE;
            CDialogScript::Click(dialog, IDCANCEL);
        });
        CChangeStaffDlg dlg;
        EXPECT_EQ(dlg.Run(doc.get()), IDCANCEL) << c.field;
        Pump();
        EXPECT_TRUE(stayed) << c.field;
        ASSERT_EQ(prompts.GetCount(), 1u) << c.field;
        EXPECT_EQ(prompts.GetLast().text, c.message) << c.field;
        EXPECT_EQ(Key(note), 60) << c.field;
        EXPECT_TRUE(edits.edits.empty()) << c.field;
    }
}

TEST_F(Transpose, TheSemitonesOfUnitsAndDirection) {
    CTransposeStaffPage page(doc.get());
    const struct {
        int units, direction, amount, expected;
    } cases[] = {
        {CTransposeStaffPage::UNITS_OCTAVES, CTransposeStaffPage::DIRECTION_DOWN, 2, -24},
        {CTransposeStaffPage::UNITS_HALFSTEPS, CTransposeStaffPage::DIRECTION_UP, 5, 5},
        {CTransposeStaffPage::UNITS_HALFSTEPS, CTransposeStaffPage::DIRECTION_DOWN, 3, -3},
        {CTransposeStaffPage::UNITS_OCTAVES, CTransposeStaffPage::DIRECTION_UP, 1, 12},
    };
    for (const auto& c : cases) {
        page.m_nUnits = c.units;
        page.m_nDirection = c.direction;
        page.m_nAmount = c.amount;
        EXPECT_EQ(page.GetSemitones(), c.expected);
    }
}

}  // namespace
