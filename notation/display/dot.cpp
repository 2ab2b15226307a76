// DCctDot: the glyph and the places a chord gives its notes' dots.
#include "notation/display/dot.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "notation/display/note.h"
#include "platform/core/archive.h"

IMPLEMENT_SERIAL(DCctDot, DCctBase, VERSIONABLE_SCHEMA | 2)

namespace {
constexpr UINT kDotGlyph = 107;
}  // namespace

DCctDot::DCctDot() = default;

DCctDot::DCctDot(const DCctDot& other) : DCctBase(other) {}

DCctDot::~DCctDot() = default;

UINT DCctDot::GetFontFromType() {
    return kDotGlyph;
}

void DCctDot::SetAlignPosition(int column) {
    const MCMusicFont& font = MCMusicFont::GetMusicFont();
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    const int w = font.GetNoteheadWidth(FONT_CURRENT);
    int x = h + w * (column + 1);
    // A flag on an up stem stands right of the head: the dot keeps clear of it.
    ECBase* owner = GetOwner();
    MCEventList* parents = owner ? owner->GetParents() : nullptr;
    ECBase* parent = parents && !parents->IsEmpty() ? parents->GetHead() : nullptr;
    auto* note = parent && parent->GetClassType() == ET_NOTE
                     ? dynamic_cast<DCctNote*>(parent->GetData(DK_NOTATION, 0))
                     : nullptr;
    if (note && note->GetFlag() == 1 && note->GetStemDirection() == 0)
        x += h / 4;
    SetX(x);
    SetPositionDirty(0);
}

void DCctDot::SetVerticalAlign(int align) {
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    switch (align) {
    case ALIGN_BELOW:
        SetY(-h / 2);
        break;
    case ALIGN_ON:
        SetY(0);
        break;
    case ALIGN_ABOVE:
        SetY(h / 2);
        break;
    default:
        break;
    }
    SetPositionDirty(0);
}
