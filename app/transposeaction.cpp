#include "app/transposeaction.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/plugin.h"
#include "sequencer/performers.h"

#include <algorithm>

namespace {

// The controller whose value is a note number: portamento control.
constexpr int kPortamentoControl = 84;

unsigned char Shifted(int value, int amount) {
    return static_cast<unsigned char>(std::clamp(value + amount, 0, 127));
}

}  // namespace

ACTranspose::ACTranspose(int amount) : ACBase(0), m_nAmount(amount) {}

void ACTranspose::SetRange(const MCTime& start, const MCTime& end) {
    m_startTime = start;
    m_endTime = end;
}

int ACTranspose::DoAction(ECBase* event) {
    const MCTime* time = event ? event->GetTime() : nullptr;
    if (!time)
        return AC_CONTINUE;
    const MCTime& open = MCTime::TimeNull();
    if ((m_startTime != open && m_startTime > *time) || (m_endTime != open && m_endTime <= *time))
        return AC_CONTINUE;

    const int type = event->GetClassType();
    if (type != ET_NOTE && type != ET_POLYPRESSURE && type != ET_CONTROLCHANGE)
        return AC_CONTINUE;
    auto* performer = dynamic_cast<DCsqMidi*>(event->GetData(DK_SEQUENCER, 0));
    if (!performer)
        return AC_SKIP;
    FCMidi& word = performer->GetMidiData();
    if (type == ET_NOTE) {
        if (auto* note = dynamic_cast<DCsqNote*>(performer))
            note->ChangeMidiPitch(Shifted(word.GetDataByte1(), m_nAmount));
    } else if (type == ET_POLYPRESSURE) {
        word.SetDataByte1(Shifted(word.GetDataByte1(), m_nAmount));
    } else if (word.GetDataByte1() == kPortamentoControl) {
        word.SetDataByte2(Shifted(word.GetDataByte2(), m_nAmount));
    }
    return AC_SKIP;
}
