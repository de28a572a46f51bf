// The catalogue when the disk works against it: a replay folder that goes away
// or turns into a file between refreshes, one its user cannot read, links that
// loop, a hundred thousand entries, a profile that is no valid text, and paths
// at the system's length limits. Every refresh ends with the right log lines
// and a list that is the folder's, or an error line that says why not.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue_profile.h"
#include "plugin_module.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#endif

namespace {

using catalogueprofile::CatalogueProfile;
using catalogueprofile::kMarch2024;
using catalogueprofile::kTicksPerSecond;
using catalogueprofile::NativeString;
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const fs::path kGameFolders = fs::path("Documents") / "My Games" / "Corvane" / "TAGame";

class CatalogueFolderChanges : public CatalogueProfile {};

TEST_F(CatalogueFolderChanges, EachRefreshFollowsTheFolderAsItGoesAndComesBack) {
    const fs::path demos = MakeFolder("Demos");
    MakeFile(demos, "a.replay", kMarch2024);
    MakeFile(demos, "b.replay", kMarch2024 + kTicksPerSecond);
    Refresh();
    ASSERT_EQ(entries.size(), 2u);

    fs::remove_all(demos);
    Refresh();
    EXPECT_EQ(console->lines, (Lines{"Refreshing replay list...", "No replay directory found."}));
    EXPECT_TRUE(entries.empty());

    MakeFile(Base(), "Demos", kMarch2024);
    Refresh();
    ExpectScanError("directory_iterator::directory_iterator", demos, 0);
    EXPECT_TRUE(entries.empty());

    fs::remove(demos);
    MakeFile(MakeFolder("Demos"), "c.replay", kMarch2024);
    Refresh();
    EXPECT_EQ(console->lines, (Lines{"Refreshing replay list...", "Sorting complete. 1 replays found."}));
    EXPECT_EQ(Paths(), std::vector<NativeString>{Joined(demos, "c.replay")});
}

class CatalogueProfileText : public CatalogueProfile {};

#if defined(_WIN32)
TEST_F(CatalogueProfileText, ProfileOutsideTheCodePageIsListedOrReported) {
    // Bytes the Western code pages leave undefined, and no UTF-8 either.
    const char undefined[] = "\x81\x8d\x90";
    const std::string profileText = root.string() + "\\" + undefined;
    wchar_t wide[8];
    const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, undefined, 3, wide, 8);
    if (length <= 0) {
        // Refused by the code page: said so, never some other folder searched instead.
        testhost::SetEnvironment("USERPROFILE", profileText);
        Refresh();
        ExpectScanError("path::path", std::nullopt, 0);
        return;
    }
    // Mapped by the code page (Wine maps them): the folder so named is the profile.
    const fs::path demos = root / std::wstring(wide, static_cast<std::size_t>(length)) / kGameFolders / "Demos";
    fs::create_directories(demos);
    MakeFile(demos, "a.replay", kMarch2024);
    testhost::SetEnvironment("USERPROFILE", profileText);
    Refresh();
    EXPECT_EQ(Paths(), std::vector<NativeString>{Joined(demos, "a.replay")});
}

class CataloguePathLimits : public CatalogueProfile {};

TEST_F(CataloguePathLimits, FolderPastMaxPathIsListedOrReported) {
    const fs::path profilePath = root / std::string(100, 'a') / std::string(100, 'b');
    const fs::path demos = profilePath / kGameFolders / "Demos";
    ASSERT_GT(demos.native().size(), static_cast<std::size_t>(MAX_PATH));
    fs::create_directories(demos);
    MakeFile(demos, "a.replay", kMarch2024);
    testhost::SetEnvironment("USERPROFILE", profilePath.string());
    Refresh();
    ASSERT_NE(console->lines, (Lines{"Refreshing replay list...", "No replay directory found."}))
        << "the folder is there";
    if (console->lines.size() == 3) {
        // A system that keeps to MAX_PATH fails the existence test, and the log says so.
        ExpectScanError("exists", profilePath / kGameFolders / "DemosEpic", 0);
    } else {
        // Wine, and Windows with long paths enabled, reach it.
        EXPECT_EQ(Paths(), std::vector<NativeString>{Joined(demos, "a.replay")});
    }
}
#else
TEST_F(CatalogueProfileText, ProfileThatIsNoValidTextIsListedByItsBytes) {
    const fs::path profilePath = root / "\xff\xfe\xc3(";
    const fs::path demos = profilePath / kGameFolders / "Demos";
    fs::create_directories(demos);
    MakeFile(demos, "a.replay", kMarch2024);
    testhost::SetEnvironment("USERPROFILE", profilePath.string());
    Refresh();
    EXPECT_EQ(Paths(), std::vector<NativeString>{Joined(demos, "a.replay")});
}

