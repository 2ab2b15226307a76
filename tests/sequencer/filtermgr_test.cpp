// The filter chain and the performer walks: the one preference filter shared
// by every manager, the order of the lists and where the chain stops,
// disabled filters, the filters of the markings below an event (later ones
// first), a filter that leaves the list running it, the global list; the
// channel mask of a staff, the first event past a track's set-up, and
// unthreading performers from a sequence's list.
#include "sequencer/filtermgr.h"

#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/event.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/midievents.h"
#include "model/modifiers.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/plugin.h"
#include "model/staff.h"
#include "model/textmarks.h"
#include "platform/core/clock.h"
#include "platform/core/trace.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "sequencer/midimessage.h"
#include "sequencer/performeractions.h"
#include "sequencer/performers.h"
#include "sequencer/sequence.h"
#include "sequencer/staffperformer.h"
#include "sequencer/trackperformer.h"
#include "tests/sequencer/midifilters_test.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace filtertest;

// A filter that writes its name into a log when it runs, and then empties the
// vector or puts a message back into it when told to.
class LogFilter : public LCMidiFilter {
public:
    enum Action { NOTHING, EMPTY, REFILL };
    LogFilter(std::vector<std::string>& log, std::string name, Action action = NOTHING)
        : m_log(log), m_name(std::move(name)), m_action(action)
    {
    }
    void Process(MCMidiMsgVector& messages) override
    {
        m_log.push_back(m_name);
        if (m_action == EMPTY)
            messages.RemoveAll();
        else if (m_action == REFILL)
            messages.Add(Message(0.0f, 0x90, 60, 100));
    }

private:
    std::vector<std::string>& m_log;
    std::string m_name;
    Action m_action;
};

// Events the test holds, released at the end after their links are cut.
class Held {
public:
    Held() = default;
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held()
    {
        for (ECBase* event : m_events)
            event->RemoveChildren(0);
        for (ECBase* event : m_events)
            event->Unref(1);
    }
    template <class T>
    T* operator()(T* event)
    {
        event->Ref();
        m_events.push_back(event);
        return event;
    }

private:
    std::vector<ECBase*> m_events;
};

// The performers are made by the data registry.
class PerformerWalks : public ::testing::Test {
protected:
    void SetUp() override { RegisterPerformers(); }

    template <class Performer>
    static Performer* PerformerOf(ECBase* event)
    {
        auto* performer = DYNAMIC_DOWNCAST(Performer, DCsqBase::GetPerformer(event, 1));
        EXPECT_NE(performer, nullptr);
        return performer;
    }

    // The event, with its performer made.
    template <class Event>
    static Event* Performed(Event* event)
    {
        EXPECT_NE(DCsqBase::GetPerformer(event, 1), nullptr);
        return event;
    }

    // An event of the class at a time, under a parent.
    template <class Event>
    Event* Child(ECBase* parent, float time, Event* event)
    {
        const MCTime at(time);
        event->SetTime(&at);
        parent->AddChild(event, SORTED);
        return event;
    }

    Held m_held;
};

// ---- the preference filter ------------------------------------------------------

TEST(CPerfFilterMgr, OnePreferenceFilterServesEveryManagerWhileOneLives)
{
    LCMidiPrefs* prefs = CPerfFilterMgr::GetPrefsFilter();
    struct Unblock {
        LCMidiPrefs* prefs;
        ~Unblock() { prefs->BlockMessageType(LCMidiPrefs::MT_NOTES, 0); }
    } unblock{prefs};

    const int before = CPerfFilterMgr::GetRefCount();
    {
        CPerfFilterMgr first;
        CPerfFilterMgr second;
        EXPECT_EQ(CPerfFilterMgr::GetRefCount(), before + 2);
        EXPECT_EQ(CPerfFilterMgr::GetPrefsFilter(), prefs);
        // Set once, seen by every document's chain.
        prefs->BlockMessageType(LCMidiPrefs::MT_NOTES, 1);
        for (CPerfFilterMgr* manager : {&first, &second}) {
            MCMidiMsgVector messages;
            messages.Add(Message(0.0f, 0x90, 60, 100));
            messages.Add(Message(0.0f, 0xC0, 5, 0));
            manager->FilterData(nullptr, messages);
            ASSERT_EQ(messages.GetSize(), 1);
            EXPECT_EQ(messages.GetAt(0)->m_noteOn.GetStatusByte(), 0xC0);
        }
    }
    EXPECT_EQ(CPerfFilterMgr::GetRefCount(), before);
    // A manager made after all had gone puts the filter back into its list.
    CPerfFilterMgr again;
    MCMidiMsgVector messages;
    messages.Add(Message(0.0f, 0x90, 60, 100));
    again.FilterData(nullptr, messages);
    EXPECT_EQ(messages.GetSize(), 0);
}

