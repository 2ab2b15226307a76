// The key and meter tools (see signaturecursors.h).
#include "notation/tools/signaturecursors.h"

#include "model/basiccommands.h"
#include "model/conductor.h"
#include "model/conductorstaff.h"
#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/metercommands.h"
#include "model/meter.h"
#include "model/midifields.h"
#include "model/performance.h"
#include "model/staff.h"
#include "notation/tools/staffmarks.h"
#include "notation/tools/toolcursors.h"
#include "notation/view/cantrel.h"
#include "platform/ui/cursor.h"
#include "platform/ui/document.h"

#include <memory>
#include <mutex>

namespace {

// Both tools act on the staff's measure under the pointer.
const std::vector<int> kMeasureParent = {ET_MEASURE};

constexpr int kVoiceBits = 0x0F;

}  // namespace

// ---- the key tool ---------------------------------------------------------------------------

CKeyCursor::CKeyCursor(CCantrel* view, const std::vector<int>* /*parentTypes*/)
    : CHighlightBase(view, &kMeasureParent) {
    m_hCursor = LoadResourceCursor(IDC_SIGNATURE_TOOL);
}

int CKeyCursor::CanInsert(int eventType) {
    return eventType == ET_KEY;
}

int CKeyCursor::Insert(ECBase* element, CCAdd* command) {
    auto* key = dynamic_cast<ECKey*>(element);
    auto* measure = dynamic_cast<ECMeasure*>(m_pParent);
    if (!key || !measure || !m_pPerformance)
        return 0;
    const MCTime start = *measure->GetTime();
    ECStaff* staff = StaffOfMeasure(GetConductorStaff(), measure);
    key->SetHand(HandForVoice(staff, m_nVoice));
    // The key in force at the measure's start, one standing there included:
    // that one is what the new key would replace.
    auto* inForce = dynamic_cast<ECKey*>(MarkInForce(m_pPerformance, staff, ET_KEY, start, key->GetHand()));
    if (inForce && *inForce == *key)
        return 0;
    RemoveMarksAt(*m_pView, m_pPerformance, {measure}, ET_KEY, start, key->GetHand());

    key->SetTime(&start);
    const MCVoiceTrack* word = measure->GetVoiceTrack();
    *key->GetVoiceTrack() = MCVoiceTrack(m_nVoice & kVoiceBits, word ? word->GetTrack() : TRACK_NONE);
    return AddUnder(key, measure, FCMidi::MidiNull(), command);
}

// ---- the meter tool -------------------------------------------------------------------------

CMeterCursor::CMeterCursor(CCantrel* view, const std::vector<int>* /*parentTypes*/)
    : CHighlightBase(view, &kMeasureParent) {
    m_hCursor = LoadResourceCursor(IDC_SIGNATURE_TOOL);
}

int CMeterCursor::CanInsert(int eventType) {
    return eventType == ET_METER;
}

void CMeterCursor::UpdateTime(CDC* /*dc*/, CPoint& point) {
    ECConductorMeasure* column = GetConductorMeasure(point);
    const MCTime* start = column ? column->GetTime() : nullptr;
    if (!start || *start == m_time)
        return;
    m_time = *start;
    m_bChanged = 1;
}

int CMeterCursor::Insert(ECBase* element, CCAdd* command) {
    auto* meter = dynamic_cast<ECMeter*>(element);
    ECConductorStaff* conductorStaff = GetConductorStaff();
    ECConductor* conductor = m_pPerformance ? m_pPerformance->GetConductor() : nullptr;
    if (!meter || !m_pParent || !conductorStaff || !conductor)
        return 0;
    {
        // The meter in force at the measure's start, one standing there
        // included: the add-meter command would replace that one.
        std::lock_guard lock(m_pPerformance->GetLock());
        ECMeter* inForce = conductor->GetMeterAtTime(m_time);
        if (inForce && *inForce == *meter)
            return 0;
    }
    meter->SetTime(&m_time);
    *meter->GetVoiceTrack() = MCVoiceTrack(0, 0);
    if (command)
        return command->Add(meter, conductorStaff, FCMidi::MidiNull()) ? 1 : 0;
    auto add = std::make_unique<CCAddMeter>();
    add->AddMeter(meter);
    add.release()->Apply(m_pPerformance);   // the command manager's from here
    MarkModified();
    return 1;
}
