// Pagination: a notated file laid out into systems and pages, the repair
// after edits, and what the driver answers.
#include "notation/view/pagenate.h"

#include "interface/document/opusdoc.h"
#include "model/appstates.h"
#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/basiccommands.h"
#include "model/findactions.h"
#include "model/markings.h"
#include "model/mirror.h"
#include "model/performance.h"
#include "model/preferences.h"
#include "model/states.h"
#include "notation/autonote/notateinfo.h"
#include "notation/display/conductor.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/measure.h"
#include "notation/layout/pagelayout.h"
#include "notation/layout/staffruler.h"
#include "notation/view/cantrel.h"
#include "platform/core/profile.h"
#include "tests/notation/support/notation_fixture.h"
#include "tests/platform/gui/dc_support.h"
#include "tests/support/smf_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int DIVISION = 256;
constexpr int BEATS = 4;
constexpr const char* NOTATION = "Settings\\Notation";
constexpr const char* KEYS[] = {"MeasuresPerLine", "SystemsPerPage", "MultipleMeasures", "CollapseThreshold",
                                "IndentX", "IndentY"};

// A piece of quarter notes in 4/4 at 120 quarters a minute: `staves` staves
// (a track and channel each) of `bars` bars, each note held `played` percent
// of its beat; staff `silent` plays nothing in bars [from, to].
struct Piece {
    int staves = 3;
    int bars = 40;
    int silent = 0;
    int from = 0;
    int to = 0;
    int played = 100;   // how long each note is held, in percent
    int perBeat = 1;    // notes a beat
};

std::vector<uint8_t> PieceFile(const Piece& piece) {
    smf_support::Track conductor;
    conductor.Tempo(0, 500000).TimeSignature(0, 4, 2).End();
    smf_support::File file(1, DIVISION);
    file.Add(conductor);
    for (int staff = 1; staff <= piece.staves; ++staff) {
        smf_support::Track track;
        const int channel = (staff - 1) % 16;
        const int key = 76 - 12 * ((staff - 1) % 4);
        uint32_t pending = 0;
        const int length = DIVISION / piece.perBeat;
        for (int bar = 1; bar <= piece.bars; ++bar)
            for (int note = 0; note < BEATS * piece.perBeat; ++note) {
                if (staff == piece.silent && bar >= piece.from && bar <= piece.to) {
                    pending += length;
                    continue;
                }
                const int held = length * piece.played / 100;
                // Scales up and down, so that neighbouring notes differ.
                const int pitch = key + (note % 8 < 4 ? note % 4 : 4 - note % 4) * 2;
                track.NoteOn(pending, channel, pitch, 90).NoteOff(held, channel, pitch);
                pending = length - held;
            }
        track.End(pending);
        file.Add(track);
    }
    return file.GetBytes();
}

// One conductor measure as pagination left it.
struct Column {
    int number = 0;
    CPoint at;
    int width = 0;
    bool operator==(const Column&) const = default;
};

class PagenateTest : public notation_test::NotationFixture {
protected:
    PagenateTest() { ClearKeys(); }
    ~PagenateTest() override { ClearKeys(); }

    static void ClearKeys() {
        for (const char* key : KEYS)
            CProfile::Application().DeleteKey(NOTATION, key);
    }
    static void SetKey(const char* key, int value) { ASSERT_NE(SaveIntPreference(NOTATION, key, value), 0); }

    // The view's own, bound to the view, its engine's notate info and update list.
    CPagenate& Pagenate() { return View().GetPagenate(); }
    CNotateInfo& Info() { return Engine().GetNotateInfo(); }
    MCPageLayout& Layout() { return MCPageLayout::GetPageLayout(); }
    MCScorePages& Pages() { return Pagenate().GetPages(); }

    void Load(const Piece& piece) { ASSERT_EQ(LoadMidi(PieceFile(piece)), 1); }

    // A pagination of the range, sized first as the view does, on a
    // context mapped as the view maps the screen at 100 %.
    int Run(unsigned char range) {
        Info().SetPagenateRange(range);
        Pagenate().Prepare(&m_screen.dc);
        return Pagenate().BeginPagenate();
    }

