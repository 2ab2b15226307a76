// ECConductorMeasure and ECConductorStaff: the columns of the measure grid,
// the staves array with its renumbering, the grid's searches, insertion and
// removal of measures, the cache upkeep of the conductor staff's children and
// the arrays of the after-load pass.
#include "model/conductorstaff.h"

#include "model/conductor.h"
#include "model/conductorcache.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/meter.h"
#include "model/performance.h"
#include "model/voicetrackactions.h"
#include "platform/core/archive.h"

#include <algorithm>
#include <cmath>
#include <utility>

IMPLEMENT_SERIAL(ECConductorMeasure, ECMeasure, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECConductorStaff, ECStaff, VERSIONABLE_SCHEMA | 2)

namespace {

// The staves array and each column start with this many entries: index 0 the
// owner, the rest null. The archive writes them all.
constexpr size_t kInitialEntries = 16;
// The length of a measure made without a meter, in quarter notes.
constexpr float kDefaultMeasureLength = 4.0f;
// The highest track number a staff can carry in its voice/track word (2046
// and 2047 mean all tracks and none).
constexpr int kMaxTrackNumber = 2045;

// Inserts at `index` as the class library's arrays do: an index at or past the
// end grows the array with null entries up to it.
template <class T>
void InsertEntry(std::vector<T*>& entries, size_t index, T* entry) {
    if (index >= entries.size()) {
        entries.resize(index + 1, nullptr);
        entries[index] = entry;
    } else {
        entries.insert(entries.begin() + static_cast<ptrdiff_t>(index), entry);
    }
}

// The track number a staff or measure is ordered by: a converted word counts
// as track 2047, an empty entry after every track.
int SortTrack(ECBase* event) {
    if (!event)
        return 2048;
    const MCVoiceTrack* word = event->GetVoiceTrack();
    return word ? word->GetTrack() : 2047;
}

// Exchange-sorts entries 1 to `highest` by track; entry 0 never moves.
template <class T>
void SortEntriesByTrack(std::vector<T*>& entries, int highest) {
    const int last = std::min(highest, static_cast<int>(entries.size()) - 1);
    for (int i = 1; i <= last; ++i)
        for (int j = i + 1; j <= last; ++j)
            if (SortTrack(entries[static_cast<size_t>(j)]) < SortTrack(entries[static_cast<size_t>(i)]))
                std::swap(entries[static_cast<size_t>(i)], entries[static_cast<size_t>(j)]);
}

// A musical time for the grid: real and bar/pulse/tick times are converted
// through the conductor; false for a mode that cannot be (or no conductor).
bool ToMusical(ECConductor* conductor, MCTime& time) {
    if (time.GetMode() == TM_NORMAL)
        return true;
    if (!conductor)
        return false;
    time = conductor->NormalizeTime(time);
    return time.GetMode() == TM_NORMAL;
}

// Reads an array of tree links in the after-load pass: each entry null or
// of the class, and `owner` (when given) at index 0. Entries 0 to `highest`
// must be present (`highest` + 1 of them at least); with `exact` there are
// no more, else the tail past `highest` is null.
template <class T>
std::vector<T*> ReadLinkArray(CArchive& ar, int highest, bool exact, ECBase* owner) {
    const DWORD count = ar.ReadCount(2);   // each entry takes its two-byte tag at least
    // A damaged highest index (negative, or the largest int) asks for more
    // entries than any file holds.
    const int64_t wanted = static_cast<int64_t>(highest) + 1;
    if (wanted < 0 || wanted > static_cast<int64_t>(count))
        throw CArchiveException(CArchiveException::badIndex);
    const auto needed = static_cast<DWORD>(wanted);
    if (exact && count != needed)
        throw CArchiveException(CArchiveException::badIndex);
    std::vector<T*> entries;
    entries.reserve(ar.GetReserveCount(count, sizeof(T*)));
    for (DWORD i = 0; i < count; ++i) {
        ECBase* event = ReadTreeLink(ar, RUNTIME_CLASS(T));
        const bool inRange = i < needed;
        if (owner && i == 0 && inRange && event != owner)
            throw CArchiveException(CArchiveException::badIndex);
        if (event && !inRange)
            throw CArchiveException(CArchiveException::badIndex);
        entries.push_back(static_cast<T*>(event));
    }
    return entries;
}

}  // namespace

