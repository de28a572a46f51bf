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

// Sets a file's or folder's last-write time, in 100-ns ticks since 1601-01-01 UTC.
void SetWriteTime(const std::filesystem::path& path, std::int64_t ticks);

// Ticks since 1601 for a UTC calendar time given as seconds since 1970.
constexpr std::int64_t TicksFromUnixSeconds(std::int64_t seconds) {
    return seconds * 10'000'000 + 116'444'736'000'000'000;
}

// A temporary user profile holding the game's replay folder, with USERPROFILE
// pointing at it for the object's lifetime.
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

    // Creates a small file in the replay folder with the given write time.
    std::filesystem::path AddFile(const std::filesystem::path& name, std::int64_t ticks);

    std::filesystem::path root;
    std::string replayFolder;

private:
    std::optional<std::string> previousProfile_;
};

} // namespace testhost