    int MeasureCount() { return Conductor()->GetMaxMeasureNumber(); }
    DCctConductorMeasure* ColumnDisplay(int number) {
        ECMeasure* measure = Conductor()->GetMeasure(TRACK_CONDUCTOR, number);
        return measure ? dynamic_cast<DCctConductorMeasure*>(measure->GetData(DK_NOTATION, 0)) : nullptr;
    }
    DCctMeasure* StaffMeasure(int staff, int number) {
        ECMeasure* measure = Conductor()->GetMeasure(staff, number);
        return measure ? dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0)) : nullptr;
    }
    MCStaffRuler& StaffRuler() {
        auto* display = dynamic_cast<DCctConductorStaff*>(Conductor()->GetTrack(TRACK_CONDUCTOR, 0, 0)->GetData(DK_NOTATION, 0));
        return display->GetRuler();
    }

    // The shown conductor measures (multi-measure rest members left out),
    // grouped into systems by their y.
    std::vector<std::vector<Column>> Systems() {
        std::vector<std::vector<Column>> systems;
        for (int n = 1; n <= MeasureCount(); ++n) {
            DCctConductorMeasure* display = ColumnDisplay(n);
            if (!display || display->IsCollapsedMember())
                continue;
            Column column{n, display->GetPosition(), display->GetWidth()};
            if (systems.empty() || systems.back().back().at.y != column.at.y)
                systems.emplace_back();
            systems.back().push_back(column);
        }
        return systems;
    }
    std::vector<Column> Columns() {
        std::vector<Column> all;
        for (int n = 1; n <= MeasureCount(); ++n)
            if (DCctConductorMeasure* display = ColumnDisplay(n))
                all.push_back({n, display->GetPosition(), display->GetWidth()});
        return all;
    }
    // The barlines under conductor measure n.
    std::vector<ECBarline*> Barlines(int number) {
        std::vector<ECBarline*> found;
        ECMeasure* measure = Conductor()->GetMeasure(TRACK_CONDUCTOR, number);
        MCEventList* children = measure ? measure->GetChildren() : nullptr;
        for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() == ET_BARLINE)
                found.push_back(static_cast<ECBarline*>(child));
        }
        return found;
    }
    CRect Printable(int page) { return Layout().GetPageRect(page, Layout().GetPrintableRect()); }
    int PageOf(CPoint at) { return Pagenate().GetPageAtPoint(at); }
    struct Screen : MemoryCanvas {
        Screen() : MemoryCanvas(8, 8) {
            dc.SetMapMode(MM_ANISOTROPIC);
            dc.SetWindowExt(TWIPS_PER_INCH, TWIPS_PER_INCH);
            dc.SetViewportExt(PIXELS_PER_INCH, -PIXELS_PER_INCH);
        }
        static constexpr int TWIPS_PER_INCH = 1440;
        static constexpr int PIXELS_PER_INCH = 96;
    } m_screen;

    int Count(unsigned code) {
        int n = 0;
        for (const notation_test::SeenState& state : States())
            n += state.code == code;
        return n;
    }
};

