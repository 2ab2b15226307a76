// The notation plug-in's start-up entry and the notation view's record.
//
// The view's record is a static object of the plug-in and stays registered
// for the life of the process, as do the display records
// (notation/display/records.h). UI thread, at start-up.
#pragma once

class CPluginView;

// The notation view's record (CCantrel in CScoreWnd, command 12274, title
// 13312 "Music Score", order 10).
CPluginView& ViewRecord();

// Called once by the plug-in loader after loading the library: registers the
// view's record (once, however often it is called), then the display
// records, and installs the notes' duration functions (CCantrel::DurFunc and
// DurFuncInverse). Always 87, the value the loader expects of this plug-in.
extern "C" __attribute__((visibility("default"))) int InitPlugins();
