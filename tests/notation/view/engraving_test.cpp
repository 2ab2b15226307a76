// Engraving a reader can read, checked on the layout the program prints: MIDI
// files read into a score window, notated and laid out by pagination, then
// the laid-out display elements compared in staff spaces. A measure number
// stands above the staff, clear of the clef and of the ink at its bar line;
// an accidental keeps a quarter space from the notehead before it; a rest
// under a beam stays half a space clear of it, moved by whole spaces; a beam
// stays clear of every head of the chords it joins and of the signs of its
// notes.
#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/measure.h"
#include "model/notes.h"
#include "notation/display/chord.h"
#include "notation/display/beam.h"
#include "notation/display/conductormeasure.h"
#include "notation/display/measure.h"
#include "notation/display/note.h"
#include "notation/display/rest.h"
#include "notation/display/staff.h"
#include "model/staff.h"
#include "model/markings.h"
#include "notation/layout/musicfont.h"
#include "platform/ui/menu.h"
#include "platform/ui/uiresources.h"
#include "tests/notation/view/printprogram_support.h"
#include "tests/support/smf_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr UINT IDR_ENGRAVE_MAIN = 29891;
constexpr UINT IDR_ENGRAVE_DOC = 29892;

const MenuTemplate kMainMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_NEW, "&New"}}}}};
MENU_RESOURCE(IDR_ENGRAVE_MAIN, kMainMenu);
const MenuTemplate kDocMenu = {{{MF_POPUP, 0, "&File", {{MF_STRING, ID_FILE_CLOSE, "&Close"}}}}};
MENU_RESOURCE(IDR_ENGRAVE_DOC, kDocMenu);
STRING_TABLE({IDR_ENGRAVE_MAIN, "Engrave"}, {IDR_ENGRAVE_DOC, "Engraved"});

constexpr int kDivision = 480;
constexpr int kSixteenth = kDivision / 4;

// A note of the file: its key, its start and its length in sixteenths.
struct Played {
    int key;
    int start;
    int length;
};

// The larger and the smaller y of a frame (y up).
int Top(const CRect& r) {
    return std::max(r.top, r.bottom);
}
int Bottom(const CRect& r) {
    return std::min(r.top, r.bottom);
}
bool OverlapX(const CRect& a, const CRect& b) {
    return std::max(a.left, a.right) > std::min(b.left, b.right) && std::min(a.left, a.right) < std::max(b.left, b.right);
}

class EngravingTest : public view_test::PrintProgram {
protected:
    EngravingTest() : PrintProgram(IDR_ENGRAVE_MAIN, IDR_ENGRAVE_DOC) {}

    // A file of 4/4 at 120 a minute and one track of `notes` (notes of one
    // start make a chord), each played to read back as its length through
    // the view's duration gate: the quarters before its last whole, 66 % of
    // the rest.
    CCantrel* Open(const std::vector<Played>& notes) {
        smf_support::Track tempo;
        tempo.Tempo(0, 500000).TimeSignature(0, 4, 2).End();
        struct Edge {
            int tick;
            bool on;
            int key;
        };
        std::vector<Edge> edges;
        for (const Played& note : notes) {
            const int start = note.start * kSixteenth;
            const int length = note.length * kSixteenth;
            const int whole = (length - 1) / kDivision * kDivision;
            edges.push_back({start, true, note.key});
            edges.push_back({start + whole + (length - whole) * 66 / 100, false, note.key});
        }
        // Offs before ons at one tick.
        std::stable_sort(edges.begin(), edges.end(),
                         [](const Edge& a, const Edge& b) { return a.tick != b.tick ? a.tick < b.tick : !a.on && b.on; });
        smf_support::Track track;
        int now = 0;
        for (const Edge& edge : edges) {
            const auto delta = static_cast<uint32_t>(edge.tick - now);
            if (edge.on)
                track.NoteOn(delta, 0, edge.key, 90);
            else
                track.NoteOff(delta, 0, edge.key);
            now = edge.tick;
        }
        track.End();
        return OpenFile(smf_support::File(1, kDivision).Add(tempo).Add(track).GetBytes());
    }

