#include "interface/controls/devicepicker.h"

#include "interface/controls/dlgitem.h"
#include "interface/controls/instruments.h"
#include "model/preferences.h"
#include "platform/core/filesys.h"
#include "platform/core/format.h"
#include "platform/core/resources.h"
#include "platform/devices/portavel.h"
#include "platform/ui/menu.h"
#include "platform/ui/uiresources.h"

#include <cstring>
#include <iterator>
#include <memory>

STRING_TABLE({11532, "%c)  %s"});

namespace {

const MenuTemplate kFormatMenu = {{
    {MF_POPUP, 0, "Devices", {
        {MF_STRING | MFT_RADIOCHECK, MCDeviceBox::ID_FORMAT_INSTRUMENTS, "Display &Instrument Names"},
        {MF_STRING | MFT_RADIOCHECK, MCDeviceBox::ID_FORMAT_DEVICES, "Display &Device Names"},
    }},
}};
MENU_RESOURCE(MCDeviceBox::IDR_FORMAT_MENU, kFormatMenu);

// The device address of each picker type: kind, direction.
struct Address {
    int kind;
    int direction;
};
constexpr Address kAddresses[] = {
    {PV_MIDI, PV_INPUT}, {PV_MIDI, PV_OUTPUT}, {PV_MIDI, PV_OUTPUT}, {PV_WAVE, PV_INPUT}, {PV_WAVE, PV_OUTPUT},
};

bool IsType(int type) {
    return type >= 0 && type < static_cast<int>(std::size(kAddresses));
}

std::string Entry(int device, const std::string& label) {
    return Format(11532, static_cast<char>('A' + device), label.c_str());
}

}  // namespace

template <class TBase>
void MCDevicePicker<TBase>::SetType(int type, int reload) {
    if (IsType(type))
        Change(m_nType, type, reload);
}

template <class TBase>
void MCDevicePicker<TBase>::SetFormat(int format, int reload) {
    if (format == 0 || format == 1)
        Change(m_nFormat, format, reload);
}

template <class TBase>
void MCDevicePicker<TBase>::Change(int& setting, int value, int reload) {
    const int device = GetSelectedDevice();
    setting = value;
    if (reload) {
        LoadDevices();
        SetSelectedDevice(device);
    }
}

template <class TBase>
int MCDevicePicker<TBase>::GetSelectedDevice() const {
    const int selected = this->GetCurSel();
    return selected < 0 ? -1 : static_cast<int>(this->GetItemData(selected));
}

template <class TBase>
void MCDevicePicker<TBase>::SetSelectedDevice(int device) {
    for (int entry = 0; entry < this->GetCount(); ++entry)
        if (static_cast<int>(this->GetItemData(entry)) == device) {
            this->SetCurSel(entry);
            return;
        }
    this->SetCurSel(-1);
}

template <class TBase>
void MCDevicePicker<TBase>::LoadDevices() {
    this->ResetContent();
    CPortavel* portavel = CPortavel::GetPortavel();
    if (!portavel)
        return;
    const Address address = kAddresses[m_nType];
    const int count = portavel->GetDeviceCount(address.kind, address.direction);
    for (int device = 0; device < count; ++device) {
        const int entry = this->AddString(GetName(device, DescribesWave()).c_str());
        if (entry >= 0)
            this->SetItemData(entry, static_cast<DWORD_PTR>(device));
    }
}

template <class TBase>
std::string MCDevicePicker<TBase>::GetName(int device, bool describeWave) const {
    if (m_nFormat == 1)
        return m_nType == 1 || m_nType == 2 ? Entry(device, GetInstrument(m_nType, device)) : std::string();
    if (describeWave && m_nType == 4) {
        const std::string description = CWaveOut::DSGetDescription(device);
        if (!description.empty())
            return Entry(device, description);
    }
    const Address address = kAddresses[m_nType];
    CPortavel* portavel = CPortavel::GetPortavel();
    const PV_DevCaps* caps = portavel ? portavel->GetDeviceCaps(address.kind, address.direction, device) : nullptr;
    // The record's name field is zero-terminated; read no further than the field.
    return Entry(device, caps ? std::string(caps->name, strnlen(caps->name, sizeof caps->name)) : "not available");
}

template <class TBase>
std::string MCDevicePicker<TBase>::GetInstrument(int type, int device) {
    if (type != 1 && type != 2)
        return {};
    const std::string section = Format("%s%d", "Sequencer\\Midi\\Play\\Devices\\", device);
    const std::string fallback = type == 1 ? "General Midi" : "General Midi Drums";
    // The map is a file of the instrument folder: a stored name reaching
    // elsewhere (a damaged profile) reads as the default.
    const std::string map = LoadStringPreference(section, type == 1 ? "Instrument Map" : "Drum Map", fallback);
    return IsPlainFileName(map) ? map : fallback;
}

template <class TBase>
std::string MCDevicePicker<TBase>::GetInstrumentFile(int type, int device) {
    return MCGetInstrumentMapFile(GetInstrument(type, device));
}

template <class TBase>
int MCDevicePicker<TBase>::Subclass(UINT id, CWnd* parent, int type, int format) {
    if (!MCTakeOverDlgItem(*this, id, parent))
        return 0;
    SetType(type, 0);
    SetFormat(format, 0);
    LoadDevices();
    return 1;
}

template <class TBase>
void MCDevicePicker<TBase>::ShowFormatMenu(CPoint point) {
    std::unique_ptr<CMenu> menu = LoadMenu(IDR_FORMAT_MENU);
    CMenu* popup = menu ? menu->GetSubMenu(0) : nullptr;
    if (!popup)
        return;
    popup->CheckMenuItem(m_nFormat == 1 ? ID_FORMAT_INSTRUMENTS : ID_FORMAT_DEVICES, MF_BYCOMMAND | MF_CHECKED);
    popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, this);
}

template <class TBase>
void MCDevicePicker<TBase>::OnFormatCommand(UINT id) {
    SetFormat(id == ID_FORMAT_INSTRUMENTS ? 1 : 0, 1);
}

template class MCDevicePicker<CComboBox>;
template class MCDevicePicker<CListBox>;

IMPLEMENT_DYNAMIC(MCDeviceBox, CComboBox)
BEGIN_MESSAGE_MAP(MCDeviceBox, CComboBox)
    ON_WM_CONTEXTMENU()
    ON_COMMAND_RANGE(MCDeviceBox::ID_FORMAT_INSTRUMENTS, MCDeviceBox::ID_FORMAT_DEVICES, &MCDeviceBox::OnFormat)
END_MESSAGE_MAP()

IMPLEMENT_DYNAMIC(MCDeviceList, CListBox)
BEGIN_MESSAGE_MAP(MCDeviceList, CListBox)
    ON_WM_CONTEXTMENU()
    ON_COMMAND_RANGE(MCDeviceList::ID_FORMAT_INSTRUMENTS, MCDeviceList::ID_FORMAT_DEVICES, &MCDeviceList::OnFormat)
END_MESSAGE_MAP()
