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
#include "host/replay_profile.h"
#include "log/Log.h"
#include "replay_catalogue.h"

namespace catalogueprofile {

namespace fs = std::filesystem;
using tapeloom::platform::NativeString;

constexpr std::int64_t kUnixEpochTicks = 116'444'736'000'000'000;
constexpr std::int64_t kTicksPerSecond = 10'000'000;
// 2024-03-15 18:42:07 UTC and neighbours, for files whose times only need to differ.
constexpr std::int64_t kMarch2024 = 133'550'017'270'000'000;

// A profile folder of its own under the temporary folder, named by USERPROFILE
// while the test runs, with the console the catalogue logs to.
class CatalogueProfile : public testing::Test {
protected:
    void SetUp() override {
        profile.emplace(""); // the replay folders are each test's to make
        root = profile->root;
        globalCvarManager = console;
    }

    void TearDown() override {
        globalCvarManager.reset();
        profile.reset();
    }

    fs::path Base() const { return profile->GameFolder(); }

    fs::path MakeFolder(const fs::path& name) {
        fs::create_directories(Base() / name);
        return Base() / name;
    }

    fs::path MakeFile(const fs::path& folder, const fs::path& name, std::int64_t ticks) {
        std::ofstream(folder / name) << "replay";
        testhost::SetWriteTime(folder / name, ticks);
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

    std::optional<testhost::ReplayProfile> profile;
    fs::path root;
    std::shared_ptr<testhost::FakeConsole> console = std::make_shared<testhost::FakeConsole>();
    std::vector<ReplayEntry> entries;
};

} // namespace catalogueprofile
