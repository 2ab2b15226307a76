// ECConductor: tracks by kind, the wave-track array, the conductor staff made
// on first need, meters and tempos through the cache (with the defaults made
// where the piece has none), and the measure queries handed to the conductor
// staff.
#include "model/conductor.h"

#include "model/basiccommands.h"
#include "model/conductorcache.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/meter.h"
#include "model/performance.h"
#include "model/staff.h"
#include "model/tempo.h"
#include "platform/core/archive.h"

IMPLEMENT_SERIAL(ECConductor, ECWithChild, VERSIONABLE_SCHEMA | 2)

namespace {

// The wave-track array grows like the class library's arrays: an index past
// the end pads it with null entries.
void InsertWaveTrack(std::vector<ECWaveTrack*>& tracks, size_t index, ECWaveTrack* track) {
    if (index >= tracks.size()) {
        tracks.resize(index + 1, nullptr);
        tracks[index] = track;
    } else {
        tracks.insert(tracks.begin() + static_cast<ptrdiff_t>(index), track);
    }
}

// The highest wave-track number a voice/track word holds.
constexpr int kMaxWaveTrack = 2045;

// Whether the cache can hold the event: a meter or tempo of its own class (the
// cache hands its slots out as those classes).
bool IsConductorEvent(ECBase* event) {
    if (!MCConductorCache::IsCacheEvent(event))
        return false;
    return event->GetClassType() == ET_METER ? DYNAMIC_DOWNCAST(ECMeter, event) != nullptr
                                             : DYNAMIC_DOWNCAST(ECTempo, event) != nullptr;
}

}  // namespace

// ---- life and archive ------------------------------------------------------------------

ECConductor::ECConductor() : m_pCache(std::make_unique<MCConductorCache>()) {}

ECConductor::ECConductor(const ECConductor& other)
    : ECWithChild(other), m_pCache(std::make_unique<MCConductorCache>()) {}

ECConductor::~ECConductor() = default;

int ECConductor::GetClassType() const {
    return ET_CONDUCTOR;
}

void ECConductor::Serialize(CArchive& ar) {
    ECWithChild::Serialize(ar);
    if (ar.IsStoring()) {
        ar.WriteObject(GetConductorStaff());
        return;
    }

    // The conductor staff is one of the children just read.
    ECBase* read = ReadTreeLink(ar, RUNTIME_CLASS(ECConductorStaff));
    auto* staff = static_cast<ECConductorStaff*>(read);
    if (staff && !m_children.Find(staff))
        throw CArchiveException(CArchiveException::badIndex);
    // The tracks name this conductor and the performance being read; any
    // other object there is none of this tree's.
    const ECPerformance* active = ECPerformance::GetActivePerformance();
    const auto foreign = [&](ECConductor* conductor, ECPerformance* performance) {
        return (conductor && conductor != this) || (performance && active && performance != active);
    };
    if (staff && foreign(staff->m_pConductor, staff->m_pPerformance))
        throw CArchiveException(CArchiveException::badIndex);
    for (POSITION pos = m_children.GetHeadPosition(); pos;) {
        auto* wave = DYNAMIC_DOWNCAST(ECWaveTrack, m_children.GetNext(pos));
        if (wave && foreign(wave->GetConductor(), wave->GetPerformance()))
            throw CArchiveException(CArchiveException::badIndex);
    }

    m_pConductorStaff = staff;
    m_pCache->BuildCacheFromList(staff ? staff->GetChildren() : nullptr);
    BuildWaveTrackArray();
}

ECConductorStaff* ECConductor::GetConductorStaff() {
    // Borrowed from the children: one that has left them is forgotten.
    if (m_pConductorStaff && !m_children.Find(m_pConductorStaff))
        m_pConductorStaff = nullptr;
    return m_pConductorStaff;
}

ECPerformance* ECConductor::GetPerformance() {
    // Looked up each time: a conductor taken out of its performance has none.
    return DYNAMIC_DOWNCAST(ECPerformance, GetAncestor(ET_PERFORMANCE, -1));
}

