// DCctKey: the key code table, the assembled accidentals, the key vector,
// placing and drawing.
#include "notation/display/key.h"
#include "notation/display/drawsteps.h"

#include "model/conductor.h"
#include "model/eventtypes.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/staff.h"
#include "notation/display/clef.h"
#include "notation/display/measurelookup.h"
#include "notation/display/staff.h"
#include "notation/layout/ruler.h"
#include "platform/core/archive.h"
#include "platform/gdi/dc.h"

#include <algorithm>
#include <string>

IMPLEMENT_SERIAL(DCctKey, DCctBase, VERSIONABLE_SCHEMA | 2)

namespace {

constexpr signed char kDiatonic[7] = {0, 2, 4, 5, 7, 9, 11};

// The degree (C = 0) each accidental type alters.
constexpr int kTypeDegree[ACC_TYPE_COUNT] = {3, 0, 4, 1, 5, 2, 6, 6, 2, 5, 1, 4, 0, 3};
// Its height above the top line in half notehead heights, on a treble clef.
constexpr int kTypeHalfSteps[ACC_TYPE_COUNT] = {0, -3, 1, -2, -5, -1, -4, -4, -1, -5, -2, -6, -3, -7};

// Tonic degrees of the keys with accidentals, by count - 1 from the code's
// side of the table (codes 1-7, 9-15, 16-22, 24-30).
constexpr int kMajorSharpTonic[7] = {0, 3, 6, 2, 5, 1, 4};
constexpr int kMajorFlatTonic[7] = {3, 6, 2, 5, 1, 4, 0};
constexpr int kMinorSharpTonic[7] = {5, 1, 4, 0, 3, 6, 2};
constexpr int kMinorFlatTonic[7] = {1, 4, 0, 3, 6, 2, 5};

constexpr int kCustomDegree = 7;

bool IsCustom(int code) {
    return code >= KEY_CUSTOM_FIRST && code <= KEY_CUSTOM_LAST;
}

// (k x h) / 2, k half steps of a notehead height h.
int Halves(int k, int h) {
    return k * h / 2;
}

// How far the clef moves the accidentals from their treble places.
int ClefOffset(BYTE clef, int h) {
    switch (clef) {
    case DCctClef::CLEF_BASS:
    case DCctClef::CLEF_BASS_8VA:
    case DCctClef::CLEF_BASS_8VB:
        return -h;
    case DCctClef::CLEF_TENOR:
        return -3 * h;
    case DCctClef::CLEF_ALTO:
        return Halves(-1, h);
    default:
        return 0;
    }
}

// The glyph box of `glyph` in the music font at the normal size, measured in
// `dc`: in the font already selected there (while drawing), else selected
// for the measurement alone.
MCMusicFont::MusicFontMetrics MeasureGlyph(CDC* dc, UINT glyph) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    if (dc->GetCurrentFont() == font.GetFont(dc))
        return font.GetMusicExtent(dc, glyph);
    font.SelectFont(dc, FONT_NORMAL);
    const MCMusicFont::MusicFontMetrics box = font.GetMusicExtent(dc, glyph);
    font.DeselectFont(dc);
    return box;
}

}  // namespace

// ---- the key code table ------------------------------------------------------------

int DCctKey::NumberOfAccidentals(int code) {
    if (code >= 1 && code <= 7)
        return 8 - code;
    if (code >= 9 && code <= 15)
        return code - 8;
    if (code >= 16 && code <= 22)
        return 23 - code;
    if (code >= 24 && code <= 30)
        return code - 23;
    if (IsCustom(code))
        return code - 130;
    return 0;
}

int DCctKey::KeyFlavor(int code) {
    if (code == 0)
        return FLAVOR_NONE;
    if ((code >= 1 && code <= 7) || (code >= 16 && code <= 22))
        return FLAVOR_SHARPS;
    if ((code >= 9 && code <= 15) || (code >= 24 && code <= 130))
        return FLAVOR_FLATS;
    return FLAVOR_OTHER;
}

int DCctKey::KeyDegree(int code) {
    if (code >= 1 && code <= 7)
        return kMajorSharpTonic[code - 1];
    if (code >= 9 && code <= 15)
        return kMajorFlatTonic[code - 9];
    if (code >= 16 && code <= 22)
        return kMinorSharpTonic[code - 16];
    if (code == KEY_A_MINOR)
        return 5;
    if (code >= 24 && code <= 30)
        return kMinorFlatTonic[code - 24];
    if (IsCustom(code))
        return kCustomDegree;
    return 0;
}

