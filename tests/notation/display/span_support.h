// What the slur and tie tests share: a played melody notated by the engine
// as a loaded file is, its measures laid out into systems as pagination lays
// them (tests/notation/support/measurelayout.h), and a canvas of 10 logical
// units a pixel, y up, with logical (0, 0) at its top left corner: a page
// point (x, y) lies at column x / 10 and row -y / 10.
//
// Spans hang under their staff, so they are drawn at the origin the view's
// walk passes under a staff: (0, 0); their pieces are page coordinates.
#pragma once

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/lists.h"
#include "model/measure.h"
#include "model/notes.h"
#include "model/staff.h"
#include "notation/display/measure.h"
#include "notation/display/note.h"
#include "notation/display/slur.h"
#include "notation/display/tie.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/display/structure_support.h"
#include "tests/notation/support/measurelayout.h"
#include "tests/notation/support/melody.h"
#include "tests/notation/support/notation_fixture.h"

#include <QImage>

#include <gtest/gtest.h>

#include <vector>

namespace span_test {

constexpr int UNITS_PER_PIXEL = 10;
constexpr int NOTEHEAD = 100;        // h: ten pixels
constexpr int DIVISION = 256;        // the melody files' ticks per quarter
constexpr int QUARTER = DIVISION;
constexpr int HALF = 2 * QUARTER;
constexpr int BAR = 4 * QUARTER;     // 4/4
constexpr int TENTHS = 10;           // offsets are given in tenths of h

inline int Col(int x) { return x / UNITS_PER_PIXEL; }
inline int Row(int y) { return -y / UNITS_PER_PIXEL; }

// A white canvas of `width` x `height` pixels as described above.
struct SpanCanvas : MemoryCanvas {
    SpanCanvas(int width, int height) : MemoryCanvas(width, height) {
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowExt(UNITS_PER_PIXEL, UNITS_PER_PIXEL);
        dc.SetViewportExt(1, -1);
        dc.SetViewportOrg(0, 0);
    }
};

inline int InkPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                ++count;
    return count;
}

// A melody on staff 1, notated, with its measures laid out by the test.
class SpanScoreTest : public notation_test::NotationFixture {
protected:
    void Load(const std::vector<notation_test::PlayedNote>& notes) {
        ASSERT_EQ(LoadMidi(notation_test::MelodyFile(notes, DIVISION, {4, 2})), 1);
        layout = std::make_unique<notation_test::MeasureLayout>(Conductor());
    }
    // Lays the measures out and prepares the notes; each layout's measure
    // count must be the piece's.
    void LayOut(std::vector<int> measuresPerSystem) {
        notation_test::SystemLayout systems;
        systems.measuresPerSystem = std::move(measuresPerSystem);
        systems.measureWidth = 2000;
        systems.systemStep = 3000;
        int count = 0;
        for (int n : systems.measuresPerSystem)
            count += n;
        ASSERT_EQ(layout->Apply(systems), count);
        layout->PrepareNotes();
    }

    ECStaff* Staff() { return static_cast<ECStaff*>(Conductor()->GetTrack(TRACK_STAFF, 1, 0)); }

    // The notes of staff 1 in time order (chord notes lowest first as the
    // chord holds them), with the number of their measure.
    struct PlacedNote {
        ECNote* event;
        DCctNote* display;
        int measure;
    };
    std::vector<PlacedNote> Notes() {
        std::vector<PlacedNote> notes;
        for (int n = 1; n <= Conductor()->GetMaxMeasureNumber(); ++n)
            Collect(Conductor()->GetMeasure(1, n), n, notes);
        return notes;
    }
    // A note's head in page coordinates: its position plus its measure's.
    CPoint PagePoint(const PlacedNote& note) {
        return note.display->GetPosition() + (layout->StaffMeasure(1, note.measure)->GetPosition() - CPoint());
    }

    // The engine's ties on staff 1, in time order.
    std::vector<ECTie*> Ties() {
        std::vector<ECTie*> ties;
        MCEventList* children = Staff()->GetChildren();
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() == ET_TIE)
                ties.push_back(static_cast<ECTie*>(child));
        }
        return ties;
    }

    // A slur over the given notes, made as the slur tool hangs one: under
    // the staff, the notes its children.
    DCctSlur* AddSlur(const std::vector<PlacedNote>& notes) {
        auto* slur = new ECSlur;
        slur->SetTime(notes.front().event->GetTime());
        slur->SetVoiceTrack(0, 1);
        EXPECT_EQ(Staff()->AddChild(slur, SORTED), 1);
        for (const PlacedNote& note : notes)
            slur->AddChild(note.event, SORTED);
        return dynamic_cast<DCctSlur*>(slur->GetData(DK_NOTATION, 1));
    }
    // A tie between two notes, as the engine hangs one.
    DCctTie* AddTie(const PlacedNote& first, const PlacedNote& last) {
        auto* tie = new ECTie;
        tie->SetTime(first.event->GetTime());
        tie->SetVoiceTrack(0, 1);
        EXPECT_EQ(Staff()->AddChild(tie, SORTED), 1);
        tie->AddChild(first.event, SORTED);
        tie->AddChild(last.event, SORTED);
        return dynamic_cast<DCctTie*>(tie->GetData(DK_NOTATION, 1));
    }

    static DCctTie* TieDisplay(ECTie* tie) { return dynamic_cast<DCctTie*>(tie->GetData(DK_NOTATION, 1)); }

    CPoint Left(DCctSplit* span, int piece) {
        CPoint left;
        CPoint right;
        span->GetEndPoints(left, right, piece);
        return left;
    }
    CPoint Right(DCctSplit* span, int piece) {
        CPoint left;
        CPoint right;
        span->GetEndPoints(left, right, piece);
        return right;
    }

    QImage Draw(DCctSplit* span, CRect* clip = nullptr, int width = 1400, int height = 1200) {
        SpanCanvas canvas(width, height);
        drawn = span->Draw(&canvas.dc, CPoint(0, 0), clip);
        return canvas.Copy();
    }

    MusicFontScope font{NOTEHEAD};
    std::unique_ptr<notation_test::MeasureLayout> layout;
    int drawn = 0;
    int h = NOTEHEAD;

private:
    static void Collect(ECBase* event, int measure, std::vector<PlacedNote>& notes) {
        MCEventList* children = event ? event->GetChildren() : nullptr;
        if (!children)
            return;
        for (POSITION pos = children->GetHeadPosition(); pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() == ET_NOTE)
                notes.push_back({static_cast<ECNote*>(child),
                                 dynamic_cast<DCctNote*>(child->GetData(DK_NOTATION, 1)), measure});
            else if (child->GetClassType() == ET_CHORD)
                Collect(child, measure, notes);
        }
    }
};

}  // namespace span_test
