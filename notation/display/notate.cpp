// DCctNotate: values and bases, tick modes, the stem and the ledger lines.
#include "notation/display/notate.h"

#include "model/eventtypes.h"
#include "model/lists.h"
#include "model/modifiers.h"
#include "notation/display/notateclef.h"
#include "notation/layout/pitchutils.h"
#include "platform/core/archive.h"

#include <cstdlib>

IMPLEMENT_SERIAL(DCctNotate, DCctBase, VERSIONABLE_SCHEMA | 2)

NotateClefLinks& GetNotateClefLinks() {
    static NotateClefLinks links;
    return links;
}

int ClefLinePitch(int (*entry)(DCctClef*), DCctClef* clef) {
    return entry && clef ? entry(clef) : -1;
}

namespace {
// An MCPitch spelled plainly from a MIDI key.
MCPitch PitchOfKey(int key) {
    MCPitch pitch;
    pitch.SetPitch(static_cast<uint8_t>(key), 0, 0);
    return pitch;
}

// The stored key of a spelling read back from an archive.
struct PitchKey : MCPitch {
    static void Set(MCPitch& pitch, uint8_t key) { (pitch.*(&PitchKey::SetMidiPitch))(key); }
};
}  // namespace

DCctNotate::DCctNotate() {
    m_stem.SetDirection(0);
    m_stem.SetSide(1);
    m_stem.SetLength(7);
    m_stem.SetFraction(0);
    SetBit(BIT_HAS_STEM, 0);
    SetBit(BIT_STEM_HIDDEN, 0);
    SetBit(BIT_LEDGER_SPACE, 0);
    SetBit(BIT_LEDGER_BELOW, 0);
    m_value.SetValue(VALUE_QUARTER);
}

DCctNotate::DCctNotate(const DCctNotate& other)
    : DCctBase(other),
      m_stem(other.m_stem),   // values only: the flags start as in a new word
      m_base(other.m_base),
      m_borrowedBase(other.m_borrowedBase) {
    m_value.SetValue(other.m_value.GetValue());
    SetBit(BIT_LEDGER_SPACE, 0);
    SetBit(BIT_LEDGER_BELOW, 0);
}

DCctNotate::~DCctNotate() = default;

void DCctNotate::Serialize(CArchive& ar) {
    DCctBase::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<WORD>(m_spelling.GetWord()) << static_cast<BYTE>(m_spelling.GetMidiPitch())
           << static_cast<WORD>(m_nTickStart) << static_cast<DWORD>(m_value.Word()) << m_base
           << m_borrowedBase << static_cast<DWORD>(m_stem.Word()) << static_cast<BYTE>(m_nLedgerLines);
        return;
    }
    WORD word = 0;
    BYTE key = 0;
    WORD start = 0;
    DWORD value = 0;
    DWORD stem = 0;
    BYTE ledger = 0;
    ar >> word >> key >> start >> value >> m_base >> m_borrowedBase >> stem >> ledger;
    m_spelling.SetWord(word);
    PitchKey::Set(m_spelling, key);
    m_nTickStart = start;
    m_value.SetWord(value);
    m_stem.SetWord(stem);
    m_nLedgerLines = ledger;
}

void DCctNotate::PostSerialize(CArchive& ar) {
    DCctBase::PostSerialize(ar);
    // Only what was read lacks its length. Saving must leave the piece in
    // memory as it was: a length the value does not tell (a whole-measure
    // rest of a bar shorter or longer than a whole) would change under it.
    if (ar.IsStoring())
        return;
    const WORD value = GetValue();
    unsigned duration = value;
    if (auto* dot = static_cast<ECDot*>(FindDotChild())) {
        for (int i = 1; i <= dot->GetDotType() && i < 16; ++i)
            duration += value >> i;
    }
    m_nTickDuration = static_cast<uint16_t>(duration);
}

ECBase* DCctNotate::FindDotChild() {
    ECBase* owner = GetOwner();
    MCEventList* children = owner ? owner->GetChildren() : nullptr;
    const POSITION pos = children ? children->FindEvent(ET_DOT) : nullptr;
    return pos ? children->GetAt(pos) : nullptr;
}

DCctBase* DCctNotate::FindDotDisplay() {
    ECBase* dot = FindDotChild();
    return dot ? dynamic_cast<DCctBase*>(dot->GetData(DK_NOTATION, 0)) : nullptr;
}

// ---- values and bases ----------------------------------------------------------

WORD DCctNotate::ValueToTicks(BYTE code) {
    return code < VALUE_NONE ? static_cast<WORD>(2048 >> code) : 0;
}