// Every system fills the printable width, measures abutting; each measure
// ends in one barline at its barline x, the last one final; the system
// and page limits hold; the progress shows one step per system.
TEST_F(PagenateTest, AFullLayoutFillsEachSystemAndEachPageWithinTheLimits) {
    // Notes played short, as a keyboard player's: rests between them.
    ASSERT_NO_FATAL_FAILURE(Load({3, 40, 2, 9, 16, 66}));
    ClearStates();
    ASSERT_EQ(Run(PAGENATE_ALL), CPagenate::PAGENATE_RESULT_DONE);

    const auto systems = Systems();
    ASSERT_GE(systems.size(), 14u);   // 40 measures, at most 3 a system
    const int indentX = Pagenate().GetIndent().x;
    EXPECT_GT(indentX, 0);
    std::map<int, int> systemsOnPage;
    int measures = 0;
    for (size_t s = 0; s < systems.size(); ++s) {
        SCOPED_TRACE(testing::Message() << "system " << s);
        const auto& system = systems[s];
        const int page = PageOf(system.front().at);
        const CRect printable = Printable(page);
        EXPECT_LE(system.size(), 3u);
        EXPECT_EQ(system.front().at.x, printable.left + (s == 0 ? indentX : 0));
        for (size_t m = 1; m < system.size(); ++m)
            EXPECT_EQ(system[m].at.x, system[m - 1].at.x + system[m - 1].width) << system[m].number;
        EXPECT_EQ(system.back().at.x + system.back().width, printable.right);
        EXPECT_LE(system.front().at.y, printable.top);
        EXPECT_GT(system.front().at.y, printable.bottom);
        ++systemsOnPage[page];
        measures += static_cast<int>(system.size());
    }
    EXPECT_EQ(measures, MeasureCount());
    EXPECT_EQ(static_cast<int>(systemsOnPage.size()), Pages().GetPageCount());
    for (const auto& [page, count] : systemsOnPage)
        EXPECT_LE(count, 5) << "page " << page;

    for (int n = 1; n <= MeasureCount(); ++n) {
        SCOPED_TRACE(n);
        DCctConductorMeasure* column = ColumnDisplay(n);
        EXPECT_EQ(column->GetMeasureIndex(), n);
        int atBarline = 0;
        for (ECBarline* barline : Barlines(n)) {
            if (barline->GetBarlinePos() != 1)
                continue;
            ++atBarline;
            auto* display = dynamic_cast<DCctBase*>(barline->GetData(DK_NOTATION, 0));
            ASSERT_NE(display, nullptr);
            EXPECT_EQ(display->GetX(), column->GetBarlineX());
            EXPECT_EQ(barline->GetBarlineType(), n == MeasureCount() ? 3 : 0);
        }
        EXPECT_EQ(atBarline, 1);
        // The staff measures stand under their conductor measure, placed.
        for (int staff = 1; staff <= 3; ++staff) {
            DCctMeasure* measure = StaffMeasure(staff, n);
            ASSERT_NE(measure, nullptr);
            EXPECT_EQ(measure->GetPosition().x, column->GetPosition().x) << staff;
            EXPECT_EQ(measure->GetWidth(), column->GetWidth()) << staff;
            EXPECT_EQ(measure->PositionDirty(), 0) << staff;
        }
    }
    // Three staves shown: each system opens with a system barline.
    for (const auto& system : systems) {
        const auto barlines = Barlines(system.front().number);
        EXPECT_EQ(std::count_if(barlines.begin(), barlines.end(),
                                [](ECBarline* b) { return b->GetBarlinePos() == 0 && b->GetBarlineType() == 4; }),
                  1);
    }

    const auto progress = Progress();
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front().code, STATE_PROGRESS_BEGIN);
    EXPECT_EQ(progress.front().text, "Paginating...");
    EXPECT_EQ(progress.front().high, MeasureCount());
    EXPECT_EQ(progress.back().code, STATE_PROGRESS_END);
    EXPECT_EQ(Count(STATE_PROGRESS_TEXT), static_cast<int>(systems.size()));
    // The ranges are consumed.
    EXPECT_EQ(Info().GetNotateRange(), NOTATE_NONE);
    EXPECT_EQ(Info().GetPagenateRange(), PAGENATE_NONE);
    EXPECT_EQ(Info().IsPagenating(), 0);
}

// The mirrors a layout puts at the head of each system and before a key
// change go when the systems are laid out again: each clef and key lists
// exactly its mirrors that stand in the score, however often it was laid out.
TEST_F(PagenateTest, LayingOutAgainLeavesEachClefAndKeyListingOnlyItsMirrorsInTheScore) {
    ASSERT_NO_FATAL_FAILURE(Load({3, 20}));
    auto* key = new ECKey(2, 0);
    const MCTime bar13(48.0f);
    key->SetTime(&bar13);
    key->SetVoiceTrack(0, 1);
    RunBatch({new CCAdd(key, Conductor()->GetMeasure(1, 13))});
    for (unsigned char range : {PAGENATE_ALL, PAGENATE_ALL, PAGENATE_REPAGENATE_ALL}) {
        ASSERT_EQ(Run(range), 1);
        std::map<ECBase*, std::set<ECBase*>> inScore;
        ACFindEvents mirrors;
        mirrors.AddEvtType(ET_MIRROR);
        mirrors.Apply(Performance());
        for (POSITION pos = mirrors.GetEvents().GetHeadPosition(); pos;) {
            auto* mirror = static_cast<ECMirror*>(mirrors.GetEvents().GetNext(pos));
            inScore[mirror->GetMirrorEvent()].insert(mirror);
        }
        ACFindEvents marks(2);
        marks.AddEvtType(ET_CLEF);
        marks.AddEvtType(ET_KEY);
        marks.Apply(Performance());
        ASSERT_GE(marks.GetEvents().GetCount(), 4);   // a clef a staff, the new key
        for (POSITION pos = marks.GetEvents().GetHeadPosition(); pos;) {
            ECBase* mark = marks.GetEvents().GetNext(pos);
            std::set<ECBase*> listed;
            MCEventList* list = GetMirrorList(mark);
            for (POSITION at = list ? list->GetHeadPosition() : nullptr; at;)
                listed.insert(list->GetNext(at));
            EXPECT_EQ(listed, inScore[mark]) << mark->GetClassType() << " at " << mark->GetTime()->GetSeconds();
        }
        EXPECT_FALSE(inScore[key].empty());
    }
}

