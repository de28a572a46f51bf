#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace testhost {

// Sets or (with no value) removes a variable of this process's environment,
// where the module's getenv reads it. Under Wine this is the only way: Wine
// replaces an inherited USERPROFILE.
void SetEnvironment(const char* name, const std::optional<std::string>& value);

// Ticks since 1601 for a UTC calendar time given as seconds since 1970.
constexpr std::int64_t TicksFromUnixSeconds(std::int64_t seconds) {
    return seconds * 10'000'000 + 116'444'736'000'000'000;
}
inline constexpr std::int64_t kTicksPerSecond = 10'000'000;
// 2024-03-15 18:42:07 UTC.
inline constexpr std::int64_t kMarch2024 = TicksFromUnixSeconds(1710528127);

// Sets a file's or folder's (or a link's own) last-write time, in ticks since 1601.
void SetWriteTime(const std::filesystem::path& path, std::int64_t ticks);
// Writes a small file with the given write time; returns its path.
std::filesystem::path WriteFile(const std::filesystem::path& file, std::int64_t ticks);

// A temporary user profile holding the game's replay folder, with USERPROFILE
// pointing at it.
class ReplayProfile {
public:
    // `replayFolder` is "Demos" or "DemosEpic"; empty creates no replay folder.
    explicit ReplayProfile(const std::string& replayFolder = "Demos");
    ~ReplayProfile();
    ReplayProfile(const ReplayProfile&) = delete;
    ReplayProfile& operator=(const ReplayProfile&) = delete;

    // The TAGame folder that holds the replay folder candidates.
    std::filesystem::path GameFolder() const { return root / "Documents" / "My Games" / "Corvane" / "TAGame"; }
    std::filesystem::path Folder() const { return GameFolder() / replayFolder; }
    std::filesystem::path AddFile(const std::filesystem::path& name, std::int64_t ticks) {
        return WriteFile(Folder() / name, ticks);
    }

    std::filesystem::path root;
    std::string replayFolder;
};

} // namespace testhost
