// MCNoteEdit: the field of a MIDI note number (0-127), shown as a number, as
// a note name with sharps or flats (C-1 to G9) or, for percussion, as the
// drum chosen from a drop-down list (MCDrumsBox) that takes the field's
// place. It derives from the spin edit, whose arrows step the note; the value
// is the note kept here, not the arrows' position. Every change made through
// the control tells the parent MCNEN_CHANGE (0x3160).
//
// Letters and digits typed are read at once (GetNoteFromString); other
// characters ("#", "b" after a letter is a letter) only edit the text until
// the next letter or digit or the loss of the focus, which writes the note
// again in the field's format. The right button offers the four formats.
//
// MCDrumsBox: the drum list, a hidden drop-down list of the 128 notes' drum
// texts (entry n is note n), made beside its note edit with the edit's id.
// A choice ended with OK tells its buddy (else its parent) MCDBN_CHANGE
// (0x3150); a context-menu request goes to the same window.
//
// FormatNoteString and GetNoteFromString are the program's one writer and
// reader of note texts. Ownership: the drum list is the note edit's.
// User-interface thread only.
#pragma once

#include "interface/controls/spinedit.h"
#include "platform/ui/lists.h"

#include <string>

// The drum list's choice (to its buddy, else its parent).
inline constexpr UINT MCDBN_CHANGE = 0x3150;
// The note edit's change (to its parent).
inline constexpr UINT MCNEN_CHANGE = 0x3160;

enum : int {
    NOTEFMT_NUMBER = 0,   // "60"
    NOTEFMT_FLATS = 1,    // "Db4"
    NOTEFMT_SHARPS = 2,   // "C#4"
    NOTEFMT_DRUMS = 3,    // the drum list in place of the field
};

class MCDrumsBox : public CComboBox {
    DECLARE_DYNAMIC(MCDrumsBox)
public:
    MCDrumsBox() = default;

    using CComboBox::Create;
    // A hidden drop-down list over `rect`, its list 100 pixels deeper, 160
    // wide when dropped, filled with the drum texts. 0 when it cannot be made.
    virtual int Create(const RECT& rect, CWnd* parent, UINT id);
    // Fills the list with the 128 texts in note order. The name is kept for
    // callers that name a map; the list is always the built-in one.
    void LoadDrumMap(const char* mapName);

    CWnd* GetBuddy() const { return m_pBuddy; }
    void SetBuddy(CWnd* buddy) { m_pBuddy = buddy; }

protected:
    // The buddy, else the parent: where notifications and context menus go.
    CWnd* Target() const;
    afx_msg void OnSelEndOk();
    afx_msg void OnContextMenu(CWnd* pWnd, CPoint pos);
    DECLARE_MESSAGE_MAP()

private:
    CWnd* m_pBuddy = nullptr;   // not owned
};

class MCNoteEdit : public MCSpinEdit {
    DECLARE_DYNAMIC(MCNoteEdit)
public:
    // The context menu and its commands, one per format.
    static constexpr UINT IDR_NOTE_MENU = 11610;
    static constexpr UINT ID_NOTE_NUMBERS = 11612;
    static constexpr UINT ID_NOTE_SHARPS = 11613;
    static constexpr UINT ID_NOTE_FLATS = 11614;
    static constexpr UINT ID_NOTE_DRUMS = 11615;

    // Format 0, note 60.
    MCNoteEdit() = default;
    ~MCNoteEdit() override;

    // Writes `note` in `format` into `text`: 1, or 0 (text untouched) for a
    // format other than 0-3. Format 3 writes the drum's name, or "Drum:  %d".
    static int FormatNoteString(std::string& text, int note, int format);
    // The note a text names: a number (limited to 0-127), or a letter A-G
    // with "#" or "b" and an octave (limited to -1..8); 0 for anything else.
    static int GetNoteFromString(const std::string& text);

    // Subclasses dialog control `id` as a spin edit with `flags`, then sets
    // the format. 0 when the control cannot be subclassed.
    virtual int SubclassNoteEdit(UINT id, CWnd* parent, int format, int flags);

    int GetNoteFormat() const { return m_nFormat; }
    // Formats 0-2 show the field and its arrows, 3 the drum list; the note
    // is written again.
    void SetNoteFormat(int format);

    // The note kept, whatever the text shows.
    int GetValue() override;
    // Keeps the note and shows it (also while indeterminate).
    void SetValue(int value) override;
    // The base's, and the drum list follows: no selection and disabled while
    // indeterminate, else the note's and enabled.
    void SetIndeterminate(int indeterminate) override;

    MCDrumsBox& GetDrumsBox() { return m_drums; }

protected:
    // The spin edit's preparation (with the range 0-127), then the drum list
    // over the field and its arrows, then the format.
    void InitWindow(int flags) override;
    // Keeps `value` and writes it, all selected.
    void OnSpin(int value) override;
    // Reads the note from the text (or the drum list), then MCNEN_CHANGE.
    void OnChange() override;

    // Writes the text, the arrows' position and the drum list's choice from the note.
    void UpdateFromNote();
    // Reads the note from the text (formats 0-2) or the drum list (format 3).
    void UpdateFromText();

    // The arrows' and the drum list's steps.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    afx_msg void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnKillFocus(CWnd* pNewWnd);
    afx_msg void OnContextMenu(CWnd* pWnd, CPoint pos);
    afx_msg void OnFormatCommand(UINT id);
    DECLARE_MESSAGE_MAP()

    MCDrumsBox m_drums;
    int m_nFormat = NOTEFMT_NUMBER;
    int m_nNote = 60;
};
