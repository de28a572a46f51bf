#include "test_host/replay_profile.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace testhost {

void SetEnvironment(const char* name, const std::optional<std::string>& value) {
#if defined(_WIN32)
    // The C runtime cannot hold an empty variable: an empty value removes it.
    _putenv_s(name, value ? value->c_str() : "");
#else
    value ? setenv(name, value->c_str(), 1) : unsetenv(name);
#endif
}

void SetWriteTime(const std::filesystem::path& path, std::int64_t ticks) {
#if defined(_WIN32)
    HANDLE file =
        CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path.string());
    FILETIME time{static_cast<DWORD>(static_cast<std::uint64_t>(ticks) & 0xffffffffu),
                  static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32)};
    BOOL done = SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
    if (!done) throw std::runtime_error("cannot set the time of " + path.string());
#else
    const std::int64_t sinceUnix = ticks - TicksFromUnixSeconds(0);
    const std::int64_t seconds = sinceUnix / kTicksPerSecond - (sinceUnix % kTicksPerSecond < 0 ? 1 : 0);
    const timespec times[2] = {{0, UTIME_OMIT}, {seconds, (sinceUnix - seconds * kTicksPerSecond) * 100}};
    if (utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
        throw std::runtime_error("cannot set the time of " + path.string());
    }
#endif
}

ReplayProfile::ReplayProfile(const std::string& folder) : replayFolder(folder) {
    static std::atomic<int> counter{0};
    root = std::filesystem::temp_directory_path() /
           ("tapeloom profile-" + std::to_string(std::random_device()()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(replayFolder.empty() ? GameFolder() : Folder());
    SetEnvironment("USERPROFILE", root.string());
}

ReplayProfile::~ReplayProfile() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

std::filesystem::path WriteFile(const std::filesystem::path& file, std::int64_t ticks) {
    std::ofstream(file) << "replay";
    SetWriteTime(file, ticks);
    return file;
}

} // namespace testhost
