// MCRuler: the horizontal grid of one measure of one staff.
//
// The grid is made of division marks, points of time inside the measure each
// with an x position. The marks of the meter's own pulse form group 0; every
// tuplet rhythm (a borrowed pulse) adds a group of its own, found by its pulse.
// In front of the marks lies the prologue (clef, key, meter: 4 slots, the last
// one the start of the marks), behind them an optional postlogue (courtesy key
// and meter: 3 slots, the last one the end). A mark's x is relative to the
// prologue's end; the ruler's width is the measure's right end, postlogue
// included.
//
// Units: x in layout units (1440 per inch); ticks at 256 per quarter note,
// each group counting in its own ticks (tick t of a group is
// t x base pulse / pulse real ticks). The notehead width and height come from
// rulermetrics.h at the moment an operation runs.
//
// Positions are worked out in int. A ruler's width goes on as a 16-bit value
// (the measure's metrics, the width pagination gives it), so the spacing
// pass and the mediation leave every ruler at most MAX_WIDTH wide: the marks
// of a measure whose natural spacing would be wider are scaled down in
// proportion first.
//
// A group is chosen by its pulse (the key 0x4000 selects the active group);
// an operation on a pulse no group has does nothing and answers 0 (64 for a
// resolution). Nothing is reported.
//
// The marks of group 0 for a meter, resolution and division unit are built
// once per process and copied afterwards from a template table shared by
// every ruler, indexed by a byte: once it holds 255 entries further rulers are
// built without being stored.
//
// Each measure's display object owns its ruler by value; the conductor ruler
// (rulerruler.h) derives from it. The spacing operations that move marks
// apart by durations are defined in spacing.cpp.
// UI thread only; the template table is shared without a lock.
#pragma once

#include "notation/layout/rulermetrics.h"
#include "platform/ui/geometry.h"

#include <cstdint>
#include <memory>
#include <vector>

class CArchive;
class ECBase;
class ECMeter;

class MCRuler {
public:
    using BYTE = std::uint8_t;
    using WORD = std::uint16_t;

    // The key that selects the active group wherever a pulse is asked for.
    static constexpr WORD ACTIVE_GROUP = 0x4000;
    // The widest a ruler is left by the spacing pass and the mediation:
    // what a 16-bit width holds.
    static constexpr int MAX_WIDTH = 0x7FFF;

    // One division mark: x, tick and a packed word
    //   bits 0-1 level (0 first mark of a stress, 1 first of a later pulse,
    //   2 any other), bit 2 occupied, bit 3 unused (never copied),
    //   bits 4-15 right extent, 16-27 left extent, 28-31 duration code.
    struct RulerDiv {
        int x = 0;
        short tick = 0;
        std::uint32_t word = 2;

        RulerDiv() = default;
        RulerDiv(const RulerDiv& other) : x(other.x), tick(other.tick), word(other.word & ~kSpareBit) {}
        RulerDiv& operator=(const RulerDiv& other) {
            x = other.x;
            tick = other.tick;
            word = (other.word & ~kSpareBit) | (word & kSpareBit);
            return *this;
        }

        int GetLevel() const { return word & 3; }
        void SetLevel(int level) { word = (word & ~3u) | (level & 3u); }
        bool IsOccupied() const { return (word & 4) != 0; }
        void SetOccupied(bool on) { word = on ? word | 4u : word & ~4u; }
        int GetRightExtent() const { return (word >> 4) & 0xFFF; }
        void SetRightExtent(int v) { word = (word & ~(0xFFFu << 4)) | ((v & 0xFFFu) << 4); }
        int GetLeftExtent() const { return (word >> 16) & 0xFFF; }
        void SetLeftExtent(int v) { word = (word & ~(0xFFFu << 16)) | ((v & 0xFFFu) << 16); }
        int GetDurationCode() const { return word >> 28; }
        void SetDurationCode(int v) { word = (word & 0x0FFFFFFFu) | ((v & 0xFu) << 28); }
        // Occupied bit, extents and code back to nothing; level stays.
        void ClearMarking() { word &= 3u | kSpareBit; }

        static constexpr std::uint32_t kSpareBit = 8;
    };

