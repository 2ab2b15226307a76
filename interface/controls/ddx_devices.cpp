// DDX_DeviceBox, DDX_DeviceList: a device picker's selected device and a
// dialog's member.
#include "interface/controls/ddx.h"
#include "interface/controls/ddx_exchange.h"
#include "interface/controls/devicepicker.h"

namespace {

template <class TPicker>
void ExchangeDevice(CDataExchange* pDX, int nIDC, int& value, const char* function) {
    ExchangeWith<TPicker>(
        pDX, nIDC, value, function, [](TPicker& picker) { return picker.GetSelectedDevice(); },
        [](TPicker& picker, int device) { picker.SetSelectedDevice(device); });
}

}  // namespace

void DDX_DeviceBox(CDataExchange* pDX, int nIDC, int& value) {
    ExchangeDevice<MCDeviceBox>(pDX, nIDC, value, "DDX_DeviceBox");
}

void DDX_DeviceList(CDataExchange* pDX, int nIDC, int& value) {
    ExchangeDevice<MCDeviceList>(pDX, nIDC, value, "DDX_DeviceList");
}
