// A laid-out melody for the view-action tests: four bars of quarters on one
// staff, the last note of bar 2 held into bar 3 (a tied pair), notated by the
// engine, laid out two bars a system (measurelayout.h) and sized as
// pagination sizes it. The music font at a notehead of NOTEHEAD units.
#pragma once

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/notes.h"
#include "notation/display/base.h"
#include "notation/display/note.h"
#include "notation/view/layoutactions.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/support/measurelayout.h"
#include "tests/notation/support/melody.h"
#include "tests/notation/support/notation_fixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace view_test {

inline constexpr int DIVISION = 256;
inline constexpr int QUARTER = DIVISION;
inline constexpr int MEASURES = 4;
inline constexpr int NOTEHEAD = 120;   // a staff space, logical units

inline std::vector<ECBase*> Members(MCEventList& list) {
    std::vector<ECBase*> out;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        out.push_back(list.GetNext(pos));
    return out;
}

class LaidOutMelody : public notation_test::NotationFixture {
protected:
    void SetUp() override {
        std::vector<notation_test::PlayedNote> notes;
        for (int beat = 0; beat < 4 * MEASURES; ++beat) {
            if (beat == 8)
                continue;   // held over from beat 7
            notes.push_back({60 + beat % 7, beat * QUARTER, beat == 7 ? 2 * QUARTER : QUARTER});
        }
        ASSERT_EQ(LoadMidi(notation_test::MelodyFile(notes, DIVISION, {4, 2})), 1);
        ASSERT_GE(Conductor()->GetMaxMeasureNumber(), MEASURES);
        layout = std::make_unique<notation_test::MeasureLayout>(Conductor());
        notation_test::SystemLayout systems;
        systems.measuresPerSystem = {2, 2};
        ASSERT_EQ(layout->Apply(systems), MEASURES);
        layout->PrepareNotes();
        ACSetSize size;   // what pagination sizes before it searches
        size.Apply(Conductor());
    }

    // The notes of a staff-1 measure, in order.
    std::vector<ECNote*> NotesOf(int measure) {
        ACFindEvents find;
        find.AddEvtType(ET_NOTE);
        find.Apply(Conductor()->GetMeasure(1, measure));
        std::vector<ECNote*> out;
        for (ECBase* e : Members(find.GetEvents()))
            out.push_back(static_cast<ECNote*>(e));
        return out;
    }
    static CRect FrameOf(ECBase* event) {
        CRect frame;
        NotationDisplayOf(event)->GetVirtualFrame(&frame, 0);
        frame.NormalizeRect();
        return frame;
    }
    // The middle of a note's head in view coordinates: notes are hit by
    // their heads.
    static CPoint HeadOf(ECBase* event) {
        auto* note = dynamic_cast<DCctNote*>(NotationDisplayOf(event));
        CRect head;
        note->GetNoteheadFrame(&head);
        const CSize parent = note->GetVirtualPosition() - note->GetPosition();
        return CPoint((head.left + head.right) / 2 + parent.cx, (head.top + head.bottom) / 2 + parent.cy);
    }

    MusicFontScope font{NOTEHEAD};
    std::unique_ptr<notation_test::MeasureLayout> layout;
};

}  // namespace view_test
