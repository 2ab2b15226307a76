// CNoteCursor: the tool that enters notes and tuplets.
//
// It follows the pointer as the insert tool does, its line snapped to the
// nearest division, and draws the ledger lines a pitch above or below the
// staff needs; a tuplet prototype makes the measure under the pointer show
// the tuplet's borrowed divisions. The status bar shows the time and the
// MIDI pitch. While the button is held, each new pitch or voice sounds on
// the staff's output ("Settings" "PlayNotes", read at every press). On
// release the prototype's length becomes its performed length, the engine
// is told the resolution the written length asks for, and the prototype is
// added under the measure at the pointer.
//
// A tuplet goes in only where it fits: within the measure and, in a
// compound meter, only duplets (elsewhere no duplets); a refusal is told in
// a message box and nothing is added.
//
// The tool sounds through the process's device library; without one, or
// without a staff performer (no sequence attached), it sounds nothing and
// adds notes with no MIDI message. UI thread only.
#pragma once

#include "notation/tools/insertcursor.h"

#include <cstdint>
#include <vector>

class ECStaff;

class CNoteCursor : public CInsertCursor {
public:
    // Sounding codes of an accidental: none.
    static constexpr uint8_t NO_ACCIDENTAL = 255;

    CNoteCursor(CCantrel* view, const std::vector<int>* parentTypes);
    // The borrowed divisions switched off.
    ~CNoteCursor() override;

    // A note, with a parent set; nothing else.
    int CanInsert(int eventType) override;
    // The line and the ledger lines repainted away; the view's drag flag cleared.
    void Hide() override;
    // The insert base's reset; nothing sounded; no ledger lines; the
    // borrowed divisions switched off.
    void Reset() override;
    // While visible: the insert line, then the ledger lines.
    void Draw(CDC* dc) override;
    using CInsertCursor::Update;
    // The insert base's update, the new pitch sounded while the button is
    // held, the status "time (pitch)".
    void Update(CPoint& point, int show) override;
    // A tuplet is checked against the meter and moved with its notes to
    // the tool's time first.
    int Insert(ECBase* element, CCAdd* command) override;
    // Over a parent: "PlayNotes" read, the pitch there sounded, the view's
    // drag flag set (the view then forwards no moves). Elsewhere nothing.
    void OnMouseDragBegin(UINT flags, CPoint& point) override;
    void OnMouseDragContinue(UINT flags, CPoint& point) override;
    // Over a parent the prototype goes in (a refused copy is released);
    // then the tool starts afresh.
    void OnMouseDragEnd(UINT flags, CPoint& point) override;

    // A tuplet prototype of `count` notes in the time of `span`, whose note
    // is written `noteDuration` long.
    void SetTuplet(uint8_t count, uint8_t span, const MCTime& noteDuration);
    // The prototype's accidental (0 sharp, 1 flat, 2 double sharp, 3 double
    // flat), for sounding.
    void SetAccidental(uint8_t accidental) { m_nAccidental = accidental; }
    void SetPlayNotes(int play) { m_bPlayNotes = play; }

    // The palette's prototype (a new copy, the caller's); with `setDuration`
    // its note's length becomes the performed length of the written one
    // (for a tuplet, of its share of the group) and the engine gets the
    // resolution the written length asks for. Null without a prototype.
    ECBase* GetEvent(int setDuration);
    // The resolution (ticks at 256 a quarter) a written length asks of the
    // engine: a dotted value counts as the next shorter plain one, at least
    // 8; 8, 16, 32 and 64 are asked for, any other length asks nothing (0).
    static int ResolutionFor(int ticks);

    const std::vector<MCLine>& GetLedgerLines() const { return m_ledgerLines; }
    ECConductorMeasure* GetRulerMeasure() const { return m_pRulerMeasure; }
    ECStaff* GetStaff() const { return m_pStaff; }

    // The message texts (string table) of the tuplet checks.
    static constexpr unsigned IDS_TUPLET_TOO_LONG = 14208;
    static constexpr unsigned IDS_TUPLET_COMPOUND = 14209;
    static constexpr unsigned IDS_TUPLET_SIMPLE = 14210;

protected:
    // The insert base's line, voice and pitch, and the ledger lines, the
    // staff and the borrowed divisions under the point; nothing changes
    // where no conductor measure lies.
    void UpdatePosition(CDC* dc, CPoint& point) override;
    // A note-on for the staff's voice: its output and channel from the
    // staff performer's voice map, the tool's pitch (or the element's), the
    // element's velocity (64 without one). 0 without a staff, a staff
    // performer or a pitch.
    int GetMidiData(ECBase* element, FCMidi& midi) override;
    // The current pitch sounded once on the staff's output (the grace-note
    // tool's too).
    void SendMidi();
    // After an update: the pitch sounded while notes play, the status
    // "time (pitch)".
    void SoundAndReport();
    void DrawLedgerLines(CDC* dc);
    // The ledger rectangle drawn last repainted from the score.
    void EraseLedgerLines(CDC* dc);
    int IsPlayingNotes() const { return m_bPlayNotes; }

private:
    // The borrowed divisions follow the conductor measure under the point.
    void UpdateRuler(CDC* dc, CPoint& point);
    // Switches a measure's borrowed divisions on or off and repaints it.
    void ShowRuler(CDC* dc, ECConductorMeasure* column, int on);
    // 0 when the tuplet fits at the tool's time, else the message's id.
    unsigned CheckTuplet(ECBase* tuplet);

    int m_bPlayNotes = 0;
    int m_nLastVoice = 0;
    int m_nLastPitch = -1;
    unsigned m_nDevice = 0;
    int m_nChannel = 0;
    CRect m_ledgerRect;        // view units, normalised y up; empty: none
    CRect m_drawnLedgerRect;   // what the screen shows
    std::vector<MCLine> m_ledgerLines;   // view units; x from the line's left
    uint8_t m_nTupletCount = 0;
    uint8_t m_nTupletSpan = 0;
    MCTime m_tupletDuration;
    uint8_t m_nAccidental = NO_ACCIDENTAL;
    ECStaff* m_pStaff = nullptr;                       // borrowed, may be null
    ECConductorMeasure* m_pRulerMeasure = nullptr;     // borrowed: its divisions borrowed
};
