// The MIDI score manager: see scoremgr.h.
#include "sequencer/scoremgr.h"

#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/metercommands.h"
#include "model/midievents.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/plugin.h"
#include "model/staff.h"
#include "model/tempo.h"
#include "model/textmarks.h"
#include "platform/core/codepage.h"
#include "platform/core/thread.h"
#include "platform/core/trace.h"
#include "sequencer/performer.h"
#include "sequencer/performers.h"
#include "sequencer/sequence.h"
#include "sequencer/staffperformer.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <string>
#include <vector>

namespace {

// The flow-control types of the marks a MIDI file's meta events leave.
constexpr unsigned char FLOW_SMPTE_OFFSET = 13;
constexpr unsigned char FLOW_SEQUENCE_NUMBER = 14;
constexpr unsigned char FLOW_TRACK_END = 15;

// The controllers that make events of their own class.
constexpr unsigned char CTRL_BANK_MSB = 0;
constexpr unsigned char CTRL_VOLUME = 7;
constexpr unsigned char CTRL_BANK_LSB = 32;
constexpr unsigned char CTRL_PEDAL = 64;
constexpr unsigned char CTRL_FIRST_CHANNEL_MODE = 120;

// The status byte that stands, in an add command's word, for a
// system-exclusive message: the command carries one short word, so the
// message itself travels in the event's performer (see DoAdd).
constexpr unsigned char STATUS_SYSEX = 0xF0;

// A note whose note-off comes at its very start still sounds this long.
constexpr float SHORTEST_NOTE = 0.1f;

// Measures a lookup appends at a time while recording.
constexpr int RECORDING_MEASURE_COUNT = 10;

// Key signatures have at most seven sharps or flats; a file claiming more is
// damaged, and the notation could not show it.
constexpr int MAX_ACCIDENTALS = 7;

// MCTime::TimeNull, compared as float times compare (the mode aside); asked
// for every event a file adds, so its float is fetched once.
bool IsNullTime(const MCTime& time) {
    static const float null = MCTime::TimeNull().GetSeconds();
    return time.GetMode() != TM_BPT && time.GetSeconds() == null;
}

// The event types the score manager hangs under a measure.
bool IsMeasureChild(int type) {
    return type == ET_KEY || type == ET_LYRIC || type == ET_NOTE;
}

// A copy of the word with data byte 1 moved by `delta`, kept to a MIDI key.
FCMidi ShiftKey(const FCMidi& word, int delta) {
    FCMidi shifted(word);
    const int key = std::clamp(static_cast<int>(word.GetDataByte1()) + delta, 0, 127);
    shifted.SetDataByte1(static_cast<unsigned char>(key));
    return shifted;
}

}  // namespace

// ---- life ---------------------------------------------------------------------------------

CMidiScoreMgr::CMidiScoreMgr() = default;

CMidiScoreMgr::~CMidiScoreMgr() {
    m_pGathered.reset();
    ReleasePending();
}

void CMidiScoreMgr::Attach(CSequence* sequence) {
    if (sequence == m_pSequence)
        return;
    // What was gathered belongs to the tree it was made for.
    m_lastMeasure = {};
    if (m_pGathered) {
        std::unique_lock<CCriticalSection> lock;
        if (ECPerformance* performance = GetPerformance())
            lock = std::unique_lock<CCriticalSection>(performance->GetLock());
        m_pGathered.reset();
    }
    ClearMatchTable();
    m_pSequence = sequence;
}

void CMidiScoreMgr::SetFileLoading(int loading) {
    if (!loading)
        ApplyGathered();
    m_nFileLoading = loading;
}

void CMidiScoreMgr::SetGatherAdds(int gather) {
    if (!gather)
        ApplyGathered();
    m_nGatherAdds = gather;
}

bool CMidiScoreMgr::Gathers(const FCMidi* word) const {
    // A channel message's event goes under a measure (a note) or a staff;
    // a system message's goes to the conductor staff, whose additions the
    // conductor's cache may refuse, and its data into its performer at once.
    return m_nGatherAdds && m_nFileLoading && word && word->HasData() && word->GetStatusByte() < 0xF0 &&
           IsUIThread();
}

