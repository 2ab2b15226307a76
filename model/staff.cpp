// ECTrack, ECStaff and ECWaveTrack: construction, archive forms, and the
// staff's clef and key cache.
#include "model/staff.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/performance.h"
#include "model/staffcache.h"
#include "platform/core/archive.h"

IMPLEMENT_SERIAL(ECTrack, ECWithTimeChild, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECStaff, ECTrack, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECWaveTrack, ECTrack, VERSIONABLE_SCHEMA | 2)

namespace {

// How a clef or key whose time changes reaches the cache of the staff above
// it. The staff found may be a container answering ET_STAFF without being a
// staff (it has no cache): nothing to keep then.
int KeepStaffCache(ECBase* staffEvent, ECBase* event, unsigned char hand, int cache) {
    auto* staff = DYNAMIC_DOWNCAST(ECStaff, staffEvent);
    if (!staff)
        return 0;
    return cache ? staff->CacheEvent(event, hand) : staff->UncacheEvent(event, hand);
}

// Installed as the library loads, so that no clef or key can be under a staff
// before the marking classes know how to reach its cache.
const bool s_upkeepInstalled = (SetStaffCacheUpkeep(&KeepStaffCache), true);

}  // namespace

// ---- ECTrack -------------------------------------------------------------------------

ECTrack::ECTrack() {
    m_time = MCTime::TimeZero();
    m_voiceTrack = MCVoiceTrack(14, 2047);
}

ECTrack::ECTrack(const ECTrack& other) = default;

ECTrack::~ECTrack() = default;

void ECTrack::Serialize(CArchive& ar) {
    ECWithTimeChild::Serialize(ar);
}

int ECTrack::GetClassType() const {
    return ET_TRACK;
}

void SerializeTrackOwners(CArchive& ar, ECConductor*& conductor, ECPerformance*& performance) {
    if (ar.IsStoring()) {
        ar.WriteObject(conductor);
        ar.WriteObject(performance);
        return;
    }
    ECBase* readConductor = ECBase::ReadEvent(ar, 0);
    ECBase* readPerformance = ECBase::ReadEvent(ar, 0);
    conductor = DYNAMIC_DOWNCAST(ECConductor, readConductor);
    performance = DYNAMIC_DOWNCAST(ECPerformance, readPerformance);
    if ((readConductor && !conductor) || (readPerformance && !performance))
        throw CArchiveException(CArchiveException::badClass);
}

// ---- ECStaff -------------------------------------------------------------------------

ECStaff::ECStaff() : m_pCache(std::make_unique<MCStaffCache>()) {}

ECStaff::ECStaff(unsigned char staffType) : m_staffType(staffType), m_pCache(std::make_unique<MCStaffCache>()) {}

ECStaff::ECStaff(const ECStaff& other)
    : ECTrack(other), m_staffType(other.m_staffType), m_pCache(std::make_unique<MCStaffCache>()) {}

ECStaff::~ECStaff() = default;

int ECStaff::GetClassType() const {
    return ET_STAFF;
}

void ECStaff::Serialize(CArchive& ar) {
    // Files before version 1 wrote the ECWithTimeChild part where later ones
    // write the track part: the same bytes, so one reader serves both.
    ECTrack::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<BYTE>(m_staffType);
        return;
    }
    ar >> m_staffType;
    // The clefs and keys came in with the children; the cache is not archived.
    RebuildCache();
}

void ECStaff::RebuildCache() {
    if (!m_pCache)
        return;
    // Staff, measure, marking: clefs and keys stand two levels down.
    ACFindEvents find(2);
    find.AddEvtType(ET_CLEF);
    find.AddEvtType(ET_KEY);
    find.SetDepth(2);
    find.Apply(this);
    m_pCache->BuildCache(&find.GetEvents());
}

ECClef* ECStaff::GetClefAtTime(const MCTime& time, unsigned char hand) {
    return m_pCache ? m_pCache->GetClefAtTime(time, hand) : nullptr;
}

ECClef* ECStaff::GetClefBeforeTime(const MCTime& time, unsigned char hand) {
    return m_pCache ? m_pCache->GetClefBeforeTime(time, hand) : nullptr;
}

ECKey* ECStaff::GetKeyAtTime(const MCTime& time, unsigned char hand) {
    return m_pCache ? m_pCache->GetKeyAtTime(time, hand) : nullptr;
}

ECKey* ECStaff::GetKeyBeforeTime(const MCTime& time, unsigned char hand) {
    return m_pCache ? m_pCache->GetKeyBeforeTime(time, hand) : nullptr;
}

void ECStaff::GetClefScope(ECClef* clef, MCTime& start, MCTime& end, unsigned char hand) {
    start = MCTime::TimeNull();
    end = MCTime::TimeNull();
    if (m_pCache)
        m_pCache->GetClefScope(clef, start, end, hand);
}

void ECStaff::GetKeyScope(ECKey* key, MCTime& start, MCTime& end, unsigned char hand) {
    start = MCTime::TimeNull();
    end = MCTime::TimeNull();
    if (m_pCache)
        m_pCache->GetKeyScope(key, start, end, hand);
}

int ECStaff::CacheEvent(ECBase* event, unsigned char hand) {
    if (!m_pCache || !MCStaffCache::IsCacheEvent(event))
        return 0;
    return m_pCache->CacheEvent(event, hand);
}

int ECStaff::UncacheEvent(ECBase* event, unsigned char hand) {
    if (!m_pCache || !MCStaffCache::IsCacheEvent(event))
        return 0;
    return m_pCache->UncacheEvent(event, hand);
}

int ECStaff::RecacheEvent(ECBase* event, unsigned char hand) {
    if (!m_pCache || !MCStaffCache::IsCacheEvent(event))
        return 0;
    // After a change of hand the event still stands in the slot of its old
    // hand: it leaves whichever slot of its pair holds it.
    if (m_pCache->EventIsCached(event) && !m_pCache->UncacheEvent(event, hand))
        m_pCache->UncacheEvent(event, hand == 0 ? 1 : 0);
    return m_pCache->CacheEvent(event, hand);
}

int ECStaff::RemoveChild(ECBase* child, int deep) {
    // Once detached, the measure finds no staff to uncache its marks from.
    if (auto* measure = DYNAMIC_DOWNCAST(ECMeasure, child); measure && m_children.Find(measure))
        measure->UncacheMarks(this);
    return ECTrack::RemoveChild(child, deep);
}

int ECStaff::RemoveChildren(int deep) {
    if (!ECTrack::RemoveChildren(deep))
        return 0;
    if (m_pCache)
        m_pCache->DeleteCache();
    return 1;
}

// ---- ECWaveTrack ---------------------------------------------------------------------

ECWaveTrack::ECWaveTrack(ECConductor* conductor, ECPerformance* performance)
    : m_pConductor(conductor), m_pPerformance(performance) {}

ECWaveTrack::ECWaveTrack(const ECWaveTrack& other) = default;

ECWaveTrack::~ECWaveTrack() = default;

int ECWaveTrack::GetClassType() const {
    return ET_WAVETRACK;
}

void ECWaveTrack::Serialize(CArchive& ar) {
    ECTrack::Serialize(ar);
    SerializeTrackOwners(ar, m_pConductor, m_pPerformance);
}
