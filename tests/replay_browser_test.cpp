// The replay browser as a player meets it: the module loaded by the test host,
// a real replay folder, real frames, and clicks by mouse.
#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/plugin_host.h"
#include "host/replay_profile.h"

namespace {

using testhost::TicksFromUnixSeconds;
using Paths = std::vector<std::filesystem::path>;

// 2024-03-15 18:42:07 UTC and one day before and after.
constexpr std::int64_t kNoon = TicksFromUnixSeconds(1710528127);
constexpr std::int64_t kDay = TicksFromUnixSeconds(86400) - TicksFromUnixSeconds(0);

bool Shows(const std::string& text, const std::string& line) {
    auto lines = testhost::ScreenLines(text);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class BrowserWindow : public testing::Test {
protected:
    void OpenWindow() {
        host.Open();
        host.Frames(2);
    }
    Paths Played() {
        host.game->RunQueued();
        return host.game->playedReplays;
    }

    testhost::ReplayProfile profile;
    testhost::PluginHost host;
};

TEST_F(BrowserWindow, AnEmptyFolderShowsZeroAndTheNotice) {
    OpenWindow();
    std::string text = host.FrameText();
    EXPECT_TRUE(Shows(text, "[ Refresh list ] 0 replays found")) << text;
    EXPECT_TRUE(Shows(text, "Date & Time Action")) << text;
    EXPECT_TRUE(Shows(text, "No replays found.")) << text;
    EXPECT_EQ(host.console->lines,
              (std::vector<std::string>{"Refreshing replay list...", "Sorting complete. 0 replays found."}));
}

TEST_F(BrowserWindow, RowsShowNewestFirstEachWithItsLoadButton) {
    profile.AddFile("old.replay", kNoon - kDay);
    profile.AddFile("new.replay", kNoon + kDay);
    profile.AddFile("mid.replay", kNoon);
    profile.AddFile("notes.txt", kNoon + 2 * kDay);
    OpenWindow();
    std::vector<std::string> lines = testhost::ScreenLines(host.FrameText());
    EXPECT_TRUE(Shows(host.FrameText(), "[ Refresh list ] 3 replays found"));
    std::vector<std::string> rows;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(rows),
                 [](const std::string& line) { return line.ends_with("[ Load ]"); });
    EXPECT_EQ(rows, (std::vector<std::string>{"2024-03-16 18:42:07 [ Load ]", "2024-03-15 18:42:07 [ Load ]",
                                              "2024-03-14 18:42:07 [ Load ]"}));
}

TEST_F(BrowserWindow, RefreshShowsTheNewListInTheFrameOfTheClick) {
    OpenWindow();
    profile.AddFile("a.replay", kNoon);
    profile.AddFile("b.replay", kNoon + kDay);
    host.ui.recordText = true;
    ASSERT_TRUE(host.Click("Refresh list"));
    EXPECT_TRUE(Shows(host.ui.lastFrameText, "[ Refresh list ] 2 replays found")) << host.ui.lastFrameText;
    EXPECT_TRUE(Shows(host.ui.lastFrameText, "2024-03-15 18:42:07 [ Load ]"));
    EXPECT_EQ(host.console->lines.back(), "Sorting complete. 2 replays found.");
}

TEST_F(BrowserWindow, LoadInRowKStartsThatRowsReplayAndTheRowsBelowAreStillDrawn) {
    profile.AddFile("newest.replay", kNoon + kDay);
    std::filesystem::path middle = profile.AddFile("middle.replay", kNoon);
    profile.AddFile("oldest.replay", kNoon - kDay);
    OpenWindow();
    host.ui.recordText = true;
    ASSERT_TRUE(host.ClickInList("Load##1"));
    EXPECT_TRUE(Shows(host.ui.lastFrameText, "2024-03-14 18:42:07 [ Load ]")) << host.ui.lastFrameText;
    EXPECT_EQ(host.console->lines.back(), "Safe state detected (Menu_MainScreen). Loading replay directly.");
    EXPECT_EQ(host.console->lines[host.console->lines.size() - 2], "Click registered for: middle.replay");
    EXPECT_EQ(Played(), (Paths{middle}));
}

TEST_F(BrowserWindow, RowsWithTheSameTimeKeepTheirOwnButtons) {
    std::filesystem::path first = profile.AddFile("twin-a.replay", kNoon);
    std::filesystem::path second = profile.AddFile("twin-b.replay", kNoon);
    OpenWindow();
    ASSERT_TRUE(host.ClickInList("Load##0"));
    ASSERT_TRUE(host.ClickInList("Load##1"));
    Paths played = Played();
    std::sort(played.begin(), played.end());
    EXPECT_EQ(played, (Paths{first, second}));
}

TEST_F(BrowserWindow, EveryOpeningRescans) {
    OpenWindow();
    host.Close();
    profile.AddFile("a.replay", kNoon);
    OpenWindow();
    host.Close();
    OpenWindow();
    EXPECT_EQ(std::count(host.console->lines.begin(), host.console->lines.end(), "Refreshing replay list..."), 3);
    EXPECT_EQ(host.console->lines.back(), "Sorting complete. 1 replays found.");
    EXPECT_TRUE(Shows(host.FrameText(), "[ Refresh list ] 1 replays found"));
}

class MaplessGame : public testhost::FakeGame {
public:
    std::string GetCurrentMap() override { throw std::runtime_error("no map while loading"); }
};

TEST_F(BrowserWindow, AHostFailureDuringAClickIsLoggedAndTheFrameGoesOn) {
    profile.AddFile("a.replay", kNoon);
    profile.AddFile("b.replay", kNoon - kDay);
    host.plugin->gameWrapper = std::make_shared<MaplessGame>();
    OpenWindow();
    host.ui.recordText = true;
    ASSERT_TRUE(host.ClickInList("Load##0"));
    EXPECT_EQ(host.console->lines.back(), "ERROR while loading the replay: no map while loading");
    EXPECT_TRUE(Shows(host.ui.lastFrameText, "2024-03-14 18:42:07 [ Load ]")) << "later rows still drawn";
    // The frame stayed balanced: the window keeps working.
    EXPECT_TRUE(host.Click("Refresh list"));
}

} // namespace
