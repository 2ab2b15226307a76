// MCSpinEdit: the integer field of dialogs and pages. An edit with an arrow
// control (MCSpin) at its right: it lets through only the keys of a number,
// keeps the arrows' position in step with its text and tells its parent of
// every change with MCSEN_CHANGE. The time edit and the note edit derive from
// it and replace GetValue, SetValue, OnSpin and OnChange.
//
// The value is the arrow control's position, kept in 16 bits: GetValue reads
// its low word and takes 0x10000 off a word above the range's upper end, so a
// negative range reads back as it was set. A typed number outside the range
// counts as the nearer end (its text stays as typed, so the user may go on
// typing); one too long for an int counts as the int's end on its side.
//
// An indeterminate field (several differing values selected) shows no text,
// its arrows disabled, and ignores SetValue until the user types into it.
//
// MCSpin: the arrow control, a sibling of the field with the field's id and
// the field as its buddy. With a buddy it moves itself: by the change of each
// step, wrapping round at the ends when asked to, else refusing a step that
// would leave the range; then it sends the buddy WM_COMMAND with
// MCSPN_DELTAPOS. A held arrow speeds up after 2 and 3 seconds (1, 2, 10).
//
// Notifications are WM_COMMAND with MAKEWPARAM (control id, code) and the
// sender's handle as lParam. Ownership: the arrow control and the field's own
// font are the field's; the default GUI font is the platform's.
// User-interface thread only.
#pragma once

#include "platform/gdi/font.h"
#include "platform/ui/edit.h"
#include "platform/ui/spin.h"

#include <memory>

// The arrows have moved (MCSpin to its buddy).
inline constexpr UINT MCSPN_DELTAPOS = 0x3120;
// The value has changed, typed or spun (MCSpinEdit to its parent).
inline constexpr UINT MCSEN_CHANGE = 0x3130;

class MCSpin : public CSpinButtonCtrl {
    DECLARE_DYNAMIC(MCSpin)
public:
    MCSpin() = default;

    // Non-zero when a step past one end goes to the other.
    int IsWrapAround() const { return m_nFlags & kWrapAround; }
    // Keeps only the lowest bit of `wrap`.
    void SetWrapAround(int wrap) { m_nFlags = (m_nFlags & ~kWrapAround) | (wrap & kWrapAround); }

protected:
    // The reflected UDN_DELTAPOS: with a buddy, the step is this control's own.
    afx_msg void OnDeltaPos(NMHDR* header, LRESULT* result);
    DECLARE_MESSAGE_MAP()

private:
    static constexpr int kWrapAround = 1;
    int m_nFlags = 0;
};

class MCSpinEdit : public CEdit {
    DECLARE_DYNAMIC(MCSpinEdit)
public:
    // Initialisation flags of Create, SubclassSpinEdit and InitWindow.
    enum : int {
        SPIN_ALIGN_RIGHT = 1,   // the arrows at the field's right edge, shown
        SPIN_WRAP = 2,          // the arrows wrap round at the ends of the range
        SPIN_OWN_FONT = 4,      // a font of the field's own, scaled to its height
    };

    MCSpinEdit() = default;
    ~MCSpinEdit() override;

    using CEdit::Create;
    // Creates the field, then InitWindow (flags). 0 when the field cannot be made.
    virtual int Create(DWORD style, const RECT& rect, CWnd* parent, UINT id, int flags);
    // Takes over the parent's control `id`, then InitWindow (flags). 0 when it cannot.
    virtual int SubclassSpinEdit(UINT id, CWnd* parent, int flags);

    virtual int GetIndeterminate();
    virtual void SetIndeterminate(int indeterminate);
    virtual int GetValue();
    // Ignored while indeterminate; else the position's low 16 bits, shown by OnSpin.
    virtual void SetValue(int value);
    // The arrows' range, each end a signed 16-bit number.
    virtual void GetRange(int& lower, int& upper);
    virtual void SetRange(int lower, int upper);

    // The arrow control (a window once InitWindow has run).
    MCSpin& GetSpin() { return m_spin; }

protected:
    // Makes the arrow control and gives the field its font and formatting rectangle.
    virtual void InitWindow(int flags);
    // Shows `value` as the field's whole text, selected.
    virtual void OnSpin(int value);
    // Takes the typed text as the value and tells the parent (MCSEN_CHANGE).
    virtual void OnChange();

    // MCSPN_DELTAPOS from the arrows: OnSpin (GetValue), then OnChange.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    // The key filter.
    afx_msg void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    // The first click into the field selects all its text.
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    DECLARE_MESSAGE_MAP()

    // Puts a typed character (or Backspace) into the text at once, so that
    // the handler of the key reads the text with it.
    void TypeNow(UINT nChar);

    BYTE m_bIndeterminate = 0;
    MCSpin m_spin;
    std::unique_ptr<CFont> m_pFont;   // owned; null while the field shows the default GUI font
};
