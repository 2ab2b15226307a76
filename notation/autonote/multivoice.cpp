// ANMultivoice: the measure pass and the voicing of each staff type.
#include "notation/autonote/multivoice.h"

#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/measure.h"
#include "model/notes.h"
#include "model/plugin.h"
#include "model/staff.h"
#include "notation/autonote/notatelinks.h"
#include "notation/autonote/notekey.h"
#include "notation/display/measure.h"
#include "notation/display/notate.h"

#include <algorithm>

namespace {

// The ruler's grid step over all its pulse groups.
constexpr WORD OVERALL_RESOLUTION = 0x4000;

// The staff kinds voiced by rules of their own.
constexpr int STAFF_GRAND = DCctMeasure::STAFF_GRAND;
constexpr int STAFF_DRUM = DCctMeasure::STAFF_PERCUSSION;

// A drum note is spelt by the drum map, with no accidental preference.
constexpr signed char NO_PREFERENCE = 0;
constexpr int SHOW_ACCIDENTAL = 1;

// What a conflict does once the last voice is reached: a plain staff keeps
// filling it; a grand staff starts it afresh, so that the next note is
// weighed only against the note that conflicted.
constexpr bool STAY_IN_LAST = false;
constexpr bool OPEN_ON_CONFLICT = true;

void SetVoiceOf(ECBase* element, int voice) {
    if (MCVoiceTrack* word = element->GetVoiceTrack())
        word->SetVoice(voice);
}

}  // namespace

ANMultivoice::ANMultivoice() = default;

ANMultivoice::~ANMultivoice() = default;

void ANMultivoice::DoMeasure(ECConductor*, ECStaff* staff, ECMeasure* measure, ECMeter*) {
    if (!measure)
        return;
    auto* display = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0));
    if (!display || !display->MultivoiceDirty())
        return;

    ACFindEvents notes;
    notes.AddEvtType(ET_NOTE);
    notes.Apply(measure);
    MCEventList& list = notes.GetEvents();
    ACFindEvents tuplets;
    tuplets.AddEvtType(ET_TUPLET);
    tuplets.Apply(measure);
    if (!tuplets.GetEvents().IsEmpty())
        list.AddEvents(&tuplets.GetEvents(), UNSORTED);
    list.Sort();

    m_resolution = display->GetRuler().GetResolution(OVERALL_RESOLUTION);
    const int staffType = staff ? staff->GetStaffType() : 0;
    Multivoice(list, staffType);
    for (POSITION pos = m_removed.GetHeadPosition(); pos;)
        list.RemoveEvent(m_removed.GetNext(pos));
    display->CreateVoiceTable(list, staffType);

    m_pitchOrder.clear();
    m_voiceList.clear();
    m_conflictList.clear();
    m_removed.RemoveAll();
    m_newVoiceStart = 0;
    display->SetMultivoiceDirty(0);
}

int ANMultivoice::Multivoice(MCEventList& list, int staffType) {
    if (list.IsEmpty())
        return 0;
    int voices = 0;
    if (staffType == STAFF_DRUM)
        voices = VoiceDrumStaff(list);
    else if (staffType == STAFF_GRAND)
        voices = VoiceGrandStaff(list);
    else
        voices = VoiceNormalStaff(list);

    // A tuplet is drawn with the voice of the notes it holds.
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        ECBase* element = list.GetNext(pos);
        if (element->GetClassType() != ET_TUPLET)
            continue;
        MCEventList* children = element->GetChildren();
        if (children && !children->IsEmpty())
            SetVoiceOf(element, static_cast<int>(GetVoice(children->GetHead())));
    }
    return voices;
}

void ANMultivoice::OrderPitches(const MCEventList& list) {
    std::vector<int> keys;
    m_pitchOrder.clear();
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        ECBase* element = list.GetNext(pos);
        if (element->GetClassType() != ET_NOTE)
            continue;
        const int key = GetNoteKey(element);
        if (key < 0)
            continue;
        // Before the first lower key: equal keys keep the list's order.
        size_t at = 0;
        while (at < keys.size() && keys[at] >= key)
            ++at;
        keys.insert(keys.begin() + static_cast<std::ptrdiff_t>(at), key);
        m_pitchOrder.insert(m_pitchOrder.begin() + static_cast<std::ptrdiff_t>(at), element);
    }
}