BYTE DCctNotate::TicksToValue(WORD ticks) {
    if (ticks == 0)
        return VALUE_NONE;
    for (BYTE code = VALUE_DOUBLE_WHOLE; code < VALUE_NONE; ++code)
        if (ValueToTicks(code) == ticks)
            return code;
    return VALUE_DOUBLE_WHOLE;
}

WORD DCctNotate::BaseToTicks(VALUE_BASE base) {
    return static_cast<WORD>(ValueToTicks(base & 0x0F) * (base >> 4));
}

DCctNotate::VALUE_BASE DCctNotate::TicksToBase(WORD ticks) {
    // Nothing to divide by: no value, no count.
    if (ticks == 0)
        return VALUE_NONE;
    unsigned p = 1;
    while (p * 2 <= ticks)
        p *= 2;
    while (ticks % p != 0)
        p /= 2;
    const unsigned count = ticks / p;
    return static_cast<VALUE_BASE>(TicksToValue(static_cast<WORD>(p)) | ((count & 0x0F) << 4));
}

void DCctNotate::SetBase(WORD borrowedTicks, WORD baseTicks) {
    m_borrowedBase = TicksToBase(borrowedTicks);
    m_base = TicksToBase(baseTicks);
}

WORD DCctNotate::GetBase(WORD which) {
    if (which == 1 || (which == 2 && IsBorrowed()))
        return BaseToTicks(m_borrowedBase);
    return BaseToTicks(m_base);
}

WORD DCctNotate::IsBorrowed() {
    return BaseToTicks(m_borrowedBase) != BaseToTicks(m_base) ? 1 : 0;
}

void DCctNotate::SetValue(WORD ticks, int) {
    const BYTE code = TicksToValue(ticks);
    m_value.SetValue(code);
    const int stemmed = code >= VALUE_HALF && code <= VALUE_128TH;
    SetStem(stemmed);
    HideStem(!stemmed, 0);
}

WORD DCctNotate::GetValue() {
    return ValueToTicks(m_value.GetValue());
}

MCPitch& DCctNotate::GetSpelling() {
    return m_spelling;
}

int DCctNotate::GetYPositionForPitch(BYTE) {
    return 0;
}

// ---- ticks ----------------------------------------------------------------------

WORD DCctNotate::ScaleTicks(WORD stored) {
    const uint32_t base = BaseToTicks(m_base);
    const uint32_t borrowed = BaseToTicks(m_borrowedBase);
    if (base == borrowed)
        return stored;
    if (borrowed == 0)
        return 0;
    // In 32 bits: a 16-bit start times a base overflows 16.
    return static_cast<WORD>(uint32_t{stored} * base / borrowed);
}

void DCctNotate::SetTickStart(WORD ticks) {
    m_nTickStart = ticks;
}

WORD DCctNotate::GetTickStart(int mode) {
    return mode == 1 ? m_nTickStart : ScaleTicks(m_nTickStart);
}

void DCctNotate::SetTickDuration(WORD ticks) {
    m_nTickDuration = ticks;
}

WORD DCctNotate::GetTickDuration(int mode) {
    return mode == 1 ? m_nTickDuration : ScaleTicks(m_nTickDuration);
}

// ---- stem -------------------------------------------------------------------------

void DCctNotate::HideStem(int hide, int) {
    SetBit(BIT_STEM_HIDDEN, hide);
}

int DCctNotate::IsStemHidden() {
    return Bit(BIT_STEM_HIDDEN);
}

void DCctNotate::SetStemSide(int side, int override) {
    if (override != 1 && m_stem.IsSideOverride())
        return;
    m_stem.SetSide(side);
    m_stem.SetSideOverride(override);
    SetAssembleDirty(1);
}

int DCctNotate::GetStemSide() {
    return m_stem.GetSide();
}

void DCctNotate::SetStemSideOverride(int on) {
    m_stem.SetSideOverride(on);
}

int DCctNotate::IsStemSideOverride() {
    return m_stem.IsSideOverride();
}

void DCctNotate::SetStemLength(BYTE length, int add, int override) {
    if (override != 1 && m_stem.IsLengthOverride())
        return;
    const BYTE extra = add ? AddToStemLength() : 0;
    m_stem.SetLength(static_cast<uint8_t>(length + extra));
    m_stem.SetLengthOverride(override);
    m_stem.SetFraction(0);
    SetAssembleDirty(1);
}

BYTE DCctNotate::GetStemLength() {
    return m_stem.GetLength();
}

