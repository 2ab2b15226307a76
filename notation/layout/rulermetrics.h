// The music-font measures the rulers space by: the notehead's width and
// height and the flat's width (the room an accidental takes) in the font's
// current size mode, in layout units.
//
// The rulers do not own a font: whoever does (the music font, once it is
// built at load) installs a source that answers the current values, and
// tests install fixed ones. Until a source is installed both read 0, which
// lays every mark at x 0 rather than at a made-up size. UI thread only,
// like the rulers that read it.
#pragma once

struct NoteheadMetrics {
    int width = 0;
    int height = 0;
    int accidentalWidth = 0;
};

using NoteheadMetricsSource = NoteheadMetrics (*)();

// Installs the source the rulers read (null restores the zero default);
// returns the previous one, so a test can put it back.
NoteheadMetricsSource SetNoteheadMetricsSource(NoteheadMetricsSource source);
// The current values from the installed source.
NoteheadMetrics GetRulerNoteheadMetrics();
