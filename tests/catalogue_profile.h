#pragma once

// A throw-away user profile on disk with the game's replay folders under it,
// and write times set to the tick, for driving the catalogue against a real
// file system.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/fake_host.h"
#include "log/Log.h"
#include "replay_catalogue.h"

#if defined(_WIN32)
#include <windows.h>

#include <process.h>
#include <stdlib.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace catalogueprofile {

namespace fs = std::filesystem;
using tapeloom::platform::NativeString;

constexpr std::int64_t kUnixEpochTicks = 116'444'736'000'000'000;
constexpr std::int64_t kTicksPerSecond = 10'000'000;
// 2024-03-15 18:42:07 UTC and neighbours, for files whose times only need to differ.
constexpr std::int64_t kMarch2024 = 133'550'017'270'000'000;

inline void SetProfileVariable(const std::string& value) {
#if defined(_WIN32)
    _putenv_s("USERPROFILE", value.c_str());
#else
    setenv("USERPROFILE", value.c_str(), 1);
#endif
}

inline void UnsetProfileVariable() {
#if defined(_WIN32)
    _putenv_s("USERPROFILE", ""); // an empty value removes it
#else
    unsetenv("USERPROFILE");
#endif
}

// Sets the last-write time of a file or folder to the tick; never follows a link on Linux.
inline void SetWriteTime(const fs::path& path, std::int64_t ticks) {
#if defined(_WIN32)
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    const auto raw = static_cast<std::uint64_t>(ticks);
    FILETIME time{static_cast<DWORD>(raw), static_cast<DWORD>(raw >> 32)};
    const BOOL set = SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
    ASSERT_TRUE(set) << path;
#else
    const std::int64_t sinceEpoch = ticks - kUnixEpochTicks;
    std::int64_t seconds = sinceEpoch / kTicksPerSecond;
    std::int64_t rest = sinceEpoch % kTicksPerSecond;
    if (rest < 0) {
        seconds -= 1;
        rest += kTicksPerSecond;
    }
    timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), static_cast<long>(rest * 100)}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
#endif
}

// A profile folder of its own under the temporary folder, named by USERPROFILE
// while the test runs, with the console the catalogue logs to.
class CatalogueProfile : public testing::Test {
protected:
    void SetUp() override {
        static int serial = 0;
#if defined(_WIN32)
        const int process = _getpid();
#else
        const int process = getpid();
#endif
        root = fs::temp_directory_path() /
               ("tapeloom-profile-" + std::to_string(process) + "-" + std::to_string(++serial));
        fs::remove_all(root);
        fs::create_directories(Base());
        SetProfileVariable(root.string());
        globalCvarManager = console;
    }

    void TearDown() override {
        globalCvarManager.reset();
        UnsetProfileVariable();
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    fs::path Base() const {
        return root / "Documents" / "My Games" / "Corvane" / "TAGame";
    }

    fs::path MakeFolder(const fs::path& name) {
        fs::create_directories(Base() / name);
        return Base() / name;
    }

    fs::path MakeFile(const fs::path& folder, const fs::path& name, std::int64_t ticks) {
        std::ofstream(folder / name) << "replay";
        SetWriteTime(folder / name, ticks);
        return folder / name;
    }

    void Refresh(tapeloom::platform::OpenListingFunction open = tapeloom::platform::OpenFolderListing) {
        console->lines.clear();
        tapeloom::RefreshCatalogue(entries, open);
    }

    // The listed paths in catalogue order.
    std::vector<NativeString> Paths() const {
        std::vector<NativeString> paths;
        for (const ReplayEntry& entry : entries) paths.push_back(entry.filePath);
        return paths;
    }

    // The three lines of a scan that stopped at an error. The system's message
    // in the middle is never compared: it differs between systems.
    void ExpectScanError(const std::string& operation, const std::optional<fs::path>& path, std::size_t count) {
        ASSERT_EQ(console->lines.size(), 3u);
        const std::string& line = console->lines[1];
        EXPECT_EQ(line.rfind("ERROR while scanning directory: " + operation + ": ", 0), 0u) << line;
        const std::string tail = path ? ": \"" + tapeloom::platform::NarrowForLog(path->native()) + "\"" : "\"";
        const bool endsInPath =
            line.size() >= tail.size() && line.compare(line.size() - tail.size(), tail.size(), tail) == 0;
        EXPECT_EQ(endsInPath, path.has_value()) << line;
        EXPECT_EQ(console->lines[2], "Sorting complete. " + std::to_string(count) + " replays found.");
    }

    // The folder as the catalogue joins it: exactly one separator before the name.
    static NativeString Joined(const fs::path& folder, const fs::path& name) {
        return folder.native() + tapeloom::platform::kPathSeparator + name.native();
    }

    fs::path root;
    std::shared_ptr<testhost::FakeConsole> console = std::make_shared<testhost::FakeConsole>();
    std::vector<ReplayEntry> entries;
};

} // namespace catalogueprofile
