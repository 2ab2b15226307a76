// The note commands in a score window: each is one edit state of the
// selection's elements, and the score is drawn as the command says (stems
// up, the note respelled, the note nudged); the context menus offer them as
// the selection asks, a double-click asks for the properties.
#include "model/editstates.h"
#include "model/modifiers.h"
#include "notation/autonote/autonote.h"
#include "notation/autonote/notekey.h"
#include "notation/display/notate.h"
#include "notation/tools/tie.h"
#include "notation/view/viewids.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/dialog_script.h"
#include "platform/ui/keys.h"
#include "platform/ui/menu.h"
#include "platform/ui/uiresources.h"
#include "sequencer/performers.h"
#include "tests/notation/tools/toolview_support.h"
#include "tests/platform/file_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <utility>

namespace {

constexpr UINT IDR_NOTECMDS_MAIN = 29911;
constexpr UINT IDR_NOTECMDS_DOC = 29912;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_NOTECMDS_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_NOTECMDS_DOC, kDocMenu);

constexpr int kFSharp4 = 66;
constexpr int kStemUp = 0, kStemDown = 1;
constexpr int kC5 = 72, kD5 = 74, kE5 = 76, kF5 = 77;

// One treble staff in 4/4: key 66 (F sharp 4 or G flat 4) on beat 1 of
// measure 1; measure 2 starts with four eighths, C5 D5 E5 F5, beamed
// together.
std::vector<uint8_t> SpelledPiece() {
    using tool_test::kDivision;
    smf_support::Track conductor;
    conductor.Tempo(0, 500000).TimeSignature(0, 4, 2).End();
    smf_support::Track staff;
    staff.NoteOn(0, 0, kFSharp4, 90).NoteOff(kDivision, 0, kFSharp4);
    uint32_t wait = 3 * kDivision;
    for (int key : {kC5, kD5, kE5, kF5}) {
        staff.NoteOn(wait, 0, key, 90).NoteOff(kDivision / 2, 0, key);
        wait = 0;
    }
    staff.End(2 * kDivision);
    smf_support::File file(1, kDivision);
    file.Add(conductor);
    file.Add(staff);
    return file.GetBytes();
}

// A main window that counts the Properties commands it receives.
class CPropertiesFrame : public CMDIFrameWnd {
public:
    int properties = 0;
    afx_msg void OnProperties() { ++properties; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPropertiesFrame, CMDIFrameWnd)
    ON_COMMAND(ID_EDIT_PROPERTIES, &CPropertiesFrame::OnProperties)
END_MESSAGE_MAP()

// The items of every edit state (1200), as (element, kind), one list per state.
using EditItems = std::vector<std::pair<ECBase*, int>>;
struct EditLog {
    std::vector<EditItems> edits;
    static int Record(ECBase*, int, void* data, void* user) {
        auto* edit = dynamic_cast<SCEventEdit*>(static_cast<SCBase*>(data));
        if (!edit || edit->GetCode() != STATE_EVENTS_EDITED)
            return 0;
        EditItems items;
        for (POSITION pos = edit->GetEditList().GetHeadPosition(); pos;) {
            auto* item = static_cast<SCEventEditItem*>(edit->GetEditList().GetNext(pos));
            items.emplace_back(item->GetEvent(), item->GetEditCode());
        }
        static_cast<EditLog*>(user)->edits.push_back(items);
        return 0;
    }
};

// Where ink came and went inside a rectangle between two pictures.
struct InkChange {
    int gained = 0, lost = 0;
    double gainedX = 0, gainedY = 0, lostX = 0, lostY = 0;   // centroids
};

bool Dark(QRgb pixel) {
    return qGray(pixel) < 128;
}

InkChange CompareInk(const QImage& before, const QImage& after, const CRect& rect) {
    InkChange change;
    for (int y = std::max(0, int(rect.top)); y <= std::min(after.height() - 1, int(rect.bottom)); ++y)
        for (int x = std::max(0, int(rect.left)); x <= std::min(after.width() - 1, int(rect.right)); ++x) {
            const bool was = Dark(before.pixel(x, y)), is = Dark(after.pixel(x, y));
            if (is && !was) {
                ++change.gained;
                change.gainedX += x;
                change.gainedY += y;
            } else if (was && !is) {
                ++change.lost;
                change.lostX += x;
                change.lostY += y;
            }
        }
    if (change.gained) {
        change.gainedX /= change.gained;
        change.gainedY /= change.gained;
    }
    if (change.lost) {
        change.lostX /= change.lost;
        change.lostY /= change.lost;
    }
    return change;
}

class NoteCommandsTest : public tool_test::ToolView {
protected:
    NoteCommandsTest() : ToolView(IDR_NOTECMDS_MAIN, IDR_NOTECMDS_DOC) {}

