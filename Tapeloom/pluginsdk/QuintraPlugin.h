#pragma once

#include <memory>

#include <pluginsdk/CVarManagerWrapper.h>
#include <pluginsdk/GameWrapper.h>
#include <pluginsdk/PluginDescriptor.h>

namespace Quintra::Plugin {

// The host's plug-in base. Its two virtual slots are reached by position, so
// there is deliberately no virtual destructor. Every member is defined out of
// line in QuintraPlugin.cpp: mingw does not export inline members, and the
// type information a host needs for dynamic_pointer_cast is emitted only where
// onLoad (the key function) is defined.
#if defined(_MSC_VER)
#pragma warning(push)
#pragma warning(disable : 4251) // shared_ptr members are fine to export: host and module share one STL by contract.
#endif
class TAPELOOM_API QuintraPlugin {
public:
    QuintraPlugin();
    QuintraPlugin(const QuintraPlugin& other);
    QuintraPlugin(QuintraPlugin&& other) noexcept;
    ~QuintraPlugin();
    QuintraPlugin& operator=(const QuintraPlugin& other);
    QuintraPlugin& operator=(QuintraPlugin&& other) noexcept;

    virtual void onLoad();
    virtual void onUnload();

    // Filled by the host after getPlugin and before onLoad. Declared in this
    // order so that destruction releases gameWrapper first.
    std::shared_ptr<CVarManagerWrapper> cvarManager;
    std::shared_ptr<GameWrapper> gameWrapper;
};
#if defined(_MSC_VER)
#pragma warning(pop)
#endif

} // namespace Quintra::Plugin
