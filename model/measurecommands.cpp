// The measure commands: inserting empty measures and deleting runs of
// measures with their music (see measurecommands.h).
#include "model/measurecommands.h"

#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/metercommands.h"
#include "model/performance.h"
#include "model/staff.h"
#include "model/tempo.h"

#include <initializer_list>

namespace {

// The track of an event's word (2047 for a converted word or none).
int TrackOf(ECBase* event) {
    const MCVoiceTrack* word = event->GetVoiceTrack();
    return word ? word->GetTrack() : TRACK_NONE;
}

void AppendOnce(MCEventList& list, ECBase* event) {
    if (event && !list.Find(event))
        list.AddTail(event);
}

// The events of the types (every type for none) down to `depth` levels below
// `from` whose time lies between `start` and `end` (ACFindTime's mode says
// which ends count), appended to `found` in walk order.
void FindInTime(ECBase* from, const MCTime& start, const MCTime& end, int mode, unsigned char depth,
                std::initializer_list<int> types, MCEventList& found) {
    ACFindTime find(start, end, mode);
    for (int type : types)
        find.AddEvtType(type);
    find.SetDepth(depth);
    find.Apply(from);
    found.AddEvents(&find.GetEvents(), UNSORTED);
}

// ACFindTime's modes used here: both ends in, and the start only.
constexpr int kBothEnds = 0;
constexpr int kStartOnly = 3;

// Puts a detached event into a measure at a time (nothing without a measure:
// the list that holds the event then lets it go).
void Attach(ECBase* event, ECMeasure* measure, const MCTime& time) {
    if (!measure)
        return;
    event->SetTime(&time);
    measure->AddChild(event, SORTED);
}

// Puts a detached mark of the start of the piece into the first measure of
// its track.
void AttachAtStart(ECConductor* conductor, ECBase* event) {
    ECMeasure* measure = conductor->GetMeasure(TrackOf(event), MCTime::TimeZero(), 0, 1);
    Attach(event, measure, measure ? *measure->GetTime() : MCTime::TimeZero());
}

void DetachAll(MCEventList& events) {
    for (POSITION pos = events.GetHeadPosition(); pos;)
        events.GetNext(pos)->RemoveFromParents();
}

}  // namespace

// ---- CCAddMeasure ------------------------------------------------------------------

CCAddMeasure::CCAddMeasure() {
    InitCCAddMeasure();
}

CCAddMeasure::CCAddMeasure(int insertCount, int insertIndex) {
    InitCCAddMeasure();
    m_nInsertCount = insertCount;
    m_nInsertIndex = insertIndex;
}

CCAddMeasure::~CCAddMeasure() {
    HoldMeterRef(m_pMeter, nullptr);
}

void CCAddMeasure::InitCCAddMeasure() {
    m_nInsertCount = 1;
    m_nInsertIndex = -1;
    m_insertTime = MCTime::TimeNull();
}

int CCAddMeasure::GetCommandId() const {
    return CMD_ADDMEASURE;
}

CCAddItem* CCAddMeasure::Add(ECBase*, ECBase*, const FCMidi&) {
    return nullptr;
}

int CCAddMeasure::Prepare() {
    if (!CCAdd::Prepare())
        return 0;
    ECConductor* conductor = ConductorOf(*this);
    m_pConductorStaff = ConductorStaffOf(conductor);
    if (!m_pConductorStaff)
        return 0;
    VerifyInsertLocation();
    if (!CheckMeter())
        return 0;
    PrepareAdd();
    return 1;
}

void CCAddMeasure::VerifyInsertLocation() {
    const int last = m_pConductorStaff->GetMaxMeasureNumber() - 1;
    if (m_nInsertIndex < 0 || m_nInsertIndex > last)
        m_nInsertIndex = last + 1;
}

int CCAddMeasure::CheckMeter() {
    ECConductor* conductor = ConductorOf(*this);
    ECMeasure* at = m_pConductorStaff->GetMeasure(TRACK_CONDUCTOR, m_nInsertIndex + 1);
    m_insertTime = at ? *at->GetTime() : m_pConductorStaff->GetMaxMeasureEndTime();
    // The meter before the insert point: a change at the start of the measure
    // the new ones go before stays with that measure.
    // Held until Process, whatever the batch does meanwhile.
    HoldMeterRef(m_pMeter, conductor ? conductor->GetMeterBeforeTime(m_insertTime) : nullptr);
    return m_pMeter != nullptr;
}

