// Keys, clefs, chord symbols, dynamics, pedal and transposition marks,
// repeats, barlines and braces: their fields, copies and archive forms, the
// staff-cache upkeep of keys and clefs and their mirror lists.
#include "model/markings.h"

#include "model/eventtypes.h"
#include "model/meter.h"
#include "model/mirror.h"
#include "model/strings.h"
#include "platform/core/archive.h"
#include "platform/core/resources.h"

#include <utility>

IMPLEMENT_SERIAL(ECKey, ECWithTime, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECClef, ECWithTime, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECChordSymbol, ECWithTime, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECDynamic, ECWithTimeChild, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECPedal, ECWithTimeChild, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECTranspose, ECWithTimeChild, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECRepeat, ECWithTimeChild, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECBarline, ECBase, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECBrac, ECBase, VERSIONABLE_SCHEMA | 2)

namespace {

StaffCacheUpkeep s_staffCacheUpkeep = nullptr;

// A clef or key moves in time: out of its staff's cache, the new time, back
// in, so that the cache's points stay in time order. Without a staff (or
// while no staff class is installed) only the time is set.
void SetStaffEventTime(ECWithTime& event, unsigned char hand, const MCTime* time) {
    ECBase* staff = s_staffCacheUpkeep ? event.GetAncestor(ET_STAFF, -1) : nullptr;
    if (staff)
        s_staffCacheUpkeep(staff, &event, hand, 0);
    event.ECWithTime::SetTime(time);
    if (staff)
        s_staffCacheUpkeep(staff, &event, hand, 1);
}

// One unsigned byte field, either way.
void SerializeByte(CArchive& ar, unsigned char& value) {
    if (ar.IsStoring())
        ar << static_cast<BYTE>(value);
    else
        ar >> value;
}

}  // namespace

StaffCacheUpkeep SetStaffCacheUpkeep(StaffCacheUpkeep upkeep) {
    return std::exchange(s_staffCacheUpkeep, upkeep);
}

// ---- ECKey ------------------------------------------------------------------------

ECKey::ECKey(const ECKey& other)
    : ECWithTime(other), m_accidentals(other.m_accidentals), m_mode(other.m_mode), m_hand(other.m_hand) {}

ECKey::~ECKey() {
    ReleaseMirrors(m_mirrors, this);
}

int ECKey::GetClassType() const {
    return ET_KEY;
}

void ECKey::SetTime(const MCTime* time) {
    SetStaffEventTime(*this, m_hand, time);
}

void ECKey::Serialize(CArchive& ar) {
    ECWithTime::Serialize(ar);
    if (ar.IsStoring())
        ar << m_accidentals;
    else
        ar >> m_accidentals;
    SerializeByte(ar, m_mode);
    SerializeByte(ar, m_hand);
}

void ECKey::AddMirror(ECMirror* mirror) {
    // Kept as the mirror lists of meters and tempos.
    InsertMirror(m_mirrors, this, mirror);
}

void ECKey::RemoveMirrors(const MCTime& from) {
    RemoveMirrorsFrom(m_mirrors, from);
}

bool ECKey::operator==(const ECKey& other) const {
    return m_accidentals == other.m_accidentals && m_mode == other.m_mode && m_hand == other.m_hand;
}

// ---- ECClef -----------------------------------------------------------------------

ECClef::ECClef(const ECClef& other) : ECWithTime(other), m_clefType(other.m_clefType), m_hand(other.m_hand) {}

ECClef::~ECClef() {
    ReleaseMirrors(m_mirrors, this);
}

int ECClef::GetClassType() const {
    return ET_CLEF;
}

void ECClef::SetTime(const MCTime* time) {
    SetStaffEventTime(*this, m_hand, time);
}

void ECClef::Serialize(CArchive& ar) {
    ECWithTime::Serialize(ar);
    SerializeByte(ar, m_clefType);
    SerializeByte(ar, m_hand);
}