    struct RulerGroup {
        WORD pulse = 0;          // the key: one pulse in the group's own ticks
        WORD basePulse = 0;      // the real length of one pulse (group 0's pulse)
        WORD resolution = 64;    // group ticks between two marks
        std::vector<RulerDiv> marks;
        int width = 0;           // where the last mark's section ends, from the prologue's end
    };

    // A prologue or postlogue slot; present when its x differs from the next slot's.
    struct PrologDiv {
        BYTE kind = 3;
        short x = 0;
        short reserved = 0;
    };

    // Prologue slots and postlogue slots.
    enum : int { PROLOG_CLEF = 0, PROLOG_KEY = 1, PROLOG_METER = 2, PROLOG_END = 3 };
    enum : int { POSTLOG_KEY = 0, POSTLOG_METER = 1, POSTLOG_END = 2 };

    // One entry of the template table: group 0 and the prologue as built.
    struct RulerTemplate {
        std::vector<RulerDiv> marks;
        PrologDiv prolog[4];
        short divisionUnit = 0;
        short borrowedMultiple = 1;
        int width = 0;
        int minimumWidth = -1;
        BYTE numerator = 0;
        BYTE denominator = 0;
        WORD resolution = 0;
    };

    MCRuler();
    MCRuler(const MCRuler& other);
    // Copies groups, prologue, division unit, borrowed multiple, width and
    // minimum width; keeps this ruler's postlogue, clef group, flags, collapse
    // count, active group and squeeze level.
    MCRuler& operator=(const MCRuler& other);
    virtual ~MCRuler();

    // A ruler is never stored: does nothing.
    virtual void Serialize(CArchive& ar);
    // The width at the spacing pass's squeeze level `squeeze`, stored as the
    // minimum width; the marks are then spaced again at the ruler's own level.
    virtual void CalculateMinimumWidth(BYTE squeeze);
    virtual short GetMinimumWidth() const { return static_cast<short>(m_minimumWidth); }
    // The first group with this pulse (0x4000: the active group); null when none.
    virtual RulerGroup* FindPulseGroup(WORD pulse);
    // Its index; 0 when none.
    virtual int FindPulseGroupIndex(WORD pulse);

    // ---- construction and reset ----

    // Drops every group and the postlogue; prologue as constructed but the
    // division unit is half a notehead (construction uses a quarter).
    void ReInitRuler();
    // Before a measure is laid out again: marks back to x = index x unit and
    // unmarked, borrowed groups laid out again from group 0. Nothing without groups.
    void ResetRuler();
    // The 4 prologue slots back to kind = index, x = notehead width / 2; the
    // width follows the change of the marks' start.
    void ResetProlog();

    // ---- building the marks ----

    // Builds group 0 (nothing when it already has marks), from the template
    // table when it holds this meter and resolution.
    void CreateDivMarks(ECMeter* meter, WORD resolution);
    // Fills `marks` (sized first when empty) with the meter's marks at this resolution.
    void _CreateDivMarks(ECMeter* meter, WORD resolution, std::vector<RulerDiv>& marks);
    // The first entry for this meter's fraction and resolution built at this
    // ruler's division unit: marks stored under another music font size would
    // space the measure for that size.
    bool TemplateExists(ECMeter* meter, WORD resolution, int& index) const;
    void CopyTemplate(int index);
    void AddToTemplate(ECMeter* meter, WORD resolution);
    void InitDivPositions(RulerGroup& group);
    static int GetTemplateCount();
    static constexpr int MAX_TEMPLATES = 255;

    static WORD GetPulse(ECMeter* meter);
    int IsMeterSame(ECMeter* meter);
    // keep = 1 scales every group's pulse by new / old base pulse.
    void ChangeMeter(ECMeter* meter, int keep);
    void SetResolution(WORD resolution, WORD pulse);
    WORD GetResolution(WORD pulse);
    void SetActiveRuler(WORD pulse);

    // ---- tuplet (borrowed) groups ----

    WORD GetBorrowedPulse(ECMeter* meter, int count);
    void AddBorrowedDivMarks(ECMeter* meter, int count, WORD resolution);
    void AddBorrowedDivMarks(ECMeter* meter, WORD pulse, WORD base, WORD resolution);
    // Lays a borrowed group's marks out over group 0 (e marks of group 0 and f
    // borrowed marks per pulse, L a common multiple of both).
    void UpdateBorrowedGroup(RulerGroup& group, WORD L, WORD e, WORD f, WORD start);
    void PrepareForUpdateBorrowed(RulerGroup& group, WORD& L, WORD& e, WORD& f);
    void RemoveBorrowedDivMarks(WORD pulse);
    void OffsetBorrowedDivMarks(BYTE, WORD) {}

