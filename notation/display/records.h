// The notation plug-in's registration of its display classes, and its
// start-up entry.
//
// One table of data records, one per event type that has a notation display
// class, each (run-time class, DK_NOTATION, event type), in event-type order.
// InitPlugins enters them into the data registry (model/plugin.h), after
// which ECBase::GetData(DK_NOTATION, 1) makes display objects of those
// classes. Event types without a display class (MIDI-only events, tracks,
// wave data ...) have no record and get no display object.
//
// The records are static objects of the plug-in and stay registered for the
// life of the process. UI thread, at start-up.
#pragma once

#include <span>

class CPluginData;
class CPluginView;

// The table, in registration order.
std::span<const CPluginData> DisplayDataRecords();
// The notation view's record (CCantrel in CScoreWnd, command 12274, title
// 13312 "Music Score", order 10).
CPluginView& ViewRecord();

// Called once by the plug-in loader after loading the library: registers the
// view's record (once, however often it is called), then the display
// records, and installs the notes' duration functions (CCantrel::DurFunc and
// DurFuncInverse). Always 87, the value the loader expects of this plug-in.
extern "C" __attribute__((visibility("default"))) int InitPlugins();
