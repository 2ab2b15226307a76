// The engine's preparation of a note edited in place: moved to another time,
// given another voice, or taken out and merged in again where it stands.
#include "notation/autonote/autonote.h"

#include "model/command.h"
#include "model/editstates.h"
#include "model/notes.h"

void CAutoNote::PrepareEditTime(SCEventEdit*, SCEventEditItem*, ECBase*) {
    // FIXME: the move of a note comes in the next commits.
}

void CAutoNote::PrepareEditVoiceTrack(SCEventEdit*, SCEventEditItem*, ECBase*) {
    // FIXME: the voice change of a note comes in the next commits.
}

void CAutoNote::PrepareForEditNote(SCEventBase*, ECNote*, ECMeasure*) {
    // FIXME: needs RemoveNote and MergeNote.
}
