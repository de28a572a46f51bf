#include <pluginsdk/QuintraPlugin.h>

#include <utility>

namespace Quintra::Plugin {

QuintraPlugin::QuintraPlugin() = default;
QuintraPlugin::QuintraPlugin(const QuintraPlugin& other) = default;
QuintraPlugin::QuintraPlugin(QuintraPlugin&& other) noexcept = default;
QuintraPlugin::~QuintraPlugin() = default;
QuintraPlugin& QuintraPlugin::operator=(const QuintraPlugin& other) = default;
QuintraPlugin& QuintraPlugin::operator=(QuintraPlugin&& other) noexcept = default;

void QuintraPlugin::onLoad() {}
void QuintraPlugin::onUnload() {}

} // namespace Quintra::Plugin
