#include "interface/controls/audition.h"

#include "interface/controls/ddx.h"
#include "model/preferences.h"
#include "platform/core/resources.h"
#include "platform/ui/ddx.h"
#include "platform/ui/scrollctrl.h"

#include <QWidget>


IMPLEMENT_DYNAMIC(MCAuditionWnd, CDialog)

namespace {

constexpr const char* kSection = "Settings\\Keyboard";
constexpr int kHighestMidiValue = 127;
constexpr int kPianoLowNote = 21;    // the piano's A0
constexpr int kPianoHighNote = 108;  // and its C8
// The compact window ends this far below the keyboard.
constexpr int kCompactMargin = 10;

using Kind = DialogControlKind;

const DialogTemplate kAuditionTemplate = {"Audition Instrument", {
    {-1, Kind::Static, "&Device", {7, 9, 26, 8}},
    {MCAuditionWnd::IDC_DEVICE, Kind::Combo, "", {34, 7, 110, 80}, CBS_DROPDOWNLIST},
    {-1, Kind::Static, "&Chan", {150, 9, 20, 8}},
    {MCAuditionWnd::IDC_CHANNEL, Kind::Edit, "", {172, 7, 30, 12}},
    {MCAuditionWnd::IDC_ADVANCED, Kind::Push, "&Advanced <<", {210, 6, 56, 14}},
    {IDOK, Kind::Push, "Close", {270, 6, 40, 14}, BS_DEFPUSHBUTTON},
    {MCAuditionWnd::IDC_KEYBOARD, Kind::Push, "", {7, 26, 303, 50}, BS_OWNERDRAW},
    {-1, Kind::Static, "&Velocity", {7, 88, 32, 8}},
    {MCAuditionWnd::IDC_VELOCITY, Kind::Slider, "", {40, 86, 100, 14}},
    {MCAuditionWnd::IDC_VELOCITY_TEXT, Kind::Static, "127", {142, 88, 16, 8}},
    {-1, Kind::Static, "&Low note:", {165, 88, 34, 8}},
    {MCAuditionWnd::IDC_LOW_NOTE, Kind::Edit, "", {200, 86, 30, 12}},
    {-1, Kind::Static, "&High note:", {235, 88, 36, 8}},
    {MCAuditionWnd::IDC_HIGH_NOTE, Kind::Edit, "", {272, 86, 30, 12}},
    {MCAuditionWnd::IDC_UPDATE, Kind::Push, "&Update", {260, 104, 50, 14}},
}, {317, 124}};
DIALOG_RESOURCE(MCAuditionWnd::IDD, kAuditionTemplate);

STRING_TABLE({MCAuditionWnd::IDS_ADVANCED_SHOW, "&Advanced >>"},
             {MCAuditionWnd::IDS_ADVANCED_HIDE, "&Advanced <<"});

// The controls the advanced view shows.
constexpr UINT kAdvancedControls[] = {MCAuditionWnd::IDC_VELOCITY, MCAuditionWnd::IDC_LOW_NOTE,
                                      MCAuditionWnd::IDC_HIGH_NOTE, MCAuditionWnd::IDC_UPDATE};

}  // namespace

// ---- MCAuditionWnd ----------------------------------------------------------------------

BEGIN_MESSAGE_MAP(MCAuditionWnd, CDialog)
    ON_BN_CLICKED(MCAuditionWnd::IDC_UPDATE, &MCAuditionWnd::OnUpdate)
    ON_BN_CLICKED(MCAuditionWnd::IDC_ADVANCED, &MCAuditionWnd::OnAdvanced)
    ON_MESSAGE(WM_HSCROLL, &MCAuditionWnd::OnHScroll)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

MCAuditionWnd::MCAuditionWnd(CWnd* parent) : CDialog(IDD, parent) {}

MCAuditionWnd::~MCAuditionWnd() = default;

void MCAuditionWnd::SetDevChan(int device, int channel) {
    m_nDevice = device;
    m_nChannel = channel + 1;
}

