// The span tools in a score window: a hairpin, a pedal mark or a gradual
// tempo dragged from beat 3 back to beat 1 goes in at beat 1 lasting two
// quarters and shows; a click opens the stretch (a solid line at its first
// end, both ends in the status bar) and a second click closes it; marks
// that do not last go in at once; a tempo placed where one stands
// replaces it.
#include "notation/tools/spancursor.h"

#include "interface/controls/timeedit.h"
#include "interface/controls/timeformat.h"
#include "model/conductorstaff.h"
#include "model/markings.h"
#include "model/tempo.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/tools/insertview_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <typeinfo>

namespace {

constexpr UINT IDR_SPAN_MAIN = 29951;
constexpr UINT IDR_SPAN_DOC = 29952;
const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_SPAN_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_SPAN_DOC, kDocMenu);

constexpr int kQuarter = 256;   // display ticks
constexpr unsigned char kCrescendo = 14;   // the wedge opening to the right
constexpr unsigned char kMezzoForte = 5;

ECBase* Crescendo() { return new ECDynamic(kCrescendo, MCTime(1.0f)); }
ECBase* MezzoForte() { return new ECDynamic(kMezzoForte, MCTime()); }
ECBase* Pedal() { return new ECPedal(0, MCTime(4.0f)); }
ECBase* Accelerando() { return new ECTempo(ECTempo::TEMPO_ACCEL, MCTime(1.0f)); }
ECBase* Tempo90() {
    auto* tempo = new ECTempo;
    tempo->SetTempo(90.0f, 1.0f);
    return tempo;
}

class SpanToolTest : public tool_test::InsertView {
protected:
    SpanToolTest() : InsertView(IDR_SPAN_MAIN, IDR_SPAN_DOC) {}

    CSpanCursor* Tool() { return dynamic_cast<CSpanCursor*>(view->GetMusicCursor()); }
    bool Dragging() { return (view->GetFlags() & MCScrollView::SV_MOUSE_DRAG) != 0; }

    // The marks of a type under `parent`, in time order.
    static std::vector<ECBase*> Marks(ECBase* parent, int type) {
        ACFindEvents find;
        find.AddEvtType(type);
        find.Apply(parent);
        std::vector<ECBase*> marks;
        for (POSITION pos = find.GetEvents().GetHeadPosition(); pos;)
            marks.push_back(find.GetEvents().GetNext(pos));
        return marks;
    }
    ECBase* Staff() { return Measure(1)->GetAncestor(ET_STAFF, -1); }
    ECBase* ConductorStaff() { return Conductor()->GetDescendant(ET_CONDUCTORSTAFF, -1); }

