// The module as the host meets it: the descriptor record, the single plug-in
// object behind getPlugin/deleteMe, its own Dear ImGui copy, and the replay
// browser in real frames over a real replay folder, clicked by mouse.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include "test_host/plugin_host.h"
#include "test_host/replay_profile.h"

namespace {

using Quintra::Plugin::QuintraPlugin;
using testhost::kMarch2024;
using testhost::TapeloomModulePath;
using Lines = std::vector<std::string>;
using Paths = std::vector<std::filesystem::path>;

constexpr std::int64_t kDay = 86'400 * testhost::kTicksPerSecond;

bool Shows(const Lines& screen, const std::string& line) {
    return std::find(screen.begin(), screen.end(), line) != screen.end();
}

TEST(ModuleBoundary, DescriptorAndTheOnePluginObject) {
    sandbox::PluginModule library{TapeloomModulePath()};
    const auto* bytes = static_cast<const unsigned char*>(library.Symbol("exports"));
    ASSERT_NE(bytes, nullptr);
    auto at = [&](std::size_t offset) {
        std::uint64_t value = 0;
        std::memcpy(&value, bytes + offset, 8);
        return value;
    };
    auto text = [&](std::size_t offset) { return std::string(reinterpret_cast<const char*>(at(offset))); };
    EXPECT_EQ(at(0), 95u) << "version 95, then four zero bytes";
    EXPECT_NE(text(8).find("Tapeloom.cpp"), std::string::npos);
    EXPECT_EQ(text(16), "Tapeloom");
    EXPECT_EQ(text(24), "A plugin for viewing replays");
    EXPECT_EQ(text(32), "1.0.VERSION_BOLD");
    EXPECT_EQ(at(40), 1u) << "type flags 1, then four zero bytes";
    EXPECT_EQ(at(48), reinterpret_cast<std::uintptr_t>(library.Symbol("getPlugin")));
    EXPECT_EQ(at(56), reinterpret_cast<std::uintptr_t>(library.Symbol("deleteMe")));

    library.DeleteMe(); // without an object: nothing
    std::shared_ptr<QuintraPlugin>* handle = library.GetPlugin();
    ASSERT_NE(*handle, nullptr);
    QuintraPlugin* object = handle->get();
    EXPECT_EQ(library.GetPlugin(), handle);
    EXPECT_EQ(handle->get(), object) << "the same object, not a new one";
    EXPECT_EQ(handle->use_count(), 1) << "one object, owned once";
    auto window = std::dynamic_pointer_cast<Quintra::Plugin::PluginWindow>(*handle);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->MenuTitle(), "Tapeloom");
    window.reset();

    // A host copy keeps the object past deleteMe; its release destroys it,
    // releasing the game before the console.
    auto journal = std::make_shared<testhost::Journal>();
    std::shared_ptr<QuintraPlugin> hostCopy = *handle;
    hostCopy->cvarManager = std::make_shared<testhost::FakeConsole>(journal);
    hostCopy->gameWrapper = std::make_shared<testhost::FakeGame>(journal);
    library.DeleteMe();
    EXPECT_EQ(*handle, nullptr);
    EXPECT_TRUE(journal->empty());
    hostCopy.reset();
    EXPECT_EQ(*journal, (testhost::Journal{"~game", "~console"}));

    // A new object starts fresh.
    ASSERT_NE(*library.GetPlugin(), nullptr);
    EXPECT_EQ((*library.GetPlugin())->gameWrapper, nullptr);
    library.DeleteMe();
}

// A host that unloads the library without deleteMe: the module's own static
// destruction lets the console go before the plug-in object, so the game dies
// with the object's handle as the console's only holder. This also proves that
// unloading the library really runs its destructors.
TEST(ModuleBoundary, UnloadingWithoutDeleteMeReleasesTheConsoleBeforeThePlugin) {
    struct WatchedGame : testhost::FakeGame {
        using FakeGame::FakeGame;
        ~WatchedGame() override { journal->push_back("consoles " + std::to_string(console.use_count())); }
        std::weak_ptr<testhost::FakeConsole> console;
    };
    auto journal = std::make_shared<testhost::Journal>();
    {
        sandbox::PluginModule library{TapeloomModulePath()};
        std::shared_ptr<QuintraPlugin> plugin = *library.GetPlugin();
        auto console = std::make_shared<testhost::FakeConsole>(journal);
        auto game = std::make_shared<WatchedGame>(journal);
        game->console = console;
        plugin->cvarManager = console;
        plugin->gameWrapper = game;
        plugin->onLoad();
    }
    EXPECT_EQ(*journal, (testhost::Journal{"consoles 1", "~game", "~console"}));
}