ECConductorStaff* ECConductor::MakeConductorStaff() {
    if (ECConductorStaff* staff = GetConductorStaff())
        return staff;
    ECPerformance* performance = GetPerformance();
    if (!performance)
        return nullptr;
    auto* staff = new ECConductorStaff(this, performance);
    // Held across the command, which releases its item when it ends.
    staff->Ref();
    ApplyAddTrack(performance, staff, -1, 0);   // InsertTrack makes it a child and keeps it
    staff->Unref(1);
    return GetConductorStaff();
}

void ECConductor::ApplyAddTrack(ECPerformance* performance, ECTrack* track, int position, int stateNotify) {
    auto* command = new CCAddTrack(track, position);
    command->SetStateNotify(stateNotify);
    command->SetSynchronous(1);
    command->Apply(performance);
}

// ---- tracks ------------------------------------------------------------------------------

ECTrack* ECConductor::GetTrack(int kind, int number, int create) {
    ECConductorStaff* staff = MakeConductorStaff();
    switch (kind) {
    case TRACK_CONDUCTOR:
        return staff;
    case TRACK_STAFF:
        return staff ? staff->GetStaff(number, create) : nullptr;
    case TRACK_WAVE:
        return GetWaveTrack(number, create);
    default:
        return nullptr;
    }
}

int ECConductor::GetTrackNumber(int kind, ECTrack* track) {
    ECConductorStaff* staff = MakeConductorStaff();
    switch (kind) {
    case TRACK_CONDUCTOR:
        return 0;
    case TRACK_STAFF:
        return staff ? staff->GetStaffNumber(DYNAMIC_DOWNCAST(ECStaff, track)) : -1;
    case TRACK_WAVE:
        return GetWaveTrackNumber(track);
    default:
        return 0;
    }
}

int ECConductor::GetMaxTrackNumber(int kind) {
    ECConductorStaff* staff = MakeConductorStaff();
    switch (kind) {
    case TRACK_CONDUCTOR:
        return 1;
    case TRACK_STAFF:
        return staff ? staff->GetMaxStaffNumber() : 0;
    case TRACK_WAVE:
        return static_cast<int>(m_waveTracks.size());
    default:
        return 0;
    }
}

void ECConductor::SortStaves(int sortConductorStaff) {
    ECConductorStaff* conductorStaff = GetConductorStaff();
    if (!conductorStaff)
        return;
    if (sortConductorStaff)
        conductorStaff->SortStaves();

    // The staves leave the children list only: their parents lists stay as
    // they are, and `staves` keeps them alive meanwhile.
    MCEventList staves;
    for (POSITION pos = m_children.GetHeadPosition(); pos;) {
        const POSITION at = pos;
        ECBase* child = m_children.GetNext(pos);
        if (child->GetClassType() == ET_STAFF) {
            staves.AddEvent(child, UNSORTED);
            m_children.RemoveAt(at);
        }
    }
    // Back in number order; a staff the array does not know goes last.
    for (int number = 1; number <= conductorStaff->GetMaxStaffNumber(); ++number) {
        ECStaff* staff = conductorStaff->GetStaff(number, 0);
        if (staff && staves.Find(staff)) {
            m_children.AddEvent(staff, UNSORTED);   // before `staves` lets it go
            staves.RemoveEvent(staff);
        }
    }
    for (POSITION pos = staves.GetHeadPosition(); pos;)
        m_children.AddEvent(staves.GetNext(pos), UNSORTED);
    m_children.Sort();
}

int ECConductor::InsertTrack(ECTrack* track, int position) {
    if (!track)
        return -1;
    switch (track->GetClassType()) {
    case ET_CONDUCTORSTAFF:
        AddChild(track, SORTED);
        if (!GetConductorStaff()) {
            m_pConductorStaff = static_cast<ECConductorStaff*>(track);
            m_pConductorStaff->m_pConductor = this;
        }
        return 0;
    case ET_STAFF: {
        ECConductorStaff* staff = MakeConductorStaff();
        return staff ? staff->InsertStaff(static_cast<ECStaff*>(track), position) : -1;
    }
    case ET_WAVETRACK: {
        // A number must fit the voice/track word: past it, the track is
        // appended.
        if (position < 0 || position >= kMaxWaveTrack)
            position = static_cast<int>(m_waveTracks.size());
        track->SetVoiceTrack(14, position + 1);
        InsertWaveTrack(m_waveTracks, static_cast<size_t>(position), static_cast<ECWaveTrack*>(track));
        AddChild(track, SORTED);
        return position;
    }
    default:
        return -1;
    }
}

