// DCctMeasure: the display object of one staff measure (ECMeasure), the
// piece of one staff between two barlines.
//
// It draws the staff lines of its staff's kind and, for a collapsed measure,
// the multi-measure rest; it owns the measure's spacing ruler, which the
// conductor measure mediates; it answers where things go vertically (the
// staff position under a y, the MIDI pitch under a point, the y of a pitch or
// of a rest, ledger lines) and keeps the measure's voice table (the voices
// 0-7 that occur, ascending when built; appended voices go at the end).
//
// Geometry: the measure's y is its (upper) staff's top line; with h the
// current notehead height (one staff space) the lines lie at y, y - h, ...,
// y - 4h. A staff position counts half-spaces from the top line, positive
// upward. On a grand staff (kind 1) voices 0-3 belong to the upper staff and
// 4-7 to the lower, whose top line lies at y + the left-hand offset (-10h).
// Staff kinds: 1 grand staff (ten lines), 3 percussion (voices 0, 1),
// 0, 2 and 6 five lines, 4, 5 and above 6 no lines.
//
// Archive form: the DCctBase head, then the voice table as an archive count
// and that many bytes. Width, height, ruler and collapsed count are rebuilt
// by layout.
//
// Display classes of other files are reached through measurelinks.h. Ledger
// lines are MCLine values in the four-int form (x, y, length, thickness):
// Top() = (x, y), Bottom() = (length, thickness).
// Ownership and threads as DCctBase.
#pragma once

#include "notation/display/base.h"
#include "notation/layout/ruler.h"

#include <cstdint>
#include <vector>

class DCctNotate;
class ECClef;
class ECConductor;
class MCEventList;
class MCLine;
class MCPitch;
class MCTime;

class DCctMeasure : public DCctBase {
    DECLARE_SERIAL(DCctMeasure)
public:
    // Staff kinds with a meaning of their own.
    enum : int { STAFF_GRAND = 1, STAFF_PERCUSSION = 3 };
    // The voice a caller passes to let the measure pick it by position.
    enum : UINT { VOICE_BY_POSITION = 14 };

    // Height 4h, width 0, left-hand offset -10h, empty voice table, not
    // collapsed.
    DCctMeasure();
    // The DCctBase copy, then as construction (the ruler and table are not
    // copied).
    DCctMeasure(const DCctMeasure& other);
    ~DCctMeasure() override;

    // ---- virtual operations -------------------------------------------------

    void Serialize(CArchive& ar) override;
    // The measure fitted into `rect`, with its children drawn after it from
    // left to right. 1.
    int DrawInRect(CDC* dc, CRect* rect) override;
    // Staff lines, and the multi-measure rest of a collapsed measure. 1.
    int Draw(CDC* dc, CPoint point, CRect* clip) override;
    // At the conductor measure's x and the y it gives this measure; 0 when
    // the conductor measure or its display object is missing.
    int Position(ECConductor* conductor, ECStaff* staff, ECMeasure* measure, ECBase* parent) override;
    // Height and left-hand offset for the staff kind, when the frame is dirty.
    void SetSize(CDC* dc) override;
    // From x, y (no user offset) over width x height, stretched by the
    // staff's ledger heights.
    void GetFrame(CRect* rect, int selector) override;
    // At the virtual position; the ledger heights only for selector 1.
    void GetVirtualFrame(CRect* rect, int selector) override;
    int GetWidth() override { return m_nWidth; }
    int GetHeight() override { return m_nHeight; }
    // Printing: window text; ghosted: grey text; selected: the selection
    // colour; else the staff colour.
    COLORREF GetColor(CDC* dc) override;

    // ---- ruler and sizes ------------------------------------------------------

    MCRuler& GetRuler() { return m_ruler; }
    // Takes the other ruler's groups (with their marks) when it has any.
    void CopyRuler(MCRuler& other);
    void SetWidth(int width);
    void SetMeasureEnd(int width) { SetWidth(width); }
    void SetLegerSpacesAbove(int spaces);
    void SetLegerSpacesBelow(int spaces);
    // The staff display's ledger heights; 0 without a staff or its display.
    int GetLegerHeightAbove();
    int GetLegerHeightBelow();
    int16_t GetLeftHandOffset() const { return m_nLeftHandOffset; }
    void SetCollapsedMeasure(int count) { m_nCollapsed = static_cast<uint16_t>(count); }
    int GetCollapsedMeasure() const { return m_nCollapsed; }
    // The staff kind of the first staff parent; 0 without one.
    int GetType();
    ECStaff* FindStaffParent();

