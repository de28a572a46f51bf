// What a refresh costs the file system on Linux: this program is linked with
// fstatat and readdir wrapped (-Wl,--wrap), so every metadata query of the
// listing is recorded, and readdir can pretend the file system keeps no types.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue_profile.h"

namespace {

// Queries relative to an open folder, by entry name: the flags of each, in order.
std::map<std::string, std::vector<int>> queries;
bool hideTypes = false;
// An entry removed between readdir and its query, as another program might.
std::string deleteBeforeQuery;

} // namespace

extern "C" {
int __real_fstatat(int folder, const char* name, struct stat* info, int flags);
dirent* __real_readdir(DIR* dir);

int __wrap_fstatat(int folder, const char* name, struct stat* info, int flags) {
    if (folder != AT_FDCWD) {
        queries[name].push_back(flags);
        if (name == deleteBeforeQuery) unlinkat(folder, name, 0);
    }
    return __real_fstatat(folder, name, info, flags);
}

dirent* __wrap_readdir(DIR* dir) {
    dirent* entry = __real_readdir(dir);
    if (entry != nullptr && hideTypes) entry->d_type = DT_UNKNOWN;
    return entry;
}
}

namespace {

using catalogueprofile::kMarch2024;
using catalogueprofile::kTicksPerSecond;
namespace fs = std::filesystem;
using Queries = std::map<std::string, std::vector<int>>;

class ListingMetadataQueries : public catalogueprofile::CatalogueProfile {
protected:
    void SetUp() override {
        CatalogueProfile::SetUp();
        queries.clear();
        hideTypes = false;
        deleteBeforeQuery.clear();
        demos = MakeFolder("Demos");
    }
    void TearDown() override {
        hideTypes = false;
        deleteBeforeQuery.clear();
        CatalogueProfile::TearDown();
    }

    fs::path demos;
};

TEST_F(ListingMetadataQueries, OneQueryPerReplayNameAndNoneForOthers) {
    Queries expected;
    for (int i = 0; i < 20; ++i) {
        const std::string replay = std::string("r").append(std::to_string(i)).append(".replay");
        MakeFile(demos, replay, kMarch2024 + i);
        MakeFile(demos, std::string("n").append(std::to_string(i)).append(".txt"), kMarch2024 + i);
        expected[replay] = {AT_SYMLINK_NOFOLLOW};
    }
    fs::create_directory(demos / "sub.replay");
    fs::create_directory(demos / "other");
    MakeFile(demos, "target.bin", kMarch2024 - kTicksPerSecond);
    fs::create_symlink("target.bin", demos / "link.replay");
    fs::create_symlink("target.bin", demos / "link.txt");
    expected["sub.replay"] = {AT_SYMLINK_NOFOLLOW};
    expected["link.replay"] = {0}; // followed to its target at once

    Refresh();
    EXPECT_EQ(entries.size(), 22u);
    EXPECT_EQ(queries, expected);
}

TEST_F(ListingMetadataQueries, UntypedEntriesCostASecondQueryOnlyWhenTheyAreLinks) {
    MakeFile(demos, "plain.replay", kMarch2024);
    MakeFile(demos, "other.txt", kMarch2024);
    MakeFile(demos, "target.bin", kMarch2024 - kTicksPerSecond);
    fs::create_symlink("target.bin", demos / "link.replay");
    hideTypes = true;

    Refresh();
    EXPECT_EQ(queries, (Queries{{"plain.replay", {AT_SYMLINK_NOFOLLOW}}, {"link.replay", {AT_SYMLINK_NOFOLLOW, 0}}}));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].filePath, Joined(demos, "link.replay"));
    EXPECT_EQ(entries[1].lastWriteTime, kMarch2024 - kTicksPerSecond) << "the link shows its target's time";
}

TEST_F(ListingMetadataQueries, FileDeletedAfterTheListingNamedItIsSkipped) {
    MakeFile(demos, "a.replay", kMarch2024);
    MakeFile(demos, "gone.replay", kMarch2024);
    MakeFile(demos, "c.replay", kMarch2024);
    deleteBeforeQuery = "gone.replay";

    Refresh();
    EXPECT_EQ(console->lines.back(), "Sorting complete. 2 replays found.");
    EXPECT_EQ(console->lines.size(), 2u) << "no error line";
}

} // namespace
