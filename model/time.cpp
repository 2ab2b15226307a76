// MCTime, AuxTime and MCVoiceTrack (see time.h for the contract).
#include "model/time.h"

#include "platform/core/archive.h"

#include <climits>
#include <cmath>
#include <limits>

int MCTime::GlobalPPQ = 480;

int MCTime::SetGlobalPPQ(int v)
{
    GlobalPPQ = v <= 10 ? 10 : v >= 1000 ? 1000 : v;
    return 1;
}

const MCTime& MCTime::TimeNull()
{
    static const MCTime null(-1.0f);
    return null;
}

const MCTime& MCTime::TimeZero()
{
    static const MCTime zero(0.0f);
    return zero;
}

const MCTime& MCTime::TimeMax()
{
    static const MCTime max(std::numeric_limits<float>::max());
    return max;
}

MCTime MCTime::BPTZero()
{
    return MCTime(0, 0, 0, GlobalPPQ);
}

namespace {

// x + 0.5 truncated toward zero, as an int. The float times reach far beyond
// the int range (TimeMax is 3.4e38), so the conversion saturates instead of
// being undefined; NaN has no sensible count and gives 0.
int RoundHalfUpToInt(double x)
{
    if (std::isnan(x))
        return 0;
    const double r = std::trunc(x + 0.5);
    if (r >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (r <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(r);
}

} // namespace

// ---------------------------------------------------------------------------
// Construction and the block

MCTime::MCTime(int bar, int pulse, int tick, int ppq)
    : m_block(std::make_unique<BPTTime>(BPTTime{bar, pulse, tick, ppq})), m_mode(TM_BPT)
{
}

MCTime::MCTime(const MCTime& other)
    : m_block(other.m_block ? std::make_unique<BPTTime>(*other.m_block) : nullptr),
      m_value(other.m_value), m_mode(other.m_mode)
{
}

MCTime::MCTime(MCTime&& other) noexcept
    : m_block(std::move(other.m_block)), m_value(other.m_value), m_mode(other.m_mode)
{
    // A moved-from time must still keep "block exactly in mode 4".
    other.m_value = 0.0f;
    other.m_mode = TM_NORMAL;
}

MCTime& MCTime::AssignBPT(const MCTime& other)
{
    if (this == &other)
        return *this;
    if (other.m_block) {
        // A bar/pulse/tick target reuses its block.
        if (m_block)
            *m_block = *other.m_block;
        else
            m_block = std::make_unique<BPTTime>(*other.m_block);
    } else {
        m_block.reset();
    }
    m_value = other.m_value;
    m_mode = other.m_mode;
    return *this;
}

MCTime& MCTime::operator=(MCTime&& other) noexcept
{
    if (this == &other)
        return *this;
    m_block = std::move(other.m_block);
    m_value = other.m_value;
    m_mode = other.m_mode;
    other.m_value = 0.0f;
    other.m_mode = TM_NORMAL;
    return *this;
}

void MCTime::FreeBlock()
{
    m_block.reset();
    m_value = 0.0f;
}

void MCTime::SetMode(int mode)
{
    const auto newMode = static_cast<unsigned char>(mode);
    if (newMode == TM_BPT && !IsBPT()) {
        m_block = std::make_unique<BPTTime>();
        m_value = 0.0f;
    } else if (newMode != TM_BPT && IsBPT()) {
        FreeBlock();
    }
    m_mode = newMode;
}

void MCTime::SetSeconds(float seconds)
{
    if (IsBPT()) {
        m_block.reset();
        m_mode = TM_NORMAL;
    }
    m_value = seconds;
}

// ---------------------------------------------------------------------------
// Conversions

int MCTime::GetMSec() const
{
    if (IsBPT())
        return 0;
    return RoundHalfUpToInt(static_cast<double>(m_value) * 1000.0);
}

void MCTime::SetMSec(int ms)
{
    SetSeconds(static_cast<float>(ms / 1000.0));
}

int MCTime::GetTicks(int ppq) const
{
    if (IsBPT())
        return 0;
    return RoundHalfUpToInt(static_cast<double>(ppq) * m_value);
}

void MCTime::SetTicks(int ticks, int ppq)
{
    if (ppq == 0)
        return;
    SetSeconds(static_cast<float>(static_cast<double>(ticks) / ppq));
}

void MCTime::AddTicks(int ticks, int ppq)
{
    if (ppq == 0 || IsBPT())
        return;
    m_value += static_cast<float>(static_cast<double>(ticks) / ppq);
}

const BPTTime& MCTime::GetBarPulseTick() const
{
    static const BPTTime none;
    return m_block ? *m_block : none;
}

void MCTime::SetBarPulseTick(const BPTTime& bpt)
{
    if (!IsBPT())
        SetMode(TM_BPT);
    *m_block = bpt;
}

void MCTime::SetPPQ(int ppq)
{
    if (ppq <= 0 || !IsBPT() || m_block->ppq <= 0 || m_block->ppq == ppq)
        return;
    // The product is a 32-bit one and wraps as such; only the division is
    // carried out in double precision.
    const auto product = static_cast<int32_t>(static_cast<uint32_t>(m_block->tick) *
                                              static_cast<uint32_t>(ppq));
    m_block->tick = static_cast<int32_t>(std::floor(static_cast<double>(product) / m_block->ppq));
    m_block->ppq = ppq;
}

// ---------------------------------------------------------------------------
// Arithmetic

MCTime& MCTime::operator+=(const MCTime& other)
{
    if (!IsBPT() && !other.IsBPT())
        m_value += other.m_value;
    return *this;
}

MCTime& MCTime::operator-=(const MCTime& other)
{
    if (!IsBPT() && !other.IsBPT())
        m_value -= other.m_value;
    return *this;
}

MCTime& MCTime::operator*=(float factor)
{
    if (!IsBPT())
        m_value *= factor;
    return *this;
}

MCTime& MCTime::operator/=(float divisor)
{
    if (!IsBPT() && divisor != 0.0f)
        m_value /= divisor;
    return *this;
}

MCTime MCTime::operator/(const MCTime& divisor) const
{
    if (IsBPT())
        return BPTZero();
    const float d = divisor.m_value != 0.0f ? divisor.m_value : 1.0f;
    return MCTime(m_value / d);
}

MCTime MCTime::operator%(const MCTime& divisor) const
{
    if (IsBPT())
        return BPTZero();
    const float d = divisor.m_value != 0.0f ? divisor.m_value : 1.0f;
    return MCTime(m_value - std::floor(m_value / d) * d);
}

MCTime MCTime::operator-() const
{
    if (IsBPT())
        return BPTZero();
    return MCTime(-m_value);
}

MCTime operator-(const MCTime& a, const MCTime& b)
{
    if (a.GetMode() == TM_BPT || b.GetMode() == TM_BPT)
        return MCTime();
    return MCTime(a.GetSeconds() - b.GetSeconds());
}

MCTime operator*(float factor, const MCTime& t)
{
    if (t.GetMode() == TM_BPT)
        return MCTime();
    return MCTime(factor * t.GetSeconds());
}

// ---------------------------------------------------------------------------
// Comparisons

namespace {

// The ticks of two positions at different resolutions, compared as fractions
// of a pulse. Both resolutions must be at least 1.
double PulseFraction(const BPTTime& t)
{
    return static_cast<double>(t.tick) / t.ppq;
}

// Whether the ticks of a and b (equal bars and pulses) decide "a >= b"
// (orGreater) or "a <= b" (!orGreater).
bool TicksInOrder(const BPTTime& a, const BPTTime& b, bool orGreater)
{
    if (a.ppq == b.ppq)
        return orGreater ? a.tick >= b.tick : a.tick <= b.tick;
    if (a.ppq < 1 || b.ppq < 1)
        return false;
    return orGreater ? PulseFraction(a) >= PulseFraction(b) : PulseFraction(a) <= PulseFraction(b);
}

// "a >= b" (orGreater) or "a <= b" for two bar/pulse/tick positions: bar
// first, then pulse, then tick. The conductor cache searches with these, so
// they must order positions consistently.
bool BPTInOrder(const BPTTime& a, const BPTTime& b, bool orGreater)
{
    if (a.bar != b.bar)
        return orGreater ? a.bar > b.bar : a.bar < b.bar;
    if (a.pulse != b.pulse)
        return orGreater ? a.pulse > b.pulse : a.pulse < b.pulse;
    return TicksInOrder(a, b, orGreater);
}

// A bar/pulse/tick position against a float: only the float 0 is comparable,
// and then only with a position at or after (orGreater) or at or before the
// start in all three fields.
bool BPTAgainstFloat(const BPTTime& a, float f, bool orGreater)
{
    if (f != 0.0f)
        return false;
    if (orGreater)
        return a.bar >= 0 && a.pulse >= 0 && a.tick >= 0;
    return a.bar <= 0 && a.pulse <= 0 && a.tick <= 0;
}

} // namespace

bool MCTime::EqualsBPT(const MCTime& other) const
{
    if (!IsBPT() || !other.IsBPT())
        return false;
    const BPTTime& a = *m_block;
    const BPTTime& b = *other.m_block;
    if (a.bar != b.bar || a.pulse != b.pulse)
        return false;
    if (a.ppq == b.ppq)
        return a.tick == b.tick;
    return a.ppq >= 1 && b.ppq >= 1 && PulseFraction(a) == PulseFraction(b);
}

bool MCTime::InOrderBPT(const MCTime& other, bool greater) const
{
    if (IsBPT() && other.IsBPT())
        return BPTInOrder(*m_block, *other.m_block, greater);
    if (IsBPT())
        return BPTAgainstFloat(*m_block, other.m_value, greater);
    // A float against a bar/pulse/tick position has no defined order; answer
    // as the mirror of the defined case, so that a >= b equals b <= a.
    return BPTAgainstFloat(*other.m_block, m_value, !greater);
}

// ---------------------------------------------------------------------------
// Archive

void MCTime::Serialize(CArchive& ar, int version)
{
    if (ar.IsStoring()) {
        ar << static_cast<uint8_t>(m_mode);
        if (IsBPT()) {
            ar << m_block->bar << m_block->pulse << m_block->tick << m_block->ppq;
        } else {
            ar << m_value;
        }
        return;
    }

    if (version < 1) {
        // Before the mode byte existed every time was a float. A time that
        // was in mode 4 becomes a plain musical time, not a block with a float.
        float value = 0.0f;
        ar >> value;
        SetSeconds(value);
        return;
    }

    uint8_t mode = 0;
    ar >> mode;
    if (mode == TM_BPT) {
        BPTTime bpt;
        ar >> bpt.bar >> bpt.pulse >> bpt.tick >> bpt.ppq;
        SetBarPulseTick(bpt);
    } else {
        float value = 0.0f;
        ar >> value;
        FreeBlock();
        m_value = value;
        m_mode = mode;
    }
}

// ---------------------------------------------------------------------------
// MCVoiceTrack

void MCVoiceTrack::SetVoice(int voice)
{
    m_word = static_cast<uint16_t>((m_word & 0x7FF0) | (voice & 15));
}

void MCVoiceTrack::SetTrack(int track)
{
    m_word = static_cast<uint16_t>((m_word & 0x000F) | (track << 4));
}

void MCVoiceTrack::SetDevice(int device)
{
    m_word = static_cast<uint16_t>((m_word & 0x7F00) | (device & 0xFF) | 0x8000);
}

void MCVoiceTrack::SetChannel(int channel)
{
    m_word = static_cast<uint16_t>((m_word & 0x00FF) | ((channel & 0x7F) << 8) | 0x8000);
}