// ---- the chain ---------------------------------------------------------------------

TEST(CPerfFilterMgr, AListRunsWholeAndAnEmptyVectorAfterItEndsTheChain)
{
    std::vector<std::string> log;
    CPerfFilterMgr manager;
    LogFilter empties(log, "empties", LogFilter::EMPTY);
    LogFilter disabled(log, "disabled", LogFilter::REFILL);
    disabled.SetEnabled(0);
    LogFilter second(log, "second");
    manager.AddGlobalFilter(&empties);
    manager.AddGlobalFilter(&disabled);
    manager.AddGlobalFilter(&second);

    MCMidiMsgVector messages;
    messages.Add(Message(0.0f, 0x90, 60, 100));
    manager.FilterData(nullptr, messages);
    // The filter after the one that emptied the vector still ran; the
    // disabled one did not put a message back.
    EXPECT_EQ(log, (std::vector<std::string>{"empties", "second"}));
    EXPECT_EQ(messages.GetSize(), 0);

    // A list that ends with messages lets the chain go on: the preference
    // filter at its end sees the message put back.
    LogFilter refills(log, "refills", LogFilter::REFILL);
    manager.AddGlobalFilter(&refills);
    CPerfFilterMgr::GetPrefsFilter()->BlockMessageType(LCMidiPrefs::MT_PROGRAM, 1);
    log.clear();
    messages.Add(Message(0.0f, 0xC0, 1, 0));
    manager.FilterData(nullptr, messages);
    CPerfFilterMgr::GetPrefsFilter()->BlockMessageType(LCMidiPrefs::MT_PROGRAM, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"empties", "second", "refills"}));
    ASSERT_EQ(messages.GetSize(), 1);
    EXPECT_EQ(messages.GetAt(0)->m_noteOn.GetStatusByte(), 0x90);
}

TEST(CPerfFilterMgr, AFilterLeavingTheListThatRunsItLeavesAfterTheWalk)
{
    std::vector<std::string> log;
    CPerfFilterMgr manager;
    LCMidiTranspose octave;   // a mark's transposition over quarters 4 to 8
    octave.SetTransposition(12);
    octave.SetBeginTime(4.0f);
    octave.SetEndTime(8.0f);
    LogFilter after(log, "after");
    manager.AddGlobalFilter(&octave);
    manager.AddGlobalFilter(&after);
    EXPECT_EQ(octave.GetOwnerList(), &manager.GetGlobalFilters());

    // Inside its span it plays and stays.
    MCMidiMsgVector messages;
    messages.Add(Message(5.0f, 0x90, 60, 100));
    manager.FilterData(nullptr, messages);
    EXPECT_EQ(messages.GetAt(0)->m_noteOn.GetDataByte1(), 72);
    EXPECT_EQ(manager.GetGlobalFilters().GetCount(), 2);

    // Past it the filter takes itself out; the filter behind it in the same
    // walk still runs, once.
    messages.RemoveAll();
    messages.Add(Message(9.0f, 0x90, 60, 100));
    log.clear();
    manager.FilterData(nullptr, messages);
    EXPECT_EQ(messages.GetAt(0)->m_noteOn.GetDataByte1(), 60);
    EXPECT_EQ(log, (std::vector<std::string>{"after"}));
    EXPECT_EQ(manager.GetGlobalFilters().GetFilters(), (std::vector<LCMidiFilter*>{&after}));
    EXPECT_EQ(octave.GetOwnerList(), nullptr);
}

