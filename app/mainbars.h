// The main frame's File, Music Edit and Transport bars: MCDialogBars whose
// buttons are MCButton2 picture buttons with faces from the button library
// named under "Resources"/"Buttons" (the frame chooses it from the button-face
// brightness). A missing library leaves the buttons without faces; the bars
// work all the same.
//
// The Music Edit bar shows the edit mode and the tool windows' visibility; the
// Transport bar shows the active document's transport state and swaps
// Previous/Next for Rewind/Forward while playing. Each follows the states the
// frame routes to it through OnUpdate. User-interface thread only.
#pragma once

#include "interface/controls/button2.h"
#include "interface/controls/dialogbar.h"

#include <array>

class CObject;
class CFrameWnd;

// The bars' dialog (and caption string) ids.
inline constexpr UINT IDD_FILEBAR = 656;
inline constexpr UINT IDD_MUSICEDITBAR = 896;
inline constexpr UINT IDD_TRANSPORTBAR = 768;

// The buttons' command ids.
inline constexpr UINT ID_MODE_SELECT_BUTTON = 901;
inline constexpr UINT ID_MODE_EDIT_BUTTON = 902;
inline constexpr UINT ID_MODE_ERASE_BUTTON = 903;
inline constexpr UINT ID_TOOL_PALETTE_BUTTON = 912;
inline constexpr UINT ID_TOOL_MIXER_BUTTON = 913;
inline constexpr UINT ID_TOOL_INSPECTOR_BUTTON = 914;
inline constexpr UINT ID_TRANSPORT_STEP = 773;
inline constexpr UINT ID_TRANSPORT_RECORD = 774;
inline constexpr UINT ID_TRANSPORT_PAUSE = 775;
inline constexpr UINT ID_TRANSPORT_STOP = 776;
inline constexpr UINT ID_TRANSPORT_PLAY = 777;
inline constexpr UINT ID_TRANSPORT_PREVIOUS = 778;
inline constexpr UINT ID_TRANSPORT_NEXT = 779;
inline constexpr UINT ID_TRANSPORT_REWIND = 780;
inline constexpr UINT ID_TRANSPORT_FORWARD = 781;

// The active document's last transport state: its code, the state in `state`;
// 3300 and null without an active document. The Transport and status bars
// re-show it when a document is made, opened or activated.
long GetActiveTransportState(CObject*& state);

// The faces are the button library's bitmaps named by each control's prefix and
// the state number: "New", "Open", "Save", "Print"; "Select", "Insert",
// "Erase", "Palette", "Mixer", "Properties"; "Step", "Record", "Pause", "Stop",
// "Play", "Previous", "Next", "Rewind", "Forward" (e.g. "Play0", "Play1").
class CFileBar : public MCDialogBar {
    DECLARE_DYNAMIC(CFileBar)
public:
    CFileBar();
    // Makes the bar on `frame` from dialog 656; 0 when that fails.
    virtual int CreateBar(CFrameWnd* frame);
    void InitBar() override;
    MCButton2& GetButton(int index) { return m_buttons[index]; }

private:
    std::array<MCButton2, 4> m_buttons;   // New, Open, Save, Print
};

class CMusicEditBar : public MCDialogBar {
    DECLARE_DYNAMIC(CMusicEditBar)
public:
    CMusicEditBar();
    virtual int CreateBar(CFrameWnd* frame);
    void InitBar() override;
    // The latched state of tool button 912 + index (0 palette, 1 mixer, 2 inspector).
    virtual int GetToolButtonState(int index);
    // Sets it; the old state.
    virtual int SetToolButtonState(int index, int state);
    // 1300, 1301, 1704 re-show SCMode's mode; 1500, 1501, 1503 show that mode.
    virtual void OnUpdate(long code, CObject* state);

    // 1500, 1501 or 1503.
    int GetMode() const { return m_nMode; }
    MCButton2& GetModeButton(int index) { return m_modes[index]; }
    MCButton2& GetToolButton(int index) { return m_tools[index]; }

private:
    std::array<MCButton2, 3> m_modes;     // Select, Edit, Erase
    std::array<MCButton2, 3> m_tools;     // palette, mixer, inspector
    int m_nMode = 1500;
};

class CTransportBar : public MCDialogBar {
    DECLARE_DYNAMIC(CTransportBar)
public:
    CTransportBar();
    virtual int CreateBar(CFrameWnd* frame);
    void InitBar() override;
    // 1300, 1301, 1704 re-show the active document's transport state; the
    // transport codes set the buttons and the layout.
    virtual void OnUpdate(long code, CObject* state);
    // 0: Previous and Next shown; 1: Rewind and Forward in their places.
    void SetPlayLayout(int layout);

    int GetPlayLayout() const { return m_nPlayLayout; }
    bool IsPaused() const { return m_bPaused; }
    bool IsFastForward() const { return m_bFastForward; }
    // The button of command `id` (773-781).
    MCButton2& GetButton(UINT id) { return m_buttons[id - ID_TRANSPORT_STEP]; }

private:
    std::array<MCButton2, 9> m_buttons;   // 773 ... 781
    int m_nPlayLayout = 0;
    bool m_bPaused = false;
    bool m_bFastForward = false;
};
