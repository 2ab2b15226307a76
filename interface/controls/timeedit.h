// MCTimeEdit: the field of a musical position or a duration, written as
// groups of digits (bar, beat, tick; bar, beat, thousandths; hours, minutes,
// seconds; whole beats and ticks; see timeformat.h), with the up-down
// control of the spin edit it derives from.
//
// The user never places a caret: a click, Space and the arrow keys select one
// group, digits typed replace the selected group, the arrows step it within
// its range (the bar 1-999, the beat up to the beats of the meter in force at
// the value's time, the tick 0 to the PPQ ...). A dialog's select-all on
// focus is refused: the current group stays selected. Every change of the
// value through the control tells the parent MCTEN_CHANGE (0x3140), never the
// spin edit's MCSEN_CHANGE.
//
// Positions are written and read through the active document's conductor: with
// no document open the field shows its format's empty form and typing changes
// nothing. A duration (SetShowDuration) needs no conductor.
//
// FormatTimeString is the one formatter of times for the whole program.
// User-interface thread only.
#pragma once

#include "interface/controls/spinedit.h"
#include "interface/controls/timeformat.h"
#include "model/time.h"

#include <string>

class ECConductor;

// The time edit's change notification (WM_COMMAND's high word).
inline constexpr UINT MCTEN_CHANGE = 0x3140;

class MCTimeEdit : public MCSpinEdit {
    DECLARE_DYNAMIC(MCTimeEdit)
public:
    // The context menu of a duration, and its commands: whole note to 64th.
    static constexpr UINT IDR_DURATION_MENU = 11620;
    static constexpr UINT ID_DURATION_FIRST = 11622;
    static constexpr UINT ID_DURATION_LAST = 11632;
    // The time-unit menu (opened nowhere) and its commands: formats 1, 2, 4.
    static constexpr UINT IDR_UNITS_MENU = 11635;
    static constexpr UINT ID_UNITS_BBT = 11636;
    static constexpr UINT ID_UNITS_FRACTION = 11637;
    static constexpr UINT ID_UNITS_CLOCK = 11638;

    // The default display format offered to the rest of the program (the time
    // bar's preference starts from it).
    static int s_nFormat;

    // Format 1, group 0 (characters 0-3), time zero in musical mode.
    MCTimeEdit();
    ~MCTimeEdit() override;

    // Subclasses dialog control `id` as a spin edit with `flags`, then sets
    // the format. 0 when the control cannot be subclassed.
    virtual int SubclassTimeEdit(UINT id, CWnd* parent, int format, int flags);

    // Stores the format; an existing window takes its character limit. The
    // text is not rewritten.
    void SetTimeFormat(int format);
    int GetTimeFormatA() const { return m_nTimeFormat; }
    int IsShowDuration() const { return m_bShowDuration; }
    // Rewrites nothing.
    void SetShowDuration(int showDuration) { m_bShowDuration = showDuration != 0; }

    // Copies the time; an existing window shows it, and with `repaint` is
    // repainted.
    void SetTimeValue(const MCTime& time, int repaint);
    MCTime GetTimeValue() const { return m_time; }

    // The text of `time` in `format` (0-5) through the active document's
    // conductor: empty while indeterminate; a duration as whole beats and
    // ticks; a position as the format writes it, or, with no document,
    // conductor or time (the null time), the format's empty form. Answers 1,
    // or 0 for a format outside 0-4 when a position could be converted.
    static int FormatTimeString(std::string& text, const MCTime& time, int format, int showDuration,
                                int indeterminate);
    // The time a text names: a duration in quarter notes; a position (0 for
    // bar or beat counts as 1) as musical time through `conductor`, a clock
    // as real time; time zero without a conductor or for another format.
    static MCTime GetTimeFromString(const char* text, ECConductor* conductor, int format, int showDuration);

    // The group holding character `position` (0 past the last group).
    int GetGroup(int position) const;
    // Makes `group` current with its span; with `apply` the span is selected
    // and the up-down control takes the group's range and position. A group
    // the format lacks stands for group 0.
    void SetGroup(int group, int apply);
    int GetCurrentGroup() const { return m_nGroup; }

protected:
    // Writes the value into the window (empty while indeterminate).
    void UpdateFromTime();
    // Reads the window's text into the value; nothing without a conductor.
    void UpdateFromText();

    // The up-down control's step: the selected group's digits replaced.
    void OnSpin(int value) override;
    // Reads the text and tells the parent MCTEN_CHANGE.
    void OnChange() override;

    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnSetFocus(CWnd* pOldWnd);
    afx_msg void OnKillFocus(CWnd* pNewWnd);
    afx_msg void OnContextMenu(CWnd* pWnd, CPoint pos);
    afx_msg LRESULT OnSetSel(WPARAM wParam, LPARAM lParam);
    // The duration menu's notes, and the time units.
    afx_msg void OnDurationCommand(UINT id);
    afx_msg void OnUnitsCommand(UINT id);
    DECLARE_MESSAGE_MAP()

private:
    // The format whose groups the field shows: durations have their own.
    int ShownFormat() const { return m_bShowDuration ? static_cast<int>(TIMEFMT_DURATION) : m_nTimeFormat; }
    // Selects the current group's span, past this class's own handling of
    // EM_SETSEL (which would take the span's group as the current one).
    void SelectSpan();
    // The up-down range and position of a group of the shown format.
    void ApplyGroupRange(int group);
    // Reads and rewrites the text, then applies `group`.
    void Refresh(int group);
    void TellParent();

    BYTE m_bShowDuration = 0;
    BYTE m_nTimeFormat = TIMEFMT_BAR_BEAT_TICK;
    BYTE m_nCharPos = 0;    // the character of the last click (low byte)
    BYTE m_nGroup = 0;      // 0, 1 or 2
    BYTE m_nSelStart = 0;   // the current group's span
    BYTE m_nSelEnd = 3;
    MCTime m_time;
};
