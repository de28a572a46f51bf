#pragma once

#include <array>
#include <string>
#include <string_view>

#include "host/game_simulation.h"
#include "host/transcript.h"

namespace sandbox {

// What a person asked for in the host panel; the host carries it out after the frame.
struct PanelRequest {
    enum class Kind { None, MainMenu, Match, Freeplay, Command, Reload };
    Kind kind = Kind::None;
    std::string command;
};

inline constexpr std::string_view kPanelTitle = "Sandbox";

// What the panel tells of the plug-in loaded now, which the host learns from it.
struct PanelHint {
    std::string console; // its window's toggle and its binds
    std::string example; // the command line's placeholder
};

// The host's own window beside the plug-in's: the game's state, buttons to
// change it, and the console with a line to type commands into.
PanelRequest DrawHostPanel(const GameSimulation& game, const Transcript& transcript, const PanelHint& hint,
                           std::array<char, 256>& commandInput);

} // namespace sandbox
