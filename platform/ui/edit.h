// CEdit: a field of text, over QLineEdit (one line) or QPlainTextEdit
// (ES_MULTILINE).
//
// The field's operations are messages (EM_SETSEL, EM_REPLACESEL ...) sent to
// the field's own window, so a class derived from CEdit may take or refuse
// them in its message map like any other message (a handler that swallows
// EM_SETSEL keeps the selection as it is); what reaches DefWindowProc acts on
// the widget. Positions count characters (UTF-16 units) from 0; -1 as the end
// of a selection means the end of the text.
//
// The parent hears of the field with WM_COMMAND and the field's handle:
// EN_CHANGE after every change of the text, typed or set (WM_SETTEXT sends
// it too, even for the same text), EN_SETFOCUS and EN_KILLFOCUS.
//
// A field that takes the focus by Tab or a shortcut is asked to select its
// whole text with EM_SETSEL (0, -1), as a dialog asks it (the toolkit does
// not select by itself), so a field that keeps its own selection refuses
// both alike.
//
// A multi-line field takes its text with "\r\n" or "\n" line ends and gives
// it back with "\r\n" (GetWindowText); within the field a line end counts as
// one character.
//
// The formatting rectangle (SetRect) is where the text lies in the client
// area; here it becomes the text's margins. HideCaret and ShowCaret are
// counted: the caret shows again after as many ShowCaret as HideCaret (a
// ShowCaret with the caret shown does nothing). The count ends with the
// focus: a field that loses it shows its caret again at the next focus.
// User-interface thread only.
#pragma once

#include "platform/ui/msgmap.h"
#include "platform/ui/wnd.h"

class CFont;

// Edit styles.
inline constexpr DWORD ES_LEFT = 0x0000;
inline constexpr DWORD ES_CENTER = 0x0001;
inline constexpr DWORD ES_RIGHT = 0x0002;
inline constexpr DWORD ES_MULTILINE = 0x0004;
inline constexpr DWORD ES_UPPERCASE = 0x0008;
inline constexpr DWORD ES_LOWERCASE = 0x0010;
inline constexpr DWORD ES_PASSWORD = 0x0020;
inline constexpr DWORD ES_AUTOVSCROLL = 0x0040;
inline constexpr DWORD ES_AUTOHSCROLL = 0x0080;
inline constexpr DWORD ES_NOHIDESEL = 0x0100;
inline constexpr DWORD ES_READONLY = 0x0800;
inline constexpr DWORD ES_WANTRETURN = 0x1000;
inline constexpr DWORD ES_NUMBER = 0x2000;

// Edit notifications (WM_COMMAND's high word).
enum : UINT {
    EN_SETFOCUS = 0x0100,
    EN_KILLFOCUS = 0x0200,
    EN_CHANGE = 0x0300,
};

// Edit messages (EM_GETSEL and EM_SETSEL are in messages.h).
enum : UINT {
    EM_GETRECT = 0x00B2,         // lParam: RECT*
    EM_SETRECT = 0x00B3,         // lParam: const RECT*, or 0 for the whole client area
    EM_SETRECTNP = 0x00B4,
    EM_SCROLLCARET = 0x00B7,
    EM_GETMODIFY = 0x00B8,
    EM_SETMODIFY = 0x00B9,       // wParam: modified
    EM_GETLINECOUNT = 0x00BA,
    EM_REPLACESEL = 0x00C2,      // lParam: const char* (UTF-8)
    EM_LIMITTEXT = 0x00C5,       // wParam: the most characters, 0 for no practical limit
    EM_CANUNDO = 0x00C6,
    EM_UNDO = 0x00C7,
    EM_SETREADONLY = 0x00CF,     // wParam: read-only
    EM_GETLIMITTEXT = 0x00D5,
    EM_CHARFROMPOS = 0x00D7,     // lParam: client (x, y); answers MAKELONG(character, line)
    WM_CUT = 0x0300,
    WM_COPY = 0x0301,
    WM_PASTE = 0x0302,
    WM_CLEAR = 0x0303,
};

#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)

class CEdit : public CWnd {
    DECLARE_DYNAMIC(CEdit)
public:
    CEdit() = default;

    // The field at `rect` in the parent (WS_CHILD is implied).
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    // ---- selection and text (by message) ---------------------------------------------------
    void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE);
    void SetSel(DWORD dwSelection, BOOL bNoScroll = FALSE);
    DWORD GetSel() const;
    void GetSel(int& nStartChar, int& nEndChar) const;
    void ReplaceSel(const char* lpszNewText, BOOL bCanUndo = FALSE);
    void LimitText(int nChars = 0);
    void SetLimitText(UINT nMax) { LimitText(static_cast<int>(nMax)); }
    UINT GetLimitText() const;
    BOOL SetReadOnly(BOOL bReadOnly = TRUE);
    BOOL GetModify() const;
    void SetModify(BOOL bModified = TRUE);
    int GetLineCount() const;
    // The character nearest the point in the low word, its line in the high word.
    int CharFromPos(CPoint pt) const;
    BOOL CanUndo() const;
    BOOL Undo();
    void Cut();
    void Copy();
    void Paste();
    void Clear();

    // ---- the formatting rectangle ----------------------------------------------------------
    void SetRect(const RECT* lpRect);
    void SetRectNP(const RECT* lpRect);
    void GetRect(RECT* lpRect) const;

    // ---- font (editfont.cpp) ---------------------------------------------------------------
    // The font the text shows in. The field borrows it: the font must outlive
    // the field, or be replaced first. GetFont answers the font last set, null
    // while the field shows the toolkit's own.
    void SetFont(CFont* pFont, BOOL bRedraw = TRUE);
    CFont* GetFont() const;

    // ---- caret ----------------------------------------------------------------------------
    void HideCaret();
    void ShowCaret();

protected:
    QWidget* CreateWidget(QWidget* parent, DWORD dwStyle) override;
    // The field's messages, and WM_SETTEXT, WM_GETTEXT and the focus news.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    int m_nCaretHidden = 0;   // HideCaret calls not yet undone by ShowCaret
    CRect m_formatRect;       // the formatting rectangle, when set
    bool m_bFormatRect = false;
};
