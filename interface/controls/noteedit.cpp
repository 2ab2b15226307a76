#include "interface/controls/noteedit.h"

#include "platform/core/resources.h"
#include "platform/ui/menu.h"
#include "platform/ui/uiresources.h"

#include <QChar>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <memory>

IMPLEMENT_DYNAMIC(MCDrumsBox, CComboBox)
IMPLEMENT_DYNAMIC(MCNoteEdit, MCSpinEdit)

namespace {

constexpr unsigned IDS_DRUM_NUMBER = 11616;
// The drum names are strings 39200 on: string id = note + 39173.
constexpr int kFirstNamedDrum = 27;
constexpr int kLastNamedDrum = 87;
constexpr unsigned kDrumNameOffset = 39173;

constexpr int kNoteCount = 128;
constexpr UINT kBackspace = 0x08;

// The list below the drum box's field, and its width when dropped.
constexpr int kDrumListDepth = 100;
constexpr int kDrumListWidth = 160;

STRING_TABLE({IDS_DRUM_NUMBER, "Drum:  %d"},
             {11617, "Input Error"},
             {11618, "Input must be a valid note from C-1 to G9 (0-127)"},
             {39200, "High Q"}, {39201, "Slap"}, {39202, "Scratch Push"}, {39203, "Scratch Pull"},
             {39204, "Sticks"}, {39205, "Square Click"}, {39206, "Metronome Click"},
             {39207, "Metronome Bell"}, {39208, "Kick 2"}, {39209, "Kick 1"}, {39210, "Side Stick"},
             {39211, "Snare Drum 1"}, {39212, "Hand Clap"}, {39213, "Snare Drum 2"}, {39214, "Low Tom 2"},
             {39215, "Closed Hi-Hat"}, {39216, "Low Tom 1"}, {39217, "Pedal Hi-Hat"}, {39218, "Mid Tom 2"},
             {39219, "Open Hi-Hat"}, {39220, "Mid Tom 1"}, {39221, "High Tom 2"}, {39222, "Crash Cymbal 1"},
             {39223, "High Tom 1"}, {39224, "Ride Cymbal"}, {39225, "Chinese Cymbal"}, {39226, "Ride Bell"},
             {39227, "Tambourine"}, {39228, "Splash Cymbal"}, {39229, "Cowbell"}, {39230, "Crash Cymbal 2"},
             {39231, "Vibra-slap"}, {39232, "Ride Cymbal 2"}, {39233, "High Bongo"}, {39234, "Low Bongo"},
             {39235, "Mute High Conga"}, {39236, "Open High Conga"}, {39237, "Low Conga"},
             {39238, "High Tambale"}, {39239, "Low Tambale"}, {39240, "High Agogo"}, {39241, "Low Agogo"},
             {39242, "Cabasa"}, {39243, "Maracas"}, {39244, "Short Hi Whistle"}, {39245, "Long Low Whistle"},
             {39246, "Short Guiro"}, {39247, "Long Guiro"}, {39248, "Claves"}, {39249, "High Wood Block"},
             {39250, "Low Wood Block"}, {39251, "Mute Cuica"}, {39252, "Open Cuica"}, {39253, "Mute Triangle"},
             {39254, "Open Triangle"}, {39255, "Shaker"}, {39256, "Jingle Bell"}, {39257, "Bell Tree"},
             {39258, "Castanets"}, {39259, "Mute Surdo"}, {39260, "Open Surdo"});

const MenuTemplate kNoteMenu = {{
    {MF_POPUP, 0, "Note", {
        {MF_STRING | MFT_RADIOCHECK, MCNoteEdit::ID_NOTE_NUMBERS, "&Note Numbers"},
        {MF_STRING | MFT_RADIOCHECK, MCNoteEdit::ID_NOTE_SHARPS, "Note Names (&Sharps)"},
        {MF_STRING | MFT_RADIOCHECK, MCNoteEdit::ID_NOTE_FLATS, "Note Names (&Flats)"},
        {MF_STRING | MFT_RADIOCHECK, MCNoteEdit::ID_NOTE_DRUMS, "&Drum Names"},
    }},
}};
MENU_RESOURCE(MCNoteEdit::IDR_NOTE_MENU, kNoteMenu);

// The format each menu command chooses, in command order from 11612.
constexpr int kMenuFormats[] = {NOTEFMT_NUMBER, NOTEFMT_SHARPS, NOTEFMT_FLATS, NOTEFMT_DRUMS};

// Letters by pitch class.
constexpr char kSharpLetters[] = "CCDDEFFGGAAB";
constexpr char kFlatLetters[] = "CDDEEFGGAABB";

bool IsBlackKey(int pitchClass) {
    return pitchClass == 1 || pitchClass == 3 || pitchClass == 6 || pitchClass == 8 || pitchClass == 10;
}

// The signed decimal number at `at` (0 when there is none); digits beyond an
// int's reach keep it at the int's end on its side.
long long NumberAt(const std::string& text, std::size_t at) {
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        negative = text[at++] == '-';
    long long value = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at)
        value = std::min<long long>(value * 10 + (text[at] - '0'), INT_MAX);
    return negative ? -value : value;
}

