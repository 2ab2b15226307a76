#include "app/sysexdlg.h"

#include "model/preferences.h"
#include "platform/core/format.h"
#include "platform/core/resources.h"
#include "platform/devices/portavel.h"
#include "platform/gdi/font.h"
#include "platform/ui/ddx.h"
#include "platform/ui/filedialog.h"

namespace {

using Kind = DialogControlKind;

const DialogTemplate kSysExTemplate = {"Send Midi SysEx Message", {
    {-1, Kind::Group, "Device", {7, 7, 182, 44}},
    {IDC_SYSEX_ALL_DEVICES, Kind::Radio, "To &All Devices", {14, 19, 90, 10}, WS_GROUP | WS_TABSTOP},
    {IDC_SYSEX_ONE_DEVICE, Kind::Radio, "To A Specific &Device:", {14, 34, 84, 10}},
    {IDC_SYSEX_DEVICE, Kind::Combo, "", {100, 32, 82, 80}, CBS_DROPDOWNLIST | WS_GROUP},
    {-1, Kind::Group, "Type of Message", {7, 56, 182, 130}},
    {-1, Kind::Static, "&Type:", {14, 70, 24, 8}},
    {IDC_SYSEX_TYPE, Kind::Combo, "", {40, 68, 142, 80}, CBS_DROPDOWNLIST | WS_GROUP},
    {-1, Kind::Static, "&Data:", {14, 86, 24, 8}},
    {IDC_SYSEX_DATA, Kind::Edit, "", {14, 96, 168, 84}, ES_MULTILINE | ES_AUTOVSCROLL},
    {IDOK, Kind::Push, "&OK", {196, 7, 50, 14}, BS_DEFPUSHBUTTON | WS_GROUP},
    {IDCANCEL, Kind::Push, "Cancel", {196, 24, 50, 14}},
    {IDC_SYSEX_LOAD, Kind::Push, "&Load", {196, 56, 50, 14}},
    {IDC_SYSEX_SAVE, Kind::Push, "&Save", {196, 73, 50, 14}},
}, {253, 193}};
DIALOG_RESOURCE(IDD_SYSEX, kSysExTemplate);

STRING_TABLE({IDS_SYSEX_FILTER, "Sysex binaries (*.syx)|*.syx|All Files (*.*)|*.*||"},
             {IDS_SYSEX_READ_ERROR, "There was an unexpected error while reading sysex binary.\nError code: %d"},
             {IDS_SYSEX_READ_CAPTION, "Sysex File Read Error"},
             {IDS_SYSEX_WRITE_ERROR, "There was an unexpected error while saving sysex binary.\nError code: %d"},
             {IDS_SYSEX_WRITE_CAPTION, "Sysex File Write Error"});

// The entries of the type list, indexed by SysExType.
const char* const kTypeNames[] = {"General Midi On", "General Midi Off", "Roland GS System On",
                                  "Yamaha XG System On", "Custom"};

const char kFontSection[] = "Settings\\Font";
const char kFontKey[] = "Fixed-Pitch Font";
const char kDefaultExt[] = "syx";

// The device picker's type and format: MIDI outputs by device name.
constexpr int kMidiOutputs = 1;
constexpr int kDeviceNames = 0;

}  // namespace

IMPLEMENT_DYNAMIC(CSysExDlg, CDialog)

BEGIN_MESSAGE_MAP(CSysExDlg, CDialog)
    ON_BN_CLICKED(IDC_SYSEX_ALL_DEVICES, &CSysExDlg::OnAllDevices)
    ON_BN_CLICKED(IDC_SYSEX_ONE_DEVICE, &CSysExDlg::OnOneDevice)
    ON_CBN_SELCHANGE(IDC_SYSEX_TYPE, &CSysExDlg::OnTypeChange)
    ON_BN_CLICKED(IDC_SYSEX_LOAD, &CSysExDlg::OnLoad)
    ON_BN_CLICKED(IDC_SYSEX_SAVE, &CSysExDlg::OnSave)
END_MESSAGE_MAP()

CSysExDlg::CSysExDlg(CWnd* parent) : CDialog(IDD_SYSEX, parent) {}

CSysExDlg::~CSysExDlg() = default;

