// The meter commands: adding and removing a meter change, and the re-barring
// of the scope it governs (see metercommands.h).
#include "model/metercommands.h"

#include "model/conductor.h"
#include "model/conductorcache.h"
#include "model/conductorstaff.h"
#include "model/editactions.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/measure.h"
#include "model/meter.h"
#include "model/performance.h"

#include <cmath>
#include <cstdint>

namespace {

// Meter lengths are whole ticks at this resolution (model/meter.h), so the
// measure counts of re-barring are computed exactly, without float rounding.
constexpr float kTicksPerQuarter = 256.0f;

int64_t ToTicks(const MCTime& length) {
    return std::llround(static_cast<double>(length.GetSeconds()) * kTicksPerQuarter);
}

ECMeter* AsMeter(ECBase* event) {
    return event && event->GetClassType() == ET_METER ? dynamic_cast<ECMeter*>(event) : nullptr;
}

// Where the conductor's cache can place a meter: a finite musical time at or
// after zero.
bool IsMeterTime(const MCTime& time) {
    return time.GetMode() == TM_NORMAL && std::isfinite(time.GetSeconds()) && time >= MCTime::TimeZero();
}

// Puts the children of the conductor staff, the staves and the wave tracks
// in time order again.
void SortTracks(ECConductor* conductor) {
    ACSortChildren sort(3);
    sort.AddEvtType(ET_CONDUCTORSTAFF);
    sort.AddEvtType(ET_STAFF);
    sort.AddEvtType(ET_WAVETRACK);
    sort.SetDepth(1);
    sort.Apply(conductor);
}

// The re-barring both commands share. The measures of the conductor track
// from `start` to `scopeEnd` (n of them, of length `oldLength`) become k =
// max(n, ceil(n x old / new)) measures of `newLength` from `start`: the music
// after the old scope moves by the change in total length, the n measures are
// re-timed and the k - n missing ones are appended behind them through
// `insertMeasures` (index, count, start: the conductor staff's InsertMeasures
// with the meter of the new measures, called from the command, which may).
// `scopeEnd` becomes the end of the re-timed measures; `location` and `count`
// tell where and how many measures were inserted. False, with nothing
// changed, when the scope holds no measure or the lengths leave every bar
// line where it is. The events of the scope are not moved into their new
// measures here: the caller changes the meter first.
template <class InsertMeasures>
bool RebarScope(ECPerformance* performance, ECConductor* conductor, ECConductorStaff* staff,
                const MCTime& start, MCTime& scopeEnd, const MCTime& oldLength, const MCTime& newLength,
                const InsertMeasures& insertMeasures, int& location, int& count) {
    MCEventList measures;
    if (!conductor->GetMeasures(0, start, scopeEnd, measures))
        return false;
    const int n = measures.GetCount();
    const int64_t oldTicks = ToTicks(oldLength);
    const int64_t newTicks = ToTicks(newLength);
    if (n == 0 || oldTicks <= 0 || newTicks <= 0)
        return false;
    // The measure count never shrinks: shorter measures take more of them,
    // longer ones leave the scope longer.
    int64_t k = (n * oldTicks + newTicks - 1) / newTicks;
    if (k < n)
        k = n;
    const MCTime delta = static_cast<float>(k) * newLength - static_cast<float>(n) * oldLength;
    if (k == n && delta == MCTime::TimeZero())
        return false;

    // Before anything moves: the number of the measure the scope ends at, or
    // one past the last measure when the scope runs to the end.
    if (scopeEnd >= staff->GetMaxMeasureEndTime())
        location = conductor->GetMaxMeasureNumber() + 1;
    else
        location = conductor->GetMeasureNumberAtTime(scopeEnd);

    if (delta != MCTime::TimeZero()) {
        ShiftMusic(performance, conductor, staff, delta, scopeEnd);
        staff->GetMaxMeasureEndTime() += delta;
    }

    MCTime t = start;
    for (POSITION pos = measures.GetHeadPosition(); pos;) {
        if (auto* column = dynamic_cast<ECConductorMeasure*>(measures.GetNext(pos)))
            column->SetMeasureTime(&t);
        t += newLength;
    }
    scopeEnd = t;

    if (k > n) {
        // The end time already accounts for the new measures through delta.
        const MCTime end = staff->GetMaxMeasureEndTime();
        count = static_cast<int>(k - n);
        insertMeasures(location - 1, count, scopeEnd);
        staff->GetMaxMeasureEndTime() = end;
    }
    // The re-timed measures passed the marks of their tracks that keep their
    // times (a tempo, a dynamic inside the scope): order the lists again, for
    // the searches that stop at the first event past their range.
    SortTracks(conductor);
    return true;
}

// AdjustMeasureChildren hands an event only to a measure that holds its
// time, and none holds the end time: a clef written before the final bar
// line stays in its measure when re-barring leaves the piece as long as
// before but that measure ends earlier. It belongs to the last measure.
void SettleEndMarks(ECConductor* conductor, ECConductorStaff* staff, const MCTime& from, const MCTime& to) {
    const MCTime end = staff->GetMaxMeasureEndTime();
    const int last = staff->GetMaxMeasureNumber();
    bool moved = false;
    for (int track = 0; track <= staff->GetMaxStaffNumber(); ++track) {
        ECMeasure* lastMeasure = conductor->GetMeasure(track, last);
        MCEventList measures;
        conductor->GetMeasures(track, from, to, measures);
        for (POSITION mpos = lastMeasure ? measures.GetHeadPosition() : nullptr; mpos;) {
            ECBase* measure = measures.GetNext(mpos);
            if (measure == lastMeasure)
                continue;
            MCEventList children;   // a copy: the walk moves children away
            children.AddEvents(measure->GetChildren(), UNSORTED);
            for (POSITION pos = children.GetHeadPosition(); pos;) {
                ECBase* child = children.GetNext(pos);
                if (!child->GetTime() || *child->GetTime() < end)
                    continue;
                lastMeasure->AddChild(child, SORTED);   // first: never without a parent
                measure->RemoveChild(child, 0);
                moved = true;
            }
        }
    }
    if (moved)
        staff->RebuildCaches();
}

}  // namespace

