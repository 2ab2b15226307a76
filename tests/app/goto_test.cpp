// Go To on an active document: the template, the folding and the settings it
// keeps, the list of the piece's texts by the four filters, Beginning, End
// and the list moving the time, the time past the end moved to the end with
// message 1085, and the one 1901 that OK applies.
#include "app/gotodlg.h"

#include "model/findactions.h"
#include "model/eventtypes.h"
#include "model/preferences.h"
#include "model/staff.h"
#include "model/textmarks.h"
#include "platform/core/profile.h"
#include "platform/ui/dialog_script.h"
#include "tests/app/dialogs_support.h"

#include <QTest>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using dialogs_test::DocumentDialogTest;
using dialogs_test::SeenState;
using Script = CDialogScript;

const char kSection[] = "Settings\\Goto";

class GotoTest : public DocumentDialogTest {
protected:
    void SetUp() override {
        DocumentDialogTest::SetUp();
        CProfile::Application().DeleteSection(kSection);
        SetMeasures(8);
    }
    void TearDown() override {
        CProfile::Application().DeleteSection(kSection);
        DocumentDialogTest::TearDown();
    }

    // A text of `kind` at a time in quarter notes: under the conductor
    // staff, or under staff 1 for the kinds that hang there.
    ECText* AddText(int kind, const char* text, float quarters) {
        auto* event = new ECText(static_cast<unsigned char>(kind), text);
        const MCTime time(quarters);
        event->SetTime(&time);
        const bool onStaff = kind == CGotoDlg::TEXT_PLAIN;
        ECTrack* track = conductor->GetTrack(onStaff ? TRACK_STAFF : TRACK_CONDUCTOR, onStaff ? 1 : 0, 1);
        EXPECT_NE(track, nullptr);
        if (track) {
            EXPECT_TRUE(track->AddChild(event, SORTED));
        }
        return event;
    }

    int RunWith(const Script::Action& action, const MCTime& start = MCTime(0.0f)) {
        Script script;
        script.Queue(IDD_GOTO, action);
        CGotoDlg dialog(nullptr, start);
        const int result = dialog.Run(doc.get());
        chosen = dialog.GetTime();
        return result;
    }

    static CGotoDlg& Dialog(CWnd& dlg) { return static_cast<CGotoDlg&>(dlg); }
    static std::vector<std::string> Listed(CWnd& dlg) {
        std::vector<std::string> texts;
        auto* list = DYNAMIC_DOWNCAST(CListBox, dlg.GetDlgItem(IDC_GOTO_EVENTS));
        for (int i = 0; list && i < list->GetCount(); ++i) {
            std::string text;
            list->GetText(i, text);
            texts.push_back(text);
        }
        return texts;
    }
    static MCTimeEdit* TimeField(CWnd& dlg) { return DYNAMIC_DOWNCAST(MCTimeEdit, dlg.GetDlgItem(IDC_GOTO_TIME)); }

    // The 1901s delivered to the performance.
    std::vector<MCTime> Located() {
        messaging_test::PumpPending();
        messaging_test::PumpPending();
        std::vector<MCTime> times;
        for (const SeenState& state : states)
            if (state.code == STATE_TIME_LOCATE)
                times.push_back(state.time);
        return times;
    }

    // Types a bar number into the time field, whose bar is selected at first.
    static void TypeBar(CWnd& dlg, const char* bar) {
        QTest::keyClicks(TimeField(dlg)->GetWidget(), bar);
        EXPECT_EQ(Script::GetText(dlg, IDC_GOTO_TIME).rfind(std::string(bar) + ":", 0), 0u);
    }

    MCTime EndTime() { return conductor->GetMaxMeasureEndTime(); }

    MCTime chosen;
};

TEST_F(GotoTest, TemplateHasItsControlsInTabOrderAndItsFont) {
    const DialogTemplate* found = FindDialogTemplate(IDD_GOTO);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->caption, "Go To");
    EXPECT_EQ(found->font.face, "MS Sans Serif");
    EXPECT_EQ(found->font.pointSize, 8);
    std::vector<int> ids;
    for (const DialogItem& item : found->items)
        if (item.id != -1)
            ids.push_back(item.id);
    EXPECT_EQ(ids, (std::vector<int>{1057, 1058, 1060, 1061, 1065, 1066, 1068, 1067, IDOK, IDCANCEL, 1059}));
}

