// Scripted modal loops for tests: what the user does in each dialog, queued
// beside CPromptScript's answers to the message boxes.
//
//     CDialogScript dialogs;      // installed until it goes out of scope
//     dialogs.Queue(IDD_GOTO, [](CWnd& dlg) {
//         CDialogScript::SetText(dlg, IDC_MEASURE, "12");
//         CDialogScript::Click(dlg, IDOK);
//     });
//     EXPECT_EQ(goTo.DoModal(), IDOK);
//
// While a script is installed, every modal loop (CDialog::DoModal,
// CPropertySheet::DoModal, the common dialogs, which have no template id and
// are queued for by class, and popup menus) runs no event loop: once its
// window is made and initialized (OnInitDialog done) the loop takes the first queued action meant for it, by template id or
// by class, and runs it on the window; it does so again while the window stays
// open and another action for it is queued. A loop still open when no action
// is left for it ends at once with Cancel (IDCANCEL, no choice), so a test
// never waits for a user.
//
// Actions run on the user-interface thread, inside the loop of their window;
// one may open another modal loop, which takes its own actions from the same
// queue. A popup menu takes a queued choice instead (QueueMenuChoice).
// Scripts nest: each restores the script it replaced.
#pragma once

#include "platform/ui/wnd.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

struct CRuntimeClass;

class CDialogScript {
public:
    using Action = std::function<void(CWnd& dialog)>;

    CDialogScript();
    ~CDialogScript();
    CDialogScript(const CDialogScript&) = delete;
    CDialogScript& operator=(const CDialogScript&) = delete;

    // The script installed now; null when none (the loops are real).
    static CDialogScript* GetActive();

    // Queues an action for the next loop of the dialog made from template
    // `nIDTemplate`, or of a window of class `pClass` (or derived from it).
    void Queue(UINT nIDTemplate, Action action);
    void Queue(const CRuntimeClass* pClass, Action action);
    // Actions still queued.
    size_t GetPending() const { return m_actions.size(); }
    // The windows whose loops ran, in order: the template id, or 0 for a
    // window without one.
    const std::vector<UINT>& GetShown() const { return m_shown; }

    // Popup menus (CMenu::TrackPopupMenu): each takes the first queued
    // choice, the command id of one of its items; with none queued it chooses
    // nothing. Choices are kept apart from the dialogs' actions.
    void QueueMenuChoice(UINT nID) { m_menuChoices.push_back(nID); }
    // Takes the next queued choice; 0 when none is left.
    UINT TakeMenuChoice();
    size_t GetPendingMenuChoices() const { return m_menuChoices.size(); }

    // Runs the loop of `dialog` (see above): `isOpen` tells whether the loop
    // still runs, `cancel` presses Cancel; a loop that stays open after that
    // is the caller's to end.
    void Drive(CWnd& dialog, UINT nIDTemplate, const std::function<bool()>& isOpen,
               const std::function<void()>& cancel);

    // What actions do, as a user would: type a control's text (an editable
    // combo box's field; GetText reads a combo box's current text), click a button
    // (which must be enabled), set a check box's or radio button's check, choose
    // an entry of a list.
    static void SetText(CWnd& dialog, int nID, const std::string& text);
    static std::string GetText(CWnd& dialog, int nID);
    static void Click(CWnd& dialog, int nID);
    // Chooses entry `index` of a combo box or list as the user does, with the
    // notifications a user's choice brings.
    static void Choose(CWnd& dialog, int nID, int index);

private:
    struct Queued {
        UINT nIDTemplate = 0;                   // 0: by class
        const CRuntimeClass* pClass = nullptr;  // null: by id
        Action action;
    };

    std::deque<Queued> m_actions;
    std::vector<UINT> m_shown;
    std::deque<UINT> m_menuChoices;
    CDialogScript* m_previous;   // borrowed: restored at the end
};