int CSysExDlg::Run() {
    const int result = static_cast<int>(DoModal());
    if (result != IDOK)
        return result;
    CPortavel* devices = CPortavel::GetPortavel();
    if (!devices)
        return result;
    const auto length = static_cast<DWORD>(m_buffer.size());
    if (m_nDestination == TO_ALL_DEVICES) {
        const int count = devices->GetDeviceCount(PV_MIDI, PV_OUTPUT);
        for (int device = 0; device < count; ++device)
            devices->SendSysExMsg(device, m_buffer.data(), length, 1);
    } else {
        devices->SendSysExMsg(m_nDevice, m_buffer.data(), length, 1);
    }
    return result;
}

BOOL CSysExDlg::OnInitDialog() {
    // The list's entries come first: loading the controls selects the first.
    if (auto* types = DYNAMIC_DOWNCAST(CComboBox, GetDlgItem(IDC_SYSEX_TYPE)))
        for (const char* name : kTypeNames)
            types->AddString(name);
    return CDialog::OnInitDialog();
}

void CSysExDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    if (!m_deviceBox.GetSafeHwnd()) {
        m_deviceBox.SubclassDeviceBox(IDC_SYSEX_DEVICE, this, kMidiOutputs, kDeviceNames);
        DDX_Control(pDX, IDC_SYSEX_DATA, m_dataField);
        if (!m_pDataFont)
            m_pDataFont = LoadFontPreference(kFontSection, kFontKey, "Courier", -14, 0, 0, 0);
        m_dataField.SetFont(m_pDataFont.get(), TRUE);
        DDX_Control(pDX, IDC_SYSEX_TYPE, m_typeList);
    }
    DDX_Radio(pDX, IDC_SYSEX_ALL_DEVICES, m_nDestination);
    if (pDX->m_bSaveAndValidate) {
        m_nDevice = m_deviceBox.GetSelectedDevice();
        return;
    }
    m_deviceBox.SetSelectedDevice(m_nDevice);
    m_deviceBox.EnableWindow(m_nDestination == TO_ONE_DEVICE);
    m_typeList.SetCurSel(SYSEX_GM_ON);
    ApplyType();
}

void CSysExDlg::OnOK() {
    ReadText();
    CDialog::OnOK();
}

void CSysExDlg::OnAllDevices() {
    m_deviceBox.EnableWindow(FALSE);
}

void CSysExDlg::OnOneDevice() {
    m_deviceBox.EnableWindow(TRUE);
    m_deviceBox.SetFocus();
}

void CSysExDlg::OnTypeChange() {
    ApplyType();
}

void CSysExDlg::ApplyType() {
    const int type = m_typeList.GetCurSel();
    if (type >= SYSEX_GM_ON && type < SYSEX_CUSTOM)
        m_buffer = BuildStandardSysEx(type);
    ShowBuffer();
}

void CSysExDlg::ShowBuffer() {
    m_dataField.SetWindowText(FormatSysExText(m_buffer).c_str());
}

void CSysExDlg::ReadText() {
    std::string text;
    m_dataField.GetWindowText(text);
    m_buffer = ParseSysExText(text);
}

void CSysExDlg::OnLoad() {
    const std::string filter = LoadString(IDS_SYSEX_FILTER);
    CFileDialog dialog(TRUE, kDefaultExt, nullptr, OFN_HIDEREADONLY, filter.c_str(), this);
    if (dialog.DoModal() != IDOK)
        return;
    SysExBytes bytes;
    int osError = 0;
    if (!ReadSysExFile(dialog.GetPathName(), bytes, osError)) {
        ReportFileError(IDS_SYSEX_READ_ERROR, IDS_SYSEX_READ_CAPTION, osError);
        return;
    }
    m_buffer = std::move(bytes);
    ShowBuffer();
    // Shown as chosen only: applying "Custom" again would change nothing.
    m_typeList.SetCurSel(SYSEX_CUSTOM);
}

void CSysExDlg::OnSave() {
    ReadText();
    const std::string filter = LoadString(IDS_SYSEX_FILTER);
    CFileDialog dialog(FALSE, kDefaultExt, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter.c_str(), this);
    if (dialog.DoModal() != IDOK)
        return;
    int osError = 0;
    if (!WriteSysExFile(dialog.GetPathName(), m_buffer, osError))
        ReportFileError(IDS_SYSEX_WRITE_ERROR, IDS_SYSEX_WRITE_CAPTION, osError);
}

void CSysExDlg::ReportFileError(UINT textId, UINT captionId, int osError) {
    ShowPrompt(Format(textId, osError), MB_OK | MB_ICONEXCLAMATION, LoadString(captionId));
}
