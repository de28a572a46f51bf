#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include <pluginsdk/PluginDescriptor.h>
#include <pluginsdk/PluginWindow.h>
#include <pluginsdk/QuintraPlugin.h>

#include "host/fake_host.h"

namespace testhost {

// A module file loaded at run time, as the host loads it (never linked in).
class ModuleLibrary {
public:
    explicit ModuleLibrary(const std::filesystem::path& file);
    ~ModuleLibrary();
    ModuleLibrary(const ModuleLibrary&) = delete;
    ModuleLibrary& operator=(const ModuleLibrary&) = delete;

    // The address of an exported symbol, or null.
    void* Symbol(const char* name) const;
    const Quintra::Plugin::PluginDescriptor& Descriptor() const;
    std::shared_ptr<Quintra::Plugin::QuintraPlugin>* GetPlugin() const;
    void DeleteMe() const;

private:
    void* handle_ = nullptr;
};

// The folder holding the running test program.
std::filesystem::path ExecutableFolder();
// The built Tapeloom module beside the test program.
std::filesystem::path TapeloomModulePath();

// A plug-in loaded the way the host does it: getPlugin, a host copy of the
// handle, both handles filled with recording fakes, onLoad, and the window
// interface found by dynamic_pointer_cast. Unload releases in host order.
class LoadedPlugin {
public:
    explicit LoadedPlugin(const std::filesystem::path& module = TapeloomModulePath());
    ~LoadedPlugin();

    // onUnload, every host copy released, deleteMe. Idempotent.
    void Unload();

    ModuleLibrary library;
    std::shared_ptr<FakeConsole> console = std::make_shared<FakeConsole>();
    std::shared_ptr<FakeGame> game = std::make_shared<FakeGame>();
    std::shared_ptr<Quintra::Plugin::QuintraPlugin> plugin;
    std::shared_ptr<Quintra::Plugin::PluginWindow> window;
};

} // namespace testhost
