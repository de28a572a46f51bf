#include "Tapeloom.h"

#include <new>

#include "log/Log.h"

extern "C" {

const Quintra::Plugin::PluginDescriptor exports = {
    Quintra::Plugin::kHostApiVersion,
    __FILE__,
    "Tapeloom",
    "A plugin for viewing replays",
    "1.0.VERSION_BOLD",
    1,
    &getPlugin,
    &deleteMe,
};

TAPELOOM_API std::shared_ptr<Quintra::Plugin::QuintraPlugin>* getPlugin() {
    if (!pluginSingleton) {
        try {
            pluginSingleton = std::make_shared<Tapeloom>();
        } catch (...) {
            // Out of memory: the host gets its handle back empty instead of an
            // exception across the module boundary.
        }
    }
    return &pluginSingleton;
}

TAPELOOM_API void deleteMe() {
    // Taken out first, so that the object's destruction never sees itself still owned.
    std::shared_ptr<Quintra::Plugin::QuintraPlugin> taken = std::move(pluginSingleton);
}

} // extern "C"

Tapeloom::Tapeloom() {
    menuTitle = "Tapeloom";
    pendingReplay = {};
}

Tapeloom::~Tapeloom() = default;

void Tapeloom::RefreshReplayList() {
    tapeloom::RefreshCatalogue(replayCatalogue);
}