// The pitch class of a note letter; -1 for another character.
int LetterPitchClass(char letter) {
    switch (letter) {
    case 'C': return 0;
    case 'D': return 2;
    case 'E': return 4;
    case 'F': return 5;
    case 'G': return 7;
    case 'A': return 9;
    case 'B': return 11;
    default: return -1;
    }
}

}  // namespace

// ---- MCDrumsBox -------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(MCDrumsBox, CComboBox)
    ON_CONTROL_REFLECT(CBN_SELENDOK, &MCDrumsBox::OnSelEndOk)
    ON_WM_CONTEXTMENU()
END_MESSAGE_MAP()

int MCDrumsBox::Create(const RECT& rect, CWnd* parent, UINT id) {
    CRect list(rect);
    list.bottom += kDrumListDepth;
    const DWORD style = WS_CHILD | WS_GROUP | WS_TABSTOP | CBS_DROPDOWNLIST;
    if (!CComboBox::Create(style, list, parent, id))
        return 0;
    SetDroppedWidth(kDrumListWidth);
    LoadDrumMap(nullptr);
    return 1;
}

void MCDrumsBox::LoadDrumMap(const char* /*mapName*/) {
    ResetContent();
    std::string text;
    for (int note = 0; note < kNoteCount; ++note) {
        MCNoteEdit::FormatNoteString(text, note, NOTEFMT_DRUMS);
        AddString(text.c_str());
    }
}

CWnd* MCDrumsBox::Target() const {
    return m_pBuddy ? m_pBuddy : GetParent();
}

void MCDrumsBox::OnSelEndOk() {
    if (CWnd* target = Target(); target && target->m_hWnd)
        target->SendMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), MCDBN_CHANGE), reinterpret_cast<LPARAM>(m_hWnd));
}

void MCDrumsBox::OnContextMenu(CWnd* /*pWnd*/, CPoint pos) {
    if (CWnd* target = Target(); target && target->m_hWnd)
        target->SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(target->m_hWnd), MAKELPARAM(static_cast<WORD>(pos.x), static_cast<WORD>(pos.y)));
}

// ---- MCNoteEdit: texts ------------------------------------------------------------------

int MCNoteEdit::FormatNoteString(std::string& text, int note, int format) {
    char buffer[48];
    const int pitchClass = ((note % 12) + 12) % 12;
    const int octave = note / 12 - 1;
    switch (format) {
    case NOTEFMT_NUMBER:
        std::snprintf(buffer, sizeof buffer, "%d", note);
        break;
    case NOTEFMT_FLATS:
    case NOTEFMT_SHARPS: {
        const char letter = (format == NOTEFMT_SHARPS ? kSharpLetters : kFlatLetters)[pitchClass];
        if (!IsBlackKey(pitchClass))
            std::snprintf(buffer, sizeof buffer, "%c%d", letter, octave);
        else if (format == NOTEFMT_SHARPS)
            std::snprintf(buffer, sizeof buffer, "%c#%d", letter, octave);
        else
            std::snprintf(buffer, sizeof buffer, "%cb%d", letter, octave);
        break;
    }
    case NOTEFMT_DRUMS:
        if (note >= kFirstNamedDrum && note <= kLastNamedDrum) {
            text = LoadString(kDrumNameOffset + static_cast<unsigned>(note));
            return 1;
        }
        std::snprintf(buffer, sizeof buffer, LoadString(IDS_DRUM_NUMBER).c_str(), note);
        break;
    default:
        return 0;
    }
    text = buffer;
    return 1;
}

