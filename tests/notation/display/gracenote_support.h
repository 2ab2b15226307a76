// What the grace-note tests share: a grace note event with its display
// object under a main note (the way the engine finds it: a child of the note).
#pragma once

#include "model/notes.h"
#include "notation/display/gracenote.h"
#include "tests/notation/display/display_support.h"
#include "tests/notation/display/note_support.h"

namespace note_test {

// The music font as MusicFontScope sets it, with the grace size measured
// too, as the view's first update measures every size.
class GraceFontScope : public MusicFontScope {
public:
    explicit GraceFontScope(int notehead) : MusicFontScope(notehead) {
        MCMusicFont& font = MCMusicFont::GetMusicFont();
        DisplayCanvas canvas(8, 8, 0, 0);
        font.SelectFont(&canvas.dc, FONT_GRACE);
        font.DeselectFont(&canvas.dc);
    }
};

// A grace note of `ticks` spelled as `key`, a child of `main`'s note, in
// its voice and track, with its display object.
inline DCctGraceNote* AddGrace(DCctNote* main, int key, int ticks) {
    ECBase* note = main->GetOwner();
    auto* grace = new ECGraceNote;   // held by the note
    grace->SetVoiceTrack(note->GetVoiceTrack());
    grace->SetTime(note->GetTime());
    note->AddChild(grace, 1);
    measure_test::RegistryCell cell(ET_GRACENOTE, RUNTIME_CLASS(DCctGraceNote));
    auto* display = dynamic_cast<DCctGraceNote*>(grace->GetData(DK_NOTATION, 1));
    MCPitch pitch = Pitch(key);
    display->SetPitch(pitch);
    display->SetValue(static_cast<WORD>(ticks), 0);
    return display;
}

}  // namespace note_test
