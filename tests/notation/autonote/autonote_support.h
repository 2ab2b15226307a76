// What the engine action tests share: a piece (performance, conductor, one
// or more 4/4 staves) with the notation's display classes registered and a
// plain display element standing in for the classes still to come (notes,
// rests, chords, ties, lyrics, texts ...), and events placed in one call.
#pragma once

#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/measure.h"
#include "model/groupmarks.h"
#include "model/notes.h"
#include "model/plugin.h"
#include "notation/autonote/notatelinks.h"
#include "notation/display/base.h"
#include "notation/display/records.h"
#include "tests/model/piece_support.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/support/durationgate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace autonote_test {

// Registers a display class for some event types while it lives.
class DisplayClasses {
public:
    DisplayClasses(const std::vector<int>& types, const CRuntimeClass* cls) {
        for (int type : types) {
            const CRuntimeClass*& cell = CPluginData::GetDataClass(DK_NOTATION, type);
            m_saved.push_back({&cell, cell});
            cell = cls;
        }
    }
    ~DisplayClasses() {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it)
            *it->first = it->second;
    }
    DisplayClasses(const DisplayClasses&) = delete;
    DisplayClasses& operator=(const DisplayClasses&) = delete;

private:
    std::vector<std::pair<const CRuntimeClass**, const CRuntimeClass*>> m_saved;
};

// The types whose display classes are not part of these tests: a plain
// DCctBase stands in for each.
inline const std::vector<int>& StandInTypes() {
    static const std::vector<int> types = {ET_ACCENT, ET_ACCIDENTAL, ET_CHORD, ET_DOT,   ET_DYNAMIC,
                                           ET_LYRIC,  ET_NOTE,       ET_REST,  ET_TEMPO, ET_TEXT,
                                           ET_TIE,    ET_TUPLET,     ET_FRAME};
    return types;
}

class AutonoteTest : public piece::PieceTest {
protected:
    void SetUp() override {
        PieceTest::SetUp();
        notation_test::StartPlugin();
        m_standIns = std::make_unique<DisplayClasses>(StandInTypes(), RUNTIME_CLASS(DCctBase));
        // Until the note display is here, a note's notated length is its
        // performed one.
        m_savedLinks = GetNotateLinks();
        GetNotateLinks().tickDuration = [](DCBase* display, int) {
            ECBase* owner = display ? display->GetOwner() : nullptr;
            const MCTime* duration = owner ? owner->GetDuration() : nullptr;
            return duration ? static_cast<int>(duration->GetTicks(256)) : -1;
        };
    }
    void TearDown() override {
        GetNotateLinks() = m_savedLinks;
        m_standIns.reset();
        PieceTest::TearDown();
    }

    // Staff `track`'s measure at a time in quarter notes.
    ECMeasure* Bar(int track, float quarters) { return m_conductor->GetMeasure(track, MCTime(quarters), 0, 1); }

    // `event` at a time (quarters) and voice under `parent`, sorted; returned.
    template <class Event>
    Event* Put(ECBase* parent, Event* event, float quarters, int voice = 0) {
        const MCTime time(quarters);
        event->SetTime(&time);
        if (MCVoiceTrack* word = event->GetVoiceTrack())
            word->SetVoice(voice);
        parent->AddChild(event, SORTED);
        return event;
    }
    ECNote* PutNote(ECBase* parent, float quarters, float length = 1.0f, int voice = 0) {
        ECNote* note = Put(parent, new ECNote, quarters, voice);
        const MCTime duration(length);
        note->SetDuration(&duration);
        return note;
    }

    static DCctBase* Display(ECBase* event, int create = 0) {
        return dynamic_cast<DCctBase*>(event->GetData(DK_NOTATION, create));
    }

    std::unique_ptr<DisplayClasses> m_standIns;
    NotateLinks m_savedLinks;
};

}  // namespace autonote_test

namespace autonote_test {

// A tie from `earlier` to `later`, a child of `parent` at the earlier time.
inline ECTie* TieNotes(ECBase* parent, ECNote* earlier, ECNote* later) {
    auto* tie = new ECTie;
    tie->SetTime(earlier->GetTime());
    parent->AddChild(tie, SORTED);
    tie->AddChild(earlier, SORTED);
    tie->AddChild(later, SORTED);
    return tie;
}

// One staff, one bar: three notes at 0, 1 and 2 (the last half a quarter
// long) joined by two ties, and an untied note at 3, a sixteenth long.
class TiedNotesTest : public AutonoteTest {
protected:
    void SetUp() override {
        AutonoteTest::SetUp();
        MakeStaves(1);
        MakeMeasures(1);
        ECMeasure* bar = Bar(1, 0.0f);
        first = PutNote(bar, 0.0f);
        middle = PutNote(bar, 1.0f);
        last = PutNote(bar, 2.0f, 0.5f);
        alone = PutNote(bar, 3.0f, 0.25f);
        firstTie = TieNotes(bar, first, middle);
        secondTie = TieNotes(bar, middle, last);
        for (ECNote* note : {first, middle, last, alone})
            Display(note, 1);   // where the chain's notated end is read
    }
    ECNote *first = nullptr, *middle = nullptr, *last = nullptr, *alone = nullptr;
    ECTie *firstTie = nullptr, *secondTie = nullptr;
};

}  // namespace autonote_test
