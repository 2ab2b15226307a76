// DrawMusicButton: the face of a music button (interface/document/musicpage.h),
// its event drawn by the notation's own display classes in the music font.
//
// InitPlugins installs it as the draw-item function of every music button,
// so the symbol palette's buttons show their prototypes. The face is a new
// bitmap of the item rectangle's size (the caller's): the button face's
// colour behind the symbol in the window-text colour, on the window colour
// for the pressed image (item state 1), in the grey-text colour for the
// disabled one (state 2). A clef, key or meter stands on grey staff lines of
// a measure made for the drawing; the button's event keeps its parents.
//
// The item's DC is left in MM_TWIPS, the mapping the face is drawn in: the
// button draws the face back under that mapping. User-interface thread only.
#pragma once

class CBitmap;
class CObject;
struct DRAWITEMSTRUCT;

// Null when `button` is no music button or the item has no DC.
CBitmap* DrawMusicButton(CObject* button, DRAWITEMSTRUCT* item);