// "Advanced" 0 (the default) opens folded: the list and the check boxes
// are disabled and out of Tab's way; the button unfolds, and the choice is
// kept for the next time.
TEST_F(GotoTest, OpensFoldedByDefaultAndRemembersTheFolding) {
    int foldedHeight = 0;
    int fullHeight = 0;
    std::vector<int> stops;
    std::vector<std::string> buttonTexts;
    RunWith([&](CWnd& dlg) {
        EXPECT_FALSE(Dialog(dlg).IsAdvanced());
        buttonTexts.push_back(Script::GetText(dlg, IDC_GOTO_ADVANCED));
        EXPECT_EQ(CWnd::GetFocus(), TimeField(dlg));
        stops = dialogs_test::TabStops(Dialog(dlg));
        for (int id : {IDC_GOTO_EVENTS, IDC_GOTO_MARKERS, IDC_GOTO_REHEARSAL, IDC_GOTO_TEXT, IDC_GOTO_CUE})
            EXPECT_FALSE(dlg.GetDlgItem(id)->IsWindowEnabled()) << id;
        CRect rect;
        dlg.GetWindowRect(&rect);
        foldedHeight = rect.Height();
        // Folded, the dialog ends 10 pixels below the Advanced button.
        CRect button;
        dlg.GetDlgItem(IDC_GOTO_ADVANCED)->GetWindowRect(&button);
        POINT buttonBottom{button.left, button.bottom};
        dlg.ScreenToClient(&buttonBottom);
        CRect client;
        dlg.GetClientRect(&client);
        EXPECT_EQ(client.bottom, buttonBottom.y + 10);

        Script::Click(dlg, IDC_GOTO_ADVANCED);
        buttonTexts.push_back(Script::GetText(dlg, IDC_GOTO_ADVANCED));
        dlg.GetWindowRect(&rect);
        fullHeight = rect.Height();
        EXPECT_TRUE(dlg.GetDlgItem(IDC_GOTO_EVENTS)->IsWindowEnabled());
        Script::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(buttonTexts, (std::vector<std::string>{"&Advanced >>", "&Advanced <<"}));
    EXPECT_TRUE(dialogs_test::Reaches(stops, IDC_GOTO_BEGINNING));
    EXPECT_FALSE(dialogs_test::Reaches(stops, IDC_GOTO_EVENTS));
    EXPECT_FALSE(dialogs_test::Reaches(stops, IDC_GOTO_MARKERS));
    EXPECT_GT(fullHeight, foldedHeight);
    EXPECT_EQ(LoadIntPreference(kSection, "Advanced", -1), 1);

    bool advanced = false;
    RunWith([&](CWnd& dlg) { advanced = Dialog(dlg).IsAdvanced(); });
    EXPECT_TRUE(advanced);
}

// Markers on and text off: the marker is listed, the plain text is not, a
// title never; empty texts are left out; texts at one time keep the order of
// the sorted search, and the first entry is selected.
TEST_F(GotoTest, TheListShowsTheTextsOfTheKindsChecked) {
    SaveIntPreference(kSection, "Advanced", 1);
    AddText(CGotoDlg::TEXT_MARKER, "Verse", 4.0f);
    AddText(CGotoDlg::TEXT_PLAIN, "dolce", 2.0f);
    AddText(CGotoDlg::TEXT_TITLE, "Serenade", 0.0f);
    AddText(CGotoDlg::TEXT_MARKER, "", 6.0f);
    AddText(CGotoDlg::TEXT_REHEARSAL_LETTER, "A", 8.0f);
    AddText(CGotoDlg::TEXT_REHEARSAL_NUMBER, "12", 12.0f);
    AddText(CGotoDlg::TEXT_CUE_POINT, "Door", 10.0f);
    AddText(CGotoDlg::TEXT_MARKER, "Chorus", 16.0f);
    AddText(CGotoDlg::TEXT_MARKER, "Bridge", 16.0f);

    // The order the search gives the two markers at quarter 16.
    std::vector<std::string> atSixteen;
    ACFindEvents find(1);
    find.AddEvtType(ET_TEXT);
    find.Apply(Performance());
    find.GetEvents().Sort();
    for (POSITION pos = find.GetEvents().GetHeadPosition(); pos;)
        if (auto* text = dynamic_cast<ECText*>(find.GetEvents().GetNext(pos)); text && text->GetTime()->GetSeconds() == 16.0f)
            atSixteen.push_back(text->GetText());
    ASSERT_EQ(atSixteen.size(), 2u);

    std::vector<std::vector<std::string>> seen;
    int selected = -2;
    RunWith([&](CWnd& dlg) {
        seen.push_back(Listed(dlg));
        selected = DYNAMIC_DOWNCAST(CListBox, dlg.GetDlgItem(IDC_GOTO_EVENTS))->GetCurSel();
        Script::Click(dlg, IDC_GOTO_TEXT);        // text on
        seen.push_back(Listed(dlg));
        Script::Click(dlg, IDC_GOTO_MARKERS);     // markers off
        Script::Click(dlg, IDC_GOTO_REHEARSAL);   // rehearsal marks off
        Script::Click(dlg, IDC_GOTO_CUE);         // cue points off
        seen.push_back(Listed(dlg));
    });
    using Texts = std::vector<std::string>;
    EXPECT_EQ(seen, (std::vector<Texts>{
                        {"Verse", "A", "Door", "12", atSixteen[0], atSixteen[1]},
                        {"dolce", "Verse", "A", "Door", "12", atSixteen[0], atSixteen[1]},
                        {"dolce"},
                    }));
    EXPECT_EQ(selected, 0);
    // The filters are written when the window goes, here after Cancel.
    const struct { const char* key; int value; } written[] = {
        {"ShowMarkers", 0}, {"ShowRehearsal", 0}, {"ShowText", 1}, {"ShowCue", 0}, {"Advanced", 1},
    };
    for (const auto& w : written)
        EXPECT_EQ(LoadIntPreference(kSection, w.key, -1), w.value) << w.key;
    EXPECT_TRUE(Located().empty());
}

TEST_F(GotoTest, BeginningEndAndTheListMoveTheTime) {
    SaveIntPreference(kSection, "Advanced", 1);
    AddText(CGotoDlg::TEXT_MARKER, "Verse", 4.0f);
    AddText(CGotoDlg::TEXT_MARKER, "Chorus", 12.0f);
    std::vector<MCTime> times;
    EXPECT_EQ(RunWith([&](CWnd& dlg) {
        MCTimeEdit* field = TimeField(dlg);
        ASSERT_NE(field, nullptr);
        times.push_back(field->GetTimeValue());
        Script::Click(dlg, IDC_GOTO_END);
        times.push_back(field->GetTimeValue());
        Script::Click(dlg, IDC_GOTO_BEGINNING);
        times.push_back(field->GetTimeValue());
        Script::Choose(dlg, IDC_GOTO_EVENTS, 1);
        times.push_back(field->GetTimeValue());
        Script::Click(dlg, IDOK);
    }, MCTime(2.0f)), IDOK);
    EXPECT_EQ(times, (std::vector<MCTime>{MCTime(2.0f), EndTime(), MCTime(0.0f), MCTime(12.0f)}));
    EXPECT_EQ(Located(), (std::vector<MCTime>{MCTime(12.0f)}));
    EXPECT_FALSE(doc->IsModified());
}

// A bar past the end: message 1085 with the information icon, and the end of
// the last measure is where OK goes; a check box's click checks the time at
// once.
TEST_F(GotoTest, ATimePastTheEndMovesToTheEnd) {
    EXPECT_EQ(RunWith([&](CWnd& dlg) {
        TypeBar(dlg, "20");
        Script::Click(dlg, IDOK);
    }), IDOK);
    ASSERT_EQ(prompts.GetCount(), 1u);
    EXPECT_EQ(prompts.GetLast().text,
              "The location you specified is past the end of this file.  Relocating to the end.");
    EXPECT_EQ(prompts.GetLast().flags & MB_ICONMASK, MB_ICONINFORMATION);
    EXPECT_EQ(chosen, EndTime());
    EXPECT_EQ(Located(), (std::vector<MCTime>{EndTime()}));

    prompts.Clear();
    SaveIntPreference(kSection, "Advanced", 1);
    MCTime shown;
    RunWith([&](CWnd& dlg) {
        TypeBar(dlg, "15");
        Script::Click(dlg, IDC_GOTO_MARKERS);
        EXPECT_EQ(prompts.GetCount(), 1u);
        shown = TimeField(dlg)->GetTimeValue();
    });
    EXPECT_EQ(shown, EndTime());
    EXPECT_EQ(prompts.GetCount(), 1u);   // Cancel checks nothing
    EXPECT_EQ(Located().size(), 1u);     // the first run's only
}

TEST_F(GotoTest, TheFiltersAreReadWhenMade) {
    const struct { const char* key; int value; int id; } stored[] = {
        {"ShowMarkers", 0, IDC_GOTO_MARKERS}, {"ShowRehearsal", 1, IDC_GOTO_REHEARSAL},
        {"ShowText", 1, IDC_GOTO_TEXT}, {"ShowCue", 0, IDC_GOTO_CUE},
    };
    for (const auto& s : stored)
        SaveIntPreference(kSection, s.key, s.value);
    std::vector<int> checks;
    RunWith([&](CWnd& dlg) {
        for (const auto& s : stored)
            checks.push_back(static_cast<int>(Dialog(dlg).IsDlgButtonChecked(s.id)));
    });
    EXPECT_EQ(checks, (std::vector<int>{0, 1, 1, 0}));
}

}  // namespace

namespace {

// The time field as a person sees it: a framed field whose time is drawn
// inside the frame. (A DC made on the field to measure its font once left it
// showing an empty picture instead: no frame, no text.)
TEST_F(GotoTest, TheTimeFieldShowsItsTimeInsideItsBorder) {
    RunWith([&](CWnd& dlg) {
        dlg.ShowWindow(SW_SHOW);
        const QImage image = TimeField(dlg)->GetWidget()->grab().toImage();
        const int width = image.width();
        const int height = image.height();
        auto dark = [&](int x, int y) { return qGray(image.pixel(x, y)) < 100; };
        int border = 0;
        for (int y = 0; y < height; ++y)
            border += (dark(0, y) ? 1 : 0) + (dark(width - 1, y) ? 1 : 0);
        int text = 0;
        for (int y = 3; y < height - 3; ++y)
            for (int x = 3; x < width - 3; ++x)
                text += dark(x, y) ? 1 : 0;
        EXPECT_GE(border, height) << "the field's frame, left and right";
        EXPECT_GE(text, 40) << "the time's digits inside the frame";
        EXPECT_EQ(Script::GetText(dlg, IDC_GOTO_TIME), "001:01:000");
        Dialog(dlg).EndDialog(IDCANCEL);
    });
}

}  // namespace
