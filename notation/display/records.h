// The notation plug-in's registration of its display classes.
//
// One table of data records, one per event type that has a notation display
// class, each (run-time class, DK_NOTATION, event type), in event-type order.
// The plug-in's start-up (notation/view/startup.h) enters them into the
// data registry (model/plugin.h), after which ECBase::GetData(DK_NOTATION, 1)
// makes display objects of those classes. Event types without a display class (MIDI-only events, tracks,
// wave data ...) have no record and get no display object.
//
// The records are static objects of the plug-in and stay registered for the
// life of the process. UI thread, at start-up.
#pragma once

#include <span>

class CPluginData;

// The table, in registration order.
std::span<const CPluginData> DisplayDataRecords();
