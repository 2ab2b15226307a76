// CLyricEdit: the lyric tool's edit box, a hidden child field of the
// notation view in the lyric font ("Settings\Font" "Lyric Font", Arial
// -12 without a preference). The lyric tool places it on the note being
// edited and reads its text when the note is left.
//
// Five keys are the tool's, taken before the field sees them (so no
// character follows them): Tab (Shift+Tab) to the next (previous) note,
// Space and Insert to the next, Enter to close, Escape to close without
// storing. Over the box the pointer is the I-beam.
//
// Owned by the lyric tool; its font is its own. A key handled here may end
// the editing, which deletes the box: nothing of it is touched after that.
// UI thread only.
#pragma once

#include "platform/ui/edit.h"

#include <memory>

class CCantrel;
class CFont;
class CLyricCursor;

class CLyricEdit : public CEdit {
public:
    // The control id of the box in the view.
    static constexpr UINT ID_LYRIC_EDIT = 100;

    // The view and the tool are borrowed, never null.
    CLyricEdit(CCantrel* view, CLyricCursor* tool);
    ~CLyricEdit() override;

    // The hidden field in the view, at an empty rectangle, in the lyric font.
    BOOL Create();

    // The tool's keys (WM_KEYDOWN only): taken, and handed to the tool.
    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    DECLARE_MESSAGE_MAP()

private:
    CCantrel* m_pView;
    CLyricCursor* m_pTool;
    std::unique_ptr<CFont> m_pFont;   // owned; the field borrows it
};
