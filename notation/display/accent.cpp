// DCctAccent: glyphs by kind and placement, and the place beside the note.
#include "notation/display/accent.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/modifiers.h"
#include "notation/display/chord.h"
#include "notation/display/drawsteps.h"
#include "notation/display/note.h"
#include "platform/core/archive.h"

#include <iterator>

IMPLEMENT_SERIAL(DCctAccent, DCctBase, VERSIONABLE_SCHEMA | 2)

namespace {

// Glyphs by kind: placed above, placed below (the same where a sign has one
// form).
struct AccentGlyph {
    BYTE type;
    UINT above;
    UINT below;
};
constexpr AccentGlyph kGlyphs[] = {
    {0, 107, 107},  {1, 94, 118},   {2, 62, 62},    {3, 45, 45},    {4, 174, 39},   {5, 249, 223},
    {6, 172, 232},  {7, 144, 145},  {8, 148, 149},  {9, 143, 142},  {10, 146, 147}, {11, 248, 60},
    {12, 83, 83},   {13, 90, 90},   {14, 167, 167}, {15, 44, 44},   {30, 178, 178}, {31, 179, 179},
    {32, 246, 246}, {33, 203, 203}, {34, 182, 182}, {35, 111, 111}, {36, 111, 111}, {37, 203, 203},
    {50, 204, 204}, {51, 205, 205}, {70, 150, 150}, {71, 76, 76},   {72, 192, 192},
};

// Signs that belong to the stem: placed above a stem-up note they stand
// centred on the stem rather than on the head.
bool CentresOnStem(BYTE type) {
    switch (type) {
    case 0: case 1: case 4: case 6: case 30: case 31: case 32:
        return true;
    default:
        return false;
    }
}

constexpr int kStemDown = 1;

}  // namespace

DCctAccent::DCctAccent() {
    SetBit(BIT_BELOW, 0);
}

DCctAccent::DCctAccent(const DCctAccent& other) : DCctBase(other) {
    SetStateWord(other.GetStateWord());
}

DCctAccent::~DCctAccent() = default;

void DCctAccent::SetLocation(int location, int) {
    SetBit(BIT_BELOW, location);
}

BYTE DCctAccent::GetType() {
    auto* accent = dynamic_cast<ECAccent*>(GetOwner());
    return accent ? accent->GetAccentType() : 0;
}

UINT DCctAccent::GlyphFor(BYTE type, int below) {
    for (const AccentGlyph& glyph : kGlyphs)
        if (glyph.type == type)
            return below ? glyph.below : glyph.above;
    return 0;
}

int DCctAccent::Draw(CDC* dc, CPoint point, CRect* clip) {
    if (IsHidden())
        return DRAW_HIDDEN;
    FontColorScope color(MCMusicFont::GetMusicFont());   // recoloured for this sign alone
    return DCctBase::Draw(dc, point, clip);
}

int DCctAccent::DrawInRect(CDC* dc, CRect* rect) {
    FontColorScope color(MCMusicFont::GetMusicFont());
    return DCctBase::DrawInRect(dc, rect);
}

UINT DCctAccent::GetFontFromType() {
    return GlyphFor(GetType(), GetLocation());
}

int DCctAccent::Position(ECConductor*, ECStaff*, ECMeasure*, ECBase*) {
    ECBase* owner = GetOwner();
    MCEventList* parents = owner ? owner->GetParents() : nullptr;
    ECBase* parent = parents && !parents->IsEmpty() ? parents->GetHead() : nullptr;
    auto* note = dynamic_cast<DCctNotate*>(NotationDisplayOf(parent));
    if (!note)
        return 0;
    // A chord shows its accents once, at the note that carries the stem.
    // The note that carries it now shows them again: the stem may have moved.
    ECBase* chordEvent = parent->GetClassType() == ET_NOTE ? owner->GetAncestor(ET_CHORD, -1) : nullptr;
    if (chordEvent) {
        auto* chord = dynamic_cast<DCctChord*>(NotationDisplayOf(chordEvent));
        if (chord && chord->GetAnchorNote() != note) {
            SetHidden(1);
            return 1;
        }
    }
    SetHidden(0);

    const MCMusicFont& font = MCMusicFont::GetMusicFont();
    const BYTE size = GetFontSize();
    const int h = font.GetNoteheadHeight(size);
    const int w = font.GetNoteheadWidth(size);
    SetSize(nullptr);
    const int width = GetWidth();
    const int below = GetLocation();
    const int down = note->GetStemDirection() == kStemDown;

    int y = below ? -(3 * h / 2) : 3 * h / 2;
    // Beyond the stem's end when the stem points the accent's way.
    if (below == down)
        y += note->GetStemHeight();

    int x = 0;
    if (down)
        x = (note->GetWidth() - width) / 2;
    else if (!below && CentresOnStem(GetType()))
        x = w - width / 2;
    else
        x = (w - width) / 2;
    SetPosition(x, y);
    return 1;
}