TEST(CPerfFilterMgr, GlobalFiltersAreBorrowed)
{
    std::vector<std::string> log;
    CPerfFilterMgr manager;
    auto* filter = new LogFilter(log, "global");
    manager.AddGlobalFilter(filter);
    manager.AddGlobalFilter(filter);   // once
    EXPECT_EQ(manager.GetGlobalFilters().GetCount(), 1);
    EXPECT_EQ(filter->GetKeeper(), nullptr);

    // Removing one that is not there only traces.
    LogFilter stranger(log, "stranger");
    {
        CTraceCapture traces;
        manager.RemoveGlobalFilter(&stranger);
        EXPECT_NE(traces.GetText().find("CPerfFilterMgr::RemoveGlobalFilter -- Filter not found"), std::string::npos);
    }
    // Its owner deletes it; it leaves the list by itself.
    delete filter;
    EXPECT_EQ(manager.GetGlobalFilters().GetCount(), 0);

    // Detaching empties the list without deleting.
    manager.AddGlobalFilter(&stranger);
    manager.Detach();
    EXPECT_EQ(manager.GetGlobalFilters().GetCount(), 0);
    EXPECT_EQ(stranger.GetOwnerList(), nullptr);
}

TEST_F(PerformerWalks, TheMarkingsBelowAnEventAddTheirFiltersLaterOnesFirst)
{
    std::vector<std::string> log;
    auto* note = m_held(new ECNote(MCTime(0.0f), MCTime(1.0f)));
    PerformerOf<DCsqNote>(note)->SetNoteOnData(Word(0x90, 60, 100));
    auto* first = new ECAccent(1);   // velocity x 1.8
    auto* second = new ECAccent(0);
    note->AddChild(first, UNSORTED);
    note->AddChild(second, UNSORTED);
    auto* firstPerformer = PerformerOf<DCsqAccent>(first);
    auto* secondPerformer = PerformerOf<DCsqAccent>(second);
    firstPerformer->AddFilter(new LogFilter(log, "first"));
    secondPerformer->AddFilter(new LogFilter(log, "second"));
    auto* off = new LogFilter(log, "disabled");
    off->SetEnabled(0);
    secondPerformer->AddFilter(off);

    CPerfFilterMgr manager;
    MCMidiMsgVector messages;
    messages.Add(Message(0.0f, 0x90, 60, 50));
    manager.FilterData(note, messages);
    EXPECT_EQ(log, (std::vector<std::string>{"second", "first"}));
    EXPECT_EQ(messages.GetAt(0)->m_noteOn.GetDataByte2(), 90);   // the first accent's filter

    // The gathering borrowed the filters: they live on with their accents.
    EXPECT_EQ(firstPerformer->GetFilters()->GetCount(), 2);
    EXPECT_EQ(firstPerformer->GetAccentFilter()->GetKeeper(), firstPerformer->GetFilters());
}

// ---- the performer walks -------------------------------------------------------------

