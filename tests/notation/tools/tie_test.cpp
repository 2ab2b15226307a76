// Tie chains: the tie at either side of a note, the notes at either end of a
// tie, heads, tails and the span of a chain, and walks that end on chains
// that turn back on themselves.
#include "notation/tools/tie.h"

#include "model/groupmarks.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/notes.h"
#include "notation/display/notate.h"
#include "notation/display/note.h"
#include "tests/notation/autonote/notate_support.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using measure_test::Score;
using notate_test::NotateScope;

// Notes at given quarters in measure 1 of a one-staff score, and ties between
// them (children of the staff, timed at their first note).
class Chain {
public:
    explicit Chain(std::initializer_list<float> times) : Chain(std::vector<float>(times)) {}
    explicit Chain(const std::vector<float>& times) : score(0, 2) {
        for (float t : times) {
            auto* note = new ECNote(MCTime(t), MCTime(1.0f));
            note->SetVoiceTrack(0, 1);
            score.Measure(t < 4 ? 1 : 2)->AddChild(note, SORTED);
            notes.push_back(note);
        }
    }
    // A tie timed at `start`'s note with the notes given as its children.
    ECTie* Tie(int start, std::initializer_list<int> members) {
        auto* tie = new ECTie;
        tie->SetTime(notes[static_cast<size_t>(start)]->GetTime());
        score.staff->AddChild(tie, SORTED);
        for (int i : members)
            tie->AddChild(notes[static_cast<size_t>(i)], SORTED);
        return tie;
    }
    ECNote* operator[](int i) { return notes[static_cast<size_t>(i)]; }

    Score score;
    std::vector<ECNote*> notes;   // held by their measures
};

TEST(TieTest, FindOtherReadsTheFirstAndLastCandidate) {
    Chain chain({0, 1, 2});
    ECNote* event = chain[1];
    struct Case {
        const char* name;
        std::vector<int> candidates;
        ECBase* forward;
        ECBase* backward;
    };
    const Case cases[] = {
        {"none", {}, nullptr, nullptr},
        {"one at the same time", {1}, chain[1], nullptr},
        {"one at another time", {0}, nullptr, chain[0]},
        {"in order", {0, 1, 2}, chain[2], chain[0]},
        {"out of order", {2, 0}, chain[2], chain[0]},
    };
    CTie tie;
    for (const Case& c : cases) {
        MCEventList candidates;
        for (int i : c.candidates)
            candidates.AddEvent(chain[i], UNSORTED);
        EXPECT_EQ(tie.FindOther(event, candidates, TIE_FORWARD), c.forward) << c.name;
        EXPECT_EQ(tie.FindOther(event, candidates, TIE_BACKWARD), c.backward) << c.name;
    }
    MCEventList none;
    EXPECT_EQ(tie.FindOther(nullptr, none, TIE_FORWARD), nullptr);
}

