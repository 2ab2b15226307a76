// DCctBeam: the notation display object of a beam (ECBeam, whose children are
// the beamed notes, chords, grace notes and rests).
//
// The beam pass makes the group and records its tick range; this class
// decides how the group looks. Grouping (Group) picks one stem direction for
// the whole group (the members' agreed override, else a vote by distance from
// the middle line), sets the stem lengths of the outer members, and so the
// slant, and works out which neighbours share which secondary beams and
// where stubs go (a chord's length counts from its note nearest the beam,
// its stem spanning the chord from the far one). Positioning puts every
// member's stem end on the main beam's line, the line first moved away from
// the noteheads by whole steps where its band would come within a quarter
// space of a member's head or accidental, and lays the secondary levels
// parallel to it, three quarters of a notehead height apart; drawing fills
// the whole beam as one path.
//
// Level table: one record per beam level (level 0 the main beam), each with
// its slope and one column per member: the member's stem end on that level
// and, from level 1 on, what joins the member to the next one (SegmentType).
// Points are logical units in the members' own frame (the measure's), y up.
// The table lives in memory only: a loaded beam is dirty and is regrouped
// when it is first placed.
//
// A member's anchor is the element whose value, pitch and stem speak for it:
// a note, rest or grace note itself, a chord's anchor note.
//
// Archive form: the DCctBase head, then the beam word (4 bytes, little
// endian): bit 2 direction (1 down), 3 direction override, 4 direction dirty,
// 5 break secondary, 6 beam rests, 7 flare, 8 flare direction, 9 midway,
// 10 user; every other bit 0.
// Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"
#include "notation/layout/fields.h"

#include <cstdint>
#include <vector>

using WORD = std::uint16_t;

class DCctClef;
class DCctNotate;
class ECMeter;
class MCEventList;

class DCctBeam : public DCctBase {
    DECLARE_SERIAL(DCctBeam)
public:
    // What joins member k to member k + 1 on a secondary level.
    enum SegmentType : int {
        SEGMENT_FULL = 0,         // a full beam from k to k + 1
        SEGMENT_STUB_RIGHT = 1,   // a stub one notehead wide from k toward k + 1
        SEGMENT_STUB_LEFT = 2,    // a stub one notehead wide ending at k + 1
        SEGMENT_NONE = 3,
    };

    // Slant codes of FindBeamSlant (bits, added together).
    enum Slant : int {
        SLANT_REPEATED = 1,   // alone: first and last on one pitch
        SLANT_RISING = 2,
        SLANT_FALLING = 4,
    };

    // Which children FindBeamChildren takes besides notes, chords and grace notes.
    enum ChildKind : int { NOTES_ONLY = 0, WITH_RESTS = 1 };

    struct Column {
        int type = SEGMENT_NONE;
        CPoint point{0, 0};
    };
    struct Level {
        int flag = 0;   // 0 for the main beam, 1 for every other level
        double slope = 0.0;
        std::vector<Column> columns;
    };

    // Every beam bit clear, no members, no levels, tick range 0, 0.
    DCctBeam();
    // The base copy; direction, break secondary, beam rests, flare, midway
    // and user from the source; no levels, tick range 0, 0.
    DCctBeam(const DCctBeam& other);
    ~DCctBeam() override;

    // ---- virtual operations -------------------------------------------------

    void Serialize(CArchive& ar) override;
    // The filled beam at `point` (the origin of the members' frame). Answers
    // 128 whether or not there was a beam to fill.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // Regroups when dirty, then lays the stem ends on the beam and measures
    // it. 1; 0 for a beam without notes, chords or grace notes.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    BYTE PositioningType() override { return 2; }
    // The box of all levels with their thickness, once placed.
    void SetSize(CDC* dc) override;

    // ---- beam word ----------------------------------------------------------

    // Ignored without override 1 once the direction was fixed with it.
    void SetDirection(int direction, int override);
    int GetDirection() const { return m_beam.GetDirection(); }
    int GetDirectionOverride() const { return m_beam.GetDirectionOverride(); }
    void SetBeamRests(int value, int) { m_beam.SetBeamRests(value); }
    int GetBeamRests() const { return m_beam.GetBeamRests(); }
    void SetBreakSecondary(int value, int) { m_beam.SetBreakSecondary(value); }
    int GetBreakSecondary() const { return m_beam.GetBreakSecondary(); }
    void SetFlared(int value, int) { m_beam.SetFlare(value); }
    int GetFlared() const { return m_beam.GetFlare(); }
    void SetFlaredDirection(int value, int) { m_beam.SetFlareDirection(value); }
    int GetFlaredDirection() const { return m_beam.GetFlareDirection(); }
    void SetUser(int value) { m_beam.SetUser(value); }
    int GetUser() const { return m_beam.GetUser(); }
    void SetMidwayBeam(int value, int) { m_beam.SetMidway(value); }
    int GetMidwayBeam() const { return m_beam.GetMidway(); }
    // The persisted word: bits 2-10 only.
    uint32_t GetBeamWord() const;

