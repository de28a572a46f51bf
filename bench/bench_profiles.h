#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include <pluginsdk/CVarManagerWrapper.h>

#include "platform/platform.h"

namespace bench {

// How the replays' write times fall: at random over four years (a few
// replays in some hours, none in most), or one replay in each hour going back.
enum class Spread { Years, Hourly };

// A user profile whose replay folder holds `entries` names: 90% ".replay"
// files, the rest other names, write times as `spread` says. Made once under
// the build folder and reused by later runs.
struct GeneratedProfile {
    std::filesystem::path root;
    std::filesystem::path replayFolder;
    std::size_t entries = 0;
    std::size_t replays = 0;
    Spread spread = Spread::Years;
};
const GeneratedProfile& Profile(std::size_t entries, Spread spread = Spread::Years);

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

// The floor: the listing and one fstatat per ".replay" name relative to the
// open folder; nothing kept, nothing formatted, nothing sorted. Returns the replays seen.
std::size_t FloorPass(const GeneratedProfile& profile);

// The profile's listing read once into memory, and a listing seam that plays
// it back (names in listing order, the times the disk listing reports), so a
// refresh can run without a system call in its listing.
void RecordFolder(const GeneratedProfile& profile);
std::unique_ptr<tapeloom::platform::FolderListing> OpenRecorded(const tapeloom::platform::NativeString&,
                                                                std::optional<tapeloom::platform::Error>&);

// The first refresh of a fresh process and the floor's first pass, timed in
// CPU time; prints one JSON line. `request` is SIZE,years|hourly,disk|memory,floor-first|refresh-first.
int FirstRefresh(std::string_view request);

} // namespace bench
