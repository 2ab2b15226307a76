// The device pickers over the capture backend's devices: entries by device
// name and by instrument map, the list box's wave descriptions, the format kept
// across a reload, the format menu and the data exchange.
#include "interface/controls/devicepicker.h"

#include "interface/controls/ddx.h"
#include "model/preferences.h"
#include "platform/core/clock.h"
#include "platform/devices/capture.h"
#include "platform/devices/portavel.h"
#include "platform/ui/dialog_script.h"
#include "tests/interface/controls/instrument_support.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>
#include <type_traits>
#include <string>
#include <vector>

namespace {

constexpr UINT kBoxId = 810;
constexpr UINT kListId = 811;

// A device library of the capture backend with the given layout.
class CCaptureDevices {
public:
    explicit CCaptureDevices(CCaptureBackend::Layout layout)
        : m_portavel(std::make_unique<CPortavel>(std::make_unique<CCaptureBackend>(layout))) {
        m_portavel->Initialize(1);
    }

private:
    CManualClock m_clock{1000};
    std::unique_ptr<CPortavel> m_portavel;
};

CCaptureBackend::Layout Outputs(int midiOutputs) {
    CCaptureBackend::Layout layout;
    layout.midiOutputs = midiOutputs;
    return layout;
}

class DevicePicker : public ::testing::Test {
protected:
    CComboBox plainBox;   // the makers of the controls the pickers take over
    CListBox plainList;

    DevicePicker() {
        EXPECT_TRUE(parent.Create(nullptr, "Parent", WS_VISIBLE, CRect(0, 0, 400, 300), nullptr, 0));
        EXPECT_TRUE(plainBox.Create(WS_VISIBLE | CBS_DROPDOWNLIST, CRect(10, 10, 200, 150), &parent, kBoxId));
        EXPECT_TRUE(plainList.Create(WS_VISIBLE, CRect(210, 10, 390, 150), &parent, kListId));
        // Made by a plain object, as a dialog makes its controls, and let go of.
        plainBox.UnsubclassWindow();
        plainList.UnsubclassWindow();
    }
    ~DevicePicker() override {
        // The profile is the run's: leave the maps at their defaults.
        SaveStringPreference("Sequencer\\Midi\\Play\\Devices\\1", "Instrument Map", "General Midi");
    }
    template <class TPicker>
    static std::vector<std::string> Entries(const TPicker& picker) {
        std::vector<std::string> entries;
        for (int entry = 0; entry < picker.GetCount(); ++entry) {
            std::string text;
            if constexpr (std::is_base_of_v<CComboBox, TPicker>)
                picker.GetLBText(entry, text);
            else
                picker.GetText(entry, text);
            entries.push_back(text + "|" + std::to_string(picker.GetItemData(entry)));
        }
        return entries;
    }

