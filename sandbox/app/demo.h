#pragma once

#include <filesystem>

#include "host/host.h"
#include "script/step_runner.h"

namespace sandbox {

// The headless demo: the window opened, a replay clicked in a match and
// followed through freeplay, the window opened again, and a picture. It
// clicks the third replay, or the last one when the profile lists fewer.
StepsEnd RunHeadlessDemo(Host& host, Transcript& transcript, const std::filesystem::path& screenshot);

// The windowed demo: the window opened, then the person drives it until they
// close the sandbox's window.
StepsEnd RunWindowedDemo(Host& host, Transcript& transcript);

} // namespace sandbox
