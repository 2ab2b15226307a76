// DCctSplit: the display base of every element that runs from one place in
// the score to another and may be broken by a system end (slurs, ties, and
// the lines and hairpins that come later).
//
// Such an element is drawn as one piece per system it crosses. The pieces
// are split offsets, each a left and a right end point in the page's drawing
// coordinates (logical units, y up), in system order, rebuilt from nothing by
// every positioning of the subclass and never archived. Beside the user
// offset of DCctBase (here the left offset, moving the left end) the element
// keeps a right offset for the right end; SetOffset moves both ends alike.
// Offsets are given and read in tenths of the current notehead height and
// stored in logical units (16 bits each, clamped).
//
// The subclasses find systems only through the display objects of the staff
// measures a span covers: the measures of one system share one y; a system's
// left edge is its first measure's position, its right edge the last one's
// position plus width. A list whose measures lack display objects tells the
// caller so (AllDisplayed) instead of being read.
//
// Frames and hit tests cover every piece, with the glyph metrics' height and
// top offset (set by the subclass's SetSize) as the vertical extent at the
// piece's left end. IsIn answers 64 while unplaced, else 129 (a piece meets
// the rectangle) or 130: the DCctBase answers with 128 added, which marks a
// span for the caller; never direction bits.
//
// Bit 20 of the state word is the split flag: the pieces lie in more than
// one system.
//
// Archive form: exactly the DCctBase head; on loading the right offset is the
// stored offset as it stands. Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"
#include "platform/core/position.h"
#include "platform/gdi/dc.h"

#include <cstdint>
#include <vector>

class DCctMeasure;
class ECChord;
class MCEventList;
class MCTime;

class DCctSplit : public DCctBase {
    DECLARE_SERIAL(DCctSplit)
public:
    // Bit of the state word: the pieces lie in more than one system.
    static constexpr int SPLIT_BIT = 20;

    // IsIn's answers: a span hit, missed.
    enum SpanHit : int {
        HIT_SPAN_INSIDE = 128 + HIT_INSIDE,
        HIT_SPAN_OUTSIDE = 128 + HIT_OUTSIDE,
    };

    // One piece: its two end points.
    struct SplitOffset {
        CPoint left;
        CPoint right;
    };

    // No pieces, not split, right offset (0, 0).
    DCctSplit();
    // The DCctBase part; no pieces, not split, right offset (0, 0).
    DCctSplit(const DCctSplit& other);
    ~DCctSplit() override;

    // ---- virtual operations -------------------------------------------------

    void Serialize(CArchive& ar) override;
    // 2: split offsets are page coordinates, not relative to the parent.
    BYTE PositioningType() override { return 2; }
    // The union of the pieces (top not below bottom); the null rectangle
    // without pieces. The selector is not read.
    void GetFrame(CRect* rect, int selector) override;
    void GetVirtualFrame(CRect* rect, int selector) override;
    // 64 while position or frame is dirty; 129 when a piece moved by
    // `offset` meets `rect` (or no rectangle is given and a piece exists);
    // else 130.
    int IsIn(CRect* rect, CPoint offset, int detail, int selector) override;
    // Both ends by the same offset (tenths of a notehead height).
    void SetOffset(int x, int y) override;
    void SetOffset(CSize offset) override;
    void SetOffset(CPoint offset) override;

    // ---- offsets and pieces ---------------------------------------------------

    void SetOffsetLeft(CPoint offset);
    CPoint GetOffsetLeft();
    // Stored as v x h / 10 (truncated), clamped to 16 bits.
    void SetOffsetRight(CPoint offset);
    // Stored / (h / 10); (0, 0) when a tenth of h is 0.
    CPoint GetOffsetRight();
    // The right offset as stored, in logical units.
    CSize GetStoredOffsetRight() const { return CSize(m_nRightDX, m_nRightDY); }

    void SetSplit(int split) { SetBit(SPLIT_BIT, split); }
    int GetSplit() const { return Bit(SPLIT_BIT); }

    int GetSplitCount() const { return static_cast<int>(m_splits.size()); }
    // The end points of piece `index`; left as they were for an index out of
    // range.
    void GetEndPoints(CPoint& left, CPoint& right, int index) const;

protected:
    // Where DrawGlyphInRect's one piece runs: a point at the glyph, or
    // across the rectangle, as far in from its right side as the centred
    // glyph stands from its left.
    enum SampleSpan : int { SAMPLE_AT_GLYPH = 0, SAMPLE_ACROSS = 1 };
    // The sample of a span that begins with one music glyph (GetFontFromType),
    // for a palette or a tool's picture: the music font at AdjustForFont of
    // the rectangle's height in GetColor, the glyph's box measured at that
    // size as the metrics, the frame clean and the assembly dirty, the pieces
    // replaced by one piece (not split) whose left end centres the glyph in
    // `rect`, then Draw at (0, 0) without clip. The score's font, colour and
    // glyph caches come back afterwards. 1.
    int DrawGlyphInRect(CDC* dc, CRect* rect, SampleSpan span = SAMPLE_AT_GLYPH);

    void ResetSplitOffset() { m_splits.clear(); }
    void AddSplitOffset(CPoint left, CPoint right) { m_splits.push_back({left, right}); }
    // The left end of the first piece and the right end of the last (one
    // piece made when there is none); the glyph width becomes the distance.
    void SetEndPoints(CPoint left, CPoint right);
    const std::vector<SplitOffset>& Splits() const { return m_splits; }
    std::vector<SplitOffset>& Splits() { return m_splits; }

