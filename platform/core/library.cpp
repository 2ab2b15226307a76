#include "platform/core/library.h"

#include "platform/core/filesys.h"

#include <dlfcn.h>
#include <link.h>
#include <map>
#include <mutex>

namespace {

thread_local std::string t_lastError;

void SetError(std::string text, std::string* error = nullptr) {
    if (error)
        *error = text;
    t_lastError = std::move(text);
}

std::string LoaderError(const char* fallback) {
    const char* text = ::dlerror();
    return text ? std::string(text) : std::string(fallback);
}

HINSTANCE ModuleOfHandle(void* handle) {
    link_map* map = nullptr;
    if (!handle || ::dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0)
        return nullptr;
    return reinterpret_cast<HINSTANCE>(map);
}

const link_map* MapOf(HINSTANCE module) {
    return reinterpret_cast<const link_map*>(module);
}

// The references LoadLibrary took, by module: each holds the loader's handle.
struct Loaded {
    void* handle = nullptr;
    int count = 0;
};
std::mutex s_loadedLock;
std::map<HINSTANCE, Loaded> s_loaded;   // guarded by s_loadedLock

// A loader handle for a module, taking a reference that Release drops; lets
// dlsym work on modules this file did not load.
void* Acquire(HINSTANCE module) {
    if (module == GetProgramModule())
        return ::dlopen(nullptr, RTLD_NOW);
    return ::dlopen(MapOf(module)->l_name, RTLD_NOW | RTLD_NOLOAD);
}

std::string BaseName(std::string_view path) {
    size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

}  // namespace

std::vector<std::string> LibraryFileNames(std::string_view name) {
    std::string path = NativePath(name);
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string file = path.substr(folder.size());
    size_t dot = file.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : file.substr(dot + 1);

    std::vector<std::string> files;
    if (ext.empty() || EqualNoCase(ext, "dll")) {
        std::string stem = file.substr(0, dot == std::string::npos ? file.size() : dot);
        files.push_back(stem + ".so");
        files.push_back("lib" + stem + ".so");
    }
    files.push_back(file);
    if (file.rfind("lib", 0) != 0)
        files.push_back("lib" + file);

    for (std::string& candidate : files)
        candidate = folder + candidate;
    return files;
}

HINSTANCE LoadLibrary(std::string_view name, std::string* error) {
    std::string native = NativePath(name);
    if (native.empty()) {
        SetError("no library name", error);
        return nullptr;
    }

    // The files to try, found ones first, in the order of the header's rules.
    std::vector<std::string> tries;
    std::vector<std::string> candidates = LibraryFileNames(native);
    bool bare = native.find('/') == std::string::npos;
    std::vector<std::string> folders;
    if (bare)
        folders = {GetProgramFolder(), PathJoin(GetProgramFolder(), "../lib")};
    else
        folders = {std::string()};
    for (const std::string& folder : folders) {
        for (const std::string& candidate : candidates) {
            std::string path = ResolvePathCase(PathJoin(folder, candidate));
            if (FileExists(path) && !IsDirectory(path))
                tries.push_back(path.find('/') == std::string::npos ? "./" + path : path);
        }
    }
    if (bare)
        tries.insert(tries.end(), candidates.begin(), candidates.end());   // the loader's search
    else if (tries.empty())
        tries.push_back(candidates.front());   // for the loader's own "not found"

    // A file that exists but does not load explains more than a "not found".
    std::string existingError, anyError;
    for (const std::string& path : tries) {
        ::dlerror();
        void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            std::string text = LoaderError("the library could not be loaded");
            if (existingError.empty() && FileExists(path))
                existingError = text;
            if (anyError.empty())
                anyError = text;
            continue;
        }
        HINSTANCE module = ModuleOfHandle(handle);
        if (!module) {
            ::dlclose(handle);
            continue;
        }
        std::lock_guard lock(s_loadedLock);
        Loaded& loaded = s_loaded[module];
        if (loaded.count > 0)
            ::dlclose(handle);   // the loader counts too; one handle per module is enough
        else
            loaded.handle = handle;
        ++loaded.count;
        return module;
    }
    SetError(!existingError.empty() ? existingError
             : !anyError.empty()    ? anyError
                                    : native + ": the library was not found",
             error);
    return nullptr;
}

bool FreeLibrary(HINSTANCE module) {
    void* handle = nullptr;
    {
        std::lock_guard lock(s_loadedLock);
        auto it = s_loaded.find(module);
        if (it == s_loaded.end())
            return false;
        if (--it->second.count == 0) {
            handle = it->second.handle;
            s_loaded.erase(it);
        }
    }
    // Unloading runs the library's destructors, which may take other locks: outside ours.
    if (handle)
        ::dlclose(handle);
    return true;
}

void* GetProcAddress(HINSTANCE module, const char* name) {
    if (!module || !name) {
        SetError("no module or no name");
        return nullptr;
    }
    void* handle = Acquire(module);
    if (!handle) {
        SetError(LoaderError("the module is not loaded"));
        return nullptr;
    }
    ::dlerror();
    void* address = ::dlsym(handle, name);
    if (!address)
        SetError(LoaderError("the symbol was not found"));
    ::dlclose(handle);
    return address;
}

HINSTANCE GetProgramModule() {
    static const HINSTANCE program = ModuleOfHandle(::dlopen(nullptr, RTLD_NOW));
    return program;
}

HINSTANCE GetModuleForAddress(const void* address) {
    Dl_info info{};
    link_map* map = nullptr;
    if (!address || ::dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0 || !map)
        return GetProgramModule();
    return reinterpret_cast<HINSTANCE>(map);
}

std::string GetModuleFileName(HINSTANCE module) {
    if (!module || module == GetProgramModule())
        return GetProgramPath();
    const char* name = MapOf(module)->l_name;
    return name ? std::string(name) : std::string();
}

HINSTANCE GetModuleHandle(std::string_view name) {
    std::string native = NativePath(name);
    if (native.empty())
        return GetProgramModule();

    // The loaded objects' paths, the program first.
    std::vector<std::string> paths;
    ::dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            static_cast<std::vector<std::string>*>(data)->emplace_back(info->dlpi_name ? info->dlpi_name : "");
            return 0;
        },
        &paths);

    bool byPath = native.find('/') != std::string::npos;
    for (const std::string& candidate : LibraryFileNames(native)) {
        for (size_t i = 0; i < paths.size(); ++i) {
            std::string path = paths[i].empty() && i == 0 ? GetProgramPath() : paths[i];
            if (path.empty())
                continue;
            bool match = byPath ? path == ResolvePathCase(candidate)
                                : EqualNoCase(BaseName(path), candidate);
            if (!match)
                continue;
            if (i == 0 && paths[i].empty())
                return GetProgramModule();
            void* handle = ::dlopen(paths[i].c_str(), RTLD_NOW | RTLD_NOLOAD);
            HINSTANCE module = ModuleOfHandle(handle);
            if (handle)
                ::dlclose(handle);
            if (module)
                return module;
        }
    }
    return nullptr;
}

std::string GetLibraryError() {
    return t_lastError;
}

std::vector<std::string> FindLibraries(std::string_view folder) {
    std::vector<std::string> paths;
    for (const FileFindData& found : FindFiles(PathJoin(folder, "*.so")))
        if (!(found.attributes & FILE_ATTR_DIRECTORY))
            paths.push_back(found.path);
    return paths;
}
