// Converting a song file's records into the document's tree.
//
// Where the song's events go:
//   time signatures and tempos   the conductor staff (voice 14, track 0), at
//                                their ruler marks; tempos inside a measure at
//                                their offsets from it;
//   voice j                      staff j + 1 (the conductor's number for it),
//                                measure i of the voice in the staff's measure
//                                at ruler mark i;
//   key signatures               the measure, at the measure's time;
//   notes                        the measure (voice 0 of the staff's track);
//   lyric syllables              the staff.
// Every event added gets its performer in the sequence's time-ordered list,
// so the piece plays as read.
//
// Tempos. The file gives a tempo in tenths of a beat per minute, a beat being
// 96 of its ticks: a quarter note under 4/4, a dotted quarter under 6/8. The
// tempo point (MCTempoMap) keeps the value; each ECTempo is set to the
// point's beats per minute in the beat of the meter in force, so that the
// conductor's cache, and with it playback, runs at the file's tempo.
//
// Ties. A note marked tied-to waits in the tie list for the next note of its
// key and channel marked tied-from. A continuation at the very start of a
// measure lengthens the waiting note up to the continuation's end and takes
// its place in the list when it is tied on in turn. A continuation that finds
// no note to lengthen (none waiting, or not at the start of its measure) is
// kept as a note of its own rather than lost. Ties do not cross voices: the
// list is emptied for each voice.
//
// Empty staves. A voice without notes leaves a staff with nothing to play.
// RemoveEmptyTracks removes every staff without notes, tempos or meters,
// walking from the last staff down to the first: each staff is examined
// once, and a removal renumbers only the staves above it, which were
// examined already. So the walk always ends, and the staves left keep their
// order under consecutive numbers.
#include "interface/document/quilletfile.h"

#include "model/appstates.h"
#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/conductorcache.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/midifields.h"
#include "model/notes.h"
#include "model/performance.h"
#include "model/staff.h"
#include "model/tempo.h"
#include "model/textmarks.h"
#include "platform/core/codepage.h"
#include "sequencer/performers.h"
#include "sequencer/scoremgr.h"
#include "sequencer/sequence.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <utility>

namespace {

// The progress text of a song-file load.
constexpr const char* kProgressText = "Loading SNG file...\n";

// Key codes: 0 is C major; below 22 a major key of 13 - code accidentals,
// from 22 a minor key of 31 - code (sharps above 0, flats below).
constexpr int kFirstMinorKeyCode = 22;
constexpr int kMajorKeyBase = 13;
constexpr int kMinorKeyBase = 31;
constexpr int kMaxAccidentals = 7;
constexpr unsigned char kMajor = 0;
constexpr unsigned char kMinor = 1;

// Conductor events sit in voice 14 of track 0, as the conductor's own.
constexpr int kConductorVoice = 14;
constexpr int kNoteVoice = 0;

constexpr unsigned char kNoteOn = 0x90;
constexpr unsigned char kNoteOff = 0x80;

// Sends a progress state on the way out, however the conversion ends.
class ProgressEnd {
public:
    explicit ProgressEnd(std::function<void()> end) : m_end(std::move(end)) {}
    ~ProgressEnd() {
        try {
            m_end();
        } catch (...) {
            // The load's own failure is the one to report.
        }
    }
    ProgressEnd(const ProgressEnd&) = delete;
    ProgressEnd& operator=(const ProgressEnd&) = delete;

private:
    std::function<void()> m_end;
};

}  // namespace

// ---- the song -----------------------------------------------------------------------

void MCQuilletFile::LoadMap() {
    const int voices = static_cast<int>(m_song.voices.size());
    const int marks = static_cast<int>(m_song.rulerMarks.size());
    ApplyProgress(STATE_PROGRESS_BEGIN, voices * marks);
    ProgressEnd end([this] { ApplyProgress(STATE_PROGRESS_END, 0); });

    m_pSequence->SetRecordPosition(m_pSequence->GetHead());
    TConductor(dynamic_cast<ECConductorStaff*>(m_pConductor->GetTrack(TRACK_STAFF, 0, 1)));
    for (int j = 0; j < voices; ++j) {
        TStaff(j, m_song.voices[static_cast<size_t>(j)]);
        ApplyProgress(STATE_PROGRESS_TEXT, (j + 1) * marks);
    }
}

