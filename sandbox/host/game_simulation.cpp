#include "host/game_simulation.h"

#include <system_error>

#include "harness/display_path.h"

namespace sandbox {

void GameSimulation::GoToMap(std::string_view map) {
    map_ = std::string(map);
    freeplay_ = false;
    loadTicks_ = 0;
    nowPlaying_.clear();
    transcript_.Sandbox(map == kMainMenu ? "map " + map_ + " (main menu)" : "map " + map_ + " (a match)");
}

void GameSimulation::EnterFreeplay() {
    map_ = std::string(kFreeplayMap);
    freeplay_ = true;
    loadTicks_ = 0;
    nowPlaying_.clear();
    transcript_.Sandbox("freeplay on " + map_);
}

void GameSimulation::LoadFreeplay() {
    freeplay_ = false;
    nowPlaying_.clear();
    loadTicks_ = kFreeplayLoadTicks;
    transcript_.Sandbox("loading freeplay...");
}

void GameSimulation::PlayReplay(const std::filesystem::path& replay) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(replay, error)) {
        transcript_.Sandbox("PlayReplay: no such replay file: " + DisplayPath(replay));
        return;
    }
    // A replay replaces freeplay; the map is the replay's, which the sandbox does not read.
    freeplay_ = false;
    loadTicks_ = 0;
    nowPlaying_ = DisplayPath(replay.filename());
    transcript_.Sandbox("now playing " + nowPlaying_);
}

bool GameSimulation::Tick() {
    if (loadTicks_ > 0) {
        if (--loadTicks_ > 0) return false;
        EnterFreeplay();
    }
    return map_ != kMainMenu || !nowPlaying_.empty();
}

} // namespace sandbox
