// The module's two globals, in one source and in this order: static destruction
// runs backwards through a source, so at unload the console handle goes first
// and the plug-in object after it. Split across sources, the order would be the
// linker's, and the mingw DLL's is the other way round.
#include <memory>

#include <pluginsdk/QuintraPlugin.h>

#include "log/Log.h"

std::shared_ptr<Quintra::Plugin::QuintraPlugin> pluginSingleton;
std::shared_ptr<CVarManagerWrapper> globalCvarManager;
