// DDX_TimeEdit (ddx.h): a dialog's time member and its time edit.
#include "interface/controls/ddx.h"
#include "interface/controls/ddx_exchange.h"
#include "interface/controls/timeedit.h"

void DDX_TimeEdit(CDataExchange* pDX, int nIDC, MCTime& value) {
    ExchangeWith<MCTimeEdit>(
        pDX, nIDC, value, "DDX_TimeEdit", [](MCTimeEdit& edit) { return edit.GetTimeValue(); },
        [](MCTimeEdit& edit, const MCTime& time) { edit.SetTimeValue(time, 1); });
}
