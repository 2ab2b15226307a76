// The engine's start-up: what the program calls once, after loading the
// Sequencer library and before opening any document.
//
// InitSequencer enters the 25 performer records into the data registry (so
// every event that sounds gets its performer on demand), checks the stored
// device numbers against the process's device library, connects MIDI thru,
// and installs the preference reader every sequence calls at attach and on
// each preference change.
//
// Threads: the user-interface thread, once, with no document open.
#pragma once

#if defined(__GNUC__)
#define STAFFWRIGHT_EXPORT __attribute__((visibility("default")))
#else
#define STAFFWRIGHT_EXPORT
#endif

// Registers the performers, prepares the preferences; answers the number of
// performer records entered (25).
extern "C" STAFFWRIGHT_EXPORT int InitSequencer();