void CCAddMeasure::PrepareAdd() {
    m_timeZeroEvents.RemoveAll();
    m_endClefs.RemoveAll();
    ECBase* conductor = GetConductorEvent();
    if (m_insertTime == MCTime::TimeZero()) {
        // Conductor, staves, measures, marks.
        FindInTime(conductor, m_insertTime, m_insertTime, kBothEnds, 3, {ET_CLEF, ET_KEY}, m_timeZeroEvents);
        return;
    }
    // A clef written before the bar line of the insert point belongs to the
    // music after it: it goes behind the new measures. Such a clef stands at
    // the end of the measure before the bar line, on any staff.
    ECConductor* grid = ConductorOf(*this);
    if (!grid)
        return;
    const int before = grid->GetMeasureNumberBeforeTime(m_insertTime);
    MCEventList clefs;
    for (int track = 1; track <= grid->GetMaxTrackNumber(TRACK_STAFF); ++track)
        if (ECMeasure* measure = grid->GetMeasure(track, before))
            FindInTime(measure, m_insertTime, m_insertTime, kBothEnds, 1, {ET_CLEF}, clefs);
    for (POSITION pos = clefs.GetHeadPosition(); pos;) {
        ECBase* clef = clefs.GetNext(pos);
        ECBase* measure = clef->GetAncestor(ET_MEASURE, -1);
        if (measure && *measure->GetTime() < m_insertTime)
            m_endClefs.AddTail(clef);
    }
}

int CCAddMeasure::Process() {
    if (!CCAdd::Process())
        return 0;
    DoAdd();
    return 1;
}

void CCAddMeasure::DoAdd() {
    ECConductor* conductor = ConductorOf(*this);
    ECConductorStaff* staff = m_pConductorStaff;
    if (!conductor || !staff || !m_pMeter || m_nInsertCount < 1) {
        m_timeZeroEvents.RemoveAll();
        m_endClefs.RemoveAll();
        return;
    }
    const MCTime delta = static_cast<float>(m_nInsertCount) * MCTime(m_pMeter->GetMeasureLength());

    // Out of the tree while the music moves; the lists keep them.
    DetachAll(m_timeZeroEvents);
    DetachAll(m_endClefs);
    // The staves' caches are rebuilt once, below, after the clefs came back;
    // when nothing moved, the measures kept them whole as the marks left and
    // came back (appending at the end).
    const bool shifted = ShiftMusic(GetTarget(), conductor, staff, delta, m_insertTime, ShiftCaches::ConductorOnly);
    staff->InsertMeasures(m_nInsertIndex, m_nInsertCount, m_insertTime, m_pMeter);

    // The clefs and keys of the start of the piece, in the new first measure.
    for (POSITION pos = m_timeZeroEvents.GetHeadPosition(); pos;) {
        ECBase* event = m_timeZeroEvents.GetNext(pos);
        AttachAtStart(conductor, event);
    }
    // The clefs of the bar line, at the end of the last new measure.
    MCTime end = m_insertTime;
    end += delta;
    const int lastNew = m_nInsertIndex + m_nInsertCount;
    for (POSITION pos = m_endClefs.GetHeadPosition(); pos;) {
        ECBase* clef = m_endClefs.GetNext(pos);
        Attach(clef, conductor->GetMeasure(TrackOf(clef), lastNew), end);
    }
    m_timeZeroEvents.RemoveAll();
    m_endClefs.RemoveAll();
    if (shifted)
        staff->RebuildCaches();
}

// ---- CCRemoveMeasure ---------------------------------------------------------------

CCRemoveMeasure::CCRemoveMeasure() {
    InitCCRemoveMeasure();
}

CCRemoveMeasure::CCRemoveMeasure(int removeCount, int removeIndex) {
    InitCCRemoveMeasure();
    m_nRemoveCount = removeCount;
    m_nRemoveIndex = removeIndex;
}

CCRemoveMeasure::~CCRemoveMeasure() {
    m_keptEvents.RemoveAll();
    HoldMeterRef(m_pMeterCopy, nullptr);
}

void CCRemoveMeasure::InitCCRemoveMeasure() {
    m_nRemoveCount = 1;
    m_nRemoveIndex = -1;
    m_nLastIndex = -1;
    m_regionStart = MCTime::TimeNull();
    m_regionEnd = MCTime::TimeNull();
    m_bEmpty = true;
}

int CCRemoveMeasure::GetCommandId() const {
    return CMD_REMOVEMEASURE;
}

void CCRemoveMeasure::Remove(ECBase*) {}

void CCRemoveMeasure::GetRemoveRegion(MCTime& start, MCTime& end) const {
    start = m_regionStart;
    end = m_regionEnd;
}

int CCRemoveMeasure::Prepare() {
    if (!CCRemove::Prepare())
        return 0;
    ECConductor* conductor = ConductorOf(*this);
    m_pConductorStaff = ConductorStaffOf(conductor);
    if (!m_pConductorStaff)
        return 0;
    VerifyRemoveRegion();
    if (m_bEmpty)
        return 1;
    CheckMeterAdd();
    PrepareRemove();
    return 1;
}