void MCQuilletFile::ApplyProgress(unsigned code, int value) {
    auto* state = new SCStatus(code, code == STATE_PROGRESS_BEGIN ? std::string(kProgressText) : std::string());
    if (code == STATE_PROGRESS_BEGIN)
        state->SetProgressRange(0, value);
    else
        state->SetProgressStep(value);
    state->SetAsynchronous(0);
    state->Apply(m_pPerformance);
}

void MCQuilletFile::RemoveEmptyTracks() {
    for (int number = m_pConductor->GetMaxTrackNumber(TRACK_STAFF); number >= 1; --number) {
        ECTrack* staff = m_pConductor->GetTrack(TRACK_STAFF, number, 0);
        if (!staff)
            continue;
        ACCount count(3);
        count.AddEvtType(ET_NOTE);
        count.AddEvtType(ET_TEMPO);
        count.AddEvtType(ET_METER);
        count.Apply(staff);
        if (count.GetEventCount() != 0)
            continue;
        auto* command = new CCRemoveTrack(staff);
        command->SetSynchronous(1);
        command->Apply(m_pPerformance);
    }
}

// ---- the conductor ------------------------------------------------------------------

void MCQuilletFile::TConductor(ECConductorStaff* conductorStaff) {
    if (!conductorStaff || m_song.rulerMarks.empty())
        return;
    // The last ruler mark ends the song; nothing starts there.
    for (size_t i = 0; i + 1 < m_song.rulerMarks.size(); ++i) {
        TTimeSignature(conductorStaff, m_song.rulerMarks[i]);
        TTempo(conductorStaff, m_song.rulerMarks[i]);
    }
}

void MCQuilletFile::TTimeSignature(ECConductorStaff* conductorStaff, const MCQuilletRulerMark& mark) {
    if (!(mark.flags & MCQuilletRulerMark::RM_TIMESIG) || !mark.timeSigValid)
        return;
    auto* meter = new ECMeter;
    if (!meter->SetMeter(mark.numerator, mark.denominator, 255)) {
        meter->Unref(1);
        return;
    }
    // The tick clock took the meter's beat when the marks were placed.
    const MCTime time = m_ticks.GetTime(mark.tickPosition);
    meter->SetTime(&time);
    meter->SetVoiceTrack(kConductorVoice, 0);
    AddConductorEvent(conductorStaff, meter);
}

void MCQuilletFile::TTempo(ECConductorStaff* conductorStaff, const MCQuilletRulerMark& mark) {
    const int64_t tick = mark.tickPosition;
    if (mark.flags & MCQuilletRulerMark::RM_TEMPO)
        AddTempo(conductorStaff, tick, mark.tempo);
    for (const MCQuilletTempoChange& change : mark.changes)
        AddTempo(conductorStaff, tick + change.offset, change.tempo);
}

void MCQuilletFile::AddTempo(ECConductorStaff* conductorStaff, int64_t tick, uint16_t tenths) {
    m_previousTempo = m_currentTempo;
    // Ruler marks lie below 2^31 and an offset adds at most 65535.
    m_currentTempo.SetTickPosition(static_cast<int32_t>(std::min<int64_t>(tick, INT32_MAX)));
    // The file's word is read as the signed value it was written from: a
    // tempo above 3276.7 comes out negative and is ignored with 0.
    m_currentTempo.SetTempo(static_cast<short>(tenths));
    if (tick != 0)
        m_currentTempo.SetBase(m_previousTempo);
    else
        m_currentTempo.InitBase();

    auto* tempo = new ECTempo;
    if (!tempo->SetTempo(m_currentTempo.GetBeatsPerMinute(), m_ticks.GetBeat(tick))) {
        tempo->Unref(1);
        return;
    }
    const MCTime time = m_ticks.GetTime(tick);
    tempo->SetTime(&time);
    tempo->SetVoiceTrack(kConductorVoice, 0);
    AddConductorEvent(conductorStaff, tempo);
}

