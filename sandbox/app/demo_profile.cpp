#include "app/demo_profile.h"

#include <array>
#include <chrono>
#include <fstream>
#include <random>
#include <string>

namespace sandbox {

namespace {

using namespace std::chrono_literals;

struct DemoFile {
    const char* name;
    std::chrono::minutes age;
};

// Listed here out of age order: the plug-in, not the folder, puts them newest first.
constexpr std::array kReplays{
    DemoFile{"Kickoff_Goal.replay", 14 * 24h}, DemoFile{"Overtime_Winner.replay", 5min},
    DemoFile{"Double_Tap.replay", 26h},        DemoFile{"Last_Second_Save.replay", 2h},
    DemoFile{"Ceiling_Shot.replay", 3 * 24h},  DemoFile{"Own_Goal_Oops.replay", 7 * 24h},
    DemoFile{"Demo_Chain.replay", 30 * 24h},   DemoFile{"Air_Dribble.replay", 61 * 24h},
    DemoFile{"Flip_Reset.replay", 122 * 24h},  DemoFile{"Team_Play.replay", 244 * 24h},
    DemoFile{"First_Win.replay", 365 * 24h},   DemoFile{"Season_Finale.replay", 730 * 24h},
};

// Near misses of the extension rule, which the plug-in must leave out.
constexpr std::array kOthers{
    DemoFile{"notes.txt", 1h},
    DemoFile{"Old_Match.replay.bak", 3h},
    DemoFile{"Shouting.REPLAY", 5h},
};

void WriteFile(const std::filesystem::path& file, std::chrono::minutes age) {
    std::ofstream(file, std::ios::binary) << "Tapeloom sandbox demo file\n";
    std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now() - age);
}

} // namespace

std::filesystem::path WriteDemoProfile(const std::filesystem::path& profile) {
    std::filesystem::path demos = profile / "Documents" / "My Games" / "Corvane" / "TAGame" / "Demos";
    std::filesystem::create_directories(demos / "Highlights");
    for (const DemoFile& replay : kReplays) WriteFile(demos / replay.name, replay.age);
    for (const DemoFile& other : kOthers) WriteFile(demos / other.name, other.age);
    return demos;
}

TemporaryFolder::TemporaryFolder() {
    std::random_device random;
    for (;;) {
        path_ = std::filesystem::temp_directory_path() / ("tapeloom-sandbox-" + std::to_string(random()));
        if (std::filesystem::create_directory(path_)) return;
    }
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

} // namespace sandbox
