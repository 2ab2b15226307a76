// The notation view in its score window: a new view's settings, the
// window's first placement, the two view modes, the zoom steps and their
// ends, the margin edge's snapping, the margin strip itself, the track
// layout read again on WM_TRACKLAYOUT, and the score following playback.
#include "notation/view/cantrel.h"

#include "interface/document/midiread.h"
#include "interface/document/opusdoc.h"
#include "interface/document/opustemplate.h"
#include "interface/document/pluginrecords.h"
#include "model/basiccommands.h"
#include "model/appstates.h"
#include "model/commandmgr.h"
#include "model/notes.h"
#include "model/eventtypes.h"
#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/group.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/performance.h"
#include "model/preferences.h"
#include "model/states.h"
#include "notation/autonote/notateinfo.h"
#include "notation/display/brace.h"
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/measure.h"
#include "notation/layout/pagelayout.h"
#include "notation/layout/staffcolor.h"
#include "notation/view/findactions.h"
#include "notation/view/marginview.h"
#include "notation/view/scorewnd.h"
#include "notation/view/viewids.h"
#include "platform/core/archive.h"
#include "platform/core/file.h"
#include "platform/core/profile.h"
#include "platform/core/resources.h"
#include "platform/core/window.h"
#include "platform/ui/app.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/lists.h"
#include "platform/ui/mdi.h"
#include "platform/ui/menu.h"
#include "platform/ui/paint.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/uiresources.h"
#include "sequencer/metronome.h"
#include "sequencer/player.h"
#include "sequencer/sequence.h"
#include "tests/interface/document/doc_support.h"
#include "tests/notation/support/durationgate.h"
#include "tests/notation/support/viewdriver.h"
#include "tests/notation/view/scoreprogram_support.h"
#include "tests/notation/view/songfile_support.h"
#include "tests/platform/messaging_support.h"
#include "tests/support/smf_support.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace {

constexpr UINT IDR_SCORE_MAIN = 29861;
constexpr UINT IDR_SCORE_DOC = 29862;

const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_SCORE_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_SCORE_DOC, kDocMenu);
STRING_TABLE({IDR_SCORE_MAIN, "Score"}, {IDR_SCORE_DOC, "Piece"});

constexpr int kDivision = 480;

// Two staves of quarter notes in 4/4, `bars` bars long; staff 2 rests in
// bars `from` to `to` (none by default).
std::vector<uint8_t> QuartersFile(int bars, int from = 0, int to = -1, int staves = 2) {
    smf_support::Track conductor;
    conductor.Tempo(0, 500000).TimeSignature(0, 4, 2).End();
    smf_support::File file(1, kDivision);
    file.Add(conductor);
    for (int staff = 0; staff < staves; ++staff) {
        smf_support::Track track;
        const int key = 72 - 12 * staff;
        uint32_t pending = 0;
        for (int beat = 0; beat < 4 * bars; ++beat) {
            const int bar = beat / 4 + 1;
            if (staff == 1 && bar >= from && bar <= to) {
                pending += kDivision;
                continue;
            }
            track.NoteOn(pending, staff, key, 90).NoteOff(kDivision, staff, key);
            pending = 0;
        }
        track.End(pending);
        file.Add(track);
    }
    return file.GetBytes();
}

// Runs the bar's update handlers as idle time does, so its buttons are
// enabled or disabled by them.
void IdleUpdate(CScoreBar& bar) {
    for (const UINT id : {ID_VIEW_ZOOMIN, ID_VIEW_ZOOMOUT}) {
        CCmdUI state;
        state.m_nID = id;
        state.m_pOther = bar.GetDlgItem(static_cast<int>(id));
        state.DoUpdate(&bar, FALSE);
    }
}

// An application with its main MDI frame and a template of score windows
// holding notation views; the view records are put back afterwards.
class ScoreWindowTest : public view_test::ScoreProgram {
protected:
    ScoreWindowTest() : ScoreProgram(IDR_SCORE_MAIN, IDR_SCORE_DOC) {}

    // Reads the file into the view's document, notates it as the view does
    // and lays it out on the view's own screen context.
    void LoadAndLayOut(CCantrel* view, notation_test::ViewDriver& driver, const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(Load(view, driver, bytes));
    }
    static DCctConductorMeasure* Column(CCantrel* view, int number) {
        ECMeasure* measure = view->GetBaseEvent()->GetConductor()->GetMeasure(TRACK_CONDUCTOR, number);
        return measure ? dynamic_cast<DCctConductorMeasure*>(measure->GetData(DK_NOTATION, 0)) : nullptr;
    }
    // The combo's change of selection, as the combo tells its bar.
    void ChooseFrom(CComboBox* combo) {
        frame->GetScoreBar().SendMessage(WM_COMMAND, MAKEWPARAM(combo->GetDlgCtrlID(), CBN_SELCHANGE),
                                         reinterpret_cast<LPARAM>(combo->GetSafeHwnd()));
    }
    CComboBox* Combo(UINT id) { return static_cast<CComboBox*>(frame->GetScoreBar().GetDlgItem(static_cast<int>(id))); }
    // The device width of `twips` on the view's own client context.
    static int DeviceWidth(CCantrel* view, int twips) {
        CClientDC dc(view);
        view->OnPrepareDC(&dc);
        CSize size(twips, 0);
        dc.LPtoDP(&size);
        return std::abs(size.cx);
    }

};

