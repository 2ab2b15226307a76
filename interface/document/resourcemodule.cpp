#include "interface/document/resourcemodule.h"

#include "model/preferences.h"
#include "platform/core/filesys.h"
#include "platform/core/resources.h"

namespace {

// The switch in force: the library loaded for it and the module current before
// it. Both null when none is.
HINSTANCE s_hResourceLibrary = nullptr;
HINSTANCE s_hSavedResource = nullptr;

}  // namespace

std::string ResourceModulePath(std::string_view name) {
    if (name.find_first_of("/\\") == std::string_view::npos)
        return std::string(name);
    std::string path = PathJoin(GetProgramFolder(), name);
    // The dot is looked for in the file name only: "..\Res\Wallpaper" has none.
    if (name.substr(name.find_last_of("/\\") + 1).find('.') == std::string_view::npos)
        path += ".so";
    return path;
}

HINSTANCE SetResourceModule(std::string_view name) {
    HINSTANCE library = LoadLibrary(ResourceModulePath(name));
    if (!library)
        return nullptr;
    ResetResourceModule();
    s_hResourceLibrary = library;
    s_hSavedResource = GetResourceHandle();
    SetResourceHandle(library);
    return s_hSavedResource;
}

void ResetResourceModule() {
    if (!s_hResourceLibrary)
        return;
    // The saved module goes back first: the library's strings leave with it.
    SetResourceHandle(s_hSavedResource);
    FreeLibrary(s_hResourceLibrary);
    s_hResourceLibrary = nullptr;
    s_hSavedResource = nullptr;
}

std::string LoadResourceModulePreference(const std::string& section, const std::string& key,
                                         const std::string& defaultName) {
    const std::string name = LoadStringPreference(section, key, defaultName);
    return IsPlainFileName(name) ? name : defaultName;
}
