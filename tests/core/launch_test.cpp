// Starting a replay from a click, directly where the game can open one and
// otherwise through freeplay and the pending replay; the registrations that
// tie the plug-in to the console and the game.
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Tapeloom.h"
#include "log/Log.h"
#include "test_host/fake_host.h"

namespace {

using testhost::Journal;
using Lines = std::vector<std::string>;

class Launch : public testing::Test {
protected:
    void SetUp() override {
        plugin->cvarManager = console;
        plugin->gameWrapper = game;
        plugin->onLoad();
    }
    void TearDown() override { globalCvarManager.reset(); }

    static tapeloom::platform::NativeString Path(const std::filesystem::path& name) {
        return (std::filesystem::path("replays") / name).native();
    }

    std::shared_ptr<Journal> journal = std::make_shared<Journal>();
    std::shared_ptr<testhost::FakeConsole> console = std::make_shared<testhost::FakeConsole>(journal);
    std::shared_ptr<testhost::FakeGame> game = std::make_shared<testhost::FakeGame>(journal);
    std::shared_ptr<Tapeloom> plugin = std::make_shared<Tapeloom>();
};

TEST_F(Launch, ClicksInEveryGameStateFollowTheLatestChoice) {
    enum Action { Click, Tick };
    struct Step {
        const char* map;
        bool freeplay;
        Action action;
        const char* replay;
        Lines lines;     // logged by the action
        Journal started; // what the host then carries out, when it runs the queued callables
    };
    const std::string toggle = "command togglemenu Tapeloom", freeplay = "command load_freeplay";
    const std::string pending = "OnGameTimeUpdated: Freeplay is now active. Starting pending replay.";
    auto click = [](const char* replay) { return "Click registered for: " + std::string(replay) + ".replay"; };
    auto play = [](const char* replay) { return "PlayReplay " + std::string(replay) + ".replay"; };
    auto safe = [](const std::string& map) { return "Safe state detected (" + map + "). Loading replay directly."; };
    auto unsafe = [](const std::string& map) {
        return "Unsafe state detected (" + map + "). Starting Freeplay bypass.";
    };
    const Step steps[] = {
        {"Menu_MainScreen", false, Click, "a", {click("a"), safe("Menu_MainScreen")}, {play("a"), toggle}},
        {"Park_P", true, Click, "b", {click("b"), safe("Park_P")}, {play("b"), toggle}},
        {"Stadium_P", false, Click, "c", {click("c"), unsafe("Stadium_P")}, {freeplay, toggle}},
        {"Stadium_P", false, Tick, "", {}, {}},
        // A second unsafe click replaces the pending replay.
        {"Stadium_P", false, Click, "d", {click("d"), unsafe("Stadium_P")}, {freeplay, toggle}},
        {"Park_P", true, Tick, "", {pending}, {play("d")}},
        {"Park_P", true, Tick, "", {}, {}},
        {"Stadium_P", false, Click, "e", {click("e"), unsafe("Stadium_P")}, {freeplay, toggle}},
        // A safe click starts its own replay and drops the pending one: the latest click wins.
        {"Menu_MainScreen", false, Click, "f", {click("f"), safe("Menu_MainScreen")}, {play("f"), toggle}},
        {"Park_P", true, Tick, "", {}, {}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string(step.map) + " " + step.replay);
        game->currentMap = step.map;
        game->inFreeplay = step.freeplay;
        console->lines.clear();
        journal->clear();
        if (step.action == Click) plugin->LoadReplay(Path(std::string(step.replay) + ".replay"));
        if (step.action == Tick) {
            ASSERT_TRUE(game->Tick());
        }
        EXPECT_EQ(console->lines, step.lines);
        EXPECT_TRUE(journal->empty()) << "game-state changes wait for the host to run them";
        game->RunQueued();
        EXPECT_EQ(*journal, step.started);
    }
    EXPECT_TRUE(console->allLogged);
    EXPECT_EQ(game->played.back(), std::filesystem::path(Path("f.replay")));

    // Only the exact main menu name is safe.
    for (const std::string& map :
         {std::string("menu_mainscreen"), std::string("Menu_MainScreen2"), std::string("Menu_MainScree"), std::string(),
          std::string("Menu_MainScreen\0", 16)}) {
        game->currentMap = map;
        game->inFreeplay = false;
        plugin->LoadReplay(Path("a.replay"));
        EXPECT_EQ(console->lines.back(), unsafe(map));
    }
#if defined(_WIN32)
    // Either slash ends a folder on Windows.
    for (const wchar_t* path : {L"C:\\replays/a.replay", L"C:/replays\\a.replay"}) {
        plugin->LoadReplay(path);
        EXPECT_EQ(console->lines.end()[-2], "Click registered for: a.replay");
    }
#endif
}

// One console line stays one printed line: every control character of a name
// shows as \xNN, and the characters next to them in the code table as they are.
TEST_F(Launch, TheClickLineShowsEveryControlCharacterEscaped) {
    constexpr char kHex[] = "0123456789ABCDEF";
    const std::filesystem::path extension = ".replay";
    for (int code = 0; code <= 0x7F; code = code == 0x20 ? 0x7E : code + 1) {
        tapeloom::platform::NativeString path = Path("a");
        path.push_back(static_cast<tapeloom::platform::NativeChar>(code));
        path += extension.native();
        plugin->LoadReplay(path);
        const bool control = code < 0x20 || code == 0x7F;
        const std::string shown = control ? std::string{'\\', 'x', kHex[code >> 4], kHex[code & 0xF]}
                                          : std::string(1, static_cast<char>(code));
        EXPECT_EQ(console->lines.end()[-2], "Click registered for: a" + shown + ".replay") << "code " << code;
    }
}

// Host objects that throw inside the plug-in's calls and callables: each
// failure is one line, never an exception into the host.
TEST_F(Launch, AHostFailureAnywhereIsOneLine) {
    struct FailingConsole : testhost::FakeConsole {
        void executeCommand(std::string, bool) override { throw std::runtime_error("no console"); }
    };
    struct FailingGame : testhost::FakeGame {
        void PlayReplay(const std::filesystem::path&) override { throw std::runtime_error("no replay"); }
        bool IsInFreeplay() override { return stateKnown ? inFreeplay : throw std::runtime_error("no state"); }
        void UnhookEvent(std::string) override { throw std::runtime_error("no hook"); }
        bool stateKnown = true;
    };
    auto failing = std::make_shared<FailingGame>();
    auto failingConsole = std::make_shared<FailingConsole>();
    plugin->cvarManager = failingConsole;
    plugin->gameWrapper = failing;
    plugin->onLoad();
    failingConsole->notifiers[0].callback({});
    plugin->LoadReplay(Path("a.replay"));
    failing->currentMap = "Stadium_P";
    plugin->LoadReplay(Path("b.replay"));
    failing->inFreeplay = true;
    failing->Tick();
    failing->RunQueued();
    failing->inFreeplay = false;
    plugin->LoadReplay(Path("c.replay"));
    failing->stateKnown = false;
    failing->Tick();
    plugin->onUnload();
    Lines& lines = failingConsole->lines;
    std::erase_if(lines, [](const std::string& line) { return !line.starts_with("ERROR"); });
    EXPECT_EQ(lines,
              (Lines{"ERROR in toggle_tapeloom_window: no console", "ERROR while starting the replay: no replay",
                     "ERROR while starting freeplay: no console", "ERROR while starting the pending replay: no replay",
                     "ERROR on the game-time event: no state", "ERROR while unloading the plug-in: no hook"}));
    // Without a game: said at the load, and a click does nothing.
    lines.clear();
    plugin->gameWrapper.reset();
    plugin->onLoad();
    plugin->LoadReplay(Path("d.replay"));
    EXPECT_EQ(lines, Lines{"ERROR while loading the plug-in: the host gave no console or game"});
}

TEST_F(Launch, RegistrationsAndWhatOutlivesThePlugin) {
    ASSERT_EQ(console->notifiers.size(), 1u);
    EXPECT_EQ(console->notifiers[0].command, "toggle_tapeloom_window");
    EXPECT_EQ(console->notifiers[0].description, "Opens and closes the Tapeloom window");
    EXPECT_EQ(console->notifiers[0].permissions, 0);
    EXPECT_EQ(console->binds, (std::vector<std::pair<std::string, std::string>>{{"F8", "toggle_tapeloom_window"}}));
    EXPECT_EQ(globalCvarManager, console);
    console->notifiers[0].callback({"ignored", "arguments"});
    EXPECT_EQ(*journal, Journal{"command togglemenu Tapeloom"});

    // Unloading removes the hook only; the command and its key stay.
    ASSERT_EQ(game->hooks.count(testhost::kGameTimeEvent), 1u);
    auto hook = game->hooks.at(testhost::kGameTimeEvent);
    game->currentMap = "Menu_MainScreen";
    plugin->LoadReplay(Path("a.replay"));
    game->currentMap = "Stadium_P";
    plugin->LoadReplay(Path("b.replay"));
    plugin->onUnload();
    EXPECT_EQ(game->unhooked, Lines{testhost::kGameTimeEvent});
    EXPECT_TRUE(game->hooks.empty());
    EXPECT_EQ(console->notifiers.size(), 1u);

    // What the host still holds after the plug-in is gone reaches nothing.
    plugin.reset();
    journal->clear();
    game->inFreeplay = true;
    EXPECT_EQ(game->RunQueued(), 2u);
    console->notifiers[0].callback({});
    hook(testhost::kGameTimeEvent);
    EXPECT_TRUE(journal->empty());
    EXPECT_TRUE(game->queued.empty());
}

} // namespace
