#include "notation/autonote/notekey.h"

#include "model/eventtypes.h"
#include "model/notes.h"
#include "model/plugin.h"
#include "notation/tools/tie.h"
#include "sequencer/performers.h"

int GetPlayedKey(ECBase* note) {
    auto* performer = note ? dynamic_cast<DCsqMidi*>(note->GetData(DK_SEQUENCER, 0)) : nullptr;
    return performer ? performer->GetMidiData().GetDataByte1() : -1;
}

int GetNoteKey(ECBase* note) {
    const int key = GetPlayedKey(note);
    if (key >= 0 || !note || note->GetClassType() != ET_NOTE)
        return key;
    // A continuation sounds as the head of its chain.
    CTie chain;
    ECNote* head = chain.GetHeadOfTie(static_cast<ECNote*>(note));
    return head && head != note ? GetPlayedKey(head) : -1;
}