// ---- life -------------------------------------------------------------------------

DCctKey::DCctKey() {
    SetCancelPreviousKey(0);
    std::copy(std::begin(kDiatonic), std::end(kDiatonic), m_keyVector);
}

DCctKey::DCctKey(const DCctKey& other) : DCctBase(other) {
    // Whatever the source held, the copy is laid out again from C major.
    SetCancelPreviousKey(0);
    std::copy(std::begin(kDiatonic), std::end(kDiatonic), m_keyVector);
}

DCctKey::~DCctKey() = default;

void DCctKey::Serialize(CArchive& ar) {
    DCctBase::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<LONG>(m_key);
        return;
    }
    LONG code = 0;
    ar >> code;
    m_key = static_cast<tag_keysignature>(code);
    // A file holds no custom list: a custom code assembles with no accidentals.
    m_custom.clear();
    m_accidentals.clear();
}

// ---- the key --------------------------------------------------------------------------

void DCctKey::SetKey(int sharps, int minor) {
    int code = 0;
    if (sharps > -8 && sharps < 8) {
        code = (minor ? 23 : 8) - sharps;
    } else {
        // Past seven, a key reads as its enharmonic neighbour a dozen fifths away.
        if (sharps > 12 || sharps < -12)
            sharps %= 12;
        code = sharps < 1 ? -sharps - 4 : 20 - sharps;
    }
    SetKey(static_cast<tag_keysignature>(code), std::span<const tag_accidentals>());
}

void DCctKey::SetKey(tag_keysignature code, std::span<const tag_accidentals> custom) {
    m_key = code;
    m_custom.clear();
    if (IsCustom(code)) {
        for (tag_accidentals type : custom)
            if (type >= 0 && type < ACC_TYPE_COUNT && static_cast<int>(m_custom.size()) < NumberOfAccidentals(code))
                m_custom.push_back(type);
    }
    SetAssembleDirty(1);
    Assemble();
    SetFrameDirty(1);
    SetDirty(1);
}

int DCctKey::GetAccidentalCount() {
    if (IsCustom(m_key))
        return static_cast<int>(m_custom.size());
    return NumberOfAccidentals(m_key);
}

int DCctKey::GetKeyDegree() {
    return KeyDegree(m_key);
}

const signed char* DCctKey::GetDiatonicVector() {
    return kDiatonic;
}

const signed char* DCctKey::GetKeyVector() {
    std::copy(std::begin(kDiatonic), std::end(kDiatonic), m_keyVector);
    if (IsCancelPreviousKey())
        return m_keyVector;   // naturals alter nothing
    for (const Accidental& accidental : m_accidentals) {
        if (accidental.type < 0 || accidental.type >= ACC_TYPE_COUNT)
            continue;
        m_keyVector[kTypeDegree[accidental.type]] += accidental.type <= ACC_SHARP_B ? 1 : -1;
    }
    return m_keyVector;
}

int DCctKey::GetXOfLastAccidental() {
    return m_accidentals.empty() ? 0 : m_accidentals.back().x;
}

BYTE DCctKey::GetHand() {
    auto* key = dynamic_cast<ECKey*>(GetOwner());
    return key ? key->GetHand() : 0;
}

int DCctKey::LowerStaffOffset() {
    if (GetHand() != 1)
        return 0;
    return MeasureLeftHandOffset(MeasureParent(GetOwner()));
}

BYTE DCctKey::ClefInForce() {
    if (m_clef != CLEF_LOOK_UP)
        return m_clef;
    ECBase* owner = GetOwner();
    ECConductor* conductor = GetConductor();
    if (!owner || !conductor || !owner->GetTime() || !owner->GetVoiceTrack())
        return CLEF_LOOK_UP;
    const int track = owner->GetVoiceTrack()->GetTrack();
    auto* staff = dynamic_cast<ECStaff*>(conductor->GetTrack(1, track, 0));
    ECClef* clef = DCctStaff::GetClefAtTime(staff, *owner->GetTime(), GetHand());
    return clef ? clef->GetClefType() : CLEF_LOOK_UP;
}

// ---- assembly and size -----------------------------------------------------------------