    CMDIFrameWnd* MakeMainFrame() override { return mainFrame = new CPropertiesFrame; }
    void TearDown() override {
        if (performance)
            performance->RemoveStateHandler(&EditLog::Record, &edits);
        platform_detail::NoteModifiers(false, false, false);
        ToolView::TearDown();
    }

    bool Open(const std::vector<uint8_t>& bytes = tool_test::PieceFile()) {
        if (!OpenPiece(STATE_MODE_SELECT, bytes))
            return false;
        performance->AddStateHandler(&EditLog::Record, &edits);
        return true;
    }
    void Select(std::initializer_list<ECBase*> elements) {
        auto* selection = new SCSelection(STATE_SELECTION_REPLACE);
        for (ECBase* element : elements)
            selection->AddToSelection(element);
        selection->Apply(performance);
        Settle();
        log.Clear();
        edits.edits.clear();
    }
    void Command(UINT id) {
        view->SendMessage(WM_COMMAND, id);
        Settle();
        Repaint();
    }
    void CtrlKey(UINT key) {
        platform_detail::NoteModifiers(false, true, false);
        Key(key);
        platform_detail::NoteModifiers(false, false, false);
        Settle();
        Repaint();
    }
    void Repaint() {
        view->Invalidate(FALSE);
        view->UpdateWindow();
    }
    // The device rectangle around an element's frame, widened by `margin` pixels.
    CRect DeviceFrame(ECBase* element, int margin) {
        const CRect frame = FrameOf(element);
        CRect device(ToDevice(frame.TopLeft()), ToDevice(frame.BottomRight()));
        device.NormalizeRect();
        device.InflateRect(margin, margin);
        return device;
    }
    // Whether each command of the note menu is enabled now, asked as the
    // main window asks when the menu opens.
    std::map<UINT, bool> Enabled() {
        std::unique_ptr<CMenu> menu = LoadMenu(IDR_NOTES_MENU);
        CMenu* popup = menu->GetSubMenu(0);
        popup->AppendMenu(MF_STRING, ID_BEAM_BREAK_PRIMARY, "Break &Primary Beam");
        RunMenuCmdUI(popup, mainFrame);
        std::map<UINT, bool> enabled;
        for (UINT id : {ID_NOTES_TIE, ID_NOTES_SLUR, ID_STEMS_UP, ID_STEMS_DOWN, ID_ACCIDENTALS_ENHARMONIC,
                        ID_TIES_CONSOLIDATE, ID_BEAM_BREAK_PRIMARY})
            enabled[id] = (popup->GetMenuState(id, MF_BYCOMMAND) & MF_GRAYED) == 0;
        return enabled;
    }
    ECBase* Rest(int number) {
        ACFindEvents find;
        find.AddEvtType(ET_REST);
        find.Apply(Measure(number));
        return find.GetEvents().IsEmpty() ? nullptr : find.GetEvents().GetHead();
    }

