// DCctSlur: the notation display object of a slur (ECSlur, whose children are
// the notes, chords and grace notes it binds), and DCctCurve, what slurs and
// ties share.
//
// A slur finds its notes, goes above or below them (the voices, a grand
// staff's hands, the stems; a user's choice, given with override, stays),
// puts its ends beside the first and last note's heads or stem ends (grace
// size for a grace note), lifts or lowers both ends so that the curve clears
// the highest or lowest note between them, and makes one piece per system
// that holds its notes. A slur from a grace note is one piece, placed
// against the grace note's main note. Each piece is drawn as a filled
// crescent (a dashed slur: one dotted curve) through DrawCurve.
//
// A slur or tie whose measures or notes have no display object yet is not
// placed: Position answers 0 and leaves it position-dirty, so the view
// places it again. The split flag (bit 20) says whether the last
// positioning made pieces in more than one system; only then does a drawing
// with a clip rectangle cut the pieces (the first at its right end, the
// others at the clip x just after the next system's prolog).
//
// State-word bits: 20 split (DCctSplit), 21 type (1 dashed), 22 direction
// (1 below), 23 direction chosen with override. h and w are the current
// notehead height and width, s the stem width.
//
// Archive form: the DCctSplit form (the DCctBase head alone).
// Ownership and threads as DCctBase.
#pragma once

#include "notation/display/split.h"

#include <cstdint>

class DCctNotate;
class MCEventList;

// What slurs and ties share: type and direction bits, the clip x, the system
// walk's common steps and the drawing of pieces as curves. Not a class of
// its own in archives.
class DCctCurve : public DCctSplit {
public:
    static constexpr int TYPE_BIT = 21;
    static constexpr int DIRECTION_BIT = 22;
    static constexpr int OVERRIDE_BIT = 23;
    enum CurveDirection : int { CURVE_ABOVE = 0, CURVE_BELOW = 1 };
    enum CurveType : int { CURVE_SOLID = 0, CURVE_DASHED = 1 };
    // Draw's answer: the view does not descend into the bound notes, which
    // their measures draw.
    static constexpr int DRAW_SPAN = DRAW_HIDDEN;

    // A curve's place comes from its notes alone.
    void SetPosition(int, int) override {}
    void SetPosition(CSize) override {}
    void SetPosition(CPoint) override {}

    void SetClipX(int x) { m_nClipX = x; }
    int GetClipX() const { return m_nClipX; }

protected:
    DCctCurve() = default;
    // The DCctSplit copy (dirty, no pieces, not split) with the source's type,
    // direction and override.
    DCctCurve(const DCctCurve& other);

    void SetCurveType(int type) { SetBit(TYPE_BIT, type); }
    int GetCurveType() const { return Bit(TYPE_BIT); }
    // Without override nothing changes once a direction was set with it.
    void SetCurveDirection(int direction, int override);
    int GetCurveDirection() const { return Bit(DIRECTION_BIT); }
    int IsDirectionOverride() const { return Bit(OVERRIDE_BIT); }

    // The voice of an event's voice/track word (15 for a converted word).
    static int VoiceOf(ECBase* event);
    // When a measure's display object says the staff half of `voice` holds
    // more than one voice: below for an odd voice, above for an even one;
    // else -1.
    static int DirectionByVoices(MCEventList& measures, int voice);

    // The conductor and staff a positioning works with (the given ones, else
    // the owner's), and the measures of the staff from `start` to before
    // `end`: false when any of them is missing or has no display object.
    bool FindMeasures(ECConductor*& conductor, ECStaff*& staff, const MCTime& start, const MCTime& end,
                      MCEventList& measures);
    // The end of a positioning that built pieces: split as they lie, position
    // clean, frame dirty, then sized.
    void FinishPosition();
    // Every piece as a curve bowed to the direction's side, `shape` the
    // curvature limit (its low 16 bits), dotted when dashed, 2s thick.
    void DrawCurves(CDC* dc, CPoint origin, CRect* clip, int shape);
    // A sample drawn by `drawSample` with the music font at `height` in
    // `color`; the font's description and note metrics put back afterwards.
    template <typename DrawSample>
    static void WithSampleFont(CDC* dc, int height, COLORREF color, DrawSample drawSample);

private:
    int32_t m_nClipX = 0;
};