void CMidiScoreMgr::ApplyGathered() {
    m_lastMeasure = {};   // the command, or what comes after it, may move bar lines
    std::unique_ptr<CCAdd> command = std::move(m_pGathered);
    ECPerformance* performance = GetPerformance();
    if (!command || !performance)
        return;   // nothing waits, or nowhere to add it: the events go with the command
    command->SetSynchronous(1);
    command->SetStateNotify(0);
    command->Apply(performance);   // the manager's from here
    command.release();
}

ECPerformance* CMidiScoreMgr::GetPerformance() const {
    return m_pSequence ? m_pSequence->GetPerformance() : nullptr;
}

ECConductor* CMidiScoreMgr::GetConductor() const {
    return m_pSequence ? m_pSequence->GetConductor() : nullptr;
}

int CMidiScoreMgr::GetMeasureCount() const {
    const unsigned recording = RECORDER_RECORDING | RECORDER_STEPRECORDING;
    return m_pSequence && (m_pSequence->GetState() & recording) ? RECORDING_MEASURE_COUNT : 1;
}

// ---- events from messages -----------------------------------------------------------------

ECBase* CMidiScoreMgr::AddMidiEvent(const MCTime& time, MCVoiceTrack vt, const FCMidi& word, unsigned device,
                                    const MCTime& duration) {
    ECPerformance* performance = GetPerformance();
    const int measureCount = GetMeasureCount();   // before the lock (see there)
    std::unique_lock<CCriticalSection> lock;
    if (performance)
        lock = std::unique_lock<CCriticalSection>(performance->GetLock());

    ECBase* event = GetEventForData(word, device, time, vt, duration);
    // A note-off answers the note it closed, which went in with its note-on.
    if (!event || word.IsNoteOff())
        return event;

    // The parent is found under the same hold of the lock, which may be let
    // go to have a staff made.
    const bool pending = word.IsNoteOn() && IsNullTime(duration);
    const int added = performance ? DoAddLocked(event, &word, measureCount, lock) : DoAdd(event, &word);
    if (added)
        return event;

    if (pending) {
        // The note is gone; its place stays for its note-off to consume.
        if (performance && !lock.owns_lock())
            lock.lock();
        KillPendingMatch(GetNoteKey(device, word), static_cast<ECNote*>(event));
    }
    return nullptr;
}

ECBase* CMidiScoreMgr::GetEventForData(const FCMidi& word, unsigned device, const MCTime& time,
                                       MCVoiceTrack vt, const MCTime& duration) {
    if (word.IsNoteOff()) {
        ECNote* note = GetPendingMatch(GetNoteKey(device, word));
        if (!note)
            return nullptr;
        MCTime length = time - *note->GetTime();
        if (length <= MCTime(0.0f))
            length = MCTime(SHORTEST_NOTE);
        note->SetDuration(&length);
        return note;
    }

    ECBase* event = nullptr;
    switch (word.GetStatusMSB()) {
    case 0x90: {
        auto* note = new ECNote;   // one quarter note until its note-off says otherwise
        if (IsNullTime(duration))
            SetPendingMatch(GetNoteKey(device, word), note);
        else
            note->SetDuration(&duration);
        event = note;
        break;
    }
    case 0xA0:
        event = new ECPolyPressure;
        break;
    case 0xB0: {
        const unsigned char controller = word.GetDataByte1();
        if (controller == CTRL_BANK_MSB) {
            event = new ECBankMSB;
        } else if (controller == CTRL_VOLUME) {
            auto* dynamic = new ECDynamic;
            dynamic->SetDynamicType(static_cast<unsigned char>(DCsqDynamic::MidiValueToType(word.GetDataByte2())));
            event = dynamic;
        } else if (controller == CTRL_BANK_LSB) {
            event = new ECBankLSB;
        } else if (controller == CTRL_PEDAL) {
            event = new ECPedal;
        } else if (controller >= CTRL_FIRST_CHANNEL_MODE) {
            event = new ECChannelMode;
        } else {
            event = new ECControlChange;
        }
        break;
    }
    case 0xC0:
        event = new ECProgramChange;
        break;
    case 0xD0:
        event = new ECChannelPressure;
        break;
    case 0xE0:
        event = new ECPitchBend;
        break;
    case 0xF0:
        event = new ECSystemMessage;
        break;
    default:
        return nullptr;   // no status: nothing to build
    }
    event->Ref();   // the caller's
    event->SetTime(&time);
    event->SetVoiceTrack(&vt);
    return event;
}