    // The events of `type` on staff 1, in time order.
    static std::vector<ECBase*> Events(CCantrel* view, int type) {
        ACFindEvents find;
        find.AddEvtType(type);
        find.Apply(Conductor(view)->GetTrack(TRACK_STAFF, 1, 0));
        std::vector<ECBase*> events;
        for (POSITION pos = find.GetEvents().GetHeadPosition(); pos;)
            events.push_back(find.GetEvents().GetNext(pos));
        std::stable_sort(events.begin(), events.end(), [](ECBase* a, ECBase* b) { return *a->GetTime() < *b->GetTime(); });
        events.erase(std::unique(events.begin(), events.end()), events.end());
        return events;
    }
    static int Space() { return MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT); }
    // The y of the top line of the staff measure an event stands in.
    static int StaffTopOf(ECBase* event) {
        return NotationDisplayOf(event->GetAncestor(ET_MEASURE, -1))->GetVirtualPosition().y;
    }
    // A note's head, in page coordinates.
    static CRect HeadOf(ECBase* note) {
        auto* display = dynamic_cast<DCctNote*>(NotationDisplayOf(note));
        CRect head;
        display->GetNoteheadFrame(&head);
        const CSize parent = display->GetVirtualPosition() - display->GetPosition();
        head.OffsetRect(parent.cx, parent.cy);
        return head;
    }
    static CRect VirtualFrame(ECBase* event) {
        CRect frame;
        NotationDisplayOf(event)->GetVirtualFrame(&frame, 0);
        return frame;
    }

    // The beam over `member`, or null.
    static DCctBeam* BeamOver(ECBase* member) {
        MCEventList* parents = member->GetParents();
        const POSITION at = parents ? parents->FindEvent(ET_BEAM) : nullptr;
        return at ? dynamic_cast<DCctBeam*>(NotationDisplayOf(parents->GetAt(at))) : nullptr;
    }

    // How far (page coordinates, y up) `ink` stands clear of the band of
    // `beam` over it: from the line through the stem ends, half a space
    // thick a level, levels 3/4 space apart, toward the noteheads. Negative
    // where they overlap. Ink outside the beam's stems counts as clear.
    static int ClearOfBand(DCctBeam* beam, const CRect& ink) {
        const int h = Space();
        const std::vector<DCctBeam::Level>& levels = beam->GetLevels();
        const CSize page = beam->GetVirtualPosition() - beam->GetPosition();
        const CPoint from = levels.front().columns.front().point + page;
        const CPoint to = levels.front().columns.back().point + page;
        const int left = std::max<int>(std::min(ink.left, ink.right), from.x);
        const int right = std::min<int>(std::max(ink.left, ink.right), to.x);
        if (left > right)
            return 4 * h;
        auto line = [&](int x) { return from.y + static_cast<int>((x - from.x) * levels.front().slope); };
        const int depth = static_cast<int>(levels.size() - 1) * (3 * h / 4) + h / 2;
        if (beam->GetDirection() == 0)
            return std::min(line(left), line(right)) - depth - Top(ink);
        return Bottom(ink) - (std::max(line(left), line(right)) + depth);
    }
};

// Chromatic eighths up two octaves and down again, three bars a system as
// printed, spaced as tight as the bars fit on the page: each sign keeps a
// quarter of a staff space from the head of the note before it. (Three bars
// of sixteenths with a sign on each would not fit the page at all; a system
// squeezed below its music's width narrows every gap alike.)
TEST_F(EngravingTest, AnAccidentalKeepsAQuarterSpaceFromTheNoteheadBefore) {
    std::vector<Played> notes;
    int at = 0;
    for (int key = 60; key < 84; ++key, at += 2)
        notes.push_back({key, at, 2});
    for (int key = 84; key > 60; --key, at += 2)
        notes.push_back({key, at, 2});
    CCantrel* view = Open(notes);
    ASSERT_NE(view, nullptr);
    const int h = Space();

    const std::vector<ECBase*> played = Events(view, ET_NOTE);
    ASSERT_EQ(played.size(), notes.size());
    int signs = 0;
    for (size_t i = 1; i < played.size(); ++i) {
        // The note before on the same system.
        if (StaffTopOf(played[i]) != StaffTopOf(played[i - 1]))
            continue;
        MCEventList* children = played[i]->GetChildren();
        for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() != ET_ACCIDENTAL || NotationDisplayOf(child)->IsHidden())
                continue;
            ++signs;
            const CRect sign = VirtualFrame(child);
            const CRect before = HeadOf(played[i - 1]);
            EXPECT_GE(std::min(sign.left, sign.right) - std::max(before.left, before.right), h / 4 - 1)
                << "note " << i << ": the gap in staff spaces is "
                << double(std::min(sign.left, sign.right) - std::max(before.left, before.right)) / h;
        }
    }
    EXPECT_GE(signs, 20) << "most chromatic steps are spelled with a sign";
}

