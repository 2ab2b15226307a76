// DCctAccidental: glyphs, archive, the align position and the user-spelled
// mark of its note.
#include "notation/display/accidental.h"

#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/modifiers.h"
#include "notation/display/drawsteps.h"
#include "notation/display/note.h"
#include "platform/core/archive.h"

#include <iterator>

IMPLEMENT_SERIAL(DCctAccidental, DCctBase, VERSIONABLE_SCHEMA | 2)

namespace {

// Glyphs by kind: beside the note, and small above it.
struct AccidentalGlyph {
    UINT beside;
    UINT above;
};
constexpr AccidentalGlyph kGlyphs[] = {
    {35, 73},  {98, 105}, {220, 93}, {186, 211}, {110, 233}, {97, 91}, {65, 123},
    {129, 93}, {140, 211}, {78, 210}, {36, 36},  {245, 245}, {125, 125},
};

// Kinds drawn beside the note at all, and those of them that stand a whole
// sign's width (plus a little) off rather than at a fixed distance.
constexpr BYTE kLastSignKind = 12;
constexpr BYTE kDoubleFlat = 3;
bool IsWideKind(BYTE type) {
    return (type >= 5 && type <= 9) || type == 12;
}

}  // namespace

DCctAccidental::DCctAccidental() {
    SetBit(BIT_UNUSED, 0);
    SetBit(BIT_ABOVE, 0);
    SetBit(BIT_COURTESY, 0);
}

DCctAccidental::DCctAccidental(const DCctAccidental& other)
    : DCctBase(other), m_nAlignPosition(other.m_nAlignPosition) {
    SetStateWord(other.GetStateWord());
}

DCctAccidental::~DCctAccidental() = default;

void DCctAccidental::Serialize(CArchive& ar) {
    DCctBase::Serialize(ar);
    if (ar.IsStoring())
        ar << m_nAlignPosition;
    else
        ar >> m_nAlignPosition;
}

BYTE DCctAccidental::GetType() {
    auto* accidental = dynamic_cast<ECAccidental*>(GetOwner());
    return accidental ? accidental->GetAccidentalType() : 0;
}

UINT DCctAccidental::GlyphFor(BYTE type, int above) {
    if (type >= std::size(kGlyphs))
        return 0;
    return above ? kGlyphs[type].above : kGlyphs[type].beside;
}

UINT DCctAccidental::GetFontFromType() {
    return GlyphFor(GetType(), IsAbove());
}

int DCctAccidental::Draw(CDC* dc, CPoint point, CRect* clip) {
    if (IsHidden())
        return DRAW_HIDDEN;
    FontColorScope color(MCMusicFont::GetMusicFont());   // recoloured for this sign alone
    return DCctBase::Draw(dc, point, clip);
}

int DCctAccidental::DrawInRect(CDC* dc, CRect* rect) {
    FontColorScope color(MCMusicFont::GetMusicFont());
    return DCctBase::DrawInRect(dc, rect);
}

int DCctAccidental::Position(ECConductor*, ECStaff*, ECMeasure*, ECBase*) {
    const MCMusicFont& font = MCMusicFont::GetMusicFont();
    const BYTE size = GetFontSize();
    const int h = font.GetNoteheadHeight(size);
    if (!IsAbove()) {
        SetX(GetBesideX(h));
        SetY(0);
        return 1;
    }
    DCctNote* note = FindNoteParent();
    if (!note)
        return 1;
    SetSize(nullptr);
    const int x = (font.GetNoteheadWidth(size) - GetWidth()) / 2;
    // Over the stem's end when the stem is up, else just over the head.
    const int y = note->GetStemDirection() == 0 ? note->GetStemHeight() + h / 2 : h;
    SetPosition(x, y);
    m_nAlignPosition = 0;
    return 1;
}

int DCctAccidental::GetBesideX(int h) {
    const BYTE type = GetType();
    if (type > kLastSignKind)
        return 0;
    SetSize(nullptr);   // the sign's width
    if (IsWideKind(type))
        return -GetWidth() - h / 4;
    const int x = -3 * h / 2;
    return type == kDoubleFlat ? x - GetWidth() / 2 : x;
}

void DCctAccidental::SetAlignPosition(int n) {
    if (IsAbove())
        return;
    m_nAlignPosition = static_cast<BYTE>(n);
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    int x = GetBesideX(h);
    if (n >= 2)
        x -= (n - 1) * h;
    SetX(x);
    SetPositionDirty(0);
}

DCctNote* DCctAccidental::FindNoteParent() {
    ECBase* owner = GetOwner();
    MCEventList* parents = owner ? owner->GetParents() : nullptr;
    const POSITION pos = parents ? parents->FindEvent(ET_NOTE, nullptr) : nullptr;
    return pos ? dynamic_cast<DCctNote*>(parents->GetAt(pos)->GetData(DK_NOTATION, 0)) : nullptr;
}

void DCctAccidental::SetUserSpelled(int on) {
    if (DCctNote* note = FindNoteParent())
        note->SetUserSpelled(on);
}

int DCctAccidental::IsUserSpelled() {
    DCctNote* note = FindNoteParent();
    return note ? note->IsUserSpelled() : 0;
}