// A group of staves is braced at the head of every system, centred on the
// system's left edge from its first staff's top; laying out again replaces
// the braces, never doubles them.
TEST_F(PagenateTest, AStaffGroupIsBracedAtTheHeadOfEverySystem) {
    ASSERT_NO_FATAL_FAILURE(Load({3, 9}));
    auto* conductorStaff = dynamic_cast<ECConductorStaff*>(Conductor()->GetTrack(TRACK_CONDUCTOR, 0, 0));
    ASSERT_NE(conductorStaff, nullptr);
    constexpr int BRACE = 0;
    conductorStaff->GroupStaves(1, 3, BRACE);
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        ASSERT_EQ(Run(PAGENATE_ALL), 1);
        for (int n = 1; n <= MeasureCount(); ++n) {
            DCctConductorMeasure* column = ColumnDisplay(n);
            std::vector<ECBrac*> braces;
            MCEventList* children = Conductor()->GetMeasure(TRACK_CONDUCTOR, n)->GetChildren();
            for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
                ECBase* child = children->GetNext(pos);
                if (child->GetClassType() == ET_BRAC)
                    braces.push_back(static_cast<ECBrac*>(child));
            }
            ASSERT_EQ(braces.size(), column->IsHeadOfSystem() ? 1u : 0u) << n;
            if (braces.empty())
                continue;
            EXPECT_EQ(braces[0]->GetBracType(), 1);
            auto* display = dynamic_cast<DCctBase*>(braces[0]->GetData(DK_NOTATION, 0));
            ASSERT_NE(display, nullptr);
            EXPECT_GT(display->GetWidth(), 0);
            EXPECT_EQ(display->GetPosition(), CPoint(-display->GetWidth() / 2, column->GetYOffsetForMeasure(1)));
        }
    }
}

// Page templates: one system on page 1 stands centred below the indent;
// later pages put their first system at the top and their last at the bottom.
TEST_F(PagenateTest, PageTemplatesCentreOneSystemOnPageOneAndSpreadLaterPages) {
    SetKey("MeasuresPerLine", 2);
    ASSERT_NO_FATAL_FAILURE(Load({2, 16}));
    const struct {
        int perPage;
    } cases[] = {{1}, {2}, {3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.perPage);
        SetKey("SystemsPerPage", c.perPage);
        ASSERT_EQ(Run(PAGENATE_ALL), 1);
        const int h = Pagenate().GetSystemHeight();
        ASSERT_GT(h, 0);
        const int iy = Pagenate().GetIndent().y;
        const auto systems = Systems();
        const int count = (MeasureCount() + 1) / 2;
        ASSERT_EQ(static_cast<int>(systems.size()), count);
        EXPECT_EQ(Pages().GetPageCount(), (count + c.perPage - 1) / c.perPage);

        std::map<int, std::vector<int>> tops;   // page -> system tops
        for (const auto& system : systems)
            tops[PageOf(system.front().at)].push_back(system.front().at.y);
        for (const auto& [page, ys] : tops) {
            SCOPED_TRACE(page);
            const CRect q = Printable(page);
            ASSERT_LE(static_cast<int>(ys.size()), c.perPage);
            if (page == 1 && c.perPage == 1) {
                const int above = (q.top + iy) - ys[0];
                const int below = (ys[0] - h) - q.bottom;
                EXPECT_LE(std::abs(above - below), 1);
            } else if (page > 1 && static_cast<int>(ys.size()) == c.perPage) {
                EXPECT_EQ(ys.front(), q.top);
                if (c.perPage > 1) {
                    EXPECT_LE(std::abs((ys.back() - h) - q.bottom), c.perPage);
                }
            }
        }
    }
}

