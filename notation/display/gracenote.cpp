// DCctGraceNote: construction, archive and the slash and slur choices.
#include "notation/display/gracenote.h"

#include "platform/core/archive.h"

IMPLEMENT_SERIAL(DCctGraceNote, DCctNote, VERSIONABLE_SCHEMA | 2)

DCctGraceNote::DCctGraceNote() {
    SetGrace(1);
    SetBit(BIT_SLASH, 1);
    SetBit(BIT_SLASH_OVERRIDE, 0);
}

DCctGraceNote::DCctGraceNote(const DCctGraceNote& other) : DCctNote(other), m_nSlur(other.m_nSlur) {
    SetGrace(1);
}

DCctGraceNote::~DCctGraceNote() = default;

void DCctGraceNote::Serialize(CArchive& ar) {
    DCctNote::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_nSlur;
        return;
    }
    ar >> m_nSlur;
}

void DCctGraceNote::SetSlash(int slash, int override) {
    if (override != 1 && IsSlashOverride())
        return;
    SetBit(BIT_SLASH, slash);
    SetBit(BIT_SLASH_OVERRIDE, override);
}

void DCctGraceNote::SetSlur(int slur, int override) {
    if (override != 1 && IsSlurOverride())
        return;
    m_nSlur = static_cast<BYTE>((m_nSlur & ~(SLUR_ON | SLUR_OVERRIDE)) | (slur ? SLUR_ON : 0) |
                                (override ? SLUR_OVERRIDE : 0));
}
