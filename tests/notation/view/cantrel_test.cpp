// The notation view in its score window: a new view's settings, the
// window's first placement, the two view modes, the zoom steps and their
// ends, the margin edge's snapping, the margin strip itself, and the track
// layout read again on WM_TRACKLAYOUT.
#include "notation/view/cantrel.h"

#include "interface/document/midiread.h"
#include "interface/document/opusdoc.h"
#include "interface/document/opustemplate.h"
#include "interface/document/pluginrecords.h"
#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/measure.h"
#include "model/performance.h"
#include "model/preferences.h"
#include "model/states.h"
#include "notation/autonote/notateinfo.h"
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
#include "platform/ui/app.h"
#include "platform/ui/cmdui.h"
#include "platform/ui/lists.h"
#include "platform/ui/mdi.h"
#include "platform/ui/menu.h"
#include "platform/ui/paint.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/uiresources.h"
#include "tests/interface/document/doc_support.h"
#include "tests/notation/support/durationgate.h"
#include "tests/notation/support/viewdriver.h"
#include "tests/platform/messaging_support.h"
#include "tests/support/smf_support.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr UINT IDR_SCORE_MAIN = 29861;
constexpr UINT IDR_SCORE_DOC = 29862;
constexpr UINT kScoreViewId = VIEW_ID_OFFSET + IDR_CANTREL;

const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_SCORE_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_SCORE_DOC, kDocMenu);
STRING_TABLE({IDR_SCORE_MAIN, "Score"}, {IDR_SCORE_DOC, "Piece"});

constexpr int kDivision = 480;

// Two staves of quarter notes in 4/4, `bars` bars long; staff 2 rests in
// bars `from` to `to` (none by default).
std::vector<uint8_t> QuartersFile(int bars, int from = 0, int to = -1) {
    smf_support::Track conductor;
    conductor.Tempo(0, 500000).TimeSignature(0, 4, 2).End();
    smf_support::File file(1, kDivision);
    file.Add(conductor);
    for (int staff = 0; staff < 2; ++staff) {
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
class ScoreWindowTest : public ::testing::Test, public doc_support::DocumentParts {
protected:
    void SetUp() override {
        // No placement stored by an earlier window.
        SaveIntPreference(CScoreWnd::GetSettingsSection(), "Width", 0);
        m_savedViews.AddTail(&CPluginView::GetPlugins());
        notation_test::StartPlugin();
        main = new CMDIFrameWnd;
        ASSERT_TRUE(main->LoadFrame(IDR_SCORE_MAIN));
        mainHandle = main->m_hWnd;
        main->MoveWindow(0, 0, 1000, 800);
        main->ShowWindow(SW_SHOW);   // as the program's, shown before any document opens
        app.m_pMainWnd = main;
        docTemplate = new MCOpusTemplate(IDR_SCORE_DOC, RUNTIME_CLASS(CScoreWnd), RUNTIME_CLASS(CCantrel));
        app.AddDocTemplate(docTemplate);
    }
    void TearDown() override {
        app.CloseAllDocuments(TRUE);
        if (CWnd::FromHandle(mainHandle) == main)
            main->DestroyWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        MCOpusDoc::SetActiveDoc(nullptr);
        MCOpusDoc::WaitThreadsFinished(0);
        CPluginView::GetPlugins().RemoveAll();
        CPluginView::GetPlugins().AddTail(&m_savedViews);
    }

    // A new document shown in its score window; its view.
    CCantrel* OpenScore() {
        auto* opened = static_cast<MCOpusDoc*>(docTemplate->OpenDocumentFile(nullptr, TRUE));
        if (!opened)
            return nullptr;
        frame = static_cast<CScoreWnd*>(opened->GetViewFrame(kScoreViewId, 0));
        // The template made the window hidden and without its initial
        // update; the view is first shown as the program's shell does it.
        if (frame)
            frame->SendMessageToDescendants(WM_INITIALUPDATE);
        opened->GetViewFrame(kScoreViewId, 1);
        for (CView* view : opened->GetViews())
            if (auto* score = DYNAMIC_DOWNCAST(CCantrel, view))
                return score;
        return nullptr;
    }
    // Reads the file into the view's document, notates it as the view does
    // and lays it out on the view's own screen context.
    void LoadAndLayOut(CCantrel* view, notation_test::ViewDriver& driver, const std::vector<uint8_t>& bytes) {
        auto* document = static_cast<MCOpusDoc*>(view->GetDocument());
        {
            CMemFile source(bytes);
            CArchive ar(&source, CArchive::load | CArchive::bNoFlushOnDelete);
            MCMidiRead reader;
            ASSERT_EQ(reader.LoadMidiFile(ar, document), 1);
        }
        messaging_test::PumpPending();
        driver.Attach(document->GetBaseEvent());
        view->GetAutoNote().GetNotateInfo().SetPagenateRange(PAGENATE_ALL);
        CClientDC dc(view);
        view->OnPrepareDC(&dc);
        view->GetPagenate().Prepare(&dc);
        ASSERT_EQ(view->GetPagenate().BeginPagenate(), CPagenate::PAGENATE_RESULT_DONE);
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

    CPromptScript prompts;   // installed while it lives
    CWinApp app;
    CMDIFrameWnd* main = nullptr;            // deletes itself with its window
    HWND mainHandle = nullptr;
    MCOpusTemplate* docTemplate = nullptr;   // the application's
    CScoreWnd* frame = nullptr;              // the last score window shown
    MCPtrList m_savedViews;
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
    SaveIntPreference("Settings", "FollowScore", 0);
    SaveIntPreference("Settings\\Notation", "MeasureNumbers", 0);
    SaveIntPreference("Settings\\Notation", "MeasureNumberOptions", 3);
    SaveIntPreference("Views\\Music Score", "StaffColor", static_cast<int>(blue));
    view->GetDocument()->UpdateAllViews(nullptr, STATE_PREFS_CHANGED, nullptr);
    EXPECT_EQ(view->IsFollowScore(), 0);
    EXPECT_EQ(DCctConductorStaff::s_nMeasureNum, 0);
    EXPECT_EQ(DCctConductorStaff::s_nMeasureNumOpt, 3);
    EXPECT_EQ(StaffColor().Get(), blue);

    CProfile profile = CProfile::Application();
    profile.DeleteKey("Settings", "FollowScore");
    profile.DeleteKey("Settings\\Notation", "MeasureNumbers");
    profile.DeleteKey("Settings\\Notation", "MeasureNumberOptions");
    profile.DeleteKey("Views\\Music Score", "StaffColor");
    view->GetDocument()->UpdateAllViews(nullptr, STATE_PREFS_CHANGED, nullptr);
    EXPECT_EQ(view->IsFollowScore(), 1);
    EXPECT_EQ(DCctConductorStaff::s_nMeasureNumOpt, 1);
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

}  // namespace
