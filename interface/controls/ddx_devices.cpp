// DDX_DeviceBox, DDX_DeviceList: a device picker's selected device and a
// dialog's member.
#include "interface/controls/ddx.h"
#include "interface/controls/devicepicker.h"

#include "platform/core/trace.h"

namespace {

template <class TPicker>
void ExchangeDevice(CDataExchange* pDX, int nIDC, int& value, const char* what) {
    auto* picker = dynamic_cast<TPicker*>(CWnd::FromHandle(pDX->PrepareCtrl(nIDC)));
    if (!picker) {
        Trace("%s: control %d is no device picker\n", what, nIDC);
        return;
    }
    if (pDX->m_bSaveAndValidate)
        value = picker->GetSelectedDevice();
    else
        picker->SetSelectedDevice(value);
}

}  // namespace

void DDX_DeviceBox(CDataExchange* pDX, int nIDC, int& value) {
    ExchangeDevice<MCDeviceBox>(pDX, nIDC, value, "DDX_DeviceBox");
}

void DDX_DeviceList(CDataExchange* pDX, int nIDC, int& value) {
    ExchangeDevice<MCDeviceList>(pDX, nIDC, value, "DDX_DeviceList");
}