    // ---- tick range -----------------------------------------------------------

    void SetTickRange(WORD first, WORD last) {
        m_nFirstTick = first;
        m_nLastTick = last;
    }
    void GetTickRange(WORD* first, WORD* last) const {
        *first = m_nFirstTick;
        *last = m_nLastTick;
    }
    // The ticks the members cover: the last member's stored start plus its
    // duration, less the first member's stored start. 0 without two ends
    // with display data.
    WORD GetTickRange();

    // ---- grouping -------------------------------------------------------------

    // Regroups the children against the meter and clef in force at the
    // beam's time. The staff and conductor default to the beam's own.
    void Group(ECConductor* conductor, ECStaff* staff);

    // ---- read back for layout and tests -----------------------------------------

    int GetMemberCount() const { return m_nMembers; }
    // How deep the band of all levels reaches from the outer line (through
    // the stem ends) toward the noteheads, in logical units.
    int GetBandDepth() const;
    const std::vector<Level>& GetLevels() const { return m_levels; }

    // Beams a value carries: 0 from a quarter up (and for 0), 1 an eighth,
    // 2 a sixteenth ... (a dotted value as its undotted part).
    static int NumberOfBeams(int value);
    // Extra stem steps the shortest value of a group asks for at its ends.
    static int AdjustForSecondary(int value);
    // True when a and b share a bit, differ, and sum to a power of two (a
    // dotted value and the value that completes it).
    static bool IsFraction(int a, int b);
    // The display that speaks for a member: a note's, rest's or grace
    // note's own; a chord's anchor note's. Null for anything else.
    static DCctNotate* FindAnchorNote(ECBase* member);

protected:
    // Children in stored order: notes, chords and grace notes, and with
    // WITH_RESTS the rests too.
    void FindBeamChildren(std::vector<ECBase*>& out, int kind);
    // The first and last note (a grace note counts as one) or chord.
    static ECBase* GetFirstNoteOrChord(const std::vector<ECBase*>& members);
    static ECBase* GetLastNoteOrChord(const std::vector<ECBase*>& members);

    void _Group(MCEventList& children, DCctClef* clef, ECMeter* meter);
    int NumberOfBeamGroups(const std::vector<ECBase*>& members);
    void CalculateStemDirections(const std::vector<ECBase*>& members, DCctClef* clef);
    void SetStemDirection(int direction);
    int FindBeamSlant(const std::vector<ECBase*>& members);
    void BeamAngle(const std::vector<ECBase*>& members, DCctClef* clef);
    void AdjustStems(DCctNotate* a, DCctNotate* b, DCctNotate* extreme, int slant, int e, int shortest,
                     DCctClef* clef);
    static bool UseDistanceFromMiddleLine(DCctNotate* member, DCctClef* clef);
    void SetBeamTypes(const std::vector<ECBase*>& children, ECMeter* meter);
    void SetBeam(int c, int d, int column, int type);
    void RemoveHalfBeams(int column);
    void RemoveHalfBeamLeft(int column);
    void RemoveHalfBeamRight(int column);
    // Offered to the edit tools: breaks the secondary beams before each
    // member after the first whose stored start is a multiple of `a`, from
    // the level that b's quarterings give (at least 1).
    void BreakFullBeam(const std::vector<ECBase*>& members, int a, BYTE b);
    void InterpolateStemLengths(const std::vector<ECBase*>& members);
    // The heads of the members' notes and their signs beside them (boxes in
    // the members' frame, y up).
    void CollectObstacles(const std::vector<ECBase*>& members, std::vector<CRect>& out);
    // How far (y up, whole steps) the beam laid from `start` to `end` moves
    // away from the noteheads to stand a quarter space clear of every head
    // and sign under it; 0 when it already does.
    int ClearanceShift(const std::vector<ECBase*>& members, CPoint start, CPoint end);
    static void RemoveFlags(ECBase* element);

private:
    // The beam field with its raw word reachable for the archive.
    struct BeamWord : FCBeam {
        uint32_t Word() const { return m_flags; }
        void SetWord(uint32_t word) { m_flags = word; }
    };

    BeamWord m_beam;
    int m_nMembers = 0;
    std::vector<Level> m_levels;
    WORD m_nFirstTick = 0;
    WORD m_nLastTick = 0;
};