ECBase* ReadTreeLink(CArchive& ar, const CRuntimeClass* expected) {
    ECBase* event = ECBase::ReadEvent(ar, 0);
    if (!event)
        return nullptr;
    if (event->GetParents()->IsEmpty() && event->GetRefCount() == 0 &&
        !event->IsKindOf(RUNTIME_CLASS(ECPerformance))) {
        // Not a back reference into the tree read before but an event of its
        // own that nothing holds. A load guard frees it with the rest of the
        // failed load (it holds it in its list); without one it goes now. The
        // archive is given up at once, so no later reference can reach it.
        if (!ECLoadGuard::IsActive()) {
            event->Ref();
            event->Unref(1);
        }
        throw CArchiveException(CArchiveException::badIndex);
    }
    if (!event->IsKindOf(expected))
        throw CArchiveException(CArchiveException::badClass);
    return event;
}

// ---- ECConductorMeasure ----------------------------------------------------------

ECConductorMeasure::ECConductorMeasure() {
    m_time = MCTime::TimeZero();
    InitColumn();
}

ECConductorMeasure::ECConductorMeasure(const MCTime& time) {
    m_time = time;
    InitColumn();
}

ECConductorMeasure::ECConductorMeasure(const ECConductorMeasure& other) : ECMeasure(other) {
    InitColumn();
}

ECConductorMeasure::~ECConductorMeasure() = default;

void ECConductorMeasure::InitColumn() {
    m_voiceTrack = MCVoiceTrack(14, 0);
    m_trackMeasures.assign(kInitialEntries, nullptr);
    m_trackMeasures[0] = this;
    m_nHighestTrack = 0;
}

int ECConductorMeasure::GetClassType() const {
    return ET_CONDUCTORMEASURE;
}

void ECConductorMeasure::Serialize(CArchive& ar) {
    ECMeasure::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<LONG>(m_nHighestTrack);
        return;
    }
    LONG highest = 0;
    ar >> highest;
    if (highest < -1)
        throw CArchiveException(CArchiveException::generic);
    m_nHighestTrack = highest;
    // The column itself comes in the after-load pass; until then it is empty.
    m_trackMeasures.clear();
}

void ECConductorMeasure::PostSerialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteObjects(m_trackMeasures);
        return;
    }
    m_trackMeasures = ReadLinkArray<ECMeasure>(ar, m_nHighestTrack, false, this);
}

ECMeasure* ECConductorMeasure::GetMeasureOnTrack(int track) const {
    if (track < 0 || track > m_nHighestTrack || static_cast<size_t>(track) >= m_trackMeasures.size())
        return nullptr;
    return m_trackMeasures[static_cast<size_t>(track)];
}

void ECConductorMeasure::SetMeasureTime(const MCTime* time) {
    if (!time)
        return;
    for (int track = 0; track <= m_nHighestTrack; ++track)
        if (ECMeasure* measure = GetMeasureOnTrack(track))
            measure->SetTime(time);
}

int ECConductorMeasure::AddMeasureOnTrack(ECMeasure* measure, int track) {
    if (track < 0)
        return -1;
    InsertEntry(m_trackMeasures, static_cast<size_t>(track), measure);
    return ++m_nHighestTrack;
}

ECMeasure* ECConductorMeasure::RemoveMeasureOnTrack(int track) {
    if (track < 0 || track > m_nHighestTrack || static_cast<size_t>(track) >= m_trackMeasures.size())
        return nullptr;
    ECMeasure* measure = m_trackMeasures[static_cast<size_t>(track)];
    m_trackMeasures.erase(m_trackMeasures.begin() + track);
    --m_nHighestTrack;
    return measure;
}

void ECConductorMeasure::RemoveMeasures() {
    m_trackMeasures.clear();
    m_nHighestTrack = -1;
}

void ECConductorMeasure::SortMeasures() {
    SortEntriesByTrack(m_trackMeasures, m_nHighestTrack);
}

// ---- ECConductorStaff: life and archive ----------------------------------------------

ECConductorStaff::ECConductorStaff() {
    InitStaves();
}

ECConductorStaff::ECConductorStaff(ECConductor* conductor, ECPerformance* performance)
    : m_pConductor(conductor), m_pPerformance(performance) {
    m_time = MCTime::TimeZero();
    m_voiceTrack = MCVoiceTrack(14, 0);
    InitStaves();
}