    // ---- vertical positions (measurepitch.cpp) ----------------------------------

    // The staff position under `y` (halves rounded away from zero). Voice 14
    // picks the voice by position (on a grand staff 4 below half the height,
    // else 0); `lower` is set to 1 for the lower staff of a grand staff.
    int GetStaffLineForYPosition(int y, UINT& voice, BYTE& lower);
    // The MIDI pitch under a point by the clef and key in force there; 0
    // when the conductor measure, the staff or the clef is missing. On a
    // percussion staff `voice` becomes the drum map's voice.
    BYTE GetMidiPitchForYPosition(CPoint point, UINT& voice);
    // The y of a written pitch, relative to the measure, for a clef-type
    // code (codes above 9 read as treble).
    int GetYPositionForPitch(MCPitch& pitch, int voice, BYTE clefType);
    // The y of a rest of `voice`: the middle line for a whole-measure rest,
    // else the voice's slot by the voice table; 0 for a voice not in it.
    int GetYPositionForRest(int voice, int whole);
    // Ledger lines for a MIDI pitch of `voice` at `time`; `lines` is left as
    // it was without a staff or a clef.
    void GetLedgerLines(std::vector<MCLine>& lines, BYTE pitch, int voice, MCTime& time);

    // ---- what the clef decides for a note (measurenotate.cpp) ----------------

    // The note's stem direction, tie direction or ledger lines for the clef's
    // display object; nothing when the clef has none.
    void SetStemDirectionByPitch(DCctNotate* note, ECClef* clef);
    void SetTieDirectionByPitch(DCctNotate* note, ECClef* clef);
    void SetLedgerLines(DCctNotate* note, ECClef* clef);
    // The note's stem length (plus the extra for short values), reaching to
    // the middle line when the note lies more than an octave's steps from
    // it (except for the short length 6).
    void SetStemLength(DCctNotate* note, BYTE length, ECClef* clef);

    // ---- voices (measurevoices.cpp) ------------------------------------------

    // The table of the voices the events use, ascending; a percussion staff
    // has 0, 1; a grand staff has at least one voice in each half.
    void CreateVoiceTable(MCEventList& events, int staffKind);
    // Appends the voices the events use that the table lacks (created as
    // above when empty).
    void AddToVoiceTable(MCEventList& events, int staffKind);
    std::vector<BYTE>& GetVoiceTable() { return m_voices; }
    // The table's length, built from the notes below the measure when empty.
    int GetNumberOfVoices();
    // 1 when at most one voice sounds in the staff half (`lower` on a grand staff).
    int IsSingleVoice(int lower);
    // The first clef of the list for the voice's staff half; null when none.
    ECClef* GetClef(int voice, MCEventList& events);

    // ---- drawing and mirrors --------------------------------------------------

    // Adds a mirror of `event` to the measure; nothing without a performance.
    void AddMirror(ECBase* event, BYTE location, int prolog);
    // The staff lines of the staff kind from p.x to p.x + width.
    void DrawStaff(CDC* dc, CPoint p, int width);
    // A barline the measure draws itself (types 0-3 at x).
    void DrawBarline(CDC* dc, CPoint p, int type);

private:
    // The display object of the conductor measure at the owner's time, or null.
    DCBase* FindConductorMeasureDisplay();
    // The top line's y of the staff half `voice` belongs to, from GetY.
    int StaffTopFor(int voice);
    // Draws "n" in small digits and the bar of a collapsed measure.
    void DrawMultiMeasureRest(CDC* dc, CPoint p, int musicStart);

    MCRuler m_ruler;
    int16_t m_nLeftHandOffset = 0;
    int16_t m_nWidth = 0;
    int16_t m_nHeight = 0;
    int16_t m_nLegerAbove = 0;
    int16_t m_nLegerBelow = 0;
    std::vector<BYTE> m_voices;
    uint16_t m_nCollapsed = 0;
};
