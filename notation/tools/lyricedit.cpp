// CLyricEdit (see lyricedit.h).
#include "notation/tools/lyricedit.h"

#include "model/preferences.h"
#include "notation/tools/lyriccursor.h"
#include "notation/view/cantrel.h"
#include "platform/gdi/font.h"
#include "platform/ui/cursor.h"
#include "platform/ui/keys.h"

namespace {

// The lyric font's preference and what it is without one.
constexpr char kFontSection[] = "Settings\\Font";
constexpr char kFontKey[] = "Lyric Font";
constexpr char kFontFace[] = "Arial";
constexpr int kFontHeight = -12;

}  // namespace

BEGIN_MESSAGE_MAP(CLyricEdit, CEdit)
    ON_WM_SETCURSOR()
END_MESSAGE_MAP()

CLyricEdit::CLyricEdit(CCantrel* view, CLyricCursor* tool) : m_pView(view), m_pTool(tool) {}

CLyricEdit::~CLyricEdit() {
    DestroyWindow();   // before the font it borrows goes
}

BOOL CLyricEdit::Create() {
    m_pFont = LoadFontPreference(kFontSection, kFontKey, kFontFace, kFontHeight, 0, 0, 0);
    // Single line, scrolling by itself no further than its box.
    if (!CEdit::Create(WS_CHILD | WS_BORDER, CRect(0, 0, 0, 0), m_pView, ID_LYRIC_EDIT))
        return FALSE;
    SetFont(m_pFont.get(), TRUE);
    return TRUE;
}

BOOL CLyricEdit::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_KEYDOWN) {
        int mode = -1;
        switch (pMsg->wParam) {
        case VK_TAB:
            mode = GetKeyState(VK_SHIFT) < 0 ? CLyricCursor::END_PREVIOUS : CLyricCursor::END_NEXT;
            break;
        case VK_RETURN:
            mode = CLyricCursor::END_STORE;
            break;
        case VK_ESCAPE:
            mode = CLyricCursor::END_DISCARD;
            break;
        case VK_SPACE:
        case VK_INSERT:
            mode = CLyricCursor::END_NEXT;
            break;
        default:
            break;
        }
        if (mode >= 0) {
            // May delete this box.
            m_pTool->EndEditing(mode);
            return TRUE;
        }
    }
    return CEdit::PreTranslateMessage(pMsg);
}

BOOL CLyricEdit::OnSetCursor(CWnd* /*pWnd*/, UINT /*nHitTest*/, UINT /*message*/) {
    ::SetCursor(LoadStandardCursor(IDC_IBEAM));
    return TRUE;
}
