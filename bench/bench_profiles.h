#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include <pluginsdk/CVarManagerWrapper.h>

namespace bench {

// A user profile whose replay folder holds `entries` names: 90% ".replay"
// files, the rest other names, write times spread over four years. Made once
// under the build folder and reused by later runs.
struct GeneratedProfile {
    std::filesystem::path root;
    std::filesystem::path replayFolder;
    std::size_t entries = 0;
    std::size_t replays = 0;
};
const GeneratedProfile& Profile(std::size_t entries);

// Points USERPROFILE at the profile, where the catalogue reads it.
void UseProfile(const GeneratedProfile& profile);

// A console that drops every line, so the refresh's log costs nothing measurable.
class NullConsole final : public CVarManagerWrapper {
public:
    void log(std::string) override {}
    void executeCommand(std::string, bool) override {}
    void registerNotifier(std::string, std::function<void(std::vector<std::string>)>, std::string,
                          unsigned char) override {}
    void setBind(std::string, std::string) override {}
};
void SilenceLog();

// Whether the name is one the catalogue lists (extension ".replay", not a bare ".replay").
bool IsReplayName(std::string_view name);

} // namespace bench