TEST(ModuleBoundary, TheModuleDrawsIntoTheAttachedContextWhateverTheHostPointsAt) {
    sandbox::PluginModule library{TapeloomModulePath()};
    auto window = std::dynamic_pointer_cast<Quintra::Plugin::PluginWindow>(*library.GetPlugin());
    window->RenderFrame(); // a host that draws or asks before attaching a context gets nothing, not a crash
    EXPECT_FALSE(window->WantsInputCapture());
    sandbox::UiDriver ui, other;
    window->AttachUiContext(ui.ContextAddress());
    window->OnWindowOpened();
    for (ImGuiContext* hostCurrent : {other.Context(), static_cast<ImGuiContext*>(nullptr)}) {
        ImGui::SetCurrentContext(ui.Context());
        ImGui::NewFrame();
        ImGui::SetCurrentContext(hostCurrent);
        window->RenderFrame();
        ImGui::SetCurrentContext(ui.Context());
        ImGui::Render();
        ImGuiWindow* drawn = ImGui::FindWindowByName("Tapeloom");
        ASSERT_NE(drawn, nullptr);
        EXPECT_EQ(drawn->LastFrameActive, ui.Context()->FrameCount);
        EXPECT_TRUE(other.Context()->Windows.empty());
    }
    ImGui::SetCurrentContext(other.Context());
    for (int flags = 0; flags < 4; ++flags) {
        ui.Context()->IO.WantCaptureMouse = (flags & 1) != 0;
        ui.Context()->IO.WantCaptureKeyboard = (flags & 2) != 0;
        EXPECT_EQ(window->WantsInputCapture(), flags != 0) << "the attached context's flags, either of them";
    }
    ImGui::SetCurrentContext(nullptr);
    EXPECT_EQ(window->MenuName(), "Tapeloom");
    window->OnWindowClosed();
    EXPECT_TRUE(window->IsOverlayActive());
    window.reset();
    library.DeleteMe();
}

class BrowserWindow : public testing::Test {
protected:
    void OpenWindow() {
        host.Open();
        host.Frames(2);
    }
    Paths Played() {
        host.game->RunQueued();
        return host.game->played;
    }

    testhost::ReplayProfile profile;
    testhost::PluginHost host;
};

TEST_F(BrowserWindow, RowsNewestFirstRefreshInTheFrameAndLoadInRowK) {
    OpenWindow();
    Lines screen = host.Screen();
    EXPECT_TRUE(Shows(screen, "[ Refresh list ] 0 replays found")) << testing::PrintToString(screen);
    EXPECT_TRUE(Shows(screen, "Date & Time Action"));
    EXPECT_TRUE(Shows(screen, "No replays found."));

    const std::filesystem::path middle = profile.AddFile("mid.replay", kMarch2024);
    host.ui.recordText = true;
    ASSERT_TRUE(host.Click("Refresh list"));
    screen = testhost::ScreenLines(host.ui.lastFrameText);
    EXPECT_TRUE(Shows(screen, "2024-03-15 18:42:07 [ Load ]") && !Shows(screen, "No replays found.")) << "one row";

    profile.AddFile("old.replay", kMarch2024 - kDay);
    profile.AddFile("new.replay", kMarch2024 + kDay);
    profile.AddFile("twin.replay", kMarch2024); // the same time: its own button all the same
    profile.AddFile("notes.txt", kMarch2024 + 2 * kDay);
    ASSERT_TRUE(host.Click("Refresh list"));
    screen = testhost::ScreenLines(host.ui.lastFrameText);
    EXPECT_TRUE(Shows(screen, "[ Refresh list ] 4 replays found")) << "the new list shows in the frame of the click";
    EXPECT_EQ(std::count_if(screen.begin(), screen.end(), [](auto& line) { return line.ends_with("[ Load ]"); }), 4);

    // Row 0's button, felt for with the mouse, to the pixel: 80 wide, its right
    // edge the list's padding in from the list's own.
    ImGuiWindow* list = host.ui.FindChildWindow("Tapeloom", "ReplayList");
    ASSERT_NE(list, nullptr);
    const ImVec2 padding = host.ui.Context()->Style.WindowPadding;
    const float right = list->Pos.x + list->Size.x - padding.x;
    const ImGuiID load0 = sandbox::UiDriver::ItemId(list, "Load##0");
    std::vector<bool> hovered;
    for (float x : {right - 81, right - 80, right - 1, right}) {
        host.ui.Context()->IO.MousePos = ImVec2(x, list->Pos.y + padding.y + 2);
        host.Frames();
        hovered.push_back(host.ui.Context()->HoveredId == load0);
    }
    EXPECT_EQ(hovered, (std::vector<bool>{false, true, true, false})) << "x " << right - 80 << " to " << right;

    ASSERT_TRUE(host.ClickLoad(1));
    ASSERT_TRUE(host.ClickLoad(2));
    EXPECT_TRUE(Shows(testhost::ScreenLines(host.ui.lastFrameText), "2024-03-14 18:42:07 [ Load ]"))
        << "the rows below a pressed one are still drawn";
    Paths played = Played();
    std::sort(played.begin(), played.end());
    EXPECT_EQ(played, (Paths{middle, profile.Folder() / "twin.replay"}));
}

