// ECTempo: the tempo types with their preset tempi and names, tempo in a
// beat, rate and speed, and the archive form.
#include "model/tempo.h"

#include "model/eventtypes.h"
#include "model/mirror.h"
#include "model/strings.h"
#include "platform/core/archive.h"
#include "platform/core/resources.h"
#include "platform/core/trace.h"

#include <array>
#include <cmath>

IMPLEMENT_SERIAL(ECTempo, ECWithTime, VERSIONABLE_SCHEMA | 2)

namespace {

// One row per tempo type: the name's string id (0: no name) and the tempo in
// quarter notes per minute that SetTempoType sets (0: the tempo is kept).
struct TempoTypeInfo {
    unsigned stringId;
    float presetTempo;
};

constexpr std::array<TempoTypeInfo, ECTempo::TEMPO_TYPE_COUNT> kTempoTypes = {{
    {0, 0},         //  0
    {0, 0},         //  1
    {11904, 40},    //  2 Larghissimo
    {11905, 43},    //  3 Adagissimo
    {11906, 47},    //  4 Lentissimo
    {11907, 50},    //  5 Largo
    {11908, 52},    //  6 Adagio
    {11909, 54},    //  7 Lento
    {11910, 56},    //  8 Larghetto
    {11911, 58},    //  9 Adagietto
    {11912, 60},    // 10 Andante
    {11913, 70},    // 11 Andantino
    {11914, 80},    // 12 Moderato
    {11915, 100},   // 13 Allegretto
    {11916, 120},   // 14 Allegro
    {11917, 150},   // 15 Vivace
    {11918, 160},   // 16 Vivo
    {11919, 190},   // 17 Presto
    {11920, 210},   // 18 Allegrissimo
    {11921, 220},   // 19 Vivacissimo
    {11922, 240},   // 20 Prestissimo
    {11924, 0},     // 21 accel.
    {11925, 0},     // 22 rall.
    {11926, 0},     // 23 rit.
    {0, 0},         // 24
    {11932, 0},     // 25 G.P.
    {11933, 0},     // 26 L.P.
    {11923, 0},     // 27 a tempo
    {11927, 0},     // 28 rubato
    {0, 0},         // 29
}};

constexpr float kDefaultTempo = 60.0f;   // quarter notes per minute

bool IsPositiveFinite(float value) {
    return std::isfinite(value) && value > 0.0f;
}

}  // namespace

// ---- life ------------------------------------------------------------------------

ECTempo::ECTempo() {
    InitECTempo();
}

ECTempo::ECTempo(const ECTempo& other) : ECWithTime(other) {
    InitECTempo();
    m_type = other.m_type;
    m_duration = other.m_duration;
    m_text = other.m_text;
    m_tempo = other.m_tempo;
    m_rate = other.m_rate;
    m_speed = other.m_speed;
    m_beat = other.m_beat;
}

ECTempo::ECTempo(unsigned char type, const MCTime& duration) {
    InitECTempo();
    SetTempoType(type, duration);
}

ECTempo::~ECTempo() {
    // A mirror may outlive this event in its measure: it is pointed at
    // nothing before the list lets it go.
    ReleaseMirrors(m_mirrors, this);
}

void ECTempo::InitECTempo() {
    m_type = 1;
    m_duration = MCTime();
    m_text.clear();
    StoreTempo(kDefaultTempo);
    m_beat = 1.0f;
}

int ECTempo::GetClassType() const {
    return ET_TEMPO;
}

void ECTempo::SetTime(const MCTime* time) {
    SetConductorEventTime(*this, time);
}

void ECTempo::SetDuration(const MCTime* duration) {
    if (duration)
        m_duration = *duration;
}

// ---- type and tempo ------------------------------------------------------------------

int ECTempo::SetTempoType(unsigned char type, const MCTime& duration) {
    if (type >= TEMPO_TYPE_COUNT)
        return 0;
    m_type = type;
    if (type >= TEMPO_ACCEL && type <= TEMPO_RIT)
        m_duration = duration;
    if (const float preset = GetPresetTempo(type); preset > 0.0f)
        SetTempo(preset, 1.0f);
    return 1;
}

float ECTempo::GetPresetTempo(unsigned char type) {
    return type < kTempoTypes.size() ? kTempoTypes[type].presetTempo : 0.0f;
}

int ECTempo::SetTempo(float tempo, float beat) {
    // A tempo of 0 would stop time (an infinite speed); a negative one would
    // run it backwards.
    const float quartersPerMinute = tempo * beat;
    if (!IsPositiveFinite(tempo) || !IsPositiveFinite(beat) || !IsPositiveFinite(quartersPerMinute))
        return 0;
    StoreTempo(quartersPerMinute);
    m_beat = beat;
    return 1;
}

void ECTempo::StoreTempo(float quartersPerMinute) {
    m_tempo = quartersPerMinute;
    m_rate = quartersPerMinute / 60.0f;
    m_speed = 60.0f / quartersPerMinute;
}

float ECTempo::GetTempo(float beat) const {
    if (m_beat == 0.0f)
        return 0.0f;
    // Only an exact quarter-note beat asks for quarters; any other value asks
    // for the tempo in the beat it was given in.
    if (beat == 1.0f)
        return m_tempo;
    return m_tempo / m_beat;
}

std::string ECTempo::GetText() const {
    return m_text.empty() ? GetTempoString(m_type) : m_text;
}

std::string ECTempo::GetTempoString(unsigned char type) {
    std::string text;
    if (type < kTempoTypes.size() && kTempoTypes[type].stringId != 0)
        LoadString(GetLodemarModule(), kTempoTypes[type].stringId, text);
    return text;
}

bool ECTempo::operator==(const ECTempo& other) const {
    return m_type == other.m_type && m_duration == other.m_duration && m_tempo == other.m_tempo &&
           m_speed == other.m_speed && m_beat == other.m_beat;
}

// ---- archive -----------------------------------------------------------------------

void ECTempo::Serialize(CArchive& ar) {
    ECWithTime::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_tempo << m_rate << m_speed << m_beat << BYTE{m_type};
        if (HasDuration())
            SerializeEventTime(ar, m_duration);
        ar << m_text;
        return;
    }

    float tempo = 0, rate = 0, speed = 0, beat = 0;
    BYTE type = 0;
    MCTime duration;
    ar >> tempo >> rate >> speed >> beat >> type;
    if (HasDuration(type))
        SerializeEventTime(ar, duration);
    std::string text;
    ar >> text;

    // The values are kept as stored (their rounding is the file's), but a
    // tempo of 0, or a rate or speed no tempo has, would stop or break the
    // tempo map: such a tempo is rebuilt from what is sound, else the default.
    if (!IsPositiveFinite(tempo)) {
        Trace("ECTempo: a stored tempo of %g is read as %g\n", static_cast<double>(tempo),
              static_cast<double>(kDefaultTempo));
        tempo = kDefaultTempo;
        rate = tempo / 60.0f;
        speed = 60.0f / tempo;
    } else if (!IsPositiveFinite(rate) || !IsPositiveFinite(speed)) {
        rate = tempo / 60.0f;
        speed = 60.0f / tempo;
    }
    if (!IsPositiveFinite(beat))
        beat = 1.0f;

    m_tempo = tempo;
    m_rate = rate;
    m_speed = speed;
    m_beat = beat;
    m_type = type;
    m_duration = duration;
    m_text = std::move(text);
}