// "SystemsPerPage" 0 (or below -1) reads -1, "MeasuresPerLine" below 1 reads
// 1: the layout is the one of the usable value.
TEST_F(PagenateTest, UnusableLimitsReadAsTheNearestUsableOnes) {
    ASSERT_NO_FATAL_FAILURE(Load({2, 12}));
    SetKey("SystemsPerPage", -1);
    ASSERT_EQ(Run(PAGENATE_ALL), 1);
    const auto unlimited = Columns();
    const int pages = Pages().GetPageCount();
    for (int value : {0, -7}) {
        SCOPED_TRACE(value);
        SetKey("SystemsPerPage", value);
        ASSERT_EQ(Run(PAGENATE_ALL), 1);
        EXPECT_EQ(Pagenate().GetSystemsPerPage(), -1);
        EXPECT_EQ(Columns(), unlimited);
        EXPECT_EQ(Pages().GetPageCount(), pages);
    }
    SetKey("MeasuresPerLine", 0);
    ASSERT_EQ(Run(PAGENATE_ALL), 1);
    EXPECT_EQ(Pagenate().GetMeasuresPerSystem(), 1);
    EXPECT_EQ(Systems().size(), static_cast<size_t>(MeasureCount()));
}

// A system taller than the printable area: one system a page, and the
// staves that do not fit are hidden.
TEST_F(PagenateTest, ASystemTallerThanThePageHidesTheStavesThatDoNotFit) {
    ASSERT_NO_FATAL_FAILURE(Load({24, 2}));
    ASSERT_EQ(Run(PAGENATE_ALL), 1);
    MCStaffRuler& ruler = StaffRuler();
    const CRect q = Printable(1);
    const int shown = ruler.GetShownStaffCount();
    EXPECT_GT(shown, 0);
    EXPECT_LT(shown, 24);
    for (int i = 0; i < ruler.GetStaffCount(); ++i)
        EXPECT_EQ(ruler.IsStaffShown(i), i < shown ? 1 : 0) << i;
    EXPECT_LE(Pagenate().GetSystemHeight() - Pagenate().GetIndent().y, q.top - q.bottom);
    EXPECT_EQ(Pagenate().GetFirstPageTemplate().size(), 1u);
    EXPECT_EQ(Pagenate().GetNextPageTemplate().size(), 1u);
    auto* hidden = dynamic_cast<DCctBase*>(Conductor()->GetTrack(TRACK_STAFF, 24, 0)->GetData(DK_NOTATION, 0));
    ASSERT_NE(hidden, nullptr);
    EXPECT_EQ(hidden->IsHidden(), 1);
}

// Multi-measure rests form only when one staff alone is shown: staff 2,
// silent in bars 9-16, shows them as one rest of 8 taking one slot.
TEST_F(PagenateTest, ASilentRunBecomesOneMultiMeasureRestOnlyInSingleStaffDisplay) {
    ASSERT_NO_FATAL_FAILURE(Load({3, 40, 2, 9, 16}));
    ASSERT_EQ(Run(PAGENATE_ALL), 1);
    for (int n = 9; n <= 16; ++n)
        EXPECT_EQ(ColumnDisplay(n)->IsCollapsedMember(), 0) << n;

    Pagenate().SetDisplay(2);
    Pagenate().Prepare(&m_screen.dc);
    ASSERT_EQ(Pagenate().BeginPagenate(), 1);
    DCctMeasure* head = StaffMeasure(2, 9);
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->GetCollapsedMeasure(), 8);
    EXPECT_EQ(ColumnDisplay(9)->IsCollapsedMember(), 0);
    for (int n = 10; n <= 16; ++n)
        EXPECT_EQ(ColumnDisplay(n)->IsCollapsedMember(), 1) << n;
    EXPECT_EQ(ColumnDisplay(17)->IsCollapsedMember(), 0);
    // The rest takes one of the system's three slots.
    for (const auto& system : Systems())
        EXPECT_LE(system.size(), 3u);
    const auto systems = Systems();
    const auto withRest = std::find_if(systems.begin(), systems.end(), [](const std::vector<Column>& system) {
        return std::any_of(system.begin(), system.end(), [](const Column& c) { return c.number == 9; });
    });
    ASSERT_NE(withRest, systems.end());
    EXPECT_EQ(withRest->size(), 3u);

    // Back to every staff: ordinary measures again.
    Pagenate().SetDisplay(0);
    ASSERT_EQ(Pagenate().BeginPagenate(), 1);
    for (int n = 9; n <= 16; ++n)
        EXPECT_EQ(ColumnDisplay(n)->IsCollapsedMember(), 0) << n;
    EXPECT_EQ(StaffMeasure(2, 9)->GetCollapsedMeasure(), 0);
}

