// Shared libraries: finding, loading and unloading them, looking up their
// exports, and the module handle that names each loaded library (the program
// itself included) for the resource lookups of resources.h.
//
// A module handle (HINSTANCE) stands for one loaded object of the process: the
// program, a library it was linked with, or one loaded here. It is the same value
// however it was obtained (LoadLibrary, GetModuleHandle, or from an address inside
// the library), so a library's string table, registered while it loads, is found
// under the handle LoadLibrary returns. A handle is valid while its library stays
// loaded; using it afterwards is the caller's error, as it always was.
//
// Names. The system names libraries as its home platform did ("Mixer.DLL",
// "Cantrel"); a name is mapped to this platform's files: an extension ".DLL"
// (any case) becomes ".so", a name without extension gets ".so", and each name
// is also tried with the "lib" prefix shared libraries carry here. A name with a
// folder part is a path (relative ones to the working directory); a bare name is
// looked for in the program's folder, then in "../lib" beside it (where our build
// puts the libraries), then through the dynamic loader's own search. File names
// match without regard to ASCII case.
//
// Threads: any thread; loading runs the library's static constructors (and so its
// registrations) on the calling thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct CModule;                  // opaque: never defined, only pointed to
using HINSTANCE = CModule*;
using HMODULE = HINSTANCE;

// Loads a library (or takes one more reference on it when it is loaded already)
// and returns its handle; null on failure, with the loader's explanation in
// `error` (when given) and in GetLibraryError(). Symbols are bound at once, so a
// library with a missing dependency fails here, not at its first call.
HINSTANCE LoadLibrary(std::string_view name, std::string* error = nullptr);
// Drops one reference taken by LoadLibrary; the library is unloaded (its static
// destructors run, its registrations leave) when the last one goes. False for a
// handle LoadLibrary did not return or that was freed as often as it was loaded.
bool FreeLibrary(HINSTANCE module);
// The address of an exported symbol, or null (with GetLibraryError()).
void* GetProcAddress(HINSTANCE module, const char* name);
// The handle of a library already loaded in the process, by name (mapped as
// above) or path; the program's handle for an empty name; null when none is loaded.
// Takes no reference.
HINSTANCE GetModuleHandle(std::string_view name);
// The file a module was loaded from; the program's file for null.
std::string GetModuleFileName(HINSTANCE module);
// The program's own module.
HINSTANCE GetProgramModule();
// The module holding an address (a function, a static object); the program's
// module when the address belongs to none.
HINSTANCE GetModuleForAddress(const void* address);
// The text of this thread's last failed LoadLibrary or GetProcAddress.
std::string GetLibraryError();

// The shared libraries ("*.so" files, in name order) in a folder.
std::vector<std::string> FindLibraries(std::string_view folder);
// The file names a library name stands for, in the order they are tried.
std::vector<std::string> LibraryFileNames(std::string_view name);
