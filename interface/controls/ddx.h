// Data exchange between a dialog's (or page's) members and this library's
// controls, in the manner of the platform's DDX_ functions (ddx.h there):
// saving reads the control into the member, loading writes the member into
// the control. A control id the dialog does not have leaves the member alone,
// and so does a control that is not of the kind named (traced).
//
// A one-byte member keeps the low byte of the control's value: a combo box
// without a selection (-1) stores 255.
//
// Also here: the process-wide draw-item function pointer, which the program
// may set for the library's owner-drawn controls; nothing here calls it.
//
// User-interface thread only.
#pragma once

#include "platform/ui/ddx.h"
#include "platform/ui/geometry.h"

class CBitmap;
class CObject;
struct DRAWITEMSTRUCT;

// A common track bar's position (loading repaints it at the new position).
void DDX_SliderCtrl(CDataExchange* pDX, int nIDC, int& value);
void DDX_SliderCtrl(CDataExchange* pDX, int nIDC, BYTE& value);

// A combo box's selected index (the int form is the platform's).
void DDX_CBIndex(CDataExchange* pDX, int nIDC, BYTE& value);

// ---- the library's own controls ------------------------------------------------------

// An MCDial's and an MCSlider's value (0 .. 1; ddx_bitmapcontrols.cpp).
void DDX_Dial(CDataExchange* pDX, int nIDC, double& value);
void DDX_Slider(CDataExchange* pDX, int nIDC, double& value);

// An MCSpinEdit or a class derived from it, through its GetValue and SetValue.
void DDX_SpinEdit(CDataExchange* pDX, int nIDC, int& value);
// The same, the value kept in one byte (its low 8 bits).
void DDX_SpinEdit(CDataExchange* pDX, int nIDC, BYTE& value);

// An MCNoteEdit (noteedit.h; ddx_noteedit.cpp): its note through GetValue
// and SetValue; the BYTE form keeps the low 8 bits.
void DDX_NoteEdit(CDataExchange* pDX, int nIDC, int& value);
void DDX_NoteEdit(CDataExchange* pDX, int nIDC, BYTE& value);

// An MCTimeEdit (timeedit.h; ddx_timeedit.cpp): saving takes the edit's time
// into the member; loading shows the member in the edit, repainted.
class MCTime;
void DDX_TimeEdit(CDataExchange* pDX, int nIDC, MCTime& value);

// An MCDeviceBox or MCDeviceList (devicepicker.h; ddx_devices.cpp): the selected
// device's index, -1 for none.
void DDX_DeviceBox(CDataExchange* pDX, int nIDC, int& value);
void DDX_DeviceList(CDataExchange* pDX, int nIDC, int& value);

// ---- the draw-item function ----------------------------------------------------------

// Answers a picture for an owner-drawn item; null for none.
using MCDrawItemFunc = CBitmap* (*)(CObject* control, DRAWITEMSTRUCT* item);

// Keeps `func` as the process's draw-item function (null clears it).
void SetDrawItemFunc(MCDrawItemFunc func);
// The function kept; null until one is set.
MCDrawItemFunc GetDrawItemFunc();