// A silent run shorter than "CollapseThreshold" stays ordinary measures,
// each taking its slot: the measures past the system's three open the next.
TEST_F(PagenateTest, ASilentRunBelowTheThresholdStaysOrdinaryMeasures) {
    ASSERT_NO_FATAL_FAILURE(Load({2, 12, 2, 3, 5}));
    ASSERT_EQ(Run(PAGENATE_ALL), 1);
    Pagenate().SetDisplay(2);
    Pagenate().Prepare(&m_screen.dc);
    ASSERT_EQ(Pagenate().BeginPagenate(), 1);
    for (int n = 3; n <= 5; ++n) {
        EXPECT_EQ(ColumnDisplay(n)->IsCollapsedMember(), 0) << n;
        EXPECT_EQ(StaffMeasure(2, n)->GetCollapsedMeasure(), 0) << n;
    }
    int measures = 0;
    for (const auto& system : Systems()) {
        EXPECT_LE(system.size(), 3u);
        EXPECT_EQ(system.back().at.x + system.back().width, Printable(PageOf(system.front().at)).right);
        measures += static_cast<int>(system.size());
    }
    EXPECT_EQ(measures, MeasureCount());
}

// A piece of one staff, silent in bars 9-16 on every staff shown: still no
// multi-measure rest until that staff is chosen alone.
TEST_F(PagenateTest, ASilentRunOfTheWholeScoreCollapsesOnlyWhenItsStaffIsChosen) {
    ASSERT_NO_FATAL_FAILURE(Load({1, 24, 1, 9, 16}));
    ASSERT_EQ(Run(PAGENATE_ALL), 1);
    for (int n = 9; n <= 16; ++n)
        EXPECT_EQ(ColumnDisplay(n)->IsCollapsedMember(), 0) << n;
    Pagenate().SetDisplay(1);
    ASSERT_EQ(Pagenate().BeginPagenate(), 1);
    EXPECT_EQ(StaffMeasure(1, 9)->GetCollapsedMeasure(), 8);
    for (int n = 10; n <= 16; ++n)
        EXPECT_EQ(ColumnDisplay(n)->IsCollapsedMember(), 1) << n;
}

// A key change inside a silent run opens a run of its own, and the barline
// before it announces it, whatever the display.
TEST_F(PagenateTest, AKeyChangeSplitsASilentRunAndMarksTheBarlineBeforeIt) {
    ASSERT_NO_FATAL_FAILURE(Load({1, 24, 1, 9, 16}));
    auto barlineBefore = [&](int number) {
        for (ECBarline* barline : Barlines(number))
            if (barline->GetBarlinePos() == 1)
                return static_cast<int>(barline->GetBarlineType());
        return -1;
    };
    // Two sharps from bar 13 on, put in by command as the key tool does.
    auto* key = new ECKey(2, 0);
    const MCTime bar13(48.0f);
    key->SetTime(&bar13);
    key->SetVoiceTrack(0, 1);
    RunBatch({new CCAdd(key, Conductor()->GetMeasure(1, 13))});
    ASSERT_EQ(Run(PAGENATE_ALL), 1);
    EXPECT_EQ(barlineBefore(12), 1);
    EXPECT_EQ(barlineBefore(11), 0);

    Pagenate().SetDisplay(1);
    ASSERT_EQ(Pagenate().BeginPagenate(), 1);
    EXPECT_EQ(StaffMeasure(1, 9)->GetCollapsedMeasure(), 4);
    EXPECT_EQ(StaffMeasure(1, 13)->GetCollapsedMeasure(), 4);
    EXPECT_EQ(ColumnDisplay(13)->IsCollapsedMember(), 0);
    for (int n : {10, 11, 12, 14, 15, 16})
        EXPECT_EQ(ColumnDisplay(n)->IsCollapsedMember(), 1) << n;
    EXPECT_EQ(barlineBefore(12), 1);
}

// Measures too many for the width: each system loses measures from its end
// until the rest fit, the measure dropped opening the next; one measure
// alone wider than the page is squeezed to the width all the same.
TEST_F(PagenateTest, MeasuresThatDoNotFitMoveOnAndALoneMeasureIsForcedToTheWidth) {
    const struct {
        int perLine;
        int perBeat;
    } cases[] = {{8, 4}, {1, 32}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.perBeat);
        SetKey("MeasuresPerLine", c.perLine);
        ASSERT_NO_FATAL_FAILURE(Load({1, 12, 0, 0, 0, 100, c.perBeat}));
        ASSERT_EQ(Run(PAGENATE_ALL), 1);
        const auto systems = Systems();
        int measures = 0;
        size_t fullest = 0;
        for (const auto& system : systems) {
            EXPECT_LE(static_cast<int>(system.size()), c.perLine);
            EXPECT_EQ(system.back().at.x + system.back().width, Printable(PageOf(system.front().at)).right);
            for (size_t m = 1; m < system.size(); ++m)
                EXPECT_EQ(system[m].at.x, system[m - 1].at.x + system[m - 1].width);
            fullest = std::max(fullest, system.size());
            measures += static_cast<int>(system.size());
        }
        EXPECT_EQ(measures, MeasureCount());
        EXPECT_LT(static_cast<int>(fullest), c.perLine == 1 ? 2 : c.perLine);
        for (int n = 1; n <= MeasureCount(); ++n) {
            const auto barlines = Barlines(n);
            EXPECT_EQ(std::count_if(barlines.begin(), barlines.end(),
                                    [](ECBarline* b) { return b->GetBarlinePos() == 1; }),
                      1)
                << n;
        }
    }
}

