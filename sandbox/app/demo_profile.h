#pragma once

#include <filesystem>

namespace sandbox {

// Writes a user profile for the demo and the tests under `profile`: the game's
// replay folder with a dozen replays of different ages (their last-write
// times, newest "Overtime_Winner.replay" minutes old, oldest two years) and a
// few files and a folder the plug-in must not list. Returns the replay folder.
std::filesystem::path WriteDemoProfile(const std::filesystem::path& profile);

// A new folder under the system's temporary folder, removed with the object.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace sandbox
