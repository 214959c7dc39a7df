// The desktop's parts as a module beside the program (in the build) or in its library folder (installed),
// loaded on first use.
#include <dlfcn.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

#include "platform/windowsystem.h"

namespace gv {

namespace {

constexpr const char* kModule = "gorvath-window.so";

WindowSystem* load() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) throw std::runtime_error("cannot find the program's own folder: " + error.message());
    const std::filesystem::path folder = self.parent_path();
    std::string why;
    for (const std::filesystem::path& place : {folder / kModule, folder / GORVATH_MODULE_FOLDER / kModule}) {
        void* module = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            const char* e = dlerror();
            if (std::filesystem::exists(place, error)) throw std::runtime_error(e ? e : place.string());
            why = why.empty() ? place.string() : why + ", " + place.string();
            continue;
        }
        using Entry = WindowSystem* (*)();
        auto entry = reinterpret_cast<Entry>(dlsym(module, "gorvath_window_system"));
        if (!entry) throw std::runtime_error(place.string() + " is not this program's window module");
        return entry();
    }
    throw std::runtime_error("cannot find the window module (" + why + ")");
}

}  // namespace

WindowSystem& windowSystem() {
    static WindowSystem* const system = load();
    return *system;
}

}  // namespace gv
