#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// Marks what the module exports while the module itself is compiled; empty in
// every host, which never links against the module (so never dllimport).
#if defined(TAPELOOM_BUILDING_MODULE)
#if defined(_WIN32)
#define TAPELOOM_API __declspec(dllexport)
#else
#define TAPELOOM_API __attribute__((visibility("default")))
#endif
#else
#define TAPELOOM_API
#endif

namespace Quintra::Plugin {

class QuintraPlugin;

inline constexpr std::int32_t kHostApiVersion = 95;

// Names under which the host looks the module's entry points up.
inline constexpr const char* kDescriptorSymbol = "exports";
inline constexpr const char* kCreateSymbol = "getPlugin";
inline constexpr const char* kReleaseSymbol = "deleteMe";

// The record the host reads from the module's "exports" symbol: 64 bytes, fixed layout.
struct PluginDescriptor {
    std::int32_t apiVersion;
    const char* fileName;
    const char* className;
    const char* pluginName;
    const char* pluginVersion;
    std::uint32_t pluginType;
    std::shared_ptr<QuintraPlugin>* (*create)();
    void (*release)();
};

static_assert(sizeof(void*) == 8, "the host loads 64-bit modules only");
static_assert(sizeof(PluginDescriptor) == 64);
static_assert(offsetof(PluginDescriptor, apiVersion) == 0);
static_assert(offsetof(PluginDescriptor, fileName) == 8);
static_assert(offsetof(PluginDescriptor, className) == 16);
static_assert(offsetof(PluginDescriptor, pluginName) == 24);
static_assert(offsetof(PluginDescriptor, pluginVersion) == 32);
static_assert(offsetof(PluginDescriptor, pluginType) == 40);
static_assert(offsetof(PluginDescriptor, create) == 48);
static_assert(offsetof(PluginDescriptor, release) == 56);

} // namespace Quintra::Plugin
