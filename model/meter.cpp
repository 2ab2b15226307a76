// ECMeter: validity, the meter types and their stress rules, lengths at any
// resolution, subdivision, comparison and the archive form; and the upkeep
// that meters and tempos share as conductor events (time changes, mirrors).
#include "model/meter.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/mirror.h"
#include "platform/core/archive.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <utility>

IMPLEMENT_SERIAL(ECMeter, ECWithTime, VERSIONABLE_SCHEMA | 2)

namespace {

// The meter's own resolution, and a whole note at it.
constexpr unsigned kMeterPPQ = 256;
constexpr unsigned kWholeNote = 4 * kMeterPPQ;
// The archive keeps every length in 16 bits.
constexpr unsigned kMaxTicks = 0xFFFF;

enum : unsigned char {
    TYPE_SIMPLE = 2,
    TYPE_PERFECT = 3,
    TYPE_IMPERFECT = 4,
    TYPE_COMBINED = 5,
    TYPE_COMPOSITE = 6,
};

unsigned short Saturate(uint64_t ticks) {
    return static_cast<unsigned short>(std::min<uint64_t>(ticks, kMaxTicks));
}

}  // namespace

// ---- shared by the conductor events --------------------------------------------

void SetConductorEventTime(ECWithTime& event, const MCTime* time) {
    // The cache finds an event by its time: it must leave under the old one.
    auto* conductor = DYNAMIC_DOWNCAST(ECConductor, event.GetAncestor(ET_CONDUCTOR, -1));
    if (conductor)
        conductor->UncacheEvent(&event);
    event.ECWithTime::SetTime(time);
    if (conductor)
        conductor->CacheEvent(&event);
}

void RemoveMirrorsFrom(MCEventList& mirrors, const MCTime& from) {
    if (from == MCTime::TimeNull()) {
        mirrors.RemoveAll();
        return;
    }
    // The list is in time order: the mirrors at or after `from` are its tail.
    while (!mirrors.IsEmpty()) {
        const MCTime* time = mirrors.GetTail()->GetTime();
        if (!time || *time < from)
            break;
        mirrors.RemoveTail();
    }
}

// ---- life ------------------------------------------------------------------------

ECMeter::ECMeter() {
    SetMeter(4, 4, 0);
}

ECMeter::ECMeter(unsigned char numerator, unsigned char denominator, unsigned char type) {
    if (!SetMeter(numerator, denominator, type))
        SetMeter(4, 4, 0);
}

ECMeter::ECMeter(const ECMeter& other) : ECWithTime(other) {
    // The analysis is rebuilt, never copied: a copy of a meter from an older
    // file takes today's analysis of its fraction.
    SetMeter(4, 4, 0);
    if (other.m_type == TYPE_COMPOSITE)
        SetMeter(other.m_compoundNumerators, other.m_compoundDenominators, 0);
    else
        SetMeter(other.m_numerator, other.m_denominator, other.m_type);
}

ECMeter::~ECMeter() {
    // A mirror may outlive this event in its measure: it is pointed at
    // nothing before the list lets it go.
    ReleaseMirrors(m_mirrors, this);
}

int ECMeter::GetClassType() const {
    return ET_METER;
}

void ECMeter::SetTime(const MCTime* time) {
    SetConductorEventTime(*this, time);
}

// ---- setting -----------------------------------------------------------------------

bool ECMeter::IsValidDenominator(unsigned denominator) {
    // 1, 2, 4 ... 128: the note values a pulse can have.
    return std::has_single_bit(denominator);
}

int ECMeter::SetMeter(unsigned char numerator, unsigned char denominator, unsigned char type) {
    if (!IsValidNumerator(numerator) || !IsValidDenominator(denominator))
        return 0;
    const unsigned pulseLength = kWholeNote / denominator;
    // A longer measure would wrap in the archived 16-bit fields.
    if (numerator * pulseLength > kMaxTicks)
        return 0;

    if (m_type == TYPE_COMPOSITE) {
        m_compoundNumerators.clear();
        m_compoundDenominators.clear();
    }
    ClearStresses();
    m_numerator = numerator;
    m_denominator = denominator;
    if (type >= TYPE_SIMPLE)
        type = CalculateMeterType(numerator, denominator);
    m_type = type;
    CalculateStress(numerator, denominator);
    m_pulseLength = static_cast<unsigned short>(pulseLength);
    return 1;
}