// Repair: a measure that still fits changes nothing else; laying out again
// from a measure on leaves everything before its system alone and gives what
// a full layout gives, without doubling any barline.
TEST_F(PagenateTest, RepairRefitsTheMeasureThenLaysOutFromItsSystem) {
    ASSERT_NO_FATAL_FAILURE(Load({2, 30}));
    ASSERT_EQ(Run(PAGENATE_ALL), 1);
    const auto full = Columns();

    const MCTime bar5 = *Conductor()->GetMeasure(TRACK_CONDUCTOR, 5)->GetTime();
    const MCTime bar6 = *Conductor()->GetMeasure(TRACK_CONDUCTOR, 6)->GetTime();
    Info().SetMeasureStart(bar5);
    Info().SetMeasureEnd(bar6);
    Engine().GetDirtyRect().AddRect(CRect(0, 0, 100, -100));
    ASSERT_EQ(Run(PAGENATE_MEASURES), 1);
    EXPECT_EQ(Columns(), full);
    EXPECT_EQ(Info().GetPagenateRange(), PAGENATE_NONE);
    // The update list was flushed (here, without a window, only emptied).
    EXPECT_EQ(Engine().GetDirtyRect().GetRectCount(), 0);

    // A measure narrower than it may be is widened and its system fitted
    // again; no other system moves.
    const int system5 = [&] {
        const auto systems = Systems();
        for (size_t s = 0; s < systems.size(); ++s)
            for (const Column& c : systems[s])
                if (c.number == 5)
                    return static_cast<int>(s);
        return -1;
    }();
    ASSERT_GE(system5, 0);
    ColumnDisplay(5)->SetWidth(100, 1);
    Info().SetMeasureStart(bar5);
    Info().SetMeasureEnd(bar6);
    ASSERT_EQ(Run(PAGENATE_MEASURES), 1);
    const auto systems = Systems();
    const auto fullSystems = [&] {
        std::vector<std::vector<Column>> grouped;
        for (const Column& c : full) {
            if (grouped.empty() || grouped.back().back().at.y != c.at.y)
                grouped.emplace_back();
            grouped.back().push_back(c);
        }
        return grouped;
    }();
    ASSERT_EQ(systems.size(), fullSystems.size());
    for (size_t s = 0; s < systems.size(); ++s) {
        if (static_cast<int>(s) != system5) {
            EXPECT_EQ(systems[s], fullSystems[s]) << s;
            continue;
        }
        const auto& system = systems[s];
        EXPECT_GT(ColumnDisplay(5)->GetWidth(), 100);
        for (size_t m = 1; m < system.size(); ++m)
            EXPECT_EQ(system[m].at.x, system[m - 1].at.x + system[m - 1].width);
        EXPECT_EQ(system.back().at.x + system.back().width, Printable(PageOf(system.front().at)).right);
    }

    const MCTime bar13 = *Conductor()->GetMeasure(TRACK_CONDUCTOR, 13)->GetTime();
    // Everything from bar 13's system on is taken apart and laid out again.
    ColumnDisplay(20)->SetPosition(0, 0);
    Info().SetMeasureStart(bar13);
    ASSERT_EQ(Run(PAGENATE_FROM), 1);
    EXPECT_EQ(Columns(), full);
    for (int n = 1; n <= MeasureCount(); ++n) {
        const auto barlines = Barlines(n);
        EXPECT_EQ(std::count_if(barlines.begin(), barlines.end(), [](ECBarline* b) { return b->GetBarlinePos() == 1; }),
                  1)
            << n;
    }
    EXPECT_EQ(Info().GetPagenateRange(), PAGENATE_NONE);
}