// ---- parents and adding -------------------------------------------------------------------

void CMidiScoreMgr::MakeConductorStaff(std::unique_lock<CCriticalSection>& lock) {
    ECConductor* conductor = GetConductor();
    MCEventList* children = conductor->GetChildren();
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        if (children->GetNext(pos)->GetClassType() == ET_CONDUCTORSTAFF)
            return;
    }
    // Every conductor query makes the conductor staff through a synchronous
    // command, which the user-interface thread runs under the lock this
    // thread would be holding. What was gathered goes in first.
    ApplyGathered();
    const bool letGo = !IsUIThread();
    if (letGo)
        lock.unlock();
    conductor->GetTrack(TRACK_CONDUCTOR, 0, 1);
    if (letGo)
        lock.lock();
}

void CMidiScoreMgr::MakeStaff(int track, std::unique_lock<CCriticalSection>& lock) {
    // The staff the conductor would make on a lookup (ECConductorStaff::
    // GetStaff), but through a command this thread applies after letting go
    // of the lock: the user-interface thread runs it under that lock. What
    // was gathered goes in first: a staff put in among others renumbers the
    // events of the staves after it.
    ApplyGathered();
    auto* command = new CCAddTrack;
    command->AddMidiTrack(0, 1);
    command->SetInsertPosition(track);
    command->SetSynchronous(1);
    const bool letGo = !IsUIThread();
    if (letGo)
        lock.unlock();
    command->Apply(GetPerformance());
    if (letGo)
        lock.lock();
}

ECBase* CMidiScoreMgr::GetParent(ECBase* event, int measureCount, std::unique_lock<CCriticalSection>& lock) {
    ECConductor* conductor = GetConductor();
    MCVoiceTrack* vt = event->GetVoiceTrack();
    if (!vt || !conductor || !GetPerformance())
        return nullptr;
    const int track = vt->GetTrack();
    if (track == TRACK_NONE)
        return nullptr;

    const int type = event->GetClassType();
    const bool inMeasure = IsMeasureChild(type);
    const MCTime* time = event->GetTime();
    if (inMeasure && (!time || IsNullTime(*time)))
        return nullptr;
    // Gathering, a note most likely goes where the one before it of its
    // track went: the staff and the conductor staff stand, and no bar line
    // has moved since.
    if (type == ET_NOTE && m_pGathered) {
        if (ECBase* measure = GetLastMeasure(track, *time))
            return measure;
    }

    MakeConductorStaff(lock);
    // A system message, tempo, meter or flow-control mark belongs to the
    // conductor staff whatever track its word names; the word still routes
    // what it plays.
    if (!inMeasure && !event->MayHangUnder(ET_STAFF) && event->MayHangUnder(ET_CONDUCTORSTAFF))
        return conductor->GetTrack(TRACK_CONDUCTOR, 0, 0);

    ECTrack* staff = conductor->GetTrack(TRACK_STAFF, track, 0);
    if (!staff) {
        MakeStaff(track, lock);
        // A number beyond the last staff + 1 was appended under another
        // number: such a track still has no staff.
        staff = conductor->GetTrack(TRACK_STAFF, track, 0);
    }
    if (!staff)
        return nullptr;
    if (!inMeasure)
        return staff;

    // A lyric goes into the measure at its time like a note, not under the
    // note it is sung to: a file may well give it before its note-on, and
    // the notation finds it by its time.
    ECBase* measure = conductor->GetMeasure(track, *time, 1, measureCount);
    if (measure && m_pGathered && time->GetMode() == TM_NORMAL) {
        // The span of the measure's column, for the notes after this one.
        const int number = conductor->GetMeasureNumberAtTime(*time);
        ECBase* next = number < conductor->GetMaxMeasureNumber() ? conductor->GetMeasure(0, number + 1) : nullptr;
        m_lastMeasure = {track, measure, *measure->GetTime(),
                         next ? *next->GetTime() : conductor->GetMaxMeasureEndTime()};
    }
    return measure;
}

ECBase* CMidiScoreMgr::GetLastMeasure(int track, const MCTime& time) const {
    if (!m_lastMeasure.measure || track != m_lastMeasure.track || time.GetMode() != TM_NORMAL)
        return nullptr;
    return m_lastMeasure.start <= time && time < m_lastMeasure.end ? m_lastMeasure.measure : nullptr;
}