ECConductorStaff::ECConductorStaff(const ECConductorStaff& other)
    : ECStaff(other), m_pConductor(other.m_pConductor), m_pPerformance(other.m_pPerformance),
      m_group(other.m_group) {
    InitStaves();
}

ECConductorStaff::~ECConductorStaff() = default;

void ECConductorStaff::InitStaves() {
    m_staves.assign(kInitialEntries, nullptr);
    m_staves[0] = this;
    m_nHighestStaff = 0;
}

int ECConductorStaff::GetClassType() const {
    return ET_CONDUCTORSTAFF;
}

void ECConductorStaff::Serialize(CArchive& ar) {
    ECStaff::Serialize(ar);
    // On loading only the classes of the two can be checked here (the
    // conductor checks the rest).
    SerializeTrackOwners(ar, m_pConductor, m_pPerformance);
    if (ar.IsStoring()) {
        ar << static_cast<LONG>(m_nHighestStaff) << static_cast<LONG>(m_nHighestMeasure);
        SerializeEventTime(ar, m_endTime);
        return;
    }
    LONG highestStaff = 0;
    LONG highestMeasure = 0;
    ar >> highestStaff >> highestMeasure;
    MCTime endTime;
    SerializeEventTime(ar, endTime);
    if (highestStaff < 0 || highestMeasure < -1 || endTime.GetMode() != TM_NORMAL ||
        !std::isfinite(endTime.GetSeconds()) || endTime < MCTime::TimeZero())
        throw CArchiveException(CArchiveException::generic);
    m_nHighestStaff = highestStaff;
    m_nHighestMeasure = highestMeasure;
    m_endTime = endTime;
    m_nCurrentMeasure = 0;
    // The arrays come in the after-load pass; until then they are empty.
    m_staves.clear();
    m_measures.clear();
}

void ECConductorStaff::PostSerialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteObjects(m_staves);
        ar.WriteObjects(m_measures);
        m_group.Serialize(ar);
        return;
    }
    // Nothing changes until all three are read.
    auto staves = ReadLinkArray<ECStaff>(ar, m_nHighestStaff, false, this);
    auto measures = ReadLinkArray<ECConductorMeasure>(ar, m_nHighestMeasure, true, nullptr);
    for (size_t i = 1; i < staves.size() && i <= static_cast<size_t>(m_nHighestStaff); ++i)
        if (!staves[i] || staves[i]->GetClassType() != ET_STAFF)
            throw CArchiveException(CArchiveException::badClass);
    for (ECConductorMeasure* measure : measures)
        if (!measure)
            throw CArchiveException(CArchiveException::badIndex);
    m_group.Serialize(ar);
    m_staves = std::move(staves);
    m_measures = std::move(measures);
    m_nCurrentMeasure = 0;
}

// ---- children and the conductor's cache ---------------------------------------------

ECConductor* ECConductorStaff::GetConductor() {
    // The conductor this staff hangs under, not the one the archive named: a
    // staff taken out of its conductor works on no cache.
    return DYNAMIC_DOWNCAST(ECConductor, GetAncestor(ET_CONDUCTOR, 1));
}

ECPerformance* ECConductorStaff::GetPerformance() {
    ECConductor* conductor = GetConductor();
    return conductor ? conductor->GetPerformance() : nullptr;
}

int ECConductorStaff::AddChild(ECBase* child, int sorted) {
    if (!ECStaff::AddChild(child, sorted))
        return 0;
    if (MCConductorCache::IsCacheEvent(child)) {
        ECConductor* conductor = GetConductor();
        if (conductor && !conductor->CacheEvent(child)) {
            // A meter or tempo already starts at that time.
            child->RemoveFromParents();
            return 0;
        }
    }
    return 1;
}

int ECConductorStaff::RemoveChild(ECBase* child, int deep) {
    if (MCConductorCache::IsCacheEvent(child) && m_children.Find(child)) {
        if (ECConductor* conductor = GetConductor())
            conductor->UncacheEvent(child);
    }
    return ECStaff::RemoveChild(child, deep);
}