int MCNoteEdit::GetNoteFromString(const std::string& typed) {
    // 1. Without the spaces around it, in upper case.
    const auto first = typed.find_first_not_of(' ');
    if (first == std::string::npos)
        return 0;
    std::string text = typed.substr(first, typed.find_last_not_of(' ') - first + 1);
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    // 2. A number.
    if (std::isdigit(static_cast<unsigned char>(text[0])))
        return static_cast<int>(std::clamp<long long>(NumberAt(text, 0), 0, 127));

    // 3. A note name: letter, "#" or "B", octave.
    const int letter = LetterPitchClass(text[0]);
    if (text.size() < 2 || letter < 0)
        return 0;   // 4.
    int pitch = letter;
    std::size_t octaveAt = 1;
    if (text[1] == '#') {
        ++pitch;
        octaveAt = 2;
    } else if (text[1] == 'B') {
        --pitch;
        octaveAt = 2;
    }
    const long long octave = std::clamp<long long>(NumberAt(text, octaveAt), -1, 8);
    return static_cast<int>(std::clamp<long long>(pitch + (octave + 1) * 12, 0, 127));
}

// ---- MCNoteEdit: making -----------------------------------------------------------------

BEGIN_MESSAGE_MAP(MCNoteEdit, MCSpinEdit)
    ON_WM_CHAR()
    ON_WM_KILLFOCUS()
    ON_WM_CONTEXTMENU()
    ON_COMMAND_RANGE(MCNoteEdit::ID_NOTE_NUMBERS, MCNoteEdit::ID_NOTE_DRUMS, &MCNoteEdit::OnFormatCommand)
END_MESSAGE_MAP()

MCNoteEdit::~MCNoteEdit() {
    // The drum list names this field as its buddy: it goes first.
    if (m_drums.m_hWnd)
        m_drums.DestroyWindow();
}

int MCNoteEdit::SubclassNoteEdit(UINT id, CWnd* parent, int format, int flags) {
    if (!SubclassSpinEdit(id, parent, flags))
        return 0;
    SetNoteFormat(format);
    return 1;
}

void MCNoteEdit::InitWindow(int flags) {
    MCSpinEdit::InitWindow(flags);
    SetRange(0, 127);   // the arrows step notes

    // The drum list lies over the field and its arrows.
    CRect field;
    GetWindowRect(&field);
    CRect arrows;
    if (m_spin.m_hWnd)
        m_spin.GetWindowRect(&arrows);
    CWnd* parent = GetParent();
    CPoint topLeft = field.TopLeft();
    parent->ScreenToClient(&topLeft);
    const CRect place(topLeft.x, topLeft.y, topLeft.x + field.Width() + arrows.Width() - 2,
                      topLeft.y + field.Height() + arrows.Height() + 3);
    if (m_drums.m_hWnd)
        m_drums.DestroyWindow();   // an earlier call's
    if (m_drums.Create(place, parent, static_cast<UINT>(GetDlgCtrlID()))) {
        m_drums.SetBuddy(this);
        m_drums.EnableWindow(m_bIndeterminate ? FALSE : TRUE);
    }
    SetNoteFormat(m_nFormat);
}

// ---- MCNoteEdit: the note ---------------------------------------------------------------

void MCNoteEdit::SetNoteFormat(int format) {
    m_nFormat = format;
    if (!m_hWnd)
        return;
    const bool drums = format == NOTEFMT_DRUMS;
    if (m_drums.m_hWnd)
        m_drums.ShowWindow(drums ? SW_SHOW : SW_HIDE);
    ShowWindow(drums ? SW_HIDE : SW_SHOW);
    if (m_spin.m_hWnd) {
        m_spin.ShowWindow(drums ? SW_HIDE : SW_SHOW);
        m_spin.EnableWindow(drums || m_bIndeterminate ? FALSE : TRUE);
    }
    UpdateFromNote();
}

int MCNoteEdit::GetValue() {
    return m_nNote;
}

