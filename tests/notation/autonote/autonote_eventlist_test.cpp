// Pasted material made ready for notation: the list the view inserts keeps
// the notes the user wrote and loses what the passes derive.
#include "model/groupmarks.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/textmarks.h"
#include "notation/autonote/autonote.h"
#include "tests/notation/autonote/autonote_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using autonote_test::AutonoteTest;

class EventListTest : public AutonoteTest {
protected:
    // A note of a quarter's `length` at a time in quarters, outside any tree.
    static ECNote* Note(float quarters, float length = 1.0f) {
        return new ECNote(MCTime(quarters), MCTime(length));
    }
    static ECBase* With(ECBase* parent, std::vector<ECBase*> children) {
        for (ECBase* child : children)
            parent->AddChild(child, SORTED);
        return parent;
    }
    static std::vector<ECBase*> Contents(MCEventList& list) {
        std::vector<ECBase*> out;
        for (POSITION pos = list.GetHeadPosition(); pos;)
            out.push_back(list.GetNext(pos));
        return out;
    }
    static std::vector<int> ChildTypes(ECBase* element) {
        std::vector<int> types;
        if (MCEventList* children = element->GetChildren())
            for (POSITION pos = children->GetHeadPosition(); pos;)
                types.push_back(children->GetNext(pos)->GetClassType());
        return types;
    }
    // Detached trees hold themselves (a parent and a child reference each
    // other): what the test is left with is taken apart at its end.
    static void Release(MCEventList& list) {
        for (POSITION pos = list.GetHeadPosition(); pos;)
            list.GetNext(pos)->RemoveChildren(1);
    }
    static bool HasParent(ECBase* element) {
        MCEventList* parents = element->GetParents();
        return parents && !parents->IsEmpty();
    }

    CAutoNote engine;
};

TEST_F(EventListTest, AChordZeroLengthNoteBeamAndTieLeaveOnlyTheChordsNotes) {
    ECNote* low = Note(0.0f);
    ECNote* high = Note(0.0f);
    With(low, {new ECAccidental(0), new ECAccent});   // a sharp; an accent the user put there
    ECBase* chord = With(new ECChord, {low, high});
    ECNote* silent = Note(1.0f, 0.0f);
    ECBase* beam = With(new ECBeam, {Note(2.0f, 0.5f), Note(2.5f, 0.5f)});
    ECBase* tie = With(new ECTie, {Note(3.0f), Note(4.0f)});
    ECNote* plain = Note(5.0f);
    With(plain, {new ECDot, new ECAccidental(1), new ECLyric("la")});
    MCEventList pasted;
    for (ECBase* element : {chord, static_cast<ECBase*>(silent), beam, tie, static_cast<ECBase*>(plain)})
        pasted.AddEvent(element, UNSORTED);

    engine.PrepareEventList(pasted);

    EXPECT_EQ(Contents(pasted), (std::vector<ECBase*>{plain, low, high}));
    // The chord's notes stand alone and keep their own marks; dots and
    // accidentals are the passes' to make again.
    EXPECT_FALSE(HasParent(low));
    EXPECT_EQ(ChildTypes(low), std::vector<int>{ET_ACCENT});
    EXPECT_EQ(ChildTypes(plain), std::vector<int>{ET_LYRIC});
    Release(pasted);
}

TEST_F(EventListTest, ATupletKeepsItsNotesThatSoundAndGoesWhenOnlyRestsAreLeft) {
    ECNote* dotted = Note(0.0f, 0.5f);
    With(dotted, {new ECDot});
    ECNote* head = Note(1.0f / 3, 1.0f / 3);
    ECNote* continuation = Note(2.0f / 3, 1.0f / 3);
    auto* tie = new ECTie;   // a tie has its first note's time
    tie->SetTime(head->GetTime());
    With(tie, {head, continuation});
    ECBase* kept = With(new ECTuplet, {dotted, head, continuation});
    ECNote* silent = Note(1.0f, 0.0f);
    ECBase* emptied = With(new ECTuplet, {new ECRest, silent, new ECRest});
    ECBase* rests = With(new ECTuplet, {new ECRest, new ECRest, new ECRest});
    MCEventList pasted;
    for (ECBase* element : {kept, emptied, rests})
        pasted.AddEvent(element, UNSORTED);
    tie->Ref();   // the tie is not pasted: the test holds it

    engine.PrepareEventList(pasted);

    EXPECT_EQ(Contents(pasted), std::vector<ECBase*>{kept});
    // The tied continuation leaves; the notes that begin a sound stay,
    // without dots.
    EXPECT_EQ(ChildTypes(kept), (std::vector<int>{ET_NOTE, ET_NOTE}));
    EXPECT_TRUE(ChildTypes(dotted).empty());
    tie->RemoveChildren(0);
    tie->Unref(1);
    Release(pasted);
}

}  // namespace
