// The ornaments hung on notes and chords: DCctMordent and DCctTurn (one
// music glyph over the note or chord, the turn with a small sharp or flat
// above or below it), DCctTrill (the trill sign, an accidental, and over a
// tied note a wavy line along the whole tie chain, one piece per system) and
// DCctOrnament (one of seven glyphs before, over or after its note, or a
// glyph repeated along the note's tie chain).
//
// Mordent and turn stand relative to their note (a chord's for a chord), 3h/2
// above the stem's end when the stem points up, else 3h/2 above the note.
// Trill and ornament are spans: their pieces are page points, while their
// position is the note's virtual position (the trill on a chord: its staff
// measure's), which is the origin the view draws them at. Frames, hit tests
// and drawing therefore shift the pieces by minus that raw position.
//
// The trill's pieces stand `lift` above the staff measure's top line: 3h/2
// above the note or its upward stem's end, and never lower than 2h.
//
// State-word bits of the trill: 20 split (set at construction; the trill
// draws by its wavy-line bit and never reads it), 21 the accidental beside
// the sign (0: above it), 22 wavy line (the note starts a tie; set at every
// positioning). The ornament's bit 20 follows its last positioning: its
// pieces lie in more than one system.
//
// h and w are the notehead height and width of FONT_CURRENT. Types outside
// the glyph tables draw nothing.
//
// Archive forms: mordent, turn and trill the DCctSplit / DCctBase head; the
// ornament the same head, but a file of version 1 or below kept it as a
// plain element: loaded from such a file, its right offset is not taken
// from the stored offset and its position is (0, 0) until it is positioned.
// Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"
#include "notation/display/split.h"

class DCctNote;
class ECChord;
class ECNote;
class MCTime;

// What mordent and turn share: the place over their note or chord.
class DCctNoteSign : public DCctBase {
public:
    // Over the note or chord found among the element's ancestors: centred on
    // the note (a chord's bottom note when its stem is up, else its top
    // note), 3h/2 above the stem's end (stem up) or the note (stem down).
    // 0 without a note or chord.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    int AdjustForFont(int height) override { return AdjustForSmallFont(height); }

protected:
    DCctNoteSign() = default;
    DCctNoteSign(const DCctNoteSign& other) = default;
    // The owning element's type byte; 0 without one.
    virtual BYTE GetType() = 0;
};

class DCctMordent : public DCctNoteSign {
    DECLARE_SERIAL(DCctMordent)
public:
    DCctMordent();
    DCctMordent(const DCctMordent& other);
    ~DCctMordent() override;

    // 77, 151, 109, 181 for types 0-3; 0 for any other.
    UINT GetFontFromType() override;

protected:
    BYTE GetType() override;
};

class DCctTurn : public DCctNoteSign {
    DECLARE_SERIAL(DCctTurn)
public:
    // Accidental glyphs of the turn's types 1-4.
    enum TurnGlyph : UINT { TURN_GLYPH = 84 };

    DCctTurn();
    DCctTurn(const DCctTurn& other);
    ~DCctTurn() override;

    // The turn sign and, for types 1-4, its small flat or sharp centred h
    // above or below it. 1.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // 84 for every type.
    UINT GetFontFromType() override { return TURN_GLYPH; }

protected:
    BYTE GetType() override;
};

class DCctTrill : public DCctSplit {
    DECLARE_SERIAL(DCctTrill)
public:
    static constexpr int ACCIDENTAL_BESIDE_BIT = 21;
    static constexpr int WAVE_BIT = 22;
    enum TrillGlyph : UINT { TRILL_SIGN = 217, TRILL_WAVE = 126 };
    // Draw's answer: nothing below the trill for the view to draw.
    static constexpr int DRAW_SPAN = DRAW_HIDDEN;

    // Split bit set, accidental above, no wavy line.
    DCctTrill();
    // The DCctSplit copy, then the source's whole state word.
    DCctTrill(const DCctTrill& other);
    ~DCctTrill() override;

    // ---- virtual operations -------------------------------------------------

