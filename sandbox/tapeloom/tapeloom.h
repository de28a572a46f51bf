#pragma once

#include <string>
#include <string_view>

#include "host/host.h"
#include "host/transcript.h"
#include "script/step_runner.h"

// What the sandbox knows of Tapeloom, the plug-in this project builds, and
// only here. Everywhere else the sandbox is a host for any plug-in: it learns
// the loaded plug-in's windows, binds and hooks from the plug-in itself.
namespace sandbox::tapeloom {

// The module file beside the sandbox that it loads by default (Tapeloom.so, Tapeloom.dll).
inline constexpr std::string_view kModuleName = "Tapeloom";

// Whether the plug-in loaded now is Tapeloom, whose rows `click Load N` can reach.
bool Loaded(const Host& host);

// Clicks row N's Load button in the replay list, scrolling the list to the row
// when it is out of view. Empty on success, else what went wrong.
std::string ClickRow(Host& host, int row);

// The headless demo: the window opened, a replay clicked in a match and
// followed through freeplay, the window opened again for the picture that
// follows. It clicks the third replay, or the last one when the profile lists fewer.
StepsEnd RunHeadlessDemo(Host& host, Transcript& transcript);

// The windowed demo's start: the window opened for the person, and what to do told.
void OpenForPerson(Host& host, Transcript& transcript);

} // namespace sandbox::tapeloom