    // ---- prologue and postlogue ----

    void SetPrologX(int slot, int x);
    int GetPrologX(int slot) const { return m_prolog[slot].x; }
    void SetPrologWidth(int kind, int width);
    void RemoveProlog(int slot);
    int IsClefInProlog() const { return m_prolog[1].x != m_prolog[0].x; }
    int IsKeyInProlog() const { return m_prolog[2].x != m_prolog[1].x; }
    int IsMeterInProlog() const { return m_prolog[3].x != m_prolog[2].x; }
    // The meter's prologue slot from its display object (entered, or withdrawn
    // when `clear` is set); 0 when the element has none. Defined with the meter.
    int DoMeter(ECBase* element, int clear);

    void AddPostlog();
    void SetPostlog(int kind, int width);
    void SetPostlogX(int slot, int x);
    void RemovePostlog(int kind);
    // Deletes the postlogue only; the width stays.
    void DeletePostlog() { m_postlog.reset(); }
    std::vector<PrologDiv>* GetPostlog() { return m_postlog.get(); }
    int GetPostlogX(int slot, int fromBarline) const;
    int IsKeyInPostlog() const;
    int IsMeterInPostlog() const;
    int GetBarlineX() const;

    // ---- elements entered into the prologue (clear 0) or withdrawn ----
    // (Defined beside the display classes they read; each answers 0 when the
    // element has no notation display object, else 1.)

    // A clef at time zero, or any clef when forced, takes the prologue's
    // clef slot; another clef stands inside the measure (SetMidClef).
    int DoClef(ECBase* element, int clear, int forced);
    // A key with accidentals takes the key slot, as wide as its accidentals.
    int DoKey(ECBase* element, int clear);
    // What a mirror shows: a clef is forced into the prologue; a key or meter
    // into the prologue when the mirror's prolog bit is set, else into the
    // postlogue (a courtesy sign). 0 when the mirror shows nothing or a
    // display object it needs is missing. Defined with the mirror.
    int DoMirror(ECBase* element, int clear);

    // ---- mid-measure clef (never filled) ----

    void SetMidClef(short, short) {}
    void RemoveMidClef(short) {}
    void DeleteMidClef() { m_clefGroup.reset(); }
    std::vector<RulerDiv>* GetClefGroup() { return m_clefGroup.get(); }
    int GetMidClefX(short tick, short width);

    // ---- queries (0 when the group is missing) ----

    int GetXPositionForTick(short tick, WORD pulse);
    int GetXPositionForDiv(int index, WORD pulse);
    int GetCurrentX(int index, WORD pulse) { return GetXPositionForDiv(index, pulse); }
    int GetPrevX(int index, WORD pulse);
    int GetNextX(int index, WORD pulse);
    int GetTickForDivMark(int index, WORD pulse);
    WORD GetDivMarkForTick(WORD tick, WORD pulse);
    // Over every group: the mark whose real tick is nearest.
    void GetDivMarkForTick(WORD tick, WORD& index, WORD& pulse);
    int GetClosestDivMark(int x, WORD pulse);
    void GetClosestDivMarks(int x, int& nearest, int& before, int& after, WORD pulse);

    int GetNumberOfRulerGroups() const { return static_cast<int>(m_groups.size()); }
    WORD GetGroupPulse(int n) const;
    RulerGroup* GetPulseGroup(int n);
    std::vector<RulerGroup>& GetRulerGroup() { return m_groups; }
    const std::vector<RulerGroup>& GetRulerGroup() const { return m_groups; }
    short GetWidth() const { return static_cast<short>(m_width); }
    int IsLastDiv(int index, WORD pulse);
    short GetDivisionUnit() const { return m_divisionUnit; }
    short GetBorrowedMultiple() const { return m_borrowedMultiple; }

    // ---- flags ----

