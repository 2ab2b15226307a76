// DDX_SpinEdit (ddx.h): the spin edit's value and a dialog's member.
#include "interface/controls/ddx.h"
#include "interface/controls/ddx_exchange.h"
#include "interface/controls/spinedit.h"

void DDX_SpinEdit(CDataExchange* pDX, int nIDC, int& value) {
    ExchangeValue<MCSpinEdit>(pDX, nIDC, value, "DDX_SpinEdit");
}

void DDX_SpinEdit(CDataExchange* pDX, int nIDC, BYTE& value) {
    int wide = value;
    DDX_SpinEdit(pDX, nIDC, wide);
    value = static_cast<BYTE>(wide);
}
