#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "host/transcript.h"

namespace sandbox {

// The game as far as a plug-in can see it: the current map, whether freeplay
// runs, a freeplay that arrives after a short load, and a replay playing.
// Every change is told in the transcript.
class GameSimulation {
public:
    static constexpr std::string_view kMainMenu = "Menu_MainScreen";
    // What the host panel offers as "a match"; scripts may name any map.
    static constexpr std::string_view kMatchMap = "Stadium_P";
    static constexpr std::string_view kFreeplayMap = "Park_P";
    static constexpr std::string_view kGameTimeEvent = "Function TAGame.GameEvent_Soccar_TA.OnGameTimeUpdated";
    // Every event the simulation fires; a plug-in may hook others, which never come.
    static constexpr std::array<std::string_view, 1> kFiredEvents = {kGameTimeEvent};
    // Long enough that a plug-in cannot mistake the request for the arrival.
    static constexpr int kFreeplayLoadTicks = 3;

    explicit GameSimulation(Transcript& transcript) : transcript_(transcript) {}

    const std::string& Map() const { return map_; }
    bool InFreeplay() const { return freeplay_; }
    bool Loading() const { return loadTicks_ > 0; }
    const std::string& NowPlaying() const { return nowPlaying_; }

    // Leaves whatever runs and goes to the map: the main menu, or a match there.
    void GoToMap(std::string_view map);
    // Freeplay at once, as if the player had picked it from the menu.
    void EnterFreeplay();
    // The console's load_freeplay: freeplay after kFreeplayLoadTicks ticks.
    void LoadFreeplay();
    // Starts playing the file if it exists; otherwise says so and changes nothing.
    void PlayReplay(const std::filesystem::path& replay);

    // One game tick. True when the game's clock ran in it, that is when a
    // match, freeplay or a replay runs (never on the main menu or while loading).
    bool Tick();

private:
    Transcript& transcript_;
    std::string map_{kMainMenu};
    bool freeplay_ = false;
    int loadTicks_ = 0;
    std::string nowPlaying_;
};

} // namespace sandbox