    CPropertiesFrame* mainFrame = nullptr;   // deletes itself with its window
    EditLog edits;
};

// ---- the note commands --------------------------------------------------------------------

TEST_F(NoteCommandsTest, StemsDownThenUpTurnEveryNoteAndRestInOneEdit) {
    ASSERT_TRUE(Open());
    const std::vector<ECNote*> notes = Notes(2);
    ECBase* rest = Rest(2);
    ASSERT_NE(rest, nullptr);
    auto* b4 = dynamic_cast<DCctNotate*>(notes[1]->GetData(DK_NOTATION, 0));
    ASSERT_EQ(b4->GetStemDirection(), kStemUp) << "the notes start with their stems up";
    Select({notes[0], notes[1], rest, notes[2]});
    Command(ID_STEMS_DOWN);
    ASSERT_EQ(edits.edits.size(), 1u);
    EXPECT_EQ(b4->GetStemDirection(), kStemDown);
    Select({notes[0], notes[1], rest, notes[2]});
    const QImage before = Surface().copy();
    Command(ID_STEMS_UP);

    ASSERT_EQ(edits.edits.size(), 1u);
    EditItems expected;
    for (ECBase* element : Selected())
        for (int kind : {EDITITEM_NOTATION_DATA, EDITITEM_VOICETRACK})
            expected.emplace_back(element, kind);
    EXPECT_EQ(edits.edits[0], expected);
    EXPECT_EQ(expected.size(), 8u);
    EXPECT_EQ(b4->GetStemDirection(), kStemUp);
    // B4's stem now rises right of its head and no longer falls left of it.
    const CRect column = DeviceFrame(notes[1], 40);
    const InkChange change = CompareInk(before, Surface(), column);
    const CPoint head = HeadPoint(notes[1]);
    ASSERT_GT(change.gained, 5);
    ASSERT_GT(change.lost, 5);
    EXPECT_LT(change.gainedY, head.y) << "ink gained above the head";
    EXPECT_GT(change.lostY, head.y) << "ink lost below it";
    EXPECT_TRUE(document->IsModified());
}

TEST_F(NoteCommandsTest, EnharmonicSpellsTheOtherWayEachTime) {
    ASSERT_TRUE(Open(SpelledPiece()));
    const std::vector<ECNote*> notes = Notes(1);
    ASSERT_EQ(notes.size(), 1u);
    ECBase* accidental = notes[0]->GetDescendant(ET_ACCIDENTAL, 1);
    ASSERT_NE(accidental, nullptr) << "the black key is drawn with its accidental";
    auto* display = dynamic_cast<DCctNotate*>(notes[0]->GetData(DK_NOTATION, 0));
    const int gDegree = display->GetSpelling().GetStaffDegree();
    ASSERT_EQ(display->GetSpelling().GetAccidental(), -1) << "the key of C spells it G flat";
    const struct {
        const char* name;
        int degree, accidental;
        bool higher;   // the head drawn higher than before
    } cases[] = {
        {"G flat to F sharp", gDegree - 1, 1, false},
        {"F sharp to G flat", gDegree, -1, true},
    };
    for (const auto& c : cases) {
        Select({notes[0]});
        const QImage before = Surface().copy();
        Command(ID_ACCIDENTALS_ENHARMONIC);
        ASSERT_EQ(edits.edits.size(), 1u) << c.name;
        EXPECT_EQ(edits.edits[0], (EditItems{{accidental, EDITITEM_ENHARMONIC}})) << c.name;
        EXPECT_EQ(notes[0]->GetDescendant(ET_ACCIDENTAL, 1), accidental) << c.name;
        EXPECT_EQ(display->GetSpelling().GetStaffDegree(), c.degree) << c.name;
        EXPECT_EQ(display->GetSpelling().GetAccidental(), c.accidental) << c.name;
        EXPECT_EQ(GetPlayedKey(notes[0]), kFSharp4) << c.name << ": it sounds as before";
        const InkChange change = CompareInk(before, Surface(), DeviceFrame(notes[0], 20));
        ASSERT_GT(change.gained, 5) << c.name;
        ASSERT_GT(change.lost, 5) << c.name;
        EXPECT_EQ(change.gainedY < change.lostY, c.higher) << c.name;
    }
}

TEST_F(NoteCommandsTest, ConsolidateTiesSelectsTheHeadAndEditsItOnce) {
    ASSERT_TRUE(Open());
    const std::vector<ECNote*> held = Notes(4);
    ASSERT_FALSE(held.empty());
    ECNote* head = held.front();
    CTie ties;
    ECNote* continuation = ties.GetNext(head, TIE_FORWARD);
    ASSERT_NE(continuation, nullptr);
    ASSERT_EQ(*continuation->GetDuration(), MCTime::TimeZero()) << "a continuation has no length of its own";
    Select({head, continuation});
    ASSERT_EQ(Selected().size(), 2u);
    Command(ID_TIES_CONSOLIDATE);

    ASSERT_EQ(log.Count(STATE_SELECTION_REPLACE), 1);
    const auto replaced = std::find(log.codes.begin(), log.codes.end(), STATE_SELECTION_REPLACE);
    const auto edited = std::find(log.codes.begin(), log.codes.end(), STATE_EVENTS_EDITED);
    EXPECT_LT(replaced, edited) << "the selection first";
    EXPECT_EQ(Selected(), std::vector<ECBase*>{head});
    ASSERT_EQ(edits.edits.size(), 1u);
    EXPECT_EQ(edits.edits[0], (EditItems{{head, EDITITEM_CONSOLIDATE_TIES}}));
}

TEST_F(NoteCommandsTest, BreakPrimaryBeamSplitsOnlyBetweenNeighbours) {
    ASSERT_TRUE(Open(SpelledPiece()));
    const std::vector<ECNote*> eighths = Notes(2);
    ASSERT_EQ(eighths.size(), 4u);
    const auto beamOf = [](ECBase* note) { return note->GetAncestor(ET_BEAM, 1); };
    ASSERT_NE(beamOf(eighths[0]), nullptr);
    for (ECNote* note : eighths)
        ASSERT_EQ(beamOf(note), beamOf(eighths[0])) << "one beam over the four";

    Select({eighths[1], eighths[3]});
    EXPECT_FALSE(Enabled()[ID_BEAM_BREAK_PRIMARY]);
    Command(ID_BEAM_BREAK_PRIMARY);
    EXPECT_TRUE(edits.edits.empty()) << "the second and fourth are not neighbours";
    EXPECT_FALSE(document->IsModified());

    Select({eighths[1], eighths[2]});
    EXPECT_TRUE(Enabled()[ID_BEAM_BREAK_PRIMARY]);
    Command(ID_BEAM_BREAK_PRIMARY);
    ASSERT_EQ(edits.edits.size(), 1u);
    EXPECT_EQ(edits.edits[0], (EditItems{{eighths[2], EDITITEM_BREAK_BEAM}}));
    EXPECT_NE(beamOf(eighths[1]), beamOf(eighths[2])) << "the beam is broken between them";
}

TEST_F(NoteCommandsTest, EachCommandIsEnabledWhenItCanAct) {
    ASSERT_TRUE(Open());
    const std::vector<ECNote*> notes = Notes(2);
    const std::vector<ECNote*> held = Notes(4);
    ECBase* clef = Measure(1)->GetDescendant(ET_CLEF, -1);
    ASSERT_NE(clef, nullptr);
    const struct {
        const char* name;
        std::vector<ECBase*> selected;
        bool stems, consolidate;
    } cases[] = {
        {"nothing", {}, false, false},
        {"a clef", {clef}, false, false},
        {"a plain note", {notes[0]}, true, false},
        {"a tied note", {held.front()}, true, true},
    };
    for (const auto& c : cases) {
        auto* selection = new SCSelection(c.selected.empty() ? STATE_SELECTION_CLEAR : STATE_SELECTION_REPLACE);
        for (ECBase* element : c.selected)
            selection->AddToSelection(element);
        selection->Apply(performance);
        Settle();
        std::map<UINT, bool> enabled = Enabled();
        EXPECT_FALSE(enabled[ID_NOTES_TIE]) << c.name << ": a tie joins two notes";
        EXPECT_FALSE(enabled[ID_NOTES_SLUR]) << c.name;
        EXPECT_EQ(enabled[ID_STEMS_UP], c.stems) << c.name;
        EXPECT_EQ(enabled[ID_STEMS_DOWN], c.stems) << c.name;
        EXPECT_FALSE(enabled[ID_ACCIDENTALS_ENHARMONIC]) << c.name << ": no accidental in the piece";
        EXPECT_EQ(enabled[ID_TIES_CONSOLIDATE], c.consolidate) << c.name;
        EXPECT_FALSE(enabled[ID_BEAM_BREAK_PRIMARY]) << c.name;
    }
}

// ---- nudges ------------------------------------------------------------------------------------

TEST_F(NoteCommandsTest, CtrlUpRaisesTheNoteASemitoneForGood) {
    ASSERT_TRUE(Open());
    ECNote* g4 = Notes(2)[0];
    Click(HeadPoint(g4));
    ASSERT_EQ(Selected(), std::vector<ECBase*>{g4});
    edits.edits.clear();
    const QImage before = Surface().copy();
    CtrlKey(VK_UP);

    ASSERT_EQ(edits.edits.size(), 1u);
    EXPECT_EQ(edits.edits[0], (EditItems{{g4, EDITITEM_SEQUENCER_DATA}}));
    EXPECT_EQ(GetPlayedKey(g4), tool_test::kG4 + 1);
    const InkChange change = CompareInk(before, Surface(), DeviceFrame(g4, 30));
    ASSERT_GT(change.gained, 5);
    ASSERT_GT(change.lost, 5);
    EXPECT_LT(change.gainedY, change.lostY) << "drawn a step up";
    EXPECT_TRUE(document->IsModified());

    file_test::TempFolder folder;
    const std::string saved = folder.File("nudged.mmm"), path = folder.File("copy.mmm");
    document->GetHeader()->SetFormat(DF_NATIVE);
    ASSERT_TRUE(document->OnSaveDocument(saved.c_str()));
    // The window keeps its file open: a copy is opened beside it.
    std::filesystem::copy_file(saved, path);
    std::unique_ptr<MCOpusDoc> reopened = doc_support::DocumentParts::MakeDocument();
    ASSERT_TRUE(reopened->OnOpenDocument(path.c_str())) << prompts.GetLast().text;
    ECMeasure* measure = reopened->GetBaseEvent()->GetConductor()->GetMeasure(1, 2);
    ASSERT_NE(measure, nullptr);
    ECBase* first = measure->GetDescendant(ET_NOTE, -1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(*first->GetTime(), *g4->GetTime());
    EXPECT_EQ(GetPlayedKey(first), tool_test::kG4 + 1);
}

TEST_F(NoteCommandsTest, TheHighestKeyStaysAndCtrlLeftMovesTheDrawing) {
    ASSERT_TRUE(Open());
    ECNote* g4 = Notes(2)[0];
    auto* performer = dynamic_cast<DCsqNote*>(g4->GetData(DK_SEQUENCER, 0));
    ASSERT_NE(performer, nullptr);
    performer->ChangeMidiPitch(127);
    Select({g4});
    CtrlKey(VK_UP);
    ASSERT_EQ(edits.edits.size(), 1u);
    EXPECT_EQ(edits.edits[0], (EditItems{{g4, EDITITEM_SEQUENCER_DATA}}));
    EXPECT_EQ(GetPlayedKey(g4), 127);
    CtrlKey(VK_DOWN);
    EXPECT_EQ(GetPlayedKey(g4), 126);
    performer->ChangeMidiPitch(tool_test::kG4);

    ECNote* b4 = Notes(2)[1];
    auto* display = dynamic_cast<DCctBase*>(b4->GetData(DK_NOTATION, 0));
    const CPoint offset = display->GetOffset();
    Select({b4});
    const QImage before = Surface().copy();
    CtrlKey(VK_LEFT);
    ASSERT_EQ(edits.edits.size(), 1u);
    EXPECT_EQ(edits.edits[0], (EditItems{{b4, EDITITEM_NOTATION_DATA}}));
    EXPECT_EQ(display->GetOffset(), offset + CSize(-CCantrel::kNudgeStep, 0));
    EXPECT_EQ(GetPlayedKey(b4), tool_test::kB4) << "a sideways nudge keeps the pitch";
    const InkChange change = CompareInk(before, Surface(), DeviceFrame(b4, 30));
    ASSERT_GT(change.gained, 5);
    ASSERT_GT(change.lost, 5);
    EXPECT_LT(change.gainedX, change.lostX) << "the ink moved left";
}

// ---- the mouse ------------------------------------------------------------------------------------

TEST_F(NoteCommandsTest, TheContextMenuFollowsTheSelection) {
    ASSERT_TRUE(Open());
    const std::vector<ECNote*> notes = Notes(2);
    ECBase* clef = Measure(1)->GetDescendant(ET_CLEF, -1);
    const auto contextMenu = [&](UINT choice) {
        CDialogScript script;
        script.QueueMenuChoice(choice);
        const CPoint point = HeadPoint(notes[1]);
        view->SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(view->GetSafeHwnd()),
                          MAKELPARAM(point.x, point.y));
        const size_t pending = script.GetPendingMenuChoices();
        Settle();
        return pending;
    };

    // Notes: the note commands' menu; its choice reaches the view.
    Select({notes[1]});
    EXPECT_EQ(contextMenu(ID_STEMS_UP), 0u);
    EXPECT_EQ(edits.edits.size(), 1u);
    EXPECT_EQ(contextMenu(ID_NOTES_TIE), 0u);
    EXPECT_EQ(edits.edits.size(), 1u) << "disabled for one note: nothing happens";
    EXPECT_EQ(contextMenu(ID_EDIT_PROPERTIES), 0u);
    EXPECT_EQ(mainFrame->properties, 1);

    // Another kind of element: Properties alone.
    Select({clef});
    EXPECT_EQ(contextMenu(ID_STEMS_UP), 0u);
    EXPECT_TRUE(edits.edits.empty()) << "not in that menu";
    EXPECT_EQ(contextMenu(ID_EDIT_PROPERTIES), 0u);
    EXPECT_EQ(mainFrame->properties, 2);

    // Nothing, or several kinds: no menu of the view's.
    for (const std::vector<ECBase*>& selected : {std::vector<ECBase*>{}, std::vector<ECBase*>{clef, notes[1]}}) {
        auto* selection = new SCSelection(selected.empty() ? STATE_SELECTION_CLEAR : STATE_SELECTION_REPLACE);
        for (ECBase* element : selected)
            selection->AddToSelection(element);
        selection->Apply(performance);
        Settle();
        EXPECT_EQ(contextMenu(ID_EDIT_PROPERTIES), 1u) << selected.size();
        EXPECT_EQ(mainFrame->properties, 2);
    }
}

TEST_F(NoteCommandsTest, ADoubleClickAsksTheMainWindowForProperties) {
    ASSERT_TRUE(Open());
    const CPoint point = HeadPoint(Notes(2)[0]);
    Click(point);
    view->SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    Release(point);
    EXPECT_EQ(mainFrame->properties, 1);
}

}  // namespace
