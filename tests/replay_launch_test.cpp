// Starting a replay from a click: directly where the game can open one,
// otherwise through freeplay and the pending replay, and the registrations
// that tie the plug-in to the console and the game.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Tapeloom.h"
#include "host/fake_host.h"
#include "log/Log.h"

namespace {

constexpr const char* kGameTimeEvent = "Function TAGame.GameEvent_Soccar_TA.OnGameTimeUpdated";
using Journal = std::vector<std::string>;

class Launch : public testing::Test {
protected:
    void SetUp() override {
        console->journal = &journal;
        game->journal = &journal;
        plugin->cvarManager = console;
        plugin->gameWrapper = game;
        plugin->onLoad();
        console->lines.clear();
    }
    void TearDown() override { globalCvarManager.reset(); }

    static ReplayEntry Entry(const std::string& name) {
        return {(std::filesystem::path("replays") / name).native(), 0, "2024-03-15 18:42:07"};
    }
    static std::filesystem::path PathOf(const std::string& name) { return std::filesystem::path(Entry(name).filePath); }
    void Click(const std::string& name) { plugin->LoadReplay(Entry(name)); }
    void Tick() { ASSERT_TRUE(game->FireEvent(kGameTimeEvent)); }

    std::shared_ptr<testhost::FakeConsole> console = std::make_shared<testhost::FakeConsole>();
    std::shared_ptr<testhost::FakeGame> game = std::make_shared<testhost::FakeGame>();
    std::shared_ptr<Tapeloom> plugin = std::make_shared<Tapeloom>();
    Journal journal;
};

TEST_F(Launch, OnTheMainMenuTheReplayStartsDirectlyThenTheWindowCloses) {
    game->currentMap = "Menu_MainScreen";
    Click("a.replay");
    EXPECT_EQ(console->lines,
              (std::vector<std::string>{"Click registered for: a.replay",
                                        "Safe state detected (Menu_MainScreen). Loading replay directly."}));
    EXPECT_TRUE(journal.empty()) << "game-state changes wait for the host to run them";
    EXPECT_EQ(game->RunQueued(), 1u);
    EXPECT_EQ(journal, (Journal{"PlayReplay", "executeCommand togglemenu Tapeloom"}));
    EXPECT_EQ(game->playedReplays, (std::vector<std::filesystem::path>{PathOf("a.replay")}));
    EXPECT_TRUE(console->commands.back().second);
}

TEST_F(Launch, InFreeplayOnAnyMapTheReplayStartsDirectly) {
    game->currentMap = "Park_P";
    game->inFreeplay = true;
    Click("b.replay");
    EXPECT_EQ(console->lines.back(), "Safe state detected (Park_P). Loading replay directly.");
    game->RunQueued();
    EXPECT_EQ(game->playedReplays, (std::vector<std::filesystem::path>{PathOf("b.replay")}));
}

TEST_F(Launch, MapNamesThatOnlyResembleTheMainMenuAreUnsafe) {
    for (const std::string& map : std::vector<std::string>{"menu_mainscreen", "Menu_MainScreen2", "Menu_MainScree", "",
                                                           std::string("Menu_MainScreen\0", 16)}) {
        game->currentMap = map;
        Click("a.replay");
        EXPECT_EQ(console->lines.back(), "Unsafe state detected (" + map + "). Starting Freeplay bypass.");
    }
}

TEST_F(Launch, InAMatchThePlayerGoesThroughFreeplayAndTheReplayStartsOnceFreeplayRuns) {
    game->currentMap = "Stadium_P";
    Click("a.replay");
    EXPECT_EQ(console->lines.back(), "Unsafe state detected (Stadium_P). Starting Freeplay bypass.");
    game->RunQueued();
    EXPECT_EQ(journal, (Journal{"executeCommand load_freeplay", "executeCommand togglemenu Tapeloom"}));
    EXPECT_TRUE(game->playedReplays.empty());

    // Still loading: the replay waits.
    Tick();
    Tick();
    EXPECT_TRUE(game->queued.empty());
    EXPECT_EQ(console->lines.size(), 2u);

    game->inFreeplay = true;
    Tick();
    EXPECT_EQ(console->lines.back(), "OnGameTimeUpdated: Freeplay is now active. Starting pending replay.");
    journal.clear();
    game->RunQueued();
    EXPECT_EQ(journal, (Journal{"PlayReplay"})) << "the pending start leaves the window alone";

    Tick();
    Tick();
    EXPECT_EQ(game->RunQueued(), 0u);
    EXPECT_EQ(game->playedReplays, (std::vector<std::filesystem::path>{PathOf("a.replay")})) << "started exactly once";
}

TEST_F(Launch, OnlyTheLastUnsafeClickStaysPending) {
    game->currentMap = "Stadium_P";
    Click("first.replay");
    Click("second.replay");
    game->RunQueued();
    game->inFreeplay = true;
    Tick();
    game->RunQueued();
    EXPECT_EQ(game->playedReplays, (std::vector<std::filesystem::path>{PathOf("second.replay")}));
}

TEST_F(Launch, ASafeClickReplacesAPendingReplay) {
    game->currentMap = "Stadium_P";
    Click("chosen-in-a-match.replay");
    game->RunQueued();
    game->currentMap = "Menu_MainScreen";
    Click("chosen-on-the-menu.replay");
    game->RunQueued();

    game->inFreeplay = true;
    Tick();
    game->RunQueued();
    EXPECT_EQ(game->playedReplays, (std::vector<std::filesystem::path>{PathOf("chosen-on-the-menu.replay")}));
}

TEST_F(Launch, FileNamesThatTheLogCannotShowStillStartWithTheirExactPath) {
#if defined(_WIN32)
    std::filesystem::path name = std::wstring(L"\xD800\x0416\x4E2D.replay"); // a lone surrogate, Cyrillic, CJK
#else
    std::filesystem::path name = std::string("\xff\xfe%n%s.replay"); // not UTF-8, and printf conversions
#endif
    ReplayEntry entry{(std::filesystem::path("replays") / name).native(), 0, "2024-03-15 18:42:07"};
    plugin->LoadReplay(entry);
    ASSERT_EQ(console->lines.size(), 2u);
    EXPECT_TRUE(console->lines[0].starts_with("Click registered for: "));
    EXPECT_TRUE(console->lines[0].ends_with(".replay"));
#if !defined(_WIN32)
    EXPECT_EQ(console->lines[0], "Click registered for: \xff\xfe%n%s.replay");
#endif
    game->RunQueued();
    ASSERT_EQ(game->playedReplays.size(), 1u);
    EXPECT_EQ(game->playedReplays[0].native(), entry.filePath);
}

class Registrations : public Launch {};

TEST_F(Registrations, OnLoadRegistersTheToggleCommandItsKeyAndTheGameTimeHook) {
    ASSERT_EQ(console->notifiers.size(), 1u);
    EXPECT_EQ(console->notifiers[0].command, "toggle_tapeloom_window");
    EXPECT_EQ(console->notifiers[0].description, "Opens and closes the Tapeloom window");
    EXPECT_EQ(console->notifiers[0].permissions, 0);
    EXPECT_EQ(console->binds, (std::vector<std::pair<std::string, std::string>>{{"F8", "toggle_tapeloom_window"}}));
    EXPECT_EQ(game->hooks.count(kGameTimeEvent), 1u);
    EXPECT_EQ(globalCvarManager, console);

    EXPECT_TRUE(console->RunNotifier("toggle_tapeloom_window", {"ignored", "arguments"}));
    EXPECT_EQ(console->commands, (std::vector<std::pair<std::string, bool>>{{"togglemenu Tapeloom", true}}));
}

TEST_F(Registrations, OnUnloadRemovesOnlyTheHook) {
    plugin->onUnload();
    EXPECT_EQ(game->unhooked, (std::vector<std::string>{kGameTimeEvent}));
    EXPECT_TRUE(game->hooks.empty());
    EXPECT_EQ(console->notifiers.size(), 1u);
    EXPECT_EQ(console->binds.size(), 1u);
}

TEST_F(Registrations, CallablesTheHostRunsAfterThePluginIsGoneDoNothing) {
    game->currentMap = "Menu_MainScreen";
    Click("a.replay");
    game->currentMap = "Stadium_P";
    Click("b.replay");
    auto hook = game->hooks.at(kGameTimeEvent);
    ASSERT_EQ(game->queued.size(), 2u);

    plugin.reset();
    journal.clear();
    game->inFreeplay = true;
    EXPECT_EQ(game->RunQueued(), 2u);
    console->RunNotifier("toggle_tapeloom_window");
    hook(kGameTimeEvent);
    EXPECT_TRUE(journal.empty());
    EXPECT_TRUE(game->queued.empty());
}

} // namespace
