// The catalogue against real profile folders: which folder is listed, which
// names count as replays, the order and the time text the window shows.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Tapeloom.h"
#include "catalogue_profile.h"

namespace {

using catalogueprofile::CatalogueProfile;
using catalogueprofile::kMarch2024;
using catalogueprofile::kTicksPerSecond;
using catalogueprofile::kUnixEpochTicks;
using catalogueprofile::NativeString;
namespace fs = std::filesystem;

using Lines = std::vector<std::string>;

class CatalogueFolderChoice : public CatalogueProfile {};

TEST_F(CatalogueFolderChoice, UnsetProfileWritesOnlyTheFirstLine) {
    MakeFile(MakeFolder("Demos"), "a.replay", kMarch2024);
    testhost::SetEnvironment("USERPROFILE", std::nullopt);
    entries.push_back({});
    Refresh();
    EXPECT_EQ(console->lines, Lines{"Refreshing replay list..."});
    EXPECT_TRUE(entries.empty());
}

#if defined(_WIN32)
// The C runtime cannot hold an empty variable; a bare drive is the nearest
// relative profile, and resolves against that drive's current folder.
TEST_F(CatalogueFolderChoice, BareDriveProfileLooksUnderTheCurrentFolder) {
    const std::string profileText = root.root_name().string();
#else
TEST_F(CatalogueFolderChoice, EmptyProfileLooksUnderTheCurrentFolder) {
    const std::string profileText;
#endif
    MakeFile(MakeFolder("Demos"), "a.replay", kMarch2024);
    const fs::path previous = fs::current_path();
    fs::current_path(root);
    testhost::SetEnvironment("USERPROFILE", profileText);
    Refresh();
    fs::current_path(previous);
    const fs::path relative = fs::path("Documents") / "My Games" / "Corvane" / "TAGame" / "Demos";
    EXPECT_EQ(Paths(), std::vector<NativeString>{fs::path(profileText).native() + Joined(relative, "a.replay")});
}

TEST_F(CatalogueFolderChoice, DemosEpicWinsEvenWhenEmpty) {
    MakeFolder("DemosEpic");
    MakeFile(MakeFolder("Demos"), "a.replay", kMarch2024);
    Refresh();
    EXPECT_EQ(console->lines, (Lines{"Refreshing replay list...", "Sorting complete. 0 replays found."}));
    EXPECT_TRUE(entries.empty());
}

TEST_F(CatalogueFolderChoice, DemosAloneIsListed) {
    const fs::path demos = MakeFolder("Demos");
    MakeFile(demos, "a.replay", kMarch2024);
    Refresh();
    EXPECT_EQ(console->lines, (Lines{"Refreshing replay list...", "Sorting complete. 1 replays found."}));
    EXPECT_EQ(Paths(), std::vector<NativeString>{Joined(demos, "a.replay")});
}

TEST_F(CatalogueFolderChoice, DemosEpicAsAFileIsChosenAndFailsToList) {
    MakeFile(Base(), "DemosEpic", kMarch2024);
    MakeFile(MakeFolder("Demos"), "a.replay", kMarch2024);
    Refresh();
    ExpectScanError("directory_iterator::directory_iterator", Base() / "DemosEpic", 0);
}

TEST_F(CatalogueFolderChoice, NeitherFolderWritesNoReplayDirectory) {
    MakeFolder("Replays");
    entries.push_back({});
    Refresh();
    EXPECT_EQ(console->lines, (Lines{"Refreshing replay list...", "No replay directory found."}));
    EXPECT_TRUE(entries.empty());
}

#if !defined(_WIN32)
TEST_F(CatalogueFolderChoice, DanglingDemosEpicLinkCountsAsAbsent) {
    fs::create_symlink(root / "nowhere", Base() / "DemosEpic");
    MakeFile(MakeFolder("Demos"), "a.replay", kMarch2024);
    Refresh();
    EXPECT_EQ(entries.size(), 1u);
}

TEST_F(CatalogueFolderChoice, UnanswerableExistenceTestIsReportedNotThrown) {
    fs::create_symlink("DemosEpic", Base() / "DemosEpic"); // a link to itself never resolves
    Refresh();
    ExpectScanError("exists", Base() / "DemosEpic", 0);
}
#endif

class CatalogueReplayNames : public CatalogueProfile {};

TEST_F(CatalogueReplayNames, OnlyTheExactLowerCaseExtensionIsListed) {
    const fs::path demos = MakeFolder("Demos");
    std::int64_t ticks = kMarch2024;
    // Distinct stems: Windows names ignore case, and a trailing dot is stripped there.
    for (const char* name :
         {"a.replay", "a.b.replay", "x.REPLAY", "y.Replay", ".replay", "a.replay.bak", "replay", "a_replay"}) {
        MakeFile(demos, name, ticks += kTicksPerSecond);
    }
    fs::create_directory(demos / "old.replay");
    testhost::SetWriteTime(demos / "old.replay", kMarch2024 - kTicksPerSecond);
    Refresh();
    EXPECT_EQ(Paths(), (std::vector<NativeString>{Joined(demos, "a.b.replay"), Joined(demos, "a.replay"),
                                                  Joined(demos, "old.replay")}));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2].lastWriteTime, kMarch2024 - kTicksPerSecond) << "a subfolder keeps its own time";
}