// A - B - C across a barline: every note answers head A and tail C.
TEST(TieTest, AChainOfThreeNotes) {
    Chain chain({2, 3, 4});
    ECTie* first = chain.Tie(0, {0, 1});
    ECTie* second = chain.Tie(1, {1, 2});
    ECNote* a = chain[0];
    ECNote* b = chain[1];
    ECNote* c = chain[2];

    struct Case {
        const char* name;
        ECNote* note;
        ECTie* starts;
        ECTie* ends;
    };
    const Case cases[] = {{"A", a, first, nullptr}, {"B", b, second, first}, {"C", c, nullptr, second}};
    CTie tie;
    for (const Case& k : cases) {
        EXPECT_EQ(tie.FindTieParent(k.note, TIE_FORWARD), k.starts) << k.name;
        EXPECT_EQ(tie.FindTieParent(k.note, TIE_BACKWARD), k.ends) << k.name;
        EXPECT_EQ(tie.GetHeadOfTie(k.note), a) << k.name;
        EXPECT_EQ(tie.GetTailOfTie(k.note), c) << k.name;
    }
    EXPECT_EQ(tie.FindNoteChild(first, TIE_FORWARD), b);
    EXPECT_EQ(tie.FindNoteChild(first, TIE_BACKWARD), a);
    EXPECT_EQ(tie.FindNoteChild(second, TIE_FORWARD), c);
    EXPECT_EQ(tie.FindNoteChild(second, TIE_BACKWARD), b);
    EXPECT_EQ(tie.GetHeadOfTie(first), a);
    EXPECT_EQ(tie.GetHeadOfTie(second), a);
    EXPECT_EQ(tie.FindTieParent(nullptr, TIE_FORWARD), nullptr);
    EXPECT_EQ(tie.FindNoteChild(nullptr, TIE_FORWARD), nullptr);

    // What a collector of tied notes gathers from the middle note: the tie
    // ending there, the tie starting there and the note it leads to; the
    // chain's first note is never taken, having no tie ending at it.
    std::vector<ECBase*> collected;
    if (ECTie* back = tie.FindTieParent(b, TIE_BACKWARD)) {
        collected.push_back(back);
        for (ECNote* n = tie.FindNoteChild(back, TIE_BACKWARD); n;) {
            ECTie* before = tie.FindTieParent(n, TIE_BACKWARD);
            if (!before)
                break;
            collected.push_back(n);
            collected.push_back(before);
            n = tie.FindNoteChild(before, TIE_BACKWARD);
        }
        collected.insert(collected.begin(), b);
    }
    for (ECTie* t = tie.FindTieParent(b, TIE_FORWARD); t;) {
        collected.push_back(t);
        ECNote* n = tie.FindNoteChild(t, TIE_FORWARD);
        if (!n)
            break;
        collected.push_back(n);
        t = tie.FindTieParent(n, TIE_FORWARD);
    }
    EXPECT_EQ(collected, (std::vector<ECBase*>{b, first, second, c}));
}

// Where a note starting at a time joins the chain A(2) - B(3) - C(4).
TEST(TieTest, TheTailBeforeATime) {
    Chain chain({2, 3, 4});
    chain.Tie(0, {0, 1});
    chain.Tie(1, {1, 2});
    const struct {
        int from;
        float time;
        int tail;
    } cases[] = {
        {0, 2.5f, 0}, {0, 3.0f, 0},   // B does not start before 3
        {0, 3.5f, 1}, {0, 9.0f, 2}, {1, 3.5f, 1}, {1, 1.0f, 1},   // never behind the note itself
        {2, 9.0f, 2},
    };
    CTie tie;
    for (const auto& c : cases)
        EXPECT_EQ(tie.GetTailBefore(chain[c.from], MCTime(c.time)), chain[c.tail]) << c.from << " " << c.time;
    EXPECT_EQ(tie.GetTailBefore(nullptr, MCTime(9.0f)), nullptr);
}

TEST(TieTest, RangeRunsFromTheHeadToTheEndOfTheTail) {
    NotateScope scope;
    Chain chain({1, 2, 3, 5});
    chain.Tie(0, {0, 1});
    chain.Tie(1, {1, 2});
    NotateScope::Display(chain[2])->tickDuration = 128;   // an eighth
    NotateScope::Display(chain[3])->tickDuration = 512;

    struct Case {
        const char* name;
        ECNote* note;
        float start, end;
    };
    const Case cases[] = {
        {"the head", chain[0], 1, 3.5f},
        {"the middle", chain[1], 1, 3.5f},
        {"the tail", chain[2], 1, 3.5f},
        {"an untied note", chain[3], 5, 7},
    };
    CTie tie;
    for (const Case& c : cases) {
        MCTime start(-7), end(-7);
        tie.GetTieRange(c.note, start, end);
        EXPECT_EQ(start, MCTime(c.start)) << c.name;
        EXPECT_EQ(end, MCTime(c.end)) << c.name;
    }
    // Nothing to read: both stay as they were.
    MCTime start(-7), end(-7);
    tie.GetTieRange(nullptr, start, end);
    EXPECT_EQ(start, MCTime(-7));
    EXPECT_EQ(end, MCTime(-7));
}