TEST_F(BrowserWindow, TheCloseButtonAsksUntilTheHostHidesItAndACollapsedWindowAsksNothing) {
    OpenWindow();
    ASSERT_TRUE(host.ClickClose());
    EXPECT_EQ(*host.journal, testhost::Journal{"command togglemenu Tapeloom"});
    EXPECT_TRUE(host.console->allLogged);
    host.Frames(2);
    EXPECT_EQ(host.journal->size(), 3u) << "every frame asks again while the host has not hidden it";

    host.journal->clear();
    OpenWindow();
    auto draw = [&] {
        host.Draw();
        EXPECT_EQ(ImGui::GetCurrentContext()->CurrentWindowStack.Size, 1) << "Begin and End stay paired";
    };
    ASSERT_TRUE(host.ui.ClickCollapse("Tapeloom", draw));
    host.window->OnWindowClosed();
    host.ui.Frame(draw);
    host.ui.Frame(draw);
    EXPECT_TRUE(host.journal->empty()) << "collapsed: nothing asked";
    ASSERT_TRUE(host.ui.ClickCollapse("Tapeloom", draw));
    host.ui.Frame(draw);
    EXPECT_FALSE(host.journal->empty()) << "the first expanded frame sends the close request";
}

TEST_F(BrowserWindow, AHostFailureDuringAClickIsLoggedAndTheFrameGoesOn) {
    struct MaplessGame : testhost::FakeGame {
        std::string GetCurrentMap() override { throw std::runtime_error("no map while loading"); }
    };
    profile.AddFile("a.replay", kMarch2024);
    profile.AddFile("b.replay", kMarch2024 - kDay);
    host.plugin->gameWrapper = std::make_shared<MaplessGame>();
    OpenWindow();
    host.ui.recordText = true;
    ASSERT_TRUE(host.ClickLoad(0));
    EXPECT_EQ(host.console->lines.back(), "ERROR while loading the replay: no map while loading");
    EXPECT_TRUE(Shows(testhost::ScreenLines(host.ui.lastFrameText), "2024-03-14 18:42:07 [ Load ]"));
    EXPECT_TRUE(host.Click("Refresh list")) << "the window keeps working";
}

// A list far longer than the window: only the rows in view are drawn, and
// what a player sees and clicks there is still the whole list's.
TEST_F(BrowserWindow, ALongListScrollsAndClicksAsTheWholeList) {
    constexpr int kReplays = 2'000;
    auto name = [](int index) { return "replay-" + std::to_string(index) + ".replay"; };
    for (int i = 0; i < kReplays; ++i) {
        // Replay i was written i seconds before the newest, so it is row i.
        profile.AddFile(name(i), kMarch2024 - i * testhost::kTicksPerSecond);
    }
    OpenWindow();
    EXPECT_TRUE(Shows(host.Screen(), "[ Refresh list ] 2000 replays found"));
    ImGuiWindow* list = host.ui.FindChildWindow("Tapeloom", "ReplayList");
    ASSERT_NE(list, nullptr);
    const ImGuiStyle& style = host.ui.Context()->Style;
    const float rowHeight = host.ui.Context()->FontSize + style.FramePadding.y * 2 + style.ItemSpacing.y;
    EXPECT_EQ(list->ContentSize.y, kReplays * rowHeight - style.ItemSpacing.y) << "one button-high row per replay";

    // Scrolled to the middle, the topmost button in view, found by moving the
    // mouse down the button column, is that row's; then the last row.
    const int middle = kReplays / 2;
    host.ui.ScrollTo(list, style.WindowPadding.y + static_cast<float>(middle) * rowHeight);
    host.Frames();
    const float x = list->Pos.x + list->Size.x - style.WindowPadding.x - 40.0f;
    ImGuiID first = 0;
    for (float y = list->InnerRect.Min.y + 1; y < list->InnerRect.Max.y && first == 0; y += 2) {
        host.ui.Context()->IO.MousePos = ImVec2(x, y);
        host.Frames();
        first = host.ui.Context()->HoveredId;
    }
    EXPECT_EQ(first, sandbox::UiDriver::ItemId(list, "Load##" + std::to_string(middle)));
    ASSERT_TRUE(host.ClickLoad(middle + 1));
    host.ui.ScrollTo(list, kReplays * rowHeight);
    host.Frames();
    ASSERT_TRUE(host.ClickLoad(kReplays - 1));
    EXPECT_EQ(Played(), (Paths{profile.Folder() / name(middle + 1), profile.Folder() / name(kReplays - 1)}));
}

} // namespace
