// Data exchange for the shared controls, in the manner of the platform's own
// DDX_ functions (platform/ui/ddx.h): saving reads the control into the
// member, loading writes the member into the control. A control that is not
// of the kind named is left alone and the member kept (traced).
// User-interface thread only.
#pragma once

#include "platform/ui/ddx.h"

// An MCSpinEdit or a class derived from it, through its GetValue and SetValue.
void DDX_SpinEdit(CDataExchange* pDX, int nIDC, int& value);
// The same, the value kept in one byte (its low 8 bits).
void DDX_SpinEdit(CDataExchange* pDX, int nIDC, BYTE& value);

// An MCTimeEdit (timeedit.h; ddx_timeedit.cpp): saving takes the edit's time
// into the member; loading shows the member in the edit, repainted.
class MCTime;
void DDX_TimeEdit(CDataExchange* pDX, int nIDC, MCTime& value);
