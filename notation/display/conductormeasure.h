// DCctConductorMeasure: the display object of a conductor measure
// (ECConductorMeasure), the slice of a system across all staves for one
// measure.
//
// It owns the conductor ruler, into which the rulers of its staff measures
// are mediated so that what sounds together lines up; it gives each staff
// measure its y from the conductor staff display's staff ruler, and lyric
// lines theirs; it maps x to time and time to a cursor line; it draws the
// measure number and the ruler; it hides or collapses its staff measures and
// puts clef and key mirrors into them at the start of a system. Pagination
// sets its width, index and head-of-system flag.
//
// The owner's column: track 0 is the conductor measure itself, tracks 1 to
// the first empty entry its staff measures in staff order; staff i of the
// staff ruler is track i + 1. Staff arguments: -1 means the last shown staff,
// 0 means the first. In single-staff mode every staff measure takes the y of
// the last shown staff.
//
// A collapsed member of a multi-measure rest (the ruler's flags with bit 0
// and without bit 1) draws nothing (128) and is never found under a point.
//
// Other display classes are reached through DCctConductorMeasure::Links(),
// hooks their classes install (the staff measure display's ruler, width,
// multi-measure count and ledger room, the mirror display's data, and the
// measure ruler's mirror handler). A hook not installed, like a measure,
// staff, conductor staff or display object missing in a half-built score,
// ends the step that needs it; queries answer 0.
//
// Archive form: the DCctBase head, the display offset (4 bytes, signed), then
// the ruler's own form (MCRulerRuler::Serialize, which stores nothing).
// Ownership and threads as DCctBase; the mirror operations lock the
// performance while they change the tree.
#pragma once

#include "notation/display/base.h"
#include "notation/layout/rulerruler.h"

class ECConductorMeasure;
class ECMeasure;
class ECMeter;
class ECStaff;
class MCRuler;
class MCStaffRuler;
class MCTime;
class DCctConductorStaff;

class DCctConductorMeasure : public DCctBase {
    DECLARE_SERIAL(DCctConductorMeasure)
public:
    // What the conductor measure asks of other display classes.
    struct ExternalLinks {
        // The staff measure display's ruler; null when it has none.
        MCRuler* (*measureRuler)(DCctBase* measureDisplay) = nullptr;
        void (*setMeasureEnd)(DCctBase* measureDisplay, int width) = nullptr;
        void (*setCollapsedMeasure)(DCctBase* measureDisplay, int count) = nullptr;
        // The ledger room below the measure's staff.
        int (*legerHeightBelow)(DCctBase* measureDisplay) = nullptr;
        // Gives a new mirror's display the shown element's display; prolog
        // and location are set when not -1.
        void (*setMirror)(DCctBase* mirrorDisplay, DCctBase* shown, int prolog, int location) = nullptr;
        // The measure ruler's handler of a mirror entered (remove 0).
        int (*doMirror)(MCRuler& ruler, ECBase* mirror, int remove) = nullptr;
    };
    static ExternalLinks& Links();

    // Display pulse meaning "none borrowed".
    static constexpr WORD NO_BORROWED_PULSE = 0x4000;

    // A fresh ruler, display offset = ruler height, mediation due, no
    // borrowed pulse, not a head of system, index 0.
    DCctConductorMeasure();
    // The DCctBase part, then as a new one (the ruler is not copied).
    DCctConductorMeasure(const DCctConductorMeasure& other);
    ~DCctConductorMeasure() override;

    // ---- virtual operations ----

    void Serialize(CArchive& ar) override;
    // 128 for a collapsed member; else the measure number (by the conductor
    // staff's settings) and, unless printing or hidden, the ruler. 1.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // Every call: metrics = ruler width x ruler height, display offset =
    // ruler height; the frame is clean.
    void SetSize(CDC* dc) override;
    // The ruler strip at the position raised by the display offset; selector
    // 1 reaches down over the system.
    void GetFrame(CRect* rect, int selector) override;
    void GetVirtualFrame(CRect* rect, int selector) override;
    // The own frame offset by `point`, united with the system's area from the
    // position (children are not visited).
    void GetTotalFrame(CRect* rect, CPoint point, int* maxY) override;
    // The ruler's width.
    int GetWidth() override;

    // ---- ruler ----

    MCRulerRuler& GetRuler() { return m_ruler; }
    // The x of `time` on the ruler's active group, from this measure's left
    // edge (ticks counted, 256 a quarter, from the measure's own time); 0
    // without an owner time.
    int GetXForTime(const MCTime& time);
    void CreateDivMarks(ECMeter* meter, WORD resolution);
    // A tuplet's borrowed divisions shown (on) or given up.
    void SetRulerBorrowed(int on, MCTime& duration, int divisions);
    // While mediation is due: the shown staves' rulers, the first copied, the
    // others mediated; then it is not due.
    void MediateRulers(MCStaffRuler& staffRuler, BYTE mode);
    int NeedsMediateRulers() const { return m_bMediate; }
    void SetMediateRulers(int on) { m_bMediate = on != 0; }
    void CalculateMinimumWidth(MCStaffRuler& staffRuler, BYTE squeeze);
    // Every staff measure's display ends at this measure's width.
    void UpdateWidth();
    void SetWidth(int width, int force);
    int GetCompress();
    short GetBarlineX();
    short GetRulerHeight();
    void SetRulersDirty(int dirty);
    int GetRulersDirty();

