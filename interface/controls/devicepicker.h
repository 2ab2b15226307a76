// Device pickers: MCDeviceBox (a drop-down list) and MCDeviceList (a list box)
// show the devices of one kind and direction of the process's device library,
// entry n being device n with the device index as its item data.
//
// Types: 0 MIDI inputs, 1 MIDI outputs, 2 MIDI outputs by their drum map,
// 3 wave inputs, 4 wave outputs. Formats: 0 labels each device "A)  name" by
// its name ("not available" when it has no capabilities record); 1 labels the
// MIDI outputs of types 1 and 2 by the instrument map stored for them
// (Sequencer\Midi\Play\Devices\<n>: "Instrument Map", "Drum Map") and leaves the
// other types' entries empty. The list box alone labels a wave output by its
// description when the library gives one.
//
// Changing the type or format with reload keeps the selected device. The
// context menu (11605) switches between the two formats.
//
// User-interface thread only; the library (CPortavel::GetPortavel) must exist.
#pragma once

#include "platform/ui/lists.h"
#include "platform/ui/msgmap.h"

#include <string>

// What the two pickers share, over the combo box or the list box.
template <class TBase>
class MCDevicePicker : public TBase {
public:
    enum : UINT { IDR_FORMAT_MENU = 11605, ID_FORMAT_INSTRUMENTS = 38915, ID_FORMAT_DEVICES = 38916 };

    int GetType() const { return m_nType; }
    int GetFormat() const { return m_nFormat; }
    // Ignored outside 0-4 (type) and 0-1 (format). With `reload` the entries are
    // made again and the device selected before stays selected.
    void SetType(int type, int reload);
    void SetFormat(int format, int reload);

    // The selected entry's device index, or -1.
    int GetSelectedDevice() const;
    // Selects the entry of `device`; no entry selected when none has it.
    void SetSelectedDevice(int device);
    // Empties the control and adds an entry per device of the type.
    void LoadDevices();

    // The instrument map of MIDI output `device`: its "Instrument Map" (type 1) or
    // "Drum Map" (type 2); empty for the other types.
    static std::string GetInstrument(int type, int device);
    // The file of that map in the instrument folder.
    static std::string GetInstrumentFile(int type, int device);

protected:
    // The entry text of `device` (see above); `describeWave` asks for a wave
    // output's description first.
    std::string GetName(int device, bool describeWave) const;
    // Subclasses item `id`, sets type and format, loads; 0 when subclassing failed.
    int Subclass(UINT id, CWnd* parent, int type, int format);
    void ShowFormatMenu(CPoint point);
    void OnFormatCommand(UINT id);
    virtual bool DescribesWave() const = 0;
    // Sets the type or format and, with `reload`, the entries.
    void Change(int& setting, int value, int reload);

    int m_nType = 1;
    int m_nFormat = 0;
};

class MCDeviceBox : public MCDevicePicker<CComboBox> {
    DECLARE_DYNAMIC(MCDeviceBox)
public:
    int SubclassDeviceBox(UINT id, CWnd* parent, int type, int format) { return Subclass(id, parent, type, format); }

protected:
    bool DescribesWave() const override { return false; }
    afx_msg void OnContextMenu(CWnd*, CPoint point) { ShowFormatMenu(point); }
    afx_msg void OnFormat(UINT id) { OnFormatCommand(id); }
    DECLARE_MESSAGE_MAP()
};

class MCDeviceList : public MCDevicePicker<CListBox> {
    DECLARE_DYNAMIC(MCDeviceList)
public:
    int SubclassDeviceList(UINT id, CWnd* parent, int type, int format) { return Subclass(id, parent, type, format); }

protected:
    bool DescribesWave() const override { return true; }
    afx_msg void OnContextMenu(CWnd*, CPoint point) { ShowFormatMenu(point); }
    afx_msg void OnFormat(UINT id) { OnFormatCommand(id); }
    DECLARE_MESSAGE_MAP()
};

extern template class MCDevicePicker<CComboBox>;
extern template class MCDevicePicker<CListBox>;