void ECConductor::RemoveTrack(ECTrack* track) {
    if (!track)
        return;
    switch (track->GetClassType()) {
    case ET_STAFF:
        if (ECConductorStaff* staff = GetConductorStaff())
            staff->RemoveStaff(track);
        break;
    case ET_WAVETRACK: {
        // The array only: the track stays a child (the command decides
        // whether it leaves the tree).
        const int number = GetWaveTrackNumber(track);
        if (number > 0)
            m_waveTracks.erase(m_waveTracks.begin() + (number - 1));
        break;
    }
    default:
        break;
    }
}

int ECConductor::GetWaveTrackNumber(ECTrack* track) const {
    if (!track)
        return -1;
    for (size_t i = 0; i < m_waveTracks.size(); ++i)
        if (m_waveTracks[i] == track)
            return static_cast<int>(i) + 1;
    return -1;
}

ECWaveTrack* ECConductor::GetWaveTrack(int number, int create) {
    if (number >= 1 && static_cast<size_t>(number) <= m_waveTracks.size())
        return m_waveTracks[static_cast<size_t>(number - 1)];
    if (!create)
        return nullptr;
    ECPerformance* performance = GetPerformance();
    if (!performance)
        return nullptr;
    auto* track = new ECWaveTrack;
    track->Ref();   // held across the command, as in MakeConductorStaff
    ApplyAddTrack(performance, track, -1, 1);
    ECWaveTrack* added = GetWaveTrackNumber(track) > 0 ? track : nullptr;
    track->Unref(1);
    return added;
}

void ECConductor::BuildWaveTrackArray() {
    m_waveTracks.clear();
    ACFindEvents find(1);
    find.AddEvtType(ET_WAVETRACK);
    find.SetDepth(1);
    find.Apply(this);
    MCEventList& found = find.GetEvents();
    for (POSITION pos = found.GetHeadPosition(); pos;) {
        auto* track = DYNAMIC_DOWNCAST(ECWaveTrack, found.GetNext(pos));
        // A converted word counts as track 2047.
        const int number = track ? track->GetVoiceTrack()->GetTrack() : 0;
        if (number >= 1)
            InsertWaveTrack(m_waveTracks, static_cast<size_t>(number - 1), track);
    }
}

// ---- measures -----------------------------------------------------------------------------

int ECConductor::GetMaxMeasureNumber() {
    ECConductorStaff* staff = MakeConductorStaff();
    return staff ? staff->GetMaxMeasureNumber() : 0;
}

MCTime ECConductor::GetMaxMeasureEndTime() {
    ECConductorStaff* staff = MakeConductorStaff();
    return staff ? staff->GetMaxMeasureEndTime() : MCTime::TimeZero();
}

int ECConductor::GetMeasureNumberAtTime(const MCTime& time) {
    ECConductorStaff* staff = MakeConductorStaff();
    return staff ? staff->GetMeasureNumberAtTime(time) : 0;
}

int ECConductor::GetMeasureNumberBeforeTime(const MCTime& time) {
    ECConductorStaff* staff = MakeConductorStaff();
    return staff ? staff->GetMeasureNumberBeforeTime(time) : 0;
}

ECMeasure* ECConductor::GetMeasure(int track, MCTime time, int create, int count) {
    ECConductorStaff* staff = MakeConductorStaff();
    return staff ? staff->GetMeasure(track, std::move(time), create, count) : nullptr;
}

ECMeasure* ECConductor::GetMeasure(int track, int number) {
    ECConductorStaff* staff = MakeConductorStaff();
    return staff ? staff->GetMeasure(track, number) : nullptr;
}

int ECConductor::GetMeasures(int track, const MCTime& from, const MCTime& to, MCEventList& list) {
    ECConductorStaff* staff = MakeConductorStaff();
    if (!staff) {
        list.RemoveAll();
        return 0;
    }
    return staff->GetMeasures(track, from, to, list);
}