// The order the system lists a folder in, which is the order the catalogue meets its entries.
std::vector<std::string> ListingOrder(const fs::path& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    return names;
}

class CatalogueLinkLoops : public CatalogueProfile {};

TEST_F(CatalogueLinkLoops, LoopingLinksStopTheScanAtTheFirstOneListed) {
    const fs::path demos = MakeFolder("Demos");
    for (int i = 0; i < 6; ++i)
        MakeFile(demos, std::string("r").append(std::to_string(i)).append(".replay"), kMarch2024 + i);
    fs::create_symlink("there.replay", demos / "here.replay");
    fs::create_symlink("here.replay", demos / "there.replay");
    Refresh();

    // Every replay the listing gave before the first link of the loop, newest first.
    std::vector<std::string> before;
    std::string stop;
    for (const std::string& name : ListingOrder(demos)) {
        if (name == "here.replay" || name == "there.replay") {
            stop = name;
            break;
        }
        before.push_back(name);
    }
    std::sort(before.begin(), before.end(), std::greater<>()); // r5 is the newest
    std::vector<NativeString> expected;
    for (const std::string& name : before) expected.push_back(Joined(demos, name));
    ExpectScanError("directory_entry::last_write_time", demos / stop, before.size());
    EXPECT_EQ(Paths(), expected);
}

class CatalogueLargeFolder : public CatalogueProfile {};

TEST_F(CatalogueLargeFolder, HundredThousandEntriesAreListedWholeAndNewestFirst) {
    constexpr int kEntries = 100'000;
    const fs::path demos = MakeFolder("Demos");
    std::vector<std::pair<std::int64_t, NativeString>> replays;
    for (int i = 0; i < kEntries; ++i) {
        // Every tenth entry is no replay; the times run in another order than the names.
        const bool replay = i % 10 != 0;
        const std::string name =
            std::string(replay ? "r" : "n").append(std::to_string(i)).append(replay ? ".replay" : ".txt");
        const int file = open((demos / name).c_str(), O_CREAT | O_EXCL | O_WRONLY, 0644);
        ASSERT_GE(file, 0) << name;
        close(file);
        if (!replay) continue;
        const std::int64_t ticks = kMarch2024 + (std::int64_t{i} * 7919 % kEntries) * kTicksPerSecond;
        testhost::SetWriteTime(demos / name, ticks);
        replays.emplace_back(ticks, Joined(demos, name));
    }
    std::sort(replays.begin(), replays.end(), std::greater<>());

    Refresh();
    EXPECT_EQ(console->lines, (Lines{"Refreshing replay list...", "Sorting complete. 90000 replays found."}));
    ASSERT_EQ(entries.size(), replays.size());
    for (std::size_t row = 0; row < replays.size(); ++row) {
        if (entries[row].filePath != replays[row].second || entries[row].lastWriteTime != replays[row].first) {
            ADD_FAILURE() << "row " << row << " is " << entries[row].filePath << ", not " << replays[row].second;
            break;
        }
    }
}

// The profile written with as many extra slashes as it takes for the DemosEpic
// folder's path to be `length` bytes: the same folder under a path of any
// length, without nesting folders thousands of bytes deep.
class CataloguePathLimits : public CatalogueProfile {
protected:
    std::string ProfileForFolderLength(std::size_t length) const {
        const std::string below = (kGameFolders / "DemosEpic").string();
        std::string profileText = root.string();
        profileText.append(length - profileText.size() - below.size(), '/');
        return profileText;
    }
    static NativeString FolderOf(const std::string& profileText) {
        return profileText + (kGameFolders / "DemosEpic").string();
    }
};

TEST_F(CataloguePathLimits, FolderAtThePathLimitIsListedWhole) {
    const fs::path epic = MakeFolder("DemosEpic");
    const std::string longest = std::string(248, 'r') + ".replay"; // NAME_MAX bytes
    MakeFile(epic, longest, kMarch2024 + kTicksPerSecond);
    MakeFile(epic, "a.replay", kMarch2024);
    const std::string profileText = ProfileForFolderLength(PATH_MAX - 1);
    testhost::SetEnvironment("USERPROFILE", profileText);
    Refresh();
    const NativeString folder = FolderOf(profileText);
    EXPECT_EQ(console->lines, (Lines{"Refreshing replay list...", "Sorting complete. 2 replays found."}));
    EXPECT_EQ(Paths(), (std::vector<NativeString>{folder + "/" + longest, folder + "/a.replay"}));
}

