// DDX_Dial and DDX_Slider (ddx.h): a dialog's value and the bitmap controls.
#include "interface/controls/dial.h"
#include "interface/controls/ddx.h"
#include "interface/controls/ddx_exchange.h"
#include "interface/controls/slider.h"

void DDX_Dial(CDataExchange* pDX, int nIDC, double& value) {
    ExchangeValue<MCDial>(pDX, nIDC, value, "DDX_Dial");
}

void DDX_Slider(CDataExchange* pDX, int nIDC, double& value) {
    ExchangeValue<MCSlider>(pDX, nIDC, value, "DDX_Slider");
}