    // Whether every event of the list has its notation display object (an
    // empty list has none to miss).
    static bool AllDisplayed(MCEventList& events);
    // 1 when the display objects of the events do not all share one y (the
    // span crosses a system end); 0 otherwise, for an empty list too.
    // Events without a display object are passed over.
    static int IsSplit(MCEventList& measures);
    // From `pos` in `measures`, appends to `run` the events whose display y
    // equals that of the first one taken; `pos` is left at the first event
    // of the next system, or null at the end. The number of events in `run`.
    static int GetNextSystem(MCEventList& run, MCEventList& measures, POSITION& pos);
    // The run's left edge (its first display's position) and right edge (its
    // last display's position plus width).
    static void GetSystemEndPoints(MCEventList& run, CPoint& left, CPoint& right);
    // One system a span crosses: its edges (as GetSystemEndPoints gives
    // them) and its first measure.
    struct SystemEdges {
        CPoint left;
        CPoint right;
        ECBase* head = nullptr;
    };
    // The systems the measures lie in, in order (GetNextSystem's runs).
    static std::vector<SystemEdges> GetSystemEdges(MCEventList& measures);
    // Appends the pieces of a mark from `start` to `end` across `systems`
    // (two or more): the first from `start` to its system's right edge at
    // start's height, each one between from edge to edge raised by `raise`,
    // the last from its system's left edge to `end` at end's height.
    void AddPiecesAcross(const std::vector<SystemEdges>& systems, CPoint start, CPoint end, CSize raise);
    // Positions each event's display object that is position-dirty; a
    // non-zero answer clears the bit.
    static void PositionChildren(MCEventList& events, ECConductor* conductor, ECStaff* staff, ECMeasure* measure);
    // The owner's first staff parent, else its nearest staff ancestor.
    ECStaff* FindStaffParent();
    // The event's first chord parent, or null.
    static ECChord* FindChordParent(ECBase* event);

    // The point of `time` on the staff of track `track` (the staff's track
    // number): x where the conductor measure's ruler puts the time (its
    // active group), y the top line of the staff measure at the time, whose
    // display object goes to `staffMeasure` when asked for. (0, 0) and a
    // null display without the staff measure or either display object.
    static CPoint GetStaffPointAtTime(ECConductor* conductor, int track, const MCTime& time,
                                      DCctMeasure** staffMeasure = nullptr);
    // Builds the pieces of a mark that keeps one level (`raise` above each
    // system's measure y) from `start` to `end` over `measures`, its staff's
    // measures in order, each with its display object: within one system one
    // piece; across systems the first from `start` to its system's right
    // edge, those between from edge to edge, the last from its system's left
    // edge to `end`. `end` stands only when `endMeasure` (the staff measure
    // at the end's time) lies in the last system; otherwise (an end on the
    // barline that closes a system, or past the last measure) the piece ends
    // at that system's right edge. No measures: one piece, `start` to `end`.
    // The split flag follows: set when the pieces lie in more than one system.
    void AddPiecesOverSystems(MCEventList& measures, CPoint start, CPoint end, DCctBase* endMeasure, int raise);
    // The x left of which the continuation pieces are cut when drawn with a
    // clip rectangle: just left of the first note after the prolog of the
    // conductor measure at `time` (its x plus its ruler's prolog end, less
    // w/2), clear of the clef, key and meter. 0 without that measure.
    static int ClipXAtTime(ECConductor* conductor, const MCTime& time);
    // Draws every piece with `drawPiece` (left end, right end, both with
    // their offsets): when a clip rectangle is given and the element is
    // split, each piece inside its own clip region (the first cut at its
    // right end, the others at `clipX`), the previous region put back.
    template <typename DrawPiece>
    void DrawPieces(CDC* dc, CPoint origin, CRect* clip, int clipX, DrawPiece drawPiece);

private:
    // A piece's frame at its left end (top is the larger y).
    CRect PieceFrame(const SplitOffset& piece) const;
    // Selects the region of piece `index` cut from `clip`.
    void SelectPieceClip(CDC* dc, CPoint origin, const CRect& clip, int index, int clipX) const;

    std::vector<SplitOffset> m_splits;
    int16_t m_nRightDX = 0;   // right offset, logical units
    int16_t m_nRightDY = 0;
};

// ---- template definitions ---------------------------------------------------------

template <typename DrawPiece>
void DCctSplit::DrawPieces(CDC* dc, CPoint origin, CRect* clip, int clipX, DrawPiece drawPiece) {
    const bool cut = clip && GetSplit();
    const CSize leftOffset(m_nDX, m_nDY);
    const CSize rightOffset(m_nRightDX, m_nRightDY);
    for (size_t i = 0; i < m_splits.size(); ++i) {
        CRgn saved;
        int hadRegion = 0;
        if (cut) {
            saved.CreateRectRgn(0, 0, 0, 0);
            hadRegion = dc->GetClipRgn(&saved);
            SelectPieceClip(dc, origin, *clip, static_cast<int>(i), clipX);
        }
        drawPiece(m_splits[i].left + leftOffset, m_splits[i].right + rightOffset);
        if (cut)
            dc->SelectClipRgn(hadRegion == 1 ? &saved : nullptr);
    }
}