TEST_F(CatalogueReplayNames, NonAsciiNamesKeepTheirExactPath) {
    const fs::path demos = MakeFolder("Demos");
#if defined(_WIN32)
    // Cyrillic and CJK lie outside every single-byte ANSI code page.
    const std::vector<fs::path> names = {L"\u0416\u0443\u0440\u043d\u0430\u043b.replay", L"\u6bd4\u8d5b.replay"};
#else
    // Bytes that are no valid UTF-8 are a name all the same.
    const std::vector<fs::path> names = {"\xd0\x96\xe4\xb8\xad.replay", "\xff\xfe.replay"};
#endif
    MakeFile(demos, names[0], kMarch2024 + kTicksPerSecond);
    MakeFile(demos, names[1], kMarch2024);
    Refresh();
    EXPECT_EQ(Paths(), (std::vector<NativeString>{Joined(demos, names[0]), Joined(demos, names[1])}));
}

class CatalogueOrderAndTimes : public CatalogueProfile {};

TEST_F(CatalogueOrderAndTimes, NewestFirstWhateverTheNames) {
    const fs::path demos = MakeFolder("Demos");
    MakeFile(demos, "b.replay", kMarch2024);
    MakeFile(demos, "a.replay", kMarch2024 - 1);
    MakeFile(demos, "c.replay", kMarch2024 + 1);
    Refresh();
    EXPECT_EQ(Paths(), (std::vector<NativeString>{Joined(demos, "c.replay"), Joined(demos, "b.replay"),
                                                  Joined(demos, "a.replay")}));
    EXPECT_EQ(console->lines.back(), "Sorting complete. 3 replays found.");
}

TEST_F(CatalogueOrderAndTimes, EqualTimesAreBothListed) {
    const fs::path demos = MakeFolder("Demos");
    MakeFile(demos, "old.replay", kMarch2024 - kTicksPerSecond);
    MakeFile(demos, "one.replay", kMarch2024);
    MakeFile(demos, "two.replay", kMarch2024);
    Refresh();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].lastWriteTime, kMarch2024);
    EXPECT_EQ(entries[1].lastWriteTime, kMarch2024);
    EXPECT_NE(entries[0].filePath, entries[1].filePath);
    EXPECT_EQ(entries[2].filePath, Joined(demos, "old.replay"));
}

TEST_F(CatalogueOrderAndTimes, FractionsOfASecondAreDroppedNotRounded) {
    const fs::path demos = MakeFolder("Demos");
    MakeFile(demos, "whole.replay", 133'550'017'275'000'000);
    MakeFile(demos, "almost.replay", 133'550'017'279'999'999);
    Refresh();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].lastWriteTime, 133'550'017'279'999'999) << "the raw time is kept";
    EXPECT_EQ(entries[0].displayTime, "2024-03-15 18:42:07");
    EXPECT_EQ(entries[1].displayTime, "2024-03-15 18:42:07");
}

TEST_F(CatalogueOrderAndTimes, TimeBefore1970IsUnknownButKeepsItsPlace) {
    const fs::path demos = MakeFolder("Demos");
    MakeFile(demos, "new.replay", kMarch2024);
    MakeFile(demos, "old.replay", kUnixEpochTicks - 365 * 86'400 * kTicksPerSecond);
    MakeFile(demos, "oldest.replay", kUnixEpochTicks - 2 * 365 * 86'400 * kTicksPerSecond);
    Refresh();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].filePath, Joined(demos, "old.replay"));
    EXPECT_EQ(entries[1].displayTime, tapeloom::kUnknownTime);
    EXPECT_EQ(entries[2].displayTime, tapeloom::kUnknownTime);
}

TEST_F(CatalogueOrderAndTimes, RefreshShowsExactlyThePresentContent) {
    const fs::path demos = MakeFolder("Demos");
    MakeFile(demos, "gone.replay", kMarch2024);
    MakeFile(demos, "kept.replay", kMarch2024 - 1);
    MakeFile(demos, "also-gone.replay", kMarch2024 - 2);
    Refresh();
    ASSERT_EQ(entries.size(), 3u);
    const std::size_t capacity = entries.capacity();

    fs::remove(demos / "gone.replay");
    fs::remove(demos / "also-gone.replay");
    MakeFile(demos, "new.replay", kMarch2024 + 1);
    Refresh();
    EXPECT_EQ(Paths(), (std::vector<NativeString>{Joined(demos, "new.replay"), Joined(demos, "kept.replay")}));
    EXPECT_EQ(entries.capacity(), capacity) << "the list's storage is reused";
}

class PluginCatalogue : public CatalogueProfile {};

TEST_F(PluginCatalogue, RefreshReplayListFillsThePluginsList) {
    MakeFile(MakeFolder("Demos"), "a.replay", kMarch2024);
    Tapeloom plugin;
    plugin.RefreshReplayList();
    ASSERT_EQ(plugin.replayEntries.size(), 1u);
    EXPECT_EQ(plugin.replayEntries[0].displayTime, "2024-03-15 18:42:07");
    EXPECT_EQ(console->lines.back(), "Sorting complete. 1 replays found.");
}

} // namespace