TEST_F(ScoreWindowTest, ANewViewShowsPagesAtTheScreensZoomWithEveryVoice) {
    CCantrel* view = OpenScore();
    ASSERT_NE(view, nullptr);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(view->GetWizardBar(), &frame->GetScoreBar());
    EXPECT_EQ(view->GetViewMode(), CCantrel::VIEWMODE_PAGE);
    EXPECT_EQ(view->GetScreenResolution(), 96);
    EXPECT_EQ(view->GetZoom(), 96);
    EXPECT_EQ(view->GetVoice(), CCantrel::VOICE_ALL);
    EXPECT_EQ(view->GetMarginRect().Width(), 50);
    EXPECT_FALSE(view->GetMarginView().IsWindowVisible());
    EXPECT_TRUE(view->GetPageUpButton().IsWindowVisible());
    const CRect& page = MCPageLayout::GetPageLayout().GetPageRect();
    EXPECT_EQ(view->GetViewSize(), CSize(page.Width(), page.Height()));

    // The bar: "100%", "All" voices, and "All Tracks" before the tracks.
    EXPECT_EQ(Combo(IDC_ZOOM)->GetCurSel(), CScoreBar::kDefaultZoomIndex);
    EXPECT_EQ(Combo(IDC_VOICE)->GetCurSel(), 0);
    frame->GetScoreBar().UpdateData(FALSE);
    CComboBox* tracks = Combo(IDC_TRACKS);
    ASSERT_GT(tracks->GetCount(), 0);
    std::string first;
    tracks->GetLBText(0, first);
    EXPECT_EQ(first, "All Tracks");
    EXPECT_EQ(tracks->GetItemData(0), static_cast<DWORD_PTR>(-1));
    EXPECT_EQ(tracks->GetCurSel(), 0);
    EXPECT_EQ(frame->GetScoreBar().GetRulerButton().GetButtonState(), 1);   // the ruler shows
}

// The view's preferences are read when it is made and again on every
// change of preferences.
TEST_F(ScoreWindowTest, APreferenceChangeReadsTheViewsPreferencesAgain) {
    CCantrel* view = OpenScore();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->IsFollowScore(), 1);
    EXPECT_EQ(DCctConductorStaff::s_nMeasureNum, 1);
    const COLORREF blue = RGB(0, 0, 200);
    // As the document routes it: with the state (a null object attaches).
    SCBase changed(STATE_PREFS_CHANGED);
    SaveIntPreference("Settings", "FollowScore", 0);
    SaveIntPreference("Settings\\Notation", "MeasureNumbers", 0);
    SaveIntPreference("Settings\\Notation", "MeasureNumberOptions", 3);
    SaveIntPreference("Views\\Music Score", "StaffColor", static_cast<int>(blue));
    view->GetDocument()->UpdateAllViews(nullptr, STATE_PREFS_CHANGED, &changed);
    EXPECT_EQ(view->IsFollowScore(), 0);
    EXPECT_EQ(DCctConductorStaff::s_nMeasureNum, 0);
    EXPECT_EQ(DCctConductorStaff::s_nMeasureNumOpt, 3);
    EXPECT_EQ(StaffColor().Get(), blue);

    CProfile profile = CProfile::Application();
    profile.DeleteKey("Settings", "FollowScore");
    profile.DeleteKey("Settings\\Notation", "MeasureNumbers");
    profile.DeleteKey("Settings\\Notation", "MeasureNumberOptions");
    profile.DeleteKey("Views\\Music Score", "StaffColor");
    view->GetDocument()->UpdateAllViews(nullptr, STATE_PREFS_CHANGED, &changed);
    EXPECT_EQ(view->IsFollowScore(), 1);
    EXPECT_EQ(DCctConductorStaff::s_nMeasureNumOpt, 1);
}

// ---- attaching, command phases and states --------------------------------------------------------

namespace {

// Counts the states a performance sends: notations of the whole file, and
// progress reports of any kind (begun, a step with or without a text, ended).
struct StateCount {
    int fileNotations = 0;
    int progress = 0;
    static int Record(ECBase*, int, void* data, void* user) {
        auto* self = static_cast<StateCount*>(user);
        auto* state = static_cast<SCBase*>(data);
        const unsigned code = state->GetCode();
        auto* status = dynamic_cast<SCStatus*>(state);
        if (code >= STATE_PROGRESS_BEGIN && code <= STATE_PROGRESS_END)
            ++self->progress;
        if (code == STATE_PROGRESS_BEGIN && status && status->GetMessage() == "Notating file...")
            ++self->fileNotations;
        return 0;
    }
};

// The state the document routes to its views, sent to them directly.
void Route(CCantrel* view, unsigned code) {
    SCBase state(code);
    view->GetDocument()->UpdateAllViews(nullptr, static_cast<long>(code), &state);
}

}  // namespace

class ViewStatesTest : public ScoreWindowTest {
protected:
    // The score window with `bytes` read into its document; the view
    // attaches to it as when a file has been opened (closed, then opened).
    CCantrel* OpenFile(const std::vector<uint8_t>& bytes) {
        CCantrel* view = OpenScore();
        if (!view)
            return nullptr;
        auto* document = static_cast<MCOpusDoc*>(view->GetDocument());
        CMemFile source(bytes);
        CArchive ar(&source, CArchive::load | CArchive::bNoFlushOnDelete);
        MCMidiRead reader;
        if (reader.LoadMidiFile(ar, document) != 1)
            return nullptr;
        messaging_test::PumpPending();
        Route(view, STATE_FILE_CLOSED);
        Route(view, STATE_FILE_OPENED);
        return view;
    }
    static ECPerformance* Performance(CCantrel* view) {
        return static_cast<MCOpusDoc*>(view->GetDocument())->GetBaseEvent();
    }
    static int Handlers(CCantrel* view) { return Performance(view)->GetCommandMgr()->GetHandlerCount(); }
    // A quarter note at `beat` (quarters from the start) on `staff`, added
    // by one command as a tool adds it.
    static ECNote* AddNote(CCantrel* view, float beat, int staff) {
        ECConductor* conductor = Performance(view)->GetConductor();
        const int bar = static_cast<int>(beat) / 4 + 1;
        auto* note = new ECNote(MCTime(beat), MCTime(1.0f));
        note->SetVoiceTrack(0, staff);
        auto* add = new CCAdd(note, conductor->GetMeasure(staff, bar));
        add->SetSynchronous(1);
        add->Apply(Performance(view));
        return note;
    }
    // The frame of measure `number` of `staff`, normalised; empty when
    // it has no display object.
    static CRect MeasureFrame(CCantrel* view, int staff, int number) {
        ECMeasure* measure = Performance(view)->GetConductor()->GetMeasure(staff, number);
        auto* display = measure ? dynamic_cast<DCctBase*>(measure->GetData(DK_NOTATION, 0)) : nullptr;
        CRect frame;
        if (display)
            display->GetFrame(&frame, 0);
        frame.NormalizeRect();
        return frame;
    }
    // The frames of the first staff's measures 1 to `count`.
    static std::vector<CRect> Frames(CCantrel* view, int count) {
        std::vector<CRect> frames;
        for (int n = 1; n <= count; ++n)
            frames.push_back(MeasureFrame(view, 1, n));
        return frames;
    }
    // The client area in view coordinates, normalised.
    static CRect VisibleArea(CCantrel* view) {
        CRect visible;
        view->GetClientRect(&visible);
        CClientDC dc(view);
        view->OnPrepareDC(&dc);
        view->DPtoVP(&dc, &visible);
        visible.NormalizeRect();
        return visible;
    }
};

