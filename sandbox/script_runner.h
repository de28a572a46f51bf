#pragma once

#include <string>

#include "sandbox_host.h"
#include "script.h"
#include "transcript.h"

namespace sandbox {

// Carries out one step against the host. Empty when it went through; else why
// the run has to stop there. A module refused at a load step throws ModuleError.
std::string RunStep(Host& host, Transcript& transcript, const Step& step);

} // namespace sandbox
