// MCConductorCache: meters, tempos and the time conversions (see
// conductorcache.h for the contract).
#include "model/conductorcache.h"

#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/meter.h"
#include "model/tempo.h"

#include <climits>
#include <cstdint>
#include <cmath>
#include <memory>

namespace {

// A count of bars, pulses or ticks from a double: times reach far beyond the
// int range (TimeMax is 3.4e38), so the conversion saturates instead of being
// undefined; NaN counts nothing.
int ToCount(double x) {
    if (std::isnan(x))
        return 0;
    if (x >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (x <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(x);
}

MCTime BPTZero() {
    return MCTime(0, 0, 0, MCTime::GlobalPPQ);
}

// A bar/pulse/tick time with a PPQ below 1 is read at the global PPQ, for
// the search as well as the arithmetic: its ticks compare with nothing else.
MCTime Readable(const MCTime& t) {
    if (t.GetMode() != TM_BPT || t.GetBarPulseTick().ppq >= 1)
        return t;
    BPTTime position = t.GetBarPulseTick();
    position.ppq = MCTime::GlobalPPQ;
    return MCTime(position.bar, position.pulse, position.tick, position.ppq);
}

// The quarter notes from the start of the bar to a bar/pulse/tick position
// (bar ignored; ppq at least 1). Each product is rounded to a float before it
// is added. BarPulseTick writes the tick as the fraction of a quarter past the
// last whole quarter: for pulses shorter than a quarter that whole quarter is
// the one the pulse lies in, and a tick that cannot belong to it (it comes
// before the pulse's place in that quarter) is read from the pulse's start.
// The half tick of slack takes in BarPulseTick's rounding at resolutions that
// do not divide into the pulse.
float QuartersInBar(const BPTTime& position, float pulseLength) {
    const auto fromPulses = static_cast<float>(position.pulse * static_cast<double>(pulseLength));
    const auto fraction = static_cast<float>(static_cast<double>(position.tick) / position.ppq);
    if (pulseLength < 1.0f) {
        const float whole = std::floor(fromPulses);
        if (position.tick + 0.5 >= (static_cast<double>(fromPulses) - whole) * position.ppq)
            return whole + fraction;
    }
    return fromPulses + fraction;
}

} // namespace

MCConductorCache::MCConductorCache() : MCCache(3) {
}

MCConductorCache::~MCConductorCache() {
    // Here, not in the base destructor, so that the AuxTimes go through
    // this class's DeleteAuxPointer.
    DeleteCache();
}

int MCConductorCache::IsCacheEvent(ECBase* event) {
    return GetCacheListPosition(event) >= 0 ? 1 : 0;
}

int MCConductorCache::GetCacheListPosition(ECBase* event) {
    if (!event)
        return -1;
    switch (event->GetClassType()) {
    case ET_METER:
        return SLOT_METER;
    case ET_TEMPO:
        return SLOT_TEMPO;
    default:
        return -1;
    }
}

ECMeter* MCConductorCache::MeterAt(int position) {
    return static_cast<ECMeter*>(static_cast<ECBase*>(GetPointAt(position)->m_objects[SLOT_METER]));
}

ECTempo* MCConductorCache::TempoAt(int position) {
    return static_cast<ECTempo*>(static_cast<ECBase*>(GetPointAt(position)->m_objects[SLOT_TEMPO]));
}

// ---------------------------------------------------------------------------
// Meters and tempos

int MCConductorCache::EventIsCached(ECBase* event) const {
    const int slot = GetCacheListPosition(event);
    return slot < 0 ? 0 : ObjectIsCached(event, slot);
}

int MCConductorCache::CacheEvent(ECBase* event) {
    const int slot = GetCacheListPosition(event);
    if (slot < 0)
        return 0;
    // Points are placed by musical time; a conductor event has no other.
    const MCTime* time = event->GetTime();
    if (!time || time->GetMode() != TM_NORMAL)
        return 0;
    auto* held = static_cast<ECBase*>(GetObjectForTime(*time, slot));
    if (held && (!held->GetTime() || *held->GetTime() == *time))
        return 0;
    if (!CacheObject(event, *time, slot))
        return 0;

    if (slot == SLOT_TEMPO) {
        // "a tempo", "accel." and the like carry on from the tempo before.
        auto* tempo = static_cast<ECTempo*>(event);
        if (tempo->IsRelativeTempo()) {
            auto* before = static_cast<ECTempo*>(static_cast<ECBase*>(GetObjectBeforeTime(*time, SLOT_TEMPO)));
            if (before)
                tempo->SetTempo(before->GetTempo(1.0f), 1.0f);
        }
    }
    // The cursor stands on the changed point: its own starts still hold, but
    // drop them with the rest rather than reason about which slot changed.
    InvalidateAuxTimes();
    return 1;
}

int MCConductorCache::UncacheEvent(ECBase* event) {
    const int slot = GetCacheListPosition(event);
    if (slot < 0)
        return 0;
    const MCTime* time = event->GetTime();
    if (!time || time->GetMode() != TM_NORMAL || !UncacheObject(event, *time, slot))
        return 0;
    InvalidateAuxTimes();
    return 1;
}

void MCConductorCache::BuildCacheFromList(const MCEventList* events) {
    DeleteCache();
    if (!events)
        return;
    for (POSITION pos = events->GetHeadPosition(); pos;)
        CacheEvent(events->GetNext(pos));
}

ECMeter* MCConductorCache::GetMeterAtTime(const MCTime& t) {
    return static_cast<ECMeter*>(static_cast<ECBase*>(GetObjectForTime(NormalizeTime(t), SLOT_METER)));
}

ECMeter* MCConductorCache::GetMeterBeforeTime(const MCTime& t) {
    return static_cast<ECMeter*>(static_cast<ECBase*>(GetObjectBeforeTime(NormalizeTime(t), SLOT_METER)));
}

ECTempo* MCConductorCache::GetTempoAtTime(const MCTime& t) {
    return static_cast<ECTempo*>(static_cast<ECBase*>(GetObjectForTime(NormalizeTime(t), SLOT_TEMPO)));
}

ECTempo* MCConductorCache::GetTempoBeforeTime(const MCTime& t) {
    return static_cast<ECTempo*>(static_cast<ECBase*>(GetObjectBeforeTime(NormalizeTime(t), SLOT_TEMPO)));
}

void MCConductorCache::GetMeterScope(ECMeter* meter, MCTime& start, MCTime& end) {
    start = MCTime::TimeNull();
    end = MCTime::TimeNull();
    if (meter)
        GetObjectScope(static_cast<ECBase*>(meter), *meter->GetTime(), SLOT_METER, start, end);
}

void MCConductorCache::GetTempoScope(ECTempo* tempo, MCTime& start, MCTime& end) {
    start = MCTime::TimeNull();
    end = MCTime::TimeNull();
    if (tempo)
        GetObjectScope(static_cast<ECBase*>(tempo), *tempo->GetTime(), SLOT_TEMPO, start, end);
}

void MCConductorCache::ResetCurrentPosition(const MCTime& t) {
    GetCachePointForTime(NormalizeTime(t));
}

// ---------------------------------------------------------------------------
// Derived times

void MCConductorCache::DeleteAuxPointer(void* aux) {
    delete static_cast<AuxTime*>(aux);
}

void MCConductorCache::InvalidateAuxTimes() {
    for (int i = GetCurrentPosition(); i >= 0 && i < GetPointCount(); ++i) {
        CachePoint* point = GetPointAt(i);
        if (point->m_aux)
            DeleteAuxPointer(point->m_aux);
        point->m_aux = nullptr;
    }
}

AuxTime* MCConductorCache::GetAuxTime(int position) {
    CachePoint* point = GetPointAt(position);
    if (point->m_aux)
        return static_cast<AuxTime*>(point->m_aux);

    // Each point's starts follow from those before it. Compute forwards from
    // the first point that lacks them (a loop, not a recursion: a map of
    // thousands of tempos must not run deep on the stack).
    int first = position;
    while (first > 0 && !GetPointAt(first - 1)->m_aux)
        --first;
    // Where the meter in force before `first` begins.
    int meterStart = first > 0 ? first - 1 : 0;
    if (first > 0) {
        void* const meter = GetPointAt(meterStart)->m_objects[SLOT_METER];
        while (meterStart > 0 && GetPointAt(meterStart - 1)->m_objects[SLOT_METER] == meter)
            --meterStart;
    }
    for (int i = first; i <= position; ++i) {
        ComputeAuxTime(i, meterStart);
        if (i > 0 && GetPointAt(i)->m_objects[SLOT_METER] != GetPointAt(i - 1)->m_objects[SLOT_METER])
            meterStart = i;
    }
    return static_cast<AuxTime*>(point->m_aux);
}

void MCConductorCache::ComputeAuxTime(int position, int meterStart) {
    auto aux = std::make_unique<AuxTime>();
    if (position == 0) {
        aux->m_bptTime = BPTZero();
    } else {
        const MCTime time = GetPointAt(position)->m_time;
        aux->m_realTime = TranslateTimeFromCache(time, position - 1);
        // Counted from where the meter begins, as BarPulseTick counts, so a
        // point inside a meter's span starts where BarPulseTick puts its time.
        aux->m_bptTime = BarPulseTickFromCache(time, meterStart, MCTime::GlobalPPQ);
    }
    aux->m_realTime.SetMode(TM_REAL);
    aux->m_bptTime.SetMode(TM_BPT);
    GetPointAt(position)->m_aux = aux.release();
}

const MCTime& MCConductorCache::GetCacheTransTime(int position) {
    return GetAuxTime(position)->m_realTime;
}

const MCTime& MCConductorCache::GetCacheBPTTime(int position) {
    return GetAuxTime(position)->m_bptTime;
}

int MCConductorCache::SearchCondition(const MCTime& t, CachePoint* point, int position) {
    switch (t.GetMode()) {
    case TM_REAL:
        return t >= GetCacheTransTime(position) ? 1 : 0;
    case TM_BPT:
        return t >= GetCacheBPTTime(position) ? 1 : 0;
    default:
        return t >= point->m_time ? 1 : 0;
    }
}

// ---------------------------------------------------------------------------
// Conversions

MCTime MCConductorCache::TranslateTime(const MCTime& t) {
    if (t.GetMode() != TM_NORMAL && t.GetMode() != TM_BPT)
        return t;
    const MCTime readable = Readable(t);
    if (!GetCachePointForTime(readable))
        return t;
    return TranslateTimeFromCache(readable, GetCurrentPosition());
}

MCTime MCConductorCache::NormalizeTime(const MCTime& t) {
    if (t.GetMode() != TM_REAL && t.GetMode() != TM_BPT)
        return t;
    const MCTime readable = Readable(t);
    if (!GetCachePointForTime(readable))
        return t;
    return NormalizeTimeFromCache(readable, GetCurrentPosition());
}

MCTime MCConductorCache::BarPulseTick(const MCTime& t, int ppq) {
    if (ppq < 1)
        ppq = MCTime::GlobalPPQ;
    if (t.GetMode() == TM_BPT) {
        MCTime result = t;
        result.SetPPQ(ppq);
        return result;
    }
    if (t.GetMode() != TM_NORMAL && t.GetMode() != TM_REAL)
        return t;

    // A real time is made musical through the tempo in force at it, before
    // the count moves to the meter's point: from there, the tempo at the
    // meter's start would stand for every tempo change after it.
    const MCTime musical = NormalizeTime(t);
    ECMeter* meter = GetMeterAtTime(musical);
    if (!meter)
        return BPTZero();
    if (!GetCachePointForTime(*meter->GetTime()))
        return BPTZero();
    return BarPulseTickFromCache(musical, GetCurrentPosition(), ppq);
}

MCTime MCConductorCache::TranslateTimeFromCache(const MCTime& t, int position) {
    if (t.GetMode() == TM_BPT)
        return TranslateTimeFromCache(NormalizeTimeFromCache(t, position), position);
    if (t.GetMode() != TM_NORMAL)
        return t;
    const CachePoint& point = *GetPointAt(position);
    const ECTempo* tempo = TempoAt(position);
    const double speed = tempo ? tempo->GetSpeed() : 1.0;   // seconds per quarter note
    MCTime real = GetCacheTransTime(position);
    real.SetSeconds(static_cast<float>(real.GetSeconds() +
                                       (static_cast<double>(t.GetSeconds()) - point.m_time.GetSeconds()) * speed));
    real.SetMode(TM_REAL);
    return real;
}

MCTime MCConductorCache::NormalizeTimeFromCache(const MCTime& t, int position) {
    const CachePoint& point = *GetPointAt(position);
    if (t.GetMode() == TM_REAL) {
        const ECTempo* tempo = TempoAt(position);
        const double rate = tempo ? tempo->GetRate() : 1.0;   // quarter notes per second
        const double since = static_cast<double>(t.GetSeconds()) - GetCacheTransTime(position).GetSeconds();
        return MCTime(static_cast<float>(point.m_time.GetSeconds() + since * rate));
    }
    if (t.GetMode() != TM_BPT)
        return t;

    const ECMeter* meter = MeterAt(position);
    if (!meter)
        return MCTime(0.0f);
    BPTTime position1 = t.GetBarPulseTick();
    BPTTime position0 = GetCacheBPTTime(position).GetBarPulseTick();
    if (position1.ppq < 1)
        position1.ppq = MCTime::GlobalPPQ;
    if (position0.ppq < 1)
        position0.ppq = MCTime::GlobalPPQ;
    const float pulseLength = meter->GetPulse();
    const auto bars = static_cast<float>(static_cast<double>(meter->GetMeasureLength()) *
                                         (static_cast<double>(position1.bar) - position0.bar));
    const float inBar = QuartersInBar(position1, pulseLength) - QuartersInBar(position0, pulseLength);
    return MCTime(point.m_time.GetSeconds() + bars + inBar);
}

MCTime MCConductorCache::BarPulseTickFromCache(const MCTime& t, int position, int ppq) {
    MCTime musical;
    if (t.GetMode() == TM_REAL)
        musical = NormalizeTimeFromCache(t, position);
    else if (t.GetMode() == TM_NORMAL)
        musical = t;
    else
        return t;
    if (ppq < 1)
        ppq = MCTime::GlobalPPQ;

    const ECMeter* meter = MeterAt(position);
    if (!meter)
        return BPTZero();
    const double length = meter->GetMeasureLength();
    const double pulseLength = meter->GetPulse();
    const int numerator = meter->GetNumerator();
    if (length == 0.0 || pulseLength == 0.0 || numerator == 0)
        return BPTZero();

    // Whole measures since the point, then whole pulses into the measure;
    // the tick is the fraction of a quarter past the last whole quarter.
    const double since = static_cast<double>(musical.GetSeconds()) - GetPointAt(position)->m_time.GetSeconds();
    const double measures = since / length;
    const double wholeMeasures = std::floor(measures);
    const double rest = (measures - wholeMeasures) * length;
    // Sums in 64 bits: a bar count saturated at the int range must not wrap.
    const BPTTime& start = GetCacheBPTTime(position).GetBarPulseTick();
    int64_t bar = static_cast<int64_t>(ToCount(wholeMeasures)) + start.bar;
    int64_t pulse = static_cast<int64_t>(ToCount(std::floor(rest / pulseLength))) + start.pulse;
    int64_t tick = static_cast<int64_t>(ToCount(std::trunc((rest - std::floor(rest)) * ppq + 0.5))) + start.tick;
    if (tick >= ppq) {
        tick -= ppq;
        ++pulse;
    }
    if (pulse >= numerator) {
        pulse -= numerator;
        ++bar;
    }
    return MCTime(ToCount(static_cast<double>(bar)), ToCount(static_cast<double>(pulse)),
                  ToCount(static_cast<double>(tick)), ppq);
}