    // A move with the button held, as the window gets it.
    void Drag(CPoint point) { Move(point, MK_LBUTTON); }
    // Non-paper pixels of a view rectangle, and how far apart the leftmost
    // and the rightmost of them lie (device pixels).
    struct Ink {
        int pixels = 0;
        int width = 0;
    };
    Ink InkIn(const CRect& viewRect) {
        CRect band(ToDevice(viewRect.TopLeft()), ToDevice(viewRect.BottomRight()));
        band.NormalizeRect();
        const QImage& image = Surface();
        const QRgb paper = image.pixel(2, 2) & 0xFFFFFF;
        Ink ink;
        int left = band.right, right = band.left;
        for (int y = band.top; y <= band.bottom; ++y)
            for (int x = band.left; x <= band.right; ++x)
                if (image.valid(x, y) && (image.pixel(x, y) & 0xFFFFFF) != paper) {
                    ++ink.pixels;
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        ink.width = ink.pixels ? right - left : 0;
        return ink;
    }
    int BeatX(int number, int tick) { return ToDevice(BeatTop(number, tick)).x; }
    // The tool's time after the pointer moved to `point`, and that time as
    // the open stretch's status shows it. Marks that last are placed without
    // snapping, so a pixel at a beat lies within a pixel's ticks of it.
    MCTime TimeAt(CPoint point) {
        Move(point);
        return Tool()->GetTime();
    }
    static std::string Fraction(const MCTime& time) {
        std::string text;
        MCTimeEdit::FormatTimeString(text, time, TIMEFMT_BAR_BEAT_FRACTION, 0, 0);
        return text;
    }
    static constexpr float kPixelOfTime = 0.05f;   // quarters: more than a pixel at zoom 96
};

TEST_F(SpanToolTest, DynamicsTempiAndRangesGetTheirSpanTools) {
    UsePrototype(&Crescendo);
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    const struct {
        const char* name;
        std::function<ECBase*()> make;
        const std::type_info& tool;
        int hasDuration, snap, parentType;
    } cases[] = {
        {"crescendo", &Crescendo, typeid(CDynamicCursor), 1, 0, ET_STAFF},
        {"mf", &MezzoForte, typeid(CDynamicCursor), 0, 0, ET_STAFF},
        {"tempo", &Tempo90, typeid(CTempoCursor), 0, 0, ET_CONDUCTORSTAFF},
        {"accelerando", &Accelerando, typeid(CTempoCursor), 1, 0, ET_CONDUCTORSTAFF},
        {"pedal", &Pedal, typeid(CInsertRangeCursor), 1, 1, ET_STAFF},
        {"octave", [] { return new ECTranspose(0, MCTime(4.0f)); }, typeid(CInsertRangeCursor), 1, 1, ET_STAFF},
    };
    for (const auto& c : cases) {
        ECBase* prototype = c.make();
        prototype->Ref();
        std::unique_ptr<CMusicCursor> tool(view->CreateMusicCursor(STATE_MODE_INSERT, prototype));
        prototype->Unref(1);
        ASSERT_NE(tool, nullptr) << c.name;
        EXPECT_EQ(typeid(*tool), c.tool) << c.name;
        auto* span = dynamic_cast<CSpanCursor*>(tool.get());
        ASSERT_NE(span, nullptr) << c.name;
        EXPECT_EQ(span->HasDuration(), c.hasDuration) << c.name;
        EXPECT_EQ(span->IsSnap(), c.snap) << c.name;
        EXPECT_EQ(span->GetEventTypes(), std::vector<int>{c.parentType}) << c.name;
        EXPECT_FALSE(span->IsSpanOpen()) << c.name;
        EXPECT_EQ(span->GetSpanStartTime(), MCTime()) << c.name;
        EXPECT_TRUE(span->GetSpanStartLine().IsEmpty()) << c.name;
    }
}

TEST_F(SpanToolTest, AStretchDraggedFromBeatThreeBackToBeatOneGoesInAtBeatOneLastingTwoQuarters) {
    const struct {
        const char* name;
        ECBase* (*make)();
        int type;
        bool underConductor;
        size_t added;   // the accelerando takes the place of the file's tempo,
        int commands;   // removed by a command of its own
    } cases[] = {
        {"crescendo", &Crescendo, ET_DYNAMIC, false, 1, 1},
        {"pedal", &Pedal, ET_PEDAL, false, 1, 1},
        {"accelerando", &Accelerando, ET_TEMPO, true, 0, 2},
    };
    UsePrototype(&Crescendo);
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    for (const auto& c : cases) {
        UsePrototype(c.make);
        view->UpdateMusicCursor();
        ASSERT_NE(Tool(), nullptr) << c.name;
        ECBase* parent = c.underConductor ? ConductorStaff() : Staff();
        const size_t before = Marks(parent, c.type).size();
        log.Clear();
        document->SetModifiedFlag(FALSE);

        const MCTime third = TimeAt(StaffPoint(1, 2 * kQuarter));
        ASSERT_NEAR(third.GetSeconds(), 2.0f, kPixelOfTime) << c.name;
        Press(StaffPoint(1, 2 * kQuarter));
        EXPECT_TRUE(Tool()->IsSpanOpen()) << c.name;
        EXPECT_TRUE(Dragging()) << c.name << ": the tool holds the view's drag";
        Drag(StaffPoint(1, kQuarter));
        Drag(StaffPoint(1, 0));
        Release(StaffPoint(1, 0));
        Settle();
        ASSERT_FALSE(log.statusTexts.empty()) << c.name;
        EXPECT_EQ(log.statusTexts.back(), "001:01.000 --> " + Fraction(third)) << c.name;
        EXPECT_EQ(Fraction(third).substr(0, 8), "001:03.0") << c.name;
        EXPECT_FALSE(Dragging()) << c.name;
        EXPECT_FALSE(Tool()->IsSpanOpen()) << c.name;
        EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), c.commands) << c.name;
        EXPECT_TRUE(document->IsModified()) << c.name;