// Sixteenths with the second of each beat silent: the rest stands inside the
// beam's group. High notes beam below the staff (stems down), low ones above
// it (stems up); at its voice's height the rest would meet the beam. It
// moves away from the beam by whole spaces until half a space clear.
TEST_F(EngravingTest, ARestUnderABeamMovesClearOfItByWholeSpaces) {
    std::vector<Played> notes;
    for (int bar = 0; bar < 4; ++bar) {
        const std::vector<int> keys = bar % 2 == 0 ? std::vector<int>{74, 76, 77, 79} : std::vector<int>{55, 57, 59, 60};
        for (int beat = 0; beat < 4; ++beat)
            for (int i : {0, 2, 3})
                notes.push_back({keys[static_cast<size_t>(i)], bar * 16 + beat * 4 + i, 1});
    }
    CCantrel* view = Open(notes);
    ASSERT_NE(view, nullptr);
    const int h = Space();

    int beamed = 0;
    for (ECBase* rest : Events(view, ET_REST)) {
        MCEventList* parents = rest->GetParents();
        const POSITION at = parents ? parents->FindEvent(ET_BEAM) : nullptr;
        if (!at)
            continue;
        auto* beam = dynamic_cast<DCctBeam*>(NotationDisplayOf(parents->GetAt(at)));
        auto* display = dynamic_cast<DCctRest*>(NotationDisplayOf(rest));
        ASSERT_NE(beam, nullptr);
        ASSERT_NE(display, nullptr);
        const std::vector<DCctBeam::Level>& levels = beam->GetLevels();
        ASSERT_FALSE(levels.empty());
        ++beamed;
        SCOPED_TRACE("rest at " + std::to_string(rest->GetTime()->GetSeconds()) + " s, stems " +
                     (beam->GetDirection() ? "down" : "up"));

        // The beam's band where the rest stands: from the line through the
        // stem ends, half a space thick a level, levels 3/4 space apart,
        // toward the noteheads (measure coordinates, as the rest's).
        CRect frame;
        display->GetFrame(&frame, 0);
        const CPoint from = levels.front().columns.front().point;
        const CPoint to = levels.front().columns.back().point;
        ASSERT_LT(from.x, std::max(frame.left, frame.right));
        ASSERT_GT(to.x, std::min(frame.left, frame.right));
        auto line = [&](int x) { return from.y + static_cast<int>((x - from.x) * levels.front().slope); };
        const int depth = static_cast<int>(levels.size() - 1) * (3 * h / 4) + h / 2;
        const int voiceY = dynamic_cast<DCctMeasure*>(NotationDisplayOf(rest->GetAncestor(ET_MEASURE, -1)))
                               ->GetYPositionForRest(0, display->GetConsolidated());
        const int moved = display->GetY() - voiceY;
        EXPECT_EQ(moved % h, 0) << "moved by whole spaces";
        if (beam->GetDirection() == 0) {
            const int inner = std::min(line(frame.left), line(frame.right)) - depth;
            EXPECT_LE(Top(frame), inner - h / 2) << "half a space under the band";
            EXPECT_LE(moved, 0) << "away from the beam above";
        } else {
            const int inner = std::max(line(frame.left), line(frame.right)) + depth;
            EXPECT_GE(Bottom(frame), inner + h / 2) << "half a space over the band";
            EXPECT_GE(moved, 0) << "away from the beam below";
        }
        // No further than it had to go: a space less would not be clear.
        EXPECT_LE(std::abs(moved), 4 * h);
        // A rest shorter than a half draws no ledger line.
        EXPECT_EQ(display->GetLedgerLineCount(), 0);
    }
    EXPECT_EQ(beamed, 16) << "one rest in each beat's beam";
}