// Without links the tail's own note display gives the notated duration.
TEST(TieTest, RangeReadsTheNoteDisplay) {
    measure_test::RegistryCell notes(ET_NOTE, RUNTIME_CLASS(DCctNote));
    Chain chain({1, 2});
    chain.Tie(0, {0, 1});
    auto* tail = dynamic_cast<DCctNotate*>(chain[1]->GetData(DK_NOTATION, 1));
    ASSERT_NE(tail, nullptr);
    tail->SetTickDuration(384);   // a dotted quarter
    CTie tie;
    MCTime start, end;
    tie.GetTieRange(chain[0], start, end);
    EXPECT_EQ(start, MCTime(1));
    EXPECT_EQ(end, MCTime(3.5f));
}

TEST(TieTest, HeadsAndTailsOfBrokenChains) {
    // A tie whose only note is its start note.
    {
        Chain chain({0, 1});
        ECTie* lone = chain.Tie(0, {0});
        CTie tie;
        EXPECT_EQ(tie.GetTailOfTie(chain[0]), chain[0]);
        EXPECT_EQ(tie.GetHeadOfTie(chain[0]), chain[0]);
        // One note at the tie's own time reads as its later end: no start note.
        EXPECT_EQ(tie.GetHeadOfTie(lone), nullptr);
    }
    // A tie whose start note is not at the tie's time has no head.
    {
        Chain chain({0, 1});
        ECTie* late = chain.Tie(1, {0, 1});
        CTie tie;
        EXPECT_EQ(tie.GetHeadOfTie(late), nullptr);
    }
    // A - B - C with a tie from C back to A: the walks end at a note met before.
    {
        Chain chain({0, 1, 2});
        chain.Tie(0, {0, 1});
        chain.Tie(1, {1, 2});
        chain.Tie(2, {2, 0});
        CTie tie;
        EXPECT_EQ(tie.GetTailOfTie(chain[0]), chain[2]);
        EXPECT_EQ(tie.GetTailOfTie(chain[2]), chain[2]);
        EXPECT_EQ(tie.GetHeadOfTie(chain[1]), chain[0]);
    }
}

// GetNext crosses one tie; GetTiePartners lists the chain after its head,
// from whichever member it is asked.
TEST(TieTest, NextNotesAndPartnersOfAChain) {
    Chain chain({0, 1, 2, 3});
    chain.Tie(0, {0, 1});
    chain.Tie(1, {1, 2});
    ECNote* a = chain[0];
    ECNote* b = chain[1];
    ECNote* c = chain[2];
    ECNote* alone = chain[3];
    const struct {
        const char* name;
        ECNote* note;
        ECNote* forward;
        ECNote* backward;
    } cases[] = {
        {"A", a, b, nullptr}, {"B", b, c, a}, {"C", c, nullptr, b}, {"untied", alone, nullptr, nullptr},
    };
    for (const auto& k : cases) {
        CTie tie;
        EXPECT_EQ(tie.GetNext(k.note, TIE_FORWARD), k.forward) << k.name;
        EXPECT_EQ(tie.GetNext(k.note, TIE_BACKWARD), k.backward) << k.name;
        CTie partners;
        MCEventList& list = partners.GetTiePartners(k.note);
        EXPECT_EQ(&list, &partners);
        std::vector<ECBase*> got;
        for (POSITION pos = list.GetHeadPosition(); pos;)
            got.push_back(list.GetNext(pos));
        EXPECT_EQ(got, k.note == alone ? std::vector<ECBase*>{} : (std::vector<ECBase*>{b, c})) << k.name;
    }
    CTie tie;
    EXPECT_EQ(tie.GetNext(nullptr, TIE_FORWARD), nullptr);
    EXPECT_EQ(tie.GetTiePartners(nullptr).GetCount(), 0);
}

// A tie whose only note is its start note, and a chain tied back to its
// head: the partners' walk ends at a note it has met.
TEST(TieTest, PartnersOfBrokenChainsEnd) {
    {
        Chain chain({0, 1});
        chain.Tie(0, {0});
        CTie tie;
        EXPECT_EQ(tie.GetTiePartners(chain[0]).GetCount(), 0);
    }
    {
        Chain chain({0, 1, 2});
        chain.Tie(0, {0, 1});
        chain.Tie(1, {1, 2});
        chain.Tie(2, {2, 0});
        CTie tie;
        MCEventList& list = tie.GetTiePartners(chain[1]);
        std::set<ECBase*> distinct;
        for (POSITION pos = list.GetHeadPosition(); pos;)
            distinct.insert(list.GetNext(pos));
        EXPECT_GE(list.GetCount(), 1);
        EXPECT_EQ(static_cast<size_t>(list.GetCount()), distinct.size());
    }
}

