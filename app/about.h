// The About command (57664): the splash window (splash.h) shown until a click
// or a key in it; with a splash window already shown, only its version line is
// set again. User-interface thread only.
#pragma once

class CPalette;

// Shows the About window over the screen, with `palette` (may be null; the
// shared palette at run time) as the picture's palette when a new window is made.
void ShowAbout(CPalette* palette);
