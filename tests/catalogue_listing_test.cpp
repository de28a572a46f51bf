// The catalogue when the folder listing fails part-way or reports unusual
// times: a real listing played back through the seam, broken where each test
// says, and on Linux real links that cannot be followed.
#include <algorithm>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue_profile.h"

namespace {

using catalogueprofile::CatalogueProfile;
using catalogueprofile::kMarch2024;
using catalogueprofile::kTicksPerSecond;
using catalogueprofile::kUnixEpochTicks;
using catalogueprofile::NativeString;
using tapeloom::platform::Error;
using tapeloom::platform::FolderListing;
namespace fs = std::filesystem;

// Where the played-back listing breaks, and what it saw. Code 5 is an I/O or
// access failure on both platforms.
struct Script {
    bool failOpen = false;
    int failAdvanceAfter = -1;                  // entries handed out before advancing fails
    int failTimeAt = -1;                        // index of the time query that fails, as for a link without target
    int vanishAt = -1;                          // index of the time query whose entry is gone
    std::map<NativeString, std::int64_t> times; // replace the file system's time of these names
    std::vector<std::pair<NativeString, std::int64_t>> timed; // times read, in listing order
    NativeString failedPath;
};

Script* script = nullptr;

class ScriptedListing : public FolderListing {
public:
    ScriptedListing(std::unique_ptr<FolderListing> listing, NativeString path)
        : real(std::move(listing)), folder(std::move(path)) {}

    Step Next(std::optional<Error>& error) override {
        if (handedOut == script->failAdvanceAfter) {
            error = Error{"directory_iterator::operator++", 5, std::nullopt};
            return Step::Failed;
        }
        const Step step = real->Next(error);
        if (step == Step::Entry) ++handedOut;
        return step;
    }

    tapeloom::platform::NativeStringView Name() const override { return real->Name(); }

    Time WriteTime(std::int64_t& ticks, std::optional<Error>& error) override {
        const NativeString name(Name());
        const int query = queries++;
        if (query == script->vanishAt) return Time::Vanished;
        if (query == script->failTimeAt) {
            script->failedPath = folder + tapeloom::platform::kPathSeparator + name;
            error = Error{"directory_entry::last_write_time", 5, script->failedPath};
            return Time::Failed;
        }
        const Time time = real->WriteTime(ticks, error);
        if (time != Time::Read) return time;
        if (auto replaced = script->times.find(name); replaced != script->times.end()) ticks = replaced->second;
        script->timed.emplace_back(name, ticks);
        return time;
    }

private:
    std::unique_ptr<FolderListing> real;
    NativeString folder;
    int handedOut = 0;
    int queries = 0;
};

std::unique_ptr<FolderListing> OpenScripted(const NativeString& folder, std::optional<Error>& error) {
    if (script->failOpen) {
        error = Error{"directory_iterator::directory_iterator", 5, folder};
        return nullptr;
    }
    std::unique_ptr<FolderListing> real = tapeloom::platform::OpenFolderListing(folder, error);
    if (!real) return nullptr;
    return std::make_unique<ScriptedListing>(std::move(real), folder);
}

class ScriptedProfile : public CatalogueProfile {
protected:
    void SetUp() override {
        CatalogueProfile::SetUp();
        script = &played;
        demos = MakeFolder("Demos");
    }
    void TearDown() override {
        script = nullptr;
        CatalogueProfile::TearDown();
    }

    // Replays only, so every entry the listing hands out is one the catalogue takes.
    void MakeReplays(int count) {
        for (int i = 0; i < count; ++i) {
            // Times in another order than the names.
            MakeFile(demos, std::string("r").append(std::to_string(i)).append(".replay"),
                     kMarch2024 + ((i * 11) % count) * kTicksPerSecond);
        }
    }

    // The names whose time was read, as full paths, newest first.
    std::vector<NativeString> TimedNewestFirst() const {
        auto timed = played.timed;
        std::sort(timed.begin(), timed.end(),
                  [](const auto& left, const auto& right) { return left.second > right.second; });
        std::vector<NativeString> paths;
        for (const auto& entry : timed) paths.push_back(Joined(demos, entry.first));
        return paths;
    }