// Opening the file again notates nothing and leaves one handler; closing
// and opening notates once more; either way the view's handler stands once
// among the performance's.
TEST_F(ViewStatesTest, ASecondOpeningDoesNotNotateAgainAndTheHandlerStandsOnce) {
    CCantrel* view = OpenFile(QuartersFile(4));
    ASSERT_NE(view, nullptr);
    ECPerformance* performance = Performance(view);
    EXPECT_EQ(view->GetCommandTarget(), performance);
    const int handlers = Handlers(view);
    StateCount seen;
    performance->AddStateHandler(&StateCount::Record, &seen);

    Route(view, STATE_FILE_OPENED);
    messaging_test::PumpPending();
    EXPECT_EQ(seen.fileNotations, 0);
    EXPECT_EQ(Handlers(view), handlers);

    Route(view, STATE_FILE_CLOSED);
    EXPECT_EQ(view->GetCommandTarget(), nullptr);
    EXPECT_EQ(Handlers(view), handlers - 1);
    Route(view, STATE_FILE_OPENED);
    messaging_test::PumpPending();
    EXPECT_EQ(seen.fileNotations, 1);
    EXPECT_EQ(Handlers(view), handlers);
    performance->RemoveStateHandler(&StateCount::Record, &seen);
}

// The command handler's phases, and a phase it does not know.
TEST_F(ViewStatesTest, TheCommandHandlerAnswersEachPhase) {
    CCantrel* view = OpenFile(QuartersFile(2));
    ASSERT_NE(view, nullptr);
    MCCommandList empty;
    EXPECT_EQ(CCantrel::_OnCommand(Performance(view), CMD_PHASE_PREPARE, &empty, view), 1);
    EXPECT_EQ(view->IsEditing(), 1) << "the editing window opens";
    EXPECT_EQ(CCantrel::_OnCommand(Performance(view), CMD_PHASE_PROCESS, &empty, view), 1);
    EXPECT_EQ(CCantrel::_OnCommand(Performance(view), CMD_PHASE_FINISH, &empty, view), 1);
    EXPECT_EQ(CCantrel::_OnCommand(Performance(view), 3, &empty, view), -1);
    Route(view, STATE_COMMANDS_DONE);
    EXPECT_EQ(view->IsEditing(), 0) << "the batch's end closes it";
}

// A note added by command in bar 5, silent on staff 2: once the batch is
// done it is laid out in its measure and its place is to be drawn; the
// systems before and after keep their measures where they were.
TEST_F(ViewStatesTest, ANoteAddedByCommandIsLaidOutAndTheOtherSystemsStay) {
    CCantrel* view = OpenFile(QuartersFile(12, 5, 5));
    ASSERT_NE(view, nullptr);
    messaging_test::PumpPending();
    view->ScrollRectToVisible(MeasureFrame(view, 2, 5));
    view->UpdateWindow();   // nothing left to draw
    const std::vector<CRect> before = Frames(view, 12);
    ASSERT_FALSE(before[4].IsRectEmpty());

    // Hidden, so that no paint takes what is invalidated before it is read.
    frame->ShowWindow(SW_HIDE);
    ECNote* note = AddNote(view, 16.0f, 2);
    const std::vector<CRect> after = Frames(view, 12);
    auto* display = dynamic_cast<DCctBase*>(note->GetData(DK_NOTATION, 0));
    ASSERT_NE(display, nullptr);
    CRect frame;
    display->GetVirtualFrame(&frame, 0);
    frame.NormalizeRect();
    ASSERT_FALSE(frame.IsRectEmpty()) << "the note is laid out";
    const CRect bar5 = MeasureFrame(view, 2, 5);
    EXPECT_GE(frame.left, bar5.left);
    EXPECT_LE(frame.right, bar5.right);

    // Its device rectangle lies in what waits to be drawn.
    CRect device = frame;
    {
        CClientDC dc(view);
        view->OnPrepareDC(&dc);
        view->VPtoDP(&dc, &device);
    }
    device.NormalizeRect();
    CRect update;
    ASSERT_TRUE(view->GetUpdateRect(&update));
    CRect both;
    both.UnionRect(update, device);
    EXPECT_EQ(both, update) << "the note's place is invalidated";

    // Which measures share bar 5's system: those with its top.
    for (size_t i = 0; i < before.size(); ++i) {
        if (before[i].top != before[4].top) {
            EXPECT_EQ(after[i], before[i]) << "bar " << i + 1;
        }
    }
}

