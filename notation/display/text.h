// DCctText: the notation display object of a text (ECText): staff texts,
// track and instrument names under a staff; page texts (title, composer ...)
// and texts at a time under the conductor staff.
//
// Placing goes by the text's type: page texts by the page layout and the
// conductor staff's text levels, texts at a time over the first staff at
// their time, staff texts in their staff's measure. The text is drawn in the
// text font with the event's style and point size, framed when its box bit
// is set (rehearsal marks are framed from the moment they get their owner),
// and a track name is cut where the staff's first measure begins.
//
// Slots: a text placed by its type alone (a page text such as the title or
// the composer, a staff's track name) has a slot of its own; when several
// texts share one (two titles, two names of one staff), they stack
// downwards in the order their parent holds them, each its height below
// the one before, so none is printed over another. A staff's names stand
// as a block centred on the staff; copyrights, at the page's foot, as a
// block that ends there.
//
// Class bit of the state word: 20 framed. Justification (set by placing):
// 0 the text starts at its x, 1 it ends there, 2 it is centred on it.
// The type names the text page shows are strings IDS_TEXT_TYPE_FIRST + type.
//
// Every operation that changes the text font (colour, style, size) puts its
// saved description back and deselects it before returning.
// Archive form: the DCctBase head only. Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"

#include <string>
#include <vector>

class MCFont;

// The name of text type 0 ("---"); type t is this + t, for the 16 types.
constexpr unsigned IDS_TEXT_TYPE_FIRST = 13850;

class DCctText : public DCctBase {
    DECLARE_SERIAL(DCctText)
public:
    enum TextBit : int { BIT_BOX = 20 };
    enum Justification : BYTE { JUSTIFY_LEFT = 0, JUSTIFY_RIGHT = 1, JUSTIFY_CENTRE = 2 };
    // Text types the display treats apart.
    enum TextType : BYTE {
        TEXT_STAFF = 0,
        TEXT_COPYRIGHT = 1,
        TEXT_SEQUENCE_NAME = 2,
        TEXT_TRACK_NAME = 3,
        TEXT_INSTRUMENT_NAME = 4,
        TEXT_DEDICATION = 7,
        TEXT_TITLE = 8,
        TEXT_SUBTITLE = 9,
        TEXT_COMPOSER = 10,
        TEXT_ARRANGER = 11,
        TEXT_AUTHOR = 12,
        TEXT_REHEARSAL_LETTER = 14,
        TEXT_REHEARSAL_NUMBER = 15,
        TEXT_TYPE_COUNT = 16,
    };

    // Not framed, left-justified.
    DCctText();
    // The DCctBase copy, then the source's whole state word and its
    // justification.
    DCctText(const DCctText& other);
    ~DCctText() override;

    // A rehearsal letter or number is framed from now on.
    void SetOwner(ECBase* owner) override;
    // A sample centred in `rect`, its font height half the rectangle's; the
    // event's point size does not apply to it. 1.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // The text (and its frame) at its place; a track name cut at the staff's
    // first measure. 1.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // By type (see above). 0 for a staff text without a staff, or when the
    // measure or ruler a text at a time needs is missing; else 1.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // The text's extent in its font; the frame's left edge where its
    // justification puts it. Measured on `dc`, or on a screen-like context
    // without one.
    void SetSize(CDC* dc) override;

    void SetBoxText(int on) { SetBit(BIT_BOX, on); }
    int GetBoxText() const { return Bit(BIT_BOX); }
    // The owner's type byte; 0 without an owner.
    BYTE GetType();
    BYTE GetJustification() const { return m_nJustification; }
    // The owner's text; empty without one.
    std::string GetText();

    // The texts sharing this text's slot, in their parent's order (this
    // text among them); this text alone when its type has no slot.
    std::vector<DCctText*> GetSlotTexts();
    // How far below the slot's place this text stands: the heights of the
    // texts before it in the slot.
    int GetSlotOffset();
    // The heights of every text in the slot (this one's as it stands, the
    // others measured when their frames are dirty).
    int GetSlotHeight();

    // The name of text type `type` (string IDS_TEXT_TYPE_FIRST + type);
    // empty outside the 16 types.
    static std::string GetTypeName(int type);

protected:
    ECBase* FindStaffParent();
    ECBase* FindCondStaffParent();
    int PositionStaffText(ECConductor* conductor);
    int PositionCondStaffText(ECConductor* conductor);
    // The frame around the text drawn at `q` moved by (dx, dy): as wide as
    // the text and at least as wide as high.
    void DrawBoxText(CDC* dc, CPoint q, int dx, int dy);
    // Colour, style and point size of the event set on `font` (the size
    // only outside a sample).
    void ApplyStyle(MCFont& font, CDC* dc, bool withSize);

    // While a sample is drawn: the rectangle's font height holds.
    bool m_bSample = false;

private:
    BYTE m_nJustification = JUSTIFY_LEFT;
};