int CMidiScoreMgr::DoAdd(ECBase* event, const FCMidi* word) {
    if (word && word->IsNoteOff())
        return 1;   // the note went in with its note-on

    ECPerformance* performance = GetPerformance();
    if (!performance) {
        event->Unref(1);
        return 0;
    }
    const int measureCount = GetMeasureCount();
    std::unique_lock<CCriticalSection> lock(performance->GetLock());
    return DoAddLocked(event, word, measureCount, lock);
}

int CMidiScoreMgr::DoAddLocked(ECBase* event, const FCMidi* word, int measureCount,
                               std::unique_lock<CCriticalSection>& lock) {
    if (word && word->IsNoteOff())
        return 1;   // the note went in with its note-on
    ECPerformance* performance = GetPerformance();
    ECBase* parent = nullptr;
    if (Gathers(word)) {
        parent = GetParent(event, measureCount, lock);
        if (parent) {
            if (!m_pGathered)
                m_pGathered = std::make_unique<CCAdd>();
            if (m_pGathered->Add(event, parent, *word)) {
                event->Unref(1);   // the command holds it
                if (m_pGathered->GetAddList()->GetCount() >= GATHER_LIMIT)
                    ApplyGathered();
                return 1;
            }
        }
        ApplyGathered();
    } else {
        // Anything else comes after what was gathered: the tree's lists and
        // the performers keep the order of the file.
        ApplyGathered();
        parent = GetParent(event, measureCount, lock);
    }

    // An add command carries one short word: a system-exclusive message goes
    // into the event's performer now (the event is still this thread's
    // alone) and the command carries only its status.
    FCMidi carried = word ? *word : FCMidi::MidiNull();
    if (parent && word && word->IsSysExMsg()) {
        auto* data = dynamic_cast<DCsqSysMsg*>(DCsqBase::GetPerformer(event, 1));
        if (data)
            data->SetSysExData(static_cast<const FCMidiSysEx&>(*word));
        carried = FCMidi();
        carried.SetStatusByte(STATUS_SYSEX);
    }

    CCBase* command = nullptr;
    const bool meter = !word && event->GetClassType() == ET_METER;
    if (parent) {
        if (meter) {
            command = new CCAddMeter(static_cast<ECMeter*>(event));
        } else {
            auto* add = new CCAdd;
            if (add->Add(event, parent, carried))
                command = add;
            else
                delete add;   // a parent the event cannot hang under
        }
    }
    if (!command) {
        event->Unref(1);
        return 0;
    }

    const bool loading = m_nFileLoading != 0;
    command->SetSynchronous(loading ? 1 : 0);
    command->SetStateNotify(loading ? 0 : 1);
    // A synchronous command from another thread waits for the user-interface
    // thread, which runs it under this lock.
    const bool letGo = loading && !IsUIThread();
    if (letGo)
        lock.unlock();
    command->Apply(performance);
    if (letGo)
        lock.lock();

    // The caller's reference goes; the command (or by now the tree) holds the
    // event. After a command that ran at once, an event left outside the tree
    // was refused there (a second tempo at one time, say) and is freed now.
    const bool refused = loading && event->GetParents()->IsEmpty();
    event->Unref(1);
    return refused ? 0 : 1;
}

// ---- events from meta events --------------------------------------------------------------

template <class Event>
Event* CMidiScoreMgr::AddMetaEvent(Event* event, const MCTime& time, MCVoiceTrack vt) {
    event->Ref();   // the caller's, which DoAdd releases
    event->SetTime(&time);
    event->SetVoiceTrack(&vt);
    return DoAdd(event, nullptr) ? event : nullptr;
}

ECFlowControl* CMidiScoreMgr::AddSequenceNumber(const MCTime& time, MCVoiceTrack vt, int number) {
    auto* mark = new ECFlowControl(FLOW_SEQUENCE_NUMBER);
    mark->SetSequenceNumber(number);
    return AddMetaEvent(mark, time, vt);
}

