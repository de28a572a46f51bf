// A module that looks like a plug-in but is not one this host can take: built
// once with another host interface version, once without a create function.
#include <memory>

#include <pluginsdk/PluginDescriptor.h>

namespace {

std::shared_ptr<Quintra::Plugin::QuintraPlugin> nothing;

#if !defined(FAKE_WITHOUT_CREATE)
std::shared_ptr<Quintra::Plugin::QuintraPlugin>* Create() {
    return &nothing;
}
#endif

void Release() {}

} // namespace

extern "C" {

TAPELOOM_API extern const Quintra::Plugin::PluginDescriptor exports;

const Quintra::Plugin::PluginDescriptor exports = {
    FAKE_API_VERSION, __FILE__, "FakeModule", "A module the sandbox must refuse", "0", 1,
#if defined(FAKE_WITHOUT_CREATE)
    nullptr,
#else
    &Create,
#endif
    &Release,
};
}