class DCctSlur : public DCctCurve {
    DECLARE_SERIAL(DCctSlur)
public:
    // Solid, above, glyph height and arc 2h.
    DCctSlur();
    // The DCctCurve copy; glyph height 2h. Arc and clip x are set anew before
    // they are read.
    DCctSlur(const DCctSlur& other);
    ~DCctSlur() override;

    // ---- virtual operations -------------------------------------------------

    // A sample from the rectangle's lower left to its upper right. 1.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // Every piece (arc 8h). 128: the bound notes are drawn by their measure.
    int Draw(CDC* dc, CPoint origin, CRect* clip) override;
    // 1 when placed; 0 with fewer than two notes, or when the conductor, the
    // staff, a measure or an end note (or its display object) is missing.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // When placed and frame-dirty: width 0, height d + 2h with d the first
    // piece's rise, top d below the notes or 2h above them.
    void SetSize(CDC* dc) override;

    // ---- type, direction, shape ------------------------------------------------

    void SetSlurType(int type, int) { SetCurveType(type); }
    int GetSlurType() const { return GetCurveType(); }
    void SetSlurDirection(int direction, int override) { SetCurveDirection(direction, override); }
    int GetSlurDirection() const { return GetCurveDirection(); }
    // Tenths of the current notehead height, kept in logical units.
    void SetSlurArc(int tenths);
    int GetSlurArc();
    int GetArc() const { return m_nArc; }

    // The first and last child that is a note, chord or grace note; null
    // when none.
    ECBase* FindFirstSlurChild();
    ECBase* FindLastSlurChild();

protected:
    // The children that are notes, chords or grace notes, in order.
    void FindSlurChildren(MCEventList& children);
    // The children found below the run's measures, in the order of the
    // measures, each once.
    static void FindSlurChildrenInSystem(MCEventList& run, MCEventList& children, MCEventList& found);
    void CalculateSlurDirection(MCEventList& children, ECStaff* staff, MCEventList& measures);
    // What both ends move by so that the curve clears the notes between them.
    int GetYAdjust(MCEventList& children);
    // Moves `left` and `right` (the places F and L are relative to) to the
    // slur's ends at F and L, then both by `adjust`.
    void PositionSlurEnds(CPoint& left, CPoint& right, DCctNotate* first, DCctNotate* last, int adjust);

private:
    void PositionSingle(MCEventList& children, MCEventList& measures, ECConductor* conductor, ECStaff* staff);
    void PositionSplit(MCEventList& children, MCEventList& measures, ECConductor* conductor);
    void PositionGrace(MCEventList& children, MCEventList& measures);

    int32_t m_nArc = 0;   // the curvature limit, logical units
};

// ---- template definitions ---------------------------------------------------------

template <typename DrawSample>
void DCctCurve::WithSampleFont(CDC* dc, int height, COLORREF color, DrawSample drawSample) {
    MCMusicFont& font = MCMusicFont::GetMusicFont();
    LOGFONT savedFont;
    MCMusicFont::NoteMetrics savedMetrics;
    font.SaveLogFont(&savedFont, &savedMetrics);
    font.SetFontHeight(height);
    font.SetFontColor(color);
    // The sample's size must not refill the caches the score measures with.
    font.SetExtentDirty(0, FONT_ALL);
    font.SelectFont(dc, FONT_NORMAL);
    drawSample();
    font.DeselectFont(dc);
    font.RestoreLogFont(savedFont, savedMetrics);
}