// Bars of high notes with stems down from their heads, low notes with stems
// up inside the staff, and descending notes from above the staff, three bars
// a system with a clef at each system's start; every measure numbered. A
// number stands on the staff's top line where nothing reaches above it, and
// else is raised a quarter space clear of what is under it (the clef, the
// notes and ledger lines at its bar line); never down into the staff.
TEST_F(EngravingTest, AMeasureNumberStandsClearOfTheClefAndTheInkAtItsBarline) {
    std::vector<Played> notes;
    for (int bar = 0; bar < 9; ++bar) {
        const std::vector<int> keys = bar % 3 == 0   ? std::vector<int>{84, 86, 84, 83}
                                      : bar % 3 == 1 ? std::vector<int>{55, 57, 59, 60}
                                                     : std::vector<int>{81, 79, 77, 76};
        for (int beat = 0; beat < 4; ++beat)
            notes.push_back({keys[static_cast<size_t>(beat)], bar * 16 + beat * 4, 4});
    }
    CCantrel* view = Open(notes);
    ASSERT_NE(view, nullptr);
    const int h = Space();
    const std::vector<ECBase*> played = Events(view, ET_NOTE);
    ASSERT_EQ(played.size(), notes.size());

    CClientDC dc(view);
    view->OnPrepareDC(&dc);
    int raised = 0;
    for (int number = 1; number <= 9; ++number) {
        SCOPED_TRACE("measure " + std::to_string(number));
        DCctConductorMeasure* column = Column(view, number);
        ASSERT_NE(column, nullptr);
        CRect box;
        ASSERT_EQ(column->GetMeasureNumberFrame(&dc, &box), 1);
        // In page coordinates, as the elements' frames.
        const CSize page = column->GetVirtualPosition() - column->GetPosition();
        box.OffsetRect(page.cx, page.cy);
        ECMeasure* measure = Conductor(view)->GetMeasure(1, number);
        const int staffTop = NotationDisplayOf(measure)->GetVirtualPosition().y;
        EXPECT_GE(Bottom(box), staffTop) << "never into the staff";

        // What stands under the number: the notes (stems and ledger lines
        // with them) of its own measure and of the one before.
        int highest = staffTop;
        for (ECBase* note : played) {
            const int at = note->GetAncestor(ET_MEASURE, -1) == measure ? number
                           : note->GetAncestor(ET_MEASURE, -1) == Conductor(view)->GetMeasure(1, number - 1) ? number - 1
                                                                                                              : 0;
            if (at == 0 || StaffTopOf(note) != staffTop)
                continue;
            const CRect frame = VirtualFrame(note);
            if (!OverlapX(frame, box))
                continue;
            highest = std::max(highest, Top(frame));
            EXPECT_GE(Bottom(box) - Top(frame), h / 4 - 1) << "a quarter space over the note";
        }
        // The clef at a system's start: its ink reaches above the top line.
        if (column->IsHeadOfSystem()) {
            auto* staff = static_cast<ECStaff*>(Conductor(view)->GetTrack(TRACK_STAFF, 1, 0));
            ECClef* clef = DCctStaff::GetClefAtTime(staff, *measure->GetTime(), 0);
            ASSERT_NE(clef, nullptr);
            CRect own;
            NotationDisplayOf(clef)->GetFrame(&own, 0);   // y from its measure's top line
            ASSERT_GT(Top(own), 0) << "a treble clef rises over the staff";
            // Drawn in this measure's prologue.
            const int left = NotationDisplayOf(measure)->GetVirtualPosition().x +
                             column->GetRuler().GetPrologX(MCRuler::PROLOG_CLEF);
            const CRect drawn(left, staffTop + Top(own), left + std::abs(own.right - own.left), staffTop);
            if (OverlapX(drawn, box)) {
                highest = std::max(highest, Top(drawn));
                EXPECT_GE(Bottom(box) - Top(drawn), h / 4 - 1) << "a quarter space over the clef";
            }
        }
        // Raised only as far as what is under it asks.
        if (highest == staffTop) {
            EXPECT_EQ(Bottom(box), staffTop) << "on the top line";
        } else {
            EXPECT_LE(Bottom(box), highest + h / 4 + 1);
            ++raised;
        }
    }
    EXPECT_GE(raised, 6) << "the heads of systems and the bars beginning above the staff";
}

}  // namespace

