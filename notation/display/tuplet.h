// DCctTuplet: the notation display object of a tuplet (ECTuplet, a child of a
// measure whose own children are the group's notes, chords and rests).
//
// It keeps the tuplet's ratio n:d and its divisions: the plain note-value
// base and the borrowed base in ticks, and the tuplet's tick start and tick
// duration in its measure. From the notes it spans it works out the bracket's
// two end points (relative to the measure, the user offset already in them)
// and the x of the number, and draws the bracket with its hooks and the
// number ("n", or "n", ratio sign, "d"), or the number alone. Its statics are
// the conversions time correction and the rulers use: the length of a
// tuplet's unit, the unit code of a length, and the meter a borrowed division
// implies inside a measure.
//
// Ticks: 256 to a quarter note, unsigned 16-bit. Unlike a note's, a tuplet's
// tick start and duration are stored in the plain division of the measure
// (TICKS_NORMAL reads them as stored) and scaled into the tuplet's own
// division on request (TICKS_OWN). The same two constants name the same two
// scales for the notes inside (DCctNotate::GetTickStart): there TICKS_OWN is
// what is stored.
//
// Class bits of the state word: 20 bracket below the notes, 21 the number in
// a gap of the line, 22 the number only (no bracket), 23 the number as n:d,
// 24 the location (bit 20) is the user's and layout leaves it alone.
//
// Archive form: the DCctBase head, then 8 bytes: base ticks (2), borrowed
// base ticks (2), tick duration (2), n (1), d (1). A file of version 0 counts
// its stored location as the user's (bit 24 set on load). The tick start is
// rebuilt by PostSerialize from the event's time, the points and the number's
// x by Position.
//
// A tuplet in a measure whose children are gone (time correction may leave
// the event behind) has nothing to show: it draws nothing, measures empty and
// is never hit.
// Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"

#include <cstdint>
#include <string>

using WORD = std::uint16_t;

class DCctMeasure;
class ECMeter;
class ECTuplet;
class MCEventList;

class DCctTuplet : public DCctBase {
    DECLARE_SERIAL(DCctTuplet)
public:
    enum TupletBit : int {
        BIT_BELOW = 20,
        BIT_NUMBER_IN_GAP = 21,
        BIT_NUMBER_ONLY = 22,
        BIT_FIGURE = 23,
        BIT_USER_LOCATION = 24,
    };

    // The two scales of a tick start or duration (see above).
    enum TickScale : int {
        TICKS_NORMAL = 0,   // the plain division of the measure
        TICKS_OWN = 1,      // the tuplet's own (borrowed) division
    };

    // Which base GetBase answers.
    enum BaseKind : WORD {
        BASE_PLAIN = 0,
        BASE_BORROWED = 1,
        BASE_IN_EFFECT = 2,   // the borrowed base when it differs, else the plain one
    };

    // The stem directions a group can have (GetStemDirection).
    enum GroupStems : BYTE { STEMS_UP = 0, STEMS_DOWN = 1, STEMS_MIXED = 2 };

    // Number in a gap of a bracket above the notes; ratio 3:2; bases, ticks,
    // points and number measures 0.
    DCctTuplet();
    // The DCctBase copy and the source's whole state word; everything else as
    // in a new object.
    DCctTuplet(const DCctTuplet& other);
    ~DCctTuplet() override;

    // ---- virtual operations -------------------------------------------------

    void Serialize(CArchive& ar) override;
    // Tick start := the event's time less its measure's, at 256 per quarter;
    // nothing without a measure parent.
    void PostSerialize(CArchive& ar) override;
    // A sample bracket and number across `rect`; the font is put back, and
    // the element is left to be placed and measured again. 1.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // Bracket, hooks and number moved by `point`. 1; 64 for an emptied tuplet.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // The bracket's ends and the number's x from the children (which must be
    // placed first). 1 when placed (an emptied tuplet counts); 0 when the
    // measure's display, the staff or the clef in force (with its display)
    // is missing.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    BYTE PositioningType() override { return 1; }
    // Rebuilds the number and measures it, and the box of the bracket (or of
    // the number alone), when the frame is dirty.
    void SetSize(CDC* dc) override;
    // The measured box at the tuplet's own position (0, 0): its points carry
    // the placement. Empty for an emptied tuplet.
    void GetFrame(CRect* rect, int selector) override;
    using DCctBase::HitTest;
    // The tests of DCctBase against the number's box.
    int HitTest(CPoint point, CPoint offset, int selector) override;
    int HitTest(CRect* rect, CPoint offset, int selector) override;
    // Always (0, 0).
    CPoint GetPosition() override { return CPoint(0, 0); }

    // ---- ratio, bases, ticks --------------------------------------------------