    void SetEmpty(int on) { SetFlag(kEmpty, on); }
    int IsEmpty() const { return (m_flags & kEmpty) != 0; }
    void SetDirty(int on) { SetFlag(kDirty, on); }
    int IsDirty() const { return (m_flags & kDirty) != 0; }
    void SetCollapse(int state) { m_flags = static_cast<BYTE>((m_flags & ~3) | (state & 3)); }
    void SetCollapsedHead(int state) { m_flags = static_cast<BYTE>(m_flags | (state & 3)); }
    int IsCollapsed() const { return (m_flags & 3) != 0; }
    int IsCollapsedHead() const { return (m_flags & 2) != 0; }
    void SetCollapseCount(WORD n) { m_collapseCount = n; }
    WORD GetCollapseCount() const { return m_collapseCount; }
    void SetSqueezeLevel(BYTE level) { m_squeezeLevel = level; }
    BYTE GetSqueezeLevel() const { return m_squeezeLevel; }
    BYTE GetActiveGroup() const { return m_activeGroup; }

    // ---- arithmetic ----

    // a x c / b; -1 when b is 0.
    static int Scale(int a, int b, int c);
    // Euclid on 16-bit values; gcd(a, 0) = a.
    static WORD GreatestCommonDivisor(WORD a, WORD b);
    // a x b / gcd; 1 when the gcd is 0.
    static WORD LeastCommonMultiple(WORD a, WORD b);

    static int GetNoteheadWidth() { return GetRulerNoteheadMetrics().width; }
    static int GetNoteheadHeight() { return GetRulerNoteheadMetrics().height; }

    // ---- spacing (spacing.cpp; the two mark movers in rulerquery.cpp) ----

    // Duration codes of a mark: 0 none, 1 a thirty-second (8 to 15 ticks),
    // then two per power of two, the even one exact, the odd one the lengths
    // up to the next (decoded as the dotted value); 14 a whole or double
    // whole, 15 what lies between or beyond. Below 8 ticks and from 4096 on: 10.
    static BYTE ConvertDuration(WORD ticks);
    static WORD ConvertToDuration(BYTE code);
    // How much of a full step each mark an element of this length spans gets:
    // 100 % for a sixteenth, down to 40 % for a whole note or longer.
    static WORD PercentageForDuration(WORD ticks);
    // The share of the 3/2-notehead-height room a squeeze level keeps:
    // 100, 75, 50, 25, 10 for levels 0-4; any other level 100.
    static int SqueezePercent(BYTE level);

    // An element starting on a mark (occupied 1) or withdrawn from it
    // (occupied 0: extents cleared). Extents keep the wider, the code the
    // shortest duration entered. Sets the dirty flag.
    void SetDivOccupied(WORD mark, int occupied, short left, short right, WORD duration, WORD pulse);
    // Enters an element into the ruler (clear 0) or withdraws it, by its
    // type; 1 with the ruler unchanged for a type without a handler. Each
    // handler answers 0 when the element has no notation display object.
    // Defined beside the display classes (notation/display/rulerupdate.cpp).
    int UpdateRuler(ECBase* element, int clear);
    // A note occupies the mark of its tick start, with the widths around it
    // and its tick duration; withdrawn, the mark is freed.
    int DoNote(ECBase* element, int clear);
    // A rest as a note, with nothing on its left; a whole rest or longer
    // leaves its mark unoccupied.
    int DoRest(ECBase* element, int clear);
    // A chord as a note, with the extents of all its notes and its written
    // value as the duration.
    int DoChord(ECBase* element, int clear);
    // A tuplet's notes, rests and chords occupy (or free) the marks of their
    // own tick starts in the tuplet's borrowed group; rests occupy theirs too.
    int DoTuplet(ECBase* element, int clear);
    // A lyric keeps the mark nearest its time (in any group) clear for half
    // its width and half a notehead on each side; withdrawn, the mark is
    // freed. Defined with the lyric's display.
    int DoLyric(ECBase* element, int clear);
    // The spacing pass: every group spaced by its elements' durations (an
    // empty mark as a whole note's), collisions pushed apart, tuplet groups
    // merged with group 0; then width = marks' start + group 0's width (the
    // postlogue is the conductor ruler's to add), the empty flag from the
    // occupied marks, the dirty flag cleared.
    void CleanUpRuler();
    // Steps the marks of group `groupIndex` from startTick's mark through
    // endTick's by percent of a full step; the last mark's step sets the
    // group's width. Returns the room added (a step that also set the width
    // counts twice). The duration is not used.
    int ScaleDivSection(WORD startTick, WORD endTick, WORD percent, WORD duration, WORD groupIndex);
    // Pushes each occupied mark right until its left extent clears the right
    // extent of the occupied mark before, and the width past the last one's.
    // Returns the total push.
    int ResolveCollisions(WORD groupIndex);
    // Lines every tuplet group up with group 0 at the marks they share; in
    // each stretch the group needing more room re-places the other.
    void MergeRulers();
    // Moves the mark and all after it by delta, and every other group from
    // the mark at the same place onward; mark = mark count widens every group.
    void AdjustDiv(WORD mark, int delta, WORD pulse);
    // AdjustDiv of the mark after; after the last mark the group's width.
    void AdjustNextDiv(WORD mark, int delta, WORD pulse);
    // Marks from `from` to the end, and the group's width, move by delta.
    void DeltaDivArray(RulerGroup& group, int from, int delta);
    // Re-places dst marks c..m (q per common interval) from src marks a..n (p
    // per interval) by linear interpolation; n or m equal to the mark count
    // stands for the group's width.
    void ScaleDivToRuler(RulerGroup& src, int a, int n, int p, RulerGroup& dst, int c, int m, int q);

