#include "notation/autonote/passbase.h"

#include "model/eventtypes.h"
#include "model/groupmarks.h"
#include "model/meter.h"
#include "model/performance.h"
#include "notation/autonote/notatelinks.h"

ANBase::ANBase() {
    m_hiddenThreshold.SetTicks(DEFAULT_THRESHOLD_TICKS, TICKS_PER_QUARTER);
}

ANBase::~ANBase() = default;

void ANBase::Attach(ECPerformance* performance) {
    m_pPerformance = performance;
    m_pConductor = performance ? performance->GetConductor() : nullptr;
}

void ANBase::SetTimeRange(const MCTime& start, const MCTime& end) {
    m_timeRangeStart = start;
    m_timeRangeEnd = end;
}

unsigned ANBase::GetVoice(ECBase* event) {
    const MCVoiceTrack* word = event ? event->GetVoiceTrack() : nullptr;
    return word ? static_cast<unsigned>(word->GetVoice()) : 15u;
}

bool ANBase::IsNotatedType(int type) {
    switch (type) {
    case ET_NOTE:
    case ET_CHORD:
    case ET_REST:
    case ET_TUPLET:
    case ET_GRACENOTE:
        return true;
    default:
        return false;
    }
}

void ANBase::GetDataByVoice(MCEventList& out, const MCEventList& in, unsigned voice) {
    GetDataByVoice(out, in, voice, voice);
}

void ANBase::GetDataByVoice(MCEventList& out, const MCEventList& in, unsigned low, unsigned high) {
    out.RemoveAll();
    for (POSITION pos = in.GetHeadPosition(); pos;) {
        ECBase* event = in.GetNext(pos);
        if (!IsNotatedType(event->GetClassType()))
            continue;
        const unsigned voice = GetVoice(event);
        if (low <= voice && voice <= high)
            out.AddEvent(event, UNSORTED);
    }
}

int ANBase::CountVoices(const MCEventList& list) {
    bool seen[8] = {};
    int count = 0;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        const unsigned voice = GetVoice(list.GetNext(pos));
        if (voice < 8 && !seen[voice]) {
            seen[voice] = true;
            ++count;
        }
    }
    return count;
}

void ANBase::GetDataByTimeSlice(MCEventList& out, const MCEventList& in, uint16_t from, uint16_t to, int mode) {
    for (POSITION pos = in.GetHeadPosition(); pos;) {
        ECBase* event = in.GetNext(pos);
        const int tick = NotateTickStart(GetNotateData(event), mode);
        if (tick < 0 || tick >= to)
            return;
        if (tick >= from)
            out.AddEvent(event, UNSORTED);
    }
}

void ANBase::GetBorrowedEvents(MCEventList& in, MCEventList& borrowed, std::vector<uint16_t>& bases, int remove) {
    bases.clear();
    for (POSITION pos = in.GetHeadPosition(); pos;) {
        const POSITION at = pos;
        ECBase* event = in.GetNext(pos);
        // Every element handed in should have its display object; one that has
        // none (its display data not made yet) is passed over, not read.
        DCBase* display = GetNotateData(event);
        if (!display || !NotateIsBorrowed(display))
            continue;
        borrowed.AddEvent(event, UNSORTED);   // holds it before `in` lets go
        if (remove == 1)
            in.RemoveAt(at);
        const auto base = static_cast<int16_t>(NotateBase(display, 1));
        bool known = false;
        for (uint16_t seen : bases)
            known = known || static_cast<int16_t>(seen) == base;
        if (!known)
            bases.push_back(static_cast<uint16_t>(base));
    }
}

uint16_t ANBase::GetBase(ECMeter* meter) {
    if (!meter)
        return TICKS_PER_QUARTER;
    switch (meter->GetMeterType()) {
    case 0:
    case 1:
    case 2: {
        const unsigned pulses = meter->GetPulsesPerStress(0);
        if (pulses == 0)
            return TICKS_PER_QUARTER;
        return static_cast<uint16_t>(meter->GetStressTicks(0, TICKS_PER_QUARTER) / pulses);
    }
    case 3:
        return meter->GetStressTicks(0, TICKS_PER_QUARTER);
    case 4:
    case 5:
    case 6:
        return meter->GetPulseTicks(TICKS_PER_QUARTER);
    default:
        return TICKS_PER_QUARTER;
    }
}

uint16_t ANBase::GetTupletUnitDuration(ECTuplet* tuplet) {
    const int unit = tuplet ? tuplet->GetUnits() : -1;
    if (unit < 0 || unit > 7)
        return 128;
    return static_cast<uint16_t>(1024 >> unit);
}