ECText* CMidiScoreMgr::AddTextEvent(const MCTime& time, MCVoiceTrack vt, const unsigned char* bytes, int length,
                                    int type) {
    const bool conductorTrack = vt.GetTrack() == 0;
    const auto kind = static_cast<unsigned char>(DCsqText::MidiValueToType(type, conductorTrack));
    std::string text;
    if (bytes && length > 0)
        text = Cp1252ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length)));
    return AddMetaEvent(new ECText(kind, text), time, vt);
}

ECLyric* CMidiScoreMgr::AddLyricEvent(const MCTime& time, MCVoiceTrack vt, const unsigned char* bytes, int length) {
    std::string text;
    if (bytes && length > 0)
        text = Cp1252ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length)));
    return AddMetaEvent(new ECLyric(text), time, vt);
}

ECFlowControl* CMidiScoreMgr::AddTrackEnd(const MCTime& time, MCVoiceTrack vt) {
    return AddMetaEvent(new ECFlowControl(FLOW_TRACK_END), time, vt);
}

ECFlowControl* CMidiScoreMgr::AddSMPTEOffset(const MCTime& time, MCVoiceTrack vt, int /*hours*/, int /*minutes*/,
                                             int /*seconds*/, int /*frames*/, int /*fractions*/) {
    return AddMetaEvent(new ECFlowControl(FLOW_SMPTE_OFFSET), time, vt);
}

ECTempo* CMidiScoreMgr::AddTempoEvent(const MCTime& time, MCVoiceTrack vt, float tempo, float beat) {
    auto* event = new ECTempo;
    if (!event->SetTempo(tempo, beat)) {
        event->Unref(1);
        return nullptr;
    }
    return AddMetaEvent(event, time, vt);
}

ECMeter* CMidiScoreMgr::AddMeterEvent(const MCTime& time, MCVoiceTrack vt, unsigned numerator,
                                      unsigned denominator) {
    // A byte each: a larger value would wrap to another fraction.
    if (numerator > 255 || denominator > 255)
        return nullptr;
    auto* meter = new ECMeter;
    if (!meter->SetMeter(static_cast<unsigned char>(numerator), static_cast<unsigned char>(denominator), 255)) {
        meter->Unref(1);
        return nullptr;
    }
    return AddMetaEvent(meter, time, vt);
}

ECKey* CMidiScoreMgr::AddKeySignature(const MCTime& time, MCVoiceTrack vt, int key, int mode) {
    if (key < -MAX_ACCIDENTALS || key > MAX_ACCIDENTALS)
        return nullptr;
    return AddMetaEvent(new ECKey(static_cast<short>(key), static_cast<unsigned char>(mode)), time, vt);
}

// ---- measures and pending notes -----------------------------------------------------------

void CMidiScoreMgr::CapMeasures(const MCTime& time) {
    ECPerformance* performance = GetPerformance();
    ECConductor* conductor = GetConductor();
    if (!performance || !conductor)
        return;
    const int measureCount = GetMeasureCount();
    std::unique_lock<CCriticalSection> lock(performance->GetLock());
    ApplyGathered();
    MakeConductorStaff(lock);
    conductor->GetMeasure(0, time, 1, measureCount);
}

uint64_t CMidiScoreMgr::GetNoteKey(unsigned device, const FCMidi& word) {
    return (static_cast<uint64_t>(device & 0xFFFFFF) << 11) + (word.GetStatusLSB() << 7) + word.GetDataByte1();
}

CMidiScoreMgr::PendingPlaces& CMidiScoreMgr::GetPlaces(uint64_t noteKey) {
    if (noteKey >= DIRECT_KEYS)
        return m_pending[noteKey];
    if (m_directPending.empty())
        m_directPending.resize(DIRECT_KEYS);
    return m_directPending[noteKey];
}

CMidiScoreMgr::PendingPlaces* CMidiScoreMgr::FindPlaces(uint64_t noteKey) {
    if (noteKey < DIRECT_KEYS)
        return m_directPending.empty() ? nullptr : &m_directPending[noteKey];
    auto found = m_pending.find(noteKey);
    return found == m_pending.end() ? nullptr : &found->second;
}

template <class Visit>
void CMidiScoreMgr::ForEachPlaces(Visit visit) const {
    for (const PendingPlaces& places : m_directPending)
        visit(places);
    for (const auto& [key, places] : m_pending)
        visit(places);
}

void CMidiScoreMgr::SetPendingMatch(uint64_t noteKey, ECNote* note) {
    note->Ref();   // the table's
    GetPlaces(noteKey).notes.push_back(note);
}