int ECConductorStaff::RemoveChildren(int deep) {
    if (ECConductor* conductor = GetConductor())
        if (MCConductorCache* cache = conductor->GetCache())
            cache->DeleteCache();
    const int removed = ECStaff::RemoveChildren(deep);
    // The conductor measures were children: the grid went with them.
    m_measures.clear();
    m_nHighestMeasure = -1;
    m_nCurrentMeasure = 0;
    m_endTime = MCTime::TimeZero();
    return removed;
}

void ECConductorStaff::RebuildCaches() {
    for (int track = 1; track <= m_nHighestStaff; ++track)
        if (ECStaff* staff = GetStaff(track, 0))
            staff->RebuildCache();
}

// ---- staves ----------------------------------------------------------------------------

int ECConductorStaff::GetStaffNumber(ECStaff* staff) const {
    if (!staff)
        return -1;
    const int last = std::min(m_nHighestStaff, static_cast<int>(m_staves.size()) - 1);
    for (int number = 0; number <= last; ++number)
        if (m_staves[static_cast<size_t>(number)] == staff)
            return number;
    return -1;
}

ECStaff* ECConductorStaff::GetStaff(int number, int create) {
    if (number >= 0 && number <= m_nHighestStaff)
        return static_cast<size_t>(number) < m_staves.size() ? m_staves[static_cast<size_t>(number)] : nullptr;
    // A staff's number has to fit its voice/track word.
    if (!create || number < 1 || number > kMaxTrackNumber)
        return nullptr;
    ECPerformance* performance = GetPerformance();
    if (!performance)
        return nullptr;
    auto* staff = new ECStaff;
    staff->SetVoiceTrack(14, number);
    // Held across the command: should it be refused, the command's release
    // would otherwise free the staff under the caller.
    staff->Ref();
    if (ECConductor* conductor = GetConductor())
        conductor->ApplyAddTrack(performance, staff, number, 1);
    ECStaff* added = GetStaffNumber(staff) >= 0 ? staff : nullptr;
    staff->Unref(1);
    return added;
}

void ECConductorStaff::FindTracks(MCEventList& tracks) {
    // Performance, conductor, tracks.
    ECPerformance* performance = GetPerformance();
    if (!performance)
        return;
    ACFindEvents find(2);
    find.AddEvtType(ET_STAFF);
    find.AddEvtType(ET_CONDUCTORSTAFF);
    find.SetDepth(2);
    find.Apply(performance);
    tracks.AddEvents(&find.GetEvents(), UNSORTED);
}

int ECConductorStaff::InsertStaff(ECStaff* staff, int position) {
    ECConductor* conductor = GetConductor();
    if (!staff || !conductor)
        return -1;
    if (position < 1 || position > m_nHighestStaff + 1)
        position = m_nHighestStaff + 1;

    // Every staff from the position on moves one up, with every event below
    // it; from the last found, as the tracks stand in the tree.
    MCEventList tracks;
    FindTracks(tracks);
    for (POSITION pos = tracks.GetTailPosition(); pos;) {
        ECBase* track = tracks.GetPrev(pos);
        const int number = SortTrack(track);
        if (number != 0 && number >= position && number < kMaxTrackNumber)
            ACSetVoiceTrack(number + 1, 15).Apply(track);
    }

    staff->SetVoiceTrack(14, position);
    InsertEntry(m_staves, static_cast<size_t>(position), staff);
    ++m_nHighestStaff;
    conductor->AddChild(staff, SORTED);
    conductor->SortStaves(0);

    // The staff gets an empty measure in every column of the grid.
    for (int index = 0; index <= m_nHighestMeasure; ++index) {
        ECConductorMeasure* column = GetConductorMeasure(index);
        if (!column)
            continue;
        auto* measure = new ECMeasure;
        measure->SetTime(column->GetTime());
        measure->SetVoiceTrack(14, position);
        staff->AddChild(measure, SORTED);
        column->AddMeasureOnTrack(measure, position);
    }

    m_group.InsertTrack(position, staff->GetStaffType() == 1 ? MCGroup::KIND_STAFF_TYPE_1 : MCGroup::KIND_PLAIN);
    return position;
}

