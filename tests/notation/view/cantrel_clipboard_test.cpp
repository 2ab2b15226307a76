// The notation view's clipboard in score windows: Copy in one document and
// Paste at the pointer in another, where Paste is offered, and Cut.
#include "interface/document/oledata.h"
#include "interface/document/oledatainfo.h"
#include "model/frame.h"
#include "notation/autonote/notekey.h"
#include "notation/tools/musiccursor.h"
#include "notation/view/viewids.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/keys.h"
#include "platform/ui/menu.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/tools/toolview_support.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

#include <algorithm>
#include <map>
#include <memory>

namespace {

constexpr UINT IDR_CLIPBOARD_MAIN = 29971;
constexpr UINT IDR_CLIPBOARD_DOC = 29972;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_CLIPBOARD_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&Edit", {
    {MF_STRING, ID_EDIT_CUT, "Cu&t"},
    {MF_STRING, ID_EDIT_COPY, "&Copy"},
    {MF_STRING, ID_EDIT_PASTE, "&Paste"},
}}}};
MENU_RESOURCE(IDR_CLIPBOARD_DOC, kDocMenu);

constexpr int kQuarter = 256;   // display ticks
constexpr int kC4 = 60;

// One treble staff in 4/4 (two sharps when asked): measure 2 holds C4 on
// beat 1 and E4 on beat 2.
std::vector<uint8_t> TwoNotesFile(int sharps = 0) {
    smf_support::Track conductor;
    conductor.Tempo(0, 500000).TimeSignature(0, 4, 2).End();
    smf_support::Track staff;
    if (sharps != 0)
        staff.Meta(0, 0x59, {static_cast<uint8_t>(sharps), 0});
    const uint32_t bar = 4 * tool_test::kDivision;
    staff.NoteOn(bar, 0, kC4, 90).NoteOff(tool_test::kDivision, 0, kC4);
    staff.NoteOn(0, 0, tool_test::kE4, 90).NoteOff(tool_test::kDivision, 0, tool_test::kE4);
    staff.End(10 * tool_test::kDivision);
    smf_support::File file(1, tool_test::kDivision);
    file.Add(conductor);
    file.Add(staff);
    return file.GetBytes();
}

class ClipboardTest : public tool_test::ToolView {
protected:
    ClipboardTest() : ToolView(IDR_CLIPBOARD_MAIN, IDR_CLIPBOARD_DOC) {}

    void SetUp() override {
        ToolView::SetUp();
        if (QClipboard* clipboard = QGuiApplication::clipboard())
            clipboard->clear();
    }

    void CtrlKey(UINT key) {
        platform_detail::NoteModifiers(false, true, false);
        Key(key);
        platform_detail::NoteModifiers(false, false, false);
        Settle();
    }
    void Select(const std::vector<ECBase*>& elements) {
        MCEventList list;
        for (ECBase* element : elements)
            list.AddTail(element);
        (new SCSelection(STATE_SELECTION_REPLACE, &list))->Apply(performance);
        Settle();
    }
    // Whether each Edit command is enabled, asked as the menu asks when it opens.
    std::map<UINT, bool> Enabled() {
        std::unique_ptr<CMenu> menu = LoadMenu(IDR_CLIPBOARD_DOC);
        CMenu* popup = menu->GetSubMenu(0);
        RunMenuCmdUI(popup, view);
        std::map<UINT, bool> enabled;
        for (UINT id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE})
            enabled[id] = (popup->GetMenuState(id, MF_BYCOMMAND) & MF_GRAYED) == 0;
        return enabled;
    }
    // What the clipboard holds of the program's elements, by type.
    std::vector<int> ClipboardTypes() {
        COleDataIn reader(document);
        MCEventList read;
        std::vector<int> types;
        if (reader.GetOurData(&read, nullptr, OLEDATA_ATTACH_CLIPBOARD | OLEDATA_EVENTS))
            for (POSITION pos = read.GetHeadPosition(); pos;) {
                ECBase* element = read.GetNext(pos);
                types.push_back(element->GetClassType());
                element->RemoveChildren(1);   // children and parents hold each other
            }
        return types;
    }
    // Pixels of the selection's colour around a point, the view drawn afresh.
    int SelectedInkAround(CPoint point, int reach) {
        view->Invalidate(FALSE);
        view->UpdateWindow();
        return ColourIn(CRect(point.x - reach, point.y - reach, point.x + reach, point.y + reach),
                        Rgb(SCSelection::GetColor()));
    }
    ECBase* First(int number, int type) {
        ACFindEvents find;
        find.AddEvtType(type);
        find.Apply(number == 0 ? static_cast<ECBase*>(Conductor()) : Measure(number));
        return find.GetEvents().IsEmpty() ? nullptr : find.GetEvents().GetHead();
    }
};

