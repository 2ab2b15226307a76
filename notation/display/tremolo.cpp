// DCctTremolo: the tremolo mark, its glyph and its place on the stem.
#include "notation/display/tremolo.h"

#include "platform/core/archive.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/modifiers.h"
#include "notation/display/notate.h"

IMPLEMENT_SERIAL(DCctTremolo, DCctBase, VERSIONABLE_SCHEMA | 2)

namespace {

// The stem direction of the parent's notated display (0 up, 1 down); up
// without one.
int StemDirectionOfParent(DCctBase* parentDisplay) {
    auto* notate = dynamic_cast<DCctNotate*>(parentDisplay);
    return notate ? notate->GetStemDirection() : 0;
}

}  // namespace

DCctTremolo::StemDirectionQuery DCctTremolo::s_stemDirectionOf = StemDirectionOfParent;

DCctTremolo::~DCctTremolo() = default;

int DCctTremolo::Position(ECConductor*, ECStaff*, ECMeasure*, ECBase*) {
    ECBase* owner = GetOwner();
    MCEventList* parents = owner ? owner->GetParents() : nullptr;
    ECBase* parent = parents && !parents->IsEmpty() ? parents->GetHead() : nullptr;
    if (!parent || (parent->GetClassType() != ET_NOTE && parent->GetClassType() != ET_CHORD))
        return 0;

    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const int h = font.GetNoteheadHeight(FONT_CURRENT);
    const int w = font.GetNoteheadWidth(FONT_CURRENT);
    auto* parentDisplay = dynamic_cast<DCctBase*>(parent->GetData(DK_NOTATION, 0));
    if (s_stemDirectionOf(parentDisplay) == 0)
        SetPosition(w - GetWidth() / 2, 3 * h / 2);
    else
        SetPosition(-(GetWidth() / 2), -3 * h / 2 - GetHeight());
    return 1;
}

UINT DCctTremolo::GetFontFromType() {
    auto* owner = dynamic_cast<ECTremolo*>(GetOwner());
    if (!owner)
        return 0;
    switch (owner->GetTremoloType()) {
    case 0:
        return 33;
    case 1:
        return 64;
    case 2:
        return 190;
    default:
        return 0;
    }
}

int DCctTremolo::AdjustForFont(int height) {
    return AdjustForSmallFont(height);
}
