// What the note tests share: a clef as the notes see it (three line
// pitches), the notes' clef links set to answer from it, and a note event
// with its display object in a staff measure of a small score.
#pragma once

#include "model/notes.h"
#include "notation/display/note.h"
#include "notation/display/notateclef.h"
#include "notation/layout/pitchutils.h"
#include "tests/notation/display/measure_support.h"

namespace note_test {

// A clef's lines as MIDI pitches; the treble clef by default.
struct ClefLines {
    int top = 77;
    int middle = 71;
    int bottom = 64;
};

// The stand-in passed where a clef display is asked for; the links read it
// back as the lines it is.
inline DCctClef* AsClef(ClefLines& lines) {
    return reinterpret_cast<DCctClef*>(&lines);
}

// Sets the notes' clef links to read ClefLines (and, for clef events, the
// lines of the type: 0 treble, 3 bass) and puts the earlier ones back.
class ClefLinksScope {
public:
    ClefLinksScope() : m_saved(GetNotateClefLinks()) {
        NotateClefLinks& links = GetNotateClefLinks();
        links.topLinePitch = [](DCctClef* clef) { return Lines(clef).top; };
        links.middleLinePitch = [](DCctClef* clef) { return Lines(clef).middle; };
        links.bottomLinePitch = [](DCctClef* clef) { return Lines(clef).bottom; };
        links.distanceFromMiddleLine = [](DCctClef* clef, MCPitch& pitch) {
            MCPitch middle;
            middle.SetPitch(static_cast<uint8_t>(Lines(clef).middle), 0, 0);
            return MCPitchUtils().UnorderedDiatonic(middle, pitch);
        };
        // Lines and spaces alternate from the middle line.
        links.inSpace = [](DCctClef* clef, MCPitch& pitch) {
            MCPitch middle;
            middle.SetPitch(static_cast<uint8_t>(Lines(clef).middle), 0, 0);
            return MCPitchUtils().UnorderedDiatonic(middle, pitch) % 2;
        };
        links.clefDisplay = [](ECClef* clef) -> DCctClef* {
            static ClefLines treble;
            static ClefLines bass{57, 50, 43};
            return AsClef(clef->GetClefType() == 3 ? bass : treble);
        };
    }
    ~ClefLinksScope() { GetNotateClefLinks() = m_saved; }
    ClefLinksScope(const ClefLinksScope&) = delete;
    ClefLinksScope& operator=(const ClefLinksScope&) = delete;

private:
    static ClefLines& Lines(DCctClef* clef) { return *reinterpret_cast<ClefLines*>(clef); }
    NotateClefLinks m_saved;
};

// A plainly spelled pitch.
inline MCPitch Pitch(int key) {
    MCPitch pitch;
    pitch.SetPitch(static_cast<uint8_t>(key), 0, 0);
    return pitch;
}

// A note of `ticks` at the start of measure `number`, in voice 0 of staff
// 1, with its display object (spelled as `key`).
inline DCctNote* AddNote(measure_test::Score& score, int number, int key, int ticks) {
    ECMeasure* measure = score.Measure(number);
    auto* note = new ECNote;
    note->SetVoiceTrack(0, 1);
    note->SetTime(measure->GetTime());
    measure->AddChild(note, 1);
    measure_test::RegistryCell cell(ET_NOTE, RUNTIME_CLASS(DCctNote));
    auto* display = dynamic_cast<DCctNote*>(note->GetData(DK_NOTATION, 1));
    MCPitch pitch = Pitch(key);
    display->SetPitch(pitch);
    display->SetValue(static_cast<WORD>(ticks), 0);
    return display;
}

}  // namespace note_test
