// What every exchange with one of the library's controls does: find the
// control by id as the kind it must be, then read it into the member or write
// the member into it. A control of another kind leaves the member alone and
// is traced, so a template that names the wrong control shows in the trace
// rather than as a value that never moves.
//
// For the exchange functions of ddx.h only. User-interface thread only.
#pragma once

#include "platform/core/trace.h"
#include "platform/ui/ddx.h"

// The control `nIDC` of the exchange as a `Control`, or null (traced under
// `function`) when it is of another kind.
template <class Control>
Control* ExchangeControl(CDataExchange* pDX, int nIDC, const char* function) {
    auto* control = dynamic_cast<Control*>(CWnd::FromHandle(pDX->PrepareCtrl(nIDC)));
    if (!control)
        Trace("%s: control %d is not of the kind exchanged\n", function, nIDC);
    return control;
}

// Saving: the member takes `read(control)`; loading: `write(control, member)`.
template <class Control, class Value, class Read, class Write>
void ExchangeWith(CDataExchange* pDX, int nIDC, Value& value, const char* function, Read read, Write write) {
    if (Control* control = ExchangeControl<Control>(pDX, nIDC, function)) {
        if (pDX->m_bSaveAndValidate)
            value = static_cast<Value>(read(*control));
        else
            write(*control, value);
    }
}

// The common case: the control's own GetValue and SetValue.
template <class Control, class Value>
void ExchangeValue(CDataExchange* pDX, int nIDC, Value& value, const char* function) {
    ExchangeWith<Control>(pDX, nIDC, value, function, [](Control& c) { return c.GetValue(); },
                          [](Control& c, const Value& v) { c.SetValue(v); });
}
