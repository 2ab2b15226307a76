// DCctDynamic: the notation display object of a dynamic marking (ECDynamic,
// a child of a staff).
//
// By the marking's type it shows one glyph of the music font (the dynamic
// letters, types 0-10), a text expression followed by a dotted line (11-13:
// "cresc.", "decresc.", "dim." or the marking's own text), or a hairpin
// (14 opening, 15 closing to the right). The last two kinds are ranges: they
// run from the marking's time to its time plus its duration, one piece per
// system they cross (DCctSplit); a glyph has one position. Other types show
// nothing. The ranges and the glyph are placed alike: at the staff's ruler
// x of the time, with the room above the staff (location 0, and always on a
// staff of type 6), between a grand staff's staves (location 2), or below
// the staff (location 1, and location 2 on any other staff).
//
// Positioning sets the split flag (bit 20) to whether the pieces lie in more
// than one system, so a range relaid out into one system no longer draws as
// a broken one. A range whose end lies beyond its last system (at a later
// system's first barline, or past the piece) ends at that system's right
// edge. An expression's frame is as wide as its text at least, and its text
// is measured whether or not a device context is given.
//
// Drawing puts back the colour of the music font and the colour and height
// of the expression font it changed. Archive form: the DCctSplit form (the
// DCctBase head), then the location byte. Ownership and threads as DCctBase.
#pragma once

#include "notation/display/split.h"

#include <string>

class ECDynamic;
class MCTime;

class DCctDynamic : public DCctSplit {
    DECLARE_SERIAL(DCctDynamic)
public:
    enum Location : BYTE { LOCATION_ABOVE = 0, LOCATION_BELOW = 1, LOCATION_BETWEEN = 2 };
    // The types that are not one glyph.
    enum : BYTE {
        TYPE_CRESCENDO_TEXT = 11,   // first of the three text expressions
        TYPE_DIMINUENDO_TEXT = 13,  // last of them
        TYPE_HAIRPIN_OPENING = 14,
        TYPE_HAIRPIN_CLOSING = 15,
    };

    // Location below; no pieces.
    DCctDynamic();
    // The DCctSplit copy and the location; no pieces until positioned.
    DCctDynamic(const DCctDynamic& other);
    ~DCctDynamic() override;

    // ---- virtual operations -------------------------------------------------

    void Serialize(CArchive& ar) override;
    // A sample: a hairpin from the middle of the left quarter of `rect` to
    // the middle of its right quarter; an expression's text centred, at a
    // text height from the rectangle's; a glyph as the base draws it. The
    // fonts are put back. 1.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // A hairpin's lines or an expression's text and dotted lines piece by
    // piece; else the glyph. 1.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // Builds the pieces (a range) or the position (a glyph) and sets the
    // split flag. 1; 0 without a conductor or staff, or when a measure the
    // range covers has no display object yet (it stays position-dirty).
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // When frame-dirty: a hairpin 2h high centred on its pieces, as wide as
    // its first piece; an expression as its text (on `dc`, or on a
    // screen-like context without one), widened to its first piece; a range
    // without pieces keeps its metrics and stays frame-dirty. A glyph as the
    // base measures it.
    void SetSize(CDC* dc) override;
    // A range over its pieces (an expression's text included); a glyph its box.
    void GetFrame(CRect* rect, int selector) override;
    void GetVirtualFrame(CRect* rect, int selector) override;
    int IsIn(CRect* rect, CPoint offset, int detail, int selector) override;
    // The glyph of types 0-10; 0 for every other type.
    UINT GetFontFromType() override;
    // Samples of the glyphs are drawn at twice the rectangle's height.
    int AdjustForFont(int height) override { return 2 * height; }

    // ---- the marking ----------------------------------------------------------

    // The int is not used.
    void SetLocation(BYTE location, int /*unused*/) { m_nLocation = location; }
    BYTE GetLocation() const { return m_nLocation; }
    // The owner's type byte; 0 without an owner.
    BYTE GetType();
    // 1 for the types 11-15.
    int IsRange();
    static bool IsExpressionType(BYTE type) { return type >= TYPE_CRESCENDO_TEXT && type <= TYPE_DIMINUENDO_TEXT; }
    static bool IsHairpinType(BYTE type) { return type == TYPE_HAIRPIN_OPENING || type == TYPE_HAIRPIN_CLOSING; }
    // The marking's text (its type's default when it has none).
    std::string GetExpression(BYTE type);

protected:
    // The place of `time` on staff `n` (from 1): its conductor measure's x
    // plus the ruler's x of the time, the staff measure's y plus the
    // location's adjustment. (0, 0) without the staff measure or a display
    // object of either measure.
    CPoint GetDynamicPosition(ECConductor* conductor, ECStaff* staff, int n, const MCTime& time);
    // The room above the staff (location 0, or a staff of type 6), minus half
    // the staff measure's height (location 2 on a grand staff), else the room
    // below the staff, from the conductor staff's staff ruler; 0 without it.
    int GetDynamicYAdjust(ECConductor* conductor, ECStaff* staff, DCctBase* staffMeasure);

private:
    ECDynamic* GetDynamic();
    // The pieces of a range from `start` to `end` on staff `n`; false when a
    // measure between lacks its display object.
    bool PositionRange(ECConductor* conductor, ECStaff* staff, int n, const MCTime& start, const MCTime& end);
    // The box of an expression's text at its first piece (empty without one).
    CRect TextFrame() const;
    void DrawHairpin(CDC* dc, CPoint point);
    void DrawExpression(CDC* dc, CPoint point);

    BYTE m_nLocation = LOCATION_BELOW;
};