// Four staves grouped {1,2} and {3,4}, with an inner group on {3,4}: the
// outer brace of {1,2} deleted while the score shows leaves staves 1 and 2
// alone, and the groups of {3,4} keep their staves and are braced there.
TEST_F(ViewStatesTest, AGroupRemovedWhileTheScoreShowsLeavesTheOtherGroupsOnTheirStaves) {
    constexpr int OUTER_GROUP = 0;   // a brace's word for the outer table
    CCantrel* view = OpenFile(QuartersFile(2, 0, -1, 4));
    ASSERT_NE(view, nullptr);
    messaging_test::PumpPending();
    ECConductor* conductor = Performance(view)->GetConductor();
    auto* conductorStaff = dynamic_cast<ECConductorStaff*>(conductor->GetTrack(TRACK_CONDUCTOR, 0, 0));
    ASSERT_NE(conductorStaff, nullptr);
    conductorStaff->GroupStaves(1, 2, 0);
    conductorStaff->GroupStaves(3, 4, 0);
    conductorStaff->GroupStaves(3, 4, 1);
    const MCGroup* group = conductorStaff->GetGroup();
    int index = -1;
    for (size_t at = 0; at < group->GetPrimaryGroup().size(); ++at) {
        const MCGroup::tag_group& entry = group->GetPrimaryGroup()[at];
        if (entry.IsInUse() && entry.GetFirst() == 1 && entry.GetLast() == 2)
            index = static_cast<int>(at);
    }
    ASSERT_GE(index, 0);

    auto* brace = new ECBrac;
    brace->SetGroupID(static_cast<unsigned char>(index), OUTER_GROUP);
    conductor->GetMeasure(TRACK_CONDUCTOR, 1)->AddChild(brace, UNSORTED);
    auto* remove = new CCRemove(brace);
    remove->SetSynchronous(1);
    remove->Apply(Performance(view));
    messaging_test::PumpPending();

    // What the tables hold: every group within the four staves, {3,4} both
    // outer and inner, and staves 1 and 2 alone.
    std::set<std::tuple<int, int, int, int>> groups;   // inner?, first, last, kind
    for (int inner = 0; inner < 2; ++inner)
        for (const MCGroup::tag_group& entry : inner ? group->GetSecondaryGroup() : group->GetPrimaryGroup())
            if (entry.IsInUse()) {
                EXPECT_LE(entry.GetLast(), 4) << "a group beyond the score's staves";
                if (entry.GetKind() != MCGroup::KIND_PLAIN || !inner)
                    groups.emplace(inner, entry.GetFirst(), entry.GetLast(), entry.GetKind());
            }
    const std::set<std::tuple<int, int, int, int>> expected = {
        {0, 1, 1, MCGroup::KIND_PLAIN}, {0, 2, 2, MCGroup::KIND_PLAIN}, {0, 3, 4, 0}, {1, 3, 4, 1}};
    EXPECT_EQ(groups, expected);

    // The score draws those two there, and nothing for staves 1 and 2: each
    // as tall as staves 3 and 4, the outer brace from the top of staff 3.
    auto* column = dynamic_cast<DCctConductorMeasure*>(
        conductor->GetMeasure(TRACK_CONDUCTOR, 1)->GetData(DK_NOTATION, 0));
    ASSERT_NE(column, nullptr);
    std::set<std::tuple<int, int, int>> drawnGroups;   // inner?, first, last
    MCEventList* children = conductor->GetMeasure(TRACK_CONDUCTOR, 1)->GetChildren();
    for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
        ECBase* child = children->GetNext(pos);
        if (child->GetClassType() != ET_BRAC)
            continue;
        auto* drawn = static_cast<ECBrac*>(child);
        const int inner = drawn->GetPrimary() == OUTER_GROUP ? 0 : 1;
        const MCGroup::GroupTable& table = inner ? group->GetSecondaryGroup() : group->GetPrimaryGroup();
        ASSERT_LT(drawn->GetGroupID(), table.size());
        const MCGroup::tag_group& entry = table[drawn->GetGroupID()];
        drawnGroups.emplace(inner, entry.GetFirst(), entry.GetLast());
        auto* display = dynamic_cast<DCctBrac*>(drawn->GetData(DK_NOTATION, 0));
        ASSERT_NE(display, nullptr);
        EXPECT_EQ(display->GetBracHeight(), column->GetHeightOfStaves(3, 4));
        if (!inner)
            EXPECT_EQ(display->GetPosition().y, column->GetYOffsetForMeasure(3));
    }
    EXPECT_EQ(drawnGroups, (std::set<std::tuple<int, int, int>>{{0, 3, 4}, {1, 3, 4}}));
}

// A file read into the document replaces the tree the view showed; the old
// one is taken apart on another thread, so the view lets go of it at the
// first state or paint instead of reading it.
TEST_F(ViewStatesTest, AViewLetsGoOfTheTreeItsDocumentReplaced) {
    CCantrel* view = OpenScore();
    ASSERT_NE(view, nullptr);
    const ECPerformance* replaced = view->GetBaseEvent();
    ASSERT_NE(replaced, nullptr);
    auto* document = static_cast<MCOpusDoc*>(view->GetDocument());
    const std::vector<uint8_t> bytes = QuartersFile(2);
    CMemFile source(bytes);
    CArchive ar(&source, CArchive::load | CArchive::bNoFlushOnDelete);
    MCMidiRead reader;
    ASSERT_EQ(reader.LoadMidiFile(ar, document), 1);
    messaging_test::PumpPending();
    view->UpdateWindow();
    EXPECT_NE(view->GetBaseEvent(), replaced);
    Route(view, STATE_FILE_OPENED);
    EXPECT_EQ(view->GetBaseEvent(), document->GetBaseEvent());
}

// A view deleted while attached takes its handler off the performance: no
// batch calls it back.
TEST_F(ViewStatesTest, ADeletedViewLeavesNoHandlerBehind) {
    CCantrel* shown = OpenFile(QuartersFile(2));
    ASSERT_NE(shown, nullptr);
    ECPerformance* performance = Performance(shown);
    const int handlers = Handlers(shown);
    {
        CCantrel other;
        other.SetBaseEvent(performance);
        other.SetBaseEvent(performance);
        EXPECT_EQ(performance->GetCommandMgr()->GetHandlerCount(), handlers + 1);
    }
    EXPECT_EQ(performance->GetCommandMgr()->GetHandlerCount(), handlers);
}

// The elements in sight follow the scroll: a measure far down is among
// them only once scrolled into view, and the first measure then is not.
TEST_F(ViewStatesTest, TheVisibleElementsAreThoseScrolledIntoView) {
    CCantrel* view = OpenFile(QuartersFile(40));
    ASSERT_NE(view, nullptr);
    ECConductor* conductor = Performance(view)->GetConductor();
    ECBase* first = conductor->GetMeasure(1, 1);
    ECBase* late = conductor->GetMeasure(1, 35);
    ASSERT_TRUE(first && late);
    MCEventList visible;
    ASSERT_GT(view->GetVisibleEvents(visible, nullptr), 0);
    EXPECT_NE(visible.Find(first), nullptr);
    EXPECT_EQ(visible.Find(late), nullptr);

    view->MakeEventVisible(late);
    const int count = view->GetVisibleEvents(visible, nullptr);
    EXPECT_EQ(count, static_cast<int>(visible.GetCount()));
    EXPECT_NE(visible.Find(late), nullptr);
    EXPECT_EQ(visible.Find(first), nullptr);
}