void ECConductorStaff::RemoveStaff(ECTrack* track) {
    // Only a staff of this array leaves here: the conductor staff is never
    // removed, and a wave track's number is not a staff's.
    auto* staff = DYNAMIC_DOWNCAST(ECStaff, track);
    if (!staff || staff->GetClassType() != ET_STAFF)
        return;
    const int number = GetStaffNumber(staff);
    if (number < 1)
        return;
    ECConductor* conductor = GetConductor();

    // Every staff from the number on moves one down, the removed one too.
    MCEventList tracks;
    FindTracks(tracks);
    for (POSITION pos = tracks.GetHeadPosition(); pos;) {
        ECBase* found = tracks.GetNext(pos);
        const int t = SortTrack(found);
        if (t != 0 && t >= number && t <= kMaxTrackNumber)
            ACSetVoiceTrack(t - 1, 15).Apply(found);
    }

    // The columns let go of the staff's measures first: detaching the staff
    // below may free them. The measures stay the staff's children.
    for (int index = m_nHighestMeasure; index >= 0; --index)
        if (ECConductorMeasure* column = GetConductorMeasure(index))
            column->RemoveMeasureOnTrack(number);

    m_staves.erase(m_staves.begin() + number);
    --m_nHighestStaff;
    if (conductor) {
        conductor->RemoveChild(staff, 0);   // may free the staff
        conductor->SortStaves(0);
    }
    m_group.RemoveTrack(number);
}

void ECConductorStaff::SortStaves() {
    SortEntriesByTrack(m_staves, m_nHighestStaff);
    for (int index = 0; index <= m_nHighestMeasure; ++index)
        if (ECConductorMeasure* column = GetConductorMeasure(index))
            column->SortMeasures();
}

void ECConductorStaff::GroupStaves(int first, int last, int kind) {
    m_group.GroupTracks(first, last, static_cast<unsigned char>(kind));
}

void ECConductorStaff::RemoveGroup(int index) {
    m_group.RemovePrimaryGroup(index);
}

// ---- the grid: searching ------------------------------------------------------------------

ECConductorMeasure* ECConductorStaff::GetConductorMeasure(int index) const {
    if (index < 0 || index > m_nHighestMeasure || static_cast<size_t>(index) >= m_measures.size())
        return nullptr;
    return m_measures[static_cast<size_t>(index)];
}

ECConductorMeasure* ECConductorStaff::GetConductorMeasureAtTime(MCTime& time, int create, int count) {
    if (time.GetMode() != TM_NORMAL) {
        ECConductor* conductor = GetConductor();
        if (!conductor)
            return nullptr;
        time = conductor->NormalizeTime(time);   // the caller's time changes
        if (time.GetMode() != TM_NORMAL)
            return nullptr;
    }
    if (time < MCTime::TimeZero())
        return nullptr;

    if (time < m_endTime) {
        const int highest = std::min(m_nHighestMeasure, static_cast<int>(m_measures.size()) - 1);
        if (highest < 0)
            return nullptr;
        m_nCurrentMeasure = std::clamp(m_nCurrentMeasure, 0, highest);
        if (time < *m_measures[static_cast<size_t>(m_nCurrentMeasure)]->GetTime()) {
            while (m_nCurrentMeasure > 0 && time < *m_measures[static_cast<size_t>(m_nCurrentMeasure)]->GetTime())
                --m_nCurrentMeasure;
        } else {
            while (m_nCurrentMeasure <= highest && *m_measures[static_cast<size_t>(m_nCurrentMeasure)]->GetTime() <= time)
                ++m_nCurrentMeasure;
            --m_nCurrentMeasure;
        }
        return m_measures[static_cast<size_t>(m_nCurrentMeasure)];
    }

    if (!create || !std::isfinite(time.GetSeconds()))
        return nullptr;
    count = std::max(count, 1);
    ECConductor* conductor = GetConductor();
    std::vector<POSITION> places;   // of the measures this run made last
    while (m_endTime <= time) {
        const MCTime before = m_endTime;
        ECMeter* meter = conductor ? conductor->GetMeterAtTime(m_endTime) : nullptr;
        InsertMeasuresInRun(m_nHighestMeasure + 1, count, m_endTime, meter, places);
        // A pass that adds nothing (the end time no longer grows at float
        // precision) would repeat for ever.
        if (!(before < m_endTime))
            return nullptr;
    }
    m_nCurrentMeasure = m_nHighestMeasure;
    return GetConductorMeasureAtTime(time, 0, count);
}