TEST_F(PerformerWalks, ChannelContentIsTheMaskOfTheChannelsAStaffSendsOn)
{
    auto* staff = m_held(new ECStaff);
    auto* measure = Child(staff, 0.0f, new ECMeasure);
    PerformerOf<DCsqNote>(Child(measure, 0.0f, new ECNote(MCTime(0.0f), MCTime(1.0f))))
        ->SetNoteOnData(Word(0x92, 60, 100));
    PerformerOf<DCsqMidi>(Child(measure, 1.0f, new ECControlChange))->SetMidiData(Word(0xB5, 1, 10));
    PerformerOf<DCsqProgram>(Child(measure, 1.0f, new ECProgramChange))->SetMidiData(Word(0xC5, 3, 0));
    PerformerOf<DCsqBankMSB>(Child(staff, 0.0f, new ECBankMSB))->SetMidiData(Word(0xB0, 0, 1));
    // A system message and a dynamic that does not use volume name no channel.
    PerformerOf<DCsqSysMsg>(Child(measure, 2.0f, new ECSystemMessage(0)))->SetMidiData(Word(0xFA, 0, 0));
    auto* quiet = PerformerOf<DCsqDynamic>(Child(measure, 2.0f, new ECDynamic(3, MCTime(0.0f))));
    quiet->SetMidiData(Word(0xB7, 7, 40));
    quiet->UseVolume(0);
    PerformerOf<DCsqDynamic>(Child(measure, 3.0f, new ECDynamic(5, MCTime(0.0f))))->SetMidiData(Word(0xB9, 7, 71));
    // Below the measures' events the walk of depth 2 does not go.
    auto* chord = Child(measure, 4.0f, new ECChord);
    PerformerOf<DCsqNote>(Child(chord, 4.0f, new ECNote(MCTime(4.0f), MCTime(1.0f))))
        ->SetNoteOnData(Word(0x9F, 60, 100));

    ACChannelContent content;
    content.SetDepth(2);
    content.Apply(staff);
    EXPECT_EQ(content.GetChannelContent(), (1u << 0) | (1u << 2) | (1u << 5) | (1u << 9));
}

TEST_F(PerformerWalks, TheFirstNonPrologueEventPassesOverTheFirstOfEachSetUpKind)
{
    auto* staff = m_held(new ECStaff);
    Performed(Child(staff, 0.0f, new ECText));   // the staff's name
    Performed(Child(staff, 0.0f, new ECBankMSB));
    Performed(Child(staff, 0.0f, new ECProgramChange));
    auto* measure = Child(staff, 0.0f, new ECMeasure);   // no performer: passed over
    auto* secondProgram = Performed(Child(measure, 0.0f, new ECProgramChange));
    auto* controller = Performed(Child(measure, 1.0f, new ECControlChange));
    Performed(Child(measure, 2.0f, new ECNote(MCTime(2.0f), MCTime(1.0f))));

    const struct {
        std::vector<int> nonPrologue;
        ECBase* expected;
    } cases[] = {
        {{DT_MIDI, DT_NOTE}, controller},
        // A second program change is music when programs count as music.
        {{DT_PROGRAM, DT_NOTE}, secondProgram},
        {{DT_TEXT}, nullptr},   // the only text is the name
    };
    for (const auto& c : cases) {
        ACFindNonPrologueEvent find;
        for (int type : {DT_TEXT, DT_DYNAMIC, DT_BANKMSB, DT_BANKLSB, DT_PROGRAM})
            find.AddPrologueType(type);
        for (int type : c.nonPrologue)
            find.AddNonPrologueType(type);
        find.SetDepth(2);
        find.Apply(staff);
        EXPECT_EQ(find.GetEvent(), c.expected);
    }
}

