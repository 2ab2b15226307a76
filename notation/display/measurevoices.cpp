// DCctMeasure: the voice table (which voices the measure's events use), and
// the clef of a voice's staff half.
#include "notation/display/measure.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/findactions.h"
#include "model/lists.h"
#include "model/markings.h"
#include "model/time.h"

#include <algorithm>
#include <array>

namespace {

constexpr int VOICE_COUNT = 8;

// The voice of an event's voice/track word (15 for a converted word); -1 for
// an event without one.
int VoiceOf(ECBase* event) {
    const MCVoiceTrack* word = event ? event->GetVoiceTrack() : nullptr;
    return word ? word->GetVoice() : -1;
}

bool AnyMarked(const std::array<bool, VOICE_COUNT>& marked, int first, int last) {
    return std::any_of(marked.begin() + first, marked.begin() + last + 1, [](bool on) { return on; });
}

}  // namespace

void DCctMeasure::CreateVoiceTable(MCEventList& events, int staffKind) {
    if (staffKind == STAFF_PERCUSSION) {
        m_voices = {0, 1};   // the drum map's upper and lower voices
        return;
    }
    std::array<bool, VOICE_COUNT> marked{};
    for (POSITION pos = events.GetHeadPosition(); pos;) {
        const int voice = VoiceOf(events.GetNext(pos));
        if (voice >= 0 && voice < VOICE_COUNT)
            marked[static_cast<size_t>(voice)] = true;
    }
    if (!AnyMarked(marked, 0, VOICE_COUNT - 1))
        marked[0] = true;
    if (staffKind == STAFF_GRAND) {
        // Each staff of the pair rests in at least one voice.
        if (!AnyMarked(marked, 4, 7))
            marked[4] = true;
        if (!AnyMarked(marked, 0, 3))
            marked[0] = true;
    }
    m_voices.clear();
    for (int voice = 0; voice < VOICE_COUNT; ++voice)
        if (marked[static_cast<size_t>(voice)])
            m_voices.push_back(static_cast<BYTE>(voice));
}

void DCctMeasure::AddToVoiceTable(MCEventList& events, int staffKind) {
    if (events.IsEmpty())
        return;
    if (m_voices.empty()) {
        CreateVoiceTable(events, staffKind);
        return;
    }
    if (staffKind == STAFF_PERCUSSION) {
        if (m_voices.size() != 2)
            m_voices = {0, 1};
        return;
    }
    for (POSITION pos = events.GetHeadPosition(); pos;) {
        const int voice = VoiceOf(events.GetNext(pos));
        if (voice < 0)
            continue;
        const BYTE value = static_cast<BYTE>(voice);
        if (std::find(m_voices.begin(), m_voices.end(), value) == m_voices.end())
            m_voices.push_back(value);
    }
}

int DCctMeasure::GetNumberOfVoices() {
    ECBase* owner = GetOwner();
    MCEventList* children = owner ? owner->GetChildren() : nullptr;
    if (m_voices.empty() && children && !children->IsEmpty()) {
        ACFindEvents find;
        find.AddEvtType(ET_NOTE);
        find.Apply(owner);
        CreateVoiceTable(find.GetEvents(), GetType());
    }
    return static_cast<int>(m_voices.size());
}

int DCctMeasure::IsSingleVoice(int lower) {
    if (m_voices.empty())
        return 1;
    if (GetType() != STAFF_GRAND)
        return m_voices.size() < 2 ? 1 : 0;
    const int first = lower ? 4 : 0;
    const auto inHalf = std::count_if(m_voices.begin(), m_voices.end(),
                                      [first](BYTE voice) { return voice >= first && voice <= first + 3; });
    return inHalf < 2 ? 1 : 0;
}

ECClef* DCctMeasure::GetClef(int voice, MCEventList& events) {
    // On a grand staff a lower-staff voice wants the lower staff's clef.
    const unsigned char lower = GetType() == STAFF_GRAND && voice > 3 ? 1 : 0;
    for (POSITION pos = events.GetHeadPosition(); pos;) {
        auto* clef = dynamic_cast<ECClef*>(events.GetNext(pos));
        if (clef && (clef->GetHand() != 0 ? 1 : 0) == lower)
            return clef;
    }
    return nullptr;
}