// ---- shared with the measure commands ----------------------------------------------

ECConductor* ConductorOf(const CCBase& command) {
    return DYNAMIC_DOWNCAST(ECConductor, command.GetConductorEvent());
}

ECConductorStaff* ConductorStaffOf(ECConductor* conductor) {
    return conductor ? static_cast<ECConductorStaff*>(conductor->GetTrack(TRACK_CONDUCTOR, 0, 1)) : nullptr;
}

void HoldMeterRef(ECMeter*& slot, ECMeter* meter) {
    if (meter)
        meter->Ref();
    ECMeter* old = slot;
    slot = meter;
    if (old)
        old->Unref(1);
}

bool ShiftMusic(ECPerformance* performance, ECConductor* conductor, ECConductorStaff* conductorStaff,
                const MCTime& delta, const MCTime& from, ShiftCaches caches) {
    if (!performance || !conductor || !conductorStaff)
        return false;
    // The probe stops at the first event the shift would change: nothing past
    // the end of the music, it walks the tree once without writing to it.
    // Both walks pass over the measures before the last one that begins
    // before `from`: what they hold stands before it.
    MCTime settled = MCTime::TimeZero();
    const int before = conductor->GetMeasureNumberBeforeTime(from);
    if (ECMeasure* last = conductor->GetMeasure(TRACK_CONDUCTOR, before))
        settled = *last->GetTime();
    ACFindDeltaTime changes(from, MCTime::TimeMax());
    changes.SetSettledBefore(settled);
    changes.Apply(performance);
    const bool shifted = changes.GetFound() != nullptr;
    if (shifted) {
        ACDeltaTime shift(delta, from);
        shift.SetSettledBefore(settled);
        shift.Apply(performance);
        SortTracks(conductor);
    }

    // Two meters eight quarters apart, shifted by eight: the first reaches the
    // second's time while the second still stands there, and the cache, which
    // refuses a second meter at a time, would lose it. So the caches are made
    // again from the tree, which is whole now.
    if (MCConductorCache* cache = conductor->GetCache())
        cache->BuildCacheFromList(conductorStaff->GetChildren());
    if (caches == ShiftCaches::All)
        conductorStaff->RebuildCaches();
    return shifted;
}

void ApplyNestedCommand(CCBase* command, ECPerformance* performance) {
    if (!command)
        return;
    command->SetStateNotify(0);
    command->SetSynchronous(1);
    if (!command->Apply(performance))
        delete command;   // never taken by the manager
}

// ---- CCMeterEdit: what both meter commands share ---------------------------------

CCMeterEdit::~CCMeterEdit() {
    HoldMeterRef(m_pPreviousMeter, nullptr);
    HoldMeterRef(m_pMeter, nullptr);
}

void CCMeterEdit::HoldMeter(ECBase* event) {
    ECMeter* meter = AsMeter(event);
    if (!meter)
        return;
    HoldMeterRef(m_pMeter, meter);
    m_meterTime = *meter->GetTime();
    m_meterDuration = meter->GetMeasureLength();
}

void CCMeterEdit::HoldPreviousMeter(ECMeter* previous) {
    HoldMeterRef(m_pPreviousMeter, previous);
    m_previousTime = *previous->GetTime();
    m_previousDuration = previous->GetMeasureLength();
}