void CCRemoveMeasure::VerifyRemoveRegion() {
    m_nLastIndex = m_pConductorStaff->GetMaxMeasureNumber() - 1;
    const int last = m_nLastIndex;
    if (m_nRemoveIndex < 0)
        m_nRemoveIndex = last - m_nRemoveCount + 1;
    if (m_nRemoveIndex > last)
        m_nRemoveIndex = last;
    if (m_nRemoveIndex < 0)
        m_nRemoveIndex = 0;   // more measures asked from the end than there are
    // The grid is read from the index to index + count - 1: a run past the
    // last measure stops there.
    if (m_nRemoveCount > last - m_nRemoveIndex + 1)
        m_nRemoveCount = last - m_nRemoveIndex + 1;
    m_bEmpty = last < 0 || m_nRemoveCount < 1;
}

void CCRemoveMeasure::CheckMeterAdd() {
    if (m_nRemoveIndex + m_nRemoveCount > m_nLastIndex)
        return;   // nothing follows the run
    ECConductor* conductor = ConductorOf(*this);
    ECMeasure* first = m_pConductorStaff->GetMeasure(TRACK_CONDUCTOR, m_nRemoveIndex + 1);
    ECMeasure* after = m_pConductorStaff->GetMeasure(TRACK_CONDUCTOR, m_nRemoveIndex + m_nRemoveCount + 1);
    if (!conductor || !first || !after)
        return;
    const MCTime t1 = *first->GetTime();
    const MCTime t2 = *after->GetTime();
    ECMeter* before = conductor->GetMeterBeforeTime(t1);
    ECMeter* at = conductor->GetMeterAtTime(t2);
    if (!at || at == before || !(*at->GetTime() < t2))
        return;

    // A meter change inside the run: the music after it keeps its bar lines
    // while the run goes.
    auto* copy = new ECMeter(*at);
    copy->SetTime(&t2);
    HoldMeterRef(m_pMeterCopy, copy);
    ApplyNestedCommand(new CCAddMeter(copy), GetTarget());

    m_nLastIndex = m_pConductorStaff->GetMaxMeasureNumber() - 1;
    if (m_nRemoveCount > m_nLastIndex - m_nRemoveIndex + 1)
        m_nRemoveCount = m_nLastIndex - m_nRemoveIndex + 1;
}

void CCRemoveMeasure::PrepareRemove() {
    ECConductor* conductor = ConductorOf(*this);
    ECMeasure* first = m_pConductorStaff->GetMeasure(TRACK_CONDUCTOR, m_nRemoveIndex + 1);
    ECMeasure* after = m_pConductorStaff->GetMeasure(TRACK_CONDUCTOR, m_nRemoveIndex + m_nRemoveCount + 1);
    m_regionStart = first ? *first->GetTime() : MCTime::TimeZero();
    m_regionEnd = after ? *after->GetTime() : m_pConductorStaff->GetMaxMeasureEndTime();
    m_keptEvents.RemoveAll();
    MCEventList& removed = *GetRemoveList();

    // Everything of the run held by the tracks and their measures: the
    // measures themselves, the conductor measures, the marks and MIDI events
    // of staff level, the meters and tempos. Their contents go with them.
    MCEventList found;
    FindInTime(conductor, m_regionStart, m_regionEnd, kStartOnly, 2, {}, found);
    for (POSITION pos = found.GetHeadPosition(); pos;) {
        ECBase* event = found.GetNext(pos);
        if (CheckTimeZeroEvent(event))
            AppendOnce(removed, event);
    }

    // The clefs and keys of the run, listed so that handlers see them and
    // their mirrors go too; what survives is kept.
    MCEventList marks;
    FindInTime(conductor, m_regionStart, m_regionEnd, kBothEnds, 3, {ET_CLEF, ET_KEY}, marks);
    for (POSITION pos = marks.GetHeadPosition(); pos;) {
        ECBase* mark = marks.GetNext(pos);
        if (m_keptEvents.Find(mark))
            continue;   // kept at time zero: it stays, and so do its mirrors
        const MCTime t = *mark->GetTime();
        if (mark->GetClassType() == ET_KEY) {
            if (t < m_regionEnd)
                AppendOnce(removed, mark);
            continue;
        }
        ECBase* measure = mark->GetAncestor(ET_MEASURE, -1);
        const MCTime measureTime = measure ? *measure->GetTime() : t;
        if (t == m_regionStart && measureTime < m_regionStart) {
            AppendOnce(removed, mark);   // announced the run, which goes
        } else if (t == m_regionEnd && measureTime < m_regionEnd) {
            m_keptEvents.AddTail(mark);  // written at the end of the run
        } else if (t == m_regionEnd) {
            continue;                    // starts the measure after the run
        } else {
            AppendOnce(removed, mark);
        }
    }

    MCEventList mirrors;
    FindMirrors(&removed, &mirrors);
    for (POSITION pos = mirrors.GetHeadPosition(); pos;)
        AppendOnce(removed, mirrors.GetNext(pos));
}