    // The sign centred in the rectangle (the transposition's sample). 1.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // Sign, accidental and wavy line. 128: the trill is all its own.
    int Draw(CDC* dc, CPoint origin, CRect* clip) override;
    // 1 when placed; 0 without a note or chord parent, or when the conductor,
    // the staff, the measure, the time or a display object is missing.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // When frame-dirty: the sign's box; an untied trill's piece is as wide
    // as the sign.
    void SetSize(CDC* dc) override;
    // DCctSplit's frame relative to the raw position; 2h wider on the right
    // with the wavy line.
    void GetFrame(CRect* rect, int selector) override;
    void GetVirtualFrame(CRect* rect, int selector) override;
    int IsIn(CRect* rect, CPoint offset, int detail, int selector) override;
    UINT GetFontFromType() override { return TRILL_SIGN; }
    int AdjustForFont(int height) override { return AdjustForSmallFont(height); }

    // ---- queries ---------------------------------------------------------------

    // 1 when the note `parent` (a chord: its first note) starts a tie.
    static int IsWave(ECBase* parent);
    // The first note among the owner's parents, else the first chord; null
    // when there is neither.
    ECBase* FindTrillParent();
    // 73 small sharp, 233 small natural, 105 small flat for types 1-3; 0 for
    // the others.
    UINT GetAccidentalFromType();
    // Where the trill's line passes over `time` on the staff of track
    // `track` (a grand staff's lower half for voices above 3).
    CPoint GetTrillPosition(ECConductor* conductor, ECStaff* staff, int track, const MCTime& time);

    void SetAccidentalBeside(int beside) { SetBit(ACCIDENTAL_BESIDE_BIT, beside); }
    int IsAccidentalBeside() const { return Bit(ACCIDENTAL_BESIDE_BIT); }
    int HasWave() const { return Bit(WAVE_BIT); }

protected:
    BYTE GetType();
    // The pieces over the tie chain of `note` from `start` (the chain's
    // start, or its measure's when later), `lift` above the staff.
    int PositionWave(ECConductor* conductor, ECStaff* staff, int track, ECNote* note, const MCTime& measureTime,
                     int lift);
};

class DCctOrnament : public DCctSplit {
    DECLARE_SERIAL(DCctOrnament)
public:
    // How the glyph is laid along the note's tie chain.
    enum SplitType : int {
        SPLIT_AT_START = 0,   // once, at the start
        SPLIT_AT_END = 1,     // once, at the end
        SPLIT_REPEATED = 2,   // repeated along every piece
    };
    enum OrnamentGlyph : UINT { ORNAMENT_STEP_GLYPH = 216 };
    // Draw's answer: nothing below the ornament for the view to draw.
    static constexpr int DRAW_SPAN = DRAW_HIDDEN;

    DCctOrnament();
    DCctOrnament(const DCctOrnament& other);
    ~DCctOrnament() override;

    // ---- virtual operations -------------------------------------------------

    // See the archive form above.
    void Serialize(CArchive& ar) override;
    // The glyph centred in the rectangle; a repeated ornament runs across
    // it. 1.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // 128: the ornament is all its own.
    int Draw(CDC* dc, CPoint origin, CRect* clip) override;
    // 1 when placed; 0 without a note ancestor, or when the conductor, the
    // staff, the measure or a display object is missing.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // The pieces, each widened by the glyph on the side it is drawn on,
    // relative to the raw position.
    void GetFrame(CRect* rect, int selector) override;
    void GetVirtualFrame(CRect* rect, int selector) override;
    // 64 while position or frame is dirty; else 129 when a piece's frame
    // moved by `offset` less the raw position meets `rect`, else 130.
    int IsIn(CRect* rect, CPoint offset, int detail, int selector) override;
    UINT GetFontFromType() override;

    int GetSplitType();
    // The point of `time` on the staff of track `track`: the staff
    // measure's top line under the time's x.
    CPoint GetOrnamentPosition(ECConductor* conductor, ECStaff* staff, int track, const MCTime& time);

protected:
    BYTE GetType();
    // A piece's frame before the shift to the raw position.
    CRect PieceFrame(const SplitOffset& piece);
};