// The ties of a measure (4/4, four quarters a measure): the heads of their
// chains, and the ties across its closing barline.
TEST(TieTest, TiesOfAMeasure) {
    auto* meter = new ECMeter(4, 4, 0);
    meter->Ref();
    struct Case {
        const char* name;
        std::vector<float> notes;                 // quarters; measure 2 from 4
        std::vector<std::vector<int>> ties;       // each timed at its first note
        std::vector<int> heads1, heads2;          // GetTies of measures 1 and 2: notes
        std::vector<int> over1, over2;            // GetTiesOverBarline: ties
    };
    const Case cases[] = {
        {"two ties of one chain", {1, 2, 3}, {{0, 1}, {1, 2}}, {0}, {}, {}, {}},
        {"two chains", {0, 1, 2, 3}, {{0, 1}, {2, 3}}, {0, 2}, {}, {}, {}},
        {"over barline 1|2", {3, 4}, {{0, 1}}, {0}, {}, {0}, {}},
        {"a chain from measure 1 on into measure 2", {2, 3, 4, 5}, {{0, 1}, {1, 2}, {2, 3}}, {0}, {0}, {1}, {}},
        // Both ends of the span count: a tie on measure 2's first beat is
        // measure 1's too, though it crosses no barline of measure 1.
        {"on the barline", {4, 5}, {{0, 1}}, {0}, {0}, {}, {}},
        {"untied notes", {1, 2}, {}, {}, {}, {}, {}},
    };
    for (const Case& c : cases) {
        Chain chain(c.notes);
        std::vector<ECTie*> ties;
        for (const auto& members : c.ties) {
            auto* tie = new ECTie;
            tie->SetTime(chain[members.front()]->GetTime());
            chain.score.staff->AddChild(tie, SORTED);
            for (int i : members)
                tie->AddChild(chain[i], SORTED);
            ties.push_back(tie);
        }
        const auto listed = [](MCEventList& list) {
            std::vector<ECBase*> got;
            for (POSITION pos = list.GetHeadPosition(); pos;)
                got.push_back(list.GetNext(pos));
            return got;
        };
        const auto notes = [&](const std::vector<int>& indexes) {
            std::vector<ECBase*> want;
            for (int i : indexes)
                want.push_back(chain[i]);
            return want;
        };
        const auto tiesOf = [&](const std::vector<int>& indexes) {
            std::vector<ECBase*> want;
            for (int i : indexes)
                want.push_back(ties[static_cast<size_t>(i)]);
            return want;
        };
        CTie heads1, heads2, over1, over2;
        EXPECT_EQ(listed(heads1.GetTies(chain.score.Measure(1), meter)), notes(c.heads1)) << c.name;
        EXPECT_EQ(listed(heads2.GetTies(chain.score.Measure(2), meter)), notes(c.heads2)) << c.name;
        EXPECT_EQ(listed(over1.GetTiesOverBarline(chain.score.Measure(1), meter)), tiesOf(c.over1)) << c.name;
        EXPECT_EQ(listed(over2.GetTiesOverBarline(chain.score.Measure(2), meter)), tiesOf(c.over2)) << c.name;
    }
    // Nothing to look in.
    Chain chain({1});
    auto* loose = new ECMeasure;
    loose->Ref();
    CTie tie;
    EXPECT_EQ(tie.GetTies(nullptr, meter).GetCount(), 0);
    EXPECT_EQ(tie.GetTies(chain.score.Measure(1), nullptr).GetCount(), 0);
    EXPECT_EQ(tie.GetTiesOverBarline(loose, meter).GetCount(), 0);
    loose->Unref(1);
    meter->Unref(1);
}

}  // namespace
