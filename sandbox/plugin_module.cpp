#include "plugin_module.h"

#include <iterator>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace sandbox {

namespace {

std::string LoadFailure() {
#if defined(_WIN32)
    return "cannot be loaded (system error " + std::to_string(GetLastError()) + ")";
#else
    const char* reason = dlerror();
    return std::string("cannot be loaded: ") + (reason ? reason : "unknown reason");
#endif
}

} // namespace

PluginModule::PluginModule(const std::filesystem::path& file) : file_(file) {
    using namespace Quintra::Plugin;
    auto refuse = [&](const std::string& problem) {
        Close();
        throw ModuleError(file_.string() + ": " + problem);
    };

#if defined(_WIN32)
    handle_ = LoadLibraryW(file_.c_str());
#else
    handle_ = dlopen(file_.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
    if (!handle_) refuse(LoadFailure());

    descriptor_ = static_cast<const PluginDescriptor*>(Symbol(kDescriptorSymbol));
    if (!descriptor_) refuse(std::string("not a plug-in: no \"") + kDescriptorSymbol + "\" descriptor");
    if (descriptor_->apiVersion != kHostApiVersion) {
        refuse("wrong host interface version " + std::to_string(descriptor_->apiVersion) + " (this host speaks " +
               std::to_string(kHostApiVersion) + ")");
    }
    if (!descriptor_->create || !Symbol(kCreateSymbol)) refuse(std::string("lacks the entry point ") + kCreateSymbol);
    if (!descriptor_->release || !Symbol(kReleaseSymbol))
        refuse(std::string("lacks the entry point ") + kReleaseSymbol);
}

PluginModule::~PluginModule() {
    Close();
}

void PluginModule::Close() noexcept {
    if (!handle_) return;
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(handle_));
#else
    dlclose(handle_);
#endif
    handle_ = nullptr;
    descriptor_ = nullptr;
}

void* PluginModule::Symbol(const char* name) const {
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
    return dlsym(handle_, name);
#endif
}

std::filesystem::path ExecutableFolder() {
#if defined(_WIN32)
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    return std::filesystem::path(buffer).parent_path();
#else
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
#endif
}

std::filesystem::path ModuleFileName(const std::string& stem) {
#if defined(_WIN32)
    return stem + ".dll";
#else
    return stem + ".so";
#endif
}

} // namespace sandbox