// Notes recorded in real time into a silent stretch are laid out once the
// transport stops; while recording nothing reports progress.
TEST_F(ViewStatesTest, RecordedNotesShowWhenRecordingStopsWithNoProgressMeanwhile) {
    CCantrel* view = OpenFile(QuartersFile(6, 3, 4));
    ASSERT_NE(view, nullptr);
    messaging_test::PumpPending();
    StateCount seen;
    Performance(view)->AddStateHandler(&StateCount::Record, &seen);
    Route(view, STATE_PERFORM_RECORD);
    std::vector<ECNote*> recorded;
    for (const float beat : {8.0f, 9.0f, 10.0f, 11.0f})
        recorded.push_back(AddNote(view, beat, 2));
    messaging_test::PumpPending();
    EXPECT_EQ(seen.progress, 0);
    Performance(view)->RemoveStateHandler(&StateCount::Record, &seen);

    Route(view, STATE_PERFORM_STOP);
    EXPECT_EQ(view->GetAutoNote().GetNotateInfo().IsRecording(), 0);
    const CRect bar3 = MeasureFrame(view, 2, 3);
    for (ECNote* note : recorded) {
        auto* display = dynamic_cast<DCctBase*>(note->GetData(DK_NOTATION, 0));
        ASSERT_NE(display, nullptr);
        CRect frame;
        display->GetVirtualFrame(&frame, 0);
        frame.NormalizeRect();
        EXPECT_FALSE(frame.IsRectEmpty());
        EXPECT_GE(frame.left, bar3.left);
        EXPECT_LE(frame.right, bar3.right);
    }
}

// A selection replaced: the note that leaves it is drawn deselected, the
// one that enters selected.
TEST_F(ViewStatesTest, AChangedSelectionHighlightsWhatEntersAndClearsWhatLeaves) {
    CCantrel* view = OpenFile(QuartersFile(2));
    ASSERT_NE(view, nullptr);
    ECConductor* conductor = Performance(view)->GetConductor();
    ECBase* first = conductor->GetMeasure(1, 1)->GetDescendant(ET_NOTE, 1);
    ECBase* second = conductor->GetMeasure(2, 1)->GetDescendant(ET_NOTE, 1);
    ASSERT_TRUE(first && second);
    auto selected = [](ECBase* note) {
        return dynamic_cast<DCctBase*>(note->GetData(DK_NOTATION, 0))->IsSelected();
    };
    for (ECBase* note : {first, second}) {
        auto* state = new SCSelection(STATE_SELECTION_REPLACE, note);
        state->SetAsynchronous(0);
        state->Apply(Performance(view));
        messaging_test::PumpPending();
    }
    EXPECT_EQ(selected(first), 0);
    EXPECT_EQ(selected(second), 1);
}

// The duration gate is read when a view is first shown; without a stored
// one it keeps its value.
TEST_F(ScoreWindowTest, AViewFirstShownReadsTheDurationGate) {
    const int loaded = CCantrel::s_nDurFuncGate;
    ASSERT_NE(OpenScore(), nullptr);
    EXPECT_EQ(CCantrel::s_nDurFuncGate, loaded);
    SaveIntPreference("Settings\\Notation", "Duration", 50);
    ASSERT_NE(OpenScore(), nullptr);
    EXPECT_EQ(CCantrel::s_nDurFuncGate, 50);
    CProfile::Application().DeleteKey("Settings\\Notation", "Duration");
    CCantrel::s_nDurFuncGate = loaded;
}

TEST_F(ScoreWindowTest, WithNoStoredPlacementTheWindowsStackFullWidthAndKeepTheirPlace) {
    CCantrel* view = OpenScore();
    ASSERT_NE(view, nullptr);
    CScoreWnd* first = frame;
    CRect client;
    CWnd::FromHandle(main->m_hWndMDIClient)->GetClientRect(&client);
    WINDOWPLACEMENT placement;
    ASSERT_TRUE(first->GetWindowPlacement(&placement));
    EXPECT_EQ(placement.rcNormalPosition.left, client.left);
    EXPECT_EQ(placement.rcNormalPosition.Width(), client.Width());

    // A second window stacks under the first: both full width, one above the other.
    ASSERT_NE(OpenScore(), nullptr);
    WINDOWPLACEMENT second;
    ASSERT_TRUE(frame->GetWindowPlacement(&second));
    ASSERT_TRUE(first->GetWindowPlacement(&placement));
    EXPECT_EQ(second.rcNormalPosition.Width(), client.Width());
    EXPECT_EQ(placement.rcNormalPosition.Width(), client.Width());
    EXPECT_EQ(placement.rcNormalPosition.top, client.top);
    EXPECT_EQ(second.rcNormalPosition.top, placement.rcNormalPosition.bottom);

    // Closing keeps the place under "Views\Music Score".
    frame->DestroyWindow();
    WINDOWPLACEMENT stored;
    int show = 0;
    EXPECT_EQ(LoadWindowPrefs(CScoreWnd::GetSettingsSection(), stored, show), 1);
    EXPECT_EQ(stored.rcNormalPosition.Width(), client.Width());
}

TEST_F(ScoreWindowTest, TrackViewShowsTheMarginAndHidesThePageButtons) {
    CCantrel* view = OpenScore();
    ASSERT_NE(view, nullptr);
    frame->SendMessage(WM_COMMAND, ID_VIEW_TRACK, 0);
    EXPECT_EQ(view->GetViewMode(), CCantrel::VIEWMODE_TRACK);
    EXPECT_EQ(frame->GetScoreBar().m_nViewMode, CCantrel::VIEWMODE_TRACK);
    EXPECT_TRUE(view->GetMarginView().IsWindowVisible());
    EXPECT_TRUE(view->GetMarginView().IsWindowEnabled());
    EXPECT_FALSE(view->GetPageUpButton().IsWindowVisible());
    EXPECT_FALSE(view->GetPageDownButton().IsWindowVisible());
    EXPECT_EQ(view->GetViewSize().cx, CCantrel::kTrackViewWidth);
    // The strip stands at the left, the music beside it.
    CRect margin;
    view->GetMarginView().GetWindowRect(&margin);
    CPoint topLeft = margin.TopLeft();
    view->ScreenToClient(&topLeft);
    EXPECT_EQ(topLeft.x, 0);
    EXPECT_EQ(margin.Width(), 50);
    EXPECT_EQ(view->GetViewArea().left, 50);

    frame->SendMessage(WM_COMMAND, ID_VIEW_PAGE, 0);
    EXPECT_FALSE(view->GetMarginView().IsWindowVisible());
    EXPECT_TRUE(view->GetPageUpButton().IsWindowVisible());
    EXPECT_TRUE(view->GetPageUpButton().IsWindowEnabled());   // disabled in track view, back now
    EXPECT_TRUE(view->GetPageDownButton().IsWindowEnabled());
    EXPECT_EQ(view->GetViewArea().left, 0);
    // The page buttons: two squares at the bottom of the vertical bar, page down lowest.
    CRect up, down;
    view->GetPageUpButton().GetWindowRect(&up);
    view->GetPageDownButton().GetWindowRect(&down);
    EXPECT_EQ(up.Width(), up.Height());
    EXPECT_EQ(up.bottom, down.top);
    EXPECT_EQ(up.left, down.left);

    // They scroll by a page: page down towards the later pages, lower in
    // the view (y up).
    const CPoint top = view->GetScrollPosition();
    view->SendMessage(WM_COMMAND, ID_PAGE_DOWN, 0);
    EXPECT_LT(view->GetScrollPosition().y, top.y);
    view->SendMessage(WM_COMMAND, ID_PAGE_UP, 0);
    EXPECT_EQ(view->GetScrollPosition(), top);
}