int ECMeter::SetMeter(const std::vector<unsigned char>& numerators, const std::vector<unsigned char>& denominators,
                      int composite) {
    if (numerators.size() == 1 && denominators.size() == 1 && !composite)
        return SetMeter(numerators[0], denominators[0], 255);

    if (numerators.empty() || denominators.empty())
        return 0;
    const bool several = denominators.size() > 1;
    if (several && denominators.size() != numerators.size())
        return 0;
    if (!std::all_of(numerators.begin(), numerators.end(), [](unsigned n) { return IsValidNumerator(n); }) ||
        !std::all_of(denominators.begin(), denominators.end(), [](unsigned d) { return IsValidDenominator(d); }))
        return 0;

    // The whole measure counts pulses of the shortest note value among the
    // fractions.
    const unsigned denominator = several ? *std::max_element(denominators.begin(), denominators.end())
                                         : denominators[0];
    unsigned numerator = 0;
    for (size_t i = 0; i < numerators.size(); ++i)
        numerator += numerators[i] * (several ? denominator / denominators[i] : 1);
    const unsigned pulseLength = kWholeNote / denominator;
    // The numerator is archived in 8 bits and the measure in 16: a sum that
    // does not fit is refused rather than wrapped.
    if (numerator > 0xFF || numerator * pulseLength > kMaxTicks)
        return 0;

    ClearStresses();
    m_compoundNumerators = numerators;
    m_compoundDenominators = denominators;
    m_numerator = static_cast<unsigned char>(numerator);
    m_denominator = static_cast<unsigned char>(denominator);
    m_pulseLength = static_cast<unsigned short>(pulseLength);
    for (size_t i = 0; i < numerators.size(); ++i) {
        if (several) {
            // Each fraction is stressed by its own rule, in its own note value.
            m_type = CalculateMeterType(numerators[i], denominators[i]);
            CalculateStress(numerators[i], denominators[i]);
        } else {
            SetSingleStress(numerators[i], denominators[0]);
        }
    }
    m_type = TYPE_COMPOSITE;
    return 1;
}

int ECMeter::SetMeterType(unsigned char /*type*/) {
    return 0;
}

unsigned char ECMeter::CalculateMeterType(unsigned char numerator, unsigned char /*denominator*/) {
    if (numerator < 5 || std::has_single_bit(static_cast<unsigned>(numerator)))
        return TYPE_SIMPLE;
    if (numerator % 5 == 0 || numerator % 7 == 0)
        return TYPE_IMPERFECT;
    if (numerator % 3 != 0)
        return TYPE_COMBINED;
    const unsigned thirds = numerator / 3;
    return thirds % 3 == 0 || thirds % 2 == 0 ? TYPE_PERFECT : TYPE_COMBINED;
}

void ECMeter::CalculateStress(unsigned char numerator, unsigned char denominator) {
    switch (m_type) {
    case 0:
    case 1:
    case TYPE_SIMPLE:
    case TYPE_PERFECT:
        SetPerfectStress(numerator, denominator);
        break;
    case TYPE_IMPERFECT:
        SetImperfectStress(numerator, denominator);
        break;
    case TYPE_COMBINED:
        SetCombinedStress(numerator, denominator);
        break;
    default:
        break;   // a composite's fractions are stressed one by one
    }
}

void ECMeter::SetPerfectStress(unsigned char numerator, unsigned char denominator) {
    if (denominator == 0)
        return;
    const unsigned pulse = kWholeNote / denominator;
    if (m_type == TYPE_PERFECT) {
        AppendStresses(numerator / 3, 3, pulse);
    } else if (denominator >= 8 || (denominator == 4 && numerator <= 3)) {
        // Short pulses, and 2/4 and 3/4: the measure is one stress.
        AppendStresses(1, numerator, pulse);
    } else if (numerator % 2 == 0) {
        AppendStresses(2, numerator / 2, pulse);
    } else {
        AppendStresses(numerator, 1, pulse);
    }
}

void ECMeter::SetImperfectStress(unsigned char numerator, unsigned char denominator) {
    if (denominator == 0)
        return;
    const unsigned pulse = kWholeNote / denominator;
    if (numerator % 3 == 0) {
        AppendStresses(3, numerator / 3, pulse);
    } else if (numerator % 2 == 0) {
        // Groups of the odd part: 10 is 5+5, 20 is 5+5+5+5.
        const unsigned odd = numerator >> std::countr_zero(static_cast<unsigned>(numerator));
        AppendStresses(static_cast<int>(numerator / odd), static_cast<int>(odd), pulse);
    } else if (numerator == 5) {
        AppendStresses(1, 2, pulse);
        AppendStresses(1, 3, pulse);
    } else if (numerator == 7) {
        AppendStresses(1, 4, pulse);
        AppendStresses(1, 3, pulse);
    } else {
        // The odd multiples of 5 or 7 from 25 on (25, 35, 49, 55 ...) are
        // grouped in fives, else sevens, as the even ones are grouped in their
        // odd part. Older files may hold no stresses at all for these; they
        // load as stored.
        const unsigned group = numerator % 5 == 0 ? 5u : numerator % 7 == 0 ? 7u : numerator;
        AppendStresses(static_cast<int>(numerator / group), static_cast<int>(group), pulse);
    }
}

