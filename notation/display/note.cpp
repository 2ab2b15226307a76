// DCctNote: construction, archive, values and glyphs, the stem's attachment,
// measuring, assembling, placing and the widths around the note.
#include "notation/display/note.h"

#include "model/conductor.h"
#include "model/event.h"
#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/markings.h"
#include "model/measure.h"
#include "model/staff.h"
#include "notation/display/measure.h"
#include "notation/display/measurelinks.h"
#include "notation/display/notateclef.h"
#include "notation/display/staff.h"
#include "notation/layout/pitchutils.h"
#include "notation/layout/rulerruler.h"
#include "platform/core/archive.h"

#include <algorithm>

IMPLEMENT_SERIAL(DCctNote, DCctNotate, VERSIONABLE_SCHEMA | 2)

namespace {

// Hit tests run on the notehead's box, not the note's whole frame: the base's
// tests ask GetFrame with this selector.
constexpr int kNoteheadFrame = -0x4E48;

// Top-line MIDI pitches of the clef-type codes 0-9.
constexpr BYTE kTopLine[] = {77, 89, 65, 57, 69, 45, 64, 67, 29, 30};

MCPitch& ScratchPitch() {
    static MCPitch pitch;
    return pitch;
}

}  // namespace

DCctNote::DCctNote() {
    SetBit(BIT_FLAG, 0);
    SetBit(BIT_UNUSED, 0);
    SetBit(BIT_COURTESY, 0);
    m_notehead.SetPosition(0);
    m_notehead.SetStyle(0);
    m_notehead.SetNotehead(0);
}

DCctNote::DCctNote(const DCctNote& other) : DCctNotate(other) {
    SetStateWord(other.GetStateWord());
}

DCctNote::~DCctNote() = default;

void DCctNote::Serialize(CArchive& ar) {
    DCctNotate::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<DWORD>(m_notehead.Word()) << static_cast<BYTE>(m_nFlagType);
        return;
    }
    DWORD word = 0;
    BYTE flagType = 0;
    ar >> word >> flagType;
    m_notehead.SetWord(word);
    m_nFlagType = flagType;
}

// ---- values and glyphs ----------------------------------------------------------

void DCctNote::SetValue(WORD ticks, int unused) {
    DCctNotate::SetValue(ticks, unused);
    const BYTE code = GetValueCode();
    switch (code) {
    case VALUE_DOUBLE_WHOLE:
        SetNotehead(HEAD_DOUBLE_WHOLE);
        break;
    case VALUE_WHOLE:
        SetNotehead(HEAD_WHOLE);
        break;
    case VALUE_HALF:
        SetNotehead(HEAD_HALF);
        break;
    case VALUE_NONE:
        SetNotehead(HEAD_NONE);
        break;
    default:
        SetNotehead(HEAD_BLACK);
        break;
    }
    SetFlag(code >= VALUE_8TH && code <= VALUE_128TH);
    SetStemLength(7, 1, 0);
}

UINT DCctNote::GetFontFromType() {
    const BYTE kind = GetNoteheadKind();
    const bool open = kind == HEAD_HALF || kind == HEAD_WHOLE;
    switch (GetNoteheadStyle()) {
    case 0:
    case STYLE_NONE:
        if (open)
            return kind == HEAD_HALF ? 250 : 119;
        return kind == HEAD_DOUBLE_WHOLE ? 87 : 207;
    case 1:
        return open ? 218 : 192;
    case 2:
        return open ? 225 : 226;
    case 3:
        return open ? 173 : 208;
    case STYLE_SLASH:
        return 243;
    case 5:
        return open ? 121 : 209;
    case 6:
        return open ? 239 : 246;
    default:
        return 207;
    }
}

BYTE DCctNote::GetFlagFromValue() {
    unsigned t = GetValue();
    if (t == 0 || t > 256)
        return 0;
    BYTE flags = 0;
    while (t < 256) {
        t *= 2;
        ++flags;
    }
    return flags;
}

UINT DCctNote::GetFontFromFlagType() {
    static constexpr UINT up[] = {0, 106, 156, 157, 158, 159};
    static constexpr UINT down[] = {0, 74, 136, 137, 138, 139};
    const BYTE flags = GetFlagFromValue();
    if (flags > 5)
        return 0;
    return GetStemDirection() ? down[flags] : up[flags];
}

int DCctNote::GetFlagLength() {
    return GetStemDirection() ? m_nFlagHeight : -m_nFlagHeight;
}

void DCctNote::SetFlag(int on) {
    SetBit(BIT_FLAG, on);
    SetFrameDirty(1);
}