TEST_F(ScoreWindowTest, EachZoomStepScalesTheMusicAndTheButtonsStopAtTheEnds) {
    CCantrel* view = OpenScore();
    ASSERT_NE(view, nullptr);
    CScoreBar& bar = frame->GetScoreBar();
    const int measure = 2400;   // twips: a measure of an inch and two thirds
    const int atStart = DeviceWidth(view, measure);
    EXPECT_NEAR(atStart, measure * 96 / 1440, 1);

    // Down to 50 %: the zoom-out button is then disabled, and a further
    // step changes nothing.
    for (int step = 0; step < 3; ++step)
        frame->SendMessage(WM_COMMAND, ID_VIEW_ZOOMOUT, 0);
    EXPECT_EQ(Combo(IDC_ZOOM)->GetCurSel(), 0);
    EXPECT_EQ(view->GetZoom(), 48);
    IdleUpdate(bar);
    EXPECT_FALSE(bar.GetZoomOutButton().IsWindowEnabled());
    EXPECT_TRUE(bar.GetZoomInButton().IsWindowEnabled());

    // Up through every step to 300 %.
    for (size_t index = 0; index < CCantrel::kZoomSteps.size(); ++index) {
        EXPECT_EQ(view->GetZoom(), CCantrel::kZoomSteps[index]);
        EXPECT_NEAR(DeviceWidth(view, measure), measure * CCantrel::kZoomSteps[index] / 1440, 1) << index;
        frame->SendMessage(WM_COMMAND, ID_VIEW_ZOOMIN, 0);
    }
    EXPECT_EQ(Combo(IDC_ZOOM)->GetCurSel(), 4);
    EXPECT_EQ(view->GetZoom(), 288);
    IdleUpdate(bar);
    EXPECT_FALSE(bar.GetZoomInButton().IsWindowEnabled());
    EXPECT_TRUE(bar.GetZoomOutButton().IsWindowEnabled());
}

// A laid-out piece: each zoom re-measures the score, and a measure keeps its
// width in twips, so on screen it scales with the zoom.
TEST_F(ScoreWindowTest, ALaidOutMeasureScalesWithEveryZoomStep) {
    CCantrel* view = OpenScore();
    ASSERT_NE(view, nullptr);
    notation_test::ViewDriver driver(*view);
    LoadAndLayOut(view, driver, QuartersFile(6));
    DCctConductorMeasure* second = Column(view, 2);
    ASSERT_NE(second, nullptr);
    const int twips = second->GetWidth();
    ASSERT_GT(twips, 0);

    CComboBox* zoom = Combo(IDC_ZOOM);
    for (size_t index = 0; index < CCantrel::kZoomSteps.size(); ++index) {
        zoom->SetCurSel(static_cast<int>(index));
        view->OnZoomSet();
        EXPECT_EQ(second->GetWidth(), twips) << index;
        EXPECT_FALSE(second->FrameDirty()) << "measured again at step " << index;
        EXPECT_NEAR(DeviceWidth(view, second->GetWidth()), twips * CCantrel::kZoomSteps[index] / 1440, 1) << index;
    }
}

// The ruler button shows and hides the conductor staff's ruler.
TEST_F(ScoreWindowTest, TheRulerButtonHidesAndShowsTheRuler) {
    CCantrel* view = OpenScore();
    ASSERT_NE(view, nullptr);
    notation_test::ViewDriver driver(*view);
    LoadAndLayOut(view, driver, QuartersFile(2));
    auto* staff = dynamic_cast<DCctConductorStaff*>(
        view->GetBaseEvent()->GetConductor()->GetTrack(TRACK_CONDUCTOR, 0, 0)->GetData(DK_NOTATION, 0));
    ASSERT_NE(staff, nullptr);
    MCButton& ruler = frame->GetScoreBar().GetRulerButton();
    ruler.SetButtonState(0);
    frame->SendMessage(WM_COMMAND, ID_VIEW_RULER, 0);
    EXPECT_TRUE(staff->IsRulerHidden());
    ruler.SetButtonState(1);
    frame->SendMessage(WM_COMMAND, ID_VIEW_RULER, 0);
    EXPECT_FALSE(staff->IsRulerHidden());
}

// The tracks combo, refilled when the track layouts change, lays the score
// out again for the track chosen: staff 2 alone, silent for eight bars,
// shows one rest of eight bars.
TEST_F(ScoreWindowTest, ChoosingATrackShowsItAloneWithItsMultiMeasureRest) {
    CCantrel* view = OpenScore();
    ASSERT_NE(view, nullptr);
    notation_test::ViewDriver driver(*view);
    LoadAndLayOut(view, driver, QuartersFile(20, 9, 16));
    auto staffMeasure = [view](int staff, int number) {
        ECMeasure* measure = view->GetBaseEvent()->GetConductor()->GetMeasure(staff, number);
        return measure ? dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0)) : nullptr;
    };
    ASSERT_NE(staffMeasure(2, 9), nullptr);
    EXPECT_EQ(staffMeasure(2, 9)->GetCollapsedMeasure(), 0);

    frame->SendMessage(WM_TRACKLAYOUT, 0, 0);
    CComboBox* tracks = Combo(IDC_TRACKS);
    ASSERT_EQ(tracks->GetCount(), 3);   // "All Tracks" and the two staves
    tracks->SetCurSel(2);
    ChooseFrom(tracks);
    EXPECT_EQ(frame->GetScoreBar().m_nTrackLayout, 2);
    EXPECT_EQ(staffMeasure(2, 9)->GetCollapsedMeasure(), 8);
    for (int n = 10; n <= 16; ++n)
        EXPECT_EQ(Column(view, n)->IsCollapsedMember(), 1) << n;

    tracks->SetCurSel(0);
    ChooseFrom(tracks);
    EXPECT_EQ(staffMeasure(2, 9)->GetCollapsedMeasure(), 0);
}

