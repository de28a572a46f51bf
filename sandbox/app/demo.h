#pragma once

#include "host/host.h"
#include "script/step_runner.h"

namespace sandbox {

// The headless demo: the window opened, a replay clicked in a match and
// followed through freeplay, the window opened again for the picture that
// follows. It clicks the third replay, or the last one when the profile lists fewer.
StepsEnd RunHeadlessDemo(Host& host, Transcript& transcript);

// The window is the person's until they close it (or Ctrl-C): keys go to the
// host, the panel and the plug-in's window take the mouse.
StepsEnd RunWindow(Host& host);

} // namespace sandbox