int CCRemoveMeasure::CheckTimeZeroEvent(ECBase* event) {
    const MCTime* time = event->GetTime();
    if (!time || !(*time == MCTime::TimeZero()))
        return 1;
    ECConductor* conductor = ConductorOf(*this);
    ECBase* successor = nullptr;   // the event of the same kind at the end of the run
    switch (event->GetClassType()) {
    case ET_BANKLSB:
    case ET_BANKMSB:
    case ET_CONDUCTORSTAFF:
    case ET_DYNAMIC:
    case ET_FLOWCONTROL:
    case ET_PERFORMANCE:
    case ET_PROGRAMCHANGE:
    case ET_STAFF:
    case ET_TEXT:
    // The tracks stand at time zero too; deleting music keeps every track.
    case ET_TRACK:
    case ET_WAVETRACK:
        return 0;
    case ET_CLEF: {
        auto* staff = DYNAMIC_DOWNCAST(ECStaff, event->GetAncestor(ET_STAFF, -1));
        if (!staff)
            return 1;
        successor = staff->GetClefAtTime(m_regionEnd, GetCacheHand(event));
        break;
    }
    case ET_KEY: {
        auto* staff = DYNAMIC_DOWNCAST(ECStaff, event->GetAncestor(ET_STAFF, -1));
        if (!staff)
            return 0;
        successor = staff->GetKeyAtTime(m_regionEnd, GetCacheHand(event));
        break;
    }
    case ET_METER:
        successor = conductor ? static_cast<ECBase*>(conductor->GetMeterAtTime(m_regionEnd)) : nullptr;
        break;
    case ET_TEMPO:
        successor = conductor ? static_cast<ECBase*>(conductor->GetTempoAtTime(m_regionEnd)) : nullptr;
        break;
    case ET_MEASURE: {
        // The measure goes; its clefs and keys that stay are kept aside.
        ACFindEvents find(2);
        find.AddEvtType(ET_CLEF);
        find.AddEvtType(ET_KEY);
        find.SetDepth(1);
        find.Apply(event);
        MCEventList& marks = find.GetEvents();
        for (POSITION pos = marks.GetHeadPosition(); pos;) {
            ECBase* mark = marks.GetNext(pos);
            const MCTime* markTime = mark->GetTime();
            if (markTime && (*markTime == m_regionEnd || CheckTimeZeroEvent(mark) == 0))
                m_keptEvents.AddTail(mark);
        }
        return 1;
    }
    default:
        return 1;
    }
    if (!successor || successor == event || !successor->GetTime())
        return 0;
    // One standing at the end of the run takes over at time zero.
    return *successor->GetTime() == m_regionEnd ? 1 : 0;
}

int CCRemoveMeasure::Process() {
    if (!CCBase::Process())
        return 0;
    DoRemove();
    return 1;
}

void CCRemoveMeasure::DoRemove() {
    ECConductor* conductor = ConductorOf(*this);
    ECConductorStaff* staff = m_pConductorStaff;
    if (m_bEmpty || !conductor || !staff) {
        m_keptEvents.RemoveAll();
        return;
    }
    DetachAll(m_keptEvents);
    staff->RemoveMeasures(m_nRemoveIndex, m_nRemoveCount);
    RemoveFromParents(GetRemoveList());
    // Closing the gap rebuilds the clef, key, meter and tempo caches.
    ShiftMusic(GetTarget(), conductor, staff, m_regionStart - m_regionEnd, m_regionStart);

    for (POSITION pos = m_keptEvents.GetHeadPosition(); pos;) {
        ECBase* event = m_keptEvents.GetNext(pos);
        if (m_regionStart == MCTime::TimeZero()) {
            AttachAtStart(conductor, event);
        } else {
            // At the end of the measure before the gap.
            const int before = conductor->GetMeasureNumberBeforeTime(m_regionStart);
            Attach(event, conductor->GetMeasure(TrackOf(event), before), m_regionStart);
        }
    }
    m_keptEvents.RemoveAll();
}

int CCRemoveMeasure::Finish() {
    if (!CCRemove::Finish())
        return 0;
    CheckMeterRemove();
    return 1;
}

void CCRemoveMeasure::CheckMeterRemove() {
    // The copy now stands where the run began: taking it away re-bars the
    // music after the gap into the meter in force before it.
    if (m_pMeterCopy && m_pConductorStaff && m_pConductorStaff->GetChildren()->Find(m_pMeterCopy))
        ApplyNestedCommand(new CCRemoveMeter(m_pMeterCopy), GetTarget());
}
