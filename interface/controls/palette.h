// MCPalette: a logical palette made from a bitmap's colour table, and the one
// shared palette of the process that every button image is mapped onto.
//
// The main frame builds the shared palette at start-up, stores it with
// SetSharedPalette and owns it; MCBitmap::Draw selects it when a bitmap has
// no palette of its own. User-interface thread only.
#pragma once

#include "platform/gdi/gdiobj.h"

class CDC;
class MCBitmap;

class MCPalette : public CPalette {
public:
    MCPalette() = default;
    // Create(bitmap) when `bitmap` is not null.
    explicit MCPalette(MCBitmap* bitmap);

    // A palette of the bitmap's colours-used entries, entry i from its colour
    // table entry i (flags 0). 0 for a bitmap without colours.
    virtual int Create(MCBitmap* bitmap);
    // The number of entries; 0 when there are none.
    virtual int GetNumColors();
    // Makes this an identity palette of a palette-based display. Displays
    // here are true colour, so there is nothing to match: answers 0 and
    // leaves the palette as it is.
    virtual int Normalize(CDC* dc);

    // The shared palette (null until the main frame sets it; not owned here).
    static MCPalette* GetSharedPalette();
    static void SetSharedPalette(MCPalette* palette);

private:
    static MCPalette* s_pSharedPalette;
};