void DCctNote::SetTieDirectionByPitch(DCctClef* clef) {
    const int middle = ClefLinePitch(GetNotateClefLinks().middleLinePitch, clef);
    if (middle < 0)
        return;
    MCPitch line;
    line.SetPitch(static_cast<uint8_t>(middle), 0, 0);
    SetTieDirection(GetSpelling() > line ? 0 : 1);
}

// ---- notehead -----------------------------------------------------------------------

void DCctNote::SetNoteheadPosition(BYTE position) {
    m_notehead.SetPosition(position);
    SetPositionDirty(1);
}

void DCctNote::SetNoteheadStyle(BYTE style, int override) {
    if (override != 1 && m_notehead.IsStyleOverride())
        return;
    m_notehead.SetStyle(style);
    m_notehead.SetStyleOverride(override);
}

void DCctNote::GetNoteheadFrame(CRect* rect) {
    rect->left = GetX();
    rect->right = rect->left + m_nNoteheadWidth;
    rect->top = GetY() + m_nNoteheadHeight / 2;
    rect->bottom = GetY() - m_nNoteheadHeight / 2;
}

void DCctNote::GetFlagFrame(CRect* rect) {
    rect->left = GetX() + m_nStemX;
    rect->right = rect->left + m_nFlagWidth;
    rect->top = GetY() + m_nStemY + GetStemHeight();
    rect->bottom = rect->top + GetFlagLength();
}

void DCctNote::GetFrame(CRect* rect, int selector) {
    if (selector == kNoteheadFrame)
        GetNoteheadFrame(rect);
    else
        DCctBase::GetFrame(rect, 0);
}

int DCctNote::HitTest(CPoint point, CPoint offset, int) {
    return DCctBase::HitTest(point, offset, kNoteheadFrame);
}

int DCctNote::HitTest(CRect* rect, CPoint offset, int) {
    return IsIn(rect, offset, 1, kNoteheadFrame);
}

// ---- stem, size, assembly -------------------------------------------------------------

void DCctNote::AttachStem() {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    const BYTE size = GetFontSize();
    const int sw = font.GetStemWidth(size);
    const int h = font.GetNoteheadHeight(size);
    const int W = m_nNoteheadWidth;
    const int H = m_nNoteheadHeight;
    const int down = GetStemDirection();
    const bool right = GetStemSide() == 1;
    const bool black = GetNoteheadKind() == HEAD_BLACK;
    int x = 0;
    int y = 0;
    switch (GetNoteheadStyle()) {
    case 0:
    case 3:
    case STYLE_NONE:
        y = down ? 0 : sw;
        x = right ? W - sw : 0;
        break;
    case 1:
    case STYLE_SLASH:
        y = black ? (down ? -(H / 2) : H / 2) : 0;
        x = right ? W - sw : 0;
        break;
    case 2:
        x = right ? W - sw : 0;
        break;
    case 5:
        y = down ? -(h / 2) : sw;
        x = down ? 0 : W / 2;
        break;
    case 6:
        y = black ? sw : 0;
        x = black ? W / 2 : (right ? W - sw : 0);
        break;
    default:
        break;
    }
    m_nStemX = static_cast<int16_t>(x);
    m_nStemY = static_cast<int16_t>(y);
}

void DCctNote::SetSize(CDC*) {
    if (FrameDirty()) {
        MCMusicFont& font = MCMusicFont::GetMusicFont();
        const BYTE size = GetFontSize();
        const MCMusicFont::MusicFontMetrics head = font.GetMusicMetrics(GetFontFromType(), size);
        m_nNoteheadWidth = static_cast<int16_t>(head.GetWidth());
        m_nNoteheadHeight = static_cast<int16_t>(head.GetHeight());
        const UINT flag = GetFontFromFlagType();
        const MCMusicFont::MusicFontMetrics box = flag ? font.GetMusicMetrics(flag, size) : MCMusicFont::MusicFontMetrics();
        m_nFlagWidth = static_cast<int16_t>(box.GetWidth());
        m_nFlagHeight = static_cast<int16_t>(box.GetHeight());
        SetFrameDirty(0);
    }
    SetAssembleDirty(1);
    Assemble();
}

void DCctNote::Assemble() {
    if (!AssembleDirty())
        return;
    AttachStem();
    int w = m_nNoteheadWidth;
    int v = m_nNoteheadHeight;
    const int down = GetStemDirection();
    if (GetFlag())
        w = down ? std::max<int>(m_nNoteheadWidth, m_nFlagWidth) : w + m_nFlagWidth;
    if (HasStem() && !IsStemHidden()) {
        const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(GetFontSize());
        v = GetStemLength() ? GetStemLength() * h / 2 + GetStemFraction() + m_nNoteheadHeight / 2 : m_nNoteheadHeight;
    }
    const int baseline = down ? m_nNoteheadHeight / 2 : v - m_nNoteheadHeight / 2;
    m_metrics.SetWidth(w);
    m_metrics.SetHeight(v);
    m_metrics.SetTop(baseline);
    SetAssembleDirty(0);
}

