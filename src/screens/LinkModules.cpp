// Quorva run-time. Licensed under the MIT licence.
#include "screens/LinkModules.h"

#include "platform/Log.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace screens {
namespace {

struct LoadedModule {
    void* handle = nullptr; // null: not available, said once
};

std::vector<std::filesystem::path> ModuleDirectories() {
    std::vector<std::filesystem::path> directories;
    if (const char* configured = std::getenv("QUORVA_MODULE_DIR"); configured && *configured)
        directories.emplace_back(configured);
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        directories.push_back(executable.parent_path().parent_path() / "lib" / "quorva");
#ifdef QUORVA_MODULE_BUILD_DIR
    directories.emplace_back(QUORVA_MODULE_BUILD_DIR);
#endif
    return directories;
}

LoadedModule Load(const std::string& name) {
    const std::string file = "lib" + name + ".so";
    std::string reasons;
    for (const std::filesystem::path& directory : ModuleDirectories()) {
        const std::filesystem::path path = directory / file;
        std::error_code error;
        if (!std::filesystem::exists(path, error))
            continue;
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char* why = dlerror();
            reasons += fmt::format("; {}: {}", path.string(), why ? why : "cannot be loaded");
            continue;
        }
        using VersionFunction = int (*)();
        auto version = reinterpret_cast<VersionFunction>(dlsym(handle, "quorva_link_module_version"));
        if (version == nullptr || version() != kLinkModuleVersion) {
            reasons += fmt::format("; {}: not a module of this run-time's version", path.string());
            dlclose(handle);
            continue;
        }
        platform::LogInfo("module {} loaded from {}", name, path.string());
        return {handle};
    }
    platform::LogWarning("module {} is not available{}; its commands do nothing", name,
                         reasons.empty() ? std::string(" (not installed)") : reasons);
    return {};
}

} // namespace

void* LinkModuleSymbol(const std::string& name, const char* symbol) {
    // GUI thread only, like every screen command: no lock.
    static std::map<std::string, LoadedModule> modules;
    auto found = modules.find(name);
    if (found == modules.end())
        found = modules.emplace(name, Load(name)).first;
    if (found->second.handle == nullptr)
        return nullptr;
    void* address = dlsym(found->second.handle, symbol);
    if (address == nullptr)
        platform::LogWarning("module {} has no {}", name, symbol);
    return address;
}

} // namespace screens
