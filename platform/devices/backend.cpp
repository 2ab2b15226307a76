#include "platform/devices/backend.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace {

struct Registered {
    std::string name;
    int order;
    CPVBackendFactory factory;
};

// The registry lives in a function so that registrations made during static
// initialisation of any source find it constructed.
std::mutex& RegistryMutex() {
    static std::mutex mutex;
    return mutex;
}

std::vector<Registered>& Registry() {
    static std::vector<Registered> registry;
    return registry;
}

}  // namespace

std::uint64_t CPVDeviceClock::Now() const {
    const std::uint64_t now = GetClockMs();
    // A manual clock set back behind the start reads as device time 0, never as a wrap.
    return now > m_start ? now - m_start : 0;
}

void RegisterBackend(const std::string& name, int order, CPVBackendFactory factory) {
    if (name.empty() || !factory)
        return;
    std::lock_guard lock(RegistryMutex());
    auto& registry = Registry();
    // A second registration under a name replaces the first.
    registry.erase(std::remove_if(registry.begin(), registry.end(),
                                  [&](const Registered& entry) { return entry.name == name; }),
                   registry.end());
    registry.push_back({name, order, std::move(factory)});
    // Stable, so that equal orders keep the order of registration.
    std::stable_sort(registry.begin(), registry.end(),
                     [](const Registered& a, const Registered& b) { return a.order < b.order; });
}

std::vector<std::string> GetSelectedBackendNames() {
    std::vector<std::string> registered;
    {
        std::lock_guard lock(RegistryMutex());
        for (const auto& entry : Registry())
            registered.push_back(entry.name);
    }
    const char* choice = std::getenv("STAFFWRIGHT_DEVICES");
    std::vector<std::string> names;
    if (!choice || !*choice) {
        for (const auto& name : registered)
            if (name != "capture")
                names.push_back(name);
        return names;
    }
    const std::string text(choice);
    if (text == "none")
        return names;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string name = text.substr(start, end - start);
        const bool known = std::find(registered.begin(), registered.end(), name) != registered.end();
        if (known && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
        start = end + 1;
    }
    return names;
}

std::vector<std::unique_ptr<CPVBackend>> MakeSelectedBackends() {
    const std::vector<std::string> names = GetSelectedBackendNames();
    std::vector<CPVBackendFactory> factories;
    {
        std::lock_guard lock(RegistryMutex());
        for (const auto& name : names)
            for (const auto& entry : Registry())
                if (entry.name == name)
                    factories.push_back(entry.factory);
    }
    std::vector<std::unique_ptr<CPVBackend>> backends;
    // Factories run without the registry lock: a backend's constructor may load
    // libraries whose static initialisation registers further backends.
    for (const auto& factory : factories)
        if (auto backend = factory())
            backends.push_back(std::move(backend));
    return backends;
}