    // Single-mark operations the layout keeps for later use.
    // Room for a notehead and a flat after the mark before, when that one is occupied.
    void EnforceAccidentalWidth(WORD mark, WORD pulse);
    // Pushes the mark clear of the one before and spreads group 0 over the
    // new gap; the last mark's right extent may widen the measure.
    void CleanUpDiv(WORD mark, WORD pulse);
    // The mark's occupied bit; with anyGroup, whether an element before it
    // (in this group or one running ahead) may still be sounding.
    int IsDivOccupied(WORD mark, int anyGroup, WORD pulse);

    // The printable rectangle of page 1, a page width to the right when pages
    // lie side by side.
    CRect GetMarginRect() const;

protected:
    enum : BYTE { kCollapseMask = 3, kEmpty = 4, kDirty = 8 };
    void SetFlag(BYTE bit, int on) { m_flags = static_cast<BYTE>(on ? m_flags | bit : m_flags & ~bit); }
    // Slots back to kind = index, x = notehead width / 2.
    static void ResetSlots(PrologDiv* slots, int count);
    // Copies what assignment copies.
    void AssignLayout(const MCRuler& other);
    // One mark step past the group's last mark (0 without marks).
    static int EndTick(const RulerGroup& group);
    // The index of the mark at the tick, else of the one before it; the mark
    // count past every mark.
    static int DivMarkForTick(const RulerGroup& group, int tick);
    // The mark's tick; the end tick for index = mark count.
    static int TickForDivMark(const RulerGroup& group, int index);
    // Percent of notehead width plus the room the squeeze level leaves.
    int SpacingStep(int percent) const;
    // The x where a group's marks end: width - the marks' start.
    int GetMarksEnd() const { return m_width - m_prolog[PROLOG_END].x; }
    // The postlogue's width; 0 without one.
    int GetPostlogWidth() const;
    // Scales every group's marks and width down, in proportion, when they
    // reach further than MAX_WIDTH leaves them beside the prologue and the
    // postlogue. A bar of many short notes in a long meter is naturally
    // wider than 16 bits hold; scaled, it keeps its proportions, and the
    // squeeze to the system's width still works on it.
    void FitMarksToMaxWidth();
    // Moves slots after `slot` and the widths by delta.
    void MoveSlotsAfter(PrologDiv* slots, int count, int slot, int delta);

    std::vector<RulerGroup> m_groups;
    std::unique_ptr<std::vector<RulerDiv>> m_clefGroup;      // owned, null by default
    PrologDiv m_prolog[4];
    std::unique_ptr<std::vector<PrologDiv>> m_postlog;       // owned, 3 slots when present
    short m_divisionUnit = 0;
    short m_borrowedMultiple = 1;
    int m_width = 0;
    int m_minimumWidth = -1;
    BYTE m_flags = kEmpty | kDirty;
    WORD m_collapseCount = 0;
    BYTE m_activeGroup = 0;
    BYTE m_squeezeLevel = 0;

    static std::vector<RulerTemplate> s_template;
};
