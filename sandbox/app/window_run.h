#pragma once

#include "host/host.h"
#include "script/step_runner.h"

namespace sandbox {

// The window is the person's until they close it (or Ctrl-C): keys go to the
// host, the panel and the plug-in's window take the mouse.
StepsEnd RunWindow(Host& host);

} // namespace sandbox
