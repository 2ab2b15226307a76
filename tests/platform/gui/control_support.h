// The parent window of the control tests: a top-level window that notes every
// notification its controls send (WM_COMMAND, WM_NOTIFY, the scroll
// messages) and can answer WM_NOTIFY with a chosen result.
#pragma once

#include "platform/ui/msgmap.h"
#include "platform/ui/wnd.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace control_test {

struct Note {
    UINT message = 0;   // WM_COMMAND, WM_NOTIFY, WM_HSCROLL or WM_VSCROLL
    UINT id = 0;        // the control's id (0 for the scroll messages)
    UINT code = 0;      // the notification or scroll code
    int position = 0;   // a scroll message's position
    bool operator==(const Note&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Note& note) {
    return out << "{" << note.message << ", " << note.id << ", " << static_cast<int>(note.code) << ", " << note.position
               << "}";
}

class CNotedParent : public CWnd {
public:
    CNotedParent() { EXPECT_TRUE(Create(nullptr, "Parent", WS_VISIBLE, CRect(0, 0, 400, 300), nullptr, 0)); }

    std::vector<Note> notes;
    // Answers WM_NOTIFY (after noting it); unset answers 0.
    std::function<LRESULT(NMHDR*)> answer;
    // Called for each scroll message (after noting it), as a parent acting on it.
    std::function<void(UINT code, int position)> onScroll;

    // The notes of one message, or of one message and code.
    std::vector<Note> Of(UINT message) const {
        std::vector<Note> found;
        for (const Note& note : notes)
            if (note.message == message)
                found.push_back(note);
        return found;
    }
    std::size_t Count(UINT message, UINT code) const {
        std::size_t count = 0;
        for (const Note& note : notes)
            count += note.message == message && note.code == code;
        return count;
    }

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        notes.push_back({WM_COMMAND, LOWORD(wParam), HIWORD(wParam), 0});
        return CWnd::OnCommand(wParam, lParam);
    }
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        notes.push_back({WM_NOTIFY, static_cast<UINT>(header->idFrom), header->code, 0});
        if (answer) {
            *pResult = answer(header);
            return TRUE;
        }
        return CWnd::OnNotify(wParam, lParam, pResult);
    }
    afx_msg LRESULT OnHScroll(WPARAM wParam, LPARAM) {
        notes.push_back({WM_HSCROLL, 0, LOWORD(wParam), static_cast<SHORT>(HIWORD(wParam))});
        if (onScroll)
            onScroll(LOWORD(wParam), static_cast<SHORT>(HIWORD(wParam)));
        return 0;
    }
    afx_msg LRESULT OnVScroll(WPARAM wParam, LPARAM) {
        notes.push_back({WM_VSCROLL, 0, LOWORD(wParam), static_cast<SHORT>(HIWORD(wParam))});
        if (onScroll)
            onScroll(LOWORD(wParam), static_cast<SHORT>(HIWORD(wParam)));
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

}  // namespace control_test