void DCctNotate::SetStemLengthDirty(int on) {
    m_stem.SetLengthDirty(on);
}

int DCctNotate::IsStemLengthDirty() {
    return m_stem.IsLengthDirty();
}

void DCctNotate::SetStemLengthOverride(int on) {
    m_stem.SetLengthOverride(on);
}

int DCctNotate::IsStemLengthOverride() {
    return m_stem.IsLengthOverride();
}

void DCctNotate::SetStemDirection(int direction, int override) {
    if (override != 1 && m_stem.IsDirectionOverride())
        return;
    m_stem.SetDirection(direction);
    m_stem.SetDirectionOverride(override);
    SetAssembleDirty(1);
}

int DCctNotate::GetStemDirection() {
    return m_stem.GetDirection();
}

void DCctNotate::SetStemDirectionDirty(int on) {
    m_stem.SetDirectionDirty(on);
}

int DCctNotate::IsStemDirectionDirty() {
    return m_stem.IsDirectionDirty();
}

void DCctNotate::SetStemDirectionOverride(int on) {
    m_stem.SetDirectionOverride(on);
}

int DCctNotate::IsStemDirectionOverride() {
    return m_stem.IsDirectionOverride();
}

void DCctNotate::SetStemDirectionByVoice() {
    ECBase* owner = GetOwner();
    MCVoiceTrack* word = owner ? owner->GetVoiceTrack() : nullptr;
    const int voice = word ? word->GetVoice() : 0;
    const int down = voice & 1;
    SetStemDirection(down, 0);
    SetStemSide(!down, 0);
}

void DCctNotate::SetStemDirectionByPitch(DCctClef* clef) {
    const int middle = ClefLinePitch(GetNotateClefLinks().middleLinePitch, clef);
    if (middle < 0)
        return;
    const int down = GetSpelling() > PitchOfKey(middle);
    SetStemDirection(down, 0);
    SetStemSide(!down, 0);
}

BYTE DCctNotate::AddToStemLength() {
    const WORD ticks = GetValue();
    if (ticks > 32)
        return 0;
    if (ticks > 16)
        return 2;
    if (ticks > 8)
        return 4;
    return 6;
}

void DCctNotate::SetStemEnd(int y) {
    if (m_stem.IsLengthOverride())
        return;
    const int s = MCMusicFont::GetMusicFont().GetNoteheadHeight(GetFontSize()) / 2;
    if (s == 0)
        return;   // no font measured yet: no length to give
    const int d = std::abs(GetY() - y);
    m_stem.SetLength(static_cast<uint8_t>(d / s));
    m_stem.SetFraction(static_cast<uint8_t>(d % s));
    SetAssembleDirty(1);
}

int DCctNotate::GetStemHeight() {
    const int s = MCMusicFont::GetMusicFont().GetNoteheadHeight(GetFontSize()) / 2;
    const int k = s * m_stem.GetLength() + m_stem.GetFraction();
    return m_stem.GetDirection() ? -k : k;
}

void DCctNotate::GetStemFrame(CRect* rect) {
    rect->left = GetX() + m_nStemX;
    rect->right = rect->left + MCMusicFont::GetMusicFont().GetStemWidth(GetFontSize());
    rect->top = GetY() + m_nStemY;
    rect->bottom = GetY() + GetStemHeight();
}

CPoint DCctNotate::GetStemPosition() {
    if (AssembleDirty())
        Assemble();
    CRect frame;
    GetStemFrame(&frame);
    return CPoint(GetStemDirection() ? frame.left : frame.right, frame.bottom);
}

// ---- ledger lines ---------------------------------------------------------------------

void DCctNotate::SetLedgerLines(DCctClef* clef) {
    NotateClefLinks& links = GetNotateClefLinks();
    const int middle = ClefLinePitch(links.middleLinePitch, clef);
    if (middle < 0)
        return;
    MCPitchUtils utils;
    const int above = PitchOfKey(middle) < GetSpelling();
    const int line = ClefLinePitch(above ? links.topLinePitch : links.bottomLinePitch, clef);
    if (line < 0)
        return;
    const int d = above ? utils.OrderedDiatonic(PitchOfKey(line), GetSpelling())
                        : utils.OrderedDiatonic(GetSpelling(), PitchOfKey(line));
    if (d <= 1) {
        // On the staff or one step off it: no line, and the side bits stay.
        m_nLedgerLines = 0;
        return;
    }
    m_nLedgerLines = static_cast<uint8_t>(d / 2);
    SetBit(BIT_LEDGER_SPACE, d % 2);
    SetLedgerLineDirection(!above);
}