void ECMeter::SetCombinedStress(unsigned char numerator, unsigned char denominator) {
    if (denominator == 0)
        return;
    const unsigned pulse = kWholeNote / denominator;
    const unsigned threes = numerator / 3;
    AppendStresses(static_cast<int>(threes), 3, pulse);
    // The remainder is a stress of its own even when it is empty (33 has
    // eleven threes and a twelfth stress of length 0), as stored files have it.
    AppendStresses(1, static_cast<int>(numerator - 3 * threes), pulse);
}

void ECMeter::SetSingleStress(unsigned char numerator, unsigned char denominator) {
    if (denominator == 0)
        return;
    AppendStresses(1, numerator, kWholeNote / denominator);
}

void ECMeter::AppendStresses(int count, int pulses, unsigned pulseLength) {
    for (int j = 0; j < count; ++j) {
        const int index = m_stressCount;
        // SetMeter refused every measure longer than 16 bits, and a stress
        // lies within its measure.
        AddToStress(static_cast<unsigned short>(static_cast<unsigned>(pulses) * pulseLength), index);
        AddToPulsesPerStress(static_cast<unsigned short>(pulses), index);
    }
}

void ECMeter::ClearStresses() {
    m_stressLengths.clear();
    m_pulsesPerStress.clear();
    m_stressCount = 0;
}

void ECMeter::AddToStress(unsigned short length, int index) {
    if (index < 0)
        return;
    while (static_cast<size_t>(index) >= m_stressLengths.size())
        m_stressLengths.resize(m_stressLengths.size() + 5, 0);
    m_stressLengths[static_cast<size_t>(index)] = length;
    if (index >= m_stressCount)
        m_stressCount = static_cast<unsigned short>(index + 1);
}

void ECMeter::AddToPulsesPerStress(unsigned short pulses, int index) {
    if (index < 0)
        return;
    while (static_cast<size_t>(index) >= m_pulsesPerStress.size())
        m_pulsesPerStress.resize(m_pulsesPerStress.size() + 5, 0);
    m_pulsesPerStress[static_cast<size_t>(index)] = pulses;
}

// ---- reading -----------------------------------------------------------------------

unsigned short ECMeter::ConvertResolution(unsigned short value, unsigned short to, unsigned short from) {
    if (from == 0)
        return 0;
    return Saturate((uint64_t{value} * to + from / 2) / from);
}

float ECMeter::GetPulse() const {
    return static_cast<float>(m_pulseLength) / kMeterPPQ;
}

unsigned short ECMeter::GetPulseTicks(unsigned short ppq) const {
    return ppq == kMeterPPQ ? m_pulseLength : ConvertResolution(m_pulseLength, ppq, kMeterPPQ);
}

unsigned short ECMeter::GetTicksPerMeasure(unsigned short ppq) const {
    return Saturate(uint64_t{m_numerator} * GetPulseTicks(ppq));
}

float ECMeter::GetMeasureLength() const {
    return static_cast<float>(GetTicksPerMeasure(kMeterPPQ)) / kMeterPPQ;
}

float ECMeter::GetStress(int i) const {
    return static_cast<float>(GetStressTicks(i, kMeterPPQ)) / kMeterPPQ;
}

unsigned short ECMeter::GetStressTicks(int i, unsigned short ppq) const {
    // Both the count and the array bound the index: a meter may hold no
    // stress at all (an older file's), and beat getters ask for stress 0.
    if (i < 0 || i >= m_stressCount || static_cast<size_t>(i) >= m_stressLengths.size())
        return 0;
    const unsigned short length = m_stressLengths[static_cast<size_t>(i)];
    return ppq == kMeterPPQ ? length : ConvertResolution(length, ppq, kMeterPPQ);
}

unsigned short ECMeter::GetPulsesPerStress(int i) const {
    if (i < 0 || i >= m_stressCount || static_cast<size_t>(i) >= m_pulsesPerStress.size())
        return 0;
    return m_pulsesPerStress[static_cast<size_t>(i)];
}

unsigned short ECMeter::GetBeatsPerMeasure() const {
    if (m_type <= TYPE_SIMPLE)
        return m_numerator;
    if (m_type <= TYPE_COMPOSITE)
        return m_stressCount;
    return 0;
}

float ECMeter::GetBeat(int i) const {
    return static_cast<float>(GetBeatTicks(i, kMeterPPQ)) / kMeterPPQ;
}