void MCNoteEdit::SetValue(int value) {
    m_nNote = value;
    if (!m_hWnd)
        return;
    UpdateFromNote();
    Invalidate(FALSE);
}

void MCNoteEdit::SetIndeterminate(int indeterminate) {
    MCSpinEdit::SetIndeterminate(indeterminate);
    if (!m_hWnd || !m_drums.m_hWnd)
        return;
    if (m_bIndeterminate) {
        m_drums.SetCurSel(-1);
        m_drums.EnableWindow(FALSE);
    } else {
        m_drums.SetCurSel(m_nNote);
        m_drums.EnableWindow(TRUE);
    }
}

void MCNoteEdit::UpdateFromNote() {
    std::string text;
    if (!m_bIndeterminate && m_nFormat != NOTEFMT_DRUMS)
        FormatNoteString(text, m_nNote, m_nFormat);
    if (m_spin.m_hWnd)
        m_spin.SetPos(m_nNote);
    if (m_drums.m_hWnd)
        m_drums.SetCurSel(m_nNote);
    SetWindowText(text.c_str());
}

void MCNoteEdit::UpdateFromText() {
    if (m_nFormat == NOTEFMT_DRUMS) {
        m_nNote = m_drums.GetCurSel();
        if (m_spin.m_hWnd)
            m_spin.SetPos(m_nNote);
        return;
    }
    std::string text;
    GetWindowText(text);
    m_nNote = GetNoteFromString(text);
    if (m_drums.m_hWnd)
        m_drums.SetCurSel(m_nNote);
    // The arrows step on from the note typed, not from the one before it.
    if (m_spin.m_hWnd)
        m_spin.SetPos(m_nNote);
}

void MCNoteEdit::OnSpin(int value) {
    m_nNote = value;
    UpdateFromNote();
    SetSel(0, -1);
}

void MCNoteEdit::OnChange() {
    UpdateFromText();
    if (CWnd* parent = GetParent())
        parent->SendMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), MCNEN_CHANGE), reinterpret_cast<LPARAM>(m_hWnd));
}

// ---- MCNoteEdit: input ------------------------------------------------------------------

BOOL MCNoteEdit::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT code = HIWORD(wParam);
    if (code == MCDBN_CHANGE && m_spin.m_hWnd)
        m_spin.SetPos(m_drums.GetCurSel());
    if (code == MCSPN_DELTAPOS || code == MCDBN_CHANGE) {
        OnSpin(LOWORD(static_cast<DWORD>(m_spin.GetPos())));
        OnChange();
        return TRUE;
    }
    return MCSpinEdit::OnCommand(wParam, lParam);
}

void MCNoteEdit::OnChar(UINT nChar, UINT /*nRepCnt*/, UINT /*nFlags*/) {
    if (nChar < 0x20 && nChar != kBackspace) {
        Default();   // Tab and the control keys: not ours
        return;
    }
    TypeNow(nChar);
    if (nChar > 0xFFFF || !QChar(static_cast<char16_t>(nChar)).isLetterOrNumber())
        return;   // "#" and the like only edit the text
    if (m_bIndeterminate) {
        SetIndeterminate(0);
        UpdateFromText();
        UpdateFromNote();
    }
    OnChange();
}

void MCNoteEdit::OnKillFocus(CWnd* pNewWnd) {
    MCSpinEdit::OnKillFocus(pNewWnd);
    UpdateFromText();
    SetValue(m_nNote);
}

void MCNoteEdit::OnContextMenu(CWnd* /*pWnd*/, CPoint pos) {
    std::unique_ptr<CMenu> menu = LoadMenu(IDR_NOTE_MENU);
    CMenu* popup = menu ? menu->GetSubMenu(0) : nullptr;
    if (!popup)
        return;
    for (UINT id = ID_NOTE_NUMBERS; id <= ID_NOTE_DRUMS; ++id)
        popup->CheckMenuItem(id, kMenuFormats[id - ID_NOTE_NUMBERS] == m_nFormat ? MF_CHECKED : MF_UNCHECKED);
    popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, pos.x, pos.y, this);
}

void MCNoteEdit::OnFormatCommand(UINT id) {
    SetNoteFormat(kMenuFormats[id - ID_NOTE_NUMBERS]);
}