int ECConductorStaff::GetMeasureNumberAtTime(const MCTime& time) {
    MCTime t(time);
    if (!ToMusical(GetConductor(), t) || t < MCTime::TimeZero())
        return 0;
    if (t >= m_endTime)
        return m_nHighestMeasure + 1;
    return GetConductorMeasureAtTime(t, 0, 0) ? m_nCurrentMeasure + 1 : 0;
}

int ECConductorStaff::GetMeasureNumberBeforeTime(const MCTime& time) {
    MCTime t(time);
    if (!ToMusical(GetConductor(), t) || t <= MCTime::TimeZero())
        return 0;
    if (t >= m_endTime)
        return m_nHighestMeasure + 1;
    ECConductorMeasure* column = GetConductorMeasureAtTime(t, 0, 0);
    if (!column)
        return 0;
    // A time at the very start of a measure belongs to the one before.
    return *column->GetTime() == t ? m_nCurrentMeasure : m_nCurrentMeasure + 1;
}

ECMeasure* ECConductorStaff::GetMeasure(int track, MCTime time, int create, int count) {
    switch (time.GetMode()) {
    case TM_NORMAL: {
        if (!GetStaff(track, create))
            return nullptr;
        ECConductorMeasure* column = GetConductorMeasureAtTime(time, create, count);
        return column ? column->GetMeasureOnTrack(track) : nullptr;
    }
    case TM_REAL: {
        ECConductor* conductor = GetConductor();
        if (!conductor)
            return nullptr;
        return GetMeasure(track, conductor->NormalizeTime(time), create, 1);
    }
    default:
        return nullptr;
    }
}

ECMeasure* ECConductorStaff::GetMeasure(int track, int number) {
    if (track < 0 || track > m_nHighestStaff)
        return nullptr;
    ECConductorMeasure* column = GetConductorMeasure(number - 1);
    return column ? column->GetMeasureOnTrack(track) : nullptr;
}

int ECConductorStaff::GetMeasures(int track, int first, int last, MCEventList& list) {
    list.RemoveAll();
    const int from = std::max(first - 1, 0);
    // Cut to the measures there are: a number past the last lists up to it.
    const int to = std::min(std::max(last - 1, 0), m_nHighestMeasure);
    const auto appendTrack = [&](int t) {
        for (int index = from; index <= to; ++index)
            if (ECConductorMeasure* column = GetConductorMeasure(index))
                if (ECMeasure* measure = column->GetMeasureOnTrack(t))
                    list.AddEvent(measure, UNSORTED);
    };
    if (track == TRACK_ALL) {
        for (int t = 0; t <= m_nHighestStaff; ++t)
            appendTrack(t);
    } else {
        appendTrack(track);
    }
    return list.IsEmpty() ? 0 : 1;
}

int ECConductorStaff::GetMeasures(int track, const MCTime& from, const MCTime& to, MCEventList& list) {
    if (from >= m_endTime) {
        list.RemoveAll();
        return 0;
    }
    return GetMeasures(track, GetMeasureNumberAtTime(from), GetMeasureNumberBeforeTime(to), list);
}

// ---- the grid: changing it -----------------------------------------------------------------

int ECConductorStaff::InsertMeasures(int index, int count, MCTime start, ECMeter* meter) {
    std::vector<POSITION> places;
    return InsertMeasuresInRun(index, count, std::move(start), meter, places);
}

int ECConductorStaff::InsertMeasuresInRun(int index, int count, MCTime start, ECMeter* meter,
                                          std::vector<POSITION>& places) {
    count = std::max(count, 0);
    if (index < 0 || index > m_nHighestMeasure)
        index = m_nHighestMeasure + 1;
    const MCTime length(meter ? meter->GetMeasureLength() : kDefaultMeasureLength);
    places.resize(static_cast<size_t>(m_nHighestStaff) + 1, nullptr);

    // Each new measure goes in after the one made before it: the tempos and
    // meters of a file read stand far past the measures made so far, and a
    // search from the tail for every measure would pass them all each time.
    // (A column, like a staff's measure, is nothing AddChild caches.)
    for (int k = 0; k < count; ++k) {
        auto* column = new ECConductorMeasure(start);
        places[0] = AddChildAfter(column, places[0]);
        InsertEntry(m_measures, static_cast<size_t>(index + k), column);
        for (int track = 1; track <= m_nHighestStaff; ++track) {
            ECStaff* staff = GetStaff(track, 0);
            if (!staff)
                continue;
            auto* measure = new ECMeasure;
            measure->SetTime(&start);
            measure->SetVoiceTrack(14, track);
            places[static_cast<size_t>(track)] = staff->AddChildAfter(measure, places[static_cast<size_t>(track)]);
            column->AddMeasureOnTrack(measure, track);
        }
        start += length;
        ++m_nHighestMeasure;
        m_endTime += length;
    }
    m_nCurrentMeasure = std::max(std::min(index + count, m_nHighestMeasure), 0);
    return 1;
}