int ECConductor::GetMeasures(int track, int first, int last, MCEventList& list) {
    ECConductorStaff* staff = MakeConductorStaff();
    if (!staff) {
        list.RemoveAll();
        return 0;
    }
    return staff->GetMeasures(track, first, last, list);
}

// ---- meters and tempos -----------------------------------------------------------------

ECBase* ECConductor::AddDefaultEvent(ECBase* event) {
    ECConductorStaff* staff = MakeConductorStaff();
    event->Ref();
    ECBase* added = nullptr;
    if (staff) {
        const MCTime zero = MCTime::TimeZero();
        event->SetTime(&zero);
        event->SetVoiceTrack(14, 0);
        // Adding caches it; a refusal detaches it again.
        if (staff->AddChild(event, SORTED))
            added = event;
    }
    event->Unref(1);   // frees what was not added
    return added;
}

ECTempo* ECConductor::GetTempoAtTime(const MCTime& time) {
    if (ECTempo* tempo = m_pCache->GetTempoAtTime(time))
        return tempo;
    // Nothing is in force below time 0: no default is made for it.
    if (time.GetMode() == TM_NORMAL && time < MCTime::TimeZero())
        return nullptr;
    return static_cast<ECTempo*>(AddDefaultEvent(new ECTempo));
}

ECTempo* ECConductor::GetTempoBeforeTime(const MCTime& time) {
    if (ECTempo* tempo = m_pCache->GetTempoBeforeTime(time))
        return tempo;
    if (time.GetMode() == TM_NORMAL && time < MCTime::TimeZero())
        return nullptr;
    return static_cast<ECTempo*>(AddDefaultEvent(new ECTempo));
}

ECMeter* ECConductor::GetMeterAtTime(const MCTime& time) {
    if (ECMeter* meter = m_pCache->GetMeterAtTime(time))
        return meter;
    if (time.GetMode() == TM_NORMAL && time < MCTime::TimeZero())
        return nullptr;
    return static_cast<ECMeter*>(AddDefaultEvent(new ECMeter(4, 4, 255)));
}

ECMeter* ECConductor::GetMeterBeforeTime(const MCTime& time) {
    if (ECMeter* meter = m_pCache->GetMeterBeforeTime(time))
        return meter;
    if (time.GetMode() == TM_NORMAL && time < MCTime::TimeZero())
        return nullptr;
    return static_cast<ECMeter*>(AddDefaultEvent(new ECMeter(4, 4, 255)));
}

void ECConductor::GetTempoScope(ECTempo* tempo, MCTime& start, MCTime& end) {
    m_pCache->GetTempoScope(tempo, start, end);
}

void ECConductor::GetMeterScope(ECMeter* meter, MCTime& start, MCTime& end) {
    m_pCache->GetMeterScope(meter, start, end);
}

int ECConductor::CacheEvent(ECBase* event) {
    if (!m_pCache || !IsConductorEvent(event))
        return 0;
    return m_pCache->CacheEvent(event);
}

int ECConductor::UncacheEvent(ECBase* event) {
    if (!m_pCache || !IsConductorEvent(event))
        return 0;
    return m_pCache->UncacheEvent(event);
}

int ECConductor::RecacheEvent(ECBase* event) {
    if (!m_pCache || !IsConductorEvent(event))
        return 0;
    if (m_pCache->EventIsCached(event))
        m_pCache->UncacheEvent(event);
    return m_pCache->CacheEvent(event);
}

void ECConductor::ResetCurrentPosition(const MCTime& time) {
    if (m_pCache)
        m_pCache->ResetCurrentPosition(time);
}

MCTime ECConductor::NormalizeTime(const MCTime& time) {
    return m_pCache->NormalizeTime(time);
}

MCTime ECConductor::TranslateTime(const MCTime& time) {
    return m_pCache->TranslateTime(time);
}

MCTime ECConductor::BarPulseTick(const MCTime& time, int ppq) {
    return m_pCache->BarPulseTick(time, ppq);
}