        const std::vector<ECBase*> marks = Marks(parent, c.type);
        ASSERT_EQ(marks.size(), before + c.added) << c.name;
        ECBase* placed = marks.front();
        EXPECT_EQ(*placed->GetTime(), MCTime(0.0f)) << c.name << ": the earlier end";
        EXPECT_EQ(*placed->GetDuration(), third) << c.name << ": two quarters";
    }

    // The hairpin shows under the staff, from beat 1 to beat 3.
    ECBase* hairpin = Marks(Staff(), ET_DYNAMIC).front();
    view->SendMessage(WM_PAINT);
    view->UpdateWindow();
    const CRect frame = FrameOf(hairpin);
    const Ink ink = InkIn(frame);
    EXPECT_GT(ink.pixels, 0);
    const int twoBeats = BeatX(1, 2 * kQuarter) - BeatX(1, 0);
    EXPECT_NEAR(ink.width, twoBeats, twoBeats / 4) << "the hairpin opens over the two beats";
    EXPECT_LT(frame.top, FrameOf(Measure(1)).top) << "below the staff";
}

TEST_F(SpanToolTest, AClickOpensTheStretchWithASolidLineAndASecondClickPlacesIt) {
    UsePrototype(&Crescendo);
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    const QRgb selection = Rgb(SCSelection::GetColor());
    const CRect column = ColumnBand(1);
    const int first = BeatX(1, 0), thirdX = BeatX(1, 2 * kQuarter);

    Move(StaffPoint(1, 0));
    Settle();
    ASSERT_FALSE(log.statusTexts.empty());
    EXPECT_EQ(log.statusTexts.back(), "001:01:000") << "no stretch open: the user's format";
    Press(StaffPoint(1, 0));
    Release(StaffPoint(1, 0));
    Settle();
    EXPECT_TRUE(Tool()->IsSpanOpen()) << "released where pressed: the stretch waits";
    EXPECT_TRUE(Dragging());
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 0);

    // Moves without the button come to the tool as the drag's.
    const MCTime third = TimeAt(StaffPoint(1, 2 * kQuarter));
    Settle();
    EXPECT_EQ(log.statusTexts.back(), "001:01.000 --> " + Fraction(third));
    const int solid = ColourRun(first, column.top, column.bottom, selection);
    const int dotted = ColourRun(thirdX, column.top, column.bottom, selection);
    EXPECT_GT(dotted, 0) << "the insert line at beat 3";
    EXPECT_GT(solid, dotted) << "the first end drawn solid, the insert line dotted";
    EXPECT_GE(solid, column.Height()) << "unbroken over the staff";

    Move(StaffPoint(1, 2 * kQuarter));
    Press(StaffPoint(1, 2 * kQuarter));
    Release(StaffPoint(1, 2 * kQuarter));
    Settle();
    EXPECT_FALSE(Tool()->IsSpanOpen());
    EXPECT_FALSE(Dragging());
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 1);
    const std::vector<ECBase*> marks = Marks(Staff(), ET_DYNAMIC);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(*marks[0]->GetTime(), MCTime(0.0f));
    EXPECT_EQ(*marks[0]->GetDuration(), third);
    EXPECT_EQ(ColourRun(first, column.top, column.bottom, selection), 0) << "the solid line went with the stretch";
}

