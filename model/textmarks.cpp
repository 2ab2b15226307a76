// Texts, lyrics and flow-control marks: fields, parents by text type, the
// default point sizes, the names of the flow-control types and the archive
// forms.
#include "model/textmarks.h"

#include "model/eventtypes.h"
#include "model/performance.h"
#include "model/strings.h"
#include "platform/core/archive.h"
#include "platform/core/resources.h"

#include <array>

IMPLEMENT_SERIAL(ECText, ECWithTime, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECLyric, ECText, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(ECFlowControl, ECWithTimeChild, VERSIONABLE_SCHEMA | 2)

namespace {

// The default point size of each text type; changed by preferences.
std::array<unsigned short, ECText::TEXT_TYPE_COUNT> s_defaultPointSizes = {
    10, 9, 10, 10, 10, 10, 10, 12, 24, 14, 10, 10, 10, 12, 12, 12,
};

// The flow-control marks with a name: types 5 to 12, strings 11940 to 11947.
constexpr unsigned char FIRST_NAMED_FLOW = 5;
constexpr unsigned char LAST_NAMED_FLOW = 12;
constexpr unsigned IDS_FIRST_FLOW_NAME = 11940;

constexpr unsigned char FLOW_ENDING = 2;
constexpr unsigned char FLOW_SEQUENCE_NUMBER = 14;
constexpr unsigned char FLOW_OWN_TEXT = 16;

// Whether the events being loaded come from a file of version 0: the active
// performance's version (clipboard data, read with none active, is current).
bool LoadingVersion0() {
    const ECPerformance* performance = ECPerformance::GetActivePerformance();
    return performance && performance->GetVersion() == 0;
}

}  // namespace

// ---- ECText -----------------------------------------------------------------------

ECText::ECText() : ECText(0, std::string()) {}

ECText::ECText(unsigned char type, const std::string& text) : m_type(type), m_text(text) {
    SetPointSize(GetDefaultPointSize(type));
}

int ECText::GetClassType() const {
    return ET_TEXT;
}

int ECText::GetParentType() const {
    switch (m_type) {
    case 0:
    case 3:
    case 4:
        return ET_STAFF;
    case 2:
        return -1;
    default:
        return m_type < TEXT_TYPE_COUNT ? ET_CONDUCTORSTAFF : -1;
    }
}

int ECText::GetParentTypes(std::vector<int>& types) const {
    const int parent = GetParentType();
    if (parent < 0)
        return 0;
    types.push_back(parent);
    return 1;
}

bool ECText::MayHangUnder(int type) const {
    return type >= 0 && type == GetParentType();
}

void ECText::Serialize(CArchive& ar) {
    ECWithTime::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<BYTE>(m_type) << m_text << static_cast<DWORD>(m_style);
    } else {
        ar >> m_type >> m_text >> m_style;
    }
}

unsigned short ECText::GetDefaultPointSize(unsigned char type) {
    return type < TEXT_TYPE_COUNT ? s_defaultPointSizes[type] : COMMON_POINT_SIZE;
}

void ECText::SetDefaultPointSize(unsigned char type, unsigned short size) {
    if (type < TEXT_TYPE_COUNT)
        s_defaultPointSizes[type] = size;
}

// ---- ECLyric ----------------------------------------------------------------------

int ECLyric::GetClassType() const {
    return ET_LYRIC;
}

int ECLyric::GetParentTypes(std::vector<int>& types) const {
    // The lyric's own row of the type table, not its text type's parent.
    return ECBase::GetParentTypes(types);
}

bool ECLyric::MayHangUnder(int type) const {
    return ECBase::MayHangUnder(type);
}

// ---- ECFlowControl ------------------------------------------------------------------

ECFlowControl::ECFlowControl(const ECFlowControl& other)
    : ECWithTimeChild(),
      m_type(other.m_type),
      m_endingNumber(other.m_endingNumber),
      m_sequenceNumber(other.m_sequenceNumber),
      m_text(other.m_text) {}

int ECFlowControl::GetClassType() const {
    return ET_FLOWCONTROL;
}

std::string ECFlowControl::GetText() const {
    std::string text;
    if (m_type == FLOW_OWN_TEXT)
        text = m_text;
    else if (m_type >= FIRST_NAMED_FLOW && m_type <= LAST_NAMED_FLOW)
        LoadString(GetLodemarModule(), IDS_FIRST_FLOW_NAME + (m_type - FIRST_NAMED_FLOW), text);
    return text;
}

void ECFlowControl::SetText(const std::string& text) {
    m_text = text;
    m_type = FLOW_OWN_TEXT;
}

void ECFlowControl::Serialize(CArchive& ar) {
    ECWithTimeChild::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<BYTE>(m_type);
        if (m_type == FLOW_ENDING)
            ar << static_cast<LONG>(m_endingNumber);
        else if (m_type == FLOW_SEQUENCE_NUMBER)
            ar << static_cast<LONG>(m_sequenceNumber);
        return;
    }

    ar >> m_type;
    if (m_type == FLOW_ENDING) {
        // Files of version 0 held the ending number in one byte.
        if (LoadingVersion0()) {
            BYTE number = 0;
            ar >> number;
            m_endingNumber = number;
        } else {
            ar >> m_endingNumber;
        }
    } else if (m_type == FLOW_SEQUENCE_NUMBER) {
        ar >> m_sequenceNumber;
    }
}