TEST_F(ClipboardTest, NotesCopiedInOneDocumentArePastedAtThePointerInAnother) {
    ASSERT_TRUE(OpenPiece(STATE_MODE_SELECT, TwoNotesFile()));
    CCantrel* viewA = view;
    MCOpusDoc* documentA = document;
    const std::vector<ECNote*> originals = Notes(2);
    ASSERT_EQ(originals.size(), 2u);
    EXPECT_FALSE(Enabled()[ID_EDIT_COPY]) << "nothing selected";
    Select({originals[0], originals[1]});
    EXPECT_TRUE(Enabled()[ID_EDIT_COPY]);
    EXPECT_TRUE(Enabled()[ID_EDIT_CUT]);
    CtrlKey('C');
    EXPECT_EQ(ClipboardTypes(), (std::vector<int>{ET_NOTE, ET_NOTE}));

    ASSERT_TRUE(OpenPiece());   // the second document: measure 3 empty
    ASSERT_NE(view, viewA);
    ASSERT_TRUE(Notes(3).empty());
    Click(StaffPoint(3, 0));
    EXPECT_TRUE(Enabled()[ID_EDIT_PASTE]);
    CtrlKey('V');

    const std::vector<ECNote*> pasted = Notes(3);
    ASSERT_EQ(pasted.size(), 2u);
    const struct {
        float time;
        int key;
    } expected[] = {{8.0f, kC4}, {9.0f, tool_test::kE4}};
    for (size_t i = 0; i < pasted.size(); ++i) {
        EXPECT_EQ(*pasted[i]->GetTime(), MCTime(expected[i].time)) << i;
        EXPECT_EQ(GetPlayedKey(pasted[i]), expected[i].key) << i;
        EXPECT_GT(SelectedInkAround(HeadPoint(pasted[i]), 3), 0) << "drawn selected " << i;
    }
    const std::vector<ECBase*> selected = Selected();
    EXPECT_EQ(selected, (std::vector<ECBase*>{pasted[0], pasted[1]}));
    EXPECT_TRUE(document->IsModified());

    // The first document kept its notes, unchanged.
    std::vector<ECBase*> left = doc_support::FindEvents(documentA->GetBaseEvent()->GetConductor(), ET_NOTE);
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(*left[0]->GetTime(), MCTime(4.0f));
    EXPECT_EQ(*left[1]->GetTime(), MCTime(5.0f));
    EXPECT_FALSE(documentA->IsModified());
}

TEST_F(ClipboardTest, PasteIsOfferedWhereTheToolHasAPlaceAndAFrameAnywhere) {
    ASSERT_TRUE(OpenPiece(STATE_MODE_SELECT, TwoNotesFile()));
    EXPECT_FALSE(Enabled()[ID_EDIT_PASTE]) << "an empty clipboard";
    Select({Notes(2)[0]});
    CtrlKey('C');
    Click(StaffPoint(3, 0));
    EXPECT_TRUE(Enabled()[ID_EDIT_PASTE]) << "in a measure";
    // Left of the page's first system, below the staff: no measure there.
    const CRect first = FrameOf(Measure(1));
    const CPoint outside = ToDevice(CPoint(first.left - 400, first.bottom - 3 * std::abs(first.Height())));
    Click(outside);
    ASSERT_EQ(view->GetMusicCursor()->GetParent(), nullptr);
    EXPECT_FALSE(Enabled()[ID_EDIT_PASTE]) << "off every measure";
    const size_t before = Notes(2).size() + Notes(3).size();
    CtrlKey('V');
    EXPECT_EQ(Notes(2).size() + Notes(3).size(), before) << "the key pastes nothing either";

    // A copied frame can go anywhere on the page.
    auto* source = new COleDataOut(document);
    COleDataInfo info;
    info.SetEventType(ET_FRAME);
    MCEventList frames;
    frames.AddTail(ECBase::CreateEvent(ET_FRAME));
    ASSERT_TRUE(source->SetInfo(&info));
    ASSERT_TRUE(source->SetEvents(frames));
    ASSERT_TRUE(source->SetClipboard());
    EXPECT_TRUE(Enabled()[ID_EDIT_PASTE]) << "a frame";
}

TEST_F(ClipboardTest, CutCopiesTheOpeningClefKeyAndNotesButRemovesOnlyTheNotes) {
    ASSERT_TRUE(OpenPiece(STATE_MODE_SELECT, TwoNotesFile(2)));
    ECBase* clef = First(1, ET_CLEF);
    ECBase* key = First(1, ET_KEY);
    ASSERT_NE(clef, nullptr);
    ASSERT_NE(key, nullptr);
    const std::vector<ECNote*> notes = Notes(2);
    ASSERT_EQ(notes.size(), 2u);
    Select({clef, key, notes[0], notes[1]});
    CtrlKey('X');

    std::vector<int> copied = ClipboardTypes();
    std::sort(copied.begin(), copied.end());
    std::vector<int> expected = {ET_CLEF, ET_KEY, ET_NOTE, ET_NOTE};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(copied, expected);
    EXPECT_TRUE(Notes(2).empty());
    EXPECT_EQ(First(1, ET_CLEF), clef);
    EXPECT_EQ(First(1, ET_KEY), key);
    EXPECT_TRUE(Selected().empty());
}

}  // namespace