TEST_F(SpanToolTest, AMarkThatDoesNotLastGoesInAtTheClick) {
    UsePrototype(&MezzoForte);
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    const MCTime second = TimeAt(StaffPoint(1, kQuarter));
    Press(StaffPoint(1, kQuarter));
    EXPECT_FALSE(Tool()->IsSpanOpen());
    EXPECT_FALSE(Dragging());
    Drag(StaffPoint(1, 3 * kQuarter));
    Release(StaffPoint(1, 3 * kQuarter));
    Settle();
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 1);
    const std::vector<ECBase*> marks = Marks(Staff(), ET_DYNAMIC);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(*marks[0]->GetTime(), second);
    EXPECT_EQ(*marks[0]->GetDuration(), MCTime());
    for (const std::string& text : log.statusTexts)
        EXPECT_EQ(text.find("-->"), std::string::npos) << text;

    // Beside every staff a press does nothing, not even a band.
    log.Clear();
    Press(CPoint(BeatX(1, 0), 2));
    Release(CPoint(BeatX(1, 0), 2));
    Settle();
    EXPECT_EQ(log.Count(STATE_COMMANDS_DONE), 0);
    EXPECT_EQ(log.Count(STATE_SELECTION_CLEAR), 0);
}

TEST_F(SpanToolTest, ATempoPlacedWhereOneStandsReplacesIt) {
    UsePrototype(&Tempo90);
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    const std::vector<ECBase*> opening = Marks(ConductorStaff(), ET_TEMPO);
    ASSERT_EQ(opening.size(), 1u) << "the file's tempo at the start";
    ECBase* old = opening[0];
    old->Ref();

    Click(StaffPoint(1, 0));
    Settle();
    std::vector<ECBase*> tempi = Marks(ConductorStaff(), ET_TEMPO);
    ASSERT_EQ(tempi.size(), 1u);
    EXPECT_NE(tempi[0], old) << "the old tempo left";
    EXPECT_EQ(*tempi[0]->GetTime(), MCTime(0.0f));
    EXPECT_FLOAT_EQ(static_cast<ECTempo*>(tempi[0])->GetTempo(1.0f), 90.0f);
    EXPECT_EQ(Conductor()->GetTempoAtTime(MCTime(0.0f)), tempi[0]);
    EXPECT_TRUE(old->GetParents()->IsEmpty());
    old->Unref(1);

    // Where none stands the tempo is added beside the others.
    const MCTime third = TimeAt(StaffPoint(1, 2 * kQuarter));
    Click(StaffPoint(1, 2 * kQuarter));
    Settle();
    tempi = Marks(ConductorStaff(), ET_TEMPO);
    ASSERT_EQ(tempi.size(), 2u);
    EXPECT_EQ(*tempi[1]->GetTime(), third);
}

TEST_F(SpanToolTest, TheEarlierEndBecomesTheToolsTimeAndBarPulseTickEndsGiveNoLength) {
    UsePrototype(&Pedal);
    ASSERT_TRUE(OpenPiece(STATE_MODE_INSERT));
    const std::vector<int> staffParent = {ET_STAFF};
    const struct {
        const char* name;
        MCTime start, end, time, duration;
    } cases[] = {
        {"backwards", MCTime(2.0f), MCTime(0.0f), MCTime(0.0f), MCTime(2.0f)},
        {"forwards", MCTime(1.0f), MCTime(3.5f), MCTime(1.0f), MCTime(2.5f)},
        {"in place", MCTime(1.0f), MCTime(1.0f), MCTime(1.0f), MCTime(0.0f)},
        {"bar/pulse/tick", MCTime(1, 3, 0, 480), MCTime(1, 1, 0, 480), MCTime(1, 1, 0, 480), MCTime(0.0f)},
    };
    for (const auto& c : cases) {
        CInsertRangeCursor tool(view, &staffParent);
        CPoint point = StaffPoint(1, 0);
        tool.Update(point, 0);
        ASSERT_NE(tool.GetParent(), nullptr) << c.name;
        tool.GetTime() = c.start;
        tool.OnMouseDragBegin(0, point);
        ASSERT_TRUE(tool.IsSpanOpen()) << c.name;
        tool.GetTime() = c.end;
        auto* pedal = new ECPedal(0, MCTime(4.0f));
        pedal->Ref();
        tool.SetEventDuration(pedal);
        EXPECT_EQ(tool.GetTime(), c.time) << c.name;
        EXPECT_EQ(*pedal->GetDuration(), c.duration) << c.name;
        pedal->Unref(1);
    }
    EXPECT_FALSE(Dragging()) << "a tool let go with its stretch open leaves the view's drag";
}

}  // namespace