int ECConductorStaff::RemoveMeasures(int index, int count) {
    count = std::max(count, 0);
    // Out of range: the last `count` measures. A run past the last measure
    // stops there: no other measure than asked ever goes.
    if (index < 0 || index > m_nHighestMeasure)
        index = std::max(m_nHighestMeasure - count + 1, 0);
    count = std::min(count, m_nHighestMeasure + 1 - index);
    ECConductor* conductor = GetConductor();

    for (int k = count - 1; k >= 0; --k) {
        ECConductorMeasure* column = GetConductorMeasure(index + k);
        if (!column)
            continue;
        ECMeter* meter = conductor ? conductor->GetMeterAtTime(*column->GetTime()) : nullptr;
        const MCTime length(meter ? meter->GetMeasureLength() : kDefaultMeasureLength);
        for (int track = m_nHighestStaff; track >= 1; --track)
            column->RemoveMeasureOnTrack(track);
        m_measures.erase(m_measures.begin() + index + k);
        --m_nHighestMeasure;
        m_endTime -= length;
    }
    m_nCurrentMeasure = std::max(std::min(index + count, m_nHighestMeasure), 0);
    return 1;
}

void ECConductorStaff::RemoveEvents(const MCTime& from, const MCTime& to) {
    for (int t = 0; t <= m_nHighestStaff; ++t) {
        ECStaff* track = GetStaff(t, 0);
        if (!track)
            continue;
        // A copy: removal changes the children list (and the copy's
        // references keep each event alive until the walk is past it).
        MCEventList children;
        children.AddEvents(track->GetChildren(), UNSORTED);
        for (POSITION pos = children.GetHeadPosition(); pos;) {
            ECBase* child = children.GetNext(pos);
            const MCTime* time = child->GetTime();
            if (!time)
                continue;
            const int type = child->GetClassType();
            if (*time == MCTime::TimeZero() && (type == ET_BANKLSB || type == ET_BANKMSB || type == ET_METER ||
                                                 type == ET_PROGRAMCHANGE || type == ET_TEXT))
                continue;
            if (type == ET_MEASURE || type == ET_CONDUCTORMEASURE)
                continue;
            if (from <= *time && *time < to)
                child->RemoveFromParents();
        }
    }
}

void ECConductorStaff::AdjustMeasureChildren(const MCTime& from, const MCTime& to, int backwards) {
    ECConductor* conductor = GetConductor();
    if (!conductor)
        return;
    for (int t = 0; t <= m_nHighestStaff; ++t) {
        MCEventList measures;
        conductor->GetMeasures(t, from, to, measures);
        measures.Sort();
        for (POSITION mpos = backwards ? measures.GetTailPosition() : measures.GetHeadPosition(); mpos;) {
            ECBase* measure = backwards ? measures.GetPrev(mpos) : measures.GetNext(mpos);
            MCEventList children;   // a copy: the walk moves children away
            children.AddEvents(measure->GetChildren(), UNSORTED);
            for (POSITION pos = backwards ? children.GetTailPosition() : children.GetHeadPosition(); pos;) {
                ECBase* child = backwards ? children.GetPrev(pos) : children.GetNext(pos);
                const MCTime* time = child->GetTime();
                if (!time)
                    continue;
                ECMeasure* target = conductor->GetMeasure(t, *time, 0, 1);
                if (!target || target == measure)
                    continue;
                // Added first, so the child never stands without a parent
                // (which would detach its own children).
                target->AddChild(child, SORTED);
                measure->RemoveChild(child, 0);
                // Its old measure's removal uncached a clef or key that the
                // new one's addition found already cached: cache it again.
                if (IsCachedMark(child))
                    if (ECStaff* staff = GetStaff(t, 0))
                        staff->RecacheEvent(child, GetCacheHand(child));
            }
        }
    }
}