    void SetTuplet(BYTE n, BYTE d) {
        m_nRatioN = n;
        m_nRatioD = d;
    }
    BYTE GetRatioNumerator() const { return m_nRatioN; }
    BYTE GetRatioDenominator() const { return m_nRatioD; }
    void SetBase(WORD borrowed, WORD base) {
        m_nBorrowedBase = borrowed;
        m_nBase = base;
    }
    WORD GetBase(WORD which);
    // 1 when the borrowed base differs from the plain one.
    WORD IsBorrowed() const { return m_nBorrowedBase != m_nBase ? 1 : 0; }
    void SetTickStart(WORD ticks) { m_nTickStart = ticks; }
    void SetTickDuration(WORD ticks) { m_nTickDuration = ticks; }
    // TICKS_NORMAL: as stored; any other scale: stored x borrowed / base (0
    // when the base is 0).
    WORD GetTickStart(int scale);
    WORD GetTickDuration(int scale);

    // ---- layout choices (each marks the element dirty and its frame dirty) ----

    // Bit 20 (below), and bit 24 (the user's choice).
    void SetTupletLocation(int below, int user);
    int GetTupletLocation() const { return Bit(BIT_BELOW); }
    void SetNumberLocation(int inGap);
    int GetNumberLocation() const { return Bit(BIT_NUMBER_IN_GAP); }
    // 1: the number only. The second argument is not used.
    void SetBracket(int numberOnly, int unused);
    int GetBracket() const { return Bit(BIT_NUMBER_ONLY); }
    void SetFigure(int figure);
    int GetFigure() const { return Bit(BIT_FIGURE); }
    void SetBracketPoints(CPoint left, CPoint right, int numberX);

    // ---- read back for layout and tests ---------------------------------------

    // The stored points (without the user offset) and the number's x.
    CPoint GetLeftPoint() const { return m_left; }
    CPoint GetRightPoint() const { return m_right; }
    int GetNumberX() const { return m_nNumberX; }
    // The number as music-font characters (one byte each).
    const std::string& GetNumberText() const { return m_number; }
    int GetNumberWidth() const { return m_nNumberWidth; }
    int GetNumberHeight() const { return m_nNumberHeight; }

    // ---- conversions ------------------------------------------------------------

    // The length of the tuplet's unit by its unit code: 0 a whole (1024) ...
    // 7 a 128th (8); any other code an eighth (128).
    static WORD GetUnitTickDuration(ECTuplet* tuplet);
    // The unit code of a length; any length without its own code is an eighth (3).
    static BYTE ConvertToUnit(WORD ticks);
    // Fills `result` with the meter of a borrowed division inside `meter`:
    // a is the plain base and b the borrowed base in ticks, c the tuplet unit
    // (the grid), d the stress size in units (-1: the borrowed units per
    // plain base). Answers 1 when `result` was set; 0, leaving it untouched,
    // when d, c or the meter's denominator is 0, when the borrowed base holds
    // no whole unit, or when the meter does not fit a fraction.
    static int GetBorrowedMeter(ECMeter* meter, ECMeter* result, int a, int b, int c, int d);
    // The borrowed meter of this tuplet in a measure of `meter`: n units in
    // stresses of n (a triplet of eighths in 4/4: 3+3+3+3 over 8). 0, leaving
    // `result` alone, when the tuplet, its counts, base, duration or unit is
    // 0, or when the meter does not fit a fraction.
    int GetBorrowedMeter(ECMeter* meter, ECMeter* result);

protected:
    // The stored points plus the user offset.
    CPoint GetLeft() const { return m_left + CSize(m_nDX, m_nDY); }
    CPoint GetRight() const { return m_right + CSize(m_nDX, m_nDY); }
    // The number's centre x, moved by the user offset with the bracket.
    int GetNumberCentre() const { return m_nNumberX + m_nDX; }
    // Appends n in small music digits, then (figure 1) the ratio sign and d.
    static void ParseTupletNumber(int n, int d, std::string& text, int figure);
    // Over the list's notes and chords: STEMS_MIXED when they differ, else the
    // first one's direction; STEMS_UP for a list without them.
    static BYTE GetStemDirection(MCEventList& events);
    // The y of the line through L and R at x.
    int GetLineY(CPoint left, CPoint right, int x) const;

private:
    void ReInitMembers() { m_number.clear(); }
    // True when the tuplet has an owner with at least one child.
    bool HasGroup();
    // True for a tuplet left in its measure without children. A sample (no
    // measure) is not emptied: it draws its bracket for the rectangle it is
    // given.
    bool IsEmptied();
    // Rebuilds the number and measures its width in `dc` with the music font
    // selected (selecting it when `selected` is false), or from the glyph
    // boxes without a dc; then the frame.
    void Measure(CDC* dc, bool selected);
    // The bracket's ends and the number's x from the owner's children.
    void Layout(DCctMeasure* measureDisplay);
    // The number's x over the group between the bracket's ends.
    int NumberX(int leftX, int rightX);
    void SetClassBit(int bit, int on);

    WORD m_nBase = 0;
    WORD m_nBorrowedBase = 0;
    WORD m_nTickDuration = 0;
    WORD m_nTickStart = 0;
    std::string m_number;
    BYTE m_nRatioN = 3;
    BYTE m_nRatioD = 2;
    int32_t m_nNumberWidth = 0;
    int32_t m_nNumberHeight = 0;
    CPoint m_left{0, 0};
    CPoint m_right{0, 0};
    int32_t m_nNumberX = 0;
};