    Script played;
    fs::path demos;
};

class CatalogueScanErrors : public ScriptedProfile {};

TEST_F(CatalogueScanErrors, TimeFailureOnTheFifthReplayKeepsTheFourBefore) {
    MakeReplays(7);
    played.failTimeAt = 4;
    Refresh(OpenScripted);
    ExpectScanError("directory_entry::last_write_time", fs::path(played.failedPath), 4);
    ASSERT_EQ(played.timed.size(), 4u);
    EXPECT_EQ(Paths(), TimedNewestFirst());
}

TEST_F(CatalogueScanErrors, AdvanceFailureCarriesNoPathAndKeepsWhatWasGathered) {
    MakeReplays(5);
    played.failAdvanceAfter = 3;
    Refresh(OpenScripted);
    ExpectScanError("directory_iterator::operator++", std::nullopt, 3);
    EXPECT_EQ(Paths(), TimedNewestFirst());
}

TEST_F(CatalogueScanErrors, UnopenableFolderIsReportedWithItsPath) {
    MakeReplays(2);
    played.failOpen = true;
    Refresh(OpenScripted);
    ExpectScanError("directory_iterator::directory_iterator", demos, 0);
    EXPECT_TRUE(entries.empty());
}

TEST_F(CatalogueScanErrors, EntryGoneBeforeItsTimeIsSkippedAndTheScanGoesOn) {
    MakeReplays(4);
    played.vanishAt = 1;
    Refresh(OpenScripted);
    EXPECT_EQ(console->lines,
              (std::vector<std::string>{"Refreshing replay list...", "Sorting complete. 3 replays found."}));
    EXPECT_EQ(Paths(), TimedNewestFirst());
}

class CatalogueTimesFromTheListing : public ScriptedProfile {};

TEST_F(CatalogueTimesFromTheListing, TimesOutsideLocalTimeAreUnknownAndKeepTheirPlace) {
    constexpr std::int64_t kLatest = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kEarliest = std::numeric_limits<std::int64_t>::min();
    const std::vector<std::pair<std::string, std::int64_t>> files = {
        {"max.replay", kLatest},
        {"after3001.replay", kUnixEpochTicks + 32'536'800'000 * kTicksPerSecond},
        {"now.replay", 133'550'017'275'000'000},
        {"epoch.replay", kUnixEpochTicks},
        {"tickbefore.replay", kUnixEpochTicks - 1}, // truncates toward zero, to the epoch's second
        {"secondbefore.replay", kUnixEpochTicks - kTicksPerSecond},
        {"min.replay", kEarliest},
    };
    for (const auto& [name, ticks] : files) {
        MakeFile(demos, name, kMarch2024);
        played.times[fs::path(name).native()] = ticks;
    }
    Refresh(OpenScripted);
    ASSERT_EQ(entries.size(), files.size());
    const std::string unknown = tapeloom::kUnknownTime;
    const std::vector<std::string> shown = {
        unknown, unknown, "2024-03-15 18:42:07", "1970-01-01 00:00:00", "1970-01-01 00:00:00", unknown, unknown};
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(entries[i].filePath, Joined(demos, files[i].first));
        EXPECT_EQ(entries[i].lastWriteTime, files[i].second) << files[i].first;
        EXPECT_EQ(entries[i].displayTime, shown[i]) << files[i].first;
    }
}

#if !defined(_WIN32)
class CatalogueLinks : public ScriptedProfile {};

TEST_F(CatalogueLinks, LinkShowsItsTargetsTime) {
    MakeFile(demos, "target.bin", kMarch2024 - kTicksPerSecond);
    fs::create_symlink("target.bin", demos / "link.replay");
    testhost::SetWriteTime(demos / "link.replay", kMarch2024);
    Refresh();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].lastWriteTime, kMarch2024 - kTicksPerSecond);
}

TEST_F(CatalogueLinks, DanglingLinkStopsTheScanAtItsPath) {
    MakeReplays(6);
    fs::create_symlink("nowhere.replay", demos / "broken.replay");
    Refresh(OpenScripted);
    ExpectScanError("directory_entry::last_write_time", demos / "broken.replay", played.timed.size());
    EXPECT_EQ(Paths(), TimedNewestFirst());
}
#endif

} // namespace