// The voice combo ghosts what lies outside the chosen voice ("1" to "8"
// are voices 0 to 7) and shows what lies in it; "All" shows everything.
TEST_F(ScoreWindowTest, ChoosingAVoiceGhostsTheOthers) {
    CCantrel* view = OpenScore();
    ASSERT_NE(view, nullptr);
    notation_test::ViewDriver driver(*view);
    LoadAndLayOut(view, driver, QuartersFile(2));
    // Every note, rest, beam ... of the piece, with its voice.
    ACFindVoiceEvents every;
    every.Apply(view->GetBaseEvent()->GetConductor());
    std::vector<std::pair<DCctBase*, int>> elements;
    MCEventList& found = every.GetEvents();
    for (POSITION pos = found.GetHeadPosition(); pos != nullptr;) {
        ECBase* event = found.GetNext(pos);
        auto* display = dynamic_cast<DCctBase*>(event->GetData(DK_NOTATION, 0));
        const MCVoiceTrack* word = event->GetVoiceTrack();
        if (display && word)
            elements.emplace_back(display, word->GetVoice());
    }
    ASSERT_GE(elements.size(), 16u);

    CComboBox* voices = Combo(IDC_VOICE);
    for (const int item : {1, 2, 0}) {
        voices->SetCurSel(item);
        ChooseFrom(voices);
        const int voice = item == 0 ? CCantrel::VOICE_ALL : item - 1;
        EXPECT_EQ(view->GetVoice(), voice);
        int ghosted = 0;
        for (const auto& [display, elementVoice] : elements) {
            const bool outside = voice != CCantrel::VOICE_ALL && elementVoice != voice;
            EXPECT_EQ(display->IsGhosted(), outside ? 1 : 0) << "item " << item << ", voice " << elementVoice;
            ghosted += display->IsGhosted();
        }
        if (item == 2) {
            EXPECT_GT(ghosted, 0);   // the piece has notes outside voice 1
        }
    }
}

TEST_F(ScoreWindowTest, TheMarginEdgeSnapsWhileDragged) {
    const struct {
        int x, edge;
    } snaps[] = {{75, 50}, {76, 100}, {27, 5}, {28, 50}, {400, 275}, {150, 100}, {151, 200}};
    for (const auto& c : snaps)
        EXPECT_EQ(CCantrel::SnapMarginEdge(c.x), c.edge) << c.x;

    CCantrel* view = OpenScore();
    ASSERT_NE(view, nullptr);
    view->SetViewMode(CCantrel::VIEWMODE_TRACK);
    CMarginView& margin = view->GetMarginView();
    const CRect edge = margin.GetSizingEdge();
    ASSERT_FALSE(edge.IsRectEmpty());

    // A press away from the edge starts nothing.
    margin.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_FALSE(view->IsMarginDragging());
    margin.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));

    margin.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(edge.CenterPoint().x, 5));
    ASSERT_TRUE(view->IsMarginDragging());
    const struct {
        int x, right;
    } moves[] = {{400, 275}, {75, 50}, {76, 100}, {27, 5}, {28, 50}};
    for (const auto& c : moves) {
        view->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(c.x, 10));
        EXPECT_EQ(view->GetMarginRect().right, c.right) << c.x;
        EXPECT_EQ(view->GetViewArea().left, c.right) << c.x;
    }
    view->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(28, 10));
    EXPECT_FALSE(view->IsMarginDragging());
    view->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(400, 10));
    EXPECT_EQ(view->GetMarginRect().right, 50);
}

TEST_F(ScoreWindowTest, TheMarginDrawsOnceASizeAndKeepsItsEdgeWhenSizedToNothing) {
    CCantrel* view = OpenScore();
    ASSERT_NE(view, nullptr);
    view->SetViewMode(CCantrel::VIEWMODE_TRACK);
    CMarginView& margin = view->GetMarginView();
    CRect client;
    margin.GetClientRect(&client);
    const CRect edge = margin.GetSizingEdge();
    EXPECT_EQ(edge.right, client.right + CMarginView::kEdgeSlack);
    EXPECT_EQ(edge.top, -CMarginView::kEdgeSlack);

    margin.Invalidate();
    margin.UpdateWindow();
    ASSERT_NE(margin.GetBitmap(), nullptr);
    EXPECT_EQ(margin.GetFlags() & CMarginView::MV_REDRAW, 0);
    BITMAP info;
    margin.GetBitmap()->GetBitmap(&info);
    EXPECT_EQ(info.bmWidth, client.Width());
    EXPECT_EQ(info.bmHeight, client.Height());

    margin.SendMessage(WM_SIZE, 0, MAKELPARAM(0, 40));
    EXPECT_EQ(margin.GetSizingEdge(), edge);
    EXPECT_NE(margin.GetBitmap(), nullptr);

    // Over the edge the margin holds the mouse; beyond the edge strip,
    // outside the window, it lets go.
    margin.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(edge.CenterPoint().x, 5));
    EXPECT_NE(margin.GetFlags() & CMarginView::MV_OVER_EDGE, 0);
    EXPECT_EQ(CWnd::GetCapture(), &margin);
    margin.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(edge.right + 1, 5));
    EXPECT_EQ(margin.GetFlags() & CMarginView::MV_OVER_EDGE, 0);
    EXPECT_NE(CWnd::GetCapture(), &margin);
}