TEST_F(PerformerWalks, RemovingPerformersJoinsTheirNeighboursAndMovesTheCursors)
{
    // Five performers threaded p0 <-> p1 <-> p2 <-> p3 <-> p4.
    std::vector<ECNote*> notes;
    std::vector<DCsqBase*> p;
    for (int i = 0; i < 5; ++i) {
        notes.push_back(m_held(new ECNote(MCTime(static_cast<float>(i)), MCTime(1.0f))));
        p.push_back(DCsqBase::GetPerformer(notes.back(), 1));
    }
    for (int i = 0; i < 5; ++i) {
        p[i]->SetPrev(i > 0 ? p[i - 1] : nullptr);
        p[i]->SetNext(i < 4 ? p[i + 1] : nullptr);
    }
    CSequence sequence;
    sequence.SetHead(p[0]);
    sequence.SetTail(p[4]);
    sequence.SetPlayPosition(p[2]);
    sequence.SetRecordPosition(p[0]);
    const auto links = [&] {
        std::vector<DCsqBase*> forward;
        for (DCsqBase* at = sequence.GetHead(); at; at = at->GetNext())
            forward.push_back(at);
        std::vector<DCsqBase*> backward;
        for (DCsqBase* at = sequence.GetTail(); at; at = at->GetPrev())
            backward.insert(backward.begin(), at);
        EXPECT_EQ(forward, backward);
        return forward;
    };

    ACRemoveData remove(&sequence);
    const struct {
        int removed;
        std::vector<int> left;
        int play, record;   // -1: none
    } steps[] = {
        {2, {0, 1, 3, 4}, 1, 0},   // the play position goes to the one before
        {0, {1, 3, 4}, 1, 1},      // the head and a cursor on it go to the one after
        {4, {1, 3}, 1, 1},         // the tail goes to the one before
        {1, {3}, 3, 3},
        {3, {}, -1, -1},           // the only performer: nothing is left
    };
    for (const auto& step : steps) {
        remove.Apply(notes[static_cast<size_t>(step.removed)]);
        std::vector<DCsqBase*> expected;
        for (int i : step.left)
            expected.push_back(p[static_cast<size_t>(i)]);
        EXPECT_EQ(links(), expected) << step.removed;
        EXPECT_EQ(p[static_cast<size_t>(step.removed)]->GetPrev(), nullptr);
        EXPECT_EQ(p[static_cast<size_t>(step.removed)]->GetNext(), nullptr);
        EXPECT_EQ(sequence.GetPlayPosition(), step.play < 0 ? nullptr : p[static_cast<size_t>(step.play)]);
        EXPECT_EQ(sequence.GetRecordPosition(), step.record < 0 ? nullptr : p[static_cast<size_t>(step.record)]);
    }
    EXPECT_EQ(sequence.GetHead(), nullptr);
    EXPECT_EQ(sequence.GetTail(), nullptr);

    // Without a sequence only the links change; an event without a performer
    // changes nothing.
    p[0]->SetNext(p[1]);
    p[1]->SetPrev(p[0]);
    ACRemoveData unlink(nullptr);
    unlink.Apply(m_held(new ECMeasure));
    EXPECT_EQ(p[0]->GetNext(), p[1]);
    unlink.Apply(notes[1]);
    EXPECT_EQ(p[0]->GetNext(), nullptr);
}

// ---- mute and solo ----------------------------------------------------------------------

// A piece with its sequence attached, on the capture backend: staves made by
// command, so that the sequence gives each its performer and set-up.
class FilterChainOnAPiece : public ::testing::Test {
protected:
    FilterChainOnAPiece()
    {
        auto backend = std::make_unique<CCaptureBackend>();
        m_portavel = std::make_unique<CPortavel>(std::move(backend));
        m_portavel->Initialize(1);
        m_portavel->EnableDevice(PV_MIDI, PV_OUTPUT, PV_ALL_DEVICES, 1);
        m_portavel->OpenDevices();
        m_portavel->StartDevices();
        RegisterPerformers();
        m_performance = new ECPerformance;
        m_performance->Ref();
        m_conductor = new ECConductor;
        m_performance->AddChild(m_conductor, SORTED);
        sequence = std::make_unique<CSequence>();
        sequence->Attach(m_performance);
    }
    ~FilterChainOnAPiece() override
    {
        sequence->StopSequences();
        sequence->Detach();
        sequence.reset();
        m_performance->RemoveChildren(1);
        m_performance->Unref(1);
    }

    void MakeStaves(int count)
    {
        m_conductor->GetMaxTrackNumber(TRACK_STAFF);   // the conductor staff comes first
        auto* add = new CCAddTrack;
        add->AddMidiTrack(0, count);
        add->SetSynchronous(1);
        ASSERT_EQ(add->Apply(m_performance), 1);
    }
    DCsqStaff* StaffPerformer(int number)
    {
        return static_cast<DCsqStaff*>(
            DCsqTrack::GetTrackData(static_cast<unsigned>(number), TT_STAFF, sequence.get()));
    }

