#include "host/module_library.h"

#include <stdexcept>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace testhost {

ModuleLibrary::ModuleLibrary(const std::filesystem::path& file) {
#if defined(_WIN32)
    handle_ = LoadLibraryW(file.c_str());
    if (!handle_) throw std::runtime_error("LoadLibraryW failed for " + file.string());
#else
    handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) throw std::runtime_error(std::string("dlopen failed: ") + dlerror());
#endif
}

ModuleLibrary::~ModuleLibrary() {
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(handle_));
#else
    dlclose(handle_);
#endif
}

void* ModuleLibrary::Symbol(const char* name) const {
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
    return dlsym(handle_, name);
#endif
}

const Quintra::Plugin::PluginDescriptor& ModuleLibrary::Descriptor() const {
    auto* descriptor =
        static_cast<const Quintra::Plugin::PluginDescriptor*>(Symbol(Quintra::Plugin::kDescriptorSymbol));
    if (!descriptor) throw std::runtime_error("module has no descriptor");
    return *descriptor;
}

std::shared_ptr<Quintra::Plugin::QuintraPlugin>* ModuleLibrary::GetPlugin() const {
    return Descriptor().create();
}

void ModuleLibrary::DeleteMe() const {
    Descriptor().release();
}

std::filesystem::path ExecutableFolder() {
#if defined(_WIN32)
    wchar_t buffer[MAX_PATH * 4];
    DWORD length = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
    return std::filesystem::path(std::wstring(buffer, length)).parent_path();
#else
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
#endif
}

std::filesystem::path TapeloomModulePath() {
#if defined(_WIN32)
    return ExecutableFolder() / "Tapeloom.dll";
#else
    return ExecutableFolder() / "Tapeloom.so";
#endif
}

LoadedPlugin::LoadedPlugin(const std::filesystem::path& module) : library(module) {
    std::shared_ptr<Quintra::Plugin::QuintraPlugin>* handle = library.GetPlugin();
    if (!handle || !*handle) throw std::runtime_error("getPlugin gave no plug-in");
    plugin = *handle;
    plugin->cvarManager = console;
    plugin->gameWrapper = game;
    plugin->onLoad();
    window = std::dynamic_pointer_cast<Quintra::Plugin::PluginWindow>(plugin);
}

LoadedPlugin::~LoadedPlugin() {
    Unload();
}

void LoadedPlugin::Unload() {
    if (!plugin) return;
    plugin->onUnload();
    // What the plug-in registered may point into it: drop it before the object goes.
    console->notifiers.clear();
    game->hooks.clear();
    game->queued.clear();
    window.reset();
    plugin.reset();
    library.DeleteMe();
}

} // namespace testhost