TEST_F(CataloguePathLimits, FolderPastThePathLimitIsReportedNotCalledAbsent) {
    MakeFile(MakeFolder("DemosEpic"), "a.replay", kMarch2024);
    const std::string profileText = ProfileForFolderLength(PATH_MAX);
    testhost::SetEnvironment("USERPROFILE", profileText);
    Refresh();
    ExpectScanError("exists", fs::path(FolderOf(profileText)), 0);
}

TEST_F(CataloguePathLimits, NameLongerThanAFolderCanHoldIsAbsent) {
    MakeFile(MakeFolder("DemosEpic"), "a.replay", kMarch2024);
    testhost::SetEnvironment("USERPROFILE", (root / std::string(NAME_MAX + 1, 'p')).string());
    Refresh();
    EXPECT_EQ(console->lines, (Lines{"Refreshing replay list...", "No replay directory found."}));
}

// Runs the refresh as an unprivileged user (root reads every folder): a
// profile under /tmp that the user can reach, with the refresh_report program
// copied beside it, and part of the profile taken out of that user's reach.
class CatalogueUnreadable : public testing::Test {
protected:
    void SetUp() override {
        if (geteuid() == 0 && std::system("command -v setpriv >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "running as root without setpriv: no unprivileged user to try unreadable folders with";
        }
        char folder[] = "/tmp/tapeloom-unreadable-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        root = folder;
        game = root / kGameFolders;
        demos = game / "Demos";
        fs::create_directories(demos);
        for (fs::path part = demos; part != root.parent_path(); part = part.parent_path()) {
            fs::permissions(part, fs::perms(0755));
        }
        for (const char* name : {"a.replay", "b.replay", "notes.txt"}) std::ofstream(demos / name) << "replay";
        report = root / "refresh_report";
        fs::copy_file(sandbox::ExecutableFolder() / "refresh_report", report);
        fs::permissions(report, fs::perms(0755));
    }

    void TearDown() override {
        if (root.empty()) return;
        std::error_code ignored;
        fs::permissions(game, fs::perms(0755), ignored);
        fs::permissions(demos, fs::perms(0755), ignored);
        fs::remove_all(root, ignored);
    }

    // What the refresh logged as the unprivileged user; it must list nothing here.
    Lines RefreshUnprivileged() {
        const std::string user = geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
        const std::string command = "USERPROFILE='" + root.string() + "' " + user + "'" + report.string() + "'";
        FILE* output = popen(command.c_str(), "r");
        Lines lines;
        if (output == nullptr) return lines;
        char buffer[8192];
        while (std::fgets(buffer, sizeof buffer, output) != nullptr) {
            std::string line = buffer;
            if (!line.empty() && line.back() == '\n') line.pop_back();
            EXPECT_TRUE(line.starts_with("log ")) << "listed: " << line;
            lines.push_back(line.substr(4));
        }
        EXPECT_EQ(pclose(output), 0) << command;
        return lines;
    }

    // The three lines of a scan that failed before it found anything.
    static void ExpectError(const Lines& lines, const std::string& operation, const fs::path& path) {
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[0], "Refreshing replay list...");
        EXPECT_TRUE(lines[1].starts_with("ERROR while scanning directory: " + operation + ": ")) << lines[1];
        EXPECT_TRUE(lines[1].ends_with(": \"" + path.string() + "\"")) << lines[1];
        EXPECT_EQ(lines[2], "Sorting complete. 0 replays found.");
    }

    fs::path root;
    fs::path game;
    fs::path demos;
    fs::path report;
};

TEST_F(CatalogueUnreadable, FolderThatCannotBeOpenedIsReportedWithItsPath) {
    fs::permissions(demos, fs::perms::none);
    ExpectError(RefreshUnprivileged(), "directory_iterator::directory_iterator", demos);
}

TEST_F(CatalogueUnreadable, FolderWhoseEntriesCannotBeReadStopsAtItsFirstReplay) {
    // Names can be listed, but nothing about the entries can be read.
    fs::permissions(demos, fs::perms(0444));
    const Lines order = ListingOrder(demos);
    const auto first =
        std::find_if(order.begin(), order.end(), [](const std::string& name) { return name.ends_with(".replay"); });
    ASSERT_NE(first, order.end());
    ExpectError(RefreshUnprivileged(), "directory_entry::last_write_time", demos / *first);
}

TEST_F(CatalogueUnreadable, GameFolderThatCannotBeSearchedIsReportedNotThrown) {
    fs::permissions(game, fs::perms::none);
    ExpectError(RefreshUnprivileged(), "exists", game / "DemosEpic");
}
#endif

} // namespace