// What the driver answers: 2 while automatic notation runs (nothing
// touched), 3 for a call inside a running one, 0 without measures, and
// no progress while recording.
TEST_F(PagenateTest, TheDriverRefusesWhileNotatingAndInsideItselfAndSendsNothingWhileRecording) {
    ASSERT_NO_FATAL_FAILURE(Load({2, 6}));
    ASSERT_EQ(Run(PAGENATE_ALL), 1);
    const auto laidOut = Columns();

    Info().SetAutoNotating(1);
    ClearStates();
    EXPECT_EQ(Run(PAGENATE_REPAGENATE_ALL), CPagenate::PAGENATE_RESULT_NOTATING);
    EXPECT_EQ(Info().GetPagenateRange(), PAGENATE_REPAGENATE_ALL);
    EXPECT_TRUE(Progress().empty());
    Info().SetAutoNotating(0);

    // A state handler that paginates again while the progress begins.
    struct Nested {
        CPagenate* pagenate;
        std::vector<int> answers;
        static int OnState(ECBase*, int, void* data, void* user) {
            auto* self = static_cast<Nested*>(user);
            if (static_cast<SCBase*>(data)->GetCode() == STATE_PROGRESS_BEGIN)
                self->answers.push_back(self->pagenate->BeginPagenate());
            return 0;
        }
    } nested{&Pagenate(), {}};
    Performance()->AddStateHandler(&Nested::OnState, &nested);
    EXPECT_EQ(Run(PAGENATE_ALL), 1);
    Performance()->RemoveStateHandler(&Nested::OnState, &nested);
    EXPECT_EQ(nested.answers, std::vector<int>{CPagenate::PAGENATE_RESULT_BUSY});
    EXPECT_EQ(Columns(), laidOut);

    // While recording, a recorded measure is refitted without a word.
    Info().SetRealTimeRecording(1);
    Pages().SetPageCount(7);
    ClearStates();
    Info().SetMeasureStart(*Conductor()->GetMeasure(TRACK_CONDUCTOR, 2)->GetTime());
    Info().SetMeasureEnd(*Conductor()->GetMeasure(TRACK_CONDUCTOR, 3)->GetTime());
    EXPECT_EQ(Run(PAGENATE_MEASURES), 1);
    EXPECT_TRUE(Progress().empty());
    EXPECT_EQ(Pages().GetPageCount(), 7);
    EXPECT_EQ(Columns(), laidOut);
    Info().SetRealTimeRecording(0);
    EXPECT_EQ(Run(PAGENATE_ALL), 1);
    EXPECT_EQ(Pages().GetPageCount(), 1);
}

// A score without measures lays nothing out and answers 0; the ranges are
// consumed all the same.
TEST_F(PagenateTest, AScoreWithoutMeasuresAnswersNothingLaidOut) {
    std::unique_ptr<MCOpusDoc> empty = doc_support::DocumentParts::MakeDocument();
    ECPerformance* performance = empty->CreatePerformance(1);
    ASSERT_NE(performance, nullptr);
    ASSERT_EQ(performance->GetConductor()->GetMaxMeasureNumber(), 0);
    View().BindBaseEvent(performance);
    EXPECT_EQ(Run(PAGENATE_ALL), CPagenate::PAGENATE_RESULT_EMPTY);
    EXPECT_EQ(Info().GetPagenateRange(), PAGENATE_NONE);
    EXPECT_EQ(Info().IsPagenating(), 0);
    View().BindBaseEvent(nullptr);
}

// A file of two bars holding only a tempo track: measures but no staff, a
// system without height, one system a page.
TEST_F(PagenateTest, ATempoTrackAloneLaysOut) {
    smf_support::Track conductor;
    conductor.Tempo(0, 500000).TimeSignature(0, 4, 2).End(2 * BEATS * DIVISION);
    ASSERT_EQ(LoadMidi(smf_support::File(1, DIVISION).Add(conductor).GetBytes()), 1);
    ASSERT_GE(MeasureCount(), 1);
    ASSERT_EQ(Run(PAGENATE_ALL), 1);
    EXPECT_EQ(Pagenate().GetSystemHeight(), 0);
    EXPECT_EQ(Pagenate().GetFirstPageTemplate().size(), 1u);
    EXPECT_EQ(Pagenate().GetNextPageTemplate().size(), 1u);
    const auto systems = Systems();
    ASSERT_EQ(systems.size(), 1u);
    EXPECT_EQ(systems[0].back().at.x + systems[0].back().width, Printable(1).right);
    EXPECT_EQ(Pages().GetPageCount(), 1);
}

}  // namespace
