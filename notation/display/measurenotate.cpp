// DCctMeasure: what the clef in force decides for a note's stem, tie and
// ledger lines. The clef's display object is reached through the notes'
// clef links (notateclef.h).
#include "notation/display/measure.h"

#include "notation/display/notate.h"
#include "notation/display/notateclef.h"

namespace {
DCctClef* ClefDisplay(ECClef* clef) {
    auto find = GetNotateClefLinks().clefDisplay;
    return clef && find ? find(clef) : nullptr;
}
}  // namespace

void DCctMeasure::SetStemDirectionByPitch(DCctNotate* note, ECClef* clef) {
    if (DCctClef* display = ClefDisplay(clef); note && display)
        note->SetStemDirectionByPitch(display);
}

void DCctMeasure::SetTieDirectionByPitch(DCctNotate* note, ECClef* clef) {
    if (DCctClef* display = ClefDisplay(clef); note && display)
        note->SetTieDirectionByPitch(display);
}

void DCctMeasure::SetLedgerLines(DCctNotate* note, ECClef* clef) {
    if (DCctClef* display = ClefDisplay(clef); note && display)
        note->SetLedgerLines(display);
}

void DCctMeasure::SetStemLength(DCctNotate* note, BYTE length, ECClef* clef) {
    if (!note)
        return;
    // Without the clef's display the rule has no middle line: the length
    // stands as asked.
    DCctClef* display = ClefDisplay(clef);
    auto distance = GetNotateClefLinks().distanceFromMiddleLine;
    if (display && distance) {
        const int b = distance(display, note->GetSpelling());
        if (b > 7 && length != 6)
            length = static_cast<BYTE>(b);
    }
    note->SetStemLength(length, 1, 0);
}
