#include "platform/ui/keys.h"

#include <Qt>

#include <array>

namespace {

// Down and toggle, by virtual key.
struct KeyStates {
    std::array<bool, 256> down{};
    std::array<bool, 256> toggled{};
};

KeyStates& States() {
    static KeyStates states;
    return states;
}

// Shifted symbols of a US keyboard and the keys they lie on.
struct SymbolKey {
    int qtKey;
    UINT virtualKey;
};
constexpr SymbolKey kSymbols[] = {
    {Qt::Key_Exclam, '1'},          {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'},      {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},         {Qt::Key_AsciiCircum, '6'},
    {Qt::Key_Ampersand, '7'},       {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},       {Qt::Key_ParenRight, '0'},
    {Qt::Key_Semicolon, VK_OEM_1},  {Qt::Key_Colon, VK_OEM_1},
    {Qt::Key_Equal, VK_OEM_PLUS},   {Qt::Key_Plus, VK_OEM_PLUS},
    {Qt::Key_Comma, VK_OEM_COMMA},  {Qt::Key_Less, VK_OEM_COMMA},
    {Qt::Key_Minus, VK_OEM_MINUS},  {Qt::Key_Underscore, VK_OEM_MINUS},
    {Qt::Key_Period, VK_OEM_PERIOD}, {Qt::Key_Greater, VK_OEM_PERIOD},
    {Qt::Key_Slash, VK_OEM_2},      {Qt::Key_Question, VK_OEM_2},
    {Qt::Key_QuoteLeft, VK_OEM_3},  {Qt::Key_AsciiTilde, VK_OEM_3},
    {Qt::Key_BracketLeft, VK_OEM_4}, {Qt::Key_BraceLeft, VK_OEM_4},
    {Qt::Key_Backslash, VK_OEM_5},  {Qt::Key_Bar, VK_OEM_5},
    {Qt::Key_BracketRight, VK_OEM_6}, {Qt::Key_BraceRight, VK_OEM_6},
    {Qt::Key_Apostrophe, VK_OEM_7}, {Qt::Key_QuoteDbl, VK_OEM_7},
};

constexpr SymbolKey kNamedKeys[] = {
    {Qt::Key_Backspace, VK_BACK},  {Qt::Key_Tab, VK_TAB},         {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Clear, VK_CLEAR},     {Qt::Key_Return, VK_RETURN},   {Qt::Key_Enter, VK_RETURN},
    {Qt::Key_Shift, VK_SHIFT},     {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Alt, VK_MENU},
    {Qt::Key_AltGr, VK_MENU},      {Qt::Key_Pause, VK_PAUSE},     {Qt::Key_CapsLock, VK_CAPITAL},
    {Qt::Key_Escape, VK_ESCAPE},   {Qt::Key_Space, VK_SPACE},     {Qt::Key_PageUp, VK_PRIOR},
    {Qt::Key_PageDown, VK_NEXT},   {Qt::Key_End, VK_END},         {Qt::Key_Home, VK_HOME},
    {Qt::Key_Left, VK_LEFT},       {Qt::Key_Up, VK_UP},           {Qt::Key_Right, VK_RIGHT},
    {Qt::Key_Down, VK_DOWN},       {Qt::Key_Select, VK_SELECT},   {Qt::Key_Print, VK_SNAPSHOT},
    {Qt::Key_Insert, VK_INSERT},   {Qt::Key_Delete, VK_DELETE},   {Qt::Key_Help, VK_HELP},
    {Qt::Key_Meta, VK_LWIN},       {Qt::Key_Menu, VK_APPS},       {Qt::Key_NumLock, VK_NUMLOCK},
    {Qt::Key_ScrollLock, VK_SCROLL}, {Qt::Key_Cancel, VK_CANCEL},
};

UINT Find(const SymbolKey* table, std::size_t count, int qtKey) {
    for (std::size_t i = 0; i < count; ++i)
        if (table[i].qtKey == qtKey)
            return table[i].virtualKey;
    return 0;
}

UINT KeypadKey(int qtKey) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return VK_NUMPAD0 + static_cast<UINT>(qtKey - Qt::Key_0);
    switch (qtKey) {
    case Qt::Key_Asterisk: return VK_MULTIPLY;
    case Qt::Key_Plus: return VK_ADD;
    case Qt::Key_Minus: return VK_SUBTRACT;
    case Qt::Key_Period:
    case Qt::Key_Comma: return VK_DECIMAL;
    case Qt::Key_Slash: return VK_DIVIDE;
    default: return 0;   // the pad's other keys are the keys they stand for
    }
}

}  // namespace

UINT VirtualKeyFromQt(int qtKey, bool keypad) {
    if (keypad) {
        if (UINT code = KeypadKey(qtKey))
            return code;
    }
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return static_cast<UINT>(qtKey);   // the same codes: the upper-case characters
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return VK_F1 + static_cast<UINT>(qtKey - Qt::Key_F1);
    if (UINT code = Find(kNamedKeys, std::size(kNamedKeys), qtKey))
        return code;
    return Find(kSymbols, std::size(kSymbols), qtKey);
}

SHORT GetKeyState(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255)
        return 0;
    const KeyStates& states = States();
    int state = states.toggled[virtualKey] ? 1 : 0;
    if (states.down[virtualKey])
        state |= 0x8000;
    return static_cast<SHORT>(state);
}

namespace platform_detail {

void NoteKey(UINT virtualKey, bool down, bool autoRepeat) {
    if (virtualKey == 0 || virtualKey > 255)
        return;
    KeyStates& states = States();
    if (down && !autoRepeat && virtualKey == VK_SCROLL)
        states.toggled[virtualKey] = !states.toggled[virtualKey];
    states.down[virtualKey] = down;
}

void NoteModifiers(bool shift, bool control, bool alt) {
    KeyStates& states = States();
    states.down[VK_SHIFT] = shift;
    states.down[VK_CONTROL] = control;
    states.down[VK_MENU] = alt;
}

void NoteMouseButtons(bool left, bool right, bool middle) {
    KeyStates& states = States();
    states.down[VK_LBUTTON] = left;
    states.down[VK_RBUTTON] = right;
    states.down[VK_MBUTTON] = middle;
}

}  // namespace platform_detail
