// Switching the resource lookup to a resource-only library and back.
//
// Wallpapers, button faces and the mixer's resources live in libraries of
// their own. SetResourceModule loads one and makes it the current resource
// module (platform/core/resources.h), so that every later lookup of strings,
// pictures and menus tries it first; ResetResourceModule frees it and puts the
// module that was current before back. A switch and its reset bracket the
// loads that need the library:
//
//     if (SetResourceModule("Buttons1.DLL")) { ...load the faces...; ResetResourceModule(); }
//
// Names. A name without a folder part ("Wallpaper.DLL") is found through the
// library search of platform/core/library.h: the program's folder, the
// libraries beside it, then the loader's own. A name with a folder part ("/"
// or "\") is a path relative to the program's folder (GetProgramFolder());
// when its file name holds no "." it gets ".so" appended: resource libraries are shared
// libraries of ours, built for this platform. A name that does say ".DLL"
// reaches the same file, since the library loader maps that extension to ".so"
// (and tries the "lib" prefix as well).
//
// One switch at a time: a switch while another is in force first ends that one
// (its library is freed and the module from before it is current again), so
// the saved module is never lost.
//
// Process-wide state; user-interface thread only.
#pragma once

#include "platform/core/library.h"

#include <string>
#include <string_view>

// Loads the library and makes it the current resource module; returns the
// module that was current before, or null (nothing changed) when the library
// cannot be loaded.
HINSTANCE SetResourceModule(std::string_view name);
// Frees the switched library and restores the saved module; does nothing when
// no switch is in force.
void ResetResourceModule();

// The resource library the profile names under `section` and `key`, or
// `defaultName`. The profile names a library beside the program: a stored name
// with a folder part, a leading dot, a control character or more than 255
// bytes (a damaged or hand-edited profile) reads as the default, so no library
// from elsewhere is ever loaded for it.
std::string LoadResourceModulePreference(const std::string& section, const std::string& key,
                                         const std::string& defaultName);

// The file SetResourceModule loads for a name, before the library loader's own
// mapping (exposed for tests and diagnostics).
std::string ResourceModulePath(std::string_view name);