// ---- placing ---------------------------------------------------------------------------

int DCctNote::GetYPositionForPitch(BYTE clefType) {
    MCPitch& reference = ScratchPitch();
    if (clefType < std::size(kTopLine))
        reference.SetPitch(kTopLine[clefType], 0, 0);
    MCPitchUtils utils;
    return utils.OrderedDiatonic(reference, GetSpelling()) * MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT) / 2;
}

int DCctNote::Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase*) {
    if (GetSpelling().GetMidiPitch() == 0)
        return 0;
    ECBase* owner = GetOwner();
    if (!owner)
        return 0;
    if (!measure)
        measure = static_cast<ECMeasure*>(owner->GetAncestor(ET_MEASURE, -1));
    if (!conductor)
        conductor = GetConductor();
    if (!measure || !conductor)
        return 0;

    ECMeasure* column = conductor->GetMeasure(0, *measure->GetTime(), 0, 1);
    DCBase* columnDisplay = column ? column->GetData(DK_NOTATION, 0) : nullptr;
    auto rulerOf = GetMeasureLinks().conductorRuler;
    MCRuler* ruler = columnDisplay && rulerOf ? rulerOf(columnDisplay) : nullptr;
    if (!ruler)
        return 0;
    int x = ruler->GetXPositionForTick(static_cast<short>(GetTickStart(1)), GetBase(2));
    const int w = MCMusicFont::GetMusicFont().GetNoteheadWidth(FONT_CURRENT);
    if (GetNoteheadPosition() == 2)
        x += w;
    else if (GetNoteheadPosition() == 1)
        x -= w;
    SetX(x);

    MCVoiceTrack* word = owner->GetVoiceTrack();
    if (!staff && word)
        staff = static_cast<ECStaff*>(conductor->GetTrack(1, word->GetTrack(), 0));
    auto* measureDisplay = dynamic_cast<DCctMeasure*>(measure->GetData(DK_NOTATION, 0));
    if (!staff || !measureDisplay)
        return 0;
    MCTime time = owner->GetTime() ? *owner->GetTime() : *measure->GetTime();
    if (time < *measure->GetTime())
        time = *measure->GetTime();
    const int voice = word ? word->GetVoice() : 0;
    ECClef* clef = DCctStaff::GetClefAtTime(staff, time, voice >= 4 ? 1 : 0);
    if (!clef)
        return 0;
    SetY(measureDisplay->GetYPositionForPitch(GetSpelling(), voice, clef->GetClefType()));
    return 1;
}

// ---- widths ------------------------------------------------------------------------------

short DCctNote::GetTotalWidthLeft() {
    ECBase* owner = GetOwner();
    MCEventList* children = owner ? owner->GetChildren() : nullptr;
    if (!children)
        return 0;
    int reach = 0;
    for (POSITION pos = children->GetHeadPosition(); pos;) {
        ECBase* child = children->GetNext(pos);
        const int type = child ? child->GetClassType() : -1;
        if (type != ET_ACCIDENTAL && type != ET_GRACENOTE)
            continue;
        DCctBase* display = NotationDisplayOf(child);
        if (!display || (type == ET_ACCIDENTAL && display->IsHidden()))
            continue;
        if (type == ET_ACCIDENTAL)
            display->Position(nullptr, nullptr, nullptr, nullptr);
        reach = std::max(reach, -display->GetX());
    }
    return static_cast<short>(reach);
}

short DCctNote::GetTotalWidthRight() {
    DCctBase* dot = FindDotDisplay();
    const int h = MCMusicFont::GetMusicFont().GetNoteheadHeight(FONT_CURRENT);
    int right = GetWidth();
    if (dot && GetStemDirection() == 0 && GetFlag())
        right = GetWidth() + dot->GetWidth() + h / 2;
    else if (dot)
        right = h + m_nNoteheadWidth + dot->GetWidth();
    // The ledger lines reach past the head: the sign of the note after keeps
    // clear of them as of the head.
    if (GetLedgerLineCount() != 0) {
        const MCMusicFont::MusicFontMetrics ledger = MCMusicFont::GetMusicFont().GetMusicMetrics(GetLedgerGlyph(), GetFontSize());
        right = std::max(right, ledger.GetLeft() + static_cast<int>(ledger.GetWidth()));
    }
    return static_cast<short>(right);
}

UINT DCctNote::GetLedgerGlyph() {
    const WORD value = GetValue();
    return value == 1024 || value == 2048 ? GLYPH_WIDE_LEDGER : GLYPH_LEDGER;
}

short DCctNote::GetTotalWidth() {
    return static_cast<short>(GetTotalWidthLeft() + GetTotalWidthRight());
}