void ECClef::AddMirror(ECMirror* mirror) {
    // Kept as the mirror lists of meters and tempos.
    InsertMirror(m_mirrors, this, mirror);
}

void ECClef::RemoveMirrors(const MCTime& from) {
    RemoveMirrorsFrom(m_mirrors, from);
}

bool ECClef::operator==(const ECClef& other) const {
    return m_clefType == other.m_clefType && m_hand == other.m_hand;
}

// ---- ECChordSymbol ------------------------------------------------------------------

ECChordSymbol::ECChordSymbol(unsigned char root, unsigned char bass, unsigned char flavor, unsigned char style)
    : m_chord(root | (static_cast<uint32_t>(bass) << 8) | (static_cast<uint32_t>(flavor) << 16) |
              (static_cast<uint32_t>(style) << 24)) {}

int ECChordSymbol::GetClassType() const {
    return ET_CHORDSYMBOL;
}

void ECChordSymbol::Serialize(CArchive& ar) {
    ECWithTime::Serialize(ar);
    if (ar.IsStoring())
        ar << static_cast<DWORD>(m_chord);
    else
        ar >> m_chord;
}

// ---- ECDynamic ----------------------------------------------------------------------

ECDynamic::ECDynamic(const ECDynamic& other)
    : ECWithTimeChild(other), m_type(other.m_type), m_duration(other.m_duration) {}

int ECDynamic::GetClassType() const {
    return ET_DYNAMIC;
}

void ECDynamic::SetDuration(const MCTime* duration) {
    if (duration)
        m_duration = *duration;
}

void ECDynamic::Serialize(CArchive& ar) {
    ECWithTimeChild::Serialize(ar);
    SerializeByte(ar, m_type);
    if (HasDuration(m_type))
        SerializeEventTime(ar, m_duration);
    if (ar.IsStoring())
        ar << m_text;
    else
        ar >> m_text;
}

std::string ECDynamic::GetText() const {
    return m_text.empty() ? GetDynamicString(m_type) : m_text;
}

std::string ECDynamic::GetDynamicString(unsigned char type) {
    // "cresc.", "decresc.", "dim." are strings 11936 to 11938.
    std::string text;
    if (type >= 11 && type <= 13)
        LoadString(GetLodemarModule(), 11936u + (type - 11u), text);
    return text;
}

int ECDynamic::HasDuration(unsigned char type) {
    return type >= 10 && type <= 15 ? 1 : 0;
}

// ---- ECPedal, ECTranspose ---------------------------------------------------------------

void ECTypedSpan::SetDuration(const MCTime* duration) {
    if (duration)
        m_duration = *duration;
}

void ECTypedSpan::Serialize(CArchive& ar) {
    ECWithTimeChild::Serialize(ar);
    SerializeByte(ar, m_type);
    SerializeEventTime(ar, m_duration);
}

int ECPedal::GetClassType() const {
    return ET_PEDAL;
}

int ECTranspose::GetClassType() const {
    return ET_TRANSPOSE;
}

// ---- ECRepeat -------------------------------------------------------------------------

// A repeat sign is copied onto the default time and word of a new event.
ECRepeat::ECRepeat(const ECRepeat& other) : ECWithTimeChild(), m_type(other.m_type) {}

int ECRepeat::GetClassType() const {
    return ET_REPEAT;
}

void ECRepeat::Serialize(CArchive& ar) {
    ECWithTimeChild::Serialize(ar);
    SerializeByte(ar, m_type);
}

// ---- ECBarline, ECBrac --------------------------------------------------------------------

int ECBarline::GetClassType() const {
    return ET_BARLINE;
}

void ECBarline::Serialize(CArchive& ar) {
    ECBase::Serialize(ar);
    SerializeByte(ar, m_type);
    SerializeByte(ar, m_position);
}

int ECBrac::GetClassType() const {
    return ET_BRAC;
}

void ECBrac::Serialize(CArchive& ar) {
    ECBase::Serialize(ar);
    SerializeByte(ar, m_type);
}