void DCctKey::Assemble() {
    if (!AssembleDirty())
        return;
    const int count = GetAccidentalCount();
    m_accidentals.assign(count, Accidental());
    const int flavor = KeyFlavor(m_key);
    if (flavor == FLAVOR_NONE)
        return;   // nothing to lay out, ever: the kind stays set
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    const int clefOffset = ClefOffset(ClefInForce(), h);
    const bool cancel = IsCancelPreviousKey();
    for (int i = 0; i < count; ++i) {
        int type = 0;
        if (flavor == FLAVOR_SHARPS)
            type = ACC_SHARP_F + i;
        else if (flavor == FLAVOR_FLATS)
            type = ACC_FLAT_B + i;
        else
            type = m_custom[i];
        const BYTE glyph = cancel ? GLYPH_NATURAL : type <= ACC_SHARP_B ? GLYPH_SHARP : GLYPH_FLAT;
        int y = Halves(kTypeHalfSteps[type], h) + clefOffset;
        // Into the staff, in this order: nothing far below it, no sharp low
        // on it, no flat above the top line, nothing above the space over it.
        if (y < Halves(-9, h))
            y += Halves(7, h);
        if (y < Halves(-7, h) && glyph == GLYPH_SHARP)
            y += Halves(7, h);
        if (y > 0 && glyph == GLYPH_FLAT)
            y -= Halves(7, h);
        if (y > h)
            y -= Halves(7, h);
        m_accidentals[i].x = i * h;
        m_accidentals[i].y = y;
        m_accidentals[i].type = type;
        m_accidentals[i].glyph = glyph;
    }
    SetAssembleDirty(0);
}

void DCctKey::SetSize(CDC* dc) {
    if (!FrameDirty() || m_accidentals.empty())
        return;
    const UINT measured = KeyFlavor(m_key) == FLAVOR_FLATS ? GLYPH_FLAT : GLYPH_SHARP;
    // Without a context (the engine's sizing) the font's own measures.
    const MCMusicFont::MusicFontMetrics glyph =
        dc ? MeasureGlyph(dc, measured) : MCMusicFont::GetMusicFont().GetMusicMetrics(measured, FONT_NORMAL);
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    int high = m_accidentals.front().y;
    int low = high;
    for (size_t i = 0; i < m_accidentals.size(); ++i) {
        m_accidentals[i].x = static_cast<int32_t>(i) * h;
        high = std::max(high, static_cast<int>(m_accidentals[i].y));
        low = std::min(low, static_cast<int>(m_accidentals[i].y));
    }
    m_glyphHeight = static_cast<int32_t>(glyph.GetHeight());
    MCMusicFont::MusicFontMetrics box;
    box.SetWidth(static_cast<int>(m_accidentals.size()) * h);
    box.SetHeight(high + m_glyphHeight - low);
    box.SetTop(high + glyph.GetTop());
    m_metrics = box;
    SetFrameDirty(0);
}

void DCctKey::GetFrame(CRect* rect, int /*selector*/) {
    const int left = GetX();
    const int top = GetY() + m_metrics.GetTop() + LowerStaffOffset();
    *rect = CRect(left, top, left + static_cast<int>(m_metrics.GetWidth()), top - static_cast<int>(m_metrics.GetHeight()));
}

// ---- placing and drawing ------------------------------------------------------------------

int DCctKey::Position(ECConductor* conductor, ECStaff*, ECMeasure* measure, ECBase* parent) {
    SetAssembleDirty(1);
    Assemble();
    measure = PositioningMeasure(measure, parent, GetOwner());
    MCRuler* ruler = ConductorRulerAt(conductor, measure);
    if (!ruler)
        return 0;
    SetPosition(ruler->GetPrologX(MCRuler::PROLOG_KEY), 0);
    return 1;
}

int DCctKey::Draw(CDC* dc, CPoint point, CRect*) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    font.SetFontColor(GetColor(dc));
    font.SelectFont(dc, FONT_NORMAL);
    SetSize(dc);
    Assemble();
    CPoint at = GetPosition();
    at.Offset(point.x, point.y);
    at.y += font.GetAscent(FONT_CURRENT) + LowerStaffOffset();
    for (const Accidental& accidental : m_accidentals)
        DrawMusicGlyph(dc, at.x + accidental.x, at.y + accidental.y, accidental.glyph);
    font.DeselectFont(dc);
    return DRAW_DONE;
}

int DCctKey::DrawInRect(CDC* dc, CRect*) {
    SetFrameDirty(1);
    SetAssembleDirty(1);
    return Draw(dc, CPoint(0, 0), nullptr);
}