bool MCQuilletFile::AddConductorEvent(ECConductorStaff* conductorStaff, ECBase* event) {
    const MCTime time = *event->GetTime();
    // The conductor's cache holds one meter and one tempo per time: a later
    // one at the same time replaces the earlier.
    MCConductorCache* cache = m_pConductor->GetCache();
    ECBase* existing = event->GetClassType() == ET_METER ? static_cast<ECBase*>(cache->GetMeterAtTime(time))
                                                         : static_cast<ECBase*>(cache->GetTempoAtTime(time));
    if (existing && existing->GetTime() && *existing->GetTime() == time) {
        m_pSequence->RemoveData(DCsqBase::GetPerformer(existing, 0));
        conductorStaff->RemoveChild(existing, 1);
    }
    event->Ref();
    const bool added = conductorStaff->AddChild(event, SORTED) != 0;
    if (added)
        AddPerformer(event);
    event->Unref(1);
    return added;
}

void MCQuilletFile::AddPerformer(ECBase* event) {
    m_pSequence->GetMidiScoreMgr()->AddEventData(event, FCMidi::MidiNull());
}

// ---- the staves ---------------------------------------------------------------------

void MCQuilletFile::TStaff(int index, const MCQuilletVoice& voice) {
    m_pSequence->SetRecordPosition(m_pSequence->GetHead());
    m_tieList.clear();
    auto* staff = dynamic_cast<ECStaff*>(m_pConductor->GetTrack(TRACK_STAFF, index + 1, 1));
    if (!staff)
        return;   // beyond the staves a piece can number
    m_nTrack = m_pConductor->GetTrackNumber(TRACK_STAFF, staff);
    for (size_t i = 0; i < voice.measures.size(); ++i) {
        const MCQuilletRulerMark& mark = m_song.rulerMarks[i];
        ECMeasure* measure = m_pConductor->GetMeasure(m_nTrack, m_ticks.GetTime(mark.tickPosition), 1, 1);
        if (measure)
            TMeasure(staff, measure, voice.measures[i], mark);
    }
}

void MCQuilletFile::TMeasure(ECStaff* staff, ECMeasure* measure, const MCQuilletMeasure& record,
                             const MCQuilletRulerMark& mark) {
    switch (record.kind) {
    case MCQuilletMeasure::KIND_EVENTS:
        TKey(measure, record);
        TMeasureEvents(staff, measure, record, mark);
        break;
    case MCQuilletMeasure::KIND_LOOP:
        TLoopMeasureEvents(measure, record);
        break;
    default:
        break;
    }
}

void MCQuilletFile::TKey(ECMeasure* measure, const MCQuilletMeasure& record) {
    if (!(record.flags & MCQuilletMeasure::MF_KEY))
        return;
    const int code = record.keyCode;
    int accidentals = 0;
    unsigned char mode = kMajor;
    if (code != 0 && code < kFirstMinorKeyCode) {
        accidentals = kMajorKeyBase - code;
    } else if (code >= kFirstMinorKeyCode) {
        accidentals = kMinorKeyBase - code;
        mode = kMinor;
    }
    if (std::abs(accidentals) > kMaxAccidentals)
        return;   // no key has that many
    auto* key = new ECKey(static_cast<short>(accidentals), mode);
    key->SetTime(measure->GetTime());
    key->SetVoiceTrack(kNoteVoice, m_nTrack);
    key->Ref();
    if (measure->AddChild(key, SORTED))
        AddPerformer(key);
    key->Unref(1);
}