ECConductor* CCMeterEdit::PrepareEdit(const CCBase& command) {
    ECConductor* conductor = ConductorOf(command);
    m_pConductorStaff = ConductorStaffOf(conductor);
    if (!m_pMeter || !m_pConductorStaff)
        return nullptr;
    m_meterTime = *m_pMeter->GetTime();
    m_meterDuration = m_pMeter->GetMeasureLength();
    return conductor;
}

ECConductor* CCMeterEdit::RebarConductor(const CCBase& command) const {
    ECConductor* conductor = ConductorOf(command);
    if (!conductor || !m_pConductorStaff || !m_pMeter || !m_pPreviousMeter || m_pPreviousMeter == m_pMeter)
        return nullptr;
    if (!(m_meterDuration > MCTime::TimeZero()) || !(m_previousDuration > MCTime::TimeZero()))
        return nullptr;
    return conductor;
}

bool CCMeterEdit::Rebar(ECPerformance* performance, ECConductor* conductor, ECMeter* scopeMeter,
                        ECMeter* newMeter, const MCTime& oldLength, const MCTime& newLength, MCTime& scopeEnd) {
    ECConductorStaff* staff = m_pConductorStaff;
    MCTime scopeStart;
    conductor->GetMeterScope(scopeMeter, scopeStart, scopeEnd);
    const auto insert = [&](int index, int count, const MCTime& start) {
        staff->InsertMeasures(index, count, start, newMeter);
    };
    return RebarScope(performance, conductor, staff, m_meterTime, scopeEnd, oldLength, newLength, insert,
                      m_nMeasureInsertLocation, m_nMeasureInsertCount);
}

void CCMeterEdit::SettleScope(ECConductor* conductor, const MCTime& scopeEnd) {
    m_pConductorStaff->AdjustMeasureChildren(m_meterTime, scopeEnd, m_meterDuration > m_previousDuration);
    SettleEndMarks(conductor, m_pConductorStaff, m_meterTime, scopeEnd);
}

MCTime CCMeterEdit::GetMeterTime(int n) const {
    if (!GetMeter(n))
        return MCTime::TimeNull();
    return n == 0 ? m_meterTime : m_previousTime;
}

MCTime CCMeterEdit::GetMeterDuration(int n) const {
    if (!GetMeter(n))
        return MCTime::TimeNull();
    return n == 0 ? m_meterDuration : m_previousDuration;
}

// ---- CCAddMeter ---------------------------------------------------------------------

CCAddMeter::CCAddMeter() = default;

CCAddMeter::CCAddMeter(ECMeter* meter) {
    AddMeter(meter);
}

CCAddMeter::~CCAddMeter() = default;

int CCAddMeter::GetCommandId() const {
    return CMD_ADDMETER;
}

CCAddItem* CCAddMeter::Add(ECBase*, ECBase*, const FCMidi&) {
    return nullptr;
}

void CCAddMeter::AddMeter(ECMeter* meter) {
    HoldMeter(meter);
}

ECMeter* CCAddMeter::GetMeter(int n) const {
    switch (n) {
    case 0: return m_pMeter;
    case 1: return m_pPreviousMeter;
    case 2: return m_nReplace ? m_pPreviousMeter : nullptr;
    default: return nullptr;
    }
}

int CCAddMeter::Prepare() {
    if (!CCAdd::Prepare())
        return 0;
    // The cache places meters by musical time only. A meter it could never
    // take is refused here, before the handlers see the command and before
    // any measure or event moves: re-barring first and finding the meter
    // refused afterwards would leave the measures re-timed and the music not
    // handed to them. (A meter already standing at the time is no refusal:
    // it either is the previous meter, which the new one replaces, or it
    // ends the previous meter's scope there, which leaves nothing to re-bar.)
    ECConductor* conductor = PrepareEdit(*this);
    if (!conductor || !IsMeterTime(m_meterTime))
        return 0;
    // The new meter is not in the tree yet: this is the one in force there.
    ECMeter* previous = conductor->GetMeterAtTime(m_meterTime);
    if (!previous)
        return 0;
    // Held: a replaced meter leaves the tree in Process, and the handlers
    // still read it; another command of the batch may take any meter away.
    HoldPreviousMeter(previous);
    m_nReplace = m_previousTime == m_meterTime && previous != m_pMeter;
    return 1;
}

int CCAddMeter::Process() {
    if (!CCAdd::Process())
        return 0;
    DoAdd();
    return 1;
}