TEST_F(ScoreWindowTest, ATrackLayoutMessageRefillsTheTracksCombo) {
    CCantrel* view = OpenScore();
    ASSERT_NE(view, nullptr);
    CComboBox* tracks = Combo(IDC_TRACKS);
    tracks->ResetContent();
    frame->SendMessage(WM_TRACKLAYOUT, 0, 0);
    ASSERT_GT(tracks->GetCount(), 0);
    std::string first;
    tracks->GetLBText(0, first);
    EXPECT_EQ(first, "All Tracks");
}

// ---- following playback -------------------------------------------------------------------------

// The song played from its start by its document's sequence on the capture
// devices, the test moving the manual clock: the metronome's beats reach the
// view as the program delivers them (sent from the metronome's thread).
class FollowPlaybackTest : public ViewStatesTest {
protected:
    void SetUp() override {
        ViewStatesTest::SetUp();
        // Notes played 66 % long read back as quarters.
        gate.emplace(CCantrel::kDefaultDurationGate);
    }
    void TearDown() override {
        StopAndClose();
        ViewStatesTest::TearDown();
        gate.reset();
        CProfile::Application().DeleteKey("Settings", "FollowScore");
    }

    // Stops the song, lets the players come to rest and closes its window.
    void StopAndClose() {
        if (!document)
            return;
        auto* stop = new SCPerform(STATE_PERFORM_STOP);
        stop->SetAsynchronous(0);
        stop->Apply(document->GetBaseEvent());
        CSequence* sequence = document->GetSequence();
        for (int step = 0; step < kStopSteps && (sequence->GetPlaySequencer()->WaitForIdle(0) != WAIT_OBJECT_0 ||
                                                 sequence->GetMetronome()->WaitForIdle(0) != WAIT_OBJECT_0);
             ++step)
            Run(kClockStepMs);
        Deliver();
        app.CloseAllDocuments(TRUE);
        document = nullptr;
    }

    // The song read into a new score window's document, which is then the
    // active one, and opened as the document manager opens a file: the
    // file state to its performance (the view notates and lays it out, the
    // sequence takes the staves). Null when python3-mido is missing.
    CCantrel* OpenSong() {
        const smf_support::Bytes bytes = view_test::MakeSong(dir.filePath("song.mid").toStdString());
        CCantrel* view = bytes.empty() ? nullptr : OpenScore();
        if (!view)
            return nullptr;
        document = static_cast<MCOpusDoc*>(view->GetDocument());
        {
            CMemFile source(bytes);
            CArchive ar(&source, CArchive::load | CArchive::bNoFlushOnDelete);
            MCMidiRead reader;
            if (reader.LoadMidiFile(ar, document) != 1)
                return nullptr;
        }
        MCOpusDoc::SetActiveDoc(document);
        (new SCFile(STATE_FILE_OPENED))->Apply(document->GetBaseEvent());
        messaging_test::PumpPending();
        return view->GetBaseEvent() == document->GetBaseEvent() ? view : nullptr;
    }
    void Play() {
        auto* play = new SCPerform(STATE_PERFORM_PLAY);
        play->SetAsynchronous(0);
        play->Apply(document->GetBaseEvent());
        portavel->WaitForDeviceThread();
    }
    // Moves the clock on by `ms`, the devices and the program's loop keeping up.
    void Run(int ms) {
        for (int done = 0; done < ms; done += kClockStepMs) {
            clock.Advance(kClockStepMs);
            portavel->WaitForDeviceThread();
            QCoreApplication::processEvents();
            DeliverSentMessages();
        }
        Deliver();
    }
    // Lets the metronome's thread hand over what it still sends (bounded,
    // not timed).
    static void Deliver() {
        for (int idle = 0, n = 0; idle < kIdleRounds && n < kDeliverRounds; ++n) {
            QCoreApplication::processEvents();
            idle = DeliverSentMessages() ? 0 : idle + 1;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    // The last measure of page 1.
    static int LastMeasureOfPageOne(CCantrel* view) {
        int last = 0;
        while (Column(view, last + 1) &&
               view->GetPagenate().GetPageAtPoint(Column(view, last + 1)->GetVirtualPosition()) == 1)
            ++last;
        return last;
    }

    // The song: 4/4 at 120 beats a minute.
    static constexpr int kMeasureMs = 2000;
    static constexpr int kClockStepMs = 5;
    static constexpr int kStopSteps = 400;
    static constexpr int kIdleRounds = 20;
    static constexpr int kDeliverRounds = 2000;

    QTemporaryDir dir;
    MCOpusDoc* document = nullptr;   // the score window's
    std::optional<notation_test::DurationGate> gate;
};

// Playback past page 1: with following on, the measure playing (with a
// margin of an eighth of its width and a quarter of its height) is scrolled
// into view; with following off the score stays where it was.
TEST_F(FollowPlaybackTest, PlaybackPastPageOneScrollsTheMeasurePlayingIntoViewWhenFollowing) {
    for (const int follow : {1, 0}) {
        SCOPED_TRACE(follow);
        SaveIntPreference("Settings", "FollowScore", follow);
        CCantrel* view = OpenSong();
        ASSERT_NE(view, nullptr) << "python3-mido is needed (tools/setup)";
        ASSERT_EQ(view->IsFollowScore(), follow);
        const int lastOfPageOne = LastMeasureOfPageOne(view);
        ASSERT_GE(lastOfPageOne, 1);
        ASSERT_LT(lastOfPageOne, view_test::kSongBars);
        const int playing = lastOfPageOne + 1;
        const CRect measure = MeasureFrame(view, 1, playing);
        ASSERT_FALSE(measure.IsRectEmpty());
        ASSERT_FALSE(VisibleArea(view).PtInRect(measure.CenterPoint())) << "the measure starts out of sight";
        const CPoint start = view->GetScrollPosition();

        // Into the third beat of the first measure of page 2.
        Play();
        Run(lastOfPageOne * kMeasureMs + kMeasureMs / 2 + kMeasureMs / 8);
        ASSERT_NE(document->GetSequence()->GetState() & PLAYER_PLAYING, 0u) << "still playing";
        if (follow) {
            CRect inflated = measure;
            inflated.InflateRect(measure.Width() / 8, measure.Height() / 4);
            CRect both;
            both.UnionRect(VisibleArea(view), inflated);
            EXPECT_EQ(both, VisibleArea(view));
        } else {
            EXPECT_EQ(view->GetScrollPosition(), start);
        }
        StopAndClose();
    }
}

}  // namespace