    instrument_test::CInstrumentFolder folder;
    CWnd parent;
    MCDeviceBox box;
    MCDeviceList list;
};

TEST_F(DevicePicker, ListsTheMidiOutputsByNameWithTheirIndexes) {
    CCaptureDevices devices(Outputs(2));
    ASSERT_EQ(box.SubclassDeviceBox(kBoxId, &parent, 1, 0), 1);
    EXPECT_EQ(Entries(box), (std::vector<std::string>{"A)  Capture Synth|0", "B)  Capture Port 2|1"}));
    EXPECT_EQ(box.GetSelectedDevice(), -1);
    box.SetSelectedDevice(1);
    EXPECT_EQ(box.GetSelectedDevice(), 1);
    box.SetSelectedDevice(7);
    EXPECT_EQ(box.GetSelectedDevice(), -1);
    // Types and formats out of range are ignored.
    box.SetType(5, 1);
    box.SetFormat(2, 1);
    EXPECT_EQ(box.GetType(), 1);
    EXPECT_EQ(box.GetFormat(), 0);
    EXPECT_EQ(box.SubclassDeviceBox(kBoxId + 40, &parent, 1, 0), 0);
}

TEST_F(DevicePicker, WithoutOutputsIsEmpty) {
    CCaptureDevices devices(Outputs(0));
    ASSERT_EQ(box.SubclassDeviceBox(kBoxId, &parent, 1, 0), 1);
    EXPECT_EQ(box.GetCount(), 0);
    EXPECT_EQ(box.GetSelectedDevice(), -1);
}

TEST_F(DevicePicker, ShowsTheInstrumentMapsAndKeepsTheSelectionAcrossFormats) {
    CCaptureDevices devices(Outputs(3));
    SaveStringPreference("Sequencer\\Midi\\Play\\Devices\\1", "Instrument Map", "My Synth");
    ASSERT_EQ(box.SubclassDeviceBox(kBoxId, &parent, 2, 1), 1);
    EXPECT_EQ(Entries(box), (std::vector<std::string>{"A)  General Midi Drums|0", "B)  General Midi Drums|1",
                                                      "C)  General Midi Drums|2"}));
    EXPECT_EQ(MCDeviceBox::GetInstrumentFile(2, 2), folder.Folder() + "/General Midi Drums.INI");
    box.SetType(1, 1);
    EXPECT_EQ(Entries(box), (std::vector<std::string>{"A)  General Midi|0", "B)  My Synth|1", "C)  General Midi|2"}));
    EXPECT_EQ(MCDeviceBox::GetInstrument(1, 1), "My Synth");
    EXPECT_EQ(MCDeviceBox::GetInstrument(0, 1), "");

    box.SetSelectedDevice(2);
    box.SetFormat(0, 1);
    EXPECT_EQ(Entries(box)[2], "C)  Capture Port 3|2");
    EXPECT_EQ(box.GetSelectedDevice(), 2);
    // Types without a map show empty entries in format 1.
    box.SetType(0, 0);
    box.SetFormat(1, 1);
    EXPECT_EQ(Entries(box), (std::vector<std::string>{"|0", "|1"}));
}

TEST_F(DevicePicker, TheListBoxNamesAWaveOutputByItsDescription) {
    CCaptureDevices devices(Outputs(2));
    ASSERT_EQ(list.SubclassDeviceList(kListId, &parent, 4, 0), 1);
    ASSERT_EQ(box.SubclassDeviceBox(kBoxId, &parent, 4, 0), 1);
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"A)  Capture Wave Out 1 (captured, never heard)|0"}));
    EXPECT_EQ(Entries(box), (std::vector<std::string>{"A)  Capture Wave Out 1|0"}));
    list.SetType(3, 1);
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"A)  Capture Wave In 1|0"}));
}

TEST_F(DevicePicker, TheContextMenuSwitchesTheFormat) {
    CCaptureDevices devices(Outputs(2));
    ASSERT_EQ(box.SubclassDeviceBox(kBoxId, &parent, 1, 0), 1);
    box.SetSelectedDevice(1);
    CDialogScript script;
    script.QueueMenuChoice(MCDeviceBox::ID_FORMAT_INSTRUMENTS);
    box.SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(box.GetSafeHwnd()), MAKELPARAM(20, 20));
    QCoreApplication::processEvents();
    EXPECT_EQ(box.GetFormat(), 1);
    EXPECT_EQ(Entries(box)[1], "B)  General Midi|1");
    EXPECT_EQ(box.GetSelectedDevice(), 1);
}

TEST_F(DevicePicker, ExchangesTheSelectedDevice) {
    CCaptureDevices devices(Outputs(2));
    ASSERT_EQ(box.SubclassDeviceBox(kBoxId, &parent, 1, 0), 1);
    ASSERT_EQ(list.SubclassDeviceList(kListId, &parent, 1, 0), 1);
    int device = 1;
    CDataExchange load(&parent, FALSE);
    DDX_DeviceBox(&load, kBoxId, device);
    DDX_DeviceList(&load, kListId, device);
    EXPECT_EQ(box.GetSelectedDevice(), 1);
    EXPECT_EQ(list.GetSelectedDevice(), 1);
    list.SetSelectedDevice(-1);
    CDataExchange save(&parent, TRUE);
    DDX_DeviceBox(&save, kBoxId, device);
    EXPECT_EQ(device, 1);
    DDX_DeviceList(&save, kListId, device);
    EXPECT_EQ(device, -1);
    // A control of another kind leaves the member alone.
    DDX_DeviceList(&save, kBoxId, device);
    EXPECT_EQ(device, -1);
}

}  // namespace
