// A module that looks like a plug-in but is not one this host can take: built
// once with another host interface version, once without a create function,
// and once with a plug-in whose onLoad throws into the host.
#include <memory>
#include <stdexcept>

#include <pluginsdk/PluginDescriptor.h>
#include <pluginsdk/QuintraPlugin.h>

namespace {

std::shared_ptr<Quintra::Plugin::QuintraPlugin> nothing;

#if defined(FAKE_THROWING)
// final: the handle's control block destroys it as itself, with no virtual destructor.
struct Throwing final : Quintra::Plugin::QuintraPlugin {
    void onLoad() override { throw std::runtime_error("onLoad failed"); }
};
#endif

} // namespace

extern "C" {

#if !defined(FAKE_WITHOUT_CREATE)
TAPELOOM_API std::shared_ptr<Quintra::Plugin::QuintraPlugin>* getPlugin() {
#if defined(FAKE_THROWING)
    if (!nothing) nothing = std::make_shared<Throwing>();
#endif
    return &nothing;
}
#endif

TAPELOOM_API void deleteMe() {
    nothing.reset();
}

TAPELOOM_API extern const Quintra::Plugin::PluginDescriptor exports;

const Quintra::Plugin::PluginDescriptor exports = {
    FAKE_API_VERSION, __FILE__, "FakeModule", "A module the sandbox must refuse", "0", 1,
#if defined(FAKE_WITHOUT_CREATE)
    nullptr,
#else
    &getPlugin,
#endif
    &deleteMe,
};
}
