// DCctGraceNote: the notation display object of a grace note (ECGraceNote),
// which hangs under the main note it leads into.
//
// A grace note is a note in the grace size (state bit 18, DISP_GRACE, set by
// every constructor) whose stem may carry a slash and which may be slurred
// to its main note. Both choices start on and each has an override mark: a
// value set with override 1 (the user's, from the inspector) is kept against
// later calls without it (automatic notation), so the user's choice survives
// renotation. Automatic notation reads GetSlur when it makes the slur.
//
// Class bits of the state word (beyond DCctNote's): 29 slash, 30 slash set
// by the user. The slur lives in a byte of its own: bit 0 slurred, bit 1 set
// by the user, bits 2-7 unused and kept at 0.
//
// Placing: the grace note's y is relative to its main note (the nearest note
// among its ancestors): the distance of the two spellings on the staff, read
// with the clef in force for the main note's voice (the lower staff's clef
// for voices 4 and above, which a one-staff staff does not have). Its x comes
// from the main note's Group, which lays its grace notes out leftward.
//
// Drawing: the note, then the slash across the stem near its tip; for
// values shorter than an eighth its end beyond the stem lies one notehead
// height further toward the tip, clear of the extra flags. In a rectangle: in the
// score the note is drawn where it stands; a palette prototype is the one
// glyph of a grace note for its stem direction, centred.
//
// Archive form: the DCctNote form, then the slur byte (1).
// Ownership and threads as DCctBase.
#pragma once

#include "notation/display/note.h"

class DCctGraceNote : public DCctNote {
    DECLARE_SERIAL(DCctGraceNote)
public:
    enum GraceBit : int {
        BIT_SLASH = 29,
        BIT_SLASH_OVERRIDE = 30,
    };
    enum SlurBits : BYTE {
        SLUR_ON = 0x01,
        SLUR_OVERRIDE = 0x02,
    };

    // Grace size, slash and slur on, neither overridden.
    DCctGraceNote();
    // The DCctNote copy (the slash bits come with the state word), grace
    // size, and the source's slur byte.
    DCctGraceNote(const DCctGraceNote& other);
    ~DCctGraceNote() override;

    void Serialize(CArchive& ar) override;
    // Under a note: drawn where it stands; else the prototype glyph centred
    // in the rectangle. 1; 0 for a prototype without a rectangle.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // The note, then the slash when it has one and its stem is shown. 1; 128
    // for a note not spelled yet.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // y against the main note; 1 when placed, 0 (unmoved) when the main note,
    // the measure or its display, the staff or the clef is missing, or either
    // note is not spelled yet.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;

    // With override 0 a value the user set (override bit on) stays;
    // otherwise the slash becomes `slash` and the override mark `override`.
    void SetSlash(int slash, int override);
    int GetSlash() const { return Bit(BIT_SLASH); }
    int IsSlashOverride() const { return Bit(BIT_SLASH_OVERRIDE); }
    // The same rule for the slur to the main note.
    void SetSlur(int slur, int override);
    int GetSlur() const { return (m_nSlur & SLUR_ON) != 0; }
    int IsSlurOverride() const { return (m_nSlur & SLUR_OVERRIDE) != 0; }
    // The byte as stored.
    BYTE GetSlurByte() const { return m_nSlur; }

private:
    BYTE m_nSlur = SLUR_ON;
};