unsigned short ECMeter::GetBeatTicks(int i, unsigned short ppq) const {
    if (m_type <= TYPE_SIMPLE)
        return GetPulseTicks(ppq);
    if (m_type == TYPE_PERFECT)
        return GetStressTicks(0, ppq);   // compound beats are all alike
    if (m_type <= TYPE_COMPOSITE)
        return GetStressTicks(i, ppq);
    return 0;
}

unsigned short ECMeter::GetPulsesPerBeat(int i) const {
    if (m_type <= TYPE_SIMPLE)
        return 1;
    if (m_type == TYPE_PERFECT)
        return GetPulsesPerStress(0);
    if (m_type <= TYPE_COMPOSITE)
        return GetPulsesPerStress(i);
    return 0;
}

void ECMeter::GetSubdivision(int level, std::vector<unsigned short>& out, unsigned short ppq) const {
    // Beyond level 17 every part would be shorter than a tick at any 16-bit
    // resolution, and the array would only grow.
    if (m_type > TYPE_COMPOSITE || level < 0 || level > 17)
        return;
    const bool simple = m_type <= TYPE_SIMPLE;
    if (level == 0) {
        out.assign(1, GetTicksPerMeasure(ppq));
        return;
    }
    if (level == 1) {
        // Simple meters: the stresses; the others: their beats, which are
        // their stresses.
        const int count = simple ? m_stressCount : GetBeatsPerMeasure();
        out.resize(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            out[static_cast<size_t>(i)] = simple ? GetStressTicks(i, ppq) : GetBeatTicks(i, ppq);
        return;
    }
    // Level 2 and on: the beats of a simple meter, the pulses of the others,
    // each cut into 2^(level - 2) parts.
    const unsigned parts = 1u << (level - 2);
    const unsigned count = simple ? GetBeatsPerMeasure() : m_numerator;
    out.resize(static_cast<size_t>(parts) * count);
    for (unsigned i = 0; i < count; ++i) {
        const unsigned short unit = simple ? GetBeatTicks(static_cast<int>(i), ppq) : GetPulseTicks(ppq);
        std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(i * parts), parts,
                    static_cast<unsigned short>(unit / parts));
    }
}

void ECMeter::GetSubdivision(int /*level*/, std::vector<float>& /*out*/) const {}

bool ECMeter::operator==(const ECMeter& other) const {
    return m_type == other.m_type && m_numerator == other.m_numerator && m_denominator == other.m_denominator &&
           m_stressCount == other.m_stressCount && m_pulseLength == other.m_pulseLength &&
           m_compoundNumerators == other.m_compoundNumerators &&
           m_compoundDenominators == other.m_compoundDenominators && m_stressLengths == other.m_stressLengths &&
           m_pulsesPerStress == other.m_pulsesPerStress;
}

// ---- archive -----------------------------------------------------------------------

void ECMeter::Serialize(CArchive& ar) {
    ECWithTime::Serialize(ar);
    // Types 4 and up keep their compound arrays (empty but for composites).
    if (ar.IsStoring()) {
        ar << BYTE{m_type} << BYTE{m_numerator} << BYTE{m_denominator};
        ar << WORD{m_stressCount} << WORD{m_pulseLength};
        ar.WriteArray(m_stressLengths);
        ar.WriteArray(m_pulsesPerStress);
        if (m_type > TYPE_PERFECT) {
            ar.WriteArray(m_compoundNumerators);
            ar.WriteArray(m_compoundDenominators);
        }
        return;
    }

    // Read into locals: a failed load leaves the meter's own fields as they were.
    BYTE type = 0, numerator = 0, denominator = 0;
    WORD stressCount = 0, pulseLength = 0;
    std::vector<unsigned short> stressLengths, pulsesPerStress;
    std::vector<unsigned char> compoundNumerators, compoundDenominators;
    ar >> type >> numerator >> denominator >> stressCount >> pulseLength;
    ar.ReadArray(stressLengths);
    ar.ReadArray(pulsesPerStress);
    if (type > TYPE_PERFECT) {
        ar.ReadArray(compoundNumerators);
        ar.ReadArray(compoundDenominators);
    }
    // The analysis is taken as stored, but a count of stresses the arrays do
    // not hold would send every getter past their ends.
    if (stressCount > stressLengths.size() || stressCount > pulsesPerStress.size())
        throw CArchiveException(CArchiveException::generic);

    m_type = type;
    m_numerator = numerator;
    m_denominator = denominator;
    m_stressCount = stressCount;
    m_pulseLength = pulseLength;
    m_stressLengths = std::move(stressLengths);
    m_pulsesPerStress = std::move(pulsesPerStress);
    m_compoundNumerators = std::move(compoundNumerators);
    m_compoundDenominators = std::move(compoundDenominators);
}