ECNote* CMidiScoreMgr::GetPendingMatch(uint64_t noteKey) {
    PendingPlaces* found = FindPlaces(noteKey);
    if (!found || found->GetCount() == 0)
        return nullptr;   // a stray note-off: it takes no place
    PendingPlaces& places = *found;
    ECNote* note = places.notes[places.first++];
    if (places.first == places.notes.size()) {
        places.notes.clear();
        places.first = 0;
    } else if (places.first > places.notes.size() / 2) {
        // A key never read to its end: the places read so far go, so the
        // vector does not grow for ever.
        places.notes.erase(places.notes.begin(), places.notes.begin() + static_cast<std::ptrdiff_t>(places.first));
        places.first = 0;
    }
    if (!note)
        return nullptr;   // the place of a note that could not be added
    // Held by nothing but the table: the note was removed from the tree (or
    // its command refused it) while it waited. It is let go untouched.
    const bool alive = note->GetRefCount() > 1;
    note->Unref(1);
    return alive ? note : nullptr;
}

void CMidiScoreMgr::KillPendingMatch(uint64_t noteKey, ECNote* note) {
    PendingPlaces* found = FindPlaces(noteKey);
    if (!found)
        return;
    std::vector<ECNote*>& notes = found->notes;
    const auto first = notes.begin() + static_cast<std::ptrdiff_t>(found->first);
    auto place = std::find(std::make_reverse_iterator(notes.end()), std::make_reverse_iterator(first), note);
    if (place == std::make_reverse_iterator(first))
        return;
    *place = nullptr;
    note->Unref(1);
}

void CMidiScoreMgr::ReleasePending() {
    ForEachPlaces([](const PendingPlaces& places) {
        for (std::size_t i = places.first; i < places.notes.size(); ++i) {
            if (ECNote* note = places.notes[i])
                note->Unref(1);
        }
    });
    m_directPending.clear();
    m_pending.clear();
}

void CMidiScoreMgr::ClearMatchTable() {
    if (ECPerformance* performance = GetPerformance()) {
        std::lock_guard<CCriticalSection> lock(performance->GetLock());
        ReleasePending();
    } else {
        ReleasePending();
    }
}

int CMidiScoreMgr::GetPendingCount() const {
    int count = 0;
    ForEachPlaces([&count](const PendingPlaces& places) { count += static_cast<int>(places.GetCount()); });
    return count;
}

// ---- performers ---------------------------------------------------------------------------