// Eighth chords of three notes a third and more apart, two to a beat, in
// figures that rise, fall and turn: high ones beam below the staff, low ones
// above it. Each stem runs from the chord's note farthest from the beam, and
// the beam stands a quarter space clear of every head of every chord it
// joins, the outer ones and those in its middle alike.
TEST_F(EngravingTest, ABeamClearsEveryHeadOfTheChordsItJoins) {
    const std::vector<std::vector<int>> chords = {
        {72, 76, 79}, {74, 77, 81}, {76, 79, 84}, {71, 74, 79},   // high: stems down
        {53, 57, 60}, {55, 59, 62}, {52, 55, 60}, {57, 60, 64},   // low: stems up
        {72, 76, 81}, {65, 69, 72}, {71, 76, 79}, {64, 67, 72},
    };
    std::vector<Played> notes;
    int at = 0;
    for (int bar = 0; bar < 3; ++bar)
        for (int i = 0; i < 8; ++i, at += 2)
            for (int key : chords[static_cast<size_t>((bar * 5 + i) % chords.size())])
                notes.push_back({key, at, 2});
    CCantrel* view = Open(notes);
    ASSERT_NE(view, nullptr);
    const int h = Space();

    int heads = 0;
    for (ECBase* chord : Events(view, ET_CHORD)) {
        DCctBeam* beam = BeamOver(chord);
        if (!beam || beam->GetLevels().empty())
            continue;
        auto* display = dynamic_cast<DCctChord*>(NotationDisplayOf(chord));
        ASSERT_NE(display, nullptr);
        SCOPED_TRACE("chord at " + std::to_string(chord->GetTime()->GetSeconds()) + " s, stems " +
                     (beam->GetDirection() ? "down" : "up"));
        // The stem hangs from the note farthest from the beam.
        EXPECT_EQ(display->GetAnchorNote(), beam->GetDirection() ? display->GetTopNote() : display->GetBottomNote());
        MCEventList* children = chord->GetChildren();
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            ECBase* note = children->GetNext(pos);
            if (note->GetClassType() != ET_NOTE)
                continue;
            ++heads;
            const int clear = ClearOfBand(beam, HeadOf(note));
            EXPECT_GE(clear, h / 4 - 1) << "a head " << double(clear) / h << " spaces clear of the beam";
        }
    }
    EXPECT_GE(heads, 60) << "most chords are beamed";
}

// Eighths in pairs, the second a sign's note a fourth to a sixth from the
// first, rising under stems up and falling over stems down: a flat or sharp
// reaches a space and more beyond its head, into where the beam runs. The
// beam moves away by whole steps (half spaces) until a quarter space clear
// of every sign of the notes it joins.
TEST_F(EngravingTest, ABeamClearsTheAccidentalsOfTheNotesItJoins) {
    const std::vector<std::pair<int, int>> pairs = {
        {65, 70}, {62, 68}, {64, 70}, {67, 73}, {60, 66}, {62, 70},   // rising, stems up
        {81, 75}, {83, 78}, {79, 73}, {84, 78}, {81, 73}, {79, 75},   // falling, stems down
    };
    std::vector<Played> notes;
    int at = 0;
    for (const auto& [first, second] : pairs) {
        notes.push_back({first, at, 2});
        notes.push_back({second, at + 2, 2});
        at += 4;
    }
    CCantrel* view = Open(notes);
    ASSERT_NE(view, nullptr);
    const int h = Space();

    int signs = 0;
    for (ECBase* note : Events(view, ET_NOTE)) {
        DCctBeam* beam = BeamOver(note);
        if (!beam || beam->GetLevels().empty())
            continue;
        // The notes' own heads stay clear of the beam too.
        EXPECT_GE(ClearOfBand(beam, HeadOf(note)), h / 4 - 1);
        MCEventList* children = note->GetChildren();
        for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() != ET_ACCIDENTAL || NotationDisplayOf(child)->IsHidden())
                continue;
            ++signs;
            const int clear = ClearOfBand(beam, VirtualFrame(child));
            EXPECT_GE(clear, h / 4 - 1) << "the sign of the note at " << note->GetTime()->GetSeconds() << " s is "
                                        << double(clear) / h << " spaces clear of the beam, stems "
                                        << (beam->GetDirection() ? "down" : "up");
        }
    }
    EXPECT_GE(signs, 10) << "the second note of nearly every pair shows a sign";
}