    // Clamped to -GetSystemHeight .. GetRulerHeight.
    void SetDisplayOffset(int offset);
    int GetDisplayOffset() const { return m_nDisplayOffset; }

    // ---- vertical layout (0 without a conductor staff display) ----

    int GetYPositionForMeasure(ECMeasure* measure);
    int GetYPositionForMeasure(int staff);
    int GetYOffsetForMeasure(int staff);
    int GetYOffsetForLyric(int staff);
    // 0 for a measure that is not one of the owner's.
    int GetYOffsetForLyric(ECMeasure* measure);
    int GetLyricPosition(int line, int staff);
    int GetSystemHeight();
    int GetTopToBottomStaffHeight();
    int GetHeightOfStaves(int a, int b);
    ECMeasure* GetMeasureForTrack(int track);

    // ---- time and cursor ----

    void CalcCursorPosition(CPoint point, CPoint* top, CPoint* bottom, int snap, WORD pulse);
    void CalcCursorPosition(WORD tick, CPoint* top, CPoint* bottom, int snap, WORD pulse);
    MCTime GetTimeForXPosition(int x, int y);
    CPoint GetEndPosition();

    // ---- staff measures ----

    // 0 shown, 1 hidden, 2 shown as a multi-measure rest; rests hidden by 1 and 2.
    void HideMeasures(BYTE mode);
    void AddMirror(ECBase* event, int prolog);
    void AddClefToMeasures();
    void AddKeyToMeasures();

    void SetHeadOfSystem(int head) { m_bHeadOfSystem = head != 0; }
    int IsHeadOfSystem() const { return m_bHeadOfSystem; }
    void SetMeasureIndex(int index) { m_nMeasureIndex = index; }
    int GetMeasureIndex() const { return m_nMeasureIndex; }
    WORD GetDisplayPulse() const { return m_wDisplayPulse; }

    // The box of the measure number's text (top the larger y), in layout
    // coordinates: 1 when the settings show a number here, else 0. Measured
    // in the expression font at the number's size. Above the first
    // staff it stands on the top line, or higher, a quarter space clear of
    // the highest ink of the first staff under it (the clef and key at a
    // system's start, notes, stems, flags and beams, and over a bar line the
    // measure before's); it never goes down into the staff.
    int GetMeasureNumberFrame(CDC* dc, CRect* frame);

    // The event's first parent that is a staff measure, or null.
    static ECMeasure* FindMeasureParent(ECBase* event);
    // The ruler's flags say: a member of a multi-measure rest, not its head.
    int IsCollapsedMember() const;

private:
    // The ruler strip's frame at p raised by the display offset; empty for
    // metrics of 0 x 0.
    void StripFrame(CRect* rect, CPoint p);
    ECConductorMeasure* GetColumn();
    // The owner's staff measure on track i + 1 (null past the column).
    ECMeasure* StaffMeasure(int i);
    // Its display object, made when missing.
    static DCctBase* MeasureDisplay(ECMeasure* measure);
    static MCRuler* MeasureRuler(ECMeasure* measure);
    // The conductor staff's display (the owner's first conductor-staff parent).
    DCctConductorStaff* GetConductorStaffDisplay();
    // The staff offset of track i (0 and -1 as the staff arguments).
    int StaffOffset(int staff);
    // The track index of a staff measure in the owner's column; 0 when absent.
    int TrackIndexOf(ECMeasure* measure);
    // Height and ledger room below of the last shown staff's measure.
    void LastStaffHeights(int& height, int& below);
    // Draws the measure number when the settings ask for one, moved by the
    // drawing offset `point`.
    void DrawMeasureNumber(CDC* dc, CPoint point);
    // The settings show a number over this measure (and it is no collapsed
    // member of a multi-measure rest).
    int ShowsMeasureNumber();
    // GetMeasureNumberFrame in the font dc has selected.
    int NumberFrame(CDC* dc, CRect* frame);
    // The conductor measure of the measure before this one; null for the first.
    DCctConductorMeasure* MeasureBefore();
    // A mirror of `shown` at `time` under `measure`; returns it.
    static ECBase* NewMirror(ECBase* shown, ECMeasure* measure, const MCTime& time, int prolog, int location);
    // The clefs or keys in force at each staff measure (halves 0 and 1) that
    // are not its own, mirrored into it and entered in its ruler.
    void MirrorInForce(bool keys);

    MCRulerRuler m_ruler;
    int32_t m_nMeasureIndex = 0;
    int32_t m_nDisplayOffset = 0;
    int32_t m_bMediate = 1;
    WORD m_wDisplayPulse = NO_BORROWED_PULSE;
    int32_t m_bHeadOfSystem = 0;
};