    // A note on a track with an accent whose filter logs and puts a message
    // back (so a silenced note would sound again were the markings asked).
    ECNote* NoteOn(int track)
    {
        auto* note = m_held(new ECNote(MCTime(0.0f), MCTime(1.0f)));
        note->SetVoiceTrack(0, track);
        auto* accent = new ECAccent(12);
        note->AddChild(accent, UNSORTED);
        auto* performer = DYNAMIC_DOWNCAST(DCsqAccent, DCsqBase::GetPerformer(accent, 1));
        EXPECT_NE(performer, nullptr);
        performer->AddFilter(new LogFilter(m_log, "accent " + std::to_string(track), LogFilter::REFILL));
        return note;
    }
    // What the sequence's chain leaves of one note-on.
    int Played(ECNote* note)
    {
        MCMidiMsgVector messages;
        messages.Add(Message(0.0f, 0x90, 60, 100, 0, note->GetVoiceTrack()->GetTrack()));
        sequence->GetPerfFilterMgr()->FilterData(note, messages);
        return messages.GetSize();
    }
    std::vector<std::string> TakeLog() { return std::exchange(m_log, {}); }

    CManualClock m_clock{1000};   // made first, gone last
    std::unique_ptr<CPortavel> m_portavel;
    ECPerformance* m_performance = nullptr;   // referenced by the test
    ECConductor* m_conductor = nullptr;       // held by the performance
    std::unique_ptr<CSequence> sequence;
    Held m_held;
    std::vector<std::string> m_log;
};

TEST_F(FilterChainOnAPiece, MuteAndSoloSilenceATrackBeforeAnyFilterRuns)
{
    MakeStaves(2);
    ECNote* first = NoteOn(1);
    ECNote* second = NoteOn(2);
    ECNote* nowhere = NoteOn(9);   // a track without a staff
    EXPECT_EQ(Played(first), 2);   // the note and the accent's message
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"accent 1"}));

    StaffPerformer(1)->UpdateMuteState(1, 1, sequence.get());
    EXPECT_EQ(Played(first), 0);
    EXPECT_EQ(TakeLog(), std::vector<std::string>{});   // not even the markings' filters ran
    EXPECT_EQ(Played(second), 2);
    EXPECT_EQ(Played(nowhere), 2);   // no staff to silence it
    TakeLog();

    // A file writer that wants every track plays the muted one too.
    sequence->GetPerfFilterMgr()->SetIgnoreMute(1);
    EXPECT_EQ(Played(first), 2);
    sequence->GetPerfFilterMgr()->SetIgnoreMute(0);

    // Solo: only soloed tracks sound.
    StaffPerformer(1)->UpdateMuteState(1, 0, sequence.get());
    StaffPerformer(2)->UpdateSoloState(2, 1, sequence.get());
    TakeLog();
    EXPECT_EQ(Played(first), 0);
    EXPECT_EQ(Played(second), 2);
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"accent 2"}));
}

TEST_F(FilterChainOnAPiece, TheStaffsFiltersRunBetweenTheGlobalAndTheMarkingsFilters)
{
    MakeStaves(1);
    ECNote* note = NoteOn(1);
    DCsqStaff* staff = StaffPerformer(1);
    staff->SetTransposition(12);
    staff->GetVoiceMapFilter()->SetVoiceDevChan(0, 1, 4);

    MCMidiMsgVector messages;
    messages.Add(Message(0.0f, 0x90, 60, 100, 0, 1));
    sequence->GetPerfFilterMgr()->FilterData(note, messages);
    ASSERT_EQ(messages.GetSize(), 2);
    // The staff's voice map and transposition reached the note; the message
    // the accent's filter added after them did not pass through them.
    const MidiMessage* played = messages.GetAt(0);
    EXPECT_EQ(played->m_voiceTrack.GetDevice(), 1);
    EXPECT_EQ(played->m_noteOn.GetStatusByte(), 0x94);
    EXPECT_EQ(played->m_noteOn.GetDataByte1(), 72);
    EXPECT_FALSE(messages.GetAt(1)->m_voiceTrack.IsConverted());
}

}   // namespace
