#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include <pluginsdk/PluginDescriptor.h>
#include <pluginsdk/QuintraPlugin.h>

namespace sandbox {

// Why a module was refused: one line naming the file and the problem.
class ModuleError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A plug-in module file loaded at run time, the way the host loads it: never
// linked in, its descriptor checked before anything in it is called.
class PluginModule {
public:
    // Loads the file and checks that it is a plug-in for this host: an
    // "exports" descriptor with the host's interface version and both entry
    // points. Throws ModuleError otherwise (the file is unloaded again).
    explicit PluginModule(const std::filesystem::path& file);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    // The address of an exported symbol, or null.
    void* Symbol(const char* name) const;
    const Quintra::Plugin::PluginDescriptor& Descriptor() const { return *descriptor_; }
    std::shared_ptr<Quintra::Plugin::QuintraPlugin>* GetPlugin() const { return descriptor_->create(); }
    void DeleteMe() const { descriptor_->release(); }
    const std::filesystem::path& File() const { return file_; }

private:
    void Close() noexcept;

    std::filesystem::path file_;
    void* handle_ = nullptr;
    const Quintra::Plugin::PluginDescriptor* descriptor_ = nullptr;
};

// The folder holding the running program.
std::filesystem::path ExecutableFolder();
// The module file name of a plug-in on this platform ("Tapeloom" -> Tapeloom.so / Tapeloom.dll).
std::filesystem::path ModuleFileName(const std::string& stem);

} // namespace sandbox