void MCQuilletFile::TMeasureEvents(ECStaff* staff, ECMeasure* measure, const MCQuilletMeasure& record,
                                   const MCQuilletRulerMark& mark) {
    for (const MCQuilletEvent& event : record.events) {
        switch (event.type) {
        case MCQuilletEvent::EV_NOTE:
            TNote(measure, event, mark.tickPosition);
            break;
        case MCQuilletEvent::EV_LYRIC:
            TLyric(staff, event, mark.tickPosition);
            break;
        case MCQuilletEvent::EV_WAVE:
            TWave(measure, event);
            break;
        default:
            break;
        }
    }
}

void MCQuilletFile::TLoopMeasureEvents(ECMeasure*, const MCQuilletMeasure&) {}

void MCQuilletFile::TWave(ECMeasure*, const MCQuilletEvent&) {}

// ---- notes and lyrics ---------------------------------------------------------------

void MCQuilletFile::TNote(ECMeasure* measure, const MCQuilletEvent& event, int64_t measureTick) {
    // MIDI keys and channels: 7 and 4 bits.
    const uint8_t key = event.key & 0x7F;
    const uint8_t channel = event.channel & 0x0F;
    const int64_t start = measureTick + event.offset;
    const MCTime time = m_ticks.GetTime(start);
    const MCTime duration = m_ticks.GetDuration(start, event.duration);

    ECNote* note = nullptr;
    if (IsNoteAttribute(event, MCQuilletEvent::ATTR_TIED_FROM)) {
        ECNote* earlier = FindNoteInTieList(key, channel);
        if (earlier && event.offset == 0) {
            MCTime joined = time - *earlier->GetTime();
            joined += duration;
            earlier->SetDuration(&joined);
            note = earlier;
        }
    }
    if (!note) {
        auto* added = new ECNote(time, duration);
        added->SetVoiceTrack(kNoteVoice, m_nTrack);
        added->Ref();
        if (measure->AddChild(added, SORTED)) {
            if (auto* performer = dynamic_cast<DCsqNote*>(DCsqBase::GetPerformer(added, 1))) {
                FCMidi on;
                on.SetStatusByte(static_cast<unsigned char>(kNoteOn | channel));
                on.SetDataByte1(key);
                on.SetDataByte2(event.velocity);
                FCMidi off;
                off.SetStatusByte(static_cast<unsigned char>(kNoteOff | channel));
                off.SetDataByte1(key);
                off.SetDataByte2(event.releaseVelocity);
                performer->SetNoteOnData(on);
                performer->SetNoteOffData(off);
                m_pSequence->InsertData(performer);
            }
            note = added;
        }
        added->Unref(1);
    }
    if (note && IsNoteAttribute(event, MCQuilletEvent::ATTR_TIED_TO))
        AddNoteToTieList(key, channel, note);
}

void MCQuilletFile::TLyric(ECStaff* staff, const MCQuilletEvent& event, int64_t measureTick) {
    if (event.lyricKind != MCQuilletEvent::LYRIC_SYLLABLE)
        return;
    auto* lyric = new ECLyric(Cp1252ToUtf8(event.text));
    const MCTime time = m_ticks.GetTime(measureTick + event.offset);
    lyric->SetTime(&time);
    lyric->SetVoiceTrack(kNoteVoice, m_nTrack);
    lyric->Ref();
    if (staff->AddChild(lyric, SORTED))
        AddPerformer(lyric);
    lyric->Unref(1);
}

// ---- the tie list -------------------------------------------------------------------

void MCQuilletFile::AddNoteToTieList(uint8_t key, uint8_t channel, ECNote* note) {
    m_tieList.push_back({key, channel, note});   // the back is the newest
}

ECNote* MCQuilletFile::FindNoteInTieList(uint8_t key, uint8_t channel) {
    for (auto entry = m_tieList.rbegin(); entry != m_tieList.rend(); ++entry) {
        if (entry->key == key && entry->channel == channel) {
            ECNote* note = entry->note;
            m_tieList.erase(std::next(entry).base());
            return note;
        }
    }
    return nullptr;
}

bool MCQuilletFile::IsNoteAttribute(const MCQuilletEvent& event, uint8_t attribute) {
    return std::find(event.attributes.begin(), event.attributes.end(), attribute) != event.attributes.end();
}