DCsqBase* CMidiScoreMgr::AddEventData(ECBase* event, const FCMidi& word) {
    if (!event)
        return nullptr;
    const int type = event->GetClassType();
    DCsqBase* data = nullptr;
    switch (type) {
    case ET_NOTE:
    case ET_GRACENOTE: {
        if (!word.HasData() || !(word.IsNoteOn() || word.IsNoteOff()))
            return nullptr;
        // DCsqNote is the performer of class DT_NOTE: a file read asks this
        // for every note, so no search of the class tree.
        DCsqBase* performer = DCsqBase::GetPerformer(event, 1);
        auto* note = performer && performer->GetClassType() == DT_NOTE ? static_cast<DCsqNote*>(performer) : nullptr;
        if (!note)
            return nullptr;
        if (word.IsNoteOn()) {
            FCMidi off(word);
            off.SetDataByte2(0);
            note->SetNoteOnData(word);
            note->SetNoteOffData(off);
        } else {
            note->SetNoteOffData(word);
        }
        data = note;
        if (m_pSequence)
            m_pSequence->InsertData(data);
        // Grace notes lead into their note: one that had a performer plays
        // its own key again, a new one this note's.
        MCEventList* children = event->GetChildren();
        for (POSITION pos = children ? children->GetHeadPosition() : nullptr; pos;) {
            ECBase* child = children->GetNext(pos);
            if (child->GetClassType() != ET_GRACENOTE)
                continue;
            auto* grace = dynamic_cast<DCsqNote*>(DCsqBase::GetPerformer(child, 0));
            const FCMidi own = grace ? FCMidi(grace->GetNoteOnData()) : word;
            AddEventData(child, own);
        }
        return data;
    }
    case ET_BANKLSB:
    case ET_BANKMSB:
    case ET_CHANNELMODE:
    case ET_CHANNELPRESSURE:
    case ET_CONTROLCHANGE:
    case ET_PEDAL:
    case ET_PITCHBEND:
    case ET_POLYPRESSURE:
    case ET_PROGRAMCHANGE: {
        if (!word.HasData())
            return nullptr;
        auto* midi = dynamic_cast<DCsqMidi*>(DCsqBase::GetPerformer(event, 1));
        if (!midi)
            return nullptr;
        midi->SetMidiData(word);
        data = midi;
        break;
    }
    case ET_SYSTEMMESSAGE: {
        if (!word.HasData())
            return nullptr;
        auto* message = dynamic_cast<DCsqSysMsg*>(DCsqBase::GetPerformer(event, 1));
        if (!message)
            return nullptr;
        if (word.IsSysExMsg()) {
            message->SetSysExData(static_cast<const FCMidiSysEx&>(word));
            message->SetMidiData(FCMidi());
        } else if (word.GetStatusByte() == STATUS_SYSEX) {
            // The stand-in DoAdd sent: the performer holds the message.
            message->SetMidiData(FCMidi());
        } else {
            message->SetMidiData(word);
        }
        data = message;
        break;
    }
    case ET_DYNAMIC: {
        auto* dynamic = dynamic_cast<DCsqDynamic*>(DCsqBase::GetPerformer(event, 1));
        if (!dynamic)
            return nullptr;
        if (word.HasData())
            dynamic->SetMidiData(word);
        data = dynamic;
        break;
    }
    case ET_STAFF:
    case ET_CONDUCTORSTAFF: {
        data = DCsqBase::GetPerformer(event, 1);
        if (!data)
            return nullptr;
        // A file being read sets its staves up once it is whole.
        if (!m_nFileLoading) {
            if (auto* staff = dynamic_cast<DCsqStaff*>(data))
                staff->InitTrack(m_pSequence);
        }
        break;
    }
    case ET_FLOWCONTROL:
    case ET_KEY:
    case ET_LYRIC:
    case ET_METER:
    case ET_TEMPO:
    case ET_TEXT:
    case ET_TRANSPOSE:
        data = DCsqBase::GetPerformer(event, 1);
        if (!data)
            return nullptr;
        break;
    case ET_ACCENT:
        // Its filter acts through the note it marks; it plays nothing itself.
        return DCsqBase::GetPerformer(event, 1);
    case ET_TUPLET:
        AddTupletData(event, word);
        return nullptr;
    default:
        return nullptr;
    }
    if (m_pSequence)
        m_pSequence->InsertData(data);
    return data;
}

void CMidiScoreMgr::AddTupletData(ECBase* tuplet, const FCMidi& word) {
    if (!word.HasData())
        return;
    ACFindEvents find;
    find.AddEvtType(ET_NOTE);
    find.SetDepth(2);   // tuplet, chord, note
    find.Apply(tuplet);
    MCEventList& notes = find.GetEvents();
    // Notes that already sound keep their intervals: each moves by the
    // distance of the word from the first such note.
    int firstKey = -1;
    for (POSITION pos = notes.GetHeadPosition(); pos;) {
        ECBase* note = notes.GetNext(pos);
        auto* existing = dynamic_cast<DCsqNote*>(DCsqBase::GetPerformer(note, 0));
        if (!existing) {
            AddEventData(note, word);
            continue;
        }
        const int key = existing->GetNoteOnData().GetDataByte1();
        if (firstKey < 0)
            firstKey = key;
        AddEventData(note, ShiftKey(word, key - firstKey));
    }
}

// ---- precedence ---------------------------------------------------------------------------

int CMidiScoreMgr::GetPrecedence(DCsqBase* data) {
    if (!data)
        return 10;
    switch (data->GetClassType()) {
    case DT_STAFF:
        return 90;
    case DT_FLOWCONTROL:
        return 80;
    case DT_DYNAMIC:
    case DT_METER:
    case DT_TEMPO:
    case DT_TRANSPOSE:
        return 70;
    case DT_SYSMSG:
        return 50;
    case DT_BANKMSB:
        return 32;
    case DT_BANKLSB:
        return 31;
    case DT_PROGRAM:
        return 30;
    case DT_TEXT:
        return 20;
    default:
        return 10;
    }
}