void CCAddMeter::DoAdd() {
    ECConductor* conductor = RebarConductor(*this);
    if (!conductor)
        return;
    ECConductorStaff* staff = m_pConductorStaff;
    // The replaced meter leaves before the new one comes: the cache holds one
    // meter at a time.
    const auto putMeter = [&]() {
        if (m_nReplace)
            staff->RemoveChild(m_pPreviousMeter, 0);
        return staff->AddChild(m_pMeter, SORTED);
    };

    MCTime scopeEnd;
    if (!Rebar(GetTarget(), conductor, m_pPreviousMeter, m_pMeter, m_previousDuration, m_meterDuration, scopeEnd)) {
        putMeter();
        return;
    }
    if (!putMeter())
        return;
    SettleScope(conductor, scopeEnd);
}

ECMeter* CCAddMeter::FindNextMeter() {
    // The conductor's cache holds the meters of the conductor staff in time
    // order: where the new meter's span ends, the next one begins. A file
    // read adds thousands of meters, and a walk of the tree for each would
    // make the load quadratic.
    ECConductor* conductor = ConductorOf(*this);
    if (MCConductorCache* cache = conductor ? conductor->GetCache() : nullptr) {
        MCTime start;
        MCTime end;
        cache->GetMeterScope(m_pMeter, start, end);
        if (!(start == MCTime::TimeNull()))
            return end == MCTime::TimeMax() ? nullptr : cache->GetMeterAtTime(end);
    }
    // Not in force at its own time (the cache refused it): the tree decides.
    ACFindEvents find(1);
    find.AddEvtType(ET_METER);
    find.SetDepth(3);   // performance, conductor, conductor staff, meters
    find.Apply(GetTarget());
    MCEventList& meters = find.GetEvents();
    meters.Sort();
    for (POSITION pos = meters.GetHeadPosition(); pos;) {
        ECMeter* next = AsMeter(meters.GetNext(pos));
        if (next && *next->GetTime() > *m_pMeter->GetTime())
            return next;
    }
    return nullptr;
}

int CCAddMeter::Finish() {
    if (!CCAdd::Finish())
        return 0;
    // Only a meter that went in makes a following equal one redundant (links
    // go in pairs: the meter lists the staff among its parents exactly when
    // the staff holds it).
    if (!m_pMeter || !m_pConductorStaff || !m_pMeter->GetParents()->Find(m_pConductorStaff))
        return 1;
    // Only the first meter after the new one is looked at.
    ECMeter* next = FindNextMeter();
    if (next && next != m_pMeter && *next == *m_pMeter)
        ApplyNestedCommand(new CCRemoveMeter(next), GetTarget());
    return 1;
}

// ---- CCRemoveMeter ------------------------------------------------------------------

CCRemoveMeter::CCRemoveMeter() = default;

CCRemoveMeter::CCRemoveMeter(ECMeter* meter) {
    RemoveMeter(meter);
}

CCRemoveMeter::~CCRemoveMeter() = default;

int CCRemoveMeter::GetCommandId() const {
    return CMD_REMOVEMETER;
}

void CCRemoveMeter::Remove(ECBase*) {}

void CCRemoveMeter::RemoveMeter(ECMeter* meter) {
    HoldMeter(meter);
}

ECMeter* CCRemoveMeter::GetMeter(int n) const {
    switch (n) {
    case 0: return m_pMeter;
    case 1: return m_pPreviousMeter;
    default: return nullptr;
    }
}

int CCRemoveMeter::Prepare() {
    if (!CCRemove::Prepare())
        return 0;
    ECConductor* conductor = PrepareEdit(*this);
    if (!conductor)
        return 0;
    // The meter in force just before the removed one; the first meter of the
    // piece answers itself.
    ECMeter* previous = conductor->GetMeterBeforeTime(m_meterTime);
    if (!previous)
        return 0;
    HoldPreviousMeter(previous);

    // Its mirrors on the staves go with it.
    MCEventList* removed = GetRemoveList();
    MCEventList* mirrors = m_pMeter->GetMirrors();
    for (POSITION pos = mirrors->GetHeadPosition(); pos;) {
        ECBase* mirror = mirrors->GetNext(pos);
        if (!removed->Find(mirror))
            removed->AddTail(mirror);
    }
    return 1;
}

int CCRemoveMeter::Process() {
    if (!CCRemove::Process())
        return 0;
    DoRemove();
    return 1;
}

void CCRemoveMeter::DoRemove() {
    ECConductor* conductor = RebarConductor(*this);
    if (!conductor || !m_pConductorStaff->GetChildren()->Find(m_pMeter))
        return;
    MCTime scopeEnd;
    const bool rebarred =
        Rebar(GetTarget(), conductor, m_pMeter, m_pPreviousMeter, m_meterDuration, m_previousDuration, scopeEnd);
    m_pConductorStaff->RemoveChild(m_pMeter, 0);
    if (!rebarred)
        return;
    SettleScope(conductor, scopeEnd);
}