BOOL MCAuditionWnd::OnInitDialog() {
    CDialog::OnInitDialog();   // loads nothing yet: not ready

    // 1. The two sizes: the compact one ends below the keyboard.
    GetWindowRect(&m_rectFull);
    m_rectCompact = m_rectFull;
    if (CWnd* keyboard = GetDlgItem(IDC_KEYBOARD)) {
        CRect keys;
        keyboard->GetWindowRect(&keys);
        m_rectCompact.bottom = keys.bottom + kCompactMargin;
    }

    m_piano.SubclassCtrl(IDC_KEYBOARD, this);
    m_piano.SetLabels(MCPianoCtrl::LABEL_OCTAVES);
    m_deviceBox.SubclassDeviceBox(IDC_DEVICE, this, 1, 0);
    m_channel.SubclassSpinEdit(IDC_CHANNEL, this, MCSpinEdit::SPIN_ALIGN_RIGHT);
    m_channel.SetRange(1, 16);
    for (MCNoteEdit* note : {&m_lowNote, &m_highNote}) {
        note->SubclassNoteEdit(note == &m_lowNote ? IDC_LOW_NOTE : IDC_HIGH_NOTE, this, NOTEFMT_SHARPS,
                               MCSpinEdit::SPIN_ALIGN_RIGHT);
        note->SetRange(0, 127);
    }
    if (auto* velocity = dynamic_cast<CSliderCtrl*>(GetDlgItem(IDC_VELOCITY)))
        velocity->SetRange(0, 127);

    // MIDI's keys and velocities; a keyboard whose lowest key lies above its
    // highest (a damaged profile) is the piano's.
    m_nLowNote = LoadIntPreference(kSection, "LowNote", kPianoLowNote, 0, kHighestMidiValue);
    m_nHighNote = LoadIntPreference(kSection, "HighNote", kPianoHighNote, 0, kHighestMidiValue);
    if (m_nLowNote > m_nHighNote) {
        m_nLowNote = kPianoLowNote;
        m_nHighNote = kPianoHighNote;
    }
    m_nVelocity = LoadIntPreference(kSection, "Velocity", kHighestMidiValue, 0, kHighestMidiValue);
    SetAdvanced(LoadIntPreference(kSection, "Advanced", 0) ? 1 : 0);

    m_bReady = 1;
    UpdateData(FALSE);
    return TRUE;
}

void MCAuditionWnd::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    if (!m_bReady)
        return;
    DDX_DeviceBox(pDX, IDC_DEVICE, m_nDevice);
    DDX_SpinEdit(pDX, IDC_CHANNEL, m_nChannel);
    DDV_MinMaxInt(pDX, m_nChannel, 1, 16);
    DDX_SliderCtrl(pDX, IDC_VELOCITY, m_nVelocity);
    DDX_NoteEdit(pDX, IDC_LOW_NOTE, m_nLowNote);
    DDX_NoteEdit(pDX, IDC_HIGH_NOTE, m_nHighNote);
    m_piano.SetRange(m_nLowNote, m_nHighNote);
    m_piano.UpdateWindow();
    if (pDX->m_bSaveAndValidate)
        return;
    SetDlgItemInt(IDC_VELOCITY_TEXT, static_cast<UINT>(m_nVelocity));
    m_piano.SetChannel(m_nChannel);
    m_piano.SetDevice(m_nDevice);
    m_piano.SetNoteOnVolume(m_nVelocity);
    m_piano.SetNoteOffVolume(m_nVelocity);
}

void MCAuditionWnd::OnUpdate() {
    if (!UpdateData(TRUE))
        return;
    // What the user chose plays at once, not only when the dialog next opens.
    m_piano.SetDevice(m_nDevice);
    m_piano.SetChannel(m_nChannel);
}

void MCAuditionWnd::OnAdvanced() {
    SetAdvanced(m_bAdvanced ? 0 : 1);
}

void MCAuditionWnd::SetAdvanced(int advanced) {
    if ((advanced ? 1 : 0) == m_bAdvanced)
        return;
    m_bAdvanced = advanced ? 1 : 0;
    // A dialog keeps a fixed client size: it changes by the difference of the
    // two rectangles (measured together), whatever frame the window has now;
    // its place stays.
    QWidget* window = GetWidget();
    const int shorter = m_rectFull.Height() - m_rectCompact.Height();
    window->setFixedSize(window->width(), window->height() + (m_bAdvanced ? shorter : -shorter));
    for (UINT id : kAdvancedControls)
        if (CWnd* control = GetDlgItem(static_cast<int>(id)))
            control->EnableWindow(m_bAdvanced);
    if (CWnd* button = GetDlgItem(IDC_ADVANCED))
        button->SetWindowText(LoadString(m_bAdvanced ? IDS_ADVANCED_HIDE : IDS_ADVANCED_SHOW).c_str());
}

LRESULT MCAuditionWnd::OnHScroll(WPARAM wParam, LPARAM lParam) {
    auto* velocity = dynamic_cast<CSliderCtrl*>(GetDlgItem(IDC_VELOCITY));
    if (!velocity || reinterpret_cast<HWND>(lParam) != velocity->m_hWnd)
        return 0;
    const UINT code = LOWORD(static_cast<DWORD>(wParam));
    int position = 0;
    switch (code) {
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        position = static_cast<short>(HIWORD(static_cast<DWORD>(wParam)));
        break;
    default:   // line, page, top, bottom, end
        position = velocity->GetPos();
        break;
    }
    SetDlgItemInt(IDC_VELOCITY_TEXT, static_cast<UINT>(position));
    m_piano.SetNoteOnVolume(position);
    m_piano.SetNoteOffVolume(position);
    return 0;
}

void MCAuditionWnd::OnDestroy() {
    SaveIntPreference(kSection, "Advanced", m_bAdvanced);
    SaveIntPreference(kSection, "Velocity", m_nVelocity);
    SaveIntPreference(kSection, "LowNote", m_nLowNote);
    SaveIntPreference(kSection, "HighNote", m_nHighNote);
    CDialog::OnDestroy();
}