void ANMultivoice::PlaceByPitch(const MCEventList& notes, int lastVoice, bool alwaysOpen) {
    constexpr bool FIRST_CONFLICT = false;
    constexpr bool TOLERANT = true;
    OrderPitches(notes);
    m_voiceList.clear();
    for (ECBase* note : m_pitchOrder) {
        if (TimeConflict(note, FIRST_CONFLICT, TOLERANT) && (alwaysOpen || m_newVoiceStart < lastVoice)) {
            m_newVoiceStart = std::min(m_newVoiceStart + 1, lastVoice);
            m_voiceList.clear();
        }
        m_conflictList.clear();
        SetVoiceOf(note, m_newVoiceStart);
        if (TakesPart(note))
            m_voiceList.push_back(note);
    }
}

int ANMultivoice::VoiceNormalStaff(MCEventList& list) {
    if (!GuessVoice())
        return UserVoiceStaff(list);
    // A plain staff shows at most three voices.
    constexpr int LAST_GUESSED_VOICE = 2;
    m_newVoiceStart = 0;
    PlaceByPitch(list, LAST_GUESSED_VOICE, STAY_IN_LAST);
    SingleVoiceVoice(0, m_newVoiceStart + 1, list);
    return m_newVoiceStart + 1;
}

int ANMultivoice::VoiceGrandStaff(MCEventList& list) {
    constexpr int LAST_VOICE = VOICE_COUNT - 1;
    const bool split = m_split != NO_SPLIT;
    if (!GuessVoice() && !split)
        return UserVoiceStaff(list);

    if (GuessVoice() && !split) {
        // Re-guess the staff half the edit is in.
        const int first = static_cast<int>(m_voiceHint);
        const int last = first == LOWER_FIRST_VOICE ? LAST_VOICE : LOWER_FIRST_VOICE - 1;
        MCEventList half;
        GetDataByVoice(half, list, static_cast<unsigned>(first), static_cast<unsigned>(last));
        m_newVoiceStart = first;
        PlaceByPitch(half, LAST_VOICE, OPEN_ON_CONFLICT);
        SingleVoiceVoice(first, m_newVoiceStart + 1, list);
        return CountVoices(list);
    }

    // Divide at the split key; a note without a key stays where it is.
    MCEventList upper, lower;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        ECBase* element = list.GetNext(pos);
        if (element->GetClassType() != ET_NOTE)
            continue;
        const int key = GetNoteKey(element);
        if (key >= 0)
            (key >= m_split ? upper : lower).AddEvent(element, UNSORTED);
    }
    if (GuessVoice()) {
        m_newVoiceStart = UPPER_FIRST_VOICE;
        PlaceByPitch(upper, LAST_VOICE, OPEN_ON_CONFLICT);
        const int upperEnd = m_newVoiceStart + 1;
        m_newVoiceStart = LOWER_FIRST_VOICE;
        PlaceByPitch(lower, LAST_VOICE, OPEN_ON_CONFLICT);
        SingleVoiceVoice(UPPER_FIRST_VOICE, upperEnd, upper);
        SingleVoiceVoice(LOWER_FIRST_VOICE, m_newVoiceStart + 1, lower);
        return CountVoices(list);
    }
    for (POSITION pos = upper.GetHeadPosition(); pos;)
        SetVoiceOf(upper.GetNext(pos), UPPER_FIRST_VOICE);
    for (POSITION pos = lower.GetHeadPosition(); pos;)
        SetVoiceOf(lower.GetNext(pos), LOWER_FIRST_VOICE);
    SingleVoiceVoice(UPPER_FIRST_VOICE, UPPER_FIRST_VOICE + 1, upper);
    SingleVoiceVoice(LOWER_FIRST_VOICE, LOWER_FIRST_VOICE + 1, lower);
    return CountVoices(list);
}

int ANMultivoice::VoiceDrumStaff(MCEventList& list) {
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        ECBase* element = list.GetNext(pos);
        if (element->GetClassType() != ET_NOTE)
            continue;
        auto* display = dynamic_cast<DCctNotate*>(GetNotateData(element));
        const int key = GetNoteKey(element);
        if (!display || key < 0)
            continue;
        MCPitch& spelling = display->GetSpelling();
        spelling.SetPitch(static_cast<uint8_t>(key), NO_PREFERENCE, SHOW_ACCIDENTAL);
        spelling.SetPercussion(1);
        SetVoiceOf(element, spelling.GetVoiceFromPercussionPitch());
    }
    // The drum map's upper and lower voices.
    SingleVoiceVoice(0, 2, list);
    return CountVoices(list);
}

int ANMultivoice::UserVoiceStaff(MCEventList& list) {
    SingleVoiceVoice(0, VOICE_COUNT, list);
    return CountVoices(list);
}
